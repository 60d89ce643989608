// Streams of the archive library: memory, handle and file streams, 64-bit
// copying with cancel and progress, the decompressing stream over a
// stand-in engine, Adler-32, and the temporary-file stream with its owner.
#include "archive/arxStream.h"

#include "archive/arxStreamDecompress.h"
#include "archive/arxStreamTemp.h"
#include "platform/Files.h"
#include "tests/archive/ArchiveTestSupport.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace sorvane {
namespace {

using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

namespace fs = std::filesystem;

std::vector<std::uint8_t> Pattern(std::int64_t size, std::uint8_t seed = 0) {
    std::vector<std::uint8_t> data(static_cast<size_t>(size));
    for (std::int64_t i = 0; i < size; ++i)
        data[static_cast<size_t>(i)] = static_cast<std::uint8_t>((i * 7 + seed + i / 251) & 0xFF);
    return data;
}

std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& data, std::int64_t from,
                                std::int64_t n) {
    return {data.begin() + from, data.begin() + from + n};
}

TArxBaseStream* Base(TArxBaseStream& s) {
    return &s;
}

// ---- seeks and reads, the same table over a memory and a file stream -------

struct SeekReadCase {
    const char* name;
    std::int64_t offset;
    TSeekOrigin origin;
    std::int64_t ask;
    std::int64_t expectPosition; // after the seek
    std::int64_t expectRead;
};

// Over a 1000-byte pattern, each from position 300.
const SeekReadCase kSeekReads[] = {
    {"start", 0, TSeekOrigin::Beginning, 10, 0, 10},
    {"middle", 500, TSeekOrigin::Beginning, 100, 500, 100},
    {"from current", 250, TSeekOrigin::Current, 4, 550, 4},
    {"back from current", -300, TSeekOrigin::Current, 4, 0, 4},
    {"from end back", -10, TSeekOrigin::End, 100, 990, 10},
    {"exactly at end", 0, TSeekOrigin::End, 5, 1000, 0},
    {"past the end", 5000, TSeekOrigin::Beginning, 5, 5000, 0},
    {"last byte", 999, TSeekOrigin::Beginning, 1, 999, 1},
    {"zero count", 10, TSeekOrigin::Beginning, 0, 10, 0},
};

void CheckSeekReads(TArxBaseStream& stream, const std::vector<std::uint8_t>& data) {
    for (const auto& c : kSeekReads) {
        SCOPED_TRACE(c.name);
        stream.SetPosition(300);
        EXPECT_EQ(stream.Seek(c.offset, c.origin), c.expectPosition);
        std::vector<std::uint8_t> buffer(static_cast<size_t>(c.ask) + 1, 0xEE);
        EXPECT_EQ(stream.Read(buffer.data(), c.ask), c.expectRead);
        if (c.expectRead > 0) {
            EXPECT_EQ(Slice(buffer, 0, c.expectRead), Slice(data, c.expectPosition, c.expectRead));
        }
        EXPECT_EQ(buffer[static_cast<size_t>(c.expectRead)], 0xEE) << "wrote past what it read";
        EXPECT_EQ(stream.Position(), c.expectPosition + c.expectRead);
        EXPECT_EQ(stream.Size(), 1000);
        EXPECT_EQ(stream.Position(), c.expectPosition + c.expectRead) << "Size keeps the position";
    }
}

TEST(ArxStreams, MemoryStreamSeeksAndReads) {
    const auto data = Pattern(1000);
    TMemoryStream32 stream(data);
    CheckSeekReads(stream, data);
}

TEST(ArxStreams, FileStreamSeeksAndReadsOverATemporaryFile) {
    TempFolder folder;
    const auto data = Pattern(1000);
    WriteBytes(folder.File("in.bin"), data);
    for (int mode : {TFileStream32::kModeReadDenyWrite, TFileStream32::kModeReadDenyNone,
                     TFileStream32::kModeReadWrite}) {
        SCOPED_TRACE(mode);
        TFileStream32 stream(folder.File("in.bin"), mode);
        ASSERT_GE(stream.Handle, 0);
        CheckSeekReads(stream, data);
        EXPECT_EQ(stream.Seek32(-1, TSeekOrigin::End), 999);
    }
}

TEST(ArxStreams, SeekBeforeTheStartFails) {
    TempFolder folder;
    WriteBytes(folder.File("f"), Pattern(10));
    TFileStream32 file(folder.File("f"), TFileStream32::kModeReadDenyNone);
    TMemoryStream32 memory(Pattern(10));
    for (TArxBaseStream* stream : {Base(file), Base(memory)}) {
        stream->SetPosition(3);
        EXPECT_EQ(stream->Seek(-4, TSeekOrigin::Beginning), -1);
        EXPECT_EQ(stream->Seek(-20, TSeekOrigin::End), -1);
        EXPECT_EQ(stream->Position(), 3);
    }
}

// ---- writes and sizes ------------------------------------------------------

struct WriteCase {
    const char* name;
    std::int64_t initialSize;
    std::int64_t at;
    std::int64_t count;
    std::int64_t expectSize;
};

const WriteCase kWrites[] = {
    {"append to empty", 0, 0, 100, 100},   {"overwrite inside", 100, 10, 20, 100},
    {"overlap the end", 100, 90, 20, 110}, {"beyond the end leaves a zero gap", 10, 50, 5, 55},
    {"nothing", 100, 0, 0, 100},
};

std::vector<std::uint8_t> Expected(const WriteCase& c, const std::vector<std::uint8_t>& before,
                                   const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint8_t> expect = before;
    if (c.at + c.count > static_cast<std::int64_t>(expect.size()))
        expect.resize(static_cast<size_t>(c.at + c.count), 0);
    std::copy(bytes.begin(), bytes.end(), expect.begin() + c.at);
    return expect;
}

