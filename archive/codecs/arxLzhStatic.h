// The block-coded LZ77 + static Huffman decoder of the LHA lh5 family, shared
// by LHA -lh4- to -lh7-, Zoo method 2 and ARJ methods 1 to 3, and the 16-bit
// bit reader ARJ method 4 also uses.
#pragma once

#include "archive/codecs/arxMemberIo.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace sorvane {

class TArxBaseStream;
class TUnBase;

// How one decoding run ended: the one decoder result (the name stays for the
// LZH family's callers).
using TLzhResult = TDecodeResult;

// The parameter set of one reader and method.
struct TLzhParams {
    int CrcWidth = 16; // 16 or 32: the running CRC a reader-bound run writes with
    int DictBits = 13; // 12, 13, 15 or 16: NP = DictBits + 1 position codes
    int Pbit = 4;      // 4 or 5: width of the position-list count
    int Mode = 3;      // < 5: 26,624-byte window, >= 5: 65,536; 1 or 2: input deciphered
                       // (by the reader's input)
};

inline constexpr TLzhParams kLzhZooMethod2{16, 13, 4, 0};
inline constexpr TLzhParams kLzhLh4{16, 12, 4, 3};
inline constexpr TLzhParams kLzhLh5{16, 13, 4, 3};
inline constexpr TLzhParams kLzhLh6{16, 15, 5, 5};
inline constexpr TLzhParams kLzhLh7{16, 16, 5, 6};
inline constexpr TLzhParams kLzhArj{32, 16, 5, 0};        // ARJ methods 1 to 3
inline constexpr TLzhParams kLzhArjGarbled{32, 16, 5, 2}; // the same, garbled member

class TLzhBitReader;

// The bit buffer and input position of a TLzhBitReader as a value, which a
// decoding loop holds in its own registers (TLzhBitReader::Hold): it shifts
// bits out and takes whole bytes from the input buffer itself, and leaves
// the reading of the next chunk to its reader.
class TLzhBits {
public:
    // A few bytes of look-ahead past the packed end are normal; more means
    // the stream runs on without its data.
    static constexpr std::int64_t kOverrunSlack = 4;

    // Shifts N (0..16) bits out of the bit buffer and refills it.
    void Fill(int N) {
        bits_ <<= N;
        count_ -= N;
        if (count_ < 16) Refill();
    }
    // The top N (0..16) bits of the bit buffer, then Fill(N).
    std::uint32_t Get(int N) {
        if (N <= 0) return 0;
        const std::uint32_t value = Bits() >> (16 - N);
        Fill(N);
        return value;
    }
    // The bit buffer: the next 16 bits, first bit at bit 15.
    std::uint32_t Bits() const { return static_cast<std::uint32_t>(bits_ >> 48); }
    // Bytes taken past the packed end (zeros), counting the bytes the next
    // 16 bits reach into.
    std::int64_t PastEnd() const {
        return std::max<std::int64_t>(zeros_ - (end_ - next_) - (count_ - 16) / 8, 0);
    }
    // More than kOverrunSlack bytes were taken past the packed end.
    bool Overrun() const { return zeros_ > 0 && PastEnd() > kOverrunSlack; }

private:
    friend class TLzhBitReader;

    // Tops the bit buffer up to at least 16 bits (count_ is below that): six
    // or seven whole bytes from one 8-byte load while the input buffer holds
    // that many, else through the reader.
    void Refill() {
        if (end_ - next_ < 8) {
            *this = Refilled(*this);
            return;
        }
        const int bytes = (63 - count_) >> 3;
        std::uint64_t word = 0;
        for (int i = 0; i < 8; ++i)
            word = word << 8 | next_[i];
        word &= ~std::uint64_t{0} << (64 - 8 * bytes);
        bits_ |= word >> count_;
        next_ += bytes;
        count_ += 8 * bytes;
    }
    // The state refilled byte by byte, reading the next chunk when the next
    // 16 bits need it, and with zero bytes past the packed data.
    static TLzhBits Refilled(TLzhBits bits);

    TLzhBitReader* reader_ = nullptr;
    std::uint64_t bits_ = 0; // count_ bits from the top, zeros below them
    int count_ = 0;
    const std::uint8_t* next_ = nullptr; // the input buffer's bytes not in bits_
    const std::uint8_t* end_ = nullptr;
    std::int64_t zeros_ = 0; // zero bytes moved in past the end
};

