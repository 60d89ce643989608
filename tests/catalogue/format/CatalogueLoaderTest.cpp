// Loading catalogue files: current and old header forms, the ".bak" copy of an
// upgrade, the name check, and damaged files.
#include "catalogue/format/CatalogueLoader.h"

#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/FormatError.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/TextUtils.h"
#include "platform/Files.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <typeinfo>

namespace sorvane {
namespace {

namespace fs = std::filesystem;

class CatalogueLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "loader-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& file, const std::string& bytes) {
        const std::string path = (dir_ / file).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    fs::path dir_;
};

// A current-form header for a catalogue `name`.
std::string Header(const std::string& name) {
    return std::string(":3C") + "1A2B-3C4D" + PadLeftToWidth(CodificaInt64(1000), 7) +
           PadLeftToWidth(CodificaInt64(2000), 7) + PadLeftToWidth("3", 10) +
           PadRightToWidth("LABEL", 20) + kMediaBracket + name + kMediaBracket +
           kDescriptionBracket + "\\" + kDescriptionBracket;
}

// An old-form header: name 1-128, type 129, serial 130-138, used bytes 139-152,
// drive type 153-162, label 163-176, drive letter 177, one unused character, path.
std::string OldHeader(const std::string& name, const std::string& used, const std::string& tail) {
    return PadRightToWidth(name, 128) + "0" + "0A0B-0C0D" + PadLeftToWidth(used, 14) +
           PadLeftToWidth("5", 10) + PadRightToWidth("CDLABEL", 14) + "E" + " " + tail;
}

const std::string kFolderLine =
    std::string(1, kFolderMarker) + "   " + CodificaFecha(2162688) + CodificaFecha(2162688) + "0\\";

TEST_F(CatalogueLoaderTest, LoadsCurrentFormWithEveryLineEnd) {
    const std::string path =
        Write("Disk1.tct", Header("Disk1") + "\r\n" + kFolderLine + "\nfile\r");
    const LoadedCatalogue loaded = CargaCatalogo(path);
    ASSERT_TRUE(loaded.lines);
    EXPECT_EQ(loaded.name, "Disk1");
    EXPECT_FALSE(loaded.upgraded);
    EXPECT_EQ(loaded.lines->Count(), 3u);
    EXPECT_EQ(loaded.lines->Line(2), "file");
    EXPECT_FALSE(fs::exists(dir_ / "Disk1.bak"));
}

TEST_F(CatalogueLoaderTest, ByteOrderMarkIsNotTakenForAnOldHeader) {
    const std::string path =
        Write("Bom.tct", "\xEF\xBB\xBF" + Header("Bom") + "\r\n" + kFolderLine);
    const LoadedCatalogue loaded = CargaCatalogo(path);
    ASSERT_TRUE(loaded.lines);
    EXPECT_FALSE(loaded.upgraded);
    EXPECT_EQ(DameCabeceraNombre(loaded.lines->Line(0)), "Bom");
}

TEST_F(CatalogueLoaderTest, UpgradesOldHeaderAndKeepsBackup) {
    const std::string exclusions = std::string(1, kNestedBracket) + "E:\\TMP\\" + kNestedBracket;
    const std::string old = OldHeader("Old Disk", "123456", "\\" + exclusions);
    const std::string original = old + "\r\n" + kFolderLine + "\r\n";
    const std::string path = Write("Old Disk.tct", original);
    bool told = false;
    const LoadedCatalogue loaded = CargaCatalogo(path, [&] { told = true; });

    ASSERT_TRUE(loaded.lines);
    EXPECT_TRUE(told);
    EXPECT_TRUE(loaded.upgraded);
    const std::string_view header = loaded.lines->Line(0);
    EXPECT_EQ(DameCabeceraTipo(header), '0');
    EXPECT_EQ(DameCabeceraUnidad(header), 'E');
    EXPECT_EQ(DameCabeceraNumSerie(header), "0A0B-0C0D");
    EXPECT_EQ(DameCabeceraLibre(header), 0);
    EXPECT_EQ(DameCabeceraOcupado(header), 123456);
    EXPECT_EQ(DameCabeceraTipoUnidad(header), 5);
    EXPECT_EQ(DameCabeceraVolumen(header), "CDLABEL");
    EXPECT_EQ(DameCabeceraNombre(header), "Old Disk");
    EXPECT_EQ(DameCabeceraRuta(header), "\\");
    EXPECT_EQ(DameCabeceraExcluidas(header), "E:\\TMP\\");

    EXPECT_EQ(ReadWholeFile((dir_ / "Old Disk.bak").string()), original);
    // The upgraded file on disk now starts with the current header and loads as is.
    const LoadedCatalogue again = CargaCatalogo(path);
    ASSERT_TRUE(again.lines);
    EXPECT_FALSE(again.upgraded);
    EXPECT_EQ(again.lines->Line(0), header);
    EXPECT_EQ(again.lines->Line(1), kFolderLine);
}

TEST_F(CatalogueLoaderTest, NameCheckIsExactButReadsWindowsNamesAsText) {
    struct Case {
        std::string file;
        std::string headerName;
        bool loads;
    };
    const std::vector<Case> cases = {
        {"Fotos.tct", "Fotos", true},
        {"Fotos2.tct", "fotos2", false}, // differs only in case
        {"Otro.tct", "Distinto", false},
        {"Caf\xC3\xA9.tct", "Caf\xE9", true}, // header written in Windows-1252
        {"Upper.TCT", "Upper", true},
    };
    for (const Case& c : cases) {
        const std::string path = Write(c.file, Header(c.headerName) + "\r\n" + kFolderLine);
        const LoadedCatalogue loaded = CargaCatalogo(path);
        EXPECT_EQ(static_cast<bool>(loaded.lines), c.loads) << c.file;
    }
}

TEST_F(CatalogueLoaderTest, DamagedFilesRaise) {
    struct Case {
        const char* file;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"Empty.tct", ""},
        {"EmptyHeader.tct", "\r\n" + kFolderLine},
        {"ShortOld.tct", "A too short old header\r\n"},
        {"BadUsed.tct", OldHeader("BadUsed", "12x", "\\") + "\r\n"},
        {"Truncated.tct", Header("Truncated").substr(0, 40)},
    };
    for (const Case& c : cases) {
        const std::string path = Write(c.file, c.bytes);
        EXPECT_THROW(CargaCatalogo(path), EFormatoCatalogo) << c.file;
    }
    EXPECT_THROW(CargaCatalogo((dir_ / "Missing.tct").string()), EInOutError);
    // A failed upgrade leaves the file as it was.
    EXPECT_EQ(ReadWholeFile((dir_ / "BadUsed.tct").string()),
              OldHeader("BadUsed", "12x", "\\") + "\r\n");
}

