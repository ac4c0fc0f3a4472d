#pragma once

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;

namespace tarvo {

// The dialogs of the Effects menu. They only collect values; the document window applies the
// effect, previewing through `UpdatePreview` whenever a value changes.

// Three channel track bars 0..100 with a "Lock" that moves them together. The positions go
// back to 50 each time the dialog is shown; the lock is kept.
class TAdjustChannelsDlg : public QDialog {
    Q_OBJECT
  public:
    TAdjustChannelsDlg(const QString& caption, QWidget* parent);
    QSlider* RTrackBar = nullptr;
    QSlider* GTrackBar = nullptr;
    QSlider* BTrackBar = nullptr;
    QLabel* RLbl = nullptr;
    QLabel* GLbl = nullptr;
    QLabel* BLbl = nullptr;
    QCheckBox* CheckBox = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    std::function<void()> UpdatePreview;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void TrackBarChange(QSlider* sender);
};

class TAdjustBrightnessDlg : public TAdjustChannelsDlg {
    Q_OBJECT
  public:
    explicit TAdjustBrightnessDlg(QWidget* parent = nullptr)
        : TAdjustChannelsDlg(QStringLiteral("Adjust Brightness"), parent) {}
};

class TAdjustContrastDlg : public TAdjustChannelsDlg {
    Q_OBJECT
  public:
    explicit TAdjustContrastDlg(QWidget* parent = nullptr)
        : TAdjustChannelsDlg(QStringLiteral("Adjust Contrast"), parent) {}
};

// Hue, saturation and brightness track bars 0..100 at 50; made anew for every use.
class TAdjustHSBDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TAdjustHSBDlg(QWidget* parent = nullptr);
    QSlider* HTrackBar = nullptr;
    QSlider* STrackBar = nullptr;
    QSlider* BTrackBar = nullptr;
    QLabel* HLbl = nullptr;
    QLabel* SLbl = nullptr;
    QLabel* BLbl = nullptr;
    std::function<void()> UpdatePreview;
};

// The colour adjustment's controls, as their positions; made anew for every use.
class TAdjustColorDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TAdjustColorDlg(QWidget* parent = nullptr);
    QRadioButton* Flags[3] = {};
    QComboBox* ComboBox = nullptr;
    QSlider* RTrackBar = nullptr;
    QSlider* GTrackBar = nullptr;
    QSlider* BTrackBar = nullptr;
    QSlider* BlackTrackBar = nullptr;
    QSlider* WhiteTrackBar = nullptr;
    QSlider* ContrastTrackBar = nullptr;
    QSlider* BrigthnessTrackBar = nullptr;
    QSlider* CTrackBar = nullptr;
    QSlider* RGTTrackBar = nullptr;
    int flag() const;
    std::function<void()> UpdatePreview;
};

// "Rotate Angle": -180..180 degrees as a track bar 0..360 at 180; made anew for every use.
class TRotateDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TRotateDlg(QWidget* parent = nullptr);
    QSlider* TrackBar = nullptr;
    QLabel* ALbl = nullptr;
    QSpinBox* AngleSpin = nullptr;  // the same angle, typed
    int angle() const;
    std::function<void()> UpdatePreview;
};

// "Blur Setting": the blur window's edge, 3, 5, 7 or 9.
class TBlurDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TBlurDlg(QWidget* parent = nullptr);
    QComboBox* ComboBox = nullptr;
    int Size = 3;

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
};

// "Invert Colors": which channels; the last choice is offered again.
class TInvertColorsDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TInvertColorsDlg(QWidget* parent = nullptr);
    QCheckBox* RedCheckBox = nullptr;
    QCheckBox* GreenCheckBox = nullptr;
    QCheckBox* BlueCheckBox = nullptr;
};

}  // namespace tarvo
