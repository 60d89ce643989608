// The in-memory line list of one catalogue: line 0 is the header, then folder
// and file lines in walk order. Lines are byte strings without line ends.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane {

class CatalogueLines {
public:
    std::size_t Count() const { return lines_.size(); }

    // Line i; the view stays valid until the list is next changed. Indexes out of
    // range raise std::out_of_range.
    std::string_view Line(std::size_t i) const;

    void Replace(std::size_t i, std::string_view line);
    // Inserts before line i (i == Count() appends).
    void Insert(std::size_t i, std::string_view line);
    void Add(std::string_view line);
    void Delete(std::size_t i);
    void Clear() { lines_.clear(); }

    // Replaces the list by the lines of a text: CR, LF and CR LF each end a line;
    // a final line without an end counts, a final line end adds no empty line.
    void LoadFromText(std::string_view text);
    // The lines, each followed by CR LF.
    std::string ToText() const;

    // Loads a whole file; raises EInOutError when it cannot be read.
    void LoadFromFile(const std::string& path);
    // Writes the list with CR LF line ends to a temporary file beside `path`
    // and renames it into place; raises EInOutError on failure.
    void SaveToFile(const std::string& path) const;

private:
    void CheckIndex(std::size_t i, std::size_t limit) const;

    std::vector<std::string> lines_;
};

} // namespace sorvane
