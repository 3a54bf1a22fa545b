#include "io/StagingFolder.h"

#include "io/CheckedWriter.h"
#include "io/ProcessFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <system_error>
#include <thread>
#include <vector>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fendrel {
namespace {

const QString kStagingPrefix = QStringLiteral(".fendrel-staging-");

// A file created or emptied for writing, with no look at it beyond the opening.
class NewFile {
public:
    ~NewFile() { close(); }
#ifdef Q_OS_UNIX
    bool open(const QString &path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        m_error = m_fd < 0 ? errno : 0;
        return m_fd >= 0;
    }
    bool write(QByteArrayView bytes)
    {
        while (!bytes.isEmpty()) {
            const ssize_t written = ::write(m_fd, bytes.data(), static_cast<std::size_t>(bytes.size()));
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0) {
                m_error = written < 0 ? errno : 0;
                return false;
            }
            bytes = bytes.sliced(written);
        }
        return true;
    }
    bool close()
    {
        if (m_fd < 0)
            return true;
#ifndef Q_OS_LINUX
        // Where the disk is synced as a whole only on Linux, each file is synced on its own.
        if (::fsync(m_fd) != 0 && errno != EINVAL) {
            m_error = errno;
            ::close(m_fd);
            m_fd = -1;
            return false;
        }
#endif
        const bool closed = ::close(m_fd) == 0 || errno == EINTR;
        m_error = closed ? 0 : errno;
        m_fd = -1;
        return closed;
    }
    int systemError() const { return m_error; }
    QString errorString() const { return m_error == 0 ? QString() : QString::fromLocal8Bit(std::strerror(m_error)); }

private:
    int m_fd = -1;
    int m_error = 0;
#else
    bool open(const QString &path)
    {
        m_file.setFileName(path);
        return m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
    }
    bool write(QByteArrayView bytes) { return writeWhole(m_file, bytes, &m_error); }
    bool close()
    {
        m_file.close();
        return true;
    }
    int systemError() const { return m_error; }
    QString errorString() const { return m_file.errorString(); }

private:
    QFile m_file;
    int m_error = 0;
#endif
};

} // namespace

// Creating, filling and closing thousands of small files costs more than expanding them; the
// calls go to a thread of their own in batches of up to 1 MiB of content.
class StagingFolder::Writer {
public:
    explicit Writer(StagingFolder &owner) : m_owner(owner), m_thread([this] { run(); }) {}
    ~Writer()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopped = true;
            m_queue.clear();
        }
        m_changed.notify_all();
        m_thread.join();
    }

    void open(QString path, QString target)
    {
        m_gathering.ops.push_back({Op::Open, 0, 0, std::move(path), std::move(target)});
        handOnWhenFull();
    }
    void write(QByteArrayView bytes)
    {
        if (m_gathering.bytes.size() + bytes.size() > kBatchBytes && !m_gathering.bytes.isEmpty())
            handOn();
        m_gathering.ops.push_back({Op::Write, m_gathering.bytes.size(), bytes.size(), {}, {}});
        m_gathering.bytes.append(bytes);
        handOnWhenFull();
    }
    void close()
    {
        m_gathering.ops.push_back({Op::Close, 0, 0, {}, {}});
        handOnWhenFull();
    }
    void finish()
    {
        handOn();
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_queue.empty() && !m_busy; });
    }

private:
    static constexpr qsizetype kBatchBytes = 1 << 20;
    static constexpr std::size_t kBatchOps = 4096;
    static constexpr std::size_t kQueued = 4;

    struct Op {
        enum Kind : quint8 { Open, Write, Close } kind;
        qsizetype at;
        qsizetype size;
        QString path;
        QString target;
    };
    struct Batch {
        std::vector<Op> ops;
        QByteArray bytes;
    };

    void handOnWhenFull()
    {
        if (m_gathering.bytes.size() >= kBatchBytes || m_gathering.ops.size() >= kBatchOps)
            handOn();
    }
    void handOn()
    {
        if (m_gathering.ops.empty())
            return;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_queue.size() < kQueued; });
            m_queue.push_back(std::move(m_gathering));
            // A batch written already is filled again: new memory would cost more to touch than to fill.
            if (m_spare.empty()) {
                m_gathering = Batch{};
                m_gathering.bytes.reserve(kBatchBytes);
            } else {
                m_gathering = std::move(m_spare.back());
                m_spare.pop_back();
            }
        }
        m_changed.notify_all();
        m_gathering.ops.clear();
        m_gathering.bytes.resize(0);
    }

    void run()
    {
        for (;;) {
            Batch batch;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [this] { return m_stopped || !m_queue.empty(); });
                if (m_stopped)
                    break;
                batch = std::move(m_queue.front());
                m_queue.pop_front();
                m_busy = true;
            }
            m_changed.notify_all();
            for (const Op &op : batch.ops) {
                if (m_owner.failed())
                    break;
                perform(op, batch.bytes);
            }
            {
                const std::lock_guard lock(m_mutex);
                m_busy = false;
                m_spare.push_back(std::move(batch));
            }
            m_changed.notify_all();
        }
        m_file.close();
    }

    void perform(const Op &op, const QByteArray &bytes)
    {
        switch (op.kind) {
        case Op::Open:
            // A copy of its own: the batch's text is freed on the other thread.
            m_target = QString(op.target.constData(), op.target.size());
            if (!m_file.open(op.path))
                m_owner.fail(m_target, m_file.systemError(), m_file.errorString());
            break;
        case Op::Write:
            if (!m_file.write(QByteArrayView(bytes).sliced(op.at, op.size))) {
                m_owner.fail(m_target, m_file.systemError(), m_file.errorString());
                m_file.close();
            }
            break;
        case Op::Close:
            if (!m_file.close())
                m_owner.fail(m_target, m_file.systemError(), m_file.errorString());
            break;
        }
    }

    StagingFolder &m_owner;
    Batch m_gathering;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Batch> m_queue;
    std::vector<Batch> m_spare;
    bool m_busy = false;
    bool m_stopped = false;
    NewFile m_file; // the writer thread's own
    QString m_target;
    std::thread m_thread;
};

