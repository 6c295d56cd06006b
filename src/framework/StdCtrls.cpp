#include "framework/StdCtrls.h"

#include <commctrl.h>

#include <algorithm>

#include "core/DisplayScale.h"

#include "platform/Subclass.h"

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
    ::SetTextColor(dc, TextColor().ToColorRef());
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

void Label::DpiChanged() {
    Control::DpiChanged();
    // Text does not grow in proportion with the scale: it is measured afresh.
    AdjustSize();
}

void Label::SetBounds(int left, int top, int width, int height) {
    if (!m_adjusting) m_givenHeight = height;
    Control::SetBounds(left, top, width, height);
}

void Label::AdjustSize() {
    if (!m_autoSize) return;
    const WindowDc screen(nullptr);
    const SelectGuard font(screen.dc(), FontHandle());
    // Measured at the window's resolution; the size kept is in design pixels that cover it.
    RECT text{0, 0, m_wordWrap ? Scale(Width()) : 0, 0};
    UINT format = DT_CALCRECT | (m_wordWrap ? DT_WORDBREAK : DT_SINGLELINE);
    if (!m_showAccelChar) format |= DT_NOPREFIX;
    // An empty caption still takes a line's height.
    const std::string measured = Caption().empty() ? std::string(" ") : Caption();
    ::DrawTextA(screen.dc(), measured.c_str(), -1, &text, format);
    // The window's edges are scaled one by one, so its length in pixels depends on where it
    // starts: the design length is grown until the window covers the text from that edge.
    const auto covering = [this](int edge, int pixels, bool fromFarEdge) {
        int length = DesignPixelsCovering(pixels, Dpi());
        const auto shown = [&] {
            return fromFarEdge ? Scale(edge) - Scale(edge - length)
                               : Scale(edge + length) - Scale(edge);
        };
        while (pixels > 0 && shown() < pixels) ++length;
        return length;
    };
    const bool right = m_alignment == Alignment::Right;
    const int width =
        Caption().empty() ? 0 : covering(right ? Left() + Width() : Left(), text.right, right);
    const int textHeight = covering(Top(), text.bottom, false);
    // A single line keeps the height it was given when its text fits: the designed rows of a
    // table stay the same whatever the font's metrics on this system, and at every scale.
    const int height = m_wordWrap ? textHeight : std::max<int>(m_givenHeight, textHeight);
    const int left = right ? Left() + Width() - width : Left();
    m_adjusting = true;
    SetBounds(left, Top(), m_wordWrap ? Width() : width, height);
    m_adjusting = false;
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
    RegisterWindowClass(kPanelClass, &WindowThunk<Control, WindowKind::Control>);
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

// ---- Classic look -----------------------------------------------------------------------------

namespace {

// A themed check box or group box draws its caption in the theme's colour and takes no notice of
// the text colour set at WM_CTLCOLORSTATIC, which would leave dark text on the dark forms. Without
// a theme the control draws classically, in the colours its parent gives. uxtheme.dll is looked
// up at run time: the program does not depend on it.
void UseClassicLook(HWND window) noexcept {
    using SetWindowThemeFunction = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
    static const auto setWindowTheme = []() -> SetWindowThemeFunction {
        HMODULE uxtheme = ::LoadLibraryA("uxtheme.dll");
        if (!uxtheme) return nullptr;
        return reinterpret_cast<SetWindowThemeFunction>(
            reinterpret_cast<void*>(::GetProcAddress(uxtheme, "SetWindowTheme")));
    }();
    if (setWindowTheme) setWindowTheme(window, L"", L"");
}

constexpr UINT_PTR kGroupBoxSubclassId = 1;

}  // namespace

// ---- GroupBox -------------------------------------------------------------------------------

GroupBox::GroupBox(Component* owner) : Control(owner) {}

GroupBox::~GroupBox() {
    if (Handle()) cs::RemoveWindowSubclass(Handle(), &SubclassProc, kGroupBoxSubclassId);
}

void GroupBox::CreateParams(WindowParams& params) const {
    Control::CreateParams(params);
    params.ClassName = "BUTTON";
    // The frame's own painting leaves out its children; Tab goes into them.
    params.Style |= BS_GROUPBOX | WS_CLIPCHILDREN;
    params.ExStyle |= WS_EX_CONTROLPARENT;
}

void GroupBox::HandleCreated() {
    UseClassicLook(Handle());
    cs::SetWindowSubclass(Handle(), &SubclassProc, kGroupBoxSubclassId,
                          reinterpret_cast<DWORD_PTR>(this));
}

HBRUSH GroupBox::ChildColor(HDC dc) {
    ::SetTextColor(dc, TextColor().ToColorRef());
    ::SetBkColor(dc, PaintColor().ToColorRef());
    return BackgroundBrush();
}

LRESULT CALLBACK GroupBox::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR, DWORD_PTR self) noexcept {
    if (message == WM_NCDESTROY) {
        cs::RemoveWindowSubclass(window, &SubclassProc, kGroupBoxSubclassId);
        return cs::DefSubclassProc(window, message, wParam, lParam);
    }
    LRESULT result = 0;
    Guarded(
        [&] { result = reinterpret_cast<GroupBox*>(self)->FrameProc(message, wParam, lParam); });
    return result;
}

