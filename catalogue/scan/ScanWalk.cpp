// The cataloguing walk of a disk or a folder, over the platform's folder listings.
#include "catalogue/scan/ScanWalk.h"

#include "catalogue/format/Codes.h"
#include "catalogue/format/FormatError.h"
#include "platform/CataloguePath.h"
#include "platform/Clock.h"
#include "platform/DateTime.h"
#include "platform/FileScan.h"
#include "platform/Files.h"
#include "platform/Text.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <new>

namespace sorvane {
namespace {

// The platform reports attributes in the numbering the attribute codes read.
constexpr bool SameBit(EntryAttribute entry, FileAttribute file) {
    return static_cast<std::uint32_t>(entry) == static_cast<std::uint32_t>(file);
}
static_assert(SameBit(kEntryReadOnly, kAttrReadOnly) && SameBit(kEntryHidden, kAttrHidden) &&
              SameBit(kEntrySystem, kAttrSystem) && SameBit(kEntryDirectory, kAttrDirectory) &&
              SameBit(kEntryArchive, kAttrArchive) && SameBit(kEntryCompressed, kAttrCompressed));

// The screen is brought up to date at most this often.
constexpr std::uint64_t kUpdateIntervalMs = 20;

// Disk walk progress: (size div 1024) + 1 per file, this much per folder.
constexpr std::uint64_t kProgressBytesPerStep = 1024;
constexpr std::uint64_t kProgressPerFolder = 8;

// A folder catalogue's folder path is cut to this many characters ("\" included).
constexpr std::size_t kMaxRelativePathChars = 1024;

// The DOS value of 1980-01-01 00:00: the dates of a disk catalogue's root line.
constexpr std::uint32_t kEpochDosDate = 2'162'688;

// The DOS date of a file time in local time; 0 when it has none.
std::uint32_t DosDateOf(std::int64_t unixSeconds) {
    const std::optional<DateTime> local = FileTimeToLocalDateTime(unixSeconds);
    if (!local) return 0;
    return DateTimeToDosDate(*local).value_or(0);
}

std::int32_t FileCountField(std::uint64_t count) {
    return static_cast<std::int32_t>(
        std::min<std::uint64_t>(count, std::numeric_limits<std::int32_t>::max()));
}

class Walker {
public:
    Walker(const ScanRequest& request, ScanObserver& observer, CatalogueLines& out)
        : request_(request), observer_(observer), out_(out) {}

    ScanResult Run();

private:
    void Walk(std::size_t depth, std::uint32_t createdDos, std::uint32_t modifiedDos,
              std::uint32_t attributes);
    void WalkFiles(const FolderListing& listing, std::uint64_t& fileCount);
    void WalkFolders(std::size_t depth, const FolderListing& listing);
    void AddFile(const FolderListing::Entry& entry);
    std::string FolderLine(std::uint32_t createdDos, std::uint32_t modifiedDos,
                           std::uint32_t attributes, std::uint64_t fileCount) const;

    // One hand-off to the window: an update when one is due, then the stop test.
    bool HandOver();
    void SendUpdate();

    // Runs `handle` for one entry. A folder walk logs a failure and goes on with
    // the next entry; in a disk walk any failure but an unreadable entry ends the run.
    template <typename Handle> void Guarded(std::string_view path, Handle handle);
    void ReportError(std::string_view path, std::string_view message);

    void SetCatalogueName(std::string_view hostName);

    const ScanRequest& request_;
    ScanObserver& observer_;
    CatalogueLines& out_;

    ScanState state_;
    bool stopped_ = false;
    std::uint64_t lastUpdate_ = 0;

    // The folder being walked, on this machine (ending in "/") and in the
    // catalogue (ending in "\"); each level appends its part and takes it off again.
    std::string hostFolder_;
    std::string cataloguePath_;
    // Length of the root's catalogue path without its final "\": a folder
    // catalogue's paths start after it.
    std::size_t relativeStart_ = 0;

