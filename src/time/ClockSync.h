#pragma once
#include <string>

#include "core/DateTime.h"

namespace cs {

// SyncClock's result when no valid server time was obtained. Every other result is a
// difference in days (server minus system).
inline constexpr double NoTimeObtained = 666.0;

// True only while the daily timer runs a synchronization: it keeps the cannot-reach message
// (and the could-not-set message) from popping up unasked.
extern bool SilentSync;

// Local time of the last successful synchronization; 0.0 until one succeeds in this run.
extern DateTime LastSyncTime;

// What the synchronization needs of the main window: its last-ping and UTC labels, the daily
// timer Timer2, the two daily-switch items (mnuAutomatic, PingDaily1) and the cursors.
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
};

// The synchronization commands and timers of the main window.
class ClockSync {
public:
    explicit ClockSync(IClockSyncView& view) : m_view(view) {}

    // Fetches the server time and, when apply is set, sets the clock to it. Returns server
    // minus system time in days, or NoTimeObtained. clockSet (when given) tells whether the
    // clock was really set.
    double SyncClock(bool apply, bool* clockSet = nullptr);
    void ShowAdjustment(double days);

    void mnuPingClick();
    void mnuAutomaticClick();
    void Timer1Timer();
    void Timer2Timer();
    // The daily switch's state at start-up, from the AutoPing setting.
    void LoadDailySwitch();

private:
    IClockSyncView& m_view;
};

}  // namespace cs
