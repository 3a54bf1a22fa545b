// Encoder.
//
// One pass counts the bytes into four histograms, so that a run of one value does not make each
// increment wait for the one before; the same counts give the checksum, since the XOR of all
// bytes is the XOR of the values that occur an odd number of times. The tree is built with the
// exact candidate rules of the format (quadratic, but over at most 511 nodes). The coding pass
// looks up each byte's code, kept least-significant-bit first as the stream wants it, ORs it into
// a 64-bit accumulator and stores eight bytes at a time, advancing by the whole bytes filled.

#include "codec/HuffmanStream.h"

#include <algorithm>
#include <array>

namespace fendrel::he3 {
namespace {

constexpr std::size_t kCountingStep = 1000;
constexpr std::size_t kStep = 10000;
constexpr std::size_t kBlock = 160000; // a multiple of both steps

using Counts = std::array<std::uint32_t, 256>;

Counts countBytes(const std::uint8_t *data, std::size_t n, ProgressMeter &progress)
{
    std::array<Counts, 4> histograms{};
    const double total = static_cast<double>(n);
    for (std::size_t start = 0; start < n; start += kBlock) {
        const std::size_t end = std::min(n, start + kBlock);
        std::size_t i = start;
        for (; i + 8 <= end; i += 8) {
            const std::uint64_t w = loadLe64(data + i);
            ++histograms[0][w & 0xFF];
            ++histograms[1][(w >> 8) & 0xFF];
            ++histograms[2][(w >> 16) & 0xFF];
            ++histograms[3][(w >> 24) & 0xFF];
            ++histograms[0][(w >> 32) & 0xFF];
            ++histograms[1][(w >> 40) & 0xFF];
            ++histograms[2][(w >> 48) & 0xFF];
            ++histograms[3][w >> 56];
        }
        for (; i < end; ++i)
            ++histograms[0][data[i]];
        progress.checkpoints(kCountingStep, start, end, [total](double at) { return roundPercent(at / total * 7.0); });
    }
    Counts counts{};
    for (std::size_t v = 0; v < 256; ++v)
        counts[v] = histograms[0][v] + histograms[1][v] + histograms[2][v] + histograms[3][v];
    return counts;
}

struct Tree {
    struct Node {
        std::int64_t weight = 0;
        std::int16_t left = -1;
        std::int16_t right = -1;
        std::int16_t value = -1;
        bool hasParent = false;
    };
    std::array<Node, kMaxNodes> nodes;
    int size = 0;
};

Tree buildTree(const Counts &counts)
{
    Tree tree;
    for (std::size_t v = 0; v < 256; ++v) {
        if (counts[v] != 0) {
            Tree::Node &leaf = tree.nodes[tree.size++];
            leaf.weight = counts[v];
            leaf.value = static_cast<std::int16_t>(v);
        }
    }
    const int leaves = tree.size;
    for (int merge = 1; merge < leaves; ++merge) {
        int first = -1;
        int second = -1;
        for (int i = 0; i < tree.size; ++i) {
            if (tree.nodes[i].hasParent)
                continue;
            if (first < 0) {
                first = i;
                continue;
            }
            if (second < 0) {
                second = i;
                continue;
            }
            // Strict comparisons keep the lower index among equal weights; the two candidates
            // are never swapped, whichever is lighter.
            const std::int64_t w = tree.nodes[i].weight;
            const std::int64_t w1 = tree.nodes[first].weight;
            const std::int64_t w2 = tree.nodes[second].weight;
            if (w < w1 && w < w2) {
                if (w1 < w2)
                    second = i;
                else
                    first = i;
            } else if (w < w1) {
                first = i;
            } else if (w < w2) {
                second = i;
            }
        }
        Tree::Node &inner = tree.nodes[tree.size];
        inner.weight = tree.nodes[first].weight + tree.nodes[second].weight;
        inner.left = static_cast<std::int16_t>(first);
        inner.right = static_cast<std::int16_t>(second);
        tree.nodes[first].hasParent = true;
        tree.nodes[second].hasParent = true;
        ++tree.size;
    }
    return tree;
}

// The first bit from the root sits in bit 0. Fewer than 2^31 bytes cannot make a Huffman tree
// deeper than 44 levels (the weights along its deepest path grow at least like Fibonacci
// numbers), so every code fits in 64 bits with the accumulator's spare byte to go.
struct Codes {
    std::array<std::uint64_t, 256> bits{};
    std::array<std::uint8_t, 256> length{};
};

void assignCodes(const Tree &tree, int node, std::uint64_t path, unsigned depth, Codes &codes)
{
    const Tree::Node &n = tree.nodes[node];
    if (n.value >= 0) {
        codes.bits[n.value] = path;
        codes.length[n.value] = static_cast<std::uint8_t>(depth);
        return;
    }
    assignCodes(tree, n.left, path, depth + 1, codes);
    assignCodes(tree, n.right, path | (std::uint64_t{1} << depth), depth + 1, codes);
}

class BitWriter {
public:
    explicit BitWriter(std::uint8_t *out) : m_out(out) {}

