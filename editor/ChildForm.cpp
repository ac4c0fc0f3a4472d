#include "editor/ChildForm.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListView>
#include <QMdiArea>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QSplitter>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <cmath>

#include "core/Icon.h"
#include "core/IconFormat.h"
#include "core/PixelFormats.h"
#include "dialogs/IconForm.h"
#include "editor/EditorHost.h"
#include "editor/HueSelection.h"
#include "editor/SelectionShapes.h"
#include "editor/WindowBox.h"
#include "effects/Convert.h"
#include "raster/Errors.h"

namespace tarvo {

namespace {

constexpr int kRowHeight = 36;
constexpr int kTextLeft = 36;

// Tool codes of the selection tools while a selection exists, and what they return to.
int selectionFallback(int code) {
    switch (code) {
        case 8:
            return 7;
        case 15:
            return 13;
        case 18:
            return 17;
        case 20:
            return 19;
        default:
            return code;
    }
}

int widestThumbnail(const TIcon& icon) {
    int widest = 0;
    for (int i = 0; i < icon.ImageCount(); ++i)
        widest = std::max(widest, icon.imageSize(i).width());
    return std::min(32, widest);
}

// One row of the image list: the image's thumbnail and its text.
void paintImageRow(QPainter& p, const QRect& row, const TIcon& icon, int index, const QString& text,
                   const QPalette& palette, bool selected) {
    p.fillRect(row, selected ? palette.highlight() : palette.base());
    if (index < 0 || index >= icon.ImageCount()) return;
    p.save();
    p.setClipRect(row);
    p.setPen(selected ? palette.highlightedText().color() : palette.text().color());
    const int textHeight = p.fontMetrics().height();
    p.drawText(QPoint(row.left() + kTextLeft,
                      row.top() + kRowHeight / 2 - textHeight / 2 + p.fontMetrics().ascent()),
               text);
    const QRect box = TChildForm::thumbnailBox(row, icon.imageSize(index), widestThumbnail(icon));
    p.drawImage(box, icon.imageToArgb(index));
    p.restore();
}

class ImageListDelegate : public QStyledItemDelegate {
  public:
    ImageListDelegate(const TChildForm& form, QObject* parent)
        : QStyledItemDelegate(parent), form_(form) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        paintImageRow(*p, option.rect, form_.Document(), index.row(), index.data().toString(),
                      option.palette, option.state & QStyle::State_Selected);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const int text = option.fontMetrics.horizontalAdvance(index.data().toString());
        return {text + 40 + kTextLeft, kRowHeight};
    }

  private:
    const TChildForm& form_;
};

// The closed list shows the current row the way the open list draws it.
class ImageCombo : public QComboBox {
  public:
    ImageCombo(const TChildForm& form, QWidget* parent) : QComboBox(parent), form_(form) {}

  protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter p(this);
        QStyleOptionComboBox option;
        initStyleOption(&option);
        option.currentText.clear();
        p.drawComplexControl(QStyle::CC_ComboBox, option);
        const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                    QStyle::SC_ComboBoxEditField, this);
        QRect row(field.left(), field.center().y() - kRowHeight / 2 + 1, field.width(), kRowHeight);
        p.setClipRect(field);
        paintImageRow(p, row, form_.Document(), currentIndex(), currentText(), palette(), false);
    }
    QSize sizeHint() const override {
        const QSize base = QComboBox::sizeHint();
        return {std::max(base.width(), 190), std::max(base.height(), kRowHeight + 4)};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

  private:
    const TChildForm& form_;
};

}  // namespace

TChildForm::TChildForm(TEditorHost& host, int width, int height, int bits, QWidget* parent)
    : QMdiSubWindow(parent), host_(host), document_(std::make_unique<TIcon>()) {
    setAttribute(Qt::WA_DeleteOnClose);
    document_->AddImage(width, height, bits);
    UndoLists.resize(1);
    RedoLists.resize(1);
    buildWidgets();
    setWindowTitle(QStringLiteral("Icon1"));
    resize(783, 540);
    FillImageList();
    FitZoom();
    host_.setUndoEnabled(false);
    askToSave = [this](const QString& text, const QString& title) {
        return QMessageBox::question(this, title, text,
                                     QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                     QMessageBox::Yes);
    };
}

TChildForm::~TChildForm() = default;

void TChildForm::buildWidgets() {
    auto* client = new QWidget(this);
    auto* panel = new QWidget(client);
    panel->setFixedHeight(kRowHeight + 10);
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(8, 3, 8, 3);
    auto* combo = new ImageCombo(*this, panel);
    imageList_ = combo;
    imageList_->setItemDelegate(new ImageListDelegate(*this, imageList_));
    imageList_->setFocusPolicy(Qt::NoFocus);
    panelLayout->addWidget(imageList_);
    panelLayout->addStretch(1);
    connect(imageList_, &QComboBox::activated, this, [this](int index) { selectImage(index); });

    splitter_ = new QSplitter(Qt::Horizontal, client);
    windowBox1_ = new TWindowBox(splitter_);
    windowBox2_ = new TWindowBox(splitter_);
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(windowBox1_);
    splitter_->addWidget(windowBox2_);
    windowBox1_->viewport()->setCursor(host_.toolCursor());

    windowBox1_->onPaint = [this](QPainter& dc, const QRect&) { paintEditingView(dc); };
    windowBox1_->onResize = [this] { FitZoom(); };
    windowBox1_->onMouseDown = [this](QMouseEvent& e) { WindowBox1MouseDown(e); };
    windowBox1_->onMouseMove = [this](QMouseEvent& e) { WindowBox1MouseMove(e); };
    windowBox1_->onMouseUp = [this](QMouseEvent& e) { WindowBox1MouseUp(e); };
    windowBox2_->onPaint = [this](QPainter& dc, const QRect&) { paintPreview(dc); };
    windowBox2_->onResize = [this] { UpdateScrollRanges(); };

    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panel);
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

// ---- loading ------------------------------------------------------------------------------

