// The LHA lh5-family decoder: blocks of a pre-tree, a literal/length tree
// and a position tree, canonical Huffman codes, a sliding window.
#include "archive/codecs/arxLzhStatic.h"

#include "archive/codecs/arxMatchCopy.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace sorvane {

// ---------------------------------------------------------------------------
// Bit reader

TLzhBitReader::TLzhBitReader(TMemberIo& io, std::vector<std::uint8_t>& buffer)
    : io_(io), buffer_(buffer) {
    if (buffer_.size() < 16) buffer_.resize(16);
    bits_.reader_ = this;
}

void TLzhBitReader::Start(std::int64_t PackedSize) {
    remaining_ = std::max<std::int64_t>(PackedSize, 0);
    bits_ = TLzhBits{};
    bits_.reader_ = this;
    bits_ = TLzhBits::Refilled(bits_);
}

bool TLzhBitReader::ReadChunk(TLzhBits& bits) {
    if (remaining_ <= 0) return false;
    const std::int64_t want =
        std::min<std::int64_t>(static_cast<std::int64_t>(buffer_.size()), remaining_);
    const std::int64_t got = io_.Read ? io_.Read(buffer_.data(), want) : 0;
    if (got <= 0) {
        remaining_ = 0; // the input ended early: what follows reads as zeros
        return false;
    }
    const std::int64_t kept = std::min(got, want);
    remaining_ -= kept;
    bits.next_ = buffer_.data();
    bits.end_ = bits.next_ + kept;
    return true;
}

TLzhBits TLzhBits::Refilled(TLzhBits bits) {
    while (bits.count_ <= 56) {
        // A new chunk is read only when the next 16 bits need it.
        if (bits.next_ == bits.end_ && (bits.count_ >= 16 || !bits.reader_->ReadChunk(bits))) break;
        bits.bits_ |= std::uint64_t{*bits.next_++} << (56 - bits.count_);
        bits.count_ += 8;
    }
    if (bits.count_ < 16) {
        // Past the packed data: zero bytes.
        const int bytes = (64 - bits.count_) >> 3;
        bits.zeros_ += bytes;
        bits.count_ += 8 * bytes;
    }
    return bits;
}

// ---------------------------------------------------------------------------
// Decoder state

namespace {

constexpr int kNc = 510;    // 256 literals + 254 match lengths
constexpr int kNt = 19;     // code-length codes
constexpr int kCbit = 9;    // width of the literal/length count
constexpr int kTbit = 5;    // width of the pre-tree count
constexpr int kNpMax = 17;  // position codes of a 16-bit dictionary
constexpr int kMaxLen = 16; // longest code
constexpr int kCTableBits = 12;
constexpr int kPTableBits = 8;
constexpr int kTreeSize = 2 * kNc - 1;
constexpr std::uint8_t kSpace = 0x20;

} // namespace

struct LzhStaticDecoder::State {
    std::array<std::uint8_t, kNc> cLen{};
    std::array<std::uint16_t, 1u << kCTableBits> cTable{};
    std::array<std::uint8_t, kNpMax + kNt> ptLen{}; // holds both the pre-tree and the positions
    std::array<std::uint16_t, 1u << kPTableBits> ptTable{};
    std::array<std::uint16_t, kTreeSize> left{}, right{};
    int np = 14;
    int pbit = 4;

