#include "core/IconFormat.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <array>
#include <bit>
#include <map>
#include <stdexcept>
#include <string>

#include "core/Bytes.h"
#include "core/IconWriter.h"
#include "raster/Errors.h"

namespace tarvo {

IconEntry newEntry(int width, int height, int bits, uint32_t bytesInRes, uint32_t imageOffset) {
    IconEntry e;
    e.width = static_cast<uint8_t>(width & 255);
    e.height = static_cast<uint8_t>(height & 255);
    e.colorCount = bits == 4 ? 16 : 0;
    e.bitCount = static_cast<uint16_t>(bits);
    e.bytesInRes = bytesInRes;
    e.imageOffset = imageOffset;
    return e;
}

uint16_t blockType(const uint8_t* block) {
    return getU16(block + 2);
}
uint16_t blockCount(const uint8_t* block) {
    return getU16(block + 4);
}

IconEntry readEntry(const uint8_t* block, int index) {
    const uint8_t* p = block + kFileHeaderSize + kEntrySize * static_cast<uint32_t>(index);
    IconEntry e;
    e.width = p[0];
    e.height = p[1];
    e.colorCount = p[2];
    e.reserved = p[3];
    e.planes = getU16(p + 4);
    e.bitCount = getU16(p + 6);
    e.bytesInRes = getU32(p + 8);
    e.imageOffset = getU32(p + 12);
    return e;
}

void writeEntry(uint8_t* block, int index, const IconEntry& e) {
    uint8_t* p = block + kFileHeaderSize + kEntrySize * static_cast<uint32_t>(index);
    p[0] = e.width;
    p[1] = e.height;
    p[2] = e.colorCount;
    p[3] = e.reserved;
    putU16(p + 4, e.planes);
    putU16(p + 6, e.bitCount);
    putU32(p + 8, e.bytesInRes);
    putU32(p + 12, e.imageOffset);
}

BitmapHeader readBitmapHeader(const uint8_t* p) {
    BitmapHeader h;
    h.size = getU32(p);
    h.width = getI32(p + 4);
    h.height = getI32(p + 8);
    h.planes = getU16(p + 12);
    h.bitCount = getU16(p + 14);
    h.compression = getU32(p + 16);
    h.imageSize = getU32(p + 20);
    h.xPelsPerMeter = getI32(p + 24);
    h.yPelsPerMeter = getI32(p + 28);
    h.colorsUsed = getU32(p + 32);
    h.colorsImportant = getU32(p + 36);
    return h;
}

void writeBitmapHeader(uint8_t* p, const BitmapHeader& h) {
    putU32(p, h.size);
    putU32(p + 4, static_cast<uint32_t>(h.width));
    putU32(p + 8, static_cast<uint32_t>(h.height));
    putU16(p + 12, h.planes);
    putU16(p + 14, h.bitCount);
    putU32(p + 16, h.compression);
    putU32(p + 20, h.imageSize);
    putU32(p + 24, static_cast<uint32_t>(h.xPelsPerMeter));
    putU32(p + 28, static_cast<uint32_t>(h.yPelsPerMeter));
    putU32(p + 32, h.colorsUsed);
    putU32(p + 36, h.colorsImportant);
}

namespace {

constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

[[noreturn]] void fail(const std::string& message) {
    throw EInvalidGraphic(message);
}

// "Image 2 of 5" for messages; users count from 1.
std::string imageName(int index, int count) {
    if (count <= 1) return "The image";
    return "Image " + std::to_string(index + 1) + " of " + std::to_string(count);
}

bool isPng(std::span<const uint8_t> bytes) {
    return startsWith(bytes, kPngSignature, 8);
}

// Where the parts of one device-independent bitmap lie, and how to rewrite it strictly.
struct DibLayout {
    int32_t width = 0;
    int32_t height = 0;  // of the picture, not doubled
    int bits = 0;
    bool topDown = false;
    const uint8_t* header = nullptr;  // the original header when it has 40 bytes or more
    uint32_t tableStart = 0;
    uint32_t tableEntries = 0;  // entries present in the source (B <= 8)
    uint32_t tableEntryBytes = 4;
    uint32_t rowsStart = 0;
    uint64_t maskBytesPresent = 0;    // of R(1) x H
    bool convertBitfields = false;    // pixels must be re-encoded as 32-bit ARGB
    std::array<uint32_t, 4> masks{};  // red, green, blue, alpha

