#include "dialogs/FileAssociations.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <algorithm>
#include <filesystem>
#include <system_error>

namespace tarvo {

namespace {

using Ticks = std::array<bool, kAssociableTypes.size()>;

int typeIndexOfExtension(QString extension) {
    extension = extension.trimmed().toLower();
    if (extension.startsWith(u'*')) extension.remove(0, 1);
    if (!extension.startsWith(u'.')) extension.prepend(u'.');
    for (size_t i = 0; i < kAssociableTypes.size(); ++i)
        if (extension == QLatin1String(kAssociableTypes[i].extension)) return int(i);
    return -1;
}

int typeIndexOfMime(const QString& mimeType) {
    for (size_t i = 0; i < kAssociableTypes.size(); ++i)
        if (mimeType == QLatin1String(kAssociableTypes[i].mimeType)) return int(i);
    return -1;
}

// The types an earlier run offered, read back from its desktop entry: registering more types
// later must not withdraw them.
void addOfferedTypes(const QString& entryPath, Ticks& ticks) {
    QFile file(entryPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return;
    const QString prefix = QStringLiteral("MimeType=");
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n'))
        if (line.startsWith(prefix))
            for (const QString& type : line.mid(prefix.size()).split(u';', Qt::SkipEmptyParts))
                if (const int i = typeIndexOfMime(type.trimmed()); i >= 0) ticks[size_t(i)] = true;
}

QString makeFolder(const QString& path) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path.toStdString()), error);
    if (error)
        return QStringLiteral("Cannot create the folder %1: %2")
            .arg(path, QString::fromStdString(error.message()));
    return {};
}

QString writeText(const QString& path, const QString& text) {
    // Replaced in one step, so a failed write leaves the previous registration intact.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        return QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
    return {};
}

QString runTool(const QString& program, const QStringList& args, const char* package) {
    const QString command = (QStringList{program} + args).join(u' ');
    QProcess process;
    process.start(program, args);
    if (!process.waitForStarted())
        return QStringLiteral("Cannot run %1 (from the %2 package): %3")
            .arg(program, QLatin1String(package), process.errorString());
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return QStringLiteral("%1 did not finish within a minute").arg(command);
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString output = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        return QStringLiteral("%1 failed (exit code %2)%3")
            .arg(command)
            .arg(process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1)
            .arg(output.isEmpty() ? QString() : QStringLiteral(": ") + output.left(500));
    }
    return {};
}

}  // namespace

QString desktopExecArgument(const QString& argument) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = argument.isEmpty();
    for (QChar c : argument) quote = quote || reserved.contains(c);
    QString arg;
    if (quote) {
        arg += u'"';
        for (QChar c : argument) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') arg += u'\\';
            arg += c;
        }
        arg += u'"';
    } else {
        arg = argument;
    }
    arg.replace(u'%', QStringLiteral("%%"));
    // Readers undo the string escapes before the quoting, so both layers are applied.
    QString value;
    for (QChar c : arg) {
        if (c == u'\\')
            value += QStringLiteral("\\\\");
        else if (c == u'\n')
            value += QStringLiteral("\\n");
        else if (c == u'\t')
            value += QStringLiteral("\\t");
        else if (c == u'\r')
            value += QStringLiteral("\\r");
        else
            value += c;
    }
    return value;
}

QString desktopEntryText(const QString& executable, const QStringList& mimeTypes) {
    QString text = QStringLiteral(
                       "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=Tarvo Iconworks\n"
                       "GenericName=Icon Editor\n"
                       "Comment=Edit icons, cursors and animated cursors\n"
                       "Exec=%1 %f\n"
                       "Icon=tarvo-iconworks\n"
                       "Terminal=false\n"
                       "Categories=Graphics;2DGraphics;RasterGraphics;\n")
                       .arg(desktopExecArgument(executable));
    if (!mimeTypes.isEmpty()) text += QStringLiteral("MimeType=%1;\n").arg(mimeTypes.join(u';'));
    return text;
}

QString mimePackageText(const QStringList& mimeTypes) {
    QString text = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n");
    for (const AssociableType& t : kAssociableTypes)
        if (mimeTypes.contains(QLatin1String(t.mimeType)))
            text += QStringLiteral(
                        "  <mime-type type=\"%1\">\n"
                        "    <glob pattern=\"*%2\"/>\n"
                        "  </mime-type>\n")
                        .arg(QLatin1String(t.mimeType), QLatin1String(t.extension));
    return text + QStringLiteral("</mime-info>\n");
}

QString userDataDir() {
    const QString dir = qEnvironmentVariable("XDG_DATA_HOME");
    // A relative value is invalid and must be ignored.
    if (!dir.isEmpty() && QDir::isAbsolutePath(dir)) return QDir::cleanPath(dir);
    return QDir::homePath() + QStringLiteral("/.local/share");
}

QString registerFileTypes(const QStringList& extensions, const QString& executable) {
    Ticks ticked{};
    for (const QString& extension : extensions) {
        const int i = typeIndexOfExtension(extension);
        if (i < 0) return QStringLiteral("Unknown file type \"%1\"").arg(extension);
        ticked[size_t(i)] = true;
    }
    if (std::find(ticked.begin(), ticked.end(), true) == ticked.end()) return {};

    if (executable.isEmpty()) return QStringLiteral("No program to associate the files with");
    for (QChar c : executable)
        if (c.category() == QChar::Other_Control)
            return QStringLiteral(
                       "The program path %1 holds control characters, which a desktop "
                       "entry cannot hold")
                .arg(executable);

    const QString dataDir = userDataDir();
    const QString appsDir = dataDir + QStringLiteral("/applications");
    const QString mimeDir = dataDir + QStringLiteral("/mime");
    const QString entryPath = appsDir + u'/' + QLatin1String(kDesktopEntryName);

    Ticks offered = ticked;
    addOfferedTypes(entryPath, offered);
    QStringList offeredTypes;
    for (size_t i = 0; i < kAssociableTypes.size(); ++i)
        if (offered[i]) offeredTypes << QLatin1String(kAssociableTypes[i].mimeType);

    for (const QString& dir : {appsDir, mimeDir + QStringLiteral("/packages")})
        if (QString error = makeFolder(dir); !error.isEmpty()) return error;
    if (QString error =
            writeText(mimeDir + QStringLiteral("/packages/") + QLatin1String(kMimePackageName),
                      mimePackageText(offeredTypes));
        !error.isEmpty())
        return error;
    if (QString error = writeText(entryPath, desktopEntryText(executable, offeredTypes));
        !error.isEmpty())
        return error;

    QStringList errors;
    for (size_t i = 0; i < kAssociableTypes.size(); ++i) {
        if (!ticked[i]) continue;
        const QString error = runTool(QStringLiteral("xdg-mime"),
                                      {QStringLiteral("default"), QLatin1String(kDesktopEntryName),
                                       QLatin1String(kAssociableTypes[i].mimeType)},
                                      "xdg-utils");
        if (!error.isEmpty()) {
            errors << error;
            break;
        }
    }
    // Rebuilt even after a failure, so the types made default before it take effect.
    for (const QString& error :
         {runTool(QStringLiteral("update-mime-database"), {mimeDir}, "shared-mime-info"),
          runTool(QStringLiteral("update-desktop-database"), {appsDir}, "desktop-file-utils")})
        if (!error.isEmpty()) errors << error;
    return errors.join(u'\n');
}

}  // namespace tarvo
