#pragma once
#include <windows.h>

#include "framework/Control.h"

namespace cs {

// A flat tool button: a BUTTON window that it draws itself, with no border until the pointer is
// over it, a caption and an optional picture (glyph) left of it. It never takes the keyboard
// focus: it handles the mouse itself, so the system's button never sets the focus on it. A
// BM_CLICK (from automation) clicks it like the mouse does.
class FlatButton : public Control {
public:
    explicit FlatButton(Component* owner);
    ~FlatButton() override;

    // Drawn transparently by its bottom-left pixel's colour.
    const Bitmap& Glyph() const noexcept { return m_glyph; }
    void SetGlyph(const Bitmap& glyph);
    // Pixels between the glyph and the caption; only when there are both.
    int Spacing() const noexcept { return m_spacing; }
    void SetSpacing(int spacing);
    // Pixels from the left edge to the glyph; -1 centres glyph and caption together.
    int Margin() const noexcept { return m_margin; }
    void SetMargin(int margin);
    bool Flat() const noexcept { return m_flat; }
    void SetFlat(bool flat);

    // The pointer is over the button / it is held down with the pointer on it.
    bool Hot() const noexcept { return m_hot; }
    bool Pressed() const noexcept { return m_pressed; }

protected:
    void CreateParams(WindowParams& params) const override;
    void HandleCreated() override;
    HBRUSH ChildColor(HDC dc) override;
    void DrawItem(const DRAWITEMSTRUCT& item) override;
    Color ContrastColor() const noexcept override { return Color::System(COLOR_BTNFACE); }
    Color ContrastTextColor() const noexcept override { return Color::System(COLOR_BTNTEXT); }
    // The clicks come from the mouse handling below, not from the system's button.
    void Command(WORD) override {}

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self) noexcept;
    LRESULT ButtonProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseMove(LPARAM lParam);
    LRESULT OnMouseLeave();
    LRESULT OnButtonDown();
    LRESULT OnButtonUp();
    LRESULT OnCaptureChanged();
    bool PointerInside(LPARAM lParam) const noexcept;
    void Redraw() const noexcept;

    Bitmap m_glyph;
    int m_spacing = 4;
    int m_margin = -1;
    bool m_flat = true;
    bool m_hot = false;
    bool m_down = false;
    bool m_pressed = false;
};

}  // namespace cs
