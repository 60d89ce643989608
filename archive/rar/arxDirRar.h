// The directory walk of RAR archives (block format of versions 1.5 to 4):
// file blocks with OEM or Unicode names, members continued across volumes.
#pragma once

#include "archive/arxArxon.h"

#include <cstdint>
#include <string>

namespace sorvane {

class TRarWalk : public TArxonWalk {
public:
    void SetUp(TArxon& arx) override;
    void Step(TArxon& arx) override;

private:
    void FileStep(TArxon& arx, std::int64_t headerSize);
    // The sizes of the file block in hand (with their high words) and where
    // its name starts; false when the high words lie past the end.
    static bool ReadSizes(TArxon& arx, std::int64_t& packed, std::int64_t& unpacked,
                          std::int64_t& nameOffset);
    // Names the entry; false when the name reaches past its header or the file.
    static bool SetName(TArxon& arx, std::int64_t headerSize, std::int64_t nameOffset);
    void Report(TArxon& arx, std::int64_t unpacked);
    // Reads the archive header of the volume just opened and moves behind it.
    bool EnterVolume(TArxon& arx);

    std::int64_t packedSum_ = 0; // packed sizes of the parts seen so far
};

// UTF-16 text as UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const std::u16string& text);

} // namespace sorvane
