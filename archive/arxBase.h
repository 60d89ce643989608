// TZipCommon, the common base of the directory reader and the extracting
// readers: options, events, numbered error reports, block reading with
// decryption and CRC, the output writer and its modes, volume names and the
// next-volume dialogue, temporary files, progress and the cancel flag.
#pragma once

#include "archive/arxCrc.h"
#include "archive/arxDisk.h"
#include "archive/arxGlobals.h"
#include "archive/arxMessages.h"
#include "archive/arxRegister.h"
#include "archive/arxStream.h"
#include "archive/arxStreamTemp.h"
#include "archive/arxTimer.h"
#include "archive/zip/arxZipCrypt.h"
#include "platform/DateTime.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sorvane {

class TZipCommon;

enum TDateAttribute : std::uint8_t { daFileDate, daSysDate, daMaxFileDate };
enum TOverwriteMode : std::uint8_t { omOverwrite, omSkip };
enum TCpuType : std::uint8_t { cptAuto, cpt80286, cpt80386, cpt80486 };
// The ZIP header state handed to OnCorruptZipHeader (the ZipHeaderFlags bits).
using THeaderTypeState = std::uint8_t;

// Output modes.
inline constexpr std::uint8_t kOutputFiles = 0;
inline constexpr std::uint8_t kOutputCallerStream = 1;
inline constexpr std::uint8_t kOutputGivenStream = 2;
inline constexpr std::uint8_t kOutputMemory = 3;
inline constexpr std::uint8_t kOutputCountOnly = 6;
inline constexpr std::uint8_t kOutputAppend = 7;

using TNotifyEvent = std::function<void(TZipCommon& Sender)>;
using TOnBegin =
    std::function<void(TZipCommon& Sender, const std::string& FileName, int Count, bool& Extract)>;
using TOnEnd = std::function<void(TZipCommon& Sender, const std::string& FileName, bool CRC_PASS)>;
using TOnError =
    std::function<void(TZipCommon& Sender, const std::string& FileName,
                       const std::string& ExtendedMsg, const std::string& VolumeID, int ECode)>;
using TOnProgress =
    std::function<void(TZipCommon& Sender, std::uint8_t ByFile, std::uint8_t ByArchive)>;
using TOnElapsedTime = std::function<void(TZipCommon& Sender, float ElapsedTime)>;
using TOnGetPassword = std::function<void(TZipCommon& Sender, const std::string& FileName,
                                          std::string& Password, bool& TryAgain)>;
using TUnBase_OnFileExists =
    std::function<void(TZipCommon& Sender, const std::string& FileName, std::string& NewFileName,
                       TOverwriteMode& OverwriteMode)>;
using TOnRenameFile =
    std::function<void(TZipCommon& Sender, const std::string& FileName, std::string& NewFileName)>;
using TOnNextVolume = std::function<void(TZipCommon& Sender, std::string& VolumeName, int VolumeID,
                                         bool fExists, bool& Cancel)>;
using TOnInsertDisk =
    std::function<void(TZipCommon& Sender, const std::string& VolumeName, bool& Cancel)>;
using TOnGetZipFirstDisk = std::function<void(TZipCommon& Sender, bool& Cancel)>;
using TOnGetZipLastDisk = std::function<void(TZipCommon& Sender, bool& Cancel)>;
using TOnGetZipNextDisk =
    std::function<void(TZipCommon& Sender, const std::string& VolumeName, bool& Cancel)>;
using TOnCorruptZipHeader =
    std::function<void(TZipCommon& Sender, THeaderTypeState HeadFlag, bool& Cancel)>;
using TOnChangeArchive =
    std::function<void(TZipCommon& Sender, const std::string& ArchiveName, TArcType ArcType)>;
using TOnNestedTarFile =
    std::function<void(TZipCommon& Sender, const std::string& FileName, bool& doUnTar)>;
