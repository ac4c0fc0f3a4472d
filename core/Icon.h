#pragma once

#include <QFont>
#include <QIODevice>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "core/IconFormat.h"
#include "core/IconImage.h"
#include "raster/ArgbView.h"

namespace tarvo {

class NearestColorTable;

// The document: one icon or cursor with any number of images, held as one memory block in the
// file's own layout. Only the current image is unpacked: paletted/16/24-bit images into a colour
// plane and a mask plane that StoreImage writes back, 32-bit images as WorkBitmap, a view that
// writes straight into the block's rows.
//
// Every operation that installs or reallocates the block selects an image again, since
// WorkBitmap points into the block. Loading builds the new block completely before it replaces
// the old one, so a file that cannot be read leaves the document as it was.
class TIcon {
  public:
    TIcon();
    ~TIcon();
    TIcon(const TIcon&) = delete;
    TIcon& operator=(const TIcon&) = delete;

    // Persistence. Readers throw EInvalidGraphic or EReadError; writers EWriteError.
    void LoadFromFile(const QString& fileName);
    void LoadFromStream(QIODevice& stream);
    // Installs the bytes of an icon or cursor file (or a clipboard payload) as the document.
    void LoadFromBytes(std::span<const uint8_t> bytes);
    void SaveToStream(QIODevice& stream) const;
    // Writes the whole file or nothing: the previous file survives a failed save.
    void SaveToFile(const QString& fileName) const;
    // Replaces the document by one 24-bit image built from the handle's planes.
    void LoadFromIconHandle(const TIconHandle& icon);

    // Image list.
    void AddImage(int width, int height, int bits);
    void DeleteImage();
    int SelectImage(int index);
    void StoreImage();
    void ChangeFormat(int width, int height, int bits);
    // Picks the entry that suits a display of `displayColors` colours and icon size `target`.
    void SelectBestImage(QSize target = QSize(32, 32), int64_t displayColors = INT32_MAX);
    void ClearTransparentPixels();

    // Accessors; no side effects.
    int BitCount() const;
    int ImageCount() const;
    int CurrentIndex() const { return currentIndex_; }
    uint8_t* ColorTable();
    QSize GetSize() const;
    const TIconHandle& IconHandle() const { return iconImage_->IconHandle; }
    uint8_t* ImageBlock() { return iconImage_->ImageBlock(); }
    const uint8_t* ImageBlock() const { return iconImage_->ImageBlock(); }
    uint32_t BlockSize() const { return iconImage_->BlockSize(); }
    const QString& ClipboardFormat() const { return clipboardFormat_; }

    // Working objects of the current image.
    QImage& ColorBitmap() { return iconImage_->ColorBitmap; }
    QImage& MaskBitmap() { return iconImage_->MaskBitmap; }
    ArgbView& WorkBitmap() { return workBitmap_; }

    QFont TextFont;
    // Raised after a load has replaced the document.
    std::function<void()> OnChange;

    // Directory helpers for the image list, the save code and the tool.
    uint16_t fileType() const;
    IconEntry entry(int index) const;
    int imageBitCount(int index) const;
    QSize imageSize(int index) const;
    // Type 2 with the hot spot in every entry, or type 1 leaving the entries as they are.
    void markAsCursor(QPoint hotSpot);
    void markAsIcon();
    // Image `index` as a top-down ARGB picture without selecting it: 32-bit images as stored,
    // others with alpha 0 where the mask bit is 1 and the colour plane as is.
    QImage imageToArgb(int index) const;

  private:
    void install(std::vector<uint8_t> block);
    void releaseWorkingObjects();
    const uint8_t* imageBytes(int index) const;
    uint8_t* imageBytes(int index);
    void checkIndex(int index) const;
    NearestColorTable* nearestFor(const uint8_t* image, int bits);

    std::unique_ptr<TIconImage> iconImage_;
    ArgbView workBitmap_;
    int currentIndex_ = -1;
    QString clipboardFormat_;

    // The nearest-colour map of the last colour table StoreImage used.
    std::unique_ptr<NearestColorTable> nearest_;
    std::vector<uint8_t> nearestTable_;
};

}  // namespace tarvo
