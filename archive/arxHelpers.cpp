// Path, name, number and stream-text helpers of the archive readers.
#include "archive/arxHelpers.h"

#include "platform/Directory.h"
#include "platform/OemText.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace sorvane {
namespace {

bool IsBlankOrControl(unsigned char c) {
    return c <= 0x20;
}

bool IsLeadByte(unsigned char c) {
    return (c >= 0x80 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFD);
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    std::size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

// Rounds half to even, as the readers' percentages always have.
// The quotient rounded to the nearest integer, held within the 64-bit range
// (sizes from archive headers can make it any size; converting an
// out-of-range value would be undefined).
std::int64_t RoundedQuotient(long double numerator, long double denominator) {
    const long double value = std::nearbyint(numerator / denominator);
    constexpr long double kLimit = 9.0e18L;
    if (!(value < kLimit)) return static_cast<std::int64_t>(kLimit);
    if (!(value > -kLimit)) return -static_cast<std::int64_t>(kLimit);
    return static_cast<std::int64_t>(value);
}

} // namespace

std::string AppendSlash(std::string_view path) {
    std::string out(path);
    if (!out.empty() && out.back() != '\\') out.push_back('\\');
    return out;
}

std::string RemoveSlash(std::string_view path) {
    if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    return std::string(path);
}

std::string JoinPath(std::string_view dir, std::string_view name) {
    if (dir.empty()) return {};
    std::string out(dir);
    if (out.back() != '\\') out.push_back('\\');
    out.append(name);
    return out;
}

std::string SlashToBackslash(std::string_view name) {
    std::string out(name);
    for (char& c : out)
        if (c == '/') c = '\\';
    return out;
}

std::string NormalizeStoredPath(std::string_view name, bool leadBytes) {
    std::string out(name);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (leadBytes && IsLeadByte(c)) {
            ++i; // the trail byte stays as it is
        } else if (c == '/' || c == 0xFF) {
            out[i] = '\\';
        }
    }
    std::size_t begin = 0, end = out.size();
    while (begin < end && IsBlankOrControl(static_cast<unsigned char>(out[begin])))
        ++begin;
    while (end > begin && IsBlankOrControl(static_cast<unsigned char>(out[end - 1])))
        --end;
    return out.substr(begin, end - begin);
}

std::string OemToAnsiName(std::string_view name, bool translate) {
    return translate ? SlashToBackslash(oem::Cp437ToUtf8(name)) : SlashToBackslash(name);
}

std::string StoredNameToAnsi(std::string_view name, TNameHost host, bool translate) {
    if (!translate) return SlashToBackslash(name);
    if (!text::IsAscii(name) && text::IsValidUtf8(name)) return SlashToBackslash(name);
    if (host != TNameHost::Dos) return SlashToBackslash(text::Windows1252ToUtf8(name));
    return OemToAnsiName(name, true);
}

std::string AnsiToOemName(std::string_view name, bool translate) {
    return translate ? oem::Utf8ToCp437(name) : std::string(name);
}

std::uint8_t StemLength(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return static_cast<std::uint8_t>(dot == std::string_view::npos ? name.size() : dot);
}

std::string ExtractDirPart(std::string_view path) {
    if (path.size() == 3 && path.find(':') != std::string_view::npos) return std::string(path);
    const std::size_t sep = path.find_last_of("\\/:");
    if (sep == std::string_view::npos) return {};
    if (sep == 2 && path[2] == '\\' && path[1] == ':') return std::string(path.substr(0, 3));
    return std::string(path.substr(0, sep));
}

void SplitFirst(std::string& text, std::string_view separator, std::string& head) {
    const std::size_t at = separator.empty() ? std::string::npos : text.find(separator);
    if (at == std::string::npos) {
        head = text;
        text.clear();
        return;
    }
    head = text.substr(0, at);
    text.erase(0, at + separator.size());
}

bool IsUncPath(std::string_view path) {
    return path.size() > 2 && path.starts_with("\\\\");
}

bool FolderExists(const std::string& path) {
    return !path.empty() && IsDirectory(path);
}

bool FileExistsFind(const std::string& pattern) {
    if (pattern.find_first_of("*?") == std::string::npos)
        return !pattern.empty() && FileExists(pattern);
    const std::size_t sep = pattern.find_last_of("/\\");
    const std::string folder =
        sep == std::string::npos ? "." : pattern.substr(0, sep == 0 ? 1 : sep);
    const std::string_view mask = sep == std::string::npos
                                      ? std::string_view(pattern)
                                      : std::string_view(pattern).substr(sep + 1);
    if (folder.find_first_of("*?") != std::string::npos || !IsDirectory(folder)) return false;
    for (const DirectoryEntry& entry : ListDirectory(folder))
        if (WildcardMatch(mask, entry.name)) return true;
    return false;
}

std::string ReadNulString(const ArxReadAt& read, std::uint64_t& pos) {
    char buffer[256] = {};
    read(pos, buffer, sizeof buffer);
    std::size_t length = 0;
    while (length < sizeof buffer && buffer[length] != '\0')
        ++length;
    pos += length + 1;
    return std::string(buffer, length);
}

