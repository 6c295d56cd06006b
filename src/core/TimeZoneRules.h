#pragma once
#include <cstdint>
#include <string>

#include "core/DateTime.h"

namespace cs {

// A time-zone transition rule, field for field the system's SYSTEMTIME as the time-zone record
// holds it. Month 0 means the zone has no such transition. Year 0 is the day-in-month form:
// DayOfWeek (0 = Sunday) in week Day of the month (1 to 5, 5 = the last). Any other year is the
// absolute form: Year, Month and Day are the date itself.
struct TransitionRule {
    std::uint16_t Year = 0;
    std::uint16_t Month = 0;
    std::uint16_t DayOfWeek = 0;
    std::uint16_t Day = 0;
    std::uint16_t Hour = 0;
    std::uint16_t Minute = 0;
    std::uint16_t Second = 0;
    std::uint16_t Milliseconds = 0;
};

// The local date and time of the rule's transition in currentYear (used by the day-in-month form
// only), or 0.0 when the rule has no month. A week above 5 gives the date part 0 (1899-12-30)
// with the rule's time of day. Throws EConvertError for values that form no real date or time.
DateTime TransitionDate(const TransitionRule& rule, int currentYear);

// A bias in minutes as "hh:mm", with "-" in front only when negative: 300 gives "05:00",
// -330 gives "-05:30".
std::string BiasToText(int minutes);

}  // namespace cs
