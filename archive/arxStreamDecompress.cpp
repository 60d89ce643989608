// Input-wrapping and decompressing streams.
#include "archive/arxStreamDecompress.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string>

namespace sorvane {

void* InflateZeroAlloc(void*, std::size_t items, std::size_t size) {
    if (items != 0 && size > std::numeric_limits<std::size_t>::max() / items) return nullptr;
    return std::calloc(items == 0 ? 1 : items, size == 0 ? 1 : size);
}

void InflateRelease(void*, void* address) {
    std::free(address);
}

std::uint32_t InflateAdler32(std::uint32_t adler, const std::uint8_t* buffer, std::size_t length) {
    constexpr std::uint32_t kModulus = 65521;
    constexpr std::size_t kRun = 3854;
    if (buffer == nullptr) return 1;
    std::uint32_t a = adler & 0xFFFF;
    std::uint32_t b = (adler >> 16) & 0xFFFF;
    while (length > 0) {
        const std::size_t run = std::min(length, kRun);
        for (std::size_t i = 0; i < run; ++i) {
            a += buffer[i];
            b += a;
        }
        a %= kModulus;
        b %= kModulus;
        buffer += run;
        length -= run;
    }
    return (b << 16) | a;
}

// ---- TCustomStream ---------------------------------------------------------

TCustomStream::TCustomStream(TArxBaseStream& source)
    : Source(source), SourcePos(source.Position()), input_(static_cast<size_t>(kInputBufferSize)) {}

// ---- TDecompressStream -----------------------------------------------------

TDecompressStream::TDecompressStream(TArxBaseStream& source, int windowBits, TInflateEngine& engine)
    : TCustomStream(source), engine_(engine) {
    record_.NextIn = input_.data();
    record_.AvailIn = 0;
    record_.Alloc = AllocCallback;
    record_.Free = FreeCallback;
    const int rc = InflateInit(windowBits);
    if (rc < 0) {
        ended_ = true;
        throw EArxStreamError("Decompression could not start (engine result " + std::to_string(rc) +
                              ", window bits " + std::to_string(windowBits) + ")");
    }
}

TDecompressStream::~TDecompressStream() {
    try {
        if (record_.AvailIn > 0) Source.SetPosition(SourcePos - record_.AvailIn);
    } catch (...) {
    }
    if (!ended_) InflateEnd();
}

int TDecompressStream::InflateReset() {
    return engine_.InflateReset(record_);
}

int TDecompressStream::InflateEnd() {
    ended_ = true;
    return engine_.InflateEnd(record_);
}

int TDecompressStream::Inflate(int flush) {
    return engine_.Inflate(record_, flush);
}

int TDecompressStream::InflateInit(int windowBits) {
    return engine_.InflateInit(record_, windowBits, kInflateRecordCheck);
}

std::int64_t TDecompressStream::Read(void* buffer, std::int64_t count) {
    CheckBuffer(buffer, count, "read");
    if (count == 0) return 0;
    if (EndOfStream) return 0;
    record_.NextOut = static_cast<std::uint8_t*>(buffer);
    record_.AvailOut = count;
    const std::int64_t totalBefore = record_.TotalOut;
    if (Source.Position() != SourcePos) Source.SetPosition(SourcePos);
    while (record_.AvailOut > 0) {
        std::int64_t cameIn = -1;
        if (record_.AvailIn == 0) {
            const std::int64_t want = std::min(count, kInputBufferSize);
            cameIn = Source.Read(input_.data(), want);
            if (cameIn < 0) cameIn = 0;
            SourcePos = Source.Position();
            record_.NextIn = input_.data();
            record_.AvailIn = cameIn;
            if (cameIn > 0) {
                if (Encrypted) {
                    if (!Decipher)
                        throw EArxStreamError("Enciphered input without a decipher routine");
                    Decipher(input_.data(), static_cast<std::size_t>(cameIn));
                }
                DoProgress();
            }
        }
        const std::int64_t inBefore = record_.AvailIn;
        const std::int64_t outBefore = record_.AvailOut;
        const int rc = Inflate(kInflateNoFlush);
        if (rc == kInflateStreamEnd) {
            EndOfStream = true;
            break;
        }
        if (rc < 0) return rc;
        // No new input and no progress: the data stops short or the engine is stuck.
        if (cameIn <= 0 && record_.AvailIn == inBefore && record_.AvailOut == outBefore)
            return kInflateBufError;
    }
    if (EndOfStream) return record_.TotalOut - totalBefore;
    return count;
}

std::int64_t TDecompressStream::Write(const void*, std::int64_t) {
    return -1;
}

std::int64_t TDecompressStream::SeekBy(std::int64_t offset, TSeekOrigin origin) {
    if (offset == 0 && origin == TSeekOrigin::Beginning) {
        InflateReset();
        record_.TotalOut = 0;
        record_.NextIn = input_.data();
        record_.AvailIn = 0;
        EndOfStream = false;
        Source.SetPosition(0);
        SourcePos = 0;
        return record_.TotalOut;
    }
    std::int64_t skip = 0;
    if (origin == TSeekOrigin::Current && offset >= 0)
        skip = offset;
    else if (origin == TSeekOrigin::Beginning && offset > record_.TotalOut)
        skip = offset - record_.TotalOut;
    if (skip > 0) {
        std::vector<std::uint8_t> discard(static_cast<size_t>(std::min(skip, kSeekPiece)));
        while (skip > 0) {
            const std::int64_t piece = std::min(skip, kSeekPiece);
            const std::int64_t got = Read(discard.data(), piece);
            if (got <= 0) break;
            skip -= piece;
        }
    }
    return record_.TotalOut;
}

std::int64_t TDecompressStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    if (offset < std::numeric_limits<std::int32_t>::min() ||
        offset > std::numeric_limits<std::int32_t>::max())
        throw EArxRangeError();
    return SeekBy(offset, origin);
}

std::int32_t TDecompressStream::Seek32(std::int32_t offset, TSeekOrigin origin) {
    return static_cast<std::int32_t>(SeekBy(offset, origin));
}

} // namespace sorvane
