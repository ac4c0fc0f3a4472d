#pragma once

#include <QImage>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPoint>
#include <functional>
#include <memory>
#include <optional>

#include "core/IconWriter.h"
#include "editor/EditSession.h"

class QComboBox;
class QListView;
class QSplitter;
class QTimer;
class QToolButton;

namespace tarvo {

class ImageListModel;
class TEditorHost;
class TIcon;
class TSaveDialog;
class TWindowBox;

// A document window: the list of a document's images, the magnified editing view with its grid
// and the preview at actual size. The editing itself is the session's; the window turns mouse,
// key and paint events and dialogs into session calls.
class TChildForm : public QMdiSubWindow, private TSessionHost {
    Q_OBJECT
  public:
    // The size a new document window is made at.
    static constexpr int kDesignedWidth = 783, kDesignedHeight = 540;

    // A new document whose first image has the given size and depth. Throws when the image
    // cannot be made (EOutOfResources, TError).
    TChildForm(TEditorHost& host, int width, int height, int bits, QWidget* parent = nullptr);
    ~TChildForm() override;

    EditSession& session() { return *session_; }
    const EditSession& session() const { return *session_; }
    TIcon& Document() { return session_->document(); }
    const TIcon& Document() const { return session_->document(); }

    QString FileName;
    // The window's caption: the document's name. The title adds the mark of unsaved changes.
    QString caption() const { return QString(windowTitle()).remove(QStringLiteral("[*]")); }
    void setCaption(const QString& name) { setWindowTitle(name + QStringLiteral("[*]")); }
    bool Modified() const { return session_->modified(); }
    void SetModified(bool modified) { session_->setModified(modified); }
    int Zoom() const { return session_->view.zoom; }
    QPoint GridOrigin() const { return session_->view.origin; }

    // Loading: replaces the document with the file's (throws; the window keeps its document on
    // failure), then sets up the window for it.
    void LoadDocument(const QString& fileName);
    void DocumentLoaded(const QString& fileName);
    // Takes a document made elsewhere (a scan, a camera frame): new, unsaved and modified.
    void adoptDocument(std::unique_ptr<TIcon> document);

    // Add Icon: the new image dialog, then a new image with its values.
    void AddIcon();
    // Convert Image with the new image dialog's values. False when the dialog was cancelled.
    bool ConvertImage1Click();
    // Runs an adjustment dialog so that it previews live; `hook` is the dialog's preview hook,
    // `effect` applies its current values to a target.
    int runPreview(QDialog& dialog, std::function<void()>& hook,
                   const std::function<void(TIcon&)>& effect);
    // The selection on the clipboard: our own format below 32 bits, a picture at 32.
    void CopySelection();
    // What the clipboard offers now.
    static ClipboardContent clipboardContent();

    void FillImageList();
    void FitZoom();
    // Steps that double or halve the cells, keeping the image point under `anchor` (client
    // pixels of the editing view) in place; the view's centre without one.
    void ZoomIn(std::optional<QPoint> anchor = std::nullopt);
    void ZoomOut(std::optional<QPoint> anchor = std::nullopt);
    void setZoom(int zoom, std::optional<QPoint> anchor = std::nullopt);
    void UpdateScrollRanges();

    // Activation: colours. Deactivation ends text entry and settles the floating selection.
    void FormActivate();
    void FormDeactivate();
    // Keys the main window passes on; true when handled.
    bool FormKeyDown(QKeyEvent& event);
    void setViewCursor(const QCursor& cursor);
    void invalidateViews();
    // Shows the window in the frame, maximized when the setting says so.
    void showAsConfigured();

    // This window's save dialog: it keeps the chosen file type between uses, and choosing a type
    // makes its extension the one added to names typed without one.
    TSaveDialog& SaveDialog();
    // The save dialog's choice of PNG compression for icons and cursors.
    PngPolicy pngPolicy() const;

    QListView* imageList() const { return imageList_; }
    TWindowBox* editingView() const { return windowBox1_; }
    TWindowBox* preview() const { return windowBox2_; }
    // Animated cursors play in the preview at their rates; the button plays and pauses.
    QToolButton* playButton() const { return playButton_; }
    QTimer* animationTimer() const { return animationTimer_; }
    // The frame the preview shows while playing.
    std::optional<int> playingFrame() const;
    QSplitter* splitter() const { return splitter_; }
    // The cell under the mouse as last seen by the editing view.
    std::optional<QPoint> mouseCell() const { return mouseCell_; }

    // The row text of an image in the list: its size and colours, and for the frames of an
    // animated cursor a second line with the frame's number and how long it shows.
    static QString imageRowText(int width, int height, int bits);
    QString imageRowText(int index) const;
    // Where an image's thumbnail goes in a list row: at most 32 x 32, centred in a 32 x 32 box.
    static QRect thumbnailBox(const QRect& row, QSize image);

    // Asks "Save changes to ...?"; tests answer it themselves.
    std::function<QMessageBox::StandardButton(const QString& text, const QString& title)> askToSave;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // TSessionHost
    ToolMode tool() const override;
    void setTool(ToolMode mode) override;
    uint32_t penColor() const override;
    uint32_t brushColor() const override;
    void colorPicked(bool pen, uint32_t color, bool argb) override;
    int blurSize() const override;
    bool smoothEdges() const override;
    void setStatusText(int panel, const QString& text) override;
    void changed(unsigned what) override;
    void openHueWindow(QPoint cell) override;
    void closeHueWindow() override;

    void buildWidgets();
    void paintEditingView(QPainter& dc);
    void paintPreview(QPainter& dc);
    void syncView();
    void updateMouseCursor(QPoint client);
    void updatePlayButton();
    void setPlaying(bool playing);
    void showStep(int step);

    TEditorHost& host_;
    std::unique_ptr<EditSession> session_;
    QListView* imageList_ = nullptr;
    ImageListModel* imageModel_ = nullptr;
    QSplitter* splitter_ = nullptr;
    TWindowBox* windowBox1_ = nullptr;
    TWindowBox* windowBox2_ = nullptr;
    QToolButton* playButton_ = nullptr;
    QTimer* animationTimer_ = nullptr;
    int playingStep_ = -1;
    QImage playingFrame_;
    std::optional<QPoint> mouseCell_;
    std::optional<bool> maximizeWritten_;
    TSaveDialog* saveDialog_ = nullptr;
    // The user zoomed: resizing the view no longer fits the zoom to it.
    bool zoomChosen_ = false;
};

}  // namespace tarvo
