// Decoder: a stream read piece by piece.
//
// A stream read piece by piece passes through a buffer of about 1 MiB: unless the stream ends in
// it, the decoder stops a little short of the buffer's end, the unread bytes move to its front
// and the source fills the rest. The output leaves in pieces of 1 MiB. Bit positions count from
// the start of the data section throughout, so progress is decided as for a stream in memory.

#include "codec/HuffmanDecoder.h"

#include <string>

namespace fendrel::he3 {
namespace {

// Reads a stream of a known size from a source, and makes sure that it is exactly that long.
class StreamReader {
public:
    StreamReader(const Huffman::Source &source, std::size_t size) : m_source(source), m_size(size) {}

    // Fills the buffer as far as the stream goes; returns the number of bytes filled.
    std::size_t fill(std::uint8_t *buffer, std::size_t capacity)
    {
        const std::size_t wanted = std::min(capacity, m_size - m_read);
        std::size_t filled = 0;
        while (filled < wanted) {
            const std::size_t got = m_source(buffer + filled, wanted - filled);
            if (got == 0)
                fail("it ends after " + std::to_string(m_read + filled) + " of " + std::to_string(m_size) + " bytes");
            if (got > wanted - filled)
                fail("more bytes were delivered than asked for");
            filled += got;
        }
        m_read += filled;
        if (m_read == m_size && !m_endSeen) {
            std::uint8_t beyond;
            if (m_source(&beyond, 1) != 0)
                fail("it goes on beyond " + std::to_string(m_size) + " bytes");
            m_endSeen = true;
        }
        return filled;
    }

    bool atEnd() const { return m_endSeen; }

    // Reads the rest of the stream, which the decode no longer needs, to make sure it is there.
    void skipRest(std::uint8_t *buffer, std::size_t capacity)
    {
        while (!atEnd())
            fill(buffer, capacity);
    }

private:
    [[noreturn]] static void fail(const std::string &why)
    {
        throw HuffmanError(kDecodeSource, "The stream could not be read whole, or changed while it was read (" + why + ")");
    }

    const Huffman::Source &m_source;
    std::size_t m_size;
    std::size_t m_read = 0;
    bool m_endSeen = false;
};

// The stream goes through a window of this many bytes, enough for the longest header and code
// table at its start; the output through a piece of this many.
constexpr std::size_t kWindow = (std::size_t{1} << 20) + (kHeaderSize + 2 * 256 + (256 * 255 + 7) / 8);
constexpr std::size_t kPiece = std::size_t{1} << 20;
// How far the decoder must stay from the end of a window that the stream goes on after: a walk
// through the tree reads up to 255 bits past where it starts, and two lanes want 64 bytes past
// the end of their region.
constexpr std::size_t kWindowSlack = 64;

// The decoder's input and output when they pass through fixed buffers: the unread end of a
// window moves to its front and the stream fills the rest; a full piece of output goes to the
// sink, its checksum taken on the way.
class StreamBuffers {
public:
    StreamBuffers(StreamReader &reader, std::vector<std::uint8_t> &window, std::size_t length, const Huffman::Sink &sink)
        : m_reader(reader), m_window(window), m_out(std::min(length, kPiece)), m_length(length), m_sink(sink)
    {
    }

    std::uint8_t *out() { return m_out.data(); }
    std::uint8_t *pieceEnd() { return m_out.data() + std::min(m_out.size(), m_length - m_handedOn); }

    std::uint64_t reach(const DataDecoder &decoder) const
    {
        if (m_reader.atEnd())
            return std::numeric_limits<std::uint64_t>::max();
        return decoder.inputEnd() - 8 * kWindowSlack;
    }
    bool lastOutput(const DataDecoder &decoder) const { return produced(decoder) == m_length; }
    void nextInput(DataDecoder &decoder)
    {
        const std::size_t kept = decoder.unreadBytes();
        std::memmove(m_window.data(), decoder.unread(), kept);
        const std::size_t filled = m_reader.fill(m_window.data() + kept, m_window.size() - kept);
        decoder.moveInput(m_window.data(), kept + filled);
    }
    void nextOutput(DataDecoder &decoder)
    {
        handOn(decoder);
        decoder.moveOutput(out(), pieceEnd());
    }

    void handOn(const DataDecoder &decoder)
    {
        const auto size = static_cast<std::size_t>(decoder.end() - m_out.data());
        if (size == 0)
            return;
        m_checksum ^= xorOf(m_out.data(), size);
        m_sink(m_out.data(), size);
        m_handedOn += size;
    }
    std::size_t produced(const DataDecoder &decoder) const
    {
        return m_handedOn + static_cast<std::size_t>(decoder.end() - m_out.data());
    }
    std::uint8_t checksum() const { return m_checksum; }

private:
    StreamReader &m_reader;
    std::vector<std::uint8_t> &m_window;
    std::vector<std::uint8_t> m_out;
    std::size_t m_length;
    std::size_t m_handedOn = 0;
    std::uint8_t m_checksum = 0;
    const Huffman::Sink &m_sink;
};

} // namespace

void decodeFrom(std::size_t size, const Huffman::Source &source, ProgressMeter &progress, const Huffman::Sink &sink)
{
    StreamReader reader(source, size);
    // The first window holds the whole header and code table, or the whole stream when that is
    // shorter, which is all readHeader looks at.
    std::vector<std::uint8_t> window(std::min(size, kWindow));
    const std::size_t first = reader.fill(window.data(), window.size());
    if (!isHuffmanForm(window.data(), size)) {
        if (first > kIdSize)
            sink(window.data() + kIdSize, first - kIdSize);
        while (!reader.atEnd()) {
            const std::size_t filled = reader.fill(window.data(), window.size());
            sink(window.data(), filled);
        }
        return;
    }

    Tree tree;
    const Header header = readHeader(window.data(), size, tree);
    if (header.length == 0) {
        reader.skipRest(window.data(), window.size());
        return;
    }

    StreamBuffers buffers(reader, window, header.length, sink);
    DataDecoder decoder(window.data() + header.dataStart, first - header.dataStart, tree, buffers.out(),
                        buffers.pieceEnd());
    decodeData(decoder, buffers, size, header.dataStart, progress);
    const std::size_t produced = buffers.produced(decoder);
    buffers.handOn(decoder);
    reader.skipRest(window.data(), window.size());
    checksumProgress(0, produced, produced, progress);
    verifyChecksum(buffers.checksum(), header.checksum, progress);
}

} // namespace fendrel::he3
