#pragma once

#include <QImage>
#include <QList>
#include <QPair>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

#include "raster/Errors.h"

namespace tarvo {

// The capture device or its pipeline failed; what() carries GStreamer's own message.
class ECameraError : public TError {
  public:
    using TError::TError;
};

// The display names of the video capture devices, in the system's order. The devices are kept
// so that CameraStream::openDevice(n) opens the one named n-th here.
QStringList listCameras();

// A running capture: source -> videoconvert -> BGRx capsfilter -> appsink. Frames are copied
// out on the streaming thread, so currentFrame() never blocks on the device.
class CameraStream {
  public:
    // `sourceDescription` is a GStreamer launch fragment ending in a video source, e.g.
    // "videotestsrc pattern=smpte is-live=true". Throws ECameraError if it does not parse.
    explicit CameraStream(const QString& sourceDescription);
    ~CameraStream();
    CameraStream(const CameraStream&) = delete;
    CameraStream& operator=(const CameraStream&) = delete;

    // Device `index` of the last listCameras() (listed again when none were kept yet).
    static std::unique_ptr<CameraStream> openDevice(int index = 0);

    // Runs the pipeline; throws ECameraError when the device cannot start.
    void start();
    // Freeze / UnFreeze: a paused stream keeps its last frame.
    void pause();
    void resume();
    bool isPlaying() const;

    // The latest frame (RGB32, detached from GStreamer's buffer), or a null image before the
    // first one arrives.
    QImage currentFrame() const;
    // Waits up to `msecs` for a frame newer than the current one.
    bool waitForFrame(int msecs);
    // The negotiated video size, or an empty size before negotiation.
    QSize frameSize() const;

    // Sizes the source offers: its fixed sizes, plus common sizes inside its ranges.
    QList<QSize> availableSizes() const;
    // Re-negotiates at `size` and leaves the stream running (before start() it only sets the
    // size to start with); throws ECameraError if refused.
    void setSize(QSize size);

    // The source element's writable int, unsigned, double and bool properties and their
    // current values; propertyRange() gives the limits of one of them.
    QList<QPair<QString, QVariant>> properties() const;
    QPair<QVariant, QVariant> propertyRange(const QString& name) const;
    void setProperty(const QString& name, const QVariant& value);

    // An error the pipeline reported since the last call, or an empty string.
    QString takeError();

  private:
    struct Impl;
    std::unique_ptr<Impl> d;
    explicit CameraStream(std::unique_ptr<Impl> impl);
};

}  // namespace tarvo
