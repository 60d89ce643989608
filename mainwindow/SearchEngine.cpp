// The search walk: node names, folder and file lines, nested entries; the
// tests of every criterion, the rows of the hits, progress and the stop.
//
// Speed: most lines of a run are not hits, so a line is first looked at raw.
// When a text must match, CandidateScan names the places of the raw line where
// it could (see SearchScan.h); a line without any is passed over, nested block
// included, with nothing folded or decoded. Otherwise a field is folded into a
// buffer that is reused for the whole run, and dates, sizes and media values
// are decoded only for the criteria that are set.
#include "mainwindow/SearchEngine.h"

#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/Codes.h"
#include "catalogue/format/FormatError.h"
#include "catalogue/format/MediaBlock.h"
#include "catalogue/format/PathText.h"
#include "catalogue/format/TextUtils.h"
#include "mainwindow/SearchScan.h"
#include "platform/Clock.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstring>

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

class SearchRun {
public:
    SearchRun(const SearchRequest& request, SearchObserver& observer)
        : r_(request), c_(request.criteria), observer_(observer), scan_(MakeScan(request)),
          interval_(static_cast<std::uint64_t>(ProgressInterval(request.criteria))),
          nestedSearched_(c_.nested && !c_.MediaFilter() && !c_.created.Set()) {}

    SearchResult Run() {
        lastProgress_ = Now();
        for (const SearchNode& node : r_.nodes) {
            if (observer_.StopRequested()) {
                result_.stopped = true;
                break;
            }
            if (!node.inScope) continue;
            if (node.kind == SearchNodeKind::Collection)
                Collection(node);
            else if (node.kind == SearchNodeKind::Catalogue)
                Catalogue(node);
            if (ended_) break;
        }
        return result_;
    }

private:
    std::uint64_t Now() const { return r_.clock ? r_.clock() : MonotonicMilliseconds(); }

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

