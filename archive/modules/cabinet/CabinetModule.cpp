// The cabinet module: the File Decompression Interface of CabinetProtocol.h
// over libmspack (stored, MSZIP, Quantum and LZX folders, folders spanning
// cabinets). Every byte it reads or writes goes through the caller's
// callbacks: it opens no file of its own and never changes the current folder.
#include "archive/cab/arxCabHeader.h"
#include "archive/modules/CabinetProtocol.h"

#include <cstring>
#include <deque>
#include <mspack.h>
#include <new>
#include <string>
#include <vector>

namespace {

using namespace sorvane;

constexpr std::size_t kMaxText = 256;
// A set longer than this, or a next cabinet asked for more often, is given up.
constexpr std::size_t kMaxCabinets = 1024;
constexpr int kMaxNextAttempts = 8;
constexpr int kDecompressBuffer = 65536;

// One CFFILE record.
struct Member {
    std::string name;
    std::uint32_t length = 0;
    std::uint32_t offset = 0;
    std::uint16_t folderIndex = 0;
    std::uint16_t date = 0;
    std::uint16_t time = 0;
    std::uint16_t attribs = 0;
};

// One cabinet of the loaded chain: its header, its members, and its folders
// as they stand in the merged chain (a folder continued from the previous
// cabinet is that cabinet's last folder).
struct Cabinet {
    std::string path;
    std::string previousName, previousDisk, nextName, nextDisk;
    std::uint16_t flags = 0;
    std::uint16_t setId = 0;
    std::uint16_t index = 0;
    std::uint16_t folderCount = 0;
    std::vector<Member> members;
    std::vector<mscabd_folder*> folders;
    bool spansToNext = false;   // a member goes on in the next cabinet
    bool spansFromPrev = false; // a member began in the previous cabinet
};

struct Context;

// A file libmspack works on: a cabinet opened through the caller's open
// callback, or the member's output, written through the write callback.
struct ModuleFile {
    Context* owner;
    std::intptr_t hf;
    bool output;
};

struct Context {
    mspack_system system{};
    TCabAlloc alloc;
    TCabFree release;
    TCabOpen open;
    TCabRead read;
    TCabWrite write;
    TCabClose close;
    TCabSeek seek;
    TCabErrorRecord* erf;
    mscab_decompressor* cabd = nullptr;
    // The loaded chain, first cabinet first; closing one closes them all.
    std::vector<Cabinet> chain;
    std::intptr_t outputHf = 0;

