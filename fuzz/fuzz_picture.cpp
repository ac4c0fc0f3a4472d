// Feeds arbitrary bytes to the picture decoders (GIF through giflib, the rest through the image
// plug-ins) and builds a document from what they accept.
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz/FuzzSupport.h"
#include "raster/Codecs.h"
#include "raster/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tarvo::fuzz::ensureApplication();
    const std::optional<tarvo::DecodedImage> decoded =
        tarvo::decodeRasterImage(std::span(data, size));
    if (!decoded) return 0;
    // The document path itself goes through a file, as the editor opens it.
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("input.pic"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return 0;
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.close();
    tarvo::TIcon icon;
    icon.AddImage(4, 4, 32);
    try {
        icon.LoadFromFile(path);
    } catch (const tarvo::TError&) {
        return 0;
    }
    tarvo::fuzz::exercise(icon);
    return 0;
}
