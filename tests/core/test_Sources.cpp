// Documents opened from other sources: animated cursors, icon resources of executables and
// libraries, raster pictures, and the clipboard.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>

#include "TestSupport.h"
#include "core/AniFormat.h"
#include "core/DocumentFiles.h"
#include "raster/Errors.h"

namespace tarvo {
namespace {

using test::Bytes;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
const auto str = [](const char* s) { return Bytes(s, s + strlen(s)); };
const auto le32 = [](uint32_t v) {
    return Bytes{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
};
const auto slice = [](const Bytes& b, size_t at, size_t n) {
    return Bytes(b.begin() + long(at), b.begin() + long(at + n));
};
const QString kData = QStringLiteral(TARVO_TEST_DATA "/pe/");

// Alpha everywhere, colour (within `tolerance`) where the expected pixel is visible at all.
void expectSamePixels(const QImage& actual, const QImage& expected, int tolerance = 0) {
    const QImage a = actual.convertToFormat(QImage::Format_ARGB32);
    const QImage e = expected.convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(a.size(), e.size());
    for (int i = 0; i < e.width() * e.height(); ++i) {
        const QPoint at(i % e.width(), i / e.width());
        const QRgb p = a.pixel(at), q = e.pixel(at);
        ASSERT_EQ(qAlpha(p), qAlpha(q)) << i;
        for (int s : {0, 8, 16})
            ASSERT_NEAR(int(p >> s & 255), int(q >> s & 255), qAlpha(q) ? tolerance : 255) << i;
    }
}

// Every pixel as ARGB, the colour of transparent ones included.
void expectExactPixels(const QImage& actual, const QImage& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (int i = 0; i < expected.width() * expected.height(); ++i) {
        const QPoint at(i % expected.width(), i / expected.width());
        ASSERT_EQ(actual.pixel(at), expected.pixel(at)) << i;
    }
}

void load(TIcon& icon, const QString& name, const Bytes& bytes) {
    QTemporaryDir dir;
    test::writeFile(dir.filePath(name), bytes);
    icon.LoadFromFile(dir.filePath(name));
}

// Loading `bytes` saved as x.`ext` fails with EInvalidGraphic naming the extension and leaves a
// one-image document as it was.
void expectRefused(const QString& ext, const Bytes& bytes, const std::string& what = "") {
    SCOPED_TRACE(what);
    TIcon icon;
    icon.AddImage(4, 4, 8);
    const Bytes before = test::blockOf(icon);
    try {
        load(icon, "x." + ext, bytes);
        ADD_FAILURE() << "accepted";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.what(), "Unknown picture file extension (." + ext.toStdString() + ")");
    }
    EXPECT_EQ(test::blockOf(icon), before);
    EXPECT_EQ(icon.CurrentIndex(), 0);
}

// ---- animated cursors ----------------------------------------------------------------------

Bytes chunk(const char* id, const Bytes& data) {
    return str(id) + le32(uint32_t(data.size())) + data + Bytes(data.size() % 2, 0);
}
const auto riff = [](const Bytes& b, const char* f = "ACON") { return chunk("RIFF", str(f) + b); };
Bytes anih(uint32_t n, uint32_t flags = 1, uint32_t steps = 0, uint32_t rate = kAniDefaultRate) {
    return chunk("anih", le32(36) + le32(n) + le32(steps ? steps : n) + Bytes(16) + le32(rate) +
                             le32(flags));
}
Bytes fram(const std::vector<Bytes>& frames) {
    Bytes list = str("fram");
    for (const Bytes& f : frames) list = list + chunk("icon", f);
    return chunk("LIST", list);
}
Bytes words(const char* id, const std::vector<uint32_t>& values) {
    Bytes data;
    for (uint32_t v : values) data = data + le32(v);
    return chunk(id, data);
}
// A "LIST" "INFO" of the title and author given (raw bytes), each ended by a NUL.
Bytes info(const Bytes& title, const Bytes& author) {
    Bytes list = str("INFO");
    if (!title.empty()) list = list + chunk("INAM", title + Bytes{0});
    if (!author.empty()) list = list + chunk("IART", author + Bytes{0});
    return chunk("LIST", list);
}
const auto utf8 = [](const char* s) { return QString::fromUtf8(s); };

// Three one-image cursor files of different sizes and depths, each with its own hot spot.
std::vector<Bytes> threeCursors() {
    const int images[3][5] = {{16, 16, 4, 1, 2}, {32, 32, 32, 30, 5}, {24, 20, 8, 7, 19}};
    std::vector<Bytes> out;
    for (const auto& [w, h, bits, x, y] : images) {
        TIcon icon;
        icon.AddImage(w, h, bits);
        icon.PasteBitmap(test::testPicture(w, h, uint32_t(x)), 0, 0);
        icon.markAsCursor({x, y});
        // As files are written: a 32-bit image's mask follows its alpha.
        out.push_back(iconFileBytes(test::blockOf(icon), PngPolicy::None));
    }
    return out;
}

// The block of a document of these frames: each frame's first entry and image, in order.
Bytes blockOfFrames(const std::vector<Bytes>& frames) {
    Bytes dir{0, 0, 2, 0, uint8_t(frames.size()), 0}, images;
    for (const Bytes& f : frames) {
        dir = dir + slice(f, 6, 12) + le32(uint32_t(6 + 16 * frames.size() + images.size()));
        images = images + slice(f, test::get32(f, 18), test::get32(f, 14));
    }
    return dir + images;
}

// What the animation shows, step by step: the image's bytes and the step's rate.
using Shown = std::vector<std::pair<Bytes, uint32_t>>;
Shown shown(const TIcon& icon) {
    Shown out;
    for (const TAnimationStep& s : icon.Animation().value().steps)
        out.emplace_back(test::imageBytes(icon, s.frame), s.rate);
    return out;
}

// Saved as .ani and loaded again; returns the file.
Bytes reload(TIcon& icon, TIcon& into) {
    QTemporaryDir dir;
    saveDocument(icon, dir.filePath("y.ani"));
    into.LoadFromFile(dir.filePath("y.ani"));
    return test::readFile(dir.filePath("y.ani"));
}

TEST(AnimatedCursors, WrittenDocumentReadsBackImageForImage) {
    // One frame per image: a one-image cursor file carrying the image's entry unchanged; without
    // timing of its own every image is one step at the default rate, which needs neither "rate"
    // nor "seq ".
    const std::vector<Bytes> frames = threeCursors();
    const Bytes block = blockOfFrames(frames), ani = writeAnimatedCursor(block);
    EXPECT_EQ(ani, riff(anih(3) + fram(frames)));
    TIcon loaded;
    loaded.AddImage(2, 2, 1);
    load(loaded, "x.ani", ani);
    EXPECT_EQ(loaded.CurrentIndex(), 0);
    EXPECT_EQ(test::blockOf(loaded), block);  // type, entries, hot spots and images alike
}

// Steps, rates and names survive saving however the file carried them, and follow the images
// when one is deleted, one added and the deleted one put back as undo does.
TEST(AnimatedCursors, TimingAndNamesSurviveSavingAndFollowTheImages) {
    const std::vector<Bytes> f = threeCursors();
    struct Case {
        std::vector<uint32_t> seq, rates;  // empty: no such chunk
        uint32_t rate, flags;
        const char *title, *author;
    };
    const Case cases[] = {
        {{}, {}, 10, 1, "", ""},
        {{}, {5, 6, 7}, 10, 1, "Arrow", ""},
        {{0, 1, 2, 1, 0}, {1, 2, 3, 4, 5}, 10, 3, "Wait \u231B", "Ann"},
        {{2, 2, 0}, {}, 4, 0x13, "", "Zo\u00EB"},  // a flag this program does not know is kept
        {{1, 1}, {8, 9}, 3, 3, "", ""},            // the image deleted below alone
        {{0, 1, 2}, {9, 9, 9}, 9, 3, "", ""},
    };
    // The sequence flag goes with the "seq " chunk, which is written only when needed.
    auto timing = [](TAnimation a) {
        a.flags &= ~2u;
        return a;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.seq.size() << " steps, " << c.rates.size() << " rates, " << c.title);
        const Bytes body = info(str(c.title), str(c.author)) +
                           anih(3, c.flags, uint32_t(c.seq.size()), c.rate) +
                           (c.seq.empty() ? Bytes() : words("seq ", c.seq)) +
                           (c.rates.empty() ? Bytes() : words("rate", c.rates)) + fram(f);
        TAnimation want{c.rate, c.flags, {}, utf8(c.title), utf8(c.author)};
        for (size_t i = 0; i < (c.seq.empty() ? 3 : c.seq.size()); ++i)
            want.steps.push_back(
                {c.seq.empty() ? int(i) : int(c.seq[i]), c.rates.empty() ? c.rate : c.rates[i]});
        TIcon icon, again, third;
        load(icon, "x.ani", riff(body));
        EXPECT_EQ(test::blockOf(icon), blockOfFrames(f));
        ASSERT_TRUE(icon.Animation());
        EXPECT_EQ(timing(*icon.Animation()), timing(want));
        const Bytes saved = reload(icon, again);
        EXPECT_EQ(test::blockOf(again), test::blockOf(icon));
        ASSERT_TRUE(again.Animation());
        EXPECT_EQ(timing(*again.Animation()), timing(want));
        EXPECT_EQ(reload(again, third), saved);

        const Shown before = shown(icon);
        const IconEntry entry = icon.entry(1);
        const Bytes deleted = test::imageBytes(icon, 1);
        icon.SelectImage(1);
        icon.DeleteImage();
        Shown expected = before;
        std::erase_if(expected, [&](const auto& step) { return step.first == deleted; });
        if (expected.empty())  // it had every step: each image left shows in turn
            for (int i = 0; i < icon.ImageCount(); ++i)
                expected.emplace_back(test::imageBytes(icon, i), c.rate);
        EXPECT_EQ(shown(icon), expected);
        icon.AddImage(8, 8, 4);
        const Bytes added = test::imageBytes(icon, icon.ImageCount() - 1);
        expected.emplace_back(added, c.rate);
        EXPECT_EQ(shown(icon), expected);
        icon.InsertImage(1, entry, deleted);
        // One step at the default rate, in its old place when every image was one step in turn.
        const Shown now = shown(icon);
        EXPECT_EQ(std::count(now.begin(), now.end(), std::pair(deleted, c.rate)), 1);
        Shown others = now;
        std::erase_if(others, [&](const auto& step) { return step.first == deleted; });
        EXPECT_EQ(others, expected);
        if (c.seq.empty() || c.seq == std::vector<uint32_t>{0, 1, 2}) {
            Shown restored = before;
            restored[1].second = c.rate;
            restored.emplace_back(added, c.rate);
            EXPECT_EQ(now, restored);
        }
        // A new size and depth for an image leaves the steps alone; written, the edited
        // document reads back as it is.
        const std::vector<TAnimationStep> steps = icon.Animation()->steps;
        icon.SelectImage(0);
        icon.ChangeFormat(12, 10, 8);
        ASSERT_TRUE(icon.Animation());
        EXPECT_EQ(icon.Animation()->steps, steps);
        TIcon edited;
        reload(icon, edited);
        EXPECT_EQ(test::blockOf(edited), test::blockOf(icon));
        EXPECT_EQ(shown(edited), shown(icon));
    }
}

TEST(AnimatedCursors, OtherChunksInAnyOrderAreSkipped) {
    std::vector<Bytes> f = threeCursors();
    f[0].push_back(0xEE);  // odd-sized: a pad byte follows
    const Bytes names = chunk("LIST", str("INFOINAM") + le32(5) + str("Arrow"));  // 17 bytes
    const Bytes rate = chunk("rate", le32(5) + le32(6) + le32(7)), list = fram(f);
    const Bytes bodies[] = {
        names + anih(3) + rate + list,
        rate + list + names + anih(3),
        anih(3) + names + chunk("JUNK", Bytes(3)) + fram({f[0], f[1], f[2], f[1], f[0]}),
    };
    for (const Bytes& body : bodies) {
        TIcon icon;
        load(icon, "x.ani", riff(body));
        EXPECT_EQ(test::blockOf(icon), blockOfFrames(f)) << body.size();
    }
}

// Sizes found wrong in real files: a list that declares more than it holds is read up to its
// last whole chunk, and a RIFF size short of the file does not end it.
TEST(AnimatedCursors, ListsLongerThanTheyAreAndShortRiffSizesOpen) {
    const std::vector<Bytes> f = threeCursors();
    const Bytes names = info(str("Busy"), str("Jos\xE9")), rate = words("rate", {5, 6, 7});
    auto longer = [](Bytes list, uint32_t more) {
        test::put32(list, 4, test::get32(list, 4) + more);
        return list;
    };
    auto riffSize = [](Bytes file, size_t size) {
        test::put32(file, 4, uint32_t(size));
        return file;
    };
    const Bytes good = riff(names + anih(3) + rate + fram(f));
    const std::pair<const char*, Bytes> files[] = {
        {"garbage after the list", riff(longer(names, 2) + anih(3) + rate + fram(f))},
        {"an unknown chunk after it", riff(anih(3) + rate + longer(names, 12) + fram(f))},
        {"past the end of the file", riff(anih(3) + rate + fram(f) + longer(names, 2))},
        {"RIFF of the names alone", riffSize(good, 4 + names.size())},
        {"RIFF ending inside a frame", riffSize(good, good.size() - 100)},
    };
    const TAnimation want{kAniDefaultRate, 1, {{0, 5}, {1, 6}, {2, 7}}, "Busy", utf8("Jos\u00E9")};
    for (const auto& [what, file] : files) {
        SCOPED_TRACE(what);
        TIcon icon;
        ASSERT_NO_THROW(load(icon, "x.ani", file));
        EXPECT_EQ(test::blockOf(icon), blockOfFrames(f));
        EXPECT_EQ(icon.Animation(), want);
    }
}

TEST(AnimatedCursors, DamagedFilesAreRefused) {
    const Bytes mono = threeCursors()[0], one = fram({mono});
    Bytes outside = mono;  // its image offset points past its chunk, at the next frame's image
    test::put32(outside, 18, uint32_t(mono.size() + 8 + 22));
    const std::pair<const char*, Bytes> files[] = {
        {"no frames", riff(anih(0) + one)},
        {"short anih", riff(chunk("anih", slice(anih(1), 8, 34)) + one)},  // half its flags
        {"raw bitmap frames", riff(anih(1, 0) + one)},
        {"fewer icon chunks", riff(anih(3) + fram({mono, mono}))},
        {"chunk past the end", riff(anih(1) + slice(one, 0, one.size() - 2))},
        {"image outside its frame", riff(anih(2) + fram({outside, mono}))},
        {"not ACON", riff(anih(1) + one, "AVI ")},
        {"a step of a frame not there", riff(anih(1, 3, 2) + words("seq ", {0, 1}) + one)},
        {"fewer steps than the header's", riff(anih(1, 3, 3) + words("seq ", {0, 0}) + one)},
        {"fewer rates than steps", riff(anih(2) + words("rate", {6}) + fram({mono, mono}))},
    };
    for (const auto& [what, bytes] : files) expectRefused("ani", bytes, what);
}

// ---- icon resources of modules -------------------------------------------------------------

// Named resources first, then numbers ascending; the US English image 2, and the PNG as 32 bits.
TEST(Modules, OpenWithTheirIconImagesInResourceOrderAndDamagedOnesAreRefused) {
    expectRefused("dll", str("This is a text file, not a library.\n"));
    const std::tuple<const char*, int, int> images[] = {{"a", 8, 1},  {"z", 20, 4},  {"1", 16, 4},
                                                        {"2", 24, 8}, {"3", 32, 24}, {"4", 48, 32}};
    for (const char* name : {"icons.dll", "icons64.dll", "icons64.exe"}) {
        SCOPED_TRACE(name);
        TIcon icon;
        icon.LoadFromFile(kData + name);
        ASSERT_EQ(icon.ImageCount(), 6);  // image 2 once, though both groups name it
        for (int i = 0; i < 6; ++i) {
            const auto [picture, size, bits] = images[i];
            SCOPED_TRACE(picture);
            EXPECT_EQ(icon.imageBitCount(i), bits);
            EXPECT_EQ(QSize(icon.entry(i).width, icon.entry(i).height), QSize(size, size));
            // Off by one at most: icotool keeps the high byte of 16-bit channels, Qt rounds.
            expectSamePixels(icon.imageToArgb(i), QImage(kData + "picture-" + picture + ".png"), 1);
        }

        const Bytes good = test::readFile(kData + name);
        const size_t pe = test::get32(good, 0x3C), optional = pe + 24;
        const size_t directories = optional + (test::get16(good, optional) == 0x20B ? 112 : 96);
        size_t rsrc = optional + test::get16(good, pe + 20);  // the section table
        while (slice(good, rsrc, 5) != str(".rsrc")) rsrc += 40;
        // The resource tree's root, where it lies in the file; image 4 ends 0x1BA2 bytes on.
        const size_t root = test::get32(good, rsrc + 20) + test::get32(good, directories + 16) -
                            test::get32(good, rsrc + 12);
        // PE signature, resource table RVA outside the file, a root of 65535 ids.
        for (const auto& [at, v] :
             {std::pair{pe, 0x4650}, {directories + 18, 0x7FFF}, {root + 14, 0xFFFF}}) {
            Bytes bad = good;
            test::put16(bad, at, uint16_t(v));
            expectRefused("dll", bad, std::to_string(at));
        }
        expectRefused("dll", slice(good, 0, root + 0x1BA2 - 1));  // cut inside the last image
    }
}

// A module without icons opens as a cursor: its cursors, then the animated cursor's frames, each
// with its hot spot. One with icons too opens its icons unless asked for its cursors.
TEST(Modules, CursorsOpenWithTheirHotSpotsAndDamagedOnesAreRefused) {
    const std::tuple<const char*, int, int, int> arrow{"arrow", 1, 3, 5}, hand{"hand", 4, 9, 1},
        busy1{"busy1", 32, 8, 8}, busy2{"busy2", 32, 8, 8};
    using Cursors = std::vector<std::tuple<const char*, int, int, int>>;
    for (const auto& [name, images, kind] :
         {std::tuple{"cursors.dll", Cursors{arrow, hand, busy1, busy2}, ModuleImages::IconsFirst},
          {"mixed64.dll", Cursors{arrow, busy1, busy2}, ModuleImages::Cursors}}) {
        SCOPED_TRACE(name);
        TIcon icon;
        icon.LoadFromFile(kData + name, kind);
        EXPECT_EQ(icon.fileType(), kTypeCursor);
        ASSERT_EQ(icon.ImageCount(), int(images.size()));
        for (int i = 0; i < icon.ImageCount(); ++i) {
            const auto [picture, bits, x, y] = images[size_t(i)];
            SCOPED_TRACE(picture);
            const QImage want(kData + "picture-" + picture + ".png");
            const IconEntry e = icon.entry(i);
            EXPECT_EQ(std::tuple(e.width, e.height, e.planes, e.bitCount),
                      std::tuple(want.width(), want.height(), x, y));
            EXPECT_EQ(icon.imageBitCount(i), bits);
            expectSamePixels(icon.imageToArgb(i), want);
        }
    }
    TIcon icon;
    icon.LoadFromFile(kData + "mixed64.dll");
    EXPECT_EQ(icon.fileType(), kTypeIcon);
    ASSERT_EQ(icon.ImageCount(), 1);
    expectSamePixels(icon.imageToArgb(0), QImage(kData + "picture-1.png"), 1);
    const Bytes before = test::blockOf(icon);
    try {
        icon.LoadFromFile(kData + "icons.dll", ModuleImages::Cursors);
        ADD_FAILURE() << "accepted";
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "The module holds no cursors.");
    }
    EXPECT_EQ(test::blockOf(icon), before);

