#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <string>

#include "TestSupport.h"
#include "core/PixelFormats.h"
#include "raster/Errors.h"
#include "raster/Planes.h"

namespace tarvo {
namespace {

using test::Bytes;
using Grid = std::vector<std::string>;

// Colour values (0x00BBGGRR) used as fill colours.
constexpr uint32_t kWhiteV = 0xFFFFFF, kRedV = 0x0000FF, kGreenV = 0x00FF00, kBlueV = 0xFF0000;

// Grid letters: opaque K black, W white, R red, G green, B blue, Y yellow (all in the default
// 4-bit and the 8-bit tables); '.' transparent, '~' inverse (32-bit: '.' is ARGB 0, '~' white).
const std::string kLetters = "KWRGBY";
constexpr QRgb kLetterColors[] = {0xFF000000u, 0xFFFFFFFFu, 0xFFFF0000u,
                                  0xFF00FF00u, 0xFF0000FFu, 0xFFFFFF00u};

QRgb letterColor(char c) {
    const size_t i = kLetters.find(c == '~' ? 'W' : c);
    return i == std::string::npos ? kLetterColors[0] : kLetterColors[i];
}

void commit(TIcon& icon) {
    icon.StoreImage();
    icon.SelectImage(icon.CurrentIndex());
}

std::unique_ptr<TIcon> makeIcon(int bits, const Grid& rows) {
    auto icon = std::make_unique<TIcon>();
    icon->AddImage(int(rows[0].size()), int(rows.size()), bits);
    for (int y = 0; y < int(rows.size()); ++y)
        for (int x = 0; x < int(rows[0].size()); ++x) {
            const char c = rows[size_t(y)][size_t(x)];
            if (bits == 32) {
                icon->WorkBitmap().setPixel(x, y, c == '.' ? 0u : letterColor(c));
            } else {
                reinterpret_cast<QRgb*>(icon->ColorBitmap().scanLine(y))[x] = letterColor(c);
                icon->MaskBitmap().scanLine(y)[x] = c == '.' || c == '~' ? kMaskSet : kMaskClear;
            }
        }
    commit(*icon);
    return icon;
}

// The current image as grid letters; '?' for anything else.
Grid gridOf(TIcon& icon) {
    Grid out;
    for (int y = 0; y < icon.GetSize().height(); ++y) {
        std::string row;
        for (int x = 0; x < icon.GetSize().width(); ++x) {
            const bool argb = icon.BitCount() == 32;
            const QRgb c = argb ? icon.WorkBitmap().pixel(x, y) : icon.ColorBitmap().pixel(x, y);
            const bool masked = argb ? c == 0 : icon.MaskBitmap().constScanLine(y)[x] == kMaskSet;
            const auto known = std::find(std::begin(kLetterColors), std::end(kLetterColors), c);
            if (masked) {
                row += c == 0 || c == 0xFF000000u ? '.' : c == 0xFFFFFFFFu ? '~' : '?';
            } else {
                row += known == std::end(kLetterColors) ? '?'
                                                        : kLetters[size_t(known - kLetterColors)];
            }
        }
        out.push_back(row);
    }
    return out;
}

Grid replaced(Grid rows, char from, char to) {
    for (auto& row : rows) std::replace(row.begin(), row.end(), from, to);
    return rows;
}

// ---- FloodFill -------------------------------------------------------------------------------

TEST(FloodFill32, FillsTheFourConnectedRegionOfTheExactArgbValue) {
    auto icon = makeIcon(32, {"RRK.", "RKRR", "RRKR"});
    icon->WorkBitmap().setPixel(1, 2, 0x80FF0000u);  // red at another alpha: another colour
    icon->FloodFill(0, 0, 0xFF00FF00u);
    EXPECT_EQ(gridOf(*icon), (Grid{"GGK.", "GKRR", "G?KR"}));
    EXPECT_EQ(icon->WorkBitmap().pixel(1, 2), 0x80FF0000u);
}

TEST(FloodFill32, TranslucentBlendsOnceAlphaZeroIsWrittenAsIsSameColourIsNoChange) {
    auto icon = makeIcon(32, {"RRK", "RRK"});
    for (int i = 0; i < 4; ++i) icon->WorkBitmap().setPixel(i % 2, i / 2, 0x80FF0000u);
    icon->FloodFill(0, 0, 0x800000FFu);
    // Source-over by hand: alpha .502 + .502 * .498 = .752 (192); red 255 * .502 * .498 / .752
    // (85); blue 255 * .502 / .752 (170).
    const QRgb c = icon->WorkBitmap().pixel(1, 1);
    EXPECT_TRUE(std::abs(qAlpha(c) - 192) <= 1 && std::abs(qRed(c) - 85) <= 1 && qGreen(c) == 0 &&
                std::abs(qBlue(c) - 170) <= 1)
        << std::hex << c;
    EXPECT_EQ(icon->WorkBitmap().pixel(0, 0), c);
    EXPECT_EQ(icon->WorkBitmap().pixel(2, 1), 0xFF000000u);

    const Bytes before = test::blockOf(*icon);
    icon->FloodFill(1, 1, icon->WorkBitmap().pixel(1, 1));
    EXPECT_EQ(test::blockOf(*icon), before);

    icon->FloodFill(2, 0, 0x00123456u);
    EXPECT_EQ(icon->WorkBitmap().pixel(2, 0), 0x00123456u);
    EXPECT_EQ(icon->WorkBitmap().pixel(2, 1), 0x00123456u);
    EXPECT_NE(icon->WorkBitmap().pixel(1, 0), 0x00123456u);
}

TEST(FloodFill32, A256SquareOfOneColourFillsCompletely) {
    TIcon icon;
    icon.AddImage(256, 256, 32);
    icon.FloodFill(200, 17, 0xFF336699u);
    int filled = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) filled += icon.WorkBitmap().pixel(x, y) == 0xFF336699u;
    EXPECT_EQ(filled, 256 * 256);
}

class PalettedFill : public ::testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(Depths, PalettedFill, ::testing::Values(4, 8, 24));

TEST_P(PalettedFill, ColouredAreaBecomesTransparentOrInverse) {
    const Grid start{"GGB.", "GBGG", "GGR~"};
    auto icon = makeIcon(GetParam(), start);
    icon->FloodFill(1, 0, Transparent);
    EXPECT_EQ(gridOf(*icon), (Grid{"..B.", ".BGG", "..R~"}));
    icon = makeIcon(GetParam(), start);
    icon->FloodFill(0, 2, Inverse);
    EXPECT_EQ(gridOf(*icon), (Grid{"~~B.", "~BGG", "~~R~"}));
}

TEST_P(PalettedFill, BlackOrWhiteAreaToTransparentOrInverseTakesTouchingRedAlong) {
    // S: the start colour. Red touching the S area, and red touching that red, goes with it.
    const Grid start{"SSRGR", "~SGGR", "RRGSS", "G.GGR"};
    for (const auto& [s, v] : {std::pair{'K', Transparent}, std::pair{'W', Inverse},
                               std::pair{'K', Inverse}, std::pair{'W', Transparent}}) {
        auto icon = makeIcon(GetParam(), replaced(start, 'S', s));
        icon->FloodFill(0, 0, v);
        const Grid expected = replaced({"XXXGR", "~XGGR", "XXGSS", "G.GGR"}, 'S', s);
        EXPECT_EQ(gridOf(*icon), replaced(expected, 'X', v == Transparent ? '.' : '~')) << s;
    }
}

TEST_P(PalettedFill, BlackOrWhiteAreaTakesAColourButNotTheMaskedPixelsNextToIt) {
    // M: masked pixels whose colour plane has the start colour (transparent on black, inverse
    // on white); the S pixels beyond them are not reached.
    for (const auto& [s, m] : {std::pair{'K', '.'}, std::pair{'W', '~'}}) {
        auto icon =
            makeIcon(GetParam(), replaced(replaced({"SSMR", "SMSS", "SSRS"}, 'S', s), 'M', m));
        icon->FloodFill(0, 1, kGreenV);
        EXPECT_EQ(gridOf(*icon), replaced(replaced({"GGMR", "GMSS", "GGRS"}, 'S', s), 'M', m)) << s;
    }
}

TEST_P(PalettedFill, MaskedStartFillsItsOwnKindAndAnOpaqueColourClearsTheWholeMaskedArea) {
    const Grid start{"..~R.", ".~~.R", "R.R.R"};
    auto icon = makeIcon(GetParam(), start);
    icon->FloodFill(0, 0, Inverse);  // only the transparent pixels joined to the start
    EXPECT_EQ(gridOf(*icon), (Grid{"~~~R.", "~~~.R", "R.R.R"}));
    icon = makeIcon(GetParam(), start);
    icon->FloodFill(1, 1, Transparent);
    EXPECT_EQ(gridOf(*icon), (Grid{"...R.", "....R", "R.R.R"}));
    // Opaque: the start's kind gets the colour, every other joined masked pixel shows its plane.
    icon = makeIcon(GetParam(), start);
    icon->FloodFill(0, 1, kGreenV);
    EXPECT_EQ(gridOf(*icon), (Grid{"GGWR.", "GWWKR", "RKRKR"}));
    icon = makeIcon(GetParam(), start);
    icon->FloodFill(2, 0, kBlueV);
    EXPECT_EQ(gridOf(*icon), (Grid{"KKBR.", "KBBKR", "RKRKR"}));
}

TEST_P(PalettedFill, OpaqueColouredAreaTakesAnOpaqueColourWithoutDiagonals) {
    auto icon = makeIcon(GetParam(), {"GGR", "RRG", "G.G", "GGK"});
    icon->FloodFill(0, 0, kBlueV);
    EXPECT_EQ(gridOf(*icon), (Grid{"BBR", "RRG", "G.G", "GGK"}));
    icon->FloodFill(0, 2, kWhiteV);
    EXPECT_EQ(gridOf(*icon), (Grid{"BBR", "RRG", "W.G", "WWK"}));
    icon->FloodFill(2, 3, kRedV);
    EXPECT_EQ(gridOf(*icon), (Grid{"BBR", "RRG", "W.G", "WWR"}));
}

TEST(PalettedFill4, AColourOutsideTheTableShowsTheNearestEntry) {
    auto icon = makeIcon(4, {"KKK", "KKK"});
    icon->FloodFill(1, 1, 0xD228C8u);  // (200, 40, 210): nearest default entry is magenta
    EXPECT_EQ(icon->ColorBitmap().pixel(2, 0), 0xFFFF00FFu);
    EXPECT_EQ(icon->GetPixelValue(0, 1), 0xFF00FFu);
}

// ---- Erasing ---------------------------------------------------------------------------------

class Erase : public ::testing::TestWithParam<int> {
  protected:
    std::unique_ptr<TIcon> opaque(int w, int h) {
        return makeIcon(GetParam(), Grid(size_t(h), std::string(size_t(w), 'G')));
    }
};
INSTANTIATE_TEST_SUITE_P(Depths, Erase, ::testing::Values(4, 24, 32));

TEST_P(Erase, PolygonCoversItsInsideByTheEvenOddRule) {
    auto icon = opaque(12, 10);
    const std::array<QPoint, 4> box{QPoint(2, 2), QPoint(8, 2), QPoint(8, 7), QPoint(2, 7)};
    icon->ErasePolygon(box);
    // Pixels strictly inside are erased, those beyond the outline stay; the outline may go.
    Grid got = gridOf(*icon);
    for (size_t i = 2; i <= 8; ++i) got[2][i] = got[7][i] = '*';  // top and bottom edges
    for (size_t i = 3; i <= 6; ++i) got[i][2] = got[i][8] = '*';  // left and right edges
    EXPECT_EQ(got, (Grid{"GGGGGGGGGGGG", "GGGGGGGGGGGG", "GG*******GGG", "GG*.....*GGG",
                         "GG*.....*GGG", "GG*.....*GGG", "GG*.....*GGG", "GG*******GGG",
                         "GGGGGGGGGGGG", "GGGGGGGGGGGG"}));
    // A pentagram's centre is enclosed twice: outside by the even-odd rule. Its tips are inside.
    icon = opaque(64, 64);
    std::vector<QPoint> star;
    for (int k = 0; k < 5; ++k) {
        const double a = -std::numbers::pi / 2 + (k * 2 % 5) * 2 * std::numbers::pi / 5;
        star.emplace_back(int(std::lround(32 + 28 * std::cos(a))),
                          int(std::lround(32 + 28 * std::sin(a))));
    }
    icon->ErasePolygon(star);
    const Grid after = gridOf(*icon);
    EXPECT_EQ(after[32][32], 'G');
    EXPECT_EQ(after[14][32], '.');  // in the top tip
    EXPECT_EQ(after[1][1], 'G');
}

TEST_P(Erase, EllipseStaysInItsBoxAndTouchesEverySide) {
    for (const QRect& r : {QRect(3, 5, 10, 7), QRect(0, 0, 5, 4), QRect(6, 2, 9, 13)}) {
        auto icon = opaque(20, 20);
        icon->EraseEllipse(r);
        const Grid after = gridOf(*icon);
        QRect erased;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                ASSERT_TRUE(after[size_t(y)][size_t(x)] == '.' ||
                            after[size_t(y)][size_t(x)] == 'G');
                if (after[size_t(y)][size_t(x)] == '.') erased |= QRect(x, y, 1, 1);
            }
        if (GetParam() != 32) {
            EXPECT_EQ(erased, r);
        }
        EXPECT_TRUE(r.contains(erased)) << erased.x() << "," << erased.y();
        EXPECT_EQ(after[size_t(r.center().y())][size_t(r.center().x())], '.');
        EXPECT_EQ(after[size_t(r.top())][size_t(r.left())], 'G');
        EXPECT_EQ(after[size_t(r.bottom())][size_t(r.right())], 'G');
    }
}

