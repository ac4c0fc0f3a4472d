#pragma once

namespace tarvo {

class TIcon;

// Colour adjustments of the current image of `target`: a document, or a one-image copy of a
// floating selection. Below 32 bits per pixel the masked pixels (transparent and inverse) keep
// their state and colour, and the result is committed, so a paletted image maps the new colours
// to its table. At 32 bits every pixel is changed in place whatever its alpha, and no alpha
// changes. The views and undo are the caller's.
//
// Track-bar positions run from 0 to 100; 50 leaves a channel as it is. Values outside are
// clamped.

// Adds 3 x position - 150 to each channel.
void AdjustBrightness(TIcon& target, int pr, int pg, int pb);
// Scales each channel's distance from 128 by (position / 100 - 0.5) x 2 + 1: 0 at position 0,
// 2 at 100.
void AdjustContrast(TIcon& target, int pr, int pg, int pb);
// Moves hue, saturation and lightness of the integer model (effects/HueModel.h) towards 0 below
// position 50 and towards their ceilings above it: 360 for the hue (a full turn and a half
// sextant past red, so position 100 gives the colours of hue 120), 240 for the other two.
void AdjustHSB(TIcon& target, int ph, int ps, int pb);

// The controls of the colour adjustment, neutral as constructed.
struct ColorAdjustment {
    static constexpr int kNegative = 1;   // invert the picture before anything else
    static constexpr int kLogFilter = 2;  // lift the shadows along a logarithmic curve

    int flags = 0;
    // 0 device default (D65), 1 A, 2 B, 3 C, 4 D50, 5 D55, 6 D65, 7 D75, 8 F2.
    int illuminant = 0;
    // 2500..65000, 10000 meaning 1.0; above 1.0 lightens the channel's mid-tones.
    int redGamma = 10000, greenGamma = 10000, blueGamma = 10000;
    // In ten-thousandths of full scale: what is darker than black becomes black, lighter than
    // white becomes white, and the range between them is stretched to the full scale.
    int referenceBlack = 0;      // 0..4000
    int referenceWhite = 10000;  // 6000..10000
    // Each -100..100.
    int contrast = 0, brightness = 0, colorfulness = 0, redGreenTint = 0;
};

// Applies `a` below 32 bits per pixel; 32-bit images are left alone. Out-of-range controls are
// clamped.
void AdjustColor(TIcon& target, const ColorAdjustment& a);

}  // namespace tarvo
