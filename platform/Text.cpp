// Character-level text services over UTF-8, with utf8proc behind an ASCII fast path.
#include "platform/Text.h"

#include <algorithm>
#include <utf8proc.h>
#include <vector>

namespace sorvane::text {
namespace {

// Windows-1252 code points for bytes 0x80-0x9F; the five unassigned bytes keep
// their C1 control code points.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool IsContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// Length of the valid UTF-8 sequence at `pos`, or 0 when it is not one.
std::size_t ValidSequenceLength(std::string_view s, std::size_t pos, char32_t& code) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(s.data());
    const unsigned char lead = bytes[pos];
    std::size_t length;
    char32_t value;
    char32_t minimum;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (pos + length > s.size()) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if (!IsContinuation(bytes[pos + i])) return 0;
        value = (value << 6) | (bytes[pos + i] & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    code = value;
    return length;
}

int32_t Category(char32_t c) {
    return utf8proc_category(static_cast<utf8proc_int32_t>(c));
}

} // namespace

DecodedChar DecodeAt(std::string_view s, std::size_t pos) {
    char32_t code = 0;
    const std::size_t length = ValidSequenceLength(s, pos, code);
    if (length > 0) return {code, length};
    return {Windows1252ToCodePoint(static_cast<unsigned char>(s[pos])), 1};
}

std::size_t PreviousCharStart(std::string_view s, std::size_t pos) {
    // Back up over at most three continuation bytes, then accept the lead byte
    // only when its sequence really ends at `pos`.
    std::size_t start = pos - 1;
    for (std::size_t back = 1; back <= 3 && back <= pos - 1; ++back) {
        if (!IsContinuation(static_cast<unsigned char>(s[pos - back]))) break;
        const std::size_t candidate = pos - back - 1;
        char32_t code = 0;
        if (ValidSequenceLength(s, candidate, code) == back + 1) return candidate;
    }
    return start;
}

bool IsAscii(std::string_view s) {
    for (char ch : s)
        if (static_cast<unsigned char>(ch) >= 0x80) return false;
    return true;
}

bool IsValidUtf8(std::string_view s) {
    for (std::size_t pos = 0; pos < s.size();) {
        char32_t code = 0;
        const std::size_t length = ValidSequenceLength(s, pos, code);
        if (length == 0) return false;
        pos += length;
    }
    return true;
}

char32_t Windows1252ToCodePoint(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) return kCp1252High[byte - 0x80];
    return byte;
}

std::string Windows1252ToUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size() + s.size() / 2);
    for (char ch : s)
        AppendUtf8(out, Windows1252ToCodePoint(static_cast<unsigned char>(ch)));
    return out;
}