TEST(ArxStreams, WritesGrowOrOverwrite) {
    TempFolder folder;
    for (const auto& c : kWrites) {
        SCOPED_TRACE(c.name);
        const auto initial = Pattern(c.initialSize, 3);
        const auto bytes = Pattern(c.count, 99);
        const auto expect = Expected(c, initial, bytes);
        ASSERT_EQ(static_cast<std::int64_t>(expect.size()), c.expectSize);
        {
            TMemoryStream32 memory(initial);
            memory.SetPosition(c.at);
            EXPECT_EQ(memory.Write(bytes.data(), c.count), c.count);
            EXPECT_EQ(memory.Size(), c.expectSize);
            EXPECT_EQ(memory.Position(), c.at + c.count);
            EXPECT_EQ(memory.Data(), expect);
        }
        WriteBytes(folder.File("w"), initial);
        {
            TFileStream32 file(folder.File("w"), TFileStream32::kModeReadWrite);
            ASSERT_GE(file.Handle, 0);
            file.SetPosition(c.at);
            EXPECT_EQ(file.Write(bytes.data(), c.count), c.count);
            EXPECT_EQ(file.Size(), c.expectSize);
            EXPECT_EQ(file.Position(), c.at + c.count);
        }
        EXPECT_EQ(ReadBytes(folder.File("w")), expect);
    }
}

struct SizeCase {
    const char* name;
    std::int64_t initial;
    std::int64_t newSize;
};

const SizeCase kSizes[] = {
    {"cut", 100, 40},
    {"extend with zeros", 10, 70000},
    {"to nothing", 50, 0},
    {"unchanged", 30, 30},
};

TEST(ArxStreams, SetSizeCutsOrExtends) {
    TempFolder folder;
    for (const auto& c : kSizes) {
        SCOPED_TRACE(c.name);
        const auto initial = Pattern(c.initial);
        auto expect = initial;
        expect.resize(static_cast<size_t>(c.newSize), 0);
        WriteBytes(folder.File("s"), initial);
        {
            TFileStream32 file(folder.File("s"), TFileStream32::kModeReadWrite);
            file.SetSize(c.newSize);
            EXPECT_EQ(file.Position(), c.newSize) << "the size is set by moving there";
            EXPECT_EQ(file.Size(), c.newSize);
        }
        EXPECT_EQ(ReadBytes(folder.File("s")), expect);
        {
            TFileStream32 file(folder.File("s"), TFileStream32::kModeReadWrite);
            file.SetSize32(static_cast<std::int32_t>(c.initial));
            EXPECT_EQ(file.Size(), c.initial);
        }
        TMemoryStream32 memory(initial);
        memory.SetSize(c.newSize);
        EXPECT_EQ(memory.Data(), expect);
    }
}

TEST(ArxStreams, SetSizeOnAReadOnlyFileRaisesASystemError) {
    TempFolder folder;
    WriteBytes(folder.File("r"), Pattern(10));
    TFileStream32 file(folder.File("r"), TFileStream32::kModeReadDenyWrite);
    ASSERT_GE(file.Handle, 0);
    EXPECT_THROW(file.SetSize(3), EArxSystemError);
    EXPECT_EQ(ReadFileSize(folder.File("r")), 10u);
    TFileStream32 missing(folder.File("nothing"), TFileStream32::kModeReadWrite);
    EXPECT_THROW(missing.SetSize(3), EArxSystemError);
}

TEST(ArxStreams, CreateModeTruncatesAnExistingFile) {
    TempFolder folder;
    WriteBytes(folder.File("c"), Pattern(500));
    {
        TFileStream32 file(folder.File("c"), TFileStream32::kModeCreate);
        ASSERT_GE(file.Handle, 0);
        EXPECT_EQ(file.Size(), 0);
        const auto bytes = Pattern(7);
        file.WriteBuffer(bytes.data(), 7);
    }
    EXPECT_EQ(ReadBytes(folder.File("c")), Pattern(7));
}

TEST(ArxStreams, OpeningAMissingFileLeavesANegativeHandle) {
    TempFolder folder;
    for (int mode : {TFileStream32::kModeReadDenyWrite, TFileStream32::kModeReadDenyNone,
                     TFileStream32::kModeReadWrite}) {
        SCOPED_TRACE(mode);
        TFileStream32 stream(folder.File("missing.bin"), mode);
        EXPECT_LT(stream.Handle, 0);
        std::uint8_t buffer[4] = {};
        EXPECT_EQ(stream.Read(buffer, 4), 0);
        EXPECT_EQ(stream.Write(buffer, 4), 0);
        EXPECT_THROW(stream.ReadBuffer(buffer, 4), EArxStreamError);
    }
    EXPECT_FALSE(fs::exists(folder.File("missing.bin")));
    TFileStream32 inMissingFolder(folder.File("no/such/folder"), TFileStream32::kModeCreate);
    EXPECT_LT(inMissingFolder.Handle, 0);
}

