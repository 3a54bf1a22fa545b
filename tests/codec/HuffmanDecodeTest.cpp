// Streams the encoder never writes: long and incomplete codes, broken headers and tables, and
// the errors each one must end in.

#include "codec/CodecTestSupport.h"

#include <gtest/gtest.h>

#include <random>

using namespace fendrel;
using namespace fendrel::test;

namespace {

const Bytes kAb = {0x48, 0x45, 0x33, 0x0D, 0x03, 0x02, 0x00, 0x00, 0x00, 0x02, 0x00, 0x61, 0x01, 0x62, 0x01, 0x02, 0x02};

Bytes patched(Bytes stream, std::size_t at, const Bytes &with)
{
    std::copy(with.begin(), with.end(), stream.begin() + static_cast<std::ptrdiff_t>(at));
    return stream;
}

Bytes prefix(const Bytes &stream, std::size_t size)
{
    return Bytes(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(size));
}

// Decodes and returns the error; fails the test when there is none.
HuffmanError decodeError(const Bytes &stream, std::vector<std::int16_t> *events = nullptr)
{
    Huffman codec;
    ProgressLog log(codec);
    Bytes buffer = stream;
    try {
        codec.decodeByte(buffer, static_cast<std::int32_t>(buffer.size()));
    } catch (const HuffmanError &error) {
        EXPECT_EQ(buffer, stream);
        if (events)
            *events = log.events;
        return error;
    }
    ADD_FAILURE() << "decoded without an error";
    return HuffmanError("", "");
}

std::string ones(std::size_t count, char last = '\0')
{
    std::string code(count, '1');
    if (last)
        code += last;
    return code;
}

} // namespace

TEST(HuffmanDecode, CodesUpTo255BitsLong)
{
    // Value v < 255 has v ones and a zero, value 255 has 255 ones: a complete code of 256 values
    // in 511 nodes, with every length from 1 to 255.
    std::vector<std::pair<std::uint8_t, std::string>> codes;
    for (int v = 0; v < 255; ++v)
        codes.emplace_back(static_cast<std::uint8_t>(v), ones(static_cast<std::size_t>(v), '0'));
    codes.emplace_back(255, ones(255));
    const Bytes message = uniformBytes(3000, 256, 21);
    const Bytes stream = handBuiltStream(codes, message);
    const ReferenceResult result = runDecode(stream);
    expectSame(result, referenceDecode(stream), "long codes");
    EXPECT_TRUE(result.bytes == message);

    // Sixteen 16-bit codes behind a shared 12-bit prefix: no code fits the decoding table.
    codes.clear();
    for (int v = 0; v < 16; ++v) {
        std::string code(12, '0');
        for (int bit = 0; bit < 4; ++bit)
            code += (v >> bit) & 1 ? '1' : '0';
        codes.emplace_back(static_cast<std::uint8_t>(v), code);
    }
    const Bytes deep = uniformBytes(5000, 16, 22);
    const ReferenceResult deepResult = runDecode(handBuiltStream(codes, deep));
    EXPECT_TRUE(deepResult.bytes == deep);
}

