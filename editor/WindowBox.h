#pragma once

#include <QAbstractScrollArea>
#include <QPoint>
#include <QSize>
#include <functional>

class QPainter;
class QMouseEvent;
class QWheelEvent;

namespace tarvo {

// The scrolling paint box behind the editing view, the preview and the colour panel: a client
// area with explicit scroll ranges, whose owner paints and handles the mouse through hooks.
//
// A range is the extent of the scrollable picture in client pixels; 0 (or a range that fits the
// client) means no scrolling in that direction. Painting is double-buffered by Qt's backing store,
// so hooks draw straight onto the viewport without flicker.
class TWindowBox : public QAbstractScrollArea {
    Q_OBJECT
  public:
    explicit TWindowBox(QWidget* parent = nullptr);

    void setScrollRanges(int horizontal, int vertical);
    int horizontalRange() const { return rangeX_; }
    int verticalRange() const { return rangeY_; }
    // The scroll positions sx, sy.
    QPoint scrollPosition() const;
    void setScrollPosition(QPoint position);
    QSize clientSize() const;

    // The painter draws on the client area, clipped to the exposed rectangle.
    std::function<void(QPainter&, const QRect& exposed)> onPaint;
    std::function<void(QMouseEvent&)> onMouseDown, onMouseMove, onMouseUp, onDoubleClick;
    std::function<void()> onResize;
    // A wheel turn; true when the hook took it, otherwise it scrolls.
    std::function<bool(QWheelEvent&)> onWheel;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    void updateScrollBars();

    int rangeX_ = 0;
    int rangeY_ = 0;
};

}  // namespace tarvo
