#pragma once
#include <windows.h>
#include <oleacc.h>

#include <string>
#include <vector>

#include "framework/Component.h"
#include "framework/Event.h"
#include "framework/Graphics.h"

namespace cs {

class ImageList;
class Menu;
class MenuItem;

// OnDrawItem(item, canvas, item rectangle, selected); OnMeasureItem(item, canvas, width, height)
// where width and height come in with the framework's own measure and go out as the item's size.
using DrawItemEvent = Event<MenuItem&, Canvas&, const RECT&, bool>;
using MeasureItemEvent = Event<MenuItem&, Canvas&, int&, int&>;

// The access key of a caption: the character after a single "&" ("&&" stands for "&"), or 0.
char AccessKeyOf(const std::string& caption) noexcept;

// A caption as it reads: without its access-key marks, "&&" being one "&".
std::string PlainCaption(const std::string& caption);

// The display text of a shortcut ("Shift+Ctrl+F5"); empty for 0.
std::string ShortCutToText(int shortCut);

// The system's non-client metrics, menu font included; false when the system refuses them.
// Asked for in the structure's first form, without iPaddedBorderWidth (340 bytes), the one that
// every system version accepts.
bool ReadNonClientMetrics(NONCLIENTMETRICSA& metrics) noexcept;

// One item of a menu. Items are components of their form; their place in a menu is given by
// their parent item. The platform's menu mirrors the caption, check mark, radio group, default
// and enabled state of every item, also while the menu is owner-drawn.
class MenuItem : public Component {
public:
    // What the platform's item data points to. The accessibility layer reads the name of an
    // owner-drawn item from an MSAAMENUINFO at the start of its data; the item itself follows.
    struct PlatformData {
        MSAAMENUINFO Accessible;
        MenuItem* Item;
    };

    explicit MenuItem(Component* owner);
    ~MenuItem() override;

    // "-" makes a separator line; "&" marks the access key.
    const std::string& Caption() const noexcept { return m_caption; }
    void SetCaption(std::string caption);
    bool IsLine() const noexcept { return m_caption == "-"; }
    bool Checked() const noexcept { return m_checked; }
    // Checking a radio item clears the other radio items of its group among its siblings.
    void SetChecked(bool checked);
    bool RadioItem() const noexcept { return m_radioItem; }
    void SetRadioItem(bool radioItem);
    int GroupIndex() const noexcept { return m_groupIndex; }
    void SetGroupIndex(int groupIndex);
    bool Enabled() const noexcept { return m_enabled; }
    void SetEnabled(bool enabled);
    bool Default() const noexcept { return m_default; }
    void SetDefault(bool isDefault);
    // The check mark is inverted on a click, before OnClick runs.
    bool AutoCheck() const noexcept { return m_autoCheck; }
    void SetAutoCheck(bool autoCheck) noexcept { m_autoCheck = autoCheck; }
    const std::string& Hint() const noexcept { return m_hint; }
    void SetHint(std::string hint) { m_hint = std::move(hint); }
    // The 16 x 16 picture beside the caption; the menu painter draws it.
    const Bitmap& GetBitmap() const noexcept { return m_bitmap; }
    void SetBitmap(const Bitmap& bitmap) { m_bitmap.Assign(bitmap); }
    // An image of the menu's image list instead of the bitmap; -1 for none.
    int ImageIndex() const noexcept { return m_imageIndex; }
    void SetImageIndex(int imageIndex) noexcept { m_imageIndex = imageIndex; }
    // A virtual-key code with the modifier flags of kShift, kCtrl, kAlt; 0 for none.
    int ShortCut() const noexcept { return m_shortCut; }
    void SetShortCut(int shortCut) noexcept { m_shortCut = shortCut; }
    static constexpr int kShift = 0x2000, kCtrl = 0x4000, kAlt = 0x8000;
    // An image list for the sub-items' ImageIndex, before the menu's Images; nullptr for none.
    ImageList* SubMenuImages() const noexcept { return m_subMenuImages; }
    void SetSubMenuImages(ImageList* images);

    // The item's own sub-items, in menu order.
    const std::vector<MenuItem*>& Items() const noexcept { return m_items; }
    int Count() const noexcept { return static_cast<int>(m_items.size()); }
    MenuItem* Item(int index) const { return m_items.at(static_cast<size_t>(index)); }
    void Add(MenuItem* item) { Insert(Count(), item); }
    void Insert(int index, MenuItem* item);
    void Remove(MenuItem* item);
    int IndexOf(const MenuItem* item) const noexcept;
    MenuItem* Parent() const noexcept { return m_parent; }
    // The menu that holds this item, or nullptr while it is in none.
    Menu* GetParentMenu() const noexcept;
    // The parent item, or for a top-level item the menu itself.
    Component* GetParentComponent() const noexcept;

