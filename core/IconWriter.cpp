#include "core/IconWriter.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImage>
#include <QImageWriter>

#include "core/Bytes.h"
#include "core/IconFormat.h"
#include "raster/Errors.h"

namespace tarvo {

namespace {

QByteArray digestOf(std::span<const uint8_t> bytes) {
    return QCryptographicHash::hash(
        QByteArrayView(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())),
        QCryptographicHash::Sha256);
}

// A strict 32-bit image (bottom-up rows) as a PNG.
std::vector<uint8_t> encodePng(std::span<const uint8_t> image, int w, int h) {
    QImage argb(w, h, QImage::Format_ARGB32);
    const uint8_t* rows = image.data() + kBitmapHeaderSize;
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = rows + uint64_t(h - 1 - y) * uint64_t(w) * 4;
        auto* dst = reinterpret_cast<QRgb*>(argb.scanLine(y));
        for (int x = 0; x < w; ++x) dst[x] = getU32(src + 4 * x);
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(argb)) throw EWriteError(writer.errorString().toStdString());
    return {png.begin(), png.end()};
}

// The image with its mask rows set where alpha is 0 and clear elsewhere.
std::vector<uint8_t> withAlphaMask(std::span<const uint8_t> image, int w, int h) {
    std::vector<uint8_t> out(image.begin(), image.end());
    const uint64_t colourBytes = uint64_t(w) * uint64_t(h) * 4;
    const uint64_t maskRow = ((uint64_t(w) + 31) / 32) * 4;
    uint8_t* mask = out.data() + kBitmapHeaderSize + colourBytes;
    std::fill(mask, mask + maskRow * uint64_t(h), 0);
    const uint8_t* rows = out.data() + kBitmapHeaderSize;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (rows[(uint64_t(y) * w + x) * 4 + 3] == 0)
                mask[uint64_t(y) * maskRow + x / 8] |= uint8_t(0x80 >> (x % 8));
    return out;
}

}  // namespace

bool parsePngPolicy(const QString& text, PngPolicy& policy) {
    if (text == QLatin1String("auto")) {
        policy = PngPolicy::Auto;
    } else if (text == QLatin1String("all")) {
        policy = PngPolicy::All;
    } else if (text == QLatin1String("none")) {
        policy = PngPolicy::None;
    } else {
        return false;
    }
    return true;
}

void TPngOriginals::add(std::span<const uint8_t> decoded, std::span<const uint8_t> png) {
    byDigest_[digestOf(decoded)] = std::vector<uint8_t>(png.begin(), png.end());
}

const std::vector<uint8_t>* TPngOriginals::find(std::span<const uint8_t> decoded) const {
    if (byDigest_.empty()) return nullptr;
    const auto it = byDigest_.find(digestOf(decoded));
    return it == byDigest_.end() ? nullptr : &it->second;
}

std::vector<uint8_t> iconFileBytes(std::span<const uint8_t> block, PngPolicy policy,
                                   const TPngOriginals* originals) {
    validateIconBlock(block);
    const int count = blockCount(block.data());
    std::vector<std::vector<uint8_t>> images(static_cast<size_t>(count));
    std::vector<IconEntry> entries(static_cast<size_t>(count));
    uint64_t total = kFileHeaderSize + uint64_t{kEntrySize} * count;
    for (int i = 0; i < count; ++i) {
        IconEntry e = readEntry(block.data(), i);
        const auto stored = block.subspan(e.imageOffset, e.bytesInRes);
        const BitmapHeader h = readBitmapHeader(stored.data());
        const int w = h.width, ht = h.height / 2;
        std::vector<uint8_t>& out = images[size_t(i)];
        if (h.bitCount != 32) {
            out.assign(stored.begin(), stored.end());
        } else {
            const std::vector<uint8_t>* original =
                originals && policy != PngPolicy::None ? originals->find(stored) : nullptr;
            // Large images, and PNG entries saved as they were opened, so that rewriting an icon
            // does not blow it up.
            const bool png = policy == PngPolicy::All ||
                             (policy == PngPolicy::Auto && (w >= 256 || ht >= 256 || original));
            if (png && original) {
                out = *original;
            } else if (png) {
                out = encodePng(stored, w, ht);
            } else {
                out = withAlphaMask(stored, w, ht);
            }
        }
        e.bytesInRes = static_cast<uint32_t>(out.size());
        entries[size_t(i)] = e;
        total += out.size();
    }
    std::vector<uint8_t> file(size_t(total), 0);
    std::copy(block.begin(), block.begin() + kFileHeaderSize, file.begin());
    uint64_t offset = kFileHeaderSize + uint64_t{kEntrySize} * count;
    for (int i = 0; i < count; ++i) {
        IconEntry& e = entries[size_t(i)];
        e.imageOffset = static_cast<uint32_t>(offset);
        writeEntry(file.data(), i, e);
        std::copy(images[size_t(i)].begin(), images[size_t(i)].end(), file.begin() + offset);
        offset += images[size_t(i)].size();
    }
    return file;
}

}  // namespace tarvo
