#include "acquire/WebCameraDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QTimer>
#include <algorithm>

namespace tarvo {

namespace {
constexpr int kVideoLeft = 8, kVideoTop = 8;
constexpr int kRightMargin = 113;      // the button column beside the video
constexpr int kExtraHeight = 16;       // 8 px above and below the video
constexpr int kMinClientHeight = 218;  // the button column's own height
constexpr QSize kDesignSize(282, 218);
constexpr QSize kDesignVideo(161, 120);
}  // namespace

// Draws the latest frame stretched over its area; black until the first frame arrives.
class TVideoWindow : public QWidget {
  public:
    using QWidget::QWidget;
    void setFrame(const QImage& frame) {
        frame_ = frame;
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        if (!frame_.isNull()) painter.drawImage(rect(), frame_);
    }

  private:
    QImage frame_;
};

TWebCameraDlg::TWebCameraDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Select TWAIN And Video Sources"));
    VideoWindow = video_ = new TVideoWindow(this);
    VideoWindow->setGeometry(QRect(QPoint(kVideoLeft, kVideoTop), kDesignVideo));
    FreezeBtn = new QPushButton(tr("Freeze"), this);
    SetupGroup = new QGroupBox(tr("Setup Video"), this);
    PinBtn = new QPushButton(tr("Pin..."), SetupGroup);
    FilterBtn = new QPushButton(tr("Filter..."), SetupGroup);
    OKBtn = new QPushButton(tr("Save and Exit"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(tr("Exit"), this);
    setFixedSize(kDesignSize);
    placeButtons();

    connect(FreezeBtn, &QPushButton::clicked, this, &TWebCameraDlg::FreezeBtnClick);
    connect(PinBtn, &QPushButton::clicked, this, &TWebCameraDlg::PinBtnClick);
    connect(FilterBtn, &QPushButton::clicked, this, &TWebCameraDlg::FilterBtnClick);
    connect(OKBtn, &QPushButton::clicked, this, &TWebCameraDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    frameTimer_ = new QTimer(this);
    frameTimer_->setInterval(30);
    connect(frameTimer_, &QTimer::timeout, this, &TWebCameraDlg::showFrame);

    openStream = [] { return CameraStream::openDevice(0); };
    showError = [this](const QString& message) { QMessageBox::critical(this, QString(), message); };
    chooseSize = [this](const QList<QSize>& sizes, QSize current) -> std::optional<QSize> {
        QMenu menu(this);
        for (QSize s : sizes) {
            QAction* action =
                menu.addAction(QStringLiteral("%1 x %2").arg(s.width()).arg(s.height()));
            action->setCheckable(true);
            action->setChecked(s == current);
            action->setData(s);
        }
        if (QAction* chosen = menu.exec(mapToGlobal(QPoint(30, 30))))
            return chosen->data().toSize();
        return std::nullopt;
    };
    editFilter = [this](CameraStream& stream) { makeFilterDialog(stream, this)->exec(); };
}

TWebCameraDlg::~TWebCameraDlg() = default;

void TWebCameraDlg::placeButtons() {
    const int x = width() - kRightMargin + 8, w = kRightMargin - 16;
    FreezeBtn->setGeometry(x, 8, w, 25);
    SetupGroup->setGeometry(x, 40, w, 80);
    PinBtn->setGeometry(8, 20, w - 16, 25);
    FilterBtn->setGeometry(8, 48, w - 16, 25);
    OKBtn->setGeometry(x, 128, w, 25);
    CancelBtn->setGeometry(x, 160, w, 25);
}

void TWebCameraDlg::report(const QString& message) {
    if (showError) showError(message);
}

bool TWebCameraDlg::startPreview() {
    frameTimer_->stop();
    stream_.reset();  // the previous showing's pipeline goes first, freeing the device
    video_->setFrame(QImage());
    FreezeBtn->setText(tr("Freeze"));
    try {
        stream_ = openStream();
        stream_->start();
    } catch (const TError& e) {
        stream_.reset();
        report(QString::fromStdString(e.what()));
        return false;
    }
    frameTimer_->start();
    fitToVideo();
    return true;
}

void TWebCameraDlg::fitToVideo() {
    const QSize video = stream_ ? stream_->frameSize() : QSize();
    if (!video.isValid()) return;
    setFixedSize(video.width() + kVideoLeft + kRightMargin,
                 std::max(video.height() + kExtraHeight, kMinClientHeight));
    VideoWindow->setGeometry(QRect(QPoint(kVideoLeft, kVideoTop), video));
    placeButtons();
    if (QScreen* s = screen()) {
        const QSize free = s->geometry().size() - frameGeometry().size();
        move(free.width() / 2, free.height() / 2);
    }
}

void TWebCameraDlg::showFrame() {
    if (!stream_) return;
    if (QString error = stream_->takeError(); !error.isEmpty()) {
        frameTimer_->stop();
        report(error);
        return;
    }
    video_->setFrame(stream_->currentFrame());
}

void TWebCameraDlg::FreezeBtnClick() {
    if (!stream_) return;
    if (stream_->isPlaying()) {
        stream_->pause();
        FreezeBtn->setText(tr("UnFreeze"));
        return;
    }
    try {
        stream_->resume();
        FreezeBtn->setText(tr("Freeze"));
    } catch (const TError& e) {
        report(QString::fromStdString(e.what()));
    }
}

void TWebCameraDlg::PinBtnClick() {
    if (!stream_) return;
    const QList<QSize> sizes = stream_->availableSizes();
    if (stream_->isPlaying()) FreezeBtnClick();
    const std::optional<QSize> chosen = chooseSize(sizes, stream_->frameSize());
    try {
        if (chosen && *chosen != stream_->frameSize())
            stream_->setSize(*chosen);  // runs the stream again
        else
            stream_->resume();
        FreezeBtn->setText(tr("Freeze"));
    } catch (const TError& e) {
        report(QString::fromStdString(e.what()));
        return;
    }
    fitToVideo();
}

void TWebCameraDlg::FilterBtnClick() {
    if (stream_ && editFilter) editFilter(*stream_);
}

void TWebCameraDlg::OKBtnClick() {
    // What the video window shows, at its size, as the new document's 24-bit image.
    showFrame();
    QImage shown(VideoWindow->size(), QImage::Format_RGB32);
    shown.fill(Qt::black);
    VideoWindow->render(&shown);
    captured_ = shown.convertToFormat(QImage::Format_RGB888);
    accept();
}

void TWebCameraDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) startPreview();
}

std::unique_ptr<QDialog> makeFilterDialog(CameraStream& stream, QWidget* parent) {
    auto dialog = std::make_unique<QDialog>(parent);
    dialog->setWindowTitle(QObject::tr("Filter"));
    auto* outer = new QVBoxLayout(dialog.get());
    auto* scroll = new QScrollArea(dialog.get());
    scroll->setWidgetResizable(true);
    auto* form = new QWidget(scroll);
    auto* layout = new QFormLayout(form);
    scroll->setWidget(form);
    outer->addWidget(scroll);
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog.get());
    outer->addWidget(buttons);

