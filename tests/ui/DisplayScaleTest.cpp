// The program's windows moved to displays of 150% and 200%, as the system tells a window that
// moves to another monitor (WM_DPICHANGED): the 96-dpi design scaled, nothing cut or overlapping,
// the pictures of the new scale, and the design again on the way back.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "framework/StdCtrls.h"
#include "ui/DialogTestSupport.h"

namespace cs::test {
namespace {

void MoveToDpi(Form& form, int dpi) {
    RECT suggested{};
    ::GetWindowRect(form.Handle(), &suggested);
    ::SendMessageA(form.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                   reinterpret_cast<LPARAM>(&suggested));
}

void Collect(const Control& parent, std::vector<const Control*>& controls) {
    for (const Control* child : parent.Controls()) {
        controls.push_back(child);
        Collect(*child, controls);
    }
}

// A control's window in its parent's client area.
RECT PlaceOf(const Control& control) {
    RECT rect{};
    ::GetWindowRect(control.Handle(), &rect);
    ::MapWindowPoints(nullptr, ::GetParent(control.Handle()), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool Overlap(const RECT& a, const RECT& b) {
    RECT both{};
    return ::IntersectRect(&both, &a, &b) != FALSE;
}

// Whether a one-line label's caption fits its window, in the font the window draws with.
bool TextFits(const Label& label) {
    if (label.WordWrap() || label.Caption().empty()) return true;
    HWND window = label.Handle();
    HDC dc = ::GetDC(window);
    auto* font = reinterpret_cast<HFONT>(::SendMessageA(window, WM_GETFONT, 0, 0));
    HGDIOBJ old = ::SelectObject(dc, font);
    RECT text{};
    ::DrawTextA(dc, label.Caption().c_str(), -1, &text, DT_CALCRECT | DT_SINGLELINE);
    ::SelectObject(dc, old);
    ::ReleaseDC(window, dc);
    RECT client{};
    ::GetClientRect(window, &client);
    return text.right <= client.right && text.bottom <= client.bottom;
}

int FontHeightOf(const Control& control) {
    LOGFONTA font{};
    ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(control.Handle(), WM_GETFONT, 0, 0)),
                 sizeof font, &font);
    return font.lfHeight;
}

struct ScaleCase {
    const char* Window;
    int Dpi;
};

class WindowAtScale : public DialogTest, public ::testing::WithParamInterface<ScaleCase> {
protected:
    Form& Window() {
        const std::string name = GetParam().Window;
        if (name == "main") return *main;
        if (name == "proxy") return *proxy;
        return *about;
    }
};

TEST_P(WindowAtScale, IsTheDesignScaledWithNothingCutOrOverlapping) {
    Start();
    Form& form = Window();
    const int dpi = GetParam().Dpi;
    std::vector<const Control*> controls;
    Collect(form, controls);
    ASSERT_FALSE(controls.empty());
    std::map<const Control*, RECT> at96;
    std::map<const Control*, bool> fitsAt96;
    for (const Control* control : controls) {
        at96[control] = PlaceOf(*control);
        if (const auto* label = dynamic_cast<const Label*>(control))
            fitsAt96[control] = TextFits(*label);
    }

    MoveToDpi(form, dpi);
    ASSERT_EQ(form.Dpi(), dpi);
    RECT client{};
    ::GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, ::MulDiv(form.ClientWidth(), dpi, 96));
    EXPECT_EQ(client.bottom, ::MulDiv(form.ClientHeight(), dpi, 96));

    for (const Control* control : controls) {
        const std::string name = control->Name();
        const RECT place = PlaceOf(*control);
        RECT parent{};
        ::GetClientRect(::GetParent(control->Handle()), &parent);
        EXPECT_TRUE(place.left >= 0 && place.top >= 0 && place.right <= parent.right &&
                    place.bottom <= parent.bottom)
            << name << " leaves its parent";
        // A window that draws text has its font at the new scale.
        if (::SendMessageA(control->Handle(), WM_GETFONT, 0, 0)) {
            EXPECT_EQ(FontHeightOf(*control), ::MulDiv(control->GetFont().Height(), dpi, 96))
                << name;
        }
        // Siblings that lie apart in the design lie apart at every scale.
        for (const Control* other : controls) {
            if (other == control || other->Parent() != control->Parent() ||
                Overlap(at96[control], at96[other]))
                continue;
            EXPECT_FALSE(Overlap(place, PlaceOf(*other))) << name << " and " << other->Name();
        }
        if (const auto* label = dynamic_cast<const Label*>(control); label && fitsAt96[control]) {
            EXPECT_TRUE(TextFits(*label)) << name << " cuts \"" << label->Caption() << '"';
        }
    }

    // Back on a 96-dpi display, every control is where the design put it.
    MoveToDpi(form, 96);
    for (const Control* control : controls) {
        const RECT place = PlaceOf(*control);
        EXPECT_TRUE(::EqualRect(&place, &at96[control])) << control->Name();
    }
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowAtScale,
                         ::testing::Values(ScaleCase{"main", 144}, ScaleCase{"main", 192},
                                           ScaleCase{"proxy", 144}, ScaleCase{"proxy", 192},
                                           ScaleCase{"about", 144}, ScaleCase{"about", 192}),
                         [](const auto& info) {
                             return std::string(info.param.Window) + "_" +
                                    std::to_string(info.param.Dpi);
                         });

struct PictureCase {
    int Dpi;
    int Glyph;   // the ping, menu and button glyphs
    int Banner;  // the maker's banner
};

class PicturesAtScale : public DialogTest, public ::testing::WithParamInterface<PictureCase> {};

// Each picture comes at its own scale, the nearest larger one where there is no exact one.
TEST_P(PicturesAtScale, ComeInTheScaleOfTheDisplay) {
    Start();
    MoveToDpi(*main, GetParam().Dpi);
    MoveToDpi(*proxy, GetParam().Dpi);
    const int glyph = GetParam().Glyph;
    EXPECT_EQ(main->SpeedButton1->Glyph().Width(), glyph);
    EXPECT_EQ(main->SpeedButton1->Glyph().Height(), glyph);
    EXPECT_EQ(main->SpeedButton2->Glyph().Width(), GetParam().Banner);
    for (const MenuItem* item : {main->mnuPing, main->mnuControlPanel, main->mnuReadme,
                                 main->mnuMRD, main->mnuAbout, main->PingVeritanClockNow1})
        EXPECT_EQ(item->GetBitmap().Width(), glyph) << item->Name();
    EXPECT_EQ(proxy->SpeedButton1->Glyph().Width(), glyph);
    EXPECT_EQ(proxy->SpeedButton2->Glyph().Width(), glyph);
}

INSTANTIATE_TEST_SUITE_P(Dpis, PicturesAtScale,
                         ::testing::Values(PictureCase{96, 16, 150}, PictureCase{120, 24, 225},
                                           PictureCase{144, 24, 225}, PictureCase{168, 32, 300},
                                           PictureCase{192, 32, 300}),
                         [](const auto& info) { return std::to_string(info.param.Dpi) + "dpi"; });

}  // namespace
}  // namespace cs::test
