#include "framework/Menus.h"

#include <gmock/gmock.h>

#include <cwchar>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "framework/FrameworkFixture.h"
#include "framework/ImageList.h"

namespace cs::test {
namespace {

// What the platform's menu holds for the item at index of menu.
struct PlatformItem {
    UINT Type = 0;
    UINT State = 0;
    HMENU Submenu = nullptr;
    std::string Text;
};

PlatformItem Read(HMENU menu, int index) {
    char text[128] = {};
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = sizeof text;
    EXPECT_TRUE(::GetMenuItemInfoA(menu, static_cast<UINT>(index), TRUE, &info));
    return {info.fType, info.fState, info.hSubMenu, text};
}

class MenusTest : public FrameworkTest {
protected:
    MenuItem* AddItem(MenuItem& parent, const char* caption) {
        auto* item = new MenuItem(form);
        parent.Add(item);
        item->SetCaption(caption);
        return item;
    }
    void Command(HWND window, const MenuItem* item) {
        ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(item->Command(), 0), 0);
    }

    TestForm* form = app.CreateForm<TestForm>();
    MainMenu* menu = new MainMenu(form);
    MenuItem* file = AddItem(menu->Items(), "&File");
};

struct MirrorCase {
    const char* Name;
    std::function<void(MenuItem&)> Change;
    UINT TypeBits;
    UINT StateBits;
    const char* Text;
};

class MenuMirrorTest : public MenusTest, public ::testing::WithParamInterface<MirrorCase> {};

TEST_P(MenuMirrorTest, PlatformMenuFollowsTheItem) {
    const MirrorCase& c = GetParam();
    AddItem(*file, "Before");
    MenuItem* item = AddItem(*file, "&Item");
    c.Change(*item);
    const PlatformItem platform = Read(file->Handle(), 1);
    EXPECT_EQ(platform.Type & c.TypeBits, c.TypeBits);
    EXPECT_EQ(platform.State & c.StateBits, c.StateBits);
    if (c.Text) {
        EXPECT_EQ(platform.Text, c.Text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MenuMirrorTest,
    ::testing::Values(
        MirrorCase{"Checked", [](MenuItem& i) { i.SetChecked(true); }, 0, MFS_CHECKED, "&Item"},
        MirrorCase{"Disabled", [](MenuItem& i) { i.SetEnabled(false); }, 0, MFS_DISABLED, nullptr},
        MirrorCase{"Radio", [](MenuItem& i) { i.SetRadioItem(true); }, MFT_RADIOCHECK, 0, nullptr},
        MirrorCase{"Default", [](MenuItem& i) { i.SetDefault(true); }, 0, MFS_DEFAULT, nullptr},
        MirrorCase{"Separator", [](MenuItem& i) { i.SetCaption("-"); }, MFT_SEPARATOR, 0, nullptr},
        MirrorCase{"Caption", [](MenuItem& i) { i.SetCaption("E&xit"); }, 0, 0, "E&xit"},
        // Owner drawing keeps the text for screen readers, and the check mark.
        MirrorCase{"OwnerDrawn",
                   [](MenuItem& i) {
                       i.SetChecked(true);
                       i.GetParentMenu()->SetOwnerDraw(true);
                   },
                   MFT_OWNERDRAW, MFS_CHECKED, "&Item"}),
    [](const auto& info) { return std::string(info.param.Name); });

struct NameCase {
    const char* Name;
    const char* Caption;
    const wchar_t* Read;
};

class MenuAccessibleNameTest : public MenusTest, public ::testing::WithParamInterface<NameCase> {};

// The name a screen reader finds in an owner-drawn item's data follows its caption as it reads.
TEST_P(MenuAccessibleNameTest, FollowsTheCaptionAsItReads) {
    MenuItem* item = AddItem(*file, "&Old caption");
    menu->SetOwnerDraw(true);
    item->SetCaption(GetParam().Caption);
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_DATA;
    ASSERT_TRUE(::GetMenuItemInfoA(file->Handle(), 0, TRUE, &info));
    const auto& name = *reinterpret_cast<const MSAAMENUINFO*>(info.dwItemData);
    EXPECT_EQ(std::wstring(name.pszWText), GetParam().Read);  // up to its terminating zero
    EXPECT_EQ(name.cchWText, std::wcslen(GetParam().Read));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MenuAccessibleNameTest,
    ::testing::Values(NameCase{"AccessKey", "E&xit", L"Exit"},
                      NameCase{"DoubledAmpersand", "Date && Time", L"Date & Time"},
                      NameCase{"DoubledThenKey", "&&&Save", L"&Save"},
                      NameCase{"TrailingMark", "Ping&", L"Ping"}, NameCase{"Separator", "-", L""},
                      NameCase{"Empty", "", L""}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(MenusTest, CheckingARadioItemClearsOnlyItsGroup) {
    MenuItem* a = AddItem(*file, "a");
    MenuItem* b = AddItem(*file, "b");
    MenuItem* other = AddItem(*file, "other group");
    MenuItem* plain = AddItem(*file, "not radio");
    for (MenuItem* item : {a, b, other}) item->SetRadioItem(true);
    a->SetGroupIndex(1);
    b->SetGroupIndex(1);
    other->SetGroupIndex(2);
    for (MenuItem* item : {b, other, plain}) item->SetChecked(true);

    a->SetChecked(true);
    EXPECT_FALSE(b->Checked());
    EXPECT_TRUE(other->Checked());
    EXPECT_TRUE(plain->Checked());
    EXPECT_EQ(Read(file->Handle(), 1).State & MFS_CHECKED, 0u);
    EXPECT_NE(Read(file->Handle(), 0).State & MFS_CHECKED, 0u);
}

TEST_F(MenusTest, CommandInvertsAnAutoCheckItemBeforeItsHandler) {
    MenuItem* item = AddItem(*file, "Start Minimized");
    item->SetAutoCheck(true);
    std::vector<bool> seen;
    item->OnClick = [&](Component& sender) { seen.push_back(&sender == item && item->Checked()); };
    form->SetMenu(menu);
    Command(form->Handle(), item);
    EXPECT_THAT(seen, ::testing::ElementsAre(true));
    EXPECT_NE(Read(file->Handle(), 0).State & MFS_CHECKED, 0u);
}

TEST_F(MenusTest, ASubmenuItemsHandlerRunsEachTimeItOpens) {
    AddItem(*file, "&Exit");
    int opened = 0;
    file->OnClick = [&](Component&) { ++opened; };
    form->SetMenu(menu);
    const auto open = [&](BOOL windowMenu) {
        ::SendMessageA(form->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file->Handle()),
                       MAKELPARAM(0, windowMenu));
    };
    open(FALSE);
    open(FALSE);
    open(TRUE);  // the window menu is the system's
    EXPECT_EQ(opened, 2);
}

TEST_F(MenusTest, SubmenuComesWithTheFirstSubItemAndGoesWithTheLast) {
    MenuItem* servers = AddItem(*file, "&Time Servers");
    EXPECT_EQ(Read(file->Handle(), 0).Submenu, nullptr);
    MenuItem* server = AddItem(*servers, "129.6.15.28");
    EXPECT_NE(servers->Handle(), nullptr);
    EXPECT_EQ(Read(file->Handle(), 0).Submenu, servers->Handle());
    delete server;
    EXPECT_EQ(Read(file->Handle(), 0).Submenu, nullptr);
    EXPECT_EQ(servers->Count(), 0);
}

// Counts the frame layouts of one window: each DrawMenuBar makes one.
class FrameLayouts {
public:
    explicit FrameLayouts(HWND window) {
        s_window = window;
        s_count = 0;
        m_hook = ::SetWindowsHookExA(WH_CALLWNDPROC, &Hook, nullptr, ::GetCurrentThreadId());
    }
    ~FrameLayouts() { ::UnhookWindowsHookEx(m_hook); }
    FrameLayouts(const FrameLayouts&) = delete;
    FrameLayouts& operator=(const FrameLayouts&) = delete;
    int Count() const noexcept { return s_count; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && message->hwnd == s_window && message->message == WM_NCCALCSIZE)
            ++s_count;
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    inline static HWND s_window = nullptr;
    inline static int s_count = 0;
    HHOOK m_hook;
};

struct BarCase {
    const char* Name;
    bool OnWindow;  // the form shows the menu
    std::function<void(MenuItem& bar, MenuItem& sub)> Change;
    bool Redrawn;
};

class MenuBarRedrawTest : public MenusTest, public ::testing::WithParamInterface<BarCase> {};

// The bar is laid out again when what it shows changes, and only then: each time costs the
// window a new frame.
TEST_P(MenuBarRedrawTest, OnlyChangesOnTheBarRedrawIt) {
    const BarCase& c = GetParam();
    MenuItem* sub = AddItem(*file, "&Ping");
    if (c.OnWindow) form->SetMenu(menu);
    const FrameLayouts layouts(form->Handle());
    c.Change(*file, *sub);
    EXPECT_EQ(layouts.Count() > 0, c.Redrawn);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MenuBarRedrawTest,
    ::testing::Values(
        BarCase{"BarCaption", true, [](MenuItem& b, MenuItem&) { b.SetCaption("F&iles"); }, true},
        BarCase{"BarDisabled", true, [](MenuItem& b, MenuItem&) { b.SetEnabled(false); }, true},
        BarCase{"NewBarItem", true,
                [](MenuItem& b, MenuItem&) {
                    auto* help = new MenuItem(b.Owner());
                    b.GetParentMenu()->Items().Add(help);
                },
                true},
        BarCase{"SubChecked", true, [](MenuItem&, MenuItem& s) { s.SetChecked(true); }, false},
        BarCase{"SubCaption", true, [](MenuItem&, MenuItem& s) { s.SetCaption("&Pong"); }, false},
        BarCase{"SubDisabled", true, [](MenuItem&, MenuItem& s) { s.SetEnabled(false); }, false},
        BarCase{"NotOnTheWindowYet", false, [](MenuItem& b, MenuItem&) { b.SetCaption("F&iles"); },
                false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(MenusTest, ADestroyedMenuLeavesTheFormsMenuBar) {
    form->SetMenu(menu);
    ASSERT_EQ(::GetMenu(form->Handle()), menu->Handle());
    delete menu;
    EXPECT_EQ(form->Menu(), nullptr);
    EXPECT_EQ(::GetMenu(form->Handle()), nullptr);
}

TEST_F(MenusTest, PopupMenuCommandsArriveThroughItsWindow) {
    auto* popup = new PopupMenu(form);
    MenuItem* exit = AddItem(popup->Items(), "E&xit");
    int clicks = 0;
    exit->OnClick = [&](Component&) { ++clicks; };
    Command(popup->WindowHandle(), exit);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(exit->GetParentComponent(), popup);
    EXPECT_EQ(exit->GetParentMenu(), popup);
}

TEST_F(MenusTest, OwnerDrawnItemsAreMeasuredAndDrawnByTheirHandlers) {
    MenuItem* item = AddItem(*file, "&Ping");
    menu->SetOwnerDraw(true);
    form->SetMenu(menu);
    item->OnMeasureItem = [](MenuItem&, Canvas&, int& width, int& height) {
        width += 1000;
        height = 23;
    };
    std::vector<bool> drawnSelected;
    item->OnDrawItem = [&](MenuItem&, Canvas&, const RECT&, bool selected) {
        drawnSelected.push_back(selected);
    };

    MEASUREITEMSTRUCT measure{};
    measure.CtlType = ODT_MENU;
    measure.itemID = item->Command();
    measure.itemData = item->ItemData();
    ::SendMessageA(form->Handle(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
    EXPECT_GT(measure.itemWidth, 1000u);
    EXPECT_EQ(measure.itemHeight, 23u);

    const WindowDc screen(nullptr);
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_MENU;
    draw.itemID = item->Command();
    draw.itemData = item->ItemData();
    draw.hDC = screen.dc();
    draw.itemState = ODS_SELECTED;
    ::SendMessageA(form->Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
    draw.itemState = 0;
    ::SendMessageA(form->Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
    EXPECT_THAT(drawnSelected, ::testing::ElementsAre(true, false));
}

TEST_F(MenusTest, AccessKeysOfOwnerDrawnItemsChooseTheItem) {
    AddItem(*file, "&Ping");
    AddItem(*file, "-");
    AddItem(*file, "E&xit");
    menu->SetOwnerDraw(true);
    form->SetMenu(menu);
    const LRESULT result = ::SendMessageA(form->Handle(), WM_MENUCHAR, MAKEWPARAM('X', MF_POPUP),
                                          reinterpret_cast<LPARAM>(file->Handle()));
    EXPECT_EQ(LOWORD(result), 2);
    EXPECT_EQ(HIWORD(result), MNC_EXECUTE);
}

TEST_F(MenusTest, TheHandlerGetsTheFrameworksMeasureAndHasTheLastWord) {
    MenuItem* item = AddItem(*file, "&Ping Veritan Clock");
    MenuItem* line = AddItem(*file, "-");
    menu->SetOwnerDraw(true);
    form->SetMenu(menu);
    std::vector<std::pair<int, int>> proposed;
    const MeasureItemEvent handler = [&](MenuItem&, Canvas& canvas, int& width, int& height) {
        proposed.emplace_back(width, height);
        EXPECT_NE(canvas.Handle(), nullptr);
        width = 5;  // smaller than proposed: the handler decides
        height = 6;
    };
    item->OnMeasureItem = handler;
    line->OnMeasureItem = handler;
    const auto measure = [&](const MenuItem* measured) {
        MEASUREITEMSTRUCT request{};
        request.CtlType = ODT_MENU;
        request.itemID = measured->Command();
        request.itemData = measured->ItemData();
        ::SendMessageA(form->Handle(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&request));
        return std::pair<UINT, UINT>(request.itemWidth, request.itemHeight);
    };
    EXPECT_EQ(measure(item), std::pair(5u, 6u));
    EXPECT_EQ(measure(line), std::pair(5u, 6u));
    ASSERT_EQ(proposed.size(), 2u);
    // A text item comes with room for its text and at least a menu line's height; a separator
    // with less height and no width.
    EXPECT_GT(proposed[0].first, 50);
    EXPECT_GE(proposed[0].second, ::GetSystemMetrics(SM_CYMENU));
    EXPECT_EQ(proposed[1].first, 0);
    EXPECT_LT(proposed[1].second, proposed[0].second);
}

TEST_F(MenusTest, SwitchingOwnerDrawChangesThePlatformItemsAtOnceAndKeepsTheirState) {
    MenuItem* checked = AddItem(*file, "&Auto Synchronize Daily");
    checked->SetChecked(true);
    MenuItem* servers = AddItem(*file, "&Time Servers");
    MenuItem* radio = AddItem(*servers, "129.6.15.28");
    radio->SetRadioItem(true);
    radio->SetChecked(true);
    MenuItem* disabled = AddItem(*file, "&Disabled");
    disabled->SetEnabled(false);
    form->SetMenu(menu);
    const auto text = [](HMENU handle, int index) {
        char buffer[64] = {};
        ::GetMenuStringA(handle, static_cast<UINT>(index), buffer, sizeof buffer, MF_BYPOSITION);
        return std::string(buffer);
    };
    for (const bool ownerDraw : {true, false}) {
        SCOPED_TRACE(ownerDraw ? "owner-drawn" : "drawn by the system");
        menu->SetOwnerDraw(ownerDraw);
        const UINT expected = ownerDraw ? MFT_OWNERDRAW : 0u;
        EXPECT_EQ(Read(menu->Handle(), 0).Type & MFT_OWNERDRAW, expected);
        EXPECT_EQ(Read(file->Handle(), 0).Type & MFT_OWNERDRAW, expected);
        EXPECT_EQ(Read(servers->Handle(), 0).Type & MFT_OWNERDRAW, expected);
        // What screen readers and automation read stays.
        EXPECT_EQ(text(menu->Handle(), 0), "&File");
        EXPECT_EQ(text(file->Handle(), 0), "&Auto Synchronize Daily");
        EXPECT_EQ(text(servers->Handle(), 0), "129.6.15.28");
        EXPECT_NE(Read(file->Handle(), 0).State & MFS_CHECKED, 0u);
        EXPECT_EQ(Read(file->Handle(), 1).Submenu, servers->Handle());
        EXPECT_NE(Read(servers->Handle(), 0).Type & MFT_RADIOCHECK, 0u);
        EXPECT_NE(Read(servers->Handle(), 0).State & MFS_CHECKED, 0u);
        EXPECT_NE(Read(file->Handle(), 2).State & MFS_DISABLED, 0u);
    }
}

TEST_F(MenusTest, TypingAnAccessKeyInAnOpenOwnerDrawnMenuChoosesTheItem) {
    auto* popup = new PopupMenu(form);
    popup->SetOwnerDraw(true);
    std::vector<std::string> chosen;
    for (const char* caption : {"&Open", "&Ping Now", "-", "E&xit"}) {
        MenuItem* item = AddItem(popup->Items(), caption);
        item->OnClick = [&chosen, caption](Component&) { chosen.emplace_back(caption); };
    }
    // The menu loop takes the typed key from the queue; Escape closes the menu should the key
    // choose nothing.
    ::PostMessageA(popup->WindowHandle(), WM_CHAR, 'x', 0);
    ::PostMessageA(popup->WindowHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
    popup->Popup(10, 10);
    PumpMessages(100);
    EXPECT_THAT(chosen, ::testing::ElementsAre("E&xit"));
}

TEST_F(MenusTest, MenuCharIsLeftToTheSystemForMenusItDrawsItself) {
    AddItem(*file, "E&xit");
    form->SetMenu(menu);
    // No answer of ours: the system matches the texts it draws.
    const LRESULT result = ::SendMessageA(form->Handle(), WM_MENUCHAR, MAKEWPARAM('X', MF_POPUP),
                                          reinterpret_cast<LPARAM>(file->Handle()));
    EXPECT_NE(HIWORD(result), MNC_EXECUTE);
}

TEST_F(MenusTest, MenusForgetImageListsThatGo) {
    auto* images = new ImageList(form);
    menu->SetImages(images);
    file->SetSubMenuImages(images);
    delete images;
    EXPECT_EQ(menu->Images(), nullptr);
    EXPECT_EQ(file->SubMenuImages(), nullptr);
}

struct ShortCutCase {
    int ShortCut;
    const char* Text;
};

class ShortCutToTextTest : public ::testing::TestWithParam<ShortCutCase> {};

TEST_P(ShortCutToTextTest, NamesModifiersThenKey) {
    EXPECT_EQ(ShortCutToText(GetParam().ShortCut), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShortCutToTextTest,
    ::testing::Values(ShortCutCase{0, ""}, ShortCutCase{'S' | MenuItem::kCtrl, "Ctrl+S"},
                      ShortCutCase{VK_F5, "F5"}, ShortCutCase{VK_F12 | MenuItem::kAlt, "Alt+F12"},
                      ShortCutCase{'7' | MenuItem::kShift | MenuItem::kCtrl, "Shift+Ctrl+7"},
                      ShortCutCase{VK_DELETE | MenuItem::kCtrl | MenuItem::kAlt, "Ctrl+Alt+Del"},
                      // A modifier alone names no key.
                      ShortCutCase{MenuItem::kCtrl, ""}));

// Every component of the owner learns of a new one, once it is fully made.
class InsertWatcher : public Component {
public:
    using Component::Component;
    std::vector<std::string> Seen;

protected:
    void Notification(Component* component, Operation operation) override {
        Component::Notification(component, operation);
        if (operation != Operation::Insert) return;
        Seen.emplace_back(dynamic_cast<MenuItem*>(component) ? "item" : "other");
    }
};

TEST_F(MenusTest, ANewItemIsAnnouncedToItsOwnersComponents) {
    auto* watcher = new InsertWatcher(form);
    new MenuItem(form);
    const MenuItem loose(nullptr);  // no owner, nobody to tell
    new PopupMenu(form);            // its own root item is the menu's, not the form's
    EXPECT_THAT(watcher->Seen, ::testing::ElementsAre("item"));
}

TEST(AccessKeyOf, IsTheCharacterAfterASingleAmpersand) {
    EXPECT_EQ(AccessKeyOf("&File"), 'F');
    EXPECT_EQ(AccessKeyOf("E&xit"), 'x');
    EXPECT_EQ(AccessKeyOf("Date && Time"), 0);
    EXPECT_EQ(AccessKeyOf("A&&B&c"), 'c');
    EXPECT_EQ(AccessKeyOf("Trailing&"), 0);
    EXPECT_EQ(AccessKeyOf("-"), 0);
}

struct Handlers {
    void A(Component&) {}
    void B(Component&) {}
};

TEST(Event, RemembersWhichMethodItCallsWhateverObject) {
    Handlers one;
    Handlers two;
    const NotifyEvent bound = NotifyEvent::Bind<&Handlers::A>(&one);
    EXPECT_TRUE(bound.Is<&Handlers::A>());
    EXPECT_FALSE(bound.Is<&Handlers::B>());
    EXPECT_TRUE(bound.SameRoutine(NotifyEvent::Bind<&Handlers::A>(&two)));
    const NotifyEvent lambda = [](Component&) {};
    EXPECT_FALSE(lambda.Is<&Handlers::A>());
    EXPECT_FALSE(lambda.SameRoutine(lambda));
}

}  // namespace
}  // namespace cs::test
