// What the ARC/PAK reader hands to its decoders (packed, squeezed, crunched,
// squashed), and the byte input, the bounded output and the run-length stage
// those decoders share.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace sorvane {

// One member to decode, filled by the ARC reader before each member.
struct TArcMemberContext {
    std::uint8_t Method = 0;       // 3 packed, 4 squeezed, 5..8 crunched, 9 squashed
    std::int64_t PackedSize = 0;   // packed bytes of the member
    std::int64_t UnpackedSize = 0; // the declared size: no decoder writes more
    // Reads up to Count packed bytes into Buf; the bytes read. Never asked
    // for more than what remains of PackedSize.
    std::function<std::int64_t(std::uint8_t* Buf, std::int64_t Count)> Read;
    // Writes Count (> 0) decoded bytes; the bytes written, fewer on failure.
    std::function<std::int64_t(const std::uint8_t* Buf, std::int64_t Count)> Write;
    // Set by the user to stop; read before each refill (may be null).
    const std::uint8_t* Cancel = nullptr;
    // Set by the input when a read brought fewer bytes than the packed size
    // promised: the member is cut short.
    bool InputCut = false;
};

// The packed input of one member: a 32,767-byte buffer refilled through
// TArcMemberContext::Read, never beyond PackedSize.
class TArcInput {
public:
    static constexpr std::int64_t kBufferSize = 32767;

    explicit TArcInput(TArcMemberContext& context);

    // The next byte, or -1 once the packed data are used up (or cut short,
    // or the run canceled).
    int Byte();
    bool Canceled() const;

private:
    bool Refill();

    TArcMemberContext& context_;
    std::vector<std::uint8_t> buffer_;
    std::int64_t fill_ = 0, pos_ = 0;
    std::int64_t packedLeft_;
    bool ended_ = false;
};

// The decoded output of one member: a 32,767-byte buffer written through
// TArcMemberContext::Write. A byte past the declared size is corrupt input:
// Put raises E_RAISE 25140 (after writing what fits).
class TArcOutput {
public:
    static constexpr std::int64_t kBufferSize = 32767;

    explicit TArcOutput(TArcMemberContext& context);

    // Raises E_RAISE 25140 past the declared size, 25136 when a write failed.
    void Put(std::uint8_t byte) {
        if (left_ <= 0) Overflow();
        buffer_[static_cast<std::size_t>(fill_++)] = byte;
        --left_;
        if (fill_ == kBufferSize) Flush();
    }
    void Put(const std::uint8_t* data, std::int64_t count);
    // Writes the buffered bytes; raises E_RAISE 25136 when the write failed.
    void Flush();
    std::int64_t Written() const { return declared_ - left_; }

private:
    [[noreturn]] void Overflow();

    TArcMemberContext& context_;
    std::vector<std::uint8_t> buffer_;
    std::int64_t fill_ = 0;
    std::int64_t declared_, left_;
};

// Run-length decoding in front of an output: 0x90 is the repeat marker;
// after it a count of 0 stands for 0x90 itself, a count n for n - 1 more
// copies of the last byte; any other byte is written and remembered.
class TArcRunLength {
public:
    explicit TArcRunLength(TArcOutput& output) : output_(output) {}
    void Put(std::uint8_t byte);

private:
    TArcOutput& output_;
    std::uint8_t last_ = 0;
    bool repeat_ = false;
};

// The byte sink of a decoder: straight to the output, or through the
// run-length stage.
class TArcSink {
public:
    TArcSink(TArcOutput& output, bool runLength) : output_(output), rle_(output), rl_(runLength) {}
    void Put(std::uint8_t byte) {
        if (rl_)
            rle_.Put(byte);
        else
            output_.Put(byte);
    }

private:
    TArcOutput& output_;
    TArcRunLength rle_;
    bool rl_;
};

// Method 3: run-length decoding of the packed bytes. Raises E_RAISE as
// TArcOutput does.
void ArcUnpack(TArcMemberContext& context);

} // namespace sorvane
