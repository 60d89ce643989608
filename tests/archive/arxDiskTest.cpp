// Tests of the disk manager over drive trees built in a temporary folder (a
// mountinfo and the /dev/disk, /sys and file-system folders behind it), and of
// the file-handle helpers.
#include "archive/arxDisk.h"

#include "platform/DateTime.h"
#include "platform/Prompts.h"
#include "platform/StreamFile.h"
#include "tests/archive/ArchiveTestSupport.h"

#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace sorvane {
namespace {

using test::TempFolder;

// Mountinfo lines. With all of them the letters are C "/", D the CD, E the
// spanned-set disk, F the USB disk whose folder is missing (no disk in it).
const std::string kRootMount = "28 1 259:2 / / rw,relatime shared:1 - ext4 /dev/nvme0n1p2 rw";
const std::string kCdMount = "62 28 11:0 / /media/ana/CD ro,nosuid,nodev,relatime - iso9660 "
                             "/dev/sr0 ro,nojoliet";
const std::string kCdMountWritable =
    "62 28 11:0 / /media/ana/CD rw,nosuid,nodev,relatime - iso9660 /dev/sr0 rw";
const std::string kSpannedMount = "60 28 8:17 / /media/ana/PKBACK#\\040003 rw,nosuid,relatime - "
                                  "vfat /dev/sdb1 rw,codepage=437";
const std::string kEmptyDriveMount = "64 28 8:33 / /mnt/usb rw,relatime - ext4 /dev/sdc1 rw";

// A drive tree in a temporary folder, removed with everything in it.
class DriveTree {
public:
    DriveTree() : base_(folder_.Path()) {
        if (base_.empty()) throw std::runtime_error("mkdtemp failed");
        Folder("fs/home/ana");
        Folder("fs/media/ana/CD");
        Folder("fs/media/ana/PKBACK# 003");
        Link("dev/disk/by-label/PKBACK#\\x20003", "../../sdb1");
        Link("dev/disk/by-uuid/1A2B-3C4D", "../../sdb1");
        Link("dev/disk/by-label/ARCHIVES", "../../sr0");
        File("sys/block/sdb/removable", "1");
        Folder("sys/block/sdb/sdb1");
    }
    DriveTree(const DriveTree&) = delete;
    DriveTree& operator=(const DriveTree&) = delete;

    void Mounts(const std::vector<std::string>& lines) const {
        std::ofstream out(base_ + "/mountinfo", std::ios::trunc);
        for (const std::string& line : lines)
            out << line << '\n';
    }
    void Folder(const std::string& relative) const {
        fs::create_directories(base_ + "/" + relative);
    }
    void Link(const std::string& relative, const std::string& target) const {
        const fs::path link = base_ + "/" + relative;
        fs::create_directories(link.parent_path());
        fs::create_symlink(target, link);
    }
    void File(const std::string& relative, const std::string& text) const {
        const fs::path file = base_ + "/" + relative;
        fs::create_directories(file.parent_path());
        std::ofstream(file) << text << '\n';
    }

    DriveRoots Roots() const {
        DriveRoots roots;
        roots.mountInfo = base_ + "/mountinfo";
        roots.devDisk = base_ + "/dev/disk";
        roots.sys = base_ + "/sys";
        roots.fileSystem = base_ + "/fs";
        return roots;
    }

private:
    TempFolder folder_;
    std::string base_;
};

struct ReportRecord {
    std::string fileName, extendedMsg, volumeId;
    int msgId;
    bool operator==(const ReportRecord&) const = default;
};

void PrintTo(const ReportRecord& r, std::ostream* out) {
    *out << r.msgId << " \"" << r.fileName << "\" \"" << r.extendedMsg << "\" \"" << r.volumeId
         << "\"";
}

class ArxDiskManager : public ::testing::Test {
protected:
    void SetUp() override {
        tree_.Mounts({kRootMount, kCdMount, kSpannedMount, kEmptyDriveMount});
        SetArxDriveRoots(tree_.Roots());
        previousHook_ = SetPromptHook({});
    }
    void TearDown() override {
        ResetArxDriveRoots();
        SetPromptHook(previousHook_);
    }

