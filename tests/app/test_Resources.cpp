#include <gtest/gtest.h>

#include <QApplication>
#include <QBitmap>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextBrowser>

#include "TestSupport.h"
#include "app/AboutBox.h"
#include "app/HelpWindow.h"
#include "app/HotSpotDlg.h"
#include "app/Icons.h"
#include "app/ToolCursors.h"

namespace tarvo {
namespace {

// Every name the toolbars ask for, and the application icon.
const QStringList kIconNames =
    QStringLiteral(
        "document-new document-open document-save window-close edit-undo edit-redo list-add "
        "list-remove object-flip-vertical object-flip-horizontal object-rotate-left "
        "object-rotate-right zoom-in zoom-out help-contents shift-left shift-right shift-up "
        "shift-down tool-rectangle-selection tool-ellipse-selection tool-lasso-selection "
        "tool-hue-selection tool-color-picker tool-erase tool-fill tool-pencil tool-line tool-blur "
        "tool-text tool-rectangle tool-filled-rectangle tool-ellipse tool-filled-ellipse "
        "smooth-edges tarvo-iconworks")
        .split(u' ');

QImage draw24(const QIcon& icon) {
    return icon.pixmap(24, 24).toImage().convertToFormat(QImage::Format_ARGB32);
}

// A missing file, a wrong alias or no SVG support all leave a blank or null picture.
TEST(Resources, EveryIconIsBundledAndDrawsADistinctPicture) {
    QSet<QByteArray> pictures;
    for (const QString& name : kIconNames) {
        SCOPED_TRACE(name.toStdString());
        const QImage image = draw24(bundledIcon(name));
        ASSERT_EQ(image.size(), QSize(24, 24));
        int opaque = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x) opaque += qAlpha(image.pixel(x, y)) > 128;
        EXPECT_GT(opaque, 40);
        pictures.insert(
            QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
    }
    EXPECT_EQ(pictures.size(), kIconNames.size());
}

TEST(Resources, AThemeReplacesStandardIconsButNeverTheToolPictures) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("flat/24x24/actions")));
    test::writeText(dir.filePath(QStringLiteral("flat/index.theme")),
                    "[Icon Theme]\nName=flat\nDirectories=24x24/actions\n\n"
                    "[24x24/actions]\nSize=24\nType=Fixed\n");
    QImage red(24, 24, QImage::Format_ARGB32);
    red.fill(Qt::red);
    for (const char* name : {"document-save", "tool-pencil"})
        ASSERT_TRUE(red.save(dir.filePath(QStringLiteral("flat/24x24/actions/%1.png").arg(name))));

    const QStringList oldPaths = QIcon::themeSearchPaths();
    const QString oldTheme = QIcon::themeName();
    QIcon::setThemeSearchPaths({dir.path()});
    QIcon::setThemeName(QStringLiteral("flat"));
    EXPECT_EQ(draw24(themedIcon(QStringLiteral("document-save"))), red);
    EXPECT_EQ(draw24(themedIcon(QStringLiteral("tool-pencil"))),
              draw24(bundledIcon(QStringLiteral("tool-pencil"))));
    EXPECT_NE(draw24(themedIcon(QStringLiteral("tool-pencil"))), red);
    QIcon::setThemeSearchPaths(oldPaths);
    QIcon::setThemeName(oldTheme);
}

TEST(Resources, ToolCursorsAreMonochromeWithTheirTipAtTheHotSpot) {
    const struct {
        int number;
        QPoint hotSpot;
    } cases[] = {{PencilCursor, {9, 18}},
                 {EyeCursor, {2, 18}},
                 {FillCursor, {7, 28}},
                 {BlurCursor, {6, 24}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        const QCursor cursor = toolCursor(c.number);
        ASSERT_EQ(cursor.shape(), Qt::BitmapCursor);
        EXPECT_EQ(cursor.hotSpot(), c.hotSpot);
        const QImage image = toolCursorImage(c.number);
        ASSERT_EQ(image.size(), QSize(32, 32));

        bool tip = false;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                tip = tip || qAlpha(image.pixel(c.hotSpot + QPoint(dx, dy))) == 255;
        EXPECT_TRUE(tip);

        // Bitmap and mask must say what the picture shows, or black and white come out swapped.
        const QImage bits = cursor.bitmap().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage mask = cursor.mask().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(bits.size(), QSize(32, 32));
        int wrong = 0, black = 0, white = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const QRgb p = image.pixel(x, y);
                black += p == 0xFF000000u;
                white += p == 0xFFFFFFFFu;
                const bool shown = qGray(mask.pixel(x, y)) < 128;
                const bool dark = qGray(bits.pixel(x, y)) < 128;
                if (p == 0u)
                    wrong += shown;
                else if (p == 0xFF000000u || p == 0xFFFFFFFFu)
                    wrong += !shown || dark != (p == 0xFF000000u);
                else
                    ++wrong;
            }
        EXPECT_EQ(wrong, 0);
        EXPECT_GT(black, 20);
        EXPECT_GT(white, 20);
    }
    EXPECT_EQ(toolCursor(0).shape(), Qt::ArrowCursor);
    EXPECT_TRUE(toolCursorImage(5).isNull());
}