TEST(ArxStreams, WritingAReadOnlyFileGivesZeroAndWholeBufferWritesRaise) {
    TempFolder folder;
    WriteBytes(folder.File("r"), Pattern(10));
    TFileStream32 file(folder.File("r"), TFileStream32::kModeReadDenyNone);
    std::uint8_t bytes[3] = {1, 2, 3};
    EXPECT_EQ(file.Write(bytes, 3), 0);
    try {
        file.WriteBuffer(bytes, 3);
        ADD_FAILURE() << "a short whole-buffer write must raise";
    } catch (const EArxStreamError& error) {
        EXPECT_NE(std::string(error.what()).find("Stream write error"), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(ReadBytes(folder.File("r")), Pattern(10));
}

// ---- reading past the end and bad arguments --------------------------------

TEST(ArxStreams, ReadingPastTheEnd) {
    TempFolder folder;
    const auto data = Pattern(20);
    WriteBytes(folder.File("e"), data);
    TFileStream32 file(folder.File("e"), TFileStream32::kModeReadDenyNone);
    TMemoryStream32 memory(data);
    for (TArxBaseStream* stream : {Base(file), Base(memory)}) {
        std::vector<std::uint8_t> buffer(64);
        stream->SetPosition(15);
        EXPECT_EQ(stream->Read(buffer.data(), 64), 5);
        EXPECT_EQ(Slice(buffer, 0, 5), Slice(data, 15, 5));
        EXPECT_EQ(stream->Read(buffer.data(), 64), 0);
        stream->SetPosition(15);
        try {
            stream->ReadBuffer(buffer.data(), 6);
            ADD_FAILURE() << "a short whole-buffer read must raise";
        } catch (const EArxStreamError& error) {
            EXPECT_NE(std::string(error.what()).find("Stream read error"), std::string::npos)
                << error.what();
        }
        stream->SetPosition(15);
        EXPECT_NO_THROW(stream->ReadBuffer(buffer.data(), 5));
    }
}

// A positional read gives the bytes at its position; a file's stream reads
// them without moving its own position (one pread), a memory stream by a seek.
TEST(ArxStreams, PositionalReadGivesTheBytesAtItsPosition) {
    TempFolder folder;
    const auto data = Pattern(1000);
    WriteBytes(folder.File("p"), data);
    TFileStream32 file(folder.File("p"), TFileStream32::kModeReadDenyNone);
    ASSERT_GE(file.Handle, 0);
    TMemoryStream32 memory(data);
    struct Case {
        const char* name;
        std::int64_t pos, ask, expect;
    };
    const Case cases[] = {
        {"start", 0, 10, 10},
        {"middle", 500, 100, 100},
        {"short at the end", 990, 100, 10},
        {"at the end", 1000, 5, 0},
        {"past the end", 5000, 5, 0},
        {"negative position", -1, 5, 0},
        {"zero count", 10, 0, 0},
    };
    for (TArxBaseStream* stream : {Base(file), Base(memory)}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            stream->SetPosition(300);
            std::vector<std::uint8_t> buffer(static_cast<std::size_t>(c.ask) + 1, 0xEE);
            EXPECT_EQ(stream->PositionalRead(c.pos, buffer.data(), c.ask), c.expect);
            if (c.expect > 0) {
                EXPECT_EQ(Slice(buffer, 0, c.expect), Slice(data, c.pos, c.expect));
            }
            EXPECT_EQ(buffer[static_cast<std::size_t>(c.expect)], 0xEE)
                << "wrote past what it read";
            if (stream == &file) {
                EXPECT_EQ(file.Position(), 300) << "the file's position stays";
            }
        }
    }
}

TEST(ArxStreams, NegativeCountsAndMissingBuffersRaise) {
    TempFolder folder;
    WriteBytes(folder.File("b"), Pattern(20));
    TFileStream32 file(folder.File("b"), TFileStream32::kModeReadWrite);
    TMemoryStream32 memory(Pattern(20));
    std::uint8_t buffer[4] = {};
    for (TArxBaseStream* stream : {Base(file), Base(memory)}) {
        EXPECT_THROW(stream->Read(buffer, -1), EArxStreamError);
        EXPECT_THROW(stream->Write(buffer, -1), EArxStreamError);
        EXPECT_THROW(stream->Read(nullptr, 4), EArxStreamError);
        EXPECT_THROW(stream->Write(nullptr, 4), EArxStreamError);
        EXPECT_THROW(stream->ReadBuffer(buffer, -2), EArxStreamError);
        EXPECT_EQ(stream->Read(nullptr, 0), 0);
        EXPECT_THROW(stream->SetSize(-1), EArxStreamError);
    }
    EXPECT_EQ(ReadBytes(folder.File("b")), Pattern(20));
}

TEST(ArxStreams, MemoryStreamPositionsBeyond64BitsAreRefused) {
    TMemoryStream32 memory(Pattern(10));
    const std::int64_t far = std::numeric_limits<std::int64_t>::max() - 1;
    EXPECT_EQ(memory.Seek(far, TSeekOrigin::Beginning), far);
    EXPECT_EQ(memory.Seek(5, TSeekOrigin::Current), -1);
    std::uint8_t buffer[4] = {};
    EXPECT_EQ(memory.Read(buffer, 4), 0);
    EXPECT_THROW(memory.Write(buffer, 4), EArxStreamError);
    EXPECT_EQ(memory.Size(), 10);
}

// ---- progress on handle reads ---------------------------------------------

TEST(ArxStreams, HandleReadCountsDownWhatWasAskedAndReportsProgress) {
    TempFolder folder;
    WriteBytes(folder.File("p"), Pattern(14));
    TFileStream32 file(folder.File("p"), TFileStream32::kModeReadDenyNone);
    std::int64_t remaining = 100;
    int calls = 0;
    file.RemainingRef = &remaining;
    file.OnProgress = [&](TStream32& stream) {
        EXPECT_EQ(&stream, &file);
        ++calls;
    };
    struct Step {
        std::int64_t ask, got, remaining;
        int calls;
    };
    const Step steps[] = {{10, 10, 90, 1}, {10, 4, 80, 2}, {10, 0, 80, 2}};
    std::uint8_t buffer[10];
    for (const auto& s : steps) {
        EXPECT_EQ(file.Read(buffer, s.ask), s.got);
        EXPECT_EQ(remaining, s.remaining);
        EXPECT_EQ(calls, s.calls);
    }
    // Without a progress handler the counter is left alone.
    file.OnProgress = nullptr;
    file.SetPosition(0);
    EXPECT_EQ(file.Read(buffer, 10), 10);
    EXPECT_EQ(remaining, 80);
}

// ---- copying ---------------------------------------------------------------

struct CopyCase {
    const char* name;
    std::int64_t sourceSize;
    std::int64_t sourceStart;
    std::int64_t count;
    int cancelInLoop; // the message loop sets the cancel byte on this run (0: never)
    std::int64_t expectCopied;
    int expectLoops;
};

const CopyCase kLibraryCopies[] = {
    {"all from the start with count 0", 300000, 12345, 0, 0, 300000, 3},
    {"part from the position", 300000, 1000, 131073, 0, 131073, 2},
    {"exactly one chunk", 131072, 0, 131072, 0, 131072, 1},
    {"small", 10, 2, 5, 0, 5, 1},
    {"empty source, count 0", 0, 0, 0, 0, 0, 0},
    {"canceled in the second loop: checked again before the chunk", 300000, 0, 300000, 2, 131072,
     2},
    {"canceled in the first loop", 300000, 0, 300000, 1, 0, 1},
};

const CopyCase kTempCopies[] = {
    {"all from the start with count 0", 250000, 777, 0, 0, 250000, 3},
    {"exactly one chunk", 100000, 0, 100000, 0, 100000, 1},
    {"one byte more", 100001, 0, 100001, 0, 100001, 2},
    {"canceled in the second loop: that chunk still goes", 300000, 0, 300000, 2, 200000, 2},
    {"canceled in the first loop", 300000, 0, 300000, 1, 100000, 1},
};

template <typename MakeDest>
void RunCopies(const CopyCase* begin, const CopyCase* end, MakeDest makeDest) {
    for (const CopyCase* c = begin; c != end; ++c) {
        SCOPED_TRACE(c->name);
        const auto data = Pattern(c->sourceSize, 5);
        TMemoryStream32 source(data);
        source.SetPosition(c->sourceStart);
        auto dest = makeDest();
        std::uint8_t cancel = 0;
        int loops = 0;
        dest->CancelFlagRef = &cancel;
        dest->OnMessageLoop = [&] {
            if (++loops == c->cancelInLoop) cancel = 1;
        };
        const std::int64_t asked = c->count == 0 ? c->sourceSize : c->count;
        EXPECT_EQ(dest->CopyFromStream(source, c->count), asked);
        EXPECT_EQ(loops, c->expectLoops);
        EXPECT_EQ(dest->Size(), c->expectCopied);
        const std::int64_t from = c->count == 0 ? 0 : c->sourceStart;
        dest->SetPosition(0);
        std::vector<std::uint8_t> got(static_cast<size_t>(c->expectCopied));
        dest->ReadBuffer(got.data(), c->expectCopied);
        EXPECT_EQ(got, Slice(data, from, c->expectCopied));
    }
}

TEST(ArxStreams, LibraryCopyInChunksOf131072) {
    RunCopies(std::begin(kLibraryCopies), std::end(kLibraryCopies),
              [] { return std::make_unique<TMemoryStream32>(); });
}

TEST(ArxStreams, CopyWithoutACancelByteNeverCancels) {
    TMemoryStream32 source(Pattern(5000));
    TMemoryStream32 dest;
    EXPECT_EQ(dest.CopyFromStream(source, 0), 5000);
    EXPECT_EQ(dest.Data(), Pattern(5000));
}

TEST(ArxStreams, CopyFromAShortSourceRaises) {
    TMemoryStream32 source(Pattern(100));
    source.SetPosition(50);
    TMemoryStream32 dest;
    EXPECT_THROW(dest.CopyFromStream(source, 60), EArxStreamError);
    EXPECT_THROW(dest.CopyFromStream(source, -1), EArxStreamError);
}

TEST(ArxStreams, CopyIntoAReadOnlyFileRaises) {
    TempFolder folder;
    WriteBytes(folder.File("r"), Pattern(10));
    TFileStream32 file(folder.File("r"), TFileStream32::kModeReadDenyWrite);
    TMemoryStream32 source(Pattern(100));
    EXPECT_THROW(file.CopyFromStream(source, 0), EArxStreamError);
}

// ---- a stand-in inflate engine ---------------------------------------------

// "Inflates" by copying: the output is the input's first `length` bytes, after
// which the engine reports the end of the stream. Records every output window.
class CopyEngine : public TInflateEngine {
public:
    explicit CopyEngine(std::int64_t length) : length_(length) {}

    int InflateInit(TInflateRecord& record, int windowBits, int check) override {
        windowBits_ = windowBits;
        check_ = check;
        record.TotalOut = 0;
        return initResult;
    }
    int InflateReset(TInflateRecord& record) override {
        ++resets;
        record.TotalOut = 0;
        return 0;
    }
    int InflateEnd(TInflateRecord&) override {
        ++ends;
        return 0;
    }
    int Inflate(TInflateRecord& record, int) override {
        windows.push_back(record.AvailOut);
        if (failAt >= 0 && record.TotalOut >= failAt) return -3;
        if (record.TotalOut >= length_) return kInflateStreamEnd;
        const std::int64_t n =
            std::min({record.AvailIn, record.AvailOut, length_ - record.TotalOut});
        std::copy(record.NextIn, record.NextIn + n, record.NextOut);
        record.NextIn += n;
        record.AvailIn -= n;
        record.NextOut += n;
        record.AvailOut -= n;
        record.TotalOut += n;
        if (record.TotalOut >= length_) return kInflateStreamEnd;
        return n == 0 ? kInflateBufError : kInflateOk;
    }

    int windowBits_ = 0, check_ = 0, resets = 0, ends = 0;
    int initResult = 0;
    std::int64_t failAt = -1;
    std::vector<std::int64_t> windows;

private:
    std::int64_t length_;
};

TEST(ArxStreams, DecompressStartsTheEngineWithTheCallersWindowBits) {
    TMemoryStream32 source(Pattern(10));
    source.SetPosition(4);
    CopyEngine engine(6);
    {
        TDecompressStream stream(source, -15, engine);
        EXPECT_EQ(engine.windowBits_, -15);
        EXPECT_EQ(engine.check_, 74);
        EXPECT_EQ(stream.SourcePos, 4) << "input begins where Source stood";
        EXPECT_EQ(stream.Record().AvailIn, 0);
        std::uint8_t out[6];
        EXPECT_EQ(stream.Read(out, 6), 6);
        EXPECT_EQ(std::vector<std::uint8_t>(out, out + 6), Slice(Pattern(10), 4, 6));
    }
    EXPECT_EQ(engine.ends, 1);
    CopyEngine refusing(6);
    refusing.initResult = -2;
    EXPECT_THROW(TDecompressStream(source, 15, refusing), EArxStreamError);
    EXPECT_EQ(refusing.ends, 0);
}

struct DecompressReadCase {
    const char* name;
    std::int64_t length; // decoded length
    std::vector<std::int64_t> asks;
    std::vector<std::int64_t> results;
};

const DecompressReadCase kDecompressReads[] = {
    {"whole in one", 1000, {1000}, {1000}},
    {"in pieces", 1000, {300, 300, 300, 100}, {300, 300, 300, 100}},
    {"past the end gives what was produced, then 0", 1000, {600, 600, 10}, {600, 400, 0}},
    {"larger than the input buffer", 300000, {200000, 200000}, {200000, 100000}},
    {"empty stream", 0, {10}, {0}},
};

TEST(ArxStreams, DecompressReads) {
    for (const auto& c : kDecompressReads) {
        SCOPED_TRACE(c.name);
        const auto data = Pattern(c.length, 11);
        TMemoryStream32 source(data);
        CopyEngine engine(c.length);
        TDecompressStream stream(source, 15, engine);
        std::int64_t at = 0;
        for (size_t i = 0; i < c.asks.size(); ++i) {
            std::vector<std::uint8_t> out(static_cast<size_t>(c.asks[i]));
            EXPECT_EQ(stream.Read(out.data(), c.asks[i]), c.results[i]);
            if (c.results[i] > 0) {
                EXPECT_EQ(Slice(out, 0, c.results[i]), Slice(data, at, c.results[i]));
            }
            at += c.results[i];
            EXPECT_EQ(stream.Position(), at);
        }
    }
}

// Counts the bytes asked of it per read.
class CountingSource : public TMemoryStream32 {
public:
    using TMemoryStream32::TMemoryStream32;
    std::int64_t Read(void* buffer, std::int64_t count) override {
        asks.push_back(count);
        return TMemoryStream32::Read(buffer, count);
    }
    std::vector<std::int64_t> asks;
};

TEST(ArxStreams, DecompressInputReadsNeverExceedTheBuffer) {
    CountingSource source(Pattern(400000));
    CopyEngine engine(400000);
    TDecompressStream stream(source, 15, engine);
    std::vector<std::uint8_t> out(400000);
    EXPECT_EQ(stream.Read(out.data(), 400000), 400000);
    ASSERT_FALSE(source.asks.empty());
    for (std::int64_t a : source.asks)
        EXPECT_LE(a, 131070);
    EXPECT_EQ(out, Pattern(400000));

    std::uint8_t few[5];
    CountingSource second(Pattern(100));
    CopyEngine engine2(100);
    TDecompressStream stream2(second, 15, engine2);
    EXPECT_EQ(stream2.Read(few, 5), 5);
    ASSERT_EQ(second.asks.size(), 1u);
    EXPECT_EQ(second.asks[0], 5) << "input reads ask for no more than the output wants";
}

TEST(ArxStreams, DecompressSeekForwardDecodesInPiecesOf4096) {
    const auto data = Pattern(20000, 1);
    TMemoryStream32 source(data);
    CopyEngine engine(20000);
    TDecompressStream stream(source, 15, engine);
    EXPECT_EQ(stream.Seek(10000, TSeekOrigin::Current), 10000);
    EXPECT_EQ(engine.windows, (std::vector<std::int64_t>{4096, 4096, 1808}));
    EXPECT_EQ(stream.Record().TotalOut, 10000);
    std::uint8_t b = 0;
    EXPECT_EQ(stream.Read(&b, 1), 1);
    EXPECT_EQ(b, data[10000]);
}

struct DecompressSeekCase {
    const char* name;
    std::int64_t readFirst;
    std::int64_t offset;
    TSeekOrigin origin;
    std::int64_t expectPosition;
};

const DecompressSeekCase kDecompressSeeks[] = {
    {"restart from the beginning", 3000, 0, TSeekOrigin::Beginning, 0},
    {"forward from the beginning", 1000, 5000, TSeekOrigin::Beginning, 5000},
    {"from the beginning to where it stands", 1000, 1000, TSeekOrigin::Beginning, 1000},
    {"back from the beginning changes nothing", 3000, 1000, TSeekOrigin::Beginning, 3000},
    {"back from current changes nothing", 3000, -10, TSeekOrigin::Current, 3000},
    {"from the end changes nothing", 3000, 0, TSeekOrigin::End, 3000},
    {"forward past the end stops at the end", 1000, 30000, TSeekOrigin::Current, 8000},
    {"position query", 1234, 0, TSeekOrigin::Current, 1234},
};

TEST(ArxStreams, DecompressSeeks) {
    const auto data = Pattern(8000, 2);
    for (const auto& c : kDecompressSeeks) {
        SCOPED_TRACE(c.name);
        TMemoryStream32 source(data);
        CopyEngine engine(8000);
        TDecompressStream stream(source, 15, engine);
        std::vector<std::uint8_t> out(static_cast<size_t>(c.readFirst));
        ASSERT_EQ(stream.Read(out.data(), c.readFirst), c.readFirst);
        EXPECT_EQ(stream.Seek(c.offset, c.origin), c.expectPosition);
        EXPECT_EQ(stream.Record().TotalOut, c.expectPosition);
        // The next byte is the one at the position.
        std::uint8_t b = 0;
        if (c.expectPosition < 8000) {
            EXPECT_EQ(stream.Read(&b, 1), 1);
            EXPECT_EQ(b, data[static_cast<size_t>(c.expectPosition)]);
        } else {
            EXPECT_EQ(stream.Read(&b, 1), 0);
        }
    }
}

TEST(ArxStreams, DecompressRestartRewindsSourceAndEngine) {
    const auto data = Pattern(5000);
    TMemoryStream32 source(data);
    CopyEngine engine(5000);
    TDecompressStream stream(source, 15, engine);
    std::vector<std::uint8_t> out(6000);
    EXPECT_EQ(stream.Read(out.data(), 6000), 5000);
    EXPECT_TRUE(stream.EndOfStream);
    EXPECT_EQ(stream.Seek(0, TSeekOrigin::Beginning), 0);
    EXPECT_EQ(engine.resets, 1);
    EXPECT_FALSE(stream.EndOfStream);
    EXPECT_EQ(stream.SourcePos, 0);
    EXPECT_EQ(stream.Record().AvailIn, 0);
    EXPECT_EQ(stream.Read(out.data(), 5000), 5000);
    EXPECT_EQ(Slice(out, 0, 5000), data);
}

TEST(ArxStreams, DecompressSeekOutsideThe32BitRangeIsARangeError) {
    TMemoryStream32 source(Pattern(10));
    CopyEngine engine(10);
    TDecompressStream stream(source, 15, engine);
    for (std::int64_t offset : {std::int64_t{1} << 31, -(std::int64_t{1} << 31) - 1,
                                std::numeric_limits<std::int64_t>::max()}) {
        try {
            stream.Seek(offset, TSeekOrigin::Current);
            ADD_FAILURE() << offset;
        } catch (const EArxRangeError& error) {
            EXPECT_STREQ(error.what(), "Range check error");
        }
    }
    EXPECT_TRUE(engine.windows.empty()) << "a rejected seek decodes nothing";
    EXPECT_EQ(stream.Seek32(5, TSeekOrigin::Current), 5);
}

TEST(ArxStreams, DecompressWriteAlwaysFails) {
    TMemoryStream32 source(Pattern(10));
    CopyEngine engine(10);
    TDecompressStream stream(source, 15, engine);
    std::uint8_t b[3] = {};
    EXPECT_EQ(stream.Write(b, 3), -1);
    EXPECT_THROW(stream.WriteBuffer(b, 3), EArxStreamError);
}

TEST(ArxStreams, DecompressFollowsItsOwnSourcePosition) {
    const auto data = Pattern(3000);
    TMemoryStream32 source(data);
    CopyEngine engine(3000);
    TDecompressStream stream(source, 15, engine);
    std::vector<std::uint8_t> out(100);
    EXPECT_EQ(stream.Read(out.data(), 100), 100);
    source.SetPosition(2500); // someone else moved Source
    EXPECT_EQ(stream.Read(out.data(), 100), 100);
    EXPECT_EQ(out, Slice(data, 100, 100));
}

TEST(ArxStreams, DecompressDestructionGivesBackUnconsumedInput) {
    // 1000 bytes of stream followed by 50 bytes of something else.
    TMemoryStream32 source(Pattern(1050));
    CopyEngine engine(1000);
    {
        TDecompressStream stream(source, 15, engine);
        std::vector<std::uint8_t> out(2000);
        EXPECT_EQ(stream.Read(out.data(), 2000), 1000);
        EXPECT_EQ(source.Position(), 1050);
    }
    EXPECT_EQ(source.Position(), 1000);
    EXPECT_EQ(engine.ends, 1);
}

TEST(ArxStreams, DecompressEngineErrorsAndShortInput) {
    {
        TMemoryStream32 source(Pattern(1000));
        CopyEngine engine(1000);
        engine.failAt = 0;
        TDecompressStream stream(source, 15, engine);
        std::uint8_t out[10];
        EXPECT_EQ(stream.Read(out, 10), -3);
    }
    {
        // The stream claims more than Source holds: a buffer error, not a hang.
        TMemoryStream32 source(Pattern(100));
        CopyEngine engine(1000);
        TDecompressStream stream(source, 15, engine);
        std::vector<std::uint8_t> out(500);
        EXPECT_EQ(stream.Read(out.data(), 500), kInflateBufError);
    }
}

TEST(ArxStreams, DecompressDeciphersInputAndReportsProgress) {
    const auto plain = Pattern(2000, 9);
    auto enciphered = plain;
    for (auto& b : enciphered)
        b ^= 0x5A;
    TMemoryStream32 source(enciphered);
    CopyEngine engine(2000);
    TDecompressStream stream(source, 15, engine);
    stream.Encrypted = true;
    std::int64_t deciphered = 0;
    stream.Decipher = [&](std::uint8_t* data, std::size_t n) {
        deciphered += static_cast<std::int64_t>(n);
        for (std::size_t i = 0; i < n; ++i)
            data[i] ^= 0x5A;
    };
    int progress = 0;
    stream.OnProgress = [&](TStream32&) { ++progress; };
    std::vector<std::uint8_t> out(2000);
    EXPECT_EQ(stream.Read(out.data(), 1500), 1500);
    EXPECT_EQ(stream.Read(out.data() + 1500, 1000), 500);
    EXPECT_EQ(out, plain);
    EXPECT_EQ(deciphered, 2000);
    EXPECT_EQ(progress, 2) << "once per input read that brought bytes";

    TMemoryStream32 source2(enciphered);
    CopyEngine engine2(2000);
    TDecompressStream noKeys(source2, 15, engine2);
    noKeys.Encrypted = true;
    EXPECT_THROW(noKeys.Read(out.data(), 10), EArxStreamError);
}

// ---- Adler-32 and allocation -----------------------------------------------

std::uint32_t SlowAdler(const std::vector<std::uint8_t>& data) {
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t c : data) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

TEST(ArxStreams, Adler32) {
    struct Case {
        const char* text;
        std::uint32_t expect;
    };
    const Case cases[] = {
        {"", 1}, {"a", 0x00620062}, {"abc", 0x024D0127}, {"Wikipedia", 0x11E60398}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string s = c.text;
        EXPECT_EQ(InflateAdler32(1, reinterpret_cast<const std::uint8_t*>(s.data()), s.size()),
                  c.expect);
    }
    EXPECT_EQ(InflateAdler32(12345, nullptr, 10), 1u);
    for (std::int64_t size : {3853, 3854, 3855, 100000}) {
        const std::vector<std::uint8_t> ff(static_cast<size_t>(size), 0xFF);
        EXPECT_EQ(InflateAdler32(1, ff.data(), ff.size()), SlowAdler(ff)) << size;
        const auto p = Pattern(size);
        const std::uint32_t half = InflateAdler32(1, p.data(), p.size() / 2);
        EXPECT_EQ(InflateAdler32(half, p.data() + p.size() / 2, p.size() - p.size() / 2),
                  SlowAdler(p))
            << size;
    }
}

TEST(ArxStreams, ZeroFilledAllocation) {
    auto* p = static_cast<std::uint8_t*>(InflateZeroAlloc(nullptr, 100, 3));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 300; ++i)
        EXPECT_EQ(p[i], 0);
    InflateRelease(nullptr, p);
    EXPECT_EQ(InflateZeroAlloc(nullptr, std::numeric_limits<std::size_t>::max() / 2, 3), nullptr);
}

