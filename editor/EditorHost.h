#pragma once

#include <QCursor>
#include <QPoint>
#include <QString>
#include <cstdint>

#include "editor/ToolMode.h"
#include "editor/ViewPainter.h"

class QDialog;

namespace tarvo {

class TChildForm;
class TIconForm;

// How the editing views look, as chosen in the View menu.
struct ViewOptions {
    bool grid = true;
    Transparency transparency = Transparency::Tiles;
};

// What a document window needs from the main window: the shared tool and colours, the status
// bar, the shared dialogs and settings. The main window implements it; tests can too.
class TEditorHost {
  public:
    virtual ~TEditorHost() = default;

    virtual ToolMode tool() const = 0;
    virtual void setTool(ToolMode mode) = 0;
    virtual uint32_t PenColor() const = 0;
    virtual uint32_t BrushColor() const = 0;
    // The colour picker found a colour for the pen or the brush; on a 32-bit image the alpha
    // control follows its alpha.
    virtual void colorPicked(bool pen, uint32_t color, bool argb) = 0;
    // The blur brush's window size.
    virtual int blurSize() const = 0;
    // The Smooth edges choice: anti-aliased lines, ellipses and text on 32-bit images.
    virtual bool smoothEdges() const = 0;
    // Resets both colours for the active document's current image and repaints the panel.
    virtual void UpdateColors() = 0;
    virtual void repaintColorPanel() = 0;
    virtual void AddToRecent(const QString& fileName) = 0;
    // Status bar panels, counted from 0.
    virtual void setStatusText(int panel, const QString& text) = 0;

    // The new image dialog, shared by every window.
    virtual TIconForm& iconForm() = 0;
    // Shows a dialog modally and gives its result.
    virtual int runDialog(QDialog& dialog) = 0;
    // The editing view's cursor for the current tool.
    virtual QCursor toolCursor() const = 0;
    // Saves the window's document as the Save command does. False when nothing was written
    // (the user cancelled, or the write failed and was reported).
    virtual bool SaveDocument(TChildForm& window) = 0;
    // The "ChildMaximize" setting.
    virtual bool childMaximize() const = 0;
    virtual void setChildMaximize(bool maximize) = 0;
    // The hue selection's modeless window, working on `window`.
    virtual void openHueWindow(TChildForm& window, QPoint cell) = 0;
    virtual void closeHueWindow() = 0;
    virtual ViewOptions viewOptions() const = 0;
};

}  // namespace tarvo
