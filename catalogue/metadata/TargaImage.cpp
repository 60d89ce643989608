// TTarga: a TGA file decoded into a 32-bit bitmap and a 32-bit alpha bitmap,
// and written back. Only the bytes the decode needs are read, each inside the
// file; the pixel storage is allocated only after the file is known to be
// able to hold it.
#include "catalogue/metadata/ByteReader.h"
#include "catalogue/metadata/ImageReaders.h"

#include <algorithm>
#include <optional>

namespace sorvane {
namespace {

// Format notes: an 18-byte little-endian header, the image ID, the colour map
// (when the colour-map type is 1), then the pixels, rows bottom-up unless the
// descriptor's top-origin bit or its right-to-left bit is set (either one
// makes the first stored row the top row; no row is mirrored), always left to
// right. Pixels are little-endian: B, G, R (, A) bytes, or 16 bits of
// A1 R5 G5 B5, or one index or grey byte.
constexpr std::uint64_t kHeaderSize = 18;
constexpr std::uint64_t kIdLength = 0;
constexpr std::uint64_t kColorMapType = 1;
constexpr std::uint64_t kImageType = 2;
constexpr std::uint64_t kColorMapFirst = 3;
constexpr std::uint64_t kColorMapLength = 5;
constexpr std::uint64_t kColorMapEntrySize = 7;
constexpr std::uint64_t kXOrigin = 8;
constexpr std::uint64_t kYOrigin = 10;
constexpr std::uint64_t kWidth = 12;
constexpr std::uint64_t kHeight = 14;
constexpr std::uint64_t kPixelDepth = 16;
constexpr std::uint64_t kDescriptor = 17;

constexpr std::uint8_t kDescriptorAlphaBits = 0x0F;
constexpr std::uint8_t kDescriptorRightToLeft = 0x10;
constexpr std::uint8_t kDescriptorTopOrigin = 0x20;

constexpr std::uint8_t kColorMapPresent = 1;

// Image types of the header.
constexpr std::uint8_t kTypeColourMapped = 1;
constexpr std::uint8_t kTypeTrueColour = 2;
constexpr std::uint8_t kTypeGrey = 3;
constexpr std::uint8_t kTypeRleColourMapped = 9;
constexpr std::uint8_t kTypeRleTrueColour = 10;
constexpr std::uint8_t kTypeRleGrey = 11;

// An RLE packet: a header byte, then one pixel repeated (header & 127) + 1
// times when bit 7 is set, else (header + 1) literal pixels.
constexpr std::uint8_t kPacketRepeat = 0x80;
constexpr std::uint8_t kPacketCount = 0x7F;
constexpr std::uint64_t kLongestPacket = 128;

enum class Pixels { ColourIndex, Grey, Colour16, Colour24, Colour32 };

// A type and depth that the decode handles.
struct DecodedFormat {
    Pixels pixels;
    std::uint64_t bytes; // per pixel
    bool rle;
    std::uint8_t depthCode;
};

std::optional<DecodedFormat> FormatOf(std::uint8_t type, std::uint8_t depth) {
    const bool rle = type >= kTypeRleColourMapped;
    switch (type) {
    case kTypeColourMapped:
    case kTypeRleColourMapped:
        if (depth == 8) return DecodedFormat{Pixels::ColourIndex, 1, rle, kTargaDepth8};
        return std::nullopt;
    case kTypeTrueColour:
    case kTypeRleTrueColour:
        if (depth == 16) return DecodedFormat{Pixels::Colour16, 2, rle, kTargaDepth16};
        if (depth == 24) return DecodedFormat{Pixels::Colour24, 3, rle, kTargaDepth24};
        if (depth == 32) return DecodedFormat{Pixels::Colour32, 4, rle, kTargaDepth32};
        return std::nullopt;
    case kTypeGrey:
    case kTypeRleGrey:
        if (depth == 8) return DecodedFormat{Pixels::Grey, 1, rle, kTargaDepth8};
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

std::uint8_t KindOf(std::uint8_t type) {
    switch (type) {
    case kTypeColourMapped:
        return kTargaKindColourMapped;
    case kTypeTrueColour:
        return kTargaKindTrueColour;
    case kTypeGrey:
        return kTargaKindGrey;
    case kTypeRleColourMapped:
        return kTargaKindRleColourMapped;
    case kTypeRleTrueColour:
        return kTargaKindRleTrueColour;
    case kTypeRleGrey:
        return kTargaKindRleGrey;
    default:
        return kTargaKindNone;
    }
}

std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return b | g << 8 | r << 16;
}

// A 5-bit channel widened to 8 bits: v * 255 / 31, cut down (as ImageMagick
// reads it). Written back, its top five bits are v again.
std::uint32_t Widen5(std::uint32_t v) {
    return v * 255 / 31;
}

std::uint32_t Colour16(const std::uint8_t* p) {
    const std::uint32_t v = p[0] | (p[1] << 8);
    return Rgb(Widen5((v >> 10) & 31), Widen5((v >> 5) & 31), Widen5(v & 31));
}

// Writes decoded pixels into the two bitmaps.
class PixelWriter {
public:
    PixelWriter(TTarga& picture, const DecodedFormat& format)
        : picture_(picture), format_(format), width_(picture.Bitmap.Width) {}

    // Row `stored` in file order; `column` in file order within it.
    void Put(std::int32_t stored, std::int32_t column, const std::uint8_t* p) {
        const std::int32_t height = picture_.Bitmap.Height;
        const bool topFirst = picture_.TopOrigin || picture_.RightToLeft;
        const std::int32_t y = topFirst ? stored : height - 1 - stored;
        const std::int32_t x = column;
        const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                               static_cast<std::size_t>(x);
        std::uint32_t colour = 0;
        switch (format_.pixels) {
        case Pixels::ColourIndex: {
            const std::uint32_t index = p[0];
            const auto& palette = picture_.Palette;
            if (index >= picture_.ColorMapFirst && index - picture_.ColorMapFirst < palette.size())
                colour = palette[index - picture_.ColorMapFirst];
            break;
        }
        case Pixels::Grey:
            colour = Rgb(p[0], p[0], p[0]);
            break;
        case Pixels::Colour16:
            colour = Colour16(p);
            break;
        case Pixels::Colour24:
            colour = Rgb(p[2], p[1], p[0]);
            break;
        case Pixels::Colour32:
            colour = Rgb(p[2], p[1], p[0]);
            picture_.AlphaBitmap.Pixels[at] = Rgb(p[3], p[3], p[3]);
            break;
        }
        picture_.Bitmap.Pixels[at] = colour;
    }

private:
    TTarga& picture_;
    const DecodedFormat& format_;
    std::int32_t width_;
};

// Where an RLE packet left off at the end of a row: packets may run on into
// the next row.
struct RleState {
    std::uint64_t repeatLeft = 0;
    std::uint64_t literalLeft = 0;
    std::uint8_t pixel[4] = {};
};

// Decodes row `stored` from `chunk`, which starts at file offset `base`;
// returns the bytes used. A packet that the chunk does not hold raises
// EImageRead through the chunk's range check.
std::uint64_t DecodeRleRow(const ByteFields& chunk, std::uint64_t base, std::int32_t stored,
                           std::int32_t width, const DecodedFormat& format, RleState& state,
                           PixelWriter& out) {
    std::uint64_t at = base;
    for (std::int32_t column = 0; column < width;) {
        if (state.repeatLeft > 0) {
            out.Put(stored, column++, state.pixel);
            --state.repeatLeft;
        } else if (state.literalLeft > 0) {
            out.Put(stored, column++, chunk.At(at, format.bytes));
            at += format.bytes;
            --state.literalLeft;
        } else {
            const std::uint8_t header = chunk.U8(at++);
            const std::uint64_t count = (header & kPacketCount) + 1u;
            if (header & kPacketRepeat) {
                std::copy_n(chunk.At(at, format.bytes), format.bytes, state.pixel);
                at += format.bytes;
                state.repeatLeft = count;
            } else {
                state.literalLeft = count;
            }
        }
    }
    return at - base;
}

// The bytes a load reads from: a file, or bytes held in memory. Both give the
// bytes at file offsets, each read checked against the size.
class FileSource {
public:
    explicit FileSource(const ReadOnlyFile& file) : file_(file) {}
    std::uint64_t Size() const { return file_.Size(); }
    ByteFields Fields(std::uint64_t offset, std::uint64_t count) const {
        return file_.Fields(offset, count);
    }
    std::string Read(std::uint64_t offset, std::uint64_t count) const {
        return file_.ReadAt(offset, count);
    }

private:
    const ReadOnlyFile& file_;
};

class MemorySource {
public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    std::uint64_t Size() const { return bytes_.size(); }
    ByteFields Fields(std::uint64_t offset, std::uint64_t count) const {
        return ByteFields::InFile(offset, Read(offset, count));
    }
    std::string Read(std::uint64_t offset, std::uint64_t count) const {
        CheckRange(offset, count, bytes_.size(), "stream");
        return std::string(bytes_.substr(offset, count));
    }

private:
    std::string_view bytes_;
};

// ---- Writing ----

void PutU8(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
}

void PutU16(std::string& out, std::uint32_t v) {
    PutU8(out, v);
    PutU8(out, v >> 8);
}

void PutBgr(std::string& out, std::uint32_t pixel) {
    PutU8(out, pixel);
    PutU8(out, pixel >> 8);
    PutU8(out, pixel >> 16);
}

// One row as RLE packets of 24-bit pixels: a run of two or more equal pixels
// as a repeat packet, everything else as literal packets, none longer than
// 128 pixels, none running into the next row.
void PutRleRow(std::string& out, const std::vector<std::uint32_t>& row) {
    const std::size_t width = row.size();
    std::size_t i = 0;
    while (i < width) {
        std::size_t run = 1;
        while (i + run < width && run < kLongestPacket && row[i + run] == row[i])
            ++run;
        if (run >= 2) {
            PutU8(out, kPacketRepeat | (run - 1));
            PutBgr(out, row[i]);
            i += run;
            continue;
        }
        std::size_t literal = 1;
        while (i + literal < width && literal < kLongestPacket &&
               !(i + literal + 1 < width && row[i + literal] == row[i + literal + 1]))
            ++literal;
        PutU8(out, literal - 1);
        for (std::size_t k = 0; k < literal; ++k)
            PutBgr(out, row[i + k]);
        i += literal;
    }
}

} // namespace

std::uint32_t TargaBitmap::Pixel(std::int32_t x, std::int32_t y) const {
    if (x < 0 || y < 0 || x >= Width || y >= Height || Pixels.empty()) return 0;
    return Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) +
                  static_cast<std::size_t>(x)];
}

