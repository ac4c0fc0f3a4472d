#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QTest>

#include "WindowTest.h"
#include "app/Application.h"

namespace tarvo::test {
namespace {

// Every key sequence the window answers to, with who answers: the commands' shortcuts and the
// menu bar's mnemonics (Alt and the underlined letter).
QMultiMap<QString, QString> keysOf(QMainWindow& window) {
    QMultiMap<QString, QString> keys;
    for (QAction* a : window.findChildren<QAction*>()) {
        for (const QKeySequence& k : a->shortcuts())
            keys.insert(k.toString(), a->objectName().isEmpty() ? a->text() : a->objectName());
    }
    for (QAction* m : window.menuBar()->actions()) {
        const QKeySequence mnemonic = QKeySequence::mnemonic(m->text());
        if (!mnemonic.isEmpty()) keys.insert(mnemonic.toString(), "menu " + m->text());
    }
    return keys;
}

// Real key presses with the focus in a document window reach every command that has a
// shortcut; a key that two commands claim reaches neither, so no key may be claimed twice.
TEST_F(MainWindow, EveryShortcutReachesItsCommandFromADocumentWindow) {
    TChildForm* c = newDocument();
    ASSERT_TRUE(c);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->updateActions();

    const QMultiMap<QString, QString> keys = keysOf(*form);
    for (const QString& key : keys.uniqueKeys())
        EXPECT_EQ(keys.count(key), 1)
            << key.toStdString() << " is claimed by " << keys.values(key).join(", ").toStdString();

    QWidget* focus = c->editingView()->viewport();
    focus->setFocus();
    QStringList silent;
    for (QAction* a : form->findChildren<QAction*>()) {
        // The program's own commands; the dialogs' inner actions are theirs.
        if (a->shortcuts().isEmpty() || form->action(a->objectName()) != a) continue;
        // Only whether the key arrives matters here, not what the command does.
        QObject::disconnect(a, &QAction::triggered, nullptr, nullptr);
        int fired = 0;
        QObject::connect(a, &QAction::triggered, [&fired] { ++fired; });
        for (const QKeySequence& k : a->shortcuts()) {
            a->setEnabled(true);
            fired = 0;
            QTest::keyClick(focus, k[0].key(), k[0].keyboardModifiers());
            if (fired != 1) silent << a->objectName() + " (" + k.toString() + ")";
        }
    }
    EXPECT_TRUE(silent.isEmpty()) << silent.join(", ").toStdString();
}

// An object whose event handler fails, as any of ours might.
class Failing : public QObject {
  public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) throw std::runtime_error("disk on fire");
        return QObject::event(e);
    }
};

// A failure in a handler reaches the user as a message; the program and its documents go on.
TEST_F(MainWindow, AFailingHandlerIsReportedAndTheDocumentsStay) {
    auto* app = dynamic_cast<TApplication*>(QCoreApplication::instance());
    ASSERT_TRUE(app);
    QStringList reports;
    const auto saved = app->report;
    app->report = [&reports](const QString& text) { reports << text; };
    TChildForm* c = newDocument();
    ASSERT_TRUE(c);
    Failing failing;
    QEvent event(QEvent::User);
    EXPECT_TRUE(QCoreApplication::sendEvent(&failing, &event));
    // Our own hooks report their failures the same way, without leaving through the toolkit.
    c->editingView()->onMouseDown = [](QMouseEvent&) { throw std::runtime_error("out of ink"); };
    QTest::mouseClick(c->editingView()->viewport(), Qt::LeftButton);
    app->report = saved;
    EXPECT_EQ(reports, (QStringList{"disk on fire", "out of ink"}));
    EXPECT_EQ(form->children().size(), 1);
    EXPECT_EQ(c->Document().ImageCount(), 1);
}

