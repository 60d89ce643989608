// Tests of the sound file readers (TWAVfile, TID3v1, TID3v2, TOggVorbis,
// TWMAfile) and the WAV, Ogg Vorbis and WMA media block writers. The fixtures
// in tests/data/media/audio are made by the make.sh beside them with sox and
// ffmpeg; their expected values are soxi's and ffprobe's, except where the
// catalogue's reading differs on purpose (the WMA duration, estimated from the
// file size and the maximum bit rate), which the case says. Edge cases are
// built byte by byte, one commented field per line; the robustness tests run
// every reader and writer over truncated and mutated copies of every fixture.
#include "catalogue/metadata/AudioReaders.h"

#include "catalogue/format/MediaBlock.h"
#include "catalogue/metadata/AudioWriters.h"
#include "catalogue/metadata/ByteReader.h"
#include "catalogue/metadata/MediaWriters.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace sorvane {
namespace {

namespace fs = std::filesystem;

std::string operator""_b(const char* text, std::size_t size) {
    return std::string(text, size);
}

std::string AudioFolder() {
    if (const char* root = std::getenv("SORVANE_TEST_DATA"))
        return std::string(root) + "/media/audio";
    return (fs::path(__FILE__).parent_path() / "../../data/media/audio").string();
}

std::string AudioFixture(const std::string& name) {
    return AudioFolder() + "/" + name;
}

std::string ReadFixtureBytes(const std::string& name) {
    std::ifstream in(AudioFixture(name), std::ios::binary);
    EXPECT_TRUE(in.good()) << "missing fixture " << name;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The log of one writer call.
struct ErrorLog {
    std::vector<std::string> lines;
    MediaErrorSink Sink() {
        return [this](const std::string& line) { lines.push_back(line); };
    }
};

// A folder of its own for each test, removed with all it holds.
class AudioTempFolder {
public:
    AudioTempFolder() {
        std::string pattern = (fs::temp_directory_path() / "sorvane-audio-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
        path_ = pattern;
    }
    ~AudioTempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    AudioTempFolder(const AudioTempFolder&) = delete;
    AudioTempFolder& operator=(const AudioTempFolder&) = delete;

    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::string path = path_ + "/" + name;
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        return path;
    }

    // `head`, then a hole of `hole` bytes that the file system keeps sparse, then `tail`.
    std::string WriteWithHole(const std::string& name, const std::string& head, std::uint64_t hole,
                              const std::string& tail) const {
        const std::string path = path_ + "/" + name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::pwrite(fd, head.data(), head.size(), 0), static_cast<ssize_t>(head.size()));
        const auto at = static_cast<off_t>(head.size() + hole);
        if (tail.empty()) {
            EXPECT_EQ(::ftruncate(fd, at), 0);
        } else {
            EXPECT_EQ(::pwrite(fd, tail.data(), tail.size(), at),
                      static_cast<ssize_t>(tail.size()));
        }
        ::close(fd);
        return path;
    }

private:
    std::string path_;
};

// Bytes built field by field.
struct Bytes {
    std::string s;
    Bytes& U8(unsigned v) {
        s.push_back(static_cast<char>(v & 0xFF));
        return *this;
    }
    Bytes& Le16(unsigned v) { return U8(v).U8(v >> 8); }
    Bytes& Le32(std::uint32_t v) { return Le16(v & 0xFFFF).Le16(v >> 16); }
    Bytes& Le64(std::uint64_t v) {
        return Le32(static_cast<std::uint32_t>(v)).Le32(static_cast<std::uint32_t>(v >> 32));
    }
    Bytes& Be24(std::uint32_t v) { return U8(v >> 16).U8(v >> 8).U8(v); }
    Bytes& Be32(std::uint32_t v) { return U8(v >> 24).Be24(v); }
    Bytes& Synchsafe(std::uint32_t v) {
        return U8(v >> 21 & 0x7F).U8(v >> 14 & 0x7F).U8(v >> 7 & 0x7F).U8(v & 0x7F);
    }
    Bytes& Text(std::string_view t) {
        s += t;
        return *this;
    }
    Bytes& Fill(std::size_t n, char c = '\0') {
        s.append(n, c);
        return *this;
    }
};

// A UTF-8 text as UTF-16LE with its terminating unit, as ASF keeps texts.
std::string Wide(std::string_view utf8) {
    Bytes b;
    for (std::size_t pos = 0; pos < utf8.size();) {
        const text::DecodedChar d = text::DecodeAt(utf8, pos);
        pos += d.length;
        if (d.code >= 0x10000) {
            b.Le16(0xD800 + ((d.code - 0x10000) >> 10)).Le16(0xDC00 + ((d.code - 0x10000) & 0x3FF));
        } else {
            b.Le16(d.code);
        }
    }
    return b.Le16(0).s;
}

// ---------------------------------------------------------------------------
// WAV

struct WavCase {
    const char* fixture;
    bool read;
    bool valid;
    std::uint16_t formatTag;
    int channels;
    std::int32_t sampleRate;
    std::int32_t bytesPerSecond;
    std::uint16_t blockAlign;
    int bitsPerSample;
    std::int32_t sampleNumber; // of a "fact" chunk
    std::uint32_t headerSize;
    std::int64_t dataSize;
    double duration; // soxi -D
};

// clang-format off
const WavCase kWavCases[] = {
    // 16-bit PCM: "data" right after "fmt ".
    {"wav-pcm16-mono-8k.wav",         true, true, 1,      1, 8000,  16000,  2, 16, 0,    44, 3200,  0.2},
    {"wav-pcm16-mono-8k-1500ms.wav",  true, true, 1,      1, 8000,  16000,  2, 16, 0,    44, 24000, 1.5},
    {"wav-pcm8-mono-8k.wav",          true, true, 1,      1, 8000,  8000,   1, 8,  0,    44, 1600,  0.2},
    // IEEE float: an 18-byte "fmt " and a "fact" chunk.
    {"wav-float32-mono-8k.wav",       true, true, 3,      1, 8000,  32000,  4, 32, 1600, 58, 6400,  0.2},
    // WAVE_FORMAT_EXTENSIBLE: a 40-byte "fmt " and a "fact" chunk.
    {"wav-pcm24-stereo-8k.wav",       true, true, 0xFFFE, 2, 8000,  48000,  6, 24, 1600, 80, 9600,  0.2},
    // A "LIST" chunk between "fmt " and "data"; its bytes are no sample count.
    {"wav-pcm16-stereo-44k-list.wav", true, true, 1,      2, 44100, 176400, 4, 16, 0,    86, 44100, 0.25},
    // Three channels: read, but not valid.
    {"wav-pcm16-3ch-8k.wav",          true, false, 0,     0, 0,     0,      0, 0,  0,    0,  0,     0},
};
// clang-format on

void VerifyWav(const WavCase& c) {
    SCOPED_TRACE(c.fixture);
    TWAVfile wav;
    ASSERT_EQ(wav.ReadFromFile(AudioFixture(c.fixture)), c.read);
    EXPECT_EQ(wav.Valid, c.valid);
    EXPECT_EQ(wav.FormatTag, c.formatTag);
    EXPECT_EQ(wav.Channels, c.channels);
    EXPECT_EQ(wav.SampleRate, c.sampleRate);
    EXPECT_EQ(wav.BytesPerSecond, c.bytesPerSecond);
    EXPECT_EQ(wav.BlockAlign, c.blockAlign);
    EXPECT_EQ(wav.BitsPerSample, c.bitsPerSample);
    EXPECT_EQ(wav.SampleNumber, c.sampleNumber);
    EXPECT_EQ(wav.HeaderSize, c.headerSize);
    EXPECT_EQ(wav.DataSize, c.dataSize);
    EXPECT_DOUBLE_EQ(wav.GetDuration(), c.duration);
    if (c.valid) {
        EXPECT_EQ(wav.FileSize, static_cast<std::int64_t>(fs::file_size(AudioFixture(c.fixture))));
    }
}

TEST(WavFile, ReadsEveryFixture) {
    for (const WavCase& c : kWavCases)
        VerifyWav(c);
}

// The header of a 16-bit mono PCM file, field by field.
Bytes WavHeader(std::uint32_t riffLength, std::uint16_t channels, std::uint32_t rate,
                std::uint16_t bits) {
    Bytes b;
    b.Text("RIFF").Le32(riffLength).Text("WAVE");
    b.Text("fmt ").Le32(16);
    b.Le16(1);                          // PCM
    b.Le16(channels);                   // channels
    b.Le32(rate);                       // sample rate
    b.Le32(rate * channels * bits / 8); // bytes per second
    b.Le16(channels * bits / 8);        // block align
    b.Le16(bits);                       // bits per sample
    return b;
}

TEST(WavFile, DataLengthPastTheEndCountsTheBytesThere) {
    // A stream writer leaves 0xFFFFFFFF as the data length; 1000 bytes follow.
    AudioTempFolder folder;
    Bytes b = WavHeader(0xFFFFFFFF, 1, 8000, 16);
    b.Text("data").Le32(0xFFFFFFFF).Fill(1000, '\x01');
    TWAVfile wav;
    ASSERT_TRUE(wav.ReadFromFile(folder.Write("stream.wav", b.s)));
    EXPECT_TRUE(wav.Valid);
    EXPECT_EQ(wav.DataSize, 1000);
    EXPECT_DOUBLE_EQ(wav.GetDuration(), 1000.0 / 16000);
}

TEST(WavFile, OddChunkIsPaddedToAnEvenLength) {
    AudioTempFolder folder;
    Bytes b = WavHeader(60, 1, 8000, 16);
    b.Text("junk").Le32(3).Text("abc").U8(0); // 3 bytes and the pad byte
    b.Text("data").Le32(16000).Fill(16000);
    TWAVfile wav;
    ASSERT_TRUE(wav.ReadFromFile(folder.Write("odd.wav", b.s)));
    EXPECT_EQ(wav.HeaderSize, 44u + 12u);
    EXPECT_DOUBLE_EQ(wav.GetDuration(), 1.0);
}

TEST(WavFile, LongFileGivesItsWholeSecondsToTheBlock) {
    // 2 channels, 44100 Hz, 16 bits, 185.9 seconds of sample data (a sparse hole).
    constexpr std::uint32_t kData = 32'792'760; // 185.9 x 176400
    Bytes b = WavHeader(36 + kData, 2, 44100, 16);
    b.Text("data").Le32(kData);
    AudioTempFolder folder;
    const std::string path = folder.WriteWithHole("long.wav", b.s, kData, "");
    TWAVfile wav;
    ASSERT_TRUE(wav.ReadFromFile(path));
    EXPECT_DOUBLE_EQ(wav.GetDuration(), 185.9);
    MediaReaders readers;
    ErrorLog log;
    //                                        185    ch  44100 bits
    EXPECT_EQ(ReadWAV(readers, path, log.Sink()), "\x1A"
                                                  " !u"
                                                  "2"
                                                  "$I "
                                                  "0"
                                                  "\x1A");
    EXPECT_TRUE(log.lines.empty());
}

TEST(WavFile, DivisorsFromTheFileAreGuarded) {
    AudioTempFolder folder;
    // No bytes per second and no "fact" chunk.
    Bytes noRate = WavHeader(1036, 1, 0, 16);
    noRate.Text("data").Le32(1000).Fill(1000);
    TWAVfile wav;
    ASSERT_TRUE(wav.ReadFromFile(folder.Write("norate.wav", noRate.s)));
    EXPECT_TRUE(wav.Valid);
    EXPECT_EQ(wav.GetDuration(), 0);
    // A "fact" count and no sample rate.
    Bytes fact = WavHeader(1048, 1, 0, 16);
    fact.Text("fact").Le32(4).Le32(500).Text("data").Le32(1000).Fill(1000);
    ASSERT_TRUE(wav.ReadFromFile(folder.Write("fact.wav", fact.s)));
    EXPECT_EQ(wav.SampleNumber, 500);
    EXPECT_EQ(wav.GetDuration(), 0);
}

TEST(WavFile, FieldThatDoesNotFitRaisesAndTheWriterLogsIt) {
    AudioTempFolder folder;
    Bytes bits = WavHeader(36, 1, 8000, 300); // 300 bits per sample
    bits.Text("data").Le32(0);
    Bytes rate = WavHeader(36, 1, 0x80000000, 16); // a negative rate
    rate.Text("data").Le32(0);
    for (const auto& [name, bytes] :
         {std::pair{"bits.wav", bits.s}, std::pair{"rate.wav", rate.s}}) {
        SCOPED_TRACE(name);
        const std::string path = folder.Write(name, bytes);
        TWAVfile wav;
        EXPECT_THROW(wav.ReadFromFile(path), EAudioRange);
        MediaReaders readers;
        ErrorLog log;
        EXPECT_EQ(ReadWAV(readers, path, log.Sink()), "");
        ASSERT_EQ(log.lines.size(), 1u);
        EXPECT_EQ(log.lines[0].rfind("ReadWAV failure on " + path + ": Range check error", 0), 0u)
            << log.lines[0];
    }
}

TEST(WavFile, FileShorterThanTheHeaderIsNotRead) {
    AudioTempFolder folder;
    const std::string bytes = ReadFixtureBytes("wav-pcm16-mono-8k.wav").substr(0, 35);
    TWAVfile wav;
    EXPECT_FALSE(wav.ReadFromFile(folder.Write("short.wav", bytes)));
    EXPECT_FALSE(wav.ReadFromFile(folder.Write("none.wav", "")));
    EXPECT_FALSE(wav.ReadFromFile(AudioFixture("no-such-file.wav")));
}

// ---------------------------------------------------------------------------
// ID3v1

struct Id3v1Case {
    const char* fixture;
    bool exists;
    int version;
    const char* title;
    const char* artist;
    const char* album;
    const char* year;
    const char* comment;
    int track;
    int genreId;
    const char* genre;
};

// clang-format off
const Id3v1Case kId3v1Cases[] = {
    {"cbr-stereo-id3v1.mp3",          true,  2, "Cbr Stereo", "Test Artist", "Test Album", "2004", "V1 comment", 7, 17, "Rock"},
    {"cbr-stereo-id3v1-id3v2.3.mp3",  true,  2, "Cbr Stereo", "Test Artist", "Test Album", "2004", "V1 comment", 7, 17, "Rock"},
    {"cbr-stereo-notag.mp3",          false, 1, "", "", "", "", "", 0, 255, ""},
    {"vbr-stereo-id3v2.4.mp3",        false, 1, "", "", "", "", "", 0, 255, ""},
};
// clang-format on

TEST(Id3v1Tag, ReadsEveryFixture) {
    for (const Id3v1Case& c : kId3v1Cases) {
        SCOPED_TRACE(c.fixture);
        TID3v1 tag;
        ASSERT_TRUE(tag.ReadFromFile(AudioFixture(c.fixture)));
        EXPECT_EQ(tag.Exists, c.exists);
        EXPECT_EQ(tag.VersionID, c.version);
        EXPECT_EQ(tag.Title, c.title);
        EXPECT_EQ(tag.Artist, c.artist);
        EXPECT_EQ(tag.Album, c.album);
        EXPECT_EQ(tag.Year, c.year);
        EXPECT_EQ(tag.Comment, c.comment);
        EXPECT_EQ(tag.Track, c.track);
        EXPECT_EQ(tag.GenreID, c.genreId);
        EXPECT_EQ(tag.GetGenre(), c.genre);
    }
}

// A 128-byte ID3v1 tag behind 200 bytes of sound.
std::string Id3v1File(std::string_view comment30, std::uint8_t genre,
                      std::string_view title = "Title") {
    Bytes b;
    b.Fill(200, '\xFF');
    b.Text("TAG");
    b.Text(title).Fill(30 - title.size()); // title
    b.Text("Artist").Fill(24);             // artist
    b.Text("Album").Fill(25);              // album
    b.Text("1999");                        // year
    b.Text(comment30);                     // comment, and in v1.1 the zero and the track
    b.U8(genre);                           // genre
    return b.s;
}

TEST(Id3v1Tag, ZeroBeforeTheTrackMakesVersionOneOne) {
    AudioTempFolder folder;
    const std::string comment = std::string(28, 'c') + "\0\x07"_b;
    TID3v1 tag;
    ASSERT_TRUE(tag.ReadFromFile(folder.Write("v11.mp3", Id3v1File(comment, 92))));
    EXPECT_EQ(tag.VersionID, 2);
    EXPECT_EQ(tag.Track, 7);
    EXPECT_EQ(tag.Comment, std::string(28, 'c'));
    EXPECT_EQ(tag.GetGenre(), "Progessive Rock");

    // A text in the last comment bytes is v1.0, all 30 characters kept.
    ASSERT_TRUE(tag.ReadFromFile(folder.Write("v10.mp3", Id3v1File(std::string(30, 'd'), 0))));
    EXPECT_EQ(tag.VersionID, 1);
    EXPECT_EQ(tag.Track, 0);
    EXPECT_EQ(tag.Comment, std::string(30, 'd'));
    EXPECT_EQ(tag.GetGenre(), "Blues");
}

TEST(Id3v1Tag, GenreBeyondTheListIsEmpty) {
    TID3v1 tag;
    for (int id : {148, 200, 255}) {
        tag.GenreID = static_cast<std::uint8_t>(id);
        EXPECT_EQ(tag.GetGenre(), "") << id;
    }
    tag.GenreID = 147;
    EXPECT_EQ(tag.GetGenre(), "Synthpop");
    tag.GenreID = 79;
    EXPECT_EQ(tag.GetGenre(), "Hard Rock");
    tag.GenreID = 80;
    EXPECT_EQ(tag.GetGenre(), "Folk");
}

TEST(Id3v1Tag, TextsOfNoDeclaredEncoding) {
    struct Case {
        std::string title;
        std::string expected;
    };
    const Case cases[] = {
        {"Caf\xE9", "Café"},     // Windows-1252 (Latin-1)
        {"Caf\xC3\xA9", "Café"}, // UTF-8, as ffmpeg writes
        {std::string(27, 'a') + "\xC3\xA9\xC3",
         std::string(27, 'a') + "é"},                                // UTF-8 cut inside a character
        {std::string(29, 'a') + "\xE9", std::string(29, 'a') + "é"}, // Latin-1 at the full width
    };
    AudioTempFolder folder;
    TID3v1 tag;
    for (const Case& c : cases) {
        ASSERT_TRUE(
            tag.ReadFromFile(folder.Write("t.mp3", Id3v1File(std::string(30, 'x'), 1, c.title))));
        EXPECT_EQ(tag.Title, c.expected);
    }
}

TEST(Id3v1Tag, SetYear) {
    TID3v1 tag;
    tag.SetYear("19999  ");
    EXPECT_EQ(tag.Year, "1999");
    tag.SetYear("0");
    EXPECT_EQ(tag.Year, "0");
}

TEST(Id3v1Tag, FileShorterThanATagIsNotRead) {
    AudioTempFolder folder;
    TID3v1 tag;
    EXPECT_FALSE(tag.ReadFromFile(folder.Write("short.mp3", std::string(127, 'T'))));
    EXPECT_FALSE(tag.Exists);
}

// ---------------------------------------------------------------------------
// ID3v2

struct Id3v2Case {
    const char* fixture;
    bool exists;
    int version;
    std::int32_t size;
    const char* title;
    const char* artist;
    const char* album;
    int track;
    const char* trackString;
    const char* year;
    const char* genre;
};

// clang-format off
const Id3v2Case kId3v2Cases[] = {
    // Latin-1 frames.
    {"cbr-mono-22k-id3v2.3.mp3",       true,  3, 133, "Cbr Mono",   "Test Artist", "Test Album", 7, "7/12", "2004", "Rock"},
    {"cbr-stereo-id3v1-id3v2.3.mp3",   true,  3, 165, "Cbr Stereo", "Test Artist", "Test Album", 7, "7/12", "2004", "Rock"},
    // UTF-16 with a byte-order mark: the U+00FF stays.
    {"vbr-mono-22k-id3v2.3-utf16.mp3", true,  3, 78,  "Vbr Mono ÿ", "Test Artist", "", 0, "", "", ""},
    // UTF-8 frames; the year from "TDRC"; "(17)Rock" gives "Rock".
    {"vbr-stereo-id3v2.4.mp3",         true,  4, 150, "Vbr Ünïcödé ÿ", "Test Artist", "Test Album", 3, "3", "2011", "Rock"},
    {"cbr-stereo-id3v1.mp3",           false, 0, 0,   "", "", "", 0, "", "", ""},
    {"cbr-stereo-notag.mp3",           false, 0, 0,   "", "", "", 0, "", "", ""},
};
// clang-format on

TEST(Id3v2Tag, ReadsEveryFixture) {
    for (const Id3v2Case& c : kId3v2Cases) {
        SCOPED_TRACE(c.fixture);
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadFromFile(AudioFixture(c.fixture)));
        EXPECT_EQ(tag.Exists, c.exists);
        EXPECT_EQ(tag.VersionID, c.version);
        EXPECT_EQ(tag.Size, c.size);
        EXPECT_EQ(tag.Title, c.title);
        EXPECT_EQ(tag.Artist, c.artist);
        EXPECT_EQ(tag.Album, c.album);
        EXPECT_EQ(tag.Track, c.track);
        EXPECT_EQ(tag.TrackString, c.trackString);
        EXPECT_EQ(tag.Year, c.year);
        EXPECT_EQ(tag.Genre, c.genre);
    }
}