// What loading one file gave: its lines, or why it gave none, with the folder
// left out of messages.
std::string Outcome(const std::function<LoadedCatalogue()>& load, const std::string& folder) {
    try {
        const LoadedCatalogue loaded = load();
        if (!loaded.lines) return "name differs";
        std::string text = loaded.upgraded ? "upgraded:" : "";
        for (std::size_t i = 0; i < loaded.lines->Count(); ++i)
            text += std::string(loaded.lines->Line(i)) + "|";
        return text;
    } catch (const std::exception& e) {
        std::string message = e.what();
        for (std::size_t at; (at = message.find(folder)) != std::string::npos;)
            message.replace(at, folder.size(), "<folder>");
        return std::string(typeid(e).name()) + ": " + message;
    }
}

// The files of one folder by name, each with its kind and bytes.
std::map<std::string, std::string> FolderState(const fs::path& folder) {
    std::map<std::string, std::string> state;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_symlink())
            state[name] = "link to " + fs::read_symlink(entry.path()).filename().string();
        else
            state[name] = ReadWholeFile(entry.path().string());
    }
    return state;
}

// Read ahead on worker threads and finished in order, a list of good and damaged
// catalogues gives what loading them one after the other gives: the same lines,
// the same errors in the same order, the same files written.
TEST_F(CatalogueLoaderTest, ReadAheadGivesWhatLoadingOneByOneGives) {
    std::string big = Header("Big") + "\r\n";
    for (int i = 0; i < 50'000; ++i)
        big += kFolderLine + std::to_string(i) + "\r\n";
    const std::vector<std::pair<std::string, std::string>> files = {
        {"Good.tct", Header("Good") + "\r\n" + kFolderLine + "\r\n"},
        {"Empty.tct", ""},
        {"Big.tct", big},
        {"EmptyHeader.tct", "\r\n" + kFolderLine},
        {"Old.tct", OldHeader("Old", "99", "\\") + "\r\n" + kFolderLine + "\r\n"},
        {"Other.tct", Header("Someone else") + "\r\n"},
        {"BadUsed.tct", OldHeader("BadUsed", "12x", "\\") + "\r\n"},
        {"Bom.tct", "\xEF\xBB\xBF" + Header("Bom") + "\n" + kFolderLine},
        {"Truncated.tct", Header("Truncated").substr(0, 40)},
    };
    std::vector<std::string> names;
    for (const auto& [name, bytes] : files)
        names.push_back(name);
    names.push_back("Missing.tct");
    const fs::path one = dir_ / "one", ahead = dir_ / "ahead";
    for (const fs::path& folder : {one, ahead}) {
        fs::create_directories(folder);
        for (const auto& [name, bytes] : files)
            std::ofstream(folder / name, std::ios::binary) << bytes;
    }

    std::vector<std::string> expected;
    for (const std::string& name : names) {
        const std::string path = (one / name).string();
        expected.push_back(Outcome([&] { return CargaCatalogo(path); }, one.string()));
    }
    for (const unsigned threads : {0u, 1u, 3u}) {
        SCOPED_TRACE(threads);
        fs::remove_all(ahead);
        fs::create_directories(ahead);
        for (const auto& [name, bytes] : files)
            std::ofstream(ahead / name, std::ios::binary) << bytes;
        std::vector<std::string> paths;
        for (const std::string& name : names)
            paths.push_back((ahead / name).string());
        CatalogueReadAhead reads(paths, threads);
        ASSERT_EQ(reads.Count(), names.size());
        std::vector<std::string> got;
        for (std::size_t i = 0; i < reads.Count(); ++i)
            got.push_back(Outcome([&] { return TerminaCatalogo(reads.Path(i), reads.Take(i)); },
                                  ahead.string()));
        EXPECT_EQ(got, expected);
        EXPECT_EQ(FolderState(ahead), FolderState(one));
    }
}

// A file read before an earlier one in the list was upgraded sees the upgrade:
// a second name linked to an old-form catalogue is a name mismatch, as when the
// two load one after the other, and is neither upgraded nor backed up.
TEST_F(CatalogueLoaderTest, ReadAheadSeesAnUpgradeOfAnEarlierFile) {
    const std::string old =
        Write("Old.tct", OldHeader("Old", "99", "\\") + "\r\n" + kFolderLine + "\r\n");
    fs::create_symlink("Old.tct", dir_ / "Linked.tct");
    CatalogueReadAhead reads({old, (dir_ / "Linked.tct").string()}, 2);
    CatalogueRead first = reads.Take(0);
    CatalogueRead second = reads.Take(1); // read while Old.tct is still in the old form
    const LoadedCatalogue upgraded = TerminaCatalogo(reads.Path(0), std::move(first));
    ASSERT_TRUE(upgraded.lines);
    EXPECT_TRUE(upgraded.upgraded);
    const LoadedCatalogue linked = TerminaCatalogo(reads.Path(1), std::move(second));
    EXPECT_FALSE(linked.lines);
    EXPECT_FALSE(linked.upgraded);
    EXPECT_TRUE(fs::is_symlink(dir_ / "Linked.tct"));
    EXPECT_FALSE(fs::exists(dir_ / "Linked.bak"));
}

// Ending a read-ahead before every file was taken stops its workers.
TEST_F(CatalogueLoaderTest, ReadAheadEndsWithFilesNotTaken) {
    std::vector<std::string> paths;
    for (int i = 0; i < 40; ++i)
        paths.push_back(
            Write("C" + std::to_string(i) + ".tct", Header("C" + std::to_string(i)) + "\r\n"));
    CatalogueReadAhead reads(paths, 4);
    const LoadedCatalogue first = TerminaCatalogo(reads.Path(0), reads.Take(0));
    ASSERT_TRUE(first.lines);
    EXPECT_EQ(first.name, "C0");
}

} // namespace
} // namespace sorvane
