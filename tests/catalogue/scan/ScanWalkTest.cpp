// The cataloguing walk over a tree the test builds in a temporary folder. The
// tree (kTree below) holds fixed last-write times set with utimensat, a 3 GiB
// sparse file, an empty folder, hidden and read-only files and folders, names
// with non-ASCII UTF-8, with "\" and with CR, a symbolic link to a file and one
// to its own folder (a loop), and a FIFO named like an MP3. Every line the walk
// writes is decoded with the field readers and compared with kDiskLines.
#include "catalogue/scan/ScanWalk.h"

#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/FormatError.h"
#include "catalogue/format/NumberCode.h"
#include "platform/Files.h"
#include "tests/catalogue/scan/DriveFixture.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <sched.h>
#include <stdexcept>
#include <string>
#include <sys/fsuid.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace sorvane {

inline void PrintTo(const DateTime& value, std::ostream* out) {
    *out << ToIsoText(value);
}

namespace {

using testing::TempFolder;

enum class Kind { Folder, File, Sparse, Fifo, Link };

// One entry of a fixture tree, created in table order (parents first).
struct TreeItem {
    const char* path; // below the tree's root; "" is the root itself
    Kind kind;
    std::uint64_t size = 0;    // File: that many bytes; Sparse: the length
    const char* target = "";   // Link
    const char* modified = ""; // last-write time set, UTC; empty: left as made
    mode_t mode = 0;           // set once everything exists; 0: left as made
};

constexpr std::uint64_t k3GiB = 3ULL << 30;
// Two-byte and three-byte UTF-8 characters (the source is UTF-8, and so are the names).
constexpr const char* kNonAscii = "ñandú €.txt";

const std::vector<TreeItem> kTree = {
    {"", Kind::Folder, 0, "", "2003-03-03 03:03:02", 0555},
    {".hidden", Kind::File, 1, "", "2001-01-01 01:01:02"},
    {"Zeta.txt", Kind::File, 4, "", "2001-02-03 04:05:06"},
    {"back\\slash.txt", Kind::File, 5, "", "2002-02-02 02:02:02"},
    {"big.bin", Kind::Sparse, k3GiB, "", "2005-05-05 05:05:04"},
    {"cr\rname.txt", Kind::File, 6, "", "2006-06-06 06:06:06"},
    {"link.mp3", Kind::Link, 0, "song.mp3", "2007-07-07 07:07:06"},
    {"loop", Kind::Link, 0, "..", "2008-08-08 08:08:08"},
    {"old.txt", Kind::File, 7, "", "1975-05-05 05:05:04"},
    {"readonly.txt", Kind::File, 12, "", "2004-04-04 04:04:05", 0444},
    {"song.mp3", Kind::File, 100, "", "2009-09-09 09:09:08"},
    {"x.mp3", Kind::Fifo, 0, "", "2010-10-10 10:10:10"},
    {kNonAscii, Kind::File, 2048, "", "2011-11-11 11:11:10"},
    {".cache", Kind::Folder, 0, "", "2012-12-12 12:12:12"},
    {".cache/c.txt", Kind::File, 1, "", "2012-12-12 12:12:14"},
    {"dir\\name", Kind::Folder, 0, "", "2013-01-13 13:13:12"},
    {"dir\\name/f.txt", Kind::File, 1025, "", "2013-01-13 13:13:14"},
    {"empty", Kind::Folder, 0, "", "2014-02-14 14:14:14"},
    {"ro-dir", Kind::Folder, 0, "", "2015-03-15 15:15:14", 0555},
    {"ro-dir/r.txt", Kind::File, 3, "", "2015-03-15 15:15:16"},
    {"sub", Kind::Folder, 0, "", "2016-04-16 16:16:16"},
    {"sub/a.txt", Kind::File, 0, "", "2016-04-16 16:16:18"},
    {"sub/deep", Kind::Folder, 0, "", "2017-05-17 17:17:16"},
    {"sub/deep/z.txt", Kind::File, 1023, "", "2017-05-17 17:17:18"},
    {"sub/skip", Kind::Folder, 0, "", "2018-06-18 18:18:18"},
    {"sub/skip/s.txt", Kind::File, 10, "", "2018-06-18 18:18:20"},
};

// One catalogue line as the readers give it back.
struct Line {
    bool folder;
    std::string text;       // folder: its stored path; file: its stored name
    std::int32_t count;     // folder: its file count
    std::string attributes; // the letters of the attribute code
    std::uint64_t size;     // file
    std::string host;       // the entry below the tree's root, for its birth time
    std::string modified;   // the last-write time the line shows
};

const std::string kEpoch = "1980-01-01 00:00:00";

// The disk walk of kTree. A folder catalogue differs only in its first line.
const std::vector<Line> kDiskLines = {
    {true, "\\", 12, "", 0, "", kEpoch},
    {false, ".hidden", 0, "HA", 1, ".hidden", "2001-01-01 01:01:02"},
    {false, "Zeta.txt", 0, "A", 4, "Zeta.txt", "2001-02-03 04:05:06"},
    {false, "back/slash.txt", 0, "A", 5, "back\\slash.txt", "2002-02-02 02:02:02"},
    {false, "big.bin", 0, "A", k3GiB, "big.bin", "2005-05-05 05:05:04"},
    {false, "cr name.txt", 0, "A", 6, "cr\rname.txt", "2006-06-06 06:06:06"},
    {false, "link.mp3", 0, "S", 8, "link.mp3", "2007-07-07 07:07:06"},
    {false, "loop", 0, "S", 2, "loop", "2008-08-08 08:08:08"},
    {false, "old.txt", 0, "A", 7, "old.txt", kEpoch},
    {false, "readonly.txt", 0, "AR", 12, "readonly.txt", "2004-04-04 04:04:04"},
    {false, "song.mp3", 0, "#A", 100, "song.mp3", "2009-09-09 09:09:08"},
    {false, "x.mp3", 0, "S", 0, "x.mp3", "2010-10-10 10:10:10"},
    {false, kNonAscii, 0, "A", 2048, kNonAscii, "2011-11-11 11:11:10"},
    {true, "\\.cache", 1, "H", 0, ".cache", "2012-12-12 12:12:12"},
    {false, "c.txt", 0, "A", 1, ".cache/c.txt", "2012-12-12 12:12:14"},
    {true, "\\dir/name", 1, "", 0, "dir\\name", "2013-01-13 13:13:12"},
    {false, "f.txt", 0, "A", 1025, "dir\\name/f.txt", "2013-01-13 13:13:14"},
    {true, "\\empty", 0, "", 0, "empty", "2014-02-14 14:14:14"},
    {true, "\\ro-dir", 1, "R", 0, "ro-dir", "2015-03-15 15:15:14"},
    {false, "r.txt", 0, "A", 3, "ro-dir/r.txt", "2015-03-15 15:15:16"},
    {true, "\\sub", 1, "", 0, "sub", "2016-04-16 16:16:16"},
    {false, "a.txt", 0, "A", 0, "sub/a.txt", "2016-04-16 16:16:18"},
    {true, "\\sub\\deep", 1, "", 0, "sub/deep", "2017-05-17 17:17:16"},
    {false, "z.txt", 0, "A", 1023, "sub/deep/z.txt", "2017-05-17 17:17:18"},
    {true, "\\sub\\skip", 1, "", 0, "sub/skip", "2018-06-18 18:18:18"},
    {false, "s.txt", 0, "A", 10, "sub/skip/s.txt", "2018-06-18 18:18:20"},
};
constexpr std::uint64_t kTreeFolders = 7;

std::int64_t UtcSeconds(const std::string& text) {
    std::tm parts{};
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &parts.tm_year, &parts.tm_mon,
                    &parts.tm_mday, &parts.tm_hour, &parts.tm_min, &parts.tm_sec) != 6)
        throw std::runtime_error("bad time " + text);
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    return ::timegm(&parts);
}

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
    throw std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