    int outBits() const { return convertBitfields ? 32 : bits; }
    uint64_t outSize() const { return imageSize(width, height, outBits()); }
};

// Reads the header of a bitmap at the start of `data`. With `hasMask` it is an icon image
// (height doubled, AND mask after the colour rows, at most `limit` bytes of it belong to it);
// without, a plain bitmap whose rows may start at `pixelOffset` (0 = after the table).
DibLayout planDib(std::span<const uint8_t> data, uint64_t limit, bool hasMask, uint32_t pixelOffset,
                  const std::string& name) {
    DibLayout d;
    if (data.size() < 4) fail(name + " is cut short.");
    const uint32_t headerSize = getU32(data.data());
    uint32_t compression = kBiRgb;
    uint32_t colorsUsed = 0;
    int64_t rawHeight = 0;
    if (headerSize == 12) {
        if (data.size() < 12) fail(name + " is cut short.");
        d.width = getU16(data.data() + 4);
        rawHeight = getU16(data.data() + 6);
        d.bits = getU16(data.data() + 10);
        d.tableEntryBytes = 3;
    } else if (headerSize >= kBitmapHeaderSize && headerSize <= 4096) {
        if (!fits(0, headerSize, data.size())) fail(name + " is cut short.");
        const BitmapHeader h = readBitmapHeader(data.data());
        d.header = data.data();
        d.width = h.width;
        rawHeight = h.height;
        d.bits = h.bitCount;
        compression = h.compression;
        colorsUsed = h.colorsUsed;
    } else {
        fail(name + " has a bitmap header of an unknown kind (" + std::to_string(headerSize) +
             " bytes).");
    }

    if (hasMask) {
        if (rawHeight <= 0 || rawHeight % 2 != 0)
            fail(name + " has an invalid bitmap height (" + std::to_string(rawHeight) + ").");
        d.height = static_cast<int32_t>(rawHeight / 2);
    } else {
        d.topDown = rawHeight < 0;
        rawHeight = rawHeight < 0 ? -rawHeight : rawHeight;
        if (rawHeight > kMaxDimension) fail(name + " is too large to open.");
        d.height = static_cast<int32_t>(rawHeight);
    }
    if (d.width <= 0 || d.height <= 0)
        fail(name + " has an invalid size (" + std::to_string(d.width) + " x " +
             std::to_string(d.height) + ").");
    if (d.width > kMaxDimension || d.height > kMaxDimension)
        fail(name + " is too large to open (" + std::to_string(d.width) + " x " +
             std::to_string(d.height) + ").");
    if (!isValidBitCount(d.bits))
        fail(name + " has a colour depth that is not supported (" + std::to_string(d.bits) +
             " bits per pixel).");

    uint32_t afterHeader = headerSize;
    if (compression == kBiBitfields && (d.bits == 16 || d.bits == 32)) {
        // The masks follow a 40-byte header, or stand inside a larger one.
        const uint32_t at = headerSize == kBitmapHeaderSize ? kBitmapHeaderSize : 40;
        if (headerSize == kBitmapHeaderSize) afterHeader += 12;
        if (!fits(at, 12, data.size())) fail(name + " is cut short.");
        for (int i = 0; i < 3; ++i) d.masks[i] = getU32(data.data() + at + 4 * i);
        if (headerSize >= 56) d.masks[3] = getU32(data.data() + 52);
        const bool standard =
            d.bits == 16 ? (d.masks[0] == 0x7C00 && d.masks[1] == 0x03E0 && d.masks[2] == 0x001F)
                         : (d.masks[0] == 0xFF0000 && d.masks[1] == 0xFF00 && d.masks[2] == 0xFF &&
                            (d.masks[3] == 0 || d.masks[3] == 0xFF000000u));
        d.convertBitfields = !standard;
    } else if (compression != kBiRgb) {
        fail(name + " is stored with a compression that is not supported (type " +
             std::to_string(compression) + ").");
    }

    d.tableStart = afterHeader;
    if (d.bits <= 8) {
        const uint32_t full = 1u << d.bits;
        d.tableEntries =
            (headerSize != 12 && colorsUsed > 0 && colorsUsed < full) ? colorsUsed : full;
    }
    const uint64_t tableEnd = uint64_t{d.tableStart} + uint64_t{d.tableEntries} * d.tableEntryBytes;
    d.rowsStart = static_cast<uint32_t>(std::min<uint64_t>(tableEnd, UINT32_MAX));
    if (pixelOffset != 0 && pixelOffset >= tableEnd) d.rowsStart = pixelOffset;

    if (d.outSize() > kMaxBlockSize) fail(name + " is too large to open.");
    const uint64_t colorBytes = rowSize(d.width, d.bits) * d.height;
    if (!fits(d.rowsStart, colorBytes, data.size())) fail(name + " is cut short.");
    const uint64_t rowsEnd = d.rowsStart + colorBytes;
    if (hasMask) {
        const uint64_t maskBytes = rowSize(d.width, 1) * d.height;
        uint64_t end = std::min<uint64_t>(limit, data.size());
        // An entry that understates its size while the file holds the whole image is believed
        // less than the bitmap header.
        if (end < rowsEnd + maskBytes && fits(rowsEnd, maskBytes, data.size()) && end < rowsEnd)
            end = rowsEnd + maskBytes;
        d.maskBytesPresent = end > rowsEnd ? std::min(maskBytes, end - rowsEnd) : 0;
    }
    return d;
}

uint8_t scaleChannel(uint32_t pixel, uint32_t mask) {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const uint32_t max = mask >> shift;
    return static_cast<uint8_t>(((pixel & mask) >> shift) * 255u / max);
}

// 32-bit images whose alpha bytes are all 0 would be invisible; they take alpha from the mask.
void alphaFromMaskIfAllZero(uint8_t* image, int32_t w, int32_t h) {
    uint8_t* rows = image + kBitmapHeaderSize;
    const uint64_t pixels = uint64_t(w) * h;
    for (uint64_t i = 0; i < pixels; ++i)
        if (rows[4 * i + 3] != 0) return;
    const uint8_t* mask = rows + pixels * 4;
    const uint64_t maskRow = rowSize(w, 1);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const bool transparent = (mask[y * maskRow + x / 8] >> (7 - x % 8)) & 1;
            rows[(uint64_t(y) * w + x) * 4 + 3] = transparent ? 0 : 0xFF;
        }
    }
}

