// Little-endian header fields, header-only so the extraction modules read
// them as the library does without linking it.
#pragma once

#include <cstdint>

namespace sorvane {

inline std::uint16_t GetLe16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline std::uint32_t GetLe32(const std::uint8_t* bytes) {
    return std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
           (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
}

inline std::uint64_t GetLe64(const std::uint8_t* bytes) {
    return std::uint64_t{GetLe32(bytes)} | (std::uint64_t{GetLe32(bytes + 4)} << 32);
}

} // namespace sorvane
