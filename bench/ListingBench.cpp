// Listing a ZIP of 100,000 members and a tar of 100,000 members the way the
// archive listing bridge lists them (a new TArxon, ArchiveFile assigned, so the
// kind is detected, FileSpec "*.*", an OnRead handler, Activate), side by side
// in the same run with `unzip -Z1` and `bsdtar -tf` (warm page cache).
//
// Both archives are written into a temporary folder (removed at the end) by
// writers of this file: stored ZIP members and ustar entries of a few bytes,
// in 100 folders. Options: --members=N (100,000 by default), --repetitions=N
// (timed runs of each side, 5 by default). The last line is the larger of the
// two ratios, ours over the peer's.
#include "archive/arxArxon.h"
#include "archive/arxCrc.h"
#include "bench/Options.h"
#include "bench/PeerCommand.h"
#include "bench/TempFolder.h"
#include "bench/Timing.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace sorvane;
using namespace sorvane::bench;

constexpr int kDefaultMembers = 100'000;
constexpr int kDefaultRepetitions = 5;

struct Options {
    int members = kDefaultMembers;
    int repetitions = kDefaultRepetitions;
};

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (const char* v = OptionValue(argv[i], "--members="))
            options.members = AtLeast(v, 1);
        else if (const char* v = OptionValue(argv[i], "--repetitions="))
            options.repetitions = AtLeast(v, 1);
        else
            UnknownOption(argv[i], "--members=N --repetitions=N");
    }
    return options;
}

void PutLe(std::string& out, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::string MemberName(int i) {
    char name[64];
    std::snprintf(name, sizeof name, "folder%02d/member%06d.txt", i % 100, i);
    return name;
}

std::string MemberText(int i) {
    return "member " + std::to_string(i) + "\n";
}

// A stored ZIP: local headers with their data, the central directory, the end record.
void WriteZip(const std::string& path, int members) {
    constexpr std::uint32_t kDosDate = ((2024 - 1980) << 25) | (6 << 21) | (15 << 16) | (12 << 11);
    std::string archive, directory;
    for (int i = 0; i < members; ++i) {
        const std::string name = MemberName(i), text = MemberText(i);
        std::uint32_t crc = 0xFFFFFFFFu;
        UpdateCrc32(text.data(), text.size(), crc);
        crc = ~crc;
        const auto offset = static_cast<std::uint32_t>(archive.size());
        auto common = [&](std::string& out) {
            PutLe(out, 10, 2);
            PutLe(out, 0, 2);
            PutLe(out, 0, 2);
            PutLe(out, kDosDate, 4);
            PutLe(out, crc, 4);
            PutLe(out, static_cast<std::uint32_t>(text.size()), 4);
            PutLe(out, static_cast<std::uint32_t>(text.size()), 4);
            PutLe(out, static_cast<std::uint32_t>(name.size()), 2);
            PutLe(out, 0, 2);
        };
        PutLe(archive, 0x04034B50u, 4);
        common(archive);
        archive += name + text;
        PutLe(directory, 0x02014B50u, 4);
        PutLe(directory, 20, 2);
        common(directory);
        PutLe(directory, 0, 2);
        PutLe(directory, 0, 2);
        PutLe(directory, 0, 2);
        PutLe(directory, 0x20, 4);
        PutLe(directory, offset, 4);
        directory += name;
    }
    const auto directoryOffset = static_cast<std::uint32_t>(archive.size());
    archive += directory;
    // More members than the end record's 16-bit counts hold: ZIP64 end record
    // and locator before it, the counts in the end record saturated.
    if (members > 0xFFFF) {
        const auto zip64End = static_cast<std::uint32_t>(archive.size());
        PutLe(archive, 0x06064B50u, 4);
        PutLe(archive, 44, 4); // size of the rest of the record (64 bits)
        PutLe(archive, 0, 4);
        PutLe(archive, 45, 2); // made by
        PutLe(archive, 45, 2); // needed
        PutLe(archive, 0, 4);  // this disk
        PutLe(archive, 0, 4);  // disk of the directory
        for (int twice = 0; twice < 2; ++twice) {
            PutLe(archive, static_cast<std::uint32_t>(members), 4); // entries (64 bits)
            PutLe(archive, 0, 4);
        }
        PutLe(archive, static_cast<std::uint32_t>(directory.size()), 4); // directory size (64 bits)
        PutLe(archive, 0, 4);
        PutLe(archive, directoryOffset, 4); // directory offset (64 bits)
        PutLe(archive, 0, 4);
        PutLe(archive, 0x07064B50u, 4); // locator
        PutLe(archive, 0, 4);
        PutLe(archive, zip64End, 4); // offset of the ZIP64 end record (64 bits)
        PutLe(archive, 0, 4);
        PutLe(archive, 1, 4); // disks
    }
    const auto count = static_cast<std::uint32_t>(std::min(members, 0xFFFF));
    PutLe(archive, 0x06054B50u, 4);
    PutLe(archive, 0, 4);
    PutLe(archive, count, 2);
    PutLe(archive, count, 2);
    PutLe(archive, static_cast<std::uint32_t>(directory.size()), 4);
    PutLe(archive, directoryOffset, 4);
    PutLe(archive, 0, 2);
    std::ofstream(path, std::ios::binary) << archive;
}

// An ustar archive: one header block and one data block per member, two zero blocks.
void WriteTar(const std::string& path, int members) {
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < members; ++i) {
        const std::string name = MemberName(i), text = MemberText(i);
        char header[512] = {};
        std::copy(name.begin(), name.end(), header);
        std::snprintf(header + 100, 8, "%07o", 0644);
        std::snprintf(header + 108, 8, "%07o", 0);
        std::snprintf(header + 116, 8, "%07o", 0);
        std::snprintf(header + 124, 12, "%011o", static_cast<unsigned>(text.size()));
        std::snprintf(header + 136, 12, "%011o", 1718452800u);
        header[156] = '0';
        std::copy_n("ustar\0"
                    "00",
                    8, header + 257);
        std::fill(header + 148, header + 156, ' ');
        unsigned sum = 0;
        for (unsigned char c : header)
            sum += c;
        std::snprintf(header + 148, 8, "%06o", sum);
        out.write(header, 512);
        char data[512] = {};
        std::copy(text.begin(), text.end(), data);
        out.write(data, 512);
    }
    const char zeros[1024] = {};
    out.write(zeros, 1024);
}

