// TUnARJ, the ARJ reader: extracts or tests the members of ARJ archives,
// self-extracting ones and multi-volume sets: stored members, methods 1 to 3
// (LZH static Huffman), method 4, garbled members, folders; volume labels
// write nothing.
#pragma once

#include "archive/arj/arxArjHeader.h"
#include "archive/arxHeaderList.h"
#include "archive/arxUnBase.h"
#include "archive/codecs/arxArjMethod4.h"
#include "archive/codecs/arxLzhStatic.h"

#include <cstdint>
#include <memory>
#include <string>

namespace sorvane {

class TUnARJ : public TUnBase {
public:
    TUnARJ();

    void ExtractFiles(std::unique_ptr<TArxBaseStream>& InStream, int Arg) override;

    // One ARJ header as read at a header offset (the family's header reader),
    // its name as this reader gives it.
    using TArjHeader = sorvane::TArjHeader;
    // Result of reading a header: one is there, the end marker, or no header.
    using THeaderRead = TArjHeaderRead;
    THeaderRead ReadHeader(TArxBaseStream& stream, std::int64_t offset, TArjHeader& header);

private:
    THeaderRead ReadHeaderFrom(TArxByteSource& source, std::int64_t offset, TArjHeader& header);
    // Walks one volume from `start`; false when nothing can follow it.
    void WalkVolume(TArxBaseStream& stream, std::int64_t start);
    void ExtractVolume(std::unique_ptr<TArxBaseStream>& stream);
    bool OpenNextArjVolume(std::unique_ptr<TArxBaseStream>& stream);
    void ExtractMember(TArxBaseStream& stream, TArjHeader& header, std::uint32_t attr);
    void ExtractFolder(const TArjHeader& header);
    // Closes the member's output with its time (Unix seconds on UNIX hosts,
    // else the DOS date-time) and attributes.
    void DateMember(std::unique_ptr<TArxBaseStream>& out, const std::string& name,
                    const TArjHeader& header);
    void ExtractContinuation(TArxBaseStream& stream, TArjHeader& header);
    // Reports a member whose next part never came and forgets it; it was
    // never counted.
    void EndUnfinished();
    // Whether the key in Password deciphers the member whole with its CRC,
    // decoded on a pass that writes and reports nothing.
    bool KeyFits(TArxBaseStream& stream, const TArjHeader& header);
    // Decodes one part of a member into `out`; `written` its bytes written.
    // A corrupt stream has been reported, a failed write by the writer.
    TDecodeResult DecodePart(TArxBaseStream& stream, TArxBaseStream* out, const TArjHeader& header,
                             std::int64_t& written);
    TDecodeResult DecodeMember(TArxBaseStream& stream, TArxBaseStream* out,
                               const TArjHeader& header);
    // A password for a garbled member on the given attempt (1-based); false
    // when none is given (the member is then given up).
    bool ObtainPassword(const TArjHeader& header, int attempt, std::string& plain);

    TUnBaseHeaderObj list_;
    // Kept for the whole run: the tables and buffers of methods 1 to 3, and
    // the window and input buffer of method 4.
    LzhStaticDecoder lzh_;
    TArjMethod4Decoder method4_;
    std::string firstVolume_;
    int volumeNo_ = 1;
    bool lastVolumeFlag_ = false;
    bool givenUp_ = false;
    bool quiet_ = false; // a trial pass: decoding errors are not reported
    // The member whose part ends a volume, written by this run: its next part
    // is appended to it and to nothing else.
    struct TContinued {
        bool active = false;
        std::string stored;       // the member's name
        std::string path;         // its output (mode 0)
        std::int64_t written = 0; // bytes written so far
        bool passed = true;       // every part so far passed its CRC check
        bool garbled = false;
        std::string plainPassword;
    } continued_;
};

} // namespace sorvane
