// Candidate scanning and field folding for the search loop.
#include "mainwindow/SearchScan.h"

#include "catalogue/format/PathText.h"

#include "platform/Text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sorvane {
namespace {

constexpr std::size_t kNone = std::string_view::npos;


constexpr std::array<unsigned char, 256> MakeUpperTable() {
    std::array<unsigned char, 256> table{};
    for (unsigned i = 0; i < 256; ++i)
        table[i] = static_cast<unsigned char>(i >= 'a' && i <= 'z' ? i - 32 : i);
    return table;
}
constexpr std::array<unsigned char, 256> kUpper = MakeUpperTable();

inline unsigned char LowerAscii(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}

bool IsAsciiFast(std::string_view s) {
    const char* p = s.data();
    std::size_t n = s.size();
    std::uint64_t any = 0;
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        any |= word;
    }
    for (; n > 0; ++p, --n)
        any |= static_cast<unsigned char>(*p);
    return (any & 0x8080808080808080ULL) == 0;
}

// Any fold of the search, followed or not by the upper-casing of the approximate
// matcher, that gives an ASCII character.
bool FoldsIntoAscii(char32_t c) {
    const auto U = [](char32_t x) { return text::UpperChar(x); };
    const auto W = [](char32_t x) { return WithoutAccent(x); };
    for (const char32_t folded : {U(c), W(c), W(U(c)), U(W(c)), U(W(U(c))), U(U(c))})
        if (folded < 0x80) return true;
    return false;
}

unsigned char Utf8LeadByte(char32_t c) {
    if (c < 0x800) return static_cast<unsigned char>(0xC0 | (c >> 6));
    if (c < 0x10000) return static_cast<unsigned char>(0xE0 | (c >> 12));
    return static_cast<unsigned char>(0xF0 | (c >> 18));
}

struct MarkedBytes {
    std::array<bool, 256> marked{};
    unsigned char lowest = 0xFF;
};

// Built once from the case mapping itself, so a newer Unicode table that maps
// more characters into ASCII is covered without a change here.
MarkedBytes BuildMarkedBytes() {
    MarkedBytes bytes;
    const auto mark = [&](unsigned char b) {
        bytes.marked[b] = true;
        if (b < bytes.lowest) bytes.lowest = b;
    };
    for (char32_t c = 0x80; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        if (FoldsIntoAscii(c)) mark(Utf8LeadByte(c));
    }
    for (unsigned b = 0x80; b <= 0xFF; ++b)
        if (FoldsIntoAscii(text::Windows1252ToCodePoint(static_cast<unsigned char>(b))))
            mark(static_cast<unsigned char>(b));
    return bytes;
}

const MarkedBytes& Marked() {
    static const MarkedBytes bytes = BuildMarkedBytes();
    return bytes;
}

// A character in the normal form of `mode`.
char32_t FoldChar(char32_t c, FoldMode mode) {
    switch (mode) {
    case FoldMode::UpperNoAccents:
        return WithoutAccent(text::UpperChar(c));
    case FoldMode::Upper:
        return text::UpperChar(c);
    case FoldMode::NoAccents:
        return WithoutAccent(c);
    case FoldMode::AsTyped:
        break;
    }
    return c;
}

// Writes the UTF-8 form of a character; returns the end of what was written.
inline char* PutUtf8(char* out, char32_t code) {
    if (code < 0x80) {
        *out++ = static_cast<char>(code);
    } else if (code < 0x800) {
        *out++ = static_cast<char>(0xC0 | (code >> 6));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (code >> 12));
        *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (code >> 18));
        *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

// The folds of every character below U+0800 (the two-byte UTF-8 sequences), by mode.
struct FoldTables {
    char32_t twoByte[4][0x800];
};

