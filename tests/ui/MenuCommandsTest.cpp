#include <aclapi.h>
#include <gmock/gmock.h>

#include <functional>
#include <optional>

#include "framework/Application.h"
#include "platform/AppInfo.h"
#include "settings/Settings.h"
#include "support/Fakes.h"
#include "support/MessagePump.h"
#include "support/RunLists.h"
#include "time/DaytimeClient.h"
#include "ui/Maker.h"
#include "ui/TimeServers.h"
#include "ui/Unit1.h"
#include "ui/UiTestSupport.h"
#include "ui/about.h"
#include "ui/tzmain.h"

namespace cs::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::SizeIs;

// Runs an action from inside the next message loop, as a user's click would arrive while a
// modal window is up.
std::function<void()> g_pending;
void CALLBACK RunPending(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    auto action = std::move(g_pending);
    g_pending = nullptr;
    if (action) action();
}
void WhileModal(std::function<void()> action) {
    g_pending = std::move(action);
    ::SetTimer(nullptr, 0, 10, RunPending);
}

std::optional<std::string> StoredSetting(const char* name) {
    char text[512] = {};
    DWORD size = sizeof text;
    if (::RegGetValueA(HKEY_CURRENT_USER, kSettingsPath, name, RRF_RT_REG_SZ, nullptr, text,
                       &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(text);
}

class MenuCommandsTest : public ::testing::Test {
protected:
    MenuCommandsTest() {
        ResetSettings();
        ExitRequested = false;
        ServerAddress.clear();
    }
    ~MenuCommandsTest() override {
        app.reset();
        TakeQuitRequest();
        ResetSettings();
    }

    // Program entry, without the message loop: the main window, then the two dialogs.
    TfrmTzMain& Start() {
        app.emplace();
        app->SetShowMainForm(false);
        main = app->CreateForm<TfrmTzMain>();
        app->CreateForm<TfrmProxy>();
        app->CreateForm<TfrmAbout>();
        return *main;
    }
    void Command(const MenuItem* item) {
        ::SendMessageA(main->Handle(), WM_COMMAND, MAKEWPARAM(item->Command(), 0), 0);
    }
    // The platform's notice that a submenu is about to open.
    void Opening(const MenuItem* item) {
        ::SendMessageA(main->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(item->Handle()),
                       0);
    }
    std::vector<bool> ServerMarks() const {
        std::vector<bool> marks;
        for (const MenuItem* server : main->mnuServers->Items()) {
            marks.push_back(server->Checked());
            // The platform's menu shows the same marks.
            const UINT state =
                ::GetMenuState(main->mnuServers->Handle(), server->Command(), MF_BYCOMMAND);
            EXPECT_EQ((state & MF_CHECKED) != 0, server->Checked()) << server->Hint();
        }
        return marks;
    }
    static std::vector<bool> OnlyMark(size_t index) {
        std::vector<bool> marks(kTimeServers.size(), false);
        marks.at(index) = true;
        return marks;
    }

    FakeMessageBoxes boxes;
    ScopedSeam<IMessageBoxes> boxesSeam{boxes};
    FakeShell shell;
    ScopedSeam<IShell> shellSeam{shell};
    std::optional<Application> app;
    TfrmTzMain* main = nullptr;
};

// --- Proxy settings ---

struct ProxyEntry {
    const char* Name;
    bool UseProxy;
    const char* Address;
    const char* Port;
    const char* StoredUseProxy;
};

class ProxyOkTest : public MenuCommandsTest, public ::testing::WithParamInterface<ProxyEntry> {};

TEST_P(ProxyOkTest, OkStoresTheDialogExactlyAsTyped) {
    const ProxyEntry& entry = GetParam();
    Start();
    WhileModal([&] {
        EXPECT_TRUE(::IsWindowVisible(frmProxy->Handle()));
        frmProxy->CheckBox1->SetChecked(entry.UseProxy);
        frmProxy->txtAddress->SetText(entry.Address);
        frmProxy->txtPort->SetText(entry.Port);
        frmProxy->SetModalResult(1);
    });
    Command(main->mnuProxy);

    EXPECT_EQ(StoredSetting("UseProxy"), entry.StoredUseProxy);
    EXPECT_EQ(StoredSetting("Address"), entry.Address);
    EXPECT_EQ(StoredSetting("Port"), entry.Port);
    EXPECT_FALSE(::IsWindowVisible(frmProxy->Handle()));
    EXPECT_THAT(boxes.Shown, SizeIs(0));
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ProxyOkTest,
    ::testing::Values(ProxyEntry{"On", true, "proxy.example", "8080", "True"},
                      // Cleared box: the proxy texts are still kept for next time.
                      ProxyEntry{"Off", false, "proxy.example", "3128", ""},
                      ProxyEntry{"Blanks", true, "  host ", " 80", "True"},
                      ProxyEntry{"Empty", false, "", "", ""}),
    [](const auto& info) { return std::string(info.param.Name); });

class ProxyDismissTest : public MenuCommandsTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ProxyDismissTest, CancelOrCloseBoxStoresNothingAndTheNextOpeningShowsTheStoredValues) {
    StoreSetting("UseProxy", "True");
    StoreSetting("Address", "stored.example");
    StoreSetting("Port", "81");
    Start();
    const bool closeBox = GetParam();
    WhileModal([&] {
        EXPECT_TRUE(frmProxy->CheckBox1->Checked());
        EXPECT_EQ(frmProxy->txtAddress->Text(), "stored.example");
        EXPECT_EQ(frmProxy->txtPort->Text(), "81");
        frmProxy->CheckBox1->SetChecked(false);
        frmProxy->txtAddress->SetText("typed.example");
        frmProxy->txtPort->SetText("9");
        if (closeBox)
            ::SendMessageA(frmProxy->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
        else
            frmProxy->SetModalResult(2);
    });
    Command(main->mnuProxy);
    EXPECT_EQ(StoredSetting("UseProxy"), "True");
    EXPECT_EQ(StoredSetting("Address"), "stored.example");
    EXPECT_EQ(StoredSetting("Port"), "81");

    // What was typed before the cancel is gone at the next opening.
    bool refilled = false;
    WhileModal([&] {
        refilled = frmProxy->CheckBox1->Checked() &&
                   frmProxy->txtAddress->Text() == "stored.example" &&
                   frmProxy->txtPort->Text() == "81";
        frmProxy->SetModalResult(2);
    });
    Command(main->mnuProxy);
    EXPECT_TRUE(refilled);
}

INSTANTIATE_TEST_SUITE_P(Ways, ProxyDismissTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "CloseBox" : "Cancel"; });

// Lets the settings key be read but no longer written, until the guard goes.
class WriteProtectedSettings {
public:
    WriteProtectedSettings() { m_applied = Apply(DENY_ACCESS, KEY_SET_VALUE); }
    ~WriteProtectedSettings() { Apply(GRANT_ACCESS, KEY_ALL_ACCESS); }
    // Whether this registry refuses writes by access rights at all.
    bool Effective() const {
        return m_applied && ::RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsPath, "Probe", REG_SZ,
                                              "x", 2) != ERROR_SUCCESS;
    }

private:
    static bool Apply(ACCESS_MODE mode, DWORD rights) {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsPath, 0, READ_CONTROL | WRITE_DAC, &key) !=
            ERROR_SUCCESS)
            return false;
        EXPLICIT_ACCESS_A entry{};
        ::BuildExplicitAccessWithNameA(&entry, const_cast<char*>("CURRENT_USER"), rights, mode,
                                       NO_INHERITANCE);
        PACL acl = nullptr;
        bool done = ::SetEntriesInAclA(1, &entry, nullptr, &acl) == ERROR_SUCCESS &&
                    ::SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr,
                                      nullptr, acl, nullptr) == ERROR_SUCCESS;
        ::LocalFree(acl);
        ::RegCloseKey(key);
        return done;
    }
    bool m_applied;
};

