#include <windows.h>
#include <oleacc.h>

#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "support/Pictures.h"
#include "ui/DialogTestSupport.h"
#include "ui/Maker.h"
#include "ui/TimeServers.h"

namespace cs::test {
namespace {

// The names a screen reader finds for the owner-drawn items of a platform menu, walking each
// item and then its submenu; every item checked for the mark and for its check state.
void ReadNames(HMENU menu, std::vector<std::wstring>& names) {
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_DATA | MIIM_SUBMENU | MIIM_ID;
        ASSERT_TRUE(::GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info));
        const auto* data = reinterpret_cast<const MSAAMENUINFO*>(info.dwItemData);
        ASSERT_NE(data, nullptr);
        EXPECT_NE(info.fType & MFT_OWNERDRAW, 0u);
        EXPECT_EQ(data->dwMSAASignature, static_cast<DWORD>(MSAA_MENU_SIG));
        names.emplace_back(data->pszWText, data->cchWText);
        const MenuItem* item = MenuItem::FromCommand(info.wID);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->Checked(), (info.fState & MFS_CHECKED) != 0) << item->Name();
        if (info.hSubMenu) ReadNames(info.hSubMenu, names);
    }
}

std::wstring Wide(std::string_view text) {
    return std::wstring(text.begin(), text.end());
}

using MenuNamesTest = DialogTest;

TEST_F(MenuNamesTest, EveryItemOfTheMenuBarItsMenusAndTheTrayMenuNamesItsCaption) {
    Start();
    main->PingDaily1->SetChecked(true);
    std::vector<std::wstring> expected = {L"File",
                                          L"Ping Veritan Clock",
                                          L"",
                                          L"Auto Start with Windows",
                                          L"Start Minimized",
                                          L"Auto Synchronize Daily",
                                          L"Time Servers"};
    for (std::string_view server : kTimeServers) expected.push_back(Wide(server));
    expected.insert(expected.end(),
                    {L"", L"Exit", L"Tools", L"Proxy Server", L"System Date/Time", L"Help",
                     L"Read me", Wide(kMakerDomain), L"About this program"});
    std::vector<std::wstring> names;
    ReadNames(main->MainMenu1->Handle(), names);
    EXPECT_THAT(names, ::testing::ElementsAreArray(expected));
    names.clear();
    ReadNames(main->PopupMenu1->Handle(), names);
    EXPECT_THAT(names, ::testing::ElementsAre(L"Open Veritan Clock Sync.", L"Ping Now",
                                              L"Auto Synchronized Daily", L"", L"Exit"));
}

// ---- High Contrast ---------------------------------------------------------------------------

constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kMainGrey = RGB(0x40, 0x40, 0x40);
constexpr COLORREF kDialogGrey = RGB(0x57, 0x57, 0x57);

struct SchemeColors {
    const char* Name;
    COLORREF Window, WindowText, ButtonFace, ButtonText;
};

void PrintTo(const SchemeColors& scheme, std::ostream* out) {
    *out << scheme.Name;
}

// A window's client area as it came on the screen, through the window's own painting.
class ScreenShot {
public:
    explicit ScreenShot(HWND window) {
        RECT client{};
        ::GetClientRect(window, &client);
        POINT origin{0, 0};
        ::ClientToScreen(window, &origin);
        m_width = client.right;
        m_height = client.bottom;
        const WindowDc screen(nullptr);
        m_bitmap.reset(::CreateCompatibleBitmap(screen.dc(), m_width, m_height));
        m_select.emplace(m_dc.get(), m_bitmap.get());
        ::BitBlt(m_dc.get(), 0, 0, m_width, m_height, screen.dc(), origin.x, origin.y, SRCCOPY);
    }
    // How many pixels of the area have the colour.
    int Count(COLORREF color, const RECT& area) const {
        int count = 0;
        for (int y = area.top; y < std::min<int>(area.bottom, m_height); ++y)
            for (int x = area.left; x < std::min<int>(area.right, m_width); ++x)
                count += ::GetPixel(m_dc.get(), x, y) == color;
        return count;
    }
    void Save(const std::string& name) const {
        EXPECT_TRUE(SaveShotIfAsked(m_dc.get(), m_width, m_height, name)) << name;
    }

private:
    int m_width = 0;
    int m_height = 0;
    unique_hdc m_dc{::CreateCompatibleDC(nullptr)};
    unique_hbitmap m_bitmap;
    std::optional<SelectGuard> m_select;
};

