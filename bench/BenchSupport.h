#pragma once

#include <benchmark/benchmark.h>
#include <QGuiApplication>

#include "core/Icon.h"
#include "raster/Planes.h"

namespace tarvo::bench {

// Pixels with many distinct colours and some transparency, as a photo-like icon has.
inline void fillPhoto(TIcon& icon) {
    const QSize size = icon.GetSize();
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const QRgb c = qRgba((x * 255) / size.width(), (y * 255) / size.height(),
                                 ((x ^ y) * 7) & 255, (x + y) % 17 ? 255 : 0);
            if (icon.BitCount() == 32) {
                icon.WorkBitmap().setPixel(x, y, c);
            } else {
                icon.ColorBitmap().setPixel(x, y, c | 0xFF000000u);
                icon.MaskBitmap().scanLine(y)[x] = qAlpha(c) ? kMaskClear : kMaskSet;
            }
        }
    icon.StoreImage();
    icon.SelectImage(icon.CurrentIndex());
}

// Runs the registered benchmarks under an offscreen application.
inline int run(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace tarvo::bench
