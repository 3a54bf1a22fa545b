// decodeFrom and encodeFrom against the whole-buffer calls: the same bytes, events and errors,
// whatever the sizes of the pieces and wherever the decoder's buffers end.

#include "codec/CodecTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>

using namespace fendrel;
using namespace fendrel::test;

namespace {

constexpr std::size_t kAll = std::numeric_limits<std::size_t>::max();
// The decoder's first window: 1 MiB and room for the largest header and code table.
constexpr std::size_t kFirstWindow = (std::size_t{1} << 20) + 8683;
constexpr std::size_t kBounded = std::size_t{2} << 20;

Bytes encoded(const Bytes &input)
{
    return encodeWhole(input).bytes;
}

void expectDecodesInPiecesLikeWhole(const Bytes &stream, const std::string &what)
{
    const CodecRun whole = decodeWhole(stream);
    std::uint32_t seed = 1;
    for (std::size_t piece : {std::size_t{1}, std::size_t{65536}, kAll}) {
        const CodecRun pieces = decodeInPieces(stream, PieceSizes(piece, piece == 65536 ? seed++ : 0));
        expectSame(pieces, whole, what + ", pieces of " + std::to_string(piece));
        EXPECT_LE(pieces.largestPiece, kBounded) << what;
    }
}

} // namespace

