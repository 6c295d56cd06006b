#include "ui/about.h"

#include <windows.h>

#include "platform/Seams.h"
#include "ui/Maker.h"

namespace cs {

TfrmAbout* frmAbout = nullptr;

namespace {

constexpr Color kBackground = Color::FromRgb(0x575757);
constexpr Color kYellow = Color::FromRgb(0xFFFF00);
constexpr Color kBrightGreen = Color::FromRgb(0x00FF00);

constexpr char kParagraph1[] = "This program is provided free of charge by Meridane";
constexpr char kParagraph2[] =
    "Meridane provides the worlds most accurate and complete list of local times, each location "
    "is precisely adjusted for their individual daylight savings time rules.";
constexpr char kParagraph3[] = "Please help support our efforts by visiting regularly.";
// An empty line between paragraphs.
constexpr char kParagraphBreak[] = "\r\n\r\n";

}  // namespace

std::string AboutText() {
    return std::string(kParagraph1) + kParagraphBreak + kParagraph2 + kParagraphBreak + kParagraph3;
}

TfrmAbout::TfrmAbout(Component* owner) : Form(owner, "TfrmAbout") {
    frmAbout = this;
    CreateDesign();
    EndLoading();
}

TfrmAbout::~TfrmAbout() {
    if (frmAbout == this) frmAbout = nullptr;
}

// The stored design: components in creation order, each with its stored properties in the order
// in which they are published.
void TfrmAbout::CreateDesign() {
    SetBorderIcons(BorderIcon::SystemMenu);
    SetBorderStyle(FormBorderStyle::Dialog);
    SetCaption("About");
    SetClientHeight(213);
    SetClientWidth(365);
    SetColor(kBackground);
    GetFont().SetCharset(DEFAULT_CHARSET);
    GetFont().SetColor(kColorWindowText);
    GetFont().SetHeight(-11);
    GetFont().SetName("MS Sans Serif");
    GetFont().SetStyle(0);
    SetPosition(FormPosition::MainFormCenter);
    OnCreate = NotifyEvent::Bind<&TfrmAbout::FormCreate>(this);

    Label1 = Make<Label>("Label1");
    Label1->SetParent(this);
    Label1->SetBounds(178, 16, 170, 18);
    Label1->SetAlignment(Alignment::Right);
    Label1->SetCaption("Veritan Clock Sync");
    Label1->GetFont().SetCharset(OEM_CHARSET);
    Label1->GetFont().SetColor(kColorWhite);
    Label1->GetFont().SetHeight(-21);
    Label1->GetFont().SetName("Terminal");
    Label1->GetFont().SetStyle(0);
    Label1->SetTransparent(true);

    // Only the first paragraph until FormCreate puts in the whole text.
    Label2 = Make<Label>("Label2");
    Label2->SetParent(this);
    Label2->SetBounds(40, 48, 305, 129);
    Label2->SetAlignment(Alignment::Right);
    Label2->SetAutoSize(false);
    Label2->SetCaption(kParagraph1);
    Label2->GetFont().SetCharset(DEFAULT_CHARSET);
    Label2->GetFont().SetColor(kYellow);
    Label2->GetFont().SetHeight(-11);
    Label2->GetFont().SetName("Comic Sans MS");
    Label2->GetFont().SetStyle(0);
    Label2->SetTransparent(true);
    Label2->SetWordWrap(true);

    const std::string website(kMakerWebsite);
    Label3 = Make<Label>("Label3");
    Label3->SetParent(this);
    Label3->SetBounds(168, 184, 180, 17);
    Label3->SetCursor(Cursor::HandPoint);
    Label3->SetAlignment(Alignment::Right);
    Label3->SetCaption(website);
    Label3->GetFont().SetCharset(DEFAULT_CHARSET);
    Label3->GetFont().SetColor(kBrightGreen);
    Label3->GetFont().SetHeight(-12);
    Label3->GetFont().SetName("Comic Sans MS");
    Label3->GetFont().SetStyle(FontStyle::Underline);
    Label3->SetTransparent(true);
    Label3->OnClick = NotifyEvent::Bind<&TfrmAbout::Label3Click>(this);
}

void TfrmAbout::FormCreate(Component&) {
    Label2->SetCaption(AboutText());
}

void TfrmAbout::Label3Click(Component&) {
    const std::string website(kMakerWebsite);
    Shell().Execute(Handle(), "open", website.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace cs
