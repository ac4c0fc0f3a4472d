#include "dialogs/PreviewOpenDialog.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QtMath>
#include <exception>
#include <functional>

#include "core/Icon.h"
#include "dialogs/JpegPreview.h"

namespace tarvo {

namespace {

constexpr int kDefaultPreviewWidth = 200;

// The paint surface inside the pane; it can be taller than the pane and scroll.
class PreviewCanvas : public QWidget {
  public:
    using QWidget::QWidget;
    std::function<void(QPainter&, const QRect&)> onPaint;

  protected:
    void paintEvent(QPaintEvent* event) override {
        if (!onPaint) return;
        QPainter painter(this);
        onPaint(painter, event->rect());
    }
};

// h * width / w rounded to the nearest integer, halves away from zero.
int scaledHeight(int w, int h, int width) {
    const qint64 num = qint64{h} * width;
    return int((2 * num + w) / (2 * qint64{w}));
}

}  // namespace

PreviewLayout layoutPreview(const QList<QSize>& sizes, int clientWidth, int line) {
    PreviewLayout out;
    int y = 0;
    for (const QSize& size : sizes) {
        const int w = size.width(), h = size.height();
        QRect box(0, y, w, h);
        if (w > clientWidth && w > 0)
            box = QRect(0, y, clientWidth, scaledHeight(w, h, clientWidth));
        out.boxes.append(box);
        out.labels.append(QStringLiteral("%1x%2").arg(w).arg(h));
        out.labelOrigins.append(QPoint(4, box.top() + box.height() + 1));
        y += box.height() + line;
    }
    out.height = y;
    return out;
}

QRect previewPaneRect(const QRect& client, int standardRight) {
    return QRect(QPoint(standardRight, client.top() + 4),
                 QPoint(client.right() - 4, client.bottom() - 20));
}

TPreviewOpenDialog::TPreviewOpenDialog(QWidget* parent)
    : TFileDialog(parent, QStringLiteral("Open")) {
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFiles);
    // Everything that opens comes first, and is what the dialog starts with.
    setNameFilters(
        {QStringLiteral("All supported files (*.ico *.cur *.ani *.xcursor *.icns *.exe *.dll *.bmp "
                        "*.jpg *.jpeg *.gif *.png)"),
         QStringLiteral("Icon files (*.ico)"), QStringLiteral("Cursor files (*.cur)"),
         QStringLiteral("Animated cursor files (*.ani)"),
         QStringLiteral("X cursor files (*.xcursor)"), QStringLiteral("macOS icons (*.icns)"),
         QStringLiteral("Program and library files (*.exe *.dll)"),
         QStringLiteral("Image files (*.bmp *.jpg *.jpeg *.gif *.png)"),
         QStringLiteral("All files (*)")});

    pane_ = new QScrollArea(this);
    pane_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Always there, so the width images are fitted to does not change with the file.
    pane_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pane_->setWidgetResizable(false);
    auto* canvas = new PreviewCanvas;
    canvas->onPaint = [this](QPainter& painter, const QRect& exposed) {
        paintPreview(painter, exposed);
    };
    pane_->setWidget(canvas);  // the pane owns it
    canvas_ = canvas;

    if (layout()) baseRightMargin_ = layout()->contentsMargins().right();
    setPreviewWidth(kDefaultPreviewWidth);
    connect(this, &QFileDialog::currentChanged, this, &TPreviewOpenDialog::previewFile);
}

TPreviewOpenDialog::~TPreviewOpenDialog() = default;

void TPreviewOpenDialog::setPreviewWidth(int clientWidth) {
    clientWidth_ = std::max(1, clientWidth);
    const int outer = clientWidth_ + 2 * pane_->frameWidth() +
                      pane_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, pane_);
    reserved_ = outer + 4;
    if (QLayout* grid = layout()) {
        QMargins m = grid->contentsMargins();
        m.setRight(baseRightMargin_ + reserved_);
        grid->setContentsMargins(m);
    }
    canvas_->resize(clientWidth_, std::max(1, layout_.height));
    placePane();
}

