#include "app/MainForm.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMdiArea>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUuid>
#include <QVBoxLayout>
#include <tuple>

#include "acquire/CameraCapture.h"
#include "acquire/SaneScanner.h"
#include "acquire/TwainSourcesDlg.h"
#include "acquire/WebCameraDlg.h"
#include "app/AboutBox.h"
#include "app/ColorPanel.h"
#include "app/HelpWindow.h"
#include "app/HotSpotDlg.h"
#include "app/Icons.h"
#include "app/Recovery.h"
#include "app/ToolCursors.h"
#include "core/CursorTheme.h"
#include "core/DocumentFiles.h"
#include "core/HicolorTheme.h"
#include "core/IcnsFormat.h"
#include "core/Icon.h"
#include "dialogs/AnimationDlg.h"
#include "dialogs/CursorThemeDlg.h"
#include "dialogs/FileAssDlg.h"
#include "dialogs/IconForm.h"
#include "dialogs/IconThemeDlg.h"
#include "dialogs/PreviewOpenDialog.h"
#include "dialogs/SizesDlg.h"
#include "editor/ChildForm.h"
#include "editor/Failures.h"
#include "editor/HueForm.h"
#include "editor/WindowBox.h"
#include "effects/Adjustments.h"
#include "effects/EffectDialogs.h"
#include "effects/Filters.h"
#include "effects/PictureSizes.h"
#include "raster/Errors.h"

namespace tarvo {

namespace {

const QString kTitle = QStringLiteral("Tarvo Iconworks");

enum class Cursor { Arrow, IBeam, Cross, Pencil, Eye, Fill, Blur };

struct ToolSpec {
    const char* name;
    const char* caption;
    const char* shortcut;
    int code;
    Cursor cursor;
    bool first;  // choosing it leaves a selection or a text entry alone
    const char* icon;
};

// In the order of the tools bar.
constexpr ToolSpec kTools[] = {
    {"ToolsRectangleSelection", "Rectangle Selection Tool", "Ctrl+W", 7, Cursor::Arrow, true,
     "tool-rectangle-selection"},
    {"ToolsEllipseSelection", "Ellipse Selection Tool", "Alt+E", 17, Cursor::Arrow, true,
     "tool-ellipse-selection"},
    {"ToolsLassoSelection", "Lasso Selection Tool", "Ctrl+U", 13, Cursor::Arrow, true,
     "tool-lasso-selection"},
    {"ToolsHueSelection", "Hue Selection Tool", "Alt+H", 19, Cursor::Arrow, true,
     "tool-hue-selection"},
    {"ToolsColorSelection", "Color Selection Tool", "Ctrl+G", 9, Cursor::Eye, false,
     "tool-color-picker"},
    {"ToolsErase", "Erase Tool", "Alt+D", 21, Cursor::Arrow, false, "tool-erase"},
    {"ToolsFill", "Fill Tool", "Ctrl+Q", 12, Cursor::Fill, false, "tool-fill"},
    {"ToolsPencil", "Pencil Tool", "Ctrl+P", 0, Cursor::Pencil, false, "tool-pencil"},
    {"ToolsLine", "Line Tool", "Ctrl+L", 1, Cursor::Cross, false, "tool-line"},
    {"ToolsBlur", "Blur", "Alt+B", 16, Cursor::Blur, false, "tool-blur"},
    {"ToolsText", "Text Tool", "Ctrl+T", 10, Cursor::IBeam, true, "tool-text"},
    {"ToolsRectangle", "Rectangle Tool", "Ctrl+R", 2, Cursor::Cross, false, "tool-rectangle"},
    {"ToolsFilledRectangle", "Filled Rectangle Tool", "Ctrl+F", 3, Cursor::Cross, false,
     "tool-filled-rectangle"},
    {"ToolsEllipse", "Ellipse Tool", "Ctrl+E", 4, Cursor::Cross, false, "tool-ellipse"},
    {"ToolsFilledEllipse", "Filled Ellipse Tool", "Ctrl+D", 5, Cursor::Cross, false,
     "tool-filled-ellipse"},
    {"ToolsHotSpot", "Hot Spot", "Ctrl+K", 22, Cursor::Cross, false, "tool-hot-spot"},
};

QCursor cursorFor(Cursor c) {
    switch (c) {
        case Cursor::IBeam:
            return Qt::IBeamCursor;
        case Cursor::Cross:
            return Qt::CrossCursor;
        case Cursor::Pencil:
            return toolCursor(1);
        case Cursor::Eye:
            return toolCursor(2);
        case Cursor::Fill:
            return toolCursor(3);
        case Cursor::Blur:
            return toolCursor(4);
        case Cursor::Arrow:
            break;
    }
    return Qt::ArrowCursor;
}

// The cursor of a tool code, including the codes a tool passes through while it works.
Cursor cursorOfCode(int code) {
    for (const ToolSpec& t : kTools)
        if (t.code == code) return t.cursor;
    return code == 11 ? Cursor::IBeam : Cursor::Arrow;
}

}  // namespace

TMainForm::TMainForm(TSettings settings, QWidget* parent)
    : QMainWindow(parent), settings_(std::move(settings)) {
    setWindowTitle(kTitle);
    setWindowIcon(applicationIcon());
    resize(783, 614);

    message = [this](QMessageBox::Icon icon, const QString& title, const QString& text,
                     const QString& detail) {
        QMessageBox box(icon, title.isEmpty() ? kTitle : title, text, QMessageBox::Ok, this);
        if (!detail.isEmpty()) box.setInformativeText(detail);
        box.exec();
    };
    execDialog = [](QDialog& dialog) { return dialog.exec(); };
    openCamera = [](int index) { return CameraStream::openDevice(index); };
    // Both file dialogs start in the folder last opened from or saved to.
    askOpenFiles = [this] {
        openDialog_->startIn(settings_.lastFolder());
        if (execDialog(*openDialog_) != QDialog::Accepted) return QStringList();
        settings_.setLastFolder(openDialog_->chosenFolder());
        return openDialog_->selectedFiles();
    };
    askSaveName = [this](TChildForm& window, const QString& suggested) {
        TSaveDialog& dialog = window.SaveDialog();
        dialog.startIn(settings_.lastFolder());
        dialog.selectFile(suggested);
        if (execDialog(dialog) != QDialog::Accepted) return QString();
        settings_.setLastFolder(dialog.chosenFolder());
        return dialog.selectedFiles().value(0);
    };

    setAcceptDrops(true);
    mdiArea_ = new QMdiArea(this);
    mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    colorPanel_ = new TColorPanel(this);
    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(mdiArea_, 1);
    layout->addWidget(colorPanel_);
    setCentralWidget(central);

    colorPanel_->document = [this]() -> TIcon* {
        TChildForm* child = activeChild();
        return child ? &child->Document() : nullptr;
    };
    colorPanel_->statusText = [this](const QString& text) { setStatusText(2, text); };
    colorPanel_->toolCode = [this] { return ToolCode(); };
    colorPanel_->redrawText = [this] { forward([](TChildForm& c) { c.session().redrawText(); }); };
    colorPanel_->editTableEntry = [this](int entry, uint32_t color) {
        editTableEntry(entry, color);
    };

    iconForm_ = std::make_unique<TIconForm>(this);
    aboutBox_ = std::make_unique<TAboutBox>(this);
    hotSpotDlg_ = std::make_unique<THotSpotDlg>(this);
    themeDlg_ = new TCursorThemeDlg(this);
    iconThemeDlg_ = new TIconThemeDlg(this);
    sizesDlg_ = new TSizesDlg(this);
    animationDlg_ = new TAnimationDlg(this);
    askPictureFile = [this] {
        return QFileDialog::getOpenFileName(
            this, QStringLiteral("New from Picture"), settings_.lastFolder(),
            QStringLiteral(
                "Pictures (*.svg *.svgz *.png *.jpg *.jpeg *.gif *.bmp);;All files (*)"));
    };
    recovery_ = std::make_unique<TRecoveryStore>();
    auto* autosaveTimer = new QTimer(this);
    connect(autosaveTimer, &QTimer::timeout, this, &TMainForm::autosave);
    autosaveTimer->start(settings_.autosaveSeconds() * 1000);
    brightnessDlg_ = new TAdjustBrightnessDlg(this);
    contrastDlg_ = new TAdjustContrastDlg(this);
    blurDlg_ = new TBlurDlg(this);
    fileAssDlg_ = new TFileAssDlg(this);
    twainDlg_ = new TTwainSourcesDlg(this);
    openDialog_ = new TPreviewOpenDialog(this);
    invertDlg_ = new TInvertColorsDlg(this);
    hueForm_ = new THueForm(this);

    createActions();
    createToolActions();
    createMenus();
    createToolBars();
    createStatusBar();
    readRecentFiles();

    connect(mdiArea_, &QMdiArea::subWindowActivated, this, &TMainForm::subWindowActivated);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &TMainForm::clipboardChanged);
    clipboardChanged();
    // Command states follow the model whenever the program has nothing else to do.
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            &TMainForm::updateActions);
    // Keys reach the active document window before the focused control.
    qApp->installEventFilter(this);
    updateActions();
}

