// Every key the program looks up with a literal section and key must be in the
// key inventory, so no window can show "File Language Error" for a typo. The
// window folders of the source tree are scanned for LeeTexto("S", "KEY") and
// LeeTextoCapital("S", "KEY") calls.
#include "tests/dialogs/LanguageInventory.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane {
namespace {

struct LookupCall {
    std::string section;
    std::string key;
    int line;

    bool operator==(const LookupCall&) const = default;
};

std::ostream& operator<<(std::ostream& out, const LookupCall& c) {
    return out << c.section << "/" << c.key << " at line " << c.line;
}

bool IsIdentifierChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The lookups with a literal section and key in a source text, in order. Each
// occurrence of the name is matched on its own short stretch of text, which
// keeps the regular expression away from whole files.
std::vector<LookupCall> FindLookupCalls(std::string_view source) {
    static const std::regex call(
        R"re(^LeeTexto(?:Capital)?\s*\(\s*"([^"\n]*)"\s*,\s*"([^"\n]*)")re");
    constexpr std::string_view kName = "LeeTexto";
    constexpr std::size_t kStretch = 400;

    std::vector<LookupCall> calls;
    for (std::size_t at = source.find(kName); at != std::string_view::npos;
         at = source.find(kName, at + kName.size())) {
        if (at > 0 && IsIdentifierChar(source[at - 1])) continue;
        const std::string stretch(source.substr(at, kStretch));
        std::smatch m;
        if (!std::regex_search(stretch, m, call)) continue;
        const auto line = 1 + std::count(source.begin(), source.begin() + at, '\n');
        calls.push_back({m[1].str(), m[2].str(), static_cast<int>(line)});
    }
    return calls;
}

struct ScanCase {
    const char* what;
    std::string source;
    std::vector<LookupCall> expected;
};

TEST(LanguageLookupScan, FindsLiteralLookupsOnly) {
    const std::vector<ScanCase> cases = {
        {"plain call", R"(x = LeeTexto("W", "OK");)", {{"W", "OK", 1}}},
        {"capitalised call",
         R"(LeeTextoCapital("L", "B_RECATALOGAR"))",
         {{"L", "B_RECATALOGAR", 1}}},
        {"qualified call without blanks",
         R"(sorvane::LeeTexto("H","H_AYUDA"))",
         {{"H", "H_AYUDA", 1}}},
        {"arguments over several lines",
         "a;\nb = LeeTexto(\n    \"M\",\n    \"M_ESPERE\");",
         {{"M", "M_ESPERE", 2}}},
        {"UTF-8 key", R"(LeeTexto("L", "RG_AUTOSORT_TAMAÑO"))", {{"L", "RG_AUTOSORT_TAMAÑO", 1}}},
        {"two calls joined",
         "GBDuracion->setTitle(q(LeeTextoCapital(\"W\", \"DURACION\") + \" \" +\n"
         "                      LeeTexto(\"W\", \"MINMAX\")));",
         {{"W", "DURACION", 1}, {"W", "MINMAX", 2}}},
        {"key built at run time", R"(LeeTexto("T", TipKey(n)))", {}},
        {"section from a variable", R"(LeeTexto(section, "OK"))", {}},
        {"declaration",
         "std::string LeeTexto(std::string_view section, std::string_view key);",
         {}},
        {"longer name ending in the same word", R"(MiLeeTexto("W", "X"))", {}},
        {"longer name starting with the same word", R"(LeeTextoRaro("W", "X"))", {}},
        {"name alone at the end", "LeeTexto", {}},
    };
    for (const ScanCase& c : cases)
        EXPECT_EQ(FindLookupCalls(c.source), c.expected) << c.what;
}

TEST(LanguageLookupScan, EveryLookupOfTheProgramIsInTheInventory) {
    const std::filesystem::path root = SORVANE_SOURCE_DIR;
    ASSERT_TRUE(std::filesystem::is_directory(root / "dialogs"))
        << root << " is not the source tree";

    int scannedFiles = 0;
    for (const char* folder : {"app", "mainwindow", "dialogs", "catalogue/scan", "ui"}) {
        if (!std::filesystem::is_directory(root / folder)) continue;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root / folder)) {
            const std::string extension = entry.path().extension().string();
            if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h")) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string source((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
            ++scannedFiles;
            for (const LookupCall& c : FindLookupCalls(source)) {
                EXPECT_TRUE(test::InInventory(c.section, c.key))
                    << entry.path().lexically_relative(root).string() << ":" << c.line << ": key "
                    << c.key << " of section " << c.section << " is not in the inventory";
            }
        }
    }
    EXPECT_GT(scannedFiles, 0) << "no source file found under " << root;
}

} // namespace
} // namespace sorvane
