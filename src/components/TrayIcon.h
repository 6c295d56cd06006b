#pragma once
#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <string>

#include "components/AbfComponent.h"
#include "core/Exception.h"
#include "framework/Event.h"
#include "framework/Graphics.h"
#include "framework/ImageList.h"
#include "framework/Menus.h"
#include "framework/Window.h"

namespace cs {

// The notify record as the first shell with a notification area knew it: every later shell
// takes it, and a record that claims a later layout is refused by the shells before that one.
// Its size is the offset of the 64-byte tip's end, so it follows the pointer size.
inline constexpr DWORD kNotifyIconDataV1Size = offsetof(NOTIFYICONDATAA, szTip) + 64;
static_assert(kNotifyIconDataV1Size == NOTIFYICONDATAA_V1_SIZE);
static_assert(kNotifyIconDataV1Size == (sizeof(void*) == 4 ? 88 : 104),
              "six 32-bit fields and the tip; on 64-bit the handles are 8 bytes and aligned");

// The record with a balloon's title and text: the icon's own requests keep the first layout, a
// balloon needs this later one.
inline constexpr DWORD kNotifyIconDataBalloonSize = NOTIFYICONDATAA_V2_SIZE;

// The message the shell sends to the hidden window about mouse actions on the icon.
inline constexpr UINT kTrayCallbackMessage = WM_USER + 211;
static_assert(kTrayCallbackMessage == 1235);

// A failed notification-area request.
class EabfTrayIcon : public Exception {
public:
    using Exception::Exception;
};

// The system has no window timer left.
class EOutOfResources : public Exception {
public:
    using Exception::Exception;
};

enum class MouseButton { Left, Right, Middle };

// The keys and mouse buttons held during a mouse action: a set of these flags.
using ShiftState = unsigned;
namespace ShiftFlag {
inline constexpr ShiftState Shift = 1, Alt = 2, Ctrl = 4, Left = 8, Right = 16, Middle = 32;
}

// OnMouseMove(sender, shift, x, y) and OnMouseDown/OnMouseUp(sender, button, shift, x, y), in
// screen pixels.
using TrayMouseMoveEvent = Event<Component&, ShiftState, int, int>;
using TrayMouseEvent = Event<Component&, MouseButton, ShiftState, int, int>;

// A component with a hidden top-level window of its own and one window timer on it. The
// timer runs while it is enabled, its interval is not 0 and an on-timer callback is assigned.
class TabfCustomTimer : public TabfComponent {
public:
    explicit TabfCustomTimer(Component* owner);
    ~TabfCustomTimer() override;

    // The hidden window: never shown, no parent, so that broadcasts reach it.
    HWND Handle() const noexcept { return m_window; }

protected:
    bool TimerEnabled() const noexcept { return m_enabled; }
    void SetTimerEnabled(bool enabled);
    // Milliseconds.
    UINT TimerInterval() const noexcept { return m_interval; }
    void SetTimerInterval(UINT interval);
    void SetOnTimer(NotifyEvent onTimer);

    // Every message of the hidden window. This version runs Timer for WM_TIMER (a failure
    // there goes to the default error handler and the timer goes on) and gives the others
    // their default processing; result is what the window procedure returns.
    virtual void HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // One tick: calls the on-timer callback.
    virtual void Timer();

    // Stops the timer for good and destroys the hidden window. The destructor does it; a
    // derived destructor that must have them gone before its own members go calls it first.
    void DestroyTimer() noexcept;

private:
    template <typename T, WindowKind Kind>
    friend LRESULT CALLBACK WindowThunk(HWND, UINT, WPARAM, LPARAM) noexcept;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    void AttachHandle(HWND window) noexcept { m_window = window; }
    void UpdateTimer();

    UINT m_interval = 1000;
    NotifyEvent m_onTimer;
    bool m_enabled = true;
    HWND m_window = nullptr;
};

// One icon in the notification area: its tip, its mouse actions as events, a pop-up menu at
// the cursor, hiding the application into the tray when it is minimized, cycling the icon
// through an image list, and putting the icon back when the task bar is created again.
class TabfTrayIcon : public TabfCustomTimer {
public:
    explicit TabfTrayIcon(Component* owner);
    ~TabfTrayIcon() override;

    void Loaded() override;

