// The catalogue and the extraction page see one archive alike: for every
// archive fixture, and for truncations of each at a dozen points, the members
// the listing walk reports (as the catalogue lists them) are compared with
// what the family's extracting reader does with them. The reader writes a
// member whole only when the walk lists it with that size; a member the walk
// lists that the reader does not write whole is one the reader reports; and
// the walk reports damage when the reader does. Where the two may differ by
// design (folders, passwords, refused methods, data the walk does not read),
// the table below names the fixture and why.
#include "archive/ace/arxUnAce.h"
#include "archive/arc/arxUnArc.h"
#include "archive/arj/arxUnArj.h"
#include "archive/arxArxon.h"
#include "archive/arxMessages.h"
#include "archive/cab/arxUnCab.h"
#include "archive/gzip/arxUnGZip.h"
#include "archive/lha/arxUnLha.h"
#include "archive/rar/arxUnRar.h"
#include "archive/tar/arxUnTar.h"
#include "archive/zip/arxUnZip.h"
#include "archive/zoo/arxUnZoo.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/NewReaderFor.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace sorvane {
namespace {

using namespace test;
namespace fs = std::filesystem;

// Fixtures (paths below tests/data/archive, or "*" and an ending) where the
// walk and the reader differ by design, and how.
enum Allowance : unsigned {
    kNone = 0,
    // Members the reader refuses by method, version or kind, or cannot
    // decipher, or that are volume labels: listed, not written.
    kRefused = 1,
    // The walk reads no member data, so damage inside it is the reader's alone.
    kDataOnly = 2,
    // A later volume of a set, or a set whose further volumes the reader
    // reaches by its own rules: the walk lists a member the reader writes from
    // the set's first volume only.
    kVolumes = 4,
    // The reader writes the member under a name of its own making (a name
    // that would leave the destination made safe, gzip's output names).
    kRenamed = 8,
    // The format stores no original size the walk can read whole (.Z), or the
    // walk takes it from the file's last bytes (gzip): sizes differ.
    kNoSize = 16,
};

const std::map<std::string, unsigned> kAllowed = {
    // Methods not decoded, enciphered members, link and device members.
    {"zip/bzip2.zip", kRefused},
    {"zip/lzma.zip", kRefused},
    {"zip/ppmd.zip", kRefused},
    {"zip/method99.zip", kRefused},
    {"zip/links.zip", kRefused},
    {"zip/bomb.zip", kRefused},
    {"lha/lib-refused.lzh", kRefused},
    {"arc/mixed.pak", kRefused},
    {"synth/pak-distilled.pak", kRefused},
    {"ace/ace20.ace", kRefused},
    {"ace/encrypted.ace", kRefused},
    {"rar/encrypted.rar", kRefused},
    {"rar/rar20.rar", kRefused},
    {"arj/garbled.arj", kRefused},
    {"arj/garbled4.arj", kRefused},
    {"arj/label.arj", kRefused},
    // Names that would leave the destination: refused or made safe.
    {"zip/hostile.zip", kRefused | kRenamed},
    {"ace/hostile.ace", kRefused | kRenamed},
    {"rar/hostile.rar", kRefused | kRenamed},
    {"cab/hostile.cab", kRefused | kRenamed},
    // Later volumes opened by themselves, and ACE volume sets.
    {"arj/multivol.a01", kVolumes},
    {"arj/multivol.a02", kVolumes},
    {"rar/vol4.part0002.rar", kVolumes},
    {"rar/vol4.part0003.rar", kVolumes},
    {"synth/newvol.part2.rar", kVolumes},
    {"synth/oldvol.r00", kVolumes},
    {"synth/oldvol.r01", kVolumes},
    {"synth/set2.cab", kVolumes},
    {"cab/span2.cab", kVolumes},
    {"ace/volumes.ace", kVolumes},
    {"synth/multivol.ace", kVolumes},
    {"synth/tailvol.ace", kVolumes},
    // The first volume of a split ZIP cut short: the walk ends quietly where
    // the member goes on in the next volume, the reader reports its rest missing.
    {"zip/split.z01", kDataOnly},
    {"zip/split-deflate.z01", kDataOnly},
    {"synth/spanned-marker.zip", kDataOnly},
    // Sizes that follow the data (a data descriptor): the walk cannot see
    // where the data end, the reader reports them cut short.
    {"zip/descriptor.zip", kDataOnly},
    {"zip/descriptor-noend.zip", kDataOnly},
    {"zip/encrypted-descriptor.zip", kDataOnly},
};

// Kinds whose walk and reader differ by design whatever the fixture.
unsigned AllowanceOfKind(TArcType kind) {
    switch (kind) {
    // gzip and .Z: one member, named and sized by each side's own rules.
    case atGZip:
    case atTarGZip:
    case atMsGZ:
        return kDataOnly | kRenamed | kNoSize;
    // Cabinets keep their file records before the data, which the walk does not read.
    case atCab:
    case atCabExe:
        return kDataOnly;
    default:
        return kNone;
    }
}

// The reports that say an archive is damaged (not refusals or passwords).
bool IsDamage(int code) {
    switch (code) {
    case kMsgBadFileHeader:
    case kMsgBadLocalOffset:
    case kMsgBadBlock:
    case kMsgIncorrectBits:
    case kMsgIncompleteCodeSet:
    case kMsgCorruptInput:
    case kMsgCrcFailed:
    case kMsgInvalidDecodeTree:
    case kMsgEofNotFound:
    case kMsgEofNotFound2:
    case kMsgReadError:
        return true;
    default:
        return false;
    }
}

unsigned AllowanceOf(const std::string& fixture) {
    TRegisterArxon detection;
    detection.SetArchiveFile(DataPath(fixture));
    unsigned allowed = AllowanceOfKind(detection.ArcType);
    for (const auto& [pattern, what] : kAllowed) {
        if (pattern.rfind("*", 0) == 0) {
            const std::string tail = pattern.substr(1);
            if (fixture.size() >= tail.size() &&
                fixture.compare(fixture.size() - tail.size(), tail.size(), tail) == 0)
                allowed |= what;
        } else if (pattern == fixture) {
            allowed |= what;
        }
    }
    return allowed;
}

struct Listed {
    std::string name; // "/" separators
    std::int64_t size = 0;
};

struct WalkResult {
    std::vector<Listed> files;
    std::vector<int> errors;
};

std::string Slashes(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

WalkResult Walk(const std::string& path) {
    WalkResult result;
    TArxon arx;
    arx.OnRead = [&arx, &result](TZipCommon&, int, int) {
        const std::string name = Slashes(arx.FileName);
        if (!name.empty() && name.back() != '/' && (arx.FileAttr & 0x10) == 0)
            result.files.push_back({name, arx.UnpackedSize});
    };
    arx.OnError = [&result](TZipCommon&, const std::string&, const std::string&, const std::string&,
                            int code) {
        if (code != kMsgEventNotAssigned && code != kMsgUserCanceled) result.errors.push_back(code);
    };
    // Further volumes are taken where they lie beside the archive.
    arx.OnNextVolume = [](TZipCommon&, std::string&, int, bool exists, bool& cancel) {
        cancel = !exists;
    };
    arx.SetArchiveFile(path);
    arx.FileSpec = {"*.*"};
    arx.Activate();
    return result;
}

struct ReadResult {
    bool read = false;                         // a reader extracts the kind
    std::map<std::string, std::int64_t> whole; // written and passed: name, size on disk
    std::set<std::string> failed;              // OnEnd without a pass
    std::vector<std::pair<std::string, int>> errors;
};

ReadResult Read(const std::string& path) {
    ReadResult result;
    TRegisterArxon detection;
    detection.SetArchiveFile(path);
    std::unique_ptr<TUnBase> reader = NewReaderFor(detection.ArcType, ACE_MODULE_PATH);
    if (!reader) return result;
    result.read = true;
    TempFolder out;
    const std::string prefix = out.Path() + "/";
    std::vector<std::pair<std::string, bool>> verdicts;
    reader->OnEnd = [&verdicts](TZipCommon&, const std::string& name, bool pass) {
        verdicts.emplace_back(name, pass);
    };
    reader->OnError = [&result](TZipCommon&, const std::string& name, const std::string&,
                                const std::string&, int code) {
        if (code != kMsgEventNotAssigned) result.errors.emplace_back(name, code);
    };
    reader->OnNextVolume = [](TZipCommon&, std::string&, int, bool exists, bool& cancel) {
        cancel = !exists;
    };
    reader->OnGetPassword = [](TZipCommon&, const std::string&, std::string& password,
                               bool& again) {
        password = "secret";
        again = false;
    };
    // The catalogue lists a gzipped tar as its one compressed member.
    reader->OnNestedTarFile = [](TZipCommon&, const std::string&, bool& untar) { untar = false; };
    reader->SetArchiveFile(path);
    reader->SetExtractDir(out.Path());
    reader->FileSpec = {"*"};
    reader->UseStoredDirs = true;
    reader->CreateStoredDirs = true;
    reader->Extract();
    for (const auto& [name, pass] : verdicts) {
        std::string relative = Slashes(name);
        if (relative.rfind(prefix, 0) == 0) relative = relative.substr(prefix.size());
        std::error_code error;
        const bool file = fs::is_regular_file(out.File(relative), error);
        if (pass && file)
            result.whole[relative] = static_cast<std::int64_t>(fs::file_size(out.File(relative)));
        else if (!pass)
            result.failed.insert(relative);
    }
    return result;
}

std::string Describe(const WalkResult& walk, const ReadResult& read) {
    std::string text = "walk:";
    for (const Listed& f : walk.files)
        text += " " + f.name + "=" + std::to_string(f.size);
    for (int code : walk.errors)
        text += " !" + std::to_string(code);
    text += "\nreader:";
    for (const auto& [name, size] : read.whole)
        text += " " + name + "=" + std::to_string(size);
    for (const std::string& name : read.failed)
        text += " failed:" + name;
    for (const auto& [name, code] : read.errors)
        text += " !" + std::to_string(code) + "(" + name + ")";
    return text;
}

// One archive: what the reader writes whole the walk lists with that size;
// what the walk lists the reader writes whole or reports; damage reported by
// the reader is reported by the walk.
void Compare(const std::string& path, unsigned allowed, bool truncated) {
    const WalkResult walk = Walk(path);
    const ReadResult read = Read(path);
    if (!read.read) return;
    SCOPED_TRACE(Describe(walk, read));
    // A name may be listed twice (a tar member and a link of that name).
    std::map<std::string, std::set<std::int64_t>> listed;
    for (const Listed& f : walk.files)
        listed[f.name].insert(f.size);
    for (const auto& [name, size] : read.whole) {
        const auto at = listed.find(name);
        if (at == listed.end()) {
            if ((allowed & (kVolumes | kRenamed)) == 0)
                ADD_FAILURE() << "written, not listed: " << name;
            continue;
        }
        if ((allowed & kNoSize) == 0) {
            EXPECT_EQ(at->second.count(size), 1u) << "size of " << name << ": " << size;
        }
    }
    // Nor does it try a member the walk does not list (a half-written one).
    for (const std::string& name : read.failed) {
        if (listed.count(name) == 0 && (allowed & (kVolumes | kRenamed)) == 0)
            ADD_FAILURE() << "tried, not listed: " << name;
    }
    const bool readerReported = !read.errors.empty() || !read.failed.empty();
    // A refused member's failed verdict is no damage.
    const bool readerDamage = (!read.failed.empty() && (allowed & kRefused) == 0) ||
                              std::any_of(read.errors.begin(), read.errors.end(),
                                          [](const auto& e) { return IsDamage(e.second); });
    for (const Listed& f : walk.files) {
        if (read.whole.count(f.name) != 0) continue;
        if ((allowed & (kRefused | kVolumes | kRenamed)) != 0) continue;
        EXPECT_TRUE(readerReported) << "listed, neither written nor reported: " << f.name;
    }
    if (truncated && (allowed & kDataOnly) == 0 && readerDamage) {
        EXPECT_FALSE(walk.errors.empty()) << "damage the walk does not report";
    }
}

std::vector<std::string> ArchiveFixtures() {
    static const std::set<std::string> kNotArchives = {".list", ".tsv", ".sh",   ".py",  ".java",
                                                       ".md",   ".txt", ".head", ".tail"};
    std::vector<std::string> fixtures;
    const fs::path root = DataPath("");
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        if (kNotArchives.count(entry.path().extension().string()) != 0) continue;
        const std::string relative = fs::relative(entry.path(), root).generic_string();
        TRegisterArxon detection;
        detection.SetArchiveFile(entry.path().string());
        if (NewReaderFor(detection.ArcType, ACE_MODULE_PATH) != nullptr)
            fixtures.push_back(relative);
    }
    std::sort(fixtures.begin(), fixtures.end());
    return fixtures;
}

class ListingExtraction : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        SetRarModuleFolder(SORVANE_MODULE_DIR);
        LoadCabinetLibrary(SORVANE_MODULE_DIR);
    }
};

