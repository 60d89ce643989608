// The search walk: node names, folder and file lines, nested entries; the
// tests of every criterion, the rows of the hits, progress and the stop.
//
// Speed: most lines of a run are not hits, so a line is first looked at raw.
// When a text must match, CandidateScan names the places of the raw line where
// it could (see SearchScan.h); a line without any is passed over, nested block
// included, with nothing folded or decoded. Otherwise a field is folded into a
// buffer that is reused for the whole run, and dates, sizes and media values
// are decoded only for the criteria that are set. A large search scans its
// lines on worker threads (see SearchRun).
#include "mainwindow/SearchEngine.h"

#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/Codes.h"
#include "catalogue/format/FormatError.h"
#include "catalogue/format/MediaBlock.h"
#include "catalogue/format/PathText.h"
#include "catalogue/format/TextUtils.h"
#include "mainwindow/SearchScan.h"
#include "mainwindow/SearchWorkers.h"
#include "platform/Clock.h"
#include "platform/Text.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>

namespace sorvane {
namespace {

constexpr std::size_t kNone = std::string_view::npos;
constexpr std::uint64_t kProgressMilliseconds = 20;

// Result columns.
constexpr int kColCollection = 1, kColCatalogue = 2, kColFolder = 3, kColDescription = 4,
              kColName = 5, kColSize = 6, kColModified = 7, kColCreated = 8, kColAttributes = 9,
              kColExtension = 10, kColDuration = 11, kColResolution = 12, kColQuality = 13,
              kColChannels = 14, kColYear = 15, kColTrack = 16, kColGenre = 17,
              kColRange1Description = 18, kColRange1Name = 19, kColRange2Description = 20,
              kColRange2Name = 21;

// Ranges of a line: text 1 in the description and the name, then text 2.
struct Ranges {
    int start[4] = {0, 0, 0, 0};
    int end[4] = {0, 0, 0, 0};
};
constexpr int kT1Description = 0, kT1Name = 1, kT2Description = 2, kT2Name = 3;

int CharLength(std::string_view text) {
    return static_cast<int>(text::CharCount(text));
}

// Every letter of `wanted` occurs in `letters`.
bool HasLetters(std::string_view letters, std::string_view wanted) {
    for (char c : wanted)
        if (letters.find(c) == kNone) return false;
    return true;
}

// Literal stretches of a mask: the text between "*", "?" and, for extended
// masks, the "[...]" set items. A match places each stretch whole.
std::string_view LongestLiteral(std::string_view mask, bool sets) {
    std::string_view best;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= mask.size(); ++i) {
        const bool end = i == mask.size();
        const char c = end ? '\0' : mask[i];
        if (!end && c != '*' && c != '?' && !(sets && c == '[')) continue;
        const std::string_view run = LongestAsciiRun(mask.substr(start, i - start));
        if (run.size() > best.size()) best = run;
        if (sets && c == '[') {
            const std::size_t close = mask.find(']', i + 1);
            if (close == kNone)
                break; // an unclosed item never matches; what came before still counts
            i = close;
        }
        start = i + 1;
    }
    return best;
}

// ASCII stretches every match of one text needs (any one of them); empty when
// none can be named.
std::vector<std::string> NeedlesOf(const SearchCriteria& c, std::string_view text,
                                   const TFuzzySearch* fuzzy) {
    std::string_view run;
    switch (c.mode) {
    case SearchMode::Substring:
        run = LongestAsciiRun(text);
        break;
    case SearchMode::Wildcard:
        run = LongestLiteral(text, false);
        break;
    case SearchMode::ExtendedWildcard:
        run = LongestLiteral(text, true);
        break;
    case SearchMode::Fuzzy: {
        // With k differences, one of k + 1 pieces of the pattern stands unchanged.
        const std::u32string& pattern = fuzzy->Pattern();
        const int k = fuzzy->MaxErrors;
        const std::size_t m = pattern.size();
        if (k < 0 || static_cast<std::size_t>(k) + 1 > m) return {};
        const std::size_t pieces = static_cast<std::size_t>(k) + 1;
        std::vector<std::string> needles;
        for (std::size_t p = 0; p < pieces; ++p) {
            std::string piece;
            for (std::size_t i = p * m / pieces; i < (p + 1) * m / pieces; ++i)
                text::AppendUtf8(piece, pattern[i]);
            const std::string_view ascii = LongestAsciiRun(piece);
            if (ascii.empty()) return {};
            needles.emplace_back(ascii);
        }
        return needles;
    }
    }
    if (run.empty()) return {};
    return {std::string(run)};
}

std::size_t ShortestNeedle(const std::vector<std::string>& needles) {
    std::size_t shortest = kNone;
    for (const std::string& n : needles)
        shortest = std::min(shortest, n.size());
    return shortest;
}

CandidateScan MakeScan(const SearchRequest& r) {
    const SearchCriteria& c = r.criteria;
    if (c.text1.empty()) return {};
    std::vector<std::string> first = NeedlesOf(c, c.text1, r.fuzzy1);
    if (c.text2.empty()) return CandidateScan(first);
    std::vector<std::string> second = NeedlesOf(c, c.text2, r.fuzzy2);
    if (c.andMode) {
        // Both texts must match, so the needles of either one will do.
        if (first.empty() || (!second.empty() && ShortestNeedle(second) > ShortestNeedle(first)))
            return CandidateScan(second);
        return CandidateScan(first);
    }
    if (first.empty() || second.empty()) return {};
    first.insert(first.end(), second.begin(), second.end());
    return CandidateScan(first);
}

// The path of a catalogue's parent: its own path without "\" and its text.
std::string ParentPath(const SearchNode& node) {
    const std::size_t tail = node.text.size() + 1;
    if (node.path.size() < tail || node.path[node.path.size() - tail] != '\\' ||
        node.path.compare(node.path.size() - node.text.size(), kNone, node.text) != 0)
        return {};
    return node.path.substr(0, node.path.size() - tail);
}

constexpr std::size_t kNoLine = static_cast<std::size_t>(-1);

bool IsFolderLine(std::string_view line) {
    return !line.empty() && line.front() == kFolderMarker;
}

// A hit as the scan of the lines finds it; its row is written from it.
struct HitRecord {
    std::size_t line = 0;         // the line's index in its catalogue
    std::size_t folder = kNoLine; // the folder line above it; kNoLine before the first
    std::uint32_t entryStart = 0, entrySize = 0; // a nested entry's bytes in the line
    SearchHitKind kind = SearchHitKind::None;
    Ranges ranges;
    std::uint64_t nested = 0; // nested entries the scan had visited when it found the hit
};

// What the rows of one catalogue's hits are written from.
struct RowSource {
    const CatalogueLines* lines = nullptr;
    std::string_view collectionPath, catalogueName, catalogueText;
};

// Writes the rows of line hits. A field the readers refuse raises
// EFormatoCatalogo, which the walk reports for its line or entry; a damaged
// media block leaves the media columns empty and goes to the error list. A
// checking writer (no date formatter, no observer) runs the same readers, so
// a worker knows whether the row can be written, and shows nothing.
class RowWriter {
public:
    using DateFormatter = std::function<std::string(const DateTime&)>;

