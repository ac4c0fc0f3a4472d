#include "dialogs/IconThemeDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/HicolorTheme.h"

namespace tarvo {

TIconThemeDlg::TIconThemeDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Export to Icon Theme"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    FolderEdit = new QLineEdit(QDir::home().filePath(QStringLiteral(".local/share/icons")), this);
    auto* browse = new QPushButton(QStringLiteral("&Browse..."), this);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getExistingDirectory(
            this, QStringLiteral("Icon Themes Folder"), FolderEdit->text());
        if (!chosen.isEmpty()) FolderEdit->setText(chosen);
    });
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(FolderEdit, 1);
    folderRow->addWidget(browse);
    auto* folderLabel = new QLabel(QStringLiteral("&Folder:"), this);
    folderLabel->setBuddy(FolderEdit);
    form->addRow(folderLabel, folderRow);
    NameEdit = new QLineEdit(this);
    NameEdit->setPlaceholderText(QStringLiteral("as in the program's .desktop file"));
    form->addRow(QStringLiteral("Icon &name:"), NameEdit);
    ContextBox = new QComboBox(this);
    ContextBox->addItems(hicolorContexts());
    form->addRow(QStringLiteral("&Kind:"), ContextBox);
    layout->addLayout(form);
    auto* about = new QLabel(
        QStringLiteral("Each square image of 16, 22, 24, 32, 36, 48, 64, 72, 96, 128, 192, 256 or "
                       "512 pixels is written as hicolor/NxN/kind/name.png."),
        this);
    about->setWordWrap(true);
    layout->addWidget(about);
    ErrorLabel = new QLabel(this);
    ErrorLabel->setStyleSheet(QStringLiteral("color: #b00020"));
    ErrorLabel->setWordWrap(true);
    ErrorLabel->hide();
    layout->addWidget(ErrorLabel);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TIconThemeDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TIconThemeDlg::reject);
    layout->addWidget(buttons);
    resize(520, sizeHint().height());
}

void TIconThemeDlg::suggestName(const QString& caption) {
    NameEdit->setText(QFileInfo(caption).completeBaseName());
    ErrorLabel->hide();
}

QString TIconThemeDlg::folder() const {
    return FolderEdit->text().trimmed();
}

QString TIconThemeDlg::iconName() const {
    // A name typed as a file's is meant without its extension.
    QString name = NameEdit->text().trimmed();
    if (name.endsWith(QLatin1String(".png"), Qt::CaseInsensitive)) name.chop(4);
    return name;
}

QString TIconThemeDlg::context() const {
    return ContextBox->currentText();
}

void TIconThemeDlg::accept() {
    QString error;
    if (folder().isEmpty())
        error = QStringLiteral("Choose the folder the icon theme is in.");
    else if (!isThemeIconName(iconName()))
        error = QStringLiteral("The icon needs a name without \"/\".");
    if (!error.isEmpty()) {
        ErrorLabel->setText(error);
        ErrorLabel->show();
        return;
    }
    ErrorLabel->hide();
    QDialog::accept();
}

}  // namespace tarvo