TEST_F(ListingExtraction, EveryFixture) {
    const auto fixtures = ArchiveFixtures();
    ASSERT_GE(fixtures.size(), 100u);
    for (const std::string& fixture : fixtures) {
        SCOPED_TRACE(fixture);
        Compare(DataPath(fixture), AllowanceOf(fixture), false);
    }
}

// Each fixture cut at twelve points, alone in a folder (its further volumes,
// if any, not beside it).
TEST_F(ListingExtraction, EveryFixtureCutShort) {
    constexpr std::size_t kCuts = 12;
    constexpr std::size_t kLargest = 1 << 20;
    for (const std::string& fixture : ArchiveFixtures()) {
        const auto bytes = ReadBytes(DataPath(fixture));
        if (bytes.size() < 2 || bytes.size() > kLargest) continue;
        const unsigned allowed = AllowanceOf(fixture);
        for (std::size_t i = 1; i <= kCuts; ++i) {
            const std::size_t cut = bytes.size() * i / (kCuts + 1);
            if (cut == 0) continue;
            SCOPED_TRACE(fixture + " cut at " + std::to_string(cut));
            TempFolder folder;
            const std::string path = folder.File(fs::path(fixture).filename().string());
            WriteBytes(path, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + cut));
            Compare(path, allowed, true);
        }
    }
}

