#include "plain/PlainIcons.h"

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

namespace tarvo::plain {

namespace {

constexpr uint64_t kHeader = 6, kEntry = 16, kBitmapHeader = 40;
constexpr uint32_t kMaxDimension = 32768;

uint16_t le16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint32_t be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}
bool fits(uint64_t offset, uint64_t length, uint64_t size) {
    return offset <= size && length <= size - offset;
}
uint64_t rowBytes(uint64_t w, int bits) {
    return ((w * uint64_t(bits) + 31) / 32) * 4;
}

struct Bitmap {
    int32_t width = 0, height = 0;  // height of the picture, half the header's
    int bits = 0;
};

// The header of a plain bitmap, or nothing.
std::optional<Bitmap> plainBitmap(std::span<const uint8_t> image) {
    if (image.size() < kBitmapHeader || le32(image.data()) != kBitmapHeader) return std::nullopt;
    const uint8_t* h = image.data();
    const int32_t w = int32_t(le32(h + 4)), h2 = int32_t(le32(h + 8));
    const int bits = le16(h + 14);
    const uint32_t compression = le32(h + 16), colorsUsed = le32(h + 32);
    if (w <= 0 || h2 <= 0 || h2 % 2 != 0 || uint32_t(w) > kMaxDimension ||
        uint32_t(h2 / 2) > kMaxDimension || compression != 0)
        return std::nullopt;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return std::nullopt;
    if (colorsUsed != 0 && (bits > 8 || colorsUsed != (1u << bits))) return std::nullopt;
    const uint64_t table = bits <= 8 ? 4u << bits : 0;
    const uint64_t needed = kBitmapHeader + table + rowBytes(uint64_t(w), bits) * uint64_t(h2 / 2) +
                            rowBytes(uint64_t(w), 1) * uint64_t(h2 / 2);
    if (image.size() < needed) return std::nullopt;
    return Bitmap{w, h2 / 2, bits};
}

struct CompressorFree {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

// Level 2 of libdeflate compresses about as well as zlib's default at a fraction of the time.
libdeflate_compressor& compressor() {
    thread_local std::unique_ptr<libdeflate_compressor, CompressorFree> c(
        libdeflate_alloc_compressor(2));
    if (!c) throw std::bad_alloc();
    return *c;
}

void putBE32(std::vector<uint8_t>& out, uint32_t v) {
    out.insert(out.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
}

void chunk(std::vector<uint8_t>& out, const char (&type)[5], const uint8_t* data, size_t size) {
    putBE32(out, uint32_t(size));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    if (size) out.insert(out.end(), data, data + size);
    putBE32(out, libdeflate_crc32(0, out.data() + start, out.size() - start));
}

unsigned rowCost(const uint8_t* filtered, size_t n) {
    // Bytes read as signed: small differences either way cost little.
    unsigned sum = 0;
    for (size_t i = 0; i < n; ++i) sum += unsigned(std::abs(int(int8_t(filtered[i]))));
    return sum;
}

}  // namespace

bool isPng(std::span<const uint8_t> bytes) {
    return bytes.size() >= 8 && std::memcmp(bytes.data(), "\x89PNG\r\n\x1a\n", 8) == 0;
}

bool isWholePng(std::span<const uint8_t> bytes, int* width, int* height) {
    if (!isPng(bytes)) return false;
    uint64_t at = 8;
    bool first = true;
    while (fits(at, 12, bytes.size())) {
        const uint32_t length = be32(bytes.data() + at);
        if (length > 0x7FFFFFFFu || !fits(at + 8, uint64_t(length) + 4, bytes.size())) return false;
        const uint8_t* type = bytes.data() + at + 4;
        if (libdeflate_crc32(0, type, length + 4u) != be32(type + 4 + length)) return false;
        if (first) {
            // IHDR first, with a size the document can hold.
            if (std::memcmp(type, "IHDR", 4) != 0 || length != 13) return false;
            const uint32_t w = be32(type + 4), h = be32(type + 8);
            if (w == 0 || h == 0 || w > kMaxDimension || h > kMaxDimension) return false;
            if (width) *width = int(w);
            if (height) *height = int(h);
            first = false;
        }
        if (std::memcmp(type, "IEND", 4) == 0) return true;
        at += uint64_t(length) + 12;
    }
    return false;
}

std::optional<Directory> readDirectory(std::span<const uint8_t> file) {
    if (file.size() < kHeader || le16(file.data()) != 0) return std::nullopt;
    Directory d;
    d.type = le16(file.data() + 2);
    const uint16_t count = le16(file.data() + 4);
    const uint64_t end = kHeader + uint64_t(count) * kEntry;
    if ((d.type != 1 && d.type != 2) || count == 0 || end > file.size()) return std::nullopt;
    for (uint16_t i = 0; i < count; ++i) {
        const uint8_t* p = file.data() + kHeader + uint64_t(i) * kEntry;
        const Entry e{le16(p + 4), le16(p + 6), le32(p + 8), le32(p + 12)};
        if (e.offset < end || !fits(e.offset, e.size, file.size())) return std::nullopt;
        const std::span<const uint8_t> image = file.subspan(e.offset, e.size);
        if (!isPng(image) && !plainBitmap(image)) return std::nullopt;
        d.entries.push_back(e);
    }
    return d;
}

ImageInfo imageInfo(std::span<const uint8_t> image) {
    ImageInfo info;
    if (isPng(image)) {
        // The signature, then the IHDR chunk's length and type, then its width and height.
        if (image.size() >= 24)
            info = {int(be32(image.data() + 16)), int(be32(image.data() + 20)), 32};
        return info;
    }
    const std::optional<Bitmap> b = plainBitmap(image);
    if (b) info = {b->width, b->height, b->bits};
    return info;
}

std::vector<uint32_t> decodeBitmap(std::span<const uint8_t> image, int* width, int* height) {
    const std::optional<Bitmap> b = plainBitmap(image);
    if (!b) return {};
    const int w = b->width, h = b->height, bits = b->bits;
    *width = w;
    *height = h;
    std::array<uint32_t, 256> table{};
    const uint8_t* t = image.data() + kBitmapHeader;
    for (int i = 0; bits <= 8 && i < (1 << bits); ++i)
        table[size_t(i)] =
            0xFF000000u | uint32_t(t[4 * i + 2]) << 16 | uint32_t(t[4 * i + 1]) << 8 | t[4 * i];
    const uint8_t* rows = t + (bits <= 8 ? 4u << bits : 0);
    const uint64_t row = rowBytes(uint64_t(w), bits), maskRow = rowBytes(uint64_t(w), 1);
    const uint8_t* maskRows = rows + row * uint64_t(h);
    std::vector<uint32_t> out(size_t(w) * size_t(h));
    bool anyAlpha = false;
    for (int y = 0; y < h; ++y) {
        // Stored bottom-up.
        const uint8_t* src = rows + row * uint64_t(h - 1 - y);
        uint32_t* dst = out.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x) {
            switch (bits) {
                case 1:
                    dst[x] = table[(src[x >> 3] >> (7 - (x & 7))) & 1];
                    break;
                case 4:
                    dst[x] = table[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
                    break;
                case 8:
                    dst[x] = table[src[x]];
                    break;
                case 24:
                    dst[x] = 0xFF000000u | uint32_t(src[3 * x + 2]) << 16 |
                             uint32_t(src[3 * x + 1]) << 8 | src[3 * x];
                    break;
                default:
                    dst[x] = le32(src + 4 * x);
                    anyAlpha = anyAlpha || (dst[x] >> 24) != 0;
                    break;
            }
        }
    }
    // The mask makes pixels clear; a 32-bit image keeps its own alpha unless it has none at all.
    if (bits == 32 && anyAlpha) return out;
    for (int y = 0; y < h; ++y) {
        const uint8_t* m = maskRows + maskRow * uint64_t(h - 1 - y);
        uint32_t* dst = out.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x) {
            const bool clear = (m[x >> 3] >> (7 - (x & 7))) & 1;
            if (bits == 32) {
                dst[x] = (dst[x] & 0x00FFFFFFu) | (clear ? 0 : 0xFF000000u);
            } else if (clear) {
                dst[x] &= 0x00FFFFFFu;
            }
        }
    }
    return out;
}

std::vector<uint8_t> encodePng(const uint32_t* argb, int w, int h, size_t stride) {
    bool opaque = true;
    for (int y = 0; y < h && opaque; ++y)
        for (int x = 0; x < w; ++x)
            if ((argb[size_t(y) * stride + size_t(x)] >> 24) != 0xFF) {
                opaque = false;
                break;
            }
    const size_t channels = opaque ? 3 : 4;
    const size_t bytes = size_t(w) * channels;

    // Rows in PNG byte order, each after its filter type byte.
    std::vector<uint8_t> raw((bytes + 1) * size_t(h));
    std::vector<uint8_t> current(bytes), previous(bytes, 0);
    std::array<std::vector<uint8_t>, 3> candidates;
    for (auto& c : candidates) c.resize(bytes);
    for (int y = 0; y < h; ++y) {
        const uint32_t* row = argb + size_t(y) * stride;
        uint8_t* p = current.data();
        for (int x = 0; x < w; ++x) {
            *p++ = uint8_t(row[x] >> 16);
            *p++ = uint8_t(row[x] >> 8);
            *p++ = uint8_t(row[x]);
            if (!opaque) *p++ = uint8_t(row[x] >> 24);
        }
        for (size_t i = 0; i < bytes; ++i) {
            candidates[0][i] = current[i];
            candidates[1][i] = uint8_t(current[i] - (i >= channels ? current[i - channels] : 0));
            candidates[2][i] = uint8_t(current[i] - previous[i]);
        }
        size_t best = 0;
        unsigned bestCost = rowCost(candidates[0].data(), bytes);
        for (size_t f = 1; f < candidates.size(); ++f)
            if (const unsigned cost = rowCost(candidates[f].data(), bytes); cost < bestCost) {
                best = f;
                bestCost = cost;
            }
        uint8_t* out = raw.data() + size_t(y) * (bytes + 1);
        out[0] = uint8_t(best);
        std::copy(candidates[best].begin(), candidates[best].end(), out + 1);
        std::swap(current, previous);
    }

    libdeflate_compressor& c = compressor();
    std::vector<uint8_t> deflated(libdeflate_zlib_compress_bound(&c, raw.size()));
    const size_t size =
        libdeflate_zlib_compress(&c, raw.data(), raw.size(), deflated.data(), deflated.size());
    if (size == 0) throw std::bad_alloc();  // the bound makes this unreachable

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png.reserve(png.size() + size + 64);
    std::vector<uint8_t> header;
    putBE32(header, uint32_t(w));
    putBE32(header, uint32_t(h));
    header.insert(header.end(), {8, uint8_t(opaque ? 2 : 6), 0, 0, 0});
    chunk(png, "IHDR", header.data(), header.size());
    chunk(png, "IDAT", deflated.data(), size);
    chunk(png, "IEND", nullptr, 0);
    return png;
}

}  // namespace tarvo::plain
