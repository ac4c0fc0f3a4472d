#include "effects/PictureSizes.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QSvgRenderer>
#include <cstring>

#include "core/Icon.h"
#include "effects/Convert.h"
#include "raster/Codecs.h"
#include "raster/Errors.h"

namespace tarvo {

TPictureSource::TPictureSource(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EReadError(
            QStringLiteral("Cannot open %1: %2").arg(fileName, file.errorString()).toStdString());
    const QByteArray bytes = file.readAll();
    const QString ext = QFileInfo(fileName).suffix().toLower();
    if (ext == QLatin1String("svg") || ext == QLatin1String("svgz")) {
        svg_ = std::make_unique<QSvgRenderer>(bytes);
        if (!svg_->isValid())
            throw EInvalidGraphic(
                QStringLiteral("%1 is not a readable SVG picture.").arg(fileName).toStdString());
        return;
    }
    const std::optional<DecodedImage> decoded = decodeRasterImage(
        std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())));
    if (!decoded)
        throw EInvalidGraphic(
            QStringLiteral("%1 is not a picture this program reads.").arg(fileName).toStdString());
    picture_ = decoded->image.convertToFormat(QImage::Format_ARGB32);
}

TPictureSource::TPictureSource(QImage picture)
    : picture_(picture.convertToFormat(QImage::Format_ARGB32)) {}

TPictureSource::~TPictureSource() = default;

QImage TPictureSource::at(int size) const {
    if (svg_) {
        QImage out(size, size, QImage::Format_ARGB32_Premultiplied);
        out.fill(Qt::transparent);
        QPainter p(&out);
        p.setRenderHint(QPainter::Antialiasing);
        svg_->render(&p, QRectF(0, 0, size, size));
        p.end();
        return out.convertToFormat(QImage::Format_ARGB32);
    }
    return picture_.convertToFormat(QImage::Format_ARGB32_Premultiplied)
        .scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32);
}

std::unique_ptr<TIcon> imagesFromPicture(const TPictureSource& source,
                                         const std::vector<int>& sizes, int bits) {
    auto document = std::make_unique<TIcon>();
    for (const int size : sizes) {
        TIcon one;
        one.AddImage(size, size, 32);
        const QImage picture = source.at(size);
        for (int y = 0; y < size; ++y)
            std::memcpy(one.WorkBitmap().scanLine(y), picture.constScanLine(y), size_t(size) * 4);
        if (bits != 32) ConvertImage(one, size, size, bits, false);
        // Into the document, bytes as they are.
        document->AddImage(size, size, one.BitCount());
        const IconEntry from = one.entry(0);
        std::memcpy(document->ImageBlock() + document->entry(document->CurrentIndex()).imageOffset,
                    one.ImageBlock() + from.imageOffset, from.bytesInRes);
        document->SelectImage(document->CurrentIndex());
    }
    if (document->ImageCount() > 0) document->SelectImage(0);
    return document;
}

}  // namespace tarvo
