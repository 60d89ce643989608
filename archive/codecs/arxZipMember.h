// The byte and bit input and the byte output the decoders of the ZIP
// reader's older methods (shrink, reduce, implode), Zoo's LZW and ARJ's
// method 4 share, over a member's TMemberIo; and the member record of the
// fixed forms of Explode and Inflate64.
#pragma once

#include "archive/codecs/arxMemberIo.h"

#include <cstdint>
#include <vector>

namespace sorvane {

// The member record of the ZIP methods' fixed forms (Explode, Inflate64):
// the header fields the decoders read and the member's I/O.
struct TZipMemberContext {
    std::uint16_t Flags = 0;  // general-purpose flags (bits 1 and 2 select the implode variant)
    std::uint16_t Method = 0; // 1 shrink, 2..5 reduce, 6 implode, 9 Deflate64
    std::uint32_t DosDateTime = 0;
    std::uint32_t Crc = 0;
    TMemberIo Io; // PackedSize without the 12-byte encryption header
};

// The results of the fixed forms, from TDecodeResult.
inline constexpr int kZipDecodeDone = 0;
inline constexpr int kZipDecodeWriteFailed = -2;
inline constexpr int kZipDecodeInputExhausted = -3;
inline constexpr int kZipDecodeInvalid = -4;
inline constexpr int kZipDecodeCanceled = -5;
int ZipDecodeCode(TDecodeResult result);

// The packed input of one member: a 32,768-byte buffer refilled through
// TMemberIo::Read, never beyond PackedSize.
class TZipMemberInput {
public:
    static constexpr std::int64_t kBufferSize = 32768;

    explicit TZipMemberInput(TMemberIo& io);

    // The next byte, or -1 once the input has ended (packed size used up,
    // canceled, or a read that brought nothing).
    int Byte();
    // N (1..24) bits, least significant first, or -1 when the input ended
    // before all N were read.
    std::int32_t Bits(int n);
    bool Ended() const { return ended_; }
    bool Canceled() const;

private:
    bool Refill();

    TMemberIo& io_;
    std::vector<std::uint8_t> buffer_;
    std::int64_t fill_ = 0, pos_ = 0;
    std::int64_t packedLeft_;
    std::uint32_t bitBuffer_ = 0;
    int bitCount_ = 0;
    bool ended_ = false;
};

// The decoded output of one member: a 32,768-byte buffer written through
// TMemberIo::Write, never beyond UnpackedSize (surplus bytes are
// dropped and the CRC check decides).
class TZipMemberOutput {
public:
    static constexpr std::int64_t kBufferSize = 32768;

    explicit TZipMemberOutput(TMemberIo& io);

    // False once the declared size is reached.
    bool Room() const { return left_ > 0; }
    std::int64_t Left() const { return left_; }
    std::int64_t Written() const { return io_.UnpackedSize - left_; }
    // Both return false when a write failed.
    bool Put(std::uint8_t byte);
    bool Put(const std::uint8_t* data, std::int64_t count);
    bool Flush();

private:
    TMemberIo& io_;
    std::vector<std::uint8_t> buffer_;
    std::int64_t fill_ = 0;
    std::int64_t left_;
};

} // namespace sorvane
