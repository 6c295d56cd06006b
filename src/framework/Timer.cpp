#include "framework/Timer.h"

#include <unordered_map>

#include "core/Exception.h"
#include "framework/Window.h"

namespace cs {

namespace {
// The running timers of this thread by the ids the system gave them. A timer without a window
// costs the system nothing beyond its entry in the thread's timer list.
std::unordered_map<UINT_PTR, Timer*>& RunningTimers() {
    thread_local std::unordered_map<UINT_PTR, Timer*> timers;
    return timers;
}
}  // namespace

Timer::Timer(Component* owner) : Component(owner) {}

Timer::~Timer() {
    Stop();
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

void Timer::Stop() noexcept {
    if (!m_id) return;
    ::KillTimer(nullptr, m_id);
    RunningTimers().erase(m_id);
    m_id = 0;
}

void Timer::UpdateTimer() {
    Stop();
    if (!m_enabled || m_interval == 0 || !m_onTimer) return;
    const UINT_PTR id = ::SetTimer(nullptr, 0, m_interval, &Timer::Tick);
    if (!id) throw Exception("Not enough timers available");
    RunningTimers()[id] = this;
    m_id = id;
}

void CALLBACK Timer::Tick(HWND, UINT, UINT_PTR id, DWORD) noexcept {
    const auto found = RunningTimers().find(id);
    if (found == RunningTimers().end()) return;
    Timer* timer = found->second;
    // The handler may stop or destroy its timer; nothing here touches it afterwards.
    Guarded([timer] { timer->m_onTimer(*timer); });
}

}  // namespace cs
