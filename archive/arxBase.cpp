// The common archive core.
#include "archive/arxBase.h"

#include "archive/arxCrc.h"
#include "archive/arxGlobals.h"
#include "archive/arxHelpers.h"
#include "archive/zip/arxZipCrypt.h"
#include "platform/Directory.h"
#include "platform/FileAttributes.h"
#include "platform/Folders.h"
#include "platform/Prompts.h"
#include "platform/StreamFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <ctime>

namespace sorvane {
namespace {

constexpr std::int64_t kStoredChunk = 32768;
constexpr std::size_t kFixedStringMax = 255;
constexpr std::uint16_t kZip64ExtraId = 1;
constexpr std::uint16_t kExtraId100 = 100;
constexpr std::size_t kExtraBufSize = 10;

bool IsArjKind(TArcType type) {
    return type == atArj || type == atArjExe;
}
bool IsRarKind(TArcType type) {
    return type == atRar || type == atRarExe;
}

// The kinds whose members are enciphered with the ZIP traditional cipher.
bool IsZipCipherKind(TArcType type) {
    return type == atBh || type == atBhExe || type == atJar || type == atJarExe ||
           (type >= atZip && type <= atZipMV);
}

std::string ToLower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The folder part of a native path, with its trailing "/"; '' without one.
std::string NativeFolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Where the extension of a native path starts (its "."), or npos.
std::size_t ExtensionDot(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string::npos;
    return dot;
}

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

std::string ZeroPadded(int value, std::size_t width) {
    std::string digits = std::to_string(value);
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return digits;
}

} // namespace

// Lets temporary-file streams reach their component.
class TZipCommon::TempOwner : public TTempFileOwner {
public:
    explicit TempOwner(TZipCommon& owner) : owner_(owner) {}
    std::uint8_t* CancelFlagRef() override { return owner_.CancelFlagRef; }
    std::int64_t& BytesRemaining() override { return owner_.BytesRemaining; }
    std::int64_t ArchiveSize() const override { return owner_.ArchiveSize; }
    std::string TempDir() const override { return owner_.tempDir_; }
    std::string MakeTempFileName(const std::string& tempDir) override {
        return owner_.MakeTempFileName(tempDir);
    }
    void CommitTempFile(TTempFileStream& stream, const std::string& destName, bool move,
                        const std::string& tempName) override {
        owner_.CommitTempFile(stream, destName, move, tempName);
    }
    void DoTempFileBegin(TTempFileStream& stream, const std::string& destName,
                         const std::string& tempName) override {
        owner_.DoTempFileBegin(stream, destName, 0, tempName);
    }
    void DoTempFileEnd(TTempFileStream& stream, const std::string&) override {
        owner_.DoTempFileEnd(stream, 0);
    }
    void DoStreamProgress(TStream32& stream) override { owner_.DoStreamProgress(stream); }
    void ReportError(int code, const std::string&, const std::string& volumeId) override {
        owner_.ReportError(owner_.ArchiveFile, owner_.CurrentFileName, volumeId, code);
    }

private:
    TZipCommon& owner_;
};

TZipCommon::TZipCommon() : tempOwner_(std::make_unique<TempOwner>(*this)) {
    ReadProc = [this](TArxBaseStream& stream, std::int64_t count, int crcWidth, bool decrypt,
                      std::uint8_t* buf) {
        return ReadDecodeBlock(stream, count, crcWidth, decrypt, buf);
    };
    WriteProc = [this](TArxBaseStream* stream, std::uint8_t* buf, int crcFlag, std::int64_t count,
                       int crcWidth, bool decrypt) {
        return DecodeWriteBuffer(stream, buf, crcFlag, count, crcWidth, decrypt);
    };
    ProgressProc = [this] { FireProgress(); };
}

TZipCommon::~TZipCommon() = default;

TTempFileOwner& TZipCommon::TempFileOwner() {
    return *tempOwner_;
}

// ---------------------------------------------------------------------------
// Options

void TZipCommon::SetExtractDir(const std::string& value) {
    if (value.empty()) {
        ExtractDir = NativeFolderOf(ArchiveFile);
        return;
    }
    ExtractDir = WithSlash(value);
}

std::string TZipCommon::GetTempDir() {
    if (tempDir_.empty() || !IsDirectory(tempDir_)) tempDir_ = WithSlash(SystemTempFolder());
    return tempDir_;
}

void TZipCommon::SetTempDir(const std::string& value) {
    tempDir_ = WithSlash(value.empty() ? SystemTempFolder() : value);
    if (!IsDirectory(tempDir_)) {
        if (AskYesNo(tempDir_ + "\r\r" + ArxMessageText(kMsgCreateFolder)))
            CreateFolderPath(tempDir_);
        else
            tempDir_.clear();
    }
    if (tempDir_.empty() || !IsDirectory(tempDir_)) tempDir_ = WithSlash(SystemTempFolder());
}

// ---------------------------------------------------------------------------
// Errors, cancel, progress

void TZipCommon::SetCancel(bool Value) {
    *CancelFlagRef = Value ? 1 : 0;
    if (Value) ReportError(ArchiveFile, "", "", kMsgUserCanceled);
}

void TZipCommon::ReportError(const std::string& FileName, const std::string& ExtendedMsg,
                             const std::string& VolumeID, int MsgId) {
    Timer.Pause();
    const int code = GetCancel() ? kMsgUserCanceled : MsgId;
    try {
        if (OnError) OnError(*this, FileName, ExtendedMsg, VolumeID, code);
    } catch (...) {
        Timer.Resume();
        throw;
    }
    Timer.Resume();
}

void TZipCommon::RaiseError(const std::string& FileName, const std::string& ExtendedMsg,
                            const std::string& VolumeID, int MsgId) {
    ReportError(FileName, ExtendedMsg, VolumeID, MsgId);
    if (!GetCancel()) throw E_RAISE(MsgId);
}

void TZipCommon::FireProgress() {
    try {
        if (OnMessageLoop) OnMessageLoop();
        if (OnProgress) OnProgress(*this, ProgressByFile, ProgressByArchive);
    } catch (...) {
    }
}

namespace {

// A part held between 0 and its total: the percentage is the same, and sizes
// and positions taken from headers can no longer overflow it.
std::int64_t PartWithin(std::int64_t total, std::int64_t part) {
    return total >= 0 ? std::clamp<std::int64_t>(part, 0, total)
                      : std::clamp<std::int64_t>(part, total, 0);
}

} // namespace

void TZipCommon::DoProgress(std::int64_t archiveTotal, std::int64_t fileTotal, std::int64_t done) {
    ProgressByFile = Percent(fileTotal, PartWithin(fileTotal, done));
    std::int64_t archiveDone = 0;
    if (__builtin_sub_overflow(archiveTotal, BytesRemaining, &archiveDone))
        archiveDone = BytesRemaining < 0 ? INT64_MAX : INT64_MIN;
    ProgressByArchive = Percent(archiveTotal, PartWithin(archiveTotal, archiveDone));
    if (ProgressProc) ProgressProc();
}

void TZipCommon::DoStreamProgress(TStream32& Stream) {
    if (ProgressEnabled) DoProgress(ArchiveTotal, FileTotal, Stream.Position());
}

void TZipCommon::DoTempFileBegin(TTempFileStream& Stream, const std::string& DestName, int Flag,
                                 const std::string& TempName) {
    if (OnTempFileBegin) OnTempFileBegin(Stream, DestName, Flag, TempName);
}

void TZipCommon::DoTempFileEnd(TTempFileStream& Stream, int Value) {
    if (OnTempFileEnd) OnTempFileEnd(Stream, Value);
}

TDiskEvent TZipCommon::InsertDiskHandler() {
    if (!OnInsertDisk) return nullptr;
    return [this](TDiskCommon& disk, bool& cancel) {
        OnInsertDisk(*this, static_cast<TDiskManager&>(disk).Drive, cancel);
    };
}

TDiskErrorProc TZipCommon::ReportProc() {
    return [this](const std::string& f, const std::string& m, const std::string& v, int id) {
        ReportError(f, m, v, id);
    };
}

TDiskErrorProc TZipCommon::RaiseProc() {
    return [this](const std::string& f, const std::string& m, const std::string& v, int id) {
        RaiseError(f, m, v, id);
    };
}

// ---------------------------------------------------------------------------
// Reading, deciphering, CRC

DateTime TZipCommon::DosDateToDateTime(std::uint32_t DosDate) const {
    if (DosDate == 0) return kArxNoValidDate;
    return sorvane::DosDateToDateTime(DosDate).value_or(kArxNoValidDate);
}

void TZipCommon::UpdateCrc(int Width, const std::uint8_t* Data, std::int64_t Count) {
    if (Count <= 0) return;
    if (Width == 16)
        Crc16.Update(Data, static_cast<std::size_t>(Count));
    else if (Width == 32)
        Crc32.Update(Data, static_cast<std::size_t>(Count));
}

std::int64_t TZipCommon::ReadDecodeBlock(TArxBaseStream& Stream, std::int64_t Count, int CrcWidth,
                                         bool Decrypt, std::uint8_t* Buf) {
    if (Count <= 0) return 0;
    std::int64_t got = 0;
    try {
        got = Stream.Read(Buf, Count);
    } catch (const EArxStreamError&) {
        got = 0;
    }
    if (got <= 0) return 0;
    DecryptBuffer(Decrypt, Buf, got);
    UpdateCrc(CrcWidth, Buf, got);
    return got;
}

void TZipCommon::DecryptBuffer(bool Encrypted, std::uint8_t* Buf, std::int64_t Count) {
    if (!Encrypted || Count <= 0) return;
    if (IsArjKind(ArcType)) {
        if (Password.empty()) return;
        for (std::int64_t i = 0; i < Count; ++i) {
            if (ArjPasswordPos < 1 || ArjPasswordPos > static_cast<int>(Password.size()))
                ArjPasswordPos = 1;
            Buf[i] ^=
                static_cast<std::uint8_t>(Password[static_cast<std::size_t>(ArjPasswordPos - 1)]);
            ArjPasswordPos =
                ArjPasswordPos >= static_cast<int>(Password.size()) ? 1 : ArjPasswordPos + 1;
        }
    } else if (IsZipCipherKind(ArcType)) {
        CipherKeys.DecipherBuffer(Buf, static_cast<std::size_t>(Count));
    }
}

bool TZipCommon::IsZipFamilyKind(TArcType Value) const {
    return Value == atJar || Value == atJarExe || Value == atZip || Value == atZipExe ||
           Value == atZipMV;
}

// ---------------------------------------------------------------------------
// Output

std::int64_t TZipCommon::DecodeWriteBuffer(TArxBaseStream* Stream, std::uint8_t* Buf, int CrcFlag,
                                           std::int64_t Count, int CrcWidth, bool Decrypt) {
    if (Decrypt && CrcFlag == 1 && IsZipCipherKind(ArcType) && Count > 0)
        CipherKeys.DecipherBuffer(Buf, static_cast<std::size_t>(Count));
    return WriteOutput(Stream, Buf, CrcFlag, Count, CrcWidth);
}

std::int64_t TZipCommon::DecodeWriteBytes(TArxBaseStream* Stream, std::uint8_t* Buf, int CrcFlag,
                                          std::int64_t Count, int CrcWidth, bool Decrypt) {
    return DecodeWriteBuffer(Stream, Buf, CrcFlag, Count, CrcWidth, Decrypt);
}

namespace {

// Writes by output mode; the bytes taken.
std::int64_t WriteByMode(TZipCommon& self, TArxBaseStream* stream, const std::uint8_t* data,
                         std::int64_t count) {
    switch (self.OutputMode) {
    case kOutputFiles:
    case kOutputGivenStream:
    case kOutputAppend:
        return stream != nullptr ? stream->Write(data, count) : 0;
    case kOutputCallerStream:
        return self.OutputStream != nullptr ? self.OutputStream->Write(data, count) : 0;
    case kOutputMemory: {
        if (self.OutputMemory == nullptr) return 0;
        const std::int64_t taken =
            std::min(count, std::max<std::int64_t>(self.OutputMemoryLeft, 0));
        std::copy_n(data, taken, self.OutputMemory);
        self.OutputMemory += taken;
        self.OutputMemoryLeft -= taken;
        return taken;
    }
    case kOutputCountOnly:
        return count;
    default:
        return -1;
    }
}

} // namespace

std::int64_t TZipCommon::WriteOutput(TArxBaseStream* Stream, const std::uint8_t* Data, int CrcFlag,
                                     std::int64_t Count, int CrcWidth) {
    if (Count <= 0 || Data == nullptr) return 0;
    std::int64_t result = 0;
    bool whole = true;
    bool knownMode = true;
    int reason = 0;
    auto put = [&](const std::uint8_t* bytes, std::int64_t n) {
        if (n <= 0 || !whole) return;
        errno = 0; // a code left by an earlier failure is not this write's reason
        const std::int64_t written = WriteByMode(*this, Stream, bytes, n);
        if (written < 0) {
            whole = knownMode = false; // an output mode that takes nothing
            return;
        }
        if (written != n) {
            whole = false;
            reason = StreamFileLastError();
        }
    };
    if (AsciiTranslation) {
        // A lone line feed becomes carriage return, line feed.
        static constexpr std::uint8_t kLineEnd[2] = {'\r', '\n'};
        std::int64_t start = 0, added = 0;
        for (std::int64_t i = 0; i < Count; ++i) {
            const std::uint8_t previous = i > 0 ? Data[i - 1] : lastWrittenByte_;
            if (Data[i] != '\n' || previous == '\r') continue;
            put(Data + start, i - start);
            put(kLineEnd, 2);
            ++added;
            start = i + 1;
        }
        put(Data + start, Count - start);
        result = whole ? Count + added : 0;
    } else {
        put(Data, Count);
        result = whole ? Count : 0;
    }
    lastWrittenByte_ = Data[Count - 1];
    if (whole) MemberWritten += Count;
    if (!whole && knownMode) {
        OutputFailed = true;
        if (StreamFileIsDiskFull(reason)) {
            ResultCount = 0;
            RaiseError(ArchiveFile, CurrentFileName, "0", kMsgDiskFull);
        } else {
            UncountMember();
            ReportError(CurrentFileName, "", ArchiveFile, kMsgWriteError);
        }
    }
    // The CRC covers the member's own bytes, before any line-end translation.
    if (CrcFlag == 1) UpdateCrc(CrcWidth, Data, Count);
    return result;
}

void TZipCommon::UncountMember() {
    if (!MemberCounted) return;
    MemberCounted = false;
    ResultCount = std::max(0, ResultCount - 1);
}

bool TZipCommon::CloseOutput(std::unique_ptr<TArxBaseStream>& Stream) {
    switch (OutputMode) {
    case kOutputFiles:
        Stream.reset();
        return true;
    case kOutputCallerStream:
    case kOutputGivenStream:
    case kOutputMemory:
        return true;
    default:
        return false;
    }
}

std::uint32_t TZipCommon::FileDateFor(std::uint32_t Date) const {
    switch (DateAttribute) {
    case daSysDate: {
        const auto now = LocalDateTimeFromUnix(static_cast<std::int64_t>(std::time(nullptr)));
        return now ? DateTimeToDosDate(*now).value_or(kArxNoValidDosDate) : kArxNoValidDosDate;
    }
    case daMaxFileDate:
        return MaxFileDate;
    default:
        return Date;
    }
}

std::int64_t TZipCommon::CopyStoredMember(TArxBaseStream& InStream, TArxBaseStream* OutStream,
                                          const TMemberHeader& Header, const std::string&,
                                          int CrcWidth) {
    std::int64_t remaining = std::max<std::int64_t>(Header.PackedSize, 0);
    const std::int64_t chunk = std::min(remaining, kStoredChunk);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(chunk));
    const bool enciphered = (Header.Flags & 1) != 0;
    const bool arjCipher = enciphered && IsArjKind(ArcType);
    const bool zipCipher = enciphered && IsZipCipherKind(ArcType);
    while (remaining > 0) {
        const std::int64_t got =
            ReadProc(InStream, std::min(chunk, remaining), 0, arjCipher, buffer.data());
        if (got <= 0) break;
        remaining -= got;
        BytesRemaining -= got;
        // A failed write has been reported; the rest would fail the same way.
        if (WriteProc(OutStream, buffer.data(), 1, got, CrcWidth, zipCipher) <= 0) break;
        if (remaining > 0)
            DoProgress(ArchiveTotal, Header.PackedSize, Header.PackedSize - remaining);
        if (GetCancel()) break;
    }
    return remaining;
}

