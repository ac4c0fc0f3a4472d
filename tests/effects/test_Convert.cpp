#include <gtest/gtest.h>

#include "core/Icon.h"
#include "core/PixelFormats.h"
#include "effects/Convert.h"

namespace tarvo {
namespace {

// A 32-bit picture with a distinct opaque colour per quadrant.
void quadrants(TIcon& icon, int side) {
    icon.AddImage(side, side, 32);
    const QRgb colours[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00};
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            icon.WorkBitmap().setPixel(x, y, colours[(y * 2 / side) * 2 + x * 2 / side]);
}

TEST(ConvertImage, CutsOrScalesAndPadsWithTransparency) {
    TIcon cut;
    quadrants(cut, 32);
    ConvertImage(cut, 16, 16, 32, false);
    EXPECT_EQ(cut.GetSize(), QSize(16, 16));
    EXPECT_EQ(cut.GetPixelValue(15, 15), 0xFFFF0000u);  // the top-left quarter only
    TIcon scaled;
    quadrants(scaled, 32);
    ConvertImage(scaled, 16, 16, 32, true);
    EXPECT_EQ(scaled.GetPixelValue(2, 2), 0xFFFF0000u);
    EXPECT_EQ(scaled.GetPixelValue(13, 13), 0xFFFFFF00u);  // the whole picture, smaller

    for (int bits : {4, 24, 32}) {
        TIcon grown;
        quadrants(grown, 16);
        ConvertImage(grown, 16, 16, bits, false);
        ConvertImage(grown, 32, 32, bits, false);
        const uint32_t clear = bits == 32 ? 0u : Transparent;
        EXPECT_EQ(grown.GetPixelValue(20, 3), clear) << bits;
        EXPECT_EQ(grown.GetPixelValue(3, 20), clear) << bits;
        EXPECT_NE(grown.GetPixelValue(3, 3), clear) << bits;
    }

    // Stretched to 32 bits, a paletted picture's transparency reaches the last column and row.
    for (int bits : {1, 4, 8, 24})
        for (int side : {32, 48}) {
            TIcon edged;
            edged.AddImage(16, 16, bits);
            for (int i = 0; i < 16; ++i)
                for (int j = 0; j < 16; ++j)
                    edged.SetPixelValue(i, j, i == 15 || j == 15 ? Transparent : 0u);
            edged.StoreImage();
            edged.SelectImage(0);
            ConvertImage(edged, side, side, 32, true);
            int opaque = 0;
            for (int i = 0; i < side; ++i)
                opaque += qAlpha(edged.GetPixelValue(side - 1, i)) +
                          qAlpha(edged.GetPixelValue(i, side - 1));
            EXPECT_EQ(opaque, 0) << bits << ' ' << side;
            EXPECT_EQ(qAlpha(edged.GetPixelValue(side / 2, side / 2)), 255) << bits;
        }
}

TEST(BuildPalette256, BlackFirstThenColoursInScanOrderUpTo256) {
    TIcon many;
    many.AddImage(20, 15, 24);  // 300 pixels, each its own colour, one of them black
    for (int i = 0; i < 300; ++i)
        many.SetPixelValue(i % 20, i / 20, i == 7 ? 0u : uint32_t(0x010203 * (i + 1)));
    many.StoreImage();
    const std::array<QRgb, 256> table = BuildPalette256(many);
    EXPECT_EQ(qRgb(qRed(table[0]), qGreen(table[0]), qBlue(table[0])), qRgb(0, 0, 0));
    // Entry 1 is the first pixel's colour; black at pixel 7 takes no entry of its own.
    EXPECT_EQ(table[1] & 0xFFFFFF, colorValueToRgb(0x010203) & 0xFFFFFF);
    EXPECT_EQ(table[8] & 0xFFFFFF, colorValueToRgb(0x010203 * 9) & 0xFFFFFF);
    EXPECT_EQ(table[255] & 0xFFFFFF, colorValueToRgb(0x010203 * 256) & 0xFFFFFF);

    TIcon faint;
    faint.AddImage(8, 8, 32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) faint.WorkBitmap().setPixel(x, y, 0xFE112233);
    for (QRgb entry : BuildPalette256(faint)) EXPECT_EQ(entry & 0xFFFFFF, 0u);
}

}  // namespace
}  // namespace tarvo
