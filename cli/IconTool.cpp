#include "cli/IconTool.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>
#include <array>
#include <atomic>
#include <exception>
#include <functional>
#include <iterator>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "core/CursorTheme.h"
#include "core/DocumentFiles.h"
#include "core/HicolorTheme.h"
#include "core/IcnsFormat.h"
#include "core/Icon.h"
#include "core/ImageSource.h"
#include "effects/Adjustments.h"
#include "effects/Convert.h"
#include "effects/Filters.h"
#include "raster/Errors.h"
#include "raster/PngEncoder.h"

namespace tarvo {

namespace {

constexpr const char* kUsage =
    "Usage: tarvo-icontool COMMAND ...\n"
    "  info FILE [--json] [--cursors]           list the images of FILE; --cursors (info,\n"
    "                                           extract, convert, apply) reads the cursors\n"
    "                                           of a module that holds icons too\n"
    "  extract FILE -o DIR [--cursors]          write every image as DIR/<index>.png\n"
    "  convert IN OUT [--hotspot X,Y] [--index N] [--cursors]\n"
    "                                           open IN (icon, cursor, animated cursor,\n"
    "                                           macOS icon, executable, library or picture)\n"
    "                                           and save it as OUT by its extension\n"
    "  create OUT IMAGE... [--sizes 16,32,48,256] [--bits 1|4|8|24|32] [--hotspot X,Y]\n"
    "                                           an icon or cursor from pictures (a .icns\n"
    "                                           takes 32 bits, sizes 16 to 1024 by doubling)\n"
    "  apply IN OUT [--index N | --all] [--cursors] EFFECT...\n"
    "                                           edit image N (by default the one an icon\n"
    "                                           shows at 32 x 32) or every image with each\n"
    "                                           EFFECT in turn, then save as convert does\n"
    "    effects: --shift left|right|up|down    move the pixels one place\n"
    "             --blur 3|5|7|9                box blur of that size\n"
    "             --grayscale                   shades of grey\n"
    "             --invert CHANNELS             invert the channels given, a subset of rgb\n"
    "             --sharpen                     sharpen\n"
    "             --emboss                      edges bright, flat areas black\n"
    "             --brightness R,G,B            per channel, track-bar positions 0..100;\n"
    "             --contrast R,G,B              50 leaves a channel as it is\n"
    "             --hsb H,S,B                   hue, saturation and lightness, likewise\n"
    "             --flip-horizontal, --flip-vertical\n"
    "                                           mirror left to right, or top to bottom\n"
    "             --rotate-left, --rotate-right a quarter turn; W x H becomes H x W\n"
    "             --rotate DEGREES              turn clockwise by -180..180 degrees,\n"
    "                                           keeping the size\n"
    "             --convert WxH@BITS [--stretch] [--dither]\n"
    "                                           new size and depth (1, 4, 8, 24 or 32),\n"
    "                                           the picture scaled with --stretch, colours\n"
    "                                           diffused with --dither (1, 4 and 8 bits)\n"
    "  theme DIR --name NAME [--inherits THEME] ROLE=FILE...\n"
    "                                           an X cursor theme DIR/NAME: each FILE (cursor,\n"
    "                                           animated cursor, X cursor...) as the cursor\n"
    "                                           ROLE (left_ptr, watch, xterm...), with the\n"
    "                                           other names programs ask for linked to it;\n"
    "                                           cursors it lacks come from THEME\n"
    "  hicolor DIR --name NAME [--context apps] FILE\n"
    "                                           FILE's square images of the icon theme's sizes\n"
    "                                           (16, 22, 24, 32, 48... 512) as the icon NAME:\n"
    "                                           DIR/hicolor/NxN/CONTEXT/NAME.png, for DIR\n"
    "                                           ~/.local/share/icons or /usr/share/icons\n"
    "  a FILE.xcursor output of convert, create and apply is an X cursor file\n"
    "  convert, create and apply take --png auto|all|none: which 32-bit images of an icon\n"
    "  or cursor are stored PNG-compressed (auto: 256 pixels and more, and PNG images\n"
    "  opened and left unchanged; the others are bitmaps)\n";

struct UsageError {
    QString message;
};

// A file that cannot be read or written; the message names the file.
struct FileError {
    QString message;
};

class Arguments {
  public:
    explicit Arguments(QStringList args) : args_(std::move(args)) {}

