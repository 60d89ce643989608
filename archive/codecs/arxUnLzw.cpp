// The .Z decoder. Codes are read from a buffer holding whole groups of
// codes; when the code width grows or the table is cleared, the rest of the
// current group (n_bits bytes, eight codes) is skipped, as the encoder pads
// it. Strings are unwound through a stack and copied to the output buffer
// in pieces, so a string of any length fits.
#include "archive/codecs/arxUnLzw.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace sorvane {
namespace {

constexpr std::uint8_t kMagic0 = 0x1F;
constexpr std::uint8_t kMagic1 = 0x9D;
constexpr std::uint8_t kBlockMode = 0x80;
constexpr std::uint8_t kReserved = 0x60;
constexpr std::uint8_t kWidthMask = 0x1F;
constexpr int kInitBits = 9;
constexpr int kMinMaxBits = 9;
constexpr int kMaxBits = 16;
constexpr std::int32_t kClear = 256;
constexpr std::int64_t kInputSize = 32768;
constexpr std::int64_t kInputSlack = 64;
constexpr std::int64_t kOutputSize = 16384;
constexpr std::size_t kTableSize = std::size_t{1} << kMaxBits;

// Rounds a bit position up to a whole group of `bits`-bit codes.
std::int64_t GroupEnd(std::int64_t posbits, int bits) {
    const std::int64_t group = static_cast<std::int64_t>(bits) * 8;
    return (posbits + group - 1) / group * group;
}

} // namespace

TZHeaderVerdict CheckZHeader(const std::uint8_t* header3) {
    if (header3[0] != kMagic0 || header3[1] != kMagic1 || (header3[2] & kReserved) != 0)
        return TZHeaderVerdict::BadHeader;
    const int maxBits = header3[2] & kWidthMask;
    if (maxBits < kMinMaxBits || maxBits > kMaxBits) return TZHeaderVerdict::BadWidth;
    return TZHeaderVerdict::Usable;
}

