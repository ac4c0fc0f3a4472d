#include "effects/HueModel.h"

#include <algorithm>

namespace tarvo {

namespace {

// num / den to the nearest integer, halves to the even neighbour; num >= 0, den > 0. Callers
// double both terms where the exact quotient has a half in its numerator.
int roundHalfEven(int num, int den) {
    const int q = num / den, r = num % den;
    if (2 * r > den || (2 * r == den && q % 2 != 0)) return q + 1;
    return q;
}

}  // namespace

HLS RGBToHLS(uint32_t colorRef) {
    const int r = int(colorRef & 0xFF), g = int((colorRef >> 8) & 0xFF),
              b = int((colorRef >> 16) & 0xFF);
    const int mx = std::max({r, g, b}), mn = std::min({r, g, b});
    const int sum = mx + mn;
    const int l = (sum * 240 + 255) / 510;
    if (mx == mn) return {160, uint16_t(l), 0};

    const int d = mx - mn;
    // (d * 240 + span / 2) / span with span = sum or 510 - sum, as one exact fraction.
    const int span = l <= 120 ? sum : 510 - sum;
    const int s = roundHalfEven(480 * d + span, 2 * span);
    // (mx * 40 + d / 2 - c * 40) / d, likewise.
    auto delta = [&](int c) { return roundHalfEven(80 * (mx - c) + d, 2 * d); };
    int h;
    if (r == mx) {
        h = delta(b) - delta(g);
    } else if (g == mx) {
        h = 80 + delta(r) - delta(b);
    } else {
        h = 160 + delta(g) - delta(r);
    }
    if (h < 0) {
        h += 240;
    } else if (h > 240) {
        h -= 240;
    }
    return {uint16_t(h), uint16_t(l), uint16_t(s)};
}

int HueToRGB(int p, int q, int h) {
    if (h > 240) {
        h -= 240;
    } else if (h < 0) {
        h += 240;
    }
    if (h > 160) return p;
    if (h > 120) {
        h = 160 - h;
    } else if (h > 40) {
        return q;
    }
    return p + ((q - p) * h + 20) / 40;
}

uint32_t HLSToRGB(int H, int L, int S) {
    auto pack = [](int r, int g, int b) {
        return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16;
    };
    if (S == 0) {
        const int v = L * 255 / 240;
        return pack(v, v, v);
    }
    const int m2 = L <= 120 ? ((S + 240) * L + 120) / 240 : L + S - (L * S + 120) / 240;
    const int m1 = 2 * L - m2;
    auto channel = [&](int h) { return (HueToRGB(m1, m2, h) * 255 + 120) / 240; };
    return pack(channel(H + 80), channel(H), channel(H - 80));
}

}  // namespace tarvo
