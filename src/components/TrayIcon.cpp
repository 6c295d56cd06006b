#include "components/TrayIcon.h"

#include <cstring>
#include <utility>

#include "framework/Application.h"
#include "framework/Control.h"
#include "framework/Form.h"
#include "platform/Dialogs.h"
#include "platform/Seams.h"

namespace cs {

namespace {

constexpr char kHiddenWindowClass[] = "CsTrayTimerWindow";
constexpr UINT_PTR kTimerId = 1;
constexpr std::size_t kTipBytes = 64;
constexpr std::size_t kMaxHint = kTipBytes - 1;

// The shell broadcasts this to every top-level window when its task bar comes up, after a
// crash of the shell too: every icon must then be added again. Asked for once, as the program
// starts.
const UINT g_taskbarCreated = ::RegisterWindowMessageA("TaskbarCreated");

ShiftState KeyboardShift() noexcept {
    ShiftState shift = 0;
    if (::GetKeyState(VK_SHIFT) < 0) shift |= ShiftFlag::Shift;
    if (::GetKeyState(VK_CONTROL) < 0) shift |= ShiftFlag::Ctrl;
    if (::GetKeyState(VK_MENU) < 0) shift |= ShiftFlag::Alt;
    return shift;
}

// The window that takes the program's input in place of this one: while a modal window keeps
// it disabled, that window, so that bringing the program forward does not put the disabled
// window over it. Both can be topmost.
HWND WindowTakingInput(HWND window) noexcept {
    if (::IsWindowEnabled(window)) return window;
    HWND root = window;
    while (HWND owner = ::GetWindow(root, GW_OWNER)) root = owner;
    HWND popup = ::GetLastActivePopup(root);
    if (popup && popup != window && ::IsWindowVisible(popup) && ::IsWindowEnabled(popup))
        return popup;
    return window;
}

POINT CursorPos() noexcept {
    POINT point{};
    ::GetCursorPos(&point);
    return point;
}

}  // namespace

// ---- TabfCustomTimer ------------------------------------------------------------------------

TabfCustomTimer::TabfCustomTimer(Component* owner) : TabfComponent(owner) {
    RegisterWindowClass(kHiddenWindowClass, &WindowThunk<TabfCustomTimer>);
    // Top-level, not message-only: the task bar's "created" broadcast must reach it.
    if (!::CreateWindowExA(WS_EX_TOOLWINDOW, kHiddenWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                           nullptr, ModuleInstance(), this))
        throw Exception("Error creating window");
}

TabfCustomTimer::~TabfCustomTimer() {
    DestroyTimer();
}

void TabfCustomTimer::DestroyTimer() noexcept {
    if (!m_window) return;
    m_enabled = false;
    ::KillTimer(m_window, kTimerId);
    ::DestroyWindow(m_window);  // clears m_window at WM_NCDESTROY
    m_window = nullptr;
}

void TabfCustomTimer::SetTimerEnabled(bool enabled) {
    if (enabled == m_enabled) return;
    m_enabled = enabled;
    UpdateTimer();
}

void TabfCustomTimer::SetTimerInterval(UINT interval) {
    if (interval == m_interval) return;
    m_interval = interval;
    UpdateTimer();
}

void TabfCustomTimer::SetOnTimer(NotifyEvent onTimer) {
    m_onTimer = std::move(onTimer);
    UpdateTimer();
}

void TabfCustomTimer::UpdateTimer() {
    if (!m_window) return;
    ::KillTimer(m_window, kTimerId);
    if (m_interval != 0 && m_enabled && m_onTimer) {
        if (!::SetTimer(m_window, kTimerId, m_interval, nullptr))
            throw EOutOfResources("Not enough timers available");
    }
}

LRESULT TabfCustomTimer::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    HandleWindowMessage(message, wParam, lParam, result);
    return result;
}

void TabfCustomTimer::HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                          LRESULT& result) {
    if (message == WM_TIMER) {
        Guarded([this] { Timer(); });
        return;
    }
    result = ::DefWindowProcA(m_window, message, wParam, lParam);
}

void TabfCustomTimer::Timer() {
    m_onTimer(*this);
}

// ---- TabfTrayIcon: life -----------------------------------------------------------------------

TabfTrayIcon::TabfTrayIcon(Component* owner) : TabfCustomTimer(owner) {
    m_changeLink.OnChange = [this] { TakeIconFromList(); };
    if (!Designing()) {
        // Only there so that the base runs its timer while CycleIcons is on; Timer below never
        // calls it.
        SetOnTimer([](Component&) {});
    }
    SetCycleIcons(false);
    SetCycleInterval(200);
    if (!Designing()) InstallHook();
    // Windows keeps registered messages from a process of lower integrity (Explorer) away from
    // an elevated program's windows: without this the icon would not come back after Explorer
    // restarts while the program runs as administrator. The result does not matter: where the
    // call fails, nothing filters the message either.
    MessageFilter().ChangeWindowMessageFilterEx(Handle(), g_taskbarCreated, MSGFLT_ALLOW, nullptr);
}

