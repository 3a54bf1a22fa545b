// File operations. The source is read whole, the byte operation runs in memory, and the result
// goes to a new file beside the destination that is then renamed over it: a failure at any
// point leaves the destination as it was and no partial file behind, and source and destination
// may be the same file.

#include "codec/Huffman.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <limits>
#include <random>
#include <system_error>

namespace fendrel {
namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> readSource(const fs::path &source, const char *who)
{
    std::error_code error;
    const std::uintmax_t size = fs::file_size(source, error);
    if (error)
        throw HuffmanError(who, "Source file does not exist");
    if (size > static_cast<std::uintmax_t>(std::numeric_limits<std::int32_t>::max()))
        throw HuffmanError(who, "Source file is too large (more than 2147483647 bytes)");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    std::ifstream in(source, std::ios::binary);
    if (!in.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(size)))
        throw HuffmanError(who, "Source file cannot be read");
    return bytes;
}

// Creates the file only if no file of that name exists, so nothing already there is followed
// or overwritten.
std::FILE *createNew(const fs::path &path)
{
#ifdef _WIN32
    return _wfopen(path.c_str(), L"wbx");
#else
    return std::fopen(path.c_str(), "wbx");
#endif
}

void replaceFile(const fs::path &dest, const std::vector<std::uint8_t> &bytes, const char *who)
{
    std::mt19937 random(std::random_device{}());
    fs::path temporary;
    std::FILE *file = nullptr;
    int reason = 0;
    for (int attempt = 0; attempt < 100 && !file; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".he3-%06x", static_cast<unsigned>(random() & 0xFFFFFF));
        temporary = dest;
        temporary += suffix;
        file = createNew(temporary);
        reason = errno;
        if (!file && reason != EEXIST)
            break;
    }
    if (!file)
        throw HuffmanError(who, "Destination file cannot be written (" + std::generic_category().message(reason) + ")");

    bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    reason = errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        reason = errno;
    }
    std::error_code error;
    if (written) {
        const fs::file_status old = fs::status(dest, error);
        if (fs::exists(old))
            fs::permissions(temporary, old.permissions(), error);
        fs::rename(temporary, dest, error);
        if (!error)
            return;
    } else {
        error = std::error_code(reason, std::generic_category());
    }
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw HuffmanError(who, "Destination file cannot be written (" + error.message() + ")");
}

} // namespace

void Huffman::encodeFile(const fs::path &sourceFile, const fs::path &destFile)
{
    const char *const who = "clsHuffman.EncodeFile()";
    std::vector<std::uint8_t> bytes = readSource(sourceFile, who);
    encodeByte(bytes, static_cast<std::int32_t>(bytes.size()));
    replaceFile(destFile, bytes, who);
}

void Huffman::decodeFile(const fs::path &sourceFile, const fs::path &destFile)
{
    const char *const who = "clsHuffman.DecodeFile()";
    std::vector<std::uint8_t> bytes = readSource(sourceFile, who);
    decodeByte(bytes, static_cast<std::int32_t>(bytes.size()));
    replaceFile(destFile, bytes, who);
}

} // namespace fendrel
