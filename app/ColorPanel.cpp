#include "app/ColorPanel.h"

#include <QColorDialog>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSlider>
#include <QVBoxLayout>
#include <utility>
#include <vector>

#include "app/PanelBitmaps.h"
#include "core/Icon.h"
#include "core/PixelFormats.h"
#include "editor/WindowBox.h"

namespace tarvo {
namespace {

// Panel geometry; the swatch rectangles sit on the squares of "COLORPIC" drawn at (4, 4).
constexpr QRect kLeftSwatch(11, 11, 13, 13);
constexpr QRect kRightSwatch(17, 17, 11, 11);
constexpr QRect kTransparentCell(40, 4, 15, 15);
constexpr QRect kInverseCell(40, 22, 15, 15);
constexpr QRect kColorDisc(40, 40, 158, 158);
constexpr QRgb kOutline = qRgb(128, 128, 128);

QRect upperCell(int column, int row) {
    return {58 + 18 * column, 4 + 18 * row, 15, 15};
}
QRect lowerCell(int column, int row) {
    return {4 + 18 * column, 40 + 18 * row, 15, 15};
}

struct Cell {
    QRect rect;
    int index;
    uint32_t color;  // 0x00BBGGRR
};

uint32_t tableEntry(const uint8_t* table, int i) {
    const uint8_t* e = table + 4 * i;
    return e[2] | (uint32_t{e[1]} << 8) | (uint32_t{e[0]} << 16);
}

// The cells offered for an image of `bits` (0 or 4 without a document), shared by painting and
// the hit test so that what is clicked is what is shown.
std::vector<Cell> cellsFor(int bits, const uint8_t* table) {
    std::vector<Cell> cells;
    if (bits == 1) {
        // Black and white whatever the table holds: a 1-bit image has no other colours to pick.
        cells.push_back({upperCell(0, 0), 0, 0x000000});
        cells.push_back({upperCell(0, 1), 1, 0xFFFFFF});
    } else if (table && (bits == 4 || bits == 8)) {
        const int count = bits == 8 ? 256 : 16;
        for (int i = 0; i < count; ++i) {
            const QRect rect =
                i < 16 ? upperCell(i % 8, i / 8) : lowerCell((i - 16) % 11, (i - 16) / 11);
            cells.push_back({rect, i, tableEntry(table, i)});
        }
    } else {
        for (int i = 0; i < 16; ++i)
            cells.push_back({upperCell(i % 8, i / 8), i, StandardColors[size_t(i)]});
    }
    return cells;
}

// "COLORS" as the panel shows it, pixel for pixel.
const QImage& colorDiscPicture() {
    static const QImage picture = panelBitmap(u"COLORS").scaled(
        kColorDisc.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return picture;
}

// A rectangle with a grey one-pixel outline and `fill` inside.
void outlined(QPainter& dc, const QRect& rect, QRgb fill) {
    dc.fillRect(rect, QColor(kOutline));
    dc.fillRect(rect.adjusted(1, 1, -1, -1), QColor(fill));
}

// The alpha byte of a click: position / 100 x 255, halves to the even neighbour.
uint32_t clickAlpha(int position) {
    const int n = position * 255;
    int alpha = n / 100;
    const int rest = n % 100;
    if (rest > 50 || (rest == 50 && alpha % 2 == 1)) ++alpha;
    return uint32_t(alpha);
}

QString hex(uint32_t value, int digits) {
    return QString::number(value, 16).toUpper().rightJustified(digits, u'0');
}

// One way to write a colour everywhere: #AARRGGBB on 32-bit images, #RRGGBB below, and the two
// special values by name.
QString colorText(uint32_t value, bool argb) {
    if (argb) return u'#' + hex(value, 8);
    if (value == Transparent) return QStringLiteral("Transparent");
    if (value == Inverse) return QStringLiteral("Inverse");
    return u'#' + hex(colorValueToRgb(value) & 0xFFFFFFu, 6);
}

}  // namespace

TColorPanel::TColorPanel(QWidget* parent) : QWidget(parent) {
    setFixedWidth(207);
    WindowBox = new TWindowBox(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(WindowBox);

    QWidget* client = WindowBox->viewport();
    TrackBar = new QSlider(Qt::Horizontal, client);
    TrackBar->setRange(0, 100);
    TrackBar->setValue(100);
    TrackBar->setTickInterval(10);
    TrackBar->setTickPosition(QSlider::TicksBelow);
    TrackBar->setGeometry(24, 208, 150, 45);
    TrackBar->setFocusPolicy(Qt::NoFocus);
    TrackBar->hide();
    ProcLbl = new QLabel(QStringLiteral("100%"), client);
    ProcLbl->move(176, 210);
    ProcLbl->adjustSize();
    ProcLbl->hide();
    connect(TrackBar, &QSlider::valueChanged, this, [this](int position) {
        pickedAlpha_ = false;
        TrackBarChange(position);
    });

    WindowBox->onPaint = [this](QPainter& dc, const QRect&) { dc.drawImage(0, 0, renderPanel()); };
    WindowBox->onMouseDown = [this](QMouseEvent& e) {
        WindowBoxMouseDown(e.position().toPoint(), e.button());
    };
    // The second press of a double click still picks; a left one edits first.
    WindowBox->onDoubleClick = [this](QMouseEvent& e) {
        if (e.button() == Qt::LeftButton) WindowBoxDblClick();
        WindowBoxMouseDown(e.position().toPoint(), e.button());
    };
    chooseColor = [this](QColor initial) -> std::optional<QColor> {
        const QColor chosen = QColorDialog::getColor(initial, this);
        if (!chosen.isValid()) return std::nullopt;
        return chosen;
    };
}

bool TColorPanel::alphaMode() const {
    return !TrackBar->isHidden();
}

TIcon* TColorPanel::activeDocument() const {
    return document ? document() : nullptr;
}

uint32_t TColorPanel::trackBarAlpha() const {
    return uint32_t(TrackBar->value()) * 255 / 100;
}

void TColorPanel::showColors() const {
    if (!statusText) return;
    const bool argb = alphaMode();
    statusText(QStringLiteral("Color: %1, Brush: %2")
                   .arg(colorText(penColor_, argb), colorText(brushColor_, argb)));
}

void TColorPanel::SetPenColor(uint32_t color) {
    penColor_ = color;
    showColors();
}

void TColorPanel::SetBrushColor(uint32_t color) {
    brushColor_ = color;
    showColors();
}

// Text being typed (tool 11) shows the new colour at once.
void TColorPanel::textColorChanged() const {
    if (toolCode && toolCode() == 11 && redrawText) redrawText();
}

void TColorPanel::repaintPanel() {
    WindowBox->viewport()->update();
}

QImage TColorPanel::renderPanel() const {
    QImage image(WindowBox->clientSize(), QImage::Format_RGB32);
    if (image.isNull()) return image;
    image.fill(palette().color(QPalette::Button));
    QPainter dc(&image);
    dc.drawImage(4, 4, panelBitmap(u"COLORPIC"));

    auto pictured = [&](uint32_t color, QPoint at) {
        if (color == Inverse) {
            dc.drawImage(at, panelBitmap(u"INVERSE1"));
            return true;
        }
        if (color == Transparent) {
            dc.drawImage(at, panelBitmap(u"TRANSPARENT1"));
            return true;
        }
        return false;
    };
    const QRect leftInside = kLeftSwatch.adjusted(1, 1, -1, -1);
    if (alphaMode()) {
        // Translucent colours over the checker, so the alpha byte shows.
        dc.drawImage(kRightSwatch.topLeft(), panelBitmap(u"TRANSPARENT1"));
        dc.fillRect(kRightSwatch, QColor::fromRgba(brushColor_));
        outlined(dc, kLeftSwatch, kOutline);
        dc.drawImage(leftInside.topLeft(), panelBitmap(u"TRANSPARENT1"));
        dc.fillRect(leftInside, QColor::fromRgba(penColor_));
    } else {
        dc.drawImage(kTransparentCell.topLeft(), panelBitmap(u"TRANSPARENT"));
        dc.drawImage(kInverseCell.topLeft(), panelBitmap(u"INVERSE"));
        if (!pictured(brushColor_, kRightSwatch.topLeft()))
            dc.fillRect(kRightSwatch, QColor(colorValueToRgb(brushColor_)));
        outlined(dc, kLeftSwatch, colorValueToRgb(penColor_));
        pictured(penColor_, leftInside.topLeft());
    }

    const TIcon* doc = activeDocument();
    const int bits = doc ? doc->BitCount() : 4;
    if (bits > 8) dc.drawImage(kColorDisc.topLeft(), colorDiscPicture());
    for (const Cell& cell : cellsFor(bits, doc ? doc->ColorTable() : nullptr))
        outlined(dc, cell.rect, colorValueToRgb(cell.color));
    return image;
}

TColorPanel::Hit TColorPanel::HitTestPanel(QPoint p) const {
    const TIcon* doc = activeDocument();
    if (!doc) return {};
    if (!alphaMode()) {
        if (kTransparentCell.contains(p)) return {0, Transparent};
        if (kInverseCell.contains(p)) return {0, Inverse};
    }
    const int bits = doc->BitCount();
    for (const Cell& cell : cellsFor(bits, doc->ColorTable()))
        if (cell.rect.contains(p)) return {cell.index, cell.color};
    if (bits > 8 && kColorDisc.contains(p))
        return {0, rgbToColorValue(colorDiscPicture().pixel(p - kColorDisc.topLeft()))};
    return {};
}

void TColorPanel::WindowBoxMouseDown(QPoint p, Qt::MouseButton button) {
    panelClickPoint_ = p;
    // Swatches react only to a double click.
    if (kLeftSwatch.contains(p) || kRightSwatch.contains(p)) return;
    const Hit hit = HitTestPanel(p);
    if (!hit.color) return;
    uint32_t color = *hit.color;
    // A picked pixel's alpha, maybe 0, would otherwise make the chosen colour draw unseen.
    if (alphaMode() && std::exchange(pickedAlpha_, false)) TrackBar->setValue(TrackBar->maximum());
    if (alphaMode())
        color = (clickAlpha(TrackBar->value()) << 24) | (colorValueToRgb(color) & 0xFFFFFFu);
    (button == Qt::LeftButton ? penColor_ : brushColor_) = color;
    repaintPanel();
    showColors();
    textColorChanged();
}

void TColorPanel::WindowBoxDblClick() {
    const QPoint p = panelClickPoint_;
    // The left swatch lies on top where the two overlap.
    if (kLeftSwatch.contains(p) || kRightSwatch.contains(p)) {
        EditPanelColor(kLeftSwatch.contains(p));
        return;
    }
    const TIcon* doc = activeDocument();
    if (!doc || !doc->ColorTable() || !chooseColor) return;
    const Hit hit = HitTestPanel(p);
    // Entry 0 stays as it is; the transparent and inverse cells report index 0 as well.
    if (hit.index <= 0 || !hit.color) return;
    const std::optional<QColor> chosen = chooseColor(QColor(colorValueToRgb(*hit.color)));
    if (!chosen) return;
    if (editTableEntry) editTableEntry(hit.index, rgbToColorValue(chosen->rgb()));
    repaintPanel();
}

void TColorPanel::EditPanelColor(bool pen) {
    const TIcon* doc = activeDocument();
    if (!doc || doc->BitCount() <= 8 || !chooseColor) return;
    uint32_t& field = pen ? penColor_ : brushColor_;
    const bool alpha = alphaMode();
    // QColor(QRgb) drops the alpha byte: the dialog edits red, green and blue.
    const std::optional<QColor> chosen =
        chooseColor(alpha ? QColor(QRgb(field)) : QColor(colorValueToRgb(field)));
    if (!chosen) return;
    field = alpha ? (trackBarAlpha() << 24) | (chosen->rgb() & 0xFFFFFFu)
                  : rgbToColorValue(chosen->rgb());
    repaintPanel();
}

void TColorPanel::TrackBarChange(int position) {
    const uint32_t alpha = (uint32_t(position) * 255 / 100) << 24;
    penColor_ = (penColor_ & 0xFFFFFFu) | alpha;
    brushColor_ = (brushColor_ & 0xFFFFFFu) | alpha;
    ProcLbl->setText(QString::number(position) + u'%');
    repaintPanel();
    textColorChanged();
    showColors();
}

void TColorPanel::setPickedAlpha(int percent) {
    {
        const QSignalBlocker blocker(TrackBar);
        TrackBar->setValue(percent);
    }
    TrackBarChange(TrackBar->value());
    pickedAlpha_ = true;
}

void TColorPanel::UpdateColors() {
    const TIcon* doc = activeDocument();
    if (!doc) return;
    const int bits = doc->BitCount();
    if (const uint8_t* table = doc->ColorTable()) {
        penColor_ = tableEntry(table, 0);
        brushColor_ = tableEntry(table, (1 << bits) - 1);
    } else if (bits != 32) {
        penColor_ = 0x000000;
        brushColor_ = 0xFFFFFF;
    } else {
        penColor_ = 0xFF000000;
        brushColor_ = 0xFFFFFFFF;
        TrackBarChange(TrackBar->value());
    }
    TrackBar->setVisible(bits == 32);
    ProcLbl->setVisible(bits == 32);
    repaintPanel();
    showColors();
}

}  // namespace tarvo
