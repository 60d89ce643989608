// How a directory walk is written and registered
// ----------------------------------------------
// A walk lists one archive family. It lives in its own file pair
// archive/<family>/arxDir<Family>.h/.cpp, beside the family's reader, and is
// a class deriving from TArxonWalk:
//
//     class TTarWalk : public TArxonWalk {
//     public:
//         void SetUp(TArxon& arx) override;
//         void Step(TArxon& arx) override;
//     private:
//         ... // per-archive state of the walk (a fresh object per Activate)
//     };
//
// SetUp runs once per Activate, after the archive is opened and OnActivate
// has fired. It sets arx.Walk.FirstHeader (preset to StartOffset) and
// arx.Walk.HeaderSize (the fixed bytes the loop reads before each Step,
// preset to 0; 0 or more than kArxonMaxHeader lists nothing), and may read an
// archive header with arx.ReadAt / arx.ReadExact. It may end the walk with
// arx.EndWalk() (quietly) or arx.FailWalk(msg) (25114 by default, reported).
//
// The loop then repeats, while the cancel flag is clear and the walk has not
// ended: stop when Position + HeaderSize >= arx.Walk.StreamSize; HeaderOffset
// := Position; read HeaderSize bytes there into arx.Walk.Header (stop unless
// all of them came); Position += HeaderSize; call Step.
//
// Step reads the variable parts behind the fixed header (arx.ReadAt /
// ReadExact / ReadName, all bounds-checked against the open volume), names
// the entry (arx.SetOemFileName for stored names, with the host that wrote
// them, see StoredNameToAnsi; arx.SetRawFileName for names already in UTF-8 or
// to be kept as stored; both turn "/" into "\"),
// fires arx.FireReadFile(), tests arx.MatchSpec() (name only) or
// arx.MatchSpecDirs() (path-aware, RecurseDirs), fills a TArxonEntry and
// reports it with arx.ReportFile(entry) (counted, totalled, OnRead) or
// arx.ReportDir(entry, counted) (only with ShowEmptyDirs; never totalled),
// and finally sets arx.Walk.Position to the next header (arx.MoveWalkTo(next)
// does it, or fails the walk when `next` lies past the volume). A Step that leaves
// Position at or before HeaderOffset (the walk would stand still or go
// backwards) ends the listing with 25114, unless the walk moved to another
// volume in that Step (arx.NextVolume()); this test runs after Step, so an
// entry that Step already reported stands (check before reporting to refuse
// it). A name or field that reaches past
// the end of the volume is a bad header: call arx.FailWalk(). Throwing from a
// walk is allowed (Activate catches it, reports 25236 with its text unless it
// is a numbered library error already reported, and returns false), but
// prefer FailWalk. The format's own end marker is arx.EndWalk(), not an error.
//
// Registration: add one row per TArcType to the table in
// archive/arxDirWalks.cpp (`{atTar, &MakeWalk<TTarWalk>}`) and include the
// walk's header there. That file is the only shared file a walk author
// edits; arxArxon.h/.cpp stay untouched. A kind without a row lists nothing.
//
// Walk services of TArxon (public, for walks only): ReadAt, ReadExact,
// ReadName, WorkBuffer (kArxonWorkBufferSize bytes), EndWalk, FailWalk,
// MoveWalkTo, NextVolume, SetOemFileName, SetRawFileName, FireReadFile, MatchSpec,
// MatchSpecDirs, ReportFile, ReportDir, AddTotals, SubtractTotals, and the
// state in arx.Walk. Entry dates: DosDateToDateTime (ZipCommon),
// DosDateTimeToDateTime / UnixTimeToDateTime (arxGlobals.h), SwapWords
// (arxHelpers.h) for date-first layouts.
//
// TArxon: the directory reader. Lists the members of an archive without
// extracting anything: fills the current-entry fields for each member and
// fires OnRead for each one that matches FileSpec.
#pragma once

#include "archive/arxBase.h"
#include "archive/arxByteSource.h"
#include "archive/arxHelpers.h"
#include "archive/arxSpan.h"
#include "platform/DateTime.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sorvane {

class TArxon;

inline constexpr std::int64_t kArxonWorkBufferSize = 32768;
// The largest fixed header a walk may ask the loop to read.
inline constexpr std::int64_t kArxonMaxHeader = 65536;

