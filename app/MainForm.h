#pragma once

#include <QHash>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>

#include "app/Settings.h"
#include "editor/EditorHost.h"

class QAction;
class QActionGroup;
class QLabel;
class QMdiArea;
class QMenu;
class QToolBar;

namespace tarvo {

class TAboutBox;
class THotSpotDlg;
class THueForm;
class TAdjustBrightnessDlg;
class TAdjustContrastDlg;
class TBlurDlg;
class TFileAssDlg;
class TTwainSourcesDlg;
class TPreviewOpenDialog;
class TInvertColorsDlg;
class TChildForm;
class TIcon;
class CameraStream;
class TColorPanel;
class TIconForm;
class TCursorThemeDlg;
class TIconThemeDlg;
class TRecoveryStore;
class TSizesDlg;
class TAnimationDlg;

// The main window: the frame of the document windows, with the menus, toolbars and commands, the
// colour panel, the status bar, the shared tool state and colours, the settings file and the
// recently used files.
// Window k of a cascade of windows of `size` in `area`, each `step` below and right of the one
// before, starting over at the top, one step further right, when the next would leave the area.
QRect cascadeSlot(const QRect& area, QSize size, int step, int k);
// A size for `windows` cascaded windows: `designed` where the cascade fits, smaller where not,
// but not below a usable size.
QSize cascadeSize(const QRect& area, QSize designed, int step, int windows);

class TMainForm : public QMainWindow, public TEditorHost {
    Q_OBJECT
  public:
    explicit TMainForm(TSettings settings = TSettings(), QWidget* parent = nullptr);
    ~TMainForm() override;

    // TEditorHost
    ToolMode tool() const override { return toolMode_; }
    void setTool(ToolMode mode) override { toolMode_ = mode; }
    uint32_t PenColor() const override;
    uint32_t BrushColor() const override;
    void colorPicked(bool pen, uint32_t color, bool argb) override;
    int blurSize() const override { return BlurSize; }
    bool smoothEdges() const override;
    void UpdateColors() override;
    void repaintColorPanel() override;
    void AddToRecent(const QString& fileName) override;
    void setStatusText(int panel, const QString& text) override;
    TIconForm& iconForm() override { return *iconForm_; }
    int runDialog(QDialog& dialog) override { return execDialog(dialog); }
    QCursor toolCursor() const override;
    bool SaveDocument(TChildForm& window) override;
    bool childMaximize() const override;
    void setChildMaximize(bool maximize) override;
    void openHueWindow(TChildForm& window, QPoint cell) override;
    void closeHueWindow() override;
    ViewOptions viewOptions() const override;

    int ToolCode() const { return toolCode(toolMode_); }
    void SetPenColor(uint32_t color);
    void SetBrushColor(uint32_t color);

    // Commands.
    void FileNewExecute();
    void FileOpenExecute();
    void FileCloseExecute();
    TChildForm* OpenDocument(const QString& fileName);
    bool SaveDocumentAs(TChildForm& window, const QString& suggested);
    void SaveAll1Click();
    THotSpotDlg& hotSpotDialog() const { return *hotSpotDlg_; }
    THueForm& hueForm() const { return *hueForm_; }
    TAdjustBrightnessDlg& brightnessDialog() const { return *brightnessDlg_; }
    TBlurDlg& blurDialog() const { return *blurDlg_; }
    TFileAssDlg& fileAssDialog() const { return *fileAssDlg_; }
    TTwainSourcesDlg& sourcesDialog() const { return *twainDlg_; }
    // A new window for a document made by a scan or the camera: "Icon" and the next number.
    TChildForm* newAcquiredDocument(std::unique_ptr<TIcon> document);
    void ScanNowExecute();
    // Crash recovery: every modified document copied now (the timer does it every
    // AutosaveSeconds, failures before they are shown); copies left by a program that ended
    // without cleaning up offered back, in the dialog "Recover Unsaved Documents".
    void autosave();
    // True when documents were recovered.
    bool offerRecovery();
    TRecoveryStore& recovery() const { return *recovery_; }
    // New from Picture and Add Sizes: every size chosen, made from a picture file or from the
    // current image.
    void NewFromPictureExecute();
    void AddSizesExecute();
    TSizesDlg& sizesDialog() const { return *sizesDlg_; }
    std::function<QString()> askPictureFile;
    // File > Export Cursor Theme: the open documents as the cursors of an X cursor theme.
    void ExportCursorThemeExecute();
    void ExportIconThemeExecute();
    TCursorThemeDlg& themeDialog() const { return *themeDlg_; }
    void WebCameraExecute();
    TInvertColorsDlg& invertDialog() const { return *invertDlg_; }
    void RecentFileClick(QAction* item);
    void HelpIndexExecute();

