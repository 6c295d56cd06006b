#include "time/ClockSync.h"

#include <windows.h>

#include "core/Adjustment.h"
#include "core/DaytimeReply.h"
#include "platform/Dialogs.h"
#include "platform/Locale.h"
#include "platform/Messages.h"
#include "platform/Seams.h"
#include "platform/SystemError.h"
#include "platform/SystemTimes.h"
#include "settings/Settings.h"
#include "time/DaytimeClient.h"
#include "time/TimeZone.h"

namespace cs {

bool SilentSync = false;
DateTime LastSyncTime = 0.0;

namespace {

constexpr const char* kCannotReach =
    "Cannot reach then specified Veritan Clock.  This may be \r\n"
    "caused by misconfigured proxy information or a firewall \r\n"
    "preventing access to port 13";

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

}  // namespace

double ClockSync::SyncClock(bool apply, bool* clockSet) {
    if (clockSet) *clockSet = false;
    constexpr double result = NoTimeObtained;

    std::string reply;
    const FetchResult fetched = QueryTimeServer(false, reply);
    // Without a connection the client has told the user already.
    if (fetched == FetchResult::NoConnection) return result;
    if (fetched == FetchResult::Failed) {
        if (!SilentSync) ShowMessage(kCannotReach);
        return result;
    }
    if (reply.empty()) return result;

    // A conversion error ends the synchronization here, before anything has changed.
    const DateTime server = ParseDaytimeReply(reply);
    if (server == 0.0) {
        if (!SilentSync) ShowMessage(kCannotReach);
        return result;
    }
    // Taken after the parse, so that the difference is as fresh as the server's time allows.
    const double difference = server - CurrentUtc();
    if (!apply) return difference;

    // The local time of the synchronization is the one before the clock moves.
    const DateTime localBefore = CurrentLocal();
    const DWORD error = SystemTime().SetSystemTime(DateTimeToSystemTime(server));
    if (error != ERROR_SUCCESS) {
        // Nothing happened, so nothing is recorded and the daily timer keeps trying.
        if (!SilentSync) {
            ShowMessage(ClockNotSetText(difference, SystemErrorText(error),
                                        error == ERROR_PRIVILEGE_NOT_HELD));
        }
        return difference;
    }
    LastSyncTime = localBefore;
    const std::string text = DateTimeToText(LastSyncTime);
    m_view.SetLastPingText(text);
    WriteSetting(kSettingsKey, "LastPing", text);
    m_view.SetDailyTimerEnabled(false);
    if (clockSet) *clockSet = true;
    return difference;
}

void ClockSync::ShowAdjustment(double days) {
    ShowMessage(AdjustmentText(days));
}

void ClockSync::mnuPingClick() {
    const WaitCursor wait(m_view, &IClockSyncView::SetWindowWaitCursor);
    ProcessPendingMessages();
    SilentSync = false;
    bool clockSet = false;
    const double difference = SyncClock(true, &clockSet);
    // A clock the system refused to set has had its own message instead of the report.
    if (difference != NoTimeObtained && clockSet) ShowAdjustment(difference);
}

void ClockSync::Timer1Timer() {
    m_view.SetSystemUtcText(DateTimeToText(CurrentUtc()));
    if (CurrentLocal() - LastSyncTime >= 1.0) m_view.SetDailyTimerEnabled(true);
}

void ClockSync::Timer2Timer() {
    if (!m_view.AutomaticChecked()) return;
    const WaitCursor wait(m_view, &IClockSyncView::SetApplicationWaitCursor);
    const SilentScope silent;
    SyncClock(true);
}

void ClockSync::mnuAutomaticClick() {
    const bool checked = !m_view.AutomaticChecked();
    m_view.SetAutomaticChecked(checked);
    m_view.SetTrayAutomaticChecked(checked);
    m_view.SetDailyTimerEnabled(checked);
    WriteSetting(kSettingsKey, "AutoPing", checked ? "True" : "");
}

void ClockSync::LoadDailySwitch() {
    const bool on = !ReadSetting(kSettingsKey, "AutoPing", "").empty();
    m_view.SetAutomaticChecked(on);
    m_view.SetTrayAutomaticChecked(on);
    m_view.SetDailyTimerEnabled(on);
}

}  // namespace cs
