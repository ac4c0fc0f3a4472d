#include <gtest/gtest.h>

#include <QFontInfo>
#include <QPainter>
#include <set>

#include "TestSupport.h"
#include "core/PixelFormats.h"
#include "raster/Planes.h"

namespace tarvo {
namespace {

using test::Bytes;

constexpr uint32_t kRed = 0x000000FF;  // 0x00BBGGRR
constexpr uint32_t kBlue = 0x00FF0000;

// The pixels of a paletted image that differ from its fresh, fully transparent state.
std::set<std::pair<int, int>> touched(const TIcon& icon) {
    std::set<std::pair<int, int>> out;
    const QSize size = icon.GetSize();
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            if (icon.GetPixelValue(x, y) != (icon.BitCount() == 32 ? 0u : Transparent))
                out.insert({x, y});
    return out;
}

std::set<std::pair<int, int>> outlineOf(int x0, int y0, int x1, int y1) {
    std::set<std::pair<int, int>> out;
    for (int v = x0; v <= x1; ++v) out.insert({v, y0}), out.insert({v, y1});
    for (int v = y0; v <= y1; ++v) out.insert({x0, v}), out.insert({x1, v});
    return out;
}

std::set<std::pair<int, int>> boxOf(int x0, int y0, int x1, int y1) {
    std::set<std::pair<int, int>> out;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) out.insert({x, y});
    return out;
}

class Paletted : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override { icon.AddImage(12, 10, GetParam()); }
    TIcon icon;
};

TEST_P(Paletted, RectangleExcludesRightAndBottomFilledRectangleIncludesThem) {
    icon.Rectangle(2, 2, 5, 5, kRed);
    EXPECT_EQ(touched(icon), outlineOf(2, 2, 4, 4));
    TIcon filled;
    filled.AddImage(12, 10, GetParam());
    filled.FilledRectangle(2, 2, 5, 5, 0x00FFFFFF, 0);
    EXPECT_EQ(touched(filled), boxOf(2, 2, 5, 5));
    EXPECT_EQ(filled.GetPixelValue(2, 2), 0x00FFFFFFu);  // outline in the pen
    EXPECT_EQ(filled.GetPixelValue(3, 3), 0u);           // interior in the brush
}

TEST_P(Paletted, TransparentAndInverseReadBackAsMinusOne) {
    icon.SetPixelValue(1, 1, 0x00FFFFFF);
    icon.SetPixelValue(2, 1, Transparent);
    icon.SetPixelValue(3, 1, Inverse);
    EXPECT_EQ(icon.GetPixelValue(1, 1), 0x00FFFFFFu);
    EXPECT_EQ(int32_t(icon.GetPixelValue(2, 1)), -1);
    EXPECT_EQ(int32_t(icon.GetPixelValue(3, 1)), -1);
    EXPECT_EQ(icon.ColorBitmap().pixel(2, 1), qRgb(0, 0, 0));
    EXPECT_EQ(icon.ColorBitmap().pixel(3, 1), qRgb(255, 255, 255));
    EXPECT_TRUE(maskBit(icon.MaskBitmap().constScanLine(1)[3]));
    EXPECT_EQ(int32_t(icon.GetPixelValue(-1, 0)), -1);  // outside reads as invalid
}

TEST_P(Paletted, LinesIncludeBothEndsAndOnePointLinesSetOnePixel) {
    icon.MoveTo(3, 4);
    icon.LineTo(3, 4, kRed);
    EXPECT_EQ(touched(icon), (std::set<std::pair<int, int>>{{3, 4}}));
    icon.MoveTo(1, 1);
    icon.LineTo(8, 1, kRed);
    icon.LineTo(8, 6, kRed);
    EXPECT_EQ(icon.PenPosition(), QPoint(8, 6));
    for (int x = 1; x <= 8; ++x) EXPECT_EQ(icon.GetPixelValue(x, 1), icon.GetPixelValue(1, 1));
    EXPECT_NE(int32_t(icon.GetPixelValue(8, 6)), -1);
    EXPECT_EQ(int32_t(icon.GetPixelValue(9, 1)), -1);
}

