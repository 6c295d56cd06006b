#pragma once
#include <cstdint>

namespace cs {

// Days since 1899-12-30; the fraction is the time of day (0.5 = noon). A difference of two
// values is a number of days. UTC and local times use the same type.
using DateTime = double;

inline constexpr double kMsPerDay = 86400000.0;
inline constexpr double kSecondsPerDay = 86400.0;

struct CivilDate {
    int Year = 0;
    int Month = 0;
    int Day = 0;
};

struct TimeOfDay {
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Throw EConvertError "Invalid argument to date encode" / "... time encode" for values that
// form no real date (years 1 to 9999) or time (hours 0 to 23, minutes and seconds 0 to 59,
// milliseconds 0 to 999).
DateTime EncodeDate(int year, int month, int day);
DateTime EncodeTime(int hour, int minute, int second, int millisecond);

CivilDate DecodeDate(DateTime value);
// The time of day of value, rounded to the nearest millisecond (so 23:59:59.9996 stays on its day).
TimeOfDay DecodeTime(DateTime value);
// 0 = Sunday to 6 = Saturday, as in the system's time structures.
int WeekDay(DateTime value);

}  // namespace cs
