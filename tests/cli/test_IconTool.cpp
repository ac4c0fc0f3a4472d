#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTransform>
#include <algorithm>
#include <functional>
#include <random>
#include <tuple>
#include <vector>

#include "TestSupport.h"
#include "cli/IconTool.h"
#include "cli/Quick.h"
#include "core/DocumentFiles.h"
#include "core/Icon.h"
#include "core/IconWriter.h"
#include "effects/Adjustments.h"
#include "effects/Convert.h"
#include "effects/Filters.h"

namespace tarvo {
namespace {

struct ToolResult {
    int code = -1;
    QString out, err;
};

ToolResult runTool(const QStringList& args) {
    ToolResult r;
    QTextStream out(&r.out), err(&r.err);
    r.code = runIconTool(args, out, err);
    return r;
}

// The output's lines with `file` as F and runs of blanks made one, joined by '|'.
std::string rows(QString text, const QString& file) {
    QStringList lines = text.replace(file, "F").trimmed().split('\n');
    for (QString& line : lines) line = line.simplified();
    return lines.join(QLatin1Char('|')).toStdString();
}

// The three-image file with another type and, unless x < 0, the hot spot (x, y) in every entry.
test::Bytes retyped(test::Bytes b, uint16_t type, int x = -1, int y = -1) {
    test::put16(b, 2, type);
    for (size_t e = 6; e < 6 + 3 * 16 && x >= 0; e += 16)
        test::put16(b, e + 4, uint16_t(x)), test::put16(b, e + 6, uint16_t(y));
    return b;
}

// A cursor's bytes as an icon: type 1, and planes and depths where the hot spots were.
test::Bytes asIcon(test::Bytes b) {
    test::put16(b, 2, 1);
    const uint16_t depths[] = {1, 32, 4};
    for (size_t i = 0; i < 3; ++i)
        test::put16(b, 6 + 16 * i + 4, 1), test::put16(b, 6 + 16 * i + 6, depths[i]);
    return b;
}

// A 32x32 1-bit, a 256x256 32-bit and a 16x16 4-bit image, and the ARGB picture each should
// extract to: alpha 0 where the mask bit is set, the colour plane kept as it is. The cursor has
// the same images, hot spot (3,9) but (11,2) in its second entry.
class IconToolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        const QRgb table[] = {0xFF000000, 0xFFFFFFFF, 0xFF800000, 0xFF00FF00,
                              0xFFC0C0C0, 0xFF0000FF, 0xFFFFFF00, 0xFF808080};
        TIcon icon;
        for (const auto& format : {std::pair{32, 1}, {256, 32}, {16, 4}}) {
            const int size = format.first, bits = format.second;  // lambdas capture no bindings
            const QImage argb = test::testPicture(size, size, 5);
            pictures_.push_back(test::addPainted(icon, size, size, bits, [&](int x, int y) {
                const QRgb c = table[(x * 3 + y * 5 + x * y) % (bits == 1 ? 2 : 8)];
                return bits == 32 ? argb.pixel(x, y) : (x + 2 * y) % 5 == 1 ? c & 0xFFFFFFu : c;
            }));
        }
        saveDocument(icon, ico_, PngPolicy::None);  // as convert writes it without PNG
        test::Bytes cur = retyped(test::readFile(ico_), 2, 3, 9);
        test::put16(cur, 22 + 4, 11), test::put16(cur, 22 + 6, 2);
        test::writeFile(cur_, cur);
    }

