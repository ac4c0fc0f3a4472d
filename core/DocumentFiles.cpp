#include "core/DocumentFiles.h"

#include <QFileInfo>

#include "core/AniFormat.h"
#include "core/Bytes.h"
#include "core/IcnsFormat.h"
#include "core/Icon.h"
#include "core/XcursorFormat.h"
#include "raster/Codecs.h"
#include "raster/Errors.h"
#include "raster/FileWriter.h"

namespace tarvo {

void saveDocument(TIcon& icon, const QString& fileName, PngPolicy png) {
    const QString ext = QFileInfo(fileName).suffix().toLower();
    if (ext == QLatin1String("ico") || ext == QLatin1String("cur")) {
        if (ext == QLatin1String("ico")) {
            icon.markAsIcon();
        } else {
            putU16(icon.ImageBlock() + 2, kTypeCursor);
        }
        writeWholeFile(fileName, iconFileBytes(std::span(icon.ImageBlock(), icon.BlockSize()), png,
                                               &icon.PngOriginals));
    } else if (ext == QLatin1String("icns")) {
        // Encoded inside the write: a refusal (no image of an ICNS size) names the file then,
        // as any failed write does.
        writeWholeFile(fileName, [&icon](QIODevice& file) {
            const std::vector<uint8_t> bytes =
                writeIcns(std::span(icon.ImageBlock(), icon.BlockSize()), &icon.PngOriginals);
            return file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) ==
                   qint64(bytes.size());
        });
    } else if (ext == QLatin1String("ani")) {
        // Frames are cursors: an icon's entries hold planes and depth where a cursor's hot spot
        // goes, so an icon becomes a cursor pointing at (0, 0).
        if (icon.fileType() != kTypeCursor) icon.markAsCursor(QPoint(0, 0));
        // The frames as an icon file of bitmaps: the same layout, masks following alpha.
        const std::vector<uint8_t> frames =
            iconFileBytes(std::span(icon.ImageBlock(), icon.BlockSize()), PngPolicy::None);
        writeWholeFile(fileName, writeAnimatedCursor(frames, icon.Animation()));
    } else if (ext == QLatin1String("xcursor")) {
        writeWholeFile(fileName, writeXcursor(std::span(icon.ImageBlock(), icon.BlockSize()),
                                              icon.Animation()));
    } else {
        writeRasterFile(icon.CreateImageBitmap(), fileName);
    }
}

}  // namespace tarvo
