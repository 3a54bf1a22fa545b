#pragma once

// Reads the language source (en.txt). Plain C++, so that the tool that writes the LangEntry
// header can run before the core it feeds is built.

#include <string>
#include <string_view>
#include <vector>

namespace fendrel::lang {

struct SourceEntry {
    int number = 0;
    std::string name;
    std::string text; // UTF-8, escapes resolved
    int line = 0;
};

struct SourceResult {
    std::vector<SourceEntry> entries; // in the order of the source
    std::string error; // why the first bad line is refused; entries are then empty
    int errorLine = 0;
};

// Lines: "number<TAB>Name<TAB>text"; blank lines and lines starting with '#' are skipped.
SourceResult parseLanguageSource(std::string_view source);

// The C++ header declaring enum class fendrel::LangEntry with one enumerator per entry.
std::string languageEntriesHeader(const std::vector<SourceEntry> &entries);

} // namespace fendrel::lang
