// Feeds arbitrary bytes to the executable/library icon reader.
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/IconFormat.h"
#include "core/PeResources.h"
#include "fuzz/FuzzSupport.h"
#include "raster/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tarvo::fuzz::ensureApplication();
    tarvo::TIcon icon;
    try {
        const std::vector<uint8_t> block = tarvo::readModuleIcons(std::span(data, size));
        icon.LoadFromBytes(block);
    } catch (const tarvo::TError&) {
        return 0;
    }
    tarvo::fuzz::exercise(icon);
    return 0;
}