using TOnRead = std::function<void(TZipCommon& Sender, int Offset, int Filenum)>;
using TOnReadFile = std::function<void(TZipCommon& Sender, const std::string& FileName)>;
using TOnTotals = std::function<void(TZipCommon& Sender, std::int64_t UnpackSize,
                                     std::int64_t PackSize, int Ratio, int NumFiles)>;
using TOnTempFileBegin = std::function<void(TTempFileStream& Stream, const std::string& DestName,
                                            int Flag, const std::string& TempName)>;
using TOnTempFileEnd = std::function<void(TTempFileStream& Stream, int Value)>;

// What the shared copy and bookkeeping routines need of a member's header.
struct TMemberHeader {
    std::int64_t PackedSize = 0;
    std::uint32_t Flags = 0; // bit 0: enciphered
};

// A member record appended to the caller's stream record list in output mode 1.
struct TOutputRecord {
    std::uint32_t Value1 = 0;
    std::uint32_t Value2 = 0;
    std::int64_t Position = 0;
    std::string StoredName; // at most 255 characters
};

class TZipCommon : public TRegisterArxon {
public:
    TZipCommon();
    ~TZipCommon() override;

    // ---- options
    std::vector<std::string> FileSpec;
    std::string ExtractDir; // a native folder ending in "/"; see SetExtractDir
    bool UseStoredDirs = true;
    bool CreateStoredDirs = false;
    bool RecurseDirs = true;
    bool RestoreFileAttr = true;
    TDateAttribute DateAttribute = daFileDate;
    TOverwriteMode OverwriteMode = omOverwrite;
    bool ConfirmOverwrites = false;
    std::string Password;
    std::vector<std::string> Passwords;
    int PasswordAttempts = 3;
    bool TranslateOemChar = true;
    bool AsciiTranslation = false;
    TCpuType CpuType = cptAuto;

    void SetFileSpec(const std::vector<std::string>& lines) { FileSpec = lines; }
    void SetPasswords(const std::vector<std::string>& lines) { Passwords = lines; }
    // A non-empty value becomes its folder part with a trailing "/"; an empty
    // one the folder of ArchiveFile ('' without an archive).
    void SetExtractDir(const std::string& value);
    // An empty or missing folder reads as the system's temporary folder.
    std::string GetTempDir();
    // Empty becomes the system's temporary folder; a missing folder is offered
    // for creation (Yes creates it, No empties the value, which then reads as
    // the system's).
    void SetTempDir(const std::string& value);

    // ---- events
    TNotifyEvent OnActivate, OnDeactivate;
    TOnBegin OnBegin;
    TOnEnd OnEnd;
    TOnError OnError;
    TOnProgress OnProgress;
    TOnElapsedTime OnElapsedTime;
    TOnGetPassword OnGetPassword;
    TUnBase_OnFileExists OnFileExists;
    TOnRenameFile OnRenameFile;
    TOnNextVolume OnNextVolume;
    TOnInsertDisk OnInsertDisk;
    TOnGetZipFirstDisk OnGetZipFirstDisk;
    TOnGetZipLastDisk OnGetZipLastDisk;
    TOnGetZipNextDisk OnGetZipNextDisk;
    TOnCorruptZipHeader OnCorruptZipHeader;
    TOnChangeArchive OnChangeArchive;
    TOnNestedTarFile OnNestedTarFile;
    TOnRead OnRead;
    TNotifyEvent OnReadBegin, OnReadEnd;
    TOnReadFile OnReadFile;
    TOnTotals OnTotals;
    TOnTempFileBegin OnTempFileBegin;
    TOnTempFileEnd OnTempFileEnd;
    // Lets the caller's message loop run; called by every long loop.
    std::function<void()> OnMessageLoop;

