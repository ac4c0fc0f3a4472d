// Feeds arbitrary bytes to the icon/cursor reader and decodes every image it accepts, and to the
// image-at-a-time reader the command-line tool uses.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/ImageSource.h"
#include "fuzz/FuzzSupport.h"
#include "plain/PlainIcons.h"
#include "raster/Errors.h"

namespace {

// The command-line tool's quick start: the directory, then each bitmap decoded and encoded.
void readPlain(std::span<const uint8_t> file) {
    const std::optional<tarvo::plain::Directory> dir = tarvo::plain::readDirectory(file);
    if (!dir) return;
    for (const tarvo::plain::Entry& e : dir->entries) {
        const std::span<const uint8_t> image = file.subspan(e.offset, e.size);
        if (tarvo::plain::isPng(image)) {
            tarvo::plain::isWholePng(image);
            continue;
        }
        int w = 0, h = 0;
        const std::vector<uint32_t> argb = tarvo::plain::decodeBitmap(image, &w, &h);
        if (argb.size() != size_t(w) * size_t(h)) __builtin_trap();
        if (argb.size() <= 4096) tarvo::plain::encodePng(argb.data(), w, h, size_t(w));
    }
}

void readOneAtATime(const uint8_t* data, size_t size) {
    readPlain(std::span(data, size));
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