void TChildForm::replaceDocument(std::unique_ptr<TIcon> document) {
    document_ = std::move(document);
    // Every image gets its own empty history at once, so the lists match the images even
    // before the window is set up for the new document.
    const size_t n = static_cast<size_t>(document_->ImageCount());
    UndoLists.clear();
    RedoLists.clear();
    UndoLists.resize(n);
    RedoLists.resize(n);
    SelectionImage.reset();
    SelectionActive = false;
    LassoPoints.clear();
    SelectionOutline = QImage();
    SnapshotBuffer.clear();
}

void TChildForm::LoadDocument(const QString& fileName) {
    auto loaded = std::make_unique<TIcon>();
    loaded->LoadFromFile(fileName);
    if (loaded->ImageCount() == 0) throw TError("The file holds no images.");
    replaceDocument(std::move(loaded));
}

void TChildForm::adoptDocument(std::unique_ptr<TIcon> document) {
    if (!document || document->ImageCount() == 0) return;
    replaceDocument(std::move(document));
    FillImageList();
    host_.UpdateColors();
    host_.setDeleteIconEnabled(document_->ImageCount() > 1);
    FitZoom();
    Modified = true;
}

void TChildForm::DocumentLoaded(const QString& fileName) {
    setWindowTitle(QFileInfo(fileName).fileName());
    FileName = fileName;
    FillImageList();
    host_.UpdateColors();
    host_.setDeleteIconEnabled(document_->ImageCount() > 1);
    FitZoom();
    Modified = false;
}

// ---- saving ------------------------------------------------------------------------------

namespace {
const char* const kSaveTypes[] = {"ico", "cur", "ani", "bmp", "jpg", "gif", "png"};
}  // namespace

QFileDialog& TChildForm::SaveDialog() {
    if (!saveDialog_) {
        saveDialog_ = new QFileDialog(this, QStringLiteral("Save As"));
        saveDialog_->setAcceptMode(QFileDialog::AcceptSave);
        saveDialog_->setFileMode(QFileDialog::AnyFile);
        saveDialog_->setOption(QFileDialog::DontUseNativeDialog);
        saveDialog_->setNameFilters(
            {QStringLiteral("Icon Files (*.ico)"), QStringLiteral("Cursor Files (*.cur)"),
             QStringLiteral("ANI Files (*.ani)"), QStringLiteral("Bitmap Files (*.bmp)"),
             QStringLiteral("JPEG Files (*.jpg)"), QStringLiteral("GIF Files (*.gif)"),
             QStringLiteral("PNG Files (*.png)")});
        saveDialog_->setDefaultSuffix(QStringLiteral("ico"));
        connect(saveDialog_, &QFileDialog::filterSelected, this, [this](const QString& filter) {
            SaveDialogTypeChange(int(saveDialog_->nameFilters().indexOf(filter)));
        });
    }
    return *saveDialog_;
}

void TChildForm::SaveDialogTypeChange(int typeIndex) {
    if (typeIndex < 0 || typeIndex >= int(std::size(kSaveTypes))) return;
    QFileDialog& dialog = SaveDialog();
    dialog.setDefaultSuffix(QString::fromLatin1(kSaveTypes[typeIndex]));
    const QString filter = dialog.nameFilters().value(typeIndex);
    if (dialog.selectedNameFilter() != filter) dialog.selectNameFilter(filter);
}

// ---- the image list ---------------------------------------------------------------------

QString TChildForm::imageRowText(int width, int height, int bits) {
    switch (bits) {
        case 1:
            return QStringLiteral("%1 x %2 monochrome").arg(width).arg(height);
        case 4:
            return QStringLiteral("%1 x %2 16 colors").arg(width).arg(height);
        case 8:
            return QStringLiteral("%1 x %2 256 colors").arg(width).arg(height);
        default:
            return QStringLiteral("%1 x %2 %3 bits colors").arg(width).arg(height).arg(bits);
    }
}

QRect TChildForm::thumbnailBox(const QRect& row, QSize image, int widestThumbnail) {
    const int w = std::min(32, image.width()), h = std::min(32, image.height());
    const int left = (widestThumbnail - w) / 2 + 2;
    const int top = row.top() + 2 + (32 - h) / 2;
    return {row.left() + left, top, w, h};
}

void TChildForm::FillImageList() {
    const QSignalBlocker blocker(imageList_);
    imageList_->clear();
    const TIcon& icon = *document_;
    int widest = 0;
    for (int i = 0; i < icon.ImageCount(); ++i) {
        const QSize size = icon.imageSize(i);
        const QString text = imageRowText(size.width(), size.height(), icon.imageBitCount(i));
        imageList_->addItem(text);
        widest = std::max(widest, imageList_->fontMetrics().horizontalAdvance(text));
    }
    imageList_->view()->setMinimumWidth(std::max(imageList_->width(), kTextLeft + widest + 40));
    imageList_->setCurrentIndex(icon.CurrentIndex());
    imageList_->update();
}

void TChildForm::selectImage(int index) {
    if (index < 0 || index >= document_->ImageCount()) return;
    FinishEditing();
    document_->SelectImage(index);
    {
        const QSignalBlocker blocker(imageList_);
        imageList_->setCurrentIndex(index);
    }
    updateHistoryActions();
    invalidateViews();
    host_.repaintColorPanel();
    host_.UpdateColors();
    FitZoom();
}

void TChildForm::AddIcon() {
    TIconForm& form = host_.iconForm();
    if (host_.runDialog(form) != QDialog::Accepted) return;
    addImage(form.ImageWidth(), form.ImageHeight(), form.SelectedBitCount);
}

void TChildForm::addImage(int width, int height, int bits) {
    FinishEditing();
    document_->AddImage(width, height, bits);
    host_.setUndoEnabled(false);
    host_.setRedoEnabled(false);
    UndoLists.emplace_back();
    RedoLists.emplace_back();
    FillImageList();
    FitZoom();
    host_.UpdateColors();
    host_.setDeleteIconEnabled(true);
    invalidateViews();
    Modified = true;
}

