#pragma once

#include <QImage>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace tarvo {

// The current image of a paletted/16/24-bit document as the system hands it around (drawing it,
// pasting it, building a document from it): its colour plane and its mask plane.
struct TIconHandle {
    QImage color;  // Format_RGB32
    QImage mask;   // Format_Grayscale8, see raster/Planes.h
    bool isNull() const { return color.isNull(); }
};

// Holder of the document's memory block, laid out exactly as an icon/cursor file, and of the
// working planes of the current image.
class TIconImage {
  public:
    // An empty block: reserved 0, type 1 (icon), count 0.
    TIconImage();
    // Takes a copy of a strict block (see normaliseIconBlock).
    explicit TIconImage(std::span<const uint8_t> block);

    uint8_t* ImageBlock() { return storage_.get() + kPad; }
    const uint8_t* ImageBlock() const { return storage_.get() + kPad; }
    uint32_t BlockSize() const { return size_; }
    std::span<uint8_t> block() { return {ImageBlock(), BlockSize()}; }
    std::span<const uint8_t> block() const { return {ImageBlock(), BlockSize()}; }

    QImage MaskBitmap;
    QImage ColorBitmap;
    TIconHandle IconHandle;
    int ImageWidth = 0;
    int ImageHeight = 0;

  private:
    // In a strict block every image starts at an offset of 2 modulo 4 (6 + 16 x count, then
    // sizes that are multiples of 4), and so do 32-bit colour rows 40 bytes later. Starting the
    // block 2 bytes into the allocation puts those rows on 4-byte boundaries for WorkBitmap.
    static constexpr size_t kPad = 2;
    std::unique_ptr<uint8_t[]> storage_;
    uint32_t size_ = 0;
};

}  // namespace tarvo
