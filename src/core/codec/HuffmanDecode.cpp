// Decoder.
//
// Everything the stream declares is checked before the output is allocated: header and code
// table lie inside the stream, the lengths are 1..255 for strictly ascending values, the codes
// form a prefix code of at most 512 tree nodes, and the declared length fits the data (every
// code is at least one bit long). Codes need not be complete; a walk into a missing branch ends
// the decode with an error.
//
// The data is read through 64-bit windows topped up from any byte position. Their low
// kTableBits bits index a table whose entries hold up to three whole codes' symbols and the bits
// they take, so common symbols decode several at a time. Each lookup waits for the one before,
// so long stretches are decoded by two windows at once, from the start and from the middle
// (runPair). Codes longer than the table, walks into missing branches and the last few bytes of
// data or output go through the tree one bit at a time; that path is also the definition the
// tables are built from.
//
// Progress is tied to stream positions: the decode runs from one checkpoint to the next and
// then decides, from where it stopped and why, whether a byte-by-byte decoder would have passed
// that checkpoint.
//
// A stream read piece by piece passes through a buffer of about 1 MiB: unless the stream ends in
// it, the decoder stops a little short of the buffer's end, the unread bytes move to its front
// and the source fills the rest. The output leaves in pieces of 1 MiB. Bit positions count from
// the start of the data section throughout, so progress is decided as for a stream in memory.

#include "codec/HuffmanStream.h"

#include <array>
#include <limits>
#include <memory>

