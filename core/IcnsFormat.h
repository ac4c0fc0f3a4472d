#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tarvo {

class TPngOriginals;

// macOS icon files ("icns"): a big-endian header (magic, total length) and elements, each a
// four-character type and a length that counts its own 8-byte header.
//
// The reader takes, in file order, one 32-bit image per image element it knows:
// - PNG data in the types of 16 to 1024 pixels (icp4, icp5, icp6, ic04, ic05, ic07 to ic14),
//   whatever size the PNG itself gives, or "ARGB" run-length data (as ic04 and ic05 hold) of
//   the type's size. JPEG 2000 data, which some of these types hold instead, is skipped: this
//   program does not decode it.
// - The 24-bit run-length images is32, il32, ih32 and it32 (16, 32, 48 and 128 pixels), with
//   the alpha of their 8-bit masks s8mk, l8mk, h8mk and t8mk wherever those stand; without its
//   mask an image is opaque.
// Other elements (the table of contents, version, name, older 1- to 8-bit kinds) are skipped.
// Returns a strict block of type 1; with `originals`, every PNG image is remembered there with
// the image it became. Throws EInvalidGraphic for a file with no image read, or for any length
// that does not agree with the file or the image.
std::vector<uint8_t> readIcns(std::span<const uint8_t> bytes, TPngOriginals* originals = nullptr);

// True when an ICNS file holds square images of this size: 16, 32, 64, 128, 256, 512 or 1024.
bool isIcnsSize(int width, int height);

// The images of a strict block that writeIcns writes, in block order: those of an ICNS size,
// and of several of one size the one of most bits (the first of them).
std::vector<int> icnsImages(std::span<const uint8_t> block);

// The ICNS file of a block's icnsImages, each a PNG element of the type for its size (16 icp4,
// 32 icp5, 64 icp6, 128 ic07, 256 ic08, 512 ic09, 1024 ic10), 32-bit whatever its depth; an
// image left unchanged since it was opened from a PNG goes back as that PNG. Throws EWriteError,
// saying which sizes the format holds, when no image has one of them.
std::vector<uint8_t> writeIcns(std::span<const uint8_t> block,
                               const TPngOriginals* originals = nullptr);

}  // namespace tarvo
