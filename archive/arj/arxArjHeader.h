// The ARJ family's header reader: the main and member headers as the
// directory walk and the ARJ reader both read them, through a byte source.
#pragma once

#include "archive/arxByteSource.h"

#include <cstdint>
#include <string>

namespace sorvane {

inline constexpr std::uint8_t kArjGarbledFlag = 0x01;
inline constexpr std::uint8_t kArjVolumeFlag = 0x04;
inline constexpr std::uint8_t kArjContinuedFlag = 0x08;
inline constexpr std::uint8_t kArjBinaryType = 0;
inline constexpr std::uint8_t kArjTextType = 1;
inline constexpr std::uint8_t kArjFolderType = 3;
inline constexpr std::uint8_t kArjLabelType = 4;
inline constexpr std::uint8_t kArjUnixHost = 2;

// One ARJ header as read at a header offset.
struct TArjHeader {
    std::int64_t Offset = 0;
    std::int64_t DataPos = 0; // after the header CRC and any extended headers
    std::uint8_t ArchiverVersion = 0;
    std::uint8_t MinVersion = 0;
    std::uint8_t Host = 0;
    std::uint8_t Flags = 0;
    std::uint8_t Method = 0;
    std::uint8_t FileType = 0;
    std::uint8_t PasswordModifier = 0;
    std::uint32_t Stamp = 0; // DOS date-time, or Unix seconds on UNIX hosts
    std::int64_t PackedSize = 0;
    std::int64_t UnpackedSize = 0;
    std::uint32_t Crc = 0;
    std::uint16_t AccessMode = 0;
    std::int64_t ResumePosition = -1; // continued parts: where this part starts
    std::string RawName;              // as stored, up to its NUL
    std::string Name;                 // as the reader names it (set by the reader)
};

// What is at a header offset: a header, the archive's end marker (a basic
// header of size 0), or no header (a wrong id, a basic header too short for
// its fields, or one reaching past the source). A basic header longer than
// the 2,600-byte header buffer is read as far as the buffer holds.
enum class TArjHeaderRead : std::uint8_t { Header, EndMarker, Bad };

TArjHeaderRead ReadArjHeader(TArxByteSource& source, std::int64_t offset, TArjHeader& header);

// Whether a member's packed data lies whole in the source; a member whose data
// reaches past it is a bad header to both the walk and the reader: it is not
// listed, and nothing after it is.
bool ArjDataWhole(const TArjHeader& header, const TArxByteSource& source);

} // namespace sorvane
