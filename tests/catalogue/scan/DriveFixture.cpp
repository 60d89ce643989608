// Builds drive fixtures from their ".tree" recipes.
#include "tests/catalogue/scan/DriveFixture.h"

#include "platform/Files.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace sorvane::testing {

std::string DriveDataFolder() {
    // SORVANE_TEST_DATA when it holds the fixtures, else the source tree's tests/data.
    if (const char* data = std::getenv("SORVANE_TEST_DATA")) {
        const std::string folder = std::string(data) + "/drives";
        if (fs::is_directory(folder)) return folder;
    }
    return std::string(SORVANE_DEFAULT_TEST_DATA) + "/drives";
}

TempFolder::TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp ? tmp : "/tmp") + "/sorvane-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

namespace {

void Build(const fs::path& base, const std::string& recipe, const std::string& recipeName) {
    std::istringstream lines(recipe);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (line.empty() || line[0] == '#') continue;
        const std::size_t blank = line.find(' ');
        const std::string kind = line.substr(0, blank);
        const std::string rest = blank == std::string::npos ? "" : line.substr(blank + 1);
        auto fail = [&] {
            throw std::runtime_error(recipeName + ":" + std::to_string(number) + ": bad entry");
        };
        if (kind == "dir") {
            fs::create_directories(base / rest);
        } else if (kind == "file") {
            const std::size_t eq = rest.find(" = ");
            if (eq == std::string::npos) fail();
            const fs::path file = base / rest.substr(0, eq);
            fs::create_directories(file.parent_path());
            std::ofstream(file) << rest.substr(eq + 3) << '\n';
        } else if (kind == "link") {
            const std::size_t arrow = rest.find(" -> ");
            if (arrow == std::string::npos) fail();
            const fs::path link = base / rest.substr(0, arrow);
            fs::create_directories(link.parent_path());
            fs::create_symlink(rest.substr(arrow + 4), link);
        } else {
            fail();
        }
    }
}

} // namespace

DriveFixture::DriveFixture(std::string_view name) {
    const std::string stem = DriveDataFolder() + "/" + std::string(name);
    fs::create_directories(fs::path(folder_.path()) / "fs");
    Build(folder_.path(), ReadWholeFile(stem + ".tree"), std::string(name) + ".tree");
    WriteMountInfo(ReadWholeFile(stem + ".mountinfo"));
}

DriveRoots DriveFixture::Roots(std::string pins) const {
    DriveRoots roots;
    roots.mountInfo = folder_.path() + "/mountinfo";
    roots.devDisk = folder_.path() + "/dev/disk";
    roots.sys = folder_.path() + "/sys";
    roots.fileSystem = folder_.path() + "/fs";
    roots.pins = std::move(pins);
    return roots;
}

void DriveFixture::WriteMountInfo(std::string_view text) const {
    WriteFileAtomically(folder_.path() + "/mountinfo", text);
}

std::string DriveFixture::MountInfo() const {
    return ReadWholeFile(folder_.path() + "/mountinfo");
}

} // namespace sorvane::testing
