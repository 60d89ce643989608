// ZIP Deflate64 members on an inflate core of their own.
#include "archive/codecs/arxInflate64.h"

#include "archive/arxStreamDecompress.h"
#include "archive/codecs/arxInflateCore.h"

#include <algorithm>
#include <vector>

namespace sorvane {

namespace {
struct CoreHolder {
    TInflateCore* core;
    ~CoreHolder() {
        if (core != nullptr) core->Destroy();
    }
};
} // namespace

int Inflate64Member(TZipMemberContext& context) {
    constexpr std::int64_t kBuffer = 32768;
    CoreHolder holder{
        TInflateCore::Create(&InflateZeroAlloc, &InflateRelease, nullptr, true, true, 16)};
    if (holder.core == nullptr) return kZipDecodeInvalid;
    TZipMemberOutput output(context);
    std::vector<std::uint8_t> input(kBuffer), chunk(kBuffer);
    std::int64_t packedLeft = std::max<std::int64_t>(context.PackedSize, 0);
    const std::uint8_t* next = input.data();
    std::int64_t avail = 0;
    bool inputEnded = false;
    for (;;) {
        if (context.Cancel != nullptr && *context.Cancel != 0) return kZipDecodeCanceled;
        if (avail == 0 && !inputEnded) {
            const std::int64_t want = std::min(kBuffer, packedLeft);
            const std::int64_t got =
                want > 0 && context.Read ? std::min(context.Read(input.data(), want), want) : 0;
            if (got <= 0) {
                inputEnded = true;
            } else {
                packedLeft -= got;
                next = input.data();
                avail = got;
            }
        }
        std::uint8_t* out = chunk.data();
        std::int64_t room = std::min(kBuffer, output.Left());
        const std::int64_t availBefore = avail;
        const int rc = holder.core->Run(next, avail, out, room, kInflateNoFlush);
        const std::int64_t made = out - chunk.data();
        if (made > 0 && !output.Put(chunk.data(), made)) return kZipDecodeWriteFailed;
        if (rc == kInflateStreamEnd || !output.Room())
            return output.Flush() ? kZipDecodeDone : kZipDecodeWriteFailed;
        if (rc < 0) {
            output.Flush();
            return kZipDecodeInvalid;
        }
        if (made == 0 && avail == availBefore && inputEnded) {
            output.Flush();
            return kZipDecodeInputExhausted;
        }
    }
}

bool Inflate64(TZipMemberContext& context) {
    return Inflate64Member(context) == kZipDecodeDone;
}

} // namespace sorvane
