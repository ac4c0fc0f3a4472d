#pragma once

#include <QDialog>
#include <QImage>
#include <QList>
#include <QSize>
#include <functional>
#include <memory>
#include <optional>

#include "acquire/CameraCapture.h"

class QGroupBox;
class QPushButton;
class QTimer;

namespace tarvo {

class TVideoWindow;

// WEB Camera: live preview of the first capture device; Save and Exit hands the shown frame
// to the caller as capturedFrame().
//
//   TWebCameraDlg dlg(this);
//   if (dlg.exec() == QDialog::Accepted) newDocumentFrom(dlg.capturedFrame());
class TWebCameraDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TWebCameraDlg(QWidget* parent = nullptr);
    ~TWebCameraDlg() override;

    // The frame shown when Save and Exit was pressed, 24-bit RGB at the video window's size.
    QImage capturedFrame() const { return captured_; }
    CameraStream* stream() const { return stream_.get(); }

    // Hooks, so that tests (and other sources) need no device and no modal windows.
    // Opens the capture source: the first device, whichever one the camera list selects.
    std::function<std::unique_ptr<CameraStream>()> openStream;
    // Reports a capture failure; by default an error message box.
    std::function<void(const QString& message)> showError;
    // Pin...: picks one of `sizes` (the current one is `current`), nothing to keep it.
    std::function<std::optional<QSize>(const QList<QSize>& sizes, QSize current)> chooseSize;
    // Filter...: lets the user adjust the source's properties.
    std::function<void(CameraStream& stream)> editFilter;

    // Opens and runs the stream and fits the dialog to it; done on every show. Failures go to
    // showError and leave the dialog without a picture.
    bool startPreview();
    // Client area = video + (121, 16), the video window keeping 8 px left and 113 px right;
    // then centred on the screen.
    void fitToVideo();

    QWidget* VideoWindow = nullptr;  // black, showing the stretched video
    QPushButton* FreezeBtn = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QGroupBox* SetupGroup = nullptr;
    QPushButton* PinBtn = nullptr;
    QPushButton* FilterBtn = nullptr;

  public slots:
    void FreezeBtnClick();
    void PinBtnClick();
    void FilterBtnClick();
    void OKBtnClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void placeButtons();
    void showFrame();
    void report(const QString& message);

    std::unique_ptr<CameraStream> stream_;
    TVideoWindow* video_ = nullptr;  // VideoWindow itself
    QTimer* frameTimer_ = nullptr;
    QImage captured_;
};

// Filter...'s default: a form of the source's numeric and boolean properties; OK applies the
// changed ones. The caller runs it (exec) or, in tests, accepts it directly.
std::unique_ptr<QDialog> makeFilterDialog(CameraStream& stream, QWidget* parent = nullptr);

}  // namespace tarvo