// The fields of one member, filled by a walk and handed to ReportFile or
// ReportDir, which copy them into the component's current-entry fields.
struct TArxonEntry {
    DateTime FileDate{1980, 1, 1, 0, 1, 0};
    std::uint32_t FileAttr = 0;
    std::int64_t UnpackedSize = 0;
    std::int64_t PackedSize = 0;
    std::uint32_t Crc = 0;
    bool Encrypted = false;
    std::uint16_t CreatorVersion = 0;
    std::uint16_t ExtractVersion = 0;
    std::uint16_t CompressMethod = 0;
    std::string CompressMethodName;
    std::uint16_t InternalAttr = 0;
    // Offset handed to OnRead; -1 means the current header offset.
    std::int64_t Offset = -1;
};

// One archive family's walk: a set-up and a header step (see above).
class TArxonWalk {
public:
    TArxonWalk() = default;
    TArxonWalk(const TArxonWalk&) = delete;
    TArxonWalk& operator=(const TArxonWalk&) = delete;
    virtual ~TArxonWalk() = default;
    virtual void SetUp(TArxon& arx) = 0;
    virtual void Step(TArxon& arx) = 0;
};

template <class W> std::unique_ptr<TArxonWalk> MakeWalk() {
    return std::make_unique<W>();
}
using TArxonWalkFactory = std::unique_ptr<TArxonWalk> (*)();

// The walk registered for `type` (archive/arxDirWalks.cpp), null when none.
std::unique_ptr<TArxonWalk> CreateArxonWalk(TArcType type);

class TUnBase;

// The extracting readers of a caller, one per family, owned by the caller; a
// family it has no reader for stays null.
struct TArxonReaders {
    TUnBase* Zip = nullptr;
    TUnBase* Jar = nullptr;
    TUnBase* Arj = nullptr;
    TUnBase* Zoo = nullptr;
    TUnBase* Lha = nullptr;
    TUnBase* Tar = nullptr;
    TUnBase* GZip = nullptr;
    TUnBase* Ace = nullptr;
    TUnBase* Rar = nullptr;
    TUnBase* Arc = nullptr;
    TUnBase* Cab = nullptr;
};

// The reader of `readers` that extracts archives of kind `type`
// (archive/arxDirWalks.cpp), null for kinds no reader extracts.
TUnBase* ReaderForKind(const TArxonReaders& readers, TArcType type);

// The walk loop's state, shared between the loop and the walk in hand.
struct TArxonWalkState {
    std::int64_t FirstHeader = 0;     // where the loop starts
    std::int64_t Position = 0;        // offset of the next header
    std::int64_t HeaderOffset = 0;    // offset of the header in hand
    std::int64_t HeaderSize = 0;      // fixed bytes read before each Step
    std::vector<std::uint8_t> Header; // the fixed header in hand (HeaderSize bytes)
    std::int64_t StreamSize = 0;      // size of the open volume
    int VolumeChanges = 0;            // volumes opened by NextVolume in this run (OnRead
                                      // handlers read it to tell a further volume's members)
    bool Ended = false;               // EndWalk or FailWalk was called
    bool Failed = false;              // FailWalk was called
};

class TArxon : public TZipCommon {
public:
    TArxon();
    ~TArxon() override;

    // ---- published (the rest are inherited: ArchiveFile, ArcType, FileSpec,
    // Password, RecurseDirs, TranslateOemChar, the events)
    bool ShowEmptyDirs = false;

    // ---- current entry (the last reported one after a run)
    std::string FileName;
    DateTime FileDate{1980, 1, 1, 0, 1, 0};
    std::uint32_t FileAttr = 0;
    std::int64_t UnpackedSize = 0;
    std::int64_t PackedSize = 0;
    std::uint32_t Crc = 0;
    bool Encrypted = false;
    std::uint16_t CreatorVersion = 0;
    std::uint16_t ExtractVersion = 0;
    std::uint16_t CompressMethod = 0;
    std::string CompressMethodName;
    std::uint16_t InternalAttr = 0;
    std::uint8_t Ratio = 0;

    // ---- run totals
    std::int32_t NumFiles = 0;
    std::int64_t TotalUnpackedSize = 0;
    std::int64_t TotalPackedSize = 0;
    std::uint8_t TotalRatio = 0;

