// Test support: compound files (OLE structured storage) and summary property
// sets built in memory, with the offsets a test needs to damage them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sorvane::testing {

// One property of a summary property set: its id, type and value bytes (the
// bytes after the 32-bit type, padding included).
struct SummaryProperty {
    std::uint32_t id;
    std::uint32_t type;
    std::string value;
};

SummaryProperty CodePageProperty(std::uint16_t codePage);
SummaryProperty TextProperty(std::uint32_t id, const std::string& bytes); // code-page text
SummaryProperty WideTextProperty(std::uint32_t id, const std::u16string& text);
SummaryProperty IntProperty(std::uint32_t id, std::int32_t value);
SummaryProperty FileTimeProperty(std::uint32_t id, std::uint64_t ticks);

// File time ticks (100 ns since 1601) of a UTC date and time.
std::uint64_t FileTimeTicks(int year, int month, int day, int hour, int minute, int second);

// A SummaryInformation stream holding one section with the properties in order.
std::string SummaryStream(const std::vector<SummaryProperty>& properties);

// Offsets inside a SummaryStream: the section starts at 48, its table at 56.
constexpr std::size_t kSummarySectionOffset = 48;
constexpr std::size_t kSummaryPropertyCountOffset = kSummarySectionOffset + 4;

struct CompoundStreamContent {
    std::u16string name;
    std::string data;
};

// A built compound file and where its parts lie. Streams below 4096 bytes
// live in the mini stream; the directory lists the root, then the streams in
// the order given, linked as each entry's right sibling.
struct CompoundImage {
    std::string bytes;
    std::uint32_t sectorSize = 512;
    std::uint32_t firstFatSector = 0;
    std::uint32_t fatSectorCount = 0;
    std::uint32_t firstDirectorySector = 0;
    std::uint32_t directorySectorCount = 0;
    std::uint32_t firstMiniFatSector = 0;
    std::uint32_t firstMiniStreamSector = 0;
    std::vector<std::uint32_t> streamStart; // first (mini) sector of each stream

    std::uint64_t SectorOffset(std::uint32_t sector) const { return (sector + 1ull) * sectorSize; }
    std::uint64_t EntryOffset(std::uint32_t entry) const; // a directory entry's bytes
    std::uint32_t FatEntry(std::uint32_t sector) const;
    void SetFatEntry(std::uint32_t sector, std::uint32_t next);
    void SetMiniFatEntry(std::uint32_t miniSector, std::uint32_t next);
    void SetU16(std::uint64_t offset, std::uint16_t value);
    void SetU32(std::uint64_t offset, std::uint32_t value);
};

// sectorShift 9 gives a version 3 file of 512-byte sectors, 12 a version 4
// file of 4096-byte sectors.
CompoundImage BuildCompoundFile(const std::vector<CompoundStreamContent>& streams,
                                unsigned sectorShift = 9);

// The name of the summary stream.
std::u16string SummaryStreamName();

} // namespace sorvane::testing
