// The ACE extraction module: reads ACE archives (volumes and self-extractors
// included) and decodes stored and ACE 1.0 LZ77 members, handing every block
// to the reader's callbacks. ACE 2.0 methods and enciphered members are
// reported per member and skipped.
#include "archive/modules/AceModule.h"

#include "archive/ace/arxAceHeader.h"
#include "archive/arxCrc.h"
#include "archive/codecs/arxAceLz77.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace sorvane;
using sorvane::TAceLz77;

constexpr std::uint8_t kMethodStored = 0;
constexpr std::uint8_t kMethodLz77 = 1;
constexpr std::int64_t kBlock = 65536;
constexpr std::size_t kPathBuffer = 4096;

TAceInitRecord g_init{};
bool g_ready = false;

// Masks compare ASCII letters without case; "*" and "?" are wildcards.
bool MaskMatches(const char* name, const char* mask) {
    const char* starName = nullptr;
    const char* starMask = nullptr;
    while (*name != '\0') {
        if (*mask == '*') {
            starMask = ++mask;
            starName = name;
        } else if (*mask != '\0' &&
                   (*mask == '?' || std::toupper(static_cast<unsigned char>(*mask)) ==
                                        std::toupper(static_cast<unsigned char>(*name)))) {
            ++mask;
            ++name;
        } else if (starMask != nullptr) {
            mask = starMask;
            name = ++starName;
        } else {
            return false;
        }
    }
    while (*mask == '*')
        ++mask;
    return *mask == '\0';
}

// A mask without a folder matches the name's last step; one with a folder
// (or with full matching off) the whole stored name.
bool Selected(const std::string& name, const std::vector<std::string>& masks) {
    const std::size_t cut = name.find_last_of("\\/");
    const std::string last = cut == std::string::npos ? name : name.substr(cut + 1);
    return std::any_of(masks.begin(), masks.end(), [&](const std::string& mask) {
        const bool hasFolder = mask.find_first_of("\\/") != std::string::npos;
        return MaskMatches((hasFolder ? name : last).c_str(), mask.c_str()) ||
               MaskMatches(name.c_str(), mask.c_str());
    });
}

std::vector<std::string> SplitMasks(const char* text) {
    std::vector<std::string> masks;
    std::string current;
    for (const char* p = text == nullptr ? "*" : text; *p != '\0'; ++p) {
        if (*p == '\r' || *p == '\n') {
            if (!current.empty()) masks.push_back(current);
            current.clear();
        } else {
            current += *p;
        }
    }
    if (!current.empty()) masks.push_back(current);
    return masks;
}

// One volume of the archive, the byte source the shared header reader reads.
class TVolume final : public TArxByteSource {
public:
    ~TVolume() { Close(); }
    bool Open(const std::string& path) {
        Close();
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd_ < 0) return false;
        struct stat st {};
        if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
            Close();
            return false;
        }
        size_ = st.st_size;
        path_ = path;
        return true;
    }
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    std::int64_t Read(std::int64_t at, void* buffer, std::int64_t count) const {
        if (fd_ < 0 || at < 0 || count <= 0) return 0;
        std::int64_t done = 0;
        while (done < count) {
            const ssize_t got = ::pread(fd_, static_cast<char*>(buffer) + done,
                                        static_cast<std::size_t>(count - done), at + done);
            if (got <= 0) break;
            done += got;
        }
        return done;
    }
    std::int64_t ReadAt(std::int64_t pos, void* buffer, std::int64_t count) override {
        return Read(pos, buffer, count);
    }
    std::int64_t Size() const override { return size_; }
    const std::string& Path() const { return path_; }

private:
    int fd_ = -1;
    std::int64_t size_ = 0;
    std::string path_;
};

class TEngine {
public:
    TEngine(const char* archive, const TAceFilesRecord& files, int operation)
        : archive_(archive == nullptr ? "" : archive), files_(files), operation_(operation),
          masks_(SplitMasks(files.Masks)) {}

