#include "core/IconImage.h"

#include <algorithm>

#include "core/Bytes.h"
#include "core/IconFormat.h"

namespace tarvo {

TIconImage::TIconImage() : storage_(kPad + kFileHeaderSize, 0) {
    putU16(ImageBlock() + 2, kTypeIcon);
}

TIconImage::TIconImage(std::span<const uint8_t> block) : storage_(kPad + block.size(), 0) {
    std::copy(block.begin(), block.end(), ImageBlock());
}

}  // namespace tarvo
