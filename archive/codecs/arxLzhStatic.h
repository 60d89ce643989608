// The block-coded LZ77 + static Huffman decoder of the LHA lh5 family, shared
// by LHA -lh4- to -lh7-, Zoo method 2 and ARJ methods 1 to 3, and the 16-bit
// bit reader ARJ method 4 also uses.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace sorvane {

class TArxBaseStream;
class TZipCommon;

// The packed input and decoded output of one member, bound by the reader.
struct TLzhIo {
    // Reads up to Count packed bytes into Buf, deciphered when Decipher is
    // set; the bytes read, 0 (or less) when nothing more comes. Never asked
    // for more than what remains of the packed size.
    std::function<std::int64_t(std::uint8_t* Buf, std::int64_t Count, bool Decipher)> Read;
    // Writes Count (> 0) decoded bytes and adds them to the running CRC of
    // CrcWidth (16 or 32); the bytes written, fewer on failure.
    std::function<std::int64_t(const std::uint8_t* Buf, std::int64_t Count, int CrcWidth)> Write;
    // Called after each write with the bytes of the member written so far (may be empty).
    std::function<void(std::int64_t Done)> Progress;
    // Set by the user to stop; read before each block and write (may be null).
    const std::uint8_t* Cancel = nullptr;
};

// How one decoding run ended.
enum class TLzhResult : std::uint8_t {
    Done,        // the unpacked size was produced (the CRC check decides)
    Corrupt,     // a bad block header, length list, table or distance
    InputEnded,  // the packed data ended well before the unpacked size
    WriteFailed, // a write wrote fewer bytes than asked
    Canceled,
};

// The parameter set of one reader and method.
struct TLzhParams {
    int CrcWidth = 16; // 16 or 32, handed to every write
    int DictBits = 13; // 12, 13, 15 or 16: NP = DictBits + 1 position codes
    int Pbit = 4;      // 4 or 5: width of the position-list count
    int Mode = 3;      // < 5: 26,624-byte window, >= 5: 65,536; 1 or 2: input deciphered
};

inline constexpr TLzhParams kLzhZooMethod2{16, 13, 4, 0};
inline constexpr TLzhParams kLzhLh4{16, 12, 4, 3};
inline constexpr TLzhParams kLzhLh5{16, 13, 4, 3};
inline constexpr TLzhParams kLzhLh6{16, 15, 5, 5};
inline constexpr TLzhParams kLzhLh7{16, 16, 5, 6};
inline constexpr TLzhParams kLzhArj{32, 16, 5, 0};        // ARJ methods 1 to 3
inline constexpr TLzhParams kLzhArjGarbled{32, 16, 5, 2}; // the same, garbled member

// Most-significant-bit-first reader over the packed bytes of one member: a
// 16-bit bit buffer, one reserve byte, and an input buffer refilled through
// TLzhIo::Read, never asking beyond the packed size. Past the packed data it
// reads zero bits.
class TLzhBitReader {
public:
    // A few bytes of look-ahead past the packed end are normal; more means
    // the stream runs on without its data.
    static constexpr std::int64_t kOverrunSlack = 4;

    TLzhBitReader(TLzhIo& io, std::int64_t bufferSize, bool decipher);

    // Starts on a member of PackedSize bytes: clears the bit buffer and the
    // reserve byte, empties the input buffer and loads the first 16 bits.
    void Start(std::int64_t PackedSize);
    // Shifts N (0..16) bits out of the bit buffer and refills it.
    void Fill(int N);
    // The top N (0..16) bits of the bit buffer, then Fill(N).
    std::uint32_t Get(int N);
    // The bit buffer: the next 16 bits, first bit at bit 15.
    std::uint32_t Bits() const { return bitBuf_; }
    // Packed bytes not taken yet.
    std::int64_t Remaining() const { return remaining_; }
    // Bytes taken past the packed end (zeros).
    std::int64_t PastEnd() const { return pastEnd_; }
    // More than kOverrunSlack bytes were taken past the packed end.
    bool Overrun() const { return pastEnd_ > kOverrunSlack; }

private:
    std::uint8_t NextByte();

    TLzhIo& io_;
    std::vector<std::uint8_t> buffer_;
    std::int64_t fill_ = 0, pos_ = 0;
    std::int64_t remaining_ = 0;
    std::int64_t pastEnd_ = 0;
    std::uint32_t bitBuf_ = 0;
    std::uint32_t subBuf_ = 0;
    int bitCount_ = 0;
    bool decipher_ = false;
};

// The decoder. Set up before every member; one object may decode many
// members one after another.
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

    // Decodes PackedSize bytes of input into exactly UnpackedSize bytes of
    // output at most. The window starts filled with spaces. Bad tables,
    // counts, runs, code lengths above 16, single symbols beyond their list
    // and distances beyond the window end the run as Corrupt; a stream that
    // takes more than a few bytes past its packed data ends as InputEnded.
    // Nothing is written beyond UnpackedSize, and no empty write is made.
    TLzhResult Run(TLzhIo& Io, std::int64_t PackedSize, std::int64_t UnpackedSize);

    // The same, bound to a reader: reads through its ReadProc (CRC width 0,
    // deciphered in modes 1 and 2), writes through WriteOutput with the CRC
    // width of the set-up, reports progress through DoProgress. A failed
    // write raises E_RAISE 25136 (WriteOutput has reported it). A corrupt or
    // short stream returns quietly: the caller's CRC check reports it.
    TLzhResult Run(TZipCommon& Reader, TArxBaseStream& In, TArxBaseStream* Out,
                   std::int64_t PackedSize, std::int64_t UnpackedSize);

private:
    struct State;

    TLzhParams params_{};
    std::int64_t windowSize_ = 26624;
    std::vector<std::uint8_t> window_;
};

} // namespace sorvane
