#pragma once
#include <string>
#include <vector>

#include "service/ClockService.h"
#include "service/EventLog.h"

namespace cs::test {

struct LoggedEvent {
    WORD Type;
    DWORD Id;
    std::string Text;
};

class FakeEventLog final : public IEventLog {
public:
    void Report(WORD type, DWORD eventId, const std::string& text) override {
        Events.push_back({type, eventId, text});
    }
    std::vector<LoggedEvent> Events;
};

// Time moves only when the test moves it, or when the service waits.
class FakeServiceClock final : public IServiceClock {
public:
    Ticks Now() override { return At; }
    void WaitUntil(Ticks when) override {
        Waits.push_back(when);
        if (when > At) At = when;
    }
    Ticks At = 1000000;
    std::vector<Ticks> Waits;
};

}  // namespace cs::test
