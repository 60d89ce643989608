// Re-catalogue merge of descriptions and the duplicate checks.
#include "catalogue/format/Recatalogue.h"

#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/FormatError.h"
#include "catalogue/format/TextUtils.h"
#include "platform/Text.h"

#include <algorithm>
#include <exception>

namespace sorvane {
namespace {

// A file line's dates, size and attribute codes come before its name.
constexpr std::size_t kFileFixedPartLength = 17;

// Source paths of folder catalogues are compared over this many characters.
constexpr std::size_t kMaxComparedPathChars = 1024;

// The header's source path holds the catalogued path without "X:".
constexpr std::size_t kDrivePrefixLength = 2;

void Report(const ErrorSink& errors, const std::string& line) {
    if (errors) errors(line);
}

// The file line with `folder` (and a "\" when it lacks one) in front of its name.
std::string ConCarpeta(std::string_view line, std::string_view folder) {
    if (line.size() < kFileFixedPartLength)
        throw EFormatoCatalogo("Catalogue file line of " + std::to_string(line.size()) +
                               " bytes has no name");
    std::string out(line.substr(0, kFileFixedPartLength));
    out += folder;
    if (folder.empty() || folder.back() != '\\') out += '\\';
    out += line.substr(kFileFixedPartLength);
    return out;
}

// A line of the new catalogue in the form it is compared in: file lines
// qualified by their folder with `carpetaIgual`, everything else as it stands.
std::string ComparedForm(std::string_view line, bool carpetaIgual, std::string_view folder) {
    if (carpetaIgual && !EsLineaCarpeta(line)) return ConCarpeta(line, folder);
    return std::string(line);
}

std::size_t NameHash(std::string_view name) {
    return std::hash<std::string_view>{}(name);
}

// One line of the new catalogue in the name index.
struct IndexedLine {
    std::size_t nameHash;
    std::size_t line;
    std::size_t folderLine; // the folder line it belongs to (itself for a folder); 0 when none
};

bool operator<(const IndexedLine& a, const IndexedLine& b) {
    return a.nameHash != b.nameHash ? a.nameHash < b.nameHash : a.line < b.line;
}

// Every line after the header, by the hash of its compared name. Only lines of
// the same name can match, so each saved line looks at its few candidates
// rather than at the whole catalogue.
std::vector<IndexedLine> IndexByName(const CatalogueLines& lines, bool carpetaIgual) {
    std::vector<IndexedLine> index;
    index.reserve(lines.Count());
    std::size_t folderLine = 0;
    std::string folder;
    for (std::size_t i = 1; i < lines.Count(); ++i) {
        const std::string_view line = lines.Line(i);
        if (EsLineaCarpeta(line)) {
            folderLine = i;
            if (carpetaIgual) folder = DameCarpetaRuta(line);
        }
        const std::string compared = ComparedForm(line, carpetaIgual, folder);
        index.push_back({NameHash(DameLineaNombre(compared)), i, folderLine});
    }
    std::sort(index.begin(), index.end());
    return index;
}

void MergeDescriptions(CatalogueLines& newLines, const std::vector<std::string>& saved,
                       bool carpetaIgual, std::string_view secondOccurrenceText,
                       const RecatalogueProgress& progress, const ErrorSink& errors,
                       std::vector<bool>& matched) {
    const std::vector<IndexedLine> index = IndexByName(newLines, carpetaIgual);
    for (std::size_t k = 0; k < saved.size(); ++k) {
        if (progress) progress(k, saved.size());
        const std::string& old = saved[k];
        const std::string_view oldName = DameLineaNombre(old);
        const IndexedLine probe{NameHash(oldName), 0, 0};
        auto candidate = std::lower_bound(index.begin(), index.end(), probe);
        bool matchedBefore = false;
        for (; candidate != index.end() && candidate->nameHash == probe.nameHash; ++candidate) {
            const std::string_view line = newLines.Line(candidate->line);
            const std::string folder =
                carpetaIgual && candidate->folderLine != 0
                    ? std::string(DameCarpetaRuta(newLines.Line(candidate->folderLine)))
                    : std::string();
            if (!EsMismoElemento(old, ComparedForm(line, carpetaIgual, folder))) continue;
            if (matchedBefore) {
                Report(errors, std::string(secondOccurrenceText));
                Report(errors, "Old: " + std::string(oldName) + " / New: " + folder + " " +
                                   std::string(DameLineaNombre(line)));
            }
            matchedBefore = true;
            matched[k] = true;
            std::string merged(QuitaDescripcion(line));
            merged += kDescriptionBracket;
            merged += UneDescripciones(DameLineaDescripcion(old), DameLineaDescripcion(line));
            merged += kDescriptionBracket;
            newLines.Replace(candidate->line, merged);
        }
    }
}

// Applies `hit` to every header until one is a hit.
template <typename Test> bool AnyHeader(std::span<const std::string_view> headers, Test hit) {
    return std::any_of(headers.begin(), headers.end(), hit);
}

} // namespace

bool EsMismoElemento(std::string_view a, std::string_view b) {
    const bool folder = EsLineaCarpeta(a);
    if (folder != EsLineaCarpeta(b)) return false;
    if (DameLineaCreado(a) != DameLineaCreado(b)) return false;
    if (DameLineaModificado(a) != DameLineaModificado(b)) return false;
    if (!folder && DameFicheroTamano(a) != DameFicheroTamano(b)) return false;
    return DameLineaNombre(a) == DameLineaNombre(b);
}

std::vector<std::string> CargaDescripciones(const CatalogueLines& old, bool carpetaIgual,
                                            const ErrorSink& errors,
                                            std::vector<std::string>* oldPaths) {
    std::vector<std::string> saved;
    if (oldPaths != nullptr) oldPaths->clear();
    try {
        std::string folder;
        for (std::size_t i = 1; i < old.Count(); ++i) {
            const std::string_view line = old.Line(i);
            const bool isFolder = EsLineaCarpeta(line);
            if (isFolder) folder = DameCarpetaRuta(line);
            if (!TieneDescripcion(line)) continue;
            saved.push_back(isFolder || !carpetaIgual ? std::string(line)
                                                      : ConCarpeta(line, folder));
            if (oldPaths == nullptr) continue;
            if (isFolder) {
                oldPaths->push_back(folder);
            } else {
                std::string path = folder;
                if (path.empty() || path.back() != '\\') path += '\\';
                oldPaths->emplace_back(path + std::string(DameLineaNombre(line)));
            }
        }
    } catch (const std::exception& e) {
        Report(errors, InternalErrorWord() + " CargaDescripciones() failure: " + e.what());
    }
    return saved;
}

std::vector<std::size_t>
RecatalogaDescripciones(CatalogueLines& newLines, const std::vector<std::string>& saved,
                        bool carpetaIgual, std::string_view secondOccurrenceText,
                        const RecatalogueProgress& progress, const ErrorSink& errors) {
    std::vector<bool> matched(saved.size(), false);
    try {
        MergeDescriptions(newLines, saved, carpetaIgual, secondOccurrenceText, progress, errors,
                          matched);
    } catch (const std::exception& e) {
        Report(errors, InternalErrorWord() + " RecatalogaDescripciones(): " + e.what());
    }
    std::vector<std::size_t> unmatched;
    for (std::size_t k = 0; k < saved.size(); ++k)
        if (!matched[k]) unmatched.push_back(k);
    return unmatched;
}

bool EsDiscoRepetido(std::string_view serial, std::span<const std::string_view> headers,
                     bool serialNumberOff) {
    if (serialNumberOff) return false;
    return AnyHeader(headers, [&](std::string_view header) {
        return DameCabeceraNumSerie(header) == serial && EsCatalogoDisco(header);
    });
}

bool EsCarpetaRepetida(std::string_view serial, std::string_view path,
                       std::span<const std::string_view> headers) {
    const std::string_view withoutDrive =
        path.size() > kDrivePrefixLength ? path.substr(kDrivePrefixLength) : std::string_view();
    const std::string_view wanted = text::FirstChars(withoutDrive, kMaxComparedPathChars);
    return AnyHeader(headers, [&](std::string_view header) {
        return DameCabeceraNumSerie(header) == serial && EsCatalogoCarpeta(header) &&
               text::FirstChars(DameCabeceraRuta(header), kMaxComparedPathChars) == wanted;
    });
}

bool EsNombreRepetido(std::string_view name, std::span<const std::string_view> headers) {
    const std::string wanted = UpperCaseSpanish(text::AsUtf8(name));
    return AnyHeader(headers, [&](std::string_view header) {
        return UpperCaseSpanish(text::AsUtf8(DameCabeceraNombre(header))) == wanted;
    });
}

} // namespace sorvane
