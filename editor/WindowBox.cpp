#include "editor/WindowBox.h"

#include "editor/Failures.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

namespace tarvo {

TWindowBox::TWindowBox(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    viewport()->setMouseTracking(true);
    // Every pixel is painted by the hook; the system need not clear first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void TWindowBox::setScrollRanges(int horizontal, int vertical) {
    rangeX_ = std::max(0, horizontal);
    rangeY_ = std::max(0, vertical);
    updateScrollBars();
}

QPoint TWindowBox::scrollPosition() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void TWindowBox::setScrollPosition(QPoint position) {
    horizontalScrollBar()->setValue(position.x());
    verticalScrollBar()->setValue(position.y());
}

QSize TWindowBox::clientSize() const {
    return viewport()->size();
}

void TWindowBox::updateScrollBars() {
    const QSize client = clientSize();
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    h->setPageStep(std::max(1, client.width()));
    v->setPageStep(std::max(1, client.height()));
    h->setSingleStep(8);
    v->setSingleStep(8);
    h->setRange(0, std::max(0, rangeX_ - client.width()));
    v->setRange(0, std::max(0, rangeY_ - client.height()));
    viewport()->update();
}

void TWindowBox::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.setClipRect(event->rect());
    if (onPaint) {
        onPaint(painter, event->rect());
    } else {
        painter.fillRect(event->rect(), palette().window());
    }
}

void TWindowBox::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
    if (onResize) onResize();
}

void TWindowBox::scrollContentsBy(int, int) {
    viewport()->update();
}

void TWindowBox::mousePressEvent(QMouseEvent* event) {
    if (onMouseDown) runGuarded([&] { onMouseDown(*event); });
}

void TWindowBox::mouseMoveEvent(QMouseEvent* event) {
    if (onMouseMove) runGuarded([&] { onMouseMove(*event); });
}

void TWindowBox::mouseReleaseEvent(QMouseEvent* event) {
    if (onMouseUp) runGuarded([&] { onMouseUp(*event); });
}

void TWindowBox::wheelEvent(QWheelEvent* event) {
    bool taken = false;
    if (onWheel) runGuarded([&] { taken = onWheel(*event); });
    if (taken) {
        event->accept();
    } else {
        QAbstractScrollArea::wheelEvent(event);
    }
}

void TWindowBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (onDoubleClick) {
        onDoubleClick(*event);
    } else if (onMouseDown) {
        runGuarded([&] { onMouseDown(*event); });
    }
}

}  // namespace tarvo
