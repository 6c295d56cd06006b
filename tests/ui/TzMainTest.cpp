#include "ui/tzmain.h"

#include <gmock/gmock.h>

#include <optional>
#include <utility>

#include "core/DateTime.h"
#include "framework/Application.h"
#include "platform/Locale.h"
#include "platform/SystemTimes.h"
#include "settings/Settings.h"
#include "support/Fakes.h"
#include "support/MessagePump.h"
#include "time/DaytimeClient.h"
#include "time/TimeZone.h"
#include "ui/UiTestSupport.h"

namespace cs::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::SizeIs;

class TzMainTest : public ::testing::Test {
protected:
    TzMainTest() {
        ResetSettings();
        ExitRequested = false;
        ServerAddress.clear();
        LastSyncTime = 0.0;
        SilentSync = false;
    }
    ~TzMainTest() override {
        app.reset();
        TakeQuitRequest();
        ResetSettings();
    }

    // Program entry, without the message loop.
    TfrmTzMain& Start(DWORD applicationExStyle = 0) {
        app.emplace();
        app->SetShowMainForm(false);
        if (applicationExStyle)
            ::SetWindowLongA(app->Handle(), GWL_EXSTYLE, static_cast<LONG>(applicationExStyle));
        form = app->CreateForm<TfrmTzMain>();
        return *form;
    }
    bool Shown() const { return ::IsWindowVisible(form->Handle()) != FALSE; }
    RECT WindowRect() const {
        RECT rect{};
        ::GetWindowRect(form->Handle(), &rect);
        return rect;
    }
    void Command(HWND window, const MenuItem* item) {
        ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(item->Command(), 0), 0);
    }

    FakeMessageBoxes boxes;
    ScopedSeam<IMessageBoxes> boxesSeam{boxes};
    std::optional<Application> app;
    TfrmTzMain* form = nullptr;
};

