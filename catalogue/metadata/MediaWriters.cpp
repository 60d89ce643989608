// The reader objects of a run and the dispatch of the writers by reader.
#include "catalogue/metadata/MediaWriters.h"

#include "catalogue/metadata/AudioReaders.h"
#include "catalogue/metadata/ImageReaders.h"

namespace sorvane {

MediaReaders::MediaReaders()
    : ImageInfo(std::make_unique<TDCImageInfo>()), JpegImage(std::make_unique<TJpegImage>()),
      TargaImage(std::make_unique<TTarga>()), WavFile(std::make_unique<TWAVfile>()),
      Id3v1Tag(std::make_unique<TID3v1>()), Id3v2Tag(std::make_unique<TID3v2>()),
      OggFile(std::make_unique<TOggVorbis>()), WmaFile(std::make_unique<TWMAfile>()) {}

MediaReaders::~MediaReaders() = default;

std::string MediaBlockFor(MediaReaders& r, MediaReader reader, const std::string& path,
                          std::string& description, const MediaErrorSink& errors) {
    description.clear();
    switch (reader) {
    case MediaReader::BMP:
        return ReadBMP(r, path, errors);
    case MediaReader::JPEG:
        return ReadJPEG(r, path, errors);
    case MediaReader::GIF:
        return ReadGIF(r, path, errors);
    case MediaReader::PNG:
        return ReadPNG(r, path, errors);
    case MediaReader::TIF:
        return ReadTIF(r, path, errors);
    case MediaReader::PCX:
        return ReadPCX(r, path, errors);
    case MediaReader::Targa:
        return ReadTarga(r, path, errors);
    case MediaReader::WAV:
        return ReadWAV(r, path, errors);
    case MediaReader::MP3:
        return ReadMP3(r, path, description, errors);
    case MediaReader::OGG:
        return ReadOGG(r, path, description, errors);
    case MediaReader::WMA:
        return ReadWMA(r, path, description, errors);
    case MediaReader::AVI:
        return ReadAVI(r, path, errors);
    case MediaReader::DOC:
        return GetDOCDatos(r, path, description, errors);
    }
    return {};
}

FuentesBloques FuentesMultimedia(MediaReaders& readers, MediaErrorSink errors) {
    FuentesBloques sources;
    sources.media = [&readers, errors = std::move(errors)](
                        MediaReader reader, const std::string& path, std::string& description) {
        return MediaBlockFor(readers, reader, path, description, errors);
    };
    return sources;
}

} // namespace sorvane
