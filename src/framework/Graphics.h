#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Handles.h"

namespace cs {

// A colour value: an RGB colour, or a reference to one of the system's colours that is resolved
// with GetSysColor each time it is used, so that it follows a change of the user's scheme.
class Color {
public:
    constexpr Color() = default;
    // 0xRRGGBB, the way colours are written in designs (0x404040 is dark grey).
    static constexpr Color FromRgb(std::uint32_t rrggbb) {
        return Color(((rrggbb >> 16) & 0xFF) | (rrggbb & 0xFF00) | ((rrggbb & 0xFF) << 16));
    }
    static constexpr Color Rgb(int red, int green, int blue) {
        return Color(static_cast<std::uint32_t>((red & 0xFF) | ((green & 0xFF) << 8) |
                                                ((blue & 0xFF) << 16)));
    }
    // A COLOR_ index.
    static constexpr Color System(int index) {
        return Color(kSystemFlag | static_cast<std::uint32_t>(index));
    }

    constexpr bool IsSystem() const noexcept { return (m_value & kSystemFlag) != 0; }
    constexpr int SystemIndex() const noexcept { return static_cast<int>(m_value & 0xFF); }
    // The stored value: 0x00BBGGRR, or the system flag with the COLOR_ index.
    constexpr std::uint32_t Value() const noexcept { return m_value; }
    // The RGB colour now.
    COLORREF ToColorRef() const noexcept {
        return IsSystem() ? ::GetSysColor(SystemIndex()) : static_cast<COLORREF>(m_value);
    }
    friend constexpr bool operator==(Color, Color) = default;

private:
    static constexpr std::uint32_t kSystemFlag = 0x80000000u;
    explicit constexpr Color(std::uint32_t value) : m_value(value) {}
    std::uint32_t m_value = 0;
};

inline constexpr Color kColorBlack = Color::FromRgb(0x000000);
inline constexpr Color kColorWhite = Color::FromRgb(0xFFFFFF);
inline constexpr Color kColorBtnFace = Color::System(COLOR_BTNFACE);
inline constexpr Color kColorWindowText = Color::System(COLOR_WINDOWTEXT);
inline constexpr Color kColorHighlight = Color::System(COLOR_HIGHLIGHT);
inline constexpr Color kColorMenuText = Color::System(COLOR_MENUTEXT);
inline constexpr Color kColorInactiveCaption = Color::System(COLOR_INACTIVECAPTION);

// Font sizes in designs are given for this many pixels per inch; a font is made for the
// resolution of the window it shows in (PixelsPerInch), its height scaled to match.
inline constexpr int kDesignPixelsPerInch = 96;

namespace FontStyle {
inline constexpr unsigned Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8;
}

// A font by its attributes; the GDI font is made when first asked for after a change.
class Font {
public:
    // The default of every form: "MS Sans Serif", 8 point, the window text colour.
    Font();
    // Copies the attributes only; OnChange stays with the original.
    Font(const Font& other);
    Font& operator=(const Font& other) = delete;

    const std::string& Name() const noexcept { return m_name; }
    void SetName(std::string name);
    // Pixels; negative is the character height without internal leading, as in LOGFONT.
    int Height() const noexcept { return m_height; }
    void SetHeight(int height);
    // Points at the design resolution: 8 points are a character height of 11 pixels.
    int Size() const noexcept;
    void SetSize(int points);
    Color GetColor() const noexcept { return m_color; }
    void SetColor(Color color);
    BYTE Charset() const noexcept { return m_charset; }
    void SetCharset(BYTE charset);
    unsigned Style() const noexcept { return m_style; }
    void SetStyle(unsigned style);
    // The resolution the GDI font is made for: Height is in design pixels, the font's own
    // height is Height * PixelsPerInch / 96. Not an attribute of the design: setting it does not
    // call OnChange.
    int PixelsPerInch() const noexcept { return m_pixelsPerInch; }
    void SetPixelsPerInch(int pixelsPerInch);