void TTarga::Reset() {
    std::function<void()> progress = std::move(OnProgress);
    const std::uint8_t depthCode = PixelDepthCode;
    *this = TTarga();
    OnProgress = std::move(progress);
    PixelDepthCode = depthCode;
}

void TTarga::LoadFromFile(const std::string& FileName) {
    Reset();
    const ReadOnlyFile file(FileName);
    LoadFromStream(file);
}

void TTarga::LoadFromStream(const ReadOnlyFile& stream) {
    LoadChecked(FileSource(stream));
}

void TTarga::LoadFromStream(std::string_view stream) {
    LoadChecked(MemorySource(stream));
}

template <typename Source> void TTarga::LoadChecked(const Source& stream) {
    Reset();
    try {
        Load(stream);
    } catch (...) {
        Reset();
        throw;
    }
    if (OnProgress) OnProgress();
}

void TTarga::Assign(const TTarga& source) {
    if (&source == this) return;
    std::function<void()> progress = std::move(OnProgress);
    *this = source;
    OnProgress = std::move(progress);
}

void TTarga::SaveToStream(std::string& stream) const {
    const bool rle = ImageKind == kTargaKindRleTrueColour;
    std::uint8_t depth = 24;
    if (!rle && PixelDepthCode == kTargaDepth16) depth = 16;
    if (!rle && PixelDepthCode == kTargaDepth32) depth = 32;
    const std::int32_t width = Bitmap.Width;
    const std::int32_t height = Bitmap.Height;

    PutU8(stream, 0);                                          // ID length
    PutU8(stream, 0);                                          // colour-map type
    PutU8(stream, rle ? kTypeRleTrueColour : kTypeTrueColour); // image type
    PutU16(stream, 0);                                         // colour-map first entry
    PutU16(stream, 0);                                         // colour-map length
    PutU8(stream, 0);                                          // colour-map entry size
    PutU16(stream, 0);                                         // X origin
    PutU16(stream, 0);                                         // Y origin
    PutU16(stream, static_cast<std::uint32_t>(width));         // width
    PutU16(stream, static_cast<std::uint32_t>(height));        // height
    PutU8(stream, depth);                                      // pixel depth
    PutU8(stream, depth == 32 ? 8 : 0); // descriptor: alpha bits, bottom-up rows

    std::vector<std::uint32_t> row(static_cast<std::size_t>(std::max(width, 0)));
    for (std::int32_t y = height - 1; y >= 0; --y) {
        for (std::int32_t x = 0; x < width; ++x)
            row[static_cast<std::size_t>(x)] = Bitmap.Pixel(x, y) & 0x00FFFFFFu;
        if (rle) {
            PutRleRow(stream, row);
            continue;
        }
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint32_t pixel = row[static_cast<std::size_t>(x)];
            if (depth == 16) {
                const std::uint32_t r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF,
                                    b = pixel & 0xFF;
                PutU16(stream, (r >> 3) << 10 | (g >> 3) << 5 | b >> 3);
            } else {
                PutBgr(stream, pixel);
                // The alpha bitmap taken at the picture's size: a pixel it
                // does not have is transparent.
                if (depth == 32) PutU8(stream, AlphaBitmap.Pixel(x, y));
            }
        }
    }
}

