// Robustness of the line readers: random lines rich in structural bytes, every
// truncation and every one-byte corruption of valid lines. Each reader must give
// a value or raise EFormatoCatalogo; any other exception is a failure, and a
// read outside the line shows under AddressSanitizer, since every line is
// copied into a buffer of exactly its size.
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/Codes.h"
#include "catalogue/format/FormatError.h"
#include "catalogue/format/MediaBlock.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/TextUtils.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

namespace sorvane {
namespace {

struct Reader {
    const char* name;
    std::function<void(std::string_view)> read;
};

// A view returned by a reader must lie inside the text it was given.
void ExpectInside(std::string_view result, std::string_view text) {
    if (result.empty()) return;
    if (result.data() < text.data() || result.data() + result.size() > text.data() + text.size())
        throw std::logic_error("returned a view outside the line");
}

// clang-format off
#define READ(call) Reader{#call, [](std::string_view line) { (void)(call); }}
#define VIEW(call) Reader{#call, [](std::string_view line) { ExpectInside(call, line); }}
// clang-format on

// Every reader of a whole line.
const std::vector<Reader>& LineReaders() {
    static const std::vector<Reader> readers = {
        READ(DameCabeceraTipo(line)),
        READ(DameCabeceraUnidad(line)),
        VIEW(DameCabeceraNumSerie(line)),
        READ(DameCabeceraLibre(line)),
        READ(DameCabeceraOcupado(line)),
        READ(DameCabeceraTipoUnidad(line)),
        VIEW(DameCabeceraVolumen(line)),
        VIEW(DameCabeceraNombre(line)),
        VIEW(DameCabeceraRuta(line)),
        READ(TieneCabeceraExcluidas(line)),
        VIEW(DameCabeceraExcluidas(line)),
        READ(EsCatalogoCarpeta(line)),
        READ(EsCatalogoDisco(line)),
        READ(EsLineaCarpeta(line)),
        READ(DameCarpetaCreado(line)),
        READ(DameCarpetaModificado(line)),
        READ(DameCarpetaAtributos(line)),
        VIEW(DameCarpetaRuta(line)),
        VIEW(DameCarpetaNombre(line)),
        VIEW(DameCarpetaDescripcion(line)),
        READ(DameFicheroModificado(line)),
        READ(DameFicheroCreado(line)),
        READ(DameFicheroTamano(line)),
        READ(DameFicheroAtributos(line)),
        READ(DameFicheroAtributosExtendidos(line)),
        VIEW(DameFicheroNombre(line)),
        VIEW(DameFicheroExtension(line)),
        VIEW(DameFicheroDescripcion(line)),
        READ(TieneAnidados(line)),
        READ(TieneMultimedia(line)),
        READ(TieneDescripcion(line)),
        READ(CuentaAnidados(DameFicheroAnidados(line))),
        VIEW(DameFicheroMultimedia(line)),
        VIEW(DameLineaNombre(line)),
        VIEW(DameLineaDescripcion(line)),
        READ(DameLineaCreado(line)),
        READ(DameLineaModificado(line)),
        Reader{"DamePosicionDescripcion(line)",
               [](std::string_view line) {
                   const std::ptrdiff_t at = DamePosicionDescripcion(line);
                   if (at != -1 && (at < 1 || static_cast<std::size_t>(at) >= line.size()))
                       throw std::logic_error("position outside the line");
               }},
        VIEW(ExtraeDescripcion(line)),
        VIEW(QuitaDescripcion(line)),
        READ(PonDescripcion(line, "text")),
        READ(UneDescripciones(line, "text")),
        READ(UneDescripciones(line.substr(0, line.size() / 2), line)),
        READ(EsSubcarpetaDirecta("\\A", line)),
        READ(EsSubcarpetaDirecta(line.substr(0, line.size() / 2), line)),
        READ(EsSubcarpeta("\\A", line)),
        READ(EsSubcarpeta(line.substr(0, line.size() / 2), line)),
        READ(DameFicheroDuracion(line)),
        READ(DameFicheroCanales(line)),
        READ(DameFicheroFrecuencia(line)),
        READ(DameFicheroCalidad(line)),
        READ(DameFicheroAncho(line)),
        READ(DameFicheroAlto(line)),
        READ(DameFicheroPaginas(line)),
    };
    return readers;
}

// Every reader of one nested entry.
const std::vector<Reader>& EntryReaders() {
    static const std::vector<Reader> readers = {
        READ(DameAnidadoFecha(line)),     READ(DameAnidadoTamano(line)),
        READ(DameAnidadoAtributos(line)), VIEW(DameAnidadoRuta(line)),
        VIEW(DameAnidadoNombre(line)),
    };
    return readers;
}

// Every reader of a media block.
const std::vector<Reader>& BlockReaders() {
    static const std::vector<Reader> readers = {
        READ(DameTextoResolucion(line)),      READ(DameTextoCalidadImagen(line)),
        READ(DameTextoDuracionWAV(line)),     READ(DameTextoCanalesWAV(line)),
        READ(DameTextoFrecuenciaWAV(line)),   READ(DameTextoCalidadWAV(line)),
        READ(DameTextoDuracionAudio(line)),   READ(DameTextoCanalesAudio(line)),
        READ(DameTextoFrecuenciaAudio(line)), READ(DameTextoCalidadAudio(line)),
        READ(DameTextoAnoAudio(line)),        READ(DameTextoPistaAudio(line)),
        READ(DameTextoGeneroAudio(line)),     READ(DameTextoCalidadAVI(line)),
        READ(DameTextoDuracionAVI(line)),     READ(DameTextoPaginasDOC(line)),
        READ(DameValorAncho(line)),           READ(DameValorAlto(line)),
        READ(DameValorCalidadImagen(line)),   READ(DameValorDuracionWAV(line)),
        READ(DameValorCanalesWAV(line)),      READ(DameValorFrecuenciaWAV(line)),
        READ(DameValorCalidadWAV(line)),      READ(DameValorDuracionAudio(line)),
        READ(DameValorCanalesAudio(line)),    READ(DameValorFrecuenciaAudio(line)),
        READ(DameValorCalidadAudio(line)),    READ(DameValorAnoAudio(line)),
        READ(DameValorPistaAudio(line)),      READ(DameValorCalidadAVI(line)),
        READ(DameValorDuracionAVI(line)),     READ(DameValorPaginasDOC(line)),
    };
    return readers;
}

#undef READ
#undef VIEW

// A copy of a text in a heap buffer of exactly its size, so that a read one
// byte past the end is caught by AddressSanitizer.
class ExactCopy {
public:
    explicit ExactCopy(std::string_view text)
        : bytes_(std::make_unique<char[]>(text.size())), size_(text.size()) {
        text.copy(bytes_.get(), text.size());
    }
    std::string_view View() const { return {bytes_.get(), size_}; }

private:
    std::unique_ptr<char[]> bytes_;
    std::size_t size_;
};

std::string Printable(std::string_view text) {
    std::string shown;
    for (unsigned char c : text)
        shown += std::to_string(c) + " ";
    return shown;
}

// Runs readers and keeps the first unexpected outcome of each.
class ReaderCheck {
public:
    void RunAll(std::string_view text) {
        const ExactCopy line(text);
        Run(LineReaders(), line.View());
        Run(EntryReaders(), line.View());
        Run(BlockReaders(), line.View());
        try {
            const std::string items = DameFicheroAnidados(line.View());
            for (std::size_t start = 0, at;
                 (at = items.find(kItemSeparator, start)) != std::string::npos; start = at + 1)
                Run(EntryReaders(), ExactCopy(items.substr(start, at - start)).View());
        } catch (const EFormatoCatalogo&) {
        }
        try {
            const std::string_view block = DameFicheroMultimedia(line.View());
            Run(BlockReaders(), ExactCopy(block).View());
        } catch (const EFormatoCatalogo&) {
        }
    }

