#include <gtest/gtest.h>

#include <map>

#include <QFontInfo>
#include <QPainter>
#include <algorithm>
#include <functional>
#include <set>

#include "TestSupport.h"
#include "core/PixelFormats.h"

namespace tarvo {
namespace {

using Points = std::set<std::pair<int, int>>;

constexpr uint32_t kRed = 0x000000FF;  // 0x00BBGGRR
constexpr uint32_t kBlue = 0x00FF0000;

// The pixels that differ from a fresh, fully transparent image.
Points touched(const TIcon& icon) {
    Points out;
    for (int y = 0; y < icon.GetSize().height(); ++y)
        for (int x = 0; x < icon.GetSize().width(); ++x)
            if (icon.GetPixelValue(x, y) != (icon.BitCount() == 32 ? 0u : Transparent))
                out.insert({x, y});
    return out;
}

// The pixels of the box (x0, y0)..(x1, y1), all or only its outline.
Points boxOf(int x0, int y0, int x1, int y1, bool outline = false) {
    Points out;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            if (!outline || x == x0 || x == x1 || y == y0 || y == y1) out.insert({x, y});
    return out;
}

struct Draw : ::testing::TestWithParam<int> {
    void SetUp() override { icon.AddImage(40, 20, GetParam()); }
    TIcon icon;
};

TEST_P(Draw, RectangleCoverageOfEachFamilyAndFilledRectanglesIncludeTheirEdges) {
    const uint32_t opaque = GetParam() == 32 ? 0xFF000000 : 0;  // white pen, black brush
    icon.Rectangle(2, 2, 5, 5, opaque | 0xFFFFFF);
    icon.FilledRectangle(7, 2, 10, 5, opaque | 0xFFFFFF, opaque);
    const int edge = opaque ? 5 : 4;  // paletted rectangles exclude right and bottom
    Points expected = boxOf(2, 2, edge, edge, true);
    expected.merge(boxOf(7, 2, 10, 5));
    EXPECT_EQ(touched(icon), expected);
    EXPECT_EQ(icon.GetPixelValue(7, 3), opaque | 0xFFFFFF);  // outline in the pen
    EXPECT_EQ(icon.GetPixelValue(8, 3), opaque);             // interior in the brush
}

TEST_P(Draw, TextInTheResolvedFontStaysInItsCellAndTransparentTextCutsHoles) {
    EXPECT_EQ(QFontInfo(icon.TextFont).family(), QStringLiteral("Liberation Sans"));
    icon.TextOut(2, 2, QStringLiteral("Hi"), GetParam() == 32 ? 0xFF0000FF : kRed);
    const Points pixels = touched(icon);
    ASSERT_GT(pixels.size(), 10u);
    for (auto [x, y] : pixels)  // crisp: no blends of the text and the background
        EXPECT_TRUE(GetParam() == 1 || GetParam() == 32 || icon.GetPixelValue(x, y) == kRed);
    const QSize extent = icon.TextExtent(QStringLiteral("Hi"));
    EXPECT_TRUE(
        std::ranges::includes(boxOf(2, 2, 2 + extent.width(), 1 + extent.height()), pixels));
    // Upright: a "T" has its bar on its top row and only its stem on its bottom row.
    TIcon t;
    t.AddImage(40, 20, GetParam());
    t.TextOut(2, 2, QStringLiteral("T"), GetParam() == 32 ? 0xFF0000FF : kRed);
    std::map<int, int> perRow;
    for (auto [x, y] : touched(t)) ++perRow[y];
    ASSERT_GE(perRow.size(), 5u);
    EXPECT_GT(perRow.begin()->second, perRow.rbegin()->second + 2);
    if (GetParam() == 32) return;
    icon.FilledRectangle(0, 0, 39, 19, kBlue, kBlue);  // then holes where the text was
    icon.TextOut(2, 2, QStringLiteral("Hi"), Transparent);
    Points holes = boxOf(0, 0, 39, 19);
    for (auto p : touched(icon)) holes.erase(p);
    EXPECT_EQ(holes, pixels);
}

INSTANTIATE_TEST_SUITE_P(Depths, Draw, ::testing::Values(1, 4, 8, 16, 24, 32));

using Paletted = Draw;

TEST_P(Paletted, FarCoordinatesAreClippedAndLinesIncludeBothEnds) {
    icon.MoveTo(-1000000000, -5);
    icon.LineTo(1000000000, -5, kRed);
    icon.FilledEllipse(-2000000000, -2000000000, 2000000000, 2000000000, kRed, kRed);
    icon.SetPixelValue(40, 0, kRed);
    icon.SmoothPixel(-3, 400, 9);
    icon.FilledRectangle(-5, -5, 1, 0, kRed, kRed);  // only (0..1, 0) is inside
    icon.MoveTo(3, 4);
    icon.LineTo(3, 4, kRed);  // a one-point line
    EXPECT_EQ(touched(icon), (Points{{0, 0}, {1, 0}, {3, 4}}));
    icon.MoveTo(1, 1);
    icon.LineTo(8, 1, kRed);
    icon.LineTo(8, 6, kRed);
    EXPECT_EQ(icon.PenPosition(), QPoint(8, 6));
    Points expected = boxOf(1, 1, 8, 1);
    expected.merge(boxOf(8, 1, 8, 6));
    expected.insert({{0, 0}, {1, 0}, {3, 4}});
    EXPECT_EQ(touched(icon), expected);
}

TEST_P(Paletted, EllipsesStayInTheirBoxWithoutRightAndBottom) {
    icon.Ellipse(1, 2, 9, 8, kRed);
    const Points outline = touched(icon);
    EXPECT_TRUE(std::ranges::includes(boxOf(1, 2, 8, 7), outline));
    EXPECT_TRUE(outline.contains({1, 4}) && outline.contains({8, 4}) && outline.contains({4, 2}) &&
                outline.contains({4, 7}));
    EXPECT_EQ(int32_t(icon.GetPixelValue(4, 4)), -1);  // hollow
    // Filled: every row is one solid run from the outline's left to its right end.
    icon.FilledEllipse(1, 2, 9, 8, kRed, kBlue);
    Points expected;
    for (auto [x, y] : outline)
        for (auto [x2, y2] : outline)
            if (y2 == y && x2 >= x) expected.merge(boxOf(x, y, x2, y));
    EXPECT_EQ(touched(icon), expected);
    EXPECT_EQ(icon.GetPixelValue(4, 4), kBlue);  // not committed: the planes hold the colour
    EXPECT_EQ(icon.GetPixelValue(1, 4), kRed);
}

TEST_P(Paletted, TransparentAndInverseReadAsMinusOneAndOnlyCommittingPrimitivesChangeTheBlock) {
    const auto before = test::blockOf(icon);
    icon.SetPixelValue(2, 1, Transparent);
    icon.SetPixelValue(3, 1, Inverse);
    EXPECT_EQ(int32_t(icon.GetPixelValue(2, 1)), -1);
    EXPECT_EQ(int32_t(icon.GetPixelValue(3, 1)), -1);
    EXPECT_EQ(icon.ColorBitmap().pixel(2, 1), qRgb(0, 0, 0));
    EXPECT_EQ(icon.ColorBitmap().pixel(3, 1), qRgb(255, 255, 255));
    EXPECT_EQ(int32_t(icon.GetPixelValue(-1, 0)), -1);  // outside reads as invalid
    icon.SetPixelValue(1, 1, kRed);
    icon.LineTo(5, 5, kRed);
    icon.Rectangle(0, 0, 4, 4, kRed);
    icon.Ellipse(0, 0, 6, 6, kRed);
    icon.FilledEllipse(0, 0, 6, 6, kRed, kRed);
    icon.SmoothPixel(1, 1, 3);
    EXPECT_EQ(test::blockOf(icon), before);
    icon.FilledRectangle(8, 8, 9, 9, kRed, kRed);
    const auto afterFill = test::blockOf(icon);
    EXPECT_NE(afterFill, before);
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

INSTANTIATE_TEST_SUITE_P(Depths, Paletted, ::testing::Values(1, 4, 8, 16, 24));

using ThirtyTwo = Draw;
INSTANTIATE_TEST_SUITE_P(Depth, ThirtyTwo, ::testing::Values(32));

TEST_P(ThirtyTwo, AlphaZeroColoursErasePixelsToExactlyThatValue) {
    icon.FilledRectangle(0, 0, 11, 9, 0xFF336699, 0xFF336699);
    icon.MoveTo(0, 0);
    icon.LineTo(11, 0, 0x00ABCDEF);
    icon.Rectangle(0, 2, 3, 5, 0x00123456);
    icon.SetPixelValue(1, 1, 0x00000001);
    icon.FilledEllipse(2, 6, 6, 10, 0, 0);  // covers the pixels whose centres lie inside
    for (int x = 0; x <= 11; ++x) EXPECT_EQ(icon.GetPixelValue(x, 0), 0x00ABCDEFu);
    EXPECT_EQ(icon.GetPixelValue(0, 3), 0x00123456u);
    EXPECT_EQ(icon.GetPixelValue(1, 3), 0xFF336699u);  // inside the outline: untouched
    EXPECT_EQ(icon.GetPixelValue(1, 1), 0x00000001u);
    EXPECT_EQ(icon.GetPixelValue(3, 7), 0u);
    EXPECT_EQ(icon.GetPixelValue(2, 6), 0xFF336699u);
}

TEST_P(ThirtyTwo, ATranslucentStrokeKeepsOneAlphaWhereItCrossesItself) {
    const uint32_t color = 0x80FF0000;
    auto cross = [&](int at) {
        icon.MoveTo(0, at);
        icon.LineTo(11, at, color);
        icon.MoveTo(at, 0);
        icon.LineTo(at, 9, color);
    };
    cross(1);  // without a stroke the lines are smoothed and blend: the crossing gains alpha
    EXPECT_GT(qAlpha(icon.GetPixelValue(1, 1)), qAlpha(icon.GetPixelValue(4, 1)));
    icon.BeginStroke();
    cross(6);
    EXPECT_EQ(icon.GetPixelValue(6, 6), 0u);  // nothing reaches the image before the end
    icon.EndStroke();
    EXPECT_FALSE(icon.strokeActive());
    EXPECT_EQ(icon.GetPixelValue(6, 6), color);
    EXPECT_EQ(icon.GetPixelValue(11, 6), color);
}

// Smoothed lines, ellipses and text have edge pixels of partial coverage; unsmoothed, every
// pixel takes the pen or brush whole, and a line is the pencil's.
TEST_P(ThirtyTwo, WithoutSmoothEdgesShapesAndTextTakeThePenWhole) {
    const uint32_t pen = 0xC0FF0000, brush = 0x600000FF;
    const std::function<void(TIcon&)> shapes[] = {
        [&](TIcon& t) {
            t.MoveTo(1, 1);
            t.LineTo(30, 12, pen);
        },
        [&](TIcon& t) { t.Ellipse(2, 2, 30, 16, pen); },
        [&](TIcon& t) { t.FilledEllipse(2, 2, 30, 16, pen, brush); },
        [&](TIcon& t) { t.TextOut(2, 2, QStringLiteral("Ow"), pen); },
    };
    for (size_t i = 0; i < std::size(shapes); ++i) {
        SCOPED_TRACE(i);
        for (const bool smooth : {true, false}) {
            TIcon t;
            t.AddImage(40, 20, 32);
            t.SmoothEdges = smooth;
            shapes[i](t);
            std::set<uint32_t> values;
            for (auto [x, y] : touched(t)) values.insert(t.GetPixelValue(x, y));
            EXPECT_TRUE(smooth || values.contains(pen));
            std::erase_if(values, [&](uint32_t v) { return v == pen || v == brush; });
            EXPECT_EQ(values.empty(), !smooth);
        }
    }
    TIcon crisp, pencil;
    for (TIcon* t : {&crisp, &pencil}) t->AddImage(40, 20, 32);
    crisp.SmoothEdges = false;
    shapes[0](crisp);
    pencil.BeginStroke();
    shapes[0](pencil);
    pencil.EndStroke();
    EXPECT_EQ(touched(crisp), touched(pencil));
}

TEST_P(ThirtyTwo, SmoothPixelAtACornerAveragesOnlyPixelsInside) {
    icon.WorkBitmap().setPixel(0, 0, qRgba(90, 30, 60, 255));
    icon.WorkBitmap().setPixel(0, 1, qRgba(30, 60, 90, 255));
    icon.WorkBitmap().setPixel(1, 1, qRgba(0, 30, 0, 100));
    icon.SmoothPixel(0, 0, 3);
    EXPECT_EQ(icon.GetPixelValue(0, 0), qRgba(30, 30, 37, 152));
}

TEST(StretchDraw, PalettedImagesAndOrXorThirtyTwoBitOnesBlendAsSharpBlocksUnderTheStroke) {
    TIcon paletted, argb;
    paletted.AddImage(3, 1, 24);
    paletted.SetPixelValue(0, 0, 0x00102030);  // opaque
    paletted.SetPixelValue(2, 0, Inverse);     // pixel 1 stays transparent
    argb.AddImage(4, 4, 32);
    argb.WorkBitmap().setPixel(1, 2, 0xFF00FF00);
    argb.WorkBitmap().setPixel(2, 2, 0x00FFFFFF);
    argb.BeginStroke();
    argb.SetPixelValue(2, 1, 0xFFFF0000);
    const QRgb bg = qRgb(200, 100, 50);
    QImage out(12, 12, QImage::Format_ARGB32_Premultiplied);
    out.fill(bg);
    QPainter p(&out);
    // Blocks of 4 x 4 pixels: the whole paletted image on top, below it the cells (1, 1)..(2, 2).
    paletted.StretchDraw(p, QRect(0, 0, 12, 4), QRect(0, 0, 3, 1));
    argb.StretchDraw(p, QRect(0, 4, 8, 8), QRect(1, 1, 2, 2));
    p.end();
    const QRgb cells[3][3] = {{qRgb(0x30, 0x20, 0x10), bg, qRgb(55, 155, 205)},
                              {bg, qRgb(255, 0, 0), bg},
                              {qRgb(0, 255, 0), bg, bg}};
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            EXPECT_EQ(out.pixel(x, y), cells[y / 4][x / 4]) << x << "," << y;
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
