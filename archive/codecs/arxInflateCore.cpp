// Deflate/Deflate64 decoding core. Decoded bytes go to one linear buffer that
// holds the window's history followed by room to decode; a match reads from
// the same buffer, so nothing wraps. When the room runs low and the caller
// has taken the bytes, the history slides to the front.
#include "archive/codecs/arxInflateCore.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

namespace sorvane {

namespace {

// Entry layout: bits 0-5 the bits the entry takes in all (its code, then its
// extra bits; for a pair, both codes), 8-11 the bits of its code alone (of the
// first code of a pair; of the sub-table's index for a link), 12 a pair of
// literals, 13 sub-table link, 14 end of block or invalid, 15 literal; bits
// 16-31 the literal (a pair's second in 24-31), the base or the sub-table
// offset. End of block has value 0, an invalid entry value 1.
constexpr std::uint32_t kPair = 0x1000;
constexpr std::uint32_t kSub = 0x2000;
constexpr std::uint32_t kExc = 0x4000;
constexpr std::uint32_t kLit = 0x8000;
constexpr std::uint32_t kTakeMask = 63;
constexpr std::uint32_t kInvalidEntry = kExc | (1u << 16) | (1u << 8) | 1;

constexpr unsigned Takes(std::uint32_t entry) {
    return entry & kTakeMask;
}
constexpr unsigned CodeBits(std::uint32_t entry) {
    return (entry >> 8) & 15;
}
constexpr bool Invalid(std::uint32_t entry) {
    return (entry & kExc) && (entry >> 16) != 0;
}

constexpr std::size_t kRoom = 256 * 1024; // room to decode after the history
constexpr std::size_t kSlack = 16;
constexpr std::size_t kSlideBelow = kRoom / 2;
// The fast loop's bounds for one turn: six bytes of literals, then a match of
// 258 copied in words that may run a word past its end; three refills of
// eight bytes that advance at most seven each.
constexpr std::size_t kFastRoom = 6 + 258 + 16;
constexpr std::ptrdiff_t kFastInput = 32;

constexpr std::uint16_t kLenBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                        15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                        67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLenExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                        2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistBase[32] = {1,    2,    3,    4,     5,     7,     9,     13,
                                         17,   25,   33,   49,    65,    97,    129,   193,
                                         257,  385,  513,  769,   1025,  1537,  2049,  3073,
                                         4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr std::uint8_t kDistExtra[32] = {0, 0, 0, 0, 1, 1, 2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                         7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
constexpr std::uint8_t kCodeOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                         11, 4,  12, 3, 13, 2, 14, 1, 15};

enum class Kind { Code, Length, Distance };

// An entry of `value` whose code is `codeBits` long and followed by `extra` bits.
constexpr std::uint32_t MakeEntry(std::uint32_t value, std::uint32_t flags, unsigned codeBits,
                                  unsigned extra) {
    return (value << 16) | flags | (codeBits << 8) | (codeBits + extra);
}

std::uint32_t SymbolEntry(Kind kind, unsigned symbol, bool deflate64, unsigned codeBits) {
    const std::uint32_t invalid = MakeEntry(1, kExc, codeBits, 0);
    switch (kind) {
    case Kind::Code:
        return MakeEntry(symbol, 0, codeBits, 0);
    case Kind::Length:
        if (symbol < 256) return MakeEntry(symbol, kLit, codeBits, 0);
        if (symbol == 256) return MakeEntry(0, kExc, codeBits, 0);
        if (symbol == 285 && deflate64) return MakeEntry(3, 0, codeBits, 16);
        if (symbol < 286)
            return MakeEntry(kLenBase[symbol - 257], 0, codeBits, kLenExtra[symbol - 257]);
        return invalid;
    case Kind::Distance:
        if (symbol < (deflate64 ? 32u : 30u))
            return MakeEntry(kDistBase[symbol], 0, codeBits, kDistExtra[symbol]);
        return invalid;
    }
    return invalid;
}

unsigned Reverse(unsigned code, unsigned length) {
    unsigned r = 0;
    for (unsigned i = 0; i < length; ++i) {
        r = (r << 1) | (code & 1);
        code >>= 1;
    }
    return r;
}

// Builds a lookup table of 2^root entries plus sub-tables for longer codes.
// Refuses over-subscribed codes and incomplete ones, except a code of one
// symbol of one bit (and an empty code) for lengths and distances; slots no
// code reaches decode as invalid. `table` has room for the worst case:
// 2^root + symbols x 2^(15 - root) entries.
bool BuildTable(Kind kind, const std::uint8_t* lens, unsigned n, std::uint32_t* table,
                unsigned root, bool deflate64) {
    unsigned count[16] = {};
    for (unsigned s = 0; s < n; ++s)
        ++count[lens[s]];
    count[0] = 0;
    unsigned max = 15;
    while (max > 0 && count[max] == 0)
        --max;
    const unsigned rootSize = 1u << root;
    if (max == 0) {
        if (kind == Kind::Code) return false;
        std::fill_n(table, rootSize, kInvalidEntry);
        return true;
    }
    int left = 1;
    for (unsigned len = 1; len <= 15; ++len) {
        left <<= 1;
        left -= static_cast<int>(count[len]);
        if (left < 0) return false;
    }
    if (left > 0 && (kind == Kind::Code || max != 1)) return false;
    if (left > 0) std::fill_n(table, rootSize, kInvalidEntry);

    unsigned offset[16] = {};
    for (unsigned len = 1; len < 15; ++len)
        offset[len + 1] = offset[len] + count[len];
    std::uint16_t sorted[320];
    for (unsigned s = 0; s < n; ++s)
        if (lens[s] != 0) sorted[offset[lens[s]]++] = static_cast<std::uint16_t>(s);

    unsigned remaining[16];
    std::copy(count, count + 16, remaining);
    std::uint32_t* next = table + rootSize;
    std::uint32_t* sub = nullptr;
    unsigned subBits = 0;
    unsigned prefix = ~0u;
    unsigned code = 0;
    unsigned index = 0;
    for (unsigned len = 1; len <= max; ++len) {
        for (unsigned k = 0; k < count[len]; ++k, ++code) {
            const unsigned symbol = sorted[index++];
            const unsigned rev = Reverse(code, len);
            if (len <= root) {
                const std::uint32_t entry = SymbolEntry(kind, symbol, deflate64, len);
                for (unsigned i = rev; i < rootSize; i += 1u << len)
                    table[i] = entry;
            } else {
                if ((rev & (rootSize - 1)) != prefix) {
                    prefix = rev & (rootSize - 1);
                    unsigned curr = len - root;
                    int room = 1 << curr;
                    while (curr + root < max) {
                        room -= static_cast<int>(remaining[curr + root]);
                        if (room <= 0) break;
                        ++curr;
                        room <<= 1;
                    }
                    sub = next;
                    next += 1u << curr;
                    subBits = curr;
                    table[prefix] =
                        (static_cast<std::uint32_t>(sub - table) << 16) | kSub | (curr << 8) | root;
                }
                const unsigned subLen = len - root;
                const std::uint32_t entry = SymbolEntry(kind, symbol, deflate64, subLen);
                for (unsigned i = rev >> root; i < (1u << subBits); i += 1u << subLen)
                    sub[i] = entry;
            }
            --remaining[len];
        }
        code <<= 1;
    }
    return true;
}

// Where a root entry's literal leaves room in the root bits for the whole code
// of a second literal, the entry decodes both at once. Walked downwards, so the
// entry read for the second code (at a lower index) is still a single one.
void PairLiterals(std::uint32_t* table, unsigned root) {
    for (unsigned i = 1u << root; i-- > 0;) {
        const std::uint32_t first = table[i];
        if ((first & (kLit | kSub)) != kLit) continue;
        const unsigned used = Takes(first);
        if (used >= root) continue;
        const std::uint32_t second = table[i >> used];
        if ((second & (kLit | kSub | kPair)) != kLit || Takes(second) > root - used) continue;
        table[i] =
            (first & 0x00FF0F00u) | ((second >> 16) << 24) | kLit | kPair | (used + Takes(second));
    }
}

struct FixedTables {
    std::uint32_t len[TInflateCore::kLenTableSize];
    std::uint32_t dist[TInflateCore::kDistTableSize];
    explicit FixedTables(bool deflate64) {
        std::uint8_t lens[320];
        std::fill(lens, lens + 144, 8);
        std::fill(lens + 144, lens + 256, 9);
        std::fill(lens + 256, lens + 280, 7);
        std::fill(lens + 280, lens + 288, 8);
        BuildTable(Kind::Length, lens, 288, len, TInflateCore::kLenRoot, deflate64);
        PairLiterals(len, TInflateCore::kLenRoot);
        std::fill(lens, lens + 32, 5);
        BuildTable(Kind::Distance, lens, 32, dist, TInflateCore::kDistRoot, deflate64);
    }
};

// Built on first use, one pair per mode, kept for the life of the process.
const FixedTables& Fixed(bool deflate64) {
    static const FixedTables deflate(false);
    static const FixedTables wide(true);
    return deflate64 ? wide : deflate;
}

inline std::uint64_t Load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    return v;
}

inline std::uint64_t Mask(unsigned n) {
    return (std::uint64_t{1} << n) - 1;
}

} // namespace

TInflateCore* TInflateCore::Create(TInflateAlloc alloc, TInflateFree release, void* opaque,
                                   bool deflate64, bool raw, int windowBits) {
    void* memory = alloc(opaque, 1, sizeof(TInflateCore));
    if (memory == nullptr) return nullptr;
    auto* core = new (memory) TInflateCore();
    core->release_ = release;
    core->opaque_ = opaque;
    core->deflate64_ = deflate64;
    core->raw_ = raw;
    core->windowBits_ = static_cast<unsigned>(windowBits);
    core->windowSize_ = std::size_t{1} << windowBits;
    core->capacity_ = core->windowSize_ + kRoom;
    core->window_ = static_cast<std::uint8_t*>(alloc(opaque, 1, core->capacity_ + kSlack));
    if (core->window_ == nullptr) {
        release(opaque, memory);
        return nullptr;
    }
    (void)Fixed(deflate64);
    core->Reset();
    return core;
}

void TInflateCore::Destroy() {
    TInflateFree release = release_;
    void* opaque = opaque_;
    release(opaque, window_);
    this->~TInflateCore();
    release(opaque, this);
}

void TInflateCore::Reset() {
    TotalIn = TotalOut = 0;
    CheckValue = raw_ ? 0 : 1;
    Message = nullptr;
    mode_ = raw_ ? Type : Head;
    last_ = false;
    hold_ = 0;
    bits_ = 0;
    pos_ = flushed_ = 0;
    adler_ = 1;
    in_ = inEnd_ = nullptr;
}

void TInflateCore::Fail(const char* why) {
    Message = why;
    mode_ = Bad;
}

// Makes at least n bits available, taking bytes one at a time.
bool TInflateCore::Pull(unsigned n) {
    while (bits_ < n) {
        if (in_ == inEnd_) return false;
        hold_ |= static_cast<std::uint64_t>(*in_++) << bits_;
        bits_ += 8;
    }
    return true;
}

void TInflateCore::Drop(unsigned n) {
    hold_ >>= n;
    bits_ -= n;
}

// The entry of the next code and its length in bits, without dropping it;
// false when the input ends first.
bool TInflateCore::PeekSymbol(const std::uint32_t* table, unsigned root, std::uint32_t& entry,
                              unsigned& length) {
    for (;;) {
        std::uint32_t e = table[hold_ & Mask(root)];
        unsigned len = CodeBits(e);
        if (e & kSub) {
            e = table[(e >> 16) + ((hold_ >> root) & Mask(CodeBits(e)))];
            len = root + CodeBits(e);
        }
        if (len <= bits_) {
            entry = e;
            length = len;
            return true;
        }
        if (in_ == inEnd_) return false;
        hold_ |= static_cast<std::uint64_t>(*in_++) << bits_;
        bits_ += 8;
    }
}

void TInflateCore::MakeRoom() {
    if (capacity_ - pos_ >= kSlideBelow || pos_ <= windowSize_) return;
    const std::size_t cut = pos_ - windowSize_;
    if (flushed_ < cut) return;
    std::memmove(window_, window_ + cut, windowSize_);
    pos_ -= cut;
    flushed_ -= cut;
}

void TInflateCore::Deliver(std::uint8_t*& out, std::int64_t& availOut) {
    const std::size_t n = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(Pending()), availOut));
    if (n == 0) return;
    std::memcpy(out, window_ + flushed_, n);
    if (!raw_) adler_ = InflateAdler32(adler_, window_ + flushed_, n);
    flushed_ += n;
    out += n;
    availOut -= static_cast<std::int64_t>(n);
    TotalOut += static_cast<std::int64_t>(n);
    if (!raw_) CheckValue = adler_;
}

