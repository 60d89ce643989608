// bench/run.sh inflate: our inflate engine beside libdeflate and zlib's inflate
// in the same process, decoding the same 50 MB of mixed text and binary
// compressed by zlib at level 6. The figure is our time over libdeflate's; the
// line above it gives our time over zlib's.
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>
#include <zlib.h>
#ifdef SORVANE_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

#include "archive/codecs/arxInflate.h"
#include "bench/Timing.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Text of words and numbers, pieces of random bytes, runs and structured
// records, in turns, to 50,000,000 bytes.
Bytes Corpus(std::size_t size) {
    static const char* words[] = {"archive ", "member ", "folder ", "catalogue ", "disk ", "the ",
                                  "of ",      "and ",    "return ", "int ",       "std::", "{\n",
                                  "}\n",      "    ",    "name ",   "size = ",    "0x",    "if (",
                                  ");\n",     "// ",     "value "};
    std::mt19937 rng(12345);
    Bytes out;
    out.reserve(size);
    while (out.size() < size) {
        const std::size_t piece = 4096 + rng() % 65536;
        switch (rng() % 5) {
        case 0:
        case 1:
        case 2:
            for (std::size_t n = 0; n < piece;) {
                const char* w = words[rng() % std::size(words)];
                const std::size_t len = std::strlen(w);
                out.insert(out.end(), w, w + len);
                n += len;
                if (rng() % 7 == 0) {
                    const std::string num = std::to_string(rng() % 100000);
                    out.insert(out.end(), num.begin(), num.end());
                }
            }
            break;
        case 3:
            for (std::size_t n = 0; n < piece / 4; ++n)
                out.push_back(static_cast<std::uint8_t>(rng()));
            break;
        default:
            for (std::size_t n = 0; n < piece; ++n)
                out.push_back(static_cast<std::uint8_t>(n % 32 < 4 ? rng() % 256 : (n * 13) % 64));
        }
    }
    out.resize(size);
    return out;
}

Bytes Compress(const Bytes& data) {
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    Bytes out(deflateBound(&z, data.size()));
    z.next_in = const_cast<std::uint8_t*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// Both sides decode from one buffer into one buffer, in 1 MB output steps.
constexpr std::size_t kStep = 1 << 20;

std::size_t Ours(const Bytes& packed, Bytes& out) {
    sorvane::TInflate engine;
    sorvane::TInflateRecord record;
    engine.InflateInit(record, -15, sorvane::kInflateRecordCheck);
    record.NextIn = packed.data();
    record.AvailIn = static_cast<std::int64_t>(packed.size());
    std::size_t made = 0;
    int rc = sorvane::kInflateOk;
    while (rc == sorvane::kInflateOk && made < out.size()) {
        record.NextOut = out.data() + made;
        record.AvailOut = static_cast<std::int64_t>(std::min(kStep, out.size() - made));
        const std::int64_t before = record.AvailOut;
        rc = engine.Inflate(record, sorvane::kInflateNoFlush);
        made += static_cast<std::size_t>(before - record.AvailOut);
    }
    engine.InflateEnd(record);
    return made;
}

std::size_t Zlib(const Bytes& packed, Bytes& out) {
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = const_cast<std::uint8_t*>(packed.data());
    z.avail_in = static_cast<uInt>(packed.size());
    int rc = Z_OK;
    std::size_t made = 0;
    while (rc == Z_OK && made < out.size()) {
        z.next_out = out.data() + made;
        z.avail_out = static_cast<uInt>(std::min(kStep, out.size() - made));
        rc = inflate(&z, Z_NO_FLUSH);
        made = z.total_out;
    }
    inflateEnd(&z);
    return made;
}

#ifdef SORVANE_HAVE_LIBDEFLATE
// libdeflate decodes the whole buffer at once: it has no streaming interface.
std::size_t Libdeflate(libdeflate_decompressor* d, const Bytes& packed, Bytes& out) {
    std::size_t got = 0;
    if (libdeflate_deflate_decompress(d, packed.data(), packed.size(), out.data(), out.size(),
                                      &got) != LIBDEFLATE_SUCCESS)
        return 0;
    return got;
}
#endif

} // namespace

int main() {
#ifndef SORVANE_HAVE_LIBDEFLATE
    std::fprintf(stderr, "inflate: libdeflate is not installed (libdeflate-dev); bench/run.sh "
                         "inflate installs it\n");
    return 1;
#else
    using namespace sorvane::bench;
    const Bytes data = Corpus(50'000'000);
    const Bytes packed = Compress(data);
    std::printf("inflate: %zu bytes compressed to %zu at level 6\n", data.size(), packed.size());
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    Bytes ours(data.size()), zlib(data.size()), lib(data.size());
    if (d == nullptr || Ours(packed, ours) != data.size() || ours != data ||
        Zlib(packed, zlib) != data.size() || zlib != data ||
        Libdeflate(d, packed, lib) != data.size() || lib != data) {
        std::fprintf(stderr, "inflate: a decoder did not give the corpus back\n");
        return 1;
    }
    // The three sides in turns, so a change of load falls on all of them.
    constexpr int kRepetitions = 9;
    std::vector<double> oursTimes, zlibTimes, libTimes;
    for (int i = 0; i < kRepetitions; ++i) {
        oursTimes.push_back(Seconds([&] { Ours(packed, ours); }));
        libTimes.push_back(Seconds([&] { Libdeflate(d, packed, lib); }));
        zlibTimes.push_back(Seconds([&] { Zlib(packed, zlib); }));
    }
    libdeflate_free_decompressor(d);
    PrintTimesHeader(12);
    PrintTimesRow(12, "ours", oursTimes, "  (streaming, 1 MB output steps)");
    PrintTimesRow(12, "libdeflate", libTimes, "  (whole buffer at once)");
    PrintTimesRow(12, "zlib", zlibTimes, "  (streaming, 1 MB output steps)");
    std::printf("inflate: %.2f of zlib\n", Median(oursTimes) / Median(zlibTimes));
    PrintRatio("inflate", Median(oursTimes) / Median(libTimes));
    return 0;
#endif
}
