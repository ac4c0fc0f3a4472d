// The open dialog's preview pane and its JPEG decoder, driven without running the dialog.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>

#include "TestSupport.h"
#include "core/AniFormat.h"
#include "core/Icon.h"
#include "dialogs/JpegPreview.h"
#include "dialogs/PreviewOpenDialog.h"

namespace tarvo {
namespace {

using Source = TPreviewOpenDialog::PreviewSource;

// Opaque 32-bit images of these sizes, each filled with its colour.
void makeDocument(TIcon& icon, const QList<QSize>& sizes, const QList<QRgb>& colors) {
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        icon.AddImage(sizes[i].width(), sizes[i].height(), 32);
        for (int y = 0; y < sizes[i].height(); ++y)
            for (int x = 0; x < sizes[i].width(); ++x) icon.WorkBitmap().setPixel(x, y, colors[i]);
        icon.StoreImage();
    }
}

// Red on the left half, blue on the right.
QImage halves(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(0, 0, w / 2, h, Qt::red);
    return image;
}

bool near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) < 40 && std::abs(qGreen(a) - qGreen(b)) < 40 &&
           std::abs(qBlue(a) - qBlue(b)) < 40;
}

class PreviewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        TIcon icon;
        makeDocument(icon, {{16, 16}, {32, 32}, {48, 48}}, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF});
        icon.SaveToFile(path("three.ico"));
        ASSERT_TRUE(halves(1000, 500).save(path("photo.jpg"), "JPG", 90));
        dialog.setPreviewWidth(200);
        line = QFontMetrics(dialog.previewCanvas()->font()).height() + 2;
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    void copy(const QString& from, const QString& to) {
        ASSERT_TRUE(QFile::copy(path(from), path(to)));
    }
    QImage canvas() const { return dialog.previewCanvas()->grab().toImage(); }

    QTemporaryDir dir;
    TPreviewOpenDialog dialog;
    int line = 0;
};

TEST_F(PreviewTest, IconImagesStackWithTheirSizes) {
    dialog.previewFile(path("three.ico"));
    EXPECT_EQ(dialog.previewSource(), Source::Document);
    EXPECT_EQ(dialog.previewLabels(), QStringList({"16x16", "32x32", "48x48"}));
    EXPECT_EQ(dialog.previewBoxes(),
              QList<QRect>({{0, 0, 16, 16}, {0, 16 + line, 32, 32}, {0, 48 + 2 * line, 48, 48}}));
    EXPECT_EQ(dialog.previewHeight(), 96 + 3 * line);
    EXPECT_EQ(dialog.previewCanvas()->size(), QSize(200, 96 + 3 * line));
    const QImage shown = canvas();
    EXPECT_EQ(shown.pixel(8, 8), 0xFFFF0000u);
    EXPECT_EQ(shown.pixel(20, 16 + line + 20), 0xFF00FF00u);
    EXPECT_EQ(shown.pixel(40, 48 + 2 * line + 40), 0xFF0000FFu);
}

TEST_F(PreviewTest, WideImagesShrinkToThePane) {
    dialog.previewFile(path("photo.jpg"));
    EXPECT_EQ(dialog.previewSource(), Source::Picture);
    EXPECT_EQ(dialog.previewLabels(), QStringList({"1000x500"}));
    EXPECT_EQ(dialog.previewBoxes(), QList<QRect>({{0, 0, 200, 100}}));
    EXPECT_EQ(dialog.previewHeight(), 100 + line);
    const QImage shown = canvas();
    EXPECT_TRUE(near(shown.pixel(20, 50), qRgb(255, 0, 0)));
    EXPECT_TRUE(near(shown.pixel(180, 50), qRgb(0, 0, 255)));

    // Heights round to the nearest pixel: 67.3 and 66.7 both give 67.
    TIcon icon;
    makeDocument(icon, {{300, 101}, {999, 333}}, {0xFF000000, 0xFF000000});
    icon.SaveToFile(path("wide.ico"));
    dialog.previewFile(path("wide.ico"));
    EXPECT_EQ(dialog.previewBoxes(), QList<QRect>({{0, 0, 200, 67}, {0, 67 + line, 200, 67}}));
}

TEST_F(PreviewTest, OnlyTheJpgExtensionTakesThePicturePath) {
    copy("photo.jpg", "photo.jpeg");
    dialog.previewFile(path("photo.jpeg"));
    EXPECT_EQ(dialog.previewSource(), Source::Document);
    EXPECT_EQ(dialog.previewLabels(), QStringList({"1000x500"}));
    EXPECT_EQ(dialog.previewBoxes(), QList<QRect>({{0, 0, 200, 100}}));

    copy("photo.jpg", "UPPER.JPG");  // the extension is compared in lower case
    dialog.previewFile(path("UPPER.JPG"));
    EXPECT_EQ(dialog.previewSource(), Source::Picture);

    // A PNG named .jpg goes to the JPEG decoder alone, which refuses it.
    ASSERT_TRUE(halves(40, 30).save(path("png.jpg"), "PNG"));
    dialog.previewFile(path("png.jpg"));
    EXPECT_EQ(dialog.previewSource(), Source::Picture);
    EXPECT_EQ(dialog.previewLabels(), QStringList({"1000x500"}));
}