bool TInflateCore::BuildDynamicTables() {
    if (lens_[256] == 0) {
        Fail("invalid code -- missing end-of-block");
        return false;
    }
    if (!BuildTable(Kind::Length, lens_, nlen_, lenOwn_, kLenRoot, deflate64_)) {
        Fail("invalid literal/lengths set");
        return false;
    }
    PairLiterals(lenOwn_, kLenRoot);
    if (!BuildTable(Kind::Distance, lens_ + nlen_, ndist_, distOwn_, kDistRoot, deflate64_)) {
        Fail("invalid distances set");
        return false;
    }
    lenTable_ = lenOwn_;
    distTable_ = distOwn_;
    return true;
}

// Copies a match of `length` bytes from `dist` back, a word at a time: the
// fast loop leaves room for the last word to run past the match.
[[gnu::always_inline]] static inline void CopyMatchWords(std::uint8_t* out, std::size_t dist,
                                                         std::size_t length) {
    const std::uint8_t* src = out - dist;
    std::uint8_t* const stop = out + length;
    if (dist >= 8) {
        // Whole words, in order, so an overlap of eight or more reads only
        // bytes already written; the last word may run past the match.
        std::memcpy(out, src, 8);
        std::memcpy(out + 8, src + 8, 8);
        std::memcpy(out + 16, src + 16, 8);
        if (length > 24) {
            out += 24;
            src += 24;
            do {
                std::memcpy(out, src, 8);
                out += 8;
                src += 8;
            } while (out < stop);
        }
    } else if (dist == 1) {
        const std::uint64_t v = *src * 0x0101010101010101ull;
        do {
            std::memcpy(out, &v, 8);
            out += 8;
        } while (out < stop);
    } else {
        // A word at a time, moving by the distance: each word holds `dist`
        // right bytes. Once `period` (a multiple of the distance, 8 or
        // more) bytes back are this match's, whole words follow.
        const std::size_t period = dist * ((8 + dist - 1) / dist);
        std::uint8_t* const whole = out + (period - dist);
        do {
            std::memcpy(out, src, 8);
            out += dist;
            src += dist;
        } while (out < whole);
        src = out - period;
        while (out < stop) {
            std::memcpy(out, src, 8);
            out += 8;
            src += 8;
        }
    }
}

