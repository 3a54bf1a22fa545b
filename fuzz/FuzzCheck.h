#pragma once

#include "codec/Huffman.h"
#include "codec/ReferenceHe3.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace fendrel::fuzz {

using test::ReferenceResult;

[[noreturn]] inline void fail(const char *what)
{
    std::fprintf(stderr, "he3 fuzzer: %s\n", what);
    std::abort();
}

inline ReferenceResult::Outcome outcomeOf(const HuffmanError &error)
{
    const std::string description = error.description();
    if (description.starts_with("The data either was not compressed with HE3"))
        return ReferenceResult::Outcome::Identification;
    if (description.starts_with("The data might be corrupted (checksum"))
        return ReferenceResult::Outcome::Checksum;
    if (!description.starts_with("The data is corrupt ("))
        fail("unexpected error text");
    return ReferenceResult::Outcome::Malformed;
}

// Runs the codec's decode or encode on a copy of the bytes and returns its result in the
// reference's terms; a failure must leave the buffer as it was.
template <class Operation>
ReferenceResult run(const std::vector<std::uint8_t> &bytes, Operation operation)
{
    Huffman codec;
    ReferenceResult result;
    codec.setProgressHandler([&result](std::int16_t &percent) { result.progress.push_back(percent); });
    std::vector<std::uint8_t> buffer = bytes;
    try {
        (codec.*operation)(buffer, static_cast<std::int32_t>(buffer.size()));
        result.bytes = std::move(buffer);
    } catch (const HuffmanError &error) {
        if (buffer != bytes)
            fail("a failed operation changed the caller's buffer");
        result.outcome = outcomeOf(error);
    }
    return result;
}

inline void expectSame(const ReferenceResult &actual, const ReferenceResult &expected)
{
    if (actual.outcome != expected.outcome)
        fail("outcome differs from the reference");
    if (actual.bytes != expected.bytes)
        fail("bytes differ from the reference");
    if (actual.progress != expected.progress)
        fail("progress differs from the reference");
}

} // namespace fendrel::fuzz
