#pragma once
// Driving a modal window from a test: steps run from inside its message loop, one per timer tick,
// as a user's input would arrive while the window is up.
#include <windows.h>

#include <deque>
#include <functional>
#include <optional>
#include <utility>

#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/FrameworkFixture.h"
#include "support/Fakes.h"
#include "support/MessagePump.h"
#include "ui/Unit1.h"
#include "ui/UiTestSupport.h"
#include "ui/about.h"
#include "ui/tzmain.h"

namespace cs::test {

// What ShowModal returns when the steps ran out and the window was still up.
inline constexpr int kStillOpen = 99;

class ModalSteps {
public:
    // The steps run once form's modal loop runs; after the last one, a form still up is ended
    // with kStillOpen, so that a window that should have closed fails the test instead of
    // hanging it.
    ModalSteps(Form& form, std::deque<std::function<void()>> steps)
        : m_form(form), m_steps(std::move(steps)) {
        s_current = this;
        m_timer = ::SetTimer(nullptr, 0, 20, &Tick);
    }
    ~ModalSteps() {
        ::KillTimer(nullptr, m_timer);
        s_current = nullptr;
    }
    ModalSteps(const ModalSteps&) = delete;
    ModalSteps& operator=(const ModalSteps&) = delete;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        ModalSteps* self = s_current;
        if (!self || !self->m_form.Modal()) return;
        if (self->m_steps.empty()) {
            self->m_form.SetModalResult(kStillOpen);
            return;
        }
        auto step = std::move(self->m_steps.front());
        self->m_steps.pop_front();
        step();
    }

    inline static ModalSteps* s_current = nullptr;
    Form& m_form;
    std::deque<std::function<void()>> m_steps;
    UINT_PTR m_timer = 0;
};

// Program entry without the message loop: the main window, then the proxy dialog and the About
// window. The shell and message boxes are fakes.
class DialogTest : public ::testing::Test {
protected:
    DialogTest() {
        ResetSettings();
        ExitRequested = false;
    }
    ~DialogTest() override {
        app.reset();
        TakeQuitRequest();
        ResetSettings();
    }

    void Start() {
        app.emplace();
        app->SetShowMainForm(false);
        main = app->CreateForm<TfrmTzMain>();
        proxy = app->CreateForm<TfrmProxy>();
        about = app->CreateForm<TfrmAbout>();
    }

    // The dialogs behind a plain main window: enough where only the dialogs themselves count,
    // and much quicker to build than the real main window.
    void StartDialogsOnly() {
        app.emplace();
        app->SetShowMainForm(false);
        app->CreateForm<TestForm>();
        proxy = app->CreateForm<TfrmProxy>();
        about = app->CreateForm<TfrmAbout>();
    }

    // Shows form modally while the steps run; its result.
    static int ShowWith(Form& form, std::deque<std::function<void()>> steps) {
        const ModalSteps driver(form, std::move(steps));
        return form.ShowModal();
    }

    static RECT WindowRect(HWND window) {
        RECT rect{};
        ::GetWindowRect(window, &rect);
        return rect;
    }

    FakeMessageBoxes boxes;
    ScopedSeam<IMessageBoxes> boxesSeam{boxes};
    FakeShell shell;
    ScopedSeam<IShell> shellSeam{shell};
    std::optional<Application> app;
    TfrmTzMain* main = nullptr;
    TfrmProxy* proxy = nullptr;
    TfrmAbout* about = nullptr;
};

}  // namespace cs::test
