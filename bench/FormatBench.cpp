// Field readers and name extraction over one million synthetic catalogue lines,
// beside a plain memchr scan of the same bytes for the same block brackets.
#include "bench/SideBySide.h"
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/CatalogueLines.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/TextUtils.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <random>

namespace {

using namespace sorvane;

constexpr std::size_t kLineCount = 1'000'000;

// Folder lines now and then, file lines with media blocks and descriptions mixed in.
const CatalogueLines& SyntheticCatalogue() {
    static const CatalogueLines lines = [] {
        CatalogueLines made;
        std::mt19937 random(42);
        const std::string date = CodificaFecha(0x5A215C21);
        for (std::size_t i = 0; i < kLineCount; ++i) {
            const std::string name = "document_" + std::to_string(random() % 100000) + ".txt";
            if (i % 20 == 0) {
                made.Add(std::string(1, kFolderMarker) + PadLeftToWidth(CodificaEntero(19), 3) +
                         date + date + "0" + "\\Projects\\Folder" + std::to_string(i));
                continue;
            }
            std::string line =
                date + date + CodificaTamano(random() % 5'000'000'000ULL) + "20" + name;
            if (i % 7 == 0) line += std::string(1, kMediaBracket) + "abcdefg" + kMediaBracket;
            if (i % 11 == 0)
                line += std::string(1, kDescriptionBracket) + "a note" + kDescriptionBracket;
            made.Add(line);
        }
        return made;
    }();
    return lines;
}

void OursFieldReaders(benchmark::State& state) {
    const CatalogueLines& lines = SyntheticCatalogue();
    for (auto _ : state) {
        std::uint64_t total = 0;
        for (std::size_t i = 0; i < lines.Count(); ++i) {
            const std::string_view line = lines.Line(i);
            if (EsLineaCarpeta(line)) {
                total += DameCarpetaNombre(line).size();
                continue;
            }
            total += DameFicheroNombre(line).size();
            total += DameFicheroTamano(line);
            total += static_cast<std::uint64_t>(DameFicheroModificado(line).day);
            total += DameFicheroDescripcion(line).size();
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kLineCount));
}

// The peer: find each line's name end with memchr, as a hand-written scanner would.
void PeerMemchrScan(benchmark::State& state) {
    const CatalogueLines& lines = SyntheticCatalogue();
    for (auto _ : state) {
        std::uint64_t total = 0;
        for (std::size_t i = 0; i < lines.Count(); ++i) {
            const std::string_view line = lines.Line(i);
            const char* begin = line.data();
            const std::size_t size = line.size();
            const void* end = std::memchr(begin, kMediaBracket, size);
            if (end == nullptr) end = std::memchr(begin, kDescriptionBracket, size);
            total += end ? static_cast<std::size_t>(static_cast<const char*>(end) - begin) : size;
            total += static_cast<unsigned char>(line.back());
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kLineCount));
}

BENCHMARK(OursFieldReaders)->Name("ours/field_readers")->Unit(benchmark::kMillisecond);
BENCHMARK(PeerMemchrScan)->Name("peer/memchr_scan")->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return sorvane::bench::RunSideBySide("format", argc, argv);
}
