#include <gmock/gmock.h>

#include "core/Exception.h"
#include "framework/Buttons.h"
#include "framework/FrameworkFixture.h"
#include "framework/StdCtrls.h"

namespace cs::test {
namespace {

constexpr Color kDarkGrey = Color::FromRgb(0x404040);
constexpr Color kYellow = Color::FromRgb(0xFFFF00);

// The colour on screen of a pixel of window, after it has painted.
COLORREF PixelOf(HWND window, int x, int y) {
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    const WindowDc dc(window);
    return ::GetPixel(dc.dc(), x, y);
}

class ControlsTest : public FrameworkTest {
protected:
    ControlsTest() {
        form->SetColor(kDarkGrey);
        form->SetVisible(true);
    }
    TestForm* form = app.CreateForm<TestForm>();
};

TEST_F(ControlsTest, LabelPaintsItsTextColourOnTheParentsColour) {
    auto* label = new Label(form);
    label->SetParent(form);
    label->SetBounds(10, 10, 150, 13);
    label->SetAutoSize(false);
    label->SetCaption("Date && Time");
    label->GetFont().SetColor(kYellow);
    label->SetTransparent(true);

    char text[64] = {};
    ::GetWindowTextA(label->Handle(), text, sizeof text);
    EXPECT_STREQ(text, "Date && Time");  // the window keeps the text; STATIC shows one "&"

    const WindowDc dc(label->Handle());
    const auto brush = reinterpret_cast<HBRUSH>(
        ::SendMessageA(form->Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.dc()),
                       reinterpret_cast<LPARAM>(label->Handle())));
    EXPECT_EQ(brush, form->BackgroundBrush());
    EXPECT_EQ(::GetTextColor(dc.dc()), kYellow.ToColorRef());
    EXPECT_EQ(PixelOf(label->Handle(), 149, 12), kDarkGrey.ToColorRef());
}

TEST_F(ControlsTest, AutoSizedLabelFitsItsCaption) {
    auto* label = new Label(form);
    label->SetParent(form);
    label->SetBounds(5, 48, 10, 13);
    label->SetCaption("Your System Settings . . .");
    EXPECT_GT(label->Width(), 60);
    EXPECT_EQ(label->Height(), 13);  // as designed, whatever this system's font metrics
    RECT rect{};
    ::GetClientRect(label->Handle(), &rect);
    EXPECT_EQ(rect.right, label->Width());
}

TEST_F(ControlsTest, FontFollowsTheParentUntilTheControlSetsItsOwn) {
    auto* follower = new Label(form);
    follower->SetParent(form);
    auto* own = new Label(form);
    own->SetParent(form);
    own->GetFont().SetColor(kYellow);
    EXPECT_FALSE(own->ParentFont());

    form->GetFont().SetHeight(-15);
    EXPECT_EQ(follower->GetFont().Height(), -15);
    EXPECT_EQ(own->GetFont().Height(), -11);
}

TEST(Font, DefaultsToEightPointMsSansSerif) {
    Font font;
    EXPECT_EQ(font.Name(), "MS Sans Serif");
    EXPECT_EQ(font.Height(), -11);
    EXPECT_EQ(font.Size(), 8);
    font.SetSize(10);
    EXPECT_EQ(font.Height(), -13);
}

class FlatButtonTest : public ControlsTest {
protected:
    FlatButtonTest() {
        button->SetParent(form);
        button->SetBounds(2, 3, 100, 35);
        button->SetCaption("Ping Now");
        button->OnClick = [this](Component&) { ++clicks; };
    }
    FlatButton* button = new FlatButton(form);
    int clicks = 0;
};

TEST_F(FlatButtonTest, ClicksWithoutTakingTheFocus) {
    ::SetFocus(form->Handle());
    ::SendMessageA(button->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
    EXPECT_NE(::GetFocus(), button->Handle());
    EXPECT_EQ(::GetWindowLongA(button->Handle(), GWL_STYLE) & WS_TABSTOP, 0);
}

TEST_F(FlatButtonTest, ReleasingOutsideDoesNotClick) {
    ::SendMessageA(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(button->Pressed());
    ::SendMessageA(button->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(500, 5));
    EXPECT_FALSE(button->Pressed());
    ::SendMessageA(button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(500, 5));
    EXPECT_EQ(clicks, 0);
}

TEST_F(FlatButtonTest, FrameShowsOnlyWhileThePointerIsOver) {
    EXPECT_EQ(PixelOf(button->Handle(), 0, 0), kDarkGrey.ToColorRef());
    ::SendMessageA(button->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(button->Hot());
    EXPECT_EQ(PixelOf(button->Handle(), 0, 0), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    ::SendMessageA(button->Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(button->Hot());
    EXPECT_EQ(PixelOf(button->Handle(), 0, 0), kDarkGrey.ToColorRef());
}

TEST_F(ControlsTest, SunkenPanelFramesItsChildrenOnItsParentsColour) {
    auto* panel = new Panel(form);
    panel->SetParent(form);
    panel->SetBounds(0, 0, 200, 41);
    panel->SetBevelOuter(BevelCut::Lowered);
    EXPECT_EQ(panel->GetColor(), kDarkGrey);
    EXPECT_EQ(PixelOf(panel->Handle(), 0, 0), ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(PixelOf(panel->Handle(), 199, 40), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(PixelOf(panel->Handle(), 100, 20), kDarkGrey.ToColorRef());
}

}  // namespace
}  // namespace cs::test
