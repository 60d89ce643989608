// Boyer-Moore-Horspool pattern search and occurrence counting over bytes.
// The no-case twins fold ASCII letters; CountOccurrences folds any letter.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace sorvane {

using SkipTable = std::array<std::size_t, 256>;

// Skip tables; an empty pattern raises EInternalError "BufferLen is 0".
SkipTable MakeSkipTable(std::string_view pattern);
SkipTable MakeSkipTableNoCase(std::string_view pattern);

// Index of the first occurrence of `pattern` in `text` at or after `from`,
// std::string_view::npos when none. `table` is the pattern's skip table.
std::size_t FindPattern(std::string_view text, std::string_view pattern, const SkipTable& table,
                        std::size_t from = 0);
std::size_t FindPatternNoCase(std::string_view text, std::string_view pattern,
                              const SkipTable& table, std::size_t from = 0);

// Non-overlapping occurrences of `pattern` in `text`; 0 when either is empty.
std::size_t CountOccurrences(std::string_view text, std::string_view pattern, bool caseSensitive);

} // namespace sorvane
