#pragma once

#include <QIcon>
#include <QString>

namespace tarvo {

// Toolbar and menu pictures by name. Standard freedesktop names (document-open, edit-undo, ...)
// come from the desktop's icon theme when it has them and from the program's own set
// otherwise; the program's own names (tool-pencil, shift-left, ...) always come from its set, so
// a theme can never put a foreign picture on a tool button.
QIcon themedIcon(const QString& name);
// The picture bundled with the program under `name`, whatever the theme.
QIcon bundledIcon(const QString& name);
// The program's own icon, for its windows and the About box.
QIcon applicationIcon();

}  // namespace tarvo
