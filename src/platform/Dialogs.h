#pragma once
#include <windows.h>

#include <exception>
#include <stdexcept>
#include <string>

namespace cs {

// A modal message box with the application title as caption, through the message-box seam.
// The owner is the thread's active window, so the box stays above the program's top-most window.
int ShowMessageBox(const std::string& text, UINT type);

// The program's own messages and reports: no icon, one OK button.
void ShowMessage(const std::string& text);

// The text the default error handler shows: the message, with "." appended when its last
// character sorts after ".".
std::string ErrorBoxText(const std::string& message);

// The application's default error handler: the failure's message with the stop icon and OK.
void HandleException(const std::exception& failure);

// Runs an event handler at a dispatch edge: a failure is shown by the default error handler and
// goes no further, so nothing throws out of a window procedure or timer callback.
template <typename F>
void Guarded(F&& handler) noexcept {
    try {
        handler();
    } catch (const std::exception& failure) {
        HandleException(failure);
    } catch (...) {
        HandleException(std::runtime_error("Unexpected failure"));
    }
}

}  // namespace cs
