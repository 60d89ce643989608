// The sound file readers: the format and duration of RIFF/WAVE files, the ID3
// tags of MPEG audio files, the stream information and comments of Ogg Vorbis
// files and the header objects of WMA (ASF) files. One object of each is kept
// for a whole run; every ReadFromFile resets all its fields first. Texts are
// UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sorvane {

// The format of a RIFF/WAVE file.
class TWAVfile {
public:
    TWAVfile() { Reset(); }

    // True when the file's first 36 bytes (the RIFF header and the fields of
    // the "fmt " chunk) could be read, valid or not. Raises EAudioRange when a
    // valid header holds a value its field cannot take.
    bool ReadFromFile(const std::string& fileName);

    // Seconds: the "fact" sample count over the rate when there is one, else
    // the bytes of the "data" chunk over the bytes per second; 0 when not valid.
    double GetDuration() const;

    bool Valid;
    std::uint16_t FormatTag;
    std::uint8_t Channels;
    std::int32_t SampleRate;
    std::int32_t BytesPerSecond;
    std::uint16_t BlockAlign;
    std::uint8_t BitsPerSample;
    std::int32_t SampleNumber; // samples per channel of the "fact" chunk; 0 without one
    std::uint32_t HeaderSize;  // bytes before the sample data
    std::int64_t FileSize;     // the RIFF length + 8
    std::int64_t DataSize;     // bytes of the "data" chunk present in the file

private:
    void Reset();
};

// The ID3v1 tag: the last 128 bytes of the file.
class TID3v1 {
public:
    TID3v1() { Reset(); }

    // True when the last 128 bytes could be read; Exists tells whether they are a tag.
    bool ReadFromFile(const std::string& fileName);
    // The genre name of GenreID; empty above 147.
    std::string GetGenre() const;
    // Year := the text without trailing blanks, cut to 4 characters.
    void SetYear(std::string_view text);

    bool Exists;
    std::uint8_t VersionID; // 1 for v1.0, 2 for v1.1
    std::string Title;
    std::string Artist;
    std::string Album;
    std::string Year;
    std::string Comment;
    std::uint8_t Track;
    std::uint8_t GenreID; // 255: none

private:
    void Reset();
};

// The ID3v2 tag at the start of the file (versions 2.2, 2.3 and 2.4 are read).
class TID3v2 {
public:
    TID3v2() { Reset(); }

    // True when the first 10 bytes could be read; Exists tells whether they are
    // an ID3v2 header. A damaged frame ends the frames, keeping what was found.
    bool ReadFromFile(const std::string& fileName);
    // Year := the text trimmed.
    void SetYear(std::string_view text);

    bool Exists;
    std::uint8_t VersionID;
    std::int32_t Size; // the whole tag with header and footer; 0 when larger than the file
    std::string Title;
    std::string Artist;
    std::string Album;
    std::uint16_t Track;
    std::string TrackString;
    std::string Year;
    std::string Genre;
    std::string Comment;
    std::string Composer;
    std::string Encoder;
    std::string RightsNotice;
    std::string Language;
    std::string Link;

private:
    void Reset();
};

// The stream information and comments of an Ogg Vorbis file.
class TOggVorbis {
public:
    TOggVorbis() { Reset(); }

    // True when an Ogg page with a Vorbis identification header was found.
    // Raises EAudioRead when the file cannot be read up to that header, and
    // EAudioRange when the rate, the bit rate or the sample total does not fit
    // its field. A damaged comment header ends the comments quietly.
    bool ReadFromFile(const std::string& fileName);

    double GetDuration() const;       // seconds
    std::uint16_t GetBitRate() const; // kbit/s over the whole file
    bool IsValid() const;

    std::int64_t FileSize;
    std::uint8_t Channels;
    std::uint16_t SampleRate;
    std::uint16_t BitRateNominal; // kbit/s
    std::int32_t Samples;         // total samples (the last page's granule position)
    std::int32_t ID3v2Size;       // bytes of an ID3v2 tag in front of the stream
    std::string Title;
    std::string Artist;
    std::string Album;
    std::uint8_t Track;
    std::string Date;
    std::string Genre;
    std::string Comment;
    std::string Vendor;

private:
    void Reset();
};

// The header objects of a WMA (ASF) file.
class TWMAfile {
public:
    TWMAfile() { Reset(); }

    // True when the file could be read without error, ASF or not; Valid tells
    // whether the values passed the checks. A damaged object gives false.
    bool ReadFromFile(const std::string& fileName);

    bool Valid;
    std::int64_t FileSize;
    std::int32_t Channels;
    std::int32_t SampleRate;
    double Duration;      // seconds
    std::int32_t BitRate; // kbit/s
    std::string Title;
    std::string Artist;
    std::string Album;
    std::int32_t Track;
    std::string Year;
    std::string Genre;
    std::string Comment;

private:
    void Reset();
};

// The whole size of an ID3v2 tag from its 10 header bytes ("ID3", version,
// revision, flags, synchsafe size): the size, plus 20 with a footer (flag 0x10)
// or 10 without. Zero when the bytes are no ID3v2 header.
std::uint64_t Id3v2TagSize(std::string_view header);

// The description of a music file from its tags: the artist, then " [" album
// "]", then " " title, leaving out every part that is empty or occurs in the
// file name (`fileName`, the last element of the path; case-sensitive).
std::string DescripcionDeEtiquetas(std::string_view artist, std::string_view album,
                                   std::string_view title, std::string_view fileName);

// A description as it is stored: trimmed, control characters turned into blanks.
std::string LimpiaDescripcion(std::string_view description);

} // namespace sorvane
