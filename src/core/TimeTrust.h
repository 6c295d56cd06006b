#pragma once
#include <optional>
#include <string_view>

namespace cs {

// The health digit H of a NIST Daytime line (JJJJJ YR-MO-DA HH:MM:SS TT L H msADV UTC(NIST) OTM):
// the third blank-separated field after the time of day, on the line of the first hyphen. Empty
// when the line has no such field or it is not a single digit.
std::optional<int> DaytimeHealth(std::string_view reply);

// The server says its own time must not be used: health 2 (off by more than 5 s) or 3 (failed).
// A line without a health field, or with any other value there, is usable.
bool ReportsUnhealthy(std::string_view reply);

// The largest step of the clock that nobody confirmed: the 15 hours by which Windows' own time
// service limits its corrections on a stand-alone machine.
inline constexpr double kMaxUnattendedStepSeconds = 54000.0;

// A difference in days (server minus system) that may be applied without asking anyone.
bool WithinUnattendedBound(double differenceDays);

}  // namespace cs
