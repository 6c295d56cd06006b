#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "framework/Component.h"
#include "framework/Event.h"
#include "framework/Graphics.h"
#include "framework/Window.h"

namespace cs {

// The cursor over all of the program's windows while it is not Default (the hourglass while the
// daily synchronization runs); it wins over every control's own cursor.
Cursor ScreenCursor() noexcept;
void SetScreenCursor(Cursor cursor);

// While the system's High Contrast mode is on, the controls paint in the system's colours instead
// of the design's, so that the user's scheme decides what is readable. The mode is read from the
// system (SPI_GETHIGHCONTRAST) when first needed and again when the windows hear of a change.
bool HighContrastOn() noexcept;
// Reads the mode again; when it changed, or when the system's colours did, every window of the
// program is painted afresh.
void RefreshHighContrast(bool colorsChanged);
// Decides the mode in place of the system (a test's way to drive it); nullopt hands it back.
// The windows are painted afresh as after a change.
void OverrideHighContrast(std::optional<bool> on);

// A visible control: always a real window, a child of its parent control's window, so that
// screen readers and automation see it and read its text. Position and size are in pixels at
// 96 dpi (the design's) relative to the parent's client area; the window itself is placed at
// the scale of the top-level window's monitor (Dpi). Font and colour follow the parent's until
// set.
class Control : public Component {
public:
    explicit Control(Component* owner);
    ~Control() override;

    HWND Handle() const noexcept { return m_handle; }
    // The control behind a window of ours, or nullptr.
    static Control* FromHandle(HWND window) noexcept;

    Control* Parent() const noexcept { return m_parent; }
    // Places the control on parent (which must have its window); the window is created now.
    void SetParent(Control* parent);
    const std::vector<Control*>& Controls() const noexcept { return m_controls; }

    int Left() const noexcept { return m_left; }
    int Top() const noexcept { return m_top; }
    int Width() const noexcept { return m_width; }
    int Height() const noexcept { return m_height; }
    void SetLeft(int left) { SetBounds(left, m_top, m_width, m_height); }
    void SetTop(int top) { SetBounds(m_left, top, m_width, m_height); }
    void SetWidth(int width) { SetBounds(m_left, m_top, width, m_height); }
    void SetHeight(int height) { SetBounds(m_left, m_top, m_width, height); }
    virtual void SetBounds(int left, int top, int width, int height);

    // The resolution that the control's window is drawn at: its top-level window's.
    virtual int Dpi() const noexcept;
    // Design pixels to pixels at Dpi.
    int Scale(int pixels) const noexcept { return ::MulDiv(pixels, Dpi(), 96); }
    // The top-level window moved to a resolution of another scale: the window is placed and
    // given its font again, then the children follow.
    virtual void DpiChanged();

    bool Visible() const noexcept { return m_visible; }
    virtual void SetVisible(bool visible);
    bool Enabled() const noexcept { return m_enabled; }
    void SetEnabled(bool enabled);

    // The window text.
    const std::string& Caption() const noexcept { return m_caption; }
    void SetCaption(std::string caption);

    // A change made through the font clears ParentFont. Its height is in design pixels.
    Font& GetFont() noexcept { return m_font; }
    const Font& GetFont() const noexcept { return m_font; }
    bool ParentFont() const noexcept { return m_parentFont; }
    void SetParentFont(bool parentFont);
    Color GetColor() const noexcept { return m_color; }
    void SetColor(Color color);
    bool ParentColor() const noexcept { return m_parentColor; }
    void SetParentColor(bool parentColor);
    Cursor GetCursor() const noexcept { return m_cursor; }
    void SetCursor(Cursor cursor);

    // The colours the control paints in now: its own colour and its font's, or in High Contrast
    // the system's.
    Color PaintColor() const noexcept;
    Color TextColor() const noexcept;
    // A solid brush of PaintColor, for painting its background and its children's.
    HBRUSH BackgroundBrush() const;
    void Invalidate() const noexcept;
    // The GDI font, made for the control's resolution.
    HFONT FontHandle();

    NotifyEvent OnClick;
    // Runs OnClick with this control as the sender.
    virtual void Click();

protected:
    struct WindowParams {
        const char* ClassName = nullptr;
        DWORD Style = 0;
        DWORD ExStyle = 0;
        // Our own window class: the window procedure is WindowThunk with this control.
        bool OwnClass = false;
        // A top-level window's menu bar.
        HMENU Menu = nullptr;
    };
    virtual void CreateParams(WindowParams& params) const;
    // Creates the window from CreateParams: a child of parentWindow, or for a top-level window
    // one owned by it.
    void CreateHandle(HWND parentWindow);
    void DestroyHandle() noexcept;
    // After the window has been created: font, text and state are in place.
    virtual void HandleCreated() {}
    // Whether the windows of this top-level control's children wait: a form holds them back
    // while it loads its design and makes them all at once when the design is complete.
    virtual bool HoldsChildWindows() const noexcept { return false; }
    // Makes the missing windows of the children and their children, in the children's order.
    void CreateChildHandles();
    void SetStyleBits(DWORD mask, DWORD bits);

    // The window procedure of controls with a window class of our own; the base version is what
    // every container of child controls does.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) const {
        return ::DefWindowProcA(m_handle, message, wParam, lParam);
    }

    // What a child control's window asks of its parent, handed back to the child.
    // WM_CTLCOLORSTATIC / WM_CTLCOLOREDIT / WM_CTLCOLORBTN: the brush to paint with, or nullptr
    // for the default.
    virtual HBRUSH ChildColor(HDC dc);
    // WM_DRAWITEM of an owner-drawn control.
    virtual void DrawItem(const DRAWITEMSTRUCT& item);
    // WM_COMMAND notification codes.
    virtual void Command(WORD code);

    // The system's colours that stand for the control's own in High Contrast: those of a
    // window's contents, unless it is a button or holds buttons.
    virtual Color ContrastColor() const noexcept { return Color::System(COLOR_WINDOW); }
    virtual Color ContrastTextColor() const noexcept { return Color::System(COLOR_WINDOWTEXT); }

    virtual void FontChanged();
    virtual void ColorChanged();
    virtual void CaptionChanged() {}
    // Where the window goes in its parent's client area, in pixels.
    virtual RECT WindowBounds() const noexcept;

    // The window procedure's typed handlers for a container.
    LRESULT OnEraseBackground(HDC dc);
    LRESULT OnChildColor(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnDrawItem(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCommand(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnSetCursor(UINT message, WPARAM wParam, LPARAM lParam);

    // Form keeps its own window bounds.
    int m_left = 0;
    int m_top = 0;
    int m_width = 0;
    int m_height = 0;
    bool m_visible = true;

private:
    template <typename T, WindowKind Kind>
    friend LRESULT CALLBACK WindowThunk(HWND, UINT, WPARAM, LPARAM) noexcept;
    void AttachHandle(HWND window) noexcept;
    void ParentFontChanged();
    void ParentColorChanged();

    HWND m_handle = nullptr;
    bool m_ownClass = false;
    Control* m_parent = nullptr;
    std::vector<Control*> m_controls;
    std::string m_caption;
    Font m_font;
    bool m_parentFont = true;
    bool m_applyingParentFont = false;
    Color m_color = kColorBtnFace;
    bool m_parentColor = true;
    bool m_enabled = true;
    Cursor m_cursor = Cursor::Default;
    mutable unique_hbrush m_brush;
    mutable COLORREF m_brushColor = 0;
};

}  // namespace cs
