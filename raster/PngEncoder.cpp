#include "raster/PngEncoder.h"

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <new>
#include <utility>

namespace tarvo {

namespace {

// Level 2 of libdeflate compresses about as well as zlib's default at a fraction of the time.
constexpr int kLevel = 2;

struct CompressorFree {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

libdeflate_compressor& compressor() {
    thread_local std::unique_ptr<libdeflate_compressor, CompressorFree> c(
        libdeflate_alloc_compressor(kLevel));
    if (!c) throw std::bad_alloc();
    return *c;
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    out.insert(out.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
}

void chunk(std::vector<uint8_t>& out, const char (&type)[5], const uint8_t* data, size_t size) {
    put32(out, uint32_t(size));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    if (size) out.insert(out.end(), data, data + size);
    put32(out, libdeflate_crc32(0, out.data() + start, out.size() - start));
}

unsigned rowCost(const uint8_t* filtered, size_t n) {
    // Bytes read as signed: small differences either way cost little.
    unsigned sum = 0;
    for (size_t i = 0; i < n; ++i) sum += unsigned(std::abs(int(int8_t(filtered[i]))));
    return sum;
}

}  // namespace

std::vector<uint8_t> encodePng(const QImage& source) {
    const QImage image =
        source.format() == QImage::Format_ARGB32 || source.format() == QImage::Format_RGB32
            ? source
            : source.convertToFormat(QImage::Format_ARGB32);
    const int w = image.width(), h = image.height();
    bool opaque = true;
    if (image.format() == QImage::Format_ARGB32)
        for (int y = 0; y < h && opaque; ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < w; ++x)
                if (qAlpha(row[x]) != 255) {
                    opaque = false;
                    break;
                }
        }
    const size_t channels = opaque ? 3 : 4;
    const size_t stride = size_t(w) * channels;

    // Rows in PNG byte order, each after its filter type byte.
    std::vector<uint8_t> raw((stride + 1) * size_t(h));
    std::vector<uint8_t> current(stride), previous(stride, 0);
    std::array<std::vector<uint8_t>, 3> candidates;
    for (auto& c : candidates) c.resize(stride);
    for (int y = 0; y < h; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uint8_t* p = current.data();
        for (int x = 0; x < w; ++x) {
            *p++ = uint8_t(qRed(row[x]));
            *p++ = uint8_t(qGreen(row[x]));
            *p++ = uint8_t(qBlue(row[x]));
            if (!opaque) *p++ = uint8_t(qAlpha(row[x]));
        }
        for (size_t i = 0; i < stride; ++i) {
            candidates[0][i] = current[i];
            candidates[1][i] = uint8_t(current[i] - (i >= channels ? current[i - channels] : 0));
            candidates[2][i] = uint8_t(current[i] - previous[i]);
        }
        size_t best = 0;
        unsigned bestCost = rowCost(candidates[0].data(), stride);
        for (size_t f = 1; f < candidates.size(); ++f)
            if (const unsigned cost = rowCost(candidates[f].data(), stride); cost < bestCost) {
                best = f;
                bestCost = cost;
            }
        uint8_t* out = raw.data() + size_t(y) * (stride + 1);
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
    put32(header, uint32_t(w));
    put32(header, uint32_t(h));
    header.insert(header.end(), {8, uint8_t(opaque ? 2 : 6), 0, 0, 0});
    chunk(png, "IHDR", header.data(), header.size());
    chunk(png, "IDAT", deflated.data(), size);
    chunk(png, "IEND", nullptr, 0);
    return png;
}

}  // namespace tarvo
