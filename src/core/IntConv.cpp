#include "core/IntConv.h"

#include <cstdint>
#include <limits>
#include <string>

#include "core/Exception.h"

namespace cs {

int StrToInt(std::string_view text) {
    const auto fail = [&] {
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    };
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) fail();
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') fail();
        value = value * 10 + (c - '0');
        if (value > static_cast<std::int64_t>(std::numeric_limits<int>::max()) + 1) fail();
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int>::max()) fail();
    return static_cast<int>(value);
}

}  // namespace cs
