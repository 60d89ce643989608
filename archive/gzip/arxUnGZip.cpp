// The gzip and .Z reader.
#include "archive/gzip/arxUnGZip.h"

#include "archive/arxCrc.h"
#include "archive/arxDisk.h"
#include "archive/arxHelpers.h"
#include "archive/codecs/arxUnLzw.h"
#include "archive/tar/arxTarHeader.h"
#include "archive/tar/arxUnTar.h"
#include "platform/FileAttributes.h"
#include "platform/Folders.h"
#include "platform/StreamFile.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <limits>

namespace sorvane {
namespace {

std::string FilePart(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The extension of a name with its ".", '' without one.
std::string Extension(const std::string& name) {
    const std::size_t sep = name.find_last_of("\\/");
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return "";
    return name.substr(dot);
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string WithoutExtension(const std::string& name) {
    return name.substr(0, name.size() - Extension(name).size());
}

// The name the member is written under: ".tgz" becomes ".tar"; a name whose
// extension is the archive's loses it; a gzip text member gets ".txt".
std::string OutputName(const std::string& name, const std::string& archiveFile, bool text) {
    const std::string e = Lower(Extension(name));
    if (e == ".tgz") return WithoutExtension(name) + ".tar";
    if (e == ".tar") return name;
    std::string result = name;
    if (!e.empty() && e == Lower(Extension(FilePart(archiveFile)))) result = WithoutExtension(name);
    if (text) result += ".txt";
    return result;
}

std::uint32_t UnixToDosDate(std::int64_t seconds) {
    const auto local = LocalDateTimeFromUnix(seconds);
    return local ? DateTimeToDosDate(*local).value_or(0) : 0;
}

std::uint32_t ArchiveDosDate(TArxBaseStream& stream) {
    constexpr int kModified = 1;
    auto* file = dynamic_cast<THandleStream32*>(&stream);
    return file == nullptr ? 0 : GetFileDosTime(file->Handle, kModified);
}

} // namespace

TUnGZip::TUnGZip() = default;

bool TUnGZip::ReadGzipHeader(TArxBaseStream& stream, std::int64_t pos, TGzipHeader& header) {
    TArxStreamSource source(stream);
    return sorvane::ReadGzipHeader(source, pos, header);
}

void TUnGZip::ExtractFiles(std::unique_ptr<TArxBaseStream>& InStream, int) {
    if (!InStream) {
        ReportError(ArchiveFile, "", "", kMsgOpenError);
        return;
    }
    TArxBaseStream& stream = *InStream;
    std::array<std::uint8_t, 2> magic{};
    if (ReadAt(stream, 0, magic.data(), 2) != 2) {
        ReportError(ArchiveFile, "", "", kMsgBadFileHeader);
        return;
    }
    Kind kind;
    switch (GetLe16(magic.data())) {
    case kGzipMagic:
    case kGzipOldMagic:
        kind = Kind::Gzip;
        break;
    case kCompressMagic:
        kind = Kind::Compress;
        break;
    case kPackMagic:
        kind = Kind::Pack;
        break;
    case kLzhMagic:
        kind = Kind::LzhCompress;
        break;
    default:
        ReportError(ArchiveFile, "", "", kMsgBadFileHeader);
        return;
    }
    TGzipHeader header;
    std::string name = FilePart(ArchiveFile);
    std::uint32_t dosDate = ArchiveDosDate(stream);
    if (kind == Kind::Gzip) {
        if (!ReadGzipHeader(stream, 0, header)) {
            ReportError(ArchiveFile, "", "", kMsgBadFileHeader);
            return;
        }
        // Stored names are kept as stored (UTF-8), as the listing shows them.
        name = header.HasName ? header.Name : WithoutExtension(FilePart(ArchiveFile));
        if (header.MTime != 0) dosDate = UnixToDosDate(header.MTime);
    }
    name = OutputName(SlashToBackslash(name), ArchiveFile,
                      kind == Kind::Gzip && (header.Flags & kGzipFlagText) != 0);
    if (!MatchFileSpecDirs(name, FileSpec, ExclusionList, RecurseDirs)) return;
    MaxFileDate = std::max(MaxFileDate, dosDate);
    ArchiveTotal = FileTotal = stream.Size();
    BytesRemaining = ArchiveTotal;
    ExtractMember(stream, kind, header, name, dosDate);
}

bool TUnGZip::Decodable(TArxBaseStream& stream, Kind kind, const TGzipHeader& header,
                        const std::string& shown) {
    int refusal = 0;
    std::string detail;
    switch (kind) {
    case Kind::Gzip:
        if (header.Flags & kGzipFlagMultiPart)
            refusal = kMsgMultiPartGzip;
        else if (header.Flags & kGzipFlagEncrypted)
            refusal = kMsgPasswordProtected;
        else if (header.Method != kGzipDeflated)
            refusal = kMsgUnsupportedMethod;
        break;
    case Kind::Compress: {
        std::array<std::uint8_t, 3> z{};
        if (ReadAt(stream, 0, z.data(), 3) != 3) {
            refusal = kMsgBadFileHeader;
            break;
        }
        const TZHeaderVerdict verdict = CheckZHeader(z.data());
        if (verdict == TZHeaderVerdict::BadHeader) refusal = kMsgIncompleteCodeSet;
        if (verdict == TZHeaderVerdict::BadWidth) {
            refusal = kMsgIncorrectBits;
            detail = "maximum code width " + std::to_string(z[2] & 0x1F);
        }
        break;
    }
    case Kind::Pack:
    case Kind::LzhCompress:
        refusal = kMsgUnsupportedMethod;
        break;
    }
    if (refusal == 0) return true;
    ReportError(shown, detail, ArchiveFile, refusal);
    if (OnEnd) OnEnd(*this, shown, false);
    return false;
}

void TUnGZip::ExtractMember(TArxBaseStream& stream, Kind kind, const TGzipHeader& header,
                            const std::string& name, std::uint32_t dosDate) {
    StoredName = name;
    MemberEncrypted = false;
    SetCurrentFileName(name);
    if (CurrentNameRefused) return; // reported; nothing leaves ExtractDir
    const std::string shown = OutputMode == kOutputFiles ? CurrentFileName : name;
    // What cannot be decoded is refused before any output is opened.
    if (!Decodable(stream, kind, header, shown)) return;
    // The overwrite question waits for the first decoded bytes: a tar inside
    // never takes the member's own name, so nothing is asked about it.
    MemberCounted = false;
    MemberWritten = 0;

    const bool savedTranslation = AsciiTranslation;
    if (kind == Kind::Gzip && (header.ExtraFlags & kGzipExtraFlagNoText)) AsciiTranslation = false;
    out_.reset();
    opened_ = sinkFailed_ = skipped_ = diverted_ = cutShort_ = false;
    tempFolder_.clear();
    tempFile_.clear();
    struct Restore {
        TUnGZip& self;
        bool translation;
        ~Restore() {
            self.AsciiTranslation = translation;
            self.out_.reset();
            self.DropTemporary();
        }
    } restore{*this, savedTranslation};

    Crc32.Start(0xFFFFFFFFu);
    crcWidth_ = kind == Kind::Gzip ? 32 : 0;
    bool passed = false;
    try {
        passed =
            kind == Kind::Gzip ? DecodeGzip(stream, header, shown) : DecodeCompress(stream, shown);
        // An empty member still gets its (empty) file.
        if (passed && !opened_) passed = OpenSink(nullptr, 0);
        if (passed) {
            // The whole file is read (padding behind the last member too).
            BytesRemaining = 0;
            DoProgress(ArchiveTotal, ArchiveTotal, ArchiveTotal);
        }
    } catch (const E_RAISE& error) {
        if (error.Code() != kMsgWriteError && error.Code() != kMsgDiskFull)
            ReportError(shown, "", ArchiveFile, error.Code());
        passed = false;
    }
    if (skipped_) return; // declined or skipped when its output was to open
    // A gzip member keeps the Unix time its header stores, to the second.
    if (opened_ && !sinkFailed_ && kind == Kind::Gzip && header.MTime != 0)
        SetFileAttrUnixTime(out_, diverted_ ? tempFile_ : shown, kDosArchive, header.MTime);
    else if (opened_ && !sinkFailed_)
        SetFileAttrDate(out_, diverted_ ? tempFile_ : shown, kDosArchive, dosDate);
    else
        out_.reset();
    // The decoder checked each member's CRC and size and reported a failure.
    const TDecodeResult result = passed        ? TDecodeResult::Done
                                 : GetCancel() ? TDecodeResult::Canceled
                                               : TDecodeResult::Corrupt;
    // A tar that decoded whole is announced member by member by the tar
    // reader; the intermediate file itself never takes a name of the user's.
    if (diverted_ && result == TDecodeResult::Done) {
        ExtractNestedTar(false);
        return;
    }
    if (!MemberVerdict({.Result = result, .CrcWidth = 0})) {
        // The whole members of a tar before the damage are still extracted.
        if (diverted_ && cutShort_ && opened_ && !sinkFailed_ && !GetCancel())
            ExtractNestedTar(true);
    }
}

void TUnGZip::ReportDamage(const std::string& shown, int code) {
    if (!diverted_) {
        ReportError(shown, "", ArchiveFile, code);
        return;
    }
    cutShort_ = true;
    ReportError(ArchiveFile, "", "", code);
}

bool TUnGZip::DecodeGzip(TArxBaseStream& stream, const TGzipHeader& first,
                         const std::string& shown) {
    const std::int64_t archiveSize = stream.Size();
    TGzipHeader header = first;
    for (;;) {
        // One member: its Deflate stream, then its CRC-32 and size mod 2^32.
        Crc32.Start(0xFFFFFFFFu);
        std::uint64_t produced = 0;
        TMemberIo io;
        io.PackedSize = archiveSize - header.DataPos;
        io.UnpackedSize = std::numeric_limits<std::int64_t>::max();
        std::int64_t readTo = header.DataPos; // the progress follows the input read
        io.Read = [&](std::uint8_t* buf, std::int64_t count) {
            if (OnMessageLoop) OnMessageLoop();
            const std::int64_t got = ReadAt(stream, readTo, buf, count);
            if (got <= 0) return std::int64_t{0};
            readTo += got;
            return got;
        };
        io.Write = [&](const std::uint8_t* buf, std::int64_t count) {
            if (!Emit(buf, count)) return std::int64_t{0};
            produced += static_cast<std::uint64_t>(count);
            const std::int64_t done = std::min(archiveSize, readTo);
            BytesRemaining = archiveSize - done;
            DoProgress(ArchiveTotal, archiveSize, done);
            return count;
        };
        io.Cancel = CancelFlagRef;
        const TDecodeResult result = inflate_.Decode(io, false);
        const std::int64_t consumed = inflate_.Consumed();
        switch (result) {
        case TDecodeResult::Done:
            break;
        case TDecodeResult::Corrupt:
            ReportDamage(shown, kMsgCorruptInput);
            return false;
        case TDecodeResult::InputEnded:
            ReportDamage(shown, kMsgEofNotFound2);
            return false;
        default: // a write failure (reported) or a cancel
            return false;
        }
        {
            const std::int64_t done = std::min(archiveSize, header.DataPos + consumed);
            BytesRemaining = archiveSize - done;
            DoProgress(ArchiveTotal, archiveSize, done);
        }
        // The trailer follows the stream's last byte.
        const std::int64_t trailerPos = header.DataPos + consumed;
        std::array<std::uint8_t, kGzipTrailerSize> t{};
        if (ReadAt(stream, trailerPos, t.data(), kGzipTrailerSize) != kGzipTrailerSize) {
            ReportDamage(shown, kMsgEofNotFound2);
            return false;
        }
        if (GetLe32(t.data()) != ~Crc32.Value() ||
            GetLe32(t.data() + 4) != static_cast<std::uint32_t>(produced)) {
            if (!OnEnd) ReportError(shown, "", ArchiveFile, kMsgCrcFailed);
            return false;
        }
        // Another member may follow; zero padding and other trailing bytes are
        // ignored, as gzip does.
        const std::int64_t next = trailerPos + kGzipTrailerSize;
        std::array<std::uint8_t, 2> magic{};
        if (ReadAt(stream, next, magic.data(), 2) != 2 || GetLe16(magic.data()) != kGzipMagic)
            return true;
        if (!ReadGzipHeader(stream, next, header)) {
            ReportError(shown, "a further member's header is cut short", ArchiveFile,
                        kMsgBadFileHeader);
            return false;
        }
        if (header.Flags & (kGzipFlagMultiPart | kGzipFlagEncrypted) ||
            header.Method != kGzipDeflated) {
            ReportError(shown, "a further member", ArchiveFile,
                        header.Method != kGzipDeflated        ? kMsgUnsupportedMethod
                        : (header.Flags & kGzipFlagMultiPart) ? kMsgMultiPartGzip
                                                              : kMsgPasswordProtected);
            return false;
        }
    }
}

bool TUnGZip::DecodeCompress(TArxBaseStream& stream, const std::string& shown) {
    stream.Seek(0, TSeekOrigin::Beginning);
    const std::int64_t archiveSize = stream.Size();
    // The whole file is the stream; the progress follows the input read.
    TMemberIo io;
    io.PackedSize = archiveSize;
    io.Read = [&, consumed = std::int64_t{0}](std::uint8_t* buf, std::int64_t count) mutable {
        const std::int64_t got = ReadProc(stream, count, 0, false, buf);
        if (got > 0) consumed += got;
        if (OnMessageLoop) OnMessageLoop();
        const std::int64_t done = std::min(consumed, archiveSize);
        BytesRemaining = archiveSize - done;
        DoProgress(ArchiveTotal, archiveSize, done);
        return got;
    };
    io.Write = [this](const std::uint8_t* buf, std::int64_t count) {
        return Emit(buf, count) ? count : std::int64_t{0};
    };
    io.Cancel = CancelFlagRef;
    switch (UncompressZ(io)) {
    case TDecodeResult::Done:
        return true;
    case TDecodeResult::Corrupt:
        ReportDamage(shown, kMsgCorruptInput);
        return false;
    default: // a write failure (reported) or a cancel
        return false;
    }
}

bool TUnGZip::Emit(const std::uint8_t* data, std::int64_t count) {
    if (sinkFailed_) return false;
    if (!opened_ && !OpenSink(data, count)) return false;
    if (count <= 0) return true;
    // .Z has no checksum: its bytes are not summed.
    if (WriteProc(out_.get(), const_cast<std::uint8_t*>(data), 1, count, crcWidth_, false) <= 0) {
        sinkFailed_ = true; // reported by the write
        return false;
    }
    return true;
}

// Opens the member's output with its first decoded bytes in hand: a tar
// archive, when OnNestedTarFile agrees, goes to a file of a private
// temporary folder; anything else to the member's own output.
bool TUnGZip::OpenSink(const std::uint8_t* data, std::int64_t count) {
    opened_ = true;
    if (count > kTarBlock && TarChecksumOk(data)) {
        bool doUnTar = false;
        if (!OnNestedTarFile)
            ReportError(CurrentFileName, "OnNestedTarFile", ArchiveFile, kMsgEventNotAssigned);
        else
            OnNestedTarFile(*this, OutputMode == kOutputFiles ? CurrentFileName : StoredName,
                            doUnTar);
        if (doUnTar && OutputMode == kOutputFiles) {
            tempFolder_ = CreateTempFolderIn(GetTempDir(), "arx");
            if (!tempFolder_.empty()) {
                tempFile_ = tempFolder_ + "/" + FilePart(CurrentFileName);
                auto file = std::make_unique<TFileStream32>(tempFile_, TFileStream32::kModeCreate);
                if (file->Handle >= 0) {
                    out_ = std::move(file);
                    diverted_ = true;
                    return true;
                }
            }
            ReportError(tempFile_.empty() ? GetTempDir() : tempFile_, "", ArchiveFile,
                        kMsgOpenError);
            DropTemporary();
        }
    }
    if (!CheckOverwrite(false)) {
        skipped_ = sinkFailed_ = true; // the decoder stops at its next write
        return false;
    }
    if (!OpenOutputFile(out_, CurrentFileName, StoredName)) {
        sinkFailed_ = true;
        return false;
    }
    return true;
}

// The temporary tar, whole and checked, extracted by a tar reader with this
// reader's settings and events; its count becomes this reader's.
void TUnGZip::ExtractNestedTar(bool cutShort) {
    TUnTar tar;
    tar.SetArchiveFile(tempFile_);
    if (tar.ArcType != atTar && cutShort) return; // nothing whole to give
    if (tar.ArcType != atTar) {
        // Not a tar after all: the member goes where it was to go, asked
        // about like any other.
        if (!CheckOverwrite(false)) return;
        const bool moved = StreamFileMove(tempFile_, CurrentFileName);
        if (!moved) ReportError(CurrentFileName, "", ArchiveFile, kMsgOpenError);
        MemberVerdict(
            {.Result = moved ? TDecodeResult::Done : TDecodeResult::WriteFailed, .CrcWidth = 0});
        return;
    }
    ArcType = atTar;
    tar.ExtractDir = ExtractDir;
    tar.FileSpec = FileSpec;
    tar.ExclusionList = ExclusionList;
    tar.RecurseDirs = RecurseDirs;
    tar.UseStoredDirs = UseStoredDirs;
    tar.CreateStoredDirs = CreateStoredDirs;
    tar.ConfirmOverwrites = ConfirmOverwrites;
    tar.OverwriteMode = OverwriteMode;
    tar.RestoreFileAttr = RestoreFileAttr;
    tar.DateAttribute = DateAttribute;
    tar.AsciiTranslation = false;
    tar.OnProgress = OnProgress;
    tar.OnBegin = OnBegin;
    tar.OnEnd = OnEnd;
    // The temporary tar is no file of the user's: reports name the archive.
    tar.OnError = [this](TZipCommon&, const std::string& fileName, const std::string& extended,
                         const std::string& volume, int code) {
        if (OnError)
            OnError(*this, fileName == tempFile_ ? ArchiveFile : fileName, extended,
                    volume == tempFile_ ? ArchiveFile : volume, code);
    };
    tar.CutShortReported = cutShort;
    tar.OnFileExists = OnFileExists;
    tar.OnRenameFile = OnRenameFile;
    tar.OnMessageLoop = OnMessageLoop;
    tar.CancelFlagRef = CancelFlagRef;
    ResultCount = tar.Extract();
    if (tar.RunFailed) RunFailed = true;
    if (ResultCount > 0 && OnChangeArchive) OnChangeArchive(*this, tempFile_, ArcType);
}

void TUnGZip::DropTemporary() {
    if (!tempFile_.empty()) DeleteFile(tempFile_);
    if (!tempFolder_.empty()) RemoveEmptyFolder(tempFolder_);
    tempFile_.clear();
    tempFolder_.clear();
}

} // namespace sorvane
