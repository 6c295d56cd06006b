#include "platform/Seams.h"

#include <cstring>
#include <utility>
#include <vector>

#include "platform/CommonControls.h"

namespace cs {
namespace {

// WinInet and the shell are loaded from the system folder when first used rather than at
// start-up: the program may sit in the notification area for a whole session without a
// synchronization, and each library costs start-up time and memory.
HMODULE SystemLibrary(const char* name) noexcept {
    char path[MAX_PATH];
    const UINT length = ::GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + 1 + std::strlen(name) >= MAX_PATH) return nullptr;
    path[length] = '\\';
    std::strcpy(path + length + 1, name);
    return ::LoadLibraryA(path);
}

HMODULE WinInet() noexcept {
    static const HMODULE module = SystemLibrary("wininet.dll");
    return module;
}

HMODULE Shell32() noexcept {
    static const HMODULE module = SystemLibrary("shell32.dll");
    return module;
}

// The function of that name, or nullptr with the reason as the last error.
template <typename F>
F* Function(HMODULE module, const char* name) noexcept {
    const FARPROC found = module ? ::GetProcAddress(module, name) : nullptr;
    if (!found) ::SetLastError(module ? ERROR_PROC_NOT_FOUND : ERROR_MOD_NOT_FOUND);
    return reinterpret_cast<F*>(reinterpret_cast<void*>(found));
}

class Win32Internet final : public IInternet {
public:
    BOOL GetConnectedState(DWORD* flags, DWORD reserved) override {
        auto* function =
            Function<decltype(::InternetGetConnectedState)>(WinInet(), "InternetGetConnectedState");
        return function ? function(flags, reserved) : FALSE;
    }
    HINTERNET Open(const char* agent, DWORD accessType, const char* proxy, const char* proxyBypass,
                   DWORD flags) override {
        auto* function = Function<decltype(::InternetOpenA)>(WinInet(), "InternetOpenA");
        return function ? function(agent, accessType, proxy, proxyBypass, flags) : nullptr;
    }
    HINTERNET OpenUrl(HINTERNET session, const char* url, const char* headers, DWORD headersLength,
                      DWORD flags, DWORD_PTR context) override {
        auto* function = Function<decltype(::InternetOpenUrlA)>(WinInet(), "InternetOpenUrlA");
        return function ? function(session, url, headers, headersLength, flags, context) : nullptr;
    }
    BOOL ReadFile(HINTERNET file, void* buffer, DWORD size, DWORD* read) override {
        auto* function = Function<decltype(::InternetReadFile)>(WinInet(), "InternetReadFile");
        return function ? function(file, buffer, size, read) : FALSE;
    }
    BOOL CloseHandle(HINTERNET handle) override {
        auto* function =
            Function<decltype(::InternetCloseHandle)>(WinInet(), "InternetCloseHandle");
        return function ? function(handle) : FALSE;
    }
    BOOL SetOption(HINTERNET handle, DWORD option, void* buffer, DWORD length) override {
        auto* function = Function<decltype(::InternetSetOptionA)>(WinInet(), "InternetSetOptionA");
        return function ? function(handle, option, buffer, length) : FALSE;
    }
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
        const ThemedControls themed;
        return ::MessageBoxA(owner, text.c_str(), caption.c_str(), type);
    }
};

class Win32Shell final : public IShell {
public:
    BOOL NotifyIcon(DWORD message, NOTIFYICONDATAA& data) override {
        if (m_holds > 0) {
            m_held.emplace_back(message, data);
            return TRUE;
        }
        return Send(message, data);
    }
    HINSTANCE Execute(HWND owner, const char* operation, const char* file, const char* parameters,
                      const char* directory, int show) override {
        auto* function = Function<decltype(::ShellExecuteA)>(Shell32(), "ShellExecuteA");
        // What ShellExecuteA itself answers when a library it needs is missing.
        if (!function) return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_DLLNOTFOUND));
        return function(owner, operation, file, parameters, directory, show);
    }
    UINT Exec(const char* commandLine, UINT show) override { return ::WinExec(commandLine, show); }

    void Hold() noexcept { ++m_holds; }
    void Release() noexcept {
        if (--m_holds > 0) return;
        std::vector<std::pair<DWORD, NOTIFYICONDATAA>> held;
        held.swap(m_held);
        for (auto& [message, data] : held) Send(message, data);
    }

private:
    static BOOL Send(DWORD message, NOTIFYICONDATAA& data) noexcept {
        auto* function = Function<decltype(::Shell_NotifyIconA)>(Shell32(), "Shell_NotifyIconA");
        return function ? function(message, &data) : FALSE;
    }

    int m_holds = 0;
    std::vector<std::pair<DWORD, NOTIFYICONDATAA>> m_held;
};

class Win32MessageFilter final : public IMessageFilter {
public:
    BOOL ChangeWindowMessageFilterEx(HWND window, UINT message, DWORD action,
                                     CHANGEFILTERSTRUCT* status) override {
        // Looked up rather than imported, so that the program still starts where user32 has
        // no such function; there, nothing filters messages either.
        static auto* const function = Function<decltype(::ChangeWindowMessageFilterEx)>(
            ::GetModuleHandleA("user32.dll"), "ChangeWindowMessageFilterEx");
        return function ? function(window, message, action, status) : FALSE;
    }
};

Win32Internet g_win32Internet;
Win32SystemTime g_win32SystemTime;
Win32MessageBoxes g_win32MessageBoxes;
Win32Shell g_win32Shell;
Win32MessageFilter g_win32MessageFilter;

IInternet* g_internet = &g_win32Internet;
ISystemTime* g_systemTime = &g_win32SystemTime;
IMessageBoxes* g_messageBoxes = &g_win32MessageBoxes;
IShell* g_shell = &g_win32Shell;
IMessageFilter* g_messageFilter = &g_win32MessageFilter;

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
IMessageFilter& MessageFilter() {
    return *g_messageFilter;
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
ShellNotificationsHeld::ShellNotificationsHeld() noexcept {
    g_win32Shell.Hold();
}

ShellNotificationsHeld::~ShellNotificationsHeld() {
    g_win32Shell.Release();
}

IShell* ReplaceShell(IShell* seam) {
    return Swap(g_shell, seam, g_win32Shell);
}

IMessageFilter* ReplaceMessageFilter(IMessageFilter* seam) {
    return Swap(g_messageFilter, seam, g_win32MessageFilter);
}

}  // namespace cs
