// Streams worked out by hand from the format, independent of the reference codec; and streams the
// encoder never writes: long and incomplete codes, broken headers and tables, and the errors each
// one must end in.

#include "codec/CodecTestSupport.h"

#include <gtest/gtest.h>

#include <random>

using namespace fendrel;
using namespace fendrel::test;

namespace {

const Bytes &kAb = kAbStream;

Bytes patched(Bytes stream, std::size_t at, const Bytes &with)
{
    std::copy(with.begin(), with.end(), stream.begin() + static_cast<std::ptrdiff_t>(at));
    return stream;
}

Bytes prefix(const Bytes &stream, std::size_t size)
{
    return Bytes(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(size));
}

const std::string kCorrupt = "HuffmanDecode(): The data is corrupt (";

const Bytes kStoredId = {0x48, 0x45, 0x30, 0x0D};

Bytes encoded(const Bytes &input)
{
    return runEncode(input).bytes;
}

} // namespace

TEST(HuffmanFormat, StoredInputsTheTwoByteStreamAndTheCandidateRulesOfTheTree)
{
    const ReferenceResult empty = runEncode({});
    EXPECT_EQ(empty.bytes, kStoredId);
    EXPECT_TRUE(empty.progress.empty());
    const ReferenceResult emptyBack = runDecode(kStoredId);
    EXPECT_TRUE(emptyBack.bytes.empty());
    EXPECT_TRUE(emptyBack.progress.empty());

    for (std::size_t size : {1u, 2u, 25000u}) {
        const Bytes input(size, 0xFF);
        Bytes expected = kStoredId;
        expected.insert(expected.end(), input.begin(), input.end());
        const ReferenceResult stream = runEncode(input);
        EXPECT_EQ(stream.bytes, expected) << size;
        // Counting reports its progress before the form is chosen; the stored form adds nothing.
        const std::vector<std::int16_t> counting = {1, 2, 3, 4, 5, 6, 7};
        EXPECT_EQ(stream.progress, size == 25000 ? counting : std::vector<std::int16_t>());
        const ReferenceResult back = runDecode(expected);
        EXPECT_EQ(back.bytes, input);
        EXPECT_TRUE(back.progress.empty());
    }

    // The stored form carries no checksum, so any content decodes.
    EXPECT_EQ(runDecode({0x48, 0x45, 0x30, 0x0D, 0x00, 0x33}).bytes, (Bytes{0x00, 0x33}));

    // Two bytes give the seventeen-byte stream.
    const ReferenceResult stream = runEncode(bytesOf("ab"));
    EXPECT_EQ(stream.bytes, kAbStream);
    EXPECT_EQ(stream.progress, (std::vector<std::int16_t>{7, 12, 100}));
    const ReferenceResult back = runDecode(kAbStream);
    EXPECT_EQ(back.bytes, bytesOf("ab"));
    EXPECT_EQ(back.progress, (std::vector<std::int16_t>{89, 100}));

    Huffman codec;
    const std::string text = codec.encodeString("ab");
    EXPECT_EQ(text, std::string(kAbStream.begin(), kAbStream.end()));
    EXPECT_EQ(codec.decodeString(text), "ab");

    // a, b, c once each: a and b merge first, then c (lower index) with their node.
    // Codes c = 0, a = 10, b = 11.
    EXPECT_EQ(encoded(bytesOf("abc")),
              (Bytes{0x48, 0x45, 0x33, 0x0D, 0x60, 0x03, 0x00, 0x00, 0x00, 0x03, 0x00,
                     0x61, 0x02, 0x62, 0x02, 0x63, 0x01, 0x0D, 0x0D}));
    // a = 2, b = 3, c = 1: c replaces the heavier candidate b and is not moved before a, so
    // a is left and c right. Codes b = 0, a = 10, c = 11.
    EXPECT_EQ(encoded(bytesOf("aabbbc")),
              (Bytes{0x48, 0x45, 0x33, 0x0D, 0x01, 0x06, 0x00, 0x00, 0x00, 0x03, 0x00,
                     0x61, 0x02, 0x62, 0x01, 0x63, 0x02, 0x19, 0x85, 0x01}));
    // a = 3, b = 2, c = 1: candidate 1 is not lighter than candidate 2, so c replaces a.
    // Codes a = 0, c = 10, b = 11.
    EXPECT_EQ(encoded(bytesOf("aaabbc")),
              (Bytes{0x48, 0x45, 0x33, 0x0D, 0x02, 0x06, 0x00, 0x00, 0x00, 0x03, 0x00,
                     0x61, 0x01, 0x62, 0x02, 0x63, 0x02, 0x0E, 0xF8, 0x00}));
}

