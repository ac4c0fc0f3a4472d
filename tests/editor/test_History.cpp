#include <gtest/gtest.h>

#include <random>

#include "TestSupport.h"
#include "core/Icon.h"
#include "editor/UndoHistory.h"
#include "raster/Errors.h"

namespace tarvo {
namespace {

using test::Bytes;

Bytes current(const TIcon& icon) {
    const auto data = icon.CurrentImageData();
    return {data.begin(), data.end()};
}

std::unique_ptr<TUndo> entryOf(const TIcon& icon) {
    auto e = std::make_unique<TUndo>();
    e->SetData(icon.CurrentImageData());
    return e;
}

// A stack packs every entry but the top against its neighbour; whatever goes in must come out
// byte for byte, across format changes too, and interleaved pushes and pops must not disturb
// the entries below.
TEST(UndoStack, EntriesComeOutAsTheyWentIn) {
    for (int bits : {1, 4, 8, 24, 32}) {
        SCOPED_TRACE(bits);
        TIcon icon;
        icon.AddImage(33, 17, bits);
        std::mt19937 random(7);
        TUndoStack stack;
        std::vector<Bytes> pushed;
        for (int step = 0; step < 12; ++step) {
            if (step == 6) icon.ChangeFormat(20, 20, bits == 32 ? 8 : 32);
            pushed.push_back(current(icon));
            stack.push(entryOf(icon));
            const bool argb = icon.BitCount() == 32;
            const uint32_t colour = argb ? 0xFF000000u | random() : random() & 0xFFFFFF;
            if (argb) icon.BeginStroke();
            icon.MoveTo(int(random() % 20), int(random() % 17));
            icon.LineTo(int(random() % 20), int(random() % 17), colour);
            if (argb) icon.EndStroke();
            if (step == 9) {  // a pop and a push in the middle of the sequence
                EXPECT_EQ(stack.pop()->Data(), pushed.back());
                pushed.pop_back();
            }
        }
        EXPECT_EQ(stack.size(), pushed.size());
        EXPECT_EQ(stack.top().Data(), pushed.back());
        while (!stack.empty()) {
            EXPECT_EQ(stack.pop()->Data(), pushed.back());
            pushed.pop_back();
        }
        EXPECT_EQ(stack.pop(), nullptr);
    }
}

TEST(UndoStack, SmallEditsCostLittleMemory) {
    TIcon icon;
    icon.AddImage(256, 256, 32);
    const QImage picture = test::testPicture(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) icon.WorkBitmap().setPixel(x, y, picture.pixel(x, y));
    const size_t raw = icon.CurrentImageData().size();
    TUndoStack stack;
    for (int i = 0; i < 100; ++i) {
        stack.push(entryOf(icon));
        icon.BeginStroke();
        icon.MoveTo(i, 0);
        icon.LineTo(i, 40, 0xFF112233);
        icon.EndStroke();
    }
    // The top is kept whole; the 99 below it hold only their differences.
    EXPECT_LT(stack.memoryBytes(), raw + 99 * 4096);
}

TEST(UndoStack, TheSelectionTravelsWithItsEntry) {
    TIcon icon;
    icon.AddImage(8, 8, 4);
    auto e = entryOf(icon);
    auto selection = std::make_unique<TIcon>();
    selection->AddImage(3, 2, 4);
    e->SetSelection(std::move(selection));
    e->SelRect = {1, 1, 4, 3};
    TUndoStack stack;
    stack.push(std::move(e));
    stack.push(entryOf(icon));
    stack.pop();
    const auto back = stack.pop();
    ASSERT_TRUE(back->Selection);
    EXPECT_EQ(back->Selection->GetSize(), QSize(3, 2));
    EXPECT_EQ(back->SelRect, (TRect{1, 1, 4, 3}));
}

TEST(CurrentImageData, WritesBackOnlyBytesOfTheSameFormat) {
    TIcon icon;
    icon.AddImage(16, 16, 8);
    const Bytes before = current(icon);
    icon.SetPixelValue(3, 3, 0x0000FF);
    icon.SetCurrentImageData(before);
    EXPECT_EQ(current(icon), before);
    EXPECT_NE(icon.GetPixelValue(3, 3), 0x0000FFu);  // the planes were rebuilt
    TIcon other;
    other.AddImage(16, 16, 8);
    other.AddImage(20, 16, 32);  // 1384 bytes too, but another format
    ASSERT_EQ(other.CurrentImageData().size(), before.size());
    EXPECT_THROW(other.SetCurrentImageData(before), TError);
    EXPECT_THROW(other.SetCurrentImageData(std::span(before).first(100)), TError);
}

}  // namespace
}  // namespace tarvo
