#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QPoint>
#include <QTemporaryDir>
#include <vector>

#include "TestSupport.h"
#include "core/DocumentFiles.h"
#include "core/Icon.h"

namespace tarvo {
namespace {

// Independent programs. ImageMagick is called by full path: another `convert` may come first on
// PATH. A program that is missing or fails fails the test.
const QString kIcotool = "icotool", kMagick = "/usr/bin/convert", kIdentify = "/usr/bin/identify";

// The program's output lines.
QStringList runPeer(const QString& program, const QStringList& args) {
    const test::RunResult r = test::runProgram(program, args);
    EXPECT_EQ(r.exitCode, 0) << (program + ' ' + args.join(' ')).toStdString()
                             << " failed or could not start: " << r.err.toStdString();
    return QString::fromUtf8(r.out).trimmed().split('\n');
}

// Alpha must match everywhere, the colour wherever the pixel is visible at all (icotool clears
// the colour of fully transparent pixels).
::testing::AssertionResult samePixels(const QImage& actualImage, const QImage& expectedImage) {
    const QImage actual = actualImage.convertToFormat(QImage::Format_ARGB32);
    const QImage expected = expectedImage.convertToFormat(QImage::Format_ARGB32);
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure()
               << "size " << actual.width() << "x" << actual.height() << ", expected "
               << expected.width() << "x" << expected.height();
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (const QRgb a = actual.pixel(x, y), e = expected.pixel(x, y);
                a != e && (qAlpha(a) || qAlpha(e)))
                return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") is "
                                                     << std::hex << a << ", expected " << e;
    return ::testing::AssertionSuccess();
}

QString savePng(const QTemporaryDir& dir, const QString& name, const QImage& image) {
    const QString path = dir.filePath(name);
    EXPECT_TRUE(image.save(path, "PNG")) << path.toStdString();
    return path;
}

TEST(PeersWriteWeRead, ImageMagickAndIcotoolIconsWithBitmapAndPngEntries) {
    QTemporaryDir dir;
    std::vector<QImage> pictures;
    QStringList pngs;
    for (int s : {16, 32, 256}) {
        pictures.push_back(test::testPicture(s, s, uint32_t(s)));
        pngs << savePng(dir, QStringLiteral("a%1.png").arg(s), pictures.back());
    }
    const QString magick = dir.filePath("magick.ico"), icotool = dir.filePath("icotool.ico");
    runPeer(kMagick, pngs + QStringList{magick});
    // icotool stores the 256 x 256 picture as a PNG entry (-r), the others as bitmaps.
    runPeer(kIcotool, {"-c", "-o", icotool, pngs[0], pngs[1], "-r", pngs[2]});
    for (const QString& file : {magick, icotool}) {
        TIcon icon;
        icon.LoadFromFile(file);
        ASSERT_EQ(icon.ImageCount(), 3) << file.toStdString();
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(icon.imageSize(i), pictures[size_t(i)].size());
            EXPECT_EQ(icon.imageBitCount(i), 32);
            EXPECT_TRUE(samePixels(icon.imageToArgb(i), pictures[size_t(i)]))
                << file.toStdString() << " image " << i;
        }
        // Saved again unchanged, every PNG entry goes back byte for byte.
        const QString again = dir.filePath("again.ico");
        saveDocument(icon, again);
        const test::Bytes before = test::readFile(file), after = test::readFile(again);
        for (int i = 0; i < 3; ++i) {
            auto entry = [i](const test::Bytes& b) {
                const uint32_t size = test::get32(b, 6 + 16 * size_t(i) + 8);
                const uint32_t offset = test::get32(b, 6 + 16 * size_t(i) + 12);
                return test::Bytes(b.begin() + offset, b.begin() + offset + size);
            };
            const test::Bytes was = entry(before);
            if (was.size() > 4 && was[1] == 'P' && was[2] == 'N' && was[3] == 'G') {
                EXPECT_EQ(entry(after), was) << file.toStdString() << " image " << i;
            }
        }
        EXPECT_LT(after.size(), before.size() * 3 / 2) << file.toStdString();
    }
}

TEST(PeersWriteWeRead, IcotoolPalettedIcons) {
    QTemporaryDir dir;
    for (int bits : {1, 4, 8}) {
        // An opaque picture of at most 2^bits colours taken from a fixed random picture.
        const int size = 8 + 8 * bits, colors = 1 << bits;
        const QImage palette = test::testPicture(colors, 1, uint32_t(bits * 31));
        QImage picture(size, size, QImage::Format_RGB32);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                picture.setPixel(x, y, palette.pixel((x * 7 + y * 13 + x * y) % colors, 0));
        const QString ico = dir.filePath(QStringLiteral("p%1.ico").arg(bits));
        runPeer(kIcotool, {"-c", "-b", QString::number(bits), "-o", ico,
                           savePng(dir, QStringLiteral("p%1.png").arg(bits), picture)});
        TIcon icon;
        icon.LoadFromFile(ico);
        ASSERT_EQ(icon.ImageCount(), 1) << bits;
        EXPECT_EQ(icon.imageSize(0), QSize(size, size));
        EXPECT_EQ(icon.imageBitCount(0), bits);
        EXPECT_TRUE(samePixels(icon.imageToArgb(0), picture)) << bits;
    }
}

// One image at each of 1, 4, 8, 24 and 32 bits, with transparent pixels, and the ARGB picture
// each should show. Paletted images use colours their new tables hold: black and white, the 16
// standard colours, the 6 x 6 x 6 cube.
std::vector<QImage> buildDocument(TIcon& icon, const std::vector<std::pair<int, int>>& formats) {
    const QRgb vga[] = {0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080,
                        0xFF008080, 0xFF808080, 0xFFC0C0C0, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00,
                        0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF};
    std::vector<QImage> pictures;
    for (const auto& format : formats) {
        const int size = format.first, bits = format.second;  // lambdas capture no bindings
        const QImage argb = test::testPicture(size, size, 42);
        pictures.push_back(test::addPainted(icon, size, size, bits, [&](int x, int y) {
            const int k = x * 6 + y * 3 + (x ^ y);  // odd and even table indices
            const QRgb c = bits == 1   ? vga[k % 3 ? 0 : 15]
                           : bits == 4 ? vga[k % 16]
                           : bits == 8 ? qRgb(51 * (k % 6), 51 * (k / 6 % 6), 51 * (k / 36 % 6))
                                       : argb.pixel(x, y) | 0xFF000000;
            return bits == 32 ? argb.pixel(x, y) : (x * y + x) % 7 == 3 ? c & 0xFFFFFFu : c;
        }));
    }
    return pictures;
}

// Pillow's reading of every image of an icon, each written as DIR/pil-<index>.png (Pillow
// lists the images largest first; the order in the file is the order of their data).
const char* const kPillowScript = R"(
import sys
from PIL import IcoImagePlugin
with open(sys.argv[1], 'rb') as f:
    ico = IcoImagePlugin.IcoFile(f)
    order = sorted(range(len(ico.entry)), key=lambda i: ico.entry[i]['offset'])
    for rank, i in enumerate(order):
        ico.frame(i).convert('RGBA').save('%s/pil-%d.png' % (sys.argv[2], rank))
)";

