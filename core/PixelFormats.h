#pragma once

#include <QImage>
#include <QRgb>
#include <array>
#include <cstdint>
#include <span>

namespace tarvo {

class NearestColorTable;

// Colour values of the document (see TIcon): 0x00BBGGRR for paletted/16/24-bit images, with two
// special values, and ARGB 0xAARRGGBB for 32-bit images.
inline constexpr uint32_t Transparent = 0xFFFFFFFFu;
inline constexpr uint32_t Inverse = 0xF0000000u;
// The toolkit's "no colour": MakeColorMask gives an all-zero mask for it.
inline constexpr uint32_t kNoColor = 0x1FFFFFFFu;

inline QRgb colorValueToRgb(uint32_t c) {
    return qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                static_cast<int>((c >> 16) & 0xFF));
}
inline uint32_t rgbToColorValue(QRgb c) {
    return static_cast<uint32_t>(qRed(c)) | (static_cast<uint32_t>(qGreen(c)) << 8) |
           (static_cast<uint32_t>(qBlue(c)) << 16);
}

// Colours of a bit count: 2, 16, 256, 65536, 16777216; 0x1FFFFFF (meaning 32-bit) otherwise.
int64_t ColorCount(int bits);
// The encoding bit count for a number of colours (2 -> 1, 3..16 -> 4, 17..256 -> 8, ...).
int BitCountForColors(int64_t colors);

// The fixed 16-colour table of new 4-bit images, opaque 0xFFRRGGBB.
const std::array<QRgb, 16>& defaultTable4();
// Writes the colour table a new image of `bits` gets (black/white, the 16 colours, halftone).
void writeDefaultColorTable(uint8_t* table, int bits);
// Reads 2^bits table entries (blue, green, red, 0) as opaque colours.
std::array<QRgb, 256> readColorTable(const uint8_t* table, int bits);

// 16-bit 5-5-5: five bits widen by repeating their top three (31 -> 255); narrowing keeps the
// top five bits of each channel.
inline QRgb widen555(uint16_t w) {
    auto c = [](int v) { return (v << 3) | (v >> 2); };
    return qRgb(c((w >> 10) & 31), c((w >> 5) & 31), c(w & 31));
}
inline uint16_t narrow555(QRgb c) {
    return static_cast<uint16_t>(((qRed(c) >> 3) << 10) | ((qGreen(c) >> 3) << 5) |
                                 (qBlue(c) >> 3));
}

// Decodes a paletted/16/24-bit image (bytes from its bitmap header on, in a strict block) into
// an opaque colour plane and a mask plane, both top-down.
void decodeImage(const uint8_t* image, QImage& color, QImage& mask);
// Encodes the planes into the image's colour and mask rows; the header and colour table stay.
// 4- and 8-bit images map each colour to the nearest table entry through `nearest`, which must
// hold the image's table.
void encodeImage(uint8_t* image, const QImage& color, const QImage& mask,
                 NearestColorTable* nearest);

// A 1-bit mask plane of the bitmap's size: set where the pixel's colour equals `color`
// (0x00BBGGRR), clear elsewhere; kNoColor gives an all-clear mask.
QImage MakeColorMask(const QImage& bitmap, uint32_t color);

}  // namespace tarvo
