// Encoder.
//
// One pass counts the bytes into four histograms, so that a run of one value does not make each
// increment wait for the one before; the same counts give the checksum, since the XOR of all
// bytes is the XOR of the values that occur an odd number of times. The tree is built with the
// exact candidate rules of the format (quadratic, but over at most 511 nodes). The coding pass
// looks up each byte's code, kept least-significant-bit first as the stream wants it, ORs it into
// a 64-bit accumulator and stores eight bytes at a time, advancing by the whole bytes filled. A
// large input looks its bytes up two at a time, in a table of the codes of every pair of values.
//
// An input too large to hold is produced twice, once to count and once to code; counting and
// coding take it in pieces and number its bytes from where the previous piece ended, so the
// progress events are those of the whole input.
//
// An input of a few MiB or more is counted and coded on two threads. The work goes in rounds of
// up to 1 MiB (4 MiB when the encoder reads the input itself), cut into units of 128 KiB: the
// calling thread takes units from the front, a helper thread from the back, so that whichever
// gets more of the CPU does more of the round (the package writer has reader threads of its own
// on the same CPUs). The helper counts into histograms of its own, and codes each unit into a
// buffer of its own from bit 0; the caller appends those bits behind its own, shifted to where
// they belong, once the round is done. So the stream is the one a single thread writes, bit for
// bit, whatever the input, and a round ends before the piece it came from is handed back. Only
// the calling thread reports progress and feeds the sink.

#include "codec/HuffmanStream.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace fendrel::he3 {
namespace {

constexpr std::size_t kCountingStep = 1000;
constexpr std::size_t kStep = 10000;
constexpr std::size_t kBlock = 160000; // a multiple of both steps

// Inputs from this size on get a helper thread; the many small members of a package are coded in
// a few milliseconds on one.
constexpr std::size_t kShareFrom = std::size_t{4} << 20;
constexpr std::size_t kRound = std::size_t{1} << 20;
constexpr std::size_t kUnit = std::size_t{128} << 10;
// An input read at offsets has no pieces to end a round with; longer rounds make fewer waits for
// the slower thread.
constexpr std::size_t kLongRound = std::size_t{4} << 20;
constexpr std::size_t kMostUnits = kLongRound / kUnit;

using Counts = std::array<std::uint32_t, 256>;
using Histograms = std::array<Counts, 4>;

// The second thread of an encode, for its whole length: the destructor stops and joins it,
// also when the call ends by an exception.
class Helper {
public:
    using Work = std::function<void(std::size_t unit)>;

    Helper() : m_thread([this] { run(); }) {}
    Helper(const Helper &) = delete;
    Helper &operator=(const Helper &) = delete;
    ~Helper()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    // A round of units 0..units-1: the helper runs theirs(unit) on the units it takes from the
    // back while mine() runs on this thread, taking units from the front with take(). Returns the
    // first unit the helper did; rethrows the helper's failure. The helper is done with the round
    // when this returns, also by an exception.
    template <class Mine>
    std::size_t share(std::size_t units, Work theirs, Mine mine)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_front = 0;
            m_back = units;
            m_work = std::move(theirs);
            m_busy = true;
            m_joined = false;
            ++m_round;
        }
        m_wake.notify_one();
        try {
            mine();
        } catch (...) {
            const std::unique_lock lock = finished(true);
            throw;
        }
        std::unique_lock lock = finished(false);
        if (m_error)
            std::rethrow_exception(std::exchange(m_error, nullptr));
        return m_front;
    }

    // The next unit from the front, if any is left.
    bool take(std::size_t &unit)
    {
        const std::lock_guard lock(m_mutex);
        if (m_front == m_back)
            return false;
        unit = m_front++;
        return true;
    }

