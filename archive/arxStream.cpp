// The archive library's base, handle, file and memory streams.
#include "archive/arxStream.h"

#include "platform/StreamFile.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace sorvane {

// ---- TArxBaseStream --------------------------------------------------------

void TArxBaseStream::CheckBuffer(const void* buffer, std::int64_t count, const char* operation) {
    if (count < 0)
        throw EArxStreamError(std::string("Stream ") + operation + ": negative count " +
                              std::to_string(count));
    if (count > 0 && buffer == nullptr)
        throw EArxStreamError(std::string("Stream ") + operation + ": no buffer for " +
                              std::to_string(count) + " bytes");
}

std::int32_t TArxBaseStream::Seek32(std::int32_t offset, TSeekOrigin origin) {
    const std::int64_t result = Seek(offset, origin);
    if (result > std::numeric_limits<std::int32_t>::max()) throw EArxRangeError();
    return static_cast<std::int32_t>(result);
}

void TArxBaseStream::SetSize(std::int64_t) {
    throw EArxStreamError("Stream size cannot be set on this stream");
}

void TArxBaseStream::SetSize32(std::int32_t newSize) {
    SetSize(newSize);
}

std::int64_t TArxBaseStream::Size() {
    const std::int64_t here = Seek(0, TSeekOrigin::Current);
    const std::int64_t end = Seek(0, TSeekOrigin::End);
    Seek(here, TSeekOrigin::Beginning);
    return end;
}

std::int64_t TArxBaseStream::PositionalRead(std::int64_t pos, void* buffer, std::int64_t count) {
    return ReadAt(*this, pos, buffer, count);
}

void TArxBaseStream::ReadBuffer(void* buffer, std::int64_t count) {
    CheckBuffer(buffer, count, "read");
    if (count == 0) return;
    const std::int64_t got = Read(buffer, count);
    if (got != count)
        throw EArxStreamError("Stream read error: wanted " + std::to_string(count) +
                              " bytes, got " + std::to_string(got));
}

void TArxBaseStream::WriteBuffer(const void* buffer, std::int64_t count) {
    CheckBuffer(buffer, count, "write");
    if (count == 0) return;
    const std::int64_t put = Write(buffer, count);
    if (put != count)
        throw EArxStreamError("Stream write error: wanted " + std::to_string(count) +
                              " bytes, wrote " + std::to_string(put));
}

// ---- TStream32 -------------------------------------------------------------

void TStream32::DoProgress() {
    if (OnProgress) OnProgress(*this);
}

std::int64_t TStream32::CopyFromStream(TArxBaseStream& source, std::int64_t count) {
    return CopyInChunks(source, count, kCopyChunk, true);
}

