#include "e2e/driver.h"

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>

namespace e2e {

namespace {

constexpr char kSettingsPath[] = "SOFTWARE\\Quendra\\Proxy";
constexpr unsigned short kControlPort = 7013;

std::string Seconds(Ms duration) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", duration.count() / 1000.0);
    return text;
}

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && ::lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// A button's caption as shown: without the "&" that marks its access key.
std::string WithoutAccessMark(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
    return text;
}

// The E2E_SHOTS folder as a Windows path, created; empty when there is none.
std::string ShotsFolder() {
    char folder[MAX_PATH] = {};
    if (!::GetEnvironmentVariableA("E2E_SHOTS", folder, sizeof folder) || !folder[0]) return {};
    std::string path = folder;
    // A Unix path reaches Wine's programs unchanged; Wine shows the Unix root as drive Z:.
    if (path[0] == '/') {
        std::replace(path.begin(), path.end(), '/', '\\');
        path.insert(0, "Z:");
    }
    ::CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

std::string TestName() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = test ? std::string(test->test_suite_name()) + "." + test->name() : "driver";
    std::replace(name.begin(), name.end(), '/', '_');
    return name;
}

}  // namespace

Failure::Failure(const std::string& what) : std::runtime_error(what) {
    RecordScreen();
}

void RecordScreen() {
    const std::string folder = ShotsFolder();
    if (folder.empty()) return;
    static int count = 0;
    SaveScreenshot(folder + "\\" + TestName() + "-" + std::to_string(++count) + ".bmp");
}

void ClearRecordedScreens() {
    const std::string folder = ShotsFolder();
    if (folder.empty()) return;
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((folder + "\\" + TestName() + "-*.bmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        ::DeleteFileA((folder + "\\" + found.cFileName).c_str());
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
}

void WaitFor(const std::string& what, Ms timeout, const std::function<bool()>& done) {
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() >= deadline)
            throw Failure("timed out after " + Seconds(timeout) + " s waiting for " + what);
        ::Sleep(50);
    }
}

void ExpectNever(const std::string& what, Ms timeout, const std::function<bool()>& happened) {
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        if (happened()) throw Failure(what + " within " + Seconds(timeout) + " s");
        ::Sleep(50);
    }
}

// ---- Settings ---------------------------------------------------------------------------------

namespace settings {

void Clear() {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\Quendra");
}

void Store(const char* name, const std::string& text) {
    const LSTATUS status = ::RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsPath, name, REG_SZ,
                                             text.c_str(), static_cast<DWORD>(text.size() + 1));
    if (status != ERROR_SUCCESS) throw Failure(std::string("could not store the setting ") + name);
}

std::optional<std::string> Stored(const char* name) {
    char text[1024] = {};
    DWORD size = sizeof text;
    if (::RegGetValueA(HKEY_CURRENT_USER, kSettingsPath, name, RRF_RT_REG_SZ, nullptr, text,
                       &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(text);
}

bool KeyExists() {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

}  // namespace settings

void UseUnmanagedWindows() {
    ::RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", "Managed", REG_SZ, "N", 2);
}

// ---- The loopback servers -----------------------------------------------------------------------

namespace servers {
namespace {

// One command per connection, one line back. The servers start beside the driver, so the first
// command waits for them to listen.
std::string Control(const std::string& command) {
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) throw Failure("no Winsock");
    const auto deadline = Clock::now() + Ms(10000);
    for (;;) {
        SOCKET sock = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        const DWORD readTimeoutMs = 10000;
        ::setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&readTimeoutMs),
                     sizeof readTimeoutMs);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = ::htons(kControlPort);
        address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
        if (::connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            const std::string line = command + "\n";
            ::send(sock, line.data(), static_cast<int>(line.size()), 0);
            std::string answer;
            char buffer[512];
            int got = 0;
            while (answer.find('\n') == std::string::npos &&
                   (got = ::recv(sock, buffer, sizeof buffer, 0)) > 0)
                answer.append(buffer, got);
            ::closesocket(sock);
            answer = answer.substr(0, answer.find('\n'));
            if (answer.rfind("error", 0) == 0)
                throw Failure("the loopback servers answered \"" + command + "\" with " + answer);
            return answer;
        }
        ::closesocket(sock);
        if (Clock::now() >= deadline)
            throw Failure(
                "the loopback servers (scripts/e2e-servers.py) do not answer on 127.0.0.1:" +
                std::to_string(kControlPort) +
                "; run the scenarios through CTest or scripts/e2e-run");
        ::Sleep(100);
    }
}

}  // namespace