    // Lists the archive. False when a run is already in progress, when the
    // archive is missing or cannot be opened (its drive included), when
    // OnRead is unassigned, or when the walk failed; every failure but the
    // first is reported through OnError. A cancel ends the listing early and
    // still gives true; so does a kind no walk lists (nothing is reported).
    bool Activate();
    // Reports the current entry: a directory gets its trailing "\", then
    // OnReadBegin, OnRead, OnReadEnd.
    void DoRead(int Offset, int Filenum);
    void AddTotals(std::int64_t Packed, std::int64_t Unpacked);
    void SubtractTotals(std::int64_t Packed, std::int64_t Unpacked);
    // SetOemFileName(Name, TNameHost::Dos).
    void SetCurrentFileName(const std::string& Name) override;

    bool Busy() const { return busy_; }
    TDiskSpannObj& DiskSpann() { return *diskSpann_; }

    // ---- walk services (see the top of this file)
    TArxonWalkState Walk;
    TArxBaseStream& Archive() { return *stream_; }
    // Up to `count` bytes at `pos` of the open volume; the number read (0 for
    // a position or count outside it).
    std::int64_t ReadAt(std::int64_t pos, void* buffer, std::int64_t count);
    // Whether all `count` bytes at `pos` exist and were read.
    bool ReadExact(std::int64_t pos, void* buffer, std::int64_t count);
    // A stored name of `length` bytes at `pos`; false when it reaches past the
    // end of the volume. A NUL ends the name early.
    bool ReadName(std::int64_t pos, std::int64_t length, std::string& name);
    std::uint8_t* WorkBuffer() { return workBuffer_.data(); }
    // Ends the walk quietly (Position := StreamSize).
    void EndWalk();
    // Ends the walk on an error reported through ReportError; Activate gives false.
    void FailWalk(int MsgId = kMsgBadFileHeader, const std::string& ExtendedMsg = "");
    // Position := next, the next header; a `next` past the end of the volume
    // cuts the entry in hand short: FailWalk(kMsgReadError).
    void MoveWalkTo(std::int64_t next);
    // Opens the next volume of a multi-volume set through OnNextVolume and
    // makes it the open volume (VolumeName, StreamSize follow). False, with
    // the cancel flag set and the walk ended, when it cannot be had.
    bool NextVolume();
    // FileName := Name as StoredNameToAnsi reads a name `Host` wrote (with
    // TranslateOemChar), "/" turned into "\".
    void SetOemFileName(const std::string& Name, TNameHost Host);
    // FileName := Name with "/" turned into "\", no code-page conversion.
    void SetRawFileName(const std::string& Name);
    void FireReadFile();
    // FileSpec test of FileName, name-only form.
    bool MatchSpec() const;
    // FileSpec test of FileName, path-aware form with RecurseDirs.
    bool MatchSpecDirs();
    // Counts a file, adds its sizes to the totals and reports it.
    void ReportFile(const TArxonEntry& entry);
    // Reports a directory when ShowEmptyDirs is set, counting it when
    // `counted`; never totalled. Nothing happens without ShowEmptyDirs.
    void ReportDir(const TArxonEntry& entry, bool counted = false);

private:
    void RunWalk();
    void RunLoop(TArxonWalk& walk);
    bool PrepareZipDriveKind();
    void FinishRun();
    void TakeEntry(const TArxonEntry& entry);
    void ReportCaught(const std::exception& error);

    bool busy_ = false;
    std::unique_ptr<TArxBaseStream> stream_;
    std::vector<std::uint8_t> workBuffer_;
    // Headers are small and mostly read in file order: they are served from a
    // window of the open volume, refilled when a read leaves it.
    std::vector<std::uint8_t> readCache_;
    std::int64_t cacheStart_ = 0;
    std::int64_t cacheLength_ = 0;
    const TArxBaseStream* cacheOwner_ = nullptr;
    std::unique_ptr<TDiskSpannObj> diskSpann_;
};

// The open volume of a walk as the byte source of a family's header reader.
class TArxonSource final : public TArxByteSource {
public:
    explicit TArxonSource(TArxon& arx) : arx_(arx) {}
    std::int64_t ReadAt(std::int64_t pos, void* buffer, std::int64_t count) override {
        return arx_.ReadAt(pos, buffer, count);
    }
    std::int64_t Size() const override { return arx_.Walk.StreamSize; }

private:
    TArxon& arx_;
};

} // namespace sorvane
