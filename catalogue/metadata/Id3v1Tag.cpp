// The ID3v1 tag reader and the genre names of ID3v1.
#include "catalogue/metadata/AudioReaders.h"
#include "catalogue/metadata/ByteReader.h"
#include "platform/Text.h"

#include <array>

namespace sorvane {

namespace {

// The 128-byte tag at the end of the file, field by field.
constexpr std::size_t kTagSize = 128;
constexpr std::size_t kTitle = 3, kArtist = 33, kAlbum = 63, kYear = 93, kComment = 97;
constexpr std::size_t kTextWidth = 30, kYearWidth = 4;
constexpr std::size_t kV11CommentWidth = 28;
constexpr std::size_t kV11Marker = 125, kTrack = 126, kGenre = 127;
constexpr std::uint8_t kNoGenre = 255;

// The ID3v1 genres and Winamp's extensions from 80 on.
constexpr std::array<const char*, 148> kGenres = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz",
    "Metal", "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno",
    "Industrial", "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack", "Euro-Techno",
    "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion", "Trance", "Classical", "Instrumental",
    "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise", "AlternRock", "Bass", "Soul", "Punk",
    "Space", "Meditative", "Instrumental Pop", "Instrumental Rock", "Ethnic", "Gothic", "Darkwave",
    "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream", "Southern Rock", "Comedy",
    "Cult", "Gangsta", "Top 40", "Christian Rap", "Pop/Funk", "Jungle", "Native American",
    "Cabaret", "New Wave", "Psychadelic", "Rave", "Showtunes", "Trailer", "Lo-Fi", "Tribal",
    "Acid Punk", "Acid Jazz", "Polka", "Retro", "Musical", "Rock & Roll", "Hard Rock",
    // 80
    "Folk", "Folk-Rock", "National Folk", "Swing", "Fast Fusion", "Bebob", "Latin", "Revival",
    "Celtic", "Bluegrass", "Avantgarde", "Gothic Rock", "Progessive Rock", "Psychedelic Rock",
    "Symphonic Rock", "Slow Rock", "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour",
    "Speech", "Chanson", "Opera", "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus",
    "Porn Groove", "Satire", "Slow Jam", "Club", "Tango", "Samba", "Folklore", "Ballad",
    "Power Ballad", "Rhythmic Soul", "Freestyle", "Duet", "Punk Rock", "Drum Solo", "A capella",
    "Euro-House", "Dance Hall", "Goa", "Drum & Bass", "Club-House", "Hardcore", "Terror", "Indie",
    "BritPop", "Afro-Punk", "Polsk Punk", "Beat", "Christian Gangsta Rap", "Heavy Metal",
    "Black Metal", "Crossover", "Contemporary Christian", "Christian Rock", "Merengue", "Salsa",
    "Thrash Metal", "Anime", "JPop", "Synthpop"};

std::string TrimRight(std::string_view text) {
    while (!text.empty() && static_cast<std::uint8_t>(text.back()) <= ' ')
        text.remove_suffix(1);
    return std::string(text);
}

// A fixed-width field: up to its first zero byte, trailing blanks removed.
std::string Field(const ByteFields& tag, std::size_t at, std::size_t width) {
    std::string_view bytes = tag.View(at, width);
    const std::size_t zero = bytes.find('\0');
    const bool cut = zero == std::string_view::npos;
    if (!cut) bytes = bytes.substr(0, zero);
    return TrimRight(UndeclaredText(bytes, cut));
}

} // namespace

void TID3v1::Reset() {
    Exists = false;
    VersionID = 1;
    Title.clear();
    Artist.clear();
    Album.clear();
    Year.clear();
    Comment.clear();
    Track = 0;
    GenreID = kNoGenre;
}

bool TID3v1::ReadFromFile(const std::string& fileName) {
    Reset();
    ByteFields tag;
    try {
        const ReadOnlyFile file(fileName);
        if (file.Size() < kTagSize) return false;
        tag = ByteFields(file.ReadAt(file.Size() - kTagSize, kTagSize));
    } catch (const EAudioRead&) {
        return false;
    }
    if (!tag.Matches(0, "TAG")) return true;

    Exists = true;
    const std::uint8_t marker = tag.U8(kV11Marker), track = tag.U8(kTrack);
    const bool v11 = (marker == 0 && track != 0) || (marker == ' ' && track != ' ');
    VersionID = v11 ? 2 : 1;
    Title = Field(tag, kTitle, kTextWidth);
    Artist = Field(tag, kArtist, kTextWidth);
    Album = Field(tag, kAlbum, kTextWidth);
    Year = Field(tag, kYear, kYearWidth);
    Comment = Field(tag, kComment, v11 ? kV11CommentWidth : kTextWidth);
    if (v11) Track = track;
    GenreID = tag.U8(kGenre);
    return true;
}

std::string TID3v1::GetGenre() const {
    return GenreID < kGenres.size() ? kGenres[GenreID] : std::string();
}

void TID3v1::SetYear(std::string_view text) {
    const std::string trimmed = TrimRight(text);
    Year = std::string(text::FirstChars(trimmed, kYearWidth));
}

} // namespace sorvane