TabfTrayIcon::~TabfTrayIcon() {
    // In this order: the icon leaves the tray (the shell knows it by the hidden window, which
    // must still exist), then the application window gets its own procedure back, then the
    // hidden window and its timer go. A failed delete must not escape a destructor.
    Guarded([this] { SetVisible(false); });
    RemoveHook();
    DestroyTimer();
    if (ImageList* list = m_changeLink.Sender()) list->UnRegisterChanges(m_changeLink);
}

void TabfTrayIcon::Loaded() {
    TabfCustomTimer::Loaded();
    if (m_minimizeOnStart && !Designing()) {
        if (Application* application = Application::Current()) application->SetShowMainForm(false);
        Minimize();
    }
    // Also when the setter showed the icon already: the shell gets a second add, which it
    // refuses or takes as it likes.
    if ((m_visible && !Designing()) || (m_visibleOnDesigning && Designing())) ShowTrayIcon();
}

void TabfTrayIcon::Notification(Component* component, Operation operation) {
    TabfCustomTimer::Notification(component, operation);
    if (operation != Operation::Remove) return;
    if (component == m_popupMenu)
        m_popupMenu = nullptr;
    else if (component != nullptr && component == m_imageList)
        SetImageList(nullptr);
}

// ---- Properties ---------------------------------------------------------------------------

void TabfTrayIcon::SetHint(std::string hint) {
    if (hint == m_hint) return;
    m_hint = std::move(hint);
    if (m_hint.size() > kMaxHint) m_hint.resize(kMaxHint);
    UpdateTrayIcon();
}

void TabfTrayIcon::SetIcon(const Icon& icon) {
    m_icon.Assign(icon);
    UpdateTrayIcon();
}

void TabfTrayIcon::SetIcon(Icon&& icon) {
    m_icon = std::move(icon);
    UpdateTrayIcon();
}

void TabfTrayIcon::SetImageList(ImageList* imageList) {
    if (imageList == m_imageList) return;
    // Asked of the link, not of m_imageList: a list that is going has let its links go already.
    if (ImageList* old = m_changeLink.Sender()) old->UnRegisterChanges(m_changeLink);
    m_imageList = imageList;
    if (imageList) {
        FreeNotification(imageList);
        imageList->RegisterChanges(m_changeLink);
    }
    TakeIconFromList();
}

void TabfTrayIcon::SetImageIndex(int imageIndex) {
    m_imageIndex = imageIndex;
    TakeIconFromList();
}

void TabfTrayIcon::TakeIconFromList() {
    if (!m_imageList) return;
    m_icon.Clear();
    m_imageList->GetIcon(m_imageIndex, m_icon);
    UpdateTrayIcon();
}

void TabfTrayIcon::SetIconID(int iconId) {
    if (iconId == m_iconId) return;
    // The shell knows an icon by window and id: it goes under the old id, comes under the new.
    const bool visible = m_visible;
    SetVisible(false);
    m_iconId = iconId;
    SetVisible(visible);
}

void TabfTrayIcon::SetPopupMenu(PopupMenu* menu) {
    if (menu == m_popupMenu) return;
    m_popupMenu = menu;
    if (menu) FreeNotification(menu);
}

void TabfTrayIcon::SetShowHint(bool show) {
    if (show == m_showHint) return;
    m_showHint = show;
    UpdateTrayIcon();
}

void TabfTrayIcon::SetVisible(bool visible) {
    if (visible == m_visible) return;
    m_visible = visible;
    if (Designing()) return;
    if (visible)
        ShowTrayIcon();
    else
        HideTrayIcon();
}

void TabfTrayIcon::SetVisibleOnDesigning(bool visible) {
    if (visible == m_visibleOnDesigning) return;
    m_visibleOnDesigning = visible;
    if (!Designing()) return;
    if (visible)
        ShowTrayIcon();
    else
        HideTrayIcon();
}

// ---- The shell ----------------------------------------------------------------------------

void TabfTrayIcon::FillNotifyData() {
    m_notifyData = NOTIFYICONDATAA{};
    m_notifyData.cbSize = kNotifyIconDataV1Size;
    m_notifyData.hWnd = Handle();
    m_notifyData.uID = static_cast<UINT>(m_iconId);
    m_notifyData.uFlags = m_flags;
    m_notifyData.uCallbackMessage = kTrayCallbackMessage;
    m_notifyData.hIcon = m_icon.Handle();
    // Without a tip the flag stays: 64 zero bytes are an empty tip, and the shell shows none.
    if (m_showHint) std::memcpy(m_notifyData.szTip, m_hint.data(), m_hint.size());
}