// One frame of an ID3v2 tag of `version`.
std::string Id3Frame(int version, std::string_view id, std::string_view data,
                     std::uint8_t format = 0) {
    Bytes b;
    b.Text(id);
    if (version == 2) {
        b.Be24(static_cast<std::uint32_t>(data.size())); // 24-bit size
    } else if (version == 4) {
        b.Synchsafe(static_cast<std::uint32_t>(data.size())); // synchsafe size
    } else {
        b.Be32(static_cast<std::uint32_t>(data.size())); // 32-bit size
    }
    if (version != 2) b.U8(0).U8(format); // status flags, format flags
    return b.Text(data).s;
}

// A tag holding `frames` and 16 bytes of padding, in front of 64 bytes of sound.
std::string Id3File(int version, std::uint8_t flags, const std::string& frames) {
    Bytes b;
    b.Text("ID3").U8(version).U8(0).U8(flags); // identifier, version, revision, flags
    b.Synchsafe(static_cast<std::uint32_t>(frames.size() + 16)); // size after the header
    b.Text(frames).Fill(16);                                     // frames, padding
    b.Fill(64, '\xFF');                                          // sound
    return b.s;
}

TID3v2 ReadId3(const AudioTempFolder& folder, const std::string& bytes) {
    TID3v2 tag;
    EXPECT_TRUE(tag.ReadFromFile(folder.Write("tag.mp3", bytes)));
    EXPECT_TRUE(tag.Exists);
    return tag;
}

