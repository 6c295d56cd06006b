#include "time/TimeZone.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/Fakes.h"

namespace cs {
namespace {

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, ms);
}

SYSTEMTIME Rule(int month, int dayOfWeek, int week, int hour) {
    SYSTEMTIME rule{};
    rule.wMonth = static_cast<WORD>(month);
    rule.wDayOfWeek = static_cast<WORD>(dayOfWeek);
    rule.wDay = static_cast<WORD>(week);
    rule.wHour = static_cast<WORD>(hour);
    return rule;
}

class TimeZoneReader : public ::testing::Test {
protected:
    TimeZoneReader() { m_time.Local = test::MakeSystemTime(2007, 6, 15, 12); }
    ~TimeZoneReader() override { TimeZoneInfo = {}; }

    test::FakeSystemTime m_time;
    ScopedSeam<ISystemTime> m_seam{m_time};
};

TEST_F(TimeZoneReader, PassesTheResultOnAndOffersTheRecord) {
    TIME_ZONE_INFORMATION& zone = m_time.Zone;
    zone.Bias = 300;
    zone.StandardBias = 0;
    zone.DaylightBias = -60;
    std::wcscpy(zone.StandardName, L"Eastern Standard Time");
    std::wcscpy(zone.DaylightName, L"Eastern Daylight Time");
    // Each transition at its own time of day.
    zone.StandardDate = Rule(11, 0, 1, 3);
    zone.DaylightDate = Rule(3, 0, 2, 2);

    for (DWORD result : {DWORD{TIME_ZONE_ID_UNKNOWN}, DWORD{TIME_ZONE_ID_STANDARD},
                         DWORD{TIME_ZONE_ID_DAYLIGHT}, DWORD{TIME_ZONE_ID_INVALID}}) {
        m_time.ZoneResult = result;
        EXPECT_EQ(ReadTimeZone(), result);
    }
    EXPECT_EQ(TzBias(), 300);
    EXPECT_EQ(TzStdBias(), 0);
    EXPECT_EQ(TzDlBias(), -60);
    EXPECT_EQ(TzStdName(), "Eastern Standard Time");
    EXPECT_EQ(TzDlName(), "Eastern Daylight Time");
    // In the current local year, 2007.
    EXPECT_EQ(TzStdDate(), At(2007, 11, 4, 3));
    EXPECT_EQ(TzDlDate(), At(2007, 3, 11, 2));
}

TEST_F(TimeZoneReader, TakesTheYearFromTheLocalClock) {
    m_time.Local = test::MakeSystemTime(2026, 12, 31, 23, 59, 59);
    m_time.Zone.StandardDate = Rule(10, 0, 5, 3);
    m_time.Zone.DaylightDate = Rule(0, 0, 5, 3);
    ReadTimeZone();
    EXPECT_EQ(TzStdDate(), At(2026, 10, 25, 3));
    EXPECT_EQ(TzDlDate(), 0.0);
}

