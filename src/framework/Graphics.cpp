#include "framework/Graphics.h"

#include <vector>

#include "core/Exception.h"

namespace cs {

int BitsPerPixelOf(HDC dc) {
    // A memory DC draws into the bitmap selected into it, and that has its own depth; the DC
    // itself reports the display's (GetNearestColor, on the other hand, follows the bitmap).
    if (::GetObjectType(dc) == OBJ_MEMDC) {
        BITMAP bitmap{};
        if (::GetObjectA(::GetCurrentObject(dc, OBJ_BITMAP), sizeof bitmap, &bitmap))
            return bitmap.bmBitsPixel;
    }
    return ::GetDeviceCaps(dc, BITSPIXEL);
}

// ---- Font -----------------------------------------------------------------------------------

Font::Font()
    : m_name("MS Sans Serif"),
      m_height(-::MulDiv(8, kDesignPixelsPerInch, 72)),
      m_color(kColorWindowText),
      m_charset(DEFAULT_CHARSET) {}

Font::Font(const Font& other)
    : m_name(other.m_name),
      m_height(other.m_height),
      m_color(other.m_color),
      m_charset(other.m_charset),
      m_style(other.m_style),
      m_pixelsPerInch(other.m_pixelsPerInch) {}

void Font::SetName(std::string name) {
    if (name == m_name) return;
    m_name = std::move(name);
    Changed();
}

void Font::SetHeight(int height) {
    if (height == m_height) return;
    m_height = height;
    Changed();
}

int Font::Size() const noexcept {
    return -::MulDiv(m_height, 72, kDesignPixelsPerInch);
}

void Font::SetSize(int points) {
    SetHeight(-::MulDiv(points, kDesignPixelsPerInch, 72));
}

void Font::SetColor(Color color) {
    if (color == m_color) return;
    m_color = color;
    if (OnChange) OnChange();
}

void Font::SetCharset(BYTE charset) {
    if (charset == m_charset) return;
    m_charset = charset;
    Changed();
}

void Font::SetStyle(unsigned style) {
    if (style == m_style) return;
    m_style = style;
    Changed();
}

void Font::SetPixelsPerInch(int pixelsPerInch) {
    if (pixelsPerInch == m_pixelsPerInch || pixelsPerInch <= 0) return;
    m_pixelsPerInch = pixelsPerInch;
    m_handle.reset();
}

void Font::Assign(const Font& other) {
    if (SameAs(other)) return;
    m_pixelsPerInch = other.m_pixelsPerInch;
    m_name = other.m_name;
    m_height = other.m_height;
    m_color = other.m_color;
    m_charset = other.m_charset;
    m_style = other.m_style;
    Changed();
}

bool Font::SameAs(const Font& other) const noexcept {
    return m_name == other.m_name && m_height == other.m_height && m_color == other.m_color &&
           m_charset == other.m_charset && m_style == other.m_style &&
           m_pixelsPerInch == other.m_pixelsPerInch;
}

HFONT Font::Handle() const {
    if (!m_handle) {
        LOGFONTA log{};
        log.lfHeight = ::MulDiv(m_height, m_pixelsPerInch, kDesignPixelsPerInch);
        log.lfWeight = (m_style & FontStyle::Bold) ? FW_BOLD : FW_NORMAL;
        log.lfItalic = (m_style & FontStyle::Italic) ? TRUE : FALSE;
        log.lfUnderline = (m_style & FontStyle::Underline) ? TRUE : FALSE;
        log.lfStrikeOut = (m_style & FontStyle::StrikeOut) ? TRUE : FALSE;
        log.lfCharSet = m_charset;
        log.lfOutPrecision = OUT_DEFAULT_PRECIS;
        log.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        log.lfQuality = DEFAULT_QUALITY;
        log.lfPitchAndFamily = DEFAULT_PITCH;
        lstrcpynA(log.lfFaceName, m_name.c_str(), LF_FACESIZE);
        m_handle.reset(::CreateFontIndirectA(&log));
    }
    return m_handle.get();
}

void Font::Changed() {
    m_handle.reset();
    if (OnChange) OnChange();
}

// ---- Bitmap ---------------------------------------------------------------------------------

void Bitmap::LoadFromResource(HINSTANCE instance, const char* name) {
    auto* handle =
        static_cast<HBITMAP>(::LoadImageA(instance, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!handle) throw Exception("Bitmap resource not found");
    Adopt(handle);
}

void Bitmap::Assign(const Bitmap& other) {
    if (&other == this) return;
    m_transparent = other.m_transparent;
    if (other.Empty()) {
        Clear();
        return;
    }
    Adopt(
        static_cast<HBITMAP>(::CopyImage(other.Handle(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

void Bitmap::Clear() noexcept {
    m_bits = nullptr;
    m_handle.reset();
    m_mask.reset();
    m_width = m_height = 0;
}

void Bitmap::Adopt(HBITMAP handle) {
    Clear();
    if (!handle) return;
    BITMAP info{};
    ::GetObjectA(handle, sizeof info, &info);
    m_handle.reset(handle);
    m_width = info.bmWidth;
    m_height = info.bmHeight;
}

COLORREF Bitmap::TransparentColor() const {
    if (Empty()) return 0;
    const unique_hdc dc(::CreateCompatibleDC(nullptr));
    const SelectGuard select(dc.get(), m_handle.get());
    return ::GetPixel(dc.get(), 0, m_height - 1);
}

HBITMAP Bitmap::Mask() const {
    if (m_mask) return m_mask.get();
    // Read the pixels as 32-bit values and build the monochrome mask by hand: colour-to-mono
    // blits of palette DIB sections do not compare colours the same way everywhere.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = m_width;
    info.bmiHeader.biHeight = -m_height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<size_t>(m_width) * m_height);
    {
        const WindowDc screen(nullptr);
        ::GetDIBits(screen.dc(), m_handle.get(), 0, m_height, pixels.data(), &info, DIB_RGB_COLORS);
    }
    const DWORD transparent = pixels[static_cast<size_t>(m_height - 1) * m_width] & 0xFFFFFF;
    const int stride = ((m_width + 15) / 16) * 2;  // monochrome rows are WORD-aligned
    std::vector<BYTE> bits(static_cast<size_t>(stride) * m_height, 0);
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x)
            if ((pixels[static_cast<size_t>(y) * m_width + x] & 0xFFFFFF) != transparent)
                bits[static_cast<size_t>(y) * stride + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
    m_mask.reset(::CreateBitmap(m_width, m_height, 1, 1, bits.data()));
    return m_mask.get();
}

void Bitmap::Draw(HDC dc, int x, int y) const {
    if (Empty()) return;
    const unique_hdc source(::CreateCompatibleDC(dc));
    const SelectGuard select(source.get(), m_handle.get());
    if (!m_transparent) {
        ::BitBlt(dc, x, y, m_width, m_height, source.get(), 0, 0, SRCCOPY);
        return;
    }
    // Source where the mask is set, destination where it is clear.
    constexpr DWORD kDestination = 0x00AA0029;
    constexpr DWORD kMaskedCopy = MAKEROP4(SRCCOPY, kDestination);
    if (BitsPerPixelOf(dc) > 8) {
        ::MaskBlt(dc, x, y, m_width, m_height, source.get(), 0, 0, Mask(), 0, 0, kMaskedCopy);
        return;
    }
    // Onto a palette bitmap Wine's MaskBlt applies the mask the wrong way round: compose on a
    // true-colour copy of the spot and put that back, each colour mapped to the palette.
    Bitmap spot;
    spot.SetSize(m_width, m_height);
    const unique_hdc composed(::CreateCompatibleDC(dc));
    const SelectGuard selectSpot(composed.get(), spot.Handle());
    ::BitBlt(composed.get(), 0, 0, m_width, m_height, dc, x, y, SRCCOPY);
    ::MaskBlt(composed.get(), 0, 0, m_width, m_height, source.get(), 0, 0, Mask(), 0, 0,
              kMaskedCopy);
    ::BitBlt(dc, x, y, m_width, m_height, composed.get(), 0, 0, SRCCOPY);
}

void Bitmap::SetSize(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    Adopt(width > 0 && height > 0
              ? ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0)
              : nullptr);
    if (m_handle) m_bits = static_cast<std::uint32_t*>(bits);
}

std::uint32_t* Bitmap::PixelAddress(int x, int y) const noexcept {
    if (!m_bits || x < 0 || y < 0 || x >= m_width || y >= m_height) return nullptr;
    return m_bits + static_cast<size_t>(m_height - 1 - y) * m_width + x;
}

COLORREF Bitmap::Pixel(int x, int y) const {
    if (const std::uint32_t* pixel = PixelAddress(x, y))
        return RGB((*pixel >> 16) & 0xFF, (*pixel >> 8) & 0xFF, *pixel & 0xFF);
    if (Empty()) return CLR_INVALID;
    const unique_hdc dc(::CreateCompatibleDC(nullptr));
    const SelectGuard select(dc.get(), m_handle.get());
    return ::GetPixel(dc.get(), x, y);
}

void Bitmap::SetPixel(int x, int y, COLORREF color) {
    m_mask.reset();
    if (std::uint32_t* pixel = PixelAddress(x, y)) {
        *pixel = (static_cast<std::uint32_t>(GetRValue(color)) << 16) |
                 (static_cast<std::uint32_t>(GetGValue(color)) << 8) | GetBValue(color);
        return;
    }
    if (Empty()) return;
    const unique_hdc dc(::CreateCompatibleDC(nullptr));
    const SelectGuard select(dc.get(), m_handle.get());
    ::SetPixel(dc.get(), x, y, color);
}

void Bitmap::AssignTrueColor(const Bitmap& other) {
    if (&other == this) return;
    m_transparent = other.m_transparent;
    SetSize(other.Width(), other.Height());
    if (Empty()) return;
    const unique_hdc source(::CreateCompatibleDC(nullptr));
    const SelectGuard selectSource(source.get(), other.Handle());
    const unique_hdc target(::CreateCompatibleDC(nullptr));
    const SelectGuard selectTarget(target.get(), m_handle.get());
    ::BitBlt(target.get(), 0, 0, m_width, m_height, source.get(), 0, 0, SRCCOPY);
}

// ---- Icon -----------------------------------------------------------------------------------

namespace {
HICON LoadIconImage(HINSTANCE instance, const char* name, int size, UINT flags = 0) {
    auto* handle = static_cast<HICON>(::LoadImageA(instance, name, IMAGE_ICON, size, size, flags));
    if (!handle) throw Exception("Icon resource not found");
    return handle;
}
}  // namespace

void Icon::LoadFromResource(HINSTANCE instance, const char* name, int size) {
    Drop();
    m_resourceModule = nullptr;
    m_resourceName.clear();
    if (size > 0) {
        m_handle.reset(LoadIconImage(instance, name, size));
        m_small.reset();
        return;
    }
    m_handle.reset(LoadIconImage(instance, name, ::GetSystemMetrics(SM_CXICON)));
    m_small.reset(LoadIconImage(instance, name, ::GetSystemMetrics(SM_CXSMICON)));
    // Only a named resource is remembered; a numbered one is no text.
    if (!IS_INTRESOURCE(name)) {
        m_resourceModule = instance;
        m_resourceName = name;
    }
}

void Icon::LoadShared(HINSTANCE instance, const char* name) {
    HICON big = LoadIconImage(instance, name, ::GetSystemMetrics(SM_CXICON), LR_SHARED);
    HICON small = LoadIconImage(instance, name, ::GetSystemMetrics(SM_CXSMICON), LR_SHARED);
    Clear();
    m_handle.reset(big);
    m_small.reset(small);
    m_shared = true;
    if (!IS_INTRESOURCE(name)) {
        m_resourceModule = instance;
        m_resourceName = name;
    }
}

Icon& Icon::operator=(Icon&& other) noexcept {
    if (&other == this) return *this;
    Clear();
    m_handle = std::move(other.m_handle);
    m_small = std::move(other.m_small);
    m_shared = std::exchange(other.m_shared, false);
    m_resourceModule = std::exchange(other.m_resourceModule, nullptr);
    m_resourceName = std::move(other.m_resourceName);
    other.m_resourceName.clear();
    return *this;
}

bool Icon::IsResource(HINSTANCE instance, const char* name) const noexcept {
    return m_handle && m_resourceModule && m_resourceModule == instance && !IS_INTRESOURCE(name) &&
           m_resourceName == name;
}

void Icon::Assign(const Icon& other) {
    if (&other == this) return;
    Drop();
    m_handle.reset(other.m_handle ? ::CopyIcon(other.m_handle.get()) : nullptr);
    m_small.reset(other.m_small ? ::CopyIcon(other.m_small.get()) : nullptr);
    m_resourceModule = other.m_resourceModule;
    m_resourceName = other.m_resourceName;
}

// ---- Canvas ---------------------------------------------------------------------------------

Canvas::~Canvas() {
    // The DC's own objects go back in before ours are deleted: GDI keeps a selected object.
    if (m_oldFont) ::SelectObject(m_dc, m_oldFont);
    if (m_oldPen) ::SelectObject(m_dc, m_oldPen);
    if (m_oldBrush) ::SelectObject(m_dc, m_oldBrush);
}

void Canvas::SetFont(const Font& font) {
    // Assign drops the font handle in use; take it out of the DC first so that it is deleted
    // for real and not left behind as a selected object.
    if (m_oldFont && !m_font.SameAs(font)) ::SelectObject(m_dc, m_oldFont);
    m_font.Assign(font);
    HGDIOBJ previous = ::SelectObject(m_dc, m_font.Handle());
    if (!m_oldFont) m_oldFont = previous;
    ::SetTextColor(m_dc, m_font.GetColor().ToColorRef());
}

int Canvas::TextWidth(const std::string& text) const {
    SIZE size{};
    ::GetTextExtentPoint32A(m_dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

int Canvas::TextHeight(const std::string& text) const {
    SIZE size{};
    ::GetTextExtentPoint32A(m_dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cy;
}

void Canvas::FillRect(const RECT& rect, Color color) const {
    const unique_hbrush brush(::CreateSolidBrush(color.ToColorRef()));
    ::FillRect(m_dc, &rect, brush.get());
}

void Canvas::SetPenColor(Color color, int width) {
    unique_hpen pen(::CreatePen(width > 1 ? PS_INSIDEFRAME : PS_SOLID, width, color.ToColorRef()));
    HGDIOBJ previous = ::SelectObject(m_dc, pen.get());
    if (!m_oldPen) m_oldPen = previous;
    m_pen = std::move(pen);  // the pen it replaces is no longer selected, so it really goes
}

void Canvas::SetBrushColor(Color color) {
    unique_hbrush brush(::CreateSolidBrush(color.ToColorRef()));
    HGDIOBJ previous = ::SelectObject(m_dc, brush.get());
    if (!m_oldBrush) m_oldBrush = previous;
    m_brush = std::move(brush);
}

void Canvas::SetBrushClear() {
    HGDIOBJ previous = ::SelectObject(m_dc, ::GetStockObject(NULL_BRUSH));
    if (!m_oldBrush) m_oldBrush = previous;
    m_brush.reset();
}

void Canvas::FillRect(const RECT& rect) const {
    auto* brush = static_cast<HBRUSH>(::GetCurrentObject(m_dc, OBJ_BRUSH));
    ::FillRect(m_dc, &rect, brush);
}

void Canvas::Rectangle(int left, int top, int right, int bottom) const {
    ::Rectangle(m_dc, left, top, right, bottom);
}

void Canvas::RoundRect(int left, int top, int right, int bottom, int cornerWidth,
                       int cornerHeight) const {
    ::RoundRect(m_dc, left, top, right, bottom, cornerWidth, cornerHeight);
}

void Canvas::Ellipse(int left, int top, int right, int bottom) const {
    ::Ellipse(m_dc, left, top, right, bottom);
}

void Canvas::MoveTo(int x, int y) const {
    ::MoveToEx(m_dc, x, y, nullptr);
}

void Canvas::LineTo(int x, int y) const {
    ::LineTo(m_dc, x, y);
}

COLORREF Canvas::Pixel(int x, int y) const {
    return ::GetPixel(m_dc, x, y);
}

void Canvas::SetPixel(int x, int y, COLORREF color) const {
    ::SetPixel(m_dc, x, y, color);
}

void Canvas::Draw(int x, int y, const Bitmap& bitmap) const {
    bitmap.Draw(m_dc, x, y);
}

COLORREF Canvas::NearestColor(COLORREF color) const {
    return ::GetNearestColor(m_dc, color);
}

int Canvas::BitsPerPixel() const {
    return BitsPerPixelOf(m_dc);
}

// ---- BitmapCanvas ---------------------------------------------------------------------------

BitmapCanvas::BitmapCanvas(Bitmap& bitmap)
    : m_dc(::CreateCompatibleDC(nullptr)),
      m_select(m_dc.get(), bitmap.Handle()),
      m_canvas(m_dc.get()) {
    bitmap.PixelsChanged();
}

HCURSOR CursorHandle(Cursor cursor) noexcept {
    switch (cursor) {
        case Cursor::Default: return nullptr;
        case Cursor::Arrow: return ::LoadCursorA(nullptr, IDC_ARROW);
        case Cursor::Wait: return ::LoadCursorA(nullptr, IDC_WAIT);
        case Cursor::HandPoint: return ::LoadCursorA(nullptr, IDC_HAND);
    }
    return nullptr;
}

}  // namespace cs
