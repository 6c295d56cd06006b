#include "service/ClockService.h"

#include <windows.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "platform/Seams.h"
#include "platform/SystemError.h"
#include "platform/SystemTimes.h"
#include "time/DaytimeSocket.h"
#include "time/TimeZone.h"

namespace cs {
namespace {

class Win32ServiceClock final : public IServiceClock {
public:
    Ticks Now() override { return static_cast<Ticks>(::GetTickCount64()); }
    void WaitUntil(Ticks when) override {
        const Ticks now = Now();
        // The gate never asks for more than the server spacing; the cap keeps it so.
        if (when > now) ::Sleep(static_cast<DWORD>(std::min<Ticks>(when - now, kServerSpacingMs)));
    }
};

}  // namespace

IServiceClock& SystemServiceClock() {
    static Win32ServiceClock clock;
    return clock;
}

std::string ServiceTimeText(DateTime utc) {
    const CivilDate d = DecodeDate(utc);
    const TimeOfDay t = DecodeTime(utc);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d UTC", d.Year, d.Month, d.Day,
                  t.Hour, t.Minute, t.Second);
    return text;
}

std::string ServiceDifferenceText(std::int64_t ms) {
    const std::uint64_t magnitude = ms < 0 ? 0 - static_cast<std::uint64_t>(ms) : ms;
    char text[40];
    std::snprintf(text, sizeof text, "%c%" PRIu64 ".%03u s", ms < 0 ? '-' : '+', magnitude / 1000,
                  static_cast<unsigned>(magnitude % 1000));
    return text;
}

ClockService::ClockService(std::vector<std::string> servers, IEventLog& log, IServiceClock& clock)
    : m_servers(std::move(servers)), m_log(log), m_clock(clock) {}

ServiceAnswer ClockService::Handle(std::span<const std::uint8_t> bytes, bool oversized) {
    const Ticks now = m_clock.Now();
    const std::optional<ServiceRequest> request = oversized ? std::nullopt : ParseRequest(bytes);
    const Admission admission = m_gate.Admit(request, m_servers.size(), now);
    switch (admission.Kind) {
        case Admission::Action::Reject: ReportBadRequest(now); return admission.Answer;
        case Admission::Action::Repeat: return admission.Answer;
        case Admission::Action::Fetch: break;
    }

    m_clock.WaitUntil(admission.FetchNotBefore);
    const FetchedTime fetched = AskServers(m_servers, admission.ServerIndex);
    ServiceAnswer answer = m_gate.Judge(fetched);
    DateTime before = 0.0;
    if (answer.Outcome == ServiceOutcome::Set) {
        before = CurrentUtc();
        const DWORD error = SystemTime().SetSystemTime(DateTimeToSystemTime(fetched.Server));
        if (error != ERROR_SUCCESS) answer = RefusedAnswer(answer, error);
    }
    m_gate.Record(answer, m_clock.Now());
    Log(answer, before);
    return answer;
}

void ClockService::ReportBadRequest(Ticks now) {
    ++m_badRequests;
    if (m_badRequestsEverLogged && now - m_badRequestsLogged < kSyncIntervalMs) return;
    m_log.Report(EVENTLOG_WARNING_TYPE, static_cast<DWORD>(ServiceEvent::BadRequests),
                 "Refused " + std::to_string(m_badRequests) +
                     " request(s) that were not a valid synchronization request. Nothing was "
                     "changed.");
    m_badRequests = 0;
    m_badRequestsLogged = now;
    m_badRequestsEverLogged = true;
}

void ClockService::Log(const ServiceAnswer& answer, DateTime before) {
    const auto server = [&] { return m_servers[answer.ServerIndex]; };
    const auto time = [&] { return ServiceTimeText(AnswerServerTime(answer)); };
    const std::string difference = ServiceDifferenceText(answer.DifferenceMs);
    switch (answer.Outcome) {
        case ServiceOutcome::Set:
            m_log.Report(EVENTLOG_INFORMATION_TYPE, static_cast<DWORD>(ServiceEvent::ClockSet),
                         "The system clock was set from the time server " + server() +
                             ". Old time " + ServiceTimeText(before) + ", new time " + time() +
                             ", difference " + difference + ".");
            break;
        case ServiceOutcome::Refused:
            m_log.Report(EVENTLOG_ERROR_TYPE, static_cast<DWORD>(ServiceEvent::SetRefused),
                         "The system refused to set the clock to " + time() +
                             " from the time server " + server() + " (difference " + difference +
                             "): " + SystemErrorText(answer.SystemError));
            break;
        case ServiceOutcome::TooLarge:
            m_log.Report(EVENTLOG_WARNING_TYPE, static_cast<DWORD>(ServiceEvent::TooLarge),
                         "The clock was not set: the time server " + server() + " says " + time() +
                             ", which differs from the system clock by " + difference +
                             ", more than 15 hours. It is set only when the user confirms it.");
            break;
        case ServiceOutcome::Unhealthy:
            m_log.Report(EVENTLOG_WARNING_TYPE, static_cast<DWORD>(ServiceEvent::Unhealthy),
                         "The clock was not set: the time servers that answered report that their "
                         "own clock may be wrong.");
            break;
        case ServiceOutcome::NoTimeObtained:
            m_log.Report(EVENTLOG_WARNING_TYPE, static_cast<DWORD>(ServiceEvent::NoTime),
                         "The clock was not set: no time server of the list gave a time.");
            break;
        case ServiceOutcome::Busy:
        case ServiceOutcome::BadRequest: break;
    }
}

}  // namespace cs
