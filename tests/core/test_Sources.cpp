// Documents opened from other sources: animated cursors, icon resources of executables and
// libraries, raster pictures, and the clipboard.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <functional>

#include "TestSupport.h"
#include "core/AniFormat.h"
#include "raster/Errors.h"

namespace tarvo {
namespace {

using test::Bytes;

const QString kMagick = QStringLiteral("/usr/bin/convert");

QString dataFile(const QString& name) {
    return QStringLiteral(TARVO_TEST_DATA "/pe/") + name;
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes str(const char* s) {
    return Bytes(s, s + strlen(s));
}
Bytes le32(uint32_t v) {
    Bytes b(4);
    test::put32(b, 0, v);
    return b;
}

// Alpha everywhere, colour where the expected pixel is visible at all.
::testing::AssertionResult samePixels(const QImage& actualImage, const QImage& expectedImage,
                                      int tolerance = 0) {
    const QImage actual = actualImage.convertToFormat(QImage::Format_ARGB32);
    const QImage expected = expectedImage.convertToFormat(QImage::Format_ARGB32);
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << "size " << actual.width() << "x" << actual.height();
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb a = actual.pixel(x, y), e = expected.pixel(x, y);
            int off = 0;
            for (int shift : {0, 8, 16})
                off = std::max(off, std::abs(int((a >> shift) & 255) - int((e >> shift) & 255)));
            if (qAlpha(a) != qAlpha(e) || (qAlpha(e) > 0 && off > tolerance))
                return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") is "
                                                     << std::hex << a << ", expected " << e;
        }
    return ::testing::AssertionSuccess();
}

// Loading `bytes` saved as `name` fails with EInvalidGraphic (and `message` when given) and
// leaves a one-image document as it was.
void expectRefused(const QString& name, const Bytes& bytes, const char* message) {
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    test::writeFile(path, bytes);
    TIcon icon;
    icon.AddImage(4, 4, 8);
    const Bytes before = test::blockOf(icon);
    try {
        icon.LoadFromFile(path);
        ADD_FAILURE() << "accepted";
    } catch (const EInvalidGraphic& e) {
        if (message) {
            EXPECT_STREQ(e.what(), message);
        }
    }
    EXPECT_EQ(test::blockOf(icon), before);
    EXPECT_EQ(icon.CurrentIndex(), 0);
}

// ---- animated cursors ----------------------------------------------------------------------

Bytes chunk(const char* id, const Bytes& data) {
    Bytes out = str(id) + le32(uint32_t(data.size())) + data;
    if (data.size() % 2) out.push_back(0);
    return out;
}
Bytes riff(const Bytes& body, const char* form = "ACON") {
    return str("RIFF") + le32(uint32_t(4 + body.size())) + str(form) + body;
}
Bytes anih(uint32_t frames, uint32_t flags = 1, size_t size = 36) {
    Bytes h(36, 0);
    for (auto [at, v] : {std::pair{0, 36u}, {4, frames}, {8, frames}, {28, 10u}, {32, flags}})
        test::put32(h, size_t(at), v);
    h.resize(size);
    return chunk("anih", h);
}
Bytes fram(const std::vector<Bytes>& frames) {
    Bytes list = str("fram");
    for (const Bytes& f : frames) list = list + chunk("icon", f);
    return chunk("LIST", list);
}

void paintPattern(TIcon& icon, uint32_t seed) {
    const QSize size = icon.GetSize();
    const QImage picture = test::testPicture(size.width(), size.height(), seed);
    if (icon.BitCount() != 32) return icon.PasteBitmap(picture, 0, 0);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            icon.WorkBitmap().setPixel(x, y, picture.pixel(x, y));
}

// A one-image cursor file.
Bytes cursorFile(int w, int h, int bits, QPoint hot, uint32_t seed) {
    TIcon icon;
    icon.AddImage(w, h, bits);
    paintPattern(icon, seed);
    icon.markAsCursor(hot);
    return test::blockOf(icon);
}

// The document holds the frames' images in order, each with its frame's directory entry.
void expectFrames(const TIcon& icon, const std::vector<Bytes>& frames) {
    ASSERT_EQ(icon.ImageCount(), int(frames.size()));
    EXPECT_EQ(icon.fileType(), 2);
    const Bytes block = test::blockOf(icon);
    for (size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        const Bytes& f = frames[i];
        const size_t size = test::get32(f, 14), at = icon.entry(int(i)).imageOffset;
        EXPECT_TRUE(std::equal(f.begin() + 6, f.begin() + 18, block.begin() + 6 + 16 * i));
        ASSERT_LE(at + size, block.size());
        EXPECT_TRUE(
            std::equal(f.begin() + 22, f.begin() + 22 + long(size), block.begin() + long(at)));
    }
}

// A cursor of three images of different sizes and depths, each with its own hot spot.
const QPoint kHotSpots[3] = {{1, 2}, {30, 5}, {7, 19}};
void makeDocument(TIcon& icon) {
    const int sizes[3][3] = {{16, 16, 4}, {32, 32, 32}, {24, 20, 8}};
    for (int i = 0; i < 3; ++i) {
        icon.AddImage(sizes[i][0], sizes[i][1], sizes[i][2]);
        paintPattern(icon, uint32_t(i + 1));
    }
    icon.markAsCursor({0, 0});
    for (int i = 0; i < 3; ++i) {
        uint8_t* hot = icon.ImageBlock() + 6 + 16 * i + 4;  // the entry's planes and bit count
        hot[0] = uint8_t(kHotSpots[i].x());
        hot[2] = uint8_t(kHotSpots[i].y());
    }
}

TEST(AnimatedCursors, WrittenDocumentReadsBackImageForImage) {
    TIcon source;
    makeDocument(source);
    const Bytes block = test::blockOf(source);
    const Bytes ani = writeAnimatedCursor(block);

    // The layout other programs expect.
    auto id = [&](size_t at) {
        return std::string(ani.begin() + long(at), ani.begin() + long(at) + 4);
    };
    ASSERT_GE(ani.size(), 88u);
    EXPECT_EQ(id(0) + id(8) + id(12) + id(56) + id(76) + id(84), "RIFFACONanihrateLISTfram");
    EXPECT_EQ(test::get32(ani, 4), ani.size() - 8);
    const uint32_t header[] = {36, 36, 3, 3};  // chunk size, then header size, frames, steps
    for (int i = 0; i < 4; ++i) EXPECT_EQ(test::get32(ani, 16 + 4 * size_t(i)), header[i]);
    EXPECT_EQ(test::get32(ani, 52) & 1, 1u);  // frames are icon files
    EXPECT_EQ(test::get32(ani, 60), 12u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(test::get32(ani, 64 + 4 * i), 6u);
    uint32_t listSize = 4;
    for (int i = 0; i < 3; ++i) listSize += source.entry(i).bytesInRes + 30;
    EXPECT_EQ(test::get32(ani, 80), listSize);
    size_t at = 88;
    for (int i = 0; i < 3; ++i) {
        const IconEntry e = source.entry(i);
        ASSERT_LE(at + 30 + e.bytesInRes, ani.size());
        EXPECT_EQ(id(at), "icon");
        EXPECT_EQ(test::get32(ani, at + 4), e.bytesInRes + 22);
        // A one-image cursor file: its header, the image's entry at offset 22, the image.
        const Bytes frame(ani.begin() + long(at) + 8, ani.begin() + long(at + 30 + e.bytesInRes));
        Bytes expected = Bytes{0, 0, 2, 0, 1, 0} +
                         Bytes(block.begin() + 6 + 16 * i, block.begin() + 18 + 16 * i) + le32(22);
        expected = expected + Bytes(block.begin() + e.imageOffset,
                                    block.begin() + e.imageOffset + e.bytesInRes);
        EXPECT_EQ(frame, expected);
        at += 30 + e.bytesInRes;
    }
    EXPECT_EQ(at, ani.size());

    // And it opens as the same document.
    QTemporaryDir dir;
    test::writeFile(dir.filePath("x.ani"), ani);
    TIcon loaded;
    loaded.AddImage(2, 2, 1);
    loaded.LoadFromFile(dir.filePath("x.ani"));
    EXPECT_EQ(loaded.fileType(), 2);
    EXPECT_EQ(loaded.CurrentIndex(), 0);
    EXPECT_EQ(test::blockOf(loaded), block);  // entries, hot spots and images alike
}

struct AniFrames {
    Bytes odd = cursorFile(16, 16, 4, {3, 4}, 1) + Bytes{0xEE};  // odd-sized: a pad byte follows
    Bytes deep = cursorFile(32, 32, 32, {31, 0}, 2);
    Bytes mono = cursorFile(8, 8, 1, {0, 7}, 3);
    Bytes info = chunk("LIST", str("INFOINAM") + le32(5) + str("Arrow"));  // 17 bytes
    Bytes seq = chunk("seq ", le32(2) + le32(0) + le32(1));
    Bytes rate = chunk("rate", le32(5) + le32(6) + le32(7));
};

TEST(AnimatedCursors, OtherChunksInAnyOrderAreSkipped) {
    const AniFrames a;
    const std::vector<Bytes> frames = {a.odd, a.deep, a.mono};
    const Bytes list = fram(frames);
    const Bytes bodies[] = {
        a.info + anih(3) + a.rate + a.seq + list,
        anih(3) + a.seq + a.info + a.rate + list,
        a.rate + a.seq + list + a.info + anih(3),
        anih(3) + list + a.info,
        // Icon chunks beyond the frame count are ignored.
        anih(3) + a.info + fram({a.odd, a.deep, a.mono, a.deep, a.odd}),
    };
    QTemporaryDir dir;
    for (const Bytes& body : bodies) {
        SCOPED_TRACE("body of " + std::to_string(body.size()) + " bytes");
        test::writeFile(dir.filePath("x.ani"), riff(body));
        TIcon icon;
        icon.LoadFromFile(dir.filePath("x.ani"));
        expectFrames(icon, frames);
    }
}

TEST(AnimatedCursors, DamagedFilesAreRefused) {
    const AniFrames a;
    const Bytes one = fram({a.mono});
    Bytes pastEnd = anih(1) + one;
    test::put32(pastEnd, 44 + 4, uint32_t(one.size() + 100));
    // The icon chunk claims more than its list holds; the file goes on after the list.
    Bytes pastList = anih(1) + one + a.rate;
    test::put32(pastList, 44 + 16, uint32_t(a.mono.size() + a.rate.size()));
    // The frame's image offset points past its chunk, at the next frame's image.
    const Bytes twin = cursorFile(8, 8, 1, {0, 7}, 4);
    Bytes outside = a.mono;
    test::put32(outside, 18, uint32_t(a.mono.size() + 8 + 22));
    Bytes notRiff = riff(anih(1) + one), notAcon = riff(anih(1) + one, "AVI ");
    notRiff[3] = 'X';
    const std::pair<const char*, Bytes> files[] = {
        {"no frames", riff(anih(0) + one)},
        {"short anih", riff(anih(1, 1, 32) + one)},
        {"raw bitmap frames", riff(anih(1, 0) + one)},
        {"no anih", riff(a.rate + one)},
        {"fewer icon chunks", riff(anih(3) + fram({a.mono, a.deep}))},
        {"chunk past the end", riff(pastEnd)},
        {"icon chunk past its list", riff(pastList)},
        {"image outside its frame", riff(anih(2) + fram({outside, twin}))},
        {"frame that is no icon", riff(anih(1) + fram({str("not an icon file")}))},
        {"not RIFF", notRiff},
        {"not ACON", notAcon},
    };
    for (const auto& [what, bytes] : files) {
        SCOPED_TRACE(what);
        expectRefused(QStringLiteral("x.ani"), bytes, "Unknown picture file extension (.ani)");
    }
}

// ---- icon resources of modules -------------------------------------------------------------

struct ModuleImage {
    const char* picture;
    int width, height, bits;
};
// Named resources first, then numbers ascending; the US English image 2, and the PNG as 32 bits.
const ModuleImage kModuleImages[] = {{"a", 8, 8, 1},   {"z", 20, 20, 4},  {"1", 16, 16, 4},
                                     {"2", 24, 24, 8}, {"3", 32, 32, 24}, {"4", 48, 48, 32}};

class Modules : public ::testing::TestWithParam<const char*> {};

TEST_P(Modules, OpenWithTheirIconImagesInResourceOrder) {
    TIcon icon;
    icon.LoadFromFile(dataFile(QString::fromLatin1(GetParam())));
    ASSERT_EQ(icon.ImageCount(), 6);  // image 2 once, though both groups name it
    EXPECT_EQ(icon.fileType(), 1);
    for (int i = 0; i < 6; ++i) {
        const ModuleImage& m = kModuleImages[i];
        SCOPED_TRACE(m.picture);
        EXPECT_EQ(icon.imageSize(i), QSize(m.width, m.height));
        EXPECT_EQ(icon.imageBitCount(i), m.bits);
        EXPECT_EQ(icon.entry(i).width, m.width);
        EXPECT_EQ(icon.entry(i).height, m.height);
        QImage picture(dataFile(QStringLiteral("picture-%1.png").arg(m.picture)));
        ASSERT_FALSE(picture.isNull());
        // icotool keeps the high byte of 16-bit channels (picture-3), where Qt rounds.
        for (int y = 0; y < picture.height() && picture.depth() == 64; ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QRgba64 c = picture.pixelColor(x, y).rgba64();
                picture.setPixelColor(x, y, QColor(c.red() >> 8, c.green() >> 8, c.blue() >> 8));
            }
        EXPECT_TRUE(samePixels(icon.imageToArgb(i), picture));
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, Modules,
                         ::testing::Values("icons.dll", "icons64.dll", "icons64.exe"),
                         [](const auto& p) {
                             std::string name = p.param;
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });

TEST(Modules, DamagedModulesAreRefused) {
    const char* unknown = "Unknown picture file extension (.dll)";
    expectRefused(QStringLiteral("x.dll"), str("This is a text file, not a library.\n"), unknown);
    for (const char* name : {"icons.dll", "icons64.exe"}) {
        SCOPED_TRACE(name);
        const Bytes good = test::readFile(dataFile(QString::fromLatin1(name)));
        const size_t pe = test::get32(good, 0x3C), optional = pe + 24;
        const bool plus = test::get16(good, optional) == 0x20B;
        const size_t directories = optional + (plus ? 112 : 96);
        const size_t sections = optional + test::get16(good, pe + 20);
        size_t rsrc = sections;
        while (Bytes(good.begin() + long(rsrc), good.begin() + long(rsrc) + 5) != str(".rsrc"))
            rsrc += 40;
        // The resource tree: root, the icon type's directory, ANAMED's languages, its data.
        const uint32_t rva = test::get32(good, directories + 16);
        const size_t root = test::get32(good, rsrc + 20) + rva - test::get32(good, rsrc + 12);
        size_t typeEntry = root + 16;
        while (test::get32(good, typeEntry) != 3) typeEntry += 8;
        const size_t icons = root + (test::get32(good, typeEntry + 4) & 0x7FFFFFFF);
        const size_t languages = root + (test::get32(good, icons + 20) & 0x7FFFFFFF);
        const size_t data = root + test::get32(good, languages + 20);
        const size_t lastIconEnd = root + 0x1BA2;  // image 4 ends there (see make-fixtures.sh)
        ASSERT_EQ(test::get32(good, data + 4), 112u);
        ASSERT_LE(lastIconEnd, good.size());

        auto with = [&](size_t at, uint32_t v, int width = 4) {
            Bytes b = good;
            width == 4 ? test::put32(b, at, v) : test::put16(b, at, uint16_t(v));
            return b;
        };
        const std::tuple<std::string, Bytes, const char*> damaged[] = {
            {"e_lfanew far out", with(0x3C, 0xFFFFFFF0u), unknown},
            {"e_lfanew at the end", with(0x3C, uint32_t(good.size() - 8)), unknown},
            {"PE signature", with(pe, 0x00004550 + 1), unknown},
            {"MZ", with(0, 0x5A4E, 2), unknown},
            {"optional header magic", with(optional, 0x10C, 2), unknown},
            {"optional header size 0", with(pe + 20, 0, 2), unknown},
            {"two data directories", with(optional + (plus ? 108 : 92), 2), unknown},
            {"no resource table", with(directories + 16, 0), unknown},
            {"resource RVA outside", with(directories + 16, 0x7FFFFFF0u), nullptr},
            {"no sections", with(pe + 6, 0, 2), nullptr},
            {"65535 sections", with(pe + 6, 0xFFFF, 2), nullptr},
            {"section moved", with(rsrc + 12, rva + 0x10000), nullptr},
            {"section raw size", with(rsrc + 16, 0x40), nullptr},
            {"root with 65535 ids", with(root + 14, 0xFFFF, 2), nullptr},
            {"root without entries", with(root + 14, 0, 2), unknown},
            {"icon directory with 65535 ids", with(icons + 14, 0xFFFF, 2), nullptr},
            {"icon directory outside", with(typeEntry + 4, 0x8000FFF0u), nullptr},
            {"language directory outside", with(icons + 20, 0x8000FFF0u), nullptr},
            {"data entry outside", with(languages + 20, 0x0000FFF0u), nullptr},
            {"data RVA outside", with(data, 0xFFFFFF00u), nullptr},
            {"data size beyond the file", with(data + 4, 0x7FFFFFFF), nullptr},
        };
        for (const auto& [what, bytes, message] : damaged) {
            SCOPED_TRACE(what);
            expectRefused(QStringLiteral("x.dll"), bytes, message);
        }
        for (size_t length : {size_t{0}, size_t{0x3F}, pe + 10, optional + 50, sections + 60,
                              root + 10, root + 0x100, lastIconEnd - 1}) {
            SCOPED_TRACE("cut at " + std::to_string(length));
            expectRefused(QStringLiteral("x.dll"), Bytes(good.begin(), good.begin() + long(length)),
                          nullptr);
        }
    }
}

// ---- raster pictures -----------------------------------------------------------------------

// Runs ImageMagick on `input` (a picture saved here first); `output` may start with a format
// prefix such as "BMP3:". Returns the output's path.
QString magick(const QTemporaryDir& dir, const QImage& input, const QStringList& options,
               const QString& output) {
    const QString in = dir.filePath(QStringLiteral("in.png"));
    EXPECT_TRUE(input.save(in, "PNG"));
    const qsizetype colon = output.indexOf(QLatin1Char(':'));
    const QString path = dir.filePath(output.mid(colon + 1));
    const test::RunResult r = test::runProgram(
        kMagick, QStringList{in} + options + QStringList{output.left(colon + 1) + path});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return path;
}

// An opaque picture from a few colours.
QImage fromColors(int w, int h, const std::vector<QRgb>& colors,
                  QImage::Format format = QImage::Format_RGB32) {
    QImage image(w, h, format);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, colors[size_t(x * 3 + y * 5 + x * y) % colors.size()]);
    return image;
}

TEST(RasterPictures, GifKeepsItsPaletteAndTransparentPixelsTurnBlack) {
    QTemporaryDir dir;
    QImage picture(16, 16, QImage::Format_RGB32);  // 256 different colours
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            picture.setPixel(x, y, qRgb(x * 17, y * 16 + 3, (x * y * 7) & 255));
    const QString gif = magick(dir, picture, {}, QStringLiteral("p.gif"));
    const Bytes file = test::readFile(gif);
    ASSERT_GE(file.size(), 13u + 768);
    ASSERT_EQ(file[10] & 0x87, 0x87) << "expected a global table of 256 colours";
    TIcon icon;
    icon.LoadFromFile(gif);
    ASSERT_EQ(icon.BitCount(), 8);
    const uint8_t* table = icon.ColorTable();
    for (int i = 0; i < 256; ++i) {
        const uint8_t* rgb = file.data() + 13 + 3 * i;
        ASSERT_EQ(Bytes(table + 4 * i, table + 4 * i + 3), (Bytes{rgb[2], rgb[1], rgb[0]})) << i;
    }
    EXPECT_TRUE(samePixels(icon.imageToArgb(icon.CurrentIndex()), picture));

    const Bytes gcePrefix = {0x21, 0xF9, 0x04};
    QImage holes = fromColors(9, 7, {qRgb(200, 10, 10), qRgb(10, 200, 10), qRgb(240, 240, 240)},
                              QImage::Format_ARGB32);
    for (int i = 0; i < 9; ++i) holes.setPixel(i, i % 7, qRgba(0, 0, 255, 0));
    // The transparent entry gets a colour of its own: black there would prove nothing.
    const QString path = magick(dir, holes, {}, QStringLiteral("t.gif"));
    Bytes t = test::readFile(path);
    const auto control = std::search(t.begin(), t.end(), gcePrefix.begin(), gcePrefix.end());
    ASSERT_TRUE(control + 8 <= t.end() && (t[10] & 0x80) && (control[3] & 1));
    const size_t entry = 13 + 3 * size_t(control[6]);
    ASSERT_LE(entry + 3, size_t(control - t.begin()));
    std::copy_n(Bytes{0x10, 0x20, 0xF0}.begin(), 3, t.begin() + long(entry));
    test::writeFile(path, t);
    TIcon transparent;
    transparent.LoadFromFile(path);
    QImage expected = holes;
    for (int i = 0; i < 9; ++i) expected.setPixel(i, i % 7, qRgb(0, 0, 0));
    EXPECT_TRUE(samePixels(transparent.imageToArgb(transparent.CurrentIndex()), expected));
}

struct RasterCase {
    const char* what;
    QImage picture;
    QStringList options;
    const char* output;
    int bits;
    int tolerance = 0;
};

void expectOpensAs(const RasterCase& c) {
    SCOPED_TRACE(c.what);
    QTemporaryDir dir;
    TIcon icon;
    icon.LoadFromFile(magick(dir, c.picture, c.options, QString::fromLatin1(c.output)));
    ASSERT_EQ(icon.ImageCount(), 1);
    EXPECT_EQ(icon.BitCount(), c.bits);
    EXPECT_EQ(icon.entry(0).width, c.picture.width());
    EXPECT_TRUE(samePixels(icon.imageToArgb(0), c.picture, c.tolerance));
}

// Four 8 x 8 blocks of one colour each, a JPEG block apiece.
QImage fourBlocks() {
    QImage image(16, 16, QImage::Format_RGB32);
    const QRgb colors[] = {qRgb(250, 20, 20), qRgb(20, 200, 40), qRgb(30, 40, 220),
                           qRgb(128, 128, 128)};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) image.setPixel(x, y, colors[(x / 8) + 2 * (y / 8)]);
    return image;
}

TEST(RasterPictures, OpenWithTheDepthOfTheirFile) {
    // 0, 132 and 255 survive 5-bit channels exactly.
    const QImage five = fromColors(
        6, 5, {qRgb(0, 132, 255), qRgb(255, 0, 132), qRgb(132, 255, 0), qRgb(255, 255, 255)});
    const QImage sixteen =
        fromColors(11, 7,
                   {qRgb(1, 2, 3), qRgb(250, 0, 0), qRgb(0, 250, 0), qRgb(0, 0, 250),
                    qRgb(99, 98, 97), qRgb(255, 255, 255), qRgb(17, 170, 71)});
    expectOpensAs(
        {"JPEG", fourBlocks(), {"-quality", "100", "-sampling-factor", "1x1"}, "p.jpg", 24, 4});
    expectOpensAs({"PNG with alpha", test::testPicture(13, 9, 5), {}, "PNG32:p.png", 32});
    expectOpensAs({"16-bit BMP", five, {"-define", "bmp:subtype=RGB555"}, "p16.bmp", 16});
    expectOpensAs({"4-bit BMP", sixteen, {"-colors", "16", "-type", "Palette"}, "BMP3:p4.bmp", 4});
}

// A bilevel table with white first keeps its colours; 16-bit channels become 32-bit images.
TEST(RasterPictures, BlackAndWhiteBitmapsAndSixteenBitChannels) {
    const QImage mono = fromColors(10, 6, {qRgb(0, 0, 0), qRgb(255, 255, 255)});
    expectOpensAs({"1-bit BMP", mono, {"-type", "Bilevel"}, "BMP3:p1.bmp", 1});
    expectOpensAs({"48-bit PNG", fourBlocks(), {"-depth", "16"}, "PNG48:p48.png", 32});
    expectOpensAs(
        {"64-bit PNG", test::testPicture(13, 9, 5), {"-depth", "16"}, "PNG64:p64.png", 32});
}

TEST(RasterPictures, PictureReplacesTheCurrentImageOnly) {
    QTemporaryDir dir;
    TIcon icon;
    icon.AddImage(4, 4, 8);
    icon.AddImage(6, 6, 24);
    paintPattern(icon, 7);
    const Bytes before = test::blockOf(icon);
    const IconEntry kept = icon.entry(1);
    const Bytes keptBytes(before.begin() + kept.imageOffset,
                          before.begin() + kept.imageOffset + kept.bytesInRes);
    icon.SelectImage(0);

    expectRefused(QStringLiteral("x.xyz"), str("no picture in here, just words\n"),
                  "Unknown picture file extension (.xyz)");

    const QImage picture = test::testPicture(5, 3, 11);
    icon.LoadFromFile(magick(dir, picture, {}, QStringLiteral("PNG32:p.png")));
    ASSERT_EQ(icon.ImageCount(), 2);
    const int c = icon.CurrentIndex(), other = 1 - c;
    ASSERT_TRUE(c == 0 || c == 1);
    EXPECT_EQ(icon.imageSize(c), QSize(5, 3));
    EXPECT_TRUE(samePixels(icon.imageToArgb(c), picture));
    const Bytes after = test::blockOf(icon);
    EXPECT_EQ(icon.entry(other).width, 6);
    EXPECT_EQ(Bytes(after.begin() + icon.entry(other).imageOffset,
                    after.begin() + icon.entry(other).imageOffset + icon.entry(other).bytesInRes),
              keptBytes);
}

// ---- the clipboard -------------------------------------------------------------------------

void setClipboard(const Bytes* payload, const QImage* image) {
    auto data = std::make_unique<QMimeData>();
    if (payload)
        data->setData(
            QString::fromLatin1(kClipboardMimeType),
            QByteArray(reinterpret_cast<const char*>(payload->data()), qsizetype(payload->size())));
    if (image) data->setImageData(*image);
    QGuiApplication::clipboard()->setMimeData(data.release());
}

TEST(Clipboard, DocumentsTravelWhole) {
    TIcon source;
    makeDocument(source);
    const Bytes block = test::blockOf(source);
    source.CopyToClipboard();
    EXPECT_TRUE(TIcon::clipboardHasDocument());
    TIcon target;
    target.AddImage(4, 4, 1);
    target.AddImage(4, 4, 8);
    ASSERT_TRUE(target.PasteFromClipboard());
    EXPECT_EQ(test::blockOf(target), block);
    EXPECT_EQ(target.CurrentIndex(), 0);

    // The private format wins over a picture beside it; trailing junk is dropped.
    const QImage picture = test::testPicture(7, 7, 3);
    const Bytes junk = block + str("trailing junk");
    setClipboard(&junk, &picture);
    TIcon both;
    ASSERT_TRUE(both.PasteFromClipboard());
    EXPECT_EQ(test::blockOf(both), block);
    EXPECT_EQ(both.CurrentIndex(), 0);
}

TEST(Clipboard, WithoutADocumentOrWithGarbageNothingChanges) {
    TIcon icon;
    icon.AddImage(4, 4, 8);
    icon.AddImage(5, 5, 32);
    const Bytes before = test::blockOf(icon);
    const QImage picture = test::testPicture(7, 7, 3);

    setClipboard(nullptr, &picture);
    EXPECT_FALSE(TIcon::clipboardHasDocument());
    EXPECT_FALSE(icon.PasteFromClipboard());
    QGuiApplication::clipboard()->clear();
    EXPECT_FALSE(TIcon::clipboardHasDocument());
    EXPECT_FALSE(icon.PasteFromClipboard());
    EXPECT_EQ(test::blockOf(icon), before);
    EXPECT_EQ(icon.CurrentIndex(), 1);

    TIcon source;
    makeDocument(source);
    Bytes broken = test::blockOf(source);
    test::put32(broken, 6 + 16 + 12, 0xFFFFFF00u);  // the second image's offset
    const Bytes garbage = str("garbage, not an icon at all");
    for (const Bytes* payload : std::initializer_list<const Bytes*>{&garbage, &broken}) {
        setClipboard(payload, nullptr);
        EXPECT_TRUE(TIcon::clipboardHasDocument());
        EXPECT_THROW(icon.PasteFromClipboard(), EInvalidGraphic);
        EXPECT_EQ(test::blockOf(icon), before);
        EXPECT_EQ(icon.CurrentIndex(), 1);
    }
}

}  // namespace
}  // namespace tarvo
