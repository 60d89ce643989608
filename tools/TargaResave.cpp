// Loads a TGA file and writes it back through TTarga::SaveToStream: the
// written files of the TGA fixtures are made by it and checked by ImageMagick
// (tests/data/media/targa/make.sh). Usage: sorvane_targa_resave IN OUT
#include "catalogue/metadata/ByteReader.h"
#include "catalogue/metadata/ImageReaders.h"

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: sorvane_targa_resave IN OUT\n");
        return 2;
    }
    try {
        sorvane::TTarga picture;
        picture.LoadFromFile(argv[1]);
        std::string bytes;
        picture.SaveToStream(bytes);
        std::ofstream out(argv[2], std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            std::fprintf(stderr, "cannot write %s\n", argv[2]);
            return 1;
        }
    } catch (const sorvane::EImageRead& e) {
        std::fprintf(stderr, "%s: %s\n", argv[1], e.what());
        return 1;
    }
    return 0;
}
