// The RAR header reader (block format of versions 1.5 to 4): the marker and
// the main header, the file blocks with their high size words, salt, extended
// times and name, and the extent of every other block, as the directory walk
// and the RAR reader both read them, through a byte source.
#pragma once

#include "archive/arxByteSource.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace sorvane {

inline constexpr std::uint8_t kRarFileBlock = 0x74;
inline constexpr std::uint8_t kRarEndBlock = 0x7B;
inline constexpr std::uint16_t kRarSplitBefore = 0x0001;
inline constexpr std::uint16_t kRarSplitAfter = 0x0002;
inline constexpr std::uint16_t kRarEncrypted = 0x0004;
inline constexpr std::uint16_t kRarEndNextVolume = 0x0001; // of the end block
inline constexpr std::uint8_t kRarHostUnix = 3;
inline constexpr std::uint32_t kRarDirectoryAttr = 0x10;

// What lies at the start of an archive: the marker and a main header, bytes
// too few for them, or something else (no RAR 1.5 to 4 archive; a RAR 5
// marker among them).
enum class TRarMainRead : std::uint8_t { Main, CutShort, NotRar };

// The main header: where the first block behind it begins.
struct TRarMainHeader {
    std::int64_t FirstBlock = 0;
};

TRarMainRead ReadRarMainHeader(TArxByteSource& source, std::int64_t pos, TRarMainHeader& main);

// The start of a file block's extended times: the flags word and the bytes
// of the modification time's fraction that follow it, as far as the block
// holds them.
struct TRarTimeArea {
    std::array<std::uint8_t, 5> Bytes{};
    std::int64_t Size = 0;
};

// One block: its head, where its data lie, and for a file block its fields.
struct TRarBlock {
    std::int64_t Offset = 0;
    std::uint8_t Type = 0; // 0: no block head could be read
    std::uint16_t Flags = 0;
    std::int64_t HeaderSize = 0;
    std::int64_t DataSize = 0; // the bytes after the header that belong to the block

    // File blocks.
    std::int64_t Packed = 0, Unpacked = 0; // with their high words
    std::uint8_t HostOs = 0;
    std::uint32_t Crc = 0;
    std::uint32_t DosTime = 0;
    std::uint8_t UnpackVersion = 0;
    std::uint8_t Method = 0;
    std::uint32_t StoredAttributes = 0;
    std::string RawName;               // the whole name field, an OEM name and any Unicode form
    std::optional<TRarTimeArea> Times; // flag 0x1000

    // Where the next block begins.
    std::int64_t Next() const { return Offset + HeaderSize + DataSize; }
    bool SplitBefore() const { return (Flags & kRarSplitBefore) != 0; }
    bool SplitAfter() const { return (Flags & kRarSplitAfter) != 0; }
    bool Encrypted() const { return (Flags & kRarEncrypted) != 0; }
    // The attributes as DOS reads them: a Unix host's mode becomes the
    // folder or the archive attribute, others' are as stored.
    std::uint32_t Attributes() const;
    // A folder by its attributes or by the dictionary bits of its flags.
    bool Folder() const;
    // A Unix host's symbolic link (its target is the member's data).
    bool UnixLink() const;
};

// What lies at a block position:
// - File: a file block, its fields read;
// - Other: a block of another kind, passed over whole (a comment block's
//   data are not its own);
// - End: the end of the blocks: no bytes left, bytes too few for a block
//   head (7 bytes), or a block without a data part (the end-of-archive block
//   among them; Type and Flags are set);
// - Bad: a bad header: a block size below 7, a head cut short by the end of
//   the volume before its fields, or a name outside its block. Both the
//   listing and the extraction stop there and report it.
// A block whose data run past the end of the volume is read (see
// RarDataWhole): it is cut short, not a bad header.
enum class TRarBlockRead : std::uint8_t { File, Other, End, Bad };

TRarBlockRead ReadRarBlock(TArxByteSource& source, std::int64_t pos, TRarBlock& block);

// Whether the block's header and data lie whole in the source. A file block
// that does not is listed as it stands and the archive reported cut short;
// the extraction reports it cut short and writes nothing of it; neither reads
// a block after it.
bool RarDataWhole(const TRarBlock& block, const TArxByteSource& source);

// The stored name: UTF-8 (a Unicode name, or a name flagged Unicode without
// its OEM part), or the OEM name up to its NUL.
struct TRarName {
    std::string Text;
    bool Oem = false;
};
TRarName RarStoredName(const TRarBlock& block);

// The modification time of the extended times as Unix seconds and
// nanoseconds: the DOS time read as local time, its odd second and its
// fraction. Nothing when the block has none, the area is short or the DOS
// time is no date.
std::optional<std::pair<std::int64_t, std::uint32_t>> RarModifiedTime(const TRarBlock& block);

// UTF-16 text as UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const std::u16string& text);

} // namespace sorvane