    // Removes "--name VALUE" and returns VALUE.
    std::optional<QString> option(const QString& name) {
        const qsizetype i = args_.indexOf(name);
        if (i < 0) return std::nullopt;
        if (i + 1 >= args_.size()) throw UsageError{name + " needs a value"};
        const QString value = args_.at(i + 1);
        args_.remove(i, 2);
        return value;
    }
    bool flag(const QString& name) { return args_.removeAll(name) > 0; }
    // Everything left, in order, options included.
    const QStringList& rest() const { return args_; }
    // What is left: at least `n` plain arguments.
    QStringList remaining(int n) const {
        for (const QString& a : args_)
            if (a.startsWith(QLatin1String("--"))) throw UsageError{"unknown option " + a};
        if (args_.size() < n) throw UsageError{"wrong number of arguments"};
        return args_;
    }
    // What is left must be exactly `n` plain arguments.
    QStringList positional(int n) const {
        for (const QString& a : args_)
            if (a.startsWith(QLatin1String("--")) || a == QLatin1String("-o"))
                throw UsageError{"unknown option " + a};
        if (args_.size() != n) throw UsageError{"wrong number of arguments"};
        return args_;
    }

  private:
    QStringList args_;
};

int parseNumber(const QString& text, int min, int max, const QString& what) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < min || v > max)
        throw UsageError{
            QStringLiteral("%1 must be a number from %2 to %3").arg(what).arg(min).arg(max)};
    return v;
}

QPoint parseHotSpot(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 2) throw UsageError{"--hotspot takes X,Y"};
    return {parseNumber(parts[0], 0, 65535, QStringLiteral("the hot spot X")),
            parseNumber(parts[1], 0, 65535, QStringLiteral("the hot spot Y"))};
}

// --cursors: the cursors of a module that holds icons too.
ModuleImages moduleImages(Arguments& args) {
    return args.flag(QStringLiteral("--cursors")) ? ModuleImages::Cursors
                                                  : ModuleImages::IconsFirst;
}

void checkCursorsOption(const QString& file, ModuleImages images) {
    const QString ext = QFileInfo(file).suffix().toLower();
    if (images == ModuleImages::Cursors && ext != QLatin1String("exe") &&
        ext != QLatin1String("dll"))
        throw UsageError{"--cursors reads executables and libraries only"};
}

void load(TIcon& icon, const QString& file, ModuleImages images = ModuleImages::IconsFirst) {
    checkCursorsOption(file, images);
    try {
        icon.LoadFromFile(file, images);
    } catch (const TError& e) {
        throw FileError{QStringLiteral("%1: %2").arg(file, QString::fromStdString(e.what()))};
    }
}

// What `info` prints of a file: read from the directory and image headers alone where the
// file is plain, else from the document.
struct ImageListing {
    bool cursor = false;
    struct Image {
        QSize size;
        int bits = 0;
        QPoint hotSpot;
    };
    std::vector<Image> images;
    std::optional<TAnimation> animation;
};

// The file's images one at a time, or nothing for a file the document must read.
std::optional<TImageSource> openSource(const QString& file, ModuleImages which) {
    checkCursorsOption(file, which);
    try {
        return TImageSource::open(file, which);
    } catch (const TError& e) {
        throw FileError{QStringLiteral("%1: %2").arg(file, QString::fromStdString(e.what()))};
    }
}

ImageListing listImages(const QString& file, ModuleImages which) {
    ImageListing listing;
    if (std::optional<TImageSource> source = openSource(file, which)) {
        listing.cursor = source->type() == kTypeCursor;
        for (int i = 0; i < source->count(); ++i) {
            const IconEntry& e = source->entry(i);
            listing.images.push_back(
                {source->size(i), source->bitCount(i), QPoint(e.planes, e.bitCount)});
        }
        return listing;
    }
    TIcon icon;
    load(icon, file, which);
    listing.cursor = icon.fileType() == kTypeCursor;
    for (int i = 0; i < icon.ImageCount(); ++i) {
        const IconEntry e = icon.entry(i);
        listing.images.push_back(
            {icon.imageSize(i), icon.imageBitCount(i), QPoint(e.planes, e.bitCount)});
    }
    listing.animation = icon.Animation();
    return listing;
}

