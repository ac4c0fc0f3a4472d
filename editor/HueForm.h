#pragma once

#include <QDialog>
#include <QPoint>
#include <QPointer>

class QSpinBox;

namespace tarvo {

class TChildForm;

// The modeless "Hue Selection" window: while it is open, the pixels whose hue lies within
// "Range:" of the clicked pixel's show striped; OK lifts them as a floating selection.
class THueForm : public QDialog {
    Q_OBJECT
  public:
    explicit THueForm(QWidget* parent = nullptr);

    // Shows the window for a click on `cell` of `window`'s current image (closing it first when
    // it is open), and matches at once.
    void start(TChildForm& window, QPoint cell);
    QSpinBox* RangeEdit = nullptr;

  public slots:
    void accept() override;
    void reject() override;

  private:
    void match();

    QPointer<TChildForm> window_;
    QPoint cell_;
};

}  // namespace tarvo
