// The next server when one fails, through the real WinInet against Daytime servers on loopback
// addresses (every 127.x.x.x is loopback) standing in for the menu's list. Only the clock, the
// connected state and the message boxes are stood in.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <vector>

#include "support/Fakes.h"
#include "support/LoopbackServer.h"
#include "support/OnlineInternet.h"
#include "time/ClockSync.h"
#include "time/DaytimeClient.h"
#include "time/SyncTestSupport.h"

namespace cs {
namespace {

using Clock = std::chrono::steady_clock;
using test::LoopbackDaytimeServer;
using ::testing::ElementsAre;

const DateTime kUtc = EncodeDate(2026, 12, 9) + EncodeTime(2, 0, 0, 0);
const char* const kA = "127.0.0.2";
const char* const kB = "127.0.0.3";
const char* const kC = "127.0.0.4";

class ServerRotation : public ::testing::Test {
protected:
    ServerRotation() {
        SilentSync = false;
        LastSyncTime = 0.0;
        ServerAddress = kA;
        m_time.Utc = test::MakeSystemTime(2026, 12, 9, 2, 0, 0);
        m_time.Local = test::MakeSystemTime(2026, 12, 8, 21, 0, 0);
    }
    // A request the attempt gave up on still runs on its worker, through this test's seams.
    ~ServerRotation() override {
        for (int i = 0; i < 200 && RequestsStillRunning() > 0; ++i) ::Sleep(50);
    }

    // A line 90 s ahead of the stood-in clock, with health digit health.
    static std::string Line(int health) {
        std::string line = test::NistReply(kUtc + 90.0 / kSecondsPerDay);
        line[line.find(" UTC(NIST)") - 6] = static_cast<char>('0' + health);
        return line;
    }

    const test::SyncSettingsScope m_settings;
    test::FakeSystemTime m_time;
    test::FakeMessageBoxes m_boxes;
    test::OnlineInternet m_internet;
    const ScopedSeam<ISystemTime> m_timeSeam{m_time};
    const ScopedSeam<IMessageBoxes> m_boxesSeam{m_boxes};
    const ScopedSeam<IInternet> m_internetSeam{m_internet};
    const ScopedServerList m_servers{{kA, kB, kC}};
    test::FakeClockSyncView m_view;
    ClockSync m_sync{m_view};
};

TEST_F(ServerRotation, AHealthyLineFromTheNextServerAfterAnUnhealthyOne) {
    const LoopbackDaytimeServer a(Line(2), 13, kA);
    const LoopbackDaytimeServer b(Line(0), 13, kB);
    const LoopbackDaytimeServer c(Line(0), 13, kC);

    m_sync.mnuPingClick();

    EXPECT_EQ(a.Connections(), 1);
    EXPECT_EQ(b.Connections(), 1);
    EXPECT_EQ(c.Connections(), 0);
    ASSERT_EQ(m_time.SetTimes.size(), 1u);
    EXPECT_EQ(m_time.SetTimes[0].wMinute, 1);
    EXPECT_EQ(m_time.SetTimes[0].wSecond, 30);
    ASSERT_EQ(m_boxes.Shown.size(), 1u);
    EXPECT_THAT(m_boxes.Shown[0].Text, ::testing::HasSubstr("has been adjusted"));
    // The user's choice stays.
    EXPECT_EQ(ServerAddress, kA);
}

TEST_F(ServerRotation, AChosenServerOutsideTheListIsAskedAlone) {
    ServerAddress = "127.0.0.5";
    const LoopbackDaytimeServer alone("\nno time here\n", 13, "127.0.0.5");
    const LoopbackDaytimeServer a(Line(0), 13, kA);

    m_sync.mnuPingClick();

    EXPECT_EQ(alone.Connections(), 1);
    EXPECT_EQ(a.Connections(), 0);
    EXPECT_THAT(m_time.SetTimes, ::testing::IsEmpty());
    ASSERT_EQ(m_boxes.Shown.size(), 1u);
    EXPECT_EQ(m_boxes.Shown[0].Text, kCannotReachText);
}

TEST_F(ServerRotation, EverySilentServerIsAskedInTurnNoneTwiceWithinFourSeconds) {
    std::vector<std::unique_ptr<LoopbackDaytimeServer>> servers;
    for (const char* address : {kA, kB, kC})
        servers.push_back(LoopbackDaytimeServer::Silent(address));
    Clock::time_point toldAt;
    m_boxes.OnShow = [&] { toldAt = Clock::now(); };

    const auto clicked = Clock::now();
    m_sync.mnuPingClick();

    ASSERT_EQ(m_boxes.Shown.size(), 1u);
    EXPECT_EQ(m_boxes.Shown[0].Text, kCannotReachText);
    EXPECT_LE(toldAt - clicked, std::chrono::seconds(22));
    // Each asked at least once, in menu order from the chosen one; none twice within 4 s.
    std::vector<Clock::time_point> firsts;
    for (const auto& server : servers) {
        const auto times = server->ConnectionTimes();
        ASSERT_FALSE(times.empty());
        firsts.push_back(times.front());
        for (std::size_t i = 1; i < times.size(); ++i)
            EXPECT_GE(times[i] - times[i - 1], std::chrono::milliseconds(3990));
    }
    EXPECT_LT(firsts[0], firsts[1]);
    EXPECT_LT(firsts[1], firsts[2]);
    EXPECT_THAT(m_time.SetTimes, ::testing::IsEmpty());
    EXPECT_EQ(ServerAddress, kA);
}

}  // namespace
}  // namespace cs
