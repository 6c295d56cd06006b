// Group box, edit box and check box, and where a form puts the keyboard focus.
#include <gmock/gmock.h>

#include "framework/Buttons.h"
#include "framework/FrameworkFixture.h"
#include "framework/StdCtrls.h"

namespace cs::test {
namespace {

constexpr Color kGrey = Color::FromRgb(0x575757);

RECT RectIn(HWND window, HWND parent) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// What a child's window gets from its parent when it asks for its colours.
struct AskedColours {
    HBRUSH Brush;
    COLORREF Text;
};
AskedColours AskColours(HWND parent, UINT message, HWND child) {
    const WindowDc dc(child);
    const auto brush = reinterpret_cast<HBRUSH>(::SendMessageA(
        parent, message, reinterpret_cast<WPARAM>(dc.dc()), reinterpret_cast<LPARAM>(child)));
    return {brush, ::GetTextColor(dc.dc())};
}

// The colour on the screen at a point of the window's client area.
COLORREF ScreenPixel(HWND window, int x, int y) {
    POINT point{x, y};
    ::ClientToScreen(window, &point);
    const WindowDc screen(nullptr);
    return ::GetPixel(screen.dc(), point.x, point.y);
}

void Repaint(HWND window) {
    ::RedrawWindow(window, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

// A frame with an edit box and a label inside, and a check box on the form over the frame's
// upper right corner, as the proxy dialog has them.
class DialogControlsTest : public FrameworkTest {
protected:
    DialogControlsTest() {
        form->SetColor(kGrey);
        form->SetClientWidth(330);
        form->SetClientHeight(150);
        group->SetParent(form);
        group->SetBounds(8, 8, 313, 105);
        group->SetCaption("Proxy Information");
        group->GetFont().SetColor(kColorWhite);
        label->SetParent(group);
        label->SetBounds(16, 48, 40, 13);
        label->SetCaption("Address");
        label->GetFont().SetColor(kColorWhite);
        edit->SetParent(group);
        edit->SetBounds(16, 64, 185, 21);
        edit->GetFont().SetColor(kColorBlack);
        port->SetParent(group);
        port->SetBounds(216, 64, 73, 21);
        check->SetParent(form);
        check->SetBounds(224, 24, 73, 17);
        check->SetAlignment(Alignment::Left);
        check->SetCaption("Use Proxy");
        check->GetFont().SetColor(kColorWhite);
        ::SetWindowPos(check->Handle(), HWND_TOP, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        check->OnClick = [this](Component&) { ++clicks; };
    }

    TestForm* form = app.CreateForm<TestForm>();
    GroupBox* group = new GroupBox(form);
    Label* label = new Label(form);
    Edit* edit = new Edit(form);
    Edit* port = new Edit(form);
    CheckBox* check = new CheckBox(form);
    int clicks = 0;
};

TEST_F(DialogControlsTest, ControlsInAFrameArePlacedRelativeToIt) {
    EXPECT_EQ(::GetParent(edit->Handle()), group->Handle());
    const RECT rect = RectIn(edit->Handle(), group->Handle());
    EXPECT_EQ(rect.left, 16);
    EXPECT_EQ(rect.top, 64);
    EXPECT_EQ(rect.right - rect.left, 185);
    EXPECT_EQ(rect.bottom - rect.top, 21);
    const RECT onForm = RectIn(edit->Handle(), form->Handle());
    EXPECT_EQ(onForm.left, 8 + 16);
    EXPECT_EQ(onForm.top, 8 + 64);
}

TEST_F(DialogControlsTest, WindowsAreOfTheSystemsClassesWithTheirStyles) {
    char name[32] = {};
    ::GetClassNameA(group->Handle(), name, sizeof name);
    EXPECT_STRCASEEQ(name, "Button");
    ::GetClassNameA(edit->Handle(), name, sizeof name);
    EXPECT_STRCASEEQ(name, "Edit");
    ::GetClassNameA(check->Handle(), name, sizeof name);
    EXPECT_STRCASEEQ(name, "Button");

    const auto style = [](const Control* control) {
        return static_cast<DWORD>(::GetWindowLongA(control->Handle(), GWL_STYLE));
    };
    EXPECT_EQ(style(group) & BS_TYPEMASK, static_cast<DWORD>(BS_GROUPBOX));
    EXPECT_EQ(style(check) & BS_TYPEMASK, static_cast<DWORD>(BS_AUTOCHECKBOX));
    EXPECT_NE(style(check) & WS_TABSTOP, 0u);
    EXPECT_NE(style(edit) & WS_TABSTOP, 0u);
    EXPECT_EQ(style(edit) & ES_MULTILINE, 0u);
    EXPECT_NE(::GetWindowLongA(edit->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    // Tab goes into the frame's controls.
    EXPECT_NE(::GetWindowLongA(group->Handle(), GWL_EXSTYLE) & WS_EX_CONTROLPARENT, 0);

    // The box right of the caption, also when switched back and forth on the window.
    EXPECT_NE(style(check) & BS_LEFTTEXT, 0u);
    check->SetAlignment(Alignment::Right);
    EXPECT_EQ(style(check) & BS_LEFTTEXT, 0u);
    check->SetAlignment(Alignment::Left);
    EXPECT_NE(style(check) & BS_LEFTTEXT, 0u);
}

TEST_F(DialogControlsTest, EachControlGetsItsOwnColoursFromItsParent) {
    // The frame's caption, the label in it and the check box: white on the form's grey.
    for (const Control* control : {static_cast<Control*>(group), static_cast<Control*>(check)}) {
        const AskedColours colours =
            AskColours(form->Handle(), WM_CTLCOLORSTATIC, control->Handle());
        EXPECT_EQ(colours.Text, kColorWhite.ToColorRef()) << control->Caption();
        EXPECT_EQ(colours.Brush, control->BackgroundBrush()) << control->Caption();
        EXPECT_EQ(control->GetColor(), kGrey) << control->Caption();
    }
    // Inside the frame the frame passes the questions on, as a form does.
    const AskedColours inLabel = AskColours(group->Handle(), WM_CTLCOLORSTATIC, label->Handle());
    EXPECT_EQ(inLabel.Text, kColorWhite.ToColorRef());
    const AskedColours inEdit = AskColours(group->Handle(), WM_CTLCOLOREDIT, edit->Handle());
    EXPECT_EQ(inEdit.Text, kColorBlack.ToColorRef());
    EXPECT_EQ(inEdit.Brush, edit->BackgroundBrush());
    EXPECT_EQ(edit->GetColor(), Color::System(COLOR_WINDOW));

    // An edit box straight on a form is asked the same way.
    auto* loose = new Edit(form);
    loose->SetParent(form);
    loose->GetFont().SetColor(kColorBlack);
    const AskedColours onForm = AskColours(form->Handle(), WM_CTLCOLOREDIT, loose->Handle());
    EXPECT_EQ(onForm.Text, kColorBlack.ToColorRef());
    EXPECT_EQ(onForm.Brush, loose->BackgroundBrush());
}

TEST_F(DialogControlsTest, FrameIsFilledAndTheCheckBoxStaysOverIt) {
    form->SetVisible(true);
    Repaint(form->Handle());
    // Inside the frame, away from its lines and controls: the form's grey, not whatever was there.
    EXPECT_EQ(ScreenPixel(group->Handle(), 150, 30), kGrey.ToColorRef());
    EXPECT_EQ(ScreenPixel(edit->Handle(), 100, 8), ::GetSysColor(COLOR_WINDOW));

    // The frame painting anew must not cover the check box's square (the window colour inside,
    // at the box's right end).
    const int boxX = check->Width() - 7;
    const int boxY = check->Height() / 2;
    ASSERT_EQ(ScreenPixel(check->Handle(), boxX, boxY), ::GetSysColor(COLOR_WINDOW));
    ::RedrawWindow(group->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_EQ(ScreenPixel(check->Handle(), boxX, boxY), ::GetSysColor(COLOR_WINDOW));
}

TEST_F(DialogControlsTest, EditTextIsWhatTheBoxHoldsAndSettingItReplacesTypedText) {
    edit->SetText("proxy.example");
    EXPECT_EQ(edit->Text(), "proxy.example");

    // Typed into the box: Text follows, and the text set before puts back what was set.
    ::SendMessageA(edit->Handle(), WM_CHAR, 'x', 0);
    ASSERT_EQ(edit->Text(), "xproxy.example");  // the caret stood at the start
    edit->SetText("proxy.example");
    EXPECT_EQ(edit->Text(), "proxy.example");

    ::SendMessageA(edit->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("typed"));
    edit->SetText("");
    EXPECT_EQ(edit->Text(), "");
    char text[16] = "?";
    ::GetWindowTextA(edit->Handle(), text, sizeof text);
    EXPECT_STREQ(text, "");
}

TEST_F(DialogControlsTest, EditTextSetBeforeItsWindowExistsIsShownInIt) {
    auto* later = new Edit(form);
    later->SetText("8080");
    EXPECT_EQ(later->Text(), "8080");
    later->SetParent(form);
    EXPECT_EQ(later->Text(), "8080");
    char text[16] = {};
    ::GetWindowTextA(later->Handle(), text, sizeof text);
    EXPECT_STREQ(text, "8080");
}

TEST_F(DialogControlsTest, CheckBoxStateIsTheWindowsAndAClickTurnsIt) {
    EXPECT_FALSE(check->Checked());
    check->SetChecked(true);
    EXPECT_EQ(::SendMessageA(check->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);

    ::SendMessageA(check->Handle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(check->Checked());
    EXPECT_EQ(clicks, 1);
    ::SendMessageA(check->Handle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(check->Checked());
    EXPECT_EQ(clicks, 2);

    // Set before the window exists, the state is there when it comes.
    auto* later = new CheckBox(form);
    later->SetChecked(true);
    EXPECT_TRUE(later->Checked());
    later->SetParent(form);
    EXPECT_EQ(::SendMessageA(later->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(DialogControlsTest, ShownFormFocusesItsFirstControlInDesignOrderAndComesBackToTheLast) {
    // The check box lies above the frame, yet the frame's edit boxes come first.
    form->SetVisible(true);
    ::SetActiveWindow(form->Handle());
    EXPECT_EQ(::GetFocus(), edit->Handle());

    ::SetFocus(port->Handle());
    form->SetVisible(false);
    form->SetVisible(true);
    ::SetActiveWindow(form->Handle());
    EXPECT_EQ(::GetFocus(), port->Handle());

    // A control that can no longer take the focus gives way to the first one.
    form->SetVisible(false);
    port->SetEnabled(false);
    form->SetVisible(true);
    ::SetActiveWindow(form->Handle());
    EXPECT_EQ(::GetFocus(), edit->Handle());
}

TEST_F(FrameworkTest, FormWithoutControlsThatTakeTheFocusKeepsItItself) {
    TestForm::Design = [](TestForm& form) {
        auto* button = new FlatButton(&form);
        button->SetParent(&form);
        button->SetBounds(0, 0, 50, 20);
    };
    TestForm* form = app.CreateForm<TestForm>();
    form->SetVisible(true);
    ::SetActiveWindow(form->Handle());
    EXPECT_EQ(::GetFocus(), form->Handle());
}

}  // namespace
}  // namespace cs::test
