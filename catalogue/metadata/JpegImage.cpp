// TJpegImage: a JPEG file's header read through libjpeg-turbo. libjpeg's errors
// jump back to the reader instead of ending the program, and its input comes
// in small chunks through the bounded image file, so only the header is read.
#include "catalogue/metadata/ByteReader.h"
#include "catalogue/metadata/ImageReaders.h"

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE and size_t first
#include <cstring>
#include <jerror.h>
#include <jpeglib.h>

namespace sorvane {
namespace {

// Markers are short; a small chunk keeps the read close to the end of the header.
constexpr std::size_t kJpegChunk = 512;

// Everything the libjpeg callbacks need, reached through client_data. Plain
// data only: a longjmp passes over it.
struct JpegReadState {
    jpeg_error_mgr errors;
    jpeg_source_mgr source;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    const ReadOnlyFile* file;
    std::uint64_t position; // of the next chunk
    JOCTET chunk[kJpegChunk];
};

JpegReadState& StateOf(j_common_ptr cinfo) {
    return *static_cast<JpegReadState*>(cinfo->client_data);
}
JpegReadState& StateOf(j_decompress_ptr cinfo) {
    return *static_cast<JpegReadState*>(cinfo->client_data);
}

void JumpOnError(j_common_ptr cinfo) {
    JpegReadState& state = StateOf(cinfo);
    (*cinfo->err->format_message)(cinfo, state.message);
    std::longjmp(state.jump, 1);
}

// Warnings (a corrupt marker that libjpeg can step over) are not failures and
// are never printed.
void IgnoreMessage(j_common_ptr) {}

void InitSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr cinfo) {
    JpegReadState& state = StateOf(cinfo);
    std::size_t got = 0;
    bool failed = false;
    try {
        got = state.file->ReadSome(state.position, state.chunk, kJpegChunk);
    } catch (const std::exception&) {
        failed = true;
    }
    // Raised outside the handler: a longjmp must not leave a catch block.
    if (failed) ERREXIT(cinfo, JERR_FILE_READ);
    // The header ends before the file does; running out is a truncated file.
    if (got == 0) ERREXIT(cinfo, JERR_INPUT_EOF);
    state.position += got;
    state.source.next_input_byte = state.chunk;
    state.source.bytes_in_buffer = got;
    return TRUE;
}

// Skipped markers (Exif, ICC profiles) are passed over without reading them.
void SkipInput(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    JpegReadState& state = StateOf(cinfo);
    const auto skip = static_cast<std::uint64_t>(count);
    if (skip <= state.source.bytes_in_buffer) {
        state.source.next_input_byte += skip;
        state.source.bytes_in_buffer -= skip;
        return;
    }
    const std::uint64_t beyond = skip - state.source.bytes_in_buffer;
    state.source.bytes_in_buffer = 0;
    const std::uint64_t size = state.file->Size();
    state.position = beyond > size - state.position ? size : state.position + beyond;
}

void TermSource(j_decompress_ptr) {}

struct JpegHeader {
    std::uint32_t width;
    std::uint32_t height;
    int components;
    bool progressive;
};

// Reads the header into `header`; false with state.message set on libjpeg's
// error. Only plain data lives in this frame, which the error's longjmp leaves.
bool ReadJpegHeader(JpegReadState& state, JpegHeader& header) {
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&state.errors);
    state.errors.error_exit = JumpOnError;
    state.errors.output_message = IgnoreMessage;
    if (setjmp(state.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.client_data = &state;
    state.source.init_source = InitSource;
    state.source.fill_input_buffer = FillInput;
    state.source.skip_input_data = SkipInput;
    state.source.resync_to_restart = jpeg_resync_to_restart;
    state.source.term_source = TermSource;
    state.source.next_input_byte = nullptr;
    state.source.bytes_in_buffer = 0;
    cinfo.src = &state.source;
    jpeg_read_header(&cinfo, TRUE);
    header.width = cinfo.image_width;
    header.height = cinfo.image_height;
    header.components = cinfo.num_components;
    header.progressive = cinfo.progressive_mode != 0;
    jpeg_destroy_decompress(&cinfo);
    return true;
}

} // namespace

void TJpegImage::LoadFromFile(const std::string& FileName) {
    *this = TJpegImage();
    const ReadOnlyFile file(FileName);
    JpegReadState state;
    std::memset(&state, 0, sizeof state);
    state.file = &file;
    JpegHeader header{};
    if (!ReadJpegHeader(state, header)) throw EImageRead(state.message);
    Width = static_cast<std::int32_t>(header.width);
    Height = static_cast<std::int32_t>(header.height);
    Components = header.components;
    Progressive = header.progressive;
}

} // namespace sorvane