TEST(Id3v2Tag, TextEncodings) {
    struct Case {
        std::string data; // a "TIT2" frame's data: encoding byte, text
        const char* title;
    };
    const Case cases[] = {
        {"\x00"
         "Caf\xE9"_b,
         "Café"}, // Latin-1
        {"\x00"
         "  padded \x00\x00"_b,
         "padded"}, // trimmed, terminator dropped
        {"\x01"
         "\xFF\xFE"
         "C\0a\0f\0\xE9\0\0\0"_b,
         "Café"}, // UTF-16, little-endian mark
        {"\x01"
         "\xFE\xFF"
         "\0C\0a\0f\0\xE9"_b,
         "Café"}, // UTF-16, big-endian mark
        {"\x01"
         "C\0a\0f\0\xE9\0"_b,
         "Café"}, // UTF-16 without mark: little-endian
        {"\x02"
         "\0C\0a\0f\0\xE9"_b,
         "Café"}, // UTF-16BE
        {"\x03"
         "Caf\xC3\xA9\0"_b,
         "Café"}, // UTF-8
        {"\x01"
         "\xFF\xFE"
         "\xFF\0y\0"_b,
         "ÿy"}, // U+00FF is a character like any other
        {"\x01"
         "\xFF\xFE"
         "a\0"
         "\x3D\xD8\x00\xDE"_b,
         "a\xF0\x9F\x98\x80"}, // a surrogate pair
        {"\x01"
         "\xFF\xFE"
         "a\0"
         "\x3D\xD8"_b,
         "a"}, // a pair cut at the end
        {"\x04"
         "Caf"_b,
         ""}, // no such encoding
    };
    AudioTempFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        for (int version : {3, 4}) {
            const TID3v2 tag =
                ReadId3(folder, Id3File(version, 0, Id3Frame(version, "TIT2", c.data)));
            EXPECT_EQ(tag.Title, c.title) << "version " << version;
        }
    }
}

TEST(Id3v2Tag, Version24FrameSizesAreSynchsafe) {
    // 201 bytes of data: synchsafe 00 00 01 49, which read as a plain number is 329.
    const std::string title(200, 'A');
    const std::string frames = Id3Frame(4, "TIT2", "\x00"_b + title) + Id3Frame(4, "TPE1",
                                                                                "\x03"
                                                                                "Artist"_b);
    AudioTempFolder folder;
    const TID3v2 tag = ReadId3(folder, Id3File(4, 0, frames));
    EXPECT_EQ(tag.Title, title);
    EXPECT_EQ(tag.Artist, "Artist");

    // In 2.3 the same size is a plain 32-bit number.
    const TID3v2 v23 =
        ReadId3(folder, Id3File(3, 0,
                                Id3Frame(3, "TIT2", "\x00"_b + title) + Id3Frame(3, "TPE1",
                                                                                 "\x00"
                                                                                 "Artist"_b)));
    EXPECT_EQ(v23.Title, title);
    EXPECT_EQ(v23.Artist, "Artist");
}

TEST(Id3v2Tag, SlotFallbacksTrackYearAndGenre) {
    struct Case {
        std::string frames;
        const char* title;
        const char* artist;
        const char* album;
        int track;
        const char* year;
        const char* genre;
    };
    auto f = [](std::string_view id, std::string_view text) {
        return Id3Frame(3, id, "\x00"_b + std::string(text));
    };
    const Case cases[] = {
        {f("TIT1", "Group") + f("TOPE", "Original") + f("TOAL", "Old album"), "Group", "Original",
         "Old album", 0, "", ""},
        {f("TIT2", "Own") + f("TIT1", "Group"), "Own", "", "", 0, "", ""},
        {f("TCON", "(13)"), "", "", "", 0, "", ""},
        {f("TCON", "(17)Rock") + f("TRCK", "12/15"), "", "", "", 12, "", "Rock"},
        {f("TRCK", "x3") + f("TDRC", "2001-02-03T10:00"), "", "", "", 0, "2001", ""},
        {f("TRCK", "70000") + f("TYER", "1987") + f("TDRC", "2001"), "", "", "", 0, "1987", ""},
    };
    AudioTempFolder folder;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const Case& c = cases[i];
        const TID3v2 tag = ReadId3(folder, Id3File(3, 0, c.frames));
        EXPECT_EQ(tag.Title, c.title);
        EXPECT_EQ(tag.Artist, c.artist);
        EXPECT_EQ(tag.Album, c.album);
        EXPECT_EQ(tag.Track, c.track);
        EXPECT_EQ(tag.Year, c.year);
        EXPECT_EQ(tag.Genre, c.genre);
    }
}

TEST(Id3v2Tag, CommentLinkAndOtherTexts) {
    const std::string frames = Id3Frame(3, "COMM",
                                        "\x01"
                                        "eng"
                                        "\xFF\xFE"
                                        "d\0\0\0"
                                        "\xFF\xFE"
                                        "N\0i\0c\0\xE9\0"_b) + // UTF-16 comment
                               Id3Frame(3, "WXXX",
                                        "\x01"
                                        "\xFF\xFE"
                                        "d\0\0\0"
                                        "http://example.org/\xE9"_b) + // the address is Latin-1
                               Id3Frame(3, "TCOM",
                                        "\x00"
                                        "Composer"_b) +
                               Id3Frame(3, "TENC",
                                        "\x00"
                                        "Encoder"_b) +
                               Id3Frame(3, "TCOP",
                                        "\x00"
                                        "2004 Someone"_b) +
                               Id3Frame(3, "TLAN",
                                        "\x00"
                                        "eng"_b);
    AudioTempFolder folder;
    const TID3v2 tag = ReadId3(folder, Id3File(3, 0, frames));
    EXPECT_EQ(tag.Comment, "Nicé");
    EXPECT_EQ(tag.Link, "http://example.org/é");
    EXPECT_EQ(tag.Composer, "Composer");
    EXPECT_EQ(tag.Encoder, "Encoder");
    EXPECT_EQ(tag.RightsNotice, "2004 Someone");
    EXPECT_EQ(tag.Language, "eng");

    // Latin-1: one zero byte ends the description.
    const TID3v2 latin = ReadId3(folder, Id3File(3, 0,
                                                 Id3Frame(3, "COMM",
                                                          "\x00"
                                                          "eng"
                                                          "desc\0"
                                                          "Plain"_b)));
    EXPECT_EQ(latin.Comment, "Plain");
    // No end to the description: no comment.
    const TID3v2 open = ReadId3(folder, Id3File(3, 0,
                                                Id3Frame(3, "COMM",
                                                         "\x00"
                                                         "eng"
                                                         "desc"_b)));
    EXPECT_EQ(open.Comment, "");
}