// New windows lie inside the workspace, whatever its size, each title bar in view; Cascade keeps
// them a size one can work in.
TEST_F(MainWindow, WindowsCascadeInsideTheWorkspaceWithEveryTitleBarInView) {
    for (QSize frame : {QSize(1366, 768), QSize(640, 480)}) {
        form->resize(frame);
        QApplication::processEvents();
        const QRect area = form->mdiArea().viewport()->rect();
        auto check = [&](const char* when) {
            QList<QPoint> corners;
            for (TChildForm* c : form->children()) {
                const QRect g = c->geometry();
                EXPECT_TRUE(area.contains(g))
                    << when << " " << frame.width() << ": " << g.x() << "," << g.y() << " "
                    << g.width() << "x" << g.height();
                EXPECT_GE(g.width(), std::min(420, area.width() * 3 / 4)) << when;
                EXPECT_GE(g.height(), std::min(320, area.height() * 3 / 4)) << when;
                corners << g.topLeft();
            }
            // No window lies exactly over another's title bar.
            for (const QPoint& p : corners)
                EXPECT_EQ(corners.count(p), 1) << when << " " << p.x() << "," << p.y();
        };
        const int count = frame.width() > 1000 ? 6 : 4;
        for (int i = 0; i < count; ++i) ASSERT_TRUE(newDocument());
        check("new");
        for (TChildForm* c : form->children()) c->resize(150, 120);  // made small by the user
        form->children().front()->showMaximized();
        form->action("WindowCascade")->trigger();
        check("cascaded");
        for (TChildForm* c : form->children()) {
            c->SetModified(false);
            c->close();
        }
    }
    // A window placed while the frame was small grows with it, as a file opened at start-up
    // does when the frame is maximized; one the user has sized keeps its size.
    TChildForm* placed = newDocument();
    TChildForm* sized = newDocument();
    ASSERT_TRUE(placed && sized);
    sized->resize(300, 250);
    form->resize(1366, 768);
    QApplication::processEvents();
    EXPECT_EQ(placed->width(), TChildForm::kDesignedWidth);
    EXPECT_GT(placed->height(), 480);
    EXPECT_EQ(sized->size(), QSize(300, 250));
}

// Text typed in one window ends, as one step, when another window becomes active; the keys then
// typed go nowhere near the first window's image or the second's.
TEST_F(Tools, TextEndsWhenItsWindowIsLeft) {
    TChildForm* a = document("32", 4);
    TChildForm* b = document("32", 4);
    drag(*b, {1, 1}, {9, 9});  // the pencil: b's last step
    const QImage bImage = b->Document().imageToArgb(0);
    form->mdiArea().setActiveSubWindow(a);
    useTool("ToolsText");
    click(*a, {4, 16});
    QKeyEvent h(QEvent::KeyPress, Qt::Key_H, {}, "h");
    a->FormKeyDown(h);
    const QImage aImage = a->Document().imageToArgb(0);
    form->mdiArea().setActiveSubWindow(b);
    EXPECT_EQ(form->ToolCode(), 10);
    EXPECT_FALSE(a->session().textEntry());
    EXPECT_EQ(a->session().history()[0].undo.size(), 1u);
    QKeyEvent i(QEvent::KeyPress, Qt::Key_I, {}, "i");
    b->FormKeyDown(i);
    EXPECT_EQ(b->Document().imageToArgb(0), bImage);
    EXPECT_EQ(a->Document().imageToArgb(0), aImage);
}

// One image of several written as a picture is an export: the document keeps its name and its
// unsaved state, and the status bar says what was written.
TEST_F(Tools, WritingOneImageOfSeveralAsAPictureKeepsTheDocumentUnsaved) {
    TChildForm* c = document("16", 4);
    c->session().addImage(24, 24, 32);
    saveName = file("one.png");
    ASSERT_TRUE(form->SaveDocumentAs(*c, c->caption()));
    EXPECT_EQ(c->caption(), "Icon1");
    EXPECT_TRUE(c->FileName.isEmpty());
    EXPECT_TRUE(c->Modified());
    EXPECT_EQ(QImage(saveName).size(), QSize(24, 24));
    EXPECT_EQ(form->statusPanel(0)->text(), "Image 2 of 2 written to one.png");
    // Likewise a macOS icon, which holds the 16 x 16 image but not the 24 x 24 one.
    saveName = file("some.icns");
    ASSERT_TRUE(form->SaveDocumentAs(*c, c->caption()));
    EXPECT_EQ(c->caption(), "Icon1");
    EXPECT_TRUE(c->Modified());
    EXPECT_TRUE(form->statusPanel(0)->text().startsWith("1 of 2 images written to some.icns"));
    TIcon written;
    written.LoadFromFile(saveName);
    EXPECT_EQ(written.ImageCount(), 1);
}

}  // namespace
}  // namespace tarvo::test
