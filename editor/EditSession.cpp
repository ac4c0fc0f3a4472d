#include "editor/EditSession.h"

#include <algorithm>
#include <climits>

#include "core/Icon.h"
#include "core/IconFormat.h"
#include "core/PixelFormats.h"
#include "editor/HueSelection.h"
#include "editor/SelectionShapes.h"
#include "effects/Convert.h"
#include "raster/Errors.h"

namespace tarvo {

namespace {

std::unique_ptr<TIcon> copyOf(TIcon& icon) {
    return icon.ExtractRect(QRect(QPoint(0, 0), icon.GetSize()), false);
}

QString sizeText(int width, int height) {
    return QStringLiteral("[%1, %2]").arg(width).arg(height);
}

}  // namespace

EditSession::EditSession(TSessionHost& host, int width, int height, int bits)
    : host_(host), document_(std::make_unique<TIcon>()) {
    document_->AddImage(width, height, bits);
    history_.reset(1);
}

EditSession::~EditSession() = default;

void EditSession::replaceDocument(std::unique_ptr<TIcon> document) {
    document_ = std::move(document);
    history_.reset(document_->ImageCount());
    floating_.reset();
    text_.reset();
    snapshot_.clear();
    drawing_ = marquee_ = previewing_ = false;
    lasso_.clear();
    hueOutline_ = QImage();
    previewSelection_.reset();
    notify(TSessionHost::Pixels | TSessionHost::Images | TSessionHost::History);
}

int EditSession::current() const {
    return document_->CurrentIndex();
}

// ---- what the views show ---------------------------------------------------------------------

std::optional<TRect> EditSession::selectionFrame() const {
    if (floating_) return floating_->rect;
    if (marquee_ && marqueeDragged_) return marqueeRect_;
    return std::nullopt;
}

std::optional<QRect> EditSession::caret() const {
    if (!text_ || host_.tool() != ToolMode::Typing) return std::nullopt;
    const QPoint p = view.origin - view.scroll;
    const int th = document_->TextExtent(QStringLiteral("0")).height();
    const int width = text_->text.isEmpty() ? 0 : document_->TextExtent(text_->text).width();
    const int z = view.zoom;
    const QRect image(p, document_->GetSize() * z);
    // Text running past the image's edges keeps its caret on the image's cells.
    QRect caret(p.x() + (text_->position.x() + width) * z - 1, p.y() + text_->position.y() * z, 3,
                z * th);
    caret.moveLeft(
        std::max(image.left(), std::min(caret.left(), image.right() - caret.width() + 1)));
    caret &= image;
    if (caret.isEmpty()) return std::nullopt;
    return caret;
}

QPoint EditSession::cellAt(QPoint client) const {
    return tarvo::cellAt(client, view.origin, view.scroll, view.zoom);
}

bool EditSession::overImage(QPoint client) const {
    return QRect(view.origin - view.scroll, document_->GetSize() * view.zoom).contains(client);
}

QRect EditSession::selectionOnScreen() const {
    if (!floating_) return {};
    const QPoint p = view.origin - view.scroll;
    const TRect& r = floating_->rect;
    const int z = view.zoom;
    return {p.x() + r.left * z, p.y() + r.top * z, r.width() * z, r.height() * z};
}

int EditSession::hitTestHandles(QPoint client) const {
    if (!floating_) return 0;
    const std::array<QRect, 8> handles = selectionHandles(selectionOnScreen(), view.zoom);
    for (size_t i = 0; i < handles.size(); ++i)
        if (handles[i].contains(client)) return int(i) + 1;
    return 0;
}

// ---- the mouse ----------------------------------------------------------------------------

void EditSession::mouseDown(QPoint client, MouseButton button) {
    ToolMode mode = host_.tool();
    TIcon& icon = doc();
    const bool argb = icon.BitCount() == 32;
    // For the shape or text this press starts.
    icon.SmoothEdges = host_.smoothEdges();
    if (drawing_) {
        // A second button cancels a shape being dragged; its undo step stays in the history.
        if (toolCode(mode) < 6) {
            if (argb && icon.strokeActive()) icon.EndStroke();
            restoreSnapshot();
            drawing_ = false;
            notify(TSessionHost::Pixels);
        }
        return;
    }
    const QPoint cell = cellAt(client);
    anchor_ = cell;
    // Typed text is one step of its own, ended before any other tool touches the image.
    if (text_ && mode != ToolMode::Text && mode != ToolMode::Typing) endTextEntry();
    if (isFloatingMode(mode)) {
        if (floating_) {
            // Outside the floating selection a click stamps it and starts nothing else.
            if (!selectionOnScreen().contains(client)) {
                dropSelection();
                return;
            }
            floating_->savedRect = floating_->rect;
            grabHandle_ = hitTestHandles(client);
            drawing_ = true;
            return;
        }
        // The selection is gone (undone, or another window's): the tool starts a new one.
        mode = selectionFallback(mode);
        host_.setTool(mode);
    }
    // Anything else starts after a floating selection is stamped where it lies.
    if (floating_) dropSelection();
    const uint32_t c = button == MouseButton::Left ? host_.penColor() : host_.brushColor();
    switch (mode) {
        case ToolMode::Lasso:
        case ToolMode::LassoDrawing:
            lassoMouseDown(cell, button);
            return;
        case ToolMode::Text:
        case ToolMode::Typing:
            placeText(cell);
            return;
        case ToolMode::HueSelection:
            host_.openHueWindow(cell);
            return;
        case ToolMode::RectangleSelection:
        case ToolMode::EllipseSelection:
            marquee_ = true;
            marqueeDragged_ = false;
            marqueeRect_ = {};
            drawing_ = true;
            return;
        case ToolMode::Pencil:
            if (!overImage(client)) return;
            saveUndo();
            saveSnapshot();
            drawing_ = true;
            if (argb) icon.BeginStroke();
            icon.SetPixelValue(cell.x(), cell.y(), c);
            icon.MoveTo(cell.x(), cell.y());
            break;
        case ToolMode::Line:
        case ToolMode::Rectangle:
        case ToolMode::FilledRectangle:
        case ToolMode::Ellipse:
        case ToolMode::FilledEllipse:
            saveUndo();
            saveSnapshot();
            drawing_ = true;
            break;
        case ToolMode::HotSpot:
            setHotSpot(cell);
            return;
        case ToolMode::ColorPicker:
            if (QRect(QPoint(0, 0), icon.GetSize()).contains(cell))
                host_.colorPicked(button == MouseButton::Left,
                                  icon.GetPixelValue(cell.x(), cell.y()), argb);
            return;
        case ToolMode::Fill:
            saveUndo();
            icon.FloodFill(cell.x(), cell.y(), c);
            drawing_ = true;
            break;
        case ToolMode::Blur:
            saveUndo();
            icon.SmoothPixel(cell.x(), cell.y(), host_.blurSize());
            drawing_ = true;
            break;
        case ToolMode::Erase: {
            saveUndo();
            saveSnapshot();
            drawing_ = true;
            const uint32_t e = eraserColor();
            icon.FilledRectangle(cell.x() - 1, cell.y() - 1, cell.x(), cell.y(), e, e);
            break;
        }
        default:
            return;
    }
    notify(TSessionHost::Pixels);
}

uint32_t EditSession::eraserColor() const {
    // Transparent is a colour value only up to 24 bits; 32-bit pixels erase to alpha 0.
    return document_->BitCount() == 32 ? 0u : host_.brushColor();
}

void EditSession::drawShape(ToolMode mode, QPoint cell, bool left) {
    TIcon& icon = doc();
    restoreSnapshot();
    const QPoint a = anchor_;
    const int l = std::min(a.x(), cell.x()), t = std::min(a.y(), cell.y());
    const int r = std::max(a.x(), cell.x()), b = std::max(a.y(), cell.y());
    const uint32_t c = left ? host_.penColor() : host_.brushColor();
    const uint32_t other = left ? host_.brushColor() : host_.penColor();
    switch (mode) {
        case ToolMode::Line:
            icon.MoveTo(a.x(), a.y());
            icon.LineTo(cell.x(), cell.y(), c);
            break;
        case ToolMode::Rectangle:
            icon.Rectangle(l, t, r, b, c);
            break;
        case ToolMode::FilledRectangle:
            icon.FilledRectangle(l, t, r, b, c, other);
            break;
        case ToolMode::Ellipse:
            icon.Ellipse(l, t, r, b, c);
            break;
        case ToolMode::FilledEllipse:
            icon.FilledEllipse(l, t, r, b, c, other);
            break;
        default:
            break;
    }
}

void EditSession::mouseMove(QPoint client, bool leftHeld) {
    const QPoint cell = cellAt(client);
    host_.setStatusText(1, cellStatusText(cell));
    const ToolMode mode = host_.tool();
    if (drawing_) {
        TIcon& icon = doc();
        const uint32_t c = leftHeld ? host_.penColor() : host_.brushColor();
        switch (mode) {
            case ToolMode::Pencil:
                anchor_ = cell;
                icon.LineTo(cell.x(), cell.y(), c);
                break;
            case ToolMode::Line:
            case ToolMode::Rectangle:
            case ToolMode::FilledRectangle:
            case ToolMode::Ellipse:
            case ToolMode::FilledEllipse:
                drawShape(mode, cell, leftHeld);
                host_.setStatusText(3, sizeText(std::abs(cell.x() - anchor_.x()) + 1,
                                                std::abs(cell.y() - anchor_.y()) + 1));
                break;
            case ToolMode::Blur:
                icon.SmoothPixel(cell.x(), cell.y(), host_.blurSize());
                break;
            case ToolMode::Erase: {
                const uint32_t e = eraserColor();
                icon.FilledRectangle(cell.x() - 1, cell.y() - 1, cell.x(), cell.y(), e, e);
                break;
            }
            case ToolMode::RectangleSelection:
            case ToolMode::EllipseSelection: {
                // Both end cells included, kept inside the image.
                const QSize size = icon.GetSize();
                const QPoint a = anchor_;
                TRect r{std::max(std::min(a.x(), cell.x()), 0),
                        std::max(std::min(a.y(), cell.y()), 0),
                        std::min(std::max(a.x(), cell.x()) + 1, size.width()),
                        std::min(std::max(a.y(), cell.y()) + 1, size.height())};
                marqueeDragged_ = true;
                setSelectionRect(r);
                break;
            }
            default:
                if (isFloatingMode(mode) && floating_) {
                    const int dx = cell.x() - anchor_.x(), dy = cell.y() - anchor_.y();
                    const TRect& s = floating_->savedRect;
                    TRect r = floating_->rect;
                    const int h = grabHandle_;
                    if (h == 1 || h == 7 || h == 8) r.left = std::min(s.left + dx, r.right - 1);
                    if (h == 1 || h == 2 || h == 3) r.top = std::min(s.top + dy, r.bottom - 1);
                    if (h == 3 || h == 4 || h == 5) r.right = std::max(s.right + dx, r.left + 1);
                    if (h == 5 || h == 6 || h == 7) r.bottom = std::max(s.bottom + dy, r.top + 1);
                    if (h == 0) {
                        r = r.translated(dx, dy);
                        anchor_ = cell;
                    }
                    setSelectionRect(r);
                }
                break;
        }
        notify(TSessionHost::Pixels);
    }
    if (mode == ToolMode::LassoDrawing && !lasso_.empty()) {
        // The last point is the rubber band that follows the mouse, button or not.
        lasso_.back() = cell;
        notify(TSessionHost::Pixels);
    }
}

void EditSession::mouseUp() {
    if (!drawing_) return;
    drawing_ = false;
    const ToolMode mode = host_.tool();
    if (marquee_ || isFloatingMode(mode)) {
        selectionMouseUp(mode);
        return;
    }
    TIcon& icon = doc();
    if (icon.BitCount() == 32) {
        if (icon.strokeActive()) icon.EndStroke();
    } else {
        icon.StoreImage();
        icon.SelectImage(icon.CurrentIndex());
    }
    // The size of a shape is shown while it is drawn.
    if (toolCode(mode) >= 1 && toolCode(mode) <= 5) host_.setStatusText(3, QString());
    notify(TSessionHost::Pixels);
}

void EditSession::selectionMouseUp(ToolMode mode) {
    TIcon& icon = doc();
    if (marquee_) {
        marquee_ = false;
        const TRect r = marqueeRect_;
        // A click without a drag makes no selection.
        if (!marqueeDragged_ || r.isEmpty()) {
            host_.setStatusText(3, QString());
            notify(TSessionHost::Pixels);
            return;
        }
        // Lifting is a step of its own, so undo can take the selection back.
        saveUndo();
        if (mode == ToolMode::EllipseSelection) {
            auto lifted = icon.ExtractRect(r.toQRect(), false);
            icon.EraseEllipse(r.toQRect());
            lifted->EraseMasked(ellipseOutside(lifted->GetSize(), lifted->BitCount() == 32));
            float_(std::move(lifted), r, ToolMode::EllipseFloating);
        } else {
            float_(icon.ExtractRect(r.toQRect(), true), r, ToolMode::RectangleFloating);
        }
        return;
    }
    // The end of a move or resize: one step that puts the selection back where it was. A click
    // that moved nothing records nothing.
    if (!floating_ || floating_->rect == floating_->savedRect) return;
    saveUndo();
    floating_->savedRect = floating_->rect;
    notify(TSessionHost::Pixels);
}

void EditSession::lassoMouseDown(QPoint cell, MouseButton button) {
    if (host_.tool() == ToolMode::Lasso || lasso_.empty()) {
        lasso_ = {cell, cell};
        host_.setTool(ToolMode::LassoDrawing);
    } else if (button == MouseButton::Right) {
        if (lasso_.size() <= 2) {
            lasso_.clear();
            host_.setTool(ToolMode::Lasso);
        } else {
            lasso_.pop_back();
        }
    } else {
        lasso_.push_back(cell);
        if (cell == lasso_.front() && lasso_.size() > 3) closeLasso();
    }
    notify(TSessionHost::Pixels);
}

void EditSession::closeLasso() {
    TIcon& icon = doc();
    const QSize size = icon.GetSize();
    int minX = INT_MAX, minY = INT_MAX, maxX = INT_MIN, maxY = INT_MIN;
    for (const QPoint& p : lasso_) {
        minX = std::min(minX, p.x());
        minY = std::min(minY, p.y());
        maxX = std::max(maxX, p.x());
        maxY = std::max(maxY, p.y());
    }
    const TRect bounds{std::max(0, minX), std::max(0, minY), std::min(size.width(), maxX + 1),
                       std::min(size.height(), maxY + 1)};
    // The polygon is every point but the rubber band.
    std::vector<QPoint> polygon(lasso_.begin(), lasso_.end() - 1);
    lasso_.clear();
    if (bounds.isEmpty()) {
        host_.setTool(ToolMode::Lasso);
        return;
    }
    saveUndo();
    auto lifted = icon.ExtractRect(bounds.toQRect(), false);
    icon.ErasePolygon(polygon);
    std::vector<QPoint> relative;
    for (const QPoint& p : polygon) relative.push_back(p - QPoint(bounds.left, bounds.top));
    lifted->EraseMasked(polygonOutside(lifted->GetSize(), relative));
    float_(std::move(lifted), bounds, ToolMode::LassoFloating);
}

// ---- keys ------------------------------------------------------------------------------------

bool EditSession::keyDown(Key key, bool shift, const QString& text) {
    const bool arrow = key == Key::Left || key == Key::Right || key == Key::Up || key == Key::Down;
    const int dx = key == Key::Left ? -1 : key == Key::Right ? 1 : 0;
    const int dy = key == Key::Up ? -1 : key == Key::Down ? 1 : 0;
    if (floating_ && !drawing_) {
        if (arrow && shift) {
            resizeSelection(dx, dy);
            return true;
        }
        if (arrow) {
            setSelectionRect(floating_->rect.translated(dx, dy));
            notify(TSessionHost::Pixels);
            return true;
        }
        if (key == Key::Enter) {
            dropSelection();
            return true;
        }
    }
    if (host_.tool() == ToolMode::Typing && text_ && typeText(key, text)) return true;
    if (host_.tool() == ToolMode::LassoDrawing && key == Key::Escape) {
        lasso_.clear();
        host_.setTool(ToolMode::Lasso);
        notify(TSessionHost::Pixels);
        return true;
    }
    return false;
}

// ---- tools, text and the floating selection ----------------------------------------------------

void EditSession::chooseTool(ToolMode mode) {
    endGestures();
    if (finishesEditing(mode)) finishEditing();
    host_.setTool(mode);
    notify(TSessionHost::Pixels);
}

void EditSession::setSelectionRect(const TRect& rect) {
    if (floating_) {
        floating_->rect = rect;
    } else {
        marqueeRect_ = rect;
    }
    host_.setStatusText(3, sizeText(rect.width(), rect.height()));
}

void EditSession::saveSnapshot() {
    const auto data = document_->CurrentImageData();
    snapshot_.assign(data.begin(), data.end());
}

void EditSession::restoreSnapshot() {
    if (snapshot_.size() != document_->CurrentImageData().size()) return;
    document_->SetCurrentImageData(snapshot_);
}

void EditSession::float_(std::unique_ptr<TIcon> image, const TRect& rect, ToolMode mode) {
    floating_ = FloatingSelection{std::move(image), rect, rect};
    setSelectionRect(rect);
    host_.setTool(mode);
    notify(TSessionHost::Pixels);
}

void EditSession::clearFloating() {
    floating_.reset();
    host_.setTool(selectionFallback(host_.tool()));
    host_.setStatusText(3, QString());
}

void EditSession::endGestures() {
    if (drawing_) mouseUp();
    if (!lasso_.empty() || host_.tool() == ToolMode::LassoDrawing) {
        lasso_.clear();
        if (host_.tool() == ToolMode::LassoDrawing) host_.setTool(ToolMode::Lasso);
        notify(TSessionHost::Pixels);
    }
    if (!hueOutline_.isNull()) {
        hueOutline_ = QImage();
        host_.closeHueWindow();
        notify(TSessionHost::Pixels);
    }
}

void EditSession::finishEditing() {
    endGestures();
    endTextEntry();
    dropSelection();
    host_.closeHueWindow();
}

void EditSession::dropSelection() {
    if (!floating_) return;
    if (drawing_) endGestures();
    saveUndo();
    doc().PasteIcon(*floating_->image, floating_->rect.toQRect());
    clearFloating();
    notify(TSessionHost::Pixels);
}

void EditSession::deleteSelection() {
    if (!floating_) return;
    endGestures();
    floating_->savedRect = floating_->rect;
    saveUndo();
    clearFloating();
    notify(TSessionHost::Pixels);
}

void EditSession::placeText(QPoint cell) {
    finishEditing();
    document_->FitTextFont();
    const int th = document_->TextExtent(QStringLiteral("0")).height();
    const auto data = document_->CurrentImageData();
    text_ = TextEntry{history_[current()].id,
                      {data.begin(), data.end()},
                      QPoint(cell.x(), cell.y() - th / 2),
                      QString()};
    host_.setTool(ToolMode::Typing);
    notify(TSessionHost::Pixels);
}

bool EditSession::typeText(Key key, const QString& text) {
    if (key == Key::Backspace) {
        if (!text_->text.isEmpty()) text_->text.chop(1);
    } else {
        // What the key writes, as the keyboard layout gives it; keys that write nothing printable
        // (arrows, function keys, Shift alone) add nothing.
        QString typed = text;
        typed.removeIf([](QChar ch) { return !ch.isPrint(); });
        if (typed.isEmpty()) return false;
        text_->text += typed;
    }
    redrawText();
    return true;
}

void EditSession::redrawText() {
    if (!text_ || host_.tool() != ToolMode::Typing) return;
    // The text belongs to the image it was started on, in the format it had then.
    if (history_[current()].id != text_->owner ||
        text_->snapshot.size() != document_->CurrentImageData().size()) {
        endTextEntry();
        return;
    }
    document_->SetCurrentImageData(text_->snapshot);
    document_->SmoothEdges = host_.smoothEdges();
    if (!text_->text.isEmpty())
        document_->TextOut(text_->position.x(), text_->position.y(), text_->text, host_.penColor());
    notify(TSessionHost::Pixels);
}

void EditSession::endTextEntry() {
    if (host_.tool() == ToolMode::Typing) host_.setTool(ToolMode::Text);
    if (!text_) return;
    TextEntry entry = std::move(*text_);
    text_.reset();
    // Nothing typed, nothing changed: no step.
    if (!entry.text.isEmpty()) {
        for (int i = 0; i < history_.size(); ++i) {
            if (history_[i].id != entry.owner) continue;
            auto e = std::make_unique<TUndo>();
            e->SetData(entry.snapshot);
            history_[i].redo.clear();
            history_[i].undo.push(std::move(e));
            modified_ = true;
            break;
        }
    }
    notify(TSessionHost::Pixels | TSessionHost::History);
}

// ---- history ----------------------------------------------------------------------------------

bool EditSession::canUndo() const {
    return history_.canUndo(current()) || (text_ && !text_->text.isEmpty());
}

bool EditSession::canRedo() const {
    return history_.canRedo(current());
}

void EditSession::saveUndo() {
    // Typed text becomes its own step before the change that follows it.
    if (text_) endTextEntry();
    ImageHistory& h = history_[current()];
    h.redo.clear();
    auto e = std::make_unique<TUndo>();
    if (floating_) {
        e->SelRect = floating_->savedRect;
        auto copy = copyOf(*floating_->image);
        e->SetSelection(std::move(floating_->image));
        floating_->image = std::move(copy);
    }
    e->SetData(document_->CurrentImageData());
    h.undo.push(std::move(e));
    modified_ = true;
    notify(TSessionHost::History);
}

void EditSession::ensureFormat(const std::vector<uint8_t>& data) {
    const BitmapHeader h = readBitmapHeader(data.data());
    const QSize size(h.width, h.height / 2);
    if (size == document_->GetSize() && h.bitCount == document_->BitCount()) return;
    document_->ChangeFormat(size.width(), size.height(), h.bitCount);
    notify(TSessionHost::Images);
}

void EditSession::stashFloating(TUndo& step) {
    if (!floating_) return;
    step.SelRect = floating_->rect;
    step.SetSelection(std::move(floating_->image));
    floating_.reset();
}

void EditSession::floatFrom(TUndo& step) {
    if (step.Selection && !step.SelRect.isEmpty()) {
        floating_ = FloatingSelection{std::move(step.Selection), step.SelRect, step.SelRect};
        setSelectionRect(step.SelRect);
        if (!isFloatingMode(host_.tool())) host_.setTool(ToolMode::RectangleFloating);
    } else {
        host_.setTool(selectionFallback(host_.tool()));
        host_.setStatusText(3, QString());
    }
}

void EditSession::setHotSpot(QPoint cell) {
    if (!QRect(QPoint(0, 0), doc().GetSize()).contains(cell)) return;
    if (doc().hotSpot(current()) == cell) return;
    TIcon::CursorMark before = doc().cursorMark();
    saveUndo();
    history_[current()].undo.top().Mark = std::move(before);
    doc().setHotSpot(current(), cell);
    notify(TSessionHost::Pixels);
}

TAnimationState EditSession::animationState() const {
    TAnimationState state{document_->Animation(), {}};
    if (state.animation)
        for (TAnimationStep& step : state.animation->steps) {
            state.frames.push_back(history_[step.frame].id);
            step.frame = 0;
        }
    return state;
}

std::optional<TAnimation> EditSession::animationOf(const TAnimationState& state) const {
    std::optional<TAnimation> animation = state.animation;
    if (!animation) return animation;
    std::vector<TAnimationStep> steps;
    for (size_t i = 0; i < animation->steps.size() && i < state.frames.size(); ++i)
        if (const int frame = history_.indexOf(state.frames[i]); frame >= 0)
            steps.push_back({frame, animation->steps[i].rate});
    animation->steps = std::move(steps);
    if (animation->steps.empty()) animation.reset();
    return animation;
}

void EditSession::swapDocumentState(TUndo& from, TUndo& to) {
    if (from.Animation) {
        to.Animation = animationState();
        doc().SetAnimation(animationOf(*from.Animation));
        notify(TSessionHost::Images);
    }
    if (!from.Mark) return;
    to.Mark = doc().cursorMark();
    doc().setCursorMark(*from.Mark);
}

void EditSession::setAnimation(std::optional<TAnimation> animation) {
    if (animation && animation->steps.empty()) animation.reset();
    doc().CheckAnimation(animation);
    finishEditing();
    TAnimationState before = animationState();
    saveUndo();
    history_[current()].undo.top().Animation = std::move(before);
    doc().SetAnimation(std::move(animation));
    notify(TSessionHost::Images);
}

void EditSession::duplicateImage() {
    finishEditing();
    const int i = current();
    const IconEntry e = document_->entry(i);
    const auto data = document_->CurrentImageData();
    const std::vector<uint8_t> bytes(data.begin(), data.end());
    document_->InsertImage(document_->ImageCount(), e, bytes);
    added();
}

void EditSession::moveImage(int to) {
    const int from = current();
    if (to < 0 || to >= document_->ImageCount() || to == from) return;
    finishEditing();
    TAnimationState before = animationState();
    saveUndo();
    TUndo& step = history_[from].undo.top();
    step.MovedFrom = from;
    step.Animation = std::move(before);
    moveCurrent(to);
    notify(TSessionHost::Pixels | TSessionHost::History);
}

void EditSession::added() {
    history_.append();
    auto step = std::make_unique<TUndo>();
    step->SetData(document_->CurrentImageData());
    step->RemoveImage = true;
    history_[current()].undo.push(std::move(step));
    modified_ = true;
    notify(TSessionHost::Pixels | TSessionHost::Images | TSessionHost::History);
}

void EditSession::moveCurrent(int to) {
    const int from = current();
    to = std::clamp(to, 0, document_->ImageCount() - 1);
    if (to == from) return;
    document_->MoveImage(from, to);
    history_.move(from, to);
    notify(TSessionHost::Images);
}

void EditSession::undo() {
    travel(&ImageHistory::undo, &ImageHistory::redo);
}

void EditSession::redo() {
    travel(&ImageHistory::redo, &ImageHistory::undo);
}

void EditSession::travel(TUndoStack ImageHistory::*from, TUndoStack ImageHistory::*to) {
    endGestures();
    endTextEntry();
    if (current() < 0 || (history_[current()].*from).empty()) return;
    std::unique_ptr<TUndo> e = (history_[current()].*from).pop();
    if (e->RemoveImage && document_->ImageCount() < 2) {
        // A document keeps one image at least: the step has nothing left to do.
        notify(TSessionHost::History);
        return;
    }
    // The step back keeps whatever floats now, so travelling back brings it back.
    auto back = std::make_unique<TUndo>();
    back->SetData(document_->CurrentImageData());
    stashFloating(*back);
    if (e->RemoveImage) {
        // What floated goes with the image, kept in a step of its own history.
        if (back->Selection) (history_[current()].*to).push(std::move(back));
        host_.setTool(selectionFallback(host_.tool()));
        removeCurrent(to, false);
        return;
    }
    // A move's step restores the animation as it was; the step back keeps it as it is now.
    std::optional<TAnimationState> unmoved;
    if (e->MovedFrom) {
        unmoved = animationState();
        back->MovedFrom = current();
        moveCurrent(*e->MovedFrom);
    }
    ensureFormat(e->Data());
    document_->SetCurrentImageData(e->Data());
    floatFrom(*e);
    swapDocumentState(*e, *back);
    if (unmoved) back->Animation = std::move(unmoved);
    (history_[current()].*to).push(std::move(back));
    if (e->Deleted) restoreDeleted(std::move(e->Deleted), to);
    notify(TSessionHost::Pixels | TSessionHost::History);
}

// ---- images -----------------------------------------------------------------------------------

void EditSession::selectImage(int index) {
    if (index < 0 || index >= document_->ImageCount()) return;
    finishEditing();
    document_->SelectImage(index);
    notify(TSessionHost::Pixels | TSessionHost::Images | TSessionHost::History);
}

void EditSession::addImage(int width, int height, int bits) {
    finishEditing();
    document_->AddImage(width, height, bits);
    added();
}

void EditSession::appendImages(const TIcon& images) {
    finishEditing();
    for (int i = 0; i < images.ImageCount(); ++i) {
        const IconEntry e = images.entry(i);
        document_->InsertImage(document_->ImageCount(), e,
                               std::span(images.ImageBlock() + e.imageOffset, e.bytesInRes));
        added();
    }
}

void EditSession::deleteImage() {
    if (document_->ImageCount() < 2) return;
    finishEditing();
    removeCurrent(&ImageHistory::undo, true);
}

void EditSession::removeCurrent(TUndoStack ImageHistory::*stack, bool clearRedo) {
    const int i = current();
    auto deleted = std::make_unique<TDeletedImage>();
    deleted->entry = document_->entry(i);
    const auto bytes = document_->CurrentImageData();
    deleted->bytes.assign(bytes.begin(), bytes.end());
    deleted->index = i;
    deleted->previous = i > 0 ? history_[i - 1].id : 0;
    deleted->following = i + 1 < history_.size() ? history_[i + 1].id : 0;
    deleted->animationBefore = animationState();
    document_->DeleteImage();
    deleted->history = history_.take(i);
    deleted->animationAfter = animationState();
    // The step that puts the image back goes on the history of the image now current.
    ImageHistory& h = history_[current()];
    auto step = std::make_unique<TUndo>();
    step->SetData(document_->CurrentImageData());
    step->Deleted = std::move(deleted);
    if (clearRedo) h.redo.clear();
    (h.*stack).push(std::move(step));
    modified_ = true;
    notify(TSessionHost::Pixels | TSessionHost::Images | TSessionHost::History);
}

void EditSession::restoreDeleted(std::unique_ptr<TDeletedImage> deleted,
                                 TUndoStack ImageHistory::*stack) {
    const int index = history_.placeOf(*deleted);
    const bool untouched = animationState() == deleted->animationAfter;
    document_->InsertImage(index, deleted->entry, deleted->bytes);
    history_.insert(index, std::move(deleted->history));
    // The animation as it was, unless it changed meanwhile: then the image gets a step of its
    // own, as any image put in does.
    if (untouched) document_->SetAnimation(animationOf(deleted->animationBefore));
    auto again = std::make_unique<TUndo>();
    again->SetData(document_->CurrentImageData());
    again->RemoveImage = true;
    (history_[index].*stack).push(std::move(again));
    notify(TSessionHost::Images);
}

void EditSession::convertImage(int width, int height, int bits, bool stretch, bool dither) {
    finishEditing();
    saveUndo();
    ConvertImage(doc(), width, height, bits, stretch, dither);
    notify(TSessionHost::Pixels | TSessionHost::Images);
}

// ---- selection and clipboard commands -----------------------------------------------------------

void EditSession::selectAll() {
    finishEditing();
    const QSize size = document_->GetSize();
    const TRect all{0, 0, size.width(), size.height()};
    saveUndo();
    float_(doc().ExtractRect(all.toQRect(), true), all, ToolMode::RectangleFloating);
}

void EditSession::crop() {
    if (!floating_) return;
    endGestures();
    floating_->savedRect = floating_->rect;
    saveUndo();
    TIcon& icon = doc();
    const QSize size = icon.GetSize();
    const uint32_t clear = icon.BitCount() == 32 ? 0u : Transparent;
    icon.FilledRectangle(0, 0, size.width(), size.height(), clear, clear);
    icon.PasteIcon(*floating_->image, floating_->rect.toQRect());
    clearFloating();
    notify(TSessionHost::Pixels);
}

std::unique_ptr<TIcon> EditSession::decodeClipboard(const ClipboardContent& content) {
    auto icon = std::make_unique<TIcon>();
    if (content.document) {
        // Another program may have put anything there: it is read like a file.
        const QByteArray& bytes = *content.document;
        icon->LoadFromBytes(std::span(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                      static_cast<size_t>(bytes.size())));
        if (icon->ImageCount() == 0) throw TError("The clipboard holds no image.");
        icon->SelectImage(0);
        return icon;
    }
    const QImage& image = content.image;
    if (image.isNull()) return nullptr;
    int bits = 24;
    if (image.hasAlphaChannel()) {
        bits = 32;
    } else if (image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB) {
        bits = 1;
    } else if (image.format() == QImage::Format_Indexed8) {
        bits = image.colorCount() <= 16 ? 4 : 8;
    }
    icon->AddImage(image.width(), image.height(), bits);
    icon->PasteBitmap(image, 0, 0);
    return icon;
}

void EditSession::paste(const ClipboardContent& content) {
    // Everything is read before anything changes, so bad data leaves the document alone.
    auto pasted = decodeClipboard(content);
    if (!pasted) return;
    endGestures();
    saveUndo();
    dropSelection();
    const QSize size = pasted->GetSize();
    // The block floats at the first image pixel visible in the view.
    const int x0 = std::max(view.scroll.x() - view.origin.x(), 0) / view.zoom;
    const int y0 = std::max(view.scroll.y() - view.origin.y(), 0) / view.zoom;
    float_(std::move(pasted), TRect{x0, y0, x0 + size.width(), y0 + size.height()},
           ToolMode::RectangleFloating);
}

void EditSession::createImageFromClipboard(const ClipboardContent& content) {
    auto source = decodeClipboard(content);
    if (!source) return;
    finishEditing();
    const QSize size = source->GetSize();
    if (content.document) {
        // Our own format: the image comes over byte for byte, colour table included.
        document_->AddImage(size.width(), size.height(), source->BitCount());
        document_->SetCurrentImageData(source->CurrentImageData());
    } else {
        document_->AddImage(size.width(), size.height(), content.image.hasAlphaChannel() ? 32 : 24);
        document_->PasteBitmap(content.image, 0, 0);
    }
    added();
}

void EditSession::shift(int dx, int dy) {
    endGestures();
    if (floating_) floating_->savedRect = floating_->rect;
    saveUndo();
    if (floating_) {
        setSelectionRect(floating_->rect.translated(dx, dy));
        floating_->savedRect = floating_->rect;
    } else if (dx < 0) {
        doc().ShiftLeft();
    } else if (dx > 0) {
        doc().ShiftRight();
    } else if (dy < 0) {
        doc().ShiftUp();
    } else if (dy > 0) {
        doc().ShiftDown();
    }
    notify(TSessionHost::Pixels);
}

void EditSession::resizeSelection(int dRight, int dBottom) {
    if (!floating_ || drawing_) return;
    TRect r = floating_->rect;
    if (dRight < 0 && r.left + 1 >= r.right) return;
    if (dBottom < 0 && r.top + 1 >= r.bottom) return;
    r.right += dRight;
    r.bottom += dBottom;
    setSelectionRect(r);
    notify(TSessionHost::Pixels);
}

// ---- effects and transforms ---------------------------------------------------------------------

void EditSession::applyEffect(const std::function<void(TIcon&)>& effect) {
    endGestures();
    if (floating_) floating_->savedRect = floating_->rect;
    saveUndo();
    effect(floating_ ? *floating_->image : doc());
    notify(TSessionHost::Pixels);
}

void EditSession::beginPreview() {
    endGestures();
    if (floating_) floating_->savedRect = floating_->rect;
    saveUndo();
    previewing_ = true;
    // Every preview starts again from this: a copy of the floating image, or the image's bytes.
    if (floating_) {
        previewSelection_ = copyOf(*floating_->image);
    } else {
        saveSnapshot();
    }
}

void EditSession::preview(const std::function<void(TIcon&)>& effect) {
    if (!previewing_) return;
    if (previewSelection_ && floating_) {
        floating_->image = copyOf(*previewSelection_);
        effect(*floating_->image);
    } else {
        restoreSnapshot();
        effect(doc());
    }
    notify(TSessionHost::Pixels);
}

void EditSession::endPreview(bool accepted) {
    if (!previewing_) return;
    previewing_ = false;
    if (previewSelection_) {
        if (!accepted && floating_) floating_->image = std::move(previewSelection_);
        previewSelection_.reset();
    } else if (!accepted) {
        undo();
    }
    notify(TSessionHost::Pixels);
}

void EditSession::flip(bool vertical) {
    endGestures();
    if (floating_) floating_->savedRect = floating_->rect;
    saveUndo();
    TIcon& target = floating_ ? *floating_->image : doc();
    if (vertical) {
        target.FlipVertical();
    } else {
        target.FlipHorizontal();
    }
    notify(TSessionHost::Pixels);
}

void EditSession::rotateQuarter(bool left) {
    endGestures();
    if (floating_) floating_->savedRect = floating_->rect;
    saveUndo();
    if (floating_) {
        if (left) {
            floating_->image->RotateLeft();
        } else {
            floating_->image->RotateRight();
        }
        // The rectangle keeps its top-left corner and swaps its sides.
        const TRect r = floating_->rect;
        setSelectionRect({r.left, r.top, r.left + r.height(), r.top + r.width()});
        floating_->savedRect = floating_->rect;
        notify(TSessionHost::Pixels);
        return;
    }
    if (left) {
        doc().RotateLeft();
    } else {
        doc().RotateRight();
    }
    notify(TSessionHost::Pixels | TSessionHost::Images);
}

// ---- hue selection
// --------------------------------------------------------------------------------

void EditSession::hueMatch(QPoint cell, int range) {
    hueOutline_ = hueMatchRegion(*document_, cell, range);
    notify(TSessionHost::Pixels);
}

void EditSession::hueAccept() {
    const QImage mask = hueOutline_;
    hueOutline_ = QImage();
    notify(TSessionHost::Pixels);
    // The outline belongs to the image it was matched on.
    if (mask.isNull() || mask.size() != document_->GetSize()) return;
    endTextEntry();
    dropSelection();
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
    if (maxX < 0) return;
    const TRect r{minX, minY, maxX + 1, maxY + 1};
    saveUndo();
    auto lifted = doc().ExtractRect(r.toQRect(), false);
    doc().EraseMasked(mask);
    lifted->EraseMasked(outsideOf(mask, r.toQRect()));
    float_(std::move(lifted), r, ToolMode::HueFloating);
}

void EditSession::hueCancel() {
    hueOutline_ = QImage();
    notify(TSessionHost::Pixels);
}

}  // namespace tarvo
