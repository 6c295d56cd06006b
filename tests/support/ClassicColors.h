#pragma once
// The classic Windows colour scheme, for tests whose expected pixels were worked out by hand.
#include <windows.h>

namespace cs::test {

inline constexpr COLORREF kBtnFace = RGB(212, 208, 200);
inline constexpr COLORREF kHighlight = RGB(10, 36, 106);
inline constexpr COLORREF kBtnShadow = RGB(128, 128, 128);
inline constexpr COLORREF kMenu = RGB(212, 208, 200);
inline constexpr COLORREF kMenuText = RGB(0, 0, 0);

// Sets the classic scheme's system colours for as long as it lives; the old ones come back after.
class ClassicColors {
public:
    ClassicColors() {
        for (int i = 0; i < kCount; ++i) m_old[i] = ::GetSysColor(kIndexes[i]);
        ::SetSysColors(kCount, kIndexes, kClassic);
    }
    ~ClassicColors() { ::SetSysColors(kCount, kIndexes, m_old); }
    ClassicColors(const ClassicColors&) = delete;
    ClassicColors& operator=(const ClassicColors&) = delete;

private:
    static constexpr int kCount = 5;
    static constexpr INT kIndexes[kCount] = {COLOR_BTNFACE, COLOR_HIGHLIGHT, COLOR_BTNSHADOW,
                                             COLOR_MENU, COLOR_MENUTEXT};
    static constexpr COLORREF kClassic[kCount] = {kBtnFace, kHighlight, kBtnShadow, kMenu,
                                                  kMenuText};
    COLORREF m_old[kCount] = {};
};

}  // namespace cs::test
