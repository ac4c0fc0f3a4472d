#include "core/DocumentFiles.h"

#include <QFileInfo>

#include "core/AniFormat.h"
#include "core/Bytes.h"
#include "core/Icon.h"
#include "raster/Codecs.h"
#include "raster/Errors.h"
#include "raster/FileWriter.h"

namespace tarvo {

void saveDocument(TIcon& icon, const QString& fileName) {
    const QString ext = QFileInfo(fileName).suffix().toLower();
    if (ext == QLatin1String("ico")) {
        icon.markAsIcon();
        icon.SaveToFile(fileName);
    } else if (ext == QLatin1String("cur")) {
        putU16(icon.ImageBlock() + 2, kTypeCursor);
        icon.SaveToFile(fileName);
    } else if (ext == QLatin1String("ani")) {
        const std::vector<uint8_t> bytes =
            writeAnimatedCursor(std::span(icon.ImageBlock(), icon.BlockSize()));
        writeWholeFile(fileName, [&bytes](QIODevice& file) {
            return file.write(reinterpret_cast<const char*>(bytes.data()),
                              qint64(bytes.size())) == qint64(bytes.size());
        });
    } else {
        writeRasterFile(icon.CreateImageBitmap(), fileName);
    }
}

}  // namespace tarvo
