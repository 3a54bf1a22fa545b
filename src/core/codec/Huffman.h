#pragma once

// The HE3 codec: turns bytes into the self-describing stream that lab packages are stored in,
// and back. The stream layout is in FORMAT.md beside this file; the simulator reads these
// streams, so every byte and every progress event is fixed. Plain C++, no Qt.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace fendrel {

// Every codec failure: the number is the same for all of them, the source names the operation
// that failed and the description says why, in the words users and logs see.
class HuffmanError : public std::runtime_error {
public:
    static constexpr std::int32_t kNumber = static_cast<std::int32_t>(0x80040000u);

    HuffmanError(std::string source, const std::string &description);

    std::int32_t number() const noexcept { return kNumber; }
    const std::string &source() const noexcept { return m_source; }
    std::string description() const { return what(); }

private:
    std::string m_source;
};

class Huffman {
public:
    // Receives the new percentage (0..100) each time it changes. The value is the handler's own
    // copy: changing it does not affect the codec.
    using ProgressHandler = std::function<void(std::int16_t &procent)>;

    void setProgressHandler(ProgressHandler handler) { m_progress = std::move(handler); }

    // Encodes the first byteLen bytes; on return the buffer holds exactly the stream.
    void encodeByte(std::vector<std::uint8_t> &byteArray, std::int32_t byteLen);
    // Encodes size bytes into the same stream as encodeByte, handing it to sink in pieces; the
    // progress events are the same too.
    using Sink = std::function<void(const std::uint8_t *bytes, std::size_t size)>;
    void encodeTo(const std::uint8_t *data, std::size_t size, const Sink &sink);
    // Decodes a stream of byteLen bytes; on return the buffer holds the decoded bytes. On failure
    // the buffer is left as it was.
    void decodeByte(std::vector<std::uint8_t> &byteArray, std::int32_t byteLen);

    // Piecewise forms, for inputs too large to hold twice. A source fills at most capacity bytes
    // of buffer and returns how many it filled, 0 only at the end of its input.
    using Source = std::function<std::size_t(std::uint8_t *buffer, std::size_t capacity)>;
    // Produces the whole input to consume, in pieces of any size. Called twice: pass 0 to count
    // the bytes, pass 1 to code them; both passes must produce the same bytes.
    using Producer = std::function<void(int pass, const Sink &consume)>;

    // Encodes size bytes from produce into the same stream, with the same events, as encodeByte,
    // handing the stream to sink in pieces. Throws when a pass produces other bytes than size,
    // or pass 1 other bytes than pass 0 as far as their checksum and code lengths tell (pass 0 is
    // not kept to compare with); the sink may then already have received part of a stream.
    void encodeFrom(std::size_t size, const Producer &produce, const Sink &sink);
    // Decodes a stream of streamSize bytes read from source, handing the decoded bytes to sink in
    // pieces: the same bytes, events and errors as decodeByte. Memory stays bounded whatever the
    // size. On failure sink may already have received part of the output; a source that ends
    // before or runs past streamSize is a failure too.
    void decodeFrom(std::size_t streamSize, const Source &source, const Sink &sink);

    // Source and destination may be the same file. Both stream through buffers of fixed size; the
    // encoder reads the source twice and refuses one that changed in between. The destination is
    // replaced in one step and is left untouched when the operation fails.
    void encodeFile(const std::filesystem::path &sourceFile, const std::filesystem::path &destFile);
    void decodeFile(const std::filesystem::path &sourceFile, const std::filesystem::path &destFile);

    // Each char is one single-byte character.
    std::string encodeString(const std::string &text);
    std::string decodeString(const std::string &text);

private:
    ProgressHandler m_progress;
};

} // namespace fendrel
