#include "core/XcursorFormat.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <tuple>

#include "core/Bytes.h"
#include "core/Icon.h"
#include "core/IconFormat.h"
#include "core/PixelFormats.h"
#include "raster/Errors.h"

// Last: the X headers define macros (Status, Bool) that clash with the toolkit's names.
#include <X11/Xcursor/Xcursor.h>

namespace tarvo {

namespace {

// libXcursor reads and writes through callbacks: here, over bytes in memory.
struct Memory {
    std::vector<uint8_t> bytes;
    size_t at = 0;
};

int readMemory(XcursorFile* file, unsigned char* buf, int len) {
    auto* m = static_cast<Memory*>(file->closure);
    if (len <= 0) return 0;
    const size_t n = std::min(size_t(len), m->bytes.size() - std::min(m->at, m->bytes.size()));
    if (n) std::memcpy(buf, m->bytes.data() + m->at, n);
    m->at += n;
    return int(n);
}

int writeMemory(XcursorFile* file, unsigned char* buf, int len) {
    auto* m = static_cast<Memory*>(file->closure);
    if (len <= 0) return 0;
    if (m->at > m->bytes.size()) m->bytes.resize(m->at);
    const size_t end = m->at + size_t(len);
    if (end > m->bytes.size()) m->bytes.resize(end);
    std::memcpy(m->bytes.data() + m->at, buf, size_t(len));
    m->at = end;
    return len;
}

int seekMemory(XcursorFile* file, long offset, int whence) {
    auto* m = static_cast<Memory*>(file->closure);
    long base = 0;
    if (whence == SEEK_CUR) base = long(m->at);
    if (whence == SEEK_END) base = long(m->bytes.size());
    if (offset < -base) return -1;
    m->at = size_t(base + offset);
    return 0;  // as fseek does
}

struct ImagesFree {
    void operator()(XcursorImages* images) const { XcursorImagesDestroy(images); }
};
using Images = std::unique_ptr<XcursorImages, ImagesFree>;

XcursorFile fileOver(Memory& memory) {
    return XcursorFile{&memory, readMemory, writeMemory, seekMemory};
}

uint8_t unpremultiply(uint32_t channel, uint32_t alpha) {
    if (alpha == 0) return 0;
    return uint8_t(std::min<uint32_t>(255, (channel * 255 + alpha / 2) / alpha));
}

uint8_t premultiply(uint32_t channel, uint32_t alpha) {
    return uint8_t((channel * alpha + 127) / 255);
}

}  // namespace

bool isXcursor(std::span<const uint8_t> bytes) {
    return startsWith(bytes, "Xcur", 4);
}

std::vector<uint8_t> readXcursor(std::span<const uint8_t> bytes,
                                 std::optional<TAnimation>* animation) {
    if (!isXcursor(bytes)) throw EInvalidGraphic("The file is not an X cursor file.");
    Memory memory{std::vector<uint8_t>(bytes.begin(), bytes.end()), 0};
    XcursorFile file = fileOver(memory);
    const Images images(XcursorXcFileLoadAllImages(&file));
    if (!images || images->nimage <= 0)
        throw EInvalidGraphic("The X cursor file holds no readable images.");
    std::vector<std::vector<uint8_t>> strict;
    std::vector<std::pair<uint16_t, uint16_t>> hotSpots;
    TAnimation steps;
    bool animated = false;
    for (int i = 0; i < images->nimage; ++i) {
        const XcursorImage* image = images->images[i];
        if (!image || image->width == 0 || image->height == 0 ||
            image->width > uint32_t(kMaxDimension) || image->height > uint32_t(kMaxDimension))
            throw EInvalidGraphic("An image of the X cursor file has no pixels.");
        QImage argb(int(image->width), int(image->height), QImage::Format_ARGB32);
        if (argb.isNull()) throw EOutOfResources();
        for (int y = 0; y < argb.height(); ++y) {
            QRgb* row = reinterpret_cast<QRgb*>(argb.scanLine(y));
            const XcursorPixel* src = image->pixels + size_t(y) * image->width;
            for (int x = 0; x < argb.width(); ++x) {
                const uint32_t p = src[x], a = p >> 24;
                row[x] = qRgba(unpremultiply(p >> 16 & 0xFF, a), unpremultiply(p >> 8 & 0xFF, a),
                               unpremultiply(p & 0xFF, a), int(a));
            }
        }
        strict.push_back(imageFromArgb(argb));
        hotSpots.emplace_back(uint16_t(std::min<uint32_t>(image->xhot, 0xFFFF)),
                              uint16_t(std::min<uint32_t>(image->yhot, 0xFFFF)));
        animated = animated || image->delay != 0;
        steps.steps.push_back(
            {i, std::max<uint32_t>(1, uint32_t(std::lround(image->delay * 0.06)))});
    }
    std::vector<uint8_t> block = iconBlockOf(strict);
    putU16(block.data() + 2, kTypeCursor);
    for (int i = 0; i < int(hotSpots.size()); ++i) {
        IconEntry e = readEntry(block.data(), i);
        std::tie(e.planes, e.bitCount) = hotSpots[size_t(i)];
        writeEntry(block.data(), i, e);
    }
    if (animation) {
        animation->reset();
        if (animated) *animation = std::move(steps);
    }
    return block;
}

std::vector<uint8_t> writeXcursor(std::span<const uint8_t> block,
                                  const std::optional<TAnimation>& animation) {
    validateIconBlock(block);
    const int count = blockCount(block.data());
    const bool cursor = blockType(block.data()) == kTypeCursor;
    const Images images(XcursorImagesCreate(count));
    if (!images) throw EOutOfResources();
    for (int i = 0; i < count; ++i) {
        const IconEntry e = readEntry(block.data(), i);
        const QImage argb = strictImageToArgb(block.data() + e.imageOffset);
        XcursorImage* image = XcursorImageCreate(argb.width(), argb.height());
        if (!image) throw EOutOfResources();
        images->images[images->nimage++] = image;
        image->size = XcursorDim(std::max(argb.width(), argb.height()));
        image->xhot = cursor ? std::min<XcursorDim>(e.planes, image->width - 1) : 0;
        image->yhot = cursor ? std::min<XcursorDim>(e.bitCount, image->height - 1) : 0;
        image->delay = 0;
        if (animation)
            for (const TAnimationStep& step : animation->steps)
                if (step.frame == i) {
                    image->delay = XcursorUInt(std::lround(step.rate * 1000.0 / 60.0));
                    break;
                }
        for (int y = 0; y < argb.height(); ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
            XcursorPixel* dst = image->pixels + size_t(y) * image->width;
            for (int x = 0; x < argb.width(); ++x) {
                const uint32_t a = uint32_t(qAlpha(row[x]));
                dst[x] = a << 24 | uint32_t(premultiply(uint32_t(qRed(row[x])), a)) << 16 |
                         uint32_t(premultiply(uint32_t(qGreen(row[x])), a)) << 8 |
                         premultiply(uint32_t(qBlue(row[x])), a);
            }
        }
    }
    Memory memory;
    XcursorFile file = fileOver(memory);
    const std::unique_ptr<XcursorComments, void (*)(XcursorComments*)> comments(
        XcursorCommentsCreate(0), XcursorCommentsDestroy);
    if (!comments) throw EOutOfResources();
    if (!XcursorXcFileSave(&file, comments.get(), images.get()))
        throw EWriteError("The X cursor file could not be made.");
    return std::move(memory.bytes);
}

}  // namespace tarvo