namespace fendrel::he3 {
namespace {

constexpr unsigned kTableBits = 12;
constexpr std::size_t kStep = 10000;
constexpr std::size_t kVerifyBlock = 160000; // a multiple of the step

const char *const kDecodeSource = "HuffmanDecode()";

[[noreturn]] void malformed(const char *why)
{
    throw HuffmanError(kDecodeSource, std::string("The data is corrupt (") + why + ")");
}

void storeLe32(std::uint8_t *p, std::uint32_t value)
{
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(p, &value, sizeof value);
    } else {
        for (int i = 0; i < 4; ++i)
            p[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint32_t readLe(const std::uint8_t *p, int bytes)
{
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= std::uint32_t{p[i]} << (8 * i);
    return value;
}

struct Tree {
    std::array<std::int16_t, kMaxNodes> left;
    std::array<std::int16_t, kMaxNodes> right;
    std::array<std::int16_t, kMaxNodes> value;
    int size = 0;

    int add()
    {
        if (size == kMaxNodes)
            malformed("code tree larger than 512 nodes");
        left[size] = right[size] = value[size] = -1;
        return size++;
    }
    bool isLeaf(int node) const { return value[node] >= 0; }
};

struct Header {
    std::uint8_t checksum;
    std::size_t length;
    std::size_t dataStart;
};

Header readHeader(const std::uint8_t *stream, std::size_t size, Tree &tree)
{
    if (size < kHeaderSize)
        malformed("stream ends inside its header");
    const auto length = static_cast<std::int32_t>(readLe(stream + kLengthOffset, 4));
    if (length < 0)
        malformed("negative uncompressed length");
    if (length == 0)
        return {stream[kChecksumOffset], 0, size};
    const auto valueCount = static_cast<std::int16_t>(readLe(stream + kValueCountOffset, 2));
    if (valueCount < 1 || valueCount > 256)
        malformed("number of byte values out of range");
    const std::size_t tableStart = kHeaderSize + 2 * static_cast<std::size_t>(valueCount);
    if (size < tableStart)
        malformed("stream ends inside its code table");

    std::size_t tableBits = 0;
    for (int i = 0; i < valueCount; ++i) {
        const std::uint8_t *pair = stream + kHeaderSize + 2 * i;
        if (i > 0 && pair[0] <= pair[-2])
            malformed("byte values of the code table out of order");
        if (pair[1] == 0)
            malformed("code length of 0");
        tableBits += pair[1];
    }
    const std::size_t dataStart = tableStart + (tableBits + 7) / 8;
    if (size < dataStart)
        malformed("stream ends inside its code table");

    tree.add();
    std::size_t bit = 0;
    for (int i = 0; i < valueCount; ++i) {
        const std::uint8_t *pair = stream + kHeaderSize + 2 * i;
        int node = 0;
        for (unsigned depth = 0; depth < pair[1]; ++depth, ++bit) {
            if (tree.isLeaf(node))
                malformed("code table is not a prefix code");
            const bool one = (stream[tableStart + bit / 8] >> (bit % 8)) & 1;
            std::int16_t &child = one ? tree.right[node] : tree.left[node];
            if (child < 0) {
                const int created = tree.add();
                child = static_cast<std::int16_t>(created);
            }
            node = child;
        }
        if (tree.isLeaf(node) || tree.left[node] >= 0 || tree.right[node] >= 0)
            malformed("code table is not a prefix code");
        tree.value[node] = pair[0];
    }

    if (static_cast<std::uint64_t>(length) > 8 * static_cast<std::uint64_t>(size - dataStart))
        malformed("uncompressed length larger than the data can hold");
    return {stream[kChecksumOffset], static_cast<std::size_t>(length), dataStart};
}

// Multi-symbol entry: bits 0..3 the bits taken, bits 6..7 how many symbols (0: walk the tree
// instead), bits 8..31 the symbols in stream order. Bits 4..5 stay clear so that the entry itself
// can be the shift count. Single-symbol entry: length << 8 | symbol, 0 for none.
using Entry = std::uint32_t;
constexpr std::size_t kEntries = std::size_t{1} << kTableBits;
constexpr Entry kIndexMask = kEntries - 1;

// Half of a region decoded by two lanes at once; the second lane's output waits in a side buffer
// of this many bytes plus room for one more round and one long code.
constexpr std::uint64_t kLaneBits = 8192;
constexpr std::size_t kSideBuffer = kLaneBits + 512;
constexpr std::size_t kMarks = 64;

struct Tables {
    std::array<Entry, kEntries> multi;
    std::array<std::uint16_t, kEntries> single;
    std::array<std::uint8_t, kSideBuffer> side;
};

std::unique_ptr<Tables> buildTables(const Tree &tree)
{
    auto tables = std::make_unique<Tables>();
    std::array<std::uint16_t, kEntries> &single = tables->single;
    single.fill(0);
    struct Visit {
        int node;
        unsigned depth;
        std::size_t path;
    };
    std::array<Visit, kTableBits + 1> stack;
    std::size_t top = 0;
    stack[top++] = {0, 0, 0};
    while (top > 0) {
        const Visit at = stack[--top];
        if (tree.isLeaf(at.node)) {
            const auto entry = static_cast<std::uint16_t>(at.depth << 8 | static_cast<unsigned>(tree.value[at.node]));
            for (std::size_t i = at.path; i < kEntries; i += std::size_t{1} << at.depth)
                single[i] = entry;
        } else if (at.depth < kTableBits) {
            if (tree.right[at.node] >= 0)
                stack[top++] = {tree.right[at.node], at.depth + 1, at.path | std::size_t{1} << at.depth};
            if (tree.left[at.node] >= 0)
                stack[top++] = {tree.left[at.node], at.depth + 1, at.path};
        }
    }

    // Chain up to three symbols whose codes lie wholly inside the index bits.
    for (std::size_t i = 0; i < kEntries; ++i) {
        std::size_t rest = i;
        unsigned used = 0;
        unsigned count = 0;
        Entry symbols = 0;
        while (count < 3) {
            const unsigned length = single[rest] >> 8;
            if (length == 0 || used + length > kTableBits)
                break;
            symbols |= Entry{single[rest] & 0xFFu} << (8 * count);
            rest >>= length;
            used += length;
            ++count;
        }
        tables->multi[i] = symbols << 8 | count << 6 | used;
    }
    return tables;
}

class DataDecoder {
public:
    enum class Stop { Checkpoint, Complete, OutOfData, BrokenCode };

    DataDecoder(const std::uint8_t *data, std::size_t bytes, const Tree &tree, std::uint8_t *out, std::uint8_t *outEnd)
        : m_data(data), m_bytes(bytes), m_bits(8 * static_cast<std::uint64_t>(bytes)), m_tree(tree),
          m_tables(buildTables(tree)), m_out(out), m_outEnd(outEnd)
    {
    }

    // Decodes until the bit position reaches limit or the decode ends for another reason.
    Stop run(std::uint64_t absoluteLimit)
    {
        const std::uint64_t limit = absoluteLimit > m_origin ? absoluteLimit - m_origin : 0;
        for (;;) {
            if (m_out == m_outEnd)
                return Stop::Complete;
            if (m_pos >= limit)
                return Stop::Checkpoint;
            runFast(limit);
            if (m_out == m_outEnd || m_pos >= limit)
                continue;
            if (const Stop stop = walkOne(); stop != Stop::Checkpoint)
                return stop;
        }
    }

    // Positions count bits from the start of the data section, wherever the bytes at hand begin.
    std::uint64_t position() const { return m_origin + m_pos; }
    std::uint64_t brokenBit() const { return m_origin + m_brokenBit; }
    std::uint64_t inputEnd() const { return m_origin + m_bits; }
    std::uint8_t *end() const { return m_out; }

    // The bytes at hand from the one the next code starts in.
    const std::uint8_t *unread() const { return m_data + (m_pos >> 3); }
    std::size_t unreadBytes() const { return m_bytes - (m_pos >> 3); }
    // Goes on in data that starts with the unread bytes.
    void moveInput(const std::uint8_t *data, std::size_t bytes)
    {
        m_origin += m_pos & ~std::uint64_t{7};
        m_pos &= 7;
        m_data = data;
        m_bytes = bytes;
        m_bits = 8 * static_cast<std::uint64_t>(bytes);
    }
    void moveOutput(std::uint8_t *out, std::uint8_t *end)
    {
        m_out = out;
        m_outEnd = end;
    }

private:
    // A read position in the data. The window holds `held` valid bits and is topped up by OR-ing
    // the next eight bytes in above them; bits above `held` are either zero or the right bits.
    struct Lane {
        const std::uint8_t *in;
        std::uint64_t window;
        std::uint64_t held;
        std::uint8_t *out;
    };

    bool canStart(std::uint64_t pos) const { return m_bytes >= 8 && (pos >> 3) <= m_bytes - 8; }
    Lane laneAt(std::uint64_t pos, std::uint8_t *out) const
    {
        const std::uint8_t *in = m_data + (pos >> 3);
        return {in + 7, loadLe64(in) >> (pos & 7), 56 - (pos & 7), out};
    }
    std::uint64_t positionOf(const Lane &lane) const
    {
        return 8 * static_cast<std::uint64_t>(lane.in - m_data) - lane.held;
    }
    bool canRefill(const Lane &lane) const { return lane.in <= m_data + m_bytes - 8; }
    static void refill(Lane &lane)
    {
        lane.window |= loadLe64(lane.in) << lane.held;
        lane.in += 7 - ((lane.held >> 3) & 7);
        lane.held |= 56;
    }
    static void take(Lane &lane, Entry entry)
    {
        storeLe32(lane.out, entry >> 8);
        lane.out += (entry >> 6) & 3;
        lane.window >>= entry & 63;
        lane.held -= entry & 15;
    }

    // Three lookups, the first from bits already held so that the refill's load runs beside it
    // rather than in front of it. A refill leaves 56..63 bits and three lookups take at most 36,
    // so at least 20 remain for the next round. Writes at most 9 symbols and 3 bytes beyond.
    // Returns false, before the entry, when an entry needs the tree; the caller checks that the
    // lane can refill.
    bool round(Lane &lane) const
    {
        const Entry *const multi = m_tables->multi.data();
        const Entry first = multi[lane.window & kIndexMask];
        refill(lane);
        if (first >> 6 == 0)
            return false;
        take(lane, first);
        const Entry second = multi[lane.window & kIndexMask];
        if (second >> 6 == 0)
            return false;
        take(lane, second);
        const Entry third = multi[lane.window & kIndexMask];
        if (third >> 6 == 0)
            return false;
        take(lane, third);
        return true;
    }

    // Walks one code through the tree from pos; returns the value, or -1 at a missing branch or
    // the end of the data (pos then is the bit that failed, or the end).
    int walkFrom(std::uint64_t &pos) const
    {
        int node = 0;
        do {
            if (pos == m_bits)
                return -1;
            const bool one = (m_data[pos >> 3] >> (pos & 7)) & 1;
            node = one ? m_tree.right[node] : m_tree.left[node];
            if (node < 0)
                return -1;
            ++pos;
        } while (!m_tree.isLeaf(node));
        return m_tree.value[node];
    }

    // A code the table cannot take, inside a lane of a pair; false when there is none to take
    // there. The pair's region keeps 64 bytes of data beyond its end, more than a lane can pass it.
    bool walkLane(Lane &lane) const
    {
        std::uint64_t pos = positionOf(lane);
        const int value = walkFrom(pos);
        if (value < 0)
            return false;
        *lane.out = static_cast<std::uint8_t>(value);
        lane = laneAt(pos, lane.out + 1);
        return true;
    }

    // One symbol through the tree. Returns Checkpoint when a symbol was written.
    Stop walkOne()
    {
        std::uint64_t pos = m_pos;
        const int value = walkFrom(pos);
        if (value < 0) {
            m_brokenBit = pos;
            m_pos = pos;
            return pos == m_bits ? Stop::OutOfData : Stop::BrokenCode;
        }
        *m_out++ = static_cast<std::uint8_t>(value);
        m_pos = pos;
        return Stop::Checkpoint;
    }

    // Table decoding up to the limit, in pairs of lanes while the region ahead is long enough,
    // then in one lane. Leaves the rest (the last bytes of data or output, a code that needs the
    // tree) to walkOne.
    void runFast(std::uint64_t limit)
    {
        for (;;) {
            const std::uint64_t end = std::min(limit, m_pos + 2 * kLaneBits);
            if (m_pos >= end || end - m_pos < 1024 || (end >> 3) + 64 > m_bytes
                || static_cast<std::uint64_t>(m_outEnd - m_out) < end - m_pos + 1024)
                break;
            if (!runPair(end))
                return;
        }
        if (!canStart(m_pos) || m_outEnd - m_out < 16 || m_pos >= limit)
            return;
        Lane lane = laneAt(m_pos, m_out);
        while (canRefill(lane) && m_outEnd - lane.out >= 16 && positionOf(lane) < limit && round(lane)) {
        }
        m_out = lane.out;
        m_pos = positionOf(lane);
    }

    // Decodes [m_pos, end) as two halves at once, which keeps two chains of table lookups in
    // flight instead of one. The second lane starts at the middle, which need not be the start of
    // a code; but a Huffman code falls back into step after a few codes. The first lane goes on
    // past the middle one code at a time until it stands where the second lane once stood after
    // a round; from there the second lane's output is exactly what the first would produce, and
    // it is copied in. Without such a meeting point the second lane's work is dropped.
    // The caller has made sure that the region's data with 64 bytes to spare, and room for a
    // symbol per bit, are there: no lane passes the end by more than a round or a long code.
    // Returns false when the first lane stopped before a code that only walkOne may take.
    bool runPair(std::uint64_t end)
    {
        const std::uint64_t middle = m_pos + (end - m_pos) / 2;
        std::uint8_t *const side = m_tables->side.data();
        Lane first = laneAt(m_pos, m_out);
        Lane second = laneAt(middle, side);
        struct Mark {
            std::uint64_t pos;
            std::size_t produced;
        };
        std::array<Mark, kMarks> marks;
        std::size_t markCount = 0;
        marks[markCount++] = {middle, 0};

        bool firstRuns = positionOf(first) < middle;
        bool secondRuns = true;
        while (firstRuns && secondRuns) {
            if (!round(first) && !walkLane(first))
                return stopFirst(first);
            if (!round(second) && !walkLane(second))
                secondRuns = false;
            firstRuns = positionOf(first) < middle;
            const std::uint64_t at = positionOf(second);
            if (markCount < kMarks)
                marks[markCount++] = {at, static_cast<std::size_t>(second.out - side)};
            secondRuns = secondRuns && at < end;
        }
        while (secondRuns && (round(second) || walkLane(second)))
            secondRuns = positionOf(second) < end;
        while (positionOf(first) < middle) {
            if (!round(first) && !walkLane(first))
                return stopFirst(first);
        }

        const std::uint16_t *const single = m_tables->single.data();
        std::size_t mark = 0;
        for (;;) {
            const std::uint64_t at = positionOf(first);
            while (mark < markCount && marks[mark].pos < at)
                ++mark;
            if (mark == markCount)
                return stopFirst(first);
            if (marks[mark].pos == at)
                break;
            if (first.held < kTableBits)
                refill(first);
            const std::uint16_t entry = single[first.window & kIndexMask];
            if (entry == 0) {
                if (!walkLane(first))
                    return stopFirst(first);
                continue;
            }
            *first.out++ = static_cast<std::uint8_t>(entry);
            first.window >>= entry >> 8;
            first.held -= entry >> 8;
        }
        const std::size_t copied = static_cast<std::size_t>(second.out - side) - marks[mark].produced;
        std::memcpy(first.out, side + marks[mark].produced, copied);
        m_out = first.out + copied;
        m_pos = positionOf(second);
        return true;
    }

    bool stopFirst(const Lane &first)
    {
        m_out = first.out;
        m_pos = positionOf(first);
        return false;
    }

    const std::uint8_t *m_data;
    std::size_t m_bytes;
    std::uint64_t m_bits;
    const Tree &m_tree;
    std::unique_ptr<Tables> m_tables;
    std::uint8_t *m_out;
    std::uint8_t *m_outEnd;
    std::uint64_t m_origin = 0;
    std::uint64_t m_pos = 0;
    std::uint64_t m_brokenBit = 0;
};

// The decoder's input and output when both are whole in memory.
struct WholeBuffers {
    std::uint64_t reach(const DataDecoder &) const { return std::numeric_limits<std::uint64_t>::max(); }
    bool lastOutput(const DataDecoder &) const { return true; }
    void nextInput(DataDecoder &) {}
    void nextOutput(DataDecoder &) {}
};

// Runs the decoder to limit, an absolute bit position, or until it stops for another reason,
// moving it on whenever it comes to the end of the input window or output piece it has.
template <class Buffers>
DataDecoder::Stop runTo(DataDecoder &decoder, Buffers &buffers, std::uint64_t limit)
{
    for (;;) {
        const DataDecoder::Stop stop = decoder.run(std::min(limit, buffers.reach(decoder)));
        if (stop == DataDecoder::Stop::Complete && !buffers.lastOutput(decoder))
            buffers.nextOutput(decoder);
        else if (stop == DataDecoder::Stop::Checkpoint && decoder.position() < limit)
            buffers.nextInput(decoder);
        else
            return stop;
    }
}

// Decodes the data section of a stream of size bytes. A byte-by-byte decoder reports progress
// after finishing each data byte whose 1-based stream position is a multiple of the step, unless
// it stopped inside that byte (all values out, or a broken code).
template <class Buffers>
void decodeData(DataDecoder &decoder, Buffers &buffers, std::size_t size, std::size_t dataStart, ProgressMeter &progress)
{
    const double total = static_cast<double>(size);
    DataDecoder::Stop stop = DataDecoder::Stop::Checkpoint;
    for (std::size_t position = (dataStart / kStep + 1) * kStep; position <= size; position += kStep) {
        const std::uint64_t checkpoint = 8 * static_cast<std::uint64_t>(position - dataStart);
        stop = runTo(decoder, buffers, checkpoint);
        bool passed = true;
        if (stop == DataDecoder::Stop::Complete)
            passed = decoder.position() > checkpoint;
        else if (stop == DataDecoder::Stop::BrokenCode)
            passed = decoder.brokenBit() >= checkpoint;
        if (passed)
            progress.report(roundPercent(static_cast<double>(position) / total * 89.0));
        if (stop == DataDecoder::Stop::Complete || stop == DataDecoder::Stop::BrokenCode)
            break;
    }
    if (stop == DataDecoder::Stop::Checkpoint)
        stop = runTo(decoder, buffers, std::numeric_limits<std::uint64_t>::max());
    if (stop == DataDecoder::Stop::BrokenCode)
        malformed("a code leads outside the code tree");
}

// Reports the checkpoints among output indices [from, to) of an output of size bytes.
void checksumProgress(std::size_t from, std::size_t to, std::size_t size, ProgressMeter &progress)
{
    const double total = static_cast<double>(size);
    progress.checkpoints(kStep, from, to, [total](double at) { return roundPercent(at / total * 11.0 + 89.0); });
}

std::uint8_t checksumOf(const std::uint8_t *data, std::size_t size, ProgressMeter &progress)
{
    std::uint8_t checksum = 0;
    for (std::size_t start = 0; start < size; start += kVerifyBlock) {
        const std::size_t end = std::min(size, start + kVerifyBlock);
        checksum ^= xorOf(data + start, end - start);
        checksumProgress(start, end, size, progress);
    }
    return checksum;
}

void verifyChecksum(std::uint8_t actual, std::uint8_t expected, ProgressMeter &progress)
{
    if (actual != expected)
        throw HuffmanError("clsHuffman.Decode()", "The data might be corrupted (checksum did not match expected value)");
    progress.report(100);
}

// Whether the stream has the Huffman form; refuses what is no HE3 stream at all.
bool isHuffmanForm(const std::uint8_t *stream, std::size_t size)
{
    if (size < kIdSize || stream[0] != kIdH || stream[1] != kIdE || stream[3] != kIdCr
        || (stream[2] != kIdStored && stream[2] != kIdHuffman)) {
        throw HuffmanError(kDecodeSource, "The data either was not compressed with HE3 or is corrupt "
                                          "(identification string not found)");
    }
    return stream[2] == kIdHuffman;
}

// Reads a stream of a known size from a source, and makes sure that it is exactly that long.
class StreamReader {
public:
    StreamReader(const Huffman::Source &source, std::size_t size) : m_source(source), m_size(size) {}

    // Fills the buffer as far as the stream goes; returns the number of bytes filled.
    std::size_t fill(std::uint8_t *buffer, std::size_t capacity)
    {
        const std::size_t wanted = std::min(capacity, m_size - m_read);
        std::size_t filled = 0;
        while (filled < wanted) {
            const std::size_t got = m_source(buffer + filled, wanted - filled);
            if (got == 0)
                fail("it ends after " + std::to_string(m_read + filled) + " of " + std::to_string(m_size) + " bytes");
            if (got > wanted - filled)
                fail("more bytes were delivered than asked for");
            filled += got;
        }
        m_read += filled;
        if (m_read == m_size && !m_endSeen) {
            std::uint8_t beyond;
            if (m_source(&beyond, 1) != 0)
                fail("it goes on beyond " + std::to_string(m_size) + " bytes");
            m_endSeen = true;
        }
        return filled;
    }

    bool atEnd() const { return m_endSeen; }

    // Reads the rest of the stream, which the decode no longer needs, to make sure it is there.
    void skipRest(std::uint8_t *buffer, std::size_t capacity)
    {
        while (!atEnd())
            fill(buffer, capacity);
    }

private:
    [[noreturn]] static void fail(const std::string &why)
    {
        throw HuffmanError(kDecodeSource, "The stream could not be read whole, or changed while it was read (" + why + ")");
    }

    const Huffman::Source &m_source;
    std::size_t m_size;
    std::size_t m_read = 0;
    bool m_endSeen = false;
};

// The stream goes through a window of this many bytes, enough for the longest header and code
// table at its start; the output through a piece of this many.
constexpr std::size_t kWindow = (std::size_t{1} << 20) + (kHeaderSize + 2 * 256 + (256 * 255 + 7) / 8);
constexpr std::size_t kPiece = std::size_t{1} << 20;
// How far the decoder must stay from the end of a window that the stream goes on after: a walk
// through the tree reads up to 255 bits past where it starts, and two lanes want 64 bytes past
// the end of their region.
constexpr std::size_t kWindowSlack = 64;

// The decoder's input and output when they pass through fixed buffers: the unread end of a
// window moves to its front and the stream fills the rest; a full piece of output goes to the
// sink, its checksum taken on the way.
class StreamBuffers {
public:
    StreamBuffers(StreamReader &reader, std::vector<std::uint8_t> &window, std::size_t length, const Huffman::Sink &sink)
        : m_reader(reader), m_window(window), m_out(std::min(length, kPiece)), m_length(length), m_sink(sink)
    {
    }

    std::uint8_t *out() { return m_out.data(); }
    std::uint8_t *pieceEnd() { return m_out.data() + std::min(m_out.size(), m_length - m_handedOn); }

    std::uint64_t reach(const DataDecoder &decoder) const
    {
        if (m_reader.atEnd())
            return std::numeric_limits<std::uint64_t>::max();
        return decoder.inputEnd() - 8 * kWindowSlack;
    }
    bool lastOutput(const DataDecoder &decoder) const { return produced(decoder) == m_length; }
    void nextInput(DataDecoder &decoder)
    {
        const std::size_t kept = decoder.unreadBytes();
        std::memmove(m_window.data(), decoder.unread(), kept);
        const std::size_t filled = m_reader.fill(m_window.data() + kept, m_window.size() - kept);
        decoder.moveInput(m_window.data(), kept + filled);
    }
    void nextOutput(DataDecoder &decoder)
    {
        handOn(decoder);
        decoder.moveOutput(out(), pieceEnd());
    }

    void handOn(const DataDecoder &decoder)
    {
        const auto size = static_cast<std::size_t>(decoder.end() - m_out.data());
        if (size == 0)
            return;
        m_checksum ^= xorOf(m_out.data(), size);
        m_sink(m_out.data(), size);
        m_handedOn += size;
    }
    std::size_t produced(const DataDecoder &decoder) const
    {
        return m_handedOn + static_cast<std::size_t>(decoder.end() - m_out.data());
    }
    std::uint8_t checksum() const { return m_checksum; }

private:
    StreamReader &m_reader;
    std::vector<std::uint8_t> &m_window;
    std::vector<std::uint8_t> m_out;
    std::size_t m_length;
    std::size_t m_handedOn = 0;
    std::uint8_t m_checksum = 0;
    const Huffman::Sink &m_sink;
};

} // namespace

std::vector<std::uint8_t> decode(const std::uint8_t *stream, std::size_t size, ProgressMeter &progress)
{
    if (!isHuffmanForm(stream, size))
        return std::vector<std::uint8_t>(stream + kIdSize, stream + size);

    Tree tree;
    const Header header = readHeader(stream, size, tree);
    if (header.length == 0)
        return {};

    std::vector<std::uint8_t> out(header.length);
    DataDecoder decoder(stream + header.dataStart, size - header.dataStart, tree, out.data(), out.data() + out.size());
    WholeBuffers whole;
    decodeData(decoder, whole, size, header.dataStart, progress);
    out.resize(static_cast<std::size_t>(decoder.end() - out.data()));
    verifyChecksum(checksumOf(out.data(), out.size(), progress), header.checksum, progress);
    return out;
}

void decodeFrom(std::size_t size, const Huffman::Source &source, ProgressMeter &progress, const Huffman::Sink &sink)
{
    StreamReader reader(source, size);
    // The first window holds the whole header and code table, or the whole stream when that is
    // shorter, which is all readHeader looks at.
    std::vector<std::uint8_t> window(std::min(size, kWindow));
    const std::size_t first = reader.fill(window.data(), window.size());
    if (!isHuffmanForm(window.data(), size)) {
        if (first > kIdSize)
            sink(window.data() + kIdSize, first - kIdSize);
        while (!reader.atEnd()) {
            const std::size_t filled = reader.fill(window.data(), window.size());
            sink(window.data(), filled);
        }
        return;
    }

    Tree tree;
    const Header header = readHeader(window.data(), size, tree);
    if (header.length == 0) {
        reader.skipRest(window.data(), window.size());
        return;
    }

    StreamBuffers buffers(reader, window, header.length, sink);
    DataDecoder decoder(window.data() + header.dataStart, first - header.dataStart, tree, buffers.out(),
                        buffers.pieceEnd());
    decodeData(decoder, buffers, size, header.dataStart, progress);
    const std::size_t produced = buffers.produced(decoder);
    buffers.handOn(decoder);
    reader.skipRest(window.data(), window.size());
    checksumProgress(0, produced, produced, progress);
    verifyChecksum(buffers.checksum(), header.checksum, progress);
}

} // namespace fendrel::he3