    // Takes over every attribute of other, colour and resolution included.
    void Assign(const Font& other);
    bool SameAs(const Font& other) const noexcept;
    HFONT Handle() const;

    // Called after every change of an attribute.
    std::function<void()> OnChange;

private:
    void Changed();

    std::string m_name;
    int m_height;
    Color m_color;
    BYTE m_charset;
    unsigned m_style = 0;
    int m_pixelsPerInch = kDesignPixelsPerInch;
    mutable unique_hfont m_handle;
};

// A device-dependent picture, as a stored design holds it. A transparent bitmap is drawn
// without the pixels of its bottom-left pixel's colour.
class Bitmap {
public:
    Bitmap() = default;
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    // A BITMAP resource of the module; throws Exception when there is none.
    void LoadFromResource(HINSTANCE instance, const char* name);
    // Copies the picture (an empty one empties this one) and the transparent flag.
    void Assign(const Bitmap& other);
    void Clear() noexcept;

    bool Empty() const noexcept { return !m_handle; }
    int Width() const noexcept { return m_width; }
    int Height() const noexcept { return m_height; }
    HBITMAP Handle() const noexcept { return m_handle.get(); }
    bool Transparent() const noexcept { return m_transparent; }
    void SetTransparent(bool transparent) noexcept { m_transparent = transparent; }
    // The colour left out when drawing transparently: the bottom-left pixel's.
    COLORREF TransparentColor() const;

    // Draws the whole picture with its top-left corner at (x, y).
    void Draw(HDC dc, int x, int y) const;

    // A 32-bit picture of the size, all black: drawing on it keeps every colour exactly.
    void SetSize(int width, int height);
    // Copies other into a 32-bit picture of its own (with its transparent flag), so that
    // per-pixel work on the copy is not rounded to the palette of a 4- or 8-bit original.
    void AssignTrueColor(const Bitmap& other);
    // To be called after drawing on the pixels: the mask of the transparent colour is made anew.
    void PixelsChanged() noexcept { m_mask.reset(); }
    // One pixel; straight in memory for a picture of SetSize or AssignTrueColor, else through a
    // DC. Memory access sees GDI's drawing on the picture only after GdiFlush.
    COLORREF Pixel(int x, int y) const;
    void SetPixel(int x, int y, COLORREF color);

private:
    void Adopt(HBITMAP handle);
    // The 32-bit pixel of a picture of SetSize, or nullptr for other pictures.
    std::uint32_t* PixelAddress(int x, int y) const noexcept;
    HBITMAP Mask() const;

    unique_hbitmap m_handle;
    int m_width = 0;
    int m_height = 0;
    std::uint32_t* m_bits = nullptr;  // the rows of a picture of SetSize, bottom row first
    bool m_transparent = false;
    mutable unique_hbitmap m_mask;  // 1 where the picture shows
};

// An icon image that owns its handle.
class Icon {
public:
    Icon() = default;
    ~Icon() { Drop(); }
    Icon(const Icon&) = delete;
    Icon& operator=(const Icon&) = delete;
    Icon(Icon&& other) noexcept { *this = std::move(other); }
    Icon& operator=(Icon&& other) noexcept;

    // An ICON group resource of the module: with size 0 in the system's big and small sizes,
    // otherwise only in the image closest to size x size pixels.
    void LoadFromResource(HINSTANCE instance, const char* name, int size = 0);
    // The same in the system's big and small sizes, as the module's shared images: every shared
    // load of them, a window class's say, gets the same two without loading them again. They
    // last as long as the module and are never destroyed here.
    void LoadShared(HINSTANCE instance, const char* name);
    // Whether the images are the system-size ones of that resource, loaded here or copied from
    // an icon that loaded them.
    bool IsResource(HINSTANCE instance, const char* name) const noexcept;
    // Copies other's images; copying an empty icon empties this one.
    void Assign(const Icon& other);
    void Clear() noexcept {
        Drop();
        m_handle.reset();
        m_small.reset();
        m_resourceModule = nullptr;
        m_resourceName.clear();
    }
    // Takes over an icon handle (nullptr empties the icon).
    void Adopt(HICON handle) noexcept {
        Drop();
        m_handle.reset(handle);
        m_small.reset();
        m_resourceModule = nullptr;
        m_resourceName.clear();
    }
    bool Empty() const noexcept { return !m_handle; }
    HICON Handle() const noexcept { return m_handle.get(); }
    // The image for title bars and the like; the only one when a single size was loaded.
    HICON SmallHandle() const noexcept { return m_small ? m_small.get() : m_handle.get(); }

private:
    // Lets go of shared images without destroying them.
    void Drop() noexcept {
        if (!m_shared) return;
        m_handle.release();
        m_small.release();
        m_shared = false;
    }

