#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextStream>
#include <vector>

#include "TestSupport.h"
#include "cli/IconTool.h"
#include "core/Icon.h"

namespace tarvo {
namespace {

struct ToolResult {
    int code = -1;
    QString out;
    QString err;
};

ToolResult runTool(const QStringList& args) {
    ToolResult r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.code = runIconTool(args, out, err);
    out.flush();
    err.flush();
    return r;
}

QStringList nonEmptyLines(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    lines.removeAll(QString());
    return lines;
}

// Tokens of each output line, so that column widths do not matter.
std::vector<QStringList> lineTokens(const QString& text) {
    std::vector<QStringList> lines;
    for (const QString& line : nonEmptyLines(text))
        lines.push_back(line.simplified().split(QLatin1Char(' ')));
    return lines;
}

// A 32x32 1-bit image, a 256x256 32-bit image and a 16x16 4-bit image, and the ARGB picture
// each should extract to: alpha 0 where the mask bit is set, the colour plane kept as it is.
class IconToolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        const std::vector<QRgb> table4{0xFF000000, 0xFF800000, 0xFF00FF00, 0xFFC0C0C0,
                                       0xFF0000FF, 0xFFFFFF00, 0xFF808080, 0xFFFFFFFF};
        TIcon icon;
        for (auto [size, bits] : std::vector<std::pair<int, int>>{{32, 1}, {256, 32}, {16, 4}}) {
            icon.AddImage(size, size, bits);
            QImage argb(size, size, QImage::Format_ARGB32);
            if (bits == 32) {
                argb = test::testPicture(size, size, 5);
                for (int y = 0; y < size; ++y)
                    for (int x = 0; x < size; ++x)
                        icon.WorkBitmap().setPixel(x, y, argb.pixel(x, y));
            } else {
                for (int y = 0; y < size; ++y) {
                    for (int x = 0; x < size; ++x) {
                        const int k = x * 3 + y * 5 + x * y;
                        const QRgb c = bits == 1 ? (k % 3 ? 0xFFFFFFFF : 0xFF000000)
                                                 : table4[size_t(k) % table4.size()];
                        const bool transparent = (x + 2 * y) % 5 == 1;
                        icon.ColorBitmap().setPixel(x, y, c);
                        // One byte per pixel, 0xFF for a set mask bit.
                        icon.MaskBitmap().scanLine(y)[x] = transparent ? 0xFF : 0x00;
                        argb.setPixel(x, y, transparent ? c & 0x00FFFFFFu : c);
                    }
                }
                icon.StoreImage();
                icon.SelectImage(icon.CurrentIndex());
            }
            pictures_.push_back(argb);
        }
        icon.SaveToFile(ico_);
        // A cursor whose second image has a hot spot of its own.
        icon.markAsCursor(QPoint(3, 9));
        icon.SaveToFile(cur_);
        test::Bytes bytes = test::readFile(cur_);
        test::put16(bytes, 6 + 16 + 4, 11);
        test::put16(bytes, 6 + 16 + 6, 2);
        test::writeFile(cur_, bytes);
    }

