#include "support/Fakes.h"

namespace cs::test {

SYSTEMTIME MakeSystemTime(int year, int month, int day, int hour, int minute, int second, int ms) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    st.wHour = static_cast<WORD>(hour);
    st.wMinute = static_cast<WORD>(minute);
    st.wSecond = static_cast<WORD>(second);
    st.wMilliseconds = static_cast<WORD>(ms);
    return st;
}

}  // namespace cs::test
