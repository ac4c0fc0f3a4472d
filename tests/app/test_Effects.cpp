#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>

#include "WindowTest.h"
#include "core/PixelFormats.h"
#include "effects/EffectDialogs.h"

namespace tarvo {
namespace {

// The adjustment dialogs preview live and end by keeping or undoing what they showed.
class Effects : public test::Tools {
  protected:
    TChildForm* picture() {
        TChildForm* c = document("8", 3);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) c->Document().SetPixelValue(x, y, 0x102030u * (x + y));
        c->Document().StoreImage();
        return c;
    }
    // Answers the next dialog: shows it, moves a track bar through `positions`, then ends it.
    void answer(std::vector<int> positions, int result,
                QSlider* TAdjustChannelsDlg::*bar = &TAdjustChannelsDlg::GTrackBar) {
        form->execDialog = [=](QDialog& d) {
            d.show();
            if (auto* channels = qobject_cast<TAdjustChannelsDlg*>(&d))
                for (int p : positions) (channels->*bar)->setValue(p);
            d.hide();
            return result;
        };
    }
};

TEST_F(Effects, CancelRestoresTheImageAndLeavesARedoableStep) {
    TChildForm* c = picture();
    const QImage before = c->Document().imageToArgb(0);
    answer({90, 10, 70}, QDialog::Rejected);
    form->action("EffectBrightness")->trigger();
    EXPECT_EQ(c->Document().imageToArgb(0), before);
    EXPECT_EQ(c->session().history()[0].redo.size(), 1u);
    // Lock moves all three; back and forth ends where the last position says, not summed up.
    answer({90, 10, 100}, QDialog::Accepted);
    form->action("EffectBrightness")->trigger();
    const TAdjustBrightnessDlg& d = form->brightnessDialog();
    EXPECT_EQ(d.RTrackBar->value(), 100);
    EXPECT_EQ(d.BTrackBar->value(), 100);
    EXPECT_EQ(d.RLbl->text(), "100%");
    EXPECT_EQ(c->Document().GetPixelValue(1, 0), 0xA6B6C6u);  // each channel + 150
    c->session().undo();
    EXPECT_EQ(c->Document().imageToArgb(0), before);
}

TEST_F(Effects, ASelectionIsPreviewedOnCopiesAndRestoredUntouched) {
    TChildForm* c = picture();
    useTool("ToolsRectangleSelection");
    drag(*c, {1, 1}, {4, 4});
    ASSERT_TRUE(c->session().floating());
    const QImage floating = c->session().floating()->image->imageToArgb(0);
    answer({80}, QDialog::Rejected);
    form->action("EffectContrast")->trigger();
    ASSERT_TRUE(c->session().floating());
    EXPECT_EQ(c->session().floating()->image->imageToArgb(0), floating);
    answer({}, QDialog::Accepted);  // applied untouched: the selection stays as it was
    form->action("EffectContrast")->trigger();
    EXPECT_EQ(c->session().floating()->image->imageToArgb(0), floating);
    answer({0}, QDialog::Accepted);  // contrast 0: every channel 128
    form->action("EffectContrast")->trigger();
    EXPECT_EQ(c->session().floating()->image->GetPixelValue(0, 0), 0x808080u);
    EXPECT_EQ(c->Document().GetPixelValue(1, 1), Transparent);  // the image under it is untouched
}

TEST_F(Effects, FiltersAndTheirDialogs) {
    TChildForm* c = picture();
    const QImage before = c->Document().imageToArgb(0);
    form->execDialog = [](QDialog& d) {
        if (auto* blur = qobject_cast<TBlurDlg*>(&d)) blur->ComboBox->setCurrentIndex(2);
        if (auto* invert = qobject_cast<TInvertColorsDlg*>(&d)) {
            invert->GreenCheckBox->setChecked(false);
            invert->BlueCheckBox->setChecked(false);
        }
        d.done(QDialog::Accepted);
        return int(QDialog::Accepted);
    };
    form->action("EffectBlurSetting")->trigger();
    EXPECT_EQ(form->BlurSize, 7);
    form->action("EffectInvertColors")->trigger();  // red only
    EXPECT_EQ(c->Document().GetPixelValue(0, 0), 0x0000FFu);
    EXPECT_EQ(c->session().history()[0].undo.size(), 1u);
    form->execDialog = [](QDialog& d) {
        d.done(QDialog::Rejected);
        return int(QDialog::Rejected);
    };
    form->action("EffectInvertColors")->trigger();  // cancelled: no step
    EXPECT_EQ(c->session().history()[0].undo.size(), 1u);
    form->action("EffectGrayScale")->trigger();
    const uint32_t v = c->Document().GetPixelValue(3, 3);
    EXPECT_EQ(v & 0xFF, (v >> 8) & 0xFF);
    EXPECT_EQ(v & 0xFF, (v >> 16) & 0xFF);
    c->session().undo();
    c->session().undo();
    EXPECT_EQ(c->Document().imageToArgb(0), before);
}

TEST_F(Effects, TransformsOfSelectionsTextAndConversions) {
    TChildForm* c = document("16", 3);
    useTool("ToolsRectangleSelection");
    drag(*c, {4, 6}, {9, 7});
    ASSERT_EQ(c->session().floating()->rect, (TRect{4, 6, 10, 8}));
    form->action("ToolsRotateLeft")->trigger();
    EXPECT_EQ(c->session().floating()->rect, (TRect{4, 6, 6, 12}));
    EXPECT_EQ(c->session().floating()->image->GetSize(), QSize(2, 6));

    // A flip while text is typed commits the text first, as its own step.
    useTool("ToolsText");
    click(*c, {3, 8});
    QKeyEvent a(QEvent::KeyPress, Qt::Key_A, {}, "a");
    c->FormKeyDown(a);
    const auto steps = c->session().history()[0].undo.size();
    form->action("ToolsFlipVerical")->trigger();
    EXPECT_FALSE(c->session().textEntry());
    EXPECT_EQ(form->ToolCode(), 10);
    EXPECT_EQ(c->session().history()[0].undo.size(), steps + 2);

    // Convert Image: a new size and depth, undone and redone as one step.
    form->execDialog = [](QDialog& d) {
        auto& f = static_cast<TIconForm&>(d);
        EXPECT_FALSE(f.StretchCheckBox->isHidden());
        EXPECT_EQ(f.WidthEdt->text(), "16");
        f.WidthEdt->setText("24");
        f.HeightEdt->setText("20");
        f.ColorRadioGroup->button(2)->setChecked(true);
        f.accept();
        return f.result();
    };
    form->action("ToolsConvertImage")->trigger();
    EXPECT_EQ(c->Document().GetSize(), QSize(24, 20));
    EXPECT_EQ(rows(*c).value(0), "24 x 20, 256 colors");
    c->session().undo();
    EXPECT_EQ(c->Document().GetSize(), QSize(16, 16));
    EXPECT_EQ(c->Document().BitCount(), 24);
    c->session().redo();
    EXPECT_EQ(c->Document().BitCount(), 8);

    // Exchange Color swaps the two colours, as the status bar shows, and records nothing.
    form->SetPenColor(0x0000FF);
    form->SetBrushColor(Transparent);
    const auto before = c->session().history()[0].undo.size();
    form->action("ToolsExchangeColor")->trigger();
    EXPECT_EQ(form->PenColor(), Transparent);
    EXPECT_EQ(form->BrushColor(), 0x0000FFu);
    EXPECT_EQ(form->statusPanel(2)->text(), "Color: Transparent, Brush: #FF0000");
    EXPECT_EQ(c->session().history()[0].undo.size(), before);
}

TEST_F(Effects, RotateAngleTurnsWithAPreviewAndCancelsExactly) {
    TChildForm* c = picture();
    const QImage before = c->Document().imageToArgb(0);
    auto rotate = [this](int position, int result) {
        form->execDialog = [=](QDialog& d) {
            auto& r = dynamic_cast<TRotateDlg&>(d);
            r.TrackBar->setValue(position);
            EXPECT_EQ(r.ALbl->text(), QStringLiteral("%1\u00B0").arg(position - 180));
            return result;
        };
        form->action("ToolsRotateAngle")->trigger();
    };
    rotate(300, QDialog::Rejected);
    EXPECT_EQ(c->Document().imageToArgb(0), before);
    rotate(270, QDialog::Accepted);  // 90 degrees: a quarter turn clockwise
    EXPECT_EQ(c->Document().imageToArgb(0), before.transformed(QTransform().rotate(90)));
}

}  // namespace
}  // namespace tarvo
