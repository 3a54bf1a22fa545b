#include "codec/CodecTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

using namespace fendrel;
using namespace fendrel::test;
namespace fs = std::filesystem;

namespace {

class TemporaryFolder {
public:
    TemporaryFolder()
    {
        std::random_device random;
        m_path = fs::temp_directory_path() / ("fendrel-codec-test-" + std::to_string(random()));
        fs::create_directory(m_path);
    }
    ~TemporaryFolder() { fs::remove_all(m_path); }
    fs::path operator/(const std::string &name) const { return m_path / name; }
    std::vector<std::string> names() const
    {
        std::vector<std::string> result;
        for (const auto &entry : fs::directory_iterator(m_path))
            result.push_back(entry.path().filename().string());
        std::sort(result.begin(), result.end());
        return result;
    }

private:
    fs::path m_path;
};

Bytes readAll(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeAll(const fs::path &path, const Bytes &bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

TEST(HuffmanFile, EncodeAndDecodeInPlaceAndToAnotherFile)
{
    TemporaryFolder folder;
    const Bytes content = skewedBytes(50000, 2);
    writeAll(folder / "plain", content);

    Huffman codec;
    ProgressLog log(codec);
    codec.encodeFile(folder / "plain", folder / "packed");
    const Bytes packed = readAll(folder / "packed");
    EXPECT_TRUE(packed == referenceEncode(content).bytes);
    EXPECT_EQ(log.events.back(), 100);
    codec.decodeFile(folder / "packed", folder / "unpacked");
    EXPECT_TRUE(readAll(folder / "unpacked") == content);

    codec.encodeFile(folder / "plain", folder / "plain");
    EXPECT_TRUE(readAll(folder / "plain") == packed);
    codec.decodeFile(folder / "plain", folder / "plain");
    EXPECT_TRUE(readAll(folder / "plain") == content);

    writeAll(folder / "empty", {});
    codec.encodeFile(folder / "empty", folder / "empty");
    EXPECT_EQ(readAll(folder / "empty"), (Bytes{0x48, 0x45, 0x30, 0x0D}));
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"empty", "packed", "plain", "unpacked"}));
}

TEST(HuffmanFile, FailuresLeaveTheDestinationAlone)
{
    TemporaryFolder folder;
    const Bytes previous = bytesOf("previous content");
    writeAll(folder / "dest", previous);
    Huffman codec;

    try {
        codec.encodeFile(folder / "missing", folder / "dest");
        ADD_FAILURE() << "encoded a missing file";
    } catch (const HuffmanError &error) {
        EXPECT_EQ(error.number(), -2147221504);
        EXPECT_EQ(error.source(), "clsHuffman.EncodeFile()");
        EXPECT_EQ(error.description(), "Source file does not exist");
    }
    try {
        codec.decodeFile(folder / "missing", folder / "dest");
        ADD_FAILURE() << "decoded a missing file";
    } catch (const HuffmanError &error) {
        EXPECT_EQ(error.source(), "clsHuffman.DecodeFile()");
        EXPECT_EQ(error.description(), "Source file does not exist");
    }

    Bytes damaged = referenceEncode(bytesOf("some text to pack")).bytes;
    damaged[4] ^= 1;
    writeAll(folder / "damaged", damaged);
    try {
        codec.decodeFile(folder / "damaged", folder / "dest");
        ADD_FAILURE() << "decoded a damaged stream";
    } catch (const HuffmanError &error) {
        EXPECT_EQ(error.source(), "clsHuffman.Decode()");
    }
    EXPECT_THROW(codec.decodeFile(folder / "damaged", folder / "damaged"), HuffmanError);
    EXPECT_EQ(readAll(folder / "damaged"), damaged);

    // Larger than a stream can describe: refused before anything is read (the file is sparse).
    fs::resize_file(folder / "damaged", std::uintmax_t{3} << 30);
    try {
        codec.encodeFile(folder / "damaged", folder / "dest");
        ADD_FAILURE() << "encoded a 3 GiB file";
    } catch (const HuffmanError &error) {
        EXPECT_EQ(error.description(), "Source file is too large (more than 2147483647 bytes)");
    }
    fs::resize_file(folder / "damaged", damaged.size());

    // Destinations that cannot be written: a folder, and a file in a missing folder.
    fs::create_directory(folder / "sub");
    for (const fs::path &dest : {folder / "sub", folder / "nowhere" / "dest"}) {
        try {
            codec.encodeFile(folder / "dest", dest);
            ADD_FAILURE() << "wrote " << dest;
        } catch (const HuffmanError &error) {
            EXPECT_EQ(error.source(), "clsHuffman.EncodeFile()");
            EXPECT_TRUE(error.description().starts_with("Destination file cannot be written (")) << error.description();
        }
    }
    EXPECT_TRUE(fs::is_empty(folder / "sub"));
    EXPECT_EQ(readAll(folder / "dest"), previous);
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"damaged", "dest", "sub"}));
}

// The piecewise encoder behind atomic package writing must hand out exactly the stream and the
// progress events of the whole-buffer encoder, whatever block boundaries fall where.
TEST(HuffmanStreaming, PiecesMakeTheSameStreamAndEvents)
{
    const std::vector<Bytes> inputs = {
        {},
        Bytes(1000, 0x41),
        bytesOf("ab"),
        uniformBytes(160000, 256, 1),         // exactly one coding block
        uniformBytes(160001, 3, 2),           // one byte into the next
        skewedBytes(700000, 3),               // several blocks, codes of many lengths
        fibonacciBytes(30, 4),                // the longest codes the encoder can make here
        uniformBytes(50000, 256, 5),          // stored form: coding does not pay
    };
    for (std::size_t k = 0; k < inputs.size(); ++k) {
        Huffman whole;
        ProgressLog wholeLog(whole);
        Bytes expected = inputs[k];
        whole.encodeByte(expected, static_cast<std::int32_t>(expected.size()));

        Huffman pieces;
        ProgressLog piecesLog(pieces);
        Bytes streamed;
        std::size_t calls = 0;
        pieces.encodeTo(inputs[k].data(), inputs[k].size(), [&](const std::uint8_t *bytes, std::size_t size) {
            streamed.insert(streamed.end(), bytes, bytes + size);
            ++calls;
        });
        EXPECT_EQ(streamed, expected) << "input " << k;
        EXPECT_EQ(piecesLog.events, wholeLog.events) << "input " << k;
        if (inputs[k].size() > 300000 && expected[2] == 0x33) {
            EXPECT_GT(calls, 2u) << "input " << k << " was not handed out in pieces";
        }
    }
}