    void ExpectNoFailures() const {
        std::string report;
        for (const auto& [reader, failure] : failures_)
            report += reader + ": " + failure + "\n";
        EXPECT_TRUE(failures_.empty()) << report;
    }

private:
    void Run(const std::vector<Reader>& readers, std::string_view text) {
        for (const Reader& reader : readers) {
            try {
                reader.read(text);
            } catch (const EFormatoCatalogo&) {
            } catch (const std::exception& e) {
                Fail(reader.name, std::string(typeid(e).name()) + " \"" + e.what() + "\"", text);
            } catch (...) {
                Fail(reader.name, "an unknown exception", text);
            }
        }
    }

    void Fail(const std::string& reader, const std::string& what, std::string_view text) {
        failures_.emplace(reader, what + " on bytes [" + Printable(text) + "]");
    }

    std::map<std::string, std::string> failures_;
};

// Valid lines of every kind, built field by field.

std::string DateField(const DateTime& when) {
    return CodificaFecha(DateTimeToDosDate(when).value());
}

std::string FileLine(const DateTime& when, std::uint64_t size, char attributeCode,
                     std::string_view name) {
    return DateField(when) + DateField(when) + CodificaTamano(size) + attributeCode + "0" +
           std::string(name);
}

std::string Num(std::int64_t value, std::size_t width) {
    return PadLeftToWidth(CodificaInt64(value), width);
}

std::vector<std::string> ValidLines() {
    constexpr DateTime kWhen{2012, 8, 30, 17, 45, 12};
    const std::string nestedEntry = DateField(kWhen) + CodificaTamano(4'321) + "2" + "dir\\in.txt";
    const std::string header = std::string(":3C1A2B-3C4D") + Num(1'000'000, 7) + Num(5'000, 7) +
                               PadLeftToWidth("3", 10) + PadRightToWidth("LABEL", 20) +
                               kMediaBracket + "Catalogue" + kMediaBracket + kDescriptionBracket +
                               "\\" + kDescriptionBracket + kNestedBracket + "C:\\TMP\\" +
                               kItemSeparator + "C:\\X\\" + kNestedBracket;
    const std::string folder = kFolderMarker + Num(2, 3) + DateField(kWhen) + DateField(kWhen) +
                               "1" + "\\Music\\Rock" + kDescriptionBracket + "best" +
                               kDescriptionBracket;
    return {
        header,
        folder,
        FileLine(kWhen, 3'000'000'000ULL, 'F', "archive.zip") + kNestedBracket + nestedEntry +
            kItemSeparator + nestedEntry + kNestedBracket + kMediaBracket + "%" + kMediaBracket +
            kDescriptionBracket + "described" + kDescriptionBracket,
        FileLine(kWhen, 12, '2', "photo.jpg") + kMediaBracket + Num(640, 3) + Num(480, 3) +
            Num(24, 1) + kMediaBracket,
        FileLine(kWhen, 12, '2', "song.mp3") + kMediaBracket + Num(245, 3) + "2" + Num(44'100, 3) +
            Num(192, 2) + Num(2004, 2) + Num(7, 2) + "Rock" + kMediaBracket,
        FileLine(kWhen, 12, '2', "sound.wav") + kMediaBracket + Num(75, 3) + "2" + Num(44'100, 3) +
            Num(16, 1) + kMediaBracket,
        FileLine(kWhen, 12, '2', "clip.avi") + kMediaBracket + Num(320, 3) + Num(240, 3) +
            Num(25, 1) + Num(3'725, 3) + kMediaBracket,
        FileLine(kWhen, 12, '2', "letter.doc") + kMediaBracket + Num(12, 2) + kMediaBracket,
        nestedEntry,
    };
}

// Random lines of 0-80 bytes, about half of them structural. Half the lines
// start with the beginning of a valid line, so that the readers get past their first
// fields and meet the damage further in.
TEST(RobustnessTest, RandomLines) {
    constexpr unsigned char kStructural[] = {26, 29, 30, 31, 255, ':', ' ', '\\', '.'};
    const std::vector<std::string> valid = ValidLines();
    std::mt19937 random(20'240'601);
    const auto below = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };

    ReaderCheck check;
    for (int i = 0; i < 4'000; ++i) {
        std::string line(below(81), ' ');
        std::size_t kept = 0;
        if (below(2) == 0) {
            const std::string& model = valid[below(valid.size())];
            kept = std::min(below(line.size() + 1), model.size());
            line.replace(0, kept, model, 0, kept);
        }
        for (std::size_t at = kept; at < line.size(); ++at) {
            const std::size_t kind = below(10);
            if (kind < 5)
                line[at] = static_cast<char>(kStructural[below(std::size(kStructural))]);
            else if (kind < 8)
                line[at] = static_cast<char>(32 + below(200)); // inside the number code
            else
                line[at] = static_cast<char>(below(256));
        }
        check.RunAll(line);
    }
    check.ExpectNoFailures();
}

TEST(RobustnessTest, EveryTruncationOfValidLines) {
    ReaderCheck check;
    for (const std::string& line : ValidLines())
        for (std::size_t size = 0; size <= line.size(); ++size)
            check.RunAll(line.substr(0, size));
    check.ExpectNoFailures();
}

TEST(RobustnessTest, EveryOneByteCorruptionOfValidLines) {
    constexpr unsigned char kReplacements[] = {0,  10,  13,  26,  29,  30, 31,
                                               32, 131, 132, 231, 232, 255};
    ReaderCheck check;
    for (const std::string& line : ValidLines()) {
        for (std::size_t at = 0; at < line.size(); ++at) {
            for (unsigned char byte : kReplacements) {
                std::string damaged = line;
                damaged[at] = static_cast<char>(byte);
                check.RunAll(damaged);
            }
        }
    }
    check.ExpectNoFailures();
}

} // namespace
} // namespace sorvane
