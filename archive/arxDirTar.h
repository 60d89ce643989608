// The directory walk of tar archives: 512-byte headers, each followed by the
// member's data rounded up to whole blocks. Whole names come from the ustar
// prefix, GNU long-name records and pax "path" records.
#pragma once

#include "archive/arxArxon.h"

#include <cstdint>
#include <string>

namespace sorvane {

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

    std::string pendingName_; // from the record before the header in hand
};

// The size field of a tar header: octal text, or base-256 when its first byte
// has the top bit set. Base-256 values beyond 2^63 give UINT64_MAX.
std::uint64_t TarSizeField(const std::uint8_t* field12);

// The "path" value of a pax extended header's records, empty when it has none.
std::string PaxPathRecord(std::string_view records);

} // namespace sorvane
