#include "package/PackageImage.h"

#include "io/FileKind.h"
#include "text/Windows1252.h"

#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <cstdint>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

namespace fendrel {
namespace {

constexpr qint64 kMaxTextBytes = 32767;
constexpr qint64 kMaxListCount = std::numeric_limits<qint32>::max();

// Far more files than any catalogue names; a list claiming more is refused rather than followed
// into memory it could exhaust.
constexpr qint64 kMaxMembers = 1000000;

quint16 le16(const char *p)
{
    return qFromLittleEndian<quint16>(p);
}

quint32 le32(const char *p)
{
    return qFromLittleEndian<quint32>(p);
}

// Gathers the small fields so that the consumer sees few, larger pieces.
class FieldBuffer {
public:
    explicit FieldBuffer(const ImageConsumer &consume) : m_consume(consume) {}
    void u16(quint16 value)
    {
        char bytes[2];
        qToLittleEndian(value, bytes);
        m_bytes.append(bytes, 2);
    }
    void u32(quint32 value)
    {
        char bytes[4];
        qToLittleEndian(value, bytes);
        m_bytes.append(bytes, 4);
    }
    void listHeader(qint64 count)
    {
        u16(1);
        u32(static_cast<quint32>(count));
        u32(0);
    }
    void text(QByteArrayView bytes)
    {
        u16(static_cast<quint16>(bytes.size()));
        m_bytes.append(bytes);
        if (m_bytes.size() >= 65536)
            flush();
    }
    void flush()
    {
        if (!m_bytes.isEmpty())
            m_consume(m_bytes);
        m_bytes.clear();
    }

private:
    const ImageConsumer &m_consume;
    QByteArray m_bytes;
};

} // namespace

QString MemberNames::at(qsizetype i) const
{
    return fromWindows1252(bytesAt(i));
}

QByteArrayView MemberNames::bytesAt(qsizetype i) const
{
    const qsizetype begin = i == 0 ? 0 : m_ends[static_cast<std::size_t>(i - 1)];
    return QByteArrayView(m_bytes).sliced(begin, qsizetype(m_ends[static_cast<std::size_t>(i)]) - begin);
}

void MemberNames::append(QByteArrayView stored)
{
    m_bytes.append(stored);
    m_ends.push_back(static_cast<quint32>(m_bytes.size()));
}

void MemberNames::appendText(QStringView name)
{
    appendWindows1252(m_bytes, name);
    m_ends.push_back(static_cast<quint32>(m_bytes.size()));
}

QList<QString> MemberNames::toList() const
{
    QList<QString> names;
    names.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        names.append(at(i));
    return names;
}

// Pieces of the image on their way from the readers to the consumer. Each reader fills chunks of
// its own and queues them, a few at most; the consumer takes them in image order and hands them
// back to be filled again. Without readers a filled chunk goes straight to the consumer. A batch
// the first reading keeps is filled in place, in the kept bytes, and not handed back.
class PackageImageWriter::Chunks {
public:
    static constexpr qsizetype kSize = 1 << 20;
    static constexpr std::size_t kQueued = 2;

    struct Chunk {
        std::unique_ptr<char[]> owned; // none for kept bytes
        char *bytes = nullptr;
        qsizetype capacity = 0;
        qsizetype size = 0;
        bool endsBatch = false;
    };

    Chunks(int readers, const ImageConsumer &consume)
        : m_consume(consume), m_threaded(readers > 0), m_readers(static_cast<std::size_t>(std::max(readers, 1)))
    {
        for (Reader &r : m_readers)
            r.filling = ownedChunk();
    }