int info(Arguments args, QTextStream& out) {
    const bool json = args.flag(QStringLiteral("--json"));
    const ModuleImages which = moduleImages(args);
    const QString file = args.positional(1).at(0);
    const ImageListing listing = listImages(file, which);
    const bool cursor = listing.cursor;
    const int count = int(listing.images.size());
    const QString type = cursor ? QStringLiteral("cursor") : QStringLiteral("icon");
    if (json) {
        QJsonArray images;
        for (int i = 0; i < count; ++i) {
            const ImageListing::Image& image = listing.images[size_t(i)];
            QJsonObject object{{"index", i},
                               {"width", image.size.width()},
                               {"height", image.size.height()},
                               {"bits", image.bits}};
            if (cursor) object.insert("hotspot", QJsonArray{image.hotSpot.x(), image.hotSpot.y()});
            images.append(object);
        }
        QJsonObject root{{"file", file}, {"type", type}, {"images", images}};
        if (const std::optional<TAnimation>& animation = listing.animation) {
            QJsonArray rates;
            for (const TAnimationStep& step : animation->steps) rates.append(qint64{step.rate});
            root.insert("frames", count);
            root.insert("steps", qint64(animation->steps.size()));
            root.insert("rates", rates);
        }
        out << QJsonDocument(root).toJson(QJsonDocument::Compact) << '\n';
        return kExitOk;
    }
    const bool animated = QFileInfo(file).suffix().toLower() == QLatin1String("ani");
    out << file << ": " << (animated ? QStringLiteral("animated cursor") : type) << ", " << count
        << (animated ? (count == 1 ? " frame\n" : " frames\n")
                     : (count == 1 ? " image\n" : " images\n"));
    out << "index  width  height  bits" << (cursor ? "  hotspot" : "") << '\n';
    for (int i = 0; i < count; ++i) {
        const ImageListing::Image& image = listing.images[size_t(i)];
        out << QStringLiteral("%1  %2  %3  %4")
                   .arg(i, 5)
                   .arg(image.size.width(), 5)
                   .arg(image.size.height(), 6)
                   .arg(image.bits, 4);
        if (cursor) out << QStringLiteral("  %1,%2").arg(image.hotSpot.x()).arg(image.hotSpot.y());
        out << '\n';
    }
    return kExitOk;
}

// Extracted pictures are new files: written in place, without the temporary file and rename
// that a save of a document goes through, which costs more than the writing itself.
void writeBytes(const QString& path, std::span<const uint8_t> bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) !=
            qint64(bytes.size()) ||
        !file.flush())
        throw FileError{path + ": cannot write the file"};
}

// Runs `work(i)` for i in [0, n) on every core; the first failure stops the rest and is thrown.
void forEachInParallel(int n, const std::function<void(int)>& work) {
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr failure;
    std::mutex failureLock;
    auto worker = [&] {
        for (int i = next++; i < n && !failed; i = next++) {
            try {
                work(i);
            } catch (...) {
                const std::lock_guard lock(failureLock);
                if (!failure) failure = std::current_exception();
                failed = true;
            }
        }
    };
    const int threads = std::clamp(int(std::thread::hardware_concurrency()), 1, std::max(1, n));
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t) pool.emplace_back(worker);
    worker();
    for (std::thread& t : pool) t.join();
    if (failure) std::rethrow_exception(failure);
}

int extract(Arguments args, QTextStream& out) {
    const std::optional<QString> dir = args.option(QStringLiteral("-o"));
    if (!dir) throw UsageError{"extract needs -o DIR"};
    const ModuleImages which = moduleImages(args);
    const QString file = args.positional(1).at(0);
    const QDir folder(*dir);
    auto pathOf = [&](int i) { return folder.filePath(QStringLiteral("%1.png").arg(i)); };
    if (std::optional<TImageSource> source = openSource(file, which)) {
        // Every image is checked before anything is written, then PNG images are copied as they
        // are stored and bitmaps encoded, image by image on every core.
        const int n = source->count();
        try {
            forEachInParallel(n, [&](int i) {
                if (!source->png(i)) source->argb(i);
            });
        } catch (const TError& e) {
            throw FileError{QStringLiteral("%1: %2").arg(file, QString::fromStdString(e.what()))};
        }
        if (!QDir().mkpath(*dir)) throw FileError{*dir + ": cannot create the folder"};
        // Files are made one at a time: creating them in one folder from several threads only
        // makes the threads wait on each other in the kernel.
        std::mutex writing;
        forEachInParallel(n, [&](int i) {
            if (const std::optional<std::span<const uint8_t>> png = source->png(i)) {
                const std::lock_guard lock(writing);
                writeBytes(pathOf(i), *png);
            } else {
                const std::vector<uint8_t> bytes = encodePng(source->argb(i));
                const std::lock_guard lock(writing);
                writeBytes(pathOf(i), bytes);
            }
        });
        for (int i = 0; i < n; ++i) out << pathOf(i) << '\n';
        return kExitOk;
    }
    TIcon icon;
    load(icon, file, which);
    if (!QDir().mkpath(*dir)) throw FileError{*dir + ": cannot create the folder"};
    for (int i = 0; i < icon.ImageCount(); ++i) {
        writeBytes(pathOf(i), encodePng(icon.imageToArgb(i)));
        out << pathOf(i) << '\n';
    }
    return kExitOk;
}