void TabfTrayIcon::SendRequest(DWORD message, const char* step) {
    try {
        FillNotifyData();
        Shell().NotifyIcon(message, m_notifyData);
    } catch (const std::exception&) {
        throw EabfTrayIcon(Name() + "." + step + " failed");
    }
}

void TabfTrayIcon::InsertToTray() {
    SendRequest(NIM_ADD, "InsertToTray");
}

void TabfTrayIcon::DeleteFromTray() {
    SendRequest(NIM_DELETE, "DeleteFromTray");
}

void TabfTrayIcon::UpdateTrayIcon() {
    FillNotifyData();
    Shell().NotifyIcon(NIM_MODIFY, m_notifyData);
}

void TabfTrayIcon::ShowBalloon(const std::string& title, const std::string& text) {
    if (!m_visible) return;
    NOTIFYICONDATAA data{};
    data.cbSize = kNotifyIconDataBalloonSize;
    data.hWnd = Handle();
    data.uID = static_cast<UINT>(m_iconId);
    data.uFlags = NIF_INFO;
    std::strncpy(data.szInfoTitle, title.c_str(), sizeof data.szInfoTitle - 1);
    std::strncpy(data.szInfo, text.c_str(), sizeof data.szInfo - 1);
    // Milliseconds; shells since Vista take the system's own time instead.
    data.uTimeout = 10000;
    data.dwInfoFlags = NIIF_INFO;
    Shell().NotifyIcon(NIM_MODIFY, data);
}

void TabfTrayIcon::ShowTrayIcon() {
    m_flags |= NIF_ICON;
    InsertToTray();
    if (Designing())
        m_visibleOnDesigning = true;
    else
        m_visible = true;
    OnShow(*this);
}

void TabfTrayIcon::HideTrayIcon() {
    m_flags &= ~NIF_ICON;
    DeleteFromTray();
    if (Designing())
        m_visibleOnDesigning = false;
    else
        m_visible = false;
    OnHide(*this);
    // While the program ends, its windows are going: nothing may come up again.
    if (ProgramEnding()) return;
    if (m_minimizeToTray) ShowApplication();
    if (auto* owner = dynamic_cast<Control*>(Owner()); owner && !owner->Visible())
        owner->SetVisible(true);
}

// ---- The hidden window --------------------------------------------------------------------

void TabfTrayIcon::HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                       LRESULT& result) {
    if (message == kTrayCallbackMessage) {
        if (Designing() || !m_enabled) return;
        HandleTrayMessage(wParam, lParam, result);
        return;
    }
    if (message == WM_QUERYENDSESSION) {
        result = 1;
        return;
    }
    if (message == g_taskbarCreated && m_visible) {
        HideTrayIcon();
        ShowTrayIcon();
    }
    TabfCustomTimer::HandleWindowMessage(message, wParam, lParam, result);
}

// lParam names the mouse message that happened over the icon. The coordinates are the cursor's,
// not the message's: the shell sends none.
void TabfTrayIcon::HandleTrayMessage(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    POINT p = CursorPos();
    const ShiftState shift = KeyboardShift();
    switch (lParam) {
        case WM_MOUSEMOVE:
            p = CursorPos();
            MouseMove(shift, p.x, p.y);
            break;
        case WM_LBUTTONDOWN:
            MouseDown(MouseButton::Left, shift | ShiftFlag::Left, p.x, p.y);
            m_leftClick = true;
            break;
        case WM_LBUTTONUP:
            MouseUp(MouseButton::Left, shift | ShiftFlag::Left, p.x, p.y);
            if (m_leftClick) Click();
            if (m_popupByLeft) PopupAtCursor();
            m_leftClick = false;
            break;
        // The double click's own press sets no click flag: the release after it is no click.
        case WM_LBUTTONDBLCLK: DblClick(); break;
        case WM_RBUTTONDOWN:
            MouseDown(MouseButton::Right, shift | ShiftFlag::Right, p.x, p.y);
            break;
        case WM_RBUTTONUP:
            MouseUp(MouseButton::Right, shift | ShiftFlag::Right, p.x, p.y);
            PopupAtCursor();
            break;
        case WM_MBUTTONDOWN:
            MouseDown(MouseButton::Middle, shift | ShiftFlag::Middle, p.x, p.y);
            break;
        case WM_MBUTTONUP: MouseUp(MouseButton::Middle, shift | ShiftFlag::Middle, p.x, p.y); break;
        default:
            TabfCustomTimer::HandleWindowMessage(kTrayCallbackMessage, wParam, lParam, result);
            break;
    }
}

