#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/PixelFormats.h"
#include "raster/Errors.h"

namespace tarvo {
namespace {

using test::Bytes;
using Grid = std::vector<std::string>;

constexpr uint32_t kRedV = 0x0000FF, kGreenV = 0x00FF00, kBlueV = 0xFF0000;  // 0x00BBGGRR

// Grid letters: opaque K black, W white, R red, G green, B blue, Y yellow (all in the default
// 4-bit and the 8-bit tables); '.' transparent (black), '~' inverse (white), which 32-bit images
// hold as ARGB 0 and 0x00FFFFFF; and, for 32-bit images, r half red, t a translucent and T an
// opaque 0x123456, m magenta at alpha 0.
const std::string kLetters = "KWRGBY.~rtTm";
constexpr QRgb kColors[] = {0xFF000000u, 0xFFFFFFFFu, 0xFFFF0000u, 0xFF00FF00u,
                            0xFF0000FFu, 0xFFFFFF00u, 0x00000000u, 0x00FFFFFFu,
                            0x80FF0000u, 0x40123456u, 0xFF123456u, 0x00FF00FFu};

std::unique_ptr<TIcon> makeIcon(int bits, const Grid& rows) {
    auto icon = std::make_unique<TIcon>();
    test::addPainted(*icon, int(rows[0].size()), int(rows.size()), bits,
                     [&](int x, int y) { return kColors[kLetters.find(rows[y][x])]; });
    return icon;
}

// The current image as grid letters; '?' for anything else.
Grid gridOf(TIcon& icon) {
    const QImage image = icon.imageToArgb(icon.CurrentIndex());
    const int w = image.width();
    Grid out(image.height(), std::string(w, '?'));
    for (int i = 0; i < w * image.height(); ++i) {
        const size_t k = std::find(kColors, kColors + 12, image.pixel(i % w, i / w)) - kColors;
        if (k < 12) out[i / w][i % w] = kLetters[k];
    }
    return out;
}

const auto filled = [](int w, int h, char c = 'G') { return Grid(h, std::string(w, c)); };

// Gives palette entry `index` the colour `rgb` and paints `area` of the colour plane with it.
void setEntry(TIcon& icon, int index, QRgb rgb, const QRect& area) {
    uint8_t* entry = icon.ColorTable() + 4 * index;
    entry[0] = uint8_t(qBlue(rgb)), entry[1] = uint8_t(qGreen(rgb)), entry[2] = uint8_t(qRed(rgb));
    icon.SelectImage(icon.CurrentIndex());
    QPainter(&icon.ColorBitmap()).fillRect(area, QColor(rgb));
    icon.StoreImage();
    icon.SelectImage(0);
}

// ---- FloodFill -------------------------------------------------------------------------------

TEST(FloodFill32, FourConnectedExactArgbRegionA256SquareWholeTranslucentBlendsOnceAlphaZeroAsIs) {
    auto icon = makeIcon(32, {"RRK.", "RKRR", "RrKR"});  // red at another alpha: another colour
    icon->FloodFill(0, 0, 0xFF00FF00u);
    EXPECT_EQ(gridOf(*icon), (Grid{"GGK.", "GKRR", "GrKR"}));
    icon = makeIcon(32, filled(256, 256, 'K'));
    icon->FloodFill(200, 17, kColors[5]);
    EXPECT_EQ(gridOf(*icon), filled(256, 256, 'Y'));

    // Translucent blends once, alpha 0 is written as is, the same colour is no change.
    icon = makeIcon(32, {"rrK", "rrK"});
    icon->FloodFill(0, 0, 0x800000FFu);
    // Source-over by hand: alpha .502 + .502 * .498 = .752 (192, 0xC0); red 255 * .502 * .498 /
    // .752 (85, 0x55); blue 255 * .502 / .752 (170, 0xAA).
    const QRgb c = icon->WorkBitmap().pixel(1, 1);
    for (int s = 0; s < 32; s += 8)
        EXPECT_NEAR(int(c >> s & 255), int(0xC05500AAu >> s & 255), 1) << std::hex << c;
    const Bytes before = test::blockOf(*icon);
    icon->FloodFill(1, 1, c);
    EXPECT_EQ(test::blockOf(*icon), before);
    icon->FloodFill(2, 0, 0x00123456u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(icon->WorkBitmap().pixel(i % 3, i / 3), i % 3 == 2 ? 0x00123456u : c) << i;
}

// Paletted fills at every depth: the start, where the fill starts, its value and the result.
const std::tuple<Grid, int, int, uint32_t, Grid> kFills[] = {
    // A coloured area becomes transparent (or inverse, as below).
    {{"GGB.", "GBGG", "GGR~"}, 1, 0, Transparent, {"..B.", ".BGG", "..R~"}},
    // A black or white area made transparent or inverse takes the red touching it along, and the
    // red touching that red.
    {{"KKRGR", "~KGGR", "RRGKK", "G.GGR"}, 0, 0, Inverse, {"~~~GR", "~~GGR", "~~GKK", "G.GGR"}},
    {{"WWRGR", "~WGGR", "RRGWW", "G.GGR"}, 0, 0, Transparent, {"...GR", "~.GGR", "..GWW", "G.GGR"}},
    // A black or white area takes a colour, but not the masked pixels of its colour next to it.
    {{"KK.R", "K.KK", "KKRK"}, 0, 1, kGreenV, {"GG.R", "G.KK", "GGRK"}},
    {{"WW~R", "W~WW", "WWRW"}, 0, 1, kGreenV, {"GG~R", "G~WW", "GGRW"}},
    // A masked start fills its own kind; an opaque colour clears the whole masked area joined to
    // it, where the start's kind gets the colour and the rest shows its plane.
    {{"..~R.", ".~~.R", "R.R.R"}, 0, 0, Inverse, {"~~~R.", "~~~.R", "R.R.R"}},
    {{"..~R.", ".~~.R", "R.R.R"}, 2, 0, kBlueV, {"KKBR.", "KBBKR", "RKRKR"}},
    // An opaque area takes an opaque colour, without diagonals.
    {{"GGR", "RRG", "G.G", "GGK"}, 0, 0, kBlueV, {"BBR", "RRG", "G.G", "GGK"}},
};

TEST(PalettedFill, AreasFillByColourMaskAndFourNeighboursAtEveryDepth) {
    for (int bits : {4, 8, 24})
        for (const auto& [start, x, y, value, expected] : kFills) {
            auto icon = makeIcon(bits, start);
            icon->FloodFill(x, y, value);
            EXPECT_EQ(gridOf(*icon), expected) << bits << " bits from " << x << "," << y;
        }
    auto icon = makeIcon(4, {"KKK", "KKK"});
    icon->FloodFill(1, 1, 0xD228C8u);  // (200, 40, 210) outside the 4-bit table: nearest magenta
    EXPECT_EQ(icon->GetPixelValue(0, 1), 0xFF00FFu);
}

// ---- Erasing ---------------------------------------------------------------------------------

TEST(Erase, PolygonByTheEvenOddRuleEllipseInItsBoxAndMaskExactly) {
    for (int bits : {4, 24, 32}) {
        SCOPED_TRACE(bits);
        auto icon = makeIcon(bits, filled(8, 7));
        icon->ErasePolygon(std::array{QPoint(1, 1), QPoint(6, 1), QPoint(6, 5), QPoint(1, 5)});
        // Pixels strictly inside are erased, those beyond the outline stay; the outline may go.
        const Grid box{"GGGGGGGG", "G******G", "G*....*G", "G*....*G",
                       "G*....*G", "G******G", "GGGGGGGG"};
        Grid got = gridOf(*icon);
        for (size_t i = 0; i < 56; ++i)
            if (box[i / 8][i % 8] == '*') got[i / 8][i % 8] = '*';
        EXPECT_EQ(got, box);
        // A pentagram's centre is enclosed twice: outside by the even-odd rule. Its tips are in.
        icon = makeIcon(bits, filled(64, 64));
        icon->ErasePolygon(std::array{QPoint(32, 4), QPoint(48, 55), QPoint(5, 23), QPoint(59, 23),
                                      QPoint(16, 55)});
        got = gridOf(*icon);
        EXPECT_EQ(std::string() + got[32][32] + got[14][32] + got[1][1], "G.G");

        // Ellipses stay in their box and touch every side (32-bit ones may lose faint edges).
        for (const QRect& r : {QRect(3, 5, 10, 7), QRect(0, 0, 5, 4)}) {
            icon = makeIcon(bits, filled(20, 20));
            icon->EraseEllipse(r);
            got = gridOf(*icon);
            QRect erased;
            for (int i = 0; i < 400; ++i)
                if (got[i / 20][i % 20] != 'G') erased |= QRect(i % 20, i / 20, 1, 1);
            EXPECT_TRUE(bits == 32 ? r.contains(erased) : erased == r);
            const auto at = [&](QPoint p) { return got[p.y()][p.x()]; };
            EXPECT_EQ(std::string() + at(r.center()) + at(r.topLeft()) + at(r.bottomRight()),
                      ".GG");
        }

        // A mask plane erases exactly its set pixels.
        const Grid expected{"G..GG", ".GG.G", "GG..."};
        const QImage mask = makeIcon(4, expected)->MaskBitmap();
        icon = makeIcon(bits, filled(5, 3));
        icon->EraseMasked(mask);
        EXPECT_EQ(gridOf(*icon), expected);
    }
}

// ---- ExtractRect -----------------------------------------------------------------------------

TEST(ExtractRect, CopiesCutsLeavingItEmptyOutsideIsTransparentEmptyThrowsAndKeepsTheTable) {
    for (int bits : {4, 8, 24, 32}) {
        SCOPED_TRACE(bits);
        auto icon = makeIcon(bits, {"RGBYK", "GB.~W", "BYKRG", "YKRGB"});
        const Bytes before = test::blockOf(*icon);
        auto part = icon->ExtractRect(QRect(1, 1, 3, 2), false);
        EXPECT_EQ(part->BitCount(), bits);
        EXPECT_EQ(gridOf(*part), (Grid{"B.~", "YKR"}));
        EXPECT_THROW(icon->ExtractRect(QRect(0, 1, 2, 0), true), TError);
        EXPECT_THROW(icon->ExtractRect(QRect(2, 2, -2, 2), true), TError);
        EXPECT_EQ(test::blockOf(*icon), before);
        part = icon->ExtractRect(QRect(2, 1, 2, 2), true);
        EXPECT_EQ(gridOf(*part), (Grid{".~", "KR"}));
        EXPECT_EQ(gridOf(*icon), (Grid{"RGBYK", "GB..W", "BY..G", "YKRGB"}));
        part = icon->ExtractRect(QRect(-2, -1, 4, 2), true);
        EXPECT_EQ(gridOf(*part), (Grid{"....", "..RG"}));
        EXPECT_EQ(gridOf(*icon), (Grid{"..BYK", "GB..W", "BY..G", "YKRGB"}));
        if (bits > 8) continue;

        // Entry 9, red in the 4-bit table, becomes (10, 200, 30). A 4-bit copy is mapped to the
        // default table (the nearest entry is green, red is back in entry 9); 8-bit ones keep it.
        icon = makeIcon(bits, filled(3, 2, 'R'));
        setEntry(*icon, 9, qRgb(10, 200, 30), QRect(0, 0, 3, 2));
        Bytes table(icon->ColorTable(), icon->ColorTable() + (4 << bits));
        part = icon->ExtractRect(QRect(1, 0, 2, 2), false);
        EXPECT_EQ(part->ColorBitmap().pixel(1, 1), bits == 4 ? qRgb(0, 255, 0) : qRgb(10, 200, 30));
        if (bits == 4) table[36] = 0, table[37] = 0, table[38] = 255;
        EXPECT_EQ(Bytes(part->ColorTable(), part->ColorTable() + (4 << bits)), table);
    }
}

// ---- Pasting ---------------------------------------------------------------------------------

TEST(PasteBitmap, PalettedGetsTheCoveredCornerOpaqueThirtyTwoBitCopiesAlphaOrMakesOpaque) {
    const QImage picture = makeIcon(32, {"RGB", "Y.K", "GWt"})->WorkBitmap().toImage();
    auto icon = makeIcon(24, filled(4, 3, '.'));
    icon->PasteBitmap(picture, -1, -1);
    EXPECT_EQ(gridOf(*icon), (Grid{"KK..", "WT..", "...."}));
    icon = makeIcon(32, filled(5, 3, 'R'));
    icon->PasteBitmap(picture, 2, 0);
    icon->PasteBitmap(picture.convertToFormat(QImage::Format_RGB32), -2, 0);
    EXPECT_EQ(gridOf(*icon), (Grid{"BRRGB", "KRY.K", "TRGWt"}));
}

TEST(PasteIcon, TransparentIsBlackInThirtyTwoBitsOrKeptInverseInvertsStretchingMakesBlocks) {
    auto icon = makeIcon(32, {"YYY", "YYY"});
    icon->PasteIcon(*makeIcon(24, {"R.", "GB"}), QRect(1, 0, 2, 2));
    EXPECT_EQ(gridOf(*icon), (Grid{"YRK", "YGB"}));
    icon = makeIcon(24, filled(6, 6, 'K'));
    icon->PasteIcon(*makeIcon(24, {"RG", "BY"}), QRect(1, 1, 4, 4));
    EXPECT_EQ(gridOf(*icon), (Grid{"KKKKKK", "KRRGGK", "KRRGGK", "KBBYYK", "KBBYYK", "KKKKKK"}));
    // Into paletted: opaque replaces, transparent keeps, inverse inverts.
    icon = makeIcon(24, {"GGB", "..."});
    icon->PasteIcon(*makeIcon(24, {"R.~", "R.~"}), QRect(0, 0, 3, 2));
    EXPECT_EQ(gridOf(*icon), (Grid{"RGY", "R.~"}));
    icon = makeIcon(8, {"GG", ".~"});
    icon->PasteIcon(*makeIcon(32, {"Bm", "RR"}), QRect(0, 0, 2, 2));  // m: alpha 0 with a colour
    EXPECT_EQ(gridOf(*icon), (Grid{"BG", "RR"}));
}

// ---- CreateImageBitmap -----------------------------------------------------------------------

TEST(CreateImageBitmap, GivesArgbOrTheImagesOwnTableAndIndices) {
    EXPECT_EQ(makeIcon(32, {"Rt"})->CreateImageBitmap().pixel(1, 0), 0x40123456u);
    auto icon = makeIcon(4, {"R.~GY"});
    setEntry(*icon, 5, qRgb(1, 2, 3), QRect(4, 0, 1, 1));
    const QImage bitmap = icon->CreateImageBitmap();
    EXPECT_EQ(bitmap.colorTable(),
              (QList<QRgb>{0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF010203,
                           0xFF008080, 0xFF808080, 0xFFC0C0C0, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00,
                           0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF}));
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(bitmap.pixelIndex(x, 0), (std::array{9, 0, 15, 10, 5}[x]));
}

// ---- Bad input -------------------------------------------------------------------------------

TEST(BadInput, FarCoordinatesChangeNothingAndHugeShapesAreClipped) {
    const int far = 1000000000;
    for (int bits : {8, 32}) {
        auto icon = makeIcon(bits, {"RGBY", "YBGR", "RRGG"});
        auto source = makeIcon(bits, {"KW", "BY"});
        const Bytes before = test::blockOf(*icon);
        icon->FloodFill(far, far, kBlueV);
        icon->ErasePolygon(std::array{QPoint(far, 0), QPoint(far, far), QPoint(far - 9, 5)});
        icon->EraseEllipse(QRect(-far, 1, 100, 2));
        icon->PasteBitmap(QImage(2, 2, QImage::Format_RGB32), far, -far);
        icon->PasteIcon(*source, QRect(far, 0, 4, 4));
        EXPECT_EQ(gridOf(*icon->ExtractRect(QRect(-far, far, 3, 2), true)), filled(3, 2, '.'));
        EXPECT_EQ(test::blockOf(*icon), before);
        icon->PasteIcon(*source, QRect(-far, -far, 2 * far, 2 * far));  // all from its (1, 1)
        EXPECT_EQ(gridOf(*icon), filled(4, 3, 'Y'));
        icon->ErasePolygon(std::array{QPoint(-far, -far), QPoint(far, -far), QPoint(0, far)});
        EXPECT_EQ(gridOf(*icon), filled(4, 3, '.'));
    }
}

TEST(BadInput, WithoutAnImageNothingHappens) {
    TIcon empty, source;
    source.AddImage(2, 2, 24);
    EXPECT_DEBUG_DEATH(empty.FloodFill(0, 0, kRedV), "");
    EXPECT_DEBUG_DEATH(empty.EraseEllipse(QRect(0, 0, 4, 4)), "");
    EXPECT_DEBUG_DEATH(EXPECT_EQ(empty.ExtractRect(QRect(0, 0, 2, 2), true), nullptr), "");
    EXPECT_DEBUG_DEATH(empty.PasteBitmap(QImage(2, 2, QImage::Format_RGB32), 0, 0), "");
    EXPECT_DEBUG_DEATH(source.PasteIcon(empty, QRect(0, 0, 2, 2)), "");
    EXPECT_DEBUG_DEATH(EXPECT_TRUE(empty.CreateImageBitmap().isNull()), "");
    EXPECT_EQ(test::blockOf(empty), (Bytes{0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(source.GetPixelValue(1, 1), Transparent);
}

}  // namespace
}  // namespace tarvo
