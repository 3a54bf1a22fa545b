#include "LanguageSource.h"

#include <charconv>
#include <set>

namespace fendrel::lang {
namespace {

bool isUpperCamelCase(std::string_view name)
{
    if (name.empty() || name.front() < 'A' || name.front() > 'Z')
        return false;
    for (const char c : name) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

bool unescape(std::string_view text, std::string *out)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out->push_back(text[i]);
            continue;
        }
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (next == 'n')
            out->append("\r\n");
        else if (next == '\\')
            out->push_back('\\');
        else
            return false;
        ++i;
    }
    return true;
}

bool isBlank(std::string_view line)
{
    return line.find_first_not_of(" \t\r\v\f") == std::string_view::npos;
}

} // namespace

SourceResult parseLanguageSource(std::string_view source)
{
    SourceResult result;
    std::set<int> numbers;
    std::set<std::string, std::less<>> names;
    int lineNumber = 0;
    while (!source.empty()) {
        ++lineNumber;
        const std::size_t end = source.find('\n');
        std::string_view line = source.substr(0, end);
        source.remove_prefix(end == std::string_view::npos ? source.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (isBlank(line) || line.front() == '#')
            continue;

        const auto failure = [&](const std::string &why) {
            result.entries.clear();
            result.error = why;
            result.errorLine = lineNumber;
            return result;
        };
        const std::size_t firstTab = line.find('\t');
        const std::size_t secondTab = firstTab == std::string_view::npos ? firstTab : line.find('\t', firstTab + 1);
        if (secondTab == std::string_view::npos)
            return failure("expected an entry number, a TAB, a name, a TAB and the text");

        SourceEntry entry;
        entry.line = lineNumber;
        const std::string_view number = line.substr(0, firstTab);
        const auto [end_, status] = std::from_chars(number.data(), number.data() + number.size(), entry.number);
        if (number.empty() || status != std::errc() || end_ != number.data() + number.size() || entry.number < 0)
            return failure("\"" + std::string(number) + "\" is not an entry number");
        entry.name = std::string(line.substr(firstTab + 1, secondTab - firstTab - 1));
        if (!isUpperCamelCase(entry.name))
            return failure("the name \"" + entry.name +
                           "\" is not UpperCamelCase (a capital letter, then letters and digits only)");
        if (!unescape(line.substr(secondTab + 1), &entry.text))
            return failure("only \\n and \\\\ may follow a backslash");
        if (!numbers.insert(entry.number).second)
            return failure("entry " + std::to_string(entry.number) + " is given twice");
        if (!names.insert(entry.name).second)
            return failure("the name " + entry.name + " is given twice");
        result.entries.push_back(std::move(entry));
    }
    return result;
}

std::string languageEntriesHeader(const std::vector<SourceEntry> &entries)
{
    std::string header = "// Generated from lang/en.txt by lclang_entries; edit en.txt, not this file.\n"
                         "#pragma once\n\n"
                         "namespace fendrel {\n\n"
                         "// The entries of the language table, by the names en.txt gives them.\n"
                         "enum class LangEntry : int {\n";
    for (const SourceEntry &entry : entries)
        header += "    " + entry.name + " = " + std::to_string(entry.number) + ",\n";
    header += "};\n\n} // namespace fendrel\n";
    return header;
}

} // namespace fendrel::lang
