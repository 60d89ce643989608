// Tests of the one-character codes: disk types, file, folder and extended
// attributes both ways, and the media kind of an extension.
#include "catalogue/format/Codes.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace sorvane {
namespace {

TEST(CodesTest, DiskTypesMapBothWays) {
    struct Case {
        char code;
        std::string_view text;
    };
    const std::vector<Case> cases = {
        {'0', "CD-ROM"}, {'1', "Floppy"}, {'2', "DVD"},    {'3', "H.D."},   {'4', "Zip"},
        {'5', "Jaz"},    {'6', "M.O."},   {'A', "CD-RW"},  {'B', "DVD-RW"}, {'C', "Dirs"},
        {'L', "LS-120"}, {'M', "CD-A"},   {'N', "Netdrv"}, {'Z', "?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text));
        EXPECT_EQ(CodificaTipoDisco(c.text), c.code);
        EXPECT_EQ(DecodificaTipoDisco(c.code), c.text);
    }
}

TEST(CodesTest, UnknownDiskTypesCodeAsBlankAndShowEmpty) {
    for (std::string_view text : {"cd-rom", "CD-ROM ", " CD-ROM", "dirs", "HD", "", "Other"}) {
        SCOPED_TRACE(std::string(text));
        EXPECT_EQ(CodificaTipoDisco(text), ' ');
    }
    for (char code : {'7', '9', 'D', 'c', 'z', ' ', '\0', '\xFF'}) {
        SCOPED_TRACE(static_cast<int>(static_cast<unsigned char>(code)));
        EXPECT_EQ(DecodificaTipoDisco(code), "");
    }
}

// One code of a table and the letters shown for it.
struct CodeRow {
    char code;
    std::string_view letters;
};

std::uint32_t BitsOfSlots(unsigned value, std::uint32_t slot1, std::uint32_t slot2,
                          std::uint32_t slot4, std::uint32_t slot8) {
    std::uint32_t bits = 0;
    if (value & 1) bits |= slot1;
    if (value & 2) bits |= slot2;
    if (value & 4) bits |= slot4;
    if (value & 8) bits |= slot8;
    return bits;
}

// A code table: row i holds the code of value i; each slot of the value (1, 2,
// 4, 8) stands for one attribute bit.
struct CodeTable {
    const char* name;
    std::vector<CodeRow> rows;
    std::uint32_t slots[4];    // bits for the values 1, 2, 4, 8 (0 when the table has no slot)
    std::uint32_t ignoredBits; // bits that must not change the code
    char (*encode)(std::uint32_t);
    std::string_view (*decode)(char);
    std::vector<char> badCodes;
};

TEST(CodesTest, AttributeCodesMapBothWays) {
    const std::vector<CodeTable> tables = {
        {"file attributes",
         {{'0', ""},
          {'1', "R"},
          {'2', "A"},
          {'3', "AR"},
          {'4', "H"},
          {'5', "HR"},
          {'6', "HA"},
          {'7', "HAR"},
          {'8', "S"},
          {'9', "SR"},
          {'A', "SA"},
          {'B', "SAR"},
          {'C', "SH"},
          {'D', "SHR"},
          {'E', "SHA"},
          {'F', "SHAR"}},
         {kAttrReadOnly, kAttrArchive, kAttrHidden, kAttrSystem},
         kAttrDirectory | kAttrTemporary | kAttrCompressed | kAttrOffline,
         CodificaAtributos,
         DecodificaAtributos,
         {'G', 'a', 'f', '/', ':', '@', ' ', '\0', '\xFF'}},
        {"folder attributes",
         {{'0', ""},
          {'1', "R"},
          {'2', "H"},
          {'3', "HR"},
          {'4', "C"},
          {'5', "CR"},
          {'6', "CH"},
          {'7', "CHR"}},
         {kAttrReadOnly, kAttrHidden, kAttrCompressed, 0},
         kAttrSystem | kAttrArchive | kAttrDirectory | kAttrTemporary | kAttrOffline,
         CodificaAtributosCarpeta,
         DecodificaAtributosCarpeta,
         {'8', '9', 'A', 'F', 'G', 'c', ' '}},
        {"extended attributes",
         {{'0', ""},
          {'1', "T"},
          {'2', "O"},
          {'3', "TO"},
          {'4', "C"},
          {'5', "CT"},
          {'6', "CO"},
          {'7', "CTO"}},
         {kAttrTemporary, kAttrOffline, kAttrCompressed, 0},
         kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrDirectory | kAttrArchive,
         CodificaAtributosExtendidos,
         DecodificaAtributosExtendidos,
         {'8', 'A', 'F', 't', ' '}},
    };
    for (const CodeTable& table : tables) {
        SCOPED_TRACE(table.name);
        for (std::size_t value = 0; value < table.rows.size(); ++value) {
            const CodeRow& row = table.rows[value];
            SCOPED_TRACE(std::string(1, row.code));
            const std::uint32_t bits = BitsOfSlots(static_cast<unsigned>(value), table.slots[0],
                                                   table.slots[1], table.slots[2], table.slots[3]);
            EXPECT_EQ(table.encode(bits), row.code);
            EXPECT_EQ(table.encode(bits | table.ignoredBits), row.code);
            EXPECT_EQ(table.decode(row.code), row.letters);
        }
        for (char bad : table.badCodes) {
            SCOPED_TRACE(static_cast<int>(static_cast<unsigned char>(bad)));
            EXPECT_EQ(table.decode(bad), "Error");
        }
    }
}

TEST(CodesTest, MediaKindOfExtension) {
    struct Case {
        std::string_view extension;
        MediaKind kind;
    };
    const std::vector<Case> cases = {
        {"DOC", MediaKind::Text},   {"DOT", MediaKind::Text},   {"BMP", MediaKind::Bitmap},
        {"GIF", MediaKind::Bitmap}, {"JPG", MediaKind::Bitmap}, {"JPEG", MediaKind::Bitmap},
        {"JPE", MediaKind::Bitmap}, {"PCX", MediaKind::Bitmap}, {"PNG", MediaKind::Bitmap},
        {"TIF", MediaKind::Bitmap}, {"TGA", MediaKind::Bitmap}, {"WAV", MediaKind::Audio},
        {"MP3", MediaKind::Music},  {"OGG", MediaKind::Music},  {"WMA", MediaKind::Music},
        {"AVI", MediaKind::Video},  {"TIFF", MediaKind::None},  {"", MediaKind::None},
        {"jpg", MediaKind::None},   {"Doc", MediaKind::None},   {"JP", MediaKind::None},
        {"B", MediaKind::None},     {"JPEGS", MediaKind::None}, {"DOCX", MediaKind::None},
        {"MP4", MediaKind::None},   {"TXT", MediaKind::None},   {"WAV ", MediaKind::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.extension));
        EXPECT_EQ(MediaKindOfExtension(c.extension), c.kind);
        EXPECT_EQ(EsExtensionDOC(c.extension), c.kind == MediaKind::Text);
        EXPECT_EQ(EsExtensionImagen(c.extension), c.kind == MediaKind::Bitmap);
        EXPECT_EQ(EsExtensionWAV(c.extension), c.kind == MediaKind::Audio);
        EXPECT_EQ(EsExtensionMusica(c.extension), c.kind == MediaKind::Music);
        EXPECT_EQ(EsExtensionAVI(c.extension), c.kind == MediaKind::Video);
    }
}

} // namespace
} // namespace sorvane
