// The Deflate/Deflate64 decoding core shared by the stream engine and the
// ZIP Deflate64 member decoder; each user owns its own instances (input
// position, window and tables are per instance).
#pragma once

#include "archive/arxStreamDecompress.h"

#include <cstddef>
#include <cstdint>

namespace sorvane {

class TInflateCore {
public:
    // Window bits 8..16 (the history kept); raw streams have no header or
    // trailer. Allocated through `alloc`; nullptr when memory runs out.
    static TInflateCore* Create(TInflateAlloc alloc, TInflateFree release, void* opaque,
                                bool deflate64, bool raw, int windowBits);
    // Frees the instance through the release callback it was made with.
    void Destroy();
    void Reset();

    // Decodes from in/availIn into out/availOut, advancing both. Results as
    // TInflate::Inflate: kInflateOk, kInflateStreamEnd, kInflateNeedDict,
    // kInflateStreamError, kInflateDataError, kInflateBufError.
    int Run(const std::uint8_t*& in, std::int64_t& availIn, std::uint8_t*& out,
            std::int64_t& availOut, int flush);

    std::int64_t TotalIn = 0;
    std::int64_t TotalOut = 0;
    std::uint32_t CheckValue = 0;
    // A short reason after kInflateDataError.
    const char* Message = nullptr;

private:
    enum Mode : std::uint8_t {
        Head,
        DictId,
        Dict,
        Type,
        Stored,
        Copy,
        Table,
        LenLens,
        CodeLens,
        Len,
        LenExt,
        Dist,
        DistExt,
        Match,
        Check,
        Done,
        Bad
    };
    // Next: the state changed and decoding goes on.
    enum Step : std::uint8_t { NeedInput, RoomFull, Stopped, Next };

    TInflateCore() = default;
    Step Decode();
    Step ReadZlibHeader();
    Step ReadDictionaryId();
    Step ReadBlockType();
    Step ReadStoredLengths();
    Step CopyStoredBytes();
    Step ReadTableCounts();
    Step ReadCodeLengthCodes();
    Step ReadCodeLengths();
    Step DecodeLength();
    Step ReadLengthExtra();
    Step DecodeDistance();
    Step ReadDistanceExtra();
    Step CopyMatch();
    Step ReadAdlerCheck();
    void FastLoop();
    void Deliver(std::uint8_t*& out, std::int64_t& availOut);
    void MakeRoom();
    bool Pull(unsigned n);
    bool PeekSymbol(const std::uint32_t* table, unsigned root, std::uint32_t& entry,
                    unsigned& length);
    void Drop(unsigned n);
    void Fail(const char* why);
    bool BuildDynamicTables();
    std::size_t Pending() const { return pos_ - flushed_; }

    TInflateFree release_ = nullptr;
    void* opaque_ = nullptr;
    bool deflate64_ = false;
    bool raw_ = false;
    unsigned windowBits_ = 15;
    Mode mode_ = Type;
    bool last_ = false;

    const std::uint8_t* in_ = nullptr;
    const std::uint8_t* inEnd_ = nullptr;
    std::uint64_t hold_ = 0;
    unsigned bits_ = 0;

    // The output buffer: history of windowSize_ bytes, then room to decode.
    std::uint8_t* window_ = nullptr;
    std::size_t windowSize_ = 0;
    std::size_t capacity_ = 0;
    std::size_t pos_ = 0;
    std::size_t flushed_ = 0;

    std::uint32_t adler_ = 1;
    std::uint32_t expected_ = 0;
    unsigned length_ = 0;
    unsigned distance_ = 0;
    unsigned extra_ = 0;
    unsigned nlen_ = 0, ndist_ = 0, ncode_ = 0, have_ = 0;

    const std::uint32_t* lenTable_ = nullptr;
    const std::uint32_t* distTable_ = nullptr;
    std::uint8_t lens_[320] = {};

public:
    // Table sizes: the root table plus room for the worst sub-tables.
    static constexpr unsigned kLenRoot = 11;
    static constexpr unsigned kDistRoot = 8;
    static constexpr unsigned kCodeRoot = 7;
    static constexpr std::size_t kLenTableSize = (1u << kLenRoot) + 288 * (1u << (15 - kLenRoot));
    static constexpr std::size_t kDistTableSize = (1u << kDistRoot) + 32 * (1u << (15 - kDistRoot));

private:
    std::uint32_t codeTable_[1u << kCodeRoot] = {};
    std::uint32_t lenOwn_[kLenTableSize] = {};
    std::uint32_t distOwn_[kDistTableSize] = {};
};

} // namespace sorvane
