// The menu painter as a component: its properties, switching it on and off, attaching its
// handlers, resolving the paint colours, the menu font and measuring items.
#include "components/XPMenu.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "framework/FrameworkFixture.h"
#include "framework/ImageList.h"
#include "support/ClassicColors.h"
#include "support/Pictures.h"
#include "framework/Menus.h"
#include "framework/Timer.h"
#include "framework/ToolBar.h"
#include "platform/Handles.h"

namespace cs::test {
namespace {

// A memory surface of the given depth; 8 bits come with a 256-entry grey palette.
class Surface {
public:
    explicit Surface(int bits, int width = 64, int height = 32)
        : m_dc(::CreateCompatibleDC(nullptr)) {
        struct {
            BITMAPINFOHEADER Header;
            RGBQUAD Colors[256];
        } info{};
        info.Header.biSize = sizeof info.Header;
        info.Header.biWidth = width;
        info.Header.biHeight = -height;
        info.Header.biPlanes = 1;
        info.Header.biBitCount = static_cast<WORD>(bits);
        info.Header.biCompression = BI_RGB;
        if (bits <= 8) {
            info.Header.biClrUsed = 256;
            for (int i = 0; i < 256; ++i)
                info.Colors[i] = {static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i),
                                  0};
        }
        void* pixels = nullptr;
        m_bitmap.reset(::CreateDIBSection(m_dc.get(), reinterpret_cast<BITMAPINFO*>(&info),
                                          DIB_RGB_COLORS, &pixels, nullptr, 0));
        m_select.emplace(m_dc.get(), m_bitmap.get());
    }
    HDC dc() const noexcept { return m_dc.get(); }

private:
    unique_hdc m_dc;
    unique_hbitmap m_bitmap;
    std::optional<SelectGuard> m_select;
};

// A bitmap of the size, for an item's picture.
void MakePicture(Bitmap& bitmap, int width, int height) {
    bitmap.SetSize(width, height);
}

class XPMenuTest : public FrameworkTest {
protected:
    MenuItem* AddItem(MenuItem& parent, const char* name, const char* caption) {
        auto* item = new MenuItem(form);
        item->SetName(name);
        parent.Add(item);
        item->SetCaption(caption);
        return item;
    }
    static bool HasPainterHandlers(const MenuItem& item) {
        return item.OnDrawItem.Is<&TXPMenu::PaintItem>() &&
               item.OnMeasureItem.Is<&TXPMenu::SizeItem>();
    }
    static bool HasNoPainterHandlers(const MenuItem& item) {
        return !item.OnDrawItem.Is<&TXPMenu::PaintItem>() &&
               !item.OnMeasureItem.Is<&TXPMenu::SizeItem>();
    }
    static UINT PlatformType(HMENU menu, int index) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE;
        EXPECT_TRUE(::GetMenuItemInfoA(menu, static_cast<UINT>(index), TRUE, &info));
        return info.fType;
    }

    TestForm* form = app.CreateForm<TestForm>();
    MainMenu* mainMenu = MakeMainMenu();
    MenuItem* file = AddItem(mainMenu->Items(), "File1", "&File");
    MenuItem* ping = AddItem(*file, "mnuPing", "&Ping");
    MenuItem* servers = AddItem(*file, "mnuServers", "&Time Servers");
    MenuItem* server = AddItem(*servers, "mnuServer1", "129.6.15.28");
    PopupMenu* popup = MakePopupMenu();
    MenuItem* exitItem = AddItem(popup->Items(), "Exit1", "E&xit");

private:
    MainMenu* MakeMainMenu() {
        auto* menu = new MainMenu(form);
        menu->SetName("MainMenu1");
        form->SetMenu(menu);
        return menu;
    }
    PopupMenu* MakePopupMenu() {
        auto* menu = new PopupMenu(form);
        menu->SetName("PopupMenu1");
        return menu;
    }
};

TEST_F(XPMenuTest, StartsWithTheValuesOfAFreshPainter) {
    TXPMenu painter(form);
    EXPECT_EQ(painter.OwnerForm(), form);
    EXPECT_EQ(painter.GetFont().GetColor(), kColorMenuText);
    EXPECT_NE(painter.GetFont().Name(), "MS Sans Serif");
    EXPECT_EQ(painter.GetColor(), kColorBtnFace);
    EXPECT_EQ(painter.IconBackColor(), kColorBtnFace);
    EXPECT_EQ(painter.MenuBarColor(), kColorBtnFace);
    EXPECT_EQ(painter.SelectColor(), kColorHighlight);
    EXPECT_EQ(painter.SelectBorderColor(), kColorHighlight);
    EXPECT_EQ(painter.SelectFontColor(), kColorMenuText);
    EXPECT_EQ(painter.DisabledColor(), kColorInactiveCaption);
    EXPECT_EQ(painter.SeparatorColor(), kColorBtnFace);
    EXPECT_EQ(painter.CheckedColor(), kColorHighlight);
    EXPECT_EQ(painter.IconWidth(), 24);
    EXPECT_TRUE(painter.DrawSelect());
    EXPECT_TRUE(painter.UseSystemColors());
    EXPECT_FALSE(painter.OverrideOwnerDraw());
    EXPECT_FALSE(painter.Gradient());
    EXPECT_FALSE(painter.FlatMenu());
    EXPECT_FALSE(painter.AutoDetect());
    EXPECT_FALSE(painter.Active());
    // Nothing is attached before Active is written.
    EXPECT_TRUE(HasNoPainterHandlers(*ping));
    EXPECT_FALSE(mainMenu->OwnerDraw());
}

