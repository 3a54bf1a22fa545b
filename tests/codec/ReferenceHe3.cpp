#include "codec/ReferenceHe3.h"

#include <cmath>
#include <cstddef>

namespace fendrel::test {
namespace {

using Outcome = ReferenceResult::Outcome;

constexpr std::uint8_t kBitValue[8] = {1, 2, 4, 8, 16, 32, 64, 128};

struct Node {
    std::int16_t parent = -1;
    std::int16_t right = -1;
    std::int16_t left = -1;
    std::int16_t value = -1;
    std::int32_t weight = 0;
};

struct Progress {
    std::int16_t current = 0;
    std::vector<std::int16_t> events;
    void set(double percent)
    {
        const auto rounded = static_cast<std::int16_t>(std::nearbyint(percent)); // halves to even
        if (rounded != current) {
            current = rounded;
            events.push_back(rounded);
        }
    }
};

struct BitSink {
    std::vector<std::uint8_t> &out;
    int used = 0; // bits already in the last byte of out; at 0 the next bit starts a byte
    void put(int bit)
    {
        if (used == 0)
            out.push_back(0);
        if (bit)
            out.back() |= kBitValue[used];
        used = (used + 1) % 8;
    }
    void flush() { used = 0; }
};

void walk(const Node *nodes, int node, std::vector<int> &path, std::vector<std::vector<int>> &codes)
{
    if (nodes[node].value >= 0) {
        codes[nodes[node].value] = path;
        return;
    }
    path.push_back(0);
    walk(nodes, nodes[node].left, path, codes);
    path.back() = 1;
    walk(nodes, nodes[node].right, path, codes);
    path.pop_back();
}

std::vector<std::vector<int>> buildCodes(const std::vector<std::uint8_t> &input, Progress &progress)
{
    const std::size_t n = input.size();
    std::int32_t counts[256] = {};
    for (std::size_t i = 0; i < n; ++i) {
        ++counts[input[i]];
        if (i % 1000 == 0)
            progress.set(static_cast<double>(i) / static_cast<double>(n) * 7);
    }
    Node nodes[512];
    int count = 0;
    for (int v = 0; v < 256; ++v) {
        if (counts[v] > 0) {
            nodes[count].value = static_cast<std::int16_t>(v);
            nodes[count].weight = counts[v];
            ++count;
        }
    }
    const int leaves = count;
    for (int merge = 0; merge < leaves - 1; ++merge) {
        int c1 = -1;
        int c2 = -1;
        for (int i = 0; i < count; ++i) {
            if (nodes[i].parent != -1)
                continue;
            if (c1 == -1) {
                c1 = i;
            } else if (c2 == -1) {
                c2 = i;
            } else {
                const std::int32_t w = nodes[i].weight;
                const std::int32_t w1 = nodes[c1].weight;
                const std::int32_t w2 = nodes[c2].weight;
                if (w < w1 && w < w2) {
                    if (w1 < w2)
                        c2 = i;
                    else
                        c1 = i;
                } else if (w < w1 && w >= w2) {
                    c1 = i;
                } else if (w >= w1 && w < w2) {
                    c2 = i;
                }
            }
        }
        nodes[count].weight = nodes[c1].weight + nodes[c2].weight;
        nodes[count].left = static_cast<std::int16_t>(c1);
        nodes[count].right = static_cast<std::int16_t>(c2);
        nodes[c1].parent = static_cast<std::int16_t>(count);
        nodes[c2].parent = static_cast<std::int16_t>(count);
        ++count;
    }
    std::vector<std::vector<int>> codes(256);
    std::vector<int> path;
    walk(nodes, count - 1, path, codes);
    return codes;
}

std::uint64_t dataBytesOf(const std::vector<std::uint8_t> &input, const std::vector<std::vector<int>> &codes)
{
    std::uint64_t bits = 0;
    for (std::uint8_t byte : input)
        bits += codes[byte].size();
    return bits / 8 + (bits % 8 != 0 ? 1 : 0);
}

ReferenceResult fail(Outcome outcome, Progress &progress)
{
    return {outcome, {}, progress.events};
}

} // namespace

ReferenceResult referenceEncode(const std::vector<std::uint8_t> &input)
{
    Progress progress;
    std::vector<std::uint8_t> out = {0x48, 0x45, 0x30, 0x0D};
    const std::size_t n = input.size();
    if (n == 0)
        return {Outcome::Done, out, {}};
    const std::vector<std::vector<int>> codes = buildCodes(input, progress);
    const std::uint64_t dataBytes = dataBytesOf(input, codes);
    if (dataBytes == 0 || dataBytes > n) {
        out.insert(out.end(), input.begin(), input.end());
        return {Outcome::Done, out, progress.events};
    }

    std::uint8_t checksum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        checksum ^= input[i];
        if (i % 10000 == 0)
            progress.set(static_cast<double>(i) / static_cast<double>(n) * 5 + 7);
    }
    out[2] = 0x33;
    out.push_back(checksum);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
    int present = 0;
    for (int v = 0; v < 256; ++v)
        present += codes[v].empty() ? 0 : 1;
    out.push_back(static_cast<std::uint8_t>(present & 0xFF));
    out.push_back(static_cast<std::uint8_t>(present >> 8));
    for (int v = 0; v < 256; ++v) {
        if (!codes[v].empty()) {
            out.push_back(static_cast<std::uint8_t>(v));
            out.push_back(static_cast<std::uint8_t>(codes[v].size()));
        }
    }
    BitSink sink{out};
    for (int v = 0; v < 256; ++v) {
        for (int bit : codes[v])
            sink.put(bit);
    }
    sink.flush();
    for (std::size_t i = 0; i < n; ++i) {
        for (int bit : codes[input[i]])
            sink.put(bit);
        if (i % 10000 == 0)
            progress.set(static_cast<double>(i) / static_cast<double>(n) * 88 + 12);
    }
    sink.flush();
    if (progress.current != 100)
        progress.set(100);
    return {Outcome::Done, out, progress.events};
}

