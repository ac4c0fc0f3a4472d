#pragma once

#include <QDialog>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tarvo {

// The new image dialog: the size and colour depth of a new document, of an added image, or of
// the image Convert Image makes. Created once and reused, so it keeps every value between uses.
class TIconForm : public QDialog {
    Q_OBJECT
  public:
    explicit TIconForm(QWidget* parent = nullptr);

    // New and Add Icon: no "Stretch" box. Convert Image: the box, and the edits filled with the
    // current image's size.
    void prepareForNew();
    void prepareForConvert(int width, int height);

    // What the callers read after OK; the size is always valid then.
    int ImageWidth() const;
    int ImageHeight() const;
    int SelectedBitCount = 32;
    bool Stretch() const;
    // Convert Image to 1, 4 or 8 bits with error diffusion; off each time the dialog opens.
    bool Dither() const;

    // The controls, for the tests and the caller's mode switches.
    QButtonGroup* RadioGroup1 = nullptr;
    QButtonGroup* ColorRadioGroup = nullptr;
    QLineEdit* WidthEdt = nullptr;
    QLineEdit* HeightEdt = nullptr;
    QCheckBox* StretchCheckBox = nullptr;
    QCheckBox* DitherCheckBox = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QLabel* ErrorLbl = nullptr;

  public slots:
    void accept() override;
    void done(int result) override;

  private:
    // The problem with the typed size, or an empty string when it is usable.
    QString sizeProblem() const;

    // New's values while the dialog serves Convert Image, to be offered again by New.
    struct NewValues {
        QString width, height;
        int color = -1, size = -1;
    };
    std::optional<NewValues> newValues_;
};

}  // namespace tarvo
