#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

namespace tarvo {

// A PNG of a picture, made for speed (see plain::encodePng). Any format is taken; the pixels
// read back are those of image.convertToFormat(ARGB32). Safe to call from several threads.
std::vector<uint8_t> encodePng(const QImage& image);

}  // namespace tarvo