    QString path(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
    const QString ico_ = path(QStringLiteral("sample.ico")), cur_ = path(QStringLiteral("s.cur"));
    const char* icoRows_ =
        "F: icon, 3 images|index width height bits|0 32 32 1|1 256 256 32|2 16 16 4";
    std::vector<QImage> pictures_;
};

TEST_F(IconToolTest, InfoListsEveryImageAsTextAndJson) {
    EXPECT_EQ(rows(runTool({"info", ico_}).out, ico_), icoRows_);
    EXPECT_EQ(rows(runTool({"info", cur_}).out, cur_),
              "F: cursor, 3 images|index width height bits hotspot|0 32 32 1 3,9|"
              "1 256 256 32 11,2|2 16 16 4 3,9");
    // Written again with sorted keys, so that only the content counts.
    auto json = [](const QString& file) {
        const QByteArray out = runTool({"info", file, "--json"}).out.toUtf8();
        return rows(QJsonDocument::fromJson(out).toJson(QJsonDocument::Compact), file);
    };
    const QString images(R"({"file":"F","images":[{"bits":1,"height":32,%1"index":0,"width":32},)"
                         R"({"bits":32,"height":256,%2"index":1,"width":256},)"
                         R"({"bits":4,"height":16,%1"index":2,"width":16}],"type":"%3"})");
    EXPECT_EQ(json(ico_), images.arg("", "", "icon").toStdString());
    EXPECT_EQ(json(cur_),
              images.arg(R"("hotspot":[3,9],)", R"("hotspot":[11,2],)", "cursor").toStdString());
}

// Bitmaps are encoded, PNG images copied as stored; a damaged image writes nothing.
TEST_F(IconToolTest, ExtractWritesEveryImageAsArgbPngNumberedFromZero) {
    TIcon icon;
    icon.LoadFromFile(ico_);
    const QString withPng = path("png.ico");
    saveDocument(icon, withPng, PngPolicy::All);
    const test::Bytes stored = test::readFile(withPng);
    const uint32_t offset = test::get32(stored, 6 + 16 + 12),
                   length = test::get32(stored, 6 + 16 + 8);
    ASSERT_EQ(stored[offset + 1], 'P');
    for (const QString& file : {ico_, withPng}) {
        const QString out = path("new/folder");
        const ToolResult r = runTool({"extract", file, "-o", out});
        ASSERT_EQ(r.code, kExitOk) << r.err.toStdString();
        EXPECT_EQ(rows(r.out, out), "F/0.png|F/1.png|F/2.png");
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(QImage(QStringLiteral("%1/%2.png").arg(out).arg(i))
                          .convertToFormat(QImage::Format_ARGB32),
                      pictures_[size_t(i)])
                << i;
        QDir(out).removeRecursively();
    }
    const QString copied = path("copied");
    ASSERT_EQ(runTool({"extract", withPng, "-o", copied}).code, kExitOk);
    EXPECT_EQ(test::readFile(copied + "/1.png"),
              test::Bytes(stored.begin() + offset, stored.begin() + offset + length));
    // A damaged PNG image: a message, and no folder made.
    test::Bytes damaged = stored;
    damaged[offset + 60] ^= 0xFF;
    test::writeFile(path("damaged.ico"), damaged);
    const ToolResult bad = runTool({"extract", path("damaged.ico"), "-o", path("none")});
    EXPECT_NE(bad.code, kExitOk);
    EXPECT_TRUE(bad.err.contains("damaged.ico")) << bad.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path("none")));
}

TEST_F(IconToolTest, ConvertChangesOnlyTheTypeAndHotSpots) {
    const test::Bytes ico = test::readFile(ico_), cur = test::readFile(cur_);
    for (const auto& [args, want] : std::vector<std::pair<QStringList, test::Bytes>>{
             {{ico_, path("a.cur"), "--hotspot", "5,7"}, retyped(ico, 2, 5, 7)},
             {{ico_, path("b.cur")}, retyped(ico, 2, 0, 0)},
             {{cur_, path("c.cur")}, cur},  // a cursor keeps its own hot spots
             {{cur_, path("d.cur"), "--hotspot", "1,2"}, retyped(cur, 2, 1, 2)},
             {{cur_, path("e.ICO")}, asIcon(cur)}}) {
        ASSERT_EQ(runTool(QStringList{"convert", "--png", "none"} + args).code, kExitOk)
            << args[1].toStdString();
        EXPECT_EQ(test::readFile(args[1]), want) << args[1].toStdString();
    }
}

// The picture moved by (dx, dy), transparent black where nothing moved in.
QImage moved(const QImage& in, int dx, int dy) {
    QImage out(in.size(), QImage::Format_ARGB32);
    out.fill(0u);
    for (int y = 0; y < in.height(); ++y)
        for (int x = 0; x < in.width(); ++x)
            if (out.rect().contains(x + dx, y + dy)) out.setPixel(x + dx, y + dy, in.pixel(x, y));
    return out;
}

