#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <ostream>

#include "platform/Locale.h"
#include "support/Fakes.h"
#include "time/ClockSync.h"
#include "time/DaytimeClient.h"
#include "time/SyncTestSupport.h"

namespace cs {
namespace {

using test::FakeClockSyncView;
using test::SyncSettingsScope;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

SYSTEMTIME ToSystemTime(DateTime value) {
    const CivilDate d = DecodeDate(value);
    const TimeOfDay t = DecodeTime(value);
    return test::MakeSystemTime(d.Year, d.Month, d.Day, t.Hour, t.Minute, t.Second, t.Millisecond);
}

constexpr double kSecond = 1.0 / kSecondsPerDay;
const DateTime kStartUtc = EncodeDate(2007, 12, 3) + EncodeTime(8, 0, 0, 0);
const DateTime kStartLocal = EncodeDate(2007, 12, 3) + EncodeTime(3, 0, 0, 0);

// The main window's two timers over a simulated clock, one second per step: Timer1 every second,
// Timer2 every 60 s while enabled, its countdown starting over only when it is enabled from
// disabled. The server answers with the simulated time whenever it is up.
class DailyCycle : public test::SyncSeams {
protected:
    DailyCycle() {
        SilentSync = false;
        LastSyncTime = 0.0;
        ServerAddress = "192.0.2.13";
        // The design state before start-up: both items checked, Timer2 not yet enabled.
        m_view.Timer2Enabled = false;
        SetClock();
    }

    DateTime NowUtc() const { return kStartUtc + m_elapsed * kSecond; }
    DateTime NowLocal() const { return kStartLocal + m_elapsed * kSecond; }

    void Start(std::optional<const char*> autoPing) {
        if (autoPing) WriteSetting(kSettingsKey, "AutoPing", *autoPing);
        m_sync.LoadDailySwitch();
    }

    // step > 1 runs Timer1 only every step seconds, for simulations over days; it divides 60.
    void Run(int seconds, int step = 1) {
        for (int i = 0; i < seconds; i += step) {
            m_elapsed += step;
            SetClock();
            if (m_view.Timer2Enabled && (m_view.Timer2Countdown -= step) <= 0) {
                m_view.Timer2Countdown = 60;
                m_internet.Data = m_serverUp ? test::NistReply(NowUtc() + m_serverAhead * kSecond)
                                             : "\nno time line\n";
                const std::size_t fetches = m_internet.UrlOpens.size();
                const std::size_t sets = m_time.SetTimes.size();
                m_sync.Timer2Timer();
                if (m_internet.UrlOpens.size() != fetches) Attempts.push_back(m_elapsed);
                if (m_time.SetTimes.size() != sets) Syncs.push_back(m_elapsed);
            }
            m_sync.Timer1Timer();
            // Keep the fake's call log from growing over a simulated day.
            m_time.Calls.clear();
        }
    }

    void SetClock() {
        m_time.Utc = ToSystemTime(NowUtc());
        m_time.Local = ToSystemTime(NowLocal());
    }

