#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace cs {

// A clock difference in days as the user is told it: whole days (truncated toward zero, keeping
// the sign), then the time of day of its magnitude in hours, minutes and whole seconds.
struct Adjustment {
    std::int64_t Days = 0;
    int Hours = 0;
    int Minutes = 0;
    int Seconds = 0;
    // Whole seconds of all four parts, never negative.
    std::int64_t TotalSeconds = 0;
};

// Expects a finite difference within the calendar's range (a few million days at most).
Adjustment SplitAdjustment(double days);

// "<d> Days", "<h> Hours", "<m> Minutes", "<s> Seconds", separated by CR LF.
std::string AdjustmentLines(const Adjustment& adjustment);

// The report after the clock was set: the four lines under a heading, or, for less than five
// seconds, that the clock is correct.
std::string AdjustmentText(double days);

// Told instead of the report when the system refused to set the clock: the four lines, the
// system's reason and, when the refusal was for lack of the right to set the clock, the hint to
// run the program as administrator.
std::string ClockNotSetText(double days, std::string_view reason, bool suggestAdministrator);

}  // namespace cs
