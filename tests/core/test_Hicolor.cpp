#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QTemporaryDir>
#include <algorithm>

#include "TestSupport.h"
#include "core/HicolorTheme.h"
#include "core/Icon.h"
#include "raster/Errors.h"

namespace tarvo {
namespace {

// A hicolor index as the system's has it, for the sizes the test needs: programs find a theme's
// folders through it, and the export writes none of its own.
void writeSystemIndex(const QString& base) {
    QDir(base).mkpath(QStringLiteral("hicolor"));
    test::writeText(base + QStringLiteral("/hicolor/index.theme"),
                    "[Icon Theme]\nName=Hicolor\nDirectories=16x16/apps,48x48/apps\n\n"
                    "[16x16/apps]\nSize=16\nContext=Applications\nType=Threshold\n\n"
                    "[48x48/apps]\nSize=48\nContext=Applications\nType=Threshold\n");
}

// The square images of the theme's sizes are written, the deepest of each size; Qt's own theme
// lookup then finds the icon at both sizes with our pixels; other sizes are counted as left out.
TEST(Hicolor, ProgramsFindTheIconAtEverySizeWritten) {
    QTemporaryDir user, system;
    writeSystemIndex(system.path());
    TIcon icon;
    auto paint = [](int x, int y) { return qRgba(x * 9, y * 5, 200, (x + y) % 4 ? 255 : 0); };
    test::addPainted(icon, 16, 16, 4, paint);
    test::addPainted(icon, 16, 16, 32,
                     [](int x, int y) { return qRgba(x * 15, y * 15, 40, 60 + x); });
    test::addPainted(icon, 20, 20, 32, paint);
    test::addPainted(icon, 48, 48, 8, paint);
    test::addPainted(icon, 30, 40, 32, paint);
    // As the document shows them: the 8-bit image in its own table's colours.
    const QImage deep = icon.imageToArgb(1), large = icon.imageToArgb(3);

    const THicolorExport written = writeHicolorIcons(user.path(), "tarvo-probe", "apps", icon);
    EXPECT_EQ(written.leftOut, 3);
    EXPECT_EQ(written.files, (QStringList{user.filePath("hicolor/16x16/apps/tarvo-probe.png"),
                                          user.filePath("hicolor/48x48/apps/tarvo-probe.png")}));
    EXPECT_FALSE(QFile::exists(user.filePath("hicolor/index.theme")));

    QIcon::setThemeSearchPaths({user.path(), system.path()});
    QIcon::setThemeName(QStringLiteral("hicolor"));
    const QIcon found = QIcon::fromTheme(QStringLiteral("tarvo-probe"));
    ASSERT_FALSE(found.isNull());
    QList<QSize> sizes = found.availableSizes();
    std::sort(sizes.begin(), sizes.end(), [](QSize a, QSize b) { return a.width() < b.width(); });
    EXPECT_EQ(sizes, (QList<QSize>{QSize(16, 16), QSize(48, 48)}));
    // Pixmaps hold premultiplied pixels: compared as such.
    const auto shown = [](const QImage& image) {
        return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    };
    EXPECT_EQ(shown(found.pixmap(16).toImage()), shown(deep));
    EXPECT_EQ(shown(found.pixmap(48).toImage()), shown(large));

    TIcon odd;
    test::addPainted(odd, 20, 20, 32, paint);
    EXPECT_THROW(writeHicolorIcons(user.path(), "odd", "apps", odd), EInvalidGraphic);
    EXPECT_THROW(writeHicolorIcons(user.path(), "a/b", "apps", icon), EInvalidGraphic);
    EXPECT_THROW(writeHicolorIcons(user.path(), "x", "games", icon), EInvalidGraphic);
}

}  // namespace
}  // namespace tarvo
