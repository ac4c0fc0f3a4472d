#include "raster/FileWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "raster/Errors.h"

namespace tarvo {

namespace {

EWriteError writeError(const QString& fileName, const QString& reason) {
    return EWriteError(QStringLiteral("Cannot write %1: %2").arg(fileName, reason).toStdString());
}

template <class File>
void writeThrough(File& file, const QString& fileName,
                  const std::function<bool(QIODevice&)>& write) {
    bool ok = false;
    QString reason;
    try {
        ok = write(file);
    } catch (const TError& e) {
        reason = QString::fromUtf8(e.what());
    }
    if (ok && file.error() == QFileDevice::NoError) return;
    if (reason.isEmpty()) reason = file.errorString();
    if constexpr (std::is_same_v<File, QSaveFile>) file.cancelWriting();
    throw writeError(fileName, reason);
}

}  // namespace

void writeWholeFile(const QString& fileName, const std::function<bool(QIODevice&)>& write) {
    const QFileInfo target(fileName);
    if (target.exists() && !target.isFile()) {
        QFile file(fileName);
        if (!file.open(QIODevice::WriteOnly)) throw writeError(fileName, file.errorString());
        writeThrough(file, fileName, write);
        if (!file.flush() || file.error() != QFileDevice::NoError)
            throw writeError(fileName, file.errorString());
        file.close();
        return;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) throw writeError(fileName, file.errorString());
    writeThrough(file, fileName, write);
    if (!file.commit()) throw writeError(fileName, file.errorString());
}

void writeWholeFile(const QString& fileName, std::span<const uint8_t> bytes) {
    writeWholeFile(fileName, [bytes](QIODevice& file) {
        return file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) ==
               qint64(bytes.size());
    });
}

}  // namespace tarvo