    void Fail(int code, int type = 0) {
        if (erf != nullptr) {
            erf->erfOper = code;
            erf->erfType = type;
            erf->fError = 1;
        }
    }
    void ClearError() {
        if (erf != nullptr) *erf = TCabErrorRecord{};
    }
    void CloseChain() {
        if (head != nullptr) cabd->close(cabd, head);
        head = nullptr;
        chain.clear();
        names.clear();
    }
    // Opens a cabinet with libmspack, which keeps the name it is given
    // (never copied) for as long as the cabinet is open.
    mscabd_cabinet* OpenCabinet(const std::string& path) {
        names.push_back(path);
        return cabd->open(cabd, names.back().c_str());
    }
    std::deque<std::string> names;
    mscabd_cabinet* head = nullptr; // any cabinet of the chain closes them all
};

// The context of the running call. libmspack hands its decoders copies of
// the system it was given and frees without naming one, so the context is
// found here rather than through `self`.
thread_local Context* runningContext = nullptr;

Context* OwnerOf(mspack_system*) {
    return runningContext;
}

// ---- the mspack_system over the caller's callbacks

mspack_file* SysOpen(mspack_system* self, const char* filename, int mode) {
    Context* ctx = OwnerOf(self);
    if (ctx == nullptr) return nullptr;
    auto* file = static_cast<ModuleFile*>(ctx->alloc(sizeof(ModuleFile)));
    if (file == nullptr) return nullptr;
    if (mode == MSPACK_SYS_OPEN_WRITE) {
        *file = {ctx, ctx->outputHf, true};
    } else if (mode == MSPACK_SYS_OPEN_READ) {
        const std::intptr_t hf = ctx->open(filename, 0, 0);
        if (hf == -1) {
            ctx->release(file);
            return nullptr;
        }
        *file = {ctx, hf, false};
    } else {
        ctx->release(file);
        return nullptr;
    }
    return reinterpret_cast<mspack_file*>(file);
}

void SysClose(mspack_file* handle) {
    auto* file = reinterpret_cast<ModuleFile*>(handle);
    if (file == nullptr) return;
    Context* ctx = file->owner;
    // The output belongs to the caller, who closes it when the member ends.
    if (!file->output) ctx->close(file->hf);
    ctx->release(file);
}

int SysRead(mspack_file* handle, void* buffer, int bytes) {
    auto* file = reinterpret_cast<ModuleFile*>(handle);
    if (file == nullptr || file->output || bytes < 0) return -1;
    const std::uint32_t got =
        file->owner->read(file->hf, buffer, static_cast<std::uint32_t>(bytes));
    return got == static_cast<std::uint32_t>(-1) ? -1 : static_cast<int>(got);
}

int SysWrite(mspack_file* handle, void* buffer, int bytes) {
    auto* file = reinterpret_cast<ModuleFile*>(handle);
    if (file == nullptr || !file->output || bytes < 0) return -1;
    const std::uint32_t put =
        file->owner->write(file->hf, buffer, static_cast<std::uint32_t>(bytes));
    return put == static_cast<std::uint32_t>(-1) ? -1 : static_cast<int>(put);
}

int SysSeek(mspack_file* handle, off_t offset, int mode) {
    auto* file = reinterpret_cast<ModuleFile*>(handle);
    if (file == nullptr || file->output) return -1;
    const int type = mode == MSPACK_SYS_SEEK_START ? 0 : mode == MSPACK_SYS_SEEK_CUR ? 1 : 2;
    return file->owner->seek(file->hf, static_cast<std::int64_t>(offset), type) < 0 ? -1 : 0;
}

off_t SysTell(mspack_file* handle) {
    auto* file = reinterpret_cast<ModuleFile*>(handle);
    if (file == nullptr || file->output) return -1;
    return static_cast<off_t>(file->owner->seek(file->hf, 0, 1));
}

void SysMessage(mspack_file*, const char*, ...) {}

void* SysAlloc(mspack_system* self, size_t bytes) {
    Context* ctx = OwnerOf(self);
    if (ctx == nullptr || bytes > 0xFFFFFFFFu) return nullptr;
    return ctx->alloc(static_cast<std::uint32_t>(bytes));
}

void SysFree(void* pointer) {
    if (pointer != nullptr && runningContext != nullptr) runningContext->release(pointer);
}

void SysCopy(void* src, void* dest, size_t bytes) {
    std::memmove(dest, src, bytes);
}

struct Running {
    Context* saved;
    explicit Running(Context* ctx) : saved(runningContext) { runningContext = ctx; }
    ~Running() { runningContext = saved; }
};

// ---- reading the headers ourselves: the raw folder indexes libmspack hides

// Reads `count` bytes at `pos` of an open cabinet; the number read.
std::size_t ReadAt(Context& ctx, std::intptr_t hf, std::int64_t pos, void* buffer,
                   std::size_t count) {
    if (ctx.seek(hf, pos, 0) != pos) return 0;
    const std::uint32_t got = ctx.read(hf, buffer, static_cast<std::uint32_t>(count));
    return got == static_cast<std::uint32_t>(-1) ? 0 : got;
}

// A NUL-terminated text at `pos` (at most kMaxText bytes before the NUL);
// pos moves past it. False when no NUL ends it there.
bool ReadText(Context& ctx, std::intptr_t hf, std::int64_t& pos, std::string& text) {
    char bytes[kMaxText + 1];
    const std::size_t got = ReadAt(ctx, hf, pos, bytes, sizeof bytes);
    const void* nul = std::memchr(bytes, 0, got);
    if (nul == nullptr) return false;
    text.assign(bytes, static_cast<std::size_t>(static_cast<const char*>(nul) - bytes));
    pos += static_cast<std::int64_t>(text.size()) + 1;
    return true;
}

// The header and file records of the cabinet at `path`; the error code.
int ReadCabinet(Context& ctx, const std::string& path, Cabinet& cabinet) {
    const std::intptr_t hf = ctx.open(path.c_str(), 0, 0);
    if (hf == -1) return kFdiErrorCabinetNotFound;
    struct Closer {
        Context& ctx;
        std::intptr_t hf;
        ~Closer() { ctx.close(hf); }
    } closer{ctx, hf};
    std::uint8_t bytes[kCabHeaderSize];
    TCabFixedHeader header;
    if (ReadAt(ctx, hf, 0, bytes, kCabHeaderSize) != kCabHeaderSize ||
        !ParseCabFixedHeader(bytes, header))
        return kFdiErrorNotACabinet;
    cabinet.path = path;
    cabinet.folderCount = header.Folders;
    cabinet.flags = header.Flags;
    cabinet.setId = header.SetId;
    cabinet.index = header.Index;
    std::int64_t pos = kCabHeaderSize;
    TCabSetNames names;
    const auto readAt = [&ctx, hf](std::int64_t at, void* buffer, std::size_t count) {
        return ReadAt(ctx, hf, at, buffer, count);
    };
    const auto readText = [&ctx, hf](std::int64_t& at, std::string& text) {
        return ReadText(ctx, hf, at, text);
    };
    if (!ReadCabSetNames(readAt, readText, header.Flags, pos, names))
        return kFdiErrorCorruptCabinet;
    cabinet.previousName = names.PreviousCabinet;
    cabinet.previousDisk = names.PreviousDisk;
    cabinet.nextName = names.NextCabinet;
    cabinet.nextDisk = names.NextDisk;
    pos = header.FilesOffset;
    cabinet.members.clear();
    cabinet.members.reserve(header.Files);
    for (std::uint16_t i = 0; i < header.Files; ++i) {
        std::uint8_t record[kCabFileRecordSize + kMaxText + 1];
        const std::size_t got = ReadAt(ctx, hf, pos, record, sizeof record);
        if (got <= kCabFileRecordSize) return kFdiErrorCorruptCabinet;
        const void* nul = std::memchr(record + kCabFileRecordSize, 0, got - kCabFileRecordSize);
        if (nul == nullptr) return kFdiErrorCorruptCabinet;
        Member member;
        member.name.assign(reinterpret_cast<const char*>(record + kCabFileRecordSize),
                           static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) -
                                                    (record + kCabFileRecordSize)));
        const TCabFileRecord file = ParseCabFileRecord(record);
        member.length = file.Length;
        member.offset = file.FolderOffset;
        member.folderIndex = file.FolderIndex;
        member.date = file.Date;
        member.time = file.Time;
        member.attribs = file.Attributes;
        if (CabContinuesToNext(member.folderIndex)) cabinet.spansToNext = true;
        if (CabContinuesFromPrevious(member.folderIndex)) cabinet.spansFromPrev = true;
        pos += static_cast<std::int64_t>(kCabFileRecordSize + member.name.size() + 1);
        cabinet.members.push_back(std::move(member));
    }
    return kFdiErrorNone;
}

