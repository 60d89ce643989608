// The ARJ reader.
#include "archive/arj/arxUnArj.h"

#include "archive/arxCrc.h"
#include "archive/arxGlobals.h"
#include "archive/arxHelpers.h"
#include "archive/codecs/arxLzhStatic.h"
#include "archive/zip/arxZipCrypt.h"
#include "platform/DateTime.h"
#include "platform/Directory.h"
#include "platform/FileAttributes.h"
#include "platform/Folders.h"
#include "platform/StreamFile.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

namespace sorvane {
namespace {

constexpr std::uint8_t kGarbledFlag = kArjGarbledFlag;
constexpr std::uint8_t kVolumeFlag = kArjVolumeFlag;
constexpr std::uint8_t kContinuedFlag = kArjContinuedFlag;
constexpr std::uint8_t kBinaryType = kArjBinaryType;
constexpr std::uint8_t kTextType = kArjTextType;
constexpr std::uint8_t kFolderType = kArjFolderType;
constexpr std::uint8_t kLabelType = kArjLabelType;
constexpr std::uint8_t kUnixHost = kArjUnixHost;
constexpr int kMaxPasswordAttempts = 10;

struct Record {
    std::uint32_t Attr;
    std::uint32_t Reserved;
    std::int64_t Offset;
};
static_assert(sizeof(Record) == 16);

// The DOS date-time of a member: UNIX hosts store Unix seconds.
std::uint32_t MemberDosDate(const TUnARJ::TArjHeader& header) {
    if (header.Host != kUnixHost) return header.Stamp;
    return DateTimeToDosDate(UnixTimeToDateTime(header.Stamp)).value_or(kArxNoValidDosDate);
}

// The attributes a member's file gets: on UNIX hosts read-only when its mode
// gives the owner no write permission, as the listing reads it.
std::uint32_t MemberAttributes(const TUnARJ::TArjHeader& header) {
    constexpr std::uint16_t kOwnerWrite = 0200;
    if (header.Host != kUnixHost || (header.AccessMode & kOwnerWrite) != 0) return kDosArchive;
    return kDosArchive | kDosReadOnly;
}

// The volume number of an archive named with a volume extension ("x.a01"
// is the second volume), 1 otherwise: where the next volume's number starts.
int VolumeNumberOfName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return 1;
    const std::string extension = path.substr(dot + 1);
    std::size_t digits = 0;
    while (digits < extension.size() &&
           std::isdigit(static_cast<unsigned char>(extension[extension.size() - 1 - digits])))
        ++digits;
    if (digits == 0 || digits > 3) return 1;
    return std::stoi(extension.substr(extension.size() - digits)) + 1;
}

char OtherCase(char c) {
    const auto u = static_cast<unsigned char>(c);
    return static_cast<char>(std::islower(u) ? std::toupper(u) : std::tolower(u));
}

} // namespace

TUnARJ::TUnARJ() = default;

// ---------------------------------------------------------------------------
// Headers

TUnARJ::THeaderRead TUnARJ::ReadHeader(TArxBaseStream& stream, std::int64_t offset,
                                       TArjHeader& header) {
    TArxStreamSource source(stream);
    return ReadHeaderFrom(source, offset, header);
}

TUnARJ::THeaderRead TUnARJ::ReadHeaderFrom(TArxByteSource& source, std::int64_t offset,
                                           TArjHeader& header) {
    const THeaderRead read = ReadArjHeader(source, offset, header);
    if (read == THeaderRead::Header)
        header.Name = StoredNameToAnsi(header.RawName,
                                       header.Host == kUnixHost ? TNameHost::Other : TNameHost::Dos,
                                       TranslateOemChar);
    return read;
}

// ---------------------------------------------------------------------------
// The driver