TEST(Id3v2Tag, Version22Frames) {
    const std::string frames = Id3Frame(2, "TT2",
                                        "\x00"
                                        "Title 22"_b) +
                               Id3Frame(2, "TP1",
                                        "\x01"
                                        "\xFF\xFE"
                                        "A\0"_b) +
                               Id3Frame(2, "TAL",
                                        "\x00"
                                        "Album"_b) +
                               Id3Frame(2, "TYE",
                                        "\x00"
                                        "1990"_b) +
                               Id3Frame(2, "TRK",
                                        "\x00"
                                        "2/9"_b);
    AudioTempFolder folder;
    const TID3v2 tag = ReadId3(folder, Id3File(2, 0, frames));
    EXPECT_EQ(tag.VersionID, 2);
    EXPECT_EQ(tag.Title, "Title 22");
    EXPECT_EQ(tag.Artist, "A");
    EXPECT_EQ(tag.Album, "Album");
    EXPECT_EQ(tag.Year, "1990");
    EXPECT_EQ(tag.Track, 2);
}

TEST(Id3v2Tag, FrameStorage) {
    AudioTempFolder folder;
    // A compressed frame (2.3) is passed over; the next frame is still read.
    TID3v2 tag = ReadId3(folder, Id3File(3, 0,
                                         Id3Frame(3, "TIT2",
                                                  "\x00"
                                                  "zz"_b,
                                                  0x80) +
                                             Id3Frame(3, "TPE1",
                                                      "\x00"
                                                      "Next"_b)));
    EXPECT_EQ(tag.Title, "");
    EXPECT_EQ(tag.Artist, "Next");
    // An encrypted frame (2.4) likewise.
    tag = ReadId3(folder, Id3File(4, 0,
                                  Id3Frame(4, "TIT2",
                                           "\x00"
                                           "zz"_b,
                                           0x04) +
                                      Id3Frame(4, "TPE1",
                                               "\x00"
                                               "Next"_b)));
    EXPECT_EQ(tag.Title, "");
    EXPECT_EQ(tag.Artist, "Next");
    // 2.4: a data length indicator in front of the data, and a frame of its own unsynchronised.
    tag = ReadId3(folder, Id3File(4, 0,
                                  Id3Frame(4, "TIT2",
                                           "\x00\x00\x00\x05"
                                           "\x00"
                                           "Long"_b,
                                           0x01) +
                                      Id3Frame(4, "TPE1",
                                               "\x00"
                                               "A\xFF\x00"
                                               "B"_b,
                                               0x02)));
    EXPECT_EQ(tag.Title, "Long");
    EXPECT_EQ(tag.Artist, "AÿB");
    // 2.3: an extended header (6 bytes after its size field) in front of the frames.
    Bytes extended;
    extended.Be32(6).Fill(6);
    tag = ReadId3(folder, Id3File(3, 0x40,
                                  extended.s + Id3Frame(3, "TIT2",
                                                        "\x00"
                                                        "After"_b)));
    EXPECT_EQ(tag.Title, "After");
    // 2.4: the extended header's synchsafe size counts itself.
    extended = Bytes();
    extended.Synchsafe(6).U8(1).U8(0);
    tag = ReadId3(folder, Id3File(4, 0x40,
                                  extended.s + Id3Frame(4, "TIT2",
                                                        "\x00"
                                                        "After"_b)));
    EXPECT_EQ(tag.Title, "After");
    // Of a long frame only the first 500 bytes are read.
    tag = ReadId3(folder, Id3File(3, 0, Id3Frame(3, "TIT2", "\x00"_b + std::string(700, 'L'))));
    EXPECT_EQ(tag.Title, std::string(499, 'L'));
}

TEST(Id3v2Tag, FrameRunningPastTheTagEndsTheFrames) {
    Bytes runaway;
    runaway.Text("TPE1").Be32(100000).U8(0).U8(0).Text("\x00"
                                                       "Lost"_b); // claims 100000 bytes
    AudioTempFolder folder;
    const TID3v2 tag = ReadId3(folder, Id3File(3, 0,
                                               Id3Frame(3, "TIT2",
                                                        "\x00"
                                                        "Kept"_b) +
                                                   runaway.s +
                                                   Id3Frame(3, "TALB",
                                                            "\x00"
                                                            "Never"_b)));
    EXPECT_EQ(tag.Title, "Kept");
    EXPECT_EQ(tag.Artist, "");
    EXPECT_EQ(tag.Album, "");
}

TEST(Id3v2Tag, TagLargerThanTheFileHasSizeZeroAndNoFrames) {
    Bytes b;
    b.Text("ID3").U8(3).U8(0).U8(0).Synchsafe(5000); // 5000 bytes claimed
    b.Text(Id3Frame(3, "TIT2",
                    "\x00"
                    "Title"_b));
    AudioTempFolder folder;
    const TID3v2 tag = ReadId3(folder, b.s);
    EXPECT_EQ(tag.Size, 0);
    EXPECT_EQ(tag.Title, "");
}

TEST(Id3v2Tag, SetYearTrims) {
    TID3v2 tag;
    tag.SetYear("  2004 \t");
    EXPECT_EQ(tag.Year, "2004");
}

// ---------------------------------------------------------------------------
// Ogg Vorbis

struct OggCase {
    const char* fixture;
    int channels;
    int sampleRate;
    int nominal;          // ffprobe's stream bit rate / 1000, rounded
    std::int32_t samples; // ffprobe's duration x rate
    double duration;
    int bitRate; // ffprobe's format bit rate / 1000, rounded
    const char* title;
    const char* artist;
    const char* album;
    int track;
    const char* date;
    const char* genre;
    const char* comment;
};

// clang-format off
const OggCase kOggCases[] = {
    {"vorbis-mono-8k-fulldate.ogg", 1, 8000, 14, 9600, 1.2, 23, "Ogg Title", "Ogg Artist", "Ogg Album", 3, "2003-05-01", "Jazz", "A comment"},
    // PERFORMER stands in for ARTIST and DESCRIPTION for COMMENT.
    {"vorbis-stereo-22k-year.ogg", 2, 22050, 37, 26460, 1.2, 39, "Canción", "Intérprete", "", 5, "1999", "", "Only a description"},
    {"vorbis-mono-8k-notags.ogg",  1, 8000, 14, 9600, 1.2, 22, "", "", "", 0, "", "", ""},
};
// clang-format on

void VerifyOgg(const TOggVorbis& ogg, const OggCase& c) {
    EXPECT_EQ(ogg.Channels, c.channels);
    EXPECT_EQ(ogg.SampleRate, c.sampleRate);
    EXPECT_EQ(ogg.BitRateNominal, c.nominal);
    EXPECT_EQ(ogg.Samples, c.samples);
    EXPECT_DOUBLE_EQ(ogg.GetDuration(), c.duration);
    EXPECT_EQ(ogg.GetBitRate(), c.bitRate);
    EXPECT_TRUE(ogg.IsValid());
    EXPECT_EQ(ogg.Title, c.title);
    EXPECT_EQ(ogg.Artist, c.artist);
    EXPECT_EQ(ogg.Album, c.album);
    EXPECT_EQ(ogg.Track, c.track);
    EXPECT_EQ(ogg.Date, c.date);
    EXPECT_EQ(ogg.Genre, c.genre);
    EXPECT_EQ(ogg.Comment, c.comment);
    EXPECT_EQ(ogg.Vendor, "ffmpeg");
}

TEST(OggVorbis, ReadsEveryFixture) {
    for (const OggCase& c : kOggCases) {
        SCOPED_TRACE(c.fixture);
        TOggVorbis ogg;
        ASSERT_TRUE(ogg.ReadFromFile(AudioFixture(c.fixture)));
        EXPECT_EQ(ogg.FileSize, static_cast<std::int64_t>(fs::file_size(AudioFixture(c.fixture))));
        EXPECT_EQ(ogg.ID3v2Size, 0);
        VerifyOgg(ogg, c);
    }
}

// The ID3v2 tag of an MP3 fixture (133 bytes).
std::string Id3v2TagBytes() {
    return ReadFixtureBytes("cbr-mono-22k-id3v2.3.mp3").substr(0, 133);
}

TEST(OggVorbis, StreamBehindAnId3v2Tag) {
    AudioTempFolder folder;
    const OggCase& c = kOggCases[0];
    TOggVorbis ogg;
    ASSERT_TRUE(ogg.ReadFromFile(
        folder.Write("tagged.ogg", Id3v2TagBytes() + ReadFixtureBytes(c.fixture))));
    EXPECT_EQ(ogg.ID3v2Size, 133);
    VerifyOgg(ogg, c); // the bit rate leaves the tag out
}

// The first two pages of a fixture: the headers, and no granule position beyond 0.
std::string HeaderPagesOnly(const std::string& fixture) {
    const std::string bytes = ReadFixtureBytes(fixture);
    const std::size_t third = bytes.find("OggS", bytes.find("OggS", 1) + 1);
    return bytes.substr(0, third);
}

TEST(OggVorbis, WithoutASampleTotalTheDurationComesFromTheNominalBitRate) {
    AudioTempFolder folder;
    const std::string headers = HeaderPagesOnly("vorbis-mono-8k-fulldate.ogg");
    // (file size - tag) / 14 kbit/s / 1 channel / 125 x 2
    const double expected = static_cast<double>(headers.size()) / 14 / 1 / 125 * 2;
    for (const std::string& tag : {std::string(), Id3v2TagBytes()}) {
        TOggVorbis ogg;
        ASSERT_TRUE(ogg.ReadFromFile(folder.Write("headers.ogg", tag + headers)));
        EXPECT_EQ(ogg.Samples, 0);
        EXPECT_DOUBLE_EQ(ogg.GetDuration(), expected) << tag.size();
        EXPECT_EQ(ogg.Title, "Ogg Title");
    }
}

