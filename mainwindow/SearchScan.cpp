// Candidate scanning and field folding for the search loop.
#include "mainwindow/SearchScan.h"

#include "catalogue/format/StringManager.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <utf8proc.h>

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

constexpr char32_t kComplex = 0xFFFFFFFF;

bool UpperCases(FoldMode mode) {
    return mode == FoldMode::UpperNoAccents || mode == FoldMode::Upper;
}
bool IgnoresAccents(FoldMode mode) {
    return mode == FoldMode::UpperNoAccents || mode == FoldMode::NoAccents;
}

// The general combining diacritics (accents, cedillas, rings, ...): a field
// holding one is folded stretch by stretch, never through the one-character tables.
bool IsDiacritic(char32_t c) {
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) ||
           (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x20D0 && c <= 0x20FF) ||
           (c >= 0xFE20 && c <= 0xFE2F);
}

// Accent removal takes off exactly the acute of a vowel and the diaeresis of a
// u, capital or small; every other mark stays (the n with tilde is a letter of
// its own). Applied to the decomposed text, it treats a composed and a
// decomposed name alike.
bool IsRemovedAccent(char32_t base, char32_t mark) {
    switch (mark) {
    case 0x0301:
        switch (base) {
        case 'A':
        case 'E':
        case 'I':
        case 'O':
        case 'U':
        case 'a':
        case 'e':
        case 'i':
        case 'o':
        case 'u':
            return true;
        default:
            return false;
        }
    case 0x0308:
        return base == 'U' || base == 'u';
    default:
        return false;
    }
}

// The characters of one stretch in the normal form of `mode`: decomposed,
// upper-cased character by character, stripped of the removed accents, and
// composed again.
// The upper-casing of the folds: the string manager's table (`table`) or the
// Unicode upper-casing of every character.
char32_t UpperOf(char32_t c, bool table) {
    return table ? StringManager().UpperChar(c) : text::UpperChar(c);
}

void FoldStretch(const char32_t* chars, std::size_t count, FoldMode mode, bool table,
                 std::u32string& out) {
    out.clear();
    for (std::size_t i = 0; i < count; ++i)
        text::AppendCanonicalDecomposition(out, chars[i]);
    if (UpperCases(mode)) {
        bool changed = false;
        for (char32_t c : out)
            changed = changed || UpperOf(c, table) != c;
        if (changed) {
            std::u32string upper;
            for (char32_t c : out)
                text::AppendCanonicalDecomposition(upper, UpperOf(c, table));
            out.swap(upper);
        }
    }
    text::CanonicalOrder(out);
    if (IgnoresAccents(mode)) {
        char32_t base = 0;
        std::size_t kept = 0;
        for (char32_t c : out) {
            if (text::CombiningClass(c) == 0)
                base = c;
            else if (IsRemovedAccent(base, c))
                continue;
            out[kept++] = c;
        }
        out.resize(kept);
    }
    text::CanonicalCompose(out);
}

// A character before which a text can be cut without changing its normal
// form: a starter that decomposes into a starter and composes with nothing before it.
bool StartsStretch(char32_t c) {
    if (c < 0x300) return true;
    if (text::CombiningClass(c) != 0 || text::ComposesWithPrevious(c)) return false;
    std::u32string parts;
    text::AppendCanonicalDecomposition(parts, c);
    return text::CombiningClass(parts.front()) == 0;
}

// The fold of one character standing alone, or kComplex when its normal form
// depends on its neighbours or is not exactly one character.
char32_t FoldOne(char32_t c, FoldMode mode, bool table) {
    if (c < 0x80) return UpperCases(mode) && c >= 'a' && c <= 'z' ? c - 32 : c;
    const utf8proc_property_t* p = utf8proc_get_property(static_cast<utf8proc_int32_t>(c));
    // (A Hangul syllable composes back into itself.)
    const bool decomposes = p->decomp_seqindex != UINT16_MAX && p->decomp_type == 0;
    if (!decomposes && p->combining_class == 0 && !text::ComposesWithPrevious(c) &&
        !(IgnoresAccents(mode) && IsDiacritic(c))) {
        if (!UpperCases(mode)) return c;
        const char32_t upper = UpperOf(c, table);
        if (upper == c) return c;
    }
    if (!StartsStretch(c)) return kComplex;
    std::u32string folded;
    FoldStretch(&c, 1, mode, table, folded);
    return folded.size() == 1 ? folded.front() : kComplex;
}

constexpr FoldMode kModes[] = {FoldMode::UpperNoAccents, FoldMode::Upper, FoldMode::NoAccents,
                               FoldMode::AsTyped};

