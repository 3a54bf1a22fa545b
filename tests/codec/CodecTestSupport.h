#pragma once

#include "codec/Huffman.h"
#include "codec/ReferenceHe3.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace fendrel::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes bytesOf(const std::string &text)
{
    return Bytes(text.begin(), text.end());
}

// The stream of "ab": Huffman form, one-bit codes.
inline const Bytes kAbStream = {0x48, 0x45, 0x33, 0x0D, 0x03, 0x02, 0x00, 0x00, 0x00,
                                0x02, 0x00, 0x61, 0x01, 0x62, 0x01, 0x02, 0x02};

// Records every progress event of a codec.
struct ProgressLog {
    explicit ProgressLog(Huffman &codec)
    {
        codec.setProgressHandler([this](std::int16_t &percent) { events.push_back(percent); });
    }
    std::vector<std::int16_t> events;
};

Bytes uniformBytes(std::size_t size, unsigned alphabet, std::uint32_t seed);
// Value v appears with probability about 2^-(v+1): codes from 1 bit up to a few dozen.
Bytes skewedBytes(std::size_t size, std::uint32_t seed);
// Value v appears F(v+1) times (Fibonacci): the longest code is symbols - 1 bits. Shuffled
// unless the seed is 0; sorted, the rarest values with the longest codes come first.
Bytes fibonacciBytes(int symbols, std::uint32_t seed);

// The real codec's result in the reference's terms.
ReferenceResult runEncode(const Bytes &input);
ReferenceResult runDecode(const Bytes &stream);
// Same outcome, bytes and progress events.
void expectSame(const ReferenceResult &actual, const ReferenceResult &expected, const std::string &what);

// A codec call in full: its error, or the bytes it gave, and its events.
struct CodecRun {
    std::string error; // "source: description", empty when the call succeeded
    Bytes bytes;
    std::vector<std::int16_t> events;
    std::size_t largestPiece = 0; // the most bytes handed to a sink at once
};
void expectSame(const CodecRun &actual, const CodecRun &expected, const std::string &what);

// Runs call(codec, run) with a fresh codec, recording its events and any error.
template <class Call>
CodecRun runCodec(Call call)
{
    Huffman codec;
    ProgressLog log(codec);
    CodecRun run;
    try {
        call(codec, run);
    } catch (const HuffmanError &error) {
        EXPECT_EQ(error.number(), -2147221504);
        run.error = error.source() + ": " + error.description();
    }
    run.events = log.events;
    return run;
}

// Sizes of the pieces a source or producer hands out: all of them the given size, or random
// sizes from 1 to that when a seed is given.
class PieceSizes {
public:
    explicit PieceSizes(std::size_t size, std::uint32_t seed = 0) : m_size(size), m_random(seed != 0), m_engine(seed) {}
    std::size_t next(std::size_t left)
    {
        return std::min(m_random ? std::uniform_int_distribution<std::size_t>(1, m_size)(m_engine) : m_size, left);
    }

private:
    std::size_t m_size;
    bool m_random;
    std::mt19937 m_engine;
};

// A failed decode must leave the caller's buffer as it was; decodeWhole checks that.
CodecRun decodeWhole(const Bytes &stream);
// The source delivers the whole stream; decodeFrom is told it is announced bytes long, or its true size.
CodecRun decodeInPieces(const Bytes &stream, PieceSizes pieces, std::optional<std::size_t> announced = {});
CodecRun encodeWhole(const Bytes &input);
CodecRun encodeToSink(const Bytes &input);
// Pass 0 produces first and pass 1 second, for an input encodeFrom is told is announced bytes long;
// each pass in pieces of its own sizes.
CodecRun encodeInPieces(std::size_t announced, const Bytes &first, const Bytes &second, PieceSizes firstPieces,
                        PieceSizes secondPieces);
inline CodecRun encodeInPieces(const Bytes &input, PieceSizes first, PieceSizes second)
{
    return encodeInPieces(input.size(), input, input, std::move(first), std::move(second));
}

// A Huffman-form stream written by hand: each value's code as a string of '0' and '1' from the
// root, the message in those codes, and the true length and checksum of the message.
Bytes handBuiltStream(const std::vector<std::pair<std::uint8_t, std::string>> &codes, const Bytes &message);
// Codes of every length from 1 to 255 bits: value v < 255 is v ones and a zero, 255 is 255 ones.
Bytes longCodeStream(const Bytes &message);

} // namespace fendrel::test
