// Tests of the character services: UTF-8 decoding with its Windows-1252
// fallback, stepping back over characters, encoding, case mapping, character
// classes and the character-counting cuts.
#include "platform/Text.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace sorvane::text {
namespace {

testing::Message CodeText(char32_t c) {
    return testing::Message() << "U+" << std::hex << static_cast<std::uint32_t>(c);
}

TEST(TextDecode, ValidSequencesAndTheWindows1252Fallback) {
    struct Case {
        std::string bytes;
        std::size_t pos;
        char32_t code;
        std::size_t length;
    };
    const std::vector<Case> cases = {
        {"A", 0, U'A', 1},
        {"\x7F", 0, 0x7F, 1},
        {"é", 0, 0xE9, 2},
        {"\xC2\x80", 0, 0x80, 2},      // smallest two-byte sequence
        {"\xE0\xA0\x80", 0, 0x800, 3}, // smallest three-byte sequence
        {"€", 0, 0x20AC, 3},
        {"\xEF\xBF\xBF", 0, 0xFFFF, 3},
        {"😀", 0, 0x1F600, 4},
        {"\xF4\x8F\xBF\xBF", 0, 0x10FFFF, 4}, // the last code point
        {"aé", 1, 0xE9, 2},
        // Not UTF-8: the byte alone, as its Windows-1252 character.
        {"\xE9", 0, 0xE9, 1},
        {"\x80", 0, 0x20AC, 1},
        {"\x9F", 0, 0x178, 1},
        {"\x81", 0, 0x81, 1}, // unassigned in Windows-1252
        {"é", 1, 0xA9, 1},    // a continuation byte on its own
        {"\xC3", 0, 0xC3, 1}, // truncated at the end of the text
        {"\xE2\x82", 0, 0xE2, 1},
        {"\xC3(", 0, 0xC3, 1}, // lead byte without its continuation
        {"\xE2\x82(", 0, 0xE2, 1},
        {"\xC0\x80", 0, 0xC0, 1}, // overlong forms
        {"\xC1\xBF", 0, 0xC1, 1},
        {"\xE0\x9F\xBF", 0, 0xE0, 1},
        {"\xF0\x8F\xBF\xBF", 0, 0xF0, 1},
        {"\xED\xA0\x80", 0, 0xED, 1},     // a surrogate
        {"\xF4\x90\x80\x80", 0, 0xF4, 1}, // beyond U+10FFFF
        {"\xF5\x80\x80\x80", 0, 0xF5, 1},
        {"\xFF", 0, 0xFF, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.bytes << "\" at " << c.pos);
        const DecodedChar d = DecodeAt(c.bytes, c.pos);
        EXPECT_EQ(static_cast<std::uint32_t>(d.code), static_cast<std::uint32_t>(c.code));
        EXPECT_EQ(d.length, c.length);
    }
}

TEST(TextDecode, EveryCodePointSurvivesEncodeAndDecode) {
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        std::string bytes;
        AppendUtf8(bytes, c);
        const std::size_t length = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        ASSERT_EQ(bytes.size(), length) << CodeText(c);
        const DecodedChar d = DecodeAt(bytes, 0);
        ASSERT_EQ(d.code, c) << CodeText(c);
        ASSERT_EQ(d.length, length) << CodeText(c);
        ASSERT_TRUE(IsValidUtf8(bytes)) << CodeText(c);
        ASSERT_EQ(PreviousCharStart(bytes, bytes.size()), 0u) << CodeText(c);
    }
}

TEST(TextDecode, AppendUtf8WritesTheShortestForm) {
    struct Case {
        char32_t code;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {0x41, "A"},
        {0x7F, "\x7F"},
        {0x80, "\xC2\x80"},
        {0x7FF, "\xDF\xBF"},
        {0x800, "\xE0\xA0\x80"},
        {0x20AC, "\xE2\x82\xAC"},
        {0xFFFF, "\xEF\xBF\xBF"},
        {0x10000, "\xF0\x90\x80\x80"},
        {0x10FFFF, "\xF4\x8F\xBF\xBF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(CodeText(c.code));
        std::string out = "x";
        AppendUtf8(out, c.code);
        EXPECT_EQ(out, "x" + c.bytes);
    }
}

TEST(TextDecode, PreviousCharStartStepsBackOneCharacter) {
    struct Case {
        std::string bytes;
        std::size_t pos;
        std::size_t start;
    };
    const std::vector<Case> cases = {
        {"ab", 2, 1},
        {"ab", 1, 0},
        {"aé", 3, 1},
        {"a€", 4, 1},
        {"😀", 4, 0},
        {"é€", 2, 0},
        {"a\xE9", 2, 1},            // Windows-1252 byte: one byte back
        {"a\x80", 2, 1},            // stray continuation byte
        {"\xA9\xA9\xA9\xA9", 4, 3}, // continuation bytes without a lead
        {"é\xA9", 3, 2},            // the lead's sequence ends before pos
        {"\xE2\x82\xAC\xAC", 4, 3},
        {"\xF0\x9F\x98", 3, 2}, // truncated four-byte sequence
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.bytes << "\" before " << c.pos);
        EXPECT_EQ(PreviousCharStart(c.bytes, c.pos), c.start);
    }
}

