#include "framework/Graphics.h"

#include <vector>

#include "core/Exception.h"

namespace cs {

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
      m_style(other.m_style) {}

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

void Font::Assign(const Font& other) {
    if (SameAs(other)) return;
    m_name = other.m_name;
    m_height = other.m_height;
    m_color = other.m_color;
    m_charset = other.m_charset;
    m_style = other.m_style;
    Changed();
}

bool Font::SameAs(const Font& other) const noexcept {
    return m_name == other.m_name && m_height == other.m_height && m_color == other.m_color &&
           m_charset == other.m_charset && m_style == other.m_style;
}

HFONT Font::Handle() const {
    if (!m_handle) {
        LOGFONTA log{};
        log.lfHeight = m_height;
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
    ::MaskBlt(dc, x, y, m_width, m_height, source.get(), 0, 0, Mask(), 0, 0,
              MAKEROP4(SRCCOPY, kDestination));
}

// ---- Icon -----------------------------------------------------------------------------------

namespace {
HICON LoadIconImage(HINSTANCE instance, const char* name, int size) {
    auto* handle = static_cast<HICON>(::LoadImageA(instance, name, IMAGE_ICON, size, size, 0));
    if (!handle) throw Exception("Icon resource not found");
    return handle;
}
}  // namespace

void Icon::LoadFromResource(HINSTANCE instance, const char* name, int size) {
    if (size > 0) {
        m_handle.reset(LoadIconImage(instance, name, size));
        m_small.reset();
        return;
    }
    m_handle.reset(LoadIconImage(instance, name, ::GetSystemMetrics(SM_CXICON)));
    m_small.reset(LoadIconImage(instance, name, ::GetSystemMetrics(SM_CXSMICON)));
}

void Icon::Assign(const Icon& other) {
    if (&other == this) return;
    m_handle.reset(other.m_handle ? ::CopyIcon(other.m_handle.get()) : nullptr);
    m_small.reset(other.m_small ? ::CopyIcon(other.m_small.get()) : nullptr);
}

// ---- Canvas ---------------------------------------------------------------------------------

Canvas::~Canvas() {
    if (m_oldFont) ::SelectObject(m_dc, m_oldFont);
}

void Canvas::SetFont(const Font& font) {
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

HCURSOR CursorHandle(Cursor cursor) noexcept {
    switch (cursor) {
        case Cursor::Default: return nullptr;
        case Cursor::Arrow: return ::LoadCursorA(nullptr, IDC_ARROW);
        case Cursor::Wait: return ::LoadCursorA(nullptr, IDC_WAIT);
    }
    return nullptr;
}

}  // namespace cs
