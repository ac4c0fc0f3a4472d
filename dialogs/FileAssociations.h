#pragma once

#include <QString>
#include <QStringList>
#include <array>

namespace tarvo {

// A file type the program can be made the default application for. The MIME names are the ones
// shared-mime-info already uses, so our package only adds globs to known types.
struct AssociableType {
    const char* extension;  // ".ico"
    const char* mimeType;   // "image/vnd.microsoft.icon"
};

// In the order of the File Associates dialog.
inline constexpr std::array<AssociableType, 7> kAssociableTypes{{
    {".ico", "image/vnd.microsoft.icon"},
    {".cur", "image/x-win-bitmap"},
    {".bmp", "image/bmp"},
    {".jpg", "image/jpeg"},
    {".gif", "image/gif"},
    {".png", "image/png"},
    {".ani", "application/x-navi-animation"},
}};

inline constexpr char kDesktopEntryName[] = "tarvo-iconworks.desktop";
inline constexpr char kMimePackageName[] = "tarvo-iconworks.xml";

// One argument of a desktop entry's Exec key as it is written in the file: quoted when it holds
// a reserved character, `%` doubled, then escaped as a string value (so a literal backslash in
// a quoted argument becomes four). Control characters cannot be written; the caller checks.
QString desktopExecArgument(const QString& argument);

// The desktop entry that opens one file with `executable`, offered for `mimeTypes`.
QString desktopEntryText(const QString& executable, const QStringList& mimeTypes);

// The shared-mime-info package giving each of `mimeTypes` (from kAssociableTypes) its glob.
QString mimePackageText(const QStringList& mimeTypes);

// $XDG_DATA_HOME, or ~/.local/share when it is unset or not absolute.
QString userDataDir();

// Makes `executable` the default application for the given extensions (".ico", "ico" or
// "*.ico", any case) in the user's data and configuration directories, then rebuilds the MIME
// and desktop databases so that file managers notice. Types registered earlier stay offered
// (associations are never removed). Returns an empty string on success, otherwise what failed:
// the file or tool and the reason. Types made default before a failing one stay registered.
QString registerFileTypes(const QStringList& extensions, const QString& executable);

}  // namespace tarvo