std::string ReadFixedText(const ArxReadAt& read, std::uint64_t& pos, std::uint8_t length) {
    std::string out(length, '\0');
    if (length > 0) read(pos, out.data(), length);
    pos += length;
    return out;
}

std::string ReadCountedText(const ArxReadNext& read, std::uint8_t length) {
    std::string out(length, '\0');
    if (length > 0) read(out.data(), length);
    return out;
}

bool ReadNulText(const ArxReadBytesAt& read, std::int64_t& pos, std::int64_t limit,
                 std::string& text) {
    constexpr std::int64_t kChunk = 4096;
    std::array<char, kChunk> bytes{};
    text.clear();
    for (std::int64_t at = pos;;) {
        const std::int64_t got = read(at, bytes.data(), kChunk);
        if (got <= 0) return false;
        const auto* nul =
            static_cast<const char*>(std::memchr(bytes.data(), 0, static_cast<std::size_t>(got)));
        const std::int64_t length = nul == nullptr ? got : nul - bytes.data();
        const std::int64_t room = limit - static_cast<std::int64_t>(text.size());
        text.append(bytes.data(),
                    static_cast<std::size_t>(std::clamp<std::int64_t>(length, 0, room)));
        at += length;
        if (nul != nullptr) {
            pos = at + 1;
            return true;
        }
    }
}

std::uint8_t Percent(std::int64_t total, std::int64_t part) {
    if (total == 0) return 0;
    const std::int64_t value =
        RoundedQuotient(static_cast<long double>(part) * 100, static_cast<long double>(total));
    if (value < 0) return 0;
    return static_cast<std::uint8_t>(value > 100 ? 100 : value);
}

int Ratio(std::int64_t total, std::int64_t part) {
    if (total <= 0 || part >= total) return 0;
    return static_cast<int>(
        RoundedQuotient((static_cast<long double>(total) - static_cast<long double>(part)) * 100,
                        static_cast<long double>(total)));
}

bool IsGzipMagic(std::uint16_t value) {
    return value == 0x1E1F || value == 0x8B1F || value == 0x9D1F || value == 0x9E1F ||
           value == 0xA01F;
}

std::uint32_t SwapWords(std::uint32_t value) {
    return (value << 16) | (value >> 16);
}

std::uint64_t OctalToInt(std::string_view text) {
    std::uint64_t value = 0;
    for (const char c : text)
        if (c >= '0' && c <= '7') value = value * 8 + static_cast<std::uint64_t>(c - '0');
    return value;
}

std::u16string DecodeRarUnicodeName(std::string_view ansiName, std::string_view encoded,
                                    std::size_t maxLength) {
    std::u16string out;
    if (maxLength == 0 || encoded.empty()) return out;
    auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(encoded[i]); };
    auto ansiAt = [&](std::size_t j) {
        return j < ansiName.size() ? static_cast<unsigned char>(ansiName[j]) : 0u;
    };
    const unsigned highByte = byteAt(0);
    std::size_t pos = 1;
    unsigned flags = 0;
    int flagBits = 0;
    while (pos < encoded.size() && out.size() < maxLength) {
        if (flagBits == 0) {
            flags = byteAt(pos++);
            flagBits = 8;
            if (pos >= encoded.size()) break;
        }
        const unsigned kind = (flags >> 6) & 3;
        flags = (flags << 2) & 0xFF;
        flagBits -= 2;
        switch (kind) {
        case 0:
            out.push_back(static_cast<char16_t>(byteAt(pos++)));
            break;
        case 1:
            out.push_back(static_cast<char16_t>(byteAt(pos++) | (highByte << 8)));
            break;
        case 2:
            if (pos + 1 >= encoded.size()) {
                pos = encoded.size();
                break;
            }
            out.push_back(static_cast<char16_t>(byteAt(pos) | (byteAt(pos + 1) << 8)));
            pos += 2;
            break;
        default: {
            const unsigned length = byteAt(pos++);
            if (length & 0x80) {
                if (pos >= encoded.size()) break;
                const unsigned correction = byteAt(pos++);
                for (unsigned n = (length & 0x7F) + 2; n > 0 && out.size() < maxLength; --n)
                    out.push_back(static_cast<char16_t>(((ansiAt(out.size()) + correction) & 0xFF) |
                                                        (highByte << 8)));
            } else {
                for (unsigned n = length + 2; n > 0 && out.size() < maxLength; --n)
                    out.push_back(static_cast<char16_t>(ansiAt(out.size())));
            }
            break;
        }
        }
    }
    if (out.size() >= maxLength) out.resize(maxLength - 1);
    return out;
}

std::u16string ConvertRarUnicodeName(std::string_view name, std::size_t size) {
    if (size > name.size()) size = name.size();
    name = name.substr(0, size);
    const std::size_t nul = name.find('\0');
    const std::string_view ansi = name.substr(0, nul);
    const std::string_view encoded =
        nul == std::string_view::npos ? std::string_view{} : name.substr(nul + 1);
    std::size_t maxLength = size == 0 ? 0 : size - 1;
    if (maxLength > 512) maxLength = 512;
    return DecodeRarUnicodeName(ansi, encoded, maxLength);
}

std::u16string ConvertRarUnicodeName(std::string_view name) {
    return ConvertRarUnicodeName(name, name.size());
}

} // namespace sorvane
