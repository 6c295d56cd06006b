#include "framework/Application.h"

#include <gmock/gmock.h>

#include <functional>

#include "core/Exception.h"
#include "framework/Buttons.h"
#include "framework/FrameworkFixture.h"
#include "framework/StdCtrls.h"
#include "framework/Timer.h"

namespace cs::test {
namespace {

using ::testing::ElementsAre;

// Every way an event reaches a handler: a failure there is shown by the default error handler
// and goes no further, and the program's windows are still there afterwards.
struct EdgeCase {
    const char* Name;
    // Gives a component of form a failing handler and raises its event.
    std::function<void(TestForm& form)> Raise;
};

const NotifyEvent kFail = [](Component&) { throw Exception("Boom"); };

MenuItem* AddItem(TestForm& form, MenuItem& parent) {
    auto* item = new MenuItem(&form);
    parent.Add(item);
    item->SetCaption("&Item");
    return item;
}

class DispatchEdgeTest : public FrameworkTest, public ::testing::WithParamInterface<EdgeCase> {};

TEST_P(DispatchEdgeTest, FailureGoesToTheDefaultErrorHandler) {
    TestForm* form = app.CreateForm<TestForm>();
    GetParam().Raise(*form);
    EXPECT_THAT(StopBoxes(), ElementsAre("Boom."));
    EXPECT_TRUE(::IsWindow(form->Handle()));
}

INSTANTIATE_TEST_SUITE_P(
    Edges, DispatchEdgeTest,
    ::testing::Values(EdgeCase{"MenuCommand",
                               [](TestForm& form) {
                                   auto* menu = new MainMenu(&form);
                                   MenuItem* item = AddItem(form, menu->Items());
                                   form.SetMenu(menu);
                                   item->OnClick = kFail;
                                   ::SendMessageA(form.Handle(), WM_COMMAND, item->Command(), 0);
                               }},
                      EdgeCase{"SubmenuOpening",
                               [](TestForm& form) {
                                   auto* menu = new MainMenu(&form);
                                   MenuItem* file = AddItem(form, menu->Items());
                                   AddItem(form, *file);
                                   form.SetMenu(menu);
                                   file->OnClick = kFail;
                                   ::SendMessageA(form.Handle(), WM_INITMENUPOPUP,
                                                  reinterpret_cast<WPARAM>(file->Handle()), 0);
                               }},
                      EdgeCase{"PopupMenuCommand",
                               [](TestForm& form) {
                                   auto* popup = new PopupMenu(&form);
                                   MenuItem* item = AddItem(form, popup->Items());
                                   item->OnClick = kFail;
                                   ::SendMessageA(popup->WindowHandle(), WM_COMMAND,
                                                  item->Command(), 0);
                               }},
                      EdgeCase{"FlatButtonClick",
                               [](TestForm& form) {
                                   auto* button = new FlatButton(&form);
                                   button->SetParent(&form);
                                   button->OnClick = kFail;
                                   ::SendMessageA(button->Handle(), BM_CLICK, 0, 0);
                               }},
                      EdgeCase{"LabelClick",
                               [](TestForm& form) {
                                   auto* label = new Label(&form);
                                   label->SetParent(&form);
                                   label->OnClick = kFail;
                                   ::SendMessageA(form.Handle(), WM_COMMAND,
                                                  MAKEWPARAM(0, STN_CLICKED),
                                                  reinterpret_cast<LPARAM>(label->Handle()));
                               }},
                      EdgeCase{"TimerTick",
                               [](TestForm& form) {
                                   auto* timer = new Timer(&form);
                                   timer->SetInterval(30);
                                   timer->SetOnTimer([timer](Component&) {
                                       timer->SetEnabled(false);
                                       throw Exception("Boom");
                                   });
                                   PumpUntil([&] { return !timer->Enabled(); }, 3000);
                               }},
                      EdgeCase{"CloseRequest",
                               [](TestForm& form) {
                                   form.OnClose = [](Component&, CloseAction&) {
                                       throw Exception("Boom");
                                   };
                                   ::SendMessageA(form.Handle(), WM_CLOSE, 0, 0);
                               }}),
    [](const auto& info) { return std::string(info.param.Name); });

struct CursorCase {
    const char* Name;
    Cursor Screen;
    Cursor Form;
    LPCSTR Expected;
};

class CursorTest : public FrameworkTest, public ::testing::WithParamInterface<CursorCase> {};

TEST_P(CursorTest, ApplicationCursorWinsOverTheWindowsOwn) {
    const CursorCase& c = GetParam();
    TestForm* form = app.CreateForm<TestForm>();
    auto* label = new Label(form);
    label->SetParent(form);
    form->SetCursor(c.Form);
    app.SetCursor(c.Screen);
    ::SetCursor(nullptr);
    // The pointer over a child of the form asks the form first.
    ::SendMessageA(form->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(label->Handle()),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor(), ::LoadCursorA(nullptr, c.Expected));
    app.SetCursor(Cursor::Default);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CursorTest,
    ::testing::Values(CursorCase{"Neither", Cursor::Default, Cursor::Default, IDC_ARROW},
                      CursorCase{"FormWait", Cursor::Default, Cursor::Wait, IDC_WAIT},
                      CursorCase{"ApplicationWait", Cursor::Wait, Cursor::Default, IDC_WAIT},
                      CursorCase{"ApplicationOverForm", Cursor::Arrow, Cursor::Wait, IDC_ARROW}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ApplicationObject, OnlyOneAtATime) {
    Application first;
    EXPECT_EQ(Application::Current(), &first);
    EXPECT_THROW(Application second, Exception);
}

}  // namespace
}  // namespace cs::test
