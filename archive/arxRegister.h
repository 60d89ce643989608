// TRegisterArxon, the root of the archive component family: the archive's
// name and kind, and the detection that runs whenever a file is assigned
// (signatures, self-extracting stubs, uuencoded and tar headers, the ZIP
// directory, spanned disks and the volume number of the extension).
#pragma once

#include "archive/arxStream.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace sorvane {

// The archive kinds, in their stored order.
enum TArcType : std::uint8_t {
    atNA,
    atUnsupported,
    atFileOpenErr,
    atUnknown,
    atAce,
    atAceExe,
    atArc,
    atArcExe,
    atArj,
    atArjExe,
    atBh,
    atBhExe,
    atCab,
    atCabExe,
    atGZip,
    atHA,
    atJar,
    atJarExe,
    atLha,
    atLhaExe,
    atLzh,
    atLzhExe,
    atMsGZ,
    atPak,
    atPakExe,
    atRar,
    atRarExe,
    atTar,
    atTarGZip,
    atUUE,
    atZip,
    atZipExe,
    atZipDS,
    atZipMV,
    atZoo,
};
inline constexpr int kArcTypeCount = 35;

// Display names, blank-padded to 10 characters (the first to 11).
extern const std::array<const char*, kArcTypeCount> kArcTypeNames;
std::string_view ArcTypeName(TArcType type);

// The kinds that mean "no archive detected".
bool IsFailureKind(int type);
// The plain and self-extracting ZIP and JAR kinds.
bool IsZipKind(int type);

// The archive extensions the library publishes for callers.
extern const std::array<std::u16string_view, 24> ArchiveExtensions;

// ZIP header kinds for ClassifyZipSignature.
inline constexpr int kZipLocalKind = 0;
inline constexpr int kZipCentralKind = 1;
inline constexpr int kZipEndKind = 2;
inline constexpr int kZipNoKind = 5;

// ZipHeaderFlags bits.
inline constexpr std::uint8_t kZipLocalFound = 1;
inline constexpr std::uint8_t kZipCentralFound = 2;
inline constexpr std::uint8_t kZipEndFound = 4;
inline constexpr std::uint8_t kZip64LocatorFound = 8;
inline constexpr std::uint8_t kZip64EndFound = 16;

inline constexpr std::size_t kZipLocalHeaderSize = 30;
inline constexpr std::size_t kZipCentralHeaderSize = 46;
inline constexpr std::size_t kZipEndRecordSize = 22;
inline constexpr std::size_t kZipEndRecordVariantSize = 26;
inline constexpr std::size_t kZip64LocatorSize = 20;
inline constexpr std::size_t kZip64EndRecordSize = 56;

// 1980-01-01 00:01:00 as a DOS date-time, for a date that cannot be converted.
inline constexpr std::uint32_t kArxNoValidDosDate = 0x00210020u;

class TRegisterArxon {
public:
    static constexpr int kMinZipCmntBufSize = 2000;
    static constexpr int kMaxZipCmntBufSize = 32767;

    TRegisterArxon();
    TRegisterArxon(const TRegisterArxon&) = delete;
    TRegisterArxon& operator=(const TRegisterArxon&) = delete;
    virtual ~TRegisterArxon() = default;

    virtual std::string GetArchiveFile() const { return ArchiveFile; }
    // Names the archive (a native path) and detects its kind. A name that is no
    // regular file gives atNA and an empty ArchiveFile. A volume extension whose
    // trailing digits are no number gives VolumeNumber as for no digits.
    virtual void SetArchiveFile(const std::string& value);
    // Detects the kind of the file already named again; `value` is not stored.
    // A file that cannot be opened gives atFileOpenErr.
    virtual void SetArcType(TArcType value);

