#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMimeData>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QWheelEvent>

#include "TestSupport.h"
#include "WindowTest.h"
#include "app/HelpWindow.h"
#include "app/HotSpotDlg.h"
#include "app/Recovery.h"
#include "core/AniFormat.h"
#include "core/DocumentFiles.h"
#include "core/PixelFormats.h"
#include "dialogs/AnimationDlg.h"
#include "dialogs/CursorThemeDlg.h"
#include "dialogs/IconThemeDlg.h"
#include "dialogs/SizesDlg.h"
#include "effects/EffectDialogs.h"
#include "effects/PictureSizes.h"

namespace tarvo::test {
namespace {

QStringList buttonTexts(const QButtonGroup& group) {
    QStringList texts;
    for (QAbstractButton* b : group.buttons()) texts << b->text();
    return texts;
}

// The words a user reads: captions spelt right, the sizes and depths icons have today, a
// Convert Image dialog that says so and leaves New's choices alone, and devices named plainly.
TEST_F(MainWindow, CaptionsAndTheNewImageDialogSpeakPlainly) {
    for (const auto& [name, caption] : {std::pair{"ToolsFlipVerical", "Flip Vertical"},
                                        {"TollsFilpHorizontal", "Flip Horizontal"},
                                        {"TwainSettings", "Scanner and Camera..."},
                                        {"WebCamera", "Camera..."}})
        EXPECT_EQ(form->action(name)->text(), caption);
    // Rotate Angle takes a typed angle as well as the slider's.
    TRotateDlg rotate;
    QStringList labels;
    for (const QLabel* l : rotate.findChildren<QLabel*>()) labels << l->text();
    EXPECT_TRUE(labels.contains("Angle:")) << labels.join(", ").toStdString();
    rotate.AngleSpin->setValue(-37);
    EXPECT_EQ(rotate.angle(), -37);
    rotate.TrackBar->setValue(180 + 90);
    EXPECT_EQ(rotate.AngleSpin->value(), 90);

    TIconForm& dialog = form->iconForm();
    EXPECT_EQ(buttonTexts(*dialog.RadioGroup1),
              (QStringList{"16 x 16", "24 x 24", "32 x 32", "48 x 48", "64 x 64", "128 x 128",
                           "256 x 256"}));
    EXPECT_EQ(dialog.ColorRadioGroup->button(4)->text(), "32 bits with alpha");

    TChildForm* c = newDocument("48", "24", 2);
    ASSERT_TRUE(c);
    QString title;
    form->execDialog = [&](QDialog& d) {
        title = d.windowTitle();
        auto& f = static_cast<TIconForm&>(d);
        f.WidthEdt->setText("20");
        f.ColorRadioGroup->button(0)->setChecked(true);
        f.accept();
        return f.result();
    };
    form->action("ToolsConvertImage")->trigger();
    EXPECT_EQ(title, "Convert Image");
    EXPECT_EQ(c->Document().GetSize(), QSize(20, 24));
    dialog.prepareForNew();
    EXPECT_EQ(dialog.windowTitle(), "New Icon Image Type");
    EXPECT_EQ(dialog.WidthEdt->text(), "48");
    EXPECT_EQ(dialog.ColorRadioGroup->checkedId(), 2);
}

// Without a document, the commands that need one are off; with one they are on, and its window
// carries the program's icon. Unsaved changes are marked in its title and in the Window menu.
TEST_F(MainWindow, NothingIsOnThatCannotWorkAndUnsavedDocumentsAreMarked) {
    const char* needing[] = {"FileClose",         "FileSaveAs",    "ToolsAddIcon",
                             "ToolsRotateLeft",   "ToolsShiftUp",  "ZoomInItem",
                             "ZoomOutItem",       "ToolsPencil",   "ToolsEllipse",
                             "ToolsConvertImage", "EditSelectAll", "SmoothEdges"};
    form->updateActions();
    for (const char* n : needing) EXPECT_FALSE(form->action(n)->isEnabled()) << n;
    TChildForm* c = newDocument();
    ASSERT_TRUE(c);
    EXPECT_EQ(c->windowIcon().cacheKey(), form->windowIcon().cacheKey());
    form->updateActions();
    for (const char* n : needing) EXPECT_TRUE(form->action(n)->isEnabled()) << n;

    EXPECT_FALSE(c->isWindowModified());
    form->action("ToolsFlipVerical")->trigger();
    form->updateActions();
    EXPECT_TRUE(c->isWindowModified());
    EXPECT_EQ(c->caption(), "Icon1");
    QMenu* window = form->menu("Window");
    emit window->aboutToShow();
    QStringList entries;
    for (QAction* a : window->actions()) entries << a->text();
    EXPECT_TRUE(entries.contains("&1 Icon1*")) << entries.join(", ").toStdString();
    c->SetModified(false);
    form->updateActions();
    EXPECT_FALSE(c->isWindowModified());
}

// The Smooth edges button beside the tools, on at first, decides whether a line drawn on a
// 32-bit image has edge pixels of partial coverage.
TEST_F(Tools, TheSmoothEdgesButtonDecidesWhetherLinesHavePartialPixels) {
    TChildForm* c = document("32", 4);
    QAction* smooth = form->action("SmoothEdges");
    ASSERT_TRUE(smooth);
    EXPECT_EQ(smooth->text(), "Smooth edges");
    EXPECT_TRUE(smooth->isChecked());
    QWidget* button = form->toolBar(3)->widgetForAction(smooth);
    ASSERT_TRUE(button);
    const int pen = qAlpha(form->PenColor());
    auto partial = [&] {
        int n = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const int a = qAlpha(c->Document().GetPixelValue(x, y));
                n += a != 0 && a != pen;
            }
        return n;
    };
    useTool("ToolsLine");
    drag(*c, {1, 1}, {25, 9});
    EXPECT_GT(partial(), 0);
    c->session().undo();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(smooth->isChecked());
    drag(*c, {1, 1}, {25, 9});
    EXPECT_EQ(partial(), 0);
    EXPECT_EQ(qAlpha(c->Document().GetPixelValue(13, 5)), pen);
}

// Text on a small icon starts at 8 pt, on a larger one at the usual size; the Font dialog
// offers the size in use, and the font chosen there is kept.
TEST_F(Tools, TextOnSmallIconsIsSmallUntilAFontIsChosen) {
    TChildForm* small = document("16", 4);
    TChildForm* large = document("48", 4);
    useTool("ToolsText");
    click(*large, {2, 8});
    EXPECT_EQ(large->Document().TextFont.pointSize(), TIcon().TextFont.pointSize());
    form->mdiArea().setActiveSubWindow(small);
    click(*small, {2, 8});
    ASSERT_EQ(small->Document().TextFont.pointSize(), 8);
    int offered = 0;
    form->execDialog = [&](QDialog& d) {
        auto& dialog = dynamic_cast<QFontDialog&>(d);
        offered = dialog.currentFont().pointSize();
        dialog.setCurrentFont(QFont(QStringLiteral("Arial"), 20));
        dialog.accept();
        return dialog.result();
    };
    form->action("FontItem")->trigger();
    EXPECT_EQ(offered, 8);
    click(*small, {2, 8});
    EXPECT_EQ(small->Document().TextFont.pointSize(), 20);
}

// Text typed past the right edge of a small image, or started on its bottom row, keeps its
// caret on the image's cells.
TEST_F(Tools, TheTextCaretStaysOnTheImage) {
    TChildForm* c = document("16", 4);
    useTool("ToolsText");
    QWidget* view = c->editingView()->viewport();
    auto onImage = [&] {
        const std::optional<QRect> caret = c->session().caret();
        return caret && c->session().overImage(caret->topLeft()) &&
               c->session().overImage(caret->bottomRight());
    };
    for (const QPoint start : {QPoint(3, 6), QPoint(0, 15)}) {
        SCOPED_TRACE(start.y());
        click(*c, start);
        EXPECT_TRUE(onImage());
        view->setFocus();
        QTest::keyClicks(view, "Wide words");
        ASSERT_EQ(c->session().textEntry()->text, "Wide words");
        EXPECT_TRUE(onImage());
        EXPECT_FALSE(c->session().overImage(c->session().caret()->topRight() + QPoint(1, 0)));
    }
}

// Escape closes the manual's window, as it closes a dialog.
TEST(HelpWindowKeys, EscapeClosesTheManual) {
    THelpWindow help(nullptr);
    help.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
    help.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&help));
    QTest::keyClick(&help, Qt::Key_Escape);
    EXPECT_FALSE(help.isVisible());
}

