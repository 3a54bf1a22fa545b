#pragma once

#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <QStringList>

namespace fendrel {

// Files that must change together (the members of one extraction) are first written whole into
// a staging folder on the same disk as their targets, and only then put in place: a refused,
// failed or interrupted run leaves only the staging folder, which its owner removes, or the next
// run when the owner was killed.
//
// Beside files that exist, each file is staged under a number inside the folder they share and
// renamed over its target on its own. A folder that does not exist yet is staged whole instead:
// every file is written where it will lie, below a staging folder beside it, and the staging
// folder becomes the new folder in one rename.
class StagingFolder {
public:
    enum class Kind { BesideFiles, NewFolder };
    // Staging for targets below folder (ending with "/"), which for NewFolder does not exist yet.
    // Nothing is created until begin() or makeFolders().
    StagingFolder(const QString &folder, Kind kind);
    StagingFolder(const StagingFolder &) = delete;
    StagingFolder &operator=(const StagingFolder &) = delete;
    // Removes the folder with whatever was not put in place.
    ~StagingFolder();

    bool isNewFolder() const { return !m_newFolder.isEmpty(); }
    // Where the file for target is staged (id numbers it beside existing files).
    QString stagedPath(qint64 id, const QString &target) const;
    // For a new folder: creates the folders below it that targets lie in.
    bool makeFolders(const QStringList &folders);

    // Starts staged file id; target only names the file in messages.
    bool begin(qint64 id, const QString &target);
    bool write(QByteArrayView bytes);
    bool end();
    // Makes every staged byte durable with one sync of the disk rather than one per file.
    bool sync();
    // Renames staged file id over target, which is replaced in one step.
    bool putInPlace(qint64 id, const QString &target);
    // For a new folder: renames the staging folder to it.
    bool putFolderInPlace();
    void discard();

    // "<target> cannot be written: <reason>" once something failed.
    const QString &error() const { return m_error; }

    // Removes the staging folders inside parent whose process is gone.
    static void removeStale(const QString &parent);

private:
    bool create(const QString &target);
    bool fail(const QString &target, int systemError, const QString &fallbackReason);

    QString m_folder;
    QString m_newFolder;
    bool m_created = false;
    QFile m_file;
    QString m_target;
    QString m_error;
};

} // namespace fendrel
