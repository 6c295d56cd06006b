#include "framework/ToolBar.h"

#include <algorithm>

namespace cs {

ToolButton::ToolButton(Component* owner) : Component(owner) {
    NotifyInsertion();
}

ToolButton::~ToolButton() {
    if (m_toolBar) m_toolBar->RemoveButton(this);
}

int ToolButton::Index() const noexcept {
    if (!m_toolBar) return -1;
    const auto& buttons = m_toolBar->Buttons();
    const auto found = std::find(buttons.begin(), buttons.end(), this);
    return found == buttons.end() ? -1 : static_cast<int>(found - buttons.begin());
}

ToolBar::~ToolBar() {
    for (ToolButton* button : m_buttons) button->m_toolBar = nullptr;
}

void ToolBar::AddButton(ToolButton* button) {
    if (!button || button->m_toolBar == this) return;
    if (button->m_toolBar) button->m_toolBar->RemoveButton(button);
    m_buttons.push_back(button);
    button->m_toolBar = this;
}

void ToolBar::RemoveButton(ToolButton* button) noexcept {
    std::erase(m_buttons, button);
    if (button && button->m_toolBar == this) button->m_toolBar = nullptr;
}

bool ToolBar::DrawButton(ToolButton& button, HDC dc, UINT state) {
    Canvas canvas(dc);
    m_canvas = &canvas;
    bool defaultDraw = true;
    try {
        OnCustomDrawButton(*this, button, state, defaultDraw);
    } catch (...) {
        m_canvas = nullptr;
        throw;
    }
    m_canvas = nullptr;
    if (!defaultDraw) return false;
    const RECT& bounds = button.BoundsRect();
    canvas.FillRect(bounds, kColorBtnFace);
    if (button.Style() != ToolButtonStyle::Separator &&
        button.Style() != ToolButtonStyle::Divider) {
        RECT text = bounds;
        ::SetBkMode(dc, TRANSPARENT);
        ::DrawTextA(dc, button.Caption().c_str(), -1, &text,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    return true;
}

}  // namespace cs
