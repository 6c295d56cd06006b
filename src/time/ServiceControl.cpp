#include "time/ServiceControl.h"

#include <sddl.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "core/ServiceProtocol.h"
#include "platform/AppInfo.h"
#include "platform/Handles.h"
#include "platform/SystemError.h"

namespace cs {
namespace {

void CloseService(SC_HANDLE handle) noexcept {
    ::CloseServiceHandle(handle);
}
using unique_schandle = unique_handle<SC_HANDLE, CloseService>;

void FreeLocal(HLOCAL memory) noexcept {
    ::LocalFree(memory);
}
using unique_hlocal = unique_handle<HLOCAL, FreeLocal>;

// Who may do what with the service: SYSTEM and Administrators as Windows gives them; interactive
// users query it and start it (the program starts it on demand) but neither stop, reconfigure
// nor delete it.
constexpr const char* kServiceSecurity =
    "D:(A;;CCLCSWRPWPDTLOCRRC;;;SY)(A;;CCDCLCSWRPWPDTLOCRSDRCWDWO;;;BA)(A;;CCLCSWRPLOCRRC;;;IU)"
    "(A;;CCLCSWLOCRRC;;;SU)";

constexpr const char* kDisplayName = "ClockSync clock service";
constexpr const char* kDescription =
    "Sets the system clock from a Daytime time server when ClockSync asks, for users who may "
    "not set it themselves. Runs only while needed.";

// The file path names, through every link and junction, as \\?\C:\...; empty when it cannot
// be opened.
std::string FinalPath(const std::string& path, bool directory) {
    const HANDLE handle = ::CreateFileA(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, directory ? FILE_FLAG_BACKUP_SEMANTICS : 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return {};
    const unique_handle_k file(handle);
    char final[MAX_PATH * 2];
    const DWORD length =
        ::GetFinalPathNameByHandleA(file.get(), final, sizeof final, FILE_NAME_NORMALIZED);
    if (length == 0 || length >= sizeof final) return {};
    return std::string(final, length);
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// The machine's Program Files folders, as the system records them (not from the environment,
// which the caller controls).
std::vector<std::string> ProgramFilesFolders() {
    std::vector<std::string> folders;
    unique_hkey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0,
                        KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS) {
        return folders;
    }
    for (const char* name : {"ProgramFilesDir", "ProgramFilesDir (x86)", "ProgramW6432Dir"}) {
        char value[MAX_PATH];
        DWORD size = sizeof value - 1;
        DWORD type = 0;
        if (::RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value),
                               &size) == ERROR_SUCCESS &&
            type == REG_SZ && size > 0) {
            value[size] = '\0';
            folders.emplace_back(value);
        }
    }
    return folders;
}

void Print(const std::string& text) {
    // The program has no console of its own; one that started it from a console sees the line.
    if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return;
    const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    const std::string line = text + "\r\n";
    if (error && error != INVALID_HANDLE_VALUE) {
        ::WriteFile(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
    ::FreeConsole();
}

constexpr const char* kEventSourceKey =
    "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\ClockSyncService";

// The service's entries in the Application log, with its own program as their message file, so
// that the event viewer shows their text.
DWORD RegisterEventSourceKey(const std::string& executable) {
    unique_hkey key;
    LSTATUS error = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kEventSourceKey, 0, nullptr, 0,
                                      KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, key.put(), nullptr);
    if (error != ERROR_SUCCESS) return static_cast<DWORD>(error);
    error = ::RegSetValueExA(key.get(), "EventMessageFile", 0, REG_EXPAND_SZ,
                             reinterpret_cast<const BYTE*>(executable.c_str()),
                             static_cast<DWORD>(executable.size() + 1));
    if (error != ERROR_SUCCESS) return static_cast<DWORD>(error);
    const DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
    return static_cast<DWORD>(::RegSetValueExA(key.get(), "TypesSupported", 0, REG_DWORD,
                                               reinterpret_cast<const BYTE*>(&types),
                                               sizeof types));
}

bool RunningUnderWine() {
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// A service setting that Wine's service control manager does not know, and so turns down.
bool UnknownUnderWine(DWORD error) {
    return (error == ERROR_INVALID_LEVEL || error == ERROR_INVALID_PARAMETER) && RunningUnderWine();
}

DWORD Configure(SC_HANDLE service, const std::string& executable) {
    SERVICE_DESCRIPTIONA description{const_cast<char*>(kDescription)};
    if (!::ChangeServiceConfig2A(service, SERVICE_CONFIG_DESCRIPTION, &description)) {
        return ::GetLastError();
    }
    // The right to set the clock alone: the service's token holds no other privilege. Without
    // this setting it would hold all of LOCAL SERVICE's, SeImpersonatePrivilege among them, so
    // a system that refuses it gets no service. Wine alone is let off: it does not know the
    // setting, and keeps no boundary between its processes' rights to begin with.
    wchar_t privileges[] = L"SeSystemtimePrivilege\0";
    SERVICE_REQUIRED_PRIVILEGES_INFOW required{privileges};
    if (!::ChangeServiceConfig2W(service, SERVICE_CONFIG_REQUIRED_PRIVILEGES_INFO, &required)) {
        const DWORD error = ::GetLastError();
        if (!UnknownUnderWine(error)) return error;
    }
    // A SID of the service's own in its token, so that what it makes can be told from what
    // other LOCAL SERVICE processes make.
    SERVICE_SID_INFO sid{SERVICE_SID_TYPE_UNRESTRICTED};
    if (!::ChangeServiceConfig2W(service, SERVICE_CONFIG_SERVICE_SID_INFO, &sid)) {
        const DWORD error = ::GetLastError();
        if (!UnknownUnderWine(error)) return error;
    }
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(kServiceSecurity, SDDL_REVISION_1,
                                                                &descriptor, nullptr)) {
        return ::GetLastError();
    }
    const unique_hlocal owned(descriptor);
    if (!::SetServiceObjectSecurity(service, DACL_SECURITY_INFORMATION, descriptor)) {
        return ::GetLastError();
    }
    return RegisterEventSourceKey(executable);
}

}  // namespace

std::string ServiceExecutablePath() {
    const std::string program = ExecutablePath();
    return program.substr(0, program.size() - FileNameOf(program).size()) + "ClockSyncService.exe";
}

std::string ProgramFilesPath(const std::string& path) {
    const std::string resolved = FinalPath(path, false);
    const std::string file = Lower(resolved);
    if (file.empty()) return {};
    for (const std::string& folder : ProgramFilesFolders()) {
        std::string root = Lower(FinalPath(folder, true));
        if (root.empty()) continue;
        if (root.back() != '\\') root += '\\';
        if (file.size() > root.size() && file.compare(0, root.size(), root) == 0) {
            // \\?\C:\... to C:\...; a share (\\?\UNC\...) is no place for the service.
            constexpr std::string_view kPrefix = "\\\\?\\";
            if (resolved.size() < kPrefix.size() + 3 || resolved.compare(0, 4, kPrefix) != 0 ||
                resolved[kPrefix.size() + 1] != ':' || resolved[kPrefix.size() + 2] != '\\') {
                return {};
            }
            return resolved.substr(kPrefix.size());
        }
    }
    return {};
}

bool IsUnderProgramFiles(const std::string& path) {
    return !ProgramFilesPath(path).empty();
}

DWORD InstallClockService(const std::string& executable) {
    // The checked place itself is registered, not the name given: a junction or link on the
    // way could be pointed elsewhere once the check is passed.
    const std::string place = ProgramFilesPath(executable);
    if (place.empty()) return ERROR_BAD_PATHNAME;
    const unique_schandle manager(
        ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE));
    if (!manager) return ::GetLastError();
    // Quoted: the path holds blanks ("Program Files"), and an unquoted one would let the system
    // try "C:\Program.exe" first.
    const std::string command = "\"" + place + "\"";
    constexpr const char* kAccount = "NT AUTHORITY\\LocalService";
    unique_schandle service(
        ::CreateServiceA(manager.get(), kServiceName, kDisplayName, SERVICE_ALL_ACCESS,
                         SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                         command.c_str(), nullptr, nullptr, nullptr, kAccount, ""));
    if (!service) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_SERVICE_EXISTS) return error;
        // Installed before: brought up to this program's place and settings.
        service.reset(::OpenServiceA(manager.get(), kServiceName, SERVICE_ALL_ACCESS));
        if (!service) return ::GetLastError();
        if (!::ChangeServiceConfigA(service.get(), SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                    SERVICE_ERROR_NORMAL, command.c_str(), nullptr, nullptr,
                                    nullptr, kAccount, "", kDisplayName)) {
            return ::GetLastError();
        }
    }
    const DWORD error = Configure(service.get(), place);
    if (error != ERROR_SUCCESS) {
        // Half a service, with rights it should not have, is worse than none.
        ::DeleteService(service.get());
    }
    return error;
}

