#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/IconFormat.h"
#include "core/PeResources.h"

namespace tarvo {

// The images of an icon or cursor file, or of a module's icons or cursors, taken one at a time
// without building a document: for tools that read many images and edit none. Only the
// directory is read up front; an image is checked and decoded when it is asked for, as the
// document would read it.
//
// Files whose directory is anything but plain (entries out of bounds or overlapping the
// directory, bitmap headers other than the 40-byte one, compressed bitmaps, PNG images whose
// chunks are not whole, no images) are not
// taken: `open` gives nothing and the caller reads them as a document, which rewrites or
// refuses them with its own messages.
class TImageSource {
  public:
    // Nothing for a file that is not an icon, cursor or module by its extension, or is not
    // plain; throws EReadError when the file cannot be read, and what reading a module throws.
    static std::optional<TImageSource> open(const QString& fileName, ModuleImages which);
    // The same for the bytes of an icon or cursor file (or a module's images as
    // readModuleImages gives them).
    static std::optional<TImageSource> fromBytes(std::vector<uint8_t> bytes);

    int count() const { return int(entries_.size()); }
    uint16_t type() const { return type_; }
    const IconEntry& entry(int index) const { return entries_[size_t(index)]; }
    // Size and bit count as the document gives them: a PNG image is 32 bits.
    QSize size(int index) const;
    int bitCount(int index) const;
    // The stored bytes of a PNG image (whose chunks, lengths and checksums are whole); nothing
    // for a bitmap.
    std::optional<std::span<const uint8_t>> png(int index) const;
    // The image decoded, top-down ARGB. Throws EInvalidGraphic for a damaged image.
    QImage argb(int index) const;

  private:
    std::span<const uint8_t> bytes(int index) const;

    std::vector<uint8_t> data_;
    uint16_t type_ = kTypeIcon;
    std::vector<IconEntry> entries_;
};

}  // namespace tarvo