TEST_P(Erase, MaskErasesExactlyItsSetPixels) {
    auto icon = opaque(13, 9);
    QImage bits = createMaskPlane(13, 9);
    std::mt19937 random(7);
    Grid expected(9, std::string(13, 'G'));
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 13; ++x)
            if (random() % 3 == 0) {
                bits.scanLine(y)[x] = kMaskSet;
                expected[size_t(y)][size_t(x)] = '.';
            }
    icon->EraseMasked(bits);
    EXPECT_EQ(gridOf(*icon), expected);
}

// ---- ExtractRect -----------------------------------------------------------------------------

TEST(ExtractRect, CopiesTheRectangleAndCutLeavesItEmpty) {
    for (int bits : {24, 32}) {
        auto icon = makeIcon(bits, {"RGBYK", "GB.~W", "BYKRG", "YKRGB"});
        const Bytes before = test::blockOf(*icon);
        auto part = icon->ExtractRect(QRect(1, 1, 3, 2), false);
        EXPECT_EQ(test::blockOf(*icon), before);
        ASSERT_EQ(part->ImageCount(), 1);
        EXPECT_EQ(part->BitCount(), bits);
        EXPECT_EQ(gridOf(*part), (Grid{bits == 32 ? "B.W" : "B.~", "YKR"}));

        part = icon->ExtractRect(QRect(3, 2, 2, 2), true);
        EXPECT_EQ(gridOf(*part), (Grid{"RG", "GB"}));
        EXPECT_EQ(gridOf(*icon), (Grid{"RGBYK", bits == 32 ? "GB.WW" : "GB.~W", "BYK..", "YKR.."}));
    }
}

