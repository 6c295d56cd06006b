#pragma once
#include <windows.h>

#include "platform/Dialogs.h"

namespace cs {

// The module whose resources and window classes the framework uses.
HINSTANCE ModuleInstance() noexcept;

// The ICON group resource that is the program's own icon, when the module has one.
inline constexpr char kMainIconName[] = "MAINICON";

// Registers an ANSI window class the first time it is asked for; later calls do nothing.
// The class has no background brush: its windows paint their own colour. With mainIcon its
// windows show the module's main icon (when there is one) until they are given their own.
void RegisterWindowClass(const char* className, WNDPROC procedure, UINT style = 0,
                         bool mainIcon = false);

// The object behind each window of this program, by kind: a control (also a child window of a
// system class), or another window of our own (application, timer, menu windows). Looked up on
// every message, so the table is kept in the process: a window property would be a round trip
// to the window manager for each one.
enum class WindowKind { Control, Object };
// Attaching fails only when memory runs out.
bool AttachWindowObject(HWND window, WindowKind kind, void* object) noexcept;
void* WindowObject(HWND window, WindowKind kind) noexcept;
void DetachWindowObject(HWND window, WindowKind kind) noexcept;

// The window procedure of every window class of our own. The object is passed as the
// lpCreateParams of CreateWindowExA; it is attached at WM_NCCREATE and detached at WM_NCDESTROY,
// so no message reaches an object that is gone. T provides
//   LRESULT WindowProc(UINT, WPARAM, LPARAM) and void AttachHandle(HWND) (nullptr detaches).
// A message arriving before WM_NCCREATE (WM_GETMINMAXINFO) gets the default processing. A
// failure in a handler goes to the default error handler: nothing is thrown to the system.
template <typename T, WindowKind Kind = WindowKind::Object>
LRESULT CALLBACK WindowThunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    T* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<T*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        // Without its entry the window could not reach its object: better no window at all.
        if (!AttachWindowObject(window, Kind, self)) return FALSE;
        self->AttachHandle(window);
    } else {
        self = static_cast<T*>(WindowObject(window, Kind));
    }
    if (!self) return ::DefWindowProcA(window, message, wParam, lParam);
    LRESULT result = 0;
    Guarded([&] { result = self->WindowProc(message, wParam, lParam); });
    if (message == WM_NCDESTROY) {
        DetachWindowObject(window, Kind);
        self->AttachHandle(nullptr);
    }
    return result;
}

}  // namespace cs