    // Builds the lookup table of `tableBits` bits (and trees for longer codes)
    // of nchar symbols; false when the lengths do not fill the code space
    // exactly.
    bool MakeTable(int nchar, const std::uint8_t* bitLen, int tableBits, std::uint16_t* table) {
        std::array<std::uint32_t, kMaxLen + 2> count{}, start{}, weight{};
        for (int i = 0; i < nchar; ++i) {
            if (bitLen[i] > kMaxLen) return false;
            ++count[bitLen[i]];
        }
        start[1] = 0;
        for (int i = 1; i <= kMaxLen; ++i)
            start[i + 1] = start[i] + (count[i] << (kMaxLen - i));
        if (start[kMaxLen + 1] != (1u << kMaxLen)) return false;
        const int jutBits = kMaxLen - tableBits;
        for (int i = 1; i <= tableBits; ++i) {
            start[i] >>= jutBits;
            weight[i] = 1u << (tableBits - i);
        }
        for (int i = tableBits + 1; i <= kMaxLen; ++i)
            weight[i] = 1u << (kMaxLen - i);
        const std::uint32_t tableSize = 1u << tableBits;
        std::uint32_t i = start[tableBits + 1] >> jutBits;
        // The slots past the short codes lead into trees; clear them first.
        std::fill(table + std::min(i, tableSize), table + tableSize, std::uint16_t{0});
        int avail = nchar;
        const std::uint32_t mask = 1u << (kMaxLen - 1 - tableBits);
        for (int ch = 0; ch < nchar; ++ch) {
            const int len = bitLen[ch];
            if (len == 0) continue;
            const std::uint32_t nextCode = start[len] + weight[len];
            if (len <= tableBits) {
                if (nextCode > tableSize) return false;
                for (std::uint32_t k = start[len]; k < nextCode; ++k)
                    table[k] = static_cast<std::uint16_t>(ch);
            } else {
                std::uint32_t k = start[len];
                if ((k >> jutBits) >= tableSize) return false;
                std::uint16_t* p = &table[k >> jutBits];
                for (int n = len - tableBits; n > 0; --n) {
                    if (*p == 0) {
                        if (avail >= kTreeSize) return false;
                        left[static_cast<std::size_t>(avail)] = 0;
                        right[static_cast<std::size_t>(avail)] = 0;
                        *p = static_cast<std::uint16_t>(avail++);
                    }
                    if (*p < nchar) return false; // a shorter code sits in the way
                    p = (k & mask) ? &right[*p] : &left[*p];
                    k <<= 1;
                }
                *p = static_cast<std::uint16_t>(ch);
            }
            start[len] = nextCode;
        }
        return true;
    }

    // A pre-tree or position length list: count nn, count width nbit,
    // special index (or -1). False on a bad count, run, length or table.
    bool ReadPtLen(TLzhBitReader& in, int nn, int nbit, int special) {
        const int n = static_cast<int>(in.Get(nbit));
        if (n == 0) {
            const std::uint32_t c = in.Get(nbit);
            if (c >= static_cast<std::uint32_t>(nn)) return false;
            std::fill(ptLen.begin(), ptLen.begin() + nn, std::uint8_t{0});
            ptTable.fill(static_cast<std::uint16_t>(c));
            return true;
        }
        if (n > nn) return false;
        int i = 0;
        while (i < n) {
            int c = static_cast<int>(in.Bits() >> 13);
            if (c == 7) {
                std::uint32_t mask = 1u << 12;
                while (mask != 0 && (in.Bits() & mask) != 0) {
                    mask >>= 1;
                    ++c;
                }
                if (c > kMaxLen) return false;
            }
            in.Fill(c < 7 ? 3 : c - 3);
            ptLen[static_cast<std::size_t>(i++)] = static_cast<std::uint8_t>(c);
            if (i == special) {
                const int zeros = static_cast<int>(in.Get(2));
                if (i + zeros > nn) return false;
                for (int z = 0; z < zeros; ++z)
                    ptLen[static_cast<std::size_t>(i++)] = 0;
            }
        }
        std::fill(ptLen.begin() + i, ptLen.begin() + nn, std::uint8_t{0});
        return MakeTable(nn, ptLen.data(), kPTableBits, ptTable.data());
    }

    // A pre-tree symbol (or position code) below nn, from the 8-bit table and the trees.
    template <typename Bits> int DecodePt(Bits& in, int nn) {
        int c = ptTable[in.Bits() >> 8];
        if (c >= nn) {
            std::uint32_t mask = 1u << 7;
            do {
                if (mask == 0) return -1;
                c = (in.Bits() & mask) ? right[static_cast<std::size_t>(c)]
                                       : left[static_cast<std::size_t>(c)];
                mask >>= 1;
            } while (c >= nn && c < kTreeSize);
            if (c >= nn) return -1;
        }
        in.Fill(ptLen[static_cast<std::size_t>(c)]);
        return c;
    }

