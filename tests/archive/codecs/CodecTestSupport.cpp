#include "tests/archive/codecs/CodecTestSupport.h"

#include "archive/codecs/arxInflate.h"

#include <algorithm>
#include <random>
#include <zlib.h>

namespace sorvane::test {

Bytes TextInput(std::size_t size, std::uint32_t seed) {
    static const char* words[] = {
        "the ",  "catalogue ", "of ",   "disk ",  "archive ", "member ",  "folder ", "and ",
        "a ",    "name ",      "size ", "date ",  "\n",       "Sorvane ", "zip ",    "extract ",
        "file ", "to ",        "with ", "every ", "byte ",    "0123 ",    "(x) ",    "{\n  "};
    std::mt19937 rng(seed);
    Bytes out;
    while (out.size() < size) {
        const char* w = words[rng() % std::size(words)];
        out.insert(out.end(), w, w + std::char_traits<char>::length(w));
    }
    out.resize(size);
    return out;
}

Bytes RandomInput(std::size_t size, std::uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out(size);
    for (auto& b : out)
        b = static_cast<std::uint8_t>(rng());
    return out;
}

Bytes MixedInput(std::size_t size, std::uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out;
    while (out.size() < size) {
        const std::size_t piece = 1000 + rng() % 30000;
        Bytes part;
        switch (rng() % 4) {
        case 0:
            part = TextInput(piece, rng());
            break;
        case 1:
            part = RandomInput(piece / 8, rng());
            break;
        case 2:
            part.assign(piece, static_cast<std::uint8_t>(rng()));
            break;
        default: // structured binary: small integers and repeated records
            for (std::size_t i = 0; i < piece; ++i)
                part.push_back(static_cast<std::uint8_t>((i % 16 == 0) ? rng() : i * 7 % 13));
        }
        out.insert(out.end(), part.begin(), part.end());
    }
    out.resize(size);
    return out;
}

Bytes ZlibCompress(const Bytes& data, int level, int strategy, int windowBits) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, windowBits, 8, strategy);
    Bytes out(deflateBound(&z, data.size()) + 64);
    z.next_in = const_cast<Bytes::value_type*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

bool ZlibInflate(const Bytes& packed, int windowBits, std::size_t limit, Bytes& out) {
    z_stream z{};
    inflateInit2(&z, windowBits);
    out.assign(limit, 0);
    z.next_in = const_cast<Bytes::value_type*>(packed.data());
    z.avail_in = static_cast<uInt>(packed.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&z, Z_FINISH);
    out.resize(z.total_out);
    inflateEnd(&z);
    return rc == Z_STREAM_END;
}

int OurInflate(const Bytes& packed, int windowBits, bool deflate64, std::size_t limit, Bytes& out,
               std::size_t inStep, std::size_t outStep) {
    TInflate engine(deflate64 ? TInflateMode::Deflate64 : TInflateMode::Deflate);
    TInflateRecord record;
    int rc = engine.InflateInit(record, windowBits, kInflateRecordCheck);
    if (rc != kInflateOk) return rc;
    out.assign(limit, 0);
    std::size_t inPos = 0, outPos = 0;
    for (;;) {
        const std::size_t inNow = std::min(inStep, packed.size() - inPos);
        const std::size_t outNow = std::min(outStep, limit - outPos);
        record.NextIn = packed.data() + inPos;
        record.AvailIn = static_cast<std::int64_t>(inNow);
        record.NextOut = out.data() + outPos;
        record.AvailOut = static_cast<std::int64_t>(outNow);
        rc = engine.Inflate(record, kInflateNoFlush);
        const std::size_t took = inNow - static_cast<std::size_t>(record.AvailIn);
        const std::size_t made = outNow - static_cast<std::size_t>(record.AvailOut);
        inPos += took;
        outPos += made;
        if (rc != kInflateOk) break;
        if (took == 0 && made == 0) break;
    }
    out.resize(outPos);
    engine.InflateEnd(record);
    return rc;
}

} // namespace sorvane::test
