#include "editor/ChildForm.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListView>
#include <QMdiArea>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSplitter>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "core/Icon.h"
#include "dialogs/FileDialogs.h"
#include "dialogs/IconForm.h"
#include "editor/EditorHost.h"
#include "editor/Failures.h"
#include "editor/WindowBox.h"
#include "raster/Errors.h"

namespace tarvo {

namespace {

constexpr int kRowHeight = 38;
constexpr int kTextLeft = 40;
constexpr int kListWidth = 190;

// One row of the image list: the image's thumbnail and its one or two lines of text.
void paintImageRow(QPainter& p, const QRect& row, const TIcon& icon, int index, const QString& text,
                   const QPalette& palette, bool selected) {
    p.fillRect(row, selected ? palette.highlight() : palette.base());
    if (index < 0 || index >= icon.ImageCount()) return;
    p.save();
    p.setClipRect(row);
    p.setPen(selected ? palette.highlightedText().color() : palette.text().color());
    p.drawText(row.adjusted(kTextLeft, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
    // Only the rows in view are decoded, so long lists stay quick.
    const QRect box = TChildForm::thumbnailBox(row, icon.imageSize(index));
    p.drawImage(box, icon.imageToArgb(index));
    p.restore();
}

}  // namespace

// The document's images as rows; the texts are made when a row is shown.
class ImageListModel : public QAbstractListModel {
  public:
    ImageListModel(const TChildForm& form, QObject* parent)
        : QAbstractListModel(parent), form_(form) {}
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : form_.Document().ImageCount();
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid()) return {};
        return form_.imageRowText(index.row());
    }
    void reset() {
        beginResetModel();
        endResetModel();
    }

    // Rows are dragged to new places within the list: a row is dragged, the gaps between rows
    // take drops.
    static constexpr const char* kRowType = "application/x-tarvo-image-row";
    std::function<void(int from, int to)> onMove;
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        const Qt::ItemFlags f = QAbstractListModel::flags(index);
        return index.isValid() ? f | Qt::ItemIsDragEnabled : f | Qt::ItemIsDropEnabled;
    }
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    QStringList mimeTypes() const override { return {QString::fromLatin1(kRowType)}; }
    QMimeData* mimeData(const QModelIndexList& indexes) const override {
        if (indexes.size() != 1 || !indexes.front().isValid()) return nullptr;
        // The drag owns what this returns.
        auto data = std::make_unique<QMimeData>();
        data->setData(QString::fromLatin1(kRowType), QByteArray::number(indexes.front().row()));
        return data.release();
    }
    // `row` is the gap the row was dropped in: before row `row`, or after the last for -1.
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int,
                      const QModelIndex&) override {
        const QString type = QString::fromLatin1(kRowType);
        if (action != Qt::MoveAction || !data || !data->hasFormat(type) || !onMove) return false;
        bool ok = false;
        const int from = data->data(type).toInt(&ok);
        const int count = rowCount({});
        if (!ok || from < 0 || from >= count) return false;
        const int gap = row < 0 || row > count ? count : row;
        const int to = gap > from ? gap - 1 : gap;
        if (to == from) return false;
        onMove(from, to);
        return true;
    }

  private:
    const TChildForm& form_;
};

namespace {

// A press chooses its row at once, so that any row, not only the current one, can be dragged
// straight away.
class ImageListView : public QListView {
  public:
    using QListView::QListView;

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (event->button() == Qt::LeftButton && index.isValid() && index != currentIndex())
            selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        QListView::mousePressEvent(event);
    }
};

class ImageListDelegate : public QStyledItemDelegate {
  public:
    ImageListDelegate(const TChildForm& form, QObject* parent)
        : QStyledItemDelegate(parent), form_(form) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        paintImageRow(*p, option.rect, form_.Document(), index.row(), index.data().toString(),
                      option.palette, option.state & QStyle::State_Selected);
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {kListWidth - 8, kRowHeight};
    }

  private:
    const TChildForm& form_;
};

}  // namespace

