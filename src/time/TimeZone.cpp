#include "time/TimeZone.h"

#include <algorithm>

#include "core/TimeZoneRules.h"
#include "platform/Seams.h"
#include "platform/SystemTimes.h"

namespace cs {

TIME_ZONE_INFORMATION TimeZoneInfo{};

namespace {

// The record's names are fixed arrays of 32 UTF-16 units; a name that fills all of them has no
// terminating zero and is taken whole.
template <std::size_t N>
std::string NameToAnsi(const WCHAR (&name)[N]) {
    const int units = static_cast<int>(std::find(name, name + N, L'\0') - name);
    if (units == 0) return {};
    const int bytes = ::WideCharToMultiByte(CP_ACP, 0, name, units, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) {
        ::WideCharToMultiByte(CP_ACP, 0, name, units, text.data(), bytes, nullptr, nullptr);
    }
    return text;
}

}  // namespace

DWORD ReadTimeZone() {
    return SystemTime().GetTimeZoneInformation(TimeZoneInfo);
}

int TzBias() {
    return TimeZoneInfo.Bias;
}
int TzStdBias() {
    return TimeZoneInfo.StandardBias;
}
int TzDlBias() {
    return TimeZoneInfo.DaylightBias;
}

std::string TzStdName() {
    return NameToAnsi(TimeZoneInfo.StandardName);
}
std::string TzDlName() {
    return NameToAnsi(TimeZoneInfo.DaylightName);
}

DateTime TzStdDate() {
    return TransitionDate(TimeZoneInfo.StandardDate);
}
DateTime TzDlDate() {
    return TransitionDate(TimeZoneInfo.DaylightDate);
}

DateTime TransitionDate(const SYSTEMTIME& rule) {
    SYSTEMTIME local{};
    SystemTime().GetLocalTime(local);
    const TransitionRule portable{rule.wYear, rule.wMonth,  rule.wDayOfWeek, rule.wDay,
                                  rule.wHour, rule.wMinute, rule.wSecond,    rule.wMilliseconds};
    return cs::TransitionDate(portable, local.wYear);
}

DateTime CurrentUtc() {
    SYSTEMTIME utc{};
    SystemTime().GetSystemTime(utc);
    return SystemTimeToDateTime(utc);
}

DateTime CurrentLocal() {
    SYSTEMTIME local{};
    SystemTime().GetLocalTime(local);
    return SystemTimeToDateTime(local);
}

}  // namespace cs
