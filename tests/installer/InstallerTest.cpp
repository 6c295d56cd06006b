// The installer under Wine for real: msiexec installs, upgrades and removes the package in this
// run's throw-away prefix, and the registry and the file tree are compared before and after.
// CLOCKSYNC_MSI and CLOCKSYNC_MSI_UPGRADE name the package and a newer build of it.
#include <windows.h>
#include <shlobj.h>

#include <gmock/gmock.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using ::testing::IsEmpty;

constexpr char kProduct[] = "Veritan Clock Sync";
constexpr char kRunPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kUninstallPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char kSettingsPath[] = "Software\\Quendra\\Proxy";

// A Unix path as this Wine prefix reaches it (Z: is the root).
std::string WindowsPath(std::string path) {
    if (path.empty() || path[0] != '/') return path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return "Z:" + path;
}

std::string Package(const char* variable) {
    const char* path = std::getenv(variable);
    return path ? WindowsPath(path) : std::string();
}

std::string Folder(int csidl) {
    char path[MAX_PATH] = {};
    ::SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

// Runs a command line and waits for it; its exit code, or -1 when it did not start or end.
int RunCommand(std::string commandLine, DWORD timeoutMs = 120000) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process))
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (::WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(process.hProcess, &code);
    else
        ::TerminateProcess(process.hProcess, 1);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

int Msiexec(const std::string& options) {
    return RunCommand("msiexec.exe " + options);
}

// ---- The registry and the file tree, flattened so that two states can be compared ----------

using Tree = std::map<std::string, std::string>;  // path, or path|value name -> type and data

// The file classes and COM registrations under Software\Classes are most of a Wine registry
// and nothing an installation of this program writes; the installer's own records there are
// read through HKCR\Installer.
bool SkippedKey(const std::string& label) {
    for (const char* skipped : {"HKLM\\Software\\Classes", "HKLM\\Software\\Wow6432Node\\Classes",
                                "HKCU\\Software\\Classes"})
        if (label == skipped) return true;
    return false;
}

void ReadKey(HKEY root, const std::string& path, const std::string& label, Tree& tree) {
    if (SkippedKey(label)) return;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    tree[label] = "";
    for (DWORD i = 0;; ++i) {
        char name[16384];
        DWORD nameSize = sizeof name, type = 0, dataSize = 0;
        if (::RegEnumValueA(key, i, name, &nameSize, nullptr, &type, nullptr, &dataSize) !=
            ERROR_SUCCESS)
            break;
        std::string data(dataSize, '\0');
        nameSize = sizeof name;
        ::RegEnumValueA(key, i, name, &nameSize, nullptr, &type,
                        reinterpret_cast<BYTE*>(data.data()), &dataSize);
        data.resize(dataSize);
        tree[label + "|" + name] = std::to_string(type) + ":" + data;
    }
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameSize = sizeof name;
        if (::RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        subkeys.emplace_back(name);
    }
    ::RegCloseKey(key);
    for (const std::string& subkey : subkeys) {
        const std::string child = path.empty() ? subkey : path + "\\" + subkey;
        ReadKey(root, child, label + "\\" + subkey, tree);
    }
}

void ReadFolder(const std::string& folder, Tree& tree) {
    // An empty name would make it read the whole current drive, Wine's Z: being the root.
    if (folder.empty()) {
        ADD_FAILURE() << "no such folder";
        return;
    }
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            tree[path + "\\"] = "";
            ReadFolder(path, tree);
        } else {
            tree[path] = std::to_string(found.nFileSizeLow);
        }
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
}

struct MachineState {
    Tree Registry, Files;
};

// What an installation can change: the machine's and the user's software keys, the services,
// and the drive's folders but the system's own, which Wine rewrites as it pleases.
MachineState ReadMachineState() {
    MachineState state;
    ReadKey(HKEY_LOCAL_MACHINE, "Software", "HKLM\\Software", state.Registry);
    ReadKey(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services", "HKLM\\Services",
            state.Registry);
    ReadKey(HKEY_CURRENT_USER, "Software", "HKCU\\Software", state.Registry);
    ReadKey(HKEY_CLASSES_ROOT, "Installer", "HKCR\\Installer", state.Registry);
    // Not the whole user profile: Wine links some of its folders to the Unix home.
    for (int folder :
         {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_COMMON_APPDATA, CSIDL_STARTMENU})
        ReadFolder(Folder(folder), state.Files);
    ReadFolder(Folder(CSIDL_WINDOWS) + "\\Installer", state.Files);
    return state;
}

