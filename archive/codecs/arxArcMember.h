// The byte input, the bounded output and the run-length stage the ARC/PAK
// decoders (packed, squeezed, crunched, squashed) share over a member's
// TMemberIo.
#pragma once

#include "archive/codecs/arxMemberIo.h"

#include <array>
#include <cstdint>
#include <vector>

namespace sorvane {

// What the ARC decoders need for a member besides their fixed tables: the
// input and output buffers and the squash string table, kept by the reader
// for the whole run and sized on the first member that needs them.
struct TArcBuffers {
    std::vector<std::uint8_t> input, output;
    std::vector<std::uint16_t> prefix;
    std::vector<std::uint8_t> suffix, stack;
    std::vector<std::array<std::int16_t, 2>> nodes; // the squeeze tree
};

// The packed input of one member: a 32,767-byte buffer refilled through
// TMemberIo::Read, never beyond PackedSize.
class TArcInput {
public:
    static constexpr std::int64_t kBufferSize = 32767;

    // Reads through `buffers.input` (sized here once).
    TArcInput(TMemberIo& io, TArcBuffers& buffers);

    // The next byte, or -1 once the packed data are used up (or cut short,
    // or the run canceled).
    int Byte();
    bool Canceled() const;
    // How the input ended for the decoder that stopped: Canceled, InputEnded
    // when a read brought fewer bytes than the packed size promised, else Done.
    TDecodeResult End() const;

private:
    bool Refill();

    TMemberIo& io_;
    std::vector<std::uint8_t>& buffer_;
    std::int64_t fill_ = 0, pos_ = 0;
    std::int64_t packedLeft_;
    bool ended_ = false;
    bool cut_ = false;
};

// The decoded output of one member: a 32,767-byte buffer written through
// TMemberIo::Write. A byte past the declared size is corrupt input:
// Put raises E_RAISE 25140 (after writing what fits).
class TArcOutput {
public:
    static constexpr std::int64_t kBufferSize = 32767;

    // Writes through `buffers.output` (sized here once).
    TArcOutput(TMemberIo& io, TArcBuffers& buffers);

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

    TMemberIo& io_;
    std::vector<std::uint8_t>& buffer_;
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

// Method 3: run-length decoding of the packed bytes; ends as TArcInput::End
// tells. Raises E_RAISE as TArcOutput does.
TDecodeResult ArcUnpack(TMemberIo& io, TArcBuffers& buffers);

} // namespace sorvane
