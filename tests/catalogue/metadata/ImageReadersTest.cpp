// Tests of the image readers (TDCImageInfo, TTarga, TJpegImage) and the picture
// media block writers. The fixtures in tests/data/media/images are made by the
// make.sh beside them with ImageMagick: one 7x5 picture of 35 colours in every
// format and header form. Expected widths, heights and depths are identify's
// (geometry; depth x channels, or the colour-table bits of a GIF); where the
// catalogue's reading differs from identify the case says so. Edge cases are
// built byte by byte, one commented field per line; the robustness tests run
// every reader over truncated and mutated copies of every fixture.
#include "catalogue/metadata/ImageReaders.h"

#include "catalogue/metadata/ByteReader.h"
#include "catalogue/metadata/MediaWriters.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace sorvane {
namespace {

namespace fs = std::filesystem;

using Bytes = std::vector<std::uint8_t>;

std::string ImageFixture(const std::string& name) {
    const char* root = std::getenv("SORVANE_TEST_DATA");
    if (!root) ADD_FAILURE() << "SORVANE_TEST_DATA is not set";
    return std::string(root ? root : "tests/data") + "/media/images/" + name;
}

Bytes ReadFixtureBytes(const std::string& name) {
    std::ifstream in(ImageFixture(name), std::ios::binary);
    EXPECT_TRUE(in.good()) << "missing fixture " << name;
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The log of one writer or reader call.
struct ErrorLog {
    std::vector<std::string> lines;
    MediaErrorSink Sink() {
        return [this](const std::string& line) { lines.push_back(line); };
    }
};

// A folder of its own for each test, removed with all it holds.
class ImageTempFolder {
public:
    ImageTempFolder() {
        std::string pattern = (fs::temp_directory_path() / "sorvane-images-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
        path_ = pattern;
    }
    ~ImageTempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    ImageTempFolder(const ImageTempFolder&) = delete;
    ImageTempFolder& operator=(const ImageTempFolder&) = delete;

    std::string Put(const std::string& name, const Bytes& bytes) const {
        const std::string path = (path_ / name).string();
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        EXPECT_TRUE(out.good());
        return path;
    }
    std::string PathOf(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

void PutLE16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void SetLE32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// An 18-byte TGA header.
struct TargaHeaderFields {
    std::uint8_t idLength = 0;
    std::uint8_t mapType = 0;
    std::uint8_t type = 2;
    std::uint16_t mapFirst = 0;
    std::uint16_t mapLength = 0;
    std::uint8_t mapEntrySize = 0;
    std::uint16_t width = 1;
    std::uint16_t height = 1;
    std::uint8_t depth = 24;
    std::uint8_t descriptor = 0;
};

Bytes TargaHeader(const TargaHeaderFields& f) {
    Bytes b;
    b.push_back(f.idLength);     // ID length
    b.push_back(f.mapType);      // colour-map type
    b.push_back(f.type);         // image type
    PutLE16(b, f.mapFirst);      // colour-map first entry
    PutLE16(b, f.mapLength);     // colour-map length
    b.push_back(f.mapEntrySize); // colour-map entry size
    PutLE16(b, 0);               // X origin
    PutLE16(b, 0);               // Y origin
    PutLE16(b, f.width);         // width
    PutLE16(b, f.height);        // height
    b.push_back(f.depth);        // pixel depth
    b.push_back(f.descriptor);   // descriptor
    return b;
}

Bytes Joined(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// ---- TDCImageInfo over the fixtures ----

struct ImageInfoCase {
    const char* fixture;
    std::uint8_t type;
    std::int32_t width;
    std::int32_t height;
    std::int32_t bits;
};

void PrintTo(const ImageInfoCase& c, std::ostream* os) {
    *os << c.fixture;
}

class ImageInfoFixtures : public testing::TestWithParam<ImageInfoCase> {};

TEST_P(ImageInfoFixtures, ReadsTypeAndSizeAndDepth) {
    const ImageInfoCase& c = GetParam();
    TDCImageInfo info;
    ErrorLog log;
    info.OpenFileBitmap(ImageFixture(c.fixture), log.Sink());
    EXPECT_TRUE(log.lines.empty()) << log.lines.front();
    EXPECT_EQ(info.ImageType, c.type);
    EXPECT_EQ(info.Width, c.width);
    EXPECT_EQ(info.Height, c.height);
    EXPECT_EQ(info.BitsPerPixel, c.bits);
    EXPECT_EQ(info.FileSize, static_cast<std::int64_t>(ReadFixtureBytes(c.fixture).size()));
}

INSTANTIATE_TEST_SUITE_P(
    Image, ImageInfoFixtures,
    testing::Values(
        ImageInfoCase{"Image-bmp-info-24.bmp", kImageBMP, 7, 5, 24},
        ImageInfoCase{"Image-bmp-v5-24.bmp", kImageBMP, 7, 5, 24},
        // OS/2 core header: 16-bit width and height at 18 and 20, bits at 24.
        ImageInfoCase{"Image-bmp-os2-24.bmp", kImageBMP, 7, 5, 24},
        // Height -5 in the file: rows stored top-down.
        ImageInfoCase{"Image-bmp-topdown-24.bmp", kImageBMP, 7, 5, 24},
        // A 4-entry global colour table: 2 bits.
        ImageInfoCase{"Image-gif-4colours.gif", kImageGIF, 7, 5, 2},
        ImageInfoCase{"Image-png-grey-8.png", kImagePNG, 7, 5, 8},
        ImageInfoCase{"Image-png-rgb-24.png", kImagePNG, 7, 5, 24},
        ImageInfoCase{"Image-png-rgba-32.png", kImagePNG, 7, 5, 32},
        // identify reports the file's depth 2; a colour-mapped PNG is catalogued as 8 bits.
        ImageInfoCase{"Image-png-palette-2.png", kImagePNG, 7, 5, 8},
        // 8 bits per plane, 3 planes.
        ImageInfoCase{"Image-pcx-24.pcx", kImagePCX, 7, 5, 24},
        // Bits per sample 8, 8, 8 stored outside the entry: their sum.
        ImageInfoCase{"Image-tiff-le-24.tif", kImageTIFF, 7, 5, 24},
        ImageInfoCase{"Image-tiff-be-24.tif", kImageTIFF, 7, 5, 24},
        ImageInfoCase{"Image-tiff-le-grey-8.tif", kImageTIFF, 7, 5, 8},
        // Files of the other readers are no image here, without a failure.
        ImageInfoCase{"Jpeg-baseline.jpg", kImageNone, 0, 0, 0},
        ImageInfoCase{"Targa-truecolour-24.tga", kImageNone, 0, 0, 0}),
    [](const testing::TestParamInfo<ImageInfoCase>& info) {
        std::string name = info.param.fixture;
        std::replace_if(
            name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
        return name;
    });

// Each reader reads its header and no further: a copy cut just after the last
// header byte it reads gives the same values as the whole file.
struct HeaderPrefixCase {
    const char* fixture;
    std::size_t length;
};

TEST(ImageInfo, ReadsOnlyTheHeaderBytesItNeeds) {
    const HeaderPrefixCase cases[] = {
        {"Image-png-rgb-24.png", 26},      // through the colour type at 25
        {"Image-gif-4colours.gif", 11},    // through the flags at 10
        {"Image-bmp-info-24.bmp", 29},     // through the bit count at 28
        {"Image-bmp-os2-24.bmp", 25},      // through the core header's bit count at 24
        {"Image-pcx-24.pcx", 66},          // through the plane count at 65
        {"Image-tiff-le-grey-8.tif", 202}, // its directory, without the next one's offset
    };
    ImageTempFolder temp;
    for (const HeaderPrefixCase& c : cases) {
        SCOPED_TRACE(c.fixture);
        TDCImageInfo whole, cut;
        ErrorLog log;
        whole.OpenFileBitmap(ImageFixture(c.fixture), log.Sink());
        Bytes bytes = ReadFixtureBytes(c.fixture);
        bytes.resize(c.length);
        cut.OpenFileBitmap(temp.Put("cut", bytes), log.Sink());
        EXPECT_TRUE(log.lines.empty());
        EXPECT_EQ(cut.ImageType, whole.ImageType);
        EXPECT_EQ(cut.Width, whole.Width);
        EXPECT_EQ(cut.Height, whole.Height);
        EXPECT_EQ(cut.BitsPerPixel, whole.BitsPerPixel);
        // One byte less is a failure of the format's reader.
        bytes.pop_back();
        cut.OpenFileBitmap(temp.Put("cut", bytes), log.Sink());
        EXPECT_EQ(cut.ImageType, kImageNone);
        ASSERT_EQ(log.lines.size(), 1u);
        EXPECT_NE(log.lines[0].find(" failure on "), std::string::npos);
    }
}

// ---- TDCImageInfo edge cases ----

class ImageInfoEdges : public testing::Test {
protected:
    // Reads `bytes` as a file; the lines logged are kept in log_.
    TDCImageInfo Read(const Bytes& bytes, const std::string& name = "edge") {
        path_ = temp_.Put(name, bytes);
        TDCImageInfo info;
        info.OpenFileBitmap(path_, log_.Sink());
        return info;
    }
    void ExpectCleared(const TDCImageInfo& info) {
        EXPECT_EQ(info.ImageType, kImageNone);
        EXPECT_EQ(info.Width, 0);
        EXPECT_EQ(info.Height, 0);
        EXPECT_EQ(info.BitsPerPixel, 0);
    }
    // A copy of the BMP fixture with a 32-bit field changed.
    Bytes BmpWith(std::size_t at, std::uint32_t value) {
        Bytes b = ReadFixtureBytes("Image-bmp-info-24.bmp");
        SetLE32(b, at, value);
        return b;
    }

    ImageTempFolder temp_;
    ErrorLog log_;
    std::string path_;
};

TEST_F(ImageInfoEdges, MissingFileIsAnOpenFailure) {
    TDCImageInfo info;
    const std::string path = temp_.PathOf("absent.png");
    info.OpenFileBitmap(path, log_.Sink());
    ExpectCleared(info);
    EXPECT_EQ(log_.lines, std::vector<std::string>{"OpenFileBitmap failure on " + path});
}

TEST_F(ImageInfoEdges, ThreeByteFileIsTooSmall) {
    ExpectCleared(Read({'B', 'M', 0}));
    EXPECT_EQ(log_.lines, std::vector<std::string>{"ReadFile failure on " + path_ +
                                                   ": file too small: 3 bytes"});
}

TEST_F(ImageInfoEdges, FourByteBmpFailsInReadBMP) {
    ExpectCleared(Read({'B', 'M', 0, 0}));
    ASSERT_EQ(log_.lines.size(), 1u);
    EXPECT_EQ(log_.lines[0], "ReadBMP failure on " + path_ +
                                 ": read beyond the end of the file: 4 bytes at offset 14 of a "
                                 "file of 4 bytes");
}

TEST_F(ImageInfoEdges, UnknownSignatureIsNoImageWithoutALine) {
    ExpectCleared(Read({'X', 'Y', 'Z', 0, 0}));
    EXPECT_TRUE(log_.lines.empty());
}

TEST_F(ImageInfoEdges, FieldsAreClearedBetweenFiles) {
    TDCImageInfo info;
    info.OpenFileBitmap(ImageFixture("Image-png-rgb-24.png"), log_.Sink());
    ASSERT_EQ(info.ImageType, kImagePNG);
    info.OpenFileBitmap(temp_.Put("other", {'X', 'Y', 'Z', 0}), log_.Sink());
    ExpectCleared(info);
}

TEST_F(ImageInfoEdges, PngOfUnknownColourTypeIsNoImage) {
    Bytes b = ReadFixtureBytes("Image-png-rgb-24.png");
    b[25] = 5; // colour type
    ExpectCleared(Read(b));
    EXPECT_TRUE(log_.lines.empty());
}

TEST_F(ImageInfoEdges, PngKeepsTheLowHalfOfItsWidthAndHeight) {
    Bytes b = ReadFixtureBytes("Image-png-rgb-24.png");
    b[16] = 0x01, b[17] = 0x00, b[18] = 0x01, b[19] = 0x2C; // width 0x0100012C
    const TDCImageInfo info = Read(b);
    EXPECT_EQ(info.Width, 300);
    EXPECT_EQ(info.Height, 5);
}

TEST_F(ImageInfoEdges, TopDownBmpHeightIsPositive) {
    const TDCImageInfo info = Read(BmpWith(22, static_cast<std::uint32_t>(-480)));
    EXPECT_EQ(info.ImageType, kImageBMP);
    EXPECT_EQ(info.Height, 480);
    EXPECT_TRUE(log_.lines.empty());
}

TEST_F(ImageInfoEdges, BmpOfMostNegativeHeightIsRefused) {
    ExpectCleared(Read(BmpWith(22, 0x80000000u)));
    ASSERT_EQ(log_.lines.size(), 1u);
    EXPECT_EQ(log_.lines[0], "ReadBMP failure on " + path_ + ": invalid height: -2147483648");
}

TEST_F(ImageInfoEdges, BmpOfNegativeWidthIsRefused) {
    ExpectCleared(Read(BmpWith(18, static_cast<std::uint32_t>(-7))));
    ASSERT_EQ(log_.lines.size(), 1u);
    EXPECT_EQ(log_.lines[0], "ReadBMP failure on " + path_ + ": negative width: -7");
}

TEST_F(ImageInfoEdges, BmpWiderThan16BitsKeepsItsWidth) {
    const TDCImageInfo info = Read(BmpWith(18, 70000));
    EXPECT_EQ(info.Width, 70000);
}

TEST_F(ImageInfoEdges, Os2BmpReadsItsCoreHeader) {
    Bytes b = ReadFixtureBytes("Image-bmp-os2-24.bmp");
    b[18] = 0x80, b[19] = 0x02; // width 640
    b[20] = 0xE0, b[21] = 0x01; // height 480
    const TDCImageInfo info = Read(b);
    EXPECT_EQ(info.Width, 640);
    EXPECT_EQ(info.Height, 480);
    EXPECT_EQ(info.BitsPerPixel, 24);
}

TEST_F(ImageInfoEdges, PcxWithAnInvertedWindowIsRefused) {
    Bytes b = ReadFixtureBytes("Image-pcx-24.pcx");
    b[4] = 9, b[5] = 0; // xmin 9 beyond xmax 6
    ExpectCleared(Read(b));
    ASSERT_EQ(log_.lines.size(), 1u);
    EXPECT_EQ(log_.lines[0], "ReadPCX failure on " + path_ + ": invalid picture window: -2 x 5");
}

TEST_F(ImageInfoEdges, PcxWindowNeedNotStartAtZero) {
    Bytes b = ReadFixtureBytes("Image-pcx-24.pcx");
    b[4] = 2, b[8] = 8;    // x from 2 to 8
    b[6] = 10, b[10] = 19; // y from 10 to 19
    const TDCImageInfo info = Read(b);
    EXPECT_EQ(info.Width, 7);
    EXPECT_EQ(info.Height, 10);
}

// Entry `tag` of the first directory of a little-endian TIFF, found by walking it.
std::size_t TiffEntry(const Bytes& b, std::uint16_t tag) {
    const std::size_t dir = b[4] | b[5] << 8 | b[6] << 16 | b[7] << 24;
    const std::size_t count = b[dir] | b[dir + 1] << 8;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = dir + 2 + 12 * i;
        if ((b[entry] | b[entry + 1] << 8) == tag) return entry;
    }
    ADD_FAILURE() << "no tag " << tag;
    return 0;
}

TEST_F(ImageInfoEdges, TiffWithoutBitsPerSampleIsNoImage) {
    Bytes b = ReadFixtureBytes("Image-tiff-le-grey-8.tif");
    const std::size_t entry = TiffEntry(b, 258);
    b[entry] = 0xFF, b[entry + 1] = 0x7F; // another tag
    ExpectCleared(Read(b));
    EXPECT_TRUE(log_.lines.empty());
}

TEST_F(ImageInfoEdges, TiffOfUnreadFieldTypeIsNoImage) {
    Bytes b = ReadFixtureBytes("Image-tiff-le-grey-8.tif");
    b[TiffEntry(b, 256) + 2] = 5; // width as a RATIONAL
    ExpectCleared(Read(b));
    EXPECT_TRUE(log_.lines.empty());
}

TEST_F(ImageInfoEdges, TiffWidthBeyondAnIntegerIsNoImage) {
    Bytes b = ReadFixtureBytes("Image-tiff-le-grey-8.tif");
    const std::size_t entry = TiffEntry(b, 256);
    b[entry + 2] = 4;                   // LONG
    SetLE32(b, entry + 8, 0xFFFFFFFFu); // width
    ExpectCleared(Read(b));
}

TEST_F(ImageInfoEdges, TiffDirectoryBeyondTheFileFails) {
    Bytes b = ReadFixtureBytes("Image-tiff-le-grey-8.tif");
    SetLE32(b, 4, 0xFFFFFFF0u);
    ExpectCleared(Read(b));
    ASSERT_EQ(log_.lines.size(), 1u);
    EXPECT_EQ(log_.lines[0].rfind("ReadLETIFF failure on " + path_ + ": read beyond the end", 0),
              0u);
}

TEST_F(ImageInfoEdges, TiffEntryCountBeyondTheFileFails) {
    Bytes b = ReadFixtureBytes("Image-tiff-le-grey-8.tif");
    const std::size_t dir = b[4] | b[5] << 8;
    b[dir] = 0xFF, b[dir + 1] = 0xFF; // 65535 entries
    ExpectCleared(Read(b));
    ASSERT_EQ(log_.lines.size(), 1u);
    EXPECT_NE(log_.lines[0].find("786420 bytes at offset"), std::string::npos) << log_.lines[0];
}

TEST_F(ImageInfoEdges, TiffSampleCountsOutsideTheFileFail) {
    Bytes b = ReadFixtureBytes("Image-tiff-le-24.tif");
    SetLE32(b, TiffEntry(b, 258) + 8, 0x7FFFFFFFu); // offset of the counts
    ExpectCleared(Read(b));
    ASSERT_EQ(log_.lines.size(), 1u);
}

TEST_F(ImageInfoEdges, BigEndianTiffIsRecognisedByItsFirstThreeBytes) {
    const Bytes b = ReadFixtureBytes("Image-tiff-be-24.tif");
    ASSERT_EQ(Bytes(b.begin(), b.begin() + 4), (Bytes{'M', 'M', 0, '*'}));
    EXPECT_EQ(Read(b).ImageType, kImageTIFF);
}

// A sparse file of `size` bytes that begins with `start`; false when the file
// system cannot hold one.
bool PutSparse(const std::string& path, const Bytes& start, std::uint64_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    const bool ok = ::write(fd, start.data(), start.size()) == static_cast<ssize_t>(start.size()) &&
                    ::ftruncate(fd, static_cast<off_t>(size)) == 0;
    ::close(fd);
    return ok;
}

TEST_F(ImageInfoEdges, FileOf2GiBOrMoreIsRefusedForTheCallerToLog) {
    const Bytes header = ReadFixtureBytes("Image-bmp-info-24.bmp");
    const std::string path = temp_.PathOf("huge.bmp");
    if (!PutSparse(path, header, 0x80000000ULL)) GTEST_SKIP() << "no sparse files here";
    TDCImageInfo info;
    EXPECT_THROW(info.OpenFileBitmap(path, log_.Sink()), EImageRead);
    ExpectCleared(info);
    EXPECT_TRUE(log_.lines.empty());

    // The writer's frame logs it.
    MediaReaders readers;
    EXPECT_EQ(ReadBMP(readers, path, log_.Sink()), "");
    EXPECT_EQ(log_.lines, std::vector<std::string>{"ReadBMP failure on " + path +
                                                   ": file of 2 GiB or more: 2147483648 bytes"});

    // One byte less is read.
    ASSERT_TRUE(PutSparse(path, header, 0x7FFFFFFFULL));
    info.OpenFileBitmap(path, log_.Sink());
    EXPECT_EQ(info.ImageType, kImageBMP);
    EXPECT_EQ(info.FileSize, 0x7FFFFFFF);
}

// ---- TTarga ----

struct TargaCase {
    const char* fixture;
    std::uint8_t kind;
    std::uint8_t depthCode;
    bool alpha;
};

void PrintTo(const TargaCase& c, std::ostream* os) {
    *os << c.fixture;
}

class TargaFixtures : public testing::TestWithParam<TargaCase> {};

TEST_P(TargaFixtures, DecodesSizeAndDepth) {
    const TargaCase& c = GetParam();
    TTarga tga;
    int progress = 0;
    tga.OnProgress = [&] { ++progress; };
    tga.LoadFromFile(ImageFixture(c.fixture));
    EXPECT_EQ(tga.GetWidth(), 7);
    EXPECT_EQ(tga.GetHeight(), 5);
    EXPECT_FALSE(tga.GetEmpty());
    EXPECT_EQ(tga.ImageKind, c.kind);
    EXPECT_EQ(tga.PixelDepthCode, c.depthCode);
    EXPECT_EQ(tga.AlphaPresent, c.alpha);
    EXPECT_EQ(tga.Bitmap.Pixels.size(), 35u);
    EXPECT_EQ(progress, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Targa, TargaFixtures,
    testing::Values(TargaCase{"Targa-truecolour-24.tga", kTargaKindTrueColour, kTargaDepth24,
                              false},
                    TargaCase{"Targa-rle-24.tga", kTargaKindRleTrueColour, kTargaDepth24, false},
                    TargaCase{"Targa-rle-32.tga", kTargaKindRleTrueColour, kTargaDepth32, true},
                    TargaCase{"Targa-palette-8.tga", kTargaKindColourMapped, kTargaDepth8, false},
                    TargaCase{"Targa-grey-8.tga", kTargaKindGrey, kTargaDepth8, false}),
    [](const testing::TestParamInfo<TargaCase>& info) {
        std::string name = info.param.fixture;
        std::replace_if(
            name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
        return name;
    });

std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return b | g << 8 | r << 16;
}

// The RLE decode gives the plain file's pixels; the corners are those the
// make.sh formula gives (red across, green down).
TEST(Targa, RleDecodeMatchesTheUncompressedFile) {
    TTarga plain, rle;
    plain.LoadFromFile(ImageFixture("Targa-truecolour-24.tga"));
    rle.LoadFromFile(ImageFixture("Targa-rle-24.tga"));
    EXPECT_EQ(rle.Bitmap.Pixels, plain.Bitmap.Pixels);
    EXPECT_EQ(plain.Bitmap.Pixel(0, 0), Rgb(0, 0, 0));
    EXPECT_EQ(plain.Bitmap.Pixel(6, 0), Rgb(255, 0, 153));
    EXPECT_EQ(plain.Bitmap.Pixel(0, 4), Rgb(0, 255, 102));
    EXPECT_EQ(plain.Bitmap.Pixel(6, 4), Rgb(255, 255, 255));
}

TEST(Targa, ThirtyTwoBitRleFillsTheAlphaBitmap) {
    TTarga tga;
    tga.LoadFromFile(ImageFixture("Targa-rle-32.tga"));
    EXPECT_EQ(tga.AlphaBitmap.Pixel(3, 2), Rgb(0x80, 0x80, 0x80)); // make.sh: alpha 50%
    EXPECT_EQ(tga.Bitmap.Pixel(6, 0), Rgb(255, 0, 153));
}

TEST(Targa, PaletteAndGreyPixels) {
    TTarga grey, palette;
    grey.LoadFromFile(ImageFixture("Targa-grey-8.tga"));
    EXPECT_EQ(grey.Bitmap.Pixel(0, 0), Rgb(0, 0, 0));
    EXPECT_EQ(grey.Bitmap.Pixel(6, 4), Rgb(255, 255, 255));
    palette.LoadFromFile(ImageFixture("Targa-palette-8.tga"));
    EXPECT_EQ(palette.Palette.size(), 4u);
    for (std::uint32_t pixel : palette.Bitmap.Pixels)
        EXPECT_NE(std::find_if(palette.Palette.begin(), palette.Palette.end(),
                               [&](std::uint32_t entry) { return (entry & 0xFFFFFF) == pixel; }),
                  palette.Palette.end());
}

class TargaEdges : public testing::Test {
protected:
    TTarga Load(const Bytes& bytes) {
        TTarga tga;
        tga.LoadFromFile(temp_.Put("edge.tga", bytes));
        return tga;
    }
    ImageTempFolder temp_;
};

// Two rows of one 24-bit pixel each: the first stored red, the second blue.
Bytes TwoRows(std::uint8_t descriptor) {
    TargaHeaderFields f;
    f.height = 2;
    f.descriptor = descriptor;
    return Joined(TargaHeader(f), {0, 0, 255, /* */ 255, 0, 0});
}

TEST_F(TargaEdges, RowsAreBottomUpByDefault) {
    const TTarga tga = Load(TwoRows(0));
    EXPECT_EQ(tga.Bitmap.Pixel(0, 1), Rgb(255, 0, 0));
    EXPECT_EQ(tga.Bitmap.Pixel(0, 0), Rgb(0, 0, 255));
}

TEST_F(TargaEdges, TopOriginIsNotTurnedUpsideDown) {
    const TTarga tga = Load(TwoRows(0x20));
    EXPECT_TRUE(tga.TopOrigin);
    EXPECT_EQ(tga.Bitmap.Pixel(0, 0), Rgb(255, 0, 0));
    EXPECT_EQ(tga.Bitmap.Pixel(0, 1), Rgb(0, 0, 255));
}

// Bit 4 also makes the first stored row the top row, and mirrors nothing.
TEST_F(TargaEdges, RightToLeftRowsAreTopFirstAndNotMirrored) {
    TargaHeaderFields f;
    f.width = 2;
    f.height = 2;
    f.descriptor = 0x10;
    const TTarga tga = Load(Joined(TargaHeader(f), {0, 0, 255, /* */ 255, 0, 0, //
                                                    0, 255, 0, /* */ 0, 0, 0}));
    EXPECT_TRUE(tga.RightToLeft);
    EXPECT_EQ(tga.Bitmap.Pixel(0, 0), Rgb(255, 0, 0));
    EXPECT_EQ(tga.Bitmap.Pixel(1, 0), Rgb(0, 0, 255));
    EXPECT_EQ(tga.Bitmap.Pixel(0, 1), Rgb(0, 255, 0));
}

TEST_F(TargaEdges, RlePacketsRunOnIntoTheNextRow) {
    TargaHeaderFields f;
    f.type = 10;
    f.width = 2;
    f.height = 2;
    f.descriptor = 0x20;
    const TTarga tga = Load(Joined(TargaHeader(f), {
                                                       0x82, 0, 255, 0, // 3 green pixels
                                                       0x00, 255, 0, 0, // 1 literal blue pixel
                                                   }));
    EXPECT_EQ(tga.Bitmap.Pixel(0, 0), Rgb(0, 255, 0));
    EXPECT_EQ(tga.Bitmap.Pixel(1, 0), Rgb(0, 255, 0));
    EXPECT_EQ(tga.Bitmap.Pixel(0, 1), Rgb(0, 255, 0));
    EXPECT_EQ(tga.Bitmap.Pixel(1, 1), Rgb(0, 0, 255));
}

TEST_F(TargaEdges, SixteenBitPixels) {
    TargaHeaderFields f;
    f.depth = 16;
    f.width = 2;
    const TTarga tga = Load(Joined(TargaHeader(f), {0x00, 0x7C, /* red */ 0x1F, 0x00 /* blue */}));
    EXPECT_EQ(tga.PixelDepthCode, kTargaDepth16);
    EXPECT_EQ(tga.Bitmap.Pixel(0, 0), Rgb(255, 0, 0));
    EXPECT_EQ(tga.Bitmap.Pixel(1, 0), Rgb(0, 0, 255));
}

TEST_F(TargaEdges, ColourMapFirstEntryOffsetsTheIndex) {
    TargaHeaderFields f;
    f.mapType = 1;
    f.type = 1;
    f.mapFirst = 10;
    f.mapLength = 2;
    f.mapEntrySize = 24;
    f.depth = 8;
    f.width = 3;
    const TTarga tga = Load(Joined(TargaHeader(f), {
                                                       255, 0, 0, // entry 10: blue
                                                       0, 0, 255, // entry 11: red
                                                       11, 10, 3, // pixels; 3 has no entry
                                                   }));
    EXPECT_EQ(tga.Bitmap.Pixel(0, 0), Rgb(255, 0, 0));
    EXPECT_EQ(tga.Bitmap.Pixel(1, 0), Rgb(0, 0, 255));
    EXPECT_EQ(tga.Bitmap.Pixel(2, 0), 0u);
}

TEST_F(TargaEdges, ImageIdIsRead) {
    TargaHeaderFields f;
    f.idLength = 3;
    const TTarga tga = Load(Joined(TargaHeader(f), {'a', 'b', 'c', 1, 2, 3}));
    EXPECT_EQ(tga.ImageId, "abc");
    EXPECT_EQ(tga.Bitmap.Pixel(0, 0), Rgb(3, 2, 1));
}

TEST_F(TargaEdges, UndecodedTypeStaysBlankWithTheHeaderSize) {
    TargaHeaderFields f;
    f.type = 1; // colour-mapped with 16-bit pixels: not decoded
    f.depth = 16;
    f.width = 640;
    f.height = 480;
    const TTarga tga = Load(TargaHeader(f));
    EXPECT_FALSE(tga.GetEmpty());
    EXPECT_EQ(tga.GetWidth(), 640);
    EXPECT_EQ(tga.GetHeight(), 480);
    EXPECT_TRUE(tga.Bitmap.Pixels.empty()); // blank, no storage
    EXPECT_EQ(tga.Bitmap.Pixel(5, 5), 0u);
    EXPECT_EQ(tga.PixelDepthCode, kTargaDepthUnknown);
}

TEST_F(TargaEdges, DepthCodeIsKeptByLoadsThatDecodeNoPicture) {
    TTarga tga;
    tga.LoadFromFile(ImageFixture("Targa-rle-32.tga"));
    ASSERT_EQ(tga.PixelDepthCode, kTargaDepth32);
    TargaHeaderFields f;
    f.type = 1;
    f.depth = 16;
    tga.LoadFromFile(temp_.Put("undecoded.tga", TargaHeader(f)));
    EXPECT_EQ(tga.PixelDepthCode, kTargaDepth32);
    EXPECT_FALSE(tga.AlphaPresent);

    tga.LoadFromFile(ImageFixture("Targa-grey-8.tga"));
    Bytes cut = ReadFixtureBytes("Targa-truecolour-24.tga");
    cut.pop_back();
    EXPECT_THROW(tga.LoadFromFile(temp_.Put("cut.tga", cut)), EImageRead);
    EXPECT_EQ(tga.PixelDepthCode, kTargaDepth8);
    EXPECT_TRUE(tga.GetEmpty());
}

// Pixel depths that are no whole number of bytes, 0 among them, are never
// decoded: the pixel size they would give is never used to divide or step.
TEST_F(TargaEdges, DepthsOfNoWholeByteAreNotDecoded) {
    for (std::uint8_t type : {1, 2, 3, 9, 10, 11}) {
        for (std::uint8_t depth : {0, 1, 7, 15, 31, 255}) {
            TargaHeaderFields f;
            f.type = type;
            f.depth = depth;
            f.width = 4;
            f.height = 4;
            const TTarga tga = Load(Joined(TargaHeader(f), Bytes(8, 0x81)));
            EXPECT_TRUE(tga.Bitmap.Pixels.empty());
            EXPECT_EQ(tga.PixelDepthCode, kTargaDepthUnknown);
        }
    }
}

TEST_F(TargaEdges, HeaderClaimingMorePixelsThanTheFileHoldsIsRefusedUnallocated) {
    TargaHeaderFields f;
    f.depth = 32;
    f.width = 65535;
    f.height = 65535; // 16 GiB of pixels in a 22-byte file
    TTarga tga;
    try {
        tga.LoadFromFile(temp_.Put("claims.tga", Joined(TargaHeader(f), {1, 2, 3, 4})));
        ADD_FAILURE() << "loaded";
    } catch (const EImageRead& e) {
        EXPECT_STREQ(e.what(), "the header claims 65535 x 65535 pixels, more than the file's 4 "
                               "bytes of pixel data hold");
    }
    EXPECT_TRUE(tga.GetEmpty());
    EXPECT_EQ(tga.Bitmap.Pixels.capacity(), 0u);

    // RLE: 2 bytes of a grey repeat packet give at most 128 pixels.
    f.type = 11;
    f.depth = 8;
    f.width = 129;
    f.height = 1;
    EXPECT_THROW(tga.LoadFromFile(temp_.Put("claims.tga", Joined(TargaHeader(f), {0xFF, 7}))),
                 EImageRead);
    f.width = 128;
    tga.LoadFromFile(temp_.Put("holds.tga", Joined(TargaHeader(f), {0xFF, 7})));
    EXPECT_EQ(tga.Bitmap.Pixel(127, 0), Rgb(7, 7, 7));
}

TEST_F(TargaEdges, RleFileEndingInsideARowFails) {
    TargaHeaderFields f;
    f.type = 10;
    f.width = 4;
    f.height = 2;
    // One row of 4 pixels, then a literal packet of 4 with only one pixel after it.
    EXPECT_THROW(Load(Joined(TargaHeader(f), {0x83, 1, 2, 3, 0x03, 4, 5, 6})), EImageRead);
}

TEST_F(TargaEdges, PaletteOfMoreThan1000EntriesFails) {
    TargaHeaderFields f;
    f.mapType = 1;
    f.type = 1;
    f.mapLength = 1001;
    f.mapEntrySize = 24;
    f.depth = 8;
    try {
        Load(Joined(TargaHeader(f), Bytes(3 * 1001 + 1, 0)));
        ADD_FAILURE() << "loaded";
    } catch (const EImageRead& e) {
        EXPECT_STREQ(e.what(), "palette of 1001 entries; at most 1,000 are read");
    }
}

TEST_F(TargaEdges, FileEndingInsideTheHeaderIdOrPaletteFails) {
    TargaHeaderFields f;
    f.idLength = 10;
    EXPECT_THROW(Load(Bytes(17, 0)), EImageRead);
    EXPECT_THROW(Load(Joined(TargaHeader(f), Bytes(9, 'x'))), EImageRead);
    f.idLength = 0;
    f.mapType = 1;
    f.mapLength = 4;
    f.mapEntrySize = 32;
    EXPECT_THROW(Load(Joined(TargaHeader(f), Bytes(15, 0))), EImageRead);
}

// ---- TJpegImage ----

struct JpegCase {
    const char* fixture;
    bool progressive;
    int components;
};

TEST(Jpeg, ReadsTheHeaderOfEachFixture) {
    const JpegCase cases[] = {
        {"Jpeg-baseline.jpg", false, 3},
        {"Jpeg-progressive.jpg", true, 3},
        {"Jpeg-grey.jpg", false, 1},
    };
    for (const JpegCase& c : cases) {
        SCOPED_TRACE(c.fixture);
        TJpegImage jpeg;
        jpeg.LoadFromFile(ImageFixture(c.fixture));
        EXPECT_FALSE(jpeg.Empty());
        EXPECT_EQ(jpeg.GetWidth(), 7);
        EXPECT_EQ(jpeg.GetHeight(), 5);
        EXPECT_EQ(jpeg.Progressive, c.progressive);
        EXPECT_EQ(jpeg.Components, c.components);
    }
}

// The end of the first start-of-scan header.
std::size_t EndOfFirstScanHeader(const Bytes& b) {
    for (std::size_t i = 2; i + 3 < b.size(); ++i)
        if (b[i] == 0xFF && b[i + 1] == 0xDA) return i + 2 + (b[i + 2] << 8 | b[i + 3]);
    ADD_FAILURE() << "no scan";
    return b.size();
}

TEST(Jpeg, NeedsOnlyTheHeaderUpToTheFirstScan) {
    ImageTempFolder temp;
    for (const char* fixture : {"Jpeg-baseline.jpg", "Jpeg-progressive.jpg"}) {
        SCOPED_TRACE(fixture);
        Bytes b = ReadFixtureBytes(fixture);
        b.resize(EndOfFirstScanHeader(b));
        TJpegImage jpeg;
        jpeg.LoadFromFile(temp.Put("header.jpg", b));
        EXPECT_EQ(jpeg.GetWidth(), 7);
        b.pop_back();
        EXPECT_THROW(jpeg.LoadFromFile(temp.Put("header.jpg", b)), EImageRead);
        EXPECT_TRUE(jpeg.Empty());
    }
}

TEST(Jpeg, ErrorsComeBackAsExceptions) {
    ImageTempFolder temp;
    TJpegImage jpeg;
    try {
        jpeg.LoadFromFile(ImageFixture("Image-png-rgb-24.png"));
        ADD_FAILURE() << "loaded";
    } catch (const EImageRead& e) {
        EXPECT_STREQ(e.what(), "Not a JPEG file: starts with 0x89 0x50");
    }
    try {
        jpeg.LoadFromFile(temp.Put("cut.jpg", {0xFF, 0xD8, 0xFF}));
        ADD_FAILURE() << "loaded";
    } catch (const EImageRead& e) {
        EXPECT_STREQ(e.what(), "Premature end of input file");
    }
    EXPECT_THROW(jpeg.LoadFromFile(temp.PathOf("absent.jpg")), EImageRead);
    EXPECT_TRUE(jpeg.Empty());
}

TEST(Jpeg, LargeMarkersAreSkipped) {
    // An APP1 marker of 60,000 bytes before the fixture's own markers; the
    // bytes it holds are passed over.
    Bytes b = ReadFixtureBytes("Jpeg-baseline.jpg");
    Bytes app1 = {0xFF, 0xE1, 0xEA, 0x60};
    app1.resize(60002, 0xAB);
    b.insert(b.begin() + 2, app1.begin(), app1.end());
    ImageTempFolder temp;
    TJpegImage jpeg;
    jpeg.LoadFromFile(temp.Put("app1.jpg", b));
    EXPECT_EQ(jpeg.GetWidth(), 7);
}

// ---- The writers ----

using Writer = std::string (*)(MediaReaders&, const std::string&, const MediaErrorSink&);

struct WriterCase {
    const char* name;
    Writer writer;
    const char* fixture;
    const char* block; // "" for none
};

// The 7 x 5 block: character 26, "  '" (7), "  %" (5), the depth's code, 26.
// The depth codes: "8" 24, "@" 32, "(" 8, "\"" 2.
TEST(ImageWriters, WriteTheBlockOfEachFixture) {
    const WriterCase cases[] = {
        {"ReadBMP", ReadBMP, "Image-bmp-info-24.bmp", "\x1A  '  %8\x1A"},
        {"ReadBMP", ReadBMP, "Image-bmp-v5-24.bmp", "\x1A  '  %8\x1A"},
        {"ReadBMP", ReadBMP, "Image-bmp-os2-24.bmp", "\x1A  '  %8\x1A"},
        {"ReadBMP", ReadBMP, "Image-bmp-topdown-24.bmp", "\x1A  '  %8\x1A"},
        {"ReadGIF", ReadGIF, "Image-gif-4colours.gif", "\x1A  '  %\"\x1A"},
        {"ReadPNG", ReadPNG, "Image-png-grey-8.png", "\x1A  '  %(\x1A"},
        {"ReadPNG", ReadPNG, "Image-png-rgb-24.png", "\x1A  '  %8\x1A"},
        {"ReadPNG", ReadPNG, "Image-png-rgba-32.png", "\x1A  '  %@\x1A"},
        {"ReadPNG", ReadPNG, "Image-png-palette-2.png", "\x1A  '  %(\x1A"},
        {"ReadPCX", ReadPCX, "Image-pcx-24.pcx", "\x1A  '  %8\x1A"},
        {"ReadTIF", ReadTIF, "Image-tiff-le-24.tif", "\x1A  '  %8\x1A"},
        {"ReadTIF", ReadTIF, "Image-tiff-be-24.tif", "\x1A  '  %8\x1A"},
        {"ReadTIF", ReadTIF, "Image-tiff-le-grey-8.tif", "\x1A  '  %(\x1A"},
        {"ReadJPEG", ReadJPEG, "Jpeg-baseline.jpg", "\x1A  '  %8\x1A"},
        {"ReadJPEG", ReadJPEG, "Jpeg-progressive.jpg", "\x1A  '  %8\x1A"},
        {"ReadJPEG", ReadJPEG, "Jpeg-grey.jpg", "\x1A  '  %8\x1A"}, // 24 whatever its colours
        {"ReadTarga", ReadTarga, "Targa-truecolour-24.tga", "\x1A  '  %8\x1A"},
        {"ReadTarga", ReadTarga, "Targa-rle-24.tga", "\x1A  '  %8\x1A"},
        {"ReadTarga", ReadTarga, "Targa-rle-32.tga", "\x1A  '  %@\x1A"},
        {"ReadTarga", ReadTarga, "Targa-palette-8.tga", "\x1A  '  %(\x1A"},
        {"ReadTarga", ReadTarga, "Targa-grey-8.tga", "\x1A  '  %(\x1A"},
        // A file that the image reader takes for another type: no block, no line.
        {"ReadBMP", ReadBMP, "Image-png-rgb-24.png", ""},
        {"ReadGIF", ReadGIF, "Image-bmp-info-24.bmp", ""},
        {"ReadPNG", ReadPNG, "Image-gif-4colours.gif", ""},
        {"ReadPCX", ReadPCX, "Image-tiff-le-24.tif", ""},
        {"ReadTIF", ReadTIF, "Image-pcx-24.pcx", ""},
    };
    MediaReaders readers;
    for (const WriterCase& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.fixture);
        ErrorLog log;
        EXPECT_EQ(c.writer(readers, ImageFixture(c.fixture), log.Sink()), c.block);
        EXPECT_TRUE(log.lines.empty());
    }
}

TEST(ImageWriters, LargeValuesAreNumberCoded) {
    ImageTempFolder temp;
    Bytes b = ReadFixtureBytes("Image-bmp-info-24.bmp");
    SetLE32(b, 18, 640);
    SetLE32(b, 22, static_cast<std::uint32_t>(-480));
    MediaReaders readers;
    ErrorLog log;
    // 640: a blank, "6" (38) and "40" (72); 480: a blank, "4" (36) and "80" (112).
    EXPECT_EQ(ReadBMP(readers, temp.Put("big.bmp", b), log.Sink()), "\x1A &H $p8\x1A");
}

struct WriterFailureCase {
    Writer writer;
    Bytes content; // the file; none when `absent`
    bool absent;
    const char* prefix; // the line logged: prefix, path, suffix
    const char* suffix;
};

TEST(ImageWriters, FailureLines) {
    TargaHeaderFields emptyTarga;
    emptyTarga.width = 0;
    const Bytes png = ReadFixtureBytes("Image-png-rgb-24.png");
    const WriterFailureCase cases[] = {
        // TDCImageInfo logs its own failures; the writer adds nothing.
        {ReadBMP, {}, true, "OpenFileBitmap failure on ", ""},
        {ReadGIF,
         {'G', 'I', 'F', '8'},
         false,
         "ReadGIF failure on ",
         ": read beyond the end of the file: 5 bytes at offset 6 of a file of 4 bytes"},
        {ReadPNG, {137, 'P', 'N'}, false, "ReadFile failure on ", ": file too small: 3 bytes"},
        {ReadTIF,
         {'I', 'I', '*', 0, 8, 0},
         false,
         "ReadLETIFF failure on ",
         ": read beyond the end of the file: 4 bytes at offset 4 of a file of 6 bytes"},
        {ReadPCX, {10, 5, 1}, false, "ReadFile failure on ", ": file too small: 3 bytes"},
        // The writer's frame logs the reader's error.
        {ReadJPEG, png, false, "ReadJPEG failure on ", ": Not a JPEG file: starts with 0x89 0x50"},
        {ReadJPEG, {0xFF, 0xD8}, false, "ReadJPEG failure on ", ": Premature end of input file"},
        {ReadTarga, TargaHeader(emptyTarga), false, "ReadTarga failure on ", ": Operation aborted"},
        {ReadTarga, Bytes(5, 0), false, "ReadTarga failure on ",
         ": read beyond the end of the file: 18 bytes at offset 0 of a file of 5 bytes"},
    };
    for (const WriterFailureCase& c : cases) {
        SCOPED_TRACE(std::string(c.prefix) + c.suffix);
        ImageTempFolder temp;
        const std::string path = c.absent ? temp.PathOf("absent") : temp.Put("file", c.content);
        MediaReaders readers;
        ErrorLog log;
        EXPECT_EQ(c.writer(readers, path, log.Sink()), "");
        EXPECT_EQ(log.lines, std::vector<std::string>{c.prefix + path + c.suffix});
    }
}

TEST(ImageWriters, MissingFilesOfTheDecodingReaders) {
    ImageTempFolder temp;
    const std::string path = temp.PathOf("absent");
    MediaReaders readers;
    ErrorLog log;
    EXPECT_EQ(ReadJPEG(readers, path, log.Sink()), "");
    EXPECT_EQ(ReadTarga(readers, path, log.Sink()), "");
    const std::string reason = ": cannot open " + path + ": No such file or directory";
    EXPECT_EQ(log.lines, (std::vector<std::string>{"ReadJPEG failure on " + path + reason,
                                                   "ReadTarga failure on " + path + reason}));
}

// The PCX writer's own failure text, seen for a file of 2 GiB or more.
TEST(ImageWriters, PcxFailureText) {
    ImageTempFolder temp;
    const std::string path = temp.PathOf("huge.pcx");
    if (!PutSparse(path, ReadFixtureBytes("Image-pcx-24.pcx"), 0x90000000ULL))
        GTEST_SKIP() << "no sparse files here";
    MediaReaders readers;
    ErrorLog log;
    EXPECT_EQ(ReadPCX(readers, path, log.Sink()), "");
    EXPECT_EQ(log.lines, std::vector<std::string>{"ReadPCX Targa failure on " + path +
                                                  ": file of 2 GiB or more: 2415919104 bytes"});
}

// The writers' one TTarga keeps its depth code through a file of an undecoded
// type and depth: such a file takes the depth of the picture decoded before
// it, or 1 when none was.
// The shared picture keeps its last depth code when a file decodes nothing, but
// the catalogue line of that file never takes the depth of the file before it.
TEST(ImageWriters, UndecodedTargaIsCataloguedWithDepthOne) {
    ImageTempFolder temp;
    TargaHeaderFields f;
    f.type = 1;
    f.depth = 16;
    f.width = 7;
    f.height = 5;
    const std::string undecoded = temp.Put("undecoded.tga", TargaHeader(f));
    MediaReaders readers;
    ErrorLog log;
    EXPECT_EQ(ReadTarga(readers, undecoded, log.Sink()), "\x1A  '  %!\x1A");
    EXPECT_EQ(ReadTarga(readers, ImageFixture("Targa-rle-32.tga"), log.Sink()), "\x1A  '  %@\x1A");
    EXPECT_EQ(ReadTarga(readers, undecoded, log.Sink()), "\x1A  '  %!\x1A");
    EXPECT_TRUE(log.lines.empty());
}

// ---- Robustness: truncated and mutated fixtures ----

const char* const kAllImageFixtures[] = {
    "Image-bmp-info-24.bmp",    "Image-bmp-v5-24.bmp",     "Image-bmp-os2-24.bmp",
    "Image-bmp-topdown-24.bmp", "Image-gif-4colours.gif",  "Image-png-grey-8.png",
    "Image-png-rgb-24.png",     "Image-png-rgba-32.png",   "Image-png-palette-2.png",
    "Image-pcx-24.pcx",         "Image-tiff-le-24.tif",    "Image-tiff-be-24.tif",
    "Image-tiff-le-grey-8.tif", "Targa-truecolour-24.tga", "Targa-rle-24.tga",
    "Targa-rle-32.tga",         "Targa-palette-8.tga",     "Targa-grey-8.tga",
    "Jpeg-baseline.jpg",        "Jpeg-progressive.jpg",    "Jpeg-grey.jpg",
};

// Every reader and writer over one file: each gives a value or its failure,
// never any other exception, and what it reports is consistent.
void ReadEveryWay(const std::string& path, MediaReaders& readers) {
    ErrorLog log;
    TDCImageInfo info;
    info.OpenFileBitmap(path, log.Sink());
    EXPECT_LE(log.lines.size(), 1u);
    if (info.ImageType == kImageNone) {
        EXPECT_EQ(info.Width, 0);
        EXPECT_EQ(info.BitsPerPixel, 0);
    }
    EXPECT_GE(info.Width, 0);
    EXPECT_GE(info.Height, 0);

    TTarga tga;
    try {
        tga.LoadFromFile(path);
        if (!tga.Bitmap.Pixels.empty()) {
            EXPECT_EQ(tga.Bitmap.Pixels.size(),
                      static_cast<std::size_t>(tga.GetWidth()) * tga.GetHeight());
        }
    } catch (const EImageRead&) {
        EXPECT_TRUE(tga.GetEmpty());
        EXPECT_EQ(tga.PixelDepthCode, kTargaDepthUnknown);
    }

    TJpegImage jpeg;
    try {
        jpeg.LoadFromFile(path);
        EXPECT_FALSE(jpeg.Empty());
    } catch (const EImageRead&) {
        EXPECT_TRUE(jpeg.Empty());
    }

    for (Writer writer : {ReadBMP, ReadGIF, ReadPNG, ReadTIF, ReadPCX, ReadJPEG, ReadTarga}) {
        ErrorLog writerLog;
        const std::string block = writer(readers, path, writerLog.Sink());
        EXPECT_TRUE(block.empty() || block.size() == 9u);
        EXPECT_LE(writerLog.lines.size(), 1u);
    }
}

TEST(ImageRobustness, TruncatedFixtures) {
    ImageTempFolder temp;
    MediaReaders readers;
    for (const char* fixture : kAllImageFixtures) {
        SCOPED_TRACE(fixture);
        const Bytes whole = ReadFixtureBytes(fixture);
        std::vector<std::size_t> lengths;
        for (std::size_t n = 0; n <= std::min<std::size_t>(whole.size(), 72); ++n)
            lengths.push_back(n);
        for (std::size_t n : {whole.size() / 3, whole.size() / 2, whole.size() - 1})
            lengths.push_back(n);
        for (std::size_t n : lengths) {
            SCOPED_TRACE(n);
            ReadEveryWay(temp.Put("cut", Bytes(whole.begin(), whole.begin() + n)), readers);
        }
    }
}

TEST(ImageRobustness, MutatedFixtures) {
    ImageTempFolder temp;
    MediaReaders readers;
    std::mt19937 random(20240611);
    for (const char* fixture : kAllImageFixtures) {
        SCOPED_TRACE(fixture);
        const Bytes whole = ReadFixtureBytes(fixture);
        for (int round = 0; round < 150; ++round) {
            Bytes mutated = whole;
            const int changes = 1 + static_cast<int>(random() % 4);
            for (int i = 0; i < changes; ++i) {
                // Mostly the header, where the lengths and counts are.
                const std::size_t span =
                    random() % 4 == 0 ? mutated.size() : std::min<std::size_t>(mutated.size(), 80);
                const std::size_t at = random() % span;
                switch (random() % 3) {
                case 0:
                    mutated[at] = static_cast<std::uint8_t>(random());
                    break;
                case 1:
                    mutated[at] = 0xFF;
                    break;
                default:
                    mutated[at] ^= static_cast<std::uint8_t>(1u << (random() % 8));
                    break;
                }
            }
            SCOPED_TRACE(round);
            ReadEveryWay(temp.Put("mutated", mutated), readers);
        }
    }
}

} // namespace
} // namespace sorvane