TChildForm::TChildForm(TEditorHost& host, int width, int height, int bits, QWidget* parent)
    : QMdiSubWindow(parent),
      host_(host),
      session_(
          std::make_unique<EditSession>(static_cast<TSessionHost&>(*this), width, height, bits)) {
    setAttribute(Qt::WA_DeleteOnClose);
    // The window menu's Close would take Ctrl+W, the rectangle selection's shortcut.
    for (QAction* a : systemMenu() ? systemMenu()->actions() : QList<QAction*>())
        a->setShortcuts({});
    buildWidgets();
    setPlaying(false);
    updatePlayButton();
    setCaption(QStringLiteral("Icon1"));
    resize(kDesignedWidth, kDesignedHeight);
    FillImageList();
    FitZoom();
    askToSave = [this](const QString& text, const QString& title) {
        return QMessageBox::question(this, title, text,
                                     QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                     QMessageBox::Yes);
    };
}

TChildForm::~TChildForm() = default;

void TChildForm::buildWidgets() {
    auto* client = new QWidget(this);
    splitter_ = new QSplitter(Qt::Horizontal, client);
    imageList_ = new ImageListView(splitter_);
    imageModel_ = new ImageListModel(*this, imageList_);
    imageList_->setModel(imageModel_);
    imageList_->setItemDelegate(new ImageListDelegate(*this, imageList_));
    // Equal rows: the view never asks every row for its size.
    imageList_->setUniformItemSizes(true);
    imageList_->setSelectionMode(QAbstractItemView::SingleSelection);
    imageList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    imageList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Keys stay with the editing view, where arrows move selections.
    imageList_->setFocusPolicy(Qt::NoFocus);
    imageList_->setMinimumWidth(kTextLeft + 40);
    imageList_->setDragDropMode(QAbstractItemView::InternalMove);
    imageList_->setDropIndicatorShown(true);
    // The move happens once the drop is over: it rebuilds the list the view is still handling.
    imageModel_->onMove = [this](int from, int to) {
        QMetaObject::invokeMethod(
            this,
            [this, from, to] {
                runGuarded([&] {
                    session_->selectImage(from);
                    if (Document().CurrentIndex() == from) session_->moveImage(to);
                });
            },
            Qt::QueuedConnection);
    };
    connect(imageList_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& index) {
                if (index.isValid() && index.row() != Document().CurrentIndex())
                    runGuarded([&] { session_->selectImage(index.row()); });
            });
    windowBox1_ = new TWindowBox(splitter_);
    // The preview, with the play button of animated cursors above it.
    auto* previewPane = new QWidget(splitter_);
    auto* previewLayout = new QVBoxLayout(previewPane);
    previewLayout->setContentsMargins(0, 0, 0, 0);
    previewLayout->setSpacing(2);
    playButton_ = new QToolButton(previewPane);
    playButton_->setCheckable(true);
    playButton_->setFocusPolicy(Qt::NoFocus);
    playButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    playButton_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(playButton_, &QToolButton::toggled, this, [this](bool on) { setPlaying(on); });
    previewLayout->addWidget(playButton_);
    windowBox2_ = new TWindowBox(previewPane);
    previewLayout->addWidget(windowBox2_, 1);
    animationTimer_ = new QTimer(this);
    animationTimer_->setSingleShot(true);
    connect(animationTimer_, &QTimer::timeout, this, [this] { showStep(playingStep_ + 1); });
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(imageList_);
    splitter_->addWidget(windowBox1_);
    splitter_->addWidget(previewPane);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 4);
    splitter_->setStretchFactor(2, 1);
    windowBox1_->viewport()->setCursor(host_.toolCursor());

    windowBox1_->onPaint = [this](QPainter& dc, const QRect&) { paintEditingView(dc); };
    // A zoom the user chose survives the scroll bars coming and going.
    windowBox1_->onResize = [this] {
        if (zoomChosen_) {
            UpdateScrollRanges();
        } else {
            FitZoom();
        }
    };
    windowBox1_->onMouseDown = [this](QMouseEvent& e) {
        syncView();
        const MouseButton b = e.button() == Qt::LeftButton    ? MouseButton::Left
                              : e.button() == Qt::RightButton ? MouseButton::Right
                                                              : MouseButton::Middle;
        session_->mouseDown(e.position().toPoint(), b);
        if (host_.tool() == ToolMode::Erase && session_->overImage(e.position().toPoint()))
            windowBox1_->viewport()->setCursor(Qt::BlankCursor);
    };
    windowBox1_->onMouseMove = [this](QMouseEvent& e) {
        syncView();
        const QPoint at = e.position().toPoint();
        const QPoint cell = session_->cellAt(at);
        const bool moved = mouseCell_ != cell;
        mouseCell_ = cell;
        session_->mouseMove(at, e.buttons() & Qt::LeftButton);
        updateMouseCursor(at);
        if (moved && host_.tool() == ToolMode::Erase) windowBox1_->viewport()->update();
    };
    windowBox1_->onMouseUp = [this](QMouseEvent&) { session_->mouseUp(); };
    // Ctrl+wheel zooms at the mouse; the wheel alone scrolls.
    windowBox1_->onWheel = [this](QWheelEvent& e) {
        if (!(e.modifiers() & Qt::ControlModifier) || e.angleDelta().y() == 0) return false;
        const QPoint at = e.position().toPoint();
        if (e.angleDelta().y() > 0) {
            ZoomIn(at);
        } else {
            ZoomOut(at);
        }
        return true;
    };
    // Paste places its block by the scroll position.
    for (QScrollBar* bar : {windowBox1_->horizontalScrollBar(), windowBox1_->verticalScrollBar()})
        connect(bar, &QScrollBar::valueChanged, this, [this] { syncView(); });
    windowBox2_->onPaint = [this](QPainter& dc, const QRect&) { paintPreview(dc); };
    windowBox2_->onResize = [this] { UpdateScrollRanges(); };

    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(splitter_, 1);
    setWidget(client);
}

