#include "core/MenuColors.h"

#include <gtest/gtest.h>

#include <ostream>

namespace cs {

void PrintTo(const Rgb& c, std::ostream* os) {
    *os << "(" << c.R << ", " << c.G << ", " << c.B << ")";
}

namespace {

struct ColorCase {
    const char* Name;
    Rgb (*Operation)(Rgb, int) noexcept;
    Rgb In;
    int Amount;
    Rgb Out;
};
void PrintTo(const ColorCase& c, std::ostream* os) {
    *os << c.Name;
}

class ColorArithmeticTest : public ::testing::TestWithParam<ColorCase> {};

TEST_P(ColorArithmeticTest, GivesTheExactChannels) {
    const ColorCase& c = GetParam();
    EXPECT_EQ(c.Operation(c.In, c.Amount), c.Out);
}

constexpr Rgb kBtnFace{212, 208, 200};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

INSTANTIATE_TEST_SUITE_P(
    Cases, ColorArithmeticTest,
    ::testing::Values(
        // The item background and the icon column of the system colours.
        ColorCase{"TintItemBackground", TintRgb, kBtnFace, 86, {249, 248, 247}},
        ColorCase{"TintIconColumn", TintRgb, kBtnFace, 16, {219, 216, 209}},
        ColorCase{"TintByNothingKeeps", TintRgb, kBtnFace, 0, kBtnFace},
        ColorCase{"TintByAllIsWhite", TintRgb, kBtnFace, 100, kWhite},
        ColorCase{"TintAboveAllIsCapped", TintRgb, kBtnFace, 150, kWhite},
        // 254 x 25 % is 63.5 and goes up to 64; 250 x 25 % is 62.5 and goes down to 62.
        ColorCase{"TintHalvesToEven", TintRgb, {1, 3, 5}, 25, {65, 66, 67}},
        ColorCase{"TintNegativeStopsAtBlack", TintRgb, {10, 128, 250}, -100, {0, 1, 245}},
        ColorCase{"ShadeGreenLosesTwoLess", ShadeRgb, kWhite, 10, {245, 247, 245}},
        ColorCase{"ShadeNegativeLightens", ShadeRgb, kBlack, -40, {40, 42, 40}},
        ColorCase{"ShadeFrameLine", ShadeRgb, kBtnFace, 90, {122, 120, 110}},
        ColorCase{"ShadeClampsBelow", ShadeRgb, {5, 1, 100}, 10, {0, 0, 90}},
        ColorCase{"ShadeClampsAbove", ShadeRgb, {250, 250, 250}, -10, {255, 255, 255}},
        ColorCase{"GreyCappedAt240", GreyLevelRgb, kWhite, 90, {240, 240, 240}},
        ColorCase{"GreyOfBlack", GreyLevelRgb, kBlack, 90, {90, 90, 90}},
        // (10 + 20 + 31) div 3 = 20, the remainder dropped.
        ColorCase{"GreyMeanRoundsDown", GreyLevelRgb, {10, 20, 31}, 0, {20, 20, 20}},
        ColorCase{"GreyAmountCappedAt100", GreyLevelRgb, kBlack, 150, {100, 100, 100}},
        ColorCase{"GreyNegativeStopsAtBlack", GreyLevelRgb, {30, 30, 30}, -50, {0, 0, 0}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(IsLightBackground, ByRedBlueMeanOrGreen) {
    EXPECT_TRUE(IsLightBackground({219, 216, 209}));  // the icon column
    EXPECT_TRUE(IsLightBackground({0, 201, 0}));      // light green alone
    EXPECT_FALSE(IsLightBackground({0, 200, 0}));     // not above 200
    EXPECT_TRUE(IsLightBackground({151, 0, 151}));    // (151 + 151) div 2 = 151
    EXPECT_FALSE(IsLightBackground({150, 0, 151}));   // 150.5 taken as 150
    EXPECT_FALSE(IsLightBackground({10, 36, 106}));   // a dark highlight
}

}  // namespace
}  // namespace cs