    // A cursor of its hot spot alone, a broken animated cursor, a file cut inside the latter.
    const Bytes good = test::readFile(kData + "cursors.dll");
    auto find = [&good](const Bytes& what) {
        return size_t(std::search(good.begin(), good.end(), what.begin(), what.end()) -
                      good.begin());
    };
    // The arrow's data entry (its size, 308 bytes, then two zero fields) and the .ani file.
    const size_t entry = find(le32(308) + Bytes(8, 0)), riff = find(str("RIFF"));
    ASSERT_TRUE(entry < good.size() && riff < good.size());
    Bytes hotSpotOnly = good, notRiff = good;
    test::put32(hotSpotOnly, entry, 4);
    notRiff[riff + 3] = 'X';
    for (const Bytes& bad : {hotSpotOnly, notRiff, slice(good, 0, riff + 2000)})
        expectRefused("dll", bad);
}

// ---- raster pictures -----------------------------------------------------------------------

// Runs ImageMagick on `input` (and any further `frames`) with `options`, writing `format` (such
// as "BMP3"); returns the file.
Bytes magick(const QImage& input, QStringList options, QString format,
             const QList<QImage>& frames = {}) {
    QTemporaryDir dir;
    const QString out = dir.filePath("out");
    QStringList inputs;
    for (const QImage& frame : QList<QImage>{input} + frames) {
        inputs.append(dir.filePath(QStringLiteral("in%1.png").arg(inputs.size())));
        EXPECT_TRUE(frame.save(inputs.back(), "PNG"));
    }
    const auto r =
        test::runProgram("/usr/bin/convert", inputs + options + QStringList{format + ":" + out});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return test::readFile(out);
}

