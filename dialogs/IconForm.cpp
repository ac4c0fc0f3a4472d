#include "dialogs/IconForm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/IconFormat.h"

namespace tarvo {

namespace {

constexpr int kSizes[] = {16, 24, 32, 48, 64, 128, 256};
constexpr int kBitCounts[] = {1, 4, 8, 24, 32};

int parseSide(const QString& text, bool* ok) {
    return text.trimmed().toInt(ok);
}

}  // namespace

TIconForm::TIconForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("New Icon Image Type"));
    setModal(true);

    auto* sizeBox = new QGroupBox(QStringLiteral("Size"), this);
    auto* sizeLayout = new QVBoxLayout(sizeBox);
    RadioGroup1 = new QButtonGroup(this);
    for (int i = 0; i < int(std::size(kSizes)); ++i) {
        auto* b = new QRadioButton(QStringLiteral("%1 x %1").arg(kSizes[i]), sizeBox);
        sizeLayout->addWidget(b);
        RadioGroup1->addButton(b, i);
    }
    RadioGroup1->button(2)->setChecked(true);

    auto* colorBox = new QGroupBox(QStringLiteral("Colors"), this);
    auto* colorLayout = new QVBoxLayout(colorBox);
    ColorRadioGroup = new QButtonGroup(this);
    const char* colorNames[] = {"monochrome", "16 colors", "256 colors", "true color",
                                "32 bits with alpha"};
    for (int i = 0; i < 5; ++i) {
        auto* b = new QRadioButton(QString::fromLatin1(colorNames[i]), colorBox);
        colorLayout->addWidget(b);
        ColorRadioGroup->addButton(b, i);
    }
    ColorRadioGroup->button(4)->setChecked(true);

    WidthEdt = new QLineEdit(QStringLiteral("32"), this);
    HeightEdt = new QLineEdit(QStringLiteral("32"), this);
    for (QLineEdit* e : {WidthEdt, HeightEdt}) e->setMaximumWidth(80);
    auto* edits = new QFormLayout;
    edits->addRow(QStringLiteral("Width:"), WidthEdt);
    edits->addRow(QStringLiteral("Height:"), HeightEdt);

    auto* buttons = new QDialogButtonBox(this);
    OKBtn = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    CancelBtn = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    OKBtn->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &TIconForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TIconForm::reject);

    StretchCheckBox = new QCheckBox(QStringLiteral("Stretch"), this);
    StretchCheckBox->hide();
    // Error diffusion keeps colours the smaller table lacks, on average; off, every pixel takes
    // its nearest table colour.
    DitherCheckBox = new QCheckBox(QStringLiteral("Dither"), this);
    DitherCheckBox->hide();
    ErrorLbl = new QLabel(this);
    ErrorLbl->setStyleSheet(QStringLiteral("color: #b00000"));
    ErrorLbl->setWordWrap(true);
    ErrorLbl->hide();

    auto* right = new QVBoxLayout;
    right->addLayout(edits);
    right->addStretch(1);
    right->addWidget(buttons);
    auto* top = new QHBoxLayout;
    top->addWidget(sizeBox);
    top->addWidget(colorBox);
    top->addLayout(right);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(ErrorLbl);
    layout->addWidget(StretchCheckBox);
    layout->addWidget(DitherCheckBox);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(RadioGroup1, &QButtonGroup::idClicked, this, [this](int id) {
        const QString side = QString::number(kSizes[id]);
        WidthEdt->setText(side);
        HeightEdt->setText(side);
    });
    for (QLineEdit* e : {WidthEdt, HeightEdt})
        connect(e, &QLineEdit::textEdited, ErrorLbl, &QLabel::hide);
}

void TIconForm::prepareForNew() {
    setWindowTitle(QStringLiteral("New Icon Image Type"));
    // What New offered last, not what a conversion filled in since.
    if (newValues_) {
        WidthEdt->setText(newValues_->width);
        HeightEdt->setText(newValues_->height);
        if (QAbstractButton* b = ColorRadioGroup->button(newValues_->color)) b->setChecked(true);
        if (QAbstractButton* b = RadioGroup1->button(newValues_->size)) b->setChecked(true);
        newValues_.reset();
    }
    StretchCheckBox->hide();
    DitherCheckBox->hide();
    ErrorLbl->hide();
}

void TIconForm::prepareForConvert(int width, int height) {
    setWindowTitle(QStringLiteral("Convert Image"));
    if (!newValues_)
        newValues_ = NewValues{WidthEdt->text(), HeightEdt->text(), ColorRadioGroup->checkedId(),
                               RadioGroup1->checkedId()};
    StretchCheckBox->show();
    DitherCheckBox->show();
    DitherCheckBox->setChecked(false);
    ErrorLbl->hide();
    WidthEdt->setText(QString::number(width));
    HeightEdt->setText(QString::number(height));
}

int TIconForm::ImageWidth() const {
    bool ok = false;
    return parseSide(WidthEdt->text(), &ok);
}

int TIconForm::ImageHeight() const {
    bool ok = false;
    return parseSide(HeightEdt->text(), &ok);
}

bool TIconForm::Stretch() const {
    return !StretchCheckBox->isHidden() && StretchCheckBox->isChecked();
}

bool TIconForm::Dither() const {
    return !DitherCheckBox->isHidden() && DitherCheckBox->isChecked() && SelectedBitCount <= 8;
}

QString TIconForm::sizeProblem() const {
    bool okW = false, okH = false;
    const int w = parseSide(WidthEdt->text(), &okW);
    const int h = parseSide(HeightEdt->text(), &okH);
    if (!okW || !okH || w < 1 || h < 1)
        return QStringLiteral("Width and height must be whole numbers of at least 1.");
    if (w > kMaxDimension || h > kMaxDimension)
        return QStringLiteral("Width and height can be at most %1 pixels.").arg(kMaxDimension);
    return {};
}

void TIconForm::accept() {
    // A size that cannot make an image keeps the dialog open with the reason, instead of
    // failing after the caller has acted on it.
    if (const QString problem = sizeProblem(); !problem.isEmpty()) {
        ErrorLbl->setText(problem);
        ErrorLbl->show();
        (ImageWidth() < 1 ? WidthEdt : HeightEdt)->setFocus();
        return;
    }
    QDialog::accept();
}

void TIconForm::done(int result) {
    const int item = ColorRadioGroup->checkedId();
    SelectedBitCount = kBitCounts[item < 0 ? 4 : item];
    QDialog::done(result);
}

}  // namespace tarvo
