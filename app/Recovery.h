#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QLockFile>
#include <QString>
#include <map>
#include <memory>
#include <vector>

namespace tarvo {

class TIcon;

// Copies of modified documents, so that a crash or a kill loses at most the last few seconds of
// work. Each running program writes into a folder of its own under the state folder, locked while
// it runs; the copies in folders whose lock is free belong to programs that ended without
// cleaning up, and can be recovered. Nothing is ever written over the user's own files.
class TRecoveryStore {
  public:
    // $XDG_STATE_HOME/tarvo-iconworks/recovery, or ~/.local/state/... without it.
    static QString defaultRoot();
    explicit TRecoveryStore(QString root = defaultRoot());
    ~TRecoveryStore();

    // The copy of a document under `key`, replacing the one before: its bytes, the name its
    // window showed and the file it came from. Throws TError when it cannot be written.
    void save(const QString& key, const QString& name, const QString& fileName,
              const TIcon& document);
    void remove(const QString& key);

    // A copy left by a program that is no longer running.
    struct Copy {
        QString folder;
        QString key;
        QString name;
        QString fileName;
        QDateTime time;
    };
    std::vector<Copy> orphans() const;
    // The document of a copy; throws TError when it cannot be read.
    static std::unique_ptr<TIcon> load(const Copy& copy);
    // Deletes the folders the copies were in: those of programs that are gone.
    static void discard(const std::vector<Copy>& copies);

    const QString& folder() const { return folder_; }

  private:
    QString root_;
    QString folder_;
    std::unique_ptr<QLockFile> lock_;
    // What each key's copy holds (a digest of its bytes and names), as last written.
    std::map<QString, QByteArray> written_;
};

}  // namespace tarvo