int ErrorOfLibrary(int code) {
    switch (code) {
    case MSPACK_ERR_OPEN:
        return kFdiErrorCabinetNotFound;
    case MSPACK_ERR_SIGNATURE:
        return kFdiErrorNotACabinet;
    case MSPACK_ERR_NOMEMORY:
        return kFdiErrorAllocFail;
    case MSPACK_ERR_WRITE:
        return kFdiErrorTargetFile;
    default:
        return kFdiErrorCorruptCabinet;
    }
}

std::vector<mscabd_folder*> FolderList(mscabd_folder* first) {
    std::vector<mscabd_folder*> folders;
    for (mscabd_folder* folder = first; folder != nullptr && folders.size() < 0x10000;
         folder = folder->next)
        folders.push_back(folder);
    return folders;
}

// Opens the cabinet at `path` as a new chain; the error code.
int OpenChain(Context& ctx, const std::string& path) {
    ctx.CloseChain();
    Cabinet cabinet;
    if (const int error = ReadCabinet(ctx, path, cabinet)) return error;
    mscabd_cabinet* cab = ctx.OpenCabinet(path);
    if (cab == nullptr) return ErrorOfLibrary(ctx.cabd->last_error(ctx.cabd));
    cabinet.folders = FolderList(cab->folders);
    ctx.head = cab;
    ctx.chain.push_back(std::move(cabinet));
    return kFdiErrorNone;
}

