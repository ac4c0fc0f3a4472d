#include "editor/SelectionShapes.h"

#include <QRect>

#include "raster/Rasteriser.h"

namespace tarvo {

namespace {

QImage allOutside(QSize size) {
    QImage mask(size, QImage::Format_Grayscale8);
    mask.fill(255);
    return mask;
}

// Marks the span [x0, x1] of row y inside.
struct MarkInside {
    QImage& mask;
    void operator()(int y, int x0, int x1) const {
        uchar* row = mask.scanLine(y);
        for (int x = x0; x <= x1; ++x) row[x] = 0;
    }
};

}  // namespace

QImage ellipseOutside(QSize size, bool argb) {
    QImage mask = allOutside(size);
    const int w = size.width(), h = size.height();
    if (w <= 0 || h <= 0) return mask;
    if (!argb) {
        const MarkInside inside{mask};
        raster::ellipse(0, 0, w - 1, h - 1, QRect(0, 0, w, h), inside, inside);
        return mask;
    }
    const double rx = w / 2.0, ry = h / 2.0, cx = rx - 0.5, cy = ry - 0.5;
    for (int y = 0; y < h; ++y) {
        uchar* row = mask.scanLine(y);
        const double dy = (y - cy) / ry;
        for (int x = 0; x < w; ++x) {
            const double dx = (x - cx) / rx;
            if (dx * dx + dy * dy <= 1.0) row[x] = 0;
        }
    }
    return mask;
}

QImage polygonOutside(QSize size, std::span<const QPoint> points) {
    QImage mask = allOutside(size);
    if (points.empty() || size.isEmpty()) return mask;
    const QRect clip(QPoint(0, 0), size);
    const MarkInside inside{mask};
    raster::polygonSpans(points, clip, inside);
    auto plot = [&](int x, int y) { inside(y, x, x); };
    for (size_t i = 0; i < points.size(); ++i)
        raster::line(points[i], points[(i + 1) % points.size()], clip, true, plot);
    return mask;
}

QImage outsideOf(const QImage& inside, const QRect& area) {
    const QImage source = inside.convertToFormat(QImage::Format_Grayscale8);
    QImage mask = allOutside(area.size());
    for (int y = 0; y < area.height(); ++y) {
        const int sy = area.top() + y;
        if (sy < 0 || sy >= source.height()) continue;
        const uchar* s = source.constScanLine(sy);
        uchar* m = mask.scanLine(y);
        for (int x = 0; x < area.width(); ++x) {
            const int sx = area.left() + x;
            if (sx >= 0 && sx < source.width() && s[sx]) m[x] = 0;
        }
    }
    return mask;
}

}  // namespace tarvo
