#include "core/IconImage.h"

#include <algorithm>

#include "core/Bytes.h"
#include "core/IconFormat.h"

namespace tarvo {

TIconImage::TIconImage()
    : storage_(std::make_unique<uint8_t[]>(kPad + kFileHeaderSize)), size_(kFileHeaderSize) {
    putU16(ImageBlock() + 2, kTypeIcon);
}

// Every byte is copied in, so the storage needs no clearing first.
TIconImage::TIconImage(std::span<const uint8_t> block)
    : storage_(std::make_unique_for_overwrite<uint8_t[]>(kPad + block.size())),
      size_(static_cast<uint32_t>(block.size())) {
    std::copy(block.begin(), block.end(), ImageBlock());
}

}  // namespace tarvo
