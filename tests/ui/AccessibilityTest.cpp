#include <windows.h>
#include <oleacc.h>

#include <gmock/gmock.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "support/Pictures.h"
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

// ---- High Contrast ---------------------------------------------------------------------------

// The system colours that the windows take in High Contrast.
struct SchemeColors {
    const char* Name;
    COLORREF Window, WindowText, ButtonFace, ButtonText;
};

void PrintTo(const SchemeColors& scheme, std::ostream* out) {
    *out << scheme.Name;
}

// A dark scheme whose colours each differ from every colour of the designs and from one another,
// so that a designed colour left standing, or one role's colour in another's place, shows.
constexpr SchemeColors kDistinct{"Distinct", RGB(0, 0, 0), RGB(230, 230, 230), RGB(0, 0, 64),
                                 RGB(128, 255, 255)};
// The look of the system's own black High Contrast scheme.
constexpr SchemeColors kBlackScheme{"Black", RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 0, 0),
                                    RGB(255, 255, 255)};

// Sets the scheme's colours for as long as it lives; the old colours, and the system's say over
// the mode, come back after.
class ContrastScheme {
public:
    explicit ContrastScheme(const SchemeColors& scheme)
        : m_colors{scheme.Window, scheme.WindowText, scheme.ButtonFace, scheme.ButtonText} {
        for (int i = 0; i < kCount; ++i) m_old[i] = ::GetSysColor(kIndexes[i]);
        ::SetSysColors(kCount, kIndexes, m_colors);
    }
    ~ContrastScheme() {
        ::SetSysColors(kCount, kIndexes, m_old);
        OverrideHighContrast(std::nullopt);
    }
    ContrastScheme(const ContrastScheme&) = delete;
    ContrastScheme& operator=(const ContrastScheme&) = delete;

private:
    static constexpr int kCount = 4;
    static constexpr INT kIndexes[kCount] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_BTNFACE,
                                             COLOR_BTNTEXT};
    COLORREF m_colors[kCount];
    COLORREF m_old[kCount] = {};
};

// The text and background colours a window would paint with.
struct Paint {
    COLORREF Text;
    COLORREF Back;
    friend bool operator==(const Paint&, const Paint&) = default;
};

std::ostream& operator<<(std::ostream& out, const Paint& paint) {
    return out << std::hex << "text " << paint.Text << " on " << paint.Back;
}

// A small picture to paint into and read back.
class Surface {
public:
    Surface(int width, int height)
        : m_dc(::CreateCompatibleDC(nullptr)),
          m_bitmap(::CreateBitmap(width, height, 1, 32, nullptr)),
          m_select(m_dc.get(), m_bitmap.get()) {}
    HDC dc() const noexcept { return m_dc.get(); }

private:
    unique_hdc m_dc;
    unique_hbitmap m_bitmap;
    SelectGuard m_select;
};

// What a control's parent gives it for painting, asked the way the system's control asks.
Paint AskParent(const Control& control, UINT message) {
    const Surface surface(4, 4);
    const auto brush = reinterpret_cast<HBRUSH>(::SendMessageA(
        ::GetParent(control.Handle()), message, reinterpret_cast<WPARAM>(surface.dc()),
        reinterpret_cast<LPARAM>(control.Handle())));
    LOGBRUSH fill{};
    EXPECT_TRUE(brush && ::GetObjectA(brush, sizeof fill, &fill));
    return {::GetTextColor(surface.dc()), fill.lbColor};
}

// A window's erased background; no text.
Paint Erased(const Control& control) {
    const Surface surface(4, 4);
    ::SendMessageA(control.Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(surface.dc()), 0);
    return {CLR_INVALID, ::GetPixel(surface.dc(), 1, 1)};
}

