// TTarga as a whole picture: the decode of every image type, depth and origin
// against ImageMagick's decode of the same files, the writer against the files
// ImageMagick checked when tests/data/media/targa/make.sh made them, the depth
// code's keeping, and loads from memory of cut and damaged bytes (run under
// AddressSanitizer, so a byte taken from outside the bytes fails the run).
#include "catalogue/metadata/ByteReader.h"
#include "catalogue/metadata/ImageReaders.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace sorvane {
namespace {

std::string TargaFixture(const std::string& name) {
    const char* root = std::getenv("SORVANE_TEST_DATA");
    if (!root) ADD_FAILURE() << "SORVANE_TEST_DATA is not set";
    return std::string(root ? root : "tests/data") + "/media/targa/" + name;
}

std::string FixtureBytes(const std::string& name) {
    std::ifstream in(TargaFixture(name), std::ios::binary);
    EXPECT_TRUE(in.good()) << "missing fixture " << name;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

constexpr std::int32_t kWidth = 13;
constexpr std::int32_t kHeight = 6;

struct FixtureCase {
    const char* name;
    std::uint8_t kind;
    std::uint8_t depthCode;
    bool alpha; // the alpha bitmap is filled and compared with ImageMagick's
};

void PrintTo(const FixtureCase& c, std::ostream* os) {
    *os << c.name;
}

const FixtureCase kFixtures[] = {
    {"type1-8-bottom", kTargaKindColourMapped, kTargaDepth8, false},
    {"type1-8-top", kTargaKindColourMapped, kTargaDepth8, false},
    {"type1-8-alphamap", kTargaKindColourMapped, kTargaDepth8, false}, // 32-bit entries
    {"type9-8-bottom", kTargaKindRleColourMapped, kTargaDepth8, false},
    {"type9-8-top", kTargaKindRleColourMapped, kTargaDepth8, false},
    {"type2-16-bottom", kTargaKindTrueColour, kTargaDepth16, false},
    {"type2-16-alpha", kTargaKindTrueColour, kTargaDepth16, false}, // the alpha bit is not read
    {"type2-24-bottom", kTargaKindTrueColour, kTargaDepth24, false},
    {"type2-24-top", kTargaKindTrueColour, kTargaDepth24, false},
    {"type2-32-bottom", kTargaKindTrueColour, kTargaDepth32, true},
    {"type2-32-top", kTargaKindTrueColour, kTargaDepth32, true},
    {"type3-8-bottom", kTargaKindGrey, kTargaDepth8, false},
    {"type3-8-top", kTargaKindGrey, kTargaDepth8, false},
    {"type10-16-bottom", kTargaKindRleTrueColour, kTargaDepth16, false},
    {"type10-24-bottom", kTargaKindRleTrueColour, kTargaDepth24, false},
    {"type10-24-top", kTargaKindRleTrueColour, kTargaDepth24, false},
    {"type10-32-bottom", kTargaKindRleTrueColour, kTargaDepth32, true},
    {"type10-32-top", kTargaKindRleTrueColour, kTargaDepth32, true},
    {"type11-8-bottom", kTargaKindRleGrey, kTargaDepth8, false},
    {"type11-8-top", kTargaKindRleGrey, kTargaDepth8, false},
};

// The picture as R, G, B, A bytes, top row first, like ImageMagick's rgba:
// output; the alpha is 255 where the picture has none, or where `alpha` is off.
std::string Rgba(const TTarga& picture, bool alpha) {
    std::string out;
    for (std::int32_t y = 0; y < picture.Bitmap.Height; ++y) {
        for (std::int32_t x = 0; x < picture.Bitmap.Width; ++x) {
            const std::uint32_t p = picture.Bitmap.Pixel(x, y);
            out.push_back(static_cast<char>(p >> 16));
            out.push_back(static_cast<char>(p >> 8));
            out.push_back(static_cast<char>(p));
            out.push_back(static_cast<char>(alpha ? picture.AlphaBitmap.Pixel(x, y) & 0xFF : 255));
        }
    }
    return out;
}

// ImageMagick's decode, its alpha made 255 when it is not compared.
std::string Expected(const FixtureCase& c) {
    std::string rgba = FixtureBytes(std::string(c.name) + ".rgba");
    if (!c.alpha)
        for (std::size_t i = 3; i < rgba.size(); i += 4)
            rgba[i] = static_cast<char>(255);
    return rgba;
}

class TargaDecode : public testing::TestWithParam<FixtureCase> {};

TEST_P(TargaDecode, GivesImageMagicksPixels) {
    const FixtureCase& c = GetParam();
    TTarga picture;
    int progress = 0;
    picture.OnProgress = [&] { ++progress; };
    picture.LoadFromFile(TargaFixture(std::string(c.name) + ".tga"));
    EXPECT_EQ(progress, 1);
    EXPECT_EQ(picture.GetWidth(), kWidth);
    EXPECT_EQ(picture.GetHeight(), kHeight);
    EXPECT_EQ(picture.ImageKind, c.kind);
    EXPECT_EQ(picture.PixelDepthCode, c.depthCode);
    EXPECT_EQ(picture.AlphaPresent, c.alpha);
    EXPECT_EQ(Rgba(picture, c.alpha), Expected(c));

    // The same bytes from memory decode alike.
    TTarga fromMemory;
    fromMemory.LoadFromStream(FixtureBytes(std::string(c.name) + ".tga"));
    EXPECT_EQ(fromMemory.Bitmap.Pixels, picture.Bitmap.Pixels);
    EXPECT_EQ(fromMemory.AlphaBitmap.Pixels, picture.AlphaBitmap.Pixels);
}

// The written file is the one ImageMagick read back as the same pixels when
// the fixtures were made; read back here it gives the decoded pixels again
// (16 bits keep every 5-bit channel; RLE is written at 24 bits, without alpha).
TEST_P(TargaDecode, SaveToStreamWritesWhatImageMagickReadsBack) {
    const FixtureCase& c = GetParam();
    TTarga picture;
    picture.LoadFromFile(TargaFixture(std::string(c.name) + ".tga"));
    std::string saved;
    picture.SaveToStream(saved);
    EXPECT_EQ(saved, FixtureBytes(std::string(c.name) + ".saved"));

    TTarga again;
    again.LoadFromStream(saved);
    const bool rle = c.kind == kTargaKindRleTrueColour;
    EXPECT_EQ(again.ImageKind, rle ? kTargaKindRleTrueColour : kTargaKindTrueColour);
    const bool alpha = c.alpha && !rle;
    EXPECT_EQ(Rgba(again, alpha), Rgba(picture, alpha));
}

INSTANTIATE_TEST_SUITE_P(Targa, TargaDecode, testing::ValuesIn(kFixtures),
                         [](const testing::TestParamInfo<FixtureCase>& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

// ---- Writing pictures made in memory ----

TargaBitmap Bitmap(std::int32_t width, std::int32_t height, std::vector<std::uint32_t> pixels) {
    return TargaBitmap{width, height, std::move(pixels)};
}

std::uint8_t At(const std::string& bytes, std::size_t i) {
    return static_cast<std::uint8_t>(bytes.at(i));
}

TEST(TargaSave, RleRowsSplitIntoPacketsOfAtMost128Pixels) {
    // One row: 300 equal pixels, then 130 that all differ, then 2 equal ones.
    std::vector<std::uint32_t> row(300, 0x112233);
    for (std::uint32_t i = 0; i < 130; ++i)
        row.push_back(0x010000 * i + 7);
    row.insert(row.end(), {0xABCDEF, 0xABCDEF});
    TTarga picture;
    picture.ImageKind = kTargaKindRleTrueColour;
    picture.PixelDepthCode = kTargaDepth32; // RLE is written at 24 bits whatever the code
    picture.Bitmap = Bitmap(static_cast<std::int32_t>(row.size()), 1, row);
    std::string saved;
    picture.SaveToStream(saved);
    EXPECT_EQ(At(saved, 2), 10);
    EXPECT_EQ(At(saved, 16), 24);
    EXPECT_EQ(At(saved, 17), 0);
    // Repeat packets of 128, 128 and 44; literal packets of 128 and 2; a repeat of 2.
    std::size_t at = 18;
    std::vector<int> packets;
    while (at < saved.size()) {
        const std::uint8_t header = At(saved, at);
        const int count = (header & 0x7F) + 1;
        packets.push_back(header & 0x80 ? count : -count);
        at += 1 + 3 * static_cast<std::size_t>(header & 0x80 ? 1 : count);
    }
    EXPECT_EQ(at, saved.size());
    EXPECT_EQ(packets, (std::vector<int>{128, 128, 44, -128, -2, 2}));
    TTarga again;
    again.LoadFromStream(saved);
    EXPECT_EQ(again.Bitmap.Pixels, row);
}

TEST(TargaSave, DepthCodeChoosesTheWrittenDepth) {
    struct Case {
        std::uint8_t code;
        std::uint8_t depth;
        std::uint8_t descriptor;
        std::size_t pixelBytes;
    };
    for (const Case c : {Case{kTargaDepth8, 24, 0, 3}, Case{kTargaDepth16, 16, 0, 2},
                         Case{kTargaDepth24, 24, 0, 3}, Case{kTargaDepth32, 32, 8, 4},
                         Case{kTargaDepthUnknown, 24, 0, 3}}) {
        SCOPED_TRACE(static_cast<int>(c.code));
        TTarga picture;
        picture.ImageKind = kTargaKindGrey;
        picture.PixelDepthCode = c.code;
        // Top row: red, green; bottom row: blue, white. The alpha bitmap is
        // smaller than the picture: the pixels it lacks are written transparent.
        picture.Bitmap = Bitmap(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF});
        picture.AlphaBitmap = Bitmap(1, 2, {0x404040, 0x808080});
        std::string saved;
        picture.SaveToStream(saved);
        EXPECT_EQ(At(saved, 2), 2);
        EXPECT_EQ(At(saved, 12), 2);
        EXPECT_EQ(At(saved, 14), 2);
        EXPECT_EQ(At(saved, 16), c.depth);
        EXPECT_EQ(At(saved, 17), c.descriptor);
        ASSERT_EQ(saved.size(), 18 + 4 * c.pixelBytes);
        // The bottom row comes first: blue, then white.
        const std::size_t blue = 18, white = 18 + c.pixelBytes;
        if (c.depth == 16) {
            EXPECT_EQ(At(saved, blue) | At(saved, blue + 1) << 8, 0x001F);
            EXPECT_EQ(At(saved, white) | At(saved, white + 1) << 8, 0x7FFF);
        } else {
            EXPECT_EQ(saved.substr(blue, 3), std::string("\xFF\x00\x00", 3));
        }
        if (c.depth == 32) {
            EXPECT_EQ(At(saved, blue + 3), 0x80);
            EXPECT_EQ(At(saved, white + 3), 0x00);
            EXPECT_EQ(At(saved, 18 + 2 * 4 + 3), 0x40); // red, top left
        }
        TTarga again;
        again.LoadFromStream(saved);
        EXPECT_EQ(again.Bitmap.Pixels, picture.Bitmap.Pixels);
    }
}

TEST(TargaSave, AnEmptyPictureIsAHeaderAlone) {
    TTarga picture;
    std::string saved;
    picture.SaveToStream(saved);
    EXPECT_EQ(saved, std::string("\0\0\2\0\0\0\0\0\0\0\0\0\0\0\0\0\x18\0", 18));
}

// ---- The depth code and Assign ----

TEST(TargaDepthCode, IsSetOnlyByADecodedTypeAndDepth) {
    TTarga picture;
    picture.LoadFromFile(TargaFixture("type2-32-top.tga"));
    ASSERT_EQ(picture.PixelDepthCode, kTargaDepth32);
    ASSERT_TRUE(picture.AlphaPresent);

    // Type 1 with 16-bit pixels: blank, of its size, the code kept.
    std::string undecoded(18, '\0');
    undecoded[1] = 1;                      // colour-map type
    undecoded[2] = 1;                      // image type: colour-mapped
    undecoded[5] = 1;                      // colour-map length 1
    undecoded[7] = 24;                     // colour-map entry size
    undecoded[12] = 3;                     // width
    undecoded[14] = 2;                     // height
    undecoded[16] = 16;                    // pixel depth
    undecoded += std::string(3 + 12, 'x'); // the entry, then 6 pixels of 2 bytes
    picture.LoadFromStream(undecoded);
    EXPECT_EQ(picture.PixelDepthCode, kTargaDepth32);
    EXPECT_EQ(picture.ImageKind, kTargaKindColourMapped);
    EXPECT_FALSE(picture.AlphaPresent);
    EXPECT_FALSE(picture.GetEmpty());
    EXPECT_EQ(picture.GetWidth(), 3);
    EXPECT_EQ(picture.GetHeight(), 2);
    EXPECT_TRUE(picture.Bitmap.Pixels.empty());

    // A failed load keeps it too; the next decoded picture sets it.
    EXPECT_THROW(picture.LoadFromStream(std::string_view("\0\0\2", 3)), EImageRead);
    EXPECT_EQ(picture.PixelDepthCode, kTargaDepth32);
    EXPECT_TRUE(picture.GetEmpty());
    picture.LoadFromFile(TargaFixture("type3-8-top.tga"));
    EXPECT_EQ(picture.PixelDepthCode, kTargaDepth8);
}

TEST(TargaAssign, TakesThePictureAndKeepsItsOwnProgressEvent) {
    TTarga source, target;
    source.LoadFromFile(TargaFixture("type10-32-bottom.tga"));
    int sourceCalls = 0, targetCalls = 0;
    source.OnProgress = [&] { ++sourceCalls; };
    target.OnProgress = [&] { ++targetCalls; };
    target.Assign(source);
    EXPECT_EQ(target.Bitmap.Pixels, source.Bitmap.Pixels);
    EXPECT_EQ(target.AlphaBitmap.Pixels, source.AlphaBitmap.Pixels);
    EXPECT_EQ(target.GetWidth(), kWidth);
    EXPECT_EQ(target.PixelDepthCode, kTargaDepth32);
    target.Assign(target);
    EXPECT_EQ(target.Bitmap.Pixels, source.Bitmap.Pixels);
    target.LoadFromFile(TargaFixture("type3-8-top.tga"));
    EXPECT_EQ(targetCalls, 1);
    EXPECT_EQ(sourceCalls, 0);
}

// ---- Cut and damaged bytes, loaded from memory ----

// Each load gives a picture or EImageRead (a blank one when its type and depth
// are not decoded, which is not written: it would be written as black pixels
// at its size, up to 12 GiB); a decoded one is written and loads again with
// the same pixels. The bytes are copied to a buffer of
// their exact size, so AddressSanitizer sees any read beyond them.
void LoadOrFail(const std::string& bytes) {
    const std::vector<char> exact(bytes.begin(), bytes.end());
    TTarga picture;
    try {
        picture.LoadFromStream(std::string_view(exact.data(), exact.size()));
        if (!picture.Bitmap.Pixels.empty()) {
            EXPECT_EQ(picture.Bitmap.Pixels.size(),
                      static_cast<std::size_t>(picture.GetWidth()) * picture.GetHeight());
            EXPECT_EQ(picture.AlphaBitmap.Pixels.size(), picture.Bitmap.Pixels.size());
            std::string saved;
            picture.SaveToStream(saved);
            TTarga again;
            again.LoadFromStream(saved);
            EXPECT_EQ(again.Bitmap.Pixels.size(), picture.Bitmap.Pixels.size());
        }
    } catch (const EImageRead&) {
        EXPECT_TRUE(picture.GetEmpty());
    }
}

TEST(TargaDamaged, EveryCutOfEveryFixture) {
    for (const FixtureCase& c : kFixtures) {
        SCOPED_TRACE(c.name);
        const std::string whole = FixtureBytes(std::string(c.name) + ".tga");
        for (std::size_t n = 0; n < whole.size(); ++n) {
            TTarga picture;
            const std::vector<char> cut(whole.begin(), whole.begin() + static_cast<long>(n));
            // Every cut ends before the last pixel: none is a whole picture.
            EXPECT_THROW(picture.LoadFromStream(std::string_view(cut.data(), cut.size())),
                         EImageRead)
                << n;
        }
    }
}

TEST(TargaDamaged, MutatedFixtures) {
    std::mt19937 random(115);
    for (const FixtureCase& c : kFixtures) {
        SCOPED_TRACE(c.name);
        const std::string whole = FixtureBytes(std::string(c.name) + ".tga");
        for (int round = 0; round < 300; ++round) {
            std::string mutated = whole;
            for (int i = 0, n = 1 + static_cast<int>(random() % 4); i < n; ++i) {
                const std::size_t span = random() % 2 ? mutated.size() : 18;
                mutated[random() % span] = static_cast<char>(random());
            }
            if (random() % 4 == 0) mutated.resize(random() % mutated.size());
            LoadOrFail(mutated);
        }
    }
}

} // namespace
} // namespace sorvane