void TChildForm::DeleteIcon() {
    if (document_->ImageCount() < 2) return;
    FinishEditing();
    const int i = document_->CurrentIndex();
    document_->DeleteImage();
    UndoLists.erase(UndoLists.begin() + i);
    RedoLists.erase(RedoLists.begin() + i);
    FillImageList();
    FitZoom();
    host_.UpdateColors();
    host_.setDeleteIconEnabled(document_->ImageCount() > 1);
    FormActivate();
    invalidateViews();
    Modified = true;
}

// ---- views ------------------------------------------------------------------------------

void TChildForm::FitZoom() {
    Zoom = fitZoom(windowBox1_->clientSize(), document_->GetSize());
    UpdateScrollRanges();
    invalidateViews();
}

void TChildForm::ZoomIn() {
    ++Zoom;
    UpdateScrollRanges();
    windowBox1_->viewport()->update();
}

void TChildForm::ZoomOut() {
    if (Zoom <= kMinZoom) return;
    --Zoom;
    UpdateScrollRanges();
    windowBox1_->viewport()->update();
}

void TChildForm::UpdateScrollRanges() {
    const QSize size = document_->GetSize();
    const QSize editing = editingScrollRanges(windowBox1_->clientSize(), size, Zoom);
    windowBox1_->setScrollRanges(editing.width(), editing.height());
    const QSize preview = previewScrollRanges(windowBox2_->clientSize(), size);
    windowBox2_->setScrollRanges(preview.width(), preview.height());
    GridOrigin = gridOrigin(windowBox1_->clientSize(), size, Zoom);
}

void TChildForm::invalidateViews() {
    windowBox1_->viewport()->update();
    windowBox2_->viewport()->update();
    imageList_->update();
}

void TChildForm::setViewCursor(const QCursor& cursor) {
    windowBox1_->viewport()->setCursor(cursor);
}

void TChildForm::paintEditingView(QPainter& dc) {
    const QSize client = windowBox1_->clientSize();
    GridOrigin = gridOrigin(client, document_->GetSize(), Zoom);
    EditingViewState state;
    state.image = document_.get();
    state.zoom = Zoom;
    state.scroll = windowBox1_->scrollPosition();
    state.background = windowBox1_->palette().color(QPalette::Button);
    state.toolCode = host_.ToolCode();
    state.selectionActive = SelectionActive;
    state.selectionRect = SelectionRect;
    state.selectionImage = SelectionImage.get();
    state.lassoPoints = LassoPoints;
    state.selectionOutline = SelectionOutline.isNull() ? nullptr : &SelectionOutline;
    state.mouseCell = mouseCell_;
    state.brushColor = host_.BrushColor();
    if (caretShown_ && host_.ToolCode() == 11) {
        const QPoint p = GridOrigin - windowBox1_->scrollPosition();
        const int th = document_->TextExtent(QStringLiteral("0")).height();
        const int width = TextBuffer.isEmpty() ? 0 : document_->TextExtent(TextBuffer).width();
        state.caret = QRect(p.x() + (TextPosition.x() + width) * Zoom - 1,
                            p.y() + TextPosition.y() * Zoom, 3, Zoom * th);
    }
    tarvo::paintEditingView(dc, client, state);
}

void TChildForm::paintPreview(QPainter& dc) {
    PreviewState state;
    state.image = document_.get();
    state.scroll = windowBox2_->scrollPosition();
    state.background = windowBox2_->palette().color(QPalette::Button);
    state.selectionActive = SelectionActive;
    state.selectionRect = SelectionRect;
    state.selectionImage = SelectionImage.get();
    tarvo::paintPreview(dc, windowBox2_->clientSize(), state);
}

// ---- mouse tools ----------------------------------------------------------------------------

QPoint TChildForm::cellOf(const QMouseEvent& event) const {
    return cellAt(event.position().toPoint(), GridOrigin, windowBox1_->scrollPosition(), Zoom);
}

bool TChildForm::overImage(const QMouseEvent& event) const {
    const QSize size = document_->GetSize();
    const QRect area(GridOrigin - windowBox1_->scrollPosition(), size * Zoom);
    return area.contains(event.position().toPoint());
}

void TChildForm::repaintViewsNow() {
    windowBox1_->viewport()->update();
    windowBox2_->viewport()->update();
}

void TChildForm::WindowBox1MouseDown(QMouseEvent& event) {
    const int code = host_.ToolCode();
    TIcon& icon = *document_;
    const bool argb = icon.BitCount() == 32;
    if (Drawing && code < 6) {
        // A second button cancels the drag; its undo step stays in the history.
        if (argb && icon.strokeActive()) icon.EndStroke();
        RestoreSnapshot();
        Drawing = false;
        invalidateViews();
        return;
    }
    const QPoint cell = cellOf(event);
    AnchorCell = cell;
    if (code == 8 || code == 15 || code == 18 || code == 20) {
        // Outside the floating selection a click stamps it and starts nothing else.
        if (!selectionOnScreen().contains(event.position().toPoint())) {
            DropSelection();
            return;
        }
        SavedSelectionRect = SelectionRect;
        GrabHandle = HitTestHandles(event.position().toPoint());
        Drawing = true;
        return;
    }
    if (code == 13 || code == 14) {
        lassoMouseDown(cell, event.button());
        return;
    }
    if (code == 10 || code == 11) {
        placeText(cell);
        return;
    }
    if (code == 19) {
        if (hueSelection) hueSelection(cell);
        return;
    }
    if (code == 7 || code == 17) {
        SaveSnapshot();
        SelectionActive = true;
        selectionDragged_ = false;
        Drawing = true;
        return;
    }
    Drawing = true;
    const uint32_t c = event.button() == Qt::LeftButton ? host_.PenColor() : host_.BrushColor();
    switch (code) {
        case 0:
            if (!overImage(event)) {
                Drawing = false;
                return;
            }
            SaveUndo();
            SaveSnapshot();
            if (argb) icon.BeginStroke();
            icon.SetPixelValue(cell.x(), cell.y(), c);
            icon.MoveTo(cell.x(), cell.y());
            invalidateViews();
            break;
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
            SaveUndo();
            SaveSnapshot();
            break;
        case 9:
            if (QRect(QPoint(0, 0), icon.GetSize()).contains(cell)) {
                const uint32_t v = icon.GetPixelValue(cell.x(), cell.y());
                if (event.button() == Qt::LeftButton) {
                    host_.SetPenColor(v);
                } else {
                    host_.SetBrushColor(v);
                }
                if (argb) host_.setAlphaPercent(static_cast<int>(qAlpha(v) * 100 / 255));
                host_.repaintColorPanel();
            }
            break;
        case 12:
            SaveUndo();
            icon.FloodFill(cell.x(), cell.y(), c);
            invalidateViews();
            break;
        case 16:
            SaveUndo();
            icon.SmoothPixel(cell.x(), cell.y(), host_.blurSize());
            invalidateViews();
            break;
        case 21: {
            if (overImage(event)) windowBox1_->viewport()->setCursor(Qt::BlankCursor);
            SaveUndo();
            SaveSnapshot();
            const uint32_t brush = host_.BrushColor();
            icon.FilledRectangle(cell.x() - 1, cell.y() - 1, cell.x(), cell.y(), brush, brush);
            invalidateViews();
            break;
        }
        default:
            // Selections and text arrive with their own tools.
            Drawing = false;
            break;
    }
}

