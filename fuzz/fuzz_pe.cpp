// Feeds arbitrary bytes to the executable/library icon and cursor reader.
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/IconFormat.h"
#include "core/PeResources.h"
#include "fuzz/FuzzSupport.h"
#include "raster/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tarvo::fuzz::ensureApplication();
    // Both readings: the icons (or the cursors of a module without icons), and the cursors.
    for (const auto which : {tarvo::ModuleImages::IconsFirst, tarvo::ModuleImages::Cursors}) {
        tarvo::TIcon icon;
        try {
            const std::vector<uint8_t> block =
                tarvo::readModuleImages(std::span(data, size), which);
            icon.LoadFromBytes(block);
        } catch (const tarvo::TError&) {
            continue;
        }
        tarvo::fuzz::exercise(icon);
    }
    return 0;
}
