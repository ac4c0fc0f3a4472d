// Feeds arbitrary bytes to the animated cursor reader.
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/AniFormat.h"
#include "core/IconFormat.h"
#include "fuzz/FuzzSupport.h"
#include "raster/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tarvo::fuzz::ensureApplication();
    std::vector<uint8_t> block;
    tarvo::TAnimation animation;
    try {
        block = tarvo::readAnimatedCursor(std::span(data, size), &animation);
        tarvo::validateIconBlock(block);
    } catch (const tarvo::TError&) {
        return 0;
    }
    tarvo::TIcon icon;
    icon.LoadFromBytes(block);  // a block the reader made must always load
    tarvo::fuzz::exercise(icon);
    // And written back with its timing, it must read again to the same steps, rates and names
    // (the sequence flag goes with a "seq " chunk, written only when needed).
    tarvo::TAnimation again;
    (void)tarvo::readAnimatedCursor(
        tarvo::writeAnimatedCursor(std::span(icon.ImageBlock(), icon.BlockSize()), animation),
        &again);
    animation.flags &= ~2u;
    again.flags &= ~2u;
    if (!(again == animation)) __builtin_trap();
    // Frames moved keep a sequence of the same length, every step showing a frame that is there.
    icon.SetAnimation(animation);
    icon.MoveImage(0, icon.ImageCount() - 1);
    if (!icon.Animation() || icon.Animation()->steps.size() != animation.steps.size())
        __builtin_trap();
    icon.CheckAnimation(icon.Animation());
    return 0;
}
