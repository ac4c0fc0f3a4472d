#include <gtest/gtest.h>

#include <QPainter>

#include "core/Icon.h"
#include "core/PixelFormats.h"
#include "editor/ViewPainter.h"

namespace tarvo {
namespace {

constexpr QRgb kAqua = 0xFF00FFFF, kTeal = 0xFF008080, kBlue = 0xFF0000FF;
const QColor kFace(0xF0, 0xF0, 0xF0);

TEST(ViewGeometry, FitsAndCentresTheImageInTheView) {
    const QSize view(397, 441);
    EXPECT_EQ(fitZoom(view, {16, 16}), 22);
    EXPECT_EQ(gridOrigin(view, {16, 16}, 22), QPoint(22, 44));
    EXPECT_EQ(editingScrollRanges(view, {16, 16}, 22), QSize(0, 0));
    // Cells go down to one pixel, so the largest image fits.
    EXPECT_EQ(fitZoom(view, {256, 256}), 1);
    EXPECT_EQ(editingScrollRanges(view, {256, 256}, 1), QSize(0, 0));
    // Zoomed in past the view: 4 pixels in, and a scroll range.
    EXPECT_EQ(gridOrigin(view, {256, 256}, 4), QPoint(8, 8));
    EXPECT_EQ(editingScrollRanges(view, {256, 256}, 4), QSize(1040, 1040));
    EXPECT_EQ(previewScrollRanges({100, 300}, {256, 256}), QSize(263, 0));
    // A preview narrower than its box starts at 2 minus the scroll position.
    EXPECT_EQ(previewOrigin({100, 300}, {256, 256}, {30, 0}), QPoint(-28, 21));
}

TEST(ViewGeometry, ZoomStepsDoubleAndHalveAndKeepTheAnchoredPixel) {
    for (int z = kMinZoom; z <= kMaxZoom; ++z) {
        const int in = zoomInStep(z), out = zoomOutStep(z);
        // Powers of two, strictly beyond z until the limit, and never past the next doubling.
        EXPECT_EQ(in & (in - 1), 0) << z;
        EXPECT_EQ(out & (out - 1), 0) << z;
        EXPECT_TRUE(in > z || z == kMaxZoom) << z;
        EXPECT_TRUE(out < z || z == kMinZoom) << z;
        EXPECT_LE(in, std::max(2 * z, kMinZoom)) << z;
        EXPECT_GE(out, z / 2) << z;
    }
    EXPECT_EQ(zoomOutStep(zoomInStep(13)), 8);
    // Zooming at a point keeps the image pixel under it, from any scroll position.
    const QSize view(400, 300), image(256, 256);
    for (int from : {1, 2, 5, 16})
        for (int to : {1, 4, 32, 64})
            for (QPoint anchor : {QPoint(10, 20), QPoint(399, 150), QPoint(200, 0)}) {
                const QPoint o1 = gridOrigin(view, image, from), o2 = gridOrigin(view, image, to);
                const QPoint scroll(from > 1 ? 37 : 0, 0);
                const QPoint s2 = scrollKeepingAnchor(anchor, scroll, o1, from, o2, to);
                const double before = double(anchor.x() - o1.x() + scroll.x()) / from;
                const double after = double(anchor.x() - o2.x() + s2.x()) / to;
                EXPECT_NEAR(before, after, 1.0 / to) << from << " " << to;
            }
}

TEST(ViewGeometry, CellsRoundTowardZeroAndPrintPadded) {
    const QPoint origin(22, 44);
    EXPECT_EQ(cellAt({22 + 22 * 3 + 21, 44}, origin, {}, 22), QPoint(3, 0));
    // Up to one cell left of or above the image still reads as cell 0.
    EXPECT_EQ(cellAt({10, 30}, origin, {}, 22), QPoint(0, 0));
    EXPECT_EQ(cellAt({0, 0}, origin, {}, 4), QPoint(-5, -11));
    EXPECT_EQ(cellAt({0, 0}, origin, {40, 80}, 4), QPoint(4, 9));
    EXPECT_EQ(cellStatusText({5, 123}), QStringLiteral("X: 005 Y: 123"));
    EXPECT_EQ(cellStatusText({-5, -1234}), QStringLiteral("X: -005 Y: -1234"));
}

TEST(ViewGeometry, TheTransparencyTileIsAThreeByThreeChecker) {
    const QImage tile = transparencyTile(4);
    const char* expected[4] = {"TATT", "ATAA", "TATT", "TATT"};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(tile.pixel(x, y), expected[y][x] == 'T' ? kTeal : kAqua) << x << "," << y;
}

EditingViewState zoomed(int zoom, QPoint scroll = {}) {
    EditingViewState state;
    state.zoom = zoom;
    state.scroll = scroll;
    return state;
}

// Painted over magenta, within `clip` if one is given.
QImage paint(const TIcon& icon, QSize client, EditingViewState state, QRect clip = {}) {
    QImage out(client, QImage::Format_RGB32);
    out.fill(Qt::magenta);
    QPainter p(&out);
    if (!clip.isNull()) p.setClipRect(clip);
    state.image = &icon;
    state.background = kFace;
    paintEditingView(p, client, state);
    return out;
}

TEST(EditingView, DrawsBorderCellsGridAndEveryEighthLineBlack) {
    TIcon icon;
    icon.AddImage(32, 16, 32);
    icon.BeginStroke();
    icon.SetPixelValue(1, 0, 0xFFFF0000);  // opaque red; the rest is transparent
    icon.EndStroke();
    const int z = 5;
    const QSize client(200, 120);
    const QImage out = paint(icon, client, zoomed(z));
    const QPoint o = gridOrigin(client, {32, 16}, z);
    EXPECT_EQ(out.pixel(o.x() - 2, o.y() + 7), kBlue);           // border ring
    EXPECT_EQ(out.pixel(o.x() - z - 1, o.y()), kFace.rgb());     // outside it
    EXPECT_EQ(out.pixel(o.x() + z + 2, o.y() + 2), 0xFFFF0000);  // the red cell
    EXPECT_EQ(out.pixel(o.x() + 2 * z + 1, o.y() + 1), kTeal);   // a transparent cell's tile
    int vertical = 0;
    for (int k = 0; k <= 32; ++k) {
        const QRgb line = out.pixel(o.x() + k * z, o.y() + 2);
        EXPECT_EQ(line, k % 8 == 0 ? 0xFF000000 : 0xFF808080) << k;
        vertical += line == 0xFF000000 || line == 0xFF808080;
    }
    EXPECT_EQ(vertical, 33);
    EXPECT_EQ(out.pixel(o.x() + 3, o.y() + 8 * z), 0xFF000000);  // horizontal line 8
    EXPECT_EQ(out.pixel(o.x() + 3, o.y() + 3 * z), 0xFF808080);

    // Without the grid, and with the grey checkerboard, the same places show the cells.
    EditingViewState plain = zoomed(z);
    plain.grid = false;
    plain.transparency = Transparency::Checkerboard;
    plain.hotSpot = QPoint(5, 1);
    const QImage bare = paint(icon, client, plain);
    EXPECT_EQ(bare.pixel(o.x() + 5 * z, o.y() + z + 2), kHotSpotColor);      // its cell's frame
    EXPECT_NE(bare.pixel(o.x() + 5 * z + 2, o.y() + z + 2), kHotSpotColor);  // the pixel inside
    for (int k = 2; k < 32; ++k) {
        const QPoint at(o.x() + k * z, o.y() + 3 * z + 2);
        // The checker's squares start at the image's corner.
        const int square = ((at.x() - o.x()) / kCheckerSquare + (at.y() - o.y()) / kCheckerSquare);
        EXPECT_EQ(bare.pixel(at), square % 2 ? kCheckerDark : kCheckerLight) << k;
    }
    // Cells too small for lines get none, whatever the setting.
    const QImage tiny = paint(icon, client, zoomed(2));
    const QPoint t = gridOrigin(client, {32, 16}, 2);
    EXPECT_EQ(tiny.pixel(t.x() + 2 * 2, t.y() + 3), kAqua);
}

TEST(EditingView, PaintsOnlyTheClipAndMatchesAFullPaint) {
    TIcon icon;
    icon.AddImage(64, 64, 8);
    icon.FilledEllipse(3, 5, 60, 50, 0x0000FF, 0x00FF00);
    const QSize client(300, 300);
    const QRect clip(37, 41, 50, 60);
    const QImage full = paint(icon, client, zoomed(9, {120, 70}));
    const QImage part = paint(icon, client, zoomed(9, {120, 70}), clip);
    EXPECT_EQ(part.copy(clip), full.copy(clip));
    EXPECT_EQ(part.pixel(36, 41), QColor(Qt::magenta).rgb());
}

TEST(EditingView, StripesTheSelectionFrameAndMarksItsHandles) {
    TIcon icon;
    icon.AddImage(16, 16, 4);
    const int z = 8;
    const QSize client(200, 200);
    EditingViewState state = zoomed(z);
    state.toolCode = 8;
    state.selectionActive = true;
    state.selectionRect = {2, 2, 10, 8};
    const QImage out = paint(icon, client, state);
    const QPoint o = gridOrigin(client, {16, 16}, z);
    const QPoint r(o.x() + 2 * z, o.y() + 2 * z);
    EXPECT_EQ(out.pixel(r.x() + 1, r.y() + 1), 0xFF808080);  // handle 1
    // The top band between the handles holds diagonal stripes rising to the right, four
    // pixels apart.
    int black = 0;
    for (int y = r.y() + 1; y < r.y() + z; ++y)
        for (int x = r.x() + 2 * z + 1; x < r.x() + 3 * z - 1; ++x) {
            const QRgb c = out.pixel(x, y);
            ASSERT_TRUE(c == 0xFF000000 || c == 0xFFFFFFFF);
            if (c != 0xFF000000) continue;
            ++black;
            if (x + 2 < r.x() + 3 * z - 1 && y > r.y() + 1) {
                EXPECT_EQ(out.pixel(x + 1, y - 1), 0xFF000000u);
                EXPECT_EQ(out.pixel(x + 2, y), 0xFFFFFFFFu);
            }
        }
    EXPECT_GE(black, 7);
}

TEST(Preview, FramesTheImageAtActualSize) {
    TIcon icon;
    icon.AddImage(4, 3, 24);
    icon.SetPixelValue(0, 0, 0x0000FF);
    QImage out(20, 20, QImage::Format_RGB32);
    QPainter p(&out);
    PreviewState state;
    state.image = &icon;
    state.background = kFace;
    paintPreview(p, out.size(), state);
    p.end();
    const QPoint at = previewOrigin(out.size(), {4, 3}, {});
    EXPECT_EQ(at, QPoint(7, 7));
    EXPECT_EQ(out.pixel(at), kBlue);
    EXPECT_EQ(out.pixel(at.x() + 5, at.y() + 4), kBlue);
    EXPECT_EQ(out.pixel(at.x() + 1, at.y() + 1), 0xFFFF0000);
    EXPECT_EQ(out.pixel(at.x() + 6, at.y()), kFace.rgb());
}

}  // namespace
}  // namespace tarvo