TEST_F(IconToolTest, ApplyEditsTheBestImageTheOneAskedForOrEveryImage) {
    TIcon probe;
    probe.LoadFromFile(ico_);
    probe.SelectBestImage(QSize(32, 32));
    const int best = probe.CurrentIndex();
    const QString out = path("applied.ico");
    for (const auto& [args, edited] : std::vector<std::pair<QStringList, std::vector<int>>>{
             {{"--shift", "left", "--shift", "up", "--shift", "up"}, {best}},
             {{"--index", "2", "--shift", "left", "--shift", "up", "--shift", "up"}, {2}},
             {{"--shift", "left", "--all", "--shift", "up", "--shift", "up"}, {0, 1, 2}}}) {
        const ToolResult r = runTool(QStringList{"apply", ico_, out} + args);
        ASSERT_EQ(r.code, kExitOk) << r.err.toStdString();
        TIcon result;
        result.LoadFromFile(out);
        ASSERT_EQ(result.ImageCount(), 3);
        for (int i = 0; i < 3; ++i) {
            const QImage& before = pictures_[size_t(i)];
            const bool shifted = std::ranges::count(edited, i) > 0;
            EXPECT_EQ(result.imageToArgb(i), shifted ? moved(moved(before, -1, 0), 0, -2) : before)
                << args.join(' ').toStdString() << ": image " << i;
        }
    }
}

// The filter and colour options run in the order given, with the values given, as the library
// runs them one after the other.
TEST_F(IconToolTest, ApplyRunsTheFiltersWithTheirValues) {
    const QString out = path("filtered.ico");
    using Edit = std::function<void(TIcon&)>;
    for (const auto& [args, edit] : std::vector<std::pair<QStringList, Edit>>{
             {{"--blur", "5", "--invert", "gb"},
              [](TIcon& i) { Blur(i, 5), InvertColors(i, false, true, true); }},
             {{"--invert", "r", "--blur", "9", "--grayscale"},
              [](TIcon& i) { InvertColors(i, true, false, false), Blur(i, 9), GrayScale(i); }},
             {{"--sharpen", "--emboss", "--invert", "bgr", "--blur", "3"},
              [](TIcon& i) {
                  Sharpen(i), Emboss(i), InvertColors(i, true, true, true), Blur(i, 3);
              }},
             {{"--hsb", "60,30,50", "--contrast", "0,50,100"},
              [](TIcon& i) { AdjustHSB(i, 60, 30, 50), AdjustContrast(i, 0, 50, 100); }}}) {
        const ToolResult r = runTool(QStringList{"apply", ico_, out, "--all"} + args);
        ASSERT_EQ(r.code, kExitOk) << r.err.toStdString();
        TIcon want, got;
        want.LoadFromFile(ico_);
        got.LoadFromFile(out);
        for (int i = 0; i < 3; ++i) {
            want.SelectImage(i);
            edit(want);
            EXPECT_EQ(got.imageToArgb(i), want.imageToArgb(i))
                << args.join(' ').toStdString() << ": " << i;
        }
        EXPECT_NE(got.imageToArgb(1), pictures_[1]) << args.join(' ').toStdString();
    }
    for (const QStringList& bad : std::vector<QStringList>{{"--blur", "4"},
                                                           {"--blur", "11"},
                                                           {"--blur"},
                                                           {"--invert", "rx"},
                                                           {"--invert", "rr"},
                                                           {"--grayscale", "--invert"}}) {
        const ToolResult r = runTool(QStringList{"apply", ico_, path("bad.ico")} + bad);
        EXPECT_EQ(r.code, kExitUsage) << bad.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("Usage: tarvo-icontool")) << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(path("bad.ico")));
}

