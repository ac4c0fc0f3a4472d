#pragma once

#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPoint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "editor/Rect.h"
#include "editor/UndoHistory.h"
#include "editor/ViewPainter.h"

class QComboBox;
class QFileDialog;
class QSplitter;

namespace tarvo {

class TEditorHost;
class TIcon;
class TWindowBox;

// A document window: one icon document, the list of its images, the magnified editing view with
// its grid, the preview at actual size, and a separate undo and redo history for every image.
class TChildForm : public QMdiSubWindow {
    Q_OBJECT
  public:
    // A new document whose first image has the given size and depth. Throws when the image
    // cannot be made (EOutOfResources, TError).
    TChildForm(TEditorHost& host, int width, int height, int bits, QWidget* parent = nullptr);
    ~TChildForm() override;

    TIcon& Document() { return *document_; }
    const TIcon& Document() const { return *document_; }

    QString FileName;
    bool Modified = false;
    int Zoom = kMinZoom;
    bool Drawing = false;
    QPoint AnchorCell;
    QPoint GridOrigin;
    std::vector<uint8_t> SnapshotBuffer;
    std::unique_ptr<TIcon> SelectionImage;
    TRect SelectionRect;
    TRect SavedSelectionRect;
    bool SelectionActive = false;
    std::vector<QPoint> LassoPoints;
    QImage SelectionOutline;
    int GrabHandle = 0;
    QPoint TextPosition;
    QString TextBuffer;
    // One history pair per image, in image order.
    std::vector<TUndoStack> UndoLists;
    std::vector<TUndoStack> RedoLists;

    // Loading: replaces the document with the file's (throws; the window keeps its document on
    // failure), then sets up the window for it.
    void LoadDocument(const QString& fileName);
    void DocumentLoaded(const QString& fileName);
    // Takes a document made elsewhere (a scan, a camera frame): new, unsaved and modified.
    void adoptDocument(std::unique_ptr<TIcon> document);

    // Add Icon after the new image dialog said OK, with its values; Delete Icon.
    void AddIcon();
    void addImage(int width, int height, int bits);
    void DeleteIcon();
    void FillImageList();
    // The image list's choice: makes that image current.
    void selectImage(int index);

    void FitZoom();
    void ZoomIn();
    void ZoomOut();
    void UpdateScrollRanges();
    void SetModified(bool modified) { Modified = modified; }

    void SaveUndo();
    void Undo();
    void Redo();
    bool canUndo() const;
    bool canRedo() const;

    void SaveSnapshot();
    void RestoreSnapshot();
    void SetSelectionRect(const TRect& rect);
    void DropSelection();
    void DeleteSelection();
    void CopySelection();
    void FinishEditing();
    // The number (1..8) of the selection handle under a client point of the editing view, or 0.
    int HitTestHandles(QPoint client) const;

    // Clipboard and selection commands of the main window.
    void Paste();
    void SelectAll();
    void Crop();
    void CreateIconFromClipboard();
    // Moves the floating selection, or shifts the image, by one cell (one undo step).
    void Shift(int dx, int dy);
    // Grows or shrinks the floating selection's right or bottom edge (no undo step).
    void resizeSelection(int dRight, int dBottom);

    // Runs an adjustment dialog so that it previews live: one undo step first; every preview
    // starts again from the unchanged image or floating selection; Apply keeps the preview, any
    // other ending restores the start (the whole image through Undo, leaving a redoable step).
    // `hook` is the dialog's preview hook; `effect` applies its current values to a target.
    int runPreview(QDialog& dialog, std::function<void()>& hook,
                   const std::function<void(TIcon&)>& effect);
    // A one-shot filter on the floating selection, or else on the current image: one undo step.
    void applyFilter(const std::function<void(TIcon&)>& effect);
    // Mirrors and quarter turns of the floating selection, or else of the current image; a text
    // being typed is committed first.
    void Flip(bool vertical);
    void RotateQuarter(bool left);
    // Convert Image with the new image dialog's values: one undo step that restores the old
    // size and depth. False when the dialog was cancelled.
    bool ConvertImage1Click();

    // The hue selection: the matching pixels of the current image show striped; accepting
    // lifts them, cancelling forgets them.
    void hueMatch(QPoint cell, int range);
    void hueAccept();
    void hueCancel();
    std::function<void()> closeHueWindow;

    // The text tool.
    void RedrawText();
    void CommitText();
    void EndTextEntry();

    // Activation: colours, command states.
    void FormActivate();
    // Keys the main window passes on; true when handled.
    bool FormKeyDown(QKeyEvent& event);
    void setViewCursor(const QCursor& cursor);
    void invalidateViews();
    // Shows the window in the frame, maximized when the setting says so.
    void showAsConfigured();

    // This window's save dialog: it keeps the chosen file type between uses, and choosing a type
    // makes its extension the one added to names typed without one.
    QFileDialog& SaveDialog();
    void SaveDialogTypeChange(int typeIndex);

    QComboBox* imageList() const { return imageList_; }
    TWindowBox* editingView() const { return windowBox1_; }
    TWindowBox* preview() const { return windowBox2_; }
    QSplitter* splitter() const { return splitter_; }
    // The cell under the mouse as last seen by the editing view.
    std::optional<QPoint> mouseCell() const { return mouseCell_; }

    // The row text of an image in the list.
    static QString imageRowText(int width, int height, int bits);
    // Where an image's thumbnail goes in a list row: at most 32 x 32, centred in the width of the
    // widest thumbnail.
    static QRect thumbnailBox(const QRect& row, QSize image, int widestThumbnail);

    // Opens the hue selection window for a clicked cell (code 19).
    std::function<void(QPoint cell)> hueSelection;
    // Asks "Save changes to ...?"; tests answer it themselves.
    std::function<QMessageBox::StandardButton(const QString& text, const QString& title)> askToSave;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void buildWidgets();
    // Installs a document with fresh, empty histories and no selection.
    void replaceDocument(std::unique_ptr<TIcon> document);
    void paintEditingView(QPainter& dc);
    void paintPreview(QPainter& dc);
    void WindowBox1MouseDown(QMouseEvent& event);
    void WindowBox1MouseMove(QMouseEvent& event);
    void WindowBox1MouseUp(QMouseEvent& event);
    QPoint cellOf(const QMouseEvent& event) const;
    bool overImage(const QMouseEvent& event) const;
    void updateEraserCursor(const QMouseEvent& event);
    void drawShape(int code, QPoint cell, Qt::MouseButtons buttons);
    void selectionMouseUp(int code);
    void lassoMouseDown(QPoint cell, Qt::MouseButton button);
    void closeLasso();
    void placeText(QPoint cell);
    bool typeText(QKeyEvent& event);
    void floatSelection(std::unique_ptr<TIcon> image, const TRect& rect, int code);
    QRect selectionOnScreen() const;
    void repaintViewsNow();
    void ensureFormat(const std::vector<uint8_t>& data);
    void updateHistoryActions();
    void afterImageChange();

    TEditorHost& host_;
    std::unique_ptr<TIcon> document_;
    QComboBox* imageList_ = nullptr;
    QSplitter* splitter_ = nullptr;
    TWindowBox* windowBox1_ = nullptr;
    TWindowBox* windowBox2_ = nullptr;
    std::optional<QPoint> mouseCell_;
    std::optional<bool> maximizeWritten_;
    QFileDialog* saveDialog_ = nullptr;
    bool selectionDragged_ = false;
    bool caretShown_ = false;
};

}  // namespace tarvo
