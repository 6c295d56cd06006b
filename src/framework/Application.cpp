#include "framework/Application.h"

#include <algorithm>

#include "core/Exception.h"
#include "framework/Control.h"
#include "framework/Form.h"
#include "framework/Window.h"
#include "platform/AppInfo.h"
#include "platform/Dialogs.h"
#include "platform/Messages.h"

namespace cs {

namespace {
constexpr char kApplicationWindowClass[] = "CsApplicationWindow";
}  // namespace

Application* Application::s_current = nullptr;

Application::Application() : Component(nullptr) {
    if (s_current) throw Exception("An application object exists already");
    if (::FindResourceA(ModuleInstance(), kMainIconName, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */))
        m_icon.LoadShared(ModuleInstance(), kMainIconName);

    // The class carries the program's icon, for the task bar and the task switcher: the same
    // shared images.
    RegisterWindowClass(kApplicationWindowClass, &WindowThunk<Application>, 0, true);
    // Never shown by the framework, and of no size: it is there to own the forms. Its place is
    // the middle of the screen, where a minimize animation would start.
    const int x = ::GetSystemMetrics(SM_CXSCREEN) / 2;
    const int y = ::GetSystemMetrics(SM_CYSCREEN) / 2;
    if (!::CreateWindowExA(0, kApplicationWindowClass, Title().c_str(),
                           WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, x,
                           y, 0, 0, nullptr, nullptr, ModuleInstance(), this))
        throw Exception("Error creating window");
    s_current = this;
}

Application::~Application() {
    // The forms go first, while the application window that owns theirs still exists.
    DestroyComponents();
    if (m_window) ::DestroyWindow(m_window);
    SetScreenCursor(Cursor::Default);
    s_current = nullptr;
}

std::string Application::Title() const {
    return ApplicationTitle();
}

void Application::Run() {
    if (m_showMainForm && m_mainForm) m_mainForm->SetVisible(true);
    while (!m_terminated) HandleMessage();
}

void Application::HandleMessage() {
    MSG message;
    const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) {
        m_terminated = true;
        return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
}

void Application::ProcessMessages() {
    ProcessPendingMessages();
}

void Application::Terminate() noexcept {
    ::PostQuitMessage(0);
}

Cursor Application::GetCursor() const noexcept {
    return ScreenCursor();
}

void Application::SetCursor(Cursor cursor) {
    SetScreenCursor(cursor);
}

void Application::HandleException(const std::exception& failure) {
    cs::HandleException(failure);
}

void Application::Notification(Component* component, Operation operation) {
    Component::Notification(component, operation);
    if (operation == Operation::Remove && component == m_mainForm) m_mainForm = nullptr;
}

void Application::WatchWindow(const void* key, WindowWatcher watcher) {
    UnwatchWindow(key);
    m_watchers.emplace_back(key, std::make_shared<WindowWatcher>(std::move(watcher)));
}

void Application::UnwatchWindow(const void* key) noexcept {
    std::erase_if(m_watchers, [key](const auto& watcher) { return watcher.first == key; });
}

bool Application::Watching(const void* key) const noexcept {
    return std::any_of(m_watchers.begin(), m_watchers.end(),
                       [key](const auto& watcher) { return watcher.first == key; });
}

LRESULT Application::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // A copy: watchers come and go while a message passes.
    const auto watchers = m_watchers;
    for (auto at = watchers.rbegin(); at != watchers.rend(); ++at) {
        const bool stillWatching =
            std::any_of(m_watchers.begin(), m_watchers.end(),
                        [&](const auto& w) { return w.second == at->second; });
        if (stillWatching) (*at->second)(message, wParam, lParam);
    }
    switch (message) {
        case WM_CLOSE: return OnClose();
        // The hidden window hears of them even while every form is hidden.
        case WM_SYSCOLORCHANGE:
        case WM_SETTINGCHANGE: return OnSettingChange(message, wParam, lParam);
        default: return ::DefWindowProcA(m_window, message, wParam, lParam);
    }
}

LRESULT Application::OnSettingChange(UINT message, WPARAM wParam, LPARAM lParam) {
    RefreshHighContrast(message == WM_SYSCOLORCHANGE);
    return ::DefWindowProcA(m_window, message, wParam, lParam);
}

// Closing the application window (from its system menu) is closing the main form.
LRESULT Application::OnClose() {
    if (m_mainForm) m_mainForm->Close();
    return 0;
}

}  // namespace cs
