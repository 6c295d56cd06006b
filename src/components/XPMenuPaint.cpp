#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>

#include "components/XPMenu.h"
#include "core/MenuColors.h"
#include "framework/Form.h"
#include "framework/ImageList.h"
#include "framework/Menus.h"
#include "framework/ToolBar.h"
#include "platform/CommonControls.h"

namespace cs {

namespace {

Color ColorOf(COLORREF pixel) noexcept {
    return Color::Rgb(GetRValue(pixel), GetGValue(pixel), GetBValue(pixel));
}

Rgb RgbOf(Color color) noexcept {
    const COLORREF value = color.ToColorRef();
    return Rgb{GetRValue(value), GetGValue(value), GetBValue(value)};
}

// Runs change over every pixel of the picture, row by row. A pixel equal to the one before it
// takes the same result, so the colour arithmetic (a nearest-colour query each) runs once per
// run of equal pixels.
template <typename Change>
void ChangePixels(Bitmap& glyph, Change change) {
    if (glyph.Empty()) return;
    ::GdiFlush();  // the pixels are read in memory, after whatever GDI drew on the glyph
    BitmapCanvas canvas(glyph);  // the glyph's own device, for the nearest-colour step
    COLORREF previous = CLR_INVALID;
    COLORREF result = 0;
    for (int y = 0; y < glyph.Height(); ++y) {
        for (int x = 0; x < glyph.Width(); ++x) {
            const COLORREF pixel = glyph.Pixel(x, y);
            if (pixel != previous) {
                result = change(*canvas, ColorOf(pixel)).ToColorRef();
                previous = pixel;
            }
            glyph.SetPixel(x, y, result);
        }
    }
}

// The idle look: every pixel lightened percent of the way to white.
void TintGlyph(Bitmap& glyph, int percent) {
    percent = std::min(percent, 100);
    ChangePixels(glyph, [percent](const Canvas& canvas, Color pixel) {
        return TXPMenu::Tint(canvas, pixel, percent);
    });
}

// The disabled look: every pixel a light grey of its brightness.
void GreyGlyph(Bitmap& glyph, int amount) {
    ChangePixels(glyph, [amount](const Canvas& canvas, Color pixel) {
        return TXPMenu::GreyLevel(canvas, pixel, amount);
    });
}

// The glyph's shape in one colour at (x, y) of canvas: every pixel that is not the glyph's
// background (its bottom-left pixel's colour).
void PaintSilhouette(Bitmap& glyph, const Canvas& canvas, int x, int y, Color color) {
    if (glyph.Empty()) return;
    ::GdiFlush();
    const COLORREF background = glyph.Pixel(0, glyph.Height() - 1);
    const COLORREF paint = color.ToColorRef();
    for (int j = 0; j < glyph.Height(); ++j)
        for (int i = 0; i < glyph.Width(); ++i)
            if (glyph.Pixel(i, j) != background) canvas.SetPixel(x + i, y + j, paint);
}

// The image list that an item's ImageIndex refers to: its parent's list for sub-items, else
// its menu's; nullptr when there is none.
ImageList* ImagesOf(const MenuItem& item) noexcept {
    if (const MenuItem* parent = item.Parent(); parent && parent->SubMenuImages())
        return parent->SubMenuImages();
    const Menu* menu = item.GetParentMenu();
    return menu ? menu->Images() : nullptr;
}

// Limits drawing on dc to rect for as long as it lives; the clipping region before it comes back.
class ClipTo {
public:
    ClipTo(HDC dc, const RECT& rect) : m_dc(dc), m_saved(::CreateRectRgn(0, 0, 0, 0)) {
        if (::GetClipRgn(dc, m_saved.get()) != 1) m_saved.reset();
        ::IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
    }
    ~ClipTo() { ::SelectClipRgn(m_dc, m_saved.get()); }
    ClipTo(const ClipTo&) = delete;
    ClipTo& operator=(const ClipTo&) = delete;

private:
    HDC m_dc;
    unique_handle<HRGN, detail::DeleteGdiObject> m_saved;
};

bool IsBarItem(const MenuItem& item) noexcept {
    const Menu* menu = item.GetParentMenu();
    return menu && dynamic_cast<const MainMenu*>(menu) && item.Parent() == &menu->Items();
}

void DrawText(const Canvas& canvas, const std::string& text, RECT rect, UINT format) {
    std::string buffer = text;  // DrawTextExA takes a writable string
    ::DrawTextExA(canvas.Handle(), buffer.data(), static_cast<int>(buffer.size()), &rect, format,
                  nullptr);
}

}  // namespace

void TXPMenu::PaintItem(MenuItem& item, Canvas& canvas, const RECT& rect, bool selected) {
    if (!m_active) return;
    ResolveColors(canvas);
    const PaintColors& colors = m_colors;

    const bool separator = item.IsLine();
    const bool barItem = IsBarItem(item);
    const Menu* menu = item.GetParentMenu();
    const bool rightToLeft = menu && menu->IsRightToLeft();
    ImageList* images = ImagesOf(item);
    const bool imageListItem = images && item.ImageIndex() != -1;

    // The 96-dpi design's offsets, and the font, at the scale of the form's display.
    const int dpi = PaintDpi();
    const auto S = [dpi](int pixels) { return ::MulDiv(pixels, dpi, 96); };
    const int iconWidth = S(m_iconWidth);
    m_font.SetPixelsPerInch(dpi);
    canvas.SetFont(m_font);

    Bitmap glyph;
    if (item.GetBitmap().Width() >= 1) glyph.AssignTrueColor(item.GetBitmap());

    // The working rectangle reaches one row into the next item, which paints over it again.
    const int left = rect.left, top = rect.top, right = rect.right, bottom = rect.bottom;
    const int below = bottom + 1;
    const RECT work{left, top, right, below};
    const RECT icon = rightToLeft ? RECT{right - iconWidth, top, right, below}
                                  : RECT{left, top, left + iconWidth, below};
    RECT check;
    if (imageListItem) {
        check = RECT{icon.left + S(1), top + S(2), icon.right - S(3), below - S(2)};
    } else {
        const int box = S(10);
        const int x = icon.left + (iconWidth - box) / 2;
        const int y = top + (below - top - box) / 2;
        check = RECT{x, y, x + box, y + box};
    }
    RECT text;
    if (barItem && !imageListItem) {
        text = work;
    } else if (rightToLeft) {
        text = RECT{left, top, right - iconWidth, below};
        if (glyph.Width() > iconWidth) text.right = right - glyph.Width() - S(4);
        if (barItem) text.right += S(5);
    } else {
        text = RECT{left + iconWidth, top, right, below};
        if (glyph.Width() > iconWidth) text.left = left + glyph.Width() + S(4);
        if (barItem) text.left -= S(5);
    }

    if (barItem) {
        canvas.SetBrushColor(colors.BarFill);
        canvas.FillRect(work);
    } else if (m_deepColor && m_gradient) {
        PaintGradient(canvas, RECT{left, top, right + 2, below}, rightToLeft);
    } else if (item.Enabled() || !selected) {
        // A disabled item under the mouse keeps what it shows: no box, no fresh background.
        canvas.SetBrushColor(colors.Background);
        canvas.FillRect(work);
        canvas.SetBrushColor(colors.IconColumn);
        canvas.FillRect(icon);
    }

    if (selected && m_drawSelect) {
        if (barItem) {
            PaintOpenBarItem(item, canvas, rightToLeft, work);
        } else if (item.Enabled()) {
            // The box leaves the item's top row free.
            const RECT box{left, top + S(1), m_flatMenu ? right - S(1) : right, bottom};
            canvas.SetBrushColor(colors.SelectFill);
            canvas.FillRect(box);
            canvas.SetPenColor(colors.SelectFrame, S(1));
            canvas.SetBrushClear();
            canvas.RoundRect(box.left, box.top, box.right, box.bottom, 0, 0);
        }
    }

    PaintCheckMark(item, selected, check, canvas, imageListItem);

    if (imageListItem) {
        glyph.SetSize(images->Width(), images->Height());
        BitmapCanvas picture(glyph);  // let go of before the glyph is drawn
        picture->FillRect(RECT{0, 0, images->Width(), images->Height()}, colors.IconColumn);
        CommonControl<decltype(::ImageList_DrawEx)>("ImageList_DrawEx")(
            images->Handle(), item.ImageIndex(), picture->Handle(), 0, 0, 0, 0, CLR_NONE, CLR_NONE,
            ILD_TRANSPARENT);
    }
    PaintGlyph(item, canvas, rightToLeft, barItem, item.Checked(), item.Enabled(), false, selected,
               icon, glyph);

    if (separator) {
        // A pen of more than one pixel is centred on its line: it starts above the middle.
        canvas.SetPenColor(colors.SeparatorLine, S(1));
        const int y = text.top + RoundHalfEven((text.bottom - text.top) / 2.0) + S(1) / 2;
        if (rightToLeft) {
            canvas.MoveTo(text.left, y);
            canvas.LineTo(text.right - S(7), y);
        } else {
            canvas.MoveTo(text.left + S(7), y);
            canvas.LineTo(text.right, y);
        }
    } else {
        UINT format = DT_LEFT;
        if (rightToLeft) {
            text.right -= S(5);
            format = DT_RIGHT | DT_RTLREADING;
        } else {
            text.left += S(5);
        }
        PaintCaption(" " + item.Caption(), ShortCutToText(item.ShortCut()), format, rightToLeft,
                     barItem, item.Default(), item.Enabled(), selected, text, canvas);
    }

    glyph.Clear();

    if (m_flatMenu && !Designing() && !barItem) {
        // A memory DC has no window, and the form's own window is no pop-up menu.
        HWND window = ::WindowFromDC(canvas.Handle());
        if (window && (!m_form || window != m_form->Handle())) PaintFlatFrame(window, rightToLeft);
    }

    ReattachSiblings(item);
}

void TXPMenu::PaintOpenBarItem(Component& sender, Canvas& canvas, bool rightToLeft,
                               const RECT& rect) {
    const PaintColors& colors = m_colors;
    const int l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
    const int dpi = PaintDpi();
    const auto S = [dpi](int pixels) { return ::MulDiv(pixels, dpi, 96); };
    const int pen = S(1);
    // A pen wider than a pixel is centred on its line: the outline along the left and top edges
    // goes that much inwards, so that it stays inside the item.
    const int lo = l + pen / 2, to = t + pen / 2;
    // Nothing may reach into the neighbouring items, which are not painted again when the menu
    // closes.
    const ClipTo clip(canvas.Handle(), rect);
    canvas.SetBrushColor(colors.IconColumn);
    canvas.FillRect(rect);
    canvas.SetPenColor(colors.FrameLine, pen);

    if (!rightToLeft && m_deepColor && dynamic_cast<MenuItem*>(&sender)) {
        // An outline open at the bottom, joining the drop-down menu, with a soft shadow at its
        // right that fades over seven pixels.
        const Color base = colors.BarFill;
        canvas.MoveTo(lo, b - S(1));
        canvas.LineTo(lo, to);
        canvas.LineTo(r - S(8), to);
        canvas.LineTo(r - S(8), b);

        const auto fill = [&](int fl, int ft, int fr, int fb, int amount) {
            const Color color = Shade(canvas, base, amount);
            canvas.SetBrushColor(color);
            canvas.SetPenColor(color, pen);
            canvas.FillRect(RECT{fl, ft, fr, fb});
        };
        fill(r - S(7), t, r, b, 10);
        fill(r - S(7), t + S(3), r - S(2), b, 30);
        fill(r - S(7), t + S(5), r - S(3), b, 60);
        fill(r - S(7), t + S(6), r - S(5), b, 100);

        canvas.SetPenColor(base, pen);
        canvas.MoveTo(r - S(5), t + S(1));
        canvas.LineTo(r - S(1), t + S(1));
        canvas.LineTo(r - S(1), t + S(6));
        canvas.MoveTo(r - S(3), t + S(2));
        canvas.LineTo(r - S(2), t + S(2));
        canvas.LineTo(r - S(2), t + S(3));
        canvas.LineTo(r - S(3), t + S(3));

        canvas.SetPenColor(Shade(canvas, base, 10), pen);
        canvas.MoveTo(r - S(6), t + S(3));
        canvas.LineTo(r - S(3), t + S(3));
        canvas.LineTo(r - S(3), t + S(6));
        canvas.LineTo(r - S(4), t + S(6));
        canvas.LineTo(r - S(4), t + S(3));

        canvas.SetPenColor(Shade(canvas, base, 30), pen);
        canvas.MoveTo(r - S(5), t + S(5));
        canvas.LineTo(r - S(4), t + S(5));
        canvas.LineTo(r - S(4), t + S(9));

        canvas.SetPenColor(Shade(canvas, base, 40), pen);
        canvas.MoveTo(r - S(6), t + S(5));
        canvas.LineTo(r - S(6), t + S(7));
        return;
    }

    canvas.SetBrushColor(colors.ShadowFill);
    canvas.MoveTo(lo, b - S(1));
    canvas.LineTo(lo, to);
    canvas.LineTo(r - S(3), to);
    canvas.LineTo(r - S(3), b);
    canvas.FillRect(RECT{r - S(2), t + S(2), r, b});
}

void TXPMenu::PaintCheckMark(MenuItem& item, bool selected, const RECT& check, Canvas& canvas,
                             bool imageList) {
    if (!item.Checked()) return;
    const PaintColors& colors = m_colors;
    const Color fill = selected ? colors.CheckFillSelected : colors.CheckFill;
    const int cl = check.left, ct = check.top, cr = check.right, cb = check.bottom;
    const int dpi = PaintDpi();
    const auto S = [dpi](int pixels) { return ::MulDiv(pixels, dpi, 96); };
    const int pen = S(1);
    canvas.SetBrushColor(fill);

    if (item.RadioItem()) {
        canvas.SetPenColor(colors.SelectFrame, pen);
        if (imageList)
            canvas.RoundRect(cl, ct, cr, cb, S(6), S(6));
        else
            canvas.Ellipse(cl, ct, cr, cb);
        return;
    }
    if (imageList) {
        canvas.SetPenColor(colors.SelectFrame, pen);
        canvas.Rectangle(cl, ct, cr, cb);
        return;
    }
    canvas.SetPenColor(colors.CheckFrame, pen);
    canvas.Rectangle(cl, ct, cr, cb);
    // The tick: three strokes make its short arm three pixels thick, two its long arm, which
    // runs out past the box's right side.
    canvas.SetPenColor(kColorBlack, pen);
    const auto stroke = [&](int x1, int y1, int x2, int y2) {
        canvas.MoveTo(x1, y1);
        canvas.LineTo(x2, y2);
    };
    stroke(cl + S(1), ct + S(5), cl + S(4), cb - S(2));
    stroke(cl + S(2), ct + S(5), cl + S(4), cb - S(3));
    stroke(cl + S(2), ct + S(4), cl + S(5), cb - S(3));
    stroke(cl + S(4), cb - S(3), cr + S(2), ct - S(1));
    stroke(cl + S(4), cb - S(2), cr - S(2), ct + S(3));
}

void TXPMenu::PaintGlyph(Component& sender, Canvas& canvas, bool rightToLeft, bool barItem,
                         bool checked, bool enabled, bool pressed, bool selected, const RECT& rect,
                         Bitmap& glyph) {
    const int width = glyph.Width();
    const bool menuItem = dynamic_cast<MenuItem*>(&sender) != nullptr;
    const int dpi = PaintDpi();
    const auto S = [dpi](int pixels) { return ::MulDiv(pixels, dpi, 96); };
    const int iconWidth = S(m_iconWidth);
    int x = rect.left;
    int y = rect.top + S(2);
    if (menuItem) {
        y = rect.top + S(4);
        if (width <= iconWidth)
            x = rect.left + (iconWidth - width) / 2 - S(1);
        else
            x = rightToLeft ? rect.right - width - S(2) : rect.left + S(2);
    }

    // A selected glyph rises by a pixel over its shadow; a checked one stays on its box.
    if (selected && !barItem && enabled && !checked && !pressed) {
        x -= S(1);
        y -= S(1);
    }
    if (!selected && enabled && !checked && m_deepColor) TintGlyph(glyph, 30);
    if (!enabled) GreyGlyph(glyph, 90);
    if (selected && enabled && !checked) {
        Color base = m_colors.SelectFill;
        if (!menuItem && m_deepColor && !m_useSystemColors) base = Tint(canvas, m_selectColor, 68);
        PaintSilhouette(glyph, canvas, x + S(2), y + S(2), Shade(canvas, base, 50));
    }

    glyph.SetTransparent(true);
    canvas.Draw(x, y, glyph);
}

void TXPMenu::PaintCaption(const std::string& text, const std::string& shortcut, UINT format,
                           bool rightToLeft, bool barItem, bool isDefault, bool enabled,
                           bool selected, RECT rect, Canvas& canvas) {
    const int dpi = PaintDpi();
    const auto S = [dpi](int pixels) { return ::MulDiv(pixels, dpi, 96); };
    m_font.SetPixelsPerInch(dpi);
    Font font(m_font);
    if (rightToLeft) font.SetCharset(ARABIC_CHARSET);
    canvas.SetFont(font);

    Color color = m_font.GetColor();
    if (selected) color = m_colors.SelectText;
    if (!enabled) color = m_colors.DisabledText;
    if (selected && barItem) color = ReadableTextColor(canvas, m_colors.IconColumn);

    rect.top += (rect.bottom - rect.top - canvas.TextHeight("W")) / 2;
    ::SetBkMode(canvas.Handle(), TRANSPARENT);

    if (isDefault && enabled) {
        // A soft halo: the text four times around its place, each a shade darker than what
        // lies under the corner where that drawing starts.
        struct Halo {
            RECT Place;
            int Amount;
        };
        const Halo halos[] = {
            {{rect.left + S(1), rect.top, rect.right, rect.bottom}, 30},
            {{rect.left + S(1), rect.top + S(2), rect.right + S(1), rect.bottom}, 30},
            {{rect.left, rect.top + S(1), rect.right, rect.bottom}, 40},
            {{rect.left + S(1), rect.top + S(1), rect.right + S(1), rect.bottom}, 60},
        };
        for (const Halo& halo : halos) {
            const Color under = ColorOf(canvas.Pixel(halo.Place.left, halo.Place.top));
            ::SetTextColor(canvas.Handle(), Shade(canvas, under, halo.Amount).ToColorRef());
            DrawText(canvas, text, halo.Place, format);
        }
    }

    ::SetTextColor(canvas.Handle(), color.ToColorRef());
    DrawText(canvas, text, rect, format);

    const Color shortcutColor = m_deepColor ? Shade(canvas, color, -40) : color;
    ::SetTextColor(canvas.Handle(), shortcutColor.ToColorRef());
    RECT place = rect;
    if (rightToLeft) {
        place.left += S(10);
        DrawText(canvas, shortcut + " ", place, DT_LEFT);
    } else {
        place.right -= S(10);
        DrawText(canvas, shortcut + " ", place, DT_RIGHT);
    }
}

Color TXPMenu::ReadableTextColor(const Canvas& canvas, Color background) const {
    if (IsLightBackground(RgbOf(background))) return m_font.GetColor();
    return Tint(canvas, background, 90);
}

void TXPMenu::PaintGradient(Canvas& canvas, const RECT& rect, bool rightToLeft) {
    // One column more than the rectangle is wide: the right edge itself is painted too.
    const int columns = rect.right + 1 - rect.left;
    const int iconWidth = ::MulDiv(m_iconWidth, PaintDpi(), 96);
    const int margin = ::MulDiv(5, PaintDpi(), 96);
    int amount = 0;
    for (int column = 0; column < columns; ++column) {
        int x;
        bool inIconColumn;
        if (rightToLeft) {
            x = rect.right - column;
            inIconColumn = rect.right - iconWidth + margin < x && x < rect.right;
        } else {
            x = rect.left + column;
            inIconColumn = rect.left < x && x < rect.left + iconWidth + margin;
        }
        amount = std::min(amount + (inIconColumn ? 3 : 1), 96);
        canvas.SetBrushColor(Tint(canvas, m_colors.IconColumn, amount));
        canvas.FillRect(RECT{x, rect.top, x + 1, rect.bottom});
    }
}

void TXPMenu::PaintFlatFrame(HWND window, bool rightToLeft) {
    if (!window) return;
    RECT outer{};
    RECT client{};
    if (!::GetWindowRect(window, &outer) || !::GetClientRect(window, &client)) return;
    ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);

