// ACE 1.0 method 1: LZ77 with Huffman-coded blocks. Self-contained (no other
// part of the library), so the ACE extraction module compiles it in as well.
#pragma once

#include "archive/codecs/arxMemberIo.h"

#include <array>
#include <cstdint>
#include <vector>

namespace sorvane {

// Format notes (the packed data of one member):
// - The data is a run of 32-bit little-endian words; bits are taken from the
//   most significant bit of each word down.
// - A block is two code-width tables (main symbols, then lengths), a 15-bit
//   count of main symbols, then those symbols. When the count runs out the
//   next block's tables follow.
// - Main symbols: 0-255 a literal; 256-259 the distance used 0-3 matches ago
//   (it becomes the most recent); 260 + n a new distance: n < 2 gives n, else
//   n - 1 further bits below an implied top bit. Either is followed by a
//   length symbol. The copy distance is the value + 1.
// - Length = length symbol + 2, + 1 for a new distance above 255, + 1 again
//   above 8191, + 1 for a repeated distance of index 2 or 3.
// - A width table: the highest symbol (9 bits), the lowest width less one (4
//   bits), the count of width codes less one (4 bits), a 3-bit width per width
//   code, then one width code per symbol: a difference modulo the count from
//   the previous symbol's value, or (the last code) 4 + (4 bits) unchanged
//   values. A nonzero value plus the lowest width is the symbol's width.
// - Codes: the symbols are ranked by width, descending, with one particular
//   quicksort (pivot at the right end, exchanges from both ends); codes are
//   handed out from the end of that ranking, shortest first, so ties fall
//   where that sort leaves them. Fewer than two coded symbols: the first in
//   the ranking gets width 1. Entries no code reaches decode as symbol 0.
// - There is no end symbol: decoding stops at the member's unpacked size.
class TAceLz77 {
public:
    static constexpr int kWindowBits = 22; // the largest dictionary of the format
    static constexpr int kMainSymbols = 256 + 4 + kWindowBits + 1;
    static constexpr int kLengthSymbols = 256;

    TAceLz77();

    // Forgets the dictionary: a member that is not solid starts empty.
    void ResetDictionary();
    // Decodes one member of its declared size through its I/O (PackedSize
    // is not consulted: Read tells the end of the data); never writes more. A
    // solid member keeps the dictionary of the member before (no
    // ResetDictionary). A stream that runs past its data is InputEnded.
    TDecodeResult Decode(TMemberIo& Io);

private:
    struct TTable {
        int Bits = 0;
        std::vector<std::uint16_t> Symbol; // 1 << Bits entries
        std::vector<std::uint8_t> Width;   // per symbol
    };

    bool ReadTables();
    bool ReadWidths(TTable& table, int maxBits, int maxSymbols);
    bool MakeCode(TTable& table, int symbolCount);

    // Bit input.
    void Refill();
    std::uint32_t Peek(int n) {
        if (count_ < n) Refill();
        return static_cast<std::uint32_t>(bits_ >> (64 - n));
    }
    void Skip(int n) {
        if (count_ < n) Refill();
        bits_ <<= n;
        count_ -= n;
    }
    std::uint32_t Get(int n) {
        if (n == 0) return 0;
        const std::uint32_t value = Peek(n);
        Skip(n);
        return value;
    }
    // More than a word of the zeros supplied past the end has been consumed.
    bool Overrun() const { return padding_ - count_ > 32; }

    bool Flush(std::size_t end);

    TMemberIo* io_ = nullptr;
    std::vector<std::uint8_t> input_;
    std::size_t inPos_ = 0, inEnd_ = 0;
    bool inputEnded_ = false;
    std::uint64_t bits_ = 0;
    int count_ = 0;
    int padding_ = 0; // zero bits supplied past the end of the data

    TTable main_, lengths_, widthCodes_;
    // The ranking MakeCode sorts: widths and their symbols, kept from table
    // to table.
    std::vector<std::uint8_t> rankWidths_;
    std::vector<std::uint16_t> rankSymbols_;
    std::uint32_t blockLeft_ = 0;
    std::array<std::uint32_t, 4> recent_{}; // distance values, most recent first

    std::vector<std::uint8_t> window_;
    std::size_t pos_ = 0;       // next write position in the window
    std::size_t flushed_ = 0;   // window position written out so far
    std::uint64_t history_ = 0; // bytes in the dictionary (capped at the window)
};

} // namespace sorvane