// ---------------------------------------------------------------------------
// Member names and output paths

// The stored name is kept below ExtractDir. A name that would leave it (a
// ".." step, a path still absolute after its drive and leading "\" are taken
// away, or a step through a symbolic link) is refused and reported, and
// CurrentFileName stays empty.
void TZipCommon::SetCurrentFileName(const std::string& Name) {
    CurrentNameRefused = false;
    checkedMissing_.clear();
    lastWrittenByte_ = 0; // a new member starts a new line-end run
    if (Name.empty()) {
        CurrentFileName.clear();
        return;
    }
    if (ExtractDir.empty()) {
        ExtractDir = NativeFolderOf(ArchiveFile);
        if (ExtractDir.empty()) ExtractDir = WithSlash(CurrentDirectory());
    }
    std::string stored = SlashToBackslash(Name);
    if (UseStoredDirs) {
        if (stored.size() >= 2 && stored[1] == ':')
            stored.erase(0, stored.size() >= 3 && stored[2] == '\\' ? 3 : 2);
        else if (!stored.empty() && stored[0] == '\\')
            stored.erase(0, 1);
    } else {
        // The name's last component: a drive prefix ("C:y.txt") goes too.
        const std::size_t cut = stored.find_last_of("\\:");
        stored = stored.substr(cut == std::string::npos ? 0 : cut + 1);
    }
    const bool stillAbsolute =
        (!stored.empty() && stored[0] == '\\') || (stored.size() >= 2 && stored[1] == ':');
    std::vector<std::string> steps;
    bool unsafe = stillAbsolute || stored.find('\0') != std::string::npos;
    std::size_t start = 0;
    while (start <= stored.size()) {
        const std::size_t end = std::min(stored.find('\\', start), stored.size());
        const std::string step = stored.substr(start, end - start);
        if (step == "..") unsafe = true;
        if (!step.empty() && step != ".") steps.push_back(step);
        start = end + 1;
    }
    const bool isFolderEntry = !stored.empty() && stored.back() == '\\';
    bool missing = false;
    if (!unsafe && PassesThroughSymlink(ExtractDir, steps, &missing)) unsafe = true;
    if (unsafe) {
        CurrentFileName.clear();
        CurrentNameRefused = true;
        ReportError(Name, "refused: the path leads outside " + ExtractDir, ArchiveFile,
                    kMsgInvalidFileName);
        return;
    }
    std::string path = ExtractDir;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        path += steps[i];
        if (i + 1 < steps.size() || isFolderEntry) path += '/';
    }
    CurrentFileName = path;
    if (missing) checkedMissing_ = path;
}

