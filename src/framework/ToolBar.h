#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "framework/Component.h"
#include "framework/Event.h"
#include "framework/Graphics.h"

namespace cs {

class ImageList;
class PopupMenu;
class ToolBar;

enum class ToolButtonStyle { Button, Check, DropDown, Separator, Divider };

// One button of a tool bar. Buttons are components of their form; their tool bar is the one
// they were added to.
class ToolButton : public Component {
public:
    explicit ToolButton(Component* owner);
    ~ToolButton() override;

    const std::string& Caption() const noexcept { return m_caption; }
    void SetCaption(std::string caption) { m_caption = std::move(caption); }
    ToolButtonStyle Style() const noexcept { return m_style; }
    void SetStyle(ToolButtonStyle style) noexcept { m_style = style; }
    int ImageIndex() const noexcept { return m_imageIndex; }
    void SetImageIndex(int index) noexcept { m_imageIndex = index; }
    bool Down() const noexcept { return m_down; }
    void SetDown(bool down) noexcept { m_down = down; }
    bool Enabled() const noexcept { return m_enabled; }
    void SetEnabled(bool enabled) noexcept { m_enabled = enabled; }
    // A free number for the program's own use.
    int Tag() const noexcept { return m_tag; }
    void SetTag(int tag) noexcept { m_tag = tag; }
    // The menu that the button opens, or nullptr.
    PopupMenu* DropdownMenu() const noexcept { return m_menu; }
    void SetDropdownMenu(PopupMenu* menu) noexcept { m_menu = menu; }
    // The button's place on its tool bar's drawing surface.
    const RECT& BoundsRect() const noexcept { return m_bounds; }
    void SetBoundsRect(const RECT& bounds) noexcept { m_bounds = bounds; }

    ToolBar* Parent() const noexcept { return m_toolBar; }
    // The button's place among its tool bar's buttons, or -1.
    int Index() const noexcept;

private:
    friend class ToolBar;
    std::string m_caption;
    ToolButtonStyle m_style = ToolButtonStyle::Button;
    int m_imageIndex = -1;
    bool m_down = false;
    bool m_enabled = true;
    int m_tag = 0;
    PopupMenu* m_menu = nullptr;
    RECT m_bounds{};
    ToolBar* m_toolBar = nullptr;
};

// OnCustomDrawButton(tool bar, button, CDIS_ state flags, default drawing in/out): a handler
// that paints the button itself clears the last argument.
using ToolButtonDrawEvent = Event<ToolBar&, ToolButton&, UINT, bool&>;

// The least of a tool bar: its buttons, a flat look, an image list and a custom-draw slot for
// its buttons. This program places none; the menu painter styles any it finds.
class ToolBar : public Component {
public:
    explicit ToolBar(Component* owner) : Component(owner) {}
    ~ToolBar() override;

    bool Flat() const noexcept { return m_flat; }
    void SetFlat(bool flat) noexcept { m_flat = flat; }
    bool Transparent() const noexcept { return m_transparent; }
    void SetTransparent(bool transparent) noexcept { m_transparent = transparent; }
    ImageList* Images() const noexcept { return m_images; }
    void SetImages(ImageList* images) noexcept { m_images = images; }

    const std::vector<ToolButton*>& Buttons() const noexcept { return m_buttons; }
    int ButtonCount() const noexcept { return static_cast<int>(m_buttons.size()); }
    void AddButton(ToolButton* button);
    void RemoveButton(ToolButton* button) noexcept;

    // While a button is being drawn: the canvas on the drawing context, else nullptr.
    Canvas* GetCanvas() const noexcept { return m_canvas; }
    // Draws one button on dc in the given CDIS_ state: the handler first, then, unless it
    // cleared its default-drawing flag, the plain face. True when the plain face was drawn.
    bool DrawButton(ToolButton& button, HDC dc, UINT state);

    ToolButtonDrawEvent OnCustomDrawButton;

private:
    bool m_flat = false;
    bool m_transparent = false;
    ImageList* m_images = nullptr;
    std::vector<ToolButton*> m_buttons;
    Canvas* m_canvas = nullptr;
};

}  // namespace cs