// Any fold of the search, followed or not by the upper-casing of the approximate
// matcher, that gives an ASCII character or no character at all (a diacritic
// that vanishes joins the ASCII around it).
bool FoldsIntoAscii(char32_t c) {
    const utf8proc_property_t* p = utf8proc_get_property(static_cast<utf8proc_int32_t>(c));
    const bool decomposes = p->decomp_seqindex != UINT16_MAX && p->decomp_type == 0;
    const char32_t upper = text::UpperChar(c);
    if (!decomposes && !IsDiacritic(c) && upper == c) return false;
    // An accent that vanishes after a vowel joins the ASCII around it.
    if (IsRemovedAccent('a', c) || IsRemovedAccent('u', c)) return true;
    if (upper < 0x80 || text::UpperChar(upper) < 0x80) return true;
    std::u32string folded;
    for (bool table : {false, true}) {
        for (FoldMode mode : kModes) {
            FoldStretch(&c, 1, mode, table, folded);
            if (folded.empty()) return true;
            for (char32_t f : folded)
                if (f < 0x80 || text::UpperChar(f) < 0x80) return true;
        }
    }
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

// The lone folds of every character below U+0800 (the two-byte UTF-8
// sequences), by upper-casing (Unicode, table) and mode; kComplex where
// FoldOne gives it.
struct FoldTables {
    char32_t twoByte[2][4][0x800];
};

const FoldTables& Tables() {
    static const FoldTables tables = [] {
        FoldTables t{};
        for (int table = 0; table < 2; ++table)
            for (int m = 0; m < 4; ++m)
                for (char32_t c = 0; c < 0x800; ++c)
                    t.twoByte[table][m][c] = FoldOne(c, kModes[m], table == 1);
        return t;
    }();
    return tables;
}

// The fold of a field that holds a character whose normal form depends on its
// neighbours: the field is cut into stretches before every character that
// starts one, each stretch is folded whole, and every character it gives
// comes from the stretch's bytes.
std::string_view FoldStretches(std::string_view field, FoldMode mode, bool table,
                               std::string& buffer, FoldMap* map) {
    const bool utf8 = text::IsValidUtf8(field);
    std::u32string chars;
    std::vector<std::uint32_t> offsets;
    for (std::size_t pos = 0; pos < field.size();) {
        offsets.push_back(static_cast<std::uint32_t>(pos));
        if (utf8) {
            const text::DecodedChar d = text::DecodeAt(field, pos);
            chars.push_back(d.code);
            pos += d.length;
        } else {
            chars.push_back(text::Windows1252ToCodePoint(static_cast<unsigned char>(field[pos])));
            ++pos;
        }
    }
    offsets.push_back(static_cast<std::uint32_t>(field.size()));
    std::string out;
    out.reserve(field.size() + 8);
    if (map != nullptr) {
        map->identity = false;
        map->begin.clear();
        map->end.clear();
    }
    std::u32string folded;
    std::size_t lastStretch = 0; // first folded character of the last stretch that gave any
    for (std::size_t start = 0; start < chars.size();) {
        std::size_t end = start + 1;
        while (end < chars.size() && !StartsStretch(chars[end]))
            ++end;
        FoldStretch(chars.data() + start, end - start, mode, table, folded);
        if (map != nullptr) {
            if (folded.empty()) {
                // Nothing left of it: its bytes go with the characters before it.
                for (std::size_t i = lastStretch; i < map->end.size(); ++i)
                    map->end[i] = offsets[end];
            } else {
                lastStretch = map->begin.size();
                // A stretch that vanished at the very start goes with the first characters.
                const std::uint32_t begin = lastStretch == 0 ? 0 : offsets[start];
                for (std::size_t i = 0; i < folded.size(); ++i) {
                    map->begin.push_back(begin);
                    map->end.push_back(offsets[end]);
                }
            }
        }
        for (char32_t c : folded)
            text::AppendUtf8(out, c);
        start = end;
    }
    buffer = std::move(out);
    return buffer;
}

bool EqualNoCase(const unsigned char* text, const char* lower, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (LowerAscii(text[i]) != static_cast<unsigned char>(lower[i])) return false;
    return true;
}

} // namespace

std::string_view FoldField(std::string_view field, FoldMode mode, std::string& buffer,
                           FoldMap* map) {
    if (map != nullptr) map->identity = true;
    const bool upper = UpperCases(mode);
    if (!upper && IsAsciiFast(field)) return field;
    // A character grows at most from one byte (Windows-1252) to three; the
    // buffer only ever grows, so it is not cleared for every field.
    const std::size_t n = field.size();
    if (buffer.size() < 3 * n + 4) buffer.resize(3 * n + 4);
    char* const begin = buffer.data();
    char* out = begin;
    const auto* p = reinterpret_cast<const unsigned char*>(field.data());
    // The upper-casing of the folding routines now (TableUpperCase).
    const bool byTable = TableUpperCase();
    const char32_t* table = Tables().twoByte[byTable ? 1 : 0][static_cast<int>(mode) - 1];
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
                // Not UTF-8: the whole field is read as Windows-1252.
                out = begin;
                for (std::size_t i = 0; i < n; ++i) {
                    const char32_t folded =
                        FoldOne(text::Windows1252ToCodePoint(p[i]), mode, byTable);
                    if (folded == kComplex) return FoldStretches(field, mode, byTable, buffer, map);
                    out = PutUtf8(out, folded);
                }
                return {begin, static_cast<std::size_t>(out - begin)};
            }
            code = FoldOne(d.code, mode, byTable);
            pos += d.length;
        }
        // A character whose normal form depends on its neighbours (a combining
        // mark, a decomposed letter): the field takes the slow way.
        if (code == kComplex) return FoldStretches(field, mode, byTable, buffer, map);
        out = PutUtf8(out, code);
    }
    return {begin, static_cast<std::size_t>(out - begin)};
}

std::string Fold(std::string_view value, FoldMode mode) {
    std::string buffer;
    return std::string(FoldField(value, mode, buffer));
}

void FoldMap::ToStored(std::string_view stored, int& start, int& end) const {
    if (identity || start <= 0 || end < start || static_cast<std::size_t>(end) > this->end.size())
        return;
    start = static_cast<int>(text::CharCount(stored.substr(0, begin[start - 1]))) + 1;
    end = static_cast<int>(text::CharCount(stored.substr(0, this->end[end - 1])));
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