// Saves by OUT's extension as the editor's Save does. A .cur gets *hotSpot in every entry;
// without one (null) a cursor keeps its own hot spots and anything else gets (0, 0). A picture
// holds one image: `chosen`, or with -1 the one an icon shows at 32 x 32.
void saveAs(TIcon& icon, const QString& outFile, const QPoint* hotSpot, int chosen, PngPolicy png) {
    const QString ext = QFileInfo(outFile).suffix().toLower();
    if (ext == QLatin1String("cur") || ext == QLatin1String("ani")) {
        if (hotSpot || icon.fileType() != kTypeCursor)
            icon.markAsCursor(hotSpot ? *hotSpot : QPoint(0, 0));
    } else if (ext != QLatin1String("ico") && ext != QLatin1String("ani")) {
        if (chosen >= 0) {
            icon.SelectImage(chosen);
        } else {
            icon.SelectBestImage(QSize(32, 32));
        }
    }
    try {
        saveDocument(icon, outFile, png);
    } catch (const TError& e) {
        throw FileError{QString::fromStdString(e.what())};
    }
}

// --png auto|all|none: which 32-bit images of an icon or cursor are stored PNG-compressed.
PngPolicy pngOption(Arguments& args) {
    PngPolicy policy = PngPolicy::Auto;
    const std::optional<QString> text = args.option(QStringLiteral("--png"));
    if (text && !parsePngPolicy(*text, policy)) throw UsageError{"--png takes auto, all or none"};
    return policy;
}

int parseIndex(const QString& text, const TIcon& icon) {
    return parseNumber(text, 0, icon.ImageCount() - 1, QStringLiteral("--index"));
}

int convert(Arguments args) {
    const std::optional<QString> hotSpot = args.option(QStringLiteral("--hotspot"));
    const ModuleImages which = moduleImages(args);
    const std::optional<QString> index = args.option(QStringLiteral("--index"));
    const PngPolicy png = pngOption(args);
    const QStringList files = args.positional(2);
    const QPoint spot = hotSpot ? parseHotSpot(*hotSpot) : QPoint(0, 0);
    TIcon icon;
    load(icon, files[0], which);
    saveAs(icon, files[1], hotSpot ? &spot : nullptr, index ? parseIndex(*index, icon) : -1, png);
    return kExitOk;
}

// One edit of the current image, as the editor's command does it.
using Edit = std::function<void(TIcon&)>;

Edit parseShift(const QStringList& values) {
    static const std::pair<const char*, void (TIcon::*)()> directions[] = {
        {"left", &TIcon::ShiftLeft},
        {"right", &TIcon::ShiftRight},
        {"up", &TIcon::ShiftUp},
        {"down", &TIcon::ShiftDown}};
    for (const auto& [name, shift] : directions)
        if (values[0] == QLatin1String(name)) return [op = shift](TIcon& icon) { (icon.*op)(); };
    throw UsageError{"--shift takes left, right, up or down"};
}

Edit parseBlur(const QStringList& values) {
    for (int size : {3, 5, 7, 9})
        if (values[0] == QString::number(size)) return [size](TIcon& icon) { Blur(icon, size); };
    throw UsageError{"--blur must be 3, 5, 7 or 9"};
}

Edit parseInvert(const QStringList& values) {
    const QString& channels = values[0];
    auto chosen = [&](char c) { return channels.count(QLatin1Char(c)); };
    if (chosen('r') > 1 || chosen('g') > 1 || chosen('b') > 1 ||
        chosen('r') + chosen('g') + chosen('b') != channels.size())
        throw UsageError{"--invert takes a subset of rgb, such as rb"};
    return [r = chosen('r') > 0, g = chosen('g') > 0, b = chosen('b') > 0](TIcon& icon) {
        InvertColors(icon, r, g, b);
    };
}

