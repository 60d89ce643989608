// Checksum primitives of the archive library: the CRC-16/ARC and CRC-32 (ISO
// 3309 / ZIP) table-driven steps, their running accumulators, and the tar
// header checksum.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace sorvane {

// The reflected CRC-16 table, polynomial 0x8005 (CRC-16/ARC; entry 1 is 0xC0C1).
const std::array<std::uint16_t, 256>& Crc16Table();
// The reflected CRC-32 table, polynomial 0x04C11DB7 (entry 1 is 0x77073096).
const std::array<std::uint32_t, 256>& Crc32Table();

// For each byte: crc := table[(byte XOR crc) AND 0xFF] XOR (crc SHR 8). The
// start value and any final inversion are the caller's.
void UpdateCrc16(const void* data, std::size_t count, std::uint32_t& crc);
void UpdateCrc32(const void* data, std::size_t count, std::uint32_t& crc);

// One running CRC-16 (32-bit word, only the low 16 bits meaningful).
class Crc16Accumulator {
public:
    explicit Crc16Accumulator(std::uint32_t start = 0) : value_(start) {}
    void Start(std::uint32_t start) { value_ = start; }
    void Update(const void* data, std::size_t count) { UpdateCrc16(data, count, value_); }
    std::uint32_t Value() const { return value_; }
    std::uint32_t& Value() { return value_; }
    std::uint16_t Low16() const { return static_cast<std::uint16_t>(value_ & 0xFFFFu); }

private:
    std::uint32_t value_;
};

// One running CRC-32.
class Crc32Accumulator {
public:
    explicit Crc32Accumulator(std::uint32_t start = 0) : value_(start) {}
    void Start(std::uint32_t start) { value_ = start; }
    void Update(const void* data, std::size_t count) { UpdateCrc32(data, count, value_); }
    std::uint32_t Value() const { return value_; }
    std::uint32_t& Value() { return value_; }

private:
    std::uint32_t value_;
};

// Size of a tar header block and place of its checksum field.
inline constexpr std::size_t kTarHeaderSize = 512;
inline constexpr std::size_t kTarChecksumOffset = 148;
inline constexpr std::size_t kTarChecksumLength = 8;

// True when the unsigned sum of the 512 header bytes, with the 8 checksum bytes
// (148-155) counted as blanks, equals the octal number in those 8 bytes
// (characters other than '0'-'7' are skipped).
bool TarChecksumOk(const std::uint8_t* header512);

} // namespace sorvane
