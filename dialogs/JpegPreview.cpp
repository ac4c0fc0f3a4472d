#include "dialogs/JpegPreview.h"

#include <turbojpeg.h>

#include <QFile>
#include <QSysInfo>
#include <memory>

namespace tarvo {

namespace {

// Decoded pixels beyond this are refused: 128 MB of RGB32 is already more than a preview needs.
constexpr qint64 kMaxDecodedPixels = qint64{1} << 25;
// Larger pictures are refused before decoding: a progressive file needs coefficient memory for
// the whole picture whatever the scale, and a few bytes can claim 65500 x 65500. This still
// admits 100-megapixel photos.
constexpr qint64 kMaxSourcePixels = qint64{1} << 27;

struct HandleDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using Handle = std::unique_ptr<void, HandleDeleter>;

struct Scaled {
    int width = 0;
    int height = 0;
};

// The smallest reduction that still covers `fit`; full size when none does.
Scaled chooseScale(int width, int height, QSize fit) {
    Scaled best{width, height};
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    if (!factors) return best;
    for (int i = 0; i < count; ++i) {
        const tjscalingfactor f = factors[i];
        if (f.num <= 0 || f.denom <= 0 || f.num > f.denom) continue;  // enlargements
        const Scaled s{TJSCALED(width, f), TJSCALED(height, f)};
        if (s.width < fit.width() || s.height < fit.height()) continue;
        if (qint64{s.width} * s.height < qint64{best.width} * best.height) best = s;
    }
    return best;
}

}  // namespace

QImage decodeJpegPreview(std::span<const uint8_t> bytes, QSize fit, QSize* fullSize) {
    if (bytes.empty() || bytes.size() > size_t(kMaxPreviewFileSize)) return {};
    const Handle handle(tjInitDecompress());
    if (!handle) return {};
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto size = static_cast<unsigned long>(bytes.size());

    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(handle.get(), data, size, &width, &height, &subsampling, &colorspace) !=
        0)
        return {};
    if (width <= 0 || height <= 0 || qint64{width} * height > kMaxSourcePixels) return {};

    const Scaled scaled = chooseScale(width, height, fit.expandedTo(QSize(0, 0)));
    if (scaled.width <= 0 || scaled.height <= 0 ||
        qint64{scaled.width} * scaled.height > kMaxDecodedPixels)
        return {};
    QImage image(scaled.width, scaled.height, QImage::Format_RGB32);
    if (image.isNull()) return {};
    // RGB32 keeps 0xFFRRGGBB in native order: BGRA bytes on little-endian machines.
    constexpr int pixelFormat =
        QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TJPF_BGRA : TJPF_ARGB;
    // A damaged file is not previewed rather than shown half grey; the scan limit keeps a
    // crafted progressive file from taking minutes.
    constexpr int flags = TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS;
    if (tjDecompress2(handle.get(), data, size, image.bits(), scaled.width,
                      int(image.bytesPerLine()), scaled.height, pixelFormat, flags) != 0)
        return {};
    if (fullSize) *fullSize = QSize(width, height);
    return image;
}

QImage decodeJpegPreview(const QString& path, QSize fit, QSize* fullSize) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxPreviewFileSize) return {};
    // Bounded by the size checked above, even if the file grows meanwhile.
    const QByteArray data = file.read(file.size());
    if (file.error() != QFile::NoError) return {};
    return decodeJpegPreview(
        std::span(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size())), fit,
        fullSize);
}

}  // namespace tarvo