private:
    std::unique_lock<std::mutex> finished(bool abandon)
    {
        std::unique_lock lock(m_mutex);
        if (abandon)
            m_back = m_front;
        // Every unit is taken by now. A helper that has not woken up yet (its CPU busy with
        // something else) has none of them, and is not waited for.
        if (!m_joined)
            m_busy = false;
        m_done.wait(lock, [this] { return !m_busy; });
        if (abandon)
            m_error = nullptr;
        return lock;
    }

    void run()
    {
        std::uint64_t seen = 0;
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [&] { return m_stop || m_round != seen; });
            if (m_stop)
                return;
            seen = m_round;
            if (!m_busy)
                continue;
            m_joined = true;
            while (m_front != m_back) {
                const std::size_t unit = --m_back;
                lock.unlock();
                std::exception_ptr error;
                try {
                    m_work(unit);
                } catch (...) {
                    error = std::current_exception();
                }
                lock.lock();
                if (error) {
                    m_error = error;
                    m_back = m_front;
                }
            }
            m_busy = false;
            m_done.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    Work m_work;
    std::size_t m_front = 0; // units not taken yet: m_front..m_back-1
    std::size_t m_back = 0;
    std::uint64_t m_round = 0;
    bool m_busy = false;   // a round is on, and the helper may be in it
    bool m_joined = false; // the helper has taken part in the round
    bool m_stop = false;
    std::exception_ptr m_error;
    std::thread m_thread;
};

// A helper for an input of n bytes, or none when it is small or no thread can be had.
std::optional<Helper> &helperFor(std::size_t n, std::optional<Helper> &helper)
{
    if (n >= kShareFrom) {
        try {
            helper.emplace();
        } catch (const std::system_error &) {
        }
    }
    return helper;
}

// The units of a round of count bytes.
std::size_t unitsOf(std::size_t count)
{
    return (count + kUnit - 1) / kUnit;
}

// The bytes at..at+size-1 of a round, for thread 0 (the caller) or 1 (the helper): where they
// lie in memory, or read into a buffer of that thread's.
using Fetch = std::function<const std::uint8_t *(std::size_t at, std::size_t size, int thread)>;

Fetch inMemory(const std::uint8_t *round)
{
    return [round](std::size_t at, std::size_t, int) { return round + at; };
}

void countInto(Histograms &histograms, const std::uint8_t *data, std::size_t size)
{
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
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
    for (; i < size; ++i)
        ++histograms[0][data[i]];
}

// Counts an input of n bytes that arrives in pieces.
class Counter {
public:
    Counter(std::size_t n, Helper *helper) : m_n(n), m_helper(helper) {}

    void add(const std::uint8_t *data, std::size_t size, ProgressMeter &progress)
    {
        const std::size_t step = m_helper ? kRound : kBlock;
        for (std::size_t start = 0; start < size; start += step) {
            const std::size_t count = std::min(size - start, step);
            if (m_helper && count > kUnit)
                addShared(count, inMemory(data + start), progress);
            else
                addAlone(data + start, count, progress);
        }
    }
    // A round of count bytes that this thread and the helper fetch unit by unit.
    void addShared(std::size_t count, const Fetch &fetch, ProgressMeter &progress)
    {
        const auto unit = [&fetch, count](std::size_t u, Histograms &histograms, int thread) {
            const std::size_t size = std::min(kUnit, count - u * kUnit);
            countInto(histograms, fetch(u * kUnit, size, thread), size);
        };
        m_helper->share(
            unitsOf(count), [this, &unit](std::size_t u) { unit(u, m_theirs, 1); },
            [this, &unit] {
                for (std::size_t u; m_helper->take(u);)
                    unit(u, m_histograms, 0);
            });
        reported(count, progress);
    }
    void addAlone(const std::uint8_t *data, std::size_t count, ProgressMeter &progress)
    {
        countInto(m_histograms, data, count);
        reported(count, progress);
    }

    std::size_t counted() const { return m_counted; }

    Counts counts() const
    {
        Counts counts{};
        for (const Histograms *histograms : {&m_histograms, &m_theirs}) {
            for (std::size_t v = 0; v < 256; ++v)
                counts[v] += (*histograms)[0][v] + (*histograms)[1][v] + (*histograms)[2][v] + (*histograms)[3][v];
        }
        return counts;
    }

private:
    void reported(std::size_t count, ProgressMeter &progress)
    {
        const double total = static_cast<double>(m_n);
        progress.checkpoints(kCountingStep, m_counted, m_counted + count,
                             [total](double at) { return roundPercent(at / total * 7.0); });
        m_counted += count;
    }

