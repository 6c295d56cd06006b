#pragma once
#include <windows.h>

namespace cs {

// The display resolution, for a program that declares itself aware of each monitor's scale.
// The functions that tell it per window came with Windows 10; they are looked up at run time,
// and on older systems every window has the system's resolution.

// The resolution of the primary display, which windows are made for before they are placed.
int SystemDpi() noexcept;
// The resolution of the monitor that the window is on.
int WindowDpi(HWND window) noexcept;
// AdjustWindowRectEx for a window at dpi: its frame, title bar and menu bar at that scale.
void AdjustWindowRectForDpi(RECT& rect, DWORD style, bool menu, DWORD exStyle, int dpi) noexcept;

}  // namespace cs
