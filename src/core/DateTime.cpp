#include "core/DateTime.h"

#include <cmath>

#include "core/Exception.h"

namespace cs {
namespace {

// 1899-12-30 is day 693594 when 0001-01-01 is day 1.
constexpr std::int64_t kEpochOffset = 693594;

constexpr int kMonthDays[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                   {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

// Whole days and the time of day in milliseconds, rounded so that a value a hair below
// midnight is midnight of the next day rather than 24:00:00.000.
void Split(DateTime value, std::int64_t& days, std::int64_t& ms) {
    const double total = std::round(value * kMsPerDay);
    const auto totalMs = static_cast<std::int64_t>(total);
    const auto perDay = static_cast<std::int64_t>(kMsPerDay);
    // The fraction of a negative DateTime still counts forward from midnight of its whole day,
    // so -1.25 is 1899-12-29 06:00.
    days = static_cast<std::int64_t>(std::trunc(value));
    ms = std::llabs(totalMs - days * perDay);
    if (ms >= perDay) {
        days += value < 0 ? -1 : 1;
        ms -= perDay;
    }
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) { return kMonthDays[IsLeapYear(year) ? 1 : 0][month - 1]; }

DateTime EncodeDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month)) {
        throw EConvertError("Invalid argument to date encode");
    }
    std::int64_t days = day;
    for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
    const std::int64_t y = year - 1;
    days += y * 365 + y / 4 - y / 100 + y / 400;
    return static_cast<double>(days - kEpochOffset);
}

DateTime EncodeTime(int hour, int minute, int second, int millisecond) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        millisecond < 0 || millisecond > 999) {
        throw EConvertError("Invalid argument to time encode");
    }
    return ((hour * 3600 + minute * 60 + second) * 1000.0 + millisecond) / kMsPerDay;
}

CivilDate DecodeDate(DateTime value) {
    std::int64_t days = 0;
    std::int64_t ms = 0;
    Split(value, days, ms);
    // Civil-from-days on the proleptic Gregorian calendar, counted from 0000-03-01.
    const std::int64_t z = days + kEpochOffset - 1 + 306;  // days since 0000-03-01
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    CivilDate date;
    date.Day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    date.Month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    date.Year = static_cast<int>(yoe + era * 400 + (date.Month <= 2 ? 1 : 0));
    return date;
}

TimeOfDay DecodeTime(DateTime value) {
    std::int64_t days = 0;
    std::int64_t ms = 0;
    Split(value, days, ms);
    TimeOfDay t;
    t.Hour = static_cast<int>(ms / 3600000);
    t.Minute = static_cast<int>(ms / 60000 % 60);
    t.Second = static_cast<int>(ms / 1000 % 60);
    t.Millisecond = static_cast<int>(ms % 1000);
    return t;
}

int WeekDay(DateTime value) {
    std::int64_t days = 0;
    std::int64_t ms = 0;
    Split(value, days, ms);
    // 1899-12-30 was a Saturday.
    return static_cast<int>(((days + 6) % 7 + 7) % 7);
}

}  // namespace cs
