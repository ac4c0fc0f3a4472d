#pragma once

#include <QString>
#include <QStringList>
#include <array>

namespace tarvo {

class TIcon;

// The fixed sizes the freedesktop hicolor theme has folders for (DIR/hicolor/NxN/CONTEXT).
inline constexpr std::array<int, 13> kHicolorSizes = {16, 22, 24,  32,  36,  48, 64,
                                                      72, 96, 128, 192, 256, 512};
// The kinds of icon the theme sorts its folders by; "apps" is a program's own icon.
const QStringList& hicolorContexts();

// What an export wrote: the theme's folder, the files, and how many images were left out for
// their size.
struct THicolorExport {
    QString theme;
    QStringList files;
    int leftOut = 0;
};

// Writes the document as the icon NAME of the hicolor theme under DIR: each square image of a
// hicolor size as DIR/hicolor/NxN/CONTEXT/NAME.png (of several of one size, the one of most
// bits), with its transparency. No index.theme is written: the system's hicolor index describes
// these folders, and one here would hide it from every program. Throws EInvalidGraphic for a bad
// name or context, or a document with no image of those sizes; EWriteError naming the file.
THicolorExport writeHicolorIcons(const QString& dir, const QString& name, const QString& context,
                                 const TIcon& icon);

}  // namespace tarvo
