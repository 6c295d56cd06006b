#include "core/DateTime.h"

#include <gtest/gtest.h>

#include "core/Exception.h"
#include "core/IntConv.h"

namespace cs {
namespace {

struct DateCase {
    int Year, Month, Day;
    double Serial;
};

class EncodeDateTest : public ::testing::TestWithParam<DateCase> {};

TEST_P(EncodeDateTest, EncodesAndDecodesBack) {
    const DateCase& c = GetParam();
    EXPECT_EQ(EncodeDate(c.Year, c.Month, c.Day), c.Serial);
    const CivilDate back = DecodeDate(c.Serial);
    EXPECT_EQ(back.Year, c.Year);
    EXPECT_EQ(back.Month, c.Month);
    EXPECT_EQ(back.Day, c.Day);
}

INSTANTIATE_TEST_SUITE_P(KnownDays, EncodeDateTest,
                         ::testing::Values(DateCase{1899, 12, 30, 0}, DateCase{1899, 12, 29, -1},
                                           DateCase{1900, 1, 1, 2}, DateCase{1900, 3, 1, 61},
                                           DateCase{2000, 2, 29, 36585}, DateCase{2000, 3, 1, 36586},
                                           DateCase{2007, 12, 3, 39419},
                                           DateCase{2040, 12, 31, 51501},
                                           DateCase{1, 1, 1, -693593},
                                           DateCase{9999, 12, 31, 2958465}));

TEST(EncodeDate, RejectsDatesThatDoNotExist) {
    for (auto [y, m, d] : {std::tuple{2007, 0, 1}, {2007, 13, 1}, {2007, 1, 0}, {2007, 4, 31},
                           {2007, 2, 29}, {1900, 2, 29}, {0, 1, 1}, {2007, -1, 5}}) {
        try {
            EncodeDate(y, m, d);
            ADD_FAILURE() << y << "-" << m << "-" << d << " was accepted";
        } catch (const EConvertError& e) {
            EXPECT_STREQ(e.what(), "Invalid argument to date encode");
        }
    }
    EXPECT_NO_THROW(EncodeDate(2008, 2, 29));
    EXPECT_NO_THROW(EncodeDate(2000, 2, 29));
}

TEST(EncodeTime, AcceptsOnlyRealTimesOfDay) {
    EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_DOUBLE_EQ(EncodeTime(23, 59, 59, 999), (86400000.0 - 1) / 86400000.0);
    for (auto [h, m, s, ms] : {std::tuple{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0},
                               {0, 0, 0, 1000}, {-1, 0, 0, 0}, {0, -1, 0, 0}}) {
        try {
            EncodeTime(h, m, s, ms);
            ADD_FAILURE() << h << ":" << m << ":" << s << "." << ms << " was accepted";
        } catch (const EConvertError& e) {
            EXPECT_STREQ(e.what(), "Invalid argument to time encode");
        }
    }
}

TEST(DecodeTime, RoundsToTheMillisecondWithoutLeavingTheDay) {
    const TimeOfDay t = DecodeTime(EncodeDate(2007, 12, 3) + EncodeTime(21, 38, 17, 250));
    EXPECT_EQ(t.Hour, 21);
    EXPECT_EQ(t.Minute, 38);
    EXPECT_EQ(t.Second, 17);
    EXPECT_EQ(t.Millisecond, 250);
    // A hair before midnight is midnight of the next day, not 24:00.
    const DateTime almost = EncodeDate(2007, 12, 3) + 1.0 - 1e-10;
    EXPECT_EQ(DecodeTime(almost).Hour, 0);
    EXPECT_EQ(DecodeDate(almost).Day, 4);
    // A negative value's fraction counts forward from its day's midnight.
    EXPECT_EQ(DecodeTime(-1.25).Hour, 6);
    EXPECT_EQ(DecodeDate(-1.25).Day, 29);
}

TEST(WeekDay, CountsFromSunday) {
    EXPECT_EQ(WeekDay(0), 6);                        // 1899-12-30, a Saturday
    EXPECT_EQ(WeekDay(EncodeDate(2007, 11, 4)), 0);  // a Sunday
    EXPECT_EQ(WeekDay(EncodeDate(2026, 12, 8)), 2);  // a Tuesday
    EXPECT_EQ(WeekDay(-1), 5);
    EXPECT_EQ(WeekDay(-7), 6);
}

struct IntCase {
    const char* Text;
    int Value;
};

class StrToIntAccepts : public ::testing::TestWithParam<IntCase> {};
TEST_P(StrToIntAccepts, Value) { EXPECT_EQ(StrToInt(GetParam().Text), GetParam().Value); }
INSTANTIATE_TEST_SUITE_P(Texts, StrToIntAccepts,
                         ::testing::Values(IntCase{"07", 7}, IntCase{" 7", 7}, IntCase{"  -3", -3},
                                           IntCase{"+5", 5}, IntCase{"-0", 0},
                                           IntCase{"2147483647", 2147483647},
                                           IntCase{"-2147483648", -2147483647 - 1}));

class StrToIntRejects : public ::testing::TestWithParam<const char*> {};
TEST_P(StrToIntRejects, WithTheTextInTheMessage) {
    try {
        StrToInt(GetParam());
        ADD_FAILURE() << "accepted '" << GetParam() << "'";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), std::string("'") + GetParam() + "' is not a valid integer value");
    }
}
INSTANTIATE_TEST_SUITE_P(Texts, StrToIntRejects,
                         ::testing::Values("", " ", "-", "+", "7 ", "1-", "0x1", "1.5", "+-1",
                                           "- 1", "2147483648", "-2147483649", "99999999999999999999",
                                           "\t1"));

}  // namespace
}  // namespace cs
