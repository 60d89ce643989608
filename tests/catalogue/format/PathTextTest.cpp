// Tests of the path and name routines, the comparison normal forms (upper-case,
// accents removed), label and control cleaning, and the size texts of the grids.
// The size texts use the locale's thousands separator: "," under LC_ALL=C.
#include "catalogue/format/PathText.h"

#include "catalogue/format/FormatError.h"
#include "catalogue/format/StringManager.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace sorvane {
namespace {

struct TextCase {
    std::string input;
    std::string expected;
};

// `prefix` followed by `times` copies of `piece`.
std::string Repeat(const std::string& piece, std::size_t times, const std::string& prefix = "") {
    std::string out = prefix;
    for (std::size_t i = 0; i < times; ++i)
        out += piece;
    return out;
}

TEST(PathTextNombreCarpeta, LastElementOfAFolderPath) {
    const std::vector<TextCase> cases = {
        {"\\", ""},
        {"\\Fotos", "Fotos"},
        {"C:\\Fotos\\2001", "2001"},
        {"C:\\", ""},
        {"\\Música\\Año", "Año"},
        {Repeat("x", 300, "\\"), Repeat("x", 255)},
        {Repeat("é", 300, "\\"), Repeat("é", 255)}, // characters, not bytes
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.input.substr(0, 40));
        EXPECT_EQ(NombreCarpeta(c.input), c.expected);
    }
    for (const std::string path : {"Fotos", ""}) {
        SCOPED_TRACE(path);
        try {
            NombreCarpeta(path);
            ADD_FAILURE() << "no exception";
        } catch (const EInternalError& e) {
            EXPECT_STREQ(e.what(), "Error interno: NombreCarpeta()");
        }
    }
}

TEST(PathTextExtraeRutaPadre, TextBeforeTheLastBackslash) {
    const std::vector<TextCase> cases = {
        {"\\Fotos\\2001", "\\Fotos"},
        {"\\Fotos", "\\"}, // the root keeps its backslash
        {"\\", "\\"},
        {"C:\\Fotos", "C:"},
        {"a\\b\\", "a\\b"},
        {"Fotos", ""},
        {"", ""},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(ExtraeRutaPadre(c.input), c.expected);
    }
}

TEST(PathTextExtraeUltimoElemento, KeepsATrailingBackslash) {
    const std::vector<TextCase> cases = {
        {"C:\\Fotos\\2001", "2001"},
        {"C:\\Fotos\\2001\\", "2001\\"},
        {"\\Fotos", "Fotos"},
        {"\\Fotos\\", "Fotos\\"},
        {"Fotos", "Fotos"},
        {"a", "a"},
        {"", ""},
        {Repeat("x", 300, "\\"), Repeat("x", 256)},
        {Repeat("ñ", 300, "\\a\\"), Repeat("ñ", 256)},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.input.substr(0, 40));
        EXPECT_EQ(ExtraeUltimoElemento(c.input), c.expected);
    }
}

TEST(PathTextExtension, QuitaExtensionAndExtraeExtension) {
    struct Case {
        std::string name;
        std::string base;
        std::string extension;
    };
    const std::vector<Case> cases = {
        {"foto.jpg", "foto", "jpg"},
        {"copia.tar.gz", "copia.tar", "gz"},
        {"LEEME", "LEEME", ""},
        {"nombre.", "nombre", ""},
        {".profile", "", "profile"},
        {"canción.ogg", "canción", "ogg"},
        {"", "", ""},
        {Repeat("x", 300, "a."), "a", Repeat("x", 256)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.substr(0, 40));
        EXPECT_EQ(QuitaExtension(c.name), c.base);
        EXPECT_EQ(ExtraeExtension(c.name), c.extension);
    }
}

TEST(PathTextQuitaTildes, PlainVowelsForAcuteAndDiaeresisOnly) {
    const std::vector<TextCase> cases = {
        {"áéíóúü", "aeiouu"},
        {"ÁÉÍÓÚÜ", "AEIOUU"},
        {"Canción del pingüino", "Cancion del pinguino"},
        {"ñÑ", "ñÑ"},       // the n with tilde stays
        {"àèçÂö", "àèçÂö"}, // other accents stay
        {"plain 123", "plain 123"},
        {"", ""},
        {"Canci\xF3n", "Cancion"}, // Windows-1252 in, UTF-8 out
        {"a\xF1o", "año"},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.input);
        std::string text = c.input;
        QuitaTildes(text);
        EXPECT_EQ(text, c.expected);
    }
}

