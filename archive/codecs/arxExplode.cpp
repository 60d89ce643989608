// ZIP implode. Each Shannon-Fano tree is stored as runs of bit lengths; the
// codes follow the published assignment: lengths sorted in ascending order
// (symbols keep their order), codes counted up from 0 starting at the
// longest, each code read from its most significant bit.
#include "archive/codecs/arxExplode.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <vector>

namespace sorvane {

namespace {

// Bits least significant first; past the end of the packed data zeros come
// in, counted, so a stream that reads more than two bytes beyond its end is
// exhausted.
class BitReader {
public:
    explicit BitReader(TMemberIo& io) : input_(io) {}

    unsigned Peek(unsigned n) {
        while (count_ < n) {
            int b = input_.Byte();
            if (b < 0) {
                b = 0;
                ++phantom_;
            }
            buffer_ |= static_cast<std::uint32_t>(b) << count_;
            count_ += 8;
        }
        return buffer_ & ((1u << n) - 1);
    }
    void Drop(unsigned n) {
        buffer_ >>= n;
        count_ -= n;
    }
    unsigned Take(unsigned n) {
        const unsigned v = Peek(n);
        Drop(n);
        return v;
    }
    bool Exhausted() const {
        return static_cast<int>(phantom_ * 8) - static_cast<int>(count_) > 16;
    }
    bool Canceled() const { return input_.Canceled(); }
    int Byte() {
        // Only at a byte boundary (the trees come first).
        if (count_ >= 8) return static_cast<int>(Take(8));
        const int b = input_.Byte();
        if (b < 0) ++phantom_;
        return b < 0 ? 0 : b;
    }

private:
    TZipMemberInput input_;
    std::uint32_t buffer_ = 0;
    unsigned count_ = 0;
    unsigned phantom_ = 0;
};

class Tree {
public:
    // Reads a stored tree of `symbols` lengths; false when the lengths do not
    // add up to the count or do not form a complete prefix code.
    bool Read(BitReader& in, unsigned symbols) {
        std::vector<std::uint8_t> lengths;
        const int runs = in.Byte() + 1;
        for (int r = 0; r < runs; ++r) {
            const int v = in.Byte();
            const int repeat = (v >> 4) + 1;
            const int len = (v & 15) + 1;
            for (int k = 0; k < repeat; ++k)
                lengths.push_back(static_cast<std::uint8_t>(len));
            if (lengths.size() > symbols) return false;
        }
        if (lengths.size() != symbols || in.Exhausted()) return false;
        std::uint32_t kraft = 0;
        for (auto len : lengths)
            kraft += 1u << (16 - len);
        if (kraft != 65536) return false;
        maxLength_ = *std::max_element(lengths.begin(), lengths.end());
        table_.assign(std::size_t{1} << maxLength_, 0);
        std::vector<unsigned> order(symbols);
        std::iota(order.begin(), order.end(), 0u);
        std::stable_sort(order.begin(), order.end(),
                         [&](unsigned a, unsigned b) { return lengths[a] < lengths[b]; });
        std::uint32_t code = 0, increment = 0;
        unsigned lastLength = 0;
        for (int i = static_cast<int>(symbols) - 1; i >= 0; --i) {
            const unsigned symbol = order[static_cast<std::size_t>(i)];
            const unsigned len = lengths[symbol];
            code += increment;
            if (len != lastLength) {
                lastLength = len;
                increment = 1u << (16 - len);
            }
            // The stream holds the code's top `len` bits, most significant first.
            const unsigned top = (code >> (16 - len)) & ((1u << len) - 1);
            unsigned rev = 0;
            for (unsigned b = 0; b < len; ++b)
                rev |= ((top >> b) & 1) << (len - 1 - b);
            for (unsigned i2 = rev; i2 < table_.size(); i2 += 1u << len)
                table_[i2] = static_cast<std::uint16_t>(symbol | (len << 8));
        }
        return true;
    }
    unsigned Decode(BitReader& in) const {
        const std::uint16_t e = table_[in.Peek(maxLength_)];
        in.Drop(e >> 8);
        return e & 0xFF;
    }

private:
    std::vector<std::uint16_t> table_;
    unsigned maxLength_ = 0;
};

} // namespace

TDecodeResult ExplodeMember(TMemberIo& io, std::uint16_t flags) {
    const bool literalTree = (flags & 4) != 0;
    const bool bigWindow = (flags & 2) != 0;
    BitReader in(io);
    if (in.Canceled()) return TDecodeResult::Canceled;
    TZipMemberOutput output(io);
    Tree literals, lengths, distances;
    if (literalTree && !literals.Read(in, 256))
        return in.Exhausted() ? TDecodeResult::InputEnded : TDecodeResult::Corrupt;
    if (!lengths.Read(in, 64) || !distances.Read(in, 64))
        return in.Exhausted() ? TDecodeResult::InputEnded : TDecodeResult::Corrupt;
    const unsigned lowBits = bigWindow ? 7 : 6;
    const unsigned minimum = literalTree ? 3 : 2;
    std::array<std::uint8_t, 8192> window{};
    std::size_t pos = 0;
    while (output.Room()) {
        if (in.Canceled()) return TDecodeResult::Canceled;
        if (in.Take(1) != 0) {
            const auto b =
                static_cast<std::uint8_t>(literalTree ? literals.Decode(in) : in.Take(8));
            window[pos++ & 8191] = b;
            if (!output.Put(b)) return TDecodeResult::WriteFailed;
        } else {
            const unsigned low = in.Take(lowBits);
            const std::size_t distance = ((distances.Decode(in) << lowBits) | low) + 1;
            unsigned length = lengths.Decode(in);
            if (length == 63) length += in.Take(8);
            length += minimum;
            for (unsigned i = 0; i < length && output.Room(); ++i) {
                const std::uint8_t b = window[(pos - distance) & 8191];
                window[pos++ & 8191] = b;
                if (!output.Put(b)) return TDecodeResult::WriteFailed;
            }
        }
        if (in.Exhausted()) {
            output.Flush();
            return TDecodeResult::InputEnded;
        }
    }
    return output.Flush() ? TDecodeResult::Done : TDecodeResult::WriteFailed;
}

int Explode(TZipMemberContext& context) {
    return ZipDecodeCode(ExplodeMember(context.Io, context.Flags));
}

} // namespace sorvane
