#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "TestSupport.h"
#include "core/IconFormat.h"
#include "core/PixelFormats.h"
#include "raster/Planes.h"

namespace tarvo {
namespace {

using test::Bytes;

// Reads pixel (x, y), y from the top, straight from an image's bytes in the block, independently
// of the document's decoder: the table index for 1/4/8 bits, the raw value otherwise.
uint32_t storedPixel(const TIcon& icon, int index, int x, int y) {
    const Bytes block = test::blockOf(icon);
    const IconEntry e = readEntry(block.data(), index);
    const BitmapHeader h = readBitmapHeader(block.data() + e.imageOffset);
    const int height = h.height / 2;
    const size_t rows = e.imageOffset + 40 + tableSize(h.bitCount);
    const size_t row = rows + rowSize(h.width, h.bitCount) * (height - 1 - y);
    switch (h.bitCount) {
        case 1:
            return (block[row + x / 8] >> (7 - x % 8)) & 1;
        case 4:
            return (block[row + x / 2] >> (x % 2 ? 0 : 4)) & 15;
        case 8:
            return block[row + x];
        case 16:
            return test::get16(block, row + 2 * x);
        case 24:
            return block[row + 3 * x] | block[row + 3 * x + 1] << 8 | block[row + 3 * x + 2] << 16;
        default:
            return test::get32(block, row + 4 * x);
    }
}

bool storedMaskBit(const TIcon& icon, int index, int x, int y) {
    const Bytes block = test::blockOf(icon);
    const IconEntry e = readEntry(block.data(), index);
    const BitmapHeader h = readBitmapHeader(block.data() + e.imageOffset);
    const int height = h.height / 2;
    const size_t mask =
        e.imageOffset + 40 + tableSize(h.bitCount) + rowSize(h.width, h.bitCount) * height;
    return (block[mask + rowSize(h.width, 1) * (height - 1 - y) + x / 8] >> (7 - x % 8)) & 1;
}

void paint(TIcon& icon, int x, int y, QRgb color) {
    icon.ColorBitmap().setPixel(x, y, color);
    icon.MaskBitmap().scanLine(y)[x] = kMaskClear;
}

void commit(TIcon& icon) {
    icon.StoreImage();
    icon.SelectImage(icon.CurrentIndex());
}

TEST(ColorCounts, BothDirections) {
    EXPECT_EQ(ColorCount(1), 2);
    EXPECT_EQ(ColorCount(4), 16);
    EXPECT_EQ(ColorCount(8), 256);
    EXPECT_EQ(ColorCount(16), 65536);
    EXPECT_EQ(ColorCount(24), 16777216);
    EXPECT_EQ(ColorCount(32), 0x1FFFFFF);
    const std::pair<int64_t, int> cases[] = {
        {2, 1},      {3, 4},      {16, 4},        {17, 8},        {256, 8}, {257, 16},
        {65536, 16}, {65537, 24}, {16777216, 24}, {16777217, 32}, {1, 32},  {0x1FFFFFF, 32}};
    for (auto [colors, bits] : cases) EXPECT_EQ(BitCountForColors(colors), bits) << colors;
}

TEST(Quantising, FourBitImagesStoreTheNearestTableEntry) {
    TIcon icon;
    icon.AddImage(32, 32, 4);
    paint(icon, 0, 0, colorValueToRgb(0x000000FF));  // pure red
    paint(icon, 1, 0, colorValueToRgb(0x00808080));
    paint(icon, 2, 0, qRgb(176, 176, 176));
    commit(icon);
    EXPECT_EQ(storedPixel(icon, 0, 0, 0), 9u);
    EXPECT_EQ(storedPixel(icon, 0, 1, 0), 7u);
    EXPECT_EQ(storedPixel(icon, 0, 2, 0), 8u);
    // What is shown afterwards is the table colour.
    EXPECT_EQ(icon.ColorBitmap().pixel(2, 0), qRgb(192, 192, 192));
}

TEST(Quantising, SixteenBitsKeepsTheTopFiveBitsAndWidensByRepeating) {
    TIcon icon;
    icon.AddImage(2, 1, 16);
    paint(icon, 0, 0, qRgb(255, 130, 7));
    paint(icon, 1, 0, qRgb(8, 16, 248));
    commit(icon);
    EXPECT_EQ(storedPixel(icon, 0, 0, 0), (31u << 10) | (16u << 5) | 0u);
    EXPECT_EQ(icon.ColorBitmap().pixel(0, 0), qRgb(255, 132, 0));
    EXPECT_EQ(icon.ColorBitmap().pixel(1, 0), qRgb(8, 16, 255));
}

TEST(Quantising, OneBitPicksTheNearerOfItsTwoTableColours) {
    TIcon icon;
    icon.AddImage(3, 1, 1);
    paint(icon, 0, 0, qRgb(128, 128, 127));  // the default table: white from a sum of 383 up
    paint(icon, 1, 0, qRgb(128, 127, 127));
    paint(icon, 2, 0, qRgb(255, 255, 255));
    commit(icon);
    EXPECT_EQ(storedPixel(icon, 0, 0, 0), 1u);
    EXPECT_EQ(storedPixel(icon, 0, 1, 0), 0u);
    EXPECT_EQ(storedPixel(icon, 0, 2, 0), 1u);
    // A table in the other order (as bilevel pictures often have) keeps the colours.
    uint8_t* table = icon.ColorTable();
    std::fill(table, table + 3, 0xFF);
    std::fill(table + 4, table + 7, 0x00);
    icon.SelectImage(0);
    paint(icon, 0, 0, qRgb(250, 250, 250));
    paint(icon, 1, 0, qRgb(5, 5, 5));
    commit(icon);
    EXPECT_EQ(storedPixel(icon, 0, 0, 0), 0u);
    EXPECT_EQ(storedPixel(icon, 0, 1, 0), 1u);
    EXPECT_EQ(icon.ColorBitmap().pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(icon.ColorBitmap().pixel(1, 0), qRgb(0, 0, 0));
}

// Every depth, at widths around byte and word boundaries where packed rows break.
class RoundTrip : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(RoundTrip, ColoursAndMaskSurviveStoreAndSelect) {
    const auto [bits, width] = GetParam();
    const int height = 3;
    TIcon icon;
    icon.AddImage(width, height, bits);
    std::mt19937 rng(uint32_t(bits * 100 + width));
    std::vector<QRgb> expected(size_t(width) * height);
    std::vector<bool> maskExpected(expected.size());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            QRgb c;
            if (bits <= 8) {
                const int index = int(rng() % (1u << bits));
                const uint8_t* t = icon.ColorTable() + 4 * index;
                c = qRgb(t[2], t[1], t[0]);
            } else if (bits == 16) {
                c = widen555(uint16_t(rng() & 0x7FFF));
            } else {
                c = rng() | 0xFF000000u;
            }
            const bool masked = rng() % 3 == 0;
            icon.ColorBitmap().setPixel(x, y, c);
            icon.MaskBitmap().scanLine(y)[x] = masked ? kMaskSet : kMaskClear;
            expected[size_t(y) * width + x] = c;
            maskExpected[size_t(y) * width + x] = masked;
        }
    }
    commit(icon);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            ASSERT_EQ(icon.ColorBitmap().pixel(x, y), expected[size_t(y) * width + x])
                << x << "," << y;
            ASSERT_EQ(maskBit(icon.MaskBitmap().constScanLine(y)[x]),
                      maskExpected[size_t(y) * width + x]);
            ASSERT_EQ(storedMaskBit(icon, 0, x, y), maskExpected[size_t(y) * width + x]);
        }
    }
    // Padding bits and bytes at the end of each row stay zero.
    const Bytes block = test::blockOf(icon);
    const size_t rows = 22 + 40 + tableSize(bits);
    const uint64_t used = (uint64_t(width) * bits + 7) / 8;
    for (int y = 0; y < height; ++y)
        for (uint64_t i = used; i < rowSize(width, bits); ++i)
            ASSERT_EQ(block[rows + y * rowSize(width, bits) + i], 0) << "row " << y;
    validateIconBlock(block);
}

