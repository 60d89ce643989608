// TDCImageInfo: width, height and colour depth of PNG, GIF, BMP, PCX and TIFF
// files from their headers. Each reader reads only the header bytes it needs,
// every one of them checked against the file's size.
#include "catalogue/metadata/ByteReader.h"
#include "catalogue/metadata/ImageReaders.h"

#include <limits>
#include <memory>

namespace sorvane {
namespace {

// Format notes, offsets from the start of the file.

// PNG: the signature, then the IHDR chunk: 32-bit big-endian width at 16 and
// height at 20; we keep the low half of each, bit depth, colour type.
constexpr std::uint64_t kPngWidthLow = 18;
constexpr std::uint64_t kPngHeightLow = 22;
constexpr std::uint64_t kPngBitDepth = 24;
constexpr std::uint64_t kPngColourType = 25;
constexpr std::uint8_t kPngGrey = 0, kPngRgb = 2, kPngPalette = 3, kPngGreyAlpha = 4,
                       kPngRgbAlpha = 6;

// GIF: logical screen descriptor after the 6-byte signature.
constexpr std::uint64_t kGifWidth = 6;
constexpr std::uint64_t kGifHeight = 8;
constexpr std::uint64_t kGifFlags = 10; // bits 0-2: colour table size - 1

// BMP: the 14-byte file header, then the information header, whose first 32
// bits give its size. The Windows headers (40 bytes and the longer V4/V5, also
// the 16- and 64-byte OS/2 2.x ones) hold a signed 32-bit width and height (a
// negative height: rows stored top-down) and the bit count at 28; the 12-byte
// OS/2 1.x core header holds unsigned 16-bit width and height and the bit count
// at 24.
constexpr std::uint64_t kBmpHeaderSize = 14;
constexpr std::uint64_t kBmpWidth = 18;
constexpr std::uint64_t kBmpHeight = 22;
constexpr std::uint64_t kBmpBits = 28;
constexpr std::uint32_t kBmpCoreHeaderSize = 12;
constexpr std::uint64_t kBmpCoreWidth = 18;
constexpr std::uint64_t kBmpCoreHeight = 20;
constexpr std::uint64_t kBmpCoreBits = 24;

// PCX: bits per plane at 3, the picture window (xmin, ymin, xmax, ymax) at 4,
// the plane count at 65.
constexpr std::uint64_t kPcxBitsPerPlane = 3;
constexpr std::uint64_t kPcxXMin = 4;
constexpr std::uint64_t kPcxYMin = 6;
constexpr std::uint64_t kPcxXMax = 8;
constexpr std::uint64_t kPcxYMax = 10;
constexpr std::uint64_t kPcxPlanes = 65;

// TIFF: the offset of the first image directory at 4; a directory is a 16-bit
// entry count and 12-byte entries: tag, field type, 32-bit value count, and
// the value itself when it fits 4 bytes, else the offset of the values.
constexpr std::uint64_t kTiffFirstDirectory = 4;
constexpr std::uint64_t kTiffEntrySize = 12;
constexpr std::uint64_t kTiffEntryType = 2;
constexpr std::uint64_t kTiffEntryCount = 4;
constexpr std::uint64_t kTiffEntryValue = 8;
constexpr std::uint16_t kTiffImageWidth = 256;
constexpr std::uint16_t kTiffImageLength = 257;
constexpr std::uint16_t kTiffBitsPerSample = 258;
constexpr std::uint16_t kTiffByte = 1, kTiffShort = 3, kTiffLong = 4;
// More samples than this are no picture the catalogue describes (reported 0).
constexpr std::uint32_t kTiffMaxSamples = 64;

// The first bytes that choose the reader.
constexpr std::size_t kSignatureLength = 3;

// A number of the file as the Integer the fields hold; 0 (no picture) when it
// does not fit.
std::int32_t AsInteger(std::uint64_t value) {
    return value > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())
               ? 0
               : static_cast<std::int32_t>(value);
}

// Numbers of one TIFF byte order.
struct TiffOrder {
    bool bigEndian;
    std::uint16_t U16(const ByteFields& f, std::uint64_t at) const {
        return bigEndian ? f.U16BE(at) : f.U16LE(at);
    }
    std::uint32_t U32(const ByteFields& f, std::uint64_t at) const {
        return bigEndian ? f.U32BE(at) : f.U32LE(at);
    }
};

// The size in bytes of one value of a TIFF field type we read; 0 for others.
std::uint64_t TiffValueSize(std::uint16_t type) {
    switch (type) {
    case kTiffByte:
        return 1;
    case kTiffShort:
        return 2;
    case kTiffLong:
        return 4;
    default:
        return 0;
    }
}

// One value of `type` at `at` of `fields`.
std::uint32_t TiffValue(const TiffOrder& order, const ByteFields& fields, std::uint64_t at,
                        std::uint16_t type) {
    switch (type) {
    case kTiffByte:
        return fields.U8(at);
    case kTiffShort:
        return order.U16(fields, at);
    case kTiffLong:
        return order.U32(fields, at);
    default:
        return 0;
    }
}

} // namespace

