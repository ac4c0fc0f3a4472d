#include "raster/Rasteriser.h"

#include <limits>

namespace tarvo::raster {

std::vector<EllipseRow> ellipseRows(int64_t left, int64_t top, int64_t right, int64_t bottom) {
    constexpr int64_t none = std::numeric_limits<int64_t>::max();
    std::vector<EllipseRow> rows(size_t(bottom - top + 1), EllipseRow{none, -none, none, -none});
    auto leftPixel = [&](int64_t x, int64_t y) {
        EllipseRow& r = rows[size_t(y - top)];
        r.leftMost = std::min(r.leftMost, x);
        r.leftInner = std::max(r.leftInner, x);
    };
    auto rightPixel = [&](int64_t x, int64_t y) {
        EllipseRow& r = rows[size_t(y - top)];
        r.rightInner = std::min(r.rightInner, x);
        r.rightMost = std::max(r.rightMost, x);
    };

    // Midpoint stepping over the four quadrants at once, for an ellipse whose diameters are the
    // box's width - 1 and height - 1 (so that it touches every side of the box).
    int64_t x0 = left, x1 = right, y0 = top, y1 = bottom;
    int64_t a = x1 - x0, b = y1 - y0;
    const int64_t b1 = b & 1;
    int64_t dx = 4 * (1 - a) * b * b, dy = 4 * (b1 + 1) * a * a;
    int64_t err = dx + dy + b1 * a * a;
    y0 += (b + 1) / 2;
    y1 = y0 - b1;
    a *= 8 * a;
    const int64_t bb = 8 * b * b;
    do {
        rightPixel(x1, y0);
        leftPixel(x0, y0);
        leftPixel(x0, y1);
        rightPixel(x1, y1);
        const int64_t e2 = 2 * err;
        if (e2 <= dy) {
            ++y0;
            --y1;
            err += dy += a;
        }
        if (e2 >= dx || 2 * err > dy) {
            ++x0;
            --x1;
            err += dx += bb;
        }
    } while (x0 <= x1);
    // Flat ellipses stop early: finish their tips.
    while (y0 - y1 <= b && y0 <= bottom && y1 >= top) {
        leftPixel(x0 - 1, y0);
        rightPixel(x1 + 1, y0++);
        leftPixel(x0 - 1, y1);
        rightPixel(x1 + 1, y1--);
    }
    // A row only one side reached gets the other side mirrored from it.
    for (EllipseRow& r : rows) {
        if (r.leftMost == none && r.rightMost != -none) {
            r.leftMost = left + right - r.rightMost;
            r.leftInner = left + right - r.rightInner;
        } else if (r.rightMost == -none && r.leftMost != none) {
            r.rightMost = left + right - r.leftMost;
            r.rightInner = left + right - r.leftInner;
        }
    }
    return rows;
}

void polygonSpans(std::span<const QPoint> points, const QRect& clip,
                  const std::function<void(int, int, int)>& span) {
    if (points.size() < 3 || clip.isEmpty()) return;
    int64_t top = kCoordinateLimit, bottom = -kCoordinateLimit;
    for (QPoint p : points) {
        top = std::min(top, clampCoordinate(p.y()));
        bottom = std::max(bottom, clampCoordinate(p.y()));
    }
    top = std::max<int64_t>(top, clip.top());
    bottom = std::min<int64_t>(bottom, clip.bottom());
    std::vector<double> crossings;
    for (int64_t y = top; y <= bottom; ++y) {
        const double yc = double(y) + 0.5;
        crossings.clear();
        for (size_t i = 0; i < points.size(); ++i) {
            const QPoint p = points[i], q = points[(i + 1) % points.size()];
            const double py = double(clampCoordinate(p.y())), qy = double(clampCoordinate(q.y()));
            if ((py <= yc && yc < qy) || (qy <= yc && yc < py)) {
                const double px = double(clampCoordinate(p.x())),
                             qx = double(clampCoordinate(q.x()));
                crossings.push_back(px + (yc - py) * (qx - px) / (qy - py));
            }
        }
        std::sort(crossings.begin(), crossings.end());
        for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
            // Pixels whose centre x + 0.5 lies in [from, to).
            const int64_t x0 = int64_t(std::ceil(crossings[i] - 0.5));
            const int64_t x1 = int64_t(std::ceil(crossings[i + 1] - 0.5)) - 1;
            fillRect(x0, y, x1, y, clip, span);
        }
    }
}

}  // namespace tarvo::raster
