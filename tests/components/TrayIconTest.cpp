// The tray icon against the shell fake: every request and its record, the hidden window's
// dispatch of the icon's mouse messages, minimizing and double clicks with a real main window,
// the pop-up menu and icon cycling on real timers, and what destruction leaves behind.
#include "components/TrayIcon.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/FrameworkFixture.h"
#include "framework/ImageList.h"
#include "framework/Menus.h"
#include "support/Fakes.h"
#include "support/MessagePump.h"

namespace cs::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::SizeIs;

const UINT kTaskbarCreated = ::RegisterWindowMessageA("TaskbarCreated");

// "add 7 id0": what the shell was asked, with the record's flags and id.
std::string Describe(const NotifyRequest& request) {
    const char* verb = request.Message == NIM_ADD      ? "add"
                       : request.Message == NIM_MODIFY ? "modify"
                       : request.Message == NIM_DELETE ? "delete"
                                                       : "?";
    return std::string(verb) + " " + std::to_string(request.Data.uFlags) + " id" +
           std::to_string(request.Data.uID);
}

std::vector<std::string> Describe(const std::vector<NotifyRequest>& requests) {
    std::vector<std::string> out;
    for (const NotifyRequest& request : requests) out.push_back(Describe(request));
    return out;
}

// The 64 bytes of the first-version tip.
std::string TipBytes(const NOTIFYICONDATAA& data) {
    return std::string(data.szTip, data.szTip + 64);
}

std::string Padded(const std::string& text) {
    return text + std::string(64 - text.size(), '\0');
}

// A 16 x 16 icon of one colour, made in memory.
HICON MakeIconHandle(COLORREF colour) {
    const WindowDc screen(nullptr);
    const unique_hbitmap colourBits(::CreateCompatibleBitmap(screen.dc(), 16, 16));
    {
        const unique_hdc dc(::CreateCompatibleDC(screen.dc()));
        const SelectGuard select(dc.get(), colourBits.get());
        const unique_hbrush brush(::CreateSolidBrush(colour));
        const RECT all{0, 0, 16, 16};
        ::FillRect(dc.get(), &all, brush.get());
    }
    const std::vector<BYTE> maskBits(16 * 2, 0);  // all opaque
    const unique_hbitmap mask(::CreateBitmap(16, 16, 1, 1, maskBits.data()));
    ICONINFO info{TRUE, 0, 0, mask.get(), colourBits.get()};
    return ::CreateIconIndirect(&info);
}

void MakeIcon(Icon& icon, COLORREF colour) {
    icon.Adopt(MakeIconHandle(colour));
}

const char* ButtonName(MouseButton button) {
    switch (button) {
        case MouseButton::Left: return "left";
        case MouseButton::Right: return "right";
        case MouseButton::Middle: return "middle";
    }
    return "?";
}

// A shell that lets a test look around while a request is being made, or fails it.
class SpyShell final : public IShell {
public:
    BOOL NotifyIcon(DWORD message, NOTIFYICONDATAA&) override {
        Messages.push_back(message);
        if (OnNotify) OnNotify(message);
        if (Fail) throw Exception("The shell is gone");
        return TRUE;
    }
    HINSTANCE Execute(HWND, const char*, const char*, const char*, const char*, int) override {
        return nullptr;
    }
    UINT Exec(const char*, UINT) override { return 0; }

    std::vector<DWORD> Messages;
    std::function<void(DWORD)> OnNotify;
    bool Fail = false;
};

// Records the open menu window and closes it, from a timer that the menu's own loop dispatches.
struct OpenMenu {
    bool Seen = false;
    POINT TopLeft{};
    HWND Foreground = nullptr;
};
OpenMenu g_openMenu;

void CALLBACK CloseOpenMenu(HWND, UINT, UINT_PTR id, DWORD) {
    HWND menu = ::FindWindowA("#32768", nullptr);
    if (menu && ::IsWindowVisible(menu)) {
        RECT rect{};
        ::GetWindowRect(menu, &rect);
        g_openMenu = {true, {rect.left, rect.top}, ::GetForegroundWindow()};
    }
    ::KillTimer(nullptr, id);
    ::EndMenu();
}

// The main form of a test with a tray icon in its design. The shell fake is installed before
// the application exists, so that it also sees the requests made as everything goes.
class TrayIconTest : public ::testing::Test {
protected:
    TrayIconTest() {
        ::SetCursorPos(150, 100);
        ::GetCursorPos(&cursor);
    }
    ~TrayIconTest() override {
        TestForm::Design = nullptr;
        TakeQuitRequest();
    }

    // Builds the main form; design sets the icon's stored properties, before Loaded.
    void CreateMain(const std::function<void(TestForm&, TabfTrayIcon&)>& design = {}) {
        TestForm::Design = [&](TestForm& f) {
            tray = new TabfTrayIcon(&f);
            tray->BeginLoading();
            tray->SetName("TrayIcon1");
            if (design) design(f, *tray);
        };
        form = app.CreateForm<TestForm>();
    }

