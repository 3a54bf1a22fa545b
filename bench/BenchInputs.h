#pragma once

// The 64 MiB inputs the HE3 benchmarks share, made from files of this machine.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace fendrel::bench {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::size_t kInputSize = std::size_t{64} << 20;

inline Bytes readFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline bool looksLikeText(const Bytes &bytes)
{
    const std::size_t probe = std::min<std::size_t>(bytes.size(), 4096);
    return probe > 0 && std::none_of(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(probe),
                                     [](std::uint8_t b) { return b == 0; });
}

// Concatenates the files below the folders, in path order, that pass the filter, repeating
// them until the input is full.
inline Bytes gather(const std::vector<std::filesystem::path> &folders, bool (*keep)(const Bytes &))
{
    namespace fs = std::filesystem;
    std::vector<fs::path> paths;
    for (const fs::path &folder : folders) {
        std::error_code error;
        for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error), end;
             it != end; it.increment(error)) {
            if (it->is_regular_file(error) && !it->is_symlink(error))
                paths.push_back(it->path());
        }
    }
    std::sort(paths.begin(), paths.end());
    Bytes input;
    while (input.size() < kInputSize) {
        const std::size_t before = input.size();
        for (const fs::path &path : paths) {
            const Bytes content = readFile(path);
            if (keep(content))
                input.insert(input.end(), content.begin(), content.end());
            if (input.size() >= kInputSize)
                break;
        }
        if (input.size() == before) {
            std::fprintf(stderr, "no usable files below %s\n", folders.front().c_str());
            std::exit(1);
        }
    }
    input.resize(kInputSize);
    return input;
}

// The files below /usr/share/doc and /usr/include with no NUL in their first 4 KiB.
inline Bytes textInput()
{
    return gather({"/usr/share/doc", "/usr/include"}, looksLikeText);
}

} // namespace fendrel::bench
