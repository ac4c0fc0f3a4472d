#pragma once

#include <QFont>
#include <QIODevice>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "core/AniFormat.h"
#include "core/IconFormat.h"
#include "core/IconImage.h"
#include "core/IconWriter.h"
#include "core/PeResources.h"
#include "raster/ArgbView.h"

namespace tarvo {

class NearestColorTable;
struct DecodedImage;

// An image of a strict block (its header, table, colour and mask rows) as a top-down ARGB
// picture: 32-bit images as stored, others with alpha 0 where the mask bit is 1.
QImage strictImageToArgb(const uint8_t* image);

// The MIME type under which whole documents travel through the clipboard.
inline constexpr const char* kClipboardMimeType = "application/x-tarvo-icon";

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
    // By extension: .ico and .cur as themselves, .ani as an animated cursor, .exe and .dll by
    // their icon resources (their cursors when they have no icons, or when `module` asks for
    // them), .icns (and any file that starts as one) as a macOS icon, anything else as a
    // picture that replaces the current image.
    void LoadFromFile(const QString& fileName, ModuleImages module = ModuleImages::IconsFirst);
    void LoadFromStream(QIODevice& stream);
    // Installs the bytes of an icon or cursor file (or a clipboard payload) as the document.
    void LoadFromBytes(std::span<const uint8_t> bytes);
    void SaveToStream(QIODevice& stream) const;
    // Writes the whole file or nothing: the previous file survives a failed save.
    void SaveToFile(const QString& fileName) const;
    // The block on the clipboard under kClipboardMimeType, beside what this program put there.
    void CopyToClipboard() const;
    // Replaces the document by the clipboard's document and selects image 0; false when the
    // clipboard holds none. The bytes are checked like a file's (EInvalidGraphic).
    bool PasteFromClipboard();
    static bool clipboardHasDocument();
    // Replaces the document by one 24-bit image built from the handle's planes.
    void LoadFromIconHandle(const TIconHandle& icon);

    // Image list. An animation follows its images (insertAnimationFrame, removeAnimationFrame):
    // a deleted image loses its steps; an added one, or one put back, gets a single step at the
    // default rate, before the first step that shows a later image (so an image put back into
    // steps in image order takes its old place, though not the steps it had elsewhere).
    void AddImage(int width, int height, int bits);
    void DeleteImage();
    // Puts an image taken out earlier (its directory entry and stored bytes) back at `index`, and
    // makes it current. Throws TError when the bytes do not describe a whole image.
    void InsertImage(int index, const IconEntry& entry, std::span<const uint8_t> bytes);
    // Image `from` moved to place `to` (the animation follows, moveAnimationFrame) and made
    // current.
    void MoveImage(int from, int to);
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
    const uint8_t* ColorTable() const { return const_cast<TIcon*>(this)->ColorTable(); }
    QSize GetSize() const;
    const TIconHandle& IconHandle() const { return iconImage_->IconHandle; }
    uint8_t* ImageBlock() { return iconImage_->ImageBlock(); }
    const uint8_t* ImageBlock() const { return iconImage_->ImageBlock(); }
    uint32_t BlockSize() const { return iconImage_->BlockSize(); }
    // The stored bytes of the current image: header, colour table, colour bits, mask bits.
    std::span<const uint8_t> CurrentImageData() const;
    // Writes back bytes taken earlier from the current image, of the same format and so the same
    // length, and reselects the image so the working planes show them.
    void SetCurrentImageData(std::span<const uint8_t> data);
    const QString& ClipboardFormat() const { return clipboardFormat_; }
    // The steps, timing and names of an animated cursor, whose frames are the images; none for
    // a document loaded from anything else.
    const std::optional<TAnimation>& Animation() const { return animation_; }
    // Replaces the animation; steps must show frames the document has (throws TError else).
    void SetAnimation(std::optional<TAnimation> animation);
    void CheckAnimation(const std::optional<TAnimation>& animation) const;

    // Working objects of the current image.
    QImage& ColorBitmap() { return iconImage_->ColorBitmap; }
    QImage& MaskBitmap() { return iconImage_->MaskBitmap; }
    ArgbView& WorkBitmap() { return workBitmap_; }