void TChildForm::drawShape(int code, QPoint cell, Qt::MouseButtons buttons) {
    TIcon& icon = *document_;
    RestoreSnapshot();
    const QPoint a = AnchorCell;
    const int l = std::min(a.x(), cell.x()), t = std::min(a.y(), cell.y());
    const int r = std::max(a.x(), cell.x()), b = std::max(a.y(), cell.y());
    const bool left = buttons & Qt::LeftButton;
    const uint32_t c = left ? host_.PenColor() : host_.BrushColor();
    const uint32_t other = left ? host_.BrushColor() : host_.PenColor();
    switch (code) {
        case 1:
            icon.MoveTo(a.x(), a.y());
            icon.LineTo(cell.x(), cell.y(), c);
            break;
        case 2:
            icon.Rectangle(l, t, r, b, c);
            break;
        case 3:
            icon.FilledRectangle(l, t, r, b, c, other);
            break;
        case 4:
            icon.Ellipse(l, t, r, b, c);
            break;
        case 5:
            icon.FilledEllipse(l, t, r, b, c, other);
            break;
        default:
            break;
    }
}

void TChildForm::WindowBox1MouseMove(QMouseEvent& event) {
    const QPoint cell = cellOf(event);
    host_.setStatusText(1, cellStatusText(cell));
    const bool moved = mouseCell_ != cell;
    mouseCell_ = cell;
    const int code = host_.ToolCode();
    if (Drawing) {
        TIcon& icon = *document_;
        const uint32_t c = event.buttons() & Qt::LeftButton ? host_.PenColor() : host_.BrushColor();
        switch (code) {
            case 0:
                AnchorCell = cell;
                icon.LineTo(cell.x(), cell.y(), c);
                break;
            case 1:
            case 2:
            case 3:
            case 4:
            case 5:
                drawShape(code, cell, event.buttons());
                break;
            case 16:
                icon.SmoothPixel(cell.x(), cell.y(), host_.blurSize());
                break;
            case 21: {
                const uint32_t brush = host_.BrushColor();
                icon.FilledRectangle(cell.x() - 1, cell.y() - 1, cell.x(), cell.y(), brush, brush);
                break;
            }
            case 7:
            case 17: {
                // Both end cells included, kept inside the image.
                const QSize size = icon.GetSize();
                const QPoint a = AnchorCell;
                TRect r{std::min(a.x(), cell.x()), std::min(a.y(), cell.y()),
                        std::max(a.x(), cell.x()) + 1, std::max(a.y(), cell.y()) + 1};
                r.left = std::max(r.left, 0);
                r.top = std::max(r.top, 0);
                r.right = std::min(r.right, size.width());
                r.bottom = std::min(r.bottom, size.height());
                selectionDragged_ = true;
                SetSelectionRect(r);
                break;
            }
            case 8:
            case 15:
            case 18:
            case 20: {
                const int dx = cell.x() - AnchorCell.x(), dy = cell.y() - AnchorCell.y();
                const TRect& saved = SavedSelectionRect;
                TRect r = SelectionRect;
                const int h = GrabHandle;
                if (h == 1 || h == 7 || h == 8) r.left = std::min(saved.left + dx, r.right - 1);
                if (h == 1 || h == 2 || h == 3) r.top = std::min(saved.top + dy, r.bottom - 1);
                if (h == 3 || h == 4 || h == 5) r.right = std::max(saved.right + dx, r.left + 1);
                if (h == 5 || h == 6 || h == 7) r.bottom = std::max(saved.bottom + dy, r.top + 1);
                if (h == 0) {
                    r = r.translated(dx, dy);
                    AnchorCell = cell;
                }
                SetSelectionRect(r);
                break;
            }
            default:
                break;
        }
        repaintViewsNow();
        if (code >= 2 && code <= 5)
            host_.setStatusText(3, QStringLiteral("[%1, %2]")
                                       .arg(std::abs(cell.x() - AnchorCell.x()) + 1)
                                       .arg(std::abs(cell.y() - AnchorCell.y()) + 1));
    }
    if (code == 14 && !LassoPoints.empty()) {
        // The last point is the rubber band that follows the mouse, button or not.
        LassoPoints.back() = cell;
        windowBox1_->viewport()->update();
    }
    if (code == 8 || code == 15 || code == 18 || code == 20) {
        const QPoint at = event.position().toPoint();
        Qt::CursorShape shape = Qt::ArrowCursor;
        switch (HitTestHandles(at)) {
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
                if (selectionOnScreen().contains(at)) shape = Qt::SizeAllCursor;
                break;
        }
        windowBox1_->viewport()->setCursor(shape);
    }
    // The eraser's square follows the mouse, which it replaces over the image.
    if (code == 21) {
        windowBox1_->viewport()->setCursor(overImage(event) ? Qt::BlankCursor : Qt::ArrowCursor);
        if (moved) windowBox1_->viewport()->update();
    }
}

