#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <span>
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

// A new w x h image of random pixels, the top-left one black: on 32-bit images any ARGB value
// (alpha 255 with `opaque`); on the others opaque colours, inverse (mask over white) and
// transparent (mask over black) pixels, or only opaque ones.
void fillRandom(TIcon& icon, int bits, int w, int h, std::mt19937& random, bool opaque = false) {
    const QRgb colors[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF,
                           0xFF000000, 0x00FFFFFF, 0x00000000};
    test::addPainted(icon, w, h, bits, [&](int x, int y) {
        const uint32_t r = x + y == 0 ? 0xFF000000u : uint32_t(random());
        return bits == 32 ? (opaque ? r | 0xFF000000u : r) : colors[r % (opaque ? 5 : 7)];
    });
}

TEST(Shift, EachDirectionMovesOnePixelAndLeavesTransparentBehindAtEveryDepth) {
    using Op = void (TIcon::*)();
    const std::tuple<Op, Op, int, int> shifts[] = {{&TIcon::ShiftLeft, &TIcon::ShiftRight, -1, 0},
                                                   {&TIcon::ShiftRight, &TIcon::ShiftLeft, 1, 0},
                                                   {&TIcon::ShiftUp, &TIcon::ShiftDown, 0, -1},
                                                   {&TIcon::ShiftDown, &TIcon::ShiftUp, 0, 1}};
    std::mt19937 random(7);
    for (int bits : {1, 4, 8, 24, 32})
        for (const QSize size : {QSize(1, 1), QSize(7, 3), QSize(33, 5)}) {
            const int w = size.width(), h = size.height();
            TIcon icon;
            fillRandom(icon, bits, w, h, random);
            const std::vector<uint64_t> start = cells(icon);
            const test::Bytes saved = test::currentBytes(icon);
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

constexpr int kDepths[] = {1, 4, 8, 16, 24, 32};

// Where a flip or a quarter turn sends the pixel (x, y) of a w x h image.
using Move = QPoint (*)(int x, int y, int w, int h);
std::vector<uint64_t> moved(const std::vector<uint64_t>& in, QSize size, QSize to, Move move) {
    std::vector<uint64_t> out(in.size());
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const QPoint p = move(x, y, size.width(), size.height());
            out[size_t(p.y() * to.width() + p.x())] = in[size_t(y * size.width() + x)];
        }
    return out;
}

TEST(Transform, FlipsMirrorAndQuarterTurnsSwapTheSizeAtEveryDepth) {
    using Op = void (TIcon::*)();
    const std::tuple<const char*, Op, bool, Move> cases[] = {
        {"flip vertical", &TIcon::FlipVertical, false,
         [](int x, int y, int, int h) { return QPoint(x, h - 1 - y); }},
        {"flip horizontal", &TIcon::FlipHorizontal, false,
         [](int x, int y, int w, int) { return QPoint(w - 1 - x, y); }},
        // The top-left corner goes to the bottom-left, and to the top-right turning right.
        {"rotate left", &TIcon::RotateLeft, true,
         [](int x, int y, int w, int) { return QPoint(y, w - 1 - x); }},
        {"rotate right", &TIcon::RotateRight, true,
         [](int x, int y, int, int h) { return QPoint(h - 1 - y, x); }}};
    std::mt19937 random(11);
    for (int bits : kDepths)
        for (const QSize size : {QSize(16, 32), QSize(7, 3), QSize(1, 1), QSize(5, 5)})
            for (const auto& [name, op, swaps, move] : cases) {
                SCOPED_TRACE(::testing::Message() << name << ", " << bits << " bits, "
                                                  << size.width() << 'x' << size.height());
                TIcon icon;
                fillRandom(icon, bits, size.width(), size.height(), random);
                const std::vector<uint64_t> start = cells(icon);
                const QSize to = swaps ? size.transposed() : size;
                (icon.*op)();
                EXPECT_EQ(icon.GetSize(), to);
                EXPECT_EQ(icon.BitCount(), bits);
                EXPECT_EQ(cells(icon), moved(start, size, to, move));
                // Twice the same flip, or four quarter turns, give the image back.
                for (int i = swaps ? 3 : 1; i > 0; --i) (icon.*op)();
                EXPECT_EQ(cells(icon), start);
            }
}

// Below 32 bits a rotated image has no inverse pixels: whatever is transparent becomes black.
TEST(Rotate, WholeQuarterTurnsMatchTheQuarterTurnCommands) {
    const std::tuple<double, int> angles[] = {{0, 0},    {270, 1}, {-90, 1}, {180, 2},
                                              {-180, 2}, {90, 3},  {360, 0}};
    std::mt19937 random(3);
    for (int bits : kDepths)
        for (const QSize size : {QSize(16, 16), QSize(6, 10)})
            for (auto [angle, lefts] : angles) {
                if (size.width() != size.height() && lefts % 2) continue;
                SCOPED_TRACE(::testing::Message() << angle << " degrees, " << bits << " bits, "
                                                  << size.width() << 'x' << size.height());
                TIcon icon, turned;
                fillRandom(icon, bits, size.width(), size.height(), random);
                turned.LoadFromBytes(std::span(icon.ImageBlock(), icon.BlockSize()));
                turned.SelectImage(0);
                for (int i = 0; i < lefts; ++i) turned.RotateLeft();
                icon.Rotate(angle);
                std::vector<uint64_t> want = cells(turned);
                for (uint64_t& c : want)
                    if (bits != 32 && c >> 32) c = uint64_t{1} << 32;
                EXPECT_EQ(icon.GetSize(), size);
                EXPECT_EQ(cells(icon), want);
            }
}

// A square turned by 45 degrees about its middle covers the diamond |dx| + |dy| <= n / sqrt 2:
// the corners become transparent, the middle stays opaque. A translucent colour stays that
// colour with no more than its alpha, also at the softened edges of 32-bit images.
TEST(Rotate, FortyFiveDegreesLeaveTransparentCornersAndKeepColours) {
    const int n = 32;
    std::mt19937 random(5);
    for (int bits : kDepths) {
        SCOPED_TRACE(::testing::Message() << bits << " bits");
        TIcon icon;
        fillRandom(icon, bits, n, n, random, true);
        icon.Rotate(45);
        ASSERT_EQ(icon.GetSize(), QSize(n, n));
        const std::vector<uint64_t> out = cells(icon);
        const uint64_t clear = bits == 32 ? 0 : uint64_t{1} << 32;
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                const double d = std::abs(x + 0.5 - n / 2) + std::abs(y + 0.5 - n / 2);
                const uint64_t c = out[size_t(y * n + x)];
                const bool inside = bits == 32 ? qAlpha(uint32_t(c)) == 255 : c < clear;
                EXPECT_TRUE(d > n / std::sqrt(2.0) + 1 ? c == clear
                                                       : inside || d > n / std::sqrt(2.0) - 1)
                    << x << ',' << y;
            }
    }
    TIcon icon;
    icon.AddImage(n, n, 32);
    for (int y = 0; y < n; ++y) std::fill_n(icon.WorkBitmap().scanLine(y), n, 0x80FF8000u);
    icon.Rotate(30);
    std::set<uint32_t> seen;
    for (uint64_t c : cells(icon)) {
        EXPECT_TRUE(c == 0 || (c & 0xFFFFFF) == 0xFF8000) << std::hex << c;
        seen.insert(qAlpha(uint32_t(c)));
    }
    EXPECT_EQ(*seen.begin(), 0u);
    EXPECT_EQ(*seen.rbegin(), 0x80u);
    EXPECT_GT(seen.size(), 4u);  // softened edges
    EXPECT_EQ(icon.WorkBitmap().pixel(n / 2, n / 2), 0x80FF8000u);
}

}  // namespace
}  // namespace tarvo
