// The drawing primitives of the document, in their two families: exact integer rasterising on
// the planes of paletted/16/24-bit images, and ARGB drawing on WorkBitmap for 32-bit images.
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <cmath>

#include "core/Contract.h"
#include "core/Icon.h"
#include "core/PixelFormats.h"
#include "raster/Blend.h"
#include "raster/Planes.h"
#include "raster/Rasteriser.h"

namespace tarvo {

namespace {

using SpanFn = std::function<void(int, int, int)>;

// What a colour value puts on the two planes of a paletted image.
struct PlaneColor {
    QRgb color;
    uchar mask;
};

PlaneColor planeColor(uint32_t v) {
    if (v == Inverse) return {qRgb(255, 255, 255), kMaskSet};
    if (v == Transparent) return {qRgb(0, 0, 0), kMaskSet};
    return {colorValueToRgb(v), kMaskClear};
}

bool isOpaqueValue(uint32_t v) {
    return v <= 0x00FFFFFFu;
}

QFont crispFont(const QFont& font) {
    QFont f = font;
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

// The source cells of `src` whose blocks in `dest` meet what the painter can show, and the
// rectangle those blocks cover. False when nothing is visible.
bool visibleCells(const QPainter& dc, const QRect& dest, const QRect& src, const QRect& image,
                  QRect& cells, QRectF& target) {
    if (dest.isEmpty() || src.isEmpty()) return false;
    QRectF area(dest);
    if (dc.hasClipping()) {
        area &= dc.clipBoundingRect();
    } else if (const QPaintDevice* device = dc.device()) {
        area &= dc.transform().inverted().mapRect(QRectF(0, 0, device->width(), device->height()));
    }
    if (area.isEmpty()) return false;
    const double sx = double(dest.width()) / src.width();
    const double sy = double(dest.height()) / src.height();
    QRect wanted(QPoint(src.x() + int(std::floor((area.left() - dest.x()) / sx)),
                        src.y() + int(std::floor((area.top() - dest.y()) / sy))),
                 QPoint(src.x() + int(std::ceil((area.right() - dest.x()) / sx)) - 1,
                        src.y() + int(std::ceil((area.bottom() - dest.y()) / sy)) - 1));
    cells = wanted & src & image;
    if (cells.isEmpty()) return false;
    target = QRectF(dest.x() + (cells.x() - src.x()) * sx, dest.y() + (cells.y() - src.y()) * sy,
                    cells.width() * sx, cells.height() * sy);
    return true;
}

// Icon rendering of two planes: AND with the mask, then XOR with the colour.
void drawPlanes(QPainter& dc, const QRect& dest, const QRect& src, const QImage& color,
                const QImage& mask) {
    QRect cells;
    QRectF target;
    if (!visibleCells(dc, dest, src, color.rect(), cells, target)) return;
    QImage andImage(cells.size(), QImage::Format_RGB32);
    for (int y = 0; y < cells.height(); ++y) {
        const uchar* m = mask.constScanLine(cells.y() + y) + cells.x();
        QRgb* out = reinterpret_cast<QRgb*>(andImage.scanLine(y));
        for (int x = 0; x < cells.width(); ++x) out[x] = maskBit(m[x]) ? 0xFFFFFFFFu : 0xFF000000u;
    }
    dc.save();
    dc.setRenderHint(QPainter::SmoothPixmapTransform, false);
    dc.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    dc.drawImage(target, andImage);
    dc.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    dc.drawImage(target, color.copy(cells));
    dc.restore();
}

}  // namespace

void TIcon::commit() {
    StoreImage();
    SelectImage(currentIndex_);
}

void TIcon::fillSpansPlanes(const std::function<void(const SpanFn&)>& shape, uint32_t color) {
    const PlaneColor c = planeColor(color);
    QImage& colorPlane = ColorBitmap();
    QImage& maskPlane = MaskBitmap();
    shape([&](int y, int x0, int x1) {
        QRgb* row = reinterpret_cast<QRgb*>(colorPlane.scanLine(y));
        std::fill(row + x0, row + x1 + 1, c.color);
        uchar* m = maskPlane.scanLine(y);
        std::fill(m + x0, m + x1 + 1, c.mask);
    });
}

void TIcon::fillSpansArgb(const std::function<void(const SpanFn&)>& shape, uint32_t color,
                          bool copy) {
    shape([&](int y, int x0, int x1) {
        QRgb* row = workBitmap_.scanLine(y);
        for (int x = x0; x <= x1; ++x) row[x] = copy ? color : blendSourceOver(row[x], color);
    });
}

void TIcon::composeOver(const QImage& layer) {
    for (int y = 0; y < layer.height(); ++y) {
        const QRgb* src = reinterpret_cast<const QRgb*>(layer.constScanLine(y));
        QRgb* dst = workBitmap_.scanLine(y);
        for (int x = 0; x < layer.width(); ++x)
            if (src[x] != 0) dst[x] = blendSourceOver(dst[x], src[x]);
    }
}

void TIcon::paintArgb(const std::function<void(QPainter&)>& paint, bool smooth, bool centres) {
    QImage target = workBitmap_.bottomUpImage();
    QPainter p(&target);
    p.setTransform(workBitmap_.paintTransform());
    if (centres) p.translate(0.5, 0.5);
    p.setRenderHint(QPainter::Antialiasing, smooth);
    p.setRenderHint(QPainter::TextAntialiasing, smooth);
    paint(p);
}

uint32_t TIcon::GetPixelValue(int x, int y) const {
    const int bits = BitCount();
    TARVO_EXPECT_OR(bits != 0, Transparent);
    if (!imageRect().contains(x, y)) return bits == 32 ? 0 : Transparent;
    if (bits == 32) return workBitmap_.pixel(x, y);
    if (maskBit(iconImage_->MaskBitmap.constScanLine(y)[x])) return Transparent;
    return rgbToColorValue(iconImage_->ColorBitmap.pixel(x, y));
}

void TIcon::SetPixelValue(int x, int y, uint32_t color) {
    const int bits = BitCount();
    TARVO_EXPECT(bits != 0);
    if (bits == 32 && qAlpha(color) != 0) TARVO_EXPECT(strokeActive());
    if (!imageRect().contains(x, y)) return;
    if (bits != 32) {
        fillSpansPlanes([&](const SpanFn& span) { span(y, x, x); }, color);
    } else if (qAlpha(color) == 0) {
        workBitmap_.setPixel(x, y, color);
    } else {
        reinterpret_cast<QRgb*>(strokeLayer_.scanLine(y))[x] = color;
    }
}

void TIcon::MoveTo(int x, int y) {
    penPosition_ = QPoint(x, y);
}

void TIcon::LineTo(int x, int y, uint32_t color) {
    const int bits = BitCount();
    TARVO_EXPECT(bits != 0);
    const QPoint from = penPosition_, to(x, y);
    penPosition_ = to;
    const QRect clip = imageRect();
    if (bits != 32) {
        // The end point explicitly, then the line without it.
        fillSpansPlanes(
            [&](const SpanFn& span) {
                if (clip.contains(to)) span(y, x, x);
                raster::line(from, to, clip, false, [&](int px, int py) { span(py, px, px); });
            },
            color);
    } else if (qAlpha(color) != 0 && strokeActive()) {
        raster::line(from, to, clip, true, [&](int px, int py) {
            reinterpret_cast<QRgb*>(strokeLayer_.scanLine(py))[px] = color;
        });
    } else if (qAlpha(color) == 0 || !SmoothEdges) {
        // Erasing copies alpha 0; a hard-edged line blends the pen whole, the pencil's pixels.
        fillSpansArgb(
            [&](const SpanFn& span) {
                raster::line(from, to, clip, true, [&](int px, int py) { span(py, px, px); });
            },
            color, qAlpha(color) == 0);
    } else {
        paintArgb(
            [&](QPainter& p) {
                p.setPen(QPen(QColor::fromRgba(color), 1.0, Qt::SolidLine, Qt::FlatCap));
                p.drawLine(QPointF(from), QPointF(to));
            },
            true, true);
    }
}

void TIcon::Rectangle(int x1, int y1, int x2, int y2, uint32_t color) {
    const int bits = BitCount();
    TARVO_EXPECT(bits != 0);
    const QRect clip = imageRect();
    if (bits != 32) {
        fillSpansPlanes(
            [&](const SpanFn& span) { raster::rectOutline(x1, y1, x2 - 1, y2 - 1, clip, span); },
            color);
    } else {
        fillSpansArgb([&](const SpanFn& span) { raster::rectOutline(x1, y1, x2, y2, clip, span); },
                      color, qAlpha(color) == 0);
    }
}

void TIcon::FilledRectangle(int x1, int y1, int x2, int y2, uint32_t pen, uint32_t brush) {
    const int bits = BitCount();
    TARVO_EXPECT(bits != 0);
    const QRect clip = imageRect();
    // Both families: outline through x1..x2, interior x1+1..x2-1.
    auto outline = [&](const SpanFn& span) { raster::rectOutline(x1, y1, x2, y2, clip, span); };
    auto interior = [&](const SpanFn& span) {
        raster::fillRect(int64_t(x1) + 1, int64_t(y1) + 1, int64_t(x2) - 1, int64_t(y2) - 1, clip,
                         span);
    };
    if (bits != 32) {
        fillSpansPlanes(interior, brush);
        fillSpansPlanes(outline, pen);
        commit();
    } else {
        const bool copy = qAlpha(pen) == 0;
        fillSpansArgb(outline, pen, copy);
        fillSpansArgb(interior, brush, copy);
    }
}

void TIcon::Ellipse(int x1, int y1, int x2, int y2, uint32_t color) {
    const int bits = BitCount();
    TARVO_EXPECT(bits != 0);
    const QRect clip = imageRect();
    auto none = [](int, int, int) {};
    if (bits != 32) {
        fillSpansPlanes(
            [&](const SpanFn& span) { raster::ellipse(x1, y1, x2 - 1, y2 - 1, clip, span, none); },
            color);
    } else if (qAlpha(color) == 0 || !SmoothEdges) {
        fillSpansArgb(
            [&](const SpanFn& span) { raster::ellipse(x1, y1, x2, y2, clip, span, none); }, color,
            qAlpha(color) == 0);
    } else {
        paintArgb(
            [&](QPainter& p) {
                p.setPen(QPen(QColor::fromRgba(color), 1.0));
                p.setBrush(Qt::NoBrush);
                p.drawEllipse(QRectF(x1, y1, x2 - x1, y2 - y1));
            },
            true, true);
    }
}

void TIcon::FilledEllipse(int x1, int y1, int x2, int y2, uint32_t pen, uint32_t brush) {
    const int bits = BitCount();
    TARVO_EXPECT(bits != 0);
    const QRect clip = imageRect();
    auto none = [](int, int, int) {};
    if (bits != 32) {
        fillSpansPlanes(
            [&](const SpanFn& span) { raster::ellipse(x1, y1, x2 - 1, y2 - 1, clip, none, span); },
            brush);
        fillSpansPlanes(
            [&](const SpanFn& span) { raster::ellipse(x1, y1, x2 - 1, y2 - 1, clip, span, none); },
            pen);
    } else if (qAlpha(pen) == 0) {
        // Source-copy of the brush over the pixels whose centres the ellipse covers.
        fillSpansArgb(
            [&](const SpanFn& span) {
                raster::ellipseByCentres(QRectF(x1, y1, x2 - x1, y2 - y1), clip, span);
            },
            brush, true);
    } else if (!SmoothEdges) {
        // Outline and interior never share a pixel: each blends once.
        fillSpansArgb(
            [&](const SpanFn& span) { raster::ellipse(x1, y1, x2, y2, clip, none, span); }, brush,
            false);
        fillSpansArgb(
            [&](const SpanFn& span) { raster::ellipse(x1, y1, x2, y2, clip, span, none); }, pen,
            false);
    } else {
        // Drawn smoothed on a layer of its own, then composed once.
        QImage layer = createArgbRaster(clip.width(), clip.height());
        {
            QPainter p(&layer);
            p.translate(0.5, 0.5);
            p.setRenderHint(QPainter::Antialiasing, true);
            const QRectF box(x1, y1, x2 - x1, y2 - y1);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor::fromRgba(brush));
            p.drawEllipse(box);
            p.setPen(QPen(QColor::fromRgba(pen), 1.0));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(box);
        }
        composeOver(layer);
    }
}

void TIcon::BeginStroke() {
    TARVO_EXPECT(BitCount() != 0);
    if (BitCount() != 32 || strokeActive()) return;
    strokeLayer_ = createArgbRaster(GetSize().width(), GetSize().height());
}

void TIcon::EndStroke() {
    if (BitCount() != 32) return;
    TARVO_EXPECT(strokeActive());
    composeOver(strokeLayer_);
    strokeLayer_ = QImage();
}

void TIcon::SmoothPixel(int x, int y, int size) {
    const int bits = BitCount();
    TARVO_EXPECT(bits != 0);
    if (!imageRect().contains(x, y)) return;
    const int h = (size - 1) / 2;
    if (bits != 32) {
        if (!isOpaqueValue(GetPixelValue(x, y))) return;
        int r = 0, g = 0, b = 0, n = 0;
        for (int px = x - h; px <= x + h; ++px)
            for (int py = y - h; py <= y + h; ++py) {
                const uint32_t v = GetPixelValue(px, py);
                if (!isOpaqueValue(v)) continue;  // outside the image, transparent or inverse
                r += int(v & 0xFF);
                g += int((v >> 8) & 0xFF);
                b += int((v >> 16) & 0xFF);
                ++n;
            }
        SetPixelValue(x, y, uint32_t(r / n) | uint32_t(g / n) << 8 | uint32_t(b / n) << 16);
        return;
    }
    const QSize size2 = GetSize();
    const int x0 = std::max(x - h, 0), x1 = std::min(x + h, size2.width() - 1);
    const int y0 = std::max(y - h, 0), y1 = std::min(y + h, size2.height() - 1);
    uint64_t a = 0, r = 0, g = 0, b = 0, n = 0;
    for (int py = y0; py <= y1; ++py)
        for (int px = x0; px <= x1; ++px) {
            const QRgb c = workBitmap_.pixel(px, py);
            a += qAlpha(c);
            r += qRed(c);
            g += qGreen(c);
            b += qBlue(c);
            ++n;
        }
    workBitmap_.setPixel(x, y, qRgba(int(r / n), int(g / n), int(b / n), int(a / n)));
}

void TIcon::TextOut(int x, int y, const QString& text, uint32_t color) {
    const int bits = BitCount();
    TARVO_EXPECT(bits != 0);
    if (bits == 32 && SmoothEdges) {
        paintArgb(
            [&](QPainter& p) {
                p.setFont(TextFont);
                p.setPen(QColor::fromRgba(color));
                p.drawText(QPointF(x, y + QFontMetricsF(TextFont).ascent()), text);
            },
            true, false);
        return;
    }
    // Without anti-aliasing the glyphs cover whole pixels, so colour and mask agree exactly and
    // 32-bit pixels take the pen whole.
    const QSize size = GetSize();
    QImage cover = createArgbRaster(size.width(), size.height());
    {
        const QFont font = crispFont(TextFont);
        QPainter p(&cover);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QPoint(x, y + QFontMetrics(font).ascent()), text);
    }
    auto glyphs = [&](const SpanFn& span) {
        for (int py = 0; py < size.height(); ++py) {
            const QRgb* row = reinterpret_cast<const QRgb*>(cover.constScanLine(py));
            for (int px = 0; px < size.width(); ++px)
                if (qAlpha(row[px]) >= 128) span(py, px, px);
        }
    };
    if (bits == 32) {
        fillSpansArgb(glyphs, color, false);
        return;
    }
    fillSpansPlanes(glyphs, color);
    commit();
}

