// TUnCab, the cabinet reader: extracts or tests the members of cabinet files,
// cabinet sets and cabinets inside executables through the cabinet module
// (archive/modules/CabinetProtocol.h), which decodes and drives the reader
// through notifications. The module reads through the reader's file handler
// and hands every decoded byte to the reader's own output.
#pragma once

#include "archive/arxUnBase.h"
#include "archive/modules/CabinetProtocol.h"

#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace sorvane {

// File access for the module.
class TCabinetFileHandler {
public:
    virtual ~TCabinetFileHandler() = default;
    virtual std::intptr_t Open(const std::string& Name, int OFlag, int PMode, int& Error) = 0;
    virtual std::int64_t Read(std::intptr_t Handle, void* Buffer, std::int64_t Count,
                              int& Error) = 0;
    virtual std::int64_t Write(std::intptr_t Handle, const void* Buffer, std::int64_t Count,
                               int& Error) = 0;
    virtual void Close(std::intptr_t Handle, int& Error) = 0;
    virtual std::int64_t Seek(std::intptr_t Handle, std::int64_t Distance, int SeekType,
                              int& Error) = 0;
    virtual void Delete(const std::string& Name, int& Error) = 0;
};

// Every open file a TFileStream32 in a list, found by its handle. A file
// given a start offset (a cabinet inside an executable) reads as if it began
// there.
class TStreamCabinetFileHandler : public TCabinetFileHandler {
public:
    ~TStreamCabinetFileHandler() override;
    std::intptr_t Open(const std::string& Name, int OFlag, int PMode, int& Error) override;
    std::int64_t Read(std::intptr_t Handle, void* Buffer, std::int64_t Count, int& Error) override;
    std::int64_t Write(std::intptr_t Handle, const void* Buffer, std::int64_t Count,
                       int& Error) override;
    void Close(std::intptr_t Handle, int& Error) override;
    std::int64_t Seek(std::intptr_t Handle, std::int64_t Distance, int SeekType,
                      int& Error) override;
    void Delete(const std::string& Name, int& Error) override;

    // Files opened for reading under `Name` start at `Offset`; 0 forgets it.
    void SetStartOffset(const std::string& Name, std::int64_t Offset);
    std::size_t OpenCount() const { return files_.size(); }

private:
    struct TOpenFile {
        std::intptr_t Handle;
        std::unique_ptr<TFileStream32> Stream;
        std::int64_t Base;
    };
    TOpenFile* Find(std::intptr_t Handle);

    std::vector<TOpenFile> files_;
    std::map<std::string, std::int64_t> offsets_;
    std::intptr_t nextHandle_ = 1;
};

// A module error other than a corrupt cabinet or a user abort.
class ECabinetError : public std::runtime_error {
public:
    ECabinetError(int Code, int Type);
    int ErrorCode;
    int ErrorType;
};

// The module's four entry points.
struct TCabinetEntries {
    TFdiCreate Create = nullptr;
    TFdiIsCabinet IsCabinet = nullptr;
    TFdiCopy Copy = nullptr;
    TFdiDestroy Destroy = nullptr;
};

// Loads the module from `folder` (empty: SORVANE_MODULE_DIR when set, else
// the program's folder); a missing module or entry point installs the
// substitutes (no context; the other calls answer true) and marks the
// library not loaded. Done once on first need; calling it again reloads.
void LoadCabinetLibrary(const std::string& folder = "");
// Installs other entry points (an engine of the caller's) as the loaded library.
void InstallCabinetEntries(const TCabinetEntries& entries);
bool CabinetLibraryLoaded();
// The process-wide file handler the module's file callbacks use.
TStreamCabinetFileHandler& CabinetFileHandler();

class TUnCab : public TUnBase {
public:
    TUnCab();
    ~TUnCab() override;

    void ExtractFiles(std::unique_ptr<TArxBaseStream>& InStream, int Arg) override;

    // The notifications, in the module's terms.
    virtual void DoCabinetInfo(const std::string& NextCabinet, const std::string& NextDisk,
                               const std::string& CabinetPath, int SetID, int CabinetIndex,
                               int& Abort);
    virtual void DoCopyFile(std::string& Name, std::int64_t Size, std::intptr_t& Handle,
                            int& Action, std::uint16_t Attributes, std::uint16_t Time,
                            std::uint16_t Date);
    virtual void DoCloseFileInfo(const std::string& Name, std::intptr_t Handle, int& Abort,
                                 bool Execute, std::uint16_t Attributes, std::uint16_t Time,
                                 std::uint16_t Date);
    virtual void DoNextCabinet(std::string& CabinetName, std::string& CabinetPath, int& Abort,
                               int Error);

    // Called by the module's callbacks; see the .cpp.
    std::intptr_t ExtractNotification(int Kind, TCabNotification& Note);
    std::intptr_t ListNotification(int Kind, TCabNotification& Note);
    std::int64_t WriteMember(const void* Data, std::int64_t Count);

    TCabErrorRecord ErrorRecord;

private:
    struct TNextCabinet {
        std::string Name, Disk, Path;
        int SetID = 0, Index = 0;
    };

    bool EnsureContext();
    bool IsCabinet(const std::string& path);
    // One FDICopy of `path` with the extraction or the listing notification.
    void CopyCabinet(const std::string& path, bool extraction);
    void CheckError(const std::string& cabinet);
    void WalkCabinet(const std::string& path);
    // Ends the member in hand as not extracted.
    void CloseFailedMember();
    bool AcceptNextCabinet(std::string& path, int volumeId);
    bool AskCabinet(std::string& volume, int volumeId);
    std::string MemberName(const TCabNotification& note) const;

    void* context_ = nullptr;
    TFdiDestroy destroy_ = nullptr;
    std::unique_ptr<TArxBaseStream> output_;
    std::int64_t memberSize_ = 0;
    std::int64_t memberWritten_ = 0;
    bool memberOpen_ = false;
    bool memberFailed_ = false; // a write failed (reported, uncounted)
    bool memberBroken_ = false; // closed before its end
    TNextCabinet next_;
    bool firstCabinet_ = false;
    bool aborted_ = false;
    bool nextRefused_ = false; // the next cabinet was not given: a member that needs it cannot end
    int lastAction_ = 0;
    std::string cabinet_;                        // the cabinet being copied
    std::map<std::string, std::string> answers_; // next cabinets asked for: accepted name or ''
    std::exception_ptr failure_;                 // raised inside a callback
};

} // namespace sorvane
