#include "core/TimeZoneRules.h"

#include <cstdlib>

namespace cs {
namespace {

// Steps from start one day at a time in direction until the weekday matches. A weekday outside
// 0 to 6 never matches, so the search gives up after looking at seven days and yields the last.
DateTime FindWeekDay(DateTime start, int dayOfWeek, int direction) {
    DateTime day = start;
    for (int step = 0; step < 6 && WeekDay(day) != dayOfWeek; ++step) day += direction;
    return day;
}

std::string TwoDigits(long long value) {
    std::string text = std::to_string(value);
    if (text.size() < 2) text.insert(0, 1, '0');
    return text;
}

}  // namespace

DateTime TransitionDate(const TransitionRule& rule, int currentYear) {
    if (rule.Year != 0) {
        return EncodeDate(rule.Year, rule.Month, rule.Day) +
               EncodeTime(rule.Hour, rule.Minute, rule.Second, rule.Milliseconds);
    }
    if (rule.Month == 0) return 0.0;

    DateTime date = 0.0;
    if (rule.Day == 5) {
        // The last such weekday: back from the last day of the month, found as the day before
        // the first of the next month (January of the next year after December).
        const DateTime nextMonth = rule.Month == 12 ? EncodeDate(currentYear + 1, 1, 1)
                                                    : EncodeDate(currentYear, rule.Month + 1, 1);
        date = FindWeekDay(nextMonth - 1, rule.DayOfWeek, -1);
    } else if (rule.Day < 5) {
        const int week = rule.Day == 0 ? 1 : rule.Day;
        date = FindWeekDay(EncodeDate(currentYear, rule.Month, 1), rule.DayOfWeek, 1) +
               7.0 * (week - 1);
    }
    return date + EncodeTime(rule.Hour, rule.Minute, rule.Second, rule.Milliseconds);
}

std::string BiasToText(int minutes) {
    // In 64 bits, so that the magnitude of the most negative int does not overflow.
    const long long magnitude = std::llabs(static_cast<long long>(minutes));
    std::string text = minutes < 0 ? "-" : "";
    text += TwoDigits(magnitude / 60);
    text += ':';
    text += TwoDigits(magnitude % 60);
    return text;
}

}  // namespace cs
