#pragma once

#include <QDialog>

class QSpinBox;

namespace tarvo {

// Asks for the hot spot written into every image of a cursor when it is saved. Created once;
// it keeps the values last entered (it is not filled from the document).
class THotSpotDlg : public QDialog {
    Q_OBJECT
  public:
    explicit THotSpotDlg(QWidget* parent = nullptr);
    QSpinBox* XSpin = nullptr;
    QSpinBox* YSpin = nullptr;
};

}  // namespace tarvo