    // The detection proper over an open stream; sets every detection field.
    TArcType DetectArcType(TArxBaseStream& stream);
    // The position of the ZIP central directory (see the .cpp), 0 when the file
    // has no end record, -1 when neither a directory nor a local header is found.
    std::int64_t LocateZipDirectory(TArxBaseStream& stream);

    // kind when `value` (the first four bytes, little-endian) is one of that
    // kind's signatures, else kZipNoKind; `encrypted` tells an enciphered header.
    static int ClassifyZipSignature(std::uint32_t value, int kind, bool& encrypted);
    static bool IsZipHeaderSignature(std::uint32_t value);
    // Bytes deciphered behind the signature of an enciphered header.
    static int HeaderCipherLength(const std::uint8_t* header, int kind);
    // The keys of enciphered headers are not known here: such a header is
    // unreadable, and this gives false and changes nothing.
    static bool DecipherHeader(std::uint8_t* header, int kind);
    // Opens `fileName` for reading; ArchiveSize := its size (0 when unknown).
    bool OpenArchiveHandle(int& handle, const std::string& fileName);

    int ZipCmntBufSize() const { return zipCmntBufSize_; }
    // Clamped to 2000..32767.
    void SetZipCmntBufSize(int value);

    std::string ArchiveFile;
    TArcType ArcType = atNA;
    std::int64_t ArchiveSize = 0;
    std::int64_t StartOffset = 0;
    std::int64_t ZipCommentOffset = 0;
    std::int32_t ZipOffsetShift = 0;
    std::uint32_t ArchiveDate = 0;
    std::int32_t VolumeNumber = 0;
    std::int32_t* VolumeNumberRef = &VolumeNumber;
    char VolumeLetter = 0;
    std::uint8_t ZipHeaderFlags = 0;

    std::array<std::uint8_t, kZipLocalHeaderSize> LocalHeader{};
    std::array<std::uint8_t, kZipCentralHeaderSize> CentralHeader{};
    // 22 bytes; the 26-byte variant record is kept whole.
    std::array<std::uint8_t, kZipEndRecordVariantSize> EndOfCentralDir{};
    std::array<std::uint8_t, kZip64LocatorSize> Zip64Locator{};
    std::array<std::uint8_t, kZip64EndRecordSize> Zip64EndOfCentralDir{};
    std::array<std::uint8_t, 512> TarHeader{};

protected:
    // The kind of a ZIP that starts with a spanned-set marker: atZipDS on a
    // removable disk labelled "PKBACK#", atZipMV elsewhere, atNA when the
    // drive cannot be read.
    virtual TArcType SpannedDiskKind();
    void DetectVolumeNumber();

private:
    enum class Where { AtStart, InsideExe };

    TArcType DetectExecutable(TArxBaseStream& stream, const std::uint8_t* head,
                              std::int64_t headSize);
    TArcType DetectFixedSfxOffsets(TArxBaseStream& stream);
    TArcType DetectResourceOffsets(TArxBaseStream& stream);
    TArcType DetectAppendedData(TArxBaseStream& stream, const std::uint8_t* head,
                                std::int64_t headSize);
    TArcType DetectOther(TArxBaseStream& stream, const std::uint8_t* head, std::int64_t headSize);
    TArcType ClassifySignature(TArxBaseStream& stream, Where where, const std::uint8_t* bytes);
    TArcType ScanForSignatures(TArxBaseStream& stream, std::int64_t from);
    TArcType ScanBlock(TArxBaseStream& stream, const std::uint8_t* block, std::int64_t blockSize,
                       std::int64_t blockStart, std::int64_t from, bool& dropBlock);
    bool IsUuencoded(TArxBaseStream& stream);
    bool IsTar(TArxBaseStream& stream);
    bool FindCentralHeader(TArxBaseStream& stream, std::int64_t candidate, std::int64_t stated);
    std::int64_t ScanForLocalHeader(TArxBaseStream& stream, std::int64_t blockSize);

    int zipCmntBufSize_ = 0;
};

} // namespace sorvane
