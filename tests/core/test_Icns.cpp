#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <random>

#include "TestSupport.h"
#include "core/IcnsFormat.h"
#include "core/Icon.h"
#include "core/IconFormat.h"
#include "core/IconWriter.h"
#include "core/PixelFormats.h"
#include "raster/Errors.h"

namespace tarvo {
namespace {

using test::Bytes;

QImage argbOf(const TIcon& icon, int index) {
    return icon.imageToArgb(index).convertToFormat(QImage::Format_ARGB32);
}

// Every image of an ICNS size reads back as it was, in document order, whatever its depth; of
// two of one size the richer is written; other sizes are left out, and a document with none of
// the sizes is refused. Read and written again unchanged, the file comes back byte for byte.
TEST(Icns, ImagesOfItsSizesReadBackPixelForPixel) {
    std::mt19937 random(17);
    auto pixel = [&] {
        const uint32_t alpha[] = {0, 255, uint32_t(random() & 255)};
        return (alpha[random() % 3] << 24) | uint32_t(random() & 0xFFFFFF);
    };
    TIcon icon;
    icon.AddImage(32, 32, 8);  // loses to the 32-bit image of its size
    std::vector<int> sizes{16, 32, 64, 128, 256, 512, 1024};
    std::shuffle(sizes.begin(), sizes.end(), random);
    std::vector<int> expected;
    for (int size : sizes) {
        const int bits = size == 64 ? 8 : 32;
        icon.AddImage(size, size, bits);
        expected.push_back(icon.CurrentIndex());
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                if (bits == 32) {
                    icon.WorkBitmap().setPixel(x, y, pixel());
                } else {
                    icon.SetPixelValue(x, y,
                                       random() % 4 ? uint32_t(random() & 0xFFFFFF) : Transparent);
                }
        if (bits != 32) icon.StoreImage(), icon.SelectImage(icon.CurrentIndex());
        if (size == 128) icon.AddImage(48, 48, 32), icon.AddImage(20, 30, 32);
    }
    const std::span<const uint8_t> block(icon.ImageBlock(), icon.BlockSize());
    const Bytes file = writeIcns(block);
    ASSERT_TRUE(file.size() > 8 && std::equal(file.begin(), file.begin() + 4, "icns"));
    EXPECT_EQ(uint32_t(file[4]) << 24 | file[5] << 16 | file[6] << 8 | file[7], file.size());

    TPngOriginals originals;
    TIcon back;
    back.LoadFromBytes(readIcns(file, &originals));
    ASSERT_EQ(back.ImageCount(), int(expected.size()));
    for (int i = 0; i < back.ImageCount(); ++i) {
        EXPECT_EQ(back.imageBitCount(i), 32);
        EXPECT_EQ(argbOf(back, i), argbOf(icon, expected[size_t(i)])) << i;
    }
    EXPECT_EQ(writeIcns(std::span(back.ImageBlock(), back.BlockSize()), &originals), file);

    TIcon none;
    none.AddImage(48, 48, 32);
    try {
        writeIcns(std::span(none.ImageBlock(), none.BlockSize()));
        ADD_FAILURE() << "no image of an ICNS size, yet written";
    } catch (const EWriteError& e) {
        EXPECT_NE(std::string(e.what()).find("16, 32, 64, 128, 256, 512 or 1024"),
                  std::string::npos)
            << e.what();
    }
}

Bytes element(const char* type, const Bytes& data, uint32_t extra = 0) {
    Bytes e(type, type + 4);
    const uint32_t n = uint32_t(data.size()) + 8 + extra;
    e.insert(e.end(), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
    e.insert(e.end(), data.begin(), data.end());
    return e;
}

Bytes icnsFile(const std::vector<Bytes>& elements, uint32_t extra = 0) {
    Bytes body;
    for (const Bytes& e : elements) body.insert(body.end(), e.begin(), e.end());
    return element("icns", body, extra);
}

// Runs as the format packs them: three to 130 equal bytes as a repeat, others as up to 128
// literal bytes.
Bytes packRuns(const Bytes& plane) {
    Bytes out;
    size_t i = 0;
    auto repeats = [&](size_t at) {
        size_t n = 1;
        while (at + n < plane.size() && n < 130 && plane[at + n] == plane[at]) ++n;
        return n;
    };
    while (i < plane.size()) {
        if (const size_t n = repeats(i); n >= 3) {
            out.insert(out.end(), {uint8_t(0x80 + n - 3), plane[i]});
            i += n;
            continue;
        }
        const size_t start = i;
        while (i < plane.size() && i - start < 128 && repeats(i) < 3) ++i;
        out.push_back(uint8_t(i - start - 1));
        out.insert(out.end(), plane.begin() + ptrdiff_t(start), plane.begin() + ptrdiff_t(i));
    }
    return out;
}

// Planes of a picture (channels by shift: 24 alpha, 16 red, 8 green, 0 blue), each packed on
// its own.
Bytes packedPlanes(const QImage& picture, std::initializer_list<int> shifts) {
    Bytes out;
    for (int shift : shifts) {
        Bytes plane;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                plane.push_back(uint8_t(picture.pixel(x, y) >> shift));
        const Bytes packed = packRuns(plane);
        out.insert(out.end(), packed.begin(), packed.end());
    }
    return out;
}

Bytes alphaPlane(const QImage& picture) {
    Bytes plane;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            plane.push_back(uint8_t(qAlpha(picture.pixel(x, y))));
    return plane;
}

// A picture with flat areas (long runs) beside noise (literals).
QImage runsPicture(int side, uint32_t seed) {
    QImage picture = test::testPicture(side, side, seed);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side / 2 + y % 5; ++x)
            picture.setPixel(x, y, qRgba(10 * (y / 7), 200, 30, 255 - (y / 3) % 2 * 255));
    return picture;
}

Bytes concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The 24-bit run-length images with their masks wherever they stand or without one (opaque),
// and the 32-bit run-length kind, beside elements to skip, open in file order. Damaged files
// are refused with a message saying what is wrong and leave the document as it was; a file
// that is an ICNS by its content opens under any name.
TEST(Icns, RunLengthImagesMasksAndDamagedFiles) {
    const QImage small = runsPicture(16, 1), medium = runsPicture(32, 2),
                 large = runsPicture(128, 3), argb = runsPicture(16, 4);
    const Bytes is32 = packedPlanes(small, {16, 8, 0}), mask16 = alphaPlane(small);
    const Bytes toc = element("TOC ", Bytes(8, 0)), version = element("icnV", {0x42, 0, 0, 0});
    const Bytes jpeg2000 = element("ic09", {0, 0, 0, 12, 'j', 'P', ' ', ' ', 13, 10, 0x87, 10});
    auto file = [&](const Bytes& small32, const Bytes& smallMask) {
        return icnsFile(
            {toc, element("t8mk", alphaPlane(large)), small32, version,
             element("il32", packedPlanes(medium, {16, 8, 0})), smallMask,
             element("it32", concat(Bytes(4, 0), packedPlanes(large, {16, 8, 0}))), jpeg2000,
             element("ic04", concat({'A', 'R', 'G', 'B'}, packedPlanes(argb, {24, 16, 8, 0})))});
    };
    const Bytes good = file(element("is32", is32), element("s8mk", mask16));
    QTemporaryDir dir;
    const QString path = dir.filePath("good.icns");
    test::writeFile(path, good);
    TIcon icon;
    icon.LoadFromFile(path);
    validateIconBlock(test::blockOf(icon));
    QImage opaque = medium.copy();
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) opaque.setPixel(x, y, opaque.pixel(x, y) | 0xFF000000);
    const QImage expected[] = {small, opaque, large, argb};
    ASSERT_EQ(icon.ImageCount(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(argbOf(icon, i), expected[i]) << i;

    const Bytes block = test::blockOf(icon);
    for (const char* name : {"misnamed.ico", "no-extension"}) {
        test::writeFile(dir.filePath(name), good);
        TIcon other;
        other.LoadFromFile(dir.filePath(name));
        EXPECT_EQ(test::blockOf(other), block) << name;
    }

    const Bytes png = test::toBytes(test::encodePng(small));
    Bytes lastRunTooLong = packRuns(Bytes(16 * 16 * 3 - 1, 7));
    lastRunTooLong.insert(lastRunTooLong.end(), {0x80, 7});  // three bytes where one is left
    const std::pair<const char*, Bytes> cases[] = {
        {"not a macOS icon", concat({'i', 'c', 'n', 'z'}, Bytes(good.begin() + 4, good.end()))},
        {"cut short", Bytes(good.begin(), good.end() - 1)},
        {"impossible length", icnsFile({toc}, uint32_t(-toc.size() - 4))},
        {"does not fit", icnsFile({toc, element("is32", is32, uint32_t(-is32.size() - 8))})},
        {"does not fit", icnsFile({toc, element("is32", is32, 1)})},
        {"ends inside", concat(icnsFile({toc}, 3), {1, 2, 3})},
        {"16 x 16 image (is32) is cut short",
         file(element("is32", Bytes(is32.begin(), is32.end() - 1)), {})},
        {"more pixels", file(element("is32", lastRunTooLong), {})},
        {"mask of the wrong size",
         file(element("is32", is32), element("s8mk", Bytes(mask16.begin(), mask16.end() - 1)))},
        {"JPEG 2000", icnsFile({toc, jpeg2000})},
        {"no image", icnsFile({toc, version, element("s8mk", mask16)})},
        {"not a readable PNG", icnsFile({element("ic07", Bytes(png.begin(), png.end() - 13))})},
        {"neither PNG nor JPEG 2000", icnsFile({element("ic07", Bytes(64, 1))})},
    };
    for (const auto& [says, bytes] : cases) {
        const QString bad = dir.filePath("bad.icns");
        test::writeFile(bad, bytes);
        try {
            icon.LoadFromFile(bad);
            ADD_FAILURE() << "opened: " << says;
        } catch (const EInvalidGraphic& e) {
            EXPECT_NE(std::string(e.what()).find(says), std::string::npos)
                << e.what() << " (expected " << says << ")";
        }
        EXPECT_EQ(test::blockOf(icon), block) << says;
    }
}

}  // namespace
}  // namespace tarvo
