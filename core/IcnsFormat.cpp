#include "core/IcnsFormat.h"

#include <QImage>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>

#include "core/Bytes.h"
#include "core/Icon.h"
#include "core/IconFormat.h"
#include "core/IconWriter.h"
#include "raster/Errors.h"
#include "raster/PngEncoder.h"

namespace tarvo {

namespace {

enum class Holds { Picture, Rgb, Mask };

struct Kind {
    char type[5];
    int side;
    Holds holds;  // an Rgb kind's alpha is the Mask kind of its side
};

// Every image kind read; the first of each size among the Picture kinds is the one written.
constexpr std::array<Kind, 21> kKinds{{
    {"icp4", 16, Holds::Picture},   {"icp5", 32, Holds::Picture},  {"icp6", 64, Holds::Picture},
    {"ic07", 128, Holds::Picture},  {"ic08", 256, Holds::Picture}, {"ic09", 512, Holds::Picture},
    {"ic10", 1024, Holds::Picture}, {"ic04", 16, Holds::Picture},  {"ic05", 32, Holds::Picture},
    {"ic11", 32, Holds::Picture},   {"ic12", 64, Holds::Picture},  {"ic13", 256, Holds::Picture},
    {"ic14", 512, Holds::Picture},  {"is32", 16, Holds::Rgb},      {"il32", 32, Holds::Rgb},
    {"ih32", 48, Holds::Rgb},       {"it32", 128, Holds::Rgb},     {"s8mk", 16, Holds::Mask},
    {"l8mk", 32, Holds::Mask},      {"h8mk", 48, Holds::Mask},     {"t8mk", 128, Holds::Mask},
}};
constexpr int kWrittenKinds = 7;

constexpr uint32_t kHeaderSize = 8;

[[noreturn]] void fail(const std::string& message) {
    throw EInvalidGraphic(message);
}

uint32_t getBe32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}
void putBe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (24 - 8 * i));
}

const Kind* kindOf(const uint8_t* type) {
    for (const Kind& k : kKinds)
        if (std::memcmp(k.type, type, 4) == 0) return &k;
    return nullptr;
}

bool isJpeg2000(std::span<const uint8_t> data) {
    // The JP2 signature box, or a bare codestream (SOC then SIZ markers).
    return startsWith(data, "\x00\x00\x00\x0CjP  \r\n\x87\n", 12) ||
           startsWith(data, "\xFF\x4F\xFF\x51", 4);
}

// Unpacks run-length data until `out` is full: a control byte c below 0x80 is followed by c + 1
// bytes taken as they are, one of 0x80 or more by one byte repeated c - 0x80 + 3 times. Bytes
// after the last run are padding.
void unpackRuns(std::span<const uint8_t> in, std::span<uint8_t> out, const std::string& name) {
    size_t i = 0, o = 0;
    while (o < out.size()) {
        if (i >= in.size()) fail(name + " is cut short.");
        const uint8_t c = in[i++];
        const size_t n = c < 0x80 ? size_t{c} + 1 : size_t{c} - 0x80 + 3;
        if (n > out.size() - o) fail(name + " has more pixels than its size holds.");
        if (c < 0x80) {
            if (!fits(i, n, in.size())) fail(name + " is cut short.");
            std::copy_n(in.begin() + ptrdiff_t(i), n, out.begin() + ptrdiff_t(o));
            i += n;
        } else {
            if (i >= in.size()) fail(name + " is cut short.");
            std::fill_n(out.begin() + ptrdiff_t(o), n, in[i++]);
        }
        o += n;
    }
}

// One image element, checked and measured before anything is decoded.
struct Planned {
    const Kind* kind = nullptr;
    std::string name;
    std::span<const uint8_t> data;  // run-length data after any prefix, or the PNG
    std::span<const uint8_t> mask;  // an Rgb image's alpha; empty: opaque
    bool png = false;
    PngPlan pngPlan;
};

// Planes of run-length data (red, green and blue; with `alpha` first, alpha too) as a picture.
QImage unpackPlanes(const Planned& p, bool alpha) {
    const int side = p.kind->side;
    const size_t pixels = size_t(side) * size_t(side);
    std::vector<uint8_t> planes(pixels * (alpha ? 4 : 3));
    unpackRuns(p.data, planes, p.name);
    const uint8_t* a = alpha ? planes.data() : p.mask.data();
    const uint8_t* rgb = planes.data() + (alpha ? pixels : 0);
    QImage image(side, side, QImage::Format_ARGB32);
    for (int y = 0; y < side; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < side; ++x) {
            const size_t i = size_t(y) * size_t(side) + size_t(x);
            row[x] = qRgba(rgb[i], rgb[pixels + i], rgb[2 * pixels + i], a ? a[i] : 0xFF);
        }
    }
    return image;
}

}  // namespace

