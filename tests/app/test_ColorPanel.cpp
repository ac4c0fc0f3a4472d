#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QSlider>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "app/ColorPanel.h"
#include "app/PanelBitmaps.h"
#include "core/Icon.h"
#include "core/PixelFormats.h"
#include "editor/WindowBox.h"

namespace tarvo {
namespace {

// Centres of the cells of the upper (8 x 2) and lower (11 per row) grids.
QPoint upper(int c, int r) {
    return {65 + 18 * c, 11 + 18 * r};
}
QPoint lower(int c, int r) {
    return {11 + 18 * c, 47 + 18 * r};
}
const QPoint kTransparentCell(47, 11), kInverseCell(47, 29), kRed = upper(1, 1);

// Table entry i holds a colour of its own, so an entry taken from the wrong index shows.
uint32_t entryColor(int i) {
    return uint32_t(uint8_t(i * 3)) | uint32_t(255 - i) << 8 | uint32_t(i) << 16;
}

TEST(PanelBitmaps, PixelsAtTheBoundaries) {
    // Whole rows, one letter a pixel.
    const std::map<char, QRgb> letters = {{'g', qRgb(128, 128, 128)}, {'s', qRgb(192, 192, 192)},
                                          {'w', qRgb(255, 255, 255)}, {'b', qRgb(0, 0, 0)},
                                          {'T', qRgb(0, 128, 128)},   {'A', qRgb(0, 255, 255)},
                                          {'P', qRgb(224, 128, 128)}, {'R', qRgb(255, 0, 0)}};
    struct Row {
        const char* name;
        int y;
        const char* pixels;
    };
    for (const Row& row : std::vector<Row>{{"TRANSPARENT", 0, "ggggggggggggggg"},
                                           {"TRANSPARENT", 1, "gTTTTAAAAATTTTg"},
                                           {"TRANSPARENT", 9, "gAAAATTTTTAAAAg"},
                                           {"INVERSE", 13, "gPPPPRRRRRPPPPg"},
                                           {"TRANSPARENT1", 0, "TTTTAAATTTT"},
                                           {"TRANSPARENT1", 6, "AAAATTTAAAA"},
                                           {"INVERSE1", 10, "PPPPRRRPPPP"},
                                           {"COLORPIC", 0, "ggggggggggggggggggggggggggggggggg"},
                                           {"COLORPIC", 12, "gwswswsgbbbbbbbbbbbggggggwswswswg"},
                                           {"COLORPIC", 19, "gswswswgggggggggggggwwwwgswswswsg"},
                                           {"COLORPIC", 20, "gwswswswswswgwwwwwwwwwwwgwswswswg"}}) {
        const QImage image = panelBitmap(QString::fromLatin1(row.name));
        ASSERT_EQ(image.width(), int(strlen(row.pixels))) << row.name;
        EXPECT_EQ(image.height(), image.width());
        for (int x = 0; x < image.width(); ++x)
            EXPECT_EQ(QColor(image.pixel(x, row.y)), QColor(letters.at(row.pixels[x])))
                << row.name << " at " << x << "," << row.y;
    }
    EXPECT_TRUE(panelBitmap(u"NONE").isNull());

    // The colour disc: grey centre, red up, hues clockwise, half-way out half-way to grey, and
    // fully saturated beyond the circle (a channel at .5 may round either way).
    const QImage colors = panelBitmap(u"COLORS");
    for (auto [x, y, r, g, b] : std::vector<std::array<int, 5>>{{38, 38, 128, 128, 128},
                                                                {38, 0, 255, 0, 0},
                                                                {76, 38, 128, 255, 0},
                                                                {38, 76, 0, 255, 255},
                                                                {0, 38, 128, 0, 255},
                                                                {38, 19, 191, 64, 64},
                                                                {76, 0, 255, 191, 0},
                                                                {0, 0, 255, 0, 191},
                                                                {76, 76, 0, 255, 64}}) {
        const QColor c(colors.pixel(x, y));
        EXPECT_LE(std::abs(c.red() - r) + std::abs(c.green() - g) + std::abs(c.blue() - b), 1)
            << x << "," << y;
    }
}

class Panel : public ::testing::Test {
  protected:
    Panel() {
        panel.resize(207, 460);
        panel.show();
        panel.document = [this] { return doc.get(); };
        panel.statusText = [this](const QString& text) { status = text; };
    }
    // Makes a one-image document of `bits` the active one and lets the panel reset.
    void open(int bits) {
        doc = std::make_unique<TIcon>();
        doc->AddImage(16, 16, bits);
        if (uint8_t* table = doc->ColorTable())
            for (int i = 0; i < 1 << bits; ++i) {
                const uint32_t c = entryColor(i);
                table[4 * i] = uint8_t(c >> 16);
                table[4 * i + 1] = uint8_t(c >> 8);
                table[4 * i + 2] = uint8_t(c);
            }
        panel.UpdateColors();
    }
    QColor shown(QPoint p) const { return QColor(panel.renderPanel().pixel(p)); }
    void click(QPoint p, Qt::MouseButton button = Qt::LeftButton) {
        panel.WindowBoxMouseDown(p, button);
    }

