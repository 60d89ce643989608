// The catalogue line list.
#include "catalogue/format/CatalogueLines.h"

#include <cstring>
#include <limits>
#include <stdexcept>

#include "catalogue/format/FormatError.h"
#include "platform/Files.h"

namespace sorvane {
namespace {

std::uint32_t CheckedLength(std::size_t length) {
    if (length > std::numeric_limits<std::uint32_t>::max())
        throw EFormatoCatalogo("Catalogue line longer than 4 GiB");
    return static_cast<std::uint32_t>(length);
}

} // namespace

void CatalogueLines::CheckIndex(std::size_t i, std::size_t limit) const {
    if (i >= limit)
        throw std::out_of_range("Catalogue line " + std::to_string(i) + " out of range (" +
                                std::to_string(Count()) + " lines)");
}

std::string_view CatalogueLines::Line(std::size_t i) const {
    CheckIndex(i, Count());
    return std::string_view(buffer_.data() + offsets_[i], lengths_[i]);
}

std::uint64_t CatalogueLines::Append(std::string_view line) {
    const std::uint64_t offset = buffer_.size();
    buffer_.append(line);
    return offset;
}

void CatalogueLines::Replace(std::size_t i, std::string_view line) {
    CheckIndex(i, Count());
    const std::uint32_t length = CheckedLength(line.size());
    liveBytes_ = liveBytes_ - lengths_[i] + length;
    if (length <= lengths_[i]) {
        if (length > 0) std::memmove(buffer_.data() + offsets_[i], line.data(), length);
    } else {
        // `line` may point into our own buffer, which Append can move: copy first.
        const std::string copy(line);
        offsets_[i] = Append(copy);
    }
    lengths_[i] = length;
    CompactIfWasteful();
}

void CatalogueLines::Insert(std::size_t i, std::string_view line) {
    CheckIndex(i, Count() + 1);
    const std::uint32_t length = CheckedLength(line.size());
    const std::string copy(line);
    const std::uint64_t offset = Append(copy);
    offsets_.insert(offsets_.begin() + static_cast<std::ptrdiff_t>(i), offset);
    lengths_.insert(lengths_.begin() + static_cast<std::ptrdiff_t>(i), length);
    liveBytes_ += length;
}

void CatalogueLines::Add(std::string_view line) { Insert(Count(), line); }

void CatalogueLines::Delete(std::size_t i) {
    CheckIndex(i, Count());
    liveBytes_ -= lengths_[i];
    offsets_.erase(offsets_.begin() + static_cast<std::ptrdiff_t>(i));
    lengths_.erase(lengths_.begin() + static_cast<std::ptrdiff_t>(i));
    CompactIfWasteful();
}

void CatalogueLines::Clear() {
    buffer_.clear();
    offsets_.clear();
    lengths_.clear();
    liveBytes_ = 0;
}

void CatalogueLines::CompactIfWasteful() {
    if (buffer_.size() < 4096 || liveBytes_ * 2 >= buffer_.size()) return;
    std::string compacted;
    compacted.reserve(liveBytes_);
    for (std::size_t i = 0; i < Count(); ++i) {
        const std::uint64_t offset = compacted.size();
        compacted.append(buffer_, offsets_[i], lengths_[i]);
        offsets_[i] = offset;
    }
    buffer_.swap(compacted);
}

void CatalogueLines::LoadFromText(std::string_view text) { AdoptText(std::string(text)); }

namespace {

// The first CR or LF in [p, end), or end. Eight bytes at a time: a word holds a
// CR or LF when one of its bytes XORed with that value is zero.
const char* NextLineEnd(const char* p, const char* end) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
    constexpr std::uint64_t kCr = kOnes * '\r';
    constexpr std::uint64_t kLf = kOnes * '\n';
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, sizeof word);
        const std::uint64_t cr = word ^ kCr;
        const std::uint64_t lf = word ^ kLf;
        if ((((cr - kOnes) & ~cr) | ((lf - kOnes) & ~lf)) & kHighs) break;
        p += 8;
    }
    while (p < end && *p != '\r' && *p != '\n') ++p;
    return p;
}

} // namespace

void CatalogueLines::AdoptText(std::string&& text) {
    Clear();
    buffer_ = std::move(text);
    const char* const begin = buffer_.data();
    const char* const end = begin + buffer_.size();
    // Catalogue lines average well over 24 bytes; reserving that many avoids
    // growing the line table through every power of two.
    offsets_.reserve(buffer_.size() / 24 + 16);
    lengths_.reserve(buffer_.size() / 24 + 16);
    for (const char* p = begin; p < end;) {
        const char* stop = NextLineEnd(p, end);
        offsets_.push_back(static_cast<std::uint64_t>(p - begin));
        lengths_.push_back(CheckedLength(static_cast<std::size_t>(stop - p)));
        liveBytes_ += static_cast<std::size_t>(stop - p);
        if (stop == end) break;
        if (*stop == '\r' && stop + 1 < end && stop[1] == '\n') ++stop;
        p = stop + 1;
    }
}

std::string CatalogueLines::ToText() const {
    std::string text;
    text.reserve(liveBytes_ + 2 * Count());
    for (std::size_t i = 0; i < Count(); ++i) {
        text.append(buffer_, offsets_[i], lengths_[i]);
        text.append("\r\n");
    }
    return text;
}

void CatalogueLines::LoadFromFile(const std::string& path) { AdoptText(ReadWholeFile(path)); }

void CatalogueLines::SaveToFile(const std::string& path) const { WriteFileAtomically(path, ToText()); }

std::size_t CatalogueLines::MemoryBytes() const {
    return buffer_.capacity() + offsets_.capacity() * sizeof(std::uint64_t) +
           lengths_.capacity() * sizeof(std::uint32_t);
}

} // namespace sorvane