    RowWriter(const SearchCriteria& criteria, const DateFormatter* formatDate,
              SearchObserver* errors)
        : c_(criteria), formatDate_(formatDate), errors_(errors) {}

    void Write(const RowSource& source, const HitRecord& hit, SearchRow& row) const {
        for (std::string& cell : row)
            cell.clear();
        const std::string_view line = source.lines->Line(hit.line);
        const std::string_view folder =
            hit.folder == kNoLine ? std::string_view() : source.lines->Line(hit.folder);
        switch (hit.kind) {
        case SearchHitKind::Folder:
            FolderRow(source, line, hit.ranges, row);
            break;
        case SearchHitKind::File:
            FileRow(source, line, folder, hit, row);
            break;
        case SearchHitKind::Nested:
            EntryRow(source, line.substr(hit.entryStart, hit.entrySize), DameFicheroNombre(line),
                     folder, hit.ranges, row);
            break;
        default:
            break;
        }
    }

private:
    std::string FormatDate(const DateTime& value) const {
        if (formatDate_ == nullptr) return {};
        return *formatDate_ ? (*formatDate_)(value) : ToIsoText(value);
    }

    static void WriteRanges(const Ranges& ranges, SearchRow& row) {
        row[kColRange1Description] =
            MatchRangeText(ranges.start[kT1Description], ranges.end[kT1Description]);
        row[kColRange1Name] = MatchRangeText(ranges.start[kT1Name], ranges.end[kT1Name]);
        row[kColRange2Description] =
            MatchRangeText(ranges.start[kT2Description], ranges.end[kT2Description]);
        row[kColRange2Name] = MatchRangeText(ranges.start[kT2Name], ranges.end[kT2Name]);
    }

    void FolderRow(const RowSource& source, std::string_view line, const Ranges& ranges,
                   SearchRow& row) const {
        const std::string_view path = DameCarpetaRuta(line);
        row[kColCollection] = source.collectionPath;
        row[kColCatalogue] = source.catalogueName;
        row[kColFolder] = ExtraeRutaPadre(path);
        row[kColDescription] = DameCarpetaDescripcion(line);
        row[kColName].assign(DameCarpetaNombre(line)).push_back('\\');
        row[kColModified] = FormatDate(DameCarpetaModificado(line));
        row[kColCreated] = FormatDate(DameCarpetaCreado(line));
        row[kColAttributes] = DameCarpetaAtributos(line);
        WriteRanges(ranges, row);
    }

    void FileRow(const RowSource& source, std::string_view line, std::string_view folder,
                 const HitRecord& hit, SearchRow& row) const {
        const std::string_view name = DameFicheroNombre(line);
        const std::string extension = UpperCaseSpanish(ExtraeExtension(name));
        row[kColCollection] = source.collectionPath;
        row[kColCatalogue] = source.catalogueName;
        if (!folder.empty()) row[kColFolder] = DameCarpetaRuta(folder);
        row[kColDescription] = DameFicheroDescripcion(line);
        row[kColName] = name;
        row[kColSize] = FormatThousands(static_cast<std::int64_t>(DameFicheroTamano(line)));
        row[kColModified] = FormatDate(DameFicheroModificado(line));
        row[kColCreated] = FormatDate(DameFicheroCreado(line));
        row[kColAttributes] = DameFicheroAtributos(line);
        row[kColAttributes].append(DameFicheroAtributosExtendidos(line));
        row[kColExtension] = extension;
        if (TieneMultimedia(line)) MediaColumns(source, line, extension, hit.line, row);
        WriteRanges(hit.ranges, row);
    }

