// Whole documents through the clipboard, under the private MIME type.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "core/Icon.h"
#include "raster/Errors.h"

namespace tarvo {

void TIcon::CopyToClipboard() const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    auto data = std::make_unique<QMimeData>();
    // What this program put there already (the picture of the same selection, say) stays
    // alongside; the clipboard is not emptied for the document.
    if (clipboard->ownsClipboard()) {
        if (const QMimeData* old = clipboard->mimeData()) {
            for (const QString& format : old->formats())
                if (format != clipboardFormat_) data->setData(format, old->data(format));
            if (old->hasImage()) data->setImageData(old->imageData());
        }
    }
    data->setData(clipboardFormat_,
                  QByteArray(reinterpret_cast<const char*>(ImageBlock()), qsizetype(BlockSize())));
    clipboard->setMimeData(data.release());  // the clipboard owns it from here
}

bool TIcon::clipboardHasDocument() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasFormat(QString::fromLatin1(kClipboardMimeType));
}

bool TIcon::PasteFromClipboard() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasFormat(clipboardFormat_)) return false;
    const QByteArray bytes = data->data(clipboardFormat_);
    // Another program may have put anything there: it is read like a file.
    install(strictIconBlock(std::span(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                      static_cast<size_t>(bytes.size()))));
    SelectImage(0);
    return true;
}

}  // namespace tarvo
