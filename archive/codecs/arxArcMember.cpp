// Byte input, bounded output and run-length decoding of the ARC decoders.
#include "archive/codecs/arxArcMember.h"

#include "archive/arxMessages.h"

#include <algorithm>
#include <cstring>

namespace sorvane {

namespace {
constexpr std::uint8_t kRepeatMarker = 0x90;
}

namespace {
// A kept buffer at its size: allocated on the first member only.
std::vector<std::uint8_t>& Sized(std::vector<std::uint8_t>& buffer, std::int64_t size) {
    if (buffer.size() != static_cast<std::size_t>(size))
        buffer.resize(static_cast<std::size_t>(size));
    return buffer;
}
} // namespace

TArcInput::TArcInput(TMemberIo& io, TArcBuffers& buffers)
    : io_(io), buffer_(Sized(buffers.input, kBufferSize)),
      packedLeft_(std::max<std::int64_t>(io.PackedSize, 0)) {}

bool TArcInput::Canceled() const {
    return io_.Canceled();
}

TDecodeResult TArcInput::End() const {
    if (Canceled()) return TDecodeResult::Canceled;
    return cut_ ? TDecodeResult::InputEnded : TDecodeResult::Done;
}

bool TArcInput::Refill() {
    if (packedLeft_ <= 0 || Canceled() || !io_.Read) return false;
    const std::int64_t want = std::min(kBufferSize, packedLeft_);
    const std::int64_t got = std::min(io_.Read(buffer_.data(), want), want);
    if (got <= 0) {
        // The archive ends before the member's packed data do.
        cut_ = true;
        return false;
    }
    packedLeft_ -= got;
    fill_ = got;
    pos_ = 0;
    return true;
}

int TArcInput::Byte() {
    if (pos_ < fill_) return buffer_[static_cast<std::size_t>(pos_++)];
    if (ended_ || !Refill()) {
        ended_ = true;
        return -1;
    }
    return buffer_[static_cast<std::size_t>(pos_++)];
}

TArcOutput::TArcOutput(TMemberIo& io, TArcBuffers& buffers)
    : io_(io), buffer_(Sized(buffers.output, kBufferSize)),
      declared_(std::max<std::int64_t>(io.UnpackedSize, 0)), left_(declared_) {}

void TArcOutput::Put(const std::uint8_t* data, std::int64_t count) {
    while (count > 0) {
        if (left_ <= 0) Overflow();
        const std::int64_t n = std::min({count, kBufferSize - fill_, left_});
        std::memcpy(buffer_.data() + fill_, data, static_cast<std::size_t>(n));
        fill_ += n;
        left_ -= n;
        data += n;
        count -= n;
        if (fill_ == kBufferSize) Flush();
    }
}

void TArcOutput::Flush() {
    if (fill_ == 0) return;
    const std::int64_t count = fill_;
    fill_ = 0;
    const std::int64_t written = io_.Write ? io_.Write(buffer_.data(), count) : 0;
    if (written != count) throw E_RAISE(kMsgWriteError);
}

void TArcOutput::Overflow() {
    Flush();
    throw E_RAISE(kMsgCorruptInput);
}

void TArcRunLength::Put(std::uint8_t byte) {
    if (repeat_) {
        repeat_ = false;
        if (byte == 0) {
            output_.Put(kRepeatMarker);
        } else {
            for (int i = 1; i < byte; ++i)
                output_.Put(last_);
        }
    } else if (byte == kRepeatMarker) {
        repeat_ = true;
    } else {
        output_.Put(byte);
        last_ = byte;
    }
}

TDecodeResult ArcUnpack(TMemberIo& io, TArcBuffers& buffers) {
    TArcInput input(io, buffers);
    TArcOutput output(io, buffers);
    TArcRunLength rle(output);
    for (int c = input.Byte(); c >= 0; c = input.Byte())
        rle.Put(static_cast<std::uint8_t>(c));
    output.Flush();
    return input.End();
}

} // namespace sorvane
