#include "editor/HueSelection.h"

#include <QRect>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "core/Icon.h"
#include "core/PixelFormats.h"
#include "effects/HueModel.h"
#include "raster/Rasteriser.h"

namespace tarvo {

QImage hueMatchRegion(const TIcon& icon, QPoint cell, int range) {
    const QSize size = icon.GetSize();
    const int w = size.width(), h = size.height();
    QImage out(size, QImage::Format_Grayscale8);
    out.fill(0);
    if (out.isNull() || icon.BitCount() == 0 || !QRect(0, 0, w, h).contains(cell)) return out;
    const bool argb = icon.BitCount() == 32;

    // Each pixel's hue once, -1 for pixels that can never be selected (transparent ones below
    // 32 bits per pixel), since the flood asks about most pixels more than once.
    std::vector<int> hues(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t v = icon.GetPixelValue(x, y);
            const bool opaque = argb || v != Transparent;
            hues[size_t(y) * w + x] = opaque ? RGBToHLS(argb ? rgbToColorValue(v) : v).H : -1;
        }
    const int ref = hues[size_t(cell.y()) * w + cell.x()];
    if (ref < 0) return out;

    const std::vector<uint8_t> region = raster::floodRegion(w, h, cell, [&](int x, int y) {
        const int hue = hues[size_t(y) * w + x];
        if (hue < 0) return false;
        const int d = std::abs(hue - ref);
        return std::min(d, 240 - d) <= range;
    });
    for (int y = 0; y < h; ++y) {
        uchar* row = out.scanLine(y);
        for (int x = 0; x < w; ++x) row[x] = region[size_t(y) * w + x] ? 255 : 0;
    }
    return out;
}

}  // namespace tarvo
