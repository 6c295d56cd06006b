#include "ui/about.h"

#include <gmock/gmock.h>

#include <string>

#include "ui/DialogTestSupport.h"
#include "ui/Maker.h"

namespace cs::test {
namespace {

using ::testing::ElementsAre;
using ::testing::SizeIs;

constexpr char kFirstParagraph[] = "This program is provided free of charge by Meridane";

// Each label of the About window: its place (a width of 0: the label fits its text, keeping its
// right edge), its alignment and its font as the window really uses it.
struct AboutLabel {
    const char* Name;
    int Left, Top, Width, Height;
    int Right;
    const char* FaceName;
    int FontHeight;
    BYTE Charset;
    COLORREF Colour;
    bool Underline;
    bool Wrapped;
};

std::ostream& operator<<(std::ostream& out, const AboutLabel& label) {
    return out << label.Name;
}

class AboutLayoutTest : public DialogTest, public ::testing::WithParamInterface<AboutLabel> {};

TEST_P(AboutLayoutTest, LabelSitsWhereDesignedInItsFont) {
    const AboutLabel& want = GetParam();
    StartDialogsOnly();
    auto* label = dynamic_cast<Label*>(about->FindComponent(want.Name));
    ASSERT_NE(label, nullptr);
    HWND window = label->Handle();
    EXPECT_EQ(::GetParent(window), about->Handle());

    RECT rect{};
    ::GetWindowRect(window, &rect);
    ::MapWindowPoints(nullptr, about->Handle(), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.right, want.Right);
    EXPECT_EQ(rect.top, want.Top);
    if (want.Width) {
        EXPECT_EQ(rect.left, want.Left);
        EXPECT_EQ(rect.right - rect.left, want.Width);
        EXPECT_EQ(rect.bottom - rect.top, want.Height);
    } else {
        // Fitted to its text, which must then still lie on the window.
        EXPECT_GE(rect.left, 0);
    }
    const LONG style = ::GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(style & SS_TYPEMASK, SS_RIGHT);

    LOGFONTA font{};
    ASSERT_NE(::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(window, WM_GETFONT, 0, 0)),
                           sizeof font, &font),
              0);
    EXPECT_STREQ(font.lfFaceName, want.FaceName);
    EXPECT_EQ(font.lfHeight, want.FontHeight);
    EXPECT_EQ(font.lfCharSet, want.Charset);
    EXPECT_EQ(font.lfUnderline != 0, want.Underline);
    EXPECT_EQ(font.lfWeight <= FW_NORMAL, true);
    EXPECT_EQ(label->GetFont().GetColor().ToColorRef(), want.Colour);
    EXPECT_EQ(label->WordWrap(), want.Wrapped);

    // The label paints its text colour straight on the window's grey.
    const WindowDc dc(window);
    const auto brush = reinterpret_cast<HBRUSH>(::SendMessageA(about->Handle(), WM_CTLCOLORSTATIC,
                                                               reinterpret_cast<WPARAM>(dc.dc()),
                                                               reinterpret_cast<LPARAM>(window)));
    EXPECT_EQ(::GetTextColor(dc.dc()), want.Colour);
    EXPECT_EQ(brush, about->BackgroundBrush());
}

