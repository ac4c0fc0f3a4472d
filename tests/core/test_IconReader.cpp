#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "TestSupport.h"
#include "core/Icon.h"
#include "core/IconFormat.h"
#include "core/IconWriter.h"
#include "core/ImageSource.h"
#include "raster/Errors.h"
#include "raster/Planes.h"

namespace tarvo {
namespace {

using test::Bytes;
using test::RawImage;

Bytes concat(std::initializer_list<Bytes> pieces) {
    Bytes out;
    for (const Bytes& p : pieces) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes put(Bytes f, size_t at, uint32_t value, int size = 4) {
    size == 2 ? test::put16(f, at, uint16_t(value)) : test::put32(f, at, value);
    return f;
}

uint64_t row(int w, int bits) {
    return ((uint64_t(w) * bits + 31) / 32) * 4;
}

// Colour rows (bottom-up) for a 1/4/8-bit image where pixel (x, y) has index f(x, y).
Bytes indexRows(int w, int h, int bits, const std::function<int(int, int)>& f) {
    Bytes rows(row(w, bits) * h, 0);
    const int perByte = 8 / bits;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            rows[row(w, bits) * (h - 1 - y) + x / perByte] |=
                uint8_t(f(x, y) << bits * (perByte - 1 - x % perByte));
    return rows;
}

// Mask rows (bottom-up) with bit 1 where f(x, y).
Bytes maskRows(int w, int h, const std::function<bool(int, int)>& f) {
    return indexRows(w, h, 1, [&](int x, int y) { return f(x, y) ? 1 : 0; });
}

Bytes table(std::vector<QRgb> colors, int entries, int entryBytes = 4) {
    Bytes t;
    for (QRgb c : colors) {
        t.insert(t.end(), {uint8_t(qBlue(c)), uint8_t(qGreen(c)), uint8_t(qRed(c))});
        if (entryBytes == 4) t.push_back(0);
    }
    t.resize(size_t(entries) * entryBytes, 0);
    return t;
}

// A strict 4 x 4 4-bit image whose pixels cycle through four table entries, column 0 masked.
const std::vector<QRgb> kFour = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(9, 9, 9)};
Bytes strict4() {
    return concat({test::bitmapHeader(4, 8, 4), table(kFour, 16),
                   indexRows(4, 4, 4, [](int x, int y) { return (x + y) % 4; }),
                   maskRows(4, 4, [](int x, int) { return x == 0; })});
}
RawImage four() {
    return RawImage{4, 4, 16, 0, 0, 0, strict4()};
}
QRgb expected4(int x, int y) {
    return x == 0 ? kFour[(x + y) % 4] & 0xFFFFFF : kFour[(x + y) % 4];
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

const Bytes& good() {
    static const Bytes file = test::buildIconFile({four()});
    return file;
}

Bytes pngIcon(size_t at, uint32_t value) {
    const Bytes png = test::toBytes(test::encodePng(test::testPicture(8, 8)));
    return test::buildIconFile({RawImage{8, 8, 0, 0, 1, 32, put(png, at, value)}});
}

TEST(Refused, WithAClearMessageAndTheDocumentUnchanged) {
    const int header = 22;  // the first image's bitmap header
    const std::pair<const char*, std::function<Bytes()>> cases[] = {
        {"too short", [] { return Bytes(4, 0); }},
        {"not an icon or cursor", [] { return put(good(), 2, 3, 2); }},
        {"no images", [] { return Bytes{0, 0, 1, 0, 0, 0}; }},
        {"directory is cut short", [] { return put(good(), 4, 40, 2); }},
        {"outside the file", [] { return put(good(), 18, 0xFFFFFFF0u); }},
        {"unknown kind", [] { return put(good(), header, 20); }},
        {"invalid size", [] { return put(good(), header + 4, 0xFFFFFFFC); }},
        {"invalid bitmap height", [] { return put(good(), header + 8, 7); }},
        {"colour depth", [] { return put(good(), header + 14, 2, 2); }},
        {"compression", [] { return put(good(), header + 16, 2); }},
        {"too large", [] { return put(good(), header + 4, 40000); }},
        {"cut short", [] { return Bytes(good().begin(), good().begin() + 22 + 40 + 64 + 10); }},
        {"Image 2 of 2",  // the second image's bit count is 7
         [] {
             return put(test::buildIconFile({four(), four()}), 38 + strict4().size() + 14, 7, 2);
         }},
        {"PNG", [] { return pngIcon(33, 0x00FFFFFF); }},  // the chunk after IHDR runs past the end
        {"too large", [] { return pngIcon(16, 0x7F); }},  // a PNG width far beyond any limit
        {"cut short",  // a run-length bitmap far too small for its picture
         [] {
             return concat({Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54 + 8, 0, 0, 0},
                            test::bitmapHeader(4000, 4000, 8, 1), table({}, 2), Bytes{0, 1}});
         }},
        {"too large",  // one 8192 x 8192 1-bit image shared by 70 entries: more than 1 GiB
         [] {
             std::vector<RawImage> images(70, RawImage{0, 0, 0, 0, 0, 0, {}});
             images[0].data = concat({test::bitmapHeader(8192, 2 * 8192, 1), table({}, 2),
                                      Bytes(row(8192, 1) * 8192, 0)});
             for (auto& im : images) im.offset = 6 + 16 * 70;
             return test::buildIconFile(images);
         }},
    };
    for (const auto& [message, make] : cases) {
        SCOPED_TRACE(message);
        TIcon icon;
        icon.AddImage(4, 4, 8);
        const Bytes before = test::blockOf(icon);
        try {
            icon.LoadFromBytes(make());
            ADD_FAILURE() << "accepted";
        } catch (const EInvalidGraphic& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
        EXPECT_EQ(test::blockOf(icon), before);
        EXPECT_EQ(icon.CurrentIndex(), 0);
    }
}

TEST(StrictFiles, OpenByteForByteWhateverTheirEntryFieldsSay) {
    // Colour count 2 for a 1-bit image and a hot spot: fields the system never rewrites.
    const Bytes one =
        concat({test::bitmapHeader(9, 6, 1), table({qRgb(0, 0, 0), qRgb(255, 255, 255)}, 2),
                indexRows(9, 3, 1, [](int x, int y) { return (x ^ y) & 1; }),
                maskRows(9, 3, [](int x, int y) { return x == y; })});
    const Bytes file = test::buildIconFile(
        {RawImage{9, 3, 2, 0, 4, 5, one}, RawImage{4, 4, 16, 0, 1, 4, strict4()}}, 2);
    TIcon icon;
    load(icon, file);
    EXPECT_EQ(test::blockOf(icon), file);
    expectPixels(icon, 1, expected4);
    expectPixels(icon, 0, [](int x, int y) {
        const QRgb c = (x ^ y) & 1 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
        return x == y ? c & 0xFFFFFF : c;
    });
}

TEST(Normalising, ImagesOutOfOrderWithGapsAndWrongEntrySizesAreLaidOutAfresh) {
    const Bytes b = concat({test::bitmapHeader(2, 4, 24),
                            Bytes{1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}, Bytes(8, 0)});
    // The second entry's bytes come first in the file, with a gap before the first's, whose
    // entry understates its size and misstates its dimensions and depth.
    RawImage second{2, 2, 0, 0, 0, 24, b}, first{99, 1, 16, 0, 0, 8, strict4()};
    second.offset = 38;
    first.offset = int64_t(38 + b.size() + 12);
    first.bytesInRes = 0;
    TIcon icon;
    load(icon, test::buildIconFile({first, second}));
    EXPECT_EQ(icon.entry(0).imageOffset, 38u);
    EXPECT_EQ(icon.entry(1).imageOffset, 38u + strict4().size());
    EXPECT_EQ(icon.imageSize(0), QSize(4, 4));
    EXPECT_EQ(icon.imageBitCount(0), 4);
    EXPECT_EQ(icon.entry(0).width, 99);  // kept as stored
    expectPixels(icon, 0, expected4);
    expectPixels(icon, 1, [](int x, int y) {
        return y == 1 ? qRgb(3 + 3 * x, 2 + 3 * x, 1 + 3 * x)
                      : qRgb(9 + 3 * x, 8 + 3 * x, 7 + 3 * x);
    });
}

TEST(Normalising, PngEntriesBecomeThirtyTwoBitImagesWithAMatchingMask) {
    const QImage picture = test::testPicture(20, 10, 3);
    // The entry understates its size; the PNG's own chunks tell where it ends.
    RawImage entry{20, 10, 0, 0, 1, 32, test::toBytes(test::encodePng(picture))};
    entry.bytesInRes = 16;
    TIcon icon;
    load(icon, test::buildIconFile({four(), entry}));
    EXPECT_EQ(icon.imageBitCount(1), 32);
    EXPECT_EQ(icon.imageSize(1), QSize(20, 10));
    expectPixels(icon, 1, [&](int x, int y) { return picture.pixel(x, y); });
    expectPixels(icon, 0, expected4);
    // Readers that ignore alpha still see the transparent pixels through the mask.
    const Bytes block = test::blockOf(icon);
    const size_t mask = icon.entry(1).imageOffset + 40 + 20 * 10 * 4;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ((block[mask + 4 * (9 - y) + x / 8] >> (7 - x % 8)) & 1,
                      qAlpha(picture.pixel(x, y)) == 0)
                << x << "," << y;
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
    const std::vector<QRgb> colors = {qRgb(1, 2, 3), qRgb(4, 5, 6), qRgb(7, 8, 9)};
    const Bytes dib = concat({test::bitmapHeader(3, -2, 8, 0, 3), table(colors, 3)});
    const Bytes bmp =
        concat({Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(14 + dib.size() + 6), 0, 0, 0}, dib,
                Bytes(6, 0xEE), Bytes{0, 1, 2, 0, 2, 2, 1, 0}});
    TIcon bitmap;
    load(bitmap, bmp);
    EXPECT_EQ(bitmap.entry(0).bitCount, 8);
    const int indices[2][3] = {{0, 1, 2}, {2, 2, 1}};  // top row first, as the file is top-down
    expectPixels(bitmap, 0, [&](int x, int y) { return colors[indices[y][x]]; });
}

TEST(Normalising, ThirtyTwoBitImagesWithoutAlphaTakeItFromTheMask) {
    auto image = [](uint8_t alpha) {
        Bytes rows;
        for (int i = 0; i < 4; ++i) rows.insert(rows.end(), {10, 20, 30, alpha});
        const Bytes mask = maskRows(2, 2, [](int x, int y) { return x == 1 && y == 0; });
        return RawImage{2, 2, 0, 0, 1, 32, concat({test::bitmapHeader(2, 4, 32), rows, mask})};
    };
    TIcon icon;
    load(icon, test::buildIconFile({image(0), image(0x40)}));
    expectPixels(icon, 0,
                 [](int x, int y) { return qRgba(30, 20, 10, x == 1 && y == 0 ? 0 : 255); });
    // Any alpha at all, and the image is taken as it is.
    expectPixels(icon, 1, [](int, int) { return qRgba(30, 20, 10, 0x40); });
}

TEST(Normalising, OtherBitmapHeadersShortTablesAndBitFieldsAreRewritten) {
    // A 12-byte core header with a 3-byte-per-entry table.
    const Bytes strict = strict4();
    const Bytes core = concat({Bytes{12, 0, 0, 0, 4, 0, 8, 0, 1, 0, 4, 0}, table(kFour, 16, 3),
                               Bytes(strict.begin() + 40 + 64, strict.end())});
    // A 124-byte header whose table has only the three colours it uses.
    const std::vector<QRgb> v5colors = {qRgb(200, 0, 0), qRgb(0, 200, 0), qRgb(0, 0, 200)};
    const Bytes v5 = concat({test::bitmapHeader(5, 4, 8, 0, 3, 124), table(v5colors, 3),
                             indexRows(5, 2, 8, [](int x, int) { return x % 3; }), Bytes(8, 0)});
    // 16-bit 5-6-5 pixels become 32-bit ones; the standard 5-5-5 masks stay 16-bit.
    auto fields = [](uint32_t r, uint32_t g, uint32_t b, uint16_t pixel) {
        const Bytes masks = put(put(put(Bytes(12), 0, r), 4, g), 8, b);
        const Bytes rows = concat({put(Bytes(4), 0, pixel, 2), Bytes(4, 0)});
        return RawImage{1, 1, 0, 0, 0, 0, concat({test::bitmapHeader(1, 2, 16, 3), masks, rows})};
    };
    TIcon icon;
    load(icon,
         test::buildIconFile({RawImage{4, 4, 16, 0, 0, 0, core}, RawImage{5, 2, 0, 0, 0, 0, v5},
                              fields(0xF800, 0x07E0, 0x001F, 0xF81F),
                              fields(0x7C00, 0x03E0, 0x001F, 0x7C1F)}));
    expectPixels(icon, 0, expected4);
    expectPixels(icon, 1, [&](int x, int) { return v5colors[x % 3]; });
    icon.SelectImage(1);
    const BitmapHeader h = readBitmapHeader(icon.ImageBlock() + icon.entry(1).imageOffset);
    EXPECT_EQ(h.size, 40u);
    EXPECT_EQ(h.colorsUsed, 0u);
    EXPECT_EQ(icon.ColorTable()[4 * 3], 0);  // padded entries are black
    EXPECT_EQ(icon.imageBitCount(2), 32);
    EXPECT_EQ(icon.imageBitCount(3), 16);
    for (int i : {2, 3}) expectPixels(icon, i, [](int, int) { return qRgb(255, 0, 255); });
}

TEST(Normalising, MissingMaskRowsAreOpaque) {
    const Bytes colour =
        concat({test::bitmapHeader(8, 8, 8), table({qRgb(0, 0, 0), qRgb(50, 60, 70)}, 256),
                indexRows(8, 4, 8, [](int, int) { return 1; })});
    // No mask at all: the file ends after the colour rows.
    TIcon none;
    load(none, test::buildIconFile({RawImage{8, 4, 0, 0, 0, 0, colour}}));
    expectPixels(none, 0, [](int, int) { return qRgb(50, 60, 70); });
    // Half a mask: the bottom two rows are stored (rows are bottom-up), the top two are missing.
    TIcon partial;
    load(partial, test::buildIconFile(
                      {RawImage{8, 4, 0, 0, 0, 0, concat({colour, Bytes(8, 0xFF)})}, four()}));
    expectPixels(partial, 0,
                 [](int, int y) { return y < 2 ? qRgb(50, 60, 70) : qRgba(50, 60, 70, 0); });
    expectPixels(partial, 1, expected4);
}

// Images one at a time read what the document reads: random icons of every depth, with and
// without PNG entries, give the same sizes, depths, hot spots and pixels; PNG images come as
// stored. A file the document rewrites is left to the document.
TEST(ImageSource, ReadsWhatTheDocumentReads) {
    std::mt19937 random(11);
    const int depths[] = {1, 4, 8, 24, 32};
    for (int round = 0; round < 24; ++round) {
        TIcon icon;
        const int images = 1 + int(random() % 4);
        for (int i = 0; i < images; ++i) {
            const int w = 1 + int(random() % 64), h = 1 + int(random() % 64);
            icon.AddImage(w, h, depths[random() % 5]);
            const bool argb = icon.BitCount() == 32;
            if (argb) icon.BeginStroke();
            for (int k = 0; k < 40; ++k)
                icon.SetPixelValue(int(random() % unsigned(w)), int(random() % unsigned(h)),
                                   argb ? uint32_t(random()) : uint32_t(random() % 0x1000000));
            if (argb) icon.EndStroke();
        }
        if (round % 3 == 0) icon.markAsCursor(QPoint(int(random() % 5), int(random() % 5)));
        const PngPolicy policy = round % 2 ? PngPolicy::All : PngPolicy::None;
        const Bytes file = iconFileBytes(std::span(icon.ImageBlock(), icon.BlockSize()), policy);
        TIcon document;
        document.LoadFromBytes(file);
        std::optional<TImageSource> source = TImageSource::fromBytes(file);
        ASSERT_TRUE(source) << round;
        ASSERT_EQ(source->count(), document.ImageCount());
        EXPECT_EQ(source->type(), document.fileType());
        for (int i = 0; i < source->count(); ++i) {
            SCOPED_TRACE(testing::Message() << round << " image " << i);
            EXPECT_EQ(source->size(i), document.imageSize(i));
            EXPECT_EQ(source->bitCount(i), document.imageBitCount(i));
            EXPECT_EQ(source->entry(i).planes, document.entry(i).planes);
            EXPECT_EQ(source->entry(i).bitCount, document.entry(i).bitCount);
            QImage pixels = source->argb(i);
            if (const auto png = source->png(i)) {
                EXPECT_EQ(policy, PngPolicy::All);
                ASSERT_TRUE(pixels.loadFromData(png->data(), int(png->size()), "PNG"));
            }
            EXPECT_EQ(pixels.convertToFormat(QImage::Format_ARGB32), document.imageToArgb(i));
        }
    }
    // Rewritten by the document: images overlapping the directory, other bitmap headers.
    TIcon icon;
    icon.AddImage(16, 16, 8);
    Bytes file = iconFileBytes(std::span(icon.ImageBlock(), icon.BlockSize()), PngPolicy::None);
    EXPECT_FALSE(TImageSource::fromBytes(put(file, 6 + 12, 10)));
    EXPECT_FALSE(TImageSource::fromBytes(put(file, 22, 108)));
    EXPECT_FALSE(TImageSource::fromBytes(Bytes(file.begin(), file.begin() + 30)));
    // A PNG whose checksum is wrong, however it decodes.
    icon.ChangeFormat(20, 20, 32);
    Bytes png = iconFileBytes(std::span(icon.ImageBlock(), icon.BlockSize()), PngPolicy::All);
    png[png.size() - 20] ^= 0x55;
    EXPECT_FALSE(TImageSource::fromBytes(png));
}

}  // namespace
}  // namespace tarvo