// A member header whose bytes no longer match its header CRC (one letter of
// the second member's name changed): the catalogue and the extraction both
// stop there with a bad header, and both keep the member before it.
TEST_F(ListingExtraction, AceHeaderFailingItsCrc) {
    constexpr std::size_t kSecondName = 147 + 35; // "beta.txt" in lz77.ace
    auto bytes = ReadBytes(DataPath("ace/lz77.ace"));
    ASSERT_EQ(bytes[kSecondName], 'b');
    bytes[kSecondName] = 'c';
    TempFolder folder;
    const std::string path = folder.File("lz77.ace");
    WriteBytes(path, bytes);

    const WalkResult walk = Walk(path);
    const ReadResult read = Read(path);
    SCOPED_TRACE(Describe(walk, read));
    ASSERT_EQ(walk.files.size(), 1u);
    EXPECT_EQ(walk.files[0].name, "alpha.txt");
    EXPECT_EQ(walk.errors, std::vector<int>{kMsgBadFileHeader});
    EXPECT_EQ(read.whole, (std::map<std::string, std::int64_t>{{"alpha.txt", 54}}));
    ASSERT_EQ(read.errors.size(), 1u);
    EXPECT_EQ(read.errors[0].second, kMsgBadFileHeader);
    Compare(path, kNone, true);
}