TEST_F(TimeZoneReader, TakesANameOfAllThirtyTwoUnitsWhole) {
    const wchar_t* full = L"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";  // 32 units, no room for a zero
    std::memcpy(m_time.Zone.StandardName, full, sizeof m_time.Zone.StandardName);
    ReadTimeZone();
    // Whatever follows the array in the record must not leak into the name.
    m_time.Zone.StandardDate.wYear = 0x41;
    EXPECT_EQ(TzStdName(), "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
    EXPECT_EQ(TzDlName(), "");
}

TEST_F(TimeZoneReader, ConvertsNamesToTheAnsiCodePage) {
    if (::GetACP() != 1252) GTEST_SKIP() << "expects code page 1252, this prefix has " << GetACP();
    std::wcscpy(m_time.Zone.DaylightName, L"Heure d\u00e9t\u00e9");
    m_time.Zone.DaylightName[12] = L'X';  // after the terminating zero: not part of the name
    ReadTimeZone();
    EXPECT_EQ(TzDlName(), "Heure d\xe9t\xe9");
}

TEST_F(TimeZoneReader, GivesTheCurrentUtcToTheMillisecond) {
    m_time.Utc = test::MakeSystemTime(2007, 12, 3, 21, 38, 17, 250);
    EXPECT_EQ(CurrentUtc(), At(2007, 12, 3, 21, 38, 17, 250));
    m_time.Local = test::MakeSystemTime(2007, 12, 3, 16, 38, 17, 251);
    EXPECT_EQ(CurrentLocal(), At(2007, 12, 3, 16, 38, 17, 251));
}

// The zone Wine really reports. Wine takes it from the Unix TZ variable of the process it
// starts, so these run once per zone as test entries of their own with TZ set (TZ reaches the
// program's environment too, which tells the test which zone to expect):
//   TZ=America/New_York scripts/wine-run time_tests.exe --gtest_filter='RealTimeZone.*'
class RealTimeZone : public ::testing::Test {
protected:
    void SetUp() override {
        char zone[64] = {};
        ::GetEnvironmentVariableA("TZ", zone, sizeof zone);
        m_zone = zone;
        if (m_zone != "America/New_York" && m_zone != "UTC") {
            GTEST_SKIP() << "runs with TZ=America/New_York or TZ=UTC";
        }
    }
    ~RealTimeZone() override { TimeZoneInfo = {}; }
    std::string m_zone;
};

TEST_F(RealTimeZone, ReadsTheZoneWineReports) {
    const DWORD mode = ReadTimeZone();
    if (m_zone == "UTC") {
        EXPECT_EQ(mode, DWORD{TIME_ZONE_ID_UNKNOWN});
        EXPECT_EQ(TzBias(), 0);
        EXPECT_EQ(TzStdBias(), 0);
        EXPECT_EQ(TzStdName(), "Greenwich Standard Time");
        EXPECT_EQ(TzDlName(), "Greenwich Daylight Time");
        // No transitions: both dates are the zero date.
        EXPECT_EQ(TzStdDate(), 0.0);
        EXPECT_EQ(TzDlDate(), 0.0);
        return;
    }
    EXPECT_EQ(TzBias(), 300);
    EXPECT_EQ(TzStdBias(), 0);
    EXPECT_EQ(TzDlBias(), -60);
    EXPECT_EQ(TzStdName(), "Eastern Standard Time");
    EXPECT_EQ(TzDlName(), "Eastern Daylight Time");

    // First Sunday of November and second Sunday of March of this year, both at 02:00.
    const int year = DecodeDate(CurrentLocal()).Year;
    const DateTime standard = TzStdDate();
    const DateTime daylight = TzDlDate();
    EXPECT_EQ(DecodeDate(standard).Year, year);
    EXPECT_EQ(DecodeDate(standard).Month, 11);
    EXPECT_LE(DecodeDate(standard).Day, 7);
    EXPECT_EQ(WeekDay(standard), 0);
    EXPECT_EQ(DecodeTime(standard).Hour, 2);
    EXPECT_EQ(DecodeDate(daylight).Month, 3);
    EXPECT_GE(DecodeDate(daylight).Day, 8);
    EXPECT_LE(DecodeDate(daylight).Day, 14);
    EXPECT_EQ(WeekDay(daylight), 0);
    EXPECT_EQ(DecodeTime(daylight).Hour, 2);

    // The mode follows this year's transitions. Around them the clock may tick over between
    // the two reads; not an hour worth testing against.
    const DateTime now = CurrentLocal();
    const bool summer = now >= daylight && now < standard;
    EXPECT_EQ(mode, summer ? DWORD{TIME_ZONE_ID_DAYLIGHT} : DWORD{TIME_ZONE_ID_STANDARD});
    // The local clock and the UTC clock differ by the bias in force.
    const double offsetMinutes = (CurrentUtc() - now) * 24 * 60;
    EXPECT_NEAR(offsetMinutes, summer ? 240 : 300, 1.0);
}

}  // namespace
}  // namespace cs
