#pragma once
#include <windows.h>

#include <string>

#include "framework/Control.h"

namespace cs {

enum class Alignment { Left, Right, Center };

// A line of text: a STATIC window painted on its parent's colour in its font's colour.
// "&&" in the caption shows as "&" unless ShowAccelChar is off.
class Label : public Control {
public:
    explicit Label(Component* owner);

    Alignment GetAlignment() const noexcept { return m_alignment; }
    void SetAlignment(Alignment alignment);
    // The label's width follows its caption and font (a right-aligned label keeps its right
    // edge); its height grows to the text's but never shrinks below the height it was given.
    bool AutoSize() const noexcept { return m_autoSize; }
    void SetAutoSize(bool autoSize);
    // Drawn straight on the parent's background rather than on the label's own colour.
    bool Transparent() const noexcept { return m_transparent; }
    void SetTransparent(bool transparent);
    bool ShowAccelChar() const noexcept { return m_showAccelChar; }
    void SetShowAccelChar(bool show);
    bool WordWrap() const noexcept { return m_wordWrap; }
    void SetWordWrap(bool wordWrap);
    void SetBounds(int left, int top, int width, int height) override;
    void DpiChanged() override;

protected:
    void CreateParams(WindowParams& params) const override;
    HBRUSH ChildColor(HDC dc) override;
    void Command(WORD code) override;
    void CaptionChanged() override;
    void FontChanged() override;

private:
    DWORD TextStyle() const noexcept;
    void AdjustSize();

    Alignment m_alignment = Alignment::Left;
    bool m_autoSize = true;
    bool m_transparent = false;
    bool m_showAccelChar = true;
    bool m_wordWrap = false;
    // The height the design gave; a single line never gets less, whatever its font.
    int m_givenHeight = 0;
    bool m_adjusting = false;
};

enum class BevelCut { None, Lowered, Raised };

// A box that holds other controls, with a one-pixel bevel as its frame.
class Panel : public Control {
public:
    explicit Panel(Component* owner);

    BevelCut BevelOuter() const noexcept { return m_bevelOuter; }
    void SetBevelOuter(BevelCut bevel);
    BevelCut BevelInner() const noexcept { return m_bevelInner; }
    void SetBevelInner(BevelCut bevel);

protected:
    void CreateParams(WindowParams& params) const override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // A box of tool buttons takes the buttons' face.
    Color ContrastColor() const noexcept override { return Color::System(COLOR_BTNFACE); }
    Color ContrastTextColor() const noexcept override { return Color::System(COLOR_BTNTEXT); }

private:
    LRESULT OnPaint();

    BevelCut m_bevelOuter = BevelCut::Raised;
    BevelCut m_bevelInner = BevelCut::None;
};

// A frame with a caption around a group of controls: a BUTTON window of the group-box style. The
// controls placed on it are child windows of the frame, so their positions are relative to it.
// The caption is drawn in the font's colour on the frame's colour.
class GroupBox : public Control {
public:
    explicit GroupBox(Component* owner);
    ~GroupBox() override;

protected:
    void CreateParams(WindowParams& params) const override;
    void HandleCreated() override;
    HBRUSH ChildColor(HDC dc) override;

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self) noexcept;
    LRESULT FrameProc(UINT message, WPARAM wParam, LPARAM lParam);
};

// A one-line edit box: an EDIT window, the font's colour on the control's own colour, which is
// the system's window colour unless set. Text() is what the box holds now, typed text included.
class Edit : public Control {
public:
    explicit Edit(Component* owner);

    std::string Text() const;
    void SetText(std::string text);

protected:
    void CreateParams(WindowParams& params) const override;
    HBRUSH ChildColor(HDC dc) override;
};

// A check box: a BUTTON window that checks and clears itself when clicked. With Alignment Left
// the caption stands left and the box right of it; with Right (the default) the other way round.
class CheckBox : public Control {
public:
    explicit CheckBox(Component* owner);

    bool Checked() const;
    void SetChecked(bool checked);
    Alignment GetAlignment() const noexcept { return m_alignment; }
    void SetAlignment(Alignment alignment);

protected:
    void CreateParams(WindowParams& params) const override;
    void HandleCreated() override;
    HBRUSH ChildColor(HDC dc) override;

private:
    DWORD SideStyle() const noexcept;

    Alignment m_alignment = Alignment::Right;
    bool m_checked = false;
};

}  // namespace cs