// ---------------------------------------------------------------------------
// Volumes

std::string TZipCommon::MakeVolumeName(const std::string& FileName, int VolumeNo) {
    if (FileName.empty() || VolumeNo < 0) return "";
    const std::size_t dot = ExtensionDot(FileName);
    const std::string stem = dot == std::string::npos ? FileName : FileName.substr(0, dot);
    if (IsRarKind(ArcType)) {
        const std::size_t partDot = ExtensionDot(stem);
        if (partDot != std::string::npos) {
            const std::string part = stem.substr(partDot);
            // ".part" and any number of digits: the next number keeps their width.
            const bool digits =
                part.size() >= 6 && std::all_of(part.begin() + 5, part.end(), [](char c) {
                    return std::isdigit(static_cast<unsigned char>(c)) != 0;
                });
            if (digits && ToLower(part.substr(0, 5)) == ".part")
                return stem.substr(0, partDot) + ".part" +
                       ZeroPadded(VolumeNo + 2, part.size() - 5) + ".rar";
        }
    }
    int number = VolumeNo;
    if (IsRarKind(ArcType)) {
        number %= 100;
        if (number == 0) ++VolumeLetter;
    }
    if (number <= 9) return stem + "." + VolumeLetter + "0" + std::to_string(number);
    if (number <= 99) return stem + "." + VolumeLetter + std::to_string(number);
    return stem + "." + std::to_string(number);
}

