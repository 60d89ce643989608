// The media block writers of picture files: BMP, GIF, PNG, TIFF and PCX through
// TDCImageInfo, JPEG through TJpegImage, TGA through TTarga. A Bitmap block is
// width (3), height (3) and bits per pixel (1), number-coded.
#include "catalogue/metadata/ImageReaders.h"
#include "catalogue/metadata/MediaWriters.h"

namespace sorvane {
namespace {

constexpr std::size_t kWidthField = 3;
constexpr std::size_t kHeightField = 3;
constexpr std::size_t kBitsField = 1;

// A JPEG picture is always catalogued as 24 bits, whatever its colour format.
constexpr std::int32_t kJpegDepth = 24;

std::string BitmapBlock(std::int32_t width, std::int32_t height, std::int32_t bits) {
    return MediaBracketed(MediaNumberField(width, kWidthField) +
                          MediaNumberField(height, kHeightField) +
                          MediaNumberField(bits, kBitsField));
}

// The writers through TDCImageInfo: a block only when the file is of the
// writer's type; the reader logs its own failures.
std::string ImageInfoBlock(MediaReaders& readers, const std::string& path,
                           const MediaErrorSink& errors, const char* failureText,
                           std::uint8_t imageType) {
    return RunWriter(failureText, path, errors, [&]() -> std::string {
        TDCImageInfo& info = ReaderOf(readers.ImageInfo);
        info.OpenFileBitmap(path, errors);
        if (info.ImageType != imageType) return {};
        return BitmapBlock(info.Width, info.Height, info.BitsPerPixel);
    });
}

// The depth in bits of a TTarga pixel-depth code; 1 for a code without one.
std::int32_t TargaDepthBits(std::uint8_t code) {
    switch (code) {
    case kTargaDepth8:
        return 8;
    case kTargaDepth16:
        return 16;
    case kTargaDepth24:
        return 24;
    case kTargaDepth32:
        return 32;
    default:
        return 1;
    }
}

} // namespace

std::string ReadBMP(MediaReaders& readers, const std::string& path, const MediaErrorSink& errors) {
    return ImageInfoBlock(readers, path, errors, "ReadBMP failure on ", kImageBMP);
}

std::string ReadGIF(MediaReaders& readers, const std::string& path, const MediaErrorSink& errors) {
    return ImageInfoBlock(readers, path, errors, "ReadGIF failure on ", kImageGIF);
}

std::string ReadPNG(MediaReaders& readers, const std::string& path, const MediaErrorSink& errors) {
    return ImageInfoBlock(readers, path, errors, "ReadPNG failure on ", kImagePNG);
}

std::string ReadTIF(MediaReaders& readers, const std::string& path, const MediaErrorSink& errors) {
    return ImageInfoBlock(readers, path, errors, "ReadTIF failure on ", kImageTIFF);
}

std::string ReadPCX(MediaReaders& readers, const std::string& path, const MediaErrorSink& errors) {
    return ImageInfoBlock(readers, path, errors, "ReadPCX Targa failure on ", kImagePCX);
}

std::string ReadJPEG(MediaReaders& readers, const std::string& path, const MediaErrorSink& errors) {
    return RunWriter("ReadJPEG failure on ", path, errors, [&]() -> std::string {
        TJpegImage& image = ReaderOf(readers.JpegImage);
        image.LoadFromFile(path);
        if (image.Empty()) throw EAbort();
        return BitmapBlock(image.GetWidth(), image.GetHeight(), kJpegDepth);
    });
}

std::string ReadTarga(MediaReaders& readers, const std::string& path,
                      const MediaErrorSink& errors) {
    return RunWriter("ReadTarga failure on ", path, errors, [&]() -> std::string {
        TTarga& image = ReaderOf(readers.TargaImage);
        // The picture keeps the depth code of the last picture it decoded when
        // a file decodes none; a catalogue line never takes another file's depth.
        image.PixelDepthCode = kTargaDepthUnknown;
        image.LoadFromFile(path);
        if (image.GetEmpty()) throw EAbort();
        return BitmapBlock(image.GetWidth(), image.GetHeight(),
                           TargaDepthBits(image.PixelDepthCode));
    });
}

} // namespace sorvane
