#include "core/Adjustment.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace cs {
namespace {

constexpr double kSecond = 1.0 / 86400.0;
const std::string kCorrect = "System Clock is correct and does not require adjustment.";

std::string Report(const char* days, int hours, int minutes, int seconds) {
    return std::string("System Clock has been adjusted by ...\r\n\r\n") + days + " Days\r\n" +
           std::to_string(hours) + " Hours\r\n" + std::to_string(minutes) + " Minutes\r\n" +
           std::to_string(seconds) + " Seconds";
}

struct AdjustmentCase {
    const char* Name;
    double Days;
    std::string Text;
};
void PrintTo(const AdjustmentCase& c, std::ostream* os) {
    *os << c.Name;
}

class AdjustmentTextTest : public ::testing::TestWithParam<AdjustmentCase> {};

TEST_P(AdjustmentTextTest, IsExactToTheCharacter) {
    EXPECT_EQ(AdjustmentText(GetParam().Days), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(
    Differences, AdjustmentTextTest,
    ::testing::Values(AdjustmentCase{"Behind90s", 90 * kSecond, Report("0", 0, 1, 30)},
                      AdjustmentCase{"Behind4_4s", 4.4 * kSecond, kCorrect},
                      AdjustmentCase{"Behind5s", 5.0 * kSecond, Report("0", 0, 0, 5)},
                      // Rounded to 5000 ms before the seconds are taken.
                      AdjustmentCase{"Behind4_9996s", 4.9996 * kSecond, Report("0", 0, 0, 5)},
                      // Left-over milliseconds are dropped, not rounded up.
                      AdjustmentCase{"Behind5_9s", 5.9 * kSecond, Report("0", 0, 0, 5)},
                      AdjustmentCase{"Ahead7s", -7 * kSecond, Report("0", 0, 0, 7)},
                      AdjustmentCase{"Ahead4_4s", -4.4 * kSecond, kCorrect},
                      AdjustmentCase{"AheadHalfDay", -0.5, Report("0", 12, 0, 0)},
                      AdjustmentCase{"AheadDayAndHalf", -1.5, Report("-1", 12, 0, 0)},
                      AdjustmentCase{"AheadAlmostTwoDays", -1.99999, Report("-1", 23, 59, 59)},
                      AdjustmentCase{"BehindThreeDays", 3.0 + 3661 * kSecond, Report("3", 1, 1, 1)},
                      AdjustmentCase{"Zero", 0.0, kCorrect}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ClockNotSetText, GivesTheDifferenceAndTheReason) {
    EXPECT_EQ(ClockNotSetText(-90 * kSecond, "Access denied.", false),
              "The System Clock could not be set. It differs from the time server by\r\n\r\n"
              "0 Days\r\n0 Hours\r\n1 Minutes\r\n30 Seconds\r\n\r\nAccess denied.");
    EXPECT_EQ(ClockNotSetText(1.5, "A required privilege is not held by the client.", true),
              "The System Clock could not be set. It differs from the time server by\r\n\r\n"
              "1 Days\r\n12 Hours\r\n0 Minutes\r\n0 Seconds\r\n\r\n"
              "A required privilege is not held by the client.\r\n\r\n"
              "Run the program as administrator to let it set the clock.");
}

}  // namespace
}  // namespace cs