void TZipCommon::NextZipVolumeName(const std::string& Name, int& Number, std::string& Result,
                                   bool LastIsArchive, int Count) {
    ++Number;
    if (LastIsArchive && Number >= Count) {
        Result = Name;
        return;
    }
    const std::size_t dot = ExtensionDot(Name);
    Result = (dot == std::string::npos ? Name : Name.substr(0, dot)) + ".z" + ZeroPadded(Number, 2);
}

bool TZipCommon::OpenNextVolume(std::unique_ptr<TArxBaseStream>& Stream, int& VolumeNo, int Count) {
    NextZipVolumeName(ArchiveFile, VolumeNo, VolumeName, true, Count);
    if (!OnNextVolume) {
        ReportError(ArchiveFile, "OnNextVolume", "", kMsgEventNotAssigned);
        *CancelFlagRef = 1;
        return false;
    }
    Stream.reset();
    if (ZipHeaderFlags == kZipLocalFound && ToLower(VolumeName) == ToLower(ArchiveFile))
        NextZipVolumeName(ArchiveFile, VolumeNo, VolumeName, true, Count);
    bool exists = false;
    bool declined = false;
    do {
        exists = FileExists(VolumeName);
        bool cancel = false;
        OnNextVolume(*this, VolumeName, VolumeNo + 1, exists, cancel);
        declined = cancel;
        exists = FileExists(VolumeName);
    } while (!declined && !GetCancel() && !exists);
    ArchiveSize = 0;
    if (declined && !exists && !GetCancel()) {
        // A volume that is not there is named; the run cannot go past it.
        ReportError(VolumeName, "", ArchiveFile, kMsgFileNotFound);
        *CancelFlagRef = 1;
        return false;
    }
    if (declined) *CancelFlagRef = 1;
    if (GetCancel()) {
        ReportError(VolumeName, "", "", kMsgUserCanceled);
        return false;
    }
    VolumeNumber = VolumeNo;
    auto next = std::make_unique<TTempFileStream>(
        TempFileOwner(), TFileStream32::kModeReadDenyWrite, VolumeName, "");
    if (next->Handle < 0) {
        ReportError(VolumeName, "", "", kMsgOpenError);
        return false;
    }
    ArchiveSize = next->Size();
    Stream = std::move(next);
    return true;
}

