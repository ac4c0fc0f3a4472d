// Fill, erase and region transfer on the current image.
#include "core/Contract.h"
#include "core/Icon.h"
#include "core/PixelFormats.h"
#include "raster/Blend.h"
#include "raster/ColorMatch.h"
#include "raster/Errors.h"
#include "raster/Planes.h"
#include "raster/Rasteriser.h"

namespace tarvo {

namespace {

using SpanFn = std::function<void(int, int, int)>;

constexpr QRgb kBlack = 0xFF000000u;
constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr QRgb kPureRed = 0xFFFF0000u;

QRgb rgb24(QRgb c) {
    return c & 0xFFFFFFu;
}

// Calls f(x, y) for every pixel of a region.
template <class F>
void forRegion(const std::vector<uint8_t>& region, int w, F&& f) {
    for (size_t i = 0; i < region.size(); ++i)
        if (region[i]) f(int(i % size_t(w)), int(i / size_t(w)));
}

}  // namespace

void TIcon::FloodFill(int x, int y, uint32_t v) {
    const int bits = BitCount();
    TARVO_EXPECT(bits != 0);
    const QSize size = GetSize();
    const int w = size.width(), h = size.height();
    if (!imageRect().contains(x, y)) return;

    if (bits == 32) {
        const QRgb target = workBitmap_.pixel(x, y);
        if (target == v) return;
        const auto region = raster::floodRegion(
            w, h, {x, y}, [&](int px, int py) { return workBitmap_.pixel(px, py) == target; });
        // Through the stroke layer: a translucent fill blends with the old colour once. An
        // alpha-0 colour goes straight to the image, as SetPixelValue puts it.
        BeginStroke();
        for (int py = 0; py < h; ++py) {
            const uint8_t* in = region.data() + size_t(py) * size_t(w);
            QRgb* row = qAlpha(v) == 0 ? workBitmap_.scanLine(py)
                                       : reinterpret_cast<QRgb*>(strokeLayer_.scanLine(py));
            for (int px = 0; px < w; ++px)
                if (in[px]) row[px] = v;
        }
        EndStroke();
        return;
    }

    QImage& color = ColorBitmap();
    QImage& mask = MaskBitmap();
    auto colorAt = [&](int px, int py) {
        return rgb24(reinterpret_cast<const QRgb*>(color.constScanLine(py))[px]);
    };
    auto masked = [&](int px, int py) { return maskBit(mask.constScanLine(py)[px]); };
    auto setColor = [&](int px, int py, QRgb c) {
        reinterpret_cast<QRgb*>(color.scanLine(py))[px] = c;
    };
    auto setMask = [&](int px, int py, uchar m) { mask.scanLine(py)[px] = m; };

    const QRgb c = colorAt(x, y);
    const bool m = masked(x, y);
    const bool special = v == Transparent || v == Inverse;
    const bool blackOrWhite = c == 0 || c == 0xFFFFFFu;
    const QPoint start(x, y);
    auto opaqueOf = [&](QRgb wanted) {
        return raster::floodRegion(w, h, start, [&](int px, int py) {
            return !masked(px, py) && colorAt(px, py) == wanted;
        });
    };

    if (!m && special) {
        const QRgb plane = v == Transparent ? kBlack : kWhite;
        std::vector<uint8_t> region;
        if (!blackOrWhite) {
            region = opaqueOf(c);
        } else {
            // Black and white are the colours of transparent and inverse pixels: recolour the
            // area pure red on a scratch plane first, then take the opaque red area around it,
            // which also takes in opaque pure-red pixels touching it.
            const auto first = opaqueOf(c);
            QImage scratch = color.copy();
            forRegion(first, w, [&](int px, int py) { scratch.setPixel(px, py, kPureRed); });
            region = raster::floodRegion(w, h, start, [&](int px, int py) {
                return !masked(px, py) && rgb24(scratch.pixel(px, py)) == rgb24(kPureRed);
            });
        }
        forRegion(region, w, [&](int px, int py) {
            setMask(px, py, kMaskSet);
            setColor(px, py, plane);
        });
    } else if (!m && blackOrWhite) {
        const auto region = opaqueOf(c);
        forRegion(region, w, [&](int px, int py) { setColor(px, py, colorValueToRgb(v)); });
    } else if (m) {
        // Transparent and inverse areas are told apart by their colour plane.
        const auto region = raster::floodRegion(
            w, h, start, [&](int px, int py) { return masked(px, py) && colorAt(px, py) == c; });
        const QRgb plane = v == Transparent ? kBlack : v == Inverse ? kWhite : colorValueToRgb(v);
        forRegion(region, w, [&](int px, int py) { setColor(px, py, plane); });
        if (!special) {
            const auto area =
                raster::floodRegion(w, h, start, [&](int px, int py) { return masked(px, py); });
            forRegion(area, w, [&](int px, int py) { setMask(px, py, kMaskClear); });
        }
    } else {
        const auto region =
            raster::floodRegion(w, h, start, [&](int px, int py) { return colorAt(px, py) == c; });
        forRegion(region, w, [&](int px, int py) { setColor(px, py, colorValueToRgb(v)); });
    }
    commit();
}

void TIcon::ErasePolygon(std::span<const QPoint> points) {
    const int bits = BitCount();
    TARVO_EXPECT(bits != 0);
    if (points.empty()) return;
    const QRect clip = imageRect();
    auto shape = [&](const SpanFn& span) {
        raster::polygonSpans(points, clip, span);
        for (size_t i = 0; i < points.size(); ++i)
            raster::line(points[i], points[(i + 1) % points.size()], clip, true,
                         [&](int px, int py) { span(py, px, px); });
    };
    if (bits == 32) {
        fillSpansArgb(shape, 0, true);
        return;
    }
    fillSpansPlanes(shape, Transparent);
    commit();
}

void TIcon::EraseEllipse(const QRect& rect) {
    const int bits = BitCount();
    TARVO_EXPECT(bits != 0);
    if (bits == 32) {
        FilledEllipse(rect.left(), rect.top(), rect.left() + rect.width(),
                      rect.top() + rect.height(), 0, 0);
        return;
    }
    FilledEllipse(rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height(),
                  Transparent, Transparent);
    commit();
}

void TIcon::EraseMasked(const QImage& bits) {
    const int depth = BitCount();
    TARVO_EXPECT(depth != 0);
    const QImage erase = bits.convertToFormat(QImage::Format_Grayscale8);
    const QRect area = imageRect() & erase.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const uchar* e = erase.constScanLine(y);
        for (int x = area.left(); x <= area.right(); ++x) {
            if (e[x] == 0) continue;
            if (depth == 32) {
                workBitmap_.setPixel(x, y, 0);
            } else {
                MaskBitmap().scanLine(y)[x] = kMaskSet;
                reinterpret_cast<QRgb*>(ColorBitmap().scanLine(y))[x] = kBlack;
            }
        }
    }
    if (depth != 32) commit();
}

