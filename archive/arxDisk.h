// The disk manager of the archive library: the state of the drive that holds an
// archive (ready, write-protected, label, serial, file system, type, space) and
// the disk number of a spanned ZIP set read from the volume label; with the
// file-handle helpers the archive readers open, measure and date files through.
#pragma once

#include "platform/Drives.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace sorvane {

class TDiskCommon;

// Asks for a disk: the handler sets `cancel` to false to try again.
using TDiskEvent = std::function<void(TDiskCommon& disk, bool& cancel)>;
// The owner's error procedures: (file name, extended message, volume id, message number).
using TDiskErrorProc =
    std::function<void(const std::string& fileName, const std::string& extendedMsg,
                       const std::string& volumeId, int msgId)>;

// What the disk objects keep of their owner.
class TDiskCommon {
public:
    virtual ~TDiskCommon() = default;
    TDiskErrorProc ReportErrorProc, RaiseErrorProc; // the owner's; Raise... throws
    TDiskEvent InsertDiskHandler, WriteProtectHandler;
};

class TDiskManager : public TDiskCommon {
public:
    // Reads the state of the drive that holds `path` (a relative path is taken
    // from the current folder) into the fields below, keeping the handlers and
    // procedures. The drive is the letter of the mount that holds the path.
    // 1. While the drive's size cannot be read (no disk): the insert-disk
    //    handler is asked (cancel reports 25443 and fails); without one 25170
    //    is reported and the call fails.
    // 2. With a write-protect handler, while the mount is read-only the handler
    //    is asked (cancel reports 25443 and fails). Without one the test is not
    //    made: a reader of a read-only medium must not fail.
    // 3. The volume's label, serial, file system, type and space are read; a
    //    letter whose volume cannot be read asks Retry/Cancel (AskRetryCancel):
    //    Retry reads again, Cancel reports 25170 and fails.
    // The reports go through `report` with the drive's root as the file name.
    bool ReadDrive(const std::string& path, TDiskEvent insertDisk, TDiskEvent writeProtect,
                   TDiskErrorProc report, TDiskErrorProc raise);
    // The volume of the letter is mounted read-only (the "ro" mount option);
    // false for a letter with no drive. Nothing is written to find out.
    bool IsWriteProtected(char letter);
    // The size of the letter's drive can be read.
    bool IsDriveReady(char letter);
    // The number after the last "PKBACK# " of a label when only decimal digits
    // follow it (at least one); 0 otherwise.
    static int DiskNumberFromLabel(std::string_view label);

    std::string Drive; // "X:"; "" when no drive holds the path
    std::string VolumeLabel;
    std::uint16_t DiskNumber = 0;
    std::uint32_t SerialNumber = 0;
    std::string SerialText; // 8 upper-case hexadecimal digits
    std::uint32_t MaxComponentLength = 0;
    std::uint32_t FileSystemFlags = 0;
    std::string FileSystem;
    std::uint8_t DriveType = 0; // as GetDriveTypeA numbers it (DriveType of platform/Drives.h)
    std::string DriveTypeName;
    std::uint8_t FloppyKind = 0; // 7 for 3.5", 8 for 5.25"; 0 when unknown (always, on Linux)
    std::int64_t FreeBytes = 0, TotalBytes = 0;

private:
    void ClearFields();
    void Report(int msgId) const;
    bool WaitUntilReady(char letter);
    bool WaitUntilWritable(char letter);
    bool ReadVolume(char letter);
    std::string Root() const;

    std::string path_; // the path of the last ReadDrive, named in reports when no drive holds it
};

// The names of the drive types and floppy kinds, by DriveType (0-6) or FloppyKind (7, 8).
std::string_view DriveTypeNameOf(int typeOrKind);

// The drive roots every disk manager reads (LiveDriveRoots() until a test sets others).
void SetArxDriveRoots(const DriveRoots& roots);
const DriveRoots& ArxDriveRoots();
// Back to the live roots, read again at every use.
void ResetArxDriveRoots();

// Stand-ins of CreateFileA: the descriptor, or -1. A failure reports 25235 with
// the name as file name and volume id "0" through `report` when it is given.
// `mode` is one of StreamFileOpen's modes.
int OpenFileHandle(const std::string& name, int mode, const TDiskErrorProc& report);
// An existing file opened for reading and writing.
int OpenFileReadWrite(const std::string& name, const TDiskErrorProc& report);

// The size of the open file; 0 when it cannot be read.
std::int64_t GetFileSize64(int handle);

// The DOS date-time (date in the high word) of the open file in local time:
// `which` 0 creation (the birth time, else the last write), 1 last write,
// 2 last access. 1980-01-01 00:01:00 (0x00210020) when the time cannot be read
// or has no DOS form.
std::uint32_t GetFileDosTime(int handle, int which);
inline constexpr std::uint32_t kDosNoValidDate = 0x00210020;

} // namespace sorvane
