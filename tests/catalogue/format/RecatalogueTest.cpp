// Tests of the re-catalogue merge (matching lines, collecting the old
// descriptions and carrying them over to a new scan) and of the checks for a
// disk, folder or catalogue name that is already loaded.
#include "catalogue/format/Recatalogue.h"

#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/Codes.h"
#include "catalogue/format/FormatError.h"
#include "catalogue/format/LineBuilders.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace sorvane {
namespace {

std::uint32_t Dos(int year, int month, int day) {
    return DateTimeToDosDate(DateTime{year, month, day, 12, 0, 0}).value();
}

const std::uint32_t kJan = Dos(2020, 1, 10);
const std::uint32_t kFeb = Dos(2020, 2, 20);
const std::uint32_t kMar = Dos(2020, 3, 30);
constexpr std::int64_t kCreatedUnix = 1'577'880'000; // 2020-01-01 12:00:00 UTC

// A file line; a description, when given, is appended in its brackets.
std::string File(std::string name, std::string description = "", std::uint32_t modified = kFeb,
                 std::uint64_t size = 1'000) {
    FicheroEncontrado file;
    file.name = std::move(name);
    file.modifiedDos = modified;
    file.size = size;
    file.attributes = kAttrArchive;
    file.createdUnix = kCreatedUnix;
    const std::string line = LineaFichero(file, "/", file.name, {}, {});
    return description.empty() ? line : PonDescripcion(line, description);
}

// A folder line of a disk catalogue ("\Docs" for "C:\Docs\").
std::string Folder(const std::string& path, std::string description = "",
                   std::uint32_t created = kJan) {
    const std::string line =
        LineaCarpeta("C:" + path + (path == "\\" ? "" : "\\"), created, kFeb, 0, 0);
    return description.empty() ? line : PonDescripcion(line, description);
}

const std::string kHeader =
    LineaCabecera("Disk", "H.D.", "1A2B-3C4D", "C:\\", "LABEL", 3, 0, 0, "");

CatalogueLines Catalogue(const std::vector<std::string>& lines) {
    CatalogueLines out;
    out.Add(kHeader);
    for (const std::string& line : lines)
        out.Add(line);
    return out;
}

struct ErrorList {
    std::vector<std::string> lines;
    ErrorSink Sink() {
        return [this](const std::string& line) { lines.push_back(line); };
    }
};

// Matching.

TEST(RecatalogueTest, EsMismoElemento) {
    struct Case {
        const char* label;
        std::string a, b;
        bool same;
    };
    const std::vector<Case> cases = {
        {"identical files", File("a.txt"), File("a.txt"), true},
        {"descriptions do not count", File("a.txt", "old"), File("a.txt", "new"), true},
        {"another name", File("a.txt"), File("b.txt"), false},
        {"names differ in case", File("a.txt"), File("A.txt"), false},
        {"touched: another modified date", File("a.txt"), File("a.txt", "", kMar), false},
        {"another size", File("a.txt"), File("a.txt", "", kFeb, 1'001), false},
        {"folders by name and dates, not path", Folder("\\A\\Music"), Folder("\\B\\Music"), true},
        {"folders of another creation date", Folder("\\Music"), Folder("\\Music", "", kMar), false},
        {"folder and file of one name", Folder("\\Music"), File("Music"), false},
        {"file and folder of one name", File("Music"), Folder("\\Music"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(EsMismoElemento(c.a, c.b), c.same);
    }
    EXPECT_THROW(EsMismoElemento(File("a.txt"), "short"), EFormatoCatalogo);
}

// Collecting the old descriptions.

TEST(RecatalogueTest, CargaDescripciones) {
    const CatalogueLines old = Catalogue({
        Folder("\\"),
        File("a.txt", "first"),
        File("b.txt"),
        Folder("\\Docs", "the docs"),
        File("c.txt", "third"),
    });
    struct Case {
        bool carpetaIgual;
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        {false, {"a.txt", "Docs", "c.txt"}},
        {true, {"\\a.txt", "Docs", "\\Docs\\c.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.carpetaIgual ? "same folder" : "any folder");
        ErrorList errors;
        const std::vector<std::string> saved =
            CargaDescripciones(old, c.carpetaIgual, errors.Sink());
        EXPECT_TRUE(errors.lines.empty());
        ASSERT_EQ(saved.size(), c.names.size());
        const std::vector<std::string> descriptions = {"first", "the docs", "third"};
        const std::vector<std::size_t> from = {2, 4, 5};
        for (std::size_t i = 0; i < saved.size(); ++i) {
            EXPECT_EQ(DameLineaNombre(saved[i]), c.names[i]);
            EXPECT_EQ(DameLineaDescripcion(saved[i]), descriptions[i]);
            EXPECT_EQ(saved[i].substr(0, 17), old.Line(from[i]).substr(0, 17));
            EXPECT_TRUE(EsMismoElemento(saved[i], saved[i]));
        }
        EXPECT_EQ(saved[1], old.Line(4)) << "folder lines are kept as they stand";
    }
}

TEST(RecatalogueTest, CargaDescripcionesReportsADamagedLine) {
    // A file line too short for its name, after one good line.
    const CatalogueLines old =
        Catalogue({Folder("\\"), File("a.txt", "first"), std::string("short\x1D"), File("c", "x")});
    ErrorList errors;
    const std::vector<std::string> saved = CargaDescripciones(old, true, errors.Sink());
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(DameLineaNombre(saved[0]), "\\a.txt");
    ASSERT_EQ(errors.lines.size(), 1u);
    EXPECT_EQ(errors.lines[0].rfind(InternalErrorWord() + " CargaDescripciones() failure: ", 0), 0u)
        << errors.lines[0];
}

// Carrying descriptions over.

struct MergeCase {
    const char* label;
    bool carpetaIgual;
    std::vector<std::string> oldLines, newLines;
    std::vector<std::string> descriptions; // of every new line after the merge
    std::vector<std::string> errors;
};

TEST(RecatalogueTest, RecatalogaDescripciones) {
    const std::vector<MergeCase> cases = {
        {"an unchanged file keeps its description",
         false,
         {Folder("\\"), File("a.txt", "mine")},
         {Folder("\\"), File("a.txt")},
         {"", "mine"},
         {}},
        {"a renamed file loses it",
         false,
         {Folder("\\"), File("a.txt", "mine")},
         {Folder("\\"), File("renamed.txt")},
         {"", ""},
         {}},
        {"a touched file loses it",
         false,
         {Folder("\\"), File("a.txt", "mine")},
         {Folder("\\"), File("a.txt", "", kMar)},
         {"", ""},
         {}},
        {"merged with the new line's own description",
         false,
         {Folder("\\"), File("song.mp3", "my note")},
         {Folder("\\"), File("song.mp3", "Artist - Title")},
         {"", "my note Artist - Title"},
         {}},
        {"a new description already inside the old one is not repeated",
         false,
         {Folder("\\"), File("song.mp3", "Live, Artist - Title")},
         {Folder("\\"), File("song.mp3", "Artist - Title")},
         {"", "Live, Artist - Title"},
         {}},
        {"any folder: identical files in two folders both get it",
         false,
         {Folder("\\"), Folder("\\A"), File("a.txt", "mine")},
         {Folder("\\"), Folder("\\A"), File("a.txt"), Folder("\\B"), File("a.txt")},
         {"", "", "mine", "", "mine"},
         {"SECOND", "Old: a.txt / New:  a.txt"}},
        {"same folder: only the file of its folder",
         true,
         {Folder("\\"), Folder("\\A"), File("a.txt", "mine")},
         {Folder("\\"), Folder("\\B"), File("a.txt"), Folder("\\A"), File("a.txt")},
         {"", "", "", "", "mine"},
         {}},
        {"same folder: a second match names its folder",
         true,
         {Folder("\\"), Folder("\\A"), File("a.txt", "mine")},
         {Folder("\\"), Folder("\\A"), File("a.txt"), File("a.txt")},
         {"", "", "mine", "mine"},
         {"SECOND", "Old: \\A\\a.txt / New: \\A a.txt"}},
        {"same folder: files of the root",
         true,
         {Folder("\\"), File("a.txt", "mine"), Folder("\\A")},
         {Folder("\\"), File("a.txt"), Folder("\\A"), File("a.txt")},
         {"", "mine", "", ""},
         {}},
        {"a folder moves with its name and dates",
         false,
         {Folder("\\"), Folder("\\Old\\Music", "songs")},
         {Folder("\\"), Folder("\\New\\Music")},
         {"", "songs"},
         {}},
        {"same folder: folder lines are compared as they stand",
         true,
         {Folder("\\"), Folder("\\Old\\Music", "songs")},
         {Folder("\\"), Folder("\\New\\Music"), File("x")},
         {"", "songs", ""},
         {}},
        {"two old lines for one new line: each merge puts the old text first",
         false,
         {Folder("\\"), Folder("\\A"), File("a.txt", "one"), Folder("\\B"), File("a.txt", "two")},
         {Folder("\\"), File("a.txt")},
         {"", "two one"},
         {}},
        {"the root keeps its description",
         false,
         {Folder("\\", "whole disk")},
         {Folder("\\"), File("a.txt")},
         {"whole disk", ""},
         {}},
    };
    for (const MergeCase& c : cases) {
        SCOPED_TRACE(c.label);
        const CatalogueLines old = Catalogue(c.oldLines);
        CatalogueLines fresh = Catalogue(c.newLines);
        ErrorList errors;
        const std::vector<std::string> saved =
            CargaDescripciones(old, c.carpetaIgual, errors.Sink());
        RecatalogaDescripciones(fresh, saved, c.carpetaIgual, "SECOND", {}, errors.Sink());
        EXPECT_EQ(errors.lines, c.errors);
        ASSERT_EQ(fresh.Count(), c.newLines.size() + 1);
        EXPECT_EQ(fresh.Line(0), kHeader);
        for (std::size_t i = 0; i < c.newLines.size(); ++i) {
            SCOPED_TRACE(i + 1);
            const std::string_view line = fresh.Line(i + 1);
            EXPECT_EQ(DameLineaDescripcion(line), c.descriptions[i]);
            // Only the description changes.
            EXPECT_EQ(QuitaDescripcion(line), QuitaDescripcion(c.newLines[i]));
            EXPECT_EQ(TieneDescripcion(line),
                      !c.descriptions[i].empty() || TieneDescripcion(c.newLines[i]));
        }
    }
}

// Every description that finds no line of the new scan is given back, with the
// old path it had: a renamed file, a touched file and a folder whose contents
// changed (its modified date with them); whatever the matching by folder.
TEST(RecatalogueTest, DescriptionsThatMatchNothingAreGivenBackWithTheirOldPaths) {
    const std::string changedFolder = LineaCarpeta("C:\\Docs\\", kJan, kMar, 0, 0);
    const CatalogueLines old =
        Catalogue({Folder("\\", "whole disk"), File("top.txt", "at the top"),
                   Folder("\\Docs", "my papers"), File("a.txt", "renamed since"),
                   File("b.txt", "touched since"), File("c.txt", "still there")});
    for (const bool carpetaIgual : {false, true}) {
        SCOPED_TRACE(carpetaIgual);
        CatalogueLines fresh =
            Catalogue({Folder("\\"), File("top.txt"), changedFolder, File("renamed.txt"),
                       File("b.txt", "", kMar), File("c.txt")});
        ErrorList errors;
        std::vector<std::string> paths;
        const std::vector<std::string> saved =
            CargaDescripciones(old, carpetaIgual, errors.Sink(), &paths);
        EXPECT_EQ(paths, (std::vector<std::string>{"\\", "\\top.txt", "\\Docs", "\\Docs\\a.txt",
                                                   "\\Docs\\b.txt", "\\Docs\\c.txt"}));
        const std::vector<std::size_t> unmatched =
            RecatalogaDescripciones(fresh, saved, carpetaIgual, "SECOND", {}, errors.Sink());
        EXPECT_EQ(unmatched, (std::vector<std::size_t>{2, 3, 4}));
        std::vector<std::string> texts;
        for (const std::size_t k : unmatched)
            texts.emplace_back(DameLineaDescripcion(saved[k]));
        EXPECT_EQ(texts, (std::vector<std::string>{"my papers", "renamed since", "touched since"}));
        EXPECT_EQ(DameLineaDescripcion(fresh.Line(6)), "still there");
        EXPECT_TRUE(errors.lines.empty());
    }
}

TEST(RecatalogueTest, ProgressOncePerSavedLine) {
    CatalogueLines fresh = Catalogue({Folder("\\"), File("a"), File("b"), File("c")});
    const std::vector<std::string> saved = {File("a", "1"), File("b", "2"), File("z", "3")};
    std::vector<std::pair<std::size_t, std::size_t>> calls;
    RecatalogaDescripciones(
        fresh, saved, false, "SECOND",
        [&](std::size_t index, std::size_t count) { calls.emplace_back(index, count); }, {});
    const std::vector<std::pair<std::size_t, std::size_t>> expected = {{0, 3}, {1, 3}, {2, 3}};
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(DameLineaDescripcion(fresh.Line(2)), "1");
    EXPECT_EQ(DameLineaDescripcion(fresh.Line(3)), "2");

    calls.clear();
    RecatalogaDescripciones(
        fresh, {}, false, "SECOND",
        [&](std::size_t index, std::size_t count) { calls.emplace_back(index, count); }, {});
    EXPECT_TRUE(calls.empty());
}

TEST(RecatalogueTest, RecatalogaDescripcionesReportsAFailure) {
    // The second saved line is damaged: the first one's change stays.
    CatalogueLines fresh = Catalogue({Folder("\\"), File("a"), File("b")});
    const std::vector<std::string> saved = {File("a", "kept"), std::string("bad\x1D")};
    ErrorList errors;
    // The damaged line and any after it went nowhere.
    EXPECT_EQ(RecatalogaDescripciones(fresh, saved, false, "SECOND", {}, errors.Sink()),
              std::vector<std::size_t>{1});
    EXPECT_EQ(DameLineaDescripcion(fresh.Line(2)), "kept");
    EXPECT_EQ(DameLineaDescripcion(fresh.Line(3)), "");
    ASSERT_EQ(errors.lines.size(), 1u);
    EXPECT_EQ(errors.lines[0].rfind(InternalErrorWord() + " RecatalogaDescripciones(): ", 0), 0u)
        << errors.lines[0];

    // A failing progress callback is reported the same way.
    errors.lines.clear();
    RecatalogaDescripciones(
        fresh, {File("b", "x")}, false, "SECOND",
        [](std::size_t, std::size_t) { throw std::runtime_error("window gone"); }, errors.Sink());
    EXPECT_EQ(errors.lines, std::vector<std::string>{InternalErrorWord() +
                                                     " RecatalogaDescripciones(): window gone"});
}

TEST(RecatalogueTest, ManyLinesAreMatchedByName) {
    // A scan of 20,000 files keeps the descriptions of every hundredth one.
    std::vector<std::string> oldLines = {Folder("\\")}, newLines = {Folder("\\")};
    for (int i = 0; i < 20'000; ++i) {
        const std::string name = "file" + std::to_string(i) + ".dat";
        oldLines.push_back(File(name, i % 100 == 0 ? "note " + std::to_string(i) : ""));
        newLines.push_back(File(name, "", kFeb, i % 200 == 0 ? 5 : 1'000));
    }
    const CatalogueLines old = Catalogue(oldLines);
    CatalogueLines fresh = Catalogue(newLines);
    ErrorList errors;
    RecatalogaDescripciones(fresh, CargaDescripciones(old, false, errors.Sink()), false, "SECOND",
                            {}, errors.Sink());
    EXPECT_TRUE(errors.lines.empty());
    for (int i = 0; i < 20'000; ++i) {
        // Files whose size changed (every 200th) lost theirs.
        const bool kept = i % 100 == 0 && i % 200 != 0;
        ASSERT_EQ(DameLineaDescripcion(fresh.Line(i + 2)), kept ? "note " + std::to_string(i) : "")
            << i;
    }
}

// Duplicate checks.

struct Headers {
    std::vector<std::string> lines;
    std::vector<std::string_view> views;
    explicit Headers(std::vector<std::string> headers) : lines(std::move(headers)) {
        for (const std::string& line : lines)
            views.push_back(line);
    }
};

const std::string kLongPath = "E:\\" + std::string(1'100, 'p');

const Headers kLoaded({
    LineaCabecera("Backup", "H.D.", "1A2B-3C4D", "C:\\", "SYS", 3, 10, 20, ""),
    LineaCabecera("Fotos", "Dirs", "5E6F-7A8B", "E:\\Docs\\Fotos", "DATA", 3, 0, 20, ""),
    LineaCabecera("Música Ñandú", "CD-ROM", "0000-0000", "D:\\", "", 5, 0, 20, ""),
    LineaCabecera("CANCI\xD3N", "DVD", "0000-0000", "D:\\", "", 5, 0, 20, ""), // Windows-1252
    LineaCabecera("Long", "Dirs", "9999-9999", kLongPath + "a", "", 3, 0, 20, ""),
});

TEST(RecatalogueTest, EsDiscoRepetido) {
    struct Case {
        std::string serial;
        bool serialNumberOff, repeated;
    };
    const std::vector<Case> cases = {
        {"1A2B-3C4D", false, true},  {"1A2B-3C4D", true, false},  // serial numbers switched off
        {"1A2B-3C4E", false, false}, {"5E6F-7A8B", false, false}, // only a folder catalogue has it
        {"1a2b-3c4d", false, false},                              // serials compare exactly
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.serial + (c.serialNumberOff ? " off" : ""));
        EXPECT_EQ(EsDiscoRepetido(c.serial, kLoaded.views, c.serialNumberOff), c.repeated);
    }
    EXPECT_FALSE(EsDiscoRepetido("1A2B-3C4D", {}, false));
}

TEST(RecatalogueTest, EsCarpetaRepetida) {
    struct Case {
        std::string serial, path;
        bool repeated;
    };
    const std::vector<Case> cases = {
        {"5E6F-7A8B", "E:\\Docs\\Fotos", true},
        {"5E6F-7A8B", "F:\\Docs\\Fotos", true},  // the drive letter is not compared
        {"1A2B-3C4D", "E:\\Docs\\Fotos", false}, // the same path on another volume
        {"5E6F-7A8B", "E:\\Docs\\fotos", false},
        {"5E6F-7A8B", "E:\\Docs", false},
        {"1A2B-3C4D", "C:\\", false},         // a disk catalogue is no folder catalogue
        {"9999-9999", kLongPath + "b", true}, // differs only after 1,024 characters
        {"9999-9999", kLongPath.substr(0, 900), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.serial + " " + c.path.substr(0, 40));
        EXPECT_EQ(EsCarpetaRepetida(c.serial, c.path, kLoaded.views), c.repeated);
    }
    EXPECT_FALSE(EsCarpetaRepetida("5E6F-7A8B", "E:\\Docs\\Fotos", {}));
}

TEST(RecatalogueTest, EsNombreRepetido) {
    struct Case {
        std::string name;
        bool repeated;
    };
    const std::vector<Case> cases = {
        {"Backup", true},       {"backup", true},        {"BACKUP", true}, {"música ñandú", true},
        {"MÚSICA ÑANDÚ", true}, {"Musica Nandu", false}, // accents are letters of their own
        {"canción", true},                               // against a header written on Windows
        {"canci\xF3n", true},                            // both sides in Windows-1252
        {"Backup ", false},     {"Fot", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EsNombreRepetido(c.name, kLoaded.views), c.repeated);
    }
    EXPECT_FALSE(EsNombreRepetido("Backup", {}));
}

} // namespace
} // namespace sorvane
