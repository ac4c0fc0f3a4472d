#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

#include "TestSupport.h"
#include "core/Icon.h"
#include "core/PixelFormats.h"
#include "effects/Adjustments.h"
#include "raster/Planes.h"

namespace tarvo {
namespace {

uint32_t rgb(int r, int g, int b) {
    return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16;
}
// Channel i (0 red, 1 green, 2 blue) of a colour value.
int ch(uint32_t v, int i) {
    return int(v >> (8 * i) & 0xFF);
}

// A one-row image of `colors` (0x00BBGGRR, or Transparent / Inverse below 32 bits); 32-bit
// pixels take their alpha from `alphas`, opaque by default.
void fill(TIcon& icon, int bits, const std::vector<uint32_t>& colors,
          const std::vector<int>& alphas = {}) {
    test::addPainted(icon, int(colors.size()), 1, bits, [&](int x, int) {
        const uint32_t c = colors[size_t(x)], a = alphas.empty() ? 255 : alphas[size_t(x)];
        if (bits == 32) return (colorValueToRgb(c) & 0xFFFFFFu) | a << 24;
        return c == Inverse ? 0x00FFFFFFu : c >= 0x1000000u ? 0u : colorValueToRgb(c);
    });
}

// The row's colours as stored in the image, alpha aside; masked pixels as Transparent or Inverse
// by their colour, anything else masked as a value no test expects.
std::vector<uint32_t> colorsOf(TIcon& icon) {
    icon.SelectImage(icon.CurrentIndex());  // the planes again from the stored bits
    std::vector<uint32_t> out;
    for (int x = 0; x < icon.GetSize().width(); ++x) {
        if (icon.BitCount() == 32) {
            out.push_back(rgbToColorValue(icon.WorkBitmap().pixel(x, 0)));
            continue;
        }
        const uint32_t c = rgbToColorValue(icon.ColorBitmap().pixel(x, 0));
        const bool masked = maskBit(icon.MaskBitmap().constScanLine(0)[x]);
        out.push_back(!masked ? c : c == 0 ? Transparent : c == 0xFFFFFF ? Inverse : 0x2000000u);
    }
    return out;
}

// Every value in every channel, each channel in another order.
std::vector<uint32_t> allLevels() {
    std::vector<uint32_t> v;
    for (int i = 0; i < 256; ++i) v.push_back(rgb(i, 255 - i, (i * 7) & 255));
    return v;
}

using Adjust = void (*)(TIcon&, int, int, int);

TEST(Adjustments, BrightnessAndContrastFollowTheirTrackBars) {
    struct Case {
        Adjust adjust;
        int pr, pg, pb;
        uint32_t in, out;
    };
    const Adjust b = AdjustBrightness, c = AdjustContrast;
    const std::vector<Case> cases = {
        {b, 100, 100, 100, rgb(200, 50, 0), rgb(255, 200, 150)},
        {b, 0, 0, 0, rgb(100, 150, 255), rgb(0, 0, 105)},
        {b, 100, 50, 0, rgb(100, 100, 100), rgb(250, 100, 0)},  // channels apart, in order
        {c, 0, 0, 0, rgb(0, 77, 255), rgb(128, 128, 128)},
        {c, 100, 100, 100, rgb(0, 200, 128), rgb(0, 255, 128)},
        {c, 75, 75, 75, rgb(129, 131, 127), rgb(130, 132, 126)},  // 1.5, 4.5, -1.5 to even
        {c, 0, 50, 100, rgb(200, 200, 200), rgb(128, 200, 255)}};
    for (int bits : {24, 32}) {
        for (const Case& k : cases) {
            TIcon icon;
            fill(icon, bits, {k.in});
            k.adjust(icon, k.pr, k.pg, k.pb);
            EXPECT_EQ(colorsOf(icon)[0], k.out) << bits << ' ' << std::hex << k.in;
        }
        for (Adjust adjust : {b, c}) {
            TIcon icon;
            fill(icon, bits, allLevels());
            adjust(icon, 50, 50, 50);
            EXPECT_EQ(colorsOf(icon), allLevels()) << bits;
        }
    }
}

TEST(Adjustments, HsbWorksInTheIntegerHueModel) {
    struct Case {
        int ph, ps, pb;
        uint32_t in, out;
    };
    const std::vector<Case> cases = {
        // The model's round trip is not exact, so 50 changes these.
        {50, 50, 50, rgb(128, 128, 128), rgb(127, 127, 127)},
        {50, 50, 50, rgb(0, 0, 5), rgb(0, 0, 4)},
        {50, 50, 50, rgb(10, 20, 30), rgb(10, 20, 31)},
        {50, 0, 50, rgb(10, 20, 30), rgb(20, 20, 20)},  // lightness 19 as a grey
        {50, 0, 50, rgb(255, 0, 0), rgb(127, 127, 127)},
        {50, 50, 0, rgb(10, 20, 30), rgb(0, 0, 0)},
        {50, 50, 100, rgb(10, 20, 30), rgb(255, 255, 255)},
        {100, 50, 50, rgb(255, 0, 0), rgb(0, 255, 255)},  // hue 360 is hue 120, not red again
        {0, 50, 50, rgb(0, 255, 0), rgb(255, 0, 0)},
        {50, 100, 50, rgb(128, 128, 128), rgb(0, 0, 255)},  // greys have hue 160
        {50, 50, 75, rgb(3, 3, 3), rgb(128, 128, 128)},     // 3 + 118.5 to even: 121
        {50, 50, 25, rgb(5, 5, 5), rgb(2, 2, 2)}};          // 2.5 to even: 2
    for (int bits : {24, 32})
        for (const Case& k : cases) {
            TIcon icon;
            fill(icon, bits, {k.in});
            AdjustHSB(icon, k.ph, k.ps, k.pb);
            EXPECT_EQ(colorsOf(icon)[0], k.out)
                << bits << ' ' << k.ph << ',' << k.ps << ',' << k.pb << ' ' << std::hex << k.in;
        }
}

const std::vector<std::pair<const char*, std::function<void(TIcon&)>>> kEveryAdjustment = {
    {"brightness", [](TIcon& i) { AdjustBrightness(i, 100, 100, 100); }},
    {"contrast", [](TIcon& i) { AdjustContrast(i, 0, 0, 0); }},
    {"hsb", [](TIcon& i) { AdjustHSB(i, 50, 50, 100); }},
    {"color", [](TIcon& i) { AdjustColor(i, {.flags = ColorAdjustment::kNegative}); }}};

TEST(Adjustments, LeaveMaskedPixelsAndAlphaAndMapPalettedColoursToTheTable) {
    for (const auto& [name, adjust] : kEveryAdjustment) {
        for (int bits : {24, 8}) {
            TIcon icon;
            fill(icon, bits, {Transparent, Inverse, rgb(10, 20, 30)});
            adjust(icon);
            const std::vector<uint32_t> out = colorsOf(icon);
            EXPECT_TRUE(out[0] == Transparent && out[1] == Inverse && out[2] != rgb(10, 20, 30))
                << name << bits;
        }
        // 32 bits: the colour of every pixel changes whatever its alpha, but never the alpha;
        // the colour adjustment leaves these images alone.
        TIcon icon;
        fill(icon, 32, {rgb(100, 100, 100), rgb(100, 100, 100)}, {0, 128});
        adjust(icon);
        for (int x = 0; x < 2; ++x) {
            const QRgb c = icon.WorkBitmap().pixel(x, 0);
            EXPECT_EQ(qAlpha(c), x * 128) << name;
            EXPECT_EQ(rgbToColorValue(c) == rgb(100, 100, 100), name == std::string("color"))
                << name;
        }
    }
    // (111, 162, 213) is stored as the nearest entry of the default 8-bit table, from its cube;
    // 128 grey is one of its static colours.
    TIcon icon;
    fill(icon, 8, {rgb(51, 102, 153), rgb(51, 102, 153)});
    AdjustBrightness(icon, 70, 70, 70);
    EXPECT_EQ(colorsOf(icon)[0], rgb(102, 153, 204));
    AdjustContrast(icon, 0, 0, 0);
    EXPECT_EQ(colorsOf(icon)[1], rgb(128, 128, 128));
}

// ---- Colour adjustment ------------------------------------------------------------------------

std::vector<uint32_t> adjusted(const std::vector<uint32_t>& colors, const ColorAdjustment& a) {
    TIcon icon;
    fill(icon, 24, colors);
    AdjustColor(icon, a);
    return colorsOf(icon);
}

TEST(ColorAdjustment, NeutralKeepsNegativeInvertsLogFilterLiftsShadows) {
    EXPECT_EQ(adjusted(allLevels(), {}), allLevels());
    EXPECT_EQ(adjusted(allLevels(), {.illuminant = 6}), allLevels());  // D65 is the default
    std::vector<uint32_t> inverted;
    for (uint32_t v : allLevels()) inverted.push_back(v ^ 0xFFFFFF);
    EXPECT_EQ(adjusted(allLevels(), {.flags = ColorAdjustment::kNegative}), inverted);

    const auto log =
        adjusted({0, rgb(64, 64, 64), 0xFFFFFF}, {.flags = ColorAdjustment::kLogFilter});
    EXPECT_TRUE(log[0] == 0 && ch(log[1], 0) > 128 && log[2] == 0xFFFFFF);
    // Tungsten light is red and weak in blue, so white is cut most in red.
    const uint32_t a = adjusted({0xFFFFFF}, {.illuminant = 1})[0];
    EXPECT_TRUE(ch(a, 0) < ch(a, 1) && ch(a, 1) < ch(a, 2) && ch(a, 2) == 255) << std::hex << a;
}

TEST(ColorAdjustment, EveryControlIsMonotonicAndClampedToItsRange) {
    std::vector<uint32_t> samples;
    for (int i = 0; i < 27; ++i) samples.push_back(rgb(i % 3 * 120, i / 3 % 3 * 110, i / 9 * 127));
    using C = ColorAdjustment;
    using Measure = int (*)(int r, int g, int b);
    const Measure sum = [](int r, int g, int b) { return r + g + b; };
    struct Control {
        int C::*field;
        int min, max;
        int direction;  // of the measure as the control rises
        Measure measure;
    };
    const std::vector<Control> controls = {
        {&C::brightness, -100, 100, 1, sum},
        {&C::redGamma, 2500, 65000, 1, [](int r, int, int) { return r; }},
        {&C::greenGamma, 2500, 65000, 1, [](int, int g, int) { return g; }},
        {&C::blueGamma, 2500, 65000, 1, [](int, int, int b) { return b; }},
        {&C::referenceBlack, 0, 4000, -1, sum},
        {&C::referenceWhite, 6000, 10000, -1, sum},
        {&C::contrast, -100, 100, 1,  // distance from mid grey
         [](int r, int g, int b) {
             return std::abs(2 * r - 255) + std::abs(2 * g - 255) + std::abs(2 * b - 255);
         }},
        {&C::colorfulness, -100, 100, 1,
         [](int r, int g, int b) {
             return std::max({r, g, b}) - std::min({r, g, b});
         }},
        {&C::redGreenTint, -100, 100, 1, [](int r, int g, int) { return r - g; }}};
    for (const Control& k : controls) {
        const int field = int(&k - controls.data());
        std::vector<uint32_t> previous;
        for (int step = 0; step <= 10; ++step) {
            C a;
            a.*k.field = k.min + (k.max - k.min) * step / 10;
            const auto now = adjusted(samples, a);
            auto measure = [&](uint32_t v) { return k.measure(ch(v, 0), ch(v, 1), ch(v, 2)); };
            for (size_t i = 0; i < samples.size() && !previous.empty(); ++i)
                EXPECT_GE(k.direction * (measure(now[i]) - measure(previous[i])), 0)
                    << field << ' ' << a.*k.field << ' ' << std::hex << samples[i];
            previous = now;
        }
        C low, high, below, above;
        low.*k.field = k.min, high.*k.field = k.max;
        below.*k.field = k.min - 1000, above.*k.field = k.max + 100000;
        EXPECT_NE(adjusted(samples, low), adjusted(samples, high)) << field;
        EXPECT_EQ(adjusted(samples, below), adjusted(samples, low)) << field;
        EXPECT_EQ(adjusted(samples, above), adjusted(samples, high)) << field;
    }
    // The extremes of contrast and colourfulness.
    for (uint32_t v : adjusted(samples, {.contrast = -100})) EXPECT_EQ(v, rgb(128, 128, 128));
    for (uint32_t v : adjusted(samples, {.colorfulness = -100}))
        EXPECT_TRUE(ch(v, 0) == ch(v, 1) && ch(v, 1) == ch(v, 2)) << std::hex << v;
}

}  // namespace
}  // namespace tarvo
