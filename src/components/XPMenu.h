#pragma once
#include <windows.h>

#include <string>

#include "framework/Component.h"
#include "framework/Graphics.h"
#include "framework/Menus.h"
#include "framework/ToolBar.h"

namespace cs {

class Form;

// A non-visual component that gives every menu of its form a flat look while Active is on: it
// switches the form's menus to owner drawing and attaches its own measure and draw handlers to
// every item, and gives the form's tool bars a button painter of the same style.
class TXPMenu : public Component {
public:
    // The colours one paint actually uses, resolved from the properties at its start.
    struct PaintColors {
        Color Background;         // item background
        Color IconColumn;         // icon column, open menu-bar item, gradient base
        Color SelectFill;         // selection box; base of a glyph's shadow
        Color SelectFrame;        // selection box frame, radio dot frame
        Color SelectText;         // text of the selected item
        Color CheckFrame;         // check box frame
        Color CheckFill;          // check box or radio dot
        Color CheckFillSelected;  // the same on a selected item
        Color BarFill;            // menu-bar items
        Color DisabledText;       // text of disabled items
        Color SeparatorLine;      // separator lines
        Color FrameLine;          // outline of an open menu-bar item and of a flat frame
        Color ShadowFill;         // their shadow
    };

    // The owner is taken as the form whose menus are painted (none when it is no form).
    explicit TXPMenu(Component* owner);
    ~TXPMenu() override;

    // Published properties, in the order in which a stored design sets them.
    // The construction values stand beside each.
    const Font& GetFont() const noexcept { return m_font; }  // the system's menu font
    void SetFont(const Font& font);
    Color GetColor() const noexcept { return m_color; }  // COLOR_BTNFACE
    void SetColor(Color color) noexcept { m_color = color; }
    Color IconBackColor() const noexcept { return m_iconBackColor; }  // COLOR_BTNFACE
    void SetIconBackColor(Color color) noexcept { m_iconBackColor = color; }
    Color MenuBarColor() const noexcept { return m_menuBarColor; }  // COLOR_BTNFACE
    void SetMenuBarColor(Color color);
    Color SelectColor() const noexcept { return m_selectColor; }  // COLOR_HIGHLIGHT
    void SetSelectColor(Color color) noexcept { m_selectColor = color; }
    Color SelectBorderColor() const noexcept { return m_selectBorderColor; }  // COLOR_HIGHLIGHT
    void SetSelectBorderColor(Color color) noexcept { m_selectBorderColor = color; }
    Color SelectFontColor() const noexcept { return m_selectFontColor; }  // the Font's colour
    void SetSelectFontColor(Color color) noexcept { m_selectFontColor = color; }
    Color DisabledColor() const noexcept { return m_disabledColor; }  // COLOR_INACTIVECAPTION
    void SetDisabledColor(Color color) noexcept { m_disabledColor = color; }
    Color SeparatorColor() const noexcept { return m_separatorColor; }  // COLOR_BTNFACE
    void SetSeparatorColor(Color color) noexcept { m_separatorColor = color; }
    Color CheckedColor() const noexcept { return m_checkedColor; }  // COLOR_HIGHLIGHT
    void SetCheckedColor(Color color) noexcept { m_checkedColor = color; }
    int IconWidth() const noexcept { return m_iconWidth; }  // 24 pixels
    void SetIconWidth(int width) noexcept { m_iconWidth = width; }
    bool DrawSelect() const noexcept { return m_drawSelect; }  // true
    void SetDrawSelect(bool drawSelect) noexcept { m_drawSelect = drawSelect; }
    bool UseSystemColors() const noexcept { return m_useSystemColors; }  // true
    void SetUseSystemColors(bool use);
    bool OverrideOwnerDraw() const noexcept { return m_overrideOwnerDraw; }  // false
    void SetOverrideOwnerDraw(bool override);
    bool Gradient() const noexcept { return m_gradient; }  // false
    void SetGradient(bool gradient) noexcept { m_gradient = gradient; }
    bool FlatMenu() const noexcept { return m_flatMenu; }  // false
    void SetFlatMenu(bool flatMenu) noexcept { m_flatMenu = flatMenu; }
    bool AutoDetect() const noexcept { return m_autoDetect; }  // false
    void SetAutoDetect(bool autoDetect) noexcept { m_autoDetect = autoDetect; }
    bool Active() const noexcept { return m_active; }  // false
    void SetActive(bool active);

