#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string_view>
#include <tuple>
#include <vector>

#include "TestSupport.h"
#include "core/Icon.h"
#include "effects/Filters.h"
#include "raster/Planes.h"

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
    icon->AddImage(w, h, bits);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb c = paint(x, y);
            if (bits == 32) {
                icon->WorkBitmap().setPixel(x, y, c);
            } else {
                icon->ColorBitmap().setPixel(x, y, c | 0xFF000000u);
                icon->MaskBitmap().scanLine(y)[x] = qAlpha(c) ? kMaskClear : kMaskSet;
            }
        }
    if (bits != 32) icon->StoreImage(), icon->SelectImage(0);
    return icon;
}

// As stored in the block: alpha 0 where the mask bit is set, the colour plane as it is.
QImage stored(const TIcon& icon) {
    return icon.imageToArgb(icon.CurrentIndex());
}

const Filter blur3 = [](TIcon& i) { Blur(i, 3); };

TEST(Filters, KnownResultsAtBothDepths) {
    const Paint whiteDot = [](int x, int y) { return grey(x == 2 && y == 2 ? 255 : 0); };
    const Paint peak = [](int x, int y) { return grey(x == 2 && y == 2 ? 100 : 50); };
    const Paint edge = [](int x, int) { return grey(x < 3 ? 0 : 200); };
    const Paint tint = [](int, int) { return qRgb(10, 20, 30); };
    struct Case {
        const char* what;
        int bits, w, h;
        Paint paint;
        Filter filter;
        std::vector<std::tuple<int, int, QRgb>> want;
    };
    std::vector<Case> cases = {
        {"corner blur",
         32,
         3,
         3,
         [](int x, int y) { return x + y ? 0u : qRgb(255, 0, 0); },
         blur3,
         {{0, 0, qRgba(63, 0, 0, 63)}}},
        {"gray", 24, 2, 2, [](int, int) { return qRgb(255, 0, 0); }, GrayScale, {{1, 1, grey(85)}}},
        {"gray",
         32,
         2,
         2,
         [](int, int) { return qRgba(255, 0, 0, 90); },
         GrayScale,
         {{1, 1, grey(79, 90)}}},  // 0.309 x 255 = 78.8
    };
    for (int bits : {24, 32}) {
        // Scan order shows: (2, 1) sees the 28 already written at (1, 1).
        cases.push_back({"blur",
                         bits,
                         5,
                         5,
                         whiteDot,
                         blur3,
                         {{1, 1, grey(28)}, {2, 1, grey(31)}, {2, 2, grey(42)}, {4, 4, grey(4)}}});
        cases.push_back({"blur 9 is clipped",
                         bits,
                         5,
                         5,
                         whiteDot,
                         [](TIcon& i) { Blur(i, 9); },
                         {{0, 0, grey(10)}}});
        cases.push_back({"sharpen",
                         bits,
                         5,
                         5,
                         peak,
                         Sharpen,
                         {{1, 1, grey(50)},
                          {2, 1, grey(25)},
                          {1, 2, grey(25)},
                          {2, 2, grey(225)},
                          {2, 0, grey(50)},
                          {4, 2, grey(50)}}});
        cases.push_back({"emboss",
                         bits,
                         6,
                         4,
                         edge,
                         Emboss,
                         {{1, 1, grey(0)},
                          {2, 1, grey(200)},
                          {3, 2, grey(200)},
                          {4, 2, grey(0)},
                          {5, 1, grey(200)},
                          {3, 0, grey(200)}}});
        for (auto [r, g, b, want] : {std::tuple{true, false, false, qRgb(245, 20, 30)},
                                     {false, true, true, qRgb(10, 235, 225)},
                                     {false, false, false, qRgb(10, 20, 30)}})
            cases.push_back({"invert",
                             bits,
                             1,
                             1,
                             tint,
                             [r = r, g = g, b = b](TIcon& i) { InvertColors(i, r, g, b); },
                             {{0, 0, want}}});
    }
    for (const Case& c : cases) {
        auto icon = image(c.w, c.h, c.bits, c.paint);
        c.filter(*icon);
        const QImage out = stored(*icon);
        for (auto [x, y, want] : c.want)
            EXPECT_EQ(out.pixel(x, y), want) << c.what << " at " << c.bits << " bits, " << x << ','
                                             << y << ": " << std::hex << out.pixel(x, y);
    }
}

// Below 32 bits masked pixels keep their colour and mask and take no part, except as emboss's
// neighbours, which it reads from the colour plane alone.
TEST(Filters, MaskedPixelsBelow32BitsStayAndOnlyEmbossReadsThem) {
    const QRgb lone = qRgb(10, 20, 30);
    const QRgb inverse = qRgba(255, 255, 255, 0);
    for (const auto& [what, filter, want] : std::vector<std::tuple<const char*, Filter, QRgb>>{
             {"blur", [](TIcon& i) { Blur(i, 5); }, lone},
             {"gray", GrayScale, grey(20)},
             {"invert", [](TIcon& i) { InvertColors(i, true, true, true); }, qRgb(245, 235, 225)},
             {"sharpen", Sharpen, lone},
             {"emboss", Emboss, grey(0)}}) {
        auto icon =
            image(5, 5, 24, [&](int x, int y) { return x == 2 && y == 2 ? lone : inverse; });
        filter(*icon);
        const QImage out = stored(*icon);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(out.pixel(x, y), x == 2 && y == 2 ? want : inverse)
                    << what << ' ' << x << ',' << y;
    }
    // Sharpen needs all five opaque: the peak under a hole stays, the one clear of it changes.
    auto icon = image(5, 6, 24, [](int x, int y) {
        return x == 2 && y == 1 ? 0u : grey(x == 2 && (y == 2 || y == 4) ? 100 : 50);
    });
    Sharpen(*icon);
    const QImage out = stored(*icon);
    EXPECT_EQ(out.pixel(2, 1), 0u);
    EXPECT_EQ(out.pixel(2, 2), grey(100));
    EXPECT_NE(out.pixel(2, 4), grey(100));
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

// On a selection copy of a 32-bit image: colours come out as if every pixel were opaque, and
// alpha is kept (blur averages it; emboss leaves pixels without alpha alone).
TEST(Filters, At32BitsAlphaNeitherWeighsNorChanges) {
    const QImage picture = test::testPicture(40, 30, 7);
    auto document = image(40, 30, 32, [&](int x, int y) { return picture.pixel(x, y); });
    for (const auto& [what, filter] : std::vector<std::pair<const char*, Filter>>{
             {"blur", [](TIcon& i) { Blur(i, 7); }},
             {"gray", GrayScale},
             {"invert", [](TIcon& i) { InvertColors(i, true, false, true); }},
             {"sharpen", Sharpen},
             {"emboss", Emboss}}) {
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
                const bool untouched = what == std::string_view("emboss") && qAlpha(was) == 0;
                const QRgb colour = untouched ? was : reference.pixel(x, y);
                mismatches += (got & 0xFFFFFFu) != (colour & 0xFFFFFFu) ||
                              (what != std::string_view("blur") && qAlpha(got) != qAlpha(was));
            }
        EXPECT_EQ(mismatches, 0) << what;
    }
}

}  // namespace
}  // namespace tarvo
