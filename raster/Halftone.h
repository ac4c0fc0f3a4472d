#pragma once

#include <QRgb>
#include <array>

namespace tarvo {

// The fixed 256-entry halftone palette that new 8-bit images get as their colour table:
//   0..9     the first ten static colours (black, the dark primaries, light grey, money green,
//            sky blue),
//   10..225  the 6 x 6 x 6 colour cube at levels 0, 51, 102, 153, 204, 255, red varying fastest,
//   226..245 twenty greys between the cube's levels (round(k * 255 / 21), k = 1..20),
//   246..255 the last ten static colours (cream, medium grey, dark grey, the bright primaries,
//            white).
// Entries are opaque 0xFFRRGGBB values.
const std::array<QRgb, 256>& halftonePalette();

}  // namespace tarvo
