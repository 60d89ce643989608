// Catalogue loading and the old-header upgrade.
#include "catalogue/format/CatalogueLoader.h"

#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/FormatError.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/PathText.h"
#include "catalogue/format/TextUtils.h"
#include "platform/Files.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstring>

namespace sorvane {
namespace {

// Old header layout (1-based positions).
constexpr std::size_t kOldNamePos = 1, kOldNameWidth = 128;
constexpr std::size_t kOldTypePos = 129;
constexpr std::size_t kOldSerialPos = 130, kOldSerialWidth = 9;
constexpr std::size_t kOldUsedPos = 139, kOldUsedWidth = 14;
constexpr std::size_t kOldDriveTypePos = 153, kOldDriveTypeWidth = 10;
constexpr std::size_t kOldLabelPos = 163, kOldLabelWidth = 14;
constexpr std::size_t kOldDrivePos = 177;
constexpr std::size_t kOldPathPos = 179;

constexpr std::size_t kFreeWidth = 7, kUsedWidth = 7, kLabelWidth = 20;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view Old(std::string_view line, std::size_t pos, std::size_t width) {
    return line.substr(pos - 1, width);
}

// Trims blanks and control characters from both ends.
std::string_view Trim(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return text;
}

} // namespace

std::string ConvierteCabeceraAntigua(std::string_view old) {
    if (old.size() < kOldHeaderMinLength)
        throw EFormatoCatalogo("Old catalogue header of " + std::to_string(old.size()) +
                               " characters; at least " + std::to_string(kOldHeaderMinLength) +
                               " expected");
    std::int64_t used;
    try {
        used = ParseInteger(Trim(Old(old, kOldUsedPos, kOldUsedWidth)));
    } catch (const EConvertError& e) {
        throw EFormatoCatalogo(std::string("Old catalogue header: used bytes: ") + e.what());
    }
    const bool hasExclusions = old.back() == kNestedBracket;
    std::string_view path = old.size() >= kOldPathPos ? old.substr(kOldPathPos - 1) : "";
    std::string_view exclusions;
    if (hasExclusions) {
        const std::size_t open = old.find(kNestedBracket, kOldDrivePos - 1);
        exclusions = old.substr(open);
        const std::size_t pathEnd = path.find(kNestedBracket);
        if (pathEnd != std::string_view::npos) path = path.substr(0, pathEnd);
    }
    std::string header;
    header.push_back(kHeaderMarker);
    header.push_back(old[kOldTypePos - 1]);
    header.push_back(old[kOldDrivePos - 1]);
    header.append(Old(old, kOldSerialPos, kOldSerialWidth));
    header.append(kFreeWidth, ' ');
    header.append(PadLeftToWidth(CodificaInt64(used), kUsedWidth));
    header.append(Old(old, kOldDriveTypePos, kOldDriveTypeWidth));
    header.append(PadRightToWidth(Old(old, kOldLabelPos, kOldLabelWidth), kLabelWidth));
    header.push_back(kMediaBracket);
    header.append(Trim(Old(old, kOldNamePos, kOldNameWidth)));
    header.push_back(kMediaBracket);
    header.push_back(kDescriptionBracket);
    header.append(path);
    header.push_back(kDescriptionBracket);
    header.append(exclusions);
    return header;
}

std::string NombreCatalogoDeRuta(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string_view file = slash == std::string::npos
                                      ? std::string_view(path)
                                      : std::string_view(path).substr(slash + 1);
    return std::string(QuitaExtension(file));
}

namespace {

// The file's lines, a leading byte-order mark skipped; with `original`, the
// file's bytes after the mark go there too.
std::unique_ptr<CatalogueLines> ReadLines(const std::string& path, std::string* original) {
    auto lines = std::make_unique<CatalogueLines>();
    if (original == nullptr) {
        lines->LoadFromFile(path, true);
        return lines;
    }
    *original = ReadWholeFile(path);
    if (std::string_view(*original).substr(0, kUtf8Bom.size()) == kUtf8Bom)
        original->erase(0, kUtf8Bom.size());
    lines->LoadFromText(*original);
    return lines;
}

bool IsOldForm(const CatalogueLines& lines) {
    return lines.Count() > 0 && !lines.Line(0).empty() && lines.Line(0).front() != kHeaderMarker;
}

} // namespace

CatalogueRead LeeCatalogo(const std::string& path) noexcept {
    CatalogueRead read;
    try {
        read.identity = IdentityOf(path);
        read.lines = ReadLines(path, nullptr);
    } catch (...) {
        read.error = std::current_exception();
    }
    return read;
}

LoadedCatalogue CargaCatalogo(const std::string& path, const std::function<void()>& beforeUpgrade) {
    return TerminaCatalogo(path, LeeCatalogo(path), beforeUpgrade);
}

LoadedCatalogue TerminaCatalogo(const std::string& path, CatalogueRead read,
                                const std::function<void()>& beforeUpgrade) {
    LoadedCatalogue result;
    result.name = NombreCatalogoDeRuta(path);
    if (read.error) std::rethrow_exception(read.error);
    result.identity = read.identity;
    std::unique_ptr<CatalogueLines> lines = std::move(read.lines);
    // The old form is read again with its bytes kept for the ".bak" copy.
    std::string original;
    if (IsOldForm(*lines)) lines = ReadLines(path, &original);
    if (lines->Count() == 0) throw EFormatoCatalogo("Empty catalogue file");
    if (lines->Line(0).empty()) throw EFormatoCatalogo("Empty catalogue header");

    if (lines->Line(0).front() != kHeaderMarker) {
        if (beforeUpgrade) beforeUpgrade();
        lines->Replace(0, ConvierteCabeceraAntigua(lines->Line(0)));
        WriteFileAtomically(
            path.substr(0, path.size() - std::min<std::size_t>(4, path.size())) + ".bak", original);
        lines->SaveToFile(path);
        result.upgraded = true;
        result.identity = IdentityOf(path);
    }

    if (text::AsUtf8(DameCabeceraNombre(lines->Line(0))) != text::AsUtf8(result.name))
        return result;
    result.lines = std::move(lines);
    return result;
}

CatalogueReadAhead::CatalogueReadAhead(std::vector<std::string> paths, unsigned threads)
    : paths_(std::move(paths)), reads_(paths_.size()), started_(paths_.size(), false),
      done_(paths_.size(), false) {
    // The largest files first, so that no worker is left with a large one at the end.
    order_.resize(paths_.size());
    std::vector<std::uint64_t> sizes(paths_.size());
    for (std::size_t i = 0; i < paths_.size(); ++i) {
        order_[i] = i;
        sizes[i] = ReadFileSize(paths_[i]);
    }
    std::stable_sort(order_.begin(), order_.end(),
                     [&](std::size_t a, std::size_t b) { return sizes[a] > sizes[b]; });
    threads = std::min<unsigned>(threads,
                                 static_cast<unsigned>(std::min<std::size_t>(paths_.size(), 64)));
    try {
        for (unsigned i = 0; i < threads; ++i)
            workers_.emplace_back([this] { Work(); });
    } catch (...) {
        // No thread to be had: the ones started go on, and Take reads the rest itself.
    }
}

CatalogueReadAhead::~CatalogueReadAhead() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    for (std::thread& worker : workers_)
        worker.join();
}

unsigned CatalogueReadAhead::DefaultThreads(std::size_t files) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::min<std::size_t>({files, cores, 4}));
}

void CatalogueReadAhead::Work() {
    for (;;) {
        std::size_t i;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            while (next_ < order_.size() && started_[order_[next_]])
                ++next_;
            if (stopping_ || next_ == order_.size()) return;
            i = order_[next_++];
            started_[i] = true;
        }
        CatalogueRead read = LeeCatalogo(paths_[i]);
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            reads_[i] = std::move(read);
            done_[i] = true;
        }
        finished_.notify_all();
    }
}

CatalogueRead CatalogueReadAhead::Take(std::size_t i) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!started_[i]) {
        // No worker has started it (all busy, or none could be started): read it here.
        started_[i] = true;
        lock.unlock();
        return LeeCatalogo(paths_[i]);
    }
    finished_.wait(lock, [&] { return done_[i]; });
    return std::move(reads_[i]);
}

} // namespace sorvane
