#include "dialogs/FileDialogs.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTreeView>
#include <QWindow>
#include <algorithm>
#include <iterator>

namespace tarvo {

namespace {

// Wide enough for the places, the list's four columns and the open dialog's preview.
constexpr QSize kOpeningSize(900, 560);

// The detailed file list and the file name box of Qt's widget dialog.
QTreeView* fileList(const QFileDialog& dialog) {
    return dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
}
QLineEdit* fileNameBox(const QFileDialog& dialog) {
    return dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

// The column that stretches to the width of the view: the last one shown.
int lastColumn(const QHeaderView& header) {
    for (int visual = header.count() - 1; visual >= 0; --visual)
        if (!header.isSectionHidden(header.logicalIndex(visual)))
            return header.logicalIndex(visual);
    return -1;
}

// The window frame around `widget`'s top-level window, or around its parent's while its own is
// not known yet.
QMargins frameOf(const QWidget& widget) {
    if (const QWindow* window = widget.windowHandle(); window && !window->frameMargins().isNull())
        return window->frameMargins();
    if (const QWidget* parent = widget.parentWidget()) {
        const QWidget* top = parent->window();
        const QRect inner = top->geometry(), outer = top->frameGeometry();
        return {inner.left() - outer.left(), inner.top() - outer.top(),
                outer.right() - inner.right(), outer.bottom() - inner.bottom()};
    }
    return {};
}

const char* const kSaveTypes[] = {"ico", "cur", "ani", "xcursor", "bmp",
                                  "jpg", "gif", "png", "icns"};

}  // namespace

TFileDialog::TFileDialog(QWidget* parent, const QString& caption) : QFileDialog(parent, caption) {
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::HideNameFilterDetails);
    setViewMode(QFileDialog::Detail);
    setSizeGripEnabled(true);
    resize(kOpeningSize);
    if (const QTreeView* list = fileList(*this)) {
        const QHeaderView* header = list->header();
        if (const int last = lastColumn(*header); last >= 0)
            lastColumnWidth_ = header->sectionSize(last);
    }
}

void TFileDialog::startIn(const QString& folder) {
    const QFileInfo info(folder);
    setDirectory(!folder.isEmpty() && info.isDir() ? info.absoluteFilePath() : QDir::homePath());
}

QString TFileDialog::chosenFolder() const {
    const QString first = selectedFiles().value(0);
    return first.isEmpty() ? directory().absolutePath() : QFileInfo(first).absolutePath();
}

int TFileDialog::nameFilterIndex(const QString& filter) const {
    const QStringList filters = nameFilters();
    for (qsizetype i = 0; i < filters.size(); ++i) {
        const QString& full = filters[i];
        const qsizetype patterns = full.lastIndexOf(u'(');
        if (full == filter ||
            (patterns > 0 && full.endsWith(u')') && full.left(patterns).simplified() == filter))
            return int(i);
    }
    return -1;
}

void TFileDialog::done(int result) {
    // Enter in the name box closes the dialog but not the completion list above it, which would
    // stay on top of the document.
    if (const QLineEdit* name = fileNameBox(*this); name && name->completer())
        name->completer()->popup()->hide();
    QFileDialog::done(result);
}

void TFileDialog::showEvent(QShowEvent* event) {
    QFileDialog::showEvent(event);
    fitToScreen();
}

void TFileDialog::fitToScreen() {
    const QScreen* where = screen();
    if (!where) return;
    const QRect room = where->availableGeometry().marginsRemoved(frameOf(*this));
    const QRect before = geometry();
    resize(before.size().expandedTo(kOpeningSize).boundedTo(room.size()));

    if (QTreeView* list = fileList(*this)) {
        // Every column at its own width, and a vertical scroll bar for long folders.
        QHeaderView* header = list->header();
        const int last = lastColumn(*header);
        int columns = list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
        for (int i = 0; i < header->count(); ++i)
            if (!header->isSectionHidden(i))
                columns += i == last ? lastColumnWidth_ : header->sectionSize(i);
        const auto lacking = [&] { return columns - list->maximumViewportSize().width(); };
        if (lacking() > 0) resize(std::min(width() + lacking(), room.width()), height());
        // A screen too small for that: the names give up what is missing.
        if (const int still = lacking(); still > 0 && last != 0)
            header->resizeSection(
                0, std::max(header->minimumSectionSize(), header->sectionSize(0) - still));
    }

    if (size() == before.size()) return;
    // Centred where it was placed for its old size, and wholly on the screen.
    QRect box(
        before.topLeft() - QPoint((width() - before.width()) / 2, (height() - before.height()) / 2),
        size());
    box.moveLeft(std::max(room.left(), std::min(box.left(), room.right() + 1 - box.width())));
    box.moveTop(std::max(room.top(), std::min(box.top(), room.bottom() + 1 - box.height())));
    setGeometry(box);
    // Placed by the dialog, not by the user: the next opening centres it again.
    setAttribute(Qt::WA_Moved, false);
}

TSaveDialog::TSaveDialog(QWidget* parent) : TFileDialog(parent, QStringLiteral("Save As")) {
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setNameFilters({QStringLiteral("Icon files (*.ico)"), QStringLiteral("Cursor files (*.cur)"),
                    QStringLiteral("Animated cursor files (*.ani)"),
                    QStringLiteral("X cursor files (*.xcursor)"),
                    QStringLiteral("Bitmap files (*.bmp)"), QStringLiteral("JPEG files (*.jpg)"),
                    QStringLiteral("GIF files (*.gif)"), QStringLiteral("PNG files (*.png)"),
                    QStringLiteral("macOS icons (*.icns)")});
    setDefaultSuffix(QStringLiteral("ico"));
    // How icons and cursors store their 32-bit images, below the file type.
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        compression_ = new QComboBox(this);
        compression_->addItems({QStringLiteral("PNG for 256 x 256 and larger"),
                                QStringLiteral("PNG for every 32-bit image"),
                                QStringLiteral("No PNG: bitmaps only")});
        const int row = grid->rowCount();
        grid->addWidget(new QLabel(QStringLiteral("Compression:"), this), row, 0);
        grid->addWidget(compression_, row, 1);
    }
    connect(this, &QFileDialog::filterSelected, this,
            [this](const QString& filter) { selectType(nameFilterIndex(filter)); });
}

