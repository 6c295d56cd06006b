#pragma once
#include <windows.h>
#include <commctrl.h>

// Window subclassing as the common controls offer it (SetWindowSubclass and its two partners),
// kept in the program: the common controls library is large, and the program's own windows
// need none of its controls. Any number of subclass procedures may be added to a window and
// removed in any order, also from inside one of them; the last one added sees a message first,
// and DefSubclassProc passes it to the next, finally to the window's own procedure. The chain
// goes with the window. For the windows of the calling thread.
namespace cs {

bool SetWindowSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data);
bool RemoveWindowSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id) noexcept;
LRESULT DefSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace cs