TEST(TextEncoding, AsciiAndValidity) {
    struct Case {
        std::string bytes;
        bool ascii;
        bool valid;
    };
    const std::vector<Case> cases = {
        {"", true, true},          {"abc", true, true},     {std::string("a\0b", 3), true, true},
        {"\x7F", true, true},      {"é", false, true},      {"😀", false, true},
        {"caf\xE9", false, false}, {"a\xC3", false, false}, {"\xED\xA0\x80", false, false},
        {"é\xE9", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(IsAscii(c.bytes), c.ascii);
        EXPECT_EQ(IsValidUtf8(c.bytes), c.valid);
    }
}

TEST(TextEncoding, Windows1252Characters) {
    // Bytes outside 0x80-0x9F are the Latin-1 code points.
    for (unsigned byte = 0; byte < 256; ++byte) {
        if (byte >= 0x80 && byte <= 0x9F) continue;
        EXPECT_EQ(
            static_cast<std::uint32_t>(Windows1252ToCodePoint(static_cast<unsigned char>(byte))),
            byte);
    }
    struct Case {
        unsigned char byte;
        char32_t code;
    };
    const std::vector<Case> cases = {
        {0x80, 0x20AC},
        {0x82, 0x201A},
        {0x85, 0x2026},
        {0x8A, 0x0160},
        {0x8C, 0x0152},
        {0x8E, 0x017D},
        {0x91, 0x2018},
        {0x93, 0x201C},
        {0x96, 0x2013},
        {0x97, 0x2014},
        {0x99, 0x2122},
        {0x9A, 0x0161},
        {0x9C, 0x0153},
        {0x9E, 0x017E},
        {0x9F, 0x0178},
        // The five unassigned bytes keep their control code points.
        {0x81, 0x81},
        {0x8D, 0x8D},
        {0x8F, 0x8F},
        {0x90, 0x90},
        {0x9D, 0x9D},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << unsigned{c.byte});
        EXPECT_EQ(static_cast<std::uint32_t>(Windows1252ToCodePoint(c.byte)),
                  static_cast<std::uint32_t>(c.code));
    }
}