// Brightness moves each channel on its own, checked against the picture itself.
TEST_F(IconToolTest, ApplyBrightnessMovesEachChannelOnItsOwn) {
    const QString out = path("bright.ico");
    ASSERT_EQ(runTool({"apply", ico_, out, "--index", "1", "--brightness", "100,50,0"}).code,
              kExitOk);
    TIcon result;
    result.LoadFromFile(out);
    QImage want = pictures_[1];
    for (int y = 0; y < want.height(); ++y)
        for (int x = 0; x < want.width(); ++x) {
            const QRgb c = want.pixel(x, y);
            want.setPixel(x, y,
                          qRgba(std::min(qRed(c) + 150, 255), qGreen(c),
                                std::max(qBlue(c) - 150, 0), qAlpha(c)));
        }
    EXPECT_EQ(result.imageToArgb(1), want);
    EXPECT_EQ(result.imageToArgb(0), pictures_[0]);
}

// Every image turned or mirrored as Qt turns and mirrors the pictures. Mirrors and quarter
// turns are exact copies, so even the colour of a fully transparent pixel moves with it.
TEST_F(IconToolTest, ApplyFlipsAndTurnsEveryImage) {
    const QString out = path("turned.ico");
    using Turn = std::function<QImage(const QImage&)>;
    const auto quarter = [](int degrees) {
        return [degrees](const QImage& p) { return p.transformed(QTransform().rotate(degrees)); };
    };
    for (const auto& [args, turn] : std::vector<std::pair<QStringList, Turn>>{
             {{"--flip-horizontal"}, [](const QImage& p) { return p.mirrored(true, false); }},
             {{"--flip-vertical"}, [](const QImage& p) { return p.mirrored(false, true); }},
             {{"--rotate-left"}, quarter(-90)},
             {{"--rotate-right", "--flip-vertical"},
              [quarter](const QImage& p) { return quarter(90)(p).mirrored(false, true); }},
             {{"--rotate", "-90"}, quarter(-90)}}) {
        ASSERT_EQ(runTool(QStringList{"apply", ico_, out, "--all"} + args).code, kExitOk);
        TIcon result;
        result.LoadFromFile(out);
        for (int i = 0; i < 3; ++i) {
            QImage want = turn(pictures_[size_t(i)]).convertToFormat(QImage::Format_ARGB32);
            // Turning by an angle leaves no inverse pixels below 32 bits: transparent is black.
            for (int y = 0; y < want.height() && i != 1 && args[0] == "--rotate"; ++y)
                for (int x = 0; x < want.width(); ++x)
                    if (qAlpha(want.pixel(x, y)) == 0) want.setPixel(x, y, 0);
            EXPECT_EQ(result.imageToArgb(i), want) << args.join(' ').toStdString() << ": " << i;
        }
    }
}

// --convert is Convert Image itself, scaling with --stretch and diffusing with --dither right
// after it, in either order.
TEST_F(IconToolTest, ApplyConvertsThroughConvertImage) {
    const QString out = path("converted.ico");
    for (const auto& [format, w, h, bits] : std::vector<std::tuple<QString, int, int, int>>{
             {"16x16@1", 16, 16, 1}, {"48x20@32", 48, 20, 32}, {"48x20@4", 48, 20, 4}}) {
        std::vector<test::Bytes> results;
        for (int flags = 0; flags < 4; ++flags) {
            const bool stretch = flags & 1, dither = flags & 2;
            QStringList args{"apply", ico_, out, "--index", "1", "--convert", format};
            if (dither) args << "--dither";
            if (stretch) args << "--stretch";
            args << "--flip-vertical";
            ASSERT_EQ(runTool(args).code, kExitOk) << args.join(' ').toStdString();
            TIcon result, direct;
            result.LoadFromFile(out);
            direct.LoadFromFile(ico_);
            direct.SelectImage(1);
            ConvertImage(direct, w, h, bits, stretch, dither);
            direct.FlipVertical();
            EXPECT_EQ(std::tuple(result.imageSize(1), result.imageBitCount(1)),
                      std::tuple(QSize(w, h), bits));
            result.SelectImage(1);
            results.push_back(test::currentBytes(result));
            // A written 32-bit image's mask follows its alpha: its pixels are what count.
            if (bits == 32) {
                EXPECT_EQ(result.imageToArgb(1), direct.imageToArgb(1));
            } else {
                EXPECT_EQ(results.back(), test::currentBytes(direct))
                    << args.join(' ').toStdString();
            }
        }
        EXPECT_NE(results[0], results[1]);
        if (bits < 32) {
            EXPECT_NE(results[1], results[3]);
        }
    }
    // --png decides whether the 256 x 256 32-bit image is stored as a PNG.
    for (const auto& [policy, png] : {std::pair{"auto", true}, {"none", false}, {"all", true}}) {
        ASSERT_EQ(runTool({"convert", ico_, out, "--png", policy}).code, kExitOk);
        const test::Bytes file = test::readFile(out);
        EXPECT_EQ(file[test::get32(file, 6 + 16 + 12) + 1] == 'P', png) << policy;
    }
}

