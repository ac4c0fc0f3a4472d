#pragma once

#include <QFileDialog>
#include <QString>

#include "core/IconWriter.h"

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QShowEvent;

namespace tarvo {

// What the Open and Save As dialogs share: the widget dialog (so they can carry controls of
// their own), type names shown without their patterns, the detailed file list at a size where
// its columns fit the screen, and no completion list left behind once the dialog closes.
class TFileDialog : public QFileDialog {
    Q_OBJECT
  public:
    TFileDialog(QWidget* parent, const QString& caption);

    // Shows `folder`, or the home folder when it is empty or no longer exists.
    void startIn(const QString& folder);
    // The folder of the first file chosen, to start in next time.
    QString chosenFolder() const;

    // The place in nameFilters() of a filter as filterSelected() or selectedNameFilter() give it:
    // with its patterns or, as Qt may report it when they are hidden, without. -1 for none.
    int nameFilterIndex(const QString& filter) const;
    int selectedNameFilterIndex() const { return nameFilterIndex(selectedNameFilter()); }

  public slots:
    void done(int result) override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void fitToScreen();

    int lastColumnWidth_ = 0;  // the list's last column before it stretches to the view
};

// The Save As dialog of a document window: the types it writes, each type's extension added to
// names typed without one, and how icons and cursors store their 32-bit images.
class TSaveDialog : public TFileDialog {
    Q_OBJECT
  public:
    explicit TSaveDialog(QWidget* parent = nullptr);

    PngPolicy pngPolicy() const;
    QComboBox* compressionBox() const { return compression_; }

  private:
    // Chooses a type by its place in nameFilters(); its extension becomes the default suffix.
    void selectType(int index);

    QComboBox* compression_ = nullptr;
};

// A "Folder:" row of `form`: an edit starting at `start`, and Browse, which asks for a folder in a
// dialog titled `title`. The label's mnemonic goes to the edit. Returns the edit.
QLineEdit* addFolderRow(QFormLayout& form, QWidget& owner, const QString& start,
                        const QString& title);
// A label for why OK was refused: red, wrapped, hidden while there is nothing to say.
QLabel* makeErrorLabel(QWidget& owner);

}  // namespace tarvo
