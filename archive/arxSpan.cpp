// Spanned ZIP disks.
#include "archive/arxSpan.h"

#include "archive/arxBase.h"
#include "archive/arxRegister.h"

namespace sorvane {
namespace {

constexpr std::int64_t kLocalHeaderSize = 30;

bool IsSpanHeaderSignature(std::uint32_t value) {
    return value == 0x02014B50u || value == 0x04034B50u || value == 0x08074B50u;
}

} // namespace

void TDiskSpannObj::Init(TZipCommon& owner, std::uint8_t* cancelFlagRef) {
    Owner = &owner;
    archive_ = owner.ArchiveFile;
    ReportErrorProc = owner.ReportProc();
    RaiseErrorProc = owner.RaiseProc();
    InsertDiskHandler = owner.InsertDiskHandler();
    WriteProtectHandler = nullptr;
    DiskIndex = 0;
    if (cancelFlagRef != nullptr) owner.CancelFlagRef = cancelFlagRef;
}

bool TDiskSpannObj::ReadOwnerDrive() {
    return Owner->DiskManager.ReadDrive(archive_, InsertDiskHandler, WriteProtectHandler,
                                        ReportErrorProc, RaiseErrorProc);
}

bool TDiskSpannObj::CheckDisk() {
    try {
        ReadOwnerDrive();
        TFileStream32 stream(archive_, TFileStream32::kModeReadDenyWrite);
        if (stream.Handle < 0) {
            Owner->ReportError(archive_, "", "0", kMsgOpenError);
            return false;
        }
        // A disk whose label carries its number is that disk and no other:
        // a later disk may well start with a header signature too.
        if (Owner->ArcType == atZipDS && Owner->DiskManager.DiskNumber != 0)
            return Owner->DiskManager.DiskNumber == DiskIndex;
        // The expected offset comes from a header: compared without an overflow.
        if (stream.Size() - kLocalHeaderSize < ExpectedOffset) {
            if (Owner->ArcType == atZipDS)
                return ReadOwnerDrive() && Owner->DiskManager.DiskNumber == DiskIndex;
            return Owner->ArcType == atZipMV;
        }
        std::uint8_t bytes[4]{};
        return ReadAt(stream, ExpectedOffset, bytes, 4) == 4 &&
               IsSpanHeaderSignature(GetLe32(bytes));
    } catch (...) {
        return false;
    }
}

bool TDiskSpannObj::GetLastDisk() {
    auto detect = [this] {
        Owner->ArcType = atNA;
        Owner->ZipHeaderFlags = 0;
        Owner->SetArchiveFile(archive_);
    };
    detect();
    while (!(Owner->ZipHeaderFlags & kZipEndFound)) {
        bool cancel = true;
        if (Owner->OnGetZipLastDisk) Owner->OnGetZipLastDisk(*Owner, cancel);
        if (cancel) return false;
        detect();
    }
    if (IsFailureKind(Owner->ArcType)) return false;
    DiskIndex = 1;
    return true;
}

bool TDiskSpannObj::GetFirstDisk() {
    while (!CheckDisk()) {
        bool cancel = true;
        if (Owner->OnGetZipFirstDisk) Owner->OnGetZipFirstDisk(*Owner, cancel);
        if (cancel) return false;
    }
    ++DiskIndex;
    return true;
}

bool TDiskSpannObj::GetNextDisk() {
    for (;;) {
        if (CheckDisk()) {
            ++DiskIndex;
            return true;
        }
        bool cancel = true;
        if (Owner->OnGetZipNextDisk)
            Owner->OnGetZipNextDisk(*Owner, std::to_string(DiskIndex), cancel);
        if (cancel) return false;
    }
}

bool TDiskSpannObj::ChangeDisk(std::unique_ptr<TArxBaseStream>& Stream, std::int64_t Offset) {
    Stream.reset();
    ExpectedOffset = Offset;
    const char* needed = DiskIndex == 0   ? "OnGetZipLastDisk"
                         : DiskIndex == 1 ? "OnGetZipFirstDisk"
                                          : "OnGetZipNextDisk";
    const bool assigned = DiskIndex == 0   ? static_cast<bool>(Owner->OnGetZipLastDisk)
                          : DiskIndex == 1 ? static_cast<bool>(Owner->OnGetZipFirstDisk)
                                           : static_cast<bool>(Owner->OnGetZipNextDisk);
    bool found = false;
    if (!assigned)
        Owner->ReportError(archive_, needed, "", kMsgEventNotAssigned);
    else if (DiskIndex == 0)
        found = GetLastDisk();
    else if (DiskIndex == 1)
        found = GetFirstDisk();
    else
        found = GetNextDisk();
    if (!found) {
        *Owner->CancelFlagRef = 1;
        return false;
    }
    auto file = std::make_unique<TFileStream32>(archive_, TFileStream32::kModeReadDenyWrite);
    if (file->Handle < 0) {
        Owner->ReportError(archive_, "", "0", kMsgOpenError);
        return false;
    }
    Owner->ArchiveSize = file->Size();
    Stream = std::move(file);
    return true;
}

} // namespace sorvane
