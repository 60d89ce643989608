// Tests of the catalogue line list: splitting a text at any line end, the CR LF
// text it writes, editing by index, and loading and saving files.
#include "catalogue/format/CatalogueLines.h"

#include "platform/Files.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace sorvane {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> LinesOf(const CatalogueLines& list) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < list.Count(); ++i)
        lines.emplace_back(list.Line(i));
    return lines;
}

CatalogueLines ListOf(const std::vector<std::string>& lines) {
    CatalogueLines list;
    for (const std::string& line : lines)
        list.Add(line);
    return list;
}

// Every byte from 0x80 to 0xFF, as old catalogues in a Windows code page hold them.
std::string HighBytes() {
    std::string bytes;
    for (int c = 0x80; c <= 0xFF; ++c)
        bytes.push_back(static_cast<char>(c));
    return bytes;
}

TEST(CatalogueLinesTest, LoadFromTextSplitsAtEveryLineEnd) {
    struct Case {
        const char* label;
        std::string text;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"CR LF", "a\r\nbb\r\n", {"a", "bb"}},
        {"LF", "a\nbb\n", {"a", "bb"}},
        {"CR", "a\rbb\r", {"a", "bb"}},
        {"mixed", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"final line without an end", "a\r\nlast", {"a", "last"}},
        {"one line without an end", "only", {"only"}},
        {"empty text", "", {}},
        {"one line end", "\r\n", {""}},
        {"empty lines kept", "a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"CR then CR LF", "a\r\r\nb", {"a", "", "b"}},
        {"LF then CR", "a\n\rb", {"a", "", "b"}},
        {"two LFs", "\n\n", {"", ""}},
        {"lone CR at the end", "a\r", {"a"}},
        {"other control bytes stay",
         std::string("\x1A\x1D\x1E\x1F\0x", 6) + "\r\n",
         {std::string("\x1A\x1D\x1E\x1F\0x", 6)}},
        {"bytes 0x80-0xFF stay", HighBytes() + "\n" + HighBytes(), {HighBytes(), HighBytes()}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        CatalogueLines list;
        list.Add("left over");
        list.LoadFromText(c.text);
        EXPECT_EQ(LinesOf(list), c.lines);

        CatalogueLines adopted;
        adopted.Add("left over");
        adopted.AdoptText(std::string(c.text));
        EXPECT_EQ(LinesOf(adopted), c.lines);
    }
}

TEST(CatalogueLinesTest, ToTextEndsEveryLineWithCrLf) {
    EXPECT_EQ(ListOf({}).ToText(), "");
    EXPECT_EQ(ListOf({""}).ToText(), "\r\n");
    EXPECT_EQ(ListOf({":header",
                      "\xFF"
                      "folder",
                      "file"})
                  .ToText(),
              ":header\r\n\xFF"
              "folder\r\nfile\r\n");
    // Text and list convert into each other without loss.
    const std::vector<std::string> lines = {"a", "", HighBytes(), "z"};
    CatalogueLines reloaded;
    reloaded.LoadFromText(ListOf(lines).ToText());
    EXPECT_EQ(LinesOf(reloaded), lines);
}

TEST(CatalogueLinesTest, EditingByIndex) {
    CatalogueLines list = ListOf({"b", "d"});
    list.Insert(0, "a");
    list.Insert(2, "c");
    list.Insert(list.Count(), "e");
    EXPECT_EQ(LinesOf(list), (std::vector<std::string>{"a", "b", "c", "d", "e"}));

    list.Replace(4, "E");
    list.Replace(0, "");
    EXPECT_EQ(LinesOf(list), (std::vector<std::string>{"", "b", "c", "d", "E"}));

    list.Delete(0);
    list.Delete(3);
    list.Delete(1);
    EXPECT_EQ(LinesOf(list), (std::vector<std::string>{"b", "d"}));

    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    list.Insert(0, "first");
    EXPECT_EQ(LinesOf(list), (std::vector<std::string>{"first"}));
}

TEST(CatalogueLinesTest, IndexesOutOfRangeRaise) {
    CatalogueLines list = ListOf({"a", "b"});
    EXPECT_THROW(list.Line(2), std::out_of_range);
    EXPECT_THROW(list.Line(static_cast<std::size_t>(-1)), std::out_of_range);
    EXPECT_THROW(list.Replace(2, "x"), std::out_of_range);
    EXPECT_THROW(list.Delete(2), std::out_of_range);
    EXPECT_THROW(list.Insert(3, "x"), std::out_of_range);
    EXPECT_EQ(LinesOf(list), (std::vector<std::string>{"a", "b"})) << "failed edits change nothing";

    CatalogueLines empty;
    EXPECT_THROW(empty.Line(0), std::out_of_range);
    EXPECT_THROW(empty.Delete(0), std::out_of_range);
    EXPECT_THROW(empty.Replace(0, "x"), std::out_of_range);
}

// Lines given as views into the list itself, as callers do when they copy or
// move a line, must survive the list growing or reusing its storage.
TEST(CatalogueLinesTest, EditingWithTheListsOwnLines) {
    CatalogueLines list = ListOf({"short", std::string(50, 'L'), "mid line"});
    list.Replace(0, list.Line(1));           // longer than the line it replaces
    list.Replace(2, list.Line(2).substr(4)); // shorter, overlapping itself
    list.Insert(1, list.Line(0));
    list.Add(list.Line(3));
    EXPECT_EQ(LinesOf(list), (std::vector<std::string>{std::string(50, 'L'), std::string(50, 'L'),
                                                       std::string(50, 'L'), "line", "line"}));
}

// Random edits checked against a plain vector of strings, with lines long
// enough that replaced and deleted text piles up and the storage is reclaimed.
TEST(CatalogueLinesTest, RandomEditsMatchAPlainVector) {
    std::mt19937 random(7'331);
    const auto below = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    const auto randomLine = [&] {
        std::string line(below(300), ' ');
        for (char& c : line) {
            c = static_cast<char>(below(256));
            if (c == '\r' || c == '\n') c = 'x';
        }
        return line;
    };
    CatalogueLines list;
    std::vector<std::string> model;
    for (int step = 0; step < 3'000; ++step) {
        const std::size_t operation = below(model.empty() ? 2 : 9);
        if (operation == 0) {
            model.push_back(randomLine());
            list.Add(model.back());
        } else if (operation == 1) {
            const std::size_t at = below(model.size() + 1);
            const std::string line = randomLine();
            model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), line);
            list.Insert(at, line);
        } else if (operation <= 3) {
            const std::size_t at = below(model.size());
            model[at] = randomLine();
            list.Replace(at, model[at]);
        } else if (operation == 4) {
            const std::size_t at = below(model.size()), from = below(model.size());
            model[at] = std::string(model[from]);
            list.Replace(at, list.Line(from));
        } else if (operation == 5) {
            const std::size_t at = below(model.size() + 1), from = below(model.size());
            const std::string copy = model[from];
            model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), copy);
            list.Insert(at, list.Line(from));
        } else if (operation <= 7) {
            const std::size_t at = below(model.size());
            model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
            list.Delete(at);
        } else if (below(20) == 0) {
            model.clear();
            list.Clear();
        } else {
            list.LoadFromText(list.ToText());
        }
        ASSERT_EQ(LinesOf(list), model) << "after step " << step;
    }
}