    void MediaColumns(const RowSource& source, std::string_view line, std::string_view extension,
                      std::size_t lineIndex, SearchRow& row) const {
        const std::string_view block = DameFicheroMultimedia(line);
        if (block.empty()) return;
        try {
            switch (MediaKindOfExtension(extension)) {
            case MediaKind::Bitmap:
                row[kColResolution] = DameTextoResolucion(block);
                row[kColQuality] = DameTextoCalidadImagen(block);
                break;
            case MediaKind::Audio:
                row[kColDuration] = DameTextoDuracionWAV(block);
                row[kColResolution] = DameTextoFrecuenciaWAV(block);
                row[kColQuality] = DameTextoCalidadWAV(block);
                row[kColChannels] = DameTextoCanalesWAV(block);
                break;
            case MediaKind::Music:
                row[kColDuration] = DameTextoDuracionAudio(block);
                row[kColResolution] = DameTextoFrecuenciaAudio(block);
                row[kColQuality] = DameTextoCalidadAudio(block);
                row[kColChannels] = DameTextoCanalesAudio(block);
                row[kColYear] = DameTextoAnoAudio(block);
                row[kColTrack] = DameTextoPistaAudio(block);
                row[kColGenre] = DameTextoGeneroAudio(block);
                break;
            case MediaKind::Video:
                row[kColDuration] = DameTextoDuracionAVI(block);
                row[kColResolution] = DameTextoResolucion(block);
                row[kColQuality] = DameTextoCalidadAVI(block);
                break;
            case MediaKind::Text:
                row[kColDuration] = DameTextoPaginasDOC(block) + "p";
                break;
            case MediaKind::None:
                break;
            }
        } catch (const EFormatoCatalogo& e) {
            // The hit stands; its media columns stay empty.
            for (int col = kColDuration; col <= kColGenre; ++col)
                row[col].clear();
            if (errors_ != nullptr)
                errors_->Error(std::string(source.catalogueText) + ": line " +
                               std::to_string(lineIndex + 1) + ": " + e.what());
        }
    }

    void EntryRow(const RowSource& source, std::string_view entry, std::string_view archive,
                  std::string_view folder, const Ranges& ranges, SearchRow& row) const {
        const std::string_view path = DameAnidadoRuta(entry);
        const std::string_view name = DameAnidadoNombre(entry);
        row[kColCollection] = source.collectionPath;
        row[kColCatalogue] = source.catalogueName;
        if (!folder.empty()) row[kColFolder] = DameCarpetaRuta(folder);
        row[kColDescription].assign(archive).append(" | ");
        if (c_.nestedByPath) {
            row[kColDescription].push_back('\\');
            row[kColName] = path;
        } else {
            row[kColDescription].append(ExtraeRutaPadre(path)).push_back('\\');
            row[kColName] = name;
        }
        row[kColSize] = FormatThousands(static_cast<std::int64_t>(DameAnidadoTamano(entry)));
        row[kColModified] = FormatDate(DameAnidadoFecha(entry));
        row[kColAttributes] = DameAnidadoAtributos(entry);
        row[kColExtension] = UpperCaseSpanish(ExtraeExtension(name));
        row[kColRange1Description] = MatchRangeText(0, 0);
        row[kColRange1Name] = MatchRangeText(ranges.start[kT1Name], ranges.end[kT1Name]);
        row[kColRange2Description] = MatchRangeText(0, 0);
        row[kColRange2Name] = MatchRangeText(ranges.start[kT2Name], ranges.end[kT2Name]);
    }

