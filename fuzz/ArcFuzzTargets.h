// The ARC decoder entry points' shared checks: a member context over a byte
// buffer that fails the run when a decoder reads past its packed data or
// writes past its declared size.
#pragma once

#include "archive/codecs/arxArcMember.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace sorvane::fuzz {

struct ArcRig {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t readPos = 0;
    std::int64_t written = 0;
    std::uint32_t sum = 0;
    TArcMemberContext context;

    ArcRig(const std::uint8_t* d, std::size_t n, std::uint8_t method, std::int64_t unpacked)
        : data(d), size(n) {
        context.Method = method;
        context.PackedSize = static_cast<std::int64_t>(n);
        context.UnpackedSize = unpacked;
        context.Read = [this](std::uint8_t* buf, std::int64_t count) -> std::int64_t {
            if (count <= 0) std::abort();
            if (readPos + static_cast<std::size_t>(count) > size) std::abort(); // past the member
            std::memcpy(buf, data + readPos, static_cast<std::size_t>(count));
            readPos += static_cast<std::size_t>(count);
            return count;
        };
        context.Write = [this](const std::uint8_t* buf, std::int64_t count) -> std::int64_t {
            if (count <= 0) std::abort(); // no empty writes
            written += count;
            if (written > context.UnpackedSize) std::abort(); // past the declared size
            for (std::int64_t i = 0; i < count; ++i)
                sum += buf[i];
            return count;
        };
    }
};

} // namespace sorvane::fuzz