// Decodes lengths and literals without checks per byte while the input has
// kFastInput bytes and the buffer kFastRoom. Each turn refills the bit buffer
// to at least 56 bits with one unaligned load, which covers up to three root
// entries of literals (11 bits each at most), or a length and a distance with
// their extra bits (48 bits at most; Deflate64 refills between the two).
void TInflateCore::FastLoop() {
    const std::uint8_t* in = in_;
    const std::uint8_t* const fastStart = in;
    const std::uint8_t* const inLimit = inEnd_ - kFastInput;
    std::uint8_t* const base = window_;
    std::uint8_t* out = window_ + pos_;
    std::uint8_t* const end = window_ + capacity_;
    std::uint8_t* const outLimit = end - kFastRoom;
    std::uint64_t hold = hold_ & Mask(bits_);
    unsigned bits = bits_;
    const std::uint32_t* const lt = lenTable_;
    const std::uint32_t* const dt = distTable_;
    const std::uint64_t lmask = Mask(kLenRoot);
    const std::uint64_t dmask = Mask(kDistRoot);
    const bool wide = deflate64_;
    const std::size_t wsize = windowSize_;

    const auto refill = [&] {
        hold |= Load64(in) << bits;
        in += (63 - bits) >> 3;
        bits |= 56;
    };
    const auto take = [&](std::uint32_t e) {
        hold >>= Takes(e);
        bits -= Takes(e);
    };
    // One literal or a pair: both bytes are stored, the pointer moves by one or two.
    const auto put = [&](std::uint32_t e) {
        out[0] = static_cast<std::uint8_t>(e >> 16);
        out[1] = static_cast<std::uint8_t>(e >> 24);
        out += 1 + ((e & kPair) != 0);
        take(e);
    };

    while (in <= inLimit && out <= outLimit) {
        refill();
        std::uint32_t e = lt[hold & lmask];
        if (e & kLit) {
            put(e);
            e = lt[hold & lmask];
            if (e & kLit) {
                put(e);
                e = lt[hold & lmask];
                if (e & kLit) {
                    put(e);
                    continue;
                }
            }
            // At most 22 bits went on literals: the root bits of `e` stay as they are.
            refill();
        }
        if (e & kSub) {
            hold >>= kLenRoot;
            bits -= kLenRoot;
            e = lt[(e >> 16) + (hold & Mask(CodeBits(e)))];
            if (e & kLit) {
                *out++ = static_cast<std::uint8_t>(e >> 16);
                take(e);
                continue;
            }
        }
        if (e & kExc) {
            if (Invalid(e)) {
                Fail("invalid literal/length code");
            } else {
                take(e);
                mode_ = Type;
            }
            break;
        }
        std::uint64_t saved = hold;
        take(e);
        const std::size_t length =
            (e >> 16) + static_cast<std::size_t>((saved & Mask(Takes(e))) >> CodeBits(e));
        if (wide && bits < 29) refill();
        e = dt[hold & dmask];
        if (e & kSub) {
            hold >>= kDistRoot;
            bits -= kDistRoot;
            e = dt[(e >> 16) + (hold & Mask(CodeBits(e)))];
        }
        if (e & kExc) {
            Fail("invalid distance code");
            break;
        }
        saved = hold;
        take(e);
        const std::size_t dist =
            (e >> 16) + static_cast<std::size_t>((saved & Mask(Takes(e))) >> CodeBits(e));
        if (dist > static_cast<std::size_t>(out - base) || dist > wsize) {
            Fail("invalid distance too far back");
            break;
        }
        if (length + 16 > static_cast<std::size_t>(end - out)) {
            // A Deflate64 match longer than the fast room: finished step by step.
            length_ = static_cast<unsigned>(length);
            distance_ = static_cast<unsigned>(dist);
            mode_ = Match;
            break;
        }
        CopyMatchWords(out, dist, length);
        out += length;
    }
    // Whole bytes still in the bit buffer go back to the input.
    const unsigned back = std::min<unsigned>(bits >> 3, static_cast<unsigned>(in - fastStart));
    in -= back;
    bits -= back * 8;
    hold &= Mask(bits);
    in_ = in;
    hold_ = hold;
    bits_ = bits;
    pos_ = static_cast<std::size_t>(out - base);
}