    // The platform's submenu of this item (nullptr while it has no items); for a menu's root
    // item, the menu itself.
    HMENU Handle() const noexcept { return m_handle.get(); }
    UINT Command() const noexcept { return m_command; }
    // The data of this item's platform entry, as WM_MEASUREITEM and WM_DRAWITEM bring it.
    ULONG_PTR ItemData() const noexcept { return reinterpret_cast<ULONG_PTR>(&m_data); }

    // Raised for a command, and for an item with a submenu each time the submenu opens.
    virtual void Click();
    NotifyEvent OnClick;
    DrawItemEvent OnDrawItem;
    MeasureItemEvent OnMeasureItem;

    static MenuItem* FromCommand(UINT command) noexcept;
    static MenuItem* FromSubmenu(HMENU submenu) noexcept;

protected:
    void Notification(Component* component, Operation operation) override;

private:
    friend class Menu;
    void MakeRoot(Menu* menu, bool bar);
    void EnsureHandle();
    void ReleaseHandle() noexcept;
    // Writes this item into its parent's platform menu; insert adds it at its index.
    void UpdatePlatformItem(bool insert = false);
    void UpdateTree();
    void MenuChanged() const;
    void UpdateAccessibleName();

    std::string m_caption;
    bool m_checked = false;
    bool m_radioItem = false;
    int m_groupIndex = 0;
    bool m_enabled = true;
    bool m_default = false;
    bool m_autoCheck = false;
    std::string m_hint;
    Bitmap m_bitmap;
    int m_imageIndex = -1;
    int m_shortCut = 0;
    ImageList* m_subMenuImages = nullptr;

    Menu* m_menu = nullptr;  // set on a menu's root item only
    bool m_bar = false;      // the root item of a menu bar
    MenuItem* m_parent = nullptr;
    std::vector<MenuItem*> m_items;
    unique_hmenu m_handle;
    UINT m_command = 0;
    // The caption as screen readers read it; m_data points into it.
    std::wstring m_accessibleName;
    PlatformData m_data{};
};

// A menu: a root item whose sub-items are its top-level items.
class Menu : public Component {
public:
    MenuItem& Items() noexcept { return *m_items; }
    const MenuItem& Items() const noexcept { return *m_items; }
    HMENU Handle() const noexcept { return m_items->Handle(); }

    // Every item becomes an owner-drawn item of the platform, at once.
    bool OwnerDraw() const noexcept { return m_ownerDraw; }
    void SetOwnerDraw(bool ownerDraw);
    // The platform measures every item again when it next shows them: its window moved to a
    // display of another scale.
    void Remeasure();
    // This program's menus all read from left to right.
    bool IsRightToLeft() const noexcept { return false; }
    // The pictures of items that give an ImageIndex; nullptr for none.
    ImageList* Images() const noexcept { return m_images; }
    void SetImages(ImageList* images);
    bool IsMainMenu() const noexcept { return m_items->m_bar; }
    // The window that shows the menu and receives its messages.
    virtual HWND WindowHandle() const noexcept = 0;

protected:
    Menu(Component* owner, bool bar);
    friend class MenuItem;
    // An item's look changed: a menu bar is drawn again.
    virtual void Changed() const {}
    void Notification(Component* component, Operation operation) override;

private:
    MenuItem* m_items;
    bool m_ownerDraw = false;
    ImageList* m_images = nullptr;
};

// The menu bar of a form (the form's Menu).
class MainMenu : public Menu {
public:
    explicit MainMenu(Component* owner) : Menu(owner, true) {}
    HWND WindowHandle() const noexcept override { return m_window; }

private:
    friend class Form;
    void SetWindow(HWND window) noexcept { m_window = window; }
    void Changed() const override;
    HWND m_window = nullptr;
};

// A menu shown at a point of the screen, such as the tray menu.
class PopupMenu : public Menu {
public:
    explicit PopupMenu(Component* owner);
    ~PopupMenu() override;

    bool AutoPopup() const noexcept { return m_autoPopup; }
    void SetAutoPopup(bool autoPopup) noexcept { m_autoPopup = autoPopup; }
    // The component that last opened the menu.
    Component* PopupComponent() const noexcept { return m_popupComponent; }
    void SetPopupComponent(Component* component) noexcept { m_popupComponent = component; }
    // Shows the menu with its top-left corner at the screen point and returns when it has
    // closed; the chosen item's click follows as a posted command.
    void Popup(int x, int y);
    NotifyEvent OnPopup;
    HWND WindowHandle() const noexcept override;

protected:
    void Notification(Component* component, Operation operation) override;

private:
    bool m_autoPopup = true;
    Component* m_popupComponent = nullptr;
};

// The menu messages of a window that shows menus: a command from a menu item, a submenu about
// to open, an access key of an owner-drawn menu, and measuring and drawing owner-drawn items.
// True when the message was one of them; result is then the message's result.
bool HandleMenuMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

}  // namespace cs