// An opaque picture from a few colours, in cells of `cell` x `cell` pixels.
QImage fromColors(int w, int h, const std::vector<QRgb>& colors, int cell = 1) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int i = 0; i < w * h; ++i) {
        const int x = i % w / cell, y = i / w / cell;
        image.setPixel(i % w, i / w, colors[size_t(x * 3 + y * 5 + x * y) % colors.size()]);
    }
    return image;
}

TEST(RasterPictures, GifKeepsItsPaletteAndTransparentPixelsStayTransparent) {
    QImage picture(16, 16, QImage::Format_ARGB32);  // 247 different colours, 9 holes
    for (int i = 0; i < 256; ++i)
        picture.setPixel(i % 16, i / 16, i % 29 ? qRgb(i, i * 7 & 255, 255 - i) : 0);
    Bytes gif = magick(picture, {}, "GIF");
    // The transparent entry gets a colour of its own, which turns black.
    const Bytes gce = {0x21, 0xF9, 0x04};
    const auto control = std::search(gif.begin(), gif.end(), gce.begin(), gce.end());
    ASSERT_EQ(gif[10] & 0x87, 0x87) << "expected a global table of 256 colours";
    ASSERT_TRUE(control + 8 <= gif.end() && (control[3] & 1));
    std::copy_n(Bytes{0x10, 0x20, 0xF0}.begin(), 3, gif.begin() + 13 + 3 * control[6]);
    TIcon icon;
    load(icon, "p.gif", gif);
    ASSERT_EQ(icon.BitCount(), 8);
    for (size_t i = 0; i < 768; ++i)
        ASSERT_EQ(icon.ColorTable()[i / 3 * 4 + 2 - i % 3], i / 3 == control[6] ? 0 : gif[13 + i])
            << i;
    expectExactPixels(icon.imageToArgb(icon.CurrentIndex()), picture);  // holes clear and black
}