    // One listing per depth, kept between folders so their memory is reused.
    std::vector<std::unique_ptr<FolderListing>> listings_;
    FicheroEncontrado file_;
    std::string catalogueName_;
    std::string relativePath_;
};

std::uint64_t Now(const ScanRequest& request) {
    return request.clock ? request.clock() : MonotonicMilliseconds();
}

ScanResult Walker::Run() {
    hostFolder_ = request_.hostRoot;
    if (hostFolder_.empty() || hostFolder_.back() != '/') hostFolder_ += '/';
    cataloguePath_ = request_.catalogueRoot;
    if (cataloguePath_.empty() || cataloguePath_.back() != '\\') cataloguePath_ += '\\';
    relativeStart_ = cataloguePath_.size() - 1;

    // The root must be readable before any line is written.
    std::uint32_t createdDos = kEpochDosDate;
    std::uint32_t modifiedDos = kEpochDosDate;
    std::uint32_t attributes = 0;
    std::string error;
    if (request_.kind == ScanKind::Folder) {
        EntryFacts root;
        if (!ReadEntryFacts(request_.hostRoot.empty() ? "/" : request_.hostRoot, root, error))
            throw EInOutError("Cannot read \"" + request_.hostRoot + "\": " + error);
        createdDos = DosDateOf(root.created);
        modifiedDos = DosDateOf(root.modified);
        attributes = root.attributes;
    }
    listings_.push_back(std::make_unique<FolderListing>());
    if (!listings_[0]->Read(hostFolder_, error))
        throw EInOutError("Cannot list \"" + request_.hostRoot + "\": " + error);

    lastUpdate_ = Now(request_);
    Walk(0, createdDos, modifiedDos, attributes);
    SendUpdate();
    return ScanResult{stopped_, state_};
}

std::string Walker::FolderLine(std::uint32_t createdDos, std::uint32_t modifiedDos,
                               std::uint32_t attributes, std::uint64_t fileCount) const {
    if (request_.kind == ScanKind::Disk)
        return LineaCarpeta(cataloguePath_, createdDos, modifiedDos, attributes,
                            FileCountField(fileCount));
    return LineaCarpetaRelativa(relativePath_, createdDos, modifiedDos, attributes,
                                FileCountField(fileCount));
}

// Lines come in pre-order: the folder's line (its file count patched once the
// files are done), its files, then each sub-folder's lines. The root was listed
// by Run; every other folder is listed here.
void Walker::Walk(std::size_t depth, std::uint32_t createdDos, std::uint32_t modifiedDos,
                  std::uint32_t attributes) {
    if (EsCarpetaExcluida(cataloguePath_, request_.exclusions)) return;

    if (request_.kind == ScanKind::Folder) {
        const std::string_view relative = std::string_view(cataloguePath_).substr(relativeStart_);
        if (text::CharCount(relative) <= kMaxRelativePathChars) {
            relativePath_.assign(relative);
        } else {
            // Cut inside the name, keeping the final "\" the line builder drops.
            relativePath_.assign(text::FirstChars(relative, kMaxRelativePathChars - 1));
            relativePath_ += '\\';
        }
    }
    const std::size_t lineIndex = out_.Count();
    out_.Add(FolderLine(createdDos, modifiedDos, attributes, 0));

    if (listings_.size() <= depth) listings_.push_back(std::make_unique<FolderListing>());
    FolderListing& listing = *listings_[depth];
    std::string error;
    // An unreadable folder keeps its line, with no files, and is reported.
    if (depth > 0 && !listing.Read(hostFolder_, error)) {
        ReportError(cataloguePath_, error);
        return;
    }

    std::uint64_t fileCount = 0;
    WalkFiles(listing, fileCount);
    if (fileCount > 0) {
        // Rebuilt rather than cut and pasted: no sub-folder has run yet, so this
        // is the line written above with its count, however long its path.
        out_.Replace(lineIndex, FolderLine(createdDos, modifiedDos, attributes, fileCount));
    }
    if (stopped_) return;
    WalkFolders(depth, listing);
}

void Walker::WalkFiles(const FolderListing& listing, std::uint64_t& fileCount) {
    for (std::size_t i = 0; i < listing.Count(); ++i) {
        const FolderListing::Entry entry = listing.At(i);
        if (entry.facts.kind == EntryKind::Directory) continue;
        if (entry.error != 0) {
            SetCatalogueName(entry.name);
            ReportError(cataloguePath_ + catalogueName_, SystemErrorText(entry.error));
            continue;
        }
        // A file mounted over an entry (a bind mount) belongs to another drive.
        if (entry.facts.mountPoint) continue;

        bool added = false;
        SetCatalogueName(entry.name);
        Guarded(cataloguePath_ + catalogueName_, [&] {
            AddFile(entry);
            added = true;
        });
        if (!added) continue;
        ++fileCount;
        if (HandOver()) {
            stopped_ = true;
            return;
        }
    }
}

void Walker::AddFile(const FolderListing::Entry& entry) {
    const EntryFacts& facts = entry.facts;
    file_.name = catalogueName_;
    file_.modifiedDos = DosDateOf(facts.modified);
    file_.size = facts.size;
    file_.attributes = facts.attributes;
    file_.createdUnix = facts.created;
    file_.fullAttributes = facts.attributes;
    // FIFOs, sockets, devices and links are listed but never opened.
    file_.regularFile = facts.kind == EntryKind::Regular;
    state_.currentFile = catalogueName_;
    out_.Add(LineaFichero(file_, hostFolder_, entry.name, request_.options, request_.sources));

    ++state_.files;
    state_.progress += facts.size / kProgressBytesPerStep + 1;
    state_.bytes += facts.size;
}

void Walker::WalkFolders(std::size_t depth, const FolderListing& listing) {
    const std::size_t hostLength = hostFolder_.size();
    const std::size_t catalogueLength = cataloguePath_.size();
    for (std::size_t i = 0; i < listing.Count(); ++i) {
        const FolderListing::Entry entry = listing.At(i);
        if (entry.facts.kind != EntryKind::Directory) continue;
        // A folder on another file system is another drive: not listed, not entered.
        if (entry.error == 0 && entry.facts.mountPoint) continue;

        SetCatalogueName(entry.name);
        hostFolder_.append(entry.name);
        hostFolder_ += '/';
        cataloguePath_ += catalogueName_;
        cataloguePath_ += '\\';
        if (entry.error != 0) {
            ReportError(cataloguePath_, SystemErrorText(entry.error));
        } else {
            Guarded(cataloguePath_, [&] {
                Walk(depth + 1, DosDateOf(entry.facts.created), DosDateOf(entry.facts.modified),
                     entry.facts.attributes);
            });
        }
        if (stopped_) return;
        ++state_.folders;
        state_.progress += kProgressPerFolder;
        // The window still shows the sub-folder just done.
        const bool stop = HandOver();
        hostFolder_.resize(hostLength);
        cataloguePath_.resize(catalogueLength);
        if (stop) {
            stopped_ = true;
            return;
        }
    }
}

bool Walker::HandOver() {
    const std::uint64_t now = Now(request_);
    if (now - lastUpdate_ >= kUpdateIntervalMs) {
        SendUpdate();
        lastUpdate_ = now;
    }
    return observer_.StopRequested();
}

void Walker::SendUpdate() {
    state_.currentFolder = cataloguePath_;
    observer_.Update(state_);
}

template <typename Handle> void Walker::Guarded(std::string_view path, Handle handle) {
    if (request_.kind == ScanKind::Disk) {
        handle();
        return;
    }
    try {
        handle();
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& failure) {
        ReportError(path, failure.what());
    }
}

void Walker::ReportError(std::string_view path, std::string_view message) {
    if (request_.kind == ScanKind::Disk) {
        std::string line = InternalErrorWord();
        line += " CreaCatalogoDisco(): ";
        line += path;
        line += ": ";
        line += message;
        observer_.Error(line);
        return;
    }
    std::string line = InternalErrorWord();
    line += " CreaCatalogoCarpeta(): ";
    line += path;
    observer_.Error(line);
    observer_.Error(std::string(message));
    observer_.Error(std::string());
}

void Walker::SetCatalogueName(std::string_view hostName) {
    // Assigned in place, so a walk does not allocate a name per entry.
    if (hostName.find('\\') == std::string_view::npos)
        catalogueName_.assign(hostName);
    else
        catalogueName_ = NameToCatalogue(hostName);
}

} // namespace

ScanResult RunScan(const ScanRequest& request, ScanObserver& observer, CatalogueLines& out) {
    Walker walker(request, observer, out);
    return walker.Run();
}

bool EsCarpetaExcluida(std::string_view folder, const std::vector<std::string>& exclusions) {
    return std::find(exclusions.begin(), exclusions.end(), folder) != exclusions.end();
}

} // namespace sorvane
