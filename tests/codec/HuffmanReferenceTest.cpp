// The codec against the slow reference: same stream bytes, same decoded bytes, same progress
// events, for inputs of many shapes and sizes around the progress checkpoints, and for the streams
// kept from fuzzing and by hand in tests/data/he3, whose names start with the outcome their decode
// must have: done-, checksum-, malformed- or identification-.

#include "codec/CodecTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>
#include <random>

using namespace fendrel;
using namespace fendrel::test;
namespace fs = std::filesystem;

namespace {

void expectRoundTripLikeReference(const Bytes &input, const std::string &what)
{
    const ReferenceResult stream = runEncode(input);
    expectSame(stream, referenceEncode(input), what + " encode");
    const ReferenceResult back = runDecode(stream.bytes);
    expectSame(back, referenceDecode(stream.bytes), what + " decode");
    EXPECT_TRUE(back.bytes == input) << what;
}

int longestCode(const Bytes &stream)
{
    int longest = 0;
    const int k = stream[9] | stream[10] << 8;
    for (int i = 0; i < k; ++i)
        longest = std::max<int>(longest, stream[12 + 2 * i]);
    return longest;
}

} // namespace

TEST(HuffmanReference, RandomInputsOfManyShapesAndTheProgressOfALargeOne)
{
    const std::size_t sizes[] = {1, 2, 3, 7, 8, 9, 15, 16, 17, 999, 1000, 1001, 4096, 9999, 10000, 10001, 20001, 65536, 123457};
    std::uint32_t seed = 1;
    for (std::size_t size : sizes) {
        expectRoundTripLikeReference(uniformBytes(size, 2, seed++), "2 values, " + std::to_string(size));
        expectRoundTripLikeReference(uniformBytes(size, 17, seed++), "17 values, " + std::to_string(size));
        expectRoundTripLikeReference(uniformBytes(size, 256, seed++), "256 values, " + std::to_string(size));
        expectRoundTripLikeReference(skewedBytes(size, seed++), "skewed, " + std::to_string(size));
    }
    expectRoundTripLikeReference(fibonacciBytes(25, 0), "sorted Fibonacci");
    // Codes longer than 32 bits.
    const Bytes longCodes = fibonacciBytes(34, 5);
    EXPECT_EQ(longestCode(runEncode(longCodes).bytes), 33);
    expectRoundTripLikeReference(longCodes, "34 Fibonacci values");

    // Large enough to be counted and coded on two threads, whose shares meet inside codes.
    const Bytes input = skewedBytes((std::size_t{5} << 20) + 77777, 9);
    const ReferenceResult stream = runEncode(input);
    expectSame(stream, referenceEncode(input), "encode");
    // Counting climbs to 7, the checksum to 12, coding to 100: with this many checkpoints every
    // percent appears once.
    std::vector<std::int16_t> everyPercent(100);
    std::iota(everyPercent.begin(), everyPercent.end(), std::int16_t{1});
    EXPECT_EQ(stream.progress, everyPercent);

    const ReferenceResult back = runDecode(stream.bytes);
    expectSame(back, referenceDecode(stream.bytes), "decode");
    ASSERT_GE(back.progress.size(), 12u);
    EXPECT_TRUE(std::is_sorted(back.progress.begin(), back.progress.end()));
    EXPECT_EQ(std::vector<std::int16_t>(back.progress.end() - 12, back.progress.end()),
              std::vector<std::int16_t>(everyPercent.end() - 12, everyPercent.end()));
}