TEST_P(Paletted, EllipsesStayInTheirBoxWithoutRightAndBottom) {
    icon.Ellipse(1, 2, 9, 8, kRed);
    const auto outline = touched(icon);
    int minX = 99, maxX = -1, minY = 99, maxY = -1;
    for (auto [x, y] : outline) {
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
    EXPECT_EQ(minX, 1);
    EXPECT_EQ(maxX, 8);
    EXPECT_EQ(minY, 2);
    EXPECT_EQ(maxY, 7);
    EXPECT_EQ(int32_t(icon.GetPixelValue(4, 4)), -1);  // hollow
    // Filled: every row is one solid run from the outline's left to its right end.
    icon.FilledEllipse(1, 2, 9, 8, kRed, kBlue);
    const auto filled = touched(icon);
    for (int y = 2; y <= 7; ++y) {
        int lo = 99, hi = -1;
        for (auto [x, oy] : outline)
            if (oy == y) lo = std::min(lo, x), hi = std::max(hi, x);
        for (int x = 0; x < 12; ++x) EXPECT_EQ(filled.count({x, y}) == 1, x >= lo && x <= hi);
    }
    EXPECT_EQ(icon.GetPixelValue(4, 4), kBlue);  // not committed: the planes hold the colour
    EXPECT_EQ(icon.GetPixelValue(1, 4), kRed);
}

TEST_P(Paletted, OnlyTheCommittingPrimitivesChangeTheBlock) {
    const Bytes before = test::blockOf(icon);
    icon.SetPixelValue(1, 1, kRed);
    icon.MoveTo(0, 0);
    icon.LineTo(5, 5, kRed);
    icon.Rectangle(0, 0, 4, 4, kRed);
    icon.Ellipse(0, 0, 6, 6, kRed);
    icon.FilledEllipse(0, 0, 6, 6, kRed, kRed);
    icon.SmoothPixel(1, 1, 3);
    EXPECT_EQ(test::blockOf(icon), before);
    icon.FilledRectangle(8, 8, 9, 9, kRed, kRed);
    EXPECT_NE(test::blockOf(icon), before);
    const Bytes afterFill = test::blockOf(icon);
    icon.TextOut(0, 0, QStringLiteral("W"), kRed);
    EXPECT_NE(test::blockOf(icon), afterFill);
}

TEST_P(Paletted, SmoothPixelAveragesOnlyOpaqueNeighbours) {
    icon.SetPixelValue(5, 5, 0x00102030);
    icon.SmoothPixel(5, 5, 3);  // surrounded by transparent pixels: only itself counts
    EXPECT_EQ(icon.GetPixelValue(5, 5), 0x00102030u);
    icon.SmoothPixel(0, 0, 3);  // transparent: nothing happens
    EXPECT_EQ(int32_t(icon.GetPixelValue(0, 0)), -1);
    if (GetParam() != 24) return;  // exact averages need exact colours
    icon.SetPixelValue(6, 5, 0x00302010);
    icon.SetPixelValue(4, 4, 0x00000000);
    icon.SmoothPixel(5, 5, 3);
    EXPECT_EQ(icon.GetPixelValue(5, 5), 0x00151515u);  // each channel (0x30 + 0x10 + 0) / 3
}

TEST_P(Paletted, CoordinatesFarOutsideAreClippedAway) {
    const Bytes before = test::blockOf(icon);
    icon.MoveTo(-1000000000, -5);
    icon.LineTo(1000000000, -5, kRed);
    icon.Rectangle(-100, -100, -50, -50, kRed);
    icon.Ellipse(20, 20, 40, 40, kRed);
    icon.FilledEllipse(-2000000000, -2000000000, 2000000000, 2000000000, kRed, kRed);
    icon.SetPixelValue(12, 0, kRed);
    icon.SmoothPixel(-3, 400, 9);
    EXPECT_TRUE(touched(icon).empty());
    icon.FilledRectangle(-5, -5, 1, 0, kRed, kRed);  // only (0..1, 0) is inside
    EXPECT_EQ(touched(icon), boxOf(0, 0, 1, 0));
    (void)before;
}

TEST_P(Paletted, TextIsCrispAndMaskAndColourAgree) {
    TIcon icon;
    icon.AddImage(40, 20, GetParam());
    icon.TextOut(2, 2, QStringLiteral("Hi"), kRed);
    const auto pixels = touched(icon);
    ASSERT_GT(pixels.size(), 10u);
    const QSize extent = icon.TextExtent(QStringLiteral("Hi"));
    for (auto [x, y] : pixels) {
        EXPECT_GE(x, 2);
        EXPECT_LT(x, 2 + extent.width() + 1);
        EXPECT_GE(y, 2);
        EXPECT_LT(y, 2 + extent.height());
        EXPECT_NE(int32_t(icon.GetPixelValue(x, y)), -1);
    }
    // Transparent text cuts holes into an opaque area, and nothing but holes.
    icon.FilledRectangle(0, 0, 39, 19, kBlue, kBlue);
    icon.TextOut(2, 2, QStringLiteral("Hi"), Transparent);
    int holes = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) {
            const uchar m = icon.MaskBitmap().constScanLine(y)[x];
            EXPECT_TRUE(m == kMaskSet || m == kMaskClear);
            holes += maskBit(m);
        }
    EXPECT_EQ(size_t(holes), pixels.size());
}

