#include "archive/arxCrc.h"

namespace sorvane {
namespace {

template <typename Word> constexpr std::array<Word, 256> ReflectedTable(Word reflectedPoly) {
    std::array<Word, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        Word entry = static_cast<Word>(i);
        for (int bit = 0; bit < 8; ++bit)
            entry = (entry & 1u) ? static_cast<Word>((entry >> 1) ^ reflectedPoly)
                                 : static_cast<Word>(entry >> 1);
        table[i] = entry;
    }
    return table;
}

// 0xA001 and 0xEDB88320 are 0x8005 and 0x04C11DB7 with their bits reversed.
constexpr auto kCrc16Table = ReflectedTable<std::uint16_t>(0xA001u);
constexpr auto kCrc32Table = ReflectedTable<std::uint32_t>(0xEDB88320u);
static_assert(kCrc16Table[1] == 0xC0C1u);
static_assert(kCrc32Table[1] == 0x77073096u);

// Slicing by eight: table k gives the CRC of a byte followed by k zero bytes,
// so eight bytes are folded in one step.
constexpr std::array<std::array<std::uint32_t, 256>, 8> SliceTables() {
    std::array<std::array<std::uint32_t, 256>, 8> tables{};
    tables[0] = kCrc32Table;
    for (std::size_t k = 1; k < 8; ++k)
        for (std::size_t i = 0; i < 256; ++i)
            tables[k][i] = (tables[k - 1][i] >> 8) ^ kCrc32Table[tables[k - 1][i] & 0xFFu];
    return tables;
}
constexpr auto kCrc32Slices = SliceTables();

} // namespace

const std::array<std::uint16_t, 256>& Crc16Table() {
    return kCrc16Table;
}
const std::array<std::uint32_t, 256>& Crc32Table() {
    return kCrc32Table;
}

void UpdateCrc16(const void* data, std::size_t count, std::uint32_t& crc) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::uint32_t value = crc;
    for (std::size_t i = 0; i < count; ++i)
        value = kCrc16Table[(bytes[i] ^ value) & 0xFFu] ^ (value >> 8);
    crc = value;
}

void UpdateCrc32(const void* data, std::size_t count, std::uint32_t& crc) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::uint32_t value = crc;
    const auto& t = kCrc32Slices;
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const std::uint32_t low =
            value ^ (std::uint32_t{bytes[i]} | std::uint32_t{bytes[i + 1]} << 8 |
                     std::uint32_t{bytes[i + 2]} << 16 | std::uint32_t{bytes[i + 3]} << 24);
        value = t[7][low & 0xFFu] ^ t[6][(low >> 8) & 0xFFu] ^ t[5][(low >> 16) & 0xFFu] ^
                t[4][low >> 24] ^ t[3][bytes[i + 4]] ^ t[2][bytes[i + 5]] ^ t[1][bytes[i + 6]] ^
                t[0][bytes[i + 7]];
    }
    for (; i < count; ++i)
        value = kCrc32Table[(bytes[i] ^ value) & 0xFFu] ^ (value >> 8);
    crc = value;
}

bool TarChecksumOk(const std::uint8_t* header512) {
    // The bytes before and after the checksum field, summed apart so that
    // each plain loop vectorises; the field counts as eight blanks.
    constexpr std::size_t kFieldEnd = kTarChecksumOffset + kTarChecksumLength;
    std::uint32_t sum = kTarChecksumLength * std::uint32_t{' '};
    for (std::size_t i = 0; i < kTarChecksumOffset; ++i)
        sum += header512[i];
    for (std::size_t i = kFieldEnd; i < kTarHeaderSize; ++i)
        sum += header512[i];
    std::uint32_t written = 0;
    for (std::size_t i = kTarChecksumOffset; i < kTarChecksumOffset + kTarChecksumLength; ++i) {
        const std::uint8_t c = header512[i];
        if (c >= '0' && c <= '7') written = written * 8 + (c - '0');
    }
    return sum == written;
}

} // namespace sorvane
