#include "time/ServiceClockSource.h"

#include "platform/SystemError.h"
#include "settings/Settings.h"
#include "time/DaytimeClient.h"
#include "time/DaytimeSocket.h"
#include "time/ServiceClient.h"
#include "time/ServiceControl.h"
#include "time/TimeZone.h"

namespace cs {

std::optional<std::uint16_t> ServiceServerIndex() {
    if (!ReadSetting(kSettingsKey, "UseProxy", "").empty()) return std::nullopt;
    if (!ClockServiceInstalled()) return std::nullopt;
    return ServerIndexOf(ReadServiceServers(), ServerAddress);
}

std::optional<SyncOutcome> OutcomeOfAnswer(const ServiceAnswer& answer, DateTime localBefore) {
    SyncOutcome outcome;
    outcome.Difference = DifferenceDays(answer.DifferenceMs);
    outcome.ServerTime = AnswerServerTime(answer);
    outcome.LocalTime = localBefore;
    switch (answer.Outcome) {
        case ServiceOutcome::Set: outcome.Status = SyncStatus::Set; break;
        case ServiceOutcome::TooLarge: outcome.Status = SyncStatus::TooLarge; break;
        case ServiceOutcome::Refused:
            // The service holds the right to set the clock; running the program as administrator
            // is not the answer to its refusal.
            outcome.Status = SyncStatus::Refused;
            outcome.Reason = SystemErrorText(answer.SystemError);
            break;
        case ServiceOutcome::NoTimeObtained: return OutcomeOf(SyncStatus::NoTime);
        case ServiceOutcome::Unhealthy: return OutcomeOf(SyncStatus::Unhealthy);
        case ServiceOutcome::Busy: return OutcomeOf(SyncStatus::Busy);
        case ServiceOutcome::BadRequest: return std::nullopt;
    }
    return outcome;
}

SyncOutcome ServiceClockSource::Own() {
    m_served.reset();
    SyncOutcome outcome = m_own.Synchronize();
    outcome.SuggestService = true;
    return outcome;
}

SyncOutcome ServiceClockSource::Synchronize() {
    const std::optional<std::uint16_t> index = ServiceServerIndex();
    if (!index) return Own();
    const DateTime localBefore = CurrentLocal();
    const ServiceAnswerWait answer = AskClockService({RequestKind::Synchronize, *index, 0});
    if (answer.Abandoned) return OutcomeOf(SyncStatus::Abandoned);
    const std::optional<SyncOutcome> outcome =
        answer.Answer ? OutcomeOfAnswer(*answer.Answer, localBefore) : std::nullopt;
    if (!outcome) return Own();
    m_served = index;
    return *outcome;
}

SyncOutcome ServiceClockSource::SetConfirmed(const SyncOutcome& tooLarge) {
    if (!m_served) {
        SyncOutcome outcome = m_own.SetConfirmed(tooLarge);
        outcome.SuggestService = true;
        return outcome;
    }
    const DateTime localBefore = CurrentLocal();
    const ServiceAnswerWait answer = AskClockService({RequestKind::SynchronizeConfirmed, *m_served,
                                                      DifferenceMilliseconds(tooLarge.Difference)});
    if (answer.Abandoned) return OutcomeOf(SyncStatus::Abandoned);
    const std::optional<SyncOutcome> outcome =
        answer.Answer ? OutcomeOfAnswer(*answer.Answer, localBefore) : std::nullopt;
    // The service gone between the question and the answer: the time is not set unasked.
    return outcome ? *outcome : OutcomeOf(SyncStatus::NoTime);
}

}  // namespace cs