TEST_F(TzMainTest, WithNoSettingsTheWindowShowsCentredWithTheDefaults) {
    ResetSettings(false);
    TfrmTzMain& main = Start(WS_EX_APPWINDOW | WS_EX_ACCEPTFILES);

    EXPECT_TRUE(Shown());
    EXPECT_EQ(main.lblLastPing->Caption(), "Never");
    EXPECT_EQ(ServerAddress, "129.6.15.28");
    EXPECT_FALSE(main.StartMinimized1->Checked());
    EXPECT_FALSE(main.abfAutoRun1->AutoRun());
    EXPECT_THAT(boxes.Shown, SizeIs(0));

    EXPECT_EQ(::FindWindowA("TfrmTzMain", "Veritan Clock Sync v2.2"), main.Handle());
    // Every other bit is gone; the system adds the edge of a captioned window by itself.
    EXPECT_EQ(::GetWindowLongA(app->Handle(), GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, WS_EX_TOOLWINDOW);
    EXPECT_EQ(::GetWindow(main.Handle(), GW_OWNER), app->Handle());
    RECT client{};
    ::GetClientRect(main.Handle(), &client);
    EXPECT_EQ(client.right, 424);
    EXPECT_EQ(client.bottom, 264);
    const RECT window = WindowRect();
    EXPECT_EQ(window.left, (::GetSystemMetrics(SM_CXSCREEN) - (window.right - window.left)) / 2);
    EXPECT_NE(::GetWindowLongA(main.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    const LONG style = ::GetWindowLongA(main.Handle(), GWL_STYLE);
    EXPECT_EQ(style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), WS_SYSMENU);
}

// Both windows show the program's icon in both sizes. The main window needs no icon of its
// own for it; another icon becomes its own, and stays its own.
TEST_F(TzMainTest, TheWindowsShowTheProgramsIcon) {
    TfrmTzMain& main = Start();
    for (HWND window : {main.Handle(), app->Handle()}) {
        EXPECT_NE(::GetClassLongPtrA(window, GCLP_HICON), 0);
        EXPECT_NE(::GetClassLongPtrA(window, GCLP_HICONSM), 0);
    }
    EXPECT_EQ(::SendMessageA(main.Handle(), WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_TRUE(app->GetIcon().IsResource(ModuleInstance(), kMainIconName));

    Icon tray;
    tray.LoadFromResource(ModuleInstance(), "TRAYICON");
    EXPECT_FALSE(tray.IsResource(ModuleInstance(), kMainIconName));
    main.SetIcon(tray);
    EXPECT_NE(::SendMessageA(main.Handle(), WM_GETICON, ICON_BIG, 0), 0);
    main.SetIcon(app->GetIcon());
    EXPECT_NE(::SendMessageA(main.Handle(), WM_GETICON, ICON_SMALL, 0), 0);

    Icon copy;
    copy.Assign(app->GetIcon());
    EXPECT_TRUE(copy.IsResource(ModuleInstance(), kMainIconName));
    copy.Adopt(::CopyIcon(app->GetIcon().Handle()));
    EXPECT_FALSE(copy.IsResource(ModuleInstance(), kMainIconName));
}

// The application's icon and the window classes hold the same shared images, loaded once; an
// icon that lets go of shared images leaves them to everyone else, and a move hands images over
// without copying them.
TEST_F(TzMainTest, SharedIconImagesOutliveTheirIconAndMovesHandImagesOver) {
    TfrmTzMain& main = Start();
    const auto big = reinterpret_cast<HICON>(::GetClassLongPtrA(main.Handle(), GCLP_HICON));
    const auto small = reinterpret_cast<HICON>(::GetClassLongPtrA(main.Handle(), GCLP_HICONSM));
    EXPECT_EQ(app->GetIcon().Handle(), big);
    EXPECT_EQ(app->GetIcon().SmallHandle(), small);
    EXPECT_NE(big, small);
    const auto isIcon = [](HICON icon) {
        ICONINFO info{};
        if (!::GetIconInfo(icon, &info)) return false;
        if (info.hbmMask) ::DeleteObject(info.hbmMask);
        if (info.hbmColor) ::DeleteObject(info.hbmColor);
        return true;
    };
    {
        Icon shared;
        shared.LoadShared(ModuleInstance(), kMainIconName);
        EXPECT_EQ(shared.Handle(), big);
        EXPECT_TRUE(shared.IsResource(ModuleInstance(), kMainIconName));
        Icon copy;
        copy.Assign(shared);
        EXPECT_NE(copy.Handle(), big);  // a copy of its own, destroyed with it
        Icon moved(std::move(shared));
        EXPECT_EQ(moved.Handle(), big);
        EXPECT_TRUE(shared.Empty());
        EXPECT_TRUE(moved.IsResource(ModuleInstance(), kMainIconName));
        moved.Clear();
        shared.LoadShared(ModuleInstance(), kMainIconName);
        shared.Adopt(nullptr);
    }
    EXPECT_TRUE(isIcon(big));
    EXPECT_TRUE(isIcon(small));

    Icon tray;
    tray.LoadFromResource(ModuleInstance(), "TRAYICON", 16);
    const HICON image = tray.Handle();
    main.TrayIcon1->SetIcon(std::move(tray));
    EXPECT_EQ(main.TrayIcon1->GetIcon().Handle(), image);
    EXPECT_TRUE(tray.Empty());
}

TEST_F(TzMainTest, StartMinimizedShowsNothingAndFirstOpensAtTheDesignedPlace) {
    StoreSetting("StartMinimized", "1");
    TfrmTzMain& main = Start();
    EXPECT_FALSE(Shown());
    EXPECT_FALSE(main.Visible());
    EXPECT_FALSE(::IsWindowVisible(app->Handle()));
    EXPECT_TRUE(main.StartMinimized1->Checked());

    Command(main.PopupMenu1->WindowHandle(), main.OpenVeritanClockSync1);
    EXPECT_TRUE(Shown());
    EXPECT_EQ(WindowRect().left, 381);
    EXPECT_EQ(WindowRect().top, 192);
}

TEST_F(TzMainTest, ASettingsFailureStopsCreationAndTheProgramRunsOn) {
    StoreDword("LastPing", 1);
    TfrmTzMain& main = Start();

    ASSERT_THAT(boxes.Shown, SizeIs(1));
    EXPECT_THAT(boxes.Shown[0].Text, HasSubstr("LastPing"));
    EXPECT_EQ(boxes.Shown[0].Type & MB_ICONSTOP, static_cast<UINT>(MB_ICONSTOP));
    // The steps before the failure ran, those after it did not.
    EXPECT_EQ(main.Caption(), "Veritan Clock Sync v2.2");
    EXPECT_FALSE(main.lblCurrentMode->Caption().empty());
    EXPECT_EQ(main.lblLastPing->Caption(), "Never");
    EXPECT_EQ(ServerAddress, "");
    EXPECT_FALSE(Shown());

    const std::string before = main.lblSystemUtc->Caption();
    EXPECT_TRUE(PumpUntil([&] { return main.lblSystemUtc->Caption() != before; }, 3000));
    EXPECT_TRUE(::IsWindow(main.Handle()));
}

TEST_F(TzMainTest, CloseBoxHidesTimersGoOnAndOpenBringsItBackWhereItWas) {
    TfrmTzMain& main = Start();
    ::SetWindowPos(main.Handle(), nullptr, 100, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    const RECT before = WindowRect();

    ::SendMessageA(main.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(Shown());
    EXPECT_TRUE(main.Visible());
    EXPECT_FALSE(PumpMessages(1300));  // no quit request
    EXPECT_TRUE(main.Timer1->Running());
    // Timer1 found no synchronization within a day and switched the daily timer on.
    EXPECT_TRUE(main.Timer2->Running());

    Command(main.PopupMenu1->WindowHandle(), main.OpenVeritanClockSync1);
    EXPECT_TRUE(Shown());
    const RECT after = WindowRect();
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
}

class TzMainExitTest : public TzMainTest, public ::testing::WithParamInterface<bool> {};

TEST_P(TzMainExitTest, ExitFromEitherMenuEndsTheMessageLoop) {
    TfrmTzMain& main = Start();
    if (GetParam())
        Command(main.Handle(), main.mnuExit);
    else
        Command(main.PopupMenu1->WindowHandle(), main.Exit1);
    EXPECT_TRUE(ExitRequested);
    app->Run();  // returns at once: the quit request is waiting
    EXPECT_TRUE(app->Terminated());
}

INSTANTIATE_TEST_SUITE_P(Menus, TzMainExitTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "File" : "Tray"; });

TEST_F(TzMainTest, Timer1RenewsTheUtcTimeEverySecondAlsoWhileHidden) {
    FakeSystemTime clock;
    clock.Utc = MakeSystemTime(2024, 3, 5, 10, 20, 30);
    clock.Local = MakeSystemTime(2024, 3, 5, 11, 20, 30);
    const ScopedSeam<ISystemTime> clockSeam(clock);
    TfrmTzMain& main = Start();
    EXPECT_EQ(main.lblSystemUtc->Caption(), DateTimeToText(SystemTimeToDateTime(clock.Utc)));
    ::SendMessageA(main.Handle(), WM_CLOSE, 0, 0);
    ASSERT_FALSE(Shown());

    for (const SYSTEMTIME& utc :
         {MakeSystemTime(2024, 3, 5, 10, 21, 0), MakeSystemTime(2024, 3, 6, 0, 0, 0)}) {
        clock.Utc = utc;
        const std::string expected = DateTimeToText(SystemTimeToDateTime(utc));
        EXPECT_TRUE(PumpUntil([&] { return main.lblSystemUtc->Caption() == expected; }, 2500))
            << expected;
    }
    // Midnight is shown as the date alone.
    EXPECT_EQ(main.lblSystemUtc->Caption(), DateTimeToText(EncodeDate(2024, 3, 6)));
    EXPECT_THAT(boxes.Shown, SizeIs(0));
}

TEST_F(TzMainTest, PingCommandsAreBoundToTheSynchronization) {
    FakeInternet offline;
    offline.Connected = FALSE;
    const ScopedSeam<IInternet> internetSeam(offline);
    TfrmTzMain& main = Start();

    ::SendMessageA(main.SpeedButton1->Handle(), BM_CLICK, 0, 0);
    Command(main.Handle(), main.mnuPing);
    Command(main.PopupMenu1->WindowHandle(), main.PingVeritanClockNow1);
    ASSERT_THAT(boxes.Shown, SizeIs(3));
    for (const ShownBox& box : boxes.Shown) EXPECT_THAT(box.Text, HasSubstr("No on-line"));
}

TEST_F(TzMainTest, DailySwitchFromTheTrayTurnsBothItemsAndTheDailyTimer) {
    TfrmTzMain& main = Start();
    ASSERT_FALSE(main.mnuAutomatic->Checked());
    Command(main.PopupMenu1->WindowHandle(), main.PingDaily1);
    EXPECT_TRUE(main.mnuAutomatic->Checked());
    EXPECT_TRUE(main.PingDaily1->Checked());
    EXPECT_TRUE(main.Timer2->Enabled());
    EXPECT_EQ(ReadSetting(kSettingsKey, "AutoPing", ""), "True");
}

// The status table: caption and value labels at their rows.
struct Row {
    const char* Caption;
    const char* Value;
    int Top;
    const char* Text;
};

class TzMainLayoutTest : public TzMainTest, public ::testing::WithParamInterface<Row> {};

TEST_P(TzMainLayoutTest, RowSitsAtItsPlaceInItsColours) {
    const Row& row = GetParam();
    TfrmTzMain& main = Start();
    auto* caption = dynamic_cast<Label*>(main.FindComponent(row.Caption));
    auto* value = dynamic_cast<Label*>(main.FindComponent(row.Value));
    ASSERT_TRUE(caption && value);
    RECT rect{};
    ::GetWindowRect(caption->Handle(), &rect);
    ::MapWindowPoints(nullptr, main.Handle(), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, 14);
    EXPECT_EQ(rect.top, row.Top);
    EXPECT_EQ(rect.bottom - rect.top, 13);
    EXPECT_EQ(WindowText(caption->Handle()), row.Text);
    EXPECT_EQ(caption->GetFont().GetColor(), Color::FromRgb(0x00FF00));
    ::GetWindowRect(value->Handle(), &rect);
    ::MapWindowPoints(nullptr, main.Handle(), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, 272);
    EXPECT_EQ(rect.right, 272 + 136);
    EXPECT_EQ(rect.top, row.Top);
    EXPECT_EQ(value->GetAlignment(), Alignment::Right);
    EXPECT_EQ(value->GetFont().GetColor(), Color::FromRgb(0xFFFF00));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TzMainLayoutTest,
    ::testing::Values(Row{"Label9", "lblSystemUtc", 73, "Current UTC"},
                      Row{"Label8", "lblCurrentMode", 88, "Currently in"},
                      Row{"Label2", "lblStdName", 112, "Standard Time Zone Name"},
                      Row{"Label3", "lblStdDate", 128, "Standard Time Zone Date"},
                      Row{"Label6", "lblStdBias", 144, "Standard Time Zone Bias"},
                      Row{"Label4", "lblDLname", 168, "Daylight Time Zone Name"},
                      Row{"Label5", "lblDlDate", 184, "Daylight Time Zone Date"},
                      Row{"Label7", "lblDlBias", 200, "Daylight Time Zone Bias"},
                      Row{"Label1", "lblUtcBias", 225, "Unadjusted UTC Bias"},
                      Row{"Label11", "lblLastPing", 241, "Date && Time of Last Successful Ping"}),
    [](const auto& info) { return std::string(info.param.Caption); });

}  // namespace
}  // namespace cs::test
