#pragma once
#include <windows.h>

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

private:
    LRESULT OnPaint();

    BevelCut m_bevelOuter = BevelCut::Raised;
    BevelCut m_bevelInner = BevelCut::None;
};

}  // namespace cs
