// The catalogue line list.
#include "catalogue/format/CatalogueLines.h"

#include <cstring>
#include <stdexcept>

#include "platform/Files.h"

namespace sorvane {

void CatalogueLines::CheckIndex(std::size_t i, std::size_t limit) const {
    if (i >= limit)
        throw std::out_of_range("Catalogue line " + std::to_string(i) + " out of range (" +
                                std::to_string(lines_.size()) + " lines)");
}

std::string_view CatalogueLines::Line(std::size_t i) const {
    CheckIndex(i, lines_.size());
    return lines_[i];
}

void CatalogueLines::Replace(std::size_t i, std::string_view line) {
    CheckIndex(i, lines_.size());
    lines_[i].assign(line);
}

void CatalogueLines::Insert(std::size_t i, std::string_view line) {
    CheckIndex(i, lines_.size() + 1);
    lines_.emplace(lines_.begin() + static_cast<std::ptrdiff_t>(i), line);
}

void CatalogueLines::Add(std::string_view line) { lines_.emplace_back(line); }

void CatalogueLines::Delete(std::size_t i) {
    CheckIndex(i, lines_.size());
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
}

void CatalogueLines::LoadFromText(std::string_view text) {
    std::vector<std::string> lines;
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        const char* stop = p;
        while (stop < end && *stop != '\r' && *stop != '\n') ++stop;
        lines.emplace_back(p, stop);
        if (stop < end && *stop == '\r' && stop + 1 < end && stop[1] == '\n') ++stop;
        p = stop + 1;
    }
    lines_.swap(lines);
}

std::string CatalogueLines::ToText() const {
    std::size_t size = 0;
    for (const std::string& line : lines_) size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string& line : lines_) {
        text.append(line);
        text.append("\r\n");
    }
    return text;
}

void CatalogueLines::LoadFromFile(const std::string& path) { LoadFromText(ReadWholeFile(path)); }

void CatalogueLines::SaveToFile(const std::string& path) const { WriteFileAtomically(path, ToText()); }

} // namespace sorvane