// The system's frame passes what its children ask of their parent on to DefWindowProc; here it
// goes to the children as on any other container.
LRESULT GroupBox::FrameProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        // The frame paints only its lines and caption; the inside is the frame's colour.
        case WM_ERASEBKGND: return OnEraseBackground(reinterpret_cast<HDC>(wParam));
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN: return OnChildColor(message, wParam, lParam);
        case WM_DRAWITEM: return OnDrawItem(message, wParam, lParam);
        case WM_COMMAND: return OnCommand(message, wParam, lParam);
        default: return cs::DefSubclassProc(Handle(), message, wParam, lParam);
    }
}

// ---- Edit -----------------------------------------------------------------------------------

Edit::Edit(Component* owner) : Control(owner) {
    SetColor(Color::System(COLOR_WINDOW));
}

void Edit::CreateParams(WindowParams& params) const {
    Control::CreateParams(params);
    params.ClassName = "EDIT";
    params.Style |= WS_TABSTOP | ES_AUTOHSCROLL;
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

std::string Edit::Text() const {
    if (!Handle()) return Caption();
    const int length = ::GetWindowTextLengthA(Handle());
    std::string text(static_cast<size_t>(length) + 1, '\0');
    text.resize(static_cast<size_t>(::GetWindowTextA(Handle(), text.data(), length + 1)));
    return text;
}

void Edit::SetText(std::string text) {
    SetCaption(std::move(text));
    // Typing changes the window's text behind Caption's back: a text equal to the last one set
    // must still replace what was typed since.
    if (Handle() && Text() != Caption()) ::SetWindowTextA(Handle(), Caption().c_str());
}

HBRUSH Edit::ChildColor(HDC dc) {
    ::SetTextColor(dc, TextColor().ToColorRef());
    ::SetBkColor(dc, PaintColor().ToColorRef());
    return BackgroundBrush();
}

// ---- CheckBox -------------------------------------------------------------------------------

CheckBox::CheckBox(Component* owner) : Control(owner) {}

DWORD CheckBox::SideStyle() const noexcept {
    return m_alignment == Alignment::Left ? BS_LEFTTEXT : 0;
}

void CheckBox::CreateParams(WindowParams& params) const {
    Control::CreateParams(params);
    params.ClassName = "BUTTON";
    params.Style |= BS_AUTOCHECKBOX | WS_TABSTOP | SideStyle();
}

void CheckBox::HandleCreated() {
    UseClassicLook(Handle());
    ::SendMessageA(Handle(), BM_SETCHECK, m_checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool CheckBox::Checked() const {
    if (!Handle()) return m_checked;
    return ::SendMessageA(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CheckBox::SetChecked(bool checked) {
    m_checked = checked;
    if (Handle()) ::SendMessageA(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CheckBox::SetAlignment(Alignment alignment) {
    if (alignment == m_alignment) return;
    m_alignment = alignment;
    SetStyleBits(BS_LEFTTEXT, SideStyle());
}

HBRUSH CheckBox::ChildColor(HDC dc) {
    ::SetTextColor(dc, TextColor().ToColorRef());
    ::SetBkColor(dc, PaintColor().ToColorRef());
    return BackgroundBrush();
}

}  // namespace cs
