#pragma once

#include <QDialog>
#include <QStringList>
#include <vector>

#include "acquire/SaneScanner.h"

class QComboBox;
class QPushButton;

namespace tarvo {

// Chooses the scanner and the video capture device the acquisition commands use. A machine may
// have only one kind, so OK needs a choice in one list, or a list with nothing in it. Choices
// are kept by device name: they survive the lists being filled again, and Cancel goes back to
// those of the last OK.
class TTwainSourcesDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TTwainSourcesDlg(QWidget* parent = nullptr);

    // Replace the lists. The device chosen now, or else at the last OK, stays chosen when it is
    // listed; otherwise nothing is. An empty list says so and stays usable.
    void setScanners(const std::vector<ScannerInfo>& scanners);
    void setCameras(const QStringList& cameras);

    // The chosen scanner's device name (for scan()), or an empty string.
    QString selectedScanner() const;
    // The chosen camera as listed, or an empty string.
    QString selectedCamera() const;

    QComboBox* ScanerComboBox = nullptr;
    QComboBox* CameraComboBox = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

    void accept() override;
    void reject() override;

  private:
    void updateOk();

    // The device names chosen at the last OK.
    QString acceptedScanner_, acceptedCamera_;
};

}  // namespace tarvo