TEST_P(RoundTrip, TopLeftPixelLandsInTheLastStoredRow) {
    const auto [bits, width] = GetParam();
    TIcon icon;
    icon.AddImage(width, 2, bits);
    paint(icon, width - 1, 0, qRgb(255, 255, 255));
    commit(icon);
    uint32_t white = bits == 16 ? 0x7FFFu : 0xFFFFFFu;
    if (bits <= 8) {
        // The first white entry of the table.
        const uint8_t* t = icon.ColorTable();
        white = 0;
        while (t[4 * white] != 255 || t[4 * white + 1] != 255 || t[4 * white + 2] != 255) ++white;
    }
    EXPECT_EQ(storedPixel(icon, 0, width - 1, 0), white);
    EXPECT_EQ(storedPixel(icon, 0, width - 1, 1), 0u);
    EXPECT_FALSE(storedMaskBit(icon, 0, width - 1, 0));
    EXPECT_TRUE(storedMaskBit(icon, 0, width - 1, 1));
}

INSTANTIATE_TEST_SUITE_P(Depths, RoundTrip,
                         ::testing::Combine(::testing::Values(1, 4, 8, 16, 24),
                                            ::testing::Values(1, 4, 7, 8, 9, 15, 16, 17, 31, 32,
                                                              33)));

