#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <vector>

#include "TestSupport.h"
#include "core/Icon.h"

namespace tarvo {
namespace {

// Independent programs. ImageMagick is called by full path: another `convert` may come first on
// PATH. A missing program makes runPeer fail the test.
const QString kIcotool = QStringLiteral("icotool");
const QString kMagick = QStringLiteral("/usr/bin/convert");
const QString kIdentify = QStringLiteral("/usr/bin/identify");

void runPeer(const QString& program, const QStringList& args, QByteArray* out = nullptr) {
    const test::RunResult r = test::runProgram(program, args);
    ASSERT_EQ(r.exitCode, 0) << (program + ' ' + args.join(' ')).toStdString()
                             << " failed or could not start: " << r.err.toStdString();
    if (out) *out = r.out;
}

QStringList outputLines(const QByteArray& out) {
    QStringList lines = QString::fromUtf8(out).split(QLatin1Char('\n'));
    lines.removeAll(QString());
    return lines;
}

// Alpha must match everywhere, the colour wherever the pixel is visible at all (icotool clears
// the colour of fully transparent pixels); with `exact` the colour of invisible pixels too.
::testing::AssertionResult samePixels(const QImage& actualImage, const QImage& expectedImage,
                                      bool exact = false) {
    const QImage actual = actualImage.convertToFormat(QImage::Format_ARGB32);
    const QImage expected = expectedImage.convertToFormat(QImage::Format_ARGB32);
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure()
               << "size " << actual.width() << "x" << actual.height() << ", expected "
               << expected.width() << "x" << expected.height();
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb a = actual.pixel(x, y), e = expected.pixel(x, y);
            const bool colorMatters = exact || qAlpha(e) > 0;
            if (qAlpha(a) != qAlpha(e) || (colorMatters && (a & 0xFFFFFFu) != (e & 0xFFFFFFu)))
                return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") is "
                                                     << std::hex << a << ", expected " << e;
        }
    }
    return ::testing::AssertionSuccess();
}

// An opaque picture of at most `colors` distinct colours, no alpha, for the paletted writers.
QImage fewColorPicture(int size, int colors, uint32_t seed) {
    std::vector<QRgb> palette;
    uint32_t state = seed;
    for (int i = 0; i < colors; ++i) {
        state = state * 1664525u + 1013904223u;
        palette.push_back(qRgb(int(state >> 24), int(state >> 16) & 255, int(state >> 8) & 255));
    }
    QImage image(size, size, QImage::Format_RGB32);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            image.setPixel(x, y, palette[size_t(x * 7 + y * 13 + x * y) % palette.size()]);
    return image;
}

QString savePng(const QTemporaryDir& dir, const QString& name, const QImage& image) {
    const QString path = dir.filePath(name);
    EXPECT_TRUE(image.save(path, "PNG")) << path.toStdString();
    return path;
}

TEST(PeersWriteWeRead, ImageMagickIconOfThreeSizes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::vector<int> sizes{16, 32, 48};
    std::vector<QImage> pictures;
    QStringList args;
    for (int s : sizes) {
        pictures.push_back(test::testPicture(s, s, uint32_t(s)));
        args << savePng(dir, QStringLiteral("a%1.png").arg(s), pictures.back());
    }
    const QString ico = dir.filePath(QStringLiteral("magick.ico"));
    ASSERT_NO_FATAL_FAILURE(runPeer(kMagick, args << ico));

    TIcon icon;
    icon.LoadFromFile(ico);
    ASSERT_EQ(icon.ImageCount(), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(icon.imageSize(i), QSize(sizes[i], sizes[i]));
        EXPECT_EQ(icon.imageBitCount(i), 32);
        EXPECT_TRUE(samePixels(icon.imageToArgb(i), pictures[i]));
    }
}

