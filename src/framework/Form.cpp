#include "framework/Form.h"

#include <algorithm>
#include <vector>

#include "core/Exception.h"
#include "framework/Application.h"
#include "platform/Dpi.h"

namespace cs {

namespace {

// The windows of this thread that took input when a modal form came up.
class DisabledWindows {
public:
    explicit DisabledWindows(HWND except) : m_except(except) {
        ::EnumThreadWindows(::GetCurrentThreadId(), &Collect, reinterpret_cast<LPARAM>(this));
        for (HWND window : m_windows) ::EnableWindow(window, FALSE);
    }
    ~DisabledWindows() {
        for (HWND window : m_windows)
            if (::IsWindow(window)) ::EnableWindow(window, TRUE);
    }
    DisabledWindows(const DisabledWindows&) = delete;
    DisabledWindows& operator=(const DisabledWindows&) = delete;

    // Whether one of them stays on top of all others: a modal window must then do the same
    // (and keeps doing so), or it would open underneath the window that waits for it.
    bool AnyTopmost() const noexcept {
        for (HWND window : m_windows)
            if (::GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) return true;
        return false;
    }

private:
    static BOOL CALLBACK Collect(HWND window, LPARAM self) noexcept {
        auto* disabled = reinterpret_cast<DisabledWindows*>(self);
        if (window != disabled->m_except && ::IsWindowVisible(window) && ::IsWindowEnabled(window))
            disabled->m_windows.push_back(window);
        return TRUE;
    }
    HWND m_except;
    std::vector<HWND> m_windows;
};

}  // namespace

Form::Form(Component* owner, std::string className)
    : Control(owner), m_className(std::move(className)), m_dpi(SystemDpi()) {
    m_visible = false;
    BeginLoading();
    RegisterWindowClass(m_className.c_str(), &WindowThunk<Control, WindowKind::Control>, CS_DBLCLKS,
                        true);
    // The window comes when the design is complete (EndLoading).
}

Form::~Form() {
    m_destroying = true;
    // The components go while this is still a form: some look at their owner as they go.
    DestroyComponents();
    // DestroyWindow would destroy the menu bar's menu, which belongs to its component.
    if (Handle()) ::SetMenu(Handle(), nullptr);
    DestroyHandle();
}

void Form::CreateParams(WindowParams& params) const {
    params.ClassName = m_className.c_str();
    params.Style = WindowStyle();
    params.ExStyle = WindowExStyle();
    params.OwnClass = true;
    params.Menu = m_menu ? m_menu->Handle() : nullptr;
}

DWORD Form::WindowStyle() const noexcept {
    DWORD style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    switch (m_borderStyle) {
        case FormBorderStyle::None: style |= WS_POPUP; break;
        case FormBorderStyle::Single: style |= WS_CAPTION; break;
        case FormBorderStyle::Sizeable: style |= WS_CAPTION | WS_THICKFRAME; break;
        case FormBorderStyle::Dialog: style |= WS_CAPTION | DS_MODALFRAME; break;
    }
    if (m_borderStyle != FormBorderStyle::None && (m_borderIcons & BorderIcon::SystemMenu)) {
        style |= WS_SYSMENU;
        if (m_borderStyle != FormBorderStyle::Dialog) {
            if (m_borderIcons & BorderIcon::Minimize) style |= WS_MINIMIZEBOX;
            if (m_borderIcons & BorderIcon::Maximize) style |= WS_MAXIMIZEBOX;
        }
    }
    return style;
}

DWORD Form::WindowExStyle() const noexcept {
    DWORD exStyle = 0;
    if (m_borderStyle == FormBorderStyle::Dialog) exStyle |= WS_EX_DLGMODALFRAME;
    if (m_formStyle == FormStyle::StayOnTop) exStyle |= WS_EX_TOPMOST;
    return exStyle;
}

RECT Form::WindowBounds() const noexcept {
    return RECT{m_left, m_top, m_left + m_width, m_top + m_height};
}

SIZE Form::OuterSize(DWORD style, DWORD exStyle) const noexcept {
    RECT outer{0, 0, Scale(m_clientWidth), Scale(m_clientHeight)};
    AdjustWindowRectForDpi(outer, style, m_menu != nullptr, exStyle, m_dpi);
    return SIZE{outer.right - outer.left, outer.bottom - outer.top};
}

// The style words follow the border style and icons; the window's state bits and the extended
// bits other than the modal frame stay as they are.
void Form::UpdateWindowStyle() {
    if (!Handle() || m_designing) return;
    const auto old = static_cast<DWORD>(::GetWindowLongA(Handle(), GWL_STYLE));
    const DWORD style = WindowStyle() | (old & (WS_VISIBLE | WS_DISABLED | WS_MINIMIZE));
    ::SetWindowLongA(Handle(), GWL_STYLE, static_cast<LONG>(style));
    const auto oldEx = static_cast<DWORD>(::GetWindowLongA(Handle(), GWL_EXSTYLE));
    const DWORD exStyle = (oldEx & ~WS_EX_DLGMODALFRAME) | (WindowExStyle() & WS_EX_DLGMODALFRAME);
    ::SetWindowLongA(Handle(), GWL_EXSTYLE, static_cast<LONG>(exStyle));
    ::SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    UpdateWindowSize();
}

// The window's outer size follows its client size, border, title bar and menu bar.
void Form::UpdateWindowSize() {
    if (!Handle() || m_designing) return;
    const SIZE outer = OuterSize(static_cast<DWORD>(::GetWindowLongA(Handle(), GWL_STYLE)),
                                 static_cast<DWORD>(::GetWindowLongA(Handle(), GWL_EXSTYLE)));
    int width = outer.cx;
    int height = outer.cy;
    constexpr UINT kSizeOnly = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
    ::SetWindowPos(Handle(), nullptr, 0, 0, width, height, kSizeOnly);
    // A menu bar that wraps takes more than the one line reckoned with above.
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const int clientWidth = Scale(m_clientWidth);
    const int clientHeight = Scale(m_clientHeight);
    if (client.right != clientWidth || client.bottom != clientHeight) {
        width += clientWidth - client.right;
        height += clientHeight - client.bottom;
        ::SetWindowPos(Handle(), nullptr, 0, 0, width, height, kSizeOnly);
    }
    m_width = width;
    m_height = height;
}

void Form::SetBounds(int left, int top, int width, int height) {
    if (m_designing && (width != m_width || height != m_height)) m_designedOuterSize = true;
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    if (!Handle() || m_designing) return;
    ::SetWindowPos(Handle(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client{};
    ::GetClientRect(Handle(), &client);
    m_clientWidth = ::MulDiv(client.right, kDesignPixelsPerInch, m_dpi);
    m_clientHeight = ::MulDiv(client.bottom, kDesignPixelsPerInch, m_dpi);
}

void Form::SetClientWidth(int width) {
    m_designedOuterSize = false;
    m_clientWidth = width;
    UpdateWindowSize();
}

void Form::SetClientHeight(int height) {
    m_designedOuterSize = false;
    m_clientHeight = height;
    UpdateWindowSize();
}

void Form::SetBorderStyle(FormBorderStyle style) {
    if (style == m_borderStyle) return;
    m_borderStyle = style;
    UpdateWindowStyle();
}

void Form::SetBorderIcons(unsigned icons) {
    if (icons == m_borderIcons) return;
    m_borderIcons = icons;
    UpdateWindowStyle();
}

void Form::SetFormStyle(FormStyle style) {
    if (style == m_formStyle) return;
    m_formStyle = style;
    if (Handle() && !m_designing)
        ::SetWindowPos(Handle(), style == FormStyle::StayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0,
                       0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Form::SetMenu(MainMenu* menu) {
    if (menu == m_menu) return;
    if (m_menu) {
        m_menu->SetWindow(nullptr);
        RemoveFreeNotification(m_menu);
    }
    m_menu = menu;
    if (menu) {
        FreeNotification(menu);
        menu->SetWindow(Handle());
    }
    if (Handle() && !m_designing) ::SetMenu(Handle(), menu ? menu->Handle() : nullptr);
    UpdateWindowSize();
}

void Form::SetIcon(const Icon& icon) {
    // The window class shows the program's icon already. A window icon of its own would be
    // converted for the window manager once for each size, a few milliseconds each under
    // Wine, and the copy kept for it would be as dear.
    if (Handle() && !m_windowIcon && icon.IsResource(ModuleInstance(), kMainIconName) &&
        ::GetClassLongPtrA(Handle(), GCLP_HICON))
        return;
    // The window does not own the images it is given: the form keeps them.
    m_icon.Assign(icon);
    if (!Handle()) return;
    m_windowIcon = true;
    ::SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon.Handle()));
    ::SendMessageA(Handle(), WM_SETICON, ICON_SMALL,
                   reinterpret_cast<LPARAM>(m_icon.SmallHandle()));
}

void Form::Notification(Component* component, Operation operation) {
    Control::Notification(component, operation);
    if (operation == Operation::Remove && component == m_menu) {
        m_menu = nullptr;
        if (Handle()) ::SetMenu(Handle(), nullptr);
    }
}

// The window is made once the design is complete, with its style, menu bar, place, size and
// z-order from the start: each change to a made window would lay out its frame and menu bar
// again, and under Wine tell the X server as well.
void Form::ApplyDesignToWindow() {
    m_designing = false;
    // The design's place and outer size are for 96 dpi, like the rest of it.
    m_left = Scale(m_left);
    m_top = Scale(m_top);
    if (m_designedOuterSize) {
        m_width = Scale(m_width);
        m_height = Scale(m_height);
    } else {
        const SIZE outer = OuterSize(WindowStyle(), WindowExStyle());
        m_width = outer.cx;
        m_height = outer.cy;
    }
    const Application* application = Application::Current();
    CreateHandle(application ? application->Handle() : nullptr);
    if (m_menu) m_menu->SetWindow(Handle());
    // Made on a monitor of another scale than the primary display's: sized for that one.
    if (const int dpi = WindowDpi(Handle()); dpi != m_dpi) {
        m_dpi = dpi;
        if (!m_designedOuterSize) {
            const SIZE outer =
                OuterSize(static_cast<DWORD>(::GetWindowLongA(Handle(), GWL_STYLE)),
                          static_cast<DWORD>(::GetWindowLongA(Handle(), GWL_EXSTYLE)));
            m_width = outer.cx;
            m_height = outer.cy;
            ::SetWindowPos(Handle(), nullptr, 0, 0, m_width, m_height,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const int clientWidth = Scale(m_clientWidth);
    const int clientHeight = Scale(m_clientHeight);
    if (m_designedOuterSize) {
        m_clientWidth = ::MulDiv(client.right, kDesignPixelsPerInch, m_dpi);
        m_clientHeight = ::MulDiv(client.bottom, kDesignPixelsPerInch, m_dpi);
    } else if (client.right != clientWidth || client.bottom != clientHeight) {
        // A menu bar that wraps takes more than the one line reckoned with above.
        ::SetWindowPos(Handle(), nullptr, 0, 0, m_width + clientWidth - client.right,
                       m_height + clientHeight - client.bottom,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    CreateChildHandles();
}

void Form::EndLoading() {
    const int designedFor = m_dpi;
    ApplyDesignToWindow();
    Loaded();
    for (Component* component : std::vector<Component*>(Components()))
        if (component->Loading()) component->Loaded();
    // The window came up on a monitor of another scale than the design's pictures were
    // chosen for.
    if (m_dpi != designedFor) Guarded([this] { OnDpiChange(*this); });
}

void Form::AfterConstruction() {
    Guarded([this] { OnCreate(*this); });
    m_creating = false;
    if (m_visible) ShowForm();
}

void Form::SetVisible(bool visible) {
    if (visible == m_visible) return;
    m_visible = visible;
    // While the form is being created the flag only records the wish; while it is being
    // destroyed no window may come up again.
    if (m_creating || m_destroying || !Handle()) return;
    if (visible)
        ShowForm();
    else
        ::ShowWindow(Handle(), SW_HIDE);
}

void Form::ShowForm() {
    PlaceForPosition();
    ::ShowWindow(Handle(), SW_SHOWNORMAL);
}

void Form::PlaceForPosition() {
    RECT window{};
    ::GetWindowRect(Handle(), &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    int left = 0;
    int top = 0;
    switch (m_position) {
        case FormPosition::Designed: return;
        case FormPosition::ScreenCenter:
            left = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
            top = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
            break;
        case FormPosition::MainFormCenter: {
            const Application* application = Application::Current();
            const Form* main = application ? application->MainForm() : nullptr;
            if (!main || main == this || !main->Handle()) return;
            RECT over{};
            ::GetWindowRect(main->Handle(), &over);
            left = std::max<int>(0, over.left + (over.right - over.left - width) / 2);
            top = std::max<int>(0, over.top + (over.bottom - over.top - height) / 2);
            break;
        }
    }
    // A window already in place is not moved: under Wine each move tells the X server too.
    if (left == window.left && top == window.top) return;
    ::SetWindowPos(Handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::Close() {
    if (m_modal) {
        m_modalResult = mrCancel;
        return;
    }
    CloseAction action = CloseAction::Hide;
    OnClose(*this, action);
    if (action == CloseAction::None) return;
    if (Application* application = Application::Current();
        application && application->MainForm() == this) {
        application->Terminate();
        return;
    }
    switch (action) {
        case CloseAction::Minimize: ::ShowWindow(Handle(), SW_MINIMIZE); break;
        // Windows live until the program ends: a form that asks to be freed is hidden.
        default: SetVisible(false); break;
    }
}

int Form::ShowModal() {
    if (m_visible || m_modal) throw Exception("Cannot make a visible window modal");
    HWND active = ::GetActiveWindow();
    m_modalResult = mrNone;
    m_modal = true;
    {
        const DisabledWindows disabled(Handle());
        if (disabled.AnyTopmost())
            ::SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0,
                           SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        SetVisible(true);
        while (m_modalResult == mrNone) {
            MSG message;
            const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
            if (got == 0 || got == -1) {
                // The quit request is for the application's loop: pass it on.
                ::PostQuitMessage(static_cast<int>(message.wParam));
                m_modalResult = mrCancel;
                break;
            }
            if (!::IsDialogMessageA(Handle(), &message)) {
                ::TranslateMessage(&message);
                ::DispatchMessageA(&message);
            }
            if (m_modalResult != mrNone) {
                CloseAction action = CloseAction::Hide;
                OnClose(*this, action);
                if (action == CloseAction::None) m_modalResult = mrNone;
            }
        }
        // The other windows take input again before this one goes, so that the activation
        // returns to them rather than to some other program.
    }
    SetVisible(false);
    m_modal = false;
    if (active && ::IsWindow(active)) ::SetActiveWindow(active);
    return m_modalResult;
}

LRESULT Form::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE: return OnCloseMessage();
        case WM_COMMAND:
        case WM_INITMENUPOPUP:
        case WM_MENUCHAR:
        case WM_MEASUREITEM:
        case WM_DRAWITEM: return OnMenuMessage(message, wParam, lParam);
        case WM_WINDOWPOSCHANGED: return OnWindowPosChanged(message, wParam, lParam);
        case WM_ACTIVATE: return OnActivate(message, wParam, lParam);
        case WM_DPICHANGED: return OnDpiChangedMessage(wParam, lParam);
        case WM_SYSCOLORCHANGE:
        case WM_SETTINGCHANGE: return OnSettingChange(message, wParam, lParam);
        default: return Control::WindowProc(message, wParam, lParam);
    }
}

// High Contrast going on or off comes as a setting change and a colour change.
LRESULT Form::OnSettingChange(UINT message, WPARAM wParam, LPARAM lParam) {
    RefreshHighContrast(message == WM_SYSCOLORCHANGE);
    return Control::WindowProc(message, wParam, lParam);
}

LRESULT Form::OnCloseMessage() {
    Close();
    return 0;
}

LRESULT Form::OnMenuMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleMenuMessage(Handle(), message, wParam, lParam, result)) return result;
    return Control::WindowProc(message, wParam, lParam);
}

// Keeps Left, Top, Width and Height in step with where the user or the system put the window.
// While the design loads, its values stand: the window takes them when the design is complete.
LRESULT Form::OnWindowPosChanged(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_designing) return Control::WindowProc(message, wParam, lParam);
    RECT window{};
    ::GetWindowRect(Handle(), &window);
    m_left = window.left;
    m_top = window.top;
    m_width = window.right - window.left;
    m_height = window.bottom - window.top;
    return Control::WindowProc(message, wParam, lParam);
}

// As a dialog does: the keyboard focus goes back to the control that had it when the window was
// deactivated, or else to the first control that takes it in the order of the design. A window
// without such controls keeps the focus itself.
LRESULT Form::OnActivate(UINT message, WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus && ::IsChild(Handle(), focus)) m_focused = focus;
        return Control::WindowProc(message, wParam, lParam);
    }
    HWND target = m_focused;
    if (!target || !::IsChild(Handle(), target) || !::IsWindowVisible(target) ||
        !::IsWindowEnabled(target))
        target = FirstTabStop();
    if (!target || HIWORD(wParam)) return Control::WindowProc(message, wParam, lParam);
    ::SetFocus(target);
    return 0;
}

// The window moved to a monitor of another scale (or the scale changed): it takes the place the
// system suggests, and its layout, fonts and pictures are made again from the design.
LRESULT Form::OnDpiChangedMessage(WPARAM wParam, LPARAM lParam) {
    const int dpi = HIWORD(wParam);
    if (dpi <= 0) return 0;
    m_dpi = dpi;
    if (const auto* suggested = reinterpret_cast<const RECT*>(lParam))
        ::SetWindowPos(Handle(), nullptr, suggested->left, suggested->top,
                       suggested->right - suggested->left, suggested->bottom - suggested->top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    DpiChanged();
    return 0;
}

void Form::DpiChanged() {
    FontHandle();
    for (Control* child : std::vector<Control*>(Controls())) child->DpiChanged();
    for (Component* component : std::vector<Component*>(Components()))
        if (auto* menu = dynamic_cast<cs::Menu*>(component)) menu->Remeasure();
    // The suggested size is the old one scaled; the client area is exactly the design's, below
    // a menu bar of the new scale.
    UpdateWindowSize();
    OnDpiChange(*this);
    ::RedrawWindow(Handle(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

HWND Form::FirstTabStop() const noexcept {
    std::vector<const Control*> pending(Controls().rbegin(), Controls().rend());
    while (!pending.empty()) {
        const Control* control = pending.back();
        pending.pop_back();
        HWND window = control->Handle();
        if (!window || !::IsWindowVisible(window) || !::IsWindowEnabled(window)) continue;
        if (::GetWindowLongA(window, GWL_STYLE) & WS_TABSTOP) return window;
        pending.insert(pending.end(), control->Controls().rbegin(), control->Controls().rend());
    }
    return nullptr;
}

}  // namespace cs