// Three track-bar positions "A,B,C", each 0..100.
std::array<int, 3> parsePositions(const QStringList& values, const QString& option) {
    const QStringList parts = values[0].split(QLatin1Char(','));
    if (parts.size() != 3) throw UsageError{option + " takes three positions A,B,C"};
    std::array<int, 3> p{};
    for (size_t i = 0; i < 3; ++i)
        p[i] = parseNumber(parts[qsizetype(i)], 0, 100, "each position of " + option);
    return p;
}

template <void (*adjust)(TIcon&, int, int, int)>
Edit parseAdjustment(const QStringList& values, const char* option) {
    const std::array<int, 3> p = parsePositions(values, QLatin1String(option));
    return [p](TIcon& icon) { adjust(icon, p[0], p[1], p[2]); };
}

Edit parseBrightness(const QStringList& values) {
    return parseAdjustment<AdjustBrightness>(values, "--brightness");
}
Edit parseContrast(const QStringList& values) {
    return parseAdjustment<AdjustContrast>(values, "--contrast");
}
Edit parseHSB(const QStringList& values) {
    return parseAdjustment<AdjustHSB>(values, "--hsb");
}

// An effect without values: one operation of the document.
template <void (TIcon::*Op)()>
Edit call(const QStringList&) {
    return [](TIcon& icon) { (icon.*Op)(); };
}

Edit parseRotate(const QStringList& values) {
    const int degrees = parseNumber(values[0], -180, 180, QStringLiteral("--rotate"));
    return [degrees](TIcon& icon) { icon.Rotate(degrees); };
}

// WxH@BITS, then "--stretch" and "--dither" when they were given.
Edit parseConvert(const QStringList& values) {
    static const QRegularExpression format(QStringLiteral("^(\\d+)x(\\d+)@(\\d+)$"));
    const QRegularExpressionMatch m = format.match(values[0]);
    if (!m.hasMatch()) throw UsageError{"--convert takes WxH@BITS, such as 32x32@8"};
    const int w = parseNumber(m.captured(1), 1, 1024, QStringLiteral("the --convert width"));
    const int h = parseNumber(m.captured(2), 1, 1024, QStringLiteral("the --convert height"));
    const int bits = m.captured(3).toInt();
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        throw UsageError{"--convert takes 1, 4, 8, 24 or 32 bits"};
    const bool stretch = values.contains(QStringLiteral("--stretch"));
    const bool dither = values.contains(QStringLiteral("--dither"));
    return [=](TIcon& icon) { ConvertImage(icon, w, h, bits, stretch, dither); };
}

// The effects of `apply`: option, how many values follow it, and how they make an edit.
struct EffectOption {
    const char* name;
    int values;
    Edit (*parse)(const QStringList& values);
    // Flags that may follow the values, in any order, and then go to `parse` after them.
    std::initializer_list<const char*> modifiers = {};
};
constexpr EffectOption kEffects[] = {
    {"--shift", 1, parseShift},
    {"--blur", 1, parseBlur},
    {"--grayscale", 0, [](const QStringList&) -> Edit { return GrayScale; }},
    {"--invert", 1, parseInvert},
    {"--sharpen", 0, [](const QStringList&) -> Edit { return Sharpen; }},
    {"--emboss", 0, [](const QStringList&) -> Edit { return Emboss; }},
    {"--brightness", 1, parseBrightness},
    {"--contrast", 1, parseContrast},
    {"--hsb", 1, parseHSB},
    {"--flip-horizontal", 0, call<&TIcon::FlipHorizontal>},
    {"--flip-vertical", 0, call<&TIcon::FlipVertical>},
    {"--rotate-left", 0, call<&TIcon::RotateLeft>},
    {"--rotate-right", 0, call<&TIcon::RotateRight>},
    {"--rotate", 1, parseRotate},
    {"--convert", 1, parseConvert, {"--stretch", "--dither"}},
};

