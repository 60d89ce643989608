// The .Z decoder. Codes are read from a buffer holding whole groups of
// codes; when the code width grows or the table is cleared, the rest of the
// current group (n_bits bytes, eight codes) is skipped, as the encoder pads
// it. Strings are unwound through a stack and copied to the output buffer
// in pieces, so a string of any length fits.
#include "archive/codecs/arxUnLzw.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace sorvane {
namespace {

constexpr std::uint8_t kMagic0 = 0x1F;
constexpr std::uint8_t kMagic1 = 0x9D;
constexpr std::uint8_t kBlockMode = 0x80;
constexpr std::uint8_t kReserved = 0x60;
constexpr std::uint8_t kWidthMask = 0x1F;
constexpr int kInitBits = 9;
constexpr int kMinMaxBits = 9;
constexpr int kMaxBits = 16;
constexpr std::int32_t kClear = 256;
constexpr std::int64_t kInputSize = 32768;
constexpr std::int64_t kInputSlack = 64;
constexpr std::int64_t kOutputSize = 16384;
constexpr std::size_t kTableSize = std::size_t{1} << kMaxBits;

// Rounds a bit position up to a whole group of `bits`-bit codes.
std::int64_t GroupEnd(std::int64_t posbits, int bits) {
    const std::int64_t group = static_cast<std::int64_t>(bits) * 8;
    return (posbits + group - 1) / group * group;
}

} // namespace

TZHeaderVerdict CheckZHeader(const std::uint8_t* header3) {
    if (header3[0] != kMagic0 || header3[1] != kMagic1 || (header3[2] & kReserved) != 0)
        return TZHeaderVerdict::BadHeader;
    const int maxBits = header3[2] & kWidthMask;
    if (maxBits < kMinMaxBits || maxBits > kMaxBits) return TZHeaderVerdict::BadWidth;
    return TZHeaderVerdict::Usable;
}

namespace {

// What one code leaves the decoder to do: take the next code, leave the
// current group of codes (the width grew or the table was cleared), or stop
// with the result in hand.
enum class TCodeStep : std::uint8_t { Next, NewGroup, Stop };

// The bytes of the string table and the output: char8_t, which unlike
// unsigned char aliases nothing, so the decoder's state stays in registers
// across the byte stores of the unwinding loops.
using TByte = char8_t;

// The state of one .Z stream: its input buffer, its string table and its
// output buffer.
class TZDecoder {
public:
    explicit TZDecoder(TMemberIo& io) : io_(io) {}
    TDecodeResult Run();

private:
    bool ReadHeader();
    std::int64_t Fill();
    bool Flush();
    bool Put(const TByte* data, std::int64_t count);
    bool Refill();
    std::int32_t NextCode();
    void StartWidth();
    void GrowWidth();
    TCodeStep Decode(std::int32_t code);
    TCodeStep FirstCode(std::int32_t code);
    TCodeStep UnwindIntoOutput(std::int32_t code, bool kwkwk, std::int64_t length);
    TCodeStep UnwindThroughStack(std::int32_t code, bool kwkwk);
    void AddEntry();
    TCodeStep Stop(TDecodeResult result) {
        result_ = result;
        return TCodeStep::Stop;
    }

    TMemberIo& io_;
    std::vector<std::uint8_t> in_ =
        std::vector<std::uint8_t>(static_cast<std::size_t>(kInputSize + kInputSlack), 0);
    std::int64_t insize_ = 0;
    std::int64_t posbits_ = 3 * 8;
    bool more_ = true; // the last refill brought bytes

    bool blockMode_ = false;
    int maxBits_ = 0;
    std::int32_t maxMaxCode_ = 0;
    int nBits_ = kInitBits;
    std::int32_t maxCode_ = 0;
    std::uint32_t bitMask_ = 0;
    std::int32_t freeEnt_ = 0;
    std::int32_t oldCode_ = -1;
    std::int32_t finChar_ = 0;

