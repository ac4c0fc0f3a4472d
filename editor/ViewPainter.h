#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "editor/Rect.h"

class QPainter;

namespace tarvo {

class TIcon;

// The geometry and painting of a document window's two views: the editing view, one square cell
// of `zoom` screen pixels per image pixel inside a one-cell border, and the preview at actual
// size. Widget-free, so tests and benchmarks paint into plain images.

inline constexpr int kMinZoom = 1;
inline constexpr int kMaxZoom = 64;
// Below this cell size grid lines would hide the pixels, so the grid is left out.
inline constexpr int kMinGridZoom = 4;

// The largest zoom at which the image and its border fit the client, but at least kMinZoom.
int fitZoom(QSize client, QSize image);
// Zoom steps double and halve the cell size: the next power of two above or below `zoom`, within
// kMinZoom..kMaxZoom (a fitted zoom of 13 goes to 16 or 8).
int zoomInStep(int zoom);
int zoomOutStep(int zoom);
// The scroll position that keeps the point of the image under `anchor` (client pixels) where it
// is when the zoom changes from `from` to `to`; origins as gridOrigin gives them.
QPoint scrollKeepingAnchor(QPoint anchor, QPoint scroll, QPoint fromOrigin, int from,
                           QPoint toOrigin, int to);
// The client position of the image's top-left cell before scrolling: centred, or 4 pixels in
// from the edge when it does not fit, then one border cell further in.
QPoint gridOrigin(QSize client, QSize image, int zoom);
// Scroll ranges of the editing view: the image plus its border plus 8, in each direction where
// that does not fit the client; 0 where it does.
QSize editingScrollRanges(QSize client, QSize image, int zoom);
QSize previewScrollRanges(QSize client, QSize image);
// The image cell under a client point; division rounds toward zero, as mouse tools expect.
QPoint cellAt(QPoint client, QPoint origin, QPoint scroll, int zoom);
// "X: %.3d Y: %.3d" for a cell, with the sign before the padded digits.
QString cellStatusText(QPoint cell);

// The eight z x z handle squares of a selection shown at `onScreen`, numbered 1..8 from the
// top-left corner clockwise (index 0 is handle 1).
std::array<QRect, 8> selectionHandles(const QRect& onScreen, int zoom);

// What transparent pixels show in the editing view.
enum class Transparency { Tiles, Checkerboard };
// One z x z cell of the transparency tiles: aqua with teal corners and centre.
QImage transparencyTile(int zoom);
// The neutral checkerboard: squares of kCheckerSquare screen pixels, light and mid grey.
inline constexpr int kCheckerSquare = 8;
inline constexpr QRgb kCheckerLight = 0xFFFFFFFF;
inline constexpr QRgb kCheckerDark = 0xFFCCCCCC;
QImage checkerboardTile();
inline constexpr QRgb kHotSpotColor = 0xFFFF0000;
// Colours of the views.
inline constexpr QRgb kFrameColor = 0xFF0000FF;  // blue
inline constexpr QRgb kGridColor = 0xFF808080;
inline constexpr QRgb kGridMajorColor = 0xFF000000;
// The colour of grid line k: every eighth line, from the image's top and left edges, is black.
inline QRgb gridLineColor(int k) {
    return k % 8 == 0 ? kGridMajorColor : kGridColor;
}

struct EditingViewState {
    const TIcon* image = nullptr;  // the document, its current image shown
    int zoom = kMinZoom;
    QPoint scroll;      // sx, sy
    QColor background;  // the button face colour
    int toolCode = 0;
    bool selectionActive = false;
    TRect selectionRect;
    const TIcon* selectionImage = nullptr;
    std::span<const QPoint> lassoPoints;
    const QImage* selectionOutline = nullptr;  // image-sized, non-zero = matched
    std::optional<QPoint> mouseCell;           // for the eraser's square
    uint32_t brushColor = 0;
    std::optional<QRect> caret;  // the text caret, in client pixels
    bool grid = true;            // drawn only from kMinGridZoom up
    Transparency transparency = Transparency::Tiles;
    std::optional<QPoint> hotSpot;  // a cursor's hot spot, marked on its cell
};

// Paints the editing view over the painter's clip (the client is `client` pixels). Only the
// cells meeting the clip are rasterised.
void paintEditingView(QPainter& dc, QSize client, const EditingViewState& state);

struct PreviewState {
    const TIcon* image = nullptr;
    QPoint scroll;
    QColor background;
    bool selectionActive = false;
    TRect selectionRect;
    const TIcon* selectionImage = nullptr;
    // A frame of an animation being played, shown instead of the current image.
    const QImage* frame = nullptr;
};

// The top-left corner of the preview's framed box.
QPoint previewOrigin(QSize client, QSize image, QPoint scroll);
void paintPreview(QPainter& dc, QSize client, const PreviewState& state);

}  // namespace tarvo
