// The ACE reader.
#include "archive/ace/arxUnAce.h"

#include "archive/ace/arxAceHeader.h"
#include "archive/arxHelpers.h"
#include "platform/Directory.h"
#include "platform/FileAttributes.h"
#include "platform/Folders.h"
#include "platform/LoadedModule.h"
#include "platform/StreamFile.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <utility>

namespace sorvane {
namespace {

constexpr std::uint32_t kMaxArchiveTestBytes = 0x1FFFF;
constexpr std::uint32_t kMaxFileBufferSize = 0x2FFFF;
constexpr std::size_t kCommentBufferSize = 8191;
constexpr std::size_t kTempFolderMax = 255;

// The reader whose run is in hand: the module's callbacks carry no context.
TUnACE* g_reader = nullptr;

bool CopyToBuffer(const std::string& text, char* buffer, std::uint32_t size) {
    if (buffer == nullptr || text.size() + 1 > size) return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

} // namespace

// The callbacks handed to the module. An exception never crosses into the
// module: it is kept and raised again once the module has returned.
struct TAceTrampolines {
    template <class F> static int Guard(F&& call) {
        TUnACE* reader = g_reader;
        if (reader == nullptr) return kAceAnswerCancel;
        try {
            return call(*reader);
        } catch (...) {
            if (!reader->pending_) reader->pending_ = std::current_exception();
            *reader->CancelFlagRef = 1;
            return kAceAnswerCancel;
        }
    }
    static int Error(TAceErrorInfo* info) {
        return info == nullptr ? kAceAnswerCancel
                               : Guard([&](TUnACE& r) { return r.EngineError(*info); });
    }
    static int Info(const char*) { return kAceAnswerCancel; }
    static int Request(TAceRequestInfo* info) {
        return info == nullptr ? kAceAnswerCancel
                               : Guard([&](TUnACE& r) { return r.EngineRequest(*info); });
    }
    static int State(TAceStateInfo* info) {
        return info == nullptr ? kAceAnswerCancel
                               : Guard([&](TUnACE& r) { return r.EngineState(*info); });
    }
};

TUnACE::TUnACE() = default;

std::string TUnACE::MaskText() const {
    if (FileSpec.empty()) return "*";
    std::string text;
    for (const std::string& mask : FileSpec)
        text += mask + '\r';
    return text;
}

std::string TUnACE::MemberName(const char* Stored) const {
    return Stored == nullptr ? std::string()
                             : StoredNameToAnsi(Stored, TNameHost::Dos, TranslateOemChar);
}

// ---------------------------------------------------------------------------
// The run

void TUnACE::ExtractFiles(std::unique_ptr<TArxBaseStream>&, int) {
    struct CurrentReader {
        explicit CurrentReader(TUnACE* reader) { g_reader = reader; }
        ~CurrentReader() { g_reader = nullptr; }
    } current{this};
    rememberedFolders_.clear();
    selected_ = false;
    out_.reset();
    pending_ = nullptr;
    MemberCounter = 0;
    ProgressByFile = ProgressByArchive = 0;
    VolumeName = ArchiveFile;
    operation_ = OutputMode == kOutputFiles ? kAceOperationExtract : kAceOperationTest;

    std::string path = ModuleFile;
    if (path.empty()) {
        path = ExecutableFolder();
        if (path.empty() || path.back() != '/') path += '/';
        path += kAceModuleName;
    }
    TLoadedModule module;
    TAceInitDll initDll = nullptr;
    TAceTest test = nullptr;
    TAceExtract extract = nullptr;
    if (module.Load(path)) {
        initDll = reinterpret_cast<TAceInitDll>(module.Symbol("ACEInitDll"));
        test = reinterpret_cast<TAceTest>(module.Symbol("ACETest"));
        extract = reinterpret_cast<TAceExtract>(module.Symbol("ACEExtract"));
        // All five entry points, or none is used.
        if (initDll == nullptr || test == nullptr || extract == nullptr ||
            module.Symbol("ACEReadArchiveData") == nullptr || module.Symbol("ACEList") == nullptr)
            module.Release();
    }
    if (!module.Loaded()) {
        ReportError(ArchiveFile, "", "", kMsgAceLibraryLoad);
        return;
    }
    if (ExtractDir.empty()) SetExtractDir("");
    const std::string masks = MaskText();
    std::string temp = SystemTempFolder();
    if (temp.size() > kTempFolderMax) temp.resize(kTempFolderMax);
    std::vector<char> comment(kCommentBufferSize, '\0');
    const TAceInitRecord init{kMaxArchiveTestBytes,   kMaxFileBufferSize,
                              comment.data(),         static_cast<std::uint32_t>(comment.size()),
                              temp.c_str(),           &TAceTrampolines::Error,
                              &TAceTrampolines::Info, &TAceTrampolines::Request,
                              &TAceTrampolines::State};
    const std::int64_t start = std::max<std::int64_t>(StartOffset, 0);
    if (initDll(&init) != 0 || !Walk(ArchiveFile, start)) {
        ReportError(ArchiveFile, "", "", kMsgAceLibraryLoad);
        return;
    }
    const TAceFilesRecord files{"",
                                masks.c_str(),
                                "",
                                1,
                                Password.c_str(),
                                start,
                                ExtractDir.c_str(),
                                UseStoredDirs ? 0 : 1};
    if (operation_ == kAceOperationExtract)
        extract(ArchiveFile.c_str(), &files);
    else
        test(ArchiveFile.c_str(), &files);
    // A member the run left unfinished (a cancel) is neither counted nor kept.
    if (selected_) {
        out_.reset();
        UncountMember();
        FinishMember(false);
    }
    out_.reset();
    selected_ = false;
    if (pending_) std::rethrow_exception(std::exchange(pending_, nullptr));
}

// ---------------------------------------------------------------------------
// The walk

bool TUnACE::Walk(const std::string& Volume, std::int64_t Start) {
    TFileStream32 file(Volume, TFileStream32::kModeReadDenyNone);
    if (file.Handle < 0) {
        ReportError(Volume, "", "", kMsgOpenError);
        return false;
    }
    FileTotal = ArchiveTotal = BytesRemaining = 0;
    MemberCounter = 0;
    const bool folders = OutputMode == kOutputFiles && CreateStoredDirs && UseStoredDirs;
    const std::int64_t size = file.Size();
    TArxStreamSource source(file);
    TAceMainHeader main;
    if (!ReadAceMainHeader(source, Start, main)) {
        ReportError(Volume, "", "", kMsgBadFileHeader);
        return false;
    }
    // The headers as the listing reads them: a bad one ends the count there.
    TAceMember member;
    for (std::int64_t pos = main.FirstMember;
         pos < size && !GetCancel() && ReadAceMember(source, pos, member) == TAceHeaderRead::Member;
         pos = member.Next()) {
        const std::string name = StoredNameToAnsi(member.RawName, TNameHost::Dos, TranslateOemChar);
        if (member.Folder()) {
            if (folders) rememberedFolders_.emplace_back(name, member.DosDate);
        } else {
            if (MatchFileSpecDirs(name, FileSpec, ExclusionList, RecurseDirs)) {
                ArchiveTotal += member.PackedSize;
                if (!member.Continued()) {
                    FileTotal += member.OriginalSize;
                    ++MemberCounter;
                    MaxFileDate = std::max(MaxFileDate, member.DosDate);
                }
            }
        }
    }
    BytesRemaining = ArchiveTotal;
    if (folders) CreateRememberedFolders();
    return true;
}

// The folder entries, each through the name guard, made and dated as the
// run ends (the empty ones made, those the members filled dated).
void TUnACE::CreateRememberedFolders() {
    for (const auto& [folder, time] : rememberedFolders_) {
        SetCurrentFileName(folder + "\\");
        if (!CurrentNameRefused) RememberFolder(CurrentFileName, std::nullopt, time);
    }
    rememberedFolders_.clear();
    CurrentFileName.clear();
    CurrentNameRefused = false;
}

// ---------------------------------------------------------------------------
// Callbacks

int TUnACE::EngineError(const TAceErrorInfo& Info) {
    if (GetCancel()) return kAceAnswerCancel;
    switch (Info.Code) {
    case kAceErrorCounterClear1:
    case kAceErrorCounterClear2:
        MemberCounter = 0;
        return kAceAnswerOk;
    case kAceErrorCounterAdvance:
        ++MemberCounter;
        return kAceAnswerOk;
    default:
        break;
    }
    const std::string name = Info.MemberName != nullptr ? MemberName(Info.MemberName) : ArchiveFile;
    int id = 0;
    std::string extended;
    switch (Info.Code) {
    case kAceErrorOpen:
        id = kMsgOpenError;
        break;
    case kAceErrorBadHeader:
        id = kMsgBadFileHeader;
        break;
    case kAceErrorUnsupported:
        id = kMsgUnsupportedMethod;
        break;
    case kAceErrorEncrypted:
        id = kMsgUnsupportedMethod;
        extended = "encrypted";
        break;
    case kAceErrorCorrupt:
        id = kMsgCorruptInput;
        break;
    case kAceErrorMemory:
        id = kMsgOutOfMemory;
        break;
    default:
        break;
    }
    if (id != 0) ReportError(name, extended, VolumeName, id);
    return kAceAnswerSkip;
}

int TUnACE::EngineRequest(TAceRequestInfo& Info) {
    if (Info.Kind == kAceRequestArchive && Info.Code == kAceRequestNextVolume)
        return NextVolume(Info);
    if (Info.Kind == kAceRequestMember && Info.Code == kAceRequestOverwrite) {
        if (OverwriteMode == omSkip) return kAceAnswerSkip;
        return kAceAnswerOk;
    }
    if (Info.Kind == kAceRequestMember && Info.Code == kAceRequestPassword)
        return AskPassword(Info);
    return kAceAnswerCancel;
}

int TUnACE::NextVolume(TAceRequestInfo& Info) {
    if (!OnNextVolume) {
        ReportError(ArchiveFile, "OnNextVolume", "", kMsgEventNotAssigned);
        return kAceAnswerCancel;
    }
    std::string name = MakeVolumeName(VolumeName, Info.VolumeNumber - 1);
    if (!name.empty() && !StreamFileExists(name)) {
        // Linux names are case-sensitive: the volume letter in the other case.
        const char saved = VolumeLetter;
        const auto letter = static_cast<unsigned char>(saved);
        VolumeLetter =
            static_cast<char>(std::islower(letter) ? std::toupper(letter) : std::tolower(letter));
        const std::string other = MakeVolumeName(VolumeName, Info.VolumeNumber - 1);
        if (StreamFileExists(other))
            name = other;
        else
            VolumeLetter = saved;
    }
    if (!StreamFileExists(name)) {
        // Asked once: a volume still missing afterwards is answered as missing.
        bool cancel = false;
        const std::string asked = name;
        OnNextVolume(*this, name, Info.VolumeNumber, false, cancel);
        if (cancel) {
            VolumeDeclined(asked);
            return kAceAnswerCancel;
        }
        if (!StreamFileExists(name)) {
            CopyToBuffer(name, Info.Buffer, Info.BufferSize);
            return kAceAnswerSkip;
        }
    }
    if (!AskNextVolume(name, Info.VolumeNumber)) return kAceAnswerCancel;
    if (!CopyToBuffer(name, Info.Buffer, Info.BufferSize)) {
        ReportError(name, "", ArchiveFile, kMsgInvalidFileName);
        return kAceAnswerCancel;
    }
    VolumeName = name;
    VolumeNumber = Info.VolumeNumber;
    return Walk(name, 0) ? kAceAnswerOk : kAceAnswerCancel;
}

int TUnACE::AskPassword(TAceRequestInfo& Info) {
    const std::string name =
        Info.MemberName != nullptr ? MemberName(Info.MemberName) : CurrentFileName;
    try {
        if (!OnGetPassword) {
            ReportError(name, "OnGetPassword", ArchiveFile, kMsgEventNotAssigned);
            return kAceAnswerCancel;
        }
        std::string answer;
        for (int attempt = 1; attempt <= PasswordAttempts; ++attempt) {
            bool tryAgain = true;
            answer = Password;
            OnGetPassword(*this, name, answer, tryAgain);
            if (!tryAgain || GetCancel()) {
                answer.clear();
                break;
            }
            if (!answer.empty()) break;
            if (attempt == PasswordAttempts) ReportError(name, "", ArchiveFile, kMsgPasswordFailed);
        }
        if (answer.empty() || !CopyToBuffer(answer, Info.Buffer, Info.BufferSize)) {
            ReportError(name, "", ArchiveFile, kMsgInvalidPassword);
            return kAceAnswerCancel;
        }
        Password = answer;
        return kAceAnswerOk;
    } catch (...) {
        CopyToBuffer("", Info.Buffer, Info.BufferSize);
        return kAceAnswerSkip;
    }
}

int TUnACE::EngineState(const TAceStateInfo& Info) {
    if (GetCancel()) return kAceAnswerCancel;
    switch (Info.Code) {
    case kAceStateMemberStart: {
        const std::string name = MemberName(Info.MemberName);
        selected_ = false;
        memberTime_ = Info.DosTime;
        memberAttr_ = Info.Attributes;
        memberPacked_ =
            static_cast<std::int64_t>(std::min<std::uint64_t>(Info.PackedSize, INT64_MAX / 4));
        memberSize_ = static_cast<std::int64_t>(std::min<std::uint64_t>(Info.Size, INT64_MAX / 4));
        memberDone_ = 0;
        StoredName = name;
        if (Info.Operation == kAceOperationList) {
            FileTotal += memberSize_;
            ArchiveTotal += memberPacked_;
            ++MemberCounter;
            return kAceAnswerOk;
        }
        if (Info.Operation == kAceOperationTest &&
            !MatchFileSpecDirs(name, FileSpec, ExclusionList, RecurseDirs))
            return kAceAnswerSkip;
        // The guarded name: a path leaving ExtractDir is refused (reported).
        SetCurrentFileName(name);
        if (CurrentNameRefused) return kAceAnswerSkip;
        // A member the checks refuse is not decoded at all.
        if (!CheckOverwrite(false)) return kAceAnswerSkip;
        ProgressByFile = 0;
        if (!OpenOutputFile(out_, OutputMode == kOutputFiles ? CurrentFileName : name, name)) {
            UncountMember();
            return kAceAnswerSkip;
        }
        selected_ = true;
        return kAceAnswerOk;
    }
    case kAceStateProgress: {
        if (!selected_) return kAceAnswerOk;
        // Never more than the member's size.
        const std::int64_t count = std::min<std::int64_t>(Info.DataSize, memberSize_ - memberDone_);
        if (count > 0 && Info.Data != nullptr) {
            if (WriteOutput(out_.get(), Info.Data, 0, count, 32) <= 0) return kAceAnswerSkip;
            memberDone_ += count;
        }
        DoProgress(ArchiveTotal, memberSize_, memberDone_);
        return GetCancel() ? kAceAnswerCancel : kAceAnswerOk;
    }
    case kAceStateMemberEnd:
        if (selected_) EndMember(Info.CrcOk != 0, Info.DecodeFailed != 0);
        selected_ = false;
        return GetCancel() ? kAceAnswerCancel : kAceAnswerOk;
    default:
        return kAceAnswerOk;
    }
}

void TUnACE::EndMember(bool CrcOk, bool DecodeFailed) {
    const bool files = OutputMode == kOutputFiles;
    const std::string name = files ? CurrentFileName : StoredName;
    SetFileAttrDate(out_, name, memberAttr_ & 0xFFu, memberTime_);
    // The module checked the CRC; a decoding failure it has reported.
    // Only members written whole count.
    MemberVerdict({.Result = DecodeFailed ? TDecodeResult::Corrupt : TDecodeResult::Done,
                   .CrcWidth = 0,
                   .CrcPassed = CrcOk,
                   .DeclaredSize = memberSize_});
    MemberDone({memberPacked_, 0});
}

} // namespace sorvane
