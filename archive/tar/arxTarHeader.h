// The layout of a tar header block as the directory walk and the tar reader
// both read it: the fields' places and lengths, the type letters that are
// records about the next member, and the name with its ustar prefix.
#pragma once

#include "archive/arxHelpers.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace sorvane {

inline constexpr std::int64_t kTarBlock = 512;

inline constexpr std::size_t kTarNameOffset = 0;
inline constexpr std::size_t kTarNameLength = 100;
inline constexpr std::size_t kTarModeOffset = 100;
inline constexpr std::size_t kTarModeLength = 8;
inline constexpr std::size_t kTarSizeOffset = 124;
inline constexpr std::size_t kTarSizeLength = 12;
inline constexpr std::size_t kTarTimeOffset = 136;
inline constexpr std::size_t kTarTimeLength = 12;
inline constexpr std::size_t kTarTypeOffset = 156;
inline constexpr std::size_t kTarLinkOffset = 157;
inline constexpr std::size_t kTarLinkLength = 100;
inline constexpr std::size_t kTarMagicOffset = 257;
inline constexpr std::size_t kTarPrefixOffset = 345;
inline constexpr std::size_t kTarPrefixLength = 155;

inline constexpr char kTarGnuLongName = 'L';
inline constexpr char kTarGnuLongLink = 'K';
inline constexpr char kTarPaxHeader = 'x';
inline constexpr char kTarDirectory = '5';
// Long-name and pax records larger than this are skipped, not read.
inline constexpr std::uint64_t kTarMaxNameRecord = 1 << 20;

// A text field: its bytes up to the first NUL or its end.
inline std::string TarFieldText(const std::uint8_t* field, std::size_t length) {
    const auto* text = reinterpret_cast<const char*>(field);
    return std::string(text, strnlen(text, length));
}

inline char TarType(const std::uint8_t* header) {
    return static_cast<char>(header[kTarTypeOffset]);
}

// The name fields of a header: the name cut at its 100 bytes, behind the
// ustar prefix when the magic is POSIX "ustar" NUL (GNU headers, "ustar  ",
// use those bytes for other fields).
inline std::string TarHeaderName(const std::uint8_t* header) {
    const std::string name = TarFieldText(header + kTarNameOffset, kTarNameLength);
    const bool posix = std::memcmp(header + kTarMagicOffset, "ustar", 6) == 0;
    const std::string prefix =
        posix ? TarFieldText(header + kTarPrefixOffset, kTarPrefixLength) : "";
    return prefix.empty() ? name : prefix + "/" + name;
}

// The modification time field, octal seconds.
inline std::uint64_t TarTimeField(const std::uint8_t* header) {
    return OctalToInt(TarFieldText(header + kTarTimeOffset, kTarTimeLength));
}

// The mode field, octal.
inline std::uint64_t TarModeField(const std::uint8_t* header) {
    return OctalToInt(TarFieldText(header + kTarModeOffset, kTarModeLength));
}

} // namespace sorvane
