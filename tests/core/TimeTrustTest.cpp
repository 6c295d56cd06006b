#include "core/TimeTrust.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/DateTime.h"

namespace cs {
namespace {

struct HealthCase {
    const char* Name;
    std::string Reply;
    std::optional<int> Health;
};

void PrintTo(const HealthCase& c, std::ostream* out) {
    *out << c.Name;
}

class DaytimeHealthTest : public ::testing::TestWithParam<HealthCase> {};

TEST_P(DaytimeHealthTest, ReadsTheDigitAfterTheLeapSecondWarning) {
    const HealthCase& c = GetParam();
    EXPECT_EQ(DaytimeHealth(c.Reply), c.Health);
    EXPECT_EQ(ReportsUnhealthy(c.Reply), c.Health == 2 || c.Health == 3);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DaytimeHealthTest,
    ::testing::Values(
        HealthCase{"Healthy", "\n61018 25-12-09 02:42:17 00 0 0 123.4 UTC(NIST) *\n", 0},
        HealthCase{"MayBeOffBy5s", "61018 25-12-09 02:42:17 00 0 1 123.4 UTC(NIST) *", 1},
        HealthCase{"OffByMore", "\n61018 25-12-09 02:42:17 00 0 2 123.4 UTC(NIST) *\n", 2},
        HealthCase{"Failed", "61018 25-12-09 02:42:17 00 0 3 123.4 UTC(NIST) *", 3},
        HealthCase{"LeapWarningIsNotHealth", "61018 25-12-09 02:42:17 50 3 0  50.0 UTC(NIST) *", 0},
        HealthCase{"ExtraBlanks", "61018 25-12-09 02:42:17  00   0    2  50.0 UTC(NIST) *", 2},
        HealthCase{"NoHealthField", "61018 25-12-09 02:42:17 UTC(NIST)", std::nullopt},
        HealthCase{"HealthIsNotADigit", "61018 25-12-09 02:42:17 00 0 x 1 UTC(NIST)", std::nullopt},
        HealthCase{"TwoDigits", "61018 25-12-09 02:42:17 00 0 22 1 UTC(NIST)", std::nullopt},
        HealthCase{"EndsAtTheTime", "61018 25-12-09 02:42:17", std::nullopt},
        // A digit on a later line belongs to nothing the server said about this time.
        HealthCase{"NextLineIgnored", "61018 25-12-09 02:42:17 00 0\n3 UTC(NIST)", std::nullopt},
        HealthCase{"NoHyphen", "NIST 3 3 3", std::nullopt}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(UnattendedBound, FifteenHoursEitherWayIsTheLimit) {
    const double second = 1.0 / kSecondsPerDay;
    for (const double sign : {1.0, -1.0}) {
        EXPECT_TRUE(WithinUnattendedBound(sign * 54000 * second));
        EXPECT_FALSE(WithinUnattendedBound(sign * 54001 * second));
        EXPECT_FALSE(WithinUnattendedBound(sign * 16.0 / 24.0));
        EXPECT_TRUE(WithinUnattendedBound(sign * 90 * second));
    }
}

}  // namespace
}  // namespace cs