// Builds a tree in `root` (which must not exist yet).
void BuildTree(const std::string& root, const std::vector<TreeItem>& items) {
    for (const TreeItem& item : items) {
        const std::string path = *item.path ? root + "/" + item.path : root;
        switch (item.kind) {
        case Kind::Folder:
            if (::mkdir(path.c_str(), 0755) != 0) Fail("mkdir", path);
            break;
        case Kind::File:
        case Kind::Sparse: {
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
            if (fd < 0) Fail("create", path);
            bool done;
            if (item.kind == Kind::Sparse) {
                done = ::ftruncate(fd, static_cast<off_t>(item.size)) == 0;
            } else {
                const std::string content(item.size, 'x');
                done = ::write(fd, content.data(), content.size()) ==
                       static_cast<ssize_t>(content.size());
            }
            ::close(fd);
            if (!done) Fail("fill", path);
            break;
        }
        case Kind::Fifo:
            if (::mkfifo(path.c_str(), 0644) != 0) Fail("mkfifo", path);
            break;
        case Kind::Link:
            if (::symlink(item.target, path.c_str()) != 0) Fail("symlink", path);
            break;
        }
    }
    // Times after every entry exists (a new entry changes its folder's time),
    // modes last (a read-only folder takes no new entries).
    for (const TreeItem& item : items) {
        if (!*item.modified) continue;
        const std::string path = *item.path ? root + "/" + item.path : root;
        const timespec times[2] = {{UtcSeconds(item.modified), 0}, {UtcSeconds(item.modified), 0}};
        if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
            Fail("utimensat", path);
    }
    for (const TreeItem& item : items) {
        if (item.mode == 0) continue;
        const std::string path = *item.path ? root + "/" + item.path : root;
        if (::chmod(path.c_str(), item.mode) != 0) Fail("chmod", path);
    }
}