bool TZipCommon::AskNextVolume(std::string& VolumeNameArg, int VolumeID) {
    if (VolumeID > 999) {
        ReportError(VolumeNameArg, "", "", kMsgMaxVolumes);
        return false;
    }
    if (VolumeNameArg.empty()) {
        ReportError(VolumeNameArg, "", "", kMsgInvalidFileName);
        return false;
    }
    if (VolumeNameArg.find('/') == std::string::npos)
        VolumeNameArg = WithSlash(CurrentDirectory()) + VolumeNameArg;
    while (!FileExists(VolumeNameArg)) {
        if (!OnNextVolume) {
            ReportError(VolumeNameArg, "OnNextVolume", "", kMsgEventNotAssigned);
            return false;
        }
        const std::string asked = VolumeNameArg;
        bool cancel = false;
        OnNextVolume(*this, VolumeNameArg, VolumeID, false, cancel);
        if (cancel || VolumeNameArg.empty()) {
            VolumeDeclined(asked);
            return false;
        }
    }
    ++VolumeNumber;
    return true;
}

void TZipCommon::VolumeDeclined(const std::string&) {
    SetCancel(true);
}

bool TZipCommon::OpenNextVolumeStream(std::unique_ptr<TArxBaseStream>& Stream,
                                      std::string& VolumeNameArg) {
    if (!OnNextVolume) return false;
    std::string name = MakeVolumeName(VolumeNameArg, VolumeNumber);
    if (!AskNextVolume(name, VolumeNumber)) return false;
    auto next = std::make_unique<TFileStream32>(name, TFileStream32::kModeReadDenyWrite);
    if (next->Handle < 0) {
        ReportError(name, "", "", kMsgOpenError);
        ArchiveSize = 0;
        return false;
    }
    ArchiveSize = next->Size();
    Stream = std::move(next);
    VolumeNameArg = name;
    return true;
}