// Writes the strict form of a planned bitmap into `out` (d.outSize() zero bytes).
void buildDib(std::span<const uint8_t> data, const DibLayout& d, std::span<uint8_t> out) {
    const int bits = d.outBits();

    BitmapHeader h;
    if (d.header != nullptr) h = readBitmapHeader(d.header);
    h.size = kBitmapHeaderSize;
    h.width = d.width;
    h.height = d.height * 2;
    h.planes = d.header != nullptr ? h.planes : 1;
    h.bitCount = static_cast<uint16_t>(bits);
    h.compression = kBiRgb;
    if (bits <= 8) {
        if (h.colorsUsed != 0 && h.colorsUsed != (1u << bits)) h.colorsUsed = 0;
    } else {
        h.colorsUsed = 0;
    }
    writeBitmapHeader(out.data(), h);

    uint8_t* table = out.data() + kBitmapHeaderSize;
    for (uint32_t i = 0; i < d.tableEntries; ++i) {
        const uint8_t* src = data.data() + d.tableStart + i * d.tableEntryBytes;
        std::copy(src, src + 3, table + 4 * i);
        table[4 * i + 3] = d.tableEntryBytes == 4 ? src[3] : 0;
    }

    const uint64_t srcRow = rowSize(d.width, d.bits);
    const uint64_t dstRow = rowSize(d.width, bits);
    uint8_t* rows = out.data() + kBitmapHeaderSize + tableSize(bits);
    for (int32_t y = 0; y < d.height; ++y) {
        const int32_t sy = d.topDown ? d.height - 1 - y : y;
        const uint8_t* src = data.data() + d.rowsStart + uint64_t(sy) * srcRow;
        uint8_t* dst = rows + uint64_t(y) * dstRow;
        if (!d.convertBitfields) {
            std::copy(src, src + srcRow, dst);
            continue;
        }
        for (int32_t x = 0; x < d.width; ++x) {
            const uint32_t px = d.bits == 16 ? getU16(src + 2 * x) : getU32(src + 4 * x);
            dst[4 * x + 0] = scaleChannel(px, d.masks[2]);
            dst[4 * x + 1] = scaleChannel(px, d.masks[1]);
            dst[4 * x + 2] = scaleChannel(px, d.masks[0]);
            dst[4 * x + 3] = scaleChannel(px, d.masks[3]);
        }
    }

    // Mask rows present are copied; missing ones stay 0, which is opaque.
    uint8_t* mask = rows + dstRow * d.height;
    if (d.maskBytesPresent > 0) {
        const uint8_t* src = data.data() + d.rowsStart + srcRow * d.height;
        std::copy(src, src + d.maskBytesPresent, mask);
    }
    if (bits == 32) alphaFromMaskIfAllZero(out.data(), d.width, d.height);
}