void TChildForm::showAsConfigured() {
    if (host_.childMaximize()) {
        showMaximized();
    } else {
        show();
    }
}

// ---- the session's host ---------------------------------------------------------------------

ToolMode TChildForm::tool() const {
    return host_.tool();
}

void TChildForm::setTool(ToolMode mode) {
    host_.setTool(mode);
}

uint32_t TChildForm::penColor() const {
    return host_.PenColor();
}

uint32_t TChildForm::brushColor() const {
    return host_.BrushColor();
}

void TChildForm::colorPicked(bool pen, uint32_t color, bool argb) {
    host_.colorPicked(pen, color, argb);
}

int TChildForm::blurSize() const {
    return host_.blurSize();
}

bool TChildForm::smoothEdges() const {
    return host_.smoothEdges();
}

void TChildForm::setStatusText(int panel, const QString& text) {
    host_.setStatusText(panel, text);
}

void TChildForm::changed(unsigned what) {
    if (what & Images) {
        updatePlayButton();
        FillImageList();
        FitZoom();
        host_.UpdateColors();
    }
    if (what & History) host_.repaintColorPanel();
    if (what & (Pixels | Images)) invalidateViews();
}

void TChildForm::openHueWindow(QPoint cell) {
    host_.openHueWindow(*this, cell);
}

void TChildForm::closeHueWindow() {
    host_.closeHueWindow();
}

// ---- loading ------------------------------------------------------------------------------

void TChildForm::LoadDocument(const QString& fileName) {
    auto loaded = std::make_unique<TIcon>();
    loaded->LoadFromFile(fileName);
    if (loaded->ImageCount() == 0) throw TError("The file holds no images.");
    session_->replaceDocument(std::move(loaded));
}

void TChildForm::adoptDocument(std::unique_ptr<TIcon> document) {
    if (!document || document->ImageCount() == 0) return;
    session_->replaceDocument(std::move(document));
    session_->setModified(true);
}

void TChildForm::DocumentLoaded(const QString& fileName) {
    setCaption(QFileInfo(fileName).fileName());
    FileName = fileName;
    updatePlayButton();
    FillImageList();
    host_.UpdateColors();
    FitZoom();
    session_->setModified(false);
}

// ---- saving ------------------------------------------------------------------------------

TSaveDialog& TChildForm::SaveDialog() {
    if (!saveDialog_) saveDialog_ = new TSaveDialog(this);
    return *saveDialog_;
}

PngPolicy TChildForm::pngPolicy() const {
    return saveDialog_ ? saveDialog_->pngPolicy() : PngPolicy::Auto;
}

// ---- the image list ---------------------------------------------------------------------

QString TChildForm::imageRowText(int width, int height, int bits) {
    switch (bits) {
        case 1:
            return QStringLiteral("%1 x %2, monochrome").arg(width).arg(height);
        case 4:
            return QStringLiteral("%1 x %2, 16 colors").arg(width).arg(height);
        case 8:
            return QStringLiteral("%1 x %2, 256 colors").arg(width).arg(height);
        default:
            return QStringLiteral("%1 x %2, %3 bits").arg(width).arg(height).arg(bits);
    }
}