// Zoom by keys and the wheel: steps double and halve the cells, a chosen zoom survives resizing,
// the wheel zooms at the mouse, the largest image fits at one pixel a cell, and the grid is a
// kept choice.
TEST_F(MainWindow, ZoomStepsByKeysAndWheelAndTheGridIsAChoice) {
    TChildForm* c = newDocument("256", "256");
    ASSERT_TRUE(c);
    form->activateWindow();
    QApplication::processEvents();
    EXPECT_EQ(c->Zoom(), 1);  // the whole image in view
    QWidget* view = c->editingView()->viewport();
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(c->Zoom(), 2);
    QTest::keyClick(view, Qt::Key_Plus, Qt::KeypadModifier);
    QTest::keyClick(view, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(c->Zoom(), 8);
    c->resize(c->size() + QSize(7, 5));
    QApplication::processEvents();
    EXPECT_EQ(c->Zoom(), 8);

    // Ctrl+wheel keeps the pixel under the mouse where it was.
    const QPoint mouse(view->width() / 3, view->height() / 4);
    const QPoint before = c->session().cellAt(mouse);
    auto wheel = [&](int delta, Qt::KeyboardModifiers modifiers) {
        QWheelEvent e(mouse, view->mapToGlobal(mouse), {}, {0, delta}, Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &e);
    };
    wheel(120, Qt::ControlModifier);
    EXPECT_EQ(c->Zoom(), 16);
    EXPECT_EQ(c->session().cellAt(mouse), before);
    wheel(-120, Qt::ControlModifier);
    EXPECT_EQ(c->Zoom(), 8);
    EXPECT_EQ(c->session().cellAt(mouse), before);
    // Without Ctrl the wheel scrolls.
    const QPoint scrolled = c->editingView()->scrollPosition();
    wheel(-120, {});
    EXPECT_EQ(c->Zoom(), 8);
    EXPECT_NE(c->editingView()->scrollPosition(), scrolled);

    QTest::keyClick(view, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(c->Zoom(), 4);
    QTest::keyClick(view, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(c->Zoom(), 1);
    for (int i = 0; i < 3; ++i) QTest::keyClick(view, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(c->Zoom(), 1);
    for (int i = 0; i < 10; ++i) QTest::keyClick(view, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(c->Zoom(), kMaxZoom);

    // The grid goes with the View menu's choice, which the next start remembers.
    QTest::keyClick(view, Qt::Key_0, Qt::ControlModifier);
    for (int i = 0; i < 3; ++i) QTest::keyClick(view, Qt::Key_Equal, Qt::ControlModifier);
    const QPoint middle = c->session().cellAt(QRect(QPoint(), view->size()).center());
    const QPoint line =
        c->GridOrigin() + middle * c->Zoom() + QPoint(0, 3) - c->editingView()->scrollPosition();
    auto shown = [&] { return view->grab().toImage().pixel(line); };
    const QRgb gridLine = gridLineColor(middle.x());
    EXPECT_EQ(shown(), gridLine);
    form->action("ViewGrid")->trigger();
    EXPECT_NE(shown(), gridLine);
    form->action("ViewCheckerboard")->trigger();
    form.reset();
    form = makeForm();
    EXPECT_FALSE(form->action("ViewGrid")->isChecked());
    EXPECT_TRUE(form->action("ViewCheckerboard")->isChecked());
}

// An icon file of `count` 16 x 16 32-bit images, each filled with `argb`.
Bytes iconFile(int count, uint32_t argb) {
    Bytes image = bitmapHeader(16, 32, 32);
    image.resize(40 + 16 * 16 * 4 + 16 * 4, 0);
    for (size_t p = 0; p < 16 * 16; ++p) put32(image, 40 + 4 * p, argb);
    return buildIconFile(std::vector(size_t(count), RawImage{16, 16, 0, 0, 1, 32, image}));
}

// The image list is a list: a row per image with its thumbnail, frames numbered with how long
// they show, a click chooses the image, and a file of 1,840 images lists every one.
TEST_F(MainWindow, TheImageListShowsEveryImageAndFrame) {
    TIcon icon;
    icon.AddImage(32, 32, 32);
    icon.AddImage(32, 32, 32);
    icon.AddImage(16, 16, 8);
    icon.SelectImage(1);
    icon.FilledRectangle(0, 0, 31, 31, 0xFF00C000, 0xFF00C000);
    TAnimation animation;
    animation.steps = {{0, 6}, {1, 12}, {0, 6}};
    writeFile(file("walk.ani"), writeAnimatedCursor(blockOf(icon), animation));
    TChildForm* c = form->OpenDocument(file("walk.ani"));
    ASSERT_TRUE(c);
    EXPECT_EQ(rows(*c),
              QStringList({"32 x 32, 32 bits\nFrame 1, 100 ms", "32 x 32, 32 bits\nFrame 2, 200 ms",
                           "16 x 16, 256 colors\nFrame 3, not shown"}));
    QApplication::processEvents();
    clickRow(*c, 2);
    EXPECT_EQ(c->Document().CurrentIndex(), 2);
    EXPECT_EQ(currentRow(*c), 2);

    // The preview plays the steps in order, each for its rate, and pauses on the current image.
    QToolButton* play = c->playButton();
    ASSERT_TRUE(play->isVisible());
    QTest::mouseClick(play, Qt::LeftButton);
    QTimer* timer = c->animationTimer();
    // Each frame shown, and for how long.
    std::vector<std::pair<int, int>> seen{{c->playingFrame().value_or(-1), timer->interval()}};
    QWidget* preview = c->preview()->viewport();
    auto previewCentre = [&] { return preview->grab().toImage().pixel(preview->rect().center()); };
    QObject::connect(timer, &QTimer::timeout, c, [&] {
        seen.emplace_back(c->playingFrame().value_or(-1), timer->interval());
        if (seen.size() == 2) {
            EXPECT_EQ(previewCentre(), 0xFF00C000u);  // frame 2 shown
        }
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() >= 4; }, 3000));
    seen.resize(4);
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{0, 100}, {1, 200}, {0, 100}, {0, 100}}));
    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_EQ(c->playingFrame(), std::nullopt);
    EXPECT_FALSE(c->animationTimer()->isActive());
    EXPECT_EQ(previewCentre(), 0xFFFFFFFFu);  // the current image, blank

    writeFile(file("many.ico"), iconFile(1840, 0xFFFF0000));  // opaque red
    TChildForm* big = form->OpenDocument(file("many.ico"));
    ASSERT_TRUE(big);
    EXPECT_EQ(rows(*big).size(), 1840);
    EXPECT_EQ(rows(*big).value(1839), "16 x 16, 32 bits");
    QApplication::processEvents();
    clickRow(*big, 1839);
    EXPECT_EQ(big->Document().CurrentIndex(), 1839);
    EXPECT_FALSE(big->playButton()->isVisible());  // nothing to play
    // The row in view shows its thumbnail.
    QListView* list = big->imageList();
    const QRect row = list->visualRect(list->model()->index(1839, 0));
    const QRect thumb = TChildForm::thumbnailBox(row, {16, 16});
    ASSERT_TRUE(list->viewport()->rect().contains(thumb));
    EXPECT_EQ(list->viewport()->grab().toImage().pixel(thumb.center()), 0xFFFF0000u);
}

// The Hot Spot tool: a click sets the hot spot of the image under it, shown on the image, one
// step to undo; saving as a cursor offers it and keeps each image's own.
TEST_F(Tools, TheHotSpotIsSetWithAClickShownUndoneAndSaved) {
    TChildForm* c = document("32", 4);
    ASSERT_TRUE(c);
    width = height = "16";
    form->action("ToolsAddIcon")->trigger();  // image 1, 16 x 16
    ASSERT_EQ(c->Document().CurrentIndex(), 1);
    QApplication::processEvents();
    useTool("ToolsHotSpot");
    QWidget* view = c->editingView()->viewport();
    auto marked = [&](QPoint cell) {
        const QPoint corner =
            c->GridOrigin() + cell * c->Zoom() - c->editingView()->scrollPosition();
        return view->grab().toImage().pixel(corner + QPoint(0, c->Zoom() / 2)) == kHotSpotColor;
    };
    EXPECT_FALSE(marked({5, 7}));
    click(*c, {5, 7});
    EXPECT_EQ(c->Document().hotSpot(1), QPoint(5, 7));
    EXPECT_EQ(c->Document().hotSpot(0), QPoint(10, 14));  // the other image, scaled
    EXPECT_TRUE(marked({5, 7}));
    click(*c, {2, 3});
    EXPECT_TRUE(marked({2, 3}));
    EXPECT_FALSE(marked({5, 7}));
    form->updateActions();
    form->action("EditUndo")->trigger();
    EXPECT_EQ(c->Document().hotSpot(1), QPoint(5, 7));
    form->action("EditUndo")->trigger();
    EXPECT_EQ(c->Document().hotSpot(1), std::nullopt);  // an icon again
    EXPECT_FALSE(marked({5, 7}));
    form->updateActions();
    form->action("EditRedo")->trigger();
    form->action("EditRedo")->trigger();
    EXPECT_EQ(c->Document().hotSpot(1), QPoint(2, 3));

    // Saved as a cursor: the dialog offers the image's hot spot, and taking it keeps both.
    saveName = file("pointer.cur");
    ASSERT_TRUE(form->SaveDocumentAs(*c, c->caption()));
    EXPECT_EQ(form->hotSpotDialog().XSpin->value(), 2);
    EXPECT_EQ(form->hotSpotDialog().YSpin->value(), 3);
    TIcon saved;
    saved.LoadFromFile(file("pointer.cur"));
    EXPECT_EQ(saved.hotSpot(0), QPoint(10, 14));
    EXPECT_EQ(saved.hotSpot(1), QPoint(2, 3));
    // As an icon the directory holds planes and depths again.
    saveName = file("pointer.ico");
    ASSERT_TRUE(form->SaveDocumentAs(*c, c->caption()));
    TIcon icon;
    icon.LoadFromFile(file("pointer.ico"));
    EXPECT_EQ(icon.entry(1).planes, 1);
    EXPECT_EQ(icon.entry(1).bitCount, 32);
}

// File > Export Cursor Theme: the open cursors, named by their files or as the arrow, become an
// X cursor theme with its aliases; a name given twice is refused inside the dialog.
TEST_F(MainWindow, OpenCursorsExportAsATheme) {
    TIcon pointer, busy;
    pointer.AddImage(32, 32, 32);
    pointer.BeginStroke();
    pointer.SetPixelValue(5, 6, 0xFF3060A0);
    pointer.EndStroke();
    pointer.markAsCursor(QPoint(5, 6));
    busy.AddImage(24, 24, 4);
    busy.markAsCursor(QPoint(12, 12));
    saveDocument(pointer, file("arrow1.cur"));
    saveDocument(busy, file("watch.cur"));
    ASSERT_TRUE(form->OpenDocument(file("arrow1.cur")));
    ASSERT_TRUE(form->OpenDocument(file("watch.cur")));
    newDocument();  // an icon: offered nothing
    // The one theme installed is offered to fall back to.
    QDir(dir.path()).mkpath("themes/Base/cursors");
    qputenv("XCURSOR_PATH", dir.filePath("themes").toLocal8Bit());

    std::vector<QString> offered;
    QString fallback;
    bool refusedTwice = false;
    form->execDialog = [&](QDialog& d) {
        auto& dialog = dynamic_cast<TCursorThemeDlg&>(d);
        offered = dialog.roles();
        fallback = dialog.fallbackTheme();
        dialog.FolderEdit->setText(dir.path());
        dialog.NameEdit->setText(QStringLiteral("Mine"));
        dialog.roleBox(1)->setCurrentText(QStringLiteral("left_ptr"));
        dialog.accept();
        refusedTwice =
            dialog.result() != QDialog::Accepted && dialog.ErrorLabel->isVisibleTo(&dialog);
        dialog.roleBox(1)->setCurrentText(QStringLiteral("watch"));
        dialog.accept();
        return dialog.result();
    };
    form->updateActions();
    form->action("FileExportTheme")->trigger();
    EXPECT_EQ(offered, (std::vector<QString>{"left_ptr", "watch", ""}));
    EXPECT_TRUE(refusedTwice);
    TIcon exported;
    exported.LoadFromFile(dir.filePath("Mine/cursors/default"));  // an alias of the arrow
    EXPECT_EQ(exported.hotSpot(0), QPoint(5, 6));
    EXPECT_EQ(exported.imageToArgb(0), pointer.imageToArgb(0));
    exported.LoadFromFile(dir.filePath("Mine/cursors/wait"));
    EXPECT_EQ(exported.imageToArgb(0), busy.imageToArgb(0));
    EXPECT_EQ(fallback, "Base");
    QFile index(dir.filePath("Mine/index.theme"));
    ASSERT_TRUE(index.open(QIODevice::ReadOnly));
    EXPECT_TRUE(index.readAll().split('\n').contains("Inherits=Base"));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("Mine/cursors/text")));  // the icon stayed out
}

