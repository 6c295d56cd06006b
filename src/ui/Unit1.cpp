#include "ui/Unit1.h"

#include <windows.h>

#include "ui/Pictures.h"
#include "ui/resources/ResourceIds.h"

namespace cs {

TfrmProxy* frmProxy = nullptr;

namespace {

constexpr Color kBackground = Color::FromRgb(0x575757);

}  // namespace

TfrmProxy::TfrmProxy(Component* owner) : Form(owner, "TfrmProxy") {
    frmProxy = this;
    CreateDesign();
    EndLoading();
    // Sibling windows are drawn in z-order, the first created on top; the check box must lie
    // over the frame, not under it. Tab still goes address, port, box. (The windows exist once
    // the design is complete.)
    ::SetWindowPos(CheckBox1->Handle(), HWND_TOP, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TfrmProxy::~TfrmProxy() {
    if (frmProxy == this) frmProxy = nullptr;
}

// The stored design: components in creation (and tab) order, each with its stored properties in
// the order in which they are published.
void TfrmProxy::CreateDesign() {
    SetBorderIcons(BorderIcon::SystemMenu);
    SetBorderStyle(FormBorderStyle::Dialog);
    SetCaption("Server Settings");
    SetClientHeight(157);
    SetClientWidth(332);
    SetColor(kBackground);
    GetFont().SetCharset(DEFAULT_CHARSET);
    GetFont().SetColor(kColorWindowText);
    GetFont().SetHeight(-11);
    GetFont().SetName("MS Sans Serif");
    GetFont().SetStyle(0);
    SetPosition(FormPosition::MainFormCenter);
    OnDpiChange = NotifyEvent::Bind<&TfrmProxy::FormDpiChange>(this);

    GroupBox3 = Make<GroupBox>("GroupBox3");
    GroupBox3->SetParent(this);
    GroupBox3->SetBounds(8, 8, 313, 105);
    GroupBox3->SetCaption("Proxy Information");
    GroupBox3->GetFont().SetColor(kColorWhite);

    // The controls inside the frame: their places are relative to it.
    Label1 = Make<Label>("Label1");
    Label1->SetParent(GroupBox3);
    Label1->SetBounds(16, 48, 38, 13);
    Label1->SetCaption("Address");
    Label1->GetFont().SetColor(kColorWhite);

    Label2 = Make<Label>("Label2");
    Label2->SetParent(GroupBox3);
    Label2->SetBounds(214, 48, 19, 13);
    Label2->SetCaption("Port");
    Label2->GetFont().SetColor(kColorWhite);

    txtAddress = Make<Edit>("txtAddress");
    txtAddress->SetParent(GroupBox3);
    txtAddress->SetBounds(16, 64, 185, 21);
    txtAddress->GetFont().SetColor(kColorBlack);

    txtPort = Make<Edit>("txtPort");
    txtPort->SetParent(GroupBox3);
    txtPort->SetBounds(216, 64, 73, 21);
    txtPort->GetFont().SetColor(kColorBlack);

    // On the dialog itself, over the frame's upper right corner.
    CheckBox1 = Make<CheckBox>("CheckBox1");
    CheckBox1->SetParent(this);
    CheckBox1->SetBounds(224, 24, 73, 17);
    CheckBox1->SetAlignment(Alignment::Left);
    CheckBox1->SetCaption("Use Proxy");
    CheckBox1->GetFont().SetColor(kColorWhite);

    Bitmap ok;
    LoadPicture(ok, IDB_OK, Dpi());
    Bitmap cancel;
    LoadPicture(cancel, IDB_CANCEL, Dpi());

    SpeedButton1 = Make<FlatButton>("SpeedButton1");
    SpeedButton1->SetParent(this);
    SpeedButton1->SetBounds(184, 120, 65, 30);
    SpeedButton1->SetCaption("OK");
    SpeedButton1->SetFlat(true);
    SpeedButton1->GetFont().SetColor(kColorWhite);
    SpeedButton1->SetGlyph(ok);
    SpeedButton1->OnClick = NotifyEvent::Bind<&TfrmProxy::SpeedButton1Click>(this);

    SpeedButton2 = Make<FlatButton>("SpeedButton2");
    SpeedButton2->SetParent(this);
    SpeedButton2->SetBounds(256, 120, 65, 30);
    SpeedButton2->SetCaption("Cancel");
    SpeedButton2->SetFlat(true);
    SpeedButton2->GetFont().SetColor(kColorWhite);
    SpeedButton2->SetGlyph(cancel);
    SpeedButton2->OnClick = NotifyEvent::Bind<&TfrmProxy::SpeedButton2Click>(this);
}

// The window moved to a display of another scale: the buttons' pictures of that scale.
void TfrmProxy::FormDpiChange(Component&) {
    Bitmap ok;
    LoadPicture(ok, IDB_OK, Dpi());
    SpeedButton1->SetGlyph(ok);
    Bitmap cancel;
    LoadPicture(cancel, IDB_CANCEL, Dpi());
    SpeedButton2->SetGlyph(cancel);
}

void TfrmProxy::SpeedButton1Click(Component&) {
    SetModalResult(mrOk);
}

void TfrmProxy::SpeedButton2Click(Component&) {
    SetModalResult(mrCancel);
}

}  // namespace cs
