#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tarvo {

// Animated cursors (RIFF "ACON"). The reader walks the RIFF chunks by identifier and size, with
// the pad byte after odd-sized chunks, skips chunks it does not need ("rate", "seq ", "LIST"
// "INFO", ...), and takes the "icon" chunks of the "LIST" "fram" list in file order. Each frame
// is an icon/cursor file; its first image becomes one image of the document, with the frame's
// directory entry (and so its hot spot). Returns a strict block of type 2; throws
// EInvalidGraphic for a file that is not a readable animated cursor.
std::vector<uint8_t> readAnimatedCursor(std::span<const uint8_t> bytes);

// The animated cursor of a block: one frame per image, each a one-image cursor file carrying the
// image's directory entry unchanged; 36-byte "anih", a "rate" of 6 per frame.
std::vector<uint8_t> writeAnimatedCursor(std::span<const uint8_t> block);

}  // namespace tarvo