TEST(HuffmanPiecewise, DecodeFromGivesAndFailsAsDecodeByteAndReadsExactlyTheStreamSize)
{
    expectDecodesInPiecesLikeWhole(encoded({}), "empty");
    expectDecodesInPiecesLikeWhole(encoded(bytesOf("ab")), "ab");
    expectDecodesInPiecesLikeWhole(encoded(skewedBytes(50000, 1)), "skewed, 50000");
    // Over several windows and output pieces: short codes, 8-bit codes, codes up to 29 bits.
    expectDecodesInPiecesLikeWhole(encoded(skewedBytes(6'000'000, 2)), "skewed, 6 MB");
    expectDecodesInPiecesLikeWhole(encoded(uniformBytes(2'500'000, 256, 3)), "uniform, 2.5 MB");
    expectDecodesInPiecesLikeWhole(encoded(fibonacciBytes(31, 4)), "Fibonacci");
    // Codes up to 255 bits straddle every window boundary. In the second stream a 255-bit code
    // starts 254 bits before the end of the first window: a decoder that went on that close to
    // the end would run out of bits in the middle of it.
    expectDecodesInPiecesLikeWhole(longCodeStream(uniformBytes(200'000, 256, 5)), "255-bit codes");
    const std::size_t dataStart = 11 + 2 * 256 + (255 * 256 / 2 + 255 + 7) / 8;
    const std::size_t start = 8 * (kFirstWindow - dataStart) - 254;
    Bytes message(start + 4, 255);
    std::fill_n(message.begin(), start, 0);
    message[start + 2] = 3;
    const Bytes acrossTheEnd = longCodeStream(message);
    ASSERT_GT(acrossTheEnd.size(), kFirstWindow);
    expectDecodesInPiecesLikeWhole(acrossTheEnd, "255-bit code across the end of the window");
    // The stored form, and a Huffman form declaring no values at all.
    expectDecodesInPiecesLikeWhole(encoded(Bytes(3'000'000, 0x41)), "stored, 3 MB");
    Bytes empty = encoded(bytesOf("ab"));
    std::fill_n(empty.begin() + 5, 4, 0);
    expectDecodesInPiecesLikeWhole(empty, "n = 0");

    // A stream over two windows, cut inside the header and table, around the end of the first
    // window, and at random; then single bits flipped anywhere, most of all around that end.
    const Bytes stream = encoded(uniformBytes(1'200'000, 200, 6));
    ASSERT_GT(stream.size(), kFirstWindow + 1000);
    std::vector<std::size_t> cuts = {0, 3, 4, 10, 11, 12, 411, 412, 500, 10000, 10001, stream.size() - 1};
    for (std::size_t d = 0; d < 140; d += 7)
        cuts.push_back(kFirstWindow - 70 + d);
    std::mt19937 random(7);
    for (int i = 0; i < 10; ++i)
        cuts.push_back(random() % stream.size());
    for (std::size_t size : cuts) {
        const Bytes cut(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(size));
        expectSame(decodeInPieces(cut, PieceSizes(30000, static_cast<std::uint32_t>(size) + 1)), decodeWhole(cut),
                   "cut to " + std::to_string(size));
    }
    for (int i = 0; i < 60; ++i) {
        const std::size_t bit = i < 30 ? 8 * (kFirstWindow - 100) + random() % 1600 : random() % (8 * stream.size());
        Bytes flipped = stream;
        flipped[bit / 8] ^= static_cast<std::uint8_t>(1 << (bit % 8));
        const CodecRun whole = decodeWhole(flipped);
        expectSame(decodeInPieces(flipped, PieceSizes(100000, static_cast<std::uint32_t>(bit))), whole,
                   "bit " + std::to_string(bit));
    }

    // With "000" the only code, any one bit breaks the walk at that bit. Broken beyond the first
    // window: on the first bit after the data byte at the checkpoint 1230000 (which raises the
    // percentage to 88), in a code that started before it; on the last bit of that byte; and
    // elsewhere. Only the first reports the checkpoint.
    const Bytes clean = handBuiltStream({{0, "000"}}, Bytes(3'333'000, 0));
    ASSERT_EQ(clean.size(), 14u + 3'333'000 * 3 / 8);
    std::vector<std::vector<std::int16_t>> events;
    for (std::size_t bit : {8 * std::size_t{1'230'000}, 8 * std::size_t{1'230'000} - 1, 8 * kFirstWindow + 5,
                            8 * clean.size() - 1}) {
        Bytes broken = clean;
        broken[bit / 8] |= static_cast<std::uint8_t>(1 << (bit % 8));
        const CodecRun whole = decodeWhole(broken);
        expectSame(decodeInPieces(broken, PieceSizes(4096)), whole, "broken at bit " + std::to_string(bit));
        events.push_back(whole.events);
    }
    EXPECT_EQ(events[0].back(), 88);
    EXPECT_EQ(events[1].back(), 87);

    // A source that gives fewer or more bytes than announced is refused.
    const std::string prefix = "HuffmanDecode(): The stream could not be read whole, or changed while it was read (";
    for (const Bytes &whole : {encoded(bytesOf("ab")), encoded(skewedBytes(6'000'000, 9)), encoded(Bytes(100, 0x41)),
                                bytesOf("HE")}) {
        const std::size_t n = whole.size();
        EXPECT_EQ(decodeInPieces(whole, PieceSizes(70000), n + 1).error,
                  prefix + "it ends after " + std::to_string(n) + " of " + std::to_string(n + 1) + " bytes)");
        EXPECT_EQ(decodeInPieces(whole, PieceSizes(70000), n - 1).error,
                  prefix + "it goes on beyond " + std::to_string(n - 1) + " bytes)");
    }
}

// The piecewise encoders behind package writing must hand out exactly the stream and the
// progress events of the whole-buffer encoder, whatever block boundaries fall where.
TEST(HuffmanPiecewise, EncodeToAndEncodeFromGiveWhatEncodeByteGivesAndRefuseInputThatChanges)
{
    const Bytes inputs[] = {
        {},
        bytesOf("ab"),
        Bytes(1000, 0x41),
        uniformBytes(50'000, 256, 5),     // stored form: coding does not pay
        uniformBytes(160'000, 256, 1),    // exactly one coding block
        uniformBytes(160'001, 3, 2),      // one byte into the next
        Bytes(300'000, 7),                // stored, several blocks
        skewedBytes(700'000, 10),         // codes of many lengths
        uniformBytes(2'000'000, 17, 11),  // several chunks of output
        fibonacciBytes(30, 12),           // codes up to 29 bits
        uniformBytes((std::size_t{4} << 20) - 1, 200, 16), // the largest input coded on one thread
        uniformBytes(std::size_t{4} << 20, 200, 17),       // the smallest on two
        fibonacciBytes(33, 18),           // 9.2 MB on two threads, codes up to 32 bits
    };
    for (const Bytes &input : inputs) {
        const std::string what = std::to_string(input.size()) + " bytes";
        const CodecRun whole = encodeWhole(input);
        const CodecRun to = encodeToSink(input);
        expectSame(to, whole, what + ", encodeTo");
        if (input.size() > 300'000 && whole.bytes[2] == 0x33) {
            EXPECT_LT(to.largestPiece, whole.bytes.size()) << what << " was not handed out in pieces";
        }
        if (input.size() < 1'000'000)
            expectSame(encodeInPieces(input, PieceSizes(1), PieceSizes(1)), whole, what + ", single bytes");
        const CodecRun mixed = encodeInPieces(input, PieceSizes(200'000, 13), PieceSizes(3000, 14));
        expectSame(mixed, whole, what + ", pieces");
        EXPECT_LE(mixed.largestPiece, kBounded) << what;
        expectSame(encodeInPieces(input, PieceSizes(kAll), PieceSizes(kAll)), whole, what + ", whole");
    }

    const std::string prefix = "clsHuffman.EncodeByte(): The data changed while it was read (";
    const Bytes input = skewedBytes(100'000, 15);
    const std::size_t n = input.size();
    const auto firstZero = std::find(input.begin(), input.end(), 0) - input.begin();
    const auto secondZero = std::find(input.begin() + firstZero + 1, input.end(), 0) - input.begin();
    Bytes shorter(input.begin(), input.end() - 1);
    Bytes longer = input;
    longer.push_back(0);
    // One value changed alters the checksum; two changed alike keep it but not the code lengths.
    Bytes one = input;
    one[firstZero] = 1;
    Bytes two = input;
    two[firstZero] = two[secondZero] = 5;
    // The values 1, 2, 3 and 4 get codes of 1, 2, 3 and 3 bits. A 1 that becomes 0 (a value without a code)
    // and a 2 that becomes 3 keep the checksum and the number of bits.
    Bytes counted(100, 1);
    counted.insert(counted.end(), 50, 2);
    counted.insert(counted.end(), 10, 3);
    counted.insert(counted.end(), 10, 4);
    Bytes uncoded = counted;
    uncoded[0] = 0;
    uncoded[100] = 3;
    struct Case {
        std::size_t size;
        const Bytes &first;
        const Bytes &second;
        std::string why;
    };
    const Case cases[] = {
        {n + 1, input, input, "the first reading gave " + std::to_string(n) + " of " + std::to_string(n + 1) + " bytes"},
        {n - 1, input, input, "the first reading gave more than " + std::to_string(n - 1) + " bytes"},
        {n, input, shorter, "the second reading gave " + std::to_string(n - 1) + " of " + std::to_string(n) + " bytes"},
        {n, input, longer, "the second reading gave more than " + std::to_string(n) + " bytes"},
        {n, input, one, "the second reading gave other bytes than the first"},
        {n, input, two, "the second reading gave other bytes than the first"},
        {counted.size(), counted, uncoded, "the second reading gave a byte value the first did not have"},
    };
    const auto changing = [](std::size_t announced, const Bytes &first, const Bytes &second) {
        return encodeInPieces(announced, first, second, PieceSizes(5000, 3), PieceSizes(5000, 4));
    };
    for (const Case &c : cases) {
        const CodecRun run = changing(c.size, c.first, c.second);
        EXPECT_EQ(run.error, prefix + c.why + ")");
        EXPECT_TRUE(run.events.empty() || run.events.back() != 100) << c.why;
    }

    // On two threads: a value without a code in the last byte, which the helper thread codes
    // unless it gets no CPU at all; and a sink that gives up while the helper codes.
    const Bytes big = uniformBytes(std::size_t{6} << 20, 17, 19);
    Bytes absent = big;
    absent.back() = 200;
    const CodecRun refused = encodeInPieces(big.size(), big, absent, PieceSizes(kAll), PieceSizes(kAll));
    EXPECT_EQ(refused.error, prefix + "the second reading gave a byte value the first did not have)");
    EXPECT_TRUE(refused.events.empty() || refused.events.back() != 100);
    // The same there with another value of the same code length: only the checksum tells.
    const Bytes table = encoded(big);
    const auto lengthOf = [&table](unsigned value) { return table[12 + 2 * value]; };
    unsigned alike = 0;
    while (alike < 17 && (alike == big.back() || lengthOf(alike) != lengthOf(big.back())))
        ++alike;
    ASSERT_LT(alike, 17u);
    Bytes other = big;
    other.back() = static_cast<std::uint8_t>(alike);
    EXPECT_EQ(encodeInPieces(big.size(), big, other, PieceSizes(kAll), PieceSizes(kAll)).error,
              prefix + "the second reading gave other bytes than the first)");
    std::size_t received = 0;
    const auto produceBig = [&big](int, const Huffman::Sink &consume) { consume(big.data(), big.size()); };
    const auto giveUp = [&received](const std::uint8_t *, std::size_t size) {
        if ((received += size) > std::size_t{1} << 20)
            throw std::runtime_error("disk full");
    };
    EXPECT_THROW(Huffman().encodeFrom(big.size(), produceBig, giveUp), std::runtime_error);

    // The stored form passes its second reading straight on, and still checks it.
    const Bytes same(50'000, 9);
    Bytes changed = same;
    changed[49'999] = 8;
    EXPECT_EQ(changing(same.size(), same, changed).error, prefix + "the second reading gave other bytes than the first)");
    Bytes sameLonger = same;
    sameLonger.push_back(9);
    EXPECT_EQ(changing(same.size(), same, sameLonger).error, prefix + "the second reading gave more than 50000 bytes)");

    // Refused before anything is read: a read would have found no bytes.
    EXPECT_EQ(changing(std::size_t{1} << 31, {}, {}).error,
              "clsHuffman.EncodeByte(): The data is too long (more than 2147483647 bytes)");
}