// The zlib header: its check, method and window size.
[[gnu::always_inline]] inline TInflateCore::Step TInflateCore::ReadZlibHeader() {
    if (!Pull(16)) return NeedInput;
    const unsigned cmf = hold_ & 0xFF;
    const unsigned flg = (hold_ >> 8) & 0xFF;
    if (((cmf << 8) | flg) % 31 != 0) {
        Fail("incorrect header check");
        return Stopped;
    }
    if ((cmf & 15) != 8) {
        Fail("unknown compression method");
        return Stopped;
    }
    if ((cmf >> 4) + 8 > windowBits_ || (cmf >> 4) + 8 > 15) {
        Fail("invalid window size");
        return Stopped;
    }
    Drop(16);
    mode_ = (flg & 0x20) ? DictId : Type;
    return Next;
}

// A preset dictionary's id; the caller must supply the dictionary.
[[gnu::always_inline]] inline TInflateCore::Step TInflateCore::ReadDictionaryId() {
    if (!Pull(32)) return NeedInput;
    const auto v = static_cast<std::uint32_t>(hold_ & 0xFFFFFFFFu);
    Drop(32);
    CheckValue = __builtin_bswap32(v);
    mode_ = Dict;
    return Stopped;
}

// The next block's header, or the trailer after the last block.
[[gnu::always_inline]] inline TInflateCore::Step TInflateCore::ReadBlockType() {
    if (last_) {
        mode_ = raw_ ? Done : Check;
        return Next;
    }
    if (!Pull(3)) return NeedInput;
    last_ = (hold_ & 1) != 0;
    const unsigned type = (hold_ >> 1) & 3;
    Drop(3);
    if (type == 0) {
        Drop(bits_ & 7);
        mode_ = Stored;
    } else if (type == 1) {
        lenTable_ = Fixed(deflate64_).len;
        distTable_ = Fixed(deflate64_).dist;
        mode_ = Len;
    } else if (type == 2) {
        mode_ = Table;
    } else {
        Fail("invalid block type");
        return Stopped;
    }
    return Next;
}