TEST(HuffmanReference, DecodeReportsCheckpointsOnlyForBytesItFinishedAndDamageAsTheReferenceDoes)
{
    // Every value equally often gives 8-bit codes, so value i ends exactly with data byte i and
    // the declared length decides in which byte the decode stops. The data takes exactly as many
    // bytes as the input, so the Huffman form is written although header and table make it larger.
    Bytes input(25600);
    for (std::size_t i = 0; i < input.size(); ++i)
        input[i] = static_cast<std::uint8_t>(i);
    const Bytes stream = runEncode(input).bytes;
    const std::size_t dataStart = 11 + 512 + 256;
    ASSERT_EQ(stream.size(), dataStart + input.size());
    const double size = static_cast<double>(stream.size());
    const auto checkpoint = static_cast<std::int16_t>(std::nearbyint(10000 / size * 89));

    for (std::size_t length : {std::size_t{1}, 10000 - dataStart - 1, 10000 - dataStart, 10000 - dataStart + 1,
                               20000 - dataStart, 20000 - dataStart + 1, input.size() - 1, input.size(),
                               input.size() + 1, 8 * input.size()}) {
        Bytes variant = stream;
        for (int i = 0; i < 4; ++i)
            variant[5 + i] = static_cast<std::uint8_t>(length >> (8 * i));
        std::uint8_t checksum = 0;
        for (std::size_t i = 0; i < std::min(length, input.size()); ++i)
            checksum ^= input[i];
        variant[4] = checksum;
        const ReferenceResult result = runDecode(variant);
        const std::string what = "length " + std::to_string(length);
        expectSame(result, referenceDecode(variant), what);
        ASSERT_EQ(static_cast<int>(result.outcome), static_cast<int>(ReferenceResult::Outcome::Done)) << what;
        EXPECT_EQ(result.bytes.size(), std::min(length, input.size())) << what;
        const bool passedFirst = std::find(result.progress.begin(), result.progress.end(), checkpoint)
                                 != result.progress.end();
        EXPECT_EQ(passedFirst, length > 10000 - dataStart) << what;
    }

    // Every truncation and every single bit flip of a small stream, and random flips in a stream
    // that spans several checkpoints: each either fails or decodes to bytes that passed the
    // checksum, exactly as the reference does, with the same progress up to that point.
    const Bytes small = runEncode(skewedBytes(700, 3)).bytes;
    for (std::size_t kept = 0; kept < small.size(); ++kept) {
        const Bytes cut(small.begin(), small.begin() + static_cast<std::ptrdiff_t>(kept));
        expectSame(runDecode(cut), referenceDecode(cut), "cut to " + std::to_string(kept));
    }
    for (std::size_t bit = 0; bit < 8 * small.size(); ++bit) {
        Bytes flipped = small;
        flipped[bit / 8] ^= static_cast<std::uint8_t>(1 << (bit % 8));
        expectSame(runDecode(flipped), referenceDecode(flipped), "bit " + std::to_string(bit));
    }

    const Bytes large = runEncode(uniformBytes(60000, 200, 4)).bytes;
    std::mt19937 random(11);
    for (int i = 0; i < 300; ++i) {
        Bytes flipped = large;
        const std::size_t bit = random() % (8 * large.size());
        flipped[bit / 8] ^= static_cast<std::uint8_t>(1 << (bit % 8));
        expectSame(runDecode(flipped), referenceDecode(flipped), "large, bit " + std::to_string(bit));
    }
}

TEST(He3Corpus, SavedStreamsDecodeLikeTheReference)
{
    const std::pair<const char *, ReferenceResult::Outcome> prefixes[] = {
        {"done-", ReferenceResult::Outcome::Done},
        {"checksum-", ReferenceResult::Outcome::Checksum},
        {"malformed-", ReferenceResult::Outcome::Malformed},
        {"identification-", ReferenceResult::Outcome::Identification},
    };
    int files = 0;
    for (const auto &entry : fs::directory_iterator(FENDREL_HE3_CORPUS)) {
        const std::string name = entry.path().filename().string();
        std::ifstream in(entry.path(), std::ios::binary);
        const Bytes stream{std::istreambuf_iterator<char>(in), {}};
        const ReferenceResult result = runDecode(stream);
        expectSame(result, referenceDecode(stream), name);
        const CodecRun whole = decodeWhole(stream);
        expectSame(decodeInPieces(stream, PieceSizes(1)), whole, name + ", single bytes");
        expectSame(decodeInPieces(stream, PieceSizes(9, 1)), whole, name + ", pieces");
        const auto *prefix = std::find_if(std::begin(prefixes), std::end(prefixes),
                                          [&name](const auto &p) { return name.starts_with(p.first); });
        if (prefix == std::end(prefixes)) {
            ADD_FAILURE() << name << ": the name does not say the expected outcome";
            continue;
        }
        EXPECT_EQ(static_cast<int>(result.outcome), static_cast<int>(prefix->second)) << name;
        ++files;
    }
    EXPECT_GT(files, 0) << "no streams in " << FENDREL_HE3_CORPUS;
}