    // The font of TextOut. Until the user chooses one (ChooseTextFont), FitTextFont sizes it
    // for the current image: 8 pt up to 32 x 32, where the default size would fill the image
    // with a letter or two, and the default size above.
    QFont TextFont;
    void ChooseTextFont(const QFont& font);
    void FitTextFont();
    // Lines, ellipses and text on 32-bit images are anti-aliased; without, every pixel they
    // touch takes the pen (or brush) whole, as on paletted images.
    bool SmoothEdges = true;
    // The PNG entries of the file this document was opened from, written back as they were
    // while their images are unchanged.
    TPngOriginals PngOriginals;
    // Raised after a load has replaced the document.
    std::function<void()> OnChange;

    // ---- Drawing primitives on the current image ------------------------------------------
    // Colours are colour values (core/PixelFormats.h): 0x00BBGGRR, Transparent or Inverse on
    // paletted/16/24-bit images, ARGB on 32-bit ones. Paletted primitives draw on the working
    // planes; those that do not commit leave the block unchanged until the caller commits
    // (StoreImage, then SelectImage of the current index). 32-bit primitives write into the block
    // through WorkBitmap. Coordinates anywhere are clipped to the image.
    //
    // Coverage differs by family: paletted rectangles and ellipses exclude their right and
    // bottom edges and lines their end point (LineTo adds it); 32-bit shapes include them.

    // -1 (Transparent) for a paletted pixel whose mask bit is set or that lies outside the image.
    uint32_t GetPixelValue(int x, int y) const;
    // 32-bit: alpha 0 writes the pixel at once; any other alpha goes to the active stroke.
    void SetPixelValue(int x, int y, uint32_t color);
    void MoveTo(int x, int y);
    void LineTo(int x, int y, uint32_t color);
    void Rectangle(int x1, int y1, int x2, int y2, uint32_t color);
    // Paletted: commits.
    void FilledRectangle(int x1, int y1, int x2, int y2, uint32_t pen, uint32_t brush);
    void Ellipse(int x1, int y1, int x2, int y2, uint32_t color);
    void FilledEllipse(int x1, int y1, int x2, int y2, uint32_t pen, uint32_t brush);
    // A 32-bit stroke: its pixels replace each other in StrokeLayer, so a translucent stroke
    // that crosses itself keeps one alpha, and EndStroke composes it onto the image once.
    void BeginStroke();
    void EndStroke();
    bool strokeActive() const { return !strokeLayer_.isNull(); }
    const QImage& StrokeLayer() const { return strokeLayer_; }
    QPoint PenPosition() const { return penPosition_; }
    // The blur brush: the pixel becomes the average of the size x size window around it.
    void SmoothPixel(int x, int y, int size);
    // Text with its cell's top-left at (x, y) in TextFont. Paletted: commits.
    void TextOut(int x, int y, const QString& text, uint32_t color);
    QSize TextExtent(const QString& text) const;
    // The image as an icon is drawn: paletted images through their mask (AND) then colour
    // (XOR), so transparent pixels keep what is below and inverse ones invert it; 32-bit images
    // source-over, with the active stroke on top. Only the source cells that meet the painter's
    // clip are drawn, each as a sharp block.
    void StretchDraw(QPainter& dc, const QRect& dest, const QRect& src) const;
    // The image as of its last selection, stretched into `rect`.
    void Draw(QPainter& dc, const QRect& rect) const;

    // ---- Fill, erase and region transfer (paletted images commit) ------------------------
    // Rectangles here cover left..right-1 and top..bottom-1: QRect(left, top, width, height).
    void FloodFill(int x, int y, uint32_t color);
    void ErasePolygon(std::span<const QPoint> points);
    void EraseEllipse(const QRect& rect);
    // `bits`: a mask plane of the image's size; its set pixels become transparent.
    void EraseMasked(const QImage& bits);
    // A new one-image document holding the rectangle; with `cut` the rectangle is erased here.
    // Throws TError for an empty rectangle.
    std::unique_ptr<TIcon> ExtractRect(const QRect& rect, bool cut);
    void PasteBitmap(const QImage& bitmap, int x, int y);
    void PasteIcon(TIcon& source, const QRect& rect);
    // The current image as a plain bitmap for the image writers: 32-bit as ARGB; paletted in
    // its own depth and colour table, transparent pixels black.
    QImage CreateImageBitmap() const;