TMainForm::~TMainForm() {
    // The children go away after this body: no more state updates from them.
    qApp->removeEventFilter(this);
    disconnect(mdiArea_, nullptr, this, nullptr);
    disconnect(QAbstractEventDispatcher::instance(), nullptr, this, nullptr);
}

// ---- actions and menus ---------------------------------------------------------------------

QAction* TMainForm::makeAction(const QString& name, const QString& caption,
                               const QList<QKeySequence>& shortcuts, const QString& hint,
                               const QString& icon) {
    auto* a = new QAction(caption, this);
    a->setObjectName(name);
    if (!shortcuts.isEmpty()) a->setShortcuts(shortcuts);
    // A hint "Short|Long" gives the tool tip and the status bar text.
    const QString text = hint.isEmpty() ? QString(caption).remove(QLatin1Char('&')) : hint;
    const qsizetype bar = text.indexOf(QLatin1Char('|'));
    a->setToolTip(bar < 0 ? text : text.left(bar));
    a->setStatusTip(bar < 0 ? text : text.mid(bar + 1));
    if (!icon.isEmpty()) a->setIcon(themedIcon(icon));
    actions_.insert(name, a);
    return a;
}

void TMainForm::createActions() {
    using K = QKeySequence;
    // File
    connect(makeAction("FileNew", "&New", {K("Ctrl+N")}, "New", "document-new"),
            &QAction::triggered, this, &TMainForm::FileNewExecute);
    connect(makeAction("FileOpen", "&Open...", {K("Ctrl+O")}, "Open|Opens an existing file",
                       "document-open"),
            &QAction::triggered, this, &TMainForm::FileOpenExecute);
    connect(makeAction("FileClose", "&Close", {K("Ctrl+F4")}, "Close", "window-close"),
            &QAction::triggered, this, &TMainForm::FileCloseExecute);
    connect(makeAction("FileSave", "&Save", {K("Ctrl+S")}, "Save", "document-save"),
            &QAction::triggered, this,
            [this] { forward([this](TChildForm& c) { SaveDocument(c); }); });
    connect(makeAction("FileSaveAs", "Save &As...", {K("Ctrl+Shift+S")}), &QAction::triggered, this,
            [this] { forward([this](TChildForm& c) { SaveDocumentAs(c, c.caption()); }); });
    connect(makeAction("SaveAll1", "Save All"), &QAction::triggered, this,
            &TMainForm::SaveAll1Click);
    connect(makeAction("TwainSettings", "Scanner and Camera..."), &QAction::triggered, this,
            [this] {
                // The devices are listed each time, so a scanner or camera plugged in later shows
                // up.
                try {
                    twainDlg_->setScanners(listScanners());
                } catch (const std::exception&) {
                    twainDlg_->setScanners({});
                }
                try {
                    twainDlg_->setCameras(listCameras());
                } catch (const std::exception&) {
                    twainDlg_->setCameras({});
                }
                execDialog(*twainDlg_);
            });
    connect(makeAction("WebCamera", "Camera..."), &QAction::triggered, this,
            &TMainForm::WebCameraExecute);
    connect(makeAction("ScanNow", "Scan Now..."), &QAction::triggered, this,
            &TMainForm::ScanNowExecute);
    connect(makeAction("FileNewFromPicture", "New from &Picture...", {},
                       "New from Picture|Makes every size chosen from one picture"),
            &QAction::triggered, this, &TMainForm::NewFromPictureExecute);
    connect(makeAction("ToolsAddSizes", "Add &Sizes...", {},
                       "Add Sizes|Adds every size chosen, made from the current image"),
            &QAction::triggered, this, &TMainForm::AddSizesExecute);
    connect(makeAction("ToolsAnimation", "&Animation...", {},
                       "Animation|The steps of an animated cursor: frames, order and rates"),
            &QAction::triggered, this, [this] {
                forward([this](TChildForm& c) {
                    c.session().finishEditing();
                    animationDlg_->setAnimation(c.Document().Animation(),
                                                c.Document().ImageCount());
                    if (execDialog(*animationDlg_) == QDialog::Accepted)
                        c.session().setAnimation(animationDlg_->animation());
                });
            });
    connect(makeAction("ToolsDuplicateImage", "D&uplicate Image", {},
                       "Duplicate Image|A copy of the current image, as the last image"),
            &QAction::triggered, this,
            [this] { forward([](TChildForm& c) { c.session().duplicateImage(); }); });
    connect(
        makeAction("ToolsMoveImageUp", "Move Image U&p", {},
                   "Move Image Up|Moves the current image one place up the list"),
        &QAction::triggered, this, [this] {
            forward([](TChildForm& c) { c.session().moveImage(c.Document().CurrentIndex() - 1); });
        });
    connect(
        makeAction("ToolsMoveImageDown", "Move Image Do&wn", {},
                   "Move Image Down|Moves the current image one place down the list"),
        &QAction::triggered, this, [this] {
            forward([](TChildForm& c) { c.session().moveImage(c.Document().CurrentIndex() + 1); });
        });
    connect(makeAction("FileExportTheme", "Export Cursor &Theme...", {},
                       "Export Cursor Theme|Writes the open cursors as an X cursor theme"),
            &QAction::triggered, this, &TMainForm::ExportCursorThemeExecute);
    connect(
        makeAction("FileExportIconTheme", "Export to &Icon Theme...", {},
                   "Export to Icon Theme|Writes the document as a program's icon for the desktop"),
        &QAction::triggered, this, &TMainForm::ExportIconThemeExecute);
    connect(makeAction("FileAssociates", "File Associates..."), &QAction::triggered, this, [this] {
        if (execDialog(*fileAssDlg_) != QDialog::Accepted) return;
        const QString error =
            fileAssDlg_->applyAssociations(QCoreApplication::applicationFilePath());
        if (!error.isEmpty())
            message(QMessageBox::Warning, kTitle,
                    QStringLiteral("The file types could not all be associated."), error);
    });
    connect(makeAction("FileExit", "E&xit", {}, "Exit|Quits the application"), &QAction::triggered,
            this, &QWidget::close);

    // Edit and the image list
    connect(
        makeAction("EditUndo", "&Undo", {K("Ctrl+Z")}, "Undo|Reverts the last action", "edit-undo"),
        &QAction::triggered, this, [this] { forward([](TChildForm& c) { c.session().undo(); }); });
    connect(makeAction("EditRedo", "&Redo", {K("Ctrl+Y")}, "Redo", "edit-redo"),
            &QAction::triggered, this,
            [this] { forward([](TChildForm& c) { c.session().redo(); }); });
    auto command = [this](QAction* a, void (EditSession::*run)()) {
        connect(a, &QAction::triggered, this,
                [this, run] { forward([run](TChildForm& c) { (c.session().*run)(); }); });
    };
    connect(makeAction("EditCut", "Cu&t", {K("Ctrl+X")},
                       "Cut|Cuts the selection and puts it on the Clipboard"),
            &QAction::triggered, this, [this] {
                forward([](TChildForm& c) {
                    c.CopySelection();
                    c.session().deleteSelection();
                });
            });
    connect(makeAction("EditCopy", "&Copy", {K("Ctrl+C"), K("Ctrl+Ins")},
                       "Copy|Copies the selection and puts it on the Clipboard"),
            &QAction::triggered, this, [this] {
                forward([](TChildForm& c) {
                    c.CopySelection();
                    c.session().dropSelection();
                });
            });
    connect(makeAction("EditPaste", "&Paste", {K("Ctrl+V"), K("Shift+Ins")},
                       "Paste|Inserts Clipboard contents"),
            &QAction::triggered, this, [this] {
                guarded(QStringLiteral("The clipboard's contents cannot be pasted."),
                        [](TChildForm& c) { c.session().paste(TChildForm::clipboardContent()); });
            });
    command(makeAction("EditDelete", "&Delete", {K(Qt::Key_Delete)}, "Delete|Erases the selection"),
            &EditSession::deleteSelection);
    command(makeAction("EditSelectAll", "Select &All", {K("Ctrl+A")},
                       "Select All|Selects the entire document"),
            &EditSession::selectAll);
    command(makeAction("EditCrop", "Crop"), &EditSession::crop);
    connect(makeAction("EditCreateIcon", "Create Icon from Clipboard"), &QAction::triggered, this,
            [this] {
                if (!activeChild()) return;
                guarded(QStringLiteral("No image can be made from the clipboard's contents."),
                        [](TChildForm& c) {
                            c.session().createImageFromClipboard(TChildForm::clipboardContent());
                        });
                action("ToolsPencil")->trigger();
            });
    connect(makeAction("ToolsAddIcon", "Add Icon...", {}, "Add Icon", "list-add"),
            &QAction::triggered, this, [this] {
                guarded(QStringLiteral("The image cannot be added."),
                        [](TChildForm& c) { c.AddIcon(); });
            });
    connect(makeAction("ToolsDeleteIcon", "Delete Icon", {}, "Delete Icon", "list-remove"),
            &QAction::triggered, this,
            [this] { forward([](TChildForm& c) { c.session().deleteImage(); }); });

    // Image transforms, and the document window's own commands
    connect(makeAction("ToolsFlipVerical", "Flip Vertical", {}, "Flip Vertical",
                       "object-flip-vertical"),
            &QAction::triggered, this,
            [this] { forward([](TChildForm& c) { c.session().flip(true); }); });
    connect(makeAction("TollsFilpHorizontal", "Flip Horizontal", {}, "Flip Horizontal",
                       "object-flip-horizontal"),
            &QAction::triggered, this,
            [this] { forward([](TChildForm& c) { c.session().flip(false); }); });
    connect(makeAction("ToolsRotateLeft", "Rotate Left", {}, {}, "object-rotate-left"),
            &QAction::triggered, this,
            [this] { forward([](TChildForm& c) { c.session().rotateQuarter(true); }); });
    connect(makeAction("ToolsRotateRight", "Rotate Right", {}, {}, "object-rotate-right"),
            &QAction::triggered, this,
            [this] { forward([](TChildForm& c) { c.session().rotateQuarter(false); }); });
    const struct {
        const char* name;
        const char* caption;
        Qt::Key key;
        const char* icon;
        int dx, dy;
    } shifts[] = {{"ToolsShiftLeft", "Shift Left", Qt::Key_Left, "shift-left", -1, 0},
                  {"ToolsShiftRight", "Shift Right", Qt::Key_Right, "shift-right", 1, 0},
                  {"ToolsShiftUp", "Shift Up", Qt::Key_Up, "shift-up", 0, -1},
                  {"ToolsShiftDown", "Shift Down", Qt::Key_Down, "shift-down", 0, 1}};
    for (const auto& shift : shifts) {
        const int dx = shift.dx, dy = shift.dy;
        connect(makeAction(shift.name, shift.caption, {K(shift.key)}, {}, shift.icon),
                &QAction::triggered, this, [this, dx, dy] {
                    forward([dx, dy](TChildForm& c) { c.session().shift(dx, dy); });
                });
    }
    const struct {
        const char* name;
        const char* caption;
        const char* keys;
        int right, bottom;
    } sizes[] = {{"ToolsDecreaseSelectionLeft", "Decrease Selection Left", "Shift+Left", -1, 0},
                 {"ToolsIncreaseSelectionRight", "Increase Selection Right", "Shift+Right", 1, 0},
                 {"TollsDecreaseSelectionUp", "Decrease Selection Up", "Shift+Up", 0, -1},
                 {"ToolsIncreaseSelectionDown", "Increase Selection Down", "Shift+Down", 0, 1}};
    for (const auto& size : sizes) {
        const int right = size.right, bottom = size.bottom;
        connect(makeAction(size.name, size.caption, {K(size.keys)}), &QAction::triggered, this,
                [this, right, bottom] {
                    forward([right, bottom](TChildForm& c) {
                        c.session().resizeSelection(right, bottom);
                    });
                });
    }
    connect(makeAction("ToolsRotateAngle", "Rotate Angle..."), &QAction::triggered, this, [this] {
        forward([this](TChildForm& c) {
            TRotateDlg d(this);
            c.runPreview(d, d.UpdatePreview, [&d](TIcon& target) { target.Rotate(d.angle()); });
        });
    });
    connect(makeAction("ToolsExchangeColor", "Exchange Color", {K("Alt+X")}), &QAction::triggered,
            this, [this] {
                const uint32_t pen = PenColor();
                SetPenColor(BrushColor());
                SetBrushColor(pen);
                repaintColorPanel();
            });
    connect(makeAction("ToolsConvertImage", "Convert Image...", {K("Alt+C")}), &QAction::triggered,
            this, [this] {
                guarded(QStringLiteral("The image cannot be converted."),
                        [](TChildForm& c) { c.ConvertImage1Click(); });
            });
    connect(makeAction("FontItem", "Font...", {K("Ctrl+B")}), &QAction::triggered, this, [this] {
        forward([this](TChildForm& c) {
            // The dialog starts from the font text would be typed in now.
            c.Document().FitTextFont();
            QFontDialog dialog(c.Document().TextFont, this);
            if (execDialog(dialog) == QDialog::Accepted)
                c.Document().ChooseTextFont(dialog.selectedFont());
        });
    });
    createEffectActions();

    // View
    for (const char* name : {"ToolbarItem", "ToolsBarItem", "EffectsBarItem", "ColorsBarItem"}) {
        QAction* a = makeAction(name, QString());
        a->setCheckable(true);
        a->setChecked(true);
    }
    action("ToolbarItem")->setText("&Toolbar");
    action("ToolsBarItem")->setText("Tools Bar");
    action("EffectsBarItem")->setText("Effects Bar");
    action("ColorsBarItem")->setText("Colors Bar");
    connect(action("ColorsBarItem"), &QAction::toggled, colorPanel_, &QWidget::setVisible);
    // Ctrl+= as well, since Ctrl++ needs Shift on most keyboards.
    connect(makeAction("ZoomInItem", "Zoom &In",
                       {K(Qt::CTRL | Qt::Key_Plus), K(Qt::CTRL | Qt::Key_Equal),
                        K(Qt::KeypadModifier | Qt::Key_Plus)},
                       {}, "zoom-in"),
            &QAction::triggered, this, [this] { forward([](TChildForm& c) { c.ZoomIn(); }); });
    connect(makeAction("ZoomOutItem", "Zoom &Out",
                       {K(Qt::CTRL | Qt::Key_Minus), K(Qt::KeypadModifier | Qt::Key_Minus)}, {},
                       "zoom-out"),
            &QAction::triggered, this, [this] { forward([](TChildForm& c) { c.ZoomOut(); }); });
    connect(
        makeAction("ZoomFitItem", "&Fit in Window", {K(Qt::CTRL | Qt::Key_0)}, {}, "zoom-fit-best"),
        &QAction::triggered, this, [this] { forward([](TChildForm& c) { c.FitZoom(); }); });
    QAction* grid = makeAction("ViewGrid", "&Grid");
    grid->setCheckable(true);
    grid->setChecked(settings_.viewFlag(QStringLiteral("Grid"), true));
    connect(grid, &QAction::toggled, this, [this](bool on) {
        settings_.setViewFlag(QStringLiteral("Grid"), on);
        for (TChildForm* c : children()) c->invalidateViews();
    });
    // Behind transparent pixels: the tiles, or a neutral grey checkerboard.
    auto* transparency = new QActionGroup(this);
    const bool checker = settings_.viewFlag(QStringLiteral("Checkerboard"), false);
    for (const auto& [name, caption, on] :
         {std::tuple{"ViewTiles", "&Tiles", !checker},
          std::tuple{"ViewCheckerboard", "Grey &Checkerboard", checker}}) {
        QAction* a = makeAction(name, caption);
        a->setCheckable(true);
        a->setChecked(on);
        transparency->addAction(a);
    }
    connect(action("ViewCheckerboard"), &QAction::toggled, this, [this](bool on) {
        settings_.setViewFlag(QStringLiteral("Checkerboard"), on);
        for (TChildForm* c : children()) c->invalidateViews();
    });

    // Window and Help
    connect(makeAction("WindowCascade", "&Cascade"), &QAction::triggered, this,
            &TMainForm::cascadeWindows);
    connect(makeAction("WindowTile", "&Tile"), &QAction::triggered, mdiArea_,
            &QMdiArea::tileSubWindows);
    connect(makeAction("HelpIndex", "&Index", {K(Qt::Key_F1)}, {}, "help-contents"),
            &QAction::triggered, this, &TMainForm::HelpIndexExecute);
    connect(makeAction("HelpAbout", "&About Tarvo Iconworks..."), &QAction::triggered, this,
            [this] { execDialog(*aboutBox_); });
}

