#pragma once
#include <string>

#include "core/DateTime.h"
#include "core/SyncDecision.h"
#include "time/ClockSource.h"

namespace cs {

// The program's name as the tray tip begins.
inline constexpr char kTrayTipName[] = "Veritan Clock Sync";

// True only while the daily timer runs a synchronization.
extern bool SilentSync;

// Local time of the last synchronization that counts as the day's attempt (one that set the
// clock, or obtained a time the clock could not or should not be set to); 0.0 until then.
extern DateTime LastSyncTime;

// What the synchronization needs of the main window: its last-ping and UTC labels, the daily
// timer Timer2, the two daily-switch items (mnuAutomatic, PingDaily1), the cursors and the tray
// icon.
class IClockSyncView {
public:
    virtual ~IClockSyncView() = default;
    virtual void SetLastPingText(const std::string& text) = 0;   // lblLastPing
    virtual void SetSystemUtcText(const std::string& text) = 0;  // lblSystemUtc
    virtual bool DailyTimerEnabled() const = 0;                  // Timer2
    // Enabling an enabled timer changes nothing and does not restart its countdown.
    virtual void SetDailyTimerEnabled(bool enabled) = 0;
    virtual bool AutomaticChecked() const = 0;               // mnuAutomatic
    virtual void SetAutomaticChecked(bool checked) = 0;      // mnuAutomatic
    virtual void SetTrayAutomaticChecked(bool checked) = 0;  // PingDaily1
    virtual void SetWindowWaitCursor(bool wait) = 0;         // the main window's cursor
    virtual void SetApplicationWaitCursor(bool wait) = 0;    // over all program windows
    virtual void SetTrayTip(const std::string& text) = 0;
    virtual void ShowTrayBalloon(const std::string& title, const std::string& text) = 0;
};

// The synchronization commands and timers of the main window. One synchronization at a time:
// a "Ping Now" or daily tick while one runs (its request, its question or its message) starts
// nothing.
class ClockSync {
public:
    // The program's own way of obtaining the time and setting the clock.
    explicit ClockSync(IClockSyncView& view) : m_view(view), m_source(m_daytime) {}
    // Another way, with the same decisions, messages and records.
    ClockSync(IClockSyncView& view, IClockSource& source) : m_view(view), m_source(source) {}

    // One synchronization: obtain the time and set the clock through the source, then show,
    // record and re-arm as the outcome asks. Returns the outcome (after the user's answer, when
    // a question was asked).
    SyncOutcome SyncClock(SyncTrigger trigger);
    bool Busy() const noexcept { return m_busy; }

    void mnuPingClick();
    void mnuAutomaticClick();
    void Timer1Timer();
    void Timer2Timer();
    // The daily switch's state at start-up, from the AutoPing setting; the last set from
    // LastPing, for the tray tip; the stretch without a set begins.
    void LoadDailySwitch();

private:
    void Carry(const SyncOutcome& outcome, const SyncDecision& decision);
    void UpdateTrayTip();

    IClockSyncView& m_view;
    DaytimeClockSource m_daytime;
    IClockSource& m_source;
    bool m_busy = false;
    // The date-time text of the last set, empty while the clock was never set.
    std::string m_lastSet;
    bool m_lastAttemptFailed = false;
    // Since when, in this run, no synchronization has set the clock; and whether the user has
    // been told of this stretch.
    DateTime m_unsetSince = 0.0;
    bool m_unsetTold = false;
};

}  // namespace cs