    const SearchCriteria& c_;
    const DateFormatter* formatDate_;
    SearchObserver* errors_;
};

// The tests of folder and file lines and nested entries over a range of one
// catalogue's lines, with the fold buffers of one thread. Each hit goes to the
// sink as a HitRecord, each refused line as the text of its error line:
//   bool Visit()                  before each line; false ends the range
//   bool Found(const HitRecord&)  a hit; false ends the range; may raise EFormatoCatalogo
//   void Error(line, text)        a line or entry the field readers refused
template <class Sink> class LineScan {
public:
    // In fuzzy mode the matchers are this scan's own: they keep state.
    LineScan(const SearchCriteria& criteria, const CandidateScan& scan, TFuzzySearch* fuzzy1,
             TFuzzySearch* fuzzy2)
        : c_(criteria), scan_(scan), fuzzy1_(fuzzy1), fuzzy2_(fuzzy2),
          nestedSearched_(c_.nested && !c_.MediaFilter() && !c_.created.Set()) {}

    // Lines [begin, end) of `lines`; `begin` is 1 or a folder line. `nested`
    // counts the nested entries visited.
    void Range(const CatalogueLines& lines, std::string_view catalogueText, std::size_t begin,
               std::size_t end, std::uint64_t& nested, Sink& sink) {
        sink_ = &sink;
        nested_ = &nested;
        catalogueText_ = catalogueText;
        folder_ = kNoLine;
        ended_ = false;
        for (std::size_t i = begin; i < end; ++i) {
            if (!sink.Visit()) return;
            const std::string_view line = lines.Line(i);
            const bool folder = IsFolderLine(line);
            if (folder) {
                folder_ = i;
                if (c_.what == SearchWhat::Files || c_.what == SearchWhat::FilesWithExtension)
                    continue;
            } else if (c_.what == SearchWhat::Folders) {
                continue;
            }
            line_ = i;
            lineStart_ = line.data();
            try {
                if (folder)
                    FolderLine(line);
                else
                    FileLine(line);
            } catch (const EFormatoCatalogo& e) {
                sink.Error(i, std::string(catalogueText_) + ": line " + std::to_string(i + 1) +
                                  ": " + e.what());
            }
            if (ended_) return;
        }
    }

private:
    // Hands a hit of the current line to the sink. False when the range must end.
    bool Found(SearchHitKind kind, const Ranges& ranges, std::string_view entry = {}) {
        HitRecord hit;
        hit.line = line_;
        hit.folder = folder_;
        hit.kind = kind;
        hit.ranges = ranges;
        hit.nested = *nested_;
        if (kind == SearchHitKind::Nested) {
            hit.entryStart = static_cast<std::uint32_t>(entry.data() - lineStart_);
            hit.entrySize = static_cast<std::uint32_t>(entry.size());
        }
        if (sink_->Found(hit)) return true;
        ended_ = true;
        return false;
    }

    // ---- Texts ------------------------------------------------------------

    // Text 1 (which 0) or text 2 (which 1) in one folded field.
    bool MatchText(int which, std::string_view field, int& start, int& end) {
        const std::string& text = which == 0 ? c_.text1 : c_.text2;
        switch (c_.mode) {
        case SearchMode::Substring: {
            const SubstringMatch m = FindSubstring(field, text, c_.wholeWord);
            if (m.found) {
                start = m.start;
                end = m.end;
            }
            return m.hit;
        }
        case SearchMode::Wildcard:
        case SearchMode::ExtendedWildcard: {
            const bool hit = c_.mode == SearchMode::Wildcard ? WildcardMatch(field, text)
                                                             : WildcardMatchSets(field, text);
            if (hit) {
                start = 1;
                end = CharLength(field);
            }
            return hit;
        }
        case SearchMode::Fuzzy: {
            TFuzzySearch& fuzzy = which == 0 ? *fuzzy1_ : *fuzzy2_;
            if (!fuzzy.Search(field)) return false;
            start = fuzzy.FoundPos + 1;
            end = fuzzy.FoundPos + fuzzy.FoundLen;
            return true;
        }
        }
        return false;
    }

    // Text 1 or 2 in a folded field; its range, when it has one, as a range of
    // the stored field.
    bool MatchStored(int which, std::string_view folded, const FoldMap& map,
                     std::string_view stored, int& start, int& end) {
        const bool hit = MatchText(which, folded, start, end);
        if (start != 0) map.ToStored(stored, start, end);
        return hit;
    }

    bool TextInFields(int which, std::string_view name, std::string_view description,
                      std::string_view nameF, std::string_view descriptionF, Ranges& ranges) {
        bool pass = false;
        const int d = which == 0 ? kT1Description : kT2Description;
        const int n = which == 0 ? kT1Name : kT2Name;
        if (c_.where != SearchWhere::Name)
            pass |= MatchStored(which, descriptionF, descriptionMap_, description, ranges.start[d],
                                ranges.end[d]);
        if (c_.where != SearchWhere::Description)
            pass |= MatchStored(which, nameF, nameMap_, name, ranges.start[n], ranges.end[n]);
        return pass;
    }

    bool LineText(std::string_view name, std::string_view description, Ranges& ranges) {
        const std::string_view nameF = c_.where != SearchWhere::Description
                                           ? FoldField(name, c_.fold, nameBuffer_, &nameMap_)
                                           : std::string_view();
        const std::string_view descriptionF =
            c_.where != SearchWhere::Name
                ? FoldField(description, c_.fold, descriptionBuffer_, &descriptionMap_)
                : std::string_view();
        const bool first = TextInFields(0, name, description, nameF, descriptionF, ranges);
        if (c_.text2.empty()) return first;
        if (c_.andMode && !first) return false;
        const bool second = TextInFields(1, name, description, nameF, descriptionF, ranges);
        return c_.andMode ? second : first || second;
    }

    // Whether a text could match anywhere in `text` (always, without a scan).
    bool MayMatch(std::string_view text) const {
        return !scan_.Active() || scan_.Next(text) != kNone;
    }

    // ---- Lines ------------------------------------------------------------

    bool DatesPass(std::string_view line, bool folder) const {
        if (c_.modified.Set() && !c_.modified.Contains(folder ? DameCarpetaModificado(line)
                                                              : DameFicheroModificado(line)))
            return false;
        if (c_.created.Set() &&
            !c_.created.Contains(folder ? DameCarpetaCreado(line) : DameFicheroCreado(line)))
            return false;
        return true;
    }

    void FolderLine(std::string_view line) {
        // Extension, size and media criteria are for files only.
        if (!c_.extension.empty() || c_.size.Set() || c_.MediaFilter()) return;
        if (!c_.text1.empty() && !MayMatch(line)) return;
        if (!DatesPass(line, true)) return;
        if (c_.attributes && !HasLetters(DameCarpetaAtributos(line), *c_.attributes)) return;
        Ranges ranges;
        if (!c_.text1.empty() &&
            !LineText(DameCarpetaNombre(line), DameCarpetaDescripcion(line), ranges))
            return;
        Found(SearchHitKind::Folder, ranges);
    }

    bool MediaPasses(std::string_view line) {
        if (!TieneMultimedia(line)) return false;
        const auto within = [](const SearchBounds<std::int64_t>& bounds, std::int64_t value) {
            return !bounds.Set() || (value > 0 && bounds.Contains(value));
        };
        if (c_.duration.Set() && !within(c_.duration, DameFicheroDuracion(line))) return false;
        if (c_.pages.Set() && !within(c_.pages, DameFicheroPaginas(line))) return false;
        if (c_.channels != 0 && DameFicheroCanales(line) != c_.channels) return false;
        if (c_.width.Set() && !within(c_.width, DameFicheroAncho(line))) return false;
        if (c_.height.Set() && !within(c_.height, DameFicheroAlto(line))) return false;
        if (c_.sampleRate.Set() && !within(c_.sampleRate, DameFicheroFrecuencia(line)))
            return false;
        if (c_.quality.Set() && !within(c_.quality, DameFicheroCalidad(line))) return false;
        if (c_.year.Set() || c_.track.Set() || c_.genre) {
            // These belong to music files; any other file has no such value and fails them.
            if (!EsExtensionMusica(UpperCaseSpanish(DameFicheroExtension(line)))) return false;
            const std::string_view block = DameFicheroMultimedia(line);
            if (c_.year.Set() && !within(c_.year, DameValorAnoAudio(block))) return false;
            if (c_.track.Set() && !within(c_.track, DameValorPistaAudio(block))) return false;
            if (c_.genre) {
                const std::string genre = DameTextoGeneroAudio(block);
                if (FoldField(genre, FoldMode::UpperNoAccents, extensionBuffer_).find(*c_.genre) ==
                    kNone)
                    return false;
            }
        }
        return true;
    }

    void FileLine(std::string_view line) {
        // The line's own fields stand before and after its nested block.
        std::size_t first = line.find(kNestedBracket), last = kNone;
        if (first != kNone) {
            last = line.rfind(kNestedBracket);
            if (last == first) first = last = kNone;
        }
        const bool own = first == kNone
                             ? MayMatch(line)
                             : MayMatch(line.substr(0, first)) || MayMatch(line.substr(last + 1));
        Ranges ranges;
        if (own && FileLinePasses(line, ranges) && !Found(SearchHitKind::File, ranges)) return;
        if (nestedSearched_ && first != kNone)
            Nested(line, line.substr(first + 1, last - first - 1));
    }

    bool FileLinePasses(std::string_view line, Ranges& ranges) {
        if (!c_.extension.empty() && FoldField(DameFicheroExtension(line), FoldMode::UpperNoAccents,
                                               extensionBuffer_) != c_.extension)
            return false;
        if (c_.size.Set() && !c_.size.Contains(DameFicheroTamano(line))) return false;
        if (!DatesPass(line, false)) return false;
        if (c_.attributes) {
            std::string letters = DameFicheroAtributos(line);
            letters.append(DameFicheroAtributosExtendidos(line));
            if (!HasLetters(letters, *c_.attributes)) return false;
        }
        if (c_.MediaFilter() && !MediaPasses(line)) return false;
        if (!c_.text1.empty() &&
            !LineText(DameFicheroNombre(line), DameFicheroDescripcion(line), ranges))
            return false;
        return true;
    }

    // ---- Nested entries -----------------------------------------------------

    // The entries of `block` (the nested block without its brackets); every
    // stretch between characters 30 counts as one entry visited.
    void Nested(std::string_view line, std::string_view block) {
        // The rows of the entries name the archive: a name the readers refuse
        // fails the whole line here, before any entry.
        static_cast<void>(DameFicheroNombre(line));
        if (!scan_.Active()) {
            for (std::size_t start = 0; start <= block.size();) {
                std::size_t end = block.find(kItemSeparator, start);
                if (end == kNone) end = block.size();
                ++*nested_;
                if (end > start) Entry(block.substr(start, end - start));
                if (ended_) return;
                start = end + 1;
            }
            return;
        }
        // Only entries that hold a candidate can match; the rest are counted.
        *nested_ += CountByte(block, kItemSeparator) + 1;
        CandidateCursor cursor(scan_, block);
        for (std::size_t from = 0; from < block.size();) {
            const std::size_t at = cursor.Next(from);
            if (at == kNone) return;
            // The entry starts after the last separator before the candidate, or at `from`.
            const void* separator = ::memrchr(block.data() + from, kItemSeparator, at - from);
            const std::size_t start =
                separator
                    ? static_cast<std::size_t>(static_cast<const char*>(separator) - block.data()) +
                          1
                    : from;
            std::size_t end = block.find(kItemSeparator, at);
            if (end == kNone) end = block.size();
            Entry(block.substr(start, end - start));
            if (ended_) return;
            from = end + 1;
        }
    }

    void Entry(std::string_view entry) {
        try {
            Ranges ranges;
            if (EntryPasses(entry, ranges)) Found(SearchHitKind::Nested, ranges, entry);
        } catch (const EFormatoCatalogo& e) {
            sink_->Error(line_,
                         std::string(catalogueText_) + ": line " + std::to_string(line_ + 1) +
                             ": nested entry \"" +
                             text::AsUtf8(entry.substr(std::min<std::size_t>(entry.size(), 11))) +
                             "\": " + e.what());
        }
    }

    bool EntryPasses(std::string_view entry, Ranges& ranges) {
        if (!c_.extension.empty() &&
            FoldField(ExtraeExtension(DameAnidadoNombre(entry)), FoldMode::UpperNoAccents,
                      extensionBuffer_) != c_.extension)
            return false;
        if (c_.size.Set() && !c_.size.Contains(DameAnidadoTamano(entry))) return false;
        if (c_.modified.Set() && !c_.modified.Contains(DameAnidadoFecha(entry))) return false;
        if (c_.attributes && !HasLetters(DameAnidadoAtributos(entry), *c_.attributes)) return false;
        if (c_.text1.empty()) return true;
        const std::string_view field =
            c_.nestedByPath ? DameAnidadoRuta(entry) : DameAnidadoNombre(entry);
        const std::string_view folded = FoldField(field, c_.fold, nameBuffer_, &nameMap_);
        const bool first =
            MatchStored(0, folded, nameMap_, field, ranges.start[kT1Name], ranges.end[kT1Name]);
        if (c_.text2.empty()) return first;
        if (c_.andMode && !first) return false;
        const bool second =
            MatchStored(1, folded, nameMap_, field, ranges.start[kT2Name], ranges.end[kT2Name]);
        return c_.andMode ? second : first || second;
    }

    const SearchCriteria& c_;
    const CandidateScan& scan_;
    TFuzzySearch* const fuzzy1_;
    TFuzzySearch* const fuzzy2_;
    const bool nestedSearched_;

    Sink* sink_ = nullptr;
    std::uint64_t* nested_ = nullptr;
    std::string_view catalogueText_;
    std::size_t folder_ = kNoLine;
    std::size_t line_ = 0;
    const char* lineStart_ = nullptr;
    bool ended_ = false;
    std::string nameBuffer_, descriptionBuffer_, extensionBuffer_;
    FoldMap nameMap_, descriptionMap_;
};

// ---- Worker threads -----------------------------------------------------------

// A range of one catalogue's lines that a worker scans. Ranges start at line 1
// or at a folder line, so a folder line and the files after it stay together.
struct Chunk {
    std::size_t node = 0;           // in SearchRequest::nodes
    std::size_t begin = 0, end = 0; // lines
    std::uint64_t linesBefore = 0;  // lines the walk visits before this range
};

// A line or entry the readers refused, as a worker found it: after `hitsBefore` hits of its range.
struct ScanError {
    std::size_t line;
    std::size_t hitsBefore;
    std::string text;
};

// What a worker found in one range, for the walk to take in order.
struct ChunkScan {
    std::vector<HitRecord> hits; // at most one more than kMaxSearchHits
    std::vector<ScanError> errors;
    // The nested entries visited before each progress point of the range.
    std::vector<std::uint64_t> checkpoints;
    std::uint64_t nested = 0;
};

// A worker's sink: it keeps what it finds, and checks that every row can be written.
class ChunkSink {
public:
    ChunkSink(ChunkScan& out, const std::atomic<bool>& cancelled, const RowWriter& check,
              const RowSource& source, SearchRow& scratch, std::uint64_t linesBefore,
              std::uint64_t interval)
        : out_(out), cancelled_(cancelled), check_(check), source_(source), scratch_(scratch),
          interval_(interval), untilPoint_(interval - linesBefore % interval) {}