INSTANTIATE_TEST_SUITE_P(Depths, Paletted, ::testing::Values(1, 4, 8, 16, 24));

class ThirtyTwo : public ::testing::Test {
  protected:
    void SetUp() override { icon.AddImage(12, 10, 32); }
    TIcon icon;
};

TEST_F(ThirtyTwo, ShapesIncludeRightAndBottom) {
    icon.Rectangle(2, 2, 5, 5, 0xFFFF0000);
    EXPECT_EQ(touched(icon), outlineOf(2, 2, 5, 5));
    TIcon filled;
    filled.AddImage(12, 10, 32);
    filled.FilledRectangle(2, 2, 5, 5, 0xFFFF0000, 0xFF00FF00);
    EXPECT_EQ(touched(filled), boxOf(2, 2, 5, 5));
    EXPECT_EQ(filled.GetPixelValue(2, 3), 0xFFFF0000u);
    EXPECT_EQ(filled.GetPixelValue(3, 3), 0xFF00FF00u);
}

TEST_F(ThirtyTwo, AlphaZeroColoursErasePixelsToExactlyThatValue) {
    icon.FilledRectangle(0, 0, 11, 9, 0xFF336699, 0xFF336699);
    icon.MoveTo(0, 0);
    icon.LineTo(11, 0, 0x00ABCDEF);
    icon.Rectangle(0, 2, 3, 5, 0x00123456);
    icon.Ellipse(6, 2, 11, 9, 0x00000000);
    for (int x = 0; x <= 11; ++x) EXPECT_EQ(icon.GetPixelValue(x, 0), 0x00ABCDEFu);
    EXPECT_EQ(icon.GetPixelValue(0, 3), 0x00123456u);
    EXPECT_EQ(icon.GetPixelValue(1, 3), 0xFF336699u);  // inside the outline: untouched
    EXPECT_EQ(icon.GetPixelValue(6, 5), 0u);           // the ellipse's left tip
    icon.SetPixelValue(1, 1, 0x00000001);
    EXPECT_EQ(icon.GetPixelValue(1, 1), 0x00000001u);
    // An alpha-0 filled ellipse covers the pixels whose centres lie inside its box.
    icon.FilledEllipse(2, 6, 6, 10, 0, 0);
    EXPECT_EQ(icon.GetPixelValue(3, 7), 0u);
    EXPECT_EQ(icon.GetPixelValue(2, 6), 0xFF336699u);
}

TEST_F(ThirtyTwo, ATranslucentStrokeKeepsOneAlphaWhereItCrossesItself) {
    const uint32_t color = 0x80FF0000;
    icon.BeginStroke();
    icon.MoveTo(0, 5);
    icon.LineTo(11, 5, color);
    icon.MoveTo(5, 0);
    icon.LineTo(5, 9, color);
    EXPECT_EQ(icon.GetPixelValue(5, 5), 0u);  // nothing reaches the image before the end
    icon.EndStroke();
    EXPECT_FALSE(icon.strokeActive());
    EXPECT_EQ(icon.GetPixelValue(5, 5), color);
    EXPECT_EQ(icon.GetPixelValue(0, 5), color);
    EXPECT_EQ(icon.GetPixelValue(5, 9), color);
    // Without a stroke the lines are smoothed and blend: the crossing gains alpha.
    TIcon plain;
    plain.AddImage(12, 10, 32);
    plain.MoveTo(0, 5);
    plain.LineTo(11, 5, color);
    plain.MoveTo(5, 0);
    plain.LineTo(5, 9, color);
    EXPECT_GT(qAlpha(plain.GetPixelValue(5, 5)), qAlpha(plain.GetPixelValue(2, 5)));
}

