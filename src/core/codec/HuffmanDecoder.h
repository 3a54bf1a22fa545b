#pragma once

// What the decoder's files share. The data decoder's lane steps are defined in the class below
// so that they inline into its loops, which HuffmanDataDecoder.cpp holds; what others call per
// checkpoint is run or inline here. The drivers are templates over where input and output live,
// so a stream in memory and one read in pieces pass the same checkpoints from one definition.
//
// Progress is tied to stream positions: the decode runs from one checkpoint to the next and
// then decides, from where it stopped and why, whether a byte-by-byte decoder would have passed
// that checkpoint.

#include "codec/HuffmanStream.h"

#include <algorithm>
#include <array>
#include <limits>
#include <memory>

namespace fendrel::he3 {

inline constexpr unsigned kTableBits = 12;
inline constexpr std::size_t kStep = 10000;

inline constexpr const char *kDecodeSource = "HuffmanDecode()";

[[noreturn]] void malformed(const char *why);

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

// Reads header and code table into tree, refusing anything the decode could not trust.
Header readHeader(const std::uint8_t *stream, std::size_t size, Tree &tree);

// Multi-symbol entry: bits 0..3 the bits taken, bits 6..7 how many symbols (0: walk the tree
// instead), bits 8..31 the symbols in stream order. Bits 4..5 stay clear so that the entry itself
// can be the shift count. Single-symbol entry: length << 8 | symbol, 0 for none.
using Entry = std::uint32_t;
inline constexpr std::size_t kEntries = std::size_t{1} << kTableBits;
inline constexpr Entry kIndexMask = kEntries - 1;

// Half of a region decoded by two lanes at once; the second lane's output waits in a side buffer
// of this many bytes plus room for one more round and one long code.
inline constexpr std::uint64_t kLaneBits = 8192;
inline constexpr std::size_t kSideBuffer = kLaneBits + 512;

struct Tables {
    std::array<Entry, kEntries> multi;
    std::array<std::uint16_t, kEntries> single;
    std::array<std::uint8_t, kSideBuffer> side;
};

std::unique_ptr<Tables> buildTables(const Tree &tree);

inline void storeLe32(std::uint8_t *p, std::uint32_t value)
{
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(p, &value, sizeof value);
    } else {
        for (int i = 0; i < 4; ++i)
            p[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
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
    Stop run(std::uint64_t absoluteLimit);

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

    Stop walkOne();
    void runFast(std::uint64_t limit);
    bool runPair(std::uint64_t end);
    bool stopFirst(const Lane &first);

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
void checksumProgress(std::size_t from, std::size_t to, std::size_t size, ProgressMeter &progress);
void verifyChecksum(std::uint8_t actual, std::uint8_t expected, ProgressMeter &progress);
// Whether the stream has the Huffman form; refuses what is no HE3 stream at all.
bool isHuffmanForm(const std::uint8_t *stream, std::size_t size);

} // namespace fendrel::he3
