#pragma once

// What the encoder and the decoder share: the fixed bytes of the stream, little-endian access
// and the progress meter. Neither side depends on the other.

#include "codec/Huffman.h"

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace fendrel::he3 {

inline constexpr std::uint8_t kIdH = 0x48;
inline constexpr std::uint8_t kIdE = 0x45;
inline constexpr std::uint8_t kIdStored = 0x30;
inline constexpr std::uint8_t kIdHuffman = 0x33;
inline constexpr std::uint8_t kIdCr = 0x0D;

inline constexpr std::size_t kIdSize = 4;
inline constexpr std::size_t kChecksumOffset = 4;
inline constexpr std::size_t kLengthOffset = 5;
inline constexpr std::size_t kValueCountOffset = 9;
inline constexpr std::size_t kHeaderSize = 11;
inline constexpr int kMaxNodes = 512;

inline std::uint64_t loadLe64(const std::uint8_t *p)
{
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) {
        std::uint64_t r = 0;
        for (int i = 0; i < 8; ++i)
            r |= ((v >> (8 * i)) & 0xFF) << (8 * (7 - i));
        v = r;
    }
    return v;
}

inline void storeLe64(std::uint8_t *p, std::uint64_t v)
{
    if constexpr (std::endian::native == std::endian::big) {
        for (int i = 0; i < 8; ++i)
            p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    } else {
        std::memcpy(p, &v, sizeof v);
    }
}

// The XOR of all bytes: the checksum the Huffman form carries.
inline std::uint8_t xorOf(const std::uint8_t *data, std::size_t size)
{
    std::uint64_t wide = 0;
    std::uint8_t narrow = 0;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8)
        wide ^= loadLe64(data + i);
    for (; i < size; ++i)
        narrow ^= data[i];
    for (int shift = 0; shift < 64; shift += 8)
        narrow ^= static_cast<std::uint8_t>(wide >> shift);
    return narrow;
}

// Percentages are rounded half to even, as the programs reading these streams expect of the
// progress they show (2.5 -> 2, 3.5 -> 4); nearbyint does that in the default rounding mode.
inline std::int16_t roundPercent(double value)
{
    return static_cast<std::int16_t>(std::nearbyint(value));
}

// Raises the progress handler only when the percentage changes. The work runs in blocks, so
// each phase asks for the percentages of all its checkpoints inside a finished block at once:
// the handler sees the same values in the same order as if it were asked after every byte.
class ProgressMeter {
public:
    explicit ProgressMeter(const Huffman::ProgressHandler &handler) : m_handler(handler) {}

    void report(std::int16_t percent)
    {
        if (percent == m_current)
            return;
        m_current = percent;
        if (m_handler) {
            std::int16_t copy = percent;
            m_handler(copy);
        }
    }

    // Reports percentAt(i) for every multiple i of step in [from, to), ascending.
    template <class PercentAt>
    void checkpoints(std::size_t step, std::size_t from, std::size_t to, PercentAt percentAt)
    {
        for (std::size_t i = (from + step - 1) / step * step; i < to; i += step)
            report(percentAt(static_cast<double>(i)));
    }

private:
    const Huffman::ProgressHandler &m_handler;
    std::int16_t m_current = 0;
};

std::vector<std::uint8_t> encode(const std::uint8_t *data, std::size_t size, ProgressMeter &progress);
// The same stream, handed to sink piece by piece, so that it never has to be held whole.
void encodeTo(const std::uint8_t *data, std::size_t size, ProgressMeter &progress, const Huffman::Sink &sink);
// The input produced twice, counted in pass 0 and coded in pass 1; never held whole.
void encodeFrom(std::size_t size, const Huffman::Producer &produce, ProgressMeter &progress, const Huffman::Sink &sink);
// Reads the bytes at offset.. into buffer, size of them unless the input ends first; called from
// any of the encoder's threads.
using ReadAt = std::function<std::size_t(std::size_t offset, std::uint8_t *buffer, std::size_t size)>;
// As encodeFrom, for an input that can be read at any offset: each thread reads the pieces it
// counts and codes into a small buffer of its own, where they are still in its cache.
void encodeAt(std::size_t size, const ReadAt &read, ProgressMeter &progress, const Huffman::Sink &sink);
std::vector<std::uint8_t> decode(const std::uint8_t *stream, std::size_t size, ProgressMeter &progress);
// The stream read in pieces and the output handed on in pieces, through buffers of fixed size.
void decodeFrom(std::size_t size, const Huffman::Source &source, ProgressMeter &progress, const Huffman::Sink &sink);

} // namespace fendrel::he3
