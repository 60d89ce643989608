// Cutting a result cell at its match ranges.
#include "mainwindow/HitStretches.h"

#include "catalogue/format/FormatError.h"
#include "catalogue/format/TextUtils.h"
#include "platform/Text.h"

#include <algorithm>
#include <vector>

namespace sorvane {
namespace {

struct Range {
    int start = 0; // 0: none
    int end = 0;
};

Range ParseRange(std::string_view text) {
    Range range;
    try {
        Parte2ToInteger(' ', text, range.start, range.end);
    } catch (const EConvertError&) {
        return {};
    }
    if (range.start <= 0) return {};
    return range;
}

} // namespace

bool IsMatchRange(std::string_view range) {
    return ParseRange(range).start != 0;
}

HitStretches SplitHitStretches(std::string_view text, std::string_view range1,
                               std::string_view range2) {
    HitStretches result;
    result.before = text;
    // starts[i] is the byte offset of character i + 1; starts[count] is the end.
    std::vector<std::size_t> starts;
    for (std::size_t pos = 0; pos < text.size(); pos += text::DecodeAt(text, pos).length)
        starts.push_back(pos);
    const int count = static_cast<int>(starts.size());
    starts.push_back(text.size());
    // A range within the text: start 1 .. count + 1, end start - 1 .. count.
    const auto clamp = [count](Range r) {
        if (r.start == 0) return r;
        r.start = std::min(r.start, count + 1);
        r.end = std::clamp(r.end, r.start - 1, count);
        return r;
    };
    Range first = clamp(ParseRange(range1)), second = clamp(ParseRange(range2));
    if (first.start == 0) std::swap(first, second);
    if (first.start == 0) return result;
    if (second.start != 0) {
        if (second.start < first.start) std::swap(first, second);
        if (first.end >= second.end)
            second = {};
        else if (first.end >= second.start)
            second.start = first.end + 1;
    }
    // Byte offset where character `position` (1-based) starts.
    const auto at = [&](int position) { return starts[static_cast<std::size_t>(position - 1)]; };
    const auto piece = [&](std::size_t from, std::size_t to) {
        return text.substr(from, to - from);
    };
    result.marked = true;
    result.before = piece(0, at(first.start));
    result.match1 = piece(at(first.start), at(first.end + 1));
    if (second.start == 0) {
        result.after = text.substr(at(first.end + 1));
        return result;
    }
    result.between = piece(at(first.end + 1), at(second.start));
    result.match2 = piece(at(second.start), at(second.end + 1));
    result.after = text.substr(at(second.end + 1));
    return result;
}

} // namespace sorvane
