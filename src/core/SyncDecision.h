#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "core/DateTime.h"

namespace cs {

// How one attempt to obtain the server's time and set the clock ended. The same values come
// from the program's own request and from anything else that obtains the time and sets the
// clock on its behalf.
enum class SyncStatus {
    Set,           // the clock was set: Difference, LocalTime
    NoConnection,  // no internet connection at all
    NoTime,        // no server gave a usable time
    Unhealthy,     // every line that came said its server's clock must not be used
    TooLarge,      // a usable time beyond the unattended bound, not applied: Difference, ServerTime
    Refused,       // the system refused to set the clock: Difference, LocalTime, Reason
    Busy,          // another synchronization is running
    Abandoned,     // the program is ending: nothing more may be shown or written
};

struct SyncOutcome {
    SyncStatus Status = SyncStatus::NoTime;
    // Server minus system, in days.
    double Difference = 0.0;
    // UTC, as the server sent it.
    DateTime ServerTime = 0.0;
    // Local time of the attempt, taken before the clock moved.
    DateTime LocalTime = 0.0;
    // Refused: the system's reason, and whether it was the missing right to set the clock.
    std::string Reason;
    bool PrivilegeMissing = false;
};

// An outcome that carries nothing but its status.
inline SyncOutcome OutcomeOf(SyncStatus status) {
    SyncOutcome outcome;
    outcome.Status = status;
    return outcome;
}

enum class SyncTrigger {
    PingNow,  // the user asked: every outcome is told
    Daily,    // nobody watches: quiet unless something needs the user
};

// What the program does with an outcome.
struct SyncDecision {
    // A message box of the program's own (no icon, OK) when not empty.
    std::string Message;
    // A Yes/No question when not empty; Yes asks for the clock to be set after all.
    std::string Question;
    // A notification balloon on the tray icon when the text is not empty.
    std::string BalloonTitle;
    std::string BalloonText;
    // The clock was set: LastSyncTime, the last-ping label and the LastPing setting.
    bool RecordSet = false;
    // This counts as the day's attempt: LastSyncTime in memory only, so the next automatic one
    // comes a day later.
    bool RecordAttempt = false;
    // Timer2 off. Otherwise it stays as it is and a daily attempt is repeated a minute later.
    bool StopDailyTimer = false;
    // The attempt ended without setting the clock (for the tray tip).
    bool Failed = false;
};

inline constexpr std::string_view kCannotReachText =
    "Cannot reach then specified Veritan Clock.  This may be \r\n"
    "caused by misconfigured proxy information or a firewall \r\n"
    "preventing access to port 13";
inline constexpr std::string_view kNoConnectionText =
    "No on-line connection to the internet currently exists.";
inline constexpr std::string_view kUnhealthyText =
    "The time server reports that its own clock may be wrong, so the System Clock was not "
    "set.\r\n\r\nChoose another server under File > Time Servers.";

// serverTimeText is the server's time (ServerTime) as date-time text, for the question.
SyncDecision DecideSync(const SyncOutcome& outcome, SyncTrigger trigger,
                        std::string_view serverTimeText);

// The difference on one line: "16 Hours 0 Minutes 5 Seconds", with the days first when there
// are any ("2 Days 0 Hours ...").
std::string DifferenceInWords(double days);

// The tray icon's tip: the program's name, then "set <when>" of the last set, or, with the daily
// switch on and the last attempt failed, since when the clock has not been set. lastSet is the
// date-time text of the last set, empty when the clock was never set. At most 63 characters.
inline constexpr std::size_t kMaxTrayTip = 63;
std::string TrayTipText(std::string_view name, std::string_view lastSet, bool dailyOn,
                        bool lastAttemptFailed);

// With the daily switch on, the stretch without a set after which the user is told once.
inline constexpr double kUnsetWarningDays = 3.0;
bool UnsetTooLong(DateTime nowLocal, DateTime unsetSince);

// The balloon for such a stretch; since is the date-time text of its start.
inline constexpr std::string_view kUnsetBalloonTitle = "System Clock not set";
std::string UnsetBalloonText(std::string_view since);

}  // namespace cs
