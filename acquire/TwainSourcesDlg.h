#pragma once

#include <QDialog>
#include <QStringList>
#include <vector>

#include "acquire/SaneScanner.h"

class QComboBox;
class QPushButton;

namespace tarvo {

// Chooses the scanner and the video capture device the acquisition commands use. Both lists
// start without a selection, and OK needs one in each.
class TTwainSourcesDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TTwainSourcesDlg(QWidget* parent = nullptr);

    // Replace the lists; the selection is cleared. An empty list says so and stays usable.
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

  private:
    void updateOk();
};

}  // namespace tarvo
