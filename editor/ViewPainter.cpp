#include "editor/ViewPainter.h"

#include <QPainter>
#include <QString>
#include <algorithm>
#include <cmath>

#include "core/Icon.h"
#include "core/PixelFormats.h"
#include "raster/Rasteriser.h"

namespace tarvo {

namespace {

constexpr QRgb kAqua = 0xFF00FFFF;
constexpr QRgb kTeal = 0xFF008080;
constexpr QRgb kHandleColor = 0xFF808080;

// One-pixel diagonal lines rising to the right, four pixels apart: set bits black, clear white.
const QBrush& stripeBrush() {
    static const QBrush brush = [] {
        static constexpr uint8_t rows[8] = {0x11, 0x22, 0x44, 0x88, 0x11, 0x22, 0x44, 0x88};
        QImage pattern(8, 8, QImage::Format_RGB32);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                pattern.setPixel(x, y, (rows[y] & (0x80 >> x)) ? 0xFF000000 : 0xFFFFFFFF);
        return QBrush(pattern);
    }();
    return brush;
}

int div0(int a, int b) {
    return a / b;  // C++ division already rounds toward zero
}

// The grid lines 0..count whose screen position origin + k * z can meet [lo, hi].
std::pair<int, int> visibleLines(int origin, int z, int count, int lo, int hi) {
    const int first = std::max(0, (lo - origin) / z - 1);
    const int last = std::min(count, (hi - origin) / z + 1);
    return {first, last};
}

// Paints image cells striped, given as spans (y, x0, x1) in image coordinates.
struct CellStriper {
    QPainter& dc;
    QPoint corner;
    int z;
    void operator()(int y, int x0, int x1) const {
        dc.fillRect(corner.x() + x0 * z, corner.y() + y * z, (x1 - x0 + 1) * z, z, stripeBrush());
    }
};

QColor colorOfValue(uint32_t value, bool argb) {
    // 32-bit colours are ARGB; the eraser's square shows them opaque.
    if (argb) return QColor::fromRgb(value | 0xFF000000u);
    return QColor::fromRgb(colorValueToRgb(value));
}

}  // namespace

int fitZoom(QSize client, QSize image) {
    const int cells = std::max(image.width(), image.height()) + 2;
    return std::max(kMinZoom, std::min(client.width(), client.height()) / cells);
}

int zoomInStep(int zoom) {
    int step = kMinZoom;
    while (step <= zoom && step < kMaxZoom) step *= 2;
    return std::min(step, kMaxZoom);
}

int zoomOutStep(int zoom) {
    int step = kMaxZoom;
    while (step >= zoom && step > kMinZoom) step /= 2;
    return std::max(step, kMinZoom);
}

QPoint scrollKeepingAnchor(QPoint anchor, QPoint scroll, QPoint fromOrigin, int from,
                           QPoint toOrigin, int to) {
    // The anchor's place in image pixels, kept fractional so repeated zooms do not drift.
    const double ix = double(anchor.x() - fromOrigin.x() + scroll.x()) / from;
    const double iy = double(anchor.y() - fromOrigin.y() + scroll.y()) / from;
    return {int(std::lround(ix * to + toOrigin.x() - anchor.x())),
            int(std::lround(iy * to + toOrigin.y() - anchor.y()))};
}

QPoint gridOrigin(QSize client, QSize image, int zoom) {
    const int w2 = (image.width() + 2) * zoom, h2 = (image.height() + 2) * zoom;
    int ox = (client.width() - w2) / 2, oy = (client.height() - h2) / 2;
    if (ox < 0) ox = 4;
    if (oy < 0) oy = 4;
    return {ox + zoom, oy + zoom};
}

QSize editingScrollRanges(QSize client, QSize image, int zoom) {
    const int w2 = (image.width() + 2) * zoom, h2 = (image.height() + 2) * zoom;
    return {w2 > client.width() ? w2 + 8 : 0, h2 > client.height() ? h2 + 8 : 0};
}

QSize previewScrollRanges(QSize client, QSize image) {
    const int w = image.width() + 2, h = image.height() + 2;
    return {w > client.width() ? w + 5 : 0, h > client.height() ? h + 5 : 0};
}

QPoint cellAt(QPoint client, QPoint origin, QPoint scroll, int zoom) {
    return {div0(client.x() - origin.x() + scroll.x(), zoom),
            div0(client.y() - origin.y() + scroll.y(), zoom)};
}

QString cellStatusText(QPoint cell) {
    auto padded = [](int v) {
        const QString digits = QString::number(std::abs(static_cast<long long>(v)))
                                   .rightJustified(3, QLatin1Char('0'));
        return v < 0 ? QLatin1Char('-') + digits : digits;
    };
    return QStringLiteral("X: %1 Y: %2").arg(padded(cell.x()), padded(cell.y()));
}

QImage transparencyTile(int z) {
    QImage tile(z, z, QImage::Format_RGB32);
    tile.fill(kAqua);
    const int t = z / 3, t2 = (2 * z) / 3;
    QPainter p(&tile);
    for (const QRect& r : {QRect(QPoint(0, 0), QPoint(t, t)), QRect(QPoint(t2, 0), QPoint(z, t)),
                           QRect(QPoint(t, t), QPoint(t2, t2)), QRect(QPoint(0, t2), QPoint(t, z)),
                           QRect(QPoint(t2, t2), QPoint(z, z))})
        // The corners are exclusive: QRect(QPoint, QPoint) includes them, so shrink by one.
        p.fillRect(r.adjusted(0, 0, -1, -1), QColor::fromRgb(kTeal));
    return tile;
}

QImage checkerboardTile() {
    QImage tile(2 * kCheckerSquare, 2 * kCheckerSquare, QImage::Format_RGB32);
    tile.fill(kCheckerLight);
    QPainter p(&tile);
    p.fillRect(kCheckerSquare, 0, kCheckerSquare, kCheckerSquare, QColor::fromRgb(kCheckerDark));
    p.fillRect(0, kCheckerSquare, kCheckerSquare, kCheckerSquare, QColor::fromRgb(kCheckerDark));
    return tile;
}

std::array<QRect, 8> selectionHandles(const QRect& r, int z) {
    const int right = r.x() + r.width(), bottom = r.y() + r.height();
    const int mx = (r.x() + right - z) / 2, my = (r.y() + bottom - z) / 2;
    const QPoint corners[8] = {
        {r.x(), r.y()},          {mx, r.y()},      {right - z, r.y()},  {right - z, my},
        {right - z, bottom - z}, {mx, bottom - z}, {r.x(), bottom - z}, {r.x(), my}};
    std::array<QRect, 8> handles;
    for (size_t i = 0; i < handles.size(); ++i) handles[i] = QRect(corners[i], QSize(z, z));
    return handles;
}

void paintEditingView(QPainter& dc, QSize client, const EditingViewState& s) {
    dc.save();
    dc.setRenderHint(QPainter::Antialiasing, false);
    dc.setBrushOrigin(0, 0);
    const QRect exposed =
        dc.hasClipping() ? dc.clipBoundingRect().toAlignedRect() : QRect(QPoint(0, 0), client);
    dc.fillRect(exposed, s.background);
    const TIcon* icon = s.image;
    if (!icon || icon->BitCount() == 0) {
        dc.restore();
        return;
    }
    const int z = std::max(1, s.zoom);
    const QSize size = icon->GetSize();
    const int w = size.width(), h = size.height();
    const QPoint origin = gridOrigin(client, size, z);
    const int px = origin.x() - s.scroll.x(), py = origin.y() - s.scroll.y();
    const QRect imageArea(px, py, w * z, h * z);

    // The border ring, one cell wide, then the checker that transparent pixels let through.
    dc.fillRect(QRect(px - z, py - z, (w + 2) * z, (h + 2) * z).intersected(exposed),
                QColor::fromRgb(kFrameColor));
    {
        QBrush tile(s.transparency == Transparency::Checkerboard ? checkerboardTile()
                                                                 : transparencyTile(z));
        dc.setBrushOrigin(px, py);
        dc.fillRect(imageArea.intersected(exposed), tile);
        dc.setBrushOrigin(0, 0);
    }

    // The image, limited to the cells that meet the exposed area grown by one cell.
    dc.save();
    dc.setClipRect(exposed.adjusted(-z, -z, z, z).intersected(imageArea), Qt::IntersectClip);
    icon->StretchDraw(dc, imageArea, QRect(0, 0, w, h));
    dc.restore();

    const QPoint corner(px, py);
    const QRect cells(0, 0, w, h);
    dc.save();
    dc.setClipRect(imageArea.intersected(exposed), Qt::IntersectClip);
    if (s.selectionActive) {
        const int code = s.toolCode;
        if (code == 7 || code == 8 || code == 15 || code == 18 || code == 20) {
            const TRect& sr = s.selectionRect;
            const QRect r(px + sr.left * z, py + sr.top * z, sr.width() * z, sr.height() * z);
            if (s.selectionImage && s.selectionImage->BitCount() != 0)
                s.selectionImage->StretchDraw(dc, r,
                                              QRect(QPoint(0, 0), s.selectionImage->GetSize()));
            const QBrush& stripes = stripeBrush();
            const int right = r.x() + r.width(), bottom = r.y() + r.height();
            dc.fillRect(QRect(r.x(), r.y(), r.width(), z), stripes);
            dc.fillRect(QRect(right - z, r.y(), z, r.height()), stripes);
            dc.fillRect(QRect(r.x(), bottom - z, r.width(), z), stripes);
            dc.fillRect(QRect(r.x(), r.y(), z, r.height()), stripes);
            for (const QRect& handle : selectionHandles(r, z))
                dc.fillRect(handle, QColor::fromRgb(kHandleColor));
        } else if (code == 17 && !s.selectionRect.isEmpty()) {
            const TRect& sr = s.selectionRect;
            const QRect box = sr.toQRect().intersected(cells);
            raster::ellipse(sr.left, sr.top, sr.right - 1, sr.bottom - 1, box,
                            CellStriper{dc, corner, z}, [](int, int, int) {});
        }
    }
    if (!s.lassoPoints.empty()) {
        const CellStriper stripe{dc, corner, z};
        auto plot = [&](int x, int y) { stripe(y, x, x); };
        for (size_t i = 1; i < s.lassoPoints.size(); ++i)
            raster::line(s.lassoPoints[i - 1], s.lassoPoints[i], cells, false, plot);
        const QPoint last = s.lassoPoints.back();
        if (cells.contains(last)) plot(last.x(), last.y());
    }
    if (s.selectionOutline && !s.selectionOutline->isNull()) {
        const QImage mask = s.selectionOutline->convertToFormat(QImage::Format_Grayscale8);
        const CellStriper stripe{dc, corner, z};
        const int mh = std::min(h, mask.height()), mw = std::min(w, mask.width());
        for (int y = 0; y < mh; ++y) {
            const uchar* row = mask.constScanLine(y);
            for (int x = 0; x < mw; ++x) {
                if (!row[x]) continue;
                int end = x;
                while (end + 1 < mw && row[end + 1]) ++end;
                stripe(y, x, end);
                x = end;
            }
        }
    }
    dc.restore();

    // The grid: only the lines that can meet the exposed area.
    if (s.grid && z >= kMinGridZoom) {
        const auto [r0, r1] = visibleLines(py, z, h, exposed.top(), exposed.bottom());
        const int x0 = std::max(px, exposed.left()), x1 = std::min(px + w * z, exposed.right());
        if (x0 <= x1)
            for (int k = r0; k <= r1; ++k)
                dc.fillRect(QRect(x0, py + k * z, x1 - x0 + 1, 1),
                            QColor::fromRgb(gridLineColor(k)));
        const auto [c0, c1] = visibleLines(px, z, w, exposed.left(), exposed.right());
        const int y0 = std::max(py + 1, exposed.top()),
                  y1 = std::min(py + h * z - 1, exposed.bottom());
        if (y0 <= y1)
            for (int k = c0; k <= c1; ++k)
                dc.fillRect(QRect(px + k * z, y0, 1, y1 - y0 + 1),
                            QColor::fromRgb(gridLineColor(k)));
    }

    // The eraser's square over the 2 x 2 cells it paints, centred on the cell's corner.
    if (s.toolCode == 21 && s.mouseCell) {
        dc.save();
        dc.setClipRect(imageArea.intersected(exposed), Qt::IntersectClip);
        const int qx = px + s.mouseCell->x() * z, qy = py + s.mouseCell->y() * z;
        const QColor line = QColor::fromRgb(gridLineColor(w));
        dc.fillRect(QRect(qx - z, qy - z, 2 * z, 2 * z),
                    colorOfValue(s.brushColor, icon->BitCount() == 32));
        dc.fillRect(QRect(qx - z, qy - z, 2 * z, 1), line);
        dc.fillRect(QRect(qx - z, qy + z - 1, 2 * z, 1), line);
        dc.fillRect(QRect(qx - z, qy - z, 1, 2 * z), line);
        dc.fillRect(QRect(qx + z - 1, qy - z, 1, 2 * z), line);
        dc.fillRect(QRect(qx - z, qy, 2 * z, 1), line);
        dc.fillRect(QRect(qx, qy - z, 1, 2 * z), line);
        dc.restore();
    }
    // The hot spot: its cell framed and crossed, so the pixel under it still shows.
    if (s.hotSpot && cells.contains(*s.hotSpot)) {
        const QRect cell(px + s.hotSpot->x() * z, py + s.hotSpot->y() * z, z, z);
        const QColor red = QColor::fromRgb(kHotSpotColor);
        const int t = std::max(1, z / 8);
        dc.fillRect(cell.left(), cell.top(), z, t, red);
        dc.fillRect(cell.left(), cell.bottom() - t + 1, z, t, red);
        dc.fillRect(cell.left(), cell.top(), t, z, red);
        dc.fillRect(cell.right() - t + 1, cell.top(), t, z, red);
        const int arm = std::max(2, z);
        dc.fillRect(cell.center().x() - t / 2, cell.top() - arm, t, arm, red);
        dc.fillRect(cell.center().x() - t / 2, cell.bottom() + 1, t, arm, red);
        dc.fillRect(cell.left() - arm, cell.center().y() - t / 2, arm, t, red);
        dc.fillRect(cell.right() + 1, cell.center().y() - t / 2, arm, t, red);
    }
    if (s.caret) dc.fillRect(*s.caret, Qt::black);
    dc.restore();
}

QPoint previewOrigin(QSize client, QSize image, QPoint scroll) {
    const int bw = image.width() + 2, bh = image.height() + 2;
    int x = (client.width() - bw) / 2, y = (client.height() - bh) / 2;
    if (x < 0) x = 2 - scroll.x();
    if (y < 0) y = 2 - scroll.y();
    return {x, y};
}

void paintPreview(QPainter& dc, QSize client, const PreviewState& s) {
    dc.save();
    dc.setRenderHint(QPainter::Antialiasing, false);
    dc.fillRect(QRect(QPoint(0, 0), client), s.background);
    const TIcon* icon = s.image;
    if (icon && icon->BitCount() != 0) {
        const QSize size = s.frame ? s.frame->size() : icon->GetSize();
        const QPoint at = previewOrigin(client, size, s.scroll);
        const QRect box(at, QSize(size.width() + 2, size.height() + 2));
        dc.fillRect(box, QColor::fromRgb(kFrameColor));
        const QRect interior = box.adjusted(1, 1, -1, -1);
        dc.fillRect(interior, Qt::white);
        if (s.frame) {
            dc.drawImage(interior, *s.frame);
        } else {
            icon->StretchDraw(dc, interior, QRect(QPoint(0, 0), size));
        }
        if (!s.frame && s.selectionActive && s.selectionImage &&
            s.selectionImage->BitCount() != 0) {
            dc.setClipRect(interior, Qt::IntersectClip);
            s.selectionImage->Draw(dc, s.selectionRect.toQRect().translated(interior.topLeft()));
        }
    }
    dc.restore();
}

}  // namespace tarvo
