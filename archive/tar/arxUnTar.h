// TUnTar, the tar reader: extracts or tests the members of a tar archive
// (v7, ustar, GNU and pax headers) through the extraction base. Members are
// named as the listing names them; links, devices and FIFOs are refused,
// never created.
#pragma once

#include "archive/arxUnBase.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sorvane {

class TUnTar : public TUnBase {
public:
    TUnTar();

    void ExtractFiles(std::unique_ptr<TArxBaseStream>& InStream, int Arg) override;

    // The caller has reported that the archive is cut short: its end inside
    // a header or a member is not reported again (that member still fails).
    bool CutShortReported = false;

    // One member found by the walk, with what its records said of it.
    struct TTarMember {
        std::int64_t DataPos = 0;
        std::uint64_t Size = 0;
        char Type = '0';
        bool Sparse = false;
        std::uint32_t DosDate = 0;
        std::int64_t UnixTime = 0; // the time the archive stores, in Unix seconds
        bool ReadOnly = false;     // its mode gives the owner no write permission
        std::string Name;          // "/" separators, no trailing "/"
        std::string LinkName;      // links: their target
    };

private:
    void Walk(TArxBaseStream& stream);
    void ExtractMember(TArxBaseStream& stream, const TTarMember& member);
    // Copies the member's data to `out`; false when the archive ended
    // before all of it (reported).
    TDecodeResult CopyData(TArxBaseStream& stream, TArxBaseStream* out, const TTarMember& member);

    std::vector<TTarMember> members_;
};

} // namespace sorvane
