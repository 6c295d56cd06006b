#include "ui/tzmain.h"

#include <windows.h>

#include <string>
#include <utility>

#include "core/TimeZoneRules.h"
#include "framework/Application.h"
#include "platform/AppInfo.h"
#include "platform/Dialogs.h"
#include "platform/Locale.h"
#include "platform/Seams.h"
#include "settings/Settings.h"
#include "time/DaytimeClient.h"
#include "time/TimeZone.h"
#include "ui/Maker.h"
#include "ui/TimeServers.h"
#include "ui/Unit1.h"
#include "ui/about.h"
#include "ui/resources/ResourceIds.h"

namespace cs {

bool ExitRequested = false;

namespace {

constexpr Color kBackground = Color::FromRgb(0x404040);
constexpr Color kCaptionGreen = Color::FromRgb(0x00FF00);
constexpr Color kValueYellow = Color::FromRgb(0xFFFF00);
constexpr int kCaptionLeft = 14;
constexpr int kCaptionWidth = 200;
constexpr int kValueLeft = 272;
constexpr int kValueWidth = 136;
constexpr int kLabelHeight = 13;

void LoadBitmap(Bitmap& bitmap, int id) {
    bitmap.LoadFromResource(ModuleInstance(), MAKEINTRESOURCEA(id));
}

void SetItemPicture(MenuItem& item, int id) {
    Bitmap picture;
    LoadBitmap(picture, id);
    item.SetBitmap(picture);
}

}  // namespace

TfrmTzMain::TfrmTzMain(Component* owner) : Form(owner, "TfrmTzMain") {
    CreateDesign();
    EndLoading();
}

Label* TfrmTzMain::MakeLabel(const char* name, int top, int left, int width, const char* caption,
                             Color color) {
    auto* label = Make<Label>(name);
    label->SetParent(this);
    label->SetLeft(left);
    label->SetTop(top);
    label->SetWidth(width);
    label->SetHeight(kLabelHeight);
    label->SetAutoSize(false);
    label->SetCaption(caption);
    label->GetFont().SetColor(color);
    label->SetTransparent(true);
    return label;
}

MenuItem* TfrmTzMain::MakeItem(MenuItem& parent, const char* name, const char* caption) {
    auto* item = Make<MenuItem>(name);
    parent.Add(item);
    item->SetCaption(caption);
    return item;
}

// The stored design: every component is created and its stored properties are set one by one,
// in the order in which they are published; references between components are set once the
// component referred to exists.
void TfrmTzMain::CreateDesign() {
    SetLeft(381);
    SetTop(192);
    SetBorderIcons(BorderIcon::SystemMenu);
    SetBorderStyle(FormBorderStyle::Single);
    SetClientHeight(264);
    SetClientWidth(424);
    SetColor(kBackground);
    GetFont().SetCharset(DEFAULT_CHARSET);
    GetFont().SetColor(kColorWindowText);
    GetFont().SetHeight(-11);
    GetFont().SetName("MS Sans Serif");
    GetFont().SetStyle(0);
    SetFormStyle(FormStyle::StayOnTop);
    SetPosition(FormPosition::ScreenCenter);
    OnClose = decltype(OnClose)::Bind<&TfrmTzMain::FormClose>(this);
    OnCreate = NotifyEvent::Bind<&TfrmTzMain::FormCreate>(this);

    Bitmap ping;
    LoadBitmap(ping, IDB_PING);
    Bitmap banner;
    LoadBitmap(banner, IDB_BANNER);

    // The tool strip: a sunken box across the top with the two flat buttons.
    Panel1 = Make<Panel>("Panel1");
    Panel1->SetParent(this);
    Panel1->SetLeft(0);
    Panel1->SetTop(0);
    Panel1->SetWidth(424);
    Panel1->SetHeight(41);
    Panel1->SetBevelOuter(BevelCut::Lowered);

    SpeedButton1 = Make<FlatButton>("SpeedButton1");
    SpeedButton1->SetParent(Panel1);
    SpeedButton1->SetLeft(2);
    SpeedButton1->SetTop(3);
    SpeedButton1->SetWidth(100);
    SpeedButton1->SetHeight(35);
    SpeedButton1->SetCaption("Ping Now");
    SpeedButton1->SetFlat(true);
    SpeedButton1->GetFont().SetColor(kColorWhite);
    SpeedButton1->SetGlyph(ping);
    SpeedButton1->SetSpacing(18);
    SpeedButton1->OnClick = NotifyEvent::Bind<&TfrmTzMain::mnuPingClick>(this);

    // The maker's banner: a click opens the maker's website.
    SpeedButton2 = Make<FlatButton>("SpeedButton2");
    SpeedButton2->SetParent(Panel1);
    SpeedButton2->SetLeft(250);
    SpeedButton2->SetTop(3);
    SpeedButton2->SetWidth(169);
    SpeedButton2->SetHeight(35);
    SpeedButton2->SetFlat(true);
    SpeedButton2->SetGlyph(banner);
    SpeedButton2->SetSpacing(0);
    SpeedButton2->OnClick = NotifyEvent::Bind<&TfrmTzMain::SpeedButton2Click>(this);

    // The status table: green captions on the left, yellow right-aligned values on the right.
    Label12 = Make<Label>("Label12");
    Label12->SetParent(this);
    Label12->SetLeft(5);
    Label12->SetTop(48);
    Label12->SetHeight(kLabelHeight);
    Label12->SetCaption("Your System Settings . . .");
    Label12->GetFont().SetColor(kColorWhite);
    Label12->SetTransparent(true);

    const auto row = [this](const char* captionName, const char* caption, const char* valueName,
                            int top, Label*& captionLabel, Label*& valueLabel,
                            int captionWidth = kCaptionWidth, const char* value = "") {
        captionLabel =
            MakeLabel(captionName, top, kCaptionLeft, captionWidth, caption, kCaptionGreen);
        valueLabel = MakeLabel(valueName, top, kValueLeft, kValueWidth, value, kValueYellow);
        valueLabel->SetAlignment(Alignment::Right);
    };
    row("Label9", "Current UTC", "lblSystemUtc", 73, Label9, lblSystemUtc);
    row("Label8", "Currently in", "lblCurrentMode", 88, Label8, lblCurrentMode);
    row("Label2", "Standard Time Zone Name", "lblStdName", 112, Label2, lblStdName);
    row("Label3", "Standard Time Zone Date", "lblStdDate", 128, Label3, lblStdDate);
    row("Label6", "Standard Time Zone Bias", "lblStdBias", 144, Label6, lblStdBias);
    row("Label4", "Daylight Time Zone Name", "lblDLname", 168, Label4, lblDLname);
    row("Label5", "Daylight Time Zone Date", "lblDlDate", 184, Label5, lblDlDate);
    row("Label7", "Daylight Time Zone Bias", "lblDlBias", 200, Label7, lblDlBias);
    row("Label1", "Unadjusted UTC Bias", "lblUtcBias", 225, Label1, lblUtcBias);
    // "&&" is the label's way of showing one "&".
    row("Label11", "Date && Time of Last Successful Ping", "lblLastPing", 241, Label11, lblLastPing,
        227, "Never");

    // The menu bar. Its painter (XPMenu1) switches it to owner drawing.
    MainMenu1 = Make<MainMenu>("MainMenu1");
    MainMenu1->SetOwnerDraw(true);
    File1 = MakeItem(MainMenu1->Items(), "File1", "&File");
    File1->OnClick = NotifyEvent::Bind<&TfrmTzMain::File1Click>(this);
    mnuPing = MakeItem(*File1, "mnuPing", "&Ping Veritan Clock");
    mnuPing->SetBitmap(ping);
    mnuPing->OnClick = NotifyEvent::Bind<&TfrmTzMain::mnuPingClick>(this);
    N3 = MakeItem(*File1, "N3", "-");
    mnuAutostart = MakeItem(*File1, "mnuAutostart", "Auto Start with Windows");
    mnuAutostart->SetAutoCheck(true);
    mnuAutostart->OnClick = NotifyEvent::Bind<&TfrmTzMain::mnuAutostartClick>(this);
    StartMinimized1 = MakeItem(*File1, "StartMinimized1", "Start Minimized");
    StartMinimized1->SetAutoCheck(true);
    StartMinimized1->OnClick = NotifyEvent::Bind<&TfrmTzMain::StartMinimized1Click>(this);
    mnuAutomatic = MakeItem(*File1, "mnuAutomatic", "&Auto Synchronize Daily");
    mnuAutomatic->SetChecked(true);
    mnuAutomatic->OnClick = NotifyEvent::Bind<&TfrmTzMain::mnuAutomaticClick>(this);
    mnuServers = MakeItem(*File1, "mnuServers", "&Time Servers");
    mnuServers->OnClick = NotifyEvent::Bind<&TfrmTzMain::mnuServersClick>(this);
    for (size_t i = 0; i < kTimeServers.size(); ++i) {
        const std::string address(kTimeServers[i]);
        MenuItem* server =
            MakeItem(*mnuServers, ("mnuServer" + std::to_string(i + 1)).c_str(), address.c_str());
        server->SetChecked(i == 1);
        server->SetGroupIndex(1);
        server->SetHint(address);
        server->SetRadioItem(true);
        server->OnClick = NotifyEvent::Bind<&TfrmTzMain::mnuServerItemClick>(this);
    }
    N2 = MakeItem(*File1, "N2", "-");
    mnuExit = MakeItem(*File1, "mnuExit", "&Exit");
    mnuExit->OnClick = NotifyEvent::Bind<&TfrmTzMain::mnuExitClick>(this);
    Tools1 = MakeItem(MainMenu1->Items(), "Tools1", "&Tools");
    mnuProxy = MakeItem(*Tools1, "mnuProxy", "&Proxy Server");
    mnuProxy->OnClick = NotifyEvent::Bind<&TfrmTzMain::mnuProxyClick>(this);
    mnuControlPanel = MakeItem(*Tools1, "mnuControlPanel", "&System Date/Time");
    SetItemPicture(*mnuControlPanel, IDB_DATETIME);
    mnuControlPanel->OnClick = NotifyEvent::Bind<&TfrmTzMain::mnuControlPanelClick>(this);
    Help1 = MakeItem(MainMenu1->Items(), "Help1", "&Help");
    mnuReadme = MakeItem(*Help1, "mnuReadme", "&Read me");
    SetItemPicture(*mnuReadme, IDB_README);
    mnuReadme->OnClick = NotifyEvent::Bind<&TfrmTzMain::mnuReadmeClick>(this);
    mnuMRD = MakeItem(*Help1, "mnuMRD", std::string(kMakerDomain).c_str());
    SetItemPicture(*mnuMRD, IDB_WEBSITE);
    mnuMRD->OnClick = NotifyEvent::Bind<&TfrmTzMain::mnuMRDClick>(this);
    mnuAbout = MakeItem(*Help1, "mnuAbout", "&About this program");
    SetItemPicture(*mnuAbout, IDB_ABOUT);
    mnuAbout->OnClick = NotifyEvent::Bind<&TfrmTzMain::mnuAboutClick>(this);

    // The tray menu; the tray icon (TrayIcon1) opens it.
    PopupMenu1 = Make<PopupMenu>("PopupMenu1");
    PopupMenu1->SetOwnerDraw(true);
    OpenVeritanClockSync1 =
        MakeItem(PopupMenu1->Items(), "OpenVeritanClockSync1", "&Open Veritan Clock Sync.");
    OpenVeritanClockSync1->OnClick =
        NotifyEvent::Bind<&TfrmTzMain::OpenVeritanClockSync1Click>(this);
    PingVeritanClockNow1 = MakeItem(PopupMenu1->Items(), "PingVeritanClockNow1", "&Ping Now");
    PingVeritanClockNow1->SetBitmap(ping);
    PingVeritanClockNow1->OnClick = NotifyEvent::Bind<&TfrmTzMain::mnuPingClick>(this);
    PingDaily1 = MakeItem(PopupMenu1->Items(), "PingDaily1", "&Auto Synchronized Daily");
    PingDaily1->SetChecked(true);
    PingDaily1->OnClick = NotifyEvent::Bind<&TfrmTzMain::mnuAutomaticClick>(this);
    N1 = MakeItem(PopupMenu1->Items(), "N1", "-");
    Exit1 = MakeItem(PopupMenu1->Items(), "Exit1", "E&xit");
    Exit1->OnClick = NotifyEvent::Bind<&TfrmTzMain::mnuExitClick>(this);

    Timer1 = Make<Timer>("Timer1");
    Timer1->SetInterval(1000);
    Timer1->SetOnTimer(NotifyEvent::Bind<&TfrmTzMain::Timer1Timer>(this));

    Timer2 = Make<Timer>("Timer2");
    Timer2->SetInterval(60000);
    Timer2->SetOnTimer(NotifyEvent::Bind<&TfrmTzMain::Timer2Timer>(this));

    // Only the icon's own behaviour acts: no events are assigned.
    TrayIcon1 = Make<TabfTrayIcon>("TrayIcon1");
    TrayIcon1->SetHint(kTrayTipName);
    Icon trayIcon;
    trayIcon.LoadFromResource(ModuleInstance(), "TRAYICON", 16);
    TrayIcon1->SetIcon(std::move(trayIcon));
    TrayIcon1->SetMinimizeToTray(true);
    TrayIcon1->SetPopupMenu(PopupMenu1);
    TrayIcon1->SetVisible(true);

    abfAutoRun1 = Make<TabfAutoRun>("abfAutoRun1");

    // The menu painter, after both menus: switching it on reaches all their items. With
    // system colours it paints in the system's menu font and colours, whatever is stored.
    XPMenu1 = Make<TXPMenu>("XPMenu1");
    Font menuFont;
    menuFont.SetCharset(ANSI_CHARSET);
    menuFont.SetColor(kColorMenuText);
    menuFont.SetHeight(-11);
    menuFont.SetName("Microsoft Sans Serif");
    menuFont.SetStyle(0);
    XPMenu1->SetFont(menuFont);
    XPMenu1->SetColor(kColorBtnFace);
    XPMenu1->SetIconBackColor(kColorBtnFace);
    XPMenu1->SetMenuBarColor(kColorBtnFace);
    XPMenu1->SetSelectColor(kColorHighlight);
    XPMenu1->SetSelectBorderColor(kColorHighlight);
    XPMenu1->SetSelectFontColor(kColorMenuText);
    XPMenu1->SetDisabledColor(kColorInactiveCaption);
    XPMenu1->SetSeparatorColor(kColorBtnFace);
    XPMenu1->SetCheckedColor(kColorHighlight);
    XPMenu1->SetIconWidth(24);
    XPMenu1->SetDrawSelect(true);
    XPMenu1->SetUseSystemColors(true);
    XPMenu1->SetOverrideOwnerDraw(false);
    XPMenu1->SetGradient(false);
    XPMenu1->SetFlatMenu(false);
    XPMenu1->SetAutoDetect(false);
    XPMenu1->SetActive(true);

    SetMenu(MainMenu1);
}

void TfrmTzMain::FormCreate(Component&) {
    // A tool window gets no task-bar button; every other extended style bit goes.
    ::SetWindowLongA(Application::Current()->Handle(), GWL_EXSTYLE, WS_EX_TOOLWINDOW);

    // This window bears no title yet, so the search cannot find it.
    if (HWND running = ::FindWindowA("TfrmTzMain", kMainWindowTitle)) {
        ::ShowWindow(running, SW_SHOWNORMAL);
        ::PostQuitMessage(0);
        return;
    }

    SetCaption(kMainWindowTitle);
    SetIcon(Application::Current()->GetIcon());

    switch (ReadTimeZone()) {
        case TIME_ZONE_ID_UNKNOWN: lblCurrentMode->SetCaption("Unknown"); break;
        case TIME_ZONE_ID_STANDARD: lblCurrentMode->SetCaption("Standard Time"); break;
        case TIME_ZONE_ID_DAYLIGHT: lblCurrentMode->SetCaption("Daylight Time"); break;
        default: break;
    }

    lblUtcBias->SetCaption(BiasToText(TzBias()) + " hh:mm");
    lblStdName->SetCaption(TzStdName());
    lblStdDate->SetCaption(DateTimeToText(TzStdDate()));
    lblStdBias->SetCaption(BiasToText(TzStdBias()) + " hh:mm");
    lblDLname->SetCaption(TzDlName());
    lblDlDate->SetCaption(DateTimeToText(TzDlDate()));
    lblDlBias->SetCaption(BiasToText(TzDlBias()) + " hh:mm");
    lblSystemUtc->SetCaption(DateTimeToText(CurrentUtc()));

    lblLastPing->SetCaption(ReadSetting(kSettingsKey, "LastPing", "Never"));
    ServerAddress = ReadSetting(kSettingsKey, "ipAddress", kDefaultTimeServer);
    LoadAutoStart();

    // The window comes up (or not) once creation is over.
    const bool startMinimized = !ReadSetting(kSettingsKey, "StartMinimized", "").empty();
    SetVisible(!startMinimized);
    StartMinimized1->SetChecked(startMinimized);

    m_sync.LoadDailySwitch();
}

void TfrmTzMain::FormClose(Component&, CloseAction& action) {
    if (ExitRequested) return;
    ::ShowWindow(Handle(), SW_HIDE);
    action = CloseAction::None;
}

void TfrmTzMain::OpenVeritanClockSync1Click(Component&) {
    Timer1->SetEnabled(true);
    ::ShowWindow(Handle(), SW_SHOWNORMAL);
}

void TfrmTzMain::mnuExitClick(Component&) {
    ExitRequested = true;
    Close();
}

void TfrmTzMain::mnuPingClick(Component&) {
    m_sync.mnuPingClick();
}

void TfrmTzMain::mnuAutomaticClick(Component&) {
    m_sync.mnuAutomaticClick();
}

void TfrmTzMain::Timer1Timer(Component&) {
    m_sync.Timer1Timer();
}

void TfrmTzMain::Timer2Timer(Component&) {
    m_sync.Timer2Timer();
}

void TfrmTzMain::mnuProxyClick(Component&) {
    frmProxy->CheckBox1->SetChecked(!ReadSetting(kSettingsKey, "UseProxy", "").empty());
    frmProxy->txtAddress->SetText(ReadSetting(kSettingsKey, "Address", ""));
    frmProxy->txtPort->SetText(ReadSetting(kSettingsKey, "Port", ""));
    if (frmProxy->ShowModal() != 1) return;
    // In this order: a failed write leaves the later values as they were.
    WriteSetting(kSettingsKey, "UseProxy", frmProxy->CheckBox1->Checked() ? "True" : "");
    WriteSetting(kSettingsKey, "Address", frmProxy->txtAddress->Text());
    WriteSetting(kSettingsKey, "Port", frmProxy->txtPort->Text());
}

void TfrmTzMain::mnuControlPanelClick(Component&) {
    Shell().Exec(kDateTimeSettingsCommand, SW_SHOWNORMAL);
}

void TfrmTzMain::mnuAboutClick(Component&) {
    frmAbout->ShowModal();
}

void TfrmTzMain::mnuReadmeClick(Component&) {
    const std::string program = ExecutablePath();
    const std::string readme =
        program.substr(0, program.size() - FileNameOf(program).size()) + "readme.rtf";
    Shell().Execute(Handle(), "open", readme.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TfrmTzMain::OpenWebsite() {
    const std::string website(kMakerWebsite);
    Shell().Execute(Handle(), "open", website.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TfrmTzMain::mnuMRDClick(Component&) {
    OpenWebsite();
}

void TfrmTzMain::SpeedButton2Click(Component&) {
    // The pressed button comes up again before the browser takes its time to start.
    Application::Current()->ProcessMessages();
    OpenWebsite();
}

// The one start-up step that touches the run lists: an entry the user asked for comes back if
// it went missing (one the user switched off in Task Manager stays off), and the setting then
// says what Windows will really do.
void TfrmTzMain::LoadAutoStart() {
    const bool wanted = !ReadSetting(kSettingsKey, "AutoStart", "").empty();
    if (wanted) abfAutoRun1->RestoreAutoRun();
    const bool registered = abfAutoRun1->AutoRun();
    if (registered != wanted) WriteSetting(kSettingsKey, "AutoStart", registered ? "1" : "");
}

void TfrmTzMain::File1Click(Component&) {
    mnuAutostart->SetChecked(abfAutoRun1->AutoRun());
}

void TfrmTzMain::mnuAutostartClick(Component&) {
    const bool wanted = mnuAutostart->Checked();
    abfAutoRun1->SetAutoRun(wanted);
    // The mark and the setting show what the run lists now hold, not what was asked for.
    const bool registered = abfAutoRun1->AutoRun();
    mnuAutostart->SetChecked(registered);
    WriteSetting(kSettingsKey, "AutoStart", registered ? "1" : "");
    if (registered == wanted) return;
    ShowMessage(wanted ? "Windows could not be told to start this program: the list of programs "
                         "to start could not be written."
                       : "Windows will still start this program: its entry in the list for all "
                         "users can only be removed by an administrator.");
}

void TfrmTzMain::StartMinimized1Click(Component&) {
    WriteSetting(kSettingsKey, "StartMinimized", StartMinimized1->Checked() ? "1" : "");
}

void TfrmTzMain::mnuServersClick(Component&) {
    for (MenuItem* server : mnuServers->Items())
        if (server->Hint() == ServerAddress) server->SetChecked(true);
}

void TfrmTzMain::mnuServerItemClick(Component& sender) {
    auto& server = static_cast<MenuItem&>(sender);
    server.SetChecked(true);
    ServerAddress = server.Hint();
    WriteSetting(kSettingsKey, "ipAddress", ServerAddress);
}

void TfrmTzMain::SetLastPingText(const std::string& text) {
    lblLastPing->SetCaption(text);
}

void TfrmTzMain::SetSystemUtcText(const std::string& text) {
    lblSystemUtc->SetCaption(text);
}

bool TfrmTzMain::DailyTimerEnabled() const {
    return Timer2->Enabled();
}

void TfrmTzMain::SetDailyTimerEnabled(bool enabled) {
    Timer2->SetEnabled(enabled);
}

bool TfrmTzMain::AutomaticChecked() const {
    return mnuAutomatic->Checked();
}

void TfrmTzMain::SetAutomaticChecked(bool checked) {
    mnuAutomatic->SetChecked(checked);
}

void TfrmTzMain::SetTrayAutomaticChecked(bool checked) {
    PingDaily1->SetChecked(checked);
}

void TfrmTzMain::SetWindowWaitCursor(bool wait) {
    SetCursor(wait ? Cursor::Wait : Cursor::Default);
}

void TfrmTzMain::SetApplicationWaitCursor(bool wait) {
    SetScreenCursor(wait ? Cursor::Wait : Cursor::Default);
}

void TfrmTzMain::SetTrayTip(const std::string& text) {
    TrayIcon1->SetHint(text);
}

void TfrmTzMain::ShowTrayBalloon(const std::string& title, const std::string& text) {
    TrayIcon1->ShowBalloon(title, text);
}

}  // namespace cs
