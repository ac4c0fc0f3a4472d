#include "effects/Adjustments.h"

#include <QRgb>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "core/Icon.h"
#include "core/PixelFormats.h"
#include "effects/HueModel.h"

namespace tarvo {

namespace {

using Lut = std::array<uint8_t, 256>;

uint32_t pack(int r, int g, int b) {
    return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16;
}

int clampByte(int v) {
    return std::clamp(v, 0, 255);
}

// Nearest integer, halves to the even neighbour (the default rounding mode).
int roundEven(double v) {
    return int(std::nearbyint(v));
}

// Replaces every pixel's colour (0x00BBGGRR in and out) by rule(colour). Paletted images get the
// new colours through SetPixelValue and a commit, which maps them to the colour table; 32-bit
// pixels are rewritten in place, since SetPixelValue would send opaque colours to a stroke.
template <class Rule>
void mapColors(TIcon& target, Rule rule) {
    const int bits = target.BitCount();
    if (bits == 0) return;
    const QSize size = target.GetSize();
    if (bits == 32) {
        ArgbView& view = target.WorkBitmap();
        for (int y = 0; y < size.height(); ++y) {
            QRgb* row = view.scanLine(y);
            for (int x = 0; x < size.width(); ++x) {
                const uint32_t c = rule(rgbToColorValue(row[x]));
                row[x] = (row[x] & 0xFF000000u) | (colorValueToRgb(c) & 0x00FFFFFFu);
            }
        }
        return;
    }
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const uint32_t v = target.GetPixelValue(x, y);
            if (v >= 0x1000000u) continue;  // transparent or inverse
            target.SetPixelValue(x, y, rule(v));
        }
    target.StoreImage();
    target.SelectImage(target.CurrentIndex());
}

// Per-channel tables applied to red, green and blue.
void mapChannels(TIcon& target, const Lut& r, const Lut& g, const Lut& b) {
    mapColors(target, [&](uint32_t v) {
        return pack(r[v & 0xFF], g[(v >> 8) & 0xFF], b[(v >> 16) & 0xFF]);
    });
}

int position(int p) {
    return std::clamp(p, 0, 100);
}

Lut brightnessLut(int p) {
    const int d = 3 * position(p) - 150;
    Lut t;
    for (int v = 0; v < 256; ++v) t[size_t(v)] = uint8_t(clampByte(v + d));
    return t;
}

Lut contrastLut(int p) {
    // Held as a float like the track bar's factor, so products match its precision exactly.
    const float f = float((position(p) / 100.0 - 0.5) * 2 + 1);
    Lut t;
    for (int v = 0; v < 256; ++v)
        t[size_t(v)] = uint8_t(clampByte(roundEven((v - 128) * double(f)) + 128));
    return t;
}

// One level of the hue model moved towards 0 (f < 0.5) or towards `ceiling`.
int adjustLevel(int v, float f, int ceiling) {
    const double d = f;
    if (f < 0.5f) return roundEven(d * 2 * v);
    return v + roundEven((d - 0.5) * 2 * (ceiling - v));
}

// ---- Colour adjustment -----------------------------------------------------------------------
//
// Channels are taken as x = value / 255 and pass, clamped to 0..1 after every step:
//   1. Negative flag:      x = 1 - x
//   2. Reference levels:   x = (x - B) / (W - B), B = black / 10000, W = white / 10000
//   3. Gamma:              x = x ^ (10000 / gamma)
//   4. Log filter flag:    x = ln(1 + 9x) / ln 10 (slope 3.9 at black, 0.39 at white)
//   5. Illuminant:         x = x * k, k per channel (below)
//   6. Contrast c:         x = 0.5 + (x - 0.5) * (1 + c / 100)
//   7. Brightness b:       x = x + b / 200
//   8. Colourfulness s:    x = Y + (x - Y) * (1 + s / 100), Y = 0.299 r + 0.587 g + 0.114 b
//   9. Red-green tint t:   r = r * (1 + t / 400), g = g * (1 - t / 400)
// and come back as round(255 x). Each step is the identity at its default and monotonic in its
// control, so the defaults leave the picture as it is. Steps 1-7 act on one channel and are
// tabulated; 8 and 9 mix channels per pixel.
//
// Illuminant: the picture is prepared for viewing under that light, so channels the light
// strengthens are weakened. k = (D65 white / illuminant white) in linear sRGB, scaled so the
// largest is 1 (nothing clips), then raised to 1 / 2.2 because the channels are gamma encoded.

struct Chromaticity {
    double x, y;
};
// CIE 1931 white points of the illuminant list; index 0 (the default) is D65, the sRGB white.
constexpr std::array<Chromaticity, 9> kIlluminants = {{{0.31271, 0.32902},
                                                       {0.44757, 0.40745},
                                                       {0.34842, 0.35161},
                                                       {0.31006, 0.31616},
                                                       {0.34567, 0.35850},
                                                       {0.33242, 0.34743},
                                                       {0.31271, 0.32902},
                                                       {0.29902, 0.31485},
                                                       {0.37208, 0.37529}}};

std::array<double, 3> linearSrgbWhite(Chromaticity c) {
    const double X = c.x / c.y, Y = 1.0, Z = (1 - c.x - c.y) / c.y;
    return {3.2406 * X - 1.5372 * Y - 0.4986 * Z, -0.9689 * X + 1.8758 * Y + 0.0415 * Z,
            0.0557 * X - 0.2040 * Y + 1.0570 * Z};
}

std::array<double, 3> illuminantGains(int index) {
    const auto d65 = linearSrgbWhite(kIlluminants[0]);
    const auto light = linearSrgbWhite(kIlluminants[size_t(index)]);
    std::array<double, 3> k;
    for (size_t c = 0; c < 3; ++c) k[c] = d65[c] / light[c];
    const double top = *std::max_element(k.begin(), k.end());
    for (double& v : k) v = std::pow(v / top, 1 / 2.2);
    return k;
}

double unit(double x) {
    return std::clamp(x, 0.0, 1.0);
}

class ColorTransform {
  public:
    explicit ColorTransform(const ColorAdjustment& in) {
        const bool negative = in.flags & ColorAdjustment::kNegative;
        const bool logFilter = in.flags & ColorAdjustment::kLogFilter;
        const double black = std::clamp(in.referenceBlack, 0, 4000) / 10000.0;
        const double white = std::clamp(in.referenceWhite, 6000, 10000) / 10000.0;
        const int gammas[3] = {in.redGamma, in.greenGamma, in.blueGamma};
        const auto gains = illuminantGains(std::clamp(in.illuminant, 0, 8));
        const double contrast = 1 + std::clamp(in.contrast, -100, 100) / 100.0;
        const double brightness = std::clamp(in.brightness, -100, 100) / 200.0;
        colorfulness_ = 1 + std::clamp(in.colorfulness, -100, 100) / 100.0;
        tint_ = std::clamp(in.redGreenTint, -100, 100) / 400.0;
        for (size_t c = 0; c < 3; ++c) {
            const double exponent = 10000.0 / std::clamp(gammas[c], 2500, 65000);
            for (int v = 0; v < 256; ++v) {
                double x = v / 255.0;
                if (negative) x = 1 - x;
                x = unit((x - black) / (white - black));
                x = std::pow(x, exponent);
                if (logFilter) x = std::log1p(9 * x) / std::log(10.0);
                x = x * gains[c];
                x = unit(0.5 + (x - 0.5) * contrast);
                tables_[c][size_t(v)] = unit(x + brightness);
            }
        }
    }