// A flat button's face at rest, and the colour of its caption: the one colour other than the
// face's that most of its caption's pixels have (the glyph lies left of the caption).
Paint Drawn(const FlatButton& button) {
    const Surface surface(button.Width(), button.Height());
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_BUTTON;
    draw.hwndItem = button.Handle();
    draw.hDC = surface.dc();
    draw.rcItem = RECT{0, 0, button.Width(), button.Height()};
    ::SendMessageA(::GetParent(button.Handle()), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
    const COLORREF face = ::GetPixel(surface.dc(), 1, 1);
    std::map<COLORREF, int> counts;
    for (int x = button.Width() / 2; x < button.Width(); ++x)
        for (int y = 0; y < button.Height(); ++y)
            if (const COLORREF pixel = ::GetPixel(surface.dc(), x, y); pixel != face)
                ++counts[pixel];
    COLORREF text = CLR_INVALID;
    int most = 0;
    for (const auto& [color, count] : counts)
        if (count > most) std::tie(text, most) = std::tie(color, count);
    return {text, face};
}

enum class Role { Window, Button };

struct ContrastCase {
    const char* Name;
    std::function<Paint()> Read;
    Paint Designed;
    Role InContrast;
};

class HighContrastTest : public DialogTest {
protected:
    void Check(const std::vector<ContrastCase>& cases) {
        for (const bool on : {false, true, false}) {
            OverrideHighContrast(on);
            for (const ContrastCase& c : cases) {
                SCOPED_TRACE(std::string(c.Name) + (on ? " in High Contrast" : " as designed"));
                Paint expected = c.Designed;
                if (on && c.InContrast == Role::Window)
                    expected = {kDistinct.WindowText, kDistinct.Window};
                if (on && c.InContrast == Role::Button)
                    expected = {kDistinct.ButtonText, kDistinct.ButtonFace};
                if (c.Designed.Text == CLR_INVALID) expected.Text = CLR_INVALID;
                EXPECT_EQ(c.Read(), expected);
            }
        }
    }
    ContrastScheme scheme{kDistinct};
};

constexpr COLORREF kMainGrey = RGB(0x40, 0x40, 0x40);
constexpr COLORREF kDialogGrey = RGB(0x57, 0x57, 0x57);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

TEST_F(HighContrastTest, TheMainWindowTakesTheSystemsColoursWhileItIsOn) {
    Start();
    Check({
        {"window", [this] { return Erased(*main); }, {CLR_INVALID, kMainGrey}, Role::Window},
        {"tool strip",
         [this] { return Erased(*main->Panel1); },
         {CLR_INVALID, kMainGrey},
         Role::Button},
        {"heading",
         [this] { return AskParent(*main->Label12, WM_CTLCOLORSTATIC); },
         {kWhite, kMainGrey},
         Role::Window},
        {"caption",
         [this] { return AskParent(*main->Label9, WM_CTLCOLORSTATIC); },
         {kGreen, kMainGrey},
         Role::Window},
        {"value",
         [this] { return AskParent(*main->lblLastPing, WM_CTLCOLORSTATIC); },
         {kYellow, kMainGrey},
         Role::Window},
        {"ping button",
         [this] { return Drawn(*main->SpeedButton1); },
         {kWhite, kMainGrey},
         Role::Button},
    });
}

TEST_F(HighContrastTest, TheProxyDialogAndTheAboutWindowTakeThemToo) {
    StartDialogsOnly();
    const COLORREF editBack = ::GetSysColor(COLOR_WINDOW);
    Check({
        {"proxy dialog",
         [this] { return Erased(*proxy); },
         {CLR_INVALID, kDialogGrey},
         Role::Window},
        {"frame",
         [this] { return AskParent(*proxy->GroupBox3, WM_CTLCOLORSTATIC); },
         {kWhite, kDialogGrey},
         Role::Window},
        {"label in the frame",
         [this] { return AskParent(*proxy->Label1, WM_CTLCOLORSTATIC); },
         {kWhite, kDialogGrey},
         Role::Window},
        {"edit box",
         [this] { return AskParent(*proxy->txtAddress, WM_CTLCOLOREDIT); },
         {kBlack, editBack},
         Role::Window},
        {"check box",
         [this] { return AskParent(*proxy->CheckBox1, WM_CTLCOLORSTATIC); },
         {kWhite, kDialogGrey},
         Role::Window},
        {"OK button",
         [this] { return Drawn(*proxy->SpeedButton1); },
         {kWhite, kDialogGrey},
         Role::Button},
        {"About window",
         [this] { return Erased(*about); },
         {CLR_INVALID, kDialogGrey},
         Role::Window},
        {"name",
         [this] { return AskParent(*about->Label1, WM_CTLCOLORSTATIC); },
         {kWhite, kDialogGrey},
         Role::Window},
        {"About text",
         [this] { return AskParent(*about->Label2, WM_CTLCOLORSTATIC); },
         {kYellow, kDialogGrey},
         Role::Window},
        {"website",
         [this] { return AskParent(*about->Label3, WM_CTLCOLORSTATIC); },
         {kGreen, kDialogGrey},
         Role::Window},
    });
}

// Shown windows are painted afresh when the mode changes, and when the scheme's colours do.
TEST_F(HighContrastTest, ShownWindowsArePaintedAfreshWhenTheModeOrTheColoursChange) {
    StartDialogsOnly();
    OverrideHighContrast(false);
    proxy->Show();
    const auto painted = [&] {
        ::UpdateWindow(proxy->Handle());
        return !::GetUpdateRect(proxy->Handle(), nullptr, FALSE);
    };
    ASSERT_TRUE(painted());
    OverrideHighContrast(true);
    EXPECT_TRUE(::GetUpdateRect(proxy->Handle(), nullptr, FALSE));
    ASSERT_TRUE(painted());

    // A change of another setting leaves the windows as they are; a colour change does not.
    ::SendMessageA(proxy->Handle(), WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
    EXPECT_FALSE(::GetUpdateRect(proxy->Handle(), nullptr, FALSE));
    ::SendMessageA(proxy->Handle(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_TRUE(::GetUpdateRect(proxy->Handle(), nullptr, FALSE));
    proxy->Hide();
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
        m_dc.reset(::CreateCompatibleDC(screen.dc()));
        m_bitmap.reset(::CreateCompatibleBitmap(screen.dc(), m_width, m_height));
        m_select.emplace(m_dc.get(), m_bitmap.get());
        ::BitBlt(m_dc.get(), 0, 0, m_width, m_height, screen.dc(), origin.x, origin.y, SRCCOPY);
    }

    // How many pixels of the rectangle have the colour.
    int Count(COLORREF color, const RECT& area) const {
        int count = 0;
        for (int y = std::max<int>(area.top, 0); y < std::min<int>(area.bottom, m_height); ++y)
            for (int x = std::max<int>(area.left, 0); x < std::min<int>(area.right, m_width); ++x)
                if (::GetPixel(m_dc.get(), x, y) == color) ++count;
        return count;
    }

    void SaveIfAsked(const std::string& name) const {
        if (const std::string path = ShotPath(name); !path.empty()) {
            EXPECT_TRUE(SaveBmp(m_dc.get(), m_width, m_height, path)) << path;
        }
    }

private:
    int m_width = 0;
    int m_height = 0;
    unique_hdc m_dc;
    unique_hbitmap m_bitmap;
    std::optional<SelectGuard> m_select;
};

// Shows the form in front of everything until it has painted.
void ShowPainted(Form& form) {
    form.Show();
    ::SetWindowPos(form.Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    for (int i = 0; i < 10; ++i) {
        ::RedrawWindow(form.Handle(), nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpMessages(30);
    }
}

// On the screen, no colour of the designs is left where the texts are while the mode is on,
// and the scheme's own are there instead. The pictures are kept when CS_SHOT_DIR asks for them.
class ScreenContrastTest : public DialogTest, public ::testing::WithParamInterface<SchemeColors> {
protected:
    ContrastScheme scheme{GetParam()};
};

TEST_P(ScreenContrastTest, TheDesignedColoursMakeWayForTheSchemes) {
    const SchemeColors& colors = GetParam();
    Start();
    proxy = app->CreateForm<TfrmProxy>();
    about = app->CreateForm<TfrmAbout>();
    main->Hide();
    const struct {
        const char* Name;
        Form* Window;
        RECT Texts;  // where the texts are, the pictures left out
        std::vector<COLORREF> Designed;
    } windows[] = {
        {"main", main, {0, 41, 424, 264}, {kMainGrey, kGreen, kYellow}},
        {"proxy", proxy, {0, 0, 332, 115}, {kDialogGrey}},
        {"about", about, {0, 0, 365, 213}, {kDialogGrey, kGreen, kYellow}},
    };
    for (const bool on : {false, true}) {
        OverrideHighContrast(on);
        for (const auto& window : windows) {
            SCOPED_TRACE(std::string(window.Name) + (on ? " in High Contrast" : " as designed"));
            ShowPainted(*window.Window);
            const ScreenShot shot(window.Window->Handle());
            window.Window->Hide();
            shot.SaveIfAsked(std::string("contrast-") + colors.Name + "-" + window.Name +
                             (on ? "-on.bmp" : "-off.bmp"));
            for (COLORREF designed : window.Designed) {
                if (on) {
                    EXPECT_EQ(shot.Count(designed, window.Texts), 0) << std::hex << designed;
                } else {
                    EXPECT_GT(shot.Count(designed, window.Texts), 0) << std::hex << designed;
                }
            }
            if (on) {
                EXPECT_GT(shot.Count(colors.Window, window.Texts), 1000);
                EXPECT_GT(shot.Count(colors.WindowText, window.Texts), 20);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Schemes, ScreenContrastTest, ::testing::Values(kDistinct, kBlackScheme),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace cs::test
