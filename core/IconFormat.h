#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

class QImage;

namespace tarvo {
class TPngOriginals;

// Layout of the icon/cursor file, which is also the document's memory block.
inline constexpr uint32_t kFileHeaderSize = 6;
inline constexpr uint32_t kEntrySize = 16;
inline constexpr uint32_t kBitmapHeaderSize = 40;
inline constexpr uint16_t kTypeIcon = 1;
inline constexpr uint16_t kTypeCursor = 2;

// Limits past which a block is refused rather than allocated.
inline constexpr int32_t kMaxDimension = 32768;
inline constexpr uint64_t kMaxBlockSize = 1u << 30;

inline bool isValidBitCount(int bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// R(B): bytes in one row of w pixels at b bits, padded to 4 bytes.
inline uint64_t rowSize(uint64_t w, int bits) {
    return ((w * bits + 31) & ~uint64_t{31}) / 8;
}
// T(B): colour table bytes.
inline uint32_t tableSize(int bits) {
    return bits <= 8 ? 4u << bits : 0;
}
// S: bytes of one image (header, table, colour rows, mask rows).
inline uint64_t imageSize(uint64_t w, uint64_t h, int bits) {
    return kBitmapHeaderSize + tableSize(bits) + rowSize(w, bits) * h + rowSize(w, 1) * h;
}

// One 16-byte directory entry. For cursors `planes` is the hot spot X and `bitCount` the hot
// spot Y.
struct IconEntry {
    uint8_t width = 0;
    uint8_t height = 0;
    uint8_t colorCount = 0;
    uint8_t reserved = 0;
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t bytesInRes = 0;
    uint32_t imageOffset = 0;
};

// The fields of the 40-byte bitmap header that the document uses.
struct BitmapHeader {
    uint32_t size = kBitmapHeaderSize;
    int32_t width = 0;
    int32_t height = 0;  // colour rows plus mask rows: twice the image height
    uint16_t planes = 1;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t imageSize = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t colorsUsed = 0;
    uint32_t colorsImportant = 0;
};

// The directory entry written for a new or reformatted image: sizes AND 255 (256 is stored as
// 0), colour count 16 for 4-bit images only, planes 0, the bit count in the bit count field.
IconEntry newEntry(int width, int height, int bits, uint32_t bytesInRes, uint32_t imageOffset);

// Raw access to a block the caller knows to be valid.
uint16_t blockType(const uint8_t* block);
uint16_t blockCount(const uint8_t* block);
IconEntry readEntry(const uint8_t* block, int index);
void writeEntry(uint8_t* block, int index, const IconEntry& entry);
BitmapHeader readBitmapHeader(const uint8_t* header);
void writeBitmapHeader(uint8_t* header, const BitmapHeader& h);

// Turns the bytes of an icon or cursor file (or the payload of the clipboard format) into a
// strict block: header, directory, then every image's bytes right after the directory, in
// directory order, each with a 40-byte header, a full colour table and all its mask rows.
// Deviations that real files carry are rewritten (PNG entries, other bitmap headers, short
// colour tables, missing mask rows, 32-bit images without alpha, bare PNG or BMP files, images
// out of order); a block that is already strict comes back byte for byte. Throws
// EInvalidGraphic with a message saying what is wrong.
// With `originals`, every PNG entry is remembered there with the image it became.
std::vector<uint8_t> normaliseIconBlock(std::span<const uint8_t> bytes,
                                        TPngOriginals* originals = nullptr);

// Checks that a block is strict and self-consistent (the list above); throws EInvalidGraphic.
void validateIconBlock(std::span<const uint8_t> block);

// For writers that hold one image per size: the images of a valid block whose width and height
// `wanted` takes, one per width, of several the one of most bits (the first of them), in block
// order.
std::vector<int> deepestImagePerSize(std::span<const uint8_t> block,
                                     const std::function<bool(int width, int height)>& wanted);

// The strict block for these bytes: the bytes themselves when they are one already (nothing for
// normaliseIconBlock to change), else normaliseIconBlock's result. Throws EInvalidGraphic.
std::vector<uint8_t> strictIconBlock(std::span<const uint8_t> bytes,
                                     TPngOriginals* originals = nullptr);

// Pieces of the reader for other containers of the same pictures.
// A PNG found whole at the start of `bytes` (every chunk up to IEND within them), its size taken
// from its header and checked against the limits before anything is decoded. Throws
// EInvalidGraphic, the message starting with `name` ("Image 2 of 5").
struct PngPlan {
    std::span<const uint8_t> data;  // up to the end of IEND
    uint32_t width = 0;
    uint32_t height = 0;
};
PngPlan planPngImage(std::span<const uint8_t> bytes, const std::string& name);
// A planned PNG decoded as a strict 32-bit image: alpha as decoded, mask bit 1 where alpha is 0.
std::vector<uint8_t> imageFromPng(const PngPlan& png, const std::string& name);
// A picture as a strict 32-bit image, likewise.
std::vector<uint8_t> imageFromArgb(const QImage& picture);
// The strict icon block (type 1) of strict images, in this order, each with the entry AddImage
// would give it.
std::vector<uint8_t> iconBlockOf(const std::vector<std::vector<uint8_t>>& images);

}  // namespace tarvo
