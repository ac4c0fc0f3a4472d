#include <gtest/gtest.h>

#include <random>
#include <set>
#include <utility>

#include "raster/Rasteriser.h"

namespace tarvo::raster {
namespace {

using Pixels = std::set<std::pair<int, int>>;

Pixels linePixels(QPoint a, QPoint b, const QRect& clip, bool includeEnd) {
    Pixels out;
    line(a, b, clip, includeEnd, [&](int x, int y) { out.insert({x, y}); });
    return out;
}

// From its start to its end, which is drawn only when asked for.
TEST(Line, EveryStepMovesOnePixelAlongTheMajorAxis) {
    std::mt19937 rng(5);
    const QRect clip(-50, -50, 100, 100);
    for (int i = 0; i < 500; ++i) {
        const QPoint a(int(rng() % 80) - 40, int(rng() % 80) - 40);
        QPoint b(int(rng() % 80) - 40, int(rng() % 80) - 40);
        if (i == 0) b = a;  // a one-point line
        std::vector<QPoint> order;
        line(a, b, clip, true, [&](int x, int y) { order.emplace_back(x, y); });
        ASSERT_EQ(order.front(), a);
        ASSERT_EQ(order.back(), b);
        for (size_t k = 1; k < order.size(); ++k) {
            const QPoint d = order[k] - order[k - 1];
            ASSERT_LE(std::abs(d.x()), 1);
            ASSERT_LE(std::abs(d.y()), 1);
        }
        ASSERT_EQ(int(order.size()),
                  std::max(std::abs(b.x() - a.x()), std::abs(b.y() - a.y())) + 1);
        Pixels withoutEnd;
        for (size_t k = 0; k + 1 < order.size(); ++k)
            withoutEnd.insert({order[k].x(), order[k].y()});
        ASSERT_EQ(linePixels(a, b, clip, false), withoutEnd);
    }
}

TEST(Line, ClippingKeepsExactlyThePixelsInsideAndCostsNothingOutside) {
    std::mt19937 rng(9);
    const QRect small(10, 10, 15, 12);
    const QRect big(-200, -200, 400, 400);
    for (int i = 0; i < 500; ++i) {
        const QPoint a(int(rng() % 200) - 100, int(rng() % 200) - 100);
        const QPoint b(int(rng() % 200) - 100, int(rng() % 200) - 100);
        Pixels inside;
        for (auto p : linePixels(a, b, big, false))
            if (small.contains(p.first, p.second)) inside.insert(p);
        ASSERT_EQ(linePixels(a, b, small, false), inside);
    }
    // A line across a billion pixels visits only the clip's columns.
    int visited = 0;
    line({-1000000000, 5}, {1000000000, 5}, QRect(0, 0, 10, 10), false, [&](int x, int y) {
        ++visited;
        EXPECT_TRUE(x >= 0 && x < 10 && y == 5);
    });
    EXPECT_EQ(visited, 10);
}

TEST(Rect, OutlineAndFillCoverTheirBoxes) {
    Pixels outline, fill;
    rectOutline(2, 2, 5, 5, QRect(0, 0, 10, 10), [&](int y, int x0, int x1) {
        for (int x = x0; x <= x1; ++x) EXPECT_TRUE(outline.insert({x, y}).second) << "twice";
    });
    EXPECT_EQ(outline.size(), 12u);
    for (int v = 2; v <= 5; ++v) {
        EXPECT_TRUE(outline.count({v, 2}) && outline.count({v, 5}) && outline.count({2, v}) &&
                    outline.count({5, v}));
    }
    fillRect(-5, 8, 100, 100, QRect(0, 0, 10, 10), [&](int y, int x0, int x1) {
        for (int x = x0; x <= x1; ++x) fill.insert({x, y});
    });
    EXPECT_EQ(fill.size(), 20u);  // rows 8 and 9, clipped
}

class EllipseBox : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(EllipseBox, IsSymmetricTouchesEverySideAndFillsWithoutGaps) {
    const auto [w, h] = GetParam();
    std::vector<std::string> grid(size_t(h), std::string(size_t(w), '.'));
    auto mark = [&](char c) {
        return [&grid, c](int y, int x0, int x1) {
            for (int x = x0; x <= x1; ++x) {
                ASSERT_EQ(grid[size_t(y)][size_t(x)], '.') << "covered twice";
                grid[size_t(y)][size_t(x)] = c;
            }
        };
    };
    ellipse(0, 0, w - 1, h - 1, QRect(0, 0, w, h), mark('#'), mark('o'));
    for (int y = 0; y < h; ++y) {
        const std::string& row = grid[size_t(y)];
        EXPECT_EQ(row, std::string(row.rbegin(), row.rend())) << "row " << y;
        EXPECT_EQ(row, grid[size_t(h - 1 - y)]) << "row " << y;
        // Each row is one solid run: outline, interior, outline.
        const size_t first = row.find_first_not_of('.'), last = row.find_last_not_of('.');
        ASSERT_NE(first, std::string::npos) << "empty row " << y;
        EXPECT_EQ(row.substr(first, last - first + 1).find('.'), std::string::npos);
    }
    EXPECT_NE(grid.front().find('#'), std::string::npos);
    EXPECT_NE(grid.back().find('#'), std::string::npos);
    bool left = false, right = false;
    for (const auto& row : grid) {
        left |= row.front() == '#';
        right |= row.back() == '#';
    }
    EXPECT_TRUE(left && right);
}

INSTANTIATE_TEST_SUITE_P(Sizes, EllipseBox,
                         ::testing::Values(std::pair{1, 1}, std::pair{2, 2}, std::pair{3, 3},
                                           std::pair{4, 7}, std::pair{1, 6}, std::pair{9, 2},
                                           std::pair{16, 16}, std::pair{33, 20},
                                           std::pair{255, 256}));

TEST(EllipseByCentres, TakesThePixelsWhoseCentresAreInside) {
    Pixels p;
    ellipseByCentres(QRectF(0, 0, 4, 4), QRect(0, 0, 10, 10), [&](int y, int x0, int x1) {
        for (int x = x0; x <= x1; ++x) p.insert({x, y});
    });
    // Centres (0.5, 0.5) .. (3.5, 3.5) of a circle of radius 2 round (2, 2): the corners' centres
    // lie at distance 2.12 and stay out.
    EXPECT_EQ(p.size(), 12u);
    EXPECT_FALSE(p.count({0, 0}));
    EXPECT_TRUE(p.count({1, 0}) && p.count({0, 1}) && p.count({3, 2}));
}

TEST(Polygon, AlternateRuleLeavesTheMiddleOfAStar) {
    const std::vector<QPoint> square{{0, 0}, {4, 0}, {4, 3}, {0, 3}};
    Pixels p;
    auto collect = [&](int y, int x0, int x1) {
        for (int x = x0; x <= x1; ++x) p.insert({x, y});
    };
    polygonSpans(square, QRect(0, 0, 10, 10), collect);
    EXPECT_EQ(p.size(), 12u);  // columns 0..3, rows 0..2
    p.clear();
    const std::vector<QPoint> star{{10, 0}, {16, 20}, {0, 7}, {20, 7}, {4, 20}};
    polygonSpans(star, QRect(0, 0, 21, 21), collect);
    EXPECT_FALSE(p.count({10, 10}));  // the pentagon in the middle is crossed twice
    EXPECT_TRUE(p.count({10, 3}));    // a point of the star
}

TEST(FloodRegion, FourConnectedAndIterative) {
    // A diagonal wall does not stop an 8-connected fill, but stops this one.
    const int n = 6;
    auto wall = [](int x, int y) { return x + y == 5; };
    const auto region = floodRegion(n, n, {0, 0}, [&](int x, int y) { return !wall(x, y); });
    EXPECT_TRUE(region[0]);
    EXPECT_TRUE(region[size_t(4 * n + 0)]);
    EXPECT_FALSE(region[size_t(5 * n + 5)]);
    EXPECT_FALSE(region[size_t(0 * n + 5)]);
    // A large open area and a one-pixel-wide spiral-like comb complete without recursion.
    const int big = 2048;
    const auto all = floodRegion(big, big, {0, 0}, [](int, int) { return true; });
    EXPECT_EQ(std::count(all.begin(), all.end(), 1), big * big);
    const auto comb =
        floodRegion(big, 64, {0, 0}, [](int x, int y) { return y == 0 || x % 2 == 0; });
    EXPECT_EQ(std::count(comb.begin(), comb.end(), 1), big + (big / 2) * 63);
}

}  // namespace
}  // namespace tarvo::raster
