// ARC crunch, fixed 12-bit LZW. Codes come in pairs from three bytes: the
// first byte and the high nibble of the second, then the low nibble of the
// second and the third. The 4,096-entry string table starts with the 256
// single bytes; each entry is placed at its hash, or, when that slot is
// used, at the first unused slot from 101 past the end of the slot's chain,
// which is linked to the chain. The decoder adds the entries the encoder
// added, in the same order, so the codes name the same slots.
#include "archive/codecs/arxUncrunch.h"

#include "archive/arxMessages.h"

#include <array>
#include <vector>

namespace sorvane {

namespace {

constexpr int kTableSize = 4096;
constexpr std::uint16_t kNoPredecessor = 0xFFFF;
constexpr int kMaxAdditions = kTableSize - 256;
constexpr std::size_t kStackSize = 4095;
constexpr int kChainStep = 101;

struct Entry {
    bool used = false;
    std::uint16_t next = 0;
    std::uint16_t predecessor = 0;
    std::uint8_t follower = 0;
};

class StringTable {
public:
    explicit StringTable(bool newHash) : newHash_(newHash) {
        for (int c = 0; c < 256; ++c)
            Add(kNoPredecessor, static_cast<std::uint8_t>(c));
        additions_ = 0;
    }

    const Entry& operator[](int code) const { return entries_[static_cast<std::size_t>(code)]; }
    bool Full() const { return additions_ >= kMaxAdditions; }

    void Add(std::uint16_t predecessor, std::uint8_t follower) {
        int slot = CrunchHash(predecessor, follower, newHash_);
        if (entries_[static_cast<std::size_t>(slot)].used) {
            // The end of the slot's chain; links only ever go to slots that
            // were unused, so the chain ends.
            int end = slot;
            for (int steps = 0; entries_[static_cast<std::size_t>(end)].next != 0; ++steps) {
                if (steps >= kTableSize) throw E_RAISE(kMsgCorruptInput);
                end = entries_[static_cast<std::size_t>(end)].next;
            }
            slot = (end + kChainStep) & (kTableSize - 1);
            for (int probes = 0; entries_[static_cast<std::size_t>(slot)].used; ++probes) {
                if (probes >= kTableSize) throw E_RAISE(kMsgCorruptInput);
                slot = (slot + 1) & (kTableSize - 1);
            }
            entries_[static_cast<std::size_t>(end)].next = static_cast<std::uint16_t>(slot);
        }
        Entry& entry = entries_[static_cast<std::size_t>(slot)];
        entry.used = true;
        entry.next = 0;
        entry.predecessor = predecessor;
        entry.follower = follower;
        ++additions_;
    }

private:
    bool newHash_;
    int additions_ = 0;
    std::array<Entry, kTableSize> entries_{};
};

class CodeReader {
public:
    explicit CodeReader(TArcInput& input) : input_(input) {}
    // The next 12-bit code, or -1 at the end of the packed data.
    int Next() {
        if (!half_) {
            const int high = input_.Byte();
            if (high < 0) return -1;
            const int low = input_.Byte();
            if (low < 0) return -1;
            kept_ = low & 0x0F;
            half_ = true;
            return (high << 4) | (low >> 4);
        }
        half_ = false;
        const int low = input_.Byte();
        if (low < 0) return -1;
        return (kept_ << 8) | low;
    }

private:
    TArcInput& input_;
    int kept_ = 0;
    bool half_ = false;
};

} // namespace

std::uint16_t CrunchHash(std::uint16_t predecessor, std::uint8_t follower, bool newHash) {
    const std::uint32_t sum = (static_cast<std::uint32_t>(predecessor) + follower) & 0xFFFFu;
    if (newHash) return static_cast<std::uint16_t>((sum * 15073u) & 0x0FFFu);
    const std::uint32_t key = sum | 0x0800u;
    return static_cast<std::uint16_t>(((key * key) >> 6) & 0x0FFFu);
}

TDecodeResult Uncrunch(TMemberIo& io, std::uint8_t method, TArcBuffers& buffers) {
    TArcInput input(io, buffers);
    TArcOutput output(io, buffers);
    TArcSink sink(output, method != 5);
    StringTable table(method == 7);
    CodeReader codes(input);
    std::vector<std::uint8_t>& stack = buffers.stack;
    if (stack.size() < kStackSize) stack.resize(kStackSize);

    const int first = codes.Next();
    if (first < 0) return input.End();
    // Only single bytes are in the table yet.
    if (!table[first].used) throw E_RAISE(kMsgCorruptInput);
    std::uint8_t finalChar = table[first].follower;
    sink.Put(finalChar);
    int previous = first;

    for (int code = codes.Next(); code >= 0; code = codes.Next()) {
        std::size_t depth = 0;
        int current = code;
        if (!table[code].used) {
            // Not yet in the table: the previous string and its first byte.
            stack[depth++] = finalChar;
            current = previous;
        }
        for (;;) {
            const Entry& entry = table[current];
            if (!entry.used) throw E_RAISE(kMsgCorruptInput);
            if (depth >= kStackSize) throw E_RAISE(kMsgStackOverflow);
            stack[depth++] = entry.follower;
            if (entry.predecessor == kNoPredecessor) break;
            current = entry.predecessor;
        }
        finalChar = stack[depth - 1];
        while (depth > 0)
            sink.Put(stack[--depth]);
        if (!table.Full()) table.Add(static_cast<std::uint16_t>(previous), finalChar);
        previous = code;
    }
    output.Flush();
    return input.End();
}

} // namespace sorvane