void TUnARJ::ExtractFiles(std::unique_ptr<TArxBaseStream>& InStream, int) {
    if (!InStream) {
        ReportError(ArchiveFile, "", "", kMsgOpenError);
        return;
    }
    PasswordAttempts = std::min(PasswordAttempts, kMaxPasswordAttempts);
    givenUp_ = false;
    continued_ = {};
    firstVolume_ = ArchiveFile;
    volumeNo_ = VolumeNumberOfName(ArchiveFile);
    list_.Init(sizeof(Record));
    struct FreeList {
        TUnBaseHeaderObj& list;
        ~FreeList() { list.Done(); }
    } freeList{list_};
    std::int64_t start = std::max<std::int64_t>(StartOffset, 0);
    while (!GetCancel()) {
        Timer.Pause();
        try {
            WalkVolume(*InStream, start);
        } catch (...) {
            Timer.Resume();
            throw;
        }
        Timer.Resume();
        ExtractVolume(InStream);
        if (!lastVolumeFlag_ || GetCancel() || !OpenNextArjVolume(InStream)) break;
        start = 0;
    }
    EndUnfinished();
}

void TUnARJ::WalkVolume(TArxBaseStream& stream, std::int64_t start) {
    list_.Clear();
    lastVolumeFlag_ = false;
    FileTotal = 0;
    ArchiveTotal = 0;
    TArxBlockSource source;
    source.Reset(&stream);
    const std::int64_t size = source.Size();
    std::int64_t pos = start;
    bool mainHeader = true;
    while (!GetCancel()) {
        TArjHeader header;
        const THeaderRead read = ReadHeaderFrom(source, pos, header);
        if (read == THeaderRead::EndMarker) break;
        if (read == THeaderRead::Bad) {
            // A volume may simply end; anything else there is no header.
            if (pos < size) ReportError(ArchiveFile, "", VolumeName, kMsgBadFileHeader);
            break;
        }
        if (mainHeader) {
            mainHeader = false;
            pos = header.DataPos;
            continue;
        }
        // Every member's data is passed over, chosen or not; it must lie in the volume.
        if (header.PackedSize > size - header.DataPos) {
            ReportError(header.Name, "", VolumeName, kMsgBadFileHeader);
            break;
        }
        lastVolumeFlag_ = (header.Flags & kVolumeFlag) != 0;
        if (MatchFileSpecDirs(header.Name, FileSpec, ExclusionList, RecurseDirs)) {
            if (header.MinVersion >= 4) {
                ReportError(header.Name, "", ArchiveFile, kMsgVersionError);
            } else if (header.Method > 4 || (header.Method == 4 && header.ArchiverVersion == 1)) {
                ReportError(header.Name, "", ArchiveFile, kMsgUnsupportedMethod);
            } else {
                const Record record{header.AccessMode, 0, header.Offset};
                list_.AddRecord(&record);
                ArchiveTotal += header.PackedSize;
                FileTotal += header.UnpackedSize;
                MaxFileDate = std::max(MaxFileDate, MemberDosDate(header));
            }
        }
        pos = header.DataPos + header.PackedSize;
    }
    BytesRemaining = ArchiveTotal;
}

void TUnARJ::ExtractVolume(std::unique_ptr<TArxBaseStream>& stream) {
    if (!stream) return;
    TArxBlockSource source;
    source.Reset(stream.get());
    for (int i = 0; i < list_.Count && !GetCancel(); ++i) {
        Record record{};
        std::memcpy(&record, list_.GetItem(i), sizeof record);
        TArjHeader header;
        if (ReadHeaderFrom(source, record.Offset, header) != THeaderRead::Header) {
            ReportError(ArchiveFile, "", VolumeName, kMsgBadFileHeader);
            break;
        }
        ExtractMember(*stream, header, record.Attr);
    }
}