    int Run();

private:
    int Error(int code, const std::string* member) {
        TAceErrorInfo info{code, archive_.c_str(), member == nullptr ? nullptr : member->c_str()};
        return g_init.Error == nullptr ? kAceAnswerSkip : g_init.Error(&info);
    }
    int State(int code, const TAceMember& member, const std::uint8_t* data = nullptr,
              std::uint32_t size = 0, bool crcOk = false, bool failed = false) {
        TAceStateInfo info{};
        info.Operation = operation_;
        info.Code = code;
        info.MemberName = member.RawName.c_str();
        info.Size = static_cast<std::uint64_t>(member.OriginalSize);
        info.PackedSize = static_cast<std::uint64_t>(member.PackedSize);
        info.DosTime = member.DosDate;
        info.Attributes = member.Attributes;
        info.Crc = member.Crc;
        info.Data = data;
        info.DataSize = size;
        info.CrcOk = crcOk ? 1 : 0;
        info.DecodeFailed = failed ? 1 : 0;
        return g_init.State == nullptr ? kAceAnswerOk : g_init.State(&info);
    }

    bool ReadMainHeader(std::int64_t at);
    // The member header at `at`; false at the end of the members.
    bool ReadMember(std::int64_t at, TAceMember& member, bool& damaged);
    bool NextVolume(const TAceMember& member);
    // Reads the member's packed bytes across volumes; 0 at their end.
    std::int64_t ReadPacked(std::uint8_t* buffer, std::int64_t count);
    bool Member(TAceMember& member, bool& cancelled);
    // Consumes what is left of the member's packed data (all its parts).
    bool SkipRest();

    std::string archive_;
    const TAceFilesRecord& files_;
    int operation_;
    std::vector<std::string> masks_;
    TVolume volume_;
    int volumeNumber_ = 0;
    bool solid_ = false;
    bool failed_ = false; // a volume that did not go on: the run ends
    bool cancelled_ = false;
    TAceMember current_; // the part being read
    std::int64_t partLeft_ = 0;
    std::int64_t partAt_ = 0;
    std::unique_ptr<TAceLz77> lz77_;
    // Kept for the whole run: the buffer stored members are copied through.
    std::vector<std::uint8_t> stored_;
};

bool TEngine::ReadMainHeader(std::int64_t at) {
    TAceMainHeader main;
    if (!ReadAceMainHeader(volume_, at, main)) return false;
    volumeNumber_ = main.VolumeNumber;
    solid_ = main.Solid();
    partAt_ = main.FirstMember;
    return true;
}

bool TEngine::ReadMember(std::int64_t at, TAceMember& member, bool& damaged) {
    const TAceHeaderRead read = ReadAceMember(volume_, at, member);
    damaged = read == TAceHeaderRead::Bad;
    return read == TAceHeaderRead::Member;
}

// Asks the reader for the next volume and reads the part of `member` that
// goes on there.
bool TEngine::NextVolume(const TAceMember& member) {
    std::array<char, kPathBuffer> path{};
    std::strncpy(path.data(), volume_.Path().c_str(), path.size() - 1);
    TAceRequestInfo request{kAceRequestArchive,
                            kAceRequestNextVolume,
                            volumeNumber_ + 1,
                            path.data(),
                            static_cast<std::uint32_t>(path.size()),
                            member.RawName.c_str()};
    const int answer = g_init.Request == nullptr ? kAceAnswerCancel : g_init.Request(&request);
    if (answer == kAceAnswerCancel) {
        cancelled_ = true;
        return false;
    }
    path.back() = '\0';
    if (answer != kAceAnswerOk || !volume_.Open(path.data())) {
        if (answer == kAceAnswerOk) Error(kAceErrorOpen, &member.RawName);
        failed_ = true;
        return false;
    }
    TAceMember next;
    bool damaged = false;
    if (!ReadMainHeader(0) || !ReadMember(partAt_, next, damaged) ||
        (next.Flags & kAceContinuedFromPrevious) == 0 || next.RawName != member.RawName) {
        Error(kAceErrorBadHeader, &member.RawName);
        failed_ = true;
        return false;
    }
    current_ = next;
    partAt_ = next.DataPos;
    partLeft_ = next.PackedSize;
    return true;
}

std::int64_t TEngine::ReadPacked(std::uint8_t* buffer, std::int64_t count) {
    while (partLeft_ == 0) {
        if ((current_.Flags & kAceContinuedInNext) == 0 || failed_ || cancelled_) return 0;
        if (!NextVolume(current_)) return 0;
    }
    const std::int64_t got = volume_.Read(partAt_, buffer, std::min(count, partLeft_));
    if (got <= 0) {
        partLeft_ = 0;
        return 0;
    }
    partAt_ += got;
    partLeft_ -= got;
    return got;
}

