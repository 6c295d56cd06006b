#pragma once
// Recording fakes for the seams; install them with ScopedSeam for the length of a test.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Seams.h"

namespace cs::test {

struct ShownBox {
    HWND Owner;
    std::string Text;
    std::string Caption;
    UINT Type;
};

class FakeMessageBoxes final : public IMessageBoxes {
public:
    int Show(HWND owner, const std::string& text, const std::string& caption, UINT type) override {
        Shown.push_back({owner, text, caption, type});
        if (OnShow) OnShow();
        return (type & MB_TYPEMASK) == MB_OK ? IDOK : Answer;
    }
    std::vector<ShownBox> Shown;
    // The button pressed in a box that asks a question.
    int Answer = IDNO;
    // Runs while a box is "open", to model the nested message loop of a real one.
    std::function<void()> OnShow;
};

class FakeSystemTime final : public ISystemTime {
public:
    void GetSystemTime(SYSTEMTIME& utc) override { utc = Utc; }
    void GetLocalTime(SYSTEMTIME& local) override {
        local = Local;
        Calls.push_back("GetLocalTime");
    }
    DWORD SetSystemTime(const SYSTEMTIME& utc) override {
        Calls.push_back("SetSystemTime");
        SetTimes.push_back(utc);
        return SetResult;
    }
    DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION& zone) override {
        zone = Zone;
        return ZoneResult;
    }

    SYSTEMTIME Utc{};
    SYSTEMTIME Local{};
    TIME_ZONE_INFORMATION Zone{};
    DWORD ZoneResult = TIME_ZONE_ID_UNKNOWN;
    DWORD SetResult = ERROR_SUCCESS;
    std::vector<SYSTEMTIME> SetTimes;
    std::vector<std::string> Calls;
};

struct InternetOpenCall {
    std::string Agent;
    DWORD AccessType;
    bool ProxyIsNull;
    std::string Proxy;
    bool BypassIsNull;
    DWORD Flags;
};

struct OptionCall {
    HINTERNET Handle;
    DWORD Option;
    DWORD Value;
};

struct UrlOpenCall {
    HINTERNET Session;
    std::string Url;
    bool HeadersAreNull;
    DWORD HeadersLength;
    DWORD Flags;
    DWORD_PTR Context;
};

class FakeInternet final : public IInternet {
public:
    BOOL GetConnectedState(DWORD* flags, DWORD reserved) override {
        ConnectedFlagsIn = *flags;
        ConnectedReserved = reserved;
        ++ConnectedCalls;
        *flags = 0;
        return Connected;
    }
    HINTERNET Open(const char* agent, DWORD accessType, const char* proxy, const char* bypass,
                   DWORD flags) override {
        Opens.push_back({agent ? agent : "", accessType, proxy == nullptr, proxy ? proxy : "",
                         bypass == nullptr, flags});
        return FailOpen ? nullptr : NewHandle();
    }
    HINTERNET OpenUrl(HINTERNET session, const char* url, const char* headers, DWORD headersLength,
                      DWORD flags, DWORD_PTR context) override {
        UrlOpens.push_back(
            {session, url ? url : "", headers == nullptr, headersLength, flags, context});
        return FailOpenUrl ? nullptr : NewHandle();
    }
    BOOL ReadFile(HINTERNET, void* buffer, DWORD size, DWORD* read) override {
        ReadSizes.push_back(size);
        const DWORD n = static_cast<DWORD>(std::min<std::size_t>(size, Data.size()));
        if (FailRead) {
            // A failed read may still have touched the buffer and the count; callers must
            // not trust either.
            const DWORD junk = std::min(n, FailedReadCount);
            std::copy_n(Data.data(), junk, static_cast<char*>(buffer));
            *read = junk;
            return FALSE;
        }
        std::copy_n(Data.data(), n, static_cast<char*>(buffer));
        *read = n;
        return TRUE;
    }
    BOOL CloseHandle(HINTERNET handle) override {
        Closed.push_back(handle);
        return TRUE;
    }
    BOOL SetOption(HINTERNET handle, DWORD option, void* buffer, DWORD length) override {
        DWORD value = 0;
        if (length == sizeof value)
            std::copy_n(static_cast<const char*>(buffer), length, reinterpret_cast<char*>(&value));
        Options.push_back({handle, option, value});
        return TRUE;
    }

    // Handles handed out and not closed.
    std::vector<HINTERNET> OpenHandles() const {
        std::vector<HINTERNET> open;
        for (HINTERNET h : Issued)
            if (std::count(Closed.begin(), Closed.end(), h) != 1) open.push_back(h);
        return open;
    }

    BOOL Connected = TRUE;
    bool FailOpen = false;
    bool FailOpenUrl = false;
    bool FailRead = false;
    // What a failed read reports as read (and copies from Data); 0 unless a test asks.
    DWORD FailedReadCount = 0;
    std::string Data;
    DWORD ConnectedFlagsIn = 0;
    DWORD ConnectedReserved = 99;
    int ConnectedCalls = 0;
    std::vector<InternetOpenCall> Opens;
    std::vector<UrlOpenCall> UrlOpens;
    std::vector<OptionCall> Options;
    std::vector<DWORD> ReadSizes;
    std::vector<HINTERNET> Issued;
    std::vector<HINTERNET> Closed;

private:
    HINTERNET NewHandle() {
        Issued.push_back(
            reinterpret_cast<HINTERNET>(static_cast<std::uintptr_t>(0x1000 + Issued.size())));
        return Issued.back();
    }
};

// One Shell_NotifyIconA request as the shell received it.
struct NotifyRequest {
    DWORD Message;
    NOTIFYICONDATAA Data;
};

struct ExecuteCall {
    HWND Owner;
    std::string Operation;
    std::string File;
    bool ParametersAreNull;
    bool DirectoryIsNull;
    int Show;
};

struct ExecCall {
    std::string CommandLine;
    UINT Show;
};

class FakeShell final : public IShell {
public:
    BOOL NotifyIcon(DWORD message, NOTIFYICONDATAA& data) override {
        NotifyRequests.push_back({message, data});
        return NotifyResult;
    }
    HINSTANCE Execute(HWND owner, const char* operation, const char* file, const char* parameters,
                      const char* directory, int show) override {
        Executes.push_back({owner, operation ? operation : "", file ? file : "",
                            parameters == nullptr, directory == nullptr, show});
        if (OnExecute) OnExecute();
        return reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(33));
    }
    UINT Exec(const char* commandLine, UINT show) override {
        Execs.push_back({commandLine ? commandLine : "", show});
        return 33;
    }

    BOOL NotifyResult = TRUE;
    std::vector<NotifyRequest> NotifyRequests;
    std::vector<ExecuteCall> Executes;
    std::vector<ExecCall> Execs;
    std::function<void()> OnExecute;
};

struct FilterCall {
    HWND Window;
    UINT Message;
    DWORD Action;
};

class FakeMessageFilter final : public IMessageFilter {
public:
    BOOL ChangeWindowMessageFilterEx(HWND window, UINT message, DWORD action,
                                     CHANGEFILTERSTRUCT*) override {
        Calls.push_back({window, message, action});
        return TRUE;
    }
    std::vector<FilterCall> Calls;
};

SYSTEMTIME MakeSystemTime(int year, int month, int day, int hour = 0, int minute = 0,
                          int second = 0, int ms = 0);

}  // namespace cs::test