TEST(NewImages, OneBitDecodesToBlackWithEveryMaskBitSet) {
    TIcon icon;
    icon.AddImage(9, 5, 1);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x) {
            EXPECT_EQ(icon.ColorBitmap().pixel(x, y), qRgb(0, 0, 0));
            EXPECT_TRUE(maskBit(icon.MaskBitmap().constScanLine(y)[x]));
        }
}

TEST(ClearTransparentPixels, InversePixelsBecomeTransparentOpaqueOnesStay) {
    TIcon icon;
    icon.AddImage(3, 1, 24);
    icon.ColorBitmap().setPixel(0, 0, qRgb(255, 255, 255));  // inverse: white under a set mask
    icon.MaskBitmap().scanLine(0)[0] = kMaskSet;
    paint(icon, 1, 0, qRgb(10, 20, 30));
    paint(icon, 2, 0, qRgb(255, 255, 255));  // opaque white stays white
    commit(icon);
    icon.ClearTransparentPixels();
    EXPECT_EQ(icon.ColorBitmap().pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_TRUE(maskBit(icon.MaskBitmap().constScanLine(0)[0]));
    EXPECT_EQ(storedPixel(icon, 0, 0, 0), 0u);
    EXPECT_EQ(icon.ColorBitmap().pixel(1, 0), qRgb(10, 20, 30));
    EXPECT_EQ(icon.ColorBitmap().pixel(2, 0), qRgb(255, 255, 255));
}

TEST(ClearTransparentPixels, LeavesThirtyTwoBitImagesAlone) {
    TIcon icon;
    icon.AddImage(2, 2, 32);
    icon.WorkBitmap().setPixel(0, 0, 0x00FFFFFF);
    const Bytes before = test::blockOf(icon);
    icon.ClearTransparentPixels();
    EXPECT_EQ(test::blockOf(icon), before);
}

TEST(MakeColorMask, MarksExactlyThePixelsOfTheColour) {
    QImage bitmap(3, 2, QImage::Format_RGB32);
    bitmap.fill(qRgb(1, 2, 3));
    bitmap.setPixel(2, 1, qRgb(200, 100, 50));
    const QImage mask = MakeColorMask(bitmap, 0x003264C8);  // 0x00BBGGRR of (200, 100, 50)
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(maskBit(mask.constScanLine(y)[x]), x == 2 && y == 1);
    const QImage none = MakeColorMask(bitmap, 0x00FFFFFF);
    const QImage noColor = MakeColorMask(bitmap, kNoColor);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            EXPECT_FALSE(maskBit(none.constScanLine(y)[x]));
            EXPECT_FALSE(maskBit(noColor.constScanLine(y)[x]));
        }
}

}  // namespace
}  // namespace tarvo
