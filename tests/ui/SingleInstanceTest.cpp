// The program itself, started as real processes beside this test program.
#include <windows.h>

#include <gmock/gmock.h>

#include <functional>
#include <optional>
#include <string>

#include "support/RunLists.h"
#include "ui/UiTestSupport.h"

namespace cs::test {
namespace {

using ::testing::HasSubstr;

constexpr char kClass[] = "TfrmTzMain";
constexpr char kTitle[] = "Veritan Clock Sync v2.2";

std::string ProgramPath() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string program(path);
    program.resize(program.find_last_of('\\') + 1);
    program.append("ClockSync.exe");
    return program;
}

// Polls another process's state until done() holds or timeoutMs have passed.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 15000) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) return false;
        ::Sleep(50);
    }
    return true;
}

HWND MessageBoxOfProgram() {
    return ::FindWindowA("#32770", "Clocksync");
}

// A started ClockSync.exe, ended when the test is over if it has not ended by itself.
class Program {
public:
    explicit Program(const char* arguments = nullptr) {
        std::string commandLine(1, '"');
        commandLine.append(ProgramPath()).push_back('"');
        if (arguments) commandLine.append(" ").append(arguments);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        m_started = ::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                     nullptr, nullptr, &startup, &m_process) != FALSE;
    }
    ~Program() {
        if (!m_started) return;
        if (::WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(m_process.hProcess, 1);
            ::WaitForSingleObject(m_process.hProcess, 10000);
        }
        ::CloseHandle(m_process.hThread);
        ::CloseHandle(m_process.hProcess);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const { return m_started; }
    DWORD Id() const { return m_process.dwProcessId; }
    // The exit code, or nothing when it still runs after timeoutMs.
    std::optional<DWORD> WaitForExit(DWORD timeoutMs) const {
        if (::WaitForSingleObject(m_process.hProcess, timeoutMs) != WAIT_OBJECT_0) return {};
        DWORD code = 0;
        ::GetExitCodeProcess(m_process.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION m_process{};
    bool m_started = false;
};

class SingleInstanceTest : public ::testing::Test {
protected:
    SingleInstanceTest() { ResetSettings(); }
    ~SingleInstanceTest() override { ResetSettings(); }
};

TEST_F(SingleInstanceTest, SecondStartShowsTheHiddenFirstAndEndsByItself) {
    StoreSetting("StartMinimized", "1");
    Program first;
    ASSERT_TRUE(first.Started()) << ProgramPath();
    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (window = ::FindWindowA(kClass, kTitle)) != nullptr; }));
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    EXPECT_EQ(owner, first.Id());
    EXPECT_FALSE(::IsWindowVisible(window));

    Program second;
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(second.WaitForExit(15000), std::optional<DWORD>(0));
    EXPECT_TRUE(::IsWindowVisible(window));
    EXPECT_FALSE(first.WaitForExit(0).has_value());
}

TEST_F(SingleInstanceTest, SecondStartLeavesBothRunListsAsTheyWere) {
    // The first copy has its entry, switched off in Task Manager; the second must change none of
    // it, nor another program's entry, before it ends.
    StoreSetting("AutoStart", "1");
    StoreSetting("StartMinimized", "1");
    PutRunEntry(HKEY_LOCAL_MACHINE, "ClockSync.exe", ProgramPath());
    PutRunEntry(HKEY_CURRENT_USER, "other.exe", "C:\\Other\\other.exe");
    PutApprovedMark(HKEY_LOCAL_MACHINE, "ClockSync.exe", kSwitchedOffMark);
    Program first;
    ASSERT_TRUE(first.Started());
    ASSERT_TRUE(WaitUntil([&] { return ::FindWindowA(kClass, kTitle) != nullptr; }));
    const RunListsSnapshot before = SnapshotRunLists();
    ASSERT_EQ(RunEntry(HKEY_LOCAL_MACHINE, "ClockSync.exe"), ProgramPath());

    Program second;
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(second.WaitForExit(15000), std::optional<DWORD>(0));
    EXPECT_TRUE(SnapshotRunLists() == before);

    DeleteRunEntry(HKEY_LOCAL_MACHINE, "ClockSync.exe");
    DeleteRunEntry(HKEY_CURRENT_USER, "other.exe");
}

