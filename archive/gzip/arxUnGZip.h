// TUnGZip, the reader of single-member compressed files: gzip (".gz",
// ".tgz", concatenated members decoded into one output) and Unix compress
// (".Z"). A member that holds a tar archive can, when OnNestedTarFile
// agrees, go to a private temporary file that a nested TUnTar extracts.
#pragma once

#include "archive/arxUnBase.h"
#include "archive/codecs/arxInflate64.h"
#include "archive/gzip/arxGzipHeader.h"

#include <cstdint>
#include <memory>
#include <string>

namespace sorvane {

enum TDeleteOptions : std::uint8_t { doFinal, doAllowUndo };

class TUnGZip : public TUnBase {
public:
    TUnGZip();

    void ExtractFiles(std::unique_ptr<TArxBaseStream>& InStream, int Arg) override;

    // Kept for the caller; no operation consults it.
    TDeleteOptions GzTarDeleteOptions = doFinal;

    // A gzip member header and where its data begins (the family's header reader).
    using TGzipHeader = sorvane::TGzipHeader;
    // Reads the gzip member header at `pos` (see ReadGzipHeader of the header reader).
    static bool ReadGzipHeader(TArxBaseStream& stream, std::int64_t pos, TGzipHeader& header);

private:
    enum class Kind { Gzip, Compress, Pack, LzhCompress };

    void ExtractMember(TArxBaseStream& stream, Kind kind, const TGzipHeader& header,
                       const std::string& name, std::uint32_t dosDate);
    // The member's refusal before any output, reported; true when it may be decoded.
    bool Decodable(TArxBaseStream& stream, Kind kind, const TGzipHeader& header,
                   const std::string& shown);
    // Decoding; false when the member failed (reported, or a CRC mismatch).
    bool DecodeGzip(TArxBaseStream& stream, const TGzipHeader& first, const std::string& shown);
    bool DecodeCompress(TArxBaseStream& stream, const std::string& shown);
    // Takes decoded bytes; the output is opened with the first of them.
    bool Emit(const std::uint8_t* data, std::int64_t count);
    bool OpenSink(const std::uint8_t* data, std::int64_t count);
    // `cutShort`: the decoded tar ends where its stream was damaged (already
    // reported); its whole members are extracted and nothing else.
    void ExtractNestedTar(bool cutShort);
    void DropTemporary();
    // A damaged stream: a tar inside is reported once by the archive's name
    // (its members before the damage are still extracted), anything else
    // by the member's.
    void ReportDamage(const std::string& shown, int code);

    std::unique_ptr<TArxBaseStream> out_;
    bool opened_ = false;
    bool sinkFailed_ = false; // the output could not be opened or written (reported)
    bool skipped_ = false;    // the member's own output was declined or skipped
    bool diverted_ = false;
    bool cutShort_ = false; // the tar's stream ended early or broke (reported)
    int crcWidth_ = 32;
    std::string tempFolder_, tempFile_;
    // Kept for the whole run and reset for each member of a gzip file: the
    // inflate core, its window and the buffers.
    TInflateMember inflate_;
};

} // namespace sorvane
