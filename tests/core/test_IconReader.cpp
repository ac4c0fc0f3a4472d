#include <gtest/gtest.h>

#include <functional>

#include "TestSupport.h"
#include "core/IconFormat.h"
#include "raster/Errors.h"
#include "raster/Planes.h"

namespace tarvo {
namespace {

using test::Bytes;
using test::RawImage;

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

uint64_t row(int w, int bits) {
    return ((uint64_t(w) * bits + 31) / 32) * 4;
}

// Colour rows (bottom-up) for a paletted image where pixel (x, y) has index f(x, y).
Bytes indexRows(int w, int h, int bits, const std::function<int(int, int)>& f) {
    Bytes rows(row(w, bits) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t r = row(w, bits) * (h - 1 - y);
            const int v = f(x, y);
            const int perByte = 8 / bits;
            const int shift = bits * (perByte - 1 - x % perByte);
            rows[r + x / perByte] |= uint8_t(v << shift);
        }
    return rows;
}

// Mask rows (bottom-up) with bit 1 where f(x, y).
Bytes maskRows(int w, int h, const std::function<bool(int, int)>& f) {
    return indexRows(w, h, 1, [&](int x, int y) { return f(x, y) ? 1 : 0; });
}

Bytes table(std::initializer_list<QRgb> colors, int entries, int entryBytes = 4) {
    Bytes t;
    for (QRgb c : colors) {
        t.push_back(uint8_t(qBlue(c)));
        t.push_back(uint8_t(qGreen(c)));
        t.push_back(uint8_t(qRed(c)));
        if (entryBytes == 4) t.push_back(0);
    }
    t.resize(size_t(entries) * entryBytes, 0);
    return t;
}

// A strict 4-bit image whose pixels cycle through the first four table entries.
Bytes strict4(int w, int h) {
    return concat({test::bitmapHeader(w, 2 * h, 4),
                   table({qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(9, 9, 9)}, 16),
                   indexRows(w, h, 4, [](int x, int y) { return (x + y) % 4; }),
                   maskRows(w, h, [](int x, int) { return x == 0; })});
}

QRgb expected4(int x, int y) {
    static const QRgb colors[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(9, 9, 9)};
    return x == 0 ? colors[(x + y) % 4] & 0xFFFFFF : colors[(x + y) % 4];
}

void expectPixels(TIcon& icon, int index, const std::function<QRgb(int, int)>& f) {
    const QImage argb = icon.imageToArgb(index);
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            ASSERT_EQ(argb.pixel(x, y), f(x, y)) << "pixel " << x << "," << y;
}

void load(TIcon& icon, const Bytes& file) {
    icon.LoadFromBytes(file);
    validateIconBlock(test::blockOf(icon));
}

// ---- files that must be refused ----------------------------------------------------------

struct BadFile {
    const char* what;
    std::function<Bytes()> make;
    const char* message;  // part of the message the user sees
};

class Refused : public ::testing::TestWithParam<BadFile> {};

TEST_P(Refused, WithAClearMessageAndTheDocumentUnchanged) {
    TIcon icon;
    icon.AddImage(4, 4, 8);
    const Bytes before = test::blockOf(icon);
    try {
        icon.LoadFromBytes(GetParam().make());
        FAIL() << "accepted: " << GetParam().what;
    } catch (const EInvalidGraphic& e) {
        EXPECT_NE(std::string(e.what()).find(GetParam().message), std::string::npos)
            << "message was: " << e.what();
    }
    EXPECT_EQ(test::blockOf(icon), before);
    EXPECT_EQ(icon.CurrentIndex(), 0);
}

Bytes withEntry(Bytes file, int index, size_t field, uint32_t value, int size) {
    const size_t at = 6 + 16 * index + field;
    if (size == 2)
        test::put16(file, at, uint16_t(value));
    else
        test::put32(file, at, value);
    return file;
}

Bytes withHeader(Bytes file, size_t field, uint32_t value, int size) {
    const size_t at = 22 + field;
    if (size == 2)
        test::put16(file, at, uint16_t(value));
    else
        test::put32(file, at, value);
    return file;
}

Bytes good() {
    return test::buildIconFile({RawImage{4, 4, 16, 0, 0, 0, strict4(4, 4)}});
}

const BadFile kBadFiles[] = {
    {"empty", [] { return Bytes{}; }, "too short"},
    {"four bytes",
     [] {
         return Bytes{0, 0, 1, 0};
     },
     "too short"},
    {"type 3",
     [] {
         Bytes f = good();
         f[2] = 3;
         return f;
     },
     "not an icon or cursor"},
    {"reserved",
     [] {
         Bytes f = good();
         f[0] = 1;
         return f;
     },
     "not an icon or cursor"},
    {"no images", [] { return Bytes{0, 0, 1, 0, 0, 0}; }, "no images"},
    {"directory cut",
     [] {
         Bytes f = good();
         f[4] = 40;
         return f;
     },
     "directory is cut short"},
    {"offset past end", [] { return withEntry(good(), 0, 12, 100000, 4); }, "outside the file"},
    {"offset overflow", [] { return withEntry(good(), 0, 12, 0xFFFFFFF0u, 4); },
     "outside the file"},
    {"offset in directory", [] { return withEntry(good(), 0, 12, 6, 4); }, "outside the file"},
    {"header size 20", [] { return withHeader(good(), 0, 20, 4); }, "unknown kind"},
    {"header size huge", [] { return withHeader(good(), 0, 0x7FFFFFFF, 4); }, "unknown kind"},
    {"width 0", [] { return withHeader(good(), 4, 0, 4); }, "invalid size"},
    {"negative width", [] { return withHeader(good(), 4, 0xFFFFFFFC, 4); }, "invalid size"},
    {"odd height", [] { return withHeader(good(), 8, 7, 4); }, "invalid bitmap height"},
    {"negative height", [] { return withHeader(good(), 8, 0xFFFFFFF8, 4); },
     "invalid bitmap height"},
    {"2 bits", [] { return withHeader(good(), 14, 2, 2); }, "colour depth"},
    {"RLE", [] { return withHeader(good(), 16, 2, 4); }, "compression"},
    {"too wide", [] { return withHeader(good(), 4, 40000, 4); }, "too large"},
    {"colour rows cut",
     [] {
         Bytes f = good();
         f.resize(22 + 40 + 64 + 10);
         return f;
     },
     "cut short"},
    {"height beyond the data", [] { return withHeader(good(), 8, 2 * 30000, 4); }, "cut short"},
    {"second image bad",
     [] {
         Bytes f = test::buildIconFile({RawImage{4, 4, 16, 0, 0, 0, strict4(4, 4)},
                                        RawImage{4, 4, 16, 0, 0, 0, strict4(4, 4)}});
         test::put16(f, 38 + strict4(4, 4).size() + 14, 7);  // second image's bit count
         return f;
     },
     "Image 2 of 2"},
    {"broken PNG entry",
     [] {
         Bytes png = test::toBytes(test::encodePng(test::testPicture(8, 8)));
         png.resize(40);
         return test::buildIconFile({RawImage{8, 8, 0, 0, 1, 32, png}});
     },
     "PNG"},
    {"PNG chunk running past the end",
     [] {
         Bytes png = test::toBytes(test::encodePng(test::testPicture(8, 8)));
         test::put32(png, 33, 0x00FFFFFF);  // the length of the chunk after IHDR
         return test::buildIconFile({RawImage{8, 8, 0, 0, 1, 32, png}});
     },
     "PNG"},
    {"PNG entry claiming a huge size",
     [] {
         Bytes png = test::toBytes(test::encodePng(test::testPicture(8, 8)));
         png[16] = 0x7F;  // width far beyond any limit
         return test::buildIconFile({RawImage{8, 8, 0, 0, 1, 32, png}});
     },
     "too large"},
    {"run-length bitmap far too small for its picture",
     [] {
         Bytes bmp = concat({Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54 + 8, 0, 0, 0},
                             test::bitmapHeader(4000, 4000, 8, 1), table({}, 2), Bytes{0, 1}});
         return bmp;
     },
     "cut short"},
    {"images adding up beyond the limit",
     [] {
         // One 8192 x 8192 1-bit image shared by 70 entries would need more than 1 GiB.
         const int side = 8192;
         Bytes image = concat(
             {test::bitmapHeader(side, 2 * side, 1), table({}, 2), Bytes(row(side, 1) * side, 0)});
         std::vector<RawImage> images(70, RawImage{0, 0, 0, 0, 0, 0, {}});
         images[0].data = image;
         for (auto& im : images) im.offset = 6 + 16 * 70;
         return test::buildIconFile(images);
     },
     "too large"},
};

INSTANTIATE_TEST_SUITE_P(BadFiles, Refused, ::testing::ValuesIn(kBadFiles), [](const auto& param) {
    std::string name = param.param.what;
    for (char& c : name)
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
});

// ---- files that open, rewritten into the strict layout -----------------------------------

TEST(StrictFiles, OpenByteForByteWhateverTheirEntryFieldsSay) {
    // Colour count 2 for a 1-bit image and a hot spot: fields the system never rewrites.
    const Bytes one =
        concat({test::bitmapHeader(9, 6, 1), table({qRgb(0, 0, 0), qRgb(255, 255, 255)}, 2),
                indexRows(9, 3, 1, [](int x, int y) { return (x ^ y) & 1; }),
                maskRows(9, 3, [](int x, int y) { return x == y; })});
    const Bytes file = test::buildIconFile(
        {RawImage{9, 3, 2, 0, 4, 5, one}, RawImage{4, 4, 16, 0, 1, 4, strict4(4, 4)}}, 2);
    TIcon icon;
    load(icon, file);
    EXPECT_EQ(test::blockOf(icon), file);
    expectPixels(icon, 1, expected4);
    expectPixels(icon, 0, [](int x, int y) {
        const QRgb c = (x ^ y) & 1 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
        return x == y ? c & 0xFFFFFF : c;
    });
}

TEST(Normalising, ImagesOutOfOrderOrWithGapsAreLaidOutAfresh) {
    const Bytes a = strict4(4, 4);
    const Bytes b = concat({test::bitmapHeader(2, 4, 24),
                            Bytes{1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}, Bytes(8, 0)});
    // The second entry's bytes come first in the file, with a gap before the first's.
    RawImage second{2, 2, 0, 0, 0, 24, b};
    second.offset = 38;
    RawImage first{4, 4, 16, 0, 0, 4, a};
    first.offset = int64_t(38 + b.size() + 12);
    const Bytes file = test::buildIconFile({first, second});
    TIcon icon;
    load(icon, file);
    EXPECT_EQ(icon.entry(0).imageOffset, 38u);
    EXPECT_EQ(icon.entry(1).imageOffset, 38u + a.size());
    expectPixels(icon, 0, expected4);
    expectPixels(icon, 1, [](int x, int y) {
        return y == 1 ? qRgb(3 + 3 * x, 2 + 3 * x, 1 + 3 * x)
                      : qRgb(9 + 3 * x, 8 + 3 * x, 7 + 3 * x);
    });
}

TEST(Normalising, SizesInTheDirectoryAreNotBelievedOverTheBitmapHeader) {
    RawImage im{99, 1, 0, 0, 0, 8, strict4(4, 4)};
    im.bytesInRes = 0;  // understated, while the file holds the whole image
    TIcon icon;
    load(icon, test::buildIconFile({im}));
    EXPECT_EQ(icon.imageSize(0), QSize(4, 4));
    EXPECT_EQ(icon.imageBitCount(0), 4);
    expectPixels(icon, 0, expected4);
    EXPECT_EQ(icon.entry(0).width, 99);  // kept as stored
}

TEST(Normalising, PngEntriesBecomeThirtyTwoBitImages) {
    const QImage picture = test::testPicture(20, 10, 3);
    const Bytes png = test::toBytes(test::encodePng(picture));
    // The entry understates its size; the PNG's own chunks tell where it ends.
    RawImage entry{20, 10, 0, 0, 1, 32, png};
    entry.bytesInRes = 16;
    TIcon icon;
    load(icon, test::buildIconFile({RawImage{4, 4, 16, 0, 0, 0, strict4(4, 4)}, entry}));
    EXPECT_EQ(icon.imageBitCount(1), 32);
    EXPECT_EQ(icon.imageSize(1), QSize(20, 10));
    expectPixels(icon, 1, [&](int x, int y) { return picture.pixel(x, y); });
    expectPixels(icon, 0, expected4);
    // Readers that ignore alpha still see the transparent pixels through the mask.
    icon.SelectImage(1);
    const Bytes block = test::blockOf(icon);
    const size_t mask = icon.entry(1).imageOffset + 40 + 20 * 10 * 4;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool bit = (block[mask + row(20, 1) * (9 - y) + x / 8] >> (7 - x % 8)) & 1;
            ASSERT_EQ(bit, qAlpha(picture.pixel(x, y)) == 0) << x << "," << y;
        }
}

