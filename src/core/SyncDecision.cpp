#include "core/SyncDecision.h"

#include <string>

#include "core/Adjustment.h"

namespace cs {
namespace {

constexpr std::string_view kCrLf = "\r\n";

SyncDecision Tell(std::string_view text) {
    SyncDecision decision;
    decision.Message = text;
    decision.Failed = true;
    return decision;
}

}  // namespace

std::string DifferenceInWords(double days) {
    const Adjustment a = SplitAdjustment(days);
    std::string text;
    if (a.Days != 0) text = std::to_string(a.Days < 0 ? -a.Days : a.Days) + " Days ";
    return text + std::to_string(a.Hours) + " Hours " + std::to_string(a.Minutes) + " Minutes " +
           std::to_string(a.Seconds) + " Seconds";
}

SyncDecision DecideSync(const SyncOutcome& outcome, SyncTrigger trigger,
                        std::string_view serverTimeText) {
    const bool asked = trigger == SyncTrigger::PingNow;
    SyncDecision decision;
    switch (outcome.Status) {
        case SyncStatus::Set:
            decision.RecordSet = true;
            decision.StopDailyTimer = true;
            if (asked) decision.Message = AdjustmentText(outcome.Difference);
            return decision;

        case SyncStatus::NoConnection:
            // Said also when nobody asked: without a connection nothing will ever work.
            return Tell(kNoConnectionText);

        case SyncStatus::NoTime:
        case SyncStatus::Unhealthy:
            // No time at all: the daily attempt is repeated a minute later.
            if (asked) {
                return Tell(outcome.Status == SyncStatus::NoTime ? kCannotReachText
                                                                 : kUnhealthyText);
            }
            decision.Failed = true;
            return decision;

        case SyncStatus::TooLarge:
            if (asked) {
                decision.Question = "The time server's time, " + std::string(serverTimeText) +
                                    " UTC, differs from the System Clock by " +
                                    DifferenceInWords(outcome.Difference) + "." +
                                    std::string(kCrLf) + std::string(kCrLf) +
                                    "Set the System Clock to the server's time?";
                return decision;
            }
            // A change that large is more likely a wrong or forged time than a wrong clock; it
            // waits for someone to confirm it, and asking again every minute changes nothing.
            decision.BalloonTitle = "System Clock left unchanged";
            decision.BalloonText = "The time server's time differs from the System Clock by " +
                                   DifferenceInWords(outcome.Difference) +
                                   ", more than is changed without asking. \"Ping Now\" will "
                                   "set it.";
            decision.RecordAttempt = true;
            decision.StopDailyTimer = true;
            decision.Failed = true;
            return decision;

        case SyncStatus::Refused:
            // The server answered; asking it again every minute would be refused just the same.
            decision.RecordAttempt = true;
            decision.StopDailyTimer = true;
            decision.Failed = true;
            if (asked) {
                decision.Message =
                    ClockNotSetText(outcome.Difference, outcome.Reason, outcome.PrivilegeMissing);
            }
            return decision;

        case SyncStatus::Busy:
        case SyncStatus::Abandoned: return decision;
    }
    return decision;
}

std::string TrayTipText(std::string_view name, std::string_view lastSet, bool dailyOn,
                        bool lastAttemptFailed) {
    std::string status;
    if (dailyOn && lastAttemptFailed) {
        status = lastSet.empty() ? "clock not set yet" : "not set since " + std::string(lastSet);
    } else if (!lastSet.empty()) {
        status = "set " + std::string(lastSet);
    }
    if (status.empty()) return std::string(name.substr(0, kMaxTrayTip));
    std::string tip = std::string(name) + "\n" + status;
    // A long date format would cut the part that matters: that goes before the name.
    if (tip.size() > kMaxTrayTip) tip = status.substr(0, kMaxTrayTip);
    return tip;
}

bool UnsetTooLong(DateTime nowLocal, DateTime unsetSince) {
    return nowLocal - unsetSince >= kUnsetWarningDays;
}

std::string UnsetBalloonText(std::string_view since) {
    return "The System Clock has not been set since " + std::string(since) +
           ". \"Ping Now\" will show why.";
}

}  // namespace cs
