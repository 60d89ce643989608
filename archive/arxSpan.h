// TDiskSpannObj: walks the disks of a ZIP archive spanned over removable
// media, asking for each disk through the ZIP disk events.
#pragma once

#include "archive/arxDisk.h"
#include "archive/arxStream.h"

#include <cstdint>
#include <memory>

namespace sorvane {

class TZipCommon;

class TDiskSpannObj : public TDiskCommon {
public:
    // Keeps the owner and its handlers, starts before the last disk, and aims
    // the owner's cancel flag pointer at `cancelFlagRef`.
    void Init(TZipCommon& owner, std::uint8_t* cancelFlagRef);
    // Closes Stream, asks for the disk the walk needs next and reopens the
    // archive on it; false (with the owner canceled) when that fails.
    bool ChangeDisk(std::unique_ptr<TArxBaseStream>& Stream, std::int64_t Offset);

    bool CheckDisk();
    bool GetLastDisk();
    bool GetFirstDisk();
    bool GetNextDisk();

    TZipCommon* Owner = nullptr;
    // 0 before the last disk was found, 1 after it, then one more per disk
    // handed over; also the number a "PKBACK# " label must carry.
    std::uint16_t DiskIndex = 0;
    // Where the next header is expected on the disk.
    std::int64_t ExpectedOffset = 0;

private:
    bool ReadOwnerDrive();
    std::string archive_; // the archive's name, kept across re-detections
};

} // namespace sorvane