// Gives every folder of a tree its owner's full rights again, so it can be removed.
void Unlock(const std::string& root, const std::vector<TreeItem>& items) {
    for (const TreeItem& item : items)
        if (item.kind == Kind::Folder)
            ::chmod((*item.path ? root + "/" + item.path : root).c_str(), 0755);
}

// The creation time the walk should store: the birth time where the file
// system keeps one, else the last-write time.
DateTime CreatedOf(const std::string& path) {
    struct statx info {};
    if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_MTIME | STATX_BTIME, &info) != 0)
        Fail("statx", path);
    const std::int64_t seconds =
        (info.stx_mask & STATX_BTIME) != 0 ? info.stx_btime.tv_sec : info.stx_mtime.tv_sec;
    return FileTimeToLocalDateTime(seconds).value_or(kDosEpoch);
}

// The observer a window would be: records updates and errors, and stops when told.
class Recorder : public ScanObserver {
public:
    bool StopRequested() override {
        ++stopCalls;
        return stopWhen && stopWhen();
    }
    void Update(const ScanState& state) override { updates.push_back(state); }
    void Error(const std::string& line) override { errors.push_back(line); }

    std::function<bool()> stopWhen;
    int stopCalls = 0;
    std::vector<ScanState> updates;
    std::vector<std::string> errors;
};

// Compares the walk's lines with the expected ones, field by field. `rootDates`
// says whether the first line carries the root's own dates (a folder catalogue).
void ExpectLines(const CatalogueLines& out, const std::vector<Line>& expected,
                 const std::string& hostRoot, bool rootDates) {
    ASSERT_EQ(out.Count(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Line& e = expected[i];
        const std::string_view line = out.Line(i);
        SCOPED_TRACE("line " + std::to_string(i) + " (" + e.text + ")");
        const std::string host = e.host.empty() ? hostRoot : hostRoot + "/" + e.host;
        ASSERT_EQ(EsLineaCarpeta(line), e.folder);
        if (e.folder) {
            EXPECT_EQ(DameCarpetaRuta(line), e.text);
            EXPECT_EQ(DecodificaEntero(line.substr(1, 3)), e.count);
            EXPECT_EQ(DameCarpetaAtributos(line), e.attributes);
            EXPECT_EQ(ToIsoText(DameCarpetaModificado(line)), e.modified);
            if (i == 0 && !rootDates)
                EXPECT_EQ(ToIsoText(DameCarpetaCreado(line)), kEpoch);
            else
                EXPECT_EQ(DameCarpetaCreado(line), CreatedOf(host));
        } else {
            EXPECT_EQ(DameFicheroNombre(line), e.text);
            EXPECT_EQ(DameFicheroTamano(line), e.size);
            EXPECT_EQ(DameFicheroAtributos(line), e.attributes);
            EXPECT_EQ(DameFicheroAtributosExtendidos(line), "");
            EXPECT_EQ(ToIsoText(DameFicheroModificado(line)), e.modified);
            EXPECT_EQ(DameFicheroCreado(line), CreatedOf(host));
        }
    }
}

struct Totals {
    std::uint64_t files = 0, progress = 0, bytes = 0;
};

// What the walk should count for the file lines of `lines`.
Totals TotalsOf(const std::vector<Line>& lines) {
    Totals t;
    for (const Line& line : lines) {
        if (line.folder) continue;
        ++t.files;
        t.progress += line.size / 1024 + 1;
        t.bytes += line.size;
    }
    return t;
}

// The walk of kTree: the tree lies in <temp>/work/.tree, which a folder
// catalogue names E:\work\.tree and a disk catalogue E:\.
class ScanWalkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        ASSERT_EQ(::chmod(temp_.path().c_str(), 0755), 0);
        ASSERT_EQ(::mkdir((temp_.path() + "/work").c_str(), 0755), 0);
        root_ = temp_.path() + "/work/.tree";
        BuildTree(root_, kTree);
    }
    void TearDown() override { Unlock(root_, kTree); }

    ScanRequest Request(ScanKind kind) {
        ScanRequest request;
        request.kind = kind;
        request.hostRoot = root_;
        request.catalogueRoot = kind == ScanKind::Disk ? "E:\\" : "E:\\work\\.tree";
        request.sources.media = [this](MediaReader reader, const std::string& path,
                                       std::string& description) {
            mediaAsked_.push_back(path);
            if (reader != MediaReader::MP3) return std::string();
            description = "a song";
            return std::string("\x1A"
                               "MP3"
                               "\x1A");
        };
        request.sources.nested = [this](const std::string& path) {
            nestedAsked_.push_back(path);
            return std::string();
        };
        return request;
    }

    // kDiskLines as a walk of `kind` gives them.
    std::vector<Line> Expected(ScanKind kind) const {
        std::vector<Line> lines = kDiskLines;
        if (kind == ScanKind::Folder) {
            lines[0].attributes = "HR"; // ".tree", mode 0555
            lines[0].modified = "2003-03-03 03:03:02";
        }
        return lines;
    }

    TempFolder temp_;
    std::string root_;
    std::vector<std::string> mediaAsked_;
    std::vector<std::string> nestedAsked_;
};

