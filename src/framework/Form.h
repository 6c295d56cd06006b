#pragma once
#include <windows.h>

#include <string>
#include <utility>

#include "framework/Control.h"
#include "framework/Menus.h"

namespace cs {

enum class FormBorderStyle { None, Single, Sizeable, Dialog };
namespace BorderIcon {
inline constexpr unsigned SystemMenu = 1, Minimize = 2, Maximize = 4;
}
enum class FormStyle { Normal, StayOnTop };
// Where the window goes each time it is shown through its visible flag.
enum class FormPosition { Designed, ScreenCenter, MainFormCenter };
// What a close request does, as the OnClose handler leaves it.
enum class CloseAction { None, Hide, Free, Minimize };

inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;

// A top-level window built from a design. Its window class is the form's class name. It is
// owned by the application window, so it has no task-bar button of its own.
//
// Visible is the form's own flag: setting it shows (placed by Position) or hides the window.
// ShowWindow called directly leaves the flag as it is, so a window hidden that way still counts
// as visible, and setting Visible to true then changes nothing.
class Form : public Control {
public:
    ~Form() override;

    // Runs OnCreate (a failure goes to the default error handler and ends it), then shows the
    // window if its visible flag was set meanwhile. Application::CreateForm calls it.
    void AfterConstruction();

    void SetVisible(bool visible) override;
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }

    // Left, Top, Width and Height are the window's place on the screen and its outer size.
    void SetBounds(int left, int top, int width, int height) override;
    int ClientWidth() const noexcept { return m_clientWidth; }
    int ClientHeight() const noexcept { return m_clientHeight; }
    void SetClientWidth(int width);
    void SetClientHeight(int height);

    FormBorderStyle BorderStyle() const noexcept { return m_borderStyle; }
    void SetBorderStyle(FormBorderStyle style);
    unsigned BorderIcons() const noexcept { return m_borderIcons; }
    void SetBorderIcons(unsigned icons);
    FormStyle Style() const noexcept { return m_formStyle; }
    void SetFormStyle(FormStyle style);
    FormPosition Position() const noexcept { return m_position; }
    void SetPosition(FormPosition position) noexcept { m_position = position; }

    MainMenu* Menu() const noexcept { return m_menu; }
    void SetMenu(MainMenu* menu);
    // The window's icon, big and small.
    void SetIcon(const Icon& icon);

    // A close request (close box, system menu, Close()): OnClose may change the action, which
    // starts as Hide. Unless it is None, the main form's close ends the application.
    void Close();
    Event<Component&, CloseAction&> OnClose;
    NotifyEvent OnCreate;
    // After the window has moved to a display of another scale and its controls have been
    // placed and given their fonts at it: the pictures of the new scale go in here.
    NotifyEvent OnDpiChange;

    // The resolution of the monitor that the window is on (96 dots per inch at 100%).
    int Dpi() const noexcept override { return m_dpi; }
    void DpiChanged() override;

    // Shows the form and runs a message loop until ModalResult is set; the other windows of the
    // thread take no input meanwhile. A quit request ends it with mrCancel.
    int ShowModal();
    int ModalResult() const noexcept { return m_modalResult; }
    void SetModalResult(int result) noexcept { m_modalResult = result; }
    bool Modal() const noexcept { return m_modal; }

protected:
    // Creates the hidden window; the derived form's constructor then builds its design.
    Form(Component* owner, std::string className);

    // Creates a component of the design: owned by this form, loading, named.
    template <typename T>
    T* Make(std::string name) {
        T* component = new T(this);
        component->BeginLoading();
        component->SetName(std::move(name));
        return component;
    }
    // Ends the design: Loaded for the form, then for every component in creation order.
    void EndLoading();

    void CreateParams(WindowParams& params) const override;
    RECT WindowBounds() const noexcept override;
    bool HoldsChildWindows() const noexcept override { return m_designing; }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Notification(Component* component, Operation operation) override;

private:
    void ApplyDesignToWindow();
    LRESULT OnMenuMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCloseMessage();
    LRESULT OnWindowPosChanged(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnActivate(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnDpiChangedMessage(WPARAM wParam, LPARAM lParam);
    // The outer size for the client size at the window's scale.
    SIZE OuterSize(DWORD style, DWORD exStyle) const noexcept;
    LRESULT OnSettingChange(UINT message, WPARAM wParam, LPARAM lParam);
    HWND FirstTabStop() const noexcept;
    void ShowForm();
    void PlaceForPosition();
    void UpdateWindowStyle();
    void UpdateWindowSize();
    DWORD WindowStyle() const noexcept;
    DWORD WindowExStyle() const noexcept;

    std::string m_className;
    // The design's client size, in design pixels; Left, Top, Width and Height of a form are
    // the window's own place and outer size on the screen.
    int m_clientWidth = 0;
    int m_clientHeight = 0;
    int m_dpi;
    FormBorderStyle m_borderStyle = FormBorderStyle::Sizeable;
    unsigned m_borderIcons = BorderIcon::SystemMenu | BorderIcon::Minimize | BorderIcon::Maximize;
    FormStyle m_formStyle = FormStyle::Normal;
    FormPosition m_position = FormPosition::Designed;
    MainMenu* m_menu = nullptr;
    Icon m_icon;
    bool m_windowIcon = false;  // the window has been given an icon of its own
    bool m_creating = true;
    // While the design loads, the window only records what the design sets: its style, size,
    // place, menu bar and child windows are applied once, when the design is complete.
    bool m_designing = true;
    bool m_designedOuterSize = false;  // the design's last size was the outer one
    bool m_destroying = false;
    bool m_modal = false;
    // The control that had the keyboard focus when the window was last deactivated.
    HWND m_focused = nullptr;
    int m_modalResult = mrNone;
};

}  // namespace cs