std::vector<uint8_t> buildDib(std::span<const uint8_t> data, const DibLayout& d) {
    std::vector<uint8_t> out(d.outSize(), 0);
    buildDib(data, d, out);
    return out;
}

uint32_t be32(std::span<const uint8_t> bytes, size_t at) {
    return (uint32_t(bytes[at]) << 24) | (uint32_t(bytes[at + 1]) << 16) |
           (uint32_t(bytes[at + 2]) << 8) | uint32_t(bytes[at + 3]);
}

// The PNG at the start of `bytes`, up to the end of its IEND chunk. Every chunk must lie within
// the bytes: a chunk claiming more is damage, and the decoder would otherwise try to read it.
std::span<const uint8_t> pngExtent(std::span<const uint8_t> bytes, const std::string& name) {
    uint64_t at = 8;
    while (fits(at, 8, bytes.size())) {
        const uint64_t length = be32(bytes, at);
        if (length > 0x7FFFFFFF || !fits(at, 12 + length, bytes.size())) break;
        const bool end = std::memcmp(bytes.data() + at + 4, "IEND", 4) == 0;
        at += 12 + length;
        if (end) return bytes.first(at);
    }
    fail(name + " is not a readable PNG image.");
}

// One image that becomes the whole document, with a directory entry like AddImage writes.
std::vector<uint8_t> singleImageBlock(std::vector<uint8_t> image) {
    std::vector<std::vector<uint8_t>> images;
    images.push_back(std::move(image));
    return iconBlockOf(images);
}

std::vector<uint8_t> bareBitmap(std::span<const uint8_t> file) {
    if (file.size() < 14 + 12) fail("The bitmap file is cut short.");
    const uint32_t pixelOffset = getU32(file.data() + 10);
    const auto dib = file.subspan(14);
    try {
        const DibLayout d =
            planDib(dib, dib.size(), false, pixelOffset >= 14 ? pixelOffset - 14 : 0, "The bitmap");
        return buildDib(dib, d);
    } catch (const EInvalidGraphic&) {
        // Run-length encoded and other bitmaps the image plug-ins still read.
        QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(file.data()),
                                                  static_cast<qsizetype>(file.size()));
        QBuffer buffer(&data);
        QImageReader reader(&buffer, "BMP");
        const QSize size = reader.size();
        if (!size.isValid()) throw;
        // Runs of at most 255 pixels per two bytes: a file far too small for its picture is
        // damaged, and is refused before a picture of that size is allocated.
        if (uint64_t(size.width()) * uint64_t(size.height()) > 256 * uint64_t{file.size()} + 65536)
            fail("The bitmap is cut short.");
        if (imageSize(size.width(), size.height(), 32) > kMaxBlockSize)
            fail("The bitmap is too large to open.");
        const QImage decoded = reader.read();
        if (decoded.isNull()) throw;
        return imageFromArgb(decoded);
    }
}

}  // namespace