QString TChildForm::imageRowText(int index) const {
    const TIcon& icon = Document();
    const QSize size = icon.imageSize(index);
    QString text = imageRowText(size.width(), size.height(), icon.imageBitCount(index));
    const std::optional<TAnimation>& animation = icon.Animation();
    if (!animation) return text;
    // A frame shows for the rate of the first step that shows it (rates count 1/60 s).
    const auto& steps = animation->steps;
    const auto step = std::find_if(steps.begin(), steps.end(),
                                   [index](const TAnimationStep& s) { return s.frame == index; });
    const QString timing =
        step == steps.end()
            ? QStringLiteral("not shown")
            : QStringLiteral("%1 ms").arg(std::llround(double(step->rate) * 1000.0 / 60.0));
    return text + QStringLiteral("\nFrame %1, %2").arg(index + 1).arg(timing);
}

QRect TChildForm::thumbnailBox(const QRect& row, QSize image) {
    // At most 32 x 32, centred in a 32 x 32 box at the row's left.
    const int w = std::min(32, image.width()), h = std::min(32, image.height());
    return {row.left() + 3 + (32 - w) / 2, row.top() + (row.height() - 32) / 2 + (32 - h) / 2, w,
            h};
}

void TChildForm::FillImageList() {
    const QSignalBlocker blocker(imageList_->selectionModel());
    imageModel_->reset();
    const QModelIndex current = imageModel_->index(Document().CurrentIndex(), 0);
    imageList_->selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect);
    imageList_->scrollTo(current);
    imageList_->viewport()->update();
}

void TChildForm::AddIcon() {
    TIconForm& form = host_.iconForm();
    if (host_.runDialog(form) != QDialog::Accepted) return;
    session_->addImage(form.ImageWidth(), form.ImageHeight(), form.SelectedBitCount);
}

bool TChildForm::ConvertImage1Click() {
    TIconForm& form = host_.iconForm();
    const QSize size = Document().GetSize();
    form.prepareForConvert(size.width(), size.height());
    if (host_.runDialog(form) != QDialog::Accepted) return false;
    session_->convertImage(form.ImageWidth(), form.ImageHeight(), form.SelectedBitCount,
                           form.Stretch(), form.Dither());
    return true;
}

int TChildForm::runPreview(QDialog& dialog, std::function<void()>& hook,
                           const std::function<void(TIcon&)>& effect) {
    session_->beginPreview();
    hook = [this, &effect] { session_->preview(effect); };
    int result = QDialog::Rejected;
    try {
        result = host_.runDialog(dialog);
    } catch (...) {
        hook = nullptr;
        session_->endPreview(false);
        throw;
    }
    hook = nullptr;
    session_->endPreview(result == QDialog::Accepted);
    return result;
}

void TChildForm::CopySelection() {
    const FloatingSelection* floating = session_->floating();
    if (!floating) return;
    if (floating->image->BitCount() == 32) {
        // Other programs take the pixels as a picture, alpha included.
        QGuiApplication::clipboard()->setImage(floating->image->imageToArgb(0));
    } else {
        floating->image->CopyToClipboard();
    }
}

ClipboardContent TChildForm::clipboardContent() {
    ClipboardContent content;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data) return content;
    const QString format = QString::fromLatin1(kClipboardMimeType);
    if (data->hasFormat(format)) {
        content.document = data->data(format);
    } else if (data->hasImage()) {
        content.image = qvariant_cast<QImage>(data->imageData());
    }
    return content;
}

// ---- views ------------------------------------------------------------------------------

void TChildForm::FitZoom() {
    zoomChosen_ = false;
    session_->view.zoom = fitZoom(windowBox1_->clientSize(), Document().GetSize());
    UpdateScrollRanges();
    invalidateViews();
}

void TChildForm::ZoomIn(std::optional<QPoint> anchor) {
    setZoom(zoomInStep(session_->view.zoom), anchor);
}

void TChildForm::ZoomOut(std::optional<QPoint> anchor) {
    setZoom(zoomOutStep(session_->view.zoom), anchor);
}

void TChildForm::setZoom(int zoom, std::optional<QPoint> anchor) {
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    zoomChosen_ = true;
    syncView();
    const int from = session_->view.zoom;
    const QPoint fromOrigin = session_->view.origin, scroll = session_->view.scroll;
    const QPoint at = anchor.value_or(QRect(QPoint(0, 0), windowBox1_->clientSize()).center());
    session_->view.zoom = zoom;
    UpdateScrollRanges();
    const QPoint toOrigin = gridOrigin(windowBox1_->clientSize(), Document().GetSize(), zoom);
    windowBox1_->setScrollPosition(
        scrollKeepingAnchor(at, scroll, fromOrigin, from, toOrigin, zoom));
    syncView();
    windowBox1_->viewport()->update();
}

