// A small extracting reader for the tests: stored (and traditionally
// enciphered stored) ZIP members through the extraction base, so that
// selection, overwrite, password, attribute, date and CRC handling run on
// real archives. Walks the central directory, then extracts in order.
#pragma once

#include "archive/arxUnBase.h"
#include "archive/zip/arxZipCrypt.h"

#include <string>
#include <vector>

namespace sorvane::test {

class TStoredZipDriver : public TUnBase {
public:
    void ExtractFiles(std::unique_ptr<TArxBaseStream>& InStream, int Arg) override;
    bool CheckPassword(std::uint8_t* Header12) override;

private:
    struct Member {
        std::string name;
        std::uint16_t flags = 0;
        std::uint16_t method = 0;
        std::uint32_t dosDate = 0;
        std::uint32_t crc = 0;
        std::int64_t packedSize = 0;
        std::int64_t localOffset = 0;
        std::uint32_t attributes = 0;
    };

    std::vector<Member> ReadDirectory(TArxBaseStream& stream);
    void ExtractMember(TArxBaseStream& stream, const Member& member);

    const Member* current_ = nullptr;
};

// Builds a stored ZIP of the given names and texts (no encryption, DOS
// attributes 0x20, one fixed date), for hostile-name tests.
std::string MakeStoredZip(const std::vector<std::pair<std::string, std::string>>& members);

} // namespace sorvane::test
