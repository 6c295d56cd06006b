#include "framework/Control.h"

#include <algorithm>

#include "core/Exception.h"

namespace cs {

namespace {

Cursor g_screenCursor = Cursor::Default;

std::optional<bool> g_highContrast;          // as last read; nothing until first needed
std::optional<bool> g_highContrastOverride;  // a test's decision

bool ReadHighContrast() noexcept {
    if (g_highContrastOverride) return *g_highContrastOverride;
    HIGHCONTRASTA contrast{};
    contrast.cbSize = sizeof contrast;
    if (!::SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0)) return false;
    return (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

BOOL CALLBACK RepaintWindow(HWND window, LPARAM) noexcept {
    ::RedrawWindow(window, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    return TRUE;
}

// Asks the window under the pointer, if it is one of this thread's, to set its cursor again.
void RefreshCursor() noexcept {
    POINT point{};
    if (!::GetCursorPos(&point)) return;
    HWND window = ::WindowFromPoint(point);
    if (!window || ::GetWindowThreadProcessId(window, nullptr) != ::GetCurrentThreadId()) return;
    const LRESULT hit = ::SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y));
    ::SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                   MAKELPARAM(static_cast<WORD>(hit), WM_MOUSEMOVE));
}

}  // namespace

bool HighContrastOn() noexcept {
    if (!g_highContrast) g_highContrast = ReadHighContrast();
    return *g_highContrast;
}

void RefreshHighContrast(bool colorsChanged) {
    const bool was = HighContrastOn();
    g_highContrast = ReadHighContrast();
    // All of the program's windows belong to this thread.
    if (colorsChanged || *g_highContrast != was)
        ::EnumThreadWindows(::GetCurrentThreadId(), &RepaintWindow, 0);
}

void OverrideHighContrast(std::optional<bool> on) {
    g_highContrastOverride = on;
    RefreshHighContrast(true);
}

Cursor ScreenCursor() noexcept {
    return g_screenCursor;
}

void SetScreenCursor(Cursor cursor) {
    if (cursor == g_screenCursor) return;
    g_screenCursor = cursor;
    // Shown at once, also when the thread is about to block in a long operation.
    if (cursor != Cursor::Default) ::SetCursor(CursorHandle(cursor));
    RefreshCursor();
}

Control::Control(Component* owner) : Component(owner) {
    m_font.OnChange = [this] {
        if (!m_applyingParentFont) m_parentFont = false;
        FontChanged();
    };
}

Control::~Control() {
    // The children's windows go with ours; they are components of their owner, not of this.
    for (Control* child : std::vector<Control*>(m_controls)) {
        child->DestroyHandle();
        child->m_parent = nullptr;
    }
    m_controls.clear();
    if (m_parent) std::erase(m_parent->m_controls, this);
    DestroyHandle();
}

Control* Control::FromHandle(HWND window) noexcept {
    return static_cast<Control*>(WindowObject(window, WindowKind::Control));
}

void Control::SetParent(Control* parent) {
    if (parent == m_parent) return;
    if (m_parent) std::erase(m_parent->m_controls, this);
    m_parent = parent;
    if (!parent) {
        DestroyHandle();
        return;
    }
    parent->m_controls.push_back(this);
    if (m_parentColor) m_color = parent->m_color;
    if (m_parentFont) ParentFontChanged();
    if (m_handle) {
        ::SetParent(m_handle, parent->Handle());
        return;
    }
    const Control* top = parent;
    while (top->m_parent) top = top->m_parent;
    if (parent->Handle() && !top->HoldsChildWindows()) {
        CreateHandle(parent->Handle());
        CreateChildHandles();
    }
}

void Control::CreateChildHandles() {
    for (Control* child : std::vector<Control*>(m_controls)) {
        if (!child->m_handle) child->CreateHandle(m_handle);
        child->CreateChildHandles();
    }
}

void Control::CreateParams(WindowParams& params) const {
    params.ClassName = "STATIC";
    params.Style = WS_CHILD | WS_CLIPSIBLINGS;
}

