// The bytes a header reader reads from: the listing walk's archive object and
// an extracting reader's stream both provide them, so that one reader of a
// family's headers serves the catalogue and the extraction alike. It needs no
// other part of the library (the little-endian field readers come with it, as
// every header reader uses them), so the ACE module reads its headers through it.
#pragma once

#include "archive/arxLittleEndian.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace sorvane {

class TArxByteSource {
public:
    virtual ~TArxByteSource() = default;
    // Reads up to `count` bytes at `pos`; the number read (less at the end,
    // 0 for a position outside the source).
    virtual std::int64_t ReadAt(std::int64_t pos, void* buffer, std::int64_t count) = 0;
    // The number of bytes the source holds.
    virtual std::int64_t Size() const = 0;

    // Whether `length` bytes at `pos` lie inside the source.
    bool Holds(std::int64_t pos, std::int64_t length) const {
        return pos >= 0 && length >= 0 && pos <= Size() && length <= Size() - pos;
    }
    // All `count` bytes at `pos`; false when any lies outside the source.
    bool ReadExact(std::int64_t pos, void* buffer, std::int64_t count) {
        if (!Holds(pos, count)) return false;
        return count == 0 || ReadAt(pos, buffer, count) == count;
    }
    // `length` bytes at `pos` as text, up to the first NUL; false when the
    // field reaches outside the source.
    bool ReadText(std::int64_t pos, std::int64_t length, std::string& text) {
        text.clear();
        if (!Holds(pos, length)) return false;
        text.resize(static_cast<std::size_t>(length));
        if (!ReadExact(pos, text.data(), length)) return false;
        text.resize(std::min(text.size(), text.find('\0')));
        return true;
    }
};

} // namespace sorvane
