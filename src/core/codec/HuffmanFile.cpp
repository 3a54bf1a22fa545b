// File operations. The source is read in pieces through buffers of fixed size that every piece
// reuses, so memory is touched once whatever the size (first touching a page is what costs on a
// virtual machine, not the copy). The encoder's threads read the pieces they work on themselves,
// into buffers small enough to stay in their caches, rather than a third thread reading ahead for
// them on the same two CPUs. The result is written as it comes to a file beside the
// destination that has no name until it is whole and on the disk, and then replaces the
// destination in one step: a failure, or a process killed half way, leaves the destination as it
// was and nothing behind, and source and destination may be the same file.

#include "codec/HuffmanStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <limits>
#include <random>
#include <system_error>

namespace fendrel {
namespace fs = std::filesystem;

namespace {

// Written data is handed to the disk every so often, so that the sync at the end has little left
// to wait for.
constexpr off_t kWriteBack = off_t{8} << 20;

std::string reasonOf(int error)
{
    return std::generic_category().message(error);
}

class SourceFile {
public:
    SourceFile(const fs::path &path, const char *who) : m_who(who)
    {
        // Not blocking, or a named pipe would wait here for a writer.
        m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (m_fd < 0) {
            if (errno == ENOENT || errno == ENOTDIR)
                fail("Source file does not exist");
            failReading(errno);
        }
        struct stat status {};
        if (::fstat(m_fd, &status) != 0)
            failReading(errno);
        if (S_ISDIR(status.st_mode))
            fail("Source file is a folder, not a file");
        if (!S_ISREG(status.st_mode))
            fail("Source file is not a regular file");
        if (status.st_size > std::numeric_limits<std::int32_t>::max())
            fail("Source file is too large (more than 2147483647 bytes)");
        m_size = static_cast<std::size_t>(status.st_size);
        ::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    SourceFile(const SourceFile &) = delete;
    SourceFile &operator=(const SourceFile &) = delete;
    ~SourceFile() { ::close(m_fd); }

    std::size_t size() const { return m_size; }

    // What follows, as far as the file goes now, 0 at its end: the codec finds out when that is
    // not the size the file had when it was opened.
    std::size_t read(std::uint8_t *buffer, std::size_t capacity)
    {
        const std::size_t got = readAt(static_cast<std::size_t>(m_offset), buffer, capacity);
        m_offset += static_cast<off_t>(got);
        return got;
    }

    // size bytes from offset, fewer only where the file ends now. Safe on several threads at once.
    std::size_t readAt(std::size_t offset, std::uint8_t *buffer, std::size_t size) const
    {
        std::size_t done = 0;
        while (done < size) {
            const ssize_t got = ::pread(m_fd, buffer + done, size - done, static_cast<off_t>(offset + done));
            if (got == 0)
                break;
            if (got > 0)
                done += static_cast<std::size_t>(got);
            else if (errno != EINTR)
                failReading(errno);
        }
        return done;
    }

private:
    [[noreturn]] void fail(const std::string &why) const { throw HuffmanError(m_who, why); }
    [[noreturn]] void failReading(int error) const { fail("Source file cannot be read (" + reasonOf(error) + ")"); }

    const char *m_who;
    int m_fd = -1;
    std::size_t m_size = 0;
    off_t m_offset = 0;
};

class DestinationFile {
public:
    DestinationFile(const fs::path &path, const char *who) : m_path(path), m_who(who)
    {
        struct stat status {};
        if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
            fail(EISDIR);
        const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
#ifdef O_TMPFILE
        m_fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (m_fd >= 0)
            return;
        // Only some file systems can make a file without a name.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            fail(errno);
#endif
        m_temporary = nameBeside([this](const fs::path &name) {
            m_fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            return m_fd >= 0;
        });
    }
    DestinationFile(const DestinationFile &) = delete;
    DestinationFile &operator=(const DestinationFile &) = delete;
    ~DestinationFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_temporary.empty())
            ::unlink(m_temporary.c_str());
    }

