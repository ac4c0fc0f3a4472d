// Fill, line and display costs of one editing step on a 256 x 256 image.
#include <benchmark/benchmark.h>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdint>

#include "bench/BenchSupport.h"
#include "core/Icon.h"
#include "raster/Planes.h"

namespace {

using tarvo::TIcon;

using tarvo::bench::fillPhoto;

// Every iteration fills the whole single-colour image, alternating two colours so that each
// fill has work to do.
void BM_FloodFill256x256x32(benchmark::State& state) {
    TIcon icon;
    icon.AddImage(256, 256, 32);
    const uint32_t colors[2] = {0xFF336699u, 0xFF996633u};
    icon.FloodFill(0, 0, colors[1]);
    int i = 0;
    for (auto _ : state) icon.FloodFill(128, 128, colors[i++ & 1]);
    benchmark::DoNotOptimize(icon.ImageBlock());
}
BENCHMARK(BM_FloodFill256x256x32)->Unit(benchmark::kMillisecond);

// The same on an 8-bit image, commit included (colour values 0x00BBGGRR, both in the table).
void BM_FloodFill256x256x8(benchmark::State& state) {
    TIcon icon;
    icon.AddImage(256, 256, 8);
    icon.ColorBitmap().fill(qRgb(255, 0, 0));
    icon.MaskBitmap().fill(tarvo::kMaskClear);
    icon.StoreImage();
    icon.SelectImage(0);
    const uint32_t colors[2] = {0xFF0000u, 0x0000FFu};
    int i = 0;
    for (auto _ : state) icon.FloodFill(128, 128, colors[i++ & 1]);
    benchmark::DoNotOptimize(icon.ImageBlock());
}
BENCHMARK(BM_FloodFill256x256x8)->Unit(benchmark::kMillisecond);

// One pencil line across the image and the commit that follows it.
void BM_DiagonalLineAndCommit256x256x8(benchmark::State& state) {
    TIcon icon;
    icon.AddImage(256, 256, 8);
    fillPhoto(icon);
    const uint32_t colors[2] = {0x00FF00u, 0xFF0000u};
    int i = 0;
    for (auto _ : state) {
        icon.MoveTo(0, 0);
        icon.LineTo(255, 255, colors[i++ & 1]);
        icon.StoreImage();
        icon.SelectImage(icon.CurrentIndex());
    }
    benchmark::DoNotOptimize(icon.ImageBlock());
}
BENCHMARK(BM_DiagonalLineAndCommit256x256x8)->Unit(benchmark::kMillisecond);

// The editor's view at zoom 16: a 4096 x 4096 picture of which a full-HD window shows a part.
void stretchDraw(benchmark::State& state, int bits) {
    TIcon icon;
    icon.AddImage(256, 256, bits);
    fillPhoto(icon);
    QImage screen(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    screen.fill(Qt::gray);
    QPainter painter(&screen);
    for (auto _ : state) {
        icon.StretchDraw(painter, QRect(0, 0, 4096, 4096), QRect(0, 0, 256, 256));
        benchmark::DoNotOptimize(screen.constBits());
    }
}
void BM_StretchDrawZoom16x8(benchmark::State& state) {
    stretchDraw(state, 8);
}
void BM_StretchDrawZoom16x32(benchmark::State& state) {
    stretchDraw(state, 32);
}
BENCHMARK(BM_StretchDrawZoom16x8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StretchDrawZoom16x32)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return tarvo::bench::run(argc, argv);
}
