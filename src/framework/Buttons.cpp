#include "framework/Buttons.h"

#include <commctrl.h>

#include <string>

#include "platform/Subclass.h"

namespace cs {

namespace {
constexpr UINT_PTR kSubclassId = 1;
}

FlatButton::FlatButton(Component* owner) : Control(owner) {}

FlatButton::~FlatButton() {
    if (Handle()) cs::RemoveWindowSubclass(Handle(), &SubclassProc, kSubclassId);
}

void FlatButton::CreateParams(WindowParams& params) const {
    Control::CreateParams(params);
    params.ClassName = "BUTTON";
    params.Style |= BS_OWNERDRAW;  // no WS_TABSTOP: it cannot be reached by the keyboard
}

void FlatButton::HandleCreated() {
    cs::SetWindowSubclass(Handle(), &SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

void FlatButton::SetGlyph(const Bitmap& glyph) {
    m_glyph.Assign(glyph);
    m_glyph.SetTransparent(true);
    Redraw();
}

void FlatButton::SetSpacing(int spacing) {
    m_spacing = spacing;
    Redraw();
}

void FlatButton::SetMargin(int margin) {
    m_margin = margin;
    Redraw();
}

void FlatButton::SetFlat(bool flat) {
    m_flat = flat;
    Redraw();
}

void FlatButton::Redraw() const noexcept {
    // The whole face is drawn over: no erasing, no flicker.
    if (Handle()) ::InvalidateRect(Handle(), nullptr, FALSE);
}

HBRUSH FlatButton::ChildColor(HDC dc) {
    ::SetBkColor(dc, PaintColor().ToColorRef());
    return BackgroundBrush();
}

void FlatButton::DrawItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    RECT face = item.rcItem;
    ::FillRect(dc, &face, BackgroundBrush());
    if (!m_flat)
        ::DrawEdge(dc, &face, m_pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    else if (m_pressed)
        ::DrawEdge(dc, &face, BDR_SUNKENOUTER, BF_RECT);
    else if (m_hot)
        ::DrawEdge(dc, &face, BDR_RAISEDINNER, BF_RECT);

    const SelectGuard font(dc, FontHandle());
    const std::string& caption = Caption();
    RECT text{};
    if (!caption.empty()) ::DrawTextA(dc, caption.c_str(), -1, &text, DT_CALCRECT | DT_SINGLELINE);
    const int textWidth = text.right - text.left;
    const int textHeight = text.bottom - text.top;
    const int glyphWidth = m_glyph.Width();
    const int glyphHeight = m_glyph.Height();
    // Glyph and caption are centred as one block; the spacing counts only between the two.
    const int spacing = caption.empty() || m_glyph.Empty() ? 0 : Scale(m_spacing);
    const int width = face.right - face.left;
    const int height = face.bottom - face.top;
    const int margin =
        m_margin >= 0 ? Scale(m_margin) : (width - glyphWidth - spacing - textWidth + 1) / 2;
    const int shift = m_pressed ? Scale(1) : 0;  // a pushed face moves down and right

    if (!m_glyph.Empty())
        m_glyph.Draw(dc, face.left + margin + shift,
                     face.top + (height - glyphHeight + 1) / 2 + shift);
    if (!caption.empty()) {
        RECT place{face.left + margin + glyphWidth + spacing + shift,
                   face.top + (height - textHeight + 1) / 2 + shift, 0, 0};
        place.right = place.left + textWidth;
        place.bottom = place.top + textHeight;
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, Enabled() ? TextColor().ToColorRef() : ::GetSysColor(COLOR_GRAYTEXT));
        ::DrawTextA(dc, caption.c_str(), -1, &place, DT_SINGLELINE);
    }
}

LRESULT CALLBACK FlatButton::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR self) noexcept {
    if (message == WM_NCDESTROY) {
        cs::RemoveWindowSubclass(window, &SubclassProc, kSubclassId);
        return cs::DefSubclassProc(window, message, wParam, lParam);
    }
    LRESULT result = 0;
    Guarded(
        [&] { result = reinterpret_cast<FlatButton*>(self)->ButtonProc(message, wParam, lParam); });
    return result;
}

LRESULT FlatButton::ButtonProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_MOUSEMOVE: return OnMouseMove(lParam);
        case WM_MOUSELEAVE: return OnMouseLeave();
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: return OnButtonDown();
        case WM_LBUTTONUP: return OnButtonUp();
        case WM_CAPTURECHANGED: return OnCaptureChanged();
        default: return cs::DefSubclassProc(Handle(), message, wParam, lParam);
    }
}

bool FlatButton::PointerInside(LPARAM lParam) const noexcept {
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    return ::PtInRect(&client, point) != FALSE;
}

LRESULT FlatButton::OnMouseMove(LPARAM lParam) {
    if (!m_hot) {
        m_hot = true;
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof track;
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = Handle();
        ::TrackMouseEvent(&track);
        Redraw();
    }
    if (m_down && PointerInside(lParam) != m_pressed) {
        m_pressed = !m_pressed;
        Redraw();
    }
    return 0;
}

LRESULT FlatButton::OnMouseLeave() {
    m_hot = false;
    Redraw();
    return 0;
}

LRESULT FlatButton::OnButtonDown() {
    m_down = true;
    m_pressed = true;
    ::SetCapture(Handle());
    Redraw();
    return 0;
}

LRESULT FlatButton::OnButtonUp() {
    if (!m_down) return 0;
    const bool click = m_pressed;
    m_down = false;
    m_pressed = false;
    ::ReleaseCapture();
    Redraw();
    ::UpdateWindow(Handle());  // the face comes up before a long command starts
    if (click) Click();
    return 0;
}

LRESULT FlatButton::OnCaptureChanged() {
    if (m_down) {
        m_down = false;
        m_pressed = false;
        Redraw();
    }
    return 0;
}

}  // namespace cs
