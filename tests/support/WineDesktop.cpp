#include "support/WineDesktop.h"

#include <windows.h>

#include <string>

namespace cs::test {

namespace {

constexpr char kDriverKey[] = "Software\\Wine\\X11 Driver";

bool UnmanagedAlready() {
    char value[8] = {};
    DWORD size = sizeof value;
    return ::RegGetValueA(HKEY_CURRENT_USER, kDriverKey, "Managed", RRF_RT_REG_SZ, nullptr, value,
                          &size) == ERROR_SUCCESS &&
           (value[0] == 'N' || value[0] == 'n');
}

}  // namespace

bool UseUnmanagedWindowsUnderWine() {
    // Only Wine's ntdll has this export.
    if (!::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version")) return true;
    if (UnmanagedAlready()) return true;
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kDriverKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          &key, nullptr) != ERROR_SUCCESS)
        return true;
    const bool stored = ::RegSetValueExA(key, "Managed", 0, REG_SZ,
                                         reinterpret_cast<const BYTE*>("N"), 2) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    if (!stored) return true;

    std::string commandLine = ::GetCommandLineA();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION child{};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                          &startup, &child))
        return true;  // go on here, only slower
    ::WaitForSingleObject(child.hProcess, INFINITE);
    DWORD exitCode = 1;
    ::GetExitCodeProcess(child.hProcess, &exitCode);
    ::ExitProcess(exitCode);
}

}  // namespace cs::test
