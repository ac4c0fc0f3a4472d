#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/Icon.h"
#include "core/PixelFormats.h"
#include "effects/Convert.h"

namespace tarvo {
namespace {

// A 32-bit picture with a distinct opaque colour per quadrant.
void quadrants(TIcon& icon, int side) {
    const QRgb colours[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00};
    test::addPainted(icon, side, side, 32,
                     [&](int x, int y) { return colours[(y * 2 / side) * 2 + x * 2 / side]; });
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
            test::addPainted(edged, 16, 16, bits,
                             [](int x, int y) { return x == 15 || y == 15 ? 0u : 0xFF000000u; });
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
    test::addPainted(faint, 8, 8, 32, [](int, int) { return 0xFE112233u; });
    for (QRgb entry : BuildPalette256(faint)) EXPECT_EQ(entry & 0xFFFFFF, 0u);
}

// Dithering keeps light colours the 16-colour table lacks, on average over an area, where the
// nearest colour loses them; transparent pixels stay transparent, and a picture made of table
// colours comes out the same either way.
TEST(ConvertImage, DitherKeepsColoursTheTableLacksOnAverage) {
    for (int from : {24, 32}) {
        for (QRgb light : {qRgb(255, 200, 200), qRgb(220, 240, 255), qRgb(250, 235, 160)}) {
            const auto at = [light](int x, int y) { return (x + y) % 11 ? light : 0u; };
            double miss[2] = {};
            for (bool dither : {false, true}) {
                TIcon icon;
                test::addPainted(icon, 64, 64, from, at);
                ConvertImage(icon, 64, 64, 4, false, dither);
                const QImage out = icon.imageToArgb(0);
                double sum[3] = {};
                int n = 0;
                for (int y = 0; y < 64; ++y)
                    for (int x = 0; x < 64; ++x) {
                        const QRgb c = out.pixel(x, y);
                        ASSERT_EQ(qAlpha(c) == 0, at(x, y) == 0u) << x << "," << y;
                        if (!qAlpha(c)) continue;
                        sum[0] += qRed(c), sum[1] += qGreen(c), sum[2] += qBlue(c), ++n;
                    }
                for (int ch = 0; ch < 3; ++ch) {
                    const int want = ch == 0 ? qRed(light) : ch == 1 ? qGreen(light) : qBlue(light);
                    miss[dither] = std::max(miss[dither], std::abs(sum[ch] / n - want));
                }
            }
            EXPECT_GT(miss[0], 15) << from << std::hex << " " << light;
            EXPECT_LT(miss[1], 4) << from << std::hex << " " << light;
        }
    }
    const QRgb table[] = {0xFF000000, 0xFF800000, 0xFF008000, 0xFFC0C0C0, 0xFFFFFF00, 0xFF0000FF};
    TIcon plain, dithered;
    for (TIcon* icon : {&plain, &dithered})
        test::addPainted(*icon, 64, 64, 24,
                         [&](int x, int y) { return table[(x / 3 + y / 5) % 6]; });
    ConvertImage(plain, 64, 64, 4, false, false);
    ConvertImage(dithered, 64, 64, 4, false, true);
    EXPECT_EQ(dithered.imageToArgb(0), plain.imageToArgb(0));
}

}  // namespace
}  // namespace tarvo
