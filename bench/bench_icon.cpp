// Opening icons and committing edits: the two costs every editing step pays.
#include <benchmark/benchmark.h>
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <cstdint>
#include <vector>

#include "bench/BenchSupport.h"
#include "core/Icon.h"
#include "raster/Planes.h"

namespace {

using tarvo::TIcon;

using tarvo::bench::fillPhoto;

// The usual application icon: 16, 24, 32, 48 at 4, 8 and 32 bits, plus 256 x 256 at 32 bits.
std::vector<uint8_t> multiImageIcon() {
    TIcon icon;
    for (int bits : {4, 8, 32})
        for (int size : {16, 24, 32, 48}) {
            icon.AddImage(size, size, bits);
            fillPhoto(icon);
        }
    icon.AddImage(256, 256, 32);
    fillPhoto(icon);
    return {icon.ImageBlock(), icon.ImageBlock() + icon.BlockSize()};
}

void BM_OpenAndDecodeEveryImage(benchmark::State& state) {
    const std::vector<uint8_t> file = multiImageIcon();
    for (auto _ : state) {
        TIcon icon;
        icon.LoadFromBytes(file);
        for (int i = 0; i < icon.ImageCount(); ++i) icon.SelectImage(i);
        benchmark::DoNotOptimize(icon.ImageBlock());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
}
BENCHMARK(BM_OpenAndDecodeEveryImage)->Unit(benchmark::kMillisecond);

// The same icon with its 256 x 256 image stored as PNG, as most current icons are.
void BM_OpenWithPngEntry(benchmark::State& state) {
    TIcon source;
    source.AddImage(256, 256, 32);
    fillPhoto(source);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    source.imageToArgb(0).save(&buffer, "PNG");
    std::vector<uint8_t> file(22, 0);
    file[2] = 1;
    file[4] = 1;
    const uint32_t size = uint32_t(png.size());
    for (int i = 0; i < 4; ++i) file[14 + i] = uint8_t(size >> (8 * i));
    file[18] = 22;
    file.insert(file.end(), png.begin(), png.end());
    for (auto _ : state) {
        TIcon icon;
        icon.LoadFromBytes(file);
        benchmark::DoNotOptimize(icon.ImageBlock());
    }
}
BENCHMARK(BM_OpenWithPngEntry)->Unit(benchmark::kMillisecond);

// One commit of a 256 x 256 8-bit image: StoreImage quantises to the table, SelectImage decodes.
void BM_StoreSelect256x256x8(benchmark::State& state) {
    TIcon icon;
    icon.AddImage(256, 256, 8);
    fillPhoto(icon);
    for (auto _ : state) {
        icon.StoreImage();
        icon.SelectImage(icon.CurrentIndex());
    }
}
BENCHMARK(BM_StoreSelect256x256x8)->Unit(benchmark::kMillisecond);

// The worst case for quantising: every commit meets a photo's colours afresh.
void BM_StoreSelect256x256x8FreshColours(benchmark::State& state) {
    TIcon source;
    source.AddImage(256, 256, 24);
    fillPhoto(source);
    const QImage photo = source.ColorBitmap().copy();
    TIcon icon;
    icon.AddImage(256, 256, 8);
    uint32_t shift = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QImage& plane = icon.ColorBitmap();
        for (int y = 0; y < 256; ++y) {
            QRgb* row = reinterpret_cast<QRgb*>(plane.scanLine(y));
            const QRgb* src = reinterpret_cast<const QRgb*>(photo.constScanLine(y));
            for (int x = 0; x < 256; ++x) row[x] = src[x] ^ (shift & 0x070707u);
        }
        ++shift;
        state.ResumeTiming();
        icon.StoreImage();
        icon.SelectImage(icon.CurrentIndex());
    }
}
BENCHMARK(BM_StoreSelect256x256x8FreshColours)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return tarvo::bench::run(argc, argv);
}
