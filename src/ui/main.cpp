#include <windows.h>

#include <exception>

#include "framework/Application.h"
#include "platform/Dialogs.h"
#include "ui/tzmain.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        cs::Application application;
        // The main window shows itself, or stays in the tray, as its creation decides.
        application.SetShowMainForm(false);
        application.CreateForm<cs::TfrmTzMain>();
        application.Run();
        return 0;
    } catch (const std::exception& failure) {
        // Only a program that cannot build its windows gets here.
        cs::HandleException(failure);
        return 1;
    }
}
