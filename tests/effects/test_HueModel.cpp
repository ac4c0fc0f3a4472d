#include <gtest/gtest.h>

#include <tuple>

#include "effects/HueModel.h"

namespace tarvo {
namespace {

uint32_t rgb(int r, int g, int b) {
    return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16;
}

TEST(HueModel, KnownColoursConvertBothWays) {
    // The hue circle's landmarks, and the rounding cases that need halves to even: red's
    // saturation is exactly 240.5 before rounding.
    for (auto [r, g, b, h, l, s] :
         std::vector<std::tuple<int, int, int, int, int, int>>{{255, 0, 0, 0, 120, 240},
                                                               {255, 255, 0, 40, 120, 240},
                                                               {0, 255, 0, 80, 120, 240},
                                                               {0, 255, 255, 120, 120, 240},
                                                               {0, 0, 255, 160, 120, 240},
                                                               {255, 0, 255, 200, 120, 240},
                                                               {255, 255, 255, 160, 240, 0},
                                                               {0, 0, 5, 160, 2, 240}}) {
        const HLS hls = RGBToHLS(rgb(r, g, b));
        EXPECT_EQ(std::tuple(hls.H, hls.L, hls.S), std::tuple(h, l, s))
            << r << ',' << g << ',' << b;
    }
    EXPECT_EQ(HLSToRGB(0, 120, 240), rgb(255, 0, 0));
    EXPECT_EQ(HLSToRGB(160, 240, 0), rgb(255, 255, 255));
    EXPECT_EQ(HLSToRGB(80, 60, 240), rgb(0, 128, 0));  // M2 = 120.5 truncated
}

TEST(HueModel, GreysHaveHue160AndHue360ActsAs120) {
    for (int v = 0; v < 256; ++v) {
        const HLS hls = RGBToHLS(rgb(v, v, v));
        EXPECT_TRUE(hls.H == 160 && hls.S == 0) << v;
    }
    for (int l = 0; l <= 240; l += 15)
        for (int s = 0; s <= 240; s += 30) EXPECT_EQ(HLSToRGB(360, l, s), HLSToRGB(120, l, s));
    EXPECT_EQ(HLSToRGB(360, 120, 240), rgb(0, 255, 255));
}

}  // namespace
}  // namespace tarvo
