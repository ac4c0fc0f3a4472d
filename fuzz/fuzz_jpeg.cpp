// Feeds arbitrary bytes to the open dialog's JPEG preview decoder, at a reduced scale and at
// full size, and touches every pixel it returns.
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <span>

#include "dialogs/JpegPreview.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    for (const QSize fit : {QSize(64, 0), QSize()}) {
        QSize full;
        const QImage image = tarvo::decodeJpegPreview(bytes, fit, &full);
        if (image.isNull()) continue;
        if (full.isEmpty() || image.width() > full.width() || image.height() > full.height())
            __builtin_trap();
        uint32_t sum = 0;
        for (int y = 0; y < image.height(); ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) sum += row[x];
        }
        volatile uint32_t sink = sum;
        (void)sink;
    }
    return 0;
}
