// The menu painter on a form whose display is at 200%: every part of an item's look twice the
// size it has at 96 dpi, measured from the pixels painted into a memory bitmap.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "components/XPMenu.h"
#include "framework/FrameworkFixture.h"
#include "framework/Menus.h"
#include "platform/Handles.h"
#include "support/ClassicColors.h"

namespace cs {
namespace {

constexpr COLORREF kUntouched = RGB(0, 128, 0);

enum class Part { IconColumn, Separator, CheckBox, RadioDot };

struct PartCase {
    const char* Name;
    Part Measured;
};

class PainterAtScale : public test::FrameworkTest, public ::testing::WithParamInterface<PartCase> {
protected:
    PainterAtScale() {
        painter->SetActive(true);
        void* bits = nullptr;
        BITMAPINFO info{};
        info.bmiHeader = {sizeof info.bmiHeader, kWidth, kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        m_bitmap.reset(::CreateDIBSection(m_dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        m_select.emplace(m_dc.get(), m_bitmap.get());
    }
    ~PainterAtScale() override { m_select.reset(); }

    // Paints the part's item for the form at dpi and measures it: the width of what shows the
    // part's colour, or for a separator line its thickness.
    int Measure(int dpi) {
        RECT suggested{};
        ::GetWindowRect(form->Handle(), &suggested);
        ::SendMessageA(form->Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                       reinterpret_cast<LPARAM>(&suggested));
        const Part part = GetParam().Measured;
        auto* item = new MenuItem(form);
        item->SetCaption(part == Part::Separator ? "-" : "Item");
        item->SetRadioItem(part == Part::RadioDot);
        item->SetChecked(part == Part::CheckBox || part == Part::RadioDot);
        popup->Items().Add(item);

        const unique_hbrush ground(::CreateSolidBrush(kUntouched));
        const RECT all{0, 0, kWidth, kHeight};
        ::FillRect(m_dc.get(), &all, ground.get());
        const RECT rect{kLeft, kTop, kLeft + ::MulDiv(150, dpi, 96),
                        kTop + ::MulDiv(part == Part::Separator ? 4 : 23, dpi, 96)};
        Canvas canvas(m_dc.get());
        painter->PaintItem(*item, canvas, rect, false);

        const TXPMenu::PaintColors& colors = painter->Colors();
        const Color color = part == Part::IconColumn  ? colors.IconColumn
                            : part == Part::Separator ? colors.SeparatorLine
                            : part == Part::CheckBox  ? colors.CheckFrame
                                                      : colors.SelectFrame;
        RECT found{kWidth, kHeight, -1, -1};
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x)
                if (::GetPixel(m_dc.get(), x, y) == color.ToColorRef()) {
                    found = {std::min<LONG>(found.left, x), std::min<LONG>(found.top, y),
                             std::max<LONG>(found.right, x), std::max<LONG>(found.bottom, y)};
                }
        delete item;
        if (found.right < 0) return 0;
        return part == Part::Separator ? found.bottom - found.top + 1
                                       : found.right - found.left + 1;
    }

    static constexpr int kWidth = 400, kHeight = 120, kLeft = 10, kTop = 6;
    test::ClassicColors scheme;
    test::TestForm* form = app.CreateForm<test::TestForm>();
    PopupMenu* popup = new PopupMenu(form);
    TXPMenu* painter = new TXPMenu(form);

private:
    unique_hdc m_dc{::CreateCompatibleDC(nullptr)};
    unique_hbitmap m_bitmap;
    std::optional<SelectGuard> m_select;
};

TEST_P(PainterAtScale, PartIsTwiceAsLargeAt192AsAt96) {
    const int at96 = Measure(96);
    ASSERT_GT(at96, 0);
    EXPECT_EQ(Measure(192), 2 * at96);
}

INSTANTIATE_TEST_SUITE_P(Parts, PainterAtScale,
                         ::testing::Values(PartCase{"IconColumn", Part::IconColumn},
                                           PartCase{"SeparatorLine", Part::Separator},
                                           PartCase{"CheckBox", Part::CheckBox},
                                           PartCase{"RadioDot", Part::RadioDot}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace cs