const FoldTables& Tables() {
    static const FoldTables tables = [] {
        FoldTables t{};
        const FoldMode modes[] = {FoldMode::UpperNoAccents, FoldMode::Upper, FoldMode::NoAccents,
                                  FoldMode::AsTyped};
        for (int m = 0; m < 4; ++m)
            for (char32_t c = 0; c < 0x800; ++c)
                t.twoByte[m][c] = FoldChar(c, modes[m]);
        return t;
    }();
    return tables;
}

bool EqualNoCase(const unsigned char* text, const char* lower, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (LowerAscii(text[i]) != static_cast<unsigned char>(lower[i])) return false;
    return true;
}

} // namespace

std::string_view FoldField(std::string_view field, FoldMode mode, std::string& buffer) {
    const bool upper = mode == FoldMode::UpperNoAccents || mode == FoldMode::Upper;
    if (!upper && IsAsciiFast(field)) return field;
    if (mode == FoldMode::AsTyped && text::IsValidUtf8(field)) return field;
    // A character grows at most from one byte (Windows-1252) to three; the
    // buffer only ever grows, so it is not cleared for every field.
    const std::size_t n = field.size();
    if (buffer.size() < 3 * n + 4) buffer.resize(3 * n + 4);
    char* const begin = buffer.data();
    char* out = begin;
    const auto* p = reinterpret_cast<const unsigned char*>(field.data());
    const char32_t* table = Tables().twoByte[static_cast<int>(mode) - 1];
    for (std::size_t pos = 0; pos < n;) {
        const unsigned char byte = p[pos];
        if (byte < 0x80) {
            *out++ = static_cast<char>(upper ? kUpper[byte] : byte);
            ++pos;
            continue;
        }
        char32_t code;
        if (byte >= 0xC2 && byte <= 0xDF && pos + 1 < n && (p[pos + 1] & 0xC0) == 0x80) {
            // Two-byte characters, the Latin letters among them, through a table.
            code = table[((byte & 0x1Fu) << 6) | (p[pos + 1] & 0x3Fu)];
            pos += 2;
        } else {
            const text::DecodedChar d = text::DecodeAt(field, pos);
            if (d.length == 1) {
                // Not UTF-8: the whole field is read as Windows-1252, as Fold does.
                out = begin;
                for (std::size_t i = 0; i < n; ++i)
                    out = PutUtf8(out, FoldChar(text::Windows1252ToCodePoint(p[i]), mode));
                return {begin, static_cast<std::size_t>(out - begin)};
            }
            code = FoldChar(d.code, mode);
            pos += d.length;
        }
        out = PutUtf8(out, code);
    }
    return {begin, static_cast<std::size_t>(out - begin)};
}

std::size_t CountByte(std::string_view text, char byte) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t count = 0;
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(byte);
    const __m128i zero = _mm_setzero_si128();
    while (i + 16 <= n) {
        // Byte counters take at most 255 rounds before they are summed up.
        __m128i counters = zero;
        for (int round = 0; round < 255 && i + 16 <= n; ++round, i += 16)
            counters = _mm_sub_epi8(
                counters,
                _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), wanted));
        const __m128i sums = _mm_sad_epu8(counters, zero);
        count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
                 static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
    }
#endif
    for (; i < n; ++i)
        count += p[i] == static_cast<unsigned char>(byte);
    return count;
}

bool MayFoldIntoAscii(unsigned char byte) {
    return Marked().marked[byte];
}

std::string_view LongestAsciiRun(std::string_view text) {
    std::string_view best;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) continue;
        if (i - start > best.size()) best = text.substr(start, i - start);
        start = i + 1;
    }
    return best;
}

