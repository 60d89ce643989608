// The common frame of the media block writers and the helpers they share.
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/TextUtils.h"
#include "catalogue/metadata/MediaWriters.h"

namespace sorvane {

std::string RunWriter(const char* failureText, const std::string& path,
                      const MediaErrorSink& errors, const std::function<std::string()>& body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        if (errors) errors(failureText + path + ": " + e.what());
    }
    return {};
}

std::string MediaBracketed(const std::string& fields) {
    if (fields.empty()) return {};
    return std::string(1, kMediaBracket) + fields + kMediaBracket;
}

std::string MediaNumberField(std::int64_t value, std::size_t width) {
    return PadLeftToWidth(CodificaInt64(value), width);
}

std::string_view MediaFileName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

} // namespace sorvane