    QString path(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
    const QString ico_ = path(QStringLiteral("sample.ico"));
    const QString cur_ = path(QStringLiteral("sample.cur"));
    std::vector<QImage> pictures_;
};

TEST_F(IconToolTest, InfoPrintsOneRowPerImage) {
    ToolResult r = runTool({QStringLiteral("info"), ico_});
    ASSERT_EQ(r.code, kExitOk) << r.err.toStdString();
    std::vector<QStringList> lines = lineTokens(r.out);
    ASSERT_EQ(lines.size(), 5u) << r.out.toStdString();
    EXPECT_EQ(lines[0], QStringList({ico_ + ':', "icon,", "3", "images"}));
    EXPECT_EQ(lines[1], QStringList({"index", "width", "height", "bits"}));
    EXPECT_EQ(lines[2], QStringList({"0", "32", "32", "1"}));
    EXPECT_EQ(lines[3], QStringList({"1", "256", "256", "32"}));
    EXPECT_EQ(lines[4], QStringList({"2", "16", "16", "4"}));

    r = runTool({QStringLiteral("info"), cur_});
    ASSERT_EQ(r.code, kExitOk) << r.err.toStdString();
    lines = lineTokens(r.out);
    ASSERT_EQ(lines.size(), 5u) << r.out.toStdString();
    EXPECT_EQ(lines[0], QStringList({cur_ + ':', "cursor,", "3", "images"}));
    EXPECT_EQ(lines[1], QStringList({"index", "width", "height", "bits", "hotspot"}));
    EXPECT_EQ(lines[2], QStringList({"0", "32", "32", "1", "3,9"}));
    EXPECT_EQ(lines[3], QStringList({"1", "256", "256", "32", "11,2"}));
    EXPECT_EQ(lines[4], QStringList({"2", "16", "16", "4", "3,9"}));

    TIcon single;
    single.AddImage(48, 40, 24);
    const QString one = path(QStringLiteral("one.ico"));
    single.SaveToFile(one);
    r = runTool({QStringLiteral("info"), one});
    ASSERT_EQ(r.code, kExitOk) << r.err.toStdString();
    lines = lineTokens(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out.toStdString();
    EXPECT_EQ(lines[0], QStringList({one + ':', "icon,", "1", "image"}));
    EXPECT_EQ(lines[2], QStringList({"0", "48", "40", "24"}));
}

TEST_F(IconToolTest, InfoJsonDescribesEveryImage) {
    const std::vector<std::vector<int>> expected{{0, 32, 32, 1}, {1, 256, 256, 32}, {2, 16, 16, 4}};
    const std::vector<QJsonArray> hotSpots{{3, 9}, {11, 2}, {3, 9}};
    for (const QString& file : {ico_, cur_}) {
        SCOPED_TRACE(file.toStdString());
        const bool cursor = file == cur_;
        const ToolResult r = runTool({QStringLiteral("info"), file, QStringLiteral("--json")});
        ASSERT_EQ(r.code, kExitOk) << r.err.toStdString();
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(r.out.toUtf8(), &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out.toStdString();
        const QJsonObject root = doc.object();
        EXPECT_EQ(root.value("file").toString(), file);
        EXPECT_EQ(root.value("type").toString(), cursor ? "cursor" : "icon");
        const QJsonArray images = root.value("images").toArray();
        ASSERT_EQ(images.size(), 3);
        for (int i = 0; i < 3; ++i) {
            const QJsonObject image = images[i].toObject();
            EXPECT_EQ(image.value("index").toInt(-1), expected[i][0]);
            EXPECT_EQ(image.value("width").toInt(-1), expected[i][1]);
            EXPECT_EQ(image.value("height").toInt(-1), expected[i][2]);
            EXPECT_EQ(image.value("bits").toInt(-1), expected[i][3]);
            EXPECT_EQ(image.contains("hotspot"), cursor);
            EXPECT_EQ(image.value("hotspot").toArray(), cursor ? hotSpots[i] : QJsonArray());
        }
    }
}

TEST_F(IconToolTest, ExtractWritesEveryImageAsRgbaPng) {
    const QString out = path(QStringLiteral("new/folder"));
    const ToolResult r = runTool({QStringLiteral("extract"), ico_, QStringLiteral("-o"), out});
    ASSERT_EQ(r.code, kExitOk) << r.err.toStdString();
    QStringList written;
    for (size_t i = 0; i < pictures_.size(); ++i) {
        SCOPED_TRACE(i);
        const QString png = QDir(out).filePath(QStringLiteral("%1.png").arg(i));
        written << png;
        const QImage image(png);
        ASSERT_FALSE(image.isNull());
        ASSERT_TRUE(image.hasAlphaChannel());
        EXPECT_EQ(image.convertToFormat(QImage::Format_ARGB32), pictures_[i]);
    }
    EXPECT_EQ(nonEmptyLines(r.out), written);
    EXPECT_EQ(QDir(out).entryList(QDir::Files).size(), 3);
}

TEST_F(IconToolTest, ConvertIconToCursorSetsTheHotSpotInEveryEntry) {
    const QString out = path(QStringLiteral("out.cur"));
    const ToolResult r = runTool(
        {QStringLiteral("convert"), ico_, out, QStringLiteral("--hotspot"), QStringLiteral("5,7")});
    ASSERT_EQ(r.code, kExitOk) << r.err.toStdString();
    test::Bytes expected = test::readFile(ico_);
    test::put16(expected, 2, 2);
    for (size_t e = 6; e < 6 + 3 * 16; e += 16) {
        expected[e + 4] = 5, expected[e + 5] = 0, expected[e + 6] = 7, expected[e + 7] = 0;
    }
    // Only the type and the hot spots change; the images stay byte for byte.
    EXPECT_EQ(test::readFile(out), expected);
}

TEST_F(IconToolTest, ConvertKeepsOrClearsHotSpotsByTheSourceType) {
    const test::Bytes source = test::readFile(cur_);
    const QString keep = path(QStringLiteral("keep.cur"));
    ASSERT_EQ(runTool({QStringLiteral("convert"), cur_, keep}).code, kExitOk);
    EXPECT_EQ(test::readFile(keep), source);

    const QString toIcon = path(QStringLiteral("back.ICO"));
    ASSERT_EQ(runTool({QStringLiteral("convert"), cur_, toIcon}).code, kExitOk);
    test::Bytes expected = source;
    test::put16(expected, 2, 1);
    EXPECT_EQ(test::readFile(toIcon), expected);

    const QString fromIcon = path(QStringLiteral("zero.cur"));
    ASSERT_EQ(runTool({QStringLiteral("convert"), ico_, fromIcon}).code, kExitOk);
    const test::Bytes zero = test::readFile(fromIcon);
    ASSERT_EQ(zero.size(), source.size());
    EXPECT_EQ(test::get16(zero, 2), 2);
    for (size_t e = 6; e < 6 + 3 * 16; e += 16) {
        EXPECT_EQ(test::get16(zero, e + 4), 0) << e;
        EXPECT_EQ(test::get16(zero, e + 6), 0) << e;
    }
}

TEST_F(IconToolTest, FileProblemsExitWithStatusOneNamingTheFile) {
    const QString missing = path(QStringLiteral("missing.ico"));
    const QString corrupt = path(QStringLiteral("corrupt.ico"));
    test::writeFile(corrupt, {0, 0, 7, 0, 1, 0, 'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'c', 'o'});
    // A real icon cut off in the middle of its first image.
    const QString truncated = path(QStringLiteral("truncated.cur"));
    test::Bytes head = test::readFile(cur_);
    head.resize(200);
    test::writeFile(truncated, head);
    const QString unknown = path(QStringLiteral("out.xyz"));
    const std::vector<std::pair<QStringList, QString>> cases{
        {{"info", missing}, missing},
        {{"extract", missing, "-o", path("x")}, missing},
        {{"convert", missing, path("x.cur")}, missing},
        {{"info", corrupt, "--json"}, corrupt},
        {{"convert", corrupt, path("y.ico")}, corrupt},
        {{"extract", truncated, "-o", path("z")}, truncated},
        {{"convert", ico_, unknown}, unknown},
    };
    for (const auto& [args, file] : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const ToolResult r = runTool(args);
        EXPECT_EQ(r.code, kExitFileError);
        EXPECT_TRUE(r.err.contains(file)) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }
    EXPECT_FALSE(QFile::exists(unknown));
    EXPECT_FALSE(QFile::exists(path("y.ico")));
    EXPECT_FALSE(QFile::exists(path("z/0.png")));
}

TEST_F(IconToolTest, UsageErrorsExitWithStatusTwo) {
    const QString out = path(QStringLiteral("never.cur"));
    const std::vector<QStringList> cases{
        {},
        {"frobnicate", ico_},
        {"info"},
        {"info", ico_, "--verbose"},
        {"extract", ico_},
        {"convert", ico_},
        {"convert", ico_, out, "--hotspot", "5"},
        {"convert", ico_, out, "--hotspot", "5,x"},
        {"convert", ico_, out, "--hotspot", "-1,7"},
        {"convert", ico_, out, "--hotspot", "5,7,9"},
        {"convert", ico_, out, "--hotspot", "65536,0"},
        {"convert", ico_, out, "--hotspot"},
        {"convert", ico_, out, "--index", "3"},
        {"convert", ico_, out, "--index", "-1"},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const ToolResult r = runTool(args);
        EXPECT_EQ(r.code, kExitUsage);
        EXPECT_TRUE(r.err.contains("Usage: tarvo-icontool")) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }
    EXPECT_FALSE(QFile::exists(out));
    // The last image is a valid index.
    EXPECT_EQ(runTool({"convert", ico_, out, "--index", "2"}).code, kExitOk);
}

TEST_F(IconToolTest, ProgramReportsThroughExitCodeAndStdout) {
    const QString program = qEnvironmentVariable("TARVO_ICONTOOL");
    ASSERT_FALSE(program.isEmpty()) << "TARVO_ICONTOOL is not set";

    test::RunResult r = test::runProgram(program, {"info", cur_, "--json"});
    ASSERT_EQ(r.exitCode, kExitOk) << r.err.toStdString();
    const QJsonObject root = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(root.value("type").toString(), "cursor");
    EXPECT_EQ(root.value("images").toArray().size(), 3);

    r = test::runProgram(program, {"extract", ico_, "-o", path("bin")});
    ASSERT_EQ(r.exitCode, kExitOk) << r.err.toStdString();
    EXPECT_EQ(nonEmptyLines(QString::fromUtf8(r.out)).size(), 3);
    EXPECT_EQ(QImage(path("bin/1.png")).convertToFormat(QImage::Format_ARGB32), pictures_[1]);

    r = test::runProgram(program, {"info", path("missing.cur")});
    EXPECT_EQ(r.exitCode, kExitFileError);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains("missing.cur")) << r.err.toStdString();

    r = test::runProgram(program, {});
    EXPECT_EQ(r.exitCode, kExitUsage);
    EXPECT_TRUE(r.err.contains("Usage: tarvo-icontool")) << r.err.toStdString();
}

}  // namespace
}  // namespace tarvo