// ---- the temporary-file stream ---------------------------------------------

class FakeOwner : public TTempFileOwner {
public:
    explicit FakeOwner(std::string tempDir) : tempDir_(std::move(tempDir)) {}

    std::uint8_t* CancelFlagRef() override { return &cancel; }
    std::int64_t& BytesRemaining() override { return remaining; }
    std::int64_t ArchiveSize() const override { return archiveSize; }
    std::string TempDir() const override { return tempDir_; }
    std::string MakeTempFileName(const std::string& dir) override {
        return dir + "/tmp" + std::to_string(++made) + ".tmp";
    }
    void CommitTempFile(TTempFileStream&, const std::string& dest, bool move,
                        const std::string& temp) override {
        log += "commit(" + std::string(move ? "move" : "copy") + ")";
        if (commitError != 0) throw EArxSystemError(commitError, "commit failed");
        WriteFileAtomically(dest, ReadWholeFile(temp));
    }
    void DoTempFileBegin(TTempFileStream&, const std::string& dest, const std::string&) override {
        log += "begin(" + dest.substr(dest.rfind('/') + 1) + ")";
        if (cancelDuringBegin) cancel = 1;
    }
    void DoTempFileEnd(TTempFileStream&, const std::string&) override { log += "end"; }
    void DoStreamProgress(TStream32&) override { ++progress; }
    void ReportError(int code, const std::string& message, const std::string& volume) override {
        log += "error(" + std::to_string(code) + "," + message + "," + volume + ")";
    }