void SetMode(const std::string& mode, int offsetSeconds) {
    Control("mode " + mode + " " + std::to_string(offsetSeconds));
}

void ResetStats() {
    Control("reset");
}

ServerStats Stats() {
    // "daytime=<n> proxy=<n> request=<rest of the line>"
    const std::string answer = Control("stats");
    ServerStats stats;
    const auto request = answer.find(" request=");
    std::sscanf(answer.c_str(), "daytime=%d proxy=%d", &stats.DaytimeConnections,
                &stats.ProxyRequests);
    if (request != std::string::npos) stats.LastProxyRequest = answer.substr(request + 9);
    return stats;
}

}  // namespace servers

// ---- The program --------------------------------------------------------------------------------

std::string ProgramPath() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string program(path);
    program.resize(program.find_last_of('\\') + 1);
    return program + "ClockSync.exe";
}

Program::Program() {
    const std::string path = ProgramPath();
    if (::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        throw Failure("the program is not there: " + path);
    std::string commandLine = "\"" + path + "\"";
    const std::string folder = path.substr(0, path.find_last_of('\\') + 1);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &m_info))
        throw Failure("could not start " + path);
}

Program::~Program() {
    if (Running()) {
        ::TerminateProcess(m_info.hProcess, 99);
        ::WaitForSingleObject(m_info.hProcess, 10000);
    }
    ::CloseHandle(m_info.hThread);
    ::CloseHandle(m_info.hProcess);
}