void TChildForm::UpdateScrollRanges() {
    const QSize size = Document().GetSize();
    const int zoom = session_->view.zoom;
    const QSize editing = editingScrollRanges(windowBox1_->clientSize(), size, zoom);
    windowBox1_->setScrollRanges(editing.width(), editing.height());
    const QSize preview = previewScrollRanges(windowBox2_->clientSize(), size);
    windowBox2_->setScrollRanges(preview.width(), preview.height());
    syncView();
}

void TChildForm::syncView() {
    session_->view.origin =
        gridOrigin(windowBox1_->clientSize(), Document().GetSize(), session_->view.zoom);
    session_->view.scroll = windowBox1_->scrollPosition();
}

void TChildForm::invalidateViews() {
    windowBox1_->viewport()->update();
    windowBox2_->viewport()->update();
    // Only the current image's row can have changed.
    imageList_->update(imageModel_->index(Document().CurrentIndex(), 0));
}

void TChildForm::setViewCursor(const QCursor& cursor) {
    windowBox1_->viewport()->setCursor(cursor);
}

void TChildForm::updateMouseCursor(QPoint client) {
    const ToolMode mode = host_.tool();
    if (isFloatingMode(mode) && session_->floating()) {
        Qt::CursorShape shape = Qt::ArrowCursor;
        switch (session_->hitTestHandles(client)) {
            case 1:
            case 5:
                shape = Qt::SizeFDiagCursor;
                break;
            case 2:
            case 6:
                shape = Qt::SizeVerCursor;
                break;
            case 3:
            case 7:
                shape = Qt::SizeBDiagCursor;
                break;
            case 4:
            case 8:
                shape = Qt::SizeHorCursor;
                break;
            default:
                if (session_->selectionOnScreen().contains(client)) shape = Qt::SizeAllCursor;
                break;
        }
        windowBox1_->viewport()->setCursor(shape);
    }
    // The eraser's square follows the mouse, which it replaces over the image.
    if (mode == ToolMode::Erase)
        windowBox1_->viewport()->setCursor(session_->overImage(client) ? Qt::BlankCursor
                                                                       : Qt::ArrowCursor);
}

void TChildForm::paintEditingView(QPainter& dc) {
    syncView();
    const EditSession& s = *session_;
    EditingViewState state;
    state.image = &s.document();
    state.zoom = s.view.zoom;
    state.scroll = s.view.scroll;
    state.background = windowBox1_->palette().color(QPalette::Button);
    const ToolMode mode = host_.tool();
    // A floating selection shows as one whatever tool was chosen since.
    state.toolCode = s.floating() && !isFloatingMode(mode) ? toolCode(ToolMode::RectangleFloating)
                                                           : toolCode(mode);
    const std::optional<TRect> frame = s.selectionFrame();
    state.selectionActive = frame.has_value();
    if (frame) state.selectionRect = *frame;
    state.selectionImage = s.floating() ? s.floating()->image.get() : nullptr;
    state.lassoPoints = s.lassoPoints();
    state.selectionOutline = s.hueOutline().isNull() ? nullptr : &s.hueOutline();
    state.mouseCell = mouseCell_;
    state.brushColor = host_.BrushColor();
    state.caret = s.caret();
    state.hotSpot = s.document().hotSpot(s.document().CurrentIndex());
    const ViewOptions options = host_.viewOptions();
    state.grid = options.grid;
    state.transparency = options.transparency;
    tarvo::paintEditingView(dc, windowBox1_->clientSize(), state);
}

void TChildForm::updatePlayButton() {
    const std::optional<TAnimation>& animation = Document().Animation();
    const bool animated = animation && !animation->steps.empty();
    if (!animated) playButton_->setChecked(false);
    playButton_->setVisible(animated);
    if (playButton_->isChecked()) showStep(0);
}