    Histograms m_histograms{};
    Histograms m_theirs{}; // the helper's
    std::size_t m_n;
    Helper *m_helper;
    std::size_t m_counted = 0;
};

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
    // Appends bits bits packed from bit 0 of bytes, which has 8 readable bytes beyond them. Whole
    // words go in shifted by the bits waiting in the accumulator, which stay as many.
    void append(const std::uint8_t *bytes, std::uint64_t bits)
    {
        const unsigned shift = m_count;
        for (; bits >= 64; bits -= 64, bytes += 8, m_out += 8) {
            const std::uint64_t word = loadLe64(bytes);
            storeLe64(m_out, m_acc | word << shift);
            m_acc = shift == 0 ? 0 : word >> (64 - shift);
        }
        for (; bits != 0; bytes += 4) {
            const unsigned length = bits < 32 ? static_cast<unsigned>(bits) : 32;
            add(loadLe64(bytes) & ((std::uint64_t{1} << length) - 1), length);
            flush();
            bits -= length;
        }
    }
    // Where the next whole byte goes; the partly filled byte there is kept in the accumulator.
    std::uint8_t *position() const { return m_out; }
    unsigned partBits() const { return m_count; }
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

[[noreturn]] void inputChanged(const std::string &why)
{
    throw HuffmanError("clsHuffman.EncodeByte()", "The data changed while it was read (" + why + ")");
}

// A value the first reading did not have gets this length when the input is read twice: longer
// than any code, so that it never takes the four-code path, and refused on the other.
constexpr std::uint8_t kAbsent = 57;

unsigned codeLength(const Codes &codes, std::uint8_t value)
{
    const unsigned length = codes.length[value];
    if (length == kAbsent)
        inputChanged("the second reading gave a byte value the first did not have");
    return length;
}

// Four codes go in between flushes when they fit, which for real inputs is nearly always: the
// long codes belong to rare bytes.
void writeSingleCodes(const std::uint8_t *data, std::size_t count, const Codes &codes, BitWriter &writer)
{
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
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
                writer.add(codes.bits[b[j]], codeLength(codes, b[j]));
                writer.flush();
            }
        }
    }
    for (; i < count; ++i) {
        writer.add(codes.bits[data[i]], codeLength(codes, data[i]));
        writer.flush();
    }
}

// The codes of two bytes at once, for every pair of byte values: the first byte's code followed
// by the second's, and their length above bit 32; a pair whose codes take more than 32 bits (or
// has a value without a code) has the length 255, which sends its bytes the single way.
using PairCodes = std::vector<std::uint64_t>;

PairCodes pairCodes(const Codes &codes)
{
    constexpr std::uint64_t kTooLong = std::uint64_t{255} << 32;
    PairCodes pairs(std::size_t{1} << 16);
    for (unsigned first = 0; first < 256; ++first) {
        for (unsigned second = 0; second < 256; ++second) {
            const unsigned length = codes.length[first] + codes.length[second];
            pairs[first | second << 8] = length > 32 ? kTooLong
                                                     : (codes.bits[first] | codes.bits[second] << codes.length[first])
                                                           | std::uint64_t{length} << 32;
        }
    }
    return pairs;
}