// Both upper-casings are one character to one; the table knows only the
// characters of Windows-1252, the Unicode one every character.
TEST(PathTextPasaMayusculas, ThroughTheTableOrWithUnicode) {
    struct Case {
        std::string input, table, unicode;
    };
    const std::vector<Case> cases = {
        {"hola", "HOLA", "HOLA"},
        {"canción", "CANCIÓN", "CANCIÓN"},
        {"àçÿ", "ÀÇŸ", "ÀÇŸ"},
        {"šžœ", "ŠŽŒ", "ŠŽŒ"},
        {"ﬁn", "ﬁN", "ﬁN"}, // the ligature has no single capital
        {"αβγ", "αβγ", "ΑΒΓ"},
        {"москва", "москва", "МОСКВА"},
        {"ǆ", "ǆ", "Ǆ"},
        {"ā", "ā", "Ā"},
        {"123-_.", "123-_.", "123-_."},
        {"", "", ""},
        {"caf\xE9", "CAFÉ", "CAFÉ"}, // Windows-1252 in, UTF-8 out
    };
    for (const bool table : {true, false}) {
        SetTableUpperCase(table);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.input + (table ? " by the table" : " by Unicode"));
            std::string text = c.input;
            PasaMayusculas(text);
            EXPECT_EQ(text, table ? c.table : c.unicode);
        }
    }
    SetTableUpperCase(true);
}

TEST(PathTextPasaMayusculasSinTildes, UpperCaseThenAccentsRemoved) {
    const std::vector<TextCase> cases = {
        {"Canción", "CANCION"}, {"pingüino", "PINGUINO"}, {"año", "AÑO"}, {"àé", "ÀE"},
        {"ÁRBOL", "ARBOL"},     {"caf\xE9", "CAFE"},      {"", ""},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.input);
        std::string text = c.input;
        PasaMayusculasSinTildes(text);
        EXPECT_EQ(text, c.expected);
    }
}

TEST(PathTextLimpiaEtiqueta, OneBlankPerCharacterOutsideTheLabelSet) {
    const std::vector<TextCase> cases = {
        {"Disco_01-A", "Disco_01-A"},
        {"Mi disco", "Mi disco"},
        {"a.b/c:d", "a b c d"},
        {"año", "a o"}, // "ñ" is two bytes but one blank
        {"€5", " 5"},
        {"a😀b", "a b"},
        {"a\xF1o", "a o"}, // a Windows-1252 byte is one character too
        {"\t\x01", "  "},
        {"", ""},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.input);
        std::string text = c.input;
        LimpiaEtiqueta(text);
        EXPECT_EQ(text, c.expected);
    }
}

TEST(PathTextLimpiaControles, BytesBelowThirtyTwoBecomeBlanks) {
    const std::vector<TextCase> cases = {
        {"a\tb\r\nc", "a b  c"},
        {"\x1F\x20", "  "},
        {"\x7F", "\x7F"},
        {"canción", "canción"}, // bytes of UTF-8 characters are not controls
        {"caf\xE9", "caf\xE9"},
        {std::string("a\0b", 3), "a b"},
        {"", ""},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(LimpiaControles(c.input), c.expected);
        std::string text = c.input;
        LimpiaControlesTexto(text);
        EXPECT_EQ(text, c.expected);
    }
}

struct SizeCase {
    std::int64_t size;
    std::string expected;
};

TEST(PathTextFormateaTamano, BytesKilobytesAndMegabytes) {
    const std::vector<SizeCase> cases = {
        {0, "0 bytes"},
        {99'999, "99,999 bytes"},
        {100'000, "98 KB"},  // 97.66
        {102'912, "100 KB"}, // 100.5: halves go to the even neighbour
        {103'936, "102 KB"}, // 101.5
        {9'999'999, "9,766 KB"},
        {10'000'000, "10 MB"}, // 9.54
        {11'010'048, "10 MB"}, // 10.5
        {12'058'624, "12 MB"}, // 11.5
        {5'000'000'000, "4,768 MB"},
        {std::int64_t{1} << 62, "4,398,046,511,104 MB"},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.size);
        EXPECT_EQ(FormateaTamano(c.size, "bytes"), c.expected);
    }
    EXPECT_EQ(FormateaTamano(5, "octetos"), "5 octetos");
}

TEST(PathTextFormateaTamano, WideThresholdsForCollectorTotals) {
    const std::vector<SizeCase> cases = {
        {999'999, "999,999 bytes"},  {1'000'000, "977 KB"},  // 976.56
        {99'999'999, "97,656 KB"},   {100'000'000, "95 MB"}, // 95.37
        {5'000'000'000, "4,768 MB"},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.size);
        EXPECT_EQ(FormateaTamanoAmplio(c.size, "bytes"), c.expected);
    }
}

} // namespace
} // namespace sorvane
