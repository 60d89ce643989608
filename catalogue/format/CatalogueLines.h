// The in-memory line list of one catalogue: line 0 is the header, then folder
// and file lines in walk order. Lines are byte strings without line ends.
//
// Storage is compact, because a user keeps every catalogue in memory: one
// contiguous buffer of bytes and, per line, its offset and length (12 bytes a
// line), not one heap string per line, on page buffers (large ones on huge
// pages). A loaded file's bytes are the buffer itself. A replaced line that fits is overwritten in
// place; otherwise its new text is appended to the buffer, and the buffer is compacted when more
// than half of it is dead.
#pragma once

#include "platform/PageBuffer.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sorvane {

class CatalogueLines {
public:
    std::size_t Count() const { return lengths_.size(); }

    // Line i; the view stays valid until the list is next changed. Indexes out of
    // range raise std::out_of_range.
    std::string_view Line(std::size_t i) const;

    void Replace(std::size_t i, std::string_view line);
    // Inserts before line i (i == Count() appends).
    void Insert(std::size_t i, std::string_view line);
    void Add(std::string_view line);
    void Delete(std::size_t i);
    void Clear();

    // Replaces the list by the lines of a text: CR, LF and CR LF each end a line;
    // a final line without an end counts, a final line end adds no empty line.
    void LoadFromText(std::string_view text);
    // The same, for a text the caller gives up.
    void AdoptText(std::string&& text);
    // The same, taking over the bytes as the buffer without a copy.
    void AdoptBuffer(PageBuffer&& bytes);
    // The lines, each followed by CR LF.
    std::string ToText() const;

    // Loads a whole file, split as it is read; with `skipUtf8Mark`, a UTF-8
    // byte-order mark at its start is no part of the first line. Raises
    // EInOutError when the file cannot be read.
    void LoadFromFile(const std::string& path, bool skipUtf8Mark = false);
    // Writes the list with CR LF line ends to a temporary file beside `path`
    // and renames it into place; raises EInOutError on failure.
    void SaveToFile(const std::string& path) const;

    // Bytes held: the buffer and the line table (for memory reports).
    std::size_t MemoryBytes() const;

private:
    void CheckIndex(std::size_t i, std::size_t limit) const;
    std::uint64_t Append(std::string_view line);
    void CompactIfWasteful();
    void ReserveTables(std::size_t bytes);
    void AddSplitLine(std::size_t offset, std::size_t length);

    PageBuffer buffer_;
    PageArray<std::uint64_t> offsets_;
    PageArray<std::uint32_t> lengths_;
    std::size_t liveBytes_ = 0;
};

} // namespace sorvane
