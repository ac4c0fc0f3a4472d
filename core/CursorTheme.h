#pragma once

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace tarvo {

class TIcon;

// The other names programs ask a theme for when they want `role`'s cursor (left_ptr is also
// default, arrow and top_left_arrow...); none for a role outside the table.
QStringList cursorAliases(const QString& role);
// The table itself: each role with its aliases, in a stable order.
const std::vector<std::pair<QString, QStringList>>& cursorAliasTable();

// True for a role that can be a file name in a theme: not empty, no '/', not "." or "..".
bool isCursorRoleName(const QString& role);

// True for a name a theme, or an icon in one, can have: a role name without control characters
// (a theme's name is a line of index.theme too).
bool isThemeName(const QString& name);

// Writes the X cursor theme DIR/NAME: index.theme naming it (and, unless `inherits` is empty,
// the theme whose cursors it falls back to for those it lacks), and cursors/ROLE for each role as
// an X cursor file of its document, with a link under each alias of the role that no role given
// takes itself. Existing files of those names are replaced. Throws TError (EWriteError naming the
// file) on failure; EInvalidGraphic for a bad role or theme name, or a theme inheriting itself.
void writeCursorTheme(const QString& dir, const QString& name,
                      const std::vector<std::pair<QString, const TIcon*>>& roles,
                      const QString& inherits = {});

// The cursor themes installed where libXcursor looks (XCURSOR_PATH, else its own folders): the
// folders there with a cursors folder, by name, each once, sorted. "default" is left out: it
// stands for whichever theme the user chose, which may one day be the new theme itself.
QStringList installedCursorThemes();
// What a new theme should fall back to: Adwaita when installed, else the first theme; empty
// when there is none.
QString fallbackCursorTheme(const QStringList& installed);

}  // namespace tarvo
