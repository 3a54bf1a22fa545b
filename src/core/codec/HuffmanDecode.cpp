// Decoder.
//
// Everything the stream declares is checked before the output is allocated: header and code
// table lie inside the stream, the lengths are 1..255 for strictly ascending values, the codes
// form a prefix code of at most 512 tree nodes, and the declared length fits the data (every
// code is at least one bit long). Codes need not be complete; a walk into a missing branch ends
// the decode with an error.
//
// The data is read through a 64-bit window refilled from any byte position. Its low kTableBits
// bits index a table whose entries hold up to three whole codes' symbols and the bits they take,
// so common symbols decode several at a time. Codes longer than the table, walks into missing
// branches and the last few bytes of the stream go through the tree one bit at a time; that path
// is also the definition the table is built from.
//
// Progress is tied to stream positions: the decode runs from one checkpoint to the next and
// then decides, from where it stopped and why, whether a byte-by-byte decoder would have passed
// that checkpoint.

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

// Table entry: bits 0..3 the bits taken, bits 6..7 how many symbols (0: walk the tree instead),
// bits 8..31 the symbols in stream order. Bits 4..5 stay clear so that the entry itself can be
// the shift count.
using Entry = std::uint32_t;

std::unique_ptr<Entry[]> buildTable(const Tree &tree)
{
    constexpr std::size_t kEntries = std::size_t{1} << kTableBits;
    // Pass one: the single symbol each index starts with, as (length << 8 | symbol), 0 for none.
    std::array<std::uint16_t, kEntries> single{};
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

    // Pass two: chain up to three symbols whose codes lie wholly inside the index bits.
    auto table = std::make_unique<Entry[]>(kEntries);
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
        table[i] = symbols << 8 | count << 6 | used;
    }
    return table;
}

class DataDecoder {
public:
    enum class Stop { Checkpoint, Complete, OutOfData, BrokenCode };

    DataDecoder(const std::uint8_t *data, std::size_t bytes, const Tree &tree, std::uint8_t *out, std::size_t length)
        : m_data(data), m_bytes(bytes), m_bits(8 * static_cast<std::uint64_t>(bytes)), m_tree(tree),
          m_table(buildTable(tree)), m_out(out), m_outEnd(out + length)
    {
    }