bool Program::Running() const {
    return ::WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Program::WaitForExit(Ms timeout) const {
    if (::WaitForSingleObject(m_info.hProcess, static_cast<DWORD>(timeout.count())) !=
        WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    ::GetExitCodeProcess(m_info.hProcess, &code);
    return code;
}

HWND Program::MainWindow(Ms timeout) const {
    HWND found = nullptr;
    WaitFor("the main window (class " + std::string(kMainClass) + ", title \"" + kMainTitle +
                "\") of process " + std::to_string(Id()),
            timeout, [&] {
                if (!Running()) throw Failure("the program ended before showing its window");
                for (HWND window : TopLevelWindows(Id(), kMainClass))
                    if (TextOf(window) == kMainTitle) found = window;
                return found != nullptr;
            });
    return found;
}

// ---- Windows of another process
// -------------------------------------------------------------------

std::string ClassOf(HWND window) {
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

std::string TextOf(HWND window) {
    char text[2048] = {};
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                               SMTO_ABORTIFHUNG, 5000, &copied))
        throw Failure("window " + ClassOf(window) + " did not answer WM_GETTEXT within 5 s");
    return std::string(text, std::min<size_t>(copied, sizeof text - 1));
}

std::vector<HWND> TopLevelWindows(DWORD processId, const char* className) {
    struct Search {
        DWORD ProcessId;
        const char* ClassName;
        std::vector<HWND> Found;
    } search{processId, className, {}};
    ::EnumWindows(
        [](HWND window, LPARAM context) CALLBACK -> BOOL {
            auto& s = *reinterpret_cast<Search*>(context);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner == s.ProcessId && SameText(ClassOf(window), s.ClassName))
                s.Found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

std::vector<HWND> Children(HWND parent, const char* className) {
    struct Search {
        const char* ClassName;
        std::vector<HWND> Found;
    } search{className, {}};
    ::EnumChildWindows(
        parent,
        [](HWND child, LPARAM context) CALLBACK -> BOOL {
            auto& s = *reinterpret_cast<Search*>(context);
            if (SameText(ClassOf(child), s.ClassName)) s.Found.push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

HWND Child(HWND parent, const char* className, const std::string& text) {
    for (HWND child : Children(parent, className))
        if (TextOf(child) == text) return child;
    throw Failure("no " + std::string(className) + " \"" + text + "\" in the window \"" +
                  TextOf(parent) + "\"");
}

LRESULT CheckState(HWND checkBox) {
    DWORD_PTR state = 0;
    if (!::SendMessageTimeoutA(checkBox, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state))
        throw Failure("the check box did not answer BM_GETCHECK within 5 s");
    return static_cast<LRESULT>(state);
}

HWND StaticAt(HWND parent, int left, int top) {
    struct Search {
        HWND Parent;
        POINT Corner;
        HWND Found;
    } search{parent, {left, top}, nullptr};
    ::EnumChildWindows(
        parent,
        [](HWND child, LPARAM context) CALLBACK -> BOOL {
            auto& s = *reinterpret_cast<Search*>(context);
            if (::GetParent(child) != s.Parent || !SameText(ClassOf(child), "Static")) return TRUE;
            RECT rect;
            ::GetWindowRect(child, &rect);
            ::MapWindowPoints(nullptr, s.Parent, reinterpret_cast<POINT*>(&rect), 2);
            if (std::abs(rect.left - s.Corner.x) <= 2 && std::abs(rect.top - s.Corner.y) <= 2) {
                s.Found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (!search.Found)
        throw Failure("no label at (" + std::to_string(left) + ", " + std::to_string(top) +
                      ") of the main window");
    return search.Found;
}

RECT ClientRectOnScreen(HWND window) {
    RECT rect;
    ::GetClientRect(window, &rect);
    ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// ---- Message boxes ------------------------------------------------------------------------------

std::vector<HWND> MessageBoxWindows(DWORD processId) {
    std::vector<HWND> boxes = TopLevelWindows(processId, "#32770");
    std::erase_if(boxes, [](HWND box) { return !::IsWindowVisible(box); });
    return boxes;
}

MsgBox ReadMessageBox(HWND box) {
    MsgBox read;
    read.Window = box;
    read.Caption = TextOf(box);
    std::vector<HWND> children;
    ::EnumChildWindows(
        box,
        [](HWND child, LPARAM list) CALLBACK -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) {
        if (!::IsWindowVisible(child)) continue;
        const std::string className = ClassOf(child);
        if (SameText(className, "Button")) {
            read.Buttons.push_back(WithoutAccessMark(TextOf(child)));
        } else if (SameText(className, "Static")) {
            if ((::GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
                DWORD_PTR icon = 0;
                ::SendMessageTimeoutA(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 5000, &icon);
                if (icon) read.HasIcon = true;
            } else {
                std::string text = TextOf(child);
                if (text.size() > read.Text.size()) read.Text = std::move(text);
            }
        }
    }
    return read;
}

MsgBox WaitForMessageBox(const Program& program, const std::string& after, Ms timeout) {
    HWND box = nullptr;
    WaitFor("a message box after " + after, timeout, [&] {
        if (!program.Running()) throw Failure("the program ended after " + after);
        const std::vector<HWND> boxes = MessageBoxWindows(program.Id());
        if (boxes.empty()) return false;
        box = boxes.front();
        return true;
    });
    // A box is filled before it is shown, but give its texts a moment under a busy machine.
    MsgBox read;
    WaitFor("the message box's buttons", Ms(3000), [&] {
        read = ReadMessageBox(box);
        return !read.Buttons.empty();
    });
    return read;
}

void Answer(const MsgBox& box, const std::string& button) {
    struct Search {
        const std::string* Caption;
        HWND Found;
    } search{&button, nullptr};
    ::EnumChildWindows(
        box.Window,
        [](HWND child, LPARAM context) CALLBACK -> BOOL {
            auto& s = *reinterpret_cast<Search*>(context);
            if (!SameText(ClassOf(child), "Button") ||
                WithoutAccessMark(TextOf(child)) != *s.Caption)
                return TRUE;
            s.Found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (!search.Found)
        throw Failure("the message box \"" + box.Text + "\" has no button " + button);
    // Posted: the box's owner may be slow to get to it, and a click waits for nobody either.
    ::PostMessageA(search.Found, BM_CLICK, 0, 0);
    WaitFor("the message box to close after " + button, Ms(5000),
            [&] { return !::IsWindow(box.Window) || !::IsWindowVisible(box.Window); });
}

// ---- Keyboard -----------------------------------------------------------------------------------

void BringToFront(HWND window) {
    WaitFor("the window to come to the front", Ms(5000), [&] {
        if (::GetForegroundWindow() == window) return true;
        ::SetForegroundWindow(window);
        return false;
    });
}

void PressKey(WORD virtualKey, bool alt) {
    std::vector<INPUT> inputs;
    const auto key = [&](WORD code, bool up) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = code;
        input.ki.wScan = static_cast<WORD>(::MapVirtualKeyA(code, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    };
    if (alt) key(VK_MENU, false);
    key(virtualKey, false);
    key(virtualKey, true);
    if (alt) key(VK_MENU, true);
    if (::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) !=
        inputs.size())
        throw Failure("SendInput refused the keys");
}

std::vector<HWND> OpenMenus(DWORD processId) {
    std::vector<HWND> menus = TopLevelWindows(processId, "#32768");
    std::erase_if(menus, [](HWND menu) { return !::IsWindowVisible(menu); });
    return menus;
}

HWND OpenMenuBarMenu(const Program& program, HWND window, char accessKey) {
    BringToFront(window);
    PressKey(static_cast<WORD>(accessKey), true);
    HWND menu = nullptr;
    WaitFor(std::string("the menu of Alt+") + accessKey + " to open", Ms(5000), [&] {
        const std::vector<HWND> menus = OpenMenus(program.Id());
        if (menus.size() != 1) return false;
        menu = menus.front();
        return true;
    });
    return menu;
}

HWND OpenSubmenu(const Program& program, char accessKey) {
    const std::vector<HWND> before = OpenMenus(program.Id());
    PressKey(static_cast<WORD>(accessKey));
    HWND submenu = nullptr;
    WaitFor(std::string("the submenu of ") + accessKey + " to open", Ms(5000), [&] {
        for (HWND menu : OpenMenus(program.Id()))
            if (std::find(before.begin(), before.end(), menu) == before.end()) submenu = menu;
        return submenu != nullptr;
    });
    return submenu;
}

void ChooseItem(char accessKey) {
    PressKey(static_cast<WORD>(accessKey));
}

void ChooseByArrows(int downs) {
    for (int i = 0; i < downs; ++i) PressKey(VK_DOWN);
    PressKey(VK_RETURN);
}

void WaitForMenusClosed(const Program& program) {
    WaitFor("the menus to close", Ms(5000), [&] { return OpenMenus(program.Id()).empty(); });
}

void Click(HWND control) {
    RECT rect;
    ::GetWindowRect(control, &rect);
    // The click goes to whatever window lies under the pointer; say so when that is another.
    const POINT middle{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    const auto onTop = [&] {
        const HWND hit = ::WindowFromPoint(middle);
        return hit == control || ::IsChild(control, hit);
    };
    // A window just shown reaches the front a moment later under Wine's X11 driver, as a user
    // sees it come up before clicking; one that never does is a fault.
    try {
        WaitFor("the control to come to the front", Ms(2000), onTop);
    } catch (const Failure&) {
    }
    const HWND hit = ::WindowFromPoint(middle);
    if (!onTop())
        throw Failure("a click on " + ClassOf(control) + " \"" + TextOf(control) +
                      "\" would land on " + ClassOf(hit) + " \"" + TextOf(hit) +
                      "\", which lies above it");
    // Absolute mouse positions run from 0 to 65535 across the primary screen.
    const auto scale = [](LONG at, int size) {
        return static_cast<LONG>((at * 65536L + size / 2) / size);
    };
    INPUT inputs[3] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_MOUSE;
        input.mi.dx = scale(middle.x, ::GetSystemMetrics(SM_CXSCREEN));
        input.mi.dy = scale(middle.y, ::GetSystemMetrics(SM_CYSCREEN));
        input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    }
    inputs[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    inputs[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    if (::SendInput(3, inputs, sizeof(INPUT)) != 3) throw Failure("SendInput refused the click");
}

void TypeInto(HWND edit, const std::string& text) {
    Click(edit);
    DWORD thread = ::GetWindowThreadProcessId(edit, nullptr);
    WaitFor("the edit box to take the keyboard focus", Ms(5000), [&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return ::GetGUIThreadInfo(thread, &info) && info.hwndFocus == edit;
    });
    PressKey(VK_END);
    for (size_t i = TextOf(edit).size(); i > 0; --i) PressKey(VK_BACK);
    // Digits and capital letters have their own character as virtual-key code.
    for (char c : text) PressKey(static_cast<WORD>(::toupper(static_cast<unsigned char>(c))));
    WaitFor("the edit box to read \"" + text + "\"", Ms(5000), [&] {
        std::string now = TextOf(edit);
        return SameText(now, text);
    });
}

// ---- Screen -------------------------------------------------------------------------------------

Pixels CaptureScreen(const RECT& area) {
    Pixels pixels;
    pixels.Width = area.right - area.left;
    pixels.Height = area.bottom - area.top;
    if (pixels.Width <= 0 || pixels.Height <= 0) return pixels;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, pixels.Width, pixels.Height);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, pixels.Width, pixels.Height, screen, area.left, area.top, SRCCOPY);
    ::SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = pixels.Width;
    info.bmiHeader.biHeight = -pixels.Height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> raw(static_cast<size_t>(pixels.Width) * pixels.Height);
    ::GetDIBits(memory, bitmap, 0, pixels.Height, raw.data(), &info, DIB_RGB_COLORS);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    // DIB pixels are 0x00RRGGBB; COLORREF is 0x00BBGGRR.
    pixels.Data.reserve(raw.size());
    for (DWORD p : raw) pixels.Data.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    return pixels;
}

void SaveScreenshot(const std::string& path) {
    const RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    const Pixels pixels = CaptureScreen(screen);
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = pixels.Width;
    header.biHeight = -pixels.Height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    const DWORD dataSize = static_cast<DWORD>(pixels.Data.size() * 4);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + dataSize;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    for (COLORREF c : pixels.Data) {
        const DWORD p = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        out.write(reinterpret_cast<const char*>(&p), 4);
    }
}

int MarkedRow(HWND menu, int rows, std::string* diagnosis) {
    const Pixels pixels = CaptureScreen(ClientRectOnScreen(menu));
    const int rowHeight = pixels.Height / rows;
    const int top = (pixels.Height - rowHeight * rows) / 2;
    // The column left of the captions where check marks and radio dots go; a few pixels off the
    // items' edges, where a selection frame runs.
    const int stripLeft = 3;
    const int stripRight = std::min(pixels.Width, 17);
    const int inset = std::max(1, rowHeight / 6);
    const auto distance = [](COLORREF a, COLORREF b) {
        return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
               std::abs(GetBValue(a) - GetBValue(b));
    };
    // Marked pixels: those that differ from the colour most common in their column of the row,
    // which is the background whether plain, highlighted or shaded from left to right.
    std::vector<int> marked(rows, 0);
    for (int row = 0; row < rows; ++row) {
        const int y0 = top + row * rowHeight + inset;
        const int y1 = top + (row + 1) * rowHeight - inset;
        for (int x = stripLeft; x < stripRight; ++x) {
            std::vector<COLORREF> column;
            for (int y = y0; y < y1; ++y) column.push_back(pixels.At(x, y));
            COLORREF common = column.front();
            size_t most = 0;
            for (COLORREF c : column) {
                const auto n = static_cast<size_t>(std::count(column.begin(), column.end(), c));
                if (n > most) most = n, common = c;
            }
            for (COLORREF c : column)
                if (distance(c, common) > 48) ++marked[row];
        }
    }
    if (diagnosis) {
        diagnosis->clear();
        for (int n : marked) *diagnosis += std::to_string(n) + " ";
    }
    const auto best = std::max_element(marked.begin(), marked.end());
    const int bestCount = *best;
    int second = 0;
    for (auto it = marked.begin(); it != marked.end(); ++it)
        if (it != best) second = std::max(second, *it);
    if (bestCount < 4 || bestCount < 3 * second) return -1;
    return static_cast<int>(best - marked.begin());
}

// ---- Texts --------------------------------------------------------------------------------------

std::string DateTimeText(const SYSTEMTIME& time) {
    char date[128] = {};
    ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, sizeof date);
    std::string text = date;
    if (time.wHour == 0 && time.wMinute == 0 && time.wSecond == 0) return text;
    char clock[128] = {};
    ::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &time, nullptr, clock, sizeof clock);
    return text + " " + clock;
}

std::vector<std::string> TextsBetween(const SYSTEMTIME& first, const SYSTEMTIME& last) {
    const auto ticks = [](SYSTEMTIME time) {
        time.wMilliseconds = 0;
        FILETIME file;
        ::SystemTimeToFileTime(&time, &file);
        return (static_cast<ULONGLONG>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
    };
    constexpr ULONGLONG kSecond = 10'000'000;  // FILETIME counts 100 ns
    std::vector<std::string> texts;
    for (ULONGLONG t = ticks(first); t <= ticks(last); t += kSecond) {
        const FILETIME file{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
        SYSTEMTIME time;
        ::FileTimeToSystemTime(&file, &time);
        texts.push_back(DateTimeText(time));
    }
    return texts;
}

SYSTEMTIME LocalNow() {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return now;
}

SYSTEMTIME UtcNow() {
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    return now;
}

}  // namespace e2e
