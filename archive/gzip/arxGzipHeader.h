// The gzip header reader: a gzip member's header (magic, method, flags,
// time, the extra field, the stored name and the comment) as the directory
// walk and the gzip reader both read it, through a byte source.
#pragma once

#include "archive/arxByteSource.h"

#include <cstdint>
#include <string>

namespace sorvane {

inline constexpr std::uint16_t kGzipMagic = 0x8B1F;
inline constexpr std::uint16_t kGzipOldMagic = 0x9E1F;
// The other members of the family, which keep no header fields: .Z, pack
// and LZH-compressed files.
inline constexpr std::uint16_t kCompressMagic = 0x9D1F;
inline constexpr std::uint16_t kPackMagic = 0x1E1F;
inline constexpr std::uint16_t kLzhMagic = 0xA01F;
inline constexpr std::uint8_t kGzipDeflated = 8; // the one gzip method
// An extra flag: the data is not text (no line ends are translated).
inline constexpr std::uint8_t kGzipExtraFlagNoText = 0x02;
inline constexpr std::int64_t kGzipHeaderSize = 10;
inline constexpr std::int64_t kGzipTrailerSize = 8; // CRC-32, then the original size
inline constexpr std::uint8_t kGzipFlagText = 0x01;
inline constexpr std::uint8_t kGzipFlagMultiPart = 0x02;
inline constexpr std::uint8_t kGzipFlagExtra = 0x04;
inline constexpr std::uint8_t kGzipFlagName = 0x08;
inline constexpr std::uint8_t kGzipFlagComment = 0x10;
inline constexpr std::uint8_t kGzipFlagEncrypted = 0x20;
inline constexpr std::int64_t kGzipMaxStoredName = 255;

struct TGzipHeader {
    std::uint16_t Magic = 0;
    std::uint8_t Method = 0;
    std::uint8_t Flags = 0;
    std::uint8_t ExtraFlags = 0;
    std::uint32_t MTime = 0;
    std::int64_t ExtraLength = 0; // the extra field's bytes after its length
    bool HasName = false;
    std::string Name; // its first 255 bytes, as stored
    std::int64_t DataPos = 0;
};

// The fields of the kGzipHeaderSize fixed bytes at `h` (the magic, method,
// flags, time and extra flags; the other magics of the family keep their own
// bytes there, read through the same fields).
inline void ParseGzipFixed(const std::uint8_t* h, TGzipHeader& header) {
    header.Magic = GetLe16(h);
    header.Method = h[2];
    header.Flags = h[3];
    header.MTime = GetLe32(h + 4);
    header.ExtraFlags = h[8];
}

// Reads the gzip member header at `pos`, skipping the extra field, the name
// and the comment whatever their length; false, a bad header, when the file
// ends inside it.
bool ReadGzipHeader(TArxByteSource& source, std::int64_t pos, TGzipHeader& header);

} // namespace sorvane
