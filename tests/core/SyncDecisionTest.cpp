#include "core/SyncDecision.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace cs {
namespace {

using ::testing::HasSubstr;

constexpr double kSecond = 1.0 / kSecondsPerDay;
constexpr double k90Seconds = 90 * kSecond;
constexpr double k16Hours = 16 * 3600 * kSecond;

// What each outcome leads to, by who started the synchronization.
struct DecisionCase {
    const char* Name;
    SyncStatus Status;
    SyncTrigger Trigger;
    double Difference;
    // Expected: message (empty for none; otherwise a text it must contain), question, balloon.
    std::string Message;
    bool Question;
    bool Balloon;
    bool RecordSet;
    bool RecordAttempt;
    bool StopDailyTimer;
    bool Failed;
};
void PrintTo(const DecisionCase& c, std::ostream* os) {
    *os << c.Name;
}

class DecideSyncTest : public ::testing::TestWithParam<DecisionCase> {};

TEST_P(DecideSyncTest, ShowsRecordsAndRearmsAsTheOutcomeAsks) {
    const DecisionCase& c = GetParam();
    SyncOutcome outcome = OutcomeOf(c.Status);
    outcome.Difference = c.Difference;
    outcome.Reason = "A required privilege is not held by the client.";
    outcome.PrivilegeMissing = true;
    const SyncDecision d = DecideSync(outcome, c.Trigger, "12/9/2026 6:04:07 PM");

    if (c.Message.empty()) {
        EXPECT_EQ(d.Message, "");
    } else {
        EXPECT_THAT(d.Message, HasSubstr(c.Message));
    }
    EXPECT_EQ(!d.Question.empty(), c.Question) << d.Question;
    EXPECT_EQ(!d.BalloonText.empty(), c.Balloon) << d.BalloonText;
    EXPECT_EQ(!d.BalloonTitle.empty(), c.Balloon);
    EXPECT_EQ(d.RecordSet, c.RecordSet);
    EXPECT_EQ(d.RecordAttempt, c.RecordAttempt);
    EXPECT_EQ(d.StopDailyTimer, c.StopDailyTimer);
    EXPECT_EQ(d.Failed, c.Failed);
}

constexpr auto P = SyncTrigger::PingNow;
constexpr auto D = SyncTrigger::Daily;
const std::string kReport = "System Clock has been adjusted by ...";
const std::string kCannot(kCannotReachText);
const std::string kOffline(kNoConnectionText);
const std::string kUnhealthy(kUnhealthyText);

INSTANTIATE_TEST_SUITE_P(
    Outcomes, DecideSyncTest,
    ::testing::Values(
        // name, status, trigger, difference, message, question, balloon, set, attempt, stop, failed
        DecisionCase{"SetPing", SyncStatus::Set, P, k90Seconds, kReport, false, false, true, false,
                     true, false},
        DecisionCase{"SetDaily", SyncStatus::Set, D, k90Seconds, "", false, false, true, false,
                     true, false},
        DecisionCase{"OfflinePing", SyncStatus::NoConnection, P, 0, kOffline, false, false, false,
                     false, false, true},
        DecisionCase{"OfflineDailyIsToldToo", SyncStatus::NoConnection, D, 0, kOffline, false,
                     false, false, false, false, true},
        DecisionCase{"NoTimePing", SyncStatus::NoTime, P, 0, kCannot, false, false, false, false,
                     false, true},
        DecisionCase{"NoTimeDailyRetries", SyncStatus::NoTime, D, 0, "", false, false, false, false,
                     false, true},
        DecisionCase{"UnhealthyPing", SyncStatus::Unhealthy, P, 0, kUnhealthy, false, false, false,
                     false, false, true},
        DecisionCase{"UnhealthyDailyRetries", SyncStatus::Unhealthy, D, 0, "", false, false, false,
                     false, false, true},
        DecisionCase{"TooLargePingAsks", SyncStatus::TooLarge, P, k16Hours, "", true, false, false,
                     false, false, false},
        DecisionCase{"TooLargeDailyBalloonIsTheDaysAttempt", SyncStatus::TooLarge, D, k16Hours, "",
                     false, true, false, true, true, true},
        DecisionCase{"RefusedPing", SyncStatus::Refused, P, k90Seconds, "could not be set", false,
                     false, false, true, true, true},
        DecisionCase{"RefusedDailyIsTheDaysAttempt", SyncStatus::Refused, D, k90Seconds, "", false,
                     false, false, true, true, true},
        DecisionCase{"BusyPing", SyncStatus::Busy, P, 0, "", false, false, false, false, false,
                     false},
        DecisionCase{"AbandonedDaily", SyncStatus::Abandoned, D, 0, "", false, false, false, false,
                     false, false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(DecideSyncTexts, TooLargeNamesTheServersTimeAndTheDifference) {
    SyncOutcome outcome = OutcomeOf(SyncStatus::TooLarge);
    outcome.Difference = -(k16Hours + 5 * kSecond);
    const SyncDecision asked = DecideSync(outcome, P, "12/9/2026 6:04:07 PM");
    EXPECT_THAT(asked.Question, HasSubstr("12/9/2026 6:04:07 PM UTC"));
    EXPECT_THAT(asked.Question, HasSubstr("16 Hours 0 Minutes 5 Seconds"));
    const SyncDecision daily = DecideSync(outcome, D, "");
    EXPECT_THAT(daily.BalloonText, HasSubstr("16 Hours 0 Minutes 5 Seconds"));
    EXPECT_THAT(daily.BalloonText, HasSubstr("\"Ping Now\""));
    // What the shell's balloon record holds.
    EXPECT_LT(daily.BalloonText.size(), 256u);
    EXPECT_LT(daily.BalloonTitle.size(), 64u);
}

struct WordsCase {
    double Days;
    const char* Text;
};
class DifferenceInWordsTest : public ::testing::TestWithParam<WordsCase> {};

TEST_P(DifferenceInWordsTest, DaysOnlyWhenThereAreAnyAndNeverASign) {
    EXPECT_EQ(DifferenceInWords(GetParam().Days), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(Differences, DifferenceInWordsTest,
                         ::testing::Values(WordsCase{k16Hours, "16 Hours 0 Minutes 0 Seconds"},
                                           WordsCase{-k16Hours, "16 Hours 0 Minutes 0 Seconds"},
                                           WordsCase{-1.5, "1 Days 12 Hours 0 Minutes 0 Seconds"},
                                           WordsCase{400.0 + 61 * kSecond,
                                                     "400 Days 0 Hours 1 Minutes 1 Seconds"}));

struct TipCase {
    const char* Name;
    const char* LastSet;
    bool DailyOn;
    bool Failed;
    std::string Tip;
};
void PrintTo(const TipCase& c, std::ostream* os) {
    *os << c.Name;
}
class TrayTipTest : public ::testing::TestWithParam<TipCase> {};

TEST_P(TrayTipTest, SaysHowTheClockStandsWithinTheTipsRoom) {
    const TipCase& c = GetParam();
    const std::string tip = TrayTipText("Veritan Clock Sync", c.LastSet, c.DailyOn, c.Failed);
    EXPECT_EQ(tip, c.Tip);
    EXPECT_LE(tip.size(), kMaxTrayTip);
}

const char* const kWhen = "12/9/2026 1:04:07 AM";
const std::string kLongWhen = "Wednesday, December 09, 2026 1:04:07 AM Eastern Time";

INSTANTIATE_TEST_SUITE_P(
    States, TrayTipTest,
    ::testing::Values(
        TipCase{"NeverSet", "", false, false, "Veritan Clock Sync"},
        TipCase{"Set", kWhen, true, false, "Veritan Clock Sync\nset 12/9/2026 1:04:07 AM"},
        TipCase{"FailedWithDailyOn", kWhen, true, true,
                "Veritan Clock Sync\nnot set since 12/9/2026 1:04:07 AM"},
        // Without the daily switch a failed "Ping Now" has told the user already.
        TipCase{"FailedWithDailyOff", kWhen, false, true,
                "Veritan Clock Sync\nset 12/9/2026 1:04:07 AM"},
        TipCase{"NeverSetAndFailing", "", true, true, "Veritan Clock Sync\nclock not set yet"},
        TipCase{"LongDateKeepsTheStatus", kLongWhen.c_str(), true, true,
                ("not set since " + kLongWhen).substr(0, 63)}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace cs
