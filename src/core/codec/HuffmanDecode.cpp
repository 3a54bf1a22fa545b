// Decoder: a stream whole in memory, and the checks both decodes share.
//
// With the stream and the output in memory nothing stands between the data decoder and its
// bytes, so this decode runs it to the end and takes the checksum afterwards in blocks. The
// identification, corruption and checksum checks live here for the piecewise decode as well, so
// that both refuse a stream with the same words.

#include "codec/HuffmanDecoder.h"

namespace fendrel::he3 {
namespace {

constexpr std::size_t kVerifyBlock = 160000; // a multiple of the step

// The decoder's input and output when both are whole in memory.
struct WholeBuffers {
    std::uint64_t reach(const DataDecoder &) const { return std::numeric_limits<std::uint64_t>::max(); }
    bool lastOutput(const DataDecoder &) const { return true; }
    void nextInput(DataDecoder &) {}
    void nextOutput(DataDecoder &) {}
};

std::uint8_t checksumOf(const std::uint8_t *data, std::size_t size, ProgressMeter &progress)
{
    std::uint8_t checksum = 0;
    for (std::size_t start = 0; start < size; start += kVerifyBlock) {
        const std::size_t end = std::min(size, start + kVerifyBlock);
        checksum ^= xorOf(data + start, end - start);
        checksumProgress(start, end, size, progress);
    }
    return checksum;
}

} // namespace

void malformed(const char *why)
{
    throw HuffmanError(kDecodeSource, std::string("The data is corrupt (") + why + ")");
}

void checksumProgress(std::size_t from, std::size_t to, std::size_t size, ProgressMeter &progress)
{
    const double total = static_cast<double>(size);
    progress.checkpoints(kStep, from, to, [total](double at) { return roundPercent(at / total * 11.0 + 89.0); });
}

void verifyChecksum(std::uint8_t actual, std::uint8_t expected, ProgressMeter &progress)
{
    if (actual != expected)
        throw HuffmanError("clsHuffman.Decode()", "The data might be corrupted (checksum did not match expected value)");
    progress.report(100);
}

bool isHuffmanForm(const std::uint8_t *stream, std::size_t size)
{
    if (size < kIdSize || stream[0] != kIdH || stream[1] != kIdE || stream[3] != kIdCr
        || (stream[2] != kIdStored && stream[2] != kIdHuffman)) {
        throw HuffmanError(kDecodeSource, "The data either was not compressed with HE3 or is corrupt "
                                          "(identification string not found)");
    }
    return stream[2] == kIdHuffman;
}

std::vector<std::uint8_t> decode(const std::uint8_t *stream, std::size_t size, ProgressMeter &progress)
{
    if (!isHuffmanForm(stream, size))
        return std::vector<std::uint8_t>(stream + kIdSize, stream + size);

    Tree tree;
    const Header header = readHeader(stream, size, tree);
    if (header.length == 0)
        return {};

    std::vector<std::uint8_t> out(header.length);
    DataDecoder decoder(stream + header.dataStart, size - header.dataStart, tree, out.data(), out.data() + out.size());
    WholeBuffers whole;
    decodeData(decoder, whole, size, header.dataStart, progress);
    out.resize(static_cast<std::size_t>(decoder.end() - out.data()));
    verifyChecksum(checksumOf(out.data(), out.size(), progress), header.checksum, progress);
    return out;
}

} // namespace fendrel::he3
