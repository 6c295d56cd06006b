#include "time/ClockSync.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <ostream>

#include "core/Exception.h"
#include "platform/AppInfo.h"
#include "platform/Locale.h"
#include "platform/SystemError.h"
#include "support/Fakes.h"
#include "time/DaytimeClient.h"
#include "time/SyncTestSupport.h"

namespace cs {
namespace {

using test::FakeClockSyncView;
using test::NistReply;
using test::ShownBox;
using test::SyncSettingsScope;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

const std::string kCannotReach =
    "Cannot reach then specified Veritan Clock.  This may be \r\n"
    "caused by misconfigured proxy information or a firewall \r\n"
    "preventing access to port 13";
const std::string kNoConnection = "No on-line connection to the internet currently exists.";

// The system clock is 89.75 s behind the server: its milliseconds count in the difference.
const DateTime kUtc = EncodeDate(2007, 12, 3) + EncodeTime(21, 38, 17, 250);
const DateTime kLocal = EncodeDate(2007, 12, 3) + EncodeTime(16, 38, 17, 250);
const DateTime kServer = EncodeDate(2007, 12, 3) + EncodeTime(21, 39, 47, 0);
const char* const kReportLines = "0 Days\r\n0 Hours\r\n1 Minutes\r\n29 Seconds";

class SyncClockTest : public test::SyncSeams {
protected:
    SyncClockTest() {
        SilentSync = false;
        LastSyncTime = 0.0;
        ServerAddress = "192.0.2.13";
        m_time.Utc = test::MakeSystemTime(2007, 12, 3, 21, 38, 17, 250);
        m_time.Local = test::MakeSystemTime(2007, 12, 3, 16, 38, 17, 250);
        m_internet.Data = NistReply(kServer);
    }
    ~SyncClockTest() override { SilentSync = false; }

    // Nothing of a synchronization was recorded: clock, last-ping label and setting, timer.
    void ExpectNothingRecorded() {
        EXPECT_TRUE(m_time.SetTimes.empty());
        EXPECT_EQ(LastSyncTime, 0.0);
        EXPECT_EQ(m_view.LastPing, std::nullopt);
        EXPECT_EQ(SyncSettingsScope::Raw("LastPing"), "before");
        EXPECT_TRUE(m_view.Timer2Enabled);
    }