    bool Visit() {
        if (cancelled_.load(std::memory_order_relaxed)) return false;
        if (--untilPoint_ == 0) {
            untilPoint_ = interval_;
            out_.checkpoints.push_back(out_.nested);
        }
        return true;
    }
    bool Found(const HitRecord& hit) {
        check_.Write(source_, hit, scratch_);
        out_.hits.push_back(hit);
        // One more than the limit is enough for the walk to end at it.
        return out_.hits.size() <= kMaxSearchHits;
    }
    void Error(std::size_t line, std::string text) {
        out_.errors.push_back({line, out_.hits.size(), std::move(text)});
    }

private:
    ChunkScan& out_;
    const std::atomic<bool>& cancelled_;
    const RowWriter& check_;
    const RowSource& source_;
    SearchRow& scratch_;
    const std::uint64_t interval_;
    std::uint64_t untilPoint_; // lines to the next progress point
};

// ---- The walk -----------------------------------------------------------------

class SearchRun;

// The walk's own sink: every hit is written and shown at once, as the walk finds it.
struct DirectSink {
    SearchRun& run;
    bool Visit();
    bool Found(const HitRecord& hit);
    void Error(std::size_t line, std::string text);
};

// The walk over the nodes, on the calling thread. A large search has the lines
// of its catalogues scanned ahead by worker threads, range by range, and takes
// what they found in catalogue and line order: every row, error, progress
// point and stop question comes as from the walk scanning the lines itself.
class SearchRun {
public:
    SearchRun(const SearchRequest& request, SearchObserver& observer)
        : r_(request), c_(request.criteria), observer_(observer), scan_(MakeScan(request)),
          interval_(static_cast<std::uint64_t>(ProgressInterval(request.criteria))),
          rows_(c_, &request.formatDate, &observer), checkRows_(c_, nullptr, nullptr),
          lines_(c_, scan_, request.fuzzy1, request.fuzzy2) {}

