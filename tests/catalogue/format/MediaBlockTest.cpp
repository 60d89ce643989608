// Tests of the media block layouts: display texts and values of each kind's
// fields, the search values of whole file lines, and blocks cut short.
#include "catalogue/format/MediaBlock.h"

#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/FormatError.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/TextUtils.h"

#include <functional>
#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <vector>

namespace sorvane {
namespace {

// Block builders, one per media kind, following the block layouts.

std::string Num(std::int32_t value, std::size_t width) {
    return PadLeftToWidth(CodificaEntero(value), width);
}

std::string BitmapBlock(int width, int height, int bitsPerPixel) {
    return Num(width, 3) + Num(height, 3) + Num(bitsPerPixel, 1);
}

std::string AudioBlock(int seconds, int channels, int sampleRate, int bitsPerSample) {
    return Num(seconds, 3) + std::to_string(channels)[0] + Num(sampleRate, 3) +
           Num(bitsPerSample, 1);
}

std::string MusicBlock(int seconds, int channels, int sampleRate, int kbits, int year, int track,
                       std::string_view genre) {
    return Num(seconds, 3) + std::to_string(channels)[0] + Num(sampleRate, 3) + Num(kbits, 2) +
           Num(year, 2) + Num(track, 2) + std::string(genre);
}

std::string VideoBlock(int width, int height, int fps, int seconds) {
    return Num(width, 3) + Num(height, 3) + Num(fps, 1) + Num(seconds, 3);
}

std::string TextBlock(int pages) {
    return Num(pages, 2);
}

// A file line of the given name carrying the block, with a description after it.
std::string LineWithBlock(std::string_view name, std::string_view block) {
    std::string line = CodificaFecha(2'162'688) + CodificaFecha(2'162'688) + CodificaTamano(1'000);
    line += "20";
    line += name;
    line += kMediaBracket + std::string(block) + kMediaBracket;
    line += kDescriptionBracket + std::string("seen") + kDescriptionBracket;
    return line;
}

std::string Bytes(std::initializer_list<int> codes) {
    std::string text;
    for (int code : codes)
        text.push_back(static_cast<char>(code));
    return text;
}

TEST(MediaBlockTest, BitmapOf640By480) {
    const std::string block = BitmapBlock(640, 480, 24);
    EXPECT_EQ(block, Bytes({32, 38, 72, 32, 36, 112, 56}));
    EXPECT_EQ(DameTextoResolucion(block), "640x480");
    EXPECT_EQ(DameTextoCalidadImagen(block), "24b");
    EXPECT_EQ(DameValorAncho(block), 640);
    EXPECT_EQ(DameValorAlto(block), 480);
    EXPECT_EQ(DameValorCalidadImagen(block), 24);
}

TEST(MediaBlockTest, AudioFields) {
    const std::string block = AudioBlock(75, 2, 44'100, 16);
    ASSERT_EQ(block.size(), 8u);
    EXPECT_EQ(DameTextoDuracionWAV(block), "0:01:15");
    EXPECT_EQ(DameTextoCanalesWAV(block), "2");
    EXPECT_EQ(DameTextoFrecuenciaWAV(block), "44100 Hz");
    EXPECT_EQ(DameTextoCalidadWAV(block), "16b");
    EXPECT_EQ(DameValorDuracionWAV(block), 75);
    EXPECT_EQ(DameValorCanalesWAV(block), 2);
    EXPECT_EQ(DameValorFrecuenciaWAV(block), 44'100);
    EXPECT_EQ(DameValorCalidadWAV(block), 16);
}

TEST(MediaBlockTest, MusicFields) {
    struct Case {
        const char* label;
        std::string block;
        std::string duration, channels, rate, quality, year, track, genre;
        std::int32_t seconds, channelCount, sampleRate, kbits, yearValue, trackValue;
    };
    const std::string longGenre(70, 'g');
    std::string accentedGenre;
    for (int i = 0; i < 70; ++i)
        accentedGenre += "é";
    const std::vector<Case> cases = {
        {"tagged", MusicBlock(245, 2, 44'100, 192, 2004, 7, "Hip Hop"), "0:04:05", "2", "44100 Hz",
         "192k", "2004", "7", "Hip Hop", 245, 2, 44'100, 192, 2004, 7},
        {"untagged: year and track are four blanks", MusicBlock(3'601, 1, 22'050, 64, 0, 0, ""),
         "1:00:01", "1", "22050 Hz", "64k", "0", "0", "", 3'601, 1, 22'050, 64, 0, 0},
        {"genre cut to 64 characters", MusicBlock(1, 6, 48'000, 320, 1999, 99, longGenre),
         "0:00:01", "6", "48000 Hz", "320k", "1999", "99", longGenre.substr(0, 64), 1, 6, 48'000,
         320, 1999, 99},
        {"genre cut to 64 characters, not bytes",
         MusicBlock(0, 2, 44'100, 128, 2020, 12, accentedGenre), "0:00:00", "2", "44100 Hz", "128k",
         "2020", "12", accentedGenre.substr(0, 128), 0, 2, 44'100, 128, 2020, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(DameTextoDuracionAudio(c.block), c.duration);
        EXPECT_EQ(DameTextoCanalesAudio(c.block), c.channels);
        EXPECT_EQ(DameTextoFrecuenciaAudio(c.block), c.rate);
        EXPECT_EQ(DameTextoCalidadAudio(c.block), c.quality);
        EXPECT_EQ(DameTextoAnoAudio(c.block), c.year);
        EXPECT_EQ(DameTextoPistaAudio(c.block), c.track);
        EXPECT_EQ(DameTextoGeneroAudio(c.block), c.genre);
        EXPECT_EQ(DameValorDuracionAudio(c.block), c.seconds);
        EXPECT_EQ(DameValorCanalesAudio(c.block), c.channelCount);
        EXPECT_EQ(DameValorFrecuenciaAudio(c.block), c.sampleRate);
        EXPECT_EQ(DameValorCalidadAudio(c.block), c.kbits);
        EXPECT_EQ(DameValorAnoAudio(c.block), c.yearValue);
        EXPECT_EQ(DameValorPistaAudio(c.block), c.trackValue);
    }
    const std::string untagged = cases[1].block;
    EXPECT_EQ(untagged.size(), 13u);
    EXPECT_EQ(untagged.substr(9), "    ");
}

TEST(MediaBlockTest, VideoAndTextFields) {
    const std::string video = VideoBlock(320, 240, 25, 3'725);
    EXPECT_EQ(DameTextoResolucion(video), "320x240");
    EXPECT_EQ(DameTextoCalidadAVI(video), "25fps");
    EXPECT_EQ(DameTextoDuracionAVI(video), "1:02:05");
    EXPECT_EQ(DameValorAncho(video), 320);
    EXPECT_EQ(DameValorAlto(video), 240);
    EXPECT_EQ(DameValorCalidadAVI(video), 25);
    EXPECT_EQ(DameValorDuracionAVI(video), 3'725);

    for (const int pages : {0, 1, 12, 100, 9'999}) {
        SCOPED_TRACE(pages);
        EXPECT_EQ(DameTextoPaginasDOC(TextBlock(pages)), std::to_string(pages));
        EXPECT_EQ(DameValorPaginasDOC(TextBlock(pages)), pages);
    }
}

TEST(MediaBlockTest, DurationsShowHoursMinutesAndSeconds) {
    struct Case {
        std::int32_t seconds;
        std::string text;
    };
    const std::vector<Case> cases = {
        {0, "0:00:00"},     {59, "0:00:59"},      {60, "0:01:00"},      {3'599, "0:59:59"},
        {3'600, "1:00:00"}, {86'399, "23:59:59"}, {86'400, "24:00:00"}, {999'999, "277:46:39"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(DameTextoDuracionWAV(AudioBlock(c.seconds, 2, 8'000, 8)), c.text);
        EXPECT_EQ(DameTextoDuracionAudio(MusicBlock(c.seconds, 2, 8'000, 8, 0, 0, "")), c.text);
        EXPECT_EQ(DameTextoDuracionAVI(VideoBlock(1, 1, 1, c.seconds)), c.text);
    }
}

// The search values of whole lines, by the media kind of the upper-cased extension.
TEST(MediaBlockTest, SearchValuesOfFileLines) {
    struct Case {
        std::string line;
        std::int32_t duration, channels, frequency, quality, width, height, pages;
    };
    const std::string bitmap = BitmapBlock(640, 480, 24);
    const std::vector<Case> cases = {
        {LineWithBlock("photo.jpg", bitmap), 0, 0, 0, 24, 640, 480, 0},
        {LineWithBlock("SCAN.Png", bitmap), 0, 0, 0, 24, 640, 480, 0},
        {LineWithBlock("sound.wav", AudioBlock(75, 2, 44'100, 16)), 75, 2, 44'100, 16, 0, 0, 0},
        {LineWithBlock("song.mp3", MusicBlock(245, 2, 44'100, 192, 2004, 7, "Rock")), 245, 2,
         44'100, 192, 0, 0, 0},
        {LineWithBlock("canción.wma", MusicBlock(30, 1, 32'000, 96, 0, 0, "")), 30, 1, 32'000, 96,
         0, 0, 0},
        {LineWithBlock("movie.avi", VideoBlock(320, 240, 25, 3'725)), 3'725, 0, 0, 25, 320, 240, 0},
        {LineWithBlock("letter.doc", TextBlock(12)), 0, 0, 0, 0, 0, 0, 12},
        {LineWithBlock("notes.txt", "%%"), 0, 0, 0, 0, 0, 0, 0},
        {LineWithBlock("scan.tiff", bitmap), 0, 0, 0, 0, 0, 0, 0},
        {LineWithBlock("no extension", bitmap), 0, 0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(DameFicheroNombre(c.line)));
        ASSERT_TRUE(TieneMultimedia(c.line));
        EXPECT_EQ(DameFicheroDuracion(c.line), c.duration);
        EXPECT_EQ(DameFicheroCanales(c.line), c.channels);
        EXPECT_EQ(DameFicheroFrecuencia(c.line), c.frequency);
        EXPECT_EQ(DameFicheroCalidad(c.line), c.quality);
        EXPECT_EQ(DameFicheroAncho(c.line), c.width);
        EXPECT_EQ(DameFicheroAlto(c.line), c.height);
        EXPECT_EQ(DameFicheroPaginas(c.line), c.pages);
    }
}

// Every field reader on a block one byte short of its last position raises
// EFormatoCatalogo, and reads at the exact length.
TEST(MediaBlockTest, ShortBlocksRaiseFormatErrors) {
    struct Case {
        const char* reader;
        std::function<void(std::string_view)> read;
        std::size_t needed;
        std::string block;
    };
    const std::string bitmap = BitmapBlock(640, 480, 24);
    const std::string audio = AudioBlock(75, 2, 44'100, 16);
    const std::string music = MusicBlock(245, 2, 44'100, 192, 2004, 7, "Rock");
    const std::string video = VideoBlock(320, 240, 25, 3'725);
    const std::vector<Case> cases = {
        {"DameTextoResolucion", [](auto b) { DameTextoResolucion(b); }, 6, bitmap},
        {"DameTextoCalidadImagen", [](auto b) { DameTextoCalidadImagen(b); }, 7, bitmap},
        {"DameValorAncho", [](auto b) { DameValorAncho(b); }, 3, bitmap},
        {"DameValorAlto", [](auto b) { DameValorAlto(b); }, 6, bitmap},
        {"DameValorCalidadImagen", [](auto b) { DameValorCalidadImagen(b); }, 7, bitmap},
        {"DameTextoDuracionWAV", [](auto b) { DameTextoDuracionWAV(b); }, 3, audio},
        {"DameTextoCanalesWAV", [](auto b) { DameTextoCanalesWAV(b); }, 4, audio},
        {"DameTextoFrecuenciaWAV", [](auto b) { DameTextoFrecuenciaWAV(b); }, 7, audio},
        {"DameTextoCalidadWAV", [](auto b) { DameTextoCalidadWAV(b); }, 8, audio},
        {"DameValorDuracionWAV", [](auto b) { DameValorDuracionWAV(b); }, 3, audio},
        {"DameValorCanalesWAV", [](auto b) { DameValorCanalesWAV(b); }, 4, audio},
        {"DameValorFrecuenciaWAV", [](auto b) { DameValorFrecuenciaWAV(b); }, 7, audio},
        {"DameValorCalidadWAV", [](auto b) { DameValorCalidadWAV(b); }, 8, audio},
        {"DameTextoDuracionAudio", [](auto b) { DameTextoDuracionAudio(b); }, 3, music},
        {"DameTextoCanalesAudio", [](auto b) { DameTextoCanalesAudio(b); }, 4, music},
        {"DameTextoFrecuenciaAudio", [](auto b) { DameTextoFrecuenciaAudio(b); }, 7, music},
        {"DameTextoCalidadAudio", [](auto b) { DameTextoCalidadAudio(b); }, 9, music},
        {"DameTextoAnoAudio", [](auto b) { DameTextoAnoAudio(b); }, 11, music},
        {"DameTextoPistaAudio", [](auto b) { DameTextoPistaAudio(b); }, 13, music},
        {"DameValorDuracionAudio", [](auto b) { DameValorDuracionAudio(b); }, 3, music},
        {"DameValorCanalesAudio", [](auto b) { DameValorCanalesAudio(b); }, 4, music},
        {"DameValorFrecuenciaAudio", [](auto b) { DameValorFrecuenciaAudio(b); }, 7, music},
        {"DameValorCalidadAudio", [](auto b) { DameValorCalidadAudio(b); }, 9, music},
        {"DameValorAnoAudio", [](auto b) { DameValorAnoAudio(b); }, 11, music},
        {"DameValorPistaAudio", [](auto b) { DameValorPistaAudio(b); }, 13, music},
        {"DameTextoCalidadAVI", [](auto b) { DameTextoCalidadAVI(b); }, 7, video},
        {"DameTextoDuracionAVI", [](auto b) { DameTextoDuracionAVI(b); }, 10, video},
        {"DameValorCalidadAVI", [](auto b) { DameValorCalidadAVI(b); }, 7, video},
        {"DameValorDuracionAVI", [](auto b) { DameValorDuracionAVI(b); }, 10, video},
        {"DameTextoPaginasDOC", [](auto b) { DameTextoPaginasDOC(b); }, 1, TextBlock(5)},
        {"DameValorPaginasDOC", [](auto b) { DameValorPaginasDOC(b); }, 1, TextBlock(5)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reader);
        ASSERT_GE(c.block.size(), c.needed);
        EXPECT_THROW(c.read(std::string_view(c.block).substr(0, c.needed - 1)), EFormatoCatalogo);
        EXPECT_NO_THROW(c.read(std::string_view(c.block).substr(0, c.needed)));
    }
    // The genre is optional: a block without it has an empty genre.
    EXPECT_EQ(DameTextoGeneroAudio(""), "");
    EXPECT_EQ(DameTextoGeneroAudio(music.substr(0, 13)), "");
}

TEST(MediaBlockTest, DamagedBlocksRaiseFormatErrors) {
    std::string noDigit = AudioBlock(75, 2, 44'100, 16);
    noDigit[3] = ' ';
    EXPECT_EQ(DameTextoCanalesWAV(noDigit), " ");
    EXPECT_THROW(DameValorCanalesWAV(noDigit), EFormatoCatalogo);
    EXPECT_THROW(DameValorCanalesAudio(noDigit), EFormatoCatalogo);
    EXPECT_THROW(DameFicheroCanales(LineWithBlock("a.wav", noDigit)), EFormatoCatalogo);

    std::string badCode = BitmapBlock(640, 480, 24);
    badCode[1] = '\x1E';
    EXPECT_THROW(DameTextoResolucion(badCode), EFormatoCatalogo);
    EXPECT_THROW(DameValorAncho(badCode), EFormatoCatalogo);
    EXPECT_THROW(DameFicheroAncho(LineWithBlock("a.bmp", badCode)), EFormatoCatalogo);
    EXPECT_EQ(DameValorAlto(badCode), 480) << "other fields still read";

    // A block too long for a page count is damage, not a wrapped number.
    EXPECT_THROW(DameValorPaginasDOC(std::string(6, '!')), EFormatoCatalogo);
    // A media line whose block is missing has nothing to read.
    const std::string noBlock =
        CodificaFecha(2'162'688) + CodificaFecha(2'162'688) + CodificaTamano(1) + "20photo.jpg";
    EXPECT_THROW(DameFicheroAncho(noBlock), EFormatoCatalogo);
    EXPECT_EQ(DameFicheroPaginas(noBlock), 0);
}

} // namespace
} // namespace sorvane
