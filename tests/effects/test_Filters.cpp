#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <tuple>
#include <vector>

#include "TestSupport.h"
#include "core/Icon.h"
#include "effects/Filters.h"

namespace tarvo {
namespace {

using Paint = std::function<QRgb(int x, int y)>;
using Filter = std::function<void(TIcon&)>;

QRgb grey(int v, int a = 255) {
    return qRgba(v, v, v, a);
}

// A one-image document painted with ARGB colours; below 32 bits alpha 0 sets the mask bit over
// the colour given (white over a set bit is an inverse pixel).
std::unique_ptr<TIcon> image(int w, int h, int bits, const Paint& paint) {
    auto icon = std::make_unique<TIcon>();
    test::addPainted(*icon, w, h, bits, paint);
    return icon;
}

// As stored in the block: alpha 0 where the mask bit is set, the colour plane as it is.
QImage stored(const TIcon& icon) {
    return icon.imageToArgb(icon.CurrentIndex());
}

// The pixels at `points` after `filter` ran on a w x h image painted by `paint`.
std::vector<QRgb> filtered(int w, int h, int bits, const Paint& paint, const Filter& filter,
                           const std::vector<QPoint>& points) {
    auto icon = image(w, h, bits, paint);
    filter(*icon);
    const QImage result = stored(*icon);
    std::vector<QRgb> out;
    for (const QPoint& p : points) out.push_back(result.pixel(p));
    return out;
}

using Pixels = std::vector<QRgb>;

TEST(Filters, KnownResultsAtBothDepths) {
    const Paint dot = [](int x, int y) { return grey(x == 2 && y == 2 ? 255 : 0); };
    const Paint peak = [](int x, int y) { return grey(x == 2 && y == 2 ? 100 : 50); };
    const Paint edge = [](int x, int) { return grey(x < 3 ? 0 : 200); };
    const Paint tint = [](int, int) { return qRgba(10, 20, 30, 255); };
    const Filter blur3 = [](TIcon& i) { Blur(i, 3); };
    for (int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        // In scan order (2, 1) already sees the 28 written at (1, 1).
        EXPECT_EQ(filtered(5, 5, bits, dot, blur3, {{1, 1}, {2, 1}, {2, 2}, {4, 4}}),
                  (Pixels{grey(28), grey(31), grey(42), grey(4)}));
        // Likewise the peak's upper and left neighbours drop to 25 before the peak is done.
        EXPECT_EQ(filtered(5, 5, bits, peak, Sharpen, {{1, 1}, {2, 1}, {1, 2}, {2, 2}, {2, 0}}),
                  (Pixels{grey(50), grey(25), grey(25), grey(225), grey(50)}));
        // Both sides of an edge light up, flat areas go black, the border stays.
        EXPECT_EQ(filtered(6, 4, bits, edge, Emboss, {{1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 1}}),
                  (Pixels{grey(0), grey(200), grey(200), grey(0), grey(200)}));
        for (auto [r, g, b, want] : {std::tuple{true, false, false, qRgb(245, 20, 30)},
                                     {false, true, true, qRgb(10, 235, 225)},
                                     {false, false, false, qRgb(10, 20, 30)}})
            EXPECT_EQ(
                filtered(1, 1, bits, tint,
                         [r = r, g = g, b = b](TIcon& i) { InvertColors(i, r, g, b); }, {{0, 0}}),
                Pixels{want});
    }
    const Paint red = [](int x, int y) { return x + y ? 0u : qRgba(255, 0, 0, 90); };
    EXPECT_EQ(filtered(2, 2, 24, red, GrayScale, {{0, 0}}), Pixels{grey(85)});
    EXPECT_EQ(filtered(2, 2, 32, red, GrayScale, {{0, 0}}), Pixels{grey(79, 90)});  // 78.8
    // A corner window holds four pixels; alpha is averaged like the colours.
    const Paint corner = [](int x, int y) { return x + y ? 0u : qRgb(255, 0, 0); };
    EXPECT_EQ(filtered(3, 3, 32, corner, blur3, {{0, 0}}), Pixels{qRgba(63, 0, 0, 63)});
}

// Below 32 bits masked pixels keep their colour and mask and take no part, except as emboss's
// neighbours, which it reads from the colour plane alone.
TEST(Filters, MaskedPixelsBelow32BitsStayAndOnlyEmbossReadsThem) {
    const QRgb lone = qRgb(10, 20, 30), inverse = qRgba(255, 255, 255, 0);
    const Paint paint = [&](int x, int y) { return x == 2 && y == 2 ? lone : inverse; };
    std::vector<QPoint> all;
    for (int i = 0; i < 25; ++i) all.emplace_back(i % 5, i / 5);
    for (const auto& [filter, want] : std::vector<std::pair<Filter, QRgb>>{
             {[](TIcon& i) { Blur(i, 5); }, lone},
             {GrayScale, grey(20)},
             {[](TIcon& i) { InvertColors(i, true, true, true); }, qRgb(245, 235, 225)},
             {Sharpen, lone},
             {Emboss, grey(0)}}) {
        Pixels expected(25, inverse);
        expected[12] = want;
        EXPECT_EQ(filtered(5, 5, 24, paint, filter, all), expected) << std::hex << want;
    }
    // Sharpen needs all five opaque: the peak under a hole stays, the one clear of it changes.
    const Paint holed = [](int x, int y) {
        return x == 2 && y == 1 ? 0u : grey(x == 2 && (y == 2 || y == 4) ? 100 : 50);
    };
    const Pixels out = filtered(5, 6, 24, holed, Sharpen, {{2, 1}, {2, 2}, {2, 4}});
    EXPECT_EQ(out[0], 0u);
    EXPECT_EQ(out[1], grey(100));
    EXPECT_NE(out[2], grey(100));
}

// Blur by its definition: every window summed afresh, in place in scan order. Below 32 bits
// only opaque pixels (alpha 255 here) count and change.
QImage blurByDefinition(QImage in, int size, bool argb) {
    const int r = (size - 1) / 2;
    for (int y = 0; y < in.height(); ++y)
        for (int x = 0; x < in.width(); ++x) {
            if (!argb && qAlpha(in.pixel(x, y)) == 0) continue;
            int n = 0, a = 0, red = 0, green = 0, blue = 0;
            for (int v = y - r; v <= y + r; ++v)
                for (int u = x - r; u <= x + r; ++u) {
                    if (!in.rect().contains(u, v)) continue;
                    const QRgb c = in.pixel(u, v);
                    if (!argb && qAlpha(c) == 0) continue;
                    ++n, a += qAlpha(c), red += qRed(c), green += qGreen(c), blue += qBlue(c);
                }
            in.setPixel(x, y, qRgba(red / n, green / n, blue / n, a / n));
        }
    return in;
}

TEST(Filters, BlurMatchesItsDefinitionAtEverySize) {
    const QImage picture = test::testPicture(23, 17, 3);
    for (int bits : {24, 32}) {
        // Below 32 bits about a third of the pixels are masked.
        const Paint paint = [&](int x, int y) {
            const QRgb c = picture.pixel(x, y);
            return bits == 32 ? c : qAlpha(c) < 85 ? c & 0xFFFFFFu : c | 0xFF000000u;
        };
        for (int size : {3, 5, 7, 9}) {
            auto icon = image(23, 17, bits, paint);
            const QImage want = blurByDefinition(stored(*icon), size, bits == 32);
            Blur(*icon, size);
            EXPECT_EQ(stored(*icon), want) << bits << " bits, size " << size;
        }
    }
}

// On a selection copy of a 32-bit image colours come out as if every pixel were opaque; alpha
// is kept, except that blur averages it and emboss leaves pixels without alpha alone.
TEST(Filters, At32BitsAlphaNeitherWeighsNorChanges) {
    const QImage picture = test::testPicture(40, 30, 7);
    auto document = image(40, 30, 32, [&](int x, int y) { return picture.pixel(x, y); });
    enum Alpha { Kept, Averaged, KeptAndClearSkipped };
    for (const auto& [filter, alpha] : std::vector<std::pair<Filter, Alpha>>{
             {[](TIcon& i) { Blur(i, 7); }, Averaged},
             {GrayScale, Kept},
             {[](TIcon& i) { InvertColors(i, true, false, true); }, Kept},
             {Sharpen, Kept},
             {Emboss, KeptAndClearSkipped}}) {
        std::unique_ptr<TIcon> selection = document->ExtractRect(QRect(5, 3, 21, 18), false);
        const QImage before = stored(*selection);
        auto opaque =
            image(21, 18, 32, [&](int x, int y) { return before.pixel(x, y) | 0xFF000000u; });
        filter(*selection);
        filter(*opaque);
        const QImage out = stored(*selection), reference = stored(*opaque);
        int mismatches = 0;
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x) {
                const QRgb was = before.pixel(x, y), got = out.pixel(x, y);
                const bool skipped = alpha == KeptAndClearSkipped && qAlpha(was) == 0;
                mismatches +=
                    (got & 0xFFFFFFu) != ((skipped ? was : reference.pixel(x, y)) & 0xFFFFFFu) ||
                    (alpha != Averaged && qAlpha(got) != qAlpha(was));
            }
        EXPECT_EQ(mismatches, 0) << alpha;
    }
}

}  // namespace
}  // namespace tarvo