TEST_F(SingleInstanceTest, TheInstallersRemoveAutostartTakesOnlyThisCopysEntriesAndMakesNoWindow) {
    StoreSetting("AutoStart", "1");
    PutRunEntry(HKEY_LOCAL_MACHINE, "ClockSync.exe", ProgramPath());
    PutRunEntry(HKEY_CURRENT_USER, "ClockSync.exe", '"' + ProgramPath() + '"');
    PutApprovedMark(HKEY_CURRENT_USER, "ClockSync.exe", kSwitchedOffMark);
    PutRunEntry(HKEY_CURRENT_USER, "other.exe", "C:\\Other\\other.exe");
    RunListsSnapshot expected = SnapshotRunLists();
    expected.MachineRun.erase("ClockSync.exe");
    expected.UserRun.erase("ClockSync.exe");
    expected.UserApproved.erase("ClockSync.exe");

    Program remove("/REMOVE-AUTOSTART");
    ASSERT_TRUE(remove.Started());
    EXPECT_EQ(remove.WaitForExit(15000), std::optional<DWORD>(0));
    EXPECT_TRUE(SnapshotRunLists() == expected);
    EXPECT_EQ(::FindWindowA(kClass, kTitle), nullptr);

    // Another copy's entry of the same name is that copy's business.
    PutRunEntry(HKEY_LOCAL_MACHINE, "ClockSync.exe", "D:\\Elsewhere\\ClockSync.exe");
    Program again("/remove-autostart");
    EXPECT_EQ(again.WaitForExit(15000), std::optional<DWORD>(0));
    EXPECT_EQ(RunEntry(HKEY_LOCAL_MACHINE, "ClockSync.exe"), "D:\\Elsewhere\\ClockSync.exe");

    DeleteRunEntry(HKEY_LOCAL_MACHINE, "ClockSync.exe");
    DeleteRunEntry(HKEY_CURRENT_USER, "other.exe");
}

// The text of a message box's STATIC child, into the string behind found.
BOOL CALLBACK CollectBoxText(HWND child, LPARAM found) {
    char className[32] = {};
    ::GetClassNameA(child, className, sizeof className);
    std::string text = WindowText(child);
    if (lstrcmpiA(className, "Static") == 0 && !text.empty())
        *reinterpret_cast<std::string*>(found) = std::move(text);
    return TRUE;
}

// The error's message box of another process: its text, then dismissed.
// The box's text once it has been filled in: the window exists a moment before its text does.
std::string DismissMessageBox(HWND box) {
    std::string text;
    WaitUntil([&] {
        text.clear();
        ::EnumChildWindows(box, &CollectBoxText, reinterpret_cast<LPARAM>(&text));
        return text.find_first_not_of(" \r\n") != std::string::npos;
    });
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    return text;
}

TEST_F(SingleInstanceTest, ASettingsFailureAtStartIsShownAndTheProgramRunsOn) {
    StoreDword("LastPing", 7);
    Program program;
    ASSERT_TRUE(program.Started());
    // Message boxes bear the application title, the executable's name.
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = MessageBoxOfProgram()) != nullptr; }));
    EXPECT_THAT(DismissMessageBox(box), HasSubstr("LastPing"));
    EXPECT_TRUE(WaitUntil([] { return MessageBoxOfProgram() == nullptr; }, 5000));

    EXPECT_FALSE(program.WaitForExit(1500).has_value());
    const HWND window = ::FindWindowA(kClass, kTitle);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(::IsWindowVisible(window));
}

}  // namespace
}  // namespace cs::test
