// Feeds arbitrary bytes to the X cursor reader; what it reads must write and read again to the
// same pixels and hot spots.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "core/Icon.h"
#include "core/IconFormat.h"
#include "core/XcursorFormat.h"
#include "fuzz/FuzzSupport.h"
#include "raster/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tarvo::fuzz::ensureApplication();
    std::vector<uint8_t> block;
    std::optional<tarvo::TAnimation> animation;
    try {
        block = tarvo::readXcursor(std::span(data, size), &animation);
    } catch (const tarvo::TError&) {
        return 0;
    }
    tarvo::validateIconBlock(block);  // a block the reader made is always strict
    std::optional<tarvo::TAnimation> again;
    const std::vector<uint8_t> back =
        tarvo::readXcursor(tarvo::writeXcursor(block, animation), &again);
    if (back.size() != block.size()) __builtin_trap();
    for (int i = 0; i < tarvo::blockCount(block.data()); ++i) {
        const tarvo::IconEntry a = tarvo::readEntry(block.data(), i);
        const tarvo::IconEntry b = tarvo::readEntry(back.data(), i);
        const QImage first = tarvo::strictImageToArgb(block.data() + a.imageOffset);
        const QImage second = tarvo::strictImageToArgb(back.data() + b.imageOffset);
        if (first.size() != second.size()) __builtin_trap();
        // Straight pixels that came from premultiplied ones go back to the same values.
        for (int y = 0; y < first.height(); ++y)
            for (int x = 0; x < first.width(); ++x)
                if (qAlpha(first.pixel(x, y)) != 0 && first.pixel(x, y) != second.pixel(x, y))
                    __builtin_trap();
    }
    return 0;
}
