#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <mutex>

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
//
// The files are written on a thread of their own, behind the caller: begin, write and end return
// at once, and a failure shows in failed() and error() a little later. Whatever puts files in
// place first waits for every write.
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
    // Waits until every file begun is written; false when one could not be.
    bool waitForWrites();
    // Makes every staged byte durable with one sync of the disk rather than one per file.
    bool sync();
    // Renames staged file id over target, which is replaced in one step.
    bool putInPlace(qint64 id, const QString &target);
    // For a new folder: renames the staging folder to it.
    bool putFolderInPlace();
    void discard();

    bool failed() const { return m_failed.load(std::memory_order_acquire); }
    // "<target> cannot be written: <reason>" once something failed.
    QString error() const;

    // Removes the staging folders inside parent whose process is gone.
    static void removeStale(const QString &parent);

private:
    class Writer;
    bool create(const QString &target);
    bool fail(const QString &target, int systemError, const QString &fallbackReason);

    QString m_folder;
    QString m_newFolder;
    bool m_created = false;
    std::unique_ptr<Writer> m_writer;
    std::atomic_bool m_failed = false;
    mutable std::mutex m_errorMutex;
    QString m_error;
};

} // namespace fendrel
