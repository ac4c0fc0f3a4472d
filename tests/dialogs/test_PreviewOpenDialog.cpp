// The open dialog's preview pane and its JPEG decoder, and what the open and save dialogs share,
// driven without running the dialogs' event loops.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

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
    for (qsizetype i = 0; i < sizes.size(); ++i)
        test::addPainted(icon, sizes[i].width(), sizes[i].height(), 32,
                         [&](int, int) { return colors[i]; });
}

// Red on the left half, blue on the right.
QImage halves(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(0, 0, w / 2, h, Qt::red);
    return image;
}

// The parts of the widget file dialog a user works with, by the names Qt gives them.
template <class T>
T* part(const QFileDialog& dialog, const char* name) {
    return dialog.findChild<T*>(QString::fromLatin1(name));
}

// The file type names as the user sees them.
QStringList typeNames(const QFileDialog& dialog) {
    QStringList names;
    const auto* types = part<QComboBox>(dialog, "fileTypeCombo");
    for (int i = 0; types && i < types->count(); ++i) names.append(types->itemText(i));
    return names;
}

// The names in the dialog's file list, sorted.
QStringList listed(const QFileDialog& dialog) {
    QStringList names;
    const auto* list = part<QTreeView>(dialog, "treeView");
    const QModelIndex root = list->rootIndex();
    for (int row = 0; row < list->model()->rowCount(root); ++row)
        names.append(list->model()->index(row, 0, root).data().toString());
    names.sort();
    return names;
}

// Shown and ready for keys, its folder read.
void showIn(QFileDialog& dialog, const QString& folder, qsizetype files) {
    dialog.setDirectory(folder);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    ASSERT_TRUE(QTest::qWaitFor([&] { return listed(dialog).size() >= files; }));
}

// A key as the keyboard delivers it: to the open pop-up, else to the focus.
void press(Qt::Key key) {
    QWidget* to = QApplication::activePopupWidget();
    QTest::keyClick(to ? to : QApplication::focusWidget(), key);
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
    const test::Bytes jpeg = test::readFile(path("photo.jpg"));
    test::writeFile(path("garbage.ico"), test::Bytes(100, 0x5A));
    test::writeFile(path("truncated.jpg"),
                    test::Bytes(jpeg.begin(), jpeg.begin() + jpeg.size() / 2));
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
    // Every type that opens is listed at first, and nothing else.
    QStringList opens = {"photo.jpg", "three.ico"};
    for (const char* ext : {"cur", "ani", "icns", "exe", "dll", "bmp", "jpeg", "gif", "png"}) {
        opens.append(QStringLiteral("a.") + QString::fromLatin1(ext));
        test::writeFile(path(opens.last()), {});
    }
    test::writeFile(path("notes.txt"), {});
    opens.sort();
    dialog.resize(900, 500);
    showIn(dialog, dir.path(), opens.size());
    QTest::qWait(100);  // anything still arriving
    EXPECT_EQ(listed(dialog), opens);
    // Types go by their names alone.
    const QStringList types = typeNames(dialog);
    EXPECT_EQ(types.size(), dialog.nameFilters().size());
    for (const QString& name : types) EXPECT_FALSE(name.contains(u'*')) << name.toStdString();
    EXPECT_EQ(part<QComboBox>(dialog, "fileTypeCombo")->currentIndex(), 0);

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

    // The pane follows the keys in the file list; a file it cannot read keeps the last preview.
    auto* list = part<QTreeView>(dialog, "treeView");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_End);
    EXPECT_EQ(dialog.previewLabels(), QStringList({"16x16", "32x32", "48x48"}));
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(dialog.previewLabels(), QStringList({"1000x500"}));
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(list->currentIndex().data().toString(), "a.png");
    EXPECT_EQ(dialog.previewLabels(), QStringList({"1000x500"}));
    QTest::keyClick(list, Qt::Key_End);
    EXPECT_EQ(dialog.previewLabels().size(), 3);
    dialog.reject();
}

