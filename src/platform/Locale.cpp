#include "platform/Locale.h"

#include <windows.h>

#include <cstdio>

namespace cs {
namespace {

// GetDateFormatA and GetTimeFormatA share one signature (and, on x86, one calling convention).
std::string Format(decltype(&::GetDateFormatA) format, DWORD flags, const SYSTEMTIME& st) {
    char buffer[128];
    const int length = format(LOCALE_USER_DEFAULT, flags, &st, nullptr, buffer, sizeof buffer);
    return length > 0 ? std::string(buffer, length - 1) : std::string();
}

}  // namespace

std::string DateTimeToText(DateTime value) {
    const CivilDate date = DecodeDate(value);
    const TimeOfDay time = DecodeTime(value);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(date.Year);
    st.wMonth = static_cast<WORD>(date.Month);
    st.wDay = static_cast<WORD>(date.Day);
    st.wDayOfWeek = static_cast<WORD>(WeekDay(value));
    st.wHour = static_cast<WORD>(time.Hour);
    st.wMinute = static_cast<WORD>(time.Minute);
    st.wSecond = static_cast<WORD>(time.Second);

    std::string text = Format(::GetDateFormatA, DATE_SHORTDATE, st);
    if (text.empty()) {
        // The system formats only years 1601 on; show an earlier date in ISO form.
        char iso[16];
        std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", date.Year, date.Month, date.Day);
        text = iso;
    }
    if (time.Hour != 0 || time.Minute != 0 || time.Second != 0) {
        text += ' ';
        text += Format(::GetTimeFormatA, 0, st);
    }
    return text;
}

}  // namespace cs