    // ---- working fields
    std::string CurrentFileName;
    std::string VolumeName;
    std::uint8_t OutputMode = kOutputFiles;
    TArxBaseStream* OutputStream = nullptr;
    std::vector<TOutputRecord> OutputRecords;
    std::uint8_t* OutputMemory = nullptr;
    std::int64_t OutputMemoryLeft = 0; // bytes the caller's block still holds
    std::uint8_t CancelFlag = 0;
    std::uint8_t* CancelFlagRef = &CancelFlag;
    std::int64_t BytesRemaining = 0;
    std::int64_t FileTotal = 0;
    std::int64_t ArchiveTotal = 0;
    std::uint8_t ProgressByFile = 0;
    std::uint8_t ProgressByArchive = 0;
    bool ProgressEnabled = true;
    int ResultCount = 0;
    // The member in hand is counted in ResultCount (CheckOverwrite counted it).
    bool MemberCounted = false;
    // Bytes of the member in hand WriteOutput has taken, before any line-end
    // translation; CheckOverwrite starts it at 0.
    std::int64_t MemberWritten = 0;
    std::uint32_t MaxFileDate = 0;
    int ArjPasswordPos = 1;
    // The running checksums and the ZIP cipher state of this component's run:
    // the readers set the start values (and the password) before each member
    // and compare afterwards, so two components never share a checksum.
    Crc16Accumulator Crc16;
    Crc32Accumulator Crc32;
    ZipCipher CipherKeys;
    // Set when SetCurrentFileName refused a stored path that would leave ExtractDir.
    bool CurrentNameRefused = false;
    // Set when a write to the member's output fell short; the member cannot pass.
    bool OutputFailed = false;
    // Names of members left out by the caller (matched like FileSpec masks).
    std::vector<std::string> ExclusionList;
    TarxTimer Timer;
    TDiskManager DiskManager;

    using TReadProc = std::function<std::int64_t(TArxBaseStream& Stream, std::int64_t Count,
                                                 int CrcWidth, bool Decrypt, std::uint8_t* Buf)>;
    using TWriteProc =
        std::function<std::int64_t(TArxBaseStream* Stream, std::uint8_t* Buf, int CrcFlag,
                                   std::int64_t Count, int CrcWidth, bool Decrypt)>;
    TReadProc ReadProc;
    TWriteProc WriteProc;
    std::function<void()> ProgressProc;

    // ---- virtual operations
    virtual bool GetCancel() const { return *CancelFlagRef != 0; }
    virtual std::int64_t DecodeWriteBytes(TArxBaseStream* Stream, std::uint8_t* Buf, int CrcFlag,
                                          std::int64_t Count, int CrcWidth, bool Decrypt);
    // 0 reads as 1980-01-01 00:01:00, as does a date that cannot be converted.
    virtual DateTime DosDateToDateTime(std::uint32_t DosDate) const;
    virtual std::int64_t DecodeWriteBuffer(TArxBaseStream* Stream, std::uint8_t* Buf, int CrcFlag,
                                           std::int64_t Count, int CrcWidth, bool Decrypt);
    virtual std::string MakeVolumeName(const std::string& FileName, int VolumeNo);
    // The next volume of a split ZIP, asked for through OnNextVolume.
    virtual bool OpenNextVolume(std::unique_ptr<TArxBaseStream>& Stream, int& VolumeNo, int Count);
    virtual std::int64_t ReadDecodeBlock(TArxBaseStream& Stream, std::int64_t Count, int CrcWidth,
                                         bool Decrypt, std::uint8_t* Buf);
    virtual void ClearAuxList() { auxList_.clear(); }
    // The output path of a stored member name (see the .cpp for the rules).
    virtual void SetCurrentFileName(const std::string& Name);
    virtual void DecryptBuffer(bool Encrypted, std::uint8_t* Buf, std::int64_t Count);
    virtual bool IsZipFamilyKind(TArcType Value) const;
    virtual void SetCancel(bool Value);
    // Reports through OnError, then raises E_RAISE with the text of MsgId
    // unless the run was canceled (then 25443 is reported and nothing raised).
    virtual void RaiseError(const std::string& FileName, const std::string& ExtendedMsg,
                            const std::string& VolumeID, int MsgId);
    virtual void ReportError(const std::string& FileName, const std::string& ExtendedMsg,
                             const std::string& VolumeID, int MsgId);
    virtual void CommitTempFile(TTempFileStream& TempStream, const std::string& DestName, bool Move,
                                const std::string& TempName);
    virtual void DoTempFileBegin(TTempFileStream& Stream, const std::string& DestName, int Flag,
                                 const std::string& TempName);
    virtual void DoTempFileEnd(TTempFileStream& Stream, int Value);
    virtual void DoStreamProgress(TStream32& Stream);

