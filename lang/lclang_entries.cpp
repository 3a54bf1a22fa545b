// Writes the LangEntry header from the language source.
// Usage: lclang_entries SOURCE HEADER
// An unchanged header is left alone, so that a text edit does not rebuild the program.

#include "LanguageSource.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

int fail(const std::string &message)
{
    std::fprintf(stderr, "lclang_entries: %s\n", message.c_str());
    return 1;
}

bool readFile(const std::filesystem::path &path, std::string *content)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    content->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3)
        return fail("usage: lclang_entries SOURCE HEADER");
    const std::filesystem::path sourcePath = argv[1];
    const std::filesystem::path headerPath = argv[2];
    std::string source;
    if (!readFile(sourcePath, &source))
        return fail("cannot read " + sourcePath.string());
    const fendrel::lang::SourceResult parsed = fendrel::lang::parseLanguageSource(source);
    if (!parsed.error.empty())
        return fail(sourcePath.string() + ":" + std::to_string(parsed.errorLine) + ": " + parsed.error);

    const std::string header = fendrel::lang::languageEntriesHeader(parsed.entries);
    std::string existing;
    if (readFile(headerPath, &existing) && existing == header)
        return 0;

    // Written beside the header and renamed over it, so that a failed write leaves no half header.
    std::filesystem::path temporary = headerPath;
    temporary += ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << header;
        out.close();
        if (!out)
            return fail("cannot write " + temporary.string());
    }
    std::error_code error;
    std::filesystem::rename(temporary, headerPath, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return fail("cannot write " + headerPath.string());
    }
    return 0;
}
