// Archive kind detection beyond the fixture table: the volume number of the
// extension, self-extractors that keep their archive's offset as a string
// resource, and ZIP sets spanned over removable disks.
#include "archive/arxRegister.h"

#include "archive/arxDisk.h"
#include "platform/Files.h"
#include "tests/archive/ArchiveTestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>

namespace sorvane {
namespace {

using test::TempFolder;

namespace fs = std::filesystem;

std::string Padded(std::string head, std::size_t size = 64) {
    head.resize(std::max(head.size(), size), '\0');
    return head;
}

TEST(ArchiveVolumeNumber, ComesFromTheTrailingDigitsOfTheExtension) {
    const std::string rar = Padded("Rar!\x1A\x07");
    const std::string arj = Padded("\x60\xEA\x20");
    const std::string ace = Padded(std::string("\0\0\0\0\0\0\0**ACE**", 14));
    const std::string zip = [] {
        std::ifstream in(std::string(std::getenv("SORVANE_TEST_DATA")) + "/archive/zip/stored.zip",
                         std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    struct Case {
        const std::string* bytes;
        const char* name;
        TArcType kind;
        int volume;
        char letter;
    } cases[] = {
        {&rar, "x.rar", atRar, 0, 'q'},       {&rar, "x.r01", atRar, 2, 'r'},
        {&rar, "x.r0a", atRar, 0, 'q'},       {&rar, "x.part1.rar", atRar, 0, 'q'},
        {&rar, "noextension", atRar, 0, 'q'}, {&rar, "x.s99", atRar, 100, 's'},
        {&arj, "a.arj", atArj, 1, 'a'},       {&arj, "a.a05", atArj, 6, 'a'},
        {&arj, "a.a1x", atArj, 1, 'a'},       {&arj, "a.a12345678901", atArj, 1, 'a'},
        {&ace, "b.ace", atAce, 0, 'C'},       {&ace, "b.c03", atAce, 4, 'c'},
        {&zip, "j.jar", atJar, 0, 'j'},       {&zip, "j.j02", atZip, 0, '\0'},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        WriteFileAtomically(folder.File(c.name), *c.bytes);
        TRegisterArxon arx;
        arx.SetArchiveFile(folder.File(c.name));
        EXPECT_EQ(arx.ArcType, c.kind) << c.name;
        EXPECT_EQ(arx.VolumeNumber, c.volume) << c.name;
        EXPECT_EQ(arx.VolumeLetter, c.letter) << c.name;
    }
}

TEST(ArchiveDetection, ScanMarksWithoutRoomForTheirHeaderAreNoArchive) {
    // "**ACE" and "-lh?-" stand 7 and 2 bytes into their headers; found nearer
    // the start they would give a start before the file.
    for (const std::string& bytes :
         {Padded(std::string("xyz**ACE**")), Padded(std::string("x-lh0-"))}) {
        TempFolder folder;
        WriteFileAtomically(folder.File("odd.bin"), bytes);
        TRegisterArxon arx;
        arx.SetArchiveFile(folder.File("odd.bin"));
        EXPECT_EQ(arx.ArcType, atNA) << bytes.substr(0, 10);
        EXPECT_GE(arx.StartOffset, -1);
    }
}

TEST(ArchiveDetection, MissingFilesAndFoldersAreNoArchive) {
    TempFolder folder;
    TRegisterArxon arx;
    arx.SetArchiveFile(folder.File("missing.zip"));
    EXPECT_EQ(arx.ArcType, atNA);
    EXPECT_EQ(arx.ArchiveFile, "");
    arx.SetArchiveFile(folder.Path());
    EXPECT_EQ(arx.ArcType, atNA);
    // A FIFO named like an archive is never opened (opening it would wait for a writer).
    ASSERT_EQ(::mkfifo(folder.File("pipe.zip").c_str(), 0600), 0);
    arx.SetArchiveFile(folder.File("pipe.zip"));
    EXPECT_EQ(arx.ArcType, atNA);
}

// A PE image whose string resource 1 holds `resource`, with `payload` at 1024.
std::string ExeWithStringResource(const std::u16string& resource, const std::string& payload) {
    std::string image(1024, '\0');
    auto put16 = [&](std::size_t at, std::uint16_t v) {
        image[at] = static_cast<char>(v & 0xFF);
        image[at + 1] = static_cast<char>(v >> 8);
    };
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        put16(at, static_cast<std::uint16_t>(v & 0xFFFF));
        put16(at + 2, static_cast<std::uint16_t>(v >> 16));
    };
    image[0] = 'M';
    image[1] = 'Z';    // DOS header; pages 0: nothing appended to find
    put32(0x3C, 0x40); // where the PE header is
    image.replace(0x40, 4, std::string("PE\0\0", 4));
    put16(0x44, 0x14C); // machine: i386
    put16(0x46, 1);     // one section
    put16(0x54, 0xE0);  // optional header size
    const std::size_t optional = 0x58;
    put16(optional, 0x10B);            // PE32
    put32(optional + 92, 16);          // data directories
    put32(optional + 96 + 16, 0x1000); // resource directory RVA
    put32(optional + 96 + 20, 0x100);  // and size
    const std::size_t section = optional + 0xE0;
    put32(section + 8, 0x200);   // virtual size
    put32(section + 12, 0x1000); // virtual address
    put32(section + 16, 0x200);  // raw size
    put32(section + 20, 0x200);  // raw offset
    const std::size_t root = 0x200;
    put16(root + 14, 1); // root: one id entry
    put32(root + 16, 6); //   string tables
    put32(root + 20, 0x80000000u | 0x18);
    put16(root + 0x18 + 14, 1); // types: one block
    put32(root + 0x18 + 16, 1); //   block 1: strings 0-15
    put32(root + 0x18 + 20, 0x80000000u | 0x30);
    put16(root + 0x30 + 14, 1); // block: one language
    put32(root + 0x30 + 16, 0x409);
    put32(root + 0x30 + 20, 0x48);     //   its data entry
    put32(root + 0x48, 0x1000 + 0x58); // data RVA
    put32(root + 0x48 + 4, 0x40);      // data size
    std::size_t at = root + 0x58 + 2;  // string 0 is empty; string 1 follows
    put16(at, static_cast<std::uint16_t>(resource.size()));
    for (char16_t c : resource)
        put16(at += 2, c);
    return image + payload + std::string(64, '\0');
}

TEST(ArchiveDetection, SelfExtractorOffsetFromAStringResource) {
    const std::string arjHeader("\x60\xEA\x26\x00", 4);
    const std::string aceHeader = std::string(7, '\x01') + "**ACE**";
    struct Case {
        std::u16string resource;
        std::string payload;
        TArcType kind;
        std::int64_t start;
    } cases[] = {
        {u"1024", arjHeader, atArjExe, 1024},
        {u"1024", aceHeader, atAceExe, 1024},
        {u"99999", arjHeader, atNA, 0}, // beyond the file
        {u"10x4", arjHeader, atNA, 0},  // no number
        {u"", arjHeader, atNA, 0},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        WriteFileAtomically(folder.File("setup.exe"), ExeWithStringResource(c.resource, c.payload));
        TRegisterArxon arx;
        arx.SetArchiveFile(folder.File("setup.exe"));
        EXPECT_EQ(arx.ArcType, c.kind);
        if (c.kind != atNA) {
            EXPECT_EQ(arx.StartOffset, c.start);
        }
    }
}

TEST(ArchiveDetection, DamagedExecutableResourcesAreSafe) {
    const std::string original = ExeWithStringResource(u"1024", std::string("\x60\xEA\x26\x00", 4));
    std::mt19937 random(7);
    TempFolder folder;
    for (int round = 0; round < 400; ++round) {
        std::string bytes = original;
        // Damage the headers and the resource tree, where the offsets are.
        for (int n = 0; n < 1 + round % 4; ++n)
            bytes[random() % 0x2A0] = static_cast<char>(random());
        WriteFileAtomically(folder.File("setup.exe"), bytes);
        TRegisterArxon arx;
        arx.SetArchiveFile(folder.File("setup.exe"));
    }
}

// A ZIP that starts with the spanned-set marker, on a removable disk labelled
// "PKBACK# 001" and on the fixed root disk. The mounts are fixtures whose
// mount point is a real folder, so the file can be read.
TEST(ArchiveDetection, SpannedZipByTheDiskItLiesOn) {
    TempFolder tree;
    const std::string disk = tree.File("PKBACK 001");
    fs::create_directories(disk);
    fs::create_directories(tree.File("sys/block/sdb/sdb1"));
    std::ofstream(tree.File("sys/block/sdb/removable")) << "1\n";
    fs::create_directories(tree.File("dev/disk/by-label"));
    fs::create_symlink("../../sdb1", tree.File("dev/disk/by-label/PKBACK#\\x20001"));
    {
        std::ofstream mounts(tree.File("mountinfo"));
        mounts << "28 1 259:2 / / rw,relatime - ext4 /dev/nvme0n1p2 rw\n";
        std::string escaped = disk;
        escaped.replace(escaped.find(' '), 1, "\\040");
        mounts << "60 28 8:17 / " << escaped << " rw,relatime - vfat /dev/sdb1 rw\n";
    }
    DriveRoots roots;
    roots.mountInfo = tree.File("mountinfo");
    roots.devDisk = tree.File("dev/disk");
    roots.sys = tree.File("sys");
    SetArxDriveRoots(roots);

    std::ifstream in(std::string(std::getenv("SORVANE_TEST_DATA")) + "/archive/zip/stored.zip",
                     std::ios::binary);
    const std::string spanned =
        std::string("PK\x07\x08", 4) + std::string(std::istreambuf_iterator<char>(in), {});
    WriteFileAtomically(disk + "/backup.zip", spanned);
    TempFolder fixed;
    WriteFileAtomically(fixed.File("backup.zip"), spanned);

    TRegisterArxon arx;
    arx.SetArchiveFile(disk + "/backup.zip");
    EXPECT_EQ(arx.ArcType, atZipDS);
    arx.SetArchiveFile(fixed.File("backup.zip"));
    EXPECT_EQ(arx.ArcType, atZipMV);
    ResetArxDriveRoots();
}

} // namespace
} // namespace sorvane
