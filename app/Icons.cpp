#include "app/Icons.h"

#include <QSet>

// The resources are compiled into a static library, whose registration the linker would drop:
// it has to be named once. Q_INIT_RESOURCE must be used outside any namespace.
static void registerBundledIcons() {
    Q_INIT_RESOURCE(resources);
}

namespace tarvo {
namespace {

bool isStandardName(const QString& name) {
    static const QSet<QString> names = {
        QStringLiteral("document-new"),
        QStringLiteral("document-open"),
        QStringLiteral("document-save"),
        QStringLiteral("window-close"),
        QStringLiteral("edit-undo"),
        QStringLiteral("edit-redo"),
        QStringLiteral("list-add"),
        QStringLiteral("list-remove"),
        QStringLiteral("object-flip-vertical"),
        QStringLiteral("object-flip-horizontal"),
        QStringLiteral("object-rotate-left"),
        QStringLiteral("object-rotate-right"),
        QStringLiteral("zoom-in"),
        QStringLiteral("zoom-out"),
        QStringLiteral("help-contents"),
    };
    return names.contains(name);
}

}  // namespace

QIcon bundledIcon(const QString& name) {
    static const bool registered = (registerBundledIcons(), true);
    Q_UNUSED(registered);
    return QIcon(QStringLiteral(":/icons/") + name + QStringLiteral(".svg"));
}

QIcon themedIcon(const QString& name) {
    if (isStandardName(name)) return QIcon::fromTheme(name, bundledIcon(name));
    return bundledIcon(name);
}

QIcon applicationIcon() {
    return bundledIcon(QStringLiteral("tarvo-iconworks"));
}

}  // namespace tarvo
