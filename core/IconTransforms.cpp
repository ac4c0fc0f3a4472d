// Geometric transforms of the current image.
#include <algorithm>
#include <cstring>

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

void shift(TIcon& icon, int dx, int dy) {
    const int bits = icon.BitCount();
    TARVO_EXPECT(bits != 0);
    const QSize size = icon.GetSize();
    const int w = size.width(), h = size.height();
    if (bits == 32) {
        ArgbView& argb = icon.WorkBitmap();
        shiftPixels([&](int y) { return argb.scanLine(y); }, w, h, dx, dy, QRgb{0});
        return;
    }
    // Both planes together, so a transparent or inverse pixel moves as one.
    QImage& color = icon.ColorBitmap();
    QImage& mask = icon.MaskBitmap();
    shiftPixels([&](int y) { return color.scanLine(y); }, w, h, dx, dy, kOpaqueBlack);
    shiftPixels([&](int y) { return mask.scanLine(y); }, w, h, dx, dy, kMaskSet);
    icon.StoreImage();
    icon.SelectImage(icon.CurrentIndex());
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

}  // namespace tarvo
