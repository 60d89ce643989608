// ZIP shrink: LZW with codes of 9 to 13 bits read least significant bit
// first. Code 256 announces a control code: 1 widens the codes by one bit, 2
// frees every code without children (a partial clear). Free codes are handed
// out in ascending order, from 257 again after each partial clear.
#include "archive/codecs/arxUnshrink.h"

#include "archive/arxMessages.h"
#include "archive/codecs/arxZipMember.h"

#include <vector>

namespace sorvane {

namespace {

constexpr int kCodes = 8192;
constexpr int kFirstFree = 257;
constexpr int kMaxCodeSize = 13;

struct ShrinkTable {
    std::vector<std::int32_t> parent = std::vector<std::int32_t>(kCodes, -1);
    std::vector<std::uint8_t> character = std::vector<std::uint8_t>(kCodes, 0);
    std::vector<std::uint16_t> children = std::vector<std::uint16_t>(kCodes, 0);
    std::vector<std::uint16_t> freeList;
    std::size_t nextFree = 0;

    ShrinkTable() {
        for (int c = 0; c < 256; ++c)
            character[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c);
        for (int c = kFirstFree; c < kCodes; ++c)
            freeList.push_back(static_cast<std::uint16_t>(c));
    }
    bool Free(int code) const {
        return code >= kFirstFree && parent[static_cast<std::size_t>(code)] < 0;
    }

    void PartialClear() {
        std::vector<bool> leaf(kCodes, false);
        for (int c = kFirstFree; c < kCodes; ++c)
            leaf[static_cast<std::size_t>(c)] =
                !Free(c) && children[static_cast<std::size_t>(c)] == 0;
        for (int c = kFirstFree; c < kCodes; ++c) {
            if (!leaf[static_cast<std::size_t>(c)]) continue;
            const std::int32_t p = parent[static_cast<std::size_t>(c)];
            if (p >= kFirstFree && children[static_cast<std::size_t>(p)] > 0)
                --children[static_cast<std::size_t>(p)];
            parent[static_cast<std::size_t>(c)] = -1;
        }
        freeList.clear();
        nextFree = 0;
        for (int c = kFirstFree; c < kCodes; ++c)
            if (Free(c)) freeList.push_back(static_cast<std::uint16_t>(c));
    }

    void Add(int prefix, std::uint8_t first) {
        if (nextFree >= freeList.size()) return;
        const std::uint16_t code = freeList[nextFree++];
        parent[code] = prefix;
        character[code] = first;
        if (prefix >= kFirstFree) ++children[static_cast<std::size_t>(prefix)];
    }
};

[[noreturn]] void Fail(TZipMemberOutput& output, int message) {
    output.Flush();
    throw E_RAISE(message);
}

} // namespace

TDecodeResult Unshrink(TMemberIo& io) {
    TZipMemberInput input(io);
    TZipMemberOutput output(io);
    ShrinkTable table;
    std::vector<std::uint8_t> stack(kCodes);
    int codeSize = 9;

    const std::int32_t first = input.Bits(codeSize);
    if (first < 0) return input.Canceled() ? TDecodeResult::Canceled : TDecodeResult::Done;
    if (first > 255) Fail(output, kMsgBadBlock);
    if (!output.Put(static_cast<std::uint8_t>(first))) return TDecodeResult::WriteFailed;
    int previous = first;
    std::uint8_t previousFirst = static_cast<std::uint8_t>(first);

    while (output.Room() && !input.Canceled()) {
        const std::int32_t code = input.Bits(codeSize);
        if (code < 0) break;
        if (code == 256) {
            const std::int32_t control = input.Bits(codeSize);
            if (control < 0) break;
            if (control == 1) {
                if (++codeSize > kMaxCodeSize) Fail(output, kMsgBadBlock);
            } else if (control == 2) {
                table.PartialClear();
            } else {
                Fail(output, kMsgBadBlock);
            }
            continue;
        }
        // The string of the code, last character first.
        std::size_t depth = 0;
        int current = code;
        if (table.Free(code)) {
            // Not yet defined: the previous string and its own first character.
            stack[depth++] = previousFirst;
            current = previous;
        }
        while (current >= kFirstFree) {
            if (table.Free(current)) Fail(output, kMsgBadBlock);
            if (depth >= kCodes - 1) Fail(output, kMsgStackOverflow);
            stack[depth++] = table.character[static_cast<std::size_t>(current)];
            current = table.parent[static_cast<std::size_t>(current)];
        }
        if (current == 256) Fail(output, kMsgBadBlock);
        const auto firstChar = static_cast<std::uint8_t>(current);
        stack[depth++] = firstChar;
        while (depth > 0)
            if (!output.Put(stack[--depth])) return TDecodeResult::WriteFailed;
        table.Add(previous, firstChar);
        previous = code;
        previousFirst = firstChar;
    }
    if (!output.Flush()) return TDecodeResult::WriteFailed;
    return input.Canceled() ? TDecodeResult::Canceled : TDecodeResult::Done;
}

} // namespace sorvane
