// Decoder: the header and the code table.
//
// Everything the stream declares is checked before the output is allocated: header and code
// table lie inside the stream, the lengths are 1..255 for strictly ascending values, the codes
// form a prefix code of at most 512 tree nodes, and the declared length fits the data (every
// code is at least one bit long). Codes need not be complete; a walk into a missing branch ends
// the decode with an error.
//
// The lookup tables are filled from the tree, not from the code lengths, so that they can only
// say what a walk through the tree would say; codes longer than the index stay with the tree.

#include "codec/HuffmanDecoder.h"

namespace fendrel::he3 {
namespace {

std::uint32_t readLe(const std::uint8_t *p, int bytes)
{
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= std::uint32_t{p[i]} << (8 * i);
    return value;
}

} // namespace

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

} // namespace fendrel::he3