    std::uint8_t cancel = 0;
    std::int64_t remaining = 0;
    std::int64_t archiveSize = 0;
    int made = 0, progress = 0, commitError = 0;
    bool cancelDuringBegin = false;
    std::string log;

private:
    std::string tempDir_;
};

struct TempFinishCase {
    const char* name;
    bool cancel;
    bool cancelDuringBegin;
    std::int64_t archiveSize;
    int commitError;
    bool expectDest;
    bool expectThrow;
    const char* expectLog;
};

const TempFinishCase kTempFinishes[] = {
    {"committed", false, false, 1000, 0, true, false, "begin(dest.zip)commit(move)"},
    {"committed, large archive", false, false, 65537, 0, true, false,
     "begin(dest.zip)commit(move)end"},
    {"exactly 65536 is not large", false, false, 65536, 0, true, false,
     "begin(dest.zip)commit(move)"},
    {"canceled: nothing left behind", true, false, 100000, 0, false, false, ""},
    {"canceled while beginning: no commit", false, true, 100, 0, false, false, "begin(dest.zip)"},
    {"disk full is reported and raised", false, false, 100, ENOSPC, false, true,
     "begin(dest.zip)commit(move)error(25160,Disk full,0)"},
    {"disk full on a large archive still ends", false, false, 70000, ENOSPC, false, true,
     "begin(dest.zip)commit(move)enderror(25160,Disk full,0)"},
    {"other failures are raised unreported", false, false, 100, EACCES, false, true,
     "begin(dest.zip)commit(move)"},
};

