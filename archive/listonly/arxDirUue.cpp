// Directory walk of uuencoded files.
#include "archive/listonly/arxDirUue.h"

#include "archive/gzip/arxDirGzip.h"

#include <algorithm>

namespace sorvane {
namespace {

constexpr std::int64_t kScanSize = kArxonWorkBufferSize;
constexpr std::size_t kMaxName = 255;
constexpr std::uint32_t kArchiveAttr = 32;
constexpr std::string_view kBegin = "begin ";

} // namespace

std::optional<std::string> UueBeginName(std::string_view text) {
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t lineEnd = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, lineEnd - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.substr(0, kBegin.size()) == kBegin) {
            // Only the first begin line counts: the mode, a blank, the name.
            const std::string_view rest = line.substr(kBegin.size());
            const std::size_t blank = rest.find(' ');
            if (blank == std::string_view::npos) return std::nullopt;
            std::string_view name = rest.substr(blank + 1, kMaxName);
            name = name.substr(0, name.find(' '));
            if (name.empty()) return std::nullopt;
            return std::string(name);
        }
        start = lineEnd + 1;
    }
    return std::nullopt;
}

void TUueWalk::SetUp(TArxon& arx) {
    const std::int64_t size = std::min(kScanSize, arx.Walk.StreamSize);
    const std::int64_t read = arx.ReadAt(0, arx.WorkBuffer(), size);
    const std::string_view text(reinterpret_cast<const char*>(arx.WorkBuffer()),
                                static_cast<std::size_t>(std::max<std::int64_t>(read, 0)));
    const std::optional<std::string> name = UueBeginName(text);
    if (name) {
        arx.SetRawFileName(*name);
        arx.FireReadFile();
        TArxonEntry entry;
        entry.FileDate = ArchiveFileDate(arx);
        entry.PackedSize = entry.UnpackedSize = arx.Walk.StreamSize;
        entry.FileAttr = entry.InternalAttr = kArchiveAttr;
        entry.Offset = 0;
        arx.ReportFile(entry);
    }
    arx.EndWalk();
}

void TUueWalk::Step(TArxon&) {}

} // namespace sorvane
