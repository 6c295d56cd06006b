#pragma once
// Running this thread's message loop from a test, the way the program's loop would.
#include <windows.h>

#include <functional>

namespace cs::test {

// Dispatches this thread's messages for about milliseconds. Returns true when a quit request
// arrived meanwhile; it is taken out of the queue, so it cannot end a later test's loop.
bool PumpMessages(DWORD milliseconds);

// Dispatches messages until done() holds or timeoutMs have passed; returns done(). A quit
// request that arrives meanwhile is dropped.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// Takes a waiting quit request out of the queue; true when there was one.
bool TakeQuitRequest();

}  // namespace cs::test
