// The directory walk of cabinet files and cabinet sets: the CFFILE records of
// a cabinet, then those of the next cabinets it names, each asked for through
// OnNextVolume.
#pragma once

#include "archive/arxArxon.h"
#include "archive/arxHelpers.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sorvane {

// What the walk needs of a cabinet's header.
struct TCabInfo {
    std::int64_t FilesOffset = 0; // coffFiles, from the cabinet's start
    std::uint16_t Files = 0;
    std::uint8_t VersionMinor = 0;
    std::uint8_t VersionMajor = 0;
    std::uint16_t Compression = 0; // of the first folder
    std::uint16_t Flags = 0;
    std::string NextCabinet;
    std::string NextDisk;
};

// Parses the cabinet header at `start`; false when it is not one or a part of
// it lies outside the file.
bool ParseCabHeader(const ArxReadBytesAt& read, std::int64_t start, TCabInfo& info);

class TCabWalk : public TArxonWalk {
public:
    void SetUp(TArxon& arx) override;
    void Step(TArxon& arx) override;

private:
    // Names, tests and reports one CFFILE record. A member continued from the
    // previous cabinet was already listed there when `laterCabinet` is set.
    void ListRecord(TArxon& arx, const std::uint8_t* record, const std::string& name,
                    bool laterCabinet, std::int64_t offset);
    // Lists the next cabinets of the set, then ends the walk.
    void ContinueSet(TArxon& arx);
    // Lists the files of one further cabinet; false when the walk ended.
    bool ListCabinet(TArxon& arx, const ArxReadBytesAt& read, const std::string& path);

    TCabInfo info_;
    std::uint16_t remaining_ = 0;
    std::vector<std::string> visited_; // cabinets listed, lower-cased
};

} // namespace sorvane