std::int64_t TStream32::CopyInChunks(TArxBaseStream& source, std::int64_t count, std::int64_t chunk,
                                     bool cancelAfterMessages) {
    if (count < 0) throw EArxStreamError("Stream copy: negative count " + std::to_string(count));
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    const std::int64_t result = count;
    copyStart_ = Position();
    std::vector<std::uint8_t> buffer(static_cast<size_t>(std::min(count, chunk)));
    std::int64_t left = count;
    while (left > 0 && !Canceled()) {
        RunMessageLoop();
        if (cancelAfterMessages && Canceled()) break;
        const std::int64_t n = std::min(left, chunk);
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return result;
}

// ---- THandleStream32 -------------------------------------------------------

void THandleStream32::SetSize32(std::int32_t newSize) {
    SetSize(static_cast<std::int64_t>(newSize));
}

void THandleStream32::SetSize(std::int64_t newSize) {
    if (newSize < 0)
        throw EArxStreamError("Stream size cannot be negative: " + std::to_string(newSize));
    if (Seek(newSize, TSeekOrigin::Beginning) < 0) {
        const int code = StreamFileLastError();
        throw EArxSystemError(code, "Cannot move to " + std::to_string(newSize) +
                                        " to set the file size: " + StreamFileErrorText(code));
    }
    if (const int code = StreamFileSetSize(Handle, newSize); code != 0)
        throw EArxSystemError(code, "Cannot set the file size to " + std::to_string(newSize) +
                                        ": " + StreamFileErrorText(code));
}

std::int64_t THandleStream32::Read(void* buffer, std::int64_t count) {
    CheckBuffer(buffer, count, "read");
    if (count == 0) return 0;
    std::int64_t got = StreamFileRead(Handle, buffer, count);
    if (got < 0) got = 0;
    if (got > 0 && OnProgress) {
        if (RemainingRef != nullptr) *RemainingRef -= count;
        OnProgress(*this);
    }
    return got;
}

std::int64_t THandleStream32::PositionalRead(std::int64_t pos, void* buffer, std::int64_t count) {
    CheckBuffer(buffer, count, "read");
    if (pos < 0 || count == 0) return 0;
    const std::int64_t got = StreamFileReadAt(Handle, pos, buffer, count);
    return got < 0 ? 0 : got;
}

std::int64_t THandleStream32::Write(const void* buffer, std::int64_t count) {
    CheckBuffer(buffer, count, "write");
    if (count == 0) return 0;
    const std::int64_t put = StreamFileWrite(Handle, buffer, count);
    return put < 0 ? 0 : put;
}

std::int32_t THandleStream32::Seek32(std::int32_t offset, TSeekOrigin origin) {
    const std::int64_t result = Seek(static_cast<std::int64_t>(offset), origin);
    if (result > std::numeric_limits<std::int32_t>::max()) throw EArxRangeError();
    return static_cast<std::int32_t>(result);
}

std::int64_t THandleStream32::Seek(std::int64_t offset, TSeekOrigin origin) {
    return StreamFileSeek(Handle, offset, static_cast<int>(origin));
}

// ---- TFileStream32 ---------------------------------------------------------

TFileStream32::TFileStream32(const std::string& fileName, int mode)
    : THandleStream32(StreamFileOpen(fileName, mode)), fileName_(fileName) {}

TFileStream32::~TFileStream32() {
    CloseHandle();
}

void TFileStream32::CloseHandle() {
    if (Handle >= 0) StreamFileClose(Handle);
    Handle = -1;
}

// ---- TMemoryStream32 -------------------------------------------------------

std::int64_t TMemoryStream32::Read(void* buffer, std::int64_t count) {
    CheckBuffer(buffer, count, "read");
    const auto size = static_cast<std::int64_t>(data_.size());
    if (position_ >= size || count == 0) return 0;
    const std::int64_t n = std::min(count, size - position_);
    std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

std::int64_t TMemoryStream32::Write(const void* buffer, std::int64_t count) {
    CheckBuffer(buffer, count, "write");
    if (count == 0) return 0;
    if (position_ > std::numeric_limits<std::int64_t>::max() - count)
        throw EArxStreamError("Stream write error: " + std::to_string(count) + " bytes at " +
                              std::to_string(position_) + " go beyond the 64-bit range");
    const std::int64_t end = position_ + count;
    if (end > static_cast<std::int64_t>(data_.size())) data_.resize(static_cast<size_t>(end), 0);
    std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
    position_ = end;
    return count;
}

std::int64_t TMemoryStream32::Seek(std::int64_t offset, TSeekOrigin origin) {
    std::int64_t base = 0;
    switch (origin) {
    case TSeekOrigin::Beginning:
        base = 0;
        break;
    case TSeekOrigin::Current:
        base = position_;
        break;
    case TSeekOrigin::End:
        base = static_cast<std::int64_t>(data_.size());
        break;
    }
    if ((offset > 0 && base > std::numeric_limits<std::int64_t>::max() - offset)) return -1;
    const std::int64_t target = base + offset;
    if (target < 0) return -1;
    position_ = target;
    return position_;
}

void TMemoryStream32::SetSize(std::int64_t newSize) {
    if (newSize < 0)
        throw EArxStreamError("Stream size cannot be negative: " + std::to_string(newSize));
    data_.resize(static_cast<size_t>(newSize), 0);
    if (position_ > newSize) position_ = newSize;
}

std::int64_t ReadAt(TArxBaseStream& stream, std::int64_t pos, void* buffer, std::int64_t count) {
    if (pos < 0 || count <= 0) return 0;
    if (stream.Seek(pos, TSeekOrigin::Beginning) != pos) return 0;
    const std::int64_t got = stream.Read(buffer, count);
    return got < 0 ? 0 : got;
}

void TArxBlockSource::Reset(TArxBaseStream* stream) {
    stream_ = stream;
    size_ = stream != nullptr ? stream->Size() : 0;
    for (Block& block : blocks_)
        block.Length = 0;
}

std::int64_t TArxBlockSource::ReadAt(std::int64_t pos, void* buffer, std::int64_t count) {
    if (stream_ == nullptr || pos < 0 || count <= 0) return 0;
    for (Block& block : blocks_) {
        if (pos >= block.Start && pos - block.Start < block.Length &&
            count <= block.Length - (pos - block.Start)) {
            std::memcpy(buffer, block.Bytes.data() + (pos - block.Start),
                        static_cast<std::size_t>(count));
            block.Used = ++clock_;
            return count;
        }
    }
    // A read of half a block or more (a large member's data) is no small read.
    if (count >= kBlock / 2) return stream_->PositionalRead(pos, buffer, count);
    Block& block = blocks_[0].Used <= blocks_[1].Used ? blocks_[0] : blocks_[1];
    block.Bytes.resize(static_cast<std::size_t>(kBlock));
    block.Start = pos;
    block.Length = stream_->PositionalRead(pos, block.Bytes.data(), kBlock);
    block.Used = ++clock_;
    const std::int64_t got = std::min(count, block.Length);
    if (got > 0) std::memcpy(buffer, block.Bytes.data(), static_cast<std::size_t>(got));
    return std::max<std::int64_t>(got, 0);
}

} // namespace sorvane
