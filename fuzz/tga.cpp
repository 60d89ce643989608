// A TGA picture from memory: decoded, and when it decodes to pixels, written
// back and decoded again, which must give the same pixels. (A blank picture,
// of an undecoded type, is written as black pixels at the header's size, up
// to 12 GiB: not written here.)
#include "catalogue/metadata/ByteReader.h"
#include "catalogue/metadata/ImageReaders.h"

#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    TTarga picture;
    try {
        picture.LoadFromStream(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const EImageRead&) {
        if (!picture.GetEmpty()) std::abort(); // a failed load leaves no picture
        return 0;
    }
    if (picture.Bitmap.Pixels.empty()) return 0;
    if (picture.Bitmap.Pixels.size() !=
        static_cast<std::size_t>(picture.GetWidth()) * picture.GetHeight())
        std::abort();
    std::string saved;
    picture.SaveToStream(saved);
    TTarga again;
    again.LoadFromStream(saved); // anything the writer writes must load
    // 16 bits keep 5 bits a channel; every other depth keeps the colour.
    for (std::size_t i = 0; i < picture.Bitmap.Pixels.size(); ++i) {
        std::uint32_t mask =
            picture.PixelDepthCode == kTargaDepth16 && picture.ImageKind != kTargaKindRleTrueColour
                ? 0xF8F8F8u
                : 0xFFFFFFu;
        if ((again.Bitmap.Pixels[i] & mask) != (picture.Bitmap.Pixels[i] & mask)) std::abort();
    }
    return 0;
}