    TDiskErrorProc Recorder() {
        return [this](const std::string& file, const std::string& extended,
                      const std::string& volume, int id) {
            reports_.push_back({file, extended, volume, id});
        };
    }
    bool Read(const std::string& path, TDiskEvent insert = {}, TDiskEvent protect = {}) {
        return disk_.ReadDrive(path, std::move(insert), std::move(protect), Recorder(),
                               [](const std::string&, const std::string&, const std::string&, int) {
                                   FAIL() << "nothing is raised";
                               });
    }
    // A handler that records its calls and answers by `act`.
    TDiskEvent Handler(int& calls, std::function<bool()> act) {
        return [&calls, act, this](TDiskCommon& sender, bool& cancel) {
            EXPECT_EQ(&sender, &disk_);
            EXPECT_TRUE(cancel);
            ++calls;
            cancel = act();
        };
    }

    DriveTree tree_;
    TDiskManager disk_;
    std::vector<ReportRecord> reports_;
    PromptHook previousHook_;
};

TEST_F(ArxDiskManager, SpannedSetDiskNumberFromLabel) {
    ASSERT_TRUE(Read("/media/ana/PKBACK# 003/backup.zip"));
    EXPECT_TRUE(reports_.empty());
    EXPECT_EQ(disk_.Drive, "E:");
    EXPECT_EQ(disk_.VolumeLabel, "PKBACK# 003");
    EXPECT_EQ(disk_.DiskNumber, 3);
    EXPECT_EQ(disk_.SerialNumber, 0x1A2B3C4Du);
    EXPECT_EQ(disk_.SerialText, "1A2B3C4D");
    EXPECT_EQ(disk_.FileSystem, "vfat");
    EXPECT_EQ(disk_.FileSystemFlags, kFsCasePreservedNames | kFsUnicodeOnDisk);
    EXPECT_EQ(disk_.MaxComponentLength, 255u);
    EXPECT_EQ(disk_.DriveType, kDriveRemovable);
    // A removable drive is named by its floppy kind, which Linux cannot tell.
    EXPECT_EQ(disk_.FloppyKind, 0);
    EXPECT_EQ(disk_.DriveTypeName, "Unknown");
    EXPECT_GT(disk_.TotalBytes, 0);
    EXPECT_GE(disk_.FreeBytes, 0);
}

TEST_F(ArxDiskManager, DriveComesFromTheMountNotTheText) {
    struct Case {
        std::string path, drive, typeName;
        int type;
    };
    const std::vector<Case> cases = {
        {"/home/ana/set.zip", "C:", "Fixed", kDriveFixed},
        {"/media/ana/CD/disk1/set.zip", "D:", "CD-ROM", kDriveCdRom},
        {"/media/ana/CD/../PKBACK# 003/a.zip", "E:", "Unknown", kDriveRemovable},
        {"E:\\set.zip", "C:", "Fixed", kDriveFixed}, // a relative name in the current folder
        {"", "C:", "Fixed", kDriveFixed},            // the current folder
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        ASSERT_TRUE(Read(c.path));
        EXPECT_EQ(disk_.Drive, c.drive);
        EXPECT_EQ(disk_.DriveType, c.type);
        EXPECT_EQ(disk_.DriveTypeName, c.typeName);
    }
    EXPECT_TRUE(reports_.empty());
}

TEST_F(ArxDiskManager, ReadOnlyMediumWithoutHandlerIsRead) {
    ASSERT_TRUE(Read("/media/ana/CD/set.zip"));
    EXPECT_TRUE(reports_.empty());
    EXPECT_EQ(disk_.VolumeLabel, "ARCHIVES");
    EXPECT_NE(disk_.FileSystemFlags & kFsReadOnlyVolume, 0u);
    EXPECT_TRUE(disk_.IsWriteProtected('D'));
    EXPECT_TRUE(disk_.IsWriteProtected('d'));
    EXPECT_FALSE(disk_.IsWriteProtected('E'));
    EXPECT_FALSE(disk_.IsWriteProtected('Q'));
}

TEST_F(ArxDiskManager, WriteProtectHandlerCancels) {
    int calls = 0;
    EXPECT_FALSE(Read("/media/ana/CD/set.zip", {}, Handler(calls, [] { return true; })));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(reports_, (std::vector<ReportRecord>{{"D:\\", "", "0", 25443}}));
}

TEST_F(ArxDiskManager, WriteProtectHandlerRetriesUntilWritable) {
    int calls = 0;
    auto unlockSecondTime = [&] {
        if (calls == 2) tree_.Mounts({kRootMount, kCdMountWritable});
        return false;
    };
    ASSERT_TRUE(Read("/media/ana/CD/set.zip", {}, Handler(calls, unlockSecondTime)));
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(reports_.empty());
    EXPECT_EQ(disk_.FileSystemFlags & kFsReadOnlyVolume, 0u);
}

TEST_F(ArxDiskManager, DriveWithoutDisk) {
    EXPECT_FALSE(disk_.IsDriveReady('F'));
    EXPECT_FALSE(disk_.IsDriveReady('Q'));
    EXPECT_TRUE(disk_.IsDriveReady('c'));

    EXPECT_FALSE(Read("/mnt/usb/set.zip"));
    EXPECT_EQ(disk_.Drive, "F:");
    EXPECT_EQ(reports_, (std::vector<ReportRecord>{{"F:\\", "", "0", 25170}}));

    reports_.clear();
    int calls = 0;
    EXPECT_FALSE(Read("/mnt/usb/set.zip", Handler(calls, [] { return true; })));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(reports_, (std::vector<ReportRecord>{{"F:\\", "", "0", 25443}}));
}

TEST_F(ArxDiskManager, InsertDiskHandlerRetriesUntilReady) {
    int calls = 0;
    auto insertSecondTime = [&] {
        if (calls == 2) tree_.Folder("fs/mnt/usb");
        return false;
    };
    ASSERT_TRUE(Read("/mnt/usb/set.zip", Handler(calls, insertSecondTime)));
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(reports_.empty());
    EXPECT_EQ(disk_.DriveType, kDriveFixed);
}

// The CD is taken out while the write-protect question is open: its letter has
// no volume any more, and the user is asked to retry.
class ArxDiskManagerVolumeGone : public ArxDiskManager {
protected:
    void SetUp() override {
        ArxDiskManager::SetUp();
        tree_.Mounts({kRootMount, kCdMount});
    }
    bool ReadAfterEject() {
        return Read("/media/ana/CD/set.zip", {}, Handler(ejects_, [this] {
                        tree_.Mounts({kRootMount});
                        return false;
                    }));
    }
    int ejects_ = 0;
    std::vector<std::string> prompts_;
};

TEST_F(ArxDiskManagerVolumeGone, RetryThenCancel) {
    std::vector<bool> answers = {true, false};
    SetPromptHook([&](PromptKind kind, const std::string& text) {
        EXPECT_EQ(kind, PromptKind::RetryCancel);
        prompts_.push_back(text);
        const bool answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    });
    EXPECT_FALSE(ReadAfterEject());
    EXPECT_EQ(ejects_, 1);
    const std::string text = "D:\\is not accessible\n\n" + StreamFileErrorText(ENOMEDIUM);
    EXPECT_EQ(prompts_, (std::vector<std::string>{text, text}));
    EXPECT_EQ(reports_, (std::vector<ReportRecord>{{"D:\\", "", "0", 25170}}));
}

TEST_F(ArxDiskManagerVolumeGone, RetryAfterTheDiskIsBack) {
    SetPromptHook([&](PromptKind, const std::string& text) {
        prompts_.push_back(text);
        tree_.Mounts({kRootMount, kCdMountWritable});
        return true;
    });
    ASSERT_TRUE(ReadAfterEject());
    EXPECT_EQ(prompts_.size(), 1u);
    EXPECT_TRUE(reports_.empty());
    EXPECT_EQ(disk_.Drive, "D:");
    EXPECT_EQ(disk_.DriveType, kDriveCdRom);
}

TEST_F(ArxDiskManagerVolumeGone, NoPromptHookMeansCancel) {
    EXPECT_FALSE(ReadAfterEject());
    EXPECT_EQ(reports_, (std::vector<ReportRecord>{{"D:\\", "", "0", 25170}}));
}

TEST(ArxDiskLabel, DiskNumberFromLabel) {
    struct Case {
        std::string label;
        int number;
    };
    const std::vector<Case> cases = {
        {"PKBACK# 003", 3},
        {"PKBACK# X1", 0},
        {"BACKUP", 0},
        {"", 0},
        {"PKBACK# ", 0},
        {"PKBACK# 12 ", 0},
        {"PKBACK#003", 0},
        {"pkback# 004", 0},
        {"OLD PKBACK# 007", 7},
        {"PKBACK# 001PKBACK# 002", 2},
        {"PKBACK# 65536", 65536},
        {"PKBACK# 0000000000042", 42},
        {"PKBACK# 99999999999", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(TDiskManager::DiskNumberFromLabel(c.label), c.number);
    }
}

TEST(ArxDiskLabel, DriveTypeNames) {
    const std::vector<std::string> names = {"Unknown", "None", "Floppy",    "Fixed",    "Network",
                                            "CD-ROM",  "RAM",  "3½ Floppy", "5¼ Floppy"};
    for (int i = 0; i < static_cast<int>(names.size()); ++i)
        EXPECT_EQ(DriveTypeNameOf(i), names[static_cast<std::size_t>(i)]);
    EXPECT_EQ(DriveTypeNameOf(9), "Unknown");
    EXPECT_EQ(DriveTypeNameOf(-1), "Unknown");
}

class ArxFileHandles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(folder_.empty()); }
    TempFolder temp_;
    const std::string folder_ = temp_.Path();
};

