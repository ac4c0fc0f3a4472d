#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/Icon.h"
#include "core/IconFormat.h"
#include "core/IconWriter.h"

namespace tarvo {
namespace {

using test::Bytes;

bool isPngEntry(const Bytes& file, int i) {
    const uint32_t offset = test::get32(file, 6 + 16 * size_t(i) + 12);
    return file.size() > offset + 4 && file[offset + 1] == 'P' && file[offset + 2] == 'N' &&
           file[offset + 3] == 'G';
}

Bytes written(const TIcon& icon, PngPolicy policy, const TPngOriginals* originals = nullptr) {
    return iconFileBytes(std::span(icon.ImageBlock(), icon.BlockSize()), policy, originals);
}

// A 48 x 48 and a 256 x 256 32-bit picture and a 32 x 32 8-bit one.
void fill(TIcon& icon) {
    for (auto [size, bits] : {std::pair{48, 32}, std::pair{256, 32}, std::pair{32, 8}}) {
        icon.AddImage(size, size, bits);
        if (bits == 32) icon.PasteBitmap(test::testPicture(size, size, uint32_t(size)), 0, 0);
    }
}

// Which images become PNG entries under each policy; whatever is written reads back the same;
// PNG entries read are written back byte for byte while their image is unchanged, and afresh
// once it changes.
TEST(IconWriter, PngEntriesByPolicyAndUnchangedOnesAsTheyWere) {
    TIcon icon;
    fill(icon);
    const struct {
        PngPolicy policy;
        bool png[3];
    } cases[] = {{PngPolicy::Auto, {false, true, false}},
                 {PngPolicy::All, {true, true, false}},
                 {PngPolicy::None, {false, false, false}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.policy));
        const Bytes file = written(icon, c.policy);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(isPngEntry(file, i), c.png[i]) << i;
        TIcon back;
        back.LoadFromBytes(file);
        ASSERT_EQ(back.ImageCount(), 3);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(back.imageToArgb(i), icon.imageToArgb(i)) << i;
        // Again, unchanged: the very same file, under the policy it was written with or auto.
        EXPECT_EQ(written(back, c.policy, &back.PngOriginals), file);
        if (c.policy == PngPolicy::All) {
            EXPECT_EQ(written(back, PngPolicy::Auto, &back.PngOriginals), file);
        }
        // A changed image is encoded afresh, and reads back changed.
        back.SelectImage(1);
        back.WorkBitmap().setPixel(7, 7, 0x80123456);
        const Bytes edited = written(back, c.policy, &back.PngOriginals);
        TIcon reread;
        reread.LoadFromBytes(edited);
        reread.SelectImage(1);
        EXPECT_EQ(reread.GetPixelValue(7, 7), 0x80123456u);
    }
}

// A 32-bit bitmap's mask, as written, is set exactly where alpha is 0, whatever the document's
// mask says; the document itself is left as it is.
TEST(IconWriter, TheMaskOfATrueColourBitmapFollowsItsAlpha) {
    TIcon icon;
    icon.AddImage(37, 5, 32);  // every mask bit set, every pixel clear
    for (int x = 0; x < 37; x += 3) icon.WorkBitmap().setPixel(x, x % 5, 0x01FFFFFF + (x << 24));
    const Bytes block(icon.ImageBlock(), icon.ImageBlock() + icon.BlockSize());
    const Bytes file = written(icon, PngPolicy::None);
    EXPECT_EQ(Bytes(icon.ImageBlock(), icon.ImageBlock() + icon.BlockSize()), block);
    const uint32_t offset = test::get32(file, 6 + 12);
    const size_t maskRow = 8, mask = offset + 40 + 37 * 5 * 4;
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 37; ++x) {
            const bool set = file[mask + size_t(y) * maskRow + size_t(x / 8)] & (0x80 >> (x % 8));
            const int row = 4 - y;  // rows are stored bottom-up
            EXPECT_EQ(set, qAlpha(icon.WorkBitmap().pixel(x, row)) == 0) << x << "," << row;
        }
    }
}

}  // namespace
}  // namespace tarvo
