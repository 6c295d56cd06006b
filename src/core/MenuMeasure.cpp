#include "core/MenuMeasure.h"

#include "core/DisplayScale.h"
#include "core/MenuColors.h"

namespace cs {

namespace {
// Room for the glyph's margin and the caption's indent.
constexpr int kTextMargin = 10;
// A separator is a thin line with a little air above and below.
constexpr int kSeparatorHeight = 4;
// A glyph gets two pixels above and below it.
constexpr int kGlyphMargin = 4;

bool IsBlank(char c) noexcept {
    return static_cast<unsigned char>(c) <= ' ';
}
}  // namespace

bool IsSeparatorCaption(std::string_view caption) noexcept {
    return caption == "-";
}

std::string TrimBlanks(std::string_view text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return std::string(text.substr(first, last - first));
}

std::string MeasureText(std::string_view caption, std::string_view shortcutText) {
    std::string text = IsSeparatorCaption(caption) ? std::string() : std::string(caption);
    if (!TrimBlanks(shortcutText).empty()) {
        text += shortcutText;
        text += "WWW";
    }
    return text;
}

void FitItemSize(const ItemMetrics& metrics, int& width, int& height) noexcept {
    const auto scaled = [&metrics](int pixels) { return ScaleToDpi(pixels, metrics.Dpi); };
    const int w =
        metrics.TextWidth - metrics.AmpersandWidth + metrics.GlyphWidth + scaled(kTextMargin);
    if (width < w) width = w;
    if (metrics.Separator) {
        height = scaled(kSeparatorHeight);
        return;
    }
    // A line and three quarters of it again: the item's own spacing.
    int h = metrics.TextHeight + RoundHalfEven(metrics.TextHeight * 0.75);
    if (h < metrics.GlyphHeight + scaled(kGlyphMargin))
        h = metrics.GlyphHeight + scaled(kGlyphMargin);
    if (height < h) height = h;
}

int ReservedGlyphWidth(int glyphWidth, bool barItem, int iconWidth) noexcept {
    return !barItem && glyphWidth < iconWidth ? iconWidth : glyphWidth;
}

}  // namespace cs
