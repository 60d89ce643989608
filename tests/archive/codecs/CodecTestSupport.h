// Inputs and zlib references shared by the decoder tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sorvane::test {

using Bytes = std::vector<std::uint8_t>;

// Repeatable inputs: English-like text, random bytes, and text and binary mixed.
Bytes TextInput(std::size_t size, std::uint32_t seed = 1);
Bytes RandomInput(std::size_t size, std::uint32_t seed = 2);
Bytes MixedInput(std::size_t size, std::uint32_t seed = 3);

// zlib's compression of `data` (windowBits -15 raw, 15 wrapped).
Bytes ZlibCompress(const Bytes& data, int level, int strategy, int windowBits);

// zlib's decoding of `packed`: true with its output when zlib reaches the end
// of the stream within `limit` output bytes.
bool ZlibInflate(const Bytes& packed, int windowBits, std::size_t limit, Bytes& out);

// Our engine's decoding, feeding the input `inStep` bytes and taking output
// `outStep` bytes at a time: the last result and the output.
int OurInflate(const Bytes& packed, int windowBits, bool deflate64, std::size_t limit, Bytes& out,
               std::size_t inStep = 1u << 30, std::size_t outStep = 1u << 30);

} // namespace sorvane::test