// ---------------------------------------------------------------------------
// Temporary files

std::string TZipCommon::MakeTempFileName(const std::string& Dir) {
    std::string folder = Dir;
    if (folder.empty() || !IsDirectory(folder)) {
        folder = SystemTempFolder();
        CreateFolderPath(folder);
    }
    return CreateTempFileIn(folder, "arx");
}

void TZipCommon::CommitTempFile(TTempFileStream& TempStream, const std::string& DestName, bool Move,
                                const std::string& TempName) {
    if (Move) {
        StreamFileDelete(DestName);
        if (!StreamFileMove(TempName, DestName)) throw EFOpenError();
        StreamFileDelete(TempName);
        return;
    }
    TFileStream32 source(TempName, TFileStream32::kModeReadDenyWrite);
    if (source.Handle < 0) throw EFOpenError();
    FileTotal = ArchiveTotal = BytesRemaining = source.Size();
    source.RemainingRef = &BytesRemaining;
    source.CancelFlagRef = TempStream.CancelFlagRef;
    source.OnProgress = TempStream.OnProgress;
    TFileStream32 destination(DestName, TFileStream32::kModeCreate);
    if (destination.Handle < 0) throw EFOpenError();
    destination.CancelFlagRef = TempStream.CancelFlagRef;
    destination.OnMessageLoop = OnMessageLoop;
    destination.CopyFromStream(source, 0);
}