// A transparent colour (a PNG's tRNS chunk for palette, grey and RGB pictures, a GIF's
// transparent index, here in the first frame of an animation) opens at the file's own depth,
// those pixels transparent and black. Alpha between clear and opaque opens at 32 bits.
TEST(RasterPictures, TransparentColoursOpenAsTheMaskAndPartialAlphaAtThirtyTwoBits) {
    const auto holes = [](std::vector<QRgb> colors) {
        QImage image = fromColors(9, 7, colors).convertToFormat(QImage::Format_ARGB32);
        for (int i = 2; i < 63; i += 5) image.setPixel(i % 9, i / 9, 0);
        return image;
    };
    const QImage colored = holes({qRgb(0, 132, 255), qRgb(255, 0, 132), qRgb(132, 255, 0)});
    const QImage grey = holes({qRgb(40, 40, 40), qRgb(200, 200, 200), qRgb(255, 255, 255)});
    QImage translucent = colored;
    for (int x = 0; x < 9; ++x) translucent.setPixel(x, 3, qRgba(0, 0, 255, 128));
    const QImage second = fromColors(9, 7, {qRgb(255, 255, 255)});
    const std::tuple<QImage, QStringList, const char*, int> cases[] = {
        {colored, {}, "PNG8", 8},
        {grey, {"-type", "GrayscaleAlpha"}, "PNG", 24},
        {colored, {}, "PNG24", 24},
        {colored, {}, "GIF", 8},
        {translucent, {"-type", "PaletteAlpha"}, "PNG", 32},
    };
    for (const auto& [picture, options, output, bits] : cases) {
        SCOPED_TRACE(std::string(output) + " " + options.join(' ').toStdString());
        const bool gif = output == std::string("GIF");
        const Bytes file = magick(picture, options, output, gif ? QList{second} : QList<QImage>{});
        if (gif) {
            const Bytes loop = str("NETSCAPE2.0");
            ASSERT_NE(std::search(file.begin(), file.end(), loop.begin(), loop.end()), file.end());
        }
        TIcon icon;
        load(icon, "p", file);
        EXPECT_EQ(icon.BitCount(), bits);
        expectExactPixels(icon.imageToArgb(icon.CurrentIndex()), picture);
    }
}

