#pragma once
#include <windows.h>

#include <string>

namespace cs {

// The Windows Application event log, the place where a service tells what it did. A seam, so
// that tests read what would have been written.
class IEventLog {
public:
    virtual ~IEventLog() = default;
    // ReportEventA with one string; type is EVENTLOG_INFORMATION_TYPE, _WARNING_TYPE or
    // _ERROR_TYPE.
    virtual void Report(WORD type, DWORD eventId, const std::string& text) = 0;
};

// The system's event log under the service's name as the source.
IEventLog& SystemEventLog();

// What the service writes, one id per kind of entry.
enum class ServiceEvent : DWORD {
    ClockSet = 1,
    SetRefused = 2,
    TooLarge = 3,
    Unhealthy = 4,
    NoTime = 5,
    BadRequests = 6,
    Failure = 7,  // the service itself could not run
};

}  // namespace cs