    std::vector<std::uint16_t> prefix_ = std::vector<std::uint16_t>(kTableSize, 0);
    std::vector<TByte> suffix_ = std::vector<TByte>(kTableSize, 0);
    // The length of each entry's string: a string that fits the output
    // buffer is written there directly, from its end.
    std::vector<std::uint32_t> lengths_ = std::vector<std::uint32_t>(kTableSize, 1);
    std::vector<TByte> stack_ = std::vector<TByte>(kTableSize + 1);
    std::vector<TByte> out_ = std::vector<TByte>(static_cast<std::size_t>(kOutputSize));
    std::int64_t outpos_ = 0;
    TDecodeResult result_ = TDecodeResult::Done;
};

[[gnu::always_inline]] inline std::int64_t TZDecoder::Fill() {
    std::int64_t total = 0;
    while (insize_ < kInputSize) {
        const std::int64_t got = io_.Read(in_.data() + insize_, kInputSize - insize_);
        if (got <= 0) break;
        insize_ += got;
        total += got;
    }
    return total;
}

[[gnu::always_inline]] inline bool TZDecoder::Flush() {
    if (outpos_ == 0) return true;
    const bool ok =
        io_.Write(reinterpret_cast<const std::uint8_t*>(out_.data()), outpos_) == outpos_;
    outpos_ = 0;
    return ok;
}

// Copies `count` bytes through the output buffer, writing it when full.
[[gnu::always_inline]] inline bool TZDecoder::Put(const TByte* data, std::int64_t count) {
    while (count > 0) {
        const std::int64_t n = std::min(count, kOutputSize - outpos_);
        std::memcpy(out_.data() + outpos_, data, static_cast<std::size_t>(n));
        outpos_ += n;
        data += n;
        count -= n;
        if (outpos_ == kOutputSize && !Flush()) return false;
    }
    return true;
}

// The three header bytes and the table's single-byte strings.
[[gnu::always_inline]] inline bool TZDecoder::ReadHeader() {
    Fill();
    if (insize_ < 3 || CheckZHeader(in_.data()) != TZHeaderVerdict::Usable) return false;
    blockMode_ = (in_[2] & kBlockMode) != 0;
    maxBits_ = in_[2] & kWidthMask;
    maxMaxCode_ = std::int32_t{1} << maxBits_;
    freeEnt_ = blockMode_ ? kClear + 1 : kClear;
    for (int c = 0; c < 256; ++c)
        suffix_[static_cast<std::size_t>(c)] = static_cast<TByte>(c);
    StartWidth();
    return true;
}

[[gnu::always_inline]] inline void TZDecoder::StartWidth() {
    nBits_ = kInitBits;
    maxCode_ = (std::int32_t{1} << nBits_) - 1;
    bitMask_ = (1u << nBits_) - 1;
}

[[gnu::always_inline]] inline void TZDecoder::GrowWidth() {
    ++nBits_;
    maxCode_ = nBits_ == maxBits_ ? maxMaxCode_ : (std::int32_t{1} << nBits_) - 1;
    bitMask_ = (1u << nBits_) - 1;
}

// Drops the bytes used and refills the input, zeroing the slack behind it;
// false when the user stopped the run.
[[gnu::always_inline]] inline bool TZDecoder::Refill() {
    const std::int64_t o = posbits_ >> 3;
    const std::int64_t e = o <= insize_ ? insize_ - o : 0;
    if (e > 0) std::memmove(in_.data(), in_.data() + o, static_cast<std::size_t>(e));
    insize_ = e;
    posbits_ = 0;
    if (insize_ < kInputSlack) {
        if (io_.Canceled()) return false;
        more_ = Fill() > 0;
    }
    std::fill(in_.begin() + insize_, in_.end(), std::uint8_t{0});
    return true;
}

// Four bytes from the code's first: the slack behind the input makes the
// read safe; the bytes are little-endian.
[[gnu::always_inline]] inline std::int32_t TZDecoder::NextCode() {
    std::uint32_t window;
    std::memcpy(&window, in_.data() + (posbits_ >> 3), 4);
    if constexpr (std::endian::native == std::endian::big) window = __builtin_bswap32(window);
    const auto code = static_cast<std::int32_t>((window >> (posbits_ & 7)) & bitMask_);
    posbits_ += nBits_;
    return code;
}

[[gnu::always_inline]] inline TCodeStep TZDecoder::FirstCode(std::int32_t code) {
    if (code >= 256) {
        Flush();
        return Stop(TDecodeResult::Corrupt);
    }
    oldCode_ = finChar_ = code;
    const auto byte = static_cast<TByte>(code);
    if (!Put(&byte, 1)) return Stop(TDecodeResult::WriteFailed);
    return TCodeStep::Next;
}

// Room for the whole string: unwound straight into the output.
[[gnu::always_inline]] inline TCodeStep TZDecoder::UnwindIntoOutput(std::int32_t code, bool kwkwk,
                                                                    std::int64_t length) {
    const std::uint16_t* const prefix = prefix_.data();
    const TByte* const suffix = suffix_.data();
    TByte* const start = out_.data() + outpos_;
    TByte* p = start + length;
    if (kwkwk) {
        *--p = static_cast<TByte>(finChar_);
        code = oldCode_;
    }
    while (code >= 256) {
        if (p == start) {
            Flush();
            return Stop(TDecodeResult::Corrupt);
        }
        *--p = suffix[static_cast<std::size_t>(code)];
        code = prefix[static_cast<std::size_t>(code)];
    }
    if (p != start + 1) {
        Flush();
        return Stop(TDecodeResult::Corrupt);
    }
    finChar_ = code;
    *--p = static_cast<TByte>(code);
    outpos_ += length;
    if (outpos_ == kOutputSize && !Flush()) return Stop(TDecodeResult::WriteFailed);
    return TCodeStep::Next;
}

// A string longer than the room left: unwound through the stack, then put
// out in pieces.
[[gnu::always_inline]] inline TCodeStep TZDecoder::UnwindThroughStack(std::int32_t code,
                                                                      bool kwkwk) {
    std::size_t sp = stack_.size();
    if (kwkwk) {
        stack_[--sp] = static_cast<TByte>(finChar_);
        code = oldCode_;
    }
    // Every code below freeEnt has a chain shorter than the table; the test
    // guards the stack all the same.
    while (code >= 256) {
        if (sp <= 1) {
            Flush();
            return Stop(TDecodeResult::Corrupt);
        }
        stack_[--sp] = suffix_[static_cast<std::size_t>(code)];
        code = prefix_[static_cast<std::size_t>(code)];
    }
    finChar_ = suffix_[static_cast<std::size_t>(code)];
    stack_[--sp] = static_cast<TByte>(finChar_);
    if (!Put(stack_.data() + sp, static_cast<std::int64_t>(stack_.size() - sp)))
        return Stop(TDecodeResult::WriteFailed);
    return TCodeStep::Next;
}

// The previous string plus the first byte of this one, while the table has room.
[[gnu::always_inline]] inline void TZDecoder::AddEntry() {
    if (freeEnt_ >= maxMaxCode_) return;
    const auto entry = static_cast<std::size_t>(freeEnt_);
    prefix_[entry] = static_cast<std::uint16_t>(oldCode_);
    suffix_[entry] = static_cast<TByte>(finChar_);
    lengths_[entry] = lengths_[static_cast<std::size_t>(oldCode_)] + 1;
    ++freeEnt_;
}

[[gnu::always_inline]] inline TCodeStep TZDecoder::Decode(std::int32_t code) {
    if (oldCode_ == -1) return FirstCode(code);
    if (code == kClear && blockMode_) {
        std::fill(prefix_.begin(), prefix_.end(), std::uint16_t{0});
        freeEnt_ = kClear;
        posbits_ = GroupEnd(posbits_, nBits_);
        StartWidth();
        return TCodeStep::NewGroup;
    }
    if (code > freeEnt_) return Stop(Flush() ? TDecodeResult::Corrupt : TDecodeResult::WriteFailed);
    const bool kwkwk = code == freeEnt_;
    const std::int64_t length = kwkwk
                                    ? std::int64_t{lengths_[static_cast<std::size_t>(oldCode_)]} + 1
                                    : lengths_[static_cast<std::size_t>(code)];
    const TCodeStep step = outpos_ + length <= kOutputSize ? UnwindIntoOutput(code, kwkwk, length)
                                                           : UnwindThroughStack(code, kwkwk);
    if (step != TCodeStep::Next) return step;
    AddEntry();
    oldCode_ = code;
    return TCodeStep::Next;
}

[[gnu::always_inline]] inline TDecodeResult TZDecoder::Run() {
    if (!ReadHeader()) return TDecodeResult::Corrupt;
    for (;;) {
        if (!Refill()) {
            Flush();
            return TDecodeResult::Canceled;
        }
        const std::int64_t inbits =
            more_ ? (insize_ - insize_ % nBits_) * 8 : insize_ * 8 - (nBits_ - 1);
        bool newGroup = false;
        while (inbits > posbits_) {
            if (freeEnt_ > maxCode_) {
                posbits_ = GroupEnd(posbits_, nBits_);
                GrowWidth();
                newGroup = true;
                break;
            }
            const TCodeStep step = Decode(NextCode());
            if (step == TCodeStep::Stop) return result_;
            if (step == TCodeStep::NewGroup) {
                newGroup = true;
                break;
            }
        }
        if (newGroup) continue;
        if (!more_) break;
    }
    return Flush() ? TDecodeResult::Done : TDecodeResult::WriteFailed;
}

} // namespace

TDecodeResult UncompressZ(TMemberIo& io) {
    return TZDecoder(io).Run();
}

} // namespace sorvane
