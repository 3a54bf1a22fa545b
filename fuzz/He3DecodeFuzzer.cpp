// Arbitrary bytes as a stream: the decode must end like the reference's, event for event.

#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace fendrel;
    const std::vector<std::uint8_t> stream(data, data + size);
    fuzz::expectSame(fuzz::run(stream, &Huffman::decodeByte), test::referenceDecode(stream));
    return 0;
}
