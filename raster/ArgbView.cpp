#include "raster/ArgbView.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "raster/Planes.h"

namespace tarvo {

ArgbView::ArgbView(uchar* rows, int width, int height)
    : rows_(rows), width_(width), height_(height) {
    if (rows == nullptr || width <= 0 || height <= 0)
        throw std::invalid_argument("ArgbView needs memory and a positive size");
    if (reinterpret_cast<std::uintptr_t>(rows) % alignof(QRgb) != 0)
        throw std::invalid_argument("ArgbView rows must be 4-byte aligned");
}

QImage ArgbView::bottomUpImage() const {
    return QImage(rows_, width_, height_, width_ * 4, QImage::Format_ARGB32);
}

QImage ArgbView::toImage() const {
    QImage image = createArgbRaster(width_, height_);
    for (int y = 0; y < height_; ++y)
        std::memcpy(image.scanLine(y), scanLine(y), static_cast<size_t>(width_) * 4);
    return image;
}

}  // namespace tarvo