TEST(ExtractRect, FourBitIsMappedToTheDefaultTableAndEightBitKeepsItsOwn) {
    auto four = makeIcon(4, {"RRG", "RRG"});
    uint8_t* red = four->ColorTable() + 4 * 9;  // entry 9 (red) becomes (10, 200, 30)
    red[0] = 30, red[1] = 200, red[2] = 10;
    four->SelectImage(0);
    ASSERT_EQ(four->ColorBitmap().pixel(0, 0), qRgb(10, 200, 30));
    auto part = four->ExtractRect(QRect(0, 0, 2, 2), false);
    EXPECT_EQ(part->ColorBitmap().pixel(1, 1), qRgb(0, 255, 0));
    const uint8_t defaultRed[4] = {0, 0, 255, 0};
    EXPECT_TRUE(std::equal(defaultRed, defaultRed + 4, part->ColorTable() + 4 * 9));

    TIcon eight;
    eight.AddImage(3, 2, 8);
    uint8_t* table = eight.ColorTable();
    table[4 * 7 + 0] = 3, table[4 * 7 + 1] = 2, table[4 * 7 + 2] = 1;  // entry 7: (1, 2, 3)
    eight.SelectImage(0);
    eight.ColorBitmap().fill(qRgb(1, 2, 3));
    eight.MaskBitmap().fill(kMaskClear);
    commit(eight);
    part = eight.ExtractRect(QRect(1, 0, 2, 2), false);
    EXPECT_TRUE(std::equal(table, table + 1024, part->ColorTable()));
    EXPECT_EQ(part->ColorBitmap().pixel(1, 1), qRgb(1, 2, 3));
}

