#pragma once
#include <windows.h>

#include "framework/Component.h"
#include "framework/Event.h"

namespace cs {

// A system timer of the thread, without a window: its ticks come through the message loop of
// the thread that made it, nested loops included. It runs while it is enabled, its interval is
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
    bool Running() const noexcept { return m_id != 0; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) noexcept;
    void Stop() noexcept;
    void UpdateTimer();

    bool m_enabled = true;
    UINT m_interval = 1000;
    NotifyEvent m_onTimer;
    UINT_PTR m_id = 0;  // the system's id while running
};

}  // namespace cs