// A stored block's length and its complement.
[[gnu::always_inline]] inline TInflateCore::Step TInflateCore::ReadStoredLengths() {
    if (!Pull(32)) return NeedInput;
    const unsigned len = hold_ & 0xFFFF;
    const unsigned nlen = (hold_ >> 16) & 0xFFFF;
    if (len != (nlen ^ 0xFFFF)) {
        Fail("invalid stored block lengths");
        return Stopped;
    }
    Drop(32);
    length_ = len;
    mode_ = Copy;
    return Next;
}

// A stored block's bytes: from the bit buffer first, then straight from the
// input.
[[gnu::always_inline]] inline TInflateCore::Step TInflateCore::CopyStoredBytes() {
    MakeRoom();
    while (length_ > 0 && bits_ >= 8 && pos_ < capacity_) {
        window_[pos_++] = static_cast<std::uint8_t>(hold_);
        Drop(8);
        --length_;
    }
    if (length_ > 0) {
        const std::size_t n = std::min<std::size_t>(
            {length_, static_cast<std::size_t>(inEnd_ - in_), capacity_ - pos_});
        std::memcpy(window_ + pos_, in_, n);
        pos_ += n;
        in_ += n;
        length_ -= static_cast<unsigned>(n);
    }
    if (length_ == 0) {
        mode_ = Type;
        return Next;
    }
    if (pos_ == capacity_) return RoomFull;
    return NeedInput;
}

