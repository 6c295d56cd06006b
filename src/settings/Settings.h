#pragma once
#include <string>
#include <string_view>

namespace cs {

// Every setting of the program lives under HKEY_CURRENT_USER\SOFTWARE\<key name>; all callers
// pass this key name.
inline constexpr std::string_view kSettingsKey = "Quendra\\Proxy";

// Stores text as the REG_SZ value name (the text and one NUL). Throws Exception
// "Failed to create key %s" or "Failed to set data for '%s'".
void WriteSetting(std::string_view keyName, std::string_view valueName, std::string_view text);

// The stored text of the value, or defaultText when it is absent or empty. Creates the key when
// it is missing. Throws Exception "Failed to create key %s", "Failed to get data for '%s'" or
// "Invalid data type for '%s'".
std::string ReadSetting(std::string_view keyName, std::string_view valueName,
                        std::string_view defaultText);

}  // namespace cs