// With a pair table, eight bytes go in between flushes as four pairs: half the lookups of coding
// them one by one.
void writeCodes(const std::uint8_t *data, std::size_t count, const Codes &codes, const PairCodes &pairs,
                BitWriter &writer)
{
    if (pairs.empty()) {
        writeSingleCodes(data, count, codes, writer);
        return;
    }
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const std::uint64_t bytes = loadLe64(data + i);
        const std::uint64_t p0 = pairs[bytes & 0xFFFF];
        const std::uint64_t p1 = pairs[(bytes >> 16) & 0xFFFF];
        const std::uint64_t p2 = pairs[(bytes >> 32) & 0xFFFF];
        const std::uint64_t p3 = pairs[bytes >> 48];
        const auto l0 = static_cast<unsigned>(p0 >> 32);
        const auto l1 = static_cast<unsigned>(p1 >> 32);
        const auto l2 = static_cast<unsigned>(p2 >> 32);
        const auto l3 = static_cast<unsigned>(p3 >> 32);
        if (l0 + l1 + l2 + l3 <= 56) {
            writer.add(p0 & 0xFFFFFFFF, l0);
            writer.add(p1 & 0xFFFFFFFF, l1);
            writer.add(p2 & 0xFFFFFFFF, l2);
            writer.add(p3 & 0xFFFFFFFF, l3);
            writer.flush();
        } else {
            writeSingleCodes(data + i, 8, codes, writer);
        }
    }
    writeSingleCodes(data + i, count - i, codes, writer);
}

void reportCoded(ProgressMeter &progress, std::size_t from, std::size_t to, std::size_t n)
{
    const double total = static_cast<double>(n);
    progress.checkpoints(kStep, from, to, [total](double at) { return roundPercent(at / total * 88.0 + 12.0); });
}