    const WindowDc screen(nullptr);
    Canvas canvas(screen.dc());
    HDC dc = screen.dc();
    // Only the frame: the items inside are the platform's to paint.
    ::IntersectClipRect(dc, outer.left, outer.top, outer.right, outer.bottom);
    ::ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);

    const PaintColors& colors = m_colors;
    const int wl = outer.left, wt = outer.top, wr = outer.right, wb = outer.bottom;
    canvas.SetPenColor(colors.FrameLine);
    canvas.SetBrushClear();
    canvas.Rectangle(wl, wt, wr - 2, wb - 2);

    // The inner frame, between the outline and the items, in the items' own colours.
    const RECT inner{wl + 1, wt + 1, wr - 3, wb - 3};
    canvas.FillRect(inner, m_gradient ? colors.IconColumn : colors.Background);
    RECT edge = inner;
    RECT iconTop = inner;
    if (rightToLeft) {
        edge.left = client.right;
        iconTop.left = client.right - m_iconWidth;
    } else {
        edge.right = client.left;
        iconTop.right = client.left + m_iconWidth;
    }
    canvas.FillRect(edge, colors.IconColumn);
    RECT strip = iconTop;
    strip.bottom = client.top;
    canvas.FillRect(strip, colors.IconColumn);
    strip = iconTop;
    strip.top = client.bottom;
    canvas.FillRect(strip, colors.IconColumn);

    // A two-pixel shadow below and at the right, starting two pixels in from the corners.
    canvas.FillRect(RECT{wl + 2, wb - 2, wr, wb}, colors.ShadowFill);
    canvas.FillRect(RECT{wr - 2, wt + 2, wr, wb}, colors.ShadowFill);
    canvas.FillRect(RECT{wl, wb - 2, wl + 2, wb}, colors.IconColumn);
    canvas.FillRect(RECT{wr - 2, wt, wr, wt + 2}, colors.IconColumn);
}

