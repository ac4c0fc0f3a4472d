#pragma once

#include <QDialog>
#include <vector>

class QButtonGroup;
class QCheckBox;

namespace tarvo {

// New from Picture and Add Sizes: the standard sizes to make and the depth they get.
class TSizesDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TSizesDlg(QWidget* parent = nullptr);

    std::vector<int> sizes() const;
    int bits() const;
    // The choices as the settings keep them: "16,32,48" and a depth.
    void setChoices(const QString& sizes, int bits);
    QString sizesText() const;

    void accept() override;

    std::vector<QCheckBox*> SizeBoxes;   // in the order of kStandardSizes
    QButtonGroup* DepthGroup = nullptr;  // buttons' ids are the bit counts
};

}  // namespace tarvo
