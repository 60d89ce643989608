// TUnZip, the ZIP reader: extracts or tests the members of ZIP archives,
// self-extracting ZIP files, split sets of separate files and sets spanned
// over removable disks, through the extraction base. TUnJar is the same
// reader for JAR archives.
#pragma once

#include "archive/arxByteSource.h"
#include "archive/arxHeaderList.h"
#include "archive/arxSpan.h"
#include "archive/arxUnBase.h"
#include "archive/codecs/arxInflate64.h"
#include "archive/zip/arxZipHeader.h"
#include "archive/zip/arxZipNames.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sorvane {

class TUnZip : public TUnBase {
public:
    TUnZip();

    void ExtractFiles(std::unique_ptr<TArxBaseStream>& InStream, int Arg) override;
    // The traditional-encryption header test with the member's flags, CRC and time.
    bool CheckPassword(std::uint8_t* Header12) override;

    TDiskSpannObj DiskSpann;

    // The member header in use, from the central entry (or the local header
    // in a local-only run).
    struct TZipHeader {
        std::uint16_t Flags = 0;
        std::uint16_t Method = 0;
        std::int64_t PackedSize = 0;
        std::int64_t UnpackedSize = 0;
        std::uint32_t DosDate = 0;
        std::uint32_t Crc = 0;
        std::uint32_t Attr = 0;
        std::string Name;
        // The time the extra field stores; the DOS date alone without one.
        std::optional<TZipUnixTime> UnixTime;
    };

    // Reads the next volume (split sets) or disk (spanned sets) into
    // `volume` when a member goes on there; false when there is none.
    bool NextMemberVolume(std::unique_ptr<TArxBaseStream>& volume);

protected:
    // JAR: the attribute follows the name (file part: 0x20, else 0x10).
    virtual bool JarNaming() const { return ArcType == atJar || ArcType == atJarExe; }

private:
    void CollectCentral(TArxBaseStream& stream);
    void CollectLocal(TArxBaseStream& stream);
    void ExtractCentralList(std::unique_ptr<TArxBaseStream>& stream);
    void ExtractLocalList(std::unique_ptr<TArxBaseStream>& stream);
    bool MoveToDisk(std::unique_ptr<TArxBaseStream>& stream, std::uint32_t disk);
    // A split set opened from a segment without the central directory goes
    // on from the set's ".zip", which holds it; false (reported) when that
    // part is not there.
    bool OpenDirectorySegment(std::unique_ptr<TArxBaseStream>& stream);
    // Reads the local header at `offset`; the position of the member's data,
    // or -1 when no local header is there. `header` gets its fields when given.
    std::int64_t ReadLocalHeader(TArxBaseStream& stream, std::int64_t offset, TZipHeader* header);
    // The header reader's bytes of `stream`, the volume in hand.
    TArxByteSource& Headers(TArxBaseStream& stream);
    void ExtractMember(std::unique_ptr<TArxBaseStream>& stream, std::int64_t dataPos,
                       TZipHeader& header, bool localOnly);
    // Decodes the member's data from `source` into `out`; false when a
    // decoding error has been reported (no CRC verdict is then due).
    TDecodeResult DecodeMember(class TZipMemberSource& source, TArxBaseStream* out,
                               const TZipHeader& header, std::int64_t limit,
                               std::int64_t* consumed);
    // Kept for the whole run: the Deflate cores and the stored copy's buffer.
    TInflateMember inflate_;
    std::vector<std::uint8_t> copyBuffer_;
    bool CheckDescriptor(TArxBaseStream& stream, std::int64_t dataPos, std::int64_t consumed,
                         TZipHeader& header);

    // Read ahead for the volume in hand; forgotten whenever the volume changes.
    TArxBlockSource volume_;
    // The local header last read, its name and extra field kept for the next.
    TZipLocalRecord local_;

    TUnBaseHeaderObj list_;
    const TZipHeader* current_ = nullptr;
    std::int32_t currentVolume_ = 0; // split sets: 1-based number of the open volume
    std::int32_t volumeCount_ = 0;
    std::uint32_t currentDisk_ = 0; // spanned sets: the disk in the drive
};

class TUnJar : public TUnZip {
protected:
    bool JarNaming() const override { return true; }
};

} // namespace sorvane
