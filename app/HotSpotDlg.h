#pragma once

#include <QDialog>
#include <QPoint>
#include <QSize>

class QLabel;
class QSpinBox;

namespace tarvo {

// Asks for the hot spot written into every image of a cursor when it is saved. OK refuses a hot
// spot outside the image, saying why inside the dialog.
class THotSpotDlg : public QDialog {
    Q_OBJECT
  public:
    explicit THotSpotDlg(QWidget* parent = nullptr);

    // Offers `hotSpot`, the cursor's own, and checks what is accepted against `imageSize`.
    void prepare(QPoint hotSpot, QSize imageSize);
    void accept() override;

    QSpinBox* XSpin = nullptr;
    QSpinBox* YSpin = nullptr;
    // Why OK was refused; hidden while there is nothing to say.
    QLabel* ErrorLabel = nullptr;

  private:
    void showError(const QString& text);

    QSize imageSize_;  // invalid until prepared: nothing to check against
};

}  // namespace tarvo