    // ---- other operations
    // Takes the member in hand back out of ResultCount: once, however often
    // it is called, and only when it was counted.
    void UncountMember();
    std::int64_t WriteOutput(TArxBaseStream* Stream, const std::uint8_t* Data, int CrcFlag,
                             std::int64_t Count, int CrcWidth);
    void UpdateCrc(int Width, const std::uint8_t* Data, std::int64_t Count);
    void DoProgress(std::int64_t ArchiveTotal, std::int64_t FileTotal, std::int64_t Done);
    std::uint32_t FileDateFor(std::uint32_t Date) const;
    bool CloseOutput(std::unique_ptr<TArxBaseStream>& Stream);
    std::int64_t CopyStoredMember(TArxBaseStream& InStream, TArxBaseStream* OutStream,
                                  const TMemberHeader& Header, const std::string& Name,
                                  int CrcWidth);
    // The ZIP64 sizes and the 10-byte id-100 record of an extra field; sizes
    // holding 0xFFFFFFFF are replaced in place. Where 0 local, 1 central.
    struct ZipExtraSizes {
        std::uint64_t Unpacked = 0, Packed = 0, LocalOffset = 0;
        std::uint32_t Disk = 0;
    };
    void ReadZipExtraField(TArxBaseStream& Stream, std::int64_t Length, std::uint8_t* Buf,
                           int Where, ZipExtraSizes& sizes);
    std::string ReadFixedString(TArxBaseStream& Stream, int Length);
    // The method name of a member of this component's archive kind (ArcType).
    std::string GetMethodName(int Method, std::uint32_t Flags,
                              const ArxMethodEntry& Entry = {}) const;
    std::string MakeTempFileName(const std::string& Dir);
    void NextZipVolumeName(const std::string& Name, int& Number, std::string& Result,
                           bool LastIsArchive, int Count);
    // Asks for a volume of ARJ, ACE, RAR or cabinet sets until it exists; a
    // decline (a cancel or an empty answer) goes to VolumeDeclined.
    bool AskNextVolume(std::string& VolumeName, int VolumeID);
    // What a declined volume does: the walk cancels the run.
    virtual void VolumeDeclined(const std::string& Volume);
    bool OpenNextVolumeStream(std::unique_ptr<TArxBaseStream>& Stream, std::string& VolumeName);

    // The owner a temporary-file stream works with.
    TTempFileOwner& TempFileOwner();

    // The disk-prompt handler (OnInsertDisk) and error procedures handed to
    // the disk manager.
    TDiskEvent InsertDiskHandler();
    TDiskErrorProc ReportProc();
    TDiskErrorProc RaiseProc();

protected:
    // Runs the message loop and fires OnProgress; exceptions are swallowed.
    void FireProgress();

    // The CurrentFileName SetCurrentFileName found nothing at while it looked
    // for links on the way; '' when something was there. Good until caller
    // code runs or the member's output is opened: the overwrite question and
    // the output need not look for the name again.
    std::string checkedMissing_;

private:
    class TempOwner;

    std::string tempDir_;
    std::vector<std::string> auxList_;
    std::unique_ptr<TempOwner> tempOwner_;
    std::uint8_t lastWrittenByte_ = 0; // for the line-end translation across writes
};

} // namespace sorvane
