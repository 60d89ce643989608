#include "archive/arxCrc.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

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

std::uint32_t SlicedCrc32(const std::uint8_t* bytes, std::size_t count, std::uint32_t value) {
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
    return value;
}

#if defined(__x86_64__)
// Folding with carry-less multiplication, for processors that have it: four
// 128-bit lanes are folded 64 bytes ahead at a time, then into one lane, then
// reduced to 32 bits (Barrett). The constants are powers of x modulo the
// CRC-32 polynomial in the bit-reflected domain: x^(4*128+32) and
// x^(4*128-32) for the four-lane step, x^(128+32) and x^(128-32) for the
// one-lane step, x^64 for the 64-bit step, then the polynomial and
// floor(x^64 / P).
constexpr std::size_t kFoldMinimum = 64;

#define SORVANE_FOLD_TARGET __attribute__((target("pclmul,sse4.1")))

SORVANE_FOLD_TARGET inline __m128i Load(const std::uint8_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// Both halves of `lane` multiplied by the two constants of `keys`, added to
// `next`.
SORVANE_FOLD_TARGET inline __m128i Fold(__m128i lane, __m128i keys, __m128i next) {
    const __m128i low = _mm_clmulepi64_si128(lane, keys, 0x00);
    const __m128i high = _mm_clmulepi64_si128(lane, keys, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

// `count` is at least kFoldMinimum and a multiple of 16.
SORVANE_FOLD_TARGET std::uint32_t FoldedCrc32(const std::uint8_t* bytes, std::size_t count,
                                              std::uint32_t value) {
    __m128i lanes[4] = {Load(bytes), Load(bytes + 16), Load(bytes + 32), Load(bytes + 48)};
    lanes[0] = _mm_xor_si128(lanes[0], _mm_cvtsi32_si128(static_cast<int>(value)));
    bytes += 64;
    count -= 64;
    const __m128i fourLanes = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4);
    for (; count >= 64; bytes += 64, count -= 64)
        for (int k = 0; k < 4; ++k)
            lanes[k] = Fold(lanes[k], fourLanes, Load(bytes + 16 * k));
    const __m128i oneLane = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
    __m128i lane = lanes[0];
    for (int k = 1; k < 4; ++k)
        lane = Fold(lane, oneLane, lanes[k]);
    for (; count >= 16; bytes += 16, count -= 16)
        lane = Fold(lane, oneLane, Load(bytes));
    // 128 bits to 64, then to 32 with the polynomial.
    const __m128i low32 = _mm_setr_epi32(-1, 0, -1, 0);
    lane = _mm_xor_si128(_mm_srli_si128(lane, 8), _mm_clmulepi64_si128(lane, oneLane, 0x10));
    const __m128i x64 = _mm_set_epi64x(0, 0x0163cd6124);
    lane = _mm_xor_si128(_mm_srli_si128(lane, 4),
                         _mm_clmulepi64_si128(_mm_and_si128(lane, low32), x64, 0x00));
    const __m128i barrett = _mm_set_epi64x(0x01f7011641, 0x01db710641);
    __m128i quotient = _mm_clmulepi64_si128(_mm_and_si128(lane, low32), barrett, 0x10);
    quotient = _mm_clmulepi64_si128(_mm_and_si128(quotient, low32), barrett, 0x00);
    lane = _mm_xor_si128(lane, quotient);
    return static_cast<std::uint32_t>(_mm_extract_epi32(lane, 1));
}

bool CanFold() {
    // The processor's features are read here, so that a checksum taken by
    // a static constructor sees them too.
    static const bool can = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    }();
    return can;
}
#undef SORVANE_FOLD_TARGET
#endif

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
#if defined(__x86_64__)
    if (count >= kFoldMinimum && CanFold()) {
        const std::size_t folded = count & ~std::size_t{15};
        crc = SlicedCrc32(bytes + folded, count - folded, FoldedCrc32(bytes, folded, crc));
        return;
    }
#endif
    crc = SlicedCrc32(bytes, count, crc);
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
