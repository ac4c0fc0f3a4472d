#include <gtest/gtest.h>

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextStream>

#include "TestSupport.h"
#include "cli/IconTool.h"
#include "core/DocumentFiles.h"
#include "core/PixelFormats.h"
#include "raster/Errors.h"
#include "raster/Planes.h"

namespace tarvo {
namespace {

int tool(const QStringList& args) {
    QString out, err;
    QTextStream o(&out), e(&err);
    return runIconTool(args, o, e);
}

// A 4-bit image with opaque table colours, one transparent and one inverse pixel.
void paletted(TIcon& icon) {
    icon.AddImage(6, 4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) icon.SetPixelValue(x, y, x < 3 ? 0x000000FF : 0x0000FF00);
    icon.SetPixelValue(0, 0, Transparent);
    icon.SetPixelValue(1, 0, Inverse);
    icon.StoreImage();
    icon.SelectImage(0);
}

class Writers : public ::testing::Test {
  protected:
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
};

TEST_F(Writers, PicturesOfPalettedImagesShowTransparentAsBlackAndKeepTheirDepth) {
    TIcon icon;
    paletted(icon);
    for (const char* name : {"p.png", "p.bmp", "p.gif"}) {
        SCOPED_TRACE(name);
        saveDocument(icon, path(name));
        const QImage back(path(name));
        ASSERT_FALSE(back.isNull());
        EXPECT_EQ(back.pixel(0, 0), qRgb(0, 0, 0));
        EXPECT_EQ(back.pixel(1, 0), qRgb(255, 255, 255));
        EXPECT_EQ(back.pixel(4, 2), qRgb(0, 255, 0));
        EXPECT_EQ(back.pixel(2, 3), qRgb(255, 0, 0));
    }
    // Reading it back as a document gives the same depth.
    TIcon bmp;
    bmp.LoadFromFile(path("p.bmp"));
    EXPECT_EQ(bmp.BitCount(), 4);
}

TEST_F(Writers, ThirtyTwoBitPicturesKeepAlphaAndGifKeepsOneTransparentIndex) {
    TIcon icon;
    icon.AddImage(20, 12, 32);
    const QImage picture = test::testPicture(20, 12, 4);
    icon.PasteBitmap(picture, 0, 0);
    saveDocument(icon, path("a.png"));
    EXPECT_EQ(QImage(path("a.png")).convertToFormat(QImage::Format_ARGB32), picture);

    saveDocument(icon, path("a.gif"));
    const QImage gif = QImage(path("a.gif")).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(gif.size(), QSize(20, 12));
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(qAlpha(gif.pixel(x, y)), qAlpha(picture.pixel(x, y)) < 128 ? 0 : 255);
    const test::RunResult identify =
        test::runProgram(QStringLiteral("/usr/bin/identify"), {path("a.gif")});
    EXPECT_EQ(identify.exitCode, 0) << identify.err.toStdString();
}

TEST_F(Writers, AFailedWriteNamesTheFileAndKeepsTheOldOne) {
    TIcon icon;
    paletted(icon);
    test::writeFile(path("keep.png"), {1, 2, 3});
    try {
        saveDocument(icon, path("x.xyz"));
        FAIL();
    } catch (const EWriteError& e) {
        EXPECT_NE(std::string(e.what()).find("x.xyz"), std::string::npos);
    }
    EXPECT_THROW(saveDocument(icon, path("no/folder/keep.png")), EWriteError);
    EXPECT_EQ(test::readFile(path("keep.png")), (test::Bytes{1, 2, 3}));
}

TEST_F(Writers, ConvertWritesAnimatedCursorsAndThePictureOfTheChosenImage) {
    TIcon icon;
    paletted(icon);
    icon.AddImage(32, 32, 32);
    icon.markAsCursor(QPoint(2, 3));
    icon.SaveToFile(path("in.cur"));
    ASSERT_EQ(tool({"convert", path("in.cur"), path("out.ani")}), kExitOk);
    TIcon ani;
    ani.LoadFromFile(path("out.ani"));
    EXPECT_EQ(test::blockOf(ani), test::blockOf(icon));
    // An icon's frames point at (0, 0), or where --hotspot says: not at its planes and depth.
    icon.markAsIcon();
    icon.SaveToFile(path("in.ico"));
    for (const auto& [args, spot] : {std::pair{QStringList{}, QPoint(0, 0)},
                                     std::pair{QStringList{"--hotspot", "4,5"}, QPoint(4, 5)}}) {
        ASSERT_EQ(tool(QStringList{"convert", path("in.ico"), path("icon.ani")} + args), kExitOk);
        TIcon frames;
        frames.LoadFromFile(path("icon.ani"));
        for (int i = 0; i < frames.ImageCount(); ++i)
            EXPECT_EQ(QPoint(frames.entry(i).planes, frames.entry(i).bitCount), spot) << i;
    }
    QString json, err;
    QTextStream jo(&json), je(&err);
    ASSERT_EQ(runIconTool({"info", path("out.ani"), "--json"}, jo, je), kExitOk);
    jo.flush();
    const QJsonObject info = QJsonDocument::fromJson(json.toUtf8()).object();
    EXPECT_EQ(info["frames"].toInt(), 2) << json.toStdString();
    // One step per image at the default rate.
    EXPECT_EQ(info["steps"].toInt(), 2);
    EXPECT_EQ(info["rates"].toArray(), QJsonArray({int(kAniDefaultRate), int(kAniDefaultRate)}));
    ASSERT_EQ(tool({"convert", path("in.cur"), path("first.png"), "--index", "0"}), kExitOk);
    EXPECT_EQ(QImage(path("first.png")).size(), QSize(6, 4));
    ASSERT_EQ(tool({"convert", path("in.cur"), path("best.png")}), kExitOk);
    EXPECT_EQ(QImage(path("best.png")).size(), QSize(32, 32));  // the one shown at 32 x 32
}

// Every picture at every size asked for, in order; a macOS icon at its own sizes in 32 bits. A
// depth or size it cannot hold is refused before anything is written, as is a picture of no
// ICNS size.
TEST_F(Writers, CreateScalesEveryPictureToEverySizeInOrder) {
    QImage a(40, 40, QImage::Format_ARGB32), b(10, 20, QImage::Format_ARGB32);
    a.fill(qRgba(255, 0, 0, 255));
    b.fill(qRgba(0, 0, 255, 255));
    ASSERT_TRUE(a.save(path("a.png")) && b.save(path("b.png")));
    using Case = std::tuple<const char*, QStringList, std::vector<int>, int>;
    for (const auto& [name, args, sizes, bits] : std::vector<Case>{
             {"multi.ico", {path("b.png"), "--sizes", "16,48", "--bits", "8"}, {16, 48, 16, 48}, 8},
             {"app.icns", {"--sizes", "16,32,128,256,512"}, {16, 32, 128, 256, 512}, 32}}) {
        ASSERT_EQ(tool(QStringList{"create", path(name), path("a.png")} + args), kExitOk) << name;
        TIcon icon;
        icon.LoadFromFile(path(name));
        ASSERT_EQ(icon.ImageCount(), int(sizes.size())) << name;
        const int fromA = args.contains(path("b.png")) ? 2 : icon.ImageCount();  // red, then blue
        for (int i = 0; i < icon.ImageCount(); ++i) {
            const int s = sizes[size_t(i)];
            EXPECT_EQ(icon.imageSize(i), QSize(s, s)) << name << i;
            EXPECT_EQ(icon.imageBitCount(i), bits) << name << i;
            EXPECT_EQ(icon.imageToArgb(i).pixel(s / 2, s / 2),
                      i < fromA ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
        }
    }
    // Without sizes each picture keeps its own; a cursor gets the hot spot.
    ASSERT_EQ(tool({"create", path("one.cur"), path("b.png"), "--hotspot", "4,5"}), kExitOk);
    TIcon cursor;
    cursor.LoadFromFile(path("one.cur"));
    EXPECT_EQ(cursor.imageSize(0), QSize(10, 20));
    EXPECT_EQ(cursor.imageBitCount(0), 32);
    EXPECT_EQ(cursor.entry(0).planes, 4);
    EXPECT_EQ(cursor.entry(0).bitCount, 5);
    EXPECT_EQ(tool({"create", path("bad.ico"), path("a.png"), "--bits", "16"}), kExitUsage);
    EXPECT_EQ(tool({"create", path("bad.ico"), path("missing.png")}), kExitFileError);
    EXPECT_EQ(tool({"create", path("bad.icns"), path("a.png"), "--sizes", "16,48"}), kExitUsage);
    EXPECT_EQ(tool({"create", path("bad.icns"), path("a.png"), "--bits", "8"}), kExitUsage);
    EXPECT_EQ(tool({"create", path("bad.icns"), path("a.png")}), kExitFileError);
    EXPECT_FALSE(QFile::exists(path("bad.icns")));
}

}  // namespace
}  // namespace tarvo