// A private temporary folder, removed with all it holds.
class CatalogueLinesFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "sorvane-lines-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    std::vector<std::string> Entries(const fs::path& folder) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        return names;
    }

    fs::path folder_;
};

TEST_F(CatalogueLinesFileTest, SaveWritesCrLfAndKeepsEveryByte) {
    const std::vector<std::string> lines = {":3C", "\xFF" + HighBytes(), "", "caf\xE9.txt"};
    const std::string path = (folder_ / "disk.ctl").string();
    ListOf(lines).SaveToFile(path);

    EXPECT_EQ(ReadWholeFile(path), ":3C\r\n\xFF" + HighBytes() + "\r\n\r\ncaf\xE9.txt\r\n");
    EXPECT_EQ(Entries(folder_), std::vector<std::string>{"disk.ctl"}) << "no temporary file left";

    CatalogueLines loaded;
    loaded.LoadFromFile(path);
    EXPECT_EQ(LinesOf(loaded), lines);
}

TEST_F(CatalogueLinesFileTest, SaveReplacesAnExistingFile) {
    const std::string path = (folder_ / "disk.ctl").string();
    ListOf({"old one", "old two", "old three"}).SaveToFile(path);
    ListOf({"new"}).SaveToFile(path);
    EXPECT_EQ(ReadWholeFile(path), "new\r\n");
    EXPECT_EQ(Entries(folder_), std::vector<std::string>{"disk.ctl"});
}

TEST_F(CatalogueLinesFileTest, SaveIntoAMissingFolderRaisesAndLeavesNothing) {
    const std::string path = (folder_ / "missing" / "disk.ctl").string();
    EXPECT_THROW(ListOf({"line"}).SaveToFile(path), EInOutError);
    EXPECT_TRUE(Entries(folder_).empty());
}

TEST_F(CatalogueLinesFileTest, LoadingAMissingFileRaisesAndKeepsTheList) {
    CatalogueLines list = ListOf({"kept"});
    EXPECT_THROW(list.LoadFromFile((folder_ / "absent.ctl").string()), EInOutError);
    EXPECT_EQ(LinesOf(list), std::vector<std::string>{"kept"});
}

} // namespace
} // namespace sorvane
