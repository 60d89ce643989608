// TUnRar, the RAR reader: extracts or tests the members of RAR archives (block
// format of versions 1.5 to 4, self-extracting and multi-volume). Its walk,
// through the header reader the listing uses, learns the members, their
// sizes and names and the volume chain; the decoding is done by the RAR
// extraction module, loaded at run time, which hands the data back through a
// callback. The reader writes every output itself, under the guarded name.
#pragma once

#include "archive/arxUnBase.h"
#include "archive/modules/rar/RarModuleApi.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sorvane {

class TArxByteSource;
struct TRarBlock;

// The module's operations. A module that is missing, or lacks an entry point,
// gives substitutes that fail (open 15, read header 12, process 13) and
// Loaded false.
struct TRarEngine {
    RAROpenArchiveExProc OpenArchiveEx = nullptr;
    RARCloseArchiveProc CloseArchive = nullptr;
    RARReadHeaderExProc ReadHeaderEx = nullptr;
    RARProcessFileProc ProcessFile = nullptr;
    RARSetCallbackProc SetCallback = nullptr;
    bool Loaded = false;
};

// The engine with the failing substitutes.
TRarEngine MissingRarEngine();
// The process-wide engine: the module of the module folder, loaded on first
// use and kept until the process ends.
const TRarEngine& RarEngine();
// Where the module is looked for; empty: the program's own folder. A change
// loads the module again on next use.
void SetRarModuleFolder(const std::string& folder);
// The message id a module result code is reported with; 0 for none.
int RarResultMessage(int code);

class TUnRar : public TUnBase {
public:
    TUnRar();

    void ExtractFiles(std::unique_ptr<TArxBaseStream>& InStream, int Arg) override;

    // The engine runs use; null: the process-wide module.
    const TRarEngine* Engine = nullptr;

    // The module's callback; returns 0 to go on, -1 to stop.
    int Callback(unsigned Msg, std::intptr_t P1, std::intptr_t P2);

    // One member as the walk found it (a member split over volumes once).
    struct TRarMember {
        std::string Name; // UTF-8 with "\" separators
        bool Unicode = false;
        bool Directory = false;
        bool Incomplete = false; // goes on in a volume that could not be had
        bool Link = false;       // a Unix symbolic link; LinkTarget as stored
        std::string LinkTarget;
        std::uint16_t Flags = 0;
        std::uint8_t Method = 0, UnpVer = 0, HostOS = 0;
        std::uint32_t Attr = 0, Crc = 0, Time = 0; // Time: the DOS date-time
        // The modification time of RAR 2.9 to 4's extended times, to 100 ns
        // (the DOS time read as local time, its odd second and its fraction).
        std::optional<std::int64_t> UnixTime;
        std::uint32_t Nanoseconds = 0;
        std::int64_t Packed = 0, Unpacked = 0;
    };
    // What the last walk found.
    const std::vector<TRarMember>& Members() const { return members_; }
    const std::vector<std::string>& Volumes() const { return volumes_; }

private:
    void ResolveVolumes();
    // Walks one volume from `start`; `more` tells whether the set goes on.
    void WalkVolume(const std::string& path, std::int64_t start, bool& more);
    // Takes the file block in hand into the members (a continued part into
    // the member it continues).
    void TakeMember(TArxByteSource& source, const TRarBlock& block);
    void CreateRememberedFolders();
    void RunPass(const TRarEngine& engine);
    // Extracts or tests the member in hand; the module's result.
    int ProcessMember(const TRarEngine& engine, void* handle, const TRarMember& member);
    int OnData(const std::uint8_t* data, std::int64_t count);
    int OnPassword(char* buffer, std::int64_t size);
    int OnChangeVolume(char* name);
    bool OpenMemberOutput();

    std::vector<TRarMember> members_;
    std::vector<std::string> volumes_;
    std::vector<std::size_t> folders_; // directory members to create
    bool lastSplitAfter_ = false;

    // The member in hand.
    const TRarMember* current_ = nullptr;
    std::unique_ptr<TArxBaseStream> out_;
    bool outputOpen_ = false;
    bool stopped_ = false; // the reader stopped the module and reported why
    std::int64_t written_ = 0;
    std::exception_ptr pending_; // raised inside the callback, rethrown after it
};

} // namespace sorvane