PngPlan planPngImage(std::span<const uint8_t> bytes, const std::string& name) {
    if (!isPng(bytes)) fail(name + " is not a readable PNG image.");
    const std::span<const uint8_t> png = pngExtent(bytes, name);
    // Signature, then the IHDR chunk: length, "IHDR", width and height big-endian.
    if (png.size() < 26 || std::memcmp(png.data() + 12, "IHDR", 4) != 0)
        fail(name + " is not a readable PNG image.");
    PngPlan plan{png, be32(png, 16), be32(png, 20)};
    if (plan.width == 0 || plan.height == 0) fail(name + " is not a readable PNG image.");
    if (plan.width > uint32_t(kMaxDimension) || plan.height > uint32_t(kMaxDimension) ||
        imageSize(plan.width, plan.height, 32) > kMaxBlockSize)
        fail(name + " is too large to open.");
    // Deflate expands at most about 1032 to 1, so compressed data too small for the picture's
    // scanlines cannot be a whole PNG; refusing it here avoids allocating for a decoy header.
    static constexpr int kChannels[] = {1, 0, 3, 1, 2, 0, 4};
    const int depth = png[24], colorType = png[25];
    const int channels = colorType < 7 ? kChannels[colorType] : 0;
    if (channels == 0 || depth == 0 || depth > 16) fail(name + " is not a readable PNG image.");
    const uint64_t scanlines =
        uint64_t{plan.height} * (1 + (uint64_t{plan.width} * channels * depth + 7) / 8);
    if (scanlines > 1032 * uint64_t{png.size()} + 4096)
        fail(name + " is not a readable PNG image.");
    return plan;
}

std::vector<uint8_t> imageFromArgb(const QImage& picture) {
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    const int32_t w = argb.width(), h = argb.height();
    std::vector<uint8_t> out(imageSize(w, h, 32), 0);
    BitmapHeader header;
    header.width = w;
    header.height = h * 2;
    header.bitCount = 32;
    writeBitmapHeader(out.data(), header);
    uint8_t* rows = out.data() + kBitmapHeaderSize;
    uint8_t* mask = rows + uint64_t(w) * 4 * h;
    const uint64_t maskRow = rowSize(w, 1);
    for (int32_t y = 0; y < h; ++y) {
        const QRgb* src = reinterpret_cast<const QRgb*>(argb.constScanLine(h - 1 - y));
        uint8_t* dst = rows + uint64_t(y) * w * 4;
        for (int32_t x = 0; x < w; ++x) {
            putU32(dst + 4 * x, src[x]);
            if (qAlpha(src[x]) == 0) mask[y * maskRow + x / 8] |= uint8_t(0x80 >> (x % 8));
        }
    }
    return out;
}

std::vector<uint8_t> imageFromPng(const PngPlan& png, const std::string& name) {
    const QImage decoded =
        QImage::fromData(QByteArray::fromRawData(reinterpret_cast<const char*>(png.data.data()),
                                                 static_cast<qsizetype>(png.data.size())),
                         "PNG");
    if (decoded.isNull() || uint32_t(decoded.width()) != png.width ||
        uint32_t(decoded.height()) != png.height)
        fail(name + " is not a readable PNG image.");
    return imageFromArgb(decoded);
}

