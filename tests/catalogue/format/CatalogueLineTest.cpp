// Tests of the field readers of catalogue lines on lines built here field by
// field: file lines with their blocks, nested entries, header and folder lines,
// the description operations, the folder-path tests and damaged lines.
#include "catalogue/format/CatalogueLine.h"

#include "catalogue/format/Codes.h"
#include "catalogue/format/FormatError.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/TextUtils.h"

#include <functional>
#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <vector>

namespace sorvane {
namespace {

// Line builders, following the line layouts.

std::string Bytes(std::initializer_list<int> codes) {
    std::string text;
    for (int code : codes)
        text.push_back(static_cast<char>(code));
    return text;
}

std::string DateField(const DateTime& when) {
    return CodificaFecha(DateTimeToDosDate(when).value());
}

// Modified, created, size, attribute code, extended code, then the name.
std::string FileLine(const DateTime& modified, const DateTime& created, std::uint64_t size,
                     std::uint32_t attributes, std::string_view name) {
    std::string line = DateField(modified) + DateField(created) + CodificaTamano(size);
    line += CodificaAtributos(attributes);
    line += CodificaAtributosExtendidos(attributes);
    line += name;
    return line;
}

// Date, size and attribute code of one archive member, then its path.
std::string NestedEntry(const DateTime& date, std::uint64_t size, std::uint32_t attributes,
                        std::string_view path) {
    std::string entry = DateField(date) + CodificaTamano(size);
    entry += CodificaAtributos(attributes);
    entry += path;
    return entry;
}

std::string NestedBlock(const std::vector<std::string>& entries) {
    std::string block(1, kNestedBracket);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0) block += kItemSeparator;
        block += entries[i];
    }
    block += kNestedBracket;
    return block;
}

std::string MediaBlockOf(std::string_view fields) {
    return kMediaBracket + std::string(fields) + kMediaBracket;
}

std::string DescriptionBlock(std::string_view text) {
    return kDescriptionBracket + std::string(text) + kDescriptionBracket;
}

// Marker, file count, created, modified, attribute code, then the path.
std::string FolderLine(std::int32_t fileCount, const DateTime& created, const DateTime& modified,
                       std::uint32_t attributes, std::string_view path) {
    std::string line(1, kFolderMarker);
    line += PadLeftToWidth(CodificaEntero(fileCount), 3);
    line += DateField(created) + DateField(modified);
    line += CodificaAtributosCarpeta(attributes);
    line += path;
    return line;
}

struct HeaderParts {
    char type = '3';
    char drive = 'C';
    std::string serial = "1A2B-3C4D";
    std::string freeField = PadLeftToWidth(CodificaInt64(0), 7);
    std::int64_t used = 0;
    int driveType = 3;
    std::string label;
    std::string name;
    std::string path = "\\";
    std::vector<std::string> excluded;
};

// Positions 1-57 of the header layout, then name, source path and exclusions.
std::string HeaderLine(const HeaderParts& h) {
    std::string line(1, kHeaderMarker);
    line += h.type;
    line += h.drive;
    line += h.serial;                                        // 4-12
    line += h.freeField;                                     // 13-19
    line += PadLeftToWidth(CodificaInt64(h.used), 7);        // 20-26
    line += PadLeftToWidth(std::to_string(h.driveType), 10); // 27-36
    line += PadRightToWidth(h.label, 20);                    // 37-56
    line += kMediaBracket;                                   // 57
    line += h.name + kMediaBracket;
    line += DescriptionBlock(h.path);
    if (!h.excluded.empty()) {
        line += kNestedBracket;
        for (std::size_t i = 0; i < h.excluded.size(); ++i) {
            if (i > 0) line += kItemSeparator;
            line += h.excluded[i];
        }
        line += kNestedBracket;
    }
    return line;
}

std::vector<std::string> SplitItems(std::string_view items) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t at; (at = items.find(kItemSeparator, start)) != std::string_view::npos;
         start = at + 1)
        parts.emplace_back(items.substr(start, at - start));
    EXPECT_EQ(start, items.size()) << "every item ends with character 30";
    return parts;
}