    int NewDocCount = 0;
    int BlurSize = 3;

    TChildForm* activeChild() const;
    QList<TChildForm*> children() const;
    // An action by its name (`FileNew`, `EditUndo`, `ToolsPencil`, ...).
    QAction* action(const QString& name) const;
    QList<QAction*> recentFileItems() const;
    QAction* separatorItem() const { return separatorItem_; }
    QMenu* menu(const QString& name) const;
    QToolBar* toolBar(int number) const;
    TColorPanel& colorPanel() const { return *colorPanel_; }
    QMdiArea& mdiArea() const { return *mdiArea_; }
    QLabel* statusPanel(int index) const { return statusPanels_[size_t(index)]; }
    const TRecentFiles& RecentFiles() const { return recent_; }
    const TSettings& settings() const { return settings_; }
    // Recomputes every command's state from the model; runs whenever the event loop is idle.
    void updateActions();

    // The program's message boxes and modal dialogs go through these, so tests can answer them.
    std::function<void(QMessageBox::Icon icon, const QString& title, const QString& text,
                       const QString& detail)>
        message;
    std::function<int(QDialog& dialog)> execDialog;
    std::function<QStringList()> askOpenFiles;
    // Opens the camera chosen in the sources dialog (its index there); tests give a test source.
    std::function<std::unique_ptr<CameraStream>(int index)> openCamera;
    // The save dialog of a window, shown with a suggested name; empty when cancelled.
    std::function<QString(TChildForm& window, const QString& suggested)> askSaveName;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Files dragged in from a file manager open as documents, as File > Open does.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    QAction* makeAction(const QString& name, const QString& caption,
                        const QList<QKeySequence>& shortcuts = {}, const QString& hint = {},
                        const QString& icon = {});
    void createActions();
    void createToolActions();
    void createEffectActions();
    void createMenus();
    void createToolBars();
    void createStatusBar();
    void readRecentFiles();
    void rebuildRecentItems();
    void chooseTool(ToolMode mode);
    void setUndoEnabled(bool enabled);
    void setRedoEnabled(bool enabled);
    void setDeleteIconEnabled(bool enabled);
    // Places a new document window fully inside the workspace.
    void placeInWorkspace(TChildForm& child);
    void workspaceResized();
    // Window > Cascade: every window a usable size, each title bar in view.
    void cascadeWindows();
    bool chooseSizes();
    // How far each cascaded window lies below and right of the one before: a title bar.
    int cascadeStep() const;
    // Runs a command on the active document window; a failure is shown and changes nothing else.
    void guarded(const QString& what, const std::function<void(TChildForm&)>& command);
    void addChild(TChildForm* child);
    void subWindowActivated();
    void forward(const std::function<void(TChildForm&)>& command);
    void editTableEntry(int entry, uint32_t colorRef);
    void clipboardChanged();

    TSettings settings_;
    TRecentFiles recent_;
    ToolMode toolMode_ = ToolMode::Pencil;
    QMdiArea* mdiArea_ = nullptr;
    TColorPanel* colorPanel_ = nullptr;
    std::unique_ptr<TIconForm> iconForm_;
    std::unique_ptr<TAboutBox> aboutBox_;
    std::unique_ptr<THotSpotDlg> hotSpotDlg_;
    THueForm* hueForm_ = nullptr;
    TAdjustBrightnessDlg* brightnessDlg_ = nullptr;
    TAdjustContrastDlg* contrastDlg_ = nullptr;
    TBlurDlg* blurDlg_ = nullptr;
    TFileAssDlg* fileAssDlg_ = nullptr;
    TTwainSourcesDlg* twainDlg_ = nullptr;
    TPreviewOpenDialog* openDialog_ = nullptr;
    TInvertColorsDlg* invertDlg_ = nullptr;
    TCursorThemeDlg* themeDlg_ = nullptr;
    TIconThemeDlg* iconThemeDlg_ = nullptr;
    TSizesDlg* sizesDlg_ = nullptr;
    TAnimationDlg* animationDlg_ = nullptr;
    std::unique_ptr<TRecoveryStore> recovery_;
    QHash<QString, QAction*> actions_;
    QHash<QString, QMenu*> menus_;
    QList<QToolBar*> toolBars_;
    QActionGroup* toolGroup_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QAction* separatorItem_ = nullptr;
    QList<QAction*> recentItems_;
    std::array<QLabel*, 4> statusPanels_{};
    QPointer<TChildForm> lastActive_;
    bool pastePossible_ = false;
};

}  // namespace tarvo
