#include "app/ToolCursors.h"

#include <QBitmap>
#include <QCoreApplication>

#include <array>
#include <memory>
#include <string_view>

namespace tarvo {
namespace {

// '#' black, 'o' white, '.' transparent. Every picture has a white edge somewhere along its
// black outline so that it stays visible over a dark image as well as a light one.
struct CursorArt {
    QPoint hotSpot;
    std::array<std::string_view, 32> rows;
};

// Hot spots are fixed by the tools: the pencil's point, the dropper's nozzle, the end of the
// paint running off the bucket and the point of the drop.
// clang-format off
const std::array<CursorArt, 4> kArt = {{
    {{9, 18}, {{  // PENCIL
        "................................",
        "................................",
        "................................",
        "....................#...........",
        "...................#o#..........",
        "..................#ooo#.........",
        ".................###ooo#........",
        "................#oo##ooo#.......",
        "...............#ooo###o#........",
        "..............#ooo#oo##.........",
        ".............#ooo#ooo#..........",
        "............#ooo#ooo#...........",
        "...........#ooo#ooo#............",
        "..........#ooo#ooo#.............",
        ".........#ooo#ooo#..............",
        ".........##o#ooo#...............",
        ".........#o#ooo#................",
        ".........##o#o#.................",
        ".........#####..................",
        "................................",
        "................................",
        "................................",
        "................................",
        "................................",
        "................................",
        "................................",
        "................................",
        "................................",
        "................................",
        "................................",
        "................................",
        "................................",
    }}},
    {{2, 18}, {{  // EYE
        "................................",
        "................................",
        "..............ooo...............",
        ".............o###o..............",
        "............o#####o.............",
        ".........ooo######o.............",
        "........o#########o.............",
        "........o########o..............",
        ".........o######o...............",
        "........o#o####o................",
        ".......o#ooo##o.................",
        "......o#ooo#o##o................",
        ".....o#ooo#o.oo.................",
        "....o#ooo#o.....................",
        "...o#ooo#o......................",
        "..o#ooo#o.......................",
        "..o##o#o........................",
        ".o####o.........................",
        ".o##oo..........................",
        "..oo............................",
        "................................",
        "................................",
        "................................",
        "................................",
        "................................",
        "................................",
        "................................",
        "................................",
        "................................",
        "................................",
        "................................",
        "................................",
    }}},
    {{7, 28}, {{  // FILL
        "................................",
        "................................",
        "................................",
        "................................",
        "...............#####............",
        ".............##ooooo##..........",
        "............#oo#####oo#.........",
        "...........#o##.....##o#........",
        "..........#o#.........#o#.......",
        "..........#o###########o#.......",
        ".........##ooooooooooooo##......",
        "........#oo#############o#......",
        ".......o#o###############o#.....",
        ".......o##o#############oo#.....",
        ".......o#o#o###########ooo#.....",
        ".......o#o#ooooooooooooooo#.....",
        ".......o#o#oooooooooooooo#......",
        ".......o#o#oooooooooooooo#......",
        ".......o#o#oooooooooooooo#......",
        ".......o#o#oooooooooooooo#......",
        ".......o#o#ooooooooooooo#.......",
        ".......o#o#ooooooooooooo#.......",
        ".......o#o#ooooooooooooo#.......",
        ".......o#o#ooooooooooooo#.......",
        "......o##o#ooooooooooooo#.......",
        ".....o####o#ooooooooooo##.......",
        ".....o####o.############........",
        ".....o####o.....................",
        "......o##o......................",
        ".......oo.......................",
        "................................",
        "................................",
    }}},
    {{6, 24}, {{  // BLUR
        "................................",
        "................................",
        "................................",
        "................................",
        "................................",
        "................................",
        "................................",
        "................................",
        "................................",
        ".............#####..............",
        "...........##o#ooo##............",
        "..........##o#oooooo#...........",
        "..........#o#o#ooooo#...........",
        ".........#o#o#ooooooo#..........",
        ".........##o#o#ooooo##..........",
        "........##o#o#o#o#o#o#..........",
        "........#o#o#o#o#o#o##..........",
        "........##o#o#o#o#o#o#..........",
        "........#o#o#o#o#o#o#...........",
        ".......#o#o#o#o#o#o##...........",
        ".......##o#o#o#o#o##............",
        ".......#o#o#o#o###..............",
        ".......##o#o####................",
        "......######....................",
        "......##........................",
        "................................",
        "................................",
        "................................",
        "................................",
        "................................",
        "................................",
        "................................",
    }}},
}};
// clang-format on

const CursorArt* artFor(int number) {
    return number >= 1 && number <= int(kArt.size()) ? &kArt[size_t(number - 1)] : nullptr;
}

QImage render(const CursorArt& art) {
    QImage image(32, 32, QImage::Format_ARGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const char c = art.rows[size_t(y)][size_t(x)];
            image.setPixel(x, y, c == '#' ? 0xFF000000u : c == 'o' ? 0xFFFFFFFFu : 0u);
        }
    return image;
}

// A bitmap whose set bits (drawn black) are the pixels for which `on` holds.
QBitmap bitmapWhere(const QImage& image, bool (*on)(QRgb)) {
    QImage bits(image.size(), QImage::Format_Mono);
    bits.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) bits.setPixel(x, y, on(image.pixel(x, y)) ? 1 : 0);
    return QBitmap::fromImage(bits);
}

const std::array<QImage, 4>& images() {
    static const std::array<QImage, 4> cache = {render(kArt[0]), render(kArt[1]), render(kArt[2]),
                                                render(kArt[3])};
    return cache;
}

// Cursors hold pixmaps, which must go before the application does: the cache is emptied by a
// post routine rather than left to static destruction.
std::unique_ptr<std::array<QCursor, 4>>& cursorCache() {
    static std::unique_ptr<std::array<QCursor, 4>> cache;
    return cache;
}

void dropCursorCache() {
    cursorCache().reset();
}

}  // namespace

QImage toolCursorImage(int number) {
    return artFor(number) ? images()[size_t(number - 1)] : QImage();
}

QCursor toolCursor(int number) {
    const CursorArt* art = artFor(number);
    if (!art) return QCursor(Qt::ArrowCursor);
    auto& cache = cursorCache();
    if (!cache) {
        cache = std::make_unique<std::array<QCursor, 4>>();
        for (size_t i = 0; i < kArt.size(); ++i) {
            const QImage& image = images()[i];
            // Bitmap bit set and mask set: black; mask set alone: white; neither: transparent.
            const QBitmap bitmap = bitmapWhere(image, [](QRgb p) { return p == 0xFF000000u; });
            const QBitmap mask = bitmapWhere(image, [](QRgb p) { return qAlpha(p) != 0; });
            (*cache)[i] = QCursor(bitmap, mask, kArt[i].hotSpot.x(), kArt[i].hotSpot.y());
        }
        qAddPostRoutine(dropCursorCache);
    }
    return (*cache)[size_t(number - 1)];
}

}  // namespace tarvo
