// Input-wrapping streams: TCustomStream reads its input from another stream
// through a buffer, and TDecompressStream inflates that input through an
// inflate engine, optionally deciphering it first.
#pragma once

#include "archive/arxStream.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace sorvane {

// Allocation callbacks handed to the inflate engine: zero-filled allocation
// of n x m bytes (nullptr on overflow or shortage) and release.
using TInflateAlloc = void* (*)(void* opaque, std::size_t items, std::size_t size);
using TInflateFree = void (*)(void* opaque, void* address);

// The inflate engine's stream record.
struct TInflateRecord {
    const std::uint8_t* NextIn = nullptr;
    std::int64_t AvailIn = 0;
    std::uint8_t* NextOut = nullptr;
    std::int64_t AvailOut = 0;
    std::int64_t TotalOut = 0;
    // Bytes consumed since initialisation or reset.
    std::int64_t TotalIn = 0;
    // Running Adler-32 of the output of a wrapped stream; the dictionary
    // identifier after kInflateNeedDict.
    std::uint32_t CheckValue = 0;
    TInflateAlloc Alloc = nullptr;
    TInflateFree Free = nullptr;
    void* Opaque = nullptr;
    void* State = nullptr;
};

// Engine results and flush modes.
inline constexpr int kInflateOk = 0;
inline constexpr int kInflateStreamEnd = 1;
inline constexpr int kInflateNeedDict = 2;
inline constexpr int kInflateStreamError = -2;
inline constexpr int kInflateDataError = -3;
inline constexpr int kInflateMemError = -4;
inline constexpr int kInflateBufError = -5;
inline constexpr int kInflateVersionError = -6;
inline constexpr int kInflateNoFlush = 0;
inline constexpr int kInflateFinish = 4;
// The record-layout check value passed at initialisation.
inline constexpr int kInflateRecordCheck = 74;

// The inflate engine the decompressing stream forwards to.
class TInflateEngine {
public:
    virtual ~TInflateEngine() = default;
    virtual int InflateInit(TInflateRecord& record, int windowBits, int recordCheck) = 0;
    virtual int InflateReset(TInflateRecord& record) = 0;
    virtual int InflateEnd(TInflateRecord& record) = 0;
    // Consumes from NextIn/AvailIn, produces into NextOut/AvailOut, grows TotalOut.
    virtual int Inflate(TInflateRecord& record, int flush) = 0;
};

// Zero-filled allocation of items x size bytes; nullptr on overflow.
void* InflateZeroAlloc(void* opaque, std::size_t items, std::size_t size);
void InflateRelease(void* opaque, void* address);

// Standard Adler-32 (modulus 65521) continuing from `adler`; a missing buffer gives 1.
std::uint32_t InflateAdler32(std::uint32_t adler, const std::uint8_t* buffer, std::size_t length);

// A stream that reads its input from `Source` (not owned) through a buffer.
class TCustomStream : public TStream32 {
public:
    static constexpr std::int64_t kInputBufferSize = 131070;

    explicit TCustomStream(TArxBaseStream& source);

    TArxBaseStream& Source;
    // Where in Source the next input read must happen.
    std::int64_t SourcePos;

    TInflateAlloc AllocCallback = &InflateZeroAlloc;
    TInflateFree FreeCallback = &InflateRelease;

protected:
    std::vector<std::uint8_t> input_;
};

// A read-only stream of the inflated content of Source.
class TDecompressStream : public TCustomStream {
public:
    static constexpr std::int64_t kSeekPiece = 4096;

    // `engine` is not owned and must outlive the stream. Raises
    // EArxStreamError when the engine refuses to initialise.
    TDecompressStream(TArxBaseStream& source, int windowBits, TInflateEngine& engine);
    // Moves Source back by the input not yet consumed, then ends the engine.
    ~TDecompressStream() override;

    // The input is enciphered; Decipher deciphers a run in place (keys
    // already set by the caller). Raises EArxStreamError when Encrypted is
    // set without Decipher at the first read.
    bool Encrypted = false;
    std::function<void(std::uint8_t* data, std::size_t length)> Decipher;
    bool EndOfStream = false;

    // Count, or after the end of the stream the bytes actually produced, or
    // the engine's negative result.
    std::int64_t Read(void* buffer, std::int64_t count) override;
    // Always fails with -1.
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    // Restart (0 from the beginning) or forward move by decoding; anything
    // else changes nothing. Gives the position (total output). Offsets beyond
    // the signed 32-bit range raise EArxRangeError.
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int32_t Seek32(std::int32_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override { return record_.TotalOut; }

    const TInflateRecord& Record() const { return record_; }

    virtual int InflateReset();
    virtual int InflateEnd();
    virtual int Inflate(int flush);
    virtual int InflateInit(int windowBits);

private:
    std::int64_t SeekBy(std::int64_t offset, TSeekOrigin origin);

    TInflateRecord record_;
    TInflateEngine& engine_;
    bool ended_ = false;
};

} // namespace sorvane