    uint32_t operator()(uint32_t v) const {
        double r = tables_[0][v & 0xFF], g = tables_[1][(v >> 8) & 0xFF],
               b = tables_[2][(v >> 16) & 0xFF];
        const double y = 0.299 * r + 0.587 * g + 0.114 * b;
        r = unit((y + (r - y) * colorfulness_) * (1 + tint_));
        g = unit((y + (g - y) * colorfulness_) * (1 - tint_));
        b = unit(y + (b - y) * colorfulness_);
        return pack(roundEven(r * 255), roundEven(g * 255), roundEven(b * 255));
    }

  private:
    std::array<std::array<double, 256>, 3> tables_;
    double colorfulness_, tint_;
};

}  // namespace

void AdjustBrightness(TIcon& target, int pr, int pg, int pb) {
    mapChannels(target, brightnessLut(pr), brightnessLut(pg), brightnessLut(pb));
}

void AdjustContrast(TIcon& target, int pr, int pg, int pb) {
    mapChannels(target, contrastLut(pr), contrastLut(pg), contrastLut(pb));
}

void AdjustHSB(TIcon& target, int ph, int ps, int pb) {
    const float fh = float(position(ph) / 100.0), fs = float(position(ps) / 100.0),
                fb = float(position(pb) / 100.0);
    mapColors(target, [&](uint32_t v) {
        const HLS in = RGBToHLS(v);
        return HLSToRGB(adjustLevel(in.H, fh, 360), adjustLevel(in.L, fb, 240),
                        adjustLevel(in.S, fs, 240));
    });
}

void AdjustColor(TIcon& target, const ColorAdjustment& a) {
    if (target.BitCount() == 32) return;
    mapColors(target, ColorTransform(a));
}

}  // namespace tarvo
