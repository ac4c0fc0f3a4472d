// Feeds arbitrary bytes to the icon/cursor reader and decodes every image it accepts.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz/FuzzSupport.h"
#include "raster/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tarvo::fuzz::ensureApplication();
    tarvo::TIcon icon;
    try {
        icon.LoadFromBytes(std::span(data, size));
    } catch (const tarvo::TError&) {
        return 0;
    }
    tarvo::fuzz::exercise(icon);
    return 0;
}
