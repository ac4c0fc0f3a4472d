#include <QFileDialog>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

#include "TestSupport.h"
#include "WindowTest.h"
#include "app/ColorPanel.h"
#include "app/HotSpotDlg.h"
#include "core/PixelFormats.h"
#include "editor/WindowBox.h"

namespace tarvo {
namespace {

using test::Tools;

TEST_F(Tools, RectanglesAreTheSameWhicheverCornerStarts) {
    TChildForm* a = document("16", 3);
    useTool("ToolsRectangle");
    form->SetPenColor(0x0000FF);
    press(*a, {5, 5});
    move(*a, {2, 9});
    EXPECT_EQ(form->statusPanel(3)->text(), "[4, 5]");
    release(*a, {2, 9});
    EXPECT_EQ(form->statusPanel(3)->text(), "");  // the shape has ended
    TChildForm* b = document("16", 3);
    form->SetPenColor(0x0000FF);
    drag(*b, {2, 9}, {5, 5});
    EXPECT_EQ(a->Document().imageToArgb(0), b->Document().imageToArgb(0));
    EXPECT_EQ(a->Document().GetPixelValue(2, 5), 0x0000FFu);
    // Below 32 bits per pixel the right and bottom edges are excluded.
    EXPECT_EQ(a->Document().GetPixelValue(4, 8), 0x0000FFu);
    EXPECT_NE(a->Document().GetPixelValue(5, 9), 0x0000FFu);
    EXPECT_NE(a->Document().GetPixelValue(3, 6), 0x0000FFu);
    EXPECT_EQ(a->session().history()[0].undo.size(), 1u);  // one step for the whole drag
}

TEST_F(Tools, ASecondButtonCancelsTheDrag) {
    TChildForm* c = document("16", 2);
    useTool("ToolsLine");
    form->SetPenColor(0x0000FF);
    const QImage before = c->Document().imageToArgb(0);
    const uint32_t start = c->Document().GetPixelValue(1, 1);
    press(*c, {1, 1});
    move(*c, {12, 9});
    EXPECT_NE(c->Document().GetPixelValue(1, 1), start);
    press(*c, {12, 9}, Qt::RightButton);
    EXPECT_EQ(c->Document().GetPixelValue(1, 1), start);
    EXPECT_EQ(c->Document().imageToArgb(0), before);
    release(*c, {12, 9});
    release(*c, {12, 9}, Qt::RightButton);
    c->session().undo();
    EXPECT_EQ(c->Document().imageToArgb(0), before);
}

TEST_F(Tools, PencilOutsideTheImageRecordsNothing) {
    TChildForm* c = document("8", 4);
    click(*c, {-1, 3});
    EXPECT_TRUE(c->session().history()[0].undo.empty());
    EXPECT_FALSE(c->Modified());
    // Inside, a stroke of one colour with alpha, composed when the button comes up.
    press(*c, {1, 1});
    move(*c, {4, 1});
    release(*c, {4, 1});
    EXPECT_EQ(c->session().history()[0].undo.size(), 1u);
    for (int x = 1; x <= 4; ++x) EXPECT_EQ(c->Document().GetPixelValue(x, 1), 0xFF000000u) << x;
}

TEST_F(Tools, ThePickerReadsTransparencyAndAlpha) {
    TChildForm* four = document("16", 1);
    useTool("ToolsColorSelection");
    click(*four, {3, 3});  // a new paletted image is transparent
    EXPECT_EQ(form->PenColor(), Transparent);

    TChildForm* argb = document("16", 4);
    argb->Document().BeginStroke();
    argb->Document().SetPixelValue(2, 2, 0x80123456);
    argb->Document().EndStroke();
    click(*argb, {2, 2}, Qt::RightButton);
    EXPECT_EQ(form->colorPanel().TrackBar->value(), 50);
    EXPECT_EQ(form->BrushColor(), 0x7F123456u);  // the slider's alpha, truncated
}

TEST_F(Tools, TheEraserPaintsTwoByTwoCellsAndFillsWithTheRightButton) {
    TChildForm* c = document("16", 3);
    useTool("ToolsErase");
    form->SetBrushColor(0x00FF00);
    click(*c, {0, 0});
    EXPECT_EQ(c->Document().GetPixelValue(0, 0), 0x00FF00u);
    EXPECT_NE(c->Document().GetPixelValue(1, 0), 0x00FF00u);
    EXPECT_NE(c->Document().GetPixelValue(0, 1), 0x00FF00u);
    click(*c, {6, 6});
    for (const QPoint p : {QPoint(5, 5), QPoint(6, 5), QPoint(5, 6), QPoint(6, 6)})
        EXPECT_EQ(c->Document().GetPixelValue(p.x(), p.y()), 0x00FF00u) << p.x() << "," << p.y();
    EXPECT_NE(c->Document().GetPixelValue(7, 6), 0x00FF00u);

    useTool("ToolsFill");
    form->SetBrushColor(0xFF0000);
    click(*c, {10, 10}, Qt::RightButton);
    EXPECT_EQ(c->Document().GetPixelValue(15, 15), 0xFF0000u);
    EXPECT_EQ(c->Document().GetPixelValue(0, 0), 0x00FF00u);
}

// ---- file commands ----

TEST_F(Tools, CursorsAskForTheHotSpotEveryTime) {
    TChildForm* c = document("32", 4);
    c->session().addImage(16, 16, 4);
    QList<QPoint> shown;
    QPoint answer(5, 7);
    form->execDialog = [&](QDialog& d) {
        auto* hotSpot = qobject_cast<THotSpotDlg*>(&d);
        if (!hotSpot) return int(QDialog::Rejected);
        shown.append({hotSpot->XSpin->value(), hotSpot->YSpin->value()});
        hotSpot->XSpin->setValue(answer.x());
        hotSpot->YSpin->setValue(answer.y());
        return int(QDialog::Accepted);
    };
    saveName = file("arrow.cur");
    ASSERT_TRUE(form->SaveDocumentAs(*c, c->caption()));
    EXPECT_EQ(suggestions, QStringList{"Icon1"});
    EXPECT_EQ(c->caption(), "arrow.cur");
    answer = {1, 2};
    ASSERT_TRUE(form->SaveDocument(*c));
    EXPECT_EQ(shown, (QList<QPoint>{{0, 0}, {5, 7}}));
    TIcon back;
    back.LoadFromFile(saveName);
    EXPECT_EQ(back.fileType(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(back.entry(i).planes, 1);    // hot spot x
        EXPECT_EQ(back.entry(i).bitCount, 2);  // hot spot y
    }
    // An opened cursor offers its own hot spot, not the last one typed.
    TIcon cursor;
    cursor.AddImage(32, 32, 4);
    cursor.markAsCursor(QPoint(9, 3));
    cursor.SaveToFile(file("own.cur"));
    TChildForm* own = form->OpenDocument(file("own.cur"));
    ASSERT_TRUE(own && form->SaveDocument(*own));
    EXPECT_EQ(shown.back(), QPoint(9, 3));
    // A cancelled hot spot dialog saves nothing and keeps the changes.
    c->session().saveUndo();
    form->execDialog = [](QDialog&) { return int(QDialog::Rejected); };
    EXPECT_FALSE(form->SaveDocument(*c));
    EXPECT_TRUE(c->Modified());
}

TEST_F(Tools, SaveAsSuggestsTheNameAndRefusesModules) {
    TIcon icon;
    icon.AddImage(16, 16, 4);
    icon.SaveToFile(file("logo.ico"));
    TChildForm* c = form->OpenDocument(file("logo.ico"));
    ASSERT_TRUE(c);
    QStringList answers{file("logo.dll"), file("logo.exe"), file("logo.png")};
    form->askSaveName = [&](TChildForm&, const QString& suggested) {
        suggestions.append(suggested);
        return answers.takeFirst();
    };
    ASSERT_TRUE(form->SaveDocumentAs(*c, c->caption()));
    EXPECT_EQ(suggestions, (QStringList{"logo", "logo", "logo"}));
    EXPECT_EQ(c->caption(), "logo.png");
    EXPECT_EQ(QImage(file("logo.png")).size(), QSize(16, 16));
}

TEST_F(Tools, AFailedSaveNamesTheFileAndKeepsTheChanges) {
    if (!QFile::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    TChildForm* c = document("16", 4);
    c->session().saveUndo();
    ASSERT_TRUE(QFile::link("/dev/full", file("full.ico")));
    saveName = file("full.ico");
    EXPECT_FALSE(form->SaveDocumentAs(*c, c->caption()));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(file("full.ico")));
    EXPECT_TRUE(c->Modified());
    EXPECT_TRUE(c->FileName.isEmpty());
    EXPECT_EQ(c->caption(), "Icon1");
}

TEST_F(Tools, SaveAllAsksForNewDocumentsAndThenClosesThem) {
    TIcon icon;
    icon.AddImage(16, 16, 4);
    icon.SaveToFile(file("kept.ico"));
    TChildForm* opened = form->OpenDocument(file("kept.ico"));
    opened->session().saveUndo();
    TChildForm* fresh = document("16", 2);
    fresh->session().saveUndo();
    QStringList prompts;
    for (TChildForm* c : form->children())
        c->askToSave = [&prompts](const QString& text, const QString&) {
            prompts.append(text);
            return QMessageBox::No;
        };
    saveName.clear();  // the new document's save dialog is cancelled
    form->action("SaveAll1")->trigger();
    EXPECT_TRUE(form->children().isEmpty());
    EXPECT_EQ(suggestions, QStringList{"Icon1"});
    EXPECT_EQ(prompts, QStringList{"Save changes to Icon1?"});
    EXPECT_EQ(form->RecentFiles().files(), QStringList{file("kept.ico")});
}

}  // namespace
}  // namespace tarvo
