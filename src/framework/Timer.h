#pragma once
#include <windows.h>

#include "framework/Component.h"
#include "framework/Event.h"
#include "framework/Window.h"

namespace cs {

// A window timer on a hidden window of its own. It runs while it is enabled, its interval is
// not 0 and it has an OnTimer handler. Setting Enabled or Interval to the value it already has
// changes nothing, so the countdown goes on.
class Timer : public Component {
public:
    explicit Timer(Component* owner);
    ~Timer() override;

    bool Enabled() const noexcept { return m_enabled; }
    void SetEnabled(bool enabled);
    // Milliseconds.
    UINT Interval() const noexcept { return m_interval; }
    void SetInterval(UINT interval);
    void SetOnTimer(NotifyEvent onTimer);
    // True while the system timer is set.
    bool Running() const noexcept { return m_running; }
    HWND Handle() const noexcept { return m_window; }

private:
    template <typename T, WindowKind Kind>
    friend LRESULT CALLBACK WindowThunk(HWND, UINT, WPARAM, LPARAM) noexcept;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    void AttachHandle(HWND window) noexcept { m_window = window; }
    void UpdateTimer();
    void OnTimerMessage();

    bool m_enabled = true;
    UINT m_interval = 1000;
    NotifyEvent m_onTimer;
    bool m_running = false;
    HWND m_window = nullptr;
};

}  // namespace cs