void TChildForm::WindowBox1MouseUp(QMouseEvent&) {
    if (!Drawing) return;
    Drawing = false;
    const int code = host_.ToolCode();
    if (code == 7 || code == 17 || code == 8 || code == 15 || code == 18 || code == 20) {
        selectionMouseUp(code);
        return;
    }
    TIcon& icon = *document_;
    if (icon.BitCount() == 32) {
        if (icon.strokeActive()) icon.EndStroke();
    } else {
        icon.StoreImage();
        icon.SelectImage(icon.CurrentIndex());
    }
    invalidateViews();
}

// ---- history ----------------------------------------------------------------------------

bool TChildForm::canUndo() const {
    const int i = document_->CurrentIndex();
    return i >= 0 && size_t(i) < UndoLists.size() && !UndoLists[size_t(i)].empty();
}

bool TChildForm::canRedo() const {
    const int i = document_->CurrentIndex();
    return i >= 0 && size_t(i) < RedoLists.size() && !RedoLists[size_t(i)].empty();
}

void TChildForm::updateHistoryActions() {
    host_.setUndoEnabled(canUndo());
    host_.setRedoEnabled(canRedo());
}

void TChildForm::SaveUndo() {
    const size_t i = size_t(document_->CurrentIndex());
    RedoLists[i].clear();
    auto e = std::make_unique<TUndo>();
    if (SelectionImage) {
        e->SelRect = SavedSelectionRect;
        auto copy =
            SelectionImage->ExtractRect(QRect(QPoint(0, 0), SelectionImage->GetSize()), false);
        e->SetSelection(std::move(SelectionImage));
        SelectionImage = std::move(copy);
    }
    e->SetData(document_->CurrentImageData());
    UndoLists[i].push(std::move(e));
    host_.setUndoEnabled(true);
    host_.setRedoEnabled(false);
    Modified = true;
}

void TChildForm::ensureFormat(const std::vector<uint8_t>& data) {
    const BitmapHeader h = readBitmapHeader(data.data());
    const QSize size(h.width, h.height / 2);
    if (size == document_->GetSize() && h.bitCount == document_->BitCount()) return;
    document_->ChangeFormat(size.width(), size.height(), h.bitCount);
    FillImageList();
    FitZoom();
    host_.UpdateColors();
}

void TChildForm::Undo() {
    if (!canUndo()) return;
    const size_t i = size_t(document_->CurrentIndex());
    TUndoStack& undo = UndoLists[i];
    auto r = std::make_unique<TUndo>();
    r->SetData(document_->CurrentImageData());
    TUndo& e = undo.top();
    ensureFormat(e.Data());
    document_->SetCurrentImageData(e.Data());
    // The redo entry keeps whatever selection floats now, so redo can bring it back.
    if (SelectionImage) {
        r->SelRect = SelectionRect;
        r->SetSelection(std::move(SelectionImage));
    }
    if (e.Selection) {
        SetSelectionRect(e.SelRect);
        SavedSelectionRect = SelectionRect;
    }
    if (e.SelRect.isEmpty() || !e.Selection) {
        SelectionImage.reset();
        SelectionActive = false;
        SaveSnapshot();
        if (host_.ToolCode() == 8) host_.SetTool(7);
    } else {
        SelectionImage = std::move(e.Selection);
        SelectionActive = true;
        host_.SetTool(8);
    }
    RedoLists[i].push(std::move(r));
    undo.pop();
    invalidateViews();
    updateHistoryActions();
    host_.repaintColorPanel();
}

void TChildForm::Redo() {
    if (!canRedo()) return;
    const size_t i = size_t(document_->CurrentIndex());
    TUndoStack& redo = RedoLists[i];
    TUndo& e = redo.top();
    auto u = std::make_unique<TUndo>();
    if (SelectionActive) {
        SavedSelectionRect = SelectionRect;
        if (SelectionImage) {
            u->SelRect = SavedSelectionRect;
            u->SetSelection(std::move(SelectionImage));
        }
        host_.SetTool(7);
    }
    SelectionActive = !e.SelRect.isEmpty() && e.Selection;
    if (SelectionActive) {
        SetSelectionRect(e.SelRect);
        SelectionImage = std::move(e.Selection);
        host_.SetTool(8);
    } else {
        SelectionImage.reset();
        if (host_.ToolCode() == 8) host_.SetTool(7);
    }
    u->SetData(document_->CurrentImageData());
    ensureFormat(e.Data());
    document_->SetCurrentImageData(e.Data());
    SaveSnapshot();
    UndoLists[i].push(std::move(u));
    redo.pop();
    invalidateViews();
    updateHistoryActions();
    host_.repaintColorPanel();
}

// ---- selection bookkeeping ----------------------------------------------------------------

void TChildForm::SaveSnapshot() {
    const auto data = document_->CurrentImageData();
    SnapshotBuffer.assign(data.begin(), data.end());
}

void TChildForm::RestoreSnapshot() {
    if (SnapshotBuffer.empty()) return;
    document_->SetCurrentImageData(SnapshotBuffer);
}

void TChildForm::SetSelectionRect(const TRect& rect) {
    SelectionRect = rect;
    host_.setStatusText(3, QStringLiteral("[%1, %2]").arg(rect.width()).arg(rect.height()));
}

void TChildForm::DropSelection() {
    if (!SelectionImage) return;
    SaveUndo();
    document_->PasteIcon(*SelectionImage, SelectionRect.toQRect());
    SelectionImage.reset();
    host_.SetTool(selectionFallback(host_.ToolCode()));
    host_.setStatusText(3, QString());
    SelectionActive = false;
    invalidateViews();
}