    std::string FormatDate(const DateTime& value) const {
        return r_.formatDate ? r_.formatDate(value) : ToIsoText(value);
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

    void Catalogue(const SearchNode& node) {
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
        catalogueText_ = node.text;
        try {
            catalogueName_ = DameCabeceraNombre(lines->Line(0));
        } catch (const EFormatoCatalogo& e) {
            catalogueName_ = node.text;
            observer_.Error(node.text + ": line 1: " + e.what());
        }
        currentFolder_ = {};
        const std::size_t count = lines->Count();
        for (std::size_t i = 1; i < count; ++i) {
            const std::string_view line = lines->Line(i);
            ++result_.linesVisited;
            if (result_.linesVisited % interval_ == 0 && !HandOff()) return;
            const bool folder = !line.empty() && line.front() == kFolderMarker;
            if (folder) {
                currentFolder_ = line;
                if (c_.what == SearchWhat::Files || c_.what == SearchWhat::FilesWithExtension)
                    continue;
            } else if (c_.what == SearchWhat::Folders) {
                continue;
            }
            lineIndex_ = i;
            try {
                if (folder)
                    FolderLine(line);
                else
                    FileLine(line);
            } catch (const EFormatoCatalogo& e) {
                observer_.Error(catalogueText_ + ": line " + std::to_string(i + 1) + ": " +
                                e.what());
            }
            if (ended_) return;
        }
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
            TFuzzySearch& fuzzy = which == 0 ? *r_.fuzzy1 : *r_.fuzzy2;
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

    void WriteRanges(const Ranges& ranges) {
        row_[kColRange1Description] =
            MatchRangeText(ranges.start[kT1Description], ranges.end[kT1Description]);
        row_[kColRange1Name] = MatchRangeText(ranges.start[kT1Name], ranges.end[kT1Name]);
        row_[kColRange2Description] =
            MatchRangeText(ranges.start[kT2Description], ranges.end[kT2Description]);
        row_[kColRange2Name] = MatchRangeText(ranges.start[kT2Name], ranges.end[kT2Name]);
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

        ClearRow();
        const std::string_view path = DameCarpetaRuta(line);
        row_[kColCollection] = collectionPath_;
        row_[kColCatalogue] = catalogueName_;
        row_[kColFolder] = ExtraeRutaPadre(path);
        row_[kColDescription] = DameCarpetaDescripcion(line);
        row_[kColName].assign(DameCarpetaNombre(line)).push_back('\\');
        row_[kColModified] = FormatDate(DameCarpetaModificado(line));
        row_[kColCreated] = FormatDate(DameCarpetaCreado(line));
        row_[kColAttributes] = DameCarpetaAtributos(line);
        WriteRanges(ranges);
        Emit(SearchHitKind::Folder);
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
        if (own && FileLinePasses(line) && !WriteFileHit(line)) return;
        if (nestedSearched_ && first != kNone)
            Nested(line, line.substr(first + 1, last - first - 1));
    }

    bool FileLinePasses(std::string_view line) {
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
        lineRanges_ = Ranges();
        if (!c_.text1.empty() &&
            !LineText(DameFicheroNombre(line), DameFicheroDescripcion(line), lineRanges_))
            return false;
        return true;
    }

    // False when the walk must end.
    bool WriteFileHit(std::string_view line) {
        ClearRow();
        const std::string_view name = DameFicheroNombre(line);
        const std::string extension = UpperCaseSpanish(ExtraeExtension(name));
        row_[kColCollection] = collectionPath_;
        row_[kColCatalogue] = catalogueName_;
        if (!currentFolder_.empty()) row_[kColFolder] = DameCarpetaRuta(currentFolder_);
        row_[kColDescription] = DameFicheroDescripcion(line);
        row_[kColName] = name;
        row_[kColSize] = FormatThousands(static_cast<std::int64_t>(DameFicheroTamano(line)));
        row_[kColModified] = FormatDate(DameFicheroModificado(line));
        row_[kColCreated] = FormatDate(DameFicheroCreado(line));
        row_[kColAttributes] = DameFicheroAtributos(line);
        row_[kColAttributes].append(DameFicheroAtributosExtendidos(line));
        row_[kColExtension] = extension;
        if (TieneMultimedia(line)) MediaColumns(line, extension);
        WriteRanges(lineRanges_);
        return Emit(SearchHitKind::File);
    }

    void MediaColumns(std::string_view line, std::string_view extension) {
        const std::string_view block = DameFicheroMultimedia(line);
        if (block.empty()) return;
        try {
            switch (MediaKindOfExtension(extension)) {
            case MediaKind::Bitmap:
                row_[kColResolution] = DameTextoResolucion(block);
                row_[kColQuality] = DameTextoCalidadImagen(block);
                break;
            case MediaKind::Audio:
                row_[kColDuration] = DameTextoDuracionWAV(block);
                row_[kColResolution] = DameTextoFrecuenciaWAV(block);
                row_[kColQuality] = DameTextoCalidadWAV(block);
                row_[kColChannels] = DameTextoCanalesWAV(block);
                break;
            case MediaKind::Music:
                row_[kColDuration] = DameTextoDuracionAudio(block);
                row_[kColResolution] = DameTextoFrecuenciaAudio(block);
                row_[kColQuality] = DameTextoCalidadAudio(block);
                row_[kColChannels] = DameTextoCanalesAudio(block);
                row_[kColYear] = DameTextoAnoAudio(block);
                row_[kColTrack] = DameTextoPistaAudio(block);
                row_[kColGenre] = DameTextoGeneroAudio(block);
                break;
            case MediaKind::Video:
                row_[kColDuration] = DameTextoDuracionAVI(block);
                row_[kColResolution] = DameTextoResolucion(block);
                row_[kColQuality] = DameTextoCalidadAVI(block);
                break;
            case MediaKind::Text:
                row_[kColDuration] = DameTextoPaginasDOC(block) + "p";
                break;
            case MediaKind::None:
                break;
            }
        } catch (const EFormatoCatalogo& e) {
            // The hit stands; its media columns stay empty.
            for (int col = kColDuration; col <= kColGenre; ++col)
                row_[col].clear();
            observer_.Error(catalogueText_ + ": line " + std::to_string(lineIndex_ + 1) + ": " +
                            e.what());
        }
    }

    // ---- Nested entries -----------------------------------------------------

    // The entries of `block` (the nested block without its brackets); every
    // stretch between characters 30 counts as one entry visited.
    void Nested(std::string_view line, std::string_view block) {
        const std::string_view archive = DameFicheroNombre(line);
        if (!scan_.Active()) {
            for (std::size_t start = 0; start <= block.size();) {
                std::size_t end = block.find(kItemSeparator, start);
                if (end == kNone) end = block.size();
                ++result_.nestedVisited;
                if (end > start) Entry(block.substr(start, end - start), archive);
                if (ended_) return;
                start = end + 1;
            }
            return;
        }
        // Only entries that hold a candidate can match; the rest are counted.
        result_.nestedVisited += CountByte(block, kItemSeparator) + 1;
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
            Entry(block.substr(start, end - start), archive);
            if (ended_) return;
            from = end + 1;
        }
    }

    void Entry(std::string_view entry, std::string_view archive) {
        try {
            Ranges ranges;
            if (EntryPasses(entry, ranges)) WriteEntryHit(entry, archive, ranges);
        } catch (const EFormatoCatalogo& e) {
            observer_.Error(catalogueText_ + ": line " + std::to_string(lineIndex_ + 1) +
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

    void WriteEntryHit(std::string_view entry, std::string_view archive, const Ranges& ranges) {
        ClearRow();
        const std::string_view path = DameAnidadoRuta(entry);
        const std::string_view name = DameAnidadoNombre(entry);
        row_[kColCollection] = collectionPath_;
        row_[kColCatalogue] = catalogueName_;
        if (!currentFolder_.empty()) row_[kColFolder] = DameCarpetaRuta(currentFolder_);
        row_[kColDescription].assign(archive).append(" | ");
        if (c_.nestedByPath) {
            row_[kColDescription].push_back('\\');
            row_[kColName] = path;
        } else {
            row_[kColDescription].append(ExtraeRutaPadre(path)).push_back('\\');
            row_[kColName] = name;
        }
        row_[kColSize] = FormatThousands(static_cast<std::int64_t>(DameAnidadoTamano(entry)));
        row_[kColModified] = FormatDate(DameAnidadoFecha(entry));
        row_[kColAttributes] = DameAnidadoAtributos(entry);
        row_[kColExtension] = UpperCaseSpanish(ExtraeExtension(name));
        row_[kColRange1Description] = MatchRangeText(0, 0);
        row_[kColRange1Name] = MatchRangeText(ranges.start[kT1Name], ranges.end[kT1Name]);
        row_[kColRange2Description] = MatchRangeText(0, 0);
        row_[kColRange2Name] = MatchRangeText(ranges.start[kT2Name], ranges.end[kT2Name]);
        Emit(SearchHitKind::Nested);
    }

    const SearchRequest& r_;
    const SearchCriteria& c_;
    SearchObserver& observer_;
    const CandidateScan scan_;
    const std::uint64_t interval_;
    const bool nestedSearched_;

    SearchResult result_;
    bool ended_ = false;
    std::uint64_t lastProgress_ = 0;

    std::string collectionPath_;
    std::string catalogueName_;
    std::string catalogueText_;
    std::string_view currentFolder_;
    std::size_t lineIndex_ = 0;
    Ranges lineRanges_;
    SearchRow row_;
    std::string nameBuffer_, descriptionBuffer_, extensionBuffer_;
    FoldMap nameMap_, descriptionMap_;
};

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
