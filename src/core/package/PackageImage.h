#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace fendrel {

inline const QString kPackageCatalogueName = QStringLiteral("Fendrel.ini");

// One file carried by a package: its content given as bytes, or read from source when the
// image is produced (so that no member is held whole). A member with neither names the content
// of the earlier member of the same name. sourceSize, when known (not -1), spares asking the
// file system again; sourceModified is when the same look found the file last changed
// (nanoseconds since the epoch, -1 when unknown).
struct PackageMember {
    QString name;
    std::optional<QByteArray> data = {};
    QString source = {};
    qint64 sourceSize = -1;
    qint64 sourceModified = -1;

    bool hasContent() const { return data.has_value() || !source.isEmpty(); }
};

// The member names of an image as they are stored (Windows-1252 bytes, one after another): a
// package of a million short names costs about what it weighs, not a string object per name.
class MemberNames {
public:
    qsizetype size() const { return static_cast<qsizetype>(m_ends.size()); }
    bool isEmpty() const { return m_ends.empty(); }
    // Name i counts from 0 (member i + 1).
    QString at(qsizetype i) const;
    QByteArrayView bytesAt(qsizetype i) const;
    void append(QByteArrayView stored);
    // The same for a name as the program holds it, stored as Windows-1252.
    void appendText(QStringView name);
    QList<QString> toList() const;

private:
    QByteArray m_bytes;
    std::vector<quint32> m_ends; // an image, names and all, stays below 2 GiB
};

using ImageBytes = std::vector<std::uint8_t>;
using ImageConsumer = std::function<void(QByteArrayView piece)>;

// Lays out the package image of a member list (reserved text, member names, reserved list,
// member data) and produces it in pieces, reading each source file as it goes.
//
// Thousands of small files cost more in system calls than in bytes, so the first reading may keep
// the image bytes of small members for the later ones: the members of up to kKeptMemberBytes
// each, batch by batch in image order, until the next batch would pass the budget given to plan
// or the share of the image that plan allows (a third of an image of up to 24 MiB, the whole of
// one of 40 MiB or more, growing in between). Which ones is settled by plan alone, whatever the files hold. A kept
// member is read once, so every reading hands on the same bytes of it; the others are read again
// and checked.
class PackageImageWriter {
public:
    static constexpr qint64 kKeptMemberBytes = 64 * 1024;

    PackageImageWriter();
    ~PackageImageWriter();
    PackageImageWriter(const PackageImageWriter &) = delete;
    PackageImageWriter &operator=(const PackageImageWriter &) = delete;

    // Takes every member's size and checks what the format can carry: names up to 32767 bytes,
    // members and the whole image below 2 GiB. False, with error set, when it cannot. keptBudget
    // is how many bytes of the image a first reading may keep for the later ones.
    bool plan(QList<PackageMember> members, QString *error, qint64 keptBudget = 0);
    qint64 size() const { return m_size; }
    // The bytes a first reading keeps (the memory it takes for them).
    qint64 keptSize() const { return m_keptSize; }

    // A later reading also refuses a file that changed since it was looked at (its size or
    // modification time), so that two readings of an image either agree or are refused.
    enum class Reading { First, Later };
    // False, with error set, when a source cannot be read or no longer has its planned size.
    // The files are read on readers threads of their own (none: on this one), ahead of consume,
    // which always runs on the calling thread; whatever consume throws ends the reading and
    // passes on.
    bool produce(const ImageConsumer &consume, QString *error, Reading reading = Reading::First,
                 int readers = 0);

private:
    struct Batch {
        qsizetype first; // members [first, end)
        qsizetype end;
        qint64 bytes = 0;   // of the image
        qint64 keptAt = -1; // where the first reading keeps them, or -1
    };
    class Chunks;
    class KeptBytes;
    void produceHead(const ImageConsumer &consume) const;
    bool produceBatch(const Batch &batch, Chunks &chunks, int reader, Reading reading, QString *error) const;

    QList<PackageMember> m_members;
    MemberNames m_names;
    QList<qint64> m_sizes;
    std::vector<Batch> m_batches;
    qint64 m_size = 0;
    qint64 m_keptSize = 0;
    std::unique_ptr<KeptBytes> m_kept; // filled whole by a first reading, or none
};

// The whole image in memory; empty, with error set, when it cannot be made.
ImageBytes buildPackageImage(QList<PackageMember> &&members, QString *error);

inline QByteArrayView viewOf(const ImageBytes &bytes)
{
    return QByteArrayView(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

// Reads an image as it arrives, in pieces of any size, trusting no length it reads: nothing is
// reserved ahead of the bytes that carry it. All member names come before any member data.
class PackageImageParser {
public:
    class Handler {
    public:
        virtual ~Handler() = default;
        virtual void namesRead(MemberNames /*members 1..N*/) {}
        // size is -1 for a member that carries no data (name only); index counts from 1.
        virtual void memberBegins(qint64 /*index*/, qint64 /*size*/) {}
        virtual void memberBytes(QByteArrayView /*bytes*/) {}
        virtual void memberEnds(qint64 /*index*/) {}
        // Asked between fields: false ends the reading early (feed() then returns false,
        // failed() stays false).
        virtual bool wantsMore() const { return true; }
    };

    explicit PackageImageParser(Handler &handler) : m_handler(handler) {}

    // False once the image is known to be malformed; error() says why.
    bool feed(QByteArrayView piece);
    // After the last piece: false when the image ended inside a field.
    bool finish();
    bool failed() const { return !m_error.isEmpty(); }
    QString error() const { return m_error; }

private:
    enum class Field { ReservedText, NamesHeader, Name, ReservedHeader, Reserved, DataHeader, MemberHeader, MemberData, Done };
    bool step(QByteArrayView &piece);
    bool take(QByteArrayView &piece, qsizetype count);
    bool listHeader(QByteArrayView &piece, qint64 &count);
    bool beginList(QByteArrayView &piece, Field entries);
    bool text(QByteArrayView &piece, QByteArray *stored);
    bool fail(const QString &why);

    Handler &m_handler;
    Field m_field = Field::ReservedText;
    QByteArray m_pending;   // the bytes of a field that arrived split across pieces
    qsizetype m_textLength = -1;
    qint64 m_count = 0;     // entries of the current list
    qint64 m_index = 0;     // entry being read
    qint64 m_remaining = 0; // bytes of the current member still to come
    MemberNames m_names;
    QString m_error;
};

// The members of an image without their content: each one's name and size, and the bytes of
// member 1 alone (the catalogue). What listing and inspecting a package need.
class MemberListing : public PackageImageParser::Handler {
public:
    static constexpr qint64 kNameOnly = -1; // stands for an earlier member of its name
    static constexpr qint64 kMissing = -2;  // the image ends before its data

    MemberNames names;
    std::vector<qint64> sizes; // per name
    QByteArray firstMemberBytes;

    void namesRead(MemberNames read) override;
    void memberBegins(qint64 index, qint64 size) override;
    void memberBytes(QByteArrayView bytes) override;

private:
    qsizetype m_current = -1;
};

// A package image read back whole; data views point into the image it was read from.
struct PackageImage {
    QList<QString> names;                         // members 1..N
    QList<std::optional<QByteArrayView>> data;    // members 1..M, M may fall short of N
};

// Reads a whole image held in memory. On a malformed image returns nothing and says why.
std::optional<PackageImage> readPackageImage(QByteArrayView image, QString *error);

} // namespace fendrel
