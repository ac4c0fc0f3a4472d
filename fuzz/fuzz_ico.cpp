// Feeds arbitrary bytes to the icon/cursor reader and decodes every image it accepts, and to the
// image-at-a-time reader the command-line tool uses.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/ImageSource.h"
#include "fuzz/FuzzSupport.h"
#include "raster/Errors.h"

namespace {

void readOneAtATime(const uint8_t* data, size_t size) {
    std::optional<tarvo::TImageSource> source =
        tarvo::TImageSource::fromBytes(std::vector<uint8_t>(data, data + size));
    if (!source) return;
    for (int i = 0; i < source->count(); ++i) {
        const QSize size = source->size(i);
        source->bitCount(i);
        source->png(i);
        try {
            const QImage image = source->argb(i);
            // A bitmap decodes at the size its header gives.
            if (!source->png(i) && image.size() != size) __builtin_trap();
        } catch (const tarvo::TError&) {
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tarvo::fuzz::ensureApplication();
    readOneAtATime(data, size);
    tarvo::TIcon icon;
    try {
        icon.LoadFromBytes(std::span(data, size));
    } catch (const tarvo::TError&) {
        return 0;
    }
    tarvo::fuzz::exercise(icon);
    return 0;
}
