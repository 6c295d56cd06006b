#include "core/TimeTrust.h"

#include <cmath>

#include "core/DateTime.h"

namespace cs {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::optional<int> DaytimeHealth(std::string_view reply) {
    // The same anchor as the parser: eight characters before the first hyphen start the line,
    // and the time of day ends 23 characters into it.
    const std::size_t hyphen = reply.find('-');
    if (hyphen == std::string_view::npos || hyphen < 8) return std::nullopt;
    std::string_view rest = reply.substr(hyphen - 8);
    if (rest.size() <= 23) return std::nullopt;
    rest = rest.substr(23);
    rest = rest.substr(0, rest.find_first_of("\r\n"));

    // TT, L, then H.
    std::string_view field;
    for (int index = 0; index < 3; ++index) {
        std::size_t start = 0;
        while (start < rest.size() && IsBlank(rest[start])) ++start;
        std::size_t end = start;
        while (end < rest.size() && !IsBlank(rest[end])) ++end;
        if (start == end) return std::nullopt;
        field = rest.substr(start, end - start);
        rest = rest.substr(end);
    }
    if (field.size() != 1 || field[0] < '0' || field[0] > '9') return std::nullopt;
    return field[0] - '0';
}

bool ReportsUnhealthy(std::string_view reply) {
    const std::optional<int> health = DaytimeHealth(reply);
    return health == 2 || health == 3;
}

bool WithinUnattendedBound(double differenceDays) {
    // Compared in whole milliseconds, so that both builds decide alike at the bound itself.
    const double milliseconds = std::round(std::fabs(differenceDays) * kSecondsPerDay * 1000.0);
    return milliseconds <= kMaxUnattendedStepSeconds * 1000.0;
}

}  // namespace cs
