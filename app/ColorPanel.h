#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

class QLabel;
class QSlider;

namespace tarvo {

class TIcon;
class TWindowBox;

// The strip on the right of the main window where the two drawing colours are picked: the
// current image's colour table up to 8 bits per pixel, 16 fixed colours and a colour disc above,
// and an alpha track bar for 32-bit images (alpha mode: exactly while the track bar is shown).
//
// PenColor and BrushColor hold 0x00BBGGRR, Transparent or Inverse up to 24 bits per pixel and
// ARGB 0xAARRGGBB in alpha mode.
class TColorPanel : public QWidget {
    Q_OBJECT
  public:
    explicit TColorPanel(QWidget* parent = nullptr);

    uint32_t PenColor() const { return penColor_; }
    uint32_t BrushColor() const { return brushColor_; }
    // Setting a colour shows both in the status bar.
    void SetPenColor(uint32_t color);
    void SetBrushColor(uint32_t color);
    QPoint PanelClickPoint() const { return panelClickPoint_; }
    bool alphaMode() const;

    // Resets both colours for the active document's current image and shows or hides the
    // track bar to match; with no document nothing changes.
    void UpdateColors();

    // What lies under a panel point: a colour-table or cell index and its colour, or no colour.
    struct Hit {
        int index = -1;
        std::optional<uint32_t> color;
    };
    Hit HitTestPanel(QPoint p) const;

    // Lets the user change PenColor (pen) or BrushColor through the colour dialog; only above
    // 8 bits per pixel, since paletted images pick from their table.
    void EditPanelColor(bool pen);
    void WindowBoxMouseDown(QPoint p, Qt::MouseButton button);
    // Edits the swatch or colour-table entry at PanelClickPoint.
    void WindowBoxDblClick();
    void TrackBarChange(int position);
    // The alpha of a picked pixel: moves the track bar without it counting as the user's
    // choice, so the next colour clicked in the panel is opaque again.
    void setPickedAlpha(int percent);

    // The whole panel as it is shown, at the client size of WindowBox.
    QImage renderPanel() const;

    // Hooks set by the main window.
    std::function<TIcon*()> document;
    std::function<void(const QString&)> statusText;
    std::function<int()> toolCode;
    std::function<void()> redrawText;
    // A colour-table entry edit was confirmed with colour 0x00BBGGRR: the owner records undo,
    // writes the entry, reselects the image, marks the document modified and repaints its views.
    std::function<void(int entry, uint32_t colorRef)> editTableEntry;
    std::function<std::optional<QColor>(QColor initial)> chooseColor;

    TWindowBox* WindowBox;
    QSlider* TrackBar;
    QLabel* ProcLbl;

  private:
    TIcon* activeDocument() const;
    // The alpha byte of the track bar, truncated as the track bar and the dialog use it.
    uint32_t trackBarAlpha() const;
    void showColors() const;
    void textColorChanged() const;
    void repaintPanel();

    uint32_t penColor_ = 0x000000;
    uint32_t brushColor_ = 0xFFFFFF;
    QPoint panelClickPoint_;
    // The track bar was last moved by setPickedAlpha rather than by the user.
    bool pickedAlpha_ = false;
};

}  // namespace tarvo
