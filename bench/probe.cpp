// The measuring half of scripts/bench. Runs in the same Wine prefix as the programs it measures,
// starts them, drives ClockSync from outside as a user would (keyboard for the menus, the mouse
// for "Ping Now") and prints one "name value" line per figure:
//   bench_probe BARE.exe CLOCKSYNC.exe IDLE_SECONDS MENU_PAINTS PINGS [BARE_CLOCK.exe]
#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Target {
    std::string Path;
    const char* Class;
    const char* Title;
    bool ExitsByMenu;  // closing the window only hides it: File > Exit ends the program
};

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

void Print(const std::string& name, double value) {
    std::printf("%s %.6g\n", name.c_str(), value);
    std::fflush(stdout);
}

void Note(const std::string& text) {
    std::printf("note %s\n", text.c_str());
    std::fflush(stdout);
}

void WaitFor(const char* what, DWORD timeoutMs, const std::function<bool()>& done) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) throw Failure(std::string("timed out: ") + what);
        ::Sleep(1);
    }
}

class Process {
public:
    explicit Process(const Target& target) : m_target(target) {
        std::string commandLine = "\"" + target.Path + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        m_started = Clock::now();
        if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &m_info)) {
            throw Failure("cannot start " + target.Path);
        }
    }
    ~Process() {
        if (::WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(m_info.hProcess, 0);
            ::WaitForSingleObject(m_info.hProcess, 10000);
        }
        ::CloseHandle(m_info.hThread);
        ::CloseHandle(m_info.hProcess);
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Milliseconds from CreateProcess until the main window is visible.
    double WaitUntilShown() {
        WaitFor("the main window", 60000, [&] {
            m_window = ::FindWindowA(m_target.Class, m_target.Title);
            return m_window && ::IsWindowVisible(m_window);
        });
        return std::chrono::duration<double, std::milli>(Clock::now() - m_started).count();
    }

    // Ends the program as a user would. A program killed with its notification-area icon still
    // registered leaves the icon behind, and under Wine the next program's first window then
    // waits on it for over a second, which would be charged to the next start-up.
    void End();

    HANDLE Handle() const { return m_info.hProcess; }
    DWORD Id() const { return m_info.dwProcessId; }
    HWND Window() const { return m_window; }

private:
    Target m_target;
    PROCESS_INFORMATION m_info{};
    Clock::time_point m_started;
    HWND m_window = nullptr;
};

void ExitByMenu(const Process& program);

void Process::End() {
    if (m_window && m_target.ExitsByMenu) {
        ExitByMenu(*this);
    } else if (m_window) {
        ::PostMessageA(m_window, WM_CLOSE, 0, 0);
    }
    if (::WaitForSingleObject(m_info.hProcess, 10000) != WAIT_OBJECT_0)
        Note("a program did not end by itself and was killed");
}

// ---- What the process uses -----------------------------------------------------------------

double Milliseconds(const LARGE_INTEGER& hundredNanoseconds) {
    return static_cast<double>(hundredNanoseconds.QuadPart) / 10000.0;
}

// The system's process list: Wine's GetProcessTimes answers with the caller's own times whatever
// the process asked for, while its process list has each process's and thread's, from the kernel.
double CpuFromProcessList(DWORD processId) {
    using QuerySystemInformation = NTSTATUS(NTAPI*)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return -1;
    std::vector<BYTE> buffer(1 << 20);
    ULONG needed = 0;
    while (query(SystemProcessInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                 &needed) != 0) {
        if (buffer.size() >= (64u << 20)) return -1;
        buffer.resize(buffer.size() * 2);
    }
    for (std::size_t at = 0;;) {
        const auto* entry = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(&buffer[at]);
        if (reinterpret_cast<UINT_PTR>(entry->UniqueProcessId) == processId) {
            double total = Milliseconds(entry->UserTime) + Milliseconds(entry->KernelTime);
            if (total > 0) return total;
            // Kernel, user and creation time lead each thread's entry.
            const auto* thread = reinterpret_cast<const SYSTEM_THREAD_INFORMATION*>(entry + 1);
            for (ULONG i = 0; i < entry->NumberOfThreads; ++i)
                total +=
                    Milliseconds(thread[i].Reserved1[0]) + Milliseconds(thread[i].Reserved1[1]);
            return total;
        }
        if (entry->NextEntryOffset == 0) return -1;
        at += entry->NextEntryOffset;
    }
}