void TChildForm::FinishEditing() {
    DropSelection();
    if (!TextBuffer.isEmpty()) {
        CommitText();
        TextBuffer.clear();
        host_.SetTool(10);
    }
    if (caretShown_) {
        caretShown_ = false;
        windowBox1_->viewport()->update();
    }
    if (host_.ToolCode() == 14) host_.SetTool(13);
    LassoPoints.clear();
    if (closeHueWindow) closeHueWindow();
    SelectionOutline = QImage();
}

void TChildForm::DeleteSelection() {
    if (!SelectionImage) return;
    SavedSelectionRect = SelectionRect;
    SaveUndo();
    Modified = true;
    SelectionImage.reset();
    host_.SetTool(selectionFallback(host_.ToolCode()));
    SelectionActive = false;
    invalidateViews();
}

void TChildForm::CopySelection() {
    if (!SelectionImage) return;
    if (SelectionImage->BitCount() == 32) {
        // Other programs take the pixels as a picture, alpha included.
        QGuiApplication::clipboard()->setImage(SelectionImage->imageToArgb(0));
    } else {
        SelectionImage->CopyToClipboard();
    }
}

QRect TChildForm::selectionOnScreen() const {
    const QPoint p = GridOrigin - windowBox1_->scrollPosition();
    const TRect& r = SelectionRect;
    return {p.x() + r.left * Zoom, p.y() + r.top * Zoom, r.width() * Zoom, r.height() * Zoom};
}

int TChildForm::HitTestHandles(QPoint client) const {
    const QRect r = selectionOnScreen();
    const int z = Zoom;
    const int right = r.x() + r.width(), bottom = r.y() + r.height();
    const int mx = (r.x() + right - z) / 2, my = (r.y() + bottom - z) / 2;
    const QPoint corners[8] = {
        {r.x(), r.y()},          {mx, r.y()},      {right - z, r.y()},  {right - z, my},
        {right - z, bottom - z}, {mx, bottom - z}, {r.x(), bottom - z}, {r.x(), my}};
    for (int i = 0; i < 8; ++i)
        if (QRect(corners[i], QSize(z, z)).contains(client)) return i + 1;
    return 0;
}

void TChildForm::floatSelection(std::unique_ptr<TIcon> image, const TRect& rect, int code) {
    SelectionImage = std::move(image);
    SetSelectionRect(rect);
    SavedSelectionRect = rect;
    SelectionActive = true;
    host_.SetTool(code);
    invalidateViews();
}

void TChildForm::selectionMouseUp(int code) {
    TIcon& icon = *document_;
    if (code == 7 || code == 17) {
        // A click without a drag makes no selection.
        const TRect r = SelectionRect;
        if (!selectionDragged_ || r.isEmpty()) {
            SelectionActive = false;
            invalidateViews();
            return;
        }
        if (code == 7) {
            floatSelection(icon.ExtractRect(r.toQRect(), true), r, 8);
        } else {
            auto floating = icon.ExtractRect(r.toQRect(), false);
            icon.EraseEllipse(r.toQRect());
            floating->EraseMasked(ellipseOutside(floating->GetSize(), floating->BitCount() == 32));
            floatSelection(std::move(floating), r, 18);
        }
        return;
    }
    // The end of a move or resize: one step that puts the selection back where it was.
    SaveUndo();
    SavedSelectionRect = SelectionRect;
    invalidateViews();
}

void TChildForm::lassoMouseDown(QPoint cell, Qt::MouseButton button) {
    if (host_.ToolCode() == 13) {
        LassoPoints = {cell, cell};
        host_.SetTool(14);
    } else if (button == Qt::RightButton) {
        if (LassoPoints.size() <= 2) {
            LassoPoints.clear();
            host_.SetTool(13);
        } else {
            LassoPoints.pop_back();
        }
    } else {
        LassoPoints.push_back(cell);
        if (cell == LassoPoints.front() && LassoPoints.size() > 3) closeLasso();
    }
    windowBox1_->viewport()->update();
}

void TChildForm::closeLasso() {
    TIcon& icon = *document_;
    SaveSnapshot();
    const QSize size = icon.GetSize();
    int minX = INT_MAX, minY = INT_MAX, maxX = INT_MIN, maxY = INT_MIN;
    for (const QPoint& p : LassoPoints) {
        minX = std::min(minX, p.x());
        minY = std::min(minY, p.y());
        maxX = std::max(maxX, p.x());
        maxY = std::max(maxY, p.y());
    }
    const TRect bounds{std::max(0, minX), std::max(0, minY), std::min(size.width(), maxX + 1),
                       std::min(size.height(), maxY + 1)};
    // The polygon is every point but the rubber band.
    std::vector<QPoint> polygon(LassoPoints.begin(), LassoPoints.end() - 1);
    LassoPoints.clear();
    if (bounds.isEmpty()) {
        host_.SetTool(13);
        return;
    }
    auto floating = icon.ExtractRect(bounds.toQRect(), false);
    icon.ErasePolygon(polygon);
    std::vector<QPoint> relative;
    for (const QPoint& p : polygon) relative.push_back(p - QPoint(bounds.left, bounds.top));
    floating->EraseMasked(polygonOutside(floating->GetSize(), relative));
    Drawing = false;
    floatSelection(std::move(floating), bounds, 15);
}

// ---- clipboard and selection commands -----------------------------------------------------

void TChildForm::Paste() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data) return;
    SaveUndo();
    DropSelection();
    auto pasted = std::make_unique<TIcon>();
    if (TIcon::clipboardHasDocument()) {
        if (!pasted->PasteFromClipboard()) return;
    } else {
        const QImage image = QGuiApplication::clipboard()->image();
        if (image.isNull()) return;
        host_.SetTool(6);
        int bits = 24;
        if (image.hasAlphaChannel())
            bits = 32;
        else if (image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB)
            bits = 1;
        else if (image.format() == QImage::Format_Indexed8)
            bits = image.colorCount() <= 16 ? 4 : 8;
        pasted->AddImage(image.width(), image.height(), bits);
        pasted->PasteBitmap(image, 0, 0);
    }
    const QSize size = pasted->GetSize();
    SetSelectionRect({0, 0, size.width(), size.height()});
    // The block floats at the first image pixel visible in the view.
    const QPoint scroll = windowBox1_->scrollPosition();
    const int x0 = std::max(scroll.x() - GridOrigin.x(), 0) / Zoom;
    const int y0 = std::max(scroll.y() - GridOrigin.y(), 0) / Zoom;
    const TRect at = SelectionRect.translated(x0, y0);
    SelectionImage = std::move(pasted);
    SetSelectionRect(at);
    SavedSelectionRect = at;
    SelectionActive = true;
    host_.SetTool(8);
    invalidateViews();
}