TEST(ArxStreams, TempFileStreamFinishing) {
    for (const auto& c : kTempFinishes) {
        SCOPED_TRACE(c.name);
        TempFolder tempDir, destDir;
        FakeOwner owner(tempDir.Path());
        owner.archiveSize = c.archiveSize;
        owner.commitError = c.commitError;
        owner.cancelDuringBegin = c.cancelDuringBegin;
        const std::string dest = destDir.File("dest.zip");
        const auto bytes = Pattern(5000);
        {
            TTempFileStream stream(owner, TFileStream32::kModeCreate, dest, tempDir.Path());
            ASSERT_GE(stream.Handle, 0);
            EXPECT_TRUE(stream.IsTemp);
            EXPECT_EQ(stream.DestName, dest);
            EXPECT_EQ(stream.TempName, tempDir.File("tmp1.tmp"));
            EXPECT_EQ(stream.CancelFlagRef, &owner.cancel);
            stream.WriteBuffer(bytes.data(), 5000);
            EXPECT_TRUE(fs::exists(stream.TempName));
            EXPECT_FALSE(fs::exists(dest));
            if (c.cancel) owner.cancel = 1;
            if (c.expectThrow)
                EXPECT_THROW(stream.Finish(), EArxSystemError);
            else
                EXPECT_NO_THROW(stream.Finish());
            EXPECT_NO_THROW(stream.Finish()) << "finishing twice does nothing";
            EXPECT_LT(stream.Handle, 0);
        }
        EXPECT_EQ(owner.log, c.expectLog);
        EXPECT_EQ(tempDir.Count(), 0u) << "the temporary file is always gone";
        EXPECT_EQ(fs::exists(dest), c.expectDest);
        if (c.expectDest) {
            EXPECT_EQ(ReadBytes(dest), bytes);
        }
    }
}