// The next volume of the set, named from the first volume's own path (the
// volume letter tried in both cases).
bool TUnARJ::OpenNextArjVolume(std::unique_ptr<TArxBaseStream>& stream) {
    if (!OnNextVolume) {
        ReportError(ArchiveFile, "OnNextVolume", "", kMsgEventNotAssigned);
        return false;
    }
    std::string name = MakeVolumeName(firstVolume_, volumeNo_);
    if (!StreamFileExists(name) && VolumeLetter != 0) {
        const char saved = VolumeLetter;
        VolumeLetter = OtherCase(saved);
        const std::string other = MakeVolumeName(firstVolume_, volumeNo_);
        VolumeLetter = saved;
        if (StreamFileExists(other)) name = other;
    }
    stream.reset();
    if (!AskNextVolume(name, volumeNo_)) return false;
    auto next = std::make_unique<TFileStream32>(name, TFileStream32::kModeReadDenyWrite);
    if (next->Handle < 0) {
        ReportError(name, "", "", kMsgOpenError);
        return false;
    }
    ArchiveSize = next->Size();
    stream = std::move(next);
    ArchiveFile = name;
    VolumeName = name;
    ++volumeNo_;
    return true;
}

// ---------------------------------------------------------------------------
// One member

bool TUnARJ::ObtainPassword(const TArjHeader&, int attempt, std::string& plain) {
    if (attempt > 1) Password.clear();
    if (!Password.empty()) {
        plain = Password;
        return true;
    }
    if (!OnGetPassword) {
        ReportError(CurrentFileName, "OnGetPassword", ArchiveFile, kMsgEventNotAssigned);
        return false;
    }
    Timer.Pause();
    struct ResumeTimer {
        TarxTimer& timer;
        ~ResumeTimer() { timer.Resume(); }
    } resume{Timer};
    bool tryAgain = true;
    std::string answer;
    OnGetPassword(*this, CurrentFileName, answer, tryAgain);
    if (!tryAgain || answer.empty()) return false;
    plain = answer;
    return true;
}

void TUnARJ::ExtractMember(TArxBaseStream& stream, TArjHeader& header, std::uint32_t) {
    StoredName = header.Name;
    if (header.Flags & kContinuedFlag) {
        ExtractContinuation(stream, header);
        return;
    }
    EndUnfinished();
    // What cannot be decoded is refused before any output is opened.
    switch (header.FileType) {
    case kFolderType:
        ExtractFolder(header);
        return;
    case kLabelType:
        return; // a volume label: nothing to write
    case kBinaryType:
    case kTextType:
        break;
    default:
        ReportError(header.Name, "", ArchiveFile, kMsgUnknownFileType);
        return;
    }
    if (header.Method > 4) {
        ReportError(header.Name, "", ArchiveFile, kMsgUnknownFileType);
        return;
    }
    const bool garbled = (header.Flags & kGarbledFlag) != 0;
    // Only garbled members depend on the attempts; none given, none tried.
    if (garbled && PasswordAttempts < 1) return;
    SetCurrentFileName(header.Name);
    if (CurrentNameRefused) return;
    if (garbled && givenUp_) {
        ReportError(CurrentFileName, "", ArchiveFile, kMsgInvalidPassword);
        return;
    }
    if (!CheckOverwrite(false)) return;
    const std::string eventName = OutputMode == kOutputFiles ? CurrentFileName : header.Name;
    const int attempts = garbled ? PasswordAttempts : 1;
    bool passed = false;
    bool opened = false;
    std::int64_t written = 0;
    std::string plain;
    for (int attempt = 1; attempt <= attempts && !GetCancel(); ++attempt) {
        if (garbled) {
            if (!ObtainPassword(header, attempt, plain)) {
                // Declined: the member is not written with a missing key.
                givenUp_ = true;
                if (!opened) ReportError(CurrentFileName, "", ArchiveFile, kMsgInvalidPassword);
                break;
            }
            Password = ShiftText(false, plain, header.PasswordModifier);
            // ARJ keeps no check of the key: a key that does not give the
            // member whole is a wrong password, and nothing is written with it.
            if (!KeyFits(stream, header)) {
                Password = plain;
                if (!GetCancel())
                    ReportError(CurrentFileName, "", ArchiveFile, kMsgInvalidPassword);
                if (attempt == attempts) givenUp_ = true;
                continue;
            }
        }
        std::unique_ptr<TArxBaseStream> out;
        if (!OpenOutputFile(out, CurrentFileName, header.Name)) {
            if (garbled) Password = plain;
            break;
        }
        opened = true;
        written = 0;
        MemberWritten = 0;
        const TDecodeResult result = DecodePart(stream, out.get(), header, written);
        if (garbled) Password = plain;
        DateMember(out, eventName, header);
        // A garbled member may be tried again with another key: the count
        // is corrected once, after the last attempt.
        passed = MemberVerdict({.Result = result,
                                .CrcWidth = 32,
                                .StoredCrc = ~header.Crc,
                                .DeclaredSize = header.UnpackedSize,
                                .KeepCount = true,
                                .Continues = (header.Flags & kVolumeFlag) != 0});
        if (passed || !garbled) break;
        if (attempt == attempts) givenUp_ = true;
    }
    // A member that goes on in the next volume counts once its last part passed.
    const bool goesOn = (header.Flags & kVolumeFlag) != 0 && opened;
    if (!passed || goesOn) UncountMember();
    MemberDone({0, header.Flags});
    if (goesOn) {
        continued_.active = true;
        continued_.stored = header.Name;
        continued_.path = eventName;
        continued_.written = written;
        continued_.passed = passed;
        continued_.garbled = garbled;
        continued_.plainPassword = plain;
    }
}