TEST_F(ThirtyTwo, SmoothPixelAtACornerAveragesOnlyPixelsInside) {
    icon.WorkBitmap().setPixel(0, 0, qRgba(90, 30, 60, 255));
    icon.WorkBitmap().setPixel(1, 0, qRgba(0, 0, 0, 0));
    icon.WorkBitmap().setPixel(0, 1, qRgba(30, 60, 90, 255));
    icon.WorkBitmap().setPixel(1, 1, qRgba(0, 30, 0, 100));
    icon.SmoothPixel(0, 0, 3);
    EXPECT_EQ(icon.GetPixelValue(0, 0), qRgba(30, 30, 37, 152));
}

TEST_F(ThirtyTwo, TextIsDrawnSourceOverAndMeasured) {
    TIcon icon;
    icon.AddImage(40, 20, 32);
    icon.TextOut(2, 2, QStringLiteral("Hi"), 0xFF0000FF);
    EXPECT_GT(touched(icon).size(), 10u);
    const QSize extent = icon.TextExtent(QStringLiteral("Hi"));
    EXPECT_GT(extent.width(), 5);
    EXPECT_GT(extent.height(), 5);
}

TEST(TextFont, ArialResolvesToAMetricCompatibleFont) {
    TIcon icon;
    const QFontInfo info(icon.TextFont);
    EXPECT_EQ(info.family(), QStringLiteral("Liberation Sans"));
}

// Paints a document at zoom 4 over a background of two colours and reads the result.
QImage render(const TIcon& icon, const QRect& src, QRgb background) {
    QImage out(src.width() * 4, src.height() * 4, QImage::Format_ARGB32_Premultiplied);
    out.fill(background);
    QPainter p(&out);
    icon.StretchDraw(p, out.rect(), src);
    return out;
}

TEST(StretchDraw, PalettedPixelsReplaceKeepOrInvertTheBackground) {
    TIcon icon;
    icon.AddImage(3, 1, 24);
    icon.SetPixelValue(0, 0, 0x00102030);  // opaque
    icon.SetPixelValue(2, 0, Inverse);     // pixel 1 stays transparent
    icon.StoreImage();
    icon.SelectImage(0);
    const QImage out = render(icon, QRect(0, 0, 3, 1), qRgb(200, 100, 50));
    for (int y = 0; y < 4; ++y)
        for (int dx = 0; dx < 4; ++dx) {
            EXPECT_EQ(out.pixel(dx, y), qRgb(0x30, 0x20, 0x10));
            EXPECT_EQ(out.pixel(4 + dx, y), qRgb(200, 100, 50));
            EXPECT_EQ(out.pixel(8 + dx, y), qRgb(55, 155, 205));
        }
}

TEST(StretchDraw, ThirtyTwoBitPixelsAreSharpBlocksBlendedOverTheBackground) {
    TIcon icon;
    icon.AddImage(4, 4, 32);
    icon.WorkBitmap().setPixel(1, 2, 0xFF00FF00);
    icon.WorkBitmap().setPixel(2, 2, 0x00FFFFFF);
    // Part of the image, the cells (1, 1)..(2, 2).
    const QImage out = render(icon, QRect(1, 1, 2, 2), qRgb(10, 10, 10));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool green = x < 4 && y >= 4;
            EXPECT_EQ(out.pixel(x, y), green ? qRgb(0, 255, 0) : qRgb(10, 10, 10)) << x << "," << y;
        }
    // An active stroke shows on top.
    icon.BeginStroke();
    icon.SetPixelValue(2, 1, 0xFFFF0000);
    EXPECT_EQ(render(icon, QRect(1, 1, 2, 2), qRgb(10, 10, 10)).pixel(5, 1), qRgb(255, 0, 0));
}

TEST(Contracts, PrimitivesWithoutAnImageOrStrokeDoNothing) {
    TIcon empty;
    EXPECT_DEBUG_DEATH(empty.LineTo(3, 3, kRed), "");
    EXPECT_DEBUG_DEATH(empty.SetPixelValue(0, 0, kRed), "");
    EXPECT_DEBUG_DEATH(empty.FilledRectangle(0, 0, 3, 3, kRed, kRed), "");
    EXPECT_EQ(empty.BlockSize(), 6u);
    TIcon icon;
    icon.AddImage(4, 4, 32);
    EXPECT_DEBUG_DEATH(icon.SetPixelValue(1, 1, 0xFF00FF00), "");  // needs an active stroke
    EXPECT_DEBUG_DEATH(icon.EndStroke(), "");
    EXPECT_EQ(icon.GetPixelValue(1, 1), 0u);
}

}  // namespace
}  // namespace tarvo
