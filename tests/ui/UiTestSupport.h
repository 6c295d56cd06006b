#pragma once
#include <windows.h>

#include <string>

namespace cs::test {

inline constexpr char kSettingsPath[] = "SOFTWARE\\Quendra\\Proxy";

// Starts from no settings at all, except the time server: nothing a test starts may reach
// beyond this machine.
inline void ResetSettings(bool keepServerLocal = true) {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\Quendra");
    if (!keepServerLocal) return;
    ::RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsPath, "ipAddress", REG_SZ, "127.0.0.1", 10);
}

inline void StoreSetting(const char* name, const std::string& text) {
    ::RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsPath, name, REG_SZ, text.c_str(),
                      static_cast<DWORD>(text.size() + 1));
}

// A value the settings store cannot read as text.
inline void StoreDword(const char* name, DWORD value) {
    ::RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsPath, name, REG_DWORD, &value, sizeof value);
}

inline std::string WindowText(HWND window) {
    char text[512] = {};
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

}  // namespace cs::test