void TUnARJ::DateMember(std::unique_ptr<TArxBaseStream>& out, const std::string& name,
                        const TArjHeader& header) {
    if (header.Host == kUnixHost)
        SetFileAttrUnixTime(out, name, MemberAttributes(header), header.Stamp);
    else
        SetFileAttrDate(out, name, MemberAttributes(header), header.Stamp);
}

// A folder entry's folder (through the same guard as member names), made and
// dated when the run ends; it opens no file.
void TUnARJ::ExtractFolder(const TArjHeader& header) {
    if (!UseStoredDirs) return;
    SetCurrentFileName(header.Name + "\\");
    if (CurrentNameRefused) return;
    if (header.Host == kUnixHost)
        RememberFolder(CurrentFileName, header.Stamp, MemberDosDate(header));
    else
        RememberFolder(CurrentFileName, std::nullopt, header.Stamp);
    Crc32.Start(0);
    CheckCrc(32, header.Crc);
}

// The next part of a member split across volumes goes on the output its
// first part created in this run, and nowhere else; it is not counted again.
void TUnARJ::ExtractContinuation(TArxBaseStream& stream, TArjHeader& header) {
    if (!continued_.active || continued_.stored != header.Name ||
        (header.ResumePosition >= 0 && header.ResumePosition != continued_.written)) {
        EndUnfinished();
        return;
    }
    CurrentFileName = continued_.path;
    CurrentNameRefused = false;
    std::unique_ptr<TArxBaseStream> out;
    if (OutputMode == kOutputFiles) {
        // On the temporary file its earlier parts went to; a member whose
        // earlier part failed has none and is not written on.
        if (!continued_.passed || !ContinueOutputFile(out)) {
            continued_ = {};
            return;
        }
    } else if (!OpenOutputFile(out, continued_.path, header.Name)) {
        continued_ = {};
        return;
    }
    if (continued_.garbled)
        Password = ShiftText(false, continued_.plainPassword, header.PasswordModifier);
    std::int64_t written = 0;
    MemberWritten = 0;
    const TDecodeResult result = DecodePart(stream, out.get(), header, written);
    if (continued_.garbled) Password = continued_.plainPassword;
    DateMember(out, continued_.path, header);
    // The member counts once, after its last part: a failed part leaves it
    // uncounted.
    const bool passed = MemberVerdict({.Result = result,
                                       .CrcWidth = 32,
                                       .StoredCrc = ~header.Crc,
                                       .DeclaredSize = header.UnpackedSize,
                                       .Continues = (header.Flags & kVolumeFlag) != 0});
    continued_.passed = continued_.passed && passed;
    continued_.written += written;
    MemberDone({0, header.Flags});
    if (!(header.Flags & kVolumeFlag)) {
        // The last part: the member counts once, when every part passed.
        if (continued_.passed) ++ResultCount;
        continued_ = {};
    }
}

