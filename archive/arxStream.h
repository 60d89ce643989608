// The archive library's stream classes: an abstract byte stream with whole-
// buffer helpers, TStream32 (64-bit copying with cancel and progress hooks),
// the descriptor-backed THandleStream32 and the named-file TFileStream32, and
// a growable in-memory TMemoryStream32. Sizes, counts and offsets are signed
// 64-bit; every read and write checks its arguments.
#pragma once

#include "archive/arxByteSource.h"
#include "archive/arxLittleEndian.h"

#include <array>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace sorvane {

// A stream operation that cannot be done (short whole-buffer read or write,
// a bad argument, a stream that does not support the request).
class EArxStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A value outside the range an operation accepts ("Range check error").
class EArxRangeError : public std::runtime_error {
public:
    EArxRangeError() : std::runtime_error("Range check error") {}
};

// A failed system call; Code() is the system's error code.
class EArxSystemError : public std::runtime_error {
public:
    EArxSystemError(int code, const std::string& message)
        : std::runtime_error(message), code_(code) {}
    int Code() const { return code_; }

private:
    int code_;
};

enum class TSeekOrigin : int { Beginning = 0, Current = 1, End = 2 };

// The abstract byte stream the library's streams build on.
class TArxBaseStream {
public:
    TArxBaseStream() = default;
    TArxBaseStream(const TArxBaseStream&) = delete;
    TArxBaseStream& operator=(const TArxBaseStream&) = delete;
    virtual ~TArxBaseStream() = default;

    // Up to `count` bytes into `buffer`; the number read (0 at the end).
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    // Up to `count` bytes from `buffer`; the number written.
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    // Moves the position; the new position (-1 when the move failed).
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
    // 32-bit form; by default the 64-bit one, rejecting results beyond 32 bits.
    virtual std::int32_t Seek32(std::int32_t offset, TSeekOrigin origin);
    // Sets the length; by default unsupported.
    virtual void SetSize(std::int64_t newSize);
    // 32-bit form, forwarding to the 64-bit one.
    virtual void SetSize32(std::int32_t newSize);
    // The length, found by seeking to the end and back.
    virtual std::int64_t Size();
    // Up to `count` bytes at `pos`; the number read (0 for a bad position).
    // By default a seek and a read, which leave the position after them; a
    // descriptor's stream reads with one positional read and leaves its
    // position where it was. Callers make no assumption about the position.
    virtual std::int64_t PositionalRead(std::int64_t pos, void* buffer, std::int64_t count);

    std::int64_t Position() { return Seek(0, TSeekOrigin::Current); }
    void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::Beginning); }

    // Exactly `count` bytes, or EArxStreamError.
    void ReadBuffer(void* buffer, std::int64_t count);
    void WriteBuffer(const void* buffer, std::int64_t count);

protected:
    // Raises EArxStreamError when `count` is negative or `buffer` is missing.
    static void CheckBuffer(const void* buffer, std::int64_t count, const char* operation);
};

// A stream with 64-bit copying that can be canceled and reports progress.
class TStream32 : public TArxBaseStream {
public:
    static constexpr std::int64_t kCopyChunk = 131072;

    // The cancel byte; when absent copying never cancels.
    std::uint8_t* CancelFlagRef = nullptr;
    // The counter of bytes still expected, owned by the caller.
    std::int64_t* RemainingRef = nullptr;
    // Progress notification, given the stream.
    std::function<void(TStream32&)> OnProgress;
    // Lets the caller's message loop run once per copied chunk.
    std::function<void()> OnMessageLoop;

    // Copies `count` bytes from `source` at its position; 0 copies the whole of
    // `source` from position 0. Stops early when the cancel byte is set. A
    // short read or write raises EArxStreamError. Gives the count asked for
    // (the size of `source` for 0).
    virtual std::int64_t CopyFromStream(TArxBaseStream& source, std::int64_t count);

    // Where the current copy started in the destination.
    std::int64_t CopyStartMark() const { return copyStart_; }

protected:
    // The copy loop of CopyFromStream: `chunk` bytes at a time, handing control
    // to the message loop before each; `cancelAfterMessages` tests the cancel
    // flag once more after that hand-off.
    std::int64_t CopyInChunks(TArxBaseStream& source, std::int64_t count, std::int64_t chunk,
                              bool cancelAfterMessages);
    bool Canceled() const { return CancelFlagRef != nullptr && *CancelFlagRef != 0; }
    void RunMessageLoop() {
        if (OnMessageLoop) OnMessageLoop();
    }
    // Calls OnProgress when it is set.
    virtual void DoProgress();

