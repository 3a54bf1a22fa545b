// Encode and decode throughput of the HE3 codec on 64 MiB inputs, with zstd and zlib at level 1
// on the same inputs as yardsticks. Throughput counts uncompressed bytes; "ratio" is the input
// size divided by the compressed size.

#include "BenchInputs.h"
#include "codec/Huffman.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace fendrel::bench;

Bytes randomInput()
{
    std::mt19937_64 random(42);
    Bytes input(kInputSize);
    for (auto &b : input)
        b = static_cast<std::uint8_t>(random());
    return input;
}

// Value v with probability about 2^-(v+1).
Bytes skewedInput()
{
    std::mt19937_64 random(43);
    std::geometric_distribution<unsigned> pick(0.5);
    Bytes input(kInputSize);
    for (auto &b : input)
        b = static_cast<std::uint8_t>(std::min(pick(random), 255u));
    return input;
}

void report(benchmark::State &state, std::size_t inputSize, std::size_t compressedSize)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(inputSize));
    state.counters["ratio"] = static_cast<double>(inputSize) / static_cast<double>(compressedSize);
}

void he3Encode(benchmark::State &state, const Bytes *input)
{
    fendrel::Huffman codec;
    Bytes buffer;
    for (auto _ : state) {
        state.PauseTiming();
        buffer = *input;
        state.ResumeTiming();
        codec.encodeByte(buffer, static_cast<std::int32_t>(buffer.size()));
    }
    report(state, input->size(), buffer.size());
}

void he3Decode(benchmark::State &state, const Bytes *input)
{
    fendrel::Huffman codec;
    Bytes stream = *input;
    codec.encodeByte(stream, static_cast<std::int32_t>(stream.size()));
    Bytes buffer;
    for (auto _ : state) {
        state.PauseTiming();
        buffer = stream;
        state.ResumeTiming();
        codec.decodeByte(buffer, static_cast<std::int32_t>(buffer.size()));
    }
    if (buffer != *input)
        state.SkipWithError("decoded bytes differ from the input");
    report(state, input->size(), stream.size());
}

// The piecewise forms read their input in pieces of this size, as a caller reading files would,
// and hand the output to a sink that drops it.
constexpr std::size_t kPiece = std::size_t{1} << 20;

void he3EncodeFrom(benchmark::State &state, const Bytes *input)
{
    fendrel::Huffman codec;
    std::size_t size = 0;
    const auto produce = [input](int, const fendrel::Huffman::Sink &consume) {
        for (std::size_t at = 0; at < input->size(); at += kPiece)
            consume(input->data() + at, std::min(kPiece, input->size() - at));
    };
    for (auto _ : state) {
        size = 0;
        codec.encodeFrom(input->size(), produce, [&size](const std::uint8_t *bytes, std::size_t count) {
            benchmark::DoNotOptimize(bytes);
            size += count;
        });
    }
    report(state, input->size(), size);
}

void he3DecodeFrom(benchmark::State &state, const Bytes *input)
{
    fendrel::Huffman codec;
    Bytes stream = *input;
    codec.encodeByte(stream, static_cast<std::int32_t>(stream.size()));
    std::size_t size = 0;
    for (auto _ : state) {
        std::size_t at = 0;
        size = 0;
        codec.decodeFrom(
            stream.size(),
            [&](std::uint8_t *buffer, std::size_t capacity) {
                const std::size_t count = std::min({capacity, kPiece, stream.size() - at});
                std::memcpy(buffer, stream.data() + at, count);
                at += count;
                return count;
            },
            [&size](const std::uint8_t *bytes, std::size_t count) {
                benchmark::DoNotOptimize(bytes);
                size += count;
            });
    }
    if (size != input->size())
        state.SkipWithError("decoded size differs from the input");
    report(state, input->size(), stream.size());
}

// Each iteration allocates its output, as the HE3 calls do.
void zstdCompress(benchmark::State &state, const Bytes *input)
{
    const std::size_t bound = ZSTD_compressBound(input->size());
    std::size_t size = 0;
    for (auto _ : state) {
        std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[bound]);
        size = ZSTD_compress(out.get(), bound, input->data(), input->size(), 1);
        benchmark::DoNotOptimize(out.get());
    }
    report(state, input->size(), size);
}

void zstdDecompress(benchmark::State &state, const Bytes *input)
{
    Bytes packed(ZSTD_compressBound(input->size()));
    packed.resize(ZSTD_compress(packed.data(), packed.size(), input->data(), input->size(), 1));
    for (auto _ : state) {
        std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[input->size()]);
        if (ZSTD_decompress(out.get(), input->size(), packed.data(), packed.size()) != input->size())
            state.SkipWithError("zstd failed");
        benchmark::DoNotOptimize(out.get());
    }
    report(state, input->size(), packed.size());
}

void zlibCompress(benchmark::State &state, const Bytes *input)
{
    const uLong bound = compressBound(static_cast<uLong>(input->size()));
    uLongf size = 0;
    for (auto _ : state) {
        std::unique_ptr<Bytef[]> out(new Bytef[bound]);
        size = bound;
        compress2(out.get(), &size, input->data(), static_cast<uLong>(input->size()), 1);
        benchmark::DoNotOptimize(out.get());
    }
    report(state, input->size(), size);
}

void zlibDecompress(benchmark::State &state, const Bytes *input)
{
    uLongf packedSize = compressBound(static_cast<uLong>(input->size()));
    Bytes packed(packedSize);
    compress2(packed.data(), &packedSize, input->data(), static_cast<uLong>(input->size()), 1);
    for (auto _ : state) {
        std::unique_ptr<Bytef[]> out(new Bytef[input->size()]);
        uLongf size = static_cast<uLongf>(input->size());
        if (uncompress(out.get(), &size, packed.data(), packedSize) != Z_OK)
            state.SkipWithError("zlib failed");
        benchmark::DoNotOptimize(out.get());
    }
    report(state, input->size(), packedSize);
}

} // namespace

int main(int argc, char **argv)
{
    // glibc hands blocks this large back to the kernel when they are freed, so every iteration
    // would fault its output in page by page again; on a virtual machine that can cost more than
    // the codec itself. Keeping freed memory in the process measures the codecs, all alike.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const Bytes text = textInput();
    const Bytes binary = gather({"/usr/bin"}, [](const Bytes &content) { return !content.empty(); });
    const Bytes random = randomInput();
    const Bytes skewed = skewedInput();
    const std::pair<const char *, const Bytes *> inputs[] = {
        {"text", &text}, {"binary", &binary}, {"random", &random}, {"skewed", &skewed}};
    const std::pair<const char *, void (*)(benchmark::State &, const Bytes *)> codecs[] = {
        {"he3_encode", he3Encode},     {"he3_decode", he3Decode},         {"he3_encode_from", he3EncodeFrom},
        {"he3_decode_from", he3DecodeFrom}, {"zstd1_compress", zstdCompress},
        {"zstd1_decompress", zstdDecompress}, {"zlib1_compress", zlibCompress}, {"zlib1_decompress", zlibDecompress}};
    for (const auto &[inputName, input] : inputs) {
        for (const auto &[codecName, run] : codecs) {
            benchmark::RegisterBenchmark((std::string(codecName) + "/" + inputName).c_str(), run, input)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