bool TEngine::SkipRest() {
    while (true) {
        partAt_ += partLeft_;
        partLeft_ = 0;
        if ((current_.Flags & kAceContinuedInNext) == 0) return true;
        if (failed_ || cancelled_ || !NextVolume(current_)) return false;
    }
}

// One member, from its first header; false ends the run.
bool TEngine::Member(TAceMember& member, bool& cancelled) {
    current_ = member;
    partAt_ = member.DataPos;
    partLeft_ = member.PackedSize;
    const bool folder = (member.Attributes & kAceFolderAttr) != 0;

    if (operation_ == kAceOperationList) {
        if (State(kAceStateMemberStart, member) == kAceAnswerCancel) cancelled = true;
        return !cancelled && SkipRest();
    }
    if (folder) return SkipRest();
    const bool supported = (member.Flags & kAceEncryptedFlag) == 0 &&
                           (member.Type == kMethodStored || member.Type == kMethodLz77);
    // A member of a solid archive that is not written is still decoded: the
    // ones after it need its dictionary.
    const bool keepsDictionary = solid_ && supported && member.Type == kMethodLz77;
    bool writing = Selected(member.RawName, masks_);
    if (!writing && !keepsDictionary) return SkipRest();

    if (writing) {
        // What cannot be decoded is reported before the reader opens anything.
        if (!supported) {
            const int problem =
                (member.Flags & kAceEncryptedFlag) != 0 ? kAceErrorEncrypted : kAceErrorUnsupported;
            if (Error(problem, &member.RawName) == kAceAnswerCancel) {
                cancelled = true;
                return false;
            }
            return SkipRest();
        }
        const int start = State(kAceStateMemberStart, member);
        if (start == kAceAnswerCancel) {
            cancelled = true;
            return false;
        }
        writing = start == kAceAnswerOk;
    }
    if (member.Type == kMethodLz77) {
        if (!lz77_) lz77_ = std::make_unique<TAceLz77>();
        if (!solid_) lz77_->ResetDictionary();
    }
    if (!writing && !keepsDictionary) return SkipRest();

    std::uint32_t crc = 0xFFFFFFFFu;
    bool stopped = false; // the reader took no more blocks
    auto write = [&](const std::uint8_t* data, std::int64_t count) {
        UpdateCrc32(data, static_cast<std::size_t>(count), crc);
        if (!writing || stopped) return true;
        for (std::int64_t done = 0; done < count;) {
            const auto step =
                static_cast<std::uint32_t>(std::min<std::int64_t>(count - done, kBlock));
            const int answer = State(kAceStateProgress, member, data + done, step);
            if (answer == kAceAnswerCancel) {
                cancelled = true;
                return false;
            }
            if (answer != kAceAnswerOk) {
                stopped = true;
                return true;
            }
            done += step;
        }
        return true;
    };
    bool decodeFailed = false;
    if (member.Type == kMethodStored) {
        std::vector<std::uint8_t>& buffer = stored_;
        buffer.resize(static_cast<std::size_t>(kBlock));
        std::uint64_t left = member.OriginalSize;
        while (left > 0 && !cancelled) {
            const std::int64_t got = ReadPacked(
                buffer.data(), std::min<std::int64_t>(kBlock, static_cast<std::int64_t>(left)));
            if (got <= 0) break;
            write(buffer.data(), got);
            left -= static_cast<std::uint64_t>(got);
        }
    } else {
        sorvane::TMemberIo io;
        io.UnpackedSize = static_cast<std::int64_t>(member.OriginalSize);
        io.Read = [this](std::uint8_t* buf, std::int64_t count) { return ReadPacked(buf, count); };
        io.Write = [&write](const std::uint8_t* buf, std::int64_t count) {
            return write(buf, count) ? count : std::int64_t{0};
        };
        const sorvane::TDecodeResult result = lz77_->Decode(io);
        decodeFailed = result == sorvane::TDecodeResult::Corrupt ||
                       result == sorvane::TDecodeResult::InputEnded;
    }
    if (cancelled_) cancelled = true;
    if (cancelled) return false;
    if (decodeFailed && writing && Error(kAceErrorCorrupt, &member.RawName) == kAceAnswerCancel) {
        cancelled = true;
        return false;
    }
    // The last part's header holds the CRC of the whole member.
    const bool ended = SkipRest();
    if (cancelled_) {
        cancelled = true;
        return false;
    }
    const bool crcOk = ended && !decodeFailed && crc == current_.Crc;
    if (writing) {
        TAceMember last = member;
        last.Crc = current_.Crc;
        if (State(kAceStateMemberEnd, last, nullptr, 0, crcOk, decodeFailed || stopped) ==
            kAceAnswerCancel) {
            cancelled = true;
            return false;
        }
    }
    return ended;
}

