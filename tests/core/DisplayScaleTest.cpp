#include "core/DisplayScale.h"

#include <gtest/gtest.h>

#include "core/MenuMeasure.h"

namespace cs {
namespace {

struct PictureCase {
    int Dpi;
    int Scale;
};

class PictureScale : public ::testing::TestWithParam<PictureCase> {};

// The exact scale where there is one, else the next larger, else the largest there is.
TEST_P(PictureScale, IsTheExactOrNextLargerOne) {
    EXPECT_EQ(PictureScaleForDpi(GetParam().Dpi), GetParam().Scale);
}

INSTANTIATE_TEST_SUITE_P(Dpis, PictureScale,
                         ::testing::Values(PictureCase{72, 100}, PictureCase{96, 100},
                                           PictureCase{97, 150}, PictureCase{120, 150},
                                           PictureCase{144, 150}, PictureCase{145, 200},
                                           PictureCase{168, 200}, PictureCase{192, 200},
                                           PictureCase{288, 200}),
                         [](const auto& info) { return std::to_string(info.param.Dpi) + "dpi"; });

// A text measured at a display scale still fits once its design width is scaled back, and one
// design pixel fewer would cut it.
TEST(DesignPixelsCovering, IsTheSmallestWidthThatStillFits) {
    for (int dpi : {96, 120, 144, 168, 192, 240}) {
        for (int pixels = 1; pixels <= 600; ++pixels) {
            const int design = DesignPixelsCovering(pixels, dpi);
            ASSERT_GE(ScaleToDpi(design, dpi), pixels) << pixels << " at " << dpi;
            ASSERT_LT(ScaleToDpi(design - 1, dpi), pixels) << pixels << " at " << dpi;
        }
    }
}

struct MeasureCase {
    const char* Name;
    ItemMetrics At96;
};

class MenuMeasureAt192 : public ::testing::TestWithParam<MeasureCase> {};

// Text and glyph measured twice as large at 200% make an item exactly twice as large.
TEST_P(MenuMeasureAt192, IsTwiceTheMeasureAt96) {
    ItemMetrics at192 = GetParam().At96;
    at192.TextWidth *= 2;
    at192.AmpersandWidth *= 2;
    at192.TextHeight *= 2;
    at192.GlyphWidth *= 2;
    at192.GlyphHeight *= 2;
    at192.Dpi = 192;
    int width96 = 0, height96 = 0, width192 = 0, height192 = 0;
    FitItemSize(GetParam().At96, width96, height96);
    FitItemSize(at192, width192, height192);
    EXPECT_EQ(width192, 2 * width96);
    EXPECT_EQ(height192, 2 * height96);
}

INSTANTIATE_TEST_SUITE_P(Items, MenuMeasureAt192,
                         ::testing::Values(MeasureCase{"Caption", {false, 80, 0, 13, 24, 0}},
                                           MeasureCase{"AccessKey", {false, 92, 6, 13, 24, 0}},
                                           MeasureCase{"TallGlyph", {false, 40, 0, 13, 24, 30}},
                                           MeasureCase{"Separator", {true, 0, 0, 13, 24, 0}}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace cs
