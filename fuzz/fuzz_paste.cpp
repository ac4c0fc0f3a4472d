// Puts arbitrary bytes on the clipboard under the private type, beside a picture, and pastes.
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "fuzz/FuzzSupport.h"
#include "raster/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tarvo::fuzz::ensureApplication();
    auto mime = std::make_unique<QMimeData>();
    mime->setData(QString::fromLatin1(tarvo::kClipboardMimeType),
                  QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    mime->setImageData(QImage(2, 2, QImage::Format_ARGB32));
    QGuiApplication::clipboard()->setMimeData(mime.release());

    tarvo::TIcon icon;
    icon.AddImage(4, 4, 8);
    try {
        if (!icon.PasteFromClipboard()) return 0;
    } catch (const tarvo::TError&) {
        return 0;
    }
    tarvo::fuzz::exercise(icon);
    icon.CopyToClipboard();
    return 0;
}