std::vector<uint8_t> iconBlockOf(const std::vector<std::vector<uint8_t>>& images) {
    uint64_t total = kFileHeaderSize + uint64_t{kEntrySize} * images.size();
    for (const std::vector<uint8_t>& image : images) total += image.size();
    if (images.empty()) throw std::invalid_argument("A block needs at least one image");
    if (images.size() > 0xFFFF || total > kMaxBlockSize) throw EOutOfResources();
    std::vector<uint8_t> block(total, 0);
    putU16(block.data() + 2, kTypeIcon);
    putU16(block.data() + 4, static_cast<uint16_t>(images.size()));
    uint64_t offset = kFileHeaderSize + uint64_t{kEntrySize} * images.size();
    for (size_t i = 0; i < images.size(); ++i) {
        const BitmapHeader h = readBitmapHeader(images[i].data());
        writeEntry(block.data(), int(i),
                   newEntry(h.width, h.height / 2, h.bitCount, uint32_t(images[i].size()),
                            uint32_t(offset)));
        std::copy(images[i].begin(), images[i].end(), block.begin() + offset);
        offset += images[i].size();
    }
    return block;
}

std::vector<uint8_t> normaliseIconBlock(std::span<const uint8_t> bytes, TPngOriginals* originals) {
    if (isPng(bytes)) {
        const std::string name = "The PNG image";
        return singleImageBlock(imageFromPng(planPngImage(bytes, name), name));
    }
    if (startsWith(bytes, "BM", 2)) return singleImageBlock(bareBitmap(bytes));

    if (bytes.size() < kFileHeaderSize) fail("The file is too short to be an icon or cursor.");
    const uint16_t reserved = getU16(bytes.data());
    const uint16_t type = getU16(bytes.data() + 2);
    const uint16_t count = getU16(bytes.data() + 4);
    if (reserved != 0 || (type != kTypeIcon && type != kTypeCursor))
        fail("The file is not an icon or cursor file.");
    if (count == 0) fail("The file contains no images.");
    const uint64_t directoryEnd = kFileHeaderSize + uint64_t{kEntrySize} * count;
    if (directoryEnd > bytes.size()) fail("The file's image directory is cut short.");

    // First pass: every image's place and strict size, so that nothing is allocated for a file
    // whose images would add up to more than a block may hold.
    struct Planned {
        bool png = false;
        std::span<const uint8_t> data;
        PngPlan pngPlan;
        DibLayout dib;
    };
    std::vector<Planned> plans(count);
    uint64_t total = directoryEnd;
    for (int i = 0; i < count; ++i) {
        const std::string name = imageName(i, count);
        const IconEntry e = readEntry(bytes.data(), i);
        if (e.imageOffset < directoryEnd || e.imageOffset >= bytes.size())
            fail(name + " lies outside the file.");
        const auto rest = bytes.subspan(e.imageOffset);
        Planned& p = plans[i];
        uint64_t size = 0;
        if (isPng(rest)) {
            // The PNG's own chunks say where it ends; the entry's size is not needed.
            p.png = true;
            p.pngPlan = planPngImage(rest, name);
            size = imageSize(p.pngPlan.width, p.pngPlan.height, 32);
        } else {
            p.data = rest;
            p.dib = planDib(rest, e.bytesInRes, true, 0, name);
            size = p.dib.outSize();
        }
        total += size;
        if (total > kMaxBlockSize) fail("The file is too large to open.");
    }

    // Second pass: the strict block, each image written in its place. A block that was strict
    // already comes out unchanged, as the entries' first eight bytes and every strict image are
    // copied as they are.
    std::vector<uint8_t> block(total, 0);
    std::copy(bytes.begin(), bytes.begin() + directoryEnd, block.begin());
    uint64_t offset = directoryEnd;
    for (int i = 0; i < count; ++i) {
        IconEntry e = readEntry(bytes.data(), i);
        uint64_t size = 0;
        if (plans[i].png) {
            const std::vector<uint8_t> image = imageFromPng(plans[i].pngPlan, imageName(i, count));
            if (originals) originals->add(image, plans[i].pngPlan.data);
            size = image.size();
            std::copy(image.begin(), image.end(), block.begin() + offset);
        } else {
            size = plans[i].dib.outSize();
            buildDib(plans[i].data, plans[i].dib, std::span(block.data() + offset, size));
        }
        e.bytesInRes = static_cast<uint32_t>(size);
        e.imageOffset = static_cast<uint32_t>(offset);
        writeEntry(block.data(), i, e);
        offset += size;
    }
    return block;
}