ReferenceResult referenceDecode(const std::vector<std::uint8_t> &stream)
{
    Progress progress;
    const std::size_t s = stream.size();
    if (s < 4 || stream[0] != 0x48 || stream[1] != 0x45 || stream[3] != 0x0D)
        return fail(Outcome::Identification, progress);
    if (stream[2] == 0x30)
        return {Outcome::Done, std::vector<std::uint8_t>(stream.begin() + 4, stream.end()), {}};
    if (stream[2] != 0x33)
        return fail(Outcome::Identification, progress);
    if (s < 11)
        return fail(Outcome::Malformed, progress);

    const std::uint8_t checksum = stream[4];
    const auto n = static_cast<std::int32_t>(stream[5] | stream[6] << 8 | stream[7] << 16
                                             | static_cast<std::uint32_t>(stream[8]) << 24);
    const auto k = static_cast<std::int16_t>(stream[9] | stream[10] << 8);
    if (n < 0)
        return fail(Outcome::Malformed, progress);
    if (n == 0)
        return {Outcome::Done, {}, {}};
    if (k < 1 || k > 256 || s < 11 + 2 * static_cast<std::size_t>(k))
        return fail(Outcome::Malformed, progress);

    int lengths[256] = {};
    std::size_t tableBits = 0;
    int previous = -1;
    for (int i = 0; i < k; ++i) {
        const int value = stream[11 + 2 * i];
        const int length = stream[12 + 2 * i];
        if (value <= previous || length == 0)
            return fail(Outcome::Malformed, progress);
        lengths[value] = length;
        tableBits += static_cast<std::size_t>(length);
        previous = value;
    }
    std::size_t at = 11 + 2 * static_cast<std::size_t>(k);
    const std::size_t dataStart = at + tableBits / 8 + (tableBits % 8 != 0 ? 1 : 0);
    if (s < dataStart)
        return fail(Outcome::Malformed, progress);

    Node nodes[512];
    int count = 1;
    int bitIndex = 0;
    for (int v = 0; v < 256; ++v) {
        int node = 0;
        for (int j = 0; j < lengths[v]; ++j) {
            if (nodes[node].value >= 0)
                return fail(Outcome::Malformed, progress);
            const bool one = stream[at] & kBitValue[bitIndex];
            if (++bitIndex == 8) {
                bitIndex = 0;
                ++at;
            }
            std::int16_t &child = one ? nodes[node].right : nodes[node].left;
            if (child == -1) {
                if (count == 512)
                    return fail(Outcome::Malformed, progress);
                nodes[count].parent = static_cast<std::int16_t>(node);
                child = static_cast<std::int16_t>(count++);
            }
            node = child;
        }
        if (lengths[v] > 0) {
            if (nodes[node].value >= 0 || nodes[node].left != -1 || nodes[node].right != -1)
                return fail(Outcome::Malformed, progress);
            nodes[node].value = static_cast<std::int16_t>(v);
        }
    }
    if (static_cast<std::uint64_t>(n) > 8 * static_cast<std::uint64_t>(s - dataStart))
        return fail(Outcome::Malformed, progress);

    std::vector<std::uint8_t> out;
    int node = 0;
    bool finished = false;
    for (std::size_t i = dataStart; i < s && !finished; ++i) {
        for (int j = 0; j < 8; ++j) {
            node = (stream[i] & kBitValue[j]) ? nodes[node].right : nodes[node].left;
            if (node == -1)
                return fail(Outcome::Malformed, progress);
            if (nodes[node].value >= 0) {
                out.push_back(static_cast<std::uint8_t>(nodes[node].value));
                node = 0;
                if (out.size() == static_cast<std::size_t>(n)) {
                    finished = true;
                    break;
                }
            }
        }
        const std::size_t position = i + 1;
        if (!finished && position % 10000 == 0)
            progress.set(static_cast<double>(position) / static_cast<double>(s) * 89);
    }
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        sum ^= out[i];
        if (i % 10000 == 0)
            progress.set(static_cast<double>(i) / static_cast<double>(out.size()) * 11 + 89);
    }
    if (sum != checksum)
        return fail(Outcome::Checksum, progress);
    if (progress.current != 100)
        progress.set(100);
    return {Outcome::Done, out, progress.events};
}

} // namespace fendrel::test