TEST_F(ScanWalkTest, WalksInPreOrderWithEveryField) {
    for (const ScanKind kind : {ScanKind::Disk, ScanKind::Folder}) {
        SCOPED_TRACE(kind == ScanKind::Disk ? "disk" : "folder");
        mediaAsked_.clear();
        nestedAsked_.clear();
        Recorder observer;
        CatalogueLines out;
        const ScanResult result = RunScan(Request(kind), observer, out);
        const std::vector<Line> expected = Expected(kind);
        ExpectLines(out, expected, root_, kind == ScanKind::Folder);

        // Only the regular MP3 was opened: not the FIFO, not the link to the song.
        EXPECT_EQ(mediaAsked_, std::vector<std::string>{root_ + "/song.mp3"});
        EXPECT_TRUE(nestedAsked_.empty());
        EXPECT_EQ(DameFicheroDescripcion(out.Line(10)), "a song");

        const Totals totals = TotalsOf(expected);
        EXPECT_FALSE(result.stopped);
        EXPECT_EQ(result.totals.files, totals.files);
        EXPECT_EQ(result.totals.folders, kTreeFolders);
        EXPECT_EQ(result.totals.progress, totals.progress + 8 * kTreeFolders);
        EXPECT_EQ(result.totals.bytes, totals.bytes);
        EXPECT_GT(result.totals.bytes, k3GiB); // 64-bit all the way
        ASSERT_FALSE(observer.updates.empty());
        EXPECT_EQ(observer.updates.back().files, result.totals.files);
        EXPECT_EQ(observer.updates.back().bytes, result.totals.bytes);
        EXPECT_TRUE(observer.errors.empty());
    }
}

TEST_F(ScanWalkTest, ExcludedFoldersGiveNoLines) {
    struct Case {
        ScanKind kind;
        std::vector<std::string> exclusions;
        std::size_t firstLeftOut, linesLeftOut; // of kDiskLines
    };
    const std::vector<Case> cases = {
        {ScanKind::Disk, {"E:\\sub\\skip\\"}, 24, 2},
        {ScanKind::Disk, {"E:\\sub\\"}, 20, 6},
        {ScanKind::Disk, {"E:\\empty\\", "E:\\nowhere\\"}, 17, 1},
        // Names differ by case on Linux: nothing is left out.
        {ScanKind::Disk, {"E:\\SUB\\SKIP\\"}, 0, 0},
        {ScanKind::Folder, {"E:\\work\\.tree\\sub\\skip\\"}, 24, 2},
        {ScanKind::Folder, {"E:\\work\\.tree\\dir/name\\"}, 15, 2},
        // A folder catalogue's exclusions carry the drive's paths, not relative ones.
        {ScanKind::Folder, {"E:\\sub\\skip\\"}, 0, 0},
        {ScanKind::Disk, {"E:\\"}, 0, kDiskLines.size()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.exclusions.front());
        ScanRequest request = Request(c.kind);
        request.exclusions = c.exclusions;
        Recorder observer;
        CatalogueLines out;
        const ScanResult result = RunScan(request, observer, out);
        std::vector<Line> expected = Expected(c.kind);
        expected.erase(expected.begin() + c.firstLeftOut,
                       expected.begin() + c.firstLeftOut + c.linesLeftOut);
        ExpectLines(out, expected, root_, c.kind == ScanKind::Folder);
        EXPECT_EQ(result.totals.bytes, TotalsOf(expected).bytes);
        EXPECT_EQ(result.totals.files, TotalsOf(expected).files);
    }
}