    bool ReadCLen(TLzhBitReader& in) {
        const int n = static_cast<int>(in.Get(kCbit));
        if (n == 0) {
            const std::uint32_t c = in.Get(kCbit);
            if (c >= static_cast<std::uint32_t>(kNc)) return false;
            cLen.fill(0);
            cTable.fill(static_cast<std::uint16_t>(c));
            return true;
        }
        if (n > kNc) return false;
        int i = 0;
        while (i < n) {
            int c = DecodePt(in, kNt);
            if (c < 0) return false;
            if (c <= 2) {
                int zeros = 1;
                if (c == 1)
                    zeros = static_cast<int>(in.Get(4)) + 3;
                else if (c == 2)
                    zeros = static_cast<int>(in.Get(kCbit)) + 20;
                if (i + zeros > kNc) return false;
                std::fill(cLen.begin() + i, cLen.begin() + i + zeros, std::uint8_t{0});
                i += zeros;
            } else {
                cLen[static_cast<std::size_t>(i++)] = static_cast<std::uint8_t>(c - 2);
            }
        }
        std::fill(cLen.begin() + i, cLen.end(), std::uint8_t{0});
        return MakeTable(kNc, cLen.data(), kCTableBits, cTable.data());
    }

    // A block header: false when it is bad (size 0, a bad list or table).
    bool ReadBlockHeader(TLzhBitReader& in, std::uint32_t& blockSize) {
        blockSize = in.Get(16);
        if (blockSize == 0) return false;
        if (!ReadPtLen(in, kNt, kTbit, 3)) return false;
        if (!ReadCLen(in)) return false;
        return ReadPtLen(in, np, pbit, -1);
    }

    template <typename Bits> int DecodeC(Bits& in) {
        int j = cTable[in.Bits() >> 4];
        if (j >= kNc) {
            std::uint32_t mask = 1u << 3;
            do {
                if (mask == 0) return -1;
                j = (in.Bits() & mask) ? right[static_cast<std::size_t>(j)]
                                       : left[static_cast<std::size_t>(j)];
                mask >>= 1;
            } while (j >= kNc && j < kTreeSize);
            if (j >= kNc) return -1;
        }
        in.Fill(cLen[static_cast<std::size_t>(j)]);
        return j;
    }

    template <typename Bits> std::int64_t DecodeDistance(Bits& in) {
        const int j = DecodePt(in, np);
        if (j < 0) return -1;
        if (j == 0) return 0;
        return (std::int64_t{1} << (j - 1)) + in.Get(j - 1);
    }
};

// ---------------------------------------------------------------------------
// Decoder

namespace {

// The output handed to the writer at a time, a whole number of pages.
constexpr std::int64_t kOutputBlock = 65536;

} // namespace

LzhStaticDecoder::LzhStaticDecoder() = default;
LzhStaticDecoder::~LzhStaticDecoder() = default;

void LzhStaticDecoder::Setup(int CrcWidth, int DictBits, int Pbit, int Mode) {
    params_.CrcWidth = CrcWidth == 32 ? 32 : 16;
    params_.DictBits = std::clamp(DictBits, 12, 16);
    params_.Pbit = std::clamp(Pbit, 4, 5);
    params_.Mode = Mode;
    windowSize_ = Mode >= 5 ? 65536 : 26624;
}

