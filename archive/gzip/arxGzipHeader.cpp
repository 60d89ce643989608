// The gzip header reader.
#include "archive/gzip/arxGzipHeader.h"

#include "archive/arxHelpers.h"

#include <array>

namespace sorvane {

bool ReadGzipHeader(TArxByteSource& source, std::int64_t pos, TGzipHeader& header) {
    std::array<std::uint8_t, kGzipHeaderSize> h{};
    if (!source.ReadExact(pos, h.data(), kGzipHeaderSize)) return false;
    header = TGzipHeader{};
    ParseGzipFixed(h.data(), header);
    pos += kGzipHeaderSize;
    if (header.Flags & kGzipFlagExtra) {
        std::array<std::uint8_t, 2> length{};
        if (!source.ReadExact(pos, length.data(), 2)) return false;
        header.ExtraLength = GetLe16(length.data());
        pos += 2;
        if (!source.Holds(pos, header.ExtraLength)) return false;
        pos += header.ExtraLength;
    }
    const ArxReadBytesAt read = [&source](std::int64_t at, void* buffer, std::int64_t count) {
        return source.ReadAt(at, buffer, count);
    };
    if (header.Flags & kGzipFlagName) {
        header.HasName = true;
        if (!ReadNulText(read, pos, kGzipMaxStoredName, header.Name)) return false;
    }
    std::string comment;
    if ((header.Flags & kGzipFlagComment) && !ReadNulText(read, pos, 0, comment)) return false;
    header.DataPos = pos;
    return true;
}

} // namespace sorvane
