#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Subclass.h"

namespace cs {
namespace {

// A plain window whose own procedure records what reaches it.
struct Window {
    Window() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &Own;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "CsSubclassTestWindow";
        ::RegisterClassA(&windowClass);
        Handle = ::CreateWindowA("CsSubclassTestWindow", "", WS_POPUP, 0, 0, 10, 10, nullptr,
                                 nullptr, windowClass.hInstance, nullptr);
    }
    ~Window() {
        if (::IsWindow(Handle)) ::DestroyWindow(Handle);
    }
    static LRESULT CALLBACK Own(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_APP) s_log.push_back("own");
        return message == WM_APP ? 100 : ::DefWindowProcA(window, message, wParam, lParam);
    }
    HWND Handle;
    static inline std::vector<std::string> s_log;
};

// Each subclass logs its id, may act (remove itself, add another, send again), then passes on.
struct Hook {
    int Id;
    int Action = 0;  // 1 removes itself, 2 adds hook 9, 3 sends WM_APP + 1 to the window again
};
Hook g_nine{9};

LRESULT CALLBACK Logged(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                        DWORD_PTR data) {
    auto* hook = reinterpret_cast<Hook*>(data);
    if (message == WM_APP || message == WM_APP + 1) {
        Window::s_log.push_back(std::to_string(hook->Id) + (message == WM_APP + 1 ? "'" : ""));
        if (message == WM_APP && hook->Action == 1) cs::RemoveWindowSubclass(window, &Logged, id);
        if (message == WM_APP && hook->Action == 2)
            cs::SetWindowSubclass(window, &Logged, 9, reinterpret_cast<DWORD_PTR>(&g_nine));
        if (message == WM_APP && hook->Action == 3) ::SendMessageA(window, WM_APP + 1, 0, 0);
    }
    if (message == WM_NCDESTROY) Window::s_log.push_back("gone " + std::to_string(hook->Id));
    return cs::DefSubclassProc(window, message, wParam, lParam);
}

std::vector<std::string> Send(HWND window) {
    Window::s_log.clear();
    const LRESULT result = ::SendMessageA(window, WM_APP, 0, 0);
    Window::s_log.push_back(std::to_string(result));
    return Window::s_log;
}

using Log = std::vector<std::string>;

TEST(Subclass, TheLastAddedSeesAMessageFirstAndTheWindowLast) {
    Window w;
    Hook one{1}, two{2};
    ASSERT_TRUE(cs::SetWindowSubclass(w.Handle, &Logged, 1, reinterpret_cast<DWORD_PTR>(&one)));
    ASSERT_TRUE(cs::SetWindowSubclass(w.Handle, &Logged, 2, reinterpret_cast<DWORD_PTR>(&two)));
    EXPECT_EQ(Send(w.Handle), (Log{"2", "1", "own", "100"}));
    // The same procedure and id again changes only the data.
    Hook three{3};
    ASSERT_TRUE(cs::SetWindowSubclass(w.Handle, &Logged, 1, reinterpret_cast<DWORD_PTR>(&three)));
    EXPECT_EQ(Send(w.Handle), (Log{"2", "3", "own", "100"}));
    EXPECT_TRUE(cs::RemoveWindowSubclass(w.Handle, &Logged, 2));
    EXPECT_FALSE(cs::RemoveWindowSubclass(w.Handle, &Logged, 2));
    EXPECT_EQ(Send(w.Handle), (Log{"3", "own", "100"}));
    // The last one gone, the window has its own procedure back.
    EXPECT_TRUE(cs::RemoveWindowSubclass(w.Handle, &Logged, 1));
    EXPECT_EQ(::GetWindowLongPtrA(w.Handle, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&Window::Own));
    EXPECT_EQ(Send(w.Handle), (Log{"own", "100"}));
}

struct ChangeCase {
    const char* Name;
    int Action;  // of the upper hook (2), the lower one (1) only passes on
    Log First;
    Log Second;
};

class SubclassChange : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(SubclassChange, WhileAMessagePassesTheRestOfTheChainStillRuns) {
    const ChangeCase& c = GetParam();
    Window w;
    Hook one{1}, two{2, c.Action};
    cs::SetWindowSubclass(w.Handle, &Logged, 1, reinterpret_cast<DWORD_PTR>(&one));
    cs::SetWindowSubclass(w.Handle, &Logged, 2, reinterpret_cast<DWORD_PTR>(&two));
    EXPECT_EQ(Send(w.Handle), c.First);
    two.Action = 0;
    EXPECT_EQ(Send(w.Handle), c.Second);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SubclassChange,
    ::testing::Values(
        ChangeCase{"RemovesItself", 1, {"2", "1", "own", "100"}, {"1", "own", "100"}},
        ChangeCase{"AddsAnother", 2, {"2", "1", "own", "100"}, {"9", "2", "1", "own", "100"}},
        ChangeCase{"SendsAgain", 3, {"2", "2'", "1'", "1", "own", "100"},
                   {"2", "1", "own", "100"}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(Subclass, TheChainGoesWithTheWindow) {
    Hook one{1}, two{2};
    HWND handle = nullptr;
    {
        Window w;
        handle = w.Handle;
        cs::SetWindowSubclass(w.Handle, &Logged, 1, reinterpret_cast<DWORD_PTR>(&one));
        cs::SetWindowSubclass(w.Handle, &Logged, 2, reinterpret_cast<DWORD_PTR>(&two));
        Window::s_log.clear();
    }
    EXPECT_EQ(Window::s_log, (Log{"gone 2", "gone 1"}));
    EXPECT_FALSE(cs::RemoveWindowSubclass(handle, &Logged, 1));
    // A new window on the same place starts without a chain.
    Window again;
    EXPECT_EQ(Send(again.Handle), (Log{"own", "100"}));
}

TEST(Subclass, RefusesOtherThreadsWindowsAndNoWindow) {
    Hook one{1};
    EXPECT_FALSE(cs::SetWindowSubclass(nullptr, &Logged, 1, reinterpret_cast<DWORD_PTR>(&one)));
    EXPECT_FALSE(cs::SetWindowSubclass(::GetDesktopWindow(), &Logged, 1,
                                   reinterpret_cast<DWORD_PTR>(&one)));
}

}  // namespace
}  // namespace cs
