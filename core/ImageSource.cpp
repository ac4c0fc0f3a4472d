#include "core/ImageSource.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>

#include "core/Bytes.h"
#include "core/Icon.h"
#include "plain/PlainIcons.h"
#include "raster/Errors.h"

namespace tarvo {

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
    const std::optional<plain::Directory> directory = plain::readDirectory(source.data_);
    if (!directory) return std::nullopt;
    source.type_ = directory->type;
    for (int i = 0; i < int(directory->entries.size()); ++i) {
        source.entries_.push_back(readEntry(source.data_.data(), i));
        // A PNG image that is not whole may still decode; the document decides.
        const std::span<const uint8_t> image = source.bytes(i);
        if (plain::isPng(image) && !plain::isWholePng(image)) return std::nullopt;
    }
    return source;
}

std::span<const uint8_t> TImageSource::bytes(int index) const {
    const IconEntry& e = entries_[size_t(index)];
    return std::span<const uint8_t>(data_).subspan(e.imageOffset, e.bytesInRes);
}

QSize TImageSource::size(int index) const {
    const plain::ImageInfo info = plain::imageInfo(bytes(index));
    return {info.width, info.height};
}

int TImageSource::bitCount(int index) const {
    return plain::imageInfo(bytes(index)).bits;
}

std::optional<std::span<const uint8_t>> TImageSource::png(int index) const {
    const std::span<const uint8_t> image = bytes(index);
    if (!plain::isPng(image)) return std::nullopt;
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
    return strictImageToArgb(strict.data() + readEntry(strict.data(), 0).imageOffset);
}

}  // namespace tarvo