// A bilevel table with white first keeps its colours; 16-bit channels become 32-bit images. The
// picture replaces the current image only.
TEST(RasterPictures, OpenWithTheDepthOfTheirFileReplacingTheCurrentImageOnly) {
    expectRefused("xyz", str("no picture in here, just words\n"));
    const std::vector<Bytes> f = threeCursors();
    const Bytes base = blockOfFrames({f[0], f[1]}), kept = slice(f[1], 22, test::get32(f[1], 14));
    // Channels of 0, 132 and 255 survive 5-bit channels exactly; JPEG gets blocks of 8 x 8.
    const std::vector<QRgb> colors{qRgb(0, 132, 255), qRgb(255, 0, 132), qRgb(132, 255, 0),
                                   qRgb(255, 255, 255), qRgb(0, 0, 0)};
    const QImage blocks = fromColors(16, 16, colors, 8), five = fromColors(11, 7, colors);
    const std::tuple<QImage, QStringList, const char*, int, int> cases[] = {
        {blocks, {"-quality", "100", "-sampling-factor", "1x1"}, "JPG", 24, 4},
        {test::testPicture(13, 9, 5), {}, "PNG32", 32, 0},
        {five, {"-define", "bmp:subtype=RGB555"}, "BMP", 16, 0},
        {five, {"-colors", "16", "-type", "Palette"}, "BMP3", 4, 0},
        {fromColors(10, 6, {colors[3], colors[4]}), {"-type", "Bilevel"}, "BMP3", 1, 0},
        {blocks, {"-depth", "16"}, "PNG48", 32, 0},
        {test::testPicture(13, 9, 5), {"-depth", "16"}, "PNG64", 32, 0},
    };
    for (const auto& [picture, options, output, bits, tolerance] : cases) {
        SCOPED_TRACE(output);
        TIcon icon;
        icon.LoadFromBytes(base);
        icon.SelectImage(0);
        load(icon, "p", magick(picture, options, output));
        ASSERT_EQ(icon.ImageCount(), 2);
        const int c = icon.CurrentIndex();
        EXPECT_EQ(icon.BitCount(), bits);
        expectSamePixels(icon.imageToArgb(c), picture, tolerance);
        const IconEntry other = icon.entry(1 - c);
        EXPECT_EQ(slice(test::blockOf(icon), other.imageOffset, other.bytesInRes), kept);
    }
}

