#include "core/CursorTheme.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>

#include "core/Icon.h"
#include "core/XcursorFormat.h"
#include "raster/Errors.h"
#include "raster/FileWriter.h"

// Last: Xlib defines names (None...) that our headers use.
#include <X11/Xcursor/Xcursor.h>

namespace tarvo {

const std::vector<std::pair<QString, QStringList>>& cursorAliasTable() {
    // The core X names and the names newer toolkits ask for.
    static const std::vector<std::pair<QString, QStringList>> table = {
        {"left_ptr", {"default", "arrow", "top_left_arrow", "left_arrow"}},
        {"watch", {"wait"}},
        {"left_ptr_watch", {"progress", "half-busy"}},
        {"xterm", {"text", "ibeam"}},
        {"hand2", {"pointer", "hand", "hand1", "pointing_hand"}},
        {"question_arrow", {"help", "whats_this", "left_ptr_help"}},
        {"crosshair", {"cross", "tcross", "cross_reverse"}},
        {"fleur", {"move", "all-scroll", "size_all"}},
        {"sb_h_double_arrow", {"ew-resize", "col-resize", "size_hor", "h_double_arrow"}},
        {"sb_v_double_arrow", {"ns-resize", "row-resize", "size_ver", "v_double_arrow"}},
        {"top_left_corner", {"nw-resize", "size_fdiag", "nwse-resize"}},
        {"top_right_corner", {"ne-resize", "size_bdiag", "nesw-resize"}},
        {"bottom_left_corner", {"sw-resize"}},
        {"bottom_right_corner", {"se-resize"}},
        {"circle", {"not-allowed", "no-drop", "forbidden", "crossed_circle"}},
        {"pencil", {"draft"}},
        {"plus", {"cell"}},
        {"X_cursor", {"pirate", "x-cursor"}},
    };
    return table;
}

QStringList cursorAliases(const QString& role) {
    for (const auto& [name, aliases] : cursorAliasTable())
        if (name == role) return aliases;
    return {};
}

bool isCursorRoleName(const QString& role) {
    return !role.isEmpty() && !role.contains(QLatin1Char('/')) && role != QLatin1String(".") &&
           role != QLatin1String("..");
}

bool isThemeName(const QString& name) {
    return isCursorRoleName(name) && std::none_of(name.begin(), name.end(), [](QChar c) {
               return c.category() == QChar::Other_Control;
           });
}

QStringList installedCursorThemes() {
    QStringList themes;
    const QString path = QString::fromLocal8Bit(XcursorLibraryPath());
    for (QString folder : path.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (folder.startsWith(QLatin1Char('~'))) folder.replace(0, 1, QDir::homePath());
        const QDir dir(folder);
        for (const QString& theme : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            if (theme != QLatin1String("default") && !themes.contains(theme) &&
                QFileInfo(dir.filePath(theme + QStringLiteral("/cursors"))).isDir())
                themes << theme;
    }
    themes.sort(Qt::CaseInsensitive);
    return themes;
}

QString fallbackCursorTheme(const QStringList& installed) {
    if (installed.contains(QLatin1String("Adwaita"))) return QStringLiteral("Adwaita");
    return installed.value(0);
}

void writeCursorTheme(const QString& dir, const QString& name,
                      const std::vector<std::pair<QString, const TIcon*>>& roles,
                      const QString& inherits) {
    const auto refuse = [](const QString& theme) {
        return EInvalidGraphic(
            QStringLiteral("\"%1\" cannot name a theme.").arg(theme).toStdString());
    };
    if (!isThemeName(name)) throw refuse(name);
    if (!inherits.isEmpty() && !isThemeName(inherits)) throw refuse(inherits);
    // libXcursor would go round in circles looking for a cursor the theme lacks.
    if (inherits == name)
        throw EInvalidGraphic(
            QStringLiteral("The theme \"%1\" cannot fall back to itself.").arg(name).toStdString());
    QSet<QString> given;
    for (const auto& [role, document] : roles) {
        if (!isCursorRoleName(role))
            throw EInvalidGraphic(
                QStringLiteral("\"%1\" cannot name a cursor.").arg(role).toStdString());
        given.insert(role);
    }
    const QDir theme(QDir(dir).filePath(name));
    const QString cursors = theme.filePath(QStringLiteral("cursors"));
    if (!QDir().mkpath(cursors))
        throw EWriteError(QStringLiteral("Cannot write %1: the folder cannot be made.")
                              .arg(cursors)
                              .toStdString());
    QString about = QStringLiteral("[Icon Theme]\nName=%1\nComment=%1 cursors\n").arg(name);
    if (!inherits.isEmpty()) about += QStringLiteral("Inherits=%1\n").arg(inherits);
    const QByteArray index = about.toUtf8();
    writeWholeFile(theme.filePath(QStringLiteral("index.theme")),
                   [&](QIODevice& file) { return file.write(index) == index.size(); });
    for (const auto& [role, document] : roles) {
        const std::vector<uint8_t> bytes = writeXcursor(
            std::span(document->ImageBlock(), document->BlockSize()), document->Animation());
        const QString path = QDir(cursors).filePath(role);
        writeWholeFile(path, bytes);
        for (const QString& alias : cursorAliases(role)) {
            if (given.contains(alias)) continue;
            const QString link = QDir(cursors).filePath(alias);
            QFile::remove(link);
            // Relative, so the theme can be moved or packaged as it is.
            if (!QFile::link(role, link))
                throw EWriteError(QStringLiteral("Cannot write %1: the link cannot be made.")
                                      .arg(link)
                                      .toStdString());
        }
    }
}

}  // namespace tarvo
