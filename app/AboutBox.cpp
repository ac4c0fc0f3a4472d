#include "app/AboutBox.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/Icons.h"

namespace tarvo {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Tarvo Iconworks"));

    auto* icon = new QLabel(this);
    icon->setPixmap(applicationIcon().pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop);

    auto* name = new QLabel(QStringLiteral("Tarvo Iconworks"), this);
    QFont big = name->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.5);
    name->setFont(big);

    auto* text = new QVBoxLayout;
    text->addWidget(name);
    text->addWidget(new QLabel(QStringLiteral("Version " TARVO_VERSION), this));
    text->addSpacing(8);
    text->addWidget(
        new QLabel(QStringLiteral("An editor for icons, cursors and animated cursors."), this));
    text->addSpacing(8);
    text->addWidget(
        new QLabel(QStringLiteral("Copyright (c) 2026 Tarvo Iconworks developers."), this));
    text->addWidget(new QLabel(QStringLiteral("Licensed under the MIT License."), this));

    auto* top = new QHBoxLayout;
    top->setSpacing(16);
    top->addWidget(icon);
    top->addLayout(text);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace tarvo
