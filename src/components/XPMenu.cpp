#include "components/XPMenu.h"

#include <vector>

#include "core/MenuColors.h"
#include "core/MenuMeasure.h"
#include "framework/Form.h"
#include "framework/ImageList.h"
#include "platform/Dpi.h"

namespace cs {

namespace {

constexpr Color kColorSilver = Color::Rgb(192, 192, 192);
constexpr Color kColorBtnShadow = Color::System(COLOR_BTNSHADOW);
constexpr Color kColorMenu = Color::System(COLOR_MENU);

Rgb ToRgb(Color color) noexcept {
    const COLORREF value = color.ToColorRef();
    return {GetRValue(value), GetGValue(value), GetBValue(value)};
}

// The colour that the canvas's device shows for rgb.
Color Nearest(const Canvas& canvas, Rgb rgb) {
    const COLORREF wanted = RGB(rgb.R, rgb.G, rgb.B);
    COLORREF shown = ::GetNearestColor(canvas.Handle(), wanted);
    if (shown == CLR_INVALID) shown = wanted;
    return Color::Rgb(GetRValue(shown), GetGValue(shown), GetBValue(shown));
}

}  // namespace

TXPMenu::TXPMenu(Component* owner) : Component(owner), m_form(dynamic_cast<Form*>(owner)) {
    LoadMenuFont(m_font);
    m_selectFontColor = m_font.GetColor();
}

TXPMenu::~TXPMenu() {
    // The form's menus still exist: a form destroys its components the last created first,
    // and the painter comes after the menus.
    ApplyToForm(false);
}

// ---- Properties -----------------------------------------------------------------------------

void TXPMenu::SetFont(const Font& font) {
    m_font.Assign(font);
    RedrawMenuBar();
}

void TXPMenu::SetMenuBarColor(Color color) {
    m_menuBarColor = color;
    RedrawMenuBar();
}

void TXPMenu::SetUseSystemColors(bool use) {
    m_useSystemColors = use;
    RedrawMenuBar();
}

void TXPMenu::SetOverrideOwnerDraw(bool override) {
    m_overrideOwnerDraw = override;
    if (m_active) SetActive(true);  // attaches afresh under the new rule
}

void TXPMenu::SetActive(bool active) {
    m_active = active;
    ApplyToForm(false);
    if (active) ApplyToForm(true);
    RedrawMenuBar();
}

int TXPMenu::PaintDpi() const noexcept {
    return m_form ? m_form->Dpi() : kDesignPixelsPerInch;
}

void TXPMenu::RedrawMenuBar() const {
    // A window without a menu bar would only have its frame laid out again.
    if (m_form && m_form->Handle() && ::GetMenu(m_form->Handle())) ::DrawMenuBar(m_form->Handle());
}

// ---- Attaching ------------------------------------------------------------------------------

void TXPMenu::ApplyToForm(bool on) {
    if (!m_form) return;
    for (Component* component : std::vector<Component*>(m_form->Components())) {
        if (auto* menu = dynamic_cast<Menu*>(component)) {
            // Owner drawing goes with the items: a menu without items keeps its setting.
            for (MenuItem* item : std::vector<MenuItem*>(menu->Items().Items())) {
                menu->SetOwnerDraw(on);
                ApplyToItemTree(*item, on);
            }
        }
        if (auto* toolBar = dynamic_cast<ToolBar*>(component); toolBar && !Designing()) {
            if (!toolBar->Flat()) toolBar->SetFlat(true);
            auto& handler = toolBar->OnCustomDrawButton;
            if (on) {
                if (toolBar->ButtonCount() > 0 && (!handler || m_overrideOwnerDraw))
                    handler = ToolButtonDrawEvent::Bind<&TXPMenu::PaintToolButton>(this);
            } else if (handler.Is<&TXPMenu::PaintToolButton>()) {
                handler = {};
            }
        }
    }
}

void TXPMenu::ApplyToItemTree(MenuItem& item, bool on) {
    if (on)
        AttachItem(item);
    else
        DetachItem(item);
    for (MenuItem* child : std::vector<MenuItem*>(item.Items())) ApplyToItemTree(*child, on);
}

void TXPMenu::AttachItem(MenuItem& item) {
    // The two slots are independent: an item that draws itself may still be measured here.
    if (!item.OnDrawItem || m_overrideOwnerDraw)
        item.OnDrawItem = DrawItemEvent::Bind<&TXPMenu::PaintItem>(this);
    if (!item.OnMeasureItem || m_overrideOwnerDraw)
        item.OnMeasureItem = MeasureItemEvent::Bind<&TXPMenu::SizeItem>(this);
}

void TXPMenu::DetachItem(MenuItem& item) {
    // Any painter's handlers go, not just this one's; handlers of other origin stay.
    if (item.OnDrawItem.Is<&TXPMenu::PaintItem>()) item.OnDrawItem = {};
    if (item.OnMeasureItem.Is<&TXPMenu::SizeItem>()) item.OnMeasureItem = {};
}

void TXPMenu::ReattachSiblings(MenuItem& item) {
    const auto attach = [this](auto& self, MenuItem& each) -> void {
        if (!each.OnDrawItem.Is<&TXPMenu::PaintItem>()) AttachItem(each);
        for (MenuItem* child : std::vector<MenuItem*>(each.Items())) self(self, *child);
    };
    if (MenuItem* parent = item.Parent()) {
        for (MenuItem* sibling : std::vector<MenuItem*>(parent->Items())) attach(attach, *sibling);
    } else {
        attach(attach, item);
    }
}

void TXPMenu::Notification(Component* component, Operation operation) {
    Component::Notification(component, operation);
    if (operation != Operation::Insert || !m_autoDetect) return;
    if (dynamic_cast<MenuItem*>(component) || dynamic_cast<ToolButton*>(component)) SetActive(true);
}

// ---- Colours --------------------------------------------------------------------------------

void TXPMenu::ResolveColors(const Canvas& canvas) {
    m_deepColor = canvas.BitsPerPixel() >= 16;
    PaintColors& c = m_colors;
    c.Background = m_color;
    c.IconColumn = m_iconBackColor;
    c.SelectFill = m_selectColor;
    if (m_deepColor) {
        c.CheckFill = Tint(canvas, m_selectColor, 75);
        c.CheckFillSelected = Tint(canvas, m_selectColor, 50);
        c.FrameLine = Shade(canvas, kColorBtnFace, 90);
        c.ShadowFill = Shade(canvas, kColorBtnFace, 76);
    } else {
        c.CheckFill = kColorWhite;
        c.CheckFillSelected = kColorSilver;
        c.FrameLine = c.ShadowFill = kColorBtnShadow;
    }
    c.SelectFrame = m_selectBorderColor;
    c.SelectText = m_selectFontColor;
    c.BarFill = m_menuBarColor;
    c.DisabledText = m_disabledColor;
    c.CheckFrame = m_checkedColor;
    c.SeparatorLine = m_separatorColor;
    if (!m_useSystemColors) return;

    // A change of the user's scheme or menu font shows at the next paint.
    LoadMenuFont(m_font);
    c.SelectText = m_font.GetColor();
    c.SelectFrame = kColorHighlight;
    c.CheckFrame = kColorHighlight;
    if (HighContrastOn()) {
        // The scheme's own colours, untinted: a tint of a dark scheme's face would put its
        // light text on a light ground. The tick is drawn in black, so its box stays white.
        c.Background = c.IconColumn = c.BarFill = c.ShadowFill = kColorMenu;
        c.SelectFill = kColorHighlight;
        c.SelectText = Color::System(COLOR_HIGHLIGHTTEXT);
        c.DisabledText = Color::System(COLOR_GRAYTEXT);
        c.SeparatorLine = c.FrameLine = c.CheckFrame = kColorMenuText;
        c.CheckFill = c.CheckFillSelected = kColorWhite;
        return;
    }
    if (m_deepColor) {
        c.Background = Tint(canvas, kColorBtnFace, 86);
        c.IconColumn = Tint(canvas, kColorBtnFace, 16);
        c.SelectFill = Tint(canvas, kColorHighlight, 68);
        c.BarFill = kColorMenu;
        c.DisabledText = Tint(canvas, kColorBtnShadow, 10);
        c.SeparatorLine = Tint(canvas, kColorBtnShadow, 25);
        c.CheckFill = Tint(canvas, kColorHighlight, 75);
        c.CheckFillSelected = Tint(canvas, kColorHighlight, 50);
    } else {
        // Few colours: plain white and the system's own instead of tints that would dither.
        c.Background = kColorWhite;
        c.IconColumn = kColorBtnFace;
        c.SelectFill = kColorWhite;
        c.BarFill = kColorBtnFace;
        c.DisabledText = kColorBtnShadow;
        c.SeparatorLine = kColorBtnShadow;
        c.CheckFill = kColorWhite;
        c.CheckFillSelected = kColorWhite;
    }
}

Color TXPMenu::Tint(const Canvas& canvas, Color color, int percent) {
    return Nearest(canvas, TintRgb(ToRgb(color), percent));
}

Color TXPMenu::Shade(const Canvas& canvas, Color color, int amount) {
    return Nearest(canvas, ShadeRgb(ToRgb(color), amount));
}

Color TXPMenu::GreyLevel(const Canvas& canvas, Color color, int amount) {
    return Nearest(canvas, GreyLevelRgb(ToRgb(color), amount));
}

// ---- Font and measuring ---------------------------------------------------------------------

void TXPMenu::LoadMenuFont(Font& font) {
    NONCLIENTMETRICSA metrics{};
    if (!ReadNonClientMetrics(metrics)) return;
    const LOGFONTA& menu = metrics.lfMenuFont;
    font.SetName(menu.lfFaceName);
    // The system gives it at its own resolution; painting scales it to the menu's.
    font.SetHeight(::MulDiv(menu.lfHeight, kDesignPixelsPerInch, SystemDpi()));
    font.SetCharset(menu.lfCharSet);
    font.SetStyle((menu.lfWeight >= FW_BOLD ? FontStyle::Bold : 0u) |
                  (menu.lfItalic ? FontStyle::Italic : 0u) |
                  (menu.lfUnderline ? FontStyle::Underline : 0u) |
                  (menu.lfStrikeOut ? FontStyle::StrikeOut : 0u));
    font.SetColor(kColorMenuText);
    // A bitmap font that draws poorly in other sizes; Tahoma is the outline font made to its
    // metrics.
    if (font.Name() == "MS Sans Serif") font.SetName("Tahoma");
}

SIZE TXPMenu::GlyphExtent(const MenuItem& item) const {
    bool barItem = false;
    const MainMenu* mainMenu = m_form ? m_form->Menu() : nullptr;
    if (const Component* parent = item.GetParentComponent(); parent && mainMenu) {
        // By name, as a stored design links them; an unnamed menu is matched by itself only.
        barItem =
            parent == mainMenu || (!parent->Name().empty() && parent->Name() == mainMenu->Name());
    }
    const Menu* menu = item.GetParentMenu();
    const MenuItem* parentItem = item.Parent();
    const ImageList* images = parentItem && parentItem->SubMenuImages()
                                  ? parentItem->SubMenuImages()
                                  : (menu ? menu->Images() : nullptr);
    SIZE size{};
    if (images && item.ImageIndex() != -1) {
        size = {images->Width(), images->Height()};
    } else if (item.GetBitmap().Width() >= 1) {
        size = {item.GetBitmap().Width(), item.GetBitmap().Height()};
    }
    size.cx = ReservedGlyphWidth(size.cx, barItem, ::MulDiv(m_iconWidth, PaintDpi(), 96));
    return size;
}

void TXPMenu::SizeItem(MenuItem& item, Canvas& canvas, int& width, int& height) {
    if (!m_active) return;
    const std::string text = MeasureText(item.Caption(), ShortCutToText(item.ShortCut()));
    // The font as it stands: before the first paint with system colours, the stored one.
    m_font.SetPixelsPerInch(PaintDpi());
    canvas.SetFont(m_font);
    const SIZE glyph = GlyphExtent(item);
    ItemMetrics metrics;
    metrics.Separator = item.IsLine();
    metrics.TextWidth = canvas.TextWidth(text);
    // The prefix character is not drawn; one is subtracted however many there are.
    metrics.AmpersandWidth = text.find('&') != std::string::npos ? canvas.TextWidth("&") : 0;
    metrics.TextHeight = canvas.TextHeight(text);
    metrics.GlyphWidth = glyph.cx;
    metrics.GlyphHeight = glyph.cy;
    metrics.Dpi = PaintDpi();
    FitItemSize(metrics, width, height);
}

}  // namespace cs
