#pragma once
#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/Component.h"
#include "framework/Graphics.h"
#include "framework/Window.h"

namespace cs {

class Form;

// The application object: its hidden application window owns the program's forms (and would
// stand for the program in the task bar), it owns the forms as components, knows the main form,
// runs the message loop and holds the application-wide cursor. One exists at a time.
class Application : public Component {
public:
    Application();
    ~Application() override;

    // The application object, or nullptr when none exists.
    static Application* Current() noexcept { return s_current; }

    HWND Handle() const noexcept { return m_window; }
    // The caption of every message box: the executable's file name, see ApplicationTitle.
    std::string Title() const;
    // The program's main icon ("MAINICON"); empty when the module has none.
    const Icon& GetIcon() const noexcept { return m_icon; }

    // Creates a form owned by the application and runs its creation (AfterConstruction). The
    // first form created is the main form: closing it ends the application.
    template <typename F>
    F* CreateForm() {
        F* form = new F(this);
        if (!m_mainForm) m_mainForm = form;
        form->AfterConstruction();
        return form;
    }
    Form* MainForm() const noexcept { return m_mainForm; }

    // Whether Run shows the main form through its visible flag before the loop starts.
    bool ShowMainForm() const noexcept { return m_showMainForm; }
    void SetShowMainForm(bool show) noexcept { m_showMainForm = show; }

    // The message loop, until a quit request (Terminate, PostQuitMessage) arrives.
    void Run();
    // Waits for one message and dispatches it; a quit request sets Terminated.
    void HandleMessage();
    // Dispatches the messages waiting now and returns; a quit request stays for the loop.
    void ProcessMessages();
    // Asks the message loop to end, through the thread's queue.
    void Terminate() noexcept;
    bool Terminated() const noexcept { return m_terminated; }

    // The cursor over all of the program's windows (Default: every window's own).
    Cursor GetCursor() const noexcept;
    void SetCursor(Cursor cursor);

    // The default error handler: the failure's message in a box with the stop icon.
    void HandleException(const std::exception& failure);

    // Components that watch the application window's messages: each watcher sees every message
    // before the application window handles it, the last one added first. A watcher may go
    // (or add another) while a message passes; the one that goes sees no more.
    using WindowWatcher = std::function<void(UINT message, WPARAM wParam, LPARAM lParam)>;
    void WatchWindow(const void* key, WindowWatcher watcher);
    void UnwatchWindow(const void* key) noexcept;
    bool Watching(const void* key) const noexcept;

protected:
    void Notification(Component* component, Operation operation) override;

private:
    template <typename T, WindowKind Kind>
    friend LRESULT CALLBACK WindowThunk(HWND, UINT, WPARAM, LPARAM) noexcept;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    void AttachHandle(HWND window) noexcept { m_window = window; }
    LRESULT OnClose();
    LRESULT OnSettingChange(UINT message, WPARAM wParam, LPARAM lParam);

    static Application* s_current;
    HWND m_window = nullptr;
    Icon m_icon;
    Form* m_mainForm = nullptr;
    bool m_showMainForm = true;
    bool m_terminated = false;
    std::vector<std::pair<const void*, std::shared_ptr<WindowWatcher>>> m_watchers;
};

}  // namespace cs
