#include "settings/Settings.h"

#include <windows.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "core/Exception.h"
#include "platform/Handles.h"

namespace cs {
namespace {

std::string KeyPath(std::string_view keyName) {
    return "\\SOFTWARE\\" + std::string(keyName) + "\\";
}

HKEY CreateKey(const std::string& path, LONG& result) {
    HKEY key = nullptr;
    // The leading backslash only marks the path as starting at the hive's root; the registry
    // wants it relative. The trailing one is accepted as it stands.
    result = ::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str() + 1, 0, nullptr,
                               REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return result == ERROR_SUCCESS ? key : nullptr;
}

// Opens the settings key, creating it and any missing parent. The first handle is the one used;
// a second create, closed at once, confirms the key is there. A null first handle fails as well,
// or a read through it would pass for an absent value and quietly give the default.
unique_hkey OpenSettingsKey(std::string_view keyName) {
    const std::string path = KeyPath(keyName);
    LONG result = ERROR_SUCCESS;
    unique_hkey key(CreateKey(path, result));
    const unique_hkey check(CreateKey(path, result));
    if (result != ERROR_SUCCESS || !key) throw ERegistryException("Failed to create key " + path);
    return key;
}

}  // namespace

void WriteSetting(std::string_view keyName, std::string_view valueName, std::string_view text) {
    const unique_hkey key = OpenSettingsKey(keyName);
    const std::string name(valueName);
    // The stored data is the text and its terminating NUL.
    const std::string data(text);
    if (data.size() >= std::numeric_limits<DWORD>::max() ||
        ::RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(data.c_str()),
                         static_cast<DWORD>(data.size() + 1)) != ERROR_SUCCESS) {
        throw ERegistryException("Failed to set data for '" + name + "'");
    }
}

std::string ReadSetting(std::string_view keyName, std::string_view valueName,
                        std::string_view defaultText) {
    const unique_hkey key = OpenSettingsKey(keyName);
    const std::string name(valueName);

    std::string text;
    DWORD type = REG_NONE;
    DWORD size = 0;
    // An absent value is no failure: it reads as the default.
    if (::RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, &size) ==
            ERROR_SUCCESS &&
        size > 0) {
        std::vector<char> data(size);
        LONG result = ERROR_MORE_DATA;
        // Another program may lengthen the value between the two queries; take the new size.
        for (int attempt = 0; attempt < 4 && result == ERROR_MORE_DATA; ++attempt) {
            data.resize(size);
            result = ::RegQueryValueExA(key.get(), name.c_str(), nullptr, &type,
                                        reinterpret_cast<BYTE*>(data.data()), &size);
        }
        if (result != ERROR_SUCCESS)
            throw ERegistryException("Failed to get data for '" + name + "'");
        if (type != REG_SZ && type != REG_EXPAND_SZ) {
            throw ERegistryException("Invalid data type for '" + name + "'");
        }
        // The data need not end with a NUL (a program may store it without one), so only the
        // bytes the registry reported are looked at. REG_EXPAND_SZ is taken as stored.
        const std::string_view stored(data.data(), std::min<std::size_t>(size, data.size()));
        text.assign(stored.substr(0, stored.find('\0')));
    }
    if (text.empty()) return std::string(defaultText);
    return text;
}

}  // namespace cs
