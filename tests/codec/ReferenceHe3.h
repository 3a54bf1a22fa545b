#pragma once

// A slow HE3 codec written as plainly as possible, byte by byte and bit by bit, with progress
// raised at every checkpoint as it passes. The real codec must match it byte for byte and event
// for event.

#include <cstdint>
#include <vector>

namespace fendrel::test {

struct ReferenceResult {
    enum class Outcome { Done, Identification, Checksum, Malformed };
    Outcome outcome = Outcome::Done;
    std::vector<std::uint8_t> bytes; // the stream or the decoded bytes when done
    std::vector<std::int16_t> progress;
};

ReferenceResult referenceEncode(const std::vector<std::uint8_t> &input);
ReferenceResult referenceDecode(const std::vector<std::uint8_t> &stream);

} // namespace fendrel::test
