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

size_t stride(int w, int bits) {
    return size_t((w * bits + 31) / 32) * 4;
}

// Reads pixel (x, y), y from the top, of the document's only image straight from the block,
// independently of the decoder: the table index for 1/4/8 bits, the raw value otherwise; or the
// mask bit.
uint32_t stored(const TIcon& icon, int x, int y, bool mask = false) {
    const Bytes b = test::blockOf(icon);
    const int depth = icon.BitCount(), bits = mask ? 1 : depth;
    const int w = icon.GetSize().width(), h = icon.GetSize().height();
    size_t at = 22 + 40 + (depth <= 8 ? 4u << depth : 0) + (mask ? stride(w, depth) * h : 0);
    at += stride(w, bits) * (h - 1 - y) + size_t(x) * bits / 8;
    if (bits < 8) return (b[at] >> (8 - bits - x * bits % 8)) & ((1 << bits) - 1);
    uint32_t v = 0;
    for (int i = bits / 8 - 1; i >= 0; --i) v = v << 8 | b[at + i];
    return v;
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
    const std::pair<int, int64_t> counts[] = {{1, 2},      {4, 16},        {8, 256},
                                              {16, 65536}, {24, 16777216}, {32, 0x1FFFFFF}};
    for (auto [bits, colors] : counts) EXPECT_EQ(ColorCount(bits), colors) << bits;
    const std::pair<int64_t, int> cases[] = {{2, 1},   {3, 4},        {16, 4},     {17, 8},
                                             {256, 8}, {257, 16},     {65536, 16}, {65537, 24},
                                             {1, 32},  {16777217, 32}};
    for (auto [colors, bits] : cases) EXPECT_EQ(BitCountForColors(colors), bits) << colors;
}

// The value stored and the colour shown: at 4 bits the nearest table entry, at 16 the top five
// bits of each channel widened by repeating, at 1 bit white from a sum of 383 up.
TEST(Quantising, StoresTheNearestValueAndShowsItsColour) {
    const std::tuple<int, QRgb, uint32_t, QRgb> cases[] = {
        {4, qRgb(255, 0, 0), 9, qRgb(255, 0, 0)},
        {4, qRgb(128, 128, 128), 7, qRgb(128, 128, 128)},
        {4, qRgb(176, 176, 176), 8, qRgb(192, 192, 192)},
        {4, qRgb(64, 0, 0), 0, qRgb(0, 0, 0)},  // as near to black (0) as to maroon (1)
        {16, qRgb(255, 130, 7), 31u << 10 | 16u << 5, qRgb(255, 132, 0)},
        {16, qRgb(8, 16, 248), 1u << 10 | 2u << 5 | 31u, qRgb(8, 16, 255)},
        {1, qRgb(128, 128, 127), 1, qRgb(255, 255, 255)},
        {1, qRgb(128, 127, 127), 0, qRgb(0, 0, 0)}};
    for (auto [bits, in, value, shown] : cases) {
        TIcon icon;
        icon.AddImage(1, 1, bits);
        paint(icon, 0, 0, in);
        commit(icon);
        EXPECT_EQ(stored(icon, 0, 0), value) << bits << " bits, " << std::hex << in;
        EXPECT_EQ(icon.ColorBitmap().pixel(0, 0), shown) << bits << " bits, " << std::hex << in;
    }
    // A 1-bit table in the other order (as bilevel pictures often have) keeps the colours.
    TIcon icon;
    icon.AddImage(2, 1, 1);
    uint8_t* table = icon.ColorTable();
    std::fill(table, table + 3, 0xFF);
    std::fill(table + 4, table + 7, 0x00);
    paint(icon, 0, 0, qRgb(250, 250, 250));
    paint(icon, 1, 0, qRgb(5, 5, 5));
    commit(icon);
    EXPECT_EQ(stored(icon, 0, 0), 0u);
    EXPECT_EQ(stored(icon, 1, 0), 1u);
    EXPECT_EQ(icon.ColorBitmap().pixel(0, 0), qRgb(255, 255, 255));
}

