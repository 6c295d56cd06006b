#include "framework/Menus.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <string>

#include "core/Exception.h"
#include "framework/ImageList.h"
#include "framework/Window.h"

namespace cs {

namespace {

// Command identifiers are 16 bits wide in WM_COMMAND; 0 and the low ones are left to dialogs.
constexpr UINT kFirstCommand = 100;
constexpr UINT kLastCommand = 0xFFFF;

std::map<UINT, MenuItem*>& Commands() {
    static std::map<UINT, MenuItem*> commands;
    return commands;
}

std::map<HMENU, MenuItem*>& Submenus() {
    static std::map<HMENU, MenuItem*> submenus;
    return submenus;
}

UINT AllocateCommand(MenuItem* item) {
    static UINT next = kFirstCommand;
    auto& commands = Commands();
    if (commands.size() > kLastCommand - kFirstCommand) throw Exception("Too many menu items");
    while (commands.contains(next)) next = next == kLastCommand ? kFirstCommand : next + 1;
    const UINT command = next;
    commands.emplace(command, item);
    next = next == kLastCommand ? kFirstCommand : next + 1;
    return command;
}

// The item that a WM_MEASUREITEM or WM_DRAWITEM is about, if it is still one of ours. The data is
// only compared, never followed: the message may come from anywhere.
MenuItem* ItemOf(UINT command, ULONG_PTR data) noexcept {
    MenuItem* item = MenuItem::FromCommand(command);
    return item && item->ItemData() == data ? item : nullptr;
}

// The system's menu font, for measuring and drawing an item that has no handler of its own.
unique_hfont CreateMenuFont() {
    NONCLIENTMETRICSA metrics{};
    if (!ReadNonClientMetrics(metrics)) return unique_hfont();
    return unique_hfont(::CreateFontIndirectA(&metrics.lfMenuFont));
}

void MeasureMenuItem(MenuItem& item, MEASUREITEMSTRUCT& measure) {
    const WindowDc screen(nullptr);
    const unique_hfont font = CreateMenuFont();
    const SelectGuard select(
        screen.dc(), font ? static_cast<HGDIOBJ>(font.get()) : ::GetStockObject(DEFAULT_GUI_FONT));
    Canvas canvas(screen.dc());
    int width = 0;
    int height = 0;
    if (item.IsLine()) {
        height = ::GetSystemMetrics(SM_CYMENU) / 2;
    } else {
        RECT text{};
        ::DrawTextA(screen.dc(), item.Caption().c_str(), -1, &text, DT_CALCRECT | DT_SINGLELINE);
        width = text.right - text.left + 2 * ::GetSystemMetrics(SM_CXMENUCHECK);
        height = std::max<int>(text.bottom - text.top + 4, ::GetSystemMetrics(SM_CYMENU));
    }
    item.OnMeasureItem(item, canvas, width, height);
    measure.itemWidth = static_cast<UINT>(std::max(width, 0));
    measure.itemHeight = static_cast<UINT>(std::max(height, 0));
}

void DrawMenuItem(MenuItem& item, const DRAWITEMSTRUCT& draw) {
    Canvas canvas(draw.hDC);
    const bool selected = (draw.itemState & ODS_SELECTED) != 0;
    if (item.OnDrawItem) {
        item.OnDrawItem(item, canvas, draw.rcItem, selected);
        return;
    }
    // No painter: a plain item in the system's colours.
    RECT rect = draw.rcItem;
    canvas.FillRect(rect, Color::System(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
    if (item.IsLine()) {
        rect.top += (rect.bottom - rect.top) / 2 - 1;
        ::DrawEdge(draw.hDC, &rect, EDGE_ETCHED, BF_TOP);
        return;
    }
    const unique_hfont font = CreateMenuFont();
    const SelectGuard select(
        draw.hDC, font ? static_cast<HGDIOBJ>(font.get()) : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(draw.hDC, TRANSPARENT);
    const int textColor = !item.Enabled() ? COLOR_GRAYTEXT
                          : selected      ? COLOR_HIGHLIGHTTEXT
                                          : COLOR_MENUTEXT;
    ::SetTextColor(draw.hDC, ::GetSysColor(textColor));
    const int check = ::GetSystemMetrics(SM_CXMENUCHECK);
    if (item.Checked()) {
        RECT mark{rect.left + check / 3, rect.top + (rect.bottom - rect.top) / 2 - 2,
                  rect.left + check / 3 + 5, rect.top + (rect.bottom - rect.top) / 2 + 3};
        canvas.FillRect(mark, Color::System(textColor));
    }
    rect.left += check + 2;
    ::DrawTextA(draw.hDC, item.Caption().c_str(), -1, &rect, DT_SINGLELINE | DT_VCENTER);
}

LRESULT MenuChar(char key, HMENU menu) {
    MenuItem* parent = MenuItem::FromSubmenu(menu);
    if (!parent) return MAKELRESULT(0, MNC_IGNORE);
    // CharUpperA takes a single character in the low word of its pointer argument.
    const auto upper = [](char c) {
        const auto single = static_cast<UINT_PTR>(static_cast<unsigned char>(c));
        return reinterpret_cast<UINT_PTR>(::CharUpperA(reinterpret_cast<char*>(single)));
    };
    for (int i = 0; i < parent->Count(); ++i) {
        const MenuItem* item = parent->Item(i);
        const char accessKey = AccessKeyOf(item->Caption());
        if (item->Enabled() && accessKey && upper(accessKey) == upper(key))
            return MAKELRESULT(i, MNC_EXECUTE);
    }
    return MAKELRESULT(0, MNC_IGNORE);
}

// The hidden window that owns every pop-up menu while it is shown and receives its messages.
int g_popupMenus = 0;
HWND g_popupWindow = nullptr;

LRESULT CALLBACK PopupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    LRESULT result = 0;
    bool handled = false;
    Guarded([&] { handled = HandleMenuMessage(window, message, wParam, lParam, result); });
    return handled ? result : ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool ReadNonClientMetrics(NONCLIENTMETRICSA& metrics) noexcept {
    // With WINVER 0x0600 and later the structure ends in iPaddedBorderWidth, a size that
    // systems before Vista reject; the part before it is the same everywhere.
    constexpr UINT kSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
    static_assert(kSize == 340);
    metrics = {};
    metrics.cbSize = kSize;
    return ::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, kSize, &metrics, 0) != FALSE;
}

std::string ShortCutToText(int shortCut) {
    const int key = shortCut & 0xFF;
    if (key == 0) return {};
    std::string name;
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) {
        name = static_cast<char>(key);
    } else if (key >= VK_F1 && key <= VK_F24) {
        name = "F" + std::to_string(key - VK_F1 + 1);
    } else {
        static const std::map<int, const char*> kNames = {
            {VK_BACK, "BkSp"},   {VK_TAB, "Tab"},    {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"},
            {VK_SPACE, "Space"}, {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"},    {VK_END, "End"},
            {VK_HOME, "Home"},   {VK_LEFT, "Left"},  {VK_UP, "Up"},        {VK_RIGHT, "Right"},
            {VK_DOWN, "Down"},   {VK_INSERT, "Ins"}, {VK_DELETE, "Del"}};
        const auto found = kNames.find(key);
        if (found == kNames.end()) return {};
        name = found->second;
    }
    std::string text;
    if (shortCut & MenuItem::kShift) text += "Shift+";
    if (shortCut & MenuItem::kCtrl) text += "Ctrl+";
    if (shortCut & MenuItem::kAlt) text += "Alt+";
    return text + name;
}

std::string PlainCaption(const std::string& caption) {
    std::string text;
    text.reserve(caption.size());
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && ++i == caption.size()) break;  // a mark at the end marks nothing
        text += caption[i];
    }
    return text;
}

char AccessKeyOf(const std::string& caption) noexcept {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] != '&') return caption[i + 1];
        ++i;  // "&&" is a plain "&"
    }
    return 0;
}