TEST_F(MenuCommandsTest, AProxyThatCannotBeStoredIsReportedOnceAndNothingChanges) {
    StoreSetting("Address", "old.example");
    StoreSetting("Port", "1");
    Start();
    std::optional<WriteProtectedSettings> protect(std::in_place);
    if (!protect->Effective()) GTEST_SKIP() << "this registry does not refuse writes by rights";

    WhileModal([&] {
        frmProxy->CheckBox1->SetChecked(true);
        frmProxy->txtAddress->SetText("new.example");
        frmProxy->txtPort->SetText("2");
        frmProxy->SetModalResult(1);
    });
    Command(main->mnuProxy);
    protect.reset();
    // The first failure ends the command: one report, and no later value is attempted.
    ASSERT_THAT(boxes.Shown, SizeIs(1));
    EXPECT_THAT(boxes.Shown[0].Text, HasSubstr("Failed to"));
    EXPECT_EQ(StoredSetting("UseProxy"), std::nullopt);
    EXPECT_EQ(StoredSetting("Address"), "old.example");
    EXPECT_EQ(StoredSetting("Port"), "1");
}

// --- Time servers ---

TEST_F(MenuCommandsTest, ServerMarksFollowTheServerInUseWhenTheSubmenuOpens) {
    Start();
    // The designed mark, until the submenu first opens.
    EXPECT_EQ(ServerMarks(), OnlyMark(1));
    ResetSettings(false);
    ServerAddress = std::string(kDefaultTimeServer);
    Opening(main->mnuServers);
    EXPECT_EQ(ServerMarks(), OnlyMark(3));

    // An address of none of the items is used as it is and leaves the marks alone.
    ServerAddress = "127.0.0.1";
    Opening(main->mnuServers);
    EXPECT_EQ(ServerMarks(), OnlyMark(3));
    // A different spelling of the same item's text is another address.
    ServerAddress = std::string(kTimeServers[6]) + " ";
    Opening(main->mnuServers);
    EXPECT_EQ(ServerMarks(), OnlyMark(3));
}

