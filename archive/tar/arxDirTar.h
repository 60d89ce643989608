// The directory walk of tar archives: 512-byte headers, each followed by the
// member's data rounded up to whole blocks. Whole names come from the ustar
// prefix, GNU long-name records and pax "path" records; pax "size" and
// "mtime" records replace the header's fields.
#pragma once

#include "archive/arxArxon.h"
#include "archive/arxByteSource.h"
#include "archive/tar/arxTarHeader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sorvane {

// What lies at a header position, as the listing and the tar reader both
// judge it: a header (its block read into `block`); the end (no bytes left,
// or zero bytes only: a zero block, or the padding behind the last member);
// a header cut short (fewer bytes than a block left, not all zero): the
// archive is reported cut short there; or a block that fails the header
// checksum, a bad header. Neither side reads on after the last three.
enum class TTarBlockRead : std::uint8_t { Header, End, CutShort, Bad };
TTarBlockRead ReadTarBlock(TArxByteSource& source, std::int64_t pos,
                           std::uint8_t (&block)[kTarBlock]);

// What a pax extended header (or a GNU long-name record, for the path) says
// about the member that follows it.
struct TPaxRecords {
    std::string Path;                  // empty: the header's own name
    std::string LinkPath;              // "linkpath": a link's target
    std::optional<std::uint64_t> Size; // "size": the member's data bytes
    std::optional<std::int64_t> MTime; // "mtime": Unix seconds, whole
    bool Sparse = false;               // "GNU.sparse.*": the data is a sparse map
};

// The records of a pax extended header: "path", "size" (decimal) and "mtime"
// (decimal seconds, a fraction allowed). A record that does not read leaves
// its field out; a malformed length ends the reading.
TPaxRecords ReadPaxRecords(std::string_view records);

class TTarWalk : public TArxonWalk {
public:
    void SetUp(TArxon& arx) override;
    void Step(TArxon& arx) override;

private:
    // Takes the name in the data of a long-name or pax record of `size` bytes
    // for the next header, and moves past the data.
    void TakeLongName(TArxon& arx, std::uint64_t size, bool pax);
    // The member's whole stored name ("/" separators).
    std::string WholeName(const std::uint8_t* header);
    void ReportMember(TArxon& arx, const std::uint8_t* header, std::uint64_t size);
    // Moves past `size` bytes of data, whole blocks; ends the walk when they
    // reach past the end of the archive.
    static void SkipData(TArxon& arx, std::uint64_t size);

    TPaxRecords pending_; // from the record before the header in hand
};

// The size field of a tar header: octal text, or base-256 when its first byte
// has the top bit set. Base-256 values beyond 2^63 give UINT64_MAX.
std::uint64_t TarSizeField(const std::uint8_t* field12);

// The "path" value of a pax extended header's records, empty when it has none.
std::string PaxPathRecord(std::string_view records);

} // namespace sorvane
