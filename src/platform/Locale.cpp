#include "platform/Locale.h"

#include <windows.h>

#include <cstdio>

#include "platform/SystemTimes.h"

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
    const SYSTEMTIME st = DateTimeToSystemTime(value);

    std::string text = Format(::GetDateFormatA, DATE_SHORTDATE, st);
    if (text.empty()) {
        // The system formats only years 1601 on; show an earlier date in ISO form.
        char iso[16];
        std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", st.wYear, st.wMonth, st.wDay);
        text = iso;
    }
    if (st.wHour != 0 || st.wMinute != 0 || st.wSecond != 0) {
        text += ' ';
        text += Format(::GetTimeFormatA, 0, st);
    }
    return text;
}

}  // namespace cs