void TDCImageInfo::Clear() {
    ImageType = kImageNone;
    Width = 0;
    Height = 0;
    BitsPerPixel = 0;
}

const ReadOnlyFile& TDCImageInfo::Stream() const {
    if (!stream) throw EImageRead("no image file is open");
    return *stream;
}

void TDCImageInfo::OpenFileBitmap(const std::string& FileName, const MediaErrorSink& errors) {
    auto log = [&](const std::string& line) {
        if (errors) errors(line);
    };
    Clear();
    FileSize = 0;
    std::unique_ptr<ReadOnlyFile> file;
    try {
        file = std::make_unique<ReadOnlyFile>(FileName);
    } catch (const EImageRead&) {
        log("OpenFileBitmap failure on " + FileName);
        return;
    }
    FileSize = static_cast<std::int64_t>(file->Size());
    if (file->Size() > kLargestImageFile)
        throw EImageRead("file of 2 GiB or more: " + std::to_string(file->Size()) + " bytes");
    if (file->Size() <= kSignatureLength) {
        log("ReadFile failure on " + FileName + ": file too small: " + std::to_string(FileSize) +
            " bytes");
        return;
    }
    ByteFields first;
    try {
        first = file->Fields(0, kSignatureLength);
    } catch (const EImageRead&) {
        log("ReadFile failure on " + FileName +
            ": can\u00B4t read 3 bytes: " + std::to_string(FileSize) + " bytes");
        return;
    }

    using Reader = void (TDCImageInfo::*)();
    Reader reader = nullptr;
    const char* name = nullptr;
    if (first.Matches(0, "\x89PN")) {
        reader = &TDCImageInfo::ReadPNG, name = "ReadPNG";
    } else if (first.Matches(0, "GIF")) {
        reader = &TDCImageInfo::ReadGIF, name = "ReadGIF";
    } else if (first.Matches(0, "BM")) {
        reader = &TDCImageInfo::ReadBMP, name = "ReadBMP";
    } else if (first.U8(0) == 10) {
        reader = &TDCImageInfo::ReadPCX, name = "ReadPCX";
    } else if (first.Matches(0, "II*")) {
        reader = &TDCImageInfo::ReadLETIFF, name = "ReadLETIFF";
    } else if (first.Matches(0, std::string_view("MM\0", 3))) {
        // A big-endian TIFF begins "MM", 0, "*": the 42 is big-endian too, so
        // its third byte is 0 and the "*" is the fourth.
        reader = &TDCImageInfo::ReadBETIFF, name = "ReadBETIFF";
    }
    if (!reader) return;

    stream = file.get();
    try {
        (this->*reader)();
    } catch (const std::bad_alloc&) {
        stream = nullptr;
        throw;
    } catch (const std::exception& e) {
        log(std::string(name) + " failure on " + FileName + ": " + e.what());
        Clear();
    }
    stream = nullptr;
}

void TDCImageInfo::ReadPNG() {
    ImageType = kImagePNG;
    const ByteFields f = Stream().Fields(kPngWidthLow, kPngColourType + 1 - kPngWidthLow);
    Width = f.U16BE(kPngWidthLow);
    Height = f.U16BE(kPngHeightLow);
    const std::int32_t depth = f.U8(kPngBitDepth);
    switch (f.U8(kPngColourType)) {
    case kPngGrey:
        BitsPerPixel = depth;
        break;
    case kPngRgb:
        BitsPerPixel = depth * 3;
        break;
    case kPngPalette:
        BitsPerPixel = 8;
        break;
    case kPngGreyAlpha:
        BitsPerPixel = depth * 2;
        break;
    case kPngRgbAlpha:
        BitsPerPixel = depth * 4;
        break;
    default:
        Clear();
        break; // no picture the catalogue describes
    }
}

void TDCImageInfo::ReadGIF() {
    ImageType = kImageGIF;
    const ByteFields f = Stream().Fields(kGifWidth, kGifFlags + 1 - kGifWidth);
    Width = f.U16LE(kGifWidth);
    Height = f.U16LE(kGifHeight);
    BitsPerPixel = (f.U8(kGifFlags) & 7) + 1;
}

