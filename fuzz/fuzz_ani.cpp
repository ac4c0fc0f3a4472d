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
    try {
        block = tarvo::readAnimatedCursor(std::span(data, size));
        tarvo::validateIconBlock(block);
    } catch (const tarvo::TError&) {
        return 0;
    }
    tarvo::TIcon icon;
    icon.LoadFromBytes(block);  // a block the reader made must always load
    tarvo::fuzz::exercise(icon);
    // And written back, it must read again.
    const std::vector<uint8_t> again = tarvo::readAnimatedCursor(
        tarvo::writeAnimatedCursor(std::span(icon.ImageBlock(), icon.BlockSize())));
    (void)again;
    return 0;
}
