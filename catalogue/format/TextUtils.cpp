// Shared text routines.
#include "catalogue/format/TextUtils.h"

#include "catalogue/format/FormatError.h"
#include "catalogue/format/StringManager.h"
#include "platform/Locale.h"
#include "platform/Text.h"

#include <charconv>
#include <cstring>

namespace sorvane {

std::string PadRightToWidth(std::string_view text, std::size_t width) {
    std::string out(text::FirstBytesWhole(text, width));
    out.append(width - out.size(), ' ');
    return out;
}

std::string PadLeftToWidth(std::string_view text, std::size_t width) {
    if (text.size() >= width) return std::string(text.substr(0, width));
    std::string out(width - text.size(), ' ');
    out.append(text);
    return out;
}

std::string ReplaceChar(std::string_view text, char oldChar, char newChar) {
    std::string out(text);
    for (char& c : out)
        if (c == oldChar) c = newChar;
    return out;
}

std::string RemoveChars(std::string_view text, std::string_view set) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (set.find(c) == std::string_view::npos) out.push_back(c);
    return out;
}

std::string UpperCaseSpanish(std::string_view text) {
    return text::MapChars(text, [](char32_t c) -> char32_t {
        if (c >= 'a' && c <= 'z') return c - 32;
        switch (c) {
        case U'ñ':
            return U'Ñ';
        case U'á':
            return U'Á';
        case U'é':
            return U'É';
        case U'í':
            return U'Í';
        case U'ó':
            return U'Ó';
        case U'ú':
            return U'Ú';
        case U'ü':
            return U'Ü';
        default:
            return c;
        }
    });
}

std::string CapitalizeFirst(std::string_view text) {
    if (text.empty()) throw EInternalError("CapitalizeFirst(): empty text");
    const std::string utf8 = text::AsUtf8(text);
    const text::DecodedChar first = text::DecodeAt(utf8, 0);
    std::string out;
    text::AppendUtf8(out, StringManager().UpperChar(first.code));
    out.append(utf8, first.length);
    return out;
}

std::string FormatThousands(std::int64_t value) {
    return FormatThousands(value, ThousandsSeparator());
}

std::string FormatThousands(std::int64_t value, std::string_view separator) {
    const bool negative = value < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, magnitude).ptr;
    const std::size_t count = static_cast<std::size_t>(end - digits);
    std::string out = negative ? "-" : "";
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0 && (count - i) % 3 == 0) out.append(separator);
        out.push_back(digits[i]);
    }
    return out;
}

bool IsWordChar(char32_t c) {
    if (c < 0x80) return (c >= '0' && c <= ';') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    return text::IsLetter(c) || text::IsDecimalDigit(c) || text::IsCombiningMark(c);
}

bool IsWholeWord(std::string_view text, std::size_t start, std::size_t stop) {
    if (start > 1 && start - 1 <= text.size()) {
        const std::size_t before = text::PreviousCharStart(text, start - 1);
        if (IsWordChar(text::DecodeAt(text, before).code)) return false;
    }
    if (stop >= text.size()) return true;
    return !IsWordChar(text::DecodeAt(text, stop).code);
}

std::int64_t DurationToSeconds(std::string_view text) {
    std::int64_t parts[3];
    std::size_t count = 0;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t colon = text.find(':', begin);
        const std::string_view part = text.substr(begin, colon - begin);
        if (count == 3 || part.empty() || part.size() > 9) throw EConvertError("");
        std::int64_t value = 0;
        for (char c : part) {
            if (c < '0' || c > '9') throw EConvertError("");
            value = value * 10 + (c - '0');
        }
        parts[count++] = value;
        if (colon == std::string_view::npos) break;
        begin = colon + 1;
    }
    if (count == 2) return parts[0] * 60 + parts[1];
    if (count == 3) return parts[0] * 3600 + parts[1] * 60 + parts[2];
    throw EConvertError("");
}

std::int64_t ParseInteger(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t last = text.find_last_not_of(' ');
    std::string_view digits =
        first == std::string_view::npos ? std::string_view() : text.substr(first, last - first + 1);
    // from_chars takes no "+"; drop it, but not so that "+-1" would pass as -1.
    const bool plus = !digits.empty() && digits.front() == '+';
    if (plus) digits.remove_prefix(1);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || (plus && digits.front() == '-') || error != std::errc() ||
        end != digits.data() + digits.size())
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return value;
}

void Parte2ToInteger(char separator, std::string_view text, int& first, int& second) {
    const std::size_t at = text.find(separator);
    if (at == std::string_view::npos) throw EConvertError("Parte2ToInteger(): separator not found");
    const auto toInt = [](std::string_view part) {
        const std::int64_t value = ParseInteger(part);
        if (value < INT32_MIN || value > INT32_MAX)
            throw EConvertError("'" + std::string(part) + "' is not a valid integer value");
        return static_cast<int>(value);
    };
    first = toInt(text.substr(0, at));
    second = toInt(text.substr(at + 1));
}

void StringToRecord(std::string_view text, void* record, std::size_t size) {
    if (text.size() != size) throw EInternalError("StringToRecord: " + InternalErrorWord());
    if (size > 0) std::memcpy(record, text.data(), size);
}

std::size_t LastCharPosition(char c, std::string_view text) {
    const std::size_t at = text.rfind(c);
    return at == std::string_view::npos ? 0 : at + 1;
}

std::string_view ExtractFolderPath(std::string_view path) {
    const std::size_t at = path.rfind('\\');
    return at == std::string_view::npos ? std::string_view() : path.substr(0, at + 1);
}

} // namespace sorvane
