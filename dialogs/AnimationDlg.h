#pragma once

#include <QDialog>
#include <optional>

#include "core/AniFormat.h"

class QSpinBox;
class QTableWidget;

namespace tarvo {

// Tools > Animation: the steps of an animated cursor in order, each the frame it shows and for
// how long (in sixtieths of a second). Steps can be added, removed and moved, a frame may show in
// several, and the rate of the chosen steps set at once. No steps: not animated.
class TAnimationDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TAnimationDlg(QWidget* parent = nullptr);

    // The animation of a document of `frames` images; without one, each image a step at the
    // default rate.
    void setAnimation(const std::optional<TAnimation>& animation, int frames);
    std::optional<TAnimation> animation() const;

    // Steps: frame numbers from 1 as the image list shows them.
    void addStep();
    void removeSelected();
    void moveSelected(int by);
    void setSelectedRate(int jiffies);

    QTableWidget* Table = nullptr;
    QSpinBox* RateSpin = nullptr;

  private:
    void setRow(int row, int frame, int rate);
    QSpinBox* spin(int row, int column) const;

    TAnimation base_;  // names and flags kept as they were
    int frames_ = 1;
};

}  // namespace tarvo