void TMainForm::createEffectActions() {
    // The adjustments preview live; the filters act at once on the selection or the image.
    auto preview = [this](const char* name, const char* caption, auto run) {
        connect(makeAction(name, caption), &QAction::triggered, this,
                [this, run] { forward(run); });
    };
    preview("EffectBrightness", "Adjust &Brightness...", [this](TChildForm& c) {
        TAdjustChannelsDlg& d = *brightnessDlg_;
        c.runPreview(d, d.UpdatePreview, [&d](TIcon& target) {
            AdjustBrightness(target, d.RTrackBar->value(), d.GTrackBar->value(),
                             d.BTrackBar->value());
        });
    });
    preview("EffectContrast", "Adjust &Contrast...", [this](TChildForm& c) {
        TAdjustChannelsDlg& d = *contrastDlg_;
        c.runPreview(d, d.UpdatePreview, [&d](TIcon& target) {
            AdjustContrast(target, d.RTrackBar->value(), d.GTrackBar->value(),
                           d.BTrackBar->value());
        });
    });
    preview("EffectAdjustColor", "Adjust Color...", [this](TChildForm& c) {
        TAdjustColorDlg d(this);
        c.runPreview(d, d.UpdatePreview, [&d](TIcon& target) {
            ColorAdjustment a;
            a.flags = d.flag();
            a.illuminant = d.ComboBox->currentIndex();
            a.redGamma = d.RTrackBar->value();
            a.greenGamma = d.GTrackBar->value();
            a.blueGamma = d.BTrackBar->value();
            a.referenceBlack = d.BlackTrackBar->value();
            a.referenceWhite = d.WhiteTrackBar->value();
            a.contrast = d.ContrastTrackBar->value() - 100;
            a.brightness = d.BrigthnessTrackBar->value() - 100;
            a.colorfulness = d.CTrackBar->value() - 100;
            a.redGreenTint = d.RGTTrackBar->value() - 100;
            AdjustColor(target, a);
        });
    });
    preview("EffectHSB", "Adjust &HSB...", [this](TChildForm& c) {
        TAdjustHSBDlg d(this);
        c.runPreview(d, d.UpdatePreview, [&d](TIcon& target) {
            AdjustHSB(target, d.HTrackBar->value(), d.STrackBar->value(), d.BTrackBar->value());
        });
    });
    connect(makeAction("EffectBlurSetting", "Blur &Setting..."), &QAction::triggered, this, [this] {
        blurDlg_->Size = BlurSize;
        if (execDialog(*blurDlg_) == QDialog::Accepted) BlurSize = blurDlg_->Size;
    });
    auto filter = [this](const char* name, const char* caption, auto effect) {
        connect(makeAction(name, caption), &QAction::triggered, this, [this, effect] {
            forward([effect](TChildForm& c) { c.session().applyEffect(effect); });
        });
    };
    filter("EffectBlur", "B&lur Image", [this](TIcon& t) { Blur(t, BlurSize); });
    filter("EffectGrayScale", "&Gray Scale", [](TIcon& t) { GrayScale(t); });
    connect(makeAction("EffectInvertColors", "&Invert Colors..."), &QAction::triggered, this,
            [this] {
                TChildForm* c = activeChild();
                if (!c || execDialog(*invertDlg_) != QDialog::Accepted) return;
                const bool r = invertDlg_->RedCheckBox->isChecked();
                const bool g = invertDlg_->GreenCheckBox->isChecked();
                const bool b = invertDlg_->BlueCheckBox->isChecked();
                c->session().applyEffect([r, g, b](TIcon& t) { InvertColors(t, r, g, b); });
            });
    filter("EffectSharpen", "Sharpen", [](TIcon& t) { Sharpen(t); });
    filter("EffectEmboss", "Emboss", [](TIcon& t) { Emboss(t); });
}

