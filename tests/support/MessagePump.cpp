#include "support/MessagePump.h"

#include <algorithm>

namespace cs::test {

namespace {

// Dispatches what is waiting now; true when a quit request was among it.
bool DispatchWaiting() {
    bool quit = false;
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit = true;
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return quit;
}

}  // namespace

bool PumpMessages(DWORD milliseconds) {
    bool quit = false;
    const DWORD start = ::GetTickCount();
    for (;;) {
        quit |= DispatchWaiting();
        const DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= milliseconds) return quit;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        DispatchWaiting();
        if (done()) return true;
        const DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= timeoutMs) return done();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(50, timeoutMs - elapsed),
                                    QS_ALLINPUT);
    }
}

bool TakeQuitRequest() {
    MSG message;
    bool quit = false;
    while (::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) quit = true;
    return quit;
}

}  // namespace cs::test