class ServerChoiceTest : public MenuCommandsTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(ServerChoiceTest, ChoosingAServerStoresItAtOnceAndTheNextStartUsesIt) {
    const size_t index = GetParam();
    Start();
    Command(main->mnuServers->Item(static_cast<int>(index)));
    const std::string address(kTimeServers[index]);
    EXPECT_EQ(ServerAddress, address);
    EXPECT_EQ(StoredSetting("ipAddress"), address);
    EXPECT_EQ(ServerMarks(), OnlyMark(index));

    // A second start reads it back and marks it when the submenu opens.
    app.reset();
    ServerAddress.clear();
    Start();
    EXPECT_EQ(ServerAddress, address);
    Opening(main->mnuServers);
    EXPECT_EQ(ServerMarks(), OnlyMark(index));
    ResetSettings();
}

// The first, the already marked one, the default and the last.
INSTANTIATE_TEST_SUITE_P(Items, ServerChoiceTest, ::testing::Values(0u, 1u, 3u, 10u));

// --- Start-up switches ---

// The program's own entry in the run lists, and what the registry holds around it.
class AutoStartTest : public MenuCommandsTest {
protected:
    AutoStartTest() : name(FileNameOf(ExecutablePath())), path(ExecutablePath()) { CleanUp(); }
    ~AutoStartTest() override { CleanUp(); }
    void CleanUp() const {
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) DeleteRunEntry(root, name);
    }
    bool MarkShownWhenTheFileMenuOpens() {
        main->mnuAutostart->SetChecked(!main->mnuAutostart->Checked());
        Opening(main->File1);
        return main->mnuAutostart->Checked();
    }

    const std::string name;
    const std::string path;
};

TEST_F(AutoStartTest, ForAStandardUserOnGoesToTheUsersListAndOffRemovesIt) {
    Start();
    ScopedReadOnlyKey readOnly(HKEY_LOCAL_MACHINE, kRunPath);
    ASSERT_TRUE(readOnly.Applied());

    Command(main->mnuAutostart);
    EXPECT_EQ(RunEntry(HKEY_CURRENT_USER, name), path);
    EXPECT_EQ(RunEntry(HKEY_LOCAL_MACHINE, name), std::nullopt);
    EXPECT_TRUE(main->mnuAutostart->Checked());
    EXPECT_TRUE(MarkShownWhenTheFileMenuOpens());
    EXPECT_EQ(StoredSetting("AutoStart"), "1");

    Command(main->mnuAutostart);
    EXPECT_EQ(RunEntry(HKEY_CURRENT_USER, name), std::nullopt);
    EXPECT_FALSE(MarkShownWhenTheFileMenuOpens());
    EXPECT_EQ(StoredSetting("AutoStart"), "");
    EXPECT_THAT(boxes.Shown, SizeIs(0));
}