int TPreviewOpenDialog::previewLine() const {
    return QFontMetrics(canvas_->font()).height() + 2;
}

void TPreviewOpenDialog::previewFile(const QString& path) {
    if (path == lastFileName_) return;
    lastFileName_ = path;
    const QFileInfo info(path);
    // Folders, devices and pipes are no previews; neither is a file too large to glance at.
    if (!info.isFile() || info.size() > kMaxPreviewFileSize) return;
    // Only this extension goes to the JPEG decoder; ".jpeg" and the rest are read as documents.
    const bool loaded =
        info.suffix().toLower() == QLatin1String("jpg") ? loadPicture(path) : loadDocument(path);
    if (!loaded) return;
    canvas_->resize(clientWidth_, std::max(1, layout_.height));
    canvas_->update();
}

bool TPreviewOpenDialog::loadPicture(const QString& path) {
    // Decoded just large enough for the pane's device pixels: a photo previews in milliseconds.
    const int fitWidth = qCeil(clientWidth_ * canvas_->devicePixelRatioF());
    QSize fullSize;
    QImage image = decodeJpegPreview(path, QSize(fitWidth, 0), &fullSize);
    if (image.isNull()) return false;
    picture_ = std::move(image);
    document_.reset();
    source_ = PreviewSource::Picture;
    layout_ = layoutPreview({fullSize}, clientWidth_, previewLine());
    return true;
}

bool TPreviewOpenDialog::loadDocument(const QString& path) {
    // Read into a new document, so a file that fails keeps the current preview.
    auto document = std::make_unique<TIcon>();
    QList<QSize> sizes;
    try {
        document->LoadFromFile(path);
        // Selecting every image checks that each one unpacks.
        for (int i = 0; i < document->ImageCount(); ++i) {
            document->SelectImage(i);
            sizes.append(document->GetSize());
        }
    } catch (const std::exception&) {
        return false;
    }
    if (sizes.isEmpty()) return false;
    document_ = std::move(document);
    picture_ = QImage();
    source_ = PreviewSource::Document;
    layout_ = layoutPreview(sizes, clientWidth_, previewLine());
    return true;
}

void TPreviewOpenDialog::done(int result) {
    TFileDialog::done(result);
    if (source_ == PreviewSource::Document) {
        document_.reset();
        source_ = PreviewSource::None;
        layout_ = PreviewLayout();
        canvas_->update();
    }
}

void TPreviewOpenDialog::resizeEvent(QResizeEvent* event) {
    TFileDialog::resizeEvent(event);
    placePane();
}

void TPreviewOpenDialog::showEvent(QShowEvent* event) {
    TFileDialog::showEvent(event);
    placePane();
}

void TPreviewOpenDialog::placePane() {
    pane_->setGeometry(previewPaneRect(rect(), width() - reserved_));
    pane_->raise();
}

void TPreviewOpenDialog::paintPreview(QPainter& painter, const QRect& exposed) {
    const int line = previewLine();
    if (source_ == PreviewSource::Picture && !picture_.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(layout_.boxes.value(0), picture_);
    } else if (source_ == PreviewSource::Document && document_) {
        try {
            for (int i = 0; i < layout_.boxes.size(); ++i) {
                const QRect& box = layout_.boxes[i];
                if (!box.adjusted(0, 0, 0, line).intersects(exposed)) continue;
                document_->SelectImage(i);
                document_->Draw(painter, box);
            }
        } catch (const std::exception&) {
            // Measured when loaded; a failure now only leaves the rest undrawn.
        }
    } else {
        return;
    }
    painter.setPen(canvas_->palette().color(QPalette::WindowText));
    for (int i = 0; i < layout_.labels.size(); ++i) {
        const QPoint origin = layout_.labelOrigins[i];
        painter.drawText(QRect(origin, QSize(clientWidth_ - origin.x(), line)),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, layout_.labels[i]);
    }
}

}  // namespace tarvo
