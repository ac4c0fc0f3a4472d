// Feeds arbitrary bytes to the macOS icon reader. What it accepts must load, and written back,
// with fresh PNGs or with the ones it came with, must read again to the same images.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/IcnsFormat.h"
#include "core/IconFormat.h"
#include "core/IconWriter.h"
#include "fuzz/FuzzSupport.h"
#include "raster/Errors.h"

namespace {

std::span<const uint8_t> imageOf(const std::vector<uint8_t>& block, int index) {
    const tarvo::IconEntry e = tarvo::readEntry(block.data(), index);
    return std::span(block).subspan(e.imageOffset, e.bytesInRes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tarvo::fuzz::ensureApplication();
    std::vector<uint8_t> block;
    tarvo::TPngOriginals originals;
    try {
        block = tarvo::readIcns(std::span(data, size), &originals);
        tarvo::validateIconBlock(block);
    } catch (const tarvo::TError&) {
        return 0;
    }
    tarvo::TIcon icon;
    icon.LoadFromBytes(block);  // a block the reader made must always load
    tarvo::fuzz::exercise(icon);

    const std::vector<int> written = tarvo::icnsImages(block);
    if (written.empty()) return 0;
    for (const tarvo::TPngOriginals* kept :
         {static_cast<tarvo::TPngOriginals*>(nullptr), &originals}) {
        const std::vector<uint8_t> again = tarvo::readIcns(tarvo::writeIcns(block, kept));
        if (tarvo::blockCount(again.data()) != written.size()) __builtin_trap();
        for (size_t k = 0; k < written.size(); ++k) {
            const auto a = imageOf(again, int(k)), b = imageOf(block, written[k]);
            if (!std::equal(a.begin(), a.end(), b.begin(), b.end())) __builtin_trap();
        }
    }
    return 0;
}
