#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/PixelFormats.h"
#include "raster/ColorMatch.h"
#include "raster/Halftone.h"

namespace tarvo {
namespace {

// The cached mapping must give exactly what a scan of the whole table gives, ties included.
void expectSameAsScan(const std::vector<QRgb>& table, uint32_t seed) {
    NearestColorTable nearest(table);
    std::mt19937 rng(seed);
    for (int i = 0; i < 20000; ++i) {
        const QRgb c = rng() | 0xFF000000u;
        ASSERT_EQ(nearest.indexOf(c), nearestColorIndexSlow(table, c)) << std::hex << c;
        // Asked again, the remembered answer must be the same.
        ASSERT_EQ(nearest.indexOf(c), nearestColorIndexSlow(table, c)) << std::hex << c;
    }
    for (QRgb c : table) ASSERT_EQ(nearest.indexOf(c), nearestColorIndexSlow(table, c));
}

TEST(NearestColor, MatchesFullScanOnTheStandardTablesAndOnesWithDuplicatesAndClusters) {
    const auto& h = halftonePalette();
    expectSameAsScan(std::vector<QRgb>(h.begin(), h.end()), 1);
    const auto& t4 = defaultTable4();
    expectSameAsScan(std::vector<QRgb>(t4.begin(), t4.end()), 2);
    expectSameAsScan({qRgb(0, 0, 0), qRgb(255, 255, 255)}, 3);
    // Colours packed in a corner of the cube, with many exact duplicates.
    std::mt19937 rng(7);
    std::vector<QRgb> table;
    for (int i = 0; i < 256; ++i)
        table.push_back(qRgb(int(rng() % 40), int(rng() % 40), int(rng() % 3) * 100));
    expectSameAsScan(table, 11);
}

TEST(NearestColor, TieGoesToTheLowestIndex) {
    // (10, 0, 0) is 10 away from both entries 1 and 2; entry 0 is a decoy far away.
    const std::vector<QRgb> table = {qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(20, 0, 0),
                                     qRgb(0, 0, 0)};
    NearestColorTable nearest(table);
    EXPECT_EQ(nearest.indexOf(qRgb(10, 0, 0)), 1);
    EXPECT_EQ(nearest.indexOf(qRgb(0, 0, 0)), 1);  // duplicate of entry 3: the lower index wins
}

TEST(Halftone, HasTheDocumentedLayout) {
    const auto& h = halftonePalette();
    EXPECT_EQ(h[0], qRgb(0, 0, 0));
    EXPECT_EQ(h[7], qRgb(192, 192, 192));
    EXPECT_EQ(h[10 + 1], qRgb(51, 0, 0));   // red varies fastest in the cube
    EXPECT_EQ(h[10 + 36], qRgb(0, 0, 51));  // blue slowest
    EXPECT_EQ(h[226], qRgb(12, 12, 12));    // first grey
    EXPECT_EQ(h[249], qRgb(255, 0, 0));
    EXPECT_EQ(h[255], qRgb(255, 255, 255));
}

}  // namespace
}  // namespace tarvo
