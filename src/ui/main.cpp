#include <windows.h>

#include <exception>
#include <optional>

#include "framework/Application.h"
#include "platform/Dialogs.h"
#include "platform/Seams.h"
#include "time/ServiceControl.h"
#include "ui/SetupCommands.h"
#include "ui/Unit1.h"
#include "ui/about.h"
#include "ui/tzmain.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    // The installer's commands for the clock service come before anything else: such a start
    // makes no window and reads or writes no setting or autostart entry.
    if (const std::optional<int> exitCode = cs::RunServiceCommand(commandLine ? commandLine : "")) {
        return *exitCode;
    }
    try {
        // The installer's commands, before any window or setting is touched.
        if (const auto exitCode = cs::RunSetupCommand(commandLine ? commandLine : ""))
            return *exitCode;
        cs::Application application;
        // The main window shows itself, or stays in the tray, as its creation decides.
        application.SetShowMainForm(false);
        {
            // The window comes up and paints first; the notification area, which answers
            // from another process, hears of the icon right after.
            const cs::ShellNotificationsHeld held;
            cs::TfrmTzMain* main = application.CreateForm<cs::TfrmTzMain>();
            if (main->Handle()) ::UpdateWindow(main->Handle());
        }
        // The dialogs, once, hidden until a command shows them.
        application.CreateForm<cs::TfrmProxy>();
        application.CreateForm<cs::TfrmAbout>();
        application.Run();
        return 0;
    } catch (const std::exception& failure) {
        // Only a program that cannot build its windows gets here.
        cs::HandleException(failure);
        return 1;
    }
}