TEST_F(PreviewTest, UnreadableFilesKeepThePreviewAndRepeatsAreSkipped) {
    dialog.previewFile(path("three.ico"));
    const QList<QRect> before = dialog.previewBoxes();
    QByteArray jpeg;
    {
        QFile f(path("photo.jpg"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        jpeg = f.readAll();
    }
    test::writeFile(path("garbage.ico"), test::Bytes(100, 0x5A));
    test::writeFile(path("truncated.jpg"), test::toBytes(jpeg.left(jpeg.size() / 2)));
    test::writeFile(path("garbage.jpg"), test::Bytes(100, 0x5A));
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.ico"));
    for (const char* name :
         {"missing.ico", "garbage.ico", "truncated.jpg", "garbage.jpg", "folder.ico"}) {
        dialog.previewFile(path(name));
        EXPECT_EQ(dialog.previewSource(), Source::Document) << name;
        EXPECT_EQ(dialog.previewBoxes(), before) << name;
    }

    // The same name again is not read again; after another file it is.
    copy("three.ico", "changing.ico");
    dialog.previewFile(path("changing.ico"));
    ASSERT_TRUE(QFile::remove(path("changing.ico")));
    TIcon one;
    makeDocument(one, {{8, 8}}, {0xFF000000});
    one.SaveToFile(path("changing.ico"));
    dialog.previewFile(path("changing.ico"));
    EXPECT_EQ(dialog.previewBoxes(), before);
    dialog.previewFile(path("photo.jpg"));
    dialog.previewFile(path("changing.ico"));
    EXPECT_EQ(dialog.previewLabels(), QStringList({"8x8"}));
}

TEST_F(PreviewTest, AnimatedCursorsAndPicturesPreview) {
    TIcon frames;
    makeDocument(frames, {{32, 32}, {32, 32}, {24, 20}}, {0xFF000000, 0xFFFFFFFF, 0xFF808080});
    frames.markAsCursor({1, 1});
    test::writeFile(path("run.ani"), writeAnimatedCursor(test::blockOf(frames)));
    dialog.previewFile(path("run.ani"));
    EXPECT_EQ(dialog.previewLabels(), QStringList({"32x32", "32x32", "24x20"}));
    EXPECT_EQ(dialog.previewHeight(), 84 + 3 * line);

    for (const char* format : {"PNG", "BMP"}) {
        const QString name = QStringLiteral("picture.") + QString::fromLatin1(format).toLower();
        ASSERT_TRUE(halves(40, 30).save(path(name), format));
        dialog.previewFile(path(name));
        EXPECT_EQ(dialog.previewLabels(), QStringList({"40x30"})) << format;
        EXPECT_EQ(dialog.previewBoxes(), QList<QRect>({{0, 0, 40, 30}})) << format;
    }
}

TEST_F(PreviewTest, DialogOpensFilesWithThePaneBesideIt) {
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFiles);
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dialog.nameFilters(),
              QStringList({"Icon Files (*.ico)", "Cursor Files (*.cur)", "ANI Files (*.ani)",
                           "Resource Files (*.exe, *.dll) (*.exe *.dll)",
                           "Image Files (*.gif, *.png, *.bmp, *.jpg) (*.gif *.png *.bmp *.jpg)",
                           "All Files (*)"}));
    dialog.resize(900, 500);
    dialog.show();
    const QRect pane = dialog.previewPane()->geometry();
    EXPECT_EQ(pane.top(), 4);
    EXPECT_EQ(pane.right(), dialog.width() - 5);
    EXPECT_EQ(pane.bottom(), dialog.height() - 21);
    EXPECT_EQ(dialog.previewPane()->viewport()->width(), 200);
    for (const char* name : {"buttonBox", "stackedWidget"}) {
        const auto* child = dialog.findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_NE(child, nullptr) << name;
        EXPECT_LT(child->mapTo(&dialog, QPoint(child->width(), 0)).x(), pane.left()) << name;
    }

    // The dialog's own selection reports reach the pane.
    emit dialog.currentChanged(path("three.ico"));
    EXPECT_EQ(dialog.previewBoxes().size(), 3);
    dialog.reject();
}

TEST(JpegPreview, DecodesAtTheSmallestScaleThatFills) {
    QTemporaryDir dir;
    const QString file = dir.filePath("p.jpg");
    ASSERT_TRUE(halves(1000, 500).save(file, "JPG", 90));
    QSize full;
    // Scales come in eighths: 2/8 is the least that is 200 wide.
    QImage image = decodeJpegPreview(file, QSize(200, 0), &full);
    EXPECT_EQ(full, QSize(1000, 500));
    EXPECT_EQ(image.size(), QSize(250, 125));
    EXPECT_TRUE(near(image.pixel(20, 60), qRgb(255, 0, 0)));
    EXPECT_TRUE(near(image.pixel(230, 60), qRgb(0, 0, 255)));
    EXPECT_EQ(decodeJpegPreview(file, QSize(200, 130)).size(), QSize(375, 188));
    EXPECT_EQ(decodeJpegPreview(file, QSize(2000, 0)).size(), QSize(1000, 500));

    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const test::Bytes bytes = test::toBytes(f.readAll());
    full = QSize(7, 7);
    for (const test::Bytes& bad : {test::Bytes(), test::Bytes(bytes.begin(), bytes.begin() + 600),
                                   test::Bytes(bytes.begin(), bytes.end() - 100)}) {
        EXPECT_TRUE(decodeJpegPreview(bad, QSize(200, 0), &full).isNull());
        EXPECT_EQ(full, QSize(7, 7));
    }
    EXPECT_TRUE(decodeJpegPreview(dir.filePath("missing.jpg"), QSize()).isNull());
}

}  // namespace
}  // namespace tarvo
