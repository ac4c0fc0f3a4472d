#pragma once

#include <QImage>
#include <QList>
#include <QRgb>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>

namespace tarvo {

// A picture decoded by the image plug-ins, with the bit depth of the file itself: what the
// document makes of it depends on that depth, which Qt's in-memory formats do not keep (a 4-bit
// bitmap decodes to Indexed8, a 16-bit one to RGB32).
struct DecodedImage {
    QImage image;
    // 1, 4, 8, 16, 24 or 32; sources above 32 bits are 32, and so are pictures with alpha other
    // than 0 and 255. Below 32 bits every pixel is opaque or clear (alpha 0).
    int bits = 32;
    QList<QRgb> palette;  // the file's colour table for 1..8-bit sources, alpha included
};

// Decodes BMP, JPEG, GIF, PNG and whatever else the image plug-ins read; the first frame of an
// animation. Nothing when the bytes are not a picture the plug-ins can read.
std::optional<DecodedImage> decodeRasterImage(std::span<const uint8_t> bytes);

// Writes a picture to a file in the format its extension names: GIF through encodeGif, the rest
// through the image plug-ins. The file is replaced only once it is completely written. Throws
// EWriteError naming the file and the reason, also for an extension nothing writes.
void writeRasterFile(const QImage& image, const QString& fileName);

}  // namespace tarvo