// ---- Attaching and detaching ----------------------------------------------------------------

enum class Slot { Painter, Own, Empty };

struct AttachCase {
    const char* Name;
    bool OwnDraw;
    bool OwnMeasure;
    bool Override;
    Slot DrawOn, MeasureOn;    // while active
    Slot DrawOff, MeasureOff;  // after switching off
};
void PrintTo(const AttachCase& c, std::ostream* os) {
    *os << c.Name;
}

class XPMenuAttachTest : public XPMenuTest, public ::testing::WithParamInterface<AttachCase> {
protected:
    static Slot DrawSlot(const MenuItem& item) {
        if (item.OnDrawItem.Is<&TXPMenu::PaintItem>()) return Slot::Painter;
        return item.OnDrawItem ? Slot::Own : Slot::Empty;
    }
    static Slot MeasureSlot(const MenuItem& item) {
        if (item.OnMeasureItem.Is<&TXPMenu::SizeItem>()) return Slot::Painter;
        return item.OnMeasureItem ? Slot::Own : Slot::Empty;
    }
};

TEST_P(XPMenuAttachTest, FillsTheSlotsThatTheRulesAllow) {
    const AttachCase& c = GetParam();
    // A sub-item two levels down in each kind of menu.
    for (MenuItem* item : {server, exitItem}) {
        if (c.OwnDraw) item->OnDrawItem = [](MenuItem&, Canvas&, const RECT&, bool) {};
        if (c.OwnMeasure) item->OnMeasureItem = [](MenuItem&, Canvas&, int&, int&) {};
    }
    TXPMenu painter(form);
    painter.SetOverrideOwnerDraw(c.Override);
    painter.SetActive(true);
    for (MenuItem* item : {server, exitItem}) {
        EXPECT_EQ(DrawSlot(*item), c.DrawOn) << item->Name();
        EXPECT_EQ(MeasureSlot(*item), c.MeasureOn) << item->Name();
    }
    painter.SetActive(false);
    for (MenuItem* item : {server, exitItem}) {
        EXPECT_EQ(DrawSlot(*item), c.DrawOff) << item->Name();
        EXPECT_EQ(MeasureSlot(*item), c.MeasureOff) << item->Name();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XPMenuAttachTest,
    ::testing::Values(AttachCase{"NoHandlers", false, false, false, Slot::Painter, Slot::Painter,
                                 Slot::Empty, Slot::Empty},
                      // Its own drawing stays, and it is measured by the painter.
                      AttachCase{"OwnDrawOnly", true, false, false, Slot::Own, Slot::Painter,
                                 Slot::Own, Slot::Empty},
                      AttachCase{"OwnMeasureOnly", false, true, false, Slot::Painter, Slot::Own,
                                 Slot::Empty, Slot::Own},
                      AttachCase{"OwnBoth", true, true, false, Slot::Own, Slot::Own, Slot::Own,
                                 Slot::Own},
                      // Overriding replaces the item's own handlers; they do not come back.
                      AttachCase{"OwnDrawOverridden", true, false, true, Slot::Painter,
                                 Slot::Painter, Slot::Empty, Slot::Empty},
                      AttachCase{"OwnBothOverridden", true, true, true, Slot::Painter,
                                 Slot::Painter, Slot::Empty, Slot::Empty}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(XPMenuTest, OverrideWrittenWhileActiveTakesOverAtOnce) {
    ping->OnDrawItem = [](MenuItem&, Canvas&, const RECT&, bool) {};
    TXPMenu painter(form);
    painter.SetOverrideOwnerDraw(true);  // while off: nothing attached yet
    EXPECT_FALSE(ping->OnDrawItem.Is<&TXPMenu::PaintItem>());
    EXPECT_TRUE(HasNoPainterHandlers(*server));
    painter.SetOverrideOwnerDraw(false);
    painter.SetActive(true);
    EXPECT_FALSE(ping->OnDrawItem.Is<&TXPMenu::PaintItem>());
    painter.SetOverrideOwnerDraw(true);
    EXPECT_TRUE(ping->OnDrawItem.Is<&TXPMenu::PaintItem>());
}

TEST_F(XPMenuTest, DetachingRemovesAnyPaintersHandlersButNoOthers) {
    TXPMenu other(nullptr);
    other.AttachItem(*ping);
    exitItem->OnDrawItem = [](MenuItem&, Canvas&, const RECT&, bool) {};
    TXPMenu painter(form);
    painter.DetachItem(*ping);
    painter.DetachItem(*exitItem);
    EXPECT_FALSE(ping->OnDrawItem);
    EXPECT_FALSE(ping->OnMeasureItem);
    EXPECT_TRUE(exitItem->OnDrawItem);
}

TEST_F(XPMenuTest, DestroyingThePainterDetachesIt) {
    auto* painter = new TXPMenu(form);
    painter->SetActive(true);
    delete painter;
    for (MenuItem* item : {file, ping, servers, server, exitItem})
        EXPECT_TRUE(HasNoPainterHandlers(*item)) << item->Name();
    EXPECT_FALSE(mainMenu->OwnerDraw());
    EXPECT_FALSE(popup->OwnerDraw());
}

struct OwnerDrawCase {
    const char* Name;
    bool Popup;
    bool Before;
};
void PrintTo(const OwnerDrawCase& c, std::ostream* os) {
    *os << c.Name;
}

class XPMenuOwnerDrawTest : public XPMenuTest,
                            public ::testing::WithParamInterface<OwnerDrawCase> {};

// A menu with items is owner-drawn while the painter is on and not afterwards, whatever it was
// before; the platform's items follow at once.
TEST_P(XPMenuOwnerDrawTest, FollowsThePainterWhateverItWasBefore) {
    const OwnerDrawCase& c = GetParam();
    Menu& menu = c.Popup ? static_cast<Menu&>(*popup) : *mainMenu;
    menu.SetOwnerDraw(c.Before);
    TXPMenu painter(form);
    painter.SetActive(true);
    EXPECT_TRUE(menu.OwnerDraw());
    EXPECT_NE(PlatformType(menu.Handle(), 0) & MFT_OWNERDRAW, 0u);
    painter.SetActive(false);
    EXPECT_FALSE(menu.OwnerDraw());
    EXPECT_EQ(PlatformType(menu.Handle(), 0) & MFT_OWNERDRAW, 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, XPMenuOwnerDrawTest,
                         ::testing::Values(OwnerDrawCase{"MainMenuOff", false, false},
                                           OwnerDrawCase{"MainMenuOn", false, true},
                                           OwnerDrawCase{"PopupMenuOff", true, false},
                                           OwnerDrawCase{"PopupMenuOn", true, true}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(XPMenuTest, AMenuWithoutItemsKeepsItsOwnerDraw) {
    auto* emptyOn = new PopupMenu(form);
    emptyOn->SetOwnerDraw(true);
    auto* emptyOff = new PopupMenu(form);
    TXPMenu painter(form);
    painter.SetActive(true);
    EXPECT_TRUE(emptyOn->OwnerDraw());
    EXPECT_FALSE(emptyOff->OwnerDraw());
    painter.SetActive(false);
    EXPECT_TRUE(emptyOn->OwnerDraw());
    EXPECT_FALSE(emptyOff->OwnerDraw());
}

TEST_F(XPMenuTest, ReattachingCoversTheSiblingsAndTheirDescendantsOnly) {
    TXPMenu painter(form);
    painter.SetActive(true);
    // Added after activation: one beside the painted item with a sub-item, one elsewhere.
    MenuItem* later = AddItem(*file, "later", "&Later");
    MenuItem* laterChild = AddItem(*later, "laterChild", "Child");
    MenuItem* ownDrawn = AddItem(*file, "ownDrawn", "Own");
    ownDrawn->OnDrawItem = [](MenuItem&, Canvas&, const RECT&, bool) {};
    MenuItem* elsewhere = AddItem(popup->Items(), "elsewhere", "Elsewhere");
    MenuItem* deeper = AddItem(*server, "deeper", "Deeper");

    painter.ReattachSiblings(*ping);
    EXPECT_TRUE(HasPainterHandlers(*later));
    EXPECT_TRUE(HasPainterHandlers(*laterChild));
    EXPECT_TRUE(HasPainterHandlers(*deeper));  // below a sibling's sub-item
    EXPECT_FALSE(ownDrawn->OnDrawItem.Is<&TXPMenu::PaintItem>());
    EXPECT_TRUE(ownDrawn->OnMeasureItem.Is<&TXPMenu::SizeItem>());
    EXPECT_TRUE(HasNoPainterHandlers(*elsewhere));
}

// ---- Automatic activation -------------------------------------------------------------------

enum class Inserted { MenuItem, ToolButton, Timer };

struct AutoDetectCase {
    const char* Name;
    bool AutoDetect;
    Inserted What;
    bool Active;
};
void PrintTo(const AutoDetectCase& c, std::ostream* os) {
    *os << c.Name;
}

class XPMenuAutoDetectTest : public XPMenuTest,
                             public ::testing::WithParamInterface<AutoDetectCase> {};

TEST_P(XPMenuAutoDetectTest, InsertingAMenuItemOrToolButtonSwitchesOn) {
    const AutoDetectCase& c = GetParam();
    TXPMenu painter(form);
    painter.SetAutoDetect(c.AutoDetect);
    switch (c.What) {
        case Inserted::MenuItem: new MenuItem(form); break;
        case Inserted::ToolButton: new ToolButton(form); break;
        case Inserted::Timer: new Timer(form); break;
    }
    EXPECT_EQ(painter.Active(), c.Active);
    EXPECT_EQ(HasPainterHandlers(*server), c.Active);
    EXPECT_EQ(mainMenu->OwnerDraw(), c.Active);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XPMenuAutoDetectTest,
    ::testing::Values(AutoDetectCase{"MenuItem", true, Inserted::MenuItem, true},
                      AutoDetectCase{"ToolButton", true, Inserted::ToolButton, true},
                      AutoDetectCase{"OtherComponent", true, Inserted::Timer, false},
                      AutoDetectCase{"AutoDetectOff", false, Inserted::MenuItem, false}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---- Tool bars ------------------------------------------------------------------------------

TEST_F(XPMenuTest, ToolBarsBecomeFlatAndGetTheButtonPainterWhenTheyHaveButtons) {
    auto* withButtons = new ToolBar(form);
    withButtons->AddButton(new ToolButton(form));
    auto* ownHandler = new ToolBar(form);
    ownHandler->AddButton(new ToolButton(form));
    ownHandler->OnCustomDrawButton = [](ToolBar&, ToolButton&, UINT, bool&) {};
    auto* empty = new ToolBar(form);
    TXPMenu painter(form);

    painter.SetActive(true);
    for (ToolBar* bar : {withButtons, ownHandler, empty}) EXPECT_TRUE(bar->Flat());
    EXPECT_TRUE(withButtons->OnCustomDrawButton.Is<&TXPMenu::PaintToolButton>());
    EXPECT_FALSE(ownHandler->OnCustomDrawButton.Is<&TXPMenu::PaintToolButton>());
    EXPECT_FALSE(empty->OnCustomDrawButton);

    painter.SetOverrideOwnerDraw(true);
    EXPECT_TRUE(ownHandler->OnCustomDrawButton.Is<&TXPMenu::PaintToolButton>());

    // Switching off clears the painter's handler; the bars stay flat.
    withButtons->SetFlat(false);
    painter.SetActive(false);
    EXPECT_TRUE(withButtons->Flat());
    EXPECT_FALSE(withButtons->OnCustomDrawButton);
    EXPECT_FALSE(ownHandler->OnCustomDrawButton);
}

// ---- Glyph size and measuring ---------------------------------------------------------------

struct GlyphCase {
    const char* Name;
    bool BarItem;
    int BitmapWidth, BitmapHeight;  // 0: none
    bool MenuImages;                // the menu has a 20 x 18 image list
    bool SubMenuImages;             // the parent item has a 32 x 30 image list
    int ImageIndex;
    SIZE Expected;
};
void PrintTo(const GlyphCase& c, std::ostream* os) {
    *os << c.Name;
}

class XPMenuGlyphTest : public XPMenuTest, public ::testing::WithParamInterface<GlyphCase> {};

TEST_P(XPMenuGlyphTest, IsThePictureThatWillBeDrawn) {
    const GlyphCase& c = GetParam();
    ImageList menuImages(nullptr, 20, 18);
    ImageList subImages(nullptr, 32, 30);
    MenuItem* item = c.BarItem ? file : ping;
    if (c.BitmapWidth) {
        Bitmap picture;
        MakePicture(picture, c.BitmapWidth, c.BitmapHeight);
        item->SetBitmap(picture);
    }
    if (c.MenuImages) mainMenu->SetImages(&menuImages);
    if (c.SubMenuImages) item->Parent()->SetSubMenuImages(&subImages);
    item->SetImageIndex(c.ImageIndex);
    TXPMenu painter(form);
    const SIZE size = painter.GlyphExtent(*item);
    EXPECT_EQ(size.cx, c.Expected.cx);
    EXPECT_EQ(size.cy, c.Expected.cy);
    mainMenu->SetImages(nullptr);
    item->Parent()->SetSubMenuImages(nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XPMenuGlyphTest,
    ::testing::Values(GlyphCase{"BarNothing", true, 0, 0, false, false, -1, {0, 0}},
                      GlyphCase{"BarPicture", true, 16, 16, false, false, -1, {16, 16}},
                      // Off the menu bar the icon column is reserved at least.
                      GlyphCase{"PopupNothing", false, 0, 0, false, false, -1, {24, 0}},
                      GlyphCase{"PopupPicture", false, 16, 16, false, false, -1, {24, 16}},
                      GlyphCase{"PopupWidePicture", false, 30, 20, false, false, -1, {30, 20}},
                      GlyphCase{"MenuImages", false, 16, 16, true, false, 0, {24, 18}},
                      GlyphCase{"MenuImagesWithoutIndex", false, 16, 16, true, false, -1, {24, 16}},
                      GlyphCase{"SubMenuImagesFirst", false, 0, 0, true, true, 0, {32, 30}},
                      GlyphCase{"BarMenuImages", true, 0, 0, true, false, 3, {20, 18}}),
    [](const auto& info) { return std::string(info.param.Name); });

class XPMenuSizeTest : public XPMenuTest {
protected:
    XPMenuSizeTest() {
        Font font;
        font.SetName("Tahoma");
        font.SetHeight(13);  // cell height in pixels
        painter.SetFont(font);
        painter.SetUseSystemColors(false);
        painter.SetActive(true);
    }
    // What the item asks for when the framework proposes width x height.
    SIZE Measure(MenuItem& item, int width = 0, int height = 0) {
        Canvas canvas(surface.dc());
        painter.SizeItem(item, canvas, width, height);
        return {width, height};
    }
    int TextWidth(const char* text) {
        Canvas canvas(surface.dc());
        canvas.SetFont(painter.GetFont());
        return canvas.TextWidth(text);
    }

    Surface surface{32};
    TXPMenu painter{form};
};

TEST_F(XPMenuSizeTest, OneAmpersandIsLeftOutHoweverManyThereAre) {
    ping->SetCaption("xy");
    const int plain = Measure(*ping).cx;
    ping->SetCaption("x&y");
    EXPECT_EQ(Measure(*ping).cx, plain);
    ping->SetCaption("x&&y");
    EXPECT_EQ(Measure(*ping).cx, plain + TextWidth("&"));
}

TEST_F(XPMenuSizeTest, PopupItemsReserveTheIconColumnBarItemsDoNot) {
    file->SetCaption("Same");
    ping->SetCaption("Same");
    EXPECT_EQ(Measure(*file).cx, TextWidth("Same") + 10);
    EXPECT_EQ(Measure(*ping).cx, TextWidth("Same") + 34);
    Bitmap wide;
    MakePicture(wide, 30, 16);
    ping->SetBitmap(wide);
    EXPECT_EQ(Measure(*ping).cx, TextWidth("Same") + 40);
}

TEST_F(XPMenuSizeTest, AShortcutAddsItsTextAndAGap) {
    ping->SetCaption("Save");
    ping->SetShortCut('S' | MenuItem::kCtrl);
    EXPECT_EQ(Measure(*ping).cx, TextWidth("SaveCtrl+SWWW") + 34);
}

TEST_F(XPMenuSizeTest, HeightFollowsTheFont) {
    // The painter's font set to a size whose text is textHeight pixels high; the system's font
    // rendering decides which size that is.
    const auto heightFor = [&](int textHeight) {
        Font font(painter.GetFont());
        for (const char* face : {"Tahoma", "Arial"}) {
            font.SetName(face);
            for (int size = 6; size < 30; ++size) {
                font.SetHeight(size);
                Canvas canvas(surface.dc());
                canvas.SetFont(font);
                if (canvas.TextHeight(ping->Caption()) != textHeight) continue;
                painter.SetFont(font);
                return int{Measure(*ping).cy};
            }
        }
        ADD_FAILURE() << "no font size gives text " << textHeight << " pixels high";
        return 0;
    };
    // A line and three quarters; 7.5 and 10.5 go to the even neighbour.
    EXPECT_EQ(heightFor(10), 18);
    EXPECT_EQ(heightFor(12), 21);
    EXPECT_EQ(heightFor(14), 24);
    EXPECT_EQ(heightFor(16), 28);
}

TEST_F(XPMenuSizeTest, ATallGlyphSetsTheHeightOverASmallFont) {
    Font font(painter.GetFont());
    font.SetHeight(8);
    painter.SetFont(font);
    Bitmap picture;
    MakePicture(picture, 16, 16);
    ping->SetBitmap(picture);
    EXPECT_EQ(Measure(*ping).cy, 20);
}

TEST_F(XPMenuSizeTest, NeverShrinksExceptASeparatorsHeight) {
    EXPECT_EQ(Measure(*ping, 500, 60).cx, 500);
    EXPECT_EQ(Measure(*ping, 500, 60).cy, 60);
    MenuItem* line = AddItem(*file, "N1", "-");
    EXPECT_EQ(Measure(*line, 0, 9).cy, 4);
    EXPECT_EQ(Measure(*line, 0, 9).cx, 34);
    EXPECT_EQ(Measure(*line, 500, 60).cx, 500);
    EXPECT_EQ(Measure(*line, 500, 60).cy, 4);
    painter.SetActive(false);  // a handler left behind measures nothing
    EXPECT_EQ(Measure(*line, 7, 9).cy, 9);
}

TEST_F(XPMenuTest, TheFormsMeasureRequestsReachThePainter) {
    MenuItem* line = AddItem(*file, "N1", "-");
    TXPMenu painter(form);
    painter.SetActive(true);
    const auto measure = [&](const MenuItem* item) {
        MEASUREITEMSTRUCT request{};
        request.CtlType = ODT_MENU;
        request.itemID = item->Command();
        request.itemData = item->ItemData();
        ::SendMessageA(form->Handle(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&request));
        return request;
    };
    EXPECT_EQ(measure(line).itemHeight, 4u);
    EXPECT_GE(measure(line).itemWidth, 34u);
    painter.SetActive(false);
    EXPECT_GT(measure(line).itemHeight, 4u);  // the framework's own measure again
}

// ---- Colours and font -----------------------------------------------------------------------

TEST(XPMenuColors, AreTheNearestThatTheDeviceShows) {
    const Surface deep(32);
    const Canvas deepCanvas(deep.dc());
    const Color tint = TXPMenu::Tint(deepCanvas, Color::Rgb(212, 208, 200), 86);
    EXPECT_EQ(tint, Color::Rgb(249, 248, 247));
    EXPECT_EQ(TXPMenu::Shade(deepCanvas, Color::Rgb(212, 208, 200), 90), Color::Rgb(122, 120, 110));
    EXPECT_EQ(TXPMenu::GreyLevel(deepCanvas, kColorWhite, 90), Color::Rgb(240, 240, 240));
    // A system colour is resolved first.
    const ClassicColors classic;
    EXPECT_EQ(TXPMenu::Tint(deepCanvas, kColorBtnFace, 16), Color::Rgb(219, 216, 209));
}

class XPMenuResolveTest : public XPMenuTest {
protected:
    ClassicColors classic;
    TXPMenu painter{form};
};

// A High Contrast scheme's menu colours.
struct Scheme {
    const char* Name;
    COLORREF Face, Menu, MenuText, Highlight, HighlightText, GrayText;
};

void PrintTo(const Scheme& scheme, std::ostream* out) {
    *out << scheme.Name;
}

int Brightness(COLORREF c) {
    return (299 * GetRValue(c) + 587 * GetGValue(c) + 114 * GetBValue(c)) / 1000;
}

class XPMenuContrastTest : public XPMenuTest, public ::testing::WithParamInterface<Scheme> {};

// Painted under a High Contrast scheme, dark or light, every caption stands out from the ground
// it is painted on: plain, selected, checked and disabled.
TEST_P(XPMenuContrastTest, EveryCaptionReadsOnItsGround) {
    const Scheme& c = GetParam();
    const HighContrastScheme scheme({{COLOR_BTNFACE, c.Face},
                                     {COLOR_BTNSHADOW, c.Face},
                                     {COLOR_MENU, c.Menu},
                                     {COLOR_MENUTEXT, c.MenuText},
                                     {COLOR_HIGHLIGHT, c.Highlight},
                                     {COLOR_HIGHLIGHTTEXT, c.HighlightText},
                                     {COLOR_GRAYTEXT, c.GrayText}});
    MenuItem* plain = AddItem(*file, "Plain", "E&xit");
    MenuItem* checked = AddItem(*file, "Checked", "&Auto Synchronized Daily");
    checked->SetChecked(true);
    MenuItem* disabled = AddItem(*file, "Disabled", "&Disabled");
    disabled->SetEnabled(false);
    TXPMenu painter(form);
    painter.SetActive(true);
    constexpr int kWidth = 180, kRow = 23;
    const struct {
        MenuItem* Item;
        bool Selected;
    } rows[] = {{file, false},    {file, true},    {plain, false},   {plain, true},
                {checked, false}, {checked, true}, {disabled, false}};
    const int height = kRow * static_cast<int>(std::size(rows));
    const Surface surface(32, kWidth, height);
    for (size_t r = 0; r < std::size(rows); ++r) {
        SCOPED_TRACE(rows[r].Item->Caption() + (rows[r].Selected ? ", selected" : ""));
        const int top = kRow * static_cast<int>(r);
        Canvas canvas(surface.dc());
        painter.PaintItem(*rows[r].Item, canvas, RECT{0, top, kWidth, top + kRow},
                          rows[r].Selected);
        // Right of every caption, inside the selection box: the ground.
        const int ground = Brightness(::GetPixel(surface.dc(), kWidth - 20, top + kRow / 2));
        // A menu-bar caption starts near the left edge; the others right of the icon column.
        const int left = rows[r].Item == file ? 4 : 30;
        int readable = 0;
        for (int y = top + 2; y < top + kRow - 2; ++y)
            for (int x = left; x < kWidth - 30; ++x)
                if (std::abs(Brightness(::GetPixel(surface.dc(), x, y)) - ground) >= 125)
                    ++readable;
        EXPECT_GE(readable, 15);
    }
    EXPECT_TRUE(SaveShotIfAsked(surface.dc(), kWidth, height,
                                std::string("menu-contrast-") + c.Name + ".bmp"));
}

INSTANTIATE_TEST_SUITE_P(
    Schemes, XPMenuContrastTest,
    ::testing::Values(Scheme{"Dark", RGB(0, 0, 0), RGB(0, 0, 0), RGB(255, 255, 255),
                             RGB(26, 235, 255), RGB(0, 0, 0), RGB(63, 242, 0)},
                      Scheme{"Light", RGB(255, 255, 255), RGB(255, 255, 255), RGB(0, 0, 0),
                             RGB(55, 0, 110), RGB(255, 255, 255), RGB(96, 0, 0)}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(XPMenuResolveTest, StoredColoursWithoutSystemColours) {
    painter.SetUseSystemColors(false);
    painter.SetColor(Color::Rgb(1, 1, 1));
    painter.SetIconBackColor(Color::Rgb(2, 2, 2));
    painter.SetMenuBarColor(Color::Rgb(3, 3, 3));
    painter.SetSelectColor(Color::Rgb(0, 0, 255));
    painter.SetSelectBorderColor(Color::Rgb(5, 5, 5));
    painter.SetSelectFontColor(Color::Rgb(6, 6, 6));
    painter.SetDisabledColor(Color::Rgb(7, 7, 7));
    painter.SetSeparatorColor(Color::Rgb(8, 8, 8));
    painter.SetCheckedColor(Color::Rgb(9, 9, 9));
    const Surface deep(32);
    painter.ResolveColors(Canvas(deep.dc()));
    const TXPMenu::PaintColors& c = painter.Colors();
    EXPECT_TRUE(painter.DeepColor());
    EXPECT_EQ(c.Background, Color::Rgb(1, 1, 1));
    EXPECT_EQ(c.IconColumn, Color::Rgb(2, 2, 2));
    EXPECT_EQ(c.BarFill, Color::Rgb(3, 3, 3));
    EXPECT_EQ(c.SelectFill, Color::Rgb(0, 0, 255));
    EXPECT_EQ(c.SelectFrame, Color::Rgb(5, 5, 5));
    EXPECT_EQ(c.SelectText, Color::Rgb(6, 6, 6));
    EXPECT_EQ(c.DisabledText, Color::Rgb(7, 7, 7));
    EXPECT_EQ(c.SeparatorLine, Color::Rgb(8, 8, 8));
    EXPECT_EQ(c.CheckFrame, Color::Rgb(9, 9, 9));
    // Derived from the selection colour and the button face.
    EXPECT_EQ(c.CheckFill, Color::Rgb(191, 191, 255));
    EXPECT_EQ(c.CheckFillSelected, Color::Rgb(128, 128, 255));  // 127.5 to the even 128
    EXPECT_EQ(c.FrameLine, Color::Rgb(122, 120, 110));
    EXPECT_EQ(c.ShadowFill, Color::Rgb(136, 134, 124));
}

TEST_F(XPMenuResolveTest, FewColoursTakeWhiteSilverAndTheShadow) {
    painter.SetUseSystemColors(false);
    painter.SetSelectColor(Color::Rgb(0, 0, 255));
    const Surface palette(8);
    painter.ResolveColors(Canvas(palette.dc()));
    const TXPMenu::PaintColors& c = painter.Colors();
    EXPECT_FALSE(painter.DeepColor());
    EXPECT_EQ(c.CheckFill, kColorWhite);
    EXPECT_EQ(c.CheckFillSelected, Color::Rgb(192, 192, 192));
    EXPECT_EQ(c.FrameLine.ToColorRef(), RGB(128, 128, 128));
    EXPECT_EQ(c.ShadowFill.ToColorRef(), RGB(128, 128, 128));
    EXPECT_EQ(c.SelectFill, Color::Rgb(0, 0, 255));
}

TEST_F(XPMenuResolveTest, SystemColoursOnAFewColourDisplay) {
    const Surface palette(8);
    painter.ResolveColors(Canvas(palette.dc()));
    const TXPMenu::PaintColors& c = painter.Colors();
    EXPECT_EQ(c.Background, kColorWhite);
    EXPECT_EQ(c.IconColumn.ToColorRef(), RGB(212, 208, 200));
    EXPECT_EQ(c.SelectFill, kColorWhite);
    EXPECT_EQ(c.SelectFrame.ToColorRef(), RGB(10, 36, 106));
    EXPECT_EQ(c.BarFill.ToColorRef(), RGB(212, 208, 200));
    EXPECT_EQ(c.DisabledText.ToColorRef(), RGB(128, 128, 128));
    EXPECT_EQ(c.SeparatorLine.ToColorRef(), RGB(128, 128, 128));
    EXPECT_EQ(c.CheckFill, kColorWhite);
    EXPECT_EQ(c.CheckFillSelected, kColorWhite);
    EXPECT_EQ(c.FrameLine.ToColorRef(), RGB(128, 128, 128));
}

TEST_F(XPMenuResolveTest, SystemColoursOnADeepDisplay) {
    painter.SetSelectFontColor(Color::Rgb(1, 2, 3));  // not used with system colours
    const Surface deep(32);
    painter.ResolveColors(Canvas(deep.dc()));
    const TXPMenu::PaintColors& c = painter.Colors();
    EXPECT_EQ(c.Background, Color::Rgb(249, 248, 247));
    EXPECT_EQ(c.IconColumn, Color::Rgb(219, 216, 209));
    EXPECT_EQ(c.SelectFill, Color::Rgb(177, 185, 207));
    EXPECT_EQ(c.SelectFrame.ToColorRef(), RGB(10, 36, 106));
    EXPECT_EQ(c.CheckFrame.ToColorRef(), RGB(10, 36, 106));
    EXPECT_EQ(c.SelectText, kColorMenuText);
    EXPECT_EQ(c.BarFill, Color::System(COLOR_MENU));
    EXPECT_EQ(c.DisabledText, Color::Rgb(141, 141, 141));
    EXPECT_EQ(c.SeparatorLine, Color::Rgb(160, 160, 160));
    EXPECT_EQ(c.CheckFill, Color::Rgb(194, 200, 218));
    EXPECT_EQ(c.CheckFillSelected, Color::Rgb(132, 146, 180));
    EXPECT_EQ(c.FrameLine, Color::Rgb(122, 120, 110));
    EXPECT_EQ(c.ShadowFill, Color::Rgb(136, 134, 124));
}

TEST_F(XPMenuResolveTest, SystemColoursReloadTheMenuFontAtEachPaint) {
    Font stored;
    stored.SetName("Courier New");
    stored.SetColor(Color::Rgb(1, 2, 3));
    painter.SetFont(stored);
    const Surface deep(32);
    painter.SetUseSystemColors(false);
    painter.ResolveColors(Canvas(deep.dc()));
    EXPECT_EQ(painter.GetFont().Name(), "Courier New");
    painter.SetUseSystemColors(true);
    painter.ResolveColors(Canvas(deep.dc()));
    EXPECT_NE(painter.GetFont().Name(), "Courier New");
    EXPECT_EQ(painter.GetFont().GetColor(), kColorMenuText);
}

// The system's menu font set to face for the length of a test.
class MenuFontFace {
public:
    explicit MenuFontFace(const char* face, LONG height) {
        EXPECT_TRUE(ReadNonClientMetrics(m_old));
        NONCLIENTMETRICSA changed = m_old;
        lstrcpynA(changed.lfMenuFont.lfFaceName, face, LF_FACESIZE);
        changed.lfMenuFont.lfHeight = height;
        m_set = ::SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, changed.cbSize, &changed, 0);
    }
    ~MenuFontFace() {
        if (m_set) ::SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, m_old.cbSize, &m_old, 0);
    }
    MenuFontFace(const MenuFontFace&) = delete;
    MenuFontFace& operator=(const MenuFontFace&) = delete;
    bool Set() const noexcept { return m_set; }

private:
    NONCLIENTMETRICSA m_old{};
    bool m_set = false;
};

struct FontCase {
    const char* System;
    const char* Loaded;
};
void PrintTo(const FontCase& c, std::ostream* os) {
    *os << c.System;
}

class XPMenuFontTest : public ::testing::TestWithParam<FontCase> {};

TEST_P(XPMenuFontTest, IsTheSystemsMenuFontInTheMenuTextColour) {
    const FontCase& c = GetParam();
    const MenuFontFace face(c.System, -13);
    ASSERT_TRUE(face.Set());
    Font font;
    font.SetColor(Color::Rgb(1, 2, 3));
    TXPMenu::LoadMenuFont(font);
    EXPECT_EQ(font.Name(), c.Loaded);
    EXPECT_EQ(font.Height(), -13);
    EXPECT_EQ(font.GetColor(), kColorMenuText);
}

INSTANTIATE_TEST_SUITE_P(Faces, XPMenuFontTest,
                         ::testing::Values(FontCase{"MS Sans Serif", "Tahoma"},
                                           FontCase{"Arial", "Arial"},
                                           FontCase{"MS Sans Serif Bold", "MS Sans Serif Bold"}),
                         [](const auto& info) {
                             std::string name = info.param.System;
                             std::erase(name, ' ');
                             return name;
                         });

}  // namespace
}  // namespace cs::test
