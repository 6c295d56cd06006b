#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/DateTime.h"
#include "core/ServiceProtocol.h"

// The clock service's decisions, apart from the pipe, the network and the clock: which request
// may fetch, what the fetched time leads to, and which servers the service asks.
namespace cs {

// A monotonic count of milliseconds (GetTickCount64 in the service).
using Ticks = std::int64_t;

// At most one synchronization this often, whoever asks.
inline constexpr Ticks kSyncIntervalMs = 60000;
// A confirmation counts only this soon after the too-large answer...
inline constexpr Ticks kConfirmWindowMs = 60000;
// ...and only for the same difference, give or take this much.
inline constexpr std::int64_t kConfirmToleranceMs = 10000;
// No server is asked twice within this time (NIST refuses clients that ask more often).
inline constexpr Ticks kServerSpacingMs = 4000;

struct Admission {
    enum class Action {
        Reject,  // Answer says why; nothing is fetched
        Repeat,  // within the interval: Answer is the last result, nothing is fetched
        Fetch,   // ask the servers from ServerIndex on, not before FetchNotBefore
    };
    Action Kind = Action::Reject;
    ServiceAnswer Answer;
    std::uint16_t ServerIndex = 0;
    Ticks FetchNotBefore = 0;
};

// What asking the servers gave.
struct FetchedTime {
    enum class Result { NoTime, Unhealthy, Time };
    Result Kind = Result::NoTime;
    std::uint16_t ServerIndex = 0;  // the server that gave the time
    DateTime Server = 0.0;          // its UTC time (Time)
    double DifferenceDays = 0.0;    // server minus system (Time)
};

// One per service: the requests of every caller pass through the same gate.
class ServiceGate {
public:
    // request is empty for bytes that were no request. serverCount is the size of the service's
    // list; an index past it is rejected before anything else.
    Admission Admit(const std::optional<ServiceRequest>& request, std::size_t serverCount,
                    Ticks now);

    // After a Fetch: the answer to give. Set means "set the clock to fetched.Server"; when the
    // system refuses, the caller answers Refused instead. Either way the answer goes to Record.
    ServiceAnswer Judge(const FetchedTime& fetched) const;

    // The answer given after a Fetch, at now: the last result, and a too-large answer to an
    // unconfirmed request opens the confirmation window.
    void Record(const ServiceAnswer& answer, Ticks now);

private:
    struct Pending {
        Ticks At = 0;
        std::int64_t DifferenceMs = 0;
    };

    std::optional<Ticks> m_lastFetch;
    ServiceAnswer m_last;
    std::optional<Pending> m_pending;
    // The difference a running confirmed fetch may apply.
    std::optional<std::int64_t> m_confirming;
};

// A Refused answer built from a Set one whose change the system did not make.
ServiceAnswer RefusedAnswer(const ServiceAnswer& set, std::uint32_t systemError);

// A dotted-quad IPv4 address: four decimal numbers 0 to 255 of one to three digits, read as
// decimal also with leading zeros. The address in host byte order.
std::optional<std::uint32_t> DottedQuadAddress(std::string_view text);
inline bool IsDottedQuad(std::string_view text) {
    return DottedQuadAddress(text).has_value();
}

// The most servers the service takes from a stored list.
inline constexpr std::size_t kMaxServiceServers = 64;

// The service's servers from a REG_MULTI_SZ value's bytes: every entry that is a dotted quad, in
// order, at most kMaxServiceServers. The program's own list only when nothing is stored: a stored
// list without a usable entry is an administrator's mistake, and gives no servers rather than
// public ones the administrator did not choose.
std::vector<std::string> ServiceServerList(std::optional<std::string_view> stored);

// The place of address in list, when it is there.
std::optional<std::uint16_t> ServerIndexOf(const std::vector<std::string>& list,
                                           std::string_view address);

}  // namespace cs