std::unique_ptr<TIcon> TIcon::ExtractRect(const QRect& rect, bool cut) {
    const int bits = BitCount();
    TARVO_EXPECT_OR(bits != 0, nullptr);
    if (rect.width() <= 0 || rect.height() <= 0) throw TError("The selection is empty.");
    auto out = std::make_unique<TIcon>();
    out->AddImage(rect.width(), rect.height(), bits);
    // The part of the rectangle inside this image; the rest of the new image stays transparent.
    const QRect inside = rect & imageRect();
    const QPoint to = inside.topLeft() - rect.topLeft();
    if (bits == 32) {
        for (int y = 0; y < inside.height(); ++y)
            std::copy_n(workBitmap_.scanLine(inside.y() + y) + inside.x(), inside.width(),
                        out->workBitmap_.scanLine(to.y() + y) + to.x());
    } else {
        // 8-bit images keep their table; 1- and 4-bit ones are remapped to the default table.
        if (bits == 8) std::copy_n(ColorTable(), tableSize(8), out->ColorTable());
        for (int y = 0; y < inside.height(); ++y) {
            std::copy_n(reinterpret_cast<const QRgb*>(ColorBitmap().constScanLine(inside.y() + y)) +
                            inside.x(),
                        inside.width(),
                        reinterpret_cast<QRgb*>(out->ColorBitmap().scanLine(to.y() + y)) + to.x());
            std::copy_n(MaskBitmap().constScanLine(inside.y() + y) + inside.x(), inside.width(),
                        out->MaskBitmap().scanLine(to.y() + y) + to.x());
        }
        out->commit();
    }
    if (cut) {
        const uint32_t none = bits == 32 ? 0 : Transparent;
        FilledRectangle(rect.left(), rect.top(), rect.left() + rect.width() - 1,
                        rect.top() + rect.height() - 1, none, none);
    }
    return out;
}

void TIcon::PasteBitmap(const QImage& bitmap, int x, int y) {
    const int bits = BitCount();
    TARVO_EXPECT(bits != 0);
    if (bitmap.isNull()) return;
    const QRect area = QRect(QPoint(x, y), bitmap.size()) & imageRect();
    if (bits == 32) {
        // Pixels with an alpha channel keep it; others arrive opaque. Copied, not blended.
        const QImage src = bitmap.convertToFormat(bitmap.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                           : QImage::Format_RGB32);
        for (int py = area.top(); py <= area.bottom(); ++py)
            std::copy_n(
                reinterpret_cast<const QRgb*>(src.constScanLine(py - y)) + (area.left() - x),
                area.width(), workBitmap_.scanLine(py) + area.left());
        return;
    }
    const QImage src = bitmap.convertToFormat(QImage::Format_RGB32);
    for (int py = area.top(); py <= area.bottom(); ++py) {
        std::copy_n(reinterpret_cast<const QRgb*>(src.constScanLine(py - y)) + (area.left() - x),
                    area.width(),
                    reinterpret_cast<QRgb*>(ColorBitmap().scanLine(py)) + area.left());
        std::fill_n(MaskBitmap().scanLine(py) + area.left(), area.width(), kMaskClear);
    }
    commit();
}

