#pragma once

#include <QPoint>
#include <QRect>
#include <QRectF>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <span>
#include <vector>

// Exact integer rasterising for the 1..24-bit planes: the pixels a shape covers, handed to a
// callback, always restricted to a clip rectangle. Work is bounded by the clip, not by the
// coordinates, so shapes far outside the image cost nothing and write nothing.
namespace tarvo::raster {

// Coordinates beyond this are pulled in; products of two such values stay within 64 bits.
inline constexpr int64_t kCoordinateLimit = int64_t{1} << 30;
inline int64_t clampCoordinate(int64_t v) {
    return std::clamp(v, -kCoordinateLimit, kCoordinateLimit);
}

// A line from a towards b: the start point is drawn, the end point only with includeEnd.
// Pixel i along the major axis lies at minor = start + round(i * dminor / dmajor), halves away
// from the start; only the steps whose major coordinate lies inside the clip are visited.
template <class Plot>
void line(QPoint a, QPoint b, const QRect& clip, bool includeEnd, Plot&& plot) {
    const int64_t x0 = clampCoordinate(a.x()), y0 = clampCoordinate(a.y());
    const int64_t x1 = clampCoordinate(b.x()), y1 = clampCoordinate(b.y());
    const int64_t dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
    const int64_t sx = x1 >= x0 ? 1 : -1, sy = y1 >= y0 ? 1 : -1;
    const bool xMajor = dx >= dy;
    const int64_t major = xMajor ? dx : dy, minor = xMajor ? dy : dx;
    const int64_t steps = includeEnd ? major + 1 : major;
    if (steps <= 0 || clip.isEmpty()) return;
    // Steps whose major coordinate falls inside the clip.
    const int64_t m0 = xMajor ? x0 : y0, ms = xMajor ? sx : sy;
    const int64_t lo = xMajor ? clip.left() : clip.top(),
                  hi = xMajor ? clip.right() : clip.bottom();
    int64_t first = ms > 0 ? lo - m0 : m0 - hi;
    int64_t last = ms > 0 ? hi - m0 : m0 - lo;
    first = std::max<int64_t>(first, 0);
    last = std::min<int64_t>(last, steps - 1);
    for (int64_t i = first; i <= last; ++i) {
        const int64_t offset = major == 0 ? 0 : (2 * i * minor + major) / (2 * major);
        const int64_t x = xMajor ? x0 + sx * i : x0 + sx * offset;
        const int64_t y = xMajor ? y0 + sy * offset : y0 + sy * i;
        if (x >= clip.left() && x <= clip.right() && y >= clip.top() && y <= clip.bottom())
            plot(int(x), int(y));
    }
}

// Horizontal spans [x0, x1] of a filled rectangle covering columns left..right and rows
// top..bottom (all inclusive).
template <class Span>
void fillRect(int64_t left, int64_t top, int64_t right, int64_t bottom, const QRect& clip,
              Span&& span) {
    const int64_t l = std::max<int64_t>(left, clip.left()),
                  r = std::min<int64_t>(right, clip.right());
    const int64_t t = std::max<int64_t>(top, clip.top()),
                  b = std::min<int64_t>(bottom, clip.bottom());
    if (l > r) return;
    for (int64_t y = t; y <= b; ++y) span(int(y), int(l), int(r));
}

// The one-pixel outline of the rectangle covering left..right, top..bottom (inclusive).
template <class Span>
void rectOutline(int64_t left, int64_t top, int64_t right, int64_t bottom, const QRect& clip,
                 Span&& span) {
    if (left > right || top > bottom) return;
    fillRect(left, top, right, top, clip, span);
    if (bottom > top) fillRect(left, bottom, right, bottom, clip, span);
    if (bottom - top >= 2) {
        fillRect(left, top + 1, left, bottom - 1, clip, span);
        if (right > left) fillRect(right, top + 1, right, bottom - 1, clip, span);
    }
}

// Ellipses are rasterised in their whole box; boxes wider or higher than this are not drawn.
inline constexpr int64_t kMaxEllipseBox = 1 << 16;

// Per row of the box left..right, top..bottom (inclusive), the outline of the ellipse inscribed
// in it: a left run [leftMost, leftInner] and a right run [rightInner, rightMost], which meet or
// overlap on the rows where the outline is one run. Integer midpoint stepping, exact for even and
// odd box sizes.
struct EllipseRow {
    int64_t leftMost, leftInner, rightInner, rightMost;
};
std::vector<EllipseRow> ellipseRows(int64_t left, int64_t top, int64_t right, int64_t bottom);

// Outline and interior of the ellipse in the inclusive box, clipped: outline(y, x0, x1) for runs
// of outline pixels, interior(y, x0, x1) for the pixels strictly between them.
template <class Outline, class Interior>
void ellipse(int64_t left, int64_t top, int64_t right, int64_t bottom, const QRect& clip,
             Outline&& outline, Interior&& interior) {
    if (left > right || top > bottom || right - left >= kMaxEllipseBox ||
        bottom - top >= kMaxEllipseBox)
        return;
    const std::vector<EllipseRow> rows = ellipseRows(left, top, right, bottom);
    for (int64_t row = 0; row < int64_t(rows.size()); ++row) {
        const int64_t y = top + row;
        const EllipseRow& r = rows[size_t(row)];
        if (r.leftMost > r.rightMost) continue;  // a row the outline never reached
        if (y < clip.top() || y > clip.bottom()) continue;
        auto put = [&](int64_t a, int64_t b, auto& to) {
            a = std::max<int64_t>(a, clip.left());
            b = std::min<int64_t>(b, clip.right());
            if (a <= b) to(int(y), int(a), int(b));
        };
        if (r.leftInner + 1 >= r.rightInner) {
            put(r.leftMost, r.rightMost, outline);
        } else {
            put(r.leftMost, r.leftInner, outline);
            put(r.rightInner, r.rightMost, outline);
            put(r.leftInner + 1, r.rightInner - 1, interior);
        }
    }
}

// Spans of the pixels whose centres lie inside the ellipse inscribed in `box` (real
// coordinates, pixel (x, y) has its centre at (x + 0.5, y + 0.5)).
template <class Span>
void ellipseByCentres(const QRectF& box, const QRect& clip, Span&& span) {
    if (box.width() <= 0 || box.height() <= 0 || box.width() >= kMaxEllipseBox ||
        box.height() >= kMaxEllipseBox)
        return;
    const double cx = box.center().x(), cy = box.center().y();
    const double rx = box.width() / 2, ry = box.height() / 2;
    const int64_t top = std::max<int64_t>(clip.top(), int64_t(std::floor(box.top())));
    const int64_t bottom = std::min<int64_t>(clip.bottom(), int64_t(std::ceil(box.bottom())));
    for (int64_t y = top; y <= bottom; ++y) {
        const double v = (y + 0.5 - cy) / ry;
        if (v * v >= 1) continue;
        const double half = rx * std::sqrt(1 - v * v);
        // Centres strictly inside: x + 0.5 in (cx - half, cx + half).
        const int64_t x0 = int64_t(std::floor(cx - half - 0.5)) + 1;
        const int64_t x1 = int64_t(std::ceil(cx + half - 0.5)) - 1;
        fillRect(x0, y, x1, y, clip, span);
    }
}

// Spans of a polygon by the alternate (even-odd) rule, pixel centres inside.
void polygonSpans(std::span<const QPoint> points, const QRect& clip,
                  const std::function<void(int, int, int)>& span);

// The 4-connected region around `start` of pixels for which inside(x, y) holds, in a w x h
// grid, as one byte per pixel (1 = in the region). Iterative: no recursion, no stack growth.
template <class Inside>
std::vector<uint8_t> floodRegion(int w, int h, QPoint start, Inside&& inside) {
    std::vector<uint8_t> region(size_t(w) * size_t(h), 0);
    if (start.x() < 0 || start.y() < 0 || start.x() >= w || start.y() >= h ||
        !inside(start.x(), start.y()))
        return region;
    struct Seed {
        int x, y;
    };
    std::vector<Seed> stack{{start.x(), start.y()}};
    auto in = [&](int x, int y) { return !region[size_t(y) * w + x] && inside(x, y); };
    while (!stack.empty()) {
        const Seed s = stack.back();
        stack.pop_back();
        if (!in(s.x, s.y)) continue;
        int l = s.x, r = s.x;
        while (l > 0 && in(l - 1, s.y)) --l;
        while (r < w - 1 && in(r + 1, s.y)) ++r;
        std::fill(region.begin() + size_t(s.y) * w + l, region.begin() + size_t(s.y) * w + r + 1,
                  1);
        // One seed per run of region pixels in the rows above and below.
        for (int ny : {s.y - 1, s.y + 1}) {
            if (ny < 0 || ny >= h) continue;
            bool inRun = false;
            for (int x = l; x <= r; ++x) {
                const bool inside_ = in(x, ny);
                if (inside_ && !inRun) stack.push_back({x, ny});
                inRun = inside_;
            }
        }
    }
    return region;
}

}  // namespace tarvo::raster
