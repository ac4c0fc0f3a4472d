#pragma once

namespace tarvo {

class TIcon;

// The Effects menu's one-shot filters. Each changes the current image of `target` (a document or
// a floating selection's one-image copy) in place; undo and repainting are the caller's.
//
// Paletted, 16- and 24-bit images change only their opaque pixels (mask bit clear) and are
// written back at their own depth, so colours may snap to the image's table. 32-bit images
// change their ARGB pixels directly; which pixels and channels each filter touches there is
// said below, since the two families treat transparency differently on purpose.

// Square box blur of size x size (3, 5, 7 or 9). Pixels are done row by row from the top, left
// to right, each result written before the next pixel is read, so a window already holds the
// blurred pixels before it. Below 32 bits the average is over the window's opaque pixels only;
// at 32 bits over every pixel of the window clipped to the image, alpha included and colours
// not weighted by it.
void Blur(TIcon& target, int size);

// Below 32 bits each opaque pixel becomes the plain mean of its channels; at 32 bits every pixel
// goes through the luminance matrix 0.309 R + 0.609 G + 0.082 B, keeping its alpha.
void GrayScale(TIcon& target);

// Each chosen channel c becomes 255 - c (an XOR with 0xFF), on opaque pixels below 32 bits and on
// every pixel at 32 bits; alpha is kept. With no channel chosen nothing changes.
void InvertColors(TIcon& target, bool red, bool green, bool blue);

// Per channel (6 centre - up - left - right - down) / 2 clamped to 0..255, in place in scan order.
// The outermost rows and columns are kept; below 32 bits so is every pixel whose cross of five
// is not all opaque. At 32 bits alpha is kept and plays no part.
void Sharpen(TIcon& target);

// Edge strength: per channel the largest absolute difference across the pixel (NE-SW, SE-NW,
// N-S, E-W), read from a copy taken first. Interior pixels only; below 32 bits only opaque ones,
// at 32 bits only those with alpha, which they keep. Neighbours count whatever their mask or
// alpha.
void Emboss(TIcon& target);

}  // namespace tarvo