std::vector<uint8_t> readIcns(std::span<const uint8_t> bytes, TPngOriginals* originals) {
    if (bytes.size() < kHeaderSize || !startsWith(bytes, "icns", 4))
        fail("The file is not a macOS icon (ICNS) file.");
    const uint32_t length = getBe32(bytes.data() + 4);
    if (length < kHeaderSize) fail("The ICNS file's header gives an impossible length.");
    if (length > bytes.size()) fail("The ICNS file is cut short.");
    // Bytes past the declared length are not the icon's.
    const std::span<const uint8_t> family = bytes.first(length);

    // Elements are walked twice, the first time to check every header and find the masks, which
    // may stand anywhere; nothing is kept per element.
    auto walk = [&family](const std::function<void(const uint8_t*, std::span<const uint8_t>)>& f) {
        for (uint64_t at = kHeaderSize; at < family.size();) {
            if (!fits(at, kHeaderSize, family.size()))
                fail("The ICNS file ends inside an element's header.");
            const uint32_t size = getBe32(family.data() + at + 4);
            if (size < kHeaderSize || !fits(at, size, family.size()))
                fail("An element of the ICNS file does not fit in the file.");
            f(family.data() + at, family.subspan(at + kHeaderSize, size - kHeaderSize));
            at += size;
        }
    };
    std::map<int, std::span<const uint8_t>> masks;  // by side, the first of each
    walk([&masks](const uint8_t* type, std::span<const uint8_t> data) {
        if (const Kind* kind = kindOf(type); kind && kind->holds == Holds::Mask)
            masks.emplace(kind->side, data);
    });

    // Every image planned first, so that nothing is allocated for a file whose images would
    // add up to more than a block may hold.
    std::vector<Planned> plans;
    bool jpeg2000 = false;
    uint64_t total = kFileHeaderSize;
    walk([&](const uint8_t* type, std::span<const uint8_t> data) {
        const Kind* kind = kindOf(type);
        if (!kind || kind->holds == Holds::Mask) return;
        Planned p;
        p.kind = kind;
        p.name = "The " + std::to_string(kind->side) + " x " + std::to_string(kind->side) +
                 " image (" + kind->type + ")";
        p.data = data;
        uint64_t w = uint64_t(kind->side), h = w;
        if (kind->holds == Holds::Rgb) {
            if (const auto mask = masks.find(kind->side); mask != masks.end()) {
                if (mask->second.size() != w * h) fail(p.name + " has a mask of the wrong size.");
                p.mask = mask->second;
            }
            // The largest kind starts with four bytes, zero, before its runs.
            if (std::memcmp(kind->type, "it32", 4) == 0) {
                if (p.data.size() < 4) fail(p.name + " is cut short.");
                p.data = p.data.subspan(4);
            }
        } else if (startsWith(data, "\x89PNG\r\n\x1a\n", 8)) {
            p.png = true;
            p.pngPlan = planPngImage(data, p.name);
            w = p.pngPlan.width;
            h = p.pngPlan.height;
        } else if (isJpeg2000(data)) {
            jpeg2000 = true;
            return;
        } else if (!startsWith(data, "ARGB", 4)) {
            fail(p.name + " holds neither PNG nor JPEG 2000 data.");
        } else {
            p.data = data.subspan(4);
        }
        total += kEntrySize + imageSize(w, h, 32);
        if (total > kMaxBlockSize || plans.size() == 0xFFFF)
            fail("The ICNS file is too large to open.");
        plans.push_back(std::move(p));
    });
    if (plans.empty())
        fail(jpeg2000 ? "The ICNS file's images are JPEG 2000 pictures, which this program does "
                        "not read."
                      : "The ICNS file holds no image this program reads.");

    std::vector<std::vector<uint8_t>> images;
    images.reserve(plans.size());
    for (const Planned& p : plans) {
        if (p.png) {
            images.push_back(imageFromPng(p.pngPlan, p.name));
            if (originals) originals->add(images.back(), p.pngPlan.data);
        } else {
            images.push_back(imageFromArgb(unpackPlanes(p, p.kind->holds == Holds::Picture)));
        }
    }
    return iconBlockOf(images);
}

bool isIcnsSize(int width, int height) {
    return width == height && std::any_of(kKinds.begin(), kKinds.begin() + kWrittenKinds,
                                          [width](const Kind& k) { return k.side == width; });
}

std::vector<int> icnsImages(std::span<const uint8_t> block) {
    return deepestImagePerSize(block, isIcnsSize);
}

std::vector<uint8_t> writeIcns(std::span<const uint8_t> block, const TPngOriginals* originals) {
    const std::vector<int> chosen = icnsImages(block);
    if (chosen.empty())
        throw EWriteError(
            "An ICNS file holds square images of 16, 32, 64, 128, 256, 512 or 1024 pixels, and "
            "the document has none.");
    std::vector<uint8_t> file(kHeaderSize, 0);
    std::memcpy(file.data(), "icns", 4);
    for (int i : chosen) {
        const IconEntry e = readEntry(block.data(), i);
        const std::span<const uint8_t> stored = block.subspan(e.imageOffset, e.bytesInRes);
        const BitmapHeader h = readBitmapHeader(stored.data());
        const std::vector<uint8_t>* original =
            originals && h.bitCount == 32 ? originals->find(stored) : nullptr;
        std::vector<uint8_t> png;
        if (original) {
            png = *original;
        } else {
            png = encodePng(strictImageToArgb(stored.data()));
        }
        const Kind& kind = *std::find_if(kKinds.begin(), kKinds.begin() + kWrittenKinds,
                                         [&](const Kind& k) { return k.side == h.width; });
        const size_t at = file.size();
        if (png.size() > UINT32_MAX - kHeaderSize - at)
            throw EWriteError("The images are too large for an ICNS file.");
        file.resize(at + kHeaderSize + png.size());
        std::memcpy(file.data() + at, kind.type, 4);
        putBe32(file.data() + at + 4, uint32_t(kHeaderSize + png.size()));
        std::copy(png.begin(), png.end(), file.begin() + ptrdiff_t(at + kHeaderSize));
    }
    putBe32(file.data() + 4, uint32_t(file.size()));
    return file;
}

}  // namespace tarvo
