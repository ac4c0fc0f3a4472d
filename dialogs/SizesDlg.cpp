#include "dialogs/SizesDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "effects/PictureSizes.h"

namespace tarvo {

TSizesDlg::TSizesDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Sizes"));
    auto* layout = new QHBoxLayout;
    auto* sizes = new QGroupBox(QStringLiteral("Sizes"), this);
    auto* grid = new QGridLayout(sizes);
    for (size_t i = 0; i < kStandardSizes.size(); ++i) {
        const int s = kStandardSizes[i];
        auto* box = new QCheckBox(QStringLiteral("%1 x %1").arg(s), sizes);
        grid->addWidget(box, int(i % 5), int(i / 5));
        SizeBoxes.push_back(box);
    }
    auto* depths = new QGroupBox(QStringLiteral("Colors"), this);
    auto* column = new QVBoxLayout(depths);
    DepthGroup = new QButtonGroup(this);
    for (const auto& [bits, text] :
         {std::pair{1, "monochrome"}, std::pair{4, "16 colors"}, std::pair{8, "256 colors"},
          std::pair{24, "true color"}, std::pair{32, "32 bits with alpha"}}) {
        auto* radio = new QRadioButton(QString::fromLatin1(text), depths);
        DepthGroup->addButton(radio, bits);
        column->addWidget(radio);
    }
    layout->addWidget(sizes);
    layout->addWidget(depths);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(layout);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TSizesDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TSizesDlg::reject);
    outer->addWidget(buttons);
    setChoices(QStringLiteral("16,24,32,48,256"), 32);
}

std::vector<int> TSizesDlg::sizes() const {
    std::vector<int> out;
    for (size_t i = 0; i < SizeBoxes.size(); ++i)
        if (SizeBoxes[i]->isChecked()) out.push_back(kStandardSizes[i]);
    return out;
}

int TSizesDlg::bits() const {
    return DepthGroup->checkedId() > 0 ? DepthGroup->checkedId() : 32;
}

QString TSizesDlg::sizesText() const {
    QStringList parts;
    for (int s : sizes()) parts << QString::number(s);
    return parts.join(QLatin1Char(','));
}

void TSizesDlg::setChoices(const QString& text, int bits) {
    const QStringList parts = text.split(QLatin1Char(','));
    for (size_t i = 0; i < SizeBoxes.size(); ++i)
        SizeBoxes[i]->setChecked(parts.contains(QString::number(kStandardSizes[i])));
    if (QAbstractButton* depth = DepthGroup->button(bits)) {
        depth->setChecked(true);
    } else {
        DepthGroup->button(32)->setChecked(true);
    }
}

void TSizesDlg::accept() {
    // Nothing chosen makes nothing: OK waits for a size.
    if (sizes().empty()) return;
    QDialog::accept();
}

}  // namespace tarvo