TEST(HuffmanDecode, RefusesBrokenHeadersAndTables)
{
    const std::string twoLongCodes[] = {std::string(255, '0'), ones(255)};
    struct Case {
        const char *what;
        Bytes stream;
        std::string description;
    };
    const Case cases[] = {
        {"header cut short", prefix(kAb, 10), "stream ends inside its header"},
        {"negative length", patched(kAb, 5, {0xFF, 0xFF, 0xFF, 0xFF}), "negative uncompressed length"},
        {"no values", patched(kAb, 9, {0x00, 0x00}), "number of byte values out of range"},
        {"257 values", patched(kAb, 9, {0x01, 0x01}), "number of byte values out of range"},
        {"-1 values", patched(kAb, 9, {0xFF, 0xFF}), "number of byte values out of range"},
        {"pairs cut short", prefix(kAb, 13), "stream ends inside its code table"},
        {"table bits missing", prefix(kAb, 15), "stream ends inside its code table"},
        {"values descending", patched(kAb, 11, {0x62, 0x01, 0x61, 0x01}), "byte values of the code table out of order"},
        {"value twice", patched(kAb, 11, {0x61, 0x01, 0x61, 0x01}), "byte values of the code table out of order"},
        {"length 0", patched(kAb, 11, {0x61, 0x00, 0x62, 0x01}), "code length of 0"},
        {"same code twice", handBuiltStream({{'a', "0"}, {'b', "0"}}, bytesOf("ab")), "code table is not a prefix code"},
        {"code through a leaf", handBuiltStream({{'a', "0"}, {'b', "01"}}, bytesOf("ab")), "code table is not a prefix code"},
        {"code ends at a branch", handBuiltStream({{'a', "01"}, {'b', "0"}}, bytesOf("ab")), "code table is not a prefix code"},
        {"513 nodes",
         handBuiltStream({{'a', twoLongCodes[0]}, {'b', twoLongCodes[1]}, {'c', "01"}, {'d', "001"}}, bytesOf("abcd")),
         "code tree larger than 512 nodes"},
        {"length beyond the data", patched(kAb, 5, {0x09}), "uncompressed length larger than the data can hold"},
    };
    for (const Case &c : cases) {
        std::vector<std::int16_t> events;
        const HuffmanError error = decodeError(c.stream, &events);
        EXPECT_EQ(error.number(), -2147221504) << c.what;
        EXPECT_EQ(error.source(), "HuffmanDecode()") << c.what;
        EXPECT_EQ(error.description(), "The data is corrupt (" + c.description + ")") << c.what;
        EXPECT_TRUE(events.empty()) << c.what;
        EXPECT_EQ(static_cast<int>(referenceDecode(c.stream).outcome),
                  static_cast<int>(ReferenceResult::Outcome::Malformed))
            << c.what;
    }

    // The same limits, just met: 512 nodes, and 8 values in the single data byte.
    const Bytes fullTree = bytesOf("abcab");
    EXPECT_TRUE(runDecode(handBuiltStream({{'a', twoLongCodes[0]}, {'b', twoLongCodes[1]}, {'c', "01"}}, fullTree)).bytes
                == fullTree);
    EXPECT_EQ(runDecode(patched(kAb, 5, {0x08})).bytes, bytesOf("abaaaaaa"));
}

TEST(HuffmanDecode, IncompleteCodesWorkUntilAWalkLeavesTheTree)
{
    // One value with a one-bit code: zeros decode, a one has nowhere to go.
    const Bytes stream = handBuiltStream({{'a', "0"}}, bytesOf("aaa"));
    EXPECT_EQ(runDecode(stream).bytes, bytesOf("aaa"));
    const HuffmanError error = decodeError(patched(stream, stream.size() - 1, {0x02}));
    EXPECT_EQ(error.source(), "HuffmanDecode()");
    EXPECT_EQ(error.description(), "The data is corrupt (a code leads outside the code tree)");
    // Bits after the last value are not walked.
    EXPECT_EQ(runDecode(patched(stream, stream.size() - 1, {0x08})).bytes, bytesOf("aaa"));

    // A walk that fails on the first bit after a checkpoint byte reports that checkpoint
    // (10000 / 20000 x 89 = 44.5, rounded to 44); one that fails on the byte's last bit does not.
    // The 3-bit code makes the failing walk start before the checkpoint in both cases.
    const std::size_t dataStart = 14;
    const Bytes zeros = handBuiltStream({{'a', "000"}}, Bytes(8 * (20000 - dataStart) / 3, 'a'));
    ASSERT_EQ(zeros.size(), 20000u);
    for (int lastBitOfCheckpointByte : {0, 1}) {
        Bytes broken = zeros;
        broken[10000 - lastBitOfCheckpointByte] = lastBitOfCheckpointByte ? 0x80 : 0x01;
        const ReferenceResult result = runDecode(broken);
        expectSame(result, referenceDecode(broken), "checkpoint byte");
        EXPECT_EQ(static_cast<int>(result.outcome), static_cast<int>(ReferenceResult::Outcome::Malformed));
        EXPECT_EQ(result.progress, lastBitOfCheckpointByte ? std::vector<std::int16_t>{} : std::vector<std::int16_t>{44});
    }
}

