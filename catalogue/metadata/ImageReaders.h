// The image readers of the media writers: TDCImageInfo (width, height and depth
// of PNG, GIF, BMP, PCX and TIFF from their headers), TTarga (a TGA picture
// decoded into a 32-bit bitmap and an alpha bitmap) and TJpegImage (a JPEG
// file's header through libjpeg-turbo). No reader trusts a length of the file.
#pragma once

#include "catalogue/metadata/MediaWriters.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane {

class ReadOnlyFile;

// Image types of TDCImageInfo.
constexpr std::uint8_t kImageNone = 0;
constexpr std::uint8_t kImageGIF = 1;
constexpr std::uint8_t kImagePNG = 3;
constexpr std::uint8_t kImageBMP = 4;
constexpr std::uint8_t kImagePCX = 5;
constexpr std::uint8_t kImageTIFF = 6;

// Files of this size or more are refused (the size is kept in 32 bits).
constexpr std::uint64_t kLargestImageFile = 0x7FFFFFFFULL;

// Width, height and colour depth of a PNG, GIF, BMP, PCX or TIFF file, read from
// its header without decoding the picture. One instance serves a whole scan.
class TDCImageInfo {
public:
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t BitsPerPixel = 0;
    std::uint8_t ImageType = kImageNone;
    std::int64_t FileSize = 0;

    // Clears, identifies the file by its first three bytes and runs the
    // format's reader, leaving the results in the fields. Its own failures
    // (open, too small, a reader's fault) go to `errors` as one line each and
    // leave the fields cleared. Raises EImageRead, without a line, only for a
    // file of 2 GiB or more; the writer that called it logs that.
    void OpenFileBitmap(const std::string& FileName, const MediaErrorSink& errors);

    // ImageType, Width, Height and BitsPerPixel to 0.
    void Clear();

    // The readers; each sets ImageType first and works on the file that
    // OpenFileBitmap holds open (EImageRead when none is). They raise EImageRead
    // for a header that the file cannot hold or that holds impossible values.
    void ReadPNG();
    void ReadGIF();
    void ReadBMP();
    void ReadPCX();
    void ReadLETIFF();
    void ReadBETIFF();

private:
    void ReadTIFF(bool bigEndian);
    const ReadOnlyFile& Stream() const;

    const ReadOnlyFile* stream = nullptr; // only while OpenFileBitmap runs
};

// A 32-bit bitmap: pixels B | G << 8 | R << 16 (| A << 24), rows top first.
// A blank bitmap has a size but no pixel storage; each of its pixels reads 0.
struct TargaBitmap {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::vector<std::uint32_t> Pixels; // empty, or Width x Height

    bool Empty() const { return Width == 0 || Height == 0; }
    std::uint32_t Pixel(std::int32_t x, std::int32_t y) const;
};

// TTarga image kinds.
constexpr std::uint8_t kTargaKindNone = 0;
constexpr std::uint8_t kTargaKindColourMapped = 1;
constexpr std::uint8_t kTargaKindTrueColour = 2;
constexpr std::uint8_t kTargaKindGrey = 3;
constexpr std::uint8_t kTargaKindRleColourMapped = 4;
constexpr std::uint8_t kTargaKindRleTrueColour = 5;
constexpr std::uint8_t kTargaKindRleGrey = 6;

// TTarga pixel-depth codes; kTargaDepthUnknown until a load decodes a picture.
constexpr std::uint8_t kTargaDepth8 = 0;
constexpr std::uint8_t kTargaDepth16 = 1;
constexpr std::uint8_t kTargaDepth24 = 2;
constexpr std::uint8_t kTargaDepth32 = 3;
constexpr std::uint8_t kTargaDepthUnknown = 0xFF;

// The largest colour map a TGA file may have.
constexpr std::uint32_t kTargaMaxPalette = 1000;

// A TGA picture: the header, the image ID, the palette, and the picture decoded
// into a 32-bit bitmap plus a 32-bit alpha bitmap; it can be written back.
class TTarga {
public:
    // The 18-byte header.
    std::uint8_t IdLength = 0;
    std::uint8_t ColorMapType = 0;
    std::uint8_t ImageTypeCode = 0;
    std::uint16_t ColorMapFirst = 0;
    std::uint16_t ColorMapLength = 0;
    std::uint8_t ColorMapEntrySize = 0;
    std::uint16_t XOrigin = 0;
    std::uint16_t YOrigin = 0;
    std::uint16_t ImageWidth = 0;
    std::uint16_t ImageHeight = 0;
    std::uint8_t PixelDepth = 0;
    std::uint8_t Descriptor = 0;
    // The descriptor's parts.
    std::uint8_t AlphaBits = 0;
    bool RightToLeft = false;
    bool TopOrigin = false;

    std::string ImageId;
    std::vector<std::uint32_t> Palette; // B | G << 8 | R << 16 | A << 24
    TargaBitmap Bitmap;
    TargaBitmap AlphaBitmap; // the alpha value in the three colour bytes
    std::uint8_t ImageKind = kTargaKindNone;
    // Set only by a load that decodes a picture; kept by every other load.
    std::uint8_t PixelDepthCode = kTargaDepthUnknown;
    bool AlphaPresent = false;

    // Called once a picture is loaded.
    std::function<void()> OnProgress;

    // Loads the file or the bytes. Everything but the depth code and the
    // progress event is reset first. Raises EImageRead, leaving the picture
    // empty, when the file cannot be opened, ends before its header, ID,
    // palette or last pixel, has a palette of more than 1,000 entries, or
    // claims more pixels than it can hold (refused before anything is
    // allocated). A type and depth that are not decoded leave a blank picture
    // of the header's size and the depth code as it was.
    void LoadFromFile(const std::string& FileName);
    void LoadFromStream(const ReadOnlyFile& stream);
    void LoadFromStream(std::string_view stream);

    // Appends the picture as a TGA file, rows bottom-up: a picture loaded as
    // RLE true colour as type 10 at 24 bits, each row run-length encoded;
    // any other as type 2 at 16 or 32 bits when the depth code says so, else
    // at 24 bits. 32 bits take the alpha from the alpha bitmap. A blank
    // picture is written as black pixels at its size.
    void SaveToStream(std::string& stream) const;

    // The picture of `source`: its header, ID, palette, both bitmaps, kind,
    // depth code and alpha flag; the progress event stays this one's.
    void Assign(const TTarga& source);

    // From the header.
    std::int32_t GetWidth() const { return ImageWidth; }
    std::int32_t GetHeight() const { return ImageHeight; }
    // The image bitmap has no pixels.
    bool GetEmpty() const { return Bitmap.Empty(); }

private:
    void Reset();
    template <typename Source> void Load(const Source& stream);
    template <typename Source> void LoadChecked(const Source& stream);
};

// A JPEG picture of which only the header is read, through libjpeg-turbo.
class TJpegImage {
public:
    // Reads the header up to the first scan. Raises EImageRead with libjpeg's
    // message (or the file's fault) and leaves the image empty when it fails.
    void LoadFromFile(const std::string& FileName);

    std::int32_t GetWidth() const { return Width; }
    std::int32_t GetHeight() const { return Height; }
    bool Empty() const { return Width == 0 || Height == 0; }

    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t Components = 0;
    bool Progressive = false;
};

} // namespace sorvane
