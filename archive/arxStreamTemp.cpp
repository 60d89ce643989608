// The temporary-file stream.
#include "archive/arxStreamTemp.h"

#include "platform/StreamFile.h"

#include <algorithm>
#include <vector>

namespace sorvane {

TTempFileStream::TTempFileStream(TTempFileOwner& owner, int mode, const std::string& fileName,
                                 const std::string& tempDir)
    : TFileStream32(mode == kModeCreate ? owner.MakeTempFileName(tempDir) : fileName, mode),
      Owner(owner), IsTemp(mode == kModeCreate), Mode(mode) {
    CancelFlagRef = owner.CancelFlagRef();
    OnProgress = [this](TStream32& stream) { Owner.DoStreamProgress(stream); };
    TempName = fileName_;
    if (IsTemp) DestName = fileName;
}

TTempFileStream::~TTempFileStream() {
    try {
        Finish();
    } catch (...) {
    }
}

std::int64_t TTempFileStream::Read(void* buffer, std::int64_t count) {
    CheckBuffer(buffer, count, "read");
    if (count == 0) return 0;
    std::int64_t got = StreamFileRead(Handle, buffer, count);
    if (got < 0) got = 0;
    if (OnProgress && Owner.BytesRemaining() > 0) {
        Owner.BytesRemaining() -= count;
        OnProgress(*this);
    }
    return got;
}

std::int64_t TTempFileStream::CopyFromStream(TArxBaseStream& source, std::int64_t count) {
    // Smaller pieces than the plain stream, and no second cancel test.
    return CopyInChunks(source, count, kCopyChunk, false);
}

void TTempFileStream::Finish() {
    if (finished_) return;
    finished_ = true;
    if (!IsTemp) {
        CloseHandle();
        return;
    }
    if (Canceled()) {
        CloseHandle();
        StreamFileDelete(TempName);
        return;
    }
    if (!DestName.empty()) {
        try {
            // A rename moves the file only within one file system.
            const bool move = StreamFileSameFileSystem(TempName, DestName);
            CloseHandle();
            Owner.DoTempFileBegin(*this, DestName, TempName);
            try {
                if (!Canceled()) Owner.CommitTempFile(*this, DestName, move, TempName);
            } catch (...) {
                if (Owner.ArchiveSize() > 65536) Owner.DoTempFileEnd(*this, DestName);
                throw;
            }
            if (Owner.ArchiveSize() > 65536) Owner.DoTempFileEnd(*this, DestName);
        } catch (const EArxSystemError& error) {
            if (StreamFileIsDiskFull(error.Code())) {
                Owner.ReportError(kTempFileDiskFullError, "Disk full", "0");
            }
            StreamFileDelete(TempName);
            throw;
        } catch (...) {
            StreamFileDelete(TempName);
            throw;
        }
    } else {
        CloseHandle();
    }
    StreamFileDelete(TempName);
}

} // namespace sorvane
