#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include "platform/Seams.h"

namespace cs {
namespace {

// The system's own notification area (Wine's, in the test run) answers a modify request only
// for an icon it holds: that tells whether an add has reached it.
class ShellHoldTest : public ::testing::Test {
protected:
    ShellHoldTest() {
        window = ::CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                 ::GetModuleHandleA(nullptr), nullptr);
        record.cbSize = NOTIFYICONDATAA_V1_SIZE;
        record.hWnd = window;
        record.uID = 1;
        record.uFlags = NIF_ICON;
        record.hIcon = ::LoadIconA(nullptr, IDI_APPLICATION);
    }
    ~ShellHoldTest() override {
        NOTIFYICONDATAA gone = record;
        ::Shell_NotifyIconA(NIM_DELETE, &gone);
        ::DestroyWindow(window);
    }
    bool ShellHoldsTheIcon() {
        NOTIFYICONDATAA probe = record;
        return ::Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
    }

    HWND window;
    NOTIFYICONDATAA record{};
};

TEST_F(ShellHoldTest, RequestsWaitInOrderUntilTheLastHoldGoes) {
    {
        const ShellNotificationsHeld outer;
        {
            const ShellNotificationsHeld inner;
            EXPECT_TRUE(Shell().NotifyIcon(NIM_ADD, record));
        }
        EXPECT_FALSE(ShellHoldsTheIcon());
        // Added, then deleted and added again: delivered in this order, the icon is there.
        EXPECT_TRUE(Shell().NotifyIcon(NIM_DELETE, record));
        EXPECT_TRUE(Shell().NotifyIcon(NIM_ADD, record));
        EXPECT_FALSE(ShellHoldsTheIcon());
    }
    EXPECT_TRUE(ShellHoldsTheIcon());
    // Without a hold a request goes at once.
    EXPECT_TRUE(Shell().NotifyIcon(NIM_DELETE, record));
    EXPECT_FALSE(ShellHoldsTheIcon());
}

}  // namespace
}  // namespace cs