double CpuMilliseconds(const Process& process) {
    const double listed = CpuFromProcessList(process.Id());
    if (listed >= 0) return listed;
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(process.Handle(), &created, &exited, &kernel, &user)) return -1;
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

double PeakMemoryKiB(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(process, &counters, sizeof counters)) return -1;
    return static_cast<double>(counters.PeakWorkingSetSize) / 1024.0;
}

// Wine keeps a process's GDI handles in a table of its own that the process's PEB points to, as
// Windows does; an entry in use has a type, and stock objects carry a flag. Wine's entries are
// 24 bytes in 32- and 64-bit processes alike.
struct WineGdiEntry {
    UINT64 Object;
    ULONG Owner;
    USHORT Unique;  // bit 7: stock object
    UCHAR Type;
    UCHAR Flags;
    UINT64 UserPointer;
};
static_assert(sizeof(WineGdiEntry) == 24);

// Objects in use by type (Wine's numbers: 1 DC, 4 region, 8 palette, 9 bitmap, 10 font,
// 16 brush, 48 pen), or nothing when the table cannot be read.
std::map<int, long> WineGdiObjects(HANDLE process) {
    using QueryInformationProcess =
        NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryInformationProcess>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0)
        return {};
    // PEB.GdiSharedHandleTable
    const std::size_t offset = sizeof(void*) == 8 ? 0xF8 : 0x94;
    void* table = nullptr;
    if (!::ReadProcessMemory(process, reinterpret_cast<const char*>(basic.PebBaseAddress) + offset,
                             &table, sizeof table, nullptr) ||
        !table) {
        return {};
    }
    std::vector<WineGdiEntry> entries(0x10000);
    if (!::ReadProcessMemory(process, table, entries.data(), entries.size() * sizeof(WineGdiEntry),
                             nullptr)) {
        return {};
    }
    std::map<int, long> types;
    for (const WineGdiEntry& entry : entries)
        if (entry.Type != 0 && (entry.Unique & 0x80) == 0) ++types[entry.Type];
    return types;
}

// Windows and their children that belong to the process.
long WindowsOf(DWORD processId) {
    struct Count {
        DWORD Process;
        long Windows = 0;
    } count{processId};
    const auto topLevel = [](HWND window, LPARAM data) CALLBACK -> BOOL {
        auto* count = reinterpret_cast<Count*>(data);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner != count->Process) return TRUE;
        ++count->Windows;
        ::EnumChildWindows(
            window,
            [](HWND, LPARAM data) CALLBACK -> BOOL {
                ++reinterpret_cast<Count*>(data)->Windows;
                return TRUE;
            },
            data);
        return TRUE;
    };
    ::EnumWindows(topLevel, reinterpret_cast<LPARAM>(&count));
    return count.Windows;
}

bool g_guiResourcesWork = true;

void PrintObjects(const std::string& when, const Process& process) {
    long gdi = static_cast<long>(::GetGuiResources(process.Handle(), GR_GDIOBJECTS));
    long user = static_cast<long>(::GetGuiResources(process.Handle(), GR_USEROBJECTS));
    if (gdi == 0 && user == 0 && ::GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) {
        // Wine: GetGuiResources is a stub. GDI from the handle table; of the USER objects only
        // the windows can be seen from another process.
        g_guiResourcesWork = false;
        const std::map<int, long> types = WineGdiObjects(process.Handle());
        gdi = types.empty() ? -1 : 0;
        std::string byType = "GDI objects " + when + " by type:";
        for (const auto& [type, count] : types) {
            gdi += count;
            byType += " " + std::to_string(type) + ":" + std::to_string(count);
        }
        Note(byType);
        user = WindowsOf(process.Id());
    }
    Print("gdi_" + when, gdi);
    Print("user_" + when, user);
}

// ---- Driving ClockSync from outside --------------------------------------------------------

void BringToFront(HWND window) {
    WaitFor("the window to come to the front", 5000, [&] {
        if (::GetForegroundWindow() == window) return true;
        ::SetForegroundWindow(window);
        ::Sleep(10);
        return false;
    });
}