// Joins the cabinet at `path` after the chain; the error code (the chain is
// kept as it was on failure).
int AppendCabinet(Context& ctx, const std::string& path) {
    if (ctx.chain.size() >= kMaxCabinets) return kFdiErrorWrongCabinet;
    for (const Cabinet& loaded : ctx.chain)
        if (loaded.path == path) return kFdiErrorWrongCabinet;
    Cabinet cabinet;
    if (const int error = ReadCabinet(ctx, path, cabinet)) return error;
    mscabd_cabinet* cab = ctx.OpenCabinet(path);
    if (cab == nullptr) return ErrorOfLibrary(ctx.cabd->last_error(ctx.cabd));
    mscabd_cabinet* tail = ctx.head;
    while (tail->nextcab != nullptr)
        tail = tail->nextcab;
    const std::vector<mscabd_folder*> own = FolderList(cab->folders);
    mscabd_folder* joined =
        ctx.chain.back().folders.empty() ? nullptr : ctx.chain.back().folders.back();
    const bool merges = ctx.chain.back().spansToNext;
    if (ctx.cabd->append(ctx.cabd, tail, cab) != MSPACK_ERR_OK) {
        ctx.cabd->close(ctx.cabd, cab);
        return kFdiErrorWrongCabinet;
    }
    cabinet.folders = own;
    if (merges && !cabinet.folders.empty()) cabinet.folders.front() = joined;
    ctx.chain.push_back(std::move(cabinet));
    return kFdiErrorNone;
}

// Joins the previous cabinets the chain's first folder began in, looked for
// beside the first cabinet; the error code.
int PrependPrevious(Context& ctx) {
    while (ctx.chain.front().spansFromPrev) {
        if (ctx.chain.size() >= kMaxCabinets) return kFdiErrorWrongCabinet;
        const std::string& first = ctx.chain.front().path;
        const std::size_t slash = first.find_last_of('/');
        const std::string path =
            (slash == std::string::npos ? std::string() : first.substr(0, slash + 1)) +
            ctx.chain.front().previousName;
        for (const Cabinet& loaded : ctx.chain)
            if (loaded.path == path) return kFdiErrorWrongCabinet;
        Cabinet cabinet;
        if (const int error = ReadCabinet(ctx, path, cabinet)) return error;
        if (!cabinet.spansToNext) return kFdiErrorWrongCabinet;
        mscabd_cabinet* cab = ctx.OpenCabinet(path);
        if (cab == nullptr) return ErrorOfLibrary(ctx.cabd->last_error(ctx.cabd));
        cabinet.folders = FolderList(cab->folders);
        if (ctx.cabd->prepend(ctx.cabd, ctx.head, cab) != MSPACK_ERR_OK) {
            ctx.cabd->close(ctx.cabd, cab);
            return kFdiErrorWrongCabinet;
        }
        if (!cabinet.folders.empty() && !ctx.chain.front().folders.empty())
            ctx.chain.front().folders.front() = cabinet.folders.back();
        ctx.head = cab;
        ctx.chain.insert(ctx.chain.begin(), std::move(cabinet));
    }
    return kFdiErrorNone;
}

// The folder a member's data lies in, as merged in the chain; null when its
// index names no folder.
mscabd_folder* FolderOf(const Cabinet& cabinet, const Member& member) {
    if (cabinet.folders.empty()) return nullptr;
    if (CabContinuesFromPrevious(member.folderIndex)) return cabinet.folders.front();
    if (member.folderIndex == kCabContinuedToNext) return cabinet.folders.back();
    if (member.folderIndex >= cabinet.folders.size()) return nullptr;
    return cabinet.folders[member.folderIndex];
}

// Whether a member needs the next cabinet: it says it goes on there, or it
// lies in a folder that goes on there (the decoder reads ahead across the
// folder's blocks, and the block at the cut is split between the cabinets).
bool NeedsNext(const Cabinet& cabinet, const Member& member, const mscabd_folder* folder) {
    return CabContinuesToNext(member.folderIndex) ||
           (cabinet.spansToNext && !cabinet.folders.empty() && folder == cabinet.folders.back());
}

