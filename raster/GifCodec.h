#pragma once

#include <QByteArray>
#include <QImage>
#include <cstdint>
#include <optional>
#include <span>

namespace tarvo {

// The first picture of a GIF as an Indexed8 image with the GIF's own colour table (the
// transparent index, if any, has alpha 0). Pixels outside the first frame take the transparent
// index, or the background colour. Nothing for bytes that are not a readable GIF.
std::optional<QImage> decodeGif(std::span<const uint8_t> bytes);

// The picture as GIF bytes. Indexed pictures keep their colour table (a colour with alpha 0, if
// any, becomes the transparent index); others are reduced to at most 256 colours, pixels with
// alpha below 128 sharing one transparent index. Throws EWriteError when encoding fails.
QByteArray encodeGif(const QImage& image);

}  // namespace tarvo
