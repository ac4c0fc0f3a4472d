#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>
#include <span>

namespace tarvo {

// Masks of the pixels outside a selection's shape, in the floating image's own coordinates
// (Format_Grayscale8, 255 = outside), for TIcon::EraseMasked.

// Outside the ellipse inscribed in the whole w x h image. Below 32 bits per pixel the ellipse
// is the integer rasteriser's, outline included; at 32 bits it is the real ellipse with its
// corner at (-0.5, -0.5), tested at pixel positions.
QImage ellipseOutside(QSize size, bool argb);
// Outside the polygon (alternate filling, outline included), points relative to the image.
QImage polygonOutside(QSize size, std::span<const QPoint> points);
// The inverse of `inside` (non-zero = inside) under `area`, as a mask of area's size.
QImage outsideOf(const QImage& inside, const QRect& area);

}  // namespace tarvo