std::string FolderPart(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Asks for the next cabinet until one joins the chain; the error code.
int JoinNextCabinet(Context& ctx, TCabNotify notify, void* user) {
    const Cabinet& last = ctx.chain.back();
    char name[kCabNameBuffer]{};
    char folder[kCabNameBuffer]{};
    std::string disk = last.nextDisk;
    std::strncpy(name, last.nextName.c_str(), kCabNameBuffer - 1);
    std::strncpy(folder, FolderPart(last.path).c_str(), kCabNameBuffer - 1);
    int error = kFdiErrorNone;
    for (int attempt = 0; attempt < kMaxNextAttempts; ++attempt) {
        TCabNotification note;
        note.psz1 = name;
        note.psz2 = disk.data();
        note.psz3 = folder;
        note.pv = user;
        note.fdie = error;
        if (notify(kFdintNextCabinet, &note) == -1) return kFdiErrorUserAbort;
        name[kCabNameBuffer - 1] = folder[kCabNameBuffer - 1] = '\0';
        std::string path = folder;
        if (!path.empty() && path.back() != '/') path += '/';
        error = AppendCabinet(ctx, path + name);
        if (error == kFdiErrorNone) return kFdiErrorNone;
    }
    return error;
}

std::intptr_t Notify(TCabNotify notify, int kind, TCabNotification& note) {
    return notify(kind, &note);
}

int CopyMembers(Context& ctx, std::size_t at, TCabNotify notify, void* user) {
    {
        const Cabinet& cabinet = ctx.chain[at];
        std::string next = cabinet.nextName, disk = cabinet.nextDisk;
        std::string folder = FolderPart(cabinet.path);
        TCabNotification info;
        info.psz1 = next.data();
        info.psz2 = disk.data();
        info.psz3 = folder.data();
        info.pv = user;
        info.setID = cabinet.setId;
        info.iCabinet = cabinet.index;
        if (Notify(notify, kFdintCabinetInfo, info) == -1) return kFdiErrorUserAbort;
    }
    const std::size_t count = ctx.chain[at].members.size();
    for (std::size_t i = 0; i < count; ++i) {
        // Copied: joining cabinets may move the chain.
        const Member member = ctx.chain[at].members[i];
        std::string name = member.name;
        TCabNotification note;
        note.psz1 = name.data();
        note.pv = user;
        note.cb = static_cast<std::int32_t>(member.length);
        note.date = member.date;
        note.time = member.time;
        note.attribs = member.attribs;
        note.iFolder = member.folderIndex;
        if (CabContinuesFromPrevious(member.folderIndex)) {
            std::string first = ctx.chain[at].previousName, disk = ctx.chain[at].previousDisk;
            note.psz2 = first.data();
            note.psz3 = disk.data();
            if (Notify(notify, kFdintPartialFile, note) == -1) return kFdiErrorUserAbort;
            continue;
        }
        const std::intptr_t hf = Notify(notify, kFdintCopyFile, note);
        if (hf == -1) return kFdiErrorUserAbort;
        if (hf == 0) continue;

        // The data may begin in an earlier cabinet or end in a later one.
        if (member.folderIndex != kCabContinuedToNext && at == 0 && ctx.chain[0].spansFromPrev &&
            member.folderIndex == 0) {
            const std::size_t before = ctx.chain.size();
            if (const int error = PrependPrevious(ctx)) return error;
            at += ctx.chain.size() - before;
        }
        mscabd_folder* folder = FolderOf(ctx.chain[at], member);
        if (folder == nullptr) return kFdiErrorCorruptCabinet;
        if (at + 1 == ctx.chain.size() && NeedsNext(ctx.chain[at], member, folder)) {
            if (const int error = JoinNextCabinet(ctx, notify, user)) return error;
            folder = FolderOf(ctx.chain[at], member);
        }
        mscabd_file file{};
        file.filename = name.data();
        file.length = member.length;
        file.attribs = member.attribs;
        file.folder = folder;
        file.offset = member.offset;
        ctx.outputHf = hf;
        char output[] = "output";
        const int result = ctx.cabd->extract(ctx.cabd, &file, output);
        if (result != MSPACK_ERR_OK) return ErrorOfLibrary(result);

        TCabNotification close;
        close.psz1 = name.data();
        close.pv = user;
        close.hf = hf;
        close.date = member.date;
        close.time = member.time;
        close.attribs = member.attribs;
        close.cb = (member.attribs & kCabAttrExecute) ? 1 : 0;
        if (Notify(notify, kFdintCloseFileInfo, close) == 0) return kFdiErrorUserAbort;
    }
    return kFdiErrorNone;
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) void*
FDICreate(TCabAlloc pfnalloc, TCabFree pfnfree, TCabOpen pfnopen, TCabRead pfnread,
          TCabWrite pfnwrite, TCabClose pfnclose, TCabSeek pfnseek, int, TCabErrorRecord* perf) {
    if (pfnalloc == nullptr || pfnfree == nullptr || pfnopen == nullptr || pfnread == nullptr ||
        pfnwrite == nullptr || pfnclose == nullptr || pfnseek == nullptr) {
        if (perf != nullptr) *perf = {kFdiErrorAllocFail, 0, 1};
        return nullptr;
    }
    Context* ctx = new (std::nothrow) Context{};
    if (ctx == nullptr) {
        if (perf != nullptr) *perf = {kFdiErrorAllocFail, 0, 1};
        return nullptr;
    }
    ctx->alloc = pfnalloc;
    ctx->release = pfnfree;
    ctx->open = pfnopen;
    ctx->read = pfnread;
    ctx->write = pfnwrite;
    ctx->close = pfnclose;
    ctx->seek = pfnseek;
    ctx->erf = perf;
    ctx->system.open = SysOpen;
    ctx->system.close = SysClose;
    ctx->system.read = SysRead;
    ctx->system.write = SysWrite;
    ctx->system.seek = SysSeek;
    ctx->system.tell = SysTell;
    ctx->system.message = SysMessage;
    ctx->system.alloc = SysAlloc;
    ctx->system.free = SysFree;
    ctx->system.copy = SysCopy;
    Running running(ctx);
    ctx->cabd = mspack_create_cab_decompressor(&ctx->system);
    if (ctx->cabd == nullptr) {
        ctx->Fail(kFdiErrorAllocFail);
        delete ctx;
        return nullptr;
    }
    ctx->cabd->set_param(ctx->cabd, MSCABD_PARAM_DECOMPBUF, kDecompressBuffer);
    ctx->ClearError();
    return ctx;
}

__attribute__((visibility("default"))) int FDIIsCabinet(void* hfdi, std::intptr_t hf,
                                                        TCabinetInfoRecord* pfdici) {
    auto* ctx = static_cast<Context*>(hfdi);
    if (ctx == nullptr) return 0;
    ctx->ClearError();
    std::uint8_t bytes[kCabHeaderSize];
    TCabFixedHeader header;
    if (ReadAt(*ctx, hf, 0, bytes, kCabHeaderSize) != kCabHeaderSize ||
        !ParseCabFixedHeader(bytes, header)) {
        ctx->Fail(kFdiErrorNotACabinet);
        return 0;
    }
    if (header.VersionMajor != 1) {
        ctx->Fail(kFdiErrorUnknownVersion);
        return 0;
    }
    if (pfdici != nullptr) {
        pfdici->cbCabinet = static_cast<std::int32_t>(header.CabinetSize);
        pfdici->cFolders = header.Folders;
        pfdici->cFiles = header.Files;
        pfdici->setID = header.SetId;
        pfdici->iCabinet = header.Index;
        pfdici->fReserve = (header.Flags & kCabFlagReserve) != 0;
        pfdici->hasprev = (header.Flags & kCabFlagPrevious) != 0;
        pfdici->hasnext = (header.Flags & kCabFlagNext) != 0;
    }
    return 1;
}

__attribute__((visibility("default"))) int FDICopy(void* hfdi, char* pszCabinet, char* pszCabPath,
                                                   int, TCabNotify pfnfdin, void*, void* pvUser) {
    auto* ctx = static_cast<Context*>(hfdi);
    if (ctx == nullptr || pszCabinet == nullptr || pfnfdin == nullptr) return 0;
    Running running(ctx);
    ctx->ClearError();
    const std::string path = std::string(pszCabPath != nullptr ? pszCabPath : "") + pszCabinet;
    // A later cabinet the chain already holds (joined for a member that went
    // on there) keeps the merged folders; any other starts anew, so a run
    // always reads its first cabinet as it is now.
    std::size_t at = 0;
    for (std::size_t i = 1; i < ctx->chain.size(); ++i)
        if (ctx->chain[i].path == path) at = i;
    if (at == 0) {
        if (const int error = OpenChain(*ctx, path)) {
            ctx->Fail(error);
            return 0;
        }
        at = 0;
    }
    if (const int error = CopyMembers(*ctx, at, pfnfdin, pvUser)) {
        ctx->CloseChain();
        ctx->Fail(error);
        return 0;
    }
    // Kept while a later cabinet joined for a member will be copied next;
    // otherwise no cabinet stays open after the call.
    const Cabinet& last = ctx->chain.back();
    if (last.path == path && !last.spansToNext) ctx->CloseChain();
    return 1;
}

__attribute__((visibility("default"))) int FDIDestroy(void* hfdi) {
    auto* ctx = static_cast<Context*>(hfdi);
    if (ctx == nullptr) return 0;
    {
        Running running(ctx);
        ctx->CloseChain();
        mspack_destroy_cab_decompressor(ctx->cabd);
    }
    delete ctx;
    return 1;
}

} // extern "C"
