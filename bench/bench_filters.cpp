// The Effects menu's filters on a 256 x 256 image, at 32 bits and at 8 bits (commit included).
// Each must stay well under a frame's worth of time: they run without a preview.
#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"
#include "core/Icon.h"
#include "effects/Filters.h"

namespace {

using tarvo::TIcon;

// Runs `filter` again and again on the same picture; the later runs see its own results, which
// costs the same since no filter skips work by value.
template <class Filter>
void BM_Filter(benchmark::State& state, Filter filter) {
    TIcon icon;
    icon.AddImage(256, 256, int(state.range(0)));
    tarvo::bench::fillPhoto(icon);
    for (auto _ : state) filter(icon);
    benchmark::DoNotOptimize(icon.ImageBlock());
}

void blur3(TIcon& icon) {
    tarvo::Blur(icon, 3);
}
void blur9(TIcon& icon) {
    tarvo::Blur(icon, 9);
}
void invert(TIcon& icon) {
    tarvo::InvertColors(icon, true, true, true);
}

#define TARVO_FILTER_BENCH(name, filter) \
    BENCHMARK_CAPTURE(BM_Filter, name, filter)->Arg(32)->Arg(8)->Unit(benchmark::kMillisecond)

TARVO_FILTER_BENCH(Blur3, blur3);
TARVO_FILTER_BENCH(Blur9, blur9);
TARVO_FILTER_BENCH(GrayScale, tarvo::GrayScale);
TARVO_FILTER_BENCH(InvertColors, invert);
TARVO_FILTER_BENCH(Sharpen, tarvo::Sharpen);
TARVO_FILTER_BENCH(Emboss, tarvo::Emboss);

}  // namespace

int main(int argc, char** argv) {
    return tarvo::bench::run(argc, argv);
}