TEST_F(ScanWalkTest, StopLeavesTheRestOut) {
    // The observer stops once the list holds `stopAt` lines; the walk ends at
    // the next hand-off, a file's or a sub-folder's.
    struct Case {
        std::size_t stopAt;
        std::size_t kept;       // lines of kDiskLines kept
        std::int32_t lastCount; // the file count of the last folder line kept
    };
    const std::vector<Case> cases = {
        {1, 2, 1},   // at the first file
        {6, 6, 5},   // inside the root's files
        {15, 15, 1}, // at the only file of .cache
        {18, 18, 0}, // after the empty folder: ro-dir and sub are left out
        {24, 24, 1}, // at z.txt, before sub\skip
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("stop at " + std::to_string(c.stopAt));
        Recorder observer;
        CatalogueLines out;
        observer.stopWhen = [&] { return out.Count() >= c.stopAt; };
        const ScanResult result = RunScan(Request(ScanKind::Disk), observer, out);
        std::vector<Line> expected(kDiskLines.begin(), kDiskLines.begin() + c.kept);
        for (auto line = expected.rbegin(); line != expected.rend(); ++line) {
            if (!line->folder) continue;
            line->count = c.lastCount;
            break;
        }
        ExpectLines(out, expected, root_, false);
        EXPECT_TRUE(result.stopped);
        EXPECT_EQ(result.totals.files, TotalsOf(expected).files);
        ASSERT_FALSE(observer.updates.empty());
        EXPECT_EQ(observer.updates.back().files, result.totals.files);
    }
}

TEST_F(ScanWalkTest, UpdatesAreThrottledToTwentyMilliseconds) {
    // A clock that moves `step` ms each time it is read (once at the start, once
    // per hand-off): with 7 ms an update is due at every third hand-off, with
    // 20 ms at each, with 0 ms only the final one comes. The observer checks
    // every hand-off against the rule.
    for (const std::uint64_t step : {7u, 20u, 0u}) {
        SCOPED_TRACE("clock step " + std::to_string(step));
        std::uint64_t now = 1000;
        std::uint64_t lastUpdate = 0;
        bool updatedHere = false;
        int handOffs = 0, updates = 0;
        ScanRequest request = Request(ScanKind::Disk);
        request.clock = [&] {
            now += step;
            return now;
        };
        struct Checker : Recorder {
            std::function<void()> onUpdate;
            void Update(const ScanState& state) override {
                Recorder::Update(state);
                onUpdate();
            }
        } observer;
        observer.onUpdate = [&] { updatedHere = true; };
        observer.stopWhen = [&] {
            if (handOffs++ == 0) lastUpdate = now - step; // the walk's start
            EXPECT_EQ(updatedHere, now - lastUpdate >= 20) << "hand-off " << handOffs;
            if (updatedHere) {
                lastUpdate = now;
                ++updates;
            }
            updatedHere = false;
            return false;
        };
        CatalogueLines out;
        const ScanResult result = RunScan(request, observer, out);
        EXPECT_EQ(handOffs, static_cast<int>(TotalsOf(kDiskLines).files + kTreeFolders));
        EXPECT_TRUE(updatedHere) << "the final update";
        EXPECT_EQ(observer.updates.size(), static_cast<std::size_t>(updates) + 1);
        if (step == 0) {
            EXPECT_EQ(updates, 0);
        }
        if (step == 20) {
            EXPECT_EQ(updates, handOffs);
        }
        EXPECT_EQ(observer.updates.back().progress, result.totals.progress);
    }
}