TEST(ArxStreams, TempFileStreamFinishesWhenDestroyed) {
    TempFolder tempDir, destDir;
    FakeOwner owner(tempDir.Path());
    owner.commitError = ENOSPC;
    {
        TTempFileStream stream(owner, TFileStream32::kModeCreate, destDir.File("d"),
                               tempDir.Path());
    } // the failure is swallowed by the destructor
    EXPECT_EQ(owner.log, "begin(d)commit(move)error(25160,Disk full,0)");
    EXPECT_EQ(tempDir.Count(), 0u);
    owner.commitError = 0;
    owner.log.clear();
    {
        TTempFileStream stream(owner, TFileStream32::kModeCreate, destDir.File("e"),
                               tempDir.Path());
        stream.WriteBuffer("xyz", 3);
    }
    EXPECT_EQ(ReadWholeFile(destDir.File("e")), "xyz");
    EXPECT_EQ(tempDir.Count(), 0u);
}

TEST(ArxStreams, TempFileStreamOverTheFileItself) {
    TempFolder folder;
    FakeOwner owner(folder.Path());
    WriteBytes(folder.File("vol.z01"), Pattern(100));
    {
        TTempFileStream stream(owner, TFileStream32::kModeReadWrite, folder.File("vol.z01"),
                               folder.Path());
        ASSERT_GE(stream.Handle, 0);
        EXPECT_FALSE(stream.IsTemp);
        EXPECT_EQ(stream.TempName, folder.File("vol.z01"));
        EXPECT_TRUE(stream.DestName.empty());
        stream.Seek(0, TSeekOrigin::End);
        stream.WriteBuffer("ab", 2);
        owner.cancel = 1; // canceling does not delete a file opened in place
    }
    EXPECT_EQ(owner.log, "");
    EXPECT_EQ(owner.made, 0);
    EXPECT_EQ(ReadFileSize(folder.File("vol.z01")), 102u);
}