    void write(const std::uint8_t *bytes, std::size_t size)
    {
        while (size != 0) {
            const ssize_t written = ::write(m_fd, bytes, size);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                fail(written < 0 ? errno : EIO);
            bytes += written;
            size -= static_cast<std::size_t>(written);
            m_written += written;
        }
#ifdef SYNC_FILE_RANGE_WRITE
        if (m_written - m_handedToDisk >= kWriteBack) {
            ::sync_file_range(m_fd, m_handedToDisk, m_written - m_handedToDisk, SYNC_FILE_RANGE_WRITE);
            m_handedToDisk = m_written;
        }
#endif
    }

    // A disk that accepted the writes can still refuse them when they reach it, so the file is
    // synced before it replaces anything.
    void commit()
    {
        struct stat old {};
        if (::stat(m_path.c_str(), &old) == 0)
            ::fchmod(m_fd, old.st_mode & 07777);
        if (::fsync(m_fd) != 0 && errno != EINVAL)
            fail(errno);
        if (m_temporary.empty()) {
            const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
            m_temporary = nameBeside([&self](const fs::path &name) {
                return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
            });
        }
        const int closed = ::close(m_fd);
        m_fd = -1;
        if (closed != 0)
            fail(errno);
        if (::rename(m_temporary.c_str(), m_path.c_str()) != 0)
            fail(errno);
        m_temporary.clear();
    }

private:
    [[noreturn]] void fail(int error) const
    {
        throw HuffmanError(m_who, "Destination file cannot be written (" + reasonOf(error) + ")");
    }

    // Offers create() the destination's name with a random suffix until one is free.
    template <class Create>
    fs::path nameBeside(Create create) const
    {
        std::mt19937 random(std::random_device{}());
        for (int attempt = 0; attempt < 100; ++attempt) {
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, ".he3-%06x", static_cast<unsigned>(random() & 0xFFFFFF));
            fs::path name = m_path;
            name += suffix;
            if (create(name))
                return name;
            if (errno != EEXIST)
                break;
        }
        fail(errno);
    }

    fs::path m_path;
    const char *m_who;
    int m_fd = -1;
    fs::path m_temporary; // empty while the file has no name
    off_t m_written = 0;
    off_t m_handedToDisk = 0;
};

} // namespace

void Huffman::encodeFile(const fs::path &sourceFile, const fs::path &destFile)
{
    const char *const who = "clsHuffman.EncodeFile()";
    SourceFile source(sourceFile, who);
    DestinationFile dest(destFile, who);
    try {
        he3::ProgressMeter progress(m_progress);
        he3::encodeAt(
            source.size(),
            [&source](std::size_t offset, std::uint8_t *buffer, std::size_t size) {
                return source.readAt(offset, buffer, size);
            },
            progress, [&dest](const std::uint8_t *bytes, std::size_t size) { dest.write(bytes, size); });
    } catch (const HuffmanError &error) {
        if (error.source() == who)
            throw;
        // All the encoder refuses here is a file that changed between its two readings; its words
        // in parentheses say what it found.
        const std::string said = error.description();
        const std::size_t detail = said.find(" (");
        throw HuffmanError(who, "Source file changed while it was read"
                                    + (detail == std::string::npos ? std::string() : said.substr(detail)));
    }
    dest.commit();
}

void Huffman::decodeFile(const fs::path &sourceFile, const fs::path &destFile)
{
    const char *const who = "clsHuffman.DecodeFile()";
    SourceFile source(sourceFile, who);
    DestinationFile dest(destFile, who);
    decodeFrom(
        source.size(), [&source](std::uint8_t *buffer, std::size_t capacity) { return source.read(buffer, capacity); },
        [&dest](const std::uint8_t *bytes, std::size_t size) { dest.write(bytes, size); });
    dest.commit();
}

} // namespace fendrel
