// The walk that catalogues a disk or a folder: a pre-order walk of a folder
// tree on this machine into catalogue lines, with progress reported to an
// observer that also says when the user asked to stop.
#pragma once

#include "catalogue/format/CatalogueLines.h"
#include "catalogue/format/LineBuilders.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane {

enum class ScanKind {
    Disk,   // folder lines carry the drive's paths; the root line has 1980-01-01 and no attributes
    Folder, // folder lines are relative to the catalogued folder; the root line has its own dates
};

// What the walk has done so far.
struct ScanState {
    std::string currentFolder; // catalogue form with drive ("E:\Docs\"), as the window shows it
    std::string currentFile;   // the file being handled
    std::uint64_t files = 0;
    std::uint64_t folders = 0;
    std::uint64_t progress = 0; // disk walk: (size div 1024) + 1 per file, 8 per folder
    std::uint64_t bytes = 0;    // sum of the catalogued files' sizes
};

class ScanObserver {
public:
    virtual ~ScanObserver() = default;
    // Asked at every file and folder; true ends the walk at once.
    virtual bool StopRequested() = 0;
    // Called at those points when at least 20 ms passed since the last call, and
    // once at the end: the window shows the state and lets the event loop run.
    virtual void Update(const ScanState& state) = 0;
    // One line for the error list (an unreadable folder or file).
    virtual void Error(const std::string& line) = 0;
};

struct ScanRequest {
    ScanKind kind = ScanKind::Disk;
    std::string hostRoot; // the folder walked on this machine, without a trailing "/"
    std::string
        catalogueRoot; // its catalogue form with drive: "E:\" for a disk, "E:\Docs" for a folder
    std::vector<std::string> exclusions; // normalised lines ("E:\DOCS\OLD\"), compared exactly
    OpcionesLinea options;
    FuentesBloques sources;
    // Milliseconds of a monotonic clock, read once at every hand-off to decide
    // whether Update is due; empty: the platform's clock. Tests pass their own.
    std::function<std::uint64_t()> clock;
};

struct ScanResult {
    bool stopped = false;
    ScanState totals;
};

// Appends the lines of the walk to `out` (no header). Entries of a folder are
// taken in byte order of their names; symbolic links are listed, never followed;
// the walk never leaves the file system of `hostRoot`; FIFOs, sockets and
// devices are listed but never opened. Raises EInOutError when `hostRoot`
// itself cannot be read.
//
// A mount point inside the tree (another file system, or a bind mount) is
// neither listed nor entered. An unreadable folder keeps its line with no
// files; it and any entry whose facts cannot be read are reported through
// observer.Error and the walk goes on. In a folder walk any other failure of
// one entry is reported the same way; in a disk walk it ends the walk. After a
// stop the lines written so far stay in `out`, the last folder's file count
// patched to the files it got.
ScanResult RunScan(const ScanRequest& request, ScanObserver& observer, CatalogueLines& out);

// True when the folder (catalogue form with drive, ending in "\") is one of the
// exclusion lines.
bool EsCarpetaExcluida(std::string_view folder, const std::vector<std::string>& exclusions);

} // namespace sorvane
