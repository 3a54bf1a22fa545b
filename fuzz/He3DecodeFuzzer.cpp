// Arbitrary bytes as a stream: the decode must end like the reference's, event for event, and
// reading the stream in pieces must end exactly like decoding it whole, down to the error text.

#include "FuzzCheck.h"

#include <algorithm>

namespace {

using namespace fendrel;

struct Ending {
    std::string error;
    std::vector<std::uint8_t> bytes;
    std::vector<std::int16_t> progress;
};

template <class Call>
Ending endingOf(Call call)
{
    Huffman codec;
    Ending ending;
    codec.setProgressHandler([&ending](std::int16_t &percent) { ending.progress.push_back(percent); });
    try {
        call(codec, ending.bytes);
    } catch (const HuffmanError &error) {
        ending.error = error.source() + ": " + error.description();
        ending.bytes.clear();
    }
    return ending;
}

// The pieces take their sizes, 1 to 64 bytes, from the stream's own bytes.
Ending decodeInPieces(const std::vector<std::uint8_t> &stream)
{
    return endingOf([&stream](Huffman &codec, std::vector<std::uint8_t> &out) {
        std::size_t at = 0;
        std::size_t call = 0;
        codec.decodeFrom(
            stream.size(),
            [&](std::uint8_t *buffer, std::size_t capacity) {
                const std::size_t piece = stream.empty() ? 1 : stream[call++ % stream.size()] % 64 + 1u;
                const std::size_t count = std::min({piece, capacity, stream.size() - at});
                std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(at), count, buffer);
                at += count;
                return count;
            },
            [&out](const std::uint8_t *bytes, std::size_t count) { out.insert(out.end(), bytes, bytes + count); });
    });
}

Ending decodeWhole(const std::vector<std::uint8_t> &stream)
{
    return endingOf([&stream](Huffman &codec, std::vector<std::uint8_t> &out) {
        out = stream;
        codec.decodeByte(out, static_cast<std::int32_t>(out.size()));
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::vector<std::uint8_t> stream(data, data + size);
    fuzz::expectSame(fuzz::run(stream, &Huffman::decodeByte), test::referenceDecode(stream));
    const Ending whole = decodeWhole(stream);
    const Ending pieces = decodeInPieces(stream);
    if (pieces.error != whole.error)
        fuzz::fail("decodeFrom fails otherwise than decodeByte");
    if (pieces.bytes != whole.bytes)
        fuzz::fail("decodeFrom gives other bytes than decodeByte");
    if (pieces.progress != whole.progress)
        fuzz::fail("decodeFrom reports other progress than decodeByte");
    return 0;
}
