// The codec's face: checks the caller's lengths, runs the encoder or decoder with a fresh
// progress meter and swaps the result into the caller's buffer only when it is complete.

#include "codec/HuffmanStream.h"

#include <limits>

namespace fendrel {

HuffmanError::HuffmanError(std::string source, const std::string &description)
    : std::runtime_error(description), m_source(std::move(source))
{
}

namespace {

void checkLength(const std::vector<std::uint8_t> &buffer, std::int32_t length, const char *source)
{
    if (length < 0 || static_cast<std::size_t>(length) > buffer.size())
        throw HuffmanError(source, "The length " + std::to_string(length) + " does not fit a buffer of "
                                       + std::to_string(buffer.size()) + " bytes");
}

std::int32_t lengthOf(const std::string &text, const char *source)
{
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw HuffmanError(source, "The text is too long (more than 2147483647 characters)");
    return static_cast<std::int32_t>(text.size());
}

// The stream stores the input length as a signed 32-bit number.
void checkEncodable(std::size_t size)
{
    if (size > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw HuffmanError("clsHuffman.EncodeByte()", "The data is too long (more than 2147483647 bytes)");
}

} // namespace

void Huffman::encodeByte(std::vector<std::uint8_t> &byteArray, std::int32_t byteLen)
{
    checkLength(byteArray, byteLen, "clsHuffman.EncodeByte()");
    he3::ProgressMeter progress(m_progress);
    byteArray = he3::encode(byteArray.data(), static_cast<std::size_t>(byteLen), progress);
}

void Huffman::encodeTo(const std::uint8_t *data, std::size_t size, const Sink &sink)
{
    checkEncodable(size);
    he3::ProgressMeter progress(m_progress);
    he3::encodeTo(data, size, progress, sink);
}

void Huffman::encodeFrom(std::size_t size, const Producer &produce, const Sink &sink)
{
    checkEncodable(size);
    he3::ProgressMeter progress(m_progress);
    he3::encodeFrom(size, produce, progress, sink);
}

void Huffman::decodeByte(std::vector<std::uint8_t> &byteArray, std::int32_t byteLen)
{
    checkLength(byteArray, byteLen, "clsHuffman.DecodeByte()");
    he3::ProgressMeter progress(m_progress);
    byteArray = he3::decode(byteArray.data(), static_cast<std::size_t>(byteLen), progress);
}

void Huffman::decodeFrom(std::size_t streamSize, const Source &source, const Sink &sink)
{
    he3::ProgressMeter progress(m_progress);
    he3::decodeFrom(streamSize, source, progress, sink);
}

std::string Huffman::encodeString(const std::string &text)
{
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    encodeByte(bytes, lengthOf(text, "clsHuffman.EncodeString()"));
    return std::string(bytes.begin(), bytes.end());
}

std::string Huffman::decodeString(const std::string &text)
{
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    decodeByte(bytes, lengthOf(text, "clsHuffman.DecodeString()"));
    return std::string(bytes.begin(), bytes.end());
}

} // namespace fendrel