    // Between flushes the accumulator keeps at most 7 bits, so up to 56 bits fit before the next.
    void add(std::uint64_t bits, unsigned length)
    {
        m_acc |= bits << m_count;
        m_count += length;
    }
    // Needs 8 writable bytes at the current position.
    void flush()
    {
        storeLe64(m_out, m_acc);
        m_out += m_count >> 3;
        m_acc >>= m_count & 56;
        m_count &= 7;
    }
    // Where the next whole byte goes; the partly filled byte there is kept in the accumulator.
    std::uint8_t *position() const { return m_out; }
    // Goes on writing at out, as when the bytes before the current position have been handed on.
    void rewind(std::uint8_t *out) { m_out = out; }
    // Ends the section with its partly filled last byte; returns where the next section starts.
    std::uint8_t *finish()
    {
        flush();
        if (m_count != 0)
            ++m_out;
        m_acc = 0;
        m_count = 0;
        return m_out;
    }

private:
    std::uint8_t *m_out;
    std::uint64_t m_acc = 0;
    unsigned m_count = 0;
};

// Four codes go in between flushes when they fit, which for real inputs is nearly always: the
// long codes belong to rare bytes.
// Codes the bytes from..to (whole blocks, but for the last) of an input of n bytes.
void writeBlocks(const std::uint8_t *data, std::size_t from, std::size_t to, std::size_t n, const Codes &codes,
                 BitWriter &writer, ProgressMeter &progress)
{
    const double total = static_cast<double>(n);
    for (std::size_t start = from; start < to; start += kBlock) {
        const std::size_t end = std::min(to, start + kBlock);
        std::size_t i = start;
        for (; i + 4 <= end; i += 4) {
            const std::uint8_t *const b = data + i;
            const unsigned l0 = codes.length[b[0]];
            const unsigned l1 = codes.length[b[1]];
            const unsigned l2 = codes.length[b[2]];
            const unsigned l3 = codes.length[b[3]];
            if (l0 + l1 + l2 + l3 <= 56) {
                writer.add(codes.bits[b[0]], l0);
                writer.add(codes.bits[b[1]], l1);
                writer.add(codes.bits[b[2]], l2);
                writer.add(codes.bits[b[3]], l3);
                writer.flush();
            } else {
                for (int j = 0; j < 4; ++j) {
                    writer.add(codes.bits[b[j]], codes.length[b[j]]);
                    writer.flush();
                }
            }
        }
        for (; i < end; ++i) {
            writer.add(codes.bits[data[i]], codes.length[data[i]]);
            writer.flush();
        }
        progress.checkpoints(kStep, start, end, [total](double at) { return roundPercent(at / total * 88.0 + 12.0); });
    }
}

void putLe(std::uint8_t *p, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

} // namespace

namespace {

// Everything of a stream but its data bits: the form, and for the Huffman form the header and
// code table, ready to be followed by the data section of dataBytes bytes.
struct Prepared {
    bool stored = false;
    Codes codes;
    std::vector<std::uint8_t> head;
    std::size_t dataBytes = 0;
};

Prepared prepare(const std::uint8_t *data, std::size_t n, ProgressMeter &progress)
{
    Prepared prepared;
    const Counts counts = countBytes(data, n, progress);
    const Tree tree = buildTree(counts);
    assignCodes(tree, tree.size - 1, 0, 0, prepared.codes);
    const Codes &codes = prepared.codes;

    std::uint64_t dataBits = 0;
    std::uint64_t tableBits = 0;
    std::uint32_t valueCount = 0;
    std::uint8_t checksum = 0;
    for (std::size_t v = 0; v < 256; ++v) {
        if (counts[v] == 0)
            continue;
        dataBits += std::uint64_t{codes.length[v]} * counts[v];
        tableBits += codes.length[v];
        ++valueCount;
        if (counts[v] % 2 != 0)
            checksum ^= static_cast<std::uint8_t>(v);
    }
    prepared.dataBytes = static_cast<std::size_t>((dataBits + 7) / 8);

    // Only the data bits decide: header and code table may make the Huffman form the larger one.
    if (prepared.dataBytes == 0 || prepared.dataBytes > n) {
        prepared.stored = true;
        prepared.head = {kIdH, kIdE, kIdStored, kIdCr};
        return prepared;
    }

    const double total = static_cast<double>(n);
    progress.checkpoints(kStep, 0, n, [total](double at) { return roundPercent(at / total * 5.0 + 7.0); });

    const std::size_t tableStart = kHeaderSize + 2 * std::size_t{valueCount};
    prepared.head.resize(tableStart + static_cast<std::size_t>((tableBits + 7) / 8) + 8);
    std::uint8_t *p = prepared.head.data();
    p[0] = kIdH;
    p[1] = kIdE;
    p[2] = kIdHuffman;
    p[3] = kIdCr;
    p[kChecksumOffset] = checksum;
    putLe(p + kLengthOffset, static_cast<std::uint32_t>(n), 4);
    putLe(p + kValueCountOffset, valueCount, 2);
    p += kHeaderSize;
    for (std::size_t v = 0; v < 256; ++v) {
        if (codes.length[v] != 0) {
            *p++ = static_cast<std::uint8_t>(v);
            *p++ = codes.length[v];
        }
    }
    BitWriter table(p);
    for (std::size_t v = 0; v < 256; ++v) {
        if (codes.length[v] != 0) {
            table.add(codes.bits[v], codes.length[v]);
            table.flush();
        }
    }
    prepared.head.resize(static_cast<std::size_t>(table.finish() - prepared.head.data()));
    return prepared;
}

} // namespace

std::vector<std::uint8_t> encode(const std::uint8_t *data, std::size_t n, ProgressMeter &progress)
{
    if (n == 0)
        return {kIdH, kIdE, kIdStored, kIdCr};
    const Prepared prepared = prepare(data, n, progress);
    if (prepared.stored) {
        std::vector<std::uint8_t> stored(kIdSize + n);
        std::memcpy(stored.data(), prepared.head.data(), kIdSize);
        std::memcpy(stored.data() + kIdSize, data, n);
        return stored;
    }
    const std::size_t size = prepared.head.size() + prepared.dataBytes;
    std::vector<std::uint8_t> stream(size + 8);
    std::memcpy(stream.data(), prepared.head.data(), prepared.head.size());
    BitWriter writer(stream.data() + prepared.head.size());
    writeBlocks(data, 0, n, n, prepared.codes, writer, progress);
    writer.finish();
    stream.resize(size);
    progress.report(100);
    return stream;
}

void encodeTo(const std::uint8_t *data, std::size_t n, ProgressMeter &progress, const Huffman::Sink &sink)
{
    if (n == 0) {
        const std::uint8_t empty[] = {kIdH, kIdE, kIdStored, kIdCr};
        sink(empty, sizeof empty);
        return;
    }
    const Prepared prepared = prepare(data, n, progress);
    sink(prepared.head.data(), prepared.head.size());
    if (prepared.stored) {
        sink(data, n);
        return;
    }
    // A block's codes take at most its length times the longest code; the writer's spare
    // eight bytes follow.
    unsigned longest = *std::max_element(prepared.codes.length.begin(), prepared.codes.length.end());
    std::vector<std::uint8_t> chunk(kBlock * ((longest + 7) / 8) + 16);
    BitWriter writer(chunk.data());
    for (std::size_t start = 0; start < n; start += kBlock) {
        writeBlocks(data, start, std::min(n, start + kBlock), n, prepared.codes, writer, progress);
        const std::size_t whole = static_cast<std::size_t>(writer.position() - chunk.data());
        if (whole != 0)
            sink(chunk.data(), whole);
        writer.rewind(chunk.data());
    }
    const std::size_t last = static_cast<std::size_t>(writer.finish() - chunk.data());
    if (last != 0)
        sink(chunk.data(), last);
    progress.report(100);
}

} // namespace fendrel::he3
