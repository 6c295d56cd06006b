#pragma once
// Drives the real ClockSync.exe from another process, as a user or an automation tool would:
// windows found by class and title, menus opened and items chosen by keyboard input, texts read
// with WM_GETTEXT, message boxes read and answered, settings read from the registry, and the
// loopback servers (scripts/e2e-servers.py) steered through their control port.
//
// Every wait polls with a deadline and throws Failure with what was awaited; the test framework
// reports the exception's text as the scenario's failure.
#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace e2e {

using Ms = std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// A scenario step that could not be done. Where E2E_SHOTS names a folder, the screen is saved
// there when one is raised, while the program still shows what went wrong.
struct Failure : std::runtime_error {
    explicit Failure(const std::string& what);
};

// Saves the screen into the E2E_SHOTS folder, if there is one, named after the running test.
void RecordScreen();
// Removes the running test's pictures of an earlier run.
void ClearRecordedScreens();

// Polls done() every 50 ms until it holds; throws Failure("timed out after N s waiting for
// what") otherwise.
void WaitFor(const std::string& what, Ms timeout, const std::function<bool()>& done);
// Polls for timeout and throws Failure("<what> within N s") when done() ever holds.
void ExpectNever(const std::string& what, Ms timeout, const std::function<bool()>& happened);

// ---- Settings: HKCU\SOFTWARE\Quendra\Proxy, in this run's throw-away prefix ---------------
namespace settings {
void Clear();  // no key at all
void Store(const char* name, const std::string& text);
std::optional<std::string> Stored(const char* name);  // nothing when absent or not REG_SZ
bool KeyExists();
}  // namespace settings

// Wine's X11 driver manages windows itself instead of waiting for a window manager that an Xvfb
// display does not have; read by every process when it starts.
void UseUnmanagedWindows();

// ---- The loopback servers ---------------------------------------------------------------------
struct ServerStats {
    int DaytimeConnections = 0;
    int ProxyRequests = 0;
    std::string LastProxyRequest;  // "GET http://... HTTP/1.1"
};

namespace servers {
// "current": the time to the second, aimed at the moment the program reads it; "offset" with
// seconds: that far ahead; "junk": a line that is no time; "month00": a NIST line of month 00;
// "closed": the Daytime port refuses connections; "silent": it accepts and never answers;
// "stalled": it never completes a connection; "unhealthy": the time, health digit 2.
void SetMode(const std::string& mode, int offsetSeconds = 0);
void ResetStats();
ServerStats Stats();
}  // namespace servers

// ---- The program ------------------------------------------------------------------------------
inline constexpr char kMainClass[] = "TfrmTzMain";
inline constexpr char kMainTitle[] = "Veritan Clock Sync v2.2";
// Message boxes bear the executable's name up to its first ".", the rest in lower case.
inline constexpr char kBoxCaption[] = "Clocksync";

// ClockSync.exe from the driver's own folder, started as a process of its own; terminated when
// this object goes, unless it has ended by then.
class Program {
public:
    Program();
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    DWORD Id() const { return m_info.dwProcessId; }
    bool Running() const;
    // The exit code, or nothing when the program still runs after timeout.
    std::optional<DWORD> WaitForExit(Ms timeout) const;
    // Its main window (hidden ones included), once it bears the title.
    HWND MainWindow(Ms timeout = Ms(20000)) const;

private:
    PROCESS_INFORMATION m_info{};
};

std::string ProgramPath();

// ---- Windows of another process ---------------------------------------------------------------
std::string ClassOf(HWND window);
// WM_GETTEXT, with a timeout in case the owner is busy.
std::string TextOf(HWND window);
std::vector<HWND> TopLevelWindows(DWORD processId, const char* className);
// Every descendant of parent of this class, in creation order.
std::vector<HWND> Children(HWND parent, const char* className);
// The descendant of this class with this text; throws Failure when there is none.
HWND Child(HWND parent, const char* className, const std::string& text);
// A check box's state, BST_CHECKED or BST_UNCHECKED.
LRESULT CheckState(HWND checkBox);
// The STATIC child whose top-left corner sits at (left, top) of parent's client area.
HWND StaticAt(HWND parent, int left, int top);
RECT ClientRectOnScreen(HWND window);

// ---- Message boxes ------------------------------------------------------------------------------
struct MsgBox {
    HWND Window = nullptr;
    std::string Caption;
    std::string Text;
    bool HasIcon = false;
    std::vector<std::string> Buttons;
};

std::vector<HWND> MessageBoxWindows(DWORD processId);
MsgBox ReadMessageBox(HWND box);
MsgBox WaitForMessageBox(const Program& program, const std::string& after, Ms timeout);
// Presses the button with this caption ("OK"), as a click would, and waits until the box is gone.
void Answer(const MsgBox& box, const std::string& button = "OK");

// ---- Keyboard -----------------------------------------------------------------------------------
// Makes window the foreground window, so that keyboard input reaches it.
void BringToFront(HWND window);
// One key pressed and released, with Alt held when alt is set.
void PressKey(WORD virtualKey, bool alt = false);
// The open pop-up menus (class #32768) of the process, top-most last as they were opened.
std::vector<HWND> OpenMenus(DWORD processId);
// Alt + the access letter of a menu-bar item; waits for its drop-down menu.
HWND OpenMenuBarMenu(const Program& program, HWND window, char accessKey);
// The letter of an item in the open menu; for a submenu waits for it to open and returns it.
HWND OpenSubmenu(const Program& program, char accessKey);
void ChooseItem(char accessKey);
// Down-arrow count times, then Enter: for items without an access key.
void ChooseByArrows(int downs);
void WaitForMenusClosed(const Program& program);
// A left click in the middle of control, as the mouse would give it.
void Click(HWND control);

// Clicks into an edit box, clears it with Backspace and types text (digits and letters only).
void TypeInto(HWND edit, const std::string& text);

// ---- Screen -------------------------------------------------------------------------------------
struct Pixels {
    int Width = 0;
    int Height = 0;
    std::vector<COLORREF> Data;  // rows top to bottom
    COLORREF At(int x, int y) const { return Data[static_cast<size_t>(y) * Width + x]; }
};
Pixels CaptureScreen(const RECT& area);
// Saves the whole screen as a .bmp, for a failure's post-mortem.
void SaveScreenshot(const std::string& path);
// The row of an open menu of rows equal items that shows a check mark or radio dot left of its
// caption; -1 when no row, or more than one, stands out. diagnosis gets each row's count of
// marked pixels.
int MarkedRow(HWND menu, int rows, std::string* diagnosis = nullptr);

// ---- Texts --------------------------------------------------------------------------------------
// A local or UTC time as the user's short date, a blank and the long time; the date alone at
// exactly midnight.
std::string DateTimeText(const SYSTEMTIME& time);
// The texts of every second from first to last, inclusive.
std::vector<std::string> TextsBetween(const SYSTEMTIME& first, const SYSTEMTIME& last);
SYSTEMTIME LocalNow();
SYSTEMTIME UtcNow();

}  // namespace e2e
