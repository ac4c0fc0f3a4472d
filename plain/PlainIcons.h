#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tarvo::plain {

// Icon and cursor files read without the toolkit, for the command-line tool's quick start. Only
// files the document would take as they are ("plain") are read here; anything else is left to
// the document's reader, which rewrites or refuses it with its own messages.

// One directory entry: where an image lies and, for cursors, its hot spot.
struct Entry {
    uint16_t hotSpotX = 0;  // planes, for icons
    uint16_t hotSpotY = 0;  // bit count, for icons
    uint32_t size = 0;
    uint32_t offset = 0;
};

struct Directory {
    uint16_t type = 1;  // 1 icon, 2 cursor
    std::vector<Entry> entries;
};

// The directory of a plain icon or cursor file: a header of type 1 or 2, at least one entry,
// every image after the directory and inside the file, and each one either a PNG (checked by
// isWholePng only when asked) or a bitmap with the 40-byte header, 1, 4, 8, 24 or 32 bits,
// uncompressed, a full colour table and all its rows. Nothing for anything else.
std::optional<Directory> readDirectory(std::span<const uint8_t> file);

// True when the bytes start with the PNG signature.
bool isPng(std::span<const uint8_t> bytes);
// True when `bytes` are a PNG whose signature, header chunk, chunk lengths and checksums are
// whole and which ends with its end chunk; its size comes back in width and height.
bool isWholePng(std::span<const uint8_t> bytes, int* width = nullptr, int* height = nullptr);

struct ImageInfo {
    int width = 0;
    int height = 0;
    int bits = 32;  // a PNG image is 32 bits
};
// Size and depth of an image of a directory read above: a PNG's from its header chunk, which is
// not checked again here.
ImageInfo imageInfo(std::span<const uint8_t> image);

// A bitmap image of a directory read above as top-down ARGB (0xAARRGGBB): 32-bit pixels as
// stored (alpha taken from the mask when every alpha byte is 0), others opaque with alpha 0 where
// the mask bit is set.
std::vector<uint32_t> decodeBitmap(std::span<const uint8_t> image, int* width, int* height);

// A PNG of top-down ARGB pixels (`stride` pixels a row), made for speed: 8 bits per channel,
// RGBA, or RGB when every pixel is opaque; each row filtered with None, Sub or Up, whichever
// leaves the smallest sum; deflated at a low level. Safe to call from several threads at once.
std::vector<uint8_t> encodePng(const uint32_t* argb, int width, int height, size_t stride);

}  // namespace tarvo::plain
