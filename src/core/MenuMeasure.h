#pragma once
#include <string>
#include <string_view>

namespace cs {

// The caption that marks a separator line.
bool IsSeparatorCaption(std::string_view caption) noexcept;

// Blanks and control characters (everything up to ' ') removed from both ends.
std::string TrimBlanks(std::string_view text);

// The text whose width an item asks for: the caption (nothing for a separator), followed, when
// the item has a shortcut, by its text and room for the gap before it ("WWW").
std::string MeasureText(std::string_view caption, std::string_view shortcutText);

// What an item asks for, from the widths and heights measured in the item's font.
struct ItemMetrics {
    bool Separator = false;
    int TextWidth = 0;       // of MeasureText
    int AmpersandWidth = 0;  // of "&" when MeasureText holds one, else 0: its prefix is not drawn
    int TextHeight = 0;      // of MeasureText
    int GlyphWidth = 0;
    int GlyphHeight = 0;
    int Dpi = 96;  // of the window the menu shows for: the margins grow with it
};

// Widens and heightens width and height (the framework's own measure) to what the item needs;
// neither is ever made smaller, except that a separator is always 4 pixels high (at 96 dpi).
void FitItemSize(const ItemMetrics& metrics, int& width, int& height) noexcept;

// The glyph width an item reserves: the icon column at least, except on the menu bar.
int ReservedGlyphWidth(int glyphWidth, bool barItem, int iconWidth) noexcept;

}  // namespace cs
