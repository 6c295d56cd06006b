#pragma once
#include <string>

#include "components/AutoRun.h"
#include "components/TrayIcon.h"
#include "components/XPMenu.h"
#include "framework/Buttons.h"
#include "framework/Form.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "framework/Timer.h"
#include "time/ClockSync.h"

namespace cs {

// The main window's title, by which a second start finds the running one.
inline constexpr char kMainWindowTitle[] = "Veritan Clock Sync v2.2";

// Started by "&System Date/Time": the system's own date and time settings.
inline constexpr char kDateTimeSettingsCommand[] =
    "rundll32.exe shell32.dll,Control_RunDLL Timedate.cpl";

// Set only by the exit command. While it is clear, closing the main window hides it.
extern bool ExitRequested;

// The main window: the time-zone settings, the UTC time, the last synchronization, the menu bar
// and the tray menu. Created once; closing it only hides it.
class TfrmTzMain : public Form, public IClockSyncView {
public:
    explicit TfrmTzMain(Component* owner);

    // The design's components.
    Panel* Panel1;
    FlatButton* SpeedButton1;
    FlatButton* SpeedButton2;
    Label* Label12;
    Label* Label9;
    Label* lblSystemUtc;
    Label* Label8;
    Label* lblCurrentMode;
    Label* Label2;
    Label* lblStdName;
    Label* Label3;
    Label* lblStdDate;
    Label* Label6;
    Label* lblStdBias;
    Label* Label4;
    Label* lblDLname;
    Label* Label5;
    Label* lblDlDate;
    Label* Label7;
    Label* lblDlBias;
    Label* Label1;
    Label* lblUtcBias;
    Label* Label11;
    Label* lblLastPing;
    MainMenu* MainMenu1;
    MenuItem* File1;
    MenuItem* mnuPing;
    MenuItem* N3;
    MenuItem* mnuAutostart;
    MenuItem* StartMinimized1;
    MenuItem* mnuAutomatic;
    MenuItem* mnuServers;
    MenuItem* N2;
    MenuItem* mnuExit;
    MenuItem* Tools1;
    MenuItem* mnuProxy;
    MenuItem* mnuControlPanel;
    MenuItem* Help1;
    MenuItem* mnuReadme;
    MenuItem* mnuMRD;
    MenuItem* mnuAbout;
    PopupMenu* PopupMenu1;
    MenuItem* OpenVeritanClockSync1;
    MenuItem* PingVeritanClockNow1;
    MenuItem* PingDaily1;
    MenuItem* N1;
    MenuItem* Exit1;
    Timer* Timer1;
    Timer* Timer2;
    TabfTrayIcon* TrayIcon1;
    TabfAutoRun* abfAutoRun1;
    TXPMenu* XPMenu1;

    // Event handlers.
    void FormCreate(Component& sender);
    void FormClose(Component& sender, CloseAction& action);
    void OpenVeritanClockSync1Click(Component& sender);
    void mnuExitClick(Component& sender);
    void mnuPingClick(Component& sender);
    void mnuAutomaticClick(Component& sender);
    void Timer1Timer(Component& sender);
    void Timer2Timer(Component& sender);
    void mnuProxyClick(Component& sender);
    void mnuControlPanelClick(Component& sender);
    void mnuAboutClick(Component& sender);
    void mnuReadmeClick(Component& sender);
    void mnuMRDClick(Component& sender);
    void SpeedButton2Click(Component& sender);
    void File1Click(Component& sender);
    void mnuAutostartClick(Component& sender);
    void StartMinimized1Click(Component& sender);
    void mnuServersClick(Component& sender);
    void mnuServerItemClick(Component& sender);

    ClockSync& Sync() noexcept { return m_sync; }

    // What the clock synchronization shows and switches on this window.
    void SetLastPingText(const std::string& text) override;
    void SetSystemUtcText(const std::string& text) override;
    bool DailyTimerEnabled() const override;
    void SetDailyTimerEnabled(bool enabled) override;
    bool AutomaticChecked() const override;
    void SetAutomaticChecked(bool checked) override;
    void SetTrayAutomaticChecked(bool checked) override;
    void SetWindowWaitCursor(bool wait) override;
    void SetApplicationWaitCursor(bool wait) override;
    void SetTrayTip(const std::string& text) override;
    void ShowTrayBalloon(const std::string& title, const std::string& text) override;

private:
    void CreateDesign();
    void LoadAutoStart();
    Label* MakeLabel(const char* name, int top, int left, int width, const char* caption,
                     Color color);
    MenuItem* MakeItem(MenuItem& parent, const char* name, const char* caption);
    void OpenWebsite();

    ClockSync m_sync{*this};
};

}  // namespace cs
