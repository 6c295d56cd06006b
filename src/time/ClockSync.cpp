#include "time/ClockSync.h"

#include <windows.h>

#include "platform/Dialogs.h"
#include "platform/Locale.h"
#include "platform/Messages.h"
#include "settings/Settings.h"
#include "time/TimeZone.h"

namespace cs {

bool SilentSync = false;
DateTime LastSyncTime = 0.0;

namespace {

// The hourglass for the length of an operation, taken away again also when it fails.
class WaitCursor {
public:
    using Setter = void (IClockSyncView::*)(bool);
    WaitCursor(IClockSyncView& view, Setter set) : m_view(view), m_set(set) {
        (m_view.*m_set)(true);
    }
    ~WaitCursor() { (m_view.*m_set)(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    IClockSyncView& m_view;
    Setter m_set;
};

// SilentSync on for the length of a daily synchronization. The previous value comes back, so a
// run nested in another's message loop does not switch the outer one's silence off.
class SilentScope {
public:
    SilentScope() : m_previous(SilentSync) { SilentSync = true; }
    ~SilentScope() { SilentSync = m_previous; }
    SilentScope(const SilentScope&) = delete;
    SilentScope& operator=(const SilentScope&) = delete;

private:
    bool m_previous;
};

class BusyScope {
public:
    explicit BusyScope(bool& busy) : m_busy(busy) { m_busy = true; }
    ~BusyScope() { m_busy = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& m_busy;
};

SyncDecision Decide(const SyncOutcome& outcome, SyncTrigger trigger) {
    const std::string serverTime =
        outcome.Status == SyncStatus::TooLarge ? DateTimeToText(outcome.ServerTime) : "";
    return DecideSync(outcome, trigger, serverTime);
}

}  // namespace

SyncOutcome ClockSync::SyncClock(SyncTrigger trigger) {
    if (m_busy) return OutcomeOf(SyncStatus::Busy);
    const BusyScope busy(m_busy);

    // A conversion error ends the synchronization here, before anything has changed.
    SyncOutcome outcome = m_source.Synchronize();
    SyncDecision decision = Decide(outcome, trigger);
    if (!decision.Question.empty()) {
        // No changes nothing, not even the tray tip's account of the last attempt.
        if (ShowMessageBox(decision.Question, MB_YESNO) != IDYES) return outcome;
        outcome = m_source.SetConfirmed(outcome);
        decision = Decide(outcome, trigger);
    }
    Carry(outcome, decision);
    return outcome;
}

void ClockSync::Carry(const SyncOutcome& outcome, const SyncDecision& decision) {
    if (outcome.Status == SyncStatus::Abandoned || outcome.Status == SyncStatus::Busy) return;
    if (decision.RecordSet) {
        LastSyncTime = outcome.LocalTime;
        const std::string text = DateTimeToText(LastSyncTime);
        m_view.SetLastPingText(text);
        WriteSetting(kSettingsKey, "LastPing", text);
        m_lastSet = text;
        m_unsetSince = outcome.LocalTime;
        m_unsetTold = false;
    } else if (decision.RecordAttempt) {
        LastSyncTime = outcome.LocalTime;
    }
    if (decision.StopDailyTimer) m_view.SetDailyTimerEnabled(false);
    m_lastAttemptFailed = decision.Failed;
    UpdateTrayTip();
    if (!decision.BalloonText.empty())
        m_view.ShowTrayBalloon(decision.BalloonTitle, decision.BalloonText);
    if (!decision.Message.empty()) ShowMessage(decision.Message);
}

void ClockSync::UpdateTrayTip() {
    m_view.SetTrayTip(
        TrayTipText(kTrayTipName, m_lastSet, m_view.AutomaticChecked(), m_lastAttemptFailed));
}

void ClockSync::mnuPingClick() {
    // The hourglass of the one running says why nothing happens.
    if (m_busy) return;
    const WaitCursor wait(m_view, &IClockSyncView::SetWindowWaitCursor);
    ProcessPendingMessages();
    SilentSync = false;
    SyncClock(SyncTrigger::PingNow);
}

void ClockSync::Timer1Timer() {
    m_view.SetSystemUtcText(DateTimeToText(CurrentUtc()));
    const DateTime now = CurrentLocal();
    if (now - LastSyncTime >= 1.0) m_view.SetDailyTimerEnabled(true);
    if (m_view.AutomaticChecked() && !m_unsetTold && UnsetTooLong(now, m_unsetSince)) {
        m_unsetTold = true;
        m_view.ShowTrayBalloon(
            std::string(kUnsetBalloonTitle),
            UnsetBalloonText(m_lastSet.empty() ? DateTimeToText(m_unsetSince) : m_lastSet));
    }
}

void ClockSync::Timer2Timer() {
    if (!m_view.AutomaticChecked() || m_busy) return;
    const WaitCursor wait(m_view, &IClockSyncView::SetApplicationWaitCursor);
    const SilentScope silent;
    SyncClock(SyncTrigger::Daily);
}

void ClockSync::mnuAutomaticClick() {
    const bool checked = !m_view.AutomaticChecked();
    m_view.SetAutomaticChecked(checked);
    m_view.SetTrayAutomaticChecked(checked);
    m_view.SetDailyTimerEnabled(checked);
    WriteSetting(kSettingsKey, "AutoPing", checked ? "True" : "");
    UpdateTrayTip();
}

void ClockSync::LoadDailySwitch() {
    const bool on = !ReadSetting(kSettingsKey, "AutoPing", "").empty();
    m_view.SetAutomaticChecked(on);
    m_view.SetTrayAutomaticChecked(on);
    m_view.SetDailyTimerEnabled(on);
    m_lastSet = ReadSetting(kSettingsKey, "LastPing", "");
    m_unsetSince = CurrentLocal();
    m_unsetTold = false;
    UpdateTrayTip();
}

}  // namespace cs
