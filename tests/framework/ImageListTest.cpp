#include "framework/ImageList.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/Exception.h"

namespace cs::test {
namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);

void Fill(HDC dc, const RECT& rect, COLORREF colour) {
    const unique_hbrush brush(::CreateSolidBrush(colour));
    ::FillRect(dc, &rect, brush.get());
}

// A strip of two 16 x 16 images on magenta: a red square in the first, a blue one in the
// second, each 8 x 8 at (4, 4) of its image.
void MakeStrip(Bitmap& strip) {
    strip.SetSize(32, 16);
    const unique_hdc dc(::CreateCompatibleDC(nullptr));
    const SelectGuard select(dc.get(), strip.Handle());
    Fill(dc.get(), {0, 0, 32, 16}, kMagenta);
    Fill(dc.get(), {4, 4, 12, 12}, kRed);
    Fill(dc.get(), {20, 4, 28, 12}, kBlue);
}

// A white 16 x 16 canvas that an image is drawn onto.
class Surface {
public:
    Surface() {
        m_bitmap.SetSize(16, 16);
        m_select = std::make_unique<SelectGuard>(m_dc.get(), m_bitmap.Handle());
        Fill(m_dc.get(), {0, 0, 16, 16}, kWhite);
    }
    HDC dc() const { return m_dc.get(); }
    COLORREF At(int x, int y) const { return ::GetPixel(m_dc.get(), x, y); }

private:
    Bitmap m_bitmap;
    unique_hdc m_dc{::CreateCompatibleDC(nullptr)};
    std::unique_ptr<SelectGuard> m_select;
};

TEST(ImageListTest, TransparentStripIsCutIntoImagesDrawnThroughTheirMask) {
    ImageList list(nullptr);
    Bitmap strip;
    MakeStrip(strip);
    strip.SetTransparent(true);  // the bottom-left pixel, magenta, is left out
    EXPECT_EQ(list.Add(strip), 0);
    EXPECT_EQ(list.Count(), 2);

    Surface surface;
    list.Draw(surface.dc(), 0, 0, 1);
    EXPECT_EQ(surface.At(8, 8), kBlue);
    EXPECT_EQ(surface.At(1, 1), kWhite);
    EXPECT_EQ(surface.At(14, 14), kWhite);

    // The picture handed in is not touched by the masking.
    const unique_hdc dc(::CreateCompatibleDC(nullptr));
    const SelectGuard select(dc.get(), strip.Handle());
    EXPECT_EQ(::GetPixel(dc.get(), 0, 0), kMagenta);
}

TEST(ImageListTest, IconsGoInAndComeOutAsIconsOfTheirImage) {
    ImageList list(nullptr);
    Bitmap strip;
    MakeStrip(strip);
    list.AddMasked(strip, kMagenta);

    Icon icon;
    list.GetIcon(1, icon);
    ASSERT_FALSE(icon.Empty());
    EXPECT_EQ(list.AddIcon(icon), 2);

    Surface surface;
    list.Draw(surface.dc(), 0, 0, 2);
    EXPECT_EQ(surface.At(8, 8), kBlue);
    EXPECT_EQ(surface.At(1, 1), kWhite);

    list.GetIcon(3, icon);
    EXPECT_TRUE(icon.Empty());
    Surface untouched;
    list.Draw(untouched.dc(), 0, 0, 3);
    EXPECT_EQ(untouched.At(8, 8), kWhite);
    EXPECT_THROW(list.AddIcon(icon), Exception);
}

TEST(ImageListTest, ChangeLinksHearEveryChangeAndOutliveEitherSide) {
    auto list = std::make_unique<ImageList>(nullptr);
    Bitmap strip;
    MakeStrip(strip);
    int heard = 0;
    ChangeLink link;
    link.OnChange = [&] { ++heard; };
    list->RegisterChanges(link);
    EXPECT_EQ(link.Sender(), list.get());

    list->Add(strip);
    list->Delete(0);
    list->Clear();
    EXPECT_EQ(heard, 3);
    EXPECT_EQ(list->Count(), 0);
    EXPECT_THROW(list->Delete(0), Exception);

    {
        ChangeLink gone;
        gone.OnChange = [&] { ADD_FAILURE() << "a destroyed link was told"; };
        list->RegisterChanges(gone);
    }
    list->Add(strip);
    EXPECT_EQ(heard, 4);

    list.reset();
    EXPECT_EQ(link.Sender(), nullptr);
}

}  // namespace
}  // namespace cs::test
