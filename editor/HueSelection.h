#pragma once

#include <QImage>
#include <QPoint>

namespace tarvo {

class TIcon;

// The pixels the hue selection takes for a click on `cell` of the current image: those whose hue
// lies within `range` of the clicked pixel's hue around the hue circle (0..240), 4-connected to
// it. Below 32 bits per pixel only opaque pixels count, so a click on a transparent pixel
// selects nothing; 32-bit pixels count by their colour whatever their alpha.
// Returns a Format_Grayscale8 mask of the image's size: 255 selected, 0 not.
QImage hueMatchRegion(const TIcon& icon, QPoint cell, int range);

}  // namespace tarvo
