#include "core/TimeZoneRules.h"

#include <gtest/gtest.h>

#include <climits>
#include <ostream>
#include <tuple>

#include "core/Exception.h"

namespace cs {
namespace {

struct RuleCase {
    const char* Name;
    TransitionRule Rule;
    int Year;
    DateTime Expected;
};
void PrintTo(const RuleCase& c, std::ostream* os) {
    *os << c.Name;
}

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, ms);
}

class TransitionDateTest : public ::testing::TestWithParam<RuleCase> {};

// The window shows a transition as its date and time of day; they, to the millisecond, are what
// must come out, not the last bits of the number that carries them.
TEST_P(TransitionDateTest, GivesTheLocalDateAndTime) {
    const RuleCase& c = GetParam();
    const DateTime actual = TransitionDate(c.Rule, c.Year);
    const CivilDate date = DecodeDate(actual), expectedDate = DecodeDate(c.Expected);
    const TimeOfDay time = DecodeTime(actual), expectedTime = DecodeTime(c.Expected);
    EXPECT_EQ(std::tie(date.Year, date.Month, date.Day, time.Hour, time.Minute, time.Second,
                       time.Millisecond),
              std::tie(expectedDate.Year, expectedDate.Month, expectedDate.Day, expectedTime.Hour,
                       expectedTime.Minute, expectedTime.Second, expectedTime.Millisecond))
        << "gave " << actual << ", expected " << c.Expected;
}

// Fields: year, month, day of week (0 = Sunday), week (5 = last), hour, minute, second, ms.
INSTANTIATE_TEST_SUITE_P(
    Rules, TransitionDateTest,
    ::testing::Values(
        RuleCase{"FirstSundayOfNovember", {0, 11, 0, 1, 2, 0, 0, 0}, 2007, At(2007, 11, 4, 2)},
        RuleCase{"SecondSundayOfMarch", {0, 3, 0, 2, 2, 0, 0, 0}, 2007, At(2007, 3, 11, 2)},
        RuleCase{"LastSundayOfOctober", {0, 10, 0, 5, 3, 0, 0, 0}, 2007, At(2007, 10, 28, 3)},
        // The last Monday of December 2007 is the 31st: the month's own last day.
        RuleCase{"LastMondayOfDecember", {0, 12, 1, 5, 0, 0, 0, 0}, 2007, At(2007, 12, 31)},
        RuleCase{"LastSundayOfDecember", {0, 12, 0, 5, 1, 0, 0, 0}, 2007, At(2007, 12, 30, 1)},
        RuleCase{"LastFridayOfLeapFebruary", {0, 2, 5, 5, 0, 0, 0, 0}, 2008, At(2008, 2, 29)},
        RuleCase{"FirstSaturdayOnTheFirst", {0, 9, 6, 1, 0, 0, 0, 0}, 2007, At(2007, 9, 1)},
        RuleCase{"FourthThursday", {0, 11, 4, 4, 0, 0, 0, 0}, 2007, At(2007, 11, 22)},
        RuleCase{"WeekZeroIsTheFirst", {0, 11, 0, 0, 2, 0, 0, 0}, 2007, At(2007, 11, 4, 2)},
        RuleCase{
            "OwnTimeOfDay", {0, 3, 0, 2, 2, 30, 15, 250}, 2007, At(2007, 3, 11, 2, 30, 15, 250)},
        RuleCase{"NoMonthNoTransition", {0, 0, 3, 2, 4, 5, 6, 7}, 2007, 0.0},
        RuleCase{"WeekAboveFiveHasNoDate", {0, 3, 0, 6, 2, 0, 0, 0}, 2007, 2.0 / 24},
        // The absolute form ignores the weekday and the current year.
        RuleCase{"Absolute", {2007, 4, 6, 1, 2, 30, 0, 0}, 2030, At(2007, 4, 1, 2, 30)}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(TransitionDate, GivesUpOnAWeekdayThatDoesNotExist) {
    const DateTime first = TransitionDate({0, 6, 7, 1, 0, 0, 0, 0}, 2007);
    EXPECT_GE(first, At(2007, 6, 1));
    EXPECT_LE(first, At(2007, 6, 7));
    const DateTime last = TransitionDate({0, 6, 9, 5, 0, 0, 0, 0}, 2007);
    EXPECT_GE(last, At(2007, 6, 24));
    EXPECT_LE(last, At(2007, 6, 30));
}

TEST(TransitionDate, RejectsValuesThatFormNoDateOrTime) {
    const struct {
        TransitionRule Rule;
        const char* Message;
    } cases[] = {
        {{0, 13, 0, 1, 0, 0, 0, 0}, "Invalid argument to date encode"},
        {{0, 13, 0, 5, 0, 0, 0, 0}, "Invalid argument to date encode"},
        {{2007, 2, 0, 30, 0, 0, 0, 0}, "Invalid argument to date encode"},
        {{0, 3, 0, 2, 24, 0, 0, 0}, "Invalid argument to time encode"},
        {{0, 3, 0, 6, 0, 60, 0, 0}, "Invalid argument to time encode"},
    };
    for (const auto& c : cases) {
        try {
            TransitionDate(c.Rule, 2007);
            ADD_FAILURE() << "accepted month " << c.Rule.Month << " hour " << c.Rule.Hour;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), c.Message);
        }
    }
}

struct BiasCase {
    int Minutes;
    const char* Text;
};

class BiasToTextTest : public ::testing::TestWithParam<BiasCase> {};

TEST_P(BiasToTextTest, WritesHoursAndMinutes) {
    EXPECT_EQ(BiasToText(GetParam().Minutes), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(
    Biases, BiasToTextTest,
    ::testing::Values(BiasCase{0, "00:00"}, BiasCase{300, "05:00"}, BiasCase{480, "08:00"},
                      BiasCase{-60, "-01:00"}, BiasCase{-330, "-05:30"}, BiasCase{-570, "-09:30"},
                      BiasCase{-30, "-00:30"}, BiasCase{59, "00:59"}, BiasCase{6000, "100:00"},
                      BiasCase{INT_MAX, "35791394:07"}, BiasCase{INT_MIN, "-35791394:08"}));

}  // namespace
}  // namespace cs