void TSaveDialog::selectType(int index) {
    if (index < 0 || index >= int(std::size(kSaveTypes))) return;
    setDefaultSuffix(QString::fromLatin1(kSaveTypes[index]));
    if (selectedNameFilterIndex() != index) selectNameFilter(nameFilters().value(index));
}

PngPolicy TSaveDialog::pngPolicy() const {
    static constexpr PngPolicy kPolicies[] = {PngPolicy::Auto, PngPolicy::All, PngPolicy::None};
    const int i = compression_ ? compression_->currentIndex() : 0;
    return i >= 0 && i < 3 ? kPolicies[i] : PngPolicy::Auto;
}

QLineEdit* addFolderRow(QFormLayout& form, QWidget& owner, const QString& start,
                        const QString& title) {
    auto* edit = new QLineEdit(start, &owner);
    auto* browse = new QPushButton(QStringLiteral("&Browse..."), &owner);
    QObject::connect(browse, &QPushButton::clicked, edit, [edit, &owner, title] {
        const QString chosen = QFileDialog::getExistingDirectory(&owner, title, edit->text());
        if (!chosen.isEmpty()) edit->setText(chosen);
    });
    auto* row = new QHBoxLayout;
    row->addWidget(edit, 1);
    row->addWidget(browse);
    // A row of two widgets has no buddy of its own: the label is given the edit, so its mnemonic
    // works and is not shown as a bare ampersand.
    auto* label = new QLabel(QStringLiteral("&Folder:"), &owner);
    label->setBuddy(edit);
    form.addRow(label, row);
    return edit;
}

QLabel* makeErrorLabel(QWidget& owner) {
    auto* label = new QLabel(&owner);
    label->setStyleSheet(QStringLiteral("color: #b00020"));
    label->setWordWrap(true);
    label->hide();
    return label;
}

}  // namespace tarvo
