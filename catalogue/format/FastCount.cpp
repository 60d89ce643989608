// Horspool search and counting.
#include "catalogue/format/FastCount.h"

#include "catalogue/format/FormatError.h"
#include "platform/Text.h"

#include <string>

namespace sorvane {
namespace {

// The unit's own upper-case table: ASCII letters folded, every other byte kept.
constexpr std::array<unsigned char, 256> MakeUpperTable() {
    std::array<unsigned char, 256> table{};
    for (unsigned i = 0; i < 256; ++i)
        table[i] = static_cast<unsigned char>(i >= 'a' && i <= 'z' ? i - 32 : i);
    return table;
}
constexpr std::array<unsigned char, 256> kUpper = MakeUpperTable();

struct Exact {
    unsigned char operator()(char c) const { return static_cast<unsigned char>(c); }
};
struct Folded {
    unsigned char operator()(char c) const { return kUpper[static_cast<unsigned char>(c)]; }
};

template <typename Fold> SkipTable BuildTable(std::string_view pattern, Fold fold) {
    if (pattern.empty()) throw EInternalError("BufferLen is 0");
    SkipTable table;
    table.fill(pattern.size());
    for (std::size_t i = 0; i + 1 < pattern.size(); ++i)
        table[fold(pattern[i])] = pattern.size() - 1 - i;
    return table;
}

template <typename Fold>
std::size_t Search(std::string_view text, std::string_view pattern, const SkipTable& table,
                   std::size_t from, Fold fold) {
    const std::size_t m = pattern.size();
    if (m == 0 || from > text.size() || text.size() - from < m) return std::string_view::npos;
    const std::size_t last = m - 1;
    for (std::size_t at = from; at + m <= text.size();) {
        std::size_t i = last;
        while (fold(text[at + i]) == fold(pattern[i])) {
            if (i == 0) return at;
            --i;
        }
        at += table[fold(text[at + last])];
    }
    return std::string_view::npos;
}

} // namespace

SkipTable MakeSkipTable(std::string_view pattern) {
    return BuildTable(pattern, Exact{});
}
SkipTable MakeSkipTableNoCase(std::string_view pattern) {
    return BuildTable(pattern, Folded{});
}

std::size_t FindPattern(std::string_view text, std::string_view pattern, const SkipTable& table,
                        std::size_t from) {
    return Search(text, pattern, table, from, Exact{});
}

std::size_t FindPatternNoCase(std::string_view text, std::string_view pattern,
                              const SkipTable& table, std::size_t from) {
    return Search(text, pattern, table, from, Folded{});
}

std::size_t CountOccurrences(std::string_view text, std::string_view pattern, bool caseSensitive) {
    if (text.empty() || pattern.empty()) return 0;
    if (!caseSensitive && !(text::IsAscii(text) && text::IsAscii(pattern))) {
        // Letters beyond ASCII fold through the text module; count on the folded copies.
        return CountOccurrences(text::Upper(text), text::Upper(pattern), true);
    }
    const SkipTable table = caseSensitive ? MakeSkipTable(pattern) : MakeSkipTableNoCase(pattern);
    std::size_t count = 0;
    for (std::size_t at = 0;;) {
        at = caseSensitive ? FindPattern(text, pattern, table, at)
                           : FindPatternNoCase(text, pattern, table, at);
        if (at == std::string_view::npos) return count;
        ++count;
        at += pattern.size();
    }
}

} // namespace sorvane
