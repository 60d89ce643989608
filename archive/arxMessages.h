// The archive library's numbered messages: every error the readers report
// goes out as one of these numbers, whose English text is looked up here.
#pragma once

#include <stdexcept>
#include <string>

namespace sorvane {

// Message numbers in use.
enum ArxMessage : int {
    kMsgAceLibraryLoad = 25103,
    kMsgBadFileHeader = 25114,
    kMsgBadLocalOffset = 25115,
    kMsgBadBlock = 25116,
    kMsgIncorrectBits = 25134,
    kMsgBrokenVolumeChain = 25135,
    kMsgWriteError = 25136,
    kMsgCloseError = 25138,
    kMsgIncompleteCodeSet = 25139,
    kMsgCorruptInput = 25140,
    kMsgCrcFailed = 25151,
    kMsgInvalidDecodeTree = 25152,
    kMsgDiskFull = 25160,
    kMsgNotAccessible = 25170,
    kMsgWriteProtected = 25171,
    kMsgEofNotFound = 25172,
    kMsgEofNotFound2 = 25179,
    kMsgFileNotFound = 25192,
    kMsgOpenError = 25235,
    kMsgReadError = 25236,
    kMsgUnsupportedArchive = 25244,
    kMsgInvalidFileName = 25245,
    kMsgMaxVolumes = 25251,
    kMsgOutOfMemory = 25253,
    kMsgUnrarNotFound = 25260,
    kMsgCabinetNotFound = 25261,
    kMsgMultiPartGzip = 25264,
    kMsgEventNotAssigned = 25270,
    kMsgPasswordProtected = 25290,
    kMsgStackOverflow = 25305,
    kMsgUnsupportedMethod = 25326,
    kMsgUnknownFileType = 25327,
    kMsgVersionError = 25402,
    kMsgUserCanceled = 25443,
    kMsgInvalidPassword = 26517,
    kMsgPasswordFailed = 26522,
    kMsgUnsupportedCipher = 26530,
    kMsgCreateFolder = 26899,
};

// The text of a message number; a number the table does not hold gives
// "Error " and the number.
std::string ArxMessageText(int id);

// The exception a fatal library error is raised as; Code() is its number.
class E_RAISE : public std::runtime_error {
public:
    explicit E_RAISE(int code) : std::runtime_error(ArxMessageText(code)), code_(code) {}
    int Code() const { return code_; }

private:
    int code_;
};

// The class library's file-open failure, raised with the text of 25235.
class EFOpenError : public std::runtime_error {
public:
    EFOpenError() : std::runtime_error(ArxMessageText(kMsgOpenError)) {}
};

} // namespace sorvane