void TChildForm::setPlaying(bool playing) {
    playButton_->setText(playing ? QStringLiteral("Pause") : QStringLiteral("Play"));
    playButton_->setIcon(
        style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    if (playing) {
        showStep(0);
    } else {
        animationTimer_->stop();
        playingStep_ = -1;
        playingFrame_ = QImage();
        windowBox2_->viewport()->update();
    }
}

std::optional<int> TChildForm::playingFrame() const {
    const std::optional<TAnimation>& animation = Document().Animation();
    if (playingStep_ < 0 || !animation || playingStep_ >= int(animation->steps.size()))
        return std::nullopt;
    return animation->steps[size_t(playingStep_)].frame;
}

void TChildForm::showStep(int step) {
    const std::optional<TAnimation>& animation = Document().Animation();
    if (!animation || animation->steps.empty()) {
        playButton_->setChecked(false);
        return;
    }
    const auto& steps = animation->steps;
    playingStep_ = step % int(steps.size());
    const TAnimationStep& shown = steps[size_t(playingStep_)];
    playingFrame_ = shown.frame >= 0 && shown.frame < Document().ImageCount()
                        ? Document().imageToArgb(shown.frame)
                        : QImage();
    // Rates count sixtieths of a second; a rate of 0 still lets the event loop breathe.
    animationTimer_->start(std::max(10, int(std::llround(shown.rate * 1000.0 / 60.0))));
    windowBox2_->viewport()->update();
}

void TChildForm::paintPreview(QPainter& dc) {
    const EditSession& s = *session_;
    PreviewState state;
    state.image = &s.document();
    if (!playingFrame_.isNull()) state.frame = &playingFrame_;
    state.scroll = windowBox2_->scrollPosition();
    state.background = windowBox2_->palette().color(QPalette::Button);
    state.selectionActive = s.floating() != nullptr;
    if (s.floating()) {
        state.selectionRect = s.floating()->rect;
        state.selectionImage = s.floating()->image.get();
    }
    tarvo::paintPreview(dc, windowBox2_->clientSize(), state);
}

// ---- window events ------------------------------------------------------------------------

void TChildForm::FormActivate() {
    host_.UpdateColors();
}

void TChildForm::FormDeactivate() {
    session_->finishEditing();
}

bool TChildForm::FormKeyDown(QKeyEvent& event) {
    using Key = EditSession::Key;
    Key key = Key::Other;
    switch (event.key()) {
        case Qt::Key_Left:
            key = Key::Left;
            break;
        case Qt::Key_Right:
            key = Key::Right;
            break;
        case Qt::Key_Up:
            key = Key::Up;
            break;
        case Qt::Key_Down:
            key = Key::Down;
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            key = Key::Enter;
            break;
        case Qt::Key_Escape:
            key = Key::Escape;
            break;
        case Qt::Key_Backspace:
            key = Key::Backspace;
            break;
        default:
            break;
    }
    if (event.modifiers() & Qt::KeypadModifier) {
        // Keypad plus and minus zoom whatever the tool.
        if (event.key() == Qt::Key_Plus) {
            ZoomIn();
            return true;
        }
        if (event.key() == Qt::Key_Minus) {
            ZoomOut();
            return true;
        }
    }
    return session_->keyDown(key, event.modifiers() & Qt::ShiftModifier, event.text());
}

void TChildForm::resizeEvent(QResizeEvent* event) {
    QMdiSubWindow::resizeEvent(event);
    const bool maximized = isMaximized();
    if (maximizeWritten_ != maximized) {
        host_.setChildMaximize(maximized);
        maximizeWritten_ = maximized;
    }
    if (QWidget* client = widget()) {
        // The list keeps its width; the editing view takes four fifths of the rest.
        const int list = std::min(kListWidth, client->width() / 3);
        const int rest = std::max(0, client->width() - list - 2 * splitter_->handleWidth());
        const int left = static_cast<int>(std::lround(rest * 0.8));
        splitter_->setSizes({list, left, rest - left});
    }
}

void TChildForm::closeEvent(QCloseEvent* event) {
    // Typed text and a floating selection are part of what the prompt is about.
    session_->finishEditing();
    if (Modified()) {
        if (QMdiArea* area = mdiArea()) area->setActiveSubWindow(this);
        const QString caption = this->caption();
        switch (askToSave(QStringLiteral("Save changes to %1?").arg(caption), caption)) {
            case QMessageBox::Yes:
                // A save that did not happen keeps the window and its changes.
                if (!host_.SaveDocument(*this)) {
                    event->ignore();
                    return;
                }
                break;
            case QMessageBox::No:
                break;
            default:
                event->ignore();
                return;
        }
    }
    host_.AddToRecent(FileName);
    QMdiSubWindow::closeEvent(event);
}

}  // namespace tarvo
