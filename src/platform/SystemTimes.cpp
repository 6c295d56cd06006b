#include "platform/SystemTimes.h"

namespace cs {

DateTime SystemTimeToDateTime(const SYSTEMTIME& time) {
    return EncodeDate(time.wYear, time.wMonth, time.wDay) +
           EncodeTime(time.wHour, time.wMinute, time.wSecond, time.wMilliseconds);
}

SYSTEMTIME DateTimeToSystemTime(DateTime value) {
    const CivilDate date = DecodeDate(value);
    const TimeOfDay time = DecodeTime(value);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(date.Year);
    st.wMonth = static_cast<WORD>(date.Month);
    st.wDayOfWeek = static_cast<WORD>(WeekDay(value));
    st.wDay = static_cast<WORD>(date.Day);
    st.wHour = static_cast<WORD>(time.Hour);
    st.wMinute = static_cast<WORD>(time.Minute);
    st.wSecond = static_cast<WORD>(time.Second);
    st.wMilliseconds = static_cast<WORD>(time.Millisecond);
    return st;
}

}  // namespace cs