    SearchResult Run() {
        lastProgress_ = Now();
        StartWorkers();
        for (std::size_t n = 0; n < r_.nodes.size(); ++n) {
            const SearchNode& node = r_.nodes[n];
            if (observer_.StopRequested()) {
                result_.stopped = true;
                break;
            }
            if (!node.inScope) continue;
            if (node.kind == SearchNodeKind::Collection)
                Collection(node);
            else if (node.kind == SearchNodeKind::Catalogue)
                Catalogue(node, n);
            if (ended_) break;
        }
        return result_;
    }

private:
    friend struct DirectSink;

    // The state of one worker thread: its own matchers (the approximate ones
    // keep state), fold buffers and scratch row.
    struct Worker {
        Worker(const SearchRequest& r, const CandidateScan& scan)
            : fuzzy1(r.fuzzy1 ? *r.fuzzy1 : TFuzzySearch()),
              fuzzy2(r.fuzzy2 ? *r.fuzzy2 : TFuzzySearch()),
              lines(r.criteria, scan, &fuzzy1, &fuzzy2) {}
        TFuzzySearch fuzzy1, fuzzy2;
        LineScan<ChunkSink> lines;
        SearchRow scratch;
    };

    std::uint64_t Now() const { return r_.clock ? r_.clock() : MonotonicMilliseconds(); }

    static bool LinesScanned(const SearchNode& node) {
        return node.inScope && node.kind == SearchNodeKind::Catalogue && node.lines != nullptr &&
               node.lines->Count() > 1;
    }

    // Splits the lines into ranges and starts the workers, when the search is
    // large enough to pay for them.
    void StartWorkers() {
        if (r_.threads == 1) return;
        const std::size_t rangeBytes = std::max<std::size_t>(1, r_.rangeBytes);
        std::size_t bytes = 0;
        for (const SearchNode& node : r_.nodes)
            if (LinesScanned(node)) bytes += node.lines->MemoryBytes();
        if (bytes / 2 < rangeBytes) return;

        std::uint64_t linesBefore = 0;
        for (std::size_t n = 0; n < r_.nodes.size(); ++n) {
            const SearchNode& node = r_.nodes[n];
            if (!LinesScanned(node)) continue;
            const CatalogueLines& lines = *node.lines;
            const std::size_t count = lines.Count();
            // Lines of a range, from the catalogue's mean line size.
            const std::size_t step = static_cast<std::size_t>(std::max<double>(
                1.0, static_cast<double>(rangeBytes) * static_cast<double>(count) /
                         static_cast<double>(std::max<std::size_t>(1, lines.MemoryBytes()))));
            for (std::size_t begin = 1; begin < count;) {
                std::size_t end = count;
                if (count - begin > step) {
                    // The folder line at or above the mark starts the next range,
                    // else the first one below it; none: this range takes the rest.
                    end = begin + step;
                    while (end > begin && !IsFolderLine(lines.Line(end)))
                        --end;
                    if (end == begin) {
                        end = begin + step + 1;
                        while (end < count && !IsFolderLine(lines.Line(end)))
                            ++end;
                    }
                }
                chunks_.push_back({n, begin, end, linesBefore});
                linesBefore += end - begin;
                begin = end;
            }
        }
        if (chunks_.size() < 2) {
            chunks_.clear();
            return;
        }
        const unsigned threads =
            r_.threads == 0 ? SearchWorkers::DefaultThreads(chunks_.size()) : r_.threads;
        for (unsigned i = 0; i < threads; ++i)
            workerState_.push_back(std::make_unique<Worker>(r_, scan_));
        scanned_.resize(chunks_.size());
        workers_ = std::make_unique<SearchWorkers>(
            chunks_.size(), threads, 4 * static_cast<std::size_t>(threads), kMaxSearchHits,
            [this](unsigned worker, std::size_t chunk, const std::atomic<bool>& cancelled) {
                return ScanChunk(worker, chunk, cancelled);
            });
        result_.workers = workers_->Threads();
    }