TEST(Normalising, BarePngAndBitmapFilesOpenAsOneImage) {
    const QImage picture = test::testPicture(7, 5, 9);
    TIcon png;
    load(png, test::toBytes(test::encodePng(picture)));
    EXPECT_EQ(png.ImageCount(), 1);
    EXPECT_EQ(png.fileType(), 1);
    EXPECT_EQ(png.entry(0).width, 7);
    expectPixels(png, 0, [&](int x, int y) { return picture.pixel(x, y); });

    // An 8-bit top-down bitmap with a three-colour table and a gap before its pixels.
    const Bytes dib = concat({test::bitmapHeader(3, -2, 8, 0, 3),
                              table({qRgb(1, 2, 3), qRgb(4, 5, 6), qRgb(7, 8, 9)}, 3)});
    Bytes bmp = concat({Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, dib, Bytes(6, 0xEE),
                        Bytes{0, 1, 2, 0, 2, 2, 1, 0}});
    test::put32(bmp, 10, uint32_t(14 + dib.size() + 6));
    TIcon bitmap;
    load(bitmap, bmp);
    EXPECT_EQ(bitmap.imageBitCount(0), 8);
    EXPECT_EQ(bitmap.entry(0).bitCount, 8);
    const QRgb colors[] = {qRgb(1, 2, 3), qRgb(4, 5, 6), qRgb(7, 8, 9)};
    const int indices[2][3] = {{0, 1, 2}, {2, 2, 1}};  // top row first, as the file is top-down
    expectPixels(bitmap, 0, [&](int x, int y) { return colors[indices[y][x]]; });
}