    FakeClockSyncView m_view{&m_time.Calls};
    ClockSync m_sync{m_view};
};

TEST_F(SyncClockTest, TakesTheLocalTimeBeforeSettingTheClockAndRecordsItAfter) {
    const SyncOutcome outcome = m_sync.SyncClock(SyncTrigger::Daily);

    EXPECT_EQ(outcome.Status, SyncStatus::Set);
    EXPECT_NEAR(outcome.Difference * kSecondsPerDay, 89.75, 1e-6);
    EXPECT_THAT(m_time.Calls,
                ElementsAre("GetLocalTime", "SetSystemTime", "SetLastPingText", "DisableTimer2"));
    // The server's time as sent, in UTC, to the whole second; 3 December 2007 was a Monday.
    ASSERT_EQ(m_time.SetTimes.size(), 1u);
    const SYSTEMTIME& set = m_time.SetTimes[0];
    EXPECT_EQ(std::vector<int>({set.wYear, set.wMonth, set.wDayOfWeek, set.wDay, set.wHour,
                                set.wMinute, set.wSecond, set.wMilliseconds}),
              std::vector<int>({2007, 12, 1, 3, 21, 39, 47, 0}));
    EXPECT_EQ(LastSyncTime, kLocal);
    EXPECT_EQ(m_view.LastPing, DateTimeToText(kLocal));
    EXPECT_EQ(SyncSettingsScope::Raw("LastPing"), m_view.LastPing);
    EXPECT_FALSE(m_view.Timer2Enabled);
    EXPECT_TRUE(m_boxes.Shown.empty());
}

TEST_F(SyncClockTest, PingReportsTheAdjustmentAfterSettingTheClock) {
    m_boxes.OnShow = [&] { EXPECT_EQ(m_time.SetTimes.size(), 1u); };
    m_sync.mnuPingClick();

    ASSERT_EQ(m_boxes.Shown.size(), 1u);
    EXPECT_EQ(m_boxes.Shown[0].Text,
              std::string("System Clock has been adjusted by ...\r\n\r\n") + kReportLines);
    EXPECT_EQ(m_boxes.Shown[0].Caption, ApplicationTitle());
    EXPECT_EQ(m_boxes.Shown[0].Type & (MB_ICONMASK | MB_TYPEMASK), UINT{MB_OK});
    EXPECT_THAT(m_view.WindowCursor, ElementsAre(true, false));
}

TEST_F(SyncClockTest, PingSpeaksUpEvenAfterAnInterruptedDailySync) {
    SilentSync = true;
    m_internet.Data = "\nnot a time line\n";
    m_sync.mnuPingClick();
    ASSERT_EQ(m_boxes.Shown.size(), 1u);
    EXPECT_EQ(m_boxes.Shown[0].Text, kCannotReach);
}

struct NoTimeCase {
    const char* Name;
    std::function<void(test::FakeInternet&)> Arrange;
    bool Silent;
    std::vector<std::string> Boxes;
};
void PrintTo(const NoTimeCase& c, std::ostream* os) {
    *os << c.Name;
}

class SyncWithoutTime : public SyncClockTest, public ::testing::WithParamInterface<NoTimeCase> {};

TEST_P(SyncWithoutTime, TellsOnlyWhatItMustAndChangesNothing) {
    WriteSetting(kSettingsKey, "LastPing", "before");
    GetParam().Arrange(m_internet);
    SilentSync = GetParam().Silent;

    EXPECT_NE(
        m_sync.SyncClock(GetParam().Silent ? SyncTrigger::Daily : SyncTrigger::PingNow).Status,
        SyncStatus::Set);

    std::vector<std::string> shown;
    for (const auto& box : m_boxes.Shown) shown.push_back(box.Text);
    EXPECT_EQ(shown, GetParam().Boxes);
    ExpectNothingRecorded();
}

const auto kUnusableReply = [](test::FakeInternet& i) { i.Data = "\n60000 no time here\n"; };
// A time the server itself says is off by more than 5 s, and one it says is failed.
const auto kOffBy5s = [](test::FakeInternet& i) {
    i.Data = "\n54437 07-12-03 21:39:47 00 0 2 50.0 UTC(NIST) *\n";
};
const auto kFailedServer = [](test::FakeInternet& i) {
    i.Data = "\n54437 07-12-03 21:39:47 00 0 3 50.0 UTC(NIST) *\n";
};
const std::string kUnhealthy(kUnhealthyText);
const auto kFailedFetch = [](test::FakeInternet& i) { i.FailOpenUrl = true; };
const auto kOffline = [](test::FakeInternet& i) { i.Connected = FALSE; };

INSTANTIATE_TEST_SUITE_P(
    Replies, SyncWithoutTime,
    ::testing::Values(NoTimeCase{"UnusableReply", kUnusableReply, false, {kCannotReach}},
                      NoTimeCase{"UnusableReplySilent", kUnusableReply, true, {}},
                      NoTimeCase{"UnhealthyReply", kOffBy5s, false, {kUnhealthy}},
                      NoTimeCase{"FailedServerReply", kFailedServer, false, {kUnhealthy}},
                      NoTimeCase{"UnhealthyReplySilent", kOffBy5s, true, {}},
                      NoTimeCase{"FailedFetch", kFailedFetch, false, {kCannotReach}},
                      NoTimeCase{"FailedFetchSilent", kFailedFetch, true, {}},
                      // The client has said so already, also during the daily sync.
                      NoTimeCase{"Offline", kOffline, false, {kNoConnection}},
                      NoTimeCase{"OfflineSilent", kOffline, true, {kNoConnection}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SyncClockTest, DailySyncIsSilentAboutAnUnreachableServerAndStaysArmed) {
    WriteSetting(kSettingsKey, "LastPing", "before");
    m_internet.Data = "\nnot a time line\n";
    m_sync.Timer2Timer();
    EXPECT_TRUE(m_boxes.Shown.empty());
    EXPECT_FALSE(SilentSync);
    EXPECT_THAT(m_view.ApplicationCursor, ElementsAre(true, false));
    ExpectNothingRecorded();
}

TEST_F(SyncClockTest, DailySyncDoesNothingWhileSwitchedOff) {
    m_view.Automatic = false;
    m_sync.Timer2Timer();
    EXPECT_EQ(m_internet.ConnectedCalls, 0);
    EXPECT_TRUE(m_view.ApplicationCursor.empty());
    EXPECT_TRUE(m_time.SetTimes.empty());
}

TEST_F(SyncClockTest, ConversionErrorLeavesEverythingButRestoresCursorAndSilence) {
    WriteSetting(kSettingsKey, "LastPing", "before");
    m_internet.Data = "\n60000 07-1x-03 21:39:47 00 0 0 50.0 UTC(NIST) *\n";

    EXPECT_THROW(m_sync.mnuPingClick(), EConvertError);
    EXPECT_THAT(m_view.WindowCursor, ElementsAre(true, false));

    EXPECT_THROW(m_sync.Timer2Timer(), EConvertError);
    EXPECT_FALSE(SilentSync);
    EXPECT_THAT(m_view.ApplicationCursor, ElementsAre(true, false));

    EXPECT_TRUE(m_boxes.Shown.empty());
    ExpectNothingRecorded();
}

TEST_F(SyncClockTest, HealthOneIsUsedAsAnyOtherTime) {
    m_internet.Data = "\n54437 07-12-03 21:39:47 00 0 1 50.0 UTC(NIST) *\n";
    EXPECT_EQ(m_sync.SyncClock(SyncTrigger::PingNow).Status, SyncStatus::Set);
    EXPECT_EQ(m_time.SetTimes.size(), 1u);
}

// "Ping Now" with a server 16 hours off asks first.
struct QuestionCase {
    const char* Name;
    int Answer;
    bool Sets;
};
void PrintTo(const QuestionCase& c, std::ostream* os) {
    *os << c.Name;
}

class SixteenHoursOff : public SyncClockTest, public ::testing::WithParamInterface<QuestionCase> {};

TEST_P(SixteenHoursOff, PingAsksAndSetsOnlyOnYes) {
    WriteSetting(kSettingsKey, "LastPing", "before");
    const DateTime server = kServer + 16.0 / 24.0;
    m_internet.Data = NistReply(server);
    m_boxes.Answer = GetParam().Answer;
    m_sync.mnuPingClick();

    ASSERT_GE(m_boxes.Shown.size(), 1u);
    const ShownBox& question = m_boxes.Shown[0];
    EXPECT_EQ(question.Type & MB_TYPEMASK, UINT{MB_YESNO});
    EXPECT_THAT(question.Text, HasSubstr(DateTimeToText(server) + " UTC"));
    EXPECT_THAT(question.Text, HasSubstr("16 Hours 1 Minutes 29 Seconds"));
    EXPECT_EQ(m_internet.UrlOpens.size(), 1u);
    if (GetParam().Sets) {
        ASSERT_EQ(m_time.SetTimes.size(), 1u);
        EXPECT_EQ(m_time.SetTimes[0].wHour, 13);  // 21:39:47 plus 16 hours, the next day
        EXPECT_EQ(m_time.SetTimes[0].wDay, 4);
        ASSERT_EQ(m_boxes.Shown.size(), 2u);
        EXPECT_THAT(m_boxes.Shown[1].Text, HasSubstr("has been adjusted"));
        EXPECT_EQ(m_view.LastPing, DateTimeToText(kLocal));
        EXPECT_FALSE(m_view.Timer2Enabled);
    } else {
        EXPECT_EQ(m_boxes.Shown.size(), 1u);
        ExpectNothingRecorded();
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, SixteenHoursOff,
                         ::testing::Values(QuestionCase{"Yes", IDYES, true},
                                           QuestionCase{"No", IDNO, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SyncClockTest, NoSecondSynchronizationWhileOneRuns) {
    // The question's message loop is where a second "Ping Now" or a daily tick would come.
    m_internet.Data = NistReply(kServer + 16.0 / 24.0);
    m_boxes.OnShow = [&] {
        if (m_boxes.Shown.size() > 1) return;
        EXPECT_TRUE(m_sync.Busy());
        m_sync.mnuPingClick();
        m_sync.Timer2Timer();
        EXPECT_EQ(m_sync.SyncClock(SyncTrigger::Daily).Status, SyncStatus::Busy);
    };
    m_sync.mnuPingClick();
    EXPECT_EQ(m_internet.UrlOpens.size(), 1u);
    EXPECT_EQ(m_boxes.Shown.size(), 1u);
    EXPECT_FALSE(m_sync.Busy());
}

struct RefusalCase {
    const char* Name;
    DWORD Error;
    bool AdministratorHint;
};
void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.Name;
}

class ClockRefused : public SyncClockTest, public ::testing::WithParamInterface<RefusalCase> {};

// The server answered: the attempt is the day's, but the label and LastPing keep the last set.
void ExpectOnlyTheAttemptRecorded(const FakeClockSyncView& view) {
    EXPECT_EQ(LastSyncTime, kLocal);
    EXPECT_EQ(view.LastPing, std::nullopt);
    EXPECT_EQ(SyncSettingsScope::Raw("LastPing"), "before");
    EXPECT_FALSE(view.Timer2Enabled);
}

TEST_P(ClockRefused, PingSaysSoInsteadOfReportingAndRecordsOnlyTheAttempt) {
    WriteSetting(kSettingsKey, "LastPing", "before");
    m_time.SetResult = GetParam().Error;
    m_sync.mnuPingClick();

    ASSERT_EQ(m_time.SetTimes.size(), 1u);
    ExpectOnlyTheAttemptRecorded(m_view);
    ASSERT_EQ(m_boxes.Shown.size(), 1u);
    const std::string& text = m_boxes.Shown[0].Text;
    EXPECT_THAT(text, HasSubstr("could not be set"));
    EXPECT_THAT(text, HasSubstr(kReportLines));
    EXPECT_THAT(text, HasSubstr(SystemErrorText(GetParam().Error)));
    EXPECT_THAT(text, Not(HasSubstr("adjusted")));
    EXPECT_EQ(text.find("administrator") != std::string::npos, GetParam().AdministratorHint);
    EXPECT_EQ(m_boxes.Shown[0].Type & (MB_ICONMASK | MB_TYPEMASK), UINT{MB_OK});
}

TEST_P(ClockRefused, DailySyncKeepsQuietAndWaitsADay) {
    WriteSetting(kSettingsKey, "LastPing", "before");
    m_time.SetResult = GetParam().Error;
    m_sync.Timer2Timer();

    EXPECT_EQ(m_time.SetTimes.size(), 1u);
    EXPECT_TRUE(m_boxes.Shown.empty());
    ExpectOnlyTheAttemptRecorded(m_view);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, ClockRefused,
    ::testing::Values(RefusalCase{"PrivilegeNotHeld", ERROR_PRIVILEGE_NOT_HELD, true},
                      RefusalCase{"AccessDenied", ERROR_ACCESS_DENIED, false},
                      RefusalCase{"InvalidParameter", ERROR_INVALID_PARAMETER, false}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace cs