void TUnARJ::EndUnfinished() {
    if (continued_.active) ReportError(continued_.path, "", VolumeName, kMsgReadError);
    continued_ = {};
}

bool TUnARJ::KeyFits(TArxBaseStream& stream, const TArjHeader& header) {
    struct Restore {
        TUnARJ& self;
        std::uint8_t mode;
        std::int64_t remaining;
        std::int64_t written;
        ~Restore() {
            self.OutputMode = mode;
            self.BytesRemaining = remaining;
            self.MemberWritten = written;
            self.quiet_ = false;
        }
    } restore{*this, OutputMode, BytesRemaining, MemberWritten};
    OutputMode = kOutputCountOnly;
    quiet_ = true;
    const std::int64_t before = MemberWritten;
    TDecodeResult result = TDecodeResult::Corrupt;
    try {
        result = DecodeMember(stream, nullptr, header);
    } catch (const E_RAISE&) {
        result = TDecodeResult::Corrupt;
    }
    return result == TDecodeResult::Done && MemberWritten - before == header.UnpackedSize &&
           Crc32.Value() == ~header.Crc;
}

// Decodes one part, turning a raised library error into the result.
TDecodeResult TUnARJ::DecodePart(TArxBaseStream& stream, TArxBaseStream* out,
                                 const TArjHeader& header, std::int64_t& written) {
    const std::int64_t before = MemberWritten;
    TDecodeResult result = TDecodeResult::Corrupt;
    try {
        result = DecodeMember(stream, out, header);
    } catch (const E_RAISE& error) {
        const bool writing = error.Code() == kMsgWriteError || error.Code() == kMsgDiskFull;
        if (!writing) ReportError(header.Name, "", ArchiveFile, error.Code());
        result = writing ? TDecodeResult::WriteFailed : TDecodeResult::Corrupt;
    }
    written = MemberWritten - before;
    return result;
}

TDecodeResult TUnARJ::DecodeMember(TArxBaseStream& stream, TArxBaseStream* out,
                                   const TArjHeader& header) {
    const bool garbled = (header.Flags & kGarbledFlag) != 0;
    // The cipher restarts at the first character of the key for each member
    // and each attempt.
    ArjPasswordPos = 1;
    Crc32.Start(0xFFFFFFFFu);
    stream.Seek(header.DataPos, TSeekOrigin::Beginning);
    TDecodeResult result = TDecodeResult::Corrupt;
    if (header.Method == 0) {
        // Never more than the declared size.
        return CopyStored(stream, out,
                          {std::min(header.PackedSize, header.UnpackedSize), header.Flags & 1u},
                          header.Name, 32);
    }
    TMemberIo io = MemberIo(stream, out, header.PackedSize, header.UnpackedSize, 32, garbled);
    switch (header.Method) {
    case 1:
    case 2:
    case 3:
        lzh_.Setup(kLzhArj);
        result = lzh_.Run(io);
        break;
    case 4:
        result = method4_.Decode(io);
        break;
    default:
        ReportError(header.Name, "", ArchiveFile, kMsgUnknownFileType);
        return TDecodeResult::Corrupt;
    }
    if (result == TDecodeResult::Corrupt && !quiet_)
        ReportError(header.Name, "", ArchiveFile, kMsgCorruptInput);
    if (result == TDecodeResult::Done && GetCancel()) return TDecodeResult::Canceled;
    return result;
}

} // namespace sorvane
