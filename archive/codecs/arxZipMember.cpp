// Byte and bit input and byte output of the ZIP member decoders.
#include "archive/codecs/arxZipMember.h"

#include <algorithm>
#include <cstring>

namespace sorvane {

int ZipDecodeCode(TDecodeResult result) {
    switch (result) {
    case TDecodeResult::Done:
        return kZipDecodeDone;
    case TDecodeResult::InputEnded:
        return kZipDecodeInputExhausted;
    case TDecodeResult::Corrupt:
        return kZipDecodeInvalid;
    case TDecodeResult::WriteFailed:
        return kZipDecodeWriteFailed;
    default:
        return kZipDecodeCanceled;
    }
}

TZipMemberInput::TZipMemberInput(TMemberIo& io)
    : io_(io), buffer_(static_cast<std::size_t>(kBufferSize)),
      packedLeft_(std::max<std::int64_t>(io.PackedSize, 0)) {}

bool TZipMemberInput::Canceled() const {
    return io_.Canceled();
}

bool TZipMemberInput::Refill() {
    if (packedLeft_ <= 0 || Canceled() || !io_.Read) return false;
    const std::int64_t want = std::min(kBufferSize, packedLeft_);
    const std::int64_t got = std::min(io_.Read(buffer_.data(), want), want);
    if (got <= 0) return false;
    packedLeft_ -= got;
    fill_ = got;
    pos_ = 0;
    return true;
}

int TZipMemberInput::Byte() {
    if (pos_ < fill_) return buffer_[static_cast<std::size_t>(pos_++)];
    if (ended_ || !Refill()) {
        ended_ = true;
        return -1;
    }
    return buffer_[static_cast<std::size_t>(pos_++)];
}

std::int32_t TZipMemberInput::Bits(int n) {
    while (bitCount_ < n) {
        const int b = Byte();
        if (b < 0) return -1;
        bitBuffer_ |= static_cast<std::uint32_t>(b) << bitCount_;
        bitCount_ += 8;
    }
    const std::uint32_t value = bitBuffer_ & ((1u << n) - 1);
    bitBuffer_ >>= n;
    bitCount_ -= n;
    return static_cast<std::int32_t>(value);
}

TZipMemberOutput::TZipMemberOutput(TMemberIo& io)
    : io_(io), buffer_(static_cast<std::size_t>(kBufferSize)),
      left_(std::max<std::int64_t>(io.UnpackedSize, 0)) {}

bool TZipMemberOutput::Put(std::uint8_t byte) {
    if (left_ <= 0) return true;
    buffer_[static_cast<std::size_t>(fill_++)] = byte;
    --left_;
    return fill_ < kBufferSize || Flush();
}

bool TZipMemberOutput::Put(const std::uint8_t* data, std::int64_t count) {
    count = std::min(count, left_);
    while (count > 0) {
        const std::int64_t n = std::min(count, kBufferSize - fill_);
        std::memcpy(buffer_.data() + fill_, data, static_cast<std::size_t>(n));
        fill_ += n;
        left_ -= n;
        data += n;
        count -= n;
        if (fill_ == kBufferSize && !Flush()) return false;
    }
    return true;
}

bool TZipMemberOutput::Flush() {
    if (fill_ == 0) return true;
    const std::int64_t count = fill_;
    fill_ = 0;
    const std::int64_t written = io_.Write ? io_.Write(buffer_.data(), count) : 0;
    return written == count;
}

} // namespace sorvane