TEST(OggVorbis, FileWithoutACommentHeaderStillGivesTheStream) {
    std::string bytes = ReadFixtureBytes("vorbis-mono-8k-fulldate.ogg");
    const std::size_t second = bytes.find("OggS", 1);
    const std::size_t packet = second + 27 + static_cast<std::uint8_t>(bytes[second + 26]);
    ASSERT_EQ(bytes.substr(packet, 7), "\x03vorbis");
    bytes[packet] = '\x05'; // now the setup header's type, no comment header
    AudioTempFolder folder;
    TOggVorbis ogg;
    ASSERT_TRUE(ogg.ReadFromFile(folder.Write("nocomments.ogg", bytes)));
    EXPECT_EQ(ogg.Channels, 1);
    EXPECT_EQ(ogg.SampleRate, 8000);
    EXPECT_DOUBLE_EQ(ogg.GetDuration(), 1.2);
    EXPECT_TRUE(ogg.IsValid());
    EXPECT_EQ(ogg.Title, "");
    EXPECT_EQ(ogg.Vendor, "");
}

TEST(OggVorbis, CommentCountBeyondThePacketEndsTheComments) {
    std::string bytes = ReadFixtureBytes("vorbis-mono-8k-fulldate.ogg");
    const std::size_t count = bytes.find("ffmpeg") + 6; // the count follows the vendor
    bytes.replace(count, 4, "\xFF\xFF\xFF\xFF"_b);
    AudioTempFolder folder;
    TOggVorbis ogg;
    ASSERT_TRUE(ogg.ReadFromFile(folder.Write("count.ogg", bytes)));
    EXPECT_EQ(ogg.Title, "Ogg Title"); // the comments that are there
    EXPECT_EQ(ogg.Genre, "Jazz");
    EXPECT_EQ(ogg.Samples, 9600);
}

// Ogg pages and Vorbis headers for the edge cases.
std::string OggPage(std::uint32_t serial, std::int64_t granule, std::uint8_t type,
                    const std::string& body, const std::vector<std::uint8_t>& lacing) {
    Bytes b;
    b.Text("OggS").U8(0).U8(type);               // capture pattern, version, header type
    b.Le64(static_cast<std::uint64_t>(granule)); // granule position
    b.Le32(serial).Le32(0).Le32(0);              // serial, sequence, checksum (not checked)
    b.U8(static_cast<unsigned>(lacing.size()));  // segment count
    for (std::uint8_t l : lacing)
        b.U8(l); // segment table
    return b.Text(body).s;
}

// The segment table of `bytes` of a packet; `ends` when the packet ends there.
std::vector<std::uint8_t> Lacing(std::size_t bytes, bool ends) {
    std::vector<std::uint8_t> lacing(bytes / 255, 255);
    if (ends) lacing.push_back(static_cast<std::uint8_t>(bytes % 255));
    return lacing;
}

std::string VorbisId(unsigned channels, std::uint32_t rate, std::uint32_t nominal) {
    Bytes b;
    b.Text("\x01vorbis").Le32(0);    // packet type, signature, version
    b.U8(channels).Le32(rate);       // channels, sample rate
    b.Le32(0).Le32(nominal).Le32(0); // maximum, nominal, minimum bit rate
    b.U8(0xB8).U8(1);                // block sizes, framing
    return b.s;
}

std::string VorbisComments(std::string_view vendor, const std::vector<std::string>& comments) {
    Bytes b;
    b.Text("\x03vorbis").Le32(static_cast<std::uint32_t>(vendor.size())).Text(vendor);
    b.Le32(static_cast<std::uint32_t>(comments.size()));
    for (const std::string& c : comments)
        b.Le32(static_cast<std::uint32_t>(c.size())).Text(c);
    return b.U8(1).s; // framing
}

TEST(OggVorbis, CommentHeaderAcrossPagesAndPastOtherStreams) {
    const std::string longComment = "COMMENT=" + std::string(600, 'c');
    const std::string comments =
        VorbisComments("Built", {"TITLE=Across", longComment, "artist=lower name", "ALBUM=After"});
    const std::string first = comments.substr(0, 510), rest = comments.substr(510);
    const std::string file =
        OggPage(7, 0, 2, VorbisId(2, 44100, 128000), Lacing(30, true)) +
        OggPage(7, 0, 0, first, Lacing(510, false)) +
        OggPage(9, 0, 2, std::string(40, 'x'), Lacing(40, true)) + // another stream
        OggPage(7, 0, 1, rest, Lacing(rest.size(), true)) +
        OggPage(7, 88200, 4, std::string(10, 'a'), Lacing(10, true)) +
        OggPage(9, 999999, 4, std::string(10, 'v'), Lacing(10, true)); // its last page
    AudioTempFolder folder;
    TOggVorbis ogg;
    ASSERT_TRUE(ogg.ReadFromFile(folder.Write("across.ogg", file)));
    EXPECT_EQ(ogg.Vendor, "Built");
    EXPECT_EQ(ogg.Title, "Across");
    EXPECT_EQ(ogg.Comment, std::string(250 - 8, 'c')); // 250 bytes of the comment, name included
    EXPECT_EQ(ogg.Artist, "lower name");
    EXPECT_EQ(ogg.Album, "After");
    EXPECT_EQ(ogg.Samples, 88200); // the last page of this stream
    EXPECT_DOUBLE_EQ(ogg.GetDuration(), 2.0);
    EXPECT_EQ(ogg.BitRateNominal, 128);
}

TEST(OggVorbis, ValueBeyondItsFieldRaisesAndTheWriterLogsIt) {
    const std::string comments = VorbisComments("v", {"TITLE=T"});
    const std::string file = OggPage(1, 0, 2, VorbisId(2, 96000, 128000), Lacing(30, true)) +
                             OggPage(1, 0, 0, comments, Lacing(comments.size(), true)) +
                             OggPage(1, 96000, 4, std::string(10, 'a'), Lacing(10, true));
    AudioTempFolder folder;
    const std::string path = folder.Write("rate.ogg", file);
    TOggVorbis ogg;
    EXPECT_THROW(ogg.ReadFromFile(path), EAudioRange);
    MediaReaders readers;
    ErrorLog log;
    std::string description = "old";
    EXPECT_EQ(ReadOGG(readers, path, description, log.Sink()), "");
    EXPECT_EQ(description, "");
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0],
              "ReadOGG failure on " + path + ": Range check error: sample rate 96000");
}

TEST(OggVorbis, DivisorsFromTheFileAreGuarded) {
    struct Case {
        unsigned channels;
        std::uint32_t rate, nominal;
        std::int64_t granule;
        double duration;
    };
    const Case cases[] = {
        {2, 0, 0, 1000, 0},   // no rate, no nominal bit rate
        {0, 0, 128000, 0, 0}, // no channels
        {1, 8000, 0, 0, 0},   // no sample total, no nominal bit rate
    };
    AudioTempFolder folder;
    for (const Case& c : cases) {
        const std::string comments = VorbisComments("v", {});
        const std::string file =
            OggPage(1, 0, 2, VorbisId(c.channels, c.rate, c.nominal), Lacing(30, true)) +
            OggPage(1, 0, 0, comments, Lacing(comments.size(), true)) +
            OggPage(1, c.granule, 4, std::string(10, 'a'), Lacing(10, true));
        TOggVorbis ogg;
        ASSERT_TRUE(ogg.ReadFromFile(folder.Write("zero.ogg", file)));
        EXPECT_EQ(ogg.GetDuration(), c.duration);
        EXPECT_EQ(ogg.GetBitRate(), 0);
        EXPECT_FALSE(ogg.IsValid());
    }
}

TEST(OggVorbis, OtherStreamsAreNotVorbis) {
    AudioTempFolder folder;
    Bytes opus;
    opus.Text("OpusHead").U8(1).U8(2).Le16(312).Le32(48000).Le16(0).U8(0);
    TOggVorbis ogg;
    EXPECT_FALSE(
        ogg.ReadFromFile(folder.Write("opus.ogg", OggPage(3, 0, 2, opus.s, Lacing(19, true)))));
    EXPECT_FALSE(ogg.ReadFromFile(folder.Write("text.ogg", "not an Ogg file at all")));
    EXPECT_FALSE(ogg.IsValid());
}

// ---------------------------------------------------------------------------
// WMA

struct WmaCase {
    const char* fixture;
    bool valid;
    int channels;
    int sampleRate;
    double duration; // file size x 8 / maximum bit rate (ffprobe: 1.207, 0.603)
    int bitRate;
    const char* title;
    const char* artist;
    const char* album;
    int track;
    const char* year;
    const char* genre;
};

// clang-format off
const WmaCase kWmaCases[] = {
    {"wma-mono-22k-tags.wma",      true, 1, 22050, 7242 * 8 / 32000.0, 32, "Wma Title", "Wma Artist", "Wma Album", 4, "2007", "Blues"},
    {"wma-stereo-44k-unicode.wma", true, 2, 44100, 7030 * 8 / 64000.0, 64, "Título ÿ €", "Wma Artist", "", 0, "", ""},
    {"wma-mono-22k-notags.wma",    true, 1, 22050, 6844 * 8 / 32000.0, 32, "", "", "", 0, "", ""},
};
// clang-format on

TEST(WmaFile, ReadsEveryFixture) {
    for (const WmaCase& c : kWmaCases) {
        SCOPED_TRACE(c.fixture);
        TWMAfile wma;
        ASSERT_TRUE(wma.ReadFromFile(AudioFixture(c.fixture)));
        EXPECT_EQ(wma.Valid, c.valid);
        EXPECT_EQ(wma.FileSize, static_cast<std::int64_t>(fs::file_size(AudioFixture(c.fixture))));
        EXPECT_EQ(wma.Channels, c.channels);
        EXPECT_EQ(wma.SampleRate, c.sampleRate);
        EXPECT_DOUBLE_EQ(wma.Duration, c.duration);
        EXPECT_EQ(wma.BitRate, c.bitRate);
        EXPECT_EQ(wma.Title, c.title);
        EXPECT_EQ(wma.Artist, c.artist);
        EXPECT_EQ(wma.Album, c.album);
        EXPECT_EQ(wma.Track, c.track);
        EXPECT_EQ(wma.Year, c.year);
        EXPECT_EQ(wma.Genre, c.genre);
    }
}