// Every depth, at widths around byte and word boundaries where packed rows break.
class RoundTrip : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(RoundTrip, ColoursAndMaskAreStoredBottomUpAndSurviveStoreAndSelect) {
    const int bits = std::get<0>(GetParam()), width = std::get<1>(GetParam());
    const int height = 3;
    TIcon icon;
    icon.AddImage(width, height, bits);
    // The colour a stored value stands for: a table entry, 5-5-5 widened by repeating, or RGB.
    auto colourOf = [&](uint32_t v) {
        const uint8_t* t = icon.ColorTable();
        auto widen = [](uint32_t c) { return (c << 3) | (c >> 2); };
        return bits <= 8    ? qRgb(t[4 * v + 2], t[4 * v + 1], t[4 * v])
               : bits == 16 ? qRgb(widen(v >> 10 & 31), widen(v >> 5 & 31), widen(v & 31))
                            : v | 0xFF000000u;
    };
    std::mt19937 rng(uint32_t(bits * 100 + width));
    std::vector<std::pair<QRgb, bool>> expected;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            expected.push_back({colourOf(rng() % (1u << std::min(bits, 24))), rng() % 3 == 0});
            icon.ColorBitmap().setPixel(x, y, expected.back().first);
            icon.MaskBitmap().scanLine(y)[x] = expected.back().second ? kMaskSet : kMaskClear;
        }
    commit(icon);
    for (int y = 0, i = 0; y < height; ++y)
        for (int x = 0; x < width; ++x, ++i) {
            const auto [c, masked] = expected[size_t(i)];
            ASSERT_EQ(colourOf(stored(icon, x, y)), c) << x << "," << y;
            ASSERT_EQ(stored(icon, x, y, true), masked) << x << "," << y;
            ASSERT_EQ(icon.ColorBitmap().pixel(x, y), c) << x << "," << y;
            ASSERT_EQ(maskBit(icon.MaskBitmap().constScanLine(y)[x]), masked) << x << "," << y;
        }
    // Padding bits and bytes at the end of each row stay zero.
    const Bytes block = test::blockOf(icon);
    const size_t rows = 22 + 40 + (bits <= 8 ? 4u << bits : 0);
    for (int y = 0; y < height; ++y)
        for (size_t i = size_t(width * bits + 7) / 8; i < stride(width, bits); ++i)
            ASSERT_EQ(block[rows + y * stride(width, bits) + i], 0) << "row " << y;
    validateIconBlock(block);
}

INSTANTIATE_TEST_SUITE_P(Depths, RoundTrip,
                         ::testing::Combine(::testing::Values(1, 4, 8, 16, 24),
                                            ::testing::Values(1, 4, 7, 8, 9, 15, 16, 17, 31, 32,
                                                              33)));

TEST(ClearTransparentPixels, InversePixelsBecomeTransparentOpaqueOnesStay) {
    TIcon icon;
    icon.AddImage(3, 1, 24);
    icon.ColorBitmap().setPixel(0, 0, qRgb(255, 255, 255));  // inverse: white under a set mask
    paint(icon, 1, 0, qRgb(10, 20, 30));
    paint(icon, 2, 0, qRgb(255, 255, 255));  // opaque white stays white
    commit(icon);
    icon.ClearTransparentPixels();
    EXPECT_EQ(stored(icon, 0, 0), 0u);
    EXPECT_EQ(stored(icon, 0, 0, true), 1u);
    EXPECT_EQ(stored(icon, 1, 0), 0x0A141Eu);
    EXPECT_EQ(stored(icon, 2, 0), 0xFFFFFFu);
    EXPECT_EQ(icon.ColorBitmap().pixel(0, 0), qRgb(0, 0, 0));
    // Thirty-two-bit images are left alone.
    TIcon argb;
    argb.AddImage(2, 2, 32);
    argb.WorkBitmap().setPixel(0, 0, 0x00FFFFFF);
    const Bytes before = test::blockOf(argb);
    argb.ClearTransparentPixels();
    EXPECT_EQ(test::blockOf(argb), before);
}

TEST(MakeColorMask, MarksExactlyThePixelsOfTheColour) {
    QImage bitmap(3, 2, QImage::Format_RGB32);
    bitmap.fill(qRgb(1, 2, 3));
    bitmap.setPixel(2, 1, qRgb(200, 100, 50));
    bitmap.setPixel(0, 0, qRgb(255, 255, 255));
    const QImage mask = MakeColorMask(bitmap, 0x003264C8);  // 0x00BBGGRR of (200, 100, 50)
    const QImage none = MakeColorMask(bitmap, 0x00000000);
    const QImage noColor = MakeColorMask(bitmap, kNoColor);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(maskBit(mask.constScanLine(y)[x]), x == 2 && y == 1);
            EXPECT_FALSE(maskBit(none.constScanLine(y)[x]) || maskBit(noColor.constScanLine(y)[x]));
        }
}

}  // namespace
}  // namespace tarvo