// ---- the clipboard -------------------------------------------------------------------------

void setClipboard(const Bytes* payload, bool picture) {
    auto data = std::make_unique<QMimeData>();
    const auto* bytes = payload ? reinterpret_cast<const char*>(payload->data()) : nullptr;
    if (payload) data->setData(kClipboardMimeType, QByteArray(bytes, qsizetype(payload->size())));
    if (picture) data->setImageData(test::testPicture(7, 7, 3));
    QGuiApplication::clipboard()->setMimeData(data.release());
}

TEST(Clipboard, DocumentsTravelWholeAndWithoutOneOrWithGarbageNothingChanges) {
    const Bytes block = blockOfFrames(threeCursors());
    Bytes broken = block, junk = block + str("trailing junk");
    test::put32(broken, 6 + 16 + 12, 0xFFFFFF00u);  // the second image's offset
    TIcon icon, other;
    icon.AddImage(4, 4, 8);
    icon.AddImage(5, 5, 32);
    const Bytes before = test::blockOf(icon);
    setClipboard(nullptr, true);
    EXPECT_FALSE(TIcon::clipboardHasDocument());
    EXPECT_FALSE(icon.PasteFromClipboard());
    setClipboard(&broken, false);
    EXPECT_TRUE(TIcon::clipboardHasDocument());
    EXPECT_THROW(icon.PasteFromClipboard(), EInvalidGraphic);
    EXPECT_EQ(test::blockOf(icon), before);
    EXPECT_EQ(icon.CurrentIndex(), 1);

    icon.CopyToClipboard();
    other.LoadFromBytes(block);
    ASSERT_TRUE(other.PasteFromClipboard());
    EXPECT_EQ(test::blockOf(other), before);
    EXPECT_EQ(other.CurrentIndex(), 0);
    // The private format wins over a picture beside it; trailing junk is dropped.
    setClipboard(&junk, true);
    ASSERT_TRUE(icon.PasteFromClipboard());
    EXPECT_EQ(test::blockOf(icon), block);
    EXPECT_EQ(icon.CurrentIndex(), 0);
}

}  // namespace
}  // namespace tarvo
