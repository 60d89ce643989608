// The disk manager over the drive letters of platform/Drives, and the
// file-handle helpers over platform/StreamFile and platform/Folders.
#include "archive/arxDisk.h"

#include "platform/DateTime.h"
#include "platform/Directory.h"
#include "platform/Folders.h"
#include "platform/Prompts.h"
#include "platform/StreamFile.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <optional>

namespace sorvane {
namespace {

constexpr int kNotAccessible = 25170;    // "is not accessible"
constexpr int kErrorOpeningFile = 25235; // "Error opening file"
constexpr int kUserCanceled = 25443;     // "User canceled"

// The volume id the disk objects report with.
constexpr const char* kNoVolumeId = "0";

// A spanned ZIP set's disks are labelled "PKBACK# 001", "PKBACK# 002"...
constexpr std::string_view kSpannedLabelMarker = "PKBACK# ";

// Every Linux file system in use takes names of up to 255 bytes.
constexpr std::uint32_t kMaxComponentLength = 255;

// Index 0-6 a drive type, 7 and 8 the floppy kinds.
constexpr std::array<std::string_view, 9> kDriveTypeNames = {
    "Unknown", "None", "Floppy", "Fixed", "Network", "CD-ROM", "RAM", "3½ Floppy", "5¼ Floppy",
};

// No floppy kind can be asked of Linux: always unknown.
constexpr std::uint8_t kFloppyKindUnknown = 0;

// Access bits of StreamFileOpen's modes.
constexpr int kOpenReadWrite = 2;

char UpperLetter(char letter) {
    return letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 'a' + 'A') : letter;
}

std::optional<DriveRoots>& TestRoots() {
    static std::optional<DriveRoots> roots;
    return roots;
}

std::string AbsolutePath(const std::string& path) {
    if (!path.empty() && path.front() == '/') return path;
    return CurrentDirectory() + "/" + path;
}

std::string HexText(std::uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
    return text;
}

} // namespace

std::string_view DriveTypeNameOf(int typeOrKind) {
    if (typeOrKind < 0 || static_cast<std::size_t>(typeOrKind) >= kDriveTypeNames.size())
        return kDriveTypeNames[0];
    return kDriveTypeNames[static_cast<std::size_t>(typeOrKind)];
}

void SetArxDriveRoots(const DriveRoots& roots) {
    TestRoots() = roots;
}

void ResetArxDriveRoots() {
    TestRoots().reset();
}

const DriveRoots& ArxDriveRoots() {
    if (TestRoots()) return *TestRoots();
    // The live roots take SORVANE_DRIVES as it is now, like every drive query.
    static DriveRoots live;
    live = LiveDriveRoots();
    return live;
}

int TDiskManager::DiskNumberFromLabel(std::string_view label) {
    const std::size_t at = label.rfind(kSpannedLabelMarker);
    if (at == std::string_view::npos) return 0;
    const std::string_view digits = label.substr(at + kSpannedLabelMarker.size());
    if (digits.empty()) return 0;
    long long value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
        if (value > INT_MAX) return 0; // no disk carries such a number
    }
    return static_cast<int>(value);
}

bool TDiskManager::IsDriveReady(char letter) {
    return DriveMap::Read(ArxDriveRoots()).Space(UpperLetter(letter)).totalBytes >= 0;
}

bool TDiskManager::IsWriteProtected(char letter) {
    const std::optional<VolumeInfo> volume =
        DriveMap::Read(ArxDriveRoots()).Volume(UpperLetter(letter));
    return volume && (volume->fileSystemFlags & kFsReadOnlyVolume) != 0;
}

bool TDiskManager::ReadDrive(const std::string& path, TDiskEvent insertDisk,
                             TDiskEvent writeProtect, TDiskErrorProc report, TDiskErrorProc raise) {
    InsertDiskHandler = std::move(insertDisk);
    WriteProtectHandler = std::move(writeProtect);
    ReportErrorProc = std::move(report);
    RaiseErrorProc = std::move(raise);
    ClearFields();
    path_ = path;

    // The drive is the mount that holds the path; a letter written in it means nothing here.
    const char letter = DriveMap::Read(ArxDriveRoots()).LetterOf(AbsolutePath(path));
    if (letter != ' ') Drive = {letter, ':'};

    if (!WaitUntilReady(letter)) return false;
    if (WriteProtectHandler && !WaitUntilWritable(letter)) return false;
    return ReadVolume(letter);
}