void Control::CreateHandle(HWND parentWindow) {
    WindowParams params;
    CreateParams(params);
    DWORD style = params.Style;
    if (m_visible) style |= WS_VISIBLE;
    if (!m_enabled) style |= WS_DISABLED;
    m_ownClass = params.OwnClass;
    const RECT bounds = WindowBounds();
    HWND window = ::CreateWindowExA(params.ExStyle, params.ClassName, m_caption.c_str(), style,
                                    bounds.left, bounds.top, bounds.right - bounds.left,
                                    bounds.bottom - bounds.top, parentWindow, params.Menu,
                                    ModuleInstance(), params.OwnClass ? this : nullptr);
    if (!window) throw Exception("Error creating window");
    // A window of our own class was attached at WM_NCCREATE already.
    if (!params.OwnClass) {
        if (!AttachWindowObject(window, WindowKind::Control, this)) {
            ::DestroyWindow(window);
            throw Exception("Error creating window");
        }
        m_handle = window;
    }
    ::SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), FALSE);
    HandleCreated();
}

int Control::Dpi() const noexcept {
    return m_parent ? m_parent->Dpi() : kDesignPixelsPerInch;
}

RECT Control::WindowBounds() const noexcept {
    const int left = Scale(m_left);
    const int top = Scale(m_top);
    // The far edges are scaled, not the size: neighbours that touch at 96 dpi still touch.
    return RECT{left, top, Scale(m_left + m_width), Scale(m_top + m_height)};
}

HFONT Control::FontHandle() {
    m_font.SetPixelsPerInch(Dpi());
    return m_font.Handle();
}

void Control::DpiChanged() {
    if (m_handle) {
        const RECT bounds = WindowBounds();
        ::SetWindowPos(m_handle, nullptr, bounds.left, bounds.top, bounds.right - bounds.left,
                       bounds.bottom - bounds.top, SWP_NOZORDER | SWP_NOACTIVATE);
        ::SendMessageA(m_handle, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), TRUE);
    }
    for (Control* child : std::vector<Control*>(m_controls)) child->DpiChanged();
}

void Control::DestroyHandle() noexcept {
    if (!m_handle) return;
    HWND window = m_handle;
    if (!m_ownClass) {
        DetachWindowObject(window, WindowKind::Control);
        m_handle = nullptr;
    }
    ::DestroyWindow(window);
    m_handle = nullptr;
}

void Control::AttachHandle(HWND window) noexcept {
    m_handle = window;
}