// Entries in after that are not in before, or differ; and those gone from before.
std::vector<std::string> Differences(const Tree& before, const Tree& after,
                                     const std::function<bool(const std::string&)>& ignored) {
    std::vector<std::string> differences;
    for (const auto& [path, data] : after) {
        if (ignored(path)) continue;
        const auto was = before.find(path);
        if (was == before.end())
            differences.push_back("added " + path);
        else if (was->second != data)
            differences.push_back("changed " + path);
    }
    for (const auto& [path, data] : before)
        if (!ignored(path) && !after.count(path)) differences.push_back("removed " + path);
    return differences;
}

bool StartsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

// ---- Reading what was installed ---------------------------------------------------------------

std::optional<std::string> Text(HKEY root, const std::string& path, const char* name) {
    char text[1024] = {};
    DWORD size = sizeof text;
    if (::RegGetValueA(root, path.c_str(), name,
                       RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, text,
                       &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(text);
}

// The Settings > Apps entries that bear the product's name.
std::vector<std::string> AppsEntries() {
    std::vector<std::string> entries;
    Tree keys;
    ReadKey(HKEY_LOCAL_MACHINE, kUninstallPath, "", keys);
    for (const auto& [path, data] : keys) {
        const auto bar = path.find('|');
        if (bar == std::string::npos || path.substr(bar + 1) != "DisplayName") continue;
        if (data.find(kProduct) != std::string::npos)
            entries.push_back(std::string(kUninstallPath) + path.substr(0, bar));
    }
    return entries;
}

// Whether the service control manager knows the clock service.
bool ServiceRegistered() {
    SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) return false;
    SC_HANDLE service = ::OpenServiceA(manager, "ClockSyncService", SERVICE_QUERY_STATUS);
    if (service) ::CloseServiceHandle(service);
    ::CloseServiceHandle(manager);
    return service != nullptr;
}

bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

DWORD FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.nFileSizeLow;
}

// The installed program, started as a user would, and ended with the test step.
class InstalledProgram {
public:
    explicit InstalledProgram(const std::string& path) {
        std::string commandLine = '"' + path + '"';
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        ::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                         &startup, &m_process);
    }
    // Polls done() for up to 15 s while the program runs.
    bool Until(const std::function<bool()>& done) const {
        for (int i = 0; i < 300; ++i) {
            if (done()) return true;
            ::Sleep(50);
        }
        return done();
    }
    ~InstalledProgram() {
        if (!m_process.hProcess) return;
        ::TerminateProcess(m_process.hProcess, 0);
        ::WaitForSingleObject(m_process.hProcess, 10000);
        ::CloseHandle(m_process.hThread);
        ::CloseHandle(m_process.hProcess);
    }
    InstalledProgram(const InstalledProgram&) = delete;
    InstalledProgram& operator=(const InstalledProgram&) = delete;