void TMainForm::createToolActions() {
    toolGroup_ = new QActionGroup(this);
    toolGroup_->setExclusive(true);
    for (const ToolSpec& t : kTools) {
        QAction* a = makeAction(t.name, t.caption, {QKeySequence(t.shortcut)}, {}, t.icon);
        a->setCheckable(true);
        toolGroup_->addAction(a);
        const auto mode = static_cast<ToolMode>(t.code);
        connect(a, &QAction::triggered, this, [this, mode] { chooseTool(mode); });
    }
    action("ToolsPencil")->setChecked(true);
    QAction* smooth = makeAction("SmoothEdges", "Smooth edges", {},
                                 "Smooth edges|Anti-aliases lines, ellipses and text on 32-bit "
                                 "images",
                                 "smooth-edges");
    smooth->setCheckable(true);
    smooth->setChecked(true);
    // Text being typed shows the choice at once, as it shows a new pen colour.
    connect(smooth, &QAction::toggled, this,
            [this] { forward([](TChildForm& c) { c.session().redrawText(); }); });
}

bool TMainForm::smoothEdges() const {
    return action("SmoothEdges")->isChecked();
}

void TMainForm::chooseTool(ToolMode mode) {
    // Drawing tools end a selection or text entry first; the chosen mode wins over whatever
    // finishing stored.
    if (TChildForm* child = activeChild()) {
        child->setViewCursor(cursorFor(cursorOfCode(toolCode(mode))));
        child->session().chooseTool(mode);
    }
    toolMode_ = mode;
}

void TMainForm::createMenus() {
    QMenuBar* bar = menuBar();
    auto add = [this](QMenu* m, const char* name) {
        m->addAction(action(QString::fromLatin1(name)));
    };
    fileMenu_ = bar->addMenu("&File");
    menus_.insert("File", fileMenu_);
    for (const char* n : {"FileNew", "FileNewFromPicture", "FileOpen", "FileClose", "FileSave",
                          "FileSaveAs", "SaveAll1"})
        add(fileMenu_, n);
    fileMenu_->addSeparator();
    for (const char* n : {"TwainSettings", "WebCamera", "ScanNow"}) add(fileMenu_, n);
    fileMenu_->addSeparator();
    add(fileMenu_, "FileExportTheme");
    add(fileMenu_, "FileExportIconTheme");
    add(fileMenu_, "FileAssociates");
    separatorItem_ = fileMenu_->addSeparator();
    separatorItem_->setVisible(false);
    fileMenu_->addSeparator();
    add(fileMenu_, "FileExit");

    QMenu* edit = bar->addMenu("Ed&it");
    menus_.insert("Edit", edit);
    for (const char* n : {"EditUndo", "EditRedo"}) add(edit, n);
    edit->addSeparator();
    for (const char* n : {"EditCut", "EditCopy", "EditPaste", "EditDelete", "EditSelectAll",
                          "EditCrop", "EditCreateIcon"})
        add(edit, n);
    edit->menuAction()->setVisible(false);

    QMenu* view = bar->addMenu("&View");
    menus_.insert("View", view);
    for (const char* n : {"ToolbarItem", "ToolsBarItem", "EffectsBarItem", "ColorsBarItem"})
        add(view, n);
    view->addSeparator();
    for (const char* n : {"ZoomInItem", "ZoomOutItem", "ZoomFitItem"}) add(view, n);
    view->addSeparator();
    add(view, "ViewGrid");
    QMenu* transparent = view->addMenu("T&ransparency");
    for (const char* n : {"ViewTiles", "ViewCheckerboard"}) add(transparent, n);

    // The document window's menus, shown while one is active.
    QMenu* text = bar->addMenu("Text");
    menus_.insert("Text", text);
    add(text, "FontItem");

    QMenu* tools = bar->addMenu("Tools");
    menus_.insert("Tools", tools);
    for (const char* n : {"ToolsRectangleSelection", "ToolsEllipseSelection", "ToolsLassoSelection",
                          "ToolsHueSelection", "ToolsColorSelection"})
        add(tools, n);
    add(tools, "ToolsExchangeColor");
    tools->addSeparator();
    for (const char* n : {"ToolsErase", "ToolsFill", "ToolsPencil", "ToolsLine", "ToolsBlur",
                          "ToolsText", "ToolsRectangle", "ToolsFilledRectangle", "ToolsEllipse",
                          "ToolsFilledEllipse", "ToolsHotSpot"})
        add(tools, n);
    add(tools, "SmoothEdges");
    tools->addSeparator();
    QMenu* shifts = tools->addMenu("Shifts");
    menus_.insert("Shifts", shifts);
    for (const char* n : {"ToolsShiftLeft", "ToolsShiftRight", "ToolsShiftUp", "ToolsShiftDown"})
        add(shifts, n);
    shifts->addSeparator();
    for (const char* n : {"ToolsDecreaseSelectionLeft", "ToolsIncreaseSelectionRight",
                          "TollsDecreaseSelectionUp", "ToolsIncreaseSelectionDown"})
        add(shifts, n);
    for (const char* n : {"ToolsFlipVerical", "TollsFilpHorizontal", "ToolsRotateLeft",
                          "ToolsRotateRight", "ToolsRotateAngle"})
        add(tools, n);
    tools->addSeparator();
    // The commands on the image list, together.
    for (const char* n :
         {"ToolsAddIcon", "ToolsAddSizes", "ToolsDuplicateImage", "ToolsDeleteIcon",
          "ToolsMoveImageUp", "ToolsMoveImageDown", "ToolsConvertImage", "ToolsAnimation"})
        add(tools, n);

    QMenu* effects = bar->addMenu("Effect&s");
    menus_.insert("Effects", effects);
    for (const char* n : {"EffectBrightness", "EffectContrast", "EffectAdjustColor", "EffectHSB"})
        add(effects, n);
    effects->addSeparator();
    for (const char* n : {"EffectBlur", "EffectBlurSetting", "EffectGrayScale",
                          "EffectInvertColors", "EffectSharpen", "EffectEmboss"})
        add(effects, n);

    QMenu* window = bar->addMenu("&Window");
    menus_.insert("Window", window);
    connect(window, &QMenu::aboutToShow, this, [this, window] {
        // Cascade, Tile, then one entry per document window.
        window->clear();
        window->addAction(action("WindowCascade"));
        window->addAction(action("WindowTile"));
        const QList<TChildForm*> list = children();
        if (!list.isEmpty()) window->addSeparator();
        for (qsizetype i = 0; i < list.size(); ++i) {
            TChildForm* child = list[i];
            QAction* a =
                window->addAction(QStringLiteral("&%1 %2%3")
                                      .arg(i + 1)
                                      .arg(child->caption(), child->Modified() ? "*" : ""));
            a->setCheckable(true);
            a->setChecked(child == activeChild());
            connect(a, &QAction::triggered, this,
                    [this, child] { mdiArea_->setActiveSubWindow(child); });
        }
    });
    window->addAction(action("WindowCascade"));
    window->addAction(action("WindowTile"));
    for (QMenu* m : {text, tools, effects, window}) m->menuAction()->setVisible(false);

    QMenu* help = bar->addMenu("He&lp");
    menus_.insert("Help", help);
    add(help, "HelpIndex");
    add(help, "HelpAbout");
}

