#include "core/PixelFormats.h"

#include <algorithm>
#include <stdexcept>

#include "core/Bytes.h"
#include "core/IconFormat.h"
#include "raster/ColorMatch.h"
#include "raster/Halftone.h"
#include "raster/Planes.h"

namespace tarvo {

int64_t ColorCount(int bits) {
    switch (bits) {
        case 1:
            return 2;
        case 4:
            return 16;
        case 8:
            return 256;
        case 16:
            return 65536;
        case 24:
            return 16777216;
        default:
            return 0x1FFFFFF;
    }
}

int BitCountForColors(int64_t colors) {
    if (colors == 2) return 1;
    if (colors >= 3 && colors <= 16) return 4;
    if (colors >= 17 && colors <= 256) return 8;
    if (colors >= 257 && colors <= 65536) return 16;
    if (colors >= 65537 && colors <= 16777216) return 24;
    return 32;
}

const std::array<QRgb, 16>& defaultTable4() {
    static constexpr std::array<QRgb, 16> table = {0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000,
                                                   0xFF000080, 0xFF800080, 0xFF008080, 0xFF808080,
                                                   0xFFC0C0C0, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00,
                                                   0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF};
    return table;
}

void writeDefaultColorTable(uint8_t* table, int bits) {
    auto put = [table](int i, QRgb c) {
        table[4 * i + 0] = static_cast<uint8_t>(qBlue(c));
        table[4 * i + 1] = static_cast<uint8_t>(qGreen(c));
        table[4 * i + 2] = static_cast<uint8_t>(qRed(c));
        table[4 * i + 3] = 0;
    };
    switch (bits) {
        case 1:
            put(0, qRgb(0, 0, 0));
            put(1, qRgb(255, 255, 255));
            break;
        case 4:
            for (int i = 0; i < 16; ++i) put(i, defaultTable4()[i]);
            break;
        case 8:
            for (int i = 0; i < 256; ++i) put(i, halftonePalette()[i]);
            break;
        default:
            break;
    }
}

std::array<QRgb, 256> readColorTable(const uint8_t* table, int bits) {
    std::array<QRgb, 256> colors{};
    const int n = bits <= 8 ? 1 << bits : 0;
    for (int i = 0; i < n; ++i) colors[i] = qRgb(table[4 * i + 2], table[4 * i + 1], table[4 * i]);
    return colors;
}

void decodeImage(const uint8_t* image, QImage& color, QImage& mask) {
    const BitmapHeader h = readBitmapHeader(image);
    const int w = h.width, ht = h.height / 2, bits = h.bitCount;
    if (bits == 32) throw std::logic_error("32-bit images are not decoded into planes");
    color = createColorPlane(w, ht);
    mask = createMaskPlane(w, ht);
    const std::array<QRgb, 256> table = readColorTable(image + kBitmapHeaderSize, bits);
    const uint8_t* rows = image + kBitmapHeaderSize + tableSize(bits);
    const uint64_t row = rowSize(w, bits);
    const uint64_t maskRow = rowSize(w, 1);
    const uint8_t* maskRows = rows + row * ht;
    for (int y = 0; y < ht; ++y) {
        // Rows are stored bottom-up.
        const uint8_t* src = rows + row * (ht - 1 - y);
        QRgb* dst = reinterpret_cast<QRgb*>(color.scanLine(y));
        switch (bits) {
            case 1:
                for (int x = 0; x < w; ++x) dst[x] = table[(src[x >> 3] >> (7 - (x & 7))) & 1];
                break;
            case 4:
                for (int x = 0; x < w; ++x) dst[x] = table[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
                break;
            case 8:
                for (int x = 0; x < w; ++x) dst[x] = table[src[x]];
                break;
            case 16:
                for (int x = 0; x < w; ++x) dst[x] = widen555(getU16(src + 2 * x));
                break;
            case 24:
                for (int x = 0; x < w; ++x)
                    dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
                break;
            default:
                throw std::logic_error("bit count");
        }
        const uint8_t* msrc = maskRows + maskRow * (ht - 1 - y);
        uchar* mdst = mask.scanLine(y);
        for (int x = 0; x < w; ++x)
            mdst[x] = ((msrc[x >> 3] >> (7 - (x & 7))) & 1) ? kMaskSet : kMaskClear;
    }
}

void encodeImage(uint8_t* image, const QImage& color, const QImage& mask,
                 NearestColorTable* nearest) {
    const BitmapHeader h = readBitmapHeader(image);
    const int w = h.width, ht = h.height / 2, bits = h.bitCount;
    if (color.width() != w || color.height() != ht || mask.width() != w || mask.height() != ht ||
        color.format() != QImage::Format_RGB32 || mask.format() != QImage::Format_Grayscale8)
        throw std::logic_error("working planes do not match the image");
    if ((bits == 4 || bits == 8) && nearest == nullptr)
        throw std::logic_error("paletted encoding needs a colour map");
    uint8_t* rows = image + kBitmapHeaderSize + tableSize(bits);
    const uint64_t row = rowSize(w, bits);
    const uint64_t maskRow = rowSize(w, 1);
    uint8_t* maskRows = rows + row * ht;
    std::array<QRgb, 256> mono{};
    if (bits == 1) mono = readColorTable(image + kBitmapHeaderSize, 1);
    for (int y = 0; y < ht; ++y) {
        uint8_t* dst = rows + row * (ht - 1 - y);
        std::fill(dst, dst + row, 0);
        const QRgb* src = reinterpret_cast<const QRgb*>(color.constScanLine(y));
        switch (bits) {
            case 1:
                // The nearer of the two table colours; with the default black and white table
                // this is the monochrome rule, and a table in the other order keeps the colours.
                for (int x = 0; x < w; ++x) {
                    const bool one =
                        colorDistance(src[x], mono[1]) < colorDistance(src[x], mono[0]);
                    if (one) dst[x >> 3] |= uint8_t(0x80 >> (x & 7));
                }
                break;
            case 4:
                for (int x = 0; x < w; ++x)
                    dst[x >> 1] |= uint8_t(nearest->indexOf(src[x]) << ((x & 1) ? 0 : 4));
                break;
            case 8:
                for (int x = 0; x < w; ++x) dst[x] = uint8_t(nearest->indexOf(src[x]));
                break;
            case 16:
                for (int x = 0; x < w; ++x) putU16(dst + 2 * x, narrow555(src[x]));
                break;
            case 24:
                for (int x = 0; x < w; ++x) {
                    dst[3 * x] = uint8_t(qBlue(src[x]));
                    dst[3 * x + 1] = uint8_t(qGreen(src[x]));
                    dst[3 * x + 2] = uint8_t(qRed(src[x]));
                }
                break;
            default:
                throw std::logic_error("bit count");
        }
        uint8_t* mdst = maskRows + maskRow * (ht - 1 - y);
        std::fill(mdst, mdst + maskRow, 0);
        const uchar* msrc = mask.constScanLine(y);
        for (int x = 0; x < w; ++x)
            if (maskBit(msrc[x])) mdst[x >> 3] |= uint8_t(0x80 >> (x & 7));
    }
}

QImage MakeColorMask(const QImage& bitmap, uint32_t colorValue) {
    QImage mask = createMaskPlane(bitmap.width(), bitmap.height());
    if (colorValue == kNoColor) return mask;
    const QImage src = bitmap.convertToFormat(QImage::Format_RGB32);
    const QRgb key = colorValueToRgb(colorValue) & 0xFFFFFFu;
    for (int y = 0; y < src.height(); ++y) {
        const QRgb* s = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        uchar* m = mask.scanLine(y);
        for (int x = 0; x < src.width(); ++x)
            if ((s[x] & 0xFFFFFFu) == key) m[x] = kMaskSet;
    }
    return mask;
}

}  // namespace tarvo