TDecodeResult UncompressZ(TMemberIo& io) {
    std::vector<std::uint8_t> in(static_cast<std::size_t>(kInputSize + kInputSlack), 0);
    std::int64_t insize = 0;
    auto fill = [&]() -> std::int64_t {
        std::int64_t total = 0;
        while (insize < kInputSize) {
            const std::int64_t got = io.Read(in.data() + insize, kInputSize - insize);
            if (got <= 0) break;
            insize += got;
            total += got;
        }
        return total;
    };
    fill();
    if (insize < 3 || CheckZHeader(in.data()) != TZHeaderVerdict::Usable)
        return TDecodeResult::Corrupt;
    const bool blockMode = (in[2] & kBlockMode) != 0;
    const int maxBits = in[2] & kWidthMask;
    const std::int32_t maxMaxCode = std::int32_t{1} << maxBits;

    std::vector<std::uint16_t> prefix(kTableSize, 0);
    std::vector<std::uint8_t> suffix(kTableSize, 0);
    // The length of each entry's string: a string that fits the output
    // buffer is written there directly, from its end.
    std::vector<std::uint32_t> lengths(kTableSize, 1);
    for (int c = 0; c < 256; ++c)
        suffix[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c);
    std::vector<std::uint8_t> stack(kTableSize + 1);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(kOutputSize));
    std::int64_t outpos = 0;

    auto flush = [&]() {
        if (outpos == 0) return true;
        const bool ok = io.Write(out.data(), outpos) == outpos;
        outpos = 0;
        return ok;
    };
    // Copies `count` bytes through the output buffer, writing it when full.
    auto put = [&](const std::uint8_t* data, std::int64_t count) {
        while (count > 0) {
            const std::int64_t n = std::min(count, kOutputSize - outpos);
            std::memcpy(out.data() + outpos, data, static_cast<std::size_t>(n));
            outpos += n;
            data += n;
            count -= n;
            if (outpos == kOutputSize && !flush()) return false;
        }
        return true;
    };

    int nBits = kInitBits;
    std::int32_t maxCode = (std::int32_t{1} << nBits) - 1;
    std::uint32_t bitMask = (1u << nBits) - 1;
    std::int32_t freeEnt = blockMode ? kClear + 1 : kClear;
    std::int32_t oldCode = -1;
    std::int32_t finChar = 0;
    std::int64_t posbits = 3 * 8;
    bool more = true; // the last refill brought bytes

    for (;;) {
        // resetbuf: drop the bytes used, refill, count the usable bits.
        const std::int64_t o = posbits >> 3;
        const std::int64_t e = o <= insize ? insize - o : 0;
        if (e > 0) std::memmove(in.data(), in.data() + o, static_cast<std::size_t>(e));
        insize = e;
        posbits = 0;
        std::int64_t got = 0;
        if (insize < kInputSlack) {
            if (io.Canceled()) {
                flush();
                return TDecodeResult::Canceled;
            }
            got = fill();
            more = got > 0;
        }
        std::fill(in.begin() + insize, in.end(), std::uint8_t{0});
        const std::int64_t inbits = more ? (insize - insize % nBits) * 8 : insize * 8 - (nBits - 1);

        bool reset = false;
        while (inbits > posbits) {
            if (freeEnt > maxCode) {
                posbits = GroupEnd(posbits, nBits);
                ++nBits;
                maxCode = nBits == maxBits ? maxMaxCode : (std::int32_t{1} << nBits) - 1;
                bitMask = (1u << nBits) - 1;
                reset = true;
                break;
            }
            // Four bytes from the code's first: the slack behind the input
            // makes the read safe; the bytes are little-endian.
            std::uint32_t window;
            std::memcpy(&window, in.data() + (posbits >> 3), 4);
            if constexpr (std::endian::native == std::endian::big)
                window = __builtin_bswap32(window);
            std::int32_t code = static_cast<std::int32_t>((window >> (posbits & 7)) & bitMask);
            posbits += nBits;

            if (oldCode == -1) {
                if (code >= 256) {
                    flush();
                    return TDecodeResult::Corrupt;
                }
                oldCode = finChar = code;
                const auto byte = static_cast<std::uint8_t>(code);
                if (!put(&byte, 1)) return TDecodeResult::WriteFailed;
                continue;
            }
            if (code == kClear && blockMode) {
                std::fill(prefix.begin(), prefix.end(), std::uint16_t{0});
                freeEnt = kClear;
                posbits = GroupEnd(posbits, nBits);
                nBits = kInitBits;
                maxCode = (std::int32_t{1} << nBits) - 1;
                bitMask = (1u << nBits) - 1;
                reset = true;
                break;
            }
            const std::int32_t inCode = code;
            if (code > freeEnt) {
                if (!flush()) return TDecodeResult::WriteFailed;
                return TDecodeResult::Corrupt;
            }
            const bool kwkwk = code == freeEnt;
            const std::int64_t length =
                kwkwk ? std::int64_t{lengths[static_cast<std::size_t>(oldCode)]} + 1
                      : lengths[static_cast<std::size_t>(code)];
            if (outpos + length <= kOutputSize) {
                // Room for the whole string: unwound straight into the output.
                std::uint8_t* const start = out.data() + outpos;
                std::uint8_t* p = start + length;
                if (kwkwk) {
                    *--p = static_cast<std::uint8_t>(finChar);
                    code = oldCode;
                }
                while (code >= 256) {
                    if (p == start) {
                        flush();
                        return TDecodeResult::Corrupt;
                    }
                    *--p = suffix[static_cast<std::size_t>(code)];
                    code = prefix[static_cast<std::size_t>(code)];
                }
                if (p != start + 1) {
                    flush();
                    return TDecodeResult::Corrupt;
                }
                finChar = code;
                *--p = static_cast<std::uint8_t>(code);
                outpos += length;
                if (outpos == kOutputSize && !flush()) return TDecodeResult::WriteFailed;
                if (freeEnt < maxMaxCode) {
                    prefix[static_cast<std::size_t>(freeEnt)] = static_cast<std::uint16_t>(oldCode);
                    suffix[static_cast<std::size_t>(freeEnt)] = static_cast<std::uint8_t>(finChar);
                    lengths[static_cast<std::size_t>(freeEnt)] =
                        lengths[static_cast<std::size_t>(oldCode)] + 1;
                    ++freeEnt;
                }
                oldCode = inCode;
                continue;
            }
            std::size_t sp = stack.size();
            if (kwkwk) {
                stack[--sp] = static_cast<std::uint8_t>(finChar);
                code = oldCode;
            }
            // Every code below freeEnt has a chain shorter than the table;
            // the test guards the stack all the same.
            while (code >= 256) {
                if (sp <= 1) {
                    flush();
                    return TDecodeResult::Corrupt;
                }
                stack[--sp] = suffix[static_cast<std::size_t>(code)];
                code = prefix[static_cast<std::size_t>(code)];
            }
            finChar = suffix[static_cast<std::size_t>(code)];
            stack[--sp] = static_cast<std::uint8_t>(finChar);
            if (!put(stack.data() + sp, static_cast<std::int64_t>(stack.size() - sp)))
                return TDecodeResult::WriteFailed;
            if (freeEnt < maxMaxCode) {
                prefix[static_cast<std::size_t>(freeEnt)] = static_cast<std::uint16_t>(oldCode);
                suffix[static_cast<std::size_t>(freeEnt)] = static_cast<std::uint8_t>(finChar);
                lengths[static_cast<std::size_t>(freeEnt)] =
                    lengths[static_cast<std::size_t>(oldCode)] + 1;
                ++freeEnt;
            }
            oldCode = inCode;
        }
        if (reset) continue;
        if (!more) break;
    }
    return flush() ? TDecodeResult::Done : TDecodeResult::WriteFailed;
}

} // namespace sorvane