void TDCImageInfo::ReadBMP() {
    ImageType = kImageBMP;
    const ReadOnlyFile& file = Stream();
    const std::uint32_t headerSize = file.Fields(kBmpHeaderSize, 4).U32LE(kBmpHeaderSize);
    if (headerSize == kBmpCoreHeaderSize) {
        const ByteFields f = file.Fields(kBmpCoreWidth, kBmpCoreBits + 1 - kBmpCoreWidth);
        Width = f.U16LE(kBmpCoreWidth);
        Height = f.U16LE(kBmpCoreHeight);
        BitsPerPixel = f.U8(kBmpCoreBits);
        return;
    }
    const ByteFields f = file.Fields(kBmpWidth, kBmpBits + 1 - kBmpWidth);
    const auto width = static_cast<std::int32_t>(f.U32LE(kBmpWidth));
    const auto height = static_cast<std::int32_t>(f.U32LE(kBmpHeight));
    if (width < 0) throw EImageRead("negative width: " + std::to_string(width));
    // A negative height marks rows stored top-down; the picture is as high as
    // its magnitude. The most negative value has no magnitude that fits.
    if (height == std::numeric_limits<std::int32_t>::min())
        throw EImageRead("invalid height: " + std::to_string(height));
    Width = width;
    Height = height < 0 ? -height : height;
    BitsPerPixel = f.U8(kBmpBits);
}

void TDCImageInfo::ReadPCX() {
    ImageType = kImagePCX;
    const ReadOnlyFile& file = Stream();
    const ByteFields f = file.Fields(kPcxBitsPerPlane, kPcxYMax + 2 - kPcxBitsPerPlane);
    const std::int32_t width = std::int32_t{f.U16LE(kPcxXMax)} - f.U16LE(kPcxXMin) + 1;
    const std::int32_t height = std::int32_t{f.U16LE(kPcxYMax)} - f.U16LE(kPcxYMin) + 1;
    if (width <= 0 || height <= 0)
        throw EImageRead("invalid picture window: " + std::to_string(width) + " x " +
                         std::to_string(height));
    const std::int32_t planes = file.Fields(kPcxPlanes, 1).U8(kPcxPlanes);
    Width = width;
    Height = height;
    BitsPerPixel = f.U8(kPcxBitsPerPlane) * planes;
}

void TDCImageInfo::ReadLETIFF() {
    ImageType = kImageTIFF;
    ReadTIFF(false);
}

void TDCImageInfo::ReadBETIFF() {
    ImageType = kImageTIFF;
    ReadTIFF(true);
}

void TDCImageInfo::ReadTIFF(bool bigEndian) {
    const ReadOnlyFile& file = Stream();
    const TiffOrder order{bigEndian};
    const std::uint64_t directory =
        order.U32(file.Fields(kTiffFirstDirectory, 4), kTiffFirstDirectory);
    const std::uint16_t count = order.U16(file.Fields(directory, 2), directory);
    const std::uint64_t entriesAt = directory + 2;
    // The whole directory is checked against the file before it is read.
    const ByteFields entries = file.Fields(entriesAt, count * kTiffEntrySize);
    std::uint32_t width = 0, height = 0;
    std::uint64_t bits = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t entry = entriesAt + kTiffEntrySize * i;
        const std::uint16_t tag = order.U16(entries, entry);
        if (tag != kTiffImageWidth && tag != kTiffImageLength && tag != kTiffBitsPerSample)
            continue;
        const std::uint16_t type = order.U16(entries, entry + kTiffEntryType);
        const std::uint32_t value = TiffValue(order, entries, entry + kTiffEntryValue, type);
        if (tag == kTiffImageWidth) {
            width = value;
        } else if (tag == kTiffImageLength) {
            height = value;
        } else {
            // One bit count per sample. Beyond 4 bytes the entry holds the offset
            // of the counts; the depth of a pixel is their sum (8, 8, 8: 24).
            const std::uint32_t samples = order.U32(entries, entry + kTiffEntryCount);
            const std::uint64_t size = TiffValueSize(type);
            bits = value;
            if (samples > kTiffMaxSamples) {
                bits = 0;
            } else if (samples > 1 && size > 0) {
                const ByteFields* values = &entries;
                ByteFields outside;
                std::uint64_t at = entry + kTiffEntryValue;
                if (samples * size > 4) {
                    at = order.U32(entries, entry + kTiffEntryValue);
                    outside = file.Fields(at, samples * size);
                    values = &outside;
                }
                bits = 0;
                for (std::uint64_t s = 0; s < samples; ++s)
                    bits += TiffValue(order, *values, at + s * size, type);
            }
        }
    }
    Width = AsInteger(width);
    Height = AsInteger(height);
    BitsPerPixel = AsInteger(bits);
    if (Width <= 0 || Height <= 0 || BitsPerPixel <= 0) Clear();
}

} // namespace sorvane