TEST_F(ScanWalkTest, FailingEntryIsLoggedInAFolderWalkAndEndsADiskWalk) {
    for (const ScanKind kind : {ScanKind::Folder, ScanKind::Disk}) {
        ScanRequest request = Request(kind);
        request.sources.media = [](MediaReader, const std::string&, std::string&) -> std::string {
            throw std::runtime_error("unreadable tag");
        };
        Recorder observer;
        CatalogueLines out;
        if (kind == ScanKind::Disk) {
            EXPECT_THROW(RunScan(request, observer, out), std::runtime_error);
            continue;
        }
        RunScan(request, observer, out);
        std::vector<Line> expected = Expected(kind);
        expected.erase(expected.begin() + 10); // song.mp3
        expected[0].count = 11;
        ExpectLines(out, expected, root_, true);
        EXPECT_EQ(observer.errors,
                  (std::vector<std::string>{InternalErrorWord() +
                                                " CreaCatalogoCarpeta(): E:\\work\\.tree\\song.mp3",
                                            "unreadable tag", ""}));
    }
}

TEST_F(ScanWalkTest, UnreadableRootRaisesBeforeAnyLine) {
    for (const ScanKind kind : {ScanKind::Disk, ScanKind::Folder}) {
        ScanRequest request = Request(kind);
        request.hostRoot = root_ + "/missing";
        Recorder observer;
        CatalogueLines out;
        EXPECT_THROW(RunScan(request, observer, out), EInOutError);
        EXPECT_EQ(out.Count(), 0u);
    }
}

// Runs the test's file-system calls under another user's rights: as root,
// chmod 000 stops nothing, but a thread whose file-system user is not 0 loses
// the rights that let root past permissions.
class UnprivilegedFiles {
public:
    UnprivilegedFiles() {
        if (::geteuid() != 0) return;
        ::setfsuid(kNobody);
        active_ = ::setfsuid(static_cast<uid_t>(-1)) == kNobody;
    }
    ~UnprivilegedFiles() {
        if (active_) ::setfsuid(0);
    }

private:
    static constexpr uid_t kNobody = 65534;
    bool active_ = false;
};

