#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/Icon.h"
#include "editor/UndoHistory.h"
#include "raster/Errors.h"

namespace tarvo {
namespace {

using test::Bytes;

std::unique_ptr<TUndo> entryOf(const TIcon& icon) {
    auto e = std::make_unique<TUndo>();
    e->SetData(icon.CurrentImageData());
    return e;
}

TEST(UndoStack, SmallEditsCostLittleMemory) {
    TIcon icon;
    icon.AddImage(256, 256, 32);
    icon.PasteBitmap(test::testPicture(256, 256), 0, 0);
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

TEST(CurrentImageData, WritesBackOnlyBytesOfTheSameFormat) {
    TIcon icon;
    icon.AddImage(16, 16, 8);
    const Bytes before = test::currentBytes(icon);
    icon.SetPixelValue(3, 3, 0x0000FF);
    icon.SetCurrentImageData(before);
    EXPECT_EQ(test::currentBytes(icon), before);
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
