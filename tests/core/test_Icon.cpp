#include <gtest/gtest.h>

#include <QBuffer>
#include <QTemporaryDir>

#include "TestSupport.h"
#include "core/IconFormat.h"
#include "core/PixelFormats.h"
#include "raster/Errors.h"
#include "raster/Planes.h"

namespace tarvo {
namespace {

using test::Bytes;

Bytes entryBytes(const TIcon& icon, int index) {
    const Bytes block = test::blockOf(icon);
    return Bytes(block.begin() + 6 + 16 * index, block.begin() + 6 + 16 * (index + 1));
}

// Adds an image with a pattern that differs per image, so that moved bytes show.
void addPattern(TIcon& icon, int w, int h, int bits, uint32_t seed) {
    test::addPainted(icon, w, h, bits, [&](int x, int y) {
        const int v = int((x * 7 + y * 13 + seed * 101) & 0xFF), s = int(seed & 255);
        return bits == 32 ? qRgba(v, s, 3, v ^ 0x5A) : qRgba(v, v, s, (x + y + seed) % 3 ? 255 : 0);
    });
}

TEST(AddImage, AnEmptyDocumentGrowsByEntriesStoring256AsZeroAndImagesBackToBack) {
    TIcon icon;
    EXPECT_EQ(test::blockOf(icon), (Bytes{0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(icon.TextFont.family(), QStringLiteral("Arial"));
    addPattern(icon, 32, 32, 4, 1);
    EXPECT_EQ(icon.BlockSize(), 766u);
    EXPECT_EQ(entryBytes(icon, 0),
              (Bytes{0x20, 0x20, 0x10, 0, 0, 0, 4, 0, 0xE8, 0x02, 0, 0, 22, 0, 0, 0}));
    const Bytes first = test::imageBytes(icon, 0);
    icon.AddImage(256, 256, 32);
    EXPECT_EQ(icon.CurrentIndex(), 1);
    // 40 + 262144 + 8192 bytes at 38 + 744.
    EXPECT_EQ(entryBytes(icon, 1),
              (Bytes{0, 0, 0, 0, 0, 0, 32, 0, 0x28, 0x20, 4, 0, 0x0E, 3, 0, 0}));
    EXPECT_EQ(icon.BlockSize(), 782u + 270376);
    EXPECT_EQ(test::get32(test::blockOf(icon), 782 + 4), 256u);
    EXPECT_EQ(test::get32(test::blockOf(icon), 782 + 8), 512u);
    EXPECT_EQ(test::imageBytes(icon, 0), first);
}

TEST(AddImage, NewImagesAreFullyTransparentAndOnlyFourBitHasAColourCount) {
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        TIcon icon;
        icon.AddImage(5, 3, bits);
        const Bytes e = entryBytes(icon, 0);
        EXPECT_EQ(Bytes(e.begin(), e.begin() + 8),
                  (Bytes{5, 3, uint8_t(bits == 4 ? 16 : 0), 0, 0, 0, uint8_t(bits), 0}));
        const QImage argb = icon.imageToArgb(0);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) EXPECT_EQ(argb.pixel(x, y), 0u);
    }
}

TEST(AddImage, RefusesImpossibleSizesAndDepthsWithoutChangingTheDocument) {
    TIcon icon;
    icon.AddImage(16, 16, 4);
    const Bytes before = test::blockOf(icon);
    EXPECT_THROW(icon.AddImage(0, 16, 4), TError);
    EXPECT_THROW(icon.AddImage(16, 16, 3), TError);
    EXPECT_THROW(icon.AddImage(kMaxDimension + 1, 1, 1), TError);
    EXPECT_EQ(test::blockOf(icon), before);
    EXPECT_EQ(icon.CurrentIndex(), 0);
}

// Images 16 x 16 4-bit, 24 x 24 32-bit and 32 x 32 24-bit, each with its own pattern.
void build(TIcon& icon, std::initializer_list<int> which) {
    const int sizes[] = {16, 24, 32}, depths[] = {4, 32, 24};
    for (int i : which) addPattern(icon, sizes[i], sizes[i], depths[i], uint32_t(i + 1));
}

TEST(DeleteImage, EqualsNeverHavingHadTheImage) {
    TIcon icon, first, firstTwo, withoutMiddle;
    build(icon, {0, 1, 2});
    build(first, {0});
    build(firstTwo, {0, 1});
    build(withoutMiddle, {0, 2});
    icon.DeleteImage();  // the last: the new last is selected
    EXPECT_EQ(test::blockOf(icon), test::blockOf(firstTwo));
    EXPECT_EQ(icon.CurrentIndex(), 1);
    icon.WorkBitmap().setPixel(0, 0, 0x12345678);  // the 32-bit view points into the new block
    EXPECT_EQ(icon.imageToArgb(1).pixel(0, 0), 0x12345678u);
    icon.DeleteImage();
    EXPECT_EQ(test::blockOf(icon), test::blockOf(first));
    build(icon, {1, 2});
    icon.SelectImage(1);
    icon.DeleteImage();
    EXPECT_EQ(test::blockOf(icon), test::blockOf(withoutMiddle));
    EXPECT_EQ(icon.CurrentIndex(), 1);  // now names the following image
    EXPECT_EQ(icon.GetSize(), QSize(32, 32));
    icon.DeleteImage();
    icon.DeleteImage();
    EXPECT_EQ(test::blockOf(icon), (Bytes{0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(icon.CurrentIndex(), -1);
    icon.DeleteImage();  // nothing to delete: nothing happens
    EXPECT_EQ(icon.BlockSize(), 6u);
}

TEST(SelectBestImage, PrefersTheTargetSizeTheRicherLaterEntryAndFitsTheDisplay) {
    TIcon icon;
    icon.AddImage(16, 16, 4);
    icon.AddImage(32, 32, 4);
    icon.AddImage(32, 32, 8);
    icon.AddImage(48, 48, 32);
    icon.AddImage(32, 32, 32);
    icon.AddImage(32, 32, 4);  // poorer than the one before it
    icon.SelectBestImage();
    EXPECT_EQ(icon.CurrentIndex(), 4);
    icon.SelectBestImage(QSize(32, 32), 16);  // a 16-colour display passes over richer images
    EXPECT_EQ(icon.CurrentIndex(), 5);
    icon.SelectBestImage(QSize(24, 24));  // equally far from the target: the smaller is kept
    EXPECT_EQ(icon.CurrentIndex(), 0);
}

TEST(ChangeFormat, KeepsTheBytesForTheSameFormatAndShiftsTheFollowingImagesWhenGrowing) {
    TIcon icon;
    addPattern(icon, 16, 16, 8, 3);
    addPattern(icon, 24, 24, 32, 5);
    const Bytes first = test::imageBytes(icon, 0), second = test::imageBytes(icon, 1);
    icon.SelectImage(0);
    icon.ChangeFormat(16, 16, 0);
    EXPECT_EQ(test::imageBytes(icon, 0), first);
    icon.ChangeFormat(256, 40, 32);
    EXPECT_EQ(icon.CurrentIndex(), 0);
    EXPECT_EQ(icon.GetSize(), QSize(256, 40));
    EXPECT_EQ(entryBytes(icon, 0),
              (Bytes{0, 40, 0, 0, 0, 0, 32, 0, 0x28, 0xA5, 0, 0, 38, 0, 0, 0}));
    EXPECT_EQ(icon.entry(1).imageOffset, 38u + 42280);  // 40 + 40960 + 1280
    EXPECT_EQ(test::imageBytes(icon, 1), second);
}

TEST(WorkBitmap, WritesGoStraightIntoTheBlockBottomUp) {
    TIcon icon;
    icon.AddImage(16, 16, 4);  // a first image shifts the 32-bit one to an unaligned offset
    icon.AddImage(3, 2, 32);
    icon.WorkBitmap().setPixel(1, 0, 0x80112233);
    const Bytes block = test::blockOf(icon);
    const size_t rows = 38 + 296 + 40;
    EXPECT_EQ(test::get32(block, rows + 3 * 4 + 4), 0x80112233u);  // y = 0 is the second row
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    icon.SaveToStream(buffer);
    EXPECT_EQ(test::toBytes(buffer.data()), block);
}

TEST(LoadFromIconHandle, BuildsAOneImageTwentyFourBitDocument) {
    TIconHandle handle{QImage(3, 2, QImage::Format_RGB32), QImage(3, 2, QImage::Format_Grayscale8)};
    handle.color.fill(qRgb(10, 20, 30));
    handle.color.setPixel(2, 1, qRgb(255, 255, 255));
    handle.mask.fill(0);
    handle.mask.scanLine(1)[2] = kMaskSet;
    TIcon icon;
    icon.AddImage(8, 8, 4);
    icon.LoadFromIconHandle(handle);
    EXPECT_EQ(icon.ImageCount(), 1);
    EXPECT_EQ(icon.BitCount(), 24);
    EXPECT_EQ(entryBytes(icon, 0), (Bytes{3, 2, 0, 0, 0, 0, 0, 0, 72, 0, 0, 0, 22, 0, 0, 0}));
    EXPECT_EQ(icon.imageToArgb(0).pixel(0, 1), qRgb(10, 20, 30));
    EXPECT_EQ(icon.imageToArgb(0).pixel(2, 1), qRgba(255, 255, 255, 0));
}

TEST(Files, SaveThenLoadGivesTheSameBlockAndAFailedSaveSaysWhichFile) {
    QTemporaryDir dir;
    TIcon icon;
    addPattern(icon, 16, 16, 1, 1);
    addPattern(icon, 32, 32, 32, 2);
    icon.markAsCursor(QPoint(3, 4));
    const QString path = dir.filePath(QStringLiteral("a.cur"));
    icon.SaveToFile(path);
    TIcon loaded;
    loaded.LoadFromFile(path);
    EXPECT_EQ(test::blockOf(loaded), test::blockOf(icon));
    EXPECT_EQ(loaded.CurrentIndex(), 1);
    try {
        icon.SaveToFile(dir.filePath(QStringLiteral("no/such/folder/b.ico")));
        FAIL() << "saving into a missing folder succeeded";
    } catch (const EWriteError& e) {
        EXPECT_NE(std::string(e.what()).find("b.ico"), std::string::npos) << e.what();
    }
}

TEST(Files, ABadFileLeavesTheDocumentAsItWas) {
    QTemporaryDir dir;
    TIcon icon;
    icon.AddImage(16, 16, 32);
    icon.WorkBitmap().setPixel(0, 0, 0xFF00FF00);
    const Bytes before = test::blockOf(icon);
    int changes = 0;
    icon.OnChange = [&] { ++changes; };
    const Bytes bad = {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0, 0xFF, 0xFF, 0, 0, 22, 0, 0, 0};
    EXPECT_THROW(icon.LoadFromBytes(bad), EInvalidGraphic);
    const QString xyz = dir.filePath(QStringLiteral("x.xyz"));
    test::writeFile(xyz, Bytes{'n', 'o', 't'});
    try {
        icon.LoadFromFile(xyz);
        ADD_FAILURE();
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "Unknown picture file extension (.xyz)");
    }
    EXPECT_THROW(icon.LoadFromFile(dir.filePath(QStringLiteral("missing.ico"))), EReadError);
    EXPECT_EQ(test::blockOf(icon), before);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(icon.WorkBitmap().pixel(0, 0), 0xFF00FF00u);  // the view still points at the block
    icon.LoadFromBytes(before);
    EXPECT_EQ(changes, 1);
}

}  // namespace
}  // namespace tarvo