bool CanOpenFolder(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

const std::vector<TreeItem> kLockedTree = {
    {"", Kind::Folder, 0, "", "2020-01-01 00:00:00"},
    {"a.txt", Kind::File, 3, "", "2020-01-01 00:00:02"},
    {"locked", Kind::Folder, 0, "", "2020-01-01 00:00:04", 0},
    {"locked/l.txt", Kind::File, 3, "", "2020-01-01 00:00:06"},
    {"noexec", Kind::Folder, 0, "", "2020-01-01 00:00:08"},
    {"noexec/n.txt", Kind::File, 3, "", "2020-01-01 00:00:10"},
    {"open", Kind::Folder, 0, "", "2020-01-01 00:00:12"},
    {"open/o.txt", Kind::File, 3, "", "2020-01-01 00:00:14"},
};

const std::vector<Line> kLockedLines = {
    {true, "\\", 1, "", 0, "", "2020-01-01 00:00:00"},
    {false, "a.txt", 0, "A", 3, "a.txt", "2020-01-01 00:00:02"},
    {true, "\\locked", 0, "R", 0, "locked", "2020-01-01 00:00:04"},
    {true, "\\noexec", 0, "R", 0, "noexec", "2020-01-01 00:00:08"},
    {true, "\\open", 1, "", 0, "open", "2020-01-01 00:00:12"},
    {false, "o.txt", 0, "A", 3, "open/o.txt", "2020-01-01 00:00:14"},
};

TEST(ScanWalkErrors, UnreadableFolderAndEntryAreLoggedAndTheWalkGoesOn) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    TempFolder temp;
    ASSERT_EQ(::chmod(temp.path().c_str(), 0755), 0);
    const std::string root = temp.path() + "/t";
    BuildTree(root, kLockedTree);
    ASSERT_EQ(::chmod((root + "/locked").c_str(), 0), 0);
    ASSERT_EQ(::chmod((root + "/noexec").c_str(), 0444), 0); // listed, but no entry can be read
    struct Restore {
        std::string root;
        ~Restore() { Unlock(root, kLockedTree); }
    } restore{root};

    struct Case {
        ScanKind kind;
        std::vector<std::string> errors;
    };
    const std::string word = InternalErrorWord();
    const std::vector<Case> cases = {
        {ScanKind::Disk,
         {word + " CreaCatalogoDisco(): E:\\locked\\: Permission denied",
          word + " CreaCatalogoDisco(): E:\\noexec\\n.txt: Permission denied"}},
        {ScanKind::Folder,
         {word + " CreaCatalogoCarpeta(): E:\\t\\locked\\", "Permission denied", "",
          word + " CreaCatalogoCarpeta(): E:\\t\\noexec\\n.txt", "Permission denied", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind == ScanKind::Disk ? "disk" : "folder");
        ScanRequest request;
        request.kind = c.kind;
        request.hostRoot = root;
        request.catalogueRoot = c.kind == ScanKind::Disk ? "E:\\" : "E:\\t";
        Recorder observer;
        CatalogueLines out;
        {
            UnprivilegedFiles unprivileged;
            if (CanOpenFolder(root + "/locked") || !CanOpenFolder(root + "/open"))
                GTEST_SKIP() << "permissions cannot be taken away here";
            RunScan(request, observer, out);
        }
        std::vector<Line> expected = kLockedLines;
        if (c.kind == ScanKind::Disk) expected[0].modified = kEpoch;
        ExpectLines(out, expected, root, c.kind == ScanKind::Folder);
        EXPECT_EQ(observer.errors, c.errors);
    }
}

// A mount inside the tree is another drive: the walk neither lists nor enters
// it. The mounts are made in a child process with a mount namespace of its
// own, so nothing outside the test sees them; the child writes the lines to a
// file for the test to read.
TEST(ScanWalkMounts, MountPointsAreLeftOut) {
    TempFolder temp;
    const std::string root = temp.path() + "/t";
    BuildTree(root, {{"", Kind::Folder},
                     {"aa", Kind::Folder},
                     {"aa/a.txt", Kind::File, 1},
                     {"bind", Kind::Folder},
                     {"mnt", Kind::Folder},
                     {"zz.txt", Kind::File, 2}});
    const std::string result = temp.path() + "/lines.txt";
    constexpr int kSkip = 77;

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount("none", "/", "none", MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("none", (root + "/mnt").c_str(), "tmpfs", 0, nullptr) != 0 ||
            ::mount((root + "/aa").c_str(), (root + "/bind").c_str(), "none", MS_BIND, nullptr) !=
                0)
            ::_exit(kSkip);
        try {
            const int fd = ::open((root + "/mnt/m.txt").c_str(), O_WRONLY | O_CREAT, 0644);
            if (fd >= 0) ::close(fd);
            ScanRequest request;
            request.hostRoot = root;
            request.catalogueRoot = "E:\\";
            Recorder observer;
            CatalogueLines out;
            RunScan(request, observer, out);
            out.SaveToFile(result);
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == kSkip) GTEST_SKIP() << "no mount namespace here";
    ASSERT_EQ(WEXITSTATUS(status), 0);

    CatalogueLines out;
    out.LoadFromFile(result);
    ASSERT_EQ(out.Count(), 4u);
    EXPECT_EQ(DameCarpetaRuta(out.Line(0)), "\\");
    EXPECT_EQ(DameFicheroNombre(out.Line(1)), "zz.txt");
    EXPECT_EQ(DameCarpetaRuta(out.Line(2)), "\\aa");
    EXPECT_EQ(DameFicheroNombre(out.Line(3)), "a.txt");
}

TEST(EsCarpetaExcluida, ComparesWholePathsExactly) {
    const std::vector<std::string> lines = {"E:\\Docs\\", "E:\\M\u00FAsica\\"};
    const struct {
        const char* folder;
        bool excluded;
    } cases[] = {
        {"E:\\Docs\\", true},        // a line
        {"E:\\M\u00FAsica\\", true}, // a line, bytes as they are
        {"E:\\docs\\", false},       // case counts
        {"E:\\DOCS\\", false},       // also upper case
        {"E:\\Docs", false},         // the final "\" counts
        {"E:\\Docs\\Old\\", false},  // sub-folders are left out by not entering their parent
        {"F:\\Docs\\", false},       // another drive
        {"", false},                 // nothing
    };
    for (const auto& c : cases)
        EXPECT_EQ(EsCarpetaExcluida(c.folder, lines), c.excluded) << c.folder;
    EXPECT_FALSE(EsCarpetaExcluida("E:\\Docs\\", {}));
}

} // namespace
} // namespace sorvane