StagingFolder::StagingFolder(const QString &folder, Kind kind)
{
    if (kind == Kind::NewFolder) {
        m_newFolder = folder;
        m_folder = QDir(QFileInfo(folder.chopped(1)).path()).filePath(processFolderName(kStagingPrefix));
    } else {
        m_folder = QDir(folder).filePath(processFolderName(kStagingPrefix));
    }
}

StagingFolder::~StagingFolder()
{
    discard();
}

QString StagingFolder::stagedPath(qint64 id, const QString &target) const
{
    if (isNewFolder())
        return m_folder + u'/' + target.mid(m_newFolder.size());
    return m_folder + u'/' + QString::number(id);
}

QString StagingFolder::error() const
{
    const std::lock_guard lock(m_errorMutex);
    return m_error;
}

bool StagingFolder::fail(const QString &target, int systemError, const QString &fallbackReason)
{
    const std::lock_guard lock(m_errorMutex);
    if (m_error.isEmpty())
        m_error = cannotBeWritten(target, systemError, fallbackReason);
    m_failed.store(true, std::memory_order_release);
    return false;
}

bool StagingFolder::create(const QString &target)
{
    if (m_created)
        return true;
    errno = 0;
    // A staging folder of an earlier run of this same process id can only be stale.
    QDir(m_folder).removeRecursively();
    if (!QDir().mkpath(m_folder))
        return fail(target, errno, QString());
    m_created = true;
    return true;
}

bool StagingFolder::makeFolders(const QStringList &folders)
{
    if (failed() || !create(m_newFolder))
        return false;
    for (const QString &folder : folders) {
        errno = 0;
        if (!QDir().mkpath(stagedPath(0, folder)))
            return fail(folder, errno, QString());
    }
    return true;
}

bool StagingFolder::begin(qint64 id, const QString &target)
{
    if (failed() || !create(target))
        return false;
    try {
        if (!m_writer)
            m_writer = std::make_unique<Writer>(*this);
    } catch (const std::system_error &e) {
        return fail(target, e.code().value(), QStringLiteral("no thread could be started to write it"));
    }
    m_writer->open(stagedPath(id, target), target);
    return true;
}

bool StagingFolder::write(QByteArrayView bytes)
{
    if (failed() || !m_writer)
        return false;
    m_writer->write(bytes);
    return true;
}

bool StagingFolder::end()
{
    if (failed() || !m_writer)
        return false;
    m_writer->close();
    return true;
}

bool StagingFolder::waitForWrites()
{
    if (m_writer)
        m_writer->finish();
    return !failed();
}

bool StagingFolder::sync()
{
    if (!waitForWrites())
        return false;
#ifdef Q_OS_LINUX
    if (!m_created)
        return true;
    const int folder = ::open(QFile::encodeName(m_folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return fail(m_folder, errno, QString());
    const bool synced = ::syncfs(folder) == 0;
    const int syncError = errno;
    ::close(folder);
    if (!synced)
        return fail(m_folder, syncError, QString());
#endif
    return true;
}

bool StagingFolder::putInPlace(qint64 id, const QString &target)
{
    if (!waitForWrites())
        return false;
    if (std::rename(QFile::encodeName(stagedPath(id, target)).constData(), QFile::encodeName(target).constData()) != 0)
        return fail(target, errno, QString());
    return true;
}

bool StagingFolder::putFolderInPlace()
{
    if (!waitForWrites())
        return false;
    if (m_created && std::rename(QFile::encodeName(m_folder).constData(), QFile::encodeName(m_newFolder.chopped(1)).constData()) != 0)
        return fail(m_newFolder, errno, QString());
    m_created = false;
    return true;
}

void StagingFolder::discard()
{
    m_writer.reset();
    if (m_created)
        QDir(m_folder).removeRecursively();
    m_created = false;
}

void StagingFolder::removeStale(const QString &parent)
{
    removeFoldersOfGoneProcesses(parent, kStagingPrefix);
}

} // namespace fendrel
