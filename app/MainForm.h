#pragma once

#include <QMainWindow>

namespace tarvo {

// The main window of the editor.
class TMainForm : public QMainWindow {
    Q_OBJECT
  public:
    explicit TMainForm(QWidget* parent = nullptr);
};

}  // namespace tarvo
