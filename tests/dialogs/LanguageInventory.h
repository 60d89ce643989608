// The inventory of language-file keys that the tests check the language files
// and the program's lookups against.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace sorvane::test {

struct InventorySection {
    std::string_view name;   // "W", "L", "H", "M" or "T"
    std::size_t statedCount; // the key count the inventory states for it
    std::vector<std::string_view> keys;
};

// The five sections, in the order W, L, H, M, T.
const std::vector<InventorySection>& LanguageInventory();

// True when `key` is listed in `section` (exact, case-sensitive).
bool InInventory(std::string_view section, std::string_view key);

} // namespace sorvane::test
