// LHA -lh1- decoding (the LZHUF scheme).
#include "archive/codecs/arxLh1.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace sorvane {
namespace {

constexpr int kWindow = 4096;
constexpr int kMaxMatch = 60;
constexpr int kThreshold = 2;
constexpr int kSymbols = 256 - kThreshold + kMaxMatch; // 314
constexpr int kNodes = 2 * kSymbols - 1;               // 627
constexpr int kRoot = kNodes - 1;                      // 626
constexpr std::uint16_t kMaxFreq = 0x8000;
constexpr std::int64_t kOutBuffer = 32768;
constexpr std::int64_t kInBuffer = 32768;

// The upper six position bits and the code length of each 8-bit prefix: six
// groups of codes 3, 4, 5, 6, 7 and 8 bits long, canonical in order.
struct PositionTables {
    std::array<std::uint8_t, 256> code{};
    std::array<std::uint8_t, 256> length{};
};

constexpr PositionTables MakePositionTables() {
    PositionTables t;
    // (code length, how many upper values have it)
    constexpr int groups[6][2] = {{3, 1}, {4, 3}, {5, 8}, {6, 12}, {7, 24}, {8, 16}};
    int index = 0, upper = 0;
    for (const auto& g : groups) {
        for (int v = 0; v < g[1]; ++v, ++upper) {
            for (int k = 0; k < (1 << (8 - g[0])); ++k, ++index) {
                t.code[static_cast<std::size_t>(index)] = static_cast<std::uint8_t>(upper);
                t.length[static_cast<std::size_t>(index)] = static_cast<std::uint8_t>(g[0]);
            }
        }
    }
    return t;
}

constexpr PositionTables kPositions = MakePositionTables();

// The adaptive Huffman tree over the 314 symbols.
struct Tree {
    std::array<std::uint16_t, kNodes + 1> freq{};
    std::array<std::uint16_t, kNodes + kSymbols> parent{};
    std::array<std::uint16_t, kNodes> son{};

    Tree() { Reset(); }

    // The starting tree: every symbol once.
    void Reset() {
        for (int i = 0; i < kSymbols; ++i) {
            freq[i] = 1;
            son[i] = static_cast<std::uint16_t>(i + kNodes);
            parent[i + kNodes] = static_cast<std::uint16_t>(i);
        }
        for (int i = 0, j = kSymbols; j <= kRoot; i += 2, ++j) {
            freq[j] = static_cast<std::uint16_t>(freq[i] + freq[i + 1]);
            son[j] = static_cast<std::uint16_t>(i);
            parent[i] = parent[i + 1] = static_cast<std::uint16_t>(j);
        }
        freq[kNodes] = 0xFFFF; // sentinel
        parent[kRoot] = 0;
    }

    // Halves the frequencies (rounding up) and rebuilds the inner nodes.
    void Rebuild() {
        int j = 0;
        for (int i = 0; i < kNodes; ++i) {
            if (son[i] >= kNodes) {
                freq[j] = static_cast<std::uint16_t>((freq[i] + 1) / 2);
                son[j] = son[i];
                ++j;
            }
        }
        for (int i = 0, n = kSymbols; n < kNodes; i += 2, ++n) {
            const auto f = static_cast<std::uint16_t>(freq[i] + freq[i + 1]);
            int k = n - 1;
            while (f < freq[k])
                --k;
            ++k;
            std::memmove(&freq[k + 1], &freq[k], sizeof freq[0] * static_cast<std::size_t>(n - k));
            freq[k] = f;
            std::memmove(&son[k + 1], &son[k], sizeof son[0] * static_cast<std::size_t>(n - k));
            son[k] = static_cast<std::uint16_t>(i);
        }
        for (int i = 0; i < kNodes; ++i) {
            const int k = son[i];
            parent[k] = static_cast<std::uint16_t>(i);
            if (k < kNodes) parent[k + 1] = static_cast<std::uint16_t>(i);
        }
    }

