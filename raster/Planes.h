#pragma once

#include <QImage>

namespace tarvo {

// The working planes of a paletted/16/24-bit image. The colour plane is opaque RGB32; the mask
// plane holds one byte per pixel, 0x00 for mask bit 0 (opaque) and 0xFF for mask bit 1, so byte
// AND/OR/XOR act like the bit operations and the plane can be painted on and looked at.
inline constexpr uchar kMaskClear = 0x00;
inline constexpr uchar kMaskSet = 0xFF;

// Opaque black colour plane of w x h. Throws EOutOfResources when it cannot be allocated.
QImage createColorPlane(int w, int h);
// Mask plane of w x h with every byte set to `fill`. Throws EOutOfResources.
QImage createMaskPlane(int w, int h, uchar fill = kMaskClear);
// Non-premultiplied ARGB raster of w x h, every pixel 0. Throws EOutOfResources.
QImage createArgbRaster(int w, int h);

// A mask byte counts as bit 1 from half intensity up, like the monochrome rule for colours.
inline bool maskBit(uchar v) {
    return v >= 0x80;
}

}  // namespace tarvo
