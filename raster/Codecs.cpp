#include "raster/Codecs.h"

#include <QBuffer>
#include <QByteArray>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>

#include "raster/PngEncoder.h"

#include "raster/Errors.h"
#include "raster/FileWriter.h"
#include "raster/GifCodec.h"

namespace tarvo {

namespace {

uint16_t le16(std::span<const uint8_t> b, size_t at) {
    return uint16_t(b[at] | b[at + 1] << 8);
}

// The depth that an indexed picture's palette needs.
int bitsForPalette(qsizetype colors) {
    return colors <= 2 ? 1 : colors <= 16 ? 4 : 8;
}

// The bit depth the file itself declares, where its format has one the document keeps.
std::optional<int> declaredBits(const QByteArray& format, std::span<const uint8_t> bytes) {
    if (format == "bmp" && bytes.size() >= 30) {
        const uint32_t header = uint32_t(le16(bytes, 14) | le16(bytes, 16) << 16);
        const int bits = header == 12 ? le16(bytes, 24) : le16(bytes, 28);
        if (bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32)
            return bits;
        return std::nullopt;
    }
    if (format == "png" && bytes.size() >= 26) {
        const int depth = bytes[24], type = bytes[25];
        if (type == 3) return depth == 1 ? 1 : depth <= 4 ? 4 : 8;  // palette
        if (type == 4 || type == 6) return 32;                      // with alpha
        if (type == 2 && depth == 16) return 32;                    // 48-bit colour
        return 24;                                                  // grey, 24-bit colour
    }
    if (format == "gif") return 8;
    if (format == "jpeg" || format == "jpg") return 24;
    return std::nullopt;
}

bool hasPartialAlpha(const QImage& image) {
    if (!image.hasAlphaChannel()) return false;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(row[x]) != 0 && qAlpha(row[x]) != 255) return true;
    }
    return false;
}

}  // namespace

std::optional<DecodedImage> decodeRasterImage(std::span<const uint8_t> bytes) {
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format().toLower();
    DecodedImage out;
    if (format == "gif") {
        // The plug-in gives true colour; the document keeps the GIF's palette.
        std::optional<QImage> gif = decodeGif(bytes);
        if (!gif) return std::nullopt;
        out.image = *gif;
    } else if (!reader.read(&out.image) || out.image.isNull()) {
        return std::nullopt;
    }

    const QImage::Format f = out.image.format();
    const bool indexed =
        f == QImage::Format_Indexed8 || f == QImage::Format_Mono || f == QImage::Format_MonoLSB;
    if (const std::optional<int> bits = declaredBits(format, bytes)) {
        out.bits = *bits;
    } else if (indexed) {
        out.bits = bitsForPalette(out.image.colorCount());
    } else {
        out.bits = out.image.hasAlphaChannel() ? 32 : 24;
    }
    // A paletted file that decoded to true colour, or the other way round, goes by its pixels.
    if (out.bits <= 8 && !indexed) out.bits = out.image.hasAlphaChannel() ? 32 : 24;
    // A transparent colour becomes a mask at the file's own depth; alpha between clear and
    // opaque needs an alpha channel.
    if (out.bits < 32 && hasPartialAlpha(out.image)) out.bits = 32;
    if (indexed) out.palette = out.image.colorTable();
    return out;
}

void writeRasterFile(const QImage& image, const QString& fileName) {
    const QByteArray format = QFileInfo(fileName).suffix().toLower().toLatin1();
    auto failed = [&](const QString& reason) {
        return EWriteError(
            QStringLiteral("Cannot write %1: %2").arg(fileName, reason).toStdString());
    };
    const bool gif = format == "gif";
    // True-colour PNGs go through our own encoder: faster, and no image plug-in is loaded.
    const bool png = format == "png" && (image.format() == QImage::Format_ARGB32 ||
                                         image.format() == QImage::Format_RGB32);
    if (png) {
        const std::vector<uint8_t> bytes = encodePng(image);
        writeWholeFile(fileName, bytes);
        return;
    }
    if (!gif && !QImageWriter::supportedImageFormats().contains(format))
        throw failed(QStringLiteral("no picture format is known for the extension .%1")
                         .arg(QString::fromLatin1(format)));
    writeWholeFile(fileName, [&](QIODevice& file) {
        if (gif) {
            const QByteArray bytes = encodeGif(image);
            return file.write(bytes) == bytes.size();
        }
        QImageWriter writer(&file, format);
        if (!writer.write(image)) throw TError(writer.errorString().toStdString());
        return true;
    });
}

}  // namespace tarvo
