// The document's transforms on a 256 x 256 image, commit included below 32 bits.
#include <benchmark/benchmark.h>

#include <string>
#include <tuple>
#include <vector>

#include "bench/BenchSupport.h"
#include "core/Icon.h"

namespace {

using tarvo::TIcon;

// Flips and quarter turns are applied over and over; a rotation by an angle starts from the
// same picture every time, since repeated turns would leave less and less to turn.
void transform(benchmark::State& state, void (*op)(TIcon&), int bits, bool fromStart) {
    TIcon icon;
    icon.AddImage(256, 256, bits);
    tarvo::bench::fillPhoto(icon);
    const std::vector<uint8_t> start(icon.CurrentImageData().begin(),
                                     icon.CurrentImageData().end());
    for (auto _ : state) {
        if (fromStart) {
            state.PauseTiming();
            icon.SetCurrentImageData(start);
            state.ResumeTiming();
        }
        op(icon);
        benchmark::DoNotOptimize(icon.ImageBlock());
    }
}

}  // namespace

int main(int argc, char** argv) {
    using Op = void (*)(TIcon&);
    const std::tuple<const char*, Op, bool> ops[] = {
        {"FlipVertical", [](TIcon& icon) { icon.FlipVertical(); }, false},
        {"FlipHorizontal", [](TIcon& icon) { icon.FlipHorizontal(); }, false},
        {"RotateLeft", [](TIcon& icon) { icon.RotateLeft(); }, false},
        {"RotateRight", [](TIcon& icon) { icon.RotateRight(); }, false},
        {"Rotate30", [](TIcon& icon) { icon.Rotate(30); }, true}};
    for (const auto& [name, op, fromStart] : ops)
        for (int bits : {32, 8})
            benchmark::RegisterBenchmark(
                ("BM_" + std::string(name) + "_256x256x" + std::to_string(bits)).c_str(), transform,
                op, bits, fromStart)
                ->Unit(benchmark::kMillisecond);
    return tarvo::bench::run(argc, argv);
}
