// The ZIP traditional stream cipher (PKWARE traditional encryption) used for
// enciphered ZIP, JAR and BH members, its password check on the 12-byte
// encryption header, and the character shift that prepares ARJ passwords.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sorvane {

// The published initial key words of password initialisation.
inline constexpr std::array<std::uint32_t, 3> kCipherInitialKeys{0x12345678u, 0x23456789u,
                                                                 0x34567890u};
// Size of the encryption header that precedes an enciphered member's data.
inline constexpr std::size_t kZipCryptHeaderSize = 12;
// General-purpose flag bit 3: sizes and CRC follow the data.
inline constexpr std::uint16_t kZipFlagDataDescriptor = 0x0008u;

// One cipher state: the three 32-bit key words.
class ZipCipher {
public:
    ZipCipher() : keys_(kCipherInitialKeys) {}

    // keys := the initial values, then UpdateKeys with every password byte.
    void InitCipher(std::string_view password);
    // key0 := CRC-32 step of key0 with b; key1 := (key1 + (key0 AND 0xFF)) x
    // 134775813 + 1; key2 := CRC-32 step of key2 with the top byte of key1.
    void UpdateKeys(std::uint8_t b);
    // Low byte of (t x (t XOR 1)) SHR 8, t := (low 16 bits of key2) OR 2.
    std::uint8_t CipherByte() const;
    // In place: plain := byte XOR CipherByte, then UpdateKeys(plain).
    void DecipherBuffer(void* buf, std::size_t count);
    // In place: cipher := plain XOR CipherByte (taken before), UpdateKeys(plain).
    void EncipherBuffer(void* buf, std::size_t count);
    // False for an empty password. Otherwise initialises the cipher with the
    // password and deciphers the 12 enciphered header bytes kept in the second
    // half of header24 into its first half; true when the last deciphered byte
    // equals the high byte of dosTime if flag bit 3 is set, else the top byte
    // of crc32. The cipher is left ready to decipher the member's data.
    bool CheckZipPassword(std::uint8_t* header24, std::uint16_t flags, std::uint32_t crc32,
                          std::string_view password, std::uint16_t dosTime);

    const std::array<std::uint32_t, 3>& Keys() const { return keys_; }
    void SetKeys(const std::array<std::uint32_t, 3>& keys) { keys_ = keys; }

private:
    std::array<std::uint32_t, 3> keys_;
};

// Every character increased by delta (wrapping at 256), or decreased when
// subtract.
std::string ShiftText(bool subtract, std::string_view text, std::uint8_t delta);

} // namespace sorvane
