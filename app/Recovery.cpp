#include "app/Recovery.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QUuid>
#include <algorithm>

#include "core/AniFormat.h"
#include "core/Icon.h"
#include "core/IconWriter.h"
#include "raster/Errors.h"
#include "raster/FileWriter.h"

namespace tarvo {

namespace {
const QString kLock = QStringLiteral("lock");
}  // namespace

QString TRecoveryStore::defaultRoot() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty()) state = QDir::home().filePath(QStringLiteral(".local/state"));
    return QDir(state).filePath(QStringLiteral("tarvo-iconworks/recovery"));
}

TRecoveryStore::TRecoveryStore(QString root) : root_(std::move(root)) {
    folder_ = QDir(root_).filePath(QString::number(QCoreApplication::applicationPid()) +
                                   QLatin1Char('-') +
                                   QUuid::createUuid().toString(QUuid::WithoutBraces).left(8));
    if (!QDir().mkpath(folder_)) return;
    lock_ = std::make_unique<QLockFile>(QDir(folder_).filePath(kLock));
    if (!lock_->tryLock(0)) lock_.reset();
}

TRecoveryStore::~TRecoveryStore() {
    // A clean end: whatever is left here was saved or thrown away by the user.
    lock_.reset();
    QDir(folder_).removeRecursively();
}

void TRecoveryStore::save(const QString& key, const QString& name, const QString& fileName,
                          const TIcon& document) {
    if (!lock_) throw EWriteError("The recovery folder cannot be used.");
    const QDir dir(folder_);
    // Animated cursors keep their timing in their own format; the rest is the document's block.
    const std::span<const uint8_t> block(document.ImageBlock(), document.BlockSize());
    const QString data = dir.filePath(
        key + (document.Animation() ? QStringLiteral(".ani") : QStringLiteral(".ico")));
    std::vector<uint8_t> animated;
    if (document.Animation())
        animated = writeAnimatedCursor(iconFileBytes(block, PngPolicy::None), document.Animation());
    const std::span<const uint8_t> bytes = document.Animation() ? std::span(animated) : block;
    // A document unchanged since its last copy is not written again: the copy keeps the time of
    // the last change, and an idle editor does not wake the disk.
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    hash.addData((name + QChar(0) + fileName + QChar(0) + data).toUtf8());
    const QByteArray digest = hash.result();
    if (const auto it = written_.find(key); it != written_.end() && it->second == digest) return;
    written_.erase(key);
    // A document that became animated, or stopped being, leaves no copy of the other kind.
    QFile::remove(dir.filePath(
        key + (document.Animation() ? QStringLiteral(".ico") : QStringLiteral(".ani"))));
    writeWholeFile(data, bytes);
    const QJsonObject about{{"name", name},
                            {"fileName", fileName},
                            {"data", QFileInfo(data).fileName()},
                            {"time", QDateTime::currentDateTime().toString(Qt::ISODate)}};
    const QByteArray json = QJsonDocument(about).toJson();
    writeWholeFile(
        dir.filePath(key + QStringLiteral(".json")),
        std::span(reinterpret_cast<const uint8_t*>(json.constData()), size_t(json.size())));
    written_[key] = digest;
}

void TRecoveryStore::remove(const QString& key) {
    written_.erase(key);
    const QDir dir(folder_);
    for (const char* suffix : {".json", ".ico", ".ani"})
        QFile::remove(dir.filePath(key + QLatin1String(suffix)));
}

std::vector<TRecoveryStore::Copy> TRecoveryStore::orphans() const {
    std::vector<Copy> copies;
    const QDir root(root_);
    for (const QString& sub : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QDir dir(root.filePath(sub));
        if (dir.absolutePath() == QDir(folder_).absolutePath()) continue;
        // A lock still held is a program still running; a free one, a program that died.
        QLockFile lock(dir.filePath(kLock));
        if (!lock.tryLock(0)) continue;
        lock.unlock();
        for (const QString& json : dir.entryList({QStringLiteral("*.json")}, QDir::Files)) {
            QFile file(dir.filePath(json));
            if (!file.open(QIODevice::ReadOnly)) continue;
            const QJsonObject about = QJsonDocument::fromJson(file.readAll()).object();
            Copy copy;
            copy.folder = dir.absolutePath();
            copy.key = about.value("data").toString();
            copy.name = about.value("name").toString();
            copy.fileName = about.value("fileName").toString();
            copy.time = QDateTime::fromString(about.value("time").toString(), Qt::ISODate);
            if (!copy.key.isEmpty() && QFileInfo(dir.filePath(copy.key)).isFile())
                copies.push_back(copy);
        }
    }
    std::sort(copies.begin(), copies.end(),
              [](const Copy& a, const Copy& b) { return a.time < b.time; });
    return copies;
}

std::unique_ptr<TIcon> TRecoveryStore::load(const Copy& copy) {
    auto document = std::make_unique<TIcon>();
    document->LoadFromFile(QDir(copy.folder).filePath(copy.key));
    return document;
}

void TRecoveryStore::discard(const std::vector<Copy>& copies) {
    QSet<QString> folders;
    for (const Copy& c : copies) folders.insert(c.folder);
    for (const QString& folder : folders) QDir(folder).removeRecursively();
}

}  // namespace tarvo
