#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "TestSupport.h"
#include "raster/Planes.h"

namespace tarvo {
namespace {

// Every pixel of the current image as read back from the block: ARGB at 32 bits per pixel,
// otherwise the mask bit above the colour plane's RGB, so inverse and transparent pixels differ.
using Cells = std::vector<uint64_t>;

Cells cells(TIcon& icon) {
    icon.SelectImage(icon.CurrentIndex());
    const QSize s = icon.GetSize();
    Cells out;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            out.push_back(icon.BitCount() == 32
                              ? icon.WorkBitmap().pixel(x, y)
                              : uint64_t(maskBit(icon.MaskBitmap().pixel(x, y) & 0xFF)) << 32 |
                                    (icon.ColorBitmap().pixel(x, y) & 0xFFFFFFu));
    return out;
}

// The cells moved by (dx, dy), the line left free transparent.
Cells moved(const Cells& in, int w, int h, int dx, int dy, uint64_t transparent) {
    Cells out(in.size(), transparent);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (x - dx >= 0 && x - dx < w && y - dy >= 0 && y - dy < h)
                out[size_t(y * w + x)] = in[size_t((y - dy) * w + x - dx)];
    return out;
}

struct Shift : ::testing::TestWithParam<std::tuple<int, QSize>> {
    void SetUp() override {
        // A second image before the one shifted, which must stay as it is.
        icon.AddImage(4, 4, 24);
        bits = std::get<0>(GetParam());
        size = std::get<1>(GetParam());
        icon.AddImage(size.width(), size.height(), bits);
        std::mt19937 random(uint32_t(bits * 100 + size.width()));
        const QRgb colors[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000};
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                // The first pixel opaque, so that no image starts all transparent.
                const uint32_t r = x + y == 0 ? 0xFF000000u : uint32_t(random());
                if (bits == 32) {
                    icon.WorkBitmap().setPixel(x, y, r);
                    continue;
                }
                // Opaque colours, inverse (mask over white) and transparent (mask over black).
                const int kind = int(r % 7);
                icon.ColorBitmap().setPixel(x, y, colors[kind < 5 ? kind : kind - 2]);
                icon.MaskBitmap().scanLine(y)[x] = kind < 5 ? kMaskClear : kMaskSet;
            }
        icon.StoreImage();
        icon.SelectImage(1);
        transparent = bits == 32 ? 0 : uint64_t{1} << 32;
    }

    TIcon icon;
    int bits = 0;
    QSize size;
    uint64_t transparent = 0;
};

TEST_P(Shift, EachDirectionMovesOnePixelAndLeavesTransparentBehind) {
    auto firstImage = [&] {
        const uint8_t* at = icon.ImageBlock() + icon.entry(0).imageOffset;
        return test::Bytes(at, at + icon.entry(0).bytesInRes);
    };
    const test::Bytes other = firstImage();
    const Cells start = cells(icon);
    const int w = size.width(), h = size.height();
    using Op = void (TIcon::*)();
    for (auto [op, back, dx, dy] :
         std::vector<std::tuple<Op, Op, int, int>>{{&TIcon::ShiftLeft, &TIcon::ShiftRight, -1, 0},
                                                   {&TIcon::ShiftRight, &TIcon::ShiftLeft, 1, 0},
                                                   {&TIcon::ShiftUp, &TIcon::ShiftDown, 0, -1},
                                                   {&TIcon::ShiftDown, &TIcon::ShiftUp, 0, 1}}) {
        const test::Bytes saved(icon.CurrentImageData().begin(), icon.CurrentImageData().end());
        (icon.*op)();
        const Cells once = moved(start, w, h, dx, dy, transparent);
        EXPECT_EQ(cells(icon), once) << dx << ',' << dy;
        // Back again: what moved out is lost, so (a, b, c) -> (b, c, T) -> (T, b, c).
        (icon.*back)();
        EXPECT_EQ(cells(icon), moved(once, w, h, -dx, -dy, transparent)) << dx << ',' << dy;
        icon.SetCurrentImageData(saved);
    }
    EXPECT_EQ(firstImage(), other);
    if (w * h == 1) {  // a single pixel has nowhere to go
        icon.ShiftUp();
        EXPECT_EQ(cells(icon), Cells{transparent});
    }
}

std::string shiftName(const ::testing::TestParamInfo<Shift::ParamType>& p) {
    const auto [bits, size] = p.param;
    return std::to_string(bits) + "bit_" + std::to_string(size.width()) + "x" +
           std::to_string(size.height());
}

INSTANTIATE_TEST_SUITE_P(DepthsAndOddWidths, Shift,
                         ::testing::Combine(::testing::Values(1, 4, 8, 24, 32),
                                            ::testing::Values(QSize(1, 1), QSize(7, 3),
                                                              QSize(33, 5))),
                         shiftName);

}  // namespace
}  // namespace tarvo
