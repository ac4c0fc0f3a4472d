#pragma once

#include <QDialog>
#include <array>
#include <functional>

#include "dialogs/FileAssociations.h"

class QCheckBox;
class QPushButton;

namespace tarvo {

// File Associates: which file types the desktop should open with this program. Created once,
// so the ticks stay as the user left them.
class TFileAssDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TFileAssDlg(QWidget* parent = nullptr);

    // The ticked extensions (".ico" ...) in the dialog's order.
    QStringList checkedExtensions() const;

    // Called by the main window after OK: registers the ticked types for `executable` and
    // returns what went wrong, or an empty string, for the caller's own message box.
    QString applyAssociations(const QString& executable);

    // Does the registering; tests replace it to keep away from the real desktop.
    std::function<QString(const QStringList& extensions, const QString& executable)> registerTypes =
        registerFileTypes;

    QCheckBox* IcoCheckBox = nullptr;
    QCheckBox* CurCheckBox = nullptr;
    QCheckBox* BmpCheckBox = nullptr;
    QCheckBox* JpgCheckBox = nullptr;
    QCheckBox* GifCheckBox = nullptr;
    QCheckBox* PngCheckBox = nullptr;
    QCheckBox* AniCheckBox = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

    // The boxes in the order of kAssociableTypes.
    std::array<QCheckBox*, kAssociableTypes.size()> checkBoxes() const;
};

}  // namespace tarvo