TDecodeResult LzhStaticDecoder::Run(TMemberIo& Io) {
    // The tables start as a fresh decoder's would, in the memory of the last.
    if (state_)
        *state_ = State{};
    else
        state_ = std::make_unique<State>();
    State* const state = state_.get();
    state->np = params_.DictBits + 1;
    state->pbit = params_.Pbit;
    // The window's history (its first `size` bytes, spaces at the start)
    // and behind it the block of output being decoded: every distance
    // reaches back into the bytes before it without wrapping, and the output
    // goes out kOutputBlock bytes at a time, the last `size` of them moved
    // to the front as the history of the next block.
    const std::int64_t size = windowSize_;
    const std::int64_t end = size + kOutputBlock;
    if (window_.size() < static_cast<std::size_t>(end))
        window_.resize(static_cast<std::size_t>(end));
    std::uint8_t* const window = window_.data();
    // Filled unless still spaces from the last member; nothing is known of
    // them until this one ends.
    if (spacesAhead_ < size) std::fill(window, window + size, kSpace);
    spacesAhead_ = 0;
    bool historyMoved = false;
    if (input_.size() < static_cast<std::size_t>(windowSize_))
        input_.resize(static_cast<std::size_t>(windowSize_));
    TLzhBitReader in(Io, input_);
    in.Start(Io.PackedSize);
    // The symbols are decoded on the reader's state held here; the block
    // headers on the reader itself.
    TLzhBits bits = in.Hold();

    std::int64_t left = std::max<std::int64_t>(Io.UnpackedSize, 0);
    std::int64_t pos = size;
    std::uint32_t blockLeft = 0;
    const auto canceled = [&Io] { return Io.Canceled(); };
    // Writes the output decoded up to pos.
    const auto flush = [&]() -> bool {
        const std::int64_t count = pos - size;
        if (count <= 0) return true;
        const std::int64_t wrote = Io.Write ? Io.Write(window + size, count) : count;
        return wrote >= count;
    };
    // Writes the full output block and starts the next behind its history.
    const auto nextBlock = [&]() -> bool {
        if (!flush()) return false;
        std::memcpy(window, window + kOutputBlock, static_cast<std::size_t>(size));
        historyMoved = true;
        pos = size;
        return true;
    };

    TDecodeResult result = TDecodeResult::Done;
    while (left > 0) {
        if (blockLeft == 0) {
            if (canceled()) {
                result = TDecodeResult::Canceled;
                break;
            }
            if (bits.Overrun()) {
                result = TDecodeResult::InputEnded;
                break;
            }
            in.Release(bits);
            if (!state->ReadBlockHeader(in, blockLeft)) {
                result = in.Overrun() ? TDecodeResult::InputEnded : TDecodeResult::Corrupt;
                break;
            }
            bits = in.Hold();
        }
        --blockLeft;
        const int c = state->DecodeC(bits);
        if (c < 0) {
            result = TDecodeResult::Corrupt;
            break;
        }
        if (c < 256) {
            if (bits.Overrun()) {
                result = TDecodeResult::InputEnded;
                break;
            }
            window[pos++] = static_cast<std::uint8_t>(c);
            --left;
            if (pos == end) {
                if (!nextBlock()) {
                    result = TDecodeResult::WriteFailed;
                    break;
                }
                if (canceled()) {
                    result = TDecodeResult::Canceled;
                    break;
                }
            }
            continue;
        }
        std::int64_t length = std::min<std::int64_t>(c - 253, left);
        const std::int64_t distance = state->DecodeDistance(bits);
        if (distance < 0 || distance >= size) {
            result = TDecodeResult::Corrupt;
            break;
        }
        if (bits.Overrun()) {
            result = TDecodeResult::InputEnded;
            break;
        }
        std::int64_t src = pos - distance - 1;
        left -= length;
        bool failed = false;
        while (length > 0) {
            const std::int64_t run = std::min(length, end - pos);
            CopyRun(window + pos, window + src, run);
            pos += run;
            src += run;
            length -= run;
            if (pos == end) {
                if (!nextBlock()) {
                    failed = true;
                    break;
                }
                src -= kOutputBlock;
            }
        }
        if (failed) {
            result = TDecodeResult::WriteFailed;
            break;
        }
        if (bits.Overrun()) {
            result = TDecodeResult::InputEnded;
            break;
        }
    }
    if (result != TDecodeResult::WriteFailed && !flush()) result = TDecodeResult::WriteFailed;
    if (!historyMoved) spacesAhead_ = size;
    return result;
}

} // namespace sorvane
