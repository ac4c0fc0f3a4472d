#include <gtest/gtest.h>

#include <set>

#include "TestSupport.h"
#include "core/Icon.h"
#include "editor/HueSelection.h"
#include "effects/HueModel.h"

namespace tarvo {
namespace {

using Cells = std::set<std::pair<int, int>>;

// Hues around the wrap from 240 to 0; 160 is grey. Seen from 3 with range 10, 13 and 233 are just
// in, 14 and 232 just out; (4, 0) matches but is cut off, (1, 2) touches only diagonally.
constexpr int kHues[3][5] = {{3, 235, 13, 14, 3}, {233, 160, 3, 160, 160}, {232, 3, 160, 160, 160}};

// A colour of hue h near red (h <= 40 or h >= 200), or grey for 160.
QRgb colorOfHue(int h) {
    for (int v = 0; v < 256 && h != 160; ++v)
        for (QRgb c : {qRgb(255, v, 0), qRgb(255, 0, v)})
            if (RGBToHLS(qRed(c) | qGreen(c) << 8 | qBlue(c) << 16).H == h) return c;
    EXPECT_EQ(h, 160) << "no colour of hue " << h;
    return qRgb(128, 128, 128);
}

struct HueSelection : ::testing::TestWithParam<int> {
    void SetUp() override {
        test::addPainted(icon, 5, 3, GetParam(), [](int x, int y) {
            const QRgb c = colorOfHue(kHues[y][x]);  // at 32 bits any alpha: only colour counts
            return GetParam() == 32 ? (c & 0xFFFFFFu) | uint32_t(x * 60) << 24 : c;
        });
    }
    Cells selected(QPoint cell, int range) {
        const QImage mask = hueMatchRegion(icon, cell, range);
        EXPECT_EQ(mask.format(), QImage::Format_Grayscale8);
        Cells out;
        for (int y = 0; y < mask.height(); ++y)
            for (int x = 0; x < mask.width(); ++x)
                if (const uchar v = mask.constScanLine(y)[x]) {
                    EXPECT_EQ(v, 255);
                    out.insert({x, y});
                }
        return out;
    }
    TIcon icon;
};

TEST_P(HueSelection, HuesMatchAcrossTheWrapWithinRangeAndFourConnected) {
    EXPECT_EQ(selected({0, 0}, 10), (Cells{{0, 0}, {1, 0}, {2, 0}, {0, 1}, {2, 1}}));
    // From 235 the other way round: 3 is 8 away, 232 only 3, 13 too far.
    EXPECT_EQ(selected({1, 0}, 10), (Cells{{0, 0}, {1, 0}, {0, 1}, {0, 2}, {1, 2}}));
    EXPECT_EQ(selected({3, 2}, 0), (Cells{{3, 1}, {4, 1}, {2, 2}, {3, 2}, {4, 2}}));
    EXPECT_EQ(selected({4, 0}, 120).size(), 15u);
    EXPECT_TRUE(selected({5, 0}, 240).empty());
}

TEST_P(HueSelection, OnlyOpaquePixelsBelow32BitsWhateverTheAlphaAt32) {
    // (2, 0) keeps its colour (hue 13) but becomes transparent, cutting (2, 1) off.
    if (GetParam() == 32) {
        icon.WorkBitmap().setPixel(2, 0, icon.WorkBitmap().pixel(2, 0) & 0xFFFFFFu);
    } else {
        icon.MaskBitmap().scanLine(0)[2] = 0xFF;
        icon.StoreImage(), icon.SelectImage(0);
    }
    EXPECT_EQ(selected({0, 0}, 10), GetParam() == 32
                                        ? (Cells{{0, 0}, {1, 0}, {2, 0}, {0, 1}, {2, 1}})
                                        : (Cells{{0, 0}, {1, 0}, {0, 1}}));
    EXPECT_EQ(selected({2, 0}, 240).size(), GetParam() == 32 ? 15u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Depths, HueSelection, ::testing::Values(24, 32));

}  // namespace
}  // namespace tarvo
