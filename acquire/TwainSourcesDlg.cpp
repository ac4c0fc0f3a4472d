#include "acquire/TwainSourcesDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarvo {

namespace {

QComboBox* addGroup(QWidget* parent, QVBoxLayout* layout, const QString& title) {
    auto* group = new QGroupBox(title, parent);
    auto* box = new QComboBox(group);
    box->setEditable(false);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(30);
    auto* inner = new QVBoxLayout(group);
    inner->addWidget(box);
    layout->addWidget(group);
    return box;
}

// Index -1 shows the placeholder, which tells an empty list from one with nothing chosen.
void fill(QComboBox* box, const QStringList& labels, const QStringList& data,
          const QString& emptyText, const QString& chooseText, const QString& accepted) {
    const QString current = box->currentData().toString();
    box->clear();
    for (qsizetype i = 0; i < labels.size(); ++i) box->addItem(labels[i], data[i]);
    box->setCurrentIndex(box->findData(current.isEmpty() ? accepted : current));
    box->setPlaceholderText(labels.isEmpty() ? emptyText : chooseText);
    box->setEnabled(!labels.isEmpty());
}

}  // namespace

TTwainSourcesDlg::TTwainSourcesDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Select TWAIN And Video Sources"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    ScanerComboBox = addGroup(this, layout, QStringLiteral("Scanner"));
    CameraComboBox = addGroup(this, layout, QStringLiteral("Camera"));

    auto* buttons = new QDialogButtonBox(this);
    OKBtn = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    CancelBtn = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    OKBtn->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addStretch(1);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    for (QComboBox* box : {ScanerComboBox, CameraComboBox})
        connect(box, &QComboBox::currentIndexChanged, this, &TTwainSourcesDlg::updateOk);
    setScanners({});
    setCameras({});
}

void TTwainSourcesDlg::setScanners(const std::vector<ScannerInfo>& scanners) {
    QStringList labels, names;
    for (const ScannerInfo& s : scanners) {
        labels << s.displayName();
        names << s.name;
    }
    fill(ScanerComboBox, labels, names, QStringLiteral("No scanners found"),
         QStringLiteral("Choose a scanner"), acceptedScanner_);
    updateOk();
}

void TTwainSourcesDlg::setCameras(const QStringList& cameras) {
    fill(CameraComboBox, cameras, cameras, QStringLiteral("No cameras found"),
         QStringLiteral("Choose a camera"), acceptedCamera_);
    updateOk();
}

QString TTwainSourcesDlg::selectedScanner() const {
    return ScanerComboBox->currentData().toString();
}

QString TTwainSourcesDlg::selectedCamera() const {
    return CameraComboBox->currentData().toString();
}

void TTwainSourcesDlg::accept() {
    acceptedScanner_ = selectedScanner();
    acceptedCamera_ = selectedCamera();
    QDialog::accept();
}

void TTwainSourcesDlg::reject() {
    ScanerComboBox->setCurrentIndex(ScanerComboBox->findData(acceptedScanner_));
    CameraComboBox->setCurrentIndex(CameraComboBox->findData(acceptedCamera_));
    QDialog::reject();
}

void TTwainSourcesDlg::updateOk() {
    bool ok = false;
    for (const QComboBox* box : {ScanerComboBox, CameraComboBox})
        ok = ok || box->currentIndex() >= 0 || box->count() == 0;
    OKBtn->setEnabled(ok);
}

}  // namespace tarvo
