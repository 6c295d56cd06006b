#include "framework/Timer.h"

#include "core/Exception.h"
#include "framework/Window.h"

namespace cs {

namespace {
constexpr char kTimerWindowClass[] = "CsTimerWindow";
constexpr UINT_PTR kTimerId = 1;
}  // namespace

Timer::Timer(Component* owner) : Component(owner) {
    RegisterWindowClass(kTimerWindowClass, &WindowThunk<Timer>);
    // A message-only window: it needs no place on screen and no broadcasts.
    if (!::CreateWindowExA(0, kTimerWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           ModuleInstance(), this))
        throw Exception("Error creating window");
}

Timer::~Timer() {
    if (m_running) ::KillTimer(m_window, kTimerId);
    if (m_window) ::DestroyWindow(m_window);
}

void Timer::SetEnabled(bool enabled) {
    if (enabled == m_enabled) return;
    m_enabled = enabled;
    UpdateTimer();
}

void Timer::SetInterval(UINT interval) {
    if (interval == m_interval) return;
    m_interval = interval;
    UpdateTimer();
}

void Timer::SetOnTimer(NotifyEvent onTimer) {
    m_onTimer = std::move(onTimer);
    UpdateTimer();
}

void Timer::UpdateTimer() {
    if (m_running) ::KillTimer(m_window, kTimerId);
    m_running = false;
    if (!m_enabled || m_interval == 0 || !m_onTimer) return;
    if (!::SetTimer(m_window, kTimerId, m_interval, nullptr))
        throw Exception("Not enough timers available");
    m_running = true;
}

LRESULT Timer::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER: OnTimerMessage(); return 0;
        default: return ::DefWindowProcA(m_window, message, wParam, lParam);
    }
}

void Timer::OnTimerMessage() {
    m_onTimer(*this);
}

}  // namespace cs