// Every image we write, as bitmaps or PNG entries, reads back the same in icotool, ImageMagick
// and Pillow; icotool lists the icon's and the cursor's fields as we wrote them.
TEST(PeersReadWeWrite, IcotoolImageMagickAndPillowReadOurIconAndCursor) {
    QTemporaryDir dir;
    const std::vector<std::pair<int, int>> formats{{16, 1},  {24, 4},  {32, 8},
                                                   {48, 24}, {64, 32}, {256, 32}};
    TIcon icon;
    const std::vector<QImage> pictures = buildDocument(icon, formats);
    const QString ico = dir.filePath("ours.ico"), cur = dir.filePath("ours.cur");
    for (PngPolicy png : {PngPolicy::Auto, PngPolicy::All, PngPolicy::None}) {
        SCOPED_TRACE(int(png));
        saveDocument(icon, ico, png);
        const QString x = dir.filePath(QStringLiteral("x%1").arg(int(png)));
        ASSERT_TRUE(QDir().mkpath(x));
        runPeer(kIcotool, {"-x", "-o", x, ico});
        runPeer(kMagick, {ico, "PNG32:" + x + "/magick-%d.png"});
        runPeer("/usr/bin/python3", {"-c", kPillowScript, ico, x});
        for (size_t i = 0; i < formats.size(); ++i) {
            const auto [size, bits] = formats[i];
            const QString icotool =
                QStringLiteral("%1/ours_%2_%3x%3x%4.png").arg(x).arg(i + 1).arg(size).arg(bits);
            for (const QString& file : {icotool, QStringLiteral("%1/magick-%2.png").arg(x).arg(i),
                                        QStringLiteral("%1/pil-%2.png").arg(x).arg(i)})
                EXPECT_TRUE(samePixels(QImage(file), pictures[i])) << file.toStdString();
        }
    }
    icon.markAsCursor(QPoint(5, 7));
    saveDocument(icon, cur);
    QStringList icoList, curList, sizes;
    for (size_t i = 0; i < formats.size(); ++i) {
        const auto [size, bits] = formats[i];
        const QString fields = QStringLiteral(
                                   "--index=%1 --width=%2 --height=%2 --bit-depth=%3 "
                                   "--palette-size=%4")
                                   .arg(i + 1)
                                   .arg(size)
                                   .arg(bits)
                                   .arg(bits <= 8 ? 1 << bits : 0);
        icoList << "--icon " + fields;
        curList << "--cursor " + fields + " --hotspot-x=5 --hotspot-y=7";
        sizes << QStringLiteral("%1 %1").arg(size);
    }
    EXPECT_EQ(runPeer(kIcotool, {"-l", ico}).join('\n').toStdString(),
              icoList.join('\n').toStdString());
    EXPECT_EQ(runPeer(kIcotool, {"-l", cur}).join('\n').toStdString(),
              curList.join('\n').toStdString());
    EXPECT_EQ(runPeer(kIdentify, {"-format", "%w %h\n", ico}).join('\n').toStdString(),
              sizes.join('\n').toStdString());
}