const std::string kAsfHeader = "\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"_b;
const std::string kAsfFileProperties =
    "\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65"_b;
const std::string kAsfStreamProperties =
    "\x91\x07\xDC\xB7\xB7\xA9\xCF\x11\x8E\xE6\x00\xC0\x0C\x20\x53\x65"_b;
const std::string kAsfExtendedContent =
    "\x40\xA4\xD0\xD2\x07\xE3\xD2\x11\x97\xF0\x00\xA0\xC9\x5E\xA8\x50"_b;
const std::string kAsfAudioMedia =
    "\x40\x9E\x69\xF8\x4D\x5B\xCF\x11\xA8\xFD\x00\x80\x5F\x5C\x44\x2B"_b;

std::string AsfObject(const std::string& guid, const std::string& body) {
    return Bytes().Text(guid).Le64(24 + body.size()).Text(body).s;
}

std::string AsfFile(const std::vector<std::string>& objects) {
    std::string all;
    for (const std::string& o : objects)
        all += o;
    Bytes b;
    b.Text(kAsfHeader).Le64(30 + all.size());           // identifier, size
    b.Le32(static_cast<std::uint32_t>(objects.size())); // object count
    b.U8(1).U8(2);                                      // reserved
    return b.Text(all).Fill(100, '\x82').s;             // objects, then a little data
}

std::string FileProperties(std::uint32_t maxBitRate) {
    return AsfObject(kAsfFileProperties,
                     Bytes().Fill(76).Le32(maxBitRate).s); // maximum bit rate at 100
}

std::string StreamProperties(unsigned channels, std::uint32_t rate, std::uint32_t byteRate) {
    Bytes b;
    b.Text(kAsfAudioMedia).Fill(16);    // stream type, error correction type
    b.Fill(8).Le32(18).Le32(0).Le16(1); // time offset, data lengths, flags
    b.Le32(0);                          // reserved
    b.Le16(0x161).Le16(channels);       // format tag, channels (at 80)
    b.Le32(rate).Le32(byteRate);        // sample rate (82), byte rate (86)
    b.Le16(1).Le16(16).Le16(0);         // block align, bits, extra size
    return AsfObject(kAsfStreamProperties, b.s);
}

struct Descriptor {
    std::string name;
    std::uint16_t type;
    std::string value;
};

std::string ExtendedContent(const std::vector<Descriptor>& descriptors) {
    Bytes b;
    b.Le16(static_cast<unsigned>(descriptors.size()));
    for (const Descriptor& d : descriptors) {
        const std::string name = Wide(d.name);
        b.Le16(static_cast<unsigned>(name.size())).Text(name);                    // name
        b.Le16(d.type).Le16(static_cast<unsigned>(d.value.size())).Text(d.value); // type, value
    }
    return AsfObject(kAsfExtendedContent, b.s);
}

TWMAfile ReadWma(const AudioTempFolder& folder, const std::string& bytes, bool read = true) {
    TWMAfile wma;
    EXPECT_EQ(wma.ReadFromFile(folder.Write("built.wma", bytes)), read);
    return wma;
}

TEST(WmaFile, NumberTypedTrackBeforeATextYear) {
    const std::string file = AsfFile({FileProperties(32000), StreamProperties(2, 44100, 4000),
                                      ExtendedContent({{"WM/Track", 3, Bytes().Le32(5).s},
                                                       {"WM/Year", 0, Wide("1998")},
                                                       {"WM/Genre", 0, Wide("Jazz")}})});
    AudioTempFolder folder;
    const TWMAfile wma = ReadWma(folder, file);
    EXPECT_TRUE(wma.Valid);
    EXPECT_EQ(wma.Track, 0);
    EXPECT_EQ(wma.Year, "1998");
    EXPECT_EQ(wma.Genre, "Jazz");
}

TEST(WmaFile, TrackNumberWinsOverTrack) {
    AudioTempFolder folder;
    const auto withTracks = [](const std::vector<Descriptor>& tracks) {
        return AsfFile(
            {FileProperties(32000), StreamProperties(1, 22050, 4000), ExtendedContent(tracks)});
    };
    EXPECT_EQ(ReadWma(folder, withTracks({{"WM/Track", 0, Wide("2")}})).Track, 2);
    EXPECT_EQ(
        ReadWma(folder, withTracks({{"WM/Track", 0, Wide("2")}, {"WM/TrackNumber", 0, Wide("3")}}))
            .Track,
        3);
    EXPECT_EQ(ReadWma(folder, withTracks({{"wm/tracknumber", 0, Wide(" 9 ")}})).Track, 9);
    EXPECT_EQ(ReadWma(folder, withTracks({{"WM/TrackNumber", 0, Wide("nine")}})).Track, 0);
}

TEST(WmaFile, ValuesOutsideThePlayableRangeAreNotValid) {
    struct Case {
        std::uint32_t maxBitRate;
        unsigned channels;
        std::uint32_t rate, byteRate;
        bool valid;
    };
    const Case cases[] = {
        {32000, 2, 44100, 4000, true},  {32000, 6, 44100, 4000, false}, // six channels
        {0, 2, 44100, 4000, false},     {320000, 2, 44100, 4000, false},
        {32000, 2, 7999, 4000, false},  {32000, 2, 96001, 4000, false},
        {32000, 2, 96000, 39999, true}, {32000, 2, 8000, 40000, false},
    };
    AudioTempFolder folder;
    for (const Case& c : cases) {
        const TWMAfile wma =
            ReadWma(folder, AsfFile({FileProperties(c.maxBitRate),
                                     StreamProperties(c.channels, c.rate, c.byteRate)}));
        EXPECT_EQ(wma.Valid, c.valid)
            << c.maxBitRate << " " << c.channels << " " << c.rate << " " << c.byteRate;
    }
}

TEST(WmaFile, ObjectSmallerThanItsHeaderEndsTheWalk) {
    for (std::uint64_t size : {0, 10, 23}) {
        Bytes tiny;
        tiny.Text(kAsfFileProperties).Le64(size); // a size smaller than the 24-byte header
        const std::string file =
            AsfFile({tiny.s, StreamProperties(1, 22050, 4000), FileProperties(32000)});
        AudioTempFolder folder;
        const TWMAfile wma = ReadWma(folder, file);
        EXPECT_FALSE(wma.Valid) << size; // the objects after it were never reached
    }
}

TEST(WmaFile, DamagedObjectsGiveFalse) {
    AudioTempFolder folder;
    // An object that runs past the end of the file.
    Bytes runaway;
    runaway.Text(kAsfExtendedContent).Le64(1'000'000).Le16(1);
    ReadWma(folder, AsfFile({FileProperties(32000), StreamProperties(1, 22050, 4000), runaway.s}),
            false);
    // A descriptor name longer than its object.
    Bytes longName;
    longName.Le16(1).Le16(5000).Text(Wide("WM/Year"));
    ReadWma(folder, AsfFile({FileProperties(32000), AsfObject(kAsfExtendedContent, longName.s)}),
            false);
    // A file cut inside the header object.
    const std::string whole = ReadFixtureBytes("wma-mono-22k-tags.wma");
    ReadWma(folder, whole.substr(0, 300), false);
    // Not ASF at all: read, and not valid.
    EXPECT_FALSE(ReadWma(folder, "RIFF....WAVE").Valid);
}

TEST(WmaFile, SixChannelFixtureIsNotValid) {
    std::string bytes = ReadFixtureBytes("wma-mono-22k-tags.wma");
    const std::size_t stream = bytes.find(kAsfStreamProperties);
    ASSERT_NE(stream, std::string::npos);
    bytes[stream + 80] = 6;
    AudioTempFolder folder;
    EXPECT_FALSE(ReadWma(folder, bytes).Valid);
}

// ---------------------------------------------------------------------------
// Writers

using PlainWriter = std::string (*)(MediaReaders&, const std::string&, const MediaErrorSink&);
using MusicWriter = std::string (*)(MediaReaders&, const std::string&, std::string&,
                                    const MediaErrorSink&);

struct WriterCase {
    const char* fixture;
    std::string block;       // brackets included
    const char* description; // of the music writers
    bool logged;
};

// Number fields: pairs of digits as one character each (pair + 32), an odd
// leading digit alone, blanks on the left to the width.
// clang-format off
const WriterCase kWavWriterCases[] = {
    //                                    seconds ch  rate  bits
    {"wav-pcm16-mono-8k.wav",         "\x1A" "   " "1" " p " "0" "\x1A", "", false}, // 0 s, 8000 Hz, 16
    {"wav-pcm16-mono-8k-1500ms.wav",  "\x1A" "  !" "1" " p " "0" "\x1A", "", false}, // 1.5 s truncated to 1
    {"wav-pcm8-mono-8k.wav",          "\x1A" "   " "1" " p " "(" "\x1A", "", false}, // 8 bits
    {"wav-float32-mono-8k.wav",       "\x1A" "   " "1" " p " "@" "\x1A", "", false}, // 32 bits
    {"wav-pcm24-stereo-8k.wav",       "\x1A" "   " "2" " p " "8" "\x1A", "", false}, // 24 bits
    {"wav-pcm16-stereo-44k-list.wav", "\x1A" "   " "2" "$I " "0" "\x1A", "", false}, // 44100 Hz
    {"wav-pcm16-3ch-8k.wav",          "",                                "", true},  // not valid: aborted
};

