// Tests of the document summary reader (TFileInfo::GetDocInfo over our own
// compound-file reader), the MPEG audio information reader
// (TFileInfo::GetMP3ExInfo), the AVI header reader (GetAVIInfo) and their media
// block writers (GetDOCDatos, ReadMP3, ReadAVI).
//
// Fixtures, each made by the make.sh beside it:
//   media/documents: Word 97 documents and a template written by LibreOffice;
//   media/audio/mpeg: MPEG-1, 2 and 2.5 Layer II and III files by ffmpeg;
//   media/video: AVI files by ffmpeg.
// Expected stream values are ffprobe's (bit rates in whole kbit/s, durations
// in whole seconds, both cut); where the value is not ffprobe's the case says
// why. Compound files with page counts, code pages and damage are built in
// memory (CompoundFileBuilder); MPEG frames and AVI chunks for edge cases are
// built byte by byte. The robustness tests run every reader and writer over
// truncated and mutated copies of every fixture.
#include "catalogue/metadata/DocumentReaders.h"

#include "CompoundFileBuilder.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/TextUtils.h"
#include "catalogue/metadata/AudioReaders.h"
#include "catalogue/metadata/CompoundFile.h"
#include "catalogue/metadata/MediaWriters.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace sorvane {
namespace {

namespace fs = std::filesystem;
using testing::BuildCompoundFile;
using testing::CompoundImage;
using testing::SummaryProperty;
using testing::SummaryStream;
using testing::SummaryStreamName;

// ---------------------------------------------------------------------------
// Support

std::string MediaFixture(const std::string& relative) {
    const char* root = std::getenv("SORVANE_TEST_DATA");
    if (!root) ADD_FAILURE() << "SORVANE_TEST_DATA is not set";
    return std::string(root ? root : "tests/data") + "/media/" + relative;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << "missing fixture " << path;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The fixtures of a folder with one of the extensions, sorted.
std::vector<std::string> FixturesIn(const std::string& folder,
                                    const std::vector<std::string>& extensions) {
    std::vector<std::string> out;
    std::error_code error;
    for (const fs::directory_entry& e : fs::directory_iterator(MediaFixture(folder), error))
        for (const std::string& ext : extensions)
            if (e.is_regular_file() && e.path().extension() == ext)
                out.push_back(e.path().string());
    std::sort(out.begin(), out.end());
    return out;
}

// A folder of its own for each test, removed with all it holds.
class DocumentTempFolder {
public:
    DocumentTempFolder() {
        std::string pattern = (fs::temp_directory_path() / "sorvane-documents-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
        path_ = pattern;
    }
    ~DocumentTempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    DocumentTempFolder(const DocumentTempFolder&) = delete;
    DocumentTempFolder& operator=(const DocumentTempFolder&) = delete;

    std::string Put(const std::string& name, const std::string& bytes) const {
        const std::string path = PathOf(name);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        EXPECT_TRUE(out.good());
        return path;
    }
    // `head`, then zeros up to `size` bytes: a sparse file that costs no disk.
    std::string PutSparse(const std::string& name, const std::string& head,
                          std::uint64_t size) const {
        const std::string path = Put(name, head);
        EXPECT_EQ(::truncate(path.c_str(), static_cast<off_t>(size)), 0);
        return path;
    }
    std::string PathOf(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

struct ErrorLog {
    std::vector<std::string> lines;
    MediaErrorSink Sink() {
        return [this](const std::string& line) { lines.push_back(line); };
    }
};

// A number field of a media block.
std::string Field(std::int64_t value, std::size_t width) {
    return PadLeftToWidth(CodificaInt64(value), width);
}
std::string Block(const std::string& fields) {
    return "\x1A" + fields + "\x1A";
}

void PutU32LE(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void PutU32BE(std::string& out, std::uint32_t v) {
    for (int i = 3; i >= 0; --i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// Dates of the summary are local; the tests read them in UTC.
class UtcZone {
public:
    UtcZone() {
        if (const char* tz = std::getenv("TZ")) saved_ = tz;
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    ~UtcZone() {
        if (saved_)
            ::setenv("TZ", saved_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> saved_;
};

std::string Iso(const std::optional<DateTime>& d) {
    return d ? ToIsoText(*d) : "none";
}

// A test name from a fixture's file name: its letters and digits.
std::string TestNameOf(const std::string& file) {
    std::string name;
    for (char c : fs::path(file).filename().string())
        if (std::isalnum(static_cast<unsigned char>(c))) name.push_back(c);
    return name;
}

// ---------------------------------------------------------------------------
// Document summary: fixtures written by LibreOffice

struct DocumentCase {
    const char* file;
    const char* title;
    const char* subject;
    const char* author;
    const char* keywords;
    const char* lastAuthor;
    const char* revNumber;
    std::int32_t editMinutes;
    const char* created;
    const char* saved;
    std::int32_t pages;
};

// LibreOffice keeps the metadata of the source document and writes its texts
// in code page 65001 (UTF-8); it writes no page count, so every file reports 0
// pages (the absent property), and a revision number "0".
const DocumentCase kDocumentCases[] = {
    {"documents/Document-title-utf8.doc", "R\u00e9sum\u00e9 of the \u00f1and\u00fa survey", "Birds",
     "Ana N\u00fa\u00f1ez", "fixture", "Luis Pe\u00f1a", "0", 90, "2021-03-04 05:06:08",
     "2022-07-08 09:10:12", 0},
    {"documents/Document-template.dot", "Letter template", "Birds", "Ana N\u00fa\u00f1ez",
     "fixture", "Luis Pe\u00f1a", "0", 90, "2021-03-04 05:06:08", "2022-07-08 09:10:12", 0},
    {"documents/Document-untitled.doc", "", "", "", "", "", "0", 0, "none", "none", 0},
};

void PrintTo(const DocumentCase& c, std::ostream* os) {
    *os << c.file;
}

class DocumentSummaryFixtures : public ::testing::TestWithParam<DocumentCase> {};

TEST_P(DocumentSummaryFixtures, ReadsTheSummaryLibreOfficeWrote) {
    const UtcZone utc;
    const DocumentCase& c = GetParam();
    TFileInfo reader(MediaFixture(c.file));
    TDocInfo info;
    reader.GetDocInfo(info);
    ASSERT_EQ(info.DocStatus, -1) << reader.LastError();
    EXPECT_EQ(info.Title, c.title);
    EXPECT_EQ(info.Subject, c.subject);
    EXPECT_EQ(info.Author, c.author);
    EXPECT_EQ(info.Keywords, c.keywords);
    EXPECT_EQ(info.Comments, "");
    EXPECT_EQ(info.LastAuthor, c.lastAuthor);
    EXPECT_EQ(info.RevNumber, c.revNumber);
    EXPECT_EQ(info.EditTime, c.editMinutes);
    EXPECT_EQ(Iso(info.CreateTime), c.created);
    EXPECT_EQ(Iso(info.LastSaveTime), c.saved);
    EXPECT_EQ(Iso(info.LastPrinted), "none");
    EXPECT_EQ(info.PageCount, c.pages);
}

INSTANTIATE_TEST_SUITE_P(LibreOffice, DocumentSummaryFixtures, ::testing::ValuesIn(kDocumentCases),
                         [](const auto& info) { return TestNameOf(info.param.file); });

// ---------------------------------------------------------------------------
// Document summary: built compound files

struct BuiltSummaryCase {
    const char* name;
    std::vector<SummaryProperty> properties;
    unsigned sectorShift;
    std::string title;
    std::string author;
    std::int32_t pages;
    std::int32_t words;
    std::int32_t chars;
    std::string created;
};

std::vector<BuiltSummaryCase> BuiltSummaryCases() {
    using namespace testing;
    const std::uint64_t ticks2003 = FileTimeTicks(2003, 4, 5, 6, 7, 9); // odd seconds: DOS keeps 8
    return {
        {"PagesWordsChars",
         {CodePageProperty(1252), TextProperty(2, "Report"), IntProperty(14, 12),
          IntProperty(15, 3456), IntProperty(16, 20001)},
         9,
         "Report",
         "",
         12,
         3456,
         20001,
         "none"},
        {"Windows1252",
         {CodePageProperty(1252), TextProperty(2, "Caf\xE9 \x80"), TextProperty(4, "Jos\xE9")},
         9,
         "Caf\u00e9 \u20ac",
         "Jos\u00e9",
         0,
         0,
         0,
         "none"},
        // No code page property: the Windows default, 1252.
        {"NoCodePage", {TextProperty(2, "Se\xF1or")}, 9, "Se\u00f1or", "", 0, 0, 0, "none"},
        {"Utf8",
         {CodePageProperty(65001), TextProperty(2, "\u00d1and\u00fa \u20ac")},
         9,
         "\u00d1and\u00fa \u20ac",
         "",
         0,
         0,
         0,
         "none"},
        // Code page 1200: even code-page texts are UTF-16LE, their length in bytes.
        {"Utf16CodePage",
         {CodePageProperty(1200), TextProperty(2, std::string("A\0\xF1\0", 4))},
         9,
         "A\u00f1",
         "",
         0,
         0,
         0,
         "none"},
        {"WideText",
         {CodePageProperty(1252), WideTextProperty(2, u"\u00c9t\u00e9 \u4e2d")},
         9,
         "\u00c9t\u00e9 \u4e2d",
         "",
         0,
         0,
         0,
         "none"},
        {"Cyrillic1251",
         {CodePageProperty(1251), TextProperty(2, "\xCF\xF0\xE8\xE2\xE5\xF2")},
         9,
         "\u041f\u0440\u0438\u0432\u0435\u0442",
         "",
         0,
         0,
         0,
         "none"},
        // A code page nobody knows: UTF-8 bytes stay, others read as Windows-1252.
        {"UnknownCodePage",
         {CodePageProperty(4321), TextProperty(2, "\xC3\xA9"), TextProperty(4, "\xE9")},
         9,
         "\u00e9",
         "\u00e9",
         0,
         0,
         0,
         "none"},
        // The code page decides every text, also one listed before it.
        {"CodePageListedLast",
         {TextProperty(2, "\xC3\xA9t\xC3\xA9"), CodePageProperty(65001)},
         9,
         "\u00e9t\u00e9",
         "",
         0,
         0,
         0,
         "none"},
        {"TextCutAtZero",
         {TextProperty(2, std::string("Title\0junk", 10))},
         9,
         "Title",
         "",
         0,
         0,
         0,
         "none"},
        {"CreateTime",
         {FileTimeProperty(12, ticks2003)},
         9,
         "",
         "",
         0,
         0,
         0,
         "2003-04-05 06:07:08"},
        {"TimeBefore1980",
         {FileTimeProperty(12, FileTimeTicks(1975, 1, 1, 0, 0, 0))},
         9,
         "",
         "",
         0,
         0,
         0,
         "none"},
        {"TimeAfter2107",
         {FileTimeProperty(12, FileTimeTicks(2110, 1, 1, 0, 0, 0))},
         9,
         "",
         "",
         0,
         0,
         0,
         "none"},
        {"WrongTypesIgnored",
         {IntProperty(2, 5), TextProperty(14, "7"), FileTimeProperty(15, 99)},
         9,
         "",
         "",
         0,
         0,
         0,
         "none"},
        {"FourKilobyteSectors",
         {TextProperty(2, "Big sectors"), IntProperty(14, 3)},
         12,
         "Big sectors",
         "",
         3,
         0,
         0,
         "none"},
        // A summary of 4096 bytes or more lives in the FAT, not the mini stream.
        {"SummaryInTheFat",
         {TextProperty(6, std::string(5000, 'c')), TextProperty(2, "Long"), IntProperty(14, 2)},
         9,
         "Long",
         "",
         2,
         0,
         0,
         "none"},
        {"NegativeCount", {IntProperty(14, -3)}, 9, "", "", -3, 0, 0, "none"},
    };
}

void PrintTo(const BuiltSummaryCase& c, std::ostream* os) {
    *os << c.name;
}

class DocumentSummaryBuilt : public ::testing::TestWithParam<BuiltSummaryCase> {};

TEST_P(DocumentSummaryBuilt, ReadsThePropertiesInTheirCodePage) {
    const UtcZone utc;
    const BuiltSummaryCase& c = GetParam();
    DocumentTempFolder folder;
    const CompoundImage image =
        BuildCompoundFile({{u"WordDocument", std::string(600, 'w')},
                           {SummaryStreamName(), SummaryStream(c.properties)}},
                          c.sectorShift);
    TFileInfo reader(folder.Put("built.doc", image.bytes));
    TDocInfo info;
    reader.GetDocInfo(info);
    ASSERT_EQ(info.DocStatus, -1) << reader.LastError();
    EXPECT_EQ(info.Title, c.title);
    EXPECT_EQ(info.Author, c.author);
    EXPECT_EQ(info.PageCount, c.pages);
    EXPECT_EQ(info.WordCount, c.words);
    EXPECT_EQ(info.CharCount, c.chars);
    EXPECT_EQ(Iso(info.CreateTime), c.created);
}

INSTANTIATE_TEST_SUITE_P(Built, DocumentSummaryBuilt, ::testing::ValuesIn(BuiltSummaryCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DocumentSummary, EditTimeIsTheTotalOfMinutes) {
    // 2 h 5 min 59 s of editing in 100 ns ticks: a duration, not a moment.
    const std::uint64_t ticks = (2 * 3600 + 5 * 60 + 59) * 10'000'000ULL;
    DocumentTempFolder folder;
    const CompoundImage image = BuildCompoundFile(
        {{SummaryStreamName(), SummaryStream({testing::FileTimeProperty(10, ticks)})}});
    TFileInfo reader(folder.Put("edit.doc", image.bytes));
    TDocInfo info;
    reader.GetDocInfo(info);
    ASSERT_EQ(info.DocStatus, -1) << reader.LastError();
    EXPECT_EQ(info.EditTime, 125);
}

TEST(DocumentSummary, FindsTheSummaryAmongManyEntries) {
    // Eight entries fill two directory sectors; the summary is the last of them.
    std::vector<testing::CompoundStreamContent> streams;
    for (char16_t c = u'A'; c < u'H'; ++c)
        streams.push_back({std::u16string(u"Stream") + c, std::string(70, 's')});
    streams.push_back({u"\u0005summaryinformation", SummaryStream({testing::IntProperty(14, 9)})});
    DocumentTempFolder folder;
    const CompoundImage image = BuildCompoundFile(streams);
    ASSERT_GE(image.directorySectorCount, 2u);
    TFileInfo reader(folder.Put("many.doc", image.bytes));
    TDocInfo info;
    reader.GetDocInfo(info);
    ASSERT_EQ(info.DocStatus, -1) << reader.LastError();
    EXPECT_EQ(info.PageCount, 9); // names compare without case
}

TEST(DocumentSummary, MissingFileAndMissingStream) {
    DocumentTempFolder folder;
    TDocInfo info;
    TFileInfo missing(folder.PathOf("absent.doc"));
    missing.GetDocInfo(info);
    EXPECT_EQ(info.DocStatus, 0);

    const CompoundImage image = BuildCompoundFile({{u"WordDocument", std::string(100, 'w')}});
    TFileInfo noSummary(folder.Put("nosummary.doc", image.bytes));
    noSummary.GetDocInfo(info);
    EXPECT_EQ(info.DocStatus, 1);
    EXPECT_EQ(info.Title, "");
    EXPECT_EQ(info.PageCount, 0);
    EXPECT_NE(noSummary.LastError().find("no summary stream"), std::string::npos);

    TFileInfo directory(folder.PathOf(""));
    directory.GetDocInfo(info);
    EXPECT_EQ(info.DocStatus, 1);

    TFileInfo text(folder.Put("rtf.doc", "{\\rtf1 A document saved as RTF}"));
    text.GetDocInfo(info);
    EXPECT_EQ(info.DocStatus, 1);
}

// ---------------------------------------------------------------------------
// Document summary: damaged compound files. Each damage must end in status 1
// with the reason the reader gives, promptly (a loop followed would never end).

struct DamageCase {
    const char* name;
    std::function<void(CompoundImage&)> damage;
    const char* reason;
};

// The file the damage is done to: a 3-sector stream in the FAT, a summary of
// several mini sectors, and enough entries for two directory sectors.
CompoundImage DamageBase() {
    std::vector<testing::CompoundStreamContent> streams;
    streams.push_back({u"WordDocument", std::string(4096 + 700, 'w')}); // 10 sectors in the FAT
    for (char16_t c = u'A'; c < u'F'; ++c)
        streams.push_back({std::u16string(u"S") + c, std::string(10, 's')});
    streams.push_back(
        {SummaryStreamName(), SummaryStream({testing::TextProperty(2, std::string(150, 't')),
                                             testing::IntProperty(14, 4)})});
    return BuildCompoundFile(streams);
}

constexpr std::uint32_t kSummaryEntry = 7;
constexpr std::uint32_t kWordEntry = 1;

std::vector<DamageCase> DamageCases() {
    return {
        {"NoSignature", [](CompoundImage& f) { f.bytes[0] = 'X'; }, "no signature"},
        {"ShorterThanItsHeader", [](CompoundImage& f) { f.bytes.resize(300); },
         "shorter than its header"},
        {"HugeSectorShift", [](CompoundImage& f) { f.SetU16(30, 30); }, "sector shift 30"},
        {"SectorShift16", [](CompoundImage& f) { f.SetU16(30, 16); }, "sector shift 16"},
        {"MiniSectorShift", [](CompoundImage& f) { f.SetU16(32, 20); }, "mini sector shift"},
        {"FatSectorCountHuge", [](CompoundImage& f) { f.SetU32(44, 0x7FFFFFFF); },
         "FAT sector count"},
        {"FatSectorOutsideTheFile", [](CompoundImage& f) { f.SetU32(76, 0x00FFFFFF); },
         "FAT sector outside"},
        {"DirectoryChainLoops",
         [](CompoundImage& f) { f.SetFatEntry(f.firstDirectorySector, f.firstDirectorySector); },
         "directory chain loops"},
        {"DirectoryChainEndsEarly",
         [](CompoundImage& f) { f.SetFatEntry(f.firstDirectorySector, 0xFFFFFFFE); },
         "directory chain ends"},
        {"DirectoryChainRunsOffTheEnd",
         [](CompoundImage& f) { f.SetFatEntry(f.firstDirectorySector, 0x00FFFF00); },
         "runs off the end"},
        {"DirectoryChainOnAFreeSector",
         [](CompoundImage& f) { f.SetFatEntry(f.firstDirectorySector, 0xFFFFFFFF); },
         "runs off the end"},
        {"MiniStreamChainLoops",
         [](CompoundImage& f) { f.SetFatEntry(f.firstMiniStreamSector, f.firstMiniStreamSector); },
         "mini stream chain loops"},
        {"MiniFatChainRunsOffTheEnd", [](CompoundImage& f) { f.SetU32(60, 0x0FFFFFFF); },
         "mini FAT chain runs off the end"},
        {"MiniSectorChainLoops",
         [](CompoundImage& f) {
             const std::uint32_t first = f.streamStart[kSummaryEntry - 1];
             f.SetMiniFatEntry(first + 1, first);
         },
         "mini stream sector chain loops"},
        {"MiniSectorChainRunsOffTheEnd",
         [](CompoundImage& f) { f.SetMiniFatEntry(f.streamStart[kSummaryEntry - 1], 0x7FFF); },
         "runs off the end"},
        {"StreamLargerThanTheFile",
         [](CompoundImage& f) { f.SetU32(f.EntryOffset(kSummaryEntry) + 120, 0x7FFFFFF0); },
         "stream larger than the file"},
        {"StreamLargerThanTheMiniStream",
         [](CompoundImage& f) { f.SetU32(f.EntryOffset(kSummaryEntry) + 120, 4000); },
         "larger than the mini stream"},
        {"MiniStreamLargerThanTheFile",
         [](CompoundImage& f) { f.SetU32(f.EntryOffset(0) + 120, 0x7FFFFFF0); },
         "mini stream larger than the file"},
        {"FirstEntryNotTheRoot", [](CompoundImage& f) { f.bytes[f.EntryOffset(0) + 66] = 1; },
         "not the root"},
        {"NameLengthOutOfRange", [](CompoundImage& f) { f.SetU16(f.EntryOffset(3) + 64, 200); },
         "name length"},
        // Without the summary the whole tree is walked; a link back would go round forever.
        {"DirectoryTreeLoops",
         [](CompoundImage& f) {
             f.bytes[f.EntryOffset(kSummaryEntry) + 2] = 'X';
             f.SetU32(f.EntryOffset(5) + 72, 2);
         },
         "directory tree loops"},
        {"SectionOffsetPastTheStream",
         [](CompoundImage& f) {
             f.SetU32(f.SectorOffset(f.firstMiniStreamSector) +
                          64 * f.streamStart[kSummaryEntry - 1] + 44,
                      0x7FFFFF00);
         },
         "past the end of the summary stream"},
        {"PropertyCountHuge",
         [](CompoundImage& f) {
             f.SetU32(f.SectorOffset(f.firstMiniStreamSector) +
                          64 * f.streamStart[kSummaryEntry - 1] +
                          testing::kSummaryPropertyCountOffset,
                      0xFFFFFFFF);
         },
         "property table past its end"},
        {"PropertyOffsetHuge",
         [](CompoundImage& f) {
             f.SetU32(f.SectorOffset(f.firstMiniStreamSector) +
                          64 * f.streamStart[kSummaryEntry - 1] + 56 + 4,
                      0xFFFFFFF0);
         },
         "past the end of the summary stream"},
        {"TextLengthHuge",
         [](CompoundImage& f) {
             // The title's value starts right after the two table entries: its length field.
             f.SetU32(f.SectorOffset(f.firstMiniStreamSector) +
                          64 * f.streamStart[kSummaryEntry - 1] + 48 + 8 + 16 + 4,
                      0xFFFFFFF0);
         },
         "past the end of the summary stream"},
        {"NotASummarySet",
         [](CompoundImage& f) {
             f.bytes[f.SectorOffset(f.firstMiniStreamSector) +
                     64 * f.streamStart[kSummaryEntry - 1] + 28] ^= 1;
         },
         "not a summary set"},
    };
}

void PrintTo(const DamageCase& c, std::ostream* os) {
    *os << c.name;
}

class DocumentSummaryDamaged : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DocumentSummaryDamaged, FailsWithItsReason) {
    const DamageCase& c = GetParam();
    CompoundImage image = DamageBase();
    {
        // The undamaged base reads, so the failure below is the damage's.
        DocumentTempFolder folder;
        TFileInfo reader(folder.Put("base.doc", image.bytes));
        TDocInfo info;
        reader.GetDocInfo(info);
        ASSERT_EQ(info.DocStatus, -1) << reader.LastError();
        ASSERT_EQ(info.PageCount, 4);
    }
    c.damage(image);
    DocumentTempFolder folder;
    TFileInfo reader(folder.Put("damaged.doc", image.bytes));
    TDocInfo info;
    const auto start = std::chrono::steady_clock::now();
    reader.GetDocInfo(info);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(info.DocStatus, 1);
    EXPECT_NE(reader.LastError().find(c.reason), std::string::npos) << reader.LastError();
}

INSTANTIATE_TEST_SUITE_P(Damage, DocumentSummaryDamaged, ::testing::ValuesIn(DamageCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DocumentSummary, StreamChainLoopInTheFat) {
    // A stream of ten FAT sectors whose fourth sector leads back to its first.
    CompoundImage image = BuildCompoundFile({{u"WordDocument", std::string(4700, 'w')}});
    DocumentTempFolder folder;
    const std::string path = folder.Put("loop.doc", image.bytes);
    ReadOnlyFile file;
    ASSERT_EQ(file.Open(path), ReadOnlyFile::OpenResult::Opened);
    {
        CompoundFile storage(file);
        const std::optional<CompoundEntry> entry = storage.FindRootStream(u"WORDDOCUMENT");
        ASSERT_TRUE(entry);
        CompoundStream stream = storage.OpenStream(*entry);
        EXPECT_EQ(stream.Read(0, 4700), std::string(4700, 'w'));
    }
    const std::uint32_t first = image.streamStart[0];
    image.SetFatEntry(first + 3, first);
    const std::string damaged = folder.Put("loop2.doc", image.bytes);
    ReadOnlyFile file2;
    ASSERT_EQ(file2.Open(damaged), ReadOnlyFile::OpenResult::Opened);
    CompoundFile storage(file2);
    CompoundStream stream = storage.OpenStream(*storage.FindRootStream(u"WordDocument"));
    EXPECT_EQ(stream.Read(0, 512).substr(0, 3), "www"); // the part before the loop still reads
    try {
        stream.Read(0, 4700);
        ADD_FAILURE() << "a loop in the FAT was followed";
    } catch (const EDamagedFile& e) {
        EXPECT_NE(std::string(e.what()).find("stream sector chain loops"), std::string::npos)
            << e.what();
    }
}

// ---------------------------------------------------------------------------
// MPEG audio information: fixtures by ffmpeg and lame

struct MpegCase {
    const char* file;
    int version;
    int layer;
    std::uint32_t sampleRate;
    std::uint32_t bitRate;
    int channelMode;
    int duration;
    bool xing;
    std::uint64_t framePosition;
    int frameLength;
};

// Bit rates: ffprobe's stream bit rate, which for a Xing header is the stream
// bytes over the time its frame count gives; frame lengths: the frame's own for
// constant rates, the average (stream bytes over frames) with a Xing header.
// The first frame of a constant-rate stereo LAME file is its Info frame, a
// stereo frame of a higher rate than the joint-stereo frames after it: rate and
// length are those of the frame after it.
const MpegCase kMpegCases[] = {
    {"audio/mpeg/Mpeg-1-layer2-cbr-mono-32k.mp2", 1, 2, 32000, 32, 3, 2, false, 0, 144},
    {"audio/mpeg/Mpeg-1-layer3-cbr-cover-art-id3v2.mp3", 1, 3, 32000, 32, 1, 2, false, 7392, 144},
    {"audio/mpeg/Mpeg-1-layer3-cbr-mono-Tagged-id3v1-id3v2.mp3", 1, 3, 32000, 32, 3, 2, false, 128,
     144},
    {"audio/mpeg/Mpeg-1-layer3-cbr-stereo-32k-info.mp3", 1, 3, 32000, 32, 0, 2, false, 0, 144},
    {"audio/mpeg/Mpeg-1-layer3-cbr-stereo-32k-noxing.mp3", 1, 3, 32000, 32, 1, 2, false, 0, 144},
    // By lame: an Info frame of the stream's own rate, 44 frames after it.
    {"audio/mpeg/Mpeg-1-layer3-cbr-stereo-44k-128k-lame-info.mp3", 1, 3, 44100, 128, 1, 1, false, 0,
     417},
    {"audio/mpeg/Mpeg-1-layer3-vbr-mono-32k-xing.mp3", 1, 3, 32000, 34, 3, 2, true, 0, 153},
    {"audio/mpeg/Mpeg-1-layer3-vbr-stereo-44k-xing.mp3", 1, 3, 44100, 34, 0, 2, true, 0, 111},
    {"audio/mpeg/Mpeg-2-layer2-cbr-mono-16k.mp2", 2, 2, 16000, 16, 3, 2, false, 0, 144},
    {"audio/mpeg/Mpeg-2-layer3-vbr-mono-16k-xing.mp3", 2, 3, 16000, 9, 3, 2, true, 0, 43},
    {"audio/mpeg/Mpeg-2-layer3-vbr-stereo-22k-xing.mp3", 2, 3, 22050, 10, 0, 2, true, 0, 34},
    {"audio/mpeg/Mpeg-2.5-layer3-cbr-mono-8k-info.mp3", 3, 3, 8000, 8, 3, 2, false, 0, 72},
    {"audio/mpeg/Mpeg-2.5-layer3-vbr-mono-11k-xing.mp3", 3, 3, 11025, 9, 3, 2, true, 0, 65},
};

void PrintTo(const MpegCase& c, std::ostream* os) {
    *os << c.file;
}

class MpegAudioFixtures : public ::testing::TestWithParam<MpegCase> {};

TEST_P(MpegAudioFixtures, ReadsTheStreamAsFfprobeDoes) {
    const MpegCase& c = GetParam();
    const std::string path = MediaFixture(c.file);
    MpegInfoRec info;
    TFileInfo(path).GetMP3ExInfo(info);
    ASSERT_EQ(info.MpegStatus, -1);
    EXPECT_EQ(info.MpegFileSize, fs::file_size(path));
    EXPECT_EQ(info.MpegVersion, c.version);
    EXPECT_EQ(info.MpegLayer, c.layer);
    EXPECT_EQ(info.MpegSampleRate, c.sampleRate);
    EXPECT_EQ(info.MpegBitRate, c.bitRate);
    EXPECT_EQ(info.MpegChannelMode, c.channelMode);
    EXPECT_EQ(info.MpegDuration, c.duration);
    EXPECT_EQ(info.MpegVariableBitRate, c.xing);
    EXPECT_EQ(info.MpegFramePosition, c.framePosition);
    EXPECT_EQ(info.MpegFrameLength, c.frameLength);
    EXPECT_EQ(info.MpegProtectionBit, 1); // ffmpeg and lame write no checksums
}

INSTANTIATE_TEST_SUITE_P(Ffmpeg, MpegAudioFixtures, ::testing::ValuesIn(kMpegCases),
                         [](const auto& info) { return TestNameOf(info.param.file); });

// ---------------------------------------------------------------------------
// MPEG audio information: frames built byte by byte

// Frame headers, one field per comment: sync (11 bits), version, layer,
// protection 1 (no checksum), bit-rate index, sample-rate index, padding,
// private, channel mode, mode extension, copyright, original, emphasis.
constexpr std::uint32_t kMpeg1Layer3_128k_44k =
    0xFFFB9000; // MPEG-1, III, 1001 (128), 00 (44.1k), stereo
constexpr std::uint32_t kMpeg1Layer3_128k_44kPad = 0xFFFB9200; // the same with padding
constexpr std::uint32_t kMpeg2Layer3_64k_22k =
    0xFFF38000; // MPEG-2, III, 1000 (64), 00 (22.05k), stereo
constexpr std::uint32_t kMpeg25Layer3_8k_8kMono =
    0xFFE318C0; // MPEG-2.5, III, 0001 (8), 10 (8k), mono
constexpr std::uint32_t kMpeg1Layer1_384k_44k =
    0xFFFFC000; // MPEG-1, I, 1100 (384), 00 (44.1k), stereo
constexpr std::uint32_t kMpeg2Layer2_16k_16kMono =
    0xFFF528C0; // MPEG-2, II, 0010 (16), 10 (16k), mono
constexpr std::uint32_t kMpeg1Layer3_128k_44kCopy =
    0xFFFA900C; // with a checksum; copyright, original

// One frame: the header, then zeros up to its length.
std::string Frame(std::uint32_t header, std::size_t length) {
    std::string out;
    PutU32BE(out, header);
    out.resize(length, '\0');
    return out;
}

std::string Frames(std::uint32_t header, std::size_t length, int count) {
    std::string out;
    for (int i = 0; i < count; ++i)
        out += Frame(header, length);
    return out;
}

// A 417-byte MPEG-1 stereo frame holding a Xing or Info header at byte 36.
std::string XingFrame(const char* tag, std::uint32_t flags, std::uint32_t frames,
                      std::uint32_t bytes) {
    std::string out = Frame(kMpeg1Layer3_128k_44k, 36);
    out += tag;
    PutU32BE(out, flags);
    if (flags & 1) PutU32BE(out, frames);
    if (flags & 2) PutU32BE(out, bytes);
    out.resize(417, '\0');
    return out;
}

// An ID3v2.3 header for `size` bytes of tag body.
std::string Id3v2Header(std::uint32_t size) {
    std::string out = "ID3\x03";
    out.push_back('\0');
    out.push_back('\0');
    for (int shift = 21; shift >= 0; shift -= 7)
        out.push_back(static_cast<char>((size >> shift) & 0x7F));
    return out;
}

struct BuiltMpegCase {
    const char* name;
    std::string bytes;
    int status;
    int version;
    int layer;
    std::uint32_t sampleRate;
    std::uint32_t bitRate;
    int frameLength;
    int duration;
    std::uint64_t framePosition;
};

std::vector<BuiltMpegCase> BuiltMpegCases() {
    const std::string mpeg1 = Frames(kMpeg1Layer3_128k_44k, 417, 6);
    // A tag whose body holds frames of another stream, as a cover picture may.
    const std::string fakeFrames = Frames(kMpeg2Layer3_64k_22k, 208, 4);
    return {
        // A frame found after leading zeros, and the length of a 128 kbit/s frame at 44.1 kHz.
        {"LeadingZeros", std::string(1000, '\0') + mpeg1, -1, 1, 3, 44100, 128, 417, 0, 1000},
        {"FrameOf417Bytes", mpeg1, -1, 1, 3, 44100, 128, 417, 0, 0},
        {"PaddingAddsAByte", Frames(kMpeg1Layer3_128k_44kPad, 418, 3), -1, 1, 3, 44100, 128, 418, 0,
         0},
        // MPEG-2 and 2.5 Layer III frames hold 576 samples: a factor of 72,000.
        {"Mpeg2Layer3Index8Is64k", Frames(kMpeg2Layer3_64k_22k, 208, 4), -1, 2, 3, 22050, 64, 208,
         0, 0},
        {"Mpeg25Layer3", Frames(kMpeg25Layer3_8k_8kMono, 72, 4), -1, 3, 3, 8000, 8, 72, 0, 0},
        // Layer I counts 4-byte slots; MPEG-2 Layer II keeps the factor 144,000.
        {"Layer1Slots", Frames(kMpeg1Layer1_384k_44k, 416, 3), -1, 1, 1, 44100, 384, 416, 0, 0},
        {"Mpeg2Layer2", Frames(kMpeg2Layer2_16k_16kMono, 144, 3), -1, 2, 2, 16000, 16, 144, 0, 0},
        // 27 frames of 72 bytes at 8 kbit/s: 1.944 s; with the ID3v1 tag counted, 2.07.
        {"Id3v1NotAudio", Frames(kMpeg25Layer3_8k_8kMono, 72, 27) + "TAG" + std::string(125, ' '),
         -1, 3, 3, 8000, 8, 72, 1, 0},
        {"AfterTheId3v2Tag",
         Id3v2Header(static_cast<std::uint32_t>(fakeFrames.size())) + fakeFrames + mpeg1, -1, 1, 3,
         44100, 128, 417, 0, 10 + fakeFrames.size()},
        {"TagLongerThanTheFile", Id3v2Header(100000) + mpeg1, 2, 0, 0, 0, 0, 0, 0, 0},
        // A lone sync pattern whose next frame is not there is not a frame.
        {"LoneSyncSkipped", Frame(kMpeg2Layer3_64k_22k, 30) + mpeg1, -1, 1, 3, 44100, 128, 417, 0,
         30},
        {"OneFrameFillingTheFile", Frame(kMpeg1Layer3_128k_44k, 417), -1, 1, 3, 44100, 128, 417, 0,
         0},
        {"FrameCutShort", Frame(kMpeg1Layer3_128k_44k, 300), 2, 0, 0, 0, 0, 0, 0, 0},
        {"NoFrame", std::string(5000, 'x'), 2, 0, 0, 0, 0, 0, 0, 0},
        {"FreeFormatIsNoFrame", Frames(0xFFFB0000, 417, 3), 2, 0, 0, 0, 0, 0, 0, 0},
        // Xing: 1,000 bytes in 2 frames of 1152 samples at 44.1 kHz are 153 kbit/s.
        {"XingAllFlags", XingFrame("Xing", 15, 2, 1000) + Frames(kMpeg1Layer3_128k_44k, 417, 3), -1,
         1, 3, 44100, 153, 500, 0, 0},
        // A byte count beyond the file: the bytes from the frame on count instead.
        {"XingBytesBeyondTheFile",
         XingFrame("Xing", 3, 4, 30000) + Frames(kMpeg1Layer3_128k_44k, 417, 3), -1, 1, 3, 44100,
         127, 417, 0, 0},
        // Only the frame count: the bytes are those of the file from the frame on.
        {"XingFramesOnly", XingFrame("Xing", 1, 3, 0) + Frames(kMpeg1Layer3_128k_44k, 417, 2), -1,
         1, 3, 44100, 127, 417, 0, 0},
        // A frame count of 0 would divide by zero: the header is ignored.
        {"XingNoFrames", XingFrame("Xing", 15, 0, 1000) + Frames(kMpeg1Layer3_128k_44k, 417, 2), -1,
         1, 3, 44100, 128, 417, 0, 0},
        // More frames than bytes: an average rate of 0, ignored.
        {"XingTooManyFrames",
         XingFrame("Xing", 3, 0xFFFFFFF0, 1000) + Frames(kMpeg1Layer3_128k_44k, 417, 2), -1, 1, 3,
         44100, 128, 417, 0, 0},
        {"ChecksumAndFlags", Frames(kMpeg1Layer3_128k_44kCopy, 417, 3), -1, 1, 3, 44100, 128, 417,
         0, 0},
        {"FiveBytes", std::string("\xFF\xFB\x90\x00\x00", 5), -1, 0, 0, 0, 0, 0, 0, 0},
    };
}

void PrintTo(const BuiltMpegCase& c, std::ostream* os) {
    *os << c.name;
}

class MpegAudioBuilt : public ::testing::TestWithParam<BuiltMpegCase> {};

TEST_P(MpegAudioBuilt, ReadsTheFirstFrame) {
    const BuiltMpegCase& c = GetParam();
    DocumentTempFolder folder;
    MpegInfoRec info;
    TFileInfo(folder.Put("built.mp3", c.bytes)).GetMP3ExInfo(info);
    EXPECT_EQ(info.MpegStatus, c.status);
    EXPECT_EQ(info.MpegFileSize, c.bytes.size());
    EXPECT_EQ(info.MpegVersion, c.version);
    EXPECT_EQ(info.MpegLayer, c.layer);
    EXPECT_EQ(info.MpegSampleRate, c.sampleRate);
    EXPECT_EQ(info.MpegBitRate, c.bitRate);
    EXPECT_EQ(info.MpegFrameLength, c.frameLength);
    EXPECT_EQ(info.MpegDuration, c.duration);
    EXPECT_EQ(info.MpegFramePosition, c.framePosition);
}

INSTANTIATE_TEST_SUITE_P(Built, MpegAudioBuilt, ::testing::ValuesIn(BuiltMpegCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MpegAudioInfo, HeaderBits) {
    DocumentTempFolder folder;
    MpegInfoRec info;
    TFileInfo(folder.Put("bits.mp3", Frames(kMpeg1Layer3_128k_44kCopy, 417, 3))).GetMP3ExInfo(info);
    EXPECT_EQ(info.MpegProtectionBit, 0);
    EXPECT_EQ(info.MpegRightsBit, 1);
    EXPECT_EQ(info.MpegOriginalCopyBit, 1);
    EXPECT_EQ(info.MpegPaddingBit, 0);
    EXPECT_EQ(info.MpegChannelMode, 0);
    TFileInfo(folder.Put("mono.mp3", Frames(kMpeg25Layer3_8k_8kMono, 72, 3))).GetMP3ExInfo(info);
    EXPECT_EQ(info.MpegChannelMode, 3);
    EXPECT_EQ(info.MpegProtectionBit, 1);
}

TEST(MpegAudioInfo, MissingUnopenableAndFar) {
    DocumentTempFolder folder;
    MpegInfoRec info;
    TFileInfo(folder.PathOf("absent.mp3")).GetMP3ExInfo(info);
    EXPECT_EQ(info.MpegStatus, 0);
    TFileInfo(folder.PathOf("")).GetMP3ExInfo(info);
    EXPECT_EQ(info.MpegStatus, 1);
    // Frames beyond the first mebibyte are not looked for: no disk walk reads a
    // whole film named .mp3 byte by byte.
    const std::string far = std::string(2 << 20, '\0') + Frames(kMpeg1Layer3_128k_44k, 417, 3);
    TFileInfo(folder.Put("far.mp3", far)).GetMP3ExInfo(info);
    EXPECT_EQ(info.MpegStatus, 2);
}

TEST(MpegAudioInfo, JunkFullOfSyncsIsScannedPromptly) {
    // A mebibyte of frame headers whose next frame never follows: every fourth
    // byte is a candidate, and each looks 417 bytes ahead.
    std::string junk;
    while (junk.size() < (1u << 20))
        PutU32BE(junk, kMpeg1Layer3_128k_44k);
    DocumentTempFolder folder;
    MpegInfoRec info;
    const auto start = std::chrono::steady_clock::now();
    TFileInfo(folder.Put("junk.mp3", junk)).GetMP3ExInfo(info);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(info.MpegStatus, 2);
}

TEST(MpegAudioInfo, DurationBeyondItsFieldRaises) {
    // 70 MB at 8 kbit/s: 70,000 seconds, more than 16 bits hold.
    DocumentTempFolder folder;
    const std::string path =
        folder.PutSparse("long.mp3", Frames(kMpeg25Layer3_8k_8kMono, 72, 3), 70'000'000);
    MpegInfoRec info;
    EXPECT_THROW(TFileInfo(path).GetMP3ExInfo(info), std::range_error);
}

// ---------------------------------------------------------------------------
// AVI header: fixtures by ffmpeg

struct AviCase {
    const char* file;
    std::int32_t width;
    std::int32_t height;
    int fps;
    std::int32_t duration;
};

const AviCase kAviCases[] = {
    {"video/Avi-mpeg4-64x48-25fps-2s.avi", 64, 48, 25, 2},
    {"video/Avi-mjpeg-32x24-10fps-1.5s.avi", 32, 24, 10, 1},
    {"video/Avi-mpeg4-pcm-48x32-12fps-1s.avi", 48, 32, 12, 1},
};

void PrintTo(const AviCase& c, std::ostream* os) {
    *os << c.file;
}

class AviHeaderFixtures : public ::testing::TestWithParam<AviCase> {};

TEST_P(AviHeaderFixtures, ReadsTheMainHeader) {
    const AviCase& c = GetParam();
    std::int32_t width = -7, height = -7, duration = -7;
    std::uint8_t fps = 7;
    EXPECT_EQ(GetAVIInfo(MediaFixture(c.file), width, height, duration, fps), kAviRead);
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
    EXPECT_EQ(fps, c.fps);
    EXPECT_EQ(duration, c.duration);
}

INSTANTIATE_TEST_SUITE_P(Ffmpeg, AviHeaderFixtures, ::testing::ValuesIn(kAviCases),
                         [](const auto& info) { return TestNameOf(info.param.file); });

// ---------------------------------------------------------------------------
// AVI header: chunks built byte by byte

std::string Chunk(const std::string& id, const std::string& data) {
    std::string out = id;
    PutU32LE(out, static_cast<std::uint32_t>(data.size()));
    out += data;
    if (data.size() % 2) out.push_back('\0');
    return out;
}

std::string List(const std::string& type, const std::string& body) {
    return Chunk("LIST", type + body);
}

std::string Riff(const std::string& form, const std::string& body) {
    return Chunk("RIFF", form + body);
}

// The 56-byte main header: frame time, max rate, padding, flags, total frames,
// initial frames, streams, buffer size, width, height, 4 reserved words.
std::string MainHeader(std::uint32_t microSecPerFrame, std::uint32_t frames, std::uint32_t width,
                       std::uint32_t height) {
    std::string out;
    for (std::uint32_t v :
         {microSecPerFrame, 0u, 0u, 0x10u, frames, 0u, 1u, 0u, width, height, 0u, 0u, 0u, 0u})
        PutU32LE(out, v);
    return out;
}

std::string SimpleAvi(std::uint32_t microSecPerFrame, std::uint32_t frames,
                      std::uint32_t width = 320, std::uint32_t height = 240) {
    return Riff("AVI ",
                List("hdrl", Chunk("avih", MainHeader(microSecPerFrame, frames, width, height)) +
                                 List("strl", Chunk("strh", std::string(56, '\0')))) +
                    List("movi", Chunk("00dc", "frame")) + Chunk("idx1", std::string(16, '\0')));
}

struct BuiltAviCase {
    const char* name;
    std::string bytes;
    int status;
    std::int32_t width;
    std::int32_t height;
    int fps;
    std::int32_t duration;
};

std::vector<BuiltAviCase> BuiltAviCases() {
    std::string deep = Chunk("avih", MainHeader(40000, 25, 1, 1));
    for (int i = 0; i < 10; ++i)
        deep = List("deep", deep);
    std::string nine = Chunk("avih", MainHeader(40000, 25, 1, 1));
    for (int i = 0; i < 9; ++i)
        nine = List("deep", nine);
    std::string longer = SimpleAvi(40000, 25);
    PutU32LE(longer, 0); // 4 bytes past the RIFF form
    std::string childTooLong =
        Riff("AVI ", List("hdrl", Chunk("avih", MainHeader(40000, 25, 8, 8))));
    childTooLong[16] = static_cast<char>(childTooLong[16] +
                                         2); // the "hdrl" list claims 2 bytes more than the form
    std::string shortAvih =
        Riff("AVI ", List("hdrl", Chunk("avih", MainHeader(40000, 25, 8, 8).substr(0, 40))));
    const int kNo = -1; // outputs left as the caller set them
    return {
        // 40,000 us per frame and 1,500 frames: 25 fps for a minute.
        {"TwentyFiveFps", SimpleAvi(40000, 1500), kAviRead, 320, 240, 25, 60},
        // 29.97 fps for 1,000 frames plays 33.4 s; a rate cut to 29 would give 34.
        {"NtscRate", SimpleAvi(33367, 1000), kAviRead, 320, 240, 29, 33},
        // Slower than a frame a second: rate 0, the time still right.
        {"TimeLapse", SimpleAvi(2'000'000, 30), kAviRead, 320, 240, 0, 60},
        {"WaveForm", Riff("WAVE", Chunk("fmt ", std::string(16, '\0'))), kAviNotAvi, kNo, kNo, kNo,
         kNo},
        {"NotRiff", "RIFX" + SimpleAvi(40000, 25).substr(4), kAviNotRiff, kNo, kNo, kNo, kNo},
        {"FourBytes", "RIFF", kAviNoHeader, kNo, kNo, kNo, kNo},
        {"NoFormType", std::string("RIFF\x00\x00\x00\x00", 8), kAviNoHeader, kNo, kNo, kNo, kNo},
        {"RiffLongerThanTheFile", SimpleAvi(40000, 25).substr(0, 100), kAviShort, kNo, kNo, kNo,
         kNo},
        // Bytes after the form are not walked.
        {"BytesAfterTheForm", longer, kAviRead, 320, 240, 25, 1},
        // The form and nine lists are ten open containers; one more is too deep.
        {"TenContainersOpen", Riff("AVI ", nine), kAviRead, 1, 1, 25, 1},
        {"ElevenContainersOpen", Riff("AVI ", deep), kAviBadStructure, kNo, kNo, kNo, kNo},
        {"ChildLongerThanItsList", childTooLong, kAviBadStructure, kNo, kNo, kNo, kNo},
        {"MainHeaderCutShort", shortAvih, kAviBadStructure, kNo, kNo, kNo, kNo},
        {"NoMainHeader", Riff("AVI ", List("movi", "")), kAviRead, kNo, kNo, kNo, kNo},
        {"EmptyChunksAreLegal",
         Riff("AVI ",
              Chunk("JUNK", "") + Chunk("strn", "") + Chunk("avih", MainHeader(40000, 50, 2, 2))),
         kAviRead, 2, 2, 25, 2},
        {"OddChunkPadded",
         Riff("AVI ", Chunk("strn", "abc") + Chunk("avih", MainHeader(40000, 50, 2, 2))), kAviRead,
         2, 2, 25, 2},
        {"ChunkHeaderCut", Riff("AVI ", Chunk("avih", MainHeader(40000, 50, 2, 2)) + "JU"),
         kAviBadStructure, 2, 2, 25, 2},
        {"NegativeWidth", SimpleAvi(40000, 25, 0xFFFFFFFF, 10), kAviRead, -1, 10, 25, 1},
    };
}

void PrintTo(const BuiltAviCase& c, std::ostream* os) {
    *os << c.name;
}

class AviHeaderBuilt : public ::testing::TestWithParam<BuiltAviCase> {};

TEST_P(AviHeaderBuilt, WalksTheChunks) {
    const BuiltAviCase& c = GetParam();
    DocumentTempFolder folder;
    std::int32_t width = -1, height = -1, duration = -1;
    std::uint8_t fps = 255;
    EXPECT_EQ(GetAVIInfo(folder.Put("built.avi", c.bytes), width, height, duration, fps), c.status);
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
    EXPECT_EQ(fps, c.fps == -1 ? 255 : c.fps);
    EXPECT_EQ(duration, c.duration);
}

INSTANTIATE_TEST_SUITE_P(Built, AviHeaderBuilt, ::testing::ValuesIn(BuiltAviCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AviHeader, FrameTimesThatDoNotFitRaise) {
    DocumentTempFolder folder;
    std::int32_t width = 0, height = 0, duration = 0;
    std::uint8_t fps = 0;
    EXPECT_THROW(GetAVIInfo(folder.Put("zero.avi", SimpleAvi(0, 25)), width, height, duration, fps),
                 EDamagedFile);
    // 1,000 us per frame is 1,000 fps: more than the byte holds.
    EXPECT_THROW(
        GetAVIInfo(folder.Put("fast.avi", SimpleAvi(1000, 25)), width, height, duration, fps),
        EDamagedFile);
    EXPECT_EQ(
        GetAVIInfo(folder.Put("fastest.avi", SimpleAvi(3922, 255)), width, height, duration, fps),
        kAviRead);
    EXPECT_EQ(fps, 254);
}

TEST(AviHeader, GigabytesOfFramesAreNotRead) {
    // A "movi" list of 3.5 GB in a sparse file, with the index after it.
    const std::uint32_t moviSize = 3'500'000'000u;
    std::string head =
        Riff("AVI ", List("hdrl", Chunk("avih", MainHeader(40000, 87500, 640, 480))));
    const std::uint32_t riffSize =
        static_cast<std::uint32_t>(head.size() - 8 + 8 + moviSize + 8 + 16);
    head.replace(4, 4, std::string(4, '\0'));
    for (int i = 0; i < 4; ++i)
        head[4 + i] = static_cast<char>((riffSize >> (8 * i)) & 0xFF);
    head += "LIST";
    PutU32LE(head, moviSize);
    head += "movi";
    DocumentTempFolder folder;
    const std::string path = folder.PutSparse("huge.avi", head, head.size() - 4 + moviSize);
    {
        // The index chunk after the frames.
        std::string tail = Chunk("idx1", std::string(16, '\0'));
        const int fd = ::open(path.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(
            ::pwrite(fd, tail.data(), tail.size(), static_cast<off_t>(head.size() - 4 + moviSize)),
            static_cast<ssize_t>(tail.size()));
        ::close(fd);
    }
    std::int32_t width = 0, height = 0, duration = 0;
    std::uint8_t fps = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(GetAVIInfo(path, width, height, duration, fps), kAviRead);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    EXPECT_EQ(fps, 25);
    EXPECT_EQ(duration, 3500);
}

TEST(AviHeader, DirectoryAndMissingFile) {
    DocumentTempFolder folder;
    std::int32_t width = 0, height = 0, duration = 0;
    std::uint8_t fps = 0;
    EXPECT_EQ(GetAVIInfo(folder.PathOf(""), width, height, duration, fps), kAviCannotOpen);
    EXPECT_EQ(GetAVIInfo(folder.PathOf("absent.avi"), width, height, duration, fps),
              kAviCannotOpen);
}

// ---------------------------------------------------------------------------
// The writers

struct WriterCase {
    const char* name;
    std::function<std::string(DocumentTempFolder&)> file; // the path to write for
    int writer;                                           // 0 GetDOCDatos, 1 ReadMP3, 2 ReadAVI
    std::string block;
    std::string description;
    std::string log; // the start of the one log line, after the failure text; empty: no line
};

std::string Fixture(const char* relative) {
    return MediaFixture(relative);
}

std::string BuiltDocument(DocumentTempFolder& folder, const char* name,
                          const std::vector<SummaryProperty>& properties) {
    return folder.Put(name,
                      BuildCompoundFile({{SummaryStreamName(), SummaryStream(properties)}}).bytes);
}

// An ID3v1 tag: "TAG", title, artist, album (30 each), year (4), comment (28),
// zero, track, genre.
std::string Id3v1(const std::string& title, const std::string& artist, const std::string& album,
                  const std::string& year, int track, int genre) {
    std::string out = "TAG" + PadRightToWidth(title, 30) + PadRightToWidth(artist, 30) +
                      PadRightToWidth(album, 30) + PadRightToWidth(year, 4);
    out += std::string(28, '\0');
    out.push_back('\0');
    out.push_back(static_cast<char>(track));
    out.push_back(static_cast<char>(genre));
    return out;
}

std::vector<WriterCase> WriterCases() {
    using namespace testing;
    const std::string mpeg1 =
        Frames(kMpeg1Layer3_128k_44k, 417, 40); // 16,680 bytes: 1 s at 128 kbit/s
    const std::string mpegBase = Field(1, 3) + "2" + Field(44100, 3) + Field(128, 2);
    return {
        {"DocTitle", [](auto&) { return Fixture("documents/Document-title-utf8.doc"); }, 0,
         Block(Field(0, 2)), "R\u00e9sum\u00e9 of the \u00f1and\u00fa survey", ""},
        {"DotTitle", [](auto&) { return Fixture("documents/Document-template.dot"); }, 0,
         Block(Field(0, 2)), "Letter template", ""},
        {"DocUntitled", [](auto&) { return Fixture("documents/Document-untitled.doc"); }, 0,
         Block(Field(0, 2)), "", ""},
        {"DocPagesAndControls",
         [](auto& f) {
             return BuiltDocument(f, "p.doc",
                                  {TextProperty(2, " Two\tparts\x1D "), IntProperty(14, 12)});
         },
         0, Block(Field(12, 2)), " Two parts  ", ""},
        {"DocBlankTitle",
         [](auto& f) {
             return BuiltDocument(f, "b.doc", {TextProperty(2, " \t "), IntProperty(14, 1)});
         },
         0, Block(Field(1, 2)), "", ""},
        // More pages than two characters of the code hold keep the first two.
        {"DocManyPages",
         [](auto& f) { return BuiltDocument(f, "m.doc", {IntProperty(14, 123456)}); }, 0,
         Block(CodificaEntero(123456).substr(0, 2)), "", ""},
        {"DocNotCompound", [](auto& f) { return f.Put("rtf.doc", "{\\rtf1 text}"); }, 0, "", "",
         "GetDocInfo error: compound file: shorter than its header"},
        {"DocMissing", [](auto& f) { return f.PathOf("absent.doc"); }, 0, "", "",
         "GetDocInfo error: file not found"},

        {"Mp3CoverArt",
         [](auto&) { return Fixture("audio/mpeg/Mpeg-1-layer3-cbr-cover-art-id3v2.mp3"); }, 1,
         Block(Field(2, 3) + "2" + Field(32000, 3) + Field(32, 2) + Field(1998, 2) + Field(4, 2) +
               "Jazz"),
         "Cover Artist [Cover Album] Cover Title", ""},
        // ID3v1 first; its title is part of the file name, so it is left out.
        {"Mp3BothTags",
         [](auto&) { return Fixture("audio/mpeg/Mpeg-1-layer3-cbr-mono-Tagged-id3v1-id3v2.mp3"); },
         1,
         Block(Field(2, 3) + "1" + Field(32000, 3) + Field(32, 2) + Field(2004, 2) + Field(7, 2) +
               "Rock"),
         "Both Artist [Both Album]", ""},
        // No tag: 13 characters, the last four blanks.
        {"Mp3NoTag",
         [](auto&) { return Fixture("audio/mpeg/Mpeg-2-layer3-vbr-mono-16k-xing.mp3"); }, 1,
         Block(Field(2, 3) + "1" + Field(16000, 3) + Field(9, 2) + "    "), "", ""},
        {"Mp3Id3v1NoYear",
         [mpeg1](auto& f) { return f.Put("v1.mp3", mpeg1 + Id3v1("Song", "Band", "", "", 3, 8)); },
         1, Block(mpegBase + Field(0, 2) + Field(3, 2) + "Jazz"), "Band Song", ""},
        {"Mp3YearNotANumber",
         [mpeg1](auto& f) {
             return f.Put("bad.mp3", mpeg1 + Id3v1("Song", "Band", "Disc", "19x8", 3, 8));
         },
         1, "", "", "?"},
        {"Mp3NoFrame", [](auto& f) { return f.Put("text.mp3", std::string(3000, 't')); }, 1, "", "",
         "GetMP3ExInfo error"},
        {"Mp3FiveBytes", [](auto& f) { return f.Put("tiny.mp3", "\xFF\xFB\x90\x00\x00"); }, 1, "",
         "", "GetMP3ExInfo error"},
        {"Mp3DurationTooLong",
         [](auto& f) {
             return f.PutSparse("long.mp3", Frames(kMpeg25Layer3_8k_8kMono, 72, 3), 70'000'000);
         },
         1, "", "", "MPEG duration of 70000 seconds does not fit its field"},

        {"AviMpeg4", [](auto&) { return Fixture("video/Avi-mpeg4-64x48-25fps-2s.avi"); }, 2,
         Block(Field(64, 3) + Field(48, 3) + Field(25, 1) + Field(2, 3)), "", ""},
        {"AviMjpeg", [](auto&) { return Fixture("video/Avi-mjpeg-32x24-10fps-1.5s.avi"); }, 2,
         Block(Field(32, 3) + Field(24, 3) + Field(10, 1) + Field(1, 3)), "", ""},
        {"AviWave",
         [](auto& f) { return f.Put("w.avi", Riff("WAVE", Chunk("fmt ", std::string(16, '\0')))); },
         2, "", "", "Operation aborted"},
        {"AviNegativeWidth",
         [](auto& f) { return f.Put("n.avi", SimpleAvi(40000, 25, 0xFFFFFFFF, 10)); }, 2, "", "",
         "Operation aborted"},
        {"AviNoMainHeader", [](auto& f) { return f.Put("h.avi", Riff("AVI ", List("movi", ""))); },
         2, "", "", "Operation aborted"},
        {"AviZeroFrameTime", [](auto& f) { return f.Put("z.avi", SimpleAvi(0, 25)); }, 2, "", "",
         "AVI main header gives a frame time of 0"},
    };
}

const char* const kFailureTexts[] = {"GetDOCDatos() failure on ", "ReadMP3 failure on ",
                                     "ReadAVI failure on "};

void PrintTo(const WriterCase& c, std::ostream* os) {
    *os << c.name;
}

class DocumentWriters : public ::testing::TestWithParam<WriterCase> {};

TEST_P(DocumentWriters, WriteTheBlockAndDescription) {
    const WriterCase& c = GetParam();
    DocumentTempFolder folder;
    const std::string path = c.file(folder);
    MediaReaders readers;
    ErrorLog log;
    std::string description = "stale";
    std::string block;
    if (c.writer == 0) block = GetDOCDatos(readers, path, description, log.Sink());
    if (c.writer == 1) block = ReadMP3(readers, path, description, log.Sink());
    if (c.writer == 2) {
        block = ReadAVI(readers, path, log.Sink());
        description = "";
    }
    EXPECT_EQ(block, c.block);
    EXPECT_EQ(description, c.description);
    if (c.log.empty()) {
        EXPECT_TRUE(log.lines.empty()) << (log.lines.empty() ? "" : log.lines.front());
    } else {
        ASSERT_EQ(log.lines.size(), 1u);
        const std::string prefix = kFailureTexts[c.writer] + path + ": ";
        EXPECT_EQ(log.lines[0].substr(0, prefix.size()), prefix);
        if (c.log != "?") {
            EXPECT_EQ(log.lines[0].substr(prefix.size()), c.log);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Writers, DocumentWriters, ::testing::ValuesIn(WriterCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Robustness: every fixture cut short and mutated. The readers must report a
// status or raise a std::exception, never crash, hang or read past what the
// file holds (the sanitizer build runs these).

std::vector<std::string> DamagedCopies(const std::string& bytes, unsigned seed) {
    std::vector<std::string> out;
    for (std::size_t cut :
         {std::size_t{0}, std::size_t{1}, std::size_t{4}, std::size_t{8}, std::size_t{11},
          std::size_t{12}, std::size_t{40}, std::size_t{100}, std::size_t{511}, std::size_t{512},
          std::size_t{513}, bytes.size() / 3, bytes.size() / 2, bytes.size() - 1})
        if (cut < bytes.size()) out.push_back(bytes.substr(0, cut));
    std::mt19937 random(seed);
    for (int round = 0; round < 150; ++round) {
        std::string copy = bytes;
        const int changes = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < changes; ++i) {
            const std::size_t at = random() % copy.size();
            switch (random() % 4) {
            case 0:
                copy[at] = static_cast<char>(random());
                break;
            case 1:
                copy[at] = static_cast<char>(copy[at] ^ (1 << (random() % 8)));
                break;
            case 2: // a 32-bit field set to an extreme
                for (std::size_t k = 0; k < 4 && at + k < copy.size(); ++k)
                    copy[at + k] = (random() % 2) ? '\xFF' : '\0';
                break;
            default: // a length or sector number made large but plausible
                if (at + 4 <= copy.size()) copy[at + 2] = static_cast<char>(random() % 4);
                break;
            }
        }
        out.push_back(copy);
    }
    return out;
}

template <typename Run>
void OverDamagedCopies(const std::vector<std::string>& fixtures, const char* extension, Run run) {
    ASSERT_FALSE(fixtures.empty());
    DocumentTempFolder folder;
    unsigned seed = 20240601;
    for (const std::string& fixture : fixtures) {
        const std::string bytes = ReadBytes(fixture);
        int index = 0;
        for (const std::string& copy : DamagedCopies(bytes, seed++)) {
            const std::string path = folder.Put("copy" + std::to_string(index++) + extension, copy);
            SCOPED_TRACE(fixture + " copy " + std::to_string(index - 1));
            run(path);
        }
    }
}

TEST(DocumentRobustness, DamagedDocuments) {
    std::vector<std::string> fixtures = FixturesIn("documents", {".doc", ".dot"});
    // And a built file whose summary lives in the FAT and is reached through 4096-byte sectors.
    DocumentTempFolder built;
    fixtures.push_back(built.Put(
        "big.doc",
        BuildCompoundFile(
            {{SummaryStreamName(), SummaryStream({testing::TextProperty(2, std::string(4500, 'x')),
                                                  testing::IntProperty(14, 3)})}},
            12)
            .bytes));
    MediaReaders readers;
    OverDamagedCopies(fixtures, ".doc", [&](const std::string& path) {
        TDocInfo info;
        TFileInfo reader(path);
        reader.GetDocInfo(info);
        EXPECT_TRUE(info.DocStatus == -1 || info.DocStatus == 1);
        EXPECT_TRUE(info.DocStatus == -1 || !reader.LastError().empty());
        std::string description;
        ErrorLog log;
        const std::string block = GetDOCDatos(readers, path, description, log.Sink());
        EXPECT_EQ(block.empty(), info.DocStatus != -1);
        EXPECT_EQ(log.lines.size(), block.empty() ? 1u : 0u);
    });
}

TEST(DocumentRobustness, DamagedMpegAudio) {
    std::vector<std::string> fixtures = FixturesIn("audio/mpeg", {".mp3", ".mp2"});
    for (const std::string& other : FixturesIn("audio", {".mp3"}))
        fixtures.push_back(other);
    MediaReaders readers;
    OverDamagedCopies(fixtures, ".mp3", [&](const std::string& path) {
        MpegInfoRec info;
        try {
            TFileInfo(path).GetMP3ExInfo(info);
            EXPECT_TRUE(info.MpegStatus == -1 || info.MpegStatus == 2);
            if (info.MpegStatus == -1 && info.MpegSampleRate != 0) {
                EXPECT_NE(info.MpegBitRate, 0u);
                EXPECT_NE(info.MpegFrameLength, 0u);
                EXPECT_LT(info.MpegFramePosition, info.MpegFileSize);
            }
        } catch (const std::exception&) {
        }
        std::string description;
        ErrorLog log;
        const std::string block = ReadMP3(readers, path, description, log.Sink());
        EXPECT_EQ(log.lines.size(), block.empty() ? 1u : 0u);
        if (block.empty()) {
            EXPECT_EQ(description, "");
        }
    });
}

TEST(DocumentRobustness, DamagedAvi) {
    MediaReaders readers;
    OverDamagedCopies(FixturesIn("video", {".avi"}), ".avi", [&](const std::string& path) {
        std::int32_t width = 0, height = 0, duration = 0;
        std::uint8_t fps = 0;
        try {
            const int status = GetAVIInfo(path, width, height, duration, fps);
            EXPECT_GE(status, kAviRead);
            EXPECT_LE(status, kAviBadStructure);
        } catch (const EDamagedFile&) {
        }
        ErrorLog log;
        const std::string block = ReadAVI(readers, path, log.Sink());
        EXPECT_EQ(log.lines.size(), block.empty() ? 1u : 0u);
        if (!block.empty()) {
            EXPECT_EQ(block.size(), 12u);
        }
    });
}

} // namespace
} // namespace sorvane
