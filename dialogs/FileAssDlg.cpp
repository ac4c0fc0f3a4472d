#include "dialogs/FileAssDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarvo {

TFileAssDlg::TFileAssDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("File Associates"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    QCheckBox** boxes[] = {&IcoCheckBox, &CurCheckBox, &BmpCheckBox, &JpgCheckBox,
                           &GifCheckBox, &PngCheckBox, &AniCheckBox};
    static_assert(std::size(boxes) == kAssociableTypes.size());
    for (size_t i = 0; i < kAssociableTypes.size(); ++i) {
        auto* box = new QCheckBox(u'*' + QLatin1String(kAssociableTypes[i].extension), this);
        layout->addWidget(box);
        *boxes[i] = box;
    }
    // Icons and cursors are this program's own; pictures have their viewers already.
    for (QCheckBox* box : {IcoCheckBox, CurCheckBox, AniCheckBox}) box->setChecked(true);
    auto* note = new QLabel(
        QStringLiteral("Ticking a picture type makes this program the default viewer of those "
                       "pictures."),
        this);
    note->setWordWrap(true);
    layout->addWidget(note);

    auto* buttons = new QDialogButtonBox(this);
    OKBtn = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    CancelBtn = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    OKBtn->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addStretch(1);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

std::array<QCheckBox*, kAssociableTypes.size()> TFileAssDlg::checkBoxes() const {
    return {IcoCheckBox, CurCheckBox, BmpCheckBox, JpgCheckBox,
            GifCheckBox, PngCheckBox, AniCheckBox};
}

QStringList TFileAssDlg::checkedExtensions() const {
    QStringList extensions;
    const auto boxes = checkBoxes();
    for (size_t i = 0; i < boxes.size(); ++i)
        if (boxes[i]->isChecked()) extensions << QLatin1String(kAssociableTypes[i].extension);
    return extensions;
}

QString TFileAssDlg::applyAssociations(const QString& executable) {
    // The desktop's database tools take a moment; show that the program is busy meanwhile.
    struct BusyCursor {
        BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
        ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    } busy;
    return registerTypes ? registerTypes(checkedExtensions(), executable) : QString();
}

}  // namespace tarvo
