// The string manager.
#include "catalogue/format/StringManager.h"

#include "platform/Text.h"

#include <atomic>

namespace sorvane {
namespace {

std::uint16_t ComputeClass(char32_t c) {
    std::uint16_t word = 0;
    if (text::IsUpperCase(c)) word |= kClassUpper;
    if (text::IsLowerCase(c)) word |= kClassLower;
    if (c >= 'A' && c <= 'Z') word |= kClassAsciiUpper;
    if (c >= 'a' && c <= 'z') word |= kClassAsciiLower;
    if (c < 0x80 ? (c > 32 && c < 127 && !text::IsLetter(c) && !text::IsDecimalDigit(c))
                 : text::IsPunctuation(c))
        word |= kClassPunctuation;
    const bool digit = c >= '0' && c <= '9';
    if (digit) word |= kClassDigit;
    if (digit || c == '+' || c == '-') word |= kClassSignedDigit;
    const bool numberChar = digit || (c >= 43 && c <= 46);
    if (numberChar) word |= kClassNumberChar;
    if (numberChar || c == 'E' || c == 'e') word |= kClassFloatChar;
    if ((c >= 1 && c <= 47) || (c >= 58 && c <= 64) || (c >= 91 && c <= 95) ||
        (c >= 123 && c <= 126))
        word |= kClassNonAlnumAscii;
    if (c < 32) word |= kClassControl;
    return word;
}

std::size_t StartIndex(std::ptrdiff_t start) {
    return start < 1 ? 0 : static_cast<std::size_t>(start - 1);
}

// True when `c` is one of the characters of Windows-1252.
bool InCodePage(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return true;
    for (unsigned byte = 0x80; byte < 0xA0; ++byte)
        if (text::Windows1252ToCodePoint(static_cast<unsigned char>(byte)) == c) return true;
    return false;
}

std::atomic<bool> tableUpperCase{true};

} // namespace

TStringManager::TStringManager() {
    for (char32_t c = 0; c < asciiClasses_.size(); ++c)
        asciiClasses_[c] = ComputeClass(c);
    for (char32_t c = 0; c < upper_.size(); ++c)
        upper_[c] = c;
    for (unsigned byte = 0; byte < 256; ++byte) {
        const char32_t c = text::Windows1252ToCodePoint(static_cast<unsigned char>(byte));
        const char32_t capital = text::UpperChar(c);
        if (c < upper_.size() && InCodePage(c) && InCodePage(capital)) upper_[c] = capital;
    }
}

std::uint16_t TStringManager::ClassOf(char32_t c) const {
    return c < asciiClasses_.size() ? asciiClasses_[c] : ComputeClass(c);
}

std::string TStringManager::MakeUpper(std::string_view text) const {
    return text::MapChars(text, [this](char32_t c) { return UpperChar(c); });
}

char32_t TStringManager::UpperChar(char32_t c) const {
    return c < upper_.size() ? upper_[c] : c;
}

std::size_t TStringManager::PosFrom(std::string_view pattern, std::string_view text,
                                    std::ptrdiff_t start) const {
    const std::size_t from = StartIndex(start);
    if (pattern.empty() || from >= text.size()) return 0;
    const std::size_t at = text.find(pattern, from);
    return at == std::string_view::npos ? 0 : at + 1;
}

std::size_t TStringManager::CharPosFrom(char c, std::string_view text, std::ptrdiff_t start) const {
    const std::size_t from = StartIndex(start);
    if (from >= text.size()) return 0;
    const std::size_t at = text.find(c, from);
    return at == std::string_view::npos ? 0 : at + 1;
}

std::size_t TStringManager::LastCharPos(char c, std::string_view text) const {
    const std::size_t at = text.rfind(c);
    return at == std::string_view::npos ? 0 : at + 1;
}

std::string TStringManager::PadRight(std::string_view text, std::size_t width, char fill) const {
    std::string out(text);
    const std::size_t count = text::CharCount(text);
    if (count < width) out.append(width - count, fill);
    return out;
}

std::string TStringManager::PadLeft(std::string_view text, std::size_t width, char fill) const {
    const std::size_t count = text::CharCount(text);
    std::string out = count < width ? std::string(width - count, fill) : std::string();
    out.append(text);
    return out;
}

std::string TStringManager::RightStr(std::string_view text, std::size_t n) const {
    return std::string(text::LastChars(text, n));
}

std::string TStringManager::KeepCharsOfClass(std::string_view text, std::uint16_t mask) const {
    std::string out;
    for (std::size_t pos = 0; pos < text.size();) {
        const text::DecodedChar d = text::DecodeAt(text, pos);
        if (ClassOf(d.code) & mask) out.append(text.substr(pos, d.length));
        pos += d.length;
    }
    return out;
}

std::string TStringManager::KeepDigits(std::string_view text) const {
    return KeepCharsOfClass(text, kClassDigit);
}

std::string TStringManager::AddBackslash(std::string_view path) const {
    std::string out(path);
    if (!out.empty() && out.back() != '\\') out.push_back('\\');
    return out;
}

void TStringManager::SplitToken(char separator, std::string& rest, std::string& token,
                                bool skipLeading) const {
    if (skipLeading && !rest.empty() && rest.front() == separator) rest.erase(0, 1);
    const std::size_t at = rest.find(separator);
    if (at == std::string::npos) {
        token = rest;
        rest.clear();
        return;
    }
    token = rest.substr(0, at);
    rest.erase(0, at + 1);
}

const TStringManager& StringManager() {
    static const TStringManager manager;
    return manager;
}

void SetTableUpperCase(bool table) {
    tableUpperCase.store(table, std::memory_order_relaxed);
}

bool TableUpperCase() {
    return tableUpperCase.load(std::memory_order_relaxed);
}

char32_t FoldingUpperChar(char32_t c) {
    if (c < 0x80) return c >= 'a' && c <= 'z' ? c - 32 : c;
    return TableUpperCase() ? StringManager().UpperChar(c) : text::UpperChar(c);
}

} // namespace sorvane