    // Counts one more occurrence of symbol c and keeps the nodes in
    // frequency order.
    void Update(int c) {
        if (freq[kRoot] == kMaxFreq) Rebuild();
        c = parent[c + kNodes];
        do {
            const std::uint16_t k = ++freq[c];
            int l = c + 1;
            if (k > freq[l]) {
                while (k > freq[++l]) {
                }
                --l;
                freq[c] = freq[l];
                freq[l] = k;
                const int i = son[c];
                parent[i] = static_cast<std::uint16_t>(l);
                if (i < kNodes) parent[i + 1] = static_cast<std::uint16_t>(l);
                const int j = son[l];
                son[l] = static_cast<std::uint16_t>(i);
                parent[j] = static_cast<std::uint16_t>(c);
                if (j < kNodes) parent[j + 1] = static_cast<std::uint16_t>(c);
                son[c] = static_cast<std::uint16_t>(j);
                c = l;
            }
            c = parent[c];
        } while (c != 0);
    }
};

} // namespace

struct TLh1Decoder::State {
    Tree tree;
    std::array<std::uint8_t, kWindow> window;
    std::vector<std::uint8_t> out = std::vector<std::uint8_t>(static_cast<std::size_t>(kOutBuffer));
    std::vector<std::uint8_t> input =
        std::vector<std::uint8_t>(static_cast<std::size_t>(kInBuffer));
};

TLh1Decoder::TLh1Decoder() = default;
TLh1Decoder::~TLh1Decoder() = default;

TDecodeResult Lh1Decode(TMemberIo& Io) {
    TLh1Decoder decoder;
    return decoder.Decode(Io);
}

TDecodeResult TLh1Decoder::Decode(TMemberIo& Io) {
    if (!state_)
        state_ = std::make_unique<State>();
    else
        state_->tree.Reset();
    Tree* const tree = &state_->tree;
    std::array<std::uint8_t, kWindow>& window = state_->window;
    window.fill(0x20);
    std::vector<std::uint8_t>& out = state_->out;
    TLzhBitReader in(Io, state_->input);
    in.Start(Io.PackedSize);

    std::int64_t left = std::max<std::int64_t>(Io.UnpackedSize, 0);
    std::int64_t fill = 0;
    int r = kWindow - kMaxMatch;
    const auto flush = [&]() -> bool {
        if (fill <= 0) return true;
        const std::int64_t wrote = Io.Write ? Io.Write(out.data(), fill) : fill;
        if (wrote < fill) return false;
        fill = 0;
        return true;
    };
    const auto put = [&](std::uint8_t b) -> bool {
        if (fill == kOutBuffer && !flush()) return false;
        out[static_cast<std::size_t>(fill++)] = b;
        window[static_cast<std::size_t>(r)] = b;
        r = (r + 1) & (kWindow - 1);
        return true;
    };

    while (left > 0) {
        if (in.Overrun()) {
            flush();
            return TDecodeResult::InputEnded;
        }
        if (Io.Canceled()) return TDecodeResult::Canceled;
        int c = tree->son[kRoot];
        while (c < kNodes) {
            c += static_cast<int>(in.Get(1));
            c = tree->son[static_cast<std::size_t>(c)];
        }
        c -= kNodes;
        tree->Update(c);
        if (c < 256) {
            if (!put(static_cast<std::uint8_t>(c))) return TDecodeResult::WriteFailed;
            --left;
            continue;
        }
        std::uint32_t i = in.Get(8);
        const std::uint32_t upper = kPositions.code[i];
        for (int extra = kPositions.length[i] - 2; extra > 0; --extra)
            i = (i << 1) + in.Get(1);
        const std::uint32_t distance = (upper << 6) | (i & 0x3Fu);
        int src = (r - static_cast<int>(distance) - 1) & (kWindow - 1);
        const std::int64_t length = std::min<std::int64_t>(c - 253, left);
        for (std::int64_t k = 0; k < length; ++k) {
            if (!put(window[static_cast<std::size_t>(src)])) return TDecodeResult::WriteFailed;
            src = (src + 1) & (kWindow - 1);
        }
        left -= length;
    }
    return flush() ? TDecodeResult::Done : TDecodeResult::WriteFailed;
}

} // namespace sorvane
