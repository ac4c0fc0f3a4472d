#pragma once

#include <QString>

#include "core/IconWriter.h"

namespace tarvo {

class TIcon;

// Writes the document as Save does for the file's extension (lower case): ".ico" as an icon
// (type 1, entries kept), ".cur" as a cursor (type 2; the caller has set the hot spots),
// ".ani" as an animated cursor, ".icns" as a macOS icon of the images of its sizes
// (writeIcns), anything else the current image as a picture: 32-bit images
// with their alpha, others in their own depth and colour table with transparent pixels black.
// Icons and cursors store 32-bit images PNG-compressed as `png` says. The file is replaced only
// once completely written; throws EWriteError naming the file.
void saveDocument(TIcon& icon, const QString& fileName, PngPolicy png = PngPolicy::Auto);

}  // namespace tarvo
