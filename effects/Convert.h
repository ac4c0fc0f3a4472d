#pragma once

#include <QRgb>
#include <array>

namespace tarvo {

class TIcon;

// The 256-entry table a new 8-bit image gets from the current image: an 8-bit image's own table;
// otherwise black, then the colours of the opaque pixels (alpha 255 on 32-bit images) in the
// order met, row by row from the top, until 256 are in use. Unused entries are 0.
std::array<QRgb, 256> BuildPalette256(const TIcon& icon);

// Gives the current image a new size and bit count. With `stretch` the whole picture is scaled
// to the new size (smoothly into 32-bit targets, by nearest pixel between paletted planes);
// without, it is copied to the top-left corner, cut off or padded with transparent pixels.
// With `dither`, a reduction to 1, 4 or 8 bits diffuses each pixel's error to its neighbours
// (Floyd and Steinberg), so that colours the table lacks are kept on average; without it every
// pixel takes its nearest table colour. Undo and the views are the caller's.
void ConvertImage(TIcon& icon, int width, int height, int bits, bool stretch, bool dither = false);

}  // namespace tarvo