const WriterCase kOggWriterCases[] = {
    //                                 seconds ch rate  kbit/s year  track genre
    {"vorbis-mono-8k-fulldate.ogg", "\x1A" "  !" "1" " p " " 7" "4#" " #" "Jazz" "\x1A",
        "Ogg Artist [Ogg Album] Ogg Title", false},            // 1 s, 23 kbit/s, 2003, track 3
    {"vorbis-stereo-22k-year.ogg",  "\x1A" "  !" "2" "\"4R" " G" "3\x83" " %" "\x1A",
        "Intérprete Canción", false},                          // 22050 Hz, 39 kbit/s, 1999, track 5
    {"vorbis-mono-8k-notags.ogg",   "\x1A" "  !" "1" " p " " 6" "  " "  " "\x1A", "", false},
    {"wav-pcm16-mono-8k.wav",       "", "", false},            // no Ogg page: nothing, silently
};

const WriterCase kWmaWriterCases[] = {
    //                              seconds ch rate  kbit/s year  track genre
    {"wma-mono-22k-tags.wma",      "\x1A" "  \"" "1" "\"4R" " @" "4'" " $" "Blues" "\x1A",
        "Wma Artist [Wma Album] Wma Title", false},            // 1.81 s rounded to 2, 32 kbit/s, 2007, 4
    {"wma-stereo-44k-unicode.wma", "\x1A" "  !" "2" "$I " " `" "  " "  " "\x1A",
        "Wma Artist Título ÿ €", false},                      // 0.879 s rounded to 1, 64 kbit/s
    {"wma-mono-22k-notags.wma",    "\x1A" "  \"" "1" "\"4R" " @" "  " "  " "\x1A", "", false},
    {"vorbis-mono-8k-notags.ogg",  "", "", false},             // not ASF: nothing, silently
};
// clang-format on

TEST(AudioWriters, WavBlocks) {
    MediaReaders readers;
    for (const WriterCase& c : kWavWriterCases) {
        SCOPED_TRACE(c.fixture);
        ErrorLog log;
        const std::string path = AudioFixture(c.fixture);
        EXPECT_EQ(ReadWAV(readers, path, log.Sink()), c.block);
        if (c.logged) {
            ASSERT_EQ(log.lines.size(), 1u);
            EXPECT_EQ(log.lines[0], "ReadWAV failure on " + path + ": Operation aborted");
        } else {
            EXPECT_TRUE(log.lines.empty());
        }
    }
}

void VerifyMusicWriter(MusicWriter writer, const WriterCase& c) {
    SCOPED_TRACE(c.fixture);
    MediaReaders readers;
    ErrorLog log;
    std::string description = "left over";
    EXPECT_EQ(writer(readers, AudioFixture(c.fixture), description, log.Sink()), c.block);
    EXPECT_EQ(description, c.description);
    EXPECT_EQ(log.lines.empty(), !c.logged);
}

TEST(AudioWriters, OggBlocks) {
    for (const WriterCase& c : kOggWriterCases)
        VerifyMusicWriter(&ReadOGG, c);
}

TEST(AudioWriters, WmaBlocks) {
    for (const WriterCase& c : kWmaWriterCases)
        VerifyMusicWriter(&ReadWMA, c);
}

TEST(AudioWriters, BlocksReadBackThroughTheBlockLayouts) {
    MediaReaders readers;
    ErrorLog log;
    const std::string wav =
        ReadWAV(readers, AudioFixture("wav-pcm16-stereo-44k-list.wav"), log.Sink());
    ASSERT_GE(wav.size(), 2u);
    const std::string_view audio = std::string_view(wav).substr(1, wav.size() - 2);
    EXPECT_EQ(DameValorDuracionWAV(audio), 0);
    EXPECT_EQ(DameValorCanalesWAV(audio), 2);
    EXPECT_EQ(DameValorFrecuenciaWAV(audio), 44100);
    EXPECT_EQ(DameValorCalidadWAV(audio), 16);

    std::string description;
    const std::string ogg =
        ReadOGG(readers, AudioFixture("vorbis-mono-8k-fulldate.ogg"), description, log.Sink());
    ASSERT_GE(ogg.size(), 2u);
    const std::string_view music = std::string_view(ogg).substr(1, ogg.size() - 2);
    EXPECT_EQ(DameValorDuracionAudio(music), 1);
    EXPECT_EQ(DameValorCanalesAudio(music), 1);
    EXPECT_EQ(DameValorFrecuenciaAudio(music), 8000);
    EXPECT_EQ(DameValorCalidadAudio(music), 23);
    EXPECT_EQ(DameValorAnoAudio(music), 2003);
    EXPECT_EQ(DameValorPistaAudio(music), 3);
    EXPECT_EQ(DameTextoGeneroAudio(music), "Jazz");
    EXPECT_TRUE(log.lines.empty());
}

TEST(AudioWriters, OggYear) {
    struct Case {
        const char* date;
        std::int32_t year;
        bool logged;
    };
    const Case cases[] = {
        {"2003", 2003, false},
        {"2003-05-01", 2003, false},
        {"2003-05-01T10:20:30", 2003, false},
        {"01/05/2003", 2003, false},
        {"  1999 ", 1999, false},
        {"", 0, false},
        {"   ", 0, false},
        {"May 3rd", 0, true},
    };
    for (const Case& c : cases) {
        ErrorLog log;
        EXPECT_EQ(ReadOGGYear(c.date, log.Sink()), c.year) << c.date;
        EXPECT_EQ(log.lines.size(), c.logged ? 1u : 0u) << c.date;
    }
    ErrorLog log;
    ReadOGGYear("May 3rd", log.Sink());
    EXPECT_EQ(log.lines.at(0),
              "ReadOGG YEAR failure on May 3rd: ' 3rd' is not a valid integer value");
    EXPECT_EQ(ReadOGGYear("May 3rd", MediaErrorSink()), 0); // no sink, no log
}

TEST(AudioWriters, WmaYear) {
    struct Case {
        const char* text;
        std::int32_t year;
    };
    const Case cases[] = {{"2007", 2007}, {"  2007", 2007}, {"2007 ", 0},
                          {"", 0},        {"   ", 0},       {"19x7", 0},
                          {"-5", -5},     {"+12", 12},      {"99999999999", 0}};
    for (const Case& c : cases)
        EXPECT_EQ(ReadWMAYear(c.text), c.year) << '"' << c.text << '"';
}

TEST(AudioWriters, DescriptionFromTags) {
    struct Case {
        const char* artist;
        const char* album;
        const char* title;
        const char* fileName;
        const char* description;
    };
    const Case cases[] = {
        {"Artist", "Album", "Title", "x.mp3", "Artist [Album] Title"},
        {"Artist", "", "Title", "x.mp3", "Artist Title"},
        {"Artist", "Album", "Title", "Artist - Title.mp3", " [Album]"},
        {"Artist", "Album", "Title", "artist - title.mp3",
         "Artist [Album] Title"}, // case-sensitive
        {"", "", "Title", "x.mp3", " Title"},
        {"", "", "", "x.mp3", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DescripcionDeEtiquetas(c.artist, c.album, c.title, c.fileName), c.description)
            << c.fileName;
    }
    EXPECT_EQ(LimpiaDescripcion(" [Album]"), "[Album]");
    EXPECT_EQ(LimpiaDescripcion("\tA\x1A"
                                "B\x1D"
                                "C \n"),
              "A B C");
}

TEST(AudioWriters, MusicFields) {
    //                      seconds ch rate  kbit/s year track genre
    EXPECT_EQ(CamposMusica(1, 2, 8000, 10, 0, 0,
                           "Rock\x1A"
                           "Pop"),
              "  !"
              "2"
              " p "
              " *"
              "  "
              "  "
              "Rock Pop");
    EXPECT_EQ(CamposMusica(0, 1, 0, 0, 0, 0, ""), "   "
                                                  "1"
                                                  "   "
                                                  "  "
                                                  "  "
                                                  "  "); // 13 characters, no genre
    // A value beyond its width keeps the field's first characters.
    EXPECT_EQ(CamposAudio(1'000'000, 2, 8000, 16), "!  "
                                                   "2"
                                                   " p "
                                                   "0");
    EXPECT_EQ(CamposAudio(0, 12, 8000, 16).substr(3, 1), "1");
}

// ---------------------------------------------------------------------------
// Every reader resets all its fields for each file.

