#include "ui/Unit1.h"

#include <gmock/gmock.h>

#include <string>

#include "ui/DialogTestSupport.h"

namespace cs::test {
namespace {

constexpr COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kGrey = RGB(0x57, 0x57, 0x57);

// Every control of the dialog as the user sees it. A width or height of 0 is the label's own
// (it fits its caption); a text colour of CLR_INVALID is drawn by the control itself.
struct Placed {
    const char* Name;
    const char* Parent;
    const char* WindowClass;
    int Left, Top, Width, Height;
    const char* Text;
    COLORREF TextColour;
};

std::ostream& operator<<(std::ostream& out, const Placed& placed) {
    return out << placed.Name;
}

class ProxyLayoutTest : public DialogTest, public ::testing::WithParamInterface<Placed> {};

TEST_P(ProxyLayoutTest, ControlSitsWhereDesignedWithItsTextAndColours) {
    const Placed& want = GetParam();
    StartDialogsOnly();
    auto* control = dynamic_cast<Control*>(proxy->FindComponent(want.Name));
    ASSERT_NE(control, nullptr);
    auto* parent = dynamic_cast<Control*>(proxy->FindComponent(want.Parent));
    HWND parentWindow = parent ? parent->Handle() : proxy->Handle();
    HWND window = control->Handle();
    EXPECT_EQ(::GetParent(window), parentWindow);

    RECT rect{};
    ::GetWindowRect(window, &rect);
    ::MapWindowPoints(nullptr, parentWindow, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, want.Left);
    EXPECT_EQ(rect.top, want.Top);
    if (want.Width) {
        EXPECT_EQ(rect.right - rect.left, want.Width);
    }
    if (want.Height) {
        EXPECT_EQ(rect.bottom - rect.top, want.Height);
    }

    char name[32] = {};
    ::GetClassNameA(window, name, sizeof name);
    EXPECT_STRCASEEQ(name, want.WindowClass);
    EXPECT_EQ(WindowText(window), want.Text);

    if (want.TextColour == CLR_INVALID) {
        EXPECT_EQ(control->GetFont().GetColor().ToColorRef(), kWhite);
        return;
    }
    const bool edit = std::string(want.WindowClass) == "Edit";
    const WindowDc dc(window);
    const auto brush = reinterpret_cast<HBRUSH>(
        ::SendMessageA(parentWindow, edit ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC,
                       reinterpret_cast<WPARAM>(dc.dc()), reinterpret_cast<LPARAM>(window)));
    EXPECT_EQ(::GetTextColor(dc.dc()), want.TextColour);
    LOGBRUSH paint{};
    ASSERT_NE(::GetObjectA(brush, sizeof paint, &paint), 0);
    EXPECT_EQ(paint.lbColor, edit ? ::GetSysColor(COLOR_WINDOW) : kGrey);
}

INSTANTIATE_TEST_SUITE_P(
    Controls, ProxyLayoutTest,
    ::testing::Values(
        Placed{"GroupBox3", "", "Button", 8, 8, 313, 105, "Proxy Information", kWhite},
        Placed{"Label1", "GroupBox3", "Static", 16, 48, 0, 0, "Address", kWhite},
        Placed{"Label2", "GroupBox3", "Static", 214, 48, 0, 0, "Port", kWhite},
        Placed{"txtAddress", "GroupBox3", "Edit", 16, 64, 185, 21, "", kBlack},
        Placed{"txtPort", "GroupBox3", "Edit", 216, 64, 73, 21, "", kBlack},
        Placed{"CheckBox1", "", "Button", 224, 24, 73, 17, "Use Proxy", kWhite},
        Placed{"SpeedButton1", "", "Button", 184, 120, 65, 30, "OK", CLR_INVALID},
        Placed{"SpeedButton2", "", "Button", 256, 120, 65, 30, "Cancel", CLR_INVALID}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DialogTest, ProxyDialogIsAFixedDialogWithACloseBoxOnly) {
    StartDialogsOnly();
    ASSERT_EQ(frmProxy, proxy);
    HWND window = proxy->Handle();
    EXPECT_EQ(WindowText(window), "Server Settings");
    char name[32] = {};
    ::GetClassNameA(window, name, sizeof name);
    EXPECT_STREQ(name, "TfrmProxy");
    EXPECT_EQ(::GetWindow(window, GW_OWNER), app->Handle());
    RECT client{};
    ::GetClientRect(window, &client);
    EXPECT_EQ(client.right, 332);
    EXPECT_EQ(client.bottom, 157);
    const LONG style = ::GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
              WS_CAPTION | WS_SYSMENU);
    EXPECT_NE(::GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME, 0);
    EXPECT_FALSE(::IsWindowVisible(window));
    EXPECT_EQ(proxy->GetColor(), Color::FromRgb(0x575757));
    EXPECT_EQ(proxy->GetFont().Name(), "MS Sans Serif");
    EXPECT_EQ(proxy->GetFont().Height(), -11);

    // The box lies right of its caption, on the frame.
    EXPECT_NE(::GetWindowLongA(proxy->CheckBox1->Handle(), GWL_STYLE) & BS_LEFTTEXT, 0);
    // The flat buttons carry their 16 x 16 pictures.
    for (const FlatButton* button : {proxy->SpeedButton1, proxy->SpeedButton2}) {
        EXPECT_EQ(button->Glyph().Width(), 16) << button->Caption();
        EXPECT_EQ(button->Glyph().Height(), 16) << button->Caption();
        EXPECT_EQ(::GetWindowLongA(button->Handle(), GWL_STYLE) & WS_TABSTOP, 0);
    }
}

// How the dialog is ended, and the result it ends with.
struct Ending {
    const char* Name;
    void (*End)(TfrmProxy&);
    int Result;
};

class ProxyEndingTest : public DialogTest, public ::testing::WithParamInterface<Ending> {};

TEST_P(ProxyEndingTest, EndsWithItsResultAndIsOnlyHidden) {
    StartDialogsOnly();
    HWND window = proxy->Handle();
    bool shown = false;
    const int result = ShowWith(*proxy, {[&] {
                                             shown = ::IsWindowVisible(window) != FALSE;
                                             GetParam().End(*proxy);
                                         },
                                         [] {}});
    EXPECT_TRUE(shown);
    EXPECT_EQ(result, GetParam().Result);
    EXPECT_FALSE(::IsWindowVisible(window));
    EXPECT_TRUE(::IsWindow(window));
    EXPECT_EQ(proxy->Handle(), window);
    EXPECT_FALSE(proxy->Modal());
}

INSTANTIATE_TEST_SUITE_P(
    Ways, ProxyEndingTest,
    ::testing::Values(
        Ending{"OkButton",
               [](TfrmProxy& dialog) {
                   ::PostMessageA(dialog.SpeedButton1->Handle(), BM_CLICK, 0, 0);
               },
               1},
        Ending{"CancelButton",
               [](TfrmProxy& dialog) {
                   ::PostMessageA(dialog.SpeedButton2->Handle(), BM_CLICK, 0, 0);
               },
               2},
        Ending{
            "CloseBox",
            [](TfrmProxy& dialog) { ::PostMessageA(dialog.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); },
            2},
        Ending{"AltF4", [](TfrmProxy& dialog) { ::PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0); },
               2}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DialogTest, EnterAndEscInTheBoxesLeaveTheDialogOpenAndTypingReachesThem) {
    StartDialogsOnly();
    HWND address = proxy->txtAddress->Handle();
    HWND port = proxy->txtPort->Handle();
    HWND focusOnShow = nullptr;
    std::string typed;
    const auto key = [](HWND window, UINT message, WPARAM key) {
        return [=] { ::PostMessageA(window, message, key, 1); };
    };
    const int result =
        ShowWith(*proxy, {[&] { focusOnShow = ::GetFocus(); }, key(address, WM_CHAR, 'h'),
                          key(address, WM_KEYDOWN, VK_RETURN), key(address, WM_KEYDOWN, VK_ESCAPE),
                          key(port, WM_KEYDOWN, VK_RETURN), key(port, WM_KEYDOWN, VK_ESCAPE), [] {},
                          [&] { typed = proxy->txtAddress->Text(); }});
    EXPECT_EQ(result, kStillOpen);
    EXPECT_EQ(focusOnShow, address);
    EXPECT_EQ(typed, "h");
}

TEST_F(DialogTest, TabGoesAddressPortCheckBoxAndPassesTheFlatButtons) {
    StartDialogsOnly();
    std::vector<HWND> visited;
    std::deque<std::function<void()>> steps;
    for (int i = 0; i < 4; ++i) {
        steps.push_back([&] {
            visited.push_back(::GetFocus());
            ::PostMessageA(::GetFocus(), WM_KEYDOWN, VK_TAB, 1);
        });
    }
    steps.push_back([&] { proxy->SetModalResult(2); });
    ShowWith(*proxy, std::move(steps));
    EXPECT_THAT(visited,
                ::testing::ElementsAre(proxy->txtAddress->Handle(), proxy->txtPort->Handle(),
                                       proxy->CheckBox1->Handle(), proxy->txtAddress->Handle()));
}

TEST_F(DialogTest, OkWithEmptyBoxesEndsWithOneAndTheBoxesKeepWhatWasTypedAfterCancel) {
    StartDialogsOnly();
    EXPECT_EQ(
        ShowWith(*proxy, {[&] { ::PostMessageA(proxy->SpeedButton1->Handle(), BM_CLICK, 0, 0); }}),
        1);
    EXPECT_EQ(proxy->txtAddress->Text(), "");
    EXPECT_EQ(proxy->txtPort->Text(), "");
    EXPECT_FALSE(proxy->CheckBox1->Checked());

    HWND window = proxy->Handle();
    const int cancelled =
        ShowWith(*proxy, {[&] {
                              ::SendMessageA(proxy->txtPort->Handle(), WM_CHAR, '8', 1);
                              ::SendMessageA(proxy->CheckBox1->Handle(), BM_CLICK, 0, 0);
                          },
                          [&] { ::PostMessageA(proxy->SpeedButton2->Handle(), BM_CLICK, 0, 0); }});
    EXPECT_EQ(cancelled, 2);
    EXPECT_EQ(proxy->Handle(), window);
    EXPECT_EQ(proxy->txtPort->Text(), "8");
    EXPECT_TRUE(proxy->CheckBox1->Checked());
}

// Where the main window stands when a dialog comes up.
struct MainPlace {
    const char* Name;
    int Left, Top;
    bool Hidden;
};

class CentringTest : public DialogTest, public ::testing::WithParamInterface<MainPlace> {};

// Each time shown, a dialog is centred over the main window's place, hidden or not; an edge that
// would lie left of or above the screen is put at 0.
TEST_P(CentringTest, DialogsComeUpCentredOverTheMainWindow) {
    const MainPlace& place = GetParam();
    Start();
    ::SetWindowPos(main->Handle(), nullptr, place.Left, place.Top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (place.Hidden) ::ShowWindow(main->Handle(), SW_HIDE);
    const RECT over = WindowRect(main->Handle());

    for (Form* dialog : {static_cast<Form*>(proxy), static_cast<Form*>(about)}) {
        for (int time = 0; time < 2; ++time) {
            RECT shown{};
            ShowWith(*dialog, {[&] {
                shown = WindowRect(dialog->Handle());
                dialog->SetModalResult(2);
            }});
            SCOPED_TRACE(WindowText(dialog->Handle()) + ", time " + std::to_string(time + 1));
            const int width = shown.right - shown.left;
            const int height = shown.bottom - shown.top;
            const int centreX = (over.left + over.right) / 2;
            const int centreY = (over.top + over.bottom) / 2;
            if (centreX - width / 2 < 0)
                EXPECT_EQ(shown.left, 0);
            else
                EXPECT_NEAR(shown.left + width / 2, centreX, 1);
            if (centreY - height / 2 < 0)
                EXPECT_EQ(shown.top, 0);
            else
                EXPECT_NEAR(shown.top + height / 2, centreY, 1);
            // Moved away while hidden, it is centred again the next time.
            ::SetWindowPos(dialog->Handle(), nullptr, 3, 5, 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Places, CentringTest,
                         ::testing::Values(MainPlace{"AsDesigned", 381, 192, false},
                                           MainPlace{"Hidden", 500, 300, true},
                                           MainPlace{"OffTheTopLeft", -250, -180, false},
                                           MainPlace{"HiddenOffTheLeft", -300, 200, true},
                                           MainPlace{"OffTheBottomRight", 900, 700, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace cs::test
