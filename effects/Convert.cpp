#include "effects/Convert.h"

#include <QPainter>
#include <algorithm>
#include <climits>
#include <span>
#include <vector>

#include "core/Icon.h"
#include "core/PixelFormats.h"
#include "raster/Errors.h"
#include "raster/Planes.h"

namespace tarvo {

namespace {

// Copies a plane into another, scaled by nearest pixel or at its own size in the corner.
template <class T>
void copyPlane(const QImage& from, QImage& to, bool stretch) {
    const int w = stretch ? to.width() : std::min(from.width(), to.width());
    const int h = stretch ? to.height() : std::min(from.height(), to.height());
    for (int y = 0; y < h; ++y) {
        const int sy = stretch ? int(int64_t(y) * from.height() / to.height()) : y;
        const T* src = reinterpret_cast<const T*>(from.constScanLine(sy));
        T* dst = reinterpret_cast<T*>(to.scanLine(y));
        for (int x = 0; x < w; ++x)
            dst[x] = src[stretch ? int(int64_t(x) * from.width() / to.width()) : x];
    }
}

// Draws a picture into a 32-bit image: scaled smoothly over the whole image, or as it is.
void drawInto(TIcon& target, const QImage& picture, bool stretch) {
    ArgbView& view = target.WorkBitmap();
    QImage canvas = view.bottomUpImage();
    QPainter p(&canvas);
    p.setTransform(view.paintTransform());
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    if (stretch) {
        p.drawImage(QRectF(0, 0, view.width(), view.height()), picture);
    } else {
        p.drawImage(QPoint(0, 0), picture);
    }
}

// Floyd-Steinberg error diffusion over the opaque pixels of a colour plane: each becomes the
// table colour nearest to it plus the error carried so far, and what it misses is carried to the
// neighbours still to come. The wanted colour may leave 0..255 (a light colour beyond the
// table's lightest), so the search is over the table itself rather than a colour cube.
void diffuse(QImage& color, const QImage& mask, std::span<const QRgb> table) {
    const int w = color.width(), h = color.height();
    // Errors of this row and the next, in 1/16 units per channel, with a cell of margin.
    std::vector<std::array<int, 3>> here(static_cast<size_t>(w) + 2), next(here.size());
    for (int y = 0; y < h; ++y) {
        std::fill(next.begin(), next.end(), std::array<int, 3>{});
        auto* row = reinterpret_cast<QRgb*>(color.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const std::array<int, 3>& e = here[size_t(x) + 1];
            if (maskBit(mask.constScanLine(y)[x])) {
                // A transparent pixel shows nothing: what it was owed goes on to the next one.
                for (int c = 0; c < 3; ++c) here[size_t(x) + 2][c] += e[c];
                continue;
            }
            const int want[3] = {std::clamp(qRed(row[x]) + e[0] / 16, -255, 510),
                                 std::clamp(qGreen(row[x]) + e[1] / 16, -255, 510),
                                 std::clamp(qBlue(row[x]) + e[2] / 16, -255, 510)};
            // The nearest entry by squared distance, the lowest index on a tie.
            QRgb got = table[0];
            int64_t best = INT64_MAX;
            for (QRgb t : table) {
                const int64_t dr = want[0] - qRed(t), dg = want[1] - qGreen(t),
                              db = want[2] - qBlue(t);
                const int64_t d = dr * dr + dg * dg + db * db;
                if (d < best) best = d, got = t;
            }
            row[x] = got | 0xFF000000u;
            const int miss[3] = {want[0] - qRed(got), want[1] - qGreen(got), want[2] - qBlue(got)};
            for (int c = 0; c < 3; ++c) {
                here[size_t(x) + 2][c] += miss[c] * 7;
                next[size_t(x)][c] += miss[c] * 3;
                next[size_t(x) + 1][c] += miss[c] * 5;
                next[size_t(x) + 2][c] += miss[c];
            }
        }
        std::swap(here, next);
    }
}

// The colour table of a paletted image, as colours.
std::vector<QRgb> tableOf(TIcon& icon) {
    const int n = 1 << icon.BitCount();
    const uint8_t* t = icon.ColorTable();
    std::vector<QRgb> table(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) table[size_t(i)] = qRgb(t[4 * i + 2], t[4 * i + 1], t[4 * i]);
    return table;
}

}  // namespace

std::array<QRgb, 256> BuildPalette256(const TIcon& icon) {
    std::array<QRgb, 256> table{};
    const int bits = icon.BitCount();
    if (bits == 8) {
        const uint8_t* t = icon.ColorTable();
        for (int i = 0; i < 256; ++i) table[i] = qRgb(t[4 * i + 2], t[4 * i + 1], t[4 * i]);
        return table;
    }
    int used = 1;  // entry 0, black
    table[0] = qRgb(0, 0, 0);
    const QSize size = icon.GetSize();
    const QImage argb = icon.imageToArgb(icon.CurrentIndex());
    for (int y = 0; y < size.height() && used < 256; ++y)
        for (int x = 0; x < size.width() && used < 256; ++x) {
            const QRgb c = argb.pixel(x, y);
            if (qAlpha(c) != 255) continue;  // transparent, inverse, or not fully opaque
            const QRgb opaque = c | 0xFF000000u;
            if (std::find(table.begin(), table.begin() + used, opaque) == table.begin() + used)
                table[size_t(used++)] = opaque;
        }
    return table;
}

void ConvertImage(TIcon& icon, int width, int height, int bits, bool stretch, bool dither) {
    const int from = icon.BitCount();
    if (from == 0) return;
    TIcon target;
    target.AddImage(width, height, bits);
    if (bits == 8) {
        const std::array<QRgb, 256> table = BuildPalette256(icon);
        uint8_t* t = target.ColorTable();
        for (int i = 0; i < 256; ++i) {
            t[4 * i] = uint8_t(qBlue(table[i]));
            t[4 * i + 1] = uint8_t(qGreen(table[i]));
            t[4 * i + 2] = uint8_t(qRed(table[i]));
            t[4 * i + 3] = 0;
        }
        target.SelectImage(0);
    }
    const QSize size = icon.GetSize();
    if (from == 32 && bits == 32) {
        drawInto(target, icon.WorkBitmap().toImage(), stretch);
    } else if (from == 32) {
        // The paletted side of a 32-bit picture: alpha 0 is transparent.
        const QImage argb = icon.WorkBitmap().toImage();
        QImage color = argb.convertToFormat(QImage::Format_RGB32);
        QImage mask = createMaskPlane(size.width(), size.height());
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                if (qAlpha(argb.pixel(x, y)) == 0) mask.scanLine(y)[x] = kMaskSet;
        copyPlane<QRgb>(color, target.ColorBitmap(), stretch);
        copyPlane<uchar>(mask, target.MaskBitmap(), stretch);
        if (dither && bits <= 8)
            diffuse(target.ColorBitmap(), target.MaskBitmap(), tableOf(target));
        target.StoreImage();
        target.SelectImage(0);
        target.ClearTransparentPixels();
    } else if (bits != 32) {
        copyPlane<QRgb>(icon.ColorBitmap(), target.ColorBitmap(), stretch);
        copyPlane<uchar>(icon.MaskBitmap(), target.MaskBitmap(), stretch);
        if (dither && bits <= 8)
            diffuse(target.ColorBitmap(), target.MaskBitmap(), tableOf(target));
        target.StoreImage();
        target.SelectImage(0);
    } else {
        drawInto(target, icon.ColorBitmap().convertToFormat(QImage::Format_ARGB32), stretch);
        // Pixels whose source pixel is masked become transparent, keeping their colour. When
        // stretched, the source pixel is the one under the target pixel's centre, where the
        // smooth scaling takes its colour; it always lies inside the source.
        const auto source = [stretch](int t, int targetSide, int sourceSide) {
            return stretch ? int((2 * int64_t(t) + 1) * sourceSide / (2 * int64_t(targetSide))) : t;
        };
        const QImage& mask = icon.MaskBitmap();
        for (int y = 0; y < height; ++y) {
            const int my = source(y, height, size.height());
            if (my >= size.height()) continue;  // padding, transparent already
            for (int x = 0; x < width; ++x) {
                const int mx = source(x, width, size.width());
                if (mx >= size.width()) continue;
                if (maskBit(mask.constScanLine(my)[mx]))
                    target.WorkBitmap().setPixel(x, y,
                                                 target.WorkBitmap().pixel(x, y) & 0x00FFFFFFu);
            }
        }
    }
    // The converted image takes the place of the current one.
    const IconEntry converted = target.entry(0);
    const uint8_t* bytes = target.ImageBlock() + converted.imageOffset;
    icon.ChangeFormat(width, height, bits);
    std::copy_n(bytes, converted.bytesInRes,
                icon.ImageBlock() + icon.entry(icon.CurrentIndex()).imageOffset);
    icon.SelectImage(icon.CurrentIndex());
}

}  // namespace tarvo