TEST(PeersWriteWeRead, IcotoolIconWithBitmapAndPngEntries) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QImage p16 = test::testPicture(16, 16, 7);
    const QImage p32 = test::testPicture(32, 32, 8);
    const QImage p256 = test::testPicture(256, 256, 9);
    const QString ico = dir.filePath(QStringLiteral("icotool.ico"));
    // icotool stores the 256 x 256 picture as a PNG entry.
    ASSERT_NO_FATAL_FAILURE(runPeer(
        kIcotool,
        {QStringLiteral("-c"), QStringLiteral("-o"), ico, savePng(dir, "a16.png", p16),
         savePng(dir, "a32.png", p32), QStringLiteral("-r"), savePng(dir, "a256.png", p256)}));

    TIcon icon;
    icon.LoadFromFile(ico);
    ASSERT_EQ(icon.ImageCount(), 3);
    const std::vector<QImage> pictures{p16, p32, p256};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(icon.imageSize(i), pictures[i].size());
        EXPECT_EQ(icon.imageBitCount(i), 32);
        EXPECT_TRUE(samePixels(icon.imageToArgb(i), pictures[i]));
    }
}

TEST(PeersWriteWeRead, IcotoolPalettedIcons) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (int bits : {1, 4, 8}) {
        SCOPED_TRACE(bits);
        const int size = 8 + 8 * bits;
        const QImage picture = fewColorPicture(size, 1 << bits, uint32_t(bits * 31));
        const QString ico = dir.filePath(QStringLiteral("p%1.ico").arg(bits));
        ASSERT_NO_FATAL_FAILURE(
            runPeer(kIcotool, {QStringLiteral("-c"), QStringLiteral("-b"), QString::number(bits),
                               QStringLiteral("-o"), ico,
                               savePng(dir, QStringLiteral("p%1.png").arg(bits), picture)}));
        TIcon icon;
        icon.LoadFromFile(ico);
        ASSERT_EQ(icon.ImageCount(), 1);
        EXPECT_EQ(icon.imageSize(0), QSize(size, size));
        EXPECT_EQ(icon.imageBitCount(0), bits);
        EXPECT_TRUE(samePixels(icon.imageToArgb(0), picture, true));
    }
}

// A document with one image at each of 1, 4, 8, 24 and 32 bits, and the ARGB picture each
// should show.
struct Expected {
    int size;
    int bits;
    QImage argb;
};

std::vector<Expected> buildDocument(TIcon& icon) {
    // Colours every table holds: black and white, the 16 standard colours, the 6x6x6 cube.
    const std::vector<QRgb> table4{0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000,
                                   0xFF000080, 0xFF800080, 0xFF008080, 0xFF808080,
                                   0xFFC0C0C0, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00,
                                   0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF};
    auto colorAt = [&](int bits, int x, int y) -> QRgb {
        const int k = x * 5 + y * 3 + (x ^ y);
        switch (bits) {
            case 1:
                return k % 3 == 0 ? 0xFFFFFFFF : 0xFF000000;
            case 4:
                return table4[size_t(k) % 16];
            case 8:
                return qRgb(51 * (k % 6), 51 * (k / 6 % 6), 51 * (k / 36 % 6));
            default:
                return qRgb(x * 5, y * 5, (x * y) & 255);
        }
    };
    std::vector<Expected> expected;
    const std::vector<std::pair<int, int>> formats{{16, 1}, {24, 4}, {32, 8}, {48, 24}, {256, 32}};
    for (auto [size, bits] : formats) {
        icon.AddImage(size, size, bits);
        QImage argb(size, size, QImage::Format_ARGB32);
        if (bits == 32) {
            argb = test::testPicture(size, size, 42);
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x) icon.WorkBitmap().setPixel(x, y, argb.pixel(x, y));
        } else {
            for (int y = 0; y < size; ++y) {
                for (int x = 0; x < size; ++x) {
                    const QRgb c = colorAt(bits, x, y);
                    const bool transparent = (x * y + x) % 7 == 3;
                    icon.ColorBitmap().setPixel(x, y, c);
                    // The mask plane holds one byte per pixel, 0xFF for a set bit.
                    icon.MaskBitmap().scanLine(y)[x] = transparent ? 0xFF : 0x00;
                    argb.setPixel(x, y, transparent ? c & 0x00FFFFFFu : c);
                }
            }
            icon.StoreImage();
            icon.SelectImage(icon.CurrentIndex());
        }
        expected.push_back({size, bits, argb});
    }
    return expected;
}