private:
    PROCESS_INFORMATION m_process{};
};

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(package.empty()) << "CLOCKSYNC_MSI names no package";
        ASSERT_TRUE(Exists(package)) << package;
        ASSERT_TRUE(Exists(upgrade)) << upgrade;
    }

    void ExpectInstalled(const char* version) {
        SCOPED_TRACE(version);
        for (const char* file : {"ClockSync.exe", "readme.rtf"})
            EXPECT_TRUE(Exists(folder + "\\" + file)) << file;
        if (withService) {
            EXPECT_TRUE(Exists(folder + "\\ClockSyncService.exe"));
            EXPECT_TRUE(ServiceRegistered());
        }
        EXPECT_TRUE(Exists(Shortcut()));

        const std::vector<std::string> entries = AppsEntries();
        ASSERT_EQ(entries.size(), 1u);
        const std::string& entry = entries[0];
        EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, entry, "DisplayName"), kProduct);
        EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, entry, "DisplayVersion"), version);
        EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, entry, "Publisher"), "Meridane");
        EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, entry, "InstallLocation"), folder + "\\");
        // In kilobytes, of the files shipped. Wine records the package's figure as Size;
        // Windows shows it and also works out EstimatedSize itself.
        DWORD bytes = FileSize(program) + FileSize(folder + "\\readme.rtf");
        if (withService) bytes += FileSize(folder + "\\ClockSyncService.exe");
        EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, entry, "Size"), std::to_string((bytes + 1023) / 1024));
        EXPECT_TRUE(Text(HKEY_LOCAL_MACHINE, entry, "UninstallString").has_value());
    }

    const std::string package = Package("CLOCKSYNC_MSI");
    const std::string upgrade = Package("CLOCKSYNC_MSI_UPGRADE");
    const bool withService = std::getenv("CLOCKSYNC_WITH_SERVICE") != nullptr;
    const std::string folder = Folder(CSIDL_PROGRAM_FILES) + "\\" + kProduct;
    const std::string program = folder + "\\ClockSync.exe";
    // The Start menu for everyone, where Windows puts a machine-wide package's shortcut; Wine
    // puts it into the installing user's.
    static std::string Shortcut() {
        const std::string name = std::string("\\") + kProduct + ".lnk";
        const std::string common = Folder(CSIDL_COMMON_PROGRAMS) + name;
        return Exists(common) ? common : Folder(CSIDL_PROGRAMS) + name;
    }
};

TEST_F(InstallerTest, InstallsSilentlyUpgradesKeepingTheUsersChoicesAndLeavesOnlyTheSettings) {
    const MachineState before = ReadMachineState();

    ASSERT_EQ(Msiexec("/i \"" + package + "\" /qn"), 0);
    ExpectInstalled("2.2.0");

    // The user points the program at a local server, starts it and switches autostart on: the
    // installed program writes its own entry when it starts with the setting on.
    ::RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsPath, "ipAddress", REG_SZ, "127.0.0.1", 10);
    ::RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsPath, "StartMinimized", REG_SZ, "1", 2);
    ::RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsPath, "AutoStart", REG_SZ, "1", 2);
    {
        InstalledProgram started(program);
        ASSERT_TRUE(started.Until(
            [&] { return Text(HKEY_LOCAL_MACHINE, kRunPath, "ClockSync.exe") == program; }));
    }

    ASSERT_EQ(Msiexec("/i \"" + upgrade + "\" /qn"), 0);
    ExpectInstalled("2.2.1");
    EXPECT_EQ(Text(HKEY_CURRENT_USER, kSettingsPath, "ipAddress"), "127.0.0.1");
    EXPECT_EQ(Text(HKEY_CURRENT_USER, kSettingsPath, "AutoStart"), "1");
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kRunPath, "ClockSync.exe"), program);

    const std::string entry = AppsEntries().at(0);
    const std::string productCode = entry.substr(entry.rfind('\\') + 1);
    ASSERT_EQ(Msiexec("/x " + productCode + " /qn"), 0);
    EXPECT_FALSE(Exists(folder));
    EXPECT_FALSE(Exists(Folder(CSIDL_COMMON_PROGRAMS) + "\\" + kProduct + ".lnk"));
    EXPECT_FALSE(Exists(Folder(CSIDL_PROGRAMS) + "\\" + kProduct + ".lnk"));
    EXPECT_THAT(AppsEntries(), IsEmpty());
    EXPECT_FALSE(ServiceRegistered());

    // Nothing of the program is left but its settings.
    const MachineState after = ReadMachineState();
    // Beside the settings, Wine keeps its own screen parameters, and Windows Installer keeps the
    // empty keys it files its records under; a value left in one of those would still show.
    const auto settingsAndBookkeeping = [](const std::string& path) {
        const bool bareKey = path.find('|') == std::string::npos;
        return StartsWith(path, "HKCU\\Software\\Quendra") ||
               StartsWith(path, "HKCU\\Software\\Wine") ||
               (bareKey &&
                (StartsWith(path, "HKCR\\Installer") ||
                 StartsWith(path,
                            "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer")));
    };
    EXPECT_THAT(Differences(before.Registry, after.Registry, settingsAndBookkeeping), IsEmpty());
    EXPECT_THAT(Differences(before.Files, after.Files, [](const std::string&) { return false; }),
                IsEmpty());
    EXPECT_EQ(Text(HKEY_CURRENT_USER, kSettingsPath, "ipAddress"), "127.0.0.1");
}

}  // namespace
