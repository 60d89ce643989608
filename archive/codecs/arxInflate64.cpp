// ZIP Deflate and Deflate64 members on inflate cores of their own.
#include "archive/codecs/arxInflate64.h"

#include "archive/arxStreamDecompress.h"
#include "archive/codecs/arxInflateCore.h"

#include <algorithm>

namespace sorvane {

namespace {
constexpr std::int64_t kInputBuffer = 32768;
constexpr std::int64_t kOutputBuffer = 65536;
} // namespace

TInflateMember::~TInflateMember() {
    for (TInflateCore* core : cores_)
        if (core != nullptr) core->Destroy();
}

TDecodeResult TInflateMember::Decode(TMemberIo& io, bool deflate64) {
    consumed_ = 0;
    TInflateCore*& core = cores_[deflate64 ? 1 : 0];
    if (core == nullptr)
        core = TInflateCore::Create(&InflateZeroAlloc, &InflateRelease, nullptr, deflate64, true,
                                    deflate64 ? 16 : 15);
    else
        core->Reset();
    if (core == nullptr) return TDecodeResult::Corrupt;
    if (input_.empty()) {
        input_.resize(static_cast<std::size_t>(kInputBuffer));
        output_.resize(static_cast<std::size_t>(kOutputBuffer));
    }
    std::int64_t packedLeft = std::max<std::int64_t>(io.PackedSize, 0);
    std::int64_t outputLeft = std::max<std::int64_t>(io.UnpackedSize, 0);
    const std::uint8_t* next = input_.data();
    std::int64_t avail = 0;
    bool inputEnded = false;
    struct Taken {
        TInflateMember& self;
        TInflateCore* core;
        ~Taken() { self.consumed_ = core->TotalIn; }
    } taken{*this, core};
    while (outputLeft > 0) {
        if (io.Canceled()) return TDecodeResult::Canceled;
        if (avail == 0 && !inputEnded) {
            const std::int64_t want = std::min(kInputBuffer, packedLeft);
            const std::int64_t got =
                want > 0 && io.Read ? std::min(io.Read(input_.data(), want), want) : 0;
            if (got <= 0) {
                inputEnded = true;
            } else {
                packedLeft -= got;
                next = input_.data();
                avail = got;
            }
        }
        std::uint8_t* out = output_.data();
        std::int64_t room = std::min(kOutputBuffer, outputLeft);
        const std::int64_t availBefore = avail;
        const int rc = core->Run(next, avail, out, room, kInflateNoFlush);
        const std::int64_t made = out - output_.data();
        if (made > 0) {
            if (!io.Write || io.Write(output_.data(), made) != made)
                return TDecodeResult::WriteFailed;
            outputLeft -= made;
        }
        if (rc == kInflateStreamEnd) return TDecodeResult::Done;
        if (rc < 0) return TDecodeResult::Corrupt;
        if (made == 0 && avail == availBefore && inputEnded) return TDecodeResult::InputEnded;
    }
    return TDecodeResult::Done;
}

TDecodeResult Inflate64Member(TMemberIo& io) {
    TInflateMember decoder;
    return decoder.Decode(io, true);
}

bool Inflate64(TZipMemberContext& context) {
    return Inflate64Member(context.Io) == TDecodeResult::Done;
}

} // namespace sorvane
