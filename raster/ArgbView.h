#pragma once

#include <QImage>
#include <QRgb>
#include <QTransform>

namespace tarvo {

// A top-down ARGB view over caller memory whose rows are stored bottom-up, as the colour rows of
// a 32-bit image are in the icon block. Writes go straight to that memory: no copy, no store step.
// QImage cannot take a negative stride, so rows are mapped here, and painting goes through a
// QImage of the memory as it lies (bottom-up) with a flipping transform.
class ArgbView {
  public:
    ArgbView() = default;
    // rows: the first row in memory, which is the bottom row of the picture; 4-byte aligned.
    ArgbView(uchar* rows, int width, int height);

    bool isNull() const { return rows_ == nullptr; }
    int width() const { return width_; }
    int height() const { return height_; }
    QSize size() const { return {width_, height_}; }

    // Row y counted from the top of the picture.
    QRgb* scanLine(int y) { return reinterpret_cast<QRgb*>(rows_) + rowIndex(y) * width_; }
    const QRgb* scanLine(int y) const {
        return reinterpret_cast<const QRgb*>(rows_) + rowIndex(y) * width_;
    }
    QRgb pixel(int x, int y) const { return scanLine(y)[x]; }
    void setPixel(int x, int y, QRgb argb) { scanLine(y)[x] = argb; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    // The memory as a bottom-up QImage that writes in place; paint on it with paintTransform().
    // Never keep copies of it beyond the painting: a detached copy would stop writing through.
    QImage bottomUpImage() const;
    // Maps top-down picture coordinates onto bottomUpImage().
    QTransform paintTransform() const { return QTransform(1, 0, 0, -1, 0, height_); }

    // A top-down copy of the picture.
    QImage toImage() const;

  private:
    int rowIndex(int y) const { return height_ - 1 - y; }

    uchar* rows_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace tarvo
