#include "core/HicolorTheme.h"

#include <QDir>
#include <algorithm>

#include "core/CursorTheme.h"
#include "core/Icon.h"
#include "core/IconFormat.h"
#include "raster/Errors.h"
#include "raster/FileWriter.h"
#include "raster/PngEncoder.h"

namespace tarvo {

const QStringList& hicolorContexts() {
    static const QStringList contexts = {"apps",    "actions",   "categories", "devices",
                                         "emblems", "mimetypes", "places",     "status"};
    return contexts;
}

THicolorExport writeHicolorIcons(const QString& dir, const QString& name, const QString& context,
                                 const TIcon& icon) {
    if (!isThemeName(name))
        throw EInvalidGraphic(
            QStringLiteral("\"%1\" cannot name an icon.").arg(name).toStdString());
    if (!hicolorContexts().contains(context))
        throw EInvalidGraphic(QStringLiteral("\"%1\" is not a kind of icon the theme has.")
                                  .arg(context)
                                  .toStdString());
    const std::span<const uint8_t> block(icon.ImageBlock(), icon.BlockSize());
    const std::vector<int> chosen = deepestImagePerSize(block, [](int width, int height) {
        return width == height &&
               std::find(kHicolorSizes.begin(), kHicolorSizes.end(), width) != kHicolorSizes.end();
    });
    if (chosen.empty())
        throw EInvalidGraphic(
            "The icon theme holds square images of 16, 22, 24, 32, 36, 48, 64, 72, 96, 128, 192, "
            "256 or 512 pixels, and the document has none.");
    THicolorExport result;
    result.leftOut = icon.ImageCount() - int(chosen.size());
    result.theme = QDir(dir).filePath(QStringLiteral("hicolor"));
    const QDir theme(result.theme);
    for (int index : chosen) {
        const QImage picture = icon.imageToArgb(index);
        const QString folder =
            theme.filePath(QStringLiteral("%1x%1/%2").arg(picture.width()).arg(context));
        if (!QDir().mkpath(folder))
            throw EWriteError(QStringLiteral("Cannot write %1: the folder cannot be made.")
                                  .arg(folder)
                                  .toStdString());
        const QString file = QDir(folder).filePath(name + QStringLiteral(".png"));
        writeWholeFile(file, encodePng(picture));
        result.files << file;
    }
    return result;
}

}  // namespace tarvo