void TChildForm::SelectAll() {
    DropSelection();
    SaveSnapshot();
    const QSize size = document_->GetSize();
    const TRect all{0, 0, size.width(), size.height()};
    SetSelectionRect(all);
    SelectionActive = true;
    SelectionImage = document_->ExtractRect(all.toQRect(), true);
    SavedSelectionRect = all;
    host_.SetTool(8);
    invalidateViews();
}

void TChildForm::Crop() {
    if (!SelectionImage) return;
    SaveUndo();
    TIcon& icon = *document_;
    const QSize size = icon.GetSize();
    const uint32_t clear = icon.BitCount() == 32 ? 0u : Transparent;
    icon.FilledRectangle(0, 0, size.width(), size.height(), clear, clear);
    icon.PasteIcon(*SelectionImage, SelectionRect.toQRect());
    Modified = true;
    SelectionImage.reset();
    SelectionActive = false;
    host_.SetTool(selectionFallback(host_.ToolCode()));
    invalidateViews();
}

void TChildForm::CreateIconFromClipboard() {
    SaveUndo();
    DropSelection();
    if (TIcon::clipboardHasDocument()) {
        TIcon source;
        if (!source.PasteFromClipboard()) return;
        const QSize size = source.GetSize();
        document_->AddImage(size.width(), size.height(), source.BitCount());
        document_->PasteIcon(source, QRect(QPoint(0, 0), size));
    } else {
        const QImage image = QGuiApplication::clipboard()->image();
        if (image.isNull()) return;
        document_->AddImage(image.width(), image.height(), image.hasAlphaChannel() ? 32 : 24);
        document_->PasteBitmap(image, 0, 0);
    }
    UndoLists.emplace_back();
    RedoLists.emplace_back();
    Modified = true;
    FillImageList();
    FitZoom();
    invalidateViews();
    host_.UpdateColors();
    updateHistoryActions();
    host_.setDeleteIconEnabled(document_->ImageCount() > 1);
}

void TChildForm::Shift(int dx, int dy) {
    SavedSelectionRect = SelectionRect;
    SaveUndo();
    if (SelectionImage) {
        SetSelectionRect(SelectionRect.translated(dx, dy));
        SavedSelectionRect = SelectionRect;
    } else if (dx < 0) {
        document_->ShiftLeft();
    } else if (dx > 0) {
        document_->ShiftRight();
    } else if (dy < 0) {
        document_->ShiftUp();
    } else if (dy > 0) {
        document_->ShiftDown();
    }
    Modified = true;
    invalidateViews();
}

void TChildForm::resizeSelection(int dRight, int dBottom) {
    if (!SelectionImage) return;
    TRect r = SelectionRect;
    if (dRight < 0 && r.left + 1 >= r.right) return;
    if (dBottom < 0 && r.top + 1 >= r.bottom) return;
    r.right += dRight;
    r.bottom += dBottom;
    SetSelectionRect(r);
    invalidateViews();
}

// ---- effects ----------------------------------------------------------------------------

int TChildForm::runPreview(QDialog& dialog, std::function<void()>& hook,
                           const std::function<void(TIcon&)>& effect) {
    SaveUndo();
    // The dialog holds the floating selection untouched; previews are copies of it. Without
    // one, the snapshot is the image before any preview.
    std::unique_ptr<TIcon> source = std::move(SelectionImage);
    if (!source) SaveSnapshot();
    bool previewed = false;
    hook = [&] {
        TIcon* target = document_.get();
        if (source) {
            SelectionImage = source->ExtractRect(QRect(QPoint(0, 0), source->GetSize()), false);
            target = SelectionImage.get();
        } else {
            RestoreSnapshot();
        }
        effect(*target);
        previewed = true;
        invalidateViews();
    };
    const int result = host_.runDialog(dialog);
    hook = nullptr;
    if (source) {
        if (result != QDialog::Accepted || !previewed) SelectionImage = std::move(source);
        invalidateViews();
    } else if (result != QDialog::Accepted) {
        Undo();
    }
    return result;
}

void TChildForm::applyFilter(const std::function<void(TIcon&)>& effect) {
    SavedSelectionRect = SelectionRect;
    SaveUndo();
    effect(SelectionImage ? *SelectionImage : *document_);
    invalidateViews();
}

void TChildForm::Flip(bool vertical) {
    EndTextEntry();
    SaveUndo();
    TIcon& target = SelectionImage ? *SelectionImage : *document_;
    if (vertical) {
        target.FlipVertical();
    } else {
        target.FlipHorizontal();
    }
    Modified = true;
    invalidateViews();
}

void TChildForm::RotateQuarter(bool left) {
    EndTextEntry();
    SavedSelectionRect = SelectionRect;
    SaveUndo();
    if (SelectionImage) {
        if (left) {
            SelectionImage->RotateLeft();
        } else {
            SelectionImage->RotateRight();
        }
        // The rectangle keeps its top-left corner and swaps its sides.
        const TRect r = SelectionRect;
        SetSelectionRect({r.left, r.top, r.left + r.height(), r.top + r.width()});
        SavedSelectionRect = SelectionRect;
    } else {
        if (left) {
            document_->RotateLeft();
        } else {
            document_->RotateRight();
        }
        FillImageList();
        FitZoom();
    }
    Modified = true;
    invalidateViews();
}

