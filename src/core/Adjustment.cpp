#include "core/Adjustment.h"

#include <cmath>

#include "core/DateTime.h"

namespace cs {
namespace {

constexpr std::int64_t kMsPerDayInt = 86400000;
constexpr const char* kCrLf = "\r\n";

}  // namespace

Adjustment SplitAdjustment(double days) {
    Adjustment a;
    a.Days = static_cast<std::int64_t>(std::trunc(days));
    // The parts below the day come from the magnitude rounded to the millisecond; the left-over
    // milliseconds are then dropped, so 4.9996 s counts as 5 s but 5.9 s as 5 s.
    const std::int64_t ms = std::llround(std::fabs(days) * kMsPerDay) % kMsPerDayInt;
    a.Hours = static_cast<int>(ms / 3600000);
    a.Minutes = static_cast<int>(ms / 60000 % 60);
    a.Seconds = static_cast<int>(ms / 1000 % 60);
    a.TotalSeconds =
        (a.Days < 0 ? -a.Days : a.Days) * 86400 + a.Hours * 3600 + a.Minutes * 60 + a.Seconds;
    return a;
}

std::string AdjustmentLines(const Adjustment& a) {
    return std::to_string(a.Days) + " Days" + kCrLf + std::to_string(a.Hours) + " Hours" + kCrLf +
           std::to_string(a.Minutes) + " Minutes" + kCrLf + std::to_string(a.Seconds) + " Seconds";
}

std::string AdjustmentText(double days) {
    const Adjustment a = SplitAdjustment(days);
    if (a.TotalSeconds < 5) return "System Clock is correct and does not require adjustment.";
    return std::string("System Clock has been adjusted by ...") + kCrLf + kCrLf +
           AdjustmentLines(a);
}

std::string ClockNotSetText(double days, std::string_view reason, bool suggestAdministrator) {
    std::string text = std::string(
                           "The System Clock could not be set. It differs from the "
                           "time server by") +
                       kCrLf + kCrLf + AdjustmentLines(SplitAdjustment(days)) + kCrLf + kCrLf +
                       std::string(reason);
    if (suggestAdministrator) {
        text += kCrLf;
        text += kCrLf;
        text += "Run the program as administrator to let it set the clock.";
    }
    return text;
}

}  // namespace cs
