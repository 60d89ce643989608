// The ACE 1.0 LZ77 decoder.
#include "archive/codecs/arxAceLz77.h"

#include <algorithm>
#include <cstring>

namespace sorvane {
namespace {

constexpr int kMainBits = 11;
constexpr int kLengthBits = 11;
constexpr int kWidthCodeBits = 7;
constexpr std::size_t kWindowSize = std::size_t{1} << TAceLz77::kWindowBits;
constexpr std::size_t kInputBlock = 65536;
constexpr std::size_t kFlushStep = 262144;
constexpr std::uint32_t kMaxDistanceAtLength2 = 255;
constexpr std::uint32_t kMaxDistanceAtLength3 = 8191;

// The ranking the code assignment follows: widths descending, ties where this
// quicksort leaves them. `freq` has one spare slot at the end.
void SortRange(std::vector<std::uint8_t>& freq, std::vector<std::uint16_t>& org, int left,
               int right) {
    auto swap = [&](int a, int b) {
        std::swap(freq[static_cast<std::size_t>(a)], freq[static_cast<std::size_t>(b)]);
        std::swap(org[static_cast<std::size_t>(a)], org[static_cast<std::size_t>(b)]);
    };
    int zl = left;
    int zr = right;
    const std::uint8_t pivot = freq[static_cast<std::size_t>(right)];
    do {
        while (zl < right && freq[static_cast<std::size_t>(zl)] > pivot)
            ++zl;
        while (zr > left && freq[static_cast<std::size_t>(zr)] < pivot)
            --zr;
        if (zl <= zr) {
            swap(zl, zr);
            ++zl;
            --zr;
        }
    } while (zl < zr);
    if (left < zr) {
        if (left < zr - 1)
            SortRange(freq, org, left, zr);
        else if (freq[static_cast<std::size_t>(left)] < freq[static_cast<std::size_t>(zr)])
            swap(left, zr);
    }
    if (right > zl) {
        if (zl < right - 1)
            SortRange(freq, org, zl, right);
        else if (freq[static_cast<std::size_t>(zl)] < freq[static_cast<std::size_t>(right)])
            swap(zl, right);
    }
}

} // namespace

TAceLz77::TAceLz77() : input_(kInputBlock), window_(kWindowSize) {}

void TAceLz77::ResetDictionary() {
    history_ = 0;
    pos_ = flushed_ = 0;
    recent_.fill(0);
}

// ---------------------------------------------------------------------------
// Bits

void TAceLz77::Refill() {
    while (count_ <= 32) {
        if (inEnd_ - inPos_ < 4 && !inputEnded_) {
            // Keep the unread tail and read on behind it.
            const std::size_t tail = inEnd_ - inPos_;
            std::memmove(input_.data(), input_.data() + inPos_, tail);
            inPos_ = 0;
            inEnd_ = tail;
            while (inEnd_ < 4 && !inputEnded_) {
                const std::int64_t got =
                    io_->Read ? io_->Read(input_.data() + inEnd_,
                                          static_cast<std::int64_t>(kInputBlock - inEnd_))
                              : 0;
                if (got <= 0)
                    inputEnded_ = true;
                else
                    inEnd_ += static_cast<std::size_t>(got);
            }
        }
        std::uint32_t word = 0;
        if (inEnd_ - inPos_ >= 4) {
            word = static_cast<std::uint32_t>(input_[inPos_]) |
                   static_cast<std::uint32_t>(input_[inPos_ + 1]) << 8 |
                   static_cast<std::uint32_t>(input_[inPos_ + 2]) << 16 |
                   static_cast<std::uint32_t>(input_[inPos_ + 3]) << 24;
            inPos_ += 4;
        } else {
            // A last partial word holds its bytes low; past the end come zeros.
            if (inPos_ == inEnd_) padding_ += 32;
            for (int i = 0; inPos_ < inEnd_; ++i)
                word |= static_cast<std::uint32_t>(input_[inPos_++]) << (8 * i);
        }
        bits_ |= static_cast<std::uint64_t>(word) << (32 - count_);
        count_ += 32;
    }
}

// ---------------------------------------------------------------------------
// Tables

bool TAceLz77::MakeCode(TTable& table, int symbolCount) {
    const auto n = static_cast<std::size_t>(symbolCount);
    std::vector<std::uint8_t>& freq = rankWidths_;
    freq.assign(table.Width.begin(), table.Width.begin() + symbolCount);
    freq.push_back(0);
    std::vector<std::uint16_t>& org = rankSymbols_;
    org.resize(n + 1);
    for (std::size_t i = 0; i <= n; ++i)
        org[i] = static_cast<std::uint16_t>(i);
    if (symbolCount > 1) SortRange(freq, org, 0, symbolCount - 1);
    std::size_t used = 0;
    while (used < n && freq[used] != 0)
        ++used;
    if (used < 2) {
        table.Width[org[0]] = 1;
        if (used == 0) used = 1;
    }
    const std::size_t size = std::size_t{1} << table.Bits;
    std::fill(table.Symbol.begin(), table.Symbol.end(), 0);
    std::size_t filled = 0;
    for (std::size_t i = used; i-- > 0 && filled < size;) {
        if (freq[i] > table.Bits) return false;
        const std::size_t span = std::size_t{1} << (table.Bits - freq[i]);
        if (filled + span > size) return false; // over-subscribed
        std::fill_n(table.Symbol.begin() + static_cast<std::ptrdiff_t>(filled), span, org[i]);
        filled += span;
    }
    return true;
}

bool TAceLz77::ReadWidths(TTable& table, int maxBits, int maxSymbols) {
    table.Bits = maxBits;
    table.Symbol.assign(std::size_t{1} << maxBits, 0);
    table.Width.assign(static_cast<std::size_t>(maxSymbols), 0);
    const int top = std::min<int>(static_cast<int>(Get(9)), maxSymbols - 1);
    const int lowest = static_cast<int>(Get(4));
    const int upper = static_cast<int>(Get(4));

    widthCodes_.Bits = kWidthCodeBits;
    widthCodes_.Symbol.assign(std::size_t{1} << kWidthCodeBits, 0);
    widthCodes_.Width.assign(16, 0);
    for (int i = 0; i <= upper; ++i)
        widthCodes_.Width[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(Get(3));
    if (!MakeCode(widthCodes_, upper + 1)) return false;

    std::vector<std::uint8_t>& w = table.Width;
    for (int j = 0; j <= top;) {
        if (Overrun()) return false;
        const std::uint16_t code = widthCodes_.Symbol[Peek(kWidthCodeBits)];
        Skip(widthCodes_.Width[code]);
        if (code < upper) {
            w[static_cast<std::size_t>(j++)] = static_cast<std::uint8_t>(code);
        } else {
            for (int run = static_cast<int>(Get(4)) + 4; run-- > 0 && j <= top;)
                w[static_cast<std::size_t>(j++)] = 0;
        }
    }
    if (upper != 0)
        for (int i = 1; i <= top; ++i)
            w[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(
                (w[static_cast<std::size_t>(i)] + w[static_cast<std::size_t>(i - 1)]) % upper);
    for (int i = 0; i <= top; ++i) {
        auto& width = w[static_cast<std::size_t>(i)];
        if (width == 0) continue;
        if (width + lowest > maxBits) return false;
        width = static_cast<std::uint8_t>(width + lowest);
    }
    return MakeCode(table, top + 1);
}

bool TAceLz77::ReadTables() {
    if (!ReadWidths(main_, kMainBits, kMainSymbols) ||
        !ReadWidths(lengths_, kLengthBits, kLengthSymbols))
        return false;
    blockLeft_ = Get(15);
    return !Overrun();
}

// ---------------------------------------------------------------------------
// Decoding

bool TAceLz77::Flush(std::size_t end) {
    if (end > flushed_) {
        const auto count = static_cast<std::int64_t>(end - flushed_);
        if (!io_->Write || io_->Write(window_.data() + flushed_, count) != count) return false;
    }
    flushed_ = end == kWindowSize ? 0 : end;
    return true;
}

TDecodeResult TAceLz77::Decode(TMemberIo& Io) {
    io_ = &Io;
    inPos_ = inEnd_ = 0;
    inputEnded_ = false;
    bits_ = 0;
    count_ = 0;
    padding_ = 0;
    blockLeft_ = 0;
    flushed_ = pos_;
    auto left = static_cast<std::uint64_t>(std::max<std::int64_t>(Io.UnpackedSize, 0));
    TDecodeResult result = TDecodeResult::Done;
    std::uint32_t steps = 0;

    while (left > 0) {
        if ((++steps & 0xFFFF) == 0) {
            if (Io.Canceled()) {
                result = TDecodeResult::Canceled;
                break;
            }
            if (pos_ - flushed_ >= kFlushStep && !Flush(pos_)) return TDecodeResult::WriteFailed;
        }
        if (Overrun()) {
            result = TDecodeResult::InputEnded;
            break;
        }
        if (blockLeft_ == 0) {
            if (!ReadTables()) {
                result = Overrun() ? TDecodeResult::InputEnded : TDecodeResult::Corrupt;
                break;
            }
            if (blockLeft_ == 0) continue;
        }
        --blockLeft_;
        const std::uint16_t symbol = main_.Symbol[Peek(kMainBits)];
        Skip(main_.Width[symbol]);
        if (symbol < 256) {
            window_[pos_++] = static_cast<std::uint8_t>(symbol);
            --left;
            if (history_ < kWindowSize) ++history_;
            if (pos_ == kWindowSize) {
                if (!Flush(kWindowSize)) return TDecodeResult::WriteFailed;
                pos_ = 0;
            }
            continue;
        }
        std::uint32_t value = 0;
        std::uint32_t length = 2;
        if (symbol < 260) {
            const std::size_t index = symbol - 256u;
            value = recent_[index];
            std::copy_backward(recent_.begin(),
                               recent_.begin() + static_cast<std::ptrdiff_t>(index),
                               recent_.begin() + static_cast<std::ptrdiff_t>(index) + 1);
            recent_[0] = value;
            if (index > 1) ++length;
        } else {
            const int bits = symbol - 260;
            value = bits < 2 ? static_cast<std::uint32_t>(bits)
                             : Get(bits - 1) + (std::uint32_t{1} << (bits - 1));
            std::copy_backward(recent_.begin(), recent_.end() - 1, recent_.end());
            recent_[0] = value;
            if (value > kMaxDistanceAtLength2) {
                ++length;
                if (value > kMaxDistanceAtLength3) ++length;
            }
        }
        const std::uint16_t lengthSymbol = lengths_.Symbol[Peek(kLengthBits)];
        Skip(lengths_.Width[lengthSymbol]);
        length += lengthSymbol;
        const std::uint64_t distance = std::uint64_t{value} + 1;
        if (distance > history_) {
            result = TDecodeResult::Corrupt;
            break;
        }
        const std::uint32_t count =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(length, left));
        std::size_t from = (pos_ + kWindowSize - static_cast<std::size_t>(distance)) % kWindowSize;
        for (std::uint32_t i = 0; i < count; ++i) {
            window_[pos_++] = window_[from++];
            if (from == kWindowSize) from = 0;
            if (pos_ == kWindowSize) {
                if (!Flush(kWindowSize)) return TDecodeResult::WriteFailed;
                pos_ = 0;
            }
        }
        left -= count;
        history_ = std::min<std::uint64_t>(history_ + count, kWindowSize);
    }
    if (!Flush(pos_)) return TDecodeResult::WriteFailed;
    return result;
}

} // namespace sorvane