// Lists `path` as the bridge does; the members reported.
int ListOurs(const std::string& path) {
    TArxon arx;
    int members = 0;
    arx.OnRead = [&](TZipCommon&, int, int) { ++members; };
    arx.SetArchiveFile(path);
    arx.FileSpec.push_back("*.*");
    arx.Activate();
    return members;
}

std::size_t CountLines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

struct Side {
    const char* label;
    std::string path;
    std::vector<std::string> peer;
};

int Run(const Options& options) {
    const TempFolder folder("sorvane-listing");
    const std::string zip = (folder.Path() / "members.zip").string();
    const std::string tar = (folder.Path() / "members.tar").string();
    WriteZip(zip, options.members);
    WriteTar(tar, options.members);
    const Side sides[] = {{"zip", zip, {"unzip", "-Z1", zip}},
                          {"tar", tar, {"bsdtar", "-tf", tar}}};

    // The first runs warm the cache and check both sides see every member.
    for (const Side& side : sides) {
        const int ours = ListOurs(side.path);
        const std::size_t peer = CountLines(RunCommand(side.peer).output);
        if (ours != options.members || peer != static_cast<std::size_t>(options.members)) {
            std::fprintf(stderr, "%s: member counts differ: ours %d, %s %zu, written %d\n",
                         side.label, ours, side.peer[0].c_str(), peer, options.members);
            return 1;
        }
    }

    std::printf("listing %d members, %d repetitions\n", options.members, options.repetitions);
    PrintTimesHeader(24);
    double largest = 0;
    for (const Side& side : sides) {
        const SideTimes times = Alternate(
            options.repetitions, [&] { return Seconds([&] { ListOurs(side.path); }); },
            [&] { return Seconds([&] { RunCommand(side.peer, CommandOutput::Discarded); }); });
        const double ratio = Median(times.ours) / Median(times.peer);
        char extra[32];
        std::snprintf(extra, sizeof extra, "  ratio %.2f", ratio);
        PrintTimesRow(24, std::string("TArxon ") + side.label, times.ours, extra);
        PrintTimesRow(24, side.peer[0] + " " + side.peer[1], times.peer);
        largest = std::max(largest, ratio);
    }
    PrintRatio("listing", largest);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    return RunReportingErrors("bench_listing", [&] { return Run(ParseOptions(argc, argv)); });
}
