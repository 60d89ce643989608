// Reading a catalogue file back into its line list: the old fixed-width header
// form is upgraded on the way (the old file kept as ".bak"), and the header's
// catalogue name must match the file's name.
#pragma once

#include "catalogue/format/CatalogueLines.h"
#include "platform/Files.h"

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace sorvane {

// Minimum length of a header in the old form: everything up to the drive letter.
constexpr std::size_t kOldHeaderMinLength = 177;

struct LoadedCatalogue {
    std::string name;                      // the file name without its extension
    std::unique_ptr<CatalogueLines> lines; // empty when the name check failed
    bool upgraded = false;                 // the old header was rewritten
    std::optional<FileIdentity> identity;  // the file as it was read (after an upgrade, as written)
};

// The header of the current form for a header of the old form. Raises
// EFormatoCatalogo when the line is shorter than kOldHeaderMinLength or its used
// bytes are not a number.
std::string ConvierteCabeceraAntigua(std::string_view oldHeader);

// The catalogue name of a catalogue file's path: its file name before the last ".".
std::string NombreCatalogoDeRuta(const std::string& path);

// Loads the catalogue file at `path`. An old-form header is upgraded: `beforeUpgrade`
// runs first (to say so on screen), the original bytes are copied to the path
// less its last 4 characters plus ".bak", and the upgraded list replaces the file
// atomically. When the header's name differs from the file's name (compared as
// text, either side read as Windows-1252 when it is not UTF-8), the result has no
// lines. Raises EInOutError or EFormatoCatalogo for an unreadable, empty or
// damaged file.
LoadedCatalogue CargaCatalogo(const std::string& path,
                              const std::function<void()>& beforeUpgrade = {});

// The first half of CargaCatalogo: the file read and split into lines, with
// nothing checked or written, so that it can run on a worker thread. A failed
// read is kept as `error`.
struct CatalogueRead {
    std::unique_ptr<CatalogueLines> lines;
    std::exception_ptr error;
    // Taken just before the read: a change after it shows as a change, never
    // the other way round.
    std::optional<FileIdentity> identity;
};
CatalogueRead LeeCatalogo(const std::string& path) noexcept;

// The second half: raises a failed read's error, then checks, upgrades and
// names the catalogue as CargaCatalogo does. A file read in the old form is
// read again first, so that whatever was written before this call is seen.
LoadedCatalogue TerminaCatalogo(const std::string& path, CatalogueRead read,
                                const std::function<void()>& beforeUpgrade = {});

// Reads a list of catalogue files ahead on a few worker threads, the largest
// first, while the caller takes the results one by one in the same order and finishes
// them itself (TerminaCatalogo), so that every check, upgrade, message and
// count comes out exactly as from a loop over CargaCatalogo. The destructor
// stops the workers after the files they are reading.
class CatalogueReadAhead {
public:
    CatalogueReadAhead(std::vector<std::string> paths, unsigned threads);
    ~CatalogueReadAhead();
    CatalogueReadAhead(const CatalogueReadAhead&) = delete;
    CatalogueReadAhead& operator=(const CatalogueReadAhead&) = delete;

    std::size_t Count() const { return paths_.size(); }
    const std::string& Path(std::size_t i) const { return paths_[i]; }
    // The read of file i, waiting for it when a worker has not finished it yet.
    // Each index is taken once.
    CatalogueRead Take(std::size_t i);

    // The number of workers for `files` files on this machine: at most four.
    static unsigned DefaultThreads(std::size_t files);

private:
    void Work();

    const std::vector<std::string> paths_;
    std::vector<CatalogueRead> reads_;
    std::vector<std::size_t> order_; // the order the workers take the files in
    std::vector<bool> started_;
    std::vector<bool> done_;
    std::size_t next_ = 0; // in order_
    bool stopping_ = false;
    std::mutex mutex_;
    std::condition_variable finished_;
    std::vector<std::thread> workers_;
};

} // namespace sorvane
