#include "editor/HueForm.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "editor/ChildForm.h"

namespace tarvo {

THueForm::THueForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Hue Selection"));
    setModal(false);
    RangeEdit = new QSpinBox(this);
    RangeEdit->setRange(0, 240);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Range:"), RangeEdit);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &THueForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &THueForm::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(RangeEdit, &QSpinBox::valueChanged, this, &THueForm::match);
}

void THueForm::start(TChildForm& window, QPoint cell) {
    if (isVisible()) hide();
    window_ = &window;
    cell_ = cell;
    show();
    match();
}

void THueForm::match() {
    if (window_ && isVisible()) window_->session().hueMatch(cell_, RangeEdit->value());
}

void THueForm::accept() {
    if (window_) window_->session().hueAccept();
    window_ = nullptr;
    QDialog::accept();
}

void THueForm::reject() {
    if (window_) window_->session().hueCancel();
    window_ = nullptr;
    QDialog::reject();
}

}  // namespace tarvo