TEST_F(PreviewTest, SaveTypesGoByNameAndGiveTheirExtension) {
    TSaveDialog save;
    for (const QString& name : typeNames(save)) EXPECT_FALSE(name.contains(u'*'));
    const auto saveAs = [&](const char* typed, std::initializer_list<Qt::Key> typeKeys) {
        showIn(save, dir.path(), 0);
        auto* types = part<QComboBox>(save, "fileTypeCombo");
        types->setFocus();
        for (Qt::Key key : typeKeys) QTest::keyClick(types, key);
        auto* name = part<QLineEdit>(save, "fileNameEdit");
        name->setFocus();
        name->clear();
        QTest::keyClicks(name, QString::fromLatin1(typed));
        press(Qt::Key_Return);
        EXPECT_EQ(save.result(), QDialog::Accepted);
        return QFileInfo(save.selectedFiles().value(0)).fileName();
    };
    EXPECT_EQ(saveAs("first", {}), "first.ico");
    EXPECT_EQ(saveAs("picture", {Qt::Key_End, Qt::Key_Up}), "picture.png");
    EXPECT_EQ(saveAs("again", {}), "again.png");  // the type stays chosen
    EXPECT_EQ(saveAs("mac", {Qt::Key_End}), "mac.icns");
    EXPECT_EQ(saveAs("arrow", {Qt::Key_Home, Qt::Key_Down}), "arrow.cur");
    EXPECT_EQ(saveAs("named.ani", {}), "named.ani");

    QTest::keyClick(save.compressionBox(), Qt::Key_End);
    EXPECT_EQ(save.pngPolicy(), PngPolicy::None);
}

TEST_F(PreviewTest, EnterLeavesNoCompletionList) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    copy("three.ico", "sub/s1.ico");
    copy("three.ico", "sub/s2.ico");
    TSaveDialog save;
    // A whole name to open and a partial one to save, each chosen while the list offers more.
    const std::pair<TFileDialog*, const char*> cases[] = {{&dialog, "s1.ico"}, {&save, "s"}};
    for (const auto& [files, typed] : cases) {
        showIn(*files, dir.path(), 2);
        auto* name = part<QLineEdit>(*files, "fileNameEdit");
        name->setFocus();
        name->clear();
        // The folder first, so that its names have arrived when the rest is typed.
        QTest::keyClicks(name, QStringLiteral("sub/"));
        QCompleter* completer = name->completer();
        ASSERT_TRUE(QTest::qWaitFor([&] { return completer->completionCount() == 2; }));
        QTest::keyClicks(name, QString::fromLatin1(typed));
        QWidget* popup = completer->popup();
        ASSERT_TRUE(QTest::qWaitFor([&] { return popup->isVisible(); })) << typed;
        press(Qt::Key_Return);
        EXPECT_EQ(files->result(), QDialog::Accepted) << typed;
        EXPECT_FALSE(files->isVisible()) << typed;
        QTest::qWait(100);
        EXPECT_FALSE(popup->isVisible()) << typed;
    }
    EXPECT_EQ(dialog.selectedFiles(), QStringList{path("sub/s1.ico")});
    EXPECT_EQ(save.selectedFiles(), QStringList{path("sub/s.ico")});
}

// Run again on a 1366 x 768 screen (tests/CMakeLists.txt).
TEST(FileDialogs, OpenWhereTheColumnsFitTheScreen) {
    QTemporaryDir dir;
    for (int i = 0; i < 60; ++i)  // enough for a vertical scroll bar
        test::writeFile(dir.filePath(QStringLiteral("icon%1.ico").arg(i)), {});
    TPreviewOpenDialog open;
    TSaveDialog save;
    for (TFileDialog* files :
         {static_cast<TFileDialog*>(&open), static_cast<TFileDialog*>(&save)}) {
        showIn(*files, dir.path(), 60);
        QTest::qWait(100);
        const QRect room = files->screen()->availableGeometry();
        const QString where = QStringLiteral("%1 on %2x%3")
                                  .arg(files->windowTitle())
                                  .arg(room.width())
                                  .arg(room.height());
        SCOPED_TRACE(where.toStdString());
        EXPECT_TRUE(room.contains(files->frameGeometry()));
        const QSize frame = files->frameGeometry().size() - files->size();
        EXPECT_GE(files->width(), std::min(900, room.width() - frame.width()));
        EXPECT_GE(files->height(), std::min(560, room.height() - frame.height()));
        const auto* list = part<QTreeView>(*files, "treeView");
        ASSERT_TRUE(list->isVisible());
        EXPECT_TRUE(list->verticalScrollBar()->isVisible());
        for (int column = 0; column < 4; ++column)
            EXPECT_FALSE(list->header()->isSectionHidden(column));
        EXPECT_LE(list->header()->length(), list->viewport()->width());
        EXPECT_FALSE(list->horizontalScrollBar()->isVisible());
        files->reject();
    }
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

    const test::Bytes bytes = test::readFile(file);
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