    std::unique_ptr<TIcon> doc;
    TColorPanel panel;
    QString status;
};

TEST_F(Panel, HitTestAtEachDepthPicksWhatIsShown) {
    struct Case {
        int bits;  // 0: no document
        QPoint p;
        int index;
        std::optional<uint32_t> color;
        bool outline = false;  // on a cell's grey outline rather than its colour
    };
    const std::vector<Case> cases = {
        {0, upper(0, 0), -1, {}},
        {4, kTransparentCell, 0, Transparent},
        {4, kInverseCell, 0, Inverse},
        {4, upper(3, 1), 11, entryColor(11)},
        {4, {57, 8}, -1, {}},
        {4, {100, 100}, -1, {}},
        {8, {58, 4}, 0, entryColor(0), true},
        {8, {18, 54}, 16, entryColor(16), true},
        {8, {19, 54}, -1, {}},
        {8, lower(10, 0), 26, entryColor(26)},
        {8, lower(0, 1), 27, entryColor(27)},
        {8, lower(8, 21), 255, entryColor(255)},
        {8, lower(9, 21), -1, {}},
        {8, lower(10, 21), -1, {}},
        {1, upper(0, 0), 0, 0x000000},
        {1, upper(0, 1), 1, 0xFFFFFF},
        {1, upper(1, 0), -1, {}},
        {24, kRed, 9, 0x0000FF},
        {24, kTransparentCell, 0, Transparent},
        {24, {119, 119}, 0, 0x808080},
        {24, {119, 40}, 0, 0x0000FF},
        {24, {198, 100}, -1, {}},
        {32, kTransparentCell, -1, {}},
        {32, upper(7, 1), 15, 0xFFFFFF},
        {32, {197, 197}, 0, {}}};  // {}: whatever colour is shown there
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits at " << c.p.x() << "," << c.p.y());
        if (c.bits) {
            open(c.bits);
        } else {
            doc.reset();
        }
        const TColorPanel::Hit hit = panel.HitTestPanel(c.p);
        EXPECT_EQ(hit.index, c.index);
        if (c.index < 0) {
            EXPECT_FALSE(hit.color);
            continue;
        }
        ASSERT_TRUE(hit.color);
        if (c.color) {
            EXPECT_EQ(*hit.color, *c.color);
        }
        if (*hit.color != Transparent && *hit.color != Inverse && !c.outline) {
            EXPECT_EQ(shown(c.p), QColor(colorValueToRgb(*hit.color)));
        }
    }
}

TEST_F(Panel, PaintingWithoutDocumentAndInAlphaMode) {
    const QColor face = panel.palette().color(QPalette::Button);
    EXPECT_EQ(shown({2, 2}), face);
    EXPECT_EQ(shown({11, 11}), QColor(128, 128, 128));
    EXPECT_EQ(shown({12, 12}), QColor(Qt::black));
    EXPECT_EQ(shown({27, 27}), QColor(Qt::white));
    EXPECT_EQ(shown({41, 5}), QColor(0, 128, 128));
    EXPECT_EQ(shown(kRed), QColor(Qt::red));
    EXPECT_EQ(shown({100, 100}), face);
    EXPECT_EQ(panel.WindowBox->viewport()->grab().toImage().pixel(kRed), QColor(Qt::red).rgb());
    // Transparent and inverse show their small pictures in the swatches.
    panel.SetPenColor(Inverse);
    panel.SetBrushColor(Transparent);
    EXPECT_EQ(shown({12, 12}), QColor(224, 128, 128));
    EXPECT_EQ(shown({27, 27}), QColor(0, 128, 128));

    open(32);
    EXPECT_EQ(shown({41, 5}), face);
    panel.SetPenColor(0x00FF0000);  // alpha 0: the checker alone
    panel.SetBrushColor(0x80FF0000);
    EXPECT_EQ(shown({12, 12}), QColor(0, 128, 128));
    const QColor half = shown({27, 27});
    EXPECT_NEAR(half.red(), 128, 2);
    EXPECT_NEAR(half.green(), 64, 2);
}

TEST_F(Panel, ClicksRoundTheAlphaWhileTheTrackBarTruncates) {
    int redraws = 0;
    panel.redrawText = [&] { ++redraws; };
    int tool = 0;
    panel.toolCode = [&] { return tool; };
    open(32);
    ASSERT_TRUE(panel.alphaMode());
    struct Case {
        int position;
        uint32_t clickAlpha, barAlpha;
    };
    for (const Case& c : std::vector<Case>{{0, 0, 0},
                                           {10, 26, 25},
                                           {30, 76, 76},
                                           {50, 128, 127},
                                           {90, 230, 229},
                                           {100, 255, 255}}) {
        panel.TrackBar->setValue(c.position);
        EXPECT_EQ(panel.PenColor() >> 24, c.barAlpha) << c.position;
        click(kRed);
        EXPECT_EQ(panel.PenColor(), c.clickAlpha << 24 | 0xFF0000) << c.position;
    }
    panel.TrackBar->setValue(50);
    click(upper(7, 1), Qt::RightButton);
    click(kRed);
    EXPECT_EQ(panel.PenColor(), 0x80FF0000u);
    EXPECT_EQ(status, "Color: #80FF0000, Brush: #80FFFFFF");
    tool = 11;
    panel.TrackBar->setValue(40);
    EXPECT_EQ(panel.PenColor(), 0x66FF0000u);
    EXPECT_EQ(panel.BrushColor(), 0x66FFFFFFu);
    EXPECT_EQ(status, "Color: #66FF0000, Brush: #66FFFFFF");
    EXPECT_EQ(panel.ProcLbl->text(), "40%");
    EXPECT_EQ(redraws, 1);
    click(upper(0, 0));
    EXPECT_EQ(status, "Color: #66000000, Brush: #66FFFFFF");
    EXPECT_EQ(redraws, 2);
}

// The colour picker sets the alpha of the pixel it picks; a transparent one must not make the
// next palette colour transparent too, while the user's own alpha stays.
TEST_F(Panel, APickedAlphaLastsUntilAColourIsClicked) {
    open(32);
    panel.setPickedAlpha(0);
    EXPECT_EQ(panel.PenColor(), 0x00000000u);
    EXPECT_EQ(panel.ProcLbl->text(), "0%");
    click(kRed);
    EXPECT_EQ(panel.PenColor(), 0xFFFF0000u);
    EXPECT_EQ(panel.BrushColor(), 0xFFFFFFFFu);
    EXPECT_EQ(panel.TrackBar->value(), 100);
    EXPECT_EQ(panel.ProcLbl->text(), "100%");
    panel.setPickedAlpha(60);
    open(32);  // another image: still the picked position
    click(upper(0, 0), Qt::RightButton);
    EXPECT_EQ(panel.BrushColor(), 0xFF000000u);

    panel.TrackBar->setValue(0);
    click(kRed);
    EXPECT_EQ(panel.PenColor(), 0x00FF0000u);
    panel.setPickedAlpha(60);
    panel.TrackBar->setValue(30);
    click(kRed);
    EXPECT_EQ(panel.PenColor(), 0x4CFF0000u);
    EXPECT_EQ(panel.TrackBar->value(), 30);
}

TEST_F(Panel, ButtonsAndSwatches) {
    click(kRed);  // no document: nothing stored
    EXPECT_EQ(panel.PenColor(), 0x000000u);
    open(4);
    click(kTransparentCell, Qt::RightButton);
    EXPECT_EQ(panel.BrushColor(), Transparent);
    EXPECT_EQ(status, "Color: #00FF00, Brush: Transparent");  // entry 0 is (0, 255, 0)
    click(upper(2, 0), Qt::MiddleButton);
    EXPECT_EQ(panel.BrushColor(), entryColor(2));
    click(upper(3, 0));
    EXPECT_EQ(panel.PenColor(), entryColor(3));
    for (QPoint p : {QPoint(11, 11), QPoint(20, 20), QPoint(27, 27)}) {
        click(p);
        click(p, Qt::RightButton);
        EXPECT_EQ(panel.PanelClickPoint(), p);
    }
    EXPECT_EQ(panel.PenColor(), entryColor(3));
    EXPECT_EQ(panel.BrushColor(), entryColor(2));
    // The real mouse events reach the same code.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(kInverseCell), QPointF(kInverseCell),
                      Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(panel.WindowBox->viewport(), &press);
    EXPECT_EQ(panel.BrushColor(), Inverse);
}

TEST_F(Panel, UpdateColorsPerDepth) {
    struct Case {
        int bits;
        uint32_t pen, brush;
        bool alpha;
    };
    for (const Case& c : std::vector<Case>{{1, entryColor(0), entryColor(1), false},
                                           {32, 0xFF000000, 0xFFFFFFFF, true},
                                           {4, entryColor(0), entryColor(15), false},
                                           {8, entryColor(0), entryColor(255), false},
                                           {16, 0x000000, 0xFFFFFF, false},
                                           {24, 0x000000, 0xFFFFFF, false}}) {
        open(c.bits);
        EXPECT_EQ(panel.PenColor(), c.pen) << c.bits;
        EXPECT_EQ(panel.BrushColor(), c.brush) << c.bits;
        EXPECT_EQ(panel.alphaMode(), c.alpha) << c.bits;
        EXPECT_EQ(panel.ProcLbl->isHidden(), !c.alpha) << c.bits;
    }
    EXPECT_EQ(status, "Color: #000000, Brush: #FFFFFF");
    // The track bar keeps its position between 32-bit images; closing keeps the mode.
    open(32);
    panel.TrackBar->setValue(20);
    open(32);
    EXPECT_EQ(panel.PenColor(), 0x33000000u);
    EXPECT_EQ(status, "Color: #33000000, Brush: #33FFFFFF");
    doc.reset();
    panel.UpdateColors();
    EXPECT_TRUE(panel.alphaMode());
    EXPECT_EQ(panel.BrushColor(), 0x33FFFFFFu);
}

TEST_F(Panel, DoubleClicksEditTableEntriesAndSwatches) {
    std::vector<QColor> offered;
    panel.chooseColor = [&](QColor initial) -> std::optional<QColor> {
        offered.push_back(initial);
        return QColor(10, 20, 30);
    };
    std::vector<std::pair<int, uint32_t>> edits;
    panel.editTableEntry = [&](int entry, uint32_t color) { edits.emplace_back(entry, color); };
    auto doubleClick = [&](QPoint p) {
        click(p);
        panel.WindowBoxDblClick();
    };
    const uint32_t chosen = 0x1E140A;

    open(8);
    for (QPoint p : {upper(0, 0), kTransparentCell, QPoint(12, 12), QPoint(27, 27)}) doubleClick(p);
    EXPECT_TRUE(offered.empty());  // entry 0 and, at 8 bits, the swatches are not edited
    doubleClick(lower(1, 0));
    ASSERT_EQ(edits.size(), 1u);
    EXPECT_EQ(edits[0], std::make_pair(17, chosen));
    EXPECT_EQ(offered.back(), QColor(colorValueToRgb(entryColor(17))));
    open(1);
    doubleClick(upper(0, 0));
    doubleClick(upper(0, 1));
    ASSERT_EQ(edits.size(), 2u);
    EXPECT_EQ(edits[1], std::make_pair(1, chosen));
    EXPECT_EQ(offered.back(), QColor(Qt::white));

    open(24);
    doubleClick(kRed);  // no table to edit
    EXPECT_EQ(edits.size(), 2u);
    status.clear();
    doubleClick({20, 20});  // the left swatch lies on top
    EXPECT_EQ(panel.PenColor(), chosen);
    EXPECT_EQ(panel.BrushColor(), 0xFFFFFFu);
    doubleClick({27, 27});
    EXPECT_EQ(panel.BrushColor(), chosen);
    EXPECT_TRUE(status.isEmpty());
    open(32);
    panel.TrackBar->setValue(50);
    panel.SetPenColor(0x800000FF);
    doubleClick({12, 12});
    EXPECT_EQ(offered.back(), QColor(Qt::blue));
    EXPECT_EQ(panel.PenColor(), 0x7F0A141Eu);
    // A cancelled dialog changes nothing.
    panel.chooseColor = [](QColor) { return std::optional<QColor>(); };
    doubleClick({27, 27});
    EXPECT_EQ(panel.BrushColor(), 0x7FFFFFFFu);
}

}  // namespace
}  // namespace tarvo
