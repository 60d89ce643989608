// TUnACE, the ACE reader: extracts or tests the members of ACE archives
// (self-extracting and multi-volume too) through the ACE extraction module
// (archive/modules/AceModule.h), loaded for every run. The reader walks the
// headers for totals and folders and answers the module's callbacks: each
// member's output goes through the base's checks and its own output file.
#pragma once

#include "archive/arxUnBase.h"
#include "archive/modules/AceModule.h"

#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace sorvane {

class TUnACE : public TUnBase {
public:
    TUnACE();

    void ExtractFiles(std::unique_ptr<TArxBaseStream>& InStream, int Arg) override;

    // The module to load; empty: kAceModuleName in the executable's folder.
    std::string ModuleFile;

    // The masks handed to the module: each FileSpec mask ended by a carriage
    // return, or "*" when FileSpec is empty.
    std::string MaskText() const;

    // The module's callbacks, reached through the reader of the run.
    int EngineError(const TAceErrorInfo& Info);
    int EngineRequest(TAceRequestInfo& Info);
    int EngineState(const TAceStateInfo& Info);

    // Members counted by the walk (and the module's counting errors).
    int MemberCounter = 0;

private:
    friend struct TAceTrampolines;

    // Walks the volume's headers: totals, and the folders to create.
    bool Walk(const std::string& Volume, std::int64_t Start);
    void CreateRememberedFolders();
    std::string MemberName(const char* Stored) const;
    void EndMember(bool CrcOk, bool DecodeFailed);
    int NextVolume(TAceRequestInfo& Info);
    int AskPassword(TAceRequestInfo& Info);

    // The folder entries of the volume walked, with their DOS times.
    std::vector<std::pair<std::string, std::uint32_t>> rememberedFolders_;
    bool selected_ = false;
    std::unique_ptr<TArxBaseStream> out_;
    std::uint32_t memberTime_ = 0;
    std::uint32_t memberAttr_ = 0;
    std::int64_t memberPacked_ = 0;
    std::int64_t memberSize_ = 0;
    std::int64_t memberDone_ = 0;
    int operation_ = kAceOperationExtract;
    // An exception a callback caught: raised again once the module returns.
    std::exception_ptr pending_;
};

} // namespace sorvane