void TMainForm::createToolBars() {
    auto bar = [this](const char* name, Qt::ToolBarArea area) {
        auto* b = new QToolBar(QString::fromLatin1(name), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setIconSize(QSize(24, 24));
        addToolBar(area, b);
        toolBars_.append(b);
        return b;
    };
    QToolBar* one = bar("TBXToolbar1", Qt::TopToolBarArea);
    for (const char* n : {"FileNew", "FileOpen", "FileSave", "FileClose"})
        one->addAction(action(n));
    one->addSeparator();
    for (const char* n : {"EditUndo", "EditRedo"}) one->addAction(action(n));
    one->addSeparator();
    for (const char* n : {"ToolsAddIcon", "ToolsDeleteIcon"}) one->addAction(action(n));
    addToolBarBreak(Qt::TopToolBarArea);
    QToolBar* two = bar("TBXToolbar2", Qt::TopToolBarArea);
    for (const char* n :
         {"ToolsFlipVerical", "TollsFilpHorizontal", "ToolsRotateLeft", "ToolsRotateRight",
          "ToolsShiftLeft", "ToolsShiftRight", "ToolsShiftUp", "ToolsShiftDown"})
        two->addAction(action(n));
    two->addSeparator();
    for (const char* n : {"ZoomInItem", "ZoomOutItem", "ZoomFitItem"}) two->addAction(action(n));
    QToolBar* three = bar("TBXToolbar3", Qt::LeftToolBarArea);
    three->setFloatable(false);
    three->setAllowedAreas(Qt::LeftToolBarArea | Qt::RightToolBarArea);
    for (const ToolSpec& t : kTools) {
        three->addAction(action(t.name));
        if (t.code == 12 || t.code == 10 || t.code == 5) three->addSeparator();
    }
    three->addSeparator();
    three->addAction(action("SmoothEdges"));
    connect(action("ToolbarItem"), &QAction::toggled, one, &QWidget::setVisible);
    connect(action("EffectsBarItem"), &QAction::toggled, two, &QWidget::setVisible);
    connect(action("ToolsBarItem"), &QAction::toggled, three, &QWidget::setVisible);
    for (QToolBar* b : toolBars_) b->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);
}

void TMainForm::createStatusBar() {
    const int widths[4] = {100, 100, 180, 100};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(this);
        label->setMinimumWidth(widths[i]);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        statusBar()->addWidget(label);
        statusPanels_[size_t(i)] = label;
    }
}

QAction* TMainForm::action(const QString& name) const {
    return actions_.value(name);
}

QMenu* TMainForm::menu(const QString& name) const {
    return menus_.value(name);
}

QToolBar* TMainForm::toolBar(int number) const {
    return toolBars_.value(number - 1);
}

// ---- recent files ----------------------------------------------------------------------

void TMainForm::readRecentFiles() {
    recent_.load(settings_);
    rebuildRecentItems();
}

QList<QAction*> TMainForm::recentFileItems() const {
    return recentItems_;
}

void TMainForm::rebuildRecentItems() {
    for (QAction* a : recentItems_) {
        fileMenu_->removeAction(a);
        a->deleteLater();
    }
    recentItems_.clear();
    const QList<QAction*> items = fileMenu_->actions();
    const qsizetype at = items.indexOf(separatorItem_);
    QAction* before = at + 1 < items.size() ? items[at + 1] : nullptr;
    const QStringList& files = recent_.files();
    for (qsizetype i = 0; i < files.size(); ++i) {
        auto* a = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(files[i]), this);
        connect(a, &QAction::triggered, this, [this, a] { RecentFileClick(a); });
        fileMenu_->insertAction(before, a);
        recentItems_.append(a);
    }
    separatorItem_->setVisible(!files.isEmpty());
}

void TMainForm::AddToRecent(const QString& fileName) {
    if (fileName.isEmpty()) return;
    // The list in memory stays right even when the settings file cannot be written.
    recent_.add(fileName, settings_);
    rebuildRecentItems();
}

void TMainForm::RecentFileClick(QAction* item) {
    const QString name = item->text().mid(3);
    recent_.take(name);
    rebuildRecentItems();
    if (QFileInfo::exists(name)) {
        OpenDocument(name);
    } else {
        message(QMessageBox::Critical, QString(), QStringLiteral("File %1 not found").arg(name),
                {});
    }
}

// ---- documents --------------------------------------------------------------------------

TChildForm* TMainForm::activeChild() const {
    return qobject_cast<TChildForm*>(mdiArea_->activeSubWindow());
}

QList<TChildForm*> TMainForm::children() const {
    QList<TChildForm*> list;
    for (QMdiSubWindow* w : mdiArea_->subWindowList())
        if (auto* c = qobject_cast<TChildForm*>(w)) list.append(c);
    return list;
}

void TMainForm::forward(const std::function<void(TChildForm&)>& command) {
    guarded(QStringLiteral("The command could not be completed."), command);
}

void TMainForm::guarded(const QString& what, const std::function<void(TChildForm&)>& command) {
    TChildForm* child = activeChild();
    if (!child) return;
    try {
        command(*child);
    } catch (const std::exception& e) {
        message(QMessageBox::Warning, kTitle, what, QString::fromUtf8(e.what()));
    }
}

void TMainForm::addChild(TChildForm* child) {
    mdiArea_->addSubWindow(child);
    child->setWindowIcon(windowIcon());
    child->setViewCursor(toolCursor());
    // The image list's own menu: the commands on images.
    child->imageList()->setContextMenuPolicy(Qt::ActionsContextMenu);
    for (const char* n :
         {"ToolsDuplicateImage", "ToolsMoveImageUp", "ToolsMoveImageDown", "ToolsDeleteIcon"})
        child->imageList()->addAction(action(n));
    child->showAsConfigured();
    if (!child->isMaximized()) placeInWorkspace(*child);
    mdiArea_->setActiveSubWindow(child);
}

QRect cascadeSlot(const QRect& area, QSize size, int step, int k) {
    size = size.boundedTo(area.size());
    step = std::max(1, step);
    // The slots that fit diagonally; the next round starts over at the top, one step further
    // right, so each title bar keeps a part in view.
    const int fit = std::max(
        1,
        std::min((area.width() - size.width()) / step, (area.height() - size.height()) / step) + 1);
    const int i = k % fit, round = k / fit;
    const int x = std::min((i + round) * step, area.width() - size.width());
    return {area.topLeft() + QPoint(x, i * step), size};
}

