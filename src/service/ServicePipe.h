#pragma once
#include <windows.h>

#include "platform/Handles.h"
#include "service/ClockService.h"

namespace cs {

// Who may open the service's pipe: SYSTEM and Administrators everything; interactive users read,
// write and set the read mode (not create another instance, not change the descriptor); network
// logons and anonymous callers are denied outright, so that not even an administrator's network
// logon gets in. Protected, so nothing is inherited. Owned by LOCAL SERVICE, the service's
// account, whatever the system's default: the program believes no pipe owned by anyone else.
inline constexpr const char* kServicePipeSecurity =
    "O:LSD:P(D;;0x1f01ff;;;NU)(D;;0x1f01ff;;;AN)(A;;0x1f01ff;;;SY)(A;;0x1f01ff;;;BA)"
    "(A;;0x12018b;;;IU)";

// A caller that has not sent its request, or not taken its answer, within this is dropped.
inline constexpr DWORD kPipeClientLimitMs = 2000;
// After its answer a caller has this long to read it and close its end, and may send this much
// more, which is read and dropped; then it is disconnected.
inline constexpr DWORD kPipeDrainLimitMs = 500;
inline constexpr DWORD kPipeDrainBytes = 64 * 1024;
// The service ends itself after this long without a connection.
inline constexpr DWORD kServiceIdleMs = 60000;

// The service's one pipe instance: the first of its name (so nobody else can have made it
// before), local clients only, message mode, one connection at a time.
class ServicePipe {
public:
    // Throws nothing; error is the system's code when the pipe could not be made.
    static ServicePipe Create(DWORD& error);

    explicit operator bool() const noexcept { return static_cast<bool>(m_pipe); }
    HANDLE get() const noexcept { return m_pipe.get(); }

    enum class Ended { Stopped, Idle, Failed };
    // Serves one connection after another, one request each, until stop is signalled or idleMs
    // pass without a connection.
    Ended Serve(ClockService& service, HANDLE stop, DWORD idleMs);

private:
    // Waits for overlapped I/O on the pipe for at most limit, or until stop; cancels it
    // otherwise. The bytes moved, or nothing.
    bool Complete(OVERLAPPED& overlapped, HANDLE stop, DWORD limit, DWORD& moved, DWORD& error);
    void ServeConnection(ClockService& service, HANDLE stop);

    unique_handle_k m_pipe{};
    unique_handle_k m_event{};
};

}  // namespace cs