// Most-significant-bit-first reader over the packed bytes of one member: a
// 64-bit bit buffer filled from an input buffer (the caller's, kept from
// member to member) refilled through TMemberIo::Read, never asking beyond the
// packed size, and never before the next 16 bits need a byte it does not hold.
// Past the packed data it reads zero bits.
class TLzhBitReader {
public:
    static constexpr std::int64_t kOverrunSlack = TLzhBits::kOverrunSlack;

    // Buffer holds at least 16 bytes (it is grown to that).
    TLzhBitReader(TMemberIo& io, std::vector<std::uint8_t>& buffer);
    TLzhBitReader(const TLzhBitReader&) = delete;
    TLzhBitReader& operator=(const TLzhBitReader&) = delete;

    // Starts on a member of PackedSize bytes: clears the bit buffer, empties
    // the input buffer and loads the first 16 bits.
    void Start(std::int64_t PackedSize);
    void Fill(int N) { bits_.Fill(N); }
    std::uint32_t Get(int N) { return bits_.Get(N); }
    std::uint32_t Bits() const { return bits_.Bits(); }
    // Packed bytes not taken yet.
    std::int64_t Remaining() const { return remaining_; }
    std::int64_t PastEnd() const { return bits_.PastEnd(); }
    bool Overrun() const { return bits_.Overrun(); }

    // The state for a decoding loop to hold, and back from it before the
    // reader itself is used again.
    TLzhBits Hold() const { return bits_; }
    void Release(const TLzhBits& bits) { bits_ = bits; }

private:
    friend class TLzhBits;

    // The next chunk of packed bytes into the input buffer, in `bits`; false
    // when none comes.
    bool ReadChunk(TLzhBits& bits);

    TMemberIo& io_;
    std::vector<std::uint8_t>& buffer_;
    TLzhBits bits_;
    std::int64_t remaining_ = 0; // packed bytes not read yet
};

// The decoder. Set up before every member; one object decodes the members
// of a run one after another, its tables and buffers made once.
class LzhStaticDecoder {
public:
    LzhStaticDecoder();
    ~LzhStaticDecoder();
    LzhStaticDecoder(const LzhStaticDecoder&) = delete;
    LzhStaticDecoder& operator=(const LzhStaticDecoder&) = delete;

    // Stores the parameters and picks the window. Values outside the sets
    // above are clamped to the nearest sound one (DictBits 12..16, Pbit 4..5).
    void Setup(int CrcWidth, int DictBits, int Pbit, int Mode);
    void Setup(const TLzhParams& Params) {
        Setup(Params.CrcWidth, Params.DictBits, Params.Pbit, Params.Mode);
    }
    std::int64_t WindowSize() const { return windowSize_; }

    // Decodes the member's packed bytes into its declared size at most. The window starts filled
    // with spaces. Bad tables, counts, runs, code lengths above 16, single symbols beyond their
    // list and distances beyond the window end the run as Corrupt; a stream that takes more than a
    // few bytes past its packed data ends as InputEnded. Nothing is written beyond UnpackedSize,
    // and no empty write is made.
    TDecodeResult Run(TMemberIo& Io);

    // The same on the reader's bounded I/O of the member (TUnBase::MemberIo,
    // deciphered in modes 1 and 2, the running CRC of the set-up's width). A
    // failed write raises E_RAISE 25136 (WriteOutput has reported it). A
    // corrupt or short stream returns quietly: the member's verdict decides.
    TDecodeResult Run(TUnBase& Reader, TArxBaseStream& In, TArxBaseStream* Out,
                      std::int64_t PackedSize, std::int64_t UnpackedSize);

private:
    struct State;

    TLzhParams params_{};
    std::int64_t windowSize_ = 26624;
    std::vector<std::uint8_t> window_;
    // How many of the window's first bytes are known to hold the initial
    // spaces: a member that never moved its output into the history leaves
    // them as they were, so the next one need not fill them again.
    std::int64_t spacesAhead_ = 0;
    std::vector<std::uint8_t> input_;
    std::unique_ptr<State> state_;
};

} // namespace sorvane
