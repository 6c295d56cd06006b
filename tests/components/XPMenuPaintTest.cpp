// Painting menu items into memory bitmaps of 32 and of 8 bits per pixel and reading the pixels
// back. The system colours are set to the classic scheme for each test, so that every expected
// colour is a known RGB value; the old colours come back afterwards.
#include <windows.h>
#include <commctrl.h>

#include <gmock/gmock.h>

#include "support/ClassicColors.h"
#include "support/ClassicColors.h"
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "components/XPMenu.h"
#include "framework/Graphics.h"
#include "framework/ImageList.h"
#include "framework/Menus.h"
#include "framework/ToolBar.h"
#include "platform/Handles.h"
#include "support/GdiObjects.h"

namespace cs {
namespace {

using test::ClassicColors;
using test::kBtnFace;
using test::kBtnShadow;
using test::kHighlight;
using test::kMenu;
using test::kMenuText;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
// What the surface shows before an item is painted on it.
constexpr COLORREF kUntouched = RGB(0, 128, 0);
constexpr COLORREF kGlyphKey = RGB(255, 0, 255);
constexpr COLORREF kGlyphRed = RGB(255, 0, 0);

// The colours of one depth, as a paint with system colours resolves them.
struct Look {
    const char* Name;
    int Bits;
    COLORREF Background;
    COLORREF IconColumn;
    COLORREF SelectFill;
    COLORREF SelectFrame;
    COLORREF CheckFill;
    COLORREF CheckFillSelected;
    COLORREF SeparatorLine;
    COLORREF DisabledText;
    COLORREF FrameLine;
    COLORREF BarFill;
    COLORREF GlyphShadow;  // Shade(SelectFill, 50)
};

void PrintTo(const Look& look, std::ostream* out) {
    *out << look.Name;
}

// Tints and shades of the classic colours, worked out by hand.
constexpr Look kDeep{"32 bpp",
                     32,
                     RGB(249, 248, 247),  // Tint(btnface, 86)
                     RGB(219, 216, 209),  // Tint(btnface, 16)
                     RGB(177, 185, 207),  // Tint(highlight, 68)
                     kHighlight,
                     RGB(194, 200, 218),  // Tint(highlight, 75)
                     RGB(132, 146, 180),  // Tint(highlight, 50), halves to even
                     RGB(160, 160, 160),  // Tint(btnshadow, 25)
                     RGB(141, 141, 141),  // Tint(btnshadow, 10)
                     RGB(122, 120, 110),  // Shade(btnface, 90)
                     kMenu,
                     RGB(127, 137, 157)};
// Few colours: white and the system colours themselves.
constexpr Look kPalette{
    "8 bpp", 8,          kWhite,     kBtnFace,   kWhite,   kHighlight,        kWhite,
    kWhite,  kBtnShadow, kBtnShadow, kBtnShadow, kBtnFace, RGB(205, 207, 205)};

// A memory bitmap to paint on. At 8 bits per pixel its palette holds every colour the tests
// expect, so that each paints exactly; the rest is a colour cube.
class Surface {
public:
    static constexpr int kWidth = 180;
    static constexpr int kHeight = 60;

