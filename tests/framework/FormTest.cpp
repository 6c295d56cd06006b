#include "framework/Form.h"

#include <gmock/gmock.h>

#include "core/Exception.h"
#include "framework/Timer.h"
#include "framework/FrameworkFixture.h"

namespace cs::test {
namespace {

using ::testing::ElementsAre;

RECT WindowRect(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return rect;
}

bool CentredOnScreen(HWND window) {
    const RECT rect = WindowRect(window);
    return rect.left == (::GetSystemMetrics(SM_CXSCREEN) - (rect.right - rect.left)) / 2 &&
           rect.top == (::GetSystemMetrics(SM_CYSCREEN) - (rect.bottom - rect.top)) / 2;
}

using FormTest = FrameworkTest;

TEST_F(FormTest, VisibleFlagShowsCentredAndShowWindowLeavesItSet) {
    TestForm* form = app.CreateForm<TestForm>();
    ASSERT_FALSE(::IsWindowVisible(form->Handle()));

    form->SetVisible(true);
    EXPECT_TRUE(::IsWindowVisible(form->Handle()));
    EXPECT_TRUE(CentredOnScreen(form->Handle()));

    // Hidden behind the flag's back: the flag stays set, so setting it again changes nothing.
    ::ShowWindow(form->Handle(), SW_HIDE);
    EXPECT_TRUE(form->Visible());
    form->SetVisible(true);
    EXPECT_FALSE(::IsWindowVisible(form->Handle()));

    // Through the flag it comes back centred, wherever it was moved to.
    form->SetVisible(false);
    ::SetWindowPos(form->Handle(), nullptr, 7, 9, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    form->SetVisible(true);
    EXPECT_TRUE(::IsWindowVisible(form->Handle()));
    EXPECT_TRUE(CentredOnScreen(form->Handle()));
}

TEST_F(FormTest, VisibleSetWhileCreatingShowsOnlyWhenCreationIsOver) {
    bool shownDuringCreate = true;
    TestForm::Design = [&](TestForm& form) {
        form.OnCreate = [&](Component&) {
            form.SetVisible(true);
            shownDuringCreate = ::IsWindowVisible(form.Handle()) != FALSE;
        };
    };
    TestForm* form = app.CreateForm<TestForm>();
    EXPECT_FALSE(shownDuringCreate);
    EXPECT_TRUE(::IsWindowVisible(form->Handle()));
}

TEST_F(FormTest, CreationFailureIsShownAndTheFormLivesOn) {
    TestForm::Design = [](TestForm& form) {
        form.OnCreate = [&](Component&) {
            form.SetVisible(true);
            throw Exception("Boom");
        };
    };
    TestForm* form = app.CreateForm<TestForm>();
    EXPECT_THAT(StopBoxes(), ElementsAre("Boom."));
    EXPECT_TRUE(::IsWindow(form->Handle()));
    // What the handler did before it failed stands.
    EXPECT_TRUE(::IsWindowVisible(form->Handle()));
}

struct CloseCase {
    const char* Name;
    bool MainForm;
    bool ActionNone;
    bool Quits;
    bool Visible;
};

class FormCloseTest : public FrameworkTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(FormCloseTest, CloseBoxActsByCloseActionAndMainForm) {
    const CloseCase& c = GetParam();
    if (!c.MainForm) app.CreateForm<TestForm>();
    TestForm* form = app.CreateForm<TestForm>();
    form->OnClose = [&](Component&, CloseAction& action) {
        if (c.ActionNone) action = CloseAction::None;
    };
    form->SetVisible(true);
    ::SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(TakeQuitRequest(), c.Quits);
    EXPECT_EQ(::IsWindowVisible(form->Handle()) != FALSE, c.Visible);
    EXPECT_TRUE(::IsWindow(form->Handle()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormCloseTest,
    ::testing::Values(CloseCase{"MainFormEndsApplication", true, false, true, true},
                      CloseCase{"MainFormKeptByActionNone", true, true, false, true},
                      CloseCase{"OtherFormHides", false, false, false, false},
                      CloseCase{"OtherFormKeptByActionNone", false, true, false, true}),
    [](const auto& info) { return std::string(info.param.Name); });

// Frame layouts of the test form's windows, counted by window class: the window does not
// exist yet when counting starts.
int g_testFormLayouts = 0;
LRESULT CALLBACK CountTestFormLayouts(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    char name[32] = {};
    if (code == HC_ACTION && message->message == WM_NCCALCSIZE &&
        ::GetClassNameA(message->hwnd, name, sizeof name) && std::string(name) == "TCsTestForm")
        ++g_testFormLayouts;
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// The window is made with the whole design: its frame is laid out once, with the menu bar,
// and the client area keeps its designed size below the bar.
TEST_F(FormTest, TheWindowIsMadeOnceWithItsWholeDesign) {
    TestForm::Design = [](TestForm& form) {
        auto* menu = new MainMenu(&form);
        auto* file = new MenuItem(&form);
        file->SetCaption("&File");
        menu->Items().Add(file);
        form.SetMenu(menu);
        form.SetFormStyle(FormStyle::StayOnTop);
        form.SetPosition(FormPosition::Designed);
        form.SetLeft(37);
        form.SetTop(41);
        EXPECT_EQ(form.Handle(), nullptr);
    };
    g_testFormLayouts = 0;
    HHOOK hook = ::SetWindowsHookExA(WH_CALLWNDPROC, &CountTestFormLayouts, nullptr,
                                     ::GetCurrentThreadId());
    TestForm* form = app.CreateForm<TestForm>();
    ::UnhookWindowsHookEx(hook);
    EXPECT_EQ(g_testFormLayouts, 1);
    RECT client{};
    ::GetClientRect(form->Handle(), &client);
    EXPECT_EQ(client.right, 200);
    EXPECT_EQ(client.bottom, 100);
    EXPECT_EQ(::GetMenu(form->Handle()), form->Menu()->Handle());
    EXPECT_NE(::GetWindowLongA(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    RECT window{};
    ::GetWindowRect(form->Handle(), &window);
    EXPECT_EQ(window.left, 37);
    EXPECT_EQ(window.top, 41);
    EXPECT_EQ(::GetWindow(form->Handle(), GW_OWNER), app.Handle());
}

// Records its Loaded call and, when it goes, whether its owner was still a form with a window.
class Probe : public Component {
public:
    Probe(Component* owner, std::vector<std::string>& log, const char* name)
        : Component(owner), m_log(log) {
        BeginLoading();
        SetName(name);
    }
    ~Probe() override {
        const auto* form = dynamic_cast<Form*>(Owner());
        m_log.push_back(Name() + (form && ::IsWindow(form->Handle()) ? " gone from form"
                                                                     : " gone from nothing"));
    }
    void Loaded() override {
        Component::Loaded();
        m_log.push_back(Name() + " loaded");
    }

private:
    std::vector<std::string>& m_log;
};

TEST_F(FormTest, ComponentsLoadInOrderAndGoWhileTheFormIsStillOne) {
    std::vector<std::string> log;
    TestForm::Design = [&](TestForm& form) {
        new Probe(&form, log, "First");
        new Probe(&form, log, "Second");
    };
    TestForm* form = app.CreateForm<TestForm>();
    delete form;
    EXPECT_THAT(log, ElementsAre("First loaded", "Second loaded", "Second gone from form",
                                 "First gone from form"));
}

TEST_F(FormTest, ShowModalEndsWithModalResultAndKeepsOthersDisabledMeanwhile) {
    TestForm* main = app.CreateForm<TestForm>();
    main->SetVisible(true);
    TestForm* dialog = app.CreateForm<TestForm>();
    bool mainEnabledDuringModal = true;
    auto* timer = new Timer(dialog);
    timer->SetInterval(50);
    timer->SetOnTimer([&](Component&) {
        mainEnabledDuringModal = ::IsWindowEnabled(main->Handle()) != FALSE;
        dialog->SetModalResult(mrOk);
    });

    EXPECT_EQ(dialog->ShowModal(), mrOk);
    EXPECT_FALSE(mainEnabledDuringModal);
    EXPECT_TRUE(::IsWindowEnabled(main->Handle()));
    EXPECT_FALSE(::IsWindowVisible(dialog->Handle()));
    EXPECT_FALSE(dialog->Visible());
}

TEST_F(FormTest, AModalFormOpensAboveAnAlwaysOnTopWindow) {
    TestForm* main = app.CreateForm<TestForm>();
    main->SetFormStyle(FormStyle::StayOnTop);
    main->SetVisible(true);
    TestForm* dialog = app.CreateForm<TestForm>();
    bool topmostWhileShown = false;
    bool aboveMain = false;
    auto* timer = new Timer(dialog);
    timer->SetInterval(50);
    timer->SetOnTimer([&](Component&) {
        topmostWhileShown = (::GetWindowLongA(dialog->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        // The dialog comes before the main window in the z-order.
        for (HWND w = ::GetWindow(dialog->Handle(), GW_HWNDNEXT); w;
             w = ::GetWindow(w, GW_HWNDNEXT))
            if (w == main->Handle()) aboveMain = true;
        dialog->SetModalResult(mrOk);
    });
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    EXPECT_TRUE(topmostWhileShown);
    EXPECT_TRUE(aboveMain);
}

TEST_F(FormTest, ShowModalEndsWithCancelOnCloseBoxAndOnQuitWhichItPassesOn) {
    app.CreateForm<TestForm>();
    TestForm* dialog = app.CreateForm<TestForm>();
    auto* timer = new Timer(dialog);
    timer->SetInterval(50);
    timer->SetOnTimer([&](Component&) { ::PostMessageA(dialog->Handle(), WM_CLOSE, 0, 0); });
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_FALSE(TakeQuitRequest());

    timer->SetOnTimer([](Component&) { ::PostQuitMessage(0); });
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_TRUE(TakeQuitRequest());
}

TEST_F(FormTest, RunShowsTheMainFormOnlyWhenAskedAndEndsOnTerminate) {
    TestForm* form = app.CreateForm<TestForm>();
    app.SetShowMainForm(false);
    app.Terminate();
    app.Run();
    EXPECT_TRUE(app.Terminated());
    EXPECT_FALSE(::IsWindowVisible(form->Handle()));
}

}  // namespace
}  // namespace cs::test
