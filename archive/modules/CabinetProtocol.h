// The calls, callbacks and notifications between the cabinet reader and the
// cabinet module ("sorvane-cabinet.so", loaded with dlopen from the program's
// folder): a File Decompression Interface. The module exports FDICreate,
// FDIIsCabinet, FDICopy and FDIDestroy with C linkage; it reads and writes
// only through the callbacks the reader gives it.
#pragma once

#include <cstdint>

extern "C" {

// The error record a context fills when a call fails.
struct TCabErrorRecord {
    int erfOper = 0; // one of the kFdiError codes
    int erfType = 0; // the library's own reason, 0 when none
    int fError = 0;  // nonzero after a failure
};

// Cabinet details FDIIsCabinet fills.
struct TCabinetInfoRecord {
    std::int32_t cbCabinet = 0;
    std::uint16_t cFolders = 0;
    std::uint16_t cFiles = 0;
    std::uint16_t setID = 0;
    std::uint16_t iCabinet = 0;
    int fReserve = 0;
    int hasprev = 0;
    int hasnext = 0;
};

// One notification. Texts are NUL-terminated; for a next cabinet psz1 (the
// name) and psz3 (the folder, ending in "/") are 256-byte buffers the reader
// may rewrite.
struct TCabNotification {
    std::int32_t cb = 0;
    char* psz1 = nullptr;
    char* psz2 = nullptr;
    char* psz3 = nullptr;
    void* pv = nullptr;
    std::intptr_t hf = 0;
    std::uint16_t date = 0;
    std::uint16_t time = 0;
    std::uint16_t attribs = 0;
    std::uint16_t setID = 0;
    std::uint16_t iCabinet = 0;
    std::uint16_t iFolder = 0;
    int fdie = 0;
};

using TCabAlloc = void* (*)(std::uint32_t cb);
using TCabFree = void (*)(void* pv);
// oflag: 0x0001 write, 0x0002 read-write, 0x0100 create, 0x0400 exclusive.
using TCabOpen = std::intptr_t (*)(const char* name, int oflag, int pmode);
using TCabRead = std::uint32_t (*)(std::intptr_t hf, void* pv, std::uint32_t cb);
using TCabWrite = std::uint32_t (*)(std::intptr_t hf, void* pv, std::uint32_t cb);
using TCabClose = int (*)(std::intptr_t hf);
// seektype 0 start, 1 current, 2 end; the new position, -1 on failure.
using TCabSeek = std::int64_t (*)(std::intptr_t hf, std::int64_t dist, int seektype);
using TCabNotify = std::intptr_t (*)(int fdint, TCabNotification* pfdin);

using TFdiCreate = void* (*)(TCabAlloc, TCabFree, TCabOpen, TCabRead, TCabWrite, TCabClose,
                             TCabSeek, int cpuType, TCabErrorRecord* perf);
using TFdiIsCabinet = int (*)(void* hfdi, std::intptr_t hf, TCabinetInfoRecord* pfdici);
using TFdiCopy = int (*)(void* hfdi, char* pszCabinet, char* pszCabPath, int flags,
                         TCabNotify pfnfdin, void* pfnfdid, void* pvUser);
using TFdiDestroy = int (*)(void* hfdi);

} // extern "C"

namespace sorvane {

// The module's file name, looked for in the program's folder (or the folder
// named by SORVANE_MODULE_DIR).
inline constexpr const char* kCabinetModuleName = "sorvane-cabinet.so";

// Notification kinds (fdint).
inline constexpr int kFdintCabinetInfo = 0;
inline constexpr int kFdintPartialFile = 1;
inline constexpr int kFdintCopyFile = 2;
inline constexpr int kFdintCloseFileInfo = 3;
inline constexpr int kFdintNextCabinet = 4;
inline constexpr int kFdintEnumerate = 5;

// Error codes (erfOper, fdie).
inline constexpr int kFdiErrorNone = 0;
inline constexpr int kFdiErrorCabinetNotFound = 1;
inline constexpr int kFdiErrorNotACabinet = 2;
inline constexpr int kFdiErrorUnknownVersion = 3;
inline constexpr int kFdiErrorCorruptCabinet = 4;
inline constexpr int kFdiErrorAllocFail = 5;
inline constexpr int kFdiErrorBadCompression = 6;
inline constexpr int kFdiErrorTargetFile = 8;
inline constexpr int kFdiErrorWrongCabinet = 10;
inline constexpr int kFdiErrorUserAbort = 11;

// Open flags.
inline constexpr int kCabOpenWrite = 0x0001;
inline constexpr int kCabOpenReadWrite = 0x0002;
inline constexpr int kCabOpenCreate = 0x0100;
inline constexpr int kCabOpenExclusive = 0x0400;

// Member attributes beyond the DOS ones.
inline constexpr std::uint16_t kCabAttrExecute = 0x40;
inline constexpr std::uint16_t kCabAttrUtf8Name = 0x80;

// Buffers the reader may rewrite in a next-cabinet notification.
inline constexpr int kCabNameBuffer = 256;

} // namespace sorvane