// File > Export to Icon Theme: the images of the theme's sizes go where desktops look for a
// program's icon, under the name given (an extension typed with it is dropped).
TEST_F(MainWindow, ADocumentExportsIntoTheIconTheme) {
    TChildForm* c = newDocument("48", "48");
    ASSERT_TRUE(c);
    stroke(*c, 2);
    form->execDialog = [&](QDialog& d) {
        auto& dialog = dynamic_cast<TIconThemeDlg&>(d);
        EXPECT_EQ(dialog.NameEdit->text(), c->caption());
        dialog.FolderEdit->setText(dir.filePath("icons"));
        dialog.NameEdit->setText(QStringLiteral("my-app.png"));
        dialog.accept();
        return dialog.result();
    };
    form->updateActions();
    form->action("FileExportIconTheme")->trigger();
    const QImage written(dir.filePath("icons/hicolor/48x48/apps/my-app.png"));
    EXPECT_EQ(written.convertToFormat(QImage::Format_ARGB32), c->Document().imageToArgb(0));
    EXPECT_EQ(form->statusPanel(0)->text(), "1 image written to " + dir.filePath("icons/hicolor"));
}

// Modified documents are copied; only copies of programs no longer running are offered back, and
// they open under their own names, changed; the copies then go.
TEST_F(MainWindow, CopiesOfADeadProgramAreOfferedBack) {
    TChildForm* c = newDocument("16", "16");
    ASSERT_TRUE(c);
    stroke(*c, 2);
    c->setCaption(QStringLiteral("busy.ani"));
    c->FileName = file("busy.ani");
    form->autosave();
    // Unchanged since, the document is not copied again; changed, it is.
    const QDir own(form->recovery().folder());
    const QStringList data = own.entryList({"*.ico"}, QDir::Files);
    ASSERT_EQ(data.size(), 1);
    QFile::remove(own.filePath(data[0]));
    form->autosave();
    EXPECT_FALSE(own.exists(data[0]));
    stroke(*c, 3);
    form->autosave();
    EXPECT_TRUE(own.exists(data[0]));
    // Another program running now: this one's copies are not its to offer.
    TRecoveryStore other;
    EXPECT_TRUE(other.orphans().empty());
    // This program gone: its folder, its lock free.
    const QString dead = QFileInfo(form->recovery().folder()).dir().filePath("dead");
    QDir().mkpath(dead);
    for (const QString& name : QDir(form->recovery().folder()).entryList(QDir::Files))
        if (name != "lock") QFile::copy(form->recovery().folder() + "/" + name, dead + "/" + name);
    const std::vector<TRecoveryStore::Copy> copies = other.orphans();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].name, "busy.ani");

    auto fresh = makeForm();
    QString title;
    fresh->execDialog = [&](QDialog& d) {
        title = d.windowTitle();
        d.accept();
        return d.result();
    };
    EXPECT_TRUE(fresh->offerRecovery());
    EXPECT_EQ(title, "Recover Unsaved Documents");
    ASSERT_EQ(fresh->children().size(), 1);
    TChildForm* back = fresh->children().front();
    EXPECT_EQ(back->caption(), "busy.ani");
    EXPECT_EQ(back->FileName, file("busy.ani"));
    EXPECT_TRUE(back->Modified());
    EXPECT_EQ(back->Document().imageToArgb(0), c->Document().imageToArgb(0));
    EXPECT_FALSE(QFileInfo::exists(dead));
    EXPECT_FALSE(fresh->offerRecovery());
}