QSize cascadeSize(const QRect& area, QSize designed, int step, int windows) {
    // Room for every title bar, but never smaller than a window one can still work in.
    const int room = std::max(0, windows - 1) * step;
    const QSize usable = QSize(420, 320).boundedTo(area.size() * 3 / 4);
    return designed.boundedTo(area.size() - QSize(room, room))
        .expandedTo(usable)
        .boundedTo(area.size());
}

int TMainForm::cascadeStep() const {
    return style()->pixelMetric(QStyle::PM_TitleBarHeight) + 4;
}

namespace {
// The geometry a window was placed at; while it keeps it, it follows the workspace's size.
const char* const kPlacedGeometry = "tarvoPlacedGeometry";
}  // namespace

void TMainForm::placeInWorkspace(TChildForm& child) {
    // Below and right of the windows already there, so no title bar is hidden, and inside the
    // workspace whatever its size.
    const QRect area = mdiArea_->viewport()->rect();
    if (area.isEmpty()) return;
    int others = 0;
    for (TChildForm* c : children())
        if (c != &child && c->isVisible() && !c->isMinimized() && !c->isMaximized()) ++others;
    const QSize designed(TChildForm::kDesignedWidth, TChildForm::kDesignedHeight);
    const QRect slot =
        cascadeSlot(area, cascadeSize(area, designed, cascadeStep(), 5), cascadeStep(), others);
    child.setGeometry(slot);
    child.setProperty(kPlacedGeometry, slot);
}

void TMainForm::workspaceResized() {
    // Windows placed while the frame was still small (a file opened at start-up, before the
    // frame is maximized) grow with it, unless the user has moved or sized them since.
    const QRect area = mdiArea_->viewport()->rect();
    if (area.isEmpty()) return;
    const QSize designed(TChildForm::kDesignedWidth, TChildForm::kDesignedHeight);
    const QSize size = cascadeSize(area, designed, cascadeStep(), 5);
    int k = 0;
    for (TChildForm* c : children()) {
        if (!c->isVisible() || c->isMinimized() || c->isMaximized()) continue;
        if (c->property(kPlacedGeometry).toRect() == c->geometry()) {
            const QRect slot = cascadeSlot(area, size, cascadeStep(), k);
            c->setGeometry(slot);
            c->setProperty(kPlacedGeometry, slot);
        }
        ++k;
    }
}

void TMainForm::cascadeWindows() {
    const QRect area = mdiArea_->viewport()->rect();
    QList<TChildForm*> windows;
    for (TChildForm* c : children())
        if (!c->isMinimized()) windows.append(c);
    // The active window ends on top.
    if (TChildForm* active = activeChild(); active && windows.removeOne(active))
        windows.append(active);
    const QSize size =
        cascadeSize(area, QSize(TChildForm::kDesignedWidth, TChildForm::kDesignedHeight),
                    cascadeStep(), int(windows.size()));
    for (int k = 0; k < windows.size(); ++k) {
        TChildForm* c = windows[k];
        if (c->isMaximized()) c->showNormal();
        c->setGeometry(cascadeSlot(area, size, cascadeStep(), k));
        c->raise();
    }
    if (!windows.isEmpty()) mdiArea_->setActiveSubWindow(windows.back());
}

void TMainForm::FileNewExecute() {
    TIconForm& form = *iconForm_;
    form.prepareForNew();
    if (execDialog(form) != QDialog::Accepted) return;
    TChildForm* child = nullptr;
    try {
        child = new TChildForm(*this, form.ImageWidth(), form.ImageHeight(), form.SelectedBitCount);
    } catch (const std::exception& e) {
        message(QMessageBox::Warning, kTitle, QStringLiteral("The image cannot be made."),
                QString::fromUtf8(e.what()));
        return;
    }
    ++NewDocCount;
    child->setCaption(QStringLiteral("Icon%1").arg(NewDocCount));
    addChild(child);
}

TChildForm* TMainForm::newAcquiredDocument(std::unique_ptr<TIcon> document) {
    auto* child = new TChildForm(*this, 32, 32, 32);
    ++NewDocCount;
    child->setCaption(QStringLiteral("Icon%1").arg(NewDocCount));
    addChild(child);
    child->adoptDocument(std::move(document));
    return child;
}

void TMainForm::ScanNowExecute() {
    // The scanner chosen in the sources dialog, or else the first one there is.
    const QString device = twainDlg_->selectedScanner();
    QProgressDialog progress(QStringLiteral("Scanning..."), QStringLiteral("Cancel"), 0, 100, this);
    progress.setWindowTitle(kTitle);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    auto document = std::make_unique<TIcon>();
    try {
        const bool scanned = scanIntoIcon(*document, device, [&progress](int percent) {
            progress.setValue(percent);
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        });
        progress.close();
        if (!scanned) return;
    } catch (const std::exception& e) {
        progress.close();
        message(QMessageBox::Warning, kTitle, QStringLiteral("The scan did not succeed."),
                QString::fromUtf8(e.what()));
        return;
    }
    newAcquiredDocument(std::move(document));
}

void TMainForm::WebCameraExecute() {
    const int camera = twainDlg_->CameraComboBox->currentIndex();
    if (twainDlg_->selectedCamera().isEmpty() || camera < 0) {
        message(QMessageBox::Critical, QString(), QStringLiteral("No camera is selected."), {});
        return;
    }
    TWebCameraDlg dialog(this);
    dialog.openStream = [this, camera] { return openCamera(camera); };
    if (execDialog(dialog) != QDialog::Accepted || dialog.capturedFrame().isNull()) return;
    auto document = std::make_unique<TIcon>();
    try {
        loadImageIntoIcon(*document, dialog.capturedFrame());
    } catch (const std::exception& e) {
        message(QMessageBox::Warning, kTitle, QStringLiteral("The picture cannot be kept."),
                QString::fromUtf8(e.what()));
        return;
    }
    newAcquiredDocument(std::move(document));
}

void TMainForm::FileOpenExecute() {
    for (const QString& name : askOpenFiles()) OpenDocument(name);
}

void TMainForm::FileCloseExecute() {
    if (TChildForm* child = activeChild()) child->close();
}

TChildForm* TMainForm::OpenDocument(const QString& fileName) {
    auto child = std::make_unique<TChildForm>(*this, 32, 32, 32);
    try {
        child->LoadDocument(fileName);
    } catch (const std::exception& e) {
        // The reason goes below the fixed text, so the user knows what was wrong with the file.
        message(QMessageBox::Information, kTitle, QStringLiteral("No icons in this file"),
                QString::fromUtf8(e.what()));
        return nullptr;
    }
    TChildForm* window = child.release();
    addChild(window);
    window->DocumentLoaded(fileName);
    return window;
}

namespace {

// Files that hold one picture: writing one of a document's several images is an export.
bool holdsOnePicture(const QString& ext) {
    return ext != QLatin1String("ico") && ext != QLatin1String("cur") &&
           ext != QLatin1String("ani") && ext != QLatin1String("icns");
}

// How many of the document's images a file of this type holds; fewer than all make the save
// an export.
int imagesWritten(const QString& ext, const TIcon& icon) {
    if (ext == QLatin1String("icns"))
        return int(icnsImages(std::span(icon.ImageBlock(), icon.BlockSize())).size());
    return holdsOnePicture(ext) ? 1 : icon.ImageCount();
}

}  // namespace

ViewOptions TMainForm::viewOptions() const {
    return {action("ViewGrid")->isChecked(), action("ViewCheckerboard")->isChecked()
                                                 ? Transparency::Checkerboard
                                                 : Transparency::Tiles};
}

namespace {
// The key of a window's recovery copy, made once per window.
QString recoveryKey(TChildForm& window) {
    QVariant key = window.property("tarvoRecoveryKey");
    if (!key.isValid()) {
        key = QUuid::createUuid().toString(QUuid::WithoutBraces);
        window.setProperty("tarvoRecoveryKey", key);
    }
    return key.toString();
}
}  // namespace

void TMainForm::autosave() {
    for (TChildForm* c : children()) {
        const QString key = recoveryKey(*c);
        // What is saved, or was never changed, needs no copy.
        if (!c->Modified()) {
            recovery_->remove(key);
            continue;
        }
        try {
            recovery_->save(key, c->caption(), c->FileName, c->Document());
        } catch (const std::exception&) {
            // A copy that cannot be written is no reason to interrupt the work it protects.
        }
    }
}