TEST(PeersReadWeWrite, IcotoolListsAndExtractsEveryImage) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TIcon icon;
    const std::vector<Expected> expected = buildDocument(icon);
    const QString ico = dir.filePath(QStringLiteral("ours.ico"));
    icon.SaveToFile(ico);

    QByteArray listing;
    ASSERT_NO_FATAL_FAILURE(runPeer(kIcotool, {QStringLiteral("-l"), ico}, &listing));
    const QStringList lines = outputLines(listing);
    ASSERT_EQ(lines.size(), qsizetype(expected.size())) << listing.toStdString();

    const QString out = dir.filePath(QStringLiteral("extracted"));
    ASSERT_TRUE(QDir().mkpath(out));
    ASSERT_NO_FATAL_FAILURE(
        runPeer(kIcotool, {QStringLiteral("-x"), QStringLiteral("-o"), out, ico}));
    for (size_t i = 0; i < expected.size(); ++i) {
        const Expected& e = expected[i];
        SCOPED_TRACE(e.bits);
        EXPECT_TRUE(lines[qsizetype(i)].startsWith(
            QStringLiteral("--icon --index=%1 --width=%2 --height=%2 --bit-depth=%3 ")
                .arg(i + 1)
                .arg(e.size)
                .arg(e.bits)))
            << lines[qsizetype(i)].toStdString();
        const QStringList files = QDir(out).entryList(
            {QStringLiteral("*_%1_%2x%2x%3.png").arg(i + 1).arg(e.size).arg(e.bits)}, QDir::Files);
        ASSERT_EQ(files.size(), 1) << QDir(out).entryList().join(' ').toStdString();
        const QImage extracted(QDir(out).filePath(files[0]));
        ASSERT_FALSE(extracted.isNull());
        EXPECT_TRUE(samePixels(extracted, e.argb));
    }
}

TEST(PeersReadWeWrite, IcotoolSeesCursorHotSpot) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TIcon icon;
    const size_t count = buildDocument(icon).size();
    icon.markAsCursor(QPoint(5, 7));
    const QString cur = dir.filePath(QStringLiteral("ours.cur"));
    icon.SaveToFile(cur);

    QByteArray listing;
    ASSERT_NO_FATAL_FAILURE(runPeer(kIcotool, {QStringLiteral("-l"), cur}, &listing));
    const QStringList lines = outputLines(listing);
    ASSERT_EQ(lines.size(), qsizetype(count)) << listing.toStdString();
    for (const QString& line : lines) {
        EXPECT_TRUE(line.startsWith(QStringLiteral("--cursor "))) << line.toStdString();
        EXPECT_TRUE(line.contains(QStringLiteral(" --hotspot-x=5 --hotspot-y=7")))
            << line.toStdString();
    }
}

TEST(PeersReadWeWrite, ImageMagickIdentifiesEverySize) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TIcon icon;
    const std::vector<Expected> expected = buildDocument(icon);
    const QString ico = dir.filePath(QStringLiteral("ours.ico"));
    icon.SaveToFile(ico);

    QByteArray out;
    ASSERT_NO_FATAL_FAILURE(runPeer(kIdentify, {QStringLiteral("-format"), "%w %h\n", ico}, &out));
    QStringList want;
    for (const Expected& e : expected) want << QStringLiteral("%1 %1").arg(e.size);
    EXPECT_EQ(outputLines(out), want) << out.toStdString();
}

}  // namespace
}  // namespace tarvo
