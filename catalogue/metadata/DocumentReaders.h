// Readers behind the document, MP3 and AVI media writers: the summary of an
// office document and the stream information of an MPEG audio file
// (TFileInfo), and the main header of an AVI file (GetAVIInfo).
#pragma once

#include "platform/DateTime.h"

#include <cstdint>
#include <optional>
#include <string>

namespace sorvane {

// The summary properties of a document. Texts are UTF-8, converted from the
// code page the property set declares.
struct TDocInfo {
    std::string Title;
    std::string Subject;
    std::string Author;
    std::string Keywords;
    std::string Comments;
    std::string Template;
    std::string LastAuthor;
    std::string RevNumber;
    std::int32_t EditTime = 0;           // total editing time in whole minutes
    std::optional<DateTime> LastPrinted; // local time, DOS precision; empty when not
    std::optional<DateTime> CreateTime;  // set or not convertible
    std::optional<DateTime> LastSaveTime;
    std::int32_t PageCount = 0;
    std::int32_t WordCount = 0;
    std::int32_t CharCount = 0;
    int DocStatus = -1; // -1 read, 0 file missing, 1 read failed
};

// The stream information of the first MPEG audio frame of a file.
struct MpegInfoRec {
    std::uint16_t MpegDuration = 0;   // seconds
    std::uint64_t MpegFileSize = 0;   // bytes, the whole file
    std::uint8_t MpegVersion = 0;     // 1 MPEG-1, 2 MPEG-2, 3 MPEG-2.5, 0 reserved
    std::uint8_t MpegLayer = 0;       // 1, 2 or 3; 0 reserved
    std::uint32_t MpegSampleRate = 0; // Hz
    std::uint32_t MpegBitRate = 0; // kbit/s; the average when a Xing/Info header counts the frames
    std::uint8_t MpegChannelMode = 0; // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
    std::uint8_t MpegRightsBit = 0;
    std::uint8_t MpegOriginalCopyBit = 0;
    std::uint8_t MpegProtectionBit = 0; // as stored: 1 = no checksum
    std::uint8_t MpegPaddingBit = 0;
    std::uint16_t MpegFrameLength = 0; // bytes; likewise the average
    std::int32_t MpegStatus = -1;      // -1 read, 0 file missing, 1 cannot open, 2 no frame
    // Where the first accepted frame starts (0 when none), and whether its
    // header is a Xing header (variable rate) rather than an Info header.
    std::uint64_t MpegFramePosition = 0;
    bool MpegVariableBitRate = false;
};

// Readers of one file's document summary and MPEG audio information.
class TFileInfo {
public:
    explicit TFileInfo(std::string fileName) : fileName_(std::move(fileName)) {}

    const std::string& FileName() const { return fileName_; }

    // Reads the SummaryInformation property set of a compound document. Never
    // raises (but for a failed allocation): DocStatus tells the outcome, and
    // LastError() the reason of a failure.
    void GetDocInfo(TDocInfo& info);

    // Finds the first MPEG audio frame (after an ID3v2 tag) and its Xing/Info
    // header. A missing or unopenable file is reported through MpegStatus; a
    // read error and a duration beyond 16 bits raise.
    void GetMP3ExInfo(MpegInfoRec& info);

    const std::string& LastError() const { return lastError_; }

private:
    std::string fileName_;
    std::string lastError_;
};

// Status codes of GetAVIInfo.
enum AviStatus : int {
    kAviRead = 0,         // read to the end without a structure error
    kAviCannotOpen = 1,   // a directory, or the file cannot be opened
    kAviNoHeader = 2,     // the first 8 bytes or the form type cannot be read
    kAviNotRiff = 3,      // no "RIFF" at the start
    kAviShort = 4,        // the file is shorter than the RIFF length + 8
    kAviNotAvi = 5,       // the form type is not "AVI "
    kAviBadStructure = 6, // a chunk or list broke the structure, or a read failed
    kAviCloseFailed = 7,
};

// Walks the RIFF structure of an AVI file and takes the picture size, the
// frame rate and the playing time from its main header ("avih"). The outputs are
// set only when a main header is met. A frame time of 0, a frame rate above 255
// and a playing time beyond 31 bits raise EDamagedFile. The playing time comes
// from the exact frame time, so a rate below one frame per second gives rate 0.
int GetAVIInfo(const std::string& fileName, std::int32_t& width, std::int32_t& height,
               std::int32_t& duration, std::uint8_t& framesPerSecond);

} // namespace sorvane