    std::int64_t copyStart_ = 0;
};

// A stream over a system file descriptor; Handle is negative when no file is open.
class THandleStream32 : public TStream32 {
public:
    explicit THandleStream32(int handle = -1) : Handle(handle) {}

    int Handle;

    void SetSize32(std::int32_t newSize) override;
    // Seeks to `newSize` and cuts or extends the file there; failure raises EArxSystemError.
    void SetSize(std::int64_t newSize) override;
    // A failed read gives 0. When at least one byte came and OnProgress is
    // set, the counter behind RemainingRef drops by `count` and OnProgress fires.
    std::int64_t Read(void* buffer, std::int64_t count) override;
    // A failed write gives 0.
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int32_t Seek32(std::int32_t offset, TSeekOrigin origin) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    // One pread; a failed read gives 0. No progress is reported.
    std::int64_t PositionalRead(std::int64_t pos, void* buffer, std::int64_t count) override;
};

// A stream over a named file. Mode 0xFFFF creates (truncates); any other
// value opens with that access and sharing (0x20 read-only deny-write, 0x40
// read-only deny-none, 2 read-write). Failure raises nothing: Handle is
// negative. The destructor closes a valid handle.
class TFileStream32 : public THandleStream32 {
public:
    static constexpr int kModeCreate = 0xFFFF;
    static constexpr int kModeReadDenyWrite = 0x20;
    static constexpr int kModeReadDenyNone = 0x40;
    static constexpr int kModeReadWrite = 2;

    TFileStream32(const std::string& fileName, int mode);
    ~TFileStream32() override;

    const std::string& FileName() const { return fileName_; }

protected:
    // Closes the handle (when valid) and marks it closed.
    void CloseHandle();

    std::string fileName_;
};

// A growable byte buffer as a stream; reads stop at the end of the data,
// writes past the end grow it (a gap is zero-filled).
class TMemoryStream32 : public TStream32 {
public:
    TMemoryStream32() = default;
    explicit TMemoryStream32(std::vector<std::uint8_t> data) : data_(std::move(data)) {}

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void SetSize(std::int64_t newSize) override;
    std::int64_t Size() override { return static_cast<std::int64_t>(data_.size()); }

    const std::vector<std::uint8_t>& Data() const { return data_; }

private:
    std::vector<std::uint8_t> data_;
    std::int64_t position_ = 0;
};

// Reads up to `count` bytes at `pos`; the number read (0 for a bad position).
std::int64_t ReadAt(TArxBaseStream& stream, std::int64_t pos, void* buffer, std::int64_t count);

// The bytes of a reader's stream (its size taken once: a reader's archive
// does not change under it).
class TArxStreamSource final : public TArxByteSource {
public:
    explicit TArxStreamSource(TArxBaseStream& stream) : stream_(stream), size_(stream.Size()) {}
    std::int64_t ReadAt(std::int64_t pos, void* buffer, std::int64_t count) override {
        return sorvane::ReadAt(stream_, pos, buffer, count);
    }
    std::int64_t Size() const override { return size_; }

private:
    TArxBaseStream& stream_;
    std::int64_t size_;
};

// A volume as a header reader's bytes: its size taken once, and small reads
// served from two blocks read ahead (in ZIP one for the walk through the
// central directory and one for the local headers it points at), so that a
// header whose block was read already costs no system call, and the data of
// small members come many to a block.
class TArxBlockSource final : public TArxByteSource {
public:
    // Starts on `stream` (its size read now, nothing read ahead); nullptr: none.
    void Reset(TArxBaseStream* stream);
    TArxBaseStream* Stream() const { return stream_; }

    std::int64_t ReadAt(std::int64_t pos, void* buffer, std::int64_t count) override;
    std::int64_t Size() const override { return size_; }

private:
    static constexpr std::int64_t kBlock = 65536;
    struct Block {
        std::int64_t Start = 0;
        std::int64_t Length = 0;
        std::uint64_t Used = 0; // when last read, for replacing the older block
        std::vector<std::uint8_t> Bytes;
    };
    TArxBaseStream* stream_ = nullptr;
    std::int64_t size_ = 0;
    std::array<Block, 2> blocks_;
    std::uint64_t clock_ = 0;
};

} // namespace sorvane
