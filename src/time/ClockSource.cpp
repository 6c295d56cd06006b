#include "time/ClockSource.h"

#include <algorithm>
#include <exception>
#include <map>
#include <optional>

#include "core/DaytimeReply.h"
#include "core/Exception.h"
#include "core/TimeServers.h"
#include "core/TimeTrust.h"
#include "platform/Messages.h"
#include "platform/Seams.h"
#include "platform/SystemError.h"
#include "platform/SystemTimes.h"
#include "time/BackgroundWait.h"
#include "time/DaytimeClient.h"
#include "time/TimeZone.h"

namespace cs {

namespace {

std::optional<std::vector<std::string>> g_servers;

}  // namespace

std::vector<std::string> TimeServerList() {
    if (g_servers) return *g_servers;
    return {kTimeServers.begin(), kTimeServers.end()};
}

ScopedServerList::ScopedServerList(std::vector<std::string> servers)
    : m_hadPrevious(g_servers.has_value()) {
    if (m_hadPrevious) m_previous = *g_servers;
    g_servers = std::move(servers);
}

ScopedServerList::~ScopedServerList() {
    if (m_hadPrevious) {
        g_servers = std::move(m_previous);
    } else {
        g_servers.reset();
    }
}

std::vector<std::string> ServerOrder(const std::vector<std::string>& list,
                                     const std::string& chosen) {
    const auto at = std::find(list.begin(), list.end(), chosen);
    if (at == list.end()) return {chosen};
    std::vector<std::string> order(at, list.end());
    order.insert(order.end(), list.begin(), at);
    return order;
}

SyncOutcome DaytimeClockSource::Synchronize() {
    ProcessPendingMessages();
    if (!InternetConnected()) return OutcomeOf(SyncStatus::NoConnection);

    const std::vector<std::string> order = ServerOrder(TimeServerList(), ServerAddress);
    const bool alone = order.size() == 1 && TimeServerList() != order;
    const ULONGLONG end = ::GetTickCount64() + kAttemptBudgetMs;
    // When each server was last asked in this attempt (GetTickCount64).
    std::map<std::string, ULONGLONG> lastAsked;
    bool unhealthy = false;
    bool notATime = false;
    std::exception_ptr conversionError;

    for (std::size_t i = 0; !(alone && i > 0); ++i) {
        const std::string& server = order[i % order.size()];
        ULONGLONG now = ::GetTickCount64();
        const auto last = lastAsked.find(server);
        if (last != lastAsked.end() && now < last->second + kSameServerGapMs) {
            const ULONGLONG ready = last->second + kSameServerGapMs;
            if (ready + kShortestRequestMs > end) break;
            if (WaitAnswering(nullptr, static_cast<DWORD>(ready - now)) == WaitEnd::Quit)
                return OutcomeOf(SyncStatus::Abandoned);
            now = ::GetTickCount64();
        }
        if (now + kShortestRequestMs > end) break;

        lastAsked[server] = now;
        std::string reply;
        const DWORD limit = static_cast<DWORD>(std::min<ULONGLONG>(kRequestLimitMs, end - now));
        const FetchResult fetched = FetchServerLine(server, limit, reply);
        if (fetched == FetchResult::Abandoned) return OutcomeOf(SyncStatus::Abandoned);
        if (fetched != FetchResult::Fetched) continue;

        DateTime time = 0.0;
        try {
            time = ParseDaytimeReply(reply);
        } catch (const EConvertError&) {
            // Told as today if no other server gives a time.
            if (!conversionError) conversionError = std::current_exception();
            continue;
        }
        if (time == 0.0) {
            notATime = true;
            continue;
        }
        if (ReportsUnhealthy(reply)) {
            unhealthy = true;
            continue;
        }

        // Taken after the parse, so that the difference is as fresh as the server's time allows.
        const double difference = time - CurrentUtc();
        if (!WithinUnattendedBound(difference)) {
            m_receivedAt = ::GetTickCount64();
            SyncOutcome outcome = OutcomeOf(SyncStatus::TooLarge);
            outcome.Difference = difference;
            outcome.ServerTime = time;
            outcome.LocalTime = CurrentLocal();
            return outcome;
        }
        return SetClock(time, difference);
    }

    if (conversionError) std::rethrow_exception(conversionError);
    return OutcomeOf(unhealthy && !notATime ? SyncStatus::Unhealthy : SyncStatus::NoTime);
}

SyncOutcome DaytimeClockSource::SetConfirmed(const SyncOutcome& tooLarge) {
    // The server's time moved on while the user read the question, by whole seconds as sent.
    const ULONGLONG waited = (::GetTickCount64() - m_receivedAt) / 1000;
    const DateTime server = tooLarge.ServerTime + static_cast<double>(waited) / kSecondsPerDay;
    return SetClock(server, server - CurrentUtc());
}

SyncOutcome DaytimeClockSource::SetClock(DateTime server, double difference) {
    SyncOutcome outcome;
    outcome.Difference = difference;
    outcome.ServerTime = server;
    // The local time of the synchronization is the one before the clock moves.
    outcome.LocalTime = CurrentLocal();
    const DWORD error = SystemTime().SetSystemTime(DateTimeToSystemTime(server));
    if (error == ERROR_SUCCESS) {
        outcome.Status = SyncStatus::Set;
        return outcome;
    }
    outcome.Status = SyncStatus::Refused;
    outcome.Reason = SystemErrorText(error);
    outcome.PrivilegeMissing = error == ERROR_PRIVILEGE_NOT_HELD;
    return outcome;
}

}  // namespace cs
