// One preview step of each colour adjustment on a 256 x 256 image: the dialogs recompute it on
// every track-bar move, so each should stay well under 20 ms.
#include <benchmark/benchmark.h>
#include <cstdint>
#include <functional>
#include <vector>

#include "bench/BenchSupport.h"
#include "core/Icon.h"
#include "effects/Adjustments.h"

namespace {

using tarvo::TIcon;

// Every iteration starts from the same pixels, as each preview does; restoring them is not timed.
void adjust(benchmark::State& state, int bits, const std::function<void(TIcon&)>& effect) {
    TIcon icon;
    icon.AddImage(256, 256, bits);
    tarvo::bench::fillPhoto(icon);
    const auto data = icon.CurrentImageData();
    const std::vector<uint8_t> original(data.begin(), data.end());
    for (auto _ : state) {
        state.PauseTiming();
        icon.SetCurrentImageData(original);
        state.ResumeTiming();
        effect(icon);
        benchmark::DoNotOptimize(icon.ImageBlock());
    }
}

void brightness(TIcon& icon) {
    tarvo::AdjustBrightness(icon, 70, 60, 30);
}
void contrast(TIcon& icon) {
    tarvo::AdjustContrast(icon, 75, 60, 30);
}
void hsb(TIcon& icon) {
    tarvo::AdjustHSB(icon, 60, 30, 55);
}
void color(TIcon& icon) {
    tarvo::AdjustColor(icon, {.flags = tarvo::ColorAdjustment::kLogFilter,
                              .redGamma = 15000,
                              .referenceBlack = 500,
                              .contrast = 20,
                              .colorfulness = 30,
                              .redGreenTint = -10});
}

void BM_Brightness256x256x32(benchmark::State& s) {
    adjust(s, 32, brightness);
}
void BM_Brightness256x256x8(benchmark::State& s) {
    adjust(s, 8, brightness);
}
void BM_Contrast256x256x32(benchmark::State& s) {
    adjust(s, 32, contrast);
}
void BM_Contrast256x256x8(benchmark::State& s) {
    adjust(s, 8, contrast);
}
void BM_HSB256x256x32(benchmark::State& s) {
    adjust(s, 32, hsb);
}
void BM_HSB256x256x8(benchmark::State& s) {
    adjust(s, 8, hsb);
}
// The colour adjustment leaves 32-bit images alone; 24 bits is its other depth worth timing.
void BM_Color256x256x24(benchmark::State& s) {
    adjust(s, 24, color);
}
void BM_Color256x256x8(benchmark::State& s) {
    adjust(s, 8, color);
}
BENCHMARK(BM_Brightness256x256x32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Brightness256x256x8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Contrast256x256x32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Contrast256x256x8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HSB256x256x32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HSB256x256x8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Color256x256x24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Color256x256x8)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return tarvo::bench::run(argc, argv);
}
