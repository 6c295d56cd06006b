// The menu painter makes fonts, pens, brushes and glyph pictures in every paint, and paints are
// many: each time a menu opens and each time the mouse moves over an item. Whatever a paint
// makes it must give back, or the program runs out of GDI objects after days in the tray.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <vector>

#include "framework/Application.h"
#include "platform/Handles.h"
#include "support/Fakes.h"
#include "support/GdiObjects.h"
#include "support/MessagePump.h"
#include "time/DaytimeClient.h"
#include "ui/UiTestSupport.h"
#include "ui/tzmain.h"

namespace cs::test {
namespace {

void Collect(MenuItem& item, std::vector<MenuItem*>& items) {
    items.push_back(&item);
    for (MenuItem* child : item.Items()) Collect(*child, items);
}

class XPMenuGdiTest : public ::testing::Test {
protected:
    XPMenuGdiTest() {
        ResetSettings();
        ExitRequested = false;
        ServerAddress.clear();
    }
    ~XPMenuGdiTest() override {
        app.reset();
        TakeQuitRequest();
        ResetSettings();
    }

    // Every item of both menus, the menu-bar items among them, through the window's
    // WM_DRAWITEM as the platform sends it.
    void PaintEveryItem(HDC dc, bool selected) const {
        for (MenuItem* item : items) {
            DRAWITEMSTRUCT draw{};
            draw.CtlType = ODT_MENU;
            draw.itemID = item->Command();
            draw.itemAction = ODA_DRAWENTIRE;
            draw.itemState = selected ? ODS_SELECTED : 0;
            draw.hwndItem = reinterpret_cast<HWND>(item->Parent()->Handle());
            draw.hDC = dc;
            draw.rcItem = RECT{0, 0, 160, item->IsLine() ? 4 : 23};
            draw.itemData = item->ItemData();
            ::SendMessageA(main->Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
        }
    }

    FakeMessageBoxes boxes;
    ScopedSeam<IMessageBoxes> boxesSeam{boxes};
    FakeShell shell;
    ScopedSeam<IShell> shellSeam{shell};
    std::optional<Application> app;
    TfrmTzMain* main = nullptr;
    std::vector<MenuItem*> items;
};

TEST_F(XPMenuGdiTest, ThousandPaintsOfEveryItemHoldNoMoreObjectsThanTheFirst) {
    app.emplace();
    app->SetShowMainForm(false);
    main = app->CreateForm<TfrmTzMain>();
    for (MenuItem* item : main->MainMenu1->Items().Items()) Collect(*item, items);
    for (MenuItem* item : main->PopupMenu1->Items().Items()) Collect(*item, items);
    ASSERT_GT(items.size(), 20u);

    // A 32-bit bitmap like the screen's, so that glyphs are faded as they are on screen.
    const unique_hdc dc(::CreateCompatibleDC(nullptr));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 160;
    info.bmiHeader.biHeight = 24;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const unique_hbitmap surface(
        ::CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const SelectGuard select(dc.get(), surface.get());

    // The first paint in both states, so that whatever is made once and kept (the menu font's
    // realisation, the glyphs' masks) exists before counting; then idle and selected by turns.
    PaintEveryItem(dc.get(), false);
    PaintEveryItem(dc.get(), true);
    const int afterFirst = GdiObjectCount();
    for (int i = 0; i < 1000; ++i) PaintEveryItem(dc.get(), i % 2 != 0);
    const int afterThousand = GdiObjectCount();

    std::printf(
        "GDI objects after the first paint of each of %zu items: %d; after 1000 paints "
        "of each: %d\n",
        items.size(), afterFirst, afterThousand);
    EXPECT_GT(afterFirst, 0);
    EXPECT_EQ(afterThousand, afterFirst);
    EXPECT_TRUE(boxes.Shown.empty()) << boxes.Shown.front().Text;
}

}  // namespace
}  // namespace cs::test