int apply(Arguments args) {
    const std::optional<QString> index = args.option(QStringLiteral("--index"));
    const bool all = args.flag(QStringLiteral("--all"));
    if (index && all) throw UsageError{"--index and --all exclude each other"};
    const ModuleImages which = moduleImages(args);
    const PngPolicy png = pngOption(args);
    // The rest in order: the two files and the effects, each with its values.
    const QStringList& rest = args.rest();
    QStringList files;
    std::vector<Edit> edits;
    for (qsizetype i = 0; i < rest.size(); ++i) {
        if (!rest[i].startsWith(QLatin1String("--"))) {
            files.append(rest[i]);
            continue;
        }
        const auto* effect = std::find_if(std::begin(kEffects), std::end(kEffects),
                                          [&](const EffectOption& e) { return rest[i] == e.name; });
        if (effect == std::end(kEffects)) throw UsageError{"unknown effect " + rest[i]};
        if (i + effect->values >= rest.size()) throw UsageError{rest[i] + " needs a value"};
        QStringList values = rest.mid(i + 1, effect->values);
        i += effect->values;
        while (i + 1 < rest.size() &&
               std::any_of(effect->modifiers.begin(), effect->modifiers.end(),
                           [&](const char* m) { return rest[i + 1] == QLatin1String(m); }))
            values.append(rest[++i]);
        edits.push_back(effect->parse(values));
    }
    if (files.size() != 2) throw UsageError{"wrong number of arguments"};
    if (edits.empty()) throw UsageError{"apply needs at least one effect"};

    TIcon icon;
    load(icon, files[0], which);
    const int chosen = index ? parseIndex(*index, icon) : -1;
    std::vector<int> targets;
    if (all) {
        for (int i = 0; i < icon.ImageCount(); ++i) targets.push_back(i);
    } else if (chosen >= 0) {
        targets.push_back(chosen);
    } else {
        icon.SelectBestImage(QSize(32, 32));
        targets.push_back(icon.CurrentIndex());
    }
    for (int target : targets) {
        icon.SelectImage(target);
        for (const Edit& edit : edits) edit(icon);
    }
    saveAs(icon, files[1], nullptr, chosen, png);
    return kExitOk;
}

// Appends the current image of `from` to `to`.
void appendImage(TIcon& from, TIcon& to) {
    const QSize size = from.GetSize();
    to.AddImage(size.width(), size.height(), from.BitCount());
    const IconEntry source = from.entry(from.CurrentIndex());
    std::copy_n(from.ImageBlock() + source.imageOffset, source.bytesInRes,
                to.ImageBlock() + to.entry(to.CurrentIndex()).imageOffset);
    to.SelectImage(to.CurrentIndex());
}

int create(Arguments args) {
    const std::optional<QString> sizesText = args.option(QStringLiteral("--sizes"));
    const std::optional<QString> bitsText = args.option(QStringLiteral("--bits"));
    const std::optional<QString> hotSpot = args.option(QStringLiteral("--hotspot"));
    const PngPolicy png = pngOption(args);
    const QStringList files = args.remaining(2);
    const QString& outFile = files[0];
    const QPoint spot = hotSpot ? parseHotSpot(*hotSpot) : QPoint(0, 0);
    const int bits = bitsText ? parseNumber(*bitsText, 1, 32, QStringLiteral("--bits")) : 32;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        throw UsageError{"--bits must be 1, 4, 8, 24 or 32"};
    std::vector<int> sizes;
    if (sizesText)
        for (const QString& part : sizesText->split(QLatin1Char(',')))
            sizes.push_back(parseNumber(part, 1, 1024, QStringLiteral("each of --sizes")));
    // A macOS icon holds 32-bit pictures of its own sizes only: anything else asked for would
    // be left out of the file.
    if (QFileInfo(outFile).suffix().toLower() == QLatin1String("icns")) {
        if (bits != 32) throw UsageError{"an .icns file holds 32-bit images only"};
        for (int s : sizes)
            if (!isIcnsSize(s, s))
                throw UsageError{"an .icns file holds sizes 16, 32, 64, 128, 256, 512 and 1024"};
    }

    TIcon out;
    for (const QString& file : files.mid(1)) {
        TIcon picture;
        load(picture, file);
        // Scaling is done on the 32-bit picture, smoothly; the depth comes last.
        const QSize own = picture.GetSize();
        if (picture.BitCount() != 32) ConvertImage(picture, own.width(), own.height(), 32, false);
        const std::vector<QSize> targets = sizes.empty() ? std::vector<QSize>{own} : [&] {
            std::vector<QSize> v;
            for (int s : sizes) v.emplace_back(s, s);
            return v;
        }();
        for (const QSize& target : targets) {
            TIcon image;
            image.LoadFromBytes(std::span(picture.ImageBlock(), picture.BlockSize()));
            if (target != own) ConvertImage(image, target.width(), target.height(), 32, true);
            if (bits != 32) ConvertImage(image, target.width(), target.height(), bits, false);
            appendImage(image, out);
        }
    }
    const QString outExt = QFileInfo(outFile).suffix().toLower();
    if (outExt == QLatin1String("cur") || outExt == QLatin1String("ani")) out.markAsCursor(spot);
    try {
        saveDocument(out, outFile, png);
    } catch (const TError& e) {
        throw FileError{QString::fromStdString(e.what())};
    }
    return kExitOk;
}

