#include <gtest/gtest.h>

#include <set>

#include "core/Icon.h"
#include "editor/HueSelection.h"
#include "effects/HueModel.h"

namespace tarvo {
namespace {

using Cells = std::set<std::pair<int, int>>;
constexpr int kGrey = -1;

// An opaque 0x00BBGGRR colour of hue h near red (h <= 40 or h >= 200), or grey.
uint32_t colorOfHue(int h) {
    if (h == kGrey) return 0x808080;
    for (int v = 0; v < 256; ++v)
        for (uint32_t c : {0xFFu | uint32_t(v) << 8, 0xFFu | uint32_t(v) << 16})
            if (RGBToHLS(c).H == h) return c;
    ADD_FAILURE() << "no colour of hue " << h;
    return 0;
}

Cells selected(const QImage& mask) {
    EXPECT_EQ(mask.format(), QImage::Format_Grayscale8);
    Cells out;
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x) {
            const uchar v = mask.constScanLine(y)[x];
            EXPECT_TRUE(v == 0 || v == 255);
            if (v) out.insert({x, y});
        }
    return out;
}

// Hues around the wrap from 240 to 0. Seen from hue 3 with range 10, 13 and 233 are just in, 14
// and 232 just out; (4, 0) matches but is cut off, and (1, 2) touches the region only diagonally.
// Greys have hue 160.
constexpr int kHues[3][5] = {{3, 235, 13, 14, 3},  //
                             {233, kGrey, 3, kGrey, kGrey},
                             {232, 3, kGrey, kGrey, kGrey}};

struct HueSelection : ::testing::TestWithParam<int> {
    void SetUp() override {
        icon.AddImage(5, 3, GetParam());
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                const uint32_t c = colorOfHue(kHues[y][x]);
                const QRgb rgb = qRgb(int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16));
                if (GetParam() == 32)  // any alpha, so that only the colour can count
                    icon.WorkBitmap().setPixel(x, y, (rgb & 0xFFFFFFu) | uint32_t(x * 60) << 24);
                else
                    icon.ColorBitmap().setPixel(x, y, rgb), icon.MaskBitmap().scanLine(y)[x] = 0;
            }
        if (GetParam() != 32) icon.StoreImage(), icon.SelectImage(0);
    }
    TIcon icon;
};

TEST_P(HueSelection, HuesMatchAcrossTheWrapWithinRangeAndFourConnected) {
    EXPECT_EQ(selected(hueMatchRegion(icon, {0, 0}, 10)),
              (Cells{{0, 0}, {1, 0}, {2, 0}, {0, 1}, {2, 1}}));
    // From 235 the other way round: 3 is 8 away, 232 only 3, 13 too far.
    EXPECT_EQ(selected(hueMatchRegion(icon, {1, 0}, 10)),
              (Cells{{0, 0}, {1, 0}, {0, 1}, {0, 2}, {1, 2}}));
    EXPECT_EQ(selected(hueMatchRegion(icon, {3, 2}, 0)),
              (Cells{{3, 1}, {4, 1}, {2, 2}, {3, 2}, {4, 2}}));  // not the grey at (1, 1)
    EXPECT_EQ(selected(hueMatchRegion(icon, {4, 0}, 120)).size(), 15u);
    EXPECT_TRUE(selected(hueMatchRegion(icon, {5, 0}, 240)).empty());
    EXPECT_EQ(hueMatchRegion(icon, {-1, 0}, 0).size(), QSize(5, 3));
}

TEST_P(HueSelection, OnlyOpaquePixelsBelow32BitsWhateverTheAlphaAt32) {
    // (2, 0) keeps its colour (hue 13) but becomes transparent, cutting (2, 1) off.
    if (GetParam() == 32) {
        icon.WorkBitmap().setPixel(2, 0, icon.WorkBitmap().pixel(2, 0) & 0xFFFFFFu);
    } else {
        icon.MaskBitmap().scanLine(0)[2] = 0xFF;
        icon.StoreImage(), icon.SelectImage(0);
    }
    const Cells all{{0, 0}, {1, 0}, {2, 0}, {0, 1}, {2, 1}};
    EXPECT_EQ(selected(hueMatchRegion(icon, {0, 0}, 10)),
              GetParam() == 32 ? all : (Cells{{0, 0}, {1, 0}, {0, 1}}));
    EXPECT_EQ(selected(hueMatchRegion(icon, {2, 0}, 240)).size(), GetParam() == 32 ? 15u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Depths, HueSelection, ::testing::Values(24, 32));

}  // namespace
}  // namespace tarvo
