#include "core/StartupEntry.h"

#include <algorithm>
#include <cstddef>

namespace cs {

namespace {

constexpr std::size_t kApprovedSize = 12;
constexpr std::size_t kTimeOffset = 4;

char LowerAscii(char c) noexcept {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b) noexcept {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

}  // namespace

bool StartupApprovedDisabled(std::string_view value) {
    return !value.empty() && (static_cast<unsigned char>(value[0]) & 1) != 0;
}

std::string StartupApprovedEnabled(std::string_view value) {
    std::string enabled(value);
    if (enabled.size() < kApprovedSize) {
        enabled.assign(kApprovedSize, '\0');
        enabled[0] = '\x02';
    }
    enabled[0] = static_cast<char>(static_cast<unsigned char>(enabled[0]) & ~1u);
    std::fill(enabled.begin() + kTimeOffset, enabled.begin() + kApprovedSize, '\0');
    return enabled;
}

bool RunEntryStarts(std::string_view data, std::string_view fileName) {
    if (fileName.empty()) return false;
    // REG_SZ data read back may still carry its terminating zero.
    while (!data.empty() && data.back() == '\0') data.remove_suffix(1);
    if (data.size() >= 2 && data.front() == '"' && data.back() == '"')
        data = data.substr(1, data.size() - 2);
    return SameTextIgnoringCase(data, fileName);
}

}  // namespace cs