bool TMainForm::offerRecovery() {
    const std::vector<TRecoveryStore::Copy> copies = recovery_->orphans();
    if (copies.empty()) return false;
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Recover Unsaved Documents"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(
        QStringLiteral("Tarvo Iconworks ended without saving these documents:"), &dialog));
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("copies"));
    for (const TRecoveryStore::Copy& copy : copies)
        list->addItem(QStringLiteral("%1 \u2014 %2")
                          .arg(copy.name, QLocale().toString(copy.time, QLocale::ShortFormat)));
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* recover =
        buttons->addButton(QStringLiteral("&Recover"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("&Discard"), QDialogButtonBox::RejectRole);
    recover->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    bool recovered = false;
    if (execDialog(dialog) == QDialog::Accepted) {
        for (const TRecoveryStore::Copy& copy : copies) {
            std::unique_ptr<TIcon> document;
            try {
                document = TRecoveryStore::load(copy);
            } catch (const std::exception& e) {
                message(QMessageBox::Warning, kTitle,
                        QStringLiteral("\"%1\" could not be recovered.").arg(copy.name),
                        QString::fromUtf8(e.what()));
                continue;
            }
            // Back under its own name and file, with its changes still to be saved.
            TChildForm* child = newAcquiredDocument(std::move(document));
            child->setCaption(copy.name);
            child->FileName = copy.fileName;
            recovered = true;
        }
        autosave();
    }
    TRecoveryStore::discard(copies);
    return recovered;
}

bool TMainForm::chooseSizes() {
    sizesDlg_->setChoices(
        settings_.text(QStringLiteral("Main/PictureSizes"), QStringLiteral("16,24,32,48,256")),
        settings_.text(QStringLiteral("Main/PictureBits"), QStringLiteral("32")).toInt());
    if (execDialog(*sizesDlg_) != QDialog::Accepted) return false;
    // Kept for next time.
    settings_.setText(QStringLiteral("Main/PictureSizes"), sizesDlg_->sizesText());
    settings_.setText(QStringLiteral("Main/PictureBits"), QString::number(sizesDlg_->bits()));
    return true;
}

void TMainForm::NewFromPictureExecute() {
    const QString file = askPictureFile();
    if (file.isEmpty()) return;
    std::unique_ptr<TPictureSource> source;
    try {
        source = std::make_unique<TPictureSource>(file);
    } catch (const TError& e) {
        message(
            QMessageBox::Warning, kTitle,
            QStringLiteral("The picture \"%1\" cannot be read.").arg(QFileInfo(file).fileName()),
            QString::fromUtf8(e.what()));
        return;
    }
    if (!chooseSizes()) return;
    try {
        newAcquiredDocument(imagesFromPicture(*source, sizesDlg_->sizes(), sizesDlg_->bits()));
    } catch (const std::exception& e) {
        message(QMessageBox::Warning, kTitle, QStringLiteral("The images could not be made."),
                QString::fromUtf8(e.what()));
    }
}

void TMainForm::AddSizesExecute() {
    TChildForm* child = activeChild();
    if (!child || !chooseSizes()) return;
    guarded(QStringLiteral("The sizes could not be added."), [this](TChildForm& c) {
        c.session().finishEditing();
        const TPictureSource source(c.Document().imageToArgb(c.Document().CurrentIndex()));
        c.session().appendImages(*imagesFromPicture(source, sizesDlg_->sizes(), sizesDlg_->bits()));
    });
}

void TMainForm::ExportCursorThemeExecute() {
    const QList<TChildForm*> windows = children();
    std::vector<std::pair<QString, QString>> rows;
    bool first = true;
    for (TChildForm* c : windows) {
        // Cursors are offered by their own names; the first unnamed one as the arrow.
        QString role;
        if (c->Document().fileType() == kTypeCursor) {
            role = TCursorThemeDlg::suggestedRole(c->caption());
            if (role.isEmpty() && first) role = QStringLiteral("left_ptr");
            first = false;
        }
        rows.emplace_back(c->caption(), role);
    }
    themeDlg_->setDocuments(rows);
    themeDlg_->setFallbackThemes(installedCursorThemes());
    if (execDialog(*themeDlg_) != QDialog::Accepted) return;
    const std::vector<QString> roles = themeDlg_->roles();
    std::vector<std::pair<QString, const TIcon*>> chosen;
    for (int i = 0; i < int(windows.size()) && i < int(roles.size()); ++i) {
        if (roles[size_t(i)].isEmpty()) continue;
        // Typed text and a floating selection are part of what is exported.
        windows[i]->session().finishEditing();
        chosen.emplace_back(roles[size_t(i)], &windows[i]->Document());
    }
    const QString folder = themeDlg_->FolderEdit->text().trimmed();
    const QString name = themeDlg_->NameEdit->text().trimmed();
    try {
        writeCursorTheme(folder, name, chosen, themeDlg_->fallbackTheme());
    } catch (const TError& e) {
        message(QMessageBox::Warning, kTitle,
                QStringLiteral("The cursor theme \"%1\" could not be written.").arg(name),
                QString::fromUtf8(e.what()));
        return;
    }
    setStatusText(0, QStringLiteral("Cursor theme written to %1").arg(QDir(folder).filePath(name)));
}

void TMainForm::ExportIconThemeExecute() {
    TChildForm* window = activeChild();
    if (!window) return;
    iconThemeDlg_->suggestName(window->caption());
    if (execDialog(*iconThemeDlg_) != QDialog::Accepted) return;
    // Typed text and a floating selection are part of what is exported.
    window->session().finishEditing();
    THicolorExport written;
    try {
        written = writeHicolorIcons(iconThemeDlg_->folder(), iconThemeDlg_->iconName(),
                                    iconThemeDlg_->context(), window->Document());
    } catch (const TError& e) {
        message(
            QMessageBox::Warning, kTitle,
            QStringLiteral("The icon \"%1\" could not be written.").arg(iconThemeDlg_->iconName()),
            QString::fromUtf8(e.what()));
        return;
    }
    const int count = int(written.files.size());
    QString text =
        count == 1
            ? QStringLiteral("1 image written to %1").arg(written.theme)
            : QStringLiteral("%1 images written to %2").arg(QString::number(count), written.theme);
    if (written.leftOut)
        text += QStringLiteral("; %1 of other sizes left out").arg(written.leftOut);
    setStatusText(0, text);
}

bool TMainForm::SaveDocument(TChildForm& window) {
    const QString name = window.FileName;
    const QString ext = QFileInfo(name).suffix().toLower();
    // Modules are only read; they are saved under another name.
    if (name.isEmpty() || ext == QLatin1String("exe") || ext == QLatin1String("dll"))
        return SaveDocumentAs(window, window.caption());
    // Typed text and a floating selection are part of what is saved.
    window.session().finishEditing();
    TIcon& icon = window.Document();
    if (ext == QLatin1String("cur")) {
        // One hot spot for every image, offered as the cursor's own (or as last entered for a
        // document that is not a cursor yet).
        const int i = icon.CurrentIndex();
        const IconEntry e = icon.entry(i);
        const QPoint own = icon.fileType() == 2
                               ? QPoint(e.planes, e.bitCount)
                               : QPoint(hotSpotDlg_->XSpin->value(), hotSpotDlg_->YSpin->value());
        hotSpotDlg_->prepare(own, icon.GetSize());
        if (execDialog(*hotSpotDlg_) != QDialog::Accepted) return false;
        // The offered hot spot taken as it is keeps each image's own, set with the Hot Spot
        // tool; another one goes into every image.
        const QPoint chosen(hotSpotDlg_->XSpin->value(), hotSpotDlg_->YSpin->value());
        if (icon.fileType() != 2 || chosen != own) icon.markAsCursor(chosen);
    } else if (ext == QLatin1String("ico")) {
        icon.markAsIcon();
    }
    try {
        // The file is replaced only once the whole of it is written.
        saveDocument(icon, name, window.pngPolicy());
    } catch (const std::exception& e) {
        message(QMessageBox::Warning, kTitle,
                QStringLiteral("The file \"%1\" could not be saved.").arg(name),
                QString::fromUtf8(e.what()));
        return false;
    }
    if (const int written = imagesWritten(ext, icon); written < icon.ImageCount()) {
        // The other images are not in that file: the document is still unsaved.
        const QString file = QFileInfo(name).fileName();
        setStatusText(0, holdsOnePicture(ext)
                             ? QStringLiteral("Image %1 of %2 written to %3")
                                   .arg(icon.CurrentIndex() + 1)
                                   .arg(icon.ImageCount())
                                   .arg(file)
                             : QStringLiteral("%1 of %2 images written to %3, which holds square "
                                              "images of 16 to 1024 pixels")
                                   .arg(written)
                                   .arg(icon.ImageCount())
                                   .arg(file));
        return true;
    }
    window.SetModified(false);
    // Saved: its recovery copy is out of date at once.
    recovery_->remove(recoveryKey(window));
    return true;
}

