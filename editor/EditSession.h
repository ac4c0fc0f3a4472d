#pragma once

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "editor/DocumentHistory.h"
#include "editor/Rect.h"
#include "editor/ToolMode.h"
#include "editor/ViewPainter.h"

namespace tarvo {

class TIcon;

// What the editing session needs from its window and the main window: the shared tool and
// colours, and where to report what changed. Widget-free, so tests drive a session with a fake.
class TSessionHost {
  public:
    virtual ~TSessionHost() = default;

    virtual ToolMode tool() const = 0;
    virtual void setTool(ToolMode mode) = 0;
    virtual uint32_t penColor() const = 0;
    virtual uint32_t brushColor() const = 0;
    // The colour picker's find: the pen (left button) or brush colour becomes `color`; for a
    // 32-bit image the alpha control follows the colour's alpha.
    virtual void colorPicked(bool pen, uint32_t color, bool argb) = 0;
    virtual int blurSize() const = 0;
    // Whether lines, ellipses and text on 32-bit images are anti-aliased.
    virtual bool smoothEdges() const = 0;
    // Status bar panels, counted from 0.
    virtual void setStatusText(int panel, const QString& text) = 0;

    enum Change : unsigned {
        Pixels = 1,   // the views need repainting
        Images = 2,   // the image list, sizes or depths changed: list, zoom and colours
        History = 4,  // undo, redo and the image count changed
    };
    virtual void changed(unsigned what) = 0;

    // The hue selection's modeless window.
    virtual void openHueWindow(QPoint cell) = 0;
    virtual void closeHueWindow() = 0;
};

// A selection lifted out of the image, floating until it is dropped.
struct FloatingSelection {
    std::unique_ptr<TIcon> image;
    TRect rect;       // where it lies, in cells; the image is stretched into it
    TRect savedRect;  // `rect` when it was made or its last move or resize began
};

// A line of text being typed: the image before it, where it starts and what was typed.
struct TextEntry {
    uint64_t owner = 0;  // the image's history id
    std::vector<uint8_t> snapshot;
    QPoint position;
    QString text;
};

// Where the editing view shows the image: the client pixels of cells, for turning mouse
// positions into cells and finding the selection's handles.
struct ViewGeometry {
    int zoom = kMinZoom;
    QPoint origin;  // client position of cell (0, 0) before scrolling
    QPoint scroll;
};

// What the clipboard offers to Paste and Create Icon: a document in our own format (its bytes,
// which may be anything) and a picture from another program.
struct ClipboardContent {
    std::optional<QByteArray> document;
    QImage image;
};

enum class MouseButton { Left, Right, Middle };

// One document being edited: the document, a history per image, the floating selection, the
// text being typed and the gestures of the mouse tools. It turns commands (mouse presses in client
// pixels, keys, menu commands) into edits, and keeps one rule wherever features meet: anything
// that changes the current image, its size or depth, the image list or the active window first
// ends the text entry and settles the floating selection.
class EditSession {
  public:
    // A new document of one image.
    EditSession(TSessionHost& host, int width, int height, int bits);
    ~EditSession();
    EditSession(const EditSession&) = delete;
    EditSession& operator=(const EditSession&) = delete;

    TIcon& document() { return *document_; }
    const TIcon& document() const { return *document_; }
    // Installs another document with fresh, empty histories.
    void replaceDocument(std::unique_ptr<TIcon> document);

    const DocumentHistory& history() const { return history_; }
    bool modified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }

    ViewGeometry view;

    // ---- state the views show ---------------------------------------------------------------
    const FloatingSelection* floating() const { return floating_ ? &*floating_ : nullptr; }
    const TextEntry* textEntry() const { return text_ ? &*text_ : nullptr; }
    // The rectangle being dragged out with the rectangle or ellipse tool, or the floating one.
    std::optional<TRect> selectionFrame() const;
    const std::vector<QPoint>& lassoPoints() const { return lasso_; }
    const QImage& hueOutline() const { return hueOutline_; }
    bool drawing() const { return drawing_; }
    // The caret of the text entry in client pixels (unscrolled origin taken into account).
    std::optional<QRect> caret() const;

    // ---- mouse, in client pixels of the editing view -----------------------------------------
    void mouseDown(QPoint client, MouseButton button);
    void mouseMove(QPoint client, bool leftHeld);
    void mouseUp();
    QPoint cellAt(QPoint client) const;
    bool overImage(QPoint client) const;
    // The selection on screen, and the number (1..8) of its handle under a client point, or 0.
    QRect selectionOnScreen() const;
    int hitTestHandles(QPoint client) const;

    // ---- keys ----------------------------------------------------------------------------------
    // Keys that reach the document window; true when taken. `text` is what the key writes.
    enum class Key { Other, Left, Right, Up, Down, Enter, Escape, Backspace };
    bool keyDown(Key key, bool shift, const QString& text);

    // ---- tools and editing ----------------------------------------------------------------------
    // A tool chosen in the main window: drawing tools finish editing first.
    void chooseTool(ToolMode mode);
    void finishEditing();
    void endTextEntry();
    // The pen colour or its alpha changed while typing.
    void redrawText();

    void saveUndo();
    void undo();
    void redo();
    bool canUndo() const;
    bool canRedo() const;