void Control::SetStyleBits(DWORD mask, DWORD bits) {
    if (!m_handle) return;
    const auto style = static_cast<DWORD>(::GetWindowLongA(m_handle, GWL_STYLE));
    ::SetWindowLongA(m_handle, GWL_STYLE, static_cast<LONG>((style & ~mask) | bits));
    ::SetWindowPos(m_handle, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    Invalidate();
}

void Control::SetBounds(int left, int top, int width, int height) {
    if (left == m_left && top == m_top && width == m_width && height == m_height) return;
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    if (m_handle) {
        const RECT bounds = WindowBounds();
        ::SetWindowPos(m_handle, nullptr, bounds.left, bounds.top, bounds.right - bounds.left,
                       bounds.bottom - bounds.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void Control::SetVisible(bool visible) {
    if (visible == m_visible) return;
    m_visible = visible;
    if (m_handle) ::ShowWindow(m_handle, visible ? SW_SHOWNA : SW_HIDE);
}

void Control::SetEnabled(bool enabled) {
    if (enabled == m_enabled) return;
    m_enabled = enabled;
    if (m_handle) ::EnableWindow(m_handle, enabled);
}

void Control::SetCaption(std::string caption) {
    if (caption == m_caption) return;
    m_caption = std::move(caption);
    if (m_handle) ::SetWindowTextA(m_handle, m_caption.c_str());
    CaptionChanged();
}

void Control::SetParentFont(bool parentFont) {
    m_parentFont = parentFont;
    if (parentFont && m_parent) ParentFontChanged();
}

void Control::ParentFontChanged() {
    m_applyingParentFont = true;
    m_font.Assign(m_parent->m_font);
    m_applyingParentFont = false;
}

void Control::FontChanged() {
    if (m_handle)
        ::SendMessageA(m_handle, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), TRUE);
    for (Control* child : m_controls)
        if (child->m_parentFont) child->ParentFontChanged();
}

void Control::SetColor(Color color) {
    m_parentColor = false;
    if (color == m_color) return;
    m_color = color;
    ColorChanged();
}

void Control::SetParentColor(bool parentColor) {
    m_parentColor = parentColor;
    if (parentColor && m_parent) ParentColorChanged();
}

void Control::ParentColorChanged() {
    if (m_color == m_parent->m_color) return;
    m_color = m_parent->m_color;
    ColorChanged();
}

void Control::ColorChanged() {
    Invalidate();
    for (Control* child : m_controls)
        if (child->m_parentColor) child->ParentColorChanged();
}

void Control::SetCursor(Cursor cursor) {
    if (cursor == m_cursor) return;
    m_cursor = cursor;
    if (cursor != Cursor::Default) {
        POINT point{};
        ::GetCursorPos(&point);
        for (HWND under = ::WindowFromPoint(point); under; under = ::GetParent(under))
            if (under == m_handle) ::SetCursor(CursorHandle(cursor));
    }
    RefreshCursor();
}

Color Control::PaintColor() const noexcept {
    return HighContrastOn() ? ContrastColor() : m_color;
}

Color Control::TextColor() const noexcept {
    return HighContrastOn() ? ContrastTextColor() : m_font.GetColor();
}

HBRUSH Control::BackgroundBrush() const {
    const COLORREF color = PaintColor().ToColorRef();
    if (!m_brush || color != m_brushColor) {
        m_brush.reset(::CreateSolidBrush(color));
        m_brushColor = color;
    }
    return m_brush.get();
}

void Control::Invalidate() const noexcept {
    if (m_handle) ::InvalidateRect(m_handle, nullptr, TRUE);
}

void Control::Click() {
    OnClick(*this);
}

HBRUSH Control::ChildColor(HDC) {
    return nullptr;
}

void Control::DrawItem(const DRAWITEMSTRUCT&) {}

void Control::Command(WORD code) {
    if (code == BN_CLICKED) Click();
}

LRESULT Control::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND: return OnEraseBackground(reinterpret_cast<HDC>(wParam));
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN: return OnChildColor(message, wParam, lParam);
        case WM_DRAWITEM: return OnDrawItem(message, wParam, lParam);
        case WM_COMMAND: return OnCommand(message, wParam, lParam);
        case WM_SETCURSOR: return OnSetCursor(message, wParam, lParam);
        default: return DefaultProc(message, wParam, lParam);
    }
}

LRESULT Control::OnEraseBackground(HDC dc) {
    RECT client{};
    ::GetClientRect(m_handle, &client);
    ::FillRect(dc, &client, BackgroundBrush());
    return TRUE;
}

LRESULT Control::OnChildColor(UINT message, WPARAM wParam, LPARAM lParam) {
    if (Control* child = FromHandle(reinterpret_cast<HWND>(lParam)))
        if (HBRUSH brush = child->ChildColor(reinterpret_cast<HDC>(wParam)))
            return reinterpret_cast<LRESULT>(brush);
    return DefaultProc(message, wParam, lParam);
}

LRESULT Control::OnDrawItem(UINT message, WPARAM wParam, LPARAM lParam) {
    const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (item.CtlType != ODT_MENU) {
        if (Control* child = FromHandle(item.hwndItem)) {
            child->DrawItem(item);
            return TRUE;
        }
    }
    return DefaultProc(message, wParam, lParam);
}

LRESULT Control::OnCommand(UINT message, WPARAM wParam, LPARAM lParam) {
    if (Control* child = FromHandle(reinterpret_cast<HWND>(lParam))) {
        child->Command(HIWORD(wParam));
        return 0;
    }
    return DefaultProc(message, wParam, lParam);
}

LRESULT Control::OnSetCursor(UINT message, WPARAM wParam, LPARAM lParam) {
    if (ScreenCursor() != Cursor::Default) {
        ::SetCursor(CursorHandle(ScreenCursor()));
        return TRUE;
    }
    if (LOWORD(lParam) == HTCLIENT) {
        for (Control* c = FromHandle(reinterpret_cast<HWND>(wParam)); c; c = c->m_parent) {
            if (c->m_cursor != Cursor::Default) {
                ::SetCursor(CursorHandle(c->m_cursor));
                return TRUE;
            }
        }
    }
    return DefaultProc(message, wParam, lParam);
}

}  // namespace cs
