// Checks the shipped language files against the key inventory: every key the
// program reads is present exactly once, with a text, and nothing else is.
#include "dialogs/LanguageFile.h"
#include "platform/Text.h"
#include "tests/dialogs/LanguageInventory.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane {
namespace {

using test::InventorySection;
using test::LanguageInventory;

// One "key=text" line as written in the file.
struct RawEntry {
    std::string section;
    std::string key;
    std::string text;
    int line;
};

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string LanguagePath(std::string_view name) {
    return std::string(SORVANE_LANG_DIR) + "/" + std::string(name);
}

// Every entry line of an ini text, duplicates included, in file order; lines
// before any section get the section "".
std::vector<RawEntry> RawEntries(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::vector<RawEntry> entries;
    std::string section;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (line.starts_with('[') && line.find(']') != std::string_view::npos) {
            section = std::string(line.substr(1, line.find(']') - 1));
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        entries.push_back({section, std::string(line.substr(0, equals)),
                           std::string(line.substr(equals + 1)), number});
    }
    return entries;
}

std::string Join(const std::set<std::string>& items) {
    std::string out;
    for (const std::string& item : items)
        out += (out.empty() ? "" : ", ") + item;
    return out;
}

TEST(LanguageInventory, ListsTheStatedNumberOfDistinctKeys) {
    for (const InventorySection& section : LanguageInventory()) {
        const std::set<std::string_view> distinct(section.keys.begin(), section.keys.end());
        EXPECT_EQ(section.keys.size(), section.statedCount) << "section " << section.name;
        EXPECT_EQ(distinct.size(), section.keys.size())
            << "a key repeats in section " << section.name;
    }
}

class ShippedLanguageFile : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        bytes_ = ReadBytes(LanguagePath(GetParam()));
        ASSERT_FALSE(bytes_.empty()) << LanguagePath(GetParam()) << " is missing or empty";
        entries_ = RawEntries(bytes_);
    }

    std::string bytes_;
    std::vector<RawEntry> entries_;
};

TEST_P(ShippedLanguageFile, IsUtf8) {
    EXPECT_TRUE(text::IsValidUtf8(bytes_));
}

TEST_P(ShippedLanguageFile, HoldsExactlyTheInventory) {
    std::map<std::string, std::set<std::string>> present;
    for (const RawEntry& e : entries_)
        present[e.section].insert(e.key);

    std::set<std::string> knownSections;
    for (const InventorySection& section : LanguageInventory()) {
        knownSections.insert(std::string(section.name));
        const std::set<std::string> wanted(section.keys.begin(), section.keys.end());
        const std::set<std::string>& got = present[std::string(section.name)];
        std::set<std::string> missing, extra;
        for (const std::string& key : wanted)
            if (!got.contains(key)) missing.insert(key);
        for (const std::string& key : got)
            if (!wanted.contains(key)) extra.insert(key);
        EXPECT_TRUE(missing.empty()) << "[" << section.name << "] missing: " << Join(missing);
        EXPECT_TRUE(extra.empty()) << "[" << section.name << "] extra: " << Join(extra);
    }
    for (const auto& [section, keys] : present) {
        EXPECT_TRUE(keys.empty() || knownSections.contains(section))
            << "keys in unknown section [" << section << "]: " << Join(keys);
    }
}

TEST_P(ShippedLanguageFile, HasEveryKeyOnceWithAText) {
    std::map<std::pair<std::string, std::string>, int> firstLine;
    for (const RawEntry& e : entries_) {
        const auto [it, fresh] = firstLine.try_emplace({e.section, e.key}, e.line);
        EXPECT_TRUE(fresh) << "[" << e.section << "] " << e.key << " on lines " << it->second
                           << " and " << e.line;
        EXPECT_FALSE(e.text.empty())
            << "[" << e.section << "] " << e.key << " on line " << e.line << " has no text";
    }
}

TEST_P(ShippedLanguageFile, ReadsBackEveryTextThroughTheLoader) {
    const TLanguageFile file(LanguagePath(GetParam()));
    for (const RawEntry& e : entries_) {
        EXPECT_EQ(file.ReadString(e.section, e.key, "<missing>"), e.text)
            << "[" << e.section << "] " << e.key;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ShippedLanguageFile, ::testing::Values("english.ini", "spanish.ini"),
    [](const auto& info) {
        return std::string(info.param).substr(0, std::string(info.param).find('.'));
    });

// The Spanish file must be a translation, not the English texts again.
// Every text is translated, except the five words that Spanish writes as
// English does.
TEST(ShippedLanguageFiles, SpanishTextsAreNotTheEnglishOnes) {
    const std::set<std::string> sameByRight = {"W/ERROR", "W/MULTIMEDIA", "W/AUDIO", "W/BYTES",
                                               "W/NO"};
    const TLanguageFile english(LanguagePath("english.ini"));
    const TLanguageFile spanish(LanguagePath("spanish.ini"));
    std::set<std::string> same;
    for (const InventorySection& section : LanguageInventory()) {
        for (std::string_view key : section.keys) {
            const std::string en = english.ReadString(section.name, key, "<en>");
            const std::string name = std::string(section.name) + "/" + std::string(key);
            if (en == spanish.ReadString(section.name, key, "<es>") && sameByRight.count(name) == 0)
                same.insert(name + "=" + en);
        }
    }
    EXPECT_TRUE(same.empty()) << "texts equal in both files: " << Join(same);
}

} // namespace
} // namespace sorvane
