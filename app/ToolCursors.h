#pragma once

#include <QCursor>
#include <QImage>

namespace tarvo {

// The editor's own mouse cursors, by the numbers the tool commands use.
enum TToolCursor : int { PencilCursor = 1, EyeCursor = 2, FillCursor = 3, BlurCursor = 4 };

// A 32 x 32 black-and-white cursor whose hot spot is the tip of the tool; the arrow for a number
// that names none. Built once, on first use (a GUI application must exist by then).
QCursor toolCursor(int number);
// The same picture as ARGB: opaque black, opaque white or fully transparent pixels. A null
// image for a number that names no cursor.
QImage toolCursorImage(int number);

}  // namespace tarvo
