#include "codec/CodecTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

namespace fendrel::test {

ReferenceResult runEncode(const Bytes &input)
{
    const CodecRun run = encodeWhole(input);
    EXPECT_EQ(run.error, "");
    return {ReferenceResult::Outcome::Done, run.bytes, run.events};
}

namespace {

ReferenceResult::Outcome outcomeOf(const std::string &error)
{
    if (error.empty())
        return ReferenceResult::Outcome::Done;
    if (error.starts_with("HuffmanDecode(): The data either was not compressed with HE3"))
        return ReferenceResult::Outcome::Identification;
    if (error.starts_with("clsHuffman.Decode(): The data might be corrupted (checksum"))
        return ReferenceResult::Outcome::Checksum;
    EXPECT_TRUE(error.starts_with("HuffmanDecode(): The data is corrupt (")) << error;
    return ReferenceResult::Outcome::Malformed;
}

} // namespace

ReferenceResult runDecode(const Bytes &stream)
{
    const CodecRun run = decodeWhole(stream);
    return {outcomeOf(run.error), run.error.empty() ? run.bytes : Bytes{}, run.events};
}

void expectSame(const ReferenceResult &actual, const ReferenceResult &expected, const std::string &what)
{
    EXPECT_EQ(static_cast<int>(actual.outcome), static_cast<int>(expected.outcome)) << what;
    EXPECT_TRUE(actual.bytes == expected.bytes) << what << ": " << actual.bytes.size() << " bytes, expected "
                                                << expected.bytes.size();
    EXPECT_EQ(actual.progress, expected.progress) << what;
}

void expectSame(const CodecRun &actual, const CodecRun &expected, const std::string &what)
{
    EXPECT_EQ(actual.error, expected.error) << what;
    if (expected.error.empty()) {
        EXPECT_TRUE(actual.bytes == expected.bytes) << what << ": " << actual.bytes.size() << " bytes, expected "
                                                    << expected.bytes.size();
    }
    EXPECT_EQ(actual.events, expected.events) << what;
}

namespace {

Huffman::Sink collector(CodecRun &run)
{
    return [&run](const std::uint8_t *bytes, std::size_t size) {
        EXPECT_GT(size, 0u) << "an empty piece";
        run.bytes.insert(run.bytes.end(), bytes, bytes + size);
        run.largestPiece = std::max(run.largestPiece, size);
    };
}

} // namespace

CodecRun decodeWhole(const Bytes &stream)
{
    return runCodec([&stream](Huffman &codec, CodecRun &run) {
        run.bytes = stream;
        try {
            codec.decodeByte(run.bytes, static_cast<std::int32_t>(stream.size()));
        } catch (const HuffmanError &) {
            EXPECT_EQ(run.bytes, stream) << "a failed decode changed the caller's buffer";
            throw;
        }
    });
}

CodecRun decodeInPieces(const Bytes &stream, PieceSizes pieces, std::optional<std::size_t> announced)
{
    return runCodec([&](Huffman &codec, CodecRun &run) {
        std::size_t at = 0;
        codec.decodeFrom(announced.value_or(stream.size()), [&](std::uint8_t *buffer, std::size_t capacity) {
            const std::size_t size = pieces.next(std::min(capacity, stream.size() - at));
            std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(at), size, buffer);
            at += size;
            return size;
        }, collector(run));
    });
}

CodecRun encodeWhole(const Bytes &input)
{
    return runCodec([&input](Huffman &codec, CodecRun &run) {
        run.bytes = input;
        codec.encodeByte(run.bytes, static_cast<std::int32_t>(input.size()));
    });
}

CodecRun encodeToSink(const Bytes &input)
{
    return runCodec([&input](Huffman &codec, CodecRun &run) { codec.encodeTo(input.data(), input.size(), collector(run)); });
}

CodecRun encodeInPieces(std::size_t announced, const Bytes &first, const Bytes &second, PieceSizes firstPieces,
                        PieceSizes secondPieces)
{
    return runCodec([&](Huffman &codec, CodecRun &run) {
        codec.encodeFrom(announced, [&](int pass, const Huffman::Sink &consume) {
            const Bytes &input = pass == 0 ? first : second;
            PieceSizes &pieces = pass == 0 ? firstPieces : secondPieces;
            for (std::size_t at = 0; at < input.size();) {
                const std::size_t size = pieces.next(input.size() - at);
                consume(input.data() + at, size);
                at += size;
            }
        }, collector(run));
    });
}

Bytes uniformBytes(std::size_t size, unsigned alphabet, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<unsigned> pick(0, alphabet - 1);
    Bytes bytes(size);
    for (auto &b : bytes)
        b = static_cast<std::uint8_t>(pick(random));
    return bytes;
}

Bytes skewedBytes(std::size_t size, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::geometric_distribution<unsigned> pick(0.5);
    Bytes bytes(size);
    for (auto &b : bytes)
        b = static_cast<std::uint8_t>(std::min(pick(random), 255u));
    return bytes;
}

Bytes fibonacciBytes(int symbols, std::uint32_t seed)
{
    Bytes bytes;
    std::uint64_t previous = 0;
    std::uint64_t current = 1;
    for (int v = 0; v < symbols; ++v) {
        bytes.insert(bytes.end(), current, static_cast<std::uint8_t>(v));
        const std::uint64_t next = previous + current;
        previous = current;
        current = next;
    }
    if (seed != 0)
        std::shuffle(bytes.begin(), bytes.end(), std::mt19937(seed));
    return bytes;
}

Bytes handBuiltStream(const std::vector<std::pair<std::uint8_t, std::string>> &codes, const Bytes &message)
{
    const std::map<std::uint8_t, std::string> byValue(codes.begin(), codes.end());
    std::uint8_t checksum = 0;
    for (std::uint8_t b : message)
        checksum ^= b;
    const auto n = static_cast<std::uint32_t>(message.size());
    const auto k = static_cast<std::uint32_t>(byValue.size());
    Bytes stream = {0x48, 0x45, 0x33, 0x0D, checksum};
    for (int i = 0; i < 4; ++i)
        stream.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
    stream.push_back(static_cast<std::uint8_t>(k & 0xFF));
    stream.push_back(static_cast<std::uint8_t>(k >> 8));
    for (const auto &[value, code] : byValue) {
        stream.push_back(value);
        stream.push_back(static_cast<std::uint8_t>(code.size()));
    }
    auto pack = [&stream](const std::string &bits) {
        for (std::size_t i = 0; i < bits.size(); i += 8) {
            std::uint8_t byte = 0;
            for (std::size_t j = 0; j < 8 && i + j < bits.size(); ++j)
                byte = static_cast<std::uint8_t>(byte | (bits[i + j] == '1') << j);
            stream.push_back(byte);
        }
    };
    std::string table;
    for (const auto &entry : byValue)
        table += entry.second;
    pack(table);
    std::string data;
    for (std::uint8_t b : message)
        data += byValue.at(b);
    pack(data);
    return stream;
}

Bytes longCodeStream(const Bytes &message)
{
    std::vector<std::pair<std::uint8_t, std::string>> codes;
    for (int v = 0; v < 255; ++v)
        codes.emplace_back(static_cast<std::uint8_t>(v), std::string(static_cast<std::size_t>(v), '1') + '0');
    codes.emplace_back(255, std::string(255, '1'));
    return handBuiltStream(codes, message);
}

} // namespace fendrel::test
