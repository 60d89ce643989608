// Drive fixtures of tests/data/drives built in a temporary folder: the captured
// mountinfo and the /dev/disk, /sys and file-system trees its ".tree" file lists.
#pragma once

#include "platform/Drives.h"

#include <string>
#include <string_view>

namespace sorvane::testing {

// The folder of the drive fixtures.
std::string DriveDataFolder();

// A temporary folder, removed with everything in it when the object goes.
class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

class DriveFixture {
public:
    // Builds fixture `name` ("desktop"); throws when its files are malformed.
    explicit DriveFixture(std::string_view name);

    // Roots over the built fixture, with the given SORVANE_DRIVES pins.
    DriveRoots Roots(std::string pins = {}) const;

    // Replaces the fixture's mountinfo, as a mount or unmount would change it.
    void WriteMountInfo(std::string_view text) const;
    std::string MountInfo() const;

private:
    TempFolder folder_;
};

} // namespace sorvane::testing
