#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/AniFormat.h"

namespace tarvo {

// X cursor files, as cursor themes hold them, read and written through libXcursor. Their pixels
// are premultiplied ARGB; the document's are not. Premultiplied values convert to straight ones
// and back exactly; straight ones keep what premultiplying can keep.

// True when the bytes start with the Xcursor magic "Xcur".
bool isXcursor(std::span<const uint8_t> bytes);

// A strict cursor block: one 32-bit image per image of the file, in file order, each with its
// hot spot. When any image has a delay the images become an animation: every image one step,
// its delay as the rate (ms x 60 / 1000 jiffies, rounded, at least 1). Throws EInvalidGraphic
// for bytes that are not a readable Xcursor file.
std::vector<uint8_t> readXcursor(std::span<const uint8_t> bytes,
                                 std::optional<TAnimation>* animation);

// The Xcursor file of a strict block: every image at its own size (nominal size its larger side),
// with its entry's hot spot (cursor blocks) clamped into the image, and the delay of the first
// animation step that shows it (rate x 1000 / 60 ms), 0 without an animation.
std::vector<uint8_t> writeXcursor(std::span<const uint8_t> block,
                                  const std::optional<TAnimation>& animation);

}  // namespace tarvo