    // On a worker thread: reads only the request, the ranges and its own state.
    std::uint64_t ScanChunk(unsigned worker, std::size_t k, const std::atomic<bool>& cancelled) {
        Worker& w = *workerState_[worker];
        const Chunk& chunk = chunks_[k];
        const SearchNode& node = r_.nodes[chunk.node];
        ChunkScan& out = scanned_[k];
        const RowSource source{node.lines, {}, {}, node.text};
        ChunkSink sink(out, cancelled, checkRows_, source, w.scratch, chunk.linesBefore, interval_);
        w.lines.Range(*node.lines, node.text, chunk.begin, chunk.end, out.nested, sink);
        return out.hits.size();
    }

    // A point where the walk hands control to the window: progress when due,
    // then the stop test. False when the walk must end.
    bool HandOff() {
        const std::uint64_t now = Now();
        if (now - lastProgress_ >= kProgressMilliseconds) {
            observer_.Progress(result_.linesVisited, result_.hits);
            lastProgress_ = Now();
        }
        if (observer_.StopRequested()) {
            result_.stopped = true;
            ended_ = true;
            return false;
        }
        return true;
    }

    // The row in row_ is a hit of this kind. False when the walk must end.
    bool Emit(SearchHitKind kind) {
        if (result_.hits >= kMaxSearchHits) {
            result_.hitLimit = true;
            ended_ = true;
            return false;
        }
        ++result_.hits;
        observer_.Hit(row_, kind);
        return HandOff();
    }

    void ClearRow() {
        for (std::string& cell : row_)
            cell.clear();
    }

    NameMatch NameTest(std::string_view name) const {
        switch (c_.mode) {
        case SearchMode::Substring:
            return CoincideNombre(c_.text1, c_.andMode, c_.wholeWord, c_.fold, name, c_.text2);
        case SearchMode::Wildcard:
            return CoincideNombreComodin(c_.text1, c_.andMode, c_.fold, name, c_.text2);
        case SearchMode::ExtendedWildcard:
            return CoincideNombreComodines(c_.text1, c_.fold, name);
        case SearchMode::Fuzzy:
            return CoincideNombreDifusa(*r_.fuzzy1, *r_.fuzzy2, c_.text1, c_.andMode, c_.fold, name,
                                        c_.text2);
        }
        return {};
    }

    void Collection(const SearchNode& node) {
        if (c_.what != SearchWhat::Everything || c_.text1.empty()) return;
        const NameMatch m = NameTest(node.text);
        if (!m.hit) return;
        // The ranges move from the name to where the name ends column 1.
        const int shift = CharLength(node.path) - CharLength(node.text);
        const auto shifted = [&](int start, int end) {
            return start == 0 ? MatchRangeText(0, 0) : MatchRangeText(start + shift, end + shift);
        };
        ClearRow();
        row_[kColCollection] = node.path;
        row_[kColRange1Description] = shifted(m.start1, m.end1);
        row_[kColRange1Name] = MatchRangeText(0, 0);
        row_[kColRange2Description] =
            c_.mode == SearchMode::Substring ? shifted(m.start2, m.end2) : MatchRangeText(0, 0);
        row_[kColRange2Name] = MatchRangeText(0, 0);
        Emit(SearchHitKind::Collection);
    }

    void Catalogue(const SearchNode& node, std::size_t n) {
        collectionPath_ = ParentPath(node);
        if (c_.what == SearchWhat::Everything && !c_.text1.empty()) {
            const NameMatch m = NameTest(node.text);
            if (m.hit) {
                ClearRow();
                row_[kColCollection] = collectionPath_;
                row_[kColCatalogue] = node.text;
                row_[kColRange1Description] = MatchRangeText(0, 0);
                row_[kColRange1Name] = MatchRangeText(m.start1, m.end1);
                row_[kColRange2Description] = MatchRangeText(0, 0);
                row_[kColRange2Name] = c_.mode == SearchMode::ExtendedWildcard
                                           ? MatchRangeText(0, 0)
                                           : MatchRangeText(m.start2, m.end2);
                if (!Emit(SearchHitKind::Catalogue)) return;
            }
        }
        if (!HandOff()) return;
        const CatalogueLines* lines = node.lines;
        if (lines == nullptr || lines->Count() == 0) return;
        try {
            catalogueName_ = DameCabeceraNombre(lines->Line(0));
        } catch (const EFormatoCatalogo& e) {
            catalogueName_ = node.text;
            observer_.Error(node.text + ": line 1: " + e.what());
        }
        source_ = {lines, collectionPath_, catalogueName_, node.text};
        if (!workers_) {
            ScanHere(node, 1, lines->Count());
            return;
        }
        for (; nextChunk_ < chunks_.size() && chunks_[nextChunk_].node == n; ++nextChunk_) {
            const std::size_t k = nextChunk_;
            const Chunk& chunk = chunks_[k];
            const auto waiting = [this] {
                observer_.Waiting();
                return observer_.StopRequested();
            };
            switch (workers_->Take(k, waiting, std::chrono::milliseconds(kProgressMilliseconds))) {
            case SearchWorkers::Taken::Scanned:
                Replay(chunk, scanned_[k]);
                scanned_[k] = ChunkScan();
                break;
            case SearchWorkers::Taken::ScanHere:
                ScanHere(node, chunk.begin, chunk.end);
                break;
            case SearchWorkers::Taken::Stopped:
                result_.stopped = true;
                ended_ = true;
                break;
            }
            workers_->Release(k);
            if (ended_) return;
        }
    }

