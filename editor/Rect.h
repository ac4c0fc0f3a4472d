#pragma once

#include <QRect>
#include <cstdint>

namespace tarvo {

// A rectangle as the editor's selections keep it: left, top, right, bottom in image pixels, the
// right and bottom edges excluded. Empty when right <= left or bottom <= top.
struct TRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;

    bool isEmpty() const { return right <= left || bottom <= top; }
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    QRect toQRect() const { return {left, top, right - left, bottom - top}; }
    TRect translated(int dx, int dy) const {
        return {left + dx, top + dy, right + dx, bottom + dy};
    }
    friend bool operator==(const TRect&, const TRect&) = default;
};

}  // namespace tarvo