void PressKeys(std::initializer_list<std::pair<WORD, bool>> keys) {
    std::vector<INPUT> inputs;
    for (const auto& [code, up] : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = code;
        input.ki.wScan = static_cast<WORD>(::MapVirtualKeyA(code, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    }
    if (::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) !=
        inputs.size()) {
        throw Failure("SendInput refused the keys");
    }
}

// Top-level windows of a class that the process shows.
std::vector<HWND> VisibleWindows(DWORD processId, const char* className) {
    struct Search {
        DWORD Process;
        const char* Class;
        std::vector<HWND> Found;
    } search{processId, className, {}};
    ::EnumWindows(
        [](HWND window, LPARAM data) CALLBACK -> BOOL {
            auto* search = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            char name[64] = {};
            ::GetClassNameA(window, name, sizeof name);
            if (owner == search->Process && std::string(name) == search->Class &&
                ::IsWindowVisible(window)) {
                search->Found.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

// Opens the File menu with Alt+F and closes it again with Escape twice (menu, then menu bar):
// each opening paints every item of the menu.
void PaintFileMenu(const Process& program) {
    PressKeys({{VK_MENU, false}, {'F', false}, {'F', true}, {VK_MENU, true}});
    WaitFor("the File menu to open", 5000,
            [&] { return !VisibleWindows(program.Id(), "#32768").empty(); });
    PressKeys({{VK_ESCAPE, false}, {VK_ESCAPE, true}, {VK_ESCAPE, false}, {VK_ESCAPE, true}});
    WaitFor("the File menu to close", 5000,
            [&] { return VisibleWindows(program.Id(), "#32768").empty(); });
}

void ExitByMenu(const Process& program) {
    BringToFront(program.Window());
    PressKeys({{VK_MENU, false}, {'F', false}, {'F', true}, {VK_MENU, true}});
    WaitFor("the File menu to open", 5000,
            [&] { return !VisibleWindows(program.Id(), "#32768").empty(); });
    PressKeys({{'E', false}, {'E', true}});
}

HWND ChildWithText(HWND parent, const char* text) {
    struct Search {
        const char* Text;
        HWND Found = nullptr;
    } search{text};
    ::EnumChildWindows(
        parent,
        [](HWND child, LPARAM data) CALLBACK -> BOOL {
            auto* search = reinterpret_cast<Search*>(data);
            char caption[64] = {};
            ::GetWindowTextA(child, caption, sizeof caption);
            if (std::string(caption) != search->Text) return TRUE;
            search->Found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

// Presses "Ping Now" with the mouse messages a click makes (a flat button takes no BM_CLICK),
// then answers the report's message box. Returns the report's text.
std::string Synchronize(const Process& program, HWND pingButton) {
    const LPARAM point = MAKELPARAM(10, 10);
    ::PostMessageA(pingButton, WM_MOUSEMOVE, 0, point);
    ::PostMessageA(pingButton, WM_LBUTTONDOWN, MK_LBUTTON, point);
    ::PostMessageA(pingButton, WM_LBUTTONUP, 0, point);
    HWND box = nullptr;
    WaitFor("the report of a synchronization", 30000, [&] {
        const std::vector<HWND> boxes = VisibleWindows(program.Id(), "#32770");
        box = boxes.empty() ? nullptr : boxes.front();
        return box != nullptr;
    });
    std::string text;
    ::EnumChildWindows(
        box,
        [](HWND child, LPARAM data) CALLBACK -> BOOL {
            char caption[1024] = {};
            char name[16] = {};
            ::GetClassNameA(child, name, sizeof name);
            ::GetWindowTextA(child, caption, sizeof caption);
            if (std::string(name) == "Static" && caption[0])
                *reinterpret_cast<std::string*>(data) = caption;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&text));
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    WaitFor("the report to close", 5000,
            [&] { return VisibleWindows(program.Id(), "#32770").empty(); });
    return text;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Nothing the program does may leave this machine: its time server must be the loopback one.
void RequireLoopbackServer() {
    char address[64] = {};
    DWORD size = sizeof address;
    if (::RegGetValueA(HKEY_CURRENT_USER, "SOFTWARE\\Quendra\\Proxy", "ipAddress", RRF_RT_REG_SZ,
                       nullptr, address, &size) != ERROR_SUCCESS ||
        std::string(address) != "127.0.0.1") {
        throw Failure("the program's time server (ipAddress) is not 127.0.0.1");
    }
}

int Run(int argc, char** argv) {
    if (argc != 6 && argc != 7) {
        std::fprintf(stderr,
                     "usage: bench_probe BARE.exe CLOCKSYNC.exe IDLE MENUS PINGS [BARE_CLOCK.exe]\n");
        return 2;
    }
    const Target bare{argv[1], "BareWindow", "Bare Win32 program", false};
    const Target program{argv[2], "TfrmTzMain", "Veritan Clock Sync v2.2", true};
    const int idleSeconds = std::atoi(argv[3]);
    const int menuPaints = std::atoi(argv[4]);
    const int pings = std::atoi(argv[5]);
    RequireLoopbackServer();

    // Start-up: one start of each unmeasured (the first start of anything loads Wine's DLLs),
    // then fifteen of each in turn; the machine is shared, so the median. Each start waits a
    // moment first, so that the last program's end (its icon leaving the notification area,
    // say) is not charged to the next one's start.
    std::vector<double> bareStarts, programStarts;
    for (int i = 0; i < 16; ++i) {
        for (const Target* target : {&bare, &program}) {
            ::Sleep(300);
            Process started(*target);
            const double ms = started.WaitUntilShown();
            if (i > 0) (target == &bare ? bareStarts : programStarts).push_back(ms);
            started.End();
        }
    }
    for (std::size_t i = 0; i < bareStarts.size(); ++i) {
        Print("startup_sample_bare", bareStarts[i]);
        Print("startup_sample_clocksync", programStarts[i]);
    }
    Print("startup_ms_bare", Median(bareStarts));
    Print("startup_ms_clocksync", Median(programStarts));

    // Side by side through the same idle minute, so all see the same machine; the bare clock
    // (when given) shows the floor for a program that shows the time to the second.
    Process bareRun(bare);
    Process programRun(program);
    bareRun.WaitUntilShown();
    programRun.WaitUntilShown();
    std::optional<Process> clockRun;
    if (argc == 7) {
        clockRun.emplace(Target{argv[6], "BareClockWindow", "Bare Win32 clock", false});
        clockRun->WaitUntilShown();
    }
    ::Sleep(2000);
    PrintObjects("after_start", programRun);
    Print("startup_cpu_ms_bare", CpuMilliseconds(bareRun));
    Print("startup_cpu_ms_clocksync", CpuMilliseconds(programRun));
    const double bareCpu = CpuMilliseconds(bareRun);
    const double programCpu = CpuMilliseconds(programRun);
    const double clockCpu = clockRun ? CpuMilliseconds(*clockRun) : 0;
    const auto idleStart = Clock::now();
    ::Sleep(static_cast<DWORD>(idleSeconds) * 1000);
    const double idleMs =
        std::chrono::duration<double, std::milli>(Clock::now() - idleStart).count();
    Print("idle_ms", idleMs);
    Print("idle_cpu_ms_bare", CpuMilliseconds(bareRun) - bareCpu);
    Print("idle_cpu_ms_clocksync", CpuMilliseconds(programRun) - programCpu);
    if (clockRun) {
        Print("idle_cpu_ms_bare_clock", CpuMilliseconds(*clockRun) - clockCpu);
        clockRun->End();
        clockRun.reset();
    }
    Print("peak_kib_bare", PeakMemoryKiB(bareRun.Handle()));
    Print("peak_kib_clocksync", PeakMemoryKiB(programRun.Handle()));

    BringToFront(programRun.Window());
    // Counted after the first tenth of each as well: the first uses create what later ones share
    // (a window's drawing surface, the system's cache of display contexts). Each count waits a
    // moment, so that the last report box, hidden already, is also destroyed: counted while it
    // goes, its window and drawing surface would look like a difference between the counts.
    const auto settledCount = [&](const char* name) {
        ::Sleep(500);
        PrintObjects(name, programRun);
    };
    for (int i = 0; i < menuPaints; ++i) {
        PaintFileMenu(programRun);
        if (i == std::max(menuPaints / 10, 1) - 1) settledCount("after_first_menus");
    }
    settledCount("after_menus");

    HWND pingButton = ChildWithText(programRun.Window(), "Ping Now");
    if (!pingButton) throw Failure("no \"Ping Now\" button");
    std::string report;
    for (int i = 0; i < pings; ++i) {
        report = Synchronize(programRun, pingButton);
        if (i == std::max(pings / 10, 1) - 1) settledCount("after_first_pings");
    }
    settledCount("after_pings");
    Note("last report: " + report.substr(0, report.find('\n')));
    Print("peak_kib_clocksync_end", PeakMemoryKiB(programRun.Handle()));
    programRun.End();
    bareRun.End();
    if (!g_guiResourcesWork) {
        Note(
            "GetGuiResources is a stub here: GDI objects counted in the process's GDI handle "
            "table, USER objects are its windows only");
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& failure) {
        std::printf("error %s\n", failure.what());
        return 1;
    }
}
