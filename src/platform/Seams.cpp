#include "platform/Seams.h"

namespace cs {
namespace {

class Win32Internet final : public IInternet {
public:
    BOOL GetConnectedState(DWORD* flags, DWORD reserved) override {
        return ::InternetGetConnectedState(flags, reserved);
    }
    HINTERNET Open(const char* agent, DWORD accessType, const char* proxy, const char* proxyBypass,
                   DWORD flags) override {
        return ::InternetOpenA(agent, accessType, proxy, proxyBypass, flags);
    }
    HINTERNET OpenUrl(HINTERNET session, const char* url, const char* headers, DWORD headersLength,
                      DWORD flags, DWORD_PTR context) override {
        return ::InternetOpenUrlA(session, url, headers, headersLength, flags, context);
    }
    BOOL ReadFile(HINTERNET file, void* buffer, DWORD size, DWORD* read) override {
        return ::InternetReadFile(file, buffer, size, read);
    }
    BOOL CloseHandle(HINTERNET handle) override { return ::InternetCloseHandle(handle); }
};

class Win32SystemTime final : public ISystemTime {
public:
    void GetSystemTime(SYSTEMTIME& utc) override { ::GetSystemTime(&utc); }
    void GetLocalTime(SYSTEMTIME& local) override { ::GetLocalTime(&local); }
    DWORD SetSystemTime(const SYSTEMTIME& utc) override {
        return ::SetSystemTime(&utc) ? ERROR_SUCCESS : ::GetLastError();
    }
    DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION& zone) override {
        return ::GetTimeZoneInformation(&zone);
    }
};

class Win32MessageBoxes final : public IMessageBoxes {
public:
    int Show(HWND owner, const std::string& text, const std::string& caption, UINT type) override {
        return ::MessageBoxA(owner, text.c_str(), caption.c_str(), type);
    }
};

class Win32Shell final : public IShell {
public:
    BOOL NotifyIcon(DWORD message, NOTIFYICONDATAA& data) override {
        return ::Shell_NotifyIconA(message, &data);
    }
    HINSTANCE Execute(HWND owner, const char* operation, const char* file, const char* parameters,
                      const char* directory, int show) override {
        return ::ShellExecuteA(owner, operation, file, parameters, directory, show);
    }
    UINT Exec(const char* commandLine, UINT show) override { return ::WinExec(commandLine, show); }
};

Win32Internet g_win32Internet;
Win32SystemTime g_win32SystemTime;
Win32MessageBoxes g_win32MessageBoxes;
Win32Shell g_win32Shell;

IInternet* g_internet = &g_win32Internet;
ISystemTime* g_systemTime = &g_win32SystemTime;
IMessageBoxes* g_messageBoxes = &g_win32MessageBoxes;
IShell* g_shell = &g_win32Shell;

template <typename I, typename D>
I* Swap(I*& current, I* seam, D& system) {
    I* previous = current;
    current = seam ? seam : &system;
    return previous;
}

}  // namespace

IInternet& Internet() {
    return *g_internet;
}
ISystemTime& SystemTime() {
    return *g_systemTime;
}
IMessageBoxes& MessageBoxes() {
    return *g_messageBoxes;
}
IShell& Shell() {
    return *g_shell;
}

IInternet* ReplaceInternet(IInternet* seam) {
    return Swap(g_internet, seam, g_win32Internet);
}
ISystemTime* ReplaceSystemTime(ISystemTime* seam) {
    return Swap(g_systemTime, seam, g_win32SystemTime);
}
IMessageBoxes* ReplaceMessageBoxes(IMessageBoxes* seam) {
    return Swap(g_messageBoxes, seam, g_win32MessageBoxes);
}
IShell* ReplaceShell(IShell* seam) {
    return Swap(g_shell, seam, g_win32Shell);
}

}  // namespace cs
