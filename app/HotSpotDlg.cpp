#include "app/HotSpotDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
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
    for (QSpinBox* s : {XSpin, YSpin}) s->setRange(0, 2000);
    form->addRow(QStringLiteral("X:"), XSpin);
    form->addRow(QStringLiteral("Y:"), YSpin);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace tarvo
