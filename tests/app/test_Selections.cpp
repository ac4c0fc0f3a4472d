#include <QKeyEvent>
#include <QLabel>

#include "WindowTest.h"
#include "core/PixelFormats.h"
#include "editor/HueForm.h"

namespace tarvo {
namespace {

class Selections : public test::Tools {
  protected:
    // A 16 x 16 true-colour image filled with one opaque colour, so lifted areas show.
    TChildForm* filled(int side = 16, int colorItem = 3) {
        TChildForm* c = document(QString::number(side), colorItem);
        const bool argb = c->Document().BitCount() == 32;
        c->Document().FilledRectangle(0, 0, side, side, argb ? 0xFF0000FFu : 0x0000FFu,
                                      argb ? 0xFF0000FFu : 0x0000FFu);
        return c;
    }
    void key(TChildForm& c, int k, Qt::KeyboardModifiers m = {}, const QString& text = {}) {
        QKeyEvent e(QEvent::KeyPress, k, m, text);
        c.FormKeyDown(e);
    }
    static bool transparent(TChildForm& c, int x, int y) {
        return c.Document().GetPixelValue(x, y) == Transparent;
    }
};

TEST_F(Selections, ARectangleDragLiftsTheAreaAndAClickMakesNone) {
    TChildForm* c = filled();
    useTool("ToolsRectangleSelection");
    click(*c, {5, 5});
    EXPECT_FALSE(c->session().floating());
    EXPECT_EQ(form->ToolCode(), 7);

    drag(*c, {10, 10}, {3, 20});
    ASSERT_TRUE(c->session().floating());
    EXPECT_EQ(c->session().floating()->rect, (TRect{3, 10, 11, 16}));
    EXPECT_EQ(form->statusPanel(3)->text(), "[8, 6]");
    EXPECT_EQ(c->session().floating()->image->GetSize(), QSize(8, 6));
    EXPECT_EQ(form->ToolCode(), 8);
    EXPECT_TRUE(transparent(*c, 3, 10));
    EXPECT_FALSE(transparent(*c, 2, 10));
    EXPECT_EQ(c->session().history()[0].undo.size(), 1u);  // lifting is a step

    // A click outside stamps it back; Enter with nothing floating does nothing.
    click(*c, {0, 0});
    EXPECT_FALSE(c->session().floating());
    EXPECT_EQ(form->ToolCode(), 7);
    EXPECT_FALSE(transparent(*c, 3, 10));
    key(*c, Qt::Key_Return);
    EXPECT_EQ(c->session().history()[0].undo.size(), 2u);
}

TEST_F(Selections, HandlesKeepOneCellAndMovesUndoAndRedo) {
    TChildForm* c = filled();
    useTool("ToolsRectangleSelection");
    drag(*c, {3, 3}, {4, 4});
    ASSERT_EQ(c->session().floating()->rect, (TRect{3, 3, 5, 5}));
    // Handle 1 dragged by (+5, +5) stops one cell before the opposite edge.
    const QPoint handle = c->GridOrigin() + QPoint(3, 3) * c->Zoom();
    QTest::mousePress(c->editingView()->viewport(), Qt::LeftButton, {}, handle + QPoint(1, 1));
    QTest::mouseMove(c->editingView()->viewport(),
                     handle + QPoint(1, 1) + QPoint(5, 5) * c->Zoom());
    QTest::mouseRelease(c->editingView()->viewport(), Qt::LeftButton, {},
                        handle + QPoint(1, 1) + QPoint(5, 5) * c->Zoom());
    EXPECT_EQ(c->session().floating()->rect, (TRect{4, 4, 5, 5}));
    // Shrinking a one-cell-wide selection changes nothing.
    form->updateActions();
    form->action("ToolsDecreaseSelectionLeft")->trigger();
    EXPECT_EQ(c->session().floating()->rect.width(), 1);
    for (const char* grow : {"ToolsIncreaseSelectionRight", "ToolsIncreaseSelectionDown"}) {
        form->action(grow)->trigger();
        form->action(grow)->trigger();
    }
    ASSERT_EQ(c->session().floating()->rect, (TRect{4, 4, 7, 7}));
    // Moving it by its middle, then undo and redo.
    drag(*c, {5, 5}, {10, 7});
    EXPECT_EQ(c->session().floating()->rect, (TRect{9, 6, 12, 9}));
    c->session().undo();
    EXPECT_EQ(c->session().floating()->rect, (TRect{4, 4, 7, 7}));
    EXPECT_EQ(form->ToolCode(), 8);
    c->session().redo();
    EXPECT_EQ(c->session().floating()->rect, (TRect{9, 6, 12, 9}));
    // The arrows move it by one cell, one undo step each.
    const auto steps = c->session().history()[0].undo.size();
    form->action("ToolsShiftLeft")->trigger();
    EXPECT_EQ(c->session().floating()->rect, (TRect{8, 6, 11, 9}));
    EXPECT_EQ(c->session().history()[0].undo.size(), steps + 1);
}

TEST_F(Selections, LassoClosesOnItsFirstPointAndCancelsWithTheRightButton) {
    TChildForm* c = filled();
    useTool("ToolsLassoSelection");
    press(*c, {2, 2});
    move(*c, {5, 2});
    press(*c, {5, 2}, Qt::RightButton);  // two points: the lasso is cancelled
    EXPECT_TRUE(c->session().lassoPoints().empty());
    EXPECT_EQ(form->ToolCode(), 13);

    for (const QPoint p : {QPoint(2, 2), QPoint(12, 2), QPoint(12, 12), QPoint(2, 12)}) {
        move(*c, p);
        click(*c, p);
    }
    EXPECT_EQ(form->ToolCode(), 14);
    move(*c, {2, 2});
    click(*c, {2, 2});
    EXPECT_EQ(form->ToolCode(), 15);
    ASSERT_TRUE(c->session().floating());
    EXPECT_EQ(c->session().floating()->rect, (TRect{2, 2, 13, 13}));
    EXPECT_TRUE(transparent(*c, 7, 7));
    EXPECT_FALSE(transparent(*c, 1, 7));
}

TEST_F(Selections, CropKeepsTheEllipseAndReturnsToItsTool) {
    TChildForm* c = filled(16, 4);
    useTool("ToolsEllipseSelection");
    drag(*c, {0, 0}, {15, 15});
    EXPECT_EQ(form->ToolCode(), 18);
    form->updateActions();
    ASSERT_TRUE(form->action("EditCrop")->isEnabled());
    form->action("EditCrop")->trigger();
    EXPECT_EQ(form->ToolCode(), 17);
    EXPECT_EQ(c->Document().GetPixelValue(8, 8), 0xFF0000FFu);
    EXPECT_EQ(c->Document().GetPixelValue(0, 0), 0u);
    EXPECT_EQ(c->Document().GetPixelValue(15, 0), 0u);
    c->session().undo();
    EXPECT_EQ(c->Document().GetPixelValue(0, 0), 0xFF0000FFu);
}

TEST_F(Selections, PasteFloatsAtTheFirstVisiblePixel) {
    TChildForm* small = filled(16, 2);
    useTool("ToolsRectangleSelection");
    drag(*small, {1, 1}, {4, 3});
    form->updateActions();
    form->action("EditCopy")->trigger();
    EXPECT_FALSE(small->session().floating());  // copying ends the selection
    form->updateActions();
    ASSERT_TRUE(form->action("EditPaste")->isEnabled());
    form->action("EditPaste")->trigger();
    EXPECT_EQ(small->session().floating()->rect, (TRect{0, 0, 4, 3}));
    EXPECT_EQ(form->ToolCode(), 8);

    TChildForm* large = document("256", 2);
    large->session().view.zoom = 8;
    large->UpdateScrollRanges();
    large->editingView()->setScrollPosition({400, 240});
    form->action("EditPaste")->trigger();
    const QPoint first((400 - large->GridOrigin().x()) / 8, (240 - large->GridOrigin().y()) / 8);
    EXPECT_EQ(large->session().floating()->rect,
              (TRect{first.x(), first.y(), first.x() + 4, first.y() + 3}));
}

TEST_F(Selections, TextIsTypedRecolouredAndUndoneInOneStep) {
    TChildForm* c = filled(48, 3);
    useTool("ToolsText");
    const QImage before = c->Document().imageToArgb(0);
    click(*c, {10, 20});
    const int th = c->Document().TextExtent("0").height();
    EXPECT_EQ(c->session().textEntry()->position, QPoint(10, 20 - th / 2));
    EXPECT_EQ(form->ToolCode(), 11);
    key(*c, Qt::Key_A, {}, "a");
    key(*c, Qt::Key_B, Qt::ShiftModifier, "B");
    key(*c, Qt::Key_Left, {}, {});  // writes nothing
    key(*c, Qt::Key_Shift, Qt::ShiftModifier, {});
    EXPECT_EQ(c->session().textEntry()->text, "aB");
    key(*c, Qt::Key_Backspace, {}, "\b");
    EXPECT_EQ(c->session().textEntry()->text, "a");
    form->SetPenColor(0x00FF00);
    c->session().redrawText();
    c->Document().StoreImage();
    bool green = false;
    for (int y = 0; y < 48 && !green; ++y)
        for (int x = 0; x < 48 && !green; ++x)
            green = c->Document().GetPixelValue(x, y) == 0x00FF00;
    EXPECT_TRUE(green);
    useTool("ToolsPencil");  // ends the text: one step
    ASSERT_EQ(c->session().history()[0].undo.size(), 1u);
    c->session().undo();
    EXPECT_EQ(c->Document().imageToArgb(0), before);
}

TEST_F(Selections, TheHueWindowLiftsTheMatchingRegion) {
    TChildForm* c = filled();
    useTool("ToolsHueSelection");
    c->Document().FilledRectangle(0, 0, 5, 15, 0x00FF00, 0x00FF00);  // green left, red right
    click(*c, {2, 2});
    ASSERT_TRUE(form->hueForm().isVisible());
    ASSERT_FALSE(c->session().hueOutline().isNull());
    form->hueForm().accept();
    EXPECT_FALSE(form->hueForm().isVisible());
    EXPECT_EQ(form->ToolCode(), 20);
    EXPECT_EQ(c->session().floating()->rect, (TRect{0, 0, 6, 16}));
    EXPECT_TRUE(transparent(*c, 0, 0));
    EXPECT_FALSE(transparent(*c, 6, 0));
    // Choosing a drawing tool stamps it back.
    useTool("ToolsPencil");
    EXPECT_FALSE(c->session().floating());
    EXPECT_EQ(c->Document().GetPixelValue(0, 0), 0x00FF00u);
}

}  // namespace
}  // namespace tarvo