DWORD UninstallClockService() {
    const unique_schandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return ::GetLastError();
    const unique_schandle service(
        ::OpenServiceA(manager.get(), kServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
    if (!service) {
        const DWORD error = ::GetLastError();
        return error == ERROR_SERVICE_DOES_NOT_EXIST ? ERROR_SUCCESS : error;
    }
    SERVICE_STATUS status{};
    if (::ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) {
        // A synchronization under way ends within its limits; wait for it, not for ever.
        for (int i = 0; i < 150 && status.dwCurrentState != SERVICE_STOPPED; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            if (!::QueryServiceStatus(service.get(), &status)) break;
        }
    }
    if (!::DeleteService(service.get())) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_SERVICE_MARKED_FOR_DELETE) return error;
    }
    ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kEventSourceKey, KEY_WOW64_64KEY, 0);
    return ERROR_SUCCESS;
}

bool ClockServiceInstalled() {
    const unique_schandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return false;
    const unique_schandle service(
        ::OpenServiceA(manager.get(), kServiceName, SERVICE_QUERY_STATUS));
    return static_cast<bool>(service);
}

std::optional<DWORD> RunningClockService(DWORD waitMs) {
    const unique_schandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return std::nullopt;
    const unique_schandle service(
        ::OpenServiceA(manager.get(), kServiceName, SERVICE_QUERY_STATUS | SERVICE_START));
    if (!service) return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    bool started = false;
    while (true) {
        SERVICE_STATUS_PROCESS status{};
        DWORD needed = 0;
        if (!::QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO,
                                    reinterpret_cast<BYTE*>(&status), sizeof status, &needed)) {
            return std::nullopt;
        }
        if (status.dwCurrentState == SERVICE_RUNNING && status.dwProcessId != 0) {
            return status.dwProcessId;
        }
        if (status.dwCurrentState == SERVICE_STOPPED && !started) {
            // Another caller may start it at the same moment; that is as good.
            if (!::StartServiceA(service.get(), 0, nullptr) &&
                ::GetLastError() != ERROR_SERVICE_ALREADY_RUNNING) {
                return std::nullopt;
            }
            started = true;
        } else if (status.dwCurrentState == SERVICE_STOPPED) {
            return std::nullopt;
        }
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

std::optional<int> RunServiceCommand(std::string_view commandLine) {
    while (!commandLine.empty() && commandLine.front() == ' ') commandLine.remove_prefix(1);
    while (!commandLine.empty() && commandLine.back() == ' ') commandLine.remove_suffix(1);
    DWORD error = ERROR_SUCCESS;
    if (commandLine == "/install-service") {
        const std::string executable = ServiceExecutablePath();
        error = InstallClockService(executable);
        if (error == ERROR_BAD_PATHNAME) {
            Print("The clock service was not installed: " + executable +
                  " must be in a folder under Program Files, which only administrators can "
                  "change.");
        } else if (error != ERROR_SUCCESS) {
            Print("The clock service was not installed: " + SystemErrorText(error));
        } else {
            Print("The clock service is installed.");
        }
    } else if (commandLine == "/uninstall-service") {
        error = UninstallClockService();
        Print(error == ERROR_SUCCESS
                  ? std::string("The clock service is removed.")
                  : "The clock service was not removed: " + SystemErrorText(error));
    } else {
        return std::nullopt;
    }
    return static_cast<int>(error);
}

}  // namespace cs