TEST(HuffmanDecode, BrokenCodesAnywhereInARegion)
{
    // Table decoding runs two lanes over the first 16384 bits here, from the start and from bit
    // 8192, which is out of step with these 3-bit codes. One bit set in the data breaks the walk
    // there, whichever lane meets it first.
    const Bytes zeros = handBuiltStream({{'a', "000"}}, Bytes(20000, 'a'));
    const std::size_t dataStart = 14;
    for (std::size_t bit = 0; bit < 8 * (zeros.size() - dataStart); ++bit) {
        const bool nearLaneStart = bit % 8192 < 160 || bit % 8192 > 8192 - 160;
        if (!nearLaneStart && bit % 997 != 0)
            continue;
        Bytes broken = zeros;
        broken[dataStart + bit / 8] = static_cast<std::uint8_t>(1 << (bit % 8));
        expectSame(runDecode(broken), referenceDecode(broken), "bit " + std::to_string(bit));
    }
    // Two broken bits: the second lane stops at once, the first meets the earlier one alone.
    Bytes twice = zeros;
    twice[dataStart + 8200 / 8] = 1;
    twice[dataStart + 8096 / 8] = 1;
    expectSame(runDecode(twice), referenceDecode(twice), "two bits");
}

TEST(HuffmanDecode, IdentificationAndChecksumErrors)
{
    const std::string identification =
        "The data either was not compressed with HE3 or is corrupt (identification string not found)";
    for (const Bytes &stream : {patched(kAb, 2, {0x35}), patched(kAb, 0, {0x58}), patched(kAb, 1, {0x58}),
                                patched(kAb, 3, {0x0A}), bytesOf("HE3"), Bytes{}}) {
        const HuffmanError error = decodeError(stream);
        EXPECT_EQ(error.number(), -2147221504);
        EXPECT_EQ(error.source(), "HuffmanDecode()");
        EXPECT_EQ(error.description(), identification);
    }

    std::vector<std::int16_t> events;
    const HuffmanError error = decodeError(patched(kAb, 4, {0x04}), &events);
    EXPECT_EQ(error.number(), -2147221504);
    EXPECT_EQ(error.source(), "clsHuffman.Decode()");
    EXPECT_EQ(error.description(), "The data might be corrupted (checksum did not match expected value)");
    EXPECT_STREQ(error.what(), "The data might be corrupted (checksum did not match expected value)");
    EXPECT_EQ(events, std::vector<std::int16_t>{89});
}

TEST(HuffmanDecode, ShortDataAndZeroLength)
{
    // Length 0 in the Huffman form: nothing to decode, nothing reported.
    const ReferenceResult empty = runDecode(patched(kAb, 5, {0x00}));
    EXPECT_TRUE(empty.bytes.empty());
    EXPECT_TRUE(empty.progress.empty());

    // A declared length beyond what the data holds gives what the data holds, when that passes
    // the checksum: "aabbbc" with b = 0 leaves seven more b in its zero fill.
    Bytes stream = handBuiltStream({{'a', "10"}, {'b', "0"}, {'c', "11"}}, bytesOf("aabbbc"));
    stream = patched(stream, 4, {static_cast<std::uint8_t>(stream[4] ^ 'b'), 16});
    const ReferenceResult result = runDecode(stream);
    expectSame(result, referenceDecode(stream), "short data");
    EXPECT_EQ(result.bytes, bytesOf("aabbbcbbbbbbb"));
}

TEST(HuffmanDecode, LengthArgumentsSelectThePartOfTheBuffer)
{
    Huffman codec;
    Bytes buffer = bytesOf("abXYZ");
    codec.encodeByte(buffer, 2);
    EXPECT_EQ(buffer, kAb);
    buffer.push_back(0x77);
    codec.decodeByte(buffer, static_cast<std::int32_t>(kAb.size()));
    EXPECT_EQ(buffer, bytesOf("ab"));

    for (std::int32_t wrong : {-1, 3}) {
        try {
            codec.encodeByte(buffer, wrong);
            ADD_FAILURE() << "encoded with length " << wrong;
        } catch (const HuffmanError &error) {
            EXPECT_EQ(error.source(), "clsHuffman.EncodeByte()");
            EXPECT_EQ(error.description(), "The length " + std::to_string(wrong) + " does not fit a buffer of 2 bytes");
        }
        EXPECT_THROW(codec.decodeByte(buffer, wrong), HuffmanError);
        EXPECT_EQ(buffer, bytesOf("ab"));
    }
}
