// The LZH decoders bound to a reader: packed bytes through its ReadProc,
// output through WriteOutput with the running CRC, progress through
// DoProgress, a failed write raised as 25136.
#include "archive/arxBase.h"
#include "archive/arxMessages.h"
#include "archive/codecs/arxLh1.h"
#include "archive/codecs/arxLzhStatic.h"

namespace sorvane {

TLzhResult LzhStaticDecoder::Run(TZipCommon& Reader, TArxBaseStream& In, TArxBaseStream* Out,
                                 std::int64_t PackedSize, std::int64_t UnpackedSize) {
    TLzhIo io;
    io.Read = [&Reader, &In](std::uint8_t* buf, std::int64_t count, bool decipher) {
        return Reader.ReadProc(In, count, 0, decipher, buf);
    };
    io.Write = [&Reader, Out](const std::uint8_t* buf, std::int64_t count, int crcWidth) {
        return Reader.WriteOutput(Out, buf, 1, count, crcWidth);
    };
    io.Progress = [&Reader, UnpackedSize](std::int64_t done) {
        Reader.DoProgress(Reader.ArchiveTotal, UnpackedSize, done);
    };
    io.Cancel = Reader.CancelFlagRef;
    const TLzhResult result = Run(io, PackedSize, UnpackedSize);
    if (result == TLzhResult::WriteFailed) throw E_RAISE(kMsgWriteError);
    return result;
}

TLzhResult Lh1Decode(TZipCommon& Reader, TArxBaseStream& In, TArxBaseStream* Out,
                     std::int64_t PackedSize, std::int64_t UnpackedSize) {
    TLzhIo io;
    io.Read = [&Reader, &In](std::uint8_t* buf, std::int64_t count, bool) {
        return Reader.ReadProc(In, count, 0, false, buf);
    };
    io.Write = [&Reader, Out](const std::uint8_t* buf, std::int64_t count, int crcWidth) {
        return Reader.WriteOutput(Out, buf, 1, count, crcWidth);
    };
    io.Progress = [&Reader, UnpackedSize](std::int64_t done) {
        Reader.DoProgress(Reader.ArchiveTotal, UnpackedSize, done);
    };
    io.Cancel = Reader.CancelFlagRef;
    const TLzhResult result = Lh1Decode(io, PackedSize, UnpackedSize);
    if (result == TLzhResult::WriteFailed) throw E_RAISE(kMsgWriteError);
    return result;
}

} // namespace sorvane
