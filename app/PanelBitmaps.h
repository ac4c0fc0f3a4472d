#pragma once

#include <QImage>
#include <QStringView>
#include <array>
#include <cstdint>

namespace tarvo {

// The pictures of the colour panel, drawn in code so their pixels are exact:
// "COLORPIC" (33 x 33, 8 bits), "TRANSPARENT" and "INVERSE" (15 x 15), "TRANSPARENT1" and
// "INVERSE1" (11 x 11) and "COLORS" (77 x 77, 24 bits). A null image for any other name.
// Built once and shared.
QImage panelBitmap(QStringView name);

// The 16 fixed colours the panel offers above 8 bits per pixel, as 0x00BBGGRR: the first row
// dark, the second bright.
inline constexpr std::array<uint32_t, 16> StandardColors = {
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
    0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

}  // namespace tarvo