std::vector<int> deepestImagePerSize(std::span<const uint8_t> block,
                                     const std::function<bool(int width, int height)>& wanted) {
    validateIconBlock(block);
    auto header = [&block](int i) {
        return readBitmapHeader(block.data() + readEntry(block.data(), i).imageOffset);
    };
    std::map<int, int> bySide;  // the image chosen for each width
    for (int i = 0; i < blockCount(block.data()); ++i) {
        const BitmapHeader h = header(i);
        if (!wanted(h.width, h.height / 2)) continue;
        const auto [chosen, added] = bySide.emplace(h.width, i);
        if (!added && header(chosen->second).bitCount < h.bitCount) chosen->second = i;
    }
    std::vector<int> images;
    for (const auto& [side, index] : bySide) images.push_back(index);
    std::sort(images.begin(), images.end());
    return images;
}

void validateIconBlock(std::span<const uint8_t> block) {
    if (block.size() < kFileHeaderSize || block.size() > kMaxBlockSize)
        fail("The icon block has an invalid size.");
    const uint16_t type = blockType(block.data());
    const uint16_t count = blockCount(block.data());
    if (getU16(block.data()) != 0 || (type != kTypeIcon && type != kTypeCursor))
        fail("The icon block has an invalid header.");
    if (count == 0) fail("The icon block contains no images.");
    uint64_t expected = kFileHeaderSize + uint64_t{kEntrySize} * count;
    if (expected > block.size()) fail("The icon block's directory is cut short.");
    for (int i = 0; i < count; ++i) {
        const std::string name = imageName(i, count);
        const IconEntry e = readEntry(block.data(), i);
        if (e.imageOffset != expected || !fits(e.imageOffset, e.bytesInRes, block.size()) ||
            e.bytesInRes < kBitmapHeaderSize)
            fail(name + " does not lie where the directory says.");
        const uint8_t* p = block.data() + e.imageOffset;
        if (isPng(std::span(p, e.bytesInRes))) fail(name + " is a compressed image.");
        const BitmapHeader h = readBitmapHeader(p);
        if (h.size != kBitmapHeaderSize || h.width <= 0 || h.height <= 0 || h.height % 2 != 0 ||
            h.width > kMaxDimension || h.height / 2 > kMaxDimension ||
            !isValidBitCount(h.bitCount) || h.compression != kBiRgb ||
            (h.colorsUsed != 0 && (h.bitCount > 8 || h.colorsUsed != (1u << h.bitCount))))
            fail(name + " has an invalid bitmap header.");
        if (e.bytesInRes != imageSize(h.width, h.height / 2, h.bitCount))
            fail(name + " has the wrong size.");
        expected += e.bytesInRes;
    }
    if (expected != block.size()) fail("The icon block has bytes after its last image.");
}

std::vector<uint8_t> strictIconBlock(std::span<const uint8_t> bytes, TPngOriginals* originals) {
    bool strict = true;
    try {
        validateIconBlock(bytes);
    } catch (const EInvalidGraphic&) {
        strict = false;
    }
    // A valid block may still hold a 32-bit image without alpha, which normalising mends.
    for (int i = 0; strict && i < blockCount(bytes.data()); ++i) {
        const uint8_t* image = bytes.data() + readEntry(bytes.data(), i).imageOffset;
        const BitmapHeader h = readBitmapHeader(image);
        if (h.bitCount != 32) continue;
        const uint8_t* rows = image + kBitmapHeaderSize;
        const uint64_t pixels = uint64_t(h.width) * uint64_t(h.height / 2);
        uint64_t p = 0;
        while (p < pixels && rows[4 * p + 3] == 0) ++p;
        strict = p < pixels;
    }
    if (strict) return {bytes.begin(), bytes.end()};
    std::vector<uint8_t> block = normaliseIconBlock(bytes, originals);
    validateIconBlock(block);
    return block;
}

}  // namespace tarvo
