#include "service/EventLog.h"

#include "core/ServiceProtocol.h"

namespace cs {
namespace {

class Win32EventLog final : public IEventLog {
public:
    void Report(WORD type, DWORD eventId, const std::string& text) override {
        // Opened for each entry: the service writes a few a minute at most, and a handle held
        // for the life of the process would outlive nothing useful.
        const HANDLE source = ::RegisterEventSourceA(nullptr, kServiceName);
        if (!source) return;
        const char* strings[] = {text.c_str()};
        ::ReportEventA(source, type, 0, eventId, nullptr, 1, 0, strings, nullptr);
        ::DeregisterEventSource(source);
    }
};

}  // namespace

IEventLog& SystemEventLog() {
    static Win32EventLog log;
    return log;
}

}  // namespace cs
