// A TGA picture from memory: decoded, and when it decodes, written back and
// decoded again, which must give the same size and kind of true colour.
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
    if (!picture.Bitmap.Pixels.empty() &&
        picture.Bitmap.Pixels.size() !=
            static_cast<std::size_t>(picture.GetWidth()) * picture.GetHeight())
        std::abort();
    std::string saved;
    picture.SaveToStream(saved);
    TTarga again;
    again.LoadFromStream(saved); // anything the writer writes must load
    if (again.GetWidth() != picture.Bitmap.Width || again.GetHeight() != picture.Bitmap.Height)
        std::abort();
    return 0;
}