constexpr DateTime kModified{2021, 3, 14, 15, 9, 26};
constexpr DateTime kCreated{2019, 11, 2, 8, 0, 0};

// File lines.

TEST(CatalogueLineTest, FileLineOfA123ByteFileFrom1980) {
    // 123 bytes, 1980-01-01 00:00 both dates, archive attribute only.
    const std::string date = Bytes({32, 34, 48, 58, 120});
    const std::string expected = date + date + "   " + Bytes({33, 55}) + "2" + "0" + "notes.txt";
    const std::string line = FileLine(kDosEpoch, kDosEpoch, 123, kAttrArchive, "notes.txt");
    ASSERT_EQ(line, expected);

    EXPECT_EQ(DameFicheroModificado(line), kDosEpoch);
    EXPECT_EQ(DameFicheroCreado(line), kDosEpoch);
    EXPECT_EQ(DameFicheroTamano(line), 123u);
    EXPECT_EQ(DameFicheroAtributos(line), "A");
    EXPECT_EQ(DameFicheroAtributosExtendidos(line), "");
    EXPECT_EQ(DameFicheroNombre(line), "notes.txt");
    EXPECT_EQ(DameFicheroExtension(line), "txt");
    EXPECT_FALSE(EsLineaCarpeta(line));
}

TEST(CatalogueLineTest, FileLineFieldsComeFromTheirPositions) {
    const std::uint32_t attributes =
        kAttrSystem | kAttrHidden | kAttrReadOnly | kAttrTemporary | kAttrOffline;
    const std::string line = FileLine(kModified, kCreated, 987'654, attributes, "a.b");
    EXPECT_EQ(DameFicheroModificado(line), kModified);
    EXPECT_EQ(DameFicheroCreado(line), kCreated);
    EXPECT_EQ(DameLineaModificado(line), kModified);
    EXPECT_EQ(DameLineaCreado(line), kCreated);
    EXPECT_EQ(DameFicheroTamano(line), 987'654u);
    EXPECT_EQ(DameFicheroAtributos(line), "SHR");
    EXPECT_EQ(DameFicheroAtributosExtendidos(line), "TO");
}

TEST(CatalogueLineTest, FileSizesReadAsTheTrueSize) {
    struct Case {
        const char* label;
        std::string sizeField;
        std::uint64_t size;
    };
    const std::string oldField = PadLeftToWidth(CodificaEntero(-1'294'967'296), kSizeFieldWidth);
    // An older writer stored 3,000,000,000 as a 32-bit value: first character raised by 100.
    ASSERT_EQ(oldField.size(), kSizeFieldWidth);
    ASSERT_GE(static_cast<unsigned char>(oldField[0]), 132);
    const std::vector<Case> cases = {
        {"3,000,000,000 stored whole", CodificaTamano(3'000'000'000ULL), 3'000'000'000ULL},
        {"3,000,000,000 from an older catalogue", oldField, 3'000'000'000ULL},
        {"4 GiB - 1 from an older catalogue", PadLeftToWidth(CodificaEntero(-1), 5),
         4'294'967'295ULL},
        {"empty file", CodificaTamano(0), 0},
        {"beyond the field", CodificaTamano(50'000'000'000ULL), kLargestStoredSize},
    };
    const std::string head = DateField(kModified) + DateField(kCreated);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(DameFicheroTamano(head + c.sizeField + "20big.iso"), c.size);
    }
}

// The blocks after the name: what each name and attribute reader sees.
TEST(CatalogueLineTest, FileLineBlocks) {
    const std::string base = FileLine(kModified, kCreated, 4'096, kAttrArchive, "");
    const std::string nested = NestedBlock({NestedEntry(kCreated, 10, 0, "inner.txt")});
    const std::string media = MediaBlockOf(Bytes({38, 32, 36, 36}));
    struct Case {
        const char* label;
        std::string line;
        std::string_view name;
        std::string attributes;
        std::string_view extension;
        bool nested, media, description;
        std::string mediaFields;
        std::string_view descriptionText;
    };
    const std::vector<Case> cases = {
        {"plain", base + "report.final.DOC", "report.final.DOC", "A", "DOC", false, false, false,
         "", ""},
        {"description only", base + "a.txt" + DescriptionBlock("my notes"), "a.txt", "A", "txt",
         false, false, true, "", "my notes"},
        {"media and description", base + "song.mp3" + media + DescriptionBlock("live"), "song.mp3",
         "#A", "mp3", false, true, true, Bytes({38, 32, 36, 36}), "live"},
        {"nested only", base + "pack.zip" + nested, "pack.zip", "@A", "zip", true, false, false, "",
         ""},
        {"nested and media", base + "pack.zip" + nested + media, "pack.zip", "#@A", "zip", true,
         true, false, Bytes({38, 32, 36, 36}), ""},
        {"all three blocks", base + "pack.zip" + nested + media + DescriptionBlock("d"), "pack.zip",
         "#@A", "zip", true, true, true, Bytes({38, 32, 36, 36}), "d"},
        {"empty description", base + "x" + DescriptionBlock(""), "x", "A", "", false, false, true,
         "", ""},
        {"no name", base, "", "A", "", false, false, false, "", ""},
        {"UTF-8 name", base + "canción ñ.Ogg", "canción ñ.Ogg", "A", "Ogg", false, false, false, "",
         ""},
        {"name ending in a dot", base + "odd.", "odd.", "A", "", false, false, false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(DameFicheroNombre(c.line), c.name);
        EXPECT_EQ(DameLineaNombre(c.line), c.name);
        EXPECT_EQ(DameFicheroAtributos(c.line), c.attributes);
        EXPECT_EQ(DameFicheroExtension(c.line), c.extension);
        EXPECT_EQ(TieneAnidados(c.line), c.nested);
        EXPECT_EQ(TieneMultimedia(c.line), c.media);
        EXPECT_EQ(TieneDescripcion(c.line), c.description);
        EXPECT_EQ(DameFicheroMultimedia(c.line), c.mediaFields);
        EXPECT_EQ(DameFicheroDescripcion(c.line), c.descriptionText);
        EXPECT_EQ(DameLineaDescripcion(c.line), c.descriptionText);
    }
}

TEST(CatalogueLineTest, MediaBlockEdges) {
    const std::string base = FileLine(kModified, kCreated, 1, 0, "f.doc");
    struct Case {
        const char* label;
        std::string line;
        std::string_view fields;
    };
    const std::vector<Case> cases = {
        {"one-character block", base + MediaBlockOf("%"), "%"},
        {"unclosed block", base + kMediaBracket + "%%", ""},
        {"unclosed block before a description", base + kMediaBracket + "%" + DescriptionBlock("x"),
         ""},
        {"empty brackets count as no block", base + kMediaBracket + kMediaBracket, ""},
        // The closing bracket is looked for from the second byte of the block on.
        {"bracket right after the opening one",
         base + kMediaBracket + kMediaBracket + "%" + kMediaBracket, "\x1A%"},
        {"no block", base, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(DameFicheroMultimedia(c.line), c.fields);
    }
}

TEST(CatalogueLineTest, NestedEntriesOfAnArchive) {
    constexpr DateTime kOld{1995, 5, 6, 7, 8, 10};
    const std::string oldSize = PadLeftToWidth(CodificaEntero(-1'294'967'296), kSizeFieldWidth);
    const std::vector<std::string> entries = {
        NestedEntry(kOld, 1'234, kAttrArchive, "docs\\report.doc"),
        NestedEntry(kModified, 5'000'000'000ULL, kAttrReadOnly | kAttrHidden, "disk.img"),
        DateField(kCreated) + oldSize + CodificaAtributos(0) + "media\\old\\",
    };
    const std::string line = FileLine(kModified, kCreated, 99, kAttrArchive, "backup.rar") +
                             NestedBlock(entries) + MediaBlockOf("!") + DescriptionBlock("bk");

    const std::string items = DameFicheroAnidados(line);
    EXPECT_EQ(CuentaAnidados(items), 3u);
    EXPECT_EQ(SplitItems(items), entries);

    struct Expected {
        DateTime date;
        std::uint64_t size;
        std::string_view attributes, path, name;
    };
    const std::vector<Expected> expected = {
        {kOld, 1'234, "A", "docs\\report.doc", "report.doc"},
        {kModified, 5'000'000'000ULL, "HR", "disk.img", "disk.img"},
        {kCreated, 3'000'000'000ULL, "", "media\\old\\", "old\\"},
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(entries[i]);
        EXPECT_EQ(DameAnidadoFecha(entries[i]), expected[i].date);
        EXPECT_EQ(DameAnidadoTamano(entries[i]), expected[i].size);
        EXPECT_EQ(DameAnidadoAtributos(entries[i]), expected[i].attributes);
        EXPECT_EQ(DameAnidadoRuta(entries[i]), expected[i].path);
        EXPECT_EQ(DameAnidadoNombre(entries[i]), expected[i].name);
    }
}

TEST(CatalogueLineTest, NestedBlockAbsentOrUnclosed) {
    const std::string base = FileLine(kModified, kCreated, 1, 0, "a.zip");
    for (const std::string& line : {base, base + kNestedBracket + "entry", std::string()}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(DameFicheroAnidados(line), "");
        EXPECT_EQ(CuentaAnidados(DameFicheroAnidados(line)), 0u);
    }
    EXPECT_EQ(CuentaAnidados(""), 0u);
    EXPECT_EQ(CuentaAnidados(std::string(2, kItemSeparator) + "x"), 2u);
}

TEST(CatalogueLineTest, NestedPathKeepsAtMost256Characters) {
    const std::string plain(300, 'x');
    std::string accented;
    for (int i = 0; i < 300; ++i)
        accented += "ñ";
    EXPECT_EQ(DameAnidadoRuta(NestedEntry(kCreated, 1, 0, plain)), plain.substr(0, 256));
    // Characters, not bytes: the two-byte letter is never split.
    EXPECT_EQ(DameAnidadoRuta(NestedEntry(kCreated, 1, 0, accented)), accented.substr(0, 512));
    EXPECT_EQ(DameAnidadoRuta(NestedEntry(kCreated, 1, 0, "")), "");
}

// Header line.

TEST(CatalogueLineTest, HeaderReaders) {
    struct Case {
        const char* label;
        HeaderParts parts;
        std::int64_t freeBytes;
        std::string_view label20;
        std::string_view excluded;
        bool folderCatalogue;
    };
    HeaderParts disk;
    disk.type = CodificaTipoDisco("DVD");
    disk.drive = 'E';
    disk.serial = "00FF-ABCD";
    disk.freeField = PadLeftToWidth(CodificaInt64(1'500'000'000'000), 7);
    disk.used = 4'700'000'000;
    disk.driveType = 5;
    disk.label = "BACKUP 2024";
    disk.name = "Backups: disc 1";
    disk.path = "\\";
    disk.excluded = {"E:\\TEMP\\", "E:\\CACHE\\"};

    HeaderParts folder;
    folder.type = 'C';
    folder.drive = 'D';
    folder.serial = "0000-0000";
    folder.used = 123'456;
    folder.label = "  spaced label  ";
    folder.name = "Fotos";
    folder.path = "\\Users\\ana\\Fotos\\";

    HeaderParts upgraded; // free bytes left as blanks by the upgrade of an old header
    upgraded.freeField = "       ";
    upgraded.label = "A label far longer than twenty characters";
    upgraded.driveType = 2;

    HeaderParts edited; // a small negative free-bytes value typed into the header editor
    edited.freeField = PadLeftToWidth(CodificaInt64(-5), 7);
    edited.used = 9'999'999'999'999;
    edited.name = "Name with \\ and : inside";

    const std::string excluded = std::string("E:\\TEMP\\") + kItemSeparator + "E:\\CACHE\\";
    const std::vector<Case> cases = {
        {"disk with exclusions", disk, 1'500'000'000'000, "BACKUP 2024", excluded, false},
        {"folder catalogue", folder, 0, "spaced label", "", true},
        {"upgraded header", upgraded, 0, "A label far longer t", "", false},
        {"edited header", edited, -5, "", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string line = HeaderLine(c.parts);
        ASSERT_EQ(line[56], kMediaBracket);
        EXPECT_EQ(DameCabeceraTipo(line), c.parts.type);
        EXPECT_EQ(DameCabeceraUnidad(line), c.parts.drive);
        EXPECT_EQ(DameCabeceraNumSerie(line), c.parts.serial);
        EXPECT_EQ(DameCabeceraLibre(line), c.freeBytes);
        EXPECT_EQ(DameCabeceraOcupado(line), c.parts.used);
        EXPECT_EQ(DameCabeceraTipoUnidad(line), c.parts.driveType);
        EXPECT_EQ(DameCabeceraVolumen(line), c.label20);
        EXPECT_EQ(DameCabeceraNombre(line), c.parts.name);
        EXPECT_EQ(DameCabeceraRuta(line), c.parts.path);
        EXPECT_EQ(TieneCabeceraExcluidas(line), !c.excluded.empty());
        EXPECT_EQ(DameCabeceraExcluidas(line), c.excluded);
        EXPECT_EQ(EsCatalogoCarpeta(line), c.folderCatalogue);
        EXPECT_EQ(EsCatalogoDisco(line), !c.folderCatalogue);
    }
}

TEST(CatalogueLineTest, HeaderWithEmptyNameAndBrokenBlocks) {
    HeaderParts parts;
    const std::string line = HeaderLine(parts);
    EXPECT_EQ(DameCabeceraNombre(line), "");
    EXPECT_EQ(DameCabeceraRuta(line), "\\");

    const std::string fixed = line.substr(0, 57);
    EXPECT_EQ(DameCabeceraNombre(fixed), "") << "only the opening character 26";
    EXPECT_THROW(DameCabeceraRuta(fixed + "name" + kMediaBracket), EFormatoCatalogo);
    EXPECT_THROW(DameCabeceraRuta(fixed + kMediaBracket + kDescriptionBracket + "\\"),
                 EFormatoCatalogo);
    // A lone closing character 31 is no exclusion block.
    EXPECT_EQ(DameCabeceraExcluidas(line + kNestedBracket), "");

    std::string badDriveType = line;
    badDriveType.replace(26, 10, "   fixed  ");
    EXPECT_THROW(DameCabeceraTipoUnidad(badDriveType), EFormatoCatalogo);
    badDriveType.replace(26, 10, "          ");
    EXPECT_THROW(DameCabeceraTipoUnidad(badDriveType), EFormatoCatalogo);
}

// Folder lines.

TEST(CatalogueLineTest, FolderReaders) {
    const std::string longPath = "\\" + std::string(2'000, 'p') + "\\deep";
    struct Case {
        const char* label;
        std::string line;
        std::string_view attributes, path, name, description;
    };
    const std::vector<Case> cases = {
        {"root", FolderLine(3, kCreated, kModified, 0, "\\"), "", "\\", "", ""},
        {"two levels", FolderLine(0, kCreated, kModified, kAttrReadOnly, "\\Music\\Rock"), "R",
         "\\Music\\Rock", "Rock", ""},
        {"with description",
         FolderLine(12, kCreated, kModified, kAttrHidden, "\\Docs\\Tax 2023") +
             DescriptionBlock("keep"),
         "H", "\\Docs\\Tax 2023", "Tax 2023", "keep"},
        {"relative path of a folder catalogue",
         FolderLine(1, kCreated, kModified, kAttrCompressed | kAttrHidden | kAttrReadOnly, "Fotos"),
         "CHR", "Fotos", "Fotos", ""},
        {"path beyond 1,024 bytes",
         FolderLine(999, kCreated, kModified, 0, longPath) + DescriptionBlock("long"), "", longPath,
         "deep", "long"},
        {"path beyond 1,024 bytes, no description", FolderLine(5, kCreated, kModified, 0, longPath),
         "", longPath, "deep", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_TRUE(EsLineaCarpeta(c.line));
        EXPECT_EQ(DameCarpetaCreado(c.line), kCreated);
        EXPECT_EQ(DameCarpetaModificado(c.line), kModified);
        EXPECT_EQ(DameLineaCreado(c.line), kCreated);
        EXPECT_EQ(DameLineaModificado(c.line), kModified);
        EXPECT_EQ(DameCarpetaAtributos(c.line), c.attributes);
        EXPECT_EQ(DameCarpetaRuta(c.line), c.path);
        EXPECT_EQ(DameCarpetaNombre(c.line), c.name);
        EXPECT_EQ(DameLineaNombre(c.line), c.name);
        EXPECT_EQ(DameCarpetaDescripcion(c.line), c.description);
        EXPECT_EQ(DameLineaDescripcion(c.line), c.description);
    }
}

TEST(CatalogueLineTest, LineKindsByFirstCharacter) {
    EXPECT_TRUE(EsLineaCarpeta(std::string(1, kFolderMarker)));
    EXPECT_FALSE(EsLineaCarpeta(""));
    EXPECT_FALSE(EsLineaCarpeta(":3C"));
    EXPECT_FALSE(EsLineaCarpeta(FileLine(kModified, kCreated, 1, 0, "\xFF")));
}

// Readers of fixed positions on lines cut short: one byte short raises
// EFormatoCatalogo, the exact length reads.
TEST(CatalogueLineTest, ShortLinesRaiseFormatErrors) {
    using Reader = std::function<void(std::string_view)>;
    struct Case {
        const char* reader;
        Reader read;
        std::size_t needed;
        std::string line;
    };
    HeaderParts header;
    header.name = "N";
    const std::string headerLine = HeaderLine(header);
    const std::string folderLine = FolderLine(1, kCreated, kModified, 0, "\\dir");
    const std::string fileLine = FileLine(kModified, kCreated, 77, kAttrArchive, "file.bin");
    const std::string entry = NestedEntry(kCreated, 5, 0, "a\\b");
    const std::vector<Case> cases = {
        {"DameCabeceraTipo", [](auto l) { DameCabeceraTipo(l); }, 2, headerLine},
        {"EsCatalogoCarpeta", [](auto l) { EsCatalogoCarpeta(l); }, 2, headerLine},
        {"EsCatalogoDisco", [](auto l) { EsCatalogoDisco(l); }, 2, headerLine},
        {"DameCabeceraUnidad", [](auto l) { DameCabeceraUnidad(l); }, 3, headerLine},
        {"DameCabeceraNumSerie", [](auto l) { DameCabeceraNumSerie(l); }, 12, headerLine},
        {"DameCabeceraLibre", [](auto l) { DameCabeceraLibre(l); }, 19, headerLine},
        {"DameCabeceraOcupado", [](auto l) { DameCabeceraOcupado(l); }, 26, headerLine},
        {"DameCabeceraTipoUnidad", [](auto l) { DameCabeceraTipoUnidad(l); }, 36, headerLine},
        {"DameCabeceraVolumen", [](auto l) { DameCabeceraVolumen(l); }, 56, headerLine},
        {"DameCabeceraNombre", [](auto l) { DameCabeceraNombre(l); }, 57, headerLine},
        {"DameCarpetaCreado", [](auto l) { DameCarpetaCreado(l); }, 9, folderLine},
        {"DameCarpetaModificado", [](auto l) { DameCarpetaModificado(l); }, 14, folderLine},
        {"DameCarpetaAtributos", [](auto l) { DameCarpetaAtributos(l); }, 15, folderLine},
        {"DameCarpetaRuta", [](auto l) { DameCarpetaRuta(l); }, 16, folderLine},
        {"DameCarpetaNombre", [](auto l) { DameCarpetaNombre(l); }, 16, folderLine},
        {"DameLineaCreado (folder)", [](auto l) { DameLineaCreado(l); }, 9, folderLine},
        {"DameLineaModificado (folder)", [](auto l) { DameLineaModificado(l); }, 14, folderLine},
        {"DameLineaNombre (folder)", [](auto l) { DameLineaNombre(l); }, 16, folderLine},
        {"DameFicheroModificado", [](auto l) { DameFicheroModificado(l); }, 5, fileLine},
        {"DameFicheroCreado", [](auto l) { DameFicheroCreado(l); }, 10, fileLine},
        {"DameFicheroTamano", [](auto l) { DameFicheroTamano(l); }, 15, fileLine},
        {"DameFicheroAtributos", [](auto l) { DameFicheroAtributos(l); }, 16, fileLine},
        {"DameFicheroAtributosExtendidos", [](auto l) { DameFicheroAtributosExtendidos(l); }, 17,
         fileLine},
        {"DameFicheroNombre", [](auto l) { DameFicheroNombre(l); }, 17, fileLine},
        {"DameFicheroExtension", [](auto l) { DameFicheroExtension(l); }, 17, fileLine},
        {"DameLineaNombre (file)", [](auto l) { DameLineaNombre(l); }, 17, fileLine},
        {"DameLineaCreado (file)", [](auto l) { DameLineaCreado(l); }, 10, fileLine},
        {"DameAnidadoFecha", [](auto l) { DameAnidadoFecha(l); }, 5, entry},
        {"DameAnidadoTamano", [](auto l) { DameAnidadoTamano(l); }, 10, entry},
        {"DameAnidadoAtributos", [](auto l) { DameAnidadoAtributos(l); }, 11, entry},
        {"DameAnidadoRuta", [](auto l) { DameAnidadoRuta(l); }, 11, entry},
        {"DameAnidadoNombre", [](auto l) { DameAnidadoNombre(l); }, 11, entry},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reader);
        ASSERT_GE(c.line.size(), c.needed);
        EXPECT_THROW(c.read(std::string_view(c.line).substr(0, c.needed - 1)), EFormatoCatalogo);
        if (c.needed > 1) {
            EXPECT_THROW(c.read(""), EFormatoCatalogo);
        }
        EXPECT_NO_THROW(c.read(std::string_view(c.line).substr(0, c.needed)));
        EXPECT_NO_THROW(c.read(c.line));
    }
}

TEST(CatalogueLineTest, DamagedNumberFieldsRaiseFormatErrors) {
    const std::string line = FileLine(kModified, kCreated, 123'456, kAttrArchive, "x.txt");
    struct Case {
        const char* label;
        std::size_t index; // 0-based byte to damage
        char byte;
        std::function<void(std::string_view)> read;
    };
    const std::vector<Case> cases = {
        {"size with character 30", 12, kItemSeparator, [](auto l) { DameFicheroTamano(l); }},
        {"size with a sign inside", 14, '\x90', [](auto l) { DameFicheroTamano(l); }},
        {"modified with a NUL byte", 2, '\0', [](auto l) { DameFicheroModificado(l); }},
        {"created with byte 255", 7, '\xFF', [](auto l) { DameFicheroCreado(l); }},
        {"created with character 26", 9, kMediaBracket, [](auto l) { DameLineaCreado(l); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string damaged = line;
        damaged[c.index] = c.byte;
        EXPECT_NO_THROW(c.read(line));
        EXPECT_THROW(c.read(damaged), EFormatoCatalogo);
    }
    std::string folder = FolderLine(1, kCreated, kModified, 0, "\\a");
    folder[6] = '\x1F';
    EXPECT_THROW(DameCarpetaCreado(folder), EFormatoCatalogo);
    EXPECT_THROW(DameLineaCreado(folder), EFormatoCatalogo);
    EXPECT_EQ(DameCarpetaModificado(folder), kModified);
}

// Description operations.

TEST(CatalogueLineTest, DescriptionOperations) {
    const std::string d(1, kDescriptionBracket);
    struct Case {
        const char* label;
        std::string line;
        std::ptrdiff_t position; // 1-based position of the opening bracket
        std::string extracted;
        std::string removed;
    };
    const std::vector<Case> cases = {
        {"trailing description", "abc" + d + "my text" + d, 4, "my text", "abc"},
        {"empty description", "abc" + d + d, 4, "", "abc"},
        {"only the last character is 29", "abc" + d, -1, "", ""},
        {"29 inside, not at the end", "a" + d + "b", 2, "b", "a" + d + "b"},
        {"description of a description", "x" + d + "a" + d + "b" + d, 4, "b", "x" + d + "a"},
        {"no bracket", "plain", -1, "", "plain"},
        {"one character", "z", -1, "", "z"},
        {"empty line", "", -1, "", ""},
        {"only two brackets", d + d, 1, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(DamePosicionDescripcion(c.line), c.position);
        if (TieneDescripcion(c.line)) {
            EXPECT_EQ(ExtraeDescripcion(c.line), c.extracted);
        }
        EXPECT_EQ(QuitaDescripcion(c.line), c.removed);
        EXPECT_EQ(PonDescripcion(c.line, "new"), c.removed + d + "new" + d);
        EXPECT_EQ(PonDescripcion(c.line, ""), c.removed + d + d);
    }
}

TEST(CatalogueLineTest, PonDescripcionReplacesTheDescriptionOfARealLine) {
    const std::string line = FileLine(kModified, kCreated, 5, 0, "f.txt") + MediaBlockOf("%");
    const std::string described = PonDescripcion(line, "first");
    EXPECT_EQ(DameFicheroDescripcion(described), "first");
    const std::string redescribed = PonDescripcion(described, "second");
    EXPECT_EQ(redescribed, line + DescriptionBlock("second"));
    EXPECT_EQ(DameFicheroNombre(redescribed), "f.txt");
    EXPECT_EQ(DameFicheroMultimedia(redescribed), "%");
}

TEST(CatalogueLineTest, UneDescripciones) {
    struct Case {
        std::string_view oldText, newText, joined;
    };
    const std::vector<Case> cases = {
        {"holiday photos", "photos", "holiday photos"},
        {"holiday photos", "Photos", "holiday photos Photos"},
        {"holiday", "beach", "holiday beach"},
        {"holiday", "", "holiday"},
        {"", "beach", " beach"},
        {"", "", ""},
        {"same", "same", "same"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.oldText) + " + " + std::string(c.newText));
        EXPECT_EQ(UneDescripciones(c.oldText, c.newText), c.joined);
    }
}

// Folder-path tests.

TEST(CatalogueLineTest, SubfolderTests) {
    struct Case {
        std::string_view folder, path;
        bool direct, anyDepth;
    };
    const std::vector<Case> cases = {
        {"\\", "\\A", true, true},           {"\\", "\\A\\B", false, true},
        {"\\A", "\\A\\B", true, true},       {"\\A", "\\A\\B\\C", false, true},
        {"\\A\\B", "\\A\\B\\C", true, true}, {"\\A", "\\AB", false, true}, // a plain text prefix
        {"\\A", "\\AB\\C", false, true},     {"\\A", "\\A", false, false},
        {"\\A\\B", "\\A", false, false},     {"\\A", "\\B\\C", false, false},
        {"\\a", "\\A\\B", false, false},     {"\\", "\\", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.folder) + " / " + std::string(c.path));
        EXPECT_EQ(EsSubcarpetaDirecta(c.folder, c.path), c.direct);
        EXPECT_EQ(EsSubcarpeta(c.folder, c.path), c.anyDepth);
    }
}

} // namespace
} // namespace sorvane