// icns2png (icnsutils) and Qt's ICNS image plug-in read every image we write; what png2icns
// makes of pictures (run-length images with 8-bit masks up to 128 pixels, JPEG 2000 above,
// which we skip) opens with the pictures' pixels.
TEST(PeersIcns, IcnsutilsAndQtReadOursAndWeReadPng2icns) {
    QTemporaryDir dir;
    const int sizes[] = {16, 32, 64, 128, 256, 512, 1024};
    TIcon icon;
    std::vector<QImage> pictures;
    for (int s : sizes) {
        icon.AddImage(s, s, 32);
        pictures.push_back(test::testPicture(s, s, uint32_t(s)));
        icon.PasteBitmap(pictures.back(), 0, 0);
    }
    const QString ours = dir.filePath("ours.icns");
    saveDocument(icon, ours);
    // icns2png knows the PNG kinds of 256 pixels and more. It exits with 0 whatever happens:
    // the files it writes are what counts.
    runPeer("/usr/bin/icns2png", {"-x", "-o", dir.path(), ours});
    for (int i : {4, 5, 6})
        EXPECT_TRUE(
            samePixels(QImage(dir.filePath(QStringLiteral("ours_%1x%1x32.png").arg(sizes[i]))),
                       pictures[size_t(i)]))
            << sizes[i];
    QImageReader qt(ours, "icns");
    ASSERT_EQ(qt.imageCount(), 7) << qt.errorString().toStdString();
    for (int i = 0; i < 7; ++i) {
        ASSERT_TRUE(qt.jumpToImage(i));
        EXPECT_TRUE(samePixels(qt.read(), pictures[size_t(i)])) << sizes[i];
    }

    QStringList pngs;
    std::vector<QImage> theirPictures;
    for (int s : {16, 32, 48, 128, 256}) {
        theirPictures.push_back(test::testPicture(s, s, uint32_t(s + 1)));
        pngs << savePng(dir, QStringLiteral("p%1.png").arg(s), theirPictures.back());
    }
    const QString theirs = dir.filePath("theirs.icns");
    runPeer("/usr/bin/png2icns", QStringList{theirs} + pngs);
    TIcon read;
    read.LoadFromFile(theirs);
    ASSERT_EQ(read.ImageCount(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(samePixels(read.imageToArgb(i), theirPictures[size_t(i)])) << i;
}

}  // namespace
}  // namespace tarvo