// The Unix time of a local calendar time.
std::int64_t LocalUnix(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&tm));
}

TEST_F(ArxFileHandles, OpenFailureIsReported) {
    std::vector<ReportRecord> reports;
    const TDiskErrorProc report = [&](const std::string& file, const std::string& extended,
                                      const std::string& volume, int id) {
        reports.push_back({file, extended, volume, id});
    };
    const std::string missing = folder_ + "/missing.zip";
    EXPECT_EQ(OpenFileHandle(missing, 0, report), -1);
    EXPECT_EQ(OpenFileReadWrite(missing, report), -1);
    EXPECT_EQ(OpenFileHandle(missing, 0, {}), -1);
    EXPECT_EQ(reports,
              (std::vector<ReportRecord>{{missing, "", "0", 25235}, {missing, "", "0", 25235}}));
}

TEST_F(ArxFileHandles, SizeAndDates) {
    const std::string name = folder_ + "/set.zip";
    std::ofstream(name) << std::string(1234, 'x');
    const timespec times[2] = {{LocalUnix(2019, 1, 2, 3, 4, 6), 0},
                               {LocalUnix(2021, 6, 15, 10, 20, 31), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, name.c_str(), times, 0), 0);

    const int fd = OpenFileReadWrite(name, {});
    ASSERT_GE(fd, 0);
    EXPECT_EQ(GetFileSize64(fd), 1234);
    // DOS dates: year - 1980, month, day in the high word; hour, minute, second / 2 low.
    EXPECT_EQ(GetFileDosTime(fd, 1),
              (41u << 25 | 6u << 21 | 15u << 16 | 10u << 11 | 20u << 5 | 15u));
    EXPECT_EQ(GetFileDosTime(fd, 2), (39u << 25 | 1u << 21 | 2u << 16 | 3u << 11 | 4u << 5 | 3u));
    const auto created = DosDateToDateTime(GetFileDosTime(fd, 0));
    ASSERT_TRUE(created.has_value());
    EXPECT_GE(created->year, 2019); // the birth time (now), or the last write
    EXPECT_EQ(GetFileDosTime(fd, 3), kDosNoValidDate);

    // Before 1980 there is no DOS date.
    const timespec old[2] = {{0, 0}, {0, 0}};
    ASSERT_EQ(::futimens(fd, old), 0);
    EXPECT_EQ(GetFileDosTime(fd, 1), kDosNoValidDate);
    StreamFileClose(fd);

    EXPECT_EQ(GetFileSize64(-1), 0);
    EXPECT_EQ(GetFileDosTime(-1, 1), kDosNoValidDate);
}

} // namespace
} // namespace sorvane