TEST(Normalising, ThirtyTwoBitImagesWithoutAlphaTakeItFromTheMask) {
    auto image = [](uint8_t alpha) {
        Bytes rows;
        for (int i = 0; i < 4; ++i) rows.insert(rows.end(), {10, 20, 30, alpha});
        return concat({test::bitmapHeader(2, 4, 32), rows,
                       maskRows(2, 2, [](int x, int y) { return x == 1 && y == 0; })});
    };
    TIcon icon;
    load(icon, test::buildIconFile({RawImage{2, 2, 0, 0, 1, 32, image(0)},
                                    RawImage{2, 2, 0, 0, 1, 32, image(0x40)}}));
    expectPixels(icon, 0,
                 [](int x, int y) { return qRgba(30, 20, 10, x == 1 && y == 0 ? 0 : 255); });
    // Any alpha at all, and the image is taken as it is.
    expectPixels(icon, 1, [](int, int) { return qRgba(30, 20, 10, 0x40); });
}

TEST(Normalising, OtherBitmapHeadersAndShortTablesAreRewritten) {
    // A 12-byte core header with a 3-byte-per-entry table.
    const Bytes core =
        concat({Bytes{12, 0, 0, 0, 4, 0, 8, 0, 1, 0, 4, 0},
                table({qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(9, 9, 9)}, 16, 3),
                indexRows(4, 4, 4, [](int x, int y) { return (x + y) % 4; }),
                maskRows(4, 4, [](int x, int) { return x == 0; })});
    // A 124-byte header whose table has only the three colours it uses.
    const Bytes v5 = concat({test::bitmapHeader(5, 4, 8, 0, 3, 124),
                             table({qRgb(200, 0, 0), qRgb(0, 200, 0), qRgb(0, 0, 200)}, 3),
                             indexRows(5, 2, 8, [](int x, int) { return x % 3; }),
                             maskRows(5, 2, [](int, int) { return false; })});
    TIcon icon;
    load(icon,
         test::buildIconFile({RawImage{4, 4, 16, 0, 0, 0, core}, RawImage{5, 2, 0, 0, 0, 0, v5}}));
    expectPixels(icon, 0, expected4);
    const QRgb v5colors[] = {qRgb(200, 0, 0), qRgb(0, 200, 0), qRgb(0, 0, 200)};
    expectPixels(icon, 1, [&](int x, int) { return v5colors[x % 3]; });
    icon.SelectImage(1);
    const BitmapHeader h = readBitmapHeader(icon.ImageBlock() + icon.entry(1).imageOffset);
    EXPECT_EQ(h.size, 40u);
    EXPECT_EQ(h.colorsUsed, 0u);
    EXPECT_EQ(icon.ColorTable()[4 * 3], 0);  // padded entries are black
}