void TXPMenu::PaintToolButton(ToolBar& toolBar, ToolButton& button, UINT state, bool& defaultDraw) {
    Canvas* target = toolBar.GetCanvas();
    if (!target) return;
    Canvas& canvas = *target;
    ResolveColors(canvas);
    defaultDraw = false;
    const PaintColors& colors = m_colors;
    const RECT bounds = button.BoundsRect();
    const ToolButtonStyle style = button.Style();
    if (style == ToolButtonStyle::Separator || style == ToolButtonStyle::Divider) return;

    // A separator before this button with a positive Tag shows as a line through its middle.
    if (const int index = button.Index(); index > 0) {
        const ToolButton& before = *toolBar.Buttons()[static_cast<size_t>(index - 1)];
        const ToolButtonStyle beforeStyle = before.Style();
        if ((beforeStyle == ToolButtonStyle::Separator ||
             beforeStyle == ToolButtonStyle::Divider) &&
            before.Tag() > 0) {
            const RECT& line = before.BoundsRect();
            const int x = line.left + (line.right - line.left) / 2;
            canvas.SetPenColor(colors.DisabledText);
            canvas.MoveTo(x, line.top);
            canvas.LineTo(x, line.bottom);
        }
    }

    const bool enabled = button.Enabled() && !(state & CDIS_DISABLED);
    const bool hot = enabled && (state & CDIS_HOT) != 0;
    const bool pressed = (state & CDIS_SELECTED) != 0;
    const bool checked = (state & CDIS_CHECKED) != 0 || button.Down();
    const bool dropDown = style == ToolButtonStyle::DropDown;

    if (!toolBar.Transparent()) {
        canvas.SetBrushColor(m_deepColor ? Tint(canvas, kColorBtnFace, 16) : kColorBtnFace);
        canvas.FillRect(bounds);
    }
    if (pressed && button.DropdownMenu()) {
        PaintOpenBarItem(button, canvas, false, bounds);
    } else if (hot || checked) {
        canvas.SetBrushColor(
            hot ? (checked || pressed ? colors.CheckFillSelected : colors.SelectFill)
                : colors.CheckFill);
        canvas.SetPenColor(colors.SelectFrame);
        canvas.Rectangle(bounds.left, bounds.top, bounds.right, bounds.bottom);
        if (dropDown) {
            canvas.MoveTo(bounds.right - 13, bounds.top);
            canvas.LineTo(bounds.right - 13, bounds.bottom);
        }
    }
    if (dropDown) {
        // A small arrow pointing down, five pixels wide at the top.
        canvas.SetPenColor(kColorBlack);
        const int x = bounds.right - 10;
        const int y = bounds.top + (bounds.bottom - bounds.top) / 2 - 1;
        for (int row = 0; row < 3; ++row) {
            canvas.MoveTo(x + row, y + row);
            canvas.LineTo(x + 5 - row, y + row);
        }
    }

    const int faceRight = dropDown ? bounds.right - 13 : bounds.right;
    int imageBottom = bounds.top;
    if (ImageList* images = toolBar.Images(); images && button.ImageIndex() >= 0) {
        Bitmap glyph;
        glyph.SetSize(images->Width(), images->Height());
        {
            BitmapCanvas picture(glyph);
            picture->FillRect(RECT{0, 0, images->Width(), images->Height()}, colors.IconColumn);
            CommonControl<decltype(::ImageList_DrawEx)>("ImageList_DrawEx")(
                images->Handle(), button.ImageIndex(), picture->Handle(), 0, 0, 0, 0, CLR_NONE,
                CLR_NONE, ILD_TRANSPARENT);
        }
        const int left = bounds.left + (faceRight - bounds.left - images->Width()) / 2;
        PaintGlyph(button, canvas, false, false, checked, enabled, pressed, hot,
                   RECT{left, bounds.top, left + images->Width(), bounds.bottom}, glyph);
        imageBottom = bounds.top + 2 + images->Height();
    }
    if (!button.Caption().empty()) {
        const RECT text{bounds.left, imageBottom, faceRight, bounds.bottom};
        PaintCaption(button.Caption(), "", DT_CENTER, false, false, false, enabled, hot, text,
                     canvas);
    }
}

}  // namespace cs
