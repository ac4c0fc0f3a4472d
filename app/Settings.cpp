#include "app/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>

namespace tarvo {

namespace {
QString reopenKey(int i) {
    return QStringLiteral("Reopen/Reopen%1").arg(i);
}
const QString kChildMaximize = QStringLiteral("Main/ChildMaximize");
const QString kLastFolder = QStringLiteral("Main/LastFolder");
}  // namespace

QString TSettings::defaultPath() {
    const QString redirected = qEnvironmentVariable("TARVO_SETTINGS");
    if (!redirected.isEmpty()) return redirected;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return QDir(folder).filePath(QStringLiteral("tarvo-iconworks.ini"));
}

TSettings::TSettings(QString path) : path_(std::move(path)) {}

QStringList TSettings::readRecent() const {
    const QSettings ini(path_, QSettings::IniFormat);
    QStringList files;
    for (int i = 1; i <= TRecentFiles::kMax; ++i) {
        const QString name = ini.value(reopenKey(i)).toString();
        if (!name.isEmpty()) files.append(name);
    }
    return files;
}

bool TSettings::writeRecent(const QStringList& files) const {
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSettings ini(path_, QSettings::IniFormat);
    for (int i = 1; i <= TRecentFiles::kMax; ++i)
        ini.setValue(reopenKey(i), i <= files.size() ? files[i - 1] : QString());
    ini.sync();
    return ini.status() == QSettings::NoError && ini.isWritable();
}

bool TSettings::childMaximize() const {
    const QSettings ini(path_, QSettings::IniFormat);
    const QString v = ini.value(kChildMaximize).toString();
    return v == QLatin1String("1") || v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

int TSettings::autosaveSeconds() const {
    const QSettings ini(path_, QSettings::IniFormat);
    bool ok = false;
    const int seconds = ini.value(QStringLiteral("Main/AutosaveSeconds")).toString().toInt(&ok);
    return ok ? std::max(1, seconds) : 60;
}

bool TSettings::setChildMaximize(bool maximize) const {
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSettings ini(path_, QSettings::IniFormat);
    ini.setValue(kChildMaximize, maximize ? 1 : 0);
    ini.sync();
    return ini.status() == QSettings::NoError && ini.isWritable();
}

bool TSettings::viewFlag(const QString& key, bool fallback) const {
    const QSettings ini(path_, QSettings::IniFormat);
    const QString v = ini.value(QStringLiteral("View/") + key).toString();
    if (v.isEmpty()) return fallback;
    return v == QLatin1String("1") || v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

QString TSettings::text(const QString& key, const QString& fallback) const {
    const QSettings ini(path_, QSettings::IniFormat);
    return ini.value(key, fallback).toString();
}

bool TSettings::setText(const QString& key, const QString& value) const {
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSettings ini(path_, QSettings::IniFormat);
    ini.setValue(key, value);
    ini.sync();
    return ini.status() == QSettings::NoError && ini.isWritable();
}

bool TSettings::setViewFlag(const QString& key, bool value) const {
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSettings ini(path_, QSettings::IniFormat);
    ini.setValue(QStringLiteral("View/") + key, value ? 1 : 0);
    ini.sync();
    return ini.status() == QSettings::NoError && ini.isWritable();
}

QString TSettings::lastFolder() const {
    return QSettings(path_, QSettings::IniFormat).value(kLastFolder).toString();
}

bool TSettings::setLastFolder(const QString& folder) const {
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSettings ini(path_, QSettings::IniFormat);
    ini.setValue(kLastFolder, folder);
    ini.sync();
    return ini.status() == QSettings::NoError && ini.isWritable();
}

qsizetype TRecentFiles::indexOf(const QString& fileName) const {
    for (qsizetype i = 0; i < files_.size(); ++i)
        if (files_[i].compare(fileName, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

bool TRecentFiles::add(const QString& fileName, const TSettings& settings) {
    if (fileName.isEmpty()) return true;
    if (const qsizetype i = indexOf(fileName); i >= 0) {
        files_.removeAt(i);
    } else if (files_.size() >= kMax) {
        files_.removeLast();
    }
    files_.prepend(fileName);
    return settings.writeRecent(files_);
}

bool TRecentFiles::take(const QString& fileName) {
    const qsizetype i = indexOf(fileName);
    if (i < 0) return false;
    files_.removeAt(i);
    return true;
}

}  // namespace tarvo
