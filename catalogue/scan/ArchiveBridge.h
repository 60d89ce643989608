// The archive listing bridge: lists one catalogued archive with the directory
// reader and turns its members into the nested block of the archive's line.
#pragma once

#include <cstdint>
#include <string>

namespace sorvane {

class TArxon;
class TZipCommon;

// What the bridge needs of the cataloguing window that runs the scan.
class ArchiveListingObserver {
public:
    virtual ~ArchiveListingObserver() = default;
    // Shows the member being listed; an empty name clears the label.
    virtual void ShowMember(const std::string& name) = 0;
    // Lets the event loop run once; true when the user asked the scan to stop.
    virtual bool ListingStopRequested() = 0;
    // One line for the error list.
    virtual void ListingError(const std::string& line) = 0;
    // The folder and file the scan is at ("folder\file"), for error lines.
    virtual std::string CurrentPlace() const = 0;
};

// One nested entry: DOS date, size (the true size, as file lines keep it),
// attribute code, then the name with control characters blanked and cut to
// 256 characters. A date that does not convert is stored as 1980-01-01.
std::string LineaAnidado(const std::string& name, std::uint32_t dosDate, std::uint64_t size,
                         std::uint32_t attributes);

class ArchiveBridge {
public:
    explicit ArchiveBridge(ArchiveListingObserver& observer) : observer_(observer) {}

    // The nested block of the archive at `path` (characters 31 around the
    // entries, 30 between them), or "" when it has no members or cannot be
    // listed. A failure puts one line in the error list; a cancel does not.
    std::string MontaArx(const std::string& path);

    // The OnRead handler: one entry per member.
    void ArxonRead(TArxon& sender);
    // The OnNextVolume handler: always cancels. The reader asks only for a
    // volume that is missing (cabinets: for every next cabinet), so the
    // listing also drops what the walk reports once it asked for or opened a
    // further volume: a set is listed up to the end of the volume named.
    static void ArxonNextVolume(TZipCommon& sender, std::string& volumeName, int volumeId,
                                bool exists, bool& cancel);

    std::string NestedEntriesText;

private:
    void LogFailure(const std::string& path, const std::string& message);

    ArchiveListingObserver& observer_;
    bool failureLogged_ = false;
    bool volumeAsked_ = false; // the walk asked for a further volume
};

} // namespace sorvane