// --cursors reads the cursors of a module that holds icons too, for every command that reads.
TEST_F(IconToolTest, CursorsOfAModuleThatHoldsIconsToo) {
    const QString dll = QStringLiteral(TARVO_TEST_DATA "/pe/mixed64.dll");
    const char* cursorRows =
        "F: cursor, 3 images|index width height bits hotspot|0 32 32 1 3,5|"
        "1 16 16 32 8,8|2 16 16 32 8,8";
    EXPECT_EQ(rows(runTool({"info", dll}).out, dll),
              "F: icon, 1 image|index width height bits|0 16 16 4");
    EXPECT_EQ(rows(runTool({"info", dll, "--cursors"}).out, dll), cursorRows);
    EXPECT_EQ(rows(runTool({"extract", "--cursors", dll, "-o", path("x")}).out, path("x")),
              "F/0.png|F/1.png|F/2.png");
    const QString cur = path("c.cur"), flipped = path("f.cur");
    ASSERT_EQ(runTool({"convert", dll, cur, "--cursors"}).code, kExitOk);
    EXPECT_EQ(rows(runTool({"info", cur}).out, cur), cursorRows);
    ASSERT_EQ(
        runTool({"apply", dll, flipped, "--cursors", "--index", "0", "--flip-horizontal"}).code,
        kExitOk);
    TIcon converted, applied;
    converted.LoadFromFile(cur);
    applied.LoadFromFile(flipped);
    EXPECT_EQ(applied.imageToArgb(0), converted.imageToArgb(0).mirrored(true, false));
}

