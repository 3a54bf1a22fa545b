#include "codec/CodecTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
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
    // Stored, over several of the pieces the encoder reads.
    const Bytes same(300'000, 0x61);
    writeAll(folder / "same", same);
    codec.encodeFile(folder / "same", folder / "same");
    EXPECT_TRUE(readAll(folder / "same") == referenceEncode(same).bytes);
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"empty", "packed", "plain", "same", "unpacked"}));
}

// Larger than the pieces the files pass through, and of an odd size, so that the last piece is
// short; large enough for the encoder to take a second thread beside the one reading ahead.
TEST(HuffmanFile, PiecesGiveTheBytesAndEventsOfTheWholeCalls)
{
    TemporaryFolder folder;
    const Bytes content = uniformBytes((std::size_t{5} << 20) + 12345, 200, 5);
    writeAll(folder / "plain", content);
    CodecRun encoded = runCodec([&](Huffman &codec, CodecRun &) { codec.encodeFile(folder / "plain", folder / "packed"); });
    encoded.bytes = readAll(folder / "packed");
    expectSame(encoded, encodeWhole(content), "encodeFile");
    CodecRun decoded = runCodec([&](Huffman &codec, CodecRun &) { codec.decodeFile(folder / "packed", folder / "plain"); });
    decoded.bytes = readAll(folder / "plain");
    expectSame(decoded, decodeWhole(encoded.bytes), "decodeFile");
    EXPECT_TRUE(decoded.bytes == content);
}

TEST(HuffmanFile, FailuresLeaveTheDestinationAlone)
{
    TemporaryFolder folder;
    const Bytes previous = bytesOf("previous content");
    writeAll(folder / "dest", previous);
    const auto encodeError = [](const fs::path &from, const fs::path &to) {
        return runCodec([&](Huffman &codec, CodecRun &) { codec.encodeFile(from, to); }).error;
    };
    const auto decodeError = [](const fs::path &from, const fs::path &to) {
        return runCodec([&](Huffman &codec, CodecRun &) { codec.decodeFile(from, to); }).error;
    };

    EXPECT_EQ(encodeError(folder / "missing", folder / "dest"), "clsHuffman.EncodeFile(): Source file does not exist");
    EXPECT_EQ(decodeError(folder / "missing", folder / "dest"), "clsHuffman.DecodeFile(): Source file does not exist");

    Bytes damaged = referenceEncode(bytesOf("some text to pack")).bytes;
    damaged[4] ^= 1;
    writeAll(folder / "damaged", damaged);
    EXPECT_TRUE(decodeError(folder / "damaged", folder / "dest").starts_with("clsHuffman.Decode(): "));
    EXPECT_FALSE(decodeError(folder / "damaged", folder / "damaged").empty());
    EXPECT_EQ(readAll(folder / "damaged"), damaged);

    // Larger than a stream can describe: refused before anything is read (the file is sparse).
    fs::resize_file(folder / "damaged", std::uintmax_t{3} << 30);
    EXPECT_EQ(encodeError(folder / "damaged", folder / "dest"),
              "clsHuffman.EncodeFile(): Source file is too large (more than 2147483647 bytes)");
    fs::resize_file(folder / "damaged", damaged.size());

    // Changed between the reading that counts its bytes and the one that codes them (the checksum
    // step comes in between): its last byte, which the helper thread reads, or its length.
    const std::size_t size = std::size_t{5} << 20;
    const auto changedBy = [&](const std::function<void(std::fstream &)> &change) {
        writeAll(folder / "changing", uniformBytes(size, 7, 1));
        return runCodec([&](Huffman &codec, CodecRun &) {
            codec.setProgressHandler([&](std::int16_t &percent) {
                if (percent == 8) {
                    std::fstream file(folder / "changing", std::ios::in | std::ios::out | std::ios::binary);
                    change(file);
                }
            });
            codec.encodeFile(folder / "changing", folder / "dest");
        }).error;
    };
    const std::string prefix = "clsHuffman.EncodeFile(): Source file changed while it was read (the second reading gave ";
    const std::string lastByte = changedBy([](std::fstream &file) {
        file.seekp(-1, std::ios::end);
        file.put(0x7F);
    });
    // Which of the encoder's checks sees it first depends on the byte written.
    EXPECT_EQ(lastByte.rfind(prefix, 0), 0u) << lastByte;
    EXPECT_EQ(changedBy([&](std::fstream &) { fs::resize_file(folder / "changing", size - 1); }),
              prefix + std::to_string(size - 1) + " of " + std::to_string(size) + " bytes)");
    EXPECT_EQ(changedBy([](std::fstream &file) {
                  file.seekp(0, std::ios::end);
                  file.put(1);
              }),
              prefix + "more than " + std::to_string(size) + " bytes)");
    fs::remove(folder / "changing");

    // Destinations that cannot be written: a folder, and a file in a missing folder.
    fs::create_directory(folder / "sub");
    EXPECT_EQ(encodeError(folder / "sub", folder / "dest"), "clsHuffman.EncodeFile(): Source file is a folder, not a file");
    for (const fs::path &dest : {folder / "sub", folder / "nowhere" / "dest"}) {
        const std::string error = encodeError(folder / "dest", dest);
        EXPECT_TRUE(error.starts_with("clsHuffman.EncodeFile(): Destination file cannot be written (")) << error;
    }
    EXPECT_TRUE(fs::is_empty(folder / "sub"));
    EXPECT_EQ(readAll(folder / "dest"), previous);
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"damaged", "dest", "sub"}));
}