    // Lines [begin, end) of a catalogue, scanned on this thread.
    void ScanHere(const SearchNode& node, std::size_t begin, std::size_t end) {
        untilPoint_ = interval_ - result_.linesVisited % interval_;
        DirectSink sink{*this};
        lines_.Range(*node.lines, node.text, begin, end, result_.nestedVisited, sink);
    }

    // What a worker found in a range, taken as the walk would have found it:
    // the lines are counted with their progress points, and the errors and
    // hits come in the order found.
    void Replay(const Chunk& chunk, const ChunkScan& scan) {
        const std::uint64_t nestedBefore = result_.nestedVisited;
        std::size_t next = chunk.begin; // the first line not visited yet
        std::size_t checkpoint = 0;
        // Visits the lines up to `line` and hands off at the progress points among them.
        const auto visitTo = [&](std::size_t line) {
            if (line < next) return true;
            const std::uint64_t target = result_.linesVisited + (line + 1 - next);
            for (std::uint64_t point = (result_.linesVisited / interval_ + 1) * interval_;
                 point <= target; point += interval_) {
                if (checkpoint == scan.checkpoints.size())
                    throw EInternalError("RunSearch: a scanned range ended early");
                result_.linesVisited = point;
                result_.nestedVisited = nestedBefore + scan.checkpoints[checkpoint++];
                if (!HandOff()) return false;
            }
            result_.linesVisited = target;
            next = line + 1;
            return true;
        };
        std::size_t e = 0;
        for (std::size_t h = 0;; ++h) {
            for (; e < scan.errors.size() && scan.errors[e].hitsBefore <= h; ++e) {
                if (!visitTo(scan.errors[e].line)) return;
                observer_.Error(scan.errors[e].text);
            }
            if (h == scan.hits.size()) break;
            const HitRecord& hit = scan.hits[h];
            if (!visitTo(hit.line)) return;
            result_.nestedVisited = nestedBefore + hit.nested;
            rows_.Write(source_, hit, row_);
            if (!Emit(hit.kind)) return;
        }
        // A range cut short at the hit limit always ends the walk above.
        if (scan.hits.size() > kMaxSearchHits)
            throw EInternalError("RunSearch: a scanned range ended early");
        if (!visitTo(chunk.end - 1)) return;
        result_.nestedVisited = nestedBefore + scan.nested;
    }

    const SearchRequest& r_;
    const SearchCriteria& c_;
    SearchObserver& observer_;
    const CandidateScan scan_;
    const std::uint64_t interval_;
    const RowWriter rows_;
    const RowWriter checkRows_;
    LineScan<DirectSink> lines_;

    SearchResult result_;
    bool ended_ = false;
    std::uint64_t lastProgress_ = 0;
    std::uint64_t untilPoint_ = 0; // lines to the next progress point, while scanning here

    std::string collectionPath_;
    std::string catalogueName_;
    RowSource source_;
    SearchRow row_;

    std::vector<Chunk> chunks_;
    std::size_t nextChunk_ = 0;
    std::vector<std::unique_ptr<Worker>> workerState_;
    std::vector<ChunkScan> scanned_;
    // Last, so that the workers are stopped before anything they use goes.
    std::unique_ptr<SearchWorkers> workers_;
};

bool DirectSink::Visit() {
    ++run.result_.linesVisited;
    if (--run.untilPoint_ != 0) return true;
    run.untilPoint_ = run.interval_;
    return run.HandOff();
}

bool DirectSink::Found(const HitRecord& hit) {
    run.rows_.Write(run.source_, hit, run.row_);
    return run.Emit(hit.kind);
}

void DirectSink::Error(std::size_t, std::string text) {
    run.observer_.Error(text);
}

} // namespace

bool SearchCriteria::MediaFilter() const {
    return duration.Set() || pages.Set() || width.Set() || height.Set() || sampleRate.Set() ||
           quality.Set() || year.Set() || track.Set() || channels != 0 || genre.has_value();
}

bool SearchCriteria::AnyCriterion() const {
    return !extension.empty() || !text1.empty() || size.Set() || modified.Set() || created.Set() ||
           attributes.has_value() || MediaFilter();
}

int ProgressInterval(const SearchCriteria& criteria) {
    if (criteria.text1.empty()) return 7'500;
    switch (criteria.mode) {
    case SearchMode::Substring:
        return 30'000;
    case SearchMode::Wildcard:
        return 15'000;
    case SearchMode::ExtendedWildcard:
        return 7'500;
    case SearchMode::Fuzzy:
        return 750;
    }
    return 7'500;
}

std::string MatchRangeText(int start, int end) {
    if (start == 0) return "0 0";
    return std::to_string(start) + " " + std::to_string(end);
}

SearchResult RunSearch(const SearchRequest& request, SearchObserver& observer) {
    if (request.criteria.mode == SearchMode::Fuzzy &&
        (request.fuzzy1 == nullptr || request.fuzzy2 == nullptr))
        throw EInternalError("RunSearch: the approximate matchers are missing");
    SearchRun run(request, observer);
    return run.Run();
}

} // namespace sorvane
