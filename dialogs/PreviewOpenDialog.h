#pragma once

#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <memory>

#include "dialogs/FileDialogs.h"

class QPainter;
class QScrollArea;

namespace tarvo {

class TIcon;

// Images stacked one below the other in a pane `clientWidth` wide: each at its natural size at
// the left edge, or shrunk to the pane's width keeping its proportions when wider; its "WxH"
// label (the image's own size) starts one pixel below it at x = 4, and the next image starts
// `line` pixels below the image.
struct PreviewLayout {
    QList<QRect> boxes;
    QStringList labels;
    QList<QPoint> labelOrigins;
    int height = 0;  // everything, the last label's line included
};
PreviewLayout layoutPreview(const QList<QSize>& sizes, int clientWidth, int line);

// Where the preview pane goes in a dialog whose client area is `client`: from the right edge of
// the file dialog's own controls to 4 pixels short of the right edge, 4 pixels below the top,
// 20 above the bottom.
QRect previewPaneRect(const QRect& client, int standardRight);

// The open dialog of the File menu, with a pane on the right that previews every image of the
// current file, wherever the mouse or the keys make it current. Several files may be chosen:
// selectedFiles() as usual.
class TPreviewOpenDialog : public TFileDialog {
    Q_OBJECT
  public:
    enum class PreviewSource { None, Document, Picture };

    explicit TPreviewOpenDialog(QWidget* parent = nullptr);
    ~TPreviewOpenDialog() override;

    // Shows the file in the pane, unless it is the file shown last. A folder, a missing file, one
    // too large or one that cannot be read keeps the current preview.
    void previewFile(const QString& path);

    // The width images are fitted to; the pane is as wide plus its frame and scroll bar.
    void setPreviewWidth(int clientWidth);
    int previewWidth() const { return clientWidth_; }

    // What the pane shows.
    PreviewSource previewSource() const { return source_; }
    const QList<QRect>& previewBoxes() const { return layout_.boxes; }
    const QStringList& previewLabels() const { return layout_.labels; }
    int previewHeight() const { return layout_.height; }
    // The label spacing: the height of a line of the pane's text plus two.
    int previewLine() const;
    QScrollArea* previewPane() const { return pane_; }
    QWidget* previewCanvas() const { return canvas_; }

  public slots:
    // The previewed document lives only while the dialog is open; the file name stays, so the
    // same file is not read again until the selection moves.
    void done(int result) override;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    bool loadPicture(const QString& path);
    bool loadDocument(const QString& path);
    void placePane();
    void paintPreview(QPainter& painter, const QRect& exposed);

    QScrollArea* pane_ = nullptr;
    QWidget* canvas_ = nullptr;
    int clientWidth_ = 0;
    int reserved_ = 0;  // room kept right of the file dialog's own controls
    int baseRightMargin_ = 0;

    std::unique_ptr<TIcon> document_;
    QImage picture_;  // possibly decoded at a reduced scale
    PreviewSource source_ = PreviewSource::None;
    PreviewLayout layout_;
    QString lastFileName_;
};

}  // namespace tarvo
