// The common frame of the media block writers.
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/metadata/MediaWriters.h"

namespace sorvane {

std::string RunWriter(const char* failureText, const std::string& path, const MediaErrorSink& errors,
                      const std::function<std::string()>& body) {
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

} // namespace sorvane
