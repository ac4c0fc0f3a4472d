#include "raster/PngEncoder.h"

#include "plain/PlainIcons.h"

namespace tarvo {

std::vector<uint8_t> encodePng(const QImage& source) {
    const QImage image = source.format() == QImage::Format_ARGB32
                             ? source
                             : source.convertToFormat(QImage::Format_ARGB32);
    return plain::encodePng(reinterpret_cast<const uint32_t*>(image.constBits()), image.width(),
                            image.height(), size_t(image.bytesPerLine()) / 4);
}

}  // namespace tarvo
