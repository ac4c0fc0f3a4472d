#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QTemporaryDir>
#include <random>

#include "TestSupport.h"
#include "raster/Errors.h"
#include "raster/FileWriter.h"
#include "raster/PngEncoder.h"

namespace tarvo {
namespace {

// A save that fails half-way, for whatever reason, leaves the old file as it was and names the
// file in its message.
TEST(WriteWholeFile, AFailedWriteKeepsTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("old.ico");
    test::writeFile(path, {1, 2, 3});
    auto partial = [](bool throwing) {
        return [throwing](QIODevice& file) {
            file.write("partial");
            if (throwing) throw TError("the encoder gave up");
            return false;
        };
    };
    for (bool throwing : {false, true}) {
        try {
            writeWholeFile(path, partial(throwing));
            ADD_FAILURE() << "no error";
        } catch (const EWriteError& e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).startsWith("Cannot write " + path + ": "));
            if (throwing) {
                EXPECT_TRUE(QString::fromUtf8(e.what()).endsWith("the encoder gave up"));
            }
        }
        EXPECT_EQ(test::readFile(path), (test::Bytes{1, 2, 3}));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"old.ico"});
    writeWholeFile(path, [](QIODevice& file) { return file.write("new") == 3; });
    EXPECT_EQ(test::readFile(path), (test::Bytes{'n', 'e', 'w'}));
}

// A device is written, not replaced: a full disk is an error and the device stays.
TEST(WriteWholeFile, DevicesAreWrittenInPlace) {
    if (!QFile::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    QTemporaryDir dir;
    const QString link = dir.filePath("full.ico");
    ASSERT_TRUE(QFile::link("/dev/full", link));
    const QByteArray block(4096, 'x');
    EXPECT_THROW(writeWholeFile(link, [&](QIODevice& f) { return f.write(block) == block.size(); }),
                 EWriteError);
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), "/dev/full");
    EXPECT_FALSE(QFileInfo(link).isFile());
}

}  // namespace
}  // namespace tarvo

namespace tarvo {
namespace {

// Our PNG encoder against libpng's decoder: random sizes, opaque and translucent pictures,
// smooth and noisy rows (every filter gets chosen), read back pixel for pixel.
TEST(PngEncoder, EveryPictureReadsBackPixelForPixel) {
    std::mt19937 random(7);
    for (int round = 0; round < 60; ++round) {
        const int w = 1 + int(random() % 70), h = 1 + int(random() % 70);
        // Noise is translucent unless made opaque; the smooth rows always are.
        const bool opaque = round % 3 == 0 || round % 2 == 0;
        QImage picture(w, h, round % 5 == 0 ? QImage::Format_RGB32 : QImage::Format_ARGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint32_t noise = random();
                const QRgb smooth = qRgba(x * 3, y * 3, (x + y) & 255, 255);
                QRgb c = round % 2 ? QRgb(noise) : smooth;
                if (opaque) c |= 0xFF000000u;
                picture.setPixel(x, y, c);
            }
        const std::vector<uint8_t> png = encodePng(picture);
        QImage back;
        ASSERT_TRUE(back.loadFromData(png.data(), int(png.size()), "PNG")) << round;
        EXPECT_EQ(back.hasAlphaChannel(), !opaque && picture.hasAlphaChannel()) << round;
        EXPECT_EQ(back.convertToFormat(QImage::Format_ARGB32),
                  picture.convertToFormat(QImage::Format_ARGB32))
            << round << ": " << w << "x" << h;
    }
}

}  // namespace
}  // namespace tarvo