TEST(TextEncoding, FieldsAsUtf8) {
    struct Case {
        std::string field;
        std::string utf8;
    };
    const std::vector<Case> cases = {
        {"", ""},
        {"plain", "plain"},
        {"café", "café"},
        {"caf\xE9", "café"},
        {"5\x80", "5€"},
        {"\x93hola\x94", "“hola”"},
        // A field that is not valid UTF-8 as a whole is read as Windows-1252 throughout.
        {"é\xE9", "Ã©é"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        EXPECT_EQ(AsUtf8(c.field), c.utf8);
    }
    EXPECT_EQ(Windows1252ToUtf8("caf\xE9"), "café");
    EXPECT_EQ(Windows1252ToUtf8("é"), "Ã©"); // converts even valid UTF-8, byte by byte
}

TEST(TextCase, SimpleCaseMappingOfCharacters) {
    struct Case {
        char32_t c;
        char32_t upper;
        char32_t lower;
    };
    const std::vector<Case> cases = {
        {U'a', U'A', U'a'}, {U'Z', U'Z', U'z'}, {U'1', U'1', U'1'},
        {U'{', U'{', U'{'}, {U'@', U'@', U'@'}, {U'é', U'É', U'é'},
        {U'É', U'É', U'é'}, {U'ñ', U'Ñ', U'ñ'}, {U'ÿ', U'Ÿ', U'ÿ'},
        {U'Ÿ', U'Ÿ', U'ÿ'}, {U'α', U'Α', U'α'}, {U'ǆ', U'Ǆ', U'ǆ'},
        {U'ı', U'I', U'ı'}, {U'İ', U'İ', U'i'}, {U'中', U'中', U'中'},
        {U'ﬁ', U'ﬁ', U'ﬁ'}, // no single-character capital
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(CodeText(c.c));
        EXPECT_EQ(static_cast<std::uint32_t>(UpperChar(c.c)), static_cast<std::uint32_t>(c.upper));
        EXPECT_EQ(static_cast<std::uint32_t>(LowerChar(c.c)), static_cast<std::uint32_t>(c.lower));
    }
}

TEST(TextCase, UpperAndLowerOfTexts) {
    EXPECT_EQ(Upper("Hola Ñandú 42"), "HOLA ÑANDÚ 42");
    EXPECT_EQ(Lower("Hola Ñandú 42"), "hola ñandú 42");
    EXPECT_EQ(Upper("caf\xE9"), "CAFÉ"); // Windows-1252 in, UTF-8 out
    EXPECT_EQ(Lower("CAF\xC9"), "café");
    EXPECT_EQ(Upper(""), "");
    EXPECT_EQ(Upper(std::string("a\0b", 3)), std::string("A\0B", 3));
}

TEST(TextCase, MapCharsReturnsUtf8FromEitherInput) {
    const auto accentE = [](char32_t c) -> char32_t { return c == U'e' ? U'é' : c; };
    EXPECT_EQ(MapChars("hello", accentE), "héllo"); // ASCII in, non-ASCII out
    EXPECT_EQ(MapChars("eñe", accentE), "éñé");
    EXPECT_EQ(MapChars("se\xF1or", accentE), "séñor");
    const auto drop = [](char32_t c) -> char32_t { return c == U'ñ' ? U'n' : c; };
    EXPECT_EQ(MapChars("año", drop), "ano");
}

TEST(TextClasses, LettersDigitsCasesPunctuationAndMarks) {
    struct Case {
        char32_t c;
        bool letter;
        bool digit;
        bool upper;
        bool lower;
        bool punctuation;
        bool mark;
    };
    const std::vector<Case> cases = {
        {U'A', true, false, true, false, false, false},
        {U'a', true, false, false, true, false, false},
        {U'5', false, true, false, false, false, false},
        {U' ', false, false, false, false, false, false},
        {U'!', false, false, false, false, true, false},
        {U'+', false, false, false, false, true, false}, // symbols count as punctuation
        {U'$', false, false, false, false, true, false},
        {U'_', false, false, false, false, true, false},
        {0x7F, false, false, false, false, false, false},
        {U'é', true, false, false, true, false, false},
        {U'É', true, false, true, false, false, false},
        {U'ǅ', true, false, false, false, false, false}, // title case: neither
        {U'中', true, false, false, false, false, false},
        {U'\u0661', false, true, false, false, false, false},
        {U'²', false, false, false, false, false, false},
        {U'¿', false, false, false, false, true, false},
        {U'€', false, false, false, false, true, false},
        {U'\u00A0', false, false, false, false, false, false},
        {U'\u0301', false, false, false, false, false, true},
        {U'\u20DD', false, false, false, false, false, true}, // enclosing mark
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(CodeText(c.c));
        EXPECT_EQ(IsLetter(c.c), c.letter);
        EXPECT_EQ(IsDecimalDigit(c.c), c.digit);
        EXPECT_EQ(IsUpperCase(c.c), c.upper);
        EXPECT_EQ(IsLowerCase(c.c), c.lower);
        EXPECT_EQ(IsPunctuation(c.c), c.punctuation);
        EXPECT_EQ(IsCombiningMark(c.c), c.mark);
    }
}

TEST(TextCuts, CountsAndCutsByCharacter) {
    struct Case {
        std::string text;
        std::size_t n;
        std::size_t count;
        std::string first;
        std::string last;
        std::string firstBytes; // FirstBytesWhole with n as the byte limit
    };
    const std::vector<Case> cases = {
        {"", 2, 0, "", "", ""},
        {"abc", 0, 3, "", "", ""},
        {"abc", 2, 3, "ab", "bc", "ab"},
        {"abc", 10, 3, "abc", "abc", "abc"},
        {"año", 2, 3, "añ", "ño", "a"},
        {"año", 3, 3, "año", "año", "añ"},
        {"€€", 1, 2, "€", "€", ""},
        {"€€", 3, 2, "€€", "€€", "€"},
        {"😀a", 1, 2, "😀", "a", ""},
        {"a😀", 1, 2, "a", "😀", "a"},
        {"a\xF1o", 2, 3, "a\xF1", "\xF1o", "a\xF1"}, // Windows-1252 bytes
        {"\xE2\x82", 1, 2, "\xE2", "\x82", "\xE2"},  // a truncated sequence
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" n " << c.n);
        EXPECT_EQ(CharCount(c.text), c.count);
        EXPECT_EQ(FirstChars(c.text, c.n), c.first);
        EXPECT_EQ(LastChars(c.text, c.n), c.last);
        EXPECT_EQ(FirstBytesWhole(c.text, c.n), c.firstBytes);
    }
}

TEST(TextDisplayWidth, ColumnsOnAFixedWidthDisplay) {
    struct Case {
        std::string text;
        std::size_t width;
    };
    const std::vector<Case> cases = {
        {"", 0},
        {"abc", 3},
        {"caf\u00E9", 4},          // composed
        {"cafe\u0301", 4},         // decomposed: the mark takes no column
        {"\u65E5\u672C\u8A9E", 6}, // wide characters take two
        {"\uFF21", 2},             // a fullwidth letter
        {"a\tb", 2},               // a control takes none
        {"1\u202F234", 5},         // a narrow no-break space takes one
        {"a\xF1o", 3},             // Windows-1252 bytes, one column each
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << '"');
        EXPECT_EQ(DisplayWidth(c.text), c.width);
    }
}

} // namespace
} // namespace sorvane::text