std::string AsUtf8(std::string_view field) {
    if (IsValidUtf8(field)) return std::string(field);
    return Windows1252ToUtf8(field);
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

char32_t UpperChar(char32_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
    // Simple case mapping keeps the sharp s; some utf8proc versions give U+1E9E.
    if (c == U'ß') return c;
    return static_cast<char32_t>(utf8proc_toupper(static_cast<utf8proc_int32_t>(c)));
}

char32_t LowerChar(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    return static_cast<char32_t>(utf8proc_tolower(static_cast<utf8proc_int32_t>(c)));
}

std::string Upper(std::string_view s) {
    return MapChars(s, UpperChar);
}
std::string Lower(std::string_view s) {
    return MapChars(s, LowerChar);
}

bool IsLetter(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    const int32_t cat = Category(c);
    return cat >= UTF8PROC_CATEGORY_LU && cat <= UTF8PROC_CATEGORY_LO;
}

bool IsDecimalDigit(char32_t c) {
    if (c < 0x80) return c >= '0' && c <= '9';
    return Category(c) == UTF8PROC_CATEGORY_ND;
}

bool IsUpperCase(char32_t c) {
    if (c < 0x80) return c >= 'A' && c <= 'Z';
    return Category(c) == UTF8PROC_CATEGORY_LU;
}

bool IsLowerCase(char32_t c) {
    if (c < 0x80) return c >= 'a' && c <= 'z';
    return Category(c) == UTF8PROC_CATEGORY_LL;
}

bool IsPunctuation(char32_t c) {
    const int32_t cat = Category(c);
    return (cat >= UTF8PROC_CATEGORY_PC && cat <= UTF8PROC_CATEGORY_PO) ||
           (cat >= UTF8PROC_CATEGORY_SM && cat <= UTF8PROC_CATEGORY_SO);
}

bool IsCombiningMark(char32_t c) {
    const int32_t cat = Category(c);
    return cat >= UTF8PROC_CATEGORY_MN && cat <= UTF8PROC_CATEGORY_ME;
}

int CombiningClass(char32_t c) {
    if (c < 0x300) return 0;
    return utf8proc_get_property(static_cast<utf8proc_int32_t>(c))->combining_class;
}

void AppendCanonicalDecomposition(std::u32string& out, char32_t c) {
    if (c < 0xC0) {
        out.push_back(c);
        return;
    }
    utf8proc_int32_t parts[8];
    const utf8proc_ssize_t n = utf8proc_decompose_char(static_cast<utf8proc_int32_t>(c), parts, 8,
                                                       UTF8PROC_DECOMPOSE, nullptr);
    if (n <= 0 || n > 8) {
        out.push_back(c); // no canonical decomposition is longer; keep the character
        return;
    }
    for (utf8proc_ssize_t i = 0; i < n; ++i)
        out.push_back(static_cast<char32_t>(parts[i]));
}

bool ComposesWithPrevious(char32_t c) {
    // Every starter that ends a canonical decomposition, found once from the
    // decompositions themselves (none lies above U+2FFFF).
    static const std::vector<bool> seconds = [] {
        std::vector<bool> found(0x30000, false);
        std::u32string parts;
        for (char32_t code = 0xC0; code < 0x30000; ++code) {
            if (code >= 0xD800 && code <= 0xDFFF) continue;
            parts.clear();
            AppendCanonicalDecomposition(parts, code);
            for (std::size_t i = 1; i < parts.size(); ++i)
                if (parts[i] < 0x30000 && CombiningClass(parts[i]) == 0) found[parts[i]] = true;
        }
        return found;
    }();
    return c < 0x30000 && seconds[c];
}

void CanonicalOrder(std::u32string& s) {
    for (std::size_t start = 0; start < s.size();) {
        if (CombiningClass(s[start]) == 0) {
            ++start;
            continue;
        }
        std::size_t end = start + 1;
        while (end < s.size() && CombiningClass(s[end]) != 0)
            ++end;
        if (end - start > 1)
            std::stable_sort(
                s.begin() + static_cast<std::ptrdiff_t>(start),
                s.begin() + static_cast<std::ptrdiff_t>(end),
                [](char32_t a, char32_t b) { return CombiningClass(a) < CombiningClass(b); });
        start = end;
    }
}

void CanonicalCompose(std::u32string& s) {
    if (s.size() < 2) return;
    const utf8proc_ssize_t n =
        utf8proc_normalize_utf32(reinterpret_cast<utf8proc_int32_t*>(s.data()),
                                 static_cast<utf8proc_ssize_t>(s.size()), UTF8PROC_COMPOSE);
    if (n >= 0) s.resize(static_cast<std::size_t>(n));
}

std::string Nfc(std::string_view s) {
    if (IsAscii(s)) return std::string(s);
    const std::string utf8 = AsUtf8(s);
    std::u32string chars;
    for (std::size_t pos = 0; pos < utf8.size();) {
        const DecodedChar d = DecodeAt(utf8, pos);
        AppendCanonicalDecomposition(chars, d.code);
        pos += d.length;
    }
    CanonicalOrder(chars);
    CanonicalCompose(chars);
    std::string out;
    for (char32_t c : chars)
        AppendUtf8(out, c);
    return out;
}

std::size_t CharCount(std::string_view s) {
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < s.size(); pos += DecodeAt(s, pos).length)
        ++count;
    return count;
}

std::size_t DisplayWidth(std::string_view s) {
    std::size_t width = 0;
    for (std::size_t pos = 0; pos < s.size();) {
        const DecodedChar d = DecodeAt(s, pos);
        pos += d.length;
        const unsigned char byte = static_cast<unsigned char>(s[pos - d.length]);
        if (d.length == 1 && byte < 0x80) {
            width += byte >= 0x20 && byte != 0x7F ? 1 : 0;
            continue;
        }
        const int columns = utf8proc_charwidth(static_cast<utf8proc_int32_t>(d.code));
        width += columns > 0 ? static_cast<std::size_t>(columns) : 0;
    }
    return width;
}

std::string_view FirstChars(std::string_view s, std::size_t n) {
    if (s.size() <= n) return s; // no character takes less than a byte
    std::size_t pos = 0;
    for (std::size_t i = 0; i < n && pos < s.size(); ++i)
        pos += DecodeAt(s, pos).length;
    return s.substr(0, pos);
}

std::string_view LastChars(std::string_view s, std::size_t n) {
    std::size_t pos = s.size();
    for (std::size_t i = 0; i < n && pos > 0; ++i)
        pos = PreviousCharStart(s, pos);
    return s.substr(pos);
}

std::string_view FirstBytesWhole(std::string_view s, std::size_t maxBytes) {
    std::size_t pos = 0;
    while (pos < s.size()) {
        const std::size_t next = pos + DecodeAt(s, pos).length;
        if (next > maxBytes) break;
        pos = next;
    }
    return s.substr(0, pos);
}

} // namespace sorvane::text
