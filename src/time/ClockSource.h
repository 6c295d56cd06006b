#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "core/SyncDecision.h"

namespace cs {

// The work of one synchronization: obtain the server's time and set the clock, as an outcome
// value. The clock is never moved beyond the unattended bound here: such a difference comes back
// as TooLarge, and only SetConfirmed, after the user said yes, applies it.
class IClockSource {
public:
    virtual ~IClockSource() = default;
    virtual SyncOutcome Synchronize() = 0;
    // tooLarge is the outcome Synchronize gave.
    virtual SyncOutcome SetConfirmed(const SyncOutcome& tooLarge) = 0;
};

// The servers a failing one hands over to, in menu order: the time-servers menu's own list
// unless a ScopedServerList stands others in.
std::vector<std::string> TimeServerList();

class ScopedServerList {
public:
    explicit ScopedServerList(std::vector<std::string> servers);
    ~ScopedServerList();
    ScopedServerList(const ScopedServerList&) = delete;
    ScopedServerList& operator=(const ScopedServerList&) = delete;

private:
    std::vector<std::string> m_previous;
    bool m_hadPrevious;
};

// The order in which an attempt asks: the chosen server, then those after it in the list,
// wrapping round. A chosen server that is not in the list is asked alone.
std::vector<std::string> ServerOrder(const std::vector<std::string>& list,
                                     const std::string& chosen);

// The whole attempt ends within this, however many servers fail.
inline constexpr DWORD kAttemptBudgetMs = 20000;
// NIST refuses a client that asks one server more often than this.
inline constexpr DWORD kSameServerGapMs = 4000;
// A request with less time than this left is not started.
inline constexpr DWORD kShortestRequestMs = 1000;

// The program's own way: the Daytime servers through WinInet, one at a time from ServerAddress
// on, and the clock through SetSystemTime.
class DaytimeClockSource final : public IClockSource {
public:
    SyncOutcome Synchronize() override;
    SyncOutcome SetConfirmed(const SyncOutcome& tooLarge) override;

private:
    SyncOutcome SetClock(DateTime server, double difference);
    // When the time that came back TooLarge was received.
    ULONGLONG m_receivedAt = 0;
};

}  // namespace cs
