#pragma once

#include <QByteArrayView>
#include <QFile>
#include <QString>

namespace fendrel {

// Files that must change together (the members of one extraction) are first written whole into
// a staging folder beside their targets, on the same disk, and only then renamed over them one
// by one. Until putInPlace, no target changes; a refused, failed or interrupted run leaves only
// the staging folder, which its owner removes, or the next run when the owner was killed.
class StagingFolder {
public:
    // The staging folder of this process inside parent; nothing is created until begin().
    explicit StagingFolder(const QString &parent);
    StagingFolder(const StagingFolder &) = delete;
    StagingFolder &operator=(const StagingFolder &) = delete;
    // Removes the folder with whatever was not put in place.
    ~StagingFolder();

    // Starts staged file id; target only names the file in messages.
    bool begin(qint64 id, const QString &target);
    bool write(QByteArrayView bytes);
    bool end();
    // Makes every staged byte durable with one sync of the disk rather than one per file.
    bool sync();
    // Renames staged file id over target, which is replaced in one step.
    bool putInPlace(qint64 id, const QString &target);
    void discard();

    // "<target> cannot be written: <reason>" once something failed.
    const QString &error() const { return m_error; }

    // Removes the staging folders inside parent whose process is gone.
    static void removeStale(const QString &parent);

private:
    QString stagedPath(qint64 id) const;
    bool fail(const QString &target, int systemError, const QString &fallbackReason);

    QString m_folder;
    bool m_created = false;
    QFile m_file;
    QString m_target;
    QString m_error;
};

} // namespace fendrel
