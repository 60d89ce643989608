// Reading of the ini-form language files.
#include "dialogs/LanguageFile.h"

#include <fstream>
#include <iterator>

namespace sorvane {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

} // namespace

TLanguageFile::TLanguageFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Parse(text);
}

TLanguageFile TLanguageFile::FromText(std::string_view text) {
    TLanguageFile file;
    file.Parse(text);
    return file;
}

void TLanguageFile::Parse(std::string_view text) {
    if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());

    Section* current = nullptr;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);

        if (line.starts_with('[')) {
            const std::size_t close = line.find(']');
            if (close != std::string_view::npos) {
                // A section named twice goes on collecting into the first one.
                current =
                    &sections_.try_emplace(std::string(line.substr(1, close - 1))).first->second;
                continue;
            }
        }
        const std::size_t equals = line.find('=');
        if (current == nullptr || equals == std::string_view::npos) continue;
        current->try_emplace(std::string(line.substr(0, equals)), line.substr(equals + 1));
    }
}

std::string TLanguageFile::ReadString(std::string_view section, std::string_view key,
                                      std::string_view defaultText) const {
    const auto s = sections_.find(section);
    if (s == sections_.end()) return std::string(defaultText);
    const auto k = s->second.find(key);
    if (k == s->second.end()) return std::string(defaultText);
    return k->second;
}

} // namespace sorvane
