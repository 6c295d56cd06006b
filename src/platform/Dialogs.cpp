#include "platform/Dialogs.h"

#include <stdexcept>

#include "platform/AppInfo.h"
#include "platform/Seams.h"

namespace cs {

int ShowMessageBox(const std::string& text, UINT type) {
    HWND owner = ::GetActiveWindow();
    // Without an owner the box must still come up in front: the main window stays on top and
    // a synchronization may be started from the tray while no window of ours is active.
    if (!owner) type |= MB_TASKMODAL | MB_TOPMOST | MB_SETFOREGROUND;
    return MessageBoxes().Show(owner, text, ApplicationTitle(), type);
}

void ShowMessage(const std::string& text) { ShowMessageBox(text, MB_OK); }

std::string ErrorBoxText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
    return message;
}

void HandleException(const std::exception& failure) {
    ShowMessageBox(ErrorBoxText(failure.what()), MB_OK | MB_ICONSTOP);
}

}  // namespace cs