// ---- Steps --------------------------------------------------------------------------------

void TabfTrayIcon::Timer() {
    if (m_imageList) {
        const int next = m_imageIndex < m_imageList->Count() - 1 ? m_imageIndex + 1 : 0;
        SetImageIndex(next);
    }
    OnCycleIcons(*this);
}

void TabfTrayIcon::MouseMove(ShiftState shift, int x, int y) {
    OnMouseMove(*this, shift, x, y);
}

void TabfTrayIcon::MouseDown(MouseButton button, ShiftState shift, int x, int y) {
    OnMouseDown(*this, button, shift, x, y);
}

void TabfTrayIcon::MouseUp(MouseButton button, ShiftState shift, int x, int y) {
    if (HWND owner = OwnerWindow()) ::SetForegroundWindow(WindowTakingInput(owner));
    OnMouseUp(*this, button, shift, x, y);
}

void TabfTrayIcon::Click() {
    OnClick(*this);
}

void TabfTrayIcon::DblClick() {
    if (m_popupMenu && m_popupMenu->AutoPopup() && !m_popupByLeft) {
        for (MenuItem* item : m_popupMenu->Items().Items()) {
            if (!item->Default()) continue;
            item->Click();
            OnDblClick(*this);
            if (HWND owner = OwnerWindow()) ::SetForegroundWindow(owner);
            return;
        }
    }
    if (Designing()) return;
    if (auto* owner = dynamic_cast<Control*>(Owner())) {
        if (m_minimizeToTray && owner->Visible())
            HideApplication();
        else
            ShowApplication();
    }
    OnDblClick(*this);
}

void TabfTrayIcon::Minimize() {
    if (Designing()) return;
    HideApplication();
    SetVisible(true);
    OnMinimize(*this);
}

void TabfTrayIcon::PopupAtCursor() {
    if (!m_popupMenu || !m_popupMenu->AutoPopup()) return;
    const POINT p = CursorPos();
    if (Application* application = Application::Current()) application->ProcessMessages();
    // The menu closes on a click elsewhere only when the program is in the foreground.
    HWND owner = OwnerWindow();
    if (owner) ::SetForegroundWindow(WindowTakingInput(owner));
    m_popupMenu->SetPopupComponent(this);
    m_popupMenu->Popup(p.x, p.y);
    // Lets the shell see the menu close before the next click on the icon.
    if (owner) ::PostMessageA(owner, WM_NULL, 0, 0);
    OnPopupMenu(*this);
}

void TabfTrayIcon::ShowApplication() {
    Application* application = Application::Current();
    if (!application) return;
    if (::IsWindow(application->Handle())) ::ShowWindow(application->Handle(), SW_SHOWNORMAL);
    if (Form* main = application->MainForm()) main->SetVisible(true);
}

void TabfTrayIcon::HideApplication() {
    Application* application = Application::Current();
    if (!application) return;
    if (::IsWindow(application->Handle()) && ::IsWindowVisible(application->Handle()))
        ::ShowWindow(application->Handle(), SW_HIDE);
    if (Form* main = application->MainForm()) main->SetVisible(false);
}

HWND TabfTrayIcon::OwnerWindow() const noexcept {
    const auto* owner = dynamic_cast<const Control*>(Owner());
    return owner ? owner->Handle() : nullptr;
}

bool TabfTrayIcon::ProgramEnding() const noexcept {
    if (Owner() && Owner()->Destroying()) return true;
    const Application* application = Application::Current();
    if (!application) return false;
    if (application->Destroying()) return true;
    const Form* main = application->MainForm();
    return main && main->Destroying();
}

// ---- The application window -----------------------------------------------------------------

void TabfTrayIcon::InstallHook() {
    Application* application = Application::Current();
    if (!application || !application->Handle()) return;
    application->WatchWindow(
        this, [this, window = application->Handle()](UINT message, WPARAM wParam, LPARAM lParam) {
            Guarded([&] { HandleApplicationMessage(window, message, wParam, lParam); });
            // A window that goes before this component takes the watch with it.
            if (message == WM_NCDESTROY) RemoveHook();
        });
    m_hookedWindow = application->Handle();
}

void TabfTrayIcon::RemoveHook() noexcept {
    if (!m_hookedWindow) return;
    if (Application* application = Application::Current()) application->UnwatchWindow(this);
    m_hookedWindow = nullptr;
}

LRESULT TabfTrayIcon::HandleApplicationMessage(HWND, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_SIZE && wParam == SIZE_MINIMIZED && m_minimizeToTray) {
        // A failure here must not keep the message from the window's own procedure.
        Guarded([this] { Minimize(); });
    }
    // The application window handles the message itself afterwards.
    return 0;
}

}  // namespace cs