// The test runs from build/tests, one level below the build tree as the editor is in build/app.
TEST(Resources, TheBuildTreeHasTheManualWhereTheEditorLooksAndItsLinksResolve) {
    qunsetenv("TARVO_HELP_DIR");
    const QString path = helpFilePath();
    EXPECT_TRUE(path.endsWith(QStringLiteral("/share/tarvo-iconworks/help/index.html")))
        << path.toStdString();
    const QString html = test::readText(path);

    QSet<QString> ids;
    for (const auto& m :
         QRegularExpression(QStringLiteral(R"(\b(?:id|name)="([^"]+)\")")).globalMatch(html))
        ids.insert(m.captured(1));
    const QRegularExpression links(QStringLiteral(R"(\b(?:href|src)="([^"]+)\")"));
    int checked = 0;
    for (const auto& m : links.globalMatch(html)) {
        const QString target = m.captured(1);
        if (target.startsWith(QLatin1Char('#')))
            EXPECT_TRUE(ids.contains(target.mid(1))) << target.toStdString();
        else
            EXPECT_TRUE(QFileInfo::exists(QFileInfo(path).dir().filePath(target)))
                << target.toStdString();
        ++checked;
    }
    EXPECT_GT(checked, 20);
}

TEST(Resources, HelpOpensOneWindowOrSaysItCannot) {
    QTemporaryDir dir;
    qputenv("TARVO_HELP_DIR", dir.path().toLocal8Bit());
    int boxes = 0;
    execHelpMessage = [&](QMessageBox& box) {
        ++boxes;
        EXPECT_EQ(box.icon(), QMessageBox::Warning);
        EXPECT_EQ(box.windowTitle(), QStringLiteral("Tarvo Iconworks"));
        EXPECT_EQ(box.text(), QStringLiteral("Failed to launch help."));
    };
    QWidget owner;
    EXPECT_FALSE(showHelp(&owner));
    EXPECT_EQ(boxes, 1);

    test::writeText(dir.filePath(QStringLiteral("index.html")),
                    "<html><body><h1>Welcome to the manual</h1></body></html>");
    EXPECT_TRUE(showHelp(&owner));
    EXPECT_TRUE(showHelp(&owner));
    EXPECT_EQ(boxes, 1);

    QList<QWidget*> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == QStringLiteral("Tarvo Iconworks Help"))
            windows.append(w);
    ASSERT_EQ(windows.size(), 1);
    const auto* browser = windows.front()->findChild<QTextBrowser*>();
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->source().toLocalFile(), dir.filePath(QStringLiteral("index.html")));
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("Welcome to the manual")));
    qunsetenv("TARVO_HELP_DIR");
}

TEST(Resources, AboutBoxShowsTheVersionAndClosesWithOk) {
    TAboutBox box;
    QStringList texts;
    bool picture = false;
    for (const QLabel* label : box.findChildren<QLabel*>()) {
        texts << label->text();
        picture = picture || !label->pixmap().isNull();
    }
    const QString all = texts.join(QLatin1Char('\n'));
    EXPECT_TRUE(all.contains(QStringLiteral("Tarvo Iconworks")));
    EXPECT_TRUE(all.contains(QStringLiteral(TARVO_EXPECTED_VERSION))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("Licensed under the MIT License.")));
    EXPECT_TRUE(picture);

    const auto* buttons = box.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ASSERT_NE(ok, nullptr);
    box.show();
    ok->click();
    EXPECT_EQ(box.result(), QDialog::Accepted);
    EXPECT_FALSE(box.isVisible());
}

TEST(Resources, HotSpotDialogOffersTheCursorsOwnAndRefusesOneOutsideTheImage) {
    THotSpotDlg dlg;
    QPushButton* ok = nullptr;
    for (QAbstractButton* b : dlg.findChild<QDialogButtonBox*>()->buttons())
        if (b->text() == QStringLiteral("OK")) ok = qobject_cast<QPushButton*>(b);
    ASSERT_TRUE(ok);
    dlg.XSpin->setValue(9);  // typed for another cursor
    dlg.prepare({3, 31}, {32, 32});
    EXPECT_EQ(QPoint(dlg.XSpin->value(), dlg.YSpin->value()), QPoint(3, 31));
    dlg.show();
    dlg.XSpin->setValue(32);
    ok->click();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(dlg.ErrorLabel->isVisible());
    EXPECT_EQ(dlg.ErrorLabel->text(),
              QStringLiteral("The hot spot must lie inside the 32 x 32 image."));
    dlg.XSpin->setValue(31);
    EXPECT_FALSE(dlg.ErrorLabel->isVisible());
    ok->click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);

    dlg.prepare({15, 48}, {16, 48});
    dlg.show();
    ok->click();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.ErrorLabel->text(),
              QStringLiteral("The hot spot must lie inside the 16 x 48 image."));
    dlg.prepare({15, 47}, {16, 48});  // offered afresh, without the last refusal
    EXPECT_FALSE(dlg.ErrorLabel->isVisible());
}

}  // namespace
}  // namespace tarvo