void TIcon::PasteIcon(TIcon& source, const QRect& rect) {
    const int bits = BitCount();
    TARVO_EXPECT(bits != 0 && source.BitCount() != 0);
    const QSize from = source.GetSize();
    if (rect.width() <= 0 || rect.height() <= 0) return;
    const QRect area = rect & imageRect();
    // Nearest source pixel for a destination pixel of the rectangle.
    auto sourceX = [&](int x) {
        return int(int64_t(x - rect.left()) * from.width() / rect.width());
    };
    auto sourceY = [&](int y) {
        return int(int64_t(y - rect.top()) * from.height() / rect.height());
    };

    if (bits == 32) {
        const QImage pixels = source.BitCount() == 32
                                  ? source.workBitmap_.toImage()
                                  : source.ColorBitmap().convertToFormat(QImage::Format_ARGB32);
        for (int y = area.top(); y <= area.bottom(); ++y) {
            const QRgb* src = reinterpret_cast<const QRgb*>(pixels.constScanLine(sourceY(y)));
            QRgb* dst = workBitmap_.scanLine(y);
            for (int x = area.left(); x <= area.right(); ++x)
                dst[x] = blendSourceOver(dst[x], src[sourceX(x)]);
        }
        return;
    }

    // A 32-bit source first becomes a paletted-side document: alpha 0 is transparent.
    TIcon* icon = &source;
    std::unique_ptr<TIcon> converted;
    if (source.BitCount() == 32) {
        const QImage argb = source.workBitmap_.toImage();
        TIconHandle handle{argb.convertToFormat(QImage::Format_RGB32),
                           createMaskPlane(from.width(), from.height())};
        for (int y = 0; y < from.height(); ++y) {
            const QRgb* a = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
            for (int x = 0; x < from.width(); ++x)
                if (qAlpha(a[x]) == 0) handle.mask.scanLine(y)[x] = kMaskSet;
        }
        converted = std::make_unique<TIcon>();
        converted->LoadFromIconHandle(handle);
        converted->ClearTransparentPixels();
        icon = converted.get();
    }
    // Icon drawing: AND with the mask, XOR with the colour; the masks combine by AND.
    const TIconHandle& handle = icon->IconHandle();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const int sy = sourceY(y);
        const QRgb* sc = reinterpret_cast<const QRgb*>(handle.color.constScanLine(sy));
        const uchar* sm = handle.mask.constScanLine(sy);
        QRgb* dc = reinterpret_cast<QRgb*>(ColorBitmap().scanLine(y));
        uchar* dm = MaskBitmap().scanLine(y);
        for (int x = area.left(); x <= area.right(); ++x) {
            const int sx = sourceX(x);
            const bool transparent = maskBit(sm[sx]);
            dc[x] = ((transparent ? dc[x] : kBlack) ^ rgb24(sc[sx])) | kBlack;
            if (!transparent) dm[x] = kMaskClear;
        }
    }
    commit();
}

QImage TIcon::CreateImageBitmap() const {
    const int bits = BitCount();
    TARVO_EXPECT_OR(bits != 0, QImage());
    if (bits == 32) return workBitmap_.toImage();
    const QImage& color = iconImage_->IconHandle.color;
    switch (bits) {
        case 16:
            return color.convertToFormat(QImage::Format_RGB555);
        case 24:
            return color.convertToFormat(QImage::Format_RGB888);
        default:
            break;
    }
    // 1, 4 and 8 bits: the image's own table and indices.
    const int n = 1 << bits;
    const std::array<QRgb, 256> table = readColorTable(imageBytes(currentIndex_) + 40, bits);
    NearestColorTable nearest(std::span(table.data(), size_t(n)));
    QImage out(color.size(), bits == 1 ? QImage::Format_Mono : QImage::Format_Indexed8);
    if (out.isNull()) throw EOutOfResources();
    out.setColorTable(QList<QRgb>(table.begin(), table.begin() + n));
    for (int y = 0; y < color.height(); ++y) {
        const QRgb* c = reinterpret_cast<const QRgb*>(color.constScanLine(y));
        for (int x = 0; x < color.width(); ++x) out.setPixel(x, y, uint(nearest.indexOf(c[x])));
    }
    return out;
}

}  // namespace tarvo