// Codes count bytes whose indices in the input of n bytes start at first.
void writeBlocks(const std::uint8_t *data, std::size_t count, std::size_t first, std::size_t n, const Codes &codes,
                 const PairCodes &pairs, BitWriter &writer, ProgressMeter &progress)
{
    for (std::size_t start = 0; start < count; start += kBlock) {
        const std::size_t end = std::min(count, start + kBlock);
        writeCodes(data + start, end - start, codes, pairs, writer);
        reportCoded(progress, first + start, first + end, n);
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
// code table, ready to be followed by the data section of dataBits bits.
struct Prepared {
    bool stored = false;
    std::uint8_t checksum = 0;
    Codes codes;
    std::vector<std::uint8_t> head;
    std::uint64_t dataBits = 0;
    std::size_t dataBytes = 0;
};

Prepared prepare(const Counts &counts, std::size_t n, ProgressMeter &progress)
{
    Prepared prepared;
    if (n == 0) {
        prepared.stored = true;
        prepared.head = {kIdH, kIdE, kIdStored, kIdCr};
        return prepared;
    }
    const Tree tree = buildTree(counts);
    assignCodes(tree, tree.size - 1, 0, 0, prepared.codes);
    const Codes &codes = prepared.codes;

    std::uint64_t tableBits = 0;
    std::uint32_t valueCount = 0;
    for (std::size_t v = 0; v < 256; ++v) {
        if (counts[v] == 0)
            continue;
        prepared.dataBits += std::uint64_t{codes.length[v]} * counts[v];
        tableBits += codes.length[v];
        ++valueCount;
        if (counts[v] % 2 != 0)
            prepared.checksum ^= static_cast<std::uint8_t>(v);
    }
    prepared.dataBytes = static_cast<std::size_t>((prepared.dataBits + 7) / 8);

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
    p[kChecksumOffset] = prepared.checksum;
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

Prepared prepare(const std::uint8_t *data, std::size_t n, ProgressMeter &progress, Helper *helper)
{
    Counter counter(n, helper);
    counter.add(data, n, progress);
    return prepare(counter.counts(), n, progress);
}

// Codes an input that arrives in pieces into the data section. With a sink it hands that on in
// pieces of up to a block's worth of codes, or a round's worth when a helper shares the work;
// without, it writes the whole section to out, which has room for it and 8 bytes more. For an
// input read a second time it takes the checksum too, each thread of its own units.
class DataWriter {
public:
    DataWriter(const Prepared &prepared, std::size_t n, ProgressMeter &progress, const Huffman::Sink *sink,
               Helper *helper, bool checksum, std::uint8_t *out = nullptr)
        : m_codes(withAbsentMarked(prepared.codes)),
          // Filling the pair table pays from inputs of a few MiB, those a helper shares.
          m_pairs(n >= kShareFrom ? pairCodes(m_codes) : PairCodes{}), m_checksum(checksum), m_n(n),
          m_progress(progress), m_sink(sink),
          m_helper(helper),
          m_bytesPerCode((*std::max_element(prepared.codes.length.begin(), prepared.codes.length.end()) + 7u) / 8u),
          m_capacity((helper ? kRound : kBlock) * m_bytesPerCode + 16),
          m_chunk(sink ? std::make_unique_for_overwrite<std::uint8_t[]>(m_capacity) : nullptr),
          m_base(sink ? m_chunk.get() : out), m_writer(m_base)
    {
    }

    void add(const std::uint8_t *data, std::size_t size)
    {
        const std::size_t step = m_helper ? kRound : kBlock;
        for (std::size_t start = 0; start < size; start += step) {
            const std::size_t count = std::min(size - start, step);
            if (m_helper && count > kUnit)
                addShared(count, inMemory(data + start));
            else
                addAlone(data + start, count);
        }
    }
    // A round of up to kLongRound bytes that this thread and the helper fetch unit by unit. The
    // sink takes what the previous rounds left while the helper starts on this one.
    void addShared(std::size_t count, const Fetch &fetch)
    {
        const auto code = [this, &fetch, count](std::size_t u, BitWriter &writer, std::uint8_t &checksum, int thread) {
            const std::size_t size = std::min(kUnit, count - u * kUnit);
            const std::uint8_t *const bytes = fetch(u * kUnit, size, thread);
            if (m_checksum)
                checksum ^= xorOf(bytes, size);
            writeCodes(bytes, size, m_codes, m_pairs, writer);
        };
        const std::size_t units = unitsOf(count);
        // Pages are touched only as far as codes reach them.
        for (std::size_t u = 0; u < units; ++u) {
            if (!m_slots[u])
                m_slots[u] = std::make_unique_for_overwrite<std::uint8_t[]>(kUnit * m_bytesPerCode + 16);
        }
        const std::size_t theirs = m_helper->share(
            units,
            [this, &code](std::size_t u) {
                BitWriter writer(m_slots[u].get());
                code(u, writer, m_theirs, 1);
                const auto whole = static_cast<std::uint64_t>(writer.position() - m_slots[u].get());
                m_slotBits[u] = 8 * whole + writer.partBits();
            },
            [this, &code] {
                handOn();
                for (std::size_t u; m_helper->take(u);) {
                    makeRoom(kUnit * m_bytesPerCode + 16);
                    code(u, m_writer, m_mine, 0);
                }
            });
        for (std::size_t u = theirs; u < units; ++u) {
            makeRoom(static_cast<std::size_t>(m_slotBits[u] / 8) + 24);
            m_writer.append(m_slots[u].get(), m_slotBits[u]);
        }
        reportCoded(m_progress, m_coded, m_coded + count, m_n);
        m_coded += count;
    }
    // Up to a block on this thread alone.
    void addAlone(const std::uint8_t *data, std::size_t count)
    {
        // A block's codes take at most its length times the longest code. The sink gets them
        // when a block's worth is waiting, also when the chunk could hold more.
        if (m_sink && whole() + count * m_bytesPerCode > kBlock * m_bytesPerCode)
            handOn();
        if (m_checksum)
            m_mine ^= xorOf(data, count);
        writeBlocks(data, count, m_coded, m_n, m_codes, m_pairs, m_writer, m_progress);
        m_coded += count;
    }

    std::size_t coded() const { return m_coded; }
    std::uint8_t checksum() const { return m_mine ^ m_theirs; }
    std::uint64_t bits() const
    {
        return 8 * static_cast<std::uint64_t>(m_handedOn + whole()) + m_writer.partBits();
    }

    // Writes out the partly filled last byte and hands on the rest.
    void finish()
    {
        m_writer.finish();
        handOn();
    }

private:
    static Codes withAbsentMarked(Codes codes)
    {
        for (std::uint8_t &length : codes.length) {
            if (length == 0)
                length = kAbsent;
        }
        return codes;
    }
    std::size_t whole() const { return static_cast<std::size_t>(m_writer.position() - m_base); }
    void makeRoom(std::size_t bytes)
    {
        if (m_sink && m_capacity - whole() < bytes)
            handOn();
    }
    void handOn()
    {
        if (!m_sink)
            return;
        const std::size_t size = whole();
        if (size != 0)
            (*m_sink)(m_base, size);
        m_handedOn += size;
        m_writer.rewind(m_base);
    }

    const Codes m_codes;
    const PairCodes m_pairs; // none for a small input
    const bool m_checksum;
    std::uint8_t m_mine = 0;
    std::uint8_t m_theirs = 0; // the helper's units'
    std::size_t m_n;
    ProgressMeter &m_progress;
    const Huffman::Sink *m_sink;
    Helper *m_helper;
    std::size_t m_bytesPerCode;
    std::size_t m_capacity;
    std::unique_ptr<std::uint8_t[]> m_chunk;
    std::uint8_t *m_base;
    BitWriter m_writer;
    std::array<std::unique_ptr<std::uint8_t[]>, kMostUnits> m_slots; // the helper's units' codes
    std::array<std::uint64_t, kMostUnits> m_slotBits{};
    std::size_t m_coded = 0;
    std::size_t m_handedOn = 0;
};

const char *readingName(int pass)
{
    return pass == 0 ? "the first reading" : "the second reading";
}

// Refuses a piece that takes a pass beyond the n bytes the input was announced with.
void expectRoom(std::size_t size, std::size_t given, std::size_t n, int pass)
{
    if (size > n - given)
        inputChanged(std::string(readingName(pass)) + " gave more than " + std::to_string(n) + " bytes");
}

void expectAll(std::size_t given, std::size_t n, int pass)
{
    if (given != n)
        inputChanged(std::string(readingName(pass)) + " gave " + std::to_string(given) + " of " + std::to_string(n)
                     + " bytes");
}

void expectSameBytes(bool same)
{
    if (!same)
        inputChanged("the second reading gave other bytes than the first");
}

} // namespace

std::vector<std::uint8_t> encode(const std::uint8_t *data, std::size_t n, ProgressMeter &progress)
{
    std::optional<Helper> helper;
    Helper *const shared = helperFor(n, helper) ? &*helper : nullptr;
    const Prepared prepared = prepare(data, n, progress, shared);
    if (prepared.stored) {
        std::vector<std::uint8_t> stored(kIdSize + n);
        std::memcpy(stored.data(), prepared.head.data(), kIdSize);
        if (n != 0)
            std::memcpy(stored.data() + kIdSize, data, n);
        return stored;
    }
    const std::size_t size = prepared.head.size() + prepared.dataBytes;
    std::vector<std::uint8_t> stream(size + 8);
    std::memcpy(stream.data(), prepared.head.data(), prepared.head.size());
    DataWriter writer(prepared, n, progress, nullptr, shared, false, stream.data() + prepared.head.size());
    writer.add(data, n);
    writer.finish();
    stream.resize(size);
    progress.report(100);
    return stream;
}

void encodeTo(const std::uint8_t *data, std::size_t n, ProgressMeter &progress, const Huffman::Sink &sink)
{
    std::optional<Helper> helper;
    Helper *const shared = helperFor(n, helper) ? &*helper : nullptr;
    const Prepared prepared = prepare(data, n, progress, shared);
    sink(prepared.head.data(), prepared.head.size());
    if (prepared.stored) {
        if (n != 0)
            sink(data, n);
        return;
    }
    DataWriter writer(prepared, n, progress, &sink, shared, false);
    writer.add(data, n);
    writer.finish();
    progress.report(100);
}

// Pass 1 cannot be compared with pass 0 byte for byte, as pass 0 is not kept; a pass that gives
// other bytes is caught by its length, its checksum and, when coded, the length of its codes.
void encodeFrom(std::size_t n, const Huffman::Producer &produce, ProgressMeter &progress, const Huffman::Sink &sink)
{
    std::optional<Helper> helper;
    Helper *const shared = helperFor(n, helper) ? &*helper : nullptr;
    Counter counter(n, shared);
    produce(0, [&](const std::uint8_t *data, std::size_t size) {
        expectRoom(size, counter.counted(), n, 0);
        counter.add(data, size, progress);
    });
    expectAll(counter.counted(), n, 0);
    const Prepared prepared = prepare(counter.counts(), n, progress);
    sink(prepared.head.data(), prepared.head.size());

    std::uint8_t checksum = 0;
    if (prepared.stored) {
        std::size_t given = 0;
        produce(1, [&](const std::uint8_t *data, std::size_t size) {
            expectRoom(size, given, n, 1);
            checksum ^= xorOf(data, size);
            given += size;
            if (size != 0)
                sink(data, size);
        });
        expectAll(given, n, 1);
        expectSameBytes(checksum == prepared.checksum);
        return;
    }
    DataWriter writer(prepared, n, progress, &sink, shared, true);
    produce(1, [&](const std::uint8_t *data, std::size_t size) {
        expectRoom(size, writer.coded(), n, 1);
        writer.add(data, size);
    });
    expectAll(writer.coded(), n, 1);
    expectSameBytes(writer.checksum() == prepared.checksum && writer.bits() == prepared.dataBits);
    writer.finish();
    progress.report(100);
}

void encodeAt(std::size_t n, const ReadAt &read, ProgressMeter &progress, const Huffman::Sink &sink)
{
    std::optional<Helper> helper;
    Helper *const shared = helperFor(n, helper) ? &*helper : nullptr;
    const std::array<std::unique_ptr<std::uint8_t[]>, 2> buffers = {
        std::make_unique_for_overwrite<std::uint8_t[]>(kUnit), std::make_unique_for_overwrite<std::uint8_t[]>(kUnit)};
    int pass = 0;
    const auto fetch = [&](std::size_t at, std::size_t size, int thread) {
        std::uint8_t *const buffer = buffers[static_cast<std::size_t>(thread)].get();
        const std::size_t got = read(at, buffer, size);
        if (got != size)
            expectAll(at + got, n, pass);
        return buffer;
    };
    const auto expectEnd = [&] {
        std::uint8_t beyond = 0;
        if (read(n, &beyond, 1) != 0)
            expectRoom(1, n, n, pass);
    };
    // Rounds shared with the helper read unit by unit on both threads; the others in units on this one.
    const auto inRounds = [&](const auto &alone, const auto &together) {
        for (std::size_t round = 0; round < n; round += kLongRound) {
            const std::size_t count = std::min(kLongRound, n - round);
            if (shared && count > kUnit) {
                together(count, [&fetch, round](std::size_t at, std::size_t size, int thread) {
                    return fetch(round + at, size, thread);
                });
            } else {
                for (std::size_t at = 0; at < count; at += kUnit) {
                    const std::size_t size = std::min(kUnit, count - at);
                    alone(fetch(round + at, size, 0), size);
                }
            }
        }
        expectEnd();
    };

    Counter counter(n, shared);
    inRounds([&](const std::uint8_t *data, std::size_t size) { counter.addAlone(data, size, progress); },
             [&](std::size_t count, const Fetch &fetched) { counter.addShared(count, fetched, progress); });
    const Prepared prepared = prepare(counter.counts(), n, progress);
    sink(prepared.head.data(), prepared.head.size());

    pass = 1;
    if (prepared.stored) {
        std::uint8_t checksum = 0;
        for (std::size_t at = 0; at < n; at += kUnit) {
            const std::size_t size = std::min(kUnit, n - at);
            const std::uint8_t *const data = fetch(at, size, 0);
            checksum ^= xorOf(data, size);
            sink(data, size);
        }
        expectEnd();
        expectSameBytes(checksum == prepared.checksum);
        return;
    }
    DataWriter writer(prepared, n, progress, &sink, shared, true);
    inRounds([&](const std::uint8_t *data, std::size_t size) { writer.addAlone(data, size); },
             [&](std::size_t count, const Fetch &fetched) { writer.addShared(count, fetched); });
    expectSameBytes(writer.checksum() == prepared.checksum && writer.bits() == prepared.dataBits);
    writer.finish();
    progress.report(100);
}

} // namespace fendrel::he3
