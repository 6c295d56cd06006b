#pragma once
#include <windows.h>
#include <shellapi.h>
#include <wininet.h>

#include <string>
#include <type_traits>

#include "platform/Handles.h"

// Side effects that a test must not perform for real sit behind these interfaces. Each has a
// Win32 implementation (the default) and can be replaced for the length of a test with
// ScopedSeam. Each holds only the operations the program really calls.
namespace cs {

class IInternet {
public:
    virtual ~IInternet() = default;
    virtual BOOL GetConnectedState(DWORD* flags, DWORD reserved) = 0;
    virtual HINTERNET Open(const char* agent, DWORD accessType, const char* proxy,
                           const char* proxyBypass, DWORD flags) = 0;
    virtual HINTERNET OpenUrl(HINTERNET session, const char* url, const char* headers,
                              DWORD headersLength, DWORD flags, DWORD_PTR context) = 0;
    virtual BOOL ReadFile(HINTERNET file, void* buffer, DWORD size, DWORD* read) = 0;
    virtual BOOL CloseHandle(HINTERNET handle) = 0;
    // InternetSetOptionA: the session's time-outs.
    virtual BOOL SetOption(HINTERNET handle, DWORD option, void* buffer, DWORD length) = 0;
};

class ISystemTime {
public:
    virtual ~ISystemTime() = default;
    virtual void GetSystemTime(SYSTEMTIME& utc) = 0;
    virtual void GetLocalTime(SYSTEMTIME& local) = 0;
    // ERROR_SUCCESS, or the system's error code when the clock was not set.
    virtual DWORD SetSystemTime(const SYSTEMTIME& utc) = 0;
    virtual DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION& zone) = 0;
};

class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;
    // MessageBoxA: the button pressed (IDOK, ...), 0 on failure.
    virtual int Show(HWND owner, const std::string& text, const std::string& caption,
                     UINT type) = 0;
};

class IShell {
public:
    virtual ~IShell() = default;
    // Shell_NotifyIconA: the notification area's add, modify and delete requests.
    virtual BOOL NotifyIcon(DWORD message, NOTIFYICONDATAA& data) = 0;
    // ShellExecuteA: opens a document or an address with the program associated with it.
    virtual HINSTANCE Execute(HWND owner, const char* operation, const char* file,
                              const char* parameters, const char* directory, int show) = 0;
    // WinExec: starts a program from a command line.
    virtual UINT Exec(const char* commandLine, UINT show) = 0;
};

class IMessageFilter {
public:
    virtual ~IMessageFilter() = default;
    // ChangeWindowMessageFilterEx (Windows 7 and later; FALSE where the system has none): lets
    // a message from a process of lower integrity through to one window of an elevated program.
    virtual BOOL ChangeWindowMessageFilterEx(HWND window, UINT message, DWORD action,
                                             CHANGEFILTERSTRUCT* status) = 0;
};

IInternet& Internet();
ISystemTime& SystemTime();
IMessageBoxes& MessageBoxes();
IShell& Shell();
IMessageFilter& MessageFilter();

// While one of these lives, the system shell's notification-area requests wait, in order, and
// each is answered TRUE at once; they go to the shell when the last one goes. The program holds
// them while it starts, so that its window comes up without waiting on the notification area,
// which answers from another process; nothing in the program looks at the answer. A record
// that names an icon must keep that icon alive until the requests have gone. A seam that
// replaces the system implementation is not held.
class ShellNotificationsHeld {
public:
    ShellNotificationsHeld() noexcept;
    ~ShellNotificationsHeld();
    ShellNotificationsHeld(const ShellNotificationsHeld&) = delete;
    ShellNotificationsHeld& operator=(const ShellNotificationsHeld&) = delete;
};

// nullptr puts the system implementation back. Returns the one replaced.
IInternet* ReplaceInternet(IInternet* seam);
ISystemTime* ReplaceSystemTime(ISystemTime* seam);
IMessageBoxes* ReplaceMessageBoxes(IMessageBoxes* seam);
IShell* ReplaceShell(IShell* seam);
IMessageFilter* ReplaceMessageFilter(IMessageFilter* seam);

// Installs a seam for the life of the guard and puts the previous one back.
template <typename I>
class ScopedSeam {
public:
    explicit ScopedSeam(I& seam) : m_previous(Replace(&seam)) {}
    ~ScopedSeam() { Replace(m_previous); }
    ScopedSeam(const ScopedSeam&) = delete;
    ScopedSeam& operator=(const ScopedSeam&) = delete;

private:
    static I* Replace(I* seam) {
        if constexpr (std::is_same_v<I, IInternet>) return ReplaceInternet(seam);
        if constexpr (std::is_same_v<I, ISystemTime>) return ReplaceSystemTime(seam);
        if constexpr (std::is_same_v<I, IMessageBoxes>) return ReplaceMessageBoxes(seam);
        if constexpr (std::is_same_v<I, IShell>) return ReplaceShell(seam);
        if constexpr (std::is_same_v<I, IMessageFilter>) return ReplaceMessageFilter(seam);
    }
    I* m_previous;
};

namespace detail {
inline void CloseInternetHandle(HINTERNET handle) noexcept {
    Internet().CloseHandle(handle);
}
}  // namespace detail

// An internet handle closed through the seam that opened it.
using unique_hinternet = unique_handle<HINTERNET, detail::CloseInternetHandle>;

}  // namespace cs