    // Decodes until the bit position reaches limit or the decode ends for another reason.
    Stop run(std::uint64_t limit)
    {
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

    std::uint64_t position() const { return m_pos; }
    std::uint64_t brokenBit() const { return m_brokenBit; }
    std::uint8_t *end() const { return m_out; }

private:
    // Stops at the first entry that needs the tree, or when fewer than 16 output bytes or
    // 8 stream bytes remain, or at the limit. Works on locals: stores through a byte pointer
    // could alias the members and make the compiler reload them.
    //
    // The window holds `held` valid bits and is topped up by OR-ing the next eight bytes in above
    // them. The first lookup of each round uses bits already held, so the refill's load runs
    // beside it instead of in front of it. A refill leaves 56..63 bits and three lookups take at
    // most 36, so at least 20 remain for the next round's first lookup.
    void runFast(std::uint64_t limit)
    {
        constexpr Entry kMask = (Entry{1} << kTableBits) - 1;
        if (m_bytes < 8 || (m_pos >> 3) > m_bytes - 8 || m_outEnd - m_out < 16 || m_pos >= limit)
            return;
        const Entry *const table = m_table.get();
        const std::uint8_t *const data = m_data;
        const std::uint8_t *const lastLoad = m_data + m_bytes - 8;
        std::uint8_t *const outEnd = m_outEnd;
        std::uint8_t *out = m_out;
        const std::uint8_t *in = data + (m_pos >> 3);
        std::uint64_t window = loadLe64(in) >> (m_pos & 7);
        std::uint64_t held = 56 - (m_pos & 7);
        in += 7;
        auto position = [&] { return 8 * static_cast<std::uint64_t>(in - data) - held; };
        auto take = [&](Entry entry) {
            storeLe32(out, entry >> 8);
            out += (entry >> 6) & 3;
            window >>= entry & 63;
            held -= entry & 15;
        };
        // Written as three steps so that each can leave the loop before touching an entry that
        // needs the tree.
        while (in <= lastLoad && outEnd - out >= 16 && position() < limit) {
            const Entry first = table[window & kMask];
            window |= loadLe64(in) << held;
            in += 7 - ((held >> 3) & 7);
            held |= 56;
            if (first >> 6 == 0)
                break;
            take(first);
            const Entry second = table[window & kMask];
            if (second >> 6 == 0)
                break;
            take(second);
            const Entry third = table[window & kMask];
            if (third >> 6 == 0)
                break;
            take(third);
        }
        m_out = out;
        m_pos = position();
    }

    // One symbol through the tree. Returns Checkpoint when a symbol was written.
    Stop walkOne()
    {
        int node = 0;
        std::uint64_t pos = m_pos;
        do {
            if (pos == m_bits) {
                m_pos = pos;
                return Stop::OutOfData;
            }
            const bool one = (m_data[pos >> 3] >> (pos & 7)) & 1;
            ++pos;
            node = one ? m_tree.right[node] : m_tree.left[node];
            if (node < 0) {
                m_brokenBit = pos - 1;
                return Stop::BrokenCode;
            }
        } while (!m_tree.isLeaf(node));
        *m_out++ = static_cast<std::uint8_t>(m_tree.value[node]);
        m_pos = pos;
        return Stop::Checkpoint;
    }

    const std::uint8_t *m_data;
    std::size_t m_bytes;
    std::uint64_t m_bits;
    const Tree &m_tree;
    std::unique_ptr<Entry[]> m_table;
    std::uint8_t *m_out;
    std::uint8_t *m_outEnd;
    std::uint64_t m_pos = 0;
    std::uint64_t m_brokenBit = 0;
};

// Decodes the data section into out and returns the number of bytes written. A byte-by-byte
// decoder reports progress after finishing each data byte whose 1-based stream position is a
// multiple of the step, unless it stopped inside that byte (all values out, or a broken code).
std::size_t decodeData(const std::uint8_t *stream, std::size_t size, const Header &header, const Tree &tree,
                       std::uint8_t *out, ProgressMeter &progress)
{
    DataDecoder decoder(stream + header.dataStart, size - header.dataStart, tree, out, header.length);
    const double total = static_cast<double>(size);
    DataDecoder::Stop stop = DataDecoder::Stop::Checkpoint;
    for (std::size_t position = (header.dataStart / kStep + 1) * kStep; position <= size; position += kStep) {
        const std::uint64_t checkpoint = 8 * static_cast<std::uint64_t>(position - header.dataStart);
        stop = decoder.run(checkpoint);
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
        stop = decoder.run(std::numeric_limits<std::uint64_t>::max());
    if (stop == DataDecoder::Stop::BrokenCode)
        malformed("a code leads outside the code tree");
    return static_cast<std::size_t>(decoder.end() - out);
}

std::uint8_t checksumOf(const std::uint8_t *data, std::size_t size, ProgressMeter &progress)
{
    const double total = static_cast<double>(size);
    std::uint64_t wide = 0;
    std::uint8_t narrow = 0;
    for (std::size_t start = 0; start < size; start += kVerifyBlock) {
        const std::size_t end = std::min(size, start + kVerifyBlock);
        std::size_t i = start;
        for (; i + 8 <= end; i += 8)
            wide ^= loadLe64(data + i);
        for (; i < end; ++i)
            narrow ^= data[i];
        progress.checkpoints(kStep, start, end, [total](double at) { return roundPercent(at / total * 11.0 + 89.0); });
    }
    for (int shift = 0; shift < 64; shift += 8)
        narrow ^= static_cast<std::uint8_t>(wide >> shift);
    return narrow;
}

} // namespace

std::vector<std::uint8_t> decode(const std::uint8_t *stream, std::size_t size, ProgressMeter &progress)
{
    if (size < kIdSize || stream[0] != kIdH || stream[1] != kIdE || stream[3] != kIdCr
        || (stream[2] != kIdStored && stream[2] != kIdHuffman)) {
        throw HuffmanError(kDecodeSource, "The data either was not compressed with HE3 or is corrupt "
                                          "(identification string not found)");
    }
    if (stream[2] == kIdStored)
        return std::vector<std::uint8_t>(stream + kIdSize, stream + size);

    Tree tree;
    const Header header = readHeader(stream, size, tree);
    if (header.length == 0)
        return {};

    std::vector<std::uint8_t> out(header.length);
    out.resize(decodeData(stream, size, header, tree, out.data(), progress));
    if (checksumOf(out.data(), out.size(), progress) != header.checksum)
        throw HuffmanError("clsHuffman.Decode()", "The data might be corrupted (checksum did not match expected value)");
    progress.report(100);
    return out;
}

} // namespace fendrel::he3