TEST(HuffmanDecode, CodesUpTo255BitsLongAndBrokenCodesAnywhereInARegion)
{
    // A complete code of 256 values in 511 nodes, with every length from 1 to 255.
    const Bytes message = uniformBytes(3000, 256, 21);
    const Bytes stream = longCodeStream(message);
    const ReferenceResult result = runDecode(stream);
    expectSame(result, referenceDecode(stream), "long codes");
    EXPECT_TRUE(result.bytes == message);

    // Sixteen 16-bit codes behind a shared 12-bit prefix: no code fits the decoding table.
    std::vector<std::pair<std::uint8_t, std::string>> codes;
    for (int v = 0; v < 16; ++v) {
        std::string code(12, '0');
        for (int bit = 0; bit < 4; ++bit)
            code += (v >> bit) & 1 ? '1' : '0';
        codes.emplace_back(static_cast<std::uint8_t>(v), code);
    }
    const Bytes deep = uniformBytes(5000, 16, 22);
    const ReferenceResult deepResult = runDecode(handBuiltStream(codes, deep));
    EXPECT_TRUE(deepResult.bytes == deep);

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

TEST(HuffmanDecode, RefusesBrokenStreamsAndLengthsWithTheirOwnError)
{
    const std::string twoLongCodes[] = {std::string(255, '0'), std::string(255, '1')};
    const std::string notHe3 = "HuffmanDecode(): The data either was not compressed with HE3 or is corrupt "
                               "(identification string not found)";
    struct Case {
        const char *what;
        Bytes stream;
        std::string error;
    };
    const Case cases[] = {
        {"header cut short", prefix(kAb, 10), kCorrupt + "stream ends inside its header)"},
        {"negative length", patched(kAb, 5, {0xFF, 0xFF, 0xFF, 0xFF}), kCorrupt + "negative uncompressed length)"},
        {"no values", patched(kAb, 9, {0x00, 0x00}), kCorrupt + "number of byte values out of range)"},
        {"257 values", patched(kAb, 9, {0x01, 0x01}), kCorrupt + "number of byte values out of range)"},
        {"-1 values", patched(kAb, 9, {0xFF, 0xFF}), kCorrupt + "number of byte values out of range)"},
        {"pairs cut short", prefix(kAb, 13), kCorrupt + "stream ends inside its code table)"},
        {"table bits missing", prefix(kAb, 15), kCorrupt + "stream ends inside its code table)"},
        {"values descending", patched(kAb, 11, {0x62, 0x01, 0x61, 0x01}), kCorrupt + "byte values of the code table out of order)"},
        {"value twice", patched(kAb, 11, {0x61, 0x01, 0x61, 0x01}), kCorrupt + "byte values of the code table out of order)"},
        {"length 0", patched(kAb, 11, {0x61, 0x00, 0x62, 0x01}), kCorrupt + "code length of 0)"},
        {"same code twice", handBuiltStream({{'a', "0"}, {'b', "0"}}, bytesOf("ab")), kCorrupt + "code table is not a prefix code)"},
        {"code through a leaf", handBuiltStream({{'a', "0"}, {'b', "01"}}, bytesOf("ab")), kCorrupt + "code table is not a prefix code)"},
        {"code ends at a branch", handBuiltStream({{'a', "01"}, {'b', "0"}}, bytesOf("ab")), kCorrupt + "code table is not a prefix code)"},
        {"513 nodes",
         handBuiltStream({{'a', twoLongCodes[0]}, {'b', twoLongCodes[1]}, {'c', "01"}, {'d', "001"}}, bytesOf("abcd")),
         kCorrupt + "code tree larger than 512 nodes)"},
        {"length beyond the data", patched(kAb, 5, {0x09}), kCorrupt + "uncompressed length larger than the data can hold)"},
        {"stored id", patched(kAb, 2, {0x35}), notHe3},
        {"first id byte", patched(kAb, 0, {0x58}), notHe3},
        {"second id byte", patched(kAb, 1, {0x58}), notHe3},
        {"LF for CR", patched(kAb, 3, {0x0A}), notHe3},
        {"id cut short", bytesOf("HE3"), notHe3},
        {"nothing", Bytes{}, notHe3},
        {"checksum", patched(kAb, 4, {0x04}),
         "clsHuffman.Decode(): The data might be corrupted (checksum did not match expected value)"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(decodeWhole(c.stream).error, c.error) << c.what;
        // The reference agrees on the outcome and on the events before it: none, but the
        // checksum's 89.
        expectSame(runDecode(c.stream), referenceDecode(c.stream), c.what);
    }

    // The same limits, just met: 512 nodes, and 8 values in the single data byte.
    const Bytes fullTree = bytesOf("abcab");
    EXPECT_TRUE(runDecode(handBuiltStream({{'a', twoLongCodes[0]}, {'b', twoLongCodes[1]}, {'c', "01"}}, fullTree)).bytes
                == fullTree);
    EXPECT_EQ(runDecode(patched(kAb, 5, {0x08})).bytes, bytesOf("abaaaaaa"));

    // The length arguments select the part of the buffer.
    Huffman codec;
    Bytes buffer = bytesOf("abXYZ");
    codec.encodeByte(buffer, 2);
    EXPECT_EQ(buffer, kAb);
    buffer.push_back(0x77);
    codec.decodeByte(buffer, static_cast<std::int32_t>(kAb.size()));
    EXPECT_EQ(buffer, bytesOf("ab"));

    for (std::int32_t wrong : {-1, 3}) {
        const CodecRun run = runCodec([&](Huffman &c, CodecRun &) { c.encodeByte(buffer, wrong); });
        EXPECT_EQ(run.error, "clsHuffman.EncodeByte(): The length " + std::to_string(wrong) + " does not fit a buffer of 2 bytes");
        EXPECT_THROW(codec.decodeByte(buffer, wrong), HuffmanError);
        EXPECT_EQ(buffer, bytesOf("ab"));
    }
}

TEST(HuffmanDecode, IncompleteCodesWorkUntilAWalkLeavesTheTreeAndShortDataGivesWhatItHolds)
{
    // One value with a one-bit code: zeros decode, a one has nowhere to go.
    const Bytes stream = handBuiltStream({{'a', "0"}}, bytesOf("aaa"));
    EXPECT_EQ(runDecode(stream).bytes, bytesOf("aaa"));
    EXPECT_EQ(decodeWhole(patched(stream, stream.size() - 1, {0x02})).error, kCorrupt + "a code leads outside the code tree)");
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

    // Length 0 in the Huffman form: nothing to decode, nothing reported.
    const ReferenceResult empty = runDecode(patched(kAb, 5, {0x00}));
    EXPECT_TRUE(empty.bytes.empty());
    EXPECT_TRUE(empty.progress.empty());

    // A declared length beyond what the data holds gives what the data holds, when that passes
    // the checksum: "aabbbc" with b = 0 leaves seven more b in its zero fill.
    Bytes shortData = handBuiltStream({{'a', "10"}, {'b', "0"}, {'c', "11"}}, bytesOf("aabbbc"));
    shortData = patched(shortData, 4, {static_cast<std::uint8_t>(shortData[4] ^ 'b'), 16});
    const ReferenceResult fill = runDecode(shortData);
    expectSame(fill, referenceDecode(shortData), "short data");
    EXPECT_EQ(fill.bytes, bytesOf("aabbbcbbbbbbb"));
}

