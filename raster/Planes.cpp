#include "raster/Planes.h"

#include "raster/Errors.h"

namespace tarvo {

namespace {
QImage create(int w, int h, QImage::Format format) {
    if (w <= 0 || h <= 0) throw EOutOfResources();
    QImage image(w, h, format);
    if (image.isNull()) throw EOutOfResources();
    return image;
}
}  // namespace

QImage createColorPlane(int w, int h) {
    QImage image = create(w, h, QImage::Format_RGB32);
    image.fill(0xFF000000u);
    return image;
}

QImage createMaskPlane(int w, int h, uchar fill) {
    QImage image = create(w, h, QImage::Format_Grayscale8);
    image.fill(QColor(fill, fill, fill));
    return image;
}

QImage createArgbRaster(int w, int h) {
    QImage image = create(w, h, QImage::Format_ARGB32);
    image.fill(0u);
    return image;
}

}  // namespace tarvo
