#pragma once

#include <cstdint>

// The integer hue/lightness/saturation model shared by the hue selection and the
// hue/saturation/brightness adjustment. Both depend on its exact values, so the rounding here is
// deliberate: nearest with halves to even where fractions arise, truncation where it divides
// integers.
namespace tarvo {

// H, L and S on a 0..240 scale. Hue 0 is red, 40 yellow, 80 green, 120 cyan, 160 blue,
// 200 magenta; greys have hue 160 and saturation 0.
struct HLS {
    uint16_t H, L, S;
};

// colorRef: 0x00BBGGRR.
HLS RGBToHLS(uint32_t colorRef);
// Returns 0x00BBGGRR. H may exceed 240 by up to 240 (360 gives the colours of 120).
uint32_t HLSToRGB(int H, int L, int S);
// One channel on the 0..240 scale from the two lightness bounds p <= q and a hue h.
int HueToRGB(int p, int q, int h);

}  // namespace tarvo
