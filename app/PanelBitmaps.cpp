#include "app/PanelBitmaps.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace tarvo {
namespace {

constexpr QRgb kGrey = qRgb(128, 128, 128);

// A 3 x 3 checker: `outer` in the corners and the centre, `inner` in the edge middles. The
// middle band is `middle` pixels wide, the outer bands fill the rest; `frame` adds a grey
// one-pixel border around it.
QImage checker(int size, int middle, bool frame, QRgb outer, QRgb inner) {
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(kGrey);
    const int first = frame ? 1 : 0;
    const int inside = size - 2 * first;
    const int side = (inside - middle) / 2;
    auto band = [&](int v) { return v < side ? 0 : v < side + middle ? 1 : 2; };
    for (int y = 0; y < inside; ++y)
        for (int x = 0; x < inside; ++x)
            image.setPixel(first + x, first + y, (band(x) + band(y)) % 2 == 0 ? outer : inner);
    return image;
}

// The swatch-area background: a fine checker with a black square (the left swatch) over a
// white one (the right swatch), both framed in grey.
QImage colorPicture() {
    const QRgb silver = qRgb(192, 192, 192), white = qRgb(255, 255, 255), black = qRgb(0, 0, 0);
    QImage image(33, 33, QImage::Format_Indexed8);
    image.setColorTable({kGrey, silver, white, black});
    image.fill(0);
    for (int y = 1; y < 32; ++y)
        for (int x = 1; x < 32; ++x) image.setPixel(x, y, (x + y) % 2 == 0 ? 1 : 2);
    auto square = [&](int at, uint index) {
        for (int y = at; y < at + 13; ++y)
            for (int x = at; x < at + 13; ++x) {
                const bool edge = x == at || y == at || x == at + 12 || y == at + 12;
                image.setPixel(x, y, edge ? 0 : index);
            }
    };
    square(12, 2);
    square(7, 3);
    return image;
}

// Full-saturation colour of a hue in degrees, each channel 0..255 and linear between the six
// primary and secondary hues.
std::array<double, 3> hueColor(double hue) {
    auto channel = [hue](double centre) {
        // Distance in degrees from the channel's own hue, around the circle.
        const double d = std::abs(std::remainder(hue - centre, 360.0));
        return 255.0 * std::clamp((120.0 - d) / 60.0, 0.0, 1.0);
    };
    return {channel(0.0), channel(120.0), channel(240.0)};
}

// A grey centre shading into the hue circle; hue 0 (red) points up and grows clockwise.
QImage colorDisc() {
    constexpr int size = 77, centre = 38;
    QImage image(size, size, QImage::Format_RGB888);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double dx = x - centre, dy = y - centre;
            const double t = std::min(1.0, std::sqrt(dx * dx + dy * dy) / centre);
            double hue = std::atan2(dx, -dy) * 180.0 / std::numbers::pi;
            if (hue < 0) hue += 360.0;
            const auto p = hueColor(hue);
            auto mix = [t](double c) {
                return static_cast<int>(std::lround(127.5 + t * (c - 127.5)));
            };
            image.setPixel(x, y, qRgb(mix(p[0]), mix(p[1]), mix(p[2])));
        }
    return image;
}

using Entry = std::pair<QString, QImage>;

const std::vector<Entry>& bitmaps() {
    static const std::vector<Entry> all = [] {
        const QRgb teal = qRgb(0, 128, 128), aqua = qRgb(0, 255, 255);
        const QRgb lightRed = qRgb(224, 128, 128), red = qRgb(255, 0, 0);
        return std::vector<Entry>{
            {QStringLiteral("COLORPIC"), colorPicture()},
            {QStringLiteral("TRANSPARENT"), checker(15, 5, true, teal, aqua)},
            {QStringLiteral("INVERSE"), checker(15, 5, true, lightRed, red)},
            {QStringLiteral("TRANSPARENT1"), checker(11, 3, false, teal, aqua)},
            {QStringLiteral("INVERSE1"), checker(11, 3, false, lightRed, red)},
            {QStringLiteral("COLORS"), colorDisc()},
        };
    }();
    return all;
}

}  // namespace

QImage panelBitmap(QStringView name) {
    for (const auto& [key, image] : bitmaps())
        if (key == name) return image;
    return {};
}

}  // namespace tarvo
