// The LZH decoders on a reader's bounded I/O of the member: packed bytes
// through its ReadProc, output through WriteOutput with the running CRC,
// progress through DoProgress, a failed write raised as 25136.
#include "archive/arxMessages.h"
#include "archive/arxUnBase.h"
#include "archive/codecs/arxLh1.h"
#include "archive/codecs/arxLzhStatic.h"

namespace sorvane {

TDecodeResult LzhStaticDecoder::Run(TUnBase& Reader, TArxBaseStream& In, TArxBaseStream* Out,
                                    std::int64_t PackedSize, std::int64_t UnpackedSize) {
    const bool decipher = params_.Mode == 1 || params_.Mode == 2;
    TMemberIo io = Reader.MemberIo(In, Out, PackedSize, UnpackedSize, params_.CrcWidth, decipher);
    const TDecodeResult result = Run(io);
    if (result == TDecodeResult::WriteFailed) throw E_RAISE(kMsgWriteError);
    return result;
}

TDecodeResult TLh1Decoder::Run(TUnBase& Reader, TArxBaseStream& In, TArxBaseStream* Out,
                               std::int64_t PackedSize, std::int64_t UnpackedSize) {
    TMemberIo io = Reader.MemberIo(In, Out, PackedSize, UnpackedSize, 16);
    const TDecodeResult result = Decode(io);
    if (result == TDecodeResult::WriteFailed) throw E_RAISE(kMsgWriteError);
    return result;
}

} // namespace sorvane
