#include "core/ImageSource.h"

#include <libdeflate.h>
#include <QFile>
#include <QFileInfo>

#include <cstring>

#include "core/Bytes.h"
#include "core/Icon.h"
#include "raster/Errors.h"

namespace tarvo {

namespace {

uint32_t getBE32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

bool isPngSignature(std::span<const uint8_t> bytes) {
    return startsWith(bytes, "\x89PNG\r\n\x1a\n", 8);
}

}  // namespace

bool isWholePng(std::span<const uint8_t> bytes, QSize* size) {
    if (!isPngSignature(bytes)) return false;
    uint64_t at = 8;
    bool first = true;
    while (fits(at, 12, bytes.size())) {
        const uint32_t length = getBE32(bytes.data() + at);
        if (length > 0x7FFFFFFFu || !fits(at + 8, uint64_t(length) + 4, bytes.size())) return false;
        const uint8_t* type = bytes.data() + at + 4;
        const uint32_t crc = libdeflate_crc32(0, type, length + 4u);
        if (crc != getBE32(type + 4 + length)) return false;
        if (first) {
            // IHDR first, with a size the document can hold.
            if (std::memcmp(type, "IHDR", 4) != 0 || length != 13) return false;
            const uint32_t w = getBE32(type + 4), h = getBE32(type + 8);
            if (w == 0 || h == 0 || w > uint32_t(kMaxDimension) || h > uint32_t(kMaxDimension))
                return false;
            if (size) *size = QSize(int(w), int(h));
            first = false;
        }
        if (std::memcmp(type, "IEND", 4) == 0) return true;
        at += uint64_t(length) + 12;
    }
    return false;
}

std::optional<TImageSource> TImageSource::open(const QString& fileName, ModuleImages which) {
    const QString ext = QFileInfo(fileName).suffix().toLower();
    const bool module = ext == QLatin1String("exe") || ext == QLatin1String("dll");
    if (!module && ext != QLatin1String("ico") && ext != QLatin1String("cur")) return std::nullopt;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EReadError(
            QStringLiteral("Cannot open %1: %2").arg(fileName, file.errorString()).toStdString());
    std::vector<uint8_t> bytes;
    if (module) {
        // Mapped: only the resources are read.
        const uchar* mapped = file.size() > 0 ? file.map(0, file.size()) : nullptr;
        if (!mapped) return std::nullopt;
        try {
            bytes = readModuleImages(
                std::span<const uint8_t>(mapped, static_cast<size_t>(file.size())), which);
        } catch (const EInvalidGraphic&) {
            return std::nullopt;  // the document's reader says why
        }
    } else {
        const QByteArray all = file.readAll();
        if (file.error() != QFile::NoError) return std::nullopt;
        bytes.assign(all.begin(), all.end());
    }
    return fromBytes(std::move(bytes));
}

std::optional<TImageSource> TImageSource::fromBytes(std::vector<uint8_t> bytes) {
    TImageSource source;
    source.data_ = std::move(bytes);
    const std::vector<uint8_t>& d = source.data_;
    if (d.size() < kFileHeaderSize || getU16(d.data()) != 0) return std::nullopt;
    source.type_ = getU16(d.data() + 2);
    const uint16_t count = getU16(d.data() + 4);
    const uint64_t directory = kFileHeaderSize + uint64_t(count) * kEntrySize;
    if ((source.type_ != kTypeIcon && source.type_ != kTypeCursor) || count == 0 ||
        directory > d.size())
        return std::nullopt;
    for (int i = 0; i < count; ++i) {
        const IconEntry e = readEntry(d.data(), i);
        if (e.imageOffset < directory || !fits(e.imageOffset, e.bytesInRes, d.size()))
            return std::nullopt;
        source.entries_.push_back(e);
        const std::span<const uint8_t> image = source.bytes(i);
        if (isPngSignature(image)) continue;
        // A plain bitmap with all its rows.
        if (image.size() < kBitmapHeaderSize || getU32(image.data()) != kBitmapHeaderSize)
            return std::nullopt;
        const BitmapHeader h = readBitmapHeader(image.data());
        if (h.compression != 0 || h.bitCount == 16 || !isValidBitCount(h.bitCount) ||
            h.width <= 0 || h.height <= 0 || h.width > kMaxDimension || h.height % 2 != 0 ||
            h.height / 2 > kMaxDimension)
            return std::nullopt;
    }
    return source;
}

std::span<const uint8_t> TImageSource::bytes(int index) const {
    const IconEntry& e = entries_[size_t(index)];
    return std::span<const uint8_t>(data_).subspan(e.imageOffset, e.bytesInRes);
}

QSize TImageSource::size(int index) const {
    const std::span<const uint8_t> image = bytes(index);
    QSize size;
    if (isPngSignature(image)) {
        isWholePng(image, &size);
        return size;
    }
    const BitmapHeader h = readBitmapHeader(image.data());
    return {h.width, h.height / 2};
}

int TImageSource::bitCount(int index) const {
    const std::span<const uint8_t> image = bytes(index);
    return isPngSignature(image) ? 32 : readBitmapHeader(image.data()).bitCount;
}

std::optional<std::span<const uint8_t>> TImageSource::png(int index) const {
    const std::span<const uint8_t> image = bytes(index);
    if (!isWholePng(image)) return std::nullopt;
    return image;
}

QImage TImageSource::argb(int index) const {
    // One image as a file of its own, read as the document reads it.
    const std::span<const uint8_t> image = bytes(index);
    std::vector<uint8_t> one(kFileHeaderSize + kEntrySize);
    putU16(one.data() + 2, type_);
    putU16(one.data() + 4, 1);
    IconEntry e = entries_[size_t(index)];
    e.imageOffset = kFileHeaderSize + kEntrySize;
    writeEntry(one.data(), 0, e);
    one.insert(one.end(), image.begin(), image.end());
    const std::vector<uint8_t> strict = strictIconBlock(one);
    // 32-bit rows are read in place, which needs them aligned as the document's block has them.
    const size_t offset = readEntry(strict.data(), 0).imageOffset;
    std::vector<uint32_t> aligned((strict.size() - offset + 3) / 4);
    std::memcpy(aligned.data(), strict.data() + offset, strict.size() - offset);
    return strictImageToArgb(reinterpret_cast<const uint8_t*>(aligned.data()));
}

}  // namespace tarvo
