// Tests of the line builders: every field of a built line read back through the
// field readers, folder paths of both catalogue kinds, dates that do not
// convert, names with control characters, and which nested and media sources
// a file line asks for (fake sources that record their calls).
#include "catalogue/format/LineBuilders.h"

#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/Codes.h"
#include "catalogue/format/MediaBlock.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/TextUtils.h"
#include "platform/Text.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <vector>

namespace sorvane {
namespace {

// The tests run with TZ=UTC, so these Unix times are the local times named.
constexpr std::int64_t kUnix1980 = 315'532'800;        // 1980-01-01 00:00:00
constexpr std::int64_t kUnixLast1979 = 315'532'799;    // 1979-12-31 23:59:59
constexpr std::int64_t kUnix2019 = 1'572'681'601;      // 2019-11-02 08:00:01
constexpr std::int64_t kUnix2108 = 4'354'819'200;      // 2108-01-01 00:00:00
constexpr DateTime kCreated2019{2019, 11, 2, 8, 0, 0}; // the second rounded down to even
constexpr DateTime kModified{2021, 3, 14, 15, 9, 26};
constexpr std::uint32_t kEpochDos = 2'162'688;

std::uint32_t Dos(const DateTime& when) {
    return DateTimeToDosDate(when).value();
}

std::string Bytes(std::initializer_list<int> codes) {
    std::string text;
    for (int code : codes)
        text.push_back(static_cast<char>(code));
    return text;
}

// Header line.

struct HeaderCase {
    const char* label;
    std::string name, diskType, serial, path, label20;
    std::int32_t driveType;
    std::int64_t freeBytes, usedBytes;
    std::string exclusions;
    // What the readers give back.
    char typeCode, drive;
    std::string readName, readPath, readLabel, readExclusions;
    bool folderCatalogue;
};

TEST(LineBuildersTest, HeaderLineReadsBack) {
    const std::string excluded = std::string(1, kNestedBracket) + "E:\\DOCS\\OLD\\" +
                                 kItemSeparator + "E:\\TMP\\" + kNestedBracket;
    const std::string accented = "ÁÁÁÁÁÁÁÁÁÁÁ"; // 11 characters of 2 bytes
    const std::vector<HeaderCase> cases = {
        {"whole disk", "Backup 2021", "H.D.", "1A2B-3C4D", "C:\\", "SYSTEM", 3, 1'500'000'000'000,
         250'000'000'000, "", '3', 'C', "Backup 2021", "\\", "SYSTEM", "", false},
        {"folder catalogue with exclusions", "Fotos", "Dirs", "0000-0000", "E:\\Docs\\Fotos",
         "DATA", 2, 0, 123'456, excluded, 'C', 'E', "Fotos", "\\Docs\\Fotos", "DATA",
         excluded.substr(1, excluded.size() - 2), true},
        {"unknown disk type codes as a blank", "X", "cd-rom", "0000-0000", "D:\\", "", 5, 0, 0, "",
         ' ', 'D', "X", "\\", "", "", false},
        {"label cut to 20 bytes without splitting a character", "Fotos", "DVD", "0000-0000", "F:\\",
         accented, 5, 0, 4'700'000'000, "", '2', 'F', "Fotos", "\\", "ÁÁÁÁÁÁÁÁÁÁ", "", false},
        {"control characters blanked",
         "My\x1A"
         "disk\r\n",
         "CD-ROM", "0000-0000",
         "G:\\a\x1D"
         "b\x1F",
         "BACK\tUP", 5, 0, 0, "", '0', 'G', "My disk  ", "\\a b ", "BACK UP", "", false},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string line = LineaCabecera(c.name, c.diskType, c.serial, c.path, c.label20,
                                               c.driveType, c.freeBytes, c.usedBytes, c.exclusions);
        ASSERT_GE(line.size(), 57u);
        EXPECT_EQ(line[0], kHeaderMarker);
        EXPECT_EQ(line[56], kMediaBracket);
        EXPECT_TRUE(text::IsValidUtf8(line.substr(36, 20)));
        EXPECT_EQ(DameCabeceraTipo(line), c.typeCode);
        EXPECT_EQ(DameCabeceraUnidad(line), c.drive);
        EXPECT_EQ(DameCabeceraNumSerie(line), c.serial);
        EXPECT_EQ(DameCabeceraLibre(line), c.freeBytes);
        EXPECT_EQ(DameCabeceraOcupado(line), c.usedBytes);
        EXPECT_EQ(DameCabeceraTipoUnidad(line), c.driveType);
        EXPECT_EQ(DameCabeceraVolumen(line), c.readLabel);
        EXPECT_EQ(DameCabeceraNombre(line), c.readName);
        EXPECT_EQ(DameCabeceraRuta(line), c.readPath);
        EXPECT_EQ(TieneCabeceraExcluidas(line), !c.exclusions.empty());
        EXPECT_EQ(DameCabeceraExcluidas(line), c.readExclusions);
        EXPECT_EQ(EsCatalogoCarpeta(line), c.folderCatalogue);
    }
}

// Folder lines.

TEST(LineBuildersTest, FolderLinePaths) {
    struct Case {
        const char* label;
        bool relative;
        std::string path;
        std::string readPath, readName;
    };
    const std::vector<Case> cases = {
        {"drive root", false, "C:\\", "\\", ""},
        {"two levels", false, "C:\\Docs\\Music\\", "\\Docs\\Music", "Music"},
        {"one level", false, "E:\\Fotos\\", "\\Fotos", "Fotos"},
        {"control characters blanked", false, "C:\\a\rb\\c\x1D\\", "\\a b\\c ", "c "},
        {"catalogued folder itself", true, "\\", "\\", ""},
        {"relative two levels", true, "\\Sub\\Deep\\", "\\Sub\\Deep", "Deep"},
        {"relative with control characters", true, "\\x\x1Ey\\", "\\x y", "x y"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string line = c.relative
                                     ? LineaCarpetaRelativa(c.path, kEpochDos, kEpochDos, 0, 0)
                                     : LineaCarpeta(c.path, kEpochDos, kEpochDos, 0, 0);
        ASSERT_TRUE(EsLineaCarpeta(line));
        EXPECT_EQ(DameCarpetaRuta(line), c.readPath);
        EXPECT_EQ(DameCarpetaNombre(line), c.readName);
        EXPECT_FALSE(TieneDescripcion(line));
    }
}

TEST(LineBuildersTest, FolderLineDatesAttributesAndCount) {
    struct Case {
        const char* label;
        std::uint32_t created, modified, attributes;
        std::int32_t count;
        DateTime readCreated, readModified;
        std::string readAttributes;
        std::int32_t readCount;
    };
    const std::vector<Case> cases = {
        {"real dates", Dos(kCreated2019), Dos(kModified), kAttrReadOnly, 12, kCreated2019,
         kModified, "R", 12},
        {"DOS value 0 becomes 1980", 0, Dos(kModified), kAttrHidden | kAttrCompressed, 0, kDosEpoch,
         kModified, "CH", 0},
        {"month 15 and minute 63 become 1980", Dos(kCreated2019), 0xFFFF'FFFFu, 0, 999'999,
         kCreated2019, kDosEpoch, "", 999'999},
        {"a count beyond the field is capped", kEpochDos, kEpochDos, kAttrArchive, 2'000'000,
         kDosEpoch, kDosEpoch, "", 999'999},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        for (const std::string& line :
             {LineaCarpeta("C:\\Docs\\", c.created, c.modified, c.attributes, c.count),
              LineaCarpetaRelativa("\\Docs\\", c.created, c.modified, c.attributes, c.count)}) {
            EXPECT_EQ(DameCarpetaCreado(line), c.readCreated);
            EXPECT_EQ(DameCarpetaModificado(line), c.readModified);
            EXPECT_EQ(DameCarpetaAtributos(line), c.readAttributes);
            EXPECT_EQ(DecodificaEntero(line.substr(1, 3)), c.readCount);
            EXPECT_EQ(DameCarpetaRuta(line), "\\Docs");
        }
    }
}

// File lines: the fixed fields.

FicheroEncontrado File(std::string name) {
    FicheroEncontrado file;
    file.name = std::move(name);
    file.modifiedDos = Dos(kModified);
    file.size = 4'096;
    file.attributes = kAttrArchive;
    file.createdUnix = kUnix2019;
    file.fullAttributes = kAttrArchive;
    return file;
}

TEST(LineBuildersTest, FileLineOfA123ByteFileFrom1980) {
    FicheroEncontrado file = File("notes.txt");
    file.modifiedDos = kEpochDos;
    file.createdUnix = kUnix1980;
    file.size = 123;
    const std::string date = Bytes({32, 34, 48, 58, 120});
    EXPECT_EQ(LineaFichero(file, "/mnt/c/", "notes.txt", {}, {}),
              date + date + "   " + Bytes({33, 55}) + "2" + "0" + "notes.txt");
}

TEST(LineBuildersTest, FileLineFieldsReadBack) {
    struct Case {
        const char* label;
        std::uint32_t modifiedDos;
        std::optional<std::int64_t> createdUnix;
        std::uint64_t size;
        std::uint32_t attributes, fullAttributes;
        DateTime readModified, readCreated;
        std::uint64_t readSize;
        std::string readAttributes, readExtended;
    };
    const std::uint32_t all = kAttrSystem | kAttrHidden | kAttrReadOnly | kAttrArchive;
    const std::vector<Case> cases = {
        {"ordinary file", Dos(kModified), kUnix2019, 987'654, kAttrArchive, kAttrArchive, kModified,
         kCreated2019, 987'654, "A", ""},
        {"3 GB keeps its true size", Dos(kModified), kUnix2019, 3'000'000'000ULL, kAttrArchive,
         kAttrCompressed, kModified, kCreated2019, 3'000'000'000ULL, "A", "C"},
        {"beyond the field is capped", Dos(kModified), kUnix2019, 20'000'000'000ULL, 0, 0,
         kModified, kCreated2019, kLargestStoredSize, "", ""},
        {"created before 1980", Dos(kModified), kUnixLast1979, 1, all,
         kAttrTemporary | kAttrOffline | kAttrCompressed, kModified, kDosEpoch, 1, "SHAR", "CTO"},
        {"created at the Unix epoch", Dos(kModified), 0, 1, 0, 0, kModified, kDosEpoch, 1, "", ""},
        {"created after 2107", Dos(kModified), kUnix2108, 1, 0, 0, kModified, kDosEpoch, 1, "", ""},
        {"creation time unknown", Dos(kModified), std::nullopt, 0, 0, 0, kModified, kDosEpoch, 0,
         "", ""},
        {"modified DOS value 0", 0, kUnix2019, 0, 0, 0, kDosEpoch, kCreated2019, 0, "", ""},
        {"modified month 0", Dos(kModified) & ~0x01E0'0000u, kUnix2019, 0, 0, 0, kDosEpoch,
         kCreated2019, 0, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        FicheroEncontrado file = File("data.bin");
        file.modifiedDos = c.modifiedDos;
        file.createdUnix = c.createdUnix;
        file.size = c.size;
        file.attributes = c.attributes;
        file.fullAttributes = c.fullAttributes;
        const std::string line = LineaFichero(file, "/mnt/c/", "data.bin", {}, {});
        EXPECT_FALSE(EsLineaCarpeta(line));
        EXPECT_EQ(DameFicheroModificado(line), c.readModified);
        EXPECT_EQ(DameFicheroCreado(line), c.readCreated);
        EXPECT_EQ(DameFicheroTamano(line), c.readSize);
        EXPECT_EQ(DameFicheroAtributos(line), c.readAttributes);
        EXPECT_EQ(DameFicheroAtributosExtendidos(line), c.readExtended);
        EXPECT_EQ(DameFicheroNombre(line), "data.bin");
    }
}

TEST(LineBuildersTest, FileNamesAreCleanedAndCut) {
    std::string accented;
    for (int i = 0; i < 300; ++i)
        accented += "é";
    struct Case {
        const char* label;
        std::string name, readName;
    };
    const std::vector<Case> cases = {
        {"line ends and structure bytes", "a\rb\nc\x1A\x1D\x1E\x1F\x01.txt", "a b c     .txt"},
        {"300 ASCII characters", std::string(300, 'n'), std::string(256, 'n')},
        {"300 two-byte characters", accented, accented.substr(0, 512)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string line = LineaFichero(File(c.name), "/mnt/c/", c.name, {}, {});
        EXPECT_EQ(DameFicheroNombre(line), c.readName);
        EXPECT_EQ(line.size(), 17 + c.readName.size());
        EXPECT_TRUE(text::IsValidUtf8(line.substr(17)));
        EXPECT_FALSE(TieneAnidados(line) || TieneMultimedia(line) || TieneDescripcion(line));
    }
}

// File lines: the extra blocks.

const char* ReaderName(MediaReader reader) {
    switch (reader) {
    case MediaReader::BMP:
        return "BMP";
    case MediaReader::JPEG:
        return "JPEG";
    case MediaReader::GIF:
        return "GIF";
    case MediaReader::PNG:
        return "PNG";
    case MediaReader::TIF:
        return "TIF";
    case MediaReader::PCX:
        return "PCX";
    case MediaReader::Targa:
        return "Targa";
    case MediaReader::WAV:
        return "WAV";
    case MediaReader::MP3:
        return "MP3";
    case MediaReader::OGG:
        return "OGG";
    case MediaReader::WMA:
        return "WMA";
    case MediaReader::AVI:
        return "AVI";
    case MediaReader::DOC:
        return "DOC";
    }
    return "?";
}

std::string Num(std::int32_t value, std::size_t width) {
    return PadLeftToWidth(CodificaEntero(value), width);
}

std::string Bracketed(char bracket, const std::string& fields) {
    return bracket + fields + bracket;
}

// One archive member "inner.txt" of 10 bytes.
const std::string kListing =
    Bracketed(kNestedBracket, CodificaFecha(Dos(kModified)) + CodificaTamano(10) + "2inner.txt");

// Sources that record what they are asked for and answer with a block of the
// reader's layout: images 640x480 24 bits, sound 44100 Hz, music 3:35 at 128k,
// video 320x240 25 fps, documents 12 pages.
struct FakeSources {
    std::vector<std::string> calls;
    std::vector<std::string> paths;
    std::vector<std::string> listings; // answers of the nested source, in turn; then kListing
    std::string description;           // what the describing readers give
    bool mediaFails = false;

    FuentesBloques Make() {
        FuentesBloques sources;
        sources.nested = [this](const std::string& path) {
            calls.push_back("nested");
            paths.push_back(path);
            if (listings.empty()) return kListing;
            std::string answer = listings.front();
            listings.erase(listings.begin());
            return answer;
        };
        sources.media = [this](MediaReader reader, const std::string& path, std::string& desc) {
            calls.push_back(ReaderName(reader));
            paths.push_back(path);
            if (mediaFails) return std::string();
            desc = description;
            return Bracketed(kMediaBracket, Block(reader));
        };
        return sources;
    }

    static std::string Block(MediaReader reader) {
        switch (reader) {
        case MediaReader::WAV:
            return Num(75, 3) + "2" + Num(44'100, 3) + Num(16, 1);
        case MediaReader::MP3:
        case MediaReader::OGG:
        case MediaReader::WMA:
            return Num(215, 3) + "2" + Num(44'100, 3) + Num(128, 2) + Num(1999, 2) + Num(7, 2) +
                   "Rock";
        case MediaReader::AVI:
            return Num(320, 3) + Num(240, 3) + Num(25, 1) + Num(90, 3);
        case MediaReader::DOC:
            return Num(12, 2);
        default:
            return Num(640, 3) + Num(480, 3) + Num(24, 1);
        }
    }
};

// The media block of a line, read through the layout of its extension's kind.
std::string MediaSummary(std::string_view line) {
    if (!TieneMultimedia(line)) return "";
    const std::string_view block = DameFicheroMultimedia(line);
    switch (MediaKindOfExtension(UpperCaseSpanish(DameFicheroExtension(line)))) {
    case MediaKind::Bitmap:
        return "image " + DameTextoResolucion(block) + " " + DameTextoCalidadImagen(block);
    case MediaKind::Audio:
        return "sound " + DameTextoFrecuenciaWAV(block) + " " + DameTextoDuracionWAV(block);
    case MediaKind::Music:
        return "music " + DameTextoDuracionAudio(block) + " " + DameTextoCalidadAudio(block) + " " +
               DameTextoGeneroAudio(block);
    case MediaKind::Video:
        return "video " + DameTextoResolucion(block) + " " + DameTextoCalidadAVI(block);
    case MediaKind::Text:
        return "pages " + DameTextoPaginasDOC(block);
    case MediaKind::None:
        break;
    }
    return "block of no kind";
}

const std::string kImage = "image 640x480 24b";
const std::string kMusic = "music 0:03:35 128k Rock";

OpcionesLinea Switch(bool OpcionesLinea::*off) {
    OpcionesLinea options;
    options.*off = true;
    return options;
}

OpcionesLinea Boxes(bool compressedOff, std::vector<std::string> boxes) {
    OpcionesLinea options;
    options.compressedOff = compressedOff;
    for (std::size_t i = 0; i < boxes.size(); ++i)
        options.extensions[i] = boxes[i];
    return options;
}

struct BlockCase {
    const char* label;
    std::string name;
    OpcionesLinea options;
    std::string sourceDescription;
    std::vector<std::string> calls;
    std::size_t nestedEntries;
    std::string media;
    std::string description;
};

TEST(LineBuildersTest, ExtensionDecidesTheBlocks) {
    const std::vector<BlockCase> cases = {
        {"built-in archive", "setup.exe", {}, "", {"nested"}, 1, "", ""},
        {"archive in upper case", "BACKUP.ZIP", {}, "", {"nested"}, 1, "", ""},
        {"archive kinds of the second group", "old.arj", {}, "", {"nested"}, 1, "", ""},
        {"archive kinds of the third group", "src.LHA", {}, "", {"nested"}, 1, "", ""},
        {"archive kinds of the fourth group", "a.tar.gz", {}, "", {"nested"}, 1, "", ""},
        {"zip with its kind switched off",
         "backup.zip",
         Switch(&OpcionesLinea::compressedOff),
         "",
         {},
         0,
         "",
         ""},
        {"zip switched off but in a user box",
         "backup.zip",
         Boxes(true, {"", "", "zip"}),
         "",
         {"nested"},
         1,
         "",
         ""},
        {"zip switched off, typed in two boxes: one listing",
         "backup.zip",
         Boxes(true, {"ZIP", "Zip"}),
         "",
         {"nested"},
         1,
         "",
         ""},
        {"zip on and typed in two boxes: one listing",
         "backup.zip",
         Boxes(false, {"ZIP", "zip"}),
         "",
         {"nested"},
         1,
         "",
         ""},
        {"an extension only a user box names",
         "disk.7z",
         Boxes(false, {"", "7z"}),
         "",
         {"nested"},
         1,
         "",
         ""},
        {"an image named in a box gets both blocks",
         "photo.jpg",
         Boxes(false, {"JPG"}),
         "",
         {"nested", "JPEG"},
         1,
         kImage,
         ""},
        {"mixed-case Jpeg", "photo.Jpeg", {}, "", {"JPEG"}, 0, kImage, ""},
        {"jpe", "scan.jpe", {}, "", {"JPEG"}, 0, kImage, ""},
        {"TIFF is no image", "scan.TIFF", {}, "", {}, 0, "", ""},
        {"tif", "scan.tif", {}, "", {"TIF"}, 0, kImage, ""},
        {"bmp", "a.bmp", {}, "", {"BMP"}, 0, kImage, ""},
        {"gif", "a.gif", {}, "", {"GIF"}, 0, kImage, ""},
        {"png", "a.png", {}, "", {"PNG"}, 0, kImage, ""},
        {"pcx", "a.pcx", {}, "", {"PCX"}, 0, kImage, ""},
        {"tga", "a.tga", {}, "", {"Targa"}, 0, kImage, ""},
        {"jpg switched off", "photo.jpg", Switch(&OpcionesLinea::jpgOff), "", {}, 0, "", ""},
        {"png switched off", "a.png", Switch(&OpcionesLinea::pngOff), "", {}, 0, "", ""},
        {"wav", "sound.wav", {}, "", {"WAV"}, 0, "sound 44100 Hz 0:01:15", ""},
        {"wav switched off", "sound.wav", Switch(&OpcionesLinea::wavOff), "", {}, 0, "", ""},
        {"mp3 without tags", "song.mp3", {}, "", {"MP3"}, 0, kMusic, ""},
        {"mp3 with tags", "song.MP3", {}, "Artist\r\nTitle", {"MP3"}, 0, kMusic, "Artist  Title"},
        {"ogg", "song.ogg", {}, "Band - Song", {"OGG"}, 0, kMusic, "Band - Song"},
        {"wma",
         "song.wma",
         {},
         "Band\x1D"
         "Song",
         {"WMA"},
         0,
         kMusic,
         "Band Song"},
        {"mp3 switched off", "song.mp3", Switch(&OpcionesLinea::mp3Off), "Ignored", {}, 0, "", ""},
        {"avi", "movie.avi", {}, "", {"AVI"}, 0, "video 320x240 25fps", ""},
        {"avi switched off", "movie.avi", Switch(&OpcionesLinea::aviOff), "", {}, 0, "", ""},
        {"doc", "letter.doc", {}, "Dear Sir", {"DOC"}, 0, "pages 12", "Dear Sir"},
        {"dot", "letter.dot", {}, "", {"DOC"}, 0, "pages 12", ""},
        {"dot switched off", "letter.dot", Switch(&OpcionesLinea::dotOff), "", {}, 0, "", ""},
        {"doc switched off", "letter.doc", Switch(&OpcionesLinea::docOff), "", {}, 0, "", ""},
        {"no extension", "README", Boxes(false, {"README"}), "", {}, 0, "", ""},
        {"plain text", "notes.txt", {}, "", {}, 0, "", ""},
    };
    for (const BlockCase& c : cases) {
        SCOPED_TRACE(c.label);
        FakeSources fake;
        fake.description = c.sourceDescription;
        const std::string line =
            LineaFichero(File(c.name), "/mnt/c/", c.name, c.options, fake.Make());
        EXPECT_EQ(fake.calls, c.calls);
        EXPECT_EQ(DameFicheroNombre(line), c.name);
        EXPECT_EQ(DameFicheroTamano(line), 4'096u);
        const std::string nested = DameFicheroAnidados(line);
        EXPECT_EQ(CuentaAnidados(nested), c.nestedEntries);
        EXPECT_EQ(std::count(line.begin(), line.end(), kNestedBracket), c.nestedEntries ? 2 : 0);
        if (c.nestedEntries > 0) {
            EXPECT_EQ(DameAnidadoNombre(nested.substr(0, nested.size() - 1)), "inner.txt");
        }
        EXPECT_EQ(MediaSummary(line), c.media);
        EXPECT_EQ(DameFicheroDescripcion(line), c.description);
        EXPECT_EQ(TieneDescripcion(line), !c.description.empty());
        std::string attributes = c.media.empty() ? "" : "#";
        if (c.nestedEntries > 0) attributes += "@";
        EXPECT_EQ(DameFicheroAtributos(line), attributes + "A");
    }
}

TEST(LineBuildersTest, SourcesGetTheHostPath) {
    FakeSources fake;
    FicheroEncontrado file = File("a/b.mp3"); // a "\" in the host name is "/" in the catalogue
    LineaFichero(file, "/mnt/e/Music/", "a\\b.mp3", {}, fake.Make());
    file.name = "x/y.zip";
    LineaFichero(file, "/mnt/e/Music/", "x\\y.zip", {}, fake.Make());
    EXPECT_EQ(fake.paths,
              (std::vector<std::string>{"/mnt/e/Music/a\\b.mp3", "/mnt/e/Music/x\\y.zip"}));
}

TEST(LineBuildersTest, EmptyAnswersAddNothing) {
    // A listing that comes back empty does not count: the next box naming the
    // extension is asked, and the first real listing ends the asking.
    FakeSources fake;
    fake.listings = {"", kListing};
    const OpcionesLinea boxes = Boxes(false, {"7Z", "7z", "7z", "7Z"});
    std::string line = LineaFichero(File("disk.7z"), "/", "disk.7z", boxes, fake.Make());
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"nested", "nested"}));
    EXPECT_EQ(CuentaAnidados(DameFicheroAnidados(line)), 1u);

    // A media reader that learns nothing leaves no block and no description.
    FakeSources failing;
    failing.mediaFails = true;
    failing.description = "never used";
    line = LineaFichero(File("song.mp3"), "/", "song.mp3", {}, failing.Make());
    EXPECT_EQ(failing.calls, std::vector<std::string>{"MP3"});
    EXPECT_EQ(line, LineaFichero(File("song.mp3"), "/", "song.mp3", {}, {}));

    // No sources at all.
    line = LineaFichero(File("backup.zip"), "/", "backup.zip", Boxes(true, {"zip"}), {});
    EXPECT_FALSE(TieneAnidados(line) || TieneMultimedia(line) || TieneDescripcion(line));
}

TEST(LineBuildersTest, OnlyRegularFilesAreOpened) {
    for (const char* name : {"pipe.mp3", "device.zip", "link.jpg", "socket.doc"}) {
        SCOPED_TRACE(name);
        FakeSources fake;
        FicheroEncontrado file = File(name);
        file.regularFile = false;
        const std::string line =
            LineaFichero(file, "/run/", name, Boxes(false, {"mp3"}), fake.Make());
        EXPECT_TRUE(fake.calls.empty());
        EXPECT_EQ(DameFicheroNombre(line), name);
        EXPECT_FALSE(TieneAnidados(line) || TieneMultimedia(line) || TieneDescripcion(line));
    }
}

} // namespace
} // namespace sorvane