TEST(ArxStreams, TempFileStreamReadProgressFollowsTheOwnersCounter) {
    TempFolder folder;
    FakeOwner owner(folder.Path());
    WriteBytes(folder.File("in"), Pattern(30));
    TTempFileStream stream(owner, TFileStream32::kModeReadDenyNone, folder.File("in"),
                           folder.Path());
    struct Step {
        std::int64_t remainingBefore, ask, got, remainingAfter;
        int progress;
    };
    const Step steps[] = {
        {25, 10, 10, 15, 1}, {15, 10, 10, 5, 2}, {5, 20, 10, -15, 3}, // counts what was asked
        {0, 10, 0, 0, 3}, // nothing expected any more: no progress
        {-3, 10, 0, -3, 3},
    };
    std::uint8_t buffer[20];
    for (const auto& s : steps) {
        owner.remaining = s.remainingBefore;
        EXPECT_EQ(stream.Read(buffer, s.ask), s.got);
        EXPECT_EQ(owner.remaining, s.remainingAfter);
        EXPECT_EQ(owner.progress, s.progress);
    }
}

TEST(ArxStreams, TempFileStreamCopiesInChunksOf100000) {
    TempFolder folder;
    FakeOwner owner(folder.Path());
    int n = 0;
    RunCopies(std::begin(kTempCopies), std::end(kTempCopies), [&] {
        std::string leaf = "c";
        leaf += std::to_string(++n);
        const std::string name = folder.File(leaf);
        WriteFileAtomically(name, "");
        return std::make_unique<TTempFileStream>(owner, TFileStream32::kModeReadWrite, name,
                                                 folder.Path());
    });
}

} // namespace
} // namespace sorvane