    FakeClockSyncView m_view;
    ClockSync m_sync{m_view};
    int m_elapsed = 0;
    bool m_serverUp = true;
    int m_serverAhead = 0;      // seconds
    std::vector<int> Attempts;  // seconds after start at which Timer2 asked the server
    std::vector<int> Syncs;     // ... and at which it set the clock
};

TEST_F(DailyCycle, SwitchedOnAtStartSyncsAfterAMinuteAndThenADayAndAMinuteLater) {
    Start("True");
    EXPECT_TRUE(m_view.Automatic);
    EXPECT_TRUE(m_view.TrayAutomatic);
    EXPECT_TRUE(m_view.Timer2Enabled);

    Run(61);
    EXPECT_THAT(Syncs, ElementsAre(60));
    EXPECT_FALSE(m_view.Timer2Enabled);
    EXPECT_NEAR(LastSyncTime, NowLocal() - kSecond, 1e-9);
    EXPECT_THAT(m_boxes.Shown, IsEmpty());  // no report for the daily sync

    Run(86400 + 60);
    EXPECT_THAT(Syncs, ElementsAre(60, 60 + 86400 + 60));
    EXPECT_THAT(m_boxes.Shown, IsEmpty());
}

TEST_F(DailyCycle, RetriesEveryMinuteUntilASyncSucceeds) {
    Start("True");
    m_serverUp = false;
    Run(200);
    EXPECT_THAT(Attempts, ElementsAre(60, 120, 180));
    EXPECT_THAT(Syncs, IsEmpty());
    EXPECT_TRUE(m_view.Timer2Enabled);
    EXPECT_EQ(LastSyncTime, 0.0);
    EXPECT_THAT(m_boxes.Shown, IsEmpty());

    m_serverUp = true;
    Run(3600);
    EXPECT_THAT(Attempts, ElementsAre(60, 120, 180, 240));
    EXPECT_THAT(Syncs, ElementsAre(240));
}

// A time was obtained, but the clock was not set: asking again a minute later would end the
// same way, so the next attempt comes a day later, as after a set.
struct DayAttemptCase {
    const char* Name;
    DWORD SetResult;
    int ServerAhead;  // seconds
    std::size_t Balloons;
};
void PrintTo(const DayAttemptCase& c, std::ostream* os) {
    *os << c.Name;
}

class DayAttempt : public DailyCycle, public ::testing::WithParamInterface<DayAttemptCase> {};

TEST_P(DayAttempt, NoSecondRequestWithinTheDay) {
    WriteSetting(kSettingsKey, "LastPing", "before");
    Start("True");
    m_time.SetResult = GetParam().SetResult;
    m_serverAhead = GetParam().ServerAhead;
    Run(120);
    Run(86400 - 120, 30);
    EXPECT_THAT(Attempts, ElementsAre(60));
    EXPECT_FALSE(m_view.Timer2Enabled);
    EXPECT_EQ(m_view.LastPing, std::nullopt);
    EXPECT_EQ(SyncSettingsScope::Raw("LastPing"), "before");
    EXPECT_EQ(m_view.Balloons.size(), GetParam().Balloons);
    EXPECT_THAT(m_boxes.Shown, IsEmpty());
    EXPECT_EQ(m_view.TrayTip, "Veritan Clock Sync\nnot set since before");

    Run(120);
    EXPECT_THAT(Attempts, ElementsAre(60, 60 + 86400 + 60));
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, DayAttempt,
    ::testing::Values(DayAttemptCase{"Refused", ERROR_PRIVILEGE_NOT_HELD, 90, 0},
                      DayAttemptCase{"SixteenHoursAhead", ERROR_SUCCESS, 16 * 3600, 1},
                      DayAttemptCase{"SixteenHoursBehind", ERROR_SUCCESS, -16 * 3600, 1}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DailyCycle, ThreeDaysWithoutASetAreToldOnceAndAgainAfterTheNextStretch) {
    Start("True");
    m_time.SetResult = ERROR_PRIVILEGE_NOT_HELD;
    Run(3 * 86400 - 60, 30);
    EXPECT_THAT(m_view.Balloons, IsEmpty());
    Run(2 * 86400, 30);
    ASSERT_EQ(m_view.Balloons.size(), 1u);
    EXPECT_THAT(m_view.Balloons[0],
                HasSubstr("has not been set since " + DateTimeToText(kStartLocal)));

    // A set ends the stretch; the next one is told again.
    m_time.SetResult = ERROR_SUCCESS;
    Run(86400 + 120, 30);
    ASSERT_EQ(m_view.Balloons.size(), 1u);
    ASSERT_TRUE(m_view.LastPing.has_value());
    m_time.SetResult = ERROR_PRIVILEGE_NOT_HELD;
    Run(4 * 86400, 30);
    ASSERT_EQ(m_view.Balloons.size(), 2u);
    EXPECT_THAT(m_view.Balloons[1], HasSubstr("has not been set since " + *m_view.LastPing));
}

TEST_F(DailyCycle, NoWordOfAnUnsetClockWhileTheSwitchIsOff) {
    Start(std::nullopt);
    Run(3 * 86400 + 60, 30);
    EXPECT_THAT(m_view.Balloons, IsEmpty());
}

TEST_F(DailyCycle, SwitchedOffAtStartNeverSyncsThoughTimer2Ticks) {
    Start(std::nullopt);
    EXPECT_FALSE(m_view.Automatic);
    EXPECT_FALSE(m_view.TrayAutomatic);
    EXPECT_FALSE(m_view.Timer2Enabled);

    Run(1);  // no sync yet in this run, so a day has passed since the last one
    EXPECT_TRUE(m_view.Timer2Enabled);
    Run(600);
    EXPECT_THAT(Attempts, IsEmpty());
    EXPECT_EQ(m_internet.ConnectedCalls, 0);
}

TEST_F(DailyCycle, TheDailyItemsSwitchOffAndOnAndSyncFollowsAMinuteAfterSwitchingOn) {
    Start("True");
    Run(100);
    ASSERT_THAT(Syncs, ElementsAre(60));

    m_sync.mnuAutomaticClick();
    EXPECT_FALSE(m_view.Automatic);
    EXPECT_FALSE(m_view.TrayAutomatic);
    EXPECT_FALSE(m_view.Timer2Enabled);
    EXPECT_EQ(SyncSettingsScope::Raw("AutoPing"), "");  // written empty, not deleted
    Run(100);

    m_sync.mnuAutomaticClick();
    EXPECT_TRUE(m_view.Automatic);
    EXPECT_TRUE(m_view.TrayAutomatic);
    EXPECT_TRUE(m_view.Timer2Enabled);
    EXPECT_EQ(SyncSettingsScope::Raw("AutoPing"), "True");
    // However recent the last sync, the next follows a minute after the switch.
    Run(61);
    EXPECT_THAT(Syncs, ElementsAre(60, 260));
}

struct SwitchCase {
    const char* Name;
    std::optional<const char*> Stored;
    bool On;
};
void PrintTo(const SwitchCase& c, std::ostream* os) {
    *os << c.Name;
}

class DailySwitchAtStart : public DailyCycle, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(DailySwitchAtStart, FollowsTheStoredSetting) {
    m_view.Automatic = !GetParam().On;
    m_view.TrayAutomatic = !GetParam().On;
    Start(GetParam().Stored);
    EXPECT_EQ(m_view.Automatic, GetParam().On);
    EXPECT_EQ(m_view.TrayAutomatic, GetParam().On);
    EXPECT_EQ(m_view.Timer2Enabled, GetParam().On);
}

INSTANTIATE_TEST_SUITE_P(Settings, DailySwitchAtStart,
                         ::testing::Values(SwitchCase{"Missing", std::nullopt, false},
                                           SwitchCase{"Empty", "", false},
                                           SwitchCase{"True", "True", true},
                                           // An on/off setting is on whenever it has text.
                                           SwitchCase{"AnyText", "False", true}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DailyCycle, Timer1ShowsUtcAndReArmsAfterExactlyOneDay) {
    LastSyncTime = EncodeDate(2007, 12, 2) + EncodeTime(3, 0, 1, 0);
    m_sync.Timer1Timer();
    EXPECT_EQ(m_view.SystemUtc, DateTimeToText(kStartUtc));
    EXPECT_FALSE(m_view.Timer2Enabled);

    LastSyncTime = EncodeDate(2007, 12, 2) + EncodeTime(3, 0, 0, 0);
    m_sync.Timer1Timer();
    EXPECT_TRUE(m_view.Timer2Enabled);
}

}  // namespace
}  // namespace cs
