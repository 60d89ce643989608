// Loading catalogue files: current and old header forms, the ".bak" copy of an
// upgrade, the name check, and damaged files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/CatalogueLoader.h"
#include "catalogue/format/FormatError.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/TextUtils.h"
#include "platform/Files.h"

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

const std::string kFolderLine = std::string(1, kFolderMarker) + "   " + CodificaFecha(2162688) +
                                CodificaFecha(2162688) + "0\\";

TEST_F(CatalogueLoaderTest, LoadsCurrentFormWithEveryLineEnd) {
    const std::string path = Write("Disk1.tct", Header("Disk1") + "\r\n" + kFolderLine + "\nfile\r");
    const LoadedCatalogue loaded = CargaCatalogo(path);
    ASSERT_TRUE(loaded.lines);
    EXPECT_EQ(loaded.name, "Disk1");
    EXPECT_FALSE(loaded.upgraded);
    EXPECT_EQ(loaded.lines->Count(), 3u);
    EXPECT_EQ(loaded.lines->Line(2), "file");
    EXPECT_FALSE(fs::exists(dir_ / "Disk1.bak"));
}

TEST_F(CatalogueLoaderTest, ByteOrderMarkIsNotTakenForAnOldHeader) {
    const std::string path = Write("Bom.tct", "\xEF\xBB\xBF" + Header("Bom") + "\r\n" + kFolderLine);
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
        {"Fotos2.tct", "fotos2", false},        // differs only in case
        {"Otro.tct", "Distinto", false},
        {"Caf\xC3\xA9.tct", "Caf\xE9", true},  // header written in Windows-1252
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
    EXPECT_EQ(ReadWholeFile((dir_ / "BadUsed.tct").string()), OldHeader("BadUsed", "12x", "\\") + "\r\n");
}

} // namespace
} // namespace sorvane