// The counts of a dynamic block's codes.
[[gnu::always_inline]] inline TInflateCore::Step TInflateCore::ReadTableCounts() {
    if (!Pull(14)) return NeedInput;
    nlen_ = (hold_ & 31) + 257;
    ndist_ = ((hold_ >> 5) & 31) + 1;
    ncode_ = ((hold_ >> 10) & 15) + 4;
    Drop(14);
    if (!deflate64_ && (nlen_ > 286 || ndist_ > 30)) {
        Fail("too many length or distance symbols");
        return Stopped;
    }
    have_ = 0;
    mode_ = LenLens;
    return Next;
}

// The code lengths of the code-length code.
[[gnu::always_inline]] inline TInflateCore::Step TInflateCore::ReadCodeLengthCodes() {
    while (have_ < ncode_) {
        if (!Pull(3)) return NeedInput;
        lens_[kCodeOrder[have_++]] = hold_ & 7;
        Drop(3);
    }
    while (have_ < 19)
        lens_[kCodeOrder[have_++]] = 0;
    if (!BuildTable(Kind::Code, lens_, 19, codeTable_, kCodeRoot, false)) {
        Fail("invalid code lengths set");
        return Stopped;
    }
    have_ = 0;
    mode_ = CodeLens;
    return Next;
}

