#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <random>

#include "TestSupport.h"
#include "core/AniFormat.h"
#include "core/CursorTheme.h"
#include "core/DocumentFiles.h"
#include "core/Icon.h"
#include "core/IconFormat.h"
#include "core/XcursorFormat.h"
#include "raster/Errors.h"

// Last: the X headers' macros clash with the toolkit's names.
#include <X11/Xcursor/Xcursor.h>

namespace tarvo {
namespace {

struct ImagesFree {
    void operator()(XcursorImages* images) const { XcursorImagesDestroy(images); }
};
using Images = std::unique_ptr<XcursorImages, ImagesFree>;

// Files libXcursor itself writes, with premultiplied pixels, several sizes, hot spots and delays in
// whole sixtieths of a second, read as documents and written back: the library reads the same
// pixels, hot spots and delays; the document plays the delays as rates.
TEST(Xcursor, FilesOfTheLibraryComeBackAsTheyWere) {
    QTemporaryDir dir;
    std::mt19937 random(3);
    for (int round = 0; round < 8; ++round) {
        const int count = 1 + int(random() % 4);
        Images made(XcursorImagesCreate(count));
        for (int i = 0; i < count; ++i) {
            const int w = 1 + int(random() % 40), h = 1 + int(random() % 40);
            XcursorImage* image = XcursorImageCreate(w, h);
            image->size = XcursorDim(std::max(w, h));
            image->xhot = XcursorDim(random() % unsigned(w));
            image->yhot = XcursorDim(random() % unsigned(h));
            image->delay =
                round % 2 ? XcursorUInt(std::lround((1 + random() % 20) * 1000.0 / 60)) : 0;
            for (int p = 0; p < w * h; ++p) {
                const uint32_t a = random() % 4 == 0 ? 0 : random() % 256;
                auto channel = [&] { return a ? uint32_t(random() % (a + 1)) : 0u; };
                image->pixels[p] = a << 24 | channel() << 16 | channel() << 8 | channel();
            }
            made->images[made->nimage++] = image;
        }
        const QString first = dir.filePath(QStringLiteral("made%1").arg(round));
        ASSERT_TRUE(XcursorFilenameSaveImages(first.toLocal8Bit().constData(), made.get()));
        TIcon icon;
        icon.LoadFromFile(first);  // no extension: known by its content
        ASSERT_EQ(icon.ImageCount(), count);
        EXPECT_EQ(icon.fileType(), kTypeCursor);
        EXPECT_EQ(icon.Animation().has_value(), round % 2 == 1);
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(icon.hotSpot(i),
                      QPoint(int(made->images[i]->xhot), int(made->images[i]->yhot)));
            if (icon.Animation()) {
                EXPECT_EQ(icon.Animation()->steps[size_t(i)].rate,
                          uint32_t(std::lround(made->images[i]->delay * 0.06)));
            }
        }
        const QString second = dir.filePath(QStringLiteral("again%1.xcursor").arg(round));
        saveDocument(icon, second);
        const Images read(XcursorFilenameLoadAllImages(second.toLocal8Bit().constData()));
        ASSERT_TRUE(read);
        ASSERT_EQ(read->nimage, count);
        for (int i = 0; i < count; ++i) {
            const XcursorImage& a = *made->images[i];
            const XcursorImage& b = *read->images[i];
            SCOPED_TRACE(testing::Message() << round << " image " << i);
            ASSERT_EQ(b.width, a.width);
            ASSERT_EQ(b.height, a.height);
            EXPECT_EQ(b.size, a.size);
            EXPECT_EQ(b.xhot, a.xhot);
            EXPECT_EQ(b.yhot, a.yhot);
            EXPECT_EQ(b.delay, a.delay);
            // Premultiplied pixels go to straight ones and back exactly; fully clear ones are 0.
            EXPECT_TRUE(
                std::equal(a.pixels, a.pixels + a.width * a.height, b.pixels,
                           [](uint32_t p, uint32_t q) { return p >> 24 ? p == q : q == 0; }));
        }
    }
}

// A theme made from cursors and animated cursors loads through libXcursor by every role and
// alias; a damaged X cursor file is refused and the document stays as it was.
TEST(Xcursor, ThemesLoadByRoleAndAlias) {
    QTemporaryDir dir;
    TIcon arrow, busy;
    arrow.AddImage(32, 32, 32);
    arrow.BeginStroke();
    arrow.SetPixelValue(3, 4, 0xFF102030);
    arrow.EndStroke();
    arrow.setHotSpot(0, QPoint(3, 4));
    busy.AddImage(24, 24, 32);
    busy.AddImage(24, 24, 8);
    busy.markAsCursor(QPoint(12, 12));
    TAnimation animation;
    animation.steps = {{0, 6}, {1, 12}};
    const std::vector<uint8_t> ani =
        writeAnimatedCursor(std::span(busy.ImageBlock(), busy.BlockSize()), animation);
    test::writeFile(dir.filePath("busy.ani"), ani);
    busy.LoadFromFile(dir.filePath("busy.ani"));

    // What the theme lacks comes from the theme it falls back to, by role and alias.
    writeCursorTheme(dir.path(), QStringLiteral("Base"), {{QStringLiteral("xterm"), &busy}});
    writeCursorTheme(dir.path(), QStringLiteral("Test"),
                     {{QStringLiteral("left_ptr"), &arrow},
                      {QStringLiteral("watch"), &busy},
                      {QStringLiteral("default"), &busy}},
                     QStringLiteral("Base"));
    QDir(dir.path()).mkpath("default/cursors");  // the user's choice, never offered
    qputenv("XCURSOR_PATH", (dir.path() + ":/nowhere").toLocal8Bit());
    EXPECT_EQ(installedCursorThemes(), (QStringList{"Base", "Test"}));
    EXPECT_EQ(fallbackCursorTheme({"Base", "Test"}), "Base");
    EXPECT_EQ(fallbackCursorTheme({"Adwaita", "Base"}), "Adwaita");
    for (const char* name : {"xterm", "text"}) {
        const Images images(XcursorLibraryLoadImages(name, "Test", 32));
        ASSERT_TRUE(images) << name;
        EXPECT_EQ(images->nimage, 2) << name;
    }
    EXPECT_THROW(writeCursorTheme(dir.path(), "Loop", {{QStringLiteral("xterm"), &busy}}, "Loop"),
                 EInvalidGraphic);
    EXPECT_THROW(writeCursorTheme(dir.path(), "Bad\nName", {{QStringLiteral("xterm"), &busy}}),
                 EInvalidGraphic);
    for (const char* name : {"left_ptr", "arrow", "top_left_arrow", "watch", "wait", "default"}) {
        const Images images(XcursorLibraryLoadImages(name, "Test", 32));
        ASSERT_TRUE(images) << name;
        const bool isArrow =
            std::string(name).find("arrow") != std::string::npos || std::string(name) == "left_ptr";
        ASSERT_EQ(images->nimage, isArrow ? 1 : 2) << name;
        EXPECT_EQ(images->images[0]->xhot, isArrow ? 3u : 12u) << name;
        if (isArrow) {
            EXPECT_EQ(images->images[0]->pixels[4 * 32 + 3], 0xFF102030u);
        } else {
            EXPECT_EQ(images->images[1]->delay, 200u) << name;
        }
    }
    EXPECT_THROW(writeCursorTheme(dir.path(), "Test", {{QStringLiteral("../up"), &arrow}}),
                 EInvalidGraphic);

    test::Bytes damaged = test::readFile(dir.filePath("Test/cursors/watch"));
    damaged.resize(damaged.size() / 2);
    test::writeFile(dir.filePath("damaged"), damaged);
    EXPECT_THROW(arrow.LoadFromFile(dir.filePath("damaged")), EInvalidGraphic);
    EXPECT_EQ(arrow.ImageCount(), 1);
    EXPECT_EQ(arrow.hotSpot(0), QPoint(3, 4));
}

}  // namespace
}  // namespace tarvo
