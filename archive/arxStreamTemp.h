// TTempFileStream: an output or volume file that may be written as a
// temporary file and is moved or copied to its final name when finished.
#pragma once

#include "archive/arxStream.h"

#include <cstdint>
#include <string>

namespace sorvane {

class TTempFileStream;

// The component side a temporary-file stream works with.
class TTempFileOwner {
public:
    virtual ~TTempFileOwner() = default;
    // The owner's cancel byte (nullptr: never canceled).
    virtual std::uint8_t* CancelFlagRef() = 0;
    // The owner's counter of bytes still expected.
    virtual std::int64_t& BytesRemaining() = 0;
    virtual std::int64_t ArchiveSize() const = 0;
    // The owner's temporary folder; empty means the system's.
    virtual std::string TempDir() const = 0;
    // A new temporary file name inside `tempDir`.
    virtual std::string MakeTempFileName(const std::string& tempDir) = 0;
    // Moves (same file system) or copies `tempName` to `destName`.
    virtual void CommitTempFile(TTempFileStream& stream, const std::string& destName, bool move,
                                const std::string& tempName) = 0;
    virtual void DoTempFileBegin(TTempFileStream& stream, const std::string& destName,
                                 const std::string& tempName) = 0;
    virtual void DoTempFileEnd(TTempFileStream& stream, const std::string& destName) = 0;
    virtual void DoStreamProgress(TStream32& stream) = 0;
    virtual void ReportError(int code, const std::string& message, const std::string& volumeId) = 0;
};

// The error number reported when the disk fills while a temporary file is committed.
inline constexpr int kTempFileDiskFullError = 25160;

class TTempFileStream : public TFileStream32 {
public:
    static constexpr std::int64_t kCopyChunk = 100000;

    // Mode 0xFFFF: a new temporary file named by the owner in `tempDir`,
    // committed to `fileName` when finished; otherwise `fileName` opened with `mode`.
    TTempFileStream(TTempFileOwner& owner, int mode, const std::string& fileName,
                    const std::string& tempDir);
    // Finish(), with any failure swallowed; call Finish() to see failures.
    ~TTempFileStream() override;

    TTempFileOwner& Owner;
    std::string DestName;
    std::string TempName;
    bool IsTemp;
    int Mode;

    // A failed read gives 0; when OnProgress is set and the owner's
    // BytesRemaining is positive it drops by `count` and OnProgress fires.
    std::int64_t Read(void* buffer, std::int64_t count) override;
    // As TStream32's, in chunks of 100000 bytes, the cancel byte checked
    // before each chunk.
    std::int64_t CopyFromStream(TArxBaseStream& source, std::int64_t count) override;

    // Closes the file; for a temporary one deletes it when canceled, else
    // commits it to DestName. A full disk is reported to the owner (25160,
    // "Disk full", volume "0") and re-raised; the temporary file is deleted
    // in every case. Later calls do nothing.
    void Finish();

private:
    bool finished_ = false;
};

} // namespace sorvane
