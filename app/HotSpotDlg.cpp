#include "app/HotSpotDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tarvo {

THotSpotDlg::THotSpotDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Set Cursor Hot Spot"));
    auto* group = new QGroupBox(QStringLiteral("Hot Spot"), this);
    auto* form = new QFormLayout(group);
    XSpin = new QSpinBox(group);
    YSpin = new QSpinBox(group);
    for (QSpinBox* s : {XSpin, YSpin}) {
        s->setRange(0, 2000);
        connect(s, &QSpinBox::valueChanged, this, [this] { showError({}); });
    }
    form->addRow(QStringLiteral("X:"), XSpin);
    form->addRow(QStringLiteral("Y:"), YSpin);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    ErrorLabel = new QLabel(this);
    layout->addWidget(ErrorLabel);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    showError({});
}

void THotSpotDlg::prepare(QPoint hotSpot, QSize imageSize) {
    XSpin->setValue(hotSpot.x());
    YSpin->setValue(hotSpot.y());
    imageSize_ = imageSize;
    showError({});
}

void THotSpotDlg::accept() {
    if (imageSize_.isValid() &&
        (XSpin->value() >= imageSize_.width() || YSpin->value() >= imageSize_.height())) {
        showError(QStringLiteral("The hot spot must lie inside the %1 x %2 image.")
                      .arg(imageSize_.width())
                      .arg(imageSize_.height()));
        return;
    }
    QDialog::accept();
}

void THotSpotDlg::showError(const QString& text) {
    ErrorLabel->setText(text);
    ErrorLabel->setVisible(!text.isEmpty());
}

}  // namespace tarvo