TEST(AudioReaders, EveryReadStartsAfresh) {
    AudioTempFolder folder;
    const std::string empty = folder.Write("empty.bin", std::string(300, '\0'));

    TWAVfile wav;
    ASSERT_TRUE(wav.ReadFromFile(AudioFixture("wav-float32-mono-8k.wav")));
    EXPECT_TRUE(wav.ReadFromFile(empty));
    EXPECT_FALSE(wav.Valid);
    EXPECT_EQ(wav.SampleNumber, 0);
    EXPECT_EQ(wav.SampleRate, 0);
    EXPECT_EQ(wav.DataSize, 0);
    EXPECT_EQ(wav.GetDuration(), 0);

    TID3v1 v1;
    ASSERT_TRUE(v1.ReadFromFile(AudioFixture("cbr-stereo-id3v1.mp3")));
    EXPECT_TRUE(v1.ReadFromFile(empty));
    EXPECT_FALSE(v1.Exists);
    EXPECT_EQ(v1.Title, "");
    EXPECT_EQ(v1.Track, 0);
    EXPECT_EQ(v1.GenreID, 255);
    EXPECT_EQ(v1.VersionID, 1);

    TID3v2 v2;
    ASSERT_TRUE(v2.ReadFromFile(AudioFixture("vbr-stereo-id3v2.4.mp3")));
    ASSERT_TRUE(v2.ReadFromFile(AudioFixture("vbr-mono-22k-id3v2.3-utf16.mp3")));
    EXPECT_EQ(v2.Album, "");
    EXPECT_EQ(v2.Year, "");
    EXPECT_EQ(v2.Track, 0);
    EXPECT_EQ(v2.Genre, "");
    EXPECT_TRUE(v2.ReadFromFile(empty));
    EXPECT_FALSE(v2.Exists);
    EXPECT_EQ(v2.Title, "");
    EXPECT_EQ(v2.Size, 0);

    TOggVorbis ogg;
    ASSERT_TRUE(ogg.ReadFromFile(AudioFixture("vorbis-mono-8k-fulldate.ogg")));
    ASSERT_TRUE(ogg.ReadFromFile(AudioFixture("vorbis-mono-8k-notags.ogg")));
    EXPECT_EQ(ogg.Title, "");
    EXPECT_EQ(ogg.Track, 0);
    EXPECT_EQ(ogg.Date, "");
    EXPECT_FALSE(ogg.ReadFromFile(empty));
    EXPECT_EQ(ogg.Samples, 0);
    EXPECT_EQ(ogg.Channels, 0);
    EXPECT_EQ(ogg.Vendor, "");

    TWMAfile wma;
    ASSERT_TRUE(wma.ReadFromFile(AudioFixture("wma-mono-22k-tags.wma")));
    ASSERT_TRUE(wma.ReadFromFile(AudioFixture("wma-mono-22k-notags.wma")));
    EXPECT_EQ(wma.Title, "");
    EXPECT_EQ(wma.Album, "");
    EXPECT_EQ(wma.Track, 0);
    EXPECT_EQ(wma.Year, "");
    EXPECT_TRUE(wma.ReadFromFile(empty));
    EXPECT_FALSE(wma.Valid);
    EXPECT_EQ(wma.Channels, 0);
    EXPECT_EQ(wma.Duration, 0);
}

// Each reader reads the headers, tags and tail it needs and no more: behind a
// hole of 3 GiB (sparse, so it costs nothing) the values stay what they were.
TEST(AudioReaders, ReadOnlyWhatTheyNeed) {
    constexpr std::uint64_t kHole = 3ULL << 30;
    AudioTempFolder folder;

    const std::string wavPath =
        folder.WriteWithHole("hole.wav", ReadFixtureBytes("wav-pcm16-mono-8k.wav"), kHole, "");
    TWAVfile wav;
    ASSERT_TRUE(wav.ReadFromFile(wavPath));
    EXPECT_TRUE(wav.Valid);
    EXPECT_DOUBLE_EQ(wav.GetDuration(), 0.2);

    const std::string v1Bytes = ReadFixtureBytes("cbr-stereo-id3v1.mp3");
    const std::string id3Path =
        folder.WriteWithHole("hole.mp3", ReadFixtureBytes("vbr-stereo-id3v2.4.mp3"), kHole,
                             v1Bytes.substr(v1Bytes.size() - 128));
    TID3v2 v2;
    ASSERT_TRUE(v2.ReadFromFile(id3Path));
    EXPECT_EQ(v2.Title, "Vbr Ünïcödé ÿ");
    TID3v1 v1;
    ASSERT_TRUE(v1.ReadFromFile(id3Path));
    EXPECT_EQ(v1.Title, "Cbr Stereo");

    // The Ogg headers, the hole, then the last page.
    const std::string ogg = ReadFixtureBytes("vorbis-mono-8k-fulldate.ogg");
    const std::string oggPath =
        folder.WriteWithHole("hole.ogg", HeaderPagesOnly("vorbis-mono-8k-fulldate.ogg"), kHole,
                             ogg.substr(ogg.rfind("OggS")));
    TOggVorbis vorbis;
    ASSERT_TRUE(vorbis.ReadFromFile(oggPath));
    EXPECT_EQ(vorbis.Samples, 9600);
    EXPECT_EQ(vorbis.Title, "Ogg Title");

    const std::string wmaPath =
        folder.WriteWithHole("hole.wma", ReadFixtureBytes("wma-mono-22k-tags.wma"), kHole, "");
    TWMAfile wma;
    ASSERT_TRUE(wma.ReadFromFile(wmaPath));
    EXPECT_TRUE(wma.Valid);
    EXPECT_EQ(wma.Title, "Wma Title");
    EXPECT_EQ(wma.Genre, "Blues");
}

// ---------------------------------------------------------------------------
// Robustness: truncated and mutated fixtures give a value or a failure, never
// a crash, a hang or a text that is not UTF-8.

// Every sound fixture of the folder and the folders below it (the MPEG audio
// reader keeps its own there; their ID3 tags are food for the tag readers).
std::vector<std::string> AllFixtures() {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(AudioFolder())) {
        const std::string ext = entry.path().extension().string();
        if (ext == ".wav" || ext == ".mp3" || ext == ".mp2" || ext == ".ogg" || ext == ".wma")
            names.push_back(fs::relative(entry.path(), AudioFolder()).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A temporary file name for a copy of a fixture.
std::string CopyName(const std::string& prefix, std::string fixture) {
    std::replace(fixture.begin(), fixture.end(), '/', '-');
    return prefix + fixture;
}

void ExpectUtf8(const std::string& text, const char* what) {
    EXPECT_TRUE(text::IsValidUtf8(text)) << what;
}

void ExpectWellFormedBlock(const std::string& block) {
    if (block.empty()) return;
    ASSERT_GE(block.size(), 2u);
    EXPECT_EQ(block.front(), '\x1A');
    EXPECT_EQ(block.back(), '\x1A');
    EXPECT_EQ(block.find_first_of("\x1A\x1D\x1E\x1F", 1), block.size() - 1)
        << "structural byte inside the block";
}

// Runs every reader and writer over the file at `path`.
void ReadEveryWay(const std::string& path, MediaReaders& readers) {
    TWAVfile wav;
    try {
        wav.ReadFromFile(path);
        (void)wav.GetDuration();
    } catch (const EAudioRange&) {
    }
    TID3v1 v1;
    v1.ReadFromFile(path);
    for (const std::string* t : {&v1.Title, &v1.Artist, &v1.Album, &v1.Year, &v1.Comment})
        ExpectUtf8(*t, "ID3v1");
    (void)v1.GetGenre();
    TID3v2 v2;
    v2.ReadFromFile(path);
    for (const std::string* t :
         {&v2.Title, &v2.Artist, &v2.Album, &v2.TrackString, &v2.Year, &v2.Genre, &v2.Comment,
          &v2.Composer, &v2.Encoder, &v2.RightsNotice, &v2.Language, &v2.Link})
        ExpectUtf8(*t, "ID3v2");
    TOggVorbis ogg;
    try {
        ogg.ReadFromFile(path);
        (void)ogg.IsValid();
    } catch (const EAudioRead&) {
    } catch (const EAudioRange&) {
    }
    for (const std::string* t :
         {&ogg.Title, &ogg.Artist, &ogg.Album, &ogg.Date, &ogg.Genre, &ogg.Comment, &ogg.Vendor})
        ExpectUtf8(*t, "Ogg");
    TWMAfile wma;
    wma.ReadFromFile(path);
    for (const std::string* t :
         {&wma.Title, &wma.Artist, &wma.Album, &wma.Year, &wma.Genre, &wma.Comment})
        ExpectUtf8(*t, "WMA");

    ErrorLog log;
    std::string description;
    ExpectWellFormedBlock(ReadWAV(readers, path, log.Sink()));
    ExpectWellFormedBlock(ReadOGG(readers, path, description, log.Sink()));
    ExpectUtf8(description, "ReadOGG description");
    ExpectWellFormedBlock(ReadWMA(readers, path, description, log.Sink()));
    ExpectUtf8(description, "ReadWMA description");
}

TEST(AudioRobustness, TruncatedFixtures) {
    AudioTempFolder folder;
    MediaReaders readers;
    for (const std::string& name : AllFixtures()) {
        const std::string bytes = ReadFixtureBytes(name);
        std::set<std::size_t> lengths = {0,  1,  3,  4,   9,   10,  11,  12,  20,
                                         26, 27, 28, 30,  35,  36,  43,  44,  54,
                                         57, 58, 88, 100, 127, 128, 129, 300, 600};
        for (std::size_t k = 1; k < 8; ++k)
            lengths.insert(bytes.size() * k / 8);
        for (std::size_t back : {1, 127, 128, 129})
            lengths.insert(bytes.size() - back);
        for (std::size_t length : lengths) {
            if (length >= bytes.size()) continue;
            SCOPED_TRACE(name + " cut at " + std::to_string(length));
            ReadEveryWay(folder.Write(CopyName("cut-", name), bytes.substr(0, length)), readers);
        }
    }
}

TEST(AudioRobustness, MutatedFixtures) {
    AudioTempFolder folder;
    MediaReaders readers;
    std::mt19937 random(20240611);
    const unsigned char interesting[] = {0x00, 0x01, 0x7F, 0x80, 0xFE, 0xFF};
    for (const std::string& name : AllFixtures()) {
        const std::string bytes = ReadFixtureBytes(name);
        for (int mutant = 0; mutant < 48; ++mutant) {
            std::string copy = bytes;
            const int changes = 1 + static_cast<int>(random() % 6);
            for (int i = 0; i < changes; ++i) {
                // Mostly the headers at the start and the tag at the end, where the readers look.
                const unsigned where = random() % 4;
                const std::size_t span = where < 2    ? std::min<std::size_t>(copy.size(), 1024)
                                         : where == 2 ? std::min<std::size_t>(copy.size(), 200)
                                                      : copy.size();
                std::size_t at = random() % span;
                if (where == 2) at = copy.size() - 1 - at;
                copy[at] = static_cast<char>(random() % 3 == 0
                                                 ? interesting[random() % std::size(interesting)]
                                                 : random() % 256);
            }
            SCOPED_TRACE(name + " mutant " + std::to_string(mutant));
            ReadEveryWay(folder.Write(CopyName("mutant-", name), copy), readers);
        }
    }
}

} // namespace
} // namespace sorvane
