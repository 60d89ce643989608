#include "archive/zip/arxZipCrypt.h"

#include "archive/arxCrc.h"

#include <cstring>

namespace sorvane {
namespace {

std::uint32_t Crc32Step(std::uint32_t crc, std::uint8_t b) {
    UpdateCrc32(&b, 1, crc);
    return crc;
}

} // namespace

void ZipCipher::InitCipher(std::string_view password) {
    keys_ = kCipherInitialKeys;
    for (char c : password)
        UpdateKeys(static_cast<std::uint8_t>(c));
}

void ZipCipher::UpdateKeys(std::uint8_t b) {
    keys_[0] = Crc32Step(keys_[0], b);
    keys_[1] = (keys_[1] + (keys_[0] & 0xFFu)) * 134775813u + 1u;
    keys_[2] = Crc32Step(keys_[2], static_cast<std::uint8_t>(keys_[1] >> 24));
}

std::uint8_t ZipCipher::CipherByte() const {
    const std::uint32_t t = (keys_[2] & 0xFFFFu) | 2u;
    return static_cast<std::uint8_t>((t * (t ^ 1u)) >> 8);
}

void ZipCipher::DecipherBuffer(void* buf, std::size_t count) {
    auto* bytes = static_cast<std::uint8_t*>(buf);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t plain = bytes[i] ^ CipherByte();
        UpdateKeys(plain);
        bytes[i] = plain;
    }
}

void ZipCipher::EncipherBuffer(void* buf, std::size_t count) {
    auto* bytes = static_cast<std::uint8_t*>(buf);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t plain = bytes[i];
        const std::uint8_t key = CipherByte();
        UpdateKeys(plain);
        bytes[i] = plain ^ key;
    }
}

bool ZipCipher::CheckZipPassword(std::uint8_t* header24, std::uint16_t flags, std::uint32_t crc32,
                                 std::string_view password, std::uint16_t dosTime) {
    if (password.empty()) return false;
    InitCipher(password);
    std::memcpy(header24, header24 + kZipCryptHeaderSize, kZipCryptHeaderSize);
    DecipherBuffer(header24, kZipCryptHeaderSize);
    const std::uint8_t expected = (flags & kZipFlagDataDescriptor)
                                      ? static_cast<std::uint8_t>(dosTime >> 8)
                                      : static_cast<std::uint8_t>(crc32 >> 24);
    return header24[kZipCryptHeaderSize - 1] == expected;
}

std::string ShiftText(bool subtract, std::string_view text, std::uint8_t delta) {
    std::string shifted(text);
    for (char& c : shifted) {
        const auto b = static_cast<std::uint8_t>(c);
        c = static_cast<char>(static_cast<std::uint8_t>(subtract ? b - delta : b + delta));
    }
    return shifted;
}

} // namespace sorvane