    // The main form with a pop-up menu of one item on its icon; more sets the icon's other
    // stored properties.
    void CreateMainWithMenuItem(const char* caption,
                                const std::function<void(TabfTrayIcon&)>& more = {}) {
        CreateMain([&](TestForm& f, TabfTrayIcon& t) {
            auto* menu = new PopupMenu(&f);
            auto* item = new MenuItem(&f);
            item->SetCaption(caption);
            menu->Items().Add(item);
            t.SetPopupMenu(menu);
            if (more) more(t);
        });
    }

    // A click on the icon, as the shell reports it; a menu that the click opens is recorded
    // and closed.
    void ClickClosingTheMenu(UINT down, UINT up) {
        g_openMenu = {};
        ASSERT_NE(::SetTimer(nullptr, 0, 200, &CloseOpenMenu), 0u);
        SendTray(down);
        SendTray(up);
    }

    // Writes every event of the icon into the log.
    void LogEvents() {
        tray->OnMouseMove = [this](Component&, ShiftState, int x, int y) {
            log.push_back("move " + At(x, y));
        };
        tray->OnMouseDown = [this](Component&, MouseButton button, ShiftState, int x, int y) {
            log.push_back(std::string("down ") + ButtonName(button) + " " + At(x, y));
        };
        tray->OnMouseUp = [this](Component&, MouseButton button, ShiftState, int x, int y) {
            log.push_back(std::string("up ") + ButtonName(button) + " " + At(x, y));
        };
        tray->OnClick = [this](Component&) { log.push_back("click"); };
        tray->OnDblClick = [this](Component&) { log.push_back("dblclick"); };
        tray->OnPopupMenu = [this](Component&) { log.push_back("popup"); };
        tray->OnMinimize = [this](Component&) { log.push_back("minimize"); };
        tray->OnShow = [this](Component&) { log.push_back("show"); };
        tray->OnHide = [this](Component&) { log.push_back("hide"); };
    }
    // "here" at the cursor: the events carry the cursor's place, not the message's.
    std::string At(int x, int y) const {
        return x == cursor.x && y == cursor.y ? "here"
                                              : std::to_string(x) + "," + std::to_string(y);
    }

    // The shell's callback for one mouse message over the icon.
    LRESULT SendTray(UINT mouseMessage) const {
        return ::SendMessageA(tray->Handle(), kTrayCallbackMessage, tray->IconID(), mouseMessage);
    }

    std::vector<std::string> StopBoxes() const {
        std::vector<std::string> texts;
        for (const ShownBox& box : boxes.Shown)
            if (box.Type & MB_ICONSTOP) texts.push_back(box.Text);
        return texts;
    }

    FakeShell shell;
    ScopedSeam<IShell> shellSeam{shell};
    FakeMessageFilter filter;
    ScopedSeam<IMessageFilter> filterSeam{filter};
    FakeMessageBoxes boxes;
    ScopedSeam<IMessageBoxes> boxesSeam{boxes};
    // Before the application: the icon's events still write to it while the application
    // destroys the form and the icon with it.
    std::vector<std::string> log;
    Application app;
    TestForm* form = nullptr;
    TabfTrayIcon* tray = nullptr;
    POINT cursor{};
};

// ---- The stored design and the records ------------------------------------------------------

TEST_F(TrayIconTest, StoredDesignAddsWhileLoadingAndAgainAtLoaded) {
    Icon icon;
    MakeIcon(icon, RGB(0, 0, 255));
    int shows = 0;
    bool addedBeforeLoaded = false;
    CreateMain([&](TestForm& f, TabfTrayIcon& t) {
        t.OnShow = [&](Component&) { ++shows; };
        t.SetHint("Veritan Clock Sync");
        t.SetIcon(icon);
        t.SetMinimizeToTray(true);
        t.SetPopupMenu(new PopupMenu(&f));
        t.SetVisible(true);
        addedBeforeLoaded = !shell.NotifyRequests.empty() &&
                            shell.NotifyRequests.back().Message == NIM_ADD && t.Loading();
    });

    EXPECT_TRUE(addedBeforeLoaded);
    EXPECT_EQ(shows, 2);
    EXPECT_THAT(Describe(shell.NotifyRequests),
                ElementsAre("modify 5 id0", "modify 5 id0", "add 7 id0", "add 7 id0"));
    for (const NotifyRequest& request : shell.NotifyRequests) {
        const NOTIFYICONDATAA& data = request.Data;
        EXPECT_EQ(data.cbSize, kNotifyIconDataV1Size);
        EXPECT_EQ(data.hWnd, tray->Handle());
        EXPECT_EQ(data.uCallbackMessage, 1235u);
        EXPECT_EQ(TipBytes(data), Padded("Veritan Clock Sync"));
    }
    // The hint came before the icon; from then on every record carries it.
    EXPECT_EQ(shell.NotifyRequests[0].Data.hIcon, nullptr);
    EXPECT_EQ(shell.NotifyRequests[3].Data.hIcon, tray->GetIcon().Handle());
    EXPECT_NE(tray->GetIcon().Handle(), nullptr);
    EXPECT_NE(tray->GetIcon().Handle(), icon.Handle());  // a copy, owned by the icon
}