TEST(ExtractRect, OutsideTheImageIsTransparentAndAnEmptyRectangleThrows) {
    for (int bits : {8, 32}) {
        auto icon = makeIcon(bits, {"RGB", "YKB"});
        auto part = icon->ExtractRect(QRect(-2, -1, 4, 2), true);
        EXPECT_EQ(gridOf(*part), (Grid{"....", "..RG"}));
        EXPECT_EQ(gridOf(*icon), (Grid{"..B", "YKB"}));
        const Bytes before = test::blockOf(*icon);
        EXPECT_THROW(icon->ExtractRect(QRect(0, 0, 0, 2), true), TError);
        EXPECT_THROW(icon->ExtractRect(QRect(0, 1, 2, 0), true), TError);
        EXPECT_THROW(icon->ExtractRect(QRect(2, 2, -2, 2), true), TError);
        EXPECT_EQ(test::blockOf(*icon), before);
    }
}

// ---- Pasting ---------------------------------------------------------------------------------

QImage patternBitmap(int w, int h, QImage::Format format) {
    QImage image(w, h, format);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgba(x * 20, y * 20, 90, 16 + x * 7 + y));
    return image;
}

TEST(PasteBitmap, PalettedGetsTheCoveredCornerOpaque) {
    TIcon icon;
    icon.AddImage(16, 12, 24);
    icon.PasteBitmap(patternBitmap(10, 10, QImage::Format_RGB32), -2, -2);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool covered = x < 8 && y < 8;
            EXPECT_EQ(icon.GetPixelValue(x, y),
                      covered ? uint32_t((x + 2) * 20 | (y + 2) * 20 << 8 | 90 << 16) : Transparent)
                << x << "," << y;
        }
}

