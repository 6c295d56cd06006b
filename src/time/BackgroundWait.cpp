#include "time/BackgroundWait.h"

namespace cs {

WaitEnd WaitAnswering(HANDLE handle, DWORD milliseconds) {
    const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
    const DWORD count = handle ? 1 : 0;
    for (;;) {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline) {
            const bool done = handle && ::WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
            return done ? WaitEnd::Signalled : WaitEnd::TimedOut;
        }
        const DWORD left = static_cast<DWORD>(deadline - now);
        // MWMO_INPUTAVAILABLE: also messages that came before the wait and were only looked at.
        const DWORD woke = ::MsgWaitForMultipleObjectsEx(count, handle ? &handle : nullptr, left,
                                                         QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (handle && woke == WAIT_OBJECT_0) return WaitEnd::Signalled;
        if (woke == WAIT_TIMEOUT || woke == WAIT_FAILED) return WaitEnd::TimedOut;
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                // The loop that owns the quit request ends the program.
                ::PostQuitMessage(static_cast<int>(message.wParam));
                return WaitEnd::Quit;
            }
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
            // A message handled here may run for long (a menu, a message box): the handle
            // wins over the messages that piled up meanwhile.
            if (handle && ::WaitForSingleObject(handle, 0) == WAIT_OBJECT_0)
                return WaitEnd::Signalled;
        }
    }
}

}  // namespace cs
