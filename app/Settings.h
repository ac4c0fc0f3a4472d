#pragma once

#include <QString>
#include <QStringList>

namespace tarvo {

// The program's settings: an INI file with the sections "Reopen" (keys "Reopen1".."Reopen9")
// and "Main" (keys "ChildMaximize" and "LastFolder"). It lives in the user's configuration folder,
// or where the environment variable TARVO_SETTINGS names. A missing or unreadable file reads as
// empty.
class TSettings {
  public:
    static QString defaultPath();
    explicit TSettings(QString path = defaultPath());

    const QString& path() const { return path_; }
    // The recent files in order, without the empty slots.
    QStringList readRecent() const;
    // Writes the list, then empty keys up to "Reopen9". False when the file could not be written.
    bool writeRecent(const QStringList& files) const;
    bool childMaximize() const;
    bool setChildMaximize(bool maximize) const;
    // "AutosaveSeconds" in "Main": how often modified documents are copied for recovery; 60
    // unless set, at least 1.
    int autosaveSeconds() const;
    // View choices under "View/": "Grid" (the editing grid, on unless turned off) and
    // "Checkerboard" (grey checkerboard instead of the tiles behind transparent pixels).
    bool viewFlag(const QString& key, bool fallback) const;
    // Any other value of the file, by "Section/Key".
    QString text(const QString& key, const QString& fallback = {}) const;
    bool setText(const QString& key, const QString& value) const;
    bool setViewFlag(const QString& key, bool value) const;
    // The folder a file was last opened from or saved to, where the file dialogs start.
    QString lastFolder() const;
    bool setLastFolder(const QString& folder) const;

  private:
    QString path_;
};

// The recently closed documents, newest first: at most nine names, distinct without regard to
// letter case.
class TRecentFiles {
  public:
    static constexpr int kMax = 9;

    void load(const TSettings& settings) { files_ = settings.readRecent().mid(0, kMax); }
    const QStringList& files() const { return files_; }

    // A document closed: its name moves to the top (a never-saved document, with no name, is not
    // listed) and the settings file is rewritten. The list in memory stays right even when the
    // file cannot be written; the result says whether it could.
    bool add(const QString& fileName, const TSettings& settings);
    // A recent file is being opened: it leaves the list until it is closed again. The settings
    // file is not rewritten. True when it was listed.
    bool take(const QString& fileName);

  private:
    qsizetype indexOf(const QString& fileName) const;

    QStringList files_;
};

}  // namespace tarvo
