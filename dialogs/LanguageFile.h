// A language file: an ini text read whole into memory ("[section]" lines, then
// "key=text" lines) and only read afterwards. Lookups are exact and
// case-sensitive.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace sorvane {

class TLanguageFile {
public:
    // An empty file: every lookup gives its default.
    TLanguageFile() = default;

    // Reads the file at `path` whole. A file that is missing or cannot be read
    // opens empty.
    explicit TLanguageFile(const std::string& path);

    // Parses ini text held in memory. LF and CR LF line ends are accepted and
    // a UTF-8 byte-order mark at the start is skipped. A key's text is
    // everything after the first "=", as it stands (only a trailing CR is
    // removed). Lines before the first section and lines without "=" are
    // ignored; when a key repeats within a section the first text counts.
    static TLanguageFile FromText(std::string_view text);

    // The text of `key` in `section`, or `defaultText` when the section or the
    // key is missing. A key present with an empty text gives the empty text.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultText) const;

private:
    using Section = std::map<std::string, std::string, std::less<>>;

    void Parse(std::string_view text);

    std::map<std::string, Section, std::less<>> sections_;
};

} // namespace sorvane
