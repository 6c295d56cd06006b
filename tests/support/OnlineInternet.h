#pragma once
#include <windows.h>
#include <wininet.h>

#include "platform/Seams.h"

namespace cs::test {

// The system's WinInet for real, except that it reports a connection. Tests run in a network
// namespace with only loopback, and Wine counts no connection without a routed interface; the
// servers the tests talk to are on 127.0.0.1 all the same. Install with ScopedSeam.
class OnlineInternet final : public IInternet {
public:
    // Takes the implementation in place when constructed (the system's unless a test replaced it).
    OnlineInternet() : m_system(Internet()) {}

    BOOL GetConnectedState(DWORD* flags, DWORD reserved) override {
        ConnectedFlagsIn = *flags;
        ConnectedReserved = reserved;
        *flags = INTERNET_CONNECTION_LAN;
        return TRUE;
    }
    HINTERNET Open(const char* agent, DWORD accessType, const char* proxy, const char* bypass,
                   DWORD flags) override {
        return m_system.Open(agent, accessType, proxy, bypass, flags);
    }
    HINTERNET OpenUrl(HINTERNET session, const char* url, const char* headers, DWORD headersLength,
                      DWORD flags, DWORD_PTR context) override {
        return m_system.OpenUrl(session, url, headers, headersLength, flags, context);
    }
    BOOL ReadFile(HINTERNET file, void* buffer, DWORD size, DWORD* read) override {
        return m_system.ReadFile(file, buffer, size, read);
    }
    BOOL CloseHandle(HINTERNET handle) override { return m_system.CloseHandle(handle); }
    BOOL SetOption(HINTERNET handle, DWORD option, void* buffer, DWORD length) override {
        return m_system.SetOption(handle, option, buffer, length);
    }

    DWORD ConnectedFlagsIn = 0;
    DWORD ConnectedReserved = 99;

private:
    IInternet& m_system;
};

}  // namespace cs::test