template <typename Source> void TTarga::Load(const Source& stream) {
    const std::uint64_t size = stream.Size();
    const ByteFields h = stream.Fields(0, kHeaderSize);
    IdLength = h.U8(kIdLength);
    ColorMapType = h.U8(kColorMapType);
    ImageTypeCode = h.U8(kImageType);
    ColorMapFirst = h.U16LE(kColorMapFirst);
    ColorMapLength = h.U16LE(kColorMapLength);
    ColorMapEntrySize = h.U8(kColorMapEntrySize);
    XOrigin = h.U16LE(kXOrigin);
    YOrigin = h.U16LE(kYOrigin);
    ImageWidth = h.U16LE(kWidth);
    ImageHeight = h.U16LE(kHeight);
    PixelDepth = h.U8(kPixelDepth);
    Descriptor = h.U8(kDescriptor);
    AlphaBits = Descriptor & kDescriptorAlphaBits;
    RightToLeft = (Descriptor & kDescriptorRightToLeft) != 0;
    TopOrigin = (Descriptor & kDescriptorTopOrigin) != 0;

    std::uint64_t at = kHeaderSize;
    ImageId = stream.Read(at, IdLength);
    at += IdLength;

    if (ColorMapType == kColorMapPresent) {
        if (ColorMapLength > kTargaMaxPalette)
            throw EImageRead("palette of " + std::to_string(ColorMapLength) +
                             " entries; at most 1,000 are read");
        const std::uint64_t entryBytes = (ColorMapEntrySize + 7u) / 8u;
        const ByteFields map = stream.Fields(at, ColorMapLength * entryBytes);
        const bool known = ColorMapEntrySize == 15 || ColorMapEntrySize == 16 ||
                           ColorMapEntrySize == 24 || ColorMapEntrySize == 32;
        for (std::uint64_t i = 0; known && i < ColorMapLength; ++i) {
            const std::uint8_t* p = map.At(at + i * entryBytes, entryBytes);
            if (entryBytes == 2)
                Palette.push_back(Colour16(p));
            else if (entryBytes == 3)
                Palette.push_back(Rgb(p[2], p[1], p[0]));
            else
                Palette.push_back(Rgb(p[2], p[1], p[0]) | std::uint32_t{p[3]} << 24);
        }
        at += ColorMapLength * entryBytes;
    }

    ImageKind = KindOf(ImageTypeCode);
    Bitmap.Width = AlphaBitmap.Width = ImageWidth;
    Bitmap.Height = AlphaBitmap.Height = ImageHeight;
    const std::optional<DecodedFormat> format = FormatOf(ImageTypeCode, PixelDepth);
    // Other types and depths stay blank, without pixel storage.
    if (!format || Bitmap.Empty()) return;

    // Refuse a header that claims more pixels than the rest of the file holds:
    // uncompressed, every pixel takes its bytes; RLE, a packet takes at least a
    // header and one pixel and gives at most 128 pixels. The pixel size divided
    // by is the decoded format's (1 to 4 bytes), never the header's depth / 8.
    const std::uint64_t pixels = std::uint64_t{ImageWidth} * ImageHeight;
    const std::uint64_t remaining = size - at;
    const std::uint64_t capacity =
        format->rle ? remaining / (1 + format->bytes) * kLongestPacket : remaining / format->bytes;
    if (pixels > capacity)
        throw EImageRead("the header claims " + std::to_string(ImageWidth) + " x " +
                         std::to_string(ImageHeight) + " pixels, more than the file's " +
                         std::to_string(remaining) + " bytes of pixel data hold");

    Bitmap.Pixels.assign(pixels, 0);
    AlphaBitmap.Pixels.assign(pixels, 0);
    PixelWriter out(*this, *format);
    const std::uint64_t rowBytes = ImageWidth * format->bytes;
    RleState state;
    for (std::int32_t stored = 0; stored < ImageHeight; ++stored) {
        if (!format->rle) {
            const ByteFields row = stream.Fields(at, rowBytes);
            for (std::int32_t column = 0; column < ImageWidth; ++column)
                out.Put(stored, column, row.At(at + column * format->bytes, format->bytes));
            at += rowBytes;
        } else {
            // Twice the row's length always holds one encoded row; near the end
            // of the file, whatever is left.
            const ByteFields chunk = stream.Fields(at, std::min(2 * rowBytes, size - at));
            at += DecodeRleRow(chunk, at, stored, ImageWidth, *format, state, out);
        }
    }
    PixelDepthCode = format->depthCode;
    AlphaPresent = format->pixels == Pixels::Colour32;
}

} // namespace sorvane