QSize TIcon::TextExtent(const QString& text) const {
    if (BitCount() == 32 && SmoothEdges) {
        const QFontMetricsF metrics(TextFont);
        return {int(std::nearbyint(metrics.horizontalAdvance(text))),
                int(std::nearbyint(metrics.height()))};
    }
    const QFontMetrics metrics(crispFont(TextFont));
    return {metrics.horizontalAdvance(text), metrics.height()};
}

void TIcon::StretchDraw(QPainter& dc, const QRect& dest, const QRect& src) const {
    const int bits = BitCount();
    if (bits == 0) return;
    if (bits != 32) {
        drawPlanes(dc, dest, src, iconImage_->ColorBitmap, iconImage_->MaskBitmap);
        return;
    }
    QRect cells;
    QRectF target;
    if (!visibleCells(dc, dest, src, imageRect(), cells, target)) return;
    QImage pixels(cells.size(), QImage::Format_ARGB32);
    for (int y = 0; y < cells.height(); ++y)
        std::copy_n(workBitmap_.scanLine(cells.y() + y) + cells.x(), cells.width(),
                    reinterpret_cast<QRgb*>(pixels.scanLine(y)));
    dc.save();
    dc.setRenderHint(QPainter::SmoothPixmapTransform, false);
    dc.setCompositionMode(QPainter::CompositionMode_SourceOver);
    dc.drawImage(target, pixels);
    if (strokeActive()) dc.drawImage(target, strokeLayer_, QRectF(cells));
    dc.restore();
}

void TIcon::Draw(QPainter& dc, const QRect& rect) const {
    const int bits = BitCount();
    if (bits == 0) return;
    if (bits == 32) {
        StretchDraw(dc, rect, imageRect());
        return;
    }
    const TIconHandle& icon = iconImage_->IconHandle;
    drawPlanes(dc, rect, icon.color.rect(), icon.color, icon.mask);
}

}  // namespace tarvo
