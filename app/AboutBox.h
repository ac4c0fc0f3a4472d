#pragma once

#include <QDialog>

namespace tarvo {

// Help > About: the program's icon, name, version and licence, and an OK button.
class TAboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit TAboutBox(QWidget* parent = nullptr);
};

}  // namespace tarvo
