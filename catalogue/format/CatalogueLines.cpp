// The catalogue line list.
#include "catalogue/format/CatalogueLines.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include "catalogue/format/FormatError.h"
#include "platform/Files.h"

#include <limits>
#include <stdexcept>
#include <utility>

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
    buffer_.Append(line.data(), line.size());
    return offset;
}

void CatalogueLines::Replace(std::size_t i, std::string_view line) {
    CheckIndex(i, Count());
    const std::uint32_t length = CheckedLength(line.size());
    liveBytes_ = liveBytes_ - lengths_[i] + length;
    if (length <= lengths_[i]) {
        if (length > 0) std::memmove(buffer_.data() + offsets_[i], line.data(), length);
    } else {
        offsets_[i] = Append(line); // safe when `line` lies in the buffer itself
    }
    lengths_[i] = length;
    CompactIfWasteful();
}

void CatalogueLines::Insert(std::size_t i, std::string_view line) {
    CheckIndex(i, Count() + 1);
    const std::uint32_t length = CheckedLength(line.size());
    const std::uint64_t offset = Append(line);
    offsets_.insert(i, offset);
    lengths_.insert(i, length);
    liveBytes_ += length;
}

void CatalogueLines::Add(std::string_view line) {
    Insert(Count(), line);
}

void CatalogueLines::Delete(std::size_t i) {
    CheckIndex(i, Count());
    liveBytes_ -= lengths_[i];
    offsets_.erase(i);
    lengths_.erase(i);
    CompactIfWasteful();
}

void CatalogueLines::Clear() {
    buffer_.Clear();
    offsets_.clear();
    lengths_.clear();
    liveBytes_ = 0;
}

void CatalogueLines::CompactIfWasteful() {
    if (buffer_.size() < 4096 || liveBytes_ * 2 >= buffer_.size()) return;
    PageBuffer compacted;
    compacted.Reserve(liveBytes_);
    for (std::size_t i = 0; i < Count(); ++i) {
        const std::uint64_t offset = compacted.size();
        compacted.Append(buffer_.data() + offsets_[i], lengths_[i]);
        offsets_[i] = offset;
    }
    buffer_.Swap(compacted);
}

void CatalogueLines::LoadFromText(std::string_view text) {
    PageBuffer bytes;
    bytes.Append(text.data(), text.size());
    AdoptBuffer(std::move(bytes));
}

void CatalogueLines::AdoptText(std::string&& text) {
    LoadFromText(text);
    std::string().swap(text);
}

namespace {

// Splits text into lines for a visitor called with each line's offset and
// length. A line ends at CR, LF or CR LF. The text may come in pieces (the
// bytes read so far): Scan takes what has come, Finish ends the last line. The
// line ends are found sixteen bytes at a time where SSE2 is there, else eight
// at a time in a word.
class LineSplitter {
public:
    explicit LineSplitter(std::size_t start) : start_(start), next_(start) {}

    template <typename Visit> void Scan(const char* begin, std::size_t size, Visit& visit) {
        std::size_t i = next_;
#if defined(__SSE2__)
        const __m128i cr = _mm_set1_epi8('\r');
        const __m128i lf = _mm_set1_epi8('\n');
        for (; i + 16 <= size; i += 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin + i));
            unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(
                _mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf))));
            while (mask != 0) {
                End(begin, i + static_cast<std::size_t>(__builtin_ctz(mask)), visit);
                mask &= mask - 1;
            }
        }
#else
        constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
        constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
        for (; i + 8 <= size; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, begin + i, sizeof word);
            const std::uint64_t c = word ^ (kOnes * '\r');
            const std::uint64_t l = word ^ (kOnes * '\n');
            if (((((c - kOnes) & ~c) | ((l - kOnes) & ~l)) & kHighs) == 0) continue;
            for (std::size_t j = i; j < i + 8; ++j)
                if (begin[j] == '\r' || begin[j] == '\n') End(begin, j, visit);
        }
#endif
        next_ = i;
    }

    template <typename Visit> void Finish(const char* begin, std::size_t size, Visit& visit) {
        Scan(begin, size, visit);
        for (std::size_t i = next_; i < size; ++i)
            if (begin[i] == '\r' || begin[i] == '\n') End(begin, i, visit);
        // A final line without an end counts; a final line end adds no empty line.
        if (start_ < size) visit(start_, size - start_);
    }

private:
    // A CR or LF at `at`; the LF of a CR LF only moves the start past it.
    template <typename Visit> void End(const char* begin, std::size_t at, Visit& visit) {
        if (at == start_ && begin[at] == '\n' && at > 0 && begin[at - 1] == '\r') {
            ++start_;
            return;
        }
        visit(start_, at - start_);
        start_ = at + 1;
    }

    std::size_t start_;
    std::size_t next_;
};

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

} // namespace

void CatalogueLines::AdoptBuffer(PageBuffer&& bytes) {
    Clear();
    buffer_ = std::move(bytes);
    ReserveTables(buffer_.size());
    LineSplitter splitter(0);
    auto add = [this](std::size_t offset, std::size_t length) { AddSplitLine(offset, length); };
    splitter.Finish(buffer_.data(), buffer_.size(), add);
    offsets_.shrink_to_fit();
    lengths_.shrink_to_fit();
}

void CatalogueLines::LoadFromFile(const std::string& path, bool skipUtf8Mark) {
    // Built apart, so that a failed read leaves this list as it was.
    CatalogueLines loaded;
    PageBuffer bytes;
    LineSplitter splitter(0);
    auto add = [&loaded](std::size_t offset, std::size_t length) {
        loaded.AddSplitLine(offset, length);
    };
    bool begun = false;
    ReadWholeFile(path, bytes, [&](std::size_t filled) {
        if (!begun) {
            // The first read: the tables sized for the whole file, the mark passed over.
            begun = true;
            loaded.ReserveTables(bytes.capacity());
            if (skipUtf8Mark && filled >= kUtf8Mark.size() &&
                std::string_view(bytes.data(), kUtf8Mark.size()) == kUtf8Mark)
                splitter = LineSplitter(kUtf8Mark.size());
        }
        splitter.Scan(bytes.data(), filled, add);
    });
    splitter.Finish(bytes.data(), bytes.size(), add);
    loaded.buffer_ = std::move(bytes);
    loaded.offsets_.shrink_to_fit();
    loaded.lengths_.shrink_to_fit();
    *this = std::move(loaded);
}

void CatalogueLines::ReserveTables(std::size_t bytes) {
    // Catalogue lines average well over 24 bytes; reserving that many avoids
    // growing the line table through every power of two.
    offsets_.reserve(bytes / 24 + 16);
    lengths_.reserve(bytes / 24 + 16);
}

void CatalogueLines::AddSplitLine(std::size_t offset, std::size_t length) {
    offsets_.push_back(offset);
    lengths_.push_back(CheckedLength(length));
    liveBytes_ += length;
}

std::string CatalogueLines::ToText() const {
    std::string text;
    text.reserve(liveBytes_ + 2 * Count());
    for (std::size_t i = 0; i < Count(); ++i) {
        text.append(buffer_.data() + offsets_[i], lengths_[i]);
        text.append("\r\n");
    }
    return text;
}

void CatalogueLines::SaveToFile(const std::string& path) const {
    WriteFileAtomically(path, ToText());
}

std::size_t CatalogueLines::MemoryBytes() const {
    return buffer_.capacity() + offsets_.capacity() * sizeof(std::uint64_t) +
           lengths_.capacity() * sizeof(std::uint32_t);
}

} // namespace sorvane