    unique_hicon m_handle;
    unique_hicon m_small;
    bool m_shared = false;
    HINSTANCE m_resourceModule = nullptr;  // where the images came from, if from a resource
    std::string m_resourceName;
};

// Drawing on a device context that someone else owns (a paint, a menu item's drawing).
class Canvas {
public:
    explicit Canvas(HDC dc) noexcept : m_dc(dc) {}
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Handle() const noexcept { return m_dc; }
    // Selects a copy of font and takes its colour as the text colour.
    void SetFont(const Font& font);
    const Font& GetFont() const noexcept { return m_font; }
    int TextWidth(const std::string& text) const;
    int TextHeight(const std::string& text) const;
    void FillRect(const RECT& rect, Color color) const;

    // The pen: solid, one pixel wide unless given a width. Lines leave out their end point; a
    // wider pen stays inside the outlines of rectangles and ellipses.
    void SetPenColor(Color color, int width = 1);
    // The brush: solid in its colour, or clear (hollow) so that shapes draw their outline only.
    void SetBrushColor(Color color);
    void SetBrushClear();
    // Fills with the brush; left and top edges included, right and bottom excluded.
    void FillRect(const RECT& rect) const;
    // Outlined with the pen inside (left, top, right, bottom), filled with the brush.
    void Rectangle(int left, int top, int right, int bottom) const;
    void RoundRect(int left, int top, int right, int bottom, int cornerWidth,
                   int cornerHeight) const;
    void Ellipse(int left, int top, int right, int bottom) const;
    void MoveTo(int x, int y) const;
    void LineTo(int x, int y) const;
    COLORREF Pixel(int x, int y) const;
    void SetPixel(int x, int y, COLORREF color) const;
    // Transparent when the picture is marked so.
    void Draw(int x, int y, const Bitmap& bitmap) const;
    // The closest colour that the device shows.
    COLORREF NearestColor(COLORREF color) const;
    // The colour depth of what the canvas draws on.
    int BitsPerPixel() const;

private:
    HDC m_dc;
    Font m_font;
    HGDIOBJ m_oldFont = nullptr;
    unique_hpen m_pen;
    HGDIOBJ m_oldPen = nullptr;
    unique_hbrush m_brush;
    HGDIOBJ m_oldBrush = nullptr;
};

// A canvas on a picture: a memory DC with the picture selected, for as long as this lives.
class BitmapCanvas {
public:
    explicit BitmapCanvas(Bitmap& bitmap);
    BitmapCanvas(const BitmapCanvas&) = delete;
    BitmapCanvas& operator=(const BitmapCanvas&) = delete;
    Canvas& operator*() noexcept { return m_canvas; }
    Canvas* operator->() noexcept { return &m_canvas; }

private:
    // Declared in the order of building: the canvas lets go of its objects before the picture is
    // taken out of the DC, and that before the DC goes.
    unique_hdc m_dc;
    SelectGuard m_select;
    Canvas m_canvas;
};

// The colour depth of what dc draws on: for a memory DC, that of its selected bitmap.
int BitsPerPixelOf(HDC dc);

enum class Cursor { Default, Arrow, Wait, HandPoint };

// The system cursor to show; nullptr for Default.
HCURSOR CursorHandle(Cursor cursor) noexcept;

}  // namespace cs