    // The stored properties, in the order a design sets them.
    bool CycleIcons() const noexcept { return TimerEnabled(); }
    void SetCycleIcons(bool cycle) { SetTimerEnabled(cycle); }
    UINT CycleInterval() const noexcept { return TimerInterval(); }
    void SetCycleInterval(UINT interval) { SetTimerInterval(interval); }
    // While false the icon's mouse actions are ignored; minimizing to the tray still works.
    bool Enabled() const noexcept { return m_enabled; }
    void SetEnabled(bool enabled) noexcept { m_enabled = enabled; }
    // At most 63 characters: the first-version record holds 64 bytes with the terminating zero.
    const std::string& Hint() const noexcept { return m_hint; }
    void SetHint(std::string hint);
    const Icon& GetIcon() const noexcept { return m_icon; }
    void SetIcon(const Icon& icon);
    // Takes the images over instead of copying them.
    void SetIcon(Icon&& icon);
    ImageList* GetImageList() const noexcept { return m_imageList; }
    void SetImageList(ImageList* imageList);
    int ImageIndex() const noexcept { return m_imageIndex; }
    void SetImageIndex(int imageIndex);
    int IconID() const noexcept { return m_iconId; }
    void SetIconID(int iconId);
    bool MinimizeToTray() const noexcept { return m_minimizeToTray; }
    void SetMinimizeToTray(bool minimize) noexcept { m_minimizeToTray = minimize; }
    bool MinimizeOnStart() const noexcept { return m_minimizeOnStart; }
    void SetMinimizeOnStart(bool minimize) noexcept { m_minimizeOnStart = minimize; }
    PopupMenu* GetPopupMenu() const noexcept { return m_popupMenu; }
    void SetPopupMenu(PopupMenu* menu);
    bool PopupByLeft() const noexcept { return m_popupByLeft; }
    void SetPopupByLeft(bool byLeft) noexcept { m_popupByLeft = byLeft; }
    bool ShowHint() const noexcept { return m_showHint; }
    void SetShowHint(bool show);
    bool Visible() const noexcept { return m_visible; }
    void SetVisible(bool visible);
    bool VisibleOnDesigning() const noexcept { return m_visibleOnDesigning; }
    void SetVisibleOnDesigning(bool visible);

    NotifyEvent OnMinimize;
    TrayMouseMoveEvent OnMouseMove;
    TrayMouseEvent OnMouseDown;
    TrayMouseEvent OnMouseUp;
    NotifyEvent OnClick;
    NotifyEvent OnDblClick;
    NotifyEvent OnPopupMenu;
    NotifyEvent OnShow;
    NotifyEvent OnHide;
    NotifyEvent OnCycleIcons;

    // NIM_MODIFY with the current record, whether the icon is shown or not.
    virtual void UpdateTrayIcon();
    virtual void ShowTrayIcon();
    // Also gives back what minimizing to the tray took away: the application and a hidden owner.
    virtual void HideTrayIcon();
    // A notification balloon (NIF_INFO, the information icon) over the icon, when it is shown.
    // The title is cut to 63 characters, the text to 255.
    virtual void ShowBalloon(const std::string& title, const std::string& text);
    // The pop-up menu at the cursor; returns when it has closed.
    virtual void PopupAtCursor();
    virtual void ShowApplication();
    virtual void HideApplication();

protected:
    void Notification(Component* component, Operation operation) override;
    void HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    virtual void FillNotifyData();
    // Every message of the application window, before the window handles it; the result is
    // not used.
    virtual LRESULT HandleApplicationMessage(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam);

    // The icon cycles to the next image of the list.
    void Timer() override;
    virtual void MouseMove(ShiftState shift, int x, int y);
    virtual void MouseDown(MouseButton button, ShiftState shift, int x, int y);
    virtual void MouseUp(MouseButton button, ShiftState shift, int x, int y);
    virtual void Click();
    virtual void DblClick();
    virtual void Minimize();

private:
    void InstallHook();
    void RemoveHook() noexcept;
    void InsertToTray();
    void DeleteFromTray();
    void SendRequest(DWORD message, const char* step);
    void TakeIconFromList();
    void HandleTrayMessage(WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The owner's window when the owner is a windowed control, else nullptr.
    HWND OwnerWindow() const noexcept;
    // True while the owner or the application is being destroyed: the program is ending.
    bool ProgramEnding() const noexcept;

    Icon m_icon;
    ImageList* m_imageList = nullptr;
    int m_imageIndex = 0;
    ChangeLink m_changeLink;
    int m_iconId = 0;
    UINT m_flags = NIF_MESSAGE | NIF_TIP;
    bool m_enabled = true;
    std::string m_hint;
    bool m_minimizeToTray = false;
    bool m_minimizeOnStart = false;
    PopupMenu* m_popupMenu = nullptr;
    bool m_popupByLeft = false;
    bool m_showHint = true;
    bool m_visible = false;
    bool m_visibleOnDesigning = false;
    bool m_leftClick = false;
    NOTIFYICONDATAA m_notifyData{};
    // The application window while this one's procedure sits in front of its own.
    HWND m_hookedWindow = nullptr;
};

}  // namespace cs
