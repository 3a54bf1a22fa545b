// Decoder: the data section.
//
// The data is read through 64-bit windows topped up from any byte position. Their low
// kTableBits bits index a table whose entries hold up to three whole codes' symbols and the bits
// they take, so common symbols decode several at a time. Each lookup waits for the one before,
// so long stretches are decoded by two windows at once, from the start and from the middle
// (runPair). Codes longer than the table, walks into missing branches and the last few bytes of
// data or output go through the tree one bit at a time; that path is also the definition the
// tables are built from.
//
// Callers elsewhere enter only through run, once per checkpoint. The loops below are declared
// inline like the lane steps in HuffmanDecoder.h, which leaves the compiler the freedom it had
// when all of this was local to one file: the steps must fold into the loops, and with round
// called out of line the decode measured slower.

#include "codec/HuffmanDecoder.h"

namespace fendrel::he3 {

constexpr std::size_t kMarks = 64;

DataDecoder::Stop DataDecoder::run(std::uint64_t absoluteLimit)
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

// One symbol through the tree. Returns Checkpoint when a symbol was written.
inline DataDecoder::Stop DataDecoder::walkOne()
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
inline void DataDecoder::runFast(std::uint64_t limit)
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
inline bool DataDecoder::runPair(std::uint64_t end)
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

inline bool DataDecoder::stopFirst(const Lane &first)
{
    m_out = first.out;
    m_pos = positionOf(first);
    return false;
}

} // namespace fendrel::he3