// ---- MenuItem -------------------------------------------------------------------------------

MenuItem::MenuItem(Component* owner) : Component(owner), m_command(AllocateCommand(this)) {
    m_data.Accessible.dwMSAASignature = static_cast<DWORD>(MSAA_MENU_SIG);
    m_data.Item = this;
    UpdateAccessibleName();
    NotifyInsertion();
}

MenuItem::~MenuItem() {
    for (MenuItem* child : m_items) child->m_parent = nullptr;
    ReleaseHandle();
    m_items.clear();
    if (m_parent) m_parent->Remove(this);
    Commands().erase(m_command);
}

MenuItem* MenuItem::FromCommand(UINT command) noexcept {
    const auto found = Commands().find(command);
    return found == Commands().end() ? nullptr : found->second;
}

MenuItem* MenuItem::FromSubmenu(HMENU submenu) noexcept {
    const auto found = Submenus().find(submenu);
    return found == Submenus().end() ? nullptr : found->second;
}

void MenuItem::MakeRoot(Menu* menu, bool bar) {
    m_menu = menu;
    m_bar = bar;
    EnsureHandle();
}

void MenuItem::EnsureHandle() {
    if (m_handle) return;
    HMENU handle = m_bar ? ::CreateMenu() : ::CreatePopupMenu();
    if (!handle) throw Exception("Cannot create menu");
    m_handle.reset(handle);
    Submenus()[handle] = this;
}

