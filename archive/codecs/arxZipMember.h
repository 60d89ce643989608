// What the ZIP reader hands to the decoders of its older methods (shrink,
// reduce, implode, Deflate64), and the byte and bit input and byte output
// those decoders share.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sorvane {

// One member to decode, filled by the ZIP reader before each member.
struct TZipMemberContext {
    std::uint16_t Flags = 0;     // general-purpose flags (bits 1 and 2 select the implode variant)
    std::uint16_t Method = 0;    // 1 shrink, 2..5 reduce, 6 implode, 9 Deflate64
    std::int64_t PackedSize = 0; // packed bytes, without the 12-byte encryption header
    std::int64_t UnpackedSize = 0; // the declared size: no decoder writes more
    std::uint32_t DosDateTime = 0;
    std::uint32_t Crc = 0;
    // Reads up to Count packed bytes into Buf, already deciphered; the bytes
    // read, 0 (or less) when nothing more comes. Never asked for more than
    // what remains of PackedSize.
    std::function<std::int64_t(std::uint8_t* Buf, std::int64_t Count)> Read;
    // Writes Count (> 0) decoded bytes; the bytes written, fewer on failure.
    std::function<std::int64_t(const std::uint8_t* Buf, std::int64_t Count)> Write;
    // Called after each write of the output buffer (may be empty).
    std::function<void()> Progress;
    // Bytes of the member still to write, lowered by every write (may be null).
    std::int64_t* BytesToWrite = nullptr;
    // Set by the user to stop; read before each buffer and block (may be null).
    const std::uint8_t* Cancel = nullptr;
};

// Results of Explode and Inflate64Member.
inline constexpr int kZipDecodeDone = 0;
inline constexpr int kZipDecodeWriteFailed = -2;
inline constexpr int kZipDecodeInputExhausted = -3;
inline constexpr int kZipDecodeInvalid = -4;
inline constexpr int kZipDecodeCanceled = -5;

// The packed input of one member: a 32,768-byte buffer refilled through
// TZipMemberContext::Read, never beyond PackedSize.
class TZipMemberInput {
public:
    static constexpr std::int64_t kBufferSize = 32768;

    explicit TZipMemberInput(TZipMemberContext& context);

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

    TZipMemberContext& context_;
    std::vector<std::uint8_t> buffer_;
    std::int64_t fill_ = 0, pos_ = 0;
    std::int64_t packedLeft_;
    std::uint32_t bitBuffer_ = 0;
    int bitCount_ = 0;
    bool ended_ = false;
};

// The decoded output of one member: a 32,768-byte buffer written through
// TZipMemberContext::Write, never beyond UnpackedSize (surplus bytes are
// dropped and the CRC check decides).
class TZipMemberOutput {
public:
    static constexpr std::int64_t kBufferSize = 32768;

    explicit TZipMemberOutput(TZipMemberContext& context);

    // False once the declared size is reached.
    bool Room() const { return left_ > 0; }
    std::int64_t Left() const { return left_; }
    std::int64_t Written() const { return context_.UnpackedSize - left_; }
    // Both return false when a write failed.
    bool Put(std::uint8_t byte);
    bool Put(const std::uint8_t* data, std::int64_t count);
    bool Flush();

private:
    TZipMemberContext& context_;
    std::vector<std::uint8_t> buffer_;
    std::int64_t fill_ = 0;
    std::int64_t left_;
};

} // namespace sorvane
