#include "core/ServiceRules.h"

#include "core/TimeServers.h"
#include "core/TimeTrust.h"

namespace cs {
namespace {

ServiceAnswer Rejected() {
    ServiceAnswer answer;
    answer.Outcome = ServiceOutcome::BadRequest;
    return answer;
}

std::int64_t Distance(std::int64_t a, std::int64_t b) {
    return a > b ? a - b : b - a;
}

}  // namespace

Admission ServiceGate::Admit(const std::optional<ServiceRequest>& request, std::size_t serverCount,
                             Ticks now) {
    Admission admission;
    if (!request || request->ServerIndex >= serverCount) {
        admission.Answer = Rejected();
        return admission;
    }
    m_confirming.reset();

    // A confirmation that matches the open window fetches at once, interval or not, and only
    // once: the window closes as it is used.
    if (request->Kind == RequestKind::SynchronizeConfirmed && m_pending &&
        now - m_pending->At <= kConfirmWindowMs &&
        Distance(request->ConfirmedDifferenceMs, m_pending->DifferenceMs) <= kConfirmToleranceMs) {
        m_confirming = m_pending->DifferenceMs;
        m_pending.reset();
    } else if (m_lastFetch && now - *m_lastFetch < kSyncIntervalMs) {
        // Anything else within the interval, a stale or different confirmation included, gets
        // the last result.
        admission.Kind = Admission::Action::Repeat;
        admission.Answer = m_last;
        return admission;
    }

    admission.Kind = Admission::Action::Fetch;
    admission.ServerIndex = request->ServerIndex;
    admission.FetchNotBefore = m_lastFetch ? *m_lastFetch + kServerSpacingMs : now;
    if (admission.FetchNotBefore < now) admission.FetchNotBefore = now;
    m_lastFetch = admission.FetchNotBefore;
    return admission;
}

ServiceAnswer ServiceGate::Judge(const FetchedTime& fetched) const {
    ServiceAnswer answer;
    switch (fetched.Kind) {
        case FetchedTime::Result::NoTime:
            answer.Outcome = ServiceOutcome::NoTimeObtained;
            return answer;
        case FetchedTime::Result::Unhealthy:
            answer.Outcome = ServiceOutcome::Unhealthy;
            return answer;
        case FetchedTime::Result::Time: break;
    }
    answer.ServerIndex = fetched.ServerIndex;
    answer.DifferenceMs = DifferenceMilliseconds(fetched.DifferenceDays);
    answer.ServerSeconds = WholeSeconds(fetched.Server);
    // A confirmed difference that has moved since is too large again: a different step would
    // need a new question to the user.
    const bool allowed =
        WithinUnattendedBound(fetched.DifferenceDays) ||
        (m_confirming && Distance(answer.DifferenceMs, *m_confirming) <= kConfirmToleranceMs);
    answer.Outcome = allowed ? ServiceOutcome::Set : ServiceOutcome::TooLarge;
    return answer;
}

void ServiceGate::Record(const ServiceAnswer& answer, Ticks now) {
    m_last = answer;
    // Only an unconfirmed fetch opens a window, so that a confirmation cannot chain into more
    // fetches outside the interval. A later unconfirmed fetch that found anything else closes
    // it: the question the user was asked no longer matches the clock.
    if (!m_confirming) {
        m_pending.reset();
        if (answer.Outcome == ServiceOutcome::TooLarge)
            m_pending = Pending{now, answer.DifferenceMs};
    }
    m_confirming.reset();
}

ServiceAnswer RefusedAnswer(const ServiceAnswer& set, std::uint32_t systemError) {
    ServiceAnswer answer = set;
    answer.Outcome = ServiceOutcome::Refused;
    answer.SystemError = systemError;
    return answer;
}

std::optional<std::uint32_t> DottedQuadAddress(std::string_view text) {
    std::uint32_t address = 0;
    int parts = 0;
    std::size_t at = 0;
    while (true) {
        std::size_t digits = 0;
        int value = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 4) {
            value = value * 10 + (text[at] - '0');
            ++at;
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255) return std::nullopt;
        address = address << 8 | static_cast<std::uint32_t>(value);
        if (++parts == 4) return at == text.size() ? std::optional(address) : std::nullopt;
        if (at >= text.size() || text[at] != '.') return std::nullopt;
        ++at;
    }
}

std::vector<std::string> ServiceServerList(std::optional<std::string_view> stored) {
    std::vector<std::string> list;
    if (stored) {
        std::string_view rest = *stored;
        while (!rest.empty() && list.size() < kMaxServiceServers) {
            const std::size_t end = rest.find('\0');
            const std::string_view entry = rest.substr(0, end);
            if (IsDottedQuad(entry)) list.emplace_back(entry);
            if (end == std::string_view::npos) break;
            rest.remove_prefix(end + 1);
        }
    } else {
        list.assign(kTimeServers.begin(), kTimeServers.end());
    }
    return list;
}

std::optional<std::uint16_t> ServerIndexOf(const std::vector<std::string>& list,
                                           std::string_view address) {
    for (std::size_t i = 0; i < list.size() && i <= 0xFFFF; ++i) {
        if (list[i] == address) return static_cast<std::uint16_t>(i);
    }
    return std::nullopt;
}

}  // namespace cs