// New from Picture: every size chosen, an SVG drawn afresh at each (whole pixels stay whole),
// other pictures filtered without clear pixels darkening the edges; Add Sizes from the current
// image; the choices kept for the next start.
TEST_F(MainWindow, EverySizeFromOnePicture) {
    writeText(file("grid.svg"),
              "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 16 16'>"
              "<rect x='4' y='4' width='8' height='8' fill='#0000ff'/></svg>");
    QImage red(200, 200, QImage::Format_ARGB32);
    red.fill(Qt::transparent);
    for (int y = 50; y < 150; ++y)
        for (int x = 50; x < 150; ++x) red.setPixel(x, y, 0xFFFF0000);
    ASSERT_TRUE(red.save(file("red.png")));

    auto answer = [&](const std::vector<int>& sizes, int bits) {
        form->execDialog = [=](QDialog& d) {
            auto& dialog = dynamic_cast<TSizesDlg&>(d);
            for (size_t i = 0; i < kStandardSizes.size(); ++i)
                dialog.SizeBoxes[i]->setChecked(
                    std::find(sizes.begin(), sizes.end(), kStandardSizes[i]) != sizes.end());
            dialog.DepthGroup->button(bits)->setChecked(true);
            dialog.accept();
            return dialog.result();
        };
    };
    QString picture = file("grid.svg");
    form->askPictureFile = [&] { return picture; };
    answer({16, 20, 48}, 32);
    form->action("FileNewFromPicture")->trigger();
    TChildForm* c = form->activeChild();
    ASSERT_TRUE(c);
    ASSERT_EQ(c->Document().ImageCount(), 3);
    for (int i = 0; i < 3; ++i) {
        const QImage image = c->Document().imageToArgb(i);
        EXPECT_EQ(image.width(), (std::array{16, 20, 48})[size_t(i)]);
        // 16 and 48 are whole multiples of the drawing's units: no partial pixels.
        for (int y = 0; i != 1 && y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ASSERT_TRUE(qAlpha(image.pixel(x, y)) == 0 || image.pixel(x, y) == 0xFF0000FFu)
                    << i << ": " << x << "," << y;
    }
    EXPECT_TRUE(c->Modified());

    picture = file("red.png");
    answer({24}, 8);
    form->action("FileNewFromPicture")->trigger();
    TChildForm* d = form->activeChild();
    ASSERT_NE(d, c);
    EXPECT_EQ(d->Document().imageBitCount(0), 8);
    answer({32, 40}, 32);
    form->action("ToolsAddSizes")->trigger();
    ASSERT_EQ(d->Document().ImageCount(), 3);
    const QImage scaled = d->Document().imageToArgb(2);
    EXPECT_EQ(scaled.size(), QSize(40, 40));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            if (qAlpha(scaled.pixel(x, y)) > 0) {
                ASSERT_EQ(qRed(scaled.pixel(x, y)), 255) << x << "," << y;
            }

    form.reset();
    form = makeForm();
    int offered = 0;
    form->execDialog = [&](QDialog& dlg) {
        offered = int(dynamic_cast<TSizesDlg&>(dlg).sizes().size());
        return int(QDialog::Rejected);
    };
    form->askPictureFile = [&] { return file("red.png"); };
    form->action("FileNewFromPicture")->trigger();
    EXPECT_EQ(offered, 2);  // 32 and 40, as left
}

// Animated cursors edited: rates of several steps at once, steps moved and repeated, a frame
// duplicated; each change one undo step; saved and read back as edited.
TEST_F(MainWindow, AnimationStepsAreEditedAndUndone) {
    TIcon frames;
    for (int i = 0; i < 3; ++i) frames.AddImage(32, 32, 32);
    frames.markAsCursor(QPoint(1, 1));
    TAnimation start;
    start.steps = {{0, 6}, {1, 6}, {2, 6}};
    writeFile(file("walk.ani"), writeAnimatedCursor(blockOf(frames), start));
    TChildForm* c = form->OpenDocument(file("walk.ani"));
    ASSERT_TRUE(c);
    form->execDialog = [&](QDialog& d) {
        auto& dialog = dynamic_cast<TAnimationDlg&>(d);
        dialog.Table->clearSelection();
        dialog.Table->selectionModel()->select(
            dialog.Table->model()->index(0, 0),
            QItemSelectionModel::Select | QItemSelectionModel::Rows);
        dialog.Table->selectionModel()->select(
            dialog.Table->model()->index(2, 0),
            QItemSelectionModel::Select | QItemSelectionModel::Rows);
        dialog.setSelectedRate(30);
        dialog.Table->setCurrentCell(2, 0);
        dialog.moveSelected(-1);  // frame 3 before frame 2
        dialog.addStep();         // and again after itself
        d.accept();
        return d.result();
    };
    form->updateActions();
    form->action("ToolsAnimation")->trigger();
    const std::vector<TAnimationStep> edited = {{0, 30}, {2, 30}, {2, 30}, {1, 6}};
    ASSERT_TRUE(c->Document().Animation());
    EXPECT_EQ(c->Document().Animation()->steps, edited);
    EXPECT_EQ(rows(*c).value(2), "32 x 32, 32 bits\nFrame 3, 500 ms");
    form->updateActions();
    form->action("EditUndo")->trigger();
    EXPECT_EQ(c->Document().Animation()->steps, start.steps);
    form->updateActions();
    form->action("EditRedo")->trigger();
    EXPECT_EQ(c->Document().Animation()->steps, edited);

    const QImage duplicated = c->Document().imageToArgb(c->Document().CurrentIndex());
    form->action("ToolsDuplicateImage")->trigger();
    ASSERT_EQ(c->Document().ImageCount(), 4);
    EXPECT_EQ(c->Document().imageToArgb(3), duplicated);
    EXPECT_EQ(c->Document().Animation()->steps.back().frame, 3);
    form->updateActions();
    form->action("EditUndo")->trigger();
    EXPECT_EQ(c->Document().ImageCount(), 3);
    EXPECT_EQ(c->Document().Animation()->steps, edited);
    form->updateActions();
    form->action("EditRedo")->trigger();
    ASSERT_EQ(c->Document().ImageCount(), 4);

    // The copy moved up, by the image list's own menu: the steps keep showing it.
    c->session().selectImage(3);
    form->updateActions();
    EXPECT_FALSE(form->action("ToolsMoveImageDown")->isEnabled());
    const QString copyRow = rows(*c).value(3).section('\n', 1);  // "Frame 4, ... ms"
    QAction* up = form->action("ToolsMoveImageUp");
    ASSERT_TRUE(c->imageList()->actions().contains(up));
    up->trigger();
    EXPECT_EQ(c->Document().CurrentIndex(), 2);
    EXPECT_EQ(c->Document().imageToArgb(2), duplicated);
    EXPECT_EQ(c->Document().Animation()->steps.back().frame, 2);
    EXPECT_EQ(rows(*c).value(2).section('\n', 1), QString(copyRow).replace("Frame 4", "Frame 3"));
    saveName = file("edited.ani");
    ASSERT_TRUE(form->SaveDocumentAs(*c, c->caption()));
    TIcon back;
    back.LoadFromFile(file("edited.ani"));
    EXPECT_EQ(back.Animation()->steps, c->Document().Animation()->steps);
}

// Files dragged in from a file manager open as documents; a file that cannot be read is named in
// a message, and what is not a local file is refused at once.
TEST_F(MainWindow, DroppedFilesOpen) {
    TIcon icon;
    icon.AddImage(24, 24, 8);
    icon.SaveToFile(file("dropped.ico"));
    test::writeFile(file("broken.ico"), {0, 0, 1, 0, 9, 0});
    auto drop = [&](QMimeData& data) {
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(form.get(), &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent dropped(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.get(), &dropped);
        QCoreApplication::processEvents();
        return true;
    };
    QMimeData text;
    text.setText(file("dropped.ico"));
    QMimeData remote;
    remote.setUrls({QUrl("https://example.org/x.ico")});
    EXPECT_FALSE(drop(text));
    EXPECT_FALSE(drop(remote));
    QMimeData files;
    files.setUrls(
        {QUrl::fromLocalFile(file("dropped.ico")), QUrl::fromLocalFile(file("broken.ico"))});
    ASSERT_TRUE(drop(files));
    ASSERT_EQ(form->children().size(), 1);
    EXPECT_EQ(form->children().front()->FileName, file("dropped.ico"));
    EXPECT_EQ(form->children().front()->Document().GetSize(), QSize(24, 24));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.front(), "No icons in this file");
}

}  // namespace
}  // namespace tarvo::test