    // Reader side.
    char *end(int reader) { return filling(reader).bytes + filling(reader).size; }
    qsizetype room(int reader) { return filling(reader).capacity - filling(reader).size; }
    void commit(int reader, qsizetype count) { filling(reader).size += count; }
    bool put(int reader, const char *bytes, qsizetype count)
    {
        if (room(reader) < count && !handOn(reader, false))
            return false;
        std::memcpy(end(reader), bytes, static_cast<std::size_t>(count));
        commit(reader, count);
        return true;
    }
    // The next batch goes to bytes, which have room for it whole; the chunk being filled is empty
    // between batches.
    void fillInPlace(int reader, char *bytes, qsizetype capacity)
    {
        Reader &r = m_readers[static_cast<std::size_t>(reader)];
        {
            const std::lock_guard lock(m_mutex);
            if (r.filling.owned)
                r.spare.push_back(std::move(r.filling));
        }
        r.filling = Chunk{nullptr, bytes, capacity};
    }
    // Queues the chunk being filled and starts another; false once the consumer has stopped.
    bool handOn(int reader, bool endsBatch)
    {
        Reader &r = m_readers[static_cast<std::size_t>(reader)];
        if (!m_threaded) {
            m_consume(QByteArrayView(r.filling.bytes, r.filling.size));
            r.filling.size = 0;
            if (!r.filling.owned)
                r.filling = r.spare.empty() ? ownedChunk() : takeSpare(r);
            return true;
        }
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_stopped || r.queued.size() < kQueued; });
        if (m_stopped)
            return false;
        r.filling.endsBatch = endsBatch;
        r.queued.push_back(std::move(r.filling));
        if (r.spare.empty()) {
            lock.unlock();
            r.filling = ownedChunk();
        } else {
            r.filling = takeSpare(r);
        }
        m_changed.notify_all();
        return true;
    }
    void fail(int reader, const QString &error)
    {
        const std::lock_guard lock(m_mutex);
        m_readers[static_cast<std::size_t>(reader)].error = error;
        m_readers[static_cast<std::size_t>(reader)].failed = true;
        m_changed.notify_all();
    }

    // Consumer side: hands on the chunks of the next batch of reader; false, with error set, when
    // that reader failed.
    bool consumeBatch(int reader, QString *error)
    {
        Reader &r = m_readers[static_cast<std::size_t>(reader)];
        for (;;) {
            Chunk chunk;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [&] { return !r.queued.empty() || r.failed; });
                if (r.queued.empty()) {
                    *error = r.error;
                    return false;
                }
                chunk = std::move(r.queued.front());
                r.queued.pop_front();
                m_changed.notify_all();
            }
            m_consume(QByteArrayView(chunk.bytes, chunk.size));
            const bool last = chunk.endsBatch;
            if (chunk.owned) {
                const std::lock_guard lock(m_mutex);
                r.spare.push_back(std::move(chunk));
            }
            if (last)
                return true;
        }
    }
    void stop()
    {
        const std::lock_guard lock(m_mutex);
        m_stopped = true;
        m_changed.notify_all();
    }

private:
    struct Reader {
        Chunk filling;
        std::deque<Chunk> queued;
        std::vector<Chunk> spare;
        bool failed = false;
        QString error;
    };
    Chunk &filling(int reader) { return m_readers[static_cast<std::size_t>(reader)].filling; }
    static Chunk ownedChunk()
    {
        Chunk chunk{std::make_unique<char[]>(kSize)};
        chunk.bytes = chunk.owned.get();
        chunk.capacity = kSize;
        return chunk;
    }
    static Chunk takeSpare(Reader &r)
    {
        Chunk chunk = std::move(r.spare.back());
        r.spare.pop_back();
        chunk.size = 0;
        chunk.endsBatch = false;
        return chunk;
    }

    const ImageConsumer &m_consume;
    bool m_threaded;
    std::vector<Reader> m_readers;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_stopped = false;
};

