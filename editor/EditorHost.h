#pragma once

#include <QCursor>
#include <QString>
#include <cstdint>

class QDialog;

namespace tarvo {

class TChildForm;
class TIconForm;

// What a document window needs from the main window: the shared tool state and colours, the
// command states it sets, the status bar, the shared dialogs and settings. The main window
// implements it; tests can too.
class TEditorHost {
  public:
    virtual ~TEditorHost() = default;

    virtual int ToolCode() const = 0;
    virtual void SetTool(int code) = 0;
    virtual uint32_t PenColor() const = 0;
    virtual uint32_t BrushColor() const = 0;
    virtual void SetPenColor(uint32_t color) = 0;
    virtual void SetBrushColor(uint32_t color) = 0;
    // The colour picker found a 32-bit colour: the alpha slider moves to `percent` and its
    // alpha is applied to both colours again.
    virtual void setAlphaPercent(int percent) = 0;
    // The blur brush's window size.
    virtual int blurSize() const = 0;
    // Resets both colours for the active document's current image and repaints the panel.
    virtual void UpdateColors() = 0;
    virtual void repaintColorPanel() = 0;
    virtual void AddToRecent(const QString& fileName) = 0;

    // Enabled states of the main window's Undo, Redo and Delete Icon commands.
    virtual void setUndoEnabled(bool enabled) = 0;
    virtual void setRedoEnabled(bool enabled) = 0;
    virtual void setDeleteIconEnabled(bool enabled) = 0;
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
};

}  // namespace tarvo