// The real program: usage errors exit with 2 and show the usage, file errors with 1 naming the
// file; neither prints to stdout or writes a file.
TEST_F(IconToolTest, ProgramReportsThroughExitCodesAndStdout) {
    const QString program = qEnvironmentVariable("TARVO_ICONTOOL");
    ASSERT_FALSE(program.isEmpty()) << "TARVO_ICONTOOL is not set";
    const test::RunResult ok = test::runProgram(program, {"info", ico_});
    EXPECT_EQ(ok.exitCode, kExitOk) << ok.err.toStdString();
    EXPECT_EQ(rows(QString::fromUtf8(ok.out), ico_), icoRows_);

    const QString missing = path("missing.ico"), bad = path("bad.ico"), odd = path("out.xyz");
    const QString out = path("out.png"), usage = "Usage: tarvo-icontool";
    const QString icons = QStringLiteral(TARVO_TEST_DATA "/pe/icons.dll");
    test::writeFile(bad, {0, 0, 7, 0, 1, 0, 'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'c', 'o'});
    for (const auto& [args, code, says] : std::vector<std::tuple<QStringList, int, QString>>{
             {{}, kExitUsage, usage},
             {{"frobnicate", ico_}, kExitUsage, usage},
             {{"extract", ico_}, kExitUsage, usage},
             {{"convert", ico_, out, "--hotspot", "5"}, kExitUsage, usage},
             {{"convert", ico_, out, "--index", "3"}, kExitUsage, usage},
             {{"apply", ico_, out, "--frobnicate"}, kExitUsage, "unknown effect --frobnicate"},
             {{"apply", ico_, out, "--shift", "sideways"}, kExitUsage, usage},
             {{"apply", ico_, out, "--index", "3", "--shift", "up"}, kExitUsage, usage},
             {{"apply", ico_, out, "--index", "0", "--all", "--shift", "up"}, kExitUsage, usage},
             {{"apply", ico_, out}, kExitUsage, usage},
             {{"apply", ico_, out, "--brightness", "101,50,50"}, kExitUsage, usage},
             {{"apply", ico_, out, "--contrast", "50,50"}, kExitUsage, usage},
             {{"apply", ico_, out, "--hsb", "-1,50,50"}, kExitUsage, usage},
             {{"apply", ico_, out, "--rotate", "181"}, kExitUsage, usage},
             {{"apply", ico_, out, "--rotate-left", "--stretch"}, kExitUsage, usage},
             {{"apply", ico_, out, "--convert", "16x16"}, kExitUsage, usage},
             {{"apply", ico_, out, "--convert", "16x16@7"}, kExitUsage, usage},
             {{"apply", ico_, out, "--convert", "0x16@8"}, kExitUsage, usage},
             {{"info", ico_, "--cursors"}, kExitUsage, usage},  // not a module
             {{"info", icons, "--cursors"},
              kExitFileError,
              icons + ": The module holds no cursors"},
             {{"convert", ico_, out, "--png", "some"}, kExitUsage, usage},
             {{"info", missing}, kExitFileError, missing},
             {{"extract", bad, "-o", path("x")}, kExitFileError, bad},
             {{"convert", ico_, odd}, kExitFileError, odd}}) {
        const test::RunResult r = test::runProgram(program, args);
        EXPECT_EQ(r.exitCode, code) << args.join(' ').toStdString();
        EXPECT_TRUE(QString::fromUtf8(r.err).contains(says) && r.out.isEmpty())
            << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(out) || QFile::exists(odd) || QFile::exists(path("x")));
    ASSERT_EQ(runTool({"convert", ico_, out, "--index", "2"}).code, kExitOk);  // the last image
    // One image, the 16 x 16 one, in whatever depth the picture has.
    EXPECT_TRUE(rows(runTool({"info", out}).out, out)
                    .starts_with("F: icon, 1 image|index width height bits|0 16 16 "));
}

// theme: ROLE=FILE pairs, the cursors written as X cursor files with their aliases, and the theme
// to fall back to; a pair without its parts or a role or theme that is a path is a usage error.
TEST_F(IconToolTest, ThemeWritesEachRoleAndItsAliases) {
    const QString out = path("themes");
    ASSERT_EQ(runTool({"theme", out, "--name", "T", "--inherits", "Base", "left_ptr=" + cur_,
                       "xterm=" + ico_})
                  .code,
              kExitOk);
    QFile index(out + "/T/index.theme");
    ASSERT_TRUE(index.open(QIODevice::ReadOnly));
    EXPECT_TRUE(index.readAll().contains("\nInherits=Base\n"));
    for (const char* name : {"left_ptr", "default", "xterm", "text"}) {
        TIcon read;
        read.LoadFromFile(out + "/T/cursors/" + name);
        EXPECT_EQ(read.ImageCount(), 3) << name;
    }
    TIcon arrow;
    arrow.LoadFromFile(out + "/T/cursors/left_ptr");
    EXPECT_EQ(arrow.hotSpot(1), QPoint(11, 2));  // each image keeps its own
    for (const QStringList& bad :
         {QStringList{"theme", out, "--name", "T", "left_ptr"},
          QStringList{"theme", out, "--name", "T", "a/b=" + cur_},
          QStringList{"theme", out, "left_ptr=" + cur_},
          QStringList{"theme", out, "--name", "T", "--inherits", "a/b", "left_ptr=" + cur_}})
        EXPECT_EQ(runTool(bad).code, kExitUsage) << bad.join(' ').toStdString();
}

// The quick start lists and extracts exactly what the full tool does, or leaves the file to it:
// random icons and cursors of every depth, with PNG images, and the same files damaged at random.
TEST(QuickStart, PrintsAndWritesWhatTheFullToolDoesOrLeavesItToIt) {
    QTemporaryDir dir;
    std::mt19937 random(5);
    const int depths[] = {1, 4, 8, 24, 32};
    int quick = 0, left = 0, converted = 0;
    for (int round = 0; round < 40; ++round) {
        TIcon icon;
        const int images = 1 + int(random() % 3);
        for (int i = 0; i < images; ++i) {
            const int side = 1 + int(random() % 48);
            const int bits = depths[random() % 5];
            icon.AddImage(side, side + int(random() % 3), round % 5 == 4 && i == 0 ? 32 : bits);
            const bool argb = icon.BitCount() == 32;
            if (argb) icon.BeginStroke();
            for (int k = 0; k < 30; ++k)
                icon.SetPixelValue(int(random() % unsigned(side)), int(random() % unsigned(side)),
                                   argb ? uint32_t(random()) : uint32_t(random() % 0x1000000));
            if (argb) icon.EndStroke();
        }
        if (round % 2) icon.markAsCursor(QPoint(int(random() % 9), int(random() % 9)));
        test::Bytes bytes = iconFileBytes(std::span(icon.ImageBlock(), icon.BlockSize()),
                                          round % 3 ? PngPolicy::None : PngPolicy::All);
        // Some with 32-bit bitmaps whose alpha is all 0, as older programs write them.
        for (int i = 0; round % 5 == 4 && i < test::get16(bytes, 4); ++i) {
            const uint32_t at = test::get32(bytes, 6 + 16 * size_t(i) + 12);
            if (bytes[at] != 40 || test::get16(bytes, at + 14) != 32) continue;
            const uint32_t pixels = test::get32(bytes, at + 4) * (test::get32(bytes, at + 8) / 2);
            for (uint32_t p = 0; p < pixels; ++p) bytes[at + 40 + 4 * p + 3] = 0;
        }
        // Every third file damaged: bytes changed, or cut short.
        if (round % 3 == 2) bytes[random() % bytes.size()] ^= uint8_t(1 + random() % 255);
        if (round % 7 == 6) bytes.resize(bytes.size() - 1 - random() % 30);
        const QString file =
            dir.filePath(QStringLiteral("f%1.%2").arg(round).arg(round % 2 ? "cur" : "ico"));
        test::writeFile(file, bytes);
        const QString outQuick = dir.filePath(QStringLiteral("q%1").arg(round));
        const QString outFull = dir.filePath(QStringLiteral("full%1").arg(round));
        for (const QStringList& args :
             {QStringList{"info", file}, QStringList{"info", "--json", file},
              QStringList{"extract", file, "-o", outQuick},
              QStringList{"convert", file, outQuick + ".png"}}) {
            SCOPED_TRACE(args.join(' ').toStdString());
            std::vector<std::string> plainArgs;
            for (const QString& a : args) plainArgs.push_back(a.toStdString());
            std::string printed;
            const std::optional<int> code = quick::run(plainArgs, printed);
            if (!code) {
                EXPECT_TRUE(printed.empty());
                ++left;
                continue;
            }
            ++quick;
            QStringList fullArgs = args;
            fullArgs.replaceInStrings(outQuick, outFull);
            const ToolResult full = runTool(fullArgs);
            EXPECT_EQ(*code, full.code);
            EXPECT_EQ(QString::fromStdString(printed),
                      QString(full.out).replace(outFull, outQuick));
            if (args[0] == "convert") {
                ++converted;
                EXPECT_EQ(QImage(outQuick + ".png"), QImage(outFull + ".png"));
                continue;
            }
            if (args[0] != "extract") continue;
            for (const QString& name : QDir(outFull).entryList(QDir::Files))
                EXPECT_EQ(QImage(outQuick + "/" + name).convertToFormat(QImage::Format_ARGB32),
                          QImage(outFull + "/" + name).convertToFormat(QImage::Format_ARGB32))
                    << name.toStdString();
        }
    }
    // Both ways are taken.
    EXPECT_GT(quick, 70);
    EXPECT_GT(left, 5);
    EXPECT_GT(converted, 2);
    // Other commands, options and files are the full tool's.
    std::string printed;
    EXPECT_FALSE(quick::run({"info", "--cursors", "x.ico"}, printed));
    EXPECT_FALSE(quick::run({"convert", "a.ico", "b.png"}, printed));
    EXPECT_FALSE(quick::run({"info", "picture.png"}, printed));
    EXPECT_FALSE(quick::run({"extract", "missing.ico", "-o", dir.path().toStdString()}, printed));
    EXPECT_TRUE(printed.empty());
}

}  // namespace
}  // namespace tarvo