class HighContrastTest : public DialogTest, public ::testing::WithParamInterface<SchemeColors> {
protected:
    HighContrastScheme scheme{{{COLOR_WINDOW, GetParam().Window},
                               {COLOR_WINDOWTEXT, GetParam().WindowText},
                               {COLOR_BTNFACE, GetParam().ButtonFace},
                               {COLOR_BTNTEXT, GetParam().ButtonText}}};
};

// While the mode is on no colour of the designs is left where the texts are, and the scheme's
// window and text colours are there instead; off again, the designed ones come back.
TEST_P(HighContrastTest, OnTheScreenTheDesignedColoursMakeWayForTheSchemes) {
    const SchemeColors& colors = GetParam();
    Start();
    proxy = app->CreateForm<TfrmProxy>();
    about = app->CreateForm<TfrmAbout>();
    main->Hide();
    const struct {
        const char* Name;
        Form* Window;
        RECT Texts;    // where the texts are, the pictures left out
        RECT Buttons;  // the flat buttons, or the box that holds them
        std::vector<COLORREF> Designed;
    } windows[] = {
        {"main", main, {0, 41, 424, 264}, {0, 0, 424, 41}, {kMainGrey, kGreen, kYellow}},
        {"proxy", proxy, {0, 0, 332, 115}, {184, 120, 321, 150}, {kDialogGrey}},
        {"about", about, {0, 0, 365, 213}, {}, {kDialogGrey, kGreen, kYellow}},
    };
    for (const bool on : {true, false}) {
        OverrideHighContrast(on);
        for (const auto& window : windows) {
            SCOPED_TRACE(std::string(window.Name) + (on ? " in High Contrast" : " as designed"));
            window.Window->Show();
            ::SetWindowPos(window.Window->Handle(), HWND_TOPMOST, 0, 0, 0, 0,
                           SWP_NOMOVE | SWP_NOSIZE);
            ::UpdateWindow(window.Window->Handle());
            PumpMessages(200);
            const ScreenShot shot(window.Window->Handle());
            window.Window->Hide();
            shot.Save(std::string("contrast-") + colors.Name + "-" + window.Name +
                      (on ? "-on.bmp" : "-off.bmp"));
            for (COLORREF designed : window.Designed)
                EXPECT_EQ(shot.Count(designed, window.Texts) > 0, !on) << std::hex << designed;
            if (on) {
                EXPECT_GT(shot.Count(colors.Window, window.Texts), 1000);
                EXPECT_GT(shot.Count(colors.WindowText, window.Texts), 20);
                EXPECT_GE(shot.Count(colors.ButtonFace, window.Buttons),
                          (window.Buttons.right - window.Buttons.left) *
                              (window.Buttons.bottom - window.Buttons.top) / 2);
            }
        }
    }
}

// A setting change reads the mode again (unchanged here: no repaint); a colour change repaints.
TEST_P(HighContrastTest, ShownWindowsArePaintedAfreshWhenTheModeOrTheColoursChange) {
    StartDialogsOnly();
    OverrideHighContrast(false);
    proxy->Show();
    const auto waiting = [&] { return ::GetUpdateRect(proxy->Handle(), nullptr, FALSE) != 0; };
    ::UpdateWindow(proxy->Handle());
    ASSERT_FALSE(waiting());
    OverrideHighContrast(true);
    EXPECT_TRUE(waiting());
    ::UpdateWindow(proxy->Handle());
    ::SendMessageA(proxy->Handle(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    EXPECT_FALSE(waiting());
    ::SendMessageA(proxy->Handle(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_TRUE(waiting());
    proxy->Hide();
}

// A scheme of colours that differ from every colour of the designs and from one another, so
// that one role's colour in another's place shows; and the system's black scheme.
INSTANTIATE_TEST_SUITE_P(Schemes, HighContrastTest,
                         ::testing::Values(SchemeColors{"Distinct", RGB(0, 0, 0),
                                                        RGB(230, 230, 230), RGB(0, 0, 64),
                                                        RGB(128, 255, 255)},
                                           SchemeColors{"Black", RGB(0, 0, 0), RGB(255, 255, 255),
                                                        RGB(0, 0, 0), RGB(255, 255, 255)}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace cs::test