int TEngine::Run() {
    if (!g_ready) return kAceResultNotInitialised;
    if (!volume_.Open(archive_)) {
        Error(kAceErrorOpen, nullptr);
        return kAceErrorOpen;
    }
    if (!ReadMainHeader(std::max<std::int64_t>(files_.StartOffset, 0))) {
        Error(kAceErrorBadHeader, nullptr);
        return kAceErrorBadHeader;
    }
    std::int64_t at = partAt_;
    bool cancelled = false;
    while (!cancelled) {
        TAceMember member;
        bool damaged = false;
        if (!ReadMember(at, member, damaged)) {
            if (damaged) {
                Error(kAceErrorBadHeader, nullptr);
                return kAceErrorBadHeader;
            }
            break;
        }
        if (member.Flags & kAceContinuedFromPrevious) {
            // The rest of a member that began in a volume before this one.
            current_ = member;
            partAt_ = member.DataPos;
            partLeft_ = member.PackedSize;
            if (!SkipRest()) break;
        } else if (!Member(member, cancelled)) {
            if (cancelled || cancelled_) return kAceResultCancelled;
            if (failed_) return kAceErrorBadHeader;
            break;
        }
        at = partAt_;
    }
    if (cancelled || cancelled_) return kAceResultCancelled;
    return 0;
}

int RunEngine(const char* archive, const TAceFilesRecord* files, int operation) {
    if (files == nullptr) return kAceErrorOpen;
    try {
        TEngine engine(archive, *files, operation);
        return engine.Run();
    } catch (const std::bad_alloc&) {
        return kAceErrorMemory;
    } catch (...) {
        return kAceErrorCorrupt;
    }
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) int ACEInitDll(const TAceInitRecord* Init) {
    if (Init == nullptr || Init->State == nullptr || Init->Request == nullptr ||
        Init->Error == nullptr)
        return kAceResultNotInitialised;
    g_init = *Init;
    g_ready = true;
    return 0;
}

__attribute__((visibility("default"))) int ACEReadArchiveData(const char* ArchiveName,
                                                              TAceArchiveData* Data) {
    if (ArchiveName == nullptr || Data == nullptr) return kAceErrorOpen;
    TVolume volume;
    if (!volume.Open(ArchiveName)) return kAceErrorOpen;
    std::uint8_t h[kAceMainHeaderSize]{};
    TAceMainFixed main;
    if (volume.Read(0, h, sizeof h) != static_cast<std::int64_t>(sizeof h) ||
        !ParseAceMainFixed(h, main))
        return kAceErrorBadHeader;
    Data->Flags = main.Flags;
    Data->ExtractVersion = main.ExtractVersion;
    Data->CreatorVersion = main.CreatorVersion;
    Data->VolumeNumber = main.VolumeNumber;
    return 0;
}

__attribute__((visibility("default"))) int ACEList(const char* ArchiveName,
                                                   const TAceFilesRecord* Files) {
    return RunEngine(ArchiveName, Files, kAceOperationList);
}

__attribute__((visibility("default"))) int ACETest(const char* ArchiveName,
                                                   const TAceFilesRecord* Files) {
    return RunEngine(ArchiveName, Files, kAceOperationTest);
}

__attribute__((visibility("default"))) int ACEExtract(const char* ArchiveName,
                                                      const TAceFilesRecord* Files) {
    return RunEngine(ArchiveName, Files, kAceOperationExtract);
}

} // extern "C"