    // ---- Transforms of the current image (paletted images commit) -----------------------
    // Every pixel moves one place; the line that moves out is lost and the line left free
    // becomes transparent (mask set over black; ARGB 0 on 32-bit images). No wrap-around.
    void ShiftLeft();
    void ShiftRight();
    void ShiftUp();
    void ShiftDown();
    // Mirrors: row y becomes row h - 1 - y, or column x becomes column w - 1 - x.
    void FlipVertical();
    void FlipHorizontal();
    // Quarter turns, counter-clockwise and clockwise; a w x h image becomes h x w with its bit
    // count and colour table kept.
    void RotateLeft();
    void RotateRight();
    // Turns the picture about (w / 2, h / 2) by `degrees`, clockwise for positive angles, on a
    // canvas of the same size: what leaves it is lost, what is left uncovered becomes
    // transparent. 32-bit images are resampled bilinearly, the others by nearest pixel with
    // every transparent pixel made black.
    void Rotate(double degrees);

    // Directory helpers for the image list, the save code and the tool.
    uint16_t fileType() const;
    IconEntry entry(int index) const;
    int imageBitCount(int index) const;
    QSize imageSize(int index) const;
    // Type 2 with the hot spot in every entry; type 1 with each entry's planes and bit count
    // back in the fields a cursor keeps its hot spot in.
    void markAsCursor(QPoint hotSpot);
    void markAsIcon();
    // A cursor's hot spot of image `index`; none for an icon.
    std::optional<QPoint> hotSpot(int index) const;
    // Sets image `index`'s hot spot. An icon becomes a cursor whose other images get the same
    // point scaled to their sizes.
    void setHotSpot(int index, QPoint hotSpot);
    // The directory's type and every entry's hot spot fields, to put back as they were.
    struct CursorMark {
        uint16_t type = 0;
        std::vector<std::pair<uint16_t, uint16_t>> fields;
    };
    CursorMark cursorMark() const;
    // Entries the mark does not cover keep their fields.
    void setCursorMark(const CursorMark& mark);
    // Image `index` as a top-down ARGB picture without selecting it: 32-bit images as stored,
    // others with alpha 0 where the mask bit is 1 and the colour plane as is.
    QImage imageToArgb(int index) const;

  private:
    // A new block, and the animation that goes with it: none for a new document.
    void install(std::vector<uint8_t> block, std::optional<TAnimation> animation = std::nullopt);
    void loadRaster(const DecodedImage& decoded);
    void releaseWorkingObjects();
    const uint8_t* imageBytes(int index) const;
    uint8_t* imageBytes(int index);
    void checkIndex(int index) const;
    NearestColorTable* nearestFor(const uint8_t* image, int bits);
    void commit();
    QRect imageRect() const { return {QPoint(0, 0), GetSize()}; }
    // Paints on WorkBitmap; with `centres`, in GDI+ terms where integer coordinates are pixel
    // centres.
    void paintArgb(const std::function<void(QPainter&)>& paint, bool smooth, bool centres);
    // Composes an ARGB32 layer of the image's size onto WorkBitmap, source-over, once.
    void composeOver(const QImage& layer);
    // Writes the shape's spans on WorkBitmap: copying the colour, or blending it source-over.
    void fillSpansArgb(const std::function<void(const std::function<void(int, int, int)>&)>& shape,
                       uint32_t color, bool copy);
    void fillSpansPlanes(
        const std::function<void(const std::function<void(int, int, int)>&)>& shape,
        uint32_t color);

    std::unique_ptr<TIconImage> iconImage_;
    ArgbView workBitmap_;
    int currentIndex_ = -1;
    int currentBits_ = 0;  // bit count of the current image, 0 without one
    QString clipboardFormat_;
    QImage strokeLayer_;  // ARGB32, top-down; null outside a stroke
    QPoint penPosition_;
    bool textFontChosen_ = false;  // TextFont is the user's, kept whatever the image
    std::optional<TAnimation> animation_;

    // The nearest-colour map of the last colour table StoreImage used.
    std::unique_ptr<NearestColorTable> nearest_;
    std::vector<uint8_t> nearestTable_;
};

}  // namespace tarvo
