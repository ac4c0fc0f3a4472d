#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace tarvo {

// Export Cursor Theme: where the theme goes, its name, and which cursor of the theme each open
// document becomes. Documents left without a cursor name stay out of the theme.
class TCursorThemeDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TCursorThemeDlg(QWidget* parent = nullptr);

    // One row per document: its caption, and the cursor name offered (empty: not exported).
    void setDocuments(const std::vector<std::pair<QString, QString>>& documents);
    // The cursor name chosen for each document, in the order given; empty for none.
    std::vector<QString> roles() const;
    // A cursor name to offer for a document called `caption`: its name when it is one of the
    // theme's cursors or their aliases, else empty.
    static QString suggestedRole(const QString& caption);

    // The installed themes the new one can fall back to for cursors it lacks. The choice made
    // last time stays when that theme is still there; else the usual fallback is offered.
    void setFallbackThemes(const QStringList& themes);
    // Empty for none.
    QString fallbackTheme() const;

    void accept() override;

    QLineEdit* FolderEdit = nullptr;
    QLineEdit* NameEdit = nullptr;
    QComboBox* FallbackBox = nullptr;
    QTableWidget* Table = nullptr;
    // Why OK was refused; hidden while there is nothing to say.
    QLabel* ErrorLabel = nullptr;
    QComboBox* roleBox(int row) const;

  private:
    void showError(const QString& text);
};

}  // namespace tarvo
