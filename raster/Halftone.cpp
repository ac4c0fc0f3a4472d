#include "raster/Halftone.h"

namespace tarvo {

namespace {

constexpr QRgb rgb(int r, int g, int b) {
    return 0xFF000000u | (static_cast<QRgb>(r) << 16) | (static_cast<QRgb>(g) << 8) |
           static_cast<QRgb>(b);
}

constexpr std::array<QRgb, 256> makeHalftone() {
    std::array<QRgb, 256> p{};
    const QRgb first[10] = {rgb(0, 0, 0),      rgb(128, 0, 0),     rgb(0, 128, 0),
                            rgb(128, 128, 0),  rgb(0, 0, 128),     rgb(128, 0, 128),
                            rgb(0, 128, 128),  rgb(192, 192, 192), rgb(192, 220, 192),
                            rgb(166, 202, 240)};
    const QRgb last[10] = {rgb(255, 251, 240), rgb(160, 160, 164), rgb(128, 128, 128),
                           rgb(255, 0, 0),     rgb(0, 255, 0),     rgb(255, 255, 0),
                           rgb(0, 0, 255),     rgb(255, 0, 255),   rgb(0, 255, 255),
                           rgb(255, 255, 255)};
    int i = 0;
    for (QRgb c : first) p[i++] = c;
    for (int b = 0; b < 6; ++b)
        for (int g = 0; g < 6; ++g)
            for (int r = 0; r < 6; ++r) p[i++] = rgb(r * 51, g * 51, b * 51);
    for (int k = 1; k <= 20; ++k) {
        const int v = (k * 255 * 2 + 21) / 42;  // round(k * 255 / 21)
        p[i++] = rgb(v, v, v);
    }
    for (QRgb c : last) p[i++] = c;
    return p;
}

constexpr std::array<QRgb, 256> kHalftone = makeHalftone();
static_assert(kHalftone[255] == rgb(255, 255, 255));
static_assert(kHalftone[10] == rgb(0, 0, 0) && kHalftone[225] == rgb(255, 255, 255));

}  // namespace

const std::array<QRgb, 256>& halftonePalette() {
    return kHalftone;
}

}  // namespace tarvo
