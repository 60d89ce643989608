// Tests of the language-file reader and of the program-wide lookups built on it.
#include "dialogs/LanguageFile.h"

#include "dialogs/Language.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace sorvane {
namespace {

constexpr const char* kDefault = "<default>";

struct LookupCase {
    const char* what;
    std::string text;
    std::string section;
    std::string key;
    std::string expected;
};

TEST(LanguageFile, LooksUpSectionAndKeyExactly) {
    const std::string basic = "[W]\nOK=ok\nDESC=desc\n[M]\nOK=Fine.\nM_ESPERE=Please wait...\n";
    const std::vector<LookupCase> cases = {
        {"key of the first section", basic, "W", "DESC", "desc"},
        {"same key in another section", basic, "M", "OK", "Fine."},
        {"missing key", basic, "W", "NOPE", kDefault},
        {"key of another section only", basic, "W", "M_ESPERE", kDefault},
        {"missing section", basic, "T", "OK", kDefault},
        {"section name differs in case", basic, "w", "OK", kDefault},
        {"key differs in case", "[W]\nVideo=video\n", "W", "VIDEO", kDefault},
        {"mixed-case key", "[W]\nVideo=video\n", "W", "Video", "video"},
        {"key with a UTF-8 letter", "[L]\nRG_AUTOSORT_TAMAÑO=By size\n", "L", "RG_AUTOSORT_TAMAÑO",
         "By size"},
        {"UTF-8 key folded to ASCII is another key", "[L]\nRG_AUTOSORT_TAMAÑO=x\n", "L",
         "RG_AUTOSORT_TAMANO", kDefault},
        {"empty file", "", "W", "OK", kDefault},
        {"key before any section", "OK=loose\n[W]\n", "W", "OK", kDefault},
        {"last line without a line end", "[W]\nA=1\nB=2", "W", "B", "2"},
        {"line without equals sign is skipped", "[W]\njust words\nA=1\n", "W", "A", "1"},
        {"first of a repeated key", "[W]\nA=first\nA=second\n", "W", "A", "first"},
        {"section named twice collects both", "[W]\nA=1\n[M]\nX=y\n[W]\nB=2\n", "W", "B", "2"},
    };
    for (const LookupCase& c : cases) {
        const TLanguageFile file = TLanguageFile::FromText(c.text);
        EXPECT_EQ(file.ReadString(c.section, c.key, kDefault), c.expected) << c.what;
    }
}

TEST(LanguageFile, TakesTheTextAfterTheFirstEqualsSignAsItStands) {
    const std::vector<LookupCase> cases = {
        {"equals sign inside the text", "[M]\nA=x = y=z\n", "M", "A", "x = y=z"},
        {"empty text stays empty", "[M]\nA=\n", "M", "A", ""},
        {"empty text with CR LF", "[M]\r\nA=\r\n", "M", "A", ""},
        {"leading blank kept", "[M]\nA= - errors\n", "M", "A", " - errors"},
        {"trailing blank kept", "[L]\nA=Updating \n", "L", "A", "Updating "},
        {"blank before the equals sign belongs to the key", "[M]\nA =x\n", "M", "A", kDefault},
        {"trailing CR removed", "[M]\r\nA=one\r\nB=two\r\n", "M", "B", "two"},
        {"only one trailing CR removed", "[M]\nA=one\r\r\n", "M", "A", "one\r"},
        {"CR LF and LF mixed", "[M]\r\nA=one\nB=two\r\n", "M", "A", "one"},
        {"byte-order mark skipped", "\xEF\xBB\xBF[W]\r\nOK=ok\r\n", "W", "OK", "ok"},
        {"byte-order mark only at the start", "[W]\n\xEF\xBB\xBFOK=ok\n", "W", "OK", kDefault},
        {"UTF-8 text", "[M]\nA=¿Desea salir de Sorvane?\n", "M", "A", "¿Desea salir de Sorvane?"},
    };
    for (const LookupCase& c : cases) {
        const TLanguageFile file = TLanguageFile::FromText(c.text);
        EXPECT_EQ(file.ReadString(c.section, c.key, kDefault), c.expected) << c.what;
    }
}

// A file in a fresh temporary folder, removed with the folder.
class LanguageFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ =
            std::filesystem::temp_directory_path() /
            ("sorvane-lang-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string Write(const std::string& name, const std::string& bytes) {
        const std::filesystem::path path = folder_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    std::string Missing() const { return (folder_ / "missing.ini").string(); }

    std::filesystem::path folder_;
};

TEST_F(LanguageFileOnDisk, ReadsAWholeFileWithMarkAndCrLf) {
    const TLanguageFile file(
        Write("english.ini", "\xEF\xBB\xBF[W]\r\nOK=OK\r\n[M]\r\nA=x=y\r\nB="));
    EXPECT_EQ(file.ReadString("W", "OK", kDefault), "OK");
    EXPECT_EQ(file.ReadString("M", "A", kDefault), "x=y");
    EXPECT_EQ(file.ReadString("M", "B", kDefault), "");
}

TEST_F(LanguageFileOnDisk, MissingFileOpensEmpty) {
    const TLanguageFile file(Missing());
    EXPECT_EQ(file.ReadString("W", "OK", kDefault), kDefault);
}

// The program-wide state lives for the whole process; each test leaves it as
// it found it (an empty file and the start-up default).
class LanguageLookups : public LanguageFileOnDisk {
protected:
    void TearDown() override {
        LanguageFile() = TLanguageFile();
        LanguageDefaultText() = "File Language Error";
        LanguageFileOnDisk::TearDown();
    }
};

TEST_F(LanguageLookups, StartWithNoFileAndTheFileLanguageErrorDefault) {
    EXPECT_EQ(LanguageDefaultText(), "File Language Error");
    EXPECT_EQ(LeeTexto("W", "OK"), "File Language Error");
    EXPECT_EQ(LeeTextoCapital("W", "OK"), "File Language Error");
}

TEST_F(LanguageLookups, ReadTheOpenFileWithTheCurrentDefault) {
    AbreIdioma(
        Write("spanish.ini", "[W]\nDESC=descripción\nANO=año\nVACIO=\n[M]\nM_ESPERE=espere...\n"));
    EXPECT_EQ(LeeTexto("W", "DESC"), "descripción");
    EXPECT_EQ(LeeTexto("M", "M_ESPERE"), "espere...");
    EXPECT_EQ(LeeTexto("M", "DESC"), "File Language Error");

    LanguageDefaultText() = "Language File Error";
    EXPECT_EQ(LeeTexto("W", "NOPE"), "Language File Error");
    EXPECT_EQ(LeeTexto("W", "VACIO"), "") << "a present empty text is not replaced by the default";
}

TEST_F(LanguageLookups, CapitalisedLookupRaisesOnlyTheFirstCharacter) {
    AbreIdioma(Write("english.ini", "[W]\nDESC=desc\nANO=año\nEXITOS=hits found\nVACIO=\n"
                                    "[M]\nM_BUSCANDO=hits, searching...\n"));
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"DESC", "Desc"}, {"EXITOS", "Hits found"},        {"ANO", "Año"},
        {"VACIO", ""},    {"NOPE", "File Language Error"},
    };
    for (const auto& [key, expected] : cases)
        EXPECT_EQ(LeeTextoCapital("W", key), expected) << key;
    EXPECT_EQ(LeeTexto("M", "M_BUSCANDO"), "hits, searching...") << "plain lookups stay as stored";
}

TEST_F(LanguageLookups, OpeningAnotherFileReplacesTheOpenOne) {
    AbreIdioma(Write("english.ini", "[W]\nOK=OK\nSIGUIENTE=next\n"));
    AbreIdioma(Write("spanish.ini", "[W]\nOK=Aceptar\n"));
    EXPECT_EQ(LeeTexto("W", "OK"), "Aceptar");
    EXPECT_EQ(LeeTexto("W", "SIGUIENTE"), "File Language Error") << "nothing of the old file stays";

    AbreIdioma(Missing());
    EXPECT_EQ(LeeTexto("W", "OK"), "File Language Error");
}

} // namespace
} // namespace sorvane
