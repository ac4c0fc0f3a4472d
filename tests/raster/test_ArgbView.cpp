#include <gtest/gtest.h>

#include <QPainter>
#include <vector>

#include "raster/ArgbView.h"

namespace tarvo {
namespace {

TEST(ArgbView, TopRowIsTheLastRowInMemory) {
    std::vector<QRgb> rows(3 * 2, 0);
    ArgbView view(reinterpret_cast<uchar*>(rows.data()), 3, 2);
    view.setPixel(0, 0, 0x11223344);
    view.setPixel(2, 1, 0x55667788);
    EXPECT_EQ(rows[3 + 0], 0x11223344u);  // memory row 1 is the top row
    EXPECT_EQ(rows[2], 0x55667788u);
    EXPECT_EQ(view.toImage().pixel(0, 0), 0x11223344u);
}

TEST(ArgbView, PaintingThroughTheTransformWritesInPlaceTopDown) {
    std::vector<QRgb> rows(4 * 4, 0);
    ArgbView view(reinterpret_cast<uchar*>(rows.data()), 4, 4);
    {
        QImage target = view.bottomUpImage();
        QPainter p(&target);
        p.setTransform(view.paintTransform());
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(QRect(0, 0, 4, 1), QColor::fromRgba(0x80FF0000));  // the top row
    }
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(view.pixel(x, 0), 0x80FF0000u);
        EXPECT_EQ(rows[12 + x], 0x80FF0000u);
        EXPECT_EQ(view.pixel(x, 3), 0u);
    }
}

TEST(ArgbView, RefusesMisalignedRows) {
    alignas(4) uchar bytes[64] = {};
    EXPECT_THROW(ArgbView(bytes + 2, 2, 2), std::invalid_argument);
}

}  // namespace
}  // namespace tarvo