TEST(PasteBitmap, ThirtyTwoBitCopiesAlphaOrMakesOpaque) {
    auto icon = makeIcon(32, {"RRRR", "RRRR", "RRRR"});
    icon->PasteBitmap(patternBitmap(2, 2, QImage::Format_ARGB32), 1, 0);
    icon->PasteBitmap(patternBitmap(2, 2, QImage::Format_RGB32), 2, 2);
    EXPECT_EQ(icon->WorkBitmap().pixel(1, 0), qRgba(0, 0, 90, 16));
    EXPECT_EQ(icon->WorkBitmap().pixel(2, 1), qRgba(20, 20, 90, 24));
    EXPECT_EQ(icon->WorkBitmap().pixel(3, 2), qRgb(20, 0, 90));
    EXPECT_EQ(icon->WorkBitmap().pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(icon->WorkBitmap().pixel(3, 0), 0xFFFF0000u);
}

TEST(PasteIcon, PalettedSourceIntoThirtyTwoBitShowsTransparentAsBlack) {
    auto source = makeIcon(24, {"R.", "GB"});
    auto icon = makeIcon(32, {"YYY", "YYY"});
    icon->PasteIcon(*source, QRect(1, 0, 2, 2));
    EXPECT_EQ(gridOf(*icon), (Grid{"YRK", "YGB"}));
}

TEST(PasteIcon, IntoPalettedOpaqueReplacesTransparentKeepsInverseInverts) {
    auto source = makeIcon(24, {"R.~", "R.~"});
    auto icon = makeIcon(24, {"GGG", "..."});
    icon->ColorBitmap().setPixel(2, 0, qRgb(10, 200, 30));
    commit(*icon);
    icon->PasteIcon(*source, QRect(0, 0, 3, 2));
    EXPECT_EQ(gridOf(*icon), (Grid{"RG?", "R.~"}));
    EXPECT_EQ(icon->GetPixelValue(2, 0), 0xE137F5u);  // (245, 55, 225)

    auto argb = makeIcon(32, {"B.", "RR"});
    argb->WorkBitmap().setPixel(1, 0, 0x00FF00FFu);  // alpha 0 with a colour
    icon = makeIcon(8, {"GG", ".~"});
    icon->PasteIcon(*argb, QRect(0, 0, 2, 2));
    EXPECT_EQ(gridOf(*icon), (Grid{"BG", "RR"}));
}

TEST(PasteIcon, StretchingMakesBlocksAndLeavesTheRest) {
    auto source = makeIcon(24, {"RG", "BY"});
    auto icon = makeIcon(24, Grid(6, "KKKKKK"));
    icon->PasteIcon(*source, QRect(1, 1, 4, 4));
    EXPECT_EQ(gridOf(*icon), (Grid{"KKKKKK", "KRRGGK", "KRRGGK", "KBBYYK", "KBBYYK", "KKKKKK"}));
}

// ---- CreateImageBitmap -----------------------------------------------------------------------

TEST(CreateImageBitmap, GivesArgbOrTheImagesOwnTableAndIndices) {
    auto argb = makeIcon(32, {"RG"});
    argb->WorkBitmap().setPixel(1, 0, 0x4080C0E0u);
    const QImage plain = argb->CreateImageBitmap();
    EXPECT_EQ(plain.pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(plain.pixel(1, 0), 0x4080C0E0u);

    auto icon = makeIcon(4, {"R.~GY"});
    uint8_t* table = icon->ColorTable();
    table[4 * 5 + 0] = 3, table[4 * 5 + 1] = 2, table[4 * 5 + 2] = 1;  // entry 5: (1, 2, 3)
    icon->SelectImage(0);
    icon->ColorBitmap().setPixel(4, 0, qRgb(1, 2, 3));
    commit(*icon);
    const QImage bitmap = icon->CreateImageBitmap();
    ASSERT_EQ(bitmap.format(), QImage::Format_Indexed8);
    const QList<QRgb> expected{0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000,
                               0xFF000080, 0xFF010203, 0xFF008080, 0xFF808080,
                               0xFFC0C0C0, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00,
                               0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF};
    EXPECT_EQ(bitmap.colorTable(), expected);
    const int indices[] = {9, 0, 15, 10, 5};
    for (int x = 0; x < 5; ++x) EXPECT_EQ(bitmap.pixelIndex(x, 0), indices[x]) << x;
}

// ---- Bad input -------------------------------------------------------------------------------

TEST(BadInput, FarCoordinatesChangeNothingAndHugeShapesAreClipped) {
    for (int bits : {8, 32}) {
        auto icon = makeIcon(bits, {"RGBY", "YBGR", "RRGG"});
        auto source = makeIcon(bits, {"KW", "BY"});
        const Bytes before = test::blockOf(*icon);
        const int far = 1000000000;
        icon->FloodFill(-1, 0, kBlueV);
        icon->FloodFill(far, far, kBlueV);
        icon->FloodFill(0, -far, kBlueV);
        const std::array<QPoint, 3> away{QPoint(far, 0), QPoint(far, far), QPoint(far - 9, 5)};
        icon->ErasePolygon(away);
        icon->EraseEllipse(QRect(far, far, 50, 50));
        icon->EraseEllipse(QRect(-far, 1, 100, 2));
        icon->PasteBitmap(patternBitmap(3, 3, QImage::Format_RGB32), far, -far);
        icon->PasteIcon(*source, QRect(far, 0, 4, 4));
        auto part = icon->ExtractRect(QRect(-far, far, 3, 2), true);
        EXPECT_EQ(gridOf(*part), (Grid{"...", "..."}));
        EXPECT_EQ(test::blockOf(*icon), before);

        icon->PasteIcon(*source, QRect(-far, -far, 2 * far, 2 * far));  // all from its (1, 1)
        EXPECT_EQ(gridOf(*icon), (Grid{"YYYY", "YYYY", "YYYY"}));
        const std::array<QPoint, 3> huge{QPoint(-far, -far), QPoint(far, -far), QPoint(0, far)};
        icon->ErasePolygon(huge);
        EXPECT_EQ(gridOf(*icon), (Grid{"....", "....", "...."}));
    }
}

TEST(BadInput, WithoutAnImageNothingHappens) {
    TIcon empty, source;
    source.AddImage(2, 2, 24);
    const std::array<QPoint, 3> triangle{QPoint(0, 0), QPoint(5, 0), QPoint(0, 5)};
    EXPECT_DEBUG_DEATH(empty.FloodFill(0, 0, kRedV), "");
    EXPECT_DEBUG_DEATH(empty.ErasePolygon(triangle), "");
    EXPECT_DEBUG_DEATH(empty.EraseEllipse(QRect(0, 0, 4, 4)), "");
    EXPECT_DEBUG_DEATH(empty.EraseMasked(createMaskPlane(4, 4, kMaskSet)), "");
    std::unique_ptr<TIcon> part;
    EXPECT_DEBUG_DEATH(part = empty.ExtractRect(QRect(0, 0, 2, 2), true), "");
    EXPECT_DEBUG_DEATH(empty.PasteBitmap(patternBitmap(2, 2, QImage::Format_RGB32), 0, 0), "");
    EXPECT_DEBUG_DEATH(empty.PasteIcon(source, QRect(0, 0, 2, 2)), "");
    EXPECT_DEBUG_DEATH(source.PasteIcon(empty, QRect(0, 0, 2, 2)), "");
    QImage bitmap(1, 1, QImage::Format_RGB32);
    EXPECT_DEBUG_DEATH(bitmap = empty.CreateImageBitmap(), "");
#ifdef NDEBUG
    EXPECT_EQ(part, nullptr);
    EXPECT_TRUE(bitmap.isNull());
#endif
    EXPECT_EQ(test::blockOf(empty), (Bytes{0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(source.GetPixelValue(1, 1), Transparent);
}

}  // namespace
}  // namespace tarvo
