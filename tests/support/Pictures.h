#pragma once
// High Contrast schemes for a test, and the pictures it paints kept for a person to look at.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "framework/Control.h"

namespace cs::test {

// Sets system colours and turns the program's High Contrast mode on for as long as it lives;
// the old colours, and the system's say over the mode, come back after.
class HighContrastScheme {
public:
    explicit HighContrastScheme(std::vector<std::pair<int, COLORREF>> colors) {
        for (const auto& [index, color] : colors) {
            m_indexes.push_back(index);
            m_colors.push_back(color);
            m_old.push_back(::GetSysColor(index));
        }
        ::SetSysColors(static_cast<int>(m_indexes.size()), m_indexes.data(), m_colors.data());
        OverrideHighContrast(true);
    }
    ~HighContrastScheme() {
        OverrideHighContrast(std::nullopt);
        ::SetSysColors(static_cast<int>(m_indexes.size()), m_indexes.data(), m_old.data());
    }
    HighContrastScheme(const HighContrastScheme&) = delete;
    HighContrastScheme& operator=(const HighContrastScheme&) = delete;

private:
    std::vector<INT> m_indexes;
    std::vector<COLORREF> m_colors;
    std::vector<COLORREF> m_old;
};

// Writes width x height pixels of what dc holds as a .bmp file named name in the folder that
// CS_SHOT_DIR names (a Windows path); nothing when it is not set. False when it cannot be written.
bool SaveShotIfAsked(HDC dc, int width, int height, const std::string& name);

}  // namespace cs::test