// ---------------------------------------------------------------------------
// Header fields

void TZipCommon::ReadZipExtraField(TArxBaseStream& Stream, std::int64_t Length, std::uint8_t* Buf,
                                   int Where, ZipExtraSizes& sizes) {
    if (Buf != nullptr) std::fill_n(Buf, kExtraBufSize, 0);
    std::int64_t left = Length;
    while (left >= 4) {
        std::uint8_t head[4]{};
        if (Stream.Read(head, 4) != 4) return;
        left -= 4;
        const std::uint16_t id = GetLe16(head);
        std::int64_t size = GetLe16(head + 2);
        if (size > left) {
            Stream.Seek(left, TSeekOrigin::Current);
            return;
        }
        left -= size;
        std::vector<std::uint8_t> body(static_cast<std::size_t>(size));
        if (size > 0 && Stream.Read(body.data(), size) != size) return;
        std::size_t at = 0;
        auto take64 = [&](std::uint64_t& field) {
            if (field != 0xFFFFFFFFu || at + 8 > body.size()) return;
            field = GetLe64(body.data() + at);
            at += 8;
        };
        if (id == kZip64ExtraId) {
            take64(sizes.Unpacked);
            take64(sizes.Packed);
            if (Where == 1) {
                take64(sizes.LocalOffset);
                if (sizes.Disk == 0xFFFFu && at + 4 <= body.size())
                    sizes.Disk = GetLe32(body.data() + at);
            }
        } else if (id == kExtraId100 && Buf != nullptr) {
            std::copy_n(body.begin(), std::min<std::size_t>(body.size(), Where == 0 ? 4 : 6), Buf);
        }
    }
    if (left > 0) Stream.Seek(left, TSeekOrigin::Current);
}

std::string TZipCommon::ReadFixedString(TArxBaseStream& Stream, int Length) {
    std::array<char, kFixedStringMax> buffer{};
    const std::int64_t wanted = std::clamp<std::int64_t>(Length, 0, kFixedStringMax);
    const std::int64_t got = wanted > 0 ? Stream.Read(buffer.data(), wanted) : 0;
    std::string text(buffer.data(), static_cast<std::size_t>(std::max<std::int64_t>(got, 0)));
    return text.substr(0, text.find('\0'));
}

std::string TZipCommon::GetMethodName(int Method, std::uint32_t Flags,
                                      const ArxMethodEntry& Entry) const {
    return sorvane::GetMethodName(MethodKindOf(ArcType), Method, Flags, Entry);
}

} // namespace sorvane