INSTANTIATE_TEST_SUITE_P(
    Labels, AboutLayoutTest,
    ::testing::Values(AboutLabel{"Label1", 178, 16, 0, 0, 348, "Terminal", -21, OEM_CHARSET,
                                 RGB(0xFF, 0xFF, 0xFF), false, false},
                      AboutLabel{"Label2", 40, 48, 305, 129, 345, "Comic Sans MS", -11,
                                 DEFAULT_CHARSET, RGB(0xFF, 0xFF, 0x00), false, true},
                      AboutLabel{"Label3", 168, 184, 0, 0, 348, "Comic Sans MS", -12,
                                 DEFAULT_CHARSET, RGB(0x00, 0xFF, 0x00), true, false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DialogTest, AboutWindowIsAFixedDialogWithTheProgramsNameAndTheMakersAddress) {
    StartDialogsOnly();
    ASSERT_EQ(frmAbout, about);
    HWND window = about->Handle();
    EXPECT_EQ(WindowText(window), "About");
    RECT client{};
    ::GetClientRect(window, &client);
    EXPECT_EQ(client.right, 365);
    EXPECT_EQ(client.bottom, 213);
    const LONG style = ::GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
              WS_CAPTION | WS_SYSMENU);
    EXPECT_FALSE(::IsWindowVisible(window));
    EXPECT_EQ(about->GetColor(), Color::FromRgb(0x575757));
    EXPECT_EQ(WindowText(about->Label1->Handle()), "Veritan Clock Sync");
    EXPECT_EQ(WindowText(about->Label3->Handle()), std::string(kMakerWebsite));
}

TEST_F(DialogTest, AboutTextIsThreeParagraphsWithAnEmptyLineBetweenThatFitTheirLabel) {
    StartDialogsOnly();
    const std::string text = WindowText(about->Label2->Handle());
    std::vector<std::string> paragraphs;
    for (size_t start = 0;;) {
        const size_t end = text.find("\r\n\r\n", start);
        paragraphs.push_back(text.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 4;
    }
    EXPECT_THAT(paragraphs,
                ElementsAre(kFirstParagraph,
                            "Meridane provides the worlds most accurate and complete list of "
                            "local times, each location is precisely adjusted for their "
                            "individual daylight savings time rules.",
                            "Please help support our efforts by visiting regularly."));
    EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);  // no bare line feeds

    // Wrapped at word boundaries, the whole text fits the label's fixed box in its font.
    const WindowDc dc(about->Label2->Handle());
    const SelectGuard font(dc.dc(), about->Label2->GetFont().Handle());
    RECT needed{0, 0, about->Label2->Width(), 0};
    ::DrawTextA(dc.dc(), text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_RIGHT);
    EXPECT_LE(needed.right, 305);
    EXPECT_LE(needed.bottom, 129);
    EXPECT_EQ(about->Label2->Height(), 129);
}

TEST_F(DialogTest, AboutLabelHoldsTheFirstParagraphUntilTheWindowsCreationHandler) {
    app.emplace();
    auto* created = new TfrmAbout(&*app);
    EXPECT_EQ(about = frmAbout, created);
    EXPECT_EQ(WindowText(created->Label2->Handle()), kFirstParagraph);
    created->AfterConstruction();
    EXPECT_EQ(WindowText(created->Label2->Handle()), AboutText());
}

TEST_F(DialogTest, ClickOnTheAddressOpensTheWebsiteAndTheWindowStaysOpen) {
    StartDialogsOnly();
    HWND label = about->Label3->Handle();
    bool openAfterClick = false;
    HCURSOR cursorOverAddress = nullptr;
    const int result = ShowWith(
        *about, {[&] {
                     // The window asks for the cursor of the control under the pointer.
                     ::SendMessageA(about->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(label),
                                    MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
                     cursorOverAddress = ::GetCursor();
                     ::PostMessageA(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
                     ::PostMessageA(label, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
                 },
                 [&] { openAfterClick = ::IsWindowVisible(about->Handle()) && about->Modal(); },
                 [&] { ::PostMessageA(about->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); }, [] {}});

    EXPECT_EQ(cursorOverAddress, ::LoadCursorA(nullptr, IDC_HAND));
    EXPECT_TRUE(openAfterClick);
    EXPECT_EQ(result, 2);
    EXPECT_FALSE(::IsWindowVisible(about->Handle()));
    ASSERT_THAT(shell.Executes, SizeIs(1));
    const ExecuteCall& call = shell.Executes[0];
    EXPECT_EQ(call.Owner, about->Handle());
    EXPECT_EQ(call.Operation, "open");
    EXPECT_EQ(call.File, std::string(kMakerWebsite));
    EXPECT_TRUE(call.ParametersAreNull);
    EXPECT_TRUE(call.DirectoryIsNull);
    EXPECT_EQ(call.Show, SW_SHOWNORMAL);
}

}  // namespace
}  // namespace cs::test
