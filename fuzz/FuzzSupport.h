#pragma once

#include <QGuiApplication>

#include "core/Icon.h"

namespace tarvo::fuzz {

// One offscreen application for the whole run: fonts, plug-ins and the clipboard need it.
inline void ensureApplication() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static const bool offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(argc, argv);
    (void)offscreen;
}

// Every image of an accepted document is unpacked, committed and rendered.
inline void exercise(TIcon& icon) {
    for (int i = 0; i < icon.ImageCount(); ++i) {
        icon.SelectImage(i);
        icon.StoreImage();
        (void)icon.imageToArgb(i);
    }
}

}  // namespace tarvo::fuzz
