#include "dialogs/CursorThemeDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/CursorTheme.h"
#include "dialogs/FileDialogs.h"

namespace tarvo {

TCursorThemeDlg::TCursorThemeDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Export Cursor Theme"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    FolderEdit = addFolderRow(*form, *this, QDir::home().filePath(QStringLiteral(".icons")),
                              QStringLiteral("Theme Folder"));
    NameEdit = new QLineEdit(QStringLiteral("MyCursors"), this);
    form->addRow(QStringLiteral("Theme &name:"), NameEdit);
    FallbackBox = new QComboBox(this);
    FallbackBox->setToolTip(
        QStringLiteral("The theme whose cursors are used for those this theme does not have"));
    form->addRow(QStringLiteral("&Other cursors from:"), FallbackBox);
    layout->addLayout(form);
    layout->addWidget(
        new QLabel(QStringLiteral("Each document becomes the cursor named beside it:"), this));
    Table = new QTableWidget(0, 2, this);
    Table->setHorizontalHeaderLabels({QStringLiteral("Document"), QStringLiteral("Cursor")});
    Table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    Table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    Table->verticalHeader()->hide();
    layout->addWidget(Table, 1);
    ErrorLabel = makeErrorLabel(*this);
    layout->addWidget(ErrorLabel);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TCursorThemeDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TCursorThemeDlg::reject);
    layout->addWidget(buttons);
    resize(520, 380);
}

QString TCursorThemeDlg::suggestedRole(const QString& caption) {
    const QString base = QFileInfo(caption).completeBaseName();
    for (const auto& [role, aliases] : cursorAliasTable())
        if (base == role || aliases.contains(base)) return base;
    return {};
}

void TCursorThemeDlg::setDocuments(const std::vector<std::pair<QString, QString>>& documents) {
    Table->setRowCount(int(documents.size()));
    QStringList names{QString()};
    for (const auto& [role, aliases] : cursorAliasTable()) names << role;
    for (int row = 0; row < int(documents.size()); ++row) {
        auto* caption = new QTableWidgetItem(documents[size_t(row)].first);
        caption->setFlags(Qt::ItemIsEnabled);
        Table->setItem(row, 0, caption);
        auto* box = new QComboBox(Table);
        box->setEditable(true);
        box->addItems(names);
        box->setCurrentText(documents[size_t(row)].second);
        Table->setCellWidget(row, 1, box);
    }
}

void TCursorThemeDlg::setFallbackThemes(const QStringList& themes) {
    const QString last = FallbackBox->count() ? fallbackTheme() : fallbackCursorTheme(themes);
    FallbackBox->clear();
    FallbackBox->addItem(QStringLiteral("(none)"), QString());
    for (const QString& theme : themes) FallbackBox->addItem(theme, theme);
    const int kept = FallbackBox->findData(last);
    FallbackBox->setCurrentIndex(kept >= 0 ? kept
                                           : FallbackBox->findData(fallbackCursorTheme(themes)));
}

QString TCursorThemeDlg::fallbackTheme() const {
    return FallbackBox->currentData().toString();
}

QComboBox* TCursorThemeDlg::roleBox(int row) const {
    return qobject_cast<QComboBox*>(Table->cellWidget(row, 1));
}

std::vector<QString> TCursorThemeDlg::roles() const {
    std::vector<QString> out;
    for (int row = 0; row < Table->rowCount(); ++row)
        out.push_back(roleBox(row) ? roleBox(row)->currentText().trimmed() : QString());
    return out;
}

void TCursorThemeDlg::accept() {
    // What would stop the theme from being written is said here, where it can be mended.
    if (FolderEdit->text().trimmed().isEmpty())
        return showError(QStringLiteral("Choose the folder the theme goes into."));
    if (!isThemeName(NameEdit->text().trimmed()))
        return showError(QStringLiteral("The theme needs a name without \"/\"."));
    if (fallbackTheme() == NameEdit->text().trimmed())
        return showError(QStringLiteral("The theme cannot take its other cursors from itself."));
    QSet<QString> seen;
    for (const QString& role : roles()) {
        if (role.isEmpty()) continue;
        if (!isCursorRoleName(role))
            return showError(QStringLiteral("\"%1\" cannot name a cursor.").arg(role));
        if (seen.contains(role))
            return showError(QStringLiteral("Two documents are both \"%1\".").arg(role));
        seen.insert(role);
    }
    if (seen.isEmpty())
        return showError(QStringLiteral("Name the cursor of at least one document."));
    ErrorLabel->hide();
    QDialog::accept();
}

void TCursorThemeDlg::showError(const QString& text) {
    ErrorLabel->setText(text);
    ErrorLabel->show();
}

}  // namespace tarvo