// One block for every kept batch. First touching fresh memory page by page costs here about as
// much as reading the files again, so the block asks for huge pages where the system has them.
class PackageImageWriter::KeptBytes {
public:
    explicit KeptBytes(qint64 size)
    {
#ifdef Q_OS_LINUX
        constexpr std::size_t kHugePage = 2 << 20;
        const std::size_t used = (static_cast<std::size_t>(size) + kHugePage - 1) & ~(kHugePage - 1);
        void *block = ::mmap(nullptr, used + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (block == MAP_FAILED)
            return;
        m_block = static_cast<char *>(block);
        m_mapped = used + kHugePage;
        const auto at = (reinterpret_cast<std::uintptr_t>(m_block) + kHugePage - 1) & ~(kHugePage - 1);
        m_bytes = reinterpret_cast<char *>(at);
        ::madvise(m_bytes, used, MADV_HUGEPAGE);
#else
        m_owned.reset(new (std::nothrow) char[static_cast<std::size_t>(size)]);
        m_bytes = m_owned.get();
#endif
    }
    ~KeptBytes()
    {
#ifdef Q_OS_LINUX
        if (m_block)
            ::munmap(m_block, m_mapped);
#endif
    }
    KeptBytes(const KeptBytes &) = delete;
    KeptBytes &operator=(const KeptBytes &) = delete;

    char *bytes() const { return m_bytes; } // null when the memory could not be had
    bool filled = false;

private:
    char *m_bytes = nullptr;
#ifdef Q_OS_LINUX
    char *m_block = nullptr;
    std::size_t m_mapped = 0;
#else
    std::unique_ptr<char[]> m_owned;
#endif
};

PackageImageWriter::PackageImageWriter() = default;
PackageImageWriter::~PackageImageWriter() = default;

bool PackageImageWriter::plan(QList<PackageMember> members, QString *error, qint64 keptBudget)
{
    m_kept.reset();
    m_keptSize = 0;
    if (members.size() + 1 > kMaxListCount) {
        *error = QStringLiteral("A package cannot hold %1 files.").arg(members.size());
        return false;
    }
    m_names = {};
    m_sizes.clear();
    m_batches.clear();
    m_size = 2 + 10 + 2 + 2 + 10 + 2;
    qsizetype first = 0;
    qint64 batchBytes = 0;
    qint64 batchImageBytes = 0;
    bool batchSmall = true;
    std::vector<bool> small;
    const auto endBatch = [&](qsizetype end) {
        m_batches.push_back({first, end, batchImageBytes});
        small.push_back(batchSmall);
    };
    for (const PackageMember &m : std::as_const(members)) {
        m_names.appendText(m.name);
        const qsizetype nameBytes = m_names.bytesAt(m_names.size() - 1).size();
        if (nameBytes > kMaxTextBytes) {
            *error = QStringLiteral("The file name %1 is too long for a package.").arg(m.name);
            return false;
        }
        m_sizes.append(m.data                ? m.data->size()
                       : m.source.isEmpty()  ? -1
                       : m.sourceSize >= 0   ? m.sourceSize
                                             : QFileInfo(m.source).size());
        if (m_sizes.last() > std::numeric_limits<qint32>::max()) {
            *error = QStringLiteral("%1 is larger than a package member can be (2 GiB).").arg(m.name);
            return false;
        }
        m_size += 2 + nameBytes + 2 + (m_sizes.last() >= 0 ? 8 + m_sizes.last() : 0);
        // Members that fit one chunk together make a batch, which one reader reads whole; a file
        // leaves room for the byte that tells whether it grew.
        const qint64 bytes = m_sizes.last() < 0 ? 2 : 10 + m_sizes.last() + (m.data ? 0 : 1);
        const qsizetype index = m_sizes.size() - 1;
        if (index > first && batchBytes + bytes > Chunks::kSize) {
            endBatch(index);
            first = index;
            batchBytes = 0;
            batchImageBytes = 0;
            batchSmall = true;
        }
        batchBytes += bytes;
        batchImageBytes += m_sizes.last() < 0 ? 2 : 10 + m_sizes.last();
        batchSmall = batchSmall && m_sizes.last() <= kKeptMemberBytes;
    }
    if (m_sizes.size() > first)
        endBatch(m_sizes.size());
    if (m_size > std::numeric_limits<qint32>::max()) {
        *error = QStringLiteral("The package would be larger than 2 GiB, more than its format can hold.");
        return false;
    }
    // An image of up to 24 MiB keeps a third of itself at most, so that a small package's memory
    // stays a small multiple of it; beyond, where the memory the program needs anyway is small
    // beside the image, the share grows to the whole image at 40 MiB. A kept batch takes its
    // image bytes and one for the reading that finds a file grown; each starts on a cache line of
    // its own, since two readers fill neighbours at once.
    constexpr qint64 kWholeFrom = 40 << 20;
    const qint64 budget = std::min(keptBudget, std::max(m_size / 3, 2 * m_size - kWholeFrom));
    for (std::size_t b = 0; b < m_batches.size(); ++b) {
        if (!small[b])
            continue;
        const qint64 room = (m_batches[b].bytes + 1 + 63) & ~qint64(63);
        if (m_keptSize + room > budget)
            break;
        m_batches[b].keptAt = m_keptSize;
        m_keptSize += room;
    }
    m_members = std::move(members);
    return true;
}

void PackageImageWriter::produceHead(const ImageConsumer &consume) const
{
    FieldBuffer fields(consume);
    fields.u16(0); // reserved text
    fields.listHeader(m_members.size() + 1);
    fields.u16(0); // entry 0: empty name
    for (qsizetype i = 0; i < m_names.size(); ++i)
        fields.text(m_names.bytesAt(i));
    fields.u16(0); // reserved list, never created
    fields.listHeader(m_members.size() + 1);
    fields.u16(0); // entry 0: no data
    fields.flush();
}

bool PackageImageWriter::produceBatch(const Batch &batch, Chunks &chunks, int reader, Reading reading,
                                      QString *error) const
{
    OpenFolder folder; // a lab's files lie side by side
    for (qsizetype i = batch.first; i < batch.end; ++i) {
        const PackageMember &m = m_members[i];
        const qint64 size = m_sizes[i];
        if (size < 0) {
            const char none[2] = {0, 0};
            if (!chunks.put(reader, none, 2))
                return false;
            continue;
        }
        char header[10];
        qToLittleEndian<quint16>(1, header);
        qToLittleEndian<quint32>(static_cast<quint32>(size), header + 2);
        qToLittleEndian<quint32>(0, header + 6);
        if (!chunks.put(reader, header, 10))
            return false;
        if (m.data) {
            for (QByteArrayView left(*m.data); !left.isEmpty();) {
                if (chunks.room(reader) == 0 && !chunks.handOn(reader, false))
                    return false;
                const qsizetype now = std::min(left.size(), chunks.room(reader));
                std::memcpy(chunks.end(reader), left.data(), static_cast<std::size_t>(now));
                chunks.commit(reader, now);
                left = left.sliced(now);
            }
            continue;
        }
        ReadOnlyFile file(m.source, folder);
        if (!file.isOpen()) {
            *error = QStringLiteral("%1 could not be read: %2").arg(m.source, file.errorString());
            return false;
        }
        // The size is written already: a file that changed since it was looked at is refused.
        if (reading == Reading::Later && m.sourceModified >= 0) {
            const FileStatus now = file.status();
            if (now.size != size || now.modified != m.sourceModified) {
                *error = QStringLiteral("%1 changed while the package was written.").arg(m.source);
                return false;
            }
        }
        // Asking for one byte more than is left finds a file that grew without another read.
        for (qint64 left = size;;) {
            if (chunks.room(reader) == 0 || (left < Chunks::kSize && chunks.room(reader) < left + 1)) {
                if (!chunks.handOn(reader, false))
                    return false;
            }
            const qint64 wanted = std::min<qint64>(left + 1, chunks.room(reader));
            const qint64 got = file.read(chunks.end(reader), wanted);
            if (got > left) {
                *error = QStringLiteral("%1 changed while the package was written.").arg(m.source);
                return false;
            }
            if (got < 0) {
                *error = QStringLiteral("%1 could not be read whole: %2").arg(m.source, file.errorString());
                return false;
            }
            if (got == 0 && left > 0) {
                *error = QStringLiteral("%1 could not be read whole: it became shorter while the package was written.")
                             .arg(m.source);
                return false;
            }
            chunks.commit(reader, got);
            left -= got;
            if (left == 0 && got < wanted)
                break; // a short read at the end of a file is its end
        }
    }
    return chunks.handOn(reader, true);
}

bool PackageImageWriter::produce(const ImageConsumer &consume, QString *error, Reading reading, int readers)
{
    produceHead(consume);
    // A first reading fills the kept bytes; a later one hands them on as the first left them.
    // Without the memory for them every batch is read each time.
    const bool keeping = reading == Reading::First && m_keptSize > 0;
    if (keeping) {
        m_kept = std::make_unique<KeptBytes>(m_keptSize);
        if (!m_kept->bytes())
            m_kept.reset();
    }
    const bool replaying = reading == Reading::Later && m_kept && m_kept->filled;
    const auto replayed = [&](const Batch &batch) {
        if (!replaying || batch.keptAt < 0)
            return false;
        consume(QByteArrayView(m_kept->bytes() + batch.keptAt, batch.bytes));
        return true;
    };
    Chunks chunks(readers, consume);
    const auto read = [&](const Batch &batch, int reader, QString *why) {
        if (keeping && m_kept && batch.keptAt >= 0)
            chunks.fillInPlace(reader, m_kept->bytes() + batch.keptAt, batch.bytes + 1);
        return produceBatch(batch, chunks, reader, reading, why);
    };
    const auto keptNow = [&] {
        if (keeping && m_kept)
            m_kept->filled = true;
        return true;
    };

    if (readers <= 0) {
        for (const Batch &batch : m_batches) {
            if (!replayed(batch) && !read(batch, 0, error))
                return false;
        }
        return keptNow();
    }
    std::vector<const Batch *> toRead;
    for (const Batch &batch : m_batches) {
        if (!replaying || batch.keptAt < 0)
            toRead.push_back(&batch);
    }
    std::vector<std::thread> threads;
    // Whatever ends the consuming (a failure, or consume throwing) stops the readers first.
    struct Joined {
        Chunks &chunks;
        std::vector<std::thread> &threads;
        ~Joined()
        {
            chunks.stop();
            for (std::thread &t : threads)
                t.join();
        }
    } joined{chunks, threads};
    const std::size_t count = std::min(static_cast<std::size_t>(readers), toRead.size());
    for (std::size_t r = 0; r < count; ++r) {
        threads.emplace_back([&, r] {
            QString why;
            for (std::size_t b = r; b < toRead.size(); b += count) {
                if (!read(*toRead[b], static_cast<int>(r), &why)) {
                    chunks.fail(static_cast<int>(r), why);
                    return;
                }
            }
        });
    }
    std::size_t next = 0;
    for (const Batch &batch : m_batches) {
        if (!replayed(batch) && !chunks.consumeBatch(static_cast<int>(next++ % count), error))
            return false;
    }
    return keptNow();
}

ImageBytes buildPackageImage(QList<PackageMember> &&members, QString *error)
{
    PackageImageWriter writer;
    if (!writer.plan(std::move(members), error))
        return {};
    ImageBytes image;
    image.reserve(static_cast<std::size_t>(writer.size()));
    const bool produced = writer.produce(
        [&image](QByteArrayView piece) {
            const auto *bytes = reinterpret_cast<const std::uint8_t *>(piece.data());
            image.insert(image.end(), bytes, bytes + piece.size());
        },
        error);
    return produced ? image : ImageBytes{};
}

bool PackageImageParser::fail(const QString &why)
{
    if (m_error.isEmpty())
        m_error = QStringLiteral("The package is damaged: %1.").arg(why);
    return false;
}

// Collects count bytes of the field being read; true once they are all in m_pending.
bool PackageImageParser::take(QByteArrayView &piece, qsizetype count)
{
    const qsizetype wanted = std::clamp<qsizetype>(count - m_pending.size(), 0, piece.size());
    m_pending.append(piece.first(wanted));
    piece = piece.sliced(wanted);
    return m_pending.size() >= count;
}

// A list header: dimensions 0 gives count -1 (never created). False while more bytes are
// needed or when the header is refused (then failed() is set).
bool PackageImageParser::listHeader(QByteArrayView &piece, qint64 &count)
{
    if (!take(piece, 2))
        return false;
    const quint16 dimensions = le16(m_pending.constData());
    if (dimensions == 0) {
        m_pending.clear();
        count = -1;
        return true;
    }
    if (dimensions != 1)
        return fail(QStringLiteral("a list has %1 dimensions").arg(dimensions));
    if (!take(piece, 10))
        return false;
    const quint32 elements = le32(m_pending.constData() + 2);
    const quint32 lowerBound = le32(m_pending.constData() + 6);
    m_pending.clear();
    if (lowerBound != 0)
        return fail(QStringLiteral("a list does not start at index 0"));
    if (elements > kMaxListCount)
        return fail(QStringLiteral("a list claims more entries than a package can hold"));
    count = elements;
    return true;
}

// A list's header, after which its entries are read as the given field.
bool PackageImageParser::beginList(QByteArrayView &piece, Field entries)
{
    if (!listHeader(piece, m_count))
        return false;
    m_index = 0;
    m_field = entries;
    return true;
}

// One text field; false while more bytes are needed.
bool PackageImageParser::text(QByteArrayView &piece, QByteArray *stored)
{
    if (m_textLength < 0) {
        if (!take(piece, 2))
            return false;
        m_textLength = le16(m_pending.constData());
        m_pending.clear();
    }
    if (!take(piece, m_textLength))
        return false;
    if (stored)
        stored->swap(m_pending);
    m_pending.clear();
    m_textLength = -1;
    return true;
}

// Advances by one field or one piece of member data; false when it needs more bytes, is done,
// or has failed.
bool PackageImageParser::step(QByteArrayView &piece)
{
    switch (m_field) {
    case Field::ReservedText:
        if (!text(piece, nullptr))
            return false;
        m_field = Field::NamesHeader;
        return true;
    case Field::NamesHeader:
        if (!beginList(piece, Field::Name))
            return false;
        if (m_count > kMaxMembers)
            return fail(QStringLiteral("it lists %1 files, more than a package can usefully hold").arg(m_count));
        return true;
    case Field::Name: {
        if (m_index >= m_count) {
            m_handler.namesRead(std::exchange(m_names, {}));
            m_field = Field::ReservedHeader;
            return true;
        }
        QByteArray name;
        if (!text(piece, &name))
            return false;
        if (m_index++ > 0)
            m_names.append(name);
        return true;
    }
    case Field::ReservedHeader:
        return beginList(piece, Field::Reserved);
    case Field::Reserved:
        if (m_index >= m_count) {
            m_field = Field::DataHeader;
            return true;
        }
        if (!text(piece, nullptr))
            return false;
        ++m_index;
        return true;
    case Field::DataHeader:
        return beginList(piece, Field::MemberHeader);
    case Field::MemberHeader: {
        if (m_index >= m_count) {
            m_field = Field::Done;
            return true;
        }
        qint64 size = 0;
        if (!listHeader(piece, size))
            return false;
        if (m_index > 0)
            m_handler.memberBegins(m_index, size);
        m_remaining = std::max<qint64>(size, 0);
        m_field = Field::MemberData;
        return true;
    }
    case Field::MemberData: {
        const qint64 now = std::min<qint64>(m_remaining, piece.size());
        if (now > 0 && m_index > 0)
            m_handler.memberBytes(piece.first(now));
        piece = piece.sliced(now);
        m_remaining -= now;
        if (m_remaining > 0)
            return false;
        if (m_index > 0)
            m_handler.memberEnds(m_index);
        ++m_index;
        m_field = Field::MemberHeader;
        return true;
    }
    case Field::Done:
        piece = {}; // what follows the data list is not part of the image
        return false;
    }
    return false;
}

bool PackageImageParser::feed(QByteArrayView piece)
{
    while (!failed() && m_handler.wantsMore() && step(piece)) {
    }
    return !failed() && m_handler.wantsMore();
}

bool PackageImageParser::finish()
{
    QByteArrayView none;
    feed(none);
    if (!failed() && m_field != Field::Done)
        fail(QStringLiteral("it ends inside a field"));
    return !failed();
}

void MemberListing::namesRead(MemberNames read)
{
    names = std::move(read);
    sizes.assign(static_cast<std::size_t>(names.size()), kMissing);
}

void MemberListing::memberBegins(qint64 index, qint64 size)
{
    m_current = index <= names.size() ? index - 1 : -1; // data beyond the names is not listed
    if (m_current >= 0)
        sizes[static_cast<std::size_t>(m_current)] = size < 0 ? kNameOnly : size;
}

void MemberListing::memberBytes(QByteArrayView bytes)
{
    if (m_current == 0)
        firstMemberBytes.append(bytes);
}

namespace {

// Keeps views into the image, which arrives as one piece.
class WholeImageCollector : public PackageImageParser::Handler {
public:
    PackageImage image;
    void namesRead(MemberNames names) override { image.names = names.toList(); }
    void memberBegins(qint64, qint64 size) override
    {
        m_hasData = size >= 0;
        m_bytes = QByteArrayView();
    }
    void memberBytes(QByteArrayView bytes) override
    {
        m_bytes = m_bytes.isNull() ? bytes : QByteArrayView(m_bytes.data(), m_bytes.size() + bytes.size());
    }
    void memberEnds(qint64) override
    {
        image.data.append(m_hasData ? std::optional<QByteArrayView>(m_bytes) : std::nullopt);
    }

private:
    bool m_hasData = false;
    QByteArrayView m_bytes;
};

} // namespace

std::optional<PackageImage> readPackageImage(QByteArrayView data, QString *error)
{
    WholeImageCollector collector;
    PackageImageParser parser(collector);
    if (!parser.feed(data) || !parser.finish()) {
        if (error)
            *error = parser.error();
        return std::nullopt;
    }
    return std::move(collector.image);
}

} // namespace fendrel
