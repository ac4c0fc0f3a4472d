#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/MainForm.h"
#include "core/Icon.h"
#include "dialogs/IconForm.h"
#include "editor/ChildForm.h"
#include "editor/WindowBox.h"

namespace tarvo::test {

// A main window with its own settings file, whose dialogs and message boxes answer themselves.
class MainWindow : public ::testing::Test {
  protected:
    void SetUp() override { form = makeForm(); }

    std::unique_ptr<TMainForm> makeForm() {
        auto f = std::make_unique<TMainForm>(TSettings(dir.filePath("settings.ini")));
        f->message = [this](QMessageBox::Icon icon, const QString& title, const QString& text,
                            const QString&) {
            messages.append(text);
            lastTitle = title;
            lastIcon = icon;
        };
        f->execDialog = [this](QDialog& d) {
            if (auto* iconForm = qobject_cast<TIconForm*>(&d)) {
                iconForm->WidthEdt->setText(width);
                iconForm->HeightEdt->setText(height);
                iconForm->ColorRadioGroup->button(colorItem)->setChecked(true);
            }
            d.accept();
            return d.result();
        };
        f->askSaveName = [this](TChildForm&, const QString& suggested) {
            suggestions.append(suggested);
            return saveName;
        };
        f->resize(1000, 800);
        f->show();
        return f;
    }

    TChildForm* newDocument(const QString& w = "32", const QString& h = "32", int color = 4) {
        width = w;
        height = h;
        colorItem = color;
        const auto before = form->children().size();
        form->FileNewExecute();
        return form->children().size() > before ? form->activeChild() : nullptr;
    }

    // A pencil-like stroke: one history step, then a line.
    static void stroke(TChildForm& c, int i) {
        c.session().saveUndo();
        TIcon& icon = c.Document();
        const bool argb = icon.BitCount() == 32;
        if (argb) icon.BeginStroke();
        icon.MoveTo(i % 7, 0);
        icon.LineTo(i % 7, 5 + i % 3, argb ? 0xFF102030u : 0x0000FFu);
        if (argb) icon.EndStroke();
    }

    // The image list's rows as shown, the selected one, and a click on a row.
    static QStringList rows(const TChildForm& c) {
        QStringList texts;
        const QAbstractItemModel* model = c.imageList()->model();
        for (int i = 0; i < model->rowCount(); ++i) texts << model->index(i, 0).data().toString();
        return texts;
    }
    static int currentRow(const TChildForm& c) { return c.imageList()->currentIndex().row(); }
    static void clickRow(TChildForm& c, int row) {
        QListView* list = c.imageList();
        const QModelIndex index = list->model()->index(row, 0);
        list->scrollTo(index);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    }

    QString file(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    std::unique_ptr<TMainForm> form;
    QStringList messages;
    QString lastTitle;
    QMessageBox::Icon lastIcon = QMessageBox::NoIcon;
    QString width = "32", height = "32", saveName;
    QStringList suggestions;
    int colorItem = 4;
};

// Mouse gestures on the editing view, with real mouse events on its viewport.
class Tools : public MainWindow {
  protected:
    TChildForm* document(const QString& side, int colorItem) {
        TChildForm* c = newDocument(side, side, colorItem);
        EXPECT_TRUE(c);
        QApplication::processEvents();
        return c;
    }
    QPoint at(TChildForm& c, QPoint cell) const {
        return c.GridOrigin() + cell * c.Zoom() + QPoint(c.Zoom() / 2, c.Zoom() / 2);
    }
    void press(TChildForm& c, QPoint cell, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mousePress(c.editingView()->viewport(), b, {}, at(c, cell));
    }
    void move(TChildForm& c, QPoint cell) {
        QTest::mouseMove(c.editingView()->viewport(), at(c, cell));
    }
    void release(TChildForm& c, QPoint cell, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mouseRelease(c.editingView()->viewport(), b, {}, at(c, cell));
    }
    void click(TChildForm& c, QPoint cell, Qt::MouseButton b = Qt::LeftButton) {
        press(c, cell, b);
        release(c, cell, b);
    }
    void drag(TChildForm& c, QPoint from, QPoint to) {
        press(c, from);
        move(c, to);
        release(c, to);
    }
    void useTool(const char* name) {
        form->updateActions();
        form->action(name)->trigger();
    }
};

}  // namespace tarvo::test
