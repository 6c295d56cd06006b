#include "framework/StdCtrls.h"

#include <algorithm>

namespace cs {

// ---- Label ----------------------------------------------------------------------------------

Label::Label(Component* owner) : Control(owner) {}

void Label::CreateParams(WindowParams& params) const {
    Control::CreateParams(params);
    params.ClassName = "STATIC";
    // SS_NOTIFY lets the label be clicked.
    params.Style |= SS_NOTIFY | TextStyle();
}

DWORD Label::TextStyle() const noexcept {
    DWORD style = 0;
    switch (m_alignment) {
        case Alignment::Left: style = m_wordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP; break;
        case Alignment::Right: style = SS_RIGHT; break;
        case Alignment::Center: style = SS_CENTER; break;
    }
    if (!m_showAccelChar) style |= SS_NOPREFIX;
    return style;
}

void Label::SetAlignment(Alignment alignment) {
    if (alignment == m_alignment) return;
    m_alignment = alignment;
    SetStyleBits(SS_TYPEMASK | SS_NOPREFIX, TextStyle());
}

void Label::SetShowAccelChar(bool show) {
    if (show == m_showAccelChar) return;
    m_showAccelChar = show;
    SetStyleBits(SS_TYPEMASK | SS_NOPREFIX, TextStyle());
    AdjustSize();
}

void Label::SetWordWrap(bool wordWrap) {
    if (wordWrap == m_wordWrap) return;
    m_wordWrap = wordWrap;
    SetStyleBits(SS_TYPEMASK | SS_NOPREFIX, TextStyle());
    AdjustSize();
}

void Label::SetAutoSize(bool autoSize) {
    m_autoSize = autoSize;
    AdjustSize();
}

void Label::SetTransparent(bool transparent) {
    if (transparent == m_transparent) return;
    m_transparent = transparent;
    Invalidate();
}

HBRUSH Label::ChildColor(HDC dc) {
    ::SetTextColor(dc, GetFont().GetColor().ToColorRef());
    ::SetBkMode(dc, TRANSPARENT);
    // The STATIC fills its whole rectangle with this brush before it draws the text, so a new
    // text never shows over the old one.
    return m_transparent && Parent() ? Parent()->BackgroundBrush() : BackgroundBrush();
}

void Label::Command(WORD code) {
    if (code == STN_CLICKED) Click();
}

void Label::CaptionChanged() {
    AdjustSize();
}

void Label::FontChanged() {
    Control::FontChanged();
    AdjustSize();
}

void Label::AdjustSize() {
    if (!m_autoSize) return;
    const WindowDc screen(nullptr);
    const SelectGuard font(screen.dc(), GetFont().Handle());
    RECT text{0, 0, m_wordWrap ? Width() : 0, 0};
    UINT format = DT_CALCRECT | (m_wordWrap ? DT_WORDBREAK : DT_SINGLELINE);
    if (!m_showAccelChar) format |= DT_NOPREFIX;
    // An empty caption still takes a line's height.
    const std::string measured = Caption().empty() ? std::string(" ") : Caption();
    ::DrawTextA(screen.dc(), measured.c_str(), -1, &text, format);
    const int width = Caption().empty() ? 0 : static_cast<int>(text.right);
    // A single line keeps the height it was given when its text fits: the designed rows of a
    // table stay the same whatever the font's metrics on this system.
    const int height = m_wordWrap ? text.bottom : std::max<int>(Height(), text.bottom);
    const int left = m_alignment == Alignment::Right ? Left() + Width() - width : Left();
    SetBounds(left, Top(), m_wordWrap ? Width() : width, height);
}

// ---- Panel ----------------------------------------------------------------------------------

namespace {
constexpr char kPanelClass[] = "CsPanel";

void DrawBevel(HDC dc, RECT& rect, BevelCut bevel) {
    if (bevel == BevelCut::None) return;
    ::DrawEdge(dc, &rect, bevel == BevelCut::Lowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER,
               BF_RECT | BF_ADJUST);
}
}  // namespace

Panel::Panel(Component* owner) : Control(owner) {
    RegisterWindowClass(kPanelClass, &WindowThunk<Control, kControlProperty>);
}

void Panel::CreateParams(WindowParams& params) const {
    Control::CreateParams(params);
    params.ClassName = kPanelClass;
    params.Style |= WS_CLIPCHILDREN;
    params.OwnClass = true;
}

void Panel::SetBevelOuter(BevelCut bevel) {
    if (bevel == m_bevelOuter) return;
    m_bevelOuter = bevel;
    Invalidate();
}

void Panel::SetBevelInner(BevelCut bevel) {
    if (bevel == m_bevelInner) return;
    m_bevelInner = bevel;
    Invalidate();
}

LRESULT Panel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: return OnPaint();
        default: return Control::WindowProc(message, wParam, lParam);
    }
}

LRESULT Panel::OnPaint() {
    const PaintGuard paint(Handle());
    RECT rect{};
    ::GetClientRect(Handle(), &rect);
    DrawBevel(paint.dc(), rect, m_bevelOuter);
    DrawBevel(paint.dc(), rect, m_bevelInner);
    return 0;
}

}  // namespace cs
