// Streams worked out by hand from the format, independent of the reference codec.

#include "codec/CodecTestSupport.h"

#include <gtest/gtest.h>

using namespace fendrel;
using namespace fendrel::test;

namespace {

const Bytes kStoredId = {0x48, 0x45, 0x30, 0x0D};

Bytes encoded(const Bytes &input)
{
    return runEncode(input).bytes;
}

} // namespace

TEST(HuffmanFormat, EmptyAndSingleValueInputsAreStored)
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
}

TEST(HuffmanFormat, TwoBytesGiveTheSeventeenByteStream)
{
    const Bytes expected = kAbStream;
    const ReferenceResult stream = runEncode(bytesOf("ab"));
    EXPECT_EQ(stream.bytes, expected);
    EXPECT_EQ(stream.progress, (std::vector<std::int16_t>{7, 12, 100}));
    const ReferenceResult back = runDecode(expected);
    EXPECT_EQ(back.bytes, bytesOf("ab"));
    EXPECT_EQ(back.progress, (std::vector<std::int16_t>{89, 100}));

    Huffman codec;
    const std::string text = codec.encodeString("ab");
    EXPECT_EQ(text, std::string(expected.begin(), expected.end()));
    EXPECT_EQ(codec.decodeString(text), "ab");
}

TEST(HuffmanFormat, CandidateRulesDecideTheTree)
{
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