// A cabinet cut inside its file records, or after them but before its data:
// the catalogue lists each whole record and reports a cut one as a bad header;
// the extraction tries what the catalogue lists and reports the missing data.
TEST_F(ListingExtraction, CabinetCutInItsRecordsOrBeforeItsData) {
    struct Case {
        std::size_t cut;
        std::vector<std::string> listed;
        std::vector<int> walkErrors;
    };
    // folders.cab: records at 44, 70 and 99, the first data block at 133.
    const std::vector<Case> cases = {
        {80, {"alpha.txt"}, {kMsgBadFileHeader}},
        {140, {"alpha.txt", "docs/top.txt", "docs/sub/deep.txt"}, {}},
    };
    const auto bytes = ReadBytes(DataPath("cab/folders.cab"));
    for (const Case& c : cases) {
        SCOPED_TRACE("cut at " + std::to_string(c.cut));
        TempFolder folder;
        const std::string path = folder.File("folders.cab");
        WriteBytes(path, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + c.cut));
        const WalkResult walk = Walk(path);
        const ReadResult read = Read(path);
        SCOPED_TRACE(Describe(walk, read));
        std::vector<std::string> listed;
        for (const Listed& f : walk.files)
            listed.push_back(f.name);
        EXPECT_EQ(listed, c.listed);
        EXPECT_EQ(walk.errors, c.walkErrors);
        EXPECT_TRUE(read.whole.empty());
        EXPECT_FALSE(read.errors.empty() && read.failed.empty());
        Compare(path, AllowanceOf("cab/folders.cab"), true);
    }
}

} // namespace
} // namespace sorvane