TEST_F(TrayIconTest, HiddenWindowIsAnUnshownTopLevelToolWindow) {
    CreateMain();
    HWND window = tray->Handle();
    ASSERT_TRUE(::IsWindow(window));
    EXPECT_EQ(::GetAncestor(window, GA_PARENT), ::GetDesktopWindow());
    EXPECT_EQ(::GetWindow(window, GW_OWNER), nullptr);
    EXPECT_FALSE(::IsWindowVisible(window));
    EXPECT_TRUE(::GetWindowLongA(window, GWL_STYLE) & WS_POPUP);
    EXPECT_TRUE(::GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_EQ(::SendMessageA(window, WM_QUERYENDSESSION, 0, 0), 1);
}

TEST_F(TrayIconTest, TheWindowThatHearsOfANewTaskbarLetsThatMessageInFromLessTrustedProcesses) {
    CreateMain([](TestForm&, TabfTrayIcon& t) { t.SetVisible(true); });
    ASSERT_THAT(filter.Calls, SizeIs(1));
    EXPECT_EQ(filter.Calls[0].Window, tray->Handle());
    EXPECT_EQ(filter.Calls[0].Message, kTaskbarCreated);
    EXPECT_EQ(filter.Calls[0].Action, static_cast<DWORD>(MSGFLT_ALLOW));

    // That same window is the one that puts the icon back.
    shell.NotifyRequests.clear();
    ::SendMessageA(filter.Calls[0].Window, kTaskbarCreated, 0, 0);
    EXPECT_THAT(Describe(shell.NotifyRequests), ElementsAre("delete 5 id0", "add 7 id0"));
}

struct HintCase {
    const char* Name;
    size_t Length;
    size_t Kept;
};

class TrayHintTest : public TrayIconTest, public ::testing::WithParamInterface<HintCase> {};

TEST_P(TrayHintTest, HintIsCutTo63CharactersOfThe64ByteTip) {
    const HintCase& c = GetParam();
    std::string hint;
    for (size_t i = 0; i < c.Length; ++i) hint += static_cast<char>('A' + i % 26);
    CreateMain();

    tray->SetHint(hint);
    EXPECT_EQ(tray->Hint(), hint.substr(0, c.Kept));
    ASSERT_FALSE(shell.NotifyRequests.empty());
    const NotifyRequest& last = shell.NotifyRequests.back();
    EXPECT_EQ(last.Message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(TipBytes(last.Data), Padded(hint.substr(0, c.Kept)));
}

INSTANTIATE_TEST_SUITE_P(Lengths, TrayHintTest,
                         ::testing::Values(HintCase{"Seventy", 70, 63},
                                           HintCase{"SixtyFour", 64, 63},
                                           HintCase{"SixtyThree", 63, 63}, HintCase{"One", 1, 1}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(TrayIconTest, ShowHintOffSendsAnEmptyTipAndKeepsItsFlag) {
    CreateMain([](TestForm&, TabfTrayIcon& t) {
        t.SetHint("Veritan Clock Sync");
        t.SetVisible(true);
    });
    shell.NotifyRequests.clear();

    tray->SetShowHint(false);
    tray->SetShowHint(false);  // no change, no request
    tray->SetShowHint(true);
    ASSERT_THAT(Describe(shell.NotifyRequests), ElementsAre("modify 7 id0", "modify 7 id0"));
    EXPECT_EQ(TipBytes(shell.NotifyRequests[0].Data), std::string(64, '\0'));
    EXPECT_TRUE(shell.NotifyRequests[0].Data.uFlags & NIF_TIP);
    EXPECT_EQ(TipBytes(shell.NotifyRequests[1].Data), Padded("Veritan Clock Sync"));
    EXPECT_EQ(tray->Hint(), "Veritan Clock Sync");
}

TEST_F(TrayIconTest, BalloonTakesTheLaterRecordAndLeavesTheIconsOwnAsTheyAre) {
    CreateMain([](TestForm&, TabfTrayIcon& t) {
        t.SetHint("Veritan Clock Sync");
        t.SetVisible(true);
    });
    shell.NotifyRequests.clear();

    tray->ShowBalloon("System Clock left unchanged", std::string(300, 'x'));
    tray->SetHint("Veritan Clock Sync\nset 12/9/2026 1:04:07 AM");
    ASSERT_EQ(shell.NotifyRequests.size(), 2u);
    const NOTIFYICONDATAA& balloon = shell.NotifyRequests[0].Data;
    EXPECT_EQ(shell.NotifyRequests[0].Message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(balloon.cbSize, kNotifyIconDataBalloonSize);
    EXPECT_EQ(balloon.uFlags, static_cast<UINT>(NIF_INFO));
    EXPECT_EQ(balloon.dwInfoFlags, static_cast<DWORD>(NIIF_INFO));
    EXPECT_EQ(balloon.hWnd, tray->Handle());
    EXPECT_STREQ(balloon.szInfoTitle, "System Clock left unchanged");
    EXPECT_EQ(std::string(balloon.szInfo), std::string(255, 'x'));
    EXPECT_EQ(shell.NotifyRequests[1].Data.cbSize, kNotifyIconDataV1Size);

    // No icon, no balloon.
    tray->SetVisible(false);
    shell.NotifyRequests.clear();
    tray->ShowBalloon("title", "text");
    EXPECT_THAT(shell.NotifyRequests, IsEmpty());
}

TEST_F(TrayIconTest, IconIdChangeMovesAShownIconAndRestoresLikeAHide) {
    CreateMain([](TestForm&, TabfTrayIcon& t) { t.SetVisible(true); });
    LogEvents();
    shell.NotifyRequests.clear();
    ASSERT_FALSE(form->Visible());

    tray->SetIconID(7);
    EXPECT_THAT(Describe(shell.NotifyRequests), ElementsAre("delete 5 id0", "add 7 id7"));
    EXPECT_THAT(log, ElementsAre("hide", "show"));
    // The hide step makes a hidden owner visible again.
    EXPECT_TRUE(form->Visible());
    EXPECT_TRUE(::IsWindowVisible(form->Handle()));

    // Hidden, the id only changes.
    tray->SetVisible(false);
    shell.NotifyRequests.clear();
    tray->SetIconID(8);
    tray->SetIconID(8);
    EXPECT_THAT(shell.NotifyRequests, IsEmpty());
    tray->SetVisible(true);
    EXPECT_THAT(Describe(shell.NotifyRequests), ElementsAre("add 7 id8"));
}

struct TaskbarCase {
    const char* Name;
    bool Visible;
    bool MinimizeToTray;
    std::vector<std::string> Requests;
    bool ApplicationShown;
    bool FormShown;
};

class TrayTaskbarTest : public TrayIconTest, public ::testing::WithParamInterface<TaskbarCase> {};

TEST_P(TrayTaskbarTest, TaskbarCreatedBroadcastPutsAShownIconBack) {
    const TaskbarCase& c = GetParam();
    CreateMain([&](TestForm&, TabfTrayIcon& t) {
        t.SetMinimizeToTray(c.MinimizeToTray);
        t.SetVisible(c.Visible);
    });
    shell.NotifyRequests.clear();
    ASSERT_FALSE(form->Visible());

    // As the shell sends it: to every top-level window.
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(HWND_BROADCAST, kTaskbarCreated, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
    PumpMessages(50);

    EXPECT_THAT(Describe(shell.NotifyRequests), ElementsAreArray(c.Requests));
    EXPECT_EQ(tray->Visible(), c.Visible);
    EXPECT_EQ(::IsWindowVisible(app.Handle()) != FALSE, c.ApplicationShown);
    EXPECT_EQ(form->Visible(), c.FormShown);
    EXPECT_EQ(::IsWindowVisible(form->Handle()) != FALSE, c.FormShown);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrayTaskbarTest,
    ::testing::Values(
        TaskbarCase{"HiddenIconNothingHappens", false, true, {}, false, false},
        TaskbarCase{
            "ShownMinimizeToTrayShowsAll", true, true, {"delete 5 id0", "add 7 id0"}, true, true},
        TaskbarCase{
            "ShownOwnerOnlyMadeVisible", true, false, {"delete 5 id0", "add 7 id0"}, false, true}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---- The icon's mouse messages ---------------------------------------------------------------

struct DispatchCase {
    const char* Name;
    std::vector<UINT> Messages;
    std::vector<std::string> Events;
};

class TrayDispatchTest : public TrayIconTest, public ::testing::WithParamInterface<DispatchCase> {};

TEST_P(TrayDispatchTest, CallbackRaisesTheEventsOfTheTable) {
    const DispatchCase& c = GetParam();
    CreateMain();
    LogEvents();
    for (UINT message : c.Messages) SendTray(message);
    EXPECT_THAT(log, ElementsAreArray(c.Events));
}

TEST_P(TrayDispatchTest, CallbackDoesNothingWhileDisabled) {
    CreateMain([](TestForm&, TabfTrayIcon& t) { t.SetEnabled(false); });
    LogEvents();
    for (UINT message : GetParam().Messages) SendTray(message);
    EXPECT_THAT(log, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, TrayDispatchTest,
    ::testing::Values(
        DispatchCase{"LeftDoubleClickClicksOnce",
                     {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP},
                     {"down left here", "up left here", "click", "dblclick", "up left here"}},
        DispatchCase{"ReleaseWithoutPressIsNoClick", {WM_LBUTTONUP}, {"up left here"}},
        DispatchCase{"RightDoubleClickRaisesNothing", {WM_RBUTTONDBLCLK}, {}},
        DispatchCase{"MiddleDoubleClickRaisesNothing", {WM_MBUTTONDBLCLK}, {}},
        DispatchCase{"RightClickWithoutMenu",
                     {WM_RBUTTONDOWN, WM_RBUTTONUP},
                     {"down right here", "up right here"}},
        DispatchCase{
            "MiddleClick", {WM_MBUTTONDOWN, WM_MBUTTONUP}, {"down middle here", "up middle here"}},
        DispatchCase{"Move", {WM_MOUSEMOVE}, {"move here"}}),
    [](const auto& info) { return std::string(info.param.Name); });

struct ShiftCase {
    const char* Name;
    std::vector<int> KeysDown;
    UINT Message;
    ShiftState Expected;
};

class TrayShiftTest : public TrayIconTest, public ::testing::WithParamInterface<ShiftCase> {
protected:
    ~TrayShiftTest() override { ::SetKeyboardState(m_saved); }
    BYTE m_saved[256]{};
};

TEST_P(TrayShiftTest, ShiftStateIsTheKeyboardsPlusTheButton) {
    const ShiftCase& c = GetParam();
    CreateMain();
    ShiftState seen = 0xFFFF;
    tray->OnMouseDown = [&](Component&, MouseButton, ShiftState shift, int, int) { seen = shift; };
    tray->OnMouseMove = [&](Component&, ShiftState shift, int, int) { seen = shift; };

    ::GetKeyboardState(m_saved);
    BYTE keys[256]{};
    for (int key : c.KeysDown) keys[key] = 0x80;
    ::SetKeyboardState(keys);
    SendTray(c.Message);
    EXPECT_EQ(seen, c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TrayShiftTest,
    ::testing::Values(
        ShiftCase{"LeftAlone", {}, WM_LBUTTONDOWN, ShiftFlag::Left},
        ShiftCase{
            "RightWithShift", {VK_SHIFT}, WM_RBUTTONDOWN, ShiftFlag::Right | ShiftFlag::Shift},
        ShiftCase{
            "MiddleWithCtrl", {VK_CONTROL}, WM_MBUTTONDOWN, ShiftFlag::Middle | ShiftFlag::Ctrl},
        ShiftCase{"LeftWithAlt", {VK_MENU}, WM_LBUTTONDOWN, ShiftFlag::Left | ShiftFlag::Alt},
        ShiftCase{"MoveAddsNoButton",
                  {VK_SHIFT, VK_CONTROL, VK_MENU},
                  WM_MOUSEMOVE,
                  ShiftFlag::Shift | ShiftFlag::Ctrl | ShiftFlag::Alt}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---- Minimizing and double clicks ------------------------------------------------------------

TEST_F(TrayIconTest, MinimizingTheApplicationWindowHidesIntoTheTrayAlsoWhileDisabled) {
    CreateMain([](TestForm&, TabfTrayIcon& t) {
        t.SetEnabled(false);
        t.SetMinimizeToTray(true);
    });
    LogEvents();
    form->SetVisible(true);

    ::SendMessageA(app.Handle(), WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_THAT(log, ElementsAre("show", "minimize"));
    EXPECT_THAT(Describe(shell.NotifyRequests), ElementsAre("add 7 id0"));
    EXPECT_TRUE(tray->Visible());
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(::IsWindowVisible(form->Handle()));

    // Other sizes, and minimizing without MinimizeToTray, leave everything as it is.
    ::SendMessageA(app.Handle(), WM_SIZE, SIZE_RESTORED, 0);
    tray->SetMinimizeToTray(false);
    ::SendMessageA(app.Handle(), WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_THAT(log, ElementsAre("show", "minimize"));
}

TEST_F(TrayIconTest, MinimizeOnStartHidesAtLoadedAndAddsTheIcon) {
    CreateMain([](TestForm&, TabfTrayIcon& t) { t.SetMinimizeOnStart(true); });
    EXPECT_FALSE(app.ShowMainForm());
    EXPECT_TRUE(tray->Visible());
    // The minimize step adds it, and Loaded, finding it visible, adds it again.
    EXPECT_THAT(Describe(shell.NotifyRequests), ElementsAre("add 7 id0", "add 7 id0"));
    EXPECT_FALSE(form->Visible());
}

TEST_F(TrayIconTest, DoubleClicksAfterCloseHidingFirstClearTheFlagThenShow) {
    CreateMain([](TestForm&, TabfTrayIcon& t) {
        t.SetMinimizeToTray(true);
        t.SetVisible(true);
    });
    form->SetVisible(true);
    // What the main window's close handling does: hidden, its visible flag left set.
    ::ShowWindow(form->Handle(), SW_HIDE);

    SendTray(WM_LBUTTONDBLCLK);
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(::IsWindowVisible(form->Handle()));
    EXPECT_FALSE(::IsWindowVisible(app.Handle()));

    SendTray(WM_LBUTTONDBLCLK);
    EXPECT_TRUE(form->Visible());
    EXPECT_TRUE(::IsWindowVisible(form->Handle()));

    // A third hides it for real.
    SendTray(WM_LBUTTONDBLCLK);
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(::IsWindowVisible(form->Handle()));
}

TEST_F(TrayIconTest, DoubleClickShowsAWindowHiddenThroughItsFlag) {
    CreateMain([](TestForm&, TabfTrayIcon& t) {
        t.SetMinimizeToTray(true);
        t.SetVisible(true);
    });
    ASSERT_FALSE(form->Visible());
    SendTray(WM_LBUTTONDBLCLK);
    EXPECT_TRUE(form->Visible());
    EXPECT_TRUE(::IsWindowVisible(form->Handle()));
}

TEST_F(TrayIconTest, DoubleClickRunsTheDefaultItemInstead) {
    MenuItem* plain = nullptr;
    MenuItem* chosen = nullptr;
    std::vector<std::string> clicks;
    CreateMain([&](TestForm& f, TabfTrayIcon& t) {
        auto* menu = new PopupMenu(&f);
        plain = new MenuItem(&f);
        chosen = new MenuItem(&f);
        menu->Items().Add(plain);
        menu->Items().Add(chosen);
        plain->OnClick = [&](Component&) { clicks.push_back("plain"); };
        chosen->OnClick = [&](Component&) { clicks.push_back("default"); };
        chosen->SetDefault(true);
        t.SetMinimizeToTray(true);
        t.SetPopupMenu(menu);
    });
    LogEvents();
    SendTray(WM_LBUTTONDBLCLK);
    EXPECT_THAT(clicks, ElementsAre("default"));
    EXPECT_THAT(log, ElementsAre("dblclick"));
    EXPECT_FALSE(form->Visible());  // no showing or hiding

    // With PopupByLeft the default item is left alone: the window is shown instead.
    tray->SetPopupByLeft(true);
    SendTray(WM_LBUTTONDBLCLK);
    EXPECT_THAT(clicks, ElementsAre("default"));
    EXPECT_TRUE(form->Visible());
}

// ---- The pop-up menu ---------------------------------------------------------------------

TEST_F(TrayIconTest, RightClickOpensTheOwnerDrawnMenuAtTheCursor) {
    PopupMenu* menu = nullptr;
    std::vector<std::string> painted;
    CreateMain([&](TestForm& f, TabfTrayIcon& t) {
        menu = new PopupMenu(&f);
        auto* item = new MenuItem(&f);
        item->SetCaption("E&xit");
        menu->Items().Add(item);
        menu->SetOwnerDraw(true);
        item->OnMeasureItem = [&](MenuItem&, Canvas&, int& width, int& height) {
            painted.push_back("measure");
            width = 80;
            height = 20;
        };
        item->OnDrawItem = [&](MenuItem&, Canvas&, const RECT&, bool) {
            painted.push_back("draw");
        };
        t.SetPopupMenu(menu);
    });
    LogEvents();

    ClickClosingTheMenu(WM_RBUTTONDOWN, WM_RBUTTONUP);
    EXPECT_TRUE(g_openMenu.Seen);
    EXPECT_EQ(g_openMenu.TopLeft.x, cursor.x);
    EXPECT_EQ(g_openMenu.TopLeft.y, cursor.y);
    EXPECT_EQ(menu->PopupComponent(), tray);
    // The window that showed the menu passed its measure and draw requests on to the item.
    EXPECT_THAT(painted, ::testing::Contains("measure"));
    EXPECT_THAT(painted, ::testing::Contains("draw"));
    EXPECT_THAT(log, ElementsAre("down right here", "up right here", "popup"));

    // A menu that is switched off, and then one that is gone, open nothing.
    log.clear();
    menu->SetAutoPopup(false);
    SendTray(WM_RBUTTONUP);
    menu->SetAutoPopup(true);
    delete menu;
    EXPECT_EQ(tray->GetPopupMenu(), nullptr);
    SendTray(WM_RBUTTONDOWN);
    SendTray(WM_RBUTTONUP);
    EXPECT_THAT(log, ElementsAre("up right here", "down right here", "up right here"));
}

// While a modal window keeps the main window disabled, a click brings that window forward, not
// the disabled one over it: both may be topmost.
TEST_F(TrayIconTest, RightClickWhileAModalWindowIsUpBringsThatWindowForward) {
    CreateMainWithMenuItem("E&xit");
    form->SetVisible(true);
    const auto topmost = [](HWND window) {
        ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    };
    topmost(form->Handle());
    HWND dialog = ::CreateWindowExA(WS_EX_TOPMOST, "STATIC", "modal", WS_POPUP | WS_VISIBLE, 10,
                                    10, 120, 80, app.Handle(), nullptr, nullptr, nullptr);
    ASSERT_NE(dialog, nullptr);
    ::EnableWindow(form->Handle(), FALSE);
    // The activation settles first: under Wine the X server's focus news can still come in.
    app.ProcessMessages();
    ::SetForegroundWindow(dialog);
    topmost(dialog);
    app.ProcessMessages();
    ASSERT_EQ(::GetLastActivePopup(app.Handle()), dialog);
    const auto rightClick = [this] {
        ClickClosingTheMenu(WM_RBUTTONDOWN, WM_RBUTTONUP);
        EXPECT_TRUE(g_openMenu.Seen);
    };
    const auto above = [](HWND upper, HWND lower) {
        for (HWND w = ::GetWindow(upper, GW_HWNDNEXT); w; w = ::GetWindow(w, GW_HWNDNEXT))
            if (w == lower) return true;
        return false;
    };

    rightClick();
    EXPECT_EQ(g_openMenu.Foreground, dialog);
    EXPECT_TRUE(above(dialog, form->Handle()));

    // Once the modal window is gone, the main window comes forward as before.
    ::EnableWindow(form->Handle(), TRUE);
    ::DestroyWindow(dialog);
    rightClick();
    EXPECT_EQ(g_openMenu.Foreground, form->Handle());
}

// Presses the access key "x" in the open menu, as a user would.
void CALLBACK PressXInOpenMenu(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    HWND menu = ::FindWindowA("#32768", nullptr);
    if (!menu || !::IsWindowVisible(menu)) {
        ::EndMenu();
        return;
    }
    g_openMenu.Seen = true;
    ::PostMessageA(menu, WM_KEYDOWN, 'X', 0);
    ::PostMessageA(menu, WM_KEYUP, 'X', 0xC0000000);
}

TEST_F(TrayIconTest, AnOwnerDrawnTrayMenuItemIsChosenByItsAccessKey) {
    std::vector<std::string> clicks;
    CreateMain([&](TestForm& f, TabfTrayIcon& t) {
        auto* menu = new PopupMenu(&f);
        for (const char* caption : {"&Open", "E&xit"}) {
            auto* item = new MenuItem(&f);
            item->SetCaption(caption);
            item->OnClick = [&clicks, caption](Component&) { clicks.push_back(caption); };
            menu->Items().Add(item);
        }
        menu->SetOwnerDraw(true);
        t.SetPopupMenu(menu);
    });
    g_openMenu = {};
    ::SetTimer(nullptr, 0, 200, &PressXInOpenMenu);
    SendTray(WM_RBUTTONUP);
    ASSERT_TRUE(g_openMenu.Seen);
    // The chosen item's command arrives at the window that showed the menu, after it closed.
    EXPECT_TRUE(PumpUntil([&] { return !clicks.empty(); }, 2000));
    EXPECT_THAT(clicks, ElementsAre("E&xit"));
}

TEST_F(TrayIconTest, PopupByLeftOpensTheMenuOnTheLeftRelease) {
    CreateMainWithMenuItem("&Open", [](TabfTrayIcon& t) { t.SetPopupByLeft(true); });
    LogEvents();
    ClickClosingTheMenu(WM_LBUTTONDOWN, WM_LBUTTONUP);
    EXPECT_TRUE(g_openMenu.Seen);
    EXPECT_THAT(log, ElementsAre("down left here", "up left here", "click", "popup"));
}

// ---- Icon cycling ----------------------------------------------------------------------------

TEST_F(TrayIconTest, CyclingStepsThroughTheListEveryIntervalUntilTheIntervalIs0) {
    ImageList* list = nullptr;
    CreateMain([&](TestForm& f, TabfTrayIcon& t) {
        list = new ImageList(&f);
        for (COLORREF colour : {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)}) {
            Icon icon;
            MakeIcon(icon, colour);
            list->AddIcon(icon);
        }
        t.SetImageList(list);
        t.SetCycleInterval(40);
    });
    std::vector<int> indices;
    tray->OnCycleIcons = [&](Component&) { indices.push_back(tray->ImageIndex()); };
    shell.NotifyRequests.clear();

    const DWORD start = ::GetTickCount();
    tray->SetCycleIcons(true);
    ASSERT_TRUE(PumpUntil([&] { return indices.size() >= 4; }, 3000));
    const DWORD elapsed = ::GetTickCount() - start;
    EXPECT_THAT(std::vector<int>(indices.begin(), indices.begin() + 4), ElementsAre(1, 2, 0, 1));
    EXPECT_GE(elapsed, 4 * 40u - 20u);  // timer ticks may come a little early, never 4 at once
    // Every step takes the list's image and tells the shell.
    ASSERT_GE(shell.NotifyRequests.size(), 4u);
    for (const NotifyRequest& request : shell.NotifyRequests) {
        EXPECT_EQ(request.Message, static_cast<DWORD>(NIM_MODIFY));
        EXPECT_NE(request.Data.hIcon, nullptr);
    }

    tray->SetCycleInterval(0);
    const size_t ticks = indices.size();
    PumpMessages(200);
    EXPECT_EQ(indices.size(), ticks);
    EXPECT_TRUE(tray->CycleIcons());
}

TEST_F(TrayIconTest, ImageListChangesAndRemovalReachTheIcon) {
    ImageList* list = nullptr;
    CreateMain([&](TestForm& f, TabfTrayIcon& t) {
        list = new ImageList(&f);
        t.SetImageList(list);
        t.SetImageIndex(1);
    });
    EXPECT_TRUE(tray->GetIcon().Empty());  // no image 1 yet
    Icon icon;
    MakeIcon(icon, RGB(1, 2, 3));
    list->AddIcon(icon);
    EXPECT_TRUE(tray->GetIcon().Empty());
    shell.NotifyRequests.clear();
    list->AddIcon(icon);
    EXPECT_FALSE(tray->GetIcon().Empty());
    EXPECT_THAT(Describe(shell.NotifyRequests), ElementsAre("modify 5 id0"));

    delete list;
    EXPECT_EQ(tray->GetImageList(), nullptr);
    // Cycling without a list only raises the event.
    int ticks = 0;
    tray->OnCycleIcons = [&](Component&) { ++ticks; };
    tray->SetCycleInterval(20);
    tray->SetCycleIcons(true);
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 2; }, 2000));
    EXPECT_EQ(tray->ImageIndex(), 1);
}

// ---- Failures --------------------------------------------------------------------------------

TEST_F(TrayIconTest, FailedRequestsBecomeTrayErrorsAndRefusalsAreIgnored) {
    SpyShell spy;
    CreateMain();
    {
        ScopedSeam<IShell> seam(spy);
        spy.Fail = true;
        // A modify is passed on as it is; an add or a delete becomes a tray error.
        const auto failure = [](const std::function<void()>& action) -> std::string {
            try {
                action();
            } catch (const EabfTrayIcon& e) {
                return std::string("tray error: ") + e.what();
            } catch (const std::exception& e) {
                return e.what();
            }
            return "none";
        };
        EXPECT_EQ(failure([&] { tray->SetVisible(true); }),
                  "tray error: TrayIcon1.InsertToTray failed");
        EXPECT_EQ(failure([&] { tray->SetVisible(false); }),
                  "tray error: TrayIcon1.DeleteFromTray failed");
        EXPECT_EQ(failure([&] { tray->SetHint("x"); }), "The shell is gone");

        // During a message the error goes to the default error handler.
        spy.Fail = false;
        tray->SetVisible(true);
        spy.Fail = true;
        ::SendMessageA(tray->Handle(), kTaskbarCreated, 0, 0);
        EXPECT_THAT(StopBoxes(), ElementsAre("TrayIcon1.DeleteFromTray failed."));
    }

    // A refusing shell changes nothing on this side.
    shell.NotifyResult = FALSE;
    shell.NotifyRequests.clear();
    tray->SetVisible(false);
    tray->SetVisible(true);
    EXPECT_TRUE(tray->Visible());
    EXPECT_THAT(Describe(shell.NotifyRequests), ElementsAre("delete 5 id0", "add 7 id0"));
}

// ---- Destruction -----------------------------------------------------------------------------

TEST_F(TrayIconTest, DestructionRemovesTheIconBeforeItStopsWatchingTheApplicationWindow) {
    SpyShell spy;
    ScopedSeam<IShell> seam(spy);
    CreateMain([](TestForm&, TabfTrayIcon& t) {
        t.SetMinimizeToTray(true);
        t.SetVisible(true);
    });
    ASSERT_TRUE(app.Watching(tray));
    bool hookedAtDelete = false;
    spy.OnNotify = [&](DWORD message) {
        if (message == NIM_DELETE)
            hookedAtDelete = app.Watching(tray);
    };
    HWND hidden = tray->Handle();

    delete tray;
    EXPECT_EQ(spy.Messages.back(), static_cast<DWORD>(NIM_DELETE));
    EXPECT_TRUE(hookedAtDelete);
    EXPECT_FALSE(app.Watching(tray));
    EXPECT_FALSE(::IsWindow(hidden));
    // Not at program end: the hide step's restoring actions ran.
    EXPECT_TRUE(form->Visible());
    EXPECT_TRUE(::IsWindowVisible(app.Handle()));
}

TEST_F(TrayIconTest, SeveralIconsHookAndUnhookInAnyOrder) {
    const LONG_PTR original = ::GetWindowLongPtrA(app.Handle(), GWLP_WNDPROC);
    TabfTrayIcon* second = nullptr;
    CreateMain([&](TestForm& f, TabfTrayIcon& t) {
        t.SetMinimizeToTray(true);
        second = new TabfTrayIcon(&f);
        second->SetMinimizeToTray(true);
        second->SetIconID(2);
    });
    delete tray;  // the first hooked goes first
    shell.NotifyRequests.clear();
    ::SendMessageA(app.Handle(), WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_THAT(Describe(shell.NotifyRequests), ElementsAre("add 7 id2"));
    delete second;
    EXPECT_EQ(::GetWindowLongPtrA(app.Handle(), GWLP_WNDPROC), original);
}

// Every window that is shown, or asked to show, on this thread while the hook is set.
std::vector<HWND> g_shownWindows;

LRESULT CALLBACK WatchShowing(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION) {
        if (message->message == WM_SHOWWINDOW && message->wParam)
            g_shownWindows.push_back(message->hwnd);
        if (message->message == WM_WINDOWPOSCHANGING &&
            (reinterpret_cast<const WINDOWPOS*>(message->lParam)->flags & SWP_SHOWWINDOW))
            g_shownWindows.push_back(message->hwnd);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(TrayIconProgramEnd, IconGoesAndNoWindowComesUpWhileTheProgramEnds) {
    FakeShell shell;
    ScopedSeam<IShell> shellSeam(shell);
    FakeMessageBoxes boxes;
    ScopedSeam<IMessageBoxes> boxesSeam(boxes);
    auto app = std::make_unique<Application>();
    TestForm::Design = [](TestForm& f) {
        auto* tray = new TabfTrayIcon(&f);
        tray->BeginLoading();
        tray->SetName("TrayIcon1");
        tray->SetMinimizeToTray(true);
        tray->SetVisible(true);
    };
    // Hidden through its flag, as with "start minimized": the hide step would show it.
    app->CreateForm<TestForm>();
    TestForm::Design = nullptr;
    shell.NotifyRequests.clear();

    g_shownWindows.clear();
    HHOOK hook =
        ::SetWindowsHookExA(WH_CALLWNDPROC, &WatchShowing, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    app.reset();
    ::UnhookWindowsHookEx(hook);

    EXPECT_THAT(Describe(shell.NotifyRequests), ElementsAre("delete 5 id0"));
    EXPECT_THAT(g_shownWindows, IsEmpty());
    EXPECT_THAT(boxes.Shown, IsEmpty());
}

}  // namespace
}  // namespace cs::test
