// The calls and callbacks between the ACE reader (TUnACE) and the module that
// decodes ACE archives for it, "libsorvane-ace.so", loaded with dlopen from the
// program's folder for every run. Plain C types only: the module is a shared
// object of its own.
//
// The module never writes to disk. It decodes the selected members and hands
// every decoded block to the reader (state kAceStateProgress), which writes it
// through its own output file under the name its checks chose. A member the
// reader refuses at its start (state kAceStateMemberStart answers
// kAceAnswerSkip) is not decoded at all.
#pragma once

#include <cstdint>

// Operations.
inline constexpr int kAceOperationList = 0;
inline constexpr int kAceOperationTest = 1;
inline constexpr int kAceOperationExtract = 2;

// Answers of every callback.
inline constexpr int kAceAnswerOk = 0;
inline constexpr int kAceAnswerSkip = 1;   // skip the member (or: the volume is missing)
inline constexpr int kAceAnswerCancel = 2; // end the run

// Request kinds and codes.
inline constexpr int kAceRequestArchive = 1;
inline constexpr int kAceRequestMember = 2;
inline constexpr int kAceRequestNextVolume = 801;
inline constexpr int kAceRequestOverwrite = 832;
inline constexpr int kAceRequestPassword = 835;

// States.
inline constexpr int kAceStateMemberStart = 1040;
inline constexpr int kAceStateProgress = 7;
inline constexpr int kAceStateMemberEnd = 8;

// Error codes the reader counts members by.
inline constexpr int kAceErrorCounterClear1 = 281;
inline constexpr int kAceErrorCounterClear2 = 282;
inline constexpr int kAceErrorCounterAdvance = 320;
// Error codes of our engine, each reported for its member or archive.
inline constexpr int kAceErrorOpen = 400;        // archive or volume cannot be opened or read
inline constexpr int kAceErrorBadHeader = 401;   // damaged header, or a volume that does not go on
inline constexpr int kAceErrorUnsupported = 402; // a method other than stored and ACE 1.0 LZ77
inline constexpr int kAceErrorEncrypted = 403;   // enciphered members are not decoded
inline constexpr int kAceErrorCorrupt = 404;     // the packed data does not decode
inline constexpr int kAceErrorMemory = 405;

// Results of the entry points other than those above: 0 is success.
inline constexpr int kAceResultCancelled = 410;
inline constexpr int kAceResultNotInitialised = 411;

extern "C" {

struct TAceErrorInfo {
    int Code;
    const char* ArchiveName;
    const char* MemberName; // stored bytes; null for the archive itself
};

struct TAceRequestInfo {
    int Kind;
    int Code;
    // Next volume: the number of the volume asked for (the first file is 0);
    // the reader may answer another.
    int VolumeNumber;
    // Next volume: the path of the volume (the reader's answer). Password:
    // the password (the reader's answer). Overwrite: unused.
    char* Buffer;
    std::uint32_t BufferSize;
    const char* MemberName; // stored bytes, or null
};

struct TAceStateInfo {
    int Operation;
    int Code;
    const char* MemberName; // stored bytes
    std::uint64_t Size;
    std::uint64_t PackedSize;
    std::uint32_t DosTime;
    std::uint32_t Attributes;
    std::uint32_t Crc;        // as stored
    const std::uint8_t* Data; // progress: the decoded block
    std::uint32_t DataSize;
    int CrcOk;        // member end: the CRC verdict
    int DecodeFailed; // member end: the data did not decode (already reported)
};

using TAceErrorProc = int (*)(TAceErrorInfo* Info);
using TAceInfoProc = int (*)(const char* Text);
using TAceRequestProc = int (*)(TAceRequestInfo* Info);
using TAceStateProc = int (*)(TAceStateInfo* Info);

struct TAceInitRecord {
    std::uint32_t MaxArchiveTestBytes;
    std::uint32_t MaxFileBufferSize;
    char* CommentBuffer;
    std::uint32_t CommentBufferSize;
    const char* TempFolder;
    TAceErrorProc Error;
    TAceInfoProc Info;
    TAceRequestProc Request;
    TAceStateProc State;
};

struct TAceArchiveData {
    std::uint32_t Flags;
    int VolumeNumber;
    int CreatorVersion;
    int ExtractVersion;
};

// Listing, testing and extraction.
struct TAceFilesRecord {
    const char* SourceFolder;
    const char* Masks; // masks each ended by a carriage return, or "*"
    const char* Exclusions;
    int FullMatch;
    const char* Password;
    std::int64_t StartOffset; // where the archive starts (self-extractors)
    const char* Destination;  // extraction: ExtractDir
    int ExcludePath;          // extraction: stored folders left out
};

using TAceInitDll = int (*)(const TAceInitRecord* Init);
using TAceReadArchiveData = int (*)(const char* ArchiveName, TAceArchiveData* Data);
using TAceList = int (*)(const char* ArchiveName, const TAceFilesRecord* Files);
using TAceTest = int (*)(const char* ArchiveName, const TAceFilesRecord* Files);
using TAceExtract = int (*)(const char* ArchiveName, const TAceFilesRecord* Files);

} // extern "C"

inline constexpr const char* kAceModuleName = "libsorvane-ace.so";
