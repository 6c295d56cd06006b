#pragma once
#include <windows.h>

namespace cs {

enum class WaitEnd {
    Signalled,  // the handle was signalled
    TimedOut,   // the time was up first
    Quit,       // the program is ending: a quit request came, and it is posted again
};

// Waits on this thread for handle (or, when it is nullptr, only for the time) while dispatching
// every message that comes, just as the nested loop of a message box does: the windows paint,
// menus and the tray icon answer and timers fire.
WaitEnd WaitAnswering(HANDLE handle, DWORD milliseconds);

}  // namespace cs