    // Each editor writes its value back on OK; only changed values are set.
    auto apply = std::make_shared<std::vector<std::function<void()>>>();
    for (const auto& [name, value] : stream.properties()) {
        if (value.typeId() == QMetaType::Bool) {
            auto* box = new QCheckBox(form);
            box->setChecked(value.toBool());
            box->setObjectName(name);
            layout->addRow(name, box);
            apply->push_back([&stream, box, name = name, value = value] {
                if (box->isChecked() != value.toBool()) stream.setProperty(name, box->isChecked());
            });
            continue;
        }
        const auto [low, high] = stream.propertyRange(name);
        const bool integral = value.typeId() != QMetaType::Double;
        auto* spin = new QDoubleSpinBox(form);
        spin->setObjectName(name);
        spin->setDecimals(integral ? 0 : 3);
        spin->setRange(low.toDouble(), high.toDouble());
        spin->setValue(value.toDouble());
        layout->addRow(name, spin);
        apply->push_back([&stream, spin, name = name, start = spin->value(), integral] {
            if (spin->value() == start) return;
            if (integral)
                stream.setProperty(name, QVariant::fromValue(qint64(spin->value())));
            else
                stream.setProperty(name, spin->value());
        });
    }
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog.get(), &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog.get(), &QDialog::reject);
    QObject::connect(dialog.get(), &QDialog::accepted, dialog.get(), [apply] {
        for (const auto& f : *apply) f();
    });
    return dialog;
}

}  // namespace tarvo
