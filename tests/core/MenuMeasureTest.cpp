#include "core/MenuMeasure.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace cs {
namespace {

TEST(MeasureText, SeparatorMeasuresNoText) {
    EXPECT_EQ(MeasureText("-", ""), "");
    EXPECT_EQ(MeasureText("--", ""), "--");
    EXPECT_EQ(MeasureText("-", "Ctrl+S"), "Ctrl+SWWW");
}

TEST(MeasureText, ShortcutAddsItselfAndRoomBeforeIt) {
    EXPECT_EQ(MeasureText("&Ping Now", ""), "&Ping Now");
    EXPECT_EQ(MeasureText("&Ping Now", "F5"), "&Ping NowF5WWW");
    // A shortcut of blanks and control characters is none; a real one keeps its blanks.
    EXPECT_EQ(MeasureText("&Open", " \t\x01 "), "&Open");
    EXPECT_EQ(MeasureText("&Open", " F2"), "&Open F2WWW");
}

// Sizes measured in a font whose "&" is 6 pixels wide.
struct SizeCase {
    const char* Name;
    ItemMetrics Metrics;
    int Width;  // the framework's own measure, in and out
    int Height;
    int ExpectedWidth;
    int ExpectedHeight;
};
void PrintTo(const SizeCase& c, std::ostream* os) {
    *os << c.Name;
}

class FitItemSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(FitItemSizeTest, AsksForTextGlyphAndMargins) {
    const SizeCase& c = GetParam();
    int width = c.Width;
    int height = c.Height;
    FitItemSize(c.Metrics, width, height);
    EXPECT_EQ(width, c.ExpectedWidth);
    EXPECT_EQ(height, c.ExpectedHeight);
}

constexpr int kIcon = 24;  // the reserved glyph width of an item off the menu bar

INSTANTIATE_TEST_SUITE_P(
    Cases, FitItemSizeTest,
    ::testing::Values(
        // A pop-up item: caption less one "&", plus the icon column and 10.
        SizeCase{"PopupItem", {false, 60, 6, 13, kIcon, 0}, 0, 0, 60 - 6 + 34, 23},
        // A menu-bar item without glyph: caption less one "&", plus 10.
        SizeCase{"BarItem", {false, 30, 6, 13, 0, 0}, 0, 0, 30 - 6 + 10, 23},
        SizeCase{"NoAmpersand", {false, 30, 0, 13, 0, 0}, 0, 0, 40, 23},
        // th + round(0.75 th): 14 gives 10.5, which goes to the even 10.
        SizeCase{"Font14", {false, 30, 0, 14, 0, 0}, 0, 0, 40, 24},
        SizeCase{"Font16", {false, 30, 0, 16, 0, 0}, 0, 0, 40, 28},
        SizeCase{"Font15", {false, 30, 0, 15, 0, 0}, 0, 0, 40, 26},
        // A glyph taller than the text sets the height: 16 + 4.
        SizeCase{"GlyphAlone", {false, 0, 0, 0, kIcon, 16}, 0, 0, 34, 20},
        SizeCase{"GlyphOverSmallFont", {false, 30, 0, 11, kIcon, 16}, 0, 0, 64, 20},
        SizeCase{"FontOverGlyph", {false, 30, 0, 13, kIcon, 16}, 0, 0, 64, 23},
        // Never smaller than the framework's measure.
        SizeCase{"WiderDefaultStays", {false, 30, 6, 13, kIcon, 16}, 300, 40, 300, 40},
        SizeCase{"NarrowerDefaultGrows", {false, 30, 6, 13, kIcon, 16}, 5, 5, 58, 23},
        // A separator is 4 high whatever was proposed; its width follows the same rule.
        SizeCase{"Separator", {true, 0, 0, 13, kIcon, 0}, 0, 9, 34, 4},
        SizeCase{"SeparatorShrinks", {true, 0, 0, 13, kIcon, 0}, 100, 40, 100, 4}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ReservedGlyphWidth, IconColumnAtLeastOffTheMenuBar) {
    EXPECT_EQ(ReservedGlyphWidth(0, false, 24), 24);
    EXPECT_EQ(ReservedGlyphWidth(16, false, 24), 24);
    EXPECT_EQ(ReservedGlyphWidth(30, false, 24), 30);
    EXPECT_EQ(ReservedGlyphWidth(0, true, 24), 0);
    EXPECT_EQ(ReservedGlyphWidth(16, true, 24), 16);
}

}  // namespace
}  // namespace cs
