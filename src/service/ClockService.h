#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/ServiceProtocol.h"
#include "core/ServiceRules.h"
#include "service/EventLog.h"

namespace cs {

// The monotonic clock the service's rules count in, and the wait for a server's spacing. A
// seam, so that tests move time on without waiting.
class IServiceClock {
public:
    virtual ~IServiceClock() = default;
    virtual Ticks Now() = 0;
    virtual void WaitUntil(Ticks when) = 0;
};

// GetTickCount64 and Sleep.
IServiceClock& SystemServiceClock();

// What the service does with one request: the gate's rules, the servers of its own list, the
// clock through the ISystemTime seam and an event-log entry for every change and refusal.
class ClockService {
public:
    ClockService(std::vector<std::string> servers, IEventLog& log, IServiceClock& clock);

    // bytes is what one connection sent; oversized when it sent more than a request can be.
    ServiceAnswer Handle(std::span<const std::uint8_t> bytes, bool oversized);

    const std::vector<std::string>& Servers() const { return m_servers; }

private:
    void ReportBadRequest(Ticks now);
    void Log(const ServiceAnswer& answer, DateTime before);

    const std::vector<std::string> m_servers;
    IEventLog& m_log;
    IServiceClock& m_clock;
    ServiceGate m_gate;
    // Bad requests are written as a count at most once a minute, so that nobody can fill the
    // event log by writing nonsense into the pipe.
    int m_badRequests = 0;
    Ticks m_badRequestsLogged = 0;
    bool m_badRequestsEverLogged = false;
};

// UTC as "2025-12-09 02:42:17 UTC" and a difference in milliseconds as "+90.000 s".
std::string ServiceTimeText(DateTime utc);
std::string ServiceDifferenceText(std::int64_t milliseconds);

}  // namespace cs