int theme(Arguments args) {
    const std::optional<QString> name = args.option(QStringLiteral("--name"));
    if (!name) throw UsageError{"theme needs --name NAME"};
    const QString inherits = args.option(QStringLiteral("--inherits")).value_or(QString());
    if (!inherits.isEmpty() && !isThemeName(inherits))
        throw UsageError{"\"" + inherits + "\" cannot name a theme"};
    const QStringList rest = args.remaining(2);
    std::vector<std::unique_ptr<TIcon>> documents;
    std::vector<std::pair<QString, const TIcon*>> roles;
    for (const QString& item : rest.mid(1)) {
        const qsizetype equals = item.indexOf(QLatin1Char('='));
        if (equals <= 0 || equals + 1 == item.size())
            throw UsageError{"each cursor is ROLE=FILE, not " + item};
        const QString role = item.left(equals);
        if (!isCursorRoleName(role)) throw UsageError{"\"" + role + "\" cannot name a cursor"};
        documents.push_back(std::make_unique<TIcon>());
        load(*documents.back(), item.mid(equals + 1));
        roles.emplace_back(role, documents.back().get());
    }
    try {
        writeCursorTheme(rest[0], *name, roles, inherits);
    } catch (const TError& e) {
        throw FileError{QString::fromStdString(e.what())};
    }
    return kExitOk;
}

int hicolor(Arguments args) {
    const std::optional<QString> name = args.option(QStringLiteral("--name"));
    if (!name) throw UsageError{"hicolor needs --name NAME"};
    if (!isThemeName(*name)) throw UsageError{"\"" + *name + "\" cannot name an icon"};
    const QString context =
        args.option(QStringLiteral("--context")).value_or(QStringLiteral("apps"));
    if (!hicolorContexts().contains(context))
        throw UsageError{"--context is one of " + hicolorContexts().join(QStringLiteral(", "))};
    const QStringList rest = args.remaining(2);
    if (rest.size() != 2) throw UsageError{"hicolor takes DIR and one FILE"};
    TIcon icon;
    load(icon, rest[1]);
    try {
        writeHicolorIcons(rest[0], *name, context, icon);
    } catch (const TError& e) {
        throw FileError{QString::fromStdString(e.what())};
    }
    return kExitOk;
}

}  // namespace

int runIconTool(const QStringList& argv, QTextStream& out, QTextStream& err) {
    try {
        if (argv.isEmpty()) throw UsageError{"no command given"};
        const QString command = argv.first();
        Arguments args(argv.mid(1));
        if (command == QLatin1String("info")) return info(std::move(args), out);
        if (command == QLatin1String("extract")) return extract(std::move(args), out);
        if (command == QLatin1String("convert")) return convert(std::move(args));
        if (command == QLatin1String("create")) return create(std::move(args));
        if (command == QLatin1String("apply")) return apply(std::move(args));
        if (command == QLatin1String("theme")) return theme(std::move(args));
        if (command == QLatin1String("hicolor")) return hicolor(std::move(args));
        if (command == QLatin1String("--help") || command == QLatin1String("help")) {
            out << kUsage;
            return kExitOk;
        }
        throw UsageError{"unknown command " + command};
    } catch (const UsageError& e) {
        err << "tarvo-icontool: " << e.message << '\n' << kUsage;
        return kExitUsage;
    } catch (const FileError& e) {
        err << "tarvo-icontool: " << e.message << '\n';
        return kExitFileError;
    } catch (const TError& e) {
        err << "tarvo-icontool: " << e.what() << '\n';
        return kExitFileError;
    }
}

}  // namespace tarvo
