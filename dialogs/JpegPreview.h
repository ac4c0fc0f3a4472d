#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>
#include <span>

namespace tarvo {

// Files larger than this are not read for a preview: a glance must not stall the open dialog.
inline constexpr qint64 kMaxPreviewFileSize = qint64{64} << 20;

// Decodes a JPEG for the open dialog's preview, at the smallest DCT scale (1/8 .. 1) whose size
// still covers `fit` in both directions; a zero side of `fit` does not constrain. An image
// smaller than `fit` comes at full size. `fullSize`, when given, receives the image's own size.
// Anything that is not a sound JPEG (a warning included), too large (file or picture) or
// unreadable gives a null image and leaves `fullSize` alone.
QImage decodeJpegPreview(const QString& path, QSize fit, QSize* fullSize = nullptr);
QImage decodeJpegPreview(std::span<const uint8_t> bytes, QSize fit, QSize* fullSize = nullptr);

}  // namespace tarvo
