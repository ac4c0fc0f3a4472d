// Feeds arbitrary bytes to the icon/cursor reader and decodes every image it accepts.
#include <QGuiApplication>
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/Icon.h"
#include "raster/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_ico";
    static char* argv[] = {name, nullptr};
    static const bool offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(argc, argv);
    (void)offscreen;

    tarvo::TIcon icon;
    try {
        icon.LoadFromBytes(std::span(data, size));
    } catch (const tarvo::TError&) {
        return 0;
    }
    for (int i = 0; i < icon.ImageCount(); ++i) {
        icon.SelectImage(i);
        icon.StoreImage();
        (void)icon.imageToArgb(i);
    }
    return 0;
}