CandidateScan::CandidateScan(const std::vector<std::string>& needles) {
    if (needles.empty() || needles.size() > kMaxNeedles) return;
    for (const std::string& n : needles) {
        if (n.empty() || !IsAsciiFast(n)) {
            needles_.clear();
            return;
        }
        Needle needle;
        needle.lower.resize(n.size());
        for (std::size_t i = 0; i < n.size(); ++i)
            needle.lower[i] = static_cast<char>(LowerAscii(static_cast<unsigned char>(n[i])));
        needle.first = static_cast<unsigned char>(needle.lower.front());
        needle.last = static_cast<unsigned char>(needle.lower.back());
        const auto letterMask = [](unsigned char c) -> unsigned char {
            return c >= 'a' && c <= 'z' ? 0x20 : 0;
        };
        needle.firstMask = letterMask(needle.first);
        needle.lastMask = letterMask(needle.last);
        needles_.push_back(std::move(needle));
    }
    Marked(); // build the table now rather than in the middle of a run
}

// Compares the needle's first and last characters at 16 positions at once and
// checks the inner characters only where both agree. OR-ing 0x20 lowers an
// ASCII capital; it is applied only where the needle has a letter, and no other
// byte ORs into a lower-case letter, so no position is missed or falsely kept.
std::size_t CandidateScan::FindNeedle(std::string_view text, std::size_t from,
                                      const Needle& needle) {
    const std::size_t m = needle.lower.size();
    const std::size_t n = text.size();
    if (from >= n || n - from < m) return kNone;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i first = _mm_set1_epi8(static_cast<char>(needle.first));
    const __m128i last = _mm_set1_epi8(static_cast<char>(needle.last));
    const __m128i firstMask = _mm_set1_epi8(static_cast<char>(needle.firstMask));
    const __m128i lastMask = _mm_set1_epi8(static_cast<char>(needle.lastMask));
    for (; i + m + 15 <= n; i += 16) {
        const __m128i a =
            _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), firstMask);
        const __m128i b = _mm_or_si128(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + m - 1)), lastMask);
        unsigned mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
        while (mask != 0) {
            const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
            if (m <= 2 || EqualNoCase(p + at + 1, needle.lower.data() + 1, m - 2)) return at;
            mask &= mask - 1;
        }
    }
#endif
    for (; i + m <= n; ++i) {
        if (LowerAscii(p[i]) != needle.first) continue;
        if (EqualNoCase(p + i + 1, needle.lower.data() + 1, m - 1)) return i;
    }
    return kNone;
}

std::size_t CandidateScan::FindMarked(std::string_view text, std::size_t from) {
    const MarkedBytes& table = Marked();
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = from;
#if defined(__SSE2__)
    // Every marked byte is at least `lowest`; compare against it 16 bytes at a time.
    const __m128i lowest = _mm_set1_epi8(static_cast<char>(table.lowest));
    for (; i + 16 <= n; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        unsigned mask =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(x, lowest), x)));
        while (mask != 0) {
            const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
            if (table.marked[p[at]]) return at;
            mask &= mask - 1;
        }
    }
#endif
    for (; i < n; ++i)
        if (table.marked[p[i]]) return i;
    return kNone;
}

std::size_t CandidateScan::Next(std::string_view text, std::size_t from) const {
    std::size_t best = FindMarked(text, from);
    for (const Needle& needle : needles_) {
        // Only starts before the best so far matter.
        const std::size_t limit =
            best == kNone ? text.size() : std::min(text.size(), best + needle.lower.size() - 1);
        const std::size_t at = FindNeedle(text.substr(0, limit), from, needle);
        if (at != kNone) best = at;
    }
    return best;
}

CandidateCursor::CandidateCursor(const CandidateScan& scan, std::string_view text)
    : scan_(scan), text_(text) {
    for (std::size_t& f : found_)
        f = kUnknown;
}

std::size_t CandidateCursor::Next(std::size_t from) {
    const std::size_t count = scan_.needles_.size();
    std::size_t best = kNone;
    for (std::size_t k = 0; k <= count; ++k) {
        std::size_t& f = found_[k];
        if (f == kUnknown || (f != kNone && f < from))
            f = k < count ? CandidateScan::FindNeedle(text_, from, scan_.needles_[k])
                          : CandidateScan::FindMarked(text_, from);
        if (f < best) best = f;
    }
    return best;
}

} // namespace sorvane
