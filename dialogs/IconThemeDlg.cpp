#include "dialogs/IconThemeDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "core/CursorTheme.h"
#include "core/HicolorTheme.h"
#include "dialogs/FileDialogs.h"

namespace tarvo {

TIconThemeDlg::TIconThemeDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Export to Icon Theme"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    FolderEdit =
        addFolderRow(*form, *this, QDir::home().filePath(QStringLiteral(".local/share/icons")),
                     QStringLiteral("Icon Themes Folder"));
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
    ErrorLabel = makeErrorLabel(*this);
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
    else if (!isThemeName(iconName()))
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
