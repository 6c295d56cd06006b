#pragma once
#include <windows.h>

#include <string>

#include "core/DateTime.h"
#include "platform/SystemTimes.h"

namespace cs {

// The computer's time-zone settings, read once at start-up by ReadTimeZone; all zero before.
// A change of the zone while the program runs is not seen.
extern TIME_ZONE_INFORMATION TimeZoneInfo;

// Fills TimeZoneInfo from the system and returns GetTimeZoneInformation's result unchanged:
// TIME_ZONE_ID_UNKNOWN (0, no daylight time), _STANDARD (1), _DAYLIGHT (2) or its failure value.
DWORD ReadTimeZone();

// Biases in minutes: UTC = local time + TzBias (+ TzStdBias or TzDlBias while in force).
int TzBias();
int TzStdBias();
int TzDlBias();

// The names of standard and daylight time in the ANSI code page.
std::string TzStdName();
std::string TzDlName();

// This year's transitions to standard and daylight time, in local time; 0.0 when there is none.
DateTime TzStdDate();
DateTime TzDlDate();

// The transition of a time-zone rule in the current local year; see TransitionRule.
DateTime TransitionDate(const SYSTEMTIME& rule);

// The system's current UTC and local time, to the millisecond.
DateTime CurrentUtc();
DateTime CurrentLocal();

}  // namespace cs
