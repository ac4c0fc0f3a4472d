// Geometric transforms of the current image.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "core/Contract.h"
#include "core/Icon.h"
#include "raster/Planes.h"

namespace tarvo {

namespace {

constexpr QRgb kOpaqueBlack = 0xFF000000u;

// Moves the w x h pixels of `bytes` bytes each by (dx, dy), one of the four unit steps, and
// fills the freed line with `fill`. Rows are reached through row(y), so planes and the
// bottom-up 32-bit rows are handled alike; moving pixels is exact where painting may blend.
template <class Row, class Pixel>
void shiftPixels(Row&& row, int w, int h, int dx, int dy, Pixel fill) {
    const size_t bytes = sizeof(Pixel);
    auto fillRow = [&](int y) {
        Pixel* p = reinterpret_cast<Pixel*>(row(y));
        std::fill(p, p + w, fill);
    };
    if (dy < 0) {
        for (int y = 0; y + 1 < h; ++y) std::memcpy(row(y), row(y + 1), size_t(w) * bytes);
        fillRow(h - 1);
    } else if (dy > 0) {
        for (int y = h - 1; y > 0; --y) std::memcpy(row(y), row(y - 1), size_t(w) * bytes);
        fillRow(0);
    } else {
        for (int y = 0; y < h; ++y) {
            Pixel* p = reinterpret_cast<Pixel*>(row(y));
            if (dx < 0) {
                std::memmove(p, p + 1, size_t(w - 1) * bytes);
                p[w - 1] = fill;
            } else {
                std::memmove(p + 1, p, size_t(w - 1) * bytes);
                p[0] = fill;
            }
        }
    }
}

void store(TIcon& icon) {
    icon.StoreImage();
    icon.SelectImage(icon.CurrentIndex());
}

// Calls edit(row, w, h, clear) on every plane of the current image: WorkBitmap on 32-bit images,
// otherwise the colour plane and then the mask, committed together afterwards so that a
// transparent or inverse pixel moves as one. row(y) points at row y from the top, typed as the
// plane's pixels; `clear` is the plane's transparent pixel.
template <class Edit>
void editPlanes(TIcon& icon, Edit&& edit) {
    const int bits = icon.BitCount();
    TARVO_EXPECT(bits != 0);
    const int w = icon.GetSize().width(), h = icon.GetSize().height();
    if (bits == 32) {
        ArgbView& argb = icon.WorkBitmap();
        edit([&](int y) { return argb.scanLine(y); }, w, h, QRgb{0});
        return;
    }
    QImage& color = icon.ColorBitmap();
    QImage& mask = icon.MaskBitmap();
    edit([&](int y) { return reinterpret_cast<QRgb*>(color.scanLine(y)); }, w, h, kOpaqueBlack);
    edit([&](int y) { return mask.scanLine(y); }, w, h, kMaskSet);
    store(icon);
}

void shift(TIcon& icon, int dx, int dy) {
    editPlanes(icon,
               [&](auto row, int w, int h, auto clear) { shiftPixels(row, w, h, dx, dy, clear); });
}

void quarterTurn(TIcon& icon, bool left) {
    const int bits = icon.BitCount();
    TARVO_EXPECT(bits != 0);
    const int w = icon.GetSize().width(), h = icon.GetSize().height();
    // The pixels as they were: the planes are rebuilt at the new size, or written over when the
    // image is square. Sharing the planes is enough, writing to them detaches them.
    const QImage color = bits == 32 ? icon.WorkBitmap().toImage() : icon.ColorBitmap();
    const QImage mask = bits == 32 ? QImage() : icon.MaskBitmap();
    if (w != h) icon.ChangeFormat(h, w, bits);
    editPlanes(icon, [&](auto row, int, int, auto clear) {
        using Pixel = decltype(clear);
        const QImage& from = sizeof(Pixel) == 1 ? mask : color;
        std::vector<const Pixel*> rows(size_t(h), nullptr);
        for (int y = 0; y < h; ++y)
            rows[size_t(y)] = reinterpret_cast<const Pixel*>(from.constScanLine(y));
        // The new image is h wide and w high.
        for (int y = 0; y < w; ++y) {
            Pixel* out = row(y);
            for (int x = 0; x < h; ++x)
                out[x] = left ? rows[size_t(x)][w - 1 - y] : rows[size_t(h - 1 - x)][y];
        }
    });
}

// Pixel (x, y) covers the unit square whose top-left corner is (x, y); the rotation turns about
// the point (w / 2, h / 2), which on even sizes is the middle of the image, so that turns by
// multiples of 90 degrees there are exact permutations. Each target pixel takes what lies under
// its centre: source position (ax + x * c, ay - x * s) for row y.
struct Turn {
    double c, s;  // cosine and sine of the angle; clockwise on screen, y pointing down
    double cx, cy;
    double ax(int y) const { return cx + (0.5 - cx) * c + (y + 0.5 - cy) * s; }
    double ay(int y) const { return cy - (0.5 - cx) * s + (y + 0.5 - cy) * c; }
};

Turn turnFor(double degrees, int w, int h) {
    double a = std::fmod(degrees, 360.0);
    if (a < 0) a += 360.0;
    // Quarter turns without rounding error, which would move whole rows by a pixel.
    const double exact[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
    if (a == 0 || a == 90 || a == 180 || a == 270) {
        const auto& e = exact[int(a) / 90];
        return {e[0], e[1], double(w / 2), double(h / 2)};
    }
    const double r = a * std::numbers::pi / 180.0;
    return {std::cos(r), std::sin(r), double(w / 2), double(h / 2)};
}

// Bilinear resampling in premultiplied form, so that transparent neighbours add no colour;
// samples outside the image are transparent, which softens the edges. Sample points that meet a
// pixel exactly copy it, alpha and colour unchanged.
void rotateArgb(ArgbView& argb, const Turn& t) {
    const int w = argb.width(), h = argb.height();
    const QImage source = argb.toImage();
    auto at = [&](int x, int y) -> QRgb {
        if (x < 0 || y < 0 || x >= w || y >= h) return 0;
        return reinterpret_cast<const QRgb*>(source.constScanLine(y))[x];
    };
    for (int y = 0; y < h; ++y) {
        QRgb* out = argb.scanLine(y);
        const double ax = t.ax(y) - 0.5, ay = t.ay(y) - 0.5;
        for (int x = 0; x < w; ++x) {
            const double u = ax + x * t.c, v = ay - x * t.s;
            const double fu = std::floor(u), fv = std::floor(v);
            if (fu < -1 || fv < -1 || fu >= w || fv >= h) {
                out[x] = 0;
                continue;
            }
            const int x0 = int(fu), y0 = int(fv);
            const double dx = u - fu, dy = v - fv;
            if (dx == 0 && dy == 0) {
                out[x] = at(x0, y0);
                continue;
            }
            const QRgb taps[4] = {at(x0, y0), at(x0 + 1, y0), at(x0, y0 + 1), at(x0 + 1, y0 + 1)};
            const double weights[4] = {(1 - dx) * (1 - dy), dx * (1 - dy), (1 - dx) * dy, dx * dy};
            double a = 0, r = 0, g = 0, b = 0;
            for (int i = 0; i < 4; ++i) {
                const double wa = weights[i] * qAlpha(taps[i]);
                a += wa;
                r += wa * qRed(taps[i]);
                g += wa * qGreen(taps[i]);
                b += wa * qBlue(taps[i]);
            }
            const int alpha = int(std::lround(a));
            out[x] = alpha == 0 ? 0
                                : qRgba(int(std::lround(r / a)), int(std::lround(g / a)),
                                        int(std::lround(b / a)), alpha);
        }
    }
}

// Nearest pixel on both planes; what is uncovered, or transparent or inverse in the source,
// comes out transparent over black.
void rotatePlanes(TIcon& icon, const Turn& t) {
    const int w = icon.GetSize().width(), h = icon.GetSize().height();
    const QImage color = icon.ColorBitmap(), mask = icon.MaskBitmap();  // detached on writing
    QImage& newColor = icon.ColorBitmap();
    QImage& newMask = icon.MaskBitmap();
    for (int y = 0; y < h; ++y) {
        QRgb* c = reinterpret_cast<QRgb*>(newColor.scanLine(y));
        uchar* m = newMask.scanLine(y);
        const double ax = t.ax(y), ay = t.ay(y);
        for (int x = 0; x < w; ++x) {
            const double u = std::floor(ax + x * t.c), v = std::floor(ay - x * t.s);
            const bool inside = u >= 0 && v >= 0 && u < w && v < h;
            const uchar bit = inside ? mask.constScanLine(int(v))[int(u)] : kMaskSet;
            m[x] = bit;
            c[x] = maskBit(bit)
                       ? kOpaqueBlack
                       : reinterpret_cast<const QRgb*>(color.constScanLine(int(v)))[int(u)];
        }
    }
    store(icon);
}

}  // namespace

void TIcon::ShiftLeft() {
    shift(*this, -1, 0);
}

void TIcon::ShiftRight() {
    shift(*this, 1, 0);
}

void TIcon::ShiftUp() {
    shift(*this, 0, -1);
}

void TIcon::ShiftDown() {
    shift(*this, 0, 1);
}

void TIcon::FlipVertical() {
    editPlanes(*this, [](auto row, int w, int h, auto) {
        for (int y = 0, z = h - 1; y < z; ++y, --z) std::swap_ranges(row(y), row(y) + w, row(z));
    });
}

void TIcon::FlipHorizontal() {
    editPlanes(*this, [](auto row, int w, int h, auto) {
        for (int y = 0; y < h; ++y) std::reverse(row(y), row(y) + w);
    });
}

void TIcon::RotateLeft() {
    quarterTurn(*this, true);
}

void TIcon::RotateRight() {
    quarterTurn(*this, false);
}

void TIcon::Rotate(double degrees) {
    const int bits = BitCount();
    TARVO_EXPECT(bits != 0 && std::isfinite(degrees));
    const Turn t = turnFor(degrees, GetSize().width(), GetSize().height());
    if (bits == 32)
        rotateArgb(WorkBitmap(), t);
    else
        rotatePlanes(*this, t);
}

}  // namespace tarvo
