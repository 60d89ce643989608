// The calls of the RAR extraction module (libsorvane-unrar.so), a shared
// object loaded at run time from the program's folder. The reader looks the
// five operations up by name; the module hands every decoded byte back through
// the callback and never writes a file itself.
#pragma once

#include <cstdint>

extern "C" {

// Results of the operations.
enum : int {
    ERAR_SUCCESS = 0,
    ERAR_END_ARCHIVE = 10,
    ERAR_NO_MEMORY = 11,
    ERAR_BAD_DATA = 12,
    ERAR_BAD_ARCHIVE = 13,
    ERAR_UNKNOWN_FORMAT = 14, // also a member whose method or encryption cannot be decoded
    ERAR_EOPEN = 15,
    ERAR_ECREATE = 16,
    ERAR_ECLOSE = 17,
    ERAR_EREAD = 18,
    ERAR_EWRITE = 19,
    ERAR_SMALL_BUF = 20,
    ERAR_UNKNOWN = 21,
    ERAR_MISSING_PASSWORD = 22,
};

// Callback messages: P1 and P2 as described.
enum : unsigned {
    UCM_CHANGEVOLUME = 0, // P1: the next volume's name (char[2048]); -1 stops
    UCM_PROCESSDATA = 1,  // P1: data, P2: its length; -1 stops
    UCM_NEEDPASSWORD = 2, // P1: buffer, P2: its size; -1 or an empty buffer: none
};

// RARProcessFile operations. RAR_EXTRACT and RAR_TEST both deliver the data
// through UCM_PROCESSDATA; RAR_SKIP passes the member over without decoding it.
enum : int { RAR_SKIP = 0, RAR_TEST = 1, RAR_EXTRACT = 2 };

enum : unsigned { RAR_OM_EXTRACT = 1 };

inline constexpr unsigned kRarVolumeNameSize = 2048;
inline constexpr unsigned kRarFileNameSize = 1024;

struct RAROpenArchiveDataEx {
    // The volumes in order, all resolved by the caller (the module asks for
    // none); the first one is the archive.
    const char* const* Volumes = nullptr;
    unsigned VolumeCount = 0;
    // Where the archive starts in the first volume (self-extracting files).
    std::int64_t StartOffset = 0;
    unsigned OpenMode = RAR_OM_EXTRACT;
    unsigned OpenResult = 0;
};

struct RARHeaderDataEx {
    char FileName[kRarFileNameSize]; // the stored name, NUL-terminated, cut to fit
    unsigned Flags;                  // the file block's flags (0x04 enciphered)
    unsigned PackSize, PackSizeHigh; // the packed size of the first part
    unsigned UnpSize, UnpSizeHigh;
    unsigned HostOS;
    unsigned FileCRC; // of the whole member (taken from its last part)
    unsigned FileTime;
    unsigned UnpVer;
    unsigned Method;
    unsigned FileAttr;
};

using UNRARCALLBACK = int (*)(unsigned Msg, std::intptr_t UserData, std::intptr_t P1,
                              std::intptr_t P2);

using RAROpenArchiveExProc = void* (*)(RAROpenArchiveDataEx* Data);
using RARCloseArchiveProc = int (*)(void* Handle);
using RARReadHeaderExProc = int (*)(void* Handle, RARHeaderDataEx* Header);
using RARProcessFileProc = int (*)(void* Handle, int Operation, const char* DestPath,
                                   const char* DestName);
using RARSetCallbackProc = void (*)(void* Handle, UNRARCALLBACK Callback, std::intptr_t UserData);

} // extern "C"

inline constexpr const char* kRarModuleFileName = "libsorvane-unrar.so";