TEST_F(AutoStartTest, OffThatCannotRemoveTheEntryForAllUsersSaysSoAndStaysChecked) {
    PutRunEntry(HKEY_LOCAL_MACHINE, name, path);
    Start();
    ScopedReadOnlyKey readOnly(HKEY_LOCAL_MACHINE, kRunPath);
    ASSERT_TRUE(readOnly.Applied());
    Opening(main->File1);
    ASSERT_TRUE(main->mnuAutostart->Checked());

    Command(main->mnuAutostart);
    EXPECT_TRUE(main->mnuAutostart->Checked());
    EXPECT_EQ(RunEntry(HKEY_LOCAL_MACHINE, name), path);
    EXPECT_EQ(StoredSetting("AutoStart"), "1");
    ASSERT_THAT(boxes.Shown, SizeIs(1));
    EXPECT_THAT(boxes.Shown[0].Text, HasSubstr("administrator"));
}

// What start-up makes of the setting and the lists.
struct StartUpCase {
    const char* Name;
    const char* AutoStart;
    bool UserEntry, SwitchedOff;  // the program's entry in the user's list, and its mark
    bool MachineAfter, UserAfter;
    const char* AutoStartAfter;
};

void PrintTo(const StartUpCase& c, std::ostream* os) {
    *os << c.Name;
}

class AutoStartAtStartUpTest : public AutoStartTest,
                               public ::testing::WithParamInterface<StartUpCase> {};