bool TMainForm::SaveDocumentAs(TChildForm& window, const QString& suggested) {
    const QFileInfo info(suggested);
    const QString base = info.suffix().isEmpty() ? suggested : info.completeBaseName();
    QString name;
    for (;;) {
        name = askSaveName(window, base);
        if (name.isEmpty()) return false;
        const QString ext = QFileInfo(name).suffix().toLower();
        if (ext != QLatin1String("exe") && ext != QLatin1String("dll")) break;
    }
    const QString previous = window.FileName;
    window.FileName = name;
    if (!SaveDocument(window)) {
        // Nothing was written under the new name: the window keeps its old one.
        window.FileName = previous;
        return false;
    }
    // A file that holds only some of the images is an export: the document keeps its own name.
    if (imagesWritten(QFileInfo(name).suffix().toLower(), window.Document()) <
        window.Document().ImageCount()) {
        window.FileName = previous;
        return true;
    }
    window.setCaption(QFileInfo(name).fileName());
    return true;
}

void TMainForm::SaveAll1Click() {
    // From the last window to the first; each is saved, then closed (its close prompt asks again
    // when the save did not happen).
    const QList<TChildForm*> list = children();
    for (qsizetype i = list.size() - 1; i >= 0; --i) {
        QPointer<TChildForm> window = list[i];
        SaveDocument(*window);
        if (window) window->close();
    }
}

void TMainForm::subWindowActivated() {
    TChildForm* child = activeChild();
    // Text being typed and a floating selection belong to their window: they end when it does
    // not have the focus any more.
    if (child && lastActive_ && child != lastActive_) lastActive_->FormDeactivate();
    if (child && child != lastActive_) child->FormActivate();
    lastActive_ = child;
    updateActions();
}

void TMainForm::editTableEntry(int entry, uint32_t colorRef) {
    TChildForm* child = activeChild();
    if (!child) return;
    TIcon& icon = child->Document();
    const int bits = icon.BitCount();
    if (!icon.ColorTable() || bits > 8 || entry < 0 || entry >= (1 << bits)) return;
    child->session().saveUndo();
    uint8_t* e = icon.ColorTable() + 4 * entry;
    e[0] = uint8_t(colorRef >> 16);
    e[1] = uint8_t(colorRef >> 8);
    e[2] = uint8_t(colorRef);
    e[3] = 0;
    icon.SelectImage(icon.CurrentIndex());
    child->invalidateViews();
}

void TMainForm::HelpIndexExecute() {
    showHelp(this);
}

// ---- shared state ------------------------------------------------------------------------

uint32_t TMainForm::PenColor() const {
    return colorPanel_->PenColor();
}

uint32_t TMainForm::BrushColor() const {
    return colorPanel_->BrushColor();
}

void TMainForm::SetPenColor(uint32_t color) {
    colorPanel_->SetPenColor(color);
}

void TMainForm::SetBrushColor(uint32_t color) {
    colorPanel_->SetBrushColor(color);
}

void TMainForm::UpdateColors() {
    colorPanel_->UpdateColors();
}

void TMainForm::colorPicked(bool pen, uint32_t color, bool argb) {
    if (pen) {
        SetPenColor(color);
    } else {
        SetBrushColor(color);
    }
    if (argb) colorPanel_->setPickedAlpha(static_cast<int>(qAlpha(color) * 100 / 255));
    repaintColorPanel();
}

void TMainForm::openHueWindow(TChildForm& window, QPoint cell) {
    hueForm_->start(window, cell);
}

void TMainForm::closeHueWindow() {
    if (hueForm_->isVisible()) hueForm_->reject();
}

void TMainForm::repaintColorPanel() {
    colorPanel_->update();
    colorPanel_->WindowBox->viewport()->update();
}

void TMainForm::setUndoEnabled(bool enabled) {
    action("EditUndo")->setEnabled(enabled);
}

void TMainForm::setRedoEnabled(bool enabled) {
    action("EditRedo")->setEnabled(enabled);
}

void TMainForm::setDeleteIconEnabled(bool enabled) {
    action("ToolsDeleteIcon")->setEnabled(enabled);
}

void TMainForm::setStatusText(int panel, const QString& text) {
    if (panel >= 0 && panel < 4) statusPanels_[size_t(panel)]->setText(text);
}

QCursor TMainForm::toolCursor() const {
    return cursorFor(cursorOfCode(ToolCode()));
}

bool TMainForm::childMaximize() const {
    return settings_.childMaximize();
}

void TMainForm::setChildMaximize(bool maximize) {
    settings_.setChildMaximize(maximize);
}

void TMainForm::updateActions() {
    TChildForm* child = activeChild();
    const bool document = child != nullptr;
    menus_.value("Edit")->menuAction()->setVisible(document);
    for (const char* m : {"Text", "Tools", "Effects", "Window"})
        menus_.value(m)->menuAction()->setVisible(document);
    // Commands that need a document are off without one, rather than doing nothing.
    action("FileExportIconTheme")->setEnabled(document);
    for (const char* n : {"FileSave",        "FileSaveAs",        "FileClose",
                          "ToolsAddIcon",    "ToolsFlipVerical",  "TollsFilpHorizontal",
                          "ToolsRotateLeft", "ToolsRotateRight",  "ToolsRotateAngle",
                          "ToolsShiftLeft",  "ToolsShiftRight",   "ToolsShiftUp",
                          "ToolsShiftDown",  "ZoomInItem",        "ZoomOutItem",
                          "ZoomFitItem",     "ToolsConvertImage", "FontItem",
                          "EditSelectAll",   "SmoothEdges"})
        action(n)->setEnabled(document);
    toolGroup_->setEnabled(document);
    // The mark of unsaved changes in each window's title (and the frame's, when maximized).
    // Only on a change, and not during a drag: retitling a maximized window loses the drag's
    // mouse grab.
    for (TChildForm* c : children())
        if (!c->session().drawing() && c->isWindowModified() != c->Modified())
            c->setWindowModified(c->Modified());
    setUndoEnabled(document && child->session().canUndo());
    setRedoEnabled(document && child->session().canRedo());
    setDeleteIconEnabled(document && child->Document().ImageCount() > 1);
    const int image = document ? child->Document().CurrentIndex() : -1;
    action("ToolsDuplicateImage")->setEnabled(document);
    action("ToolsMoveImageUp")->setEnabled(image > 0);
    action("ToolsMoveImageDown")
        ->setEnabled(document && image + 1 < child->Document().ImageCount());
    const bool selection = document && child->session().floating();
    for (const char* n :
         {"EditCut", "EditCopy", "EditDelete", "EditCrop", "ToolsDecreaseSelectionLeft",
          "ToolsIncreaseSelectionRight", "TollsDecreaseSelectionUp", "ToolsIncreaseSelectionDown"})
        action(n)->setEnabled(selection);
    action("EditPaste")->setEnabled(document && pastePossible_);
    // The colour adjustment works on paletted and true-colour images only.
    action("EffectAdjustColor")->setEnabled(document && child->Document().BitCount() < 32);
    action("EditCreateIcon")->setEnabled(document && pastePossible_);
}

void TMainForm::clipboardChanged() {
    // Asked once per change: reading the clipboard can mean a round trip to another program.
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    pastePossible_ =
        data && (data->hasFormat(QString::fromLatin1(kClipboardMimeType)) || data->hasImage());
}

// ---- events ------------------------------------------------------------------------------

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && watched == mdiArea_->viewport()) workspaceResized();
    // Every key-down in this window goes to the active document window first. A key travels up
    // the parents while nobody takes it; it is passed on once, at the widget it was sent to.
    if (event->type() == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        const QWidget* focus = QApplication::focusWidget();
        if (widget && widget->window() == this && (widget == focus || (!focus && widget == this))) {
            if (TChildForm* child = activeChild()) {
                bool taken = true;
                runGuarded([&] { taken = child->FormKeyDown(*static_cast<QKeyEvent*>(event)); });
                if (taken) return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

namespace {

// The local files among dragged data; none for anything else (text, remote addresses).
QStringList droppedFiles(const QMimeData* data) {
    QStringList files;
    if (data && data->hasUrls())
        for (const QUrl& url : data->urls())
            if (url.isLocalFile()) files << url.toLocalFile();
    return files;
}

}  // namespace

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TMainForm::dragMoveEvent(QDragMoveEvent* event) {
    if (!droppedFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
    const QStringList files = droppedFiles(event->mimeData());
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    // Opened once the drop is over: a file that cannot be read shows a message box, which must
    // not run inside the drag's own event handling.
    QMetaObject::invokeMethod(
        this,
        [this, files] {
            for (const QString& file : files) OpenDocument(file);
        },
        Qt::QueuedConnection);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // Every document is asked in turn; a Cancel stops the round and the program goes on.
    for (TChildForm* child : children()) {
        if (!child->close()) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

}  // namespace tarvo