    // ---- images
    // ----------------------------------------------------------------------------------
    void selectImage(int index);
    void addImage(int width, int height, int bits);
    // The images of another document appended, each with a history of its own.
    void appendImages(const TIcon& images);
    void deleteImage();
    // The current image moved to place `to`, the animation showing the same pictures (a
    // sequence of each frame once in order stays so): one undo step.
    void moveImage(int to);
    void convertImage(int width, int height, int bits, bool stretch, bool dither = false);

    // ---- selection and clipboard commands
    // --------------------------------------------------------
    void dropSelection();
    void deleteSelection();
    void selectAll();
    void crop();
    // Throws for data that is not a document or picture; nothing changes then.
    void paste(const ClipboardContent& content);
    void createImageFromClipboard(const ClipboardContent& content);
    // Moves the floating selection, or shifts the image, by one cell: one undo step.
    void shift(int dx, int dy);
    // Grows or shrinks the floating selection's right or bottom edge.
    void resizeSelection(int dRight, int dBottom);

    // ---- effects and transforms
    // -------------------------------------------------------------------- A one-shot effect on the
    // floating selection, or else on the current image: one undo step.
    void applyEffect(const std::function<void(TIcon&)>& effect);
    // A previewed effect: begin records one step, every preview starts again from the unchanged
    // target, end keeps the last preview (accepted) or restores the start.
    void beginPreview();
    void preview(const std::function<void(TIcon&)>& effect);
    void endPreview(bool accepted);
    void flip(bool vertical);
    // The Hot Spot tool's click: the current image's hot spot, one undo step.
    void setHotSpot(QPoint cell);
    // The animation's steps and rates replaced (none: not animated any more): one undo step.
    void setAnimation(std::optional<TAnimation> animation);
    // A copy of the current image as the last image, with a history of its own; an animation
    // shows it once more, at the end. Added images, this one too, go again when undone.
    void duplicateImage();
    void rotateQuarter(bool left);

    // ---- hue selection -----------------------------------------------------------------------
    void hueMatch(QPoint cell, int range);
    void hueAccept();
    void hueCancel();

  private:
    TIcon& doc() { return *document_; }
    int current() const;
    void notify(unsigned what) { host_.changed(what); }
    void setSelectionRect(const TRect& rect);
    void saveSnapshot();
    void restoreSnapshot();
    void float_(std::unique_ptr<TIcon> image, const TRect& rect, ToolMode mode);
    void clearFloating();
    // Ends a drag as mouse-up would, cancels a lasso being drawn and the hue outline.
    void endGestures();
    // Ends text entry and drops the floating selection: before the image or list changes.
    void settle();
    void commitText();
    void placeText(QPoint cell);
    bool typeText(Key key, const QString& text);
    void drawShape(ToolMode mode, QPoint cell, bool left);
    uint32_t eraserColor() const;
    void selectionMouseUp(ToolMode mode);
    void lassoMouseDown(QPoint cell, MouseButton button);
    void closeLasso();
    void ensureFormat(const std::vector<uint8_t>& data);
    // What floats now goes into a step (undo and redo keep it there to bring it back); a step's
    // selection floats again, or the floating tool returns to its start.
    void stashFloating(TUndo& step);
    void floatFrom(TUndo& step);
    // A hot spot or animation step being undone or redone: what it kept goes back, `to` keeps
    // what it replaces.
    void swapDocumentState(TUndo& from, TUndo& to);
    // Undo (from the undo stack to the redo stack) or redo (the other way).
    void travel(TUndoStack ImageHistory::*from, TUndoStack ImageHistory::*to);
    std::unique_ptr<TIcon> decodeClipboard(const ClipboardContent& content);
    // The animation with frames named by history id, and back to places (steps of images that
    // are gone left out).
    TAnimationState animationState() const;
    std::optional<TAnimation> animationOf(const TAnimationState& state) const;
    // Takes the current image out; the step that puts it back goes on `stack` of the image that
    // becomes current. Putting it back leaves the step that takes it out again on its `stack`.
    void removeCurrent(TUndoStack ImageHistory::*stack, bool clearRedo);
    void restoreDeleted(std::unique_ptr<TDeletedImage> deleted, TUndoStack ImageHistory::*stack);
    // A new image, current and last: its history, with the step that takes it out again.
    void added();
    // Moves the current image and its history (the place clamped to the list).
    void moveCurrent(int to);

    TSessionHost& host_;
    std::unique_ptr<TIcon> document_;
    DocumentHistory history_;
    bool modified_ = false;
    std::optional<FloatingSelection> floating_;
    std::optional<TextEntry> text_;
    std::vector<uint8_t> snapshot_;
    bool drawing_ = false;
    bool marquee_ = false;  // a rectangle or ellipse selection is being dragged out
    bool marqueeDragged_ = false;
    TRect marqueeRect_;
    QPoint anchor_;
    int grabHandle_ = 0;
    std::vector<QPoint> lasso_;
    QImage hueOutline_;
    // A previewed effect's untouched target: the floating image, or else the image's bytes.
    std::unique_ptr<TIcon> previewSelection_;
    bool previewing_ = false;
};

}  // namespace tarvo