// The literal/length and distance code lengths, with their repeats.
[[gnu::always_inline]] inline TInflateCore::Step TInflateCore::ReadCodeLengths() {
    const unsigned total = nlen_ + ndist_;
    while (have_ < total) {
        std::uint32_t e;
        unsigned len;
        if (!PeekSymbol(codeTable_, kCodeRoot, e, len)) return NeedInput;
        const unsigned symbol = e >> 16;
        if (symbol < 16) {
            Drop(len);
            lens_[have_++] = static_cast<std::uint8_t>(symbol);
            continue;
        }
        const unsigned extraBits = symbol == 16 ? 2 : symbol == 17 ? 3 : 7;
        if (!Pull(len + extraBits)) return NeedInput;
        Drop(len);
        unsigned copy = (symbol == 16 ? 3 : symbol == 17 ? 3 : 11) + (hold_ & Mask(extraBits));
        Drop(extraBits);
        std::uint8_t value = 0;
        if (symbol == 16) {
            if (have_ == 0) {
                Fail("invalid bit length repeat");
                return Stopped;
            }
            value = lens_[have_ - 1];
        }
        if (have_ + copy > total) {
            Fail("invalid bit length repeat");
            return Stopped;
        }
        while (copy-- > 0)
            lens_[have_++] = value;
    }
    if (!BuildDynamicTables()) return Stopped;
    mode_ = Len;
    return Next;
}

// A literal or a length; the fast loop while input and room allow.
[[gnu::always_inline]] inline TInflateCore::Step TInflateCore::DecodeLength() {
    MakeRoom();
    if (inEnd_ - in_ >= kFastInput && capacity_ - pos_ >= kFastRoom) {
        FastLoop();
        if (mode_ != Len) return Next;
        if (inEnd_ - in_ >= kFastInput && capacity_ - pos_ >= kFastRoom) return Next;
    }
    // Short of room only: once the caller has the bytes, the history
    // slides and the fast loop goes on.
    if (pos_ == capacity_ || (inEnd_ - in_ >= kFastInput && Pending() > 0)) return RoomFull;
    std::uint32_t e;
    unsigned len;
    if (!PeekSymbol(lenTable_, kLenRoot, e, len)) return NeedInput;
    Drop(len);
    if (e & kLit) {
        window_[pos_++] = static_cast<std::uint8_t>(e >> 16);
        return Next;
    }
    if (e & kExc) {
        if (Invalid(e)) {
            Fail("invalid literal/length code");
            return Stopped;
        }
        mode_ = Type;
        return Next;
    }
    length_ = e >> 16;
    extra_ = Takes(e) - CodeBits(e);
    mode_ = LenExt;
    return Next;
}

// A length's extra bits.
[[gnu::always_inline]] inline TInflateCore::Step TInflateCore::ReadLengthExtra() {
    if (!Pull(extra_)) return NeedInput;
    length_ += static_cast<unsigned>(hold_ & Mask(extra_));
    Drop(extra_);
    mode_ = Dist;
    return Next;
}

// A distance code.
[[gnu::always_inline]] inline TInflateCore::Step TInflateCore::DecodeDistance() {
    std::uint32_t e;
    unsigned len;
    if (!PeekSymbol(distTable_, kDistRoot, e, len)) return NeedInput;
    Drop(len);
    if (e & kExc) {
        Fail("invalid distance code");
        return Stopped;
    }
    distance_ = e >> 16;
    extra_ = Takes(e) - CodeBits(e);
    mode_ = DistExt;
    return Next;
}

// A distance's extra bits, checked against the history.
[[gnu::always_inline]] inline TInflateCore::Step TInflateCore::ReadDistanceExtra() {
    if (!Pull(extra_)) return NeedInput;
    distance_ += static_cast<unsigned>(hold_ & Mask(extra_));
    Drop(extra_);
    if (distance_ > pos_ || distance_ > windowSize_) {
        Fail("invalid distance too far back");
        return Stopped;
    }
    mode_ = Match;
    return Next;
}

