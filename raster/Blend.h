#pragma once

#include <QRgb>
#include <cstdint>

namespace tarvo {

// Source-over of non-premultiplied ARGB values, computed exactly and rounded once: an opaque
// source replaces, a transparent one leaves the destination, and alpha-0 destinations take the
// source as it is.
inline QRgb blendSourceOver(QRgb dst, QRgb src) {
    const uint32_t sa = qAlpha(src);
    if (sa == 255) return src;
    if (sa == 0) return dst;
    const uint32_t da = qAlpha(dst);
    // Alphas scaled by 255: out = sa + da (255 - sa) / 255.
    const uint32_t a = sa * 255 + da * (255 - sa);
    auto channel = [&](uint32_t s, uint32_t d) {
        return (s * sa * 255 + d * da * (255 - sa) + a / 2) / a;
    };
    return qRgba(int(channel(qRed(src), qRed(dst))), int(channel(qGreen(src), qGreen(dst))),
                 int(channel(qBlue(src), qBlue(dst))), int((a + 127) / 255));
}

}  // namespace tarvo
