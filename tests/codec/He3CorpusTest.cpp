// Streams kept from fuzzing and by hand in tests/data/he3. Each file's name starts with the
// outcome its decode must have: done-, checksum-, malformed- or identification-.

#include "codec/CodecTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using namespace fendrel::test;
namespace fs = std::filesystem;

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