void MenuItem::ReleaseHandle() noexcept {
    if (!m_handle) return;
    // Detach the sub-items' own submenus first: DestroyMenu would destroy them too.
    for (int i = ::GetMenuItemCount(m_handle.get()) - 1; i >= 0; --i)
        ::RemoveMenu(m_handle.get(), static_cast<UINT>(i), MF_BYPOSITION);
    Submenus().erase(m_handle.get());
    m_handle.reset();
}

void MenuItem::Insert(int index, MenuItem* item) {
    if (!item || item == this) return;
    if (item->m_parent) item->m_parent->Remove(item);
    index = std::clamp(index, 0, Count());
    m_items.insert(m_items.begin() + index, item);
    item->m_parent = this;
    if (!m_handle) {
        EnsureHandle();
        UpdatePlatformItem();  // our entry in our parent now opens the new submenu
    }
    item->UpdatePlatformItem(true);
    MenuChanged();
}

void MenuItem::Remove(MenuItem* item) {
    const int index = IndexOf(item);
    if (index < 0) return;
    if (m_handle) ::RemoveMenu(m_handle.get(), static_cast<UINT>(index), MF_BYPOSITION);
    m_items.erase(m_items.begin() + index);
    item->m_parent = nullptr;
    if (m_items.empty() && !m_menu) {
        ReleaseHandle();
        UpdatePlatformItem();
    }
    MenuChanged();
}

int MenuItem::IndexOf(const MenuItem* item) const noexcept {
    const auto found = std::find(m_items.begin(), m_items.end(), item);
    return found == m_items.end() ? -1 : static_cast<int>(found - m_items.begin());
}

Menu* MenuItem::GetParentMenu() const noexcept {
    const MenuItem* item = this;
    while (item->m_parent) item = item->m_parent;
    return item->m_menu;
}

Component* MenuItem::GetParentComponent() const noexcept {
    if (!m_parent) return nullptr;
    if (m_parent->m_menu) return m_parent->m_menu;
    return m_parent;
}

void MenuItem::SetCaption(std::string caption) {
    if (caption == m_caption) return;
    m_caption = std::move(caption);
    UpdateAccessibleName();
    UpdatePlatformItem();
    MenuChanged();
}

void MenuItem::SetChecked(bool checked) {
    if (checked == m_checked) return;
    m_checked = checked;
    if (checked && m_radioItem && m_parent) {
        for (MenuItem* sibling : m_parent->m_items) {
            if (sibling != this && sibling->m_radioItem && sibling->m_checked &&
                sibling->m_groupIndex == m_groupIndex) {
                sibling->m_checked = false;
                sibling->UpdatePlatformItem();
            }
        }
    }
    UpdatePlatformItem();
    MenuChanged();
}

