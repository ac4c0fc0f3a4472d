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

// Fills the current image with a pattern that differs per image, so that moved bytes show.
void fillPattern(TIcon& icon, uint32_t seed) {
    const QSize size = icon.GetSize();
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const uint32_t v = (x * 7 + y * 13 + seed * 101) & 0xFF;
            if (icon.BitCount() == 32) {
                icon.WorkBitmap().setPixel(x, y, qRgba(int(v), int(seed & 255), 3, int(v ^ 0x5A)));
            } else {
                icon.ColorBitmap().setPixel(x, y, qRgb(int(v), int(v), int(seed & 255)));
                icon.MaskBitmap().scanLine(y)[x] = (x + y + seed) % 3 ? kMaskClear : kMaskSet;
            }
        }
    icon.StoreImage();
    icon.SelectImage(icon.CurrentIndex());
}

Bytes imageBytes(const TIcon& icon, int index) {
    const IconEntry e = icon.entry(index);
    return Bytes(icon.ImageBlock() + e.imageOffset,
                 icon.ImageBlock() + e.imageOffset + e.bytesInRes);
}

TEST(NewDocument, IsAnEmptyIconHeader) {
    TIcon icon;
    EXPECT_EQ(test::blockOf(icon), (Bytes{0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(icon.ImageCount(), 0);
    EXPECT_EQ(icon.CurrentIndex(), -1);
    EXPECT_EQ(icon.BitCount(), 0);
    EXPECT_EQ(icon.ColorTable(), nullptr);
    EXPECT_EQ(icon.TextFont.family(), QStringLiteral("Arial"));
}

TEST(AddImage, FourBitThirtyTwoSquareIs766Bytes) {
    TIcon icon;
    icon.AddImage(32, 32, 4);
    EXPECT_EQ(icon.BlockSize(), 766u);
    EXPECT_EQ(entryBytes(icon, 0),
              (Bytes{0x20, 0x20, 0x10, 0, 0, 0, 4, 0, 0xE8, 0x02, 0, 0, 22, 0, 0, 0}));
    QByteArray saved;
    QBuffer buffer(&saved);
    buffer.open(QIODevice::WriteOnly);
    icon.SaveToStream(buffer);
    EXPECT_EQ(saved.size(), 766);
    EXPECT_EQ(test::toBytes(saved), test::blockOf(icon));
}

TEST(AddImage, LaysImagesOutBackToBack) {
    TIcon icon;
    icon.AddImage(16, 16, 8);
    fillPattern(icon, 1);
    const Bytes first = imageBytes(icon, 0);
    icon.AddImage(24, 24, 24);
    EXPECT_EQ(icon.CurrentIndex(), 1);
    EXPECT_EQ(icon.entry(0).imageOffset, 38u);
    EXPECT_EQ(icon.entry(1).imageOffset, 38u + icon.entry(0).bytesInRes);
    EXPECT_EQ(icon.BlockSize(), 38u + icon.entry(0).bytesInRes + icon.entry(1).bytesInRes);
    EXPECT_EQ(imageBytes(icon, 0), first);  // the first image moved intact
    validateIconBlock(test::blockOf(icon));
}

TEST(AddImage, Stores256AsZeroInTheDirectory) {
    TIcon icon;
    icon.AddImage(256, 256, 32);
    const IconEntry e = icon.entry(0);
    EXPECT_EQ(e.width, 0);
    EXPECT_EQ(e.height, 0);
    const BitmapHeader h = readBitmapHeader(icon.ImageBlock() + e.imageOffset);
    EXPECT_EQ(h.width, 256);
    EXPECT_EQ(h.height, 512);
    EXPECT_EQ(icon.GetSize(), QSize(256, 256));
}

TEST(AddImage, NewImagesAreFullyTransparentAndOnlyFourBitHasAColourCount) {
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        TIcon icon;
        icon.AddImage(5, 3, bits);
        const IconEntry e = icon.entry(0);
        EXPECT_EQ(e.colorCount, bits == 4 ? 16 : 0) << bits;
        EXPECT_EQ(e.planes, 0) << bits;
        EXPECT_EQ(e.bitCount, bits) << bits;
        EXPECT_EQ(icon.BitCount(), bits);
        const QImage argb = icon.imageToArgb(0);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) EXPECT_EQ(argb.pixel(x, y), 0u) << bits;
        if (bits == 32) {
            EXPECT_EQ(icon.WorkBitmap().pixel(4, 2), 0u);
        } else {
            EXPECT_TRUE(maskBit(icon.MaskBitmap().constScanLine(2)[4])) << bits;
            EXPECT_EQ(icon.ColorBitmap().pixel(4, 2), qRgb(0, 0, 0)) << bits;
        }
    }
}

TEST(AddImage, RefusesImpossibleSizesAndDepthsWithoutChangingTheDocument) {
    TIcon icon;
    icon.AddImage(16, 16, 4);
    const Bytes before = test::blockOf(icon);
    EXPECT_THROW(icon.AddImage(0, 16, 4), TError);
    EXPECT_THROW(icon.AddImage(16, -1, 4), TError);
    EXPECT_THROW(icon.AddImage(16, 16, 3), TError);
    EXPECT_THROW(icon.AddImage(kMaxDimension + 1, 1, 1), TError);
    EXPECT_EQ(test::blockOf(icon), before);
    EXPECT_EQ(icon.CurrentIndex(), 0);
}

class DeleteImageTest : public ::testing::Test {
  protected:
    // Three images of different depths, each with its own pattern.
    void build(TIcon& icon, std::initializer_list<int> which) {
        const int sizes[] = {16, 24, 32};
        const int depths[] = {4, 32, 24};
        for (int i : which) {
            icon.AddImage(sizes[i], sizes[i], depths[i]);
            fillPattern(icon, uint32_t(i + 1));
        }
    }
};

TEST_F(DeleteImageTest, DeletingAMiddleImageEqualsNeverHavingIt) {
    TIcon icon, expected;
    build(icon, {0, 1, 2});
    build(expected, {0, 2});
    icon.SelectImage(1);
    icon.DeleteImage();
    EXPECT_EQ(test::blockOf(icon), test::blockOf(expected));
    EXPECT_EQ(icon.CurrentIndex(), 1);  // now names the following image
    EXPECT_EQ(icon.GetSize(), QSize(32, 32));
}

TEST_F(DeleteImageTest, DeletingTheLastEntrySelectsTheNewLast) {
    TIcon icon, expected;
    build(icon, {0, 1, 2});
    build(expected, {0, 1});
    icon.DeleteImage();
    EXPECT_EQ(test::blockOf(icon), test::blockOf(expected));
    EXPECT_EQ(icon.CurrentIndex(), 1);
    EXPECT_EQ(icon.BitCount(), 32);
    // The 32-bit view must point into the new block.
    icon.WorkBitmap().setPixel(0, 0, 0x12345678);
    EXPECT_EQ(icon.imageToArgb(1).pixel(0, 0), 0x12345678u);
}

TEST_F(DeleteImageTest, DeletingTheOnlyImageLeavesNoCurrentImage) {
    TIcon icon;
    build(icon, {0});
    icon.DeleteImage();
    EXPECT_EQ(test::blockOf(icon), (Bytes{0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(icon.CurrentIndex(), -1);
    EXPECT_EQ(icon.BitCount(), 0);
    icon.DeleteImage();  // nothing to delete: nothing happens
    EXPECT_EQ(icon.BlockSize(), 6u);
    icon.AddImage(8, 8, 8);  // and the document is usable again
    EXPECT_EQ(icon.entry(0).imageOffset, 22u);
}

TEST(SelectBestImage, AmongEqualSizesTheLaterRicherEntryWins) {
    TIcon icon;
    icon.AddImage(32, 32, 4);
    icon.AddImage(32, 32, 8);
    icon.AddImage(32, 32, 32);
    icon.SelectImage(0);
    icon.SelectBestImage();
    EXPECT_EQ(icon.CurrentIndex(), 2);
}

TEST(SelectBestImage, PrefersTheTargetSizeAndRespectsTheDisplayColours) {
    TIcon icon;
    icon.AddImage(16, 16, 4);
    icon.AddImage(32, 32, 4);
    icon.AddImage(48, 48, 32);
    icon.AddImage(32, 32, 32);
    icon.SelectBestImage();
    EXPECT_EQ(icon.CurrentIndex(), 3);
    // On a 16-colour display the 32-bit images are passed over.
    icon.SelectBestImage(QSize(32, 32), 16);
    EXPECT_EQ(icon.CurrentIndex(), 1);
    // Equally far from the target, the smaller image is kept.
    TIcon two;
    two.AddImage(16, 16, 32);
    two.AddImage(48, 48, 32);
    two.SelectBestImage();
    EXPECT_EQ(two.CurrentIndex(), 0);
}

TEST(ChangeFormat, SameSizeAndDepthKeepsTheImageBytes) {
    TIcon icon;
    icon.AddImage(16, 16, 8);
    fillPattern(icon, 3);
    icon.AddImage(16, 16, 24);
    icon.SelectImage(0);
    const Bytes before = imageBytes(icon, 0);
    icon.ChangeFormat(16, 16, 0);
    EXPECT_EQ(imageBytes(icon, 0), before);
    validateIconBlock(test::blockOf(icon));
}

TEST(ChangeFormat, GrowingAnImageShiftsTheFollowingOnes) {
    TIcon icon;
    icon.AddImage(16, 16, 4);
    icon.AddImage(24, 24, 32);
    fillPattern(icon, 5);
    const Bytes second = imageBytes(icon, 1);
    icon.SelectImage(0);
    icon.ChangeFormat(48, 40, 32);
    EXPECT_EQ(icon.CurrentIndex(), 0);
    EXPECT_EQ(icon.GetSize(), QSize(48, 40));
    EXPECT_EQ(icon.BitCount(), 32);
    const IconEntry e = icon.entry(0);
    EXPECT_EQ(e.width, 48);
    EXPECT_EQ(e.height, 40);
    EXPECT_EQ(e.colorCount, 0);
    EXPECT_EQ(e.bytesInRes, imageSize(48, 40, 32));
    EXPECT_EQ(imageBytes(icon, 1), second);
    validateIconBlock(test::blockOf(icon));
}

TEST(WorkBitmap, WritesGoStraightIntoTheBlockBottomUp) {
    TIcon icon;
    icon.AddImage(16, 16, 4);  // a first image shifts the 32-bit one to an unaligned offset
    icon.AddImage(3, 2, 32);
    icon.WorkBitmap().setPixel(1, 0, 0x80112233);
    const Bytes block = test::blockOf(icon);
    const size_t rows = icon.entry(1).imageOffset + 40;
    // Top row (y = 0) is the second row in the block.
    EXPECT_EQ(test::get32(block, rows + 3 * 4 + 4), 0x80112233u);
    EXPECT_EQ(test::get32(block, rows + 4), 0u);
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
    icon.AddImage(8, 8, 8);
    icon.LoadFromIconHandle(handle);
    EXPECT_EQ(icon.ImageCount(), 1);
    EXPECT_EQ(icon.CurrentIndex(), 0);
    EXPECT_EQ(icon.BitCount(), 24);
    EXPECT_EQ(icon.entry(0).imageOffset, 22u);
    EXPECT_EQ(entryBytes(icon, 0)[0], 3);
    EXPECT_EQ(entryBytes(icon, 0)[6], 0);  // other entry bytes 0
    EXPECT_EQ(icon.ColorBitmap().pixel(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(icon.ColorBitmap().pixel(2, 1), qRgb(255, 255, 255));
    EXPECT_TRUE(maskBit(icon.MaskBitmap().constScanLine(1)[2]));
    EXPECT_FALSE(maskBit(icon.MaskBitmap().constScanLine(0)[2]));
    validateIconBlock(test::blockOf(icon));
}

TEST(HotSpot, CursorGetsItInEveryEntryAndAnIconKeepsIt) {
    TIcon icon;
    icon.AddImage(16, 16, 4);
    icon.AddImage(32, 32, 32);
    icon.markAsCursor(QPoint(5, 7));
    Bytes block = test::blockOf(icon);
    EXPECT_EQ(test::get16(block, 2), 2);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(Bytes(block.begin() + 6 + 16 * i + 4, block.begin() + 6 + 16 * i + 8),
                  (Bytes{5, 0, 7, 0}));
    icon.markAsIcon();
    block = test::blockOf(icon);
    EXPECT_EQ(test::get16(block, 2), 1);
    EXPECT_EQ(Bytes(block.begin() + 10, block.begin() + 14), (Bytes{5, 0, 7, 0}));
}

TEST(Files, SaveThenLoadGivesTheSameBlockAndAFailedSaveKeepsTheOldFile) {
    QTemporaryDir dir;
    TIcon icon;
    icon.AddImage(16, 16, 1);
    fillPattern(icon, 1);
    icon.AddImage(32, 32, 32);
    fillPattern(icon, 2);
    icon.markAsCursor(QPoint(3, 4));
    const QString path = dir.filePath(QStringLiteral("a.cur"));
    icon.SaveToFile(path);
    TIcon loaded;
    loaded.LoadFromFile(path);
    EXPECT_EQ(test::blockOf(loaded), test::blockOf(icon));
    EXPECT_EQ(loaded.CurrentIndex(), 1);

    const QString missingDir = dir.filePath(QStringLiteral("no/such/folder/b.ico"));
    try {
        icon.SaveToFile(missingDir);
        FAIL() << "saving into a missing folder succeeded";
    } catch (const EWriteError& e) {
        EXPECT_NE(std::string(e.what()).find("b.ico"), std::string::npos) << e.what();
    }
}

TEST(Files, AnUnknownExtensionOrMissingFileIsReportedAndChangesNothing) {
    QTemporaryDir dir;
    TIcon icon;
    icon.AddImage(16, 16, 4);
    const Bytes before = test::blockOf(icon);
    const QString xyz = dir.filePath(QStringLiteral("x.xyz"));
    test::writeFile(xyz, Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'});
    try {
        icon.LoadFromFile(xyz);
        FAIL();
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "Unknown picture file extension (.xyz)");
    }
    EXPECT_THROW(icon.LoadFromFile(dir.filePath(QStringLiteral("missing.ico"))), EReadError);
    EXPECT_EQ(test::blockOf(icon), before);
    EXPECT_EQ(icon.CurrentIndex(), 0);
}

TEST(Files, ABadFileLeavesTheDocumentAsItWas) {
    TIcon icon;
    icon.AddImage(16, 16, 32);
    icon.WorkBitmap().setPixel(0, 0, 0xFF00FF00);
    const Bytes before = test::blockOf(icon);
    int changes = 0;
    icon.OnChange = [&] { ++changes; };
    const Bytes bad = {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0, 0xFF, 0xFF, 0, 0, 22, 0, 0, 0};
    EXPECT_THROW(icon.LoadFromBytes(bad), EInvalidGraphic);
    EXPECT_EQ(test::blockOf(icon), before);
    EXPECT_EQ(changes, 0);
    // The working view still points at the kept block.
    EXPECT_EQ(icon.WorkBitmap().pixel(0, 0), 0xFF00FF00u);
    icon.LoadFromBytes(before);
    EXPECT_EQ(changes, 1);
}

}  // namespace
}  // namespace tarvo
