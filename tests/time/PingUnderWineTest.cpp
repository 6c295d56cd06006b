// "Ping Now" through the real WinInet, registry and SetSystemTime against a Daytime server on
// loopback; only the message boxes are caught, and WinInet is told it is online. Wine refuses to
// move the clock by more than half a second ("privilege not held") and never sets the host's clock,
// so the refusal is real here.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/SystemError.h"
#include "support/Fakes.h"
#include "support/LoopbackServer.h"
#include "support/OnlineInternet.h"
#include "time/ClockSync.h"
#include "time/DaytimeClient.h"
#include "time/SyncTestSupport.h"
#include "time/TimeZone.h"

namespace cs {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST(PingUnderWine, ClockTheSystemRefusesToSetIsToldAndOnlyTheAttemptRecorded) {
    const test::SyncSettingsScope settings;
    SilentSync = false;
    LastSyncTime = 0.0;
    ServerAddress = "127.0.0.1";
    test::FakeMessageBoxes boxes;
    const ScopedSeam<IMessageBoxes> boxesSeam(boxes);
    test::FakeClockSyncView view;
    // Only the connected state is stood in: the runner's network namespace has only loopback.
    test::OnlineInternet internet;
    const ScopedSeam<IInternet> internetSeam(internet);

    const test::LoopbackDaytimeServer server(test::NistReply(CurrentUtc() + 90.0 / kSecondsPerDay));
    ClockSync(view).mnuPingClick();

    EXPECT_GE(server.Connections(), 1);
    ASSERT_EQ(boxes.Shown.size(), 1u);
    const std::string& text = boxes.Shown[0].Text;
    EXPECT_THAT(text, HasSubstr("could not be set"));
    // The server's line is made before the query, whole seconds, and WinInet's first start under
    // Wine can take seconds on a busy machine: the clock is somewhat less than 90 s behind.
    const std::string lines = "0 Days\r\n0 Hours\r\n1 Minutes\r\n";
    const auto at = text.find(lines);
    ASSERT_NE(at, std::string::npos) << text;
    const int seconds = std::stoi(text.substr(at + lines.size()));
    EXPECT_GE(seconds, 15);
    EXPECT_LE(seconds, 30);
    EXPECT_THAT(text.substr(at + lines.size()),
                ::testing::StartsWith(std::to_string(seconds) + " Seconds"));
    EXPECT_THAT(text, HasSubstr(SystemErrorText(ERROR_PRIVILEGE_NOT_HELD)));
    EXPECT_THAT(text, HasSubstr("administrator"));
    EXPECT_THAT(text, Not(HasSubstr("adjusted")));

    // The attempt counts as the day's; nothing says the clock was set.
    EXPECT_NE(LastSyncTime, 0.0);
    EXPECT_EQ(view.LastPing, std::nullopt);
    EXPECT_EQ(test::SyncSettingsScope::Raw("LastPing"), std::nullopt);
    EXPECT_FALSE(view.Timer2Enabled);
    EXPECT_THAT(view.WindowCursor, ::testing::ElementsAre(true, false));
}

}  // namespace
}  // namespace cs