void TDiskManager::ClearFields() {
    Drive.clear();
    VolumeLabel.clear();
    DiskNumber = 0;
    SerialNumber = 0;
    SerialText.clear();
    MaxComponentLength = 0;
    FileSystemFlags = 0;
    FileSystem.clear();
    DriveType = 0;
    DriveTypeName.clear();
    FloppyKind = kFloppyKindUnknown;
    FreeBytes = 0;
    TotalBytes = 0;
}

std::string TDiskManager::Root() const {
    return Drive.empty() ? path_ : Drive + "\\";
}

void TDiskManager::Report(int msgId) const {
    if (ReportErrorProc) ReportErrorProc(Root(), "", kNoVolumeId, msgId);
}

bool TDiskManager::WaitUntilReady(char letter) {
    while (!IsDriveReady(letter)) {
        if (!InsertDiskHandler) {
            Report(kNotAccessible);
            return false;
        }
        bool cancel = true;
        InsertDiskHandler(*this, cancel);
        if (cancel) {
            Report(kUserCanceled);
            return false;
        }
    }
    return true;
}

bool TDiskManager::WaitUntilWritable(char letter) {
    while (IsWriteProtected(letter)) {
        bool cancel = true;
        WriteProtectHandler(*this, cancel);
        if (cancel) {
            Report(kUserCanceled);
            return false;
        }
    }
    return true;
}

bool TDiskManager::ReadVolume(char letter) {
    for (;;) {
        const DriveMap map = DriveMap::Read(ArxDriveRoots());
        const std::optional<VolumeInfo> volume = map.Volume(letter);
        if (volume) {
            VolumeLabel = volume->label;
            SerialNumber = volume->serial;
            SerialText = HexText(volume->serial);
            MaxComponentLength = kMaxComponentLength;
            FileSystemFlags = volume->fileSystemFlags;
            FileSystem = volume->fileSystemName;
            DiskNumber = static_cast<std::uint16_t>(DiskNumberFromLabel(VolumeLabel));
            const int type = map.TypeOf(letter);
            DriveType = static_cast<std::uint8_t>(type);
            if (type == kDriveNoRootDir) return false;
            const DiskSpace space = map.Space(letter);
            FreeBytes = space.freeBytes < 0 ? 0 : space.freeBytes;
            TotalBytes = space.totalBytes < 0 ? 0 : space.totalBytes;
            DriveTypeName = DriveTypeNameOf(type);
            if (type == kDriveRemovable) {
                FloppyKind = kFloppyKindUnknown;
                DriveTypeName = DriveTypeNameOf(FloppyKind);
            }
            return true;
        }
        // The volume went between the tests and now (a disk taken out).
        const std::string text =
            Root() + "is not accessible" + "\n\n" + StreamFileErrorText(ENOMEDIUM);
        if (!AskRetryCancel(text)) {
            Report(kNotAccessible);
            return false;
        }
    }
}

int OpenFileHandle(const std::string& name, int mode, const TDiskErrorProc& report) {
    const int fd = StreamFileOpen(name, mode);
    if (fd < 0 && report) report(name, "", kNoVolumeId, kErrorOpeningFile);
    return fd;
}

int OpenFileReadWrite(const std::string& name, const TDiskErrorProc& report) {
    return OpenFileHandle(name, kOpenReadWrite, report);
}

std::int64_t GetFileSize64(int handle) {
    OpenFileFacts facts;
    return ReadOpenFileFacts(handle, facts) ? facts.size : 0;
}

std::uint32_t GetFileDosTime(int handle, int which) {
    OpenFileFacts facts;
    if (!ReadOpenFileFacts(handle, facts)) return kDosNoValidDate;
    std::int64_t seconds = 0;
    switch (which) {
    case 0:
        seconds = facts.created;
        break;
    case 1:
        seconds = facts.modified;
        break;
    case 2:
        seconds = facts.accessed;
        break;
    default:
        return kDosNoValidDate;
    }
    const std::optional<DateTime> local = LocalDateTimeFromUnix(seconds);
    if (!local) return kDosNoValidDate;
    return DateTimeToDosDate(*local).value_or(kDosNoValidDate);
}

} // namespace sorvane
