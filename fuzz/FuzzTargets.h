// The one rig of every codec entry point: a member's TMemberIo over a byte
// buffer that fails the run when a decoder asks for input past its packed
// data (or, for decoders that read to the end, after being told it ended),
// makes an empty write or writes past its declared size. A library error a
// decoder raises for damaged data is one of its ends.
#pragma once

#include "archive/arxMessages.h"
#include "archive/codecs/arxMemberIo.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace sorvane::fuzz {

// How the rig hands out the packed bytes.
enum class TReads {
    Bounded, // the decoder knows the packed size: asking past it fails the run
    ToEnd,   // the decoder reads until a read brings nothing; asking again fails
    Short,   // reads past the end bring nothing, however often asked
};

struct MemberRig {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t readPos = 0;
    std::int64_t written = 0;
    std::uint32_t sum = 0;
    bool ended = false;
    TMemberIo io;

    // `step`: at most this many bytes per read (0: as many as asked).
    MemberRig(const std::uint8_t* d, std::size_t n, std::int64_t unpacked,
              TReads reads = TReads::Bounded, std::size_t step = 0)
        : data(d), size(n) {
        io.PackedSize = static_cast<std::int64_t>(n);
        io.UnpackedSize = unpacked;
        io.Read = [this, reads, step](std::uint8_t* buf, std::int64_t count) -> std::int64_t {
            if (count <= 0 || (ended && reads == TReads::ToEnd)) std::abort();
            if (reads == TReads::Bounded && readPos + static_cast<std::size_t>(count) > size)
                std::abort(); // asked past the member
            std::size_t n2 = std::min(static_cast<std::size_t>(count), size - readPos);
            if (step > 0) n2 = std::min(n2, step);
            if (n2 > 0) std::memcpy(buf, data + readPos, n2);
            readPos += n2;
            if (n2 == 0 && reads == TReads::ToEnd) ended = true;
            return static_cast<std::int64_t>(n2);
        };
        io.Write = [this](const std::uint8_t* buf, std::int64_t count) -> std::int64_t {
            if (count <= 0) std::abort(); // no empty writes
            written += count;
            if (written > io.UnpackedSize) std::abort(); // past the declared size
            for (std::int64_t i = 0; i < count; ++i)
                sum += buf[i];
            return count;
        };
    }
};

// Runs `decode(io)` on a rig over the input.
template <class Decode>
int RunMember(const std::uint8_t* data, std::size_t size, std::int64_t unpacked, Decode&& decode,
              TReads reads = TReads::Bounded, std::size_t step = 0) {
    MemberRig rig(data, size, unpacked, reads, step);
    try {
        decode(rig.io);
    } catch (const E_RAISE&) {
    }
    return 0;
}

} // namespace sorvane::fuzz
