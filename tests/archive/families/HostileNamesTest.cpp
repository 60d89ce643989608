// Names that would leave the destination, one case for each family's reader,
// all stopped by the one guard the readers share: a member in a folder that
// is a symbolic link in the destination (to a folder outside it), or a
// stored name with a ".." step. The destination lies in a private parent,
// and nothing may appear in that parent outside the destination.
#include "archive/arxCrc.h"
#include "archive/arxMessages.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/families/FamilyTestSupport.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace sorvane::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void PutLe(Bytes& out, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A gzip member whose stored name is `name`, its data in one stored block.
Bytes GzipNamed(const std::string& name, const std::string& data) {
    Bytes out{0x1F, 0x8B, 8, 0x08}; // deflate, FNAME
    PutLe(out, 1614834368, 4);
    out.push_back(0);
    out.push_back(3); // Unix
    out.insert(out.end(), name.begin(), name.end());
    out.push_back(0);
    out.push_back(1); // the last block, stored
    PutLe(out, data.size(), 2);
    PutLe(out, ~data.size() & 0xFFFF, 2);
    out.insert(out.end(), data.begin(), data.end());
    std::uint32_t crc = 0xFFFFFFFFu;
    UpdateCrc32(data.data(), data.size(), crc);
    PutLe(out, ~crc, 4);
    PutLe(out, data.size(), 4);
    return out;
}

// The stored Zoo archive with its first member's 13-byte name field saying
// "../alpha.txt"; the reader keeps no CRC of its entries.
Bytes ZooClimbing() {
    Bytes bytes = FixtureBytes("synth/stored.zoo");
    const std::string name = "alpha.txt";
    auto at = std::search(bytes.begin(), bytes.end(), name.begin(), name.end());
    if (at == bytes.end()) return {};
    const std::string climbing = "../alpha.txt";
    std::copy(climbing.begin(), climbing.end(), at);
    return bytes;
}

struct HostileCase {
    const char* family;
    // A fixture below tests/data/archive, or bytes made here.
    const char* fixture;
    std::function<Bytes()> make;
    const char* extension;
    // A folder of its members, made a link to a folder outside the destination.
    const char* linkedFolder;
};

const HostileCase kHostileCases[] = {
    {"ZIP", "zip/folders.zip", nullptr, "", "docs"},
    {"ARJ", "arj/dirs.arj", nullptr, "", "docs"},
    {"LHA", "lha/level1-folders.lzh", nullptr, "", "docs"},
    {"tar", "tar/ustar.tar", nullptr, "", "docs"},
    {"ARC", "arc/folders.arc", nullptr, "", "SUB"},
    {"cabinet", "cab/folders.cab", nullptr, "", "docs"},
    {"ACE", "ace/lz77.ace", nullptr, "", "docs"},
    {"RAR", "synth/unix-host.rar", nullptr, "", "docs"},
    {"Zoo", nullptr, ZooClimbing, ".zoo", nullptr},
    {"gzip", nullptr, [] { return GzipNamed("../up.txt", "climbing\n"); }, ".gz", nullptr},
};

class FamilyHostileNames : public FamilyTest {};

TEST_F(FamilyHostileNames, NothingLeavesTheDestination) {
    for (const HostileCase& c : kHostileCases) {
        SCOPED_TRACE(c.family);
        TempFolder parent;
        const fs::path root = parent.Path();
        const fs::path destination = root / "destination";
        const fs::path outside = root / "outside";
        fs::create_directories(destination);
        fs::create_directories(outside);
        std::string archive;
        if (c.make) {
            archive = (root / (std::string("archive") + c.extension)).string();
            const Bytes bytes = c.make();
            ASSERT_FALSE(bytes.empty());
            WriteBytes(archive, bytes);
        } else {
            archive = DataPath(c.fixture);
        }
        if (c.linkedFolder != nullptr)
            fs::create_directory_symlink(outside, destination / c.linkedFolder);

        FamilyRun run(archive, destination.string() + "/");
        ASSERT_TRUE(run.reader);
        run.reader->Extract();
        EXPECT_GE(run.Count(kMsgInvalidFileName), 1) << run.Text();
        EXPECT_TRUE(fs::is_empty(outside));
        for (auto entry = fs::recursive_directory_iterator(root);
             entry != fs::recursive_directory_iterator(); ++entry) {
            const fs::path& path = entry->path();
            if (path == destination) {
                entry.disable_recursion_pending();
                continue;
            }
            EXPECT_TRUE(path == outside || path.string() == archive) << path;
        }
    }
}

} // namespace
} // namespace sorvane::test
