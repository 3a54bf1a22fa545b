// Arbitrary bytes as input: the stream must be the reference's and decode back to the input.
// An input starting with an odd byte is read as (value, exponent) pairs, each value repeated
// 2^(exponent % 16) times, so that skewed inputs with long codes and many progress checkpoints
// are within reach. Encoding the input in pieces, sized from the input, must give the same stream
// and events.

#include "FuzzCheck.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace fendrel;
    constexpr std::size_t kLargest = std::size_t{1} << 18;
    std::vector<std::uint8_t> input;
    if (size > 0 && data[0] % 2 == 1) {
        for (std::size_t i = 1; i + 1 < size && input.size() < kLargest; i += 2)
            input.insert(input.end(), std::min(std::size_t{1} << (data[i + 1] % 16), kLargest - input.size()), data[i]);
    } else {
        input.assign(data, data + size);
    }
    const test::ReferenceResult stream = fuzz::run(input, &Huffman::encodeByte);
    fuzz::expectSame(stream, test::referenceEncode(input));
    Huffman codec;
    test::ReferenceResult pieces;
    codec.setProgressHandler([&pieces](std::int16_t &percent) { pieces.progress.push_back(percent); });
    codec.encodeFrom(
        input.size(),
        [&](int pass, const Huffman::Sink &consume) {
            std::size_t call = static_cast<std::size_t>(pass);
            for (std::size_t at = 0; at < input.size();) {
                const std::size_t piece = size == 0 ? 1 : std::size_t{data[call++ % size]} * 64 + 1;
                const std::size_t count = std::min(piece, input.size() - at);
                consume(input.data() + at, count);
                at += count;
            }
        },
        [&pieces](const std::uint8_t *bytes, std::size_t count) {
            pieces.bytes.insert(pieces.bytes.end(), bytes, bytes + count);
        });
    fuzz::expectSame(pieces, stream);
    const test::ReferenceResult back = fuzz::run(stream.bytes, &Huffman::decodeByte);
    fuzz::expectSame(back, test::referenceDecode(stream.bytes));
    if (back.bytes != input)
        fuzz::fail("round trip changed the input");
    return 0;
}