// A match's bytes, as far as the room allows.
[[gnu::always_inline]] inline TInflateCore::Step TInflateCore::CopyMatch() {
    MakeRoom();
    const std::size_t n = std::min<std::size_t>(length_, capacity_ - pos_);
    std::uint8_t* out = window_ + pos_;
    const std::uint8_t* src = out - distance_;
    for (std::size_t i = 0; i < n; ++i)
        out[i] = src[i];
    pos_ += n;
    length_ -= static_cast<unsigned>(n);
    if (length_ > 0) return RoomFull;
    mode_ = Len;
    return Next;
}

// The Adler-32 trailer of a zlib stream.
[[gnu::always_inline]] inline TInflateCore::Step TInflateCore::ReadAdlerCheck() {
    if (Pending() > 0) return RoomFull;
    Drop(bits_ & 7);
    if (!Pull(32)) return NeedInput;
    expected_ = __builtin_bswap32(static_cast<std::uint32_t>(hold_ & 0xFFFFFFFFu));
    Drop(32);
    if (expected_ != adler_) {
        Fail("incorrect data check");
        return Stopped;
    }
    mode_ = Done;
    return Next;
}

// One state of the decoder a turn, until a state asks for input or room, or
// the stream stops.
TInflateCore::Step TInflateCore::Decode() {
    for (;;) {
        Step step = Stopped;
        switch (mode_) {
        case Head:
            step = ReadZlibHeader();
            break;
        case DictId:
            step = ReadDictionaryId();
            break;
        case Type:
            step = ReadBlockType();
            break;
        case Stored:
            step = ReadStoredLengths();
            break;
        case Copy:
            step = CopyStoredBytes();
            break;
        case Table:
            step = ReadTableCounts();
            break;
        case LenLens:
            step = ReadCodeLengthCodes();
            break;
        case CodeLens:
            step = ReadCodeLengths();
            break;
        case Len:
            step = DecodeLength();
            break;
        case LenExt:
            step = ReadLengthExtra();
            break;
        case Dist:
            step = DecodeDistance();
            break;
        case DistExt:
            step = ReadDistanceExtra();
            break;
        case Match:
            step = CopyMatch();
            break;
        case Check:
            step = ReadAdlerCheck();
            break;
        case Dict:
        case Done:
        case Bad:
            return Stopped;
        }
        if (step != Next) return step;
    }
}

int TInflateCore::Run(const std::uint8_t*& in, std::int64_t& availIn, std::uint8_t*& out,
                      std::int64_t& availOut, int flush) {
    if (mode_ == Dict) return kInflateStreamError;
    if (in == nullptr && availIn > 0) return kInflateStreamError;
    in_ = in;
    inEnd_ = in + std::max<std::int64_t>(availIn, 0);
    const std::int64_t inBefore = TotalIn;
    const std::int64_t outBefore = TotalOut;
    int rc = kInflateOk;
    for (;;) {
        Deliver(out, availOut);
        if (Pending() > 0) break; // the caller's room is full
        if (mode_ == Done) {
            rc = kInflateStreamEnd;
            break;
        }
        if (mode_ == Bad) {
            rc = kInflateDataError;
            break;
        }
        const std::uint8_t* const before = in_;
        const Step step = Decode();
        TotalIn += in_ - before;
        if (mode_ == Dict) {
            rc = kInflateNeedDict;
            break;
        }
        if (step == NeedInput) {
            Deliver(out, availOut);
            break;
        }
    }
    if (mode_ == Bad && Pending() == 0) rc = kInflateDataError;
    availIn = inEnd_ - in_;
    in = in_;
    if (rc == kInflateOk && flush == kInflateFinish && TotalIn == inBefore && TotalOut == outBefore)
        rc = kInflateBufError;
    return rc;
}

} // namespace sorvane
