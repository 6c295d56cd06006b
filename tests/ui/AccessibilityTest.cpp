#include <windows.h>
#include <oleacc.h>

#include <gmock/gmock.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "ui/DialogTestSupport.h"
#include "ui/Maker.h"
#include "ui/TimeServers.h"

namespace cs::test {
namespace {

using ::testing::ElementsAreArray;

// What a screen reader learns of the owner-drawn items of a platform menu and its submenus, in
// the order it walks them: each item, then its submenu.
struct ReadItem {
    std::wstring Name;
    bool Checked = false;
};

void ReadOwnerDrawnItems(HMENU menu, std::vector<ReadItem>& items) {
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_DATA | MIIM_SUBMENU | MIIM_ID;
        ASSERT_TRUE(::GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info));
        EXPECT_NE(info.fType & MFT_OWNERDRAW, 0u) << "item " << i << " of a painted menu";
        const auto* data = reinterpret_cast<const MSAAMENUINFO*>(info.dwItemData);
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data->dwMSAASignature, static_cast<DWORD>(MSAA_MENU_SIG));
        items.push_back(
            {std::wstring(data->pszWText, data->cchWText), (info.fState & MFS_CHECKED) != 0});
        // The framework item behind the entry agrees on the check mark.
        if (const MenuItem* item = MenuItem::FromCommand(info.wID)) {
            EXPECT_EQ(item->Checked(), items.back().Checked);
        }
        if (info.hSubMenu) ReadOwnerDrawnItems(info.hSubMenu, items);
    }
}

std::wstring Wide(std::string_view text) {
    return std::wstring(text.begin(), text.end());
}

class MenuNamesTest : public DialogTest {};

TEST_F(MenuNamesTest, EveryItemOfTheMenuBarAndItsMenusNamesItsCaption) {
    Start();
    std::vector<ReadItem> read;
    ReadOwnerDrawnItems(main->MainMenu1->Handle(), read);
    std::vector<std::wstring> expected = {L"File",
                                          L"Ping Veritan Clock",
                                          L"",
                                          L"Auto Start with Windows",
                                          L"Start Minimized",
                                          L"Auto Synchronize Daily",
                                          L"Time Servers"};
    for (std::string_view server : kTimeServers) expected.push_back(Wide(server));
    for (const wchar_t* name :
         {L"", L"Exit", L"Tools", L"Proxy Server", L"System Date/Time", L"Help", L"Read me"})
        expected.emplace_back(name);
    expected.push_back(Wide(kMakerDomain));
    expected.emplace_back(L"About this program");
    std::vector<std::wstring> names;
    for (const ReadItem& item : read) names.push_back(item.Name);
    EXPECT_THAT(names, ElementsAreArray(expected));
}

TEST_F(MenuNamesTest, TheTrayMenuNamesItsItemsAndFollowsTheirChecks) {
    Start();
    main->PingDaily1->SetChecked(false);
    main->PingDaily1->SetChecked(true);
    main->Exit1->SetCaption("&Quit");  // a caption changed after the menu was made
    std::vector<ReadItem> read;
    ReadOwnerDrawnItems(main->PopupMenu1->Handle(), read);
    ASSERT_EQ(read.size(), 5u);
    const std::vector<std::wstring> expected = {L"Open Veritan Clock Sync.", L"Ping Now",
                                                L"Auto Synchronized Daily", L"", L"Quit"};
    for (size_t i = 0; i < read.size(); ++i) EXPECT_EQ(read[i].Name, expected[i]);
    EXPECT_TRUE(read[2].Checked);
}

}  // namespace
}  // namespace cs::test
