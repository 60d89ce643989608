// The ZIP family's header reader: the central-directory and local headers as
// the directory walk and the ZIP reader both read them, through a byte source,
// with the one decision on what is a bad header and what is data cut short.
#pragma once

#include "archive/arxByteSource.h"
#include "archive/zip/arxZipCrypt.h"
#include "archive/zip/arxZipNames.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sorvane {

inline constexpr std::uint32_t kZipCentralSignature = 0x02014B50u;
inline constexpr std::uint32_t kZipLocalSignature = 0x04034B50u;
inline constexpr std::uint32_t kZipEndSignature = 0x06054B50u;
inline constexpr std::uint32_t kZip64EndSignature = 0x06064B50u;
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50u;
inline constexpr std::uint32_t kZipDescriptorSignature = 0x08074B50u;

// The general-purpose flag that marks a name stored as UTF-8, the host byte
// of a Unix creator, and the folder bit of the external attributes.
inline constexpr std::uint16_t kZipUtf8NameFlag = 0x0800;
inline constexpr std::uint16_t kZipUnixHost = 3;
inline constexpr std::uint32_t kZipFolderAttr = 0x10;
// The traditional cipher's header before an enciphered member's data, which
// its packed size includes.
inline constexpr auto kZipEncryptionHeader = static_cast<std::int64_t>(kZipCryptHeaderSize);

// The fields that a central and a local header both store of a member, in
// the same layout: from byte 6 of a central header, from byte 4 of a local one.
struct TZipMemberFields {
    std::uint16_t CreatorVersion = 0; // a central header's own field before them;
                                      // a local header's one version
    std::uint16_t ExtractVersion = 0;
    std::uint16_t Flags = 0;
    std::uint16_t Method = 0;
    std::uint32_t DosDate = 0;
    std::uint32_t Crc = 0;
    std::uint32_t Packed32 = 0;
    std::uint32_t Unpacked32 = 0;
    std::int64_t NameLength = 0;
    std::int64_t ExtraLength = 0;
};

// A central-directory header: its 46 fixed bytes, then the name, the extra
// field and the comment.
struct TZipCentralRecord {
    TZipMemberFields Fields;
    std::int64_t CommentLength = 0;
    std::uint16_t DiskStart = 0;
    std::uint16_t InternalAttr = 0;
    std::uint32_t ExternalAttr = 0;
    std::uint32_t LocalOffset32 = 0;
    std::string RawName; // the stored name, up to a NUL
    std::vector<std::uint8_t> Extra;
    TZipExtraInfo Info; // sizes, local offset and disk (ZIP64 applied), UTF-8 name
    std::int64_t CommentPos = 0;
    std::int64_t Next = 0; // where the next central header lies
};

// A local header: its 30 fixed bytes, then the name and the extra field; the
// member's packed data follows.
struct TZipLocalRecord {
    TZipMemberFields Fields;
    std::string RawName;
    std::vector<std::uint8_t> Extra;
    TZipExtraInfo Info; // sizes (ZIP64 applied), UTF-8 name
    std::int64_t DataPos = 0;
};

// Reads the central header at `pos` whose fixed bytes (already read, and
// deciphered where the reader deciphers headers) are `fixed`. False, a bad
// header, when its name, extra field or comment reaches past the source.
bool ReadZipCentralRecord(TArxByteSource& source, std::int64_t pos, const std::uint8_t* fixed,
                          TZipCentralRecord& record);

// Reads the local header at `pos` whose 30 fixed bytes are `fixed`. False, a
// bad header, when its name or extra field reaches past the source.
bool ReadZipLocalRecord(TArxByteSource& source, std::int64_t pos, const std::uint8_t* fixed,
                        TZipLocalRecord& record);

// Whether a local member's packed data lies whole in the source. When not, in
// a split or spanned set the member goes on in the next volume; elsewhere it
// is a bad header to both the walk and the reader: it is not listed, and
// nothing after it is.
bool ZipDataWhole(const TZipLocalRecord& record, const TArxByteSource& source);

// Whether `signature` is one of the directory's end records.
bool IsZipDirectoryEnd(std::uint32_t signature);

} // namespace sorvane