    explicit Surface(int bits) : m_dc(::CreateCompatibleDC(nullptr)) {
        std::vector<BYTE> buffer(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
        auto& info = *reinterpret_cast<BITMAPINFO*>(buffer.data());
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = kWidth;
        info.bmiHeader.biHeight = kHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = static_cast<WORD>(bits);
        info.bmiHeader.biCompression = BI_RGB;
        if (bits == 8) {
            std::vector<COLORREF> colors{kWhite,
                                         kBlack,
                                         RGB(192, 192, 192),
                                         kBtnFace,
                                         kHighlight,
                                         kBtnShadow,
                                         kUntouched,
                                         kGlyphKey,
                                         kGlyphRed,
                                         RGB(175, 175, 175),  // the grey of the red block
                                         RGB(40, 42, 40)};    // Shade(black, -40)
            for (int r = 0; r < 6; ++r)
                for (int g = 0; g < 6; ++g)
                    for (int b = 0; b < 6 && colors.size() < 256; ++b)
                        colors.push_back(RGB(r * 51, g * 51, b * 51));
            info.bmiHeader.biClrUsed = static_cast<DWORD>(colors.size());
            for (size_t i = 0; i < colors.size(); ++i)
                info.bmiColors[i] =
                    RGBQUAD{GetBValue(colors[i]), GetGValue(colors[i]), GetRValue(colors[i]), 0};
        }
        void* bits_ = nullptr;
        m_bitmap.reset(::CreateDIBSection(m_dc.get(), &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
        m_select = std::make_unique<SelectGuard>(m_dc.get(), m_bitmap.get());
        Fill(kUntouched);
    }
    ~Surface() { m_select.reset(); }

    HDC Dc() const noexcept { return m_dc.get(); }
    COLORREF At(int x, int y) const { return ::GetPixel(m_dc.get(), x, y); }
    void Fill(COLORREF color) const {
        const unique_hbrush brush(::CreateSolidBrush(color));
        const RECT all{0, 0, kWidth, kHeight};
        ::FillRect(m_dc.get(), &all, brush.get());
    }
    // How many pixels of the rectangle show color.
    int Count(const RECT& rect, COLORREF color) const {
        int count = 0;
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x)
                if (At(x, y) == color) ++count;
        return count;
    }
    // The rightmost column of the rectangle that shows color, or -1.
    int RightmostOf(const RECT& rect, COLORREF color) const {
        for (int x = rect.right - 1; x >= rect.left; --x)
            for (int y = rect.top; y < rect.bottom; ++y)
                if (At(x, y) == color) return x;
        return -1;
    }

private:
    unique_hdc m_dc;
    unique_hbitmap m_bitmap;
    std::unique_ptr<SelectGuard> m_select;
};

// The test glyph: a red 4 x 4 block in the top-left corner of a magenta picture.
void DrawGlyph(Bitmap& glyph, int width = 16, int height = 16) {
    glyph.SetSize(width, height);
    BitmapCanvas canvas(glyph);
    canvas->FillRect(RECT{0, 0, width, height}, Color::Rgb(255, 0, 255));
    canvas->FillRect(RECT{0, 0, 4, 4}, Color::Rgb(255, 0, 0));
}

void SetGlyph(MenuItem& item, int width = 16, int height = 16) {
    Bitmap glyph;
    DrawGlyph(glyph, width, height);
    item.SetBitmap(glyph);
}

void AddGlyph(ImageList& images) {
    Bitmap glyph;
    DrawGlyph(glyph);
    glyph.SetTransparent(true);
    images.Add(glyph);
}

// A pop-up menu and a menu bar with the painter switched on; no form, so nothing is attached
// until the first paint.
class PaintFixture : public ::testing::Test {
protected:
    static constexpr int L = 10, T = 6, R = 130, B = 29;  // a 23-pixel item
    static constexpr RECT kItem{L, T, R, B};

    void Use(const Look& look) {
        m_look = look;
        m_surface = std::make_unique<Surface>(look.Bits);
        painter->SetActive(true);
    }
    const Look& look() const noexcept { return m_look; }
    const Surface& surface() const noexcept { return *m_surface; }

    MenuItem& Item(const std::string& caption, Menu* menu = nullptr) {
        auto* item = new MenuItem(&root);
        item->SetCaption(caption);
        (menu ? menu : popup)->Items().Add(item);
        return *item;
    }
    void Paint(MenuItem& item, const RECT& rect = kItem, bool selected = false) {
        Canvas canvas(m_surface->Dc());
        painter->PaintItem(item, canvas, rect, selected);
    }

    ClassicColors scheme;
    Component root{nullptr};
    PopupMenu* popup = new PopupMenu(&root);
    MainMenu* bar = new MainMenu(&root);
    TXPMenu* painter = new TXPMenu(&root);

private:
    Look m_look = kDeep;
    std::unique_ptr<Surface> m_surface;
};

class ItemPaint : public PaintFixture, public ::testing::WithParamInterface<Look> {
protected:
    void SetUp() override { Use(GetParam()); }
};

INSTANTIATE_TEST_SUITE_P(Depths, ItemPaint, ::testing::Values(kDeep, kPalette),
                         [](const auto& info) { return std::to_string(info.param.Bits) + "bpp"; });

TEST_P(ItemPaint, IdleItemHasBackgroundIconColumnAndOneExtraRow) {
    Paint(Item("Plain"));
    EXPECT_EQ(surface().At(L, T), look().IconColumn);
    EXPECT_EQ(surface().At(L + 23, B - 1), look().IconColumn);
    EXPECT_EQ(surface().At(L + 24, T), look().Background);
    EXPECT_EQ(surface().At(R - 1, T + 1), look().Background);
    // The working rectangle overlaps the first row of the next item, and no more.
    EXPECT_EQ(surface().At(L + 2, B), look().IconColumn);
    EXPECT_EQ(surface().At(R - 1, B), look().Background);
    EXPECT_EQ(surface().At(R - 1, B + 1), kUntouched);
    EXPECT_EQ(surface().At(R, T + 5), kUntouched);
    EXPECT_EQ(surface().At(L - 1, T + 5), kUntouched);
    EXPECT_EQ(surface().At(L, T - 1), kUntouched);
}

TEST_P(ItemPaint, SelectionBoxLeavesTopRowFree) {
    Paint(Item("Selected"), kItem, true);
    // Frame on rows T + 1 .. B - 1 and columns L .. R - 1.
    EXPECT_EQ(surface().At(L, T + 1), look().SelectFrame);
    EXPECT_EQ(surface().At(R - 1, T + 1), look().SelectFrame);
    EXPECT_EQ(surface().At(L, B - 1), look().SelectFrame);
    EXPECT_EQ(surface().At(R - 1, B - 1), look().SelectFrame);
    EXPECT_EQ(surface().At(L + 1, T + 2), look().SelectFill);
    EXPECT_EQ(surface().At(R - 2, B - 2), look().SelectFill);
    // Outside the box: the top row, and the overlap row below.
    EXPECT_EQ(surface().At(L, T), look().IconColumn);
    EXPECT_EQ(surface().At(R - 1, T), look().Background);
    EXPECT_EQ(surface().At(R - 1, B), look().Background);
}

TEST_P(ItemPaint, FlatMenuNarrowsSelectionBoxByOnePixel) {
    painter->SetFlatMenu(true);
    Paint(Item("Selected"), kItem, true);
    EXPECT_EQ(surface().At(R - 2, T + 5), look().SelectFrame);
    EXPECT_EQ(surface().At(R - 1, T + 5), look().Background);
}

TEST_P(ItemPaint, DrawSelectOffPaintsNoBox) {
    painter->SetDrawSelect(false);
    Paint(Item("Selected"), kItem, true);
    EXPECT_EQ(surface().At(L, T + 1), look().IconColumn);
    EXPECT_EQ(surface().At(R - 1, T + 5), look().Background);
}

TEST_P(ItemPaint, DisabledSelectedItemKeepsItsPixels) {
    MenuItem& item = Item("Disabled");
    item.SetEnabled(false);
    Paint(item, kItem, true);
    EXPECT_EQ(surface().At(L, T + 1), kUntouched);
    EXPECT_EQ(surface().At(L + 2, B), kUntouched);
    EXPECT_EQ(surface().At(R - 1, B - 1), kUntouched);
    EXPECT_EQ(surface().Count(kItem, look().SelectFill), 0);
    // Its caption is still drawn, in the disabled colour.
    EXPECT_GT(surface().Count(kItem, look().DisabledText), 0);
    EXPECT_EQ(surface().Count(kItem, kMenuText), 0);
}

TEST_P(ItemPaint, CheckedItemGetsBoxWithTickRunningPastItsRightSide) {
    MenuItem& item = Item("Checked");
    item.SetChecked(true);
    for (const bool selected : {false, true}) {
        SCOPED_TRACE(selected ? "selected" : "idle");
        Paint(item, kItem, selected);
        // A 10 x 10 box centred in the icon column: (L + 7, T + 7) .. (L + 16, T + 16).
        const int cl = L + 7, ct = T + 7, cr = cl + 10, cb = ct + 10;
        EXPECT_EQ(surface().At(cl, ct), kHighlight);
        EXPECT_EQ(surface().At(cr - 1, cb - 1), kHighlight);
        EXPECT_EQ(surface().At(cl - 1, ct + 5), selected ? look().SelectFill : look().IconColumn);
        EXPECT_EQ(surface().At(cl + 1, ct + 1),
                  selected ? look().CheckFillSelected : look().CheckFill);
        // The long stroke's last pixel: two right of the outline, in its top row; its end point
        // one further up and right stays clear.
        EXPECT_EQ(surface().At(cr + 1, ct), kBlack);
        EXPECT_EQ(surface().At(cr + 2, ct - 1), selected ? look().SelectFill : look().IconColumn);
        // The short arm is three pixels thick at its start.
        EXPECT_EQ(surface().At(cl + 1, ct + 5), kBlack);
        EXPECT_EQ(surface().At(cl + 2, ct + 5), kBlack);
        EXPECT_EQ(surface().At(cl + 2, ct + 4), kBlack);
    }
}

TEST_P(ItemPaint, CheckedRadioItemGetsTenPixelDot) {
    MenuItem& item = Item("Radio");
    item.SetRadioItem(true);
    item.SetChecked(true);
    Paint(item);
    const RECT row{L, T + 12, L + 24, T + 13};
    const int cl = L + 7;
    EXPECT_EQ(surface().At(cl, T + 12), kHighlight);
    EXPECT_EQ(surface().At(cl + 9, T + 12), kHighlight);
    EXPECT_EQ(surface().At(cl - 1, T + 12), look().IconColumn);
    EXPECT_EQ(surface().At(cl + 10, T + 12), look().IconColumn);
    EXPECT_EQ(surface().At(cl + 5, T + 12), look().CheckFill);
    EXPECT_EQ(surface().RightmostOf(row, kHighlight), cl + 9);
    // A round dot: its corners stay icon column.
    EXPECT_EQ(surface().At(cl, T + 7), look().IconColumn);
    EXPECT_GT(surface().Count(kItem, kBlack), 0);  // its caption

    item.SetChecked(false);
    Paint(item);
    EXPECT_EQ(surface().Count(RECT{L, T, L + 24, B}, kHighlight), 0);
}

TEST_P(ItemPaint, SeparatorLineTwoPixelsDownStartsSevenRightOfIconColumn) {
    MenuItem& item = Item("-");
    const RECT rect{L, T, R, T + 4};
    Paint(item, rect);
    const int y = T + 2;
    EXPECT_EQ(surface().At(L + 24 + 7, y), look().SeparatorLine);
    EXPECT_EQ(surface().At(R - 1, y), look().SeparatorLine);
    EXPECT_EQ(surface().At(L + 24 + 6, y), look().Background);
    EXPECT_EQ(surface().At(L + 40, y - 1), look().Background);
    EXPECT_EQ(surface().At(L + 40, y + 1), look().Background);
    EXPECT_EQ(surface().At(L + 2, y), look().IconColumn);
    EXPECT_EQ(surface().At(R, y), kUntouched);
}

TEST_P(ItemPaint, MenuBarItemIsFilledWithBarColourOnly) {
    MenuItem& file = Item("&File", bar);
    const RECT rect{L, T, L + 40, T + 19};
    Paint(file, rect);
    EXPECT_EQ(surface().At(L, T), look().BarFill);
    EXPECT_EQ(surface().At(L + 39, T + 19), look().BarFill);  // the overlap row
    EXPECT_EQ(surface().At(L + 40, T + 5), kUntouched);
    // The caption starts at the item's left edge (plus its indent and blank), not after an
    // icon column.
    EXPECT_GT(surface().Count(RECT{L, T, L + 20, T + 19}, kMenuText), 0);
}

TEST_F(PaintFixture, OpenMenuBarItemHasOutlineOpenAtBottomAndSoftShadow) {
    Use(kDeep);
    MenuItem& file = Item("&File", bar);
    const int l = L, t = T, r = L + 50, b = T + 19 + 1;  // the working rectangle
    Paint(file, RECT{l, t, r, b - 1}, true);
    const COLORREF frame = kDeep.FrameLine;
    EXPECT_EQ(surface().At(l, t), frame);
    EXPECT_EQ(surface().At(l, b - 1), frame);
    EXPECT_EQ(surface().At(r - 8, t), frame);
    EXPECT_EQ(surface().At(r - 8, b - 1), frame);
    EXPECT_EQ(surface().At(l + 20, t), frame);
    // Open at the bottom: the last row is filled, not outlined.
    EXPECT_EQ(surface().At(l + 20, b - 1), kDeep.IconColumn);
    EXPECT_EQ(surface().At(l + 2, t + 1), kDeep.IconColumn);
    // The shadow, from the bar colour: Shade 10, 30, 60, 100 from the outside in.
    EXPECT_EQ(surface().At(r - 1, t + 12), RGB(202, 200, 190));
    EXPECT_EQ(surface().At(r - 2, t + 12), RGB(202, 200, 190));
    EXPECT_EQ(surface().At(r - 3, t + 12), RGB(182, 180, 170));
    EXPECT_EQ(surface().At(r - 4, t + 12), RGB(152, 150, 140));
    EXPECT_EQ(surface().At(r - 7, t + 12), RGB(112, 110, 100));
    EXPECT_EQ(surface().At(r - 2, t + 1), kMenu);               // the rounded top corner
    EXPECT_EQ(surface().At(r - 6, t + 6), RGB(172, 170, 160));  // Shade 40
    EXPECT_EQ(surface().At(r, t + 5), kUntouched);
    // Its caption in the readable colour on the light icon column: the font's own.
    EXPECT_GT(surface().Count(RECT{l + 1, t + 1, r - 8, b - 1}, kMenuText), 0);
}

TEST_F(PaintFixture, OpenMenuBarItemOnFewColoursHasFlatShadow) {
    Use(kPalette);
    MenuItem& file = Item("&File", bar);
    const int l = L, t = T, r = L + 50, b = T + 20;
    Paint(file, RECT{l, t, r, b - 1}, true);
    EXPECT_EQ(surface().At(l, t), kBtnShadow);
    EXPECT_EQ(surface().At(l, b - 1), kBtnShadow);
    EXPECT_EQ(surface().At(r - 3, t), kBtnShadow);
    EXPECT_EQ(surface().At(r - 3, b - 1), kBtnShadow);
    EXPECT_EQ(surface().At(r - 2, t + 1), kBtnFace);
    EXPECT_EQ(surface().At(r - 2, t + 2), kBtnShadow);
    EXPECT_EQ(surface().At(r - 1, b - 1), kBtnShadow);
    EXPECT_EQ(surface().At(l + 20, b - 1), kBtnFace);
}

// Glyphs: where they land and how they look in each state.
struct GlyphCase {
    const char* Name;
    bool Selected;
    bool Enabled;
    bool Checked;
    POINT At;  // where the red block's top-left corner lands, from (L, T)
};

void PrintTo(const GlyphCase& glyphCase, std::ostream* out) {
    *out << glyphCase.Name;
}

class GlyphPaint : public PaintFixture,
                   public ::testing::WithParamInterface<std::tuple<Look, GlyphCase>> {
protected:
    void SetUp() override { Use(std::get<0>(GetParam())); }
};

TEST_P(GlyphPaint, LandsAndLooksByState) {
    const GlyphCase& state = std::get<1>(GetParam());
    MenuItem& item = Item("Ping");
    SetGlyph(item);
    item.SetEnabled(state.Enabled);
    item.SetChecked(state.Checked);
    Paint(item, kItem, state.Selected);

    COLORREF red = kGlyphRed;
    if (!state.Enabled)
        red = RGB(175, 175, 175);  // GreyLevel: 255 / 3 + 90
    else if (!state.Selected && !state.Checked && look().Bits >= 16)
        red = RGB(255, 76, 76);  // Tint 30: 76.5 rounds to the even 76
    const int x = L + state.At.x, y = T + state.At.y;
    EXPECT_EQ(surface().At(x, y), red);
    EXPECT_EQ(surface().At(x + 3, y + 3), red);
    EXPECT_NE(surface().At(x - 1, y), red);
    EXPECT_NE(surface().At(x, y - 1), red);
    // The glyph's background is transparent.
    EXPECT_NE(surface().At(x + 8, y + 8), kGlyphKey);
    EXPECT_EQ(surface().Count(kItem, kGlyphKey), 0);

    // A raised glyph has its silhouette two pixels down and right.
    const bool shadow = state.Selected && state.Enabled && !state.Checked;
    // Wine finds a palette's nearest colour through a coarse cache: ask the device.
    const COLORREF silhouette = ::GetNearestColor(surface().Dc(), look().GlyphShadow);
    EXPECT_EQ(surface().At(x + 5, y + 5) == silhouette, shadow);
    EXPECT_NE(surface().At(x + 6, y + 6), silhouette);
}

INSTANTIATE_TEST_SUITE_P(
    States, GlyphPaint,
    ::testing::Combine(::testing::Values(kDeep, kPalette),
                       ::testing::Values(GlyphCase{"Idle", false, true, false, {3, 4}},
                                         GlyphCase{"Selected", true, true, false, {2, 3}},
                                         GlyphCase{"Disabled", false, false, false, {3, 4}},
                                         GlyphCase{"DisabledSelected", true, false, false, {3, 4}},
                                         GlyphCase{"Checked", false, true, true, {3, 4}},
                                         GlyphCase{"CheckedSelected", true, true, true, {3, 4}})),
    [](const auto& info) {
        return std::string(std::get<1>(info.param).Name) + "_" +
               std::to_string(std::get<0>(info.param).Bits) + "bpp";
    });

TEST_F(PaintFixture, CheckedGlyphIsDrawnOverItsCheckBox) {
    Use(kDeep);
    MenuItem& item = Item("Checked");
    SetGlyph(item);
    item.SetChecked(true);
    Paint(item);
    EXPECT_EQ(surface().At(L + 7, T + 12), kHighlight);  // the box's left side, below the glyph
    EXPECT_EQ(surface().At(L + 15, T + 15), kDeep.CheckFill);
    EXPECT_EQ(surface().At(L + 3, T + 4), kGlyphRed);
}

TEST_F(PaintFixture, WideGlyphStartsTwoPixelsInAndPushesTheText) {
    Use(kDeep);
    MenuItem& item = Item("Wide");
    SetGlyph(item, 30, 16);
    Paint(item);
    EXPECT_EQ(surface().At(L + 2, T + 4), RGB(255, 76, 76));
    EXPECT_EQ(surface().At(L + 1, T + 4), kDeep.IconColumn);
    // The text rectangle starts at L + 34, the caption 5 pixels further in, after a blank.
    EXPECT_EQ(surface().Count(RECT{L, T, L + 39, B}, kMenuText), 0);
    EXPECT_GT(surface().Count(RECT{L + 39, T, L + 70, B}, kMenuText), 0);
}

TEST_F(PaintFixture, ImageListGlyphComesFromTheMenusList) {
    Use(kDeep);
    ImageList images(&root);
    AddGlyph(images);
    popup->SetImages(&images);
    MenuItem& item = Item("Listed");
    item.SetImageIndex(0);
    item.SetChecked(true);
    Paint(item);
    // A checked image-list item is framed: (I.left + 1, T + 2, I.right - 3, B' - 2).
    EXPECT_EQ(surface().At(L + 1, T + 2), kHighlight);
    EXPECT_EQ(surface().At(L + 20, B - 2), kHighlight);
    EXPECT_EQ(surface().At(L + 21, T + 2), kDeep.IconColumn);
    EXPECT_EQ(surface().At(L + 3, T + 4), kGlyphRed);
    // The list image's own background stays out.
    EXPECT_EQ(surface().At(L + 10, T + 10), kDeep.CheckFill);
    popup->SetImages(nullptr);
}

TEST_F(PaintFixture, GradientRunsFromIconColumnToNearWhite) {
    Use(kDeep);
    painter->SetGradient(true);
    Paint(Item("Gradient"));
    // k = 1 + 3 j in the first IconWidth + 5 columns, then one a column up to 96.
    EXPECT_EQ(surface().At(L, T + 1), kDeep.IconColumn);         // Tint 1
    EXPECT_EQ(surface().At(L + 10, T + 1), RGB(230, 228, 223));  // Tint 31
    EXPECT_EQ(surface().At(R + 2, T + 1), RGB(254, 253, 253));   // Tint 96, one column past R + 1
    EXPECT_EQ(surface().At(R + 3, T + 1), kUntouched);
    EXPECT_EQ(surface().At(R + 2, B), RGB(254, 253, 253));
    EXPECT_EQ(surface().At(R + 2, B + 1), kUntouched);
}

TEST_F(PaintFixture, DefaultItemGetsHaloOnlyWhenEnabled) {
    Use(kDeep);
    // The halo's drawings in Shade(background, 30 / 40 / 60): green two above red, unlike
    // any blend of black text on the background.
    const COLORREF halo[] = {RGB(219, 220, 217), RGB(209, 210, 207), RGB(189, 190, 187)};
    const auto haloPixels = [&] {
        int count = 0;
        for (const COLORREF color : halo) count += surface().Count(kItem, color);
        return count;
    };
    MenuItem& item = Item("Default");
    Paint(item);
    EXPECT_EQ(haloPixels(), 0);
    item.SetDefault(true);
    Paint(item);
    EXPECT_GT(haloPixels(), 0);
    item.SetEnabled(false);
    surface().Fill(kUntouched);
    Paint(item);
    EXPECT_EQ(haloPixels(), 0);
}

TEST_P(ItemPaint, ShortcutIsLighterAndEndsTenPixelsFromTheRight) {
    MenuItem& item = Item("Ping");
    item.SetShortCut(MenuItem::kCtrl | 'P');
    Paint(item);
    const COLORREF lighter = RGB(40, 42, 40);  // Shade(black, -40)
    const RECT right{L + 60, T, R, B};
    // Right-aligned 10 pixels in from the item's right edge, with one blank after it: the last
    // ink of its "P" lies a blank's width and at most a few pixels of bearing further left.
    Canvas canvas(surface().Dc());
    canvas.SetFont(painter->GetFont());
    const int end = R - 10 - canvas.TextWidth(" ");
    const COLORREF ink = look().Bits >= 16 ? lighter : kMenuText;
    EXPECT_LT(surface().RightmostOf(right, ink), end);
    EXPECT_GE(surface().RightmostOf(right, ink), end - 4);
    if (look().Bits >= 16)
        EXPECT_EQ(surface().Count(right, kMenuText), 0);
    else
        EXPECT_EQ(surface().Count(right, lighter), 0);
}

TEST_P(ItemPaint, SelectedItemTextTakesTheSelectedColour) {
    painter->SetUseSystemColors(false);
    painter->SetSelectFontColor(Color::FromRgb(0x0000FF));
    MenuItem& item = Item("Blue");
    Paint(item, kItem, true);
    EXPECT_GT(surface().Count(kItem, RGB(0, 0, 255)), 0);
    Paint(item, kItem, false);
    EXPECT_EQ(surface().Count(kItem, RGB(0, 0, 255)), 0);
}

TEST_F(PaintFixture, InactivePainterPaintsNothing) {
    Use(kDeep);
    painter->SetActive(false);
    Paint(Item("Off"), kItem, true);
    EXPECT_EQ(surface().Count(kItem, kUntouched), (R - L) * (B - T));
}

TEST_F(PaintFixture, PaintAttachesHandlersToNewNeighbours) {
    Use(kDeep);
    MenuItem& first = Item("First");
    MenuItem& later = Item("Later");
    EXPECT_FALSE(later.OnDrawItem);
    Paint(first);
    EXPECT_TRUE(later.OnDrawItem.Is<&TXPMenu::PaintItem>());
    EXPECT_TRUE(later.OnMeasureItem.Is<&TXPMenu::SizeItem>());
}

// The readable text colour on a background: the font's colour where it is light enough,
// else a near-white tint of the background.
struct Readable {
    COLORREF Background;
    COLORREF Expected;
};

class ReadableText : public PaintFixture, public ::testing::WithParamInterface<Readable> {};

TEST_P(ReadableText, FollowsTheBackgroundsLightness) {
    Use(kDeep);
    painter->SetUseSystemColors(false);
    Font font(painter->GetFont());
    font.SetColor(Color::FromRgb(0x123456));
    painter->SetFont(font);
    const COLORREF background = GetParam().Background;
    Canvas canvas(surface().Dc());
    const Color result = painter->ReadableTextColor(
        canvas, Color::Rgb(GetRValue(background), GetGValue(background), GetBValue(background)));
    EXPECT_EQ(result.ToColorRef(), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Backgrounds, ReadableText,
                         ::testing::Values(Readable{RGB(212, 208, 200), RGB(0x12, 0x34, 0x56)},
                                           Readable{RGB(100, 201, 100), RGB(0x12, 0x34, 0x56)},
                                           Readable{RGB(100, 200, 100), RGB(240, 250, 240)},
                                           Readable{RGB(200, 100, 102), RGB(0x12, 0x34, 0x56)},
                                           Readable{RGB(200, 100, 100), RGB(250, 240, 240)},
                                           Readable{RGB(10, 36, 106), RGB(230, 233, 240)}));

TEST_F(PaintFixture, HotToolButtonIsFilledAndFramed) {
    Use(kDeep);
    ToolBar toolBar(&root);
    ToolButton button(&root);
    toolBar.AddButton(&button);
    button.SetBoundsRect(RECT{L, T, L + 23, T + 22});
    toolBar.OnCustomDrawButton = ToolButtonDrawEvent::Bind<&TXPMenu::PaintToolButton>(painter);
    EXPECT_FALSE(toolBar.DrawButton(button, surface().Dc(), CDIS_HOT));
    EXPECT_EQ(surface().At(L, T), kHighlight);
    EXPECT_EQ(surface().At(L + 22, T + 21), kHighlight);
    EXPECT_EQ(surface().At(L + 5, T + 5), kDeep.SelectFill);

    EXPECT_FALSE(toolBar.DrawButton(button, surface().Dc(), 0));
    EXPECT_EQ(surface().At(L, T), kDeep.IconColumn);
    toolBar.RemoveButton(&button);
}

// Every paint gives back what it made: fonts, pens, brushes and glyph pictures.
TEST_F(PaintFixture, PaintingLeavesNoGdiObjectsBehind) {
    ImageList images(&root);
    AddGlyph(images);
    MenuItem& file = Item("&File", bar);
    MenuItem& ping = Item("&Ping Now");
    SetGlyph(ping);
    ping.SetDefault(true);
    ping.SetShortCut(MenuItem::kCtrl | 'P');
    MenuItem& check = Item("Checked");
    check.SetChecked(true);
    MenuItem& radio = Item("Radio");
    radio.SetRadioItem(true);
    radio.SetChecked(true);
    MenuItem& grey = Item("Grey");
    SetGlyph(grey);
    grey.SetEnabled(false);
    MenuItem& listed = Item("Listed");
    listed.SetImageIndex(0);
    MenuItem& line = Item("-");
    popup->SetImages(&images);

    const auto paintAll = [&] {
        for (const Look& look : {kDeep, kPalette}) {
            Use(look);
            painter->SetGradient(look.Bits == 32);
            for (MenuItem* item : {&file, &ping, &check, &radio, &grey, &listed, &line})
                for (const bool selected : {false, true}) Paint(*item, kItem, selected);
        }
    };
    paintAll();
    const int first = test::GdiObjectCount();
    for (int i = 0; i < 20; ++i) paintAll();
    EXPECT_EQ(test::GdiObjectCount(), first);
    popup->SetImages(nullptr);
}

}  // namespace
}  // namespace cs
