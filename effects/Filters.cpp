#include "effects/Filters.h"

#include <QRgb>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "core/Contract.h"
#include "core/Icon.h"
#include "raster/Planes.h"

namespace tarvo {

namespace {

// The current image's rows, top-down: the colour plane with its mask below 32 bits, the block's
// own ARGB rows at 32. Row pointers are taken once so the inner loops stay plain array access.
struct Pixels {
    int w = 0, h = 0;
    bool argb = false;
    std::vector<QRgb*> rows;
    std::vector<const uchar*> masks;  // empty at 32 bits

    // Below 32 bits: the mask bit is clear. At 32 bits every pixel takes part.
    bool opaque(int x, int y) const { return argb || !maskBit(masks[size_t(y)][x]); }
};

Pixels pixelsOf(TIcon& icon) {
    Pixels p;
    const QSize size = icon.GetSize();
    p.w = size.width();
    p.h = size.height();
    p.argb = icon.BitCount() == 32;
    p.rows.resize(size_t(p.h));
    if (p.argb) {
        ArgbView& view = icon.WorkBitmap();
        for (int y = 0; y < p.h; ++y) p.rows[size_t(y)] = view.scanLine(y);
    } else {
        QImage& color = icon.ColorBitmap();
        const QImage& mask = icon.MaskBitmap();
        p.masks.resize(size_t(p.h));
        for (int y = 0; y < p.h; ++y) {
            p.rows[size_t(y)] = reinterpret_cast<QRgb*>(color.scanLine(y));
            p.masks[size_t(y)] = mask.constScanLine(y);
        }
    }
    return p;
}

// The planes are only a working copy below 32 bits: write them back at the image's depth.
void finish(TIcon& icon) {
    if (icon.BitCount() == 32) return;
    icon.StoreImage();
    icon.SelectImage(icon.CurrentIndex());
}

int clampChannel(int v) {
    return std::clamp(v, 0, 255);
}

// Channel sums of a set of pixels and how many there are.
struct Sums {
    int n = 0, a = 0, r = 0, g = 0, b = 0;
    Sums& operator+=(const Sums& o) {
        n += o.n, a += o.a, r += o.r, g += o.g, b += o.b;
        return *this;
    }
    Sums& operator-=(const Sums& o) {
        n -= o.n, a -= o.a, r -= o.r, g -= o.g, b -= o.b;
        return *this;
    }
};

Sums sample(QRgb c) {
    return {1, qAlpha(c), qRed(c), qGreen(c), qBlue(c)};
}

// 5 x 5 colour matrix in row-vector form: rows are the inputs R, G, B, A and the constant 1,
// columns the outputs R, G, B, A and the constant. Channels are in 0..255, so the constant row
// is scaled by 255 (+1 adds full intensity).
using ColorMatrix = std::array<std::array<float, 5>, 5>;

constexpr ColorMatrix kIdentity = {
    {{1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 0, 1, 0}, {0, 0, 0, 0, 1}}};

// Every pixel, whatever its alpha, each output rounded to nearest and clamped.
void applyMatrix(const Pixels& p, const ColorMatrix& m) {
    for (int y = 0; y < p.h; ++y) {
        QRgb* row = p.rows[size_t(y)];
        for (int x = 0; x < p.w; ++x) {
            const float in[5] = {float(qRed(row[x])), float(qGreen(row[x])), float(qBlue(row[x])),
                                 float(qAlpha(row[x])), 255.0f};
            int out[4];
            for (size_t j = 0; j < 4; ++j) {
                float v = 0;
                for (size_t i = 0; i < 5; ++i) v += in[i] * m[i][j];
                out[j] = clampChannel(int(std::lround(v)));
            }
            row[x] = qRgba(out[0], out[1], out[2], out[3]);
        }
    }
}

}  // namespace

void Blur(TIcon& target, int size) {
    TARVO_EXPECT(target.BitCount() != 0 && size >= 1 && size % 2 == 1);
    const Pixels p = pixelsOf(target);
    const int r = (size - 1) / 2;
    // A naive window costs size² reads per pixel. Instead keep, per column, the sums over the
    // rows of the current window and slide a row sum along them; a pixel's change is added to
    // both, so every window sees the values already written before it, as the scan order wants.
    auto contribution = [&](int x, int y) {
        return p.opaque(x, y) ? sample(p.rows[size_t(y)][x]) : Sums{};
    };
    std::vector<Sums> column(size_t(p.w));
    auto addRow = [&](int y) {
        for (int x = 0; x < p.w; ++x) column[size_t(x)] += contribution(x, y);
    };
    auto removeRow = [&](int y) {
        for (int x = 0; x < p.w; ++x) column[size_t(x)] -= contribution(x, y);
    };
    for (int y = 0; y < std::min(r, p.h - 1) + 1; ++y) addRow(y);
    for (int y = 0; y < p.h; ++y) {
        if (y > 0) {
            if (y - r - 1 >= 0) removeRow(y - r - 1);
            if (y + r < p.h) addRow(y + r);
        }
        QRgb* row = p.rows[size_t(y)];
        Sums window;
        for (int x = 0; x <= std::min(r, p.w - 1); ++x) window += column[size_t(x)];
        for (int x = 0; x < p.w; ++x) {
            if (p.opaque(x, y)) {
                const Sums old = sample(row[x]);
                const int n = window.n;  // at least the pixel itself
                row[x] = p.argb ? qRgba(window.r / n, window.g / n, window.b / n, window.a / n)
                                : qRgb(window.r / n, window.g / n, window.b / n);
                Sums change = sample(row[x]);
                change -= old;
                column[size_t(x)] += change;
                window += change;
            }
            if (x + r + 1 < p.w) window += column[size_t(x + r + 1)];
            if (x - r >= 0) window -= column[size_t(x - r)];
        }
    }
    finish(target);
}

void GrayScale(TIcon& target) {
    TARVO_EXPECT(target.BitCount() != 0);
    const Pixels p = pixelsOf(target);
    if (p.argb) {
        // Luminance weights; they add up to 1, so white stays white.
        ColorMatrix m = kIdentity;
        for (size_t j = 0; j < 3; ++j) m[0][j] = 0.309f, m[1][j] = 0.609f, m[2][j] = 0.082f;
        applyMatrix(p, m);
        return;
    }
    for (int y = 0; y < p.h; ++y) {
        QRgb* row = p.rows[size_t(y)];
        for (int x = 0; x < p.w; ++x) {
            if (!p.opaque(x, y)) continue;
            const int g = (qRed(row[x]) + qGreen(row[x]) + qBlue(row[x])) / 3;
            row[x] = qRgb(g, g, g);
        }
    }
    finish(target);
}

void InvertColors(TIcon& target, bool red, bool green, bool blue) {
    TARVO_EXPECT(target.BitCount() != 0);
    if (!red && !green && !blue) return;
    const Pixels p = pixelsOf(target);
    if (p.argb) {
        ColorMatrix m = kIdentity;
        const bool chosen[3] = {red, green, blue};
        for (size_t c = 0; c < 3; ++c)
            if (chosen[c]) m[c][c] = -1, m[4][c] = 1;
        applyMatrix(p, m);
        return;
    }
    const QRgb flip = (red ? 0xFF0000u : 0u) | (green ? 0x00FF00u : 0u) | (blue ? 0x0000FFu : 0u);
    for (int y = 0; y < p.h; ++y) {
        QRgb* row = p.rows[size_t(y)];
        for (int x = 0; x < p.w; ++x)
            if (p.opaque(x, y)) row[x] ^= flip;
    }
    finish(target);
}

void Sharpen(TIcon& target) {
    TARVO_EXPECT(target.BitCount() != 0);
    const Pixels p = pixelsOf(target);
    auto channel = [](int centre, int up, int left, int right, int down) {
        return clampChannel((6 * centre - up - left - right - down) / 2);
    };
    // Border pixels lack a neighbour, so only the interior can change. Rows above and pixels to
    // the left are read after they were sharpened: this runs in place.
    for (int y = 1; y < p.h - 1; ++y) {
        const QRgb* up = p.rows[size_t(y - 1)];
        QRgb* row = p.rows[size_t(y)];
        const QRgb* down = p.rows[size_t(y + 1)];
        for (int x = 1; x < p.w - 1; ++x) {
            if (!(p.opaque(x, y - 1) && p.opaque(x - 1, y) && p.opaque(x + 1, y) &&
                  p.opaque(x, y + 1) && p.opaque(x, y)))
                continue;
            const QRgb c = row[x], u = up[x], l = row[x - 1], r = row[x + 1], d = down[x];
            row[x] = qRgba(channel(qRed(c), qRed(u), qRed(l), qRed(r), qRed(d)),
                           channel(qGreen(c), qGreen(u), qGreen(l), qGreen(r), qGreen(d)),
                           channel(qBlue(c), qBlue(u), qBlue(l), qBlue(r), qBlue(d)), qAlpha(c));
        }
    }
    finish(target);
}

void Emboss(TIcon& target) {
    TARVO_EXPECT(target.BitCount() != 0);
    const Pixels p = pixelsOf(target);
    if (p.w <= 2 || p.h <= 2) return;
    // Reads come from a copy, so the result does not depend on the scan order.
    std::vector<QRgb> source(size_t(p.w) * size_t(p.h));
    for (int y = 0; y < p.h; ++y)
        std::copy_n(p.rows[size_t(y)], p.w, source.begin() + ptrdiff_t(y) * p.w);
    auto at = [&](int x, int y) { return source[size_t(y) * size_t(p.w) + size_t(x)]; };
    auto strength = [](int (*channel)(QRgb), QRgb ne, QRgb sw, QRgb se, QRgb nw, QRgb n, QRgb s,
                       QRgb e, QRgb w) {
        return std::max({std::abs(channel(ne) - channel(sw)), std::abs(channel(se) - channel(nw)),
                         std::abs(channel(n) - channel(s)), std::abs(channel(e) - channel(w))});
    };
    for (int y = 1; y < p.h - 1; ++y) {
        QRgb* row = p.rows[size_t(y)];
        for (int x = 1; x < p.w - 1; ++x) {
            if (p.argb ? qAlpha(row[x]) == 0 : !p.opaque(x, y)) continue;
            const QRgb ne = at(x + 1, y - 1), sw = at(x - 1, y + 1), se = at(x + 1, y + 1),
                       nw = at(x - 1, y - 1), n = at(x, y - 1), s = at(x, y + 1), e = at(x + 1, y),
                       w = at(x - 1, y);
            row[x] = qRgba(strength(qRed, ne, sw, se, nw, n, s, e, w),
                           strength(qGreen, ne, sw, se, nw, n, s, e, w),
                           strength(qBlue, ne, sw, se, nw, n, s, e, w), qAlpha(row[x]));
        }
    }
    finish(target);
}

}  // namespace tarvo
