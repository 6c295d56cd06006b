#include "core/DaytimeReply.h"

#include <string>

#include "core/IntConv.h"

namespace cs {
namespace {

// The time-scale label may come in any letter case; only ASCII letters are folded, so bytes of
// other code pages never turn into a match.
bool ContainsNist(std::string_view reply) {
    std::string upper(reply);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper.find("NIST") != std::string::npos;
}

// Two characters from offset; shorter or empty when the line ends first.
std::string_view Field(std::string_view line, std::size_t offset) {
    if (offset >= line.size()) return {};
    return line.substr(offset, 2);
}

}  // namespace

DateTime ParseDaytimeReply(std::string_view reply) {
    if (!ContainsNist(reply)) return 0.0;

    // The first hyphen, between year and month, anchors every field. The five-digit Modified
    // Julian Date and a blank precede the year, so at least eight characters must come before it.
    const std::size_t hyphen = reply.find('-');
    if (hyphen == std::string_view::npos || hyphen < 8) return 0.0;
    const std::string_view line = reply.substr(hyphen - 8, 255);

    // Every field is converted before any is range-checked: a field that is not a number fails
    // even when an earlier one is already out of range.
    const int year = StrToInt(Field(line, 6)) + 2000;
    const int month = StrToInt(Field(line, 9));
    const int day = StrToInt(Field(line, 12));
    const int hour = StrToInt(Field(line, 15));
    const int minute = StrToInt(Field(line, 18));
    const int second = StrToInt(Field(line, 21));

    // Upper bounds only; zero or negative values go on to the encoders, which reject them.
    if (year < 1980 || year > 2040 || month > 12 || day > 31 || hour > 24 || minute > 60 ||
        second > 60) {
        return 0.0;
    }
    const DateTime date = EncodeDate(year, month, day);
    return date + EncodeTime(hour, minute, second, 0);
}

}  // namespace cs
