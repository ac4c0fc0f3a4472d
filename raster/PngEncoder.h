#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

namespace tarvo {

// A PNG of a picture, made for speed: 8 bits per channel, RGBA, or RGB when every pixel is
// opaque; each row filtered with None, Sub or Up, whichever leaves the smallest sum; deflated by
// libdeflate at a low level. Any format is taken (converted to ARGB first when it is not ARGB32
// or RGB32); the pixels read back are those of image.convertToFormat(ARGB32). Safe to call from
// several threads at once.
std::vector<uint8_t> encodePng(const QImage& image);

}  // namespace tarvo
