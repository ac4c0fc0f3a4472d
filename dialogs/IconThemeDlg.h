#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;

namespace tarvo {

// Export to Icon Theme: the folder holding the themes, the icon's name and its kind. The images
// go into that folder's hicolor theme, where desktops look for a program's icon.
class TIconThemeDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TIconThemeDlg(QWidget* parent = nullptr);

    // Offers a name made from the document's caption: its base name, without extension.
    void suggestName(const QString& caption);
    QString folder() const;
    QString iconName() const;
    QString context() const;

    void accept() override;

    QLineEdit* FolderEdit = nullptr;
    QLineEdit* NameEdit = nullptr;
    QComboBox* ContextBox = nullptr;
    // Why OK was refused; hidden while there is nothing to say.
    QLabel* ErrorLabel = nullptr;
};

}  // namespace tarvo