void MenuItem::SetRadioItem(bool radioItem) {
    if (radioItem == m_radioItem) return;
    m_radioItem = radioItem;
    UpdatePlatformItem();
}

void MenuItem::SetGroupIndex(int groupIndex) {
    m_groupIndex = groupIndex;
}

void MenuItem::SetEnabled(bool enabled) {
    if (enabled == m_enabled) return;
    m_enabled = enabled;
    UpdatePlatformItem();
    MenuChanged();
}

void MenuItem::SetDefault(bool isDefault) {
    if (isDefault == m_default) return;
    m_default = isDefault;
    UpdatePlatformItem();
}

void MenuItem::SetSubMenuImages(ImageList* images) {
    if (images == m_subMenuImages) return;
    if (m_subMenuImages) RemoveFreeNotification(m_subMenuImages);
    m_subMenuImages = images;
    if (images) FreeNotification(images);
}

void MenuItem::Notification(Component* component, Operation operation) {
    Component::Notification(component, operation);
    if (operation == Operation::Remove && component == m_subMenuImages) m_subMenuImages = nullptr;
}

void MenuItem::Click() {
    if (!m_enabled) return;
    if (m_autoCheck) SetChecked(!m_checked);
    OnClick(*this);
}

// The platform's entry points at m_data, so the new name is read from the next request on. A
// separator has no name to read.
void MenuItem::UpdateAccessibleName() {
    m_accessibleName.clear();
    if (!IsLine()) {
        const std::string text = PlainCaption(m_caption);
        const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(),
                                                 static_cast<int>(text.size()), nullptr, 0);
        m_accessibleName.resize(static_cast<size_t>(std::max(length, 0)));
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                              m_accessibleName.data(), length);
    }
    m_data.Accessible.cchWText = static_cast<DWORD>(m_accessibleName.size());
    m_data.Accessible.pszWText = m_accessibleName.data();
}

void MenuItem::UpdatePlatformItem(bool insert) {
    if (!m_parent || !m_parent->m_handle) return;
    const Menu* menu = GetParentMenu();
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA;
    info.fType = (IsLine() ? MFT_SEPARATOR : MFT_STRING) | (m_radioItem ? MFT_RADIOCHECK : 0) |
                 (menu && menu->OwnerDraw() ? MFT_OWNERDRAW : 0);
    info.fState = (m_checked ? MFS_CHECKED : MFS_UNCHECKED) |
                  (m_enabled ? MFS_ENABLED : MFS_DISABLED) | (m_default ? MFS_DEFAULT : 0);
    info.wID = m_command;
    info.hSubMenu = m_handle.get();
    info.dwItemData = ItemData();
    // The text stays with an owner-drawn item too, for screen readers and access keys.
    std::string text = m_caption;
    if (!IsLine()) {
        info.fMask |= MIIM_STRING;
        info.dwTypeData = text.data();
        info.cch = static_cast<UINT>(text.size());
    }
    const UINT position = static_cast<UINT>(m_parent->IndexOf(this));
    if (insert)
        ::InsertMenuItemA(m_parent->m_handle.get(), position, TRUE, &info);
    else
        ::SetMenuItemInfoA(m_parent->m_handle.get(), position, TRUE, &info);
}

void MenuItem::UpdateTree() {
    for (MenuItem* child : m_items) {
        child->UpdatePlatformItem();
        child->UpdateTree();
    }
}

// Only the root's list and the items on it show on a menu bar; an item further down is
// drawn afresh whenever its menu opens.
void MenuItem::MenuChanged() const {
    if (!m_menu && !(m_parent && m_parent->m_menu)) return;
    if (const Menu* menu = GetParentMenu()) menu->Changed();
}

// ---- Menus ----------------------------------------------------------------------------------

Menu::Menu(Component* owner, bool bar) : Component(owner), m_items(new MenuItem(this)) {
    m_items->MakeRoot(this, bar);
}