bool TChildForm::ConvertImage1Click() {
    TIconForm& form = host_.iconForm();
    const QSize size = document_->GetSize();
    form.prepareForConvert(size.width(), size.height());
    if (host_.runDialog(form) != QDialog::Accepted) return false;
    FinishEditing();
    SaveUndo();
    ConvertImage(*document_, form.ImageWidth(), form.ImageHeight(), form.SelectedBitCount,
                 form.Stretch());
    FillImageList();
    FitZoom();
    host_.UpdateColors();
    invalidateViews();
    return true;
}

// ---- hue selection -------------------------------------------------------------------------

void TChildForm::hueMatch(QPoint cell, int range) {
    SelectionOutline = hueMatchRegion(*document_, cell, range);
    invalidateViews();
}

void TChildForm::hueAccept() {
    const QImage mask = SelectionOutline;
    SelectionOutline = QImage();
    int minX = INT_MAX, minY = INT_MAX, maxX = -1, maxY = -1;
    for (int y = 0; y < mask.height(); ++y) {
        const uchar* row = mask.constScanLine(y);
        for (int x = 0; x < mask.width(); ++x) {
            if (!row[x]) continue;
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
    }
    if (maxX >= 0) {
        const TRect r{minX, minY, maxX + 1, maxY + 1};
        auto floating = document_->ExtractRect(r.toQRect(), false);
        document_->EraseMasked(mask);
        floating->EraseMasked(outsideOf(mask, r.toQRect()));
        Modified = true;
        floatSelection(std::move(floating), r, 20);
    }
    invalidateViews();
}

void TChildForm::hueCancel() {
    SelectionOutline = QImage();
    invalidateViews();
}

// ---- the text tool ------------------------------------------------------------------------

void TChildForm::placeText(QPoint cell) {
    const int th = document_->TextExtent(QStringLiteral("0")).height();
    FinishEditing();
    TextPosition = QPoint(cell.x(), cell.y() - th / 2);
    SaveSnapshot();
    caretShown_ = true;
    host_.SetTool(11);
    invalidateViews();
}

bool TChildForm::typeText(QKeyEvent& event) {
    if (event.key() == Qt::Key_Backspace) {
        if (!TextBuffer.isEmpty()) TextBuffer.chop(1);
    } else {
        // What the key writes, as the keyboard layout gives it; keys that write nothing
        // printable (arrows, function keys, Shift alone) add nothing.
        QString text = event.text();
        text.removeIf([](QChar c) { return !c.isPrint(); });
        if (text.isEmpty()) return false;
        TextBuffer += text;
    }
    RedrawText();
    return true;
}

void TChildForm::RedrawText() {
    if (host_.ToolCode() != 11) return;
    RestoreSnapshot();
    if (!TextBuffer.isEmpty())
        document_->TextOut(TextPosition.x(), TextPosition.y(), TextBuffer, host_.PenColor());
    invalidateViews();
}

void TChildForm::CommitText() {
    if (SnapshotBuffer.empty()) return;
    const size_t i = size_t(document_->CurrentIndex());
    RedoLists[i].clear();
    auto e = std::make_unique<TUndo>();
    e->SetData(SnapshotBuffer);
    SnapshotBuffer.clear();
    UndoLists[i].push(std::move(e));
    host_.setUndoEnabled(true);
    host_.setRedoEnabled(false);
    Modified = true;
}

void TChildForm::EndTextEntry() {
    if (host_.ToolCode() != 11) return;
    host_.SetTool(10);
    caretShown_ = false;
    CommitText();
    TextBuffer.clear();
    invalidateViews();
}

// ---- window events ------------------------------------------------------------------------

void TChildForm::FormActivate() {
    host_.UpdateColors();
    updateHistoryActions();
    host_.setDeleteIconEnabled(document_->ImageCount() > 1);
}

bool TChildForm::FormKeyDown(QKeyEvent& event) {
    const int key = event.key();
    const bool shift = event.modifiers() & Qt::ShiftModifier;
    if (SelectionImage) {
        const bool arrow =
            key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
        if (arrow && shift) {
            resizeSelection(key == Qt::Key_Left    ? -1
                            : key == Qt::Key_Right ? 1
                                                   : 0,
                            key == Qt::Key_Up     ? -1
                            : key == Qt::Key_Down ? 1
                                                  : 0);
            return true;
        }
        if (arrow) {
            SetSelectionRect(SelectionRect.translated(key == Qt::Key_Left    ? -1
                                                      : key == Qt::Key_Right ? 1
                                                                             : 0,
                                                      key == Qt::Key_Up     ? -1
                                                      : key == Qt::Key_Down ? 1
                                                                            : 0));
            invalidateViews();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            DropSelection();
            return true;
        }
    }
    if (host_.ToolCode() == 11 && typeText(event)) return true;
    if (host_.ToolCode() == 14 && key == Qt::Key_Escape) {
        LassoPoints.clear();
        host_.SetTool(13);
        windowBox1_->viewport()->update();
        return true;
    }
    if (event.modifiers() & Qt::KeypadModifier) {
        if (key == Qt::Key_Plus) {
            ZoomIn();
            return true;
        }
        if (key == Qt::Key_Minus) {
            ZoomOut();
            return true;
        }
    }
    return false;
}

void TChildForm::resizeEvent(QResizeEvent* event) {
    QMdiSubWindow::resizeEvent(event);
    const bool maximized = isMaximized();
    if (maximizeWritten_ != maximized) {
        host_.setChildMaximize(maximized);
        maximizeWritten_ = maximized;
    }
    if (QWidget* client = widget()) {
        const int width = client->width();
        const int left = static_cast<int>(std::lround(width * 0.8));
        splitter_->setSizes({left, std::max(0, width - left - splitter_->handleWidth())});
    }
}

void TChildForm::closeEvent(QCloseEvent* event) {
    if (Modified) {
        if (QMdiArea* area = mdiArea()) area->setActiveSubWindow(this);
        const QString caption = windowTitle();
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
    host_.setUndoEnabled(false);
    host_.setDeleteIconEnabled(false);
    QMdiSubWindow::closeEvent(event);
}

}  // namespace tarvo
