#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <vector>

#include "TestSupport.h"
#include "raster/Planes.h"

namespace tarvo {
namespace {

// The current image as the block holds it: ARGB at 32 bits per pixel, otherwise the mask bit
// above the colour plane's RGB, so that inverse and transparent pixels differ.
std::vector<uint64_t> cells(TIcon& icon) {
    icon.SelectImage(icon.CurrentIndex());
    std::vector<uint64_t> out;
    for (int y = 0; y < icon.GetSize().height(); ++y)
        for (int x = 0; x < icon.GetSize().width(); ++x)
            out.push_back(icon.BitCount() == 32
                              ? icon.WorkBitmap().pixel(x, y)
                              : uint64_t(maskBit(icon.MaskBitmap().constScanLine(y)[x])) << 32 |
                                    (icon.ColorBitmap().pixel(x, y) & 0xFFFFFFu));
    return out;
}

TEST(Shift, EachDirectionMovesOnePixelAndLeavesTransparentBehindAtEveryDepth) {
    using Op = void (TIcon::*)();
    const std::tuple<Op, Op, int, int> shifts[] = {{&TIcon::ShiftLeft, &TIcon::ShiftRight, -1, 0},
                                                   {&TIcon::ShiftRight, &TIcon::ShiftLeft, 1, 0},
                                                   {&TIcon::ShiftUp, &TIcon::ShiftDown, 0, -1},
                                                   {&TIcon::ShiftDown, &TIcon::ShiftUp, 0, 1}};
    const QRgb colors[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000};
    std::mt19937 random(7);
    for (int bits : {1, 4, 8, 24, 32})
        for (const QSize size : {QSize(1, 1), QSize(7, 3), QSize(33, 5)}) {
            const int w = size.width(), h = size.height();
            TIcon icon;
            icon.AddImage(w, h, bits);
            // Random opaque colours, inverse (mask over white) and transparent (mask over black).
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const uint32_t r = x + y == 0 ? 0xFF000000u : uint32_t(random());
                    if (bits == 32) {
                        icon.WorkBitmap().setPixel(x, y, r);
                        continue;
                    }
                    const int kind = int(r % 7);
                    icon.ColorBitmap().setPixel(x, y, colors[kind < 5 ? kind : kind - 2]);
                    icon.MaskBitmap().scanLine(y)[x] = kind < 5 ? kMaskClear : kMaskSet;
                }
            icon.StoreImage();
            const std::vector<uint64_t> start = cells(icon);
            const test::Bytes saved(icon.CurrentImageData().begin(), icon.CurrentImageData().end());
            const uint64_t clear = bits == 32 ? 0 : uint64_t{1} << 32;
            auto moved = [&](const std::vector<uint64_t>& in, int dx, int dy) {
                std::vector<uint64_t> out(in.size(), clear);
                for (int y = std::max(dy, 0); y < h + std::min(dy, 0); ++y)
                    for (int x = std::max(dx, 0); x < w + std::min(dx, 0); ++x)
                        out[size_t(y * w + x)] = in[size_t((y - dy) * w + x - dx)];
                return out;
            };
            for (auto [op, back, dx, dy] : shifts) {
                SCOPED_TRACE(::testing::Message()
                             << bits << " bits, " << w << 'x' << h << ", by " << dx << ',' << dy);
                (icon.*op)();
                const std::vector<uint64_t> once = moved(start, dx, dy);
                EXPECT_EQ(cells(icon), once);
                // What moved out is lost: (a, b, c) -> (b, c, T) -> (T, b, c).
                (icon.*back)();
                EXPECT_EQ(cells(icon), moved(once, -dx, -dy));
                EXPECT_TRUE(w * h > 1 || cells(icon) == std::vector<uint64_t>{clear});  // one pixel
                icon.SetCurrentImageData(saved);
            }
        }
}

}  // namespace
}  // namespace tarvo