TEST(Normalising, BitFieldImages) {
    // 16-bit 5-6-5 pixels become 32-bit ones; the standard 5-5-5 masks stay 16-bit.
    auto image = [](uint32_t r, uint32_t g, uint32_t b, uint16_t pixel) {
        Bytes masks(12);
        test::put32(masks, 0, r);
        test::put32(masks, 4, g);
        test::put32(masks, 8, b);
        Bytes rows(4, 0);
        test::put16(rows, 0, pixel);
        return concat({test::bitmapHeader(1, 2, 16, 3), masks, rows, Bytes(4, 0)});
    };
    TIcon icon;
    load(icon,
         test::buildIconFile({RawImage{1, 1, 0, 0, 0, 0, image(0xF800, 0x07E0, 0x001F, 0xF81F)},
                              RawImage{1, 1, 0, 0, 0, 0, image(0x7C00, 0x03E0, 0x001F, 0x7C1F)}}));
    EXPECT_EQ(icon.imageBitCount(0), 32);
    expectPixels(icon, 0, [](int, int) { return qRgba(255, 0, 255, 255); });
    EXPECT_EQ(icon.imageBitCount(1), 16);
    expectPixels(icon, 1, [](int, int) { return qRgba(255, 0, 255, 255); });
}

TEST(Normalising, MissingMaskRowsAreOpaque) {
    const Bytes colour =
        concat({test::bitmapHeader(8, 8, 8), table({qRgb(0, 0, 0), qRgb(50, 60, 70)}, 256),
                indexRows(8, 4, 8, [](int, int) { return 1; })});
    const Bytes fullMask = maskRows(8, 4, [](int, int) { return true; });
    // No mask at all: the file ends after the colour rows.
    TIcon none;
    load(none, test::buildIconFile({RawImage{8, 4, 0, 0, 0, 0, colour}}));
    expectPixels(none, 0, [](int, int) { return qRgb(50, 60, 70); });
    // Half a mask: the bottom two rows are stored (rows are bottom-up), the top two are missing.
    Bytes half = concat({colour, fullMask});
    half.resize(colour.size() + 2 * row(8, 1));
    RawImage im{8, 4, 0, 0, 0, 0, half};
    TIcon partial;
    load(partial, test::buildIconFile({im, RawImage{4, 4, 16, 0, 0, 0, strict4(4, 4)}}));
    expectPixels(partial, 0,
                 [](int, int y) { return y < 2 ? qRgb(50, 60, 70) : qRgba(50, 60, 70, 0); });
    expectPixels(partial, 1, expected4);
}

}  // namespace
}  // namespace tarvo