    Form* OwnerForm() const noexcept { return m_form; }
    // The resolution that items are measured and painted at: the form's display's. IconWidth,
    // the font and every offset of the look are given for 96 dpi and scaled to it.
    int PaintDpi() const noexcept;

    // Attaches the painter to (on) or detaches it from (off) every menu and tool bar of the form.
    void ApplyToForm(bool on);
    // Puts PaintItem and SizeItem into the item's empty slots (every slot with
    // OverrideOwnerDraw); DetachItem empties the slots that hold them, whoever they are bound to.
    void AttachItem(MenuItem& item);
    void DetachItem(MenuItem& item);
    // Attaches the painted item, its siblings and all their descendants that lack PaintItem, so
    // that items added after activation get the handlers once a neighbour is painted.
    void ReattachSiblings(MenuItem& item);

    // Fills PaintColors and DeepColor for a paint on canvas.
    void ResolveColors(const Canvas& canvas);
    const PaintColors& Colors() const noexcept { return m_colors; }
    // The canvas of the last paint had 16 or more bits per pixel.
    bool DeepColor() const noexcept { return m_deepColor; }

    // Colour arithmetic; each result is the nearest colour that the canvas's device shows.
    // Tint moves each channel p percent of the way to white (p capped at 100).
    static Color Tint(const Canvas& canvas, Color color, int percent);
    // Shade darkens by d (green by d - 2); a negative d lightens.
    static Color Shade(const Canvas& canvas, Color color, int amount);
    // GreyLevel is the grey of the channels' mean raised by d (capped at 100), at most 240.
    static Color GreyLevel(const Canvas& canvas, Color color, int amount);

    // Loads the system's menu font into font, in the menu-text colour, its height in design
    // pixels (96 dpi); on failure font stays.
    static void LoadMenuFont(Font& font);
    // The size of the picture that PaintItem draws for the item; for an item off the menu bar
    // at least IconWidth wide.
    SIZE GlyphExtent(const MenuItem& item) const;
    // The measure handler: width and height come in with the framework's measure, never shrink.
    void SizeItem(MenuItem& item, Canvas& canvas, int& width, int& height);

    // Item painting (XPMenuPaint.cpp)
    // The draw handler: the whole item on canvas, inside rect as the platform gives it.
    void PaintItem(MenuItem& item, Canvas& canvas, const RECT& rect, bool selected);
    // A selected menu-bar item, or a pressed tool button with a menu.
    void PaintOpenBarItem(Component& sender, Canvas& canvas, bool rightToLeft, const RECT& rect);
    void PaintCheckMark(MenuItem& item, bool selected, const RECT& check, Canvas& canvas,
                        bool imageList);
    void PaintGlyph(Component& sender, Canvas& canvas, bool rightToLeft, bool barItem, bool checked,
                    bool enabled, bool pressed, bool selected, const RECT& rect, Bitmap& glyph);
    void PaintCaption(const std::string& text, const std::string& shortcut, UINT format,
                      bool rightToLeft, bool barItem, bool isDefault, bool enabled, bool selected,
                      RECT rect, Canvas& canvas);
    Color ReadableTextColor(const Canvas& canvas, Color background) const;
    void PaintGradient(Canvas& canvas, const RECT& rect, bool rightToLeft);
    void PaintFlatFrame(HWND window, bool rightToLeft);
    // The button custom-draw handler given to tool bars.
    void PaintToolButton(ToolBar& toolBar, ToolButton& button, UINT state, bool& defaultDraw);
    // End of item painting

protected:
    void Notification(Component* component, Operation operation) override;

private:
    void RedrawMenuBar() const;
    void ApplyToItemTree(MenuItem& item, bool on);

    Form* m_form;
    Font m_font;
    Color m_color = kColorBtnFace;
    Color m_iconBackColor = kColorBtnFace;
    Color m_menuBarColor = kColorBtnFace;
    Color m_selectColor = kColorHighlight;
    Color m_selectBorderColor = kColorHighlight;
    Color m_selectFontColor;
    Color m_disabledColor = kColorInactiveCaption;
    Color m_separatorColor = kColorBtnFace;
    Color m_checkedColor = kColorHighlight;
    int m_iconWidth = 24;
    bool m_drawSelect = true;
    bool m_useSystemColors = true;
    bool m_overrideOwnerDraw = false;
    bool m_gradient = false;
    bool m_flatMenu = false;
    bool m_autoDetect = false;
    bool m_active = false;

    bool m_deepColor = false;
    PaintColors m_colors{};
};

}  // namespace cs