TEST_P(AutoStartAtStartUpTest, TheSettingFollowsTheListsAndOnlyAMissingEntryComesBack) {
    const StartUpCase& c = GetParam();
    StoreSetting("AutoStart", c.AutoStart);
    if (c.UserEntry) PutRunEntry(HKEY_CURRENT_USER, name, path);
    if (c.SwitchedOff) PutApprovedMark(HKEY_CURRENT_USER, name, kSwitchedOffMark);
    PutRunEntry(HKEY_CURRENT_USER, "other.exe", "C:\\Other\\other.exe");
    const KeyValues marksBefore = ReadKeyValues(HKEY_CURRENT_USER, kApprovedPath);

    Start();
    EXPECT_EQ(RunEntry(HKEY_LOCAL_MACHINE, name).has_value(), c.MachineAfter);
    EXPECT_EQ(RunEntry(HKEY_CURRENT_USER, name).has_value(), c.UserAfter);
    EXPECT_EQ(StoredSetting("AutoStart"), c.AutoStartAfter);
    EXPECT_EQ(MarkShownWhenTheFileMenuOpens(), *c.AutoStartAfter != '\0');
    EXPECT_EQ(ReadKeyValues(HKEY_CURRENT_USER, kApprovedPath), marksBefore);
    EXPECT_EQ(RunEntry(HKEY_CURRENT_USER, "other.exe"), "C:\\Other\\other.exe");
    DeleteRunEntry(HKEY_CURRENT_USER, "other.exe");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AutoStartAtStartUpTest,
    ::testing::Values(StartUpCase{"OffAndNone", "", false, false, false, false, ""},
                      StartUpCase{"OnButLost", "1", false, false, true, false, "1"},
                      StartUpCase{"OnAndThere", "1", true, false, false, true, "1"},
                      StartUpCase{"OnButSwitchedOff", "1", true, true, false, true, ""},
                      StartUpCase{"OffButThere", "", true, false, false, true, "1"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(AutoStartTest, AStartUpThatFailsEarlyLeavesBothListsAsTheyWere) {
    StoreSetting("AutoStart", "1");
    StoreDword("LastPing", 7);  // the settings store cannot read it: start-up stops there
    PutRunEntry(HKEY_LOCAL_MACHINE, name, "D:\\Another\\copy.exe");
    PutRunEntry(HKEY_CURRENT_USER, name, path);
    PutApprovedMark(HKEY_CURRENT_USER, name, kSwitchedOffMark);
    const RunListsSnapshot before = SnapshotRunLists();

    Start();
    ASSERT_THAT(boxes.Shown, SizeIs(1));
    EXPECT_THAT(boxes.Shown[0].Text, HasSubstr("LastPing"));
    EXPECT_TRUE(SnapshotRunLists() == before);
}

TEST_F(MenuCommandsTest, StartMinimizedIsStoredAndWaitsForTheNextStart) {
    Start();
    ASSERT_TRUE(::IsWindowVisible(main->Handle()));
    Command(main->StartMinimized1);
    EXPECT_TRUE(main->StartMinimized1->Checked());
    EXPECT_EQ(StoredSetting("StartMinimized"), "1");
    EXPECT_TRUE(::IsWindowVisible(main->Handle()));

    app.reset();
    Start();
    EXPECT_FALSE(::IsWindowVisible(main->Handle()));
    EXPECT_TRUE(main->StartMinimized1->Checked());
    Command(main->StartMinimized1);
    EXPECT_EQ(StoredSetting("StartMinimized"), "");
}

// --- Documents, websites and programs ---

TEST_F(MenuCommandsTest, ReadMeOpensTheFileBesideTheProgram) {
    Start();
    Command(main->mnuReadme);
    const std::string program = ExecutablePath();
    const std::string folder = program.substr(0, program.rfind('\\') + 1);
    ASSERT_THAT(shell.Executes, SizeIs(1));
    const ExecuteCall& call = shell.Executes[0];
    EXPECT_EQ(call.Owner, main->Handle());
    EXPECT_EQ(call.Operation, "open");
    EXPECT_EQ(call.File, folder + "readme.rtf");
    EXPECT_TRUE(call.ParametersAreNull);
    EXPECT_TRUE(call.DirectoryIsNull);
    EXPECT_EQ(call.Show, SW_SHOWNORMAL);
}

TEST_F(MenuCommandsTest, SystemDateTimeStartsTheControlPanelItem) {
    Start();
    Command(main->mnuControlPanel);
    ASSERT_THAT(shell.Execs, SizeIs(1));
    EXPECT_EQ(shell.Execs[0].CommandLine, "rundll32.exe shell32.dll,Control_RunDLL Timedate.cpl");
    EXPECT_EQ(shell.Execs[0].Show, 1u);
}

TEST_F(MenuCommandsTest, BothWebsiteCommandsOpenTheMakersAddress) {
    Start();
    EXPECT_EQ(main->mnuMRD->Caption(), "www.meridane.example");
    Command(main->mnuMRD);
    // The banner lets waiting messages through before the browser starts.
    bool posted = false;
    shell.OnExecute = [&] {
        MSG msg;
        posted = ::PeekMessageA(&msg, main->Handle(), WM_APP, WM_APP, PM_NOREMOVE) != FALSE;
    };
    ::PostMessageA(main->Handle(), WM_APP, 0, 0);
    main->SpeedButton2Click(*main->SpeedButton2);
    EXPECT_FALSE(posted);

    ASSERT_THAT(shell.Executes, SizeIs(2));
    for (const ExecuteCall& call : shell.Executes) {
        EXPECT_EQ(call.Owner, main->Handle());
        EXPECT_EQ(call.Operation, "open");
        EXPECT_EQ(call.File, "http://www.meridane.example/");
        EXPECT_EQ(call.Show, SW_SHOWNORMAL);
    }
}

TEST_F(MenuCommandsTest, AboutShowsTheAboutWindowUntilItIsClosed) {
    Start();
    bool shown = false;
    WhileModal([&] {
        shown = ::IsWindowVisible(frmAbout->Handle()) != FALSE;
        ::SendMessageA(frmAbout->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    Command(main->mnuAbout);
    EXPECT_TRUE(shown);
    EXPECT_FALSE(::IsWindowVisible(frmAbout->Handle()));
}

}  // namespace
}  // namespace cs::test