void Menu::SetOwnerDraw(bool ownerDraw) {
    if (ownerDraw == m_ownerDraw) return;
    m_ownerDraw = ownerDraw;
    m_items->UpdateTree();
    Changed();
}

void Menu::Remeasure() {
    // Writing an item again drops the size the platform keeps for it.
    m_items->UpdateTree();
    Changed();
}

void Menu::SetImages(ImageList* images) {
    if (images == m_images) return;
    if (m_images) RemoveFreeNotification(m_images);
    m_images = images;
    if (images) FreeNotification(images);
}

void Menu::Notification(Component* component, Operation operation) {
    Component::Notification(component, operation);
    if (operation == Operation::Remove && component == m_images) m_images = nullptr;
}

void MainMenu::Changed() const {
    // Until the window shows this menu there is no bar to draw, and each redraw costs the
    // window a new frame.
    if (m_window && ::GetMenu(m_window) == Handle()) ::DrawMenuBar(m_window);
}

PopupMenu::PopupMenu(Component* owner) : Menu(owner, false) {
    ++g_popupMenus;
}

PopupMenu::~PopupMenu() {
    if (--g_popupMenus == 0 && g_popupWindow) {
        ::DestroyWindow(g_popupWindow);
        g_popupWindow = nullptr;
    }
}

HWND PopupMenu::WindowHandle() const noexcept {
    if (!g_popupWindow) {
        Guarded([] {
            RegisterWindowClass("CsPopupMenuWindow", PopupWindowProc);
            g_popupWindow =
                ::CreateWindowExA(WS_EX_TOOLWINDOW, "CsPopupMenuWindow", "", WS_POPUP, 0, 0, 0, 0,
                                  nullptr, nullptr, ModuleInstance(), nullptr);
        });
    }
    return g_popupWindow;
}

void PopupMenu::Popup(int x, int y) {
    OnPopup(*this);
    ::TrackPopupMenu(Handle(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, WindowHandle(), nullptr);
}

void PopupMenu::Notification(Component* component, Operation operation) {
    Menu::Notification(component, operation);
    if (operation == Operation::Remove && component == m_popupComponent) m_popupComponent = nullptr;
}

// ---- Messages -------------------------------------------------------------------------------

bool HandleMenuMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_COMMAND: {
            // A menu's command has no control window and notification code 0.
            if (lParam != 0 || HIWORD(wParam) != 0) return false;
            MenuItem* item = MenuItem::FromCommand(LOWORD(wParam));
            if (!item) return false;
            item->Click();
            result = 0;
            return true;
        }
        case WM_INITMENUPOPUP: {
            if (HIWORD(lParam)) return false;  // the window menu
            MenuItem* item = MenuItem::FromSubmenu(reinterpret_cast<HMENU>(wParam));
            if (!item || !item->Parent()) return false;
            item->Click();
            result = 0;
            return true;
        }
        case WM_MENUCHAR: {
            const MenuItem* parent = MenuItem::FromSubmenu(reinterpret_cast<HMENU>(lParam));
            const Menu* menu = parent ? parent->GetParentMenu() : nullptr;
            // The system finds the access keys of items whose text it draws itself.
            if (!menu || !menu->OwnerDraw()) return false;
            result = MenuChar(static_cast<char>(LOWORD(wParam)), reinterpret_cast<HMENU>(lParam));
            return true;
        }
        case WM_MEASUREITEM: {
            auto& measure = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            if (measure.CtlType != ODT_MENU) return false;
            MenuItem* item = ItemOf(measure.itemID, measure.itemData);
            if (!item) return false;
            MeasureMenuItem(*item, measure);
            result = TRUE;
            return true;
        }
        case WM_DRAWITEM: {
            const auto& draw = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (draw.CtlType != ODT_MENU) return false;
            MenuItem* item = ItemOf(draw.itemID, draw.itemData);
            if (!item) return false;
            DrawMenuItem(*item, draw);
            result = TRUE;
            return true;
        }
        default: return false;
    }
}

}  // namespace cs
